// Matching keys part by part on several threads, shared by the surface pass (edges) and the
// volume pass (faces); not part of the library's interface.
//
// A walk lists element kinds in the order one table walking every element would take them,
// and for each kind its keys (edges or faces). Every key goes to one of many parts by its
// smallest vertex number, so that all the keys of one vertex set meet in one part, and a part
// holds the keys of a run of vertex numbers: in a mesh numbered with some order in space,
// elements close in number. A run of vertex numbers whose keys would make a part much larger
// than the others (a vertex in most elements: the centre of a star) is cut further by the
// second smallest vertex number of the key, which keeps the keys of one vertex set together as
// well, and their elements close in number. A pass runs in
// steps, each shared by its threads:
//   1. each thread takes a slice of the elements in walk order, clears what the pass rebuilds
//      and counts the keys of its slice on each of many fine runs of vertex numbers;
//      consecutive fine runs are then gathered into parts of about the same number of keys;
//   2. the counts give every (part, thread) its run of places, and each thread writes the keys
//      of its slice into the runs of their parts: a part then lists its keys in walk order;
//   3. the threads take the parts one by one and match each in a small hash table of their
//      own, exactly as one table walking every element would (the keys of a vertex set are all
//      in the part, in walk order), so that the result depends neither on the thread count,
//      the parts nor the tables' salts. A part's table stays in the processor's cache however
//      the mesh is numbered. The volume pass asks for the elements of its keys ahead of their
//      matching and writes the neighbours into their slots, the kind of each riding in the
//      top bits of the slot (in a side array of one byte a key when element numbers need
//      those bits), so that threads never write one word at once; the surface pass keeps the
//      vertices of its keys with their places and writes the neighbours back by place;
//   4. each thread gives its own elements their neighbours' kinds (and, in the surface pass,
//      the neighbours themselves).
//
// The worker pool is not used: the volume pass may run in the background while the main thread
// launches its own loops on the pool, and a pool takes one launch at a time.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

#include "common/base/Memory.h"
#include "common/topology/Hash.h"
#include "common/topology/TopoInternal.h"
#include "common/topology/Topology.h"

namespace topoparts {

const int kMaxTopoThreads = 128;
// Elements or keys handled between two looks at the stop request.
const int kStopStride = 1024;
// Keys a part is cut for: its table stays in a core's own cache.
const int64_t kPartKeys = 16384;
// A fine run holding more than this many parts' share of keys is cut by the second smallest
// vertex of its keys, counted on this many runs of vertex numbers.
const int64_t kSplitAbove = 2;
const int kCutBins = 256;
// Fine runs of vertex numbers counted, at most.
const int kMaxFine = 1 << 15;
// Keys of a part whose element is asked for ahead of its matching.
const int kAhead = 16;
// A neighbour slot carries its kind in the bits from this one while the keys are matched,
// when every element number of the mesh fits below them.
const int kKindShift = 27;
// Walk kinds, at most.
const int kMaxWalk = 10;

// One kind of a walk.
struct WalkKind {
  int Kind;
  int NbrFac;      // keys of an element
  const int *Fac;  // NbrFac rows of Stride positions
  int Stride;
  const int *Len;  // vertices of each key
  bool Remove;     // the volume pass: a matched tetrahedron face leaves the table
};

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

// The view of a neighbour kind, and its count (0 when the mesh has no array of it).
inline KindView kindView(Geometric_Mesh *m, int kind, int64_t *count) {
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

inline bool stopAsked(TopoArgs *a) { return __atomic_load_n(&a->Stop, __ATOMIC_RELAXED) != 0; }
inline void failCapacity(TopoArgs *a) {
  __atomic_store_n(&a->Fi.ErrCod, static_cast<int>(ERR_CAPACITY), __ATOMIC_RELAXED);
}

// The smallest vertex number of a key.
inline int minVertex(const int *v, int len) {
  int m = v[0];
  for (int k = 1; k < len; k++) m = v[k] < m ? v[k] : m;
  return m;
}

// The vertices of key f of an element of a walk kind.
inline void keyVertices(const WalkKind &w, const int *ver, int f, int *key) {
  const int *loc = w.Fac + f * w.Stride;
  for (int m = 0; m < w.Len[f]; m++) key[m] = ver[loc[m]];
}

// The pass's event of one thread, kept aside for the caller (the surface pass's edges met by
// a third element): the key's walk code, its vertices and a node more.
struct Event {
  uint64_t Code;
  int Ver[3];
};

// What the steps share. A key is recorded as (walk index * 8 + local key), the walk index
// counting the elements of every walk kind one after the other.
template <class Code>
struct Plan {
  TopoArgs *A;
  int NbrThr;
  const WalkKind *Walk;
  int NbrWalk;
  int FirstLinked;   // walk rank from which keys are linked (those before are only entered)
  bool Volume;       // the volume pass: clears and marks the faces of volume elements
  KindView View[kMaxWalk];
  int64_t Start[kMaxWalk + 1];   // walk index of each kind's first element
  int64_t FacBase[kMaxWalk];     // side-array place of each linked kind's first key
  int RankOf[16];                // walk rank of a neighbour kind code
  int64_t Slice[kMaxTopoThreads + 1];
  int NbrVer, NbrFine;
  uint64_t FineMul;              // a fine run is (vertex - 1) * FineMul >> 32
  std::vector<uint32_t> Fine;    // keys of (thread, fine run)
  std::vector<uint32_t> PartOf;  // the (first) part of each fine run
  std::vector<int> CutOf;        // the cut of each fine run, -1 when not cut
  int NbrCuts;
  uint64_t CutMul;               // the bin of a second vertex in a cut, as FineMul
  std::vector<uint32_t> CutHist; // keys of (thread, cut, bin)
  std::vector<uint32_t> CutPart; // the part of (cut, bin)
  uint32_t NbrParts;
  std::vector<int64_t> Next;     // the place of the next key of (thread, part)
  std::vector<int64_t> PartBeg;  // first place of each part, and the end
  int64_t MaxPart;
  Code *Rec;
  bool Packed;       // kinds ride in the neighbour slots (kKindShift), else in FacKind
  uint8_t *FacKind;  // the kind of the neighbour across each linked key, when not Packed
  int NextPart;      // the next part to match (atomic)
  std::vector<Event> Events[kMaxTopoThreads];

  // The fine run of a key: vertex numbers outside the mesh count as its ends.
  int fineOf(const int *v, int len) const {
    int64_t m = minVertex(v, len);
    m = m < 1 ? 0 : (m > NbrVer ? NbrVer - 1 : m - 1);
    return static_cast<int>((static_cast<uint64_t>(m) * FineMul) >> 32);
  }

  // The bin of a key (sorted) within its cut: by its second smallest vertex.
  int binOf(const int *key) const {
    int64_t m = key[1];
    m = m < 1 ? 0 : (m > NbrVer ? NbrVer - 1 : m - 1);
    return static_cast<int>((static_cast<uint64_t>(m) * CutMul) >> 32);
  }

  // The part of a key (its vertices unsorted) in fine run b.
  uint32_t partOf(int *key, int len, int b) const {
    int c = CutOf[static_cast<size_t>(b)];
    if (c < 0) return PartOf[static_cast<size_t>(b)];
    topoSortKey(key, len);
    return CutPart[static_cast<size_t>(c) * kCutBins + static_cast<size_t>(binOf(key))];
  }

  // Calls body(rank, element, walk index) for every alive element of slice t, in walk order;
  // false when a stop was asked.
  template <class Body>
  bool forSlice(int t, Body &&body) {
    for (int r = 0; r < NbrWalk; r++) {
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
    const WalkKind &w = p->Walk[r];
    const KindView &v = p->View[r];
    if (v.Vol >= 0) __atomic_store_n(v.vol(i), 0, __ATOMIC_RELAXED);
    if (r >= p->FirstLinked) {
      if (p->FacKind) {
        uint8_t *kinds = p->FacKind + p->FacBase[r] + (i - 1) * w.NbrFac;
        for (int f = 0; f < w.NbrFac; f++) kinds[f] = 0;
      }
      if (p->Volume) {
        int *voi = v.voi(i);
        for (int f = 0; f < w.NbrFac; f++) voi[f] = 0;
        __atomic_store_n(v.typ(i), 0u, __ATOMIC_RELAXED);
        if (TagAtomicLoad(v.tag(i)) & TAG_BDY_FACES) TagAtomicAnd(v.tag(i), ~TAG_BDY_FACES);
      }
    }
    int key[4];
    for (int f = 0; f < w.NbrFac; f++) {
      keyVertices(w, v.ver(i), f, key);
      cnt[p->fineOf(key, w.Len[f])]++;
    }
  });
}

// The keys of the cut fine runs of slice t, counted on the bins of their cuts.
template <class Code>
void countCuts(Plan<Code> *p, int t) {
  uint32_t *hist = &p->CutHist[static_cast<size_t>(t) * p->NbrCuts * kCutBins];
  p->forSlice(t, [&](int r, int64_t i, int64_t) {
    const WalkKind &w = p->Walk[r];
    int key[4];
    for (int f = 0; f < w.NbrFac; f++) {
      keyVertices(w, p->View[r].ver(i), f, key);
      int c = p->CutOf[static_cast<size_t>(p->fineOf(key, w.Len[f]))];
      if (c < 0) continue;
      topoSortKey(key, w.Len[f]);
      hist[static_cast<size_t>(c) * kCutBins + static_cast<size_t>(p->binOf(key))]++;
    }
  });
}

template <class Code>
void placeSlice(Plan<Code> *p, int t) {
  int64_t *next = &p->Next[static_cast<size_t>(t) * p->NbrParts];
  p->forSlice(t, [&](int r, int64_t i, int64_t g) {
    const WalkKind &w = p->Walk[r];
    int key[4];
    for (int f = 0; f < w.NbrFac; f++) {
      keyVertices(w, p->View[r].ver(i), f, key);
      uint32_t q = p->partOf(key, w.Len[f], p->fineOf(key, w.Len[f]));
      p->Rec[next[q]++] = static_cast<Code>(g * 8 + f);
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
// that the last link of a key wins as in one table's walk.
struct StoredSide {
  int Rank;
  int Other, Loc, Elt, Kind;
};
const int kDeferred = 16;

struct Deferred {
  StoredSide Ring[kDeferred];
  int Head = 0, Size = 0;
};

// Key f of element i (walk rank r, a linked kind) gets neighbour n of neighbour kind k.
template <class Code>
inline void setFace(Plan<Code> *p, int r, int64_t i, int f, int n, int k) {
  if (p->Packed) {
    p->View[r].voi(i)[f] = n | (k << kKindShift);
    return;
  }
  p->View[r].voi(i)[f] = n;
  p->FacKind[p->FacBase[r] + (i - 1) * p->Walk[r].NbrFac + f] = static_cast<uint8_t>(k);
}

template <class Code>
void writeStored(Plan<Code> *p, const StoredSide &s) {
  if (s.Rank < p->FirstLinked) {
    __atomic_store_n(p->View[s.Rank].vol(s.Other), s.Elt, __ATOMIC_RELAXED);
    return;
  }
  setFace(p, s.Rank, s.Other, s.Loc, s.Elt, s.Kind);
}

template <class Code>
void flushStored(Plan<Code> *p, Deferred *d) {
  for (; d->Size; d->Size--, d->Head = (d->Head + 1) % kDeferred) writeStored(p, d->Ring[d->Head]);
}

// Links key f of element i (walk rank r) to the element a table entry holds, as one table
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
  d->Ring[(d->Head + d->Size++) % kDeferred] = {o, other, oLoc, static_cast<int>(i), p->Walk[r].Kind};
  __builtin_prefetch(p->View[o].at(other), 1);
  return voi_setvoibucket(oLoc, oKind, count + 1);
}

// Asks for the element of the key kAhead places after k, so that the waits for the elements
// of a part, which lie anywhere in the mesh, overlap. ahead: the walk rank of the last one.
template <class Code>
inline void prefetchAhead(const Plan<Code> *p, int64_t k, int64_t end, int *ahead) {
  if (k + kAhead >= end) return;
  int64_t g = static_cast<int64_t>(p->Rec[k + kAhead] >> 3);
  *ahead = rankFrom(p, *ahead, g);
  __builtin_prefetch(p->View[*ahead].at(g - p->Start[*ahead] + 1));
}

// Matches the parts one by one in a table of this thread's own: Match(plan, table, first
// place, end, thread) matches one part, false when a stop was asked.
template <class Code, bool (*Match)(Plan<Code> *, HybridHashTable *, int64_t, int64_t, int)>
void matchParts(Plan<Code> *p, int t) {
  // Every key of a part adds at most one entry, and a matched surface element one more item.
  int64_t items = 12 * p->MaxPart + 64;
  HybridHashTable *tab = uti_NewHybridHashTable(static_cast<int>(p->MaxPart > 0 ? p->MaxPart : 1),
                                                static_cast<int>(items < INT_MAX - 1 ? items : INT_MAX - 1));
  if (!tab) {
    failCapacity(p->A);
    return;
  }
  for (uint32_t q; (q = static_cast<uint32_t>(__atomic_fetch_add(&p->NextPart, 1, __ATOMIC_RELAXED))) < p->NbrParts;) {
    if (!Match(p, tab, p->PartBeg[q], p->PartBeg[q + 1], t)) break;
    uti_EmptyHybridHashTable(tab);
  }
  uti_FreeHybridHashTable(tab);
}

// Moves the kinds of the keys of every linked element of slice t into its kind word; the
// volume pass also marks the faces a surface element covers.
template <class Code>
void packSlice(Plan<Code> *p, int t) {
  p->forSlice(t, [&](int r, int64_t i, int64_t) {
    if (r < p->FirstLinked) return;
    const WalkKind &w = p->Walk[r];
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
    if (p->Volume && covered) TagAtomicOr(v.tag(i), covered);
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

// Gathers consecutive fine runs into parts of about share keys, cutting the runs much larger
// than that, and gives every (thread, part) its run of places.
template <class Code>
void makeParts(Plan<Code> *p, int64_t keys) {
  // Enough parts for every thread to take several, each small enough for a core's cache.
  int64_t share = keys / (8 * p->NbrThr);
  if (share > kPartKeys || p->NbrThr == 1) share = kPartKeys;
  if (share < 1) share = 1;
  std::vector<int64_t> fineTotal(static_cast<size_t>(p->NbrFine), 0);
  for (int t = 0; t < p->NbrThr; t++)
    for (int b = 0; b < p->NbrFine; b++) fineTotal[b] += p->Fine[static_cast<size_t>(t) * p->NbrFine + b];
  // parts: the parts closed so far; the open part, when some run went to it, is the next.
  uint32_t parts = 0;
  int64_t held = 0;
  bool open = false;
  p->NbrCuts = 0;
  for (int b = 0; b < p->NbrFine; b++) {
    if (fineTotal[b] > kSplitAbove * share) {
      p->CutOf[b] = p->NbrCuts++;
      continue;
    }
    if (open && held > 0 && held + fineTotal[b] > share) {
      parts++;
      held = 0;
    }
    p->PartOf[b] = parts;
    open = true;
    held += fineTotal[b];
  }
  if (open) parts++;
  // A cut's bins are gathered into parts as the fine runs are (a bin larger than that, the
  // keys of a few vertex pairs, stays one part).
  if (p->NbrCuts > 0) {
    const size_t cutBins = static_cast<size_t>(p->NbrCuts) * kCutBins;
    p->CutHist.assign(static_cast<size_t>(p->NbrThr) * cutBins, 0);
    p->CutPart.assign(cutBins, 0);
    runThreads(p, countCuts<Code>);
    for (size_t cb = 0; cb < cutBins; cb++) {
      if (cb % kCutBins == 0) {
        if (cb > 0) parts++;
        held = 0;
      }
      int64_t n = 0;
      for (int t = 0; t < p->NbrThr; t++) n += p->CutHist[static_cast<size_t>(t) * cutBins + cb];
      if (held > 0 && held + n > share) {
        parts++;
        held = 0;
      }
      p->CutPart[cb] = parts;
      held += n;
    }
    parts++;
  }
  if (parts == 0) parts = 1;
  p->NbrParts = parts;
  // Part q holds the keys of thread 0, then of thread 1..., each run in walk order.
  p->Next.assign(static_cast<size_t>(p->NbrThr) * parts, 0);
  p->PartBeg.assign(parts + 1, 0);
  for (int t = 0; t < p->NbrThr; t++) {
    int64_t *next = &p->Next[static_cast<size_t>(t) * parts];
    for (int b = 0; b < p->NbrFine; b++)
      if (p->CutOf[b] < 0) next[p->PartOf[b]] += p->Fine[static_cast<size_t>(t) * p->NbrFine + b];
    const size_t cutBins = static_cast<size_t>(p->NbrCuts) * kCutBins;
    for (size_t cb = 0; cb < cutBins; cb++) next[p->CutPart[cb]] += p->CutHist[static_cast<size_t>(t) * cutBins + cb];
  }
  int64_t at = 0;
  p->MaxPart = 0;
  for (uint32_t q = 0; q < parts; q++) {
    p->PartBeg[q] = at;
    for (int t = 0; t < p->NbrThr; t++) {
      int64_t &c = p->Next[static_cast<size_t>(t) * parts + q];
      int64_t n = c;
      c = at;
      at += n;
    }
    if (at - p->PartBeg[q] > p->MaxPart) p->MaxPart = at - p->PartBeg[q];
  }
  p->PartBeg[parts] = at;
}

// Sets the plan up for a walk: views, slices, fine runs and the array of places. False when
// the array cannot be had (the error code is set).
template <class Code>
bool prepareWalk(Plan<Code> *p, int64_t *keys, int64_t *linkedKeys) {
  Geometric_Mesh *msh = p->A->Msh;
  *keys = *linkedKeys = 0;
  p->Start[0] = 0;
  for (int r = 0; r < p->NbrWalk; r++) {
    int64_t n;
    const WalkKind &w = p->Walk[r];
    p->View[r] = kindView(msh, w.Kind, &n);
    if (n >= (int64_t(1) << kKindShift)) p->Packed = false;
    p->Start[r + 1] = p->Start[r] + n;
    p->RankOf[w.Kind] = r;
    *keys += n * w.NbrFac;
    p->FacBase[r] = *linkedKeys;
    if (r >= p->FirstLinked) *linkedKeys += n * w.NbrFac;
  }
  const int64_t total = p->Start[p->NbrWalk];
  for (int t = 0; t <= p->NbrThr; t++) p->Slice[t] = total * t / p->NbrThr;
  p->NbrVer = msh->NbrVer > 0 ? msh->NbrVer : 1;
  p->NbrFine = p->NbrVer < kMaxFine ? p->NbrVer : kMaxFine;
  // Below NbrFine for every vertex number below NbrVer.
  p->FineMul = (static_cast<uint64_t>(p->NbrFine) << 32) / static_cast<uint64_t>(p->NbrVer);
  p->Fine.assign(static_cast<size_t>(p->NbrThr) * p->NbrFine, 0);
  p->PartOf.assign(static_cast<size_t>(p->NbrFine), 0);
  p->CutOf.assign(static_cast<size_t>(p->NbrFine), -1);
  const int bins = p->NbrVer < kCutBins ? p->NbrVer : kCutBins;
  p->CutMul = (static_cast<uint64_t>(bins) << 32) / static_cast<uint64_t>(p->NbrVer);
  p->Rec = static_cast<Code *>(MEM_ALLOC(nullptr, p->Rec, sizeof(Code) * static_cast<size_t>(*keys > 0 ? *keys : 1)));
  if (!p->Rec) failCapacity(p->A);
  return p->Rec != nullptr;
}

// Runs the steps of a prepared walk of keys keys, stopping when asked: Place, Match and Pack
// are the pass's steps 2, 3 and 4.
template <class Code, void (*Place)(Plan<Code> *, int), bool (*Match)(Plan<Code> *, HybridHashTable *, int64_t, int64_t, int),
          void (*Pack)(Plan<Code> *, int)>
void runSteps(Plan<Code> *p, int64_t keys) {
  runThreads(p, countSlice<Code>);
  if (!stopAsked(p->A)) makeParts(p, keys);
  if (!stopAsked(p->A)) runThreads(p, Place);
  if (!stopAsked(p->A)) runThreads(p, matchParts<Code, Match>);
  if (!stopAsked(p->A)) runThreads(p, Pack);
}

// Sets the plan up for a walk, runs the steps and frees what they used; match is the pass's
// step 3.
template <class Code, bool (*Match)(Plan<Code> *, HybridHashTable *, int64_t, int64_t, int)>
void runWalk(Plan<Code> *p) {
  int64_t keys, linkedKeys;
  if (prepareWalk(p, &keys, &linkedKeys)) {
    if (!p->Packed)
      p->FacKind = static_cast<uint8_t *>(
          MEM_ALLOC(nullptr, p->FacKind, static_cast<size_t>(linkedKeys > 0 ? linkedKeys : 1)));
    if (!p->Packed && !p->FacKind)
      failCapacity(p->A);
    else
      runSteps<Code, placeSlice<Code>, Match, packSlice<Code>>(p, keys);
  }
  if (p->FacKind) MEM_FREE(nullptr, p->FacKind);
  if (p->Rec) MEM_FREE(nullptr, p->Rec);
  p->FacKind = nullptr;
  p->Rec = nullptr;
}

// Set by tests (TopoKeepKindsApart): the kinds always go to the side array, as for the
// largest meshes.
bool KindsApartAsked();

// Whether a walk's keys are recorded in 32 bits: every walk index times 8 fits.
inline bool walkFits32(const Geometric_Mesh *m, const WalkKind *walk, int nbrWalk) {
  int64_t elements = 0;
  for (int r = 0; r < nbrWalk; r++) {
    int n = topoCount(m, walk[r].Kind);
    elements += n > 0 ? n : 0;
  }
  return elements * 8 <= static_cast<int64_t>(UINT32_MAX);
}

}  // namespace topoparts
