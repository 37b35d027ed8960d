#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <thread>
#include <vector>

#include "common/Clock.h"
#include "common/Parallel.h"

namespace {

// Counts every line run, so that a line run twice or never shows up.
struct LineCounter {
  explicit LineCounter(int n) : runs(static_cast<size_t>(n) + 1) {}
  std::vector<std::atomic<int>> runs;
  std::atomic<int> badThread{0};
  int threads = 0;
  bool EachOnce() const {
    for (size_t i = 1; i < runs.size(); i++)
      if (runs[i].load() != 1) return false;
    return runs[0].load() == 0;
  }
};

void countLines(int beg, int end, int thr, void *arg) {
  auto *c = static_cast<LineCounter *>(arg);
  if (thr < 0 || thr >= c->threads) c->badThread++;
  for (int i = beg; i <= end; i++) c->runs[static_cast<size_t>(i)]++;
}

class Pool : public ::testing::Test {
 protected:
  void TearDown() override { StopParallel(par); }
  void Start(int n) {
    par = InitParallel(n);
    ASSERT_NE(par, nullptr);
  }
  const LoopType &Type(int t) const { return par->Typ[t]; }
  ParallelPool *par = nullptr;
};

TEST(PoolStart, ThreadCounts) {
  ParallelPool *par = InitParallel(0);
  ASSERT_NE(par, nullptr);
  EXPECT_EQ(par->NbrCpu, std::min(GetNumberOfCores(), 128));
  StopParallel(par);
  par = InitParallel(500);
  ASSERT_NE(par, nullptr);
  EXPECT_EQ(par->NbrCpu, 128);
  EXPECT_EQ(par->BufMax, 32);
  int threads = 0, types = -1;
  EXPECT_EQ(GetPoolInformation(par, &threads, &types), 128);
  EXPECT_EQ(threads, 128);
  EXPECT_EQ(types, 0);
  StopParallel(par);
  par = InitParallel(3);
  ASSERT_NE(par, nullptr);
  EXPECT_EQ(par->BufMax, 1);
  StopParallel(par);
  StopParallel(nullptr);
  EXPECT_EQ(GetPoolInformation(nullptr, &threads, &types), 0);
}

TEST(PoolClock, WallClockAdvancesAndCoresArePositive) {
  EXPECT_GE(GetNumberOfCores(), 1);
  double t0 = GetWallClock();
  EXPECT_GT(t0, 1.5e9);  // after 2017
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  double dt = GetWallClock() - t0;
  EXPECT_GT(dt, 0.015);
  EXPECT_LT(dt, 5.0);
}

TEST_F(Pool, PackageAndBlockArithmetic) {
  Start(4);
  EXPECT_EQ(NewType(par, 3), 0);
  EXPECT_EQ(NewType(par, 0), 0);
  int t = NewType(par, 100);
  ASSERT_EQ(t, 1);
  EXPECT_EQ(Type(t).NbrPkg, 1);
  EXPECT_EQ(Type(t).Pkg[0].BegIdx, 1);
  EXPECT_EQ(Type(t).Pkg[0].EndIdx, 100);
  EXPECT_EQ(Type(t).NbrBlk, 4);
  const int blocks[4][2] = {{1, 25}, {26, 50}, {51, 75}, {76, 100}};
  for (int k = 0; k < 4; k++) {
    EXPECT_EQ(Type(t).Blk[k].BegIdx, blocks[k][0]);
    EXPECT_EQ(Type(t).Blk[k].EndIdx, blocks[k][1]);
  }
  EXPECT_EQ(Type(t).MaxLin, 200);

  int u = NewType(par, 1000);
  ASSERT_EQ(u, 2);
  EXPECT_EQ(Type(u).PkgSiz, 3);
  EXPECT_EQ(Type(u).NbrPkg, 334);
  EXPECT_EQ(Type(u).Pkg[332].BegIdx, 997);
  EXPECT_EQ(Type(u).Pkg[332].EndIdx, 999);
  EXPECT_EQ(Type(u).Pkg[333].BegIdx, 1000);
  EXPECT_EQ(Type(u).Pkg[333].EndIdx, 1000);
  EXPECT_EQ(Type(u).BlkSiz, 250);
  EXPECT_EQ(Type(u).Blk[3].BegIdx, 751);
  EXPECT_EQ(Type(u).Blk[3].EndIdx, 1000);

  // Odd count: the last block takes the remainder.
  int v = NewType(par, 1003);
  EXPECT_EQ(Type(v).Blk[3].BegIdx, 751);
  EXPECT_EQ(Type(v).Blk[3].EndIdx, 1003);
  int threads = 0, types = 0;
  GetPoolInformation(par, &threads, &types);
  EXPECT_EQ(types, 3);
}

TEST_F(Pool, TypeSlotsRunOutAndAreReusedFirstFree) {
  Start(2);
  for (int i = 1; i <= 100; i++) ASSERT_EQ(NewType(par, 10 + i), i);
  EXPECT_EQ(NewType(par, 10), 0);
  FreeType(par, 37);
  FreeType(par, 12);
  FreeType(par, 0);    // ignored
  FreeType(par, 101);  // ignored
  EXPECT_EQ(NewType(par, 50), 12);
  EXPECT_EQ(NewType(par, 50), 37);
  EXPECT_EQ(NewType(par, 50), 0);
}

TEST_F(Pool, FailedAllocationsLeaveNoHalfDeclaredType) {
  Start(128);
  int t1 = NewType(par, 10000);
  int t2 = NewType(par, 1000000);
  ASSERT_EQ(t2, 2);
  // With a growth factor no allocator can honour, every table is above the sanitizers'
  // largest allocation (1 TiB) and is refused, whatever the machine's overcommit policy.
  par->SizMul = INT32_MAX;
  EXPECT_EQ(NewType(par, INT32_MAX), 0);
  EXPECT_EQ(BeginDependency(par, t1, t2), 0);
  EXPECT_EQ(Type(t1).DepMat, nullptr);
  EXPECT_EQ(Type(t1).InUse, nullptr);
  EXPECT_EQ(Type(t1).Pkg[0].DepWrd, nullptr);
  EXPECT_EQ(AddDependency(par, 1, 1), 0);
  par->SizMul = PoolGrowth;
  int threads = 0, types = 0;
  GetPoolInformation(par, &threads, &types);
  EXPECT_EQ(types, 2);
  // The slot the failed declaration tried is free again.
  EXPECT_EQ(NewType(par, 1000), 3);
  EXPECT_GT(BeginDependency(par, t1, t2), 0);
  EXPECT_EQ(AddDependency(par, 1, 1), 1);
}

TEST_F(Pool, ResizeAppendsPackagesAndRecutsBlocks) {
  Start(4);
  int t = NewType(par, 1000);
  EXPECT_EQ(ResizeType(par, t, 999), 0);   // below the lines
  EXPECT_EQ(ResizeType(par, t, 2001), 0);  // above the capacity
  EXPECT_EQ(ResizeType(par, 0, 1500), 0);
  ASSERT_EQ(ResizeType(par, t, 1500), t);
  const LoopType &typ = Type(t);
  EXPECT_EQ(typ.NbrLin, 1500);
  EXPECT_EQ(typ.NbrPkg, 334 + 167);
  EXPECT_EQ(typ.Pkg[334].BegIdx, 1001);
  EXPECT_EQ(typ.Pkg[334].EndIdx, 1003);
  EXPECT_EQ(typ.Pkg[typ.NbrPkg - 1].EndIdx, 1500);
  EXPECT_EQ(typ.Blk[3].BegIdx, 1126);
  EXPECT_EQ(typ.Blk[3].EndIdx, 1500);
  ASSERT_EQ(ResizeType(par, t, 2000), t);
  LineCounter c(2000);
  c.threads = 4;
  EXPECT_EQ(LaunchParallel(par, t, 0, countLines, &c), 4.0f);
  EXPECT_TRUE(c.EachOnce());
  int other = NewType(par, 400);
  LineCounter d(2000);
  d.threads = 4;
  EXPECT_GE(LaunchParallel(par, t, other, countLines, &d), 0.0f);
  EXPECT_TRUE(d.EachOnce());
}

TEST_F(Pool, DependencyArithmetic) {
  Start(4);
  int t1 = NewType(par, 5000);
  int big = NewType(par, 10000);
  EXPECT_EQ(BeginDependency(par, t1, big), 35);
  EXPECT_EQ(Type(t1).DepSiz, 9);
  int small = NewType(par, 1000);
  int t3 = NewType(par, 5000);
  EXPECT_EQ(BeginDependency(par, t3, small), 1);
  EXPECT_EQ(Type(t3).DepSiz, 1000);
  EXPECT_EQ(BeginDependency(par, t3, t3), 0);
  EXPECT_EQ(BeginDependency(par, t3, 0), 0);
  EXPECT_EQ(BeginDependency(par, t3, 55), 0);  // free slot
  EXPECT_EQ(BeginDependency(nullptr, t3, small), 0);
  // The refused call cleared the context: nothing can be added.
  EXPECT_EQ(AddDependency(par, 1, 1), 0);
}

TEST_F(Pool, AddDependencyCountsDistinctBlocks) {
  Start(4);
  int t1 = NewType(par, 1000);   // packages of 3 lines
  int t2 = NewType(par, 10000);  // blocks of 9 lines
  ASSERT_EQ(BeginDependency(par, t1, t2), 35);
  EXPECT_EQ(AddDependency(par, 1, 1), 1);
  EXPECT_EQ(AddDependency(par, 1, 1), 1);  // same pair twice
  EXPECT_EQ(AddDependency(par, 2, 9), 1);  // same package, same block
  EXPECT_EQ(AddDependency(par, 3, 10), 2); // next block
  EXPECT_EQ(AddDependency(par, 4, 10000), 1);
  EXPECT_EQ(Type(t1).Pkg[0].DepWrd[0], 3u);
  // Block of line 10000 is 1111: word 34, bit 23.
  EXPECT_EQ(Type(t1).Pkg[1].DepWrd[34], 1u << 23);
  EXPECT_EQ(AddDependency(par, 0, 1), 0);
  EXPECT_EQ(AddDependency(par, 1, 0), 0);
  EXPECT_EQ(AddDependency(par, 1001, 1), 0);
  EXPECT_EQ(AddDependency(par, 1, 10001), 0);

  const int lines1[] = {7, 8}, lines2[] = {100, 200, 300, 0, 20000};
  EXPECT_EQ(AddDependencyFast(par, 2, lines1, 5, lines2), 1);
  EXPECT_EQ(Type(t1).Pkg[2].NbrDep, 3);  // out-of-range lines are skipped
  EXPECT_EQ(AddDependencyFast(par, 0, lines1, 5, lines2), 0);

  // Named types may address type 2 up to its capacity.
  EXPECT_EQ(UpdateDependency(par, t1, t2, 10, 19999), 1);
  EXPECT_EQ(UpdateDependency(par, t1, t2, 10, 20001), 0);
  EXPECT_EQ(UpdateDependency(par, t1, t1, 10, 1), 0);
  const int more[] = {19990};
  EXPECT_EQ(UpdateDependencyFast(par, t1, 1, lines1, t2, 1, more), 1);
  EXPECT_EQ(Type(t1).Pkg[2].NbrDep, 4);
}

TEST_F(Pool, EndDependencySortsMostConstrainedFirst) {
  Start(4);
  int t1 = NewType(par, 1000);
  int t2 = NewType(par, 10000);
  float st[2] = {-1, -1};
  ASSERT_EQ(BeginDependency(par, t1, t2), 35);
  EXPECT_EQ(EndDependency(par, st), 0);  // no dependency yet
  EXPECT_EQ(st[1], 0.0f);
  for (int b = 1; b <= 90; b += 9) AddDependency(par, 500, b);  // package 166: 10 blocks
  AddDependency(par, 1, 1);                                     // package 0: 1 block
  AddDependency(par, 700, 1);                                   // package 233: 1 block
  ASSERT_EQ(EndDependency(par, st), 1);
  const double blocks = 1112;  // ceil(10000 / 9)
  EXPECT_NEAR(st[0], 12 * 100 / (334 * blocks), 1e-6);
  EXPECT_NEAR(st[1], 10 * 100 / blocks, 1e-5);
  EXPECT_EQ(Type(t1).Ord[0]->BegIdx, 499);
  EXPECT_EQ(Type(t1).Ord[1]->BegIdx, 1);
  EXPECT_EQ(Type(t1).Ord[2]->BegIdx, 700);
  float gs[2];
  EXPECT_EQ(GetDependencyStats(par, t1, t2, gs), 1);
  EXPECT_EQ(gs[0], st[0]);
  EXPECT_EQ(gs[1], st[1]);
  // Adding after the sort still reaches the package that holds the line.
  EXPECT_EQ(AddDependency(par, 500, 9000), 11);
  EXPECT_EQ(GetDependencyStats(par, t1, 77, gs), 0);
}

TEST_F(Pool, StaticLaunchRunsEveryLineOnce) {
  Start(4);
  int t = NewType(par, 100003);
  LineCounter c(100003);
  c.threads = 4;
  EXPECT_EQ(LaunchParallel(par, t, 0, countLines, &c), 4.0f);
  EXPECT_TRUE(c.EachOnce());
  EXPECT_EQ(c.badThread.load(), 0);
}

TEST_F(Pool, LaunchRefusals) {
  Start(2);
  int t = NewType(par, 100);
  LineCounter c(100);
  EXPECT_EQ(LaunchParallel(nullptr, t, 0, countLines, &c), -1.0f);
  EXPECT_EQ(LaunchParallel(par, 0, 0, countLines, &c), -1.0f);
  EXPECT_EQ(LaunchParallel(par, 101, 0, countLines, &c), -1.0f);
  EXPECT_EQ(LaunchParallel(par, 5, 0, countLines, &c), -1.0f);  // undeclared
  EXPECT_EQ(LaunchParallel(par, t, t, countLines, &c), -1.0f);
  EXPECT_EQ(LaunchParallel(par, t, 101, countLines, &c), -1.0f);
  EXPECT_EQ(LaunchParallel(par, t, -1, countLines, &c), -1.0f);
  EXPECT_EQ(LaunchParallelMultiArg(par, t, 0, reinterpret_cast<AnyProc>(countLines), 21), -1.0f);
  for (size_t i = 0; i < c.runs.size(); i++) EXPECT_EQ(c.runs[i].load(), 0);
}

TEST_F(Pool, ScheduledLaunchWithoutDependenciesRunsEveryLineOnce) {
  for (int n : {1, 3, 8}) {
    ParallelPool *p = InitParallel(n);
    ASSERT_NE(p, nullptr);
    int t = NewType(p, 77777), u = NewType(p, 5000);
    LineCounter c(77777);
    c.threads = n;
    float busy = LaunchParallel(p, t, u, countLines, &c);
    EXPECT_GE(busy, 0.0f);
    EXPECT_LE(busy, static_cast<float>(n));
    EXPECT_TRUE(c.EachOnce()) << n << " threads";
    EXPECT_EQ(c.badThread.load(), 0);
    StopParallel(p);
  }
}

void noop(int, int, int, void *) {}

TEST_F(Pool, ThousandLaunchesInARowReturn) {
  // A lost wake-up would hang here; the test's timeout bounds it.
  Start(4);
  int t = NewType(par, 5000), u = NewType(par, 4000);
  ASSERT_EQ(BeginDependency(par, t, u), 42);
  for (int i = 1; i <= 5000; i++) AddDependency(par, i, (i * 7) % 4000 + 1);
  ASSERT_EQ(EndDependency(par, nullptr), 1);
  LineCounter c(5000);
  c.threads = 4;
  for (int i = 0; i < 1000; i++) {
    ASSERT_EQ(LaunchParallel(par, t, 0, noop, nullptr), 4.0f);
    ASSERT_GE(LaunchParallel(par, t, u, i % 10 ? noop : countLines, &c), 0.0f);
  }
  for (int i = 1; i <= 5000; i++) ASSERT_EQ(c.runs[static_cast<size_t>(i)].load(), 100);
}

// Wakes every worker and the launcher without cause while launches run: no block may run
// twice and no launch may return before its lines are done.
TEST_F(Pool, SpuriousWakeUpsNeitherRepeatNorCutShort) {
  Start(4);
  const int n = 20000;
  int t = NewType(par, n), u = NewType(par, 1000);
  std::atomic<bool> stop{false};
  std::thread noise([&] {
    while (!stop.load()) {
      for (int i = 0; i < 4; i++) pthread_cond_broadcast(&par->Wrk[i].Cnd);
      pthread_cond_broadcast(&par->ParCnd);
      std::this_thread::yield();
    }
  });
  struct Slow {
    LineCounter c{n};
  } slow;
  slow.c.threads = 4;
  auto slowLines = [](int beg, int end, int thr, void *arg) {
    std::this_thread::sleep_for(std::chrono::microseconds(50));
    countLines(beg, end, thr, arg);
  };
  for (int round = 1; round <= 20; round++) {
    LaunchParallel(par, t, round % 2 ? 0 : u, slowLines, &slow.c);
    for (int i = 1; i <= n; i++) ASSERT_EQ(slow.c.runs[static_cast<size_t>(i)].load(), round);
  }
  EXPECT_EQ(ParallelMemClear(par, &slow.c.runs[1], sizeof(std::atomic<int>) * n), 1);
  for (int i = 1; i <= n; i++) ASSERT_EQ(slow.c.runs[static_cast<size_t>(i)].load(), 0);
  stop = true;
  noise.join();
}

void sumArgs(int beg, int end, int thr, void *a1, void *a2, void *a3) {
  (void)thr;
  auto *out = static_cast<std::atomic<long> *>(a1);
  long k = reinterpret_cast<long>(a2), m = reinterpret_cast<long>(a3);
  for (int i = beg; i <= end; i++) *out += k * i + m;
}

void refArgs(int *beg, int *end, int *thr, void *a1, void *a2) {
  auto *out = static_cast<std::atomic<long> *>(a1);
  long k = *static_cast<long *>(a2);
  if (*thr < 0) return;
  for (int i = *beg; i <= *end; i++) *out += k * i;
}

void manyArgs(int beg, int end, int, void *a1, void *a2, void *a3, void *a4, void *a5, void *a6,
              void *a7, void *a8, void *a9, void *a10, void *a11, void *a12, void *a13, void *a14,
              void *a15, void *a16, void *a17, void *a18, void *a19, void *a20) {
  void *v[20] = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16, a17, a18, a19, a20};
  long s = 0;
  for (int i = 1; i < 20; i++) s += reinterpret_cast<long>(v[i]);
  *static_cast<std::atomic<long> *>(a1) += s * (end - beg + 1);
}

TEST_F(Pool, MultiArgumentLaunches) {
  Start(3);
  int t = NewType(par, 1000);
  std::atomic<long> sum{0};
  EXPECT_EQ(LaunchParallelMultiArg(par, t, 0, reinterpret_cast<AnyProc>(sumArgs), 3, &sum,
                                   reinterpret_cast<void *>(2L), reinterpret_cast<void *>(5L)),
            3.0f);
  EXPECT_EQ(sum.load(), 2L * 1000 * 1001 / 2 + 5 * 1000);
  EXPECT_EQ(par->NbrValArg, 0);

  sum = 0;
  long k = 3;
  void *refs[2] = {&sum, &k};
  EXPECT_EQ(LaunchParallelByRef(par, t, 0, reinterpret_cast<AnyProc>(refArgs), 2, refs), 3.0f);
  EXPECT_EQ(sum.load(), 3L * 1000 * 1001 / 2);
  EXPECT_EQ(par->NbrRefArg, 0);

  sum = 0;
  EXPECT_EQ(LaunchParallelMultiArg(par, t, 0, reinterpret_cast<AnyProc>(manyArgs), 20, &sum,
                                   (void *)1L, (void *)2L, (void *)3L, (void *)4L, (void *)5L, (void *)6L,
                                   (void *)7L, (void *)8L, (void *)9L, (void *)10L, (void *)11L, (void *)12L,
                                   (void *)13L, (void *)14L, (void *)15L, (void *)16L, (void *)17L,
                                   (void *)18L, (void *)19L),
            3.0f);
  EXPECT_EQ(sum.load(), 190L * 1000);

  // A plain launch afterwards gets its own argument again.
  LineCounter c(1000);
  c.threads = 3;
  EXPECT_EQ(LaunchParallel(par, t, 0, countLines, &c), 3.0f);
  EXPECT_TRUE(c.EachOnce());
}

TEST_F(Pool, MemClear) {
  Start(4);
  char ten[16];
  std::memset(ten, 0x5a, sizeof(ten));
  EXPECT_EQ(ParallelMemClear(par, ten, 10), 1);
  for (int i = 0; i < 10; i++) EXPECT_EQ(ten[i], 0) << i;
  for (int i = 10; i < 16; i++) EXPECT_EQ(ten[i], 0x5a) << i;
  std::memset(ten, 0x5a, sizeof(ten));
  EXPECT_EQ(ParallelMemClear(par, ten, 3), 0);
  for (int i = 0; i < 16; i++) EXPECT_EQ(ten[i], 0x5a);
  EXPECT_EQ(ParallelMemClear(par, nullptr, 100), 0);
  EXPECT_EQ(ParallelMemClear(nullptr, ten, 10), 0);

  std::vector<unsigned char> big(1000003, 0xff);
  EXPECT_EQ(ParallelMemClear(par, big.data(), static_cast<int64_t>(big.size())), 1);
  for (size_t i = 0; i < big.size(); i++) ASSERT_EQ(big[i], 0) << i;
}

TEST_F(Pool, QsortSortsOnTheCallingThread) {
  Start(2);
  int v[] = {5, 3, 9, 1, 7};
  ParallelQsort(par, v, 5, sizeof(int), [](const void *a, const void *b) {
    return *static_cast<const int *>(a) - *static_cast<const int *>(b);
  });
  const int want[] = {1, 3, 5, 7, 9};
  for (int i = 0; i < 5; i++) EXPECT_EQ(v[i], want[i]);
}

}  // namespace
