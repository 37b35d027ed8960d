// The process entry: shared services, command line, application, start-up box, server
// launch, event loop and the freeing that follows.
#include "zelvane/gui/ZelStartup.h"

#include <GL/freeglut.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/ShownName.h"
#include "common/base/Memory.h"
#include "common/pool/MthParallel.h"
#include "resources/ZelResources.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/scene/ZelGlyphs.h"
#include "zelvane/scene/ZelOptions.h"

namespace {
// The mesh a server-root instance shows: the sample written beside the executable.
const char *const ServerMesh = "sample.meshb";
// The start-up box closed: the program ends with 0.
constexpr int ZelExitBoxClosed = -1;
// Checks, 10 ms apart, that a server-root instance asked to end has gone before it is killed.
constexpr int ServerRootGrace = 300;

// The line a -server run starts with, on standard error: the -in mesh this window does not
// open (input, null for none) and the -sol solution that went with it (null for none), the
// mesh the instance opens, and whether that one is there.
std::string serverInputLine(const char *input, const char *solution, const std::string &mesh, bool present) {
  std::string line = "  ## WARNING: ZELVANE: -server: ";
  if (input) line += "THIS WINDOW DOES NOT OPEN " + ShownName(input) + ", ";
  if (solution) line += "NOR ITS SOLUTION " + ShownName(solution) + ", ";
  line += "THE -server-root INSTANCE OPENS ITS OWN MESH " + ShownName(mesh);
  return line + (present ? "" : ", WHICH IS MISSING") + " \n";
}
}  // namespace

void zelInitGlut() { zelGlutOpenWindow(); }

void zelExitGlut() {
  if (glutGet(GLUT_INIT_STATE)) glutExit();
}

std::string zelShellQuote(const std::string &word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::vector<std::string> zelServerRootWords(const std::string &exe, const std::string &mesh, int port) {
  std::vector<std::string> words{exe, "-in", mesh, "-server-root"};
  // A port the user did not give is no word of the instance's: it would warn of it.
  if (port > 0) words.insert(words.end(), {"-port", std::to_string(port)});
  return words;
}

std::string zelServerRootCommand(const std::string &exe, const std::string &mesh, int port) {
  std::string line;
  for (const std::string &word : zelServerRootWords(exe, mesh, port)) {
    // Words of lower-case letters, digits and dashes (the option words, the port) as they
    // are; every other word quoted.
    const bool plain = word.find_first_not_of("-0123456789abcdefghijklmnopqrstuvwxyz") == std::string::npos;
    line += (line.empty() ? "" : " ") + (plain ? word : zelShellQuote(word));
  }
  return line + " &";
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

// ---- Ending the instance of an unattended run
//
// The instance is ended by whichever comes first of the run's normal end (zelEndServerRoot)
// and a stop signal (SIGTERM, SIGHUP, SIGINT) to the run, never by both: the one that takes
// the child's number out of ServerRoot ends it. Signals reach any thread, so the handler and
// everything it calls are async-signal-safe (kill, waitpid, nanosleep, sigaction, raise,
// write). A run that dies with no chance to act (SIGKILL, a crash) is followed by its instance
// through the parent-death signal the instance asked for before its exec.

const int StopSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int StopCount = int(sizeof(StopSignals) / sizeof(StopSignals[0]));

// The signals the viewer ignores for itself (a closed pipe, a file-size limit: ZelvaneMain.cpp).
// An ignored disposition is kept through exec, and a shell cannot undo one it was started
// with: what the viewer starts gets them back at their defaults, as from a shell.
const int OwnIgnored[] = {SIGPIPE, SIGXFSZ};

// ServerRoot holds the armed instance's process number (> 0) or one of these states. A stop
// signal met while the normal end is under way is kept as PendingBase - signal.
enum : int { Idle = 0, Starting = -1, Signalled = -2, Ending = -3, Done = -4, PendingBase = -100 };
std::atomic<int> ServerRoot{Idle};
static_assert(std::atomic<int>::is_always_lock_free, "the stop handler reads it");
static_assert(sizeof(pid_t) <= sizeof(int), "a process number is kept in ServerRoot");

// The dispositions the stop signals had before the handler was put over them; Taken[i] when it
// was (a signal ignored since the program started, as nohup leaves SIGHUP, stays ignored).
struct sigaction Before[StopCount];
bool Taken[StopCount];

void pauseBriefly() {
  const timespec step{0, 10 * 1000 * 1000};
  nanosleep(&step, nullptr);
}

// Whether the child has ended, reaping it then; -1 with errno when it is no child of ours.
int reaped(pid_t child) {
  int status;
  pid_t r;
  while ((r = waitpid(child, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  return r == child ? 1 : int(r);
}

// Ends the child through send: 0, or the errno of the step that failed. Only a child not yet
// reaped holds its number: it ended early and is reaped now, unsignalled, or it is the very
// instance started, and no other process can have its number. SIGTERM, a few seconds to go,
// then no choice. Async-signal-safe when send is.
int endChild(pid_t child, int (*send)(pid_t, int)) {
  const int ended = reaped(child);
  if (ended) return ended < 0 ? errno : 0;
  if (send(child, SIGTERM) != 0) return errno;
  for (int i = 0; i < ServerRootGrace; i++) {
    if (reaped(child)) return 0;
    pauseBriefly();
  }
  if (send(child, SIGKILL) != 0) return errno;
  int status;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return 0;
}

// One line on standard error; async-signal-safe (no stdio, no allocation, no locale).
void cannotEnd(pid_t child, int error) {
  char line[256];
  size_t n = 0;
  auto put = [&](const char *text) {
    while (*text && n < sizeof(line) - 1) line[n++] = *text++;
  };
  char number[24];
  size_t digits = 0;
  for (long v = child; digits == 0 || v > 0; v /= 10) digits++;
  number[digits] = '\0';
  for (long v = child, i = long(digits) - 1; i >= 0; v /= 10, i--) number[i] = char('0' + v % 10);
  const char *reason = strerrordesc_np(error);
  put("  ## ERROR: ZELVANE: THE -server-root INSTANCE (PROCESS ");
  put(number);
  put(") COULD NOT BE ENDED: ");
  put(reason ? reason : "Unknown error");
  put(" \n");
  for (size_t at = 0; at < n;) {
    const ssize_t w = write(STDERR_FILENO, line + at, n - at);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    at += size_t(w);
  }
}

// Ends the process by the signal, as it would have ended had no handler been put over it.
void dieBy(int sig) {
  for (int i = 0; i < StopCount; i++)
    if (StopSignals[i] == sig) sigaction(sig, &Before[i], nullptr);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, sig);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  raise(sig);
}

void onStop(int sig) {
  const int savedErrno = errno;
  for (int state = ServerRoot.load();;) {
    if (state > 0) {
      if (!ServerRoot.compare_exchange_weak(state, Signalled)) continue;
      if (const int error = endChild(pid_t(state), kill)) cannotEnd(pid_t(state), error);
      dieBy(sig);
    } else if (state == Starting) {
      // Another thread is starting the instance (the starting thread holds these signals
      // back): its number comes in a moment.
      pauseBriefly();
      state = ServerRoot.load();
      continue;
    } else if (state == Ending) {
      // The normal end finishes its work and then raises the signal.
      if (!ServerRoot.compare_exchange_weak(state, PendingBase - sig)) continue;
    } else if (state == Idle || state == Done) {
      dieBy(sig);
    }
    // Signalled, or a signal already pending: the process ends by that one.
    break;
  }
  errno = savedErrno;
}

void takeStopSignals() {
  struct sigaction stop {};
  stop.sa_handler = onStop;
  stop.sa_flags = SA_RESTART;
  sigemptyset(&stop.sa_mask);
  for (int sig : StopSignals) sigaddset(&stop.sa_mask, sig);
  for (int i = 0; i < StopCount; i++) {
    Taken[i] = sigaction(StopSignals[i], nullptr, &Before[i]) == 0 && Before[i].sa_handler != SIG_IGN;
    if (Taken[i]) sigaction(StopSignals[i], &stop, nullptr);
  }
}

// The stop signals act again as they did before; ServerRoot back to Idle.
void giveStopSignalsBack() {
  for (int i = 0; i < StopCount; i++)
    if (Taken[i]) sigaction(StopSignals[i], &Before[i], nullptr);
  ServerRoot.store(Idle);
}

// In the child between fork and exec: only async-signal-safe calls, since other threads of the
// run may have held locks when it forked. The child asks for SIGKILL when the thread that forked
// it ends (not SIGTERM, which it may have inherited ignored); a run that died before it asked
// is no longer its parent, and the child ends at once. An exec that fails sends its errno
// through report.
[[noreturn]] void execServerRoot(const char *exe, char *const *words, char *const *env, pid_t run, int report) {
  struct sigaction plain {};
  plain.sa_handler = SIG_DFL;
  sigemptyset(&plain.sa_mask);
  for (int i = 0; i < StopCount; i++)
    if (Taken[i]) sigaction(StopSignals[i], &plain, nullptr);
  for (int sig : OwnIgnored) sigaction(sig, &plain, nullptr);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != run) _exit(127);
  int error = 0;
  const int in = open("/dev/null", O_RDONLY);
  if (in < 0 || (in != STDIN_FILENO && dup2(in, STDIN_FILENO) < 0)) error = errno;
  if (in > STDIN_FILENO) close(in);
  if (!error) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(exe, words, env);
    error = errno;
  }
  while (write(report, &error, sizeof(error)) < 0 && errno == EINTR) {
  }
  _exit(127);
}

// Starts the instance as a child of this process, without a shell: its words as the shell line
// gives them, standard input from /dev/null as a background command has it, the other streams
// and the environment shared. 0 and *child set, or the error.
//
// The parent-death signal follows the thread that forks, not the process: this is called from
// the main thread (zelvaneMain), which lives as long as the run.
int forkServerRoot(const std::string &exe, const std::string &mesh, int port, pid_t *child) {
  keepChildrenToReap();
  // Everything the child needs is made before the fork: it may not allocate.
  const std::vector<std::string> given = zelServerRootWords(exe, mesh, port);
  std::vector<char *> words;
  for (const std::string &w : given) words.push_back(const_cast<char *>(w.c_str()));
  words.push_back(nullptr);
  char *const *env = environ;
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return errno;
  // This thread holds the stop signals back until the number is known; a handler on another
  // thread waits for it.
  sigset_t stops, before;
  sigemptyset(&stops);
  for (int sig : StopSignals) sigaddset(&stops, sig);
  pthread_sigmask(SIG_BLOCK, &stops, &before);
  ServerRoot.store(Starting);
  takeStopSignals();
  const pid_t run = getpid();
  const pid_t pid = fork();
  if (pid == 0) execServerRoot(exe.c_str(), words.data(), env, run, report[1]);
  const int forkError = pid < 0 ? errno : 0;
  close(report[1]);
  int error = forkError;
  if (pid > 0) {
    // The pipe closes at the exec, or brings the errno of what failed before it.
    int failed = 0;
    ssize_t got;
    while ((got = read(report[0], &failed, sizeof(failed))) < 0 && errno == EINTR) {
    }
    if (got == ssize_t(sizeof(failed))) error = failed;
    if (error) {
      int status;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
  close(report[0]);
  if (error) {
    giveStopSignalsBack();
  } else {
    ServerRoot.store(pid);
    *child = pid;
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return error;
}

// The command line through the system's shell, as std::system runs it, but with the signals
// of OwnIgnored at their defaults in the shell and so in what it starts: the spawn sets them
// in the child alone, so that no thread of the run is ever without them ignored. The shell's
// wait status, or -1 when it could not be started or waited for.
int runShellLine(const std::string &line) {
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return -1;
  sigset_t plain;
  sigemptyset(&plain);
  for (int sig : OwnIgnored) sigaddset(&plain, sig);
  posix_spawnattr_setsigdefault(&attr, &plain);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
  std::string sh = "sh", dashC = "-c", text = line;
  char *const words[] = {&sh[0], &dashC[0], &text[0], nullptr};
  pid_t pid;
  const int error = posix_spawn(&pid, "/bin/sh", nullptr, &attr, words, environ);
  posix_spawnattr_destroy(&attr);
  if (error) return -1;
  int status;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return status;
}
}  // namespace

int zelLaunchServerRoot(const std::string &exe, const std::string &mesh, int port, pid_t *child) {
  fflush(stdout);
  if (!child) {
    const int result = runShellLine(zelServerRootCommand(exe, mesh, port));
    printf("  SYSTEM RETURNED %d \n", result);
    return result;
  }
  const int error = forkServerRoot(exe, mesh, port, child);
  if (error) {
    *child = 0;
    fprintf(stderr, "  ## ERROR: ZELVANE: THE -server-root INSTANCE COULD NOT BE STARTED: %s \n", std::strerror(error));
    fflush(stderr);
  }
  const int result = error ? -1 : 0;
  printf("  SYSTEM RETURNED %d \n", result);
  return result;
}

void zelEndServerRoot(pid_t child, int (*send)(pid_t, int)) {
  if (child <= 0) return;
  int state = int(child);
  const bool armed = ServerRoot.compare_exchange_strong(state, Ending);
  // A stop signal took the instance first: its handler ends it and then the run.
  if (!armed && state == Signalled)
    for (;;) pause();
  if (const int error = endChild(child, send)) cannotEnd(child, error);
  if (!armed) return;
  int ending = Ending;
  const int pending = ServerRoot.compare_exchange_strong(ending, Done) ? 0 : PendingBase - ending;
  giveStopSignalsBack();
  if (pending) dieBy(pending);
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
    fprintf(stderr, "unknown option %s, ignored\n", ShownName(word).c_str());
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
    const QString exePath = QCoreApplication::applicationFilePath();
    const QFileInfo exe(exePath);
    const std::string mesh = exe.absoluteDir().filePath(ServerMesh).toStdString();
    // This window opens neither the -in mesh nor the instance's: the user is told, and told
    // when the instance will find nothing to show either. A program whose own file is gone
    // (its path then unknown) has no installed sample beside it, whatever the current folder
    // holds.
    const bool present = !exePath.isEmpty() && QFileInfo(QString::fromStdString(mesh)).isFile();
    fputs(serverInputLine(s.com->InpNam, s.com->SolNam, mesh, present).c_str(), stderr);
    fflush(stderr);
    // From the main thread: the instance's parent-death signal follows the thread that starts
    // it, and this one lives as long as the run.
    zelLaunchServerRoot(exe.absoluteFilePath().toStdString(), mesh, s.opt->Port, unattended ? &serverRoot : nullptr);
    std::free(s.com->InpNam);
    s.com->InpNam = nullptr;
    // The solution was named for the mesh left out: on the next -in mesh its values would
    // colour another mesh.
    std::free(s.com->SolNam);
    s.com->SolNam = nullptr;
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
