// The closed-form eigen solvers and the 2-D metric intersection: the cases the solvers single
// out, then random tensors of fixed seeds checked by their residuals.
#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelEigen.h"

namespace {

// Rows of Q: the rotation of a random unit quaternion.
void randomFrame(std::mt19937 &gen, double Q[3][3]) {
  std::normal_distribution<double> nd;
  double w = nd(gen), x = nd(gen), y = nd(gen), z = nd(gen), n = std::sqrt(w * w + x * x + y * y + z * z);
  w /= n, x /= n, y /= n, z /= n;
  const double R[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                          {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                          {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
  std::copy(&R[0][0], &R[0][0] + 9, &Q[0][0]);
}

// The tensor sum over k of lam[k] q_k q_k^T, stored (m11, m12, m13, m22, m23, m33).
void tensorOf(const double Q[3][3], const double lam[3], double m[6]) {
  const int idx[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};
  for (int e = 0; e < 6; e++) {
    m[e] = 0;
    for (int k = 0; k < 3; k++) m[e] += lam[k] * Q[k][idx[e][0]] * Q[k][idx[e][1]];
  }
}

// (val, vec) is an eigen decomposition of the n x n symmetric tensor m (stored as the solvers
// take it): residuals within tol of the largest eigenvalue, unit vectors, orthogonal within
// orthTol (vectors of close eigenvalues are each accurate, their angle is not).
void expectEigen(int n, const double *m, const double *val, const double *vec, double tol, double orthTol) {
  const double M2[9] = {m[0], m[1], 0, m[1], m[2], 0, 0, 0, 0};
  const double M3[9] = {m[0], m[1], m[2], m[1], m[3], m[4], m[2], m[4], m[5]};
  const double *M = n == 2 ? M2 : M3;
  double scale = 0;
  for (int i = 0; i < n; i++) scale = std::max(scale, std::fabs(val[i]));
  for (int k = 0; k < n; k++) {
    const double *v = &vec[n * k];
    double res = 0;
    for (int i = 0; i < n; i++) {
      double mv = 0;
      for (int j = 0; j < n; j++) mv += M[3 * i + j] * v[j];
      res += (mv - val[k] * v[i]) * (mv - val[k] * v[i]);
    }
    EXPECT_LE(std::sqrt(res), tol * scale) << "vector " << k;
    for (int l = 0; l <= k; l++) {
      double dot = 0;
      for (int i = 0; i < n; i++) dot += v[i] * vec[n * l + i];
      EXPECT_NEAR(dot, l == k ? 1.0 : 0.0, l == k ? tol : orthTol) << k << "." << l;
    }
  }
}

bool isIdentity(const double *v, int n) {
  for (int i = 0; i < n * n; i++)
    if (v[i] != ((i % (n + 1) == 0) ? 1.0 : 0.0)) return false;
  return true;
}

}  // namespace

TEST(ZelEigen2, PartCases) {
  const struct {
    double m[3];
    int ret;
    double val[2];
    bool identity;
  } cases[] = {
      {{4, 0, 1}, 1, {1, 4}, false},
      {{2, 0, 2}, 1, {2, 2}, true},
      {{0, 0, 0}, 2, {0, 0}, true},
      {{-1, 0, 3}, 1, {-1, 3}, false},    // scale 3 with the sign of m22; the signs are kept
      {{1, 0, -1}, 1, {1, -1}, false},    // equal absolute values: the larger scaled one first
      {{-1, 0, 1}, 1, {-1, 1}, false},    // scale -1: the same rule gives -1 first
      {{5, 1e-14, 5}, 1, {5, 5}, false},  // a double root hidden by a rotation
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.m));
    double val[2] = {9, 9}, vec[4];
    EXPECT_EQ(mtxEigen2(c.m, val, vec), c.ret);
    EXPECT_DOUBLE_EQ(val[0], c.val[0]);
    EXPECT_DOUBLE_EQ(val[1], c.val[1]);
    if (c.identity) {
      EXPECT_TRUE(isIdentity(vec, 2));
    } else {
      expectEigen(2, c.m, val, vec, 1e-14, 1e-14);
    }
  }
}

// The intersection of two 2-D metrics, which nothing in the viewer calls yet: one metric
// contains the other (1 or 2, the result the larger one); a null second metric contains nothing
// (the first one, off-diagonal included); a first metric that is not positive is refused (3,
// the result left alone).
TEST(ZelMetIntersection2, ContainedMetrics) {
  const double m1[3] = {2, 0.5, 3}, I[3] = {1, 0, 1}, I4[3] = {4, 0, 4}, zero[3] = {0, 0, 0};
  const double flat[3] = {1, 1, 1}, untouched[3] = {7, 7, 7};
  const struct {
    const double *a, *b;
    int ret;
    const double *res;
  } cases[] = {{m1, m1, 1, m1}, {I, I4, 2, I4}, {I4, I, 1, I4}, {m1, zero, 1, m1}, {flat, I, 3, untouched}};
  for (const auto &c : cases) {
    double res[3] = {7, 7, 7};
    CaptureText([&] { EXPECT_EQ(mtxMetIntersection2(c.a, c.b, res), c.ret); });
    EXPECT_EQ(std::vector<double>(res, res + 3), std::vector<double>(c.res, c.res + 3)) << c.ret;
  }
}

// Roots of X^3 + a X^2 + b X + c. Failures (no real root, a triple root Newton cannot settle,
// one real root only, a Newton step onto a flat point) give 0 and a report on standard error.
TEST(ZelCubic, RootKindsAndFailures) {
  const struct {
    double a, b, c;
    int ret;
    double roots[3], tol;
  } cases[] = {
      {-6, 11, -6, 1, {1, 2, 3}, 1e-12},     // (X - 1)(X - 2)(X - 3): Newton lands on 2
      {-4, 5, -2, 2, {1, 1, 2}, 0},          // (X - 1)^2 (X - 2): a critical point is a root
      {-3, 3, -1, 3, {1, 1, 1}, 0},          // (X - 1)^3
      {-3, 3 + 1e-13, -1, 3, {1, 1, 1}, 0},  // the same, derivative's discriminant just below 0
      {0, 1, 0, 0, {}, 0}, {-3, 3, -1 + 1e-6, 0, {}, 0}, {0, -3, 10, 0, {}, 0}, {0, -3, 3, 0, {}, 0},
  };
  double r[3];
  for (const auto &c : cases) {
    Captured out = CaptureText([&] { EXPECT_EQ(mtxCubicRoots(c.a, c.b, c.c, r), c.ret) << c.c; });
    EXPECT_EQ(out.Err.empty(), c.ret != 0) << c.b << " " << c.c;
    for (int i = 0; c.ret && i < 3; i++) EXPECT_NEAR(r[i], c.roots[i], c.tol) << c.b << " root " << i;
  }
  // Roots too close to tell apart are merged, the double one into roots 0 and 1.
  const double l[3] = {3, 3 + 2e-7, 1};
  const double b = l[0] * l[1] + l[0] * l[2] + l[1] * l[2];
  EXPECT_EQ(mtxCubicRoots(-(l[0] + l[1] + l[2]), b, -l[0] * l[1] * l[2], r), 2);
  EXPECT_EQ(r[0], r[1]);
  EXPECT_NEAR(r[0], 3, 1e-6);
  EXPECT_NEAR(r[2], 1, 1e-9);
}

// An axis-aligned double root, and multiples of the identity (the null tensor included): their
// value three times and identity vectors.
TEST(ZelEigen3, PartCases) {
  double val[3], vec[9];
  const double flat[6] = {1, 0, 0, 1, 0, 4};
  EXPECT_EQ(mtxEigen3(flat, val, vec), 1);
  EXPECT_DOUBLE_EQ(val[2], 4);
  expectEigen(3, flat, val, vec, 1e-14, 1e-14);
  for (double d : {5.0, 0.0}) {
    const double iso[6] = {d, 0, 0, d, 0, d};
    EXPECT_EQ(mtxEigen3(iso, val, vec), 1);
    EXPECT_EQ(std::vector<double>(val, val + 3), std::vector<double>(3, d));
    EXPECT_TRUE(isIdentity(vec, 3));
  }
}

// Random frames of fixed seeds: eigenvalues over six decades times a scale over sixteen, then a
// double root, which comes in roots 0 and 1, found to about the square root of the residual
// the root finder accepts, the single root's vector along the frame's second axis.
TEST(ZelEigen3, RandomTensorsWithDistinctAndDoubleRoots) {
  std::uniform_real_distribution<double> ex(-3, 3), sc(-8, 8);
  double Q[3][3], m[6], val[3], vec[9];
  std::mt19937 gen(4);
  for (int n = 0; n < 3000; n++) {
    randomFrame(gen, Q);
    double s = std::pow(10, sc(gen));
    double lam[3] = {s * std::pow(10, ex(gen)), s * std::pow(10, ex(gen)), s * std::pow(10, ex(gen))};
    tensorOf(Q, lam, m);
    ASSERT_EQ(mtxEigen3(m, val, vec), 1) << n;
    std::sort(lam, lam + 3);
    double gap = std::min(lam[1] - lam[0], lam[2] - lam[1]) / lam[2];
    expectEigen(3, m, val, vec, 1e-7, std::max(1e-9, 1e-10 / gap));
    std::sort(val, val + 3);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(val[k], lam[k], 1e-7 * lam[2]) << n;
  }
  gen.seed(5);
  for (int n = 0; n < 2000; n++) {
    randomFrame(gen, Q);
    double l = std::pow(10, ex(gen)), mu = std::pow(10, ex(gen)), lam[3] = {l, mu, l}, big = std::max(l, mu);
    tensorOf(Q, lam, m);
    ASSERT_EQ(mtxEigen3(m, val, vec), 1) << n;
    expectEigen(3, m, val, vec, 1e-6, 1e-9);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(val[k], k == 2 ? mu : l, 1e-6 * big) << n;
    EXPECT_NEAR(std::fabs(vec[6] * Q[1][0] + vec[7] * Q[1][1] + vec[8] * Q[1][2]), 1, 1e-8) << n;
  }
}
