#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "tests/support/CaptureText.h"
#include "zelvane/scene/ZelEigen.h"


namespace {

// Random orthonormal frame (rows of Q): the rotation of a random unit quaternion.
void randomFrame(std::mt19937 &gen, double Q[3][3]) {
  std::normal_distribution<double> nd;
  double w = nd(gen), x = nd(gen), y = nd(gen), z = nd(gen), n = std::sqrt(w * w + x * x + y * y + z * z);
  w /= n, x /= n, y /= n, z /= n;
  const double R[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                          {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                          {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
  std::memcpy(Q, R, sizeof(R));
}

// Tensor sum over k of lambda_k q_k q_k^T, stored (m11, m12, m13, m22, m23, m33).
void tensorOf(const double Q[3][3], const double lam[3], double m[6]) {
  const int idx[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};
  for (int e = 0; e < 6; e++) {
    m[e] = 0;
    for (int k = 0; k < 3; k++) m[e] += lam[k] * Q[k][idx[e][0]] * Q[k][idx[e][1]];
  }
}

// Checks that (val, vec) is an eigen decomposition of m: residuals within tol relative to the
// largest eigenvalue, unit vectors, and vectors orthogonal within orthTol. Vectors of eigenvalues
// that are close are ill-conditioned (each is accurate, their angle is not), hence orthTol.
void expectEigen3(const double m[6], const double val[3], const double vec[9], double tol,
                  double orthTol = 0) {
  if (orthTol == 0) orthTol = tol;
  const double M[3][3] = {{m[0], m[1], m[2]}, {m[1], m[3], m[4]}, {m[2], m[4], m[5]}};
  double scale = 0;
  for (int i = 0; i < 3; i++) scale = std::max(scale, std::fabs(val[i]));
  for (int k = 0; k < 3; k++) {
    const double *v = &vec[3 * k];
    double res = 0;
    for (int i = 0; i < 3; i++) {
      double mv = M[i][0] * v[0] + M[i][1] * v[1] + M[i][2] * v[2];
      res += (mv - val[k] * v[i]) * (mv - val[k] * v[i]);
    }
    EXPECT_LE(std::sqrt(res), tol * scale) << "vector " << k;
    for (int l = 0; l <= k; l++) {
      const double *w = &vec[3 * l];
      EXPECT_NEAR(v[0] * w[0] + v[1] * w[1] + v[2] * w[2], l == k ? 1.0 : 0.0, l == k ? tol : orthTol)
          << k << "." << l;
    }
  }
}

void expectEigen2(const double m[3], const double val[2], const double vec[4], double tol) {
  double scale = std::max(std::fabs(val[0]), std::fabs(val[1]));
  for (int k = 0; k < 2; k++) {
    const double *v = &vec[2 * k];
    double r0 = m[0] * v[0] + m[1] * v[1] - val[k] * v[0];
    double r1 = m[1] * v[0] + m[2] * v[1] - val[k] * v[1];
    EXPECT_LE(std::hypot(r0, r1), tol * scale) << "vector " << k;
    EXPECT_NEAR(std::hypot(v[0], v[1]), 1.0, tol);
  }
  EXPECT_NEAR(vec[0] * vec[2] + vec[1] * vec[3], 0.0, tol);
  EXPECT_LE(std::fabs(val[0]), std::fabs(val[1]));  // smaller absolute value first
}

bool isIdentity(const double *v, int n) {
  for (int i = 0; i < n * n; i++)
    if (v[i] != ((i % (n + 1) == 0) ? 1.0 : 0.0)) return false;
  return true;
}

}  // namespace

TEST(ZelEigen2, PartCases) {
  // Tensor, return, eigenvalues in order, identity vectors expected.
  struct Case {
    double m[3];
    int ret;
    double val[2];
    bool identity;
  };
  const Case cases[] = {
      {{4, 0, 1}, 1, {1, 4}, false},
      {{2, 0, 2}, 1, {2, 2}, true},
      {{0, 0, 0}, 2, {0, 0}, true},
      {{-1, 0, 3}, 1, {-1, 3}, false},  // scale 3 with the sign of m22; the signs are kept
      {{1, 0, -1}, 1, {1, -1}, false},  // equal absolute values: the larger scaled one first
      {{-1, 0, 1}, 1, {-1, 1}, false},  // scale -1: the same rule gives -1 first
      {{5, 1e-14, 5}, 1, {5, 5}, false},  // a double root hidden by a rotation
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.m));
    double val[2] = {9, 9}, vec[4];
    EXPECT_EQ(mtxEigen2(c.m, val, vec), c.ret);
    EXPECT_DOUBLE_EQ(val[0], c.val[0]);
    EXPECT_DOUBLE_EQ(val[1], c.val[1]);
    if (c.identity) {
      EXPECT_TRUE(isIdentity(vec, 2));
    } else {
      expectEigen2(c.m, val, vec, 1e-14);
    }
  }
}

TEST(ZelEigenMat2, GeneralMatrices) {
  double val[2], vec[4];
  // Upper triangular with eigenvalues 2 and 3; then swapped so that 1 (the smaller absolute
  // value) comes first.
  const double tri[4] = {2, 1, 0, 3}, sw[4] = {-5, 0, 0, 1};
  for (const double *m : {tri, sw}) {
    EXPECT_EQ(mtxEigenMat2(m, val, vec), 0);
    EXPECT_LT(std::fabs(val[0]), std::fabs(val[1]));
    for (int k = 0; k < 2; k++) {
      const double *v = &vec[2 * k];
      EXPECT_NEAR(m[0] * v[0] + m[1] * v[1], val[k] * v[0], 1e-14);
      EXPECT_NEAR(m[2] * v[0] + m[3] * v[1], val[k] * v[1], 1e-14);
      EXPECT_NEAR(std::hypot(v[0], v[1]), 1, 1e-15);
    }
  }
  EXPECT_DOUBLE_EQ(val[0], 1);
  EXPECT_DOUBLE_EQ(val[1], -5);
  const double zero[4] = {0, 0, 0, 0};
  EXPECT_EQ(mtxEigenMat2(zero, val, vec), 2);
}

namespace {

// Exit code 42 when the solver reports complex eigenvalues and the caller goes on.
[[noreturn]] void solveQuarterTurnAndGoOn() {
  const double rot[4] = {0, -1, 1, 0}, m1[3] = {1, 0, 1};
  double val[2], vec[4], res[3] = {7, 8, 9};
  int ier = mtxEigenMat2(rot, val, vec);
  exit((ier == -1 && mtxMetIntersection2(m1, m1, res) == 1) ? 42 : 1);
}

}  // namespace

TEST(ZelEigenMat2DeathTest, ComplexEigenvaluesAreReportedNotFatal) {
  // A quarter turn has eigenvalues +-i. First in a child, so that an exit from inside the
  // solver, whatever its code, fails the test instead of ending this process.
  ASSERT_EXIT(solveQuarterTurnAndGoOn(), testing::ExitedWithCode(42),
              "  ## ERROR: N is always diag in IR => dd = -4.000000e\\+00 must be > 0");
}

TEST(ZelMetIntersection2, PartCases) {
  // One metric contains the other (return 1 or 2, the result the larger one); a null second
  // metric contains nothing: the result is the first one, off-diagonal included.
  const double m1[3] = {2, 0.5, 3}, I[3] = {1, 0, 1}, I4[3] = {4, 0, 4}, zero[3] = {0, 0, 0};
  struct Case {
    const double *a, *b;
    int ret;
    const double *res;
  };
  for (Case c : {Case{m1, m1, 1, m1}, Case{I, I4, 2, I4}, Case{I4, I, 1, I4}, Case{m1, zero, 1, m1}}) {
    double res[3] = {0, 0, 0};
    EXPECT_EQ(mtxMetIntersection2(c.a, c.b, res), c.ret);
    EXPECT_EQ(std::vector<double>(res, res + 3), std::vector<double>(c.res, c.res + 3));
  }
  // A first metric that is not positive is refused and the result left alone.
  const double flat[3] = {1, 1, 1};
  double res[3] = {7, 7, 7};
  CaptureText([&] { EXPECT_EQ(mtxMetIntersection2(flat, I, res), 3); });
  EXPECT_EQ(res[0] + res[1] + res[2], 21);
}

TEST(ZelMetIntersection2, RandomPairsContainBothAndTouchEach) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> ang(0, M_PI), ex(-2, 2);
  auto spd = [&](double m[3]) {
    double t = ang(gen), l1 = std::pow(10, ex(gen)), l2 = std::pow(10, ex(gen));
    double c = std::cos(t), s = std::sin(t);
    m[0] = l1 * c * c + l2 * s * s, m[1] = (l1 - l2) * c * s, m[2] = l1 * s * s + l2 * c * c;
  };
  for (int n = 0; n < 500; n++) {
    double m1[3], m2[3], res[3], old[3];
    spd(m1), spd(m2);
    ASSERT_EQ(mtxMetIntersection2(m1, m2, res), 3) << n;
    ASSERT_EQ(metIntersectionOld(m1, m2, old), 1) << n;
    double scale = std::max(std::fabs(res[0]), std::fabs(res[2]));
    for (int i = 0; i < 3; i++) EXPECT_NEAR(res[i], old[i], 1e-9 * scale) << n;
    // res - m1 and res - m2 are positive semi-definite and each is singular or null: the
    // result contains both metrics and is no larger than it must be.
    double det[2];
    for (int k = 0; k < 2; k++) {
      const double *m = k ? m2 : m1;
      double d[3] = {res[0] - m[0], res[1] - m[1], res[2] - m[2]}, val[2], vec[4];
      mtxEigen2(d, val, vec);
      EXPECT_GE(std::min(val[0], val[1]), -1e-9 * scale) << n;
      det[k] = std::fabs(val[0] * val[1]);
    }
    EXPECT_LE(det[0] * det[1], 1e-8 * std::pow(scale, 4)) << n;
  }
}

TEST(ZelCubic, RootKinds) {
  double r[3];
  struct Case {
    double a, b, c;
    int ret;
    double roots[3], tol;
  };
  const Case cases[] = {
      {-6, 11, -6, 1, {1, 2, 3}, 1e-12},  // (X - 1)(X - 2)(X - 3): Newton lands on 2
      {-4, 5, -2, 2, {1, 1, 2}, 0},       // (X - 1)^2 (X - 2): a critical point is a root
      {-3, 3, -1, 3, {1, 1, 1}, 0},       // (X - 1)^3
      {-3, 3 + 1e-13, -1, 3, {1, 1, 1}, 0},  // the same, derivative's discriminant just below 0
  };
  for (const Case &c : cases) {
    EXPECT_EQ(mtxCubicRoots(c.a, c.b, c.c, r), c.ret) << c.b;
    for (int i = 0; i < 3; i++) EXPECT_NEAR(r[i], c.roots[i], c.tol) << c.b << " root " << i;
  }
  // Roots too close to tell apart are merged, the double one into roots 0 and 1.
  const double l[3] = {3, 3 + 2e-7, 1};
  EXPECT_EQ(mtxCubicRoots(-(l[0] + l[1] + l[2]), l[0] * l[1] + l[0] * l[2] + l[1] * l[2], -l[0] * l[1] * l[2], r), 2);
  EXPECT_EQ(r[0], r[1]);
  EXPECT_NEAR(r[0], 3, 1e-6);
  EXPECT_NEAR(r[2], 1, 1e-9);
}

// No real root, a triple root that Newton cannot settle, one real root only, and a Newton
// step onto a flat point: each is a failure, reported.
TEST(ZelCubic, FailuresAreReported) {
  double r[3] = {0, 0, 0};
  const double cases[][3] = {{0, 1, 0}, {-3, 3, -1 + 1e-6}, {0, -3, 10}, {0, -3, 3}};
  for (const auto &c : cases)
    EXPECT_NE(CaptureText([&] { EXPECT_EQ(mtxCubicRoots(c[0], c[1], c[2], r), 0) << c[2]; }).Err, "");
}

TEST(ZelEigen3, PartCases) {
  double val[3], vec[9];
  const double diag[6] = {1, 0, 0, 2, 0, 3}, flat[6] = {1, 0, 0, 1, 0, 4};
  EXPECT_EQ(mtxEigen3(diag, val, vec), 1);
  for (int k = 0; k < 3; k++) {
    EXPECT_NEAR(val[k], k + 1, 1e-12);
    for (int i = 0; i < 3; i++) EXPECT_NEAR(std::fabs(vec[3 * k + i]), i == k ? 1 : 0, 1e-12);
  }
  EXPECT_EQ(mtxEigen3(flat, val, vec), 1);
  EXPECT_DOUBLE_EQ(val[2], 4);
  expectEigen3(flat, val, vec, 1e-14);
  // A multiple of the identity, the null tensor included: its value three times, identity vectors.
  for (double d : {5.0, 0.0}) {
    const double iso[6] = {d, 0, 0, d, 0, d};
    EXPECT_EQ(mtxEigen3(iso, val, vec), 1);
    for (int k = 0; k < 3; k++) EXPECT_EQ(val[k], d);
    EXPECT_TRUE(isIdentity(vec, 3));
  }
}

TEST(ZelEigen3, RandomPositiveDefiniteTensors) {
  std::mt19937 gen(4);
  std::uniform_real_distribution<double> ex(-3, 3), sc(-8, 8);
  double Q[3][3];
  for (int n = 0; n < 3000; n++) {
    randomFrame(gen, Q);
    double s = std::pow(10, sc(gen));
    double lam[3] = {s * std::pow(10, ex(gen)), s * std::pow(10, ex(gen)), s * std::pow(10, ex(gen))};
    double m[6], val[3], vec[9];
    tensorOf(Q, lam, m);
    ASSERT_EQ(mtxEigen3(m, val, vec), 1) << n;
    std::sort(lam, lam + 3);
    double gap = std::min(lam[1] - lam[0], lam[2] - lam[1]) / lam[2];
    expectEigen3(m, val, vec, 1e-7, std::max(1e-9, 1e-10 / gap));
    std::sort(val, val + 3);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(val[k], lam[k], 1e-7 * lam[2]) << n;
  }
}

TEST(ZelEigen3, RandomDoubleAndTripleRoots) {
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> ex(-3, 3);
  double Q[3][3];
  for (int n = 0; n < 2000; n++) {
    randomFrame(gen, Q);
    double l = std::pow(10, ex(gen)), mu = std::pow(10, ex(gen));
    double lam[3] = {l, mu, l};
    double m[6], val[3], vec[9];
    tensorOf(Q, lam, m);
    ASSERT_EQ(mtxEigen3(m, val, vec), 1) << n;
    // A double root is found to about the square root of the residual the root finder accepts.
    expectEigen3(m, val, vec, 1e-6, 1e-9);
    double big = std::max(l, mu);
    EXPECT_NEAR(val[0], l, 1e-6 * big) << n;
    EXPECT_NEAR(val[1], l, 1e-6 * big) << n;
    EXPECT_NEAR(val[2], mu, 1e-6 * big) << n;
    // The single root's vector is the second axis of the frame.
    EXPECT_NEAR(std::fabs(vec[6] * Q[1][0] + vec[7] * Q[1][1] + vec[8] * Q[1][2]), 1, 1e-8) << n;
  }
}
