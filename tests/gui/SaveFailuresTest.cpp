// Saves that cannot be done: every save command warns with the file and the reason and never
// announces a write that failed; the real viewer under a file-size limit, before files it may
// not write and before links planted under the names a replay writes, reports each refusal
// and goes on with its replay.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/base/UserFile.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/MeshFixtures.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/sample/ZelSample.h"

using namespace fixtures;

namespace {

std::string ReadAll(const std::string &path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

// The contents when short, else their size and a digest: enough to tell them apart.
std::string shortly(const std::string &contents) {
  if (contents.size() < 80) return contents;
  return std::to_string(contents.size()) + " bytes, digest " + std::to_string(std::hash<std::string>()(contents));
}

QString terminalOf(MainWindow *w) { return w->centralWindow()->term()->toPlainText(); }

bool isLink(const std::string &path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

mode_t modeOf(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::vector<std::string> linesOf(const QByteArray &text) {
  std::vector<std::string> out;
  for (const QByteArray &l : text.split('\n')) out.push_back(l.toStdString());
  return out;
}

size_t countLine(const std::vector<std::string> &lines, const std::string &line) {
  return size_t(std::count(lines.begin(), lines.end(), line));
}

// A program as a shell starts it: SIGXFSZ at its default action and, when set, a limit on the
// size of the files it writes.
class LimitedProcess : public QProcess {
 public:
  rlim_t limit = RLIM_INFINITY;

 protected:
  void setupChildProcess() override {
    signal(SIGXFSZ, SIG_DFL);
    if (limit != RLIM_INFINITY) {
      const struct rlimit r = {limit, limit};
      setrlimit(RLIMIT_FSIZE, &r);
    }
  }
};

// The save commands of the window, each with the ending of the file it writes.
struct SaveCommand {
  const char *what;
  ZelAction action;
  const char *ending;
};
const SaveCommand SaveCommands[] = {
    {"Write Mesh", ActWriteMesh, ".meshb"},      {"Save States in File", ActRecState, ".state"},
    {"Save Views in File", ActRecView, ".view"}, {"Save Sequences", ActRecSeq, ".seq"},
    {"Save Image", ActSaveImage, ".png"},
};

}  // namespace

// On a full disk each save command shows one warning naming the file and the reason; the old
// file stays, no temporary file is left, and Write Mesh does not print "Write". Once there is
// room the same command writes and says nothing more than before.
TEST(SaveFailures, EverySaveCommandWarnsOfAFullDiskWithTheFileAndTheReason) {
  WorkFolder folder;
  Viewer v({"-in", dataFile("sample.meshb")});
  MainWindow *w = v.window(0);
  w->saveCurView();  // a view list with something to write
  std::vector<std::string> names;
  for (const SaveCommand &r : SaveCommands) {
    SCOPED_TRACE(r.what);
    const std::string file = std::string("full") + r.ending, path = folder.file(file);
    const QString name = QString::fromStdString(path);
    ASSERT_TRUE(SaveText(path, "old"));
    names.push_back(file);
    {
      ScriptedDialogs dialogs({{name}});
      MessageLog log;
      {
        FileSizeLimit full(0);
        ASSERT_TRUE(full.active());
        w->action(r.action)->trigger();
      }
      ASSERT_EQ(log.shown.size(), 1u);
      EXPECT_EQ(log.shown[0].text, "Cannot write " + name + ": " + QString::fromLocal8Bit(strerror(EFBIG)));
      EXPECT_EQ(log.shown[0].icon, QMessageBox::Warning);
      EXPECT_EQ(ReadAll(path), "old");
      EXPECT_FALSE(terminalOf(w).contains("Write " + name));
    }
    ScriptedDialogs dialogs({{name}});
    MessageLog log;
    w->action(r.action)->trigger();
    EXPECT_TRUE(log.shown.empty()) << log.shown[0].text.toStdString();
    EXPECT_NE(ReadAll(path), "old");
    EXPECT_EQ(terminalOf(w).contains("  Write " + name), r.action == ActWriteMesh);
  }
  std::sort(names.begin(), names.end());
  QStringList left = QDir(QString::fromStdString(folder.path)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
  std::vector<std::string> got;
  for (const QString &f : left) got.push_back(f.toStdString());
  EXPECT_EQ(got, names);  // no temporary file
}

// A save over a file another program holds locked waits for it (UserFileLockWaitMs, short
// here) and says so once the wait has lasted UserFileLockSayAfterMs (0 here: as it begins):
// once on standard error and once in the window's terminal, with the wait cursor over the
// windows until the wait ends, whichever way it ends: the lock given up during the wait (the
// file then written) or held past the bound (the save refused with its warning, the file as it
// was).
TEST(SaveFailures, ASaveOverALockedFileSaysItWaitsAndShowsTheWaitCursorMeanwhile) {
  WorkFolder folder;
  Viewer v({"-in", dataFile("sample.meshb")});
  MainWindow *w = v.window(0);
  w->saveCurView();  // a view list with something to write
  const int bound = UserFileLockWaitMs, sayAfter = UserFileLockSayAfterMs;
  UserFileLockWaitMs = 200;
  UserFileLockSayAfterMs = 0;
  for (const SaveCommand &r : SaveCommands)
    for (const bool released : {true, false}) {
      SCOPED_TRACE(std::string(r.what) + (released ? ", the lock given up" : ", the lock held"));
      const std::string path = folder.file(std::string("locked") + r.ending);
      ASSERT_TRUE(SaveText(path, "old"));
      const int held = open(path.c_str(), O_RDONLY | O_CLOEXEC);
      ASSERT_TRUE(held >= 0 && flock(held, LOCK_EX) == 0);
      const QString line = QString::fromStdString(path) + " IS LOCKED BY ANOTHER PROGRAM: WAITING UP TO 0.2 s FOR IT";
      const int before = terminalOf(w).count(line);
      bool waitCursor = false, said = false;
      AtStep = {"wait for the lock", [&] {
                  const QCursor *cursor = QApplication::overrideCursor();
                  waitCursor = cursor && cursor->shape() == Qt::WaitCursor;
                  said = terminalOf(w).count(line) == before + 1;
                  if (released) flock(held, LOCK_UN);
                }, 0};
      UserFileBetweenSteps = OnStep;
      ScriptedDialogs dialogs({{QString::fromStdString(path)}});
      MessageLog log;
      const std::string err = CaptureText([&] { w->action(r.action)->trigger(); }).Err;
      UserFileBetweenSteps = nullptr;
      close(held);
      EXPECT_EQ(AtStep.seen, 1);
      EXPECT_TRUE(waitCursor) << "no wait cursor during the wait";
      EXPECT_TRUE(said) << "the terminal did not say the wait when it began";
      EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the wait cursor stayed";
      EXPECT_EQ(QString::fromStdString(err).count(line), 1) << err;
      EXPECT_EQ(terminalOf(w).count(line), before + 1);
      EXPECT_EQ(ReadAll(path) == "old", !released);
      EXPECT_EQ(log.shown.size(), released ? 0u : 1u);
    }
  UserFileLockWaitMs = bound;
  UserFileLockSayAfterMs = sayAfter;
}

// A save the user names keeps writing through a link: the file it names gets the contents.
TEST(SaveFailures, AnInteractiveSaveWritesThroughALink) {
  WorkFolder folder;
  Viewer v({"-in", dataFile("sample.meshb")});
  ASSERT_TRUE(SaveText(folder.file("real.state"), "old"));
  ASSERT_EQ(symlink("real.state", folder.file("link.state").c_str()), 0);
  ScriptedDialogs dialogs({{QString::fromStdString(folder.file("link.state"))}});
  MessageLog log;
  v.window(0)->action(ActRecState)->trigger();
  EXPECT_TRUE(log.shown.empty());
  EXPECT_TRUE(isLink(folder.file("link.state")));
  EXPECT_EQ(ReadAll(folder.file("real.state")).rfind("V201506\n", 0), 0u);
}

// The real viewer replays a sequence that saves an image under the window's name, updates the
// mesh (which writes "<mesh>temp.state") and saves a second image, then ends. A file-size
// limit, files the user may not write, or links planted under both names (as a folder unpacked
// from an archive may hold): each image write is refused or fails with one line naming the file
// and why on standard error; the state file, which nobody asked for, costs one terminal line
// on standard output. The files are as they were, no temporary file is left, and the replay
// runs to its end with the exit status of a replay that ends the program.
TEST(SaveFailures, TheViewerReportsFailedAndRefusedReplayedWritesAndRunsToTheEnd) {
  const bool root = geteuid() == 0;
  const std::string png = "[1] tet.png", state = "tettemp.state", bmp = "[1] tet.bmp";
  const std::string tooLarge = strerror(EFBIG);
  const std::string protectedReason = "the file is write-protected";
  const std::string linkReason = "it is a symbolic link, and a name read from a sequence is never written through one";
  struct Row {
    const char *what;
    rlim_t limit;
    bool withoutOverride;  // run as a user who cannot write over another's files
    std::function<void(const ScratchFolder &)> plant;
    std::vector<std::string> lines;  // each once on standard error
    std::string stateReason;         // why the state file was not written, on standard output
    bool bmpWritten;
  };
  const std::vector<Row> rows = {
      {"a file-size limit", 0, false,
       [&](const ScratchFolder &d) { ASSERT_TRUE(SaveText(d.path("unpacked/" + png), "old image")); },
       {"Cannot write " + png + ": " + tooLarge, "Cannot write " + bmp + ": " + tooLarge}, tooLarge, false},
      {"files the user may not write", RLIM_INFINITY, true,
       [&](const ScratchFolder &d) {
         ASSERT_TRUE(SaveText(d.path("unpacked/" + png), "old image"));
         ASSERT_EQ(chmod(d.path("unpacked/" + png).c_str(), 0444), 0);
         ASSERT_TRUE(SaveText(d.path("unpacked/" + state), "old state"));
         // Root makes it another user's file; any other user makes it read-only.
         if (root) {
           ASSERT_EQ(chown(d.path("unpacked/" + state).c_str(), NobodyUid, NobodyUid), 0);
         } else {
           ASSERT_EQ(chmod(d.path("unpacked/" + state).c_str(), 0444), 0);
         }
       },
       {"Cannot write " + png + ": " + protectedReason}, protectedReason, true},
      {"links planted under both names", RLIM_INFINITY, false,
       [&](const ScratchFolder &d) {
         ASSERT_TRUE(SaveText(d.path("outside/victim.png"), "victim image"));
         ASSERT_TRUE(SaveText(d.path("outside/victim.state"), "victim state"));
         ASSERT_EQ(symlink("../outside/victim.png", d.path("unpacked/" + png).c_str()), 0);
         ASSERT_EQ(symlink("../outside/victim.state", d.path("unpacked/" + state).c_str()), 0);
       },
       {"Cannot write " + png + ": " + linkReason}, linkReason, true},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    ScratchFolder d("viewer-saves");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(d.path("unpacked"))));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(d.path("outside"))));
    ASSERT_TRUE(QFile::copy(QString::fromStdString(dataFile("sample.meshb")), QString::fromStdString(d.path("unpacked/tet.meshb"))));
    // Image save, "&Update Mesh" of window 1, image save.
    ASSERT_TRUE(SaveText(d.path("unpacked/replay.seq"),
                         "20 0 glWidget 64 48 100 .png\n9 0 %01updScn 0\n20 0 glWidget 64 48 100 .bmp\n-1\n"));
    r.plant(d);
    auto snapshot = [&] {
      std::vector<std::string> s;
      for (const char *sub : {"unpacked", "outside"})
        for (const QFileInfo &f : QDir(QString::fromStdString(d.path(sub))).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
          const std::string p = f.absoluteFilePath().toStdString();
          s.push_back(std::string(sub) + "/" + f.fileName().toStdString() + (isLink(p) ? " link" : "") + " " +
                      std::to_string(modeOf(p)) + " " + shortly(ReadAll(p)));
        }
      return s;
    };
    const std::vector<std::string> before = snapshot();

    LimitedProcess p;
    p.limit = r.limit;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1");
    env.insert("MESA_SHADER_CACHE_DISABLE", "true");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(d.path("unpacked")));
    QString program = buildProgram("zelvane");
    QStringList args = {"-in", "tet.meshb", "-seq", "replay.seq", "-seq-exit"};
    if (r.withoutOverride && root) {
      // Root without any capability: permissions bind it as they bind any user.
      args = QStringList{"--inh-caps=-all", "--bounding-set=-all", "--", program} + args;
      program = "setpriv";
    }
    p.start(program, args);
    ASSERT_TRUE(p.waitForStarted()) << program.toStdString();
    ASSERT_TRUE(p.waitForFinished(180000));
    const QByteArray err = p.readAllStandardError();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(p.exitCode(), ZelExitIncomplete) << err.toStdString();
    const std::vector<std::string> lines = linesOf(err);
    for (const std::string &line : r.lines) EXPECT_EQ(countLine(lines, line), 1u) << line << "\n" << err.toStdString();
    EXPECT_EQ(err.count(state.c_str()), 0) << err.toStdString();
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_EQ(out.count((state + " not written (" + r.stateReason + ")").c_str()), 1) << out.toStdString();

    // What was there is as it was, to the modes and the links, with no temporary file beside
    // it; the second image tells the replay went on.
    std::vector<std::string> after = snapshot();
    const std::string second = "unpacked/" + bmp + " ";
    const auto found = std::find_if(after.begin(), after.end(), [&](const std::string &s) { return s.rfind(second, 0) == 0; });
    EXPECT_EQ(found != after.end(), r.bmpWritten);
    if (found != after.end()) after.erase(found);
    EXPECT_EQ(after, before);
  }
}

// The sample generator under a file-size limit: its writes fail, it says why and ends with
// status 1, leaving no file behind.
TEST(SaveFailures, TheSampleGeneratorUnderAFileSizeLimitSaysWhyAndLeavesNoFile) {
  ScratchFolder d("sample-under-limit");
  LimitedProcess p;
  p.limit = 4096;
  p.setWorkingDirectory(QString::fromStdString(d.Path));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1");
  p.setProcessEnvironment(env);
  p.start(buildProgram("zelvane-sample"), {"-n", "8"});
  ASSERT_TRUE(p.waitForFinished(60000));
  const std::string err = p.readAllStandardError().toStdString();
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err;
  EXPECT_EQ(p.exitCode(), 1) << err;
  EXPECT_NE(err.find("CANNOT WRITE THE SAMPLE (sample.meshb, sample.solb): " + std::string(strerror(EFBIG))),
            std::string::npos)
      << err;
  EXPECT_EQ(d.names(), std::vector<std::string>{});
}

// The sample generator's command line: CELLS is a whole number of 1 to 700, else the command
// line is refused with status 2 and one line.
TEST(SaveFailures, TheSampleGeneratorTakesWholeNumbersOfCellsOnly) {
  const std::pair<const char *, int> cases[] = {{"5", 5}, {"700", 700}, {"5x", 0}, {"abc", 0},
                                                {"0", 0}, {"701", 0},   {" 5", 0},  {"99999999999", 0}};
  for (const auto &c : cases) {
    std::string words[] = {"zelvane-sample", "-n", c.first};
    char *argv[] = {&words[0][0], &words[1][0], &words[2][0]};
    int cells = 0, status = -1;
    std::string base;
    const Captured got = CaptureText([&] { status = zelSampleCommandLine(3, argv, &cells, &base); });
    EXPECT_EQ(status, c.second ? 0 : 2) << c.first;
    EXPECT_EQ(cells, c.second) << c.first;
    EXPECT_EQ(std::count(got.Err.begin(), got.Err.end(), '\n'), c.second ? 0 : 1) << c.first;
  }
}

// -n or -o as the last word: the usage line, status 2 and no file.
TEST(SaveFailures, TheSampleGeneratorRefusesAnOptionWithoutItsValue) {
  ScratchFolder d("sample-usage");
  for (const char *last : {"-n", "-o"}) {
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(d.Path));
    p.start(buildProgram("zelvane-sample"), {last});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray err = p.readAllStandardError();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << last;
    EXPECT_EQ(p.exitCode(), 2) << last << " " << err.toStdString();
    EXPECT_TRUE(err.startsWith("usage: ")) << last << " " << err.toStdString();
  }
  EXPECT_EQ(d.names(), std::vector<std::string>{});
}

// The sample's mesh and solution are written both or neither: a solution that cannot be
// written leaves the old mesh as it was, with no other file beside it.
TEST(SaveFailures, TheSampleIsWrittenWholeOrNotAtAll) {
  ScratchFolder d("sample-both");
  const std::string mesh = d.path("sample.meshb"), sol = d.path("sample.solb");
  ASSERT_TRUE(SaveText(mesh, "old mesh"));
  ASSERT_TRUE(QDir().mkdir(QString::fromStdString(sol)));  // no file can replace a folder
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *box = zelMakeSampleBox(mem, 2);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "TEST");
  std::string why;
  CaptureText([&] { EXPECT_EQ(zelWriteSampleFiles(&fi, mesh.c_str(), sol.c_str(), box, &why), 0); });
  EXPECT_EQ(why, "it is a folder");
  EXPECT_EQ(ReadAll(mesh), "old mesh");
  EXPECT_EQ(d.names(), (std::vector<std::string>{"sample.meshb", "sample.solb"}));
  FreeCommonMesh(mem, box);
  FreeMemory(mem);
}

// A folder that takes no new name may still hold files the user may write: the first copies
// wait in the temporary folder and both files are written in place, nothing left behind.
TEST(SaveFailures, TheSampleIsWrittenOverItsFilesInAFolderThatTakesNoNewName) {
  ScratchFolder d("sample-ro"), tmp("sample-ro-tmp");
  const std::string mesh = d.path("sample.meshb"), sol = d.path("sample.solb");
  ASSERT_TRUE(SaveText(mesh, "old mesh") && SaveText(sol, "old solution"));
  ASSERT_EQ(chmod(d.Path.c_str(), 0555), 0);
  const int result = RunInChild([&] {
    if (!DropFileOverride() || setenv("TMPDIR", tmp.Path.c_str(), 1) != 0) return 9;
    Memory_List *mem = NewMemory(100);
    Geometric_Mesh *box = zelMakeSampleBox(mem, 2);
    Function_Interface fi;
    DefaultFunInterface(&fi, mem, nullptr, "TEST");
    std::string why;
    const int ok = zelWriteSampleFiles(&fi, mesh.c_str(), sol.c_str(), box, &why);
    if (!ok) fprintf(stderr, "not written: %s\n", why.c_str());
    FreeCommonMesh(mem, box);
    FreeMemory(mem);
    return ok ? 0 : 1;
  });
  chmod(d.Path.c_str(), 0755);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadAll(mesh).substr(0, 4), std::string("\x01\x00\x00\x00", 4));  // a binary keyword file now
  EXPECT_NE(ReadAll(sol), "old solution");
  EXPECT_EQ(d.names(), (std::vector<std::string>{"sample.meshb", "sample.solb"}));
  EXPECT_EQ(tmp.names(), std::vector<std::string>());
}
