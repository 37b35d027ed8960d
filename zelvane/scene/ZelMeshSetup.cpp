// Setting up the display mesh of a loaded mesh: the mesh edges on triangle sides, the
// coordinate and germ arrays, the vertex-to-edge ball, the clip planes and the entities.
#include <cstdio>
#include <cstring>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Ball.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/pool/Parallel.h"
#include "common/topology/Topology.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScratchMap.h"

namespace {

// Elements from which the germs are written on the pool.
const int kPooledGerms = 1 << 16;

uint64_t edgeKey(int a, int b) {
  if (a > b) std::swap(a, b);
  return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}

// A triangle side carrying an alive boundary edge is a mesh edge: its tag bit 16 + i is set and
// its neighbour slot i holds the edge (kind VOI_EFR), so that picking finds the edge and walks
// over triangles stop at it. Side i joins the vertices i + 1 and i + 2. The first edge on a
// vertex pair is the one recorded.
void markMeshEdges(Geometric_Mesh *msh) {
  if (msh->NbrEfr <= 0 || msh->NbrTri <= 0 || !msh->Efr || !msh->Tri) return;
  ZelScratchMap edges(static_cast<size_t>(msh->NbrEfr));
  for (int e = 1; e <= msh->NbrEfr; e++) {
    const BdyEdge &edg = msh->Efr[e];
    if (TagAtomicLoad(&edg.Tag) & TAG_ALIVE) edges.insert(edgeKey(edg.Ver[0], edg.Ver[1]), e);
  }
  for (int t = 1; t <= msh->NbrTri; t++) {
    Triangle &tri = msh->Tri[t];
    if (!(TagAtomicLoad(&tri.Tag) & TAG_ALIVE)) continue;
    for (int i = 0; i < 3; i++) {
      const int *e = edges.find(edgeKey(tri.Ver[(i + 1) % 3], tri.Ver[(i + 2) % 3]));
      if (!e) continue;
      tri.Voi[i] = *e;
      tri.VoiTyp = VoiTypSet(tri.VoiTyp, i, VOI_EFR);
      TagAtomicOr(&tri.Tag, TagEdgeMark(i));
    }
  }
}

// Germs: for every vertex, the last alive tetrahedron (triangle) holding it, that is the
// highest numbered one. On the pool each thread raises a germ only to a higher number, so the
// threads leave what one walk in element order leaves.
template <class Rec>
struct GermJob {
  const ZelMesh *ZelMsh;
  const Rec *Arr;
  int NbrVer;
  int *Germ;
};

template <class Rec>
void raiseGerms(int first, int last, int, void *arg) {
  auto *job = static_cast<GermJob<Rec> *>(arg);
  for (int i = first; i <= last; i++) {
    const Rec &e = job->Arr[i];
    if (!(TagAtomicLoad(&e.Tag) & TAG_ALIVE)) continue;
    for (int j = 0; j < job->NbrVer; j++) {
      if (e.Ver[j] < 1 || e.Ver[j] > job->ZelMsh->MaxNbrCrd) continue;
      int *g = &job->Germ[e.Ver[j]];
      int cur = __atomic_load_n(g, __ATOMIC_RELAXED);
      while (cur < i && !__atomic_compare_exchange_n(g, &cur, i, true, __ATOMIC_RELAXED, __ATOMIC_RELAXED)) {
      }
    }
  }
}

template <class Rec>
void writeGerms(ParallelPool *pool, const ZelMesh *zelMsh, const Rec *arr, int count, int nbrVer, int *germ) {
  GermJob<Rec> job{zelMsh, arr, nbrVer, germ};
  if (count > 0) LaunchRange(count >= kPooledGerms ? pool : nullptr, count, raiseGerms<Rec>, &job);
}

template <class T>
T *zeroedArray(Memory_List *mem, size_t n, const char *array) {
  T *arr = static_cast<T *>(AllocZeroed(mem, nullptr, sizeof(T) * n, "A %s = %s IN FUNCTION %s LINE %d ", array,
                                        "sizeof(*)*(msh->MaxNbrVer+1)", "zelSetupZelMesh", __LINE__));
  if (!arr) zelAllocFailure("zelSetupZelMesh", array);
  return arr;
}

}  // namespace

int zelSetupZelMesh(Function_Interface *fi, Geometric_Mesh *msh, ZelMesh *zelMsh) {
  if (!fi || !zelMsh) {
    fprintf(stderr, "  ## ERROR: ZELINIMESH: PARAMETERS NOT ALLOCATED %p,%p \n", static_cast<void *>(msh),
            static_cast<void *>(zelMsh));
    if (fi) fi->ErrCod = ERR_BAD_HANDLE;
    return 0;
  }
  Memory_List *mem = fi->Mem;
  std::memset(zelMsh->PckBas, 0, sizeof(zelMsh->PckBas));
  if (!zelMsh->Pla) zelMsh->Pla = zelNewPlaEntity(mem);
  if (!msh) return 1;

  markMeshEdges(msh);

  if (!zelMsh->Crd) {
    zelMsh->MaxNbrCrd = msh->MaxNbrVer > 0 ? msh->MaxNbrVer : 0;
    size_t slots = static_cast<size_t>(zelMsh->MaxNbrCrd) + 1;
    zelMsh->Crd = zeroedArray<float3>(mem, slots, "zelMsh->Crd");
    zelMsh->VolGerm = zeroedArray<int>(mem, slots, "zelMsh->VolGerm");
    zelMsh->SrfGerm = zeroedArray<int>(mem, slots, "zelMsh->SrfGerm");
  }
  if (!zelMsh->Ver2Edg) zelMsh->Ver2Edg = geoGetVer2Ent(mem, msh, KmfEdges);

  ParallelPool *pool = fi->Par ? fi->Par->Pool : nullptr;
  if (msh->Tet) writeGerms(pool, zelMsh, msh->Tet, msh->NbrTet, 4, zelMsh->VolGerm);
  if (msh->Tri) writeGerms(pool, zelMsh, msh->Tri, msh->NbrTri, 3, zelMsh->SrfGerm);

  // An entity for every kind the mesh has room for, counts aside.
  for (int kind : ZelEntityOrder) {
    ZelEntity **slot = zelEntitySlot(zelMsh, kind);
    if (geoGetMaxSizeType(msh, kind) > 0 && !*slot) *slot = zelNewEntity(mem, msh, kind, 0);
  }
  zelHashAllEntity(fi, msh, zelMsh);
  return 1;
}
