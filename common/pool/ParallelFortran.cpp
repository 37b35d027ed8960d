#include "common/pool/ParallelFortran.h"

#include <cstdarg>

#include "common/base/Clock.h"
#include "common/sort/Hilbert.h"
#include "common/pool/Pipeline.h"
#include "common/pool/PoolInternal.h"

namespace {

ParallelPool *poolOf(const int64_t *handle) {
  return handle ? reinterpret_cast<ParallelPool *>(static_cast<intptr_t>(*handle)) : nullptr;
}

// Reads n addresses following the count; false when n is outside 0..20.
bool readAddresses(va_list ap, int n, void **args) {
  if (n < 0 || n > PoolMaxArgs) return false;
  for (int i = 0; i < n; i++) args[i] = va_arg(ap, void *);
  return true;
}

}  // namespace

extern "C" {

int64_t initparallel_(int *n) {
  return static_cast<int64_t>(reinterpret_cast<intptr_t>(InitParallel(n ? *n : 0)));
}

void stopparallel_(int64_t *pool) {
  StopParallel(poolOf(pool));
  if (pool) *pool = 0;
}

int newtype_(int64_t *pool, int *lines) { return lines ? NewType(poolOf(pool), *lines) : 0; }

void freetype_(int64_t *pool, int *type) {
  if (type) FreeType(poolOf(pool), *type);
}

int begindependency_(int64_t *pool, int *type1, int *type2) {
  return type1 && type2 ? BeginDependency(poolOf(pool), *type1, *type2) : 0;
}

void adddependency_(int64_t *pool, int *line1, int *line2) {
  if (line1 && line2) AddDependency(poolOf(pool), *line1, *line2);
}

int enddependency_(int64_t *pool, float stats[2]) { return EndDependency(poolOf(pool), stats); }

float launchparallel_(int64_t *pool, int *type1, int *type2, AnyProc proc, int *n, ...) {
  if (!type1 || !type2 || !n) return -1.0f;
  void *args[PoolMaxArgs];
  va_list ap;
  va_start(ap, n);
  bool ok = readAddresses(ap, *n, args);
  va_end(ap);
  if (!ok) return -1.0f;
  return LaunchParallelByRef(poolOf(pool), *type1, *type2, proc, *n, args);
}

int parallelmemclear_(int64_t *pool, void *adr, int64_t *size) {
  return size ? ParallelMemClear(poolOf(pool), adr, *size) : 0;
}

int getpoolinformation_(int64_t *pool, int *threads, int *types) {
  return GetPoolInformation(poolOf(pool), threads, types);
}

int launchpipeline_(int64_t *pool, int *count, int *ids, AnyProc proc, int *n, ...) {
  if (!count || !n) return 0;
  void *args[PoolMaxArgs];
  va_list ap;
  va_start(ap, n);
  bool ok = readAddresses(ap, *n, args);
  va_end(ap);
  if (!ok) return 0;
  int id = LaunchPipelineArgs(poolOf(pool), *count, ids, proc, *n, args);
  return id > 0 ? id : 0;
}

void waitpipeline_(int64_t *pool) { WaitPipeline(poolOf(pool)); }

double hilbertrenumbering_(int64_t *pool, int64_t *n, double box[6], double *crd, int64_t *num) {
  if (!n || *n < 0 || (*n && !num)) return 0.0;
  HilbertPair *prs = POOL_CALLOC(prs, static_cast<size_t>(*n) + 1, HilbertPair);
  if (!prs) return 0.0;
  int ok = HilbertRenumberingBase(poolOf(pool), *n, box, crd, prs);
  if (ok)
    for (int64_t i = 0; i < *n; i++) num[i] = static_cast<int64_t>(prs[i].Code);
  MEM_FREE(nullptr, prs);
  return ok ? 1.0 : 0.0;
}

double hilbertrenumbering2d_(int64_t *pool, int64_t *n, double box[4], double *crd, int64_t *pairs) {
  if (!n) return 0.0;
  return HilbertRenumbering2DBase(poolOf(pool), *n, box, crd, reinterpret_cast<HilbertPair *>(pairs))
             ? 1.0
             : 0.0;
}

int getnumberofcores_() { return GetNumberOfCores(); }

double getwallclock_() { return GetWallClock(); }

}  // extern "C"
