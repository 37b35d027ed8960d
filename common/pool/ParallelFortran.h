// Entries of the worker pool callable from Fortran: every argument by address, names in lower
// case with a trailing underscore. A pool is handed around as a 64-bit integer.
#pragma once

#include <cstdint>

#include "common/pool/Parallel.h"

extern "C" {
int64_t initparallel_(int *n);
void stopparallel_(int64_t *pool);
int newtype_(int64_t *pool, int *lines);
void freetype_(int64_t *pool, int *type);
int begindependency_(int64_t *pool, int *type1, int *type2);
void adddependency_(int64_t *pool, int *line1, int *line2);
int enddependency_(int64_t *pool, float stats[2]);
// proc(&first, &last, &thread, a1..an) with the n addresses after n; -1 when n > 20.
float launchparallel_(int64_t *pool, int *type1, int *type2, AnyProc proc, int *n, ...);
int parallelmemclear_(int64_t *pool, void *adr, int64_t *size);
int getpoolinformation_(int64_t *pool, int *threads, int *types);
// proc(a1..an) with the n addresses after n; 0 when n > 20 or the launch is refused.
int launchpipeline_(int64_t *pool, int *count, int *ids, AnyProc proc, int *n, ...);
void waitpipeline_(int64_t *pool);
// crd holds point 1 first (3 doubles a point); num receives the new number of every point.
double hilbertrenumbering_(int64_t *pool, int64_t *n, double box[6], double *crd, int64_t *num);
// crd holds point 1 first (2 doubles a point), pairs pair 1 first (two 64-bit words a pair).
double hilbertrenumbering2d_(int64_t *pool, int64_t *n, double box[4], double *crd, int64_t *pairs);
int getnumberofcores_();
double getwallclock_();
}
