#include "common/pool/Pipeline.h"

#include <cstdarg>

#include "common/pool/PoolInternal.h"
#include "common/pool/ProcCall.h"

namespace {

bool doneBit(const ParallelPool *par, int id) { return (par->PipWrd[id >> 5] >> (id & 31)) & 1u; }

// Called with the pipeline mutex held.
bool mayStart(const PipelineTask *tsk) {
  const ParallelPool *par = tsk->Par;
  if (par->RunPip >= par->NbrCpu) return false;
  for (int i = 0; i < tsk->NbrDep; i++)
    if (!doneBit(par, tsk->DepIdx[i])) return false;
  return true;
}

void *taskMain(void *ptr) {
  auto *tsk = static_cast<PipelineTask *>(ptr);
  ParallelPool *par = tsk->Par;
  pthread_mutex_lock(&par->PipMtx);
  while (!mayStart(tsk)) pthread_cond_wait(&par->PipCnd, &par->PipMtx);
  par->RunPip++;
  pthread_mutex_unlock(&par->PipMtx);

  if (tsk->NbrArg)
    CallProcArgs<>(reinterpret_cast<AnyProc>(tsk->Prc), tsk->NbrArg, tsk->ArgTab);
  else
    tsk->Prc(tsk->Arg);

  int id = tsk->Idx;
  MEM_FREE(nullptr, tsk);
  pthread_mutex_lock(&par->PipMtx);
  par->PipWrd[id >> 5] |= 1u << (id & 31);
  par->PenPip--;
  par->RunPip--;
  // Waiting tasks, WaitPipeline and StopParallel all wait on this condition.
  pthread_cond_broadcast(&par->PipCnd);
  pthread_mutex_unlock(&par->PipMtx);
  return nullptr;
}

int launchTask(ParallelPool *par, PipelineProc proc, void *arg, int count, const int *ids, int n,
               void *const *args) {
  if (!par || !proc || count < 0 || count > PipMaxDeps || (count && !ids)) return 0;
  if (n < 0 || n > PoolMaxArgs || (n && !args)) return 0;
  PipelineTask *tsk = POOL_CALLOC(tsk, 1, PipelineTask);
  if (!tsk) return 0;
  tsk->NbrDep = count;
  for (int i = 0; i < count; i++) tsk->DepIdx[i] = ids[i];
  tsk->Prc = proc;
  tsk->Arg = arg;
  tsk->Par = par;
  tsk->NbrArg = n;
  for (int i = 0; i < n; i++) tsk->ArgTab[i] = args[i];

  pthread_attr_t attr;
  pthread_attr_init(&attr);
  // Tasks are never joined: detached, their threads give their resources back when they end.
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  int id = 0;
  pthread_mutex_lock(&par->PipMtx);
  bool valid = par->NbrPip < PipMaxIds;
  // A dependency on an id never given would keep the task, and WaitPipeline, waiting forever.
  for (int i = 0; i < count && valid; i++) valid = ids[i] >= 1 && ids[i] <= par->NbrPip;
  if (valid) {
    tsk->Idx = par->NbrPip + 1;
    if (pthread_create(&tsk->Thr, &attr, taskMain, tsk) == 0) {
      id = ++par->NbrPip;
      par->PenPip++;
    }
  }
  pthread_mutex_unlock(&par->PipMtx);
  pthread_attr_destroy(&attr);
  if (!id) MEM_FREE(nullptr, tsk);
  return id;
}

}  // namespace

int LaunchPipeline(ParallelPool *par, PipelineProc proc, void *arg, int count, const int *ids) {
  return launchTask(par, proc, arg, count, ids, 0, nullptr);
}

int LaunchPipelineArgs(ParallelPool *par, int count, const int *ids, AnyProc proc, int n,
                       void *const *args) {
  if (n < 0 || n > PoolMaxArgs) return -1;
  return launchTask(par, reinterpret_cast<PipelineProc>(proc), nullptr, count, ids, n, args);
}

int LaunchPipelineMultiArg(ParallelPool *par, int count, const int *ids, AnyProc proc, int n, ...) {
  if (n < 0 || n > PoolMaxArgs) return -1;
  void *args[PoolMaxArgs];
  va_list ap;
  va_start(ap, n);
  for (int i = 0; i < n; i++) args[i] = va_arg(ap, void *);
  va_end(ap);
  return LaunchPipelineArgs(par, count, ids, proc, n, args);
}

void WaitPipeline(ParallelPool *par) {
  if (!par) return;
  pthread_mutex_lock(&par->PipMtx);
  while (par->PenPip > 0) pthread_cond_wait(&par->PipCnd, &par->PipMtx);
  pthread_mutex_unlock(&par->PipMtx);
}

int PipelineDone(ParallelPool *par, int id) {
  if (!par || id < 1 || id > PipMaxIds) return 0;
  pthread_mutex_lock(&par->PipMtx);
  int done = doneBit(par, id);
  pthread_mutex_unlock(&par->PipMtx);
  return done;
}

void DefaultPipeArgument(PipelineArgument *rec, int64_t value) {
  if (!rec) return;
  rec->Val[0] = value;
  for (int i = 1; i < 7; i++) rec->Val[i] = 0;
}
