// Views on their own: the chain of linked views, the tools drawn over the scene, the rotation
// slots, the translations by the scene's centre and the rotation centre.
#include <gtest/gtest.h>

#include <QGLContext>
#include <QSignalSpy>
#include <memory>

#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/GLHarness.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/QZelBase.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelView.h"

namespace {

std::unique_ptr<GLWidget> bareView() {
  auto view = std::make_unique<GLWidget>(new QGLContext(QGLFormat()), nullptr, nullptr, nullptr);
  view->resize(64, 48);
  return view;
}

struct CountingTool : QZelBase {
  int *draws;
  explicit CountingTool(int *counter) : draws(counter) {}
  void draw() override { ++*draws; }
};

// A box of 4 x 3 x 2 cells of tetrahedra with its bottom triangles, moved by `by`.
Geometric_Mesh *movedBox(Memory_List *mem, const double by[3]) {
  Geometric_Mesh *m = MakeStructuredMesh(mem, 4, 3, 2, GEN_TET | GEN_TRI);
  for (int v = 1; v <= m->NbrVer; v++)
    for (int i = 0; i < 3; i++) m->Ver[v].Crd[i] += by[i];
  for (int i = 0; i < 6; i++) m->Box[i] += by[i % 3];
  return m;
}

}  // namespace

// The view draws a mesh relative to its centre on all three axes: moved far off zero (in z
// too), it is drawn at the size and place it has at zero, to the pixel. A rotation centre off
// zero on all three axes (toward the eye, so that nothing hides its marker) comes to the
// middle of the view.
TEST(ViewCentre, AMeshOffZeroIsDrawnAsAtZeroAndTheRotationCentreComesToTheMiddle) {
  const double at[2][3] = {{0, 0, 0}, {4096, -2048, 1024}};
  QImage pictures[2][2];  // mesh, rotation centre
  for (int k = 0; k < 2; k++) {
    Viewer v([&](Memory_List *mem) { return movedBox(mem, at[k]); }, 0);
    GLWidget *view = v.view(0);
    ZelScene *s = v.scene(0);
    pictures[k][0] = view->grabScene();
    for (int d = 0; d < 3; d++) s->View->Ctr[d] = 0.9 * s->View->Mat[4 * d + 2];
    s->Flags |= ZelFlgCentre;
    pictures[k][1] = view->grabScene();
    pictures[k][1].save(QString::fromStdString(testOutputDir() + "/view-centre-" + std::to_string(k) + ".png"));
    const QImage &p = pictures[k][1];
    EXPECT_GE(countPixels(p.copy(p.width() / 2 - 3, p.height() / 2 - 3, 7, 7), 255, 0, 0, 40), 9) << k;
  }
  for (int c = 0; c < 2; c++) {
    ASSERT_FALSE(pictures[0][c].isNull());
    const int all = pictures[0][c].width() * pictures[0][c].height();
    EXPECT_GT(all - countPixels(pictures[0][c], 255, 255, 255, 0), all / 20) << c;  // the mesh is drawn
    EXPECT_TRUE(pictures[0][c] == pictures[1][c]) << c;
  }
}

TEST(LinkedViews, AViewLeavingTheChainJoinsItsNeighboursAndKeepsNoLinks) {
  auto a = bareView(), b = bareView(), c = bareView();
  a->LinkGLWidget(b.get());
  b->LinkGLWidget(c.get());
  EXPECT_EQ(b->getPrv(), a.get());
  b->unLinkGLWidget();
  EXPECT_EQ(a->getNxt(), c.get());
  EXPECT_EQ(c->getPrv(), a.get());
  EXPECT_FALSE(b->getNxt());
  EXPECT_FALSE(b->getPrv());
  // Destroyed after leaving, it writes nothing into its former neighbours.
  b.reset();
  EXPECT_EQ(a->getNxt(), c.get());
  EXPECT_EQ(c->getPrv(), a.get());
  // Destroyed while linked, it leaves the chain too.
  c.reset();
  EXPECT_FALSE(a->getNxt());
}

TEST(ViewTools, RecordedToolsDrawAfterTheSceneAndAreNeverOwnedByTheView) {
  int draws = 0, kept = 0;
  CountingTool survivor(&kept);
  {
    Viewer v({"-in", dataFile("sample.meshb")});
    GLWidget *view = v.view(0);
    auto *tool = new CountingTool(&draws);
    view->record(tool);
    view->record(tool);
    view->updateGL();
    EXPECT_EQ(draws, 2);
    view->unrecord(tool);
    view->updateGL();
    EXPECT_EQ(draws, 2);
    view->record(tool);
    delete tool;  // deleted by its tool window while still recorded
    view->updateGL();
    EXPECT_EQ(draws, 2);
    view->record(&survivor);
    view->updateGL();
    EXPECT_EQ(kept, 1);
  }
  // The view went first: the tool it drew is whole.
  survivor.draw();
  EXPECT_EQ(kept, 2);
}

TEST(ViewRotation, AnglesComeIntoOneTurnAndOnlyAChangeIsSignalled) {
  auto view = bareView();
  QSignalSpy spy(view.get(), &GLWidget::xRotationChanged);
  struct Row {
    int given, stored;
    bool signalled;
  };
  const Row rows[] = {{-100, 5660, true}, {6000, 240, true}, {240, 240, false}, {5760, 5760, true}, {-5760, 0, true}};
  for (const Row &r : rows) {
    spy.clear();
    view->setXRotation(r.given);
    EXPECT_EQ(spy.size(), r.signalled ? 1 : 0) << r.given;
    if (!spy.isEmpty()) {
      EXPECT_EQ(spy.first().first().toInt(), r.stored);
    }
  }
}
