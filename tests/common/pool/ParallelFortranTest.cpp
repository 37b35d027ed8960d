// The Fortran-callable entries the Fortran program (tests/fortran) does not call, called as
// Fortran calls them: every argument by address, the pool as a 64-bit integer.
#include "tests/common/CommonTest.h"

namespace {

// subroutine addlines(beg, end, thr, total, weight)
void addLines(int *beg, int *end, int *, int64_t *total, int *weight) {
  int64_t s = 0;
  for (int i = *beg; i <= *end; i++) s += static_cast<int64_t>(*weight) * i;
  __atomic_fetch_add(total, s, __ATOMIC_RELAXED);
}

// subroutine setfrom(a, b): a = b
void setFrom(int *a, int *b) { *a = *b; }

TEST(ParallelFortran, DependencyPipelineAndPlaneEntries) {
  int n = 3;
  int64_t pool = initparallel_(&n);
  ASSERT_NE(pool, 0);
  int threads = 0, types = 0, lines = 1000, vlines = 5000, zero = 0, one = 1, two = 2, big = 21;
  int t = newtype_(&pool, &lines), v = newtype_(&pool, &vlines);
  EXPECT_EQ(getpoolinformation_(&pool, &threads, &types), 3);
  EXPECT_EQ(threads, 3);
  EXPECT_EQ(types, 2);
  EXPECT_GT(begindependency_(&pool, &t, &v), 0);
  for (int i = 1; i <= 1000; i++) {
    int b = 5 * i;
    adddependency_(&pool, &i, &b);
  }
  float stats[2] = {0, 0};
  EXPECT_EQ(enddependency_(&pool, stats), 1);
  EXPECT_GT(stats[0], 0.0f);
  int64_t total = 0;
  int weight = 3;
  EXPECT_GE(launchparallel_(&pool, &t, &v, reinterpret_cast<AnyProc>(addLines), &two, &total, &weight), 0.0f);
  EXPECT_EQ(total, 3LL * 1000 * 1001 / 2);
  EXPECT_EQ(launchparallel_(&pool, &t, &zero, reinterpret_cast<AnyProc>(addLines), &big), -1.0f);
  freetype_(&pool, &v);
  getpoolinformation_(&pool, &threads, &types);
  EXPECT_EQ(types, 1);

  std::vector<char> buf(100, 7);
  int64_t size = 100;
  EXPECT_EQ(parallelmemclear_(&pool, buf.data(), &size), 1);
  EXPECT_EQ(buf, std::vector<char>(100, 0));
  // The second task copies what the first wrote, so it must run after it.
  int a = 0, b = 41, c = 0;
  int first = launchpipeline_(&pool, &zero, nullptr, reinterpret_cast<AnyProc>(setFrom), &two, &a, &b);
  ASSERT_EQ(first, 1);
  EXPECT_EQ(launchpipeline_(&pool, &one, &first, reinterpret_cast<AnyProc>(setFrom), &two, &c, &a), 2);
  EXPECT_EQ(launchpipeline_(&pool, &zero, nullptr, reinterpret_cast<AnyProc>(setFrom), &big), 0);
  waitpipeline_(&pool);
  EXPECT_EQ(c, 41);

  // Pair i holds in its code the new number of point i; the new numbers are 1..3.
  double crd[] = {0.9, 0.9, 0.1, 0.1, 0.9, 0.1}, box[4] = {0, 0, 1, 1};
  int64_t cnt = 3, pairs[6] = {0, 0, 0, 0, 0, 0};
  EXPECT_EQ(hilbertrenumbering2d_(&pool, &cnt, box, crd, pairs), 1.0);
  EXPECT_EQ(pairs[2], 1);  // the point nearest the box minimum comes first
  stopparallel_(&pool);
  EXPECT_EQ(pool, 0);
}

}  // namespace
