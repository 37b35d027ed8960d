// Scene solution bits to record words, and the reload of a solution file.
#include "zelvane/scene/ZelSolutionControl.h"

#include <cstdio>

#include "common/base/FunctionInterface.h"
#include "common/load/LoadNotices.h"
#include "common/load/SolutionLoad.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"

namespace {

const struct {
  uint32_t Scene, Record;
} kSolBits[] = {{ZelSceneColorMap, ZelSolShading}, {ZelSceneIsoLines, ZelSolIsoLines},
                {ZelSceneIsoSurfaces, ZelSolIsoSurfaces}, {ZelSceneCarried, ZelSolCarried},
                {ZelSceneVectors, ZelSolVectors}, {ZelSceneMetric, ZelSolMetric}};

}  // namespace

uint32_t setActSolOptions(const ZelScene *scene) {
  if (!scene) return 0;
  uint32_t word = 0;
  for (const auto &b : kSolBits)
    if (scene->SolFlags & b.Scene) word |= b.Record;
  return word;
}

int zel_updateSol(ZelScene *scene, const char *file, int64_t *readTime) {
  if (readTime) *readTime = 0;
  Geometric_Mesh *msh = scene ? scene->Msh : nullptr;
  // The loader takes a missing name for "nothing to load" and succeeds: keep the values.
  if (!msh || !file) return 0;
  Function_Interface fi;
  DefaultFunInterface(&fi, scene->Mem, scene->Par, "ZELVANE");
  LoadNoticeCollector notices;
  // A file refused halfway gives back the values it replaced: palettes and lists stay.
  const int res = ReloadSolution(&fi, file, msh, readTime);
  if (res != 1) {
    notices.passOn();
    return res;
  }
  // A mesh opened without a solution has just been given one: its palettes are made as an
  // opening with it makes them.
  if (!scene->VieSol)
    scene->VieSol = zelNewViewSolution(scene->Mem, scene->opt, msh);
  else
    for (int f = 0; f < scene->VieSol->NbrFld; f++) zelDefaultPalette(scene->opt, f, msh, 5, &scene->VieSol->ZelPal[f]);
  zelUpdateAllDisplayLists(1, scene);
  updateGlScene(scene);
  zelShowLoadNotices(scene->Win, notices.take());
  return res;
}

void zelShowLoadNotices(void *window, const std::string &notices) {
  if (notices.empty()) return;
  if (!window) {
    fputs(notices.c_str(), stdout);
    fflush(stdout);
    return;
  }
  size_t at = 0;
  while (at < notices.size()) {
    size_t end = notices.find('\n', at);
    if (end == std::string::npos) end = notices.size();
    const std::string line = notices.substr(at, end - at);
    // Blank lines of a notice's layout show nothing.
    if (line.find_first_not_of(" \t\r") != std::string::npos) ptermText(window, "%s", line.c_str());
    at = end + 1;
  }
}
