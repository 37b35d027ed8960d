#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "zelvane/scene/ZelMatrix.h"

namespace {

void expectIdentity(const double M[16], double tol) {
  for (int i = 0; i < 16; i++) EXPECT_NEAR(M[i], (i % 5 == 0) ? 1.0 : 0.0, tol) << "entry " << i;
}

void expectInverse(const double A[16]) {
  double inv[16], prod[16];
  zelInvMatrix(A, inv);
  zelMulMatrix(prod, A, inv);
  expectIdentity(prod, 1e-9);
  zelMulMatrix(prod, inv, A);
  expectIdentity(prod, 1e-9);
}

}  // namespace

TEST(ZelMatrix, IdentityTranslateAndRotPart) {
  double M[16], t[3] = {1.5, -2, 3};
  for (double &m : M) m = 7;
  zelIdentity(M);
  expectIdentity(M, 0);
  zelTranslate(M, t);
  EXPECT_EQ(M[3], 1.5);
  EXPECT_EQ(M[7], -2);
  EXPECT_EQ(M[11], 3);
  EXPECT_EQ(M[0] + M[5] + M[10] + M[15], 4);

  // The translation is dropped by the rotation part and ignored by the 3x3 transform.
  double R[16], axis[3] = {1, 1, 0}, TR[16];
  zelRotate(R, axis, 30);
  zelMulMatrix(TR, M, R);
  TR[12] = 0.1, TR[13] = 0.2, TR[14] = 0.3, TR[15] = 2;
  double rot[16];
  zelGetRotPart(rot, TR);
  for (int i = 0; i < 16; i++) EXPECT_DOUBLE_EQ(rot[i], R[i]) << i;
  zelGetRotPart(TR, TR);
  for (int i = 0; i < 16; i++) EXPECT_DOUBLE_EQ(TR[i], R[i]) << i;

  double p[3] = {1, 2, 3}, q[3];
  zelTransformPoint(q, M, p);
  EXPECT_EQ(q[0], 1);
  EXPECT_EQ(q[1], 2);
  EXPECT_EQ(q[2], 3);
  double h[4] = {1, 2, 3, 1}, hq[4];
  zelTransformPoint2(hq, M, h);
  EXPECT_EQ(hq[0], 2.5);
  EXPECT_EQ(hq[1], 0);
  EXPECT_EQ(hq[2], 6);
  EXPECT_EQ(hq[3], 1);
  zelTransformPoint2(h, M, h);  // in place
  EXPECT_EQ(h[0], 2.5);
  EXPECT_EQ(h[2], 6);
}

TEST(ZelMatrix, RotateCases) {
  double M[16], z2[3] = {0, 0, 2}, zero[3] = {0, 0, 0};
  zelRotate(M, z2, 0);
  expectIdentity(M, 0);
  zelRotate(M, zero, 45);
  expectIdentity(M, 0);
  zelRotate(M, z2, 1e-21);
  expectIdentity(M, 0);

  zelRotate(M, z2, 90);  // the axis is normalised first
  EXPECT_NEAR(M[1], 1, 1e-15);
  EXPECT_NEAR(M[4], -1, 1e-15);
  EXPECT_NEAR(M[0], 0, 1e-15);
  EXPECT_NEAR(M[5], 0, 1e-15);
  EXPECT_EQ(M[10], 1);
  EXPECT_EQ(M[15], 1);
  EXPECT_EQ(M[3] + M[7] + M[11] + M[12] + M[13] + M[14], 0);

  // Read column by column (as OpenGL does) it turns x into y about z.
  double x[3] = {1, 0, 0}, col[3];
  for (int r = 0; r < 3; r++) col[r] = M[4 * 0 + r] * x[0] + M[4 * 1 + r] * x[1] + M[4 * 2 + r] * x[2];
  EXPECT_NEAR(col[0], 0, 1e-15);
  EXPECT_NEAR(col[1], 1, 1e-15);

  // Any rotation is orthogonal with determinant 1, and turning back undoes it.
  double axis[3] = {0.3, -1.2, 0.7}, back[16], prod[16];
  zelRotate(M, axis, 37.5);
  zelRotate(back, axis, -37.5);
  zelMulMatrix(prod, M, back);
  expectIdentity(prod, 1e-14);
  double det = M[0] * (M[5] * M[10] - M[6] * M[9]) - M[1] * (M[4] * M[10] - M[6] * M[8]) +
               M[2] * (M[4] * M[9] - M[5] * M[8]);
  EXPECT_NEAR(det, 1, 1e-14);
}

TEST(ZelMatrix, MultiplyAndApply) {
  double A[16], B[16], I[16], out[16];
  for (int i = 0; i < 16; i++) A[i] = i + 1, B[i] = (i * 7) % 5 - 2;
  zelIdentity(I);
  zelMulMatrix(out, A, I);
  for (int i = 0; i < 16; i++) EXPECT_EQ(out[i], A[i]);
  zelMulMatrix(out, A, B);
  EXPECT_EQ(out[4 * 1 + 2], A[4] * B[2] + A[5] * B[6] + A[6] * B[10] + A[7] * B[14]);

  double M[16];
  for (int i = 0; i < 16; i++) M[i] = A[i];
  zelApplyTransform(M, I);
  for (int i = 0; i < 16; i++) EXPECT_EQ(M[i], A[i]);
  zelApplyTransform(M, B);  // M = B A
  double BA[16];
  zelMulMatrix(BA, B, A);
  for (int i = 0; i < 16; i++) EXPECT_EQ(M[i], BA[i]);
  zelMulMatrix(A, A, B);  // output over an input still gives the product
  zelMulMatrix(out, A, I);
  double AB[16], A0[16];
  for (int i = 0; i < 16; i++) A0[i] = i + 1;
  zelMulMatrix(AB, A0, B);
  for (int i = 0; i < 16; i++) EXPECT_EQ(A[i], AB[i]);
}

TEST(ZelMatrix, InverseOfQuarterTurnsAboutEachAxis) {
  // Quarter turns put zeros on the diagonal: elimination without row exchanges fails here.
  for (int ax = 0; ax < 3; ax++)
    for (double angle : {90.0, -90.0, 180.0, 270.0}) {
      SCOPED_TRACE("axis " + std::to_string(ax) + " angle " + std::to_string(angle));
      double axis[3] = {0, 0, 0}, R[16], T[16], t[3] = {0.5, -3, 2};
      axis[ax] = 1;
      zelRotate(R, axis, angle);
      expectInverse(R);
      zelTranslate(T, t);
      zelApplyTransform(R, T);  // with a translation, as a camera matrix has
      expectInverse(R);
    }
  // A camera turned a quarter turn about y or z, then about x, then moved: its leading entry
  // vanishes while the matrix is far from singular.
  double x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1}, t[3] = {0.3, -2, 5};
  for (const double *first : {y, z})
    for (double angle : {10.0, 30.0, 45.0, 60.0}) {
      SCOPED_TRACE("then about x by " + std::to_string(angle));
      double M[16], R[16];
      zelIdentity(M);
      zelRotate(R, first, 90);
      zelApplyTransform(M, R);
      zelRotate(R, x, angle);
      zelApplyTransform(M, R);
      zelTranslate(R, t);
      zelApplyTransform(M, R);
      expectInverse(M);
    }
}

TEST(ZelMatrix, InverseOfRandomRegularMatrices) {
  std::mt19937 gen(12345);
  std::uniform_real_distribution<double> uni(-1, 1);
  int done = 0;
  for (int n = 0; n < 200; n++) {
    double A[16];
    for (double &a : A) a = uni(gen);
    if (n % 3 == 0) A[0] = 0;  // a zero leading entry needs a row exchange
    if (n % 5 == 0) A[5] = A[0] = 0, A[10] = 1e-17;
    double inv[16], prod[16];
    zelInvMatrix(A, inv);
    zelMulMatrix(prod, A, inv);
    // Skip the few matrices that are close to singular: their residual is not the point here.
    double norm = 0, inorm = 0;
    for (int i = 0; i < 16; i++) norm = std::fmax(norm, std::fabs(A[i])), inorm = std::fmax(inorm, std::fabs(inv[i]));
    if (norm * inorm > 1e6) continue;
    expectIdentity(prod, 1e-10);
    done++;
  }
  EXPECT_GT(done, 150);

  double A[16] = {0, 2, 0, 0, 3, 0, 0, 0, 0, 0, 0, 4, 0, 0, 5, 0};  // first entry 0, regular
  double inv[16];
  zelInvMatrix(A, inv);
  EXPECT_DOUBLE_EQ(inv[1], 1.0 / 3);
  EXPECT_DOUBLE_EQ(inv[4], 0.5);
  EXPECT_DOUBLE_EQ(inv[11], 0.2);
  EXPECT_DOUBLE_EQ(inv[14], 0.25);
  zelInvMatrix(A, A);  // in place
  EXPECT_DOUBLE_EQ(A[1], 1.0 / 3);
}

TEST(ZelMatrix, InverseOfSingularMatrixStaysFinite) {
  double Z[16] = {0}, inv[16];
  zelInvMatrix(Z, inv);
  for (int i = 0; i < 16; i++) {
    EXPECT_TRUE(std::isfinite(inv[i])) << i;
    EXPECT_DOUBLE_EQ(inv[i], (i % 5 == 0) ? -1e15 : 0.0) << i;  // the zero pivot became -1e-15
  }
  double S[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 1, 0, 0, 1};  // two rows proportional
  zelInvMatrix(S, inv);
  double big = 0;
  for (int i = 0; i < 16; i++) {
    EXPECT_TRUE(std::isfinite(inv[i])) << i;
    big = std::fmax(big, std::fabs(inv[i]));
  }
  EXPECT_GT(big, 1e10);
}

TEST(ZelMatrix, PrintMat) {
  double M[16];
  for (int i = 0; i < 16; i++) M[i] = i * 0.5;
  testing::internal::CaptureStdout();
  zelPrintMat(M);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            " 0 0.5 1 1.5 * 2 2.5 3 3.5 * 4 4.5 5 5.5 * 6 6.5 7 7.5\n");
}
