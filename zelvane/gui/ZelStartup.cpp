// The process entry: shared services, command line, application, start-up box, server
// launch, event loop and the freeing that follows.
#include "zelvane/gui/ZelStartup.h"

#include <GL/freeglut.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
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

int zelLaunchServerRoot(const std::string &exe, const std::string &mesh, int port) {
  fflush(stdout);
  const int result = std::system(zelServerRootCommand(exe, mesh, port).c_str());
  printf("  SYSTEM RETURNED %d \n", result);
  return result;
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
  zelParse(argc, argv, s.mem, s.opt);
  const bool verbose = s.com->Verbosity > 0;

  QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
  auto *app = new QApplication(argc, argv);
  if (const int refused = commandLineRefusal(app, argc, argv, s.com, s.opt)) {
    delete app;
    s.free(false);
    return refused == ZelExitBoxClosed ? 0 : refused;
  }
  zelInitGlut();
  zelInitResources();

  if (s.opt->ServerMode == 2) {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const std::string mesh = exe.absoluteDir().filePath(ServerMesh).toStdString();
    zelLaunchServerRoot(exe.absoluteFilePath().toStdString(), mesh, s.opt->Port);
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
  const int ended = zelvane->endStatus();
  if (!ended) app->exec();
  delete zelvane;
  zelExitGlut();
  delete app;

  s.free(verbose);
  if (verbose) {
    printf(" \n");
    printf("  Thank you for using zelvane \n");
  }
  return ended ? ended : 1;
}
