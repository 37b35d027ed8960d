// Iso-surfaces by marching tetrahedra.
#include "zelvane/lists/ZelIsoSurfaces.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "common/model/Mesh.h"
#include "zelvane/lists/ZelListColor.h"

int zelIsoSurfaceLevels(const ZelPalette *pal, ZelIsoSurfLevel out[ZelMaxIso]) {
  const int N = std::min(pal->N, static_cast<int>(ZelMaxIso));
  if (N < 1) return 0;
  const float *v = pal->NormIso;
  const double range = v[N - 1] - v[0];
  int n = 0;
  for (int k = N - 1; k >= 0; k--) {
    ZelIsoSurfLevel &l = out[n++];
    double t = v[k];
    if (k == N - 1)
      t = v[k] - 0.001 * std::fabs(v[k]) / range;
    else if (k == 0)
      t = v[k] + 0.001 * std::fabs(v[k]) / range;
    l.T = static_cast<float>(t);
    if (pal->Grey)
      l.Rgba[0] = l.Rgba[1] = l.Rgba[2] = pal->Hue[k] * 0.00390625f;
    else
      zelHsvColor(pal->Hue[k], l.Rgba);
    for (int c = 0; c < 3; c++) l.Rgba[c] = std::min(l.Rgba[c] + 0.2f, 1.0f);
    l.Rgba[3] = std::max(0.2f + 0.8f * (static_cast<float>(k - 1) / static_cast<float>(N)), 0.1f);
  }
  return n;
}

namespace {

// The point where the level crosses the edge from corner u to corner w.
void cut(const float p[4][3], const float s[4], float t, int u, int w, float out[3]) {
  const float d = s[w] - s[u];
  const float a = d != 0.0f ? (t - s[u]) / d : 0.0f;
  for (int c = 0; c < 3; c++) out[c] = p[u][c] + a * (p[w][c] - p[u][c]);
}

void normalOf(const float a[3], const float b[3], const float c[3], float n[3]) {
  const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const float w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  n[0] = u[1] * w[2] - u[2] * w[1];
  n[1] = u[2] * w[0] - u[0] * w[2];
  n[2] = u[0] * w[1] - u[1] * w[0];
  const double len2 = double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2];
  if (!(len2 > 0.0)) return;
  const float inv = static_cast<float>(1.0 / std::sqrt(len2));
  for (int k = 0; k < 3; k++) n[k] *= inv;
}

}  // namespace

int zelIsoSurfaceCut(const float p[4][3], const float s[4], float t, float tri[2][3][3], float n[3]) {
  int above[4], below[4], na = 0, nb = 0;
  for (int k = 0; k < 4; k++) {
    if (s[k] >= t)
      above[na++] = k;
    else if (s[k] < t)
      below[nb++] = k;
    else
      return 0;  // a NaN value, or a NaN level
  }
  if (na == 2) {
    float q[4][3];
    cut(p, s, t, below[0], above[0], q[0]);
    cut(p, s, t, below[0], above[1], q[1]);
    cut(p, s, t, below[1], above[1], q[2]);
    cut(p, s, t, below[1], above[0], q[3]);
    static const int kHalves[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int h = 0; h < 2; h++)
      for (int i = 0; i < 3; i++) std::copy(q[kHalves[h][i]], q[kHalves[h][i]] + 3, tri[h][i]);
    normalOf(q[0], q[1], q[2], n);
    return 2;
  }
  if (na == 0 || nb == 0) return 0;
  const int lone = na == 1 ? above[0] : below[0];
  const int *others = na == 1 ? below : above;
  for (int i = 0; i < 3; i++) cut(p, s, t, others[i], lone, tri[0][i]);
  normalOf(tri[0][0], tri[0][1], tri[0][2], n);
  return 1;
}

void zelDrawIsoSurfaces(const ZelListCtx &c, const ZelListField &f, int (*tets)(const int *, int[6][4])) {
  glBegin(GL_TRIANGLES);
  ZelIsoSurfLevel levels[ZelMaxIso];
  const int nbrLvl = f.VerSol && f.Pal->Sol ? zelIsoSurfaceLevels(f.Pal, levels) : 0;
  const double *sol = f.Pal->Sol;
  for (int l = 0; l < nbrLvl; l++) {
    const float t = levels[l].T;
    glColor4fv(levels[l].Rgba);
    c.chain([&](int e) {
      if (!c.drawn(e)) return;
      const int *ver = c.ver(e);
      int tet[6][4];
      const int nbrTet = tets(ver, tet);
      for (int k = 0; k < nbrTet; k++) {
        float s[4], p[4][3];
        bool seen = true;
        for (int i = 0; i < 4; i++) {
          const int u = ver[tet[k][i]];
          seen = seen && u <= f.Pal->NbrSol;
          s[i] = seen ? static_cast<float>(sol[u]) : 0.0f;
        }
        // Only tetrahedra with corners on both sides need their points.
        const bool high = s[0] >= t,
                   split = (s[1] >= t) != high || (s[2] >= t) != high || (s[3] >= t) != high;
        if (!seen || !split) continue;
        for (int i = 0; i < 4; i++) std::copy(c.Crd[ver[tet[k][i]]], c.Crd[ver[tet[k][i]]] + 3, p[i]);
        float tri[2][3][3], n[3];
        const int nbrTri = zelIsoSurfaceCut(p, s, t, tri, n);
        for (int h = 0; h < nbrTri; h++) {
          glNormal3fv(n);
          for (int i = 0; i < 3; i++) glVertex3fv(tri[h][i]);
        }
      }
    });
  }
  glEnd();
}
