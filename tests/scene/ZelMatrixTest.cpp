#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

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
  std::fill_n(M, 16, 7.0);
  zelIdentity(M);
  expectIdentity(M, 0);
  zelTranslate(M, t);
  EXPECT_EQ(std::vector<double>({M[3], M[7], M[11]}), std::vector<double>(t, t + 3));
  EXPECT_EQ(M[0] + M[5] + M[10] + M[15], 4);

  // The translation is dropped by the rotation part and ignored by the 3x3 transform,
  // applied by the 4x4 one.
  double R[16], axis[3] = {1, 1, 0}, TR[16];
  zelRotate(R, axis, 30);
  zelMulMatrix(TR, M, R);
  TR[12] = 0.1, TR[13] = 0.2, TR[14] = 0.3, TR[15] = 2;
  zelGetRotPart(TR, TR);
  for (int i = 0; i < 16; i++) EXPECT_DOUBLE_EQ(TR[i], R[i]) << i;
  double p[3] = {1, 2, 3}, q[3], h[4] = {1, 2, 3, 1};
  zelTransformPoint(q, M, p);
  EXPECT_EQ(std::vector<double>(q, q + 3), std::vector<double>(p, p + 3));
  zelTransformPoint2(h, M, h);  // in place
  EXPECT_EQ(std::vector<double>(h, h + 4), (std::vector<double>{2.5, 0, 6, 1}));
}

TEST(ZelMatrix, RotateCases) {
  double M[16], z2[3] = {0, 0, 2}, zero[3] = {0, 0, 0};
  zelRotate(M, zero, 45);
  expectIdentity(M, 0);

  // The axis is normalised first; read column by column (as OpenGL does) it turns x into y.
  zelRotate(M, z2, 90);
  const double quarter[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; i++) EXPECT_NEAR(M[i], quarter[i], 1e-15) << i;

  // Any rotation is orthogonal with determinant 1, and turning back undoes it.
  double axis[3] = {0.3, -1.2, 0.7}, back[16], prod[16];
  zelRotate(M, axis, 37.5);
  zelRotate(back, axis, -37.5);
  zelMulMatrix(prod, M, back);
  expectIdentity(prod, 1e-14);
}

TEST(ZelMatrix, MultiplyAndApply) {
  double A[16], B[16], M[16], AB[16], BA[16];
  for (int i = 0; i < 16; i++) A[i] = M[i] = i + 1, B[i] = (i * 7) % 5 - 2;
  zelMulMatrix(AB, A, B);
  EXPECT_EQ(AB[4 * 1 + 2], A[4] * B[2] + A[5] * B[6] + A[6] * B[10] + A[7] * B[14]);
  zelMulMatrix(BA, B, A);
  zelApplyTransform(M, B);  // M = B A
  for (int i = 0; i < 16; i++) EXPECT_EQ(M[i], BA[i]) << i;
  zelMulMatrix(A, A, B);  // output over an input still gives the product
  for (int i = 0; i < 16; i++) EXPECT_EQ(A[i], AB[i]) << i;
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

TEST(ZelMatrix, InverseOfSingularMatrixStaysFinite) {
  double inv[16];
  double S[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 1, 0, 0, 1};  // two rows proportional
  zelInvMatrix(S, inv);
  double big = 0;
  for (int i = 0; i < 16; i++) {
    EXPECT_TRUE(std::isfinite(inv[i])) << i;
    big = std::fmax(big, std::fabs(inv[i]));
  }
  EXPECT_GT(big, 1e10);
}
