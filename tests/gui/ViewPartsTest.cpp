// Views on their own: the chain of linked views, the tools drawn over the scene, the rotation
// slots.
#include <gtest/gtest.h>

#include <QGLContext>
#include <QSignalSpy>
#include <memory>

#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/QZelBase.h"
#include "tests/gui/GuiFixture.h"

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

}  // namespace

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
