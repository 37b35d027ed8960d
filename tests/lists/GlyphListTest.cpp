// Vertex numbers, vector arrows and metric glyphs: once per vertex of the drawn elements, at
// the right size, and nothing for a field of the wrong type; 3-D glyphs compiled as calls of one
// sphere list per context, the same pixels as the whole sphere compiled in place.

#include <algorithm>

#include "tests/lists/ListKit.h"
#include "zelvane/lists/ZelListGlyphs.h"
#include "zelvane/scene/ZelEigen.h"
#include "zelvane/scene/ZelGlyphs.h"

namespace {

// Six triangles around vertex 1, in the plane z = 0.
Geometric_Mesh *Hexagon(Memory_List *mem, int dim, const std::vector<int> &fields) {
  Geometric_Mesh *m = NewRoomyMesh(mem, dim, {{KmfVertices, 7}, {KmfTriangles, 6}}, fields);
  AddVertex(m, 0, 0, 0);
  for (int k = 0; k < 6; k++) AddVertex(m, std::cos(k * M_PI / 3), std::sin(k * M_PI / 3), 0);
  for (int k = 0; k < 6; k++) AddElement(m, KmfTriangles, {1, 2 + k, 2 + (k + 1) % 6}, 1);
  return m;
}

// Farthest window distance from vertex v of the points of prims [from, to).
double Reach(const std::vector<FeedbackPrim> &prims, size_t from, size_t to, const float *v) {
  double far = 0;
  for (size_t i = from; i < to; i++)
    for (const FeedbackVertex &p : prims[i].v)
      far = std::fmax(far, std::hypot(p.x - ToWindow(v[0], 1.2), p.y - ToWindow(v[1], 1.2)));
  return far;
}

}  // namespace

using GlyphLists = ListGL;

TEST_F(GlyphLists, SixTrianglesAroundAVertexGiveOneOfEachPerVertex) {
  // Fields: vectors along x (vertex 2's zero), identity metrics, a scalar last.
  ListScene ls([](Memory_List *mem) {
    Geometric_Mesh *m = Hexagon(mem, 3, {SOL_VECTOR, SOL_SYMMAT, SOL_SCALAR});
    for (int v = 1; v <= 7; v++) {
      VertexValue(m, v, 0, 0) = v != 2;
      for (int c : {0, 3, 5}) VertexValue(m, v, 1, c) = 1.0;
    }
    return m;
  });
  ListScene::view(gl, 1.2);
  ZelEntDisplayList &tri = ls.rec(KmfTriangles);
  ASSERT_EQ(zelUpdateTriangleList(0x400000, ls.scene(), &tri), 1);
  EXPECT_EQ(Count(gl.feedbackList(tri.MrkLst + 2)).bitmaps, 7);  // one-digit labels

  ls.field(0);
  ASSERT_EQ(zelUpdateTriangleList(0x200, ls.scene(), &tri), 1);
  EXPECT_EQ(Count(gl.feedbackList(tri.SolLst + 2)).lines, 3 * 6);  // no arrow for the zero vector

  // This GL cannot replay the sphere's vertex arrays from a list in feedback mode: the glyphs
  // are read from the direct entry, which draws what the list holds.
  ls.field(1);
  auto direct = [&] {
    return gl.feedback([&] { EXPECT_EQ(zelDirectDrawTriangleList(0x40000, ls.scene(), &tri), 1); });
  };
  const std::vector<FeedbackPrim> glyphs = direct();
  const size_t per = gl.feedback([] { zelDrawWireSphere(0.1, 30, 30); }).size();
  ASSERT_EQ(glyphs.size(), 7 * per);
  for (int g = 0; g < 7; g++)  // vertices in the order reached: 1, 2, 3, then one per triangle
    EXPECT_NEAR(Reach(glyphs, g * per, (g + 1) * per, ls.scene()->ZelMsh->Crd[g + 1]),
                0.5 * ls.scene()->InvDmaxSca * 250, 1.0);
  VertexValue(ls.mesh(), 7, 1, 5) = -1.0;  // a negative eigenvalue: no glyph
  EXPECT_EQ(direct().size(), 6 * per);

  // Vectors or metric asked of the scalar field draw nothing (and read nothing past it).
  ls.field(2);
  ASSERT_EQ(zelUpdateTriangleList(0x200 | 0x40000, ls.scene(), &tri), 1);
  EXPECT_TRUE(gl.feedbackList(tri.SolLst + 2).empty());
  EXPECT_TRUE(gl.feedbackList(tri.SolLst + 5).empty());
  EXPECT_TRUE(gl.feedback([&] { zelDirectDrawTriangleList(0x200 | 0x40000, ls.scene(), &tri); }).empty());
}

// In 2-D a metric with a zero eigenvalue has an infinite axis: that vertex gets no ellipse.
TEST_F(GlyphLists, FlatMetricWithAZeroEigenvalueGetsNoEllipse) {
  ListScene ls([](Memory_List *mem) {
    Geometric_Mesh *m = Hexagon(mem, 2, {SOL_SYMMAT});
    for (int v = 1; v <= 7; v++) VertexValue(m, v, 0, 0) = v == 4 ? 0.0 : 4.0, VertexValue(m, v, 0, 2) = 1.0;
    return m;
  });
  ListScene::view(gl, 1.2);
  ls.field(0);
  ZelEntDisplayList &tri = ls.rec(KmfTriangles);
  ASSERT_EQ(zelUpdateTriangleList(0x40000, ls.scene(), &tri), 1);
  const std::vector<FeedbackPrim> circles = gl.feedbackList(tri.SolLst + 5);
  ASSERT_EQ(circles.size(), 6u * 32);  // 33-point line strips
  // Semi-axes 1 / sqrt(4) and 1 / sqrt(1): the ellipse reaches 1 x InvDmaxSca.
  EXPECT_NEAR(Reach(circles, 0, 32, ls.scene()->ZelMsh->Crd[1]), ls.scene()->InvDmaxSca * 250, 1.0);
}

// Metric glyphs: one sphere and one circle list per context, called by every glyph of a
// compiled list.
namespace {

// R diag(1 / h_i^2) R^T at p (mesh coordinates): a frame turning with p and sizes h_i between
// 0.15 and 0.45 mesh units, stored m11 m12 m13 m22 m23 m33.
void TurningMetric(const double *p, double *m) {
  const double a = 0.9 * p[0] + 0.4 * p[2], b = 0.7 * p[1] - 0.3 * p[0];
  const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
  const double R[3][3] = {{ca, -sa * cb, sa * sb}, {sa, ca * cb, -ca * sb}, {0, sb, cb}};
  const double h[3] = {0.45, 0.3 + 0.1 * std::sin(p[0] + p[1]), 0.15};
  double M[3][3] = {};
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++)
      for (int k = 0; k < 3; k++) M[i][j] += R[i][k] * R[j][k] / (h[k] * h[k]);
  const double stored[6] = {M[0][0], M[0][1], M[0][2], M[1][1], M[1][2], M[2][2]};
  std::copy(stored, stored + 6, m);
}

// One kind whose builder compiles metric glyphs, on a small mesh with the turning metric at its
// vertices (field 0): in 3-D, or flat (nz = 0) in 2-D with the metric's 2-D part.
struct GlyphKind {
  const char *name;
  int kind;
  std::function<Geometric_Mesh *(Memory_List *)> make;
};

Geometric_Mesh *WithMetric(Memory_List *mem, Geometric_Mesh *m) {
  const int type = SOL_SYMMAT, size = m->Dim == 3 ? 6 : 3;
  m->SolAtVer = NewCommonSolution(mem, m->MaxNbrVer, size, 1, &type);
  m->MaxSolVer = m->MaxNbrVer * size, m->NbrSolVer = m->NbrVer;
  for (int v = 1; v <= m->NbrVer; v++) {
    double t[6];
    TurningMetric(m->Ver[v].Crd, t);
    double *at = &VertexValue(m, v, 0, 0);
    if (size == 6)
      std::copy(t, t + 6, at);
    else
      at[0] = t[0], at[1] = t[1], at[2] = t[3];
  }
  return m;
}

Geometric_Mesh *Box(Memory_List *mem, int n, int nz, unsigned gen) {
  Geometric_Mesh *m = MakeStructuredMesh(mem, n, n, nz, gen);
  if (nz == 0) m->Dim = 2;
  return m;
}

Geometric_Mesh *Curved(Memory_List *mem, int n, int nz, unsigned gen) {
  Geometric_Mesh *lin = Box(mem, n, nz, gen);
  Geometric_Mesh *m = MakeSecondOrderCopy(mem, lin);
  FreeCommonMesh(mem, lin);
  m->Dim = nz == 0 ? 2 : 3;
  return WithMetric(mem, m);
}

const GlyphKind kGlyphKinds[] = {
    {"triangles", KmfTriangles, [](Memory_List *mem) { return WithMetric(mem, Box(mem, 3, 1, GEN_TRI)); }},
    {"hexahedra", KmfHexahedra, [](Memory_List *mem) { return WithMetric(mem, Box(mem, 2, 2, GEN_HEX)); }},
    {"p2_triangles", KmfTrianglesP2, [](Memory_List *mem) { return Curved(mem, 2, 1, GEN_TRI); }},
    {"q2_hexahedra", KmfHexahedraQ2, [](Memory_List *mem) { return Curved(mem, 1, 1, GEN_HEX); }},
    {"flat_quadrilaterals", KmfQuadrilaterals,
     [](Memory_List *mem) { return WithMetric(mem, Box(mem, 3, 0, GEN_QUA)); }},
    {"flat_p2_triangles", KmfTrianglesP2, [](Memory_List *mem) { return Curved(mem, 2, 0, GEN_TRI); }},
};

// The nodes of the kind's elements, each once: where the glyphs stand.
std::vector<int> GlyphNodes(Geometric_Mesh *m, int kind) {
  const ZelElems el = zelElems(m, kind);
  std::vector<char> seen(m->NbrVer + 1, 0);
  std::vector<int> nodes;
  for (int e = 1; e <= el.Count; e++)
    for (int k = 0; k < el.NbrNod; k++)
      if (!seen[el.ver(e)[k]]++) nodes.push_back(el.ver(e)[k]);
  return nodes;
}

// The glyph of node v as the glyph lists were compiled before the sphere and the circle had
// lists of their own, written out again here: the eigen frame of the metric, then unit() draws
// the unit shape (OldGlyphs: freeglut's whole sphere, or the circle, in place).
void OldGlyph(const ListScene &ls, int v, const std::function<void()> &unit) {
  const double *m = &VertexValue(ls.mesh(), v, 0, 0);
  const float *p = ls.scene()->ZelMsh->Crd[v];
  const double scale = ls.scene()->InvDmaxSca;
  double val[3], vec[9], axis[3];
  if (ls.mesh()->Dim == 2) {
    if (!mtxEigen2(m, val, vec)) return;
    for (int k = 0; k < 2; k++) axis[k] = 1.0 / std::sqrt(std::fabs(val[k])) * scale;
    glPushMatrix();
    glTranslatef(p[0], p[1], 0.0f);
    glRotatef(static_cast<float>(std::atan2(vec[1], vec[0]) * 57.29577951308232), 0.0f, 0.0f, 1.0f);
    glScaled(axis[0], axis[1], 0.0);
    glColor4ub(120, 40, 40, 255);
    unit();
    glPopMatrix();
    return;
  }
  if (!mtxEigen3(m, val, vec)) return;
  for (int k = 0; k < 3; k++) axis[k] = std::max(1e-6, 0.5 / std::sqrt(val[k])) * scale;
  GLfloat frame[16] = {0};
  for (int col = 0; col < 3; col++)
    for (int row = 0; row < 3; row++) frame[4 * col + row] = static_cast<float>(vec[3 * col + row]);
  frame[15] = 1;
  glPushMatrix();
  glColor4ub(120, 40, 40, 255);
  glTranslatef(p[0], p[1], p[2]);
  glMultMatrixf(frame);
  glScaled(axis[0], axis[1], axis[2]);
  unit();
  glPopMatrix();
}

void OldGlyphs(const ListScene &ls, int kind) {
  glDisable(GL_LIGHTING);
  const bool flat = ls.mesh()->Dim == 2;
  for (int v : GlyphNodes(ls.mesh(), kind))
    OldGlyph(ls, v, [flat] { flat ? zelCircle(1.0f) : zelDrawWireSphere(1.0, 30, 30); });
  glEnable(GL_LIGHTING);
}

// A slanted view of the display box, so that the ellipsoids show their three axes.
void SlantedView(GLHarness &gl) {
  ListScene::view(gl, 0.9);
  glRotated(-55, 1, 0, 0);
  glRotated(-35, 0, 0, 1);
}

// The picture of draw on black under the slanted view, saved as name.
QImage Picture(GLHarness &gl, const std::string &name, const std::function<void()> &draw) {
  SlantedView(gl);
  gl.clear(0, 0, 0);
  draw();
  glDisable(GL_LIGHTING);
  QImage img = gl.grab();
  gl.savePng(img, name);
  return img;
}

int DifferingPixels(const QImage &a, const QImage &b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); y++)
    for (int x = 0; x < a.width(); x++) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

// The picture of the kind's metric list built by the update entry in the current context
// (ls made there), beside the same glyphs compiled the old way into a list of the test's own.
void ExpectOldPicture(GLHarness &gl, ListScene &ls, const GlyphKind &row, const std::string &tag) {
  ZelEntDisplayList &rec = ls.rec(row.kind);
  ASSERT_EQ(zelUpdateList(row.kind, 0x40000, ls.scene(), &rec), 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const GLuint old = glGenLists(1);
  glNewList(old, GL_COMPILE);
  OldGlyphs(ls, row.kind);
  glEndList();
  const std::string name = std::string("metric-glyphs-") + row.name + tag;
  const QImage now = Picture(gl, name, [&] { glCallList(rec.SolLst + 5); });
  const QImage before = Picture(gl, name + "-before", [&] { glCallList(old); });
  glDeleteLists(old, 1);
  EXPECT_GT(countPixels(before, 120, 40, 40, 0), 1000) << row.name;
  EXPECT_EQ(DifferingPixels(now, before), 0) << row.name;
}

}  // namespace

TEST_F(GlyphLists, CompiledMetricGlyphsAreThePictureOfTheWholeShapeCompiledInPlace) {
  for (const GlyphKind &row : kGlyphKinds) {
    ListScene ls(row.make, {row.kind});
    ls.field(0);
    ExpectOldPicture(gl, ls, row, "");
  }
}

// The glyph list holds each glyph's frame and a call of the context's one sphere or circle list:
// with that list's shape swapped for the three points (1, 0, 0), (0, 1, 0), (0, 0, 1), the glyph
// list draws the ends of the semi-axes of every glyph and nothing else.
TEST_F(GlyphLists, AGlyphListHoldsEachGlyphsFrameAndACallOfTheOneShape) {
  for (const GlyphKind &row : kGlyphKinds) {
    SCOPED_TRACE(row.name);
    ListScene ls(row.make, {row.kind});
    ls.field(0);
    ZelEntDisplayList &rec = ls.rec(row.kind);
    ASSERT_EQ(zelUpdateList(row.kind, 0x40000, ls.scene(), &rec), 1);
    const GLuint shape = zelMetricShapeList(ls.mesh()->Dim);
    ASSERT_NE(shape, 0u);
    auto tips = [] {
      glBegin(GL_POINTS);
      glVertex3f(1, 0, 0), glVertex3f(0, 1, 0), glVertex3f(0, 0, 1);
      glEnd();
    };
    glNewList(shape, GL_COMPILE);
    tips();
    glEndList();
    // A shape compiled into the glyph list would still show: a few points per glyph at most.
    const std::vector<int> nodes = GlyphNodes(ls.mesh(), row.kind);
    const QImage img = Picture(gl, std::string("metric-glyph-tips-") + row.name, [&] { glCallList(rec.SolLst + 5); });
    ASSERT_LE(countPixels(img, 120, 40, 40, 0), static_cast<int>(3 * nodes.size())) << "shapes of the list's own";

    ListScene::view(gl, 0.9);
    const std::vector<FeedbackPrim> got = gl.feedbackList(rec.SolLst + 5);
    std::vector<FeedbackPrim> want = gl.feedback([&] {
      for (int v : nodes) OldGlyph(ls, v, tips);
    });
    ASSERT_EQ(got.size(), 3 * nodes.size());
    ASSERT_EQ(want.size(), got.size());
    for (const FeedbackPrim &p : got) {
      ASSERT_TRUE(p.isPoint());
      auto near = [&](const FeedbackPrim &w) {
        return std::fabs(w.v[0].x - p.v[0].x) < 1e-2 && std::fabs(w.v[0].y - p.v[0].y) < 1e-2 &&
               std::fabs(w.v[0].z - p.v[0].z) < 1e-5;
      };
      auto hit = std::find_if(want.begin(), want.end(), near);
      ASSERT_NE(hit, want.end()) << "a tip at " << p.v[0].x << " " << p.v[0].y << " that no glyph has";
      want.erase(hit);
    }
  }
}

// Contexts that share no lists: each gets a sphere of its own, and an id left by a destroyed
// context, held in the next one by a list of another kind, is never called there.
TEST_F(GlyphLists, EveryContextGetsItsOwnSphereAndNoneCallsAnIdLeftByADestroyedOne) {
  const GlyphKind &row = kGlyphKinds[1];
  ListScene here(row.make, {row.kind});
  here.field(0);
  ExpectOldPicture(gl, here, row, "-first-context");
  GLuint gone = 0;
  {
    GLHarness other(600, 600);
    ASSERT_TRUE(other.valid());
    other.makeCurrent();
    ListScene there(row.make, {row.kind});
    there.field(0);
    ExpectOldPicture(other, there, row, "-second-context");
    gone = zelMetricShapeList(3);
    ASSERT_NE(gone, 0u);
  }
  // The first context's lists still draw their glyphs.
  gl.makeCurrent();
  ExpectOldPicture(gl, here, row, "-first-context-again");

  // A new context whose ids up to past the destroyed one's sphere are lists painting a white
  // square: were that id called, the square would show.
  GLHarness next(600, 600);
  ASSERT_TRUE(next.valid());
  next.makeCurrent();
  const GLuint first = glGenLists(gone + 8);
  for (GLuint id = first; id < first + gone + 8; id++) {
    glNewList(id, GL_COMPILE);
    glColor3ub(255, 255, 255);
    glRectf(-2, -2, 2, 2);
    glEndList();
  }
  ASSERT_LE(first, gone);
  ListScene fresh(row.make, {row.kind});
  fresh.field(0);
  ExpectOldPicture(next, fresh, row, "-after-a-destroyed-context");
  glDeleteLists(first, gone + 8);
}

// Lists do not nest: glyphs compiled into a list that someone else opened, in a context that
// has no shape list yet, draw the shape in place rather than open one; the picture is the
// same and GL reports no error.
TEST_F(GlyphLists, GlyphsCompiledIntoAnOpenListBeforeAnyShapeListKeepThePicture) {
  for (const GlyphKind &row : {kGlyphKinds[0], kGlyphKinds[4]}) {
    SCOPED_TRACE(row.name);
    ListScene ls(row.make, {row.kind});
    ls.field(0);
    ZelEntDisplayList &rec = ls.rec(row.kind);
    const GLuint outer = glGenLists(1);
    glNewList(outer, GL_COMPILE);
    EXPECT_EQ(zelMetricShapeList(ls.mesh()->Dim), 0u);
    EXPECT_EQ(zelDirectDrawList(row.kind, 0x40000, ls.scene(), &rec), 1);
    glEndList();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const GLuint old = glGenLists(1);
    glNewList(old, GL_COMPILE);
    OldGlyphs(ls, row.kind);
    glEndList();
    const std::string name = std::string("metric-glyphs-in-an-open-list-") + row.name;
    const QImage now = Picture(gl, name, [&] { glCallList(outer); });
    const QImage before = Picture(gl, name + "-before", [&] { glCallList(old); });
    EXPECT_GT(countPixels(before, 120, 40, 40, 0), 1000);
    EXPECT_EQ(DifferingPixels(now, before), 0);
    glDeleteLists(outer, 1);
    glDeleteLists(old, 1);
  }
}
