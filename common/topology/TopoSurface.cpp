// Surface neighbours: the edges of triangles, quadrilaterals and their second-order forms
// matched part by part on several threads (TopoParts.h), as one table walking every element
// (triangles, then P2 triangles, quadrilaterals, Q2 quadrilaterals, each kind in element
// order) would match them: on an edge of more than two elements the first is linked to the
// last one met and every other to the first. An edge met by a third triangle becomes (or
// marks) a boundary edge; those edges are taken in that walk's order once the threads are
// done, so that the boundary edges added are numbered as that walk numbers them.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/pool/MthParallel.h"
#include "common/pool/Parallel.h"
#include "common/topology/Hash.h"
#include "common/topology/TopoInternal.h"
#include "common/topology/TopoParts.h"
#include "common/topology/Topology.h"

namespace {

using namespace topoparts;

// Below this many surface elements the pass runs on one thread: starting more costs more than
// it saves.
const int kMinParallelSurfaces = 20000;

const int kLen2[4] = {2, 2, 2, 2};

// The edges of every kind, in walk order; the third position of a second-order edge is its
// mid-node.
const WalkKind kWalk[] = {
    {VOI_TRI, 3, &TriEdg[0][0], 2, kLen2, false},
    {VOI_P2TRI, 3, &P2TriEdg[0][0], 3, kLen2, false},
    {VOI_QUA, 4, &QuaEdg[0][0], 2, kLen2, false},
    {VOI_P2QUA, 4, &P2QuaEdg[0][0], 3, kLen2, false},
};
const int kNbrWalk = static_cast<int>(sizeof(kWalk) / sizeof(kWalk[0]));

// Matches the edges of one part, in walk order; the edges met by a third triangle go to the
// thread's events.
template <class Code>
bool matchEdges(Plan<Code> *p, HybridHashTable *tab, int64_t beg, int64_t end, int t) {
  int ahead = 0, r = 0;
  Deferred stored;
  for (int64_t k = beg; k < end; k++) {
    prefetchAhead(p, k, end, &ahead);
    if (((k - beg) & (kStopStride - 1)) == 0 && stopAsked(p->A)) {
      flushStored(p, &stored);
      return false;
    }
    int64_t g = static_cast<int64_t>(p->Rec[k] >> 3);
    int f = static_cast<int>(p->Rec[k] & 7);
    r = rankFrom(p, r, g);
    const WalkKind &w = kWalk[r];
    int64_t i = g - p->Start[r] + 1;
    const int *ver = p->View[r].ver(i), *loc = w.Fac + f * w.Stride;
    int key[4] = {ver[loc[0]], ver[loc[1]], 0, 0};
    topoSortKey(key, 2);
    uint32_t h = uti_HybridHashTabKey(tab, 2, key);
    HybridHashEntry *e = uti_HybridHashTabFindKey(tab, 0, h, 2, key);
    if (!e) {
      setFace(p, r, i, f, 0, 0);
      key[2] = static_cast<int>(i);
      key[3] = voi_setvoibucket(f, w.Kind, 0);
      if (!uti_AddHybridHashTabKey(tab, w.Kind, h, 4, 2, key)) failCapacity(p->A);
      continue;
    }
    int bucket = linkFace(p, &stored, r, i, f, e->Itm[2], e->Itm[3]), count;
    e->Itm[3] = bucket;
    voi_getvoibucket(bucket, nullptr, nullptr, &count);
    // A third element on the edge; the count stops at 15, so this happens once per edge.
    if (count == 2 && (w.Kind == VOI_TRI || w.Kind == VOI_P2TRI))
      p->Events[t].push_back({static_cast<uint64_t>(g) * 8 + static_cast<uint64_t>(f),
                              {key[0], key[1], w.Stride > 2 ? ver[loc[2]] : 0}});
  }
  flushStored(p, &stored);
  return true;
}

// Enters the alive edges 1..n of one boundary-edge kind under their sorted vertex pair.
template <class E>
void enterBoundaryEdges(HybridHashTable *tab, const E *arr, int n, int kind) {
  for (int i = 1; i <= n; i++) {
    const E &e = arr[i];
    if (!(e.Tag & TAG_ALIVE)) continue;
    int itm[3] = {e.Ver[0], e.Ver[1], i};
    topoSortKey(itm, 2);
    uti_AddHybridHashTab(tab, kind, 3, 2, itm);
  }
}

// Boundary edges and P2 boundary edges under their sorted vertex pair; the payload is the
// edge number.
HybridHashTable *boundaryEdgeTable(Geometric_Mesh *msh) {
  int64_t n = (static_cast<int64_t>(msh->NbrEfr) + msh->NbrP2Efr) * 3 + 1;
  int siz = n > INT_MAX - 1 ? INT_MAX - 1 : static_cast<int>(n);
  HybridHashTable *tab = uti_NewHybridHashTable(siz, siz);
  if (!tab) return nullptr;
  enterBoundaryEdges(tab, msh->Efr, msh->NbrEfr, VOI_EFR);
  enterBoundaryEdges(tab, msh->P2Efr, msh->NbrP2Efr, VOI_P2EFR);
  return tab;
}

template <class Code>
void surfacePass(TopoArgs *a, int nbrThr) {
  Plan<Code> p{};
  p.A = a;
  p.NbrThr = nbrThr;
  p.Walk = kWalk;
  p.NbrWalk = kNbrWalk;
  p.FirstLinked = 0;
  p.Volume = false;
  p.Packed = !KindsApartAsked();
  runWalk<Code, matchEdges<Code>>(&p);
  if (stopAsked(a)) return;

  // The edges met by a third triangle, in the order one walk meets them.
  std::vector<Event> events;
  for (int t = 0; t < nbrThr; t++) events.insert(events.end(), p.Events[t].begin(), p.Events[t].end());
  if (events.empty()) return;
  std::sort(events.begin(), events.end(), [](const Event &x, const Event &y) { return x.Code < y.Code; });
  HybridHashTable *efrTab = boundaryEdgeTable(a->Msh);
  if (!efrTab) {
    failCapacity(a);
    return;
  }
  int r = 0;
  for (const Event &e : events) {
    r = rankFrom(&p, r, static_cast<int64_t>(e.Code >> 3));
    voi_addnmedge(&a->Fi, a->Msh, efrTab, kWalk[r].Kind, e.Ver);
  }
  uti_FreeHybridHashTable(efrTab);
}

}  // namespace

void *geoNewtopoSrf(void *args) {
  auto *a = static_cast<TopoArgs *>(args);
  if (!a || !a->Msh) return nullptr;
  const Geometric_Mesh *m = a->Msh;
  int64_t n = 0;
  for (const WalkKind &w : kWalk) n += topoCount(m, w.Kind) > 0 ? topoCount(m, w.Kind) : 0;
  if (n == 0) return nullptr;
  int nbrThr = 1;
  if (n >= kMinParallelSurfaces && a->Fi.Par && a->Fi.Par->Pool)
    nbrThr = std::min(std::max(a->Fi.Par->Pool->NbrCpu, 1), kMaxTopoThreads);
  if (walkFits32(m, kWalk, kNbrWalk))
    surfacePass<uint32_t>(a, nbrThr);
  else
    surfacePass<uint64_t>(a, nbrThr);
  return nullptr;
}
