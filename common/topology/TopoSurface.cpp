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

// The pass's own arrays. A part's edges are matched from their places alone, and the
// neighbour found across each is written back to its place, so that matching touches no
// element record (the records of a part's edges lie anywhere in the mesh); the records get
// their neighbours once all parts are done, each thread walking its own elements.
template <class Code>
struct EdgePlan : Plan<Code> {
  // The sorted vertices of the edge at each place, two ints. Once the edge's part has met it,
  // the first one holds the neighbour across it instead (and its kind from bit kKindShift
  // when Packed): a place is only written back after its own edge was read.
  int *Keys = nullptr;
  Code *Pos = nullptr;         // the place of each edge of every element, by edge index
  uint8_t *ResKind = nullptr;  // the kind of the neighbour at each place when not Packed
};

template <class Code>
inline void setResult(EdgePlan<Code> *p, int64_t k, int n, int kind) {
  if (p->Packed) {
    p->Keys[2 * k] = n | (kind << kKindShift);
    return;
  }
  p->Keys[2 * k] = n;
  p->ResKind[k] = static_cast<uint8_t>(kind);
}

// Writes every edge of slice t into the run of its part: the place holds its walk code and
// its sorted vertices, and the element its place.
template <class Code>
void placeEdges(Plan<Code> *plan, int t) {
  auto *p = static_cast<EdgePlan<Code> *>(plan);
  int64_t *next = &p->Next[static_cast<size_t>(t) * p->NbrParts];
  p->forSlice(t, [&](int r, int64_t i, int64_t g) {
    const WalkKind &w = kWalk[r];
    const int *ver = p->View[r].ver(i);
    Code *pos = p->Pos + p->FacBase[r] + (i - 1) * w.NbrFac;
    for (int f = 0; f < w.NbrFac; f++) {
      const int *loc = w.Fac + f * w.Stride;
      int key[2] = {ver[loc[0]], ver[loc[1]]};
      topoSortKey(key, 2);
      int64_t k = next[p->partOf(key, 2, p->fineOf(key, 2))]++;
      p->Rec[k] = static_cast<Code>(g * 8 + f);
      p->Keys[2 * k] = key[0];
      p->Keys[2 * k + 1] = key[1];
      pos[f] = static_cast<Code>(k);
    }
  });
}

// Matches the edges of one part in walk order, as one table walking every element would: the
// first element of an edge ends up linked to the last one met, every other one to the first.
// The edges met by a third triangle go to the thread's events.
template <class Code>
bool matchEdges(Plan<Code> *plan, HybridHashTable *tab, int64_t beg, int64_t end, int t) {
  auto *p = static_cast<EdgePlan<Code> *>(plan);
  int r = 0;
  for (int64_t k = beg; k < end; k++) {
    if (((k - beg) & (kStopStride - 1)) == 0 && stopAsked(p->A)) return false;
    int64_t g = static_cast<int64_t>(p->Rec[k] >> 3);
    int f = static_cast<int>(p->Rec[k] & 7);
    r = rankFrom(p, r, g);
    const WalkKind &w = kWalk[r];
    int i = static_cast<int>(g - p->Start[r] + 1);
    int itm[5] = {p->Keys[2 * k], p->Keys[2 * k + 1], 0, 0, 0};
    uint32_t h = uti_HybridHashTabKey(tab, 2, itm);
    HybridHashEntry *e = uti_HybridHashTabFindKey(tab, 0, h, 2, itm);
    if (!e) {
      setResult(p, k, 0, 0);
      itm[2] = i;
      itm[3] = voi_setvoibucket(f, w.Kind, 0);
      itm[4] = static_cast<int>(k - beg);
      if (!uti_AddHybridHashTabKey(tab, w.Kind, h, 5, 2, itm)) failCapacity(p->A);
      continue;
    }
    int oLoc, oKind, count;
    voi_getvoibucket(e->Itm[3], &oLoc, &oKind, &count);
    setResult(p, k, e->Itm[2], oKind);
    setResult(p, beg + e->Itm[4], i, w.Kind);
    e->Itm[3] = voi_setvoibucket(oLoc, oKind, ++count);
    // A third element on the edge; the count stops at 15, so this happens once per edge.
    if (count == 2 && (w.Kind == VOI_TRI || w.Kind == VOI_P2TRI)) {
      const int *loc = w.Fac + f * w.Stride;
      p->Events[t].push_back({static_cast<uint64_t>(g) * 8 + static_cast<uint64_t>(f),
                              {itm[0], itm[1], w.Stride > 2 ? p->View[r].ver(i)[loc[2]] : 0}});
    }
  }
  return true;
}

// Gives every alive element of slice t the neighbours found across its edges, and their kinds.
template <class Code>
void packEdges(Plan<Code> *plan, int t) {
  auto *p = static_cast<EdgePlan<Code> *>(plan);
  p->forSlice(t, [&](int r, int64_t i, int64_t) {
    const WalkKind &w = kWalk[r];
    const KindView &v = p->View[r];
    const Code *pos = p->Pos + p->FacBase[r] + (i - 1) * w.NbrFac;
    int *voi = v.voi(i);
    uint32_t word = 0;
    for (int f = 0; f < w.NbrFac; f++) {
      int64_t k = static_cast<int64_t>(pos[f]);
      int n = p->Keys[2 * k], kind;
      if (p->Packed) {
        kind = static_cast<int>(static_cast<uint32_t>(n) >> kKindShift);
        n &= (1 << kKindShift) - 1;
      } else {
        kind = p->ResKind[k];
      }
      voi[f] = n;
      word = VoiTypSet(word, f, kind);
    }
    __atomic_store_n(v.typ(i), word, __ATOMIC_RELAXED);
  });
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
  EdgePlan<Code> p{};
  p.A = a;
  p.NbrThr = nbrThr;
  p.Walk = kWalk;
  p.NbrWalk = kNbrWalk;
  p.FirstLinked = 0;
  p.Volume = false;
  p.Packed = !KindsApartAsked();
  int64_t keys, linkedKeys;
  if (prepareWalk<Code>(&p, &keys, &linkedKeys)) {
    size_t n = static_cast<size_t>(keys > 0 ? keys : 1);
    p.Keys = static_cast<int *>(MEM_ALLOC(nullptr, p.Keys, 2 * sizeof(int) * n));
    p.Pos = static_cast<Code *>(MEM_ALLOC(nullptr, p.Pos, sizeof(Code) * n));
    if (!p.Packed) p.ResKind = static_cast<uint8_t *>(MEM_ALLOC(nullptr, p.ResKind, n));
    if (!p.Keys || !p.Pos || (!p.Packed && !p.ResKind)) {
      failCapacity(a);
    } else {
      runSteps<Code, placeEdges<Code>, matchEdges<Code>, packEdges<Code>>(&p, keys);
    }
  }
  for (void *arr : {static_cast<void *>(p.Rec), static_cast<void *>(p.Keys), static_cast<void *>(p.Pos),
                    static_cast<void *>(p.ResKind)})
    if (arr) MEM_FREE(nullptr, arr);
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
