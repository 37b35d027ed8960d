// The viewer's start-up on a large 2-D mesh: a sheet of about four million triangles (1415 x
// 1415 squares cut in two, vertices and triangles numbered as the grid, or shuffled as a
// generator numbers them with --shuffled), written as a binary file:
//   - the load of the file alone, in a child process of its own;
//   - start to first frame through the application object, as "zelvane -in sheet.meshb" runs
//     it, in a child of its own;
//   - the window's own share: the same start-up on a sheet of two triangles;
//   - the same road step by step in this process: load, topology, scene, showing it in the
//     window (its display lists), first paint.
// Each child runs --runs times (5 by default) and the medians are printed.
// Run it with a display: scripts/with-display.sh build/bench/SurfaceStartBench [--cells N].
// Files go to $TMPDIR (or /tmp) and are removed at the end.
#include <GL/gl.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/ShellBenchKit.h"
#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/load/MeshLoad.h"
#include "common/load/MeshWriter.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "resources/ZelResources.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelOptions.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelVisibility.h"
#include "zelvane/tools/ZelInstallTools.h"

namespace {



double firstPaint(GLWidget *view) {
  const double t = GetWallClock();
  view->updateGL();
  glFinish();
  return GetWallClock() - t;
}

// A 2-D sheet of 2 n^2 triangles on the unit square; shuffled: vertices and triangles in a
// random order (fixed seed).
Geometric_Mesh *makeSheet(Memory_List *mem, int n, bool shuffled) {
  std::vector<int> siz(KmfSizMshLen, 0);
  siz[KmfVertices] = (n + 1) * (n + 1);
  siz[KmfTriangles] = 2 * n * n;
  siz[KmfFileType] = FILE_TYPE_KMF;
  Geometric_Mesh *m = NewCommonMesh(mem, siz.data());
  if (!m) return nullptr;
  m->Dim = 2;
  std::vector<int> perm(static_cast<size_t>(siz[KmfVertices]) + 1);
  for (size_t v = 0; v < perm.size(); v++) perm[v] = static_cast<int>(v);
  std::mt19937 rng(2026);
  if (shuffled) std::shuffle(perm.begin() + 1, perm.end(), rng);
  m->NbrVer = siz[KmfVertices];
  for (int j = 0; j <= n; j++)
    for (int i = 0; i <= n; i++) {
      Vertex &v = m->Ver[perm[static_cast<size_t>(1 + i + (n + 1) * j)]];
      v = Vertex{};
      v.Crd[0] = i / double(n), v.Crd[1] = j / double(n);
      v.Tag = TAG_ALIVE;
      v.Ref = 1;
    }
  auto at = [&](int i, int j) { return perm[static_cast<size_t>(1 + i + (n + 1) * j)]; };
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const int q[4] = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
      const int tri[2][3] = {{q[0], q[1], q[2]}, {q[0], q[2], q[3]}};
      for (const auto &t : tri) {
        Triangle &e = m->Tri[++m->NbrTri];
        e = Triangle{};
        std::memcpy(e.Ver, t, sizeof(t));
        e.Tag = TAG_ALIVE;
        e.Ref = 1;
      }
    }
  if (shuffled) std::shuffle(m->Tri + 1, m->Tri + m->NbrTri + 1, rng);
  return m;
}

// The load alone, in a child of its own: seconds on standard output.
int loadOnly(std::string mesh) {
  ShellServices s({});
  double load;
  {
    Quiet q;
    Function_Interface fi;
    DefaultFunInterface(&fi, s.mem, s.pool, "ZELVANE");
    char *names[] = {&mesh[0]};
    const double t = GetWallClock();
    Geometric_Mesh *m = geoLoadMeshAndSolution(&fi, 1, names, nullptr);
    load = GetWallClock() - t;
    FreeCommonMesh(s.mem, m);
  }
  printf("%.6f\n", load);
  return 0;
}

// The real start-up, in a child: the application object on the file until the first frame.
int startup(const std::string &mesh) {
  ShellServices s({"-in", mesh});
  double total;
  {
    Quiet q;
    const double t0 = GetWallClock();
    Zelvane app(s.mem, s.pool, s.opt);
    MainWindow *w = app.windows().first();
    firstPaint(w->centralWindow()->view());
    total = GetWallClock() - t0;
  }
  printf("%.6f\n", total);
  return 0;
}

// Runs this program with the arguments given, n times; the median of the seconds printed.
double medianOfChildren(const char *self, const std::string &what, const std::string &file, int n) {
  std::vector<double> t;
  for (int k = 0; k < n; k++) {
    const std::string cmd = std::string(self) + " " + what + " '" + file + "'";
    FILE *p = popen(cmd.c_str(), "r");
    double v = -1;
    if (p) {
      char line[256];
      while (fgets(line, sizeof(line), p)) v = atof(line);
      pclose(p);
    }
    if (v >= 0) t.push_back(v);
  }
  if (t.empty()) return -1;
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

}  // namespace

int main(int argc, char **argv) {
  int cells = 1415, runs = 5;
  bool shuffled = false;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--cells") && i + 1 < argc) cells = atoi(argv[++i]);
    if (!strcmp(argv[i], "--runs") && i + 1 < argc) runs = atoi(argv[++i]);
    if (!strcmp(argv[i], "--shuffled")) shuffled = true;
  }
  QApplication app(argc, argv);
  zelInstallAllHooks();
  zelInitGlut();
  zelInitResources();
  for (int i = 1; i + 1 < argc; i++) {
    if (!strcmp(argv[i], "--load")) return loadOnly(argv[i + 1]);
    if (!strcmp(argv[i], "--startup")) return startup(argv[i + 1]);
  }

  const char *tmp = getenv("TMPDIR");
  const std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/surfstart" + std::to_string(getpid());
  const std::string sheet = dir + "-sheet.meshb", tiny = dir + "-tiny.meshb";
  int nbrTri = 0;
  {
    Memory_List *mem = NewMemory(100);
    Function_Interface fi;
    DefaultFunInterface(&fi, mem, nullptr, "BENCH");
    Quiet q;
    for (int k = 0; k < 2; k++) {
      Geometric_Mesh *m = makeSheet(mem, k ? 1 : cells, shuffled);
      if (!k) nbrTri = m->NbrTri;
      WriteMesh(&fi, (k ? tiny : sheet).c_str(), m);
      FreeCommonMesh(mem, m);
    }
    FreeMemory(mem);
  }
  printf("SurfaceStartBench: 2-D sheet of %d triangles%s, medians of %d runs\n", nbrTri,
         shuffled ? " (shuffled)" : "", runs);
  fflush(stdout);
  const double load = medianOfChildren(argv[0], "--load", sheet, runs);
  const double start = medianOfChildren(argv[0], "--startup", sheet, runs);
  const double window = medianOfChildren(argv[0], "--startup", tiny, runs);
  printf("  load alone                          %8.3f s\n", load);
  printf("  start to first frame                %8.3f s\n", start);
  printf("  window's own share (two triangles)  %8.3f s\n", window);
  printf("  start / (2 load + window)           %8.2f\n", start / (2 * load + window));

  // The same road, step by step.
  ShellServices s({});
  Zelvane viewer(s.mem, s.pool, s.opt);
  auto *w = new MainWindow(&viewer, 2, QPoint(0, 0));
  w->show();
  for (int i = 0; i < 10; i++) QCoreApplication::processEvents();
  GLWidget *view = w->centralWindow()->view();
  double tLoad, topo, scn, shown, paint;
  {
    Quiet q;
    Function_Interface fi;
    DefaultFunInterface(&fi, s.mem, s.pool, "ZELVANE");
    std::string name = sheet;
    char *names[] = {&name[0]};
    double t = GetWallClock();
    Geometric_Mesh *m = geoLoadMeshAndSolution(&fi, 1, names, nullptr);
    tLoad = GetWallClock() - t;
    t = GetWallClock();
    SetupGeoMeshDeferred(&fi, m);
    topo = GetWallClock() - t;
    t = GetWallClock();
    ZelScene *scene = s.sceneOf(&fi, m, nullptr);
    scn = GetWallClock() - t;
    t = GetWallClock();
    w->myShow(scene, QString::fromStdString(sheet));
    glFinish();
    shown = GetWallClock() - t;
    StartDeferredTopology(m);
    paint = firstPaint(view);
  }
  printf("  step by step: load %.3f s, topology %.3f s, scene %.3f s, window and lists %.3f s, first paint %.3f s\n",
         tLoad, topo, scn, shown, paint);
  delete w;
  remove(sheet.c_str());
  remove(tiny.c_str());
  return 0;
}
