// Where the windows stand and what their first picture holds: tiled main windows of 800 x 800
// on the test's screen and, through the built program, on screens of 1280 x 1024 and
// 1920 x 1080; the whole mesh inside the first picture; palette and time labels whole and
// apart at every view size.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/XTopWindows.h"
#include "tests/support/GLHarness.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelView.h"

namespace {

// Tiled windows: 800 x 800 each, inside the screen; two in different columns apart, two in one
// column one step (75 pixels) apart, so that the upper one's menu bar stays in sight.
void expectTiled(const std::vector<QRect> &windows, const QRect &screen, const std::string &where) {
  for (size_t i = 0; i < windows.size(); i++) {
    const QRect &a = windows[i];
    EXPECT_EQ(a.size(), QSize(800, 800)) << where << " window " << i + 1;
    EXPECT_TRUE(screen.contains(a)) << where << " window " << i + 1 << " at " << a.x() << "," << a.y();
    for (size_t j = 0; j < i; j++) {
      const QRect &b = windows[j];
      if (a.x() == b.x())
        EXPECT_EQ(std::abs(a.y() - b.y()) % 75, 0) << where << " windows " << j + 1 << " and " << i + 1;
      else
        EXPECT_FALSE(a.intersects(b)) << where << " windows " << j + 1 << " and " << i + 1;
    }
  }
}

// ---- the built program on a screen of its own, read through Xlib

// ---- rectangles of what a draw call emits

struct Box {
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
  void add(const FeedbackPrim &p) {
    for (const FeedbackVertex &v : p.v) x0 = std::min(x0, v.x), x1 = std::max(x1, v.x), y0 = std::min(y0, v.y), y1 = std::max(y1, v.y);
  }
  bool meets(const Box &o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// The glyph polygons of draw (those after its first line, which ends the palette's bands), cut
// into texts of the given glyph counts; a driver may split each glyph in two triangles.
std::vector<Box> textBoxes(const std::vector<FeedbackPrim> &prims, const std::vector<int> &glyphs, bool afterLines) {
  std::vector<const FeedbackPrim *> polys;
  bool lines = !afterLines;
  for (const FeedbackPrim &p : prims) {
    lines = lines || p.isLine();
    if (lines && p.isPolygon()) polys.push_back(&p);
  }
  int total = 0;
  for (int g : glyphs) total += g;
  const int per = total && int(polys.size()) == 2 * total ? 2 : 1;
  EXPECT_EQ(int(polys.size()), per * total);
  std::vector<Box> boxes;
  size_t at = 0;
  for (int g : glyphs) {
    Box b;
    for (int k = 0; k < per * g && at < polys.size(); k++) b.add(*polys[at++]);
    boxes.push_back(b);
  }
  return boxes;
}

}  // namespace

TEST(WindowGeometry, TiledWindowsAreEightHundredSquareAndStayApartOnTheScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (int count : {1, 2, 3}) {
    std::vector<std::string> args{"-in"};
    for (int i = 0; i < count; i++) args.push_back(dataFile("sample.meshb"));
    Viewer v(args);
    std::vector<QRect> frames;
    for (int i = 0; i < count; i++) {
      MainWindow *w = v.window(i);
      ASSERT_TRUE(w && w->isVisible());
      frames.push_back(w->frameGeometry());
      EXPECT_EQ(w->pos(), zelTilePosition(count, i + 1, screen.width()));
      // The view spans the window, and the camera is told the size the view has.
      GLWidget *view = v.view(i);
      EXPECT_EQ(view->width(), 800);
      EXPECT_EQ(v.scene(i)->View->Width, view->width());
      EXPECT_EQ(v.scene(i)->View->Height, view->height());
    }
    expectTiled(frames, screen, std::to_string(count) + " windows");
  }
}

TEST(WindowGeometry, AWindowKeepsItsSizeWhenItShowsAMeshAgain) {
  WorkFolder work;
  work.copy("sample.meshb", "cube.meshb");
  Viewer v({"-in", "cube.meshb"});
  MainWindow *w = v.window(0);
  ASSERT_TRUE(w);
  const QRect first = w->geometry();
  EXPECT_EQ(first.size(), QSize(800, 800));
  for (int again = 0; again < 2; again++) {
    w->updateMesh();  // shows the mesh read again in the state it had
    settle();
    EXPECT_EQ(w->geometry(), first) << "show " << again + 2;
  }
}

TEST(WindowGeometry, TheFirstPictureHoldsTheWholeMesh) {
  Viewer v({"-in", dataFile("sample.meshb")});
  GLWidget *view = v.view(0);
  ASSERT_TRUE(view);
  view->updateGL();
  const QImage img = view->grabFrameBuffer();
  img.save(QString::fromStdString(testOutputDir() + "/gui-first-picture.png"));
  ASSERT_EQ(img.size(), view->size() * view->devicePixelRatio());
  const QRgb back = img.pixel(0, 0);
  // A band of 3 pixels along the border holds only the background; the mesh fills the middle.
  int border = 0, inside = 0;
  for (int y = 0; y < img.height(); y++)
    for (int x = 0; x < img.width(); x++) {
      const bool edge = x < 3 || y < 3 || x >= img.width() - 3 || y >= img.height() - 3;
      const bool mesh = img.pixel(x, y) != back;
      border += edge && mesh;
      inside += !edge && mesh;
    }
  EXPECT_EQ(border, 0);
  EXPECT_GT(inside, img.width() * img.height() / 5);
}

// At every view size the five palette labels (the first one negative), the time label and the
// axis corner stand apart, each whole inside the view: a glyph the view's edge cut would show
// a vertex on that edge in the feedback, one cut off entirely would be missing from the count.
// The views of 640 and 480 pixels are saved for a person to look at.
TEST(WindowGeometry, PaletteAndTimeLabelsStayWholeAndApartAtEveryViewSize) {
  Viewer v({"-in", dataFile("sample.meshb"), "-sol", dataFile("sample.solb")});
  MainWindow *w = v.window(0);
  GLWidget *view = v.view(0);
  ZelScene *s = v.scene(0);
  ASSERT_TRUE(w && view && s && s->VieSol);
  s->ActFld = 0;
  ZelPalette &pal = s->VieSol->ZelPal[0];
  pal.N = 5;
  const double iso[5] = {-0.999, -0.5, 0.25, 1, 1.75};  // "-9.99E-01", "-5.00E-01", "2.50E-01", ...
  std::copy(iso, iso + 5, pal.Iso);
  char time[64];
  snprintf(time, sizeof(time), "Time: %.3E [s]", s->Msh->Time);
  const int timeGlyphs = int(strlen(time));  // a space draws an empty glyph
  const QSize sizes[] = {{1200, 1200}, {800, 800}, {640, 640}, {480, 480}, {320, 320}, {200, 200}, {1200, 120}};
  for (const QSize size : sizes) {
    const int W = size.width(), H = size.height();
    SCOPED_TRACE(std::to_string(W) + " x " + std::to_string(H));
    view->makeCurrent();
    zelReshapeScene(s, W, H);
    const std::vector<Box> labels = textBoxes(captureFeedback([&] { view->drawPalette(); }), {9, 9, 8, 8, 8}, true);
    ASSERT_EQ(labels.size(), 5u);
    std::vector<Box> all = labels;
    all.push_back(textBoxes(captureFeedback([&] { view->drawTime(); }), {timeGlyphs}, false).at(0));
    Box axis;  // the trihedron's corner
    axis.x0 = 0.9f * W, axis.x1 = float(W), axis.y0 = 0, axis.y1 = 0.1f * H;
    for (size_t i = 0; i < all.size(); i++) {
      EXPECT_TRUE(all[i].x0 > 0 && all[i].x1 < W && all[i].y0 > 0 && all[i].y1 < H)
          << "text " << i << " spans x " << all[i].x0 << ".." << all[i].x1 << ", y " << all[i].y0 << ".." << all[i].y1;
      EXPECT_FALSE(all[i].meets(axis)) << "text " << i;
      for (size_t j = 0; j < i; j++) EXPECT_FALSE(all[i].meets(all[j])) << "texts " << j << " and " << i;
    }
    // Labels keep a readable size where the view has room: two thirds of the 30-pixel set.
    if (W >= 800 && H >= 800) {
      for (const Box &b : labels) EXPECT_GT(b.y1 - b.y0, 0.66f * 24);
    }
  }
  // The real window at 640 and 480: the saved picture has the view's size.
  s->Flags |= ZelFlgLegend | ZelFlgTime | ZelFlgAxis;
  for (int side : {640, 480}) {
    ScriptedDialogs answer({{QString("%1 x %1").arg(side)}});
    w->setWindowSize();
    settle();
    ASSERT_EQ(view->size(), QSize(side, side));
    view->updateGL();
    const QImage img = view->grabFrameBuffer();
    EXPECT_EQ(img.size(), QSize(side, side) * view->devicePixelRatio());
    img.save(QString::fromStdString(testOutputDir() + "/gui-palette-labels-" + std::to_string(side) + ".png"));
  }
}

// The built program on screens of two sizes: two and three tiled windows where they belong,
// each showing its mesh; the screens are saved for a person to look at.
TEST(WindowGeometry, TheProgramTilesTwoAndThreeWindowsOnScreensOfTwoSizes) {
  QDir work(QString::fromStdString(runDir()) + "/tiles");
  work.mkpath(".");
  QFile::copy(QString::fromStdString(dataFile("sample.meshb")), work.filePath("cube.meshb"));
  for (QSize size : {QSize(1280, 1024), QSize(1920, 1080)}) {
    const QString tag = QString("%1x%2").arg(size.width()).arg(size.height());
    QDir fb(work.filePath("screen-" + tag));
    fb.mkpath(".");
    QProcess xvfb;
    const int n = startXvfb(xvfb, {"-screen", "0", tag + "x24", "-fbdir", fb.path()});
    ASSERT_GE(n, 0) << "Xvfb did not start";
    const QString display = QString(":%1").arg(n);
    QElapsedTimer clock;
    auto x = std::make_unique<XScreenReader>(display.toStdString());
    ASSERT_TRUE(x && x->connected()) << "no display " << display.toStdString();
    for (int count : {2, 3}) {
      const std::string where = tag.toStdString() + ", " + std::to_string(count) + " windows";
      QProcess viewer;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1");
      env.insert("DISPLAY", display);
      viewer.setProcessEnvironment(env);
      viewer.setWorkingDirectory(work.path());
      QStringList args{"-in"};
      for (int i = 0; i < count; i++) args << "cube.meshb";
      viewer.start(buildProgram("zelvane"), args);
      ASSERT_TRUE(viewer.waitForStarted());
      // Until every window is there and the last one shows its mesh in the middle.
      std::vector<QRect> frames;
      QImage screen;
      auto ready = [&] {
        frames.clear();
        for (const XTopWindow &w : x->mainWindows()) frames.push_back(QRect(w.x, w.y, w.width, w.height));
        if (int(frames.size()) != count) return false;
        screen = readXwd(fb.filePath("Xvfb_screen0"));
        const QRect last = frames.back().intersected(QRect(QPoint(0, 0), size));
        return !screen.isNull() && !last.isEmpty() &&
               screen.pixel(last.center()) != screen.pixel(last.left() + 3, last.top() + 40);
      };
      clock.restart();
      while (!ready() && clock.elapsed() < 60000 && viewer.state() == QProcess::Running) QThread::msleep(250);
      QThread::msleep(500);  // the last paints
      screen = readXwd(fb.filePath("Xvfb_screen0"));
      if (!screen.isNull())
        screen.save(QString::fromStdString(testOutputDir() + "/gui-tiles-" + tag.toStdString() + "-" +
                                           std::to_string(count) + ".png"));
      viewer.kill();
      viewer.waitForFinished();
      ASSERT_EQ(int(frames.size()), count) << where << "\n" << viewer.readAllStandardError().toStdString();
      for (int i = 0; i < count; i++) EXPECT_EQ(frames[i].topLeft(), zelTilePosition(count, i + 1, size.width())) << where;
      expectTiled(frames, QRect(QPoint(0, 0), size), where);
      // Two windows side by side where two columns fit.
      if (size.width() >= 1600 && count == 2) {
        EXPECT_FALSE(frames[0].intersects(frames[1])) << where;
      }
    }
    x.reset();
    xvfb.terminate();
    xvfb.waitForFinished();
  }
}
