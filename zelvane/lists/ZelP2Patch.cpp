// Quadratic edges and triangle patches: coefficients, lattice evaluation and their drawing.
#include "zelvane/lists/ZelP2Patch.h"

#include <GL/gl.h>

#include <cmath>

namespace {

// Offsets of the triples of a position block.
enum { Cuu = 0, Cvv = 3, Cuv = 6, Cu = 9, Cv = 12, C0 = 15 };

// The parameter of a shrunk patch: toward 0.333 (not 1/3) when s < 1.
inline double shrinkParam(double u, float s) { return s < 1.0f ? (u - 0.333) * s + 0.333 : u; }

inline void evalPoint(const float *b, double u, double v, float p[3], float n[3]) {
  double du[3], dv[3];
  for (int k = 0; k < 3; k++) {
    const double cuu = b[Cuu + k], cvv = b[Cvv + k], cuv = b[Cuv + k], cu = b[Cu + k], cv = b[Cv + k];
    if (p) p[k] = static_cast<float>(b[C0 + k] + cu * u + cv * v + cuu * u * u + cuv * u * v + cvv * v * v);
    du[k] = cu + 2.0 * cuu * u + cuv * v;
    dv[k] = cv + 2.0 * cvv * v + cuv * u;
  }
  if (!n) return;
  const double w[3] = {du[1] * dv[2] - du[2] * dv[1], du[2] * dv[0] - du[0] * dv[2], du[0] * dv[1] - du[1] * dv[0]};
  const double q = w[0] * w[0] + w[1] * w[1] + w[2] * w[2];
  const double f = q > 0.0 ? 1.0 / std::sqrt(q) : 0.0;
  for (int k = 0; k < 3; k++) n[k] = static_cast<float>(w[k] * f);
}

inline float evalValue(const float *b, double u, double v) {
  return static_cast<float>(b[5] + b[3] * u + b[4] * v + b[0] * u * u + b[2] * u * v + b[1] * v * v);
}

// The patch blocks from six node triples (positions) or six single values, in double, each
// coefficient rounded once.
void patchCoefs(const float *const *nod, int dim, float *blk) {
  for (int k = 0; k < dim; k++) {
    const double p0 = nod[0][k], p1 = nod[1][k], p2 = nod[2][k], m01 = nod[3][k], m12 = nod[4][k], m20 = nod[5][k];
    blk[0 * dim + k] = static_cast<float>(2.0 * p0 + 2.0 * p1 - 4.0 * m01);
    blk[1 * dim + k] = static_cast<float>(2.0 * p0 + 2.0 * p2 - 4.0 * m20);
    blk[2 * dim + k] = static_cast<float>(4.0 * (p0 - m01 + m12 - m20));
    blk[3 * dim + k] = static_cast<float>(-3.0 * p0 - p1 + 4.0 * m01);
    blk[4 * dim + k] = static_cast<float>(-3.0 * p0 - p2 + 4.0 * m20);
    blk[5 * dim + k] = static_cast<float>(p0);
  }
}

}  // namespace

void zelP2EdgeCoefs(const float a[3], const float b[3], const float m[3], float blk[9]) {
  for (int k = 0; k < 3; k++) {
    blk[k] = a[k];
    blk[3 + k] = static_cast<float>(-3.0 * a[k] - b[k] + 4.0 * m[k]);
    blk[6 + k] = static_cast<float>(2.0 * a[k] + 2.0 * b[k] - 4.0 * m[k]);
  }
}

void zelP2PatchCoefs(const float *const nod[6], float blk[18]) { patchCoefs(nod, 3, blk); }

void zelP2ValueCoefs(const float val[6], float blk[6]) {
  const float *nod[6] = {&val[0], &val[1], &val[2], &val[3], &val[4], &val[5]};
  patchCoefs(nod, 1, blk);
}

void zelP2PatchPoint(const float blk[18], double u, double v, float p[3], float n[3]) { evalPoint(blk, u, v, p, n); }

float zelP2PatchValue(const float blk[6], double u, double v) { return evalValue(blk, u, v); }

void zelEvalP2Lattice(int n, const float *sol, const float pos[18], float (*P)[3], float (*N)[3], float *S,
                      float s) {
  if (n < 0) return;
  n = zelP2Level(n);
  const double h = 1.0 / n;  // n = 0: only the first point, at u = v = 0 (0 x inf is not used)
  for (int i = 0; i <= n; i++) {
    const double v = shrinkParam(i == 0 ? 0.0 : i * h, s);
    for (int j = 0; j <= n - i; j++) {
      const double u = shrinkParam(j == 0 ? 0.0 : j * h, s);
      const int at = zelLatIdx(i, j);
      evalPoint(pos, u, v, P[at], N[at]);
      if (sol && S) S[at] = evalValue(sol, u, v);
    }
  }
}

void zelPullToward(float (*p)[3], int count, const float c[3], float s) {
  for (int i = 0; i < count; i++)
    for (int k = 0; k < 3; k++) p[i][k] = (p[i][k] - c[k]) * s + c[k];
}

int zelP2EdgePoints(int n, const float blk[9], const float c[3], float s, float (*q)[3]) {
  if (n <= 0) return 0;
  n = zelP2Level(n);
  for (int k = 0; k <= n; k++) {
    double t = static_cast<double>(k) / n;
    if (s < 1.0f) t = (t - 0.5) * s + 0.5;
    for (int d = 0; d < 3; d++) q[k][d] = static_cast<float>(blk[d] + blk[3 + d] * t + blk[6 + d] * t * t);
  }
  zelPullToward(q, n + 1, c, s);
  return n + 1;
}

namespace {

// The rows of a lattice of level n pulled toward c (only the entries in use).
void pullLattice(ZelP2Lattice &lat, int n, const float c[3], float s) {
  for (int i = 0; i <= n; i++) zelPullToward(&lat.P[zelLatIdx(i, 0)], n + 1 - i, c, s);
}

}  // namespace

void zelDrawP2Patch(int n, const float pos[18], const float c[3], float s, bool normals) {
  if (n <= 0) return;
  n = zelP2Level(n);
  ZelP2Lattice lat;
  zelEvalP2Lattice(n, nullptr, pos, lat.P, lat.N, nullptr, s);
  pullLattice(lat, n, c, s);
  if (normals)
    zelEachLatticeTri(n, [&](int a, int b, int d) {
      glNormal3fv(lat.N[a]), glVertex3fv(lat.P[a]);
      glNormal3fv(lat.N[b]), glVertex3fv(lat.P[b]);
      glNormal3fv(lat.N[d]), glVertex3fv(lat.P[d]);
    });
  else
    zelEachLatticeTri(n, [&](int a, int b, int d) {
      glVertex3fv(lat.P[a]), glVertex3fv(lat.P[b]), glVertex3fv(lat.P[d]);
    });
}

void zelShadeP2Patch(int n, const float sol[6], const float pos[18], const float c[3], const ZelPalette *pal,
                     float s) {
  if (n <= 0) return;
  n = zelP2Level(n);
  ZelP2Lattice lat;
  zelEvalP2Lattice(n, sol, pos, lat.P, lat.N, lat.S, s);
  pullLattice(lat, n, c, s);
  zelEachLatticeTri(n, [&](int a, int b, int d) {
    ZelShadeVertex tri[3];
    const int at[3] = {a, b, d};
    for (int i = 0; i < 3; i++) {
      for (int k = 0; k < 3; k++) tri[i].P[k] = lat.P[at[i]][k], tri[i].N[k] = lat.N[at[i]][k];
      tri[i].S = lat.S[at[i]];
    }
    zelPaletteSplitTri(pal, tri);
  });
}

void zelIsoLinesP2Patch(int n, const float sol[6], const float pos[18], const ZelIsoLevel *levels, int nbrLevels,
                        float s) {
  if (n <= 0 || nbrLevels <= 0) return;
  n = zelP2Level(n);
  ZelP2Lattice lat;
  zelEvalP2Lattice(n, sol, pos, lat.P, lat.N, lat.S, s);
  zelEachLatticeTri(n, [&](int a, int b, int d) {
    const float val[3] = {lat.S[a], lat.S[b], lat.S[d]};
    zelIsoSegmentTri(val, lat.P[a], lat.P[b], lat.P[d], levels, nbrLevels, s);
  });
}

void zelIsoSegmentTri(const float val[3], const float a[3], const float b[3], const float c[3],
                      const ZelIsoLevel *levels, int nbrLevels, float s) {
  float p[3][3];
  for (int k = 0; k < 3; k++) {
    const float g = 0.3333f * (a[k] + b[k] + c[k]);
    p[0][k] = (a[k] - g) * s + g;
    p[1][k] = (b[k] - g) * s + g;
    p[2][k] = (c[k] - g) * s + g;
  }
  zelIsoLinesTri(levels, nbrLevels, p, val, true);
}

void zelP2EdgePolyline(int n, const float blk[9], const float c[3], float s) {
  float q[ZelLatRow][3];
  const int nbr = zelP2EdgePoints(n, blk, c, s, q);
  for (int k = 1; k < nbr; k++) glVertex3fv(q[k - 1]), glVertex3fv(q[k]);
}
