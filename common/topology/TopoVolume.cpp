// Volume neighbours: faces of every volume kind matched in hash tables.
//
// Every face (a surface element is one face, its corners) goes to one of many parts by its
// smallest vertex number, so that all the faces of one key meet in one part, and a part holds
// the faces of a run of vertex numbers: in a mesh numbered with some order in space, elements
// close in number. The pass runs in four steps, each shared by its threads:
//   1. each thread takes a slice of the elements in walk order (the surface kinds, then the
//      volume kinds, each kind in element order), clears their neighbours and counts the faces
//      of its slice on each of many fine runs of vertex numbers; consecutive fine runs are then
//      gathered into parts of about the same number of faces;
//   2. the counts give every (part, thread) its run of places, and each thread writes the faces
//      of its slice into the runs of their parts: a part then lists its faces in walk order;
//   3. the threads take the parts one by one and match each in a small hash table of their own,
//      exactly as one table walking every element would (the faces of a key are all in the
//      part, in walk order). A part's table stays in the processor's cache however the mesh
//      is numbered, and the elements of its faces are asked for ahead of their matching. The
//      kind of each face's neighbour rides in the top bits of the face's neighbour slot (in a
//      side array of one byte a face when element numbers need those bits), so that threads
//      never write one word at once;
//   4. each thread moves the kinds of the faces of its volume elements into their kind words
//      and marks their faces covered by a surface element.
// The neighbours do not depend on the thread count, the parts or the tables' salts.
//
// The worker pool is not used: this pass may run in the background while the main thread
// launches its own loops on the pool, and a pool takes one launch at a time.
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "common/base/Clock.h"
#include "common/base/Memory.h"
#include "common/topology/Hash.h"
#include "common/topology/TopoInternal.h"
#include "common/topology/Topology.h"

namespace {

const int kMaxTopoThreads = 128;
// Elements or faces handled between two looks at the stop request.
const int kStopStride = 1024;
// Faces a part is cut for: its table stays in a core's own cache.
const int64_t kPartFaces = 16384;
// Fine runs of vertex numbers counted, at most.
const int kMaxFine = 1 << 15;
// Faces of a part whose element is asked for ahead of its matching.
const int kAhead = 16;
// A neighbour slot carries its kind in the bits from this one while the faces are matched,
// when every element number of the mesh fits below them.
const int kKindShift = 27;

const int kLen3[6] = {3, 3, 3, 3, 3, 3};
const int kLen4[6] = {4, 4, 4, 4, 4, 4};
const int kPriLen[5] = {3, 3, 4, 4, 4};
const int kPyrLen[5] = {3, 3, 3, 3, 4};
const int kCorners[4] = {0, 1, 2, 3};

// One kind of the walk, in walk order: the surface kinds are entered, the volume kinds matched.
struct WalkKind {
  int Kind;
  int NbrFac;
  const int *Fac;  // NbrFac rows of Stride positions
  int Stride;
  const int *Len;  // vertices of each face
  bool Remove;     // a matched tetrahedron face leaves the table
};
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

// The records of one kind as bytes: element i's fields at Base + i * Size.
struct KindView {
  char *Base = nullptr;
  size_t Size = 0;
  size_t Ver = 0, Voi = 0, Typ = 0, Tag = 0;
  ptrdiff_t Vol = -1;  // surface kinds only
  char *at(int64_t i) const { return Base + static_cast<size_t>(i) * Size; }
  const int *ver(int64_t i) const { return reinterpret_cast<const int *>(at(i) + Ver); }
  int *voi(int64_t i) const { return reinterpret_cast<int *>(at(i) + Voi); }
  uint32_t *typ(int64_t i) const { return reinterpret_cast<uint32_t *>(at(i) + Typ); }
  uint32_t *tag(int64_t i) const { return reinterpret_cast<uint32_t *>(at(i) + Tag); }
  int *vol(int64_t i) const { return reinterpret_cast<int *>(at(i) + Vol); }
};

template <class Rec>
KindView viewOf(Rec *arr) {
  KindView v;
  if (!arr) return v;
  v.Base = reinterpret_cast<char *>(arr);
  v.Size = sizeof(Rec);
  v.Ver = offsetof(Rec, Ver);
  v.Voi = offsetof(Rec, Voi);
  v.Typ = offsetof(Rec, VoiTyp);
  v.Tag = offsetof(Rec, Tag);
  return v;
}
template <class Rec>
KindView surfaceViewOf(Rec *arr) {
  KindView v = viewOf(arr);
  v.Vol = static_cast<ptrdiff_t>(offsetof(Rec, VoiVol));
  return v;
}

// The view of a walk kind, and its count (0 when the mesh has no array of it).
KindView kindView(Geometric_Mesh *m, int kind, int64_t *count) {
  *count = topoCount(m, kind);
  KindView v;
  switch (kind) {
    case VOI_TRI: v = surfaceViewOf(m->Tri); break;
    case VOI_P2TRI: v = surfaceViewOf(m->P2Tri); break;
    case VOI_QUA: v = surfaceViewOf(m->Qua); break;
    case VOI_P2QUA: v = surfaceViewOf(m->P2Qua); break;
    case VOI_TET: v = viewOf(m->Tet); break;
    case VOI_P2TET: v = viewOf(m->P2Tet); break;
    case VOI_HEX: v = viewOf(m->Hex); break;
    case VOI_P2HEX: v = viewOf(m->P2Hex); break;
    case VOI_PRI: v = viewOf(m->Pri); break;
    case VOI_PYR: v = viewOf(m->Pyr); break;
    default: break;
  }
  if (!v.Base || *count < 0) *count = 0;
  return v;
}

// Set by tests: the kinds always go to the side array, as for the largest meshes.
int kindsApart = 0;

bool stopAsked(TopoArgs *a) { return __atomic_load_n(&a->Stop, __ATOMIC_RELAXED) != 0; }
void failCapacity(TopoArgs *a) { __atomic_store_n(&a->Fi.ErrCod, static_cast<int>(ERR_CAPACITY), __ATOMIC_RELAXED); }

// The smallest vertex number of a face.
inline int minVertex(const int *v, int len) {
  int m = v[0];
  for (int k = 1; k < len; k++) m = v[k] < m ? v[k] : m;
  return m;
}

// The vertices of face f of an element of a walk kind.
inline void faceVertices(const WalkKind &w, const int *ver, int f, int *key) {
  const int *loc = w.Fac + f * w.Stride;
  for (int m = 0; m < w.Len[f]; m++) key[m] = ver[loc[m]];
}

// What the passes share. A face is recorded as (walk index * 8 + local face), the walk index
// counting the elements of every walk kind one after the other.
template <class Code>
struct Plan {
  TopoArgs *A;
  int NbrThr;
  KindView View[kNbrWalk];
  int64_t Start[kNbrWalk + 1];   // walk index of each kind's first element
  int64_t FacBase[kNbrWalk];     // side-array place of each volume kind's first face
  int RankOf[16];                // walk rank of a neighbour kind code
  int64_t Slice[kMaxTopoThreads + 1];
  int NbrVer, NbrFine;
  uint64_t FineMul;              // a fine run is (vertex - 1) * FineMul >> 32
  std::vector<uint32_t> Fine;    // faces of (thread, fine run)
  std::vector<uint32_t> PartOf;  // the part of each fine run
  uint32_t NbrParts;
  std::vector<int64_t> Next;     // the place of the next face of (thread, part)
  std::vector<int64_t> PartBeg;  // first place of each part, and the end
  int64_t MaxPart;
  Code *Rec;
  bool Packed;       // kinds ride in the neighbour slots (kKindShift), else in FacKind
  uint8_t *FacKind;  // the kind of the neighbour across each volume face, when not Packed
  int NextPart;      // the next part to match (atomic)

  // The fine run of a face: vertex numbers outside the mesh count as its ends.
  int fineOf(const int *v, int len) const {
    int64_t m = minVertex(v, len);
    m = m < 1 ? 0 : (m > NbrVer ? NbrVer - 1 : m - 1);
    return static_cast<int>((static_cast<uint64_t>(m) * FineMul) >> 32);
  }

  // Calls body(rank, element) for every alive element of slice t, in walk order; false when a
  // stop was asked.
  template <class Body>
  bool forSlice(int t, Body &&body) {
    for (int r = 0; r < kNbrWalk; r++) {
      int64_t lo = Slice[t] > Start[r] ? Slice[t] : Start[r];
      int64_t hi = Slice[t + 1] < Start[r + 1] ? Slice[t + 1] : Start[r + 1];
      for (int64_t g = lo; g < hi; g++) {
        if (((g - lo) & (kStopStride - 1)) == 0 && stopAsked(A)) return false;
        int64_t i = g - Start[r] + 1;
        if (!(TagAtomicLoad(View[r].tag(i)) & TAG_ALIVE)) continue;
        body(r, i, g);
      }
    }
    return true;
  }
};

template <class Code>
void countSlice(Plan<Code> *p, int t) {
  uint32_t *cnt = &p->Fine[static_cast<size_t>(t) * p->NbrFine];
  p->forSlice(t, [&](int r, int64_t i, int64_t) {
    const WalkKind &w = kWalk[r];
    const KindView &v = p->View[r];
    if (r < kFirstVolume) {
      __atomic_store_n(v.vol(i), 0, __ATOMIC_RELAXED);
    } else {
      int *voi = v.voi(i);
      for (int f = 0; f < w.NbrFac; f++) voi[f] = 0;
      if (!p->Packed) {
        uint8_t *kinds = p->FacKind + p->FacBase[r] + (i - 1) * w.NbrFac;
        for (int f = 0; f < w.NbrFac; f++) kinds[f] = 0;
      }
      __atomic_store_n(v.typ(i), 0u, __ATOMIC_RELAXED);
      if (TagAtomicLoad(v.tag(i)) & TAG_BDY_FACES) TagAtomicAnd(v.tag(i), ~TAG_BDY_FACES);
    }
    int key[4];
    for (int f = 0; f < w.NbrFac; f++) {
      faceVertices(w, v.ver(i), f, key);
      cnt[p->fineOf(key, w.Len[f])]++;
    }
  });
}

template <class Code>
void placeSlice(Plan<Code> *p, int t) {
  int64_t *next = &p->Next[static_cast<size_t>(t) * p->NbrParts];
  p->forSlice(t, [&](int r, int64_t i, int64_t g) {
    const WalkKind &w = kWalk[r];
    int key[4];
    for (int f = 0; f < w.NbrFac; f++) {
      faceVertices(w, p->View[r].ver(i), f, key);
      p->Rec[next[p->PartOf[static_cast<size_t>(p->fineOf(key, w.Len[f]))]]++] = static_cast<Code>(g * 8 + f);
    }
  });
}

// The walk rank of walk index g, from a rank at or before it.
template <class Code>
inline int rankFrom(const Plan<Code> *p, int r, int64_t g) {
  while (g >= p->Start[r + 1]) r++;
  return r;
}

// The stored element's side of a link, written a few links later: the stored element lies
// anywhere in the mesh, and is asked for when the link is made. Written in the order made, so
// that the last link of a face wins as in one table's walk.
struct StoredSide {
  int Rank;
  int Other, Loc, Elt, Kind;
};
const int kDeferred = 16;

struct Deferred {
  StoredSide Ring[kDeferred];
  int Head = 0, Size = 0;
};

// Face f of element i (walk rank r, a volume kind) gets neighbour n of neighbour kind k.
template <class Code>
inline void setFace(Plan<Code> *p, int r, int64_t i, int f, int n, int k) {
  if (p->Packed) {
    p->View[r].voi(i)[f] = n | (k << kKindShift);
    return;
  }
  p->View[r].voi(i)[f] = n;
  p->FacKind[p->FacBase[r] + (i - 1) * kWalk[r].NbrFac + f] = static_cast<uint8_t>(k);
}

template <class Code>
void writeStored(Plan<Code> *p, const StoredSide &s) {
  if (s.Rank < kFirstVolume) {
    __atomic_store_n(p->View[s.Rank].vol(s.Other), s.Elt, __ATOMIC_RELAXED);
    return;
  }
  setFace(p, s.Rank, s.Other, s.Loc, s.Elt, s.Kind);
}

template <class Code>
void flushStored(Plan<Code> *p, Deferred *d) {
  for (; d->Size; d->Size--, d->Head = (d->Head + 1) % kDeferred) writeStored(p, d->Ring[d->Head]);
}

// Links face f of element i (walk rank r) to the element a table entry holds, as one table
// walking every element links them; returns the entry's new bucket word.
template <class Code>
int linkFace(Plan<Code> *p, Deferred *d, int r, int64_t i, int f, int other, int bucket) {
  int oLoc, oKind, count;
  voi_getvoibucket(bucket, &oLoc, &oKind, &count);
  setFace(p, r, i, f, other, oKind);
  int o = p->RankOf[oKind & 15];
  if (d->Size == kDeferred) {
    writeStored(p, d->Ring[d->Head]);
    d->Head = (d->Head + 1) % kDeferred;
    d->Size--;
  }
  d->Ring[(d->Head + d->Size++) % kDeferred] = {o, other, oLoc, static_cast<int>(i), kWalk[r].Kind};
  __builtin_prefetch(p->View[o].at(other), 1);
  return voi_setvoibucket(oLoc, oKind, count + 1);
}

// Matches the faces of one part, in walk order.
template <class Code>
bool matchPart(Plan<Code> *p, HybridHashTable *tab, int64_t beg, int64_t end) {
  int ahead = 0, r = 0;
  Deferred stored;
  for (int64_t k = beg; k < end; k++) {
    // The element of a face kAhead places on is asked for now: the part's elements lie
    // anywhere in the mesh, and their waits then overlap.
    if (k + kAhead < end) {
      int64_t g = static_cast<int64_t>(p->Rec[k + kAhead] >> 3);
      ahead = rankFrom(p, ahead, g);
      __builtin_prefetch(p->View[ahead].at(g - p->Start[ahead] + 1));
    }
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
    faceVertices(w, p->View[r].ver(i), f, key);
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
void matchParts(Plan<Code> *p, int) {
  // Every face of a part adds at most one entry, and a matched surface element one more item.
  int64_t items = 12 * p->MaxPart + 64;
  HybridHashTable *tab = uti_NewHybridHashTable(static_cast<int>(p->MaxPart > 0 ? p->MaxPart : 1),
                                                static_cast<int>(items < INT_MAX - 1 ? items : INT_MAX - 1));
  if (!tab) {
    failCapacity(p->A);
    return;
  }
  for (uint32_t q; (q = static_cast<uint32_t>(__atomic_fetch_add(&p->NextPart, 1, __ATOMIC_RELAXED))) < p->NbrParts;) {
    if (!matchPart(p, tab, p->PartBeg[q], p->PartBeg[q + 1])) break;
    uti_EmptyHybridHashTable(tab);
  }
  uti_FreeHybridHashTable(tab);
}

template <class Code>
void packSlice(Plan<Code> *p, int t) {
  p->forSlice(t, [&](int r, int64_t i, int64_t) {
    if (r < kFirstVolume) return;
    const WalkKind &w = kWalk[r];
    const KindView &v = p->View[r];
    int *voi = v.voi(i);
    const uint8_t *kinds = p->Packed ? nullptr : p->FacKind + p->FacBase[r] + (i - 1) * w.NbrFac;
    uint32_t word = 0, covered = 0;
    for (int f = 0; f < w.NbrFac; f++) {
      int k = kinds ? kinds[f] : static_cast<int>(static_cast<uint32_t>(voi[f]) >> kKindShift);
      if (!kinds) voi[f] &= (1 << kKindShift) - 1;
      word = VoiTypSet(word, f, k);
      if (VoiIsSurface(k)) covered |= TagBdyFace(f);
    }
    __atomic_store_n(v.typ(i), word, __ATOMIC_RELAXED);
    if (covered) TagAtomicOr(v.tag(i), covered);
  });
}

// Runs step(p, t) for every thread t, on threads of its own beyond the first.
template <class Code>
void runThreads(Plan<Code> *p, void (*step)(Plan<Code> *, int)) {
  std::thread thr[kMaxTopoThreads];
  bool started[kMaxTopoThreads] = {};
  for (int t = 1; t < p->NbrThr; t++) {
    try {
      thr[t] = std::thread(step, p, t);
      started[t] = true;
    } catch (const std::system_error &) {
      // No thread left: this one takes the share after its own.
    }
  }
  step(p, 0);
  for (int t = 1; t < p->NbrThr; t++) {
    if (started[t])
      thr[t].join();
    else
      step(p, t);
  }
}

template <class Code>
void volumePass(TopoArgs *a) {
  Geometric_Mesh *msh = a->Msh;
  Plan<Code> p{};
  p.A = a;
  p.NbrThr = a->NbrThr;
  int64_t faces = 0, volFaces = 0;
  p.Start[0] = 0;
  p.Packed = __atomic_load_n(&kindsApart, __ATOMIC_RELAXED) == 0;
  for (int r = 0; r < kNbrWalk; r++) {
    int64_t n;
    p.View[r] = kindView(msh, kWalk[r].Kind, &n);
    if (n >= (int64_t(1) << kKindShift)) p.Packed = false;
    p.Start[r + 1] = p.Start[r] + n;
    p.RankOf[kWalk[r].Kind] = r;
    faces += n * kWalk[r].NbrFac;
    p.FacBase[r] = volFaces;
    if (r >= kFirstVolume) volFaces += n * kWalk[r].NbrFac;
  }
  const int64_t total = p.Start[kNbrWalk];
  for (int t = 0; t <= p.NbrThr; t++) p.Slice[t] = total * t / p.NbrThr;
  p.NbrVer = msh->NbrVer > 0 ? msh->NbrVer : 1;
  p.NbrFine = p.NbrVer < kMaxFine ? p.NbrVer : kMaxFine;
  // Below NbrFine for every vertex number below NbrVer.
  p.FineMul = (static_cast<uint64_t>(p.NbrFine) << 32) / static_cast<uint64_t>(p.NbrVer);
  p.Fine.assign(static_cast<size_t>(p.NbrThr) * p.NbrFine, 0);
  p.PartOf.assign(static_cast<size_t>(p.NbrFine), 0);
  p.Rec = static_cast<Code *>(MEM_ALLOC(nullptr, p.Rec, sizeof(Code) * static_cast<size_t>(faces > 0 ? faces : 1)));
  if (!p.Packed)
    p.FacKind = static_cast<uint8_t *>(MEM_ALLOC(nullptr, p.FacKind, static_cast<size_t>(volFaces > 0 ? volFaces : 1)));
  if (!p.Rec || (!p.Packed && !p.FacKind)) {
    failCapacity(a);
  } else {
    runThreads(&p, countSlice<Code>);
    // Consecutive fine runs make a part until it holds its share of the faces: enough parts
    // for every thread to take several, each small enough for a core's cache.
    int64_t share = faces / (8 * p.NbrThr);
    if (share > kPartFaces || p.NbrThr == 1) share = kPartFaces;
    if (share < 1) share = 1;
    std::vector<int64_t> fineTotal(static_cast<size_t>(p.NbrFine), 0);
    for (int t = 0; t < p.NbrThr; t++)
      for (int b = 0; b < p.NbrFine; b++) fineTotal[b] += p.Fine[static_cast<size_t>(t) * p.NbrFine + b];
    uint32_t parts = 0;
    int64_t held = 0;
    for (int b = 0; b < p.NbrFine; b++) {
      if (held > 0 && held + fineTotal[b] > share) {
        parts++;
        held = 0;
      }
      p.PartOf[b] = parts;
      held += fineTotal[b];
    }
    p.NbrParts = ++parts;
    // Part q holds the faces of thread 0, then of thread 1..., each run in walk order.
    p.Next.assign(static_cast<size_t>(p.NbrThr) * parts, 0);
    p.PartBeg.assign(parts + 1, 0);
    for (int t = 0; t < p.NbrThr; t++)
      for (int b = 0; b < p.NbrFine; b++)
        p.Next[static_cast<size_t>(t) * parts + p.PartOf[b]] += p.Fine[static_cast<size_t>(t) * p.NbrFine + b];
    int64_t at = 0;
    p.MaxPart = 0;
    for (uint32_t q = 0; q < parts; q++) {
      p.PartBeg[q] = at;
      for (int t = 0; t < p.NbrThr; t++) {
        int64_t &c = p.Next[static_cast<size_t>(t) * parts + q];
        int64_t n = c;
        c = at;
        at += n;
      }
      if (at - p.PartBeg[q] > p.MaxPart) p.MaxPart = at - p.PartBeg[q];
    }
    p.PartBeg[parts] = at;
    if (!stopAsked(a)) runThreads(&p, placeSlice<Code>);
    if (!stopAsked(a)) runThreads(&p, matchParts<Code>);
    if (!stopAsked(a)) runThreads(&p, packSlice<Code>);
  }
  if (p.FacKind) MEM_FREE(nullptr, p.FacKind);
  MEM_FREE(nullptr, p.Rec);
}

}  // namespace

void TopoKeepKindsApart(int on) { __atomic_store_n(&kindsApart, on ? 1 : 0, __ATOMIC_RELAXED); }

void *geoNewtopo(void *args) {
  auto *a = static_cast<TopoArgs *>(args);
  if (!a || !a->Msh) return nullptr;
  double t0 = GetWallClock();
  a->Fi.ErrCod = 0;
  if (a->NbrThr < 1) a->NbrThr = 1;
  if (a->NbrThr > kMaxTopoThreads) a->NbrThr = kMaxTopoThreads;
  // A face is recorded in 32 bits while every walk index times 8 fits.
  const Geometric_Mesh *m = a->Msh;
  int64_t elements = 0;
  for (const WalkKind &w : kWalk) elements += topoCount(m, w.Kind) > 0 ? topoCount(m, w.Kind) : 0;
  if (elements * 8 <= static_cast<int64_t>(UINT32_MAX))
    volumePass<uint32_t>(a);
  else
    volumePass<uint64_t>(a);
  if (stopAsked(a)) return nullptr;
  TopoDoneStore(a->Msh, 1);
  printf("  Cpu time to compute the mesh topology :    %lg (s)\n", GetWallClock() - t0);
  return nullptr;
}
