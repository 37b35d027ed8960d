// Pool start and stop, the workers, the launches and the scheduler.
//
// Locking: the pool mutex guards the command, the counters, the scheduler state and every
// worker's current package. A worker's own mutex guards only its Go flag; the launcher takes
// it (while holding the pool mutex) to hand over a command, and a worker never holds it while
// taking the pool mutex, so the two are always locked in the same order. Every wait is a loop
// on its predicate: a spurious wake-up neither returns early nor runs a block twice.
#include <cstdarg>
#include <cstdlib>

#include "common/base/Clock.h"
#include "common/pool/PoolInternal.h"
#include "common/pool/ProcCall.h"

namespace {

// Hands the current command to a worker. Called with the pool mutex held.
void wakeWorker(PoolWorker *w) {
  pthread_mutex_lock(&w->Mtx);
  w->Go = 1;
  pthread_cond_signal(&w->Cnd);
  pthread_mutex_unlock(&w->Mtx);
}

void runProc(ParallelPool *par, WorkPackage *pkg, int idx) {
  int beg = pkg->BegIdx, end = pkg->EndIdx;
  if (par->NbrRefArg)
    CallProcArgs<int *, int *, int *>(reinterpret_cast<AnyProc>(par->Prc), par->NbrRefArg, par->ArgTab,
                                      &beg, &end, &idx);
  else if (!par->NbrValArg)
    par->Prc(beg, end, idx, par->Arg);
  else
    CallProcArgs<int, int, int>(reinterpret_cast<AnyProc>(par->Prc), par->NbrValArg, par->ArgTab, beg,
                                end, idx);
}

int busyWorkers(const ParallelPool *par) {
  int busy = 0;
  for (int i = 0; i < par->NbrCpu; i++)
    if (par->Wrk[i].Cur) busy++;
  return busy;
}

bool overlaps(const uint32_t *a, const uint32_t *b, int words) {
  for (int i = 0; i < words; i++)
    if (a[i] & b[i]) return true;
  return false;
}

// Next package for worker idx, or null. Called with the pool mutex held.
WorkPackage *nextPackage(ParallelPool *par, int idx) {
  LoopType *typ = par->CurTyp;
  int words = typ->InUse ? par->SizMul * typ->DepWrd : 0;
  par->Sta[0] += 1.0f;
  par->Sta[1] += static_cast<float>(busyWorkers(par));

  WorkPackage *done = par->Wrk[idx].Cur;
  if (done && done->DepWrd && words)
    for (int i = 0; i < words; i++) typ->InUse[i] &= ~done->DepWrd[i];

  if (!par->BufCpt) {
    for (WorkPackage *pkg = par->NxtPkg, *nxt; pkg && par->BufCpt < par->BufMax; pkg = nxt) {
      nxt = pkg->Nxt;
      bool held = pkg->DepWrd && words;
      if (held && overlaps(pkg->DepWrd, typ->InUse, words)) continue;
      par->Buf[par->BufCpt++] = pkg;
      if (pkg->Prv) pkg->Prv->Nxt = pkg->Nxt;
      else par->NxtPkg = pkg->Nxt;
      if (pkg->Nxt) pkg->Nxt->Prv = pkg->Prv;
      pkg->Prv = pkg->Nxt = nullptr;
      if (held)
        for (int i = 0; i < words; i++) typ->InUse[i] |= pkg->DepWrd[i];
    }
  }
  return par->BufCpt ? par->Buf[--par->BufCpt] : nullptr;
}

void runStatic(ParallelPool *par, PoolWorker *w) {
  runProc(par, w->Cur, w->Idx);
  pthread_mutex_lock(&par->ParMtx);
  w->Cur = nullptr;
  if (++par->WrkCpt >= par->CurTyp->NbrBlk) pthread_cond_signal(&par->ParCnd);
  pthread_mutex_unlock(&par->ParMtx);
}

void runScheduled(ParallelPool *par, PoolWorker *w) {
  for (;;) {
    runProc(par, w->Cur, w->Idx);
    pthread_mutex_lock(&par->ParMtx);
    par->WrkCpt++;
    w->Cur = nextPackage(par, w->Idx);
    if (!w->Cur) break;
    // The package just finished may have freed blocks an idle worker was waiting for.
    if (par->WrkSlp) pthread_cond_signal(&par->ParCnd);
    pthread_mutex_unlock(&par->ParMtx);
  }
  par->WrkSlp = 1;
  pthread_cond_signal(&par->ParCnd);
  pthread_mutex_unlock(&par->ParMtx);
}

void runClear(ParallelPool *par, PoolWorker *w) {
  if (w->ClrSiz) std::memset(w->ClrAdr, 0, w->ClrSiz);
  pthread_mutex_lock(&par->ParMtx);
  if (++par->WrkCpt >= par->NbrCpu) pthread_cond_signal(&par->ParCnd);
  pthread_mutex_unlock(&par->ParMtx);
}

void *workerMain(void *ptr) {
  auto *w = static_cast<PoolWorker *>(ptr);
  ParallelPool *par = w->Par;
  pthread_mutex_lock(&par->ParMtx);
  par->WrkCpt++;
  pthread_cond_signal(&par->ParCnd);
  pthread_mutex_unlock(&par->ParMtx);

  for (;;) {
    pthread_mutex_lock(&w->Mtx);
    while (!w->Go) pthread_cond_wait(&w->Cnd, &w->Mtx);
    w->Go = 0;
    // The launcher wrote the command before handing it over under this mutex.
    int cmd = par->Cmd;
    pthread_mutex_unlock(&w->Mtx);

    switch (cmd) {
      case PoolCmdStatic: runStatic(par, w); break;
      case PoolCmdScheduled: runScheduled(par, w); break;
      case PoolCmdClear: runClear(par, w); break;
      case PoolCmdExit: return nullptr;
      default: break;
    }
  }
}

// Waits on the pool condition until the completion counter reaches target (pool mutex held).
void waitCompletion(ParallelPool *par, int target) {
  while (par->WrkCpt < target) pthread_cond_wait(&par->ParCnd, &par->ParMtx);
}

// Ends and joins the first n workers, then releases the pool. Used by StopParallel and by a
// start that could not create every thread.
void shutDown(ParallelPool *par, int n) {
  pthread_mutex_lock(&par->ParMtx);
  par->Cmd = PoolCmdExit;
  for (int i = 0; i < n; i++) wakeWorker(&par->Wrk[i]);
  pthread_mutex_unlock(&par->ParMtx);
  for (int i = 0; i < n; i++) pthread_join(par->Wrk[i].Thr, nullptr);

  // Pipeline tasks hold the pool until they end.
  pthread_mutex_lock(&par->PipMtx);
  while (par->PenPip > 0) pthread_cond_wait(&par->PipCnd, &par->PipMtx);
  pthread_mutex_unlock(&par->PipMtx);

  for (int i = 0; i < par->NbrCpu; i++) {
    pthread_mutex_destroy(&par->Wrk[i].Mtx);
    pthread_cond_destroy(&par->Wrk[i].Cnd);
  }
  pthread_mutex_destroy(&par->ParMtx);
  pthread_cond_destroy(&par->ParCnd);
  pthread_mutex_destroy(&par->PipMtx);
  pthread_cond_destroy(&par->PipCnd);
  for (int t = 1; t <= PoolMaxTypes; t++) FreeType(par, t);
  MEM_FREE(nullptr, par->Wrk);
  MEM_FREE(nullptr, par->Typ);
  MEM_FREE(nullptr, par->PipWrd);
  MEM_FREE(nullptr, par);
}

float launch(ParallelPool *par, int type1, int type2, ParallelProc proc, void *arg) {
  LoopType *t1 = poolType(par, type1);
  if (!t1 || !proc || type2 < 0 || type2 > PoolMaxTypes || type1 == type2) return -1.0f;
  LoopType *t2 = type2 ? &par->Typ[type2] : nullptr;

  pthread_mutex_lock(&par->ParMtx);
  par->Prc = proc;
  par->Arg = arg;
  par->CurTyp = t1;
  par->CurDep = t2;
  par->WrkCpt = 0;
  float res;

  if (!t2) {
    par->Cmd = PoolCmdStatic;
    for (int i = 0; i < t1->NbrBlk && i < par->NbrCpu; i++) {
      par->Wrk[i].Cur = &t1->Blk[i];
      wakeWorker(&par->Wrk[i]);
    }
    waitCompletion(par, t1->NbrBlk);
    res = static_cast<float>(par->NbrCpu);
  } else {
    par->Cmd = PoolCmdScheduled;
    WorkPackage *prv = nullptr;
    for (int k = 0; k < t1->NbrPkg; k++) {
      WorkPackage *pkg = t1->Ord[k];
      pkg->Prv = prv;
      pkg->Nxt = nullptr;
      if (prv) prv->Nxt = pkg;
      prv = pkg;
    }
    par->NxtPkg = t1->NbrPkg ? t1->Ord[0] : nullptr;
    par->BufCpt = 0;
    par->WrkSlp = 0;
    par->Sta[0] = par->Sta[1] = 0;
    for (int i = 0; i < par->NbrCpu; i++) par->Wrk[i].Cur = nullptr;
    if (t1->InUse) std::memset(t1->InUse, 0, sizeof(uint32_t) * par->SizMul * t1->DepWrd);

    for (;;) {
      par->WrkSlp = 0;
      for (int i = 0; i < par->NbrCpu; i++) {
        PoolWorker *w = &par->Wrk[i];
        if (w->Cur) continue;
        WorkPackage *pkg = nextPackage(par, i);
        if (!pkg) {
          par->WrkSlp = 1;
          break;
        }
        w->Cur = pkg;
        wakeWorker(w);
      }
      if (par->WrkCpt >= t1->NbrPkg) break;
      pthread_cond_wait(&par->ParCnd, &par->ParMtx);
    }
    // Every worker has set its package back to null before the last count was added.
    res = par->Sta[0] > 0 ? par->Sta[1] / par->Sta[0] : 0.0f;
  }
  par->CurTyp = par->CurDep = nullptr;
  pthread_mutex_unlock(&par->ParMtx);
  return res;
}

}  // namespace

ParallelPool *InitParallel(int n) {
  int threads = n >= 1 ? n : GetNumberOfCores();
  if (threads < 1) return nullptr;
  if (threads > PoolMaxThreads) threads = PoolMaxThreads;

  ParallelPool *par = POOL_CALLOC(par, 1, ParallelPool);
  if (!par) return nullptr;
  par->Wrk = POOL_CALLOC(par->Wrk, threads, PoolWorker);
  par->Typ = POOL_CALLOC(par->Typ, PoolMaxTypes + 1, LoopType);
  par->PipWrd = POOL_CALLOC(par->PipWrd, PoolDoneWords, uint32_t);
  if (!par->Wrk || !par->Typ || !par->PipWrd) {
    MEM_FREE(nullptr, par->Wrk);
    MEM_FREE(nullptr, par->Typ);
    MEM_FREE(nullptr, par->PipWrd);
    MEM_FREE(nullptr, par);
    return nullptr;
  }

  par->NbrCpu = threads;
  par->SizMul = PoolGrowth;
  par->BufMax = threads > 3 ? threads / 4 : 1;
  if (par->BufMax > PoolMaxBatch) par->BufMax = PoolMaxBatch;
  pthread_mutex_init(&par->ParMtx, nullptr);
  pthread_mutex_init(&par->PipMtx, nullptr);
  pthread_cond_init(&par->ParCnd, nullptr);
  pthread_cond_init(&par->PipCnd, nullptr);
  for (int i = 0; i < threads; i++) {
    PoolWorker *w = &par->Wrk[i];
    w->Idx = i;
    w->Par = par;
    pthread_mutex_init(&w->Mtx, nullptr);
    pthread_cond_init(&w->Cnd, nullptr);
  }

  for (int i = 0; i < threads; i++) {
    if (pthread_create(&par->Wrk[i].Thr, nullptr, workerMain, &par->Wrk[i])) {
      shutDown(par, i);
      return nullptr;
    }
  }
  pthread_mutex_lock(&par->ParMtx);
  waitCompletion(par, threads);
  pthread_mutex_unlock(&par->ParMtx);
  return par;
}

void StopParallel(ParallelPool *par) {
  if (par) shutDown(par, par->NbrCpu);
}

float LaunchParallel(ParallelPool *par, int type1, int type2, ParallelProc proc, void *arg) {
  return launch(par, type1, type2, proc, arg);
}

float LaunchParallelMultiArg(ParallelPool *par, int type1, int type2, AnyProc proc, int n, ...) {
  if (!par || n < 0 || n > PoolMaxArgs) return -1.0f;
  va_list ap;
  va_start(ap, n);
  for (int i = 0; i < n; i++) par->ArgTab[i] = va_arg(ap, void *);
  va_end(ap);
  par->NbrValArg = n;
  float res = launch(par, type1, type2, reinterpret_cast<ParallelProc>(proc), nullptr);
  par->NbrValArg = 0;
  return res;
}

float LaunchParallelByRef(ParallelPool *par, int type1, int type2, AnyProc proc, int n,
                          void *const *args) {
  if (!par || n < 0 || n > PoolMaxArgs || (n && !args)) return -1.0f;
  for (int i = 0; i < n; i++) par->ArgTab[i] = args[i];
  par->NbrRefArg = n;
  float res = launch(par, type1, type2, reinterpret_cast<ParallelProc>(proc), nullptr);
  par->NbrRefArg = 0;
  return res;
}

namespace {

// A range of n lines spread over a type of at least as many lines as threads.
struct RangeJob {
  int N;
  ParallelProc Proc;
  void *Arg;
};

void rangeBlock(int beg, int end, int thread, void *arg) {
  auto *job = static_cast<RangeJob *>(arg);
  if (end > job->N) end = job->N;
  if (beg <= end) job->Proc(beg, end, thread, job->Arg);
}

}  // namespace

int LaunchRange(ParallelPool *par, int n, ParallelProc proc, void *arg) {
  if (n < 1 || !proc) return 0;
  int type = par && par->NbrCpu >= 2 ? NewType(par, n > par->NbrCpu ? n : par->NbrCpu) : 0;
  if (!type) {
    proc(1, n, 0, arg);
    return 1;
  }
  RangeJob job{n, proc, arg};
  LaunchParallel(par, type, 0, rangeBlock, &job);
  FreeType(par, type);
  return n < par->NbrCpu ? n : par->NbrCpu;
}

int ParallelMemClear(ParallelPool *par, void *adr, int64_t size) {
  if (!par || !adr || size < par->NbrCpu) return 0;
  pthread_mutex_lock(&par->ParMtx);
  par->Cmd = PoolCmdClear;
  par->ClrChunk = static_cast<size_t>(size) / static_cast<size_t>(par->NbrCpu);
  par->WrkCpt = 0;
  for (int i = 0; i < par->NbrCpu; i++) {
    PoolWorker *w = &par->Wrk[i];
    w->ClrAdr = static_cast<char *>(adr) + par->ClrChunk * static_cast<size_t>(i);
    w->ClrSiz = par->ClrChunk + (i == par->NbrCpu - 1 ? static_cast<size_t>(size) % par->NbrCpu : 0);
    wakeWorker(w);
  }
  waitCompletion(par, par->NbrCpu);
  pthread_mutex_unlock(&par->ParMtx);
  return 1;
}

void ParallelQsort(ParallelPool *par, void *base, size_t count, size_t size,
                   int (*compare)(const void *, const void *)) {
  (void)par;
  if (base && count > 1 && size && compare) qsort(base, count, size, compare);
}
