// Renumbering of points along a Hilbert curve, so that points close in space get close numbers.
#pragma once

#include <cstdint>

#include "common/pool/Parallel.h"

// Pair i of a renumbering, i = 1..n (entry 0 unused). On return pair k holds in Index the old
// number of the k-th point along the curve, and pair i holds in Code the new number of point i.
struct HilbertPair {
  uint64_t Code;
  uint64_t Index;
};

// Range sorted by one pipeline task of the renumbering.
struct SortRange {
  void *Base;
  int64_t Count;
  int64_t Size;
  int (*Compare)(const void *, const void *);
};

// Points are doubles, point i (1-based) at crd[3i..3i+2]; box is xmin, ymin, zmin, xmax, ymax,
// zmax. 1 when done, 0 on a null pool or argument, a negative count or a failed allocation.
int HilbertRenumbering(ParallelPool *par, int64_t n, const double box[6], const double *crd,
                       HilbertPair *pairs);
// Point i at crd[2i..2i+1]; box is xmin, ymin, xmax, ymax.
int HilbertRenumbering2D(ParallelPool *par, int64_t n, const double box[4], const double *crd,
                         HilbertPair *pairs);

// Codes of single points: 63 bits in 3-D (21 levels of octants), 62 in 2-D (31 levels).
uint64_t HilbertCode3D(const double box[6], const double pt[3]);
uint64_t HilbertCode2D(const double box[4], const double pt[2]);

// The same with 0-based arrays: point i (1..n) at pts[dim * (i - 1)], pair i at pairs[i - 1].
// These serve the callers whose arrays start at their first point.
int HilbertRenumberingBase(ParallelPool *par, int64_t n, const double box[6], const double *pts,
                           HilbertPair *pairs);
int HilbertRenumbering2DBase(ParallelPool *par, int64_t n, const double box[4], const double *pts,
                             HilbertPair *pairs);

void PipSrt(void *range);
int CmpPrc(const void *a, const void *b);
