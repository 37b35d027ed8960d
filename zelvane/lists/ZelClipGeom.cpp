// Plane geometry of clipping: crossing points on triangle, quadrilateral and box edges, and
// the classification of a tetrahedron cut by a plane (the case split of marching tetrahedra).
#include "zelvane/lists/ZelClipGeom.h"

#include <cmath>

namespace {

// The point where the plane crosses from the end `from` (value sf) towards `to` (value st),
// on display coordinates: the difference in float, the step in double, stored as float.
void crossing(const float *from, const float *to, double sf, double st, float out[3]) {
  double t = std::fabs(sf / (st - sf));
  for (int i = 0; i < 3; i++)
    out[i] = static_cast<float>(from[i] + static_cast<double>(to[i] - from[i]) * t);
}

// Corners of the six faces of a box, each corner as its choice of the low (0) or high (1)
// bound along x, y and z. Face edges run (0,1), (1,2), (2,3), (3,0).
const int FrameFaces[6][4][3] = {
    {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}},
    {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}}, {{1, 1, 1}, {1, 1, 0}, {1, 0, 0}, {1, 0, 1}},
    {{1, 1, 1}, {0, 1, 1}, {0, 1, 0}, {1, 1, 0}}, {{1, 1, 1}, {1, 0, 1}, {0, 0, 1}, {0, 1, 1}},
};

}  // namespace

void zelDisplayPlane(const double pla[4], const double ctr[3], double inv, double out[4]) {
  out[0] = pla[0];
  out[1] = pla[1];
  out[2] = pla[2];
  out[3] = (((pla[0] * ctr[0] + pla[3]) + pla[1] * ctr[1]) + pla[2] * ctr[2]) * inv;
}

int zelOutlineTriangle(const double s[3], const float *const d[3], float out[2][3]) {
  int pos[3], neg[3], np = 0, nn = 0;
  for (int k = 0; k < 3; k++) {
    if (s[k] >= 0)
      pos[np++] = k;
    else
      neg[nn++] = k;
  }
  if (np == 0 || nn == 0) return 0;
  const int *pair = np == 2 ? pos : neg;
  int lone = np == 2 ? neg[0] : pos[0];
  for (int j = 0; j < 2; j++) crossing(d[pair[j]], d[lone], s[pair[j]], s[lone], out[j]);
  return 2;
}

int zelOutlineQuadrilateral(const double s[4], const float *const d[4], float out[4][3]) {
  int n = 0;
  for (int e = 0; e < 4; e++) {
    int a = e, b = (e + 1) % 4;
    bool pa = s[a] >= 0, pb = s[b] >= 0;
    if (pa == pb) continue;
    int p = pa ? a : b, q = pa ? b : a;  // q the negative end
    crossing(d[q], d[p], s[q], s[p], out[n++]);
  }
  return n;
}

int zelFramePoints(const double box[6], const double pla[4], float out[ZelFrameMaxPoints][3]) {
  double bound[3][2];
  for (int i = 0; i < 3; i++) {
    double m = std::fabs(box[i + 3] - box[i]) * 0.01;
    bound[i][0] = box[i] - m;
    bound[i][1] = box[i + 3] + m;
  }
  int n = 0;
  for (const auto &face : FrameFaces) {
    double c[4][3], s[4];
    for (int k = 0; k < 4; k++) {
      for (int i = 0; i < 3; i++) c[k][i] = bound[i][face[k][i]];
      s[k] = zelPlaneValue(pla, c[k]);
    }
    for (int e = 0; e < 4; e++) {
      int a = e, b = (e + 1) % 4;
      bool pa = s[a] >= 0, pb = s[b] >= 0;
      if (pa == pb || n >= ZelFrameMaxPoints) continue;
      int p = pa ? a : b, q = pa ? b : a;
      double t = std::fabs(s[q] / (s[p] - s[q]));
      for (int i = 0; i < 3; i++) out[n][i] = static_cast<float>(c[q][i] + (c[p][i] - c[q][i]) * t);
      n++;
    }
  }
  return n;
}

int zelCutTetrahedron(const double s[4], ZelTetCut *cut) {
  cut->Corners = 0;
  int pos[4], neg[4], np = 0, nn = 0;
  for (int k = 0; k < 4; k++) {
    if (std::isnan(s[k])) return 0;
    if (s[k] > 0)
      pos[np++] = k;
    else
      neg[nn++] = k;
  }
  if (np == 0 || nn == 0) return 0;
  if (np == 2) {
    static const int A[4] = {0, 0, 1, 1}, B[4] = {0, 1, 1, 0};
    for (int q = 0; q < 4; q++) {
      cut->From[q] = neg[A[q]];
      cut->To[q] = pos[B[q]];
    }
    return cut->Corners = 4;
  }
  const int *three = np == 3 ? pos : neg;
  int lone = np == 3 ? neg[0] : pos[0];
  for (int k = 0; k < 3; k++) {
    cut->From[k] = three[k];
    cut->To[k] = lone;
  }
  return cut->Corners = 3;
}
