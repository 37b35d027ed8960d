// The view's overlays, what they emit in feedback mode: the picked element and its numbers,
// the palette bar, the axis labels, texture text; and the overlay geometry.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <functional>
#include <set>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "resources/fonts/ZelvaneFonts.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelText.h"
#include "zelvane/lists/ZelColorMaps.h"
#include "zelvane/scene/ZelCamera.h"
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
