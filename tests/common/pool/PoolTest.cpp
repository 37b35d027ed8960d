#include "tests/common/CommonTest.h"

namespace {

// Counts every line run, so that a line run twice or never shows up.
struct LineCounter {
  LineCounter(int n, int thr) : runs(static_cast<size_t>(n) + 1), threads(thr) {}
  std::vector<std::atomic<int>> runs;
  int threads;
  std::atomic<int> badThread{0};
  bool EachOnce() const {
    for (size_t i = 1; i < runs.size(); i++)
      if (runs[i].load() != 1) return false;
    return runs[0].load() == 0 && badThread.load() == 0;
  }
};

void countLines(int beg, int end, int thr, void *arg) {
  auto *c = static_cast<LineCounter *>(arg);
  if (thr < 0 || thr >= c->threads) c->badThread++;
  for (int i = beg; i <= end; i++) c->runs[static_cast<size_t>(i)]++;
}

void noop(int, int, int, void *) {}

class Pool : public ::testing::Test {
 protected:
  void TearDown() override { StopParallel(par); }
  void Start(int n) {
    par = InitParallel(n);
    ASSERT_NE(par, nullptr);
  }
  const LoopType &Type(int t) const { return par->Typ[t]; }
  int Types() const {
    int types = -1;
    return GetPoolInformation(par, nullptr, &types), types;
  }
  ParallelPool *par = nullptr;
};

TEST(PoolStart, ThreadCounts) {
  ParallelPool *par = InitParallel(0);
  ASSERT_NE(par, nullptr);
  EXPECT_EQ(par->NbrCpu, std::min(GetNumberOfCores(), 128));
  StopParallel(par);
  par = InitParallel(500);
  ASSERT_NE(par, nullptr);
  int threads = 0, types = -1;
  EXPECT_EQ(GetPoolInformation(par, &threads, &types), 128);
  StopParallel(par);
  StopParallel(nullptr);
}

TEST_F(Pool, PackagesAndBlocksCoverTheLines) {
  Start(4);
  for (int lines : {0, 3}) EXPECT_EQ(NewType(par, lines), 0);  // fewer lines than threads
  int t = NewType(par, 1003);
  ASSERT_EQ(t, 1);
  const LoopType &ty = Type(t);
  EXPECT_EQ(ty.Pkg[ty.NbrPkg - 1].EndIdx, 1003);
  for (int p = 1; p < ty.NbrPkg; p++) EXPECT_EQ(ty.Pkg[p].BegIdx, ty.Pkg[p - 1].EndIdx + 1) << p;
  for (int k = 1; k < 4; k++) EXPECT_EQ(ty.Blk[k].BegIdx, ty.Blk[k - 1].EndIdx + 1) << k;
  EXPECT_EQ(ty.Blk[0].BegIdx, 1);
  EXPECT_EQ(ty.Blk[3].EndIdx, 1003);
  EXPECT_EQ(Types(), 1);
}

TEST_F(Pool, TypeSlotsRunOutAndAreReusedFirstFree) {
  Start(2);
  for (int i = 1; i <= 100; i++) ASSERT_EQ(NewType(par, 10 + i), i);
  EXPECT_EQ(NewType(par, 10), 0);
  for (int t : {37, 12, 0, 101}) FreeType(par, t);  // 0 and 101 are ignored
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
  EXPECT_EQ(AddDependency(par, 1, 1), 0);
  par->SizMul = PoolGrowth;
  EXPECT_EQ(Types(), 2);
  EXPECT_EQ(NewType(par, 1000), 3);  // the slot the failed declaration tried is free again
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
  EXPECT_EQ(std::vector<int>({Type(t).Pkg[Type(t).NbrPkg - 1].EndIdx, Type(t).Blk[3].EndIdx}), std::vector<int>(2, 1500));
  ASSERT_EQ(ResizeType(par, t, 2000), t);
  LineCounter c(2000, 4), d(2000, 4);
  EXPECT_EQ(LaunchParallel(par, t, 0, countLines, &c), 4.0f);
  EXPECT_TRUE(c.EachOnce());
  EXPECT_GE(LaunchParallel(par, t, NewType(par, 400), countLines, &d), 0.0f);
  EXPECT_TRUE(d.EachOnce());
}

TEST_F(Pool, DependencyDeclarations) {
  Start(4);
  int t1 = NewType(par, 1000);
  int t2 = NewType(par, 10000);
  int small = NewType(par, 1000), t3 = NewType(par, 5000);
  EXPECT_EQ(BeginDependency(par, t3, small), 1);
  for (int bad : {t3, 0, 55}) EXPECT_EQ(BeginDependency(par, t3, bad), 0) << bad;  // 55: free slot
  EXPECT_EQ(AddDependency(par, 1, 1), 0);  // the refused call cleared the context

  ASSERT_GT(BeginDependency(par, t1, t2), 0);
  EXPECT_EQ(AddDependency(par, 1, 1), 1);
  EXPECT_EQ(AddDependency(par, 1, 1), 1);  // same pair twice
  const int outside[][2] = {{0, 1}, {1, 0}, {1001, 1}, {1, 10001}};
  for (auto &p : outside) EXPECT_EQ(AddDependency(par, p[0], p[1]), 0) << p[0] << " " << p[1];
  const int lines1[] = {7, 8, 1000000}, lines2[] = {100, 200, 300, 0, 20000};  // lines outside are skipped
  EXPECT_EQ(AddDependencyFast(par, 3, lines1, 5, lines2), 1);
  EXPECT_EQ(AddDependencyFast(par, 0, lines1, 5, lines2), 0);
  // Named types may address type 2 up to its capacity.
  EXPECT_EQ(UpdateDependency(par, t1, t2, 10, 19999), 1);
  EXPECT_EQ(UpdateDependency(par, t1, t2, 10, 20001), 0);
  EXPECT_EQ(UpdateDependency(par, t1, t1, 10, 1), 0);
}

TEST_F(Pool, EndDependencySortsMostConstrainedFirst) {
  Start(4);
  int t1 = NewType(par, 1000);
  int t2 = NewType(par, 10000);
  float st[2] = {-1, -1};
  ASSERT_GT(BeginDependency(par, t1, t2), 0);
  EXPECT_EQ(EndDependency(par, st), 0);  // no dependency yet
  for (int b = 1; b <= 90; b += 9) AddDependency(par, 500, b);  // one package: 10 blocks
  AddDependency(par, 1, 1);                                     // another: 1 block
  ASSERT_EQ(EndDependency(par, st), 1);
  EXPECT_EQ(Type(t1).Ord[0]->EndIdx >= 500 && Type(t1).Ord[0]->BegIdx <= 500, true);
  EXPECT_EQ(Type(t1).Ord[1]->BegIdx, 1);
  float gs[2];
  EXPECT_EQ(GetDependencyStats(par, t1, t2, gs), 1);
  EXPECT_EQ(gs[1], st[1]);
  EXPECT_GT(AddDependency(par, 500, 9000), 0);  // after the sort it still finds the package
  EXPECT_EQ(GetDependencyStats(par, t1, 77, gs), 0);
}

TEST(PoolLaunch, StaticAndScheduledRunEveryLineOnce) {
  for (int n : {1, 3, 8}) {
    ParallelPool *p = InitParallel(n);
    ASSERT_NE(p, nullptr);
    int t = NewType(p, 100003), u = NewType(p, 5000);
    LineCounter st(100003, n), sc(100003, n);
    EXPECT_EQ(LaunchParallel(p, t, 0, countLines, &st), static_cast<float>(n));
    EXPECT_TRUE(st.EachOnce()) << n << " threads, static";
    float busy = LaunchParallel(p, t, u, countLines, &sc);
    EXPECT_GE(busy, 0.0f);
    EXPECT_LE(busy, static_cast<float>(n));
    EXPECT_TRUE(sc.EachOnce()) << n << " threads, scheduled";
    StopParallel(p);
  }
}

TEST_F(Pool, LaunchRefusals) {
  Start(2);
  int t = NewType(par, 100);
  LineCounter c(100, 2);
  EXPECT_EQ(LaunchParallel(nullptr, t, 0, countLines, &c), -1.0f);
  const int types[][2] = {{0, 0}, {101, 0}, {5, 0}, {t, t}, {t, 101}, {t, -1}};  // 5: undeclared
  for (auto &p : types) EXPECT_EQ(LaunchParallel(par, p[0], p[1], countLines, &c), -1.0f) << p[0] << " " << p[1];
  EXPECT_EQ(LaunchParallelMultiArg(par, t, 0, reinterpret_cast<AnyProc>(countLines), 21), -1.0f);
  for (auto &r : c.runs) EXPECT_EQ(r.load(), 0);
}

TEST_F(Pool, ThousandLaunchesInARowReturn) {
  // A lost wake-up would hang here; the test's timeout bounds it.
  Start(4);
  int t = NewType(par, 5000), u = NewType(par, 4000);
  ASSERT_EQ(BeginDependency(par, t, u), 42);
  for (int i = 1; i <= 5000; i++) AddDependency(par, i, (i * 7) % 4000 + 1);
  ASSERT_EQ(EndDependency(par, nullptr), 1);
  LineCounter c(5000, 4);
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
  LineCounter c(n, 4);
  auto slowLines = [](int beg, int end, int thr, void *arg) {
    std::this_thread::sleep_for(std::chrono::microseconds(50));
    countLines(beg, end, thr, arg);
  };
  for (int round = 1; round <= 20; round++) {
    LaunchParallel(par, t, round % 2 ? 0 : u, slowLines, &c);
    for (int i = 1; i <= n; i++) ASSERT_EQ(c.runs[static_cast<size_t>(i)].load(), round);
  }
  EXPECT_EQ(ParallelMemClear(par, &c.runs[1], sizeof(std::atomic<int>) * n), 1);
  for (int i = 1; i <= n; i++) ASSERT_EQ(c.runs[static_cast<size_t>(i)].load(), 0);
  stop = true;
  noise.join();
}

void sumArgs(int beg, int end, int, void *a1, void *a2, void *a3) {
  long k = reinterpret_cast<long>(a2), m = reinterpret_cast<long>(a3);
  for (int i = beg; i <= end; i++) *static_cast<std::atomic<long> *>(a1) += k * i + m;
}

void refArgs(int *beg, int *end, int *thr, void *a1, void *a2) {
  long k = *static_cast<long *>(a2);
  if (*thr < 0) return;
  for (int i = *beg; i <= *end; i++) *static_cast<std::atomic<long> *>(a1) += k * i;
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

  LineCounter c(1000, 3);  // a plain launch afterwards gets its own argument again
  EXPECT_EQ(LaunchParallel(par, t, 0, countLines, &c), 3.0f);
  EXPECT_TRUE(c.EachOnce());
}

TEST_F(Pool, MemClearAndQsort) {
  Start(4);
  char ten[16];
  std::memset(ten, 0x5a, sizeof(ten));
  EXPECT_EQ(ParallelMemClear(par, ten, 3), 0);  // fewer bytes than threads: refused, untouched
  EXPECT_EQ(std::count(ten, ten + 16, 0x5a), 16);
  EXPECT_EQ(ParallelMemClear(par, ten, 10), 1);
  for (int i = 0; i < 16; i++) EXPECT_EQ(ten[i], i < 10 ? 0 : 0x5a) << i;
  EXPECT_EQ(ParallelMemClear(par, nullptr, 100), 0);
  std::vector<unsigned char> big(1000003, 0xff);
  EXPECT_EQ(ParallelMemClear(par, big.data(), static_cast<int64_t>(big.size())), 1);
  EXPECT_EQ(std::count(big.begin(), big.end(), 0), static_cast<long>(big.size()));

  int v[] = {5, 3, 9, 1, 7};
  ParallelQsort(par, v, 5, sizeof(int), [](const void *a, const void *b) {
    return *static_cast<const int *>(a) - *static_cast<const int *>(b);
  });
  EXPECT_EQ(std::vector<int>(v, v + 5), (std::vector<int>{1, 3, 5, 7, 9}));
}

}  // namespace
