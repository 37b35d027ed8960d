// The main window's commands as a user gives them: reloading and stepping through a numbered
// series, opening from the File menu, sequences, and the solution auto-update; and the rules
// behind them.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <functional>
#include <cstring>
#include <vector>

#include "common/kmf/KmfMeshFile.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelBottom.h"
#include "zelvane/gui/ZelCommandRules.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/ZelSequence.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelMatrix.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSolutionControl.h"
#include "zelvane/scene/ZelStack.h"

namespace {

std::vector<double> cameraOf(const ZelScene *s) { return std::vector<double>(s->View->Mat, s->View->Mat + 16); }

// Cameras equal to what a state file keeps of them.
void expectSameCamera(const std::vector<double> &a, const std::vector<double> &b) {
  for (int k = 0; k < 16; k++) EXPECT_NEAR(a[k], b[k], 1e-5) << k;
}


void key(MainWindow *w, const QString &text) {
  QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, text);
  w->keyPressEvent(&e);
}

QStringList stateItems(MainWindow *w) {
  QStringList items;
  QZelComboBox *combo = w->findChild<QZelComboBox *>(QString("State_%1").arg(w->index()));
  for (int i = 0; combo && i < combo->count(); i++) items << combo->itemText(i);
  return items;
}

// A vertex solution of one scalar per value, as a solver writes it (binary for ".solb").
QByteArray solutionBytes(const std::string &path, std::vector<double> values) {
  KmfMeshFile *f = KmfOpenMesh(path.c_str(), KmfWrite, 2, 3);
  int type = KmfSca;
  KmfField fld = {KmfDouble, reinterpret_cast<char *>(values.data()), 8};
  KmfSetKwd(f, KmfSolAtVertices, int64_t(values.size()), 1, &type);
  KmfSetBlockFields(f, KmfSolAtVertices, 0, nullptr, nullptr, nullptr, 1, &fld);
  KmfCloseMesh(f);
  QFile in(QString::fromStdString(path));
  in.open(QIODevice::ReadOnly);
  return in.readAll();
}

void writeFile(const std::string &path, const QByteArray &bytes, int64_t ns) {
  QFile out(QString::fromStdString(path));
  ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
  out.write(bytes);
  out.close();
  const timespec t[2] = {{time_t(ns / 1000000000), long(ns % 1000000000)}, {time_t(ns / 1000000000), long(ns % 1000000000)}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
}

// The file without its End keyword (the last whole word 54): what a solver has written so far.
QByteArray withoutEnd(QByteArray bytes) {
  for (int at = bytes.size() - 4; at >= 0; at -= 4) {
    int32_t word;
    std::memcpy(&word, bytes.constData() + at, 4);
    if (word == KmfEnd) return bytes.left(at);
  }
  return bytes;
}

// A window on "m.meshb" and "m.solb" in a folder of its own; start() starts its auto-update.
struct SolverWindow {
  WorkFolder folder;
  Viewer v{(folder.copy("sample.meshb", "m.meshb"), folder.copy("sample.solb", "m.solb"),
            std::vector<std::string>{"-in", "m.meshb", "-sol", "m.solb"})};
  MainWindow *w = v.window(0);
  ZelScene *s = v.scene(0);
  void start(const QByteArray &word) {
    writeFile("m_UpdSol.zelvane", word + "\n", 0);
    w->TimerSolUpdt();
    w->solutionTimer()->stop();
  }
  std::string term() const { return w->centralWindow()->term()->toPlainText().toStdString(); }
};

}  // namespace

TEST(CommandRules, NumberedSeriesWindowSizesImageNamesAndSolutionNames) {
  const QStringList files = {"wing.10.meshb", "wing.13.mesh", "wing.15.meshb", "wing.x.mesh", "wing.12.meshb"};
  struct Series {
    const char *mesh;
    bool next;
    const char *chosen;
    bool numbered;
  } series[] = {
      {"wing.12", true, "wing.13.mesh", true},   {"wing.12", false, "wing.10.meshb", true},
      {"wing.15", true, "", true},               {"wing.10", false, "", true},  // wing.x is no number 0
      {"wing", true, "", false},                 {"wing.1x", true, "", false},
  };
  for (const Series &s : series) {
    bool numbered = !s.numbered;
    EXPECT_EQ(zelSeriesNeighbour(s.mesh, files, s.next, &numbered), s.chosen) << s.mesh << " " << s.next;
    EXPECT_EQ(numbered, s.numbered) << s.mesh;
  }
  bool numbered = false;
  EXPECT_EQ(zelSeriesNeighbour("12", {"wing.13.mesh", "13.mesh"}, true, &numbered), "13.mesh");
  EXPECT_EQ(zelSeriesNeighbour("w.12", {"w.13.meshb", "w.13.mesh", "w.1000012.mesh"}, true, &numbered), "w.13.meshb");
  EXPECT_EQ(zelSeriesNeighbour("w.12", {"w.1000012.mesh"}, true, &numbered), "");

  int w = 0, h = 0;
  EXPECT_TRUE(zelParseWindowSize("1024x768", &w, &h) && w == 1024 && h == 768);
  EXPECT_TRUE(zelParseWindowSize("640 x  480", &w, &h) && w == 640 && h == 480);
  for (const char *bad : {"1024*768", " 1024x768", "1024x768 ", "x768", "99999999999x2"})
    EXPECT_FALSE(zelParseWindowSize(bad, &w, &h)) << bad;
  // Sizes a screen (and the software GL, 16384 at most) can hold: the window adds its bars.
  EXPECT_TRUE(zelParseWindowSize("2147483647 x 2147483647", &w, &h) && w == 16384 && h == 16384) << w << " " << h;
  EXPECT_TRUE(zelParseWindowSize("16777215x0", &w, &h) && w == 16384 && h == 1) << w << " " << h;

  EXPECT_EQ(zelLinkedImageName("/data/xpng/shot.jpg", 0), "/data/xpng/shot_0.png");
  EXPECT_EQ(zelLinkedImageName("shot.jpeg", 1), "shot.jpeg_1.png");
  EXPECT_EQ(zelLinkedImageName("a.png.png", 2), "a.png_2.png");
  EXPECT_EQ(zelImageExtension("/d/shot.jpg"), ".jpg");
  EXPECT_EQ(zelImageExtension("shot"), "shot");

  EXPECT_EQ(zelSolutionFileName("m.3"), "m.3.solb");
  EXPECT_EQ(zelSolutionFileName("m.3.sol"), "m.3.sol");
  EXPECT_EQ(zelSolutionFileName("m.solb"), "m.solb");
}

// Recorded window moves add up on replay: the window never leaves what a screen can show.
TEST(Commands, ReplayedWindowMovesStayWithinScreenPositions) {
  Viewer v({"-in", dataFile("sample.meshb")});
  MainWindow *w = v.window(0);
  w->hide();  // a hidden window keeps the position it is given
  w->move(0, 0);
  for (int k = 0; k < 2; k++) w->zelMove(100000, -100000);
  EXPECT_EQ(w->pos(), QPoint(100000, -100000));
  w->zelMove(-150000, 250);
  EXPECT_EQ(w->pos(), QPoint(-50000, -99750));
}

TEST(Commands, UpdateMeshKeepsCameraOptionsAndStatesAndKeysStepThroughTheSeries) {
  WorkFolder folder;
  for (const char *name : {"wing.12.meshb", "wing.13.meshb", "wing.10.meshb"}) folder.copy("wing.meshb", name);
  Viewer v({"-in", "wing.12.meshb"});
  MainWindow *w = v.window(0);
  w->saveCurState();
  const QStringList states = stateItems(w);
  ASSERT_EQ(states.size(), 2);
  ZelScene *s = v.scene(0);
  const double axis[3] = {1, 1, 0};
  zelRotate(s->View->Mat, axis, 40);
  s->Flags |= ZelFlgAxis;
  const std::vector<double> camera = cameraOf(s);

  w->updateMesh();
  s = v.scene(0);
  expectSameCamera(cameraOf(s), camera);
  EXPECT_TRUE(s->Flags & ZelFlgAxis);
  EXPECT_EQ(s->State->NbrState, 2);
  EXPECT_EQ(stateItems(w), states);
  EXPECT_TRUE(QFile::exists("wing.12temp.state"));

  key(w, ">");
  EXPECT_EQ(w->title(), "[1] wing.13.meshb");
  expectSameCamera(cameraOf(v.scene(0)), camera);
  key(w, "<");
  key(w, "<");
  EXPECT_EQ(w->title(), "[1] wing.10.meshb");
  CaptureStdout();
  EXPECT_FALSE(w->prevMesh());
  EXPECT_CONTAINS(GetCapturedStdout(), "no file number found");
}

TEST(Commands, AMeshOpenedFromTheMenuRunsSeriallyAndRecordsInEveryWindowStillReplay) {
  WorkFolder folder;
  Viewer v({"-in", dataFile("sample.meshb"), dataFile("sample.meshb")});
  MainWindow *w1 = v.window(0), *w2 = v.window(1);
  ZelSequenceServer *server = v.app->server();

  // Cancelled: nothing changes, nothing is printed.
  ZelScene *before = v.scene(0);
  {
    ScriptedDialogs cancel(std::vector<QStringList>{QStringList()});
    w1->action(ActOpen)->trigger();
    EXPECT_EQ(cancel.calls.at(0).caption, "Select one or more files to open");
    EXPECT_EQ(cancel.calls.at(0).filter, "Mesh (*.mesh *.meshb)");
  }
  EXPECT_EQ(v.scene(0), before);
  EXPECT_FALSE(w1->centralWindow()->term()->toPlainText().contains("NbrFil"));

  {
    ScriptedDialogs open({{QString::fromStdString(dataFile("edges.meshb"))}});
    w1->action(ActOpen)->trigger();
  }
  ZelScene *s = v.scene(0);
  ASSERT_NE(s, before);
  EXPECT_EQ(w1->title(), "[1] edges.meshb");
  EXPECT_TRUE(w1->centralWindow()->term()->toPlainText().contains("NbrFil 1 Files"));
  EXPECT_FALSE(s->Mem);
  EXPECT_FALSE(s->Par);
  EXPECT_TRUE(switch_clip_plane(s, nullptr, nullptr, 0));  // marks the vertices on no pool
  const QImage shown = v.view(0)->grabScene();
  EXPECT_GT(shown.width() * shown.height() - countPixels(shown, 255, 255, 255), 100);

  // Recorded after the open: a drag in window 1's view and an action of each window (one that
  // leaves the view's size alone, which the turn of a drag depends on).
  const size_t first = server->recorded().size();
  // A linked view takes the camera of the view the event came to.
  const std::vector<double> camera0 = cameraOf(v.scene(0)), camera1 = cameraOf(v.scene(1));
  dragView(v.view(0), QPoint(20, 5));
  w1->action(ActClearTerm)->trigger();
  w2->action(ActClearTerm)->trigger();
  ASSERT_NE(cameraOf(v.scene(1)), camera1);
  ASSERT_GT(server->recorded().size(), first + 2);
  const std::string seq = folder.file("after-open.seq");
  server->saveSequences(seq.c_str());

  std::copy(camera0.begin(), camera0.end(), v.scene(0)->View->Mat);
  std::copy(camera1.begin(), camera1.end(), v.scene(1)->View->Mat);
  for (MainWindow *w : {w1, w2}) w->centralWindow()->printTerm("before the replay");
  server->loaded().clear();
  server->loadSequences(seq.c_str());
  server->execSequences(0);
  settle();
  // The view is still registered: the drag turns both linked views again.
  EXPECT_NE(cameraOf(v.scene(0)), camera0);
  EXPECT_NE(cameraOf(v.scene(1)), camera1);
  for (MainWindow *w : {w1, w2}) EXPECT_TRUE(w->centralWindow()->term()->toPlainText().isEmpty()) << w->index();
}

TEST(Commands, LoadingASequenceEnablesPlayAndOnlyARealTimeReplayEndsWithItsBox) {
  WorkFolder folder;
  Viewer v({"-in", dataFile("sample.meshb")});
  MainWindow *w = v.window(0);
  ZelSequenceServer *server = v.app->server();
  w->action(ActBttnView)->trigger();
  w->action(ActBttnView)->trigger();
  const std::string seq = folder.file("toolbar.seq");
  server->saveSequences(seq.c_str());
  EXPECT_FALSE(w->menu(MenuPlay)->isEnabled());
  {
    ScriptedDialogs load({{QString::fromStdString(seq)}});
    w->action(ActLoadSeq)->trigger();
  }
  EXPECT_TRUE(w->menu(MenuPlay)->isEnabled());

  MessageLog log;
  w->action(ActPlayRealTime)->trigger();
  EXPECT_TRUE(log.shown.empty());
  EXPECT_TRUE(QTest::qWaitFor([&] { return server->finished() == 1; }, 10000));
  ASSERT_EQ(log.shown.size(), 1u);
  EXPECT_EQ(log.shown[0].text, "Play Sequence ended");
  EXPECT_EQ(log.shown[0].icon, QMessageBox::Information);
  w->action(ActPlaySeq)->trigger();
  EXPECT_TRUE(QTest::qWaitFor([&] { return server->finished() == 1; }, 10000));
  EXPECT_EQ(log.shown.size(), 1u);
}

TEST(AutoUpdate, TheControlFileNamesEachCompleteSolutionAsItAppearsAndItsAbsenceStopsThePoll) {
  WorkFolder folder;
  folder.copy("sample.meshb", "m.meshb");
  folder.copy("sample.solb", "m.solb");
  Viewer v({"-in", "m.meshb", "-sol", "m.solb"});
  MainWindow *w = v.window(0);
  ZelScene *s = v.scene(0);
  ASSERT_STREQ(s->Msh->MshNam, "m");
  const int n = s->Msh->NbrVer;
  auto value = [&](int vertex) { return s->Msh->SolAtVer->Sol[size_t(vertex) * s->Msh->SolAtVer->SizTot]; };
  auto poll = [&] {
    CaptureStdout();
    w->autoUpdate();
    return GetCapturedStdout();
  };
  writeFile("m_UpdSol.zelvane", "m.3\n", 0);
  w->TimerSolUpdt();
  EXPECT_FALSE(w->autoStopped());
  EXPECT_TRUE(w->solutionTimer()->isActive());
  w->solutionTimer()->stop();  // polled by hand below

  std::vector<double> values(size_t(n), 7.0);
  values[0] = 9.0;
  const QByteArray whole = solutionBytes(folder.file("whole.solb"), values);
  const int64_t t0 = 1700000000LL * 1000000000LL;
  writeFile("m.3.solb", withoutEnd(whole), t0);
  EXPECT_CONTAINS(poll(), "%% WARNING: Solution file m.3.solb not ready");
  EXPECT_NE(value(1), 9.0);
  writeFile("m.3.solb", whole, t0 + 1000000);
  EXPECT_EQ(poll().find("not ready"), std::string::npos);
  EXPECT_EQ(value(1), 9.0);
  EXPECT_EQ(value(2), 7.0);
  EXPECT_EQ(s->Msh->SolAtVer->Box[0][0], 7.0);
  EXPECT_EQ(s->Msh->SolAtVer->Box[0][1], 9.0);
  EXPECT_EQ(w->lastTime(), t0 + 1000000);
  // The next step written under the same name: not ready again while it is being written.
  writeFile("m.3.solb", withoutEnd(whole), t0 + 2000000);
  EXPECT_CONTAINS(poll(), "%% WARNING: Solution file m.3.solb not ready");

  // Not again until its time changes; a rewrite 10 ms later, in the same second, is new.
  values[0] = 5.0;
  writeFile("m.3.solb", solutionBytes(folder.file("whole.solb"), values), t0 + 1000000);
  poll();
  EXPECT_EQ(value(1), 9.0);
  writeFile("m.3.solb", solutionBytes(folder.file("whole.solb"), values), t0 + 11000000);
  poll();
  EXPECT_EQ(value(1), 5.0);

  // A name ending in ".sol" is taken as it stands.
  values[0] = 3.0;
  solutionBytes(folder.file("x.sol"), values);
  writeFile("m_UpdSol.zelvane", "x.sol\n", 0);
  poll();
  EXPECT_EQ(value(1), 3.0);
  EXPECT_FALSE(w->autoStopped());

  QFile::remove("m_UpdSol.zelvane");
  const std::string out = poll();
  EXPECT_CONTAINS(out, " \n%% WARNING: No file m_UpdSol.zelvane found in folder. \n");
  EXPECT_CONTAINS(out, " %% WARNING: Check that you're executing zelvane in the right folder\n");
  EXPECT_TRUE(w->autoStopped());
  EXPECT_FALSE(w->solutionTimer()->isActive());
  EXPECT_EQ(w->lastTime(), 0);
  EXPECT_EQ(w->action(ActAutoUpdate)->text(), "Start Auto Update Sol");
}

// A whole file that the reload refuses (more values than vertices: the line opening gives), or
// one that does not exist, stops the updates at once: the line that says so, then the loader's
// reasons as the loader wrote them, in the terminal and on standard error; the advice on
// standard output says a file that is there refused, and only a file that is not there not
// readable, to be checked in the control file.
TEST(AutoUpdate, ARefusedOrMissingFileStopsTheUpdatesWithItsReasonInTheTerminal) {
  SolverWindow sw;
  const int n = sw.s->Msh->NbrVer;
  writeFile("m.4.solb", solutionBytes(sw.folder.file("more.solb"), std::vector<double>(size_t(n) + 5, 1.0)), 1);
  const struct {
    const char *name;
    std::string reason, advice;
  } rows[] = {
      {"m.4", "INCONSISTENT SIZE IN # OF SOLUTION(" + std::to_string(n + 5) + ") >  # OF VERTICES(" + std::to_string(n) + ")",
       "m.4.solb is there but refused"},
      {"absent.4", "CANNOT OPEN absent.4", "absent.4.solb not readable (NO SUCH FILE)"}};
  const std::string stopped = "%% WARNING: auto update stopped, the solution file is refused:\n";
  for (const auto &r : rows) {
    SCOPED_TRACE(r.name);
    sw.w->centralWindow()->term()->clear();
    sw.start(r.name);
    const Captured c = CaptureText([&] { sw.w->autoUpdate(); });
    EXPECT_TRUE(sw.w->autoStopped());
    EXPECT_CONTAINS(c.Out, r.advice);
    const bool there = r.advice.find("refused") != std::string::npos;
    EXPECT_EQ(c.Out.find("Check name in m_UpdSol.zelvane") == std::string::npos, there);
    for (const std::string &said : {sw.term(), c.Err}) {
      EXPECT_CONTAINS(said, stopped);
      EXPECT_LT(said.find(stopped), said.find(r.reason)) << said;
    }
  }
}

// A file cut (being written, or its writer dead): "not ready" said once in the terminal (echoed on
// standard output), nothing on standard error. A step finished between the poll's look and the
// read is recorded as read: loaded once; lagging behind the mesh, it is said in the terminal.
TEST(AutoUpdate, AFileBeingWrittenIsSaidOnceAndAFileIsLoadedOnce) {
  SolverWindow sw;
  const int n = sw.s->Msh->NbrVer;
  const QByteArray whole = solutionBytes(sw.folder.file("whole.sol"), std::vector<double>(size_t(n), 7.0));
  writeFile("m.5.sol", whole.left(whole.size() / 2), 2);
  sw.start("m.5.sol");
  const Captured all = CaptureText([&] {
    for (int k = 0; k < 5; k++) sw.w->autoUpdate();
  });
  EXPECT_EQ(all.Err, "");
  EXPECT_EQ(QString::fromStdString(all.Out).count("not ready"), 1) << all.Out;
  EXPECT_EQ(QString::fromStdString(sw.term()).count("m.5.sol not ready"), 1);

  const QByteArray lagging = solutionBytes(sw.folder.file("lag.sol"), std::vector<double>(size_t(n) - 3, 7.0));
  const int64_t t1 = 1700000000LL * 1000000000LL;
  int loads = 0;
  ZelPollTrack track{1, ""};
  auto load = [&](const char *f, int64_t *readTime) {
    loads++;
    writeFile("m.5.sol", lagging, t1);
    return zel_updateSol(sw.s, f, readTime);
  };
  CaptureText([&] {
    EXPECT_EQ(zelPollSolution("m_UpdSol.zelvane", &track, load), ZelPoll::Loaded);
    EXPECT_EQ(zelPollSolution("m_UpdSol.zelvane", &track, load), ZelPoll::Unchanged);
  });
  EXPECT_EQ(std::vector<int64_t>({loads, track.LastTime}), std::vector<int64_t>({1, t1}));
  EXPECT_CONTAINS(sw.term(), "HOLDS VALUES FOR " + std::to_string(n - 3) + " OF THE " + std::to_string(n) + " VERTICES");
}

// Each editing entry of the context menu, enabled by the picks it needs, opens the modification
// window at its own page and at no other.
TEST(Commands, EachContextMenuEntryOpensItsToolPage) {
  Viewer v({"-in", dataFile("sample.meshb")});
  MainWindow *w = v.window(0);
  ZelScene *s = v.scene(0);
  ZelTool *modif = w->modifTool();
  ASSERT_TRUE(modif && s->Pck);
  ASSERT_EQ(modif->boxes().size(), 5);
  const struct {
    const char *entry;
    std::vector<std::pair<int, int>> picks;  // (index, kind)
    int page;
    const char *title;
  } rows[] = {
      {"&Add Type on Vertex", {{3, KmfVertices}}, 0, "Add Vertex Type"},
      {"&Edges Detection", {{3, KmfFaceEdges}, {7, KmfFaceEdges}}, 1, "Edges Detection"},
      {"&Change References", {{1, KmfTriangles}}, 2, "Change References"},
      {"&Delete Elements", {{1, KmfTriangles}}, 3, "Delete"},
      {"&Swap Edges", {{3, KmfFaceEdges}, {7, KmfFaceEdges}}, 4, "Swap"},
  };
  for (const auto &row : rows) {
    modif->hide();
    modif->setVisibleBox(false);
    s->Pck->Top = -1;
    for (const auto &p : row.picks) geoPushHybridStack(s->Pck, p.first, p.second);
    ASSERT_TRUE(chooseInContextMenu(w, row.entry)) << row.entry;
    EXPECT_TRUE(modif->isVisible()) << row.entry;
    for (int page = 0; page < 5; page++)
      EXPECT_EQ(modif->boxes()[page]->isChecked(), page == row.page) << row.entry << ", page " << page;
    EXPECT_EQ(modif->boxes()[row.page]->title(), row.title);
  }
}

// A mesh opened without a solution takes one from each of the context menu's roads and shows it
// as a mesh opened with it does: its field in the bottom bar and the solution window, `m`
// drawing the same picture, the switch working from then on. A file that does not fit the mesh
// is refused with its reason, and the window stays without a field.
TEST(Commands, AMeshOpenedWithoutASolutionTakesOneFromTheMenuAsIfOpenedWithIt) {
  WorkFolder folder;
  folder.copy("sample.meshb", "b.meshb");
  folder.copy("sample.solb", "b.3.solb");
  writeFile("b_UpdSol.zelvane", "b.3.solb\n", 0);
  const auto open = [](std::vector<std::string> args) {
    std::unique_ptr<Viewer> v;
    CaptureText([&] { v.reset(new Viewer(args)); });
    return v;
  };
  const auto pictureOfM = [](Viewer &v) {
    CaptureText([&] { key(v.window(0), "m"); });
    return v.view(0)->grabScene();
  };
  auto opened = open({"-in", "b.meshb", "-sol", "b.3.solb"});
  const QImage expected = pictureOfM(*opened);
  const int n = opened->scene(0)->Msh->NbrVer;
  solutionBytes(folder.file("b.4.solb"), std::vector<double>(size_t(n) + 5, 1.0));
  solutionBytes(folder.file("b.5.solb"), std::vector<double>(size_t(n), 7.0));
  const std::pair<const char *, QStringList> roads[] = {{"&Select Solution", {"b.3.solb"}},
                                                       {"&Check for new solution file", {}},
                                                       {"&Activate solution files switch", {"3"}},
                                                       {"&Start Auto Update Sol", {}}};
  for (const auto &road : roads) {
    SCOPED_TRACE(road.first);
    auto v = open({"-in", "b.meshb"});
    MainWindow *w = v->window(0);
    ASSERT_EQ(w->solTool(), nullptr);
    ScriptedDialogs answers(road.second.isEmpty() ? std::vector<QStringList>{{"5"}} : std::vector<QStringList>{road.second, {"5"}});
    CaptureText([&] {
      ASSERT_TRUE(chooseInContextMenu(w, road.first));
      if (!w->autoStopped()) w->autoUpdate();
    });
    ASSERT_NE(w->solTool(), nullptr);
    EXPECT_TRUE(w->action(ActSolModu)->isEnabled());
    const QComboBox *fields = w->centralWindow()->bottom()->solCombo();
    EXPECT_EQ(std::make_pair(fields->count(), fields->itemText(1)), std::make_pair(2, QString("1 Scalar ")));
    const QImage shown = pictureOfM(*v);
    shown.save(QString::fromStdString(testOutputDir() + "/menu-solution-" + std::to_string(&road - roads) + ".png"));
    EXPECT_TRUE(shown == expected);
    CaptureText([&] { ASSERT_TRUE(chooseInContextMenu(w, "&Activate solution files switch")); });
    EXPECT_EQ(v->scene(0)->Msh->SolAtVer->Sol[1], 7.0);
  }
  // Refused on every road, by the size pass (values for more vertices) or once the mesh has
  // been given the file's layout (values that are no numbers): no field is left behind.
  QByteArray unreadable = "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n" + QByteArray::number(n) + "\n1 1\n";
  for (int i = 0; i < n; i++) unreadable += i == n / 2 ? "abc\n" : "1\n";
  writeFile(folder.file("b.6.sol"), unreadable + "End\n", 1700000000LL * 1000000000LL);
  const struct {
    const char *file, *number;
    std::string said;
  } refused[] = {
      {"b.4.solb", "4", " NOT LOADED: VALUES FOR " + std::to_string(n + 5) + " VERTICES ON A MESH OF " + std::to_string(n)},
      {"b.6.sol", "6", "LOADSOLATENTITY: CANNOT READ THE SOLUTION FROM THE FILE"},
  };
  for (const auto &road : roads)
    for (const auto &file : refused) {
      SCOPED_TRACE(std::string(road.first) + " " + file.file);
      writeFile("b_UpdSol.zelvane", QByteArray(file.file) + "\n", 0);
      auto v = open({"-in", "b.meshb"});
      MainWindow *w = v->window(0);
      const QImage bare = pictureOfM(*v);
      std::vector<QStringList> typed;
      if (road.first == std::string("&Select Solution")) typed = {{file.file}};
      if (road.first == std::string("&Activate solution files switch")) typed = {{file.number}};
      ScriptedDialogs answers(typed);
      const Captured c = CaptureText([&] {
        ASSERT_TRUE(chooseInContextMenu(w, road.first));
        if (!w->autoStopped()) w->autoUpdate();
      });
      EXPECT_CONTAINS(c.Err, file.said);
      EXPECT_CONTAINS(w->centralWindow()->term()->toPlainText().toStdString(), file.said);
      EXPECT_TRUE(w->solTool() == nullptr && !v->scene(0)->Msh->SolAtVer);
      EXPECT_EQ(w->centralWindow()->bottom()->solCombo()->count(), 1);
      EXPECT_TRUE(pictureOfM(*v) == bare);
    }
}
