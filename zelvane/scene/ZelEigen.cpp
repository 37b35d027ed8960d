#include "zelvane/scene/ZelEigen.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/base/Memory.h"

namespace {

// Entry of largest absolute value with its sign; a later entry wins only when strictly larger.
double signedLargest(const double *v, int n) {
  double s = v[0];
  for (int i = 1; i < n; i++)
    if (std::fabs(v[i]) > std::fabs(s)) s = v[i];
  return s;
}

void identity2(double vec[4]) {
  vec[0] = 1.0, vec[1] = 0.0;
  vec[2] = 0.0, vec[3] = 1.0;
}

void identity3(double vec[9]) {
  for (int i = 0; i < 9; i++) vec[i] = (i % 4 == 0) ? 1.0 : 0.0;
}

void cross(const double u[3], const double v[3], double w[3]) {
  w[0] = u[1] * v[2] - u[2] * v[1];
  w[1] = u[2] * v[0] - u[0] * v[2];
  w[2] = u[0] * v[1] - u[1] * v[0];
}

double norm2(const double *v, int n) {
  double s = 0.0;
  for (int i = 0; i < n; i++) s += v[i] * v[i];
  return s;
}

// A zero vector is left as it is rather than turned into NaNs.
void normalise(double *v, int n) {
  double len = std::sqrt(norm2(v, n));
  if (len > 0.0)
    for (int i = 0; i < n; i++) v[i] /= len;
}

// The 2x2 symmetric tensor P^-T diag(d1, d2) P^-1, P having the columns e1 and e2, with
// di = max(ei^T m1 ei, ei^T m2 ei): the smallest metric containing both in the common basis.
void reducedMetric(const double m1[3], const double m2[3], const double e1[2], const double e2[2],
                   double res[3]) {
  auto quad = [](const double m[3], const double e[2]) {
    return m[0] * e[0] * e[0] + 2.0 * m[1] * e[0] * e[1] + m[2] * e[1] * e[1];
  };
  double d1 = std::fmax(quad(m1, e1), quad(m2, e1));
  double d2 = std::fmax(quad(m1, e2), quad(m2, e2));
  // P = (e1x e2x; e1y e2y); Q = P^-1.
  double det = e1[0] * e2[1] - e2[0] * e1[1];
  double q11 = e2[1] / det, q12 = -e2[0] / det;
  double q21 = -e1[1] / det, q22 = e1[0] / det;
  res[0] = d1 * q11 * q11 + d2 * q21 * q21;
  res[1] = d1 * q11 * q12 + d2 * q21 * q22;
  res[2] = d1 * q12 * q12 + d2 * q22 * q22;
}

// N = m1^-1 m2 as (n11, n12, n21, n22).
void reductionMatrix(const double m1[3], const double m2[3], double det1, double n[4]) {
  n[0] = (m1[2] * m2[0] - m1[1] * m2[1]) / det1;
  n[1] = (m1[2] * m2[1] - m1[1] * m2[2]) / det1;
  n[2] = (m1[0] * m2[1] - m1[1] * m2[0]) / det1;
  n[3] = (m1[0] * m2[2] - m1[1] * m2[1]) / det1;
}

// The determinant of m when it is at least minDet, else 0 after the message and m on
// standard error.
double checkedDet(const double m[3], double minDet, const char *message) {
  double det = m[0] * m[2] - m[1] * m[1];
  if (det >= minDet) return det;
  fprintf(stderr, "%s", message);
  fprintf(stderr, "\t M = [%12.8e %12.8e %12.8e] with det = %12.8e\n", m[0], m[1], m[2], det);
  return 0.0;
}

struct Cubic {
  double a, b, c;
  double operator()(double x) const { return ((x + a) * x + b) * x + c; }
  double slope(double x) const { return (3.0 * x + 2.0 * a) * x + b; }
};

bool close(double x, double y) { return 2.0 * std::fabs(x - y) < 1e-5 * (std::fabs(x) + std::fabs(y)); }

// Newton from the inflection point. Returns false, after a warning, when no root was found.
bool newtonRoot(const Cubic &P, double *root) {
  double x = -P.a / 3.0, px = P(x);
  double best = x, bestP = std::fabs(px), dist = 0.0;
  bool stalled = false;
  for (int k = 0; k < 100 && !stalled; k++) {
    double dp = P.slope(x);
    // Dividing by a vanishing slope would throw the iterate to infinity: stop on what we have.
    if (std::fabs(dp) < 1e-15) {
      stalled = true;
      break;
    }
    double xn = x - px / dp, pn = P(xn);
    if (std::fabs(pn) < bestP) best = xn, bestP = std::fabs(pn);
    if (std::fabs(pn) < 1e-18) {
      *root = xn;
      return true;
    }
    if (std::fabs(xn - x) < 1e-7 * std::fabs(xn)) {
      dist = std::fabs(xn - x) / std::fabs(xn);
      stalled = true;
    }
    x = xn, px = pn;
  }
  if (bestP <= 1e-12) {
    *root = best;
    return true;
  }
  if (stalled) {
    fprintf(stderr, "\n  ## WARNING Newton : we haven't found a root !\n");
    fprintf(stderr, "\t Best root = %12.8e\n", best);
    fprintf(stderr, "\t P(X)  =  X^3 + %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e\n", P.a, P.b, P.c,
            P(best));
    fprintf(stderr, "\t dist = %12.8e\n", dist);
  } else {
    fprintf(stderr, "\n  ## WARNING Newton : we haven't converged in 100 iterations !\n");
    fprintf(stderr, "\t     Best root = %12.8e\n", best);
    fprintf(stderr, "\t     P(X)  =  X^3 + %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e\n", P.a, P.b,
            P.c, P(best));
  }
  return false;
}

// Of the cross products of two rows of M - l I, the one of largest norm, normalised: the
// eigenvector of l when l is a single root.
void kernelVector(const double m[6], double l, double v[3]) {
  const double rows[3][3] = {{m[0] - l, m[1], m[2]}, {m[1], m[3] - l, m[4]}, {m[2], m[4], m[5] - l}};
  double c[3][3];
  cross(rows[0], rows[1], c[0]);
  cross(rows[0], rows[2], c[1]);
  cross(rows[1], rows[2], c[2]);
  int k = 0;
  for (int i = 1; i < 3; i++)
    if (norm2(c[i], 3) > norm2(c[k], 3)) k = i;
  std::memcpy(v, c[k], 3 * sizeof(double));
  normalise(v, 3);
}

// Row of M - l I of largest norm, normalised.
void largestRow(const double m[6], double l, double v[3]) {
  const double rows[3][3] = {{m[0] - l, m[1], m[2]}, {m[1], m[3] - l, m[4]}, {m[2], m[4], m[5] - l}};
  int k = 0;
  for (int i = 1; i < 3; i++)
    if (norm2(rows[i], 3) > norm2(rows[k], 3)) k = i;
  std::memcpy(v, rows[k], 3 * sizeof(double));
  normalise(v, 3);
}

}  // namespace

int mtxEigen2(const double met[3], double eigVal[2], double eigVec[4]) {
  double s = signedLargest(met, 3);
  if (std::fabs(s) < 1e-300) {
    eigVal[0] = eigVal[1] = 0.0;
    identity2(eigVec);
    return 2;
  }
  double a = met[0] / s, b = met[1] / s, c = met[2] / s;
  double dd = 4.0 * b * b + (a - c) * (a - c);
  if (std::fabs(dd) < 1e-24) {
    eigVal[0] = eigVal[1] = s;
    identity2(eigVec);
    return 1;
  }
  double r = std::sqrt(dd);
  double l1 = 0.5 * (a + c - r), l2 = 0.5 * (a + c + r);
  double u[2] = {-b, a - l2};
  if (norm2(u, 2) < 1e-30) {
    u[0] = l2 - c, u[1] = b;
    if (norm2(u, 2) < 1e-30) {
      if (std::fabs(l1 - 1.0) < 1e-12 && std::fabs(l2 - 1.0) < 1e-12) {
        printf("  ## INFO Eigen2d: two identical eigen values have not been filtered !!\n");
        printf("     M = [%12.8e %12.8e %12.8e]  with eig %le %le  and dd = %le\n", met[0], met[1],
               met[2], l1, l2, r);
        eigVal[0] = eigVal[1] = s;
        identity2(eigVec);
        return 1;
      }
      fprintf(stderr, "\n  ## ERROR Eigen2d: A nul metric is obtained !\n");
      fprintf(stderr, "     M = [%12.8e %12.8e %12.8e]\n", a, b, c);
      return 0;
    }
  }
  normalise(u, 2);
  const double w[2] = {-u[1], u[0]};
  if (std::fabs(l2) > std::fabs(l1)) {
    eigVal[0] = l1, eigVal[1] = l2;
    eigVec[0] = w[0], eigVec[1] = w[1], eigVec[2] = u[0], eigVec[3] = u[1];
  } else {
    eigVal[0] = l2, eigVal[1] = l1;
    eigVec[0] = u[0], eigVec[1] = u[1], eigVec[2] = w[0], eigVec[3] = w[1];
  }
  eigVal[0] *= s;
  eigVal[1] *= s;
  return 1;
}

int mtxEigenMat2(const double mat[4], double eigVal[2], double eigVec[4]) {
  double s = signedLargest(mat, 4);
  if (std::fabs(s) < 1e-300) {
    eigVal[0] = eigVal[1] = 0.0;
    identity2(eigVec);
    return 2;
  }
  double a = mat[0] / s, b = mat[1] / s, c = mat[2] / s, d = mat[3] / s;
  double dd = 4.0 * b * c + (a - d) * (a - d);
  if (std::fabs(dd) < 1e-12) {
    eigVal[0] = eigVal[1] = s;
    identity2(eigVec);
    return 1;
  }
  if (dd < 0.0) {
    // Complex eigenvalues: the caller has no real basis to work in and is told so.
    fprintf(stderr, "  ## ERROR: N is always diag in IR => dd = %le must be > 0", dd);
    fprintf(stderr, "  For matrix = [%le %le %le %le]  nromalized to [%le %le %le %le]\n", mat[0],
            mat[1], mat[2], mat[3], a, b, c, d);
    return -1;
  }
  double r = std::sqrt(dd);
  double l[2] = {0.5 * (a + d - r), 0.5 * (a + d + r)};
  double v[2][2];
  for (int i = 0; i < 2; i++) {
    const double p[2] = {-b, a - l[i]}, q[2] = {l[i] - d, c};
    const double *best = norm2(p, 2) > norm2(q, 2) ? p : q;
    if (norm2(best, 2) < 1e-30) {
      if (std::fabs(l[0] - 1.0) < 1e-12 && std::fabs(l[1] - 1.0) < 1e-12) {
        printf("  ## INFO EigenMat2d: two identical eigen values have not been filtered !!\n");
        printf("     Mat = [%le %le %le %le]\n\twith eig %le %le  and dd = %le\n", mat[0], mat[1],
               mat[2], mat[3], l[0], l[1], r);
        eigVal[0] = eigVal[1] = s;
        identity2(eigVec);
        return 1;
      }
      fprintf(stderr, "\n  ## ERROR EigenMat2d: A nul matrix is obtained !\n");
      fprintf(stderr, "     Mat = [%le %le %le %le]\n", a, b, c, d);
      return -1;
    }
    v[i][0] = best[0], v[i][1] = best[1];
    normalise(v[i], 2);
  }
  int first = std::fabs(l[1]) < std::fabs(l[0]) ? 1 : 0, second = 1 - first;
  eigVal[0] = l[first] * s;
  eigVal[1] = l[second] * s;
  eigVec[0] = v[first][0], eigVec[1] = v[first][1];
  eigVec[2] = v[second][0], eigVec[3] = v[second][1];
  return 0;
}

int mtxMetIntersection2(const double m1[3], const double m2[3], double res[3]) {
  double det1 = checkedDet(m1, 1e-100, "\n  ## WARNING simReduction : A huge metric is treated !\n");
  if (det1 == 0.0) return 3;
  double n[4], val[2], vec[4];
  reductionMatrix(m1, m2, det1, n);
  int ier = mtxEigenMat2(n, val, vec);
  if (ier == -1) return 3;
  // N a multiple of the identity (a null one when m2 is null): one metric contains the other.
  if (ier == 1 || ier == 2) {
    const double *pick = (val[0] <= 1.0) ? m1 : m2;
    std::memcpy(res, pick, 3 * sizeof(double));
    return (val[0] <= 1.0) ? 1 : 2;
  }
  reducedMetric(m1, m2, &vec[0], &vec[2], res);
  return 3;
}

int metIntersectionOld(const double m1[3], const double m2[3], double res[3]) {
  double det1 = checkedDet(m1, 1e-18, "\n  ## ERROR simReduction : A non positive metric is treated !\n");
  if (det1 == 0.0) return 0;
  double k[4];
  reductionMatrix(m1, m2, det1, k);
  double r = std::sqrt(std::fabs(4.0 * k[1] * k[2] + (k[0] - k[3]) * (k[0] - k[3])));
  double l2 = 0.5 * (k[0] + k[3] + r);
  // Written without dividing by l2, which vanishes for a null m2.
  bool same = (l2 > 0.0) ? r < 1e-6 * l2 : (l2 < 0.0 || r == 0.0);
  if (same) {
    std::memcpy(res, (l2 <= 1.0) ? m1 : m2, 3 * sizeof(double));
    return 1;
  }
  double l1 = 0.5 * (k[0] + k[3] - r);
  double e[2][2];
  const double lam[2] = {l2, l1};
  for (int i = 0; i < 2; i++) {
    const double p[2] = {-k[1], k[0] - lam[i]}, q[2] = {lam[i] - k[3], k[2]};
    // The second form is taken only when it is the larger: both are small for a small metric,
    // and a null vector cannot be normalised.
    const double *v = (norm2(p, 2) < 1e-12 && norm2(q, 2) > norm2(p, 2)) ? q : p;
    e[i][0] = v[0], e[i][1] = v[1];
    normalise(e[i], 2);
  }
  reducedMetric(m1, m2, e[0], e[1], res);
  return 1;
}

int mtxCubicRoots(double a, double b, double c, double roots[3]) {
  const Cubic P{a, b, c};
  double D = 4.0 * a * a - 12.0 * b, eps = 4.0 * a * a * 1e-10;
  if (D <= eps) {
    if (D < -eps) {
      fprintf(stderr, "\n  ## WARNING Newton : No real roots !\n");
      fprintf(stderr, "\t P'(X) = %12.8e*X^2 + %12.8e*X + %12.8e\n", 3.0, 2.0 * a, b);
      fprintf(stderr, "\t delta = %12.8e\n", D);
      return 0;
    }
    double x = -a / 3.0;
    roots[0] = roots[1] = roots[2] = x;
    if (std::fabs(P(x)) <= 1e-12) return 3;
    fprintf(stderr, "\n  ## WARNING Newton : Problem with triple root !\n");
    fprintf(stderr, "\t X     = %12.8e\n", x);
    fprintf(stderr, "\t P'(X) = %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e\n", 3.0, 2.0 * a, b, P.slope(x));
    fprintf(stderr, "\t P(X)  =  X^3 + %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e\n", a, b, c, P(x));
    return 0;
  }

  double sq = std::sqrt(D);
  double x1 = (sq - 2.0 * a) / 6.0, x2 = (-2.0 * a - sq) / 6.0;
  if (std::fabs(P(x1)) < 1e-15 || std::fabs(P(x2)) < 1e-15) {
    double x = std::fabs(P(x1)) < 1e-15 ? x1 : x2, y = -2.0 * x - a;
    roots[0] = roots[1] = x;
    roots[2] = y;
    if (std::fabs(P(y)) <= 1e-12) return 2;
    fprintf(stderr, "\n  ## WARNING Newton : Problem with double root !\n");
    fprintf(stderr, "\t X     = %12.8e(d) %12.8e\n", x, y);
    fprintf(stderr, "\t P'(X) = %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e(d) %12.8e\n", 3.0, 2.0 * a, b,
            P.slope(x), P.slope(y));
    fprintf(stderr, "\t P(X)  =  X^3 + %12.8e*X^2 + %12.8e*X + %12.8e => %12.8e(d) %12.8e\n", a, b, c,
            P(x), P(y));
    return 0;
  }

  double r;
  if (!newtonRoot(P, &r)) return 0;

  // Deflation: P(X) = (X - r)(X^2 + p X + q).
  double p = a + r, q = r * p + b;
  double E = p * p - 4.0 * q, eps2 = p * p * 1e-10;
  if (std::fabs(E) < eps2) {
    roots[0] = roots[1] = -0.5 * p;
    roots[2] = r;
    return 2;
  }
  if (E < 0.0) {
    fprintf(stderr, "\n  ## WARNING Newton : Only one real root !\n");
    fprintf(stderr, "\t Root 1   = %12.8e\n", r);
    fprintf(stderr, "\t P(X)\t  = X^3 + %12.8e*X^2 + %12.8e*X + %12.8e\n", a, b, c);
    fprintf(stderr, "\t P2(X)    = X^2 + %12.8e*X + %12.8e\n", p, q);
    fprintf(stderr, "\t delta P2 = %12.8e  for eps = %12.8e\n", E, eps2);
    return 0;
  }
  double sE = std::sqrt(E);
  double x[3] = {-0.5 * (p + sE), r, 0.5 * (sE - p)};
  double e[3] = {std::fabs(P(x[0])), std::fabs(c + q * r), std::fabs(P(x[2]))};
  if (e[0] > 1e-12 || e[2] > 1e-12) {
    fprintf(stderr, "\n  ## WARNING Newton : Problem with obtained roots !\n");
    fprintf(stderr, "\t Roots   = %12.8e %12.8e %12.8e\n", x[0], x[1], x[2]);
    fprintf(stderr, "\t P(Root) = %12.8e %12.8e %12.8e\n", e[0], e[1], e[2]);
    fprintf(stderr, "\t P(X)    = X^3 + %12.8e*X^2 + %12.8e*X + %12.8e\n", a, b, c);
  }

  // Roots too close to tell apart are merged into the one with the smaller residual, so that
  // a double root always sits in roots 0 and 1.
  int kind = 1;
  if (close(x[0], x[1])) {
    int w = (e[0] <= e[1]) ? 0 : 1;
    double xw = x[w], ew = e[w];
    x[0] = x[1] = xw;
    kind = 2;
    if (close(x[1], x[2])) {
      double t = (e[2] <= ew) ? x[2] : xw;
      x[0] = x[1] = x[2] = t;
      kind = 3;
    }
  } else if (close(x[1], x[2])) {
    double w = (e[1] <= e[2]) ? x[1] : x[2], single = x[0];
    x[0] = x[1] = w;
    x[2] = single;
    kind = 2;
  } else if (close(x[0], x[2])) {
    double w = (e[0] <= e[2]) ? x[0] : x[2], single = x[1];
    x[0] = x[1] = w;
    x[2] = single;
    kind = 2;
  }
  std::memcpy(roots, x, sizeof(x));
  return kind;
}

int mtxGetEigVal3(const double m[6], double roots[3]) {
  double a = -(m[0] + m[3] + m[5]);
  double b = m[0] * m[3] + m[0] * m[5] + m[3] * m[5] - m[1] * m[1] - m[2] * m[2] - m[4] * m[4];
  double det = m[0] * (m[3] * m[5] - m[4] * m[4]) - m[1] * (m[1] * m[5] - m[4] * m[2]) +
               m[2] * (m[1] * m[4] - m[3] * m[2]);
  return mtxCubicRoots(a, b, -det, roots);
}

int mtxGetEigVec3(int kind, const double m[6], const double roots[3], double vec[9]) {
  switch (kind) {
    case 1:
      kernelVector(m, roots[0], &vec[0]);
      kernelVector(m, roots[1], &vec[3]);
      cross(&vec[0], &vec[3], &vec[6]);
      normalise(&vec[6], 3);
      return 1;
    case 2:
      // The rows of M - l2 I span the plane of the double root.
      kernelVector(m, roots[2], &vec[6]);
      largestRow(m, roots[2], &vec[0]);
      cross(&vec[6], &vec[0], &vec[3]);
      normalise(&vec[3], 3);
      return 1;
    case 3:
      identity3(vec);
      return 1;
    default:
      fprintf(stderr, "  ## ERROR: WRONG TYPE OF EIGENVALUES.\n");
      myexit("FATAL INTERNAL ERROR IN EIGENVEC ", 100);
  }
}

int mtxEigen3(const double met[6], double eigVal[3], double eigVec[9]) {
  double s = 0.0;
  for (int i = 0; i < 6; i++) s = std::fmax(s, std::fabs(met[i]));
  if (s < 1e-100) {
    eigVal[0] = eigVal[1] = eigVal[2] = 0.0;
    identity3(eigVec);
    return 1;
  }
  double t[6];
  for (int i = 0; i < 6; i++) t[i] = met[i] / s;
  int kind = mtxGetEigVal3(t, eigVal);
  if (kind == 0) return 0;
  mtxGetEigVec3(kind, t, eigVal, eigVec);
  for (int i = 0; i < 3; i++) eigVal[i] *= s;
  return 1;
}
