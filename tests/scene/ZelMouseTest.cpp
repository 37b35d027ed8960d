#include <GL/gl.h>

#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelInput.h"

namespace {

Geometric_Mesh *oneTriangle(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 3}, {KmfTriangles, 1}});
  AddVertex(m, 0, 0, 0), AddVertex(m, 2, 0, 0), AddVertex(m, 0, 1, 1);
  AddElement(m, KmfTriangles, {1, 2, 3}, 1);
  return m;
}

// A 3-D scene (turned camera) in a 200 x 100 view, clip plane 0 on: x + 2y - z - 0.25 = 0.
class Mouse : public testing::Test {
 protected:
  void SetUp() override {
    view_->Width = 200, view_->Height = 100;
    const double p[4] = {1, 2, -1, -0.25};
    std::copy(p, p + 4, pla_->Pla[0]);
    pla_->On = 1;
    zelResetTransformPlane(s_, pla_);
  }
  // A press at (x, y) with the buttons held, then moves through the points; how many moved.
  int drag(uint32_t buttons, int x, int y, std::initializer_list<std::pair<int, int>> moves) {
    (s_->Mode ? s_->ClpEvt : evt_)->buttons = buttons;
    zelProcessMousePressEvent(s_, x, y);
    int moved = 0;
    for (auto m : moves) moved += zelProcessMouseMoveEvent(s_, m.first, m.second);
    return moved;
  }
  std::vector<double> plane() const { return std::vector<double>(pla_->Pla[0], pla_->Pla[0] + 4); }
  DisplayScene ds_{oneTriangle, false};
  ZelScene *s_ = ds_.get();
  ZelView *view_ = s_->View;
  ZelEvent *evt_ = s_->VieEvt;
  ZelPlaEntity *pla_ = s_->ZelMsh->Pla;
};

TEST_F(Mouse, TrackballAndPanSteps) {
  EXPECT_EQ(drag(ZelButtonLeft, 100, 50, {{150, 50}}), 1);
  // px = 0.5, r = 0.5, pz = cos(pi / 4); V = (px, 0, pz) / sqrt(pz^2 + px^2); lastVec was (0, 0, 1).
  double n = std::sqrt(0.75), v[3] = {0.5 / n, 0, std::cos(M_PI / 4) / n};
  EXPECT_NEAR(evt_->axis[1], v[0], 1e-12);
  EXPECT_NEAR(evt_->angle, std::sqrt(v[0] * v[0] + (v[2] - 1) * (v[2] - 1)) * 180, 1e-9);
  drag(ZelButtonLeft, 100, 50, {{100, -10}});  // past half the window: on the rim, pz = 0
  EXPECT_NEAR(evt_->lastVec[1], 1.0, 1e-12);
  EXPECT_NEAR(evt_->lastVec[2], 0.0, 1e-12);
  view_->Dmax = 2, view_->Fov = 45;
  EXPECT_EQ(drag(ZelButtonMiddle, 100, 50, {{120, 50}, {120, 40}}), 2);
  double t = std::tan(0.9 * 45 * M_PI / 180);
  EXPECT_NEAR(evt_->panX, 2 * (20.0 / 200) * 2 * t, 1e-12);
  EXPECT_NEAR(evt_->panY, t * (-10.0 / 100) * -2 * 2, 1e-12);
  view_->Width = view_->Height = 0;  // counts as one pixel: nothing becomes NaN
  drag(ZelButtonLeft, 0, 0, {{3, 4}});
  drag(ZelButtonMiddle, 0, 0, {{3, 4}});
  for (double x : {evt_->angle, evt_->axis[0], evt_->panX, evt_->panY}) EXPECT_TRUE(std::isfinite(x));
}

TEST_F(Mouse, ShiftRightPicksNothingAndStillResetsTheGesture) {
  evt_->lastVec[0] = 1, evt_->lastVec[2] = 0, evt_->keyBits = ZelKeyShift;
  FakeHooks hooks;
  EXPECT_EQ(drag(ZelButtonRight, 7, 9, {}), 0);
  EXPECT_EQ(
      std::vector<double>({double(evt_->lastX), double(evt_->lastY), evt_->lastVec[0], evt_->lastVec[2]}),
      std::vector<double>({7, 9, 0, 1}));
  EXPECT_EQ(evt_->keyBits, 0u);
  EXPECT_EQ(hooks.callNames(), std::vector<std::string>{"makeCurrent"});
}

TEST_F(Mouse, ClipEditTranslationStaysInItsCubeAndARotationIsUndoneByItsReverse) {
  s_->Mode = 1;
  std::vector<double> before = plane();
  drag(ZelButtonLeft, 100, 50, {{130, 35}});
  EXPECT_GT(std::fabs(plane()[0] - before[0]), 0.01);
  zelProcessMouseMoveEvent(s_, 100, 50);
  for (int i = 0; i < 4; i++) EXPECT_NEAR(pla_->Pla[0][i], before[i], 1e-9);
  FakeHooks hooks;
  drag(ZelButtonMiddle, 100, 50, {{100, 2000}, {100, 4000}, {100, 6000}});
  EXPECT_NE(plane(), before);
  const double *t = pla_->FrmBase + 12;
  EXPECT_NEAR(std::fmax(std::fabs(t[0]), std::fmax(std::fabs(t[1]), std::fabs(t[2]))), 2.5 / s_->InvDmaxSca,
              1e-12);
  EXPECT_EQ(hooks.callNames().back(), "updateClipBox");
  EXPECT_TRUE(pla_->Lst[0].Flags & ZelLstClipped);
}

TEST_F(Mouse, ClipRotationEqualsTheGlStackProduct) {
  s_->Mode = 1;
  drag(ZelButtonLeft, 100, 50, {{110, 45}});
  double old[16], axis[3], want[16];
  std::copy(pla_->FrmRot, pla_->FrmRot + 16, old);
  zelProcessMouseMoveEvent(s_, 90, 80);  // off the first step's line: the turns do not commute
  // The screen axis in mesh directions: the transposed camera rotation, as OpenGL reads it.
  const double *m = view_->Mat, *a = s_->ClpEvt->axis;
  for (int r = 0; r < 3; r++) axis[r] = m[4 * r] * a[0] + m[4 * r + 1] * a[1] + m[4 * r + 2] * a[2];
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRotated(s_->ClpEvt->angle, axis[0], axis[1], axis[2]);
  glMultMatrixd(old);
  glGetDoublev(GL_MODELVIEW_MATRIX, want);
  for (int i = 0; i < 16; i++)
    EXPECT_NEAR(pla_->FrmRot[i], want[i], 1e-6) << i;  // the stack is single precision
}

// Positions at the ends of the int range, as a damaged recording could once hand them on:
// turns and pans, in view and in clip-edit mode, take the step from one end to the other
// without overflow and stay finite.
TEST_F(Mouse, StepsBetweenTheEndsOfTheIntRangeStayFinite) {
  view_->Dmax = 2, view_->Fov = 45;
  for (int mode : {0, 1}) {
    s_->Mode = mode;
    for (uint32_t buttons : {ZelButtonLeft, ZelButtonMiddle}) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << " buttons " << buttons);
      EXPECT_EQ(drag(buttons, INT_MIN, INT_MAX, {{478, INT_MIN}, {INT_MAX, 478}}), 2);
      const ZelEvent *e = mode ? s_->ClpEvt : evt_;
      for (double x : {e->angle, e->axis[0], e->axis[2], e->panX, e->panY}) EXPECT_TRUE(std::isfinite(x));
      for (double c : plane()) EXPECT_TRUE(std::isfinite(c));
    }
  }
}

}  // namespace
