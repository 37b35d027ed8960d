#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelMatrix.h"

namespace {

void expectIdentity(const double M[16], double tol) {
  for (int i = 0; i < 16; i++) EXPECT_NEAR(M[i], (i % 5 == 0) ? 1.0 : 0.0, tol) << "entry " << i;
}

}  // namespace

// The translation column, products in both orders (a transform applied acts before the old
// matrix), the output over an input, and a point through the 4x4 matrix.
TEST(ZelMatrix, TranslateMultiplyAndApply) {
  double A[16], B[16], M[16], AB[16], BA[16], t[3] = {1.5, -2, 3}, h[4] = {1, 2, 3, 1};
  std::fill_n(M, 16, 7.0);
  zelTranslate(M, t);
  zelTransformPoint2(h, M, h);  // in place
  EXPECT_EQ(std::vector<double>(h, h + 4), (std::vector<double>{2.5, 0, 6, 1}));
  EXPECT_EQ(M[0] + M[5] + M[10] + M[15] + M[1] + M[12], 4);
  for (int i = 0; i < 16; i++) A[i] = M[i] = i + 1, B[i] = (i * 7) % 5 - 2;
  zelMulMatrix(AB, A, B);
  EXPECT_EQ(AB[4 * 1 + 2], A[4] * B[2] + A[5] * B[6] + A[6] * B[10] + A[7] * B[14]);
  zelMulMatrix(BA, B, A);
  zelApplyTransform(M, B);  // M = B A
  zelMulMatrix(A, A, B);    // output over an input still gives the product
  for (int i = 0; i < 16; i++) EXPECT_EQ(M[i], BA[i]) << i;
  for (int i = 0; i < 16; i++) EXPECT_EQ(A[i], AB[i]) << i;
}

TEST(ZelMatrix, RotateCases) {
  double M[16], z2[3] = {0, 0, 2}, zero[3] = {0, 0, 0};
  zelRotate(M, zero, 45);
  expectIdentity(M, 0);
  // The axis is normalised first; read column by column (as OpenGL does) it turns x into y.
  zelRotate(M, z2, 90);
  const double quarter[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; i++) EXPECT_NEAR(M[i], quarter[i], 1e-15) << i;
  // Turning back undoes any rotation.
  double axis[3] = {0.3, -1.2, 0.7}, back[16], prod[16];
  zelRotate(M, axis, 37.5);
  zelRotate(back, axis, -37.5);
  zelMulMatrix(prod, M, back);
  expectIdentity(prod, 1e-14);
}

// Quarter turns put zeros on the diagonal, and a camera turned a quarter turn about y or z, then
// about x, then moved, has a vanishing leading entry while far from singular: elimination
// without row exchanges fails on both. A singular matrix gives a large but finite inverse.
TEST(ZelMatrix, InverseOfQuarterTurnsCamerasAndSingularMatrices) {
  auto expectInverse = [](const double A[16], const char *what, double angle) {
    double inv[16], prod[16];
    zelInvMatrix(A, inv);
    zelMulMatrix(prod, A, inv);
    SCOPED_TRACE(testing::Message() << what << " " << angle);
    expectIdentity(prod, 1e-9);
    zelMulMatrix(prod, inv, A);
    expectIdentity(prod, 1e-9);
  };
  double x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1}, t[3] = {0.3, -2, 5}, R[16], T[16], M[16];
  for (const double *ax : {x, y, z})
    for (double angle : {90.0, -90.0, 180.0, 270.0}) {
      zelRotate(R, ax, angle);
      expectInverse(R, "quarter turn", angle);
      zelTranslate(T, t);
      zelApplyTransform(R, T);
      expectInverse(R, "moved quarter turn", angle);
    }
  for (const double *first : {y, z})
    for (double angle : {10.0, 30.0, 45.0, 60.0}) {
      zelRotate(M, first, 90);
      zelRotate(R, x, angle);
      zelApplyTransform(M, R);
      zelTranslate(R, t);
      zelApplyTransform(M, R);
      expectInverse(M, "camera tilted by", angle);
    }
  double S[16] = {1, 2, 3, 4, 2, 4, 6, 8, 0, 1, 0, 1, 1, 0, 0, 1}, inv[16], big = 0;  // rows 0, 1 alike
  zelInvMatrix(S, inv);
  for (int i = 0; i < 16; i++) {
    EXPECT_TRUE(std::isfinite(inv[i])) << i;
    big = std::fmax(big, std::fabs(inv[i]));
  }
  EXPECT_GT(big, 1e10);
}
