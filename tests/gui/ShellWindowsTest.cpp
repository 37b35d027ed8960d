// Main windows on two meshes, one with a solution: titles, action names, tool windows built
// from stand-in pages, the docked terminal, linked views, and windows deleted before their
// records are replayed; and what the view paints.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>

#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/QZelBase.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelBottom.h"
#include "zelvane/gui/ZelCommandRules.h"
#include "zelvane/gui/ZelPageMakers.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// A page of known size hint per kind of page, remembering what its maker was given.
QSize hintOf(ZelPage page) { return QSize(150 + 23 * page, 60 + 11 * page); }

struct StandIn : QZelBase {
  ZelPage page;
  ZelPageArgs args;
  int updates = 0, draws = 0;
  StandIn(ZelPage p, const ZelPageArgs &a) : QZelBase(a.scene, a.server, a.index), page(p), args(a) {
    setMinimumSize(hintOf(p));
  }
  QSize minimumSizeHint() const override { return hintOf(page); }
  void zelUpdate() override { updates++; }
  void draw() override { draws++; }
};

template <int P>
QZelBase *makeStandIn(const ZelPageArgs &args) {
  return new StandIn(ZelPage(P), args);
}

template <int... P>
void installAll(ZelPageMakers &t, std::integer_sequence<int, P...>) {
  ((t.make[P] = makeStandIn<P>), ...);
}

// Every page made by a stand-in while it lives.
struct StandInPages {
  ZelPageMakers saved = zelPageMakers();
  StandInPages() { installAll(zelPageMakers(), std::make_integer_sequence<int, ZelPageCount>()); }
  ~StandInPages() { zelPageMakers() = saved; }
};

QStringList boxTitles(const ZelTool *tool) {
  QStringList titles;
  for (const ZelToolBox *box : tool->boxes()) titles << box->title();
  return titles;
}

QSize largest(std::initializer_list<ZelPage> pages) {
  QSize s(0, 0);
  for (ZelPage p : pages) s = s.expandedTo(hintOf(p));
  return s;
}

void sendMouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButtons held, Qt::KeyboardModifiers mods = {}) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, w->mapToGlobal(at), button, held, mods);
  QApplication::sendEvent(w, &event);
}

// A left drag across the middle of the view: press, moves, release.
void drag(GLWidget *view) {
  const QPoint c(view->width() / 2, view->height() / 2);
  sendMouse(view, QEvent::MouseButtonPress, c, Qt::LeftButton);
  for (int k = 1; k <= 5; k++) sendMouse(view, QEvent::MouseMove, c + QPoint(12 * k, 5 * k), Qt::LeftButton);
  sendMouse(view, QEvent::MouseButtonRelease, c + QPoint(60, 25), Qt::NoButton);
}

std::vector<double> matrixOf(const ZelScene *s) { return std::vector<double>(s->View->Mat, s->View->Mat + 16); }

}  // namespace

TEST(MainWindows, TwoMeshesOpenAsTiledWindowsWithTheirToolWindowsAndTurnTogether) {
  StandInPages pages;
  Viewer v({"-in", dataFile("sample.meshb"), dataFile("edges.meshb"), "-sol", dataFile("sample.solb")});
  ASSERT_EQ(v.app->windows().size(), 2);
  MainWindow *w1 = v.window(0), *w2 = v.window(1);
  EXPECT_EQ(w1->windowTitle(), "[1] sample.meshb");
  EXPECT_EQ(w2->windowTitle(), "[2] edges.meshb");
  const int desk = QGuiApplication::primaryScreen()->availableGeometry().width();
  EXPECT_EQ(w2->pos(), zelTilePosition(2, 2, desk));

  // Actions: named after the window number, registered; plain ones neither.
  ZelSequenceServer *server = v.app->server();
  EXPECT_EQ(w2->action(ActOpen)->objectName(), QString(QChar(2)) + "openAct");
  EXPECT_EQ(server->findZelObject(QString(QChar(2)) + "openAct"), w2->action(ActOpen));
  EXPECT_EQ(server->findZelObject(QString(QChar(1)) + "chkNewSol "), w1->action(ActCheckSol));
  EXPECT_TRUE(w1->action(ActLoadSeq)->objectName().isEmpty());
  EXPECT_FALSE(w1->action(ActPlaySeq)->isEnabled());
  EXPECT_EQ(server->findZelObject(""), w1);

  // Tool windows: titles, pages by what each mesh holds, rectangles from the pages' hints and
  // the window's place and first size, 800 x 800 (it fits its view afterwards).
  const QPoint p1 = w1->pos();
  ZelTool *visu = w1->visuTool();
  ASSERT_TRUE(visu);
  EXPECT_EQ(visu->windowTitle(), "[1] sample.meshb-Visualisation");
  EXPECT_EQ(boxTitles(visu), QStringList({"Surfaces", "Volumes", "Clip Planes"}));
  EXPECT_EQ(boxTitles(w2->visuTool()), QStringList({"Lines", "Surfaces", "Clip Planes"}));
  const QSize vs = largest({ZelPageSurfaces, ZelPageVolumes, ZelPageClipPlanes});
  EXPECT_EQ(visu->pos(), QPoint(p1.x() - 10 - vs.width(), p1.y()));
  EXPECT_EQ(visu->boxes()[0]->maximumWidth(), vs.width());
  EXPECT_EQ(visu->boxes()[1]->objectName(), "[1] sample.meshb-Visualisation_1");

  ZelTool *sol = w1->solTool();
  ASSERT_TRUE(sol);
  EXPECT_FALSE(w2->solTool());
  EXPECT_EQ(sol->windowTitle(), "[1] sample.meshb-Solution");
  EXPECT_EQ(boxTitles(sol), QStringList({"Select Active Solution", "Scalar [1]"}));
  EXPECT_EQ(sol->pos(), QPoint(p1.x() + 800, p1.y()));
  EXPECT_EQ(sol->boxes()[1]->maximumWidth(), std::max(400, largest({ZelPageSelect, ZelPageSolution}).width()));
  EXPECT_FALSE(sol->getZelBase("scalar [1]")->isEnabled());
  EXPECT_EQ(static_cast<StandIn *>(sol->getZelBase(1))->args.field, 0);

  const QSize is = largest({ZelPageVerbosity, ZelPageComputation});
  EXPECT_EQ(w1->infoTool()->pos(), QPoint(p1.x() - 20 - is.width(), p1.y() + 800 / 3));
  ZelTool *modif = w1->modifTool();
  EXPECT_EQ(boxTitles(modif).size(), 5);
  const ZelPageArgs &edit = static_cast<StandIn *>(modif->getZelBase("Change References"))->args;
  EXPECT_EQ(edit.host, modif);
  EXPECT_EQ(edit.view, v.view(0));
  ASSERT_TRUE(edit.tools);
  EXPECT_EQ(*edit.tools, QList<ZelTool *>({visu}));

  ZelTool *pref = v.app->prefBox();
  ASSERT_TRUE(pref);
  EXPECT_EQ(boxTitles(pref), QStringList({"General", "Mesh", "Terminal"}));
  EXPECT_EQ(pref->parent(), w1);
  EXPECT_EQ(pref->pos().y(), QGuiApplication::primaryScreen()->availableGeometry().height() / 3);

  // Default module mask 19: the terminal docked between the view and the bottom bar.
  Window *c1 = w1->centralWindow();
  EXPECT_EQ(c1->getVLayout()->indexOf(c1->term()), 1);
  EXPECT_FALSE(c1->termTool()->isVisible());
  const QSize shown = c1->myShow();
  EXPECT_EQ(shown, QSize(c1->view()->width(),
                         c1->view()->height() + c1->term()->height() + c1->bottom()->height() + 20));
  // Mask 1: the terminal in its own window, no bottom bar, the bare view.
  QSettings().setValue("module", 1);
  Window *c2 = w2->centralWindow();
  const QSize bare = c2->myShow();  // laid out again: the view takes the whole window
  EXPECT_EQ(bare, c2->view()->size());
  EXPECT_TRUE(c2->termTool()->isVisible());
  EXPECT_EQ(c2->termTool()->term(), c2->term());
  EXPECT_TRUE(c2->bottom()->isHidden());
  QSettings().remove("module");

  // A refresh after a scene change reaches every page of the visualisation window.
  const int before = static_cast<StandIn *>(visu->getZelBase("Surfaces"))->updates;
  zelUpdateWidgetState(v.scene(0)->Win);
  EXPECT_EQ(static_cast<StandIn *>(visu->getZelBase("Surfaces"))->updates, before + 1);

  // The views are linked: a drag in window 1 repaints window 2 as it turns and leaves it with
  // the same camera.
  auto *painted = static_cast<StandIn *>(w2->modifTool()->getZelBase("Swap"));
  v.view(1)->record(painted);
  EXPECT_NE(matrixOf(v.scene(0)), std::vector<double>(16, 0.0));
  drag(v.view(0));
  EXPECT_GE(painted->draws, 5);
  v.view(1)->unrecord(painted);
  EXPECT_EQ(matrixOf(v.scene(0)), matrixOf(v.scene(1)));
  EXPECT_EQ(v.view(0)->getNxt(), v.view(1));

  // Window 1 goes (main window, view, tool windows, actions, boxes); its records, replayed,
  // find nothing and are skipped.
  static_cast<QZelGroupBox *>(visu->boxes()[0])->zelClicked(true);
  w1->action(ActAboutZel)->trigger();
  const std::string seq = runDir() + "/window1.seq";
  server->saveSequences(seq.c_str());
  const std::vector<double> camera2 = matrixOf(v.scene(1));
  delete v.app->takeWindow(0);
  EXPECT_FALSE(v.view(0)->getPrv());
  for (const char *name : {"", "glWidget", "mainwindow:1", "\x01openAct", "[1] sample.meshb-Visualisation_0"})
    EXPECT_FALSE(server->findZelObject(name)) << name;
  server->loadSequences(seq.c_str());
  ASSERT_GE(server->loaded().size(), 9u);
  CaptureStdout();
  server->execSequences(0);
  settle();
  const std::string out = GetCapturedStdout();
  EXPECT_EQ(out.find(" running sequence"), std::string::npos) << out;
  EXPECT_EQ(matrixOf(v.scene(0)), camera2);
}

// Two linked views of different meshes: a key that rebuilds the lists (F5, pressed twice: shrunk,
// then whole again) in one of them rebuilds each view's lists in its own context, and each
// draws its own mesh again.
TEST(LinkedViews, EachViewOfADifferentMeshDrawsItsOwnMeshAfterAListRebuildingKey) {
  Viewer v({"-in", dataFile("sample.meshb"), dataFile("edges.meshb")});
  const QImage before[2] = {v.view(0)->grabScene(), v.view(1)->grabScene()};
  ASSERT_FALSE(before[0] == before[1]);
  CaptureStdout();
  for (int k = 0; k < 2; k++) QTest::keyClick(v.view(0), Qt::Key_F5);
  GetCapturedStdout();
  for (int i = 0; i < 2; i++) EXPECT_TRUE(v.view(i)->grabScene() == before[i]) << "view " << i;
}

// A window closed by a key or by the window manager leaves the chain: it no longer turns with
// the others nor is its picture saved with theirs, while the windows on either side of it stay
// linked to each other.
TEST(LinkedViews, AClosedWindowLeavesTheChainWhateverClosesItAndItsNeighboursStayLinked) {
  const std::vector<std::pair<const char *, std::function<void(MainWindow *)>>> roads = {
      {"q", [](MainWindow *w) { QTest::keyClick(w, 'q'); }},
      {"Escape", [](MainWindow *w) { QTest::keyClick(w, Qt::Key_Escape); }},
      {"the window manager", [](MainWindow *w) { w->close(); }},
  };
  for (const auto &road : roads) {
    SCOPED_TRACE(road.first);
    WorkFolder folder;
    Viewer v({"-in", dataFile("sample.meshb"), dataFile("sample.meshb"), dataFile("sample.meshb")});
    road.second(v.window(1));
    settle();
    ASSERT_FALSE(v.window(1)->isVisible());
    const std::vector<double> closed = matrixOf(v.scene(1));
    drag(v.view(0));
    EXPECT_EQ(matrixOf(v.scene(1)), closed);
    EXPECT_NE(matrixOf(v.scene(0)), closed);
    EXPECT_EQ(matrixOf(v.scene(2)), matrixOf(v.scene(0)));
    const int counter = zelLinkedImageCounter();
    ScriptedDialogs answers({{QString::fromStdString(folder.file("turned.png"))}});
    CaptureStdout();
    v.view(0)->renderIntoPixmap();
    GetCapturedStdout();
    const QStringList written = QDir(QString::fromStdString(folder.path)).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(written, QStringList({"turned.png", QString("turned_%1.png").arg(counter)}));
  }
}

TEST(ViewPaint, TheMeshFillsTheCentreAndRepaintsWithoutInputKeepTheCamera) {
  Viewer v({"-in", dataFile("sample.meshb")});
  GLWidget *view = v.view(0);
  const QImage img = view->grabScene();
  ASSERT_FALSE(img.isNull());
  img.save(QString::fromStdString(testOutputDir() + "/gui-view-paint.png"));
  const ZelScene *s = v.scene(0);
  // The camera follows the widget's size, so the paint's viewport covers the view exactly.
  EXPECT_EQ(QSize(s->View->Width, s->View->Height), view->size());
  EXPECT_EQ(img.size(), view->size());
  const QColor back(int(s->Back[0]), int(s->Back[1]), int(s->Back[2]));
  EXPECT_NE(img.pixelColor(img.width() / 2, img.height() / 2), back);
  EXPECT_EQ(img.pixelColor(2, 2), back);
  const std::vector<double> camera = matrixOf(s);
  view->updateGL();
  view->updateGL();
  EXPECT_EQ(matrixOf(s), camera);
}

// The window's first build of the lists leaves the picking lists waiting; a paint has them
// made once it is done: by the time the viewer has shown its window nothing waits, and a first
// build made again waits only until the next paint.
TEST(ViewPaint, APaintHasThePickingListsTheFirstBuildLeftMadeAfterIt) {
  Viewer v({"-in", dataFile("sample.meshb")});
  ZelScene *s = v.scene(0);
  const ZelEntDisplayList &tri = zelGetEntity(s->ZelMsh, KmfTriangles)->DspLst[1];
  EXPECT_EQ(s->PckPending, 0);
  v.view(0)->makeCurrent();
  glDeleteLists(tri.PckLst, 1);
  CaptureText([&] { zelUpdateFirstDisplayLists(s); });
  ASSERT_EQ(s->PckPending, 1);
  EXPECT_FALSE(glIsList(tri.PckLst));
  v.view(0)->updateGL();
  settle();
  EXPECT_EQ(s->PckPending, 0);
  v.view(0)->makeCurrent();
  EXPECT_TRUE(glIsList(tri.PckLst));
}

namespace {
// A pending turn of 30 degrees and a pan of 0.25 folded by one paint; a second paint adds
// nothing.
void foldPendingGesture(Viewer &v, bool turns) {
  ZelScene *s = v.scene(0);
  ASSERT_TRUE(s && s->View && s->VieEvt);
  const std::vector<double> before = matrixOf(s);
  ZelEvent *e = s->VieEvt;
  e->axis[0] = 0, e->axis[1] = 0, e->axis[2] = 1;
  e->angle = 30;
  e->panX = e->appliedPanX + 0.25;
  v.view(0)->updateGL();
  const std::vector<double> after = matrixOf(s);
  // Column-major: the translation is in 12..14, the turn in the upper-left 3 x 3.
  EXPECT_NEAR(after[12] - before[12], 0.25, 1e-12);
  bool turned = false;
  for (int i : {0, 1, 4, 5}) turned = turned || std::fabs(after[i] - before[i]) > 1e-9;
  EXPECT_EQ(turned, turns);
  EXPECT_EQ(e->angle, 0.0);
  v.view(0)->updateGL();
  EXPECT_EQ(matrixOf(s), after);
}
}  // namespace

TEST(ViewPaint, APendingTurnAndPanFoldIntoTheCameraOnceAndA2DSceneOnlyPans) {
  {
    Viewer flat([](Memory_List *mem) { return TriangleGrid(mem, 4, 4); }, 0);
    ASSERT_EQ(flat.scene(0)->Dim, 2u);
    foldPendingGesture(flat, false);
  }
  Viewer box({"-in", dataFile("sample.meshb")});
  foldPendingGesture(box, true);
}
