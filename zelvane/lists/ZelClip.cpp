// Marking of vertices and elements against a clip plane, on the worker pool for large arrays.
#include "zelvane/lists/ZelClip.h"

#include <cstdint>

#include "common/base/FunctionInterface.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "zelvane/lists/ZelClipGeom.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelScene.h"

namespace {

enum : int { VertexThreshold = 2000, ElementThreshold = 1001 };

// One element kind of the marking, in the order the arrays are visited.
struct ClipRow {
  int Kind;
  int Rule;          // ZelClipRule
  bool NeedsPlanes;  // the worker also wants the display mesh's plane record
  int Common_MthParallel::*Type;
  ParallelProc Worker;
};

using Mth = Common_MthParallel;
const ClipRow ClipRows[] = {
    {KmfTriangles, ZelClipAnyPositive, false, &Mth::TriTyp, zelUpdateClipWorker<KmfTriangles>},
    {KmfTetrahedra, ZelClipMixed, true, &Mth::TetTyp, zelUpdateClipWorker<KmfTetrahedra>},
    {KmfQuadrilaterals, ZelClipAnyPositive, false, &Mth::QuaTyp,
     zelUpdateClipWorker<KmfQuadrilaterals>},
    {KmfTrianglesP2, ZelClipAnyPositive, false, &Mth::P2TriTyp,
     zelUpdateClipWorker<KmfTrianglesP2>},
    {KmfTetrahedraP2, ZelClipMixed, false, &Mth::P2TetTyp, zelUpdateClipWorker<KmfTetrahedraP2>},
    {KmfQuadrilateralsQ2, ZelClipAnyPositive, false, &Mth::P2QuaTyp,
     zelUpdateClipWorker<KmfQuadrilateralsQ2>},
    {KmfEdges, ZelClipAnyNotPositive, false, &Mth::EfrTyp, zelUpdateClipWorker<KmfEdges>},
    {KmfEdgesP2, ZelClipAnyNotPositive, false, &Mth::P2EfrTyp, zelUpdateClipWorker<KmfEdgesP2>},
    {KmfHexahedra, ZelClipMixed, false, &Mth::HexTyp, zelUpdateClipWorker<KmfHexahedra>},
    {KmfHexahedraQ2, ZelClipMixed, false, &Mth::P2HexTyp, zelUpdateClipWorker<KmfHexahedraQ2>},
    {KmfPyramids, ZelClipMixed, false, &Mth::PyrTyp, zelUpdateClipWorker<KmfPyramids>},
    {KmfPrisms, ZelClipMixed, false, &Mth::PriTyp, zelUpdateClipWorker<KmfPrisms>},
};

const ClipRow &rowOf(int kind) {
  for (const ClipRow &row : ClipRows)
    if (row.Kind == kind) return row;
  return ClipRows[0];  // unreachable: the workers are instantiated for the rows' kinds only
}

// Sets or clears the clip bit; the word is written only when the bit changes, and then by an
// atomic operation that leaves the other bits to whoever else writes them.
inline void setClipBit(uint32_t *tag, bool on) {
  bool was = (TagAtomicLoad(tag) & TAG_CLIPPED) != 0;
  if (on && !was) TagAtomicOr(tag, TAG_CLIPPED);
  if (!on && was) TagAtomicAnd(tag, ~static_cast<uint32_t>(TAG_CLIPPED));
}

void markElements(const ClipRow &row, int first, int last, const ZelClipWork *work) {
  if (!work || !work->Scene) return;
  const ZelScene *scene = work->Scene;
  Geometric_Mesh *msh = scene->Msh;
  const ZelMesh *zelMsh = scene->ZelMsh;
  if (!msh || !msh->Ver || !zelMsh || (row.NeedsPlanes && !zelMsh->Pla)) return;
  // Every node counts, the mid-nodes of curved kinds too.
  ZelElems arr = zelElems(msh, row.Kind);
  if (!arr.exists()) return;
  if (first < 1) first = 1;
  if (last > arr.Count) last = arr.Count;
  const Vertex *ver = msh->Ver;
  const unsigned nbrVer = static_cast<unsigned>(msh->NbrVer);
  for (int e = first; e <= last; e++) {
    const int *nodes = arr.ver(e);
    int positives = 0;
    bool valid = true;
    for (int k = 0; k < arr.NbrNod; k++) {
      // Invalid elements are kept by the loader with whatever node numbers the file gave.
      unsigned idx = static_cast<unsigned>(nodes[k]) - 1u;
      if (idx >= nbrVer) {
        valid = false;
        break;
      }
      positives += (TagAtomicLoad(&ver[idx + 1].Tag) & TAG_CLIPPED) != 0;
    }
    if (valid) setClipBit(arr.tag(e), zelClipRuleHolds(row.Rule, positives, arr.NbrNod));
  }
}

int poolThreads(const Function_Interface *fi) {
  int threads = 1, types = 0;
  if (fi && fi->Par && fi->Par->Pool) GetPoolInformation(fi->Par->Pool, &threads, &types);
  return threads;
}

// Runs proc over lines 1..count: on the pool over the loop type when asked and the type still
// covers exactly those lines, else on the calling thread.
void runLoop(const Function_Interface *fi, bool parallel, int type, int count, ParallelProc proc,
             ZelClipWork *work) {
  if (count < 1) return;
  if (parallel) {
    ParallelPool *pool = fi->Par->Pool;
    if (CheckTypeLines(pool, type, count) && LaunchParallel(pool, type, 0, proc, work) >= 0) return;
  }
  proc(1, count, 0, work);
}

}  // namespace

template <int Kind>
void zelUpdateClipWorker(int first, int last, int, void *work) {
  markElements(rowOf(Kind), first, last, static_cast<const ZelClipWork *>(work));
}

template void zelUpdateClipWorker<KmfTriangles>(int, int, int, void *);
template void zelUpdateClipWorker<KmfQuadrilaterals>(int, int, int, void *);
template void zelUpdateClipWorker<KmfTrianglesP2>(int, int, int, void *);
template void zelUpdateClipWorker<KmfQuadrilateralsQ2>(int, int, int, void *);
template void zelUpdateClipWorker<KmfEdges>(int, int, int, void *);
template void zelUpdateClipWorker<KmfEdgesP2>(int, int, int, void *);
template void zelUpdateClipWorker<KmfTetrahedra>(int, int, int, void *);
template void zelUpdateClipWorker<KmfPyramids>(int, int, int, void *);
template void zelUpdateClipWorker<KmfPrisms>(int, int, int, void *);
template void zelUpdateClipWorker<KmfHexahedra>(int, int, int, void *);
template void zelUpdateClipWorker<KmfTetrahedraP2>(int, int, int, void *);
template void zelUpdateClipWorker<KmfHexahedraQ2>(int, int, int, void *);

void zelSetPlaneClip_p(int first, int last, int, void *arg) {
  const ZelClipWork *work = static_cast<const ZelClipWork *>(arg);
  if (!work || !work->Scene || work->Plane < 0 || work->Plane >= ZelMaxPlanes) return;
  Geometric_Mesh *msh = work->Scene->Msh;
  const ZelMesh *zelMsh = work->Scene->ZelMsh;
  if (!msh || !msh->Ver || !zelMsh || !zelMsh->Pla) return;
  const double *pla = zelMsh->Pla->Pla[work->Plane];
  if (first < 1) first = 1;
  if (last > msh->NbrVer) last = msh->NbrVer;
  for (int v = first; v <= last; v++) {
    double s = zelPlaneValue(pla, msh->Ver[v].Crd);
    // Neither test holds for NaN: such a vertex keeps the side it had.
    if (s > 0)
      setClipBit(&msh->Ver[v].Tag, true);
    else if (s <= 0)
      setClipBit(&msh->Ver[v].Tag, false);
  }
}

int zelUpdateClipAllEntities(Function_Interface *fi, ZelScene *scene) {
  if (fi) fi->ErrCod = 0;
  if (!scene || !scene->Msh) {
    if (fi) fi->ErrCod = ERR_BAD_DATA;
    return 0;
  }
  Geometric_Mesh *msh = scene->Msh;
  bool pool = poolThreads(fi) > 1;
  ZelClipWork work{scene, 0};
  for (const ClipRow &row : ClipRows) {
    int count = zelElems(msh, row.Kind).Count;
    int type = pool ? fi->Par->*row.Type : 0;
    runLoop(fi, pool && count >= ElementThreshold, type, count, row.Worker, &work);
  }
  return 1;
}

int zelSetPlaneClipBody(Function_Interface *fi, ZelScene *scene, int plane) {
  if (!scene) return 0;
  if (fi) fi->ErrCod = 0;
  Geometric_Mesh *msh = scene->Msh;
  // The index may come from a state file or an embedding caller: 32 planes exist.
  if (!msh || plane < 0 || plane >= ZelMaxPlanes) {
    if (fi) fi->ErrCod = ERR_BAD_DATA;
    return 0;
  }
  int threads = poolThreads(fi);
  if (fi && fi->Par) SetMeshDependency(fi->Par, msh);
  ZelClipWork work{scene, plane};
  int type = threads >= 2 ? fi->Par->VerTyp : 0;
  runLoop(fi, threads >= 2 && msh->NbrVer >= VertexThreshold, type, msh->NbrVer, zelSetPlaneClip_p,
          &work);
  zelUpdateClipAllEntities(fi, scene);
  return 1;
}
