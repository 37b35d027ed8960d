// Arrows, vector arrows and metric glyphs of the list builders.
#define GL_GLEXT_PROTOTYPES 1  // glObjectLabel, glGetObjectLabel (OpenGL 4.3, KHR_debug)
#include "zelvane/lists/ZelListGlyphs.h"

#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

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

// The unit shapes of the metric glyphs, one row per dimension: the name the shape's list has
// in GL (how it is told from any other list of the current context) and its drawing. Each row
// keeps the ids of its lists made so far in any context, the last found first: an id is only
// ever called after GL has confirmed by its label that it is that shape in the context
// current then; ids of contexts gone stay harmlessly until pushed out.
constexpr int kShapeIds = 16;
struct GlyphShape {
  int Dim;
  const char *Label;
  void (*Draw)();
  GLuint Ids[kShapeIds];
  int NbrIds;
};
void unitSphere() { zelDrawWireSphere(1.0, 30, 30); }
void unitCircle() { zelCircle(1.0f); }
GlyphShape gShapes[] = {
    {3, "zelvane metric glyph sphere", unitSphere, {}, 0},
    {2, "zelvane metric glyph circle", unitCircle, {}, 0},
};

GlyphShape *shapeOf(int dim) {
  for (GlyphShape &s : gShapes)
    if (s.Dim == dim) return &s;
  return nullptr;
}

// Whether the current context labels objects: OpenGL 4.3, or the KHR_debug extension.
bool glLabelsObjects() {
  int major = 0, minor = 0;
  const char *version = reinterpret_cast<const char *>(glGetString(GL_VERSION));
  if (!version) return false;
  if (std::sscanf(version, "%d.%d", &major, &minor) == 2 && (major > 4 || (major == 4 && minor >= 3))) return true;
  const char *ext = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
  const char *name = "GL_KHR_debug";
  const size_t n = std::strlen(name);
  for (const char *at = ext; at && (at = std::strstr(at, name)); at += n)
    if ((at == ext || at[-1] == ' ') && (at[n] == ' ' || at[n] == '\0')) return true;
  return false;
}

// Whether id is the list of the shape in the current context.
bool isShapeList(const GlyphShape &s, GLuint id) {
  if (!id || !glIsList(id)) return false;
  char label[64];
  GLsizei n = 0;
  glGetObjectLabel(GL_DISPLAY_LIST, id, sizeof label, &n, label);
  return n == static_cast<GLsizei>(std::strlen(s.Label)) && !std::memcmp(label, s.Label, n);
}

// Puts id first among the shape's known ids, once; when they are full the oldest drops out.
void rememberShape(GlyphShape &s, GLuint id) {
  int k = 0;
  while (k < s.NbrIds && s.Ids[k] != id) k++;
  if (k == s.NbrIds) {
    if (s.NbrIds < kShapeIds) s.NbrIds++;
    k = s.NbrIds - 1;
  }
  for (; k > 0; k--) s.Ids[k] = s.Ids[k - 1];
  s.Ids[0] = id;
}

}  // namespace

GLuint zelMetricShapeList(int dim) {
  GlyphShape *s = shapeOf(dim);
  if (!s || !glLabelsObjects()) return 0;
  for (int k = 0; k < s->NbrIds; k++)
    if (isShapeList(*s, s->Ids[k])) {
      const GLuint id = s->Ids[k];
      rememberShape(*s, id);
      return id;
    }
  // None here: make it, unless a list is open (glNewList cannot nest).
  GLint open = 0;
  glGetIntegerv(GL_LIST_INDEX, &open);
  if (open) return 0;
  const GLuint id = glGenLists(1);
  if (!id) return 0;
  glNewList(id, GL_COMPILE);
  s->Draw();
  glEndList();
  glObjectLabel(GL_DISPLAY_LIST, id, -1, s->Label);
  if (!isShapeList(*s, id)) {  // the label did not hold: it could not be found again
    glDeleteLists(id, 1);
    return 0;
  }
  rememberShape(*s, id);
  return id;
}

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

int zelMetricGlyph(const float p[3], const double *m, double *val, double *vec, int dim, double scale,
                   GLuint shape) {
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
    if (shape)
      glCallList(shape);
    else
      unitSphere();
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
  if (shape)
    glCallList(shape);
  else
    unitCircle();
  glPopMatrix();
  return 1;
}

void zelDrawMetrics(const ZelListCtx &c, const ZelListField &f, int offset) {
  if (!f.VerSol || f.Type != SOL_SYMMAT) return;
  const int dim = c.Msh->Dim;
  const double inv = c.Scn->InvDmaxSca;
  // Compiled glyphs call the shape's list; glyphs drawn at once (a direct entry) draw the
  // shape in place, as everything the direct entries draw.
  GLint compiling = 0;
  glGetIntegerv(GL_LIST_INDEX, &compiling);
  const GLuint shape = compiling ? zelMetricShapeList(dim) : 0;
  glDisable(GL_LIGHTING);
  zelEachVertexOnce(c, ZelDrawnBits, [&](int v) {
    const double *m = vertexValues(f, v, offset);
    double val[3], vec[9];
    if (m) zelMetricGlyph(c.Crd[v], m, val, vec, dim, inv, shape);
  });
  glEnable(GL_LIGHTING);
}

void zelPrepareMetrics(const ZelListCtx &c, const ZelListField &f) {
  if (f.VerSol && f.Type == SOL_SYMMAT) zelMetricShapeList(c.Msh->Dim);
}

void zelMetricPass(bool update, GLuint id, const ZelListCtx &c, const ZelListField &f, int offset) {
  if (update) zelPrepareMetrics(c, f);
  zelListPass(update, id, [&] { zelDrawMetrics(c, f, offset); });
}
