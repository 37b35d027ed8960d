// The view's mouse in a real window, as a user drives it: the middle button moves the mesh,
// Shift with it picks the vertex under the pointer, and a plain click turns whatever keys were
// pressed alone before it.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <string>
#include <vector>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelView.h"

namespace {

void mouse(GLWidget *view, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
           Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, at, view->mapToGlobal(at), button, held, mods);
  QApplication::sendEvent(view, &e);
}

// A press at `from`, three moves of `step` each, a release, all with one button.
void drag(GLWidget *view, Qt::MouseButton button, QPoint from, QPoint step) {
  mouse(view, QEvent::MouseButtonPress, from, button, button);
  for (int k = 1; k <= 3; k++) mouse(view, QEvent::MouseMove, from + k * step, Qt::NoButton, button);
  mouse(view, QEvent::MouseButtonRelease, from + 3 * step, button, Qt::NoButton);
}

// A click: press and release at one place.
void click(GLWidget *view, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
  mouse(view, QEvent::MouseButtonPress, at, button, button, mods);
  mouse(view, QEvent::MouseButtonRelease, at, button, Qt::NoButton, mods);
}

// The mean position of the pixels that differ from the background.
QPointF drawnCentre(const QImage &img, QColor back) {
  double x = 0, y = 0;
  long n = 0;
  for (int j = 0; j < img.height(); j++)
    for (int i = 0; i < img.width(); i++)
      if (img.pixelColor(i, j) != back) x += i, y += j, n++;
  return n ? QPointF(x / n, y / n) : QPointF(-1, -1);
}

std::vector<double> cameraOf(const ZelScene *s) { return std::vector<double>(s->View->Mat, s->View->Mat + 16); }

// The picks the scene holds: (number, kind) from the bottom.
std::vector<std::pair<int, int>> picks(const ZelScene *s) {
  std::vector<std::pair<int, int>> p;
  for (int i = 0; i <= s->Pck->Top; i++) p.emplace_back(s->Pck->Ent[i].Idx, s->Pck->Ent[i].Typ);
  return p;
}

// The node of an element whose window position, as the view projects it now, is nearest to
// the pointer at `at`.
int nearestNode(GLWidget *view, const ZelScene *s, int kind, int number, QPoint at) {
  view->makeCurrent();
  GLdouble mv[16], pr[16];
  GLint vp[4];
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixd(s->View->Mat);
  glTranslated(-s->View->Ctr[0], -s->View->Ctr[1], -s->View->Ctr[2]);
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glPopMatrix();
  glGetDoublev(GL_PROJECTION_MATRIX, pr);
  glGetIntegerv(GL_VIEWPORT, vp);
  const double x = at.x(), y = vp[3] - 1 - at.y();
  const ZelElems e = zelElems(s->Msh, kind);
  int best = 0;
  double bestD = 0;
  for (int k = 0; k < e.NbrNod; k++) {
    const int n = e.ver(number)[k];
    const float *c = s->ZelMsh->Crd[n];
    double wx, wy, wz;
    gluProject(c[0], c[1], c[2], mv, pr, vp, &wx, &wy, &wz);
    const double d = (wx - x) * (wx - x) + (wy - y) * (wy - y);
    if (!best || d < bestD) best = n, bestD = d;
  }
  return best;
}

// The sample box shown in a window, drawn once; c the middle of its view.
struct ViewMouse : ::testing::Test {
  Viewer v{{"-in", dataFile("sample.meshb")}};
  GLWidget *view = v.view(0);
  ZelScene *s = v.scene(0);
  const QPoint c{view->width() / 2, view->height() / 2};
  const QImage first = view->grabScene();
};

}  // namespace

TEST_F(ViewMouse, TheMiddleButtonMovesTheMeshUnderThePointerWithoutPicking) {
  const QColor back(int(s->Back[0]), int(s->Back[1]), int(s->Back[2]));
  // Each drag: the picture follows the pointer along its direction, a good part of the way
  // (the part of the mesh pushed out of the view moves the drawn centre less), and hardly
  // across it.
  const struct {
    QPoint step;
  } rows[] = {{{30, 0}}, {{0, 25}}, {{-20, -20}}};
  for (const auto &r : rows) {
    const QPointF from = drawnCentre(view->grabScene(), back);
    drag(view, Qt::MiddleButton, c, r.step);
    const QImage after = view->grabScene();
    after.save(QString::fromStdString(testOutputDir() + "/gui-middle-pan.png"));
    const QPointF moved = drawnCentre(after, back) - from;
    const QPointF dragged = 3 * QPointF(r.step);
    const double along = QPointF::dotProduct(moved, dragged) / QPointF::dotProduct(dragged, dragged);
    EXPECT_GT(along, 0.3) << moved.x() << " " << moved.y();
    EXPECT_LT(along, 2.0) << moved.x() << " " << moved.y();
    const double across = std::fabs(moved.x() * dragged.y() - moved.y() * dragged.x()) / std::hypot(dragged.x(), dragged.y());
    EXPECT_LT(across, 0.35 * std::hypot(moved.x(), moved.y()) + 2.0) << moved.x() << " " << moved.y();
  }
  EXPECT_EQ(s->Pck->Top, -1) << "a plain middle drag picks nothing";
}

// Shift and the middle button pick the node of the element under the pointer nearest to it;
// Shift and the left button at the same place pick that element. A pick takes the place of the
// one before it and prints its report.
TEST_F(ViewMouse, ShiftWithTheMiddleButtonPicksAVertexOfTheElementUnderThePointer) {
  for (const QPoint at : {c, c + QPoint(31, -17), c + QPoint(-40, 22)}) {
    CaptureStdout();
    click(view, at, Qt::LeftButton, Qt::ShiftModifier);
    const std::string elementReport = GetCapturedStdout();
    const std::vector<std::pair<int, int>> element = picks(s);
    CaptureStdout();
    click(view, at, Qt::MiddleButton, Qt::ShiftModifier);
    const std::string vertexReport = GetCapturedStdout();
    const std::vector<std::pair<int, int>> vertex = picks(s);
    ASSERT_EQ(element.size(), 1u) << at.x() << "," << at.y();
    ASSERT_EQ(vertex.size(), 1u) << at.x() << "," << at.y();
    const int kind = element[0].second, number = element[0].first;
    EXPECT_NE(kind, KmfVertices);
    EXPECT_EQ(vertex[0].second, KmfVertices);
    const ZelElems e = zelElems(s->Msh, kind);
    ASSERT_TRUE(e.exists() && number >= 1 && number <= e.Count) << kind << " " << number;
    EXPECT_EQ(vertex[0].first, nearestNode(view, s, kind, number, at)) << kind << " " << number;
    EXPECT_EQ(elementReport.rfind("[1] ", 0), 0u) << elementReport;
    EXPECT_NE(vertexReport.find("[1]   Vertex "), std::string::npos) << vertexReport;
  }
}

// Shift and the left button pick the Q2 quadrilateral under the pointer.
TEST(ViewMousePicking, ShiftWithTheLeftButtonPicksAQ2Quadrilateral) {
  Viewer v(
      [](Memory_List *mem) {
        Geometric_Mesh *lin = MakeStructuredMesh(mem, 3, 3, 0, GEN_QUA);
        Geometric_Mesh *curved = MakeSecondOrderCopy(mem, lin);
        FreeCommonMesh(mem, lin);
        return curved;
      },
      0);
  GLWidget *view = v.view(0);
  CaptureStdout();
  click(view, QPoint(view->width() / 2, view->height() / 2), Qt::LeftButton, Qt::ShiftModifier);
  GetCapturedStdout();
  EXPECT_EQ(picks(v.scene(0)), (std::vector<std::pair<int, int>>{{5, KmfQuadrilateralsQ2}}));
}

// A modifier pressed alone (Shift before ">", Alt before F1) leaves its key bit in the view's
// record; the next plain click is still a turn, never a pick.
TEST_F(ViewMouse, APlainClickAfterALoneShiftOrAltKeyTurnsAndPicksNothing) {
  for (const Qt::Key lone : {Qt::Key_Shift, Qt::Key_Alt, Qt::Key_Control}) {
    QKeyEvent press(QEvent::KeyPress, lone, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    const std::vector<double> before = cameraOf(s);
    CaptureStdout();
    drag(view, Qt::LeftButton, c, QPoint(12, 5));
    view->updateGL();
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(s->Pck->Top, -1) << lone;
    EXPECT_EQ(out.find("[1] "), std::string::npos) << out;
    EXPECT_NE(cameraOf(s), before) << lone;
  }
}

namespace {

// Which vertices lie on the positive side of a plane, and which tetrahedra it cuts (some
// node on each side), as the marking is to find them.
struct Sides {
  std::vector<bool> vertices, tetrahedra;
  bool operator==(const Sides &o) const { return vertices == o.vertices && tetrahedra == o.tetrahedra; }
};

Sides sidesOf(Geometric_Mesh *m, const double pla[4]) {
  Sides out;
  for (int v = 1; v <= m->NbrVer; v++) {
    const double *p = m->Ver[v].Crd;
    out.vertices.push_back(pla[0] * p[0] + pla[1] * p[1] + pla[2] * p[2] + pla[3] > 0);
  }
  const ZelElems t = zelElems(m, KmfTetrahedra);
  for (int i = 1; i <= t.Count; i++) {
    int positive = 0;
    for (int k = 0; k < 4; k++) positive += out.vertices[t.ver(i)[k] - 1];
    out.tetrahedra.push_back(positive > 0 && positive < 4);
  }
  return out;
}

Sides marked(Geometric_Mesh *m) {
  Sides out;
  for (int v = 1; v <= m->NbrVer; v++) out.vertices.push_back(m->Ver[v].Tag & TAG_CLIPPED);
  const ZelElems t = zelElems(m, KmfTetrahedra);
  for (int i = 1; i <= t.Count; i++) out.tetrahedra.push_back(*t.tag(i) & TAG_CLIPPED);
  return out;
}

int differences(const std::vector<bool> &a, const std::vector<bool> &b) {
  int n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); i++) n += a[i] != b[i];
  return n + int(a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

}  // namespace

// F1 switches the plane on, F2 enters clip edit; a middle drag moves the plane, a left drag
// turns it, and the release marks the mesh against where the plane now is, not where it was.
TEST_F(ViewMouse, ReleasingAClipPlaneDraggedInClipEditMarksTheMeshAgainstItsNewPlace) {
  QTest::keyClick(view, Qt::Key_F1);
  QTest::keyClick(view, Qt::Key_F2);
  settle();
  ASSERT_EQ(s->Mode, 1u);
  ZelPlaEntity *pla = s->ZelMsh->Pla;
  ASSERT_TRUE(pla && pla->On);
  const struct {
    const char *what;
    Qt::MouseButton button;
    QPoint step;
  } rows[] = {{"moved down", Qt::MiddleButton, {0, 25}},
              {"moved up", Qt::MiddleButton, {0, -40}},
              {"turned", Qt::LeftButton, {30, 12}}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    const std::vector<double> was(pla->Pla[pla->Cur], pla->Pla[pla->Cur] + 4);
    const Sides before = marked(s->Msh);
    ASSERT_TRUE(before == sidesOf(s->Msh, was.data()));
    drag(view, r.button, c, r.step);
    settle();
    const double *now = pla->Pla[pla->Cur];
    const Sides want = sidesOf(s->Msh, now);
    // The premise: the plane crossed some vertices.
    ASSERT_GT(differences(want.vertices, before.vertices), 10);
    const Sides got = marked(s->Msh);
    EXPECT_EQ(differences(got.vertices, want.vertices), 0);
    EXPECT_EQ(differences(got.tetrahedra, want.tetrahedra), 0);
  }
}
