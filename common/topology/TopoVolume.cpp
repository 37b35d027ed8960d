// Volume neighbours: the faces of every volume kind matched part by part on several threads
// (TopoParts.h), every surface element entered before them as one face (its corners). The
// neighbours do not depend on the thread count, the parts or the tables' salts.
#include <cstdint>
#include <cstdio>

#include "common/base/Clock.h"
#include "common/topology/Hash.h"
#include "common/topology/TopoInternal.h"
#include "common/topology/TopoParts.h"
#include "common/topology/Topology.h"

namespace {

using namespace topoparts;

const int kLen3[6] = {3, 3, 3, 3, 3, 3};
const int kLen4[6] = {4, 4, 4, 4, 4, 4};
const int kPriLen[5] = {3, 3, 4, 4, 4};
const int kPyrLen[5] = {3, 3, 3, 3, 4};
const int kCorners[4] = {0, 1, 2, 3};

// One kind of the walk, in walk order: the surface kinds are entered, the volume kinds matched.
const WalkKind kWalk[] = {
    {VOI_TRI, 1, kCorners, 4, kLen3, false},
    {VOI_P2TRI, 1, kCorners, 4, kLen3, false},
    {VOI_QUA, 1, kCorners, 4, kLen4, false},
    {VOI_P2QUA, 1, kCorners, 4, kLen4, false},
    {VOI_TET, 4, &TetFac[0][0], 3, kLen3, true},
    {VOI_P2TET, 4, &P2TetFac[0][0], 6, kLen3, false},
    {VOI_HEX, 6, &HexFac[0][0], 4, kLen4, false},
    {VOI_P2HEX, 6, &P2HexFac[0][0], 9, kLen4, false},
    {VOI_PRI, 5, &PriFac[0][0], 4, kPriLen, false},
    {VOI_PYR, 5, &PyrFac[0][0], 4, kPyrLen, false},
};
const int kNbrWalk = static_cast<int>(sizeof(kWalk) / sizeof(kWalk[0]));
const int kFirstVolume = 4;  // walk rank of the first volume kind

// Set by tests: the kinds always go to the side array, as for the largest meshes.
int kindsApart = 0;

// Matches the faces of one part, in walk order.
template <class Code>
bool matchFaces(Plan<Code> *p, HybridHashTable *tab, int64_t beg, int64_t end, int) {
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
    int len = w.Len[f], key[6];
    keyVertices(w, p->View[r].ver(i), f, key);
    topoSortKey(key, len);
    uint32_t h = uti_HybridHashTabKey(tab, len, key);
    HybridHashEntry *e = r < kFirstVolume ? nullptr
                         : w.Remove       ? uti_HybridHashTabFindRemoveKey(tab, 0, h, len, key)
                                          : uti_HybridHashTabFindKey(tab, 0, h, len, key);
    if (!e) {
      key[len] = static_cast<int>(i);
      key[len + 1] = voi_setvoibucket(f, w.Kind, 0);
      if (!uti_AddHybridHashTabKey(tab, w.Kind, h, len + 2, len, key)) failCapacity(p->A);
      continue;
    }
    int other = e->Itm[len], bucket = linkFace(p, &stored, r, i, f, other, e->Itm[len + 1]);
    if (!w.Remove) {
      e->Itm[len + 1] = bucket;
      continue;
    }
    // A surface element stays in the table: every volume element on that face is covered by
    // it, not only the first one met.
    int storedKind;
    voi_getvoibucket(bucket, nullptr, &storedKind, nullptr);
    if (VoiIsSurface(storedKind)) {
      key[len] = other;
      key[len + 1] = bucket;
      if (!uti_AddHybridHashTabKey(tab, storedKind, h, len + 2, len, key)) failCapacity(p->A);
    }
  }
  flushStored(p, &stored);
  return true;
}

template <class Code>
void volumePass(TopoArgs *a) {
  Plan<Code> p{};
  p.A = a;
  p.NbrThr = a->NbrThr;
  p.Walk = kWalk;
  p.NbrWalk = kNbrWalk;
  p.FirstLinked = kFirstVolume;
  p.Volume = true;
  p.Packed = !KindsApartAsked();
  runWalk<Code, matchFaces<Code>>(&p);
}

// Whether the mesh has elements of a volume kind.
bool hasVolumes(const Geometric_Mesh *m) {
  for (int r = kFirstVolume; r < kNbrWalk; r++)
    if (topoCount(m, kWalk[r].Kind) > 0) return true;
  return false;
}

}  // namespace

void TopoKeepKindsApart(int on) { __atomic_store_n(&kindsApart, on ? 1 : 0, __ATOMIC_RELAXED); }
bool topoparts::KindsApartAsked() { return __atomic_load_n(&kindsApart, __ATOMIC_RELAXED) != 0; }

void *geoNewtopo(void *args) {
  auto *a = static_cast<TopoArgs *>(args);
  if (!a || !a->Msh) return nullptr;
  double t0 = GetWallClock();
  a->Fi.ErrCod = 0;
  if (a->NbrThr < 1) a->NbrThr = 1;
  if (a->NbrThr > kMaxTopoThreads) a->NbrThr = kMaxTopoThreads;
  // Without volume elements there is nothing to match: the surface pass has already cleared
  // the volume neighbours of the surface elements.
  if (hasVolumes(a->Msh)) {
    if (walkFits32(a->Msh, kWalk, kNbrWalk))
      volumePass<uint32_t>(a);
    else
      volumePass<uint64_t>(a);
  }
  if (stopAsked(a)) return nullptr;
  // Said before the mesh is marked done: whoever waits for the mark finds the line written,
  // not racing with what it prints next.
  printf("  Cpu time to compute the mesh topology :    %lg (s)\n", GetWallClock() - t0);
  fflush(stdout);
  TopoDoneStore(a->Msh, 1);
  return nullptr;
}
