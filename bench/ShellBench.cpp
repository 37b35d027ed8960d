// The viewer's start-up and frame times on a box of about two million tetrahedra with its
// boundary triangles and a scalar field (the generated sample at 70 cells a side):
//   - start to first frame through the application object, as "zelvane -in box.meshb -sol
//     box.solb" runs it and as it runs on the same box written as text (box.mesh, box.sol),
//     each in a child process of its own, so that its peak memory is its own (taken once the
//     volume topology is done), beside the mesh model's size (GetMeshMem) and the load of the
//     same files alone (in a fresh process as well: a process loading again reuses memory);
//   - the same road step by step: load, surface topology (the volume part waits, then goes on
//     in the background), scene, showing it in the window (its display lists included), the
//     first paint, a rebuild of the lists alone; whether the volume topology was still running
//     at the first frame;
//   - the mean paint of a turn (100 paints, glFinish each) on the box's boundary, on a wavy
//     surface of a million triangles, and of a window without mesh;
//   - on the box's window: both texture fonts made, a turn with and without the overlays
//     (palette bar, axes, time, a picked tetrahedron), the image of a 1280 x 1024 view written,
//     and one poll of the solution auto-update from the solver's closed file to the repainted
//     frame beside the solution's own load, the rebuild of the lists and a paint.
// Run it with a display: scripts/with-display.sh build/bench/ShellBench [--cells N]. Files go
// to $TMPDIR (or /tmp) and are removed at the end.
#include <GL/gl.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bench/LoadBenchKit.h"
#include "bench/ShellBenchKit.h"
#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/load/MeshLoad.h"
#include "common/load/SolutionLoad.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "resources/ZelResources.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelBottom.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/ZelText.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/sample/ZelSample.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelOptions.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelStack.h"
#include "zelvane/scene/ZelVisibility.h"
#include "zelvane/tools/ZelInstallTools.h"

namespace {

void installEverything() {
  zelInstallAllHooks();
  zelInitGlut();
  zelInitResources();
}

// The services the entry point makes, and the options of a command line.

void settle() {
  for (int i = 0; i < 10; i++) QCoreApplication::processEvents();
}

double firstPaint(GLWidget *view) {
  const double t = GetWallClock();
  view->updateGL();
  glFinish();
  return GetWallClock() - t;
}

// Mean of 100 paints of a turn of one degree each about the vertical axis.
double turnFrame(GLWidget *view) {
  ZelScene *scene = view->getScene();
  const double t = GetWallClock();
  for (int i = 0; i < 100; i++) {
    if (scene && scene->VieEvt) {
      ZelEvent *e = scene->VieEvt;
      e->axis[0] = 0, e->axis[1] = 1, e->axis[2] = 0;
      e->angle = 1;
    }
    view->updateGL();
    glFinish();
  }
  return (GetWallClock() - t) / 100;
}

// A wavy surface of 2 nx ny triangles over [0, 1] x [0, 1], references by quarter.
Geometric_Mesh *wavySurface(Memory_List *mem, int nx, int ny) {
  std::vector<int> siz(KmfSizMshLen, 0);
  siz[KmfVertices] = (nx + 1) * (ny + 1);
  siz[KmfTriangles] = 2 * nx * ny;
  siz[KmfFileType] = FILE_TYPE_KMF;
  Geometric_Mesh *m = NewCommonMesh(mem, siz.data());
  if (!m) return nullptr;
  m->Dim = 3;
  for (int j = 0; j <= ny; j++)
    for (int i = 0; i <= nx; i++) {
      Vertex &v = m->Ver[++m->NbrVer];
      v = Vertex{};
      v.Crd[0] = i / double(nx), v.Crd[1] = j / double(ny);
      v.Crd[2] = 0.05 * std::sin(12 * v.Crd[0]) * std::cos(9 * v.Crd[1]);
      v.Tag = TAG_ALIVE;
    }
  auto at = [nx](int i, int j) { return 1 + i + (nx + 1) * j; };
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) {
      const int q[4] = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
      const int tri[2][3] = {{q[0], q[1], q[2]}, {q[0], q[2], q[3]}};
      for (const auto &t : tri) {
        Triangle &e = m->Tri[++m->NbrTri];
        e = Triangle{};
        std::memcpy(e.Ver, t, sizeof(t));
        e.Tag = TAG_ALIVE;
        e.Ref = 1 + (2 * i / nx) + 2 * (2 * j / ny);
      }
    }
  return m;
}

// The figures of the view's overlays, its image and the solution auto-update, on the window
// showing the box (its solution file sol in folder dir).
void shellFigures(MainWindow *w, const std::string &dir, const std::string &sol) {
  Window *central = w->centralWindow();
  GLWidget *view = central->view();
  ZelScene *scene = view->getScene();

  view->makeCurrent();
  double t = GetWallClock();
  ZelText::font_data small, large;
  small.init(30);
  large.init(60);
  glFinish();
  const double fonts = GetWallClock() - t;
  small.clean();
  large.clean();
  printf("  both texture fonts made                     %8.2f ms\n", 1e3 * fonts);

  // The field active in both (its lists are the scene's), the overlays in one only; paints of
  // a turn alternate between the two, and the medians are compared.
  scene->ActFld = 0;
  scene->Pck->Top = -1;
  geoPushHybridStack(scene->Pck, 1, KmfTetrahedra);
  const uint32_t overlays = ZelFlgLegend | ZelFlgAxis | ZelFlgTime;
  std::vector<double> frames[2];
  for (int i = 0; i < 200; i++) {
    const int dressed = i % 2;
    scene->Flags = dressed ? scene->Flags | overlays : scene->Flags & ~overlays;
    scene->Pck->Top = dressed ? 0 : -1;
    ZelEvent *e = scene->VieEvt;
    e->axis[0] = 0, e->axis[1] = 1, e->axis[2] = 0;
    e->angle = 1;
    t = GetWallClock();
    view->updateGL();
    glFinish();
    frames[dressed].push_back(GetWallClock() - t);
  }
  for (auto &f : frames) std::sort(f.begin(), f.end());
  const double bare = frames[0][50], dressed = frames[1][50];
  printf("  turn with palette, axes, time and a pick    %8.2f ms per frame (median; %+.2f ms over the bare turn "
         "%.2f)\n",
         1e3 * dressed, 1e3 * (dressed - bare), 1e3 * bare);

  // The view alone in its window, 1280 x 1024.
  central->term()->hide();
  central->bottom()->hide();
  for (int k = 0; k < 3 && view->size() != QSize(1280, 1024); k++) {
    w->resize(w->width() + 1280 - view->width(), w->height() + 1024 - view->height());
    settle();
  }
  QString image = QString::fromStdString(dir + "/shellbench-view.png");
  double save;
  {
    Quiet q;
    t = GetWallClock();
    view->renderIntoPixmap(image);
    save = GetWallClock() - t;
  }
  printf("  image of the %dx%d view written             %8.1f ms (%lld bytes)\n", view->width(), view->height(),
         1e3 * save, (long long)QFile(image).size());
  QFile::remove(image);

  // The solver's part: the complete solution written and closed. Then one poll.
  const QString previous = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(dir));
  const std::string control = std::string(scene->Msh->MshNam) + "_UpdSol.zelvane";
  FILE *f = fopen(control.c_str(), "w");
  fprintf(f, "shellbench-box.3\n");
  fclose(f);
  QFile::remove("shellbench-box.3.solb");
  QFile::copy(QString::fromStdString(sol), "shellbench-box.3.solb");
  double poll, load, rebuild, paint;
  {
    Quiet q;
    t = GetWallClock();
    w->autoUpdate();
    glFinish();
    poll = GetWallClock() - t;
    // The parts on their own: the load (as the reload makes it), the lists, a paint.
    Function_Interface fi;
    DefaultFunInterface(&fi, scene->Mem, scene->Par, "ZELVANE");
    t = GetWallClock();
    ReloadSolution(&fi, "shellbench-box.3.solb", scene->Msh);
    load = GetWallClock() - t;
    view->makeCurrent();
    t = GetWallClock();
    zelUpdateAllDisplayLists(1, scene);
    glFinish();
    rebuild = GetWallClock() - t;
    paint = firstPaint(view);
  }
  printf("  auto-update, closed file to repainted frame %8.1f ms: load %.1f + lists %.1f + paint %.1f, "
         "the rest %.1f ms (timer period 100 ms not counted)\n",
         1e3 * poll, 1e3 * load, 1e3 * rebuild, 1e3 * paint, 1e3 * (poll - load - rebuild - paint));
  QFile::remove("shellbench-box.3.solb");
  QFile::remove(QString::fromStdString(control));
  QDir::setCurrent(previous);
}

// The load of the files alone, as the application object loads them: seconds.
double loadAlone(ShellServices &s, std::string mesh, const std::string &sol) {
  Quiet q;
  Function_Interface fi;
  DefaultFunInterface(&fi, s.mem, s.pool, "ZELVANE");
  fi.Verbose = 6;
  fi.OptBits = 0x100;
  char *names[] = {&mesh[0]};
  const double t = GetWallClock();
  Geometric_Mesh *m = geoLoadMeshAndSolution(&fi, 1, names, sol.c_str());
  const double load = GetWallClock() - t;
  FreeCommonMesh(s.mem, m);
  return load;
}

// The load alone, in a child of its own.
int loadOnly(const std::string &mesh, const std::string &sol, const char *road) {
  ShellServices s({});
  printf("  %-6s load alone (geoLoadMeshAndSolution)      %8.3f s\n", road, loadAlone(s, mesh, sol));
  return 0;
}

// The real start-up, in the child: the application object on the files until the first frame.
int startup(const std::string &mesh, const std::string &sol, const char *road) {
  ShellServices s({"-in", mesh, "-sol", sol});
  double t0 = GetWallClock(), total = 0, meshModel = 0;
  int topoRunning = 0;
  {
    Quiet q;
    Zelvane app(s.mem, s.pool, s.opt);
    MainWindow *w = app.windows().first();
    firstPaint(w->centralWindow()->view());
    total = GetWallClock() - t0;
    Geometric_Mesh *m = w->getScene()->Msh;
    topoRunning = !TopoDoneLoad(m);
    // The volume topology's memory counts in the peak: wait for it (a minute at most).
    for (int k = 0; k < 60000 && !TopoDoneLoad(m); k++) usleep(1000);
    double mm[2];
    meshModel = GetMeshMem(m, mm);
  }
  const double peak = static_cast<double>(ProcStatusBytes("VmHWM:"));
  printf("  %-6s start to first frame (application object) %8.3f s   volume topology still running: %s\n", road,
         total, topoRunning ? "yes" : "no");
  printf("         peak resident memory %8.1f MB   mesh model (GetMeshMem) %.1f MB\n", peak / 1e6, meshModel / 1e6);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  int cells = 70;
  int child = 0;  // 1: a start-up, 2: a load alone
  std::string mesh, sol, road;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--cells") && i + 1 < argc) cells = atoi(argv[++i]);
    if ((!strcmp(argv[i], "--startup") || !strcmp(argv[i], "--load")) && i + 3 < argc)
      child = argv[i][2] == 's' ? 1 : 2, road = argv[i + 1], mesh = argv[i + 2], sol = argv[i + 3], i += 3;
  }
  QApplication app(argc, argv);
  installEverything();
  if (child) return child == 1 ? startup(mesh, sol, road.c_str()) : loadOnly(mesh, sol, road.c_str());

  const char *tmp = getenv("TMPDIR");
  const std::string dir = std::string(tmp && *tmp ? tmp : "/tmp");
  mesh = dir + "/shellbench-box.meshb";
  sol = dir + "/shellbench-box.solb";
  const std::string textMesh = dir + "/shellbench-text.mesh", textSol = dir + "/shellbench-text.sol";
  {
    Memory_List *mem = NewMemory(100);
    Function_Interface fi;
    DefaultFunInterface(&fi, mem, nullptr, "BENCH");
    Geometric_Mesh *box = zelMakeSampleBox(mem, cells);
    Quiet q;
    zelWriteSample(&fi, mesh.c_str(), sol.c_str(), box);
    zelWriteSample(&fi, textMesh.c_str(), textSol.c_str(), box);
    FreeCommonMesh(mem, box);
    FreeMemory(mem);
  }
  printf("ShellBench: box of %d cells a side (%d tetrahedra, %d boundary triangles)\n", cells, 6 * cells * cells * cells,
         12 * cells * cells);
  fflush(stdout);
  for (const auto &r : {std::make_pair(mesh, sol), std::make_pair(textMesh, textSol)}) {
    const std::string road = r.first == mesh ? "binary" : "text";
    for (const char *what : {"--load", "--startup"}) {
      const std::string self = std::string(argv[0]) + " " + what + " " + road + " '" + r.first + "' '" + r.second + "'";
      fflush(stdout);
      if (std::system(self.c_str()) != 0) printf("  (the %s %s run failed)\n", road.c_str(), what + 2);
    }
  }

  // The same road, step by step, into a window of an application without input. The shell's
  // own share does not grow with the mesh: a window made and shown, and a scene without mesh
  // opened into a second one.
  ShellServices s({});
  Zelvane viewer(s.mem, s.pool, s.opt);
  double window = GetWallClock();
  auto *w = new MainWindow(&viewer, 2, QPoint(0, 0));
  w->show();
  settle();
  window = GetWallClock() - window;
  auto *w3 = new MainWindow(&viewer, 3, QPoint(0, 0));
  w3->show();
  settle();
  double emptyOpen = GetWallClock();
  {
    Quiet q;
    zelOpen(s.mem, s.pool, w3, 0, nullptr, nullptr);
  }
  emptyOpen = GetWallClock() - emptyOpen;
  delete w3;
  Window *central = w->centralWindow();
  GLWidget *view = central->view();
  double load, topo, scn, shown, paint, lists;
  int running;
  {
    Quiet q;
    Function_Interface fi;
    DefaultFunInterface(&fi, s.mem, s.pool, "ZELVANE");
    char *names[] = {&mesh[0]};
    double t = GetWallClock();
    Geometric_Mesh *m = geoLoadMeshAndSolution(&fi, 1, names, sol.c_str());
    load = GetWallClock() - t;
    t = GetWallClock();
    SetupGeoMeshDeferred(&fi, m);
    topo = GetWallClock() - t;
    t = GetWallClock();
    ZelScene *scene = s.sceneOf(&fi, m, "shellbench-box");
    scn = GetWallClock() - t;
    // The window's showing builds the display lists; the volume topology starts after it.
    t = GetWallClock();
    w->myShow(scene, QString::fromStdString(mesh));
    glFinish();
    shown = GetWallClock() - t;
    StartDeferredTopology(m);
    paint = firstPaint(view);
    running = !TopoDoneLoad(m);
    // The lists alone, rebuilt once the window shows them.
    view->makeCurrent();
    t = GetWallClock();
    zelUpdateAllDisplayLists(1, scene);
    glFinish();
    lists = GetWallClock() - t;
  }
  printf("  load (mesh and field)                       %8.3f s\n", load);
  printf("  surface topology (volume in the background) %8.3f s\n", topo);
  printf("  scene (display mesh, scene, coordinates)    %8.3f s\n", scn);
  printf("  showing it in the window (its display lists) %7.3f s\n", shown);
  printf("  first paint                                 %8.3f s   volume topology still running: %s\n", paint,
         running ? "yes" : "no");
  printf("  the display lists rebuilt alone             %8.3f s\n", lists);
  printf("  the shell's own share: a window made and shown %6.3f s, a scene without mesh shown %6.3f s\n", window,
         emptyOpen);
  printf("  turn, box boundary (%dx%d view)          %8.2f ms per frame\n", view->width(), view->height(),
         1e3 * turnFrame(view));
  shellFigures(w, dir, sol);
  delete w;

  {
    ShellServices surf({});
    Zelvane wavy(surf.mem, surf.pool, wavySurface(surf.mem, 708, 707), surf.opt, 0, 0, 0, 0, nullptr, nullptr,
                 nullptr, nullptr, 0, 0, 0, 0);
    GLWidget *v = wavy.windows().first()->centralWindow()->view();
    settle();
    printf("  turn, %d triangles (%dx%d view)     %8.2f ms per frame\n", 2 * 708 * 707, v->width(), v->height(),
           1e3 * turnFrame(v));
  }
  GLWidget *empty = viewer.windows().first()->centralWindow()->view();
  printf("  paint without lists (window without mesh)   %8.3f ms per frame\n", 1e3 * turnFrame(empty));
  printf("  view format: %d samples, double buffer %d\n", empty->format().samples(), empty->format().doubleBuffer());
  empty->setOwnSwap(false);
  printf("  paint without lists, no swap                %8.3f ms per frame\n", 1e3 * turnFrame(empty));
  for (const std::string &f : {mesh, sol, textMesh, textSol}) remove(f.c_str());
  return 0;
}
