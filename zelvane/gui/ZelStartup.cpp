// The process entry: shared services, command line, application, start-up box, server
// launch, event loop and the freeing that follows.
#include "zelvane/gui/ZelStartup.h"

#include <GL/freeglut.h>

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/Memory.h"
#include "common/base/UserFile.h"
#include "common/pool/MthParallel.h"
#include "resources/ZelResources.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/scene/ZelOptions.h"

namespace {
// The mesh a server-root instance shows: the sample written beside the executable.
const char *const ServerMesh = "sample.meshb";
// The start-up box closed: the program ends with 0.
constexpr int ZelExitBoxClosed = -1;
// Checks, 10 ms apart, that an ended server-root instance has gone before it is killed.
constexpr int ServerRootGrace = 300;
}  // namespace

void zelInitGlut() {
  static bool done = false;
  if (done || glutGet(GLUT_INIT_STATE)) {
    done = true;
    return;
  }
  done = true;
  int argc = 1;
  char name[] = "zelvane";
  char *argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DEPTH);
  glutInitWindowSize(1, 1);
  const int window = glutCreateWindow("zelvane-glut");
  glutSetWindow(window);
  glutHideWindow();
}

void zelExitGlut() {
  if (glutGet(GLUT_INIT_STATE)) glutExit();
}

std::string zelShellQuote(const std::string &word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string zelServerRootCommand(const std::string &exe, const std::string &mesh, int port, const std::string &pidFile) {
  std::string command =
      zelShellQuote(exe) + " -in " + zelShellQuote(mesh) + " -server-root -port " + std::to_string(port) + " &";
  return pidFile.empty() ? command : command + " echo $! >" + zelShellQuote(pidFile);
}

int zelLaunchServerRoot(const std::string &exe, const std::string &mesh, int port, long *pid) {
  // The shell knows the instance's process id: it writes it into a file of our own.
  std::string pidFile;
  if (pid) {
    *pid = 0;
    std::string pattern = UserTempFolder() + "zelvane-server-XXXXXX";
    const int fd = mkstemp(&pattern[0]);
    if (fd >= 0) {
      close(fd);
      pidFile = pattern;
    }
  }
  fflush(stdout);
  const int result = std::system(zelServerRootCommand(exe, mesh, port, pidFile).c_str());
  printf("  SYSTEM RETURNED %d \n", result);
  if (!pidFile.empty()) {
    if (FILE *f = fopen(pidFile.c_str(), "r")) {
      if (fscanf(f, "%ld", pid) != 1) *pid = 0;
      fclose(f);
    }
    unlink(pidFile.c_str());
  }
  return result;
}

namespace {
// Whether the process is there and not only waiting to be reaped.
bool processRuns(long pid) {
  if (kill(pid_t(pid), 0) != 0) return false;
  // "pid (name) state ...", the name as the process set it (blanks and parentheses too).
  char path[64], line[512] = "";
  snprintf(path, sizeof(path), "/proc/%ld/stat", pid);
  if (FILE *f = fopen(path, "r")) {
    if (!fgets(line, sizeof(line), f)) line[0] = '\0';
    fclose(f);
  }
  const char *close = std::strrchr(line, ')');
  return !(close && close[1] == ' ' && close[2] == 'Z');
}
}  // namespace

void zelEndServerRoot(long pid) {
  if (pid <= 0) return;
  kill(pid_t(pid), SIGTERM);
  // A few seconds to go, then no choice.
  for (int i = 0; i < ServerRootGrace && processRuns(pid); i++) usleep(10000);
  if (processRuns(pid)) kill(pid_t(pid), SIGKILL);
}

std::vector<std::string> zelUnknownWords(const std::vector<char *> &given, const int *taken, int argc, char **argv) {
  std::vector<std::string> unknown;
  for (size_t i = 1; i < given.size(); i++) {
    if (taken[i]) continue;
    // The toolkit took its own options out of argv.
    if (std::find(argv + 1, argv + argc, given[i]) != argv + argc) unknown.push_back(given[i]);
  }
  return unknown;
}

namespace {

struct Services {
  Memory_List *mem = nullptr;
  Common_MthParallel *pool = nullptr;
  CommonOptions *com = nullptr;
  ZelvaneOptions *opt = nullptr;

  void free(bool verbose) {
    zelFreeOptions(mem, opt);
    FreeCommonOptions(mem, com);
    FreeMthParallel(pool);
    if (verbose) PrintMemory(mem);
    VerifMemory(mem);
    FreeMemory(mem);
  }
};

// The start-up box for a command line that does not begin with -in and a file: 0 to go on,
// else the status to end with. An unattended run (-seq-exit) has nobody to click: the box's
// text goes to standard error and the run ends with ZelExitUnattended.
int commandLineRefusal(QApplication *app, int argc, char **argv, const CommonOptions *com,
                       const ZelvaneOptions *opt) {
  if (argc < 2) return 0;
  const char *text = nullptr;
  if (std::strcmp(argv[1], "-in") != 0)
    text = "PARSER: BAD COMMAND LINE\nzelvane -in name.mesh(b)";
  else if (!com->InpNam)
    text = "PARSER: NO FILE NAME GIVEN";
  if (!text) return 0;
  if (zelSeqReplayMode(opt) == 3) {
    fprintf(stderr, "%s\n", text);
    fflush(stderr);
    return ZelExitUnattended;
  }
  return zelMessageBox(app, argc, argv, text) == 1 ? 0 : ZelExitBoxClosed;
}

}  // namespace

int zelvaneMain(int argc, char **argv) {
  Services s;
  s.mem = NewMemory(10000);
  s.pool = NewMthParallel(GetNumberOfCores(), 2, 1);
  s.com = NewCommonOptions(s.mem, 56, 1, 1);
  s.opt = zelNewOptions(s.mem, s.com);
  const std::vector<char *> given(argv, argv + argc);
  std::vector<int> taken(size_t(argc), 0);
  zelParse(argc, argv, s.mem, s.opt, taken.data());
  const bool verbose = s.com->Verbosity > 0;
  const bool unattended = zelSeqReplayMode(s.opt) == 3;

  QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
  auto *app = new QApplication(argc, argv);
  // Stored scripts may pass words of their own: they are named, not refused.
  for (const std::string &word : zelUnknownWords(given, taken.data(), argc, argv))
    fprintf(stderr, "unknown option %s, ignored\n", word.c_str());
  fflush(stderr);
  if (const int refused = commandLineRefusal(app, argc, argv, s.com, s.opt)) {
    delete app;
    s.free(false);
    return refused == ZelExitBoxClosed ? 0 : refused;
  }
  zelInitGlut();
  zelInitResources();

  long serverRoot = 0;  // the instance an unattended run ends when it ends
  if (s.opt->ServerMode == 2) {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const std::string mesh = exe.absoluteDir().filePath(ServerMesh).toStdString();
    zelLaunchServerRoot(exe.absoluteFilePath().toStdString(), mesh, s.opt->Port, unattended ? &serverRoot : nullptr);
    std::free(s.com->InpNam);
    s.com->InpNam = nullptr;
  }
  if (verbose) {
    printf("  -- ZELVANE, Release 2.0 \n");
    printf("     Tavrel, the Zelvane mesh viewer \n");
    printf("     Version compiled %s at %s\n\n", __DATE__, __TIME__);
  }
  QApplication::setWindowIcon(QIcon(":/images/zelvane.png"));
  // The toolkit set the locale from the environment; numbers in files are read and written
  // the "C" way.
  setlocale(LC_ALL, "C");

  auto *zelvane = new Zelvane(s.mem, s.pool, s.opt);
  int ended = zelvane->endStatus();
  if (!ended) {
    app->exec();
    ended = zelvane->endStatus();
  }
  delete zelvane;
  zelExitGlut();
  delete app;
  zelEndServerRoot(serverRoot);

  s.free(verbose);
  if (verbose) {
    printf(" \n");
    printf("  Thank you for using zelvane \n");
  }
  return ended ? ended : 1;
}
