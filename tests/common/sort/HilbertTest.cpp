#include "tests/common/CommonTest.h"

namespace {

struct Points {
  int64_t n = 0;
  int dim = 3;
  std::vector<double> crd;  // point i at dim * i, entry 0 unused
  std::vector<HilbertPair> pairs;
  double box[6] = {0, 0, 0, 1, 1, 1};  // minima first, then maxima
  Points(int64_t count, int d) : n(count), dim(d), crd(static_cast<size_t>(d * (count + 1))),
                                 pairs(static_cast<size_t>(count) + 1) {
    for (int a = 0; a < 6; a++) box[a] = a < d ? 0.0 : a < 2 * d ? 1.0 : 0.0;
  }
  double &At(int64_t i, int a) { return crd[static_cast<size_t>(dim * i + a)]; }
  const double *Pt(int64_t i) const { return &crd[static_cast<size_t>(dim * i)]; }
  uint64_t Code(int64_t i) const { return dim == 3 ? HilbertCode3D(box, Pt(i)) : HilbertCode2D(box, Pt(i)); }
  int Run(ParallelPool *par) {
    return dim == 3 ? HilbertRenumbering(par, n, box, crd.data(), pairs.data())
                    : HilbertRenumbering2D(par, n, box, crd.data(), pairs.data());
  }
};

Points randomPoints(int64_t n, int dim, unsigned seed) {
  Points p(n, dim);
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> u(-2.0, 3.0);
  for (int a = 0; a < dim; a++) p.box[a] = -2.0, p.box[a + dim] = 3.0;
  for (int64_t i = 1; i <= n; i++)
    for (int a = 0; a < dim; a++) p.At(i, a) = u(rng);
  return p;
}

// The renumbering is a permutation whose order along the curve never decreases in code, and
// both halves of every pair agree: pair k names the k-th point, that point's pair says k.
void expectCurveOrder(const Points &p) {
  std::vector<char> seen(static_cast<size_t>(p.n) + 1, 0);
  uint64_t prev = 0;
  for (int64_t k = 1; k <= p.n; k++) {
    uint64_t old = p.pairs[static_cast<size_t>(k)].Index;
    ASSERT_GE(old, 1u);
    ASSERT_LE(old, static_cast<uint64_t>(p.n));
    ASSERT_FALSE(seen[old]) << "point " << old << " twice";
    seen[old] = 1;
    ASSERT_EQ(p.pairs[old].Code, static_cast<uint64_t>(k));
    uint64_t code = p.Code(static_cast<int64_t>(old));
    ASSERT_GE(code, prev) << "at position " << k;
    prev = code;
  }
}

int poolTypes(ParallelPool *par) {
  int types = -1;
  return GetPoolInformation(par, nullptr, &types), types;
}

class Hilbert : public ::testing::TestWithParam<int> {};

// From fewer points than threads (the serial path) to 20,000 points in the parallel buckets.
TEST_P(Hilbert, RandomPointsFollowOneGlobalSort) {
  ParallelPool *par = InitParallel(GetParam());
  ASSERT_NE(par, nullptr);
  for (int dim : {2, 3})
    for (int64_t n : {1, 5, 100, 20000}) {
      SCOPED_TRACE(std::to_string(dim) + "-D, " + std::to_string(n) + " points");
      Points p = randomPoints(n, dim, static_cast<unsigned>(n + dim));
      ASSERT_EQ(p.Run(par), 1);
      expectCurveOrder(p);
    }
  EXPECT_EQ(poolTypes(par), 0);  // the renumbering leaves no loop type behind
  StopParallel(par);
}

INSTANTIATE_TEST_SUITE_P(Threads, Hilbert, ::testing::Values(1, 3, 4, 8));

// On a regular grid of 2^k cells a side, consecutive cells along a Hilbert curve are face
// neighbours: a wrong state table breaks this at once.
TEST(HilbertCurve, GridCellsAsNeighboursBoxFacesAndFlatBoxes) {
  ParallelPool *par = InitParallel(4);
  ASSERT_NE(par, nullptr);
  for (int dim : {2, 3}) {
    const int side = dim == 3 ? 8 : 32;
    int64_t n = dim == 3 ? side * side * side : side * side;
    Points p(n, dim);
    for (int64_t i = 0; i < n; i++)
      for (int64_t a = 0, r = i; a < dim; a++, r /= side) p.At(i + 1, a) = (static_cast<double>(r % side) + 0.5) / side;
    ASSERT_EQ(p.Run(par), 1);
    for (int64_t k = 2; k <= n; k++) {
      const double *a = p.Pt(static_cast<int64_t>(p.pairs[static_cast<size_t>(k - 1)].Index));
      const double *b = p.Pt(static_cast<int64_t>(p.pairs[static_cast<size_t>(k)].Index));
      double dist = 0;
      for (int c = 0; c < dim; c++) dist += std::abs(a[c] - b[c]) * side;
      ASSERT_NEAR(dist, 1.0, 1e-9) << dim << "-D, step " << k;
    }
  }
  // The maximum corner scales to 2^64 on every axis, a point outside the box lies beyond
  // its faces: both are clamped, still 63-bit codes.
  const double box[6] = {0, 0, 0, 1, 1, 1}, hi[3] = {1, 1, 1}, out[3] = {-5, 7, 0.5};
  EXPECT_LT(HilbertCode3D(box, hi), 1ull << 63);
  EXPECT_LT(HilbertCode3D(box, out), 1ull << 63);

  // Points on the faces, corners and edges of the box, the minimum first among them.
  Points p(27, 3);
  for (int i = 0; i < 27; i++)
    for (int a = 0, r = i; a < 3; a++, r /= 3) p.At(i + 1, a) = (r % 3) * 0.5;
  ASSERT_EQ(p.Run(par), 1);
  expectCurveOrder(p);
  EXPECT_EQ(p.pairs[1].Index, 1u);
  EXPECT_EQ(p.pairs[1].Code, 1u);

  // A planar mesh in 3-D: every z equals the box's zmin and zmax. The flat axis costs nothing:
  // distinct points still get distinct codes.
  Points f = randomPoints(20000, 3, 7);
  f.box[2] = f.box[5] = 1.5;
  for (int64_t i = 1; i <= f.n; i++) f.At(i, 2) = 1.5;
  ASSERT_EQ(f.Run(par), 1);
  expectCurveOrder(f);
  std::vector<uint64_t> codes;
  for (int64_t i = 1; i <= f.n; i++) codes.push_back(f.Code(i));
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(std::unique(codes.begin(), codes.end()), codes.end());

  // A box flat on every axis: all codes equal, the result still a permutation.
  Points q(50, 2);
  std::fill(q.box, q.box + 4, 0.0);
  ASSERT_EQ(q.Run(par), 1);
  expectCurveOrder(q);
  StopParallel(par);
}

TEST(HilbertCurve, Refusals) {
  ParallelPool *par = InitParallel(2);
  ASSERT_NE(par, nullptr);
  Points p = randomPoints(10, 3, 1);
  EXPECT_EQ(HilbertRenumbering(par, -1, p.box, p.crd.data(), p.pairs.data()), 0);
  EXPECT_EQ(HilbertRenumbering(par, 0, p.box, p.crd.data(), p.pairs.data()), 1);
  // A count whose workspace cannot be allocated fails before any point is read or written.
  p.pairs[1] = HilbertPair{77, 88};
  EXPECT_EQ(HilbertRenumbering(par, int64_t(1) << 40, p.box, p.crd.data(), p.pairs.data()), 0);
  EXPECT_EQ(p.pairs[1].Code, 77u);
  EXPECT_EQ(p.pairs[1].Index, 88u);
  EXPECT_EQ(poolTypes(par), 0);
  StopParallel(par);
}

}  // namespace
