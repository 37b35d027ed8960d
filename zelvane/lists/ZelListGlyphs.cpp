// Arrows, vector arrows and metric glyphs of the list builders.
#include "zelvane/lists/ZelListGlyphs.h"

#include <algorithm>
#include <cmath>

#include "zelvane/lists/ZelListColor.h"
#include "zelvane/scene/ZelEigen.h"
#include "zelvane/scene/ZelGlyphs.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// Values of the active field at vertex v, null when the palette has no value for it.
const double *vertexValues(const ZelListField &f, int v, int offset) {
  if (v > f.Pal->NbrSol) return nullptr;
  return f.VerSol->Sol + static_cast<size_t>(v) * f.VerSol->SizTot + offset;
}

}  // namespace

void zelArrowHead(const float p[3], float d[3], float L) {
  zelEmitArrow(p, d, L);
  for (int k = 0; k < 3; k++) d[k] *= L;
}

void zelVectorArrow(const ZelPalette *pal, ZelArrow *a, float L) {
  float rgb[3];
  zelValueColor(pal, a->S, false, rgb);
  glColor3fv(rgb);
  zelArrowHead(a->P, a->D, L);
}

void zelDrawVectors(const ZelListCtx &c, const ZelListField &f, int offset, uint32_t need) {
  if (!f.VerSol || f.Type != SOL_VECTOR) return;
  const int dim = c.Msh->Dim;
  const float L = static_cast<float>(c.Scn->Rnd.VectorScale / 500.0);
  glBegin(GL_LINES);
  zelEachVertexOnce(c, need, [&](int v) {
    const double *u = vertexValues(f, v, offset);
    if (!u || (dim != 2 && dim != 3)) return;
    const double z = dim == 3 ? u[2] : 0.0;
    const double len = std::sqrt(u[0] * u[0] + u[1] * u[1] + z * z);
    if (!(len > 0.0)) return;
    ZelArrow a;
    for (int k = 0; k < 3; k++) a.P[k] = c.Crd[v][k] * c.Shrink;
    a.S = static_cast<float>(f.Pal->Sol[v]);
    a.D[0] = static_cast<float>(u[0] / len);
    a.D[1] = static_cast<float>(u[1] / len);
    a.D[2] = static_cast<float>(z / len);
    zelVectorArrow(f.Pal, &a, L);
  });
  glEnd();
}

int zelMetricGlyph(const float p[3], const double *m, double *val, double *vec, int dim, double scale) {
  if (dim == 3) {
    double axis[3];
    if (!mtxEigen3(m, val, vec)) return 0;
    for (int k = 0; k < 3; k++) {
      const double r = 0.5 / std::sqrt(val[k]);
      if (!std::isfinite(r)) return 0;
      axis[k] = std::max(1e-6, r) * scale;
    }
    GLfloat frame[16] = {0};  // columns: the eigenvectors
    for (int col = 0; col < 3; col++)
      for (int row = 0; row < 3; row++) frame[4 * col + row] = static_cast<float>(vec[3 * col + row]);
    frame[15] = 1.0f;
    glPushMatrix();
    glColor4ub(120, 40, 40, 255);
    glTranslatef(p[0], p[1], p[2]);
    glMultMatrixf(frame);
    glScaled(axis[0], axis[1], axis[2]);
    zelDrawWireSphere(1.0, 30, 30);
    glPopMatrix();
    return 1;
  }
  if (dim != 2) return 0;
  double axis[2];
  if (!mtxEigen2(m, val, vec)) return 0;
  for (int k = 0; k < 2; k++) {
    axis[k] = 1.0 / std::sqrt(std::fabs(val[k])) * scale;
    if (!std::isfinite(axis[k])) return 0;
  }
  glPushMatrix();
  glTranslatef(p[0], p[1], 0.0f);
  glRotatef(static_cast<float>(std::atan2(vec[1], vec[0]) * 57.29577951308232), 0.0f, 0.0f, 1.0f);
  glScaled(axis[0], axis[1], 0.0);
  glColor4ub(120, 40, 40, 255);
  zelCircle(1.0f);
  glPopMatrix();
  return 1;
}

void zelDrawMetrics(const ZelListCtx &c, const ZelListField &f, int offset) {
  if (!f.VerSol || f.Type != SOL_SYMMAT) return;
  const int dim = c.Msh->Dim;
  const double inv = c.Scn->InvDmaxSca;
  glDisable(GL_LIGHTING);
  zelEachVertexOnce(c, ZelDrawnBits, [&](int v) {
    const double *m = vertexValues(f, v, offset);
    double val[3], vec[9];
    if (m) zelMetricGlyph(c.Crd[v], m, val, vec, dim, inv);
  });
  glEnable(GL_LIGHTING);
}
