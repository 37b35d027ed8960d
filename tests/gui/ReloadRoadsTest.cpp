// The roads by which a window reads a solution again (auto-update, "Check for new solution
// file", Select Solution, the switch, Update Mesh, `>`) as a user takes them: the window after
// each shows what a fresh open of the same files shows (the solution window's palette boxes,
// the bottom bar's fields, the time, the view); a file of other fields is refused in words a
// user reads; every road says in the terminal what it says on standard error, once each.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "tests/support/LoadFixtures.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelBottom.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// The vertices of the generated sample box.
int boxVertices() {
  static const int n = [] {
    fixtures::LoadContext ctx;
    Geometric_Mesh *m = ctx.Load({dataFile("sample.meshb")});
    const int count = m ? m->NbrVer : 0;
    if (m) ctx.Free(m);
    return count;
  }();
  return n;
}

QByteArray number(double v) { return QByteArray::number(v, 'g', 17); }

// A text solution of n vertices holding fields of the given types, each value rising from lo
// by 1.4 over the vertices, with the time when `time` is not negative.
QByteArray fieldsFile(int n, double lo, double time, const std::vector<int> &types = {1, 2}) {
  QByteArray t = "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n" + QByteArray::number(n) + "\n" +
                 QByteArray::number(int(types.size()));
  for (int type : types) t += " " + QByteArray::number(type);
  t += "\n";
  for (int i = 0; i < n; i++) {
    const double a = lo + 1.4 * i / (n > 1 ? n - 1 : 1);
    for (int type : types) {
      const std::vector<double> v = type == 1 ? std::vector<double>{a}
                                    : type == 2 ? std::vector<double>{a, 2 * a, 1}
                                                : std::vector<double>{a, 0, a, 0, 0, a};
      for (double x : v) t += number(x) + " ";
    }
    t += "\n";
  }
  if (time >= 0) t += "Time\n" + number(time) + "\n";
  return t + "End\n";
}

// The same solution as a solver writes it in binary: n vertices of the given types (dim the
// file's dimension), `values` per vertex.
QByteArray binaryFile(int n, int dim, const std::vector<int> &types, int values) {
  fixtures::FixtureFile f;
  f.Dim = dim;
  std::vector<double> v;
  for (int i = 0; i < n * values; i++) v.push_back(1.25 + i / 16.0);
  f.Sections.push_back(fixtures::SolutionSec(62, "SolAtVertices", types, n, v));
  const std::vector<unsigned char> bytes = fixtures::RawBinary(f, false);
  return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

void save(const std::string &name, const QByteArray &bytes) {
  QFile f(QString::fromStdString(name));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

// One road by which the window on "m.1.meshb" (its solution "m.1.sol" beside it) reads a
// solution again: where the road reads the file, what the user does, and the command line that
// opens the same files afresh.
struct Road {
  const char *name;
  std::vector<std::string> files;  // where the road finds the file
  std::function<void(MainWindow *)> take;
  std::vector<std::string> fresh;
  bool refuses;  // reads into the fields shown, so refuses a file of other ones
};

std::vector<Road> roads() {
  const auto menu = [](const char *entry, std::vector<QStringList> answers) {
    return [=](MainWindow *w) {
      ScriptedDialogs dialogs(answers);
      ASSERT_TRUE(chooseInContextMenu(w, entry));
    };
  };
  const std::vector<std::string> next = {"-in", "m.1.meshb", "-sol", "next.sol"};
  return {
      {"auto-update", {"next.sol"},
       [](MainWindow *w) {
         save("m.1_UpdSol.zelvane", "next.sol\n");
         w->TimerSolUpdt();
         w->solutionTimer()->stop();  // polled by hand
         w->autoUpdate();
       },
       next, true},
      {"check", {"next.sol"},
       [menu](MainWindow *w) {
         save("m.1_UpdSol.zelvane", "next.sol\n");
         menu("&Check for new solution file", {})(w);
       },
       next, true},
      {"select", {"next.sol"}, menu("&Select Solution", {{"next.sol"}}), next, true},
      {"switch", {"m.1.2.sol"}, menu("&Activate solution files switch", {{"2"}}),
       {"-in", "m.1.meshb", "-sol", "m.1.2.sol"}, true},
      {"update-mesh", {"m.1.sol"}, menu("&Update Mesh", {}), {"-in", "m.1.meshb"}, false},
      {"next-mesh", {"m.2.sol"},
       [](MainWindow *w) {
         QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, ">");
         w->keyPressEvent(&e);
       },
       {"-in", "m.2.meshb"}, false},
      {"previous-mesh", {"m.0.sol"},
       [](MainWindow *w) {
         QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, "<");
         w->keyPressEvent(&e);
       },
       {"-in", "m.0.meshb"}, false},
  };
}

// What a window shows around and in its view.
struct Shown {
  std::vector<QString> boxes;  // per field: its iso entries, scale, colour map, Hide and Time
  QStringList fields;          // the bottom bar's list of fields
  double time = -1;
  QImage view;
};

Shown shownBy(MainWindow *w, GLWidget *view) {
  Shown s;
  if (ZelTool *sol = w->solTool())
    for (int f = 0;; f++) {
      const QString pfx = QString("_%1_%2").arg(f).arg(w->index());
      const QWidget *group = sol->findChild<QWidget *>(pfx + "palGroup");
      if (!group) break;
      QString box;
      // The iso entries are the group's unnamed line edits.
      for (const QLineEdit *e : group->findChildren<QLineEdit *>())
        if (e->objectName().isEmpty()) box += e->text() + " ";
      for (const char *c : {"typePal", "colPal"}) box += sol->findChild<QComboBox *>(pfx + c)->currentText() + " ";
      for (const char *c : {"displayPal", "displayTime"}) box += sol->findChild<QZelCheckBox *>(pfx + c)->isChecked() ? "x" : "-";
      s.boxes.push_back(box);
    }
  const QComboBox *fields = w->centralWindow()->bottom()->solCombo();
  for (int i = 0; i < fields->count(); i++) s.fields << fields->itemText(i);
  if (const ZelScene *scene = w->getScene(); scene && scene->Msh) s.time = scene->Msh->Time;
  s.view = view->grabScene();
  return s;
}

void expectSame(const Shown &got, const Shown &want) {
  EXPECT_EQ(got.boxes, want.boxes);
  EXPECT_EQ(got.fields, want.fields);
  EXPECT_EQ(got.time, want.time);
  EXPECT_TRUE(got.view == want.view) << "the views differ";
}

// A folder holding "m.1.meshb" (the sample box) with "m.1.sol" beside it (time 2), and the
// previous and next meshes "m.0.meshb" and "m.2.meshb" of the series.
struct Series {
  WorkFolder folder;
  int n = boxVertices();
  Series() {
    folder.copy("sample.meshb", "m.0.meshb");
    folder.copy("sample.meshb", "m.1.meshb");
    folder.copy("sample.meshb", "m.2.meshb");
    save("m.1.sol", fieldsFile(n, 1, 2));
  }
};

std::unique_ptr<Viewer> quietly(const std::vector<std::string> &args) {
  std::unique_ptr<Viewer> v;
  CaptureText([&] {
    v.reset(new Viewer(args));
    waitTopology(*v->app);
  });
  return v;
}

// The colour map of the active field, with its palette bar and the time.
void showField(Viewer &v) {
  CaptureText([&] { QTest::keyClick(v.view(0), 'm'); });
}

std::string termText(MainWindow *w) { return w->centralWindow()->term()->toPlainText().toStdString(); }

// The terminal lines equal to `line`, blanks around them aside.
size_t linesSaying(const std::string &text, const std::string &line) {
  const QString wanted = QString::fromStdString(line).trimmed();
  size_t n = 0;
  for (const QString &l : QString::fromStdString(text).split('\n')) n += l.trimmed() == wanted;
  return n;
}

}  // namespace

// Each road, given a solution of other values (a file with its own time, or without one, which
// shows time 0), leaves the window as a window opened on the same files: every field's palette
// entries spread over the new values (the active field and the other one), the same scale,
// colour map and boxes, the same fields, the same time and, pixel for pixel, the same view.
TEST(ReloadRoads, EachRoadShowsTheWindowAFreshOpenOfTheSameFilesShows) {
  for (const Road &road : roads())
    for (double time : {7.5, -1.0}) {
      SCOPED_TRACE(std::string(road.name) + (time < 0 ? ", no time" : ", its time"));
      Series series;
      auto v = quietly({"-in", "m.1.meshb"});
      MainWindow *w = v->window(0);
      showField(*v);
      const Shown before = shownBy(w, v->view(0));
      ASSERT_EQ(before.boxes.size(), 2u);
      ASSERT_EQ(before.time, 2.0);
      for (const std::string &f : road.files) save(f, fieldsFile(series.n, 1.2, time));
      CaptureText([&] { road.take(w); });
      const Shown after = shownBy(w, v->view(0));
      after.view.save(QString::fromStdString(testOutputDir() + "/reload-road-" + road.name + ".png"));
      auto fresh = quietly(road.fresh);
      showField(*fresh);
      const Shown want = shownBy(fresh->window(0), fresh->view(0));
      EXPECT_EQ(want.time, time < 0 ? 0.0 : time);
      EXPECT_NE(want.boxes, before.boxes);  // the road has something to show
      expectSame(after, want);
    }
}

// Each road says in the window's terminal, once each, the lines it writes on standard error
// about a file it refuses or warns of: the roads that read into the fields shown say every
// line, the loader's reasons and the refusal (values for more vertices than the mesh has; fields
// other than those shown, in one line naming both); Update Mesh, `>` and `<`, which open the
// files again, say the refusal and the warnings as an opening does, their terminal that of a
// fresh open. A solution refused there (a field type no loader knows, more values than
// vertices, another dimension, cut short; text and binary) leaves the mesh read whole shown as
// a fresh opening shows it, without the field, with one NOT LOADED line naming the file. A
// solution for fewer vertices than the mesh is said on standard error on every road. A refused
// file leaves the view, the bottom bar's list and the solution window as they were on the
// roads that read into the fields shown; no road changes the terminal's font.
TEST(ReloadRoads, EachRoadSaysInTheTerminalWhatItSaysOnStandardErrorOnceEach) {
  const int n = boxVertices();
  QByteArray twoSections = fieldsFile(n, 1, -1, {3});
  twoSections.chop(int(strlen("End\n")));
  twoSections += fieldsFile(n, 1.2, -1).mid(int(strlen("MeshVersionFormatted 2\nDimension 3\n")));
  QByteArray flat = fieldsFile(n, 1.2, -1, {1}), typeSeven = fieldsFile(n, 1.2, -1, {1});
  flat.replace("Dimension 3", "Dimension 2");
  typeSeven.replace("\n1 1\n", "\n2 1 7\n");
  const QByteArray whole = fieldsFile(n, 1.2, -1), wholeBinary = binaryFile(n, 3, {1, 2}, 4);
  const struct {
    const char *name;
    QByteArray bytes;
    std::string said;       // a line standard error must hold ("<file>" stands for the file's name)
    bool refused;           // on the roads that read into the fields shown
    bool notLoaded = false; // on the roads that open the files again
    bool binary = false;    // a ".solb", found by the roads that open the files again
    // Taken by the roads that open the files again alone: a ".solb" (the others read the
    // ".sol" named), or a file the others wait for as not written yet.
    bool reopenOnly = binary;
  } files[] = {
      {"more-vertices", fieldsFile(n + 5, 1.2, -1), "INCONSISTENT SIZE IN # OF SOLUTION(" + std::to_string(n + 5), true,
       true},
      {"last-section", twoSections, "<file> HOLDS 2 SolAtVertices SECTIONS: ONLY THE LAST IS READ, 343 LINES LEFT OUT", false},
      {"other-fields", fieldsFile(n, 1.2, -1, {1}),
       "SOLUTION <file> NOT LOADED: FIELDS OTHER THAN THOSE SHOWN: THE FILE HOLDS 1 FIELD AT VERTICES (SCALAR), "
       "THE MESH SHOWS 2 FIELDS AT VERTICES (SCALAR, VECTOR)",
       true},
      {"fewer-vertices", fieldsFile(n - 3, 1.2, -1),
       "<file> HOLDS VALUES FOR " + std::to_string(n - 3) + " OF THE " + std::to_string(n) + " VERTICES", false},
      {"type-seven", typeSeven, "SOLUTION <file> NOT LOADED: FIELDS OTHER THAN THOSE SHOWN", true, true},
      {"other-dimension", flat, "WRONG MESH DIMENSION IN FILE <file>", true, true},
      {"cut-short", whole.left(whole.size() / 2), "", true, true, false, true},
      {"type-seven-binary", binaryFile(n, 3, {1, 7}, 2), "", true, true, true},
      {"more-vertices-binary", binaryFile(n + 5, 3, {1, 2}, 4), "", true, true, true},
      {"other-dimension-binary", binaryFile(n, 2, {1, 2}, 3), "", true, true, true},
      {"cut-short-binary", wholeBinary.left(wholeBinary.size() / 2), "", true, true, true},
  };
  for (const Road &road : roads())
    for (const auto &file : files) {
      if (file.reopenOnly && road.refuses) continue;
      SCOPED_TRACE(std::string(road.name) + ", " + file.name);
      Series series;
      auto v = quietly({"-in", "m.1.meshb"});
      MainWindow *w = v->window(0);
      showField(*v);
      const Shown before = shownBy(w, v->view(0));
      const QFont font = w->centralWindow()->term()->font();
      const std::string solution = road.files[0] + (file.binary ? "b" : "");
      save(solution, file.bytes);
      w->centralWindow()->term()->clear();
      const Captured c = CaptureText([&] { road.take(w); });
      const std::string term = termText(w);
      std::string said = file.said;
      if (said.find("<file>") != std::string::npos) said.replace(said.find("<file>"), 6, solution);
      if (road.refuses || !file.refused) {
        EXPECT_CONTAINS(c.Err, said);
      }
      for (const QString &line : QString::fromStdString(c.Err).split('\n')) {
        const bool told = line.contains("NOT LOADED") || line.contains("## WARNING");
        if (!line.trimmed().isEmpty() && (told || road.refuses)) {
          EXPECT_EQ(linesSaying(term, line.toStdString()), 1u) << line.toStdString() << "\nin\n" << term;
        }
      }
      EXPECT_EQ(w->centralWindow()->term()->font(), font);
      if (!road.refuses) {
        auto fresh = quietly(road.fresh);
        EXPECT_EQ(term, termText(fresh->window(0)));
        showField(*fresh);
        expectSame(shownBy(w, v->view(0)), shownBy(fresh->window(0), fresh->view(0)));
        const QStringList refusals = QString::fromStdString(term).split('\n').filter("NOT LOADED");
        EXPECT_EQ(refusals.size(), file.notLoaded ? 1 : 0) << term;
        if (!refusals.isEmpty()) {
          EXPECT_TRUE(refusals[0].contains(" " + QString::fromStdString(solution) + " ")) << term;
        }
      } else if (file.refused) {
        expectSame(shownBy(w, v->view(0)), before);
      }
    }
}

// A field shown on a logarithmic scale, given by a road that reads into it values without a
// positive one, takes the linear scale (no logarithm of them): the window says "Linear" and
// draws, as one opened on the same files, each value in its own colour.
TEST(ReloadRoads, ALogScaleGivenNoPositiveValueByAReloadIsLinearAsItsWindowShows) {
  for (const Road &road : roads()) {
    if (!road.refuses) continue;  // the others make the window anew
    SCOPED_TRACE(road.name);
    Series series;
    auto v = quietly({"-in", "m.1.meshb"});
    MainWindow *w = v->window(0);
    showField(*v);
    auto *scale = w->solTool()->findChild<QZelComboBox *>(QString("_0_%1typePal").arg(w->index()));
    ASSERT_NE(scale, nullptr);
    CaptureText([&] { scale->zelActivated(1); });
    ASSERT_EQ(v->scene(0)->VieSol->ZelPal[0].Scale, 1);
    for (const std::string &f : road.files) save(f, fieldsFile(series.n, -3, -1));
    CaptureText([&] { road.take(w); });
    EXPECT_EQ(v->scene(0)->VieSol->ZelPal[0].Scale, 0);
    auto fresh = quietly(road.fresh);
    showField(*fresh);
    expectSame(shownBy(w, v->view(0)), shownBy(fresh->window(0), fresh->view(0)));
  }
}
