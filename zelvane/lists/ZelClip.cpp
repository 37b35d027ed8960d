// Marking of vertices and elements against a clip plane, on the worker pool for large arrays.
#include "zelvane/lists/ZelClip.h"

#include <cstddef>
#include <cstdint>

#include "common/base/FunctionInterface.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "zelvane/lists/ZelClipGeom.h"
#include "zelvane/scene/ZelScene.h"

namespace {

enum : int { VertexThreshold = 2000, ElementThreshold = 1001 };

// One element kind of the marking, in the order the arrays are visited.
struct ClipRow {
  int Kind;
  int Nodes;         // nodes read from the record
  int Rule;          // ZelClipRule
  bool NeedsPlanes;  // the worker also wants the display mesh's plane record
  int Common_MthParallel::*Type;
  ParallelProc Worker;
};

using Mth = Common_MthParallel;
const ClipRow ClipRows[] = {
    {KmfTriangles, 3, ZelClipAnyPositive, false, &Mth::TriTyp, zelUpdateClipWorker<KmfTriangles>},
    {KmfTetrahedra, 4, ZelClipMixed, true, &Mth::TetTyp, zelUpdateClipWorker<KmfTetrahedra>},
    {KmfQuadrilaterals, 4, ZelClipAnyPositive, false, &Mth::QuaTyp,
     zelUpdateClipWorker<KmfQuadrilaterals>},
    {KmfTrianglesP2, 6, ZelClipAnyPositive, false, &Mth::P2TriTyp,
     zelUpdateClipWorker<KmfTrianglesP2>},
    {KmfTetrahedraP2, 10, ZelClipMixed, false, &Mth::P2TetTyp,
     zelUpdateClipWorker<KmfTetrahedraP2>},
    {KmfQuadrilateralsQ2, 9, ZelClipAnyPositive, false, &Mth::P2QuaTyp,
     zelUpdateClipWorker<KmfQuadrilateralsQ2>},
    {KmfEdges, 2, ZelClipAnyNotPositive, false, &Mth::EfrTyp, zelUpdateClipWorker<KmfEdges>},
    {KmfEdgesP2, 3, ZelClipAnyNotPositive, false, &Mth::P2EfrTyp, zelUpdateClipWorker<KmfEdgesP2>},
    {KmfHexahedra, 8, ZelClipMixed, false, &Mth::HexTyp, zelUpdateClipWorker<KmfHexahedra>},
    {KmfHexahedraQ2, 27, ZelClipMixed, false, &Mth::P2HexTyp, zelUpdateClipWorker<KmfHexahedraQ2>},
    {KmfPyramids, 5, ZelClipMixed, false, &Mth::PyrTyp, zelUpdateClipWorker<KmfPyramids>},
    {KmfPrisms, 6, ZelClipMixed, false, &Mth::PriTyp, zelUpdateClipWorker<KmfPrisms>},
};

const ClipRow &rowOf(int kind) {
  for (const ClipRow &row : ClipRows)
    if (row.Kind == kind) return row;
  return ClipRows[0];  // unreachable: the workers are instantiated for the rows' kinds only
}

// Where one kind's records lie: every record has its node list and its tag at fixed offsets.
struct ClipArray {
  char *Base;
  size_t Size, VerOff, TagOff;
  int Count;
};

template <class Rec>
ClipArray arrayOf(Rec *arr, int count) {
  return {reinterpret_cast<char *>(arr), sizeof(Rec), offsetof(Rec, Ver), offsetof(Rec, Tag),
          arr ? count : 0};
}

ClipArray elementArray(Geometric_Mesh *msh, int kind) {
  switch (kind) {
    case KmfTriangles:
      return arrayOf(msh->Tri, msh->NbrTri);
    case KmfQuadrilaterals:
      return arrayOf(msh->Qua, msh->NbrQua);
    case KmfTrianglesP2:
      return arrayOf(msh->P2Tri, msh->NbrP2Tri);
    case KmfQuadrilateralsQ2:
      return arrayOf(msh->P2Qua, msh->NbrP2Qua);
    case KmfEdges:
      return arrayOf(msh->Efr, msh->NbrEfr);
    case KmfEdgesP2:
      return arrayOf(msh->P2Efr, msh->NbrP2Efr);
    case KmfTetrahedra:
      return arrayOf(msh->Tet, msh->NbrTet);
    case KmfPyramids:
      return arrayOf(msh->Pyr, msh->NbrPyr);
    case KmfPrisms:
      return arrayOf(msh->Pri, msh->NbrPri);
    case KmfHexahedra:
      return arrayOf(msh->Hex, msh->NbrHex);
    case KmfTetrahedraP2:
      return arrayOf(msh->P2Tet, msh->NbrP2Tet);
    case KmfHexahedraQ2:
      return arrayOf(msh->P2Hex, msh->NbrP2Hex);
    default:
      return {nullptr, 0, 0, 0, 0};
  }
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
  ClipArray arr = elementArray(msh, row.Kind);
  if (first < 1) first = 1;
  if (last > arr.Count) last = arr.Count;
  const Vertex *ver = msh->Ver;
  const unsigned nbrVer = static_cast<unsigned>(msh->NbrVer);
  for (int e = first; e <= last; e++) {
    char *rec = arr.Base + static_cast<size_t>(e) * arr.Size;
    const int *nodes = reinterpret_cast<const int *>(rec + arr.VerOff);
    int positives = 0;
    bool valid = true;
    for (int k = 0; k < row.Nodes; k++) {
      // Invalid elements are kept by the loader with whatever node numbers the file gave.
      unsigned idx = static_cast<unsigned>(nodes[k]) - 1u;
      if (idx >= nbrVer) {
        valid = false;
        break;
      }
      positives += (TagAtomicLoad(&ver[idx + 1].Tag) & TAG_CLIPPED) != 0;
    }
    if (valid)
      setClipBit(reinterpret_cast<uint32_t *>(rec + arr.TagOff),
                 zelClipRuleHolds(row.Rule, positives, row.Nodes));
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
    int count = elementArray(msh, row.Kind).Count;
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
