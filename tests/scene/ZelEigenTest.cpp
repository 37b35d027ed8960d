#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "zelvane/scene/ZelEigen.h"

using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

#define EXPECT_CONTAINS(text, part) EXPECT_NE(std::string(text).find(part), std::string::npos) << (text)
#define EXPECT_LACKS(text, part) EXPECT_EQ(std::string(text).find(part), std::string::npos) << (text)

namespace {

// Random orthonormal frame (rows of Q) by Gram-Schmidt.
void randomFrame(std::mt19937 &gen, double Q[3][3]) {
  std::normal_distribution<double> nd;
  for (;;) {
    for (int i = 0; i < 3; i++)
      for (int j = 0; j < 3; j++) Q[i][j] = nd(gen);
    bool ok = true;
    for (int i = 0; i < 3 && ok; i++) {
      for (int k = 0; k < i; k++) {
        double d = Q[i][0] * Q[k][0] + Q[i][1] * Q[k][1] + Q[i][2] * Q[k][2];
        for (int j = 0; j < 3; j++) Q[i][j] -= d * Q[k][j];
      }
      double n = std::sqrt(Q[i][0] * Q[i][0] + Q[i][1] * Q[i][1] + Q[i][2] * Q[i][2]);
      ok = n > 1e-3;
      for (int j = 0; j < 3; j++) Q[i][j] /= n;
    }
    if (ok) return;
  }
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
  double val[2], vec[4];
  const double a[3] = {4, 0, 1};
  EXPECT_EQ(mtxEigen2(a, val, vec), 1);
  EXPECT_DOUBLE_EQ(val[0], 1);
  EXPECT_DOUBLE_EQ(val[1], 4);
  EXPECT_EQ(std::fabs(vec[0]), 0);
  EXPECT_EQ(std::fabs(vec[1]), 1);
  EXPECT_EQ(std::fabs(vec[2]), 1);
  EXPECT_EQ(std::fabs(vec[3]), 0);

  const double iso[3] = {2, 0, 2};
  EXPECT_EQ(mtxEigen2(iso, val, vec), 1);
  EXPECT_EQ(val[0], 2);
  EXPECT_EQ(val[1], 2);
  EXPECT_TRUE(isIdentity(vec, 2));

  const double zero[3] = {0, 0, 0};
  val[0] = val[1] = 9;
  EXPECT_EQ(mtxEigen2(zero, val, vec), 2);
  EXPECT_EQ(val[0], 0);
  EXPECT_EQ(val[1], 0);
  EXPECT_TRUE(isIdentity(vec, 2));

  // Scale 3 with the sign of m22; the result keeps the signs.
  const double ind[3] = {-1, 0, 3};
  EXPECT_EQ(mtxEigen2(ind, val, vec), 1);
  EXPECT_DOUBLE_EQ(val[0], -1);
  EXPECT_DOUBLE_EQ(val[1], 3);
  expectEigen2(ind, val, vec, 1e-14);

  // Equal absolute values: the larger eigenvalue of the scaled tensor comes first.
  const double sym[3] = {1, 0, -1};
  EXPECT_EQ(mtxEigen2(sym, val, vec), 1);
  EXPECT_EQ(val[0], 1);
  EXPECT_EQ(val[1], -1);
  const double neg[3] = {-1, 0, 1};  // scale -1: the same rule gives -1 first
  EXPECT_EQ(mtxEigen2(neg, val, vec), 1);
  EXPECT_EQ(val[0], -1);
  EXPECT_EQ(val[1], 1);

  // A double root hidden by a rotation.
  const double rot[3] = {5, 1e-14, 5};
  EXPECT_EQ(mtxEigen2(rot, val, vec), 1);
  EXPECT_EQ(val[0], 5);
  EXPECT_EQ(val[1], 5);
}

TEST(ZelEigen2, RandomPositiveDefiniteTensors) {
  std::mt19937 gen(2);
  std::uniform_real_distribution<double> ang(0, M_PI), ex(-6, 6);
  for (int n = 0; n < 2000; n++) {
    double t = ang(gen), l1 = std::pow(10, ex(gen)), l2 = l1 * std::pow(10, ex(gen) / 3);
    double c = std::cos(t), s = std::sin(t);
    const double m[3] = {l1 * c * c + l2 * s * s, (l1 - l2) * c * s, l1 * s * s + l2 * c * c};
    double val[2], vec[4];
    ASSERT_EQ(mtxEigen2(m, val, vec), 1) << n;
    expectEigen2(m, val, vec, 1e-10);
    EXPECT_NEAR(val[0], std::min(l1, l2), 1e-10 * std::max(l1, l2)) << n;
    EXPECT_NEAR(val[1], std::max(l1, l2), 1e-10 * std::max(l1, l2)) << n;
  }
}

TEST(ZelEigenMat2, GeneralMatrices) {
  double val[2], vec[4];
  const double m[4] = {2, 1, 0, 3};  // upper triangular: eigenvalues 2 and 3
  EXPECT_EQ(mtxEigenMat2(m, val, vec), 0);
  EXPECT_DOUBLE_EQ(val[0], 2);
  EXPECT_DOUBLE_EQ(val[1], 3);
  for (int k = 0; k < 2; k++) {
    const double *v = &vec[2 * k];
    EXPECT_NEAR(m[0] * v[0] + m[1] * v[1], val[k] * v[0], 1e-14);
    EXPECT_NEAR(m[2] * v[0] + m[3] * v[1], val[k] * v[1], 1e-14);
    EXPECT_NEAR(std::hypot(v[0], v[1]), 1, 1e-15);
  }
  const double sw[4] = {-5, 0, 0, 1};  // swapped so that 1 (smaller absolute value) comes first
  EXPECT_EQ(mtxEigenMat2(sw, val, vec), 0);
  EXPECT_DOUBLE_EQ(val[0], 1);
  EXPECT_DOUBLE_EQ(val[1], -5);
  EXPECT_NEAR(std::fabs(vec[1]), 1, 1e-15);

  const double iso[4] = {3, 0, 0, 3}, zero[4] = {0, 0, 0, 0};
  EXPECT_EQ(mtxEigenMat2(iso, val, vec), 1);
  EXPECT_EQ(val[0], 3);
  EXPECT_TRUE(isIdentity(vec, 2));
  EXPECT_EQ(mtxEigenMat2(zero, val, vec), 2);
  EXPECT_EQ(val[1], 0);
}

TEST(ZelEigenMat2, ComplexEigenvaluesAreReportedNotFatal) {
  // A quarter turn has eigenvalues +-i: the process must go on and be told of the failure.
  const double rot[4] = {0, -1, 1, 0};
  double val[2], vec[4];
  CaptureStderr();
  int ier = mtxEigenMat2(rot, val, vec);
  std::string err = GetCapturedStderr();
  EXPECT_EQ(ier, -1);
  EXPECT_CONTAINS(err, ("  ## ERROR: N is always diag in IR => dd = -4.000000e+00 must be > 0"));
  EXPECT_CONTAINS(err, ("  For matrix = [0.000000e+00 -1.000000e+00 1.000000e+00 0.000000e+00]  "
                             "nromalized to [-0.000000e+00 1.000000e+00 -1.000000e+00 -0.000000e+00]\n"));
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

TEST(ZelEigenMat2DeathTest, ComplexEigenvaluesDoNotEndTheProcess) {
  // Run in a child so that an exit from inside the solver, whatever its code, fails the test.
  EXPECT_EXIT(solveQuarterTurnAndGoOn(), testing::ExitedWithCode(42), "N is always diag in IR");
}

TEST(ZelMetIntersection2, PartCases) {
  const double m1[3] = {2, 0.5, 3}, I[3] = {1, 0, 1}, I4[3] = {4, 0, 4};
  double res[3] = {0, 0, 0};
  EXPECT_EQ(mtxMetIntersection2(m1, m1, res), 1);
  EXPECT_EQ(res[0], 2);
  EXPECT_EQ(res[1], 0.5);
  EXPECT_EQ(res[2], 3);
  EXPECT_EQ(mtxMetIntersection2(I, I4, res), 2);
  EXPECT_EQ(res[0], 4);
  EXPECT_EQ(res[2], 4);
  EXPECT_EQ(mtxMetIntersection2(I4, I, res), 1);
  EXPECT_EQ(res[0], 4);

  // A null second metric contains nothing: the result is the first one, off-diagonal included.
  const double zero[3] = {0, 0, 0};
  EXPECT_EQ(mtxMetIntersection2(m1, zero, res), 1);
  EXPECT_EQ(res[1], 0.5);

  // A first metric that is not positive is refused and the result left alone.
  const double flat[3] = {1, 1, 1};
  res[0] = res[1] = res[2] = 7;
  CaptureStderr();
  EXPECT_EQ(mtxMetIntersection2(flat, I, res), 3);
  std::string err = GetCapturedStderr();
  EXPECT_EQ(res[0] + res[1] + res[2], 21);
  EXPECT_EQ(err, "\n  ## WARNING simReduction : A huge metric is treated !\n"
                 "\t M = [1.00000000e+00 1.00000000e+00 1.00000000e+00] with det = 0.00000000e+00\n");
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

TEST(ZelMetIntersectionOld, CasesAndSmallMetrics) {
  const double I[3] = {1, 0, 1}, I4[3] = {4, 0, 4}, flat[3] = {1, 1, 1};
  double res[3] = {5, 5, 5};
  CaptureStderr();
  EXPECT_EQ(metIntersectionOld(flat, I, res), 0);
  std::string err = GetCapturedStderr();
  EXPECT_CONTAINS(err, ("## ERROR simReduction : A non positive metric is treated !"));
  EXPECT_EQ(res[0], 5);
  EXPECT_EQ(metIntersectionOld(I, I4, res), 1);
  EXPECT_EQ(res[0], 4);
  EXPECT_EQ(metIntersectionOld(I4, I, res), 1);
  EXPECT_EQ(res[2], 4);

  // Small second metrics and a null one: the first contains them, and nothing becomes NaN.
  const double tiny[3] = {1e-10, 0, 2e-10}, zero[3] = {0, 0, 0};
  for (const double *m2 : {tiny, zero}) {
    EXPECT_EQ(metIntersectionOld(I, m2, res), 1);
    EXPECT_NEAR(res[0], 1, 1e-12);
    EXPECT_NEAR(res[1], 0, 1e-12);
    EXPECT_NEAR(res[2], 1, 1e-12);
  }
}

TEST(ZelCubic, RootKinds) {
  double r[3];
  // (X - 1)(X - 2)(X - 3): Newton from the inflection point lands on 2.
  EXPECT_EQ(mtxCubicRoots(-6, 11, -6, r), 1);
  EXPECT_NEAR(r[0], 1, 1e-12);
  EXPECT_NEAR(r[1], 2, 1e-12);
  EXPECT_NEAR(r[2], 3, 1e-12);
  // (X - 1)^2 (X - 2): a critical point is a root.
  EXPECT_EQ(mtxCubicRoots(-4, 5, -2, r), 2);
  EXPECT_EQ(r[0], 1);
  EXPECT_EQ(r[1], 1);
  EXPECT_EQ(r[2], 2);
  // (X - 1)^3, and the same with the derivative's discriminant slightly below zero.
  EXPECT_EQ(mtxCubicRoots(-3, 3, -1, r), 3);
  EXPECT_EQ(r[0], 1);
  EXPECT_EQ(r[2], 1);
  EXPECT_EQ(mtxCubicRoots(-3, 3 + 1e-13, -1, r), 3);
  EXPECT_EQ(r[1], 1);
  // Roots too close to tell apart are merged, the double one into roots 0 and 1.
  struct Case { double pair, single; };
  for (Case k : {Case{1, 3}, Case{3, 1}}) {
    const double l[3] = {k.pair, k.pair + 2e-7, k.single};
    double a = -(l[0] + l[1] + l[2]), b = l[0] * l[1] + l[0] * l[2] + l[1] * l[2], c = -l[0] * l[1] * l[2];
    EXPECT_EQ(mtxCubicRoots(a, b, c, r), 2);
    EXPECT_EQ(r[0], r[1]);
    EXPECT_NEAR(r[0], k.pair, 1e-6);
    EXPECT_NEAR(r[2], k.single, 1e-9);
  }
}

TEST(ZelCubic, FailuresAreReported) {
  double r[3];
  CaptureStderr();
  EXPECT_EQ(mtxCubicRoots(0, 1, 0, r), 0);
  std::string err = GetCapturedStderr();
  EXPECT_EQ(err, "\n  ## WARNING Newton : No real roots !\n"
                 "\t P'(X) = 3.00000000e+00*X^2 + 0.00000000e+00*X + 1.00000000e+00\n"
                 "\t delta = -1.20000000e+01\n");

  CaptureStderr();
  EXPECT_EQ(mtxCubicRoots(-3, 3, -1 + 1e-6, r), 0);
  err = GetCapturedStderr();
  EXPECT_CONTAINS(err, ("## WARNING Newton : Problem with triple root !"));

  CaptureStderr();
  EXPECT_EQ(mtxCubicRoots(0, -3, 10, r), 0);
  err = GetCapturedStderr();
  EXPECT_CONTAINS(err, ("## WARNING Newton : Only one real root !\n\t Root 1   = -2.61288786e+00\n"));
}

TEST(ZelCubic, NewtonStopsOnVanishingSlope) {
  // X^3 - 3X + 3: the first Newton step from 0 lands on 1, where the slope is exactly 0.
  double r[3] = {0, 0, 0};
  CaptureStderr();
  EXPECT_EQ(mtxCubicRoots(0, -3, 3, r), 0);
  std::string err = GetCapturedStderr();
  EXPECT_CONTAINS(err, ("## WARNING Newton : we haven't found a root !\n"
                             "\t Best root = 1.00000000e+00\n"));
  EXPECT_LACKS(err, ("100 iterations"));
  EXPECT_LACKS(err, ("nan"));
  EXPECT_LACKS(err, ("inf"));
}

TEST(ZelEigen3, PartCases) {
  double val[3], vec[9];
  const double diag[6] = {1, 0, 0, 2, 0, 3};
  EXPECT_EQ(mtxEigen3(diag, val, vec), 1);
  for (int k = 0; k < 3; k++) {
    EXPECT_NEAR(val[k], k + 1, 1e-12);
    for (int i = 0; i < 3; i++) EXPECT_NEAR(std::fabs(vec[3 * k + i]), i == k ? 1 : 0, 1e-12);
  }

  const double five[6] = {5, 0, 0, 5, 0, 5};
  EXPECT_EQ(mtxEigen3(five, val, vec), 1);
  EXPECT_EQ(val[0], 5);
  EXPECT_EQ(val[1], 5);
  EXPECT_EQ(val[2], 5);
  EXPECT_TRUE(isIdentity(vec, 3));

  const double flat[6] = {1, 0, 0, 1, 0, 4};
  EXPECT_EQ(mtxEigen3(flat, val, vec), 1);
  EXPECT_DOUBLE_EQ(val[0], 1);
  EXPECT_DOUBLE_EQ(val[1], 1);
  EXPECT_DOUBLE_EQ(val[2], 4);
  EXPECT_EQ(std::fabs(vec[8]), 1);
  expectEigen3(flat, val, vec, 1e-14);

  const double zero[6] = {0, 0, 0, 0, 0, 0};
  EXPECT_EQ(mtxEigen3(zero, val, vec), 1);
  EXPECT_EQ(val[0] + val[1] + val[2], 0);
  EXPECT_TRUE(isIdentity(vec, 3));
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
    // The double root sits in roots 0 and 1.
    double s = 0, t[6], r[3];
    for (double x : m) s = std::max(s, std::fabs(x));
    for (int i = 0; i < 6; i++) t[i] = m[i] / s;
    ASSERT_EQ(mtxGetEigVal3(t, r), 2) << n;
    EXPECT_EQ(r[0], r[1]);
    EXPECT_NEAR(val[0], l, 1e-6 * big) << n;
    EXPECT_NEAR(val[2], mu, 1e-6 * big) << n;
    // The single root's vector is the second axis of the frame.
    EXPECT_NEAR(std::fabs(vec[6] * Q[1][0] + vec[7] * Q[1][1] + vec[8] * Q[1][2]), 1, 1e-8) << n;

    double iso[3] = {mu, mu, mu};
    tensorOf(Q, iso, m);
    ASSERT_EQ(mtxEigen3(m, val, vec), 1);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(val[k], mu, 1e-12 * mu);
    EXPECT_TRUE(isIdentity(vec, 3));
  }
}

TEST(ZelEigen3DeathTest, WrongKindIsFatal) {
  const double m[6] = {1, 0, 0, 1, 0, 1}, r[3] = {1, 1, 1};
  double vec[9];
  EXPECT_EXIT(mtxGetEigVec3(4, m, r, vec), testing::ExitedWithCode(100),
              "  ## ERROR: WRONG TYPE OF EIGENVALUES.\n.*FATAL INTERNAL ERROR IN EIGENVEC");
}
