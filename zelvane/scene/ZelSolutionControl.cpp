// Scene solution bits to record words, and the reload of a solution file.
#include "zelvane/scene/ZelSolutionControl.h"

#include "common/base/FunctionInterface.h"
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

int zel_updateSol(ZelScene *scene, const char *file) {
  Geometric_Mesh *msh = scene ? scene->Msh : nullptr;
  // The loader takes a missing name for "nothing to load" and succeeds: keep the values.
  if (!msh || !file) return 0;
  Function_Interface fi;
  DefaultFunInterface(&fi, scene->Mem, scene->Par, "ZELVANE");
  // A file refused halfway gives back the values it replaced: palettes and lists stay.
  const int res = ReloadSolution(&fi, file, msh);
  if (res != 1) return res;
  if (ZelViewSolution *view = scene->VieSol)
    for (int f = 0; f < view->NbrFld; f++) zelDefaultPalette(scene->opt, f, msh, 5, &view->ZelPal[f]);
  zelUpdateAllDisplayLists(1, scene);
  updateGlScene(scene);
  return res;
}
