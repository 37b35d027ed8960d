// Rebuilds and direct draws sent to the builders by record kind, and the option changes the
// panels make to records.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "zelvane/scene/ZelDisplayInternal.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"

using namespace zeldl;

namespace {

// Rebuild of one record, the context already current.
int updateRecord(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  if (!hasBuilder(rec->Type)) {
    printf("  Update of display list of type %s non-implemented \n", zelGetTypeName(rec->Type));
    return 0;
  }
  return zelUpdateList(rec->Type, mask, scene, rec);
}

// Picking lists left waiting by the first build are built before anything changes a list or
// the options a list is built from: they are those the first build would have made.
template <size_t N>
int updateKinds(const int (&kinds)[N], ZelListMask mask, ZelScene *scene) {
  if (!scene || !scene->ZelMsh) return 0;
  zelBuildPendingPicking(scene);
  zelMakeCurrent(scene->Win);
  forEachRecord(scene->ZelMsh, kinds, [&](ZelEntDisplayList *r) { updateRecord(mask, scene, r); });
  return 1;
}

constexpr int SurfaceUpdateKinds[] = {KmfNormalAtVertices, KmfVertices,       KmfTriangles,
                                      KmfTrianglesP2,      KmfQuadrilaterals, KmfQuadrilateralsQ2,
                                      KmfEdges,            KmfEdgesP2};
// The kinds whose picking lists a first build leaves waiting: their builders take the bit-0
// rule, which leaves the picking list out on request, and they hold most of the vertices.
constexpr int DeferredPickingKinds[] = {KmfVertices, KmfTriangles, KmfQuadrilaterals};
constexpr int VolumeUpdateKinds[] = {KmfTetrahedra, KmfTetrahedraP2, KmfHexahedra,
                                     KmfHexahedraQ2, KmfPyramids,    KmfPrisms};
constexpr int VolTypeUpdateKinds[] = {KmfTetrahedra, KmfTetrahedraP2, KmfHexahedra,
                                      KmfHexahedraQ2, KmfPrisms,      KmfPyramids};

// The lists of a volume record that the frame draws whatever the volume display and that
// `asked` selects (bit 0, or the list's own bit, or all the solution lists for the solution
// ones): its iso-surfaces while it shows them; its vector arrows and metric glyphs while it
// shows them, and its numbers while the scene shows them (not in vertex-points mode, which
// numbers the vertices alone), those three once a build has filled them. Iso-surfaces have no
// surface to stand in for them: a record that shows them gets them built whatever the display.
ZelListMask keptVolumeLists(const ZelScene *scene, const ZelEntDisplayList &rec, ZelListMask asked) {
  constexpr ZelListMask AllLists = 0x1;
  const auto asks = [asked](ZelListMask own, bool solution) {
    const ZelListMask family = solution ? ZelListMask{ZelMaskSolutionLists} : ZelListMask{0};
    return (asked & (AllLists | own | family)) != 0;
  };
  const uint32_t shown = rec.Opt.Solution;
  ZelListMask filled = 0;
  if (asks(ZelMaskVectors, true) && (shown & ZelSolVectors)) filled |= ZelMaskVectors;
  if (asks(ZelMaskMetric, true) && (shown & ZelSolMetric)) filled |= ZelMaskMetric;
  const bool numbers = (scene->Flags & ZelFlgNumbers) && !(scene->Flags & ZelFlgPoints);
  if (asks(ZelMaskNumbers, false) && numbers) filled |= ZelMaskNumbers;
  ZelListMask drawn = filled & rec.Held;
  if (asks(ZelMaskIsoSurfaces, true) && (shown & ZelSolIsoSurfaces)) drawn |= ZelMaskIsoSurfaces;
  return drawn;
}

// Out of volume display mode: the kept lists of every volume record that `asked` selects,
// rebuilt with `extra` added to the mask. A cut changes neither iso-surfaces nor metric
// glyphs, which cover every element: with ZelMaskCutOnly they are left alone.
void updateKeptVolumeLists(ZelListMask asked, ZelListMask extra, ZelScene *scene) {
  const ZelListMask uncut = (extra & ZelMaskCutOnly) ? ZelListMask{ZelMaskIsoSurfaces | ZelMaskMetric} : 0;
  bool current = false;
  forEachRecord(scene->ZelMsh, VolumeUpdateKinds, [&](ZelEntDisplayList *r) {
    const ZelListMask m = keptVolumeLists(scene, *r, asked) & ~uncut;
    if (!m) return;
    if (!current) {
      zelBuildPendingPicking(scene);
      zelMakeCurrent(scene->Win);
      current = true;
    }
    updateRecord(m | extra, scene, r);
  });
}

// One row per option bit that copies bits of a value into a word of the record.
enum Target { Render, Solution, Flags };
struct OptionRow {
  uint32_t mask;
  Target target;
  uint32_t bits;  // copied from the render value (render word, flags) or the solution value
};
constexpr OptionRow OptionRows[] = {
    {ZelOptRender, Render, ~0u},
    {ZelOptSolution, Solution, ~0u},
    {ZelOptFaceMode, Render, ZelRndFaceMask},
    {ZelOptLineMode, Render, ZelRndLineMask},
    {ZelOptTransparent, Render, ZelRndTransparent},
    {ZelOptLighting, Render, ZelRndLighting},
    {ZelOptArrows, Render, ZelRndArrows},
    {ZelOptClipped, Flags, ZelLstClipped},
    {ZelOptShrink, Flags, ZelLstShrink},
    {ZelOptShading, Solution, ZelSolShading},
    {ZelOptIsoLines, Solution, ZelSolIsoLines},
    {ZelOptIsoSurfaces, Solution, ZelSolIsoSurfaces},
    {ZelOptVectors, Solution, ZelSolVectors},
    {ZelOptMetric, Solution, ZelSolMetric},
};

void applyOptions(ZelOptionMask opt, uint32_t render, uint32_t solution, ZelEntDisplayList *rec) {
  for (const OptionRow &row : OptionRows) {
    if (!(opt & row.mask)) continue;
    uint32_t *word = row.target == Render     ? &rec->Opt.Render
                     : row.target == Solution ? &rec->Opt.Solution
                                              : &rec->Flags;
    uint32_t value = row.target == Solution ? solution : render;
    *word = (*word & ~row.bits) | (value & row.bits);
  }
  if (opt & ZelOptTessLevel) rec->Opt.TessLevel = static_cast<int32_t>(render & 0xFF);
  if (opt & ZelOptLineWidth) rec->Opt.LineWidth = static_cast<float>(render) / 10.0f;
}

template <size_t N>
int optionKinds(const int (&kinds)[N], ZelOptionMask opt, uint32_t render, uint32_t solution,
                ZelScene *scene) {
  if (!scene || !scene->ZelMsh) return 0;
  zelBuildPendingPicking(scene);
  forEachRecord(scene->ZelMsh, kinds, [&](ZelEntDisplayList *r) { applyOptions(opt, render, solution, r); });
  return 1;
}

}  // namespace

int zelUpdateDisplayList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  if (!scene || !rec) return 0;
  zelBuildPendingPicking(scene);
  zelMakeCurrent(scene->Win);
  return updateRecord(mask, scene, rec);
}

int zelUpdateAllTypeDisplayLists(int type, ZelListMask mask, ZelScene *scene) {
  if (!scene || !scene->ZelMsh) return 0;
  if (type < KmfVertices || type > KmfPyramids) return 1;
  const int kinds[] = {type};
  return updateKinds(kinds, mask, scene);
}

int zelUpdateAllDisplayLists(ZelListMask mask, ZelScene *scene) {
  // A build of every list makes the waiting picking lists itself, from the same scene.
  if (scene && (mask & 1) && !(mask & ZelMaskNoPicking)) scene->PckPending = 0;
  if (!updateKinds(SurfaceUpdateKinds, mask, scene)) return 0;
  if (scene->Flags & ZelFlgVolumes)
    updateKinds(VolumeUpdateKinds, mask, scene);
  else
    updateKeptVolumeLists(mask, 0, scene);
  return 1;
}

int zelUpdateFirstDisplayLists(ZelScene *scene) {
  if (!scene || !scene->ZelMsh) return 0;
  for (int kind : SurfaceUpdateKinds) {
    const int one[] = {kind};
    const bool deferred = std::find(std::begin(DeferredPickingKinds), std::end(DeferredPickingKinds), kind) !=
                          std::end(DeferredPickingKinds);
    updateKinds(one, deferred ? 1 | ZelMaskNoPicking : 1, scene);
  }
  scene->PckPending = scene->ColRng != nullptr;  // no picking list without colour ids
  if (scene->Flags & ZelFlgVolumes) updateKinds(VolumeUpdateKinds, 1, scene);
  return 1;
}

int zelBuildPendingPicking(ZelScene *scene) {
  if (!scene || !scene->PckPending) return 0;
  scene->PckPending = 0;
  updateKinds(DeferredPickingKinds, ZelMaskPickingList, scene);
  return 1;
}

int zelUpdateVolTypeDisplayLists(ZelListMask mask, ZelScene *scene) {
  return updateKinds(VolTypeUpdateKinds, mask, scene);
}

int zelUpdateClipDisplayLists(ZelScene *scene) {
  if (!scene || !scene->ZelMsh) return 0;
  if (scene->Flags & ZelFlgVolumes) return zelUpdateVolTypeDisplayLists(1 | ZelMaskCutOnly, scene);
  updateKeptVolumeLists(1, ZelMaskCutOnly, scene);
  return 1;
}

int zeldl::directDrawRecord(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  const int kind = rec->Type;
  if (!hasBuilder(kind)) {
    printf("  Direct draw of display list of type %s non-implemented \n", zelGetTypeName(kind));
    return 0;
  }
  if (kind == KmfQuadrilateralsQ2 || kind == KmfHexahedraQ2 || kind == KmfPyramids)
    printf("Type %s not implemented in zelDirectDrawDisplayList (dlist)\n", zelGetTypeName(kind));
  return zelDirectDrawList(kind, mask, scene, rec);
}

int zelDirectDrawDisplayList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  if (!scene || !rec) return 0;
  zelMakeCurrent(scene->Win);
  return directDrawRecord(mask, scene, rec);
}

int zelUpdateDisplayListOptions(ZelOptionMask opt, uint32_t render, uint32_t solution,
                                ZelScene *scene, ZelEntDisplayList *rec) {
  if (!scene || !scene->ZelMsh || !rec) return 0;
  zelBuildPendingPicking(scene);
  applyOptions(opt, render, solution, rec);
  return 1;
}

int zelUpdateEdgeDisplayListsOptions(ZelOptionMask opt, uint32_t render, uint32_t solution,
                                     ZelScene *scene) {
  return optionKinds(EdgeKinds, opt, render, solution, scene);
}

int zelUpdateFaceDisplayListsOptions(ZelOptionMask opt, uint32_t render, uint32_t solution,
                                     ZelScene *scene) {
  return optionKinds(FaceKinds, opt, render, solution, scene);
}

int zelUpdateVolDisplayListsOptions(ZelOptionMask opt, uint32_t render, uint32_t solution,
                                    ZelScene *scene) {
  return optionKinds(VolumeKinds, opt, render, solution, scene);
}

int zelUpdateAllDisplayListsOptions(ZelOptionMask opt, uint32_t render, uint32_t solution,
                                    ZelScene *scene) {
  return zelUpdateEdgeDisplayListsOptions(opt, render, solution, scene) &&
         zelUpdateFaceDisplayListsOptions(opt, render, solution, scene) &&
         zelUpdateVolDisplayListsOptions(opt, render, solution, scene);
}

int zelUpdateAllTypeDisplayListsOptions(int type, ZelOptionMask opt, uint32_t render,
                                        uint32_t solution, ZelScene *scene) {
  if (!scene || !scene->ZelMsh) return 0;
  if (type < KmfEdges || type > KmfPyramids) return 1;
  const int kinds[] = {type};
  return optionKinds(kinds, opt, render, solution, scene);
}
