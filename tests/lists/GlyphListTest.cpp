// Vertex numbers, vector arrows and metric glyphs: once per vertex of the drawn elements, at
// the right size, and nothing for a field of the wrong type.

#include "tests/lists/ListKit.h"
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
