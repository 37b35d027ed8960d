// Opening meshes into windows: no file, a name without its ending, unreadable files, the
// embedding form with its tessellation and clip plane, and the server-root launch.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <fstream>
#include <sstream>

#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/LoadFixtures.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/sample/ZelSample.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSceneOptions.h"

TEST(Opening, WindowsAreTitledByTheirFileOrEmptyAndNeverShowABox) {
  const std::string broken = runDir() + "/broken.meshb";
  std::ofstream(broken) << "not a mesh file at all";
  struct Row {
    std::vector<std::string> args;
    const char *title;
    bool mesh;
  };
  const Row rows[] = {
      {{}, "[1] Empty", false},
      {{"-in", dataDir() + "/wing"}, "[1] wing.meshb", true},
      {{"-in", runDir() + "/missing/nothing.meshb"}, "[1] Empty", false},
      {{"-in", broken}, "[1] Empty", false},
  };
  // Without a file there is no base name to look for "<base>.zelvane": a file named
  // ".zelvane" in the working folder is not the options of an empty window.
  const QString cwd = QDir::currentPath(), here = QString::fromStdString(runDir()) + "/options";
  QDir().mkpath(here);
  std::ofstream((here + "/.zelvane").toStdString()) << "verbose 77\n";
  QDir::setCurrent(here);
  for (const Row &r : rows) {
    MessageLog log;
    Viewer v(r.args);
    EXPECT_EQ(v.scene(0)->opt->verbose, 0) << r.title;
    EXPECT_EQ(v.scene(0)->RndSet, 0) << r.title;
    ASSERT_EQ(v.app->windows().size(), 1);
    EXPECT_EQ(v.window(0)->windowTitle(), r.title);
    EXPECT_EQ(v.scene(0)->Msh != nullptr, r.mesh) << r.title;
    EXPECT_TRUE(log.shown.empty());
    if (r.mesh) {
      EXPECT_STREQ(v.scene(0)->Msh->MshNam, (dataDir() + "/wing").c_str());
    }
  }
  QDir::setCurrent(cwd);
}

TEST(Opening, TheEmbeddingFormRaisesTheTessellationAtMost32TimesAndRefusesAZeroPlane) {
  auto box = [](Memory_List *mem) { return zelMakeSampleBox(mem, 3); };
  {
    CaptureStdout();
    Viewer v(box, 40);
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(v.window(0)->windowTitle(), "[0] mesh in memory");
    EXPECT_EQ(v.scene(0)->Rnd.TessLevel, 32);
    // The render setting a host's scene carries; a scene read from a file has it 0.
    EXPECT_EQ(v.scene(0)->RndSet, 1);
    EXPECT_NE(out.find("Max tesselation reached"), std::string::npos);
  }
  double zero[4] = {0, 0, 0, 1};
  {
    CaptureStdout();
    Viewer v(box, 0, zero);
    const std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("CLIP PLANE WITH A ZERO NORMAL"), std::string::npos);
    EXPECT_EQ(v.scene(0)->ZelMsh->Pla->On, 0);
  }
  double plane[4] = {2, 0, 0, -1};
  Viewer v(box, 0, plane);
  const ZelPlaEntity *pla = v.scene(0)->ZelMsh->Pla;
  EXPECT_EQ(pla->On, 1);
  for (int c = 0; c < 4; c++) EXPECT_EQ(pla->Pla[pla->Cur][c], plane[c]);
  // The frame moves to the point of the plane nearest the origin, (a, b, c) d / |n|^2.
  EXPECT_DOUBLE_EQ(pla->FrmMat[3], -0.5);
}

// A solution named with -sol and refused, whatever the reason, leaves the mesh opened without
// it, and one line naming the file and the reason closes what the loader said: once on
// standard error and in the window's terminal. No line says the mesh failed. A second -sol is
// named as such and the first one loads.
TEST(Opening, ARefusedSolutionIsNamedWithItsReasonOnStandardErrorAndInTheTerminal) {
  using namespace fixtures;
  FixtureFile tet = MeshOf(3, 4);
  tet.Sections.push_back(Lines(8, "Tetrahedra", 4, {1, 2, 3, 4, 1}));
  const std::string mesh = SaveFixture(tet, "refused.mesh", false);
  auto sol = [](int dim, std::vector<int> types, int n, std::vector<double> values, const char *name, bool binary) {
    FixtureFile f;
    f.Dim = dim;
    f.Sections.push_back(SolutionSec(62, "SolAtVertices", types, n, values));
    return SaveFixture(f, name, binary);
  };
  const std::string folder = TestPath("refused-folder.sol");
  QDir().mkpath(QString::fromStdString(folder));
  struct Row {
    const char *what;
    std::vector<std::string> sol;  // the words after -in mesh
    std::string line;              // on standard error and in the terminal
    bool field;                    // a solution loaded
  } const rows[] = {
      {"a missing file", {"-sol", TestPath("refused-none.sol")}, "SOLUTION " + TestPath("refused-none.sol") + " NOT LOADED: NO SUCH FILE", false},
      {"a folder", {"-sol", folder}, "SOLUTION " + folder + " NOT LOADED: A FOLDER", false},
      {"a damaged file (a field type 0)",
       {"-sol", sol(3, {0, 1}, 4, {1, 2, 3, 4}, "refused-type0.solb", true)},
       "SOLUTION " + TestPath("refused-type0.solb") + " NOT LOADED: DAMAGED, ITS VALUES CANNOT BE READ", false},
      {"too many values", {"-sol", sol(3, {1}, 5, {1, 2, 3, 4, 5}, "refused-big.sol", false)},
       "SOLUTION " + TestPath("refused-big.sol") + " NOT LOADED: VALUES FOR 5 VERTICES ON A MESH OF 4", false},
      {"another dimension", {"-sol", sol(2, {1}, 4, {1, 2, 3, 4}, "refused-flat.sol", false)},
       "SOLUTION " + TestPath("refused-flat.sol") + " NOT LOADED: OF ANOTHER DIMENSION THAN THE MESH", false},
      {"-sol given twice",
       {"-sol", sol(3, {1}, 4, {1, 2, 3, 4}, "refused-good.sol", false), "-sol", TestPath("refused-big.sol")},
       "-sol GIVEN TWICE: " + TestPath("refused-big.sol") + " IGNORED", true},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    std::vector<std::string> args{"-in", mesh};
    args.insert(args.end(), r.sol.begin(), r.sol.end());
    CaptureStderr();
    Viewer v(args);
    const std::string err = GetCapturedStderr();
    const Geometric_Mesh *m = v.scene(0)->Msh;
    ASSERT_TRUE(m);
    EXPECT_EQ(m->NbrVer + m->NbrTet, 5);
    EXPECT_EQ(m->SolAtVer != nullptr, r.field);
    EXPECT_EQ(err.find("MESH FAILED"), std::string::npos) << err;
    const QString term = v.window(0)->centralWindow()->term()->toPlainText();
    if (r.field) {
      EXPECT_CONTAINS(err, r.line);
      continue;
    }
    std::vector<std::string> said;
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
      if (line.find(" NOT LOADED: ") != std::string::npos) said.push_back(line);
    ASSERT_EQ(said.size(), 1u) << err;
    EXPECT_CONTAINS(said[0], r.line + ", THE MESH IS LOADED WITHOUT IT");
    EXPECT_EQ(term.count(QString::fromStdString(r.line)), 1) << term.toStdString();
  }
}

namespace {
// What the ending would signal: each signal is noted, and only the launched child receives it.
std::vector<std::pair<pid_t, int>> signalled;
pid_t launched = 0;
int noteSignal(pid_t pid, int sig) {
  signalled.emplace_back(pid, sig);
  return pid > 0 && pid == launched ? kill(pid, sig) : 0;
}

// Whether some process still holds the writing end of the pipe read at fd.
bool held(int fd) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}
}  // namespace

// The stand-in for the program writes its process id, the signals it was started with ignored
// and its words into the test's pipe, then stays up as an instance does (or ends at once),
// holding the pipe until it ends. The run ignores SIGPIPE and SIGXFSZ, as the viewer does: the
// stand-in gets both at their defaults, through the shell as without it. An unattended
// run's instance is its own child, known from no file whatever $TMPDIR: only it is signalled,
// and it is reaped; one that ended early is reaped unsignalled; a number no longer its child is
// never signalled (one line says so). A run someone attends starts it through the shell and
// leaves it running.
TEST(Opening, TheServerRootInstanceGetsItsWordsAndAnUnattendedRunEndsOnlyItWithoutAnyFile) {
  const QString dir = QString::fromStdString(runDir()) + "/with blank's";
  const QString watched = dir + "/tmp", missing = dir + "/no such folder";
  QDir().mkpath(watched);
  const std::string mesh = dir.toStdString() + "/sample one.meshb";
  struct Row {
    const char *what;
    bool unattended, stays, reapedElsewhere, childrenIgnored;
    QString tmp;
    int port = 4321;  // 0: none given, none passed on
  } const rows[] = {
      {"a run someone attends", false, true, false, false, watched},
      {"an unattended run", true, true, false, false, watched},
      {"an unattended run, $TMPDIR missing", true, true, false, false, missing},
      {"an instance that ended early", true, false, false, false, watched},
      {"one that ended early, SIGCHLD ignored", true, false, false, true, watched},
      {"an instance reaped elsewhere", true, false, true, false, watched},
      {"a run someone attends, no port given", false, true, false, false, watched, 0},
      {"an unattended run, no port given", true, true, false, false, watched, 0},
  };
  const QByteArray tmpBefore = qgetenv("TMPDIR");
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    QStringList words{"-in", QString::fromStdString(mesh), "-server-root"};
    if (r.port) words << "-port" << QString::number(r.port);
    int pipeFd[2];
    ASSERT_EQ(pipe(pipeFd), 0);
    fcntl(pipeFd[0], F_SETFD, FD_CLOEXEC);
    const QString script = dir + "/rec ord.sh";
    std::ofstream(script.toStdString()) << "#!/bin/sh\nignored=$(sed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status)\n"
                                        << "printf '%s\\n' $$ \"$ignored\" \"$@\" . >/dev/fd/" << pipeFd[1] << "\n"
                                        << (r.stays ? "exec sleep 600 </dev/null >/dev/null 2>&1\n" : "exit 0\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(watch, watched.toUtf8().constData(), IN_CREATE | IN_MOVED_TO), 0);
    struct sigaction children;
    sigaction(SIGCHLD, nullptr, &children);
    if (r.childrenIgnored) signal(SIGCHLD, SIG_IGN);

    struct sigaction own[2];
    for (int k : {0, 1}) sigaction(k ? SIGXFSZ : SIGPIPE, nullptr, &own[k]);
    signal(SIGPIPE, SIG_IGN), signal(SIGXFSZ, SIG_IGN);
    CaptureStdout();
    qputenv("TMPDIR", r.tmp.toUtf8());
    pid_t child = 0;
    const int result = zelLaunchServerRoot(script.toStdString(), mesh, r.port, r.unattended ? &child : nullptr);
    tmpBefore.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmpBefore);
    for (int k : {0, 1}) sigaction(k ? SIGXFSZ : SIGPIPE, &own[k], nullptr);
    EXPECT_EQ(GetCapturedStdout(), "  SYSTEM RETURNED 0 \n");
    EXPECT_EQ(result, 0);
    close(pipeFd[1]);
    FILE *in = fdopen(pipeFd[0], "r");
    QStringList lines;
    // Up to the stand-in's closing ".": the words, however many there are.
    for (char line[4096]; (lines.isEmpty() || lines.last() != ".") && fgets(line, sizeof(line), in);)
      lines << QString(line).trimmed();
    EXPECT_EQ(lines.mid(2), words + QStringList{"."});
    bool mask = false;
    const qulonglong ignored = lines.size() > 1 ? lines[1].toULongLong(&mask, 16) : 0;
    EXPECT_TRUE(mask) << lines.join(' ').toStdString();
    EXPECT_EQ(ignored & ((1ull << (SIGPIPE - 1)) | (1ull << (SIGXFSZ - 1))), 0u) << std::hex << ignored;
    const pid_t standIn = lines.isEmpty() ? 0 : pid_t(lines[0].toLong());
    EXPECT_EQ(child, r.unattended ? standIn : 0);
    siginfo_t info;
    if (!r.stays && child > 0) waitid(P_PID, id_t(child), &info, WEXITED | (r.reapedElsewhere ? 0 : WNOWAIT));

    CaptureStderr();
    signalled.clear();
    launched = child;
    zelEndServerRoot(child, noteSignal);
    const std::string err = GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), r.reapedElsewhere ? 1 : 0) << err;
    using Sent = std::vector<std::pair<pid_t, int>>;
    const Sent expected = r.unattended && r.stays ? Sent{{child, SIGTERM}} : Sent{};
    EXPECT_EQ(signalled, expected);
    EXPECT_EQ(held(pipeFd[0]), !r.unattended);
    if (child > 0) {
      EXPECT_TRUE(waitpid(child, nullptr, WNOHANG) < 0 && errno == ECHILD);
    }
    char event[4096];
    EXPECT_LT(read(watch, event, sizeof(event)), 0);  // nothing was made in the temporary folder
    if (held(pipeFd[0]) && standIn > 0) kill(standIn, SIGKILL);
    close(watch);
    fclose(in);
    sigaction(SIGCHLD, &children, nullptr);
  }
}

namespace {
// A stop signal that comes while the normal end is at work, just before it signals the instance.
int stopDuringEnd = 0;
int stopThenSend(pid_t pid, int sig) {
  raise(stopDuringEnd);
  const int sent = kill(pid, sig);
  fprintf(stderr, "sent %d\n", sig);
  return sent;
}

// What follows the stop signal comes at once (the stand-in ends on SIGTERM; the end grants it
// 3 s): a run still up after AtOnce seconds says so and exits.
constexpr unsigned AtOnce = 5;
void notEnded(int) {
  const char line[] = "the run did not end by its stop signal within 5 s\n";
  (void)!write(STDERR_FILENO, line, sizeof(line) - 1);
  _exit(1);
}
}  // namespace

// The normal end of an unattended run and a stop signal never both end the instance: a signal
// met while the end is at work waits for it (the instance signalled once, by the end, and
// reaped), then ends the process by that signal.
TEST(Opening, AStopSignalDuringTheNormalEndEndsTheRunByItOnceTheInstanceIsReaped) {
  const QString script = QString::fromStdString(runDir()) + "/stays.sh";
  std::ofstream(script.toStdString()) << "#!/bin/sh\nexec sleep 600 </dev/null >/dev/null 2>&1\n";
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
    EXPECT_EXIT(
        {
          // As a run started by default, whatever this test inherited.
          for (int stop : {SIGTERM, SIGHUP, SIGINT}) signal(stop, SIG_DFL);
          stopDuringEnd = sig;
          signal(SIGALRM, notEnded);
          alarm(AtOnce);
          pid_t child = 0;
          zelLaunchServerRoot(script.toStdString(), runDir() + "/sample.meshb", 4321, &child);
          zelEndServerRoot(child, stopThenSend);
          fprintf(stderr, "went on\n");
          _exit(0);
        },
        testing::KilledBySignal(sig), "\nsent 15\n$")
        << strsignal(sig);
  }
}

TEST(Opening, ViewFilesLoadIntoEveryWindowOpenedSoFarAfterEachNewOne) {
  const std::string file = runDir() + "/two.view";
  {
    Viewer one({"-in", dataFile("sample.meshb")});
    ASSERT_EQ(zelSaveView(one.scene(0)), 1);
    ASSERT_EQ(zelSaveView(one.scene(0)), 2);
    ASSERT_TRUE(zelSaveViewInFile(one.scene(0), file.c_str()));
  }
  Viewer v({"-in", dataFile("sample.meshb"), dataFile("edges.meshb"), "-view", file});
  // The first window takes the file again after the second one opens.
  EXPECT_EQ(v.scene(0)->BakView->NbrView, 4);
  EXPECT_EQ(v.scene(1)->BakView->NbrView, 2);
  EXPECT_EQ(v.window(0)->findChild<QComboBox *>("View_1")->count(), 5);
  EXPECT_EQ(v.window(1)->findChild<QComboBox *>("View_2")->itemText(2), "View 2");

  CaptureStderr();
  Viewer bad({"-in", dataFile("sample.meshb"), dataFile("edges.meshb"), "-view", runDir() + "/none.view"});
  EXPECT_NE(GetCapturedStderr().find("Impossible to load View File " + runDir() + "/none.view"), std::string::npos);
  // The file is left out and start-up goes on: the second window, the links, the preferences.
  EXPECT_EQ(bad.app->windows().size(), 2);
  EXPECT_TRUE(bad.app->prefBox());
}
