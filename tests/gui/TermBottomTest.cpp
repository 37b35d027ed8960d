// The terminal and the bottom bar, driven by the object names of their widgets.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QTest>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/DisplayScene.h"
#include "tests/support/MeshFixtures.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelPageMakers.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelMatrix.h"
#include "zelvane/scene/ZelPath.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelStack.h"

namespace {

// The two sample windows: 1 the box with its field, 2 the grid of triangles with edges; or
// the one window of the mesh `make` builds.
struct Bar {
  Viewer v{{"-in", dataFile("sample.meshb"), dataFile("edges.meshb"), "-sol", dataFile("sample.solb")}};
  MessageLog log;
  Bar() = default;
  explicit Bar(const std::function<Geometric_Mesh *(Memory_List *)> &make) : v(make, 0) {}

  template <class W>
  W *widget(int window, const char *name) {
    MainWindow *w = v.window(window - 1);
    return w->findChild<W *>(QString("%1_%2").arg(name).arg(w->index()));
  }
  // Chooses a pick-combo item by its text, as a user or a replay does.
  void choose(int window, const char *combo, const char *item) {
    QZelComboBox *box = widget<QZelComboBox>(window, combo);
    ASSERT_TRUE(box);
    const int row = box->findText(item);
    ASSERT_GE(row, 0) << item;
    box->zelActivated(row);
  }
  // Types into the input line and presses Return; the standard output of it.
  std::string type(int window, const char *text) {
    QZelLineEdit *line = widget<QZelLineEdit>(window, "Input");
    line->setText(text);
    CaptureStdout();
    QTest::keyClick(line, Qt::Key_Return);
    return GetCapturedStdout();
  }
  QString lastMessage() const { return log.shown.empty() ? QString() : log.shown.back().text; }
  const GeoHybridStack *picks(int window) { return v.scene(window - 1)->Pck; }
};

}  // namespace

TEST(Terminal, ReportsAreShownAndEchoedWholeWithTheWindowNumber) {
  Bar bar;
  ZelTerm *term = bar.v.window(1)->centralWindow()->term();
  CaptureStdout();
  pterm(bar.v.scene(1)->Win, "<p>a<br/>b</p>");
  EXPECT_EQ(GetCapturedStdout(), "[2] a\nb\n");
  EXPECT_TRUE(term->toPlainText().endsWith("\na\nb")) << term->toPlainText().toStdString();

  const std::string report = "<p>" + std::string(4992, 'r') + "end</p>";
  CaptureStdout();
  pterm(bar.v.scene(1)->Win, "%s", report.c_str());
  EXPECT_EQ(GetCapturedStdout(), "[2] " + std::string(4992, 'r') + "end\n");
  EXPECT_TRUE(term->toPlainText().endsWith(QString(4992, 'r') + "end"));

  CaptureStdout();
  pterm(nullptr, "nowhere");
  EXPECT_EQ(GetCapturedStdout(), "");
}

// Control bytes that reach a terminal line or a box unescaped (a name no line escaped) show as
// "\xHH" in the terminal and in its echo, on a line of plain text, on a rich-text report and in
// the text of a box while unattended; the text's own line breaks stay breaks, so the echo has
// the text's lines and drives no terminal.
TEST(Terminal, ControlBytesOfALineShowEscapedInTheTerminalAndItsEcho) {
  Bar bar;
  Window *window = bar.v.window(0)->centralWindow();
  auto unattendedBox = [&](const char *text) {
    auto terminal = [&](const QString &html) { window->printTerm(html); };
    const ZelUnattended previous = zelSetUnattended({[] { return true; }, terminal, {}});
    ZelMessage(text, QMessageBox::Warning, Qt::PlainText);
    zelSetUnattended(previous);
  };
  const struct {
    const char *what;
    std::function<void()> write;
    const char *shown;              // how the terminal's text ends
    std::string Captured::*stream;  // the stream the text goes to besides the terminal
    const char *echo;               // all that stream receives
  } rows[] = {
      {"a plain text line", [&] { ptermText(window, "%s", "  Write e\x1b[31mRED\ry\x7f.mesh\nnext"); },
       "  Write e\\x1b[31mRED\\x0dy\\x7f.mesh\nnext", &Captured::Out,
       "[1]   Write e\\x1b[31mRED\\x0dy\\x7f.mesh\nnext\n"},
      {"a rich-text report", [&] { pterm(window, "%s", "<p>e\x1b[31mRED\ry\x07<br/>next</p>"); },
       "e\\x1b[31mRED\\x0dy\\x07\nnext", &Captured::Out, "[1] e\\x1b[31mRED\\x0dy\\x07\nnext\n"},
      {"the text of a box while unattended", [&] { unattendedBox("Cannot read e\x1b[31mRED\ry\nnext"); },
       "Cannot read e\\x1b[31mRED\\x0dy\nnext", &Captured::Err, "Cannot read e\\x1b[31mRED\\x0dy\nnext\n"},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    const Captured c = CaptureText(r.write);
    EXPECT_EQ(c.*r.stream, r.echo);
    const QString shown = window->term()->toPlainText();
    EXPECT_TRUE(shown.endsWith(QString::fromLatin1(r.shown))) << shown.toStdString();
  }
}

// A mesh named with markup: every line that quotes a name (Update Mesh when its state file
// cannot be written or its mesh is cut short, a mesh opened from the menu, Write Mesh, a path
// file that cannot be opened, a save warning of an unattended run) shows the name's characters
// and the whole message in the terminal; the echo quotes the name as it is.
TEST(Terminal, ANameWithMarkupIsShownAsTextInEveryLineThatQuotesIt) {
  WorkFolder folder;
  const std::string mesh = "a<b>B<!--.meshb", state = "a<b>B<!--temp.state";
  folder.copy("sample.meshb", mesh);
  Viewer v({"-in", mesh});
  MainWindow *w = v.window(0);
  const QString opened = QFileInfo(QString::fromStdString(mesh)).absoluteFilePath();
  const struct {
    const char *what;
    std::function<void()> act;
    std::string line, tail;  // the line from its start, and how it ends when that varies
    int echo;                // 1 on standard output after "[1] ", 2 on standard error, 0 none
  } rows[] = {
      {"Update Mesh whose state file cannot be written", [&] { QDir().mkdir(state.c_str()), w->updateMesh(); },
       "  Update Mesh: " + state + " not written (", "); the states are carried in memory", 1},
      {"a mesh opened from the menu", [&] { ScriptedDialogs d({{opened}}); w->open(); },
       "NbrFil 1 Files " + opened.toStdString(), "", 1},
      {"Write Mesh", [&] { ScriptedDialogs d({{"c<i>I<!--.mesh"}}); w->writeMesh(); }, "  Write c<i>I<!--.mesh", "", 0},
      {"a path file that cannot be opened",
       [&] {
         ScriptedDialogs d({{"d<b>D<!--.path"}});
         QZelComboBox *pick = w->findChild<QZelComboBox *>("Pick_1");
         pick->zelActivated(pick->findText("From File"));
       },
       " path: failed to open d<b>D<!--.path", "", 1},
      // Without a "<" the terminal would not even read the escaped text as rich text.
      {"a save warning of an unattended run",
       [&] {
         auto terminal = [&](const QString &html) { w->centralWindow()->printTerm(html); };
         const ZelUnattended previous = zelSetUnattended({[] { return true; }, terminal, {}});
         zelWarnWriteFailed("R&D>1.png", "the disk is full");
         zelSetUnattended(previous);
       },
       "Cannot write R&D>1.png: the disk is full", "", 2},
      // The menu's answer made the window's source an absolute name.
      {"Update Mesh of a mesh cut short", [&] { fixtures::SaveText(mesh, "MeshVersion"), w->updateMesh(); },
       "  Update Mesh: " + opened.toStdString() + " was not read whole (", "); the window keeps the mesh it shows", 1},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    w->centralWindow()->term()->clear();
    const Captured c = CaptureText(r.act);
    const std::string shown = w->centralWindow()->term()->toPlainText().toStdString();
    EXPECT_CONTAINS(shown, r.line);
    EXPECT_CONTAINS(shown, r.tail);
    if (r.echo) {
      const std::string &echo = r.echo == 1 ? c.Out : c.Err;
      EXPECT_CONTAINS(echo, (r.echo == 1 ? "[1] " : "") + r.line);
      EXPECT_CONTAINS(echo, r.tail);
    }
  }
}

TEST(BottomBar, TheInputLineLooksElementsUpByKind) {
  Bar bar;
  // "None": no kind to look up.
  bar.type(1, "5");
  EXPECT_EQ(bar.lastMessage(), "Big Problem\nUnknown type unknow type in fonction validregExp (class ZelBottom)");

  bar.choose(1, "Pick", "Vertex");
  bar.type(1, "");
  EXPECT_EQ(bar.lastMessage(), QString("Out Of Bound\nMax Number of vertices = %1").arg(bar.v.scene(0)->Msh->NbrVer));

  bar.choose(1, "Pick", "Triangle");
  const std::string report = bar.type(1, "12");
  ASSERT_EQ(bar.picks(1)->Top, 0);
  EXPECT_EQ(bar.picks(1)->Ent[0].Idx, 12);
  EXPECT_EQ(bar.picks(1)->Ent[0].Typ, 6);
  EXPECT_EQ(report.rfind("[1] ", 0), 0u) << report;
  bar.type(1, "1,2,3");
  EXPECT_EQ(bar.lastMessage(), "Function Find triangles with 3 Vertices Not Implemented");
  bar.type(1, "1;2");
  EXPECT_EQ(bar.lastMessage(), "Bad Expression in Input Area.");

  // Edges: two vertex numbers, or nothing on the stack.
  bar.choose(2, "Pick", "Edge");
  bar.type(2, "3,7");
  ASSERT_EQ(bar.picks(2)->Top, 1);
  EXPECT_EQ(bar.picks(2)->Ent[0].Idx, 3);
  EXPECT_EQ(bar.picks(2)->Ent[1].Idx, 7);
  EXPECT_EQ(bar.picks(2)->Ent[1].Typ, 200);
  bar.type(2, "3,99999999");
  EXPECT_EQ(bar.picks(2)->Top, -1);
  EXPECT_EQ(bar.lastMessage(), "Vertices (3 99999999) do not constitute an Edge ");
}

// A list of vertex numbers is read by the chosen kind's number of vertices: that many name an
// element (whose search by vertices is not built), one fewer is no form at all.
TEST(BottomBar, AVertexListIsReadByTheChosenKindsVertexCount) {
  Bar bar(EveryKindMesh);
  const struct {
    const char *item, *name;
    int count;
  } rows[] = {
      {"Triangle", "triangles", 3},         {"Triangle P2", "p2-triangles", 3},
      {"Quadrilateral", "quads", 4},        {"Quadrilateral P2", "p2-quads", 4},
      {"Tetrahedron", "tetrahedra", 4},     {"Tetrahedron P2", "p2-tetrahedra", 4},
      {"Pyramid", "pyramids", 5},           {"Prism", "prisms", 6},
      {"Hexahedron", "hexahedra", 8},       {"Hexahedron P2", "p2-hexahedra", 8},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.item);
    bar.choose(1, "Pick", r.item);
    QStringList numbers;
    for (int k = 1; k <= r.count; k++) numbers << QString::number(k);
    bar.type(1, numbers.join(',').toLatin1().constData());
    EXPECT_EQ(bar.lastMessage().toStdString(),
              QString("Function Find %1 with %2 Vertices Not Implemented").arg(r.name).arg(r.count).toStdString());
    numbers.removeLast();
    bar.type(1, numbers.join(',').toLatin1().constData());
    EXPECT_EQ(bar.lastMessage().toStdString(), "Bad Expression in Input Area.");
  }
}

TEST(BottomBar, NewRefChangesTheReferenceAroundTheLastPickedTriangleOnly) {
  static std::vector<std::pair<int, int>> changes;
  changes.clear();
  const ZelPageMakers saved = zelPageMakers();
  zelPageMakers().chgRefTri = [](ZelScene *, int element, int ref) {
    changes.push_back({element, ref});
    return 1;
  };
  {
    Bar bar;
    bar.choose(1, "Pick", "New Ref");
    bar.type(1, "7");
    EXPECT_EQ(bar.lastMessage(), "Big Problem\nNo Element in Stack");
    geoPushHybridStack(bar.v.scene(0)->Pck, 3, 4);
    bar.type(1, "7");
    EXPECT_EQ(bar.lastMessage(), "Big Problem\nImpossible to Change Ref on vertices");
    geoPushHybridStack(bar.v.scene(0)->Pck, 21, 6);
    const size_t shown = bar.log.shown.size();
    bar.type(1, "-4");
    EXPECT_EQ(bar.log.shown.size(), shown);
    EXPECT_EQ(bar.picks(1)->Top, -1);
  }
  zelPageMakers() = saved;
  EXPECT_EQ(changes, (std::vector<std::pair<int, int>>{{21, -4}}));
}

TEST(BottomBar, SolutionAndPathChoices) {
  Bar bar;
  QZelComboBox *sol = bar.widget<QZelComboBox>(1, "Sol");
  ASSERT_EQ(sol->count(), 2);
  EXPECT_EQ(sol->itemText(1), "1 Scalar ");
  EXPECT_EQ(bar.widget<QZelComboBox>(2, "Sol")->count(), 1);
  bar.choose(1, "Sol", "1 Scalar ");
  EXPECT_EQ(bar.v.scene(0)->ActFld, 0);
  EXPECT_TRUE(bar.v.window(0)->solTool()->isVisible());
  bar.choose(1, "Sol", "0 NoSolution");
  EXPECT_EQ(bar.v.scene(0)->ActFld, -1);
  // The list follows the active field wherever it changes: a key in the view, the solution
  // window's selection panel.
  CaptureText([&] { QTest::keyClick(bar.v.view(0), 'm'); });
  ASSERT_EQ(bar.v.scene(0)->ActFld, 0);
  EXPECT_EQ(sol->currentIndex(), 1);
  auto *panel = bar.v.window(0)->findChild<QZelComboBox *>("select:1:%2");
  ASSERT_TRUE(panel);
  CaptureText([&] { panel->zelActivated(0); });
  ASSERT_EQ(bar.v.scene(0)->ActFld, -1);
  EXPECT_EQ(sol->currentIndex(), 0);
  CaptureText([&] { panel->zelActivated(1); });
  EXPECT_EQ(sol->currentIndex(), 1);

  // "From File" reads a path file through the dialog provider.
  struct PathFile : ZelDialogs {
    QString file;
    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override { return file; }
  } dialogs;
  dialogs.file = QString::fromStdString(runDir() + "/three.path");
  std::ofstream(dialogs.file.toStdString()) << "0 0 0\n1 0 0\n1 1 0\n";
  ZelDialogs *previous = zelSetDialogs(&dialogs);
  CaptureStdout();
  bar.choose(1, "Pick", "From File");
  const std::string out = GetCapturedStdout();
  zelSetDialogs(previous);
  EXPECT_NE(out.find("[1]  path: 3 vertices loaded"), std::string::npos) << out;
  ASSERT_TRUE(bar.v.scene(0)->Path);
  EXPECT_EQ(bar.v.scene(0)->Path->NbrVer, 3);
  EXPECT_TRUE(bar.v.scene(0)->Flags & ZelFlgPaths);
  bar.type(1, "4");
  EXPECT_EQ(bar.lastMessage(),
            "Big Problem\nUnknown type normal at vertices in fonction validregExp (class ZelBottom)");
}

// Points typed for a path make one path that the scene owns and frees; a new scene (Update
// Mesh) starts a path of its own for the points typed next.
TEST(BottomBar, TypedPathPointsGoWithTheirSceneAndStartAnewInTheNext) {
  Bar bar;
  bar.choose(1, "Pick", "Vertex");
  bar.type(1, "1.,2.,3.");
  bar.type(1, "4.,5.,6.");
  ZelScene *s = bar.v.scene(0);
  ASSERT_TRUE(s->Path);
  EXPECT_EQ(s->Path->NbrVer, 2);
  EXPECT_FALSE(s->Path->Nxt);
  bar.v.window(0)->updateMesh();
  s = bar.v.scene(0);
  ASSERT_TRUE(s);
  EXPECT_FALSE(s->Path);
  bar.choose(1, "Pick", "Vertex");
  bar.type(1, "7.,8.,9.");
  ASSERT_TRUE(s->Path);
  EXPECT_EQ(s->Path->NbrVer, 1);
  EXPECT_EQ(s->Path->Ver[1][2], 9.0);
}

// "Free Terminal" moves the terminal into its own window, which grows with its content;
// "Lock Terminal" docks it under the view again at its fixed height. The docked bit of the
// module mask follows, and the action's text names the next move.
TEST(Terminal, FreeAndLockMoveTheTerminalOutOfTheWindowAndBack) {
  Bar bar;
  Window *window = bar.v.window(0)->centralWindow();
  ZelTerm *term = window->term();
  QZelAction *detach = bar.v.window(0)->findChild<QZelAction *>("detach_1");
  ASSERT_TRUE(term && detach && window->termTool());
  ASSERT_EQ(detach->text(), "Free Terminal");
  const int docked = term->moduleMask() & 0x10;
  ASSERT_TRUE(docked);
  const int height = term->termHeight();

  detach->trigger();
  settle();
  EXPECT_EQ(detach->text(), "Lock Terminal");
  EXPECT_EQ(term->parentWidget(), window->termTool());
  EXPECT_TRUE(window->termTool()->isVisible());
  EXPECT_TRUE(window->termTool()->isWindow());
  EXPECT_EQ(term->moduleMask() & 0x10, 0);
  EXPECT_EQ(term->minimumHeight(), height);
  EXPECT_GT(term->maximumHeight(), height);

  detach->trigger();
  settle();
  EXPECT_EQ(detach->text(), "Free Terminal");
  EXPECT_EQ(term->parentWidget(), window);
  EXPECT_EQ(window->layout()->indexOf(term), 1);
  EXPECT_TRUE(term->isVisible());
  EXPECT_FALSE(window->termTool()->isVisible());
  EXPECT_EQ(term->moduleMask() & 0x10, docked);
  EXPECT_EQ(term->minimumHeight(), height);
  EXPECT_EQ(term->maximumHeight(), height);
}

namespace {

std::vector<double> cameraOf(const ZelScene *s) { return std::vector<double>(s->View->Mat, s->View->Mat + 16); }

// Cameras equal to what a saved view or state keeps of them.
void expectCamera(const ZelScene *s, const std::vector<double> &want, const std::string &what) {
  for (int k = 0; k < 16; k++) EXPECT_NEAR(s->View->Mat[k], want[k], 1e-5) << what << ", entry " << k;
}

}  // namespace

// The view list: the saved cameras by their entries, "Initial View" the first camera. The
// state list: a saved state's flags and camera by its entry, "Initial State" the first ones.
TEST(BottomBar, ChoosingASavedViewOrStateInTheListsRestoresIt) {
  Bar bar;
  ZelScene *s = bar.v.scene(0);
  const double axis[3] = {1, 1, 0};
  const std::vector<double> initial(s->View->IniMat, s->View->IniMat + 16);
  QZelPushButton *saveView = bar.v.window(0)->findChild<QZelPushButton *>("_1_pushView");
  ASSERT_TRUE(saveView);
  std::vector<std::vector<double>> saved;
  for (int k = 0; k < 2; k++) {
    zelRotate(s->View->Mat, axis, 20 + 30 * k);
    saved.push_back(cameraOf(s));
    saveView->click();
  }
  zelRotate(s->View->Mat, axis, 80);
  for (int k : {0, 1, 0}) {
    bar.choose(1, "View", k ? "View 2" : "View 1");
    expectCamera(s, saved[k], k ? "View 2" : "View 1");
  }
  bar.choose(1, "View", "Initial View");
  expectCamera(s, initial, "Initial View");

  const uint32_t shown = ZelFlgAxis | ZelFlgBox;
  ASSERT_EQ(s->Flags & shown, 0u);
  s->Flags |= ZelFlgAxis;
  zelRotate(s->View->Mat, axis, 110);
  const std::vector<double> stateCamera = cameraOf(s);
  bar.v.window(0)->action(ActSaveState)->trigger();
  QZelComboBox *states = bar.widget<QZelComboBox>(1, "State");
  ASSERT_EQ(states->count(), 2);
  s->Flags ^= shown;
  zelRotate(s->View->Mat, axis, 140);
  bar.choose(1, "State", states->itemText(1).toUtf8().constData());
  EXPECT_EQ(s->Flags & shown, uint32_t(ZelFlgAxis));
  expectCamera(s, stateCamera, "the saved state");
  bar.choose(1, "State", "Initial State");
  EXPECT_EQ(s->Flags & shown, 0u);
  expectCamera(s, initial, "Initial State");
}
