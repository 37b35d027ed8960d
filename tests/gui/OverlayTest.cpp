// The view's overlays, what they emit in feedback mode: the picked element and its numbers,
// the palette bar, the axis labels, texture text; and the overlay geometry.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "resources/fonts/ZelvaneFonts.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelOverlayRules.h"
#include "zelvane/gui/ZelText.h"
#include "zelvane/lists/ZelColorMaps.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelStack.h"

namespace {

// What draw emits in the view's context under the view's own matrices, as a paint has them.
std::vector<FeedbackPrim> overlayFeedback(GLWidget *view, const std::function<void()> &draw) {
  view->updateGL();
  view->makeCurrent();
  ZelScene *s = view->getScene();
  glViewport(0, 0, view->sceneWidth(), view->sceneHeight());
  zelReshapeScene(s, view->sceneWidth(), view->sceneHeight());
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMultMatrixd(s->View->Mat);
  glTranslated(-s->View->Ctr[0], -s->View->Ctr[1], -s->View->Ctr[2]);
  return captureFeedback(draw);
}

int count(const std::vector<FeedbackPrim> &prims, GLenum token) {
  int n = 0;
  for (const FeedbackPrim &p : prims) n += p.token == token;
  return n;
}

// One tetrahedron 1-2-3-4, a P2 triangle on six more vertices, and a scalar at every vertex.
Geometric_Mesh *smallMesh(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 12}, {KmfTetrahedra, 1}, {KmfTrianglesP2, 1}}, {SOL_SCALAR});
  // The camera frames the tetrahedron: the P2 triangle lies inside it.
  const double p[10][3] = {{0, 0, 0},       {1, 0, 0},         {0, 1, 0},       {0, 0, 1},         {0, 0, 0.5},
                           {0.5, 0, 0.5},   {0, 0.5, 0.5},     {0.25, 0, 0.5},  {0.25, 0.25, 0.5}, {0, 0.25, 0.5}};
  for (const auto &q : p) AddVertex(m, q[0], q[1], q[2], 1);
  for (int v = 1; v <= 10; v++) VertexValue(m, v, 0) = v;
  AddElement(m, KmfTetrahedra, {1, 2, 3, 4}, 1);
  AddElement(m, KmfTrianglesP2, {5, 6, 7, 8, 9, 10}, 1);
  return m;
}

struct Overlay : ::testing::Test {
  Viewer v{smallMesh, 0};
  GLWidget *view = v.view(0);
  ZelScene *scene = v.scene(0);
  // Feedback under a square view of 200 x 200 pixels showing (-h, h) both ways.
  struct Flat {
    GLWidget *view;
    double h;
    std::vector<FeedbackPrim> feedback(const std::function<void()> &draw, size_t floats = 1 << 20) {
      view->makeCurrent();
      glViewport(0, 0, 200, 200);
      glDisable(GL_LIGHTING);
      glMatrixMode(GL_PROJECTION);
      glLoadIdentity();
      glOrtho(-h, h, -h, h, -1, 1);
      glMatrixMode(GL_MODELVIEW);
      glLoadIdentity();
      return captureFeedback(draw, floats);
    }
  };
  void pick(std::initializer_list<std::pair<int, int>> items) {
    scene->Pck->Top = -1;
    for (const auto &it : items) geoPushHybridStack(scene->Pck, it.first, it.second);
  }
  std::vector<FeedbackPrim> picked() {
    return overlayFeedback(view, [this] { view->drawPickedItem(); });
  }
};

}  // namespace

TEST_F(Overlay, APickedElementIsDrawnInRedWithOneNumberPerVertexUnlessNumbersAreShown) {
  ASSERT_TRUE(scene && scene->Pck);
  pick({{1, KmfTetrahedra}});
  std::vector<FeedbackPrim> prims = picked();
  EXPECT_EQ(count(prims, GL_POLYGON_TOKEN), 4);
  EXPECT_EQ(count(prims, GL_BITMAP_TOKEN), 4);  // "1" to "4", one glyph each
  for (const FeedbackPrim &p : prims) {
    ASSERT_FALSE(p.v.empty());
    EXPECT_NEAR(p.v[0].r, 1, 1e-3);
    EXPECT_NEAR(p.v[0].g + p.v[0].b, 0, 1e-3);
  }
  scene->Flags |= ZelFlgNumbers;
  prims = picked();
  EXPECT_EQ(count(prims, GL_POLYGON_TOKEN), 4);
  EXPECT_EQ(count(prims, GL_BITMAP_TOKEN), 0);
  scene->Flags &= ~ZelFlgNumbers;

  // A P2 triangle on the lattice of the scene's level: level squared triangles.
  scene->Rnd.TessLevel = 2;
  pick({{1, KmfTrianglesP2}});
  prims = picked();
  EXPECT_EQ(count(prims, GL_POLYGON_TOKEN), 4);
  EXPECT_EQ(count(prims, GL_BITMAP_TOKEN), 3);
}

namespace {

// One element of every linear kind on the unit cube's corners (vertex 1 + x + 2y + 4z) and an
// apex 9 above it: edge 1-2, triangle 1-2-3, quadrilateral 1-2-4-3, tetrahedron 1-2-3-5, prism
// 1-2-3-5-6-7, hexahedron 1..8, pyramid 1-2-4-3-9 and a normal at vertex 1.
Geometric_Mesh *everyLinearKind(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3,
                                   {{KmfVertices, 9}, {KmfEdges, 1}, {KmfTriangles, 1}, {KmfQuadrilaterals, 1},
                                    {KmfTetrahedra, 1}, {KmfPrisms, 1}, {KmfHexahedra, 1}, {KmfPyramids, 1},
                                    {KmfNormalAtVertices, 1}},
                                   {});
  for (int v = 0; v < 8; v++) AddVertex(m, v & 1, (v >> 1) & 1, v >> 2);
  AddVertex(m, 0.5, 0.5, 1.5);
  AddElement(m, KmfEdges, {1, 2}, 1);
  AddElement(m, KmfTriangles, {1, 2, 3}, 1);
  AddElement(m, KmfQuadrilaterals, {1, 2, 4, 3}, 1);
  AddElement(m, KmfTetrahedra, {1, 2, 3, 5}, 1);
  AddElement(m, KmfPrisms, {1, 2, 3, 5, 6, 7}, 1);
  AddElement(m, KmfHexahedra, {1, 2, 4, 3, 5, 6, 8, 7}, 1);
  AddElement(m, KmfPyramids, {1, 2, 4, 3, 9}, 1);
  m->Nor[1] = Normal{1, 1, {0, 0, 1}, 0};
  m->NbrNor = 1;
  return m;
}

// The second-order copy of a cell's hexahedron, tetrahedra, bottom quadrilateral and triangles
// and boundary edges.
Geometric_Mesh *everyCurvedKind(Memory_List *mem) {
  Geometric_Mesh *lin = MakeStructuredMesh(mem, 1, 1, 1, GEN_HEX | GEN_TET | GEN_QUA | GEN_TRI | GEN_EFR);
  Geometric_Mesh *m = MakeSecondOrderCopy(mem, lin);
  FreeCommonMesh(mem, lin);
  return m;
}

// What the picked-item overlay emits: triangles (a polygon of n corners counts n - 2, however
// the driver splits quadrilaterals), line segments, points, and the glyphs of its numbers.
struct PickedShape {
  int triangles = 0, lines = 0, points = 0, glyphs = 0;
  bool operator==(const PickedShape &o) const {
    return triangles == o.triangles && lines == o.lines && points == o.points && glyphs == o.glyphs;
  }
};
void PrintTo(const PickedShape &s, std::ostream *os) {
  *os << s.triangles << " triangles, " << s.lines << " lines, " << s.points << " points, " << s.glyphs << " glyphs";
}

// What the picked-item overlay emits under a projection that holds the whole display mesh, so
// that nothing is clipped: (-2, 2) both ways on 400 x 400 pixels, depth (-10, 10).
std::vector<FeedbackPrim> pickedInWideView(GLWidget *view) {
  view->makeCurrent();
  glViewport(0, 0, 400, 400);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-2, 2, -2, 2, -10, 10);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  return captureFeedback([view] { view->drawPickedItem(); });
}

// The glyphs of the numbers of these vertices.
int digits(std::initializer_list<int> vertices) {
  int n = 0;
  for (int v : vertices) n += int(std::to_string(v).size());
  return n;
}

}  // namespace

// Every kind drawn with its faces, lines or point in red and its numbers: a pyramid its base
// and four sides, a prism two triangles and three quadrilaterals, the curved kinds their
// patches at tessellation level 2 (four triangles each), a curved edge two segments.
TEST(PickedOverlay, EveryKindDrawsItsShapeAndNumbers) {
  struct Case {
    const char *what;
    std::vector<std::pair<int, int>> picks;  // (index, kind), the last one drawn
    PickedShape want;
  };
  const std::vector<Case> linear = {
      {"vertex", {{9, KmfVertices}}, {0, 0, 1, digits({9})}},
      {"edge", {{1, KmfEdges}}, {0, 1, 0, digits({1, 2})}},
      {"triangle", {{1, KmfTriangles}}, {1, 0, 0, digits({1, 2, 3})}},
      {"quadrilateral", {{1, KmfQuadrilaterals}}, {2, 0, 0, digits({1, 2, 4, 3})}},
      {"tetrahedron", {{1, KmfTetrahedra}}, {4, 0, 0, digits({1, 2, 3, 5})}},
      {"prism", {{1, KmfPrisms}}, {2 + 3 * 2, 0, 0, digits({1, 2, 3, 5, 6, 7})}},
      {"hexahedron", {{1, KmfHexahedra}}, {6 * 2, 0, 0, digits({1, 2, 3, 4, 5, 6, 7, 8})}},
      {"pyramid, base and sides", {{1, KmfPyramids}}, {2 + 4, 0, 0, digits({1, 2, 4, 3, 9})}},
      {"normal at a vertex", {{1, KmfNormalAtVertices}}, {0, 1, 0, digits({1})}},
      {"edge on a face", {{3, KmfFaceEdges}, {8, KmfFaceEdges}}, {0, 1, 0, digits({3, 8})}},
  };
  for (int curved = 0; curved < 2; curved++) {
    Viewer v{curved ? everyCurvedKind : everyLinearKind, 0};
    GLWidget *view = v.view(0);
    ZelScene *scene = v.scene(0);
    ASSERT_TRUE(scene && scene->Pck && scene->Msh);
    scene->Rnd.TessLevel = 2;
    zelUpdateAllDisplayListsOptions(0x20000, 2, 0, scene);
    std::vector<Case> cases = linear;
    if (curved) {
      const Geometric_Mesh *m = scene->Msh;
      auto nodes = [](const int *ver, int n) {
        int d = 0;
        for (int k = 0; k < n; k++) d += digits({ver[k]});
        return d;
      };
      const int *e = m->P2Efr[1].Ver;
      cases = {
          {"P2 triangle", {{1, KmfTrianglesP2}}, {4, 0, 0, nodes(m->P2Tri[1].Ver, 3)}},
          {"Q2 quadrilateral", {{1, KmfQuadrilateralsQ2}}, {2 * 4, 0, 0, nodes(m->P2Qua[1].Ver, 4)}},
          {"P2 tetrahedron", {{1, KmfTetrahedraP2}}, {4 * 4, 0, 0, nodes(m->P2Tet[1].Ver, 4)}},
          {"Q2 hexahedron", {{1, KmfHexahedraQ2}}, {12 * 4, 0, 0, nodes(m->P2Hex[1].Ver, 8)}},
          {"P2 edge", {{1, KmfEdgesP2}}, {0, 2, 0, nodes(e, 3)}},
          {"P2 edge on a face", {{e[0], KmfFaceP2Edges}, {e[1], KmfFaceP2Edges}, {e[2], KmfFaceP2Edges}},
           {0, 2, 0, nodes(e, 3)}},
      };
    }
    for (const Case &c : cases) {
      scene->Pck->Top = -1;
      for (const auto &it : c.picks) geoPushHybridStack(scene->Pck, it.first, it.second);
      const std::vector<FeedbackPrim> prims = pickedInWideView(view);
      PickedShape got;
      for (const FeedbackPrim &p : prims) {
        got.triangles += p.isPolygon() ? int(p.v.size()) - 2 : 0;
        got.lines += p.token == GL_LINE_TOKEN || p.token == GL_LINE_RESET_TOKEN;
        got.points += p.token == GL_POINT_TOKEN;
        got.glyphs += p.token == GL_BITMAP_TOKEN;
        ASSERT_FALSE(p.v.empty()) << c.what;
        EXPECT_NEAR(p.v[0].r, 1, 1e-3) << c.what;
        EXPECT_NEAR(p.v[0].g + p.v[0].b, 0, 1e-3) << c.what;
        // An edge picked on a face joins the two picked vertices where the view shows them.
        if (p.isLine() && c.picks.back().second == KmfFaceEdges)
          for (int k = 0; k < 2; k++) {
            const float *at = scene->ZelMsh->Crd[c.picks[k].first];
            EXPECT_NEAR(p.v[k].x, (at[0] + 2) * 100, 0.5) << c.what << " end " << k;
            EXPECT_NEAR(p.v[k].y, (at[1] + 2) * 100, 0.5) << c.what << " end " << k;
          }
      }
      EXPECT_EQ(got, c.want) << c.what;
    }
  }
}

// A picked element in a shrunk view is pulled toward its centre as its record is: every point
// drawn lies on the segment from the element's centre to one of its corners, strictly inside,
// at the shrink factor from the centre (not mirrored through the centre, nor at the factor from
// the corner), and every corner has its point. A factor of 0.3 tells the three apart.
TEST(PickedOverlay, APickedElementPulledTowardItsCentreLiesBetweenItAndItsCorners) {
  Viewer v{everyLinearKind, 0};
  GLWidget *view = v.view(0);
  ZelScene *scene = v.scene(0);
  ASSERT_TRUE(scene && scene->Pck && scene->Msh);
  const float s = 0.3f;
  scene->Rnd.Shrink = s;
  const Geometric_Mesh *m = scene->Msh;
  struct Row {
    const char *what;
    int kind;
    std::vector<int> corners;
  } const rows[] = {
      {"edge", KmfEdges, {1, 2}},
      {"triangle", KmfTriangles, {1, 2, 3}},
      {"quadrilateral", KmfQuadrilaterals, {1, 2, 4, 3}},
      {"tetrahedron", KmfTetrahedra, {1, 2, 3, 5}},
      {"prism", KmfPrisms, {1, 2, 3, 5, 6, 7}},
      {"hexahedron", KmfHexahedra, {1, 2, 4, 3, 5, 6, 8, 7}},
      {"pyramid", KmfPyramids, {1, 2, 4, 3, 9}},
  };
  ASSERT_EQ(m->NbrVer, 9);
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    scene->Pck->Top = -1;
    geoPushHybridStack(scene->Pck, 1, r.kind);
    const std::vector<FeedbackPrim> prims = pickedInWideView(view);
    double centre[3] = {0, 0, 0};
    for (int c : r.corners)
      for (int d = 0; d < 3; d++) centre[d] += scene->ZelMsh->Crd[c][d] / double(r.corners.size());
    std::set<int> reached;
    int points = 0;
    for (const FeedbackPrim &p : prims) {
      if (!p.isPolygon() && !p.isLine()) continue;  // the numbers
      for (const FeedbackVertex &q : p.v) {
        // Window coordinates back to the display mesh's.
        const double at[3] = {q.x / 100.0 - 2, q.y / 100.0 - 2, (0.5 - q.z) * 20};
        points++;
        // The corner whose segment from the centre holds the point, and where along it.
        int on = 0;
        for (int c : r.corners) {
          const float *k = scene->ZelMsh->Crd[c];
          double t = 0, len = 0, off = 0;
          for (int d = 0; d < 3; d++) len += (k[d] - centre[d]) * (k[d] - centre[d]);
          for (int d = 0; d < 3; d++) t += (at[d] - centre[d]) * (k[d] - centre[d]) / len;
          for (int d = 0; d < 3; d++) off = std::max(off, std::fabs(centre[d] + t * (k[d] - centre[d]) - at[d]));
          if (off < 2e-3 && t > 0 && t < 1) {
            EXPECT_NEAR(t, s, 2e-3) << "toward corner " << c;
            on = c;
            reached.insert(c);
          }
        }
        EXPECT_NE(on, 0) << "a point off every segment from the centre: " << at[0] << " " << at[1] << " " << at[2];
      }
    }
    EXPECT_GT(points, 0);
    EXPECT_EQ(reached.size(), r.corners.size());
  }
}

TEST_F(Overlay, PicksOfMissingElementsOrVerticesDrawNothing) {
  const std::vector<std::pair<int, int>> rows[] = {
      {{1, KmfFaceEdges}, {99999999, KmfFaceEdges}},
      {{1, KmfFaceP2Edges}, {2, KmfFaceP2Edges}, {99999999, KmfFaceP2Edges}},
      {{2, KmfFaceEdges}},  // one side end only
      {{2, KmfTetrahedra}},
      {{0, KmfVertices}},
  };
  for (const auto &row : rows) {
    scene->Pck->Top = -1;
    for (const auto &it : row) geoPushHybridStack(scene->Pck, it.first, it.second);
    EXPECT_TRUE(picked().empty()) << row.back().first << " " << row.back().second;
  }
  pick({{1, KmfFaceEdges}, {4, KmfFaceEdges}});
  const std::vector<FeedbackPrim> side = picked();
  EXPECT_EQ(count(side, GL_LINE_RESET_TOKEN) + count(side, GL_LINE_TOKEN), 1);
  EXPECT_EQ(count(side, GL_BITMAP_TOKEN), 2);
}

TEST_F(Overlay, ThePaletteBarShowsFiveStopsOfHueGreyOrColourMapRepeatingTheLastOfAShortPalette) {
  ASSERT_TRUE(scene->VieSol);
  scene->ActFld = 0;
  ZelPalette &pal = scene->VieSol->ZelPal[0];
  const float blue[3] = {0, 0, 0.8f}, cyan[3] = {0, 0.8f, 0.8f}, green[3] = {0, 0.8f, 0}, yellow[3] = {0.8f, 0.8f, 0},
              red[3] = {0.8f, 0, 0};
  struct Row {
    const char *what;
    int n, grey, map;
    float hues[5];
    std::vector<std::vector<float>> stops;
  };
  auto rgb = [](const float *c) { return std::vector<float>(c, c + 3); };
  auto grey = [](float h) { return std::vector<float>(3, h / 256); };
  auto jetRow = [&](int i) { return rgb(zelColorMapJet[i]); };
  const Row rows[] = {
      {"hues", 5, 0, 0, {240, 180, 120, 60, 0}, {rgb(blue), rgb(cyan), rgb(green), rgb(yellow), rgb(red)}},
      {"negative hue", 5, 0, 0, {-120, -180, 480, 60, 0}, {rgb(blue), rgb(cyan), rgb(green), rgb(yellow), rgb(red)}},
      {"grey", 5, 1, 0, {240, 180, 120, 60, 0}, {grey(240), grey(180), grey(120), grey(60), grey(0)}},
      {"jet", 5, 0, 7, {240, 180, 120, 60, 0}, {jetRow(0), jetRow(2), jetRow(4), jetRow(6), jetRow(8)}},
      {"three values", 3, 0, 0, {240, 120, 0, 77, 77}, {rgb(blue), rgb(green), rgb(red), rgb(red), rgb(red)}},
  };
  for (const Row &row : rows) {
    pal.N = row.n;
    pal.Grey = row.grey;
    pal.ColMap = row.map;
    std::copy(row.hues, row.hues + 5, pal.Hue);
    const std::vector<FeedbackPrim> prims = overlayFeedback(view, [this] { view->drawPalette(); });
    ASSERT_GE(prims.size(), 4u) << row.what;
    // The bands come first (quadrilaterals, or triangles as the driver splits them); each
    // corner takes the colour of the stop at its x.
    const float W = float(view->sceneWidth());
    std::set<int> seen;
    for (const FeedbackPrim &q : prims) {
      if (!q.isPolygon()) break;
      for (const FeedbackVertex &got : q.v) {
        const int stop = int(std::lround((2 * got.x / W - 1 + 0.8) / 0.4));
        ASSERT_TRUE(stop >= 0 && stop < 5) << row.what;
        seen.insert(stop);
        const std::vector<float> &want = row.stops[stop];
        EXPECT_NEAR(got.r, want[0], 2e-3) << row.what << " stop " << stop;
        EXPECT_NEAR(got.g, want[1], 2e-3) << row.what << " stop " << stop;
        EXPECT_NEAR(got.b, want[2], 2e-3) << row.what << " stop " << stop;
      }
    }
    EXPECT_EQ(seen.size(), 5u) << row.what;
  }
  // It leaves lighting and the depth test on.
  view->makeCurrent();
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(Overlay, AxisLabelsAreGreyUpToBackgroundRed204AndTakeTheInverseBackgroundAbove) {
  for (float red : {204.0f, 205.0f}) {
    scene->Back[0] = red;
    scene->Back[1] = 10;
    scene->Back[2] = 20;
    const std::vector<FeedbackPrim> prims = overlayFeedback(view, [this] { view->drawAxis(); });
    int labels = 0;
    for (const FeedbackPrim &p : prims)
      if (p.token == GL_BITMAP_TOKEN) {
        labels++;
        const float want[3] = {red > 204 ? 1 - red / 255 : 0.84f, red > 204 ? 1 - 10 / 255.0f : 0.84f,
                               red > 204 ? 1 - 20 / 255.0f : 0.84f};
        EXPECT_NEAR(p.v[0].r, want[0], 2e-3) << red;
        EXPECT_NEAR(p.v[0].g, want[1], 2e-3) << red;
        EXPECT_NEAR(p.v[0].b, want[2], 2e-3) << red;
      } else if (p.isLine()) {
        EXPECT_NEAR(p.v[0].r, 1 - red / 255, 2e-3);  // the arrows always inverse
      }
    EXPECT_EQ(labels, 3) << red;
  }
}

TEST_F(Overlay, TextLinesRunDownOneLineHeightApartAndAnyOtherHeightUsesTheSetOf30) {
  ZelText::font_data font;
  view->makeCurrent();
  font.init(35);
  const std::vector<FeedbackPrim> prims = overlayFeedback(view, [&] {
    glLoadIdentity();
    ZelText::print(font, 100, 300, "A\nA");
  });
  font.clean();
  ASSERT_GE(prims.size(), 2u);  // one quadrilateral per glyph, or two triangles
  auto bottom = [](const FeedbackPrim &p) {
    float y = p.v[0].y;
    for (const FeedbackVertex &v : p.v) y = std::min(y, v.y);
    return y;
  };
  auto width = [](const FeedbackPrim &p) {
    float lo = p.v[0].x, hi = p.v[0].x;
    for (const FeedbackVertex &v : p.v) lo = std::min(lo, v.x), hi = std::max(hi, v.x);
    return hi - lo;
  };
  EXPECT_NEAR(bottom(prims.front()) - bottom(prims.back()), 35 / 0.63, 0.01);
  EXPECT_NEAR(width(prims[0]), zelvaneFont30.glyphMetrics['A']->bitmapWidth, 0.01);
  EXPECT_EQ(ZelText::fontForHeight(35), &zelvaneFont30);
  EXPECT_EQ(ZelText::fontForHeight(40), &zelvaneFont40);
}

// The placement rules with the glyph sets the view uses (30 pixels, 60 on a screen of ratio 2):
// in views of any size every palette label and the time label lie whole inside, in order and
// apart; where the labels need not shrink their pens are the stops less 80 pixels times the
// ratio.
TEST(OverlayGeometry, PaletteAndTimeLabelsOfEitherGlyphSetStayWholeInsideViewsOfAnySize) {
  const std::string labels[ZelPaletteStops] = {"-9.99E-01", "-1.00E+100", "2.50E-01", "1.00E+00", "1.75E+00"};
  const std::string time = "Time: -1.000E+00 [s]";
  for (float r : {1.0f, 2.0f}) {
    const Zelvane_Font *font = ZelText::fontForHeight(unsigned(30 * r));
    ZelText::InkBox ink[ZelPaletteStops];
    for (int i = 0; i < ZelPaletteStops; i++) ink[i] = ZelText::inkBox(font, labels[i]);
    const float advance = float(font->glyphMetrics['0']->advance >> 6);
    const float sizes[][2] = {{4000, 4000}, {1600, 1600}, {1280, 1280}, {960, 960}, {640, 640},
                              {400, 400},   {200, 200},   {40, 40},     {2400, 60},  {60, 2400}};
    for (const auto &size : sizes) {
      const float Wd = size[0] * r, Hd = size[1] * r;
      SCOPED_TRACE(std::to_string(Wd) + " x " + std::to_string(Hd) + " device pixels");
      const ZelLabelPlaces at = zelPlacePaletteLabels(ink, 10, advance, Wd, Hd, r);
      const float s = at.scale;
      float before = 0;
      for (int i = 0; i < ZelPaletteStops; i++) {
        const float x0 = at.x[i] + s * ink[i].x0, x1 = at.x[i] + s * ink[i].x1;
        EXPECT_GT(x0, before) << "label " << i;
        EXPECT_LT(x1, Wd) << "label " << i;
        EXPECT_GT(at.y + s * ink[i].y0, 0) << "label " << i;
        EXPECT_LT(at.y + s * ink[i].y1, Hd) << "label " << i;
        if (s == 1) {
          EXPECT_EQ(at.x[i], (0.5f + 0.2f * (i - 2)) * Wd - 80 * r) << "label " << i;
        }
        before = x1;
      }
      const ZelText::InkBox tk = ZelText::inkBox(font, time);
      const ZelTextPlace t = zelPlaceTimeLabel(tk, Wd, Hd);
      EXPECT_GT(t.x + t.scale * tk.x0, 0);
      EXPECT_LT(t.x + t.scale * tk.x1, 0.9f * Wd);
      EXPECT_GT(t.y + t.scale * tk.y0, 0);
    }
  }
}

TEST(OverlayGeometry, PaletteColoursClampToTheirMapAndTakeTheLastEntryForNaN) {
  const float(*jet)[3] = zelColorMapJet;
  const float nan = std::nanf("");
  struct Row {
    float value, range;
    const float *want;
  } rows[] = {{4, 4, jet[8]}, {5, 4, jet[8]}, {-1, 4, jet[0]}, {nan, 4, jet[8]}, {2, nan, jet[0]}, {1, 4, jet[2]}};
  for (const Row &r : rows) {
    float c[3] = {-1, -1, -1};
    EXPECT_EQ(GLWidget::paletteColor(7, &c[0], &c[1], &c[2], nullptr, r.value, r.range), 1);
    for (int k = 0; k < 3; k++) EXPECT_FLOAT_EQ(c[k], r.want[k]) << r.value << " / " << r.range;
  }
  float c[3] = {-1, -1, -1};
  EXPECT_EQ(GLWidget::paletteColor(1, &c[0], &c[1], &c[2], nullptr, 1, 4), 0);
  EXPECT_EQ(c[0], -1);
}

TEST_F(Overlay, AFlatMetricGlyphHasTheRadiiOfItsEigenvaluesAndNoneForAZeroOne) {
  Flat gl{view, 2.0};
  const float at[3] = {0, 0, 0};
  double val[3], vec[9];
  const double metric[3] = {4, 0, 1};
  const std::vector<FeedbackPrim> prims = gl.feedback([&] { GLWidget::drawMetricGlyph(at, metric, val, vec, 2, 1.0); });
  ASSERT_FALSE(prims.empty());
  float rx = 0, ry = 0;
  for (const FeedbackPrim &p : prims)
    for (const FeedbackVertex &v : p.v) {
      rx = std::max(rx, std::fabs(v.x - 100) / 50);  // 50 pixels a unit
      ry = std::max(ry, std::fabs(v.y - 100) / 50);
      EXPECT_NEAR(p.v[0].r, 120 / 255.0f, 1e-3);
    }
  EXPECT_NEAR(rx, 0.5, 0.01);
  EXPECT_NEAR(ry, 1.0, 0.01);
  const double flat[3] = {0, 0, 0}, negative[6] = {-1, 0, 0, 1, 0, 1};
  EXPECT_TRUE(gl.feedback([&] { GLWidget::drawMetricGlyph(at, flat, val, vec, 2, 1.0); }).empty());
  EXPECT_TRUE(gl.feedback([&] { GLWidget::drawMetricGlyph(at, negative, val, vec, 3, 1.0); }).empty());
  GLdouble m[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, m);
  EXPECT_EQ(m[0], 1.0);
  EXPECT_EQ(m[12], 0.0);
}

TEST_F(Overlay, ACurvedPatchGivesLevelSquaredTrianglesUpToLevel63) {
  Flat gl{view, 2.0};
  const float flat[18] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0};  // p = (u, v, 0)
  const float centre[3] = {0.3f, 0.3f, 0};
  for (std::pair<int, int> row : {std::make_pair(0, 0), {1, 1}, {2, 4}, {70, 63 * 63}}) {
    const std::vector<FeedbackPrim> prims = gl.feedback([&] {
      glBegin(GL_TRIANGLES);
      GLWidget::drawCurvedPatch(row.first, flat, centre, 1.0f);
      glEnd();
    }, 1 << 24);
    EXPECT_EQ(int(prims.size()), row.second) << row.first;
  }
}
