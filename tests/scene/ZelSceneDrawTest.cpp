// Scenes painted as the window paints them, the surface builders installed: faces and wires in
// their order for 2-D and 3-D meshes, hidden records, clip plane 0 and the bounding box.
#include <GL/gl.h>
#include <climits>
#include <cmath>
#include <functional>

#include "tests/scene/SceneTest.h"
#include "tests/support/GLHarness.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelCamera.h"

namespace {

constexpr int Size = 200;

// Reference 1 on the left half of a 4 x 2 grid, reference 2 on the right half.
Geometric_Mesh *twoRefs2d(Memory_List *mem) {
  Geometric_Mesh *m = TriangleGrid(mem, 4, 2);
  for (int t = 1; t <= m->NbrTri; t++) m->Tri[t].Ref = ((t - 1) / 2) % 4 < 2 ? 1 : 2;
  return m;
}
Geometric_Mesh *surface3d(Memory_List *mem) { return MakeStructuredMesh(mem, 3, 3, 1, GEN_TRI); }

struct Painter {
  GLHarness gl{Size, Size};

  // Faces in reference colours without lighting, lines in the contrast colour (black on white),
  // every list built.
  void prepare(ZelScene *s) {
    zelInstallListHooks();
    zelUpdateAllTypeDisplayListsOptions(KmfTriangles, ZelOptRender, ZelModeBack << ZelRndLineShift, 0, s);
    zelUpdateAllDisplayLists(1, s);
  }
  // The window's paint: projection, white background, model-view, scene.
  void draw(ZelScene *s) {
    zelReshapeScene(s, Size, Size);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(s->View->Mat);
    glTranslated(-s->View->Ctr[0], -s->View->Ctr[1], -s->View->Ctr[2]);
    zelDisplayScene(s);
  }
  QImage paint(ZelScene *s) {
    gl.makeCurrent();
    draw(s);
    return gl.grab();
  }
  // Index of the first line and of the last polygon fed back by a paint.
  std::pair<int, int> order(ZelScene *s) {
    std::vector<FeedbackPrim> prims = gl.feedback([&] { draw(s); });
    int firstLine = -1, lastPolygon = -1, firstPolygon = -1, lastLine = -1;
    for (int i = 0; i < static_cast<int>(prims.size()); i++) {
      if (prims[i].isLine()) lastLine = i, firstLine = firstLine < 0 ? i : firstLine;
      if (prims[i].isPolygon()) lastPolygon = i, firstPolygon = firstPolygon < 0 ? i : firstPolygon;
    }
    EXPECT_GE(firstLine, 0);
    EXPECT_GE(firstPolygon, 0);
    return s->Dim == 2 ? std::make_pair(lastPolygon, firstLine) : std::make_pair(lastLine, firstPolygon);
  }
};

int ref1(const QImage &img) { return countPixels(img, 205, 55, 0); }
int ref2(const QImage &img) { return countPixels(img, 124, 252, 0); }
int black(const QImage &img) { return countPixels(img, 0, 0, 0, 40); }

// A 2-D mesh shows its faces in their reference colours and its wires over them; a 3-D mesh
// draws its wires first and its faces behind them.
TEST(SceneDraw, TwoDimensionsFacesThenWiresThreeDimensionsWiresFirst) {
  Painter p;
  ASSERT_TRUE(p.gl.valid());
  DisplayScene flat(twoRefs2d), solid(surface3d);
  p.prepare(flat.get());
  p.prepare(solid.get());
  auto flatOrder = p.order(flat.get()), solidOrder = p.order(solid.get());
  EXPECT_LT(flatOrder.first, flatOrder.second) << "2-D: the last face before the first wire";
  EXPECT_LT(solidOrder.first, solidOrder.second) << "3-D: the last wire before the first face";

  QImage img = p.paint(flat.get());
  p.gl.savePng(img, "scene_2d_two_references");
  EXPECT_GT(ref1(img), 2000);
  EXPECT_NEAR(ref1(img), ref2(img), ref1(img) / 10);
  EXPECT_GT(black(img), 200);
  // The left half holds reference 1 only.
  EXPECT_EQ(ref2(img.copy(0, 0, Size / 2 - 2, Size)), 0);
  QImage img3 = p.paint(solid.get());
  p.gl.savePng(img3, "scene_3d_surface");
  EXPECT_GT(ref1(img3), 1000);  // the generated box has reference 1
  EXPECT_GT(black(img3), 100);
}

// A hidden record leaves every pass and comes back with the lists it kept; the reference
// colour of the most negative reference is found without overflow.
TEST(SceneDraw, HiddenRecordLeavesAndComesBackWithoutRebuild) {
  Painter p;
  ASSERT_TRUE(p.gl.valid());
  DisplayScene s(twoRefs2d);
  p.prepare(s.get());
  ZelEntDisplayList &right = zelGetEntity(s->ZelMsh, KmfTriangles)->DspLst[2];
  const QImage before = p.paint(s.get());
  right.Flags |= ZelLstHidden;
  const QImage hidden = p.paint(s.get());
  EXPECT_EQ(ref2(hidden), 0);
  EXPECT_EQ(ref1(hidden), ref1(before));
  EXPECT_LT(black(hidden), black(before));
  right.Flags &= ~ZelLstHidden;
  EXPECT_EQ(p.paint(s.get()), before);

  zelGetEntity(s->ZelMsh, KmfTriangles)->DspLst[1].Ref = INT_MIN;  // |INT_MIN| mod 21 = 2
  EXPECT_EQ(ref2(p.paint(s.get())), ref1(before) + ref2(before));
}

// Clip plane 0 through the centre keeps the side a x + b y + c z + d <= 0; the box is drawn in
// its colour with flag 0x800.
TEST(SceneDraw, ClipPlaneThroughTheCentreBlanksHalfAndTheBoxShows) {
  Painter p;
  ASSERT_TRUE(p.gl.valid());
  DisplayScene s(twoRefs2d);
  p.prepare(s.get());
  const QImage before = p.paint(s.get());
  ZelPlaEntity *pla = s->ZelMsh->Pla;
  pla->On = 1, pla->Cur = 0;
  pla->Pla[0][0] = 1, pla->Pla[0][3] = -s->Ctr[0];  // x = centre: the right half goes
  const QImage clipped = p.paint(s.get());
  p.gl.savePng(clipped, "scene_2d_clipped");
  EXPECT_EQ(ref2(clipped), 0);
  EXPECT_NEAR(ref1(clipped), ref1(before), ref1(before) / 20);
  pla->Pla[0][3] = -1;  // x = 1: a quarter stays
  EXPECT_NEAR(ref1(p.paint(s.get())), ref1(before) / 2, ref1(before) / 20);
  pla->On = 0;
  EXPECT_EQ(p.paint(s.get()), before);

  EXPECT_EQ(countPixels(before, 255, 0, 128), 0);
  s->Flags |= ZelFlgBox;
  EXPECT_GT(countPixels(p.paint(s.get()), 255, 0, 128), 200);
}

// A vertex that cannot be framed (a NaN or infinite coordinate, even the first one the box
// meets) is left out of the box, and an extent past the largest double is halved before it is
// used: the camera stays finite, and the rest of the mesh is framed and drawn in both of its
// references.
TEST(SceneDraw, VerticesThatCannotBeFramedLeaveTheRestFramedAndDrawn) {
  Painter p;
  ASSERT_TRUE(p.gl.valid());
  const struct {
    const char *What, *Png;
    std::function<void(Geometric_Mesh *)> Change;
  } cases[] = {
      {"a NaN at the first vertex the box meets", "scene_nan_vertex",
       [](Geometric_Mesh *m) { m->Ver[m->Tri[1].Ver[0]].Crd[0] = std::nan(""); }},
      {"an infinite coordinate", "scene_infinite_vertex", [](Geometric_Mesh *m) { m->Ver[m->Tri[1].Ver[0]].Crd[1] = HUGE_VAL; }},
      {"an extent past the largest double", "scene_huge_extent",
       [](Geometric_Mesh *m) {
         for (int v = 1; v <= m->NbrVer; v++)
           for (int i : {0, 1}) m->Ver[v].Crd[i] = (m->Ver[v].Crd[i] - (i ? 1 : 2)) * 0.8e308;
       }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.What);
    DisplayScene scene([&](Memory_List *mem) {
      Geometric_Mesh *m = twoRefs2d(mem);
      c.Change(m);
      return m;
    });
    ZelScene *s = scene.get();
    EXPECT_TRUE(std::isfinite(s->InvDmaxSca) && s->InvDmaxSca > 0) << s->InvDmaxSca;
    for (double v : {s->Ctr[0], s->Ctr[1], s->View->Trn[2], s->View->Near, s->View->Far}) EXPECT_TRUE(std::isfinite(v));
    p.prepare(s);
    QImage img = p.paint(s);
    p.gl.savePng(img, c.Png);
    EXPECT_GT(ref1(img), 1000);
    EXPECT_GT(ref2(img), 2000);
  }
}

}  // namespace
