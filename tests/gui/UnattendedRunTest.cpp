// Start-up and unattended runs: a view or state file that cannot be read is left out and
// start-up goes on; a run that is to end after its replay ends at once when it has nothing to
// replay, and every dialog its records open is cancelled with one line; stored sizes of the
// settings store stay within a screen.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <memory>
#include <string>

#include "common/base/ScreenRange.h"
#include "common/model/ElementKind.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/MeshFixtures.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelScene.h"

namespace {

int count(const std::string &text, const std::string &part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
  return n;
}

const char *const GoodView = "1 0 0 -2 0 0 0 45 0.1 100 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n";
const char *const GoodState =
    "V201506\n0 0\n0 0 -1 300 300 0 0 90 19\n"
    "0 0 -2\t0 0 0\t45\t0.1\t100\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n14 0 -1 0 0 0\t0 0 0 0\n";

// A replay that ended the program earlier in this process left its request to leave the
// event loop pending (no loop ran to take it), and every later loop would return at once: one
// run of the application's loop takes it.
void takePendingQuit() {
  QEventLoop probe;
  QTimer::singleShot(0, &probe, [&] { probe.exit(0); });
  if (probe.exec() != -1) return;
  QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  QCoreApplication::exec();
}

int views(ZelScene *s) { return s->BakView->NbrView; }
int states(ZelScene *s) { return s->State->NbrState; }

}  // namespace

// Each bad file in the place of the view file, then of the state file, the other one good:
// both windows open, they are linked, the preferences window is made, the good file reaches
// both windows and the sequence starts; one line on standard error names the bad file.
TEST(Startup, AViewOrStateFileThatCannotBeReadIsLeftOutAndStartUpGoesOn) {
  WorkFolder folder;
  const std::string mesh = dataFile("sample.meshb");
  const std::string seq = folder.file("start.seq"), view = folder.file("good.view"), state = folder.file("good.state");
  ASSERT_TRUE(fixtures::SaveText(seq, "13 0 noSuchWidget 1\n-1\n"));
  ASSERT_TRUE(fixtures::SaveText(view, GoodView));
  ASSERT_TRUE(fixtures::SaveText(state, GoodState));
  int baseViews[2], baseStates[2];
  {
    Viewer base({"-in", mesh, mesh});
    for (int i = 0; i < 2; i++) baseViews[i] = views(base.scene(i)), baseStates[i] = states(base.scene(i));
  }

  struct Bad {
    const char *what;
    std::string view, state;  // the file put in place of each
  };
  std::vector<Bad> bad = {{"a missing file", folder.file("missing"), folder.file("missing")}};
  // A view line cut short; a state file with its first line only. Neither holds one item.
  const char *const texts[][3] = {{"an empty file", "", ""}, {"a file cut short", "1 0 0 -2 0 0\n", "V201506\n"}};
  for (const auto &t : texts) {
    const std::string stem = folder.file("bad" + std::to_string(bad.size()));
    bad.push_back({t[0], stem + ".view", stem + ".state"});
    ASSERT_TRUE(fixtures::SaveText(bad.back().view, t[1]));
    ASSERT_TRUE(fixtures::SaveText(bad.back().state, t[2]));
  }
  for (fixtures::Endless kind : fixtures::AllEndless) {
    const std::string path = folder.file("endless" + std::to_string(bad.size()));
    bad.push_back({fixtures::EndlessName(kind), path, path});
    ASSERT_TRUE(fixtures::MakeEndless(path, kind));
  }
  for (const Bad &b : bad) {
    for (bool badView : {true, false}) {
      const std::string what = std::string(b.what) + (badView ? " as view file" : " as state file");
      CaptureStderr();
      Viewer v({"-in", mesh, mesh, "-view", badView ? b.view : view, "-state", badView ? state : b.state, "-seq", seq});
      const std::string err = GetCapturedStderr();
      ASSERT_EQ(v.app->windows().size(), 2) << what;
      ASSERT_TRUE(v.scene(0) && v.scene(1)) << what;
      EXPECT_EQ(v.view(0)->getNxt(), v.view(1)) << what;
      EXPECT_TRUE(v.app->prefBox()) << what;
      EXPECT_EQ(v.app->server()->replayMode(), 1) << what;
      EXPECT_EQ(v.app->server()->loaded().size(), 1u) << what;
      const std::string line =
          badView ? "Impossible to load View File " + b.view : "Impossible to load State File " + b.state;
      EXPECT_EQ(count(err, "Impossible to load"), 1) << what << "\n" << err;
      EXPECT_CONTAINS(err, line) << what;
      // The good file of the other kind reached both windows, the first one once per window.
      for (int i = 0; i < 2; i++) {
        if (badView)
          EXPECT_EQ(states(v.scene(i)), baseStates[i] + 2 - i) << what << " window " << i + 1;
        else
          EXPECT_EQ(views(v.scene(i)), baseViews[i] + 2 - i) << what << " window " << i + 1;
      }
    }
  }
  for (size_t i = 3; i < bad.size(); i++) fixtures::RemoveEndless(bad[i].view);

  // A state file cut short after a whole state: the whole one reaches both windows as a good
  // file's does; the cut one is named once on standard error and in each window's terminal
  // each time the file is loaded there (twice into the first window).
  const std::string cut = folder.file("cut.state");
  ASSERT_TRUE(fixtures::SaveText(cut, std::string(GoodState) + "1 2\n0 0 0 640"));
  CaptureStdout();
  CaptureStderr();
  Viewer v({"-in", mesh, mesh, "-view", view, "-state", cut, "-seq", seq});
  const std::string err = GetCapturedStderr(), out = GetCapturedStdout();
  const std::string line = "  ## WARNING: STATE FILE " + cut + " IS CUT SHORT IN ITS STATE 2: THAT STATE IS LEFT OUT";
  EXPECT_EQ(count(err, line), 1) << err;
  EXPECT_EQ(count(err, "Impossible to load"), 0) << err;
  EXPECT_EQ(count(out, "[1] " + line), 2) << out;
  EXPECT_EQ(count(out, "[2] " + line), 1) << out;
  for (int i = 0; i < 2; i++) EXPECT_EQ(states(v.scene(i)), baseStates[i] + 2 - i) << "window " << i + 1;
  EXPECT_TRUE(v.app->prefBox());
}

// An unattended run (-seq-exit) with nothing to replay does not start: it asks to end with
// the failure status and says so in one line; an attended one opens as before.
TEST(UnattendedRun, NothingToReplayEndsAtOnceWithTheFailureStatusAndOneLine) {
  WorkFolder folder;
  const std::string mesh = dataFile("sample.meshb");
  const struct {
    const char *what;
    const char *text;  // null: no such file
  } files[] = {
      {"a missing file", nullptr},
      {"an empty file", ""},
      {"only the end line", "-1\n"},
      {"only lines that are no records or are dropped", "1 0 a\n4 0 b\n99 0 c\n9 0 saveImg 1\n-1\n"},
      {"a first record that cannot be read", "6 0 glWidget 1 1\n13 0 s 7\n-1\n"},
  };
  int n = 0;
  for (const auto &f : files) {
    const std::string seq = folder.file("nothing" + std::to_string(++n) + ".seq");
    if (f.text) {
      ASSERT_TRUE(fixtures::SaveText(seq, f.text));
    }
    for (bool unattended : {true, false}) {
      std::vector<std::string> args{"-in", mesh, "-seq", seq};
      if (unattended) args.push_back("-seq-exit");
      CaptureStderr();
      Viewer v(args);
      const std::string err = GetCapturedStderr();
      EXPECT_EQ(v.app->endStatus(), unattended ? ZelExitUnattended : 0) << f.what;
      EXPECT_EQ(count(err, "EXITING WITH CODE 2: NOTHING TO REPLAY"), unattended ? 1 : 0) << f.what << "\n" << err;
      if (unattended) {
        EXPECT_CONTAINS(err, seq) << f.what;
      }
      EXPECT_FALSE(v.app->server()->replaying()) << f.what;
    }
  }
  CaptureStderr();
  Viewer noSequence({"-in", mesh, "-seq-exit"});
  const std::string err = GetCapturedStderr();
  EXPECT_EQ(noSequence.app->endStatus(), ZelExitUnattended);
  EXPECT_EQ(count(err, "EXITING WITH CODE 2: -seq-exit WITHOUT A SEQUENCE"), 1) << err;
}

// An unattended run says in its status whether it made what it was asked: a mesh it cannot
// read ends it before any replay and any picture (2); a replay in which a save wrote nothing,
// or not one record found its widget, ends with a status of its own (3); each with its line.
TEST(UnattendedRun, ItsStatusSaysWhetherItMadeWhatItWasAsked) {
  WorkFolder folder;
  folder.copy("sample.meshb", "box.meshb");
  const std::string head = "MeshVersionFormatted 2\nDimension 3\nVertices\n4\n0 0 0 1\n";
  ASSERT_TRUE(fixtures::SaveText("cut.mesh", head));
  // Its sections are whole; a number in them is not.
  ASSERT_TRUE(fixtures::SaveText("garbled.mesh", head + "1 x 0 1\n0 1 0 1\n0 0 1 1\nTetrahedra\n1\n1 2 3 4 1\nEnd\n"));
  ASSERT_TRUE(QDir().mkdir("[1] box.bmp"));  // an image cannot replace a folder
  // Whole in bytes, but its writer stopped at its Vertices: the sections after them, End among
  // them, stand out of its chain.
  QFile box("box.meshb");
  ASSERT_TRUE(box.open(QIODevice::ReadOnly));
  const QByteArray boxBytes = box.readAll();
  ASSERT_TRUE(fixtures::SaveBytes("chain.meshb", fixtures::ChainEndingAt({boxBytes.begin(), boxBytes.end()}, KmfVertices)));
  struct Case {
    const char *what;
    std::string mesh, seq;
    int status;
    const char *line;  // once on standard error (never after a good replay)
  } const cases[] = {
      {"a good replay", "box.meshb", "7 0 glWidget 0 0 0 10 10\n13 0 ghost 1\n20 0 glWidget 64 48 100 .png\n", 1,
       "EXITING WITH CODE"},
      {"a missing mesh", "missing.meshb", "20 0 glWidget 64 48 100 .png\n", ZelExitUnattended,
       "EXITING WITH CODE 2: CANNOT READ THE MESH missing.meshb"},
      {"a mesh cut short", "cut.mesh", "20 0 glWidget 64 48 100 .png\n", ZelExitUnattended,
       "EXITING WITH CODE 2: CANNOT READ THE MESH cut.mesh"},
      {"a mesh whose numbers cannot be read", "garbled.mesh", "20 0 glWidget 64 48 100 .png\n", ZelExitUnattended,
       "EXITING WITH CODE 2: CANNOT READ THE MESH garbled.mesh"},
      {"a binary mesh whose chain ends before End", "chain.meshb", "20 0 glWidget 64 48 100 .png\n", ZelExitUnattended,
       "EXITING WITH CODE 2: CANNOT READ THE MESH chain.meshb"},
      {"no record finds its widget", "box.meshb", "13 0 ghost 1\n9 0 phantom 0\n", ZelExitIncomplete,
       "EXITING WITH CODE 3: NO RECORD OF"},
      {"an image that cannot be written", "box.meshb", "20 0 glWidget 64 48 100 .bmp\n", ZelExitIncomplete,
       "EXITING WITH CODE 3: 1 REPLAYED SAVE OF"},
      {"an image save refused", "box.meshb", "20 0 glWidget 64 48 100 /../x.png\n", ZelExitIncomplete,
       "EXITING WITH CODE 3: 1 REPLAYED SAVE OF"},
  };
  auto pictures = [] { return QDir().entryList({"*.png"}, QDir::Files); };
  for (const Case &c : cases) {
    for (const QString &png : pictures()) QFile::remove(png);
    const std::string seq = folder.file("status.seq");
    ASSERT_TRUE(fixtures::SaveText(seq, c.seq + "-1\n"));
    CaptureStderr();
    Viewer v({"-in", c.mesh, "-seq", seq, "-seq-exit"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !v.app->server()->replaying(); }, 60000)) << c.what;
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(v.app->endStatus(), c.status) << c.what << "\n" << err;
    EXPECT_EQ(pictures(), c.status == 1 ? QStringList{"[1] box.png"} : QStringList{}) << c.what;
    EXPECT_EQ(count(err, c.line), c.status == 1 ? 0 : 1) << c.what << "\n" << err;
  }
}

// A replayed image save whose recorded ending makes a name no folder holds, or holds a NUL or
// control byte, is refused at once as a failed save: nothing is written, the run ends with the
// status of a replay that did not make what it was asked, and the one refusal line gives the
// ending's length, never its bytes, so that every line of the run stays short. An ending that
// makes a name of the longest length a folder holds still saves.
TEST(UnattendedRun, AnEndingNoFileNameCanHoldIsRefusedByItsLengthAsAFailedSave) {
  WorkFolder folder;
  folder.copy("sample.meshb", "box.meshb");
  const std::string base = "[1] box";  // the window's name without its ending
  const std::string longest = "." + std::string(NAME_MAX - base.size() - 5, 'x') + ".png";
  const struct {
    const char *what;
    std::string ending;
    const char *refusal;  // after "the recorded ending (<length> bytes) "; null when it saves
  } cases[] = {
      {"a good ending", ".png", nullptr},
      {"an ending that makes the longest name", longest, nullptr},
      {"an ending one byte longer", "x" + longest, "would make a file name of 256 bytes"},
      {"an ending of 4 MB", "." + std::string(4 << 20, 'x'), "would make a file name of 4194312 bytes"},
      {"a NUL byte", std::string("\0.png", 5), "holds a NUL or control byte"},
      {"a control byte", "\x1b.png", "holds a NUL or control byte"},
  };
  auto longestLine = [](const std::string &text) {
    size_t longest = 0;
    for (const QString &line : QString::fromStdString(text).split('\n'))
      longest = std::max(longest, size_t(line.size()));
    return longest;
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string seq = folder.file("ending.seq");
    ASSERT_TRUE(fixtures::SaveText(seq, "20 0 glWidget 64 48 100 " + c.ending + "\n-1\n"));
    std::unique_ptr<Viewer> v;
    bool ended = false;
    const Captured run = CaptureText([&] {
      v = std::make_unique<Viewer>(std::vector<std::string>{"-in", "box.meshb", "-seq", seq, "-seq-exit"});
      ended = QTest::qWaitFor([&] { return !v->app->server()->replaying(); }, 300000);
    });
    ASSERT_TRUE(ended);
    QStringList made = QDir().entryList(QDir::Files);
    made.removeOne("box.meshb"), made.removeOne("ending.seq");
    EXPECT_EQ(made, c.refusal ? QStringList{} : QStringList{QString::fromStdString(base + c.ending)});
    EXPECT_EQ(v->app->endStatus(), c.refusal ? ZelExitIncomplete : 1) << run.Err.substr(0, 4096);
    const std::string term = v->window(0)->centralWindow()->term()->toPlainText().toStdString();
    if (c.refusal) {
      const std::string line = "the recorded ending (" + std::to_string(c.ending.size()) + " bytes) " + c.refusal;
      EXPECT_EQ(count(run.Err, line), 1) << run.Err.substr(0, 4096);
      EXPECT_EQ(count(run.Err, "1 REPLAYED SAVE OF"), 1);
      EXPECT_CONTAINS(term, line);
    }
    for (const std::string *text : {&run.Out, &run.Err, &term}) EXPECT_LT(longestLine(*text), 1024u);
    for (const QString &f : made) QFile::remove(f);
  }
}

// Records that open the program's dialogs (Window Size, Write Mesh, Open, Select Solution,
// About): unattended, none reaches the installed provider, each is cancelled with one line
// and the replay ends; attended, the provider answers them.
TEST(UnattendedRun, DialogsOpenedByTheReplayAreCancelledWithOneLineEach) {
  WorkFolder folder;
  const std::string seq = folder.file("dialogs.seq");
  ASSERT_TRUE(fixtures::SaveText(seq, "9 0 %01sizeWin 0\n9 0 %01writAct 0\n9 0 %01openAct 0\n9 0 %01updSol 0\n"
                                      "9 0 %01aboutZel 0\n-1\n"));
  const char *const titles[] = {"Window Size", "Save Mesh", "Select one or more files to open",
                                "Select one solution file to open", "About Menu"};
  for (bool unattended : {true, false}) {
    const char *what = unattended ? "unattended" : "attended";
    std::vector<std::string> args{"-in", dataFile("sample.meshb"), "-sol", dataFile("sample.solb"), "-seq", seq};
    if (unattended) args.push_back("-seq-exit");
    // The size is typed; the file dialogs are cancelled (an empty answer).
    ScriptedDialogs dialogs({{"321 x 234"}, {}, {}, {}});
    CaptureStderr();
    Viewer v(args);
    ZelSequenceServer *server = v.app->server();
    const bool finished = QTest::qWaitFor([&] { return server->finished() == 1; }, 120000);
    const std::string err = GetCapturedStderr();
    ASSERT_TRUE(finished) << what;
    EXPECT_EQ(dialogs.calls.size(), unattended ? 0u : 5u) << what;
    EXPECT_EQ(count(err, "CANCELLED"), unattended ? 5 : 0) << what << "\n" << err;
    for (const char *title : titles)
      EXPECT_EQ(count(err, std::string("DIALOG \"") + title + "\" CANCELLED"), unattended ? 1 : 0) << what << " " << title;
  }
}

// A modal dialog that does not come through the provider is rejected once its own loop runs,
// with one line, while an unattended run goes on. A watchdog accepts it otherwise, so that a
// fault fails the test instead of hanging it.
TEST(UnattendedRun, AnyOtherModalDialogShownWhileUnattendedIsRejected) {
  takePendingQuit();
  ZelUnattendedGuard guard;
  qApp->installEventFilter(&guard);
  const ZelUnattended previous = zelSetUnattended({[] { return true; }, {}, {}});
  QInputDialog input;
  input.setWindowTitle("Typed by nobody");
  QMessageBox box(QMessageBox::Question, "", "Asked of nobody", QMessageBox::Yes | QMessageBox::No);
  for (QDialog *d : {static_cast<QDialog *>(&input), static_cast<QDialog *>(&box)}) {
    QTimer::singleShot(60000, d, &QDialog::accept);
    CaptureStderr();
    const int result = d->exec();
    const std::string err = GetCapturedStderr();
    EXPECT_NE(result, int(QDialog::Accepted)) << d->metaObject()->className();
    EXPECT_EQ(count(err, "CANCELLED"), 1) << err;
  }
  zelSetUnattended(previous);
  // Attended, the guard lets a dialog be.
  QDialog attended;
  QTimer::singleShot(0, &attended, &QDialog::accept);
  EXPECT_EQ(attended.exec(), int(QDialog::Accepted));
  qApp->removeEventFilter(&guard);
}

// Sizes of the settings store from far off (or no size at all) give a terminal and a terminal
// window within the bounds of a screen; a value that is no number or no size is the default.
TEST(Startup, StoredTerminalSizesStayWithinAScreen) {
  struct Case {
    const char *what;
    QVariant height, size;
    int wantHeight;
    QSize wantSize;
  } const cases[] = {
      {"far off", QVariant(2147483647), QVariant(QSize(2147483647, 2147483647)), ScreenSizeMax,
       QSize(ScreenSizeMax, ScreenSizeMax)},
      {"beyond an int", QVariant(qlonglong(1) << 40), QVariant(QSize(-5, 0)), ScreenSizeMax, QSize(1, 1)},
      {"negative", QVariant(-7), QVariant(QSize(640, -2147483647)), 1, QSize(640, 1)},
      {"no number and no size", QVariant("tall"), QVariant("wide"), 90, QSize(800, 800)},
      {"on a screen", QVariant(120), QVariant(QSize(500, 400)), 120, QSize(500, 400)},
  };
  // The store the program reads, whatever scope an earlier test left.
  QCoreApplication::setOrganizationName("Tavrel");
  QCoreApplication::setApplicationName("Zelvane");
  for (const Case &c : cases) {
    QSettings().setValue("Terminal height", c.height);
    QSettings().setValue("size", c.size);
    EXPECT_EQ(zelStoredTermHeight(), c.wantHeight) << c.what;
    EXPECT_EQ(zelStoredTermWindowSize(), c.wantSize) << c.what;
  }
  // The window made from far-off values: its terminal and terminal window within a screen.
  QSettings().setValue("Terminal height", 2147483647);
  QSettings().setValue("size", QSize(2147483647, 2147483647));
  {
    Viewer v({"-in", dataFile("sample.meshb")});
    Window *c = v.window(0)->centralWindow();
    EXPECT_EQ(c->term()->maximumHeight(), int(ScreenSizeMax));
    EXPECT_EQ(c->termTool()->size(), QSize(ScreenSizeMax, ScreenSizeMax));
  }
  QSettings().remove("Terminal height");
  QSettings().remove("size");
}
