// The process entry: shared services, command line, application, start-up box, server
// launch, event loop and the freeing that follows.
#include "zelvane/gui/ZelStartup.h"

#include <GL/freeglut.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/Memory.h"
#include "common/pool/MthParallel.h"
#include "resources/ZelResources.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/scene/ZelOptions.h"

namespace {
// The mesh a server-root instance shows: the sample written beside the executable.
const char *const ServerMesh = "sample.meshb";
// The start-up box closed: the program ends with 0.
constexpr int ZelExitBoxClosed = -1;
// Checks, 10 ms apart, that a server-root instance asked to end has gone before it is killed.
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

std::string zelServerRootCommand(const std::string &exe, const std::string &mesh, int port) {
  return zelShellQuote(exe) + " -in " + zelShellQuote(mesh) + " -server-root -port " + std::to_string(port) + " &";
}

namespace {
// A child the system reaps by itself leaves its number free for another process while the run
// still holds it: the children of this process wait to be reaped by it.
void keepChildrenToReap() {
  struct sigaction now;
  if (sigaction(SIGCHLD, nullptr, &now) != 0) return;
  if (now.sa_handler != SIG_IGN && !(now.sa_flags & SA_NOCLDWAIT)) return;
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigemptyset(&plain.sa_mask);
  sigaction(SIGCHLD, &plain, nullptr);
}

// Starts the instance as a child of this process, without a shell: its words as the shell line
// gives them, standard input from /dev/null as a background command has it, the other streams
// and the environment shared. 0 and *child set, or the error.
int spawnServerRoot(const std::string &exe, const std::string &mesh, int port, pid_t *child) {
  keepChildrenToReap();
  const std::string portWord = std::to_string(port);
  const char *words[] = {exe.c_str(), "-in", mesh.c_str(), "-server-root", "-port", portWord.c_str(), nullptr};
  posix_spawn_file_actions_t streams;
  posix_spawnattr_t attr;
  sigset_t none;
  sigemptyset(&none);
  posix_spawn_file_actions_init(&streams);
  posix_spawn_file_actions_addopen(&streams, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_init(&attr);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
  const int error = posix_spawn(child, exe.c_str(), &streams, &attr, const_cast<char *const *>(words), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&streams);
  return error;
}
}  // namespace

int zelLaunchServerRoot(const std::string &exe, const std::string &mesh, int port, pid_t *child) {
  fflush(stdout);
  if (!child) {
    const int result = std::system(zelServerRootCommand(exe, mesh, port).c_str());
    printf("  SYSTEM RETURNED %d \n", result);
    return result;
  }
  const int error = spawnServerRoot(exe, mesh, port, child);
  if (error) {
    *child = 0;
    fprintf(stderr, "  ## ERROR: ZELVANE: THE -server-root INSTANCE COULD NOT BE STARTED: %s \n", std::strerror(error));
    fflush(stderr);
  }
  const int result = error ? -1 : 0;
  printf("  SYSTEM RETURNED %d \n", result);
  return result;
}

namespace {
void cannotEnd(pid_t child, int error) {
  fprintf(stderr, "  ## ERROR: ZELVANE: THE -server-root INSTANCE (PROCESS %ld) COULD NOT BE ENDED: %s \n",
          long(child), std::strerror(error));
  fflush(stderr);
}

// Whether the child has ended, reaping it then; -1 with errno when it is no child of ours.
int reaped(pid_t child) {
  int status;
  pid_t r;
  while ((r = waitpid(child, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  return r == child ? 1 : int(r);
}
}  // namespace

void zelEndServerRoot(pid_t child, int (*send)(pid_t, int)) {
  if (child <= 0) return;
  // Only a child not yet reaped holds its number: it ended early and is reaped now, unsignalled,
  // or it is the very instance started, and no other process can have its number.
  const int ended = reaped(child);
  if (ended) {
    if (ended < 0) cannotEnd(child, errno);
    return;
  }
  if (send(child, SIGTERM) != 0) return cannotEnd(child, errno);
  // A few seconds to go, then no choice.
  for (int i = 0; i < ServerRootGrace; i++) {
    if (reaped(child)) return;
    usleep(10000);
  }
  if (send(child, SIGKILL) != 0) return cannotEnd(child, errno);
  int status;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
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

  pid_t serverRoot = 0;  // the instance an unattended run ends when it ends
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
