// Volume neighbours: faces of every volume kind matched in hash tables.
//
// The pass may run on several threads of its own. Each thread owns the faces whose key hash
// falls in its share and keeps them in a table of its own, walking the elements in the same
// order as a single thread would: every face is handled by one thread, in element order, so the
// result does not depend on the thread count. The worker pool is not used: this pass may run
// in the background while the main thread launches its own loops on the pool, and a pool takes
// one launch at a time.
#include <climits>
#include <cstdio>
#include <system_error>
#include <thread>

#include "common/base/Clock.h"
#include "common/topology/Hash.h"
#include "common/topology/TopoInternal.h"
#include "common/topology/Topology.h"

namespace {

const int kMaxTopoThreads = 128;
// Elements handled between two looks at the stop request.
const int kStopStride = 1024;

struct VolumeFaces {
  int Kind;
  int NbrFac;
  const int *Fac;  // NbrFac rows of Stride positions
  int Stride;
  const int *Len;  // vertices of each face
  bool Remove;     // a matched tetrahedron face leaves the table
};

const int kLen3[6] = {3, 3, 3, 3, 3, 3};
const int kLen4[6] = {4, 4, 4, 4, 4, 4};
const int kPriLen[5] = {3, 3, 4, 4, 4};
const int kPyrLen[5] = {3, 3, 3, 3, 4};

// In the order the elements are walked.
const VolumeFaces kVolumes[] = {
    {VOI_TET, 4, &TetFac[0][0], 3, kLen3, true},
    {VOI_P2TET, 4, &P2TetFac[0][0], 6, kLen3, false},
    {VOI_HEX, 6, &HexFac[0][0], 4, kLen4, false},
    {VOI_P2HEX, 6, &P2HexFac[0][0], 9, kLen4, false},
    {VOI_PRI, 5, &PriFac[0][0], 4, kPriLen, false},
    {VOI_PYR, 5, &PyrFac[0][0], 4, kPyrLen, false},
};

struct SurfaceFaces {
  int Kind;
  int Len;
};
const SurfaceFaces kSurfaces[] = {{VOI_TRI, 3}, {VOI_P2TRI, 3}, {VOI_QUA, 4}, {VOI_P2QUA, 4}};

bool stopAsked(TopoArgs *a) { return __atomic_load_n(&a->Stop, __ATOMIC_RELAXED) != 0; }

// Share of the threads a face belongs to: a mix of the sum and the exclusive or of its
// vertex numbers, which does not depend on their order, so that a thread needs to sort and
// hash only the keys of its own faces. (Faces crafted to share both could only unbalance the
// shares; the table's own hash is another one.)
inline int faceShare(const int *v, int len, int nbrThr) {
  uint32_t sum = 0, x = 0;
  for (int m = 0; m < len; m++) {
    sum += static_cast<uint32_t>(v[m]);
    x ^= static_cast<uint32_t>(v[m]);
  }
  uint32_t h = sum * 0x85EBCA6Bu ^ (x * 0xC2B2AE35u + 0x27D4EB2Fu);
  h ^= h >> 15;
  return static_cast<int>(((h >> 16) * static_cast<uint32_t>(nbrThr)) >> 16);
}

int64_t faceCount(const Geometric_Mesh *msh) {
  return static_cast<int64_t>(msh->NbrTri) + msh->NbrP2Tri + msh->NbrQua + msh->NbrP2Qua +
         4 * (static_cast<int64_t>(msh->NbrTet) + msh->NbrP2Tet) +
         6 * (static_cast<int64_t>(msh->NbrHex) + msh->NbrP2Hex) +
         5 * (static_cast<int64_t>(msh->NbrPyr) + msh->NbrPri) + 1;
}

int clampInt(int64_t n) { return n < 1 ? 1 : (n > INT_MAX - 1 ? INT_MAX - 1 : static_cast<int>(n)); }

// Clears the neighbours and face marks of share t of every volume kind.
void clearShare(TopoArgs *a, int t) {
  Geometric_Mesh *msh = a->Msh;
  TopoRec r{};
  for (const VolumeFaces &v : kVolumes) {
    int64_t n = topoCount(msh, v.Kind);
    int beg = static_cast<int>(1 + n * t / a->NbrThr), end = static_cast<int>(n * (t + 1) / a->NbrThr);
    for (int i = beg; i <= end; i++) {
      if ((i & (kStopStride - 1)) == 0 && stopAsked(a)) return;
      topoRecord(msh, v.Kind, i, &r);
      if (!(TagAtomicLoad(r.Tag) & TAG_ALIVE)) continue;
      for (int f = 0; f < v.NbrFac; f++) r.Voi[f] = 0;
      __atomic_store_n(r.VoiTyp, 0u, __ATOMIC_RELAXED);
      TagAtomicAnd(r.Tag, ~TAG_BDY_FACES);
    }
  }
}

// Elements whose faces are read ahead of their matching.
const int kAhead = 16;

// The faces of one element that fall in one share: local number, sorted key and hash.
struct ElementFaces {
  int N;
  int Local[6];
  uint32_t Hash[6];
  int Key[6][4];
};

// Reads the faces of element i of a volume kind that fall in share t (none when the element
// is dead) and asks for their buckets.
void gatherFaces(TopoArgs *a, int t, const HybridHashTable *tab, const VolumeFaces &v, int i, ElementFaces *out) {
  TopoRec r{};
  topoRecord(a->Msh, v.Kind, i, &r);
  out->N = 0;
  if (!(TagAtomicLoad(r.Tag) & TAG_ALIVE)) return;
  for (int f = 0; f < v.NbrFac; f++) {
    int len = v.Len[f], *key = out->Key[out->N];
    const int *loc = v.Fac + f * v.Stride;
    for (int m = 0; m < len; m++) key[m] = r.Ver[loc[m]];
    if (faceShare(key, len, a->NbrThr) != t) continue;
    topoSortKey(key, len);
    uint32_t h = uti_HybridHashKey(len, key);
    uti_HybridHashTabPrefetch(tab, h);
    out->Local[out->N] = f;
    out->Hash[out->N++] = h;
  }
}

// Matches the faces of share t.
void matchShare(TopoArgs *a, int t) {
  Geometric_Mesh *msh = a->Msh;
  int64_t n = faceCount(msh);
  HybridHashTable *tab =
      uti_NewHybridHashTable(clampInt(n / 10 / a->NbrThr), clampInt(n / a->NbrThr));
  if (!tab) {
    __atomic_store_n(&a->Fi.ErrCod, static_cast<int>(ERR_CAPACITY), __ATOMIC_RELAXED);
    return;
  }
  TopoRec r{};
  int key[6];
  for (const SurfaceFaces &s : kSurfaces) {
    int cnt = topoCount(msh, s.Kind);
    for (int i = 1; i <= cnt; i++) {
      if ((i & (kStopStride - 1)) == 0 && stopAsked(a)) {
        uti_FreeHybridHashTable(tab);
        return;
      }
      topoRecord(msh, s.Kind, i, &r);
      if (!(TagAtomicLoad(r.Tag) & TAG_ALIVE)) continue;
      for (int m = 0; m < s.Len; m++) key[m] = r.Ver[m];
      if (faceShare(key, s.Len, a->NbrThr) != t) continue;
      topoSortKey(key, s.Len);
      uint32_t h = uti_HybridHashKey(s.Len, key);
      __atomic_store_n(r.VoiVol, 0, __ATOMIC_RELAXED);
      key[s.Len] = i;
      key[s.Len + 1] = voi_setvoibucket(0, s.Kind, 0);
      if (!uti_AddHybridHashTabKey(tab, s.Kind, h, s.Len + 2, s.Len, key))
        __atomic_store_n(&a->Fi.ErrCod, static_cast<int>(ERR_CAPACITY), __ATOMIC_RELAXED);
    }
  }
  for (const VolumeFaces &v : kVolumes) {
    int cnt = topoCount(msh, v.Kind);
    // The faces of the next elements are read kAhead elements early, and their buckets asked
    // for: the table is walked in random order, and its memory waits are then overlapped.
    ElementFaces ahead[kAhead];
    for (int i = 1; i <= cnt && i <= kAhead; i++) gatherFaces(a, t, tab, v, i, &ahead[i % kAhead]);
    for (int i = 1; i <= cnt; i++) {
      if ((i & (kStopStride - 1)) == 0 && stopAsked(a)) {
        uti_FreeHybridHashTable(tab);
        return;
      }
      ElementFaces cur = ahead[i % kAhead];
      if (i + kAhead <= cnt) gatherFaces(a, t, tab, v, i + kAhead, &ahead[i % kAhead]);
      // Half-way, the buckets asked for have come: ask for the first entry of each chain.
      if (i + kAhead / 2 <= cnt) {
        const ElementFaces &mid = ahead[(i + kAhead / 2) % kAhead];
        for (int q = 0; q < mid.N; q++) uti_HybridHashTabPrefetchEntry(tab, mid.Hash[q]);
      }
      for (int q = 0; q < cur.N; q++) {
        int f = cur.Local[q], len = v.Len[f];
        for (int m = 0; m < len; m++) key[m] = cur.Key[q][m];
        uint32_t h = cur.Hash[q];
        HybridHashEntry *e = v.Remove ? uti_HybridHashTabFindRemoveKey(tab, 0, h, len, key)
                                      : uti_HybridHashTabFindKey(tab, 0, h, len, key);
        if (!e) {
          key[len] = i;
          key[len + 1] = voi_setvoibucket(f, v.Kind, 0);
          if (!uti_AddHybridHashTabKey(tab, v.Kind, h, len + 2, len, key))
            __atomic_store_n(&a->Fi.ErrCod, static_cast<int>(ERR_CAPACITY), __ATOMIC_RELAXED);
          continue;
        }
        int other = e->Itm[len], bucket = voi_setvoifac(msh, i, f, v.Kind, other, e->Itm[len + 1], 1);
        if (!v.Remove) {
          e->Itm[len + 1] = bucket;
          continue;
        }
        // A surface element stays in the table: every volume element on that face is covered
        // by it, not only the first one met.
        int stored;
        voi_getvoibucket(bucket, nullptr, &stored, nullptr);
        if (VoiIsSurface(stored)) {
          key[len] = other;
          key[len + 1] = bucket;
          uti_AddHybridHashTabKey(tab, stored, h, len + 2, len, key);
        }
      }
    }
  }
  uti_FreeHybridHashTable(tab);
}

// Runs step(a, t) for every share t, on threads of its own beyond the first.
void runShares(TopoArgs *a, void (*step)(TopoArgs *, int)) {
  std::thread thr[kMaxTopoThreads];
  bool started[kMaxTopoThreads] = {};
  for (int t = 1; t < a->NbrThr; t++) {
    try {
      thr[t] = std::thread(step, a, t);
      started[t] = true;
    } catch (const std::system_error &) {
      // No thread left: this one takes the share after its own.
    }
  }
  step(a, 0);
  for (int t = 1; t < a->NbrThr; t++) {
    if (started[t])
      thr[t].join();
    else
      step(a, t);
  }
}

}  // namespace

void *geoNewtopo(void *args) {
  auto *a = static_cast<TopoArgs *>(args);
  if (!a || !a->Msh) return nullptr;
  double t0 = GetWallClock();
  a->Fi.ErrCod = 0;
  if (a->NbrThr < 1) a->NbrThr = 1;
  if (a->NbrThr > kMaxTopoThreads) a->NbrThr = kMaxTopoThreads;
  runShares(a, clearShare);
  if (!stopAsked(a)) runShares(a, matchShare);
  if (stopAsked(a)) return nullptr;
  TopoDoneStore(a->Msh, 1);
  printf("  Cpu time to compute the mesh topology :    %lg (s)\n", GetWallClock() - t0);
  return nullptr;
}
