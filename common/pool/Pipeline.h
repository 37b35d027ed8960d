// Pipeline tasks: whole procedures, each on a thread of its own, that start once every task
// they depend on has finished and while fewer tasks run than the pool has threads.
#pragma once

#include <cstdint>

#include "common/pool/Parallel.h"

enum : int {
  PipMaxDeps = 100,    // dependencies of one task
  PipMaxIds = 65535,   // task ids a pool gives over its life
};

typedef void (*PipelineProc)(void *);

struct PipelineTask {
  int Idx;
  int NbrDep;
  int DepIdx[PipMaxDeps];
  PipelineProc Prc;
  void *Arg;
  pthread_t Thr;
  ParallelPool *Par;
  // Extra arguments belong to the task, so that launches in a row do not overwrite them.
  int NbrArg;
  void *ArgTab[PoolMaxArgs];
};

// Record of seven 64-bit words handed to the loader's reading tasks.
struct PipelineArgument {
  int64_t Val[7];
};

// Task id (1..65535), or 0 when refused: null pool or procedure, more than 100 dependencies,
// a dependency that is not the id of an earlier launch of this pool, ids exhausted, or a
// thread that could not be created.
int LaunchPipeline(ParallelPool *par, PipelineProc proc, void *arg, int count, const int *ids);
// Task id; proc is called as proc(a1..an) with the n pointer-sized values after n. -1 when
// n is outside 0..20, 0 when refused as above.
int LaunchPipelineMultiArg(ParallelPool *par, int count, const int *ids, AnyProc proc, int n, ...);
// The same with the values in an array.
int LaunchPipelineArgs(ParallelPool *par, int count, const int *ids, AnyProc proc, int n,
                       void *const *args);
// Returns once no task of the pool is pending.
void WaitPipeline(ParallelPool *par);
// 1 when task id has finished.
int PipelineDone(ParallelPool *par, int id);
void DefaultPipeArgument(PipelineArgument *rec, int64_t value);
