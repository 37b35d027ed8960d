// The built programs run as a user runs them: the viewer on the generated sample under a
// display of its own, and a recorded sequence replayed by a new process that exits after it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/LoadFixtures.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/ZelSequenceServer.h"

namespace {

// Colours of a region, each seen at least `least` times, white (the view's background) aside.
int coloursBesidesWhite(const QImage &img, const QRect &region, int least) {
  std::map<QRgb, int> count;
  for (int y = region.top(); y <= region.bottom(); y++)
    for (int x = region.left(); x <= region.right(); x++) count[img.pixel(x, y)]++;
  int colours = 0;
  for (const auto &c : count) colours += c.first != qRgb(255, 255, 255) && c.second >= least;
  return colours;
}

QProcessEnvironment programEnvironment(const QString &display = QString()) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1");
  if (!display.isEmpty()) env.insert("DISPLAY", display);
  return env;
}

struct Outcome {
  int status = -1;
  std::string out, err;
};

Outcome runIn(const QString &program, const QStringList &args, int timeoutMs,
              const QProcessEnvironment &env = programEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(QString::fromStdString(dataDir()));
  p.start(program, args);
  Outcome r;
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.status = p.exitCode();
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  return r;
}

Outcome runViewer(const QStringList &args, int timeoutMs) { return runIn(buildProgram("zelvane"), args, timeoutMs); }

// The viewer on -in `mesh` and the other words, started through the shell so that the name
// reaches it byte for byte: a word handed over as text turns bytes that are no UTF-8 into
// replacement characters.
Outcome runViewerOn(const std::string &mesh, const QStringList &rest, int timeoutMs) {
  std::string octal;
  for (unsigned char c : mesh) octal += "\\" + std::to_string(c >> 6) + std::to_string((c >> 3) & 7) + std::to_string(c & 7);
  // The "x" keeps a trailing line feed from the shell's trimming.
  const QString line = QString::fromStdString("m=$(printf '" + octal + "x'); m=${m%x}; exec \"$0\" -in \"$m\" \"$@\"");
  return runIn("/bin/sh", QStringList{"-c", line, buildProgram("zelvane")} + rest, timeoutMs);
}

// The last line of a run's standard error, without its trailing blanks.
std::string lastLine(const std::string &err) {
  const std::string kept = err.substr(0, err.find_last_not_of(" \n") + 1);
  return kept.substr(kept.rfind('\n') + 1);
}

std::vector<std::string> linesStartingWith(const std::string &text, const std::string &prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  return lines;
}

// Whether two pictures show the same scene: the same size, and the mean colour of every 8 x 8
// block within 32 of the other's in each channel. Lines drawn with or without antialiasing
// move a block's mean by a share of a line; a frame never drawn moves whole blocks.
bool sameScene(const QImage &a, const QImage &b) {
  if (a.isNull() || a.size() != b.size()) return false;
  constexpr int Side = 8;
  for (int by = 0; by + Side <= a.height(); by += Side)
    for (int bx = 0; bx + Side <= a.width(); bx += Side) {
      int sum[3] = {0, 0, 0};
      for (int y = by; y < by + Side; y++)
        for (int x = bx; x < bx + Side; x++) {
          const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
          sum[0] += qRed(p) - qRed(q), sum[1] += qGreen(p) - qGreen(q), sum[2] += qBlue(p) - qBlue(q);
        }
      for (int d : sum)
        if (std::abs(d) > 32 * Side * Side) return false;
    }
  return true;
}

// Processes whose environment holds the word: those a test marked as its own (a process that
// has ended and waits to be reaped shows no environment).
std::vector<pid_t> processesHolding(const std::string &word) {
  std::vector<pid_t> holding;
  for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
    std::ifstream environ(("/proc/" + entry + "/environ").toStdString(), std::ios::binary);
    for (std::string w; std::getline(environ, w, '\0');)
      if (w == word) holding.push_back(pid_t(entry.toLong()));
  }
  return holding;
}

// The child of `parent` started with the word -server-root (its words once it has exec'd), 0
// while there is none.
pid_t serverRootChild(pid_t parent) {
  for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
    std::ifstream stat(("/proc/" + entry + "/stat").toStdString());
    std::string line;
    std::getline(stat, line);
    const size_t name = line.rfind(')');  // the name in parentheses may hold anything
    std::istringstream rest(name == std::string::npos ? std::string() : line.substr(name + 1));
    char state = 0;
    long ppid = 0;
    if (!(rest >> state >> ppid) || ppid != parent) continue;
    std::ifstream cmdline(("/proc/" + entry + "/cmdline").toStdString(), std::ios::binary);
    for (std::string w; std::getline(cmdline, w, '\0');)
      if (w == "-server-root") return pid_t(entry.toLong());
  }
  return 0;
}

// Waits, polling, until the child of this process has ended and reaps it: true with its
// status, false when it still runs after boundMs or is no child of this process.
bool reapWithin(pid_t child, int boundMs, int *status) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    const pid_t r = waitpid(child, status, WNOHANG);
    if (r == child) return true;
    if (r < 0 || clock.elapsed() > boundMs) return false;
    QThread::msleep(10);
  }
}

// The signal that ended a process, 0 when it exited.
int endingSignal(int status) { return WIFSIGNALED(status) ? WTERMSIG(status) : 0; }

// The viewer (or another program of the build) started as this process's own child, so that
// its number is ours until this process reaps it (a QProcess reaps by itself, and the number
// may go to another process before a signal is sent): the stop signals as by default, or
// SIGHUP ignored from the start as nohup leaves it; standard output into the descriptor,
// standard error into the file; no core file; in the folder dir when not empty.
pid_t spawnViewer(const QStringList &args, const QProcessEnvironment &env, bool nohup, int out, const std::string &err,
                  const char *program = "zelvane", const std::string &dir = std::string()) {
  std::vector<std::string> words{nohup ? "nohup" : program};
  if (nohup) words.push_back(buildProgram(program).toStdString());
  for (const QString &a : args) words.push_back(a.toStdString());
  std::vector<std::string> vars;
  for (const QString &v : env.toStringList()) vars.push_back(v.toStdString());
  std::vector<char *> argv, envp;
  for (std::string &w : words) argv.push_back(&w[0]);
  for (std::string &v : vars) envp.push_back(&v[0]);
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t streams;
  posix_spawn_file_actions_init(&streams);
  posix_spawn_file_actions_addopen(&streams, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&streams, out, STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&streams, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&streams, dir.c_str());
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, stops;
  sigemptyset(&none);
  sigemptyset(&stops);
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaddset(&stops, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &stops);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  // A limit of one byte writes no core file, nor lets the system pipe one to a crash collector.
  rlimit core;
  getrlimit(RLIMIT_CORE, &core);
  const rlimit noCore{std::min<rlim_t>(1, core.rlim_max), core.rlim_max};
  setrlimit(RLIMIT_CORE, &noCore);
  pid_t pid = 0;
  const std::string exe = nohup ? "nohup" : buildProgram(program).toStdString();
  if (posix_spawnp(&pid, exe.c_str(), &streams, &attr, argv.data(), envp.data()) != 0) pid = 0;
  setrlimit(RLIMIT_CORE, &core);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&streams);
  return pid;
}

}  // namespace

TEST(Program, OpensTheSampleAndDrawsItOnItsOwnDisplay) {
  QDir fb(QString::fromStdString(runDir()) + "/screen");
  fb.mkpath(".");
  QDir work(QString::fromStdString(runDir()) + "/smoke");
  work.mkpath(".");
  QProcess xvfb;
  const int n = startXvfb(xvfb, {"-screen", "0", "1280x1024x24", "-fbdir", fb.path()});
  ASSERT_GE(n, 0) << "Xvfb did not start";
  QElapsedTimer clock;

  QProcess sample;
  sample.setWorkingDirectory(work.path());
  sample.start(buildProgram("zelvane-sample"), {"-n", "8"});
  ASSERT_TRUE(sample.waitForFinished(30000));
  ASSERT_EQ(sample.exitCode(), 0);

  QProcess viewer;
  viewer.setProcessEnvironment(programEnvironment(QString(":%1").arg(n)));
  viewer.setWorkingDirectory(work.path());
  viewer.start(buildProgram("zelvane"), {"-in", "sample.meshb", "-sol", "sample.solb"});
  ASSERT_TRUE(viewer.waitForStarted());
  // The lone window stands at (640 - 400, 160); its view fills the middle of the screen.
  const QRect middle(600, 330, 560, 400);
  QImage screen;
  int colours = 0;
  clock.restart();
  while (colours < 2 && clock.elapsed() < 60000 && viewer.state() == QProcess::Running) {
    QThread::msleep(250);
    screen = readXwd(fb.filePath("Xvfb_screen0"));
    if (!screen.isNull()) colours = coloursBesidesWhite(screen, middle, 50);
  }
  if (!screen.isNull()) screen.save(QString::fromStdString(testOutputDir() + "/gui-program-screen.png"));
  viewer.kill();
  viewer.waitForFinished();
  xvfb.terminate();
  xvfb.waitForFinished();
  EXPECT_GE(colours, 2) << viewer.readAllStandardError().toStdString();
}

TEST(Program, ASequenceRecordedHereReplaysOnceInANewProcessThatExitsWithOne) {
  const std::string seq = runDir() + "/drag-and-pick.seq";
  std::vector<std::string> picked;
  {
    Viewer v({"-in", dataFile("sample.meshb")});
    GLWidget *view = v.view(0);
    ASSERT_TRUE(view);
    const QPoint c(view->width() / 2, view->height() / 2);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
                    Qt::KeyboardModifiers mods) {
      QMouseEvent event(type, at, view->mapToGlobal(at), button, held, mods);
      QApplication::sendEvent(view, &event);
    };
    send(QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    for (int k = 1; k <= 4; k++) send(QEvent::MouseMove, c + QPoint(15 * k, 4 * k), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    send(QEvent::MouseButtonRelease, c + QPoint(60, 16), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    CaptureStdout();
    send(QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    send(QEvent::MouseButtonRelease, c, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    picked = linesStartingWith(GetCapturedStdout(), "[1] ");
    v.app->server()->saveSequences(seq.c_str());
  }
  ASSERT_FALSE(picked.empty());
  size_t viewRecords = 0;
  {
    std::ifstream in(seq);
    for (std::string type, delay, name; in >> type >> delay >> name; in.ignore(1 << 20, '\n'))
      viewRecords += name == "glWidget";
  }
  ASSERT_EQ(viewRecords, 6u);  // two presses and four moves; releases in view mode are not recorded

  for (const QStringList &inputs : {QStringList{"sample.meshb"}, QStringList{"sample.meshb", "sample.meshb"}}) {
    const Outcome r = runViewer(QStringList{"-in"} + inputs + QStringList{"-seq", QString::fromStdString(seq), "-seq-exit"},
                            60000);
    EXPECT_EQ(r.status, 1) << r.out;
    // The view's records once each (the pages' own records replay beside them).
    size_t viewReplays = 0;
    for (const std::string &line : linesStartingWith(r.out, " running sequence"))
      viewReplays += line.size() >= 8 && line.compare(line.size() - 8, 8, "glWidget") == 0;
    EXPECT_EQ(viewReplays, viewRecords) << r.out;
    const std::vector<std::string> replayed = linesStartingWith(r.out, "[1] ");
    EXPECT_EQ(replayed, picked);
  }
}

// A replay whose first record saves at once, before the window can have been shown: the
// picture is the scene, the one the later saves of the same run write (by then the window is
// on the screen as a rule, but either way they are the reference), and the run ends with 1.
TEST(Program, AFirstRecordThatSavesAtOnceWritesTheSceneAsALaterSaveDoes) {
  std::string records = "20 0 glWidget 800 800 100 .png\n";
  for (int k = 0; k < 5; k++) records += "20 0.1 glWidget 800 800 100 _late.png\n";
  const std::string seq = runDir() + "/save-first.seq";
  ASSERT_TRUE(fixtures::SaveText(seq, records + "-1\n"));
  const Outcome r = runViewer({"-in", "sample.meshb", "-seq", QString::fromStdString(seq), "-seq-exit"}, 60000);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err.find("non-exposed"), std::string::npos) << r.err;
  const QString dir = QString::fromStdString(dataDir());
  const QImage first(dir + "/[1] sample.png"), late(dir + "/[1] sample_late.png");
  first.save(QString::fromStdString(testOutputDir() + "/gui-program-first-save.png"));
  ASSERT_GE(coloursBesidesWhite(late, late.rect(), 50), 2);
  EXPECT_TRUE(sameScene(first, late));
}

// Standard output sent to a file reaches it line by line while the viewer runs: a script
// watching the log finds the line said before a picture is saved as soon as the picture is
// there, the run still going (the lines would otherwise wait in a buffer for the exit).
TEST(Program, AStandardOutputSentToAFileFollowsTheRunLineByLine) {
  fixtures::ScratchFolder d("log-follows");
  ASSERT_TRUE(QFile::copy(QString::fromStdString(dataFile("sample.meshb")), QString::fromStdString(d.path("tet.meshb"))));
  ASSERT_TRUE(fixtures::SaveText(d.path("replay.seq"), "20 0 glWidget 64 48 100 .png\n-1\n"));
  const std::string log = d.path("run.log"), picture = d.path("[1] tet.png");
  const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(out, 0);
  const pid_t run = spawnViewer({"-in", "tet.meshb", "-seq", "replay.seq"}, programEnvironment(), false, out,
                                d.path("run.err"), "zelvane", d.Path);
  close(out);
  ASSERT_GT(run, 0);
  int status = 0;
  bool ended = false;
  QElapsedTimer clock;
  clock.start();
  while (!QFile::exists(QString::fromStdString(picture)) && !(ended = waitpid(run, &status, WNOHANG) == run) &&
         clock.elapsed() < 180000)
    QThread::msleep(10);
  std::ifstream in(log, std::ios::binary);
  const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Read while the run goes on: nothing of it comes from the flush at its exit.
  const bool running = !ended && waitpid(run, &status, WNOHANG) == 0;
  if (!ended) {  // still this test's child, unreaped: its number is its own
    kill(run, SIGTERM);
    if (!reapWithin(run, 60000, &status)) kill(run, SIGKILL), waitpid(run, &status, 0);
  }
  ASSERT_TRUE(running) << "the run ended before its picture was saved";
  EXPECT_CONTAINS(said, "% tet.meshb OPENED");
  EXPECT_CONTAINS(said, " SAVING IMAGE WITH NAME [1] tet.png\n");
}

// Standard output into a pipe whose reader has gone (`zelvane ... | head -1`): every line the
// viewer writes fails, as on a full disk, and the run goes on to its pictures and ends with the
// status the README tables, its closing line on standard error; never by SIGPIPE.
TEST(Program, AClosedPipeOnStandardOutputNeverEndsTheRun) {
  const struct {
    const char *what, *mesh, *seq;
    int status;
    const char *closing;  // the last line on standard error; null: none, the picture is made
  } rows[] = {
      {"a good replay", "tet.meshb", "7 0 glWidget 0 0 0 10 10\n20 0.05 glWidget 64 48 100 .png\n-1\n", 1, nullptr},
      {"a save refused", "tet.meshb", "20 0 glWidget 64 48 100 /../x.png\n-1\n", ZelExitIncomplete,
       "EXITING WITH CODE 3: 1 REPLAYED SAVE OF replay.seq FAILED"},
      {"a missing mesh", "missing.meshb", "20 0 glWidget 64 48 100 .png\n-1\n", ZelExitUnattended,
       "EXITING WITH CODE 2: CANNOT READ THE MESH missing.meshb"},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    fixtures::ScratchFolder d("closed-pipe");
    ASSERT_TRUE(QFile::copy(QString::fromStdString(dataFile("sample.meshb")), QString::fromStdString(d.path("tet.meshb"))));
    ASSERT_TRUE(fixtures::SaveText(d.path("replay.seq"), r.seq));
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    close(out[0]);  // nobody reads: the first line written meets a closed pipe
    const std::string err = d.path("run.err");
    const pid_t run = spawnViewer({"-in", r.mesh, "-seq", "replay.seq", "-seq-exit"}, programEnvironment(), false,
                                  out[1], err, "zelvane", d.Path);
    close(out[1]);
    ASSERT_GT(run, 0);
    int status = 0;
    if (!reapWithin(run, 180000, &status)) {
      kill(run, SIGKILL);
      waitpid(run, &status, 0);
      ADD_FAILURE() << "the run did not end";
    }
    std::ifstream in(err, std::ios::binary);
    const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(endingSignal(status), 0) << strsignal(endingSignal(status)) << "\n" << said;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == r.status) << std::hex << status << "\n" << said;
    EXPECT_EQ(QFile::exists(QString::fromStdString(d.path("[1] tet.png"))), !r.closing);
    if (r.closing) {
      EXPECT_CONTAINS(lastLine(said), r.closing);
    } else {
      EXPECT_EQ(said.find("EXITING WITH CODE"), std::string::npos) << said;
    }
  }
}

// Solutions the loader refuses after the size pass laid them out: the viewer opens the mesh
// alone, replays its sequence and ends as a normal run, never reading the refused layout.
TEST(Program, ARefusedSolutionOpensTheMeshAlone) {
  using namespace fixtures;
  FixtureFile tet = MeshOf(3, 4);
  tet.Sections.push_back(Lines(8, "Tetrahedra", 4, {1, 2, 3, 4, 1}));
  const std::string mesh = SaveFixture(tet, "alone.mesh", false);
  const std::string seq = SaveNamed("alone.seq", "7 0 glWidget 0 0 0 10 10\n-1\n");
  auto sol = [](int dim, std::vector<int> types, std::vector<double> values, const char *name, bool binary) {
    FixtureFile f;
    f.Dim = dim;
    f.Sections.push_back(SolutionSec(62, "SolAtVertices", types, 4, values));
    return SaveFixture(f, name, binary);
  };
  struct Case {
    std::string Sol;
    const char *Refusal;
  } const cases[] = {
      {sol(2, {2}, {1, 0, 0, 1, 1, 1, 2, 2}, "alone-dim2.sol", false), "WRONG MESH DIMENSION"},
      {sol(3, {0, 1}, {1, 2, 3, 4}, "alone-type0.solb", true), "INVALID FIELD TYPE 0"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.Sol);
    const Outcome r = runViewer({"-in", QString::fromStdString(mesh), "-sol", QString::fromStdString(c.Sol), "-seq",
                                 QString::fromStdString(seq), "-seq-exit"},
                                120000);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_CONTAINS(r.err, c.Refusal);
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(linesStartingWith(r.out, " running sequence").size(), 1u) << r.out;
  }
}

// Recordings and states from elsewhere with positions and sizes at the ends of the int range:
// a mouse drag from one end to the other, a state whose view is 2^31 - 1 high placed at
// y = 2^31 - 1, chosen from the bottom bar. The replay runs to its end with no overflow.
TEST(Program, FarOffRecordsAndStatesReplayToTheirEnd) {
  using namespace fixtures;
  const std::string mesh = SaveFixture(MeshOf(3, 4), "faroff.mesh", false);
  FixtureFile field;
  field.Sections.push_back(SolutionSec(62, "SolAtVertices", {1}, 4, {1, 2, 3, 4}));
  SaveFixture(field, "faroff.sol", false);  // a field of its own: the state keeps its field
  const std::string state = SaveNamed(
      "faroff.state",
      "V201506\n0 0\n0 0 -1 300 2147483647 0 2147483647 90 19\n"
      "0 0 -2\t0 0 0\t45\t0.1\t100\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n14 0 -1 0 0 0\t0 0 0 0\n");
  struct Case {
    const char *What;
    QStringList Args;
    std::string Seq;
    size_t Records;
    size_t Applied;  // states the window took (each prints a line "1")
  } const cases[] = {
      {"a drag across the int range", {},
       "6 0 glWidget 1 1 0 -2147483648 10\n7 0 glWidget 0 1 0 478 10\n"
       "7 0 glWidget 0 1 0 2147483647 -2147483648\n8 0 glWidget 1 0 0 478 10\n-1\n",
       4, 0},
      {"a state far off and huge", {"-state", QString::fromStdString(state)}, "10 0 State_1 1\n-1\n", 1, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.What);
    const std::string seq = SaveNamed("faroff.seq", c.Seq);
    const Outcome r = runViewer(QStringList{"-in", QString::fromStdString(mesh)} + c.Args +
                                    QStringList{"-seq", QString::fromStdString(seq), "-seq-exit"},
                                120000);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
    EXPECT_EQ(linesStartingWith(r.out, " running sequence").size(), c.Records) << r.out;
    const std::vector<std::string> ones = linesStartingWith(r.out, "1");
    EXPECT_EQ(size_t(std::count(ones.begin(), ones.end(), "1")), c.Applied) << r.out;
  }
}

// Mesh names holding control bytes, given to an unattended run: a name it cannot read (cut
// short) ends the run with status 2 and the closing line, the last on standard error, quotes
// it on that one line with its control bytes as "\xHH"; a name it reads has the notice of its
// short solution echoed from the terminal the same way, and its replay traces a record whose
// widget name and value hold control bytes. No line of either stream carries a control byte
// but its own line feed (and the tabs of the program's own memory report), and a name of plain
// bytes shows as it is.
TEST(Program, ANameWithControlBytesIsShownEscapedOnTheLinesThatQuoteIt) {
  const std::string cut = "MeshVersionFormatted 2\nDimension 3\nVertices\n4\n0 0 0 1\n";
  const std::string tet = cut + "1 0 0 1\n0 1 0 1\n0 0 1 1\nTetrahedra\n1\n1 2 3 4 1\nEnd\n";
  const std::string shortSol = "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n3\n1 1\n1\n2\n3\nEnd\n";
  // The second record names no widget of the run; its name and value are traced on reading.
  const std::string seq =
      fixtures::SaveNamed("names.seq", "7 0 glWidget 0 0 0 10 10\n13 0 gh%1B[31mo%0Ast v\x1b[0m\n-1\n");
  struct Row {
    const char *what;
    std::string stem, shown;  // the name without its ".mesh", and as the lines must show it
    bool readable;            // false: cut short, the closing line; true: the echoed notice
  } const rows[] = {
      {"a line feed", "a\nb", "a\\x0ab", false},
      {"an escape sequence and a line feed", "e\x1b[31mRED\ny", "e\\x1b[31mRED\\x0ay", false},
      {"a carriage return", "over\rwritten", "over\\x0dwritten", false},
      {"a tab and a delete", "t\tx\x7f", "t\\x09x\\x7f", false},
      {"plain UTF-8", "\xce\xa9mega-\xc3\xbc", "\xce\xa9mega-\xc3\xbc", false},
      {"a terminal line echoed on standard output", "h\x1b[33mX\r\ny", "h\\x1b[33mX\\x0d\\x0ay", true},
      // Controls without a control byte: C1 controls in a name a terminal reads as Latin-1,
      // and a right-to-left override.
      {"C1 controls in a name that is no UTF-8", "n\x85l\x9b" "33mX", "n\\x85l\\x9b" "33mX", false},
      {"a right-to-left override", "rlo\xe2\x80\xae" "doc", "rlo\\xe2\\x80\\xae" "doc", false},
      {"C1 controls echoed from the terminal", "t\x9b" "1m\x85z", "t\\x9b" "1m\\x85z", true},
  };
  // The offset of the first control byte that is neither a line feed nor a tab, of the first
  // byte 0x80-0x9F outside a UTF-8 character, or of a C1 control or a right-to-left override
  // in UTF-8; npos when none.
  auto stray = [](const std::string &text) {
    for (size_t i = 0; i < text.size(); i++) {
      const auto b = static_cast<unsigned char>(text[i]);
      if ((b < 0x20 && b != '\n' && b != '\t') || b == 0x7F) return i;
      if (b >= 0x80 && b <= 0x9F) return i;  // a continuation byte is skipped below
      const size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
      if (n == 1 || i + n > text.size()) continue;
      const std::string character = text.substr(i, n);
      if ((n == 2 && b == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) ||
          character == "\xe2\x80\xae")
        return i;
      i += n - 1;
    }
    return std::string::npos;
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    const std::string mesh = r.stem + ".mesh";
    ASSERT_TRUE(fixtures::SaveText(dataDir() + "/" + mesh, r.readable ? tet : cut));
    if (r.readable) {
      ASSERT_TRUE(fixtures::SaveText(dataDir() + "/" + r.stem + ".sol", shortSol));
    }
    // A word no parser takes is named as it is typed, escaped too.
    const Outcome o = runViewerOn(mesh, {"-seq", QString::fromStdString(seq), "-seq-exit", "--odd\x1b[1m"}, 120000);
    EXPECT_EQ(o.status, r.readable ? 1 : ZelExitUnattended) << o.err;
    EXPECT_EQ(stray(o.err), std::string::npos) << o.err;
    EXPECT_EQ(stray(o.out), std::string::npos) << o.out;
    if (r.readable) {
      const std::string notice = r.shown + ".sol HOLDS VALUES FOR 3 OF THE 4 VERTICES";
      size_t echoed = 0;
      for (const std::string &line : linesStartingWith(o.out, "[1] ")) echoed += line.find(notice) != std::string::npos;
      EXPECT_EQ(echoed, 1u) << o.out;
      continue;
    }
    EXPECT_EQ(lastLine(o.err), "  ## ERROR: ZELVANE: EXITING WITH CODE 2: CANNOT READ THE MESH " + r.shown + ".mesh")
        << o.err;
  }
}

// The closing line of an unattended run gives its status before any name: the first "EXITING
// WITH CODE <n>" of the last line on standard error is the status, whatever a name quoted
// after it holds.
TEST(Program, NoNameInTheClosingLineCanPassForTheStatus) {
  const std::string forged = "x, EXITING WITH CODE 0 ";
  const QString replay = QString::fromStdString(fixtures::SaveNamed("closing.seq", "7 0 glWidget 0 0 0 10 10\n-1\n"));
  const QString refused =
      QString::fromStdString(fixtures::SaveNamed(forged + ".seq", "20 0 glWidget 64 48 100 /../x.png\n-1\n"));
  const struct {
    const char *what;
    QStringList args;
    int status;
  } rows[] = {
      {"a mesh it cannot read", {"-in", QString::fromStdString(forged), "-seq", replay}, ZelExitUnattended},
      {"a replayed save that fails", {"-in", QString::fromStdString(dataFile("sample.meshb")), "-seq", refused},
       ZelExitIncomplete},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    const Outcome o = runViewer(r.args + QStringList{"-seq-exit"}, 120000);
    EXPECT_EQ(o.status, r.status) << o.err;
    const std::string last = lastLine(o.err), code = "EXITING WITH CODE ";
    ASSERT_NE(last.find(code), std::string::npos) << o.err;
    EXPECT_EQ(std::atoi(last.c_str() + last.find(code) + code.size()), r.status) << last;
    EXPECT_CONTAINS(last, "x, EXITING WITH CODE 0");  // the name is quoted all the same
  }
}

// Unattended runs (-seq-exit) always end: with nothing to replay or a command line the
// start-up box would refuse, at once with status 2 and their line on standard error; a replay
// whose records open dialogs has them cancelled and ends as a normal run. Words that no parser
// takes are named once each, the toolkit's own options and the bad values of numbers (named by
// the parser) never; an option without its number and a port out of range are named once, on
// standard error. The deadline only tells a run that waits for ever from one that ends.
TEST(Program, UnattendedRunsEndWithTheirStatusWhateverTheyMeet) {
  WorkFolder folder;
  const QString mesh = QString::fromStdString(dataFile("sample.meshb"));
  const QString unreadable = QString::fromStdString(fixtures::SaveNamed("unattended-bad.seq", "6 0 glWidget 1 1\n-1\n"));
  const QString dialogs =
      QString::fromStdString(fixtures::SaveNamed("unattended-dialogs.seq", "9 0 %01sizeWin 0\n9 0 %01writAct 0\n-1\n"));
  const QString missing = QString::fromStdString(folder.file("missing.seq"));
  struct Case {
    const char *what;
    QStringList args;
    int status;
    std::vector<std::string> lines;  // on standard error
    size_t unknown = 0;              // words named as unknown options
    // Said once in all the run prints, standard output too.
    std::vector<std::string> once = {};
  } const cases[] = {
      {"a missing sequence", {"-in", mesh, "-seq", missing}, ZelExitUnattended, {"NOTHING TO REPLAY IN " + missing.toStdString()}},
      {"a first record that cannot be read", {"-in", mesh, "-seq", unreadable}, ZelExitUnattended,
       {"LINE 1 OF " + unreadable.toStdString() + " NOT READ", "NOTHING TO REPLAY"}},
      {"-in alone", {"-in", "-seq", dialogs}, ZelExitUnattended, {"PARSER: NO FILE NAME GIVEN"}},
      {"-sol alone", {"-sol", "x.sol", "-seq", dialogs}, ZelExitUnattended, {"PARSER: BAD COMMAND LINE"}},
      {"a name starting with a dash", {"-in", "-sample.meshb", "-seq", dialogs}, ZelExitUnattended,
       {"PARSER: NO FILE NAME GIVEN", "unknown option -sample.meshb, ignored\n"}, 1},
      {"-sol given twice", {"-in", mesh, "-sol", QString::fromStdString(dataFile("sample.solb")), "-sol", "x.sol", "-seq", dialogs}, 1,
       {"  ## WARNING: PARSER: -sol GIVEN TWICE: x.sol IGNORED \n"}},
      {"records that open dialogs, words of no parser, bad numbers and the toolkit's options",
       {"-in", mesh, "--seq-exit", "-soll", "x.sol", "-nproc", "abc", "-v", "x", "-style", "Fusion", "-reverse", "-seq",
        dialogs},
       1,
       {"DIALOG \"Window Size\" CANCELLED", "DIALOG \"Save Mesh\" CANCELLED", "unknown option --seq-exit, ignored\n",
        "unknown option -soll, ignored\n", "unknown option x.sol, ignored\n"},
       3},
      {"options without their number and a port out of range",
       {"-in", mesh, "-port", "99999", "-nproc", "-O", "-seq", dialogs, "-v"},
       1,
       {"  ## WARNING: PARSER: -nproc WITHOUT ITS NUMBER, IGNORED \n",
        "  ## WARNING: PARSER: -O WITHOUT ITS NUMBER, IGNORED \n",
        "  ## WARNING: PARSER: -v WITHOUT ITS NUMBER, IGNORED \n",
        "  ## WARNING: PARSER: -port 99999: A PORT OUT OF 1-65535, IGNORED \n"},
       0,
       {"99999", "-nproc WITHOUT", "-O WITHOUT", "-v WITHOUT"}},
  };
  for (const Case &c : cases) {
    const Outcome r = runViewer(c.args + QStringList{"-seq-exit"}, 180000);
    EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
    for (const std::string &line : c.lines) EXPECT_CONTAINS(r.err, line) << c.what;
    const std::string all = r.out + r.err;
    for (const std::string &text : c.once) {
      const size_t at = all.find(text);
      EXPECT_TRUE(at != std::string::npos && all.find(text, at + 1) == std::string::npos)
          << c.what << ": " << text << " not said once\n" << all;
    }
    size_t unknown = 0;
    for (size_t at = r.err.find("unknown option"); at != std::string::npos; at = r.err.find("unknown option", at + 1))
      unknown++;
    EXPECT_EQ(unknown, c.unknown) << c.what << "\n" << r.err;
  }
}

// An unattended -server run starts the server-root instance, this program, and ends it: once
// the run has ended no process of the run's own environment is left.
TEST(Program, AnUnattendedServerRunLeavesNoInstanceBehind) {
  const QString markValue = QString::fromStdString(runDir()) + "/server";
  const std::string mark = "ZELVANE_TEST_RUN=" + markValue.toStdString();
  const std::string seq = fixtures::SaveNamed("server.seq", "7 0 glWidget 0 0 0 10 10\n-1\n");
  QProcessEnvironment env = programEnvironment();
  env.insert("ZELVANE_TEST_RUN", markValue);
  QProcess viewer;
  viewer.setProcessEnvironment(env);
  viewer.start(buildProgram("zelvane"), {"-in", QString::fromStdString(dataFile("sample.meshb")), "-server", "-seq",
                                         QString::fromStdString(seq), "-seq-exit"});
  ASSERT_TRUE(viewer.waitForFinished(180000));
  const std::string out = viewer.readAllStandardOutput().toStdString();
  EXPECT_EQ(viewer.exitCode(), 1) << viewer.readAllStandardError().toStdString();
  EXPECT_CONTAINS(out, "  SYSTEM RETURNED 0 \n");
  const std::vector<pid_t> left = processesHolding(mark);
  EXPECT_TRUE(left.empty());
  for (pid_t pid : left) kill(pid, SIGKILL);
}

// A -server run opens neither its -in mesh nor the instance's, and says so in one line naming
// both, and whether the sample the instance opens is beside the program or missing. The
// program runs from a folder of its own (a hard link, else a copy), with or without the sample.
TEST(Program, AServerRunNamesTheMeshItDoesNotOpenAndTheInstancesOwn) {
  const QString bin = QString::fromStdString(fixtures::TestPath("server-bin"));
  QDir(bin).removeRecursively();
  ASSERT_TRUE(QDir().mkpath(bin));
  const QString program = bin + "/zelvane", sample = bin + "/sample.meshb";
  if (link(buildProgram("zelvane").toLocal8Bit().constData(), program.toLocal8Bit().constData()) != 0) {
    ASSERT_TRUE(QFile::copy(buildProgram("zelvane"), program));
  }
  const std::string seq = fixtures::SaveNamed("server-line.seq", "7 0 glWidget 0 0 0 10 10\n-1\n");
  const std::string input = dataFile("wing.meshb"), solution = dataFile("sample.solb"), second = dataFile("edges.meshb");
  const QString markValue = QString::fromStdString(runDir()) + "/server-line";
  QProcessEnvironment env = programEnvironment();
  env.insert("ZELVANE_TEST_RUN", markValue);
  for (const bool beside : {false, true}) {
    SCOPED_TRACE(beside ? "the sample beside the program" : "no sample beside the program");
    if (beside) {
      ASSERT_TRUE(QFile::copy(QString::fromStdString(dataFile("sample.meshb")), sample));
    }
    QProcess viewer;
    viewer.setProcessEnvironment(env);
    // With a second mesh, the solution named for the first would land on it.
    QStringList words = {"-in", QString::fromStdString(input)};
    if (beside) words << QString::fromStdString(second) << "-sol" << QString::fromStdString(solution);
    words << "-server" << "-seq" << QString::fromStdString(seq) << "-seq-exit";
    viewer.start(program, words);
    ASSERT_TRUE(viewer.waitForFinished(180000)) << "the run did not end";
    const std::string err = viewer.readAllStandardError().toStdString();
    EXPECT_EQ(viewer.exitCode(), 1) << err;
    const std::vector<std::string> said = linesStartingWith(err, "  ## WARNING: ZELVANE: -server: ");
    ASSERT_EQ(said.size(), 1u) << err;
    EXPECT_CONTAINS(said[0], "THIS WINDOW DOES NOT OPEN " + input + ",");
    EXPECT_CONTAINS(said[0], "THE -server-root INSTANCE OPENS ITS OWN MESH " + sample.toStdString());
    EXPECT_EQ(said[0].find("MISSING") == std::string::npos, beside) << said[0];
    EXPECT_EQ(said[0].find("NOR ITS SOLUTION " + solution + ",") != std::string::npos, beside) << said[0];
    const std::string out = viewer.readAllStandardOutput().toStdString();
    EXPECT_EQ(err.find("NOT LOADED"), std::string::npos) << err;
    EXPECT_EQ(err.find("INCONSISTENT"), std::string::npos) << err;
    EXPECT_EQ(out.find("HOLDS VALUES FOR"), std::string::npos) << out;
    const std::vector<pid_t> left = processesHolding("ZELVANE_TEST_RUN=" + markValue.toStdString());
    EXPECT_TRUE(left.empty());
    for (pid_t pid : left) kill(pid, SIGKILL);
  }
  QDir(bin).removeRecursively();
}

// An unattended -server run whose program file is gone since it started (removed, or replaced
// by an upgrade) cannot start its instance from it: it says so, returns -1 for it, takes no
// child that died at its exec for a running instance, and replays and ends as any run does.
// It runs from a link of its own, held open here and removed before the run starts.
TEST(Program, AServerRunWhoseProgramIsGoneSaysItsInstanceCouldNotBeStarted) {
  const std::string program = fixtures::TestPath("gone-zelvane");
  unlink(program.c_str());
  if (link(buildProgram("zelvane").toLocal8Bit().constData(), program.c_str()) != 0) {
    ASSERT_TRUE(QFile::copy(buildProgram("zelvane"), QString::fromStdString(program)));
  }
  const int held = open(program.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(unlink(program.c_str()), 0);
  const std::string seq = fixtures::SaveNamed("gone.seq", "7 0 glWidget 0 0 0 10 10\n-1\n");
  const QString markValue = QString::fromStdString(runDir()) + "/gone";
  QProcessEnvironment env = programEnvironment();
  env.insert("ZELVANE_TEST_RUN", markValue);
  const Outcome r = runIn(QString("/proc/%1/fd/%2").arg(getpid()).arg(held),
                          {"-in", QString::fromStdString(dataFile("sample.meshb")), "-server", "-seq",
                           QString::fromStdString(seq), "-seq-exit"},
                          180000, env);
  close(held);
  EXPECT_EQ(r.status, 1) << "-1: the run did not end within 180 s\n" << r.err;
  EXPECT_EQ(linesStartingWith(r.err, "  ## ERROR: ZELVANE: THE -server-root INSTANCE COULD NOT BE STARTED: ").size(), 1u)
      << r.err;
  EXPECT_EQ(r.err.find("COULD NOT BE ENDED"), std::string::npos) << r.err;
  EXPECT_CONTAINS(r.out, "  SYSTEM RETURNED -1 \n");
  // The run's folder holds a sample.meshb, which is not the installed one beside a program.
  const std::vector<std::string> said = linesStartingWith(r.err, "  ## WARNING: ZELVANE: -server: ");
  ASSERT_EQ(said.size(), 1u) << r.err;
  EXPECT_CONTAINS(said[0], ", WHICH IS MISSING");
  const std::vector<pid_t> left = processesHolding("ZELVANE_TEST_RUN=" + markValue.toStdString());
  EXPECT_TRUE(left.empty()) << "an instance runs";
  for (pid_t pid : left) kill(pid, SIGKILL);
}

// An unattended -server run stopped from outside. SIGTERM, SIGHUP and SIGINT: the run ends its
// instance, reaps it and then ends by that signal; a SIGHUP ignored from the start (nohup)
// stays ignored. Killed or crashed, the run cannot act: its instance ends by itself on the
// parent-death signal (SIGKILL). This test is the child subreaper of its runs, so an instance
// that outlives its run becomes its own child: it is seen and reaped, never missed. The run is
// held up by its standard output, a pipe of one page that nobody reads, and is signalled once
// its instance has been exec'd. The run starts in its own time (a sanitizer build on a loaded
// machine); what follows a signal comes at once: the run ends its instance, which it grants
// 3 s, and then itself; an instance ends with its run.
TEST(Program, AStoppedUnattendedServerRunEndsItsInstanceOrLeavesItToEndAtOnce) {
#ifdef __SANITIZE_ADDRESS__
  // The sanitizer's own handler reports a segmentation fault and exits with 1.
  const int segvSignal = 0, segvStatus = 1;
#else
  const int segvSignal = SIGSEGV, segvStatus = 0;
#endif
  struct Row {
    const char *what;
    bool nohup;
    std::vector<int> sent;
    int runSignal, runStatus;  // how the run ends: by this signal, or else with this status
    bool endedFirst;           // the run reaped its instance before it ended
  } const rows[] = {
      {"SIGTERM", false, {SIGTERM}, SIGTERM, 0, true},
      {"SIGHUP", false, {SIGHUP}, SIGHUP, 0, true},
      {"SIGINT", false, {SIGINT}, SIGINT, 0, true},
      {"SIGHUP under nohup, then SIGTERM", true, {SIGHUP, SIGTERM}, SIGTERM, 0, true},
      {"SIGKILL", false, {SIGKILL}, SIGKILL, 0, false},
      {"a crash (SIGSEGV)", false, {SIGSEGV}, segvSignal, segvStatus, false},
      {"an abort (SIGABRT)", false, {SIGABRT}, SIGABRT, 0, false},
  };
  std::string records;
  for (int k = 0; k < 2000; k++) records += "7 0.1 glWidget 0 0 0 10 10\n";
  const std::string seq = fixtures::SaveNamed("stopped.seq", records + "-1\n");
  int subreaper = 0;
  prctl(PR_GET_CHILD_SUBREAPER, &subreaper);
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  constexpr int StartBound = 180000, AtOnce = 5000;
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    const QString markValue = QString::fromStdString(runDir()) + "/stopped " + r.what;
    QProcessEnvironment env = programEnvironment();
    env.insert("ZELVANE_TEST_RUN", markValue);
    // The sanitizer reports the crash at once when it does not symbolize it.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":symbolize=0");
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    fcntl(out[1], F_SETPIPE_SZ, 4096);
    const std::string err = runDir() + "/stopped.err";
    const pid_t run = spawnViewer({"-in", QString::fromStdString(dataFile("sample.meshb")), "-server", "-seq",
                                   QString::fromStdString(seq), "-seq-exit"},
                                  env, r.nohup, out[1], err);
    close(out[1]);
    ASSERT_GT(run, 0);
    int status = 0;
    pid_t instance = 0;
    bool runEnded = false;
    QElapsedTimer clock;
    clock.start();
    while (!(instance = serverRootChild(run)) && !(runEnded = waitpid(run, &status, WNOHANG) == run) &&
           clock.elapsed() < StartBound)
      QThread::msleep(10);
    if (instance) {
      for (int sig : r.sent) kill(run, sig);
      runEnded = reapWithin(run, AtOnce, &status);
    }
    std::ifstream errFile(err);
    const std::string errText((std::istreambuf_iterator<char>(errFile)), std::istreambuf_iterator<char>());
    if (!runEnded) {  // still this test's child, unreaped
      kill(run, SIGKILL);
      waitpid(run, &status, 0);
    }
    ASSERT_GT(instance, 0) << "no instance while the run was up\n" << errText;
    if (!runEnded) {  // how it ended, and its instance, say nothing more
      ADD_FAILURE() << "the run did not end within " << AtOnce / 1000 << " s of its signal\n" << errText;
    } else if (r.runSignal) {
      EXPECT_EQ(endingSignal(status), r.runSignal) << errText;
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == r.runStatus) << std::hex << status << "\n" << errText;
    }
    // An instance the run did not reap is now a child of this test.
    int instanceStatus = 0;
    const pid_t seen = waitpid(instance, &instanceStatus, WNOHANG);
    const bool outlived = !(seen < 0 && errno == ECHILD);
    if (runEnded) {
      EXPECT_EQ(outlived, !r.endedFirst) << (outlived ? "the run did not reap its instance" : "the run reaped its instance");
    }
    if (outlived) {
      if (seen == instance || reapWithin(instance, AtOnce, &instanceStatus)) {
        EXPECT_EQ(endingSignal(instanceStatus), SIGKILL) << "the instance did not end by its parent-death signal";
      } else {
        ADD_FAILURE() << "the instance still ran " << AtOnce / 1000 << " s after its run had ended";
        kill(instance, SIGKILL);
        waitpid(instance, nullptr, 0);
      }
    }
    const std::vector<pid_t> left = processesHolding("ZELVANE_TEST_RUN=" + markValue.toStdString());
    EXPECT_TRUE(left.empty());
    for (pid_t pid : left) kill(pid, SIGKILL);
    close(out[0]);  // only now: an instance writing into a closed pipe would end by SIGPIPE
  }
  prctl(PR_SET_CHILD_SUBREAPER, subreaper);
}

// A run stopped from outside while it saves, as batch schedulers and `timeout` stop one: the
// viewer replaying an image save, zelvane-sample writing its pair. Each is held at a known
// step, its commit waiting for the lock of the old file, which this test holds (the wait is
// said once on standard error, a second after it began), then stopped. SIGTERM, SIGINT and
// SIGHUP end it by that signal (a SIGHUP ignored from the start, as nohup leaves it, stays
// ignored), and SIGKILL ends it at once; either way nothing of its writes is left in the
// folder (no temporary file, no scratch folder) and the old files are whole.
TEST(Program, AStoppedRunLeavesNothingOfItsSavesInTheFolder) {
  struct Row {
    const char *what, *program;
    bool nohup;
    std::vector<int> sent;
    int endsBy;
  } const rows[] = {
      {"the viewer, SIGTERM", "zelvane", false, {SIGTERM}, SIGTERM},
      {"the viewer, SIGINT", "zelvane", false, {SIGINT}, SIGINT},
      {"the viewer, SIGHUP", "zelvane", false, {SIGHUP}, SIGHUP},
      {"the viewer, SIGHUP under nohup, then SIGTERM", "zelvane", true, {SIGHUP, SIGTERM}, SIGTERM},
      {"the viewer, SIGKILL", "zelvane", false, {SIGKILL}, SIGKILL},
      {"zelvane-sample, SIGTERM", "zelvane-sample", false, {SIGTERM}, SIGTERM},
      {"zelvane-sample, SIGINT", "zelvane-sample", false, {SIGINT}, SIGINT},
      {"zelvane-sample, SIGHUP", "zelvane-sample", false, {SIGHUP}, SIGHUP},
  };
  constexpr int Bound = 180000;
  auto bytes = [](const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::string err = runDir() + "/stopped-saves.err", waiting = "IS LOCKED BY ANOTHER PROGRAM: WAITING UP TO 30 s";
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    fixtures::ScratchFolder d("stopped-saves");
    if (r.endsBy == SIGKILL && !fixtures::NamelessFilesIn(d.Path)) {
      printf("  (%s: the file system of %s makes no file without a name; not tried)\n", r.what, d.Path.c_str());
      continue;
    }
    const bool viewer = !std::strcmp(r.program, "zelvane");
    // The old files, the one whose lock holds the run first.
    const std::vector<std::string> old = viewer ? std::vector<std::string>{"[1] tet.png"}
                                                : std::vector<std::string>{"s.meshb", "s.solb"};
    for (const std::string &name : old) ASSERT_TRUE(fixtures::SaveText(d.path(name), "old " + name));
    QStringList args = {"-n", "4", "-o", "s"};
    if (viewer) {
      ASSERT_TRUE(
          QFile::copy(QString::fromStdString(dataFile("sample.meshb")), QString::fromStdString(d.path("tet.meshb"))));
      ASSERT_TRUE(fixtures::SaveText(d.path("replay.seq"), "20 0 glWidget 64 48 100 .png\n-1\n"));
      args = QStringList{"-in", "tet.meshb", "-seq", "replay.seq", "-seq-exit"};
    }
    const std::vector<std::string> before = d.names();
    const int held = open(d.path(old[0]).c_str(), O_RDONLY | O_CLOEXEC), out = open("/dev/null", O_WRONLY | O_CLOEXEC);
    ASSERT_TRUE(held >= 0 && flock(held, LOCK_EX) == 0);
    const pid_t run = spawnViewer(args, programEnvironment(), r.nohup, out, err, r.program, d.Path);
    close(out);
    ASSERT_GT(run, 0);
    // Held at the lock, which the line says, then stopped.
    int status = 0;
    bool ended = false, wasWaiting = false;
    QElapsedTimer clock;
    clock.start();
    while (!(wasWaiting = bytes(err).find(waiting) != std::string::npos) &&
           !(ended = waitpid(run, &status, WNOHANG) == run) && clock.elapsed() < Bound)
      QThread::msleep(10);
    if (!ended) {  // still this test's child, unreaped: its number is its own
      for (int sig : r.sent) kill(run, wasWaiting ? sig : SIGKILL);
      if (!(ended = reapWithin(run, Bound, &status))) kill(run, SIGKILL), waitpid(run, &status, 0);
    }
    close(held);
    const std::string text = bytes(err);
    unlink(err.c_str());
    ASSERT_TRUE(wasWaiting) << "the run never waited for the lock\n" << text;
    EXPECT_TRUE(ended) << text;
    EXPECT_EQ(endingSignal(status), r.endsBy) << std::hex << status << "\n" << text;
    EXPECT_EQ(text.find(waiting), text.rfind(waiting)) << "said twice: " << text;
    EXPECT_EQ(d.names(), before);
    for (const std::string &name : old) EXPECT_EQ(bytes(d.path(name)), "old " + name);
  }
}

// This test program and the viewer end without reading GL driver state freed before them. Each
// runs as a child with every freed byte of the heap overwritten (glibc's MALLOC_PERTURB_,
// AddressSanitizer's free fill), so that a read of freed memory while the displays close
// crashes every time rather than once in a hundred runs: the test program on one of its own
// tests, the viewer on an unattended replay.
TEST(Program, TheTestProgramAndTheViewerEndWithoutReadingFreedDriverState) {
  fixtures::ScratchFolder d("program-end");
  ASSERT_TRUE(fixtures::SaveText(d.path("picture.seq"), "20 0 glWidget 64 48 100 .png\n-1\n"));
  const QString self = QCoreApplication::applicationFilePath(), passed = "[  PASSED  ] 1 test.";
  const struct {
    const char *what;
    QString program;
    QStringList words;
    int status;
    QString said;  // on standard output
  } rows[] = {
      {"views made after freeglut's window and never drawn", self,
       {"--gtest_filter=LinkedViews.AViewLeavingTheChainJoinsItsNeighboursAndKeepsNoLinks"}, 0, passed},
      {"a view drawn and read back", self,
       {"--gtest_filter=ViewCentre.AMeshOffZeroIsDrawnAsAtZeroAndTheRotationCentreComesToTheMiddle"}, 0, passed},
      {"the viewer's unattended replay", buildProgram("zelvane"),
       {"-in", QString::fromStdString(dataFile("sample.meshb")), "-seq", "picture.seq", "-seq-exit"}, 1,
       "Thank you for using zelvane"},
  };
  QProcessEnvironment env = programEnvironment();
  env.insert("MALLOC_PERTURB_", "165");
  env.insert("ASAN_OPTIONS",
             "detect_leaks=0:allocator_may_return_null=1:intercept_tls_get_addr=0:max_free_fill_size=1048576:"
             "free_fill_byte=165");
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(d.Path));
    p.start(r.program, r.words);
    ASSERT_TRUE(p.waitForFinished(180000));
    const QString out = p.readAllStandardOutput(), err = p.readAllStandardError();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(p.exitCode(), r.status) << err.toStdString();
    EXPECT_TRUE(out.contains(r.said)) << out.toStdString();
  }
}

// run.sh, test.sh and .ci/run as a user or CI starts them, in stand-ins of the checkout: their
// own build steps answered by stubs (no build, no install, no fuzzing), the viewer and ctest
// stubs that say where they run and what they were given. A link to run.sh sits in a folder
// with scripts/ of its own, a checkout whose name starts with a dash in another, and one whose
// name ends with a line feed beside a folder of that name without it; a link to .ci/run sits
// in a folder with a test.sh of its own: those scripts must never run. A script read from
// standard input knows no checkout and stops before it runs anything.
TEST(Program, RunShAndTestShFindTheirCheckoutWhateverItsNameAndStopWhenTheyCannot) {
  WorkFolder folder;
  const QString root = QString::fromStdString(folder.path);
  auto write = [&](const QString &name, const QByteArray &text) {
    QDir().mkpath(QFileInfo(root + "/" + name).path());
    QFile f(root + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  };
  const QByteArray report = (root + "/report").toLocal8Bit();
  const QByteArray says = "#!/bin/sh\n{ pwd -P; printf '%s\\n' \"$@\"; } >'" + report + "'\n";
  auto checkout = [&](const QString &at) {
    for (const char *script : {"run.sh", "test.sh", ".ci/run"}) {
      QFile real(ZELVANE_SOURCE_DIR "/" + QString(script));
      ASSERT_TRUE(real.open(QIODevice::ReadOnly));
      write(at + "/" + script, real.readAll());
    }
    write(at + "/scripts/build-jobs.sh", "#!/bin/sh\necho 1\n");
    write(at + "/scripts/install-deps.sh", "#!/bin/sh\n");
    write(at + "/scripts/with-display.sh", "#!/bin/sh\nexec \"$@\"\n");
    // What test.sh runs besides ctest when given no word, as .ci/run starts it.
    for (const char *step : {"scripts/run-fuzz.sh", "scripts/run-load-fuzz.sh", "scripts/run-state-fuzz.sh",
                             "build-tsan/tests/test_common", "build-tsan/tests/test_scene", "build-tsan/tests/test_lists"})
      write(at + "/" + step, "#!/bin/sh\n");
    write(at + "/build/sample.meshb", ""), write(at + "/build/sample.solb", "");
    write(at + "/build/zelvane", says);
    QDir().mkpath(root + "/" + at + "/build-test");
  };
  checkout("checkout");
  checkout("dashed/-lead");
  checkout("fed\n");  // a trailing line feed, which a command substitution drops
  write("bin/cmake", "#!/bin/sh\n");
  write("bin/ctest", says);
  const QByteArray notHere = "#!/bin/sh\necho 'a folder not the checkout' >'" + report + "'\nexit 3\n";
  for (const char *s : {"elsewhere/scripts/build-jobs.sh", "elsewhere/scripts/install-deps.sh",
                        "dashed/scripts/build-jobs.sh", "dashed/scripts/install-deps.sh", "fed/scripts/build-jobs.sh",
                        "fed/scripts/install-deps.sh", "fed/test.sh", "ci-link/test.sh"})
    write(s, notHere);
  QDir().mkpath(root + "/caller/deeper");
  QDir().mkpath(root + "/ci-link/.ci");
  ASSERT_TRUE(QFile::link(root + "/checkout/run.sh", root + "/elsewhere/run.sh"));
  ASSERT_TRUE(QFile::link("../elsewhere/run.sh", root + "/caller/chain.sh"));  // a link to the link
  ASSERT_TRUE(QFile::link("-lead/run.sh", root + "/dashed/-run.sh"));           // dashes on both ends
  ASSERT_TRUE(QFile::link(root + "/checkout/.ci/run", root + "/ci-link/.ci/run"));
  const QString plain = QDir(root + "/checkout").canonicalPath(), caller = QDir(root + "/caller").canonicalPath(),
                dashed = QDir(root + "/dashed").canonicalPath(), lead = dashed + "/-lead",
                fed = QDir(root + "/fed\n").canonicalPath(), ctestAll = "/build-test\n--output-on-failure\n-j1\n";
  const QString onPath = root + "/dashed/-lead:" + root + "/bin:" + qgetenv("PATH");
  const struct {
    const char *what, *from;
    QStringList command;  // the program, then its words
    QString ran;          // where the stub that ran was and what it was given, a line each; empty: nothing ran
    const char *input = nullptr;  // standard input, under the work folder
    QString path = {};            // PATH, when not the stubs' folder then the usual one
  } rows[] = {
      {"its own name, from another folder", "caller", {"../checkout/run.sh", "-in", "a.meshb"},
       caller + "\n-in\na.meshb\n"},
      {"a link in another folder", "caller", {"../elsewhere/run.sh", "-in", "a b.meshb", "-sol", "a.solb"},
       caller + "\n-in\na b.meshb\n-sol\na.solb\n"},
      {"a link to that link, from a folder below", "caller/deeper", {"../chain.sh", "-in", "../a.mesh"},
       caller + "/deeper\n-in\n../a.mesh\n"},
      {"a link, without words", "caller", {"../elsewhere/run.sh"},
       plain + "\n-in\nbuild/sample.meshb\n-sol\nbuild/sample.solb\n"},
      {"a checkout named with a dash, after --", "dashed", {"bash", "--", "-lead/run.sh", "-in", "a.meshb"},
       dashed + "\n-in\na.meshb\n"},
      {"a checkout named with a dash, after ./", "dashed", {"bash", "./-lead/run.sh"},
       lead + "\n-in\nbuild/sample.meshb\n-sol\nbuild/sample.solb\n"},
      {"a checkout named with a dash, started by its path", "dashed", {"./-lead/run.sh", "-in", "-b.meshb"},
       dashed + "\n-in\n-b.meshb\n"},
      {"a link named with a dash, after --", "dashed", {"bash", "--", "-run.sh", "-in", "a.meshb"},
       dashed + "\n-in\na.meshb\n"},
      {"test.sh of a checkout named with a dash, after --", "dashed", {"bash", "--", "-lead/test.sh", "-R", "x"},
       lead + "/build-test\n--output-on-failure\n-j1\n-R\nx\n"},
      {"test.sh of a checkout named with a dash, after ./", "dashed", {"bash", "./-lead/test.sh", "-R", "x"},
       lead + "/build-test\n--output-on-failure\n-j1\n-R\nx\n"},
      {"run.sh read from standard input", "dashed", {"bash", "-s", "--", "-in", "a.meshb"}, "", "dashed/-lead/run.sh"},
      {"test.sh read from standard input", "dashed", {"bash", "-s", "--", "-R", "x"}, "", "dashed/-lead/test.sh"},
      {"run.sh found on the PATH by bash", "dashed", {"bash", "run.sh", "-in", "a.meshb"}, dashed + "\n-in\na.meshb\n",
       nullptr, onPath},
      {"test.sh found on the PATH by bash", "dashed", {"bash", "test.sh", "-R", "x"},
       lead + "/build-test\n--output-on-failure\n-j1\n-R\nx\n", nullptr, onPath},
      {"a checkout named with a trailing line feed", "caller", {"../fed\n/run.sh", "-in", "a.meshb"},
       caller + "\n-in\na.meshb\n"},
      {"a checkout named with a trailing line feed, without words", "caller", {"bash", "../fed\n/run.sh"},
       fed + "\n-in\nbuild/sample.meshb\n-sol\nbuild/sample.solb\n"},
      {"test.sh of a checkout named with a trailing line feed", "caller", {"../fed\n/test.sh", "-R", "x"},
       fed + "/build-test\n--output-on-failure\n-j1\n-R\nx\n"},
      {".ci/run of a checkout named with a trailing line feed", "caller", {"bash", "../fed\n/.ci/run"}, fed + ctestAll},
      {".ci/run through a link from a folder with a test.sh of its own", "ci-link", {"bash", ".ci/run"},
       plain + ctestAll},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    QFile::remove(root + "/report");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", r.path.isEmpty() ? root + "/bin:" + env.value("PATH") : r.path);
    env.remove("JOBS");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(root + "/" + r.from);
    if (r.input) p.setStandardInputFile(root + "/" + r.input);
    p.start(r.command.first(), r.command.mid(1));
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string err = p.readAllStandardError().toStdString();
    QFile said(root + "/report");
    if (r.ran.isEmpty()) {
      EXPECT_NE(p.exitCode(), 0);
      EXPECT_FALSE(said.exists()) << said.fileName().toStdString();
      EXPECT_NE(err.find("cannot tell which file it was started from"), std::string::npos) << err;
      continue;
    }
    EXPECT_EQ(p.exitCode(), 0) << err;
    if (!said.open(QIODevice::ReadOnly)) {
      ADD_FAILURE() << "nothing ran\n" << err;
      continue;
    }
    EXPECT_EQ(said.readAll().toStdString(), r.ran.toStdString());
  }
}
