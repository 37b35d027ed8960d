#include "zelvane/scene/ZelMatrix.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

void zelIdentity(double M[16]) {
  for (int i = 0; i < 16; i++) M[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

void zelTranslate(double M[16], const double t[3]) {
  zelIdentity(M);
  M[3] = t[0];
  M[7] = t[1];
  M[11] = t[2];
}

void zelRotate(double M[16], const double axis[3], double angle) {
  double len2 = axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2];
  zelIdentity(M);
  if (std::fabs(angle) <= 1e-20 || len2 < 1e-20) return;
  double len = std::sqrt(len2);
  double x = axis[0] / len, y = axis[1] / len, z = axis[2] / len;
  double rad = angle * M_PI / 180.0;
  double s = std::sin(rad), c = std::cos(rad), t = 1.0 - c;
  M[0] = x * x + c * (1.0 - x * x);
  M[1] = x * y * t + z * s;
  M[2] = x * z * t - y * s;
  M[4] = x * y * t - z * s;
  M[5] = y * y + c * (1.0 - y * y);
  M[6] = y * z * t + x * s;
  M[8] = x * z * t + y * s;
  M[9] = y * z * t - x * s;
  M[10] = z * z + c * (1.0 - z * z);
}

void zelMulMatrix(double out[16], const double A[16], const double B[16]) {
  // Computed aside so that a caller passing out == A or out == B still gets the product.
  double r[16];
  for (int i = 0; i < 4; i++)
    for (int j = 0; j < 4; j++) {
      double sum = 0.0;
      for (int k = 0; k < 4; k++) sum += A[4 * i + k] * B[4 * k + j];
      r[4 * i + j] = sum;
    }
  std::memcpy(out, r, sizeof(r));
}

void zelApplyTransform(double M[16], const double T[16]) { zelMulMatrix(M, T, M); }

void zelInvMatrix(const double M[16], double out[16]) {
  double a[16], inv[16];
  std::memcpy(a, M, sizeof(a));
  zelIdentity(inv);
  for (int col = 0; col < 4; col++) {
    // Row exchanges: a camera turned by a quarter turn has zeros on the diagonal, and
    // eliminating in the natural row order would divide by them.
    int piv = col;
    for (int r = col + 1; r < 4; r++)
      if (std::fabs(a[4 * r + col]) > std::fabs(a[4 * piv + col])) piv = r;
    if (piv != col)
      for (int j = 0; j < 4; j++) {
        std::swap(a[4 * piv + j], a[4 * col + j]);
        std::swap(inv[4 * piv + j], inv[4 * col + j]);
      }
    // Only a singular matrix leaves a pivot this small once the largest one is chosen; the
    // clamp keeps the result finite.
    double p = a[4 * col + col];
    p = (p > 0.0) ? std::fmax(p, 1e-15) : std::fmin(p, -1e-15);
    for (int j = 0; j < 4; j++) {
      a[4 * col + j] /= p;
      inv[4 * col + j] /= p;
    }
    for (int r = 0; r < 4; r++) {
      if (r == col) continue;
      double f = a[4 * r + col];
      if (f == 0.0) continue;
      for (int j = 0; j < 4; j++) {
        a[4 * r + j] -= f * a[4 * col + j];
        inv[4 * r + j] -= f * inv[4 * col + j];
      }
    }
  }
  std::memcpy(out, inv, sizeof(inv));
}

void zelTransformPoint(double out[3], const double M[16], const double p[3]) {
  double r[3];
  for (int i = 0; i < 3; i++) r[i] = M[4 * i] * p[0] + M[4 * i + 1] * p[1] + M[4 * i + 2] * p[2];
  std::memcpy(out, r, sizeof(r));
}

void zelTransformPoint2(double out[4], const double M[16], const double p[4]) {
  double r[4];
  for (int i = 0; i < 4; i++)
    r[i] = M[4 * i] * p[0] + M[4 * i + 1] * p[1] + M[4 * i + 2] * p[2] + M[4 * i + 3] * p[3];
  std::memcpy(out, r, sizeof(r));
}

void zelGetRotPart(double out[16], const double M[16]) {
  if (out != M) std::memcpy(out, M, 16 * sizeof(double));
  out[3] = out[7] = out[11] = 0.0;
  out[12] = out[13] = out[14] = 0.0;
  out[15] = 1.0;
}

void zelPrintMat(const double M[16]) {
  for (int i = 0; i < 3; i++)
    printf(" %lg %lg %lg %lg *", M[4 * i], M[4 * i + 1], M[4 * i + 2], M[4 * i + 3]);
  printf(" %lg %lg %lg %lg\n", M[12], M[13], M[14], M[15]);
}
