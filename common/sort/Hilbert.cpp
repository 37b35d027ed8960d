#include "common/sort/Hilbert.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/pool/Pipeline.h"
#include "common/pool/PoolInternal.h"

namespace {

// Next state map of each digit: entry m of the map becomes T[digit][m].
const uint8_t Next3D[8][8] = {
    {0, 7, 6, 1, 2, 5, 4, 3}, {0, 3, 4, 7, 6, 5, 2, 1}, {0, 3, 4, 7, 6, 5, 2, 1},
    {2, 3, 0, 1, 6, 7, 4, 5}, {2, 3, 0, 1, 6, 7, 4, 5}, {6, 5, 2, 1, 0, 3, 4, 7},
    {6, 5, 2, 1, 0, 3, 4, 7}, {4, 3, 2, 5, 6, 1, 0, 7}};
const uint8_t Start3D[8] = {0, 3, 7, 4, 1, 2, 6, 5};
const uint8_t Next2D[4][4] = {{0, 3, 2, 1}, {0, 1, 2, 3}, {0, 1, 2, 3}, {2, 1, 0, 3}};
const uint8_t Start2D[4] = {1, 2, 0, 3};

const double Two64 = 18446744073709551616.0;
const double Two62 = 4611686018427387904.0;

// Bucket sort pays off past this many points; below it one qsort is faster.
const int64_t SerialSortMax = 9999;

// Scale of one axis; a flat (or inverted, or non-finite) axis gets 0, so that every point
// lands on its lower side instead of dividing by zero.
double axisScale(double lo, double hi, double range) {
  double d = hi - lo;
  if (!(d > 0) || !std::isfinite(d)) return 0;
  double s = range / d;
  return std::isfinite(s) ? s : 0;
}

// Position along an axis as an unsigned 64-bit integer, clamped to the representable range
// (a coordinate at the 3-D box maximum would scale to 2^64).
uint64_t toFixed(double c, double lo, double scale) {
  double v = (c - lo) * scale;
  if (!(v > 0)) return 0;
  if (v >= Two64) return UINT64_MAX;
  return static_cast<uint64_t>(v);
}

struct Frame {
  int Dim;
  double Lo[3], Scale[3];
};

Frame makeFrame(int dim, const double *box, double range) {
  Frame f{};
  f.Dim = dim;
  for (int a = 0; a < dim; a++) {
    f.Lo[a] = box[a];
    f.Scale[a] = axisScale(box[a], box[a + dim], range);
  }
  return f;
}

uint64_t code3(const Frame &f, const double *pt) {
  uint64_t x = toFixed(pt[0], f.Lo[0], f.Scale[0]);
  uint64_t y = toFixed(pt[1], f.Lo[1], f.Scale[1]);
  uint64_t z = toFixed(pt[2], f.Lo[2], f.Scale[2]);
  uint8_t map[8];
  for (int m = 0; m < 8; m++) map[m] = Start3D[m];
  uint64_t code = 0;
  for (int lvl = 0; lvl < 21; lvl++) {
    unsigned oct = static_cast<unsigned>((x >> 63) | ((y >> 63) << 1) | ((z >> 63) << 2));
    unsigned dig = map[oct];
    code = (code << 3) | dig;
    for (int m = 0; m < 8; m++) map[m] = Next3D[dig][map[m]];
    x <<= 1;
    y <<= 1;
    z <<= 1;
  }
  return code;
}

uint64_t code2(const Frame &f, const double *pt) {
  uint64_t x = toFixed(pt[0], f.Lo[0], f.Scale[0]);
  uint64_t y = toFixed(pt[1], f.Lo[1], f.Scale[1]);
  uint8_t map[4];
  for (int m = 0; m < 4; m++) map[m] = Start2D[m];
  uint64_t code = 0;
  for (int lvl = 0; lvl < 31; lvl++) {
    unsigned qua = static_cast<unsigned>(((x >> 62) & 1) | (((y >> 62) & 1) << 1));
    unsigned dig = map[qua];
    code = (code << 2) | dig;
    for (int m = 0; m < 4; m++) map[m] = Next2D[dig][map[m]];
    x <<= 1;
    y <<= 1;
  }
  return code;
}

struct CodeJob {
  Frame Frm;
  const double *Pts;  // point 1 first
  HilbertPair *Prs;   // pair 1 first
};

void codeRange(int beg, int end, int, void *arg) {
  auto *job = static_cast<CodeJob *>(arg);
  const int dim = job->Frm.Dim;
  for (int64_t i = beg; i <= end; i++) {
    const double *pt = job->Pts + dim * (i - 1);
    job->Prs[i - 1].Code = dim == 3 ? code3(job->Frm, pt) : code2(job->Frm, pt);
    job->Prs[i - 1].Index = static_cast<uint64_t>(i);
  }
}

// Codes of every point: on the pool when it has a free type and no more threads than points,
// else on the calling thread. The loop type is released afterwards.
void computeCodes(ParallelPool *par, int64_t n, CodeJob *job) {
  int type = n <= INT32_MAX ? NewType(par, static_cast<int>(n)) : 0;
  if (type) {
    LaunchParallel(par, type, 0, codeRange, job);
    FreeType(par, type);
    return;
  }
  for (int64_t beg = 1; beg <= n; beg += INT32_MAX / 2) {
    int64_t end = std::min<int64_t>(n, beg + INT32_MAX / 2 - 1);
    codeRange(static_cast<int>(beg), static_cast<int>(end), 0, job);
  }
}

// Workspace of the bucket sort, taken before any work so that a failure leaves the pairs alone.
struct Buckets {
  static const int NbrKey = 1 << 16;
  int64_t *Count = nullptr;
  int *BucketOf = nullptr;
  SortRange *Rng = nullptr;
  HilbertPair *Tmp = nullptr;
  bool Take(int64_t n) {
    Count = POOL_CALLOC(Count, NbrKey, int64_t);
    BucketOf = POOL_CALLOC(BucketOf, NbrKey, int);
    Rng = POOL_CALLOC(Rng, NbrKey, SortRange);
    Tmp = POOL_CALLOC(Tmp, static_cast<size_t>(n), HilbertPair);
    return Count && BucketOf && Rng && Tmp;
  }
  ~Buckets() {
    MEM_FREE(nullptr, Count);
    MEM_FREE(nullptr, BucketOf);
    MEM_FREE(nullptr, Rng);
    MEM_FREE(nullptr, Tmp);
  }
};

// Sorts the pairs by code: bucketed by the top 16 bits, one pipeline task per bucket.
void bucketSort(ParallelPool *par, int64_t n, HilbertPair *prs, Buckets &bk) {
  for (int64_t i = 0; i < n; i++) bk.Count[prs[i].Code >> 48]++;
  int64_t target = std::max<int64_t>(1, n / par->NbrCpu), held = 0, start = 0;
  int nbrBkt = 0;
  for (int k = 0; k < Buckets::NbrKey; k++) {
    bk.BucketOf[k] = nbrBkt;
    held += bk.Count[k];
    if (held >= target || k == Buckets::NbrKey - 1) {
      // The count is the bucket's fill position while the pairs are placed.
      bk.Rng[nbrBkt] = SortRange{bk.Tmp + start, 0, static_cast<int64_t>(sizeof(HilbertPair)), CmpPrc};
      start += held;
      held = 0;
      nbrBkt++;
    }
  }
  for (int64_t i = 0; i < n; i++) {
    SortRange &r = bk.Rng[bk.BucketOf[prs[i].Code >> 48]];
    static_cast<HilbertPair *>(r.Base)[r.Count++] = prs[i];
  }
  for (int b = 0; b < nbrBkt; b++) {
    if (bk.Rng[b].Count < 2) continue;
    // With the pool's task ids used up, the bucket is sorted here instead.
    if (!LaunchPipeline(par, PipSrt, &bk.Rng[b], 0, nullptr)) PipSrt(&bk.Rng[b]);
  }
  WaitPipeline(par);
  std::memcpy(prs, bk.Tmp, sizeof(HilbertPair) * static_cast<size_t>(n));
}

int renumber(ParallelPool *par, int dim, int64_t n, const double *box, const double *pts,
             HilbertPair *prs) {
  if (!par || !box || n < 0 || (n && (!pts || !prs))) return 0;
  bool bucketed = dim == 3 && n > SerialSortMax;
  Buckets bk;
  if (bucketed && !bk.Take(n)) return 0;
  CodeJob job{makeFrame(dim, box, dim == 3 ? Two64 : Two62), pts, prs};
  computeCodes(par, n, &job);
  if (bucketed)
    bucketSort(par, n, prs, bk);
  else if (n > 1)
    qsort(prs, static_cast<size_t>(n), sizeof(HilbertPair), CmpPrc);
  for (int64_t k = 1; k <= n; k++) prs[prs[k - 1].Index - 1].Code = static_cast<uint64_t>(k);
  return 1;
}

}  // namespace

uint64_t HilbertCode3D(const double box[6], const double pt[3]) {
  return code3(makeFrame(3, box, Two64), pt);
}

uint64_t HilbertCode2D(const double box[4], const double pt[2]) {
  return code2(makeFrame(2, box, Two62), pt);
}

int HilbertRenumberingBase(ParallelPool *par, int64_t n, const double box[6], const double *pts,
                           HilbertPair *pairs) {
  return renumber(par, 3, n, box, pts, pairs);
}

int HilbertRenumbering2DBase(ParallelPool *par, int64_t n, const double box[4], const double *pts,
                             HilbertPair *pairs) {
  return renumber(par, 2, n, box, pts, pairs);
}

int HilbertRenumbering(ParallelPool *par, int64_t n, const double box[6], const double *crd,
                       HilbertPair *pairs) {
  if (!crd || !pairs) return renumber(par, 3, n, box, nullptr, nullptr);
  return renumber(par, 3, n, box, crd + 3, pairs + 1);
}

int HilbertRenumbering2D(ParallelPool *par, int64_t n, const double box[4], const double *crd,
                         HilbertPair *pairs) {
  if (!crd || !pairs) return renumber(par, 2, n, box, nullptr, nullptr);
  return renumber(par, 2, n, box, crd + 2, pairs + 1);
}

void PipSrt(void *range) {
  auto *r = static_cast<SortRange *>(range);
  if (r && r->Base && r->Count > 1 && r->Size > 0 && r->Compare)
    qsort(r->Base, static_cast<size_t>(r->Count), static_cast<size_t>(r->Size), r->Compare);
}

int CmpPrc(const void *a, const void *b) {
  uint64_t ca = static_cast<const HilbertPair *>(a)->Code, cb = static_cast<const HilbertPair *>(b)->Code;
  // Equal codes compare equal: qsort needs a consistent order to stay inside the array.
  return ca > cb ? 1 : ca < cb ? -1 : 0;
}
