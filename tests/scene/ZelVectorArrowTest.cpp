// Vector arrows of a new scene, as the window first shows them: long enough on screen to be
// seen at the opening zoom without touching the solution panel's vector scale, and on top of
// the faces of a flat mesh.
#include <GL/gl.h>

#include <QImage>
#include <cmath>
#include <cstdlib>

#include "tests/scene/SceneTest.h"
#include "tests/support/GLHarness.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelEvent.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelRenderOption.h"

namespace {

constexpr int ViewSize = 800;  // the view of a new window

// A 2-D plate of 4 x 4 unit squares whose vertices carry a unit vector each, turning from
// vertex to vertex so that arrows of every direction are measured.
Geometric_Mesh *unitVectorPlate(Memory_List *mem) {
  Geometric_Mesh *m = TriangleGrid(mem, 4, 4, {SOL_VECTOR});
  for (int v = 1; v <= m->NbrVer; v++) {
    const double a = 0.4 * v;
    VertexValue(m, v, 0, 0) = std::cos(a);
    VertexValue(m, v, 0, 1) = std::sin(a);
  }
  return m;
}

// The projection and camera of the window's paint.
void camera(ZelScene *s) {
  zelReshapeScene(s, ViewSize, ViewSize);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixd(s->View->Mat);
  glTranslated(-s->View->Ctr[0], -s->View->Ctr[1], -s->View->Ctr[2]);
}

// The window's paint on a white background.
QImage paint(GLHarness &gl, ZelScene *s) {
  gl.makeCurrent();
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  camera(s);
  zelDisplayScene(s);
  return gl.grab();
}

// The shaft of every arrow the triangles' vector list draws (the first of its three
// segments), in window coordinates under the paint's camera.
std::vector<FeedbackPrim> shafts(GLHarness &gl, ZelScene *s) {
  const ZelEntDisplayList &tri = zelGetEntity(s->ZelMsh, KmfTriangles)->DspLst[1];
  const std::vector<FeedbackPrim> lines = gl.feedback([&] {
    camera(s);
    glCallList(tri.SolLst + 2);
  });
  std::vector<FeedbackPrim> out;
  for (size_t i = 0; i < lines.size(); i += 3) out.push_back(lines[i]);
  return out;
}

// Whether the pixels around window point (x, y) changed from one picture to the other.
bool changedNear(const QImage &before, const QImage &after, double x, double y) {
  const int cx = static_cast<int>(std::lround(x)), cy = before.height() - 1 - static_cast<int>(std::lround(y));
  for (int dy = -1; dy <= 1; dy++)
    for (int dx = -1; dx <= 1; dx++) {
      const int px = cx + dx, py = cy + dy;
      if (px < 0 || py < 0 || px >= before.width() || py >= before.height()) continue;
      const QRgb a = before.pixel(px, py), b = after.pixel(px, py);
      if (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 60)
        return true;
    }
  return false;
}

}  // namespace

// A new scene on a plate with a unit vector field, pressed `M`: one arrow per vertex, each 5
// to 60 pixels long in the 800 x 800 view of a new window, and each seen along its shaft over
// the faces it lies on.
TEST(VectorArrows, ANewSceneShowsArrowsLongEnoughToSeeOverAFlatMeshAtTheOpeningZoom) {
  GLHarness gl(ViewSize, ViewSize);
  ASSERT_TRUE(gl.valid()) << gl.describe();
  zelInstallListHooks();
  DisplayScene plate(unitVectorPlate);
  ZelScene *s = plate.get();
  // Grey faces without lighting (this context has no lights), wires in the contrast colour,
  // every list built as the window builds them when it shows the scene.
  const uint32_t render = ZelModeGrey << ZelRndFaceShift | ZelModeBack << ZelRndLineShift;
  zelUpdateAllTypeDisplayListsOptions(KmfTriangles, ZelOptRender, render, 0, s);
  zelUpdateAllDisplayLists(1, s);
  const QImage without = paint(gl, s);
  s->VieEvt->keyChar = 'M';
  CaptureText([&] { EXPECT_EQ(zelProcessKeyEvent(s), 1); });
  const QImage with = paint(gl, s);
  const std::string png = gl.savePng(with, "vector-arrows-new-plate");
  RecordProperty("picture", png);

  const std::vector<FeedbackPrim> arrows = shafts(gl, s);
  ASSERT_EQ(arrows.size(), 25u) << "one arrow per vertex";
  for (size_t i = 0; i < arrows.size(); i++) {
    const FeedbackVertex &a = arrows[i].v[0], &b = arrows[i].v[1];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    EXPECT_GE(length, 5.0) << "arrow " << i << ": too short to see";
    EXPECT_LE(length, 60.0) << "arrow " << i;
    for (double t : {0.3, 0.6, 0.9})
      EXPECT_TRUE(changedNear(without, with, a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)))
          << "arrow " << i << " not seen at " << t << " of its length (" << png << ")";
  }
}
