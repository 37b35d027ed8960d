// The Fortran-callable entries, called as a Fortran program calls them: every argument by
// address, the pool as a 64-bit integer.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "common/Clock.h"
#include "common/ParallelFortran.h"

namespace {

// subroutine addlines(beg, end, thr, total, weight)
void addLines(int *beg, int *end, int *thr, int64_t *total, int *weight) {
  (void)thr;
  int64_t s = 0;
  for (int i = *beg; i <= *end; i++) s += static_cast<int64_t>(*weight) * i;
  __atomic_fetch_add(total, s, __ATOMIC_RELAXED);
}

// subroutine settwo(a, b): a = b
void setFrom(int *a, int *b) { *a = *b; }

TEST(ParallelFortran, LoopEntries) {
  int n = 3;
  int64_t pool = initparallel_(&n);
  ASSERT_NE(pool, 0);
  int threads = 0, types = 0;
  EXPECT_EQ(getpoolinformation_(&pool, &threads, &types), 3);
  EXPECT_EQ(threads, 3);
  int lines = 1000, zero = 0, two = 2;
  int t = newtype_(&pool, &lines);
  ASSERT_EQ(t, 1);
  int64_t total = 0;
  int weight = 3;
  EXPECT_EQ(launchparallel_(&pool, &t, &zero, reinterpret_cast<AnyProc>(addLines), &two, &total, &weight), 3.0f);
  EXPECT_EQ(total, 3LL * 1000 * 1001 / 2);
  int big = 21;
  EXPECT_EQ(launchparallel_(&pool, &t, &zero, reinterpret_cast<AnyProc>(addLines), &big), -1.0f);

  // Dependencies, then a scheduled launch over them.
  int vlines = 5000;
  int v = newtype_(&pool, &vlines);
  EXPECT_GT(begindependency_(&pool, &t, &v), 0);
  for (int i = 1; i <= 1000; i++) {
    int b = 5 * i;
    adddependency_(&pool, &i, &b);
  }
  float stats[2] = {0, 0};
  EXPECT_EQ(enddependency_(&pool, stats), 1);
  EXPECT_GT(stats[0], 0.0f);
  total = 0;
  float busy = launchparallel_(&pool, &t, &v, reinterpret_cast<AnyProc>(addLines), &two, &total, &weight);
  EXPECT_GE(busy, 0.0f);
  EXPECT_EQ(total, 3LL * 1000 * 1001 / 2);

  std::vector<char> buf(100, 7);
  int64_t size = 100;
  EXPECT_EQ(parallelmemclear_(&pool, buf.data(), &size), 1);
  for (char c : buf) EXPECT_EQ(c, 0);

  freetype_(&pool, &v);
  getpoolinformation_(&pool, &threads, &types);
  EXPECT_EQ(types, 1);
  stopparallel_(&pool);
  EXPECT_EQ(pool, 0);
}

TEST(ParallelFortran, PipelineEntries) {
  int n = 2;
  int64_t pool = initparallel_(&n);
  ASSERT_NE(pool, 0);
  int a = 0, b = 41, c = 0, none = 0, one = 1, two = 2;
  int first = launchpipeline_(&pool, &none, nullptr, reinterpret_cast<AnyProc>(setFrom), &two, &a, &b);
  ASSERT_EQ(first, 1);
  // The second copies what the first wrote, so it must run after it.
  int second = launchpipeline_(&pool, &one, &first, reinterpret_cast<AnyProc>(setFrom), &two, &c, &a);
  EXPECT_EQ(second, 2);
  int big = 21;
  EXPECT_EQ(launchpipeline_(&pool, &none, nullptr, reinterpret_cast<AnyProc>(setFrom), &big), 0);
  waitpipeline_(&pool);
  EXPECT_EQ(a, 41);
  EXPECT_EQ(c, 41);
  stopparallel_(&pool);
}

TEST(ParallelFortran, HilbertAndClockEntries) {
  int n = 4;
  int64_t pool = initparallel_(&n);
  ASSERT_NE(pool, 0);
  // Four corners of the unit square in 3-D (z flat), point 1 first.
  double crd[] = {1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0};
  double box[6] = {0, 0, 0, 1, 1, 0};
  int64_t cnt = 4, num[4] = {0, 0, 0, 0};
  EXPECT_EQ(hilbertrenumbering_(&pool, &cnt, box, crd, num), 1.0);
  EXPECT_EQ(num[1], 1);  // the box minimum comes first
  std::vector<bool> seen(5, false);
  for (int64_t k : num) {
    ASSERT_GE(k, 1);
    ASSERT_LE(k, 4);
    EXPECT_FALSE(seen[static_cast<size_t>(k)]);
    seen[static_cast<size_t>(k)] = true;
  }

  double crd2[] = {0.9, 0.9, 0.1, 0.1, 0.9, 0.1};
  double box2[4] = {0, 0, 1, 1};
  int64_t cnt2 = 3, pairs[6] = {0, 0, 0, 0, 0, 0};
  EXPECT_EQ(hilbertrenumbering2d_(&pool, &cnt2, box2, crd2, pairs), 1.0);
  // Pair i holds in its code the new number of point i; the new numbers are 1..3.
  EXPECT_EQ(pairs[0] + pairs[2] + pairs[4], 6);
  EXPECT_EQ(pairs[1] + pairs[3] + pairs[5], 6);

  EXPECT_EQ(getnumberofcores_(), GetNumberOfCores());
  double t = getwallclock_();
  EXPECT_NEAR(t, GetWallClock(), 1.0);
  stopparallel_(&pool);
  EXPECT_EQ(hilbertrenumbering_(&pool, &cnt, box, crd, num), 0.0);
}

}  // namespace
