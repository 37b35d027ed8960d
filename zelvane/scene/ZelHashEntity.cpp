// Grouping the elements of every entity by reference.
//
// Each alive element joins the group of its reference at the end of the group's chain, so a
// chain lists its elements in element order. Groups are found through a scratch map, one
// lookup per element whatever the number of references; the entity's reference hash gets one
// entry per group. All but vertices and normals then have their groups sorted by reference.
// A large entity with few references is grouped on the worker pool: runs of elements find
// their references, which give every group its final number at once, then each run chains its
// own elements and the runs' chains are joined end to end, as one walk would chain them.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/base/Clock.h"
#include "common/base/FunctionInterface.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/pool/Parallel.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelHybridHash.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScratchMap.h"

namespace {

const int kHashOrder[14] = {KmfVertices,     KmfEdges,           KmfEdgesP2,          KmfTriangles,
                            KmfTrianglesP2,  KmfQuadrilaterals,  KmfQuadrilateralsQ2, KmfTetrahedra,
                            KmfTetrahedraP2, KmfPyramids,        KmfPrisms,           KmfHexahedra,
                            KmfHexahedraQ2,  KmfNormalAtVertices};

uint64_t refKey(int ref) { return static_cast<uint32_t>(ref); }

// Adds the alive elements of the kind (every normal) to a freshly emptied entity.
void groupElements(Memory_List *mem, Geometric_Mesh *msh, int kind, ZelEntity *ent) {
  ZelElems el = zelElems(msh, kind);
  if (!el.exists()) return;
  // Elements beyond what the entity was sized for wait for zelReAllocEntity.
  int count = std::min({el.Count, ent->MaxNbrDep, ent->MaxNbrLnk});
  ZelScratchMap groups;
  int lastRef = 0, lastGrp = 0;
  for (int i = 1; i <= count; i++) {
    if (el.TagOff >= 0 && !(TagAtomicLoad(el.tag(i)) & TAG_ALIVE)) continue;
    int ref = el.ref(i);
    // Neighbouring elements mostly share their reference.
    int d = (lastGrp && ref == lastRef) ? lastGrp : groups.insert(refKey(ref), ent->NbrDep + 1);
    if (d > ent->NbrDep) {
      ent->NbrDep = d;
      ent->Dep[d] = {i, i, ref};
      const int pair[2] = {ref, d};
      if (!geoAddHybridHash(mem, ent->HshRef, pair)) zelAllocFailure("zelHashAllEntity", "HshRef");
    } else {
      ent->Lnk[ent->Dep[d].Lst].Nxt = i;
      ent->Dep[d].Lst = i;
    }
    ent->Lnk[i].Grp = d;
    ent->Lnk[i].Nxt = 0;
    lastRef = ref;
    lastGrp = d;
  }
}

// Sorts the groups by reference and renumbers the links and the hash accordingly.
void sortGroups(ZelEntity *ent) {
  int n = ent->NbrDep;
  if (n < 2) return;
  std::sort(ent->Dep + 1, ent->Dep + n + 1, [](const ZelDep &a, const ZelDep &b) { return a.Ref < b.Ref; });
  std::vector<int> newIndex(static_cast<size_t>(n) + 1, 0);
  for (int g = 1; g <= n; g++) newIndex[ent->Lnk[ent->Dep[g].Fst].Grp] = g;
  for (int g = 1; g <= n; g++)
    for (int e = ent->Dep[g].Fst; e; e = ent->Lnk[e].Nxt) ent->Lnk[e].Grp = g;
  GeoHybridHashTable *tab = ent->HshRef;
  for (int b = 0; b < tab->MaxSiz; b++)
    for (GeoHybridHashBucket *c = tab->Head[b]; c; c = c->Nxt) c->Val = newIndex[c->Val];
}

// Elements from which an entity is grouped on the pool, and the references it may then have.
const int kPooledElements = 1 << 16;
const int kPooledGroups = 4096;
const int kRuns = 64;

struct PooledGrouping {
  ZelElems El;
  ZelEntity *Ent;
  int Count;
  int64_t Run[kRuns + 1];                 // first element of each run, then the end
  std::vector<std::vector<int>> Refs;     // references of each run, in order of first appearance
  ZelScratchMap Final;                    // reference -> group number
  std::vector<int> First, Last;           // run x group: its first and last element, 0 for none
  int NbrGrp = 0;
  bool TooMany = false;                   // a run met more references than the pool takes

  bool alive(int i) const { return El.TagOff < 0 || (TagAtomicLoad(El.tag(i)) & TAG_ALIVE); }
};

void findRefs(int first, int last, int, void *arg) {
  auto *g = static_cast<PooledGrouping *>(arg);
  for (int r = first - 1; r < last; r++) {
    ZelScratchMap seen;
    std::vector<int> &refs = g->Refs[static_cast<size_t>(r)];
    int lastRef = 0;
    for (int64_t i = g->Run[r] + 1; i <= g->Run[r + 1]; i++) {
      if (!g->alive(static_cast<int>(i))) continue;
      int ref = g->El.ref(static_cast<int>(i));
      if (!refs.empty() && ref == lastRef) continue;
      lastRef = ref;
      if (seen.insert(refKey(ref), static_cast<int>(refs.size())) == static_cast<int>(refs.size())) {
        if (static_cast<int>(refs.size()) >= kPooledGroups) {
          __atomic_store_n(&g->TooMany, true, __ATOMIC_RELAXED);
          return;
        }
        refs.push_back(ref);
      }
    }
  }
}

void chainRuns(int first, int last, int, void *arg) {
  auto *g = static_cast<PooledGrouping *>(arg);
  ZelLink *lnk = g->Ent->Lnk;
  for (int r = first - 1; r < last; r++) {
    // Group d of this run at [d - 1].
    int *head = g->First.data() + static_cast<size_t>(r) * g->NbrGrp;
    int *tail = g->Last.data() + static_cast<size_t>(r) * g->NbrGrp;
    int lastRef = 0, d = 0;
    for (int64_t k = g->Run[r] + 1; k <= g->Run[r + 1]; k++) {
      const int i = static_cast<int>(k);
      if (!g->alive(i)) continue;
      int ref = g->El.ref(i);
      if (!d || ref != lastRef) d = *g->Final.find(refKey(ref));
      lastRef = ref;
      if (tail[d - 1])
        lnk[tail[d - 1]].Nxt = i;
      else
        head[d - 1] = i;
      tail[d - 1] = i;
      lnk[i].Grp = d;
      lnk[i].Nxt = 0;
    }
  }
}

// Groups a freshly emptied entity on the pool; false (nothing changed) when its elements carry
// more references than the pool's way takes.
bool groupOnPool(ParallelPool *pool, Memory_List *mem, Geometric_Mesh *msh, int kind, ZelEntity *ent, int count) {
  PooledGrouping g;
  g.El = zelElems(msh, kind);
  g.Ent = ent;
  g.Count = count;
  for (int r = 0; r <= kRuns; r++) g.Run[r] = static_cast<int64_t>(count) * r / kRuns;
  g.Refs.resize(kRuns);
  LaunchRange(pool, kRuns, findRefs, &g);
  if (g.TooMany) return false;
  // Groups in order of first appearance, then sorted by reference for all but vertices and
  // normals, as the serial walk numbers them.
  std::vector<int> order;
  ZelScratchMap seen;
  for (const std::vector<int> &refs : g.Refs)
    for (int ref : refs)
      if (seen.insert(refKey(ref), static_cast<int>(order.size())) == static_cast<int>(order.size())) order.push_back(ref);
  if (static_cast<int>(order.size()) > kPooledGroups) return false;
  std::vector<int> sorted = order;
  if (kind != KmfVertices && kind != KmfNormalAtVertices) std::sort(sorted.begin(), sorted.end());
  g.NbrGrp = static_cast<int>(sorted.size());
  for (int d = 1; d <= g.NbrGrp; d++) g.Final.insert(refKey(sorted[static_cast<size_t>(d - 1)]), d);
  g.First.assign(static_cast<size_t>(kRuns) * g.NbrGrp, 0);
  g.Last.assign(static_cast<size_t>(kRuns) * g.NbrGrp, 0);
  LaunchRange(pool, kRuns, chainRuns, &g);
  // The runs' chains of each group, joined in run order.
  ent->NbrDep = g.NbrGrp;
  for (int d = 1; d <= g.NbrGrp; d++) {
    int tail = 0;
    for (int r = 0; r < kRuns; r++) {
      int head = g.First[static_cast<size_t>(r) * g.NbrGrp + d - 1];
      if (!head) continue;
      if (tail)
        ent->Lnk[tail].Nxt = head;
      else
        ent->Dep[d].Fst = head;
      tail = g.Last[static_cast<size_t>(r) * g.NbrGrp + d - 1];
    }
    ent->Dep[d].Lst = tail;
    ent->Dep[d].Ref = sorted[static_cast<size_t>(d - 1)];
  }
  // The reference hash gets its pairs in order of first appearance, as the walk adds them.
  for (int ref : order) {
    const int pair[2] = {ref, *g.Final.find(refKey(ref))};
    if (!geoAddHybridHash(mem, ent->HshRef, pair)) zelAllocFailure("zelHashAllEntity", "HshRef");
  }
  return true;
}

// Empties an entity's groups before grouping again.
void clearGroups(Memory_List *mem, ZelEntity *ent) {
  if (ent->NbrDep == 0 && ent->HshRef && ent->HshRef->NbrEnt == 0) return;
  for (int d = 1; d <= ent->NbrDep; d++)
    for (int e = ent->Dep[d].Fst; e;) {
      int nxt = ent->Lnk[e].Nxt;
      ent->Lnk[e].Grp = ent->Lnk[e].Nxt = 0;
      e = nxt;
    }
  ent->NbrDep = 0;
  geoFreeHybridHashTable(mem, ent->HshRef);
  ent->HshRef = geoNewHybridHashTable(mem, ZelHashBuckets, ZelHashEntityCells);
  if (!ent->HshRef) zelAllocFailure("zelHashAllEntity", "HshRef");
}

}  // namespace

int zelHashAllEntity(Function_Interface *fi, Geometric_Mesh *msh, ZelMesh *zelMsh) {
  if (!fi || !msh || !zelMsh) return 0;
  Memory_List *mem = fi->Mem;
  ParallelPool *pool = fi->Par ? fi->Par->Pool : nullptr;
  double t0 = GetWallClock();
  for (int kind : kHashOrder) {
    ZelEntity *ent = zelGetEntity(zelMsh, kind);
    if (!ent || !ent->Dep || !ent->Lnk) continue;
    clearGroups(mem, ent);
    ZelElems el = zelElems(msh, kind);
    int count = el.exists() ? std::min({el.Count, ent->MaxNbrDep, ent->MaxNbrLnk}) : 0;
    if (pool && pool->NbrCpu > 1 && count >= kPooledElements && groupOnPool(pool, mem, msh, kind, ent, count))
      continue;
    groupElements(mem, msh, kind, ent);
    if (kind != KmfVertices && kind != KmfNormalAtVertices) sortGroups(ent);
  }
  printf("  Cpu Time to hash entities       %lg (s)\n", GetWallClock() - t0);
  return 1;
}
