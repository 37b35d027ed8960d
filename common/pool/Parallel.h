// Worker pool for the long loops of the mesh library.
//
// A pool is started once with a fixed number of threads. A caller declares a loop type (lines
// 1..N, cut once into small work packages and into one static block per thread) and launches
// a procedure over it: either every thread runs its static block, or packages are handed out
// one by one by a scheduler that never runs two packages touching the same block of a second
// loop type at once (dependencies, e.g. tetrahedra sharing vertices). A launch returns once
// every block or package has run. One controlling thread launches; one launch at a time.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdint>

// proc(first line, last line, thread index, argument); lines are 1-based and inclusive.
typedef void (*ParallelProc)(int, int, int, void *);
// A procedure of any other signature, called with the extra arguments of a launch.
typedef void (*AnyProc)();

enum : int {
  PoolMaxThreads = 128,
  PoolMaxTypes = 100,     // type numbers run 1..100
  PoolMaxArgs = 20,       // extra arguments of a multi-argument launch
  PoolMaxBatch = 32,      // packages taken per walk of the pending list
  PoolDoneWords = 2048,   // done table of pipeline tasks: 65536 bits
  PoolGrowth = 2,         // room every type keeps for growth
};

// Commands given to the workers.
enum : int { PoolCmdStatic = 0, PoolCmdScheduled = 1, PoolCmdClear = 2, PoolCmdExit = 3 };

struct ParallelPool;

struct WorkPackage {
  int BegIdx, EndIdx;  // 1-based, inclusive
  int NbrDep;          // distinct type-2 blocks the package touches
  uint32_t *DepWrd;    // its dependency bits (null: none declared)
  WorkPackage *Prv, *Nxt;  // pending list of a launch
};

struct LoopType {
  int NbrLin;  // 0 marks a free slot
  int MaxLin;  // growth factor x lines at declaration
  int NbrPkg, NbrBlk;
  int PkgSiz, BlkSiz;
  int DepSiz;  // lines of type 2 one dependency bit stands for
  int DepWrd;  // dependency words per package; rows are PoolGrowth x DepWrd words apart
  uint32_t *DepMat;
  uint32_t *InUse;    // blocks held by running or ready packages
  WorkPackage *Pkg;   // packages in line order
  WorkPackage *Blk;   // static blocks
  WorkPackage **Ord;  // launch order of the packages (most dependencies first once sorted)
};

struct PoolWorker {
  int Idx;
  char *ClrAdr;        // memory-clear chunk
  size_t ClrSiz;
  WorkPackage *Cur;    // block or package being run, null when idle
  int Go;              // set by the launcher with the worker's mutex held: a command is waiting
  pthread_mutex_t Mtx;
  pthread_cond_t Cnd;
  pthread_t Thr;
  ParallelPool *Par;
};

struct ParallelPool {
  int NbrCpu;
  int WrkCpt;  // completion counter
  int NbrPip, PenPip, RunPip;  // pipeline ids given, tasks pending, tasks running
  int BufMax, BufCpt;          // batch size, packages in the ready batch
  int WrkSlp;                  // a worker was left without a package
  int Cmd;
  size_t ClrChunk;
  uint32_t *PipWrd;            // done table of pipeline tasks
  int SizMul;
  int NbrRefArg, NbrValArg;
  void *ArgTab[PoolMaxArgs];
  float Sta[2];                // scheduler calls, busy workers seen at those calls
  ParallelProc Prc;
  void *Arg;
  pthread_cond_t ParCnd, PipCnd;
  pthread_mutex_t ParMtx, PipMtx;
  PoolWorker *Wrk;
  LoopType *Typ;               // PoolMaxTypes + 1 slots, slot 0 unused
  LoopType *DepTyp1, *DepTyp2; // dependency context
  LoopType *CurTyp, *CurDep;   // launch context
  WorkPackage *NxtPkg;         // head of the pending list
  WorkPackage *Buf[PoolMaxBatch];
};

// Starts a pool of n threads (n < 1: one per online processor; at most 128). Null on failure,
// with everything it took released.
ParallelPool *InitParallel(int n);
// Ends every worker, waits for the pipeline tasks and frees the pool and its types.
void StopParallel(ParallelPool *par);

// Loop types.
int NewType(ParallelPool *par, int lines);
int ResizeType(ParallelPool *par, int type, int lines);
void FreeType(ParallelPool *par, int type);
// The type when it is declared with exactly that many lines, else 0 (run serially): a type
// number kept across meshes must not be launched over a different count.
int CheckTypeLines(ParallelPool *par, int type, int lines);

// Dependencies of the packages of type 1 on the blocks of type 2.
int BeginDependency(ParallelPool *par, int type1, int type2);
int AddDependency(ParallelPool *par, int line1, int line2);
int AddDependencyFast(ParallelPool *par, int countA, const int *lines1, int countB,
                      const int *lines2);
int UpdateDependency(ParallelPool *par, int type1, int type2, int line1, int line2);
int UpdateDependencyFast(ParallelPool *par, int type1, int countA, const int *lines1,
                         int type2, int countB, const int *lines2);
int EndDependency(ParallelPool *par, float stats[2]);
int GetDependencyStats(ParallelPool *par, int type1, int type2, float stats[2]);

// Runs proc over every line of type1: static blocks when type2 is 0, else scheduled packages.
// Returns the thread count (static), the average number of busy workers (scheduled), or -1.
float LaunchParallel(ParallelPool *par, int type1, int type2, ParallelProc proc, void *arg);
// As LaunchParallel, proc called as proc(first, last, thread, a1..an) with n pointer-sized
// values (0..20) passed after n.
float LaunchParallelMultiArg(ParallelPool *par, int type1, int type2, AnyProc proc, int n, ...);
// The same with the n values by reference: proc(&first, &last, &thread, a1..an).
float LaunchParallelByRef(ParallelPool *par, int type1, int type2, AnyProc proc, int n,
                          void *const *args);

// Runs proc(first, last, thread, arg) over lines 1..n: on the pool, one static block of lines
// per thread (a thread with no line left is not called), when par is not null, has two
// threads or more and a free loop type; else on the calling thread as proc(1, n, 0, arg).
// The thread index is below the pool's thread count. Returns the number of threads the lines
// were shared by (1: the calling thread), 0 when n < 1. For the controlling thread only.
int LaunchRange(ParallelPool *par, int n, ParallelProc proc, void *arg);

int ParallelMemClear(ParallelPool *par, void *adr, int64_t size);
int GetPoolInformation(ParallelPool *par, int *threads, int *types);
void ParallelQsort(ParallelPool *par, void *base, size_t count, size_t size,
                   int (*compare)(const void *, const void *));
