// What every pick costs the panels: the two refreshes the scene engine runs after a pick
// (zelUpdateWidgetState: visualisation and solution tool windows and the bottom bar;
// zelUpdateQWidgetState: modification window and clip-plane page), on a main window showing
// the generated box of about two million tetrahedra (70 cells a side, six tetrahedra each, two
// triangles per bottom square), references cycling over 128 values, corners flagged and a
// scalar field at the vertices, so that the geometry and selection pages exist.
//
// Reports the mean, median and largest time of a refresh pair over 500 runs, in microseconds,
// with no field active and with field 0 active and the ridges shown, and the number of
// list-builder calls the refreshes made (the target is none). The first refresh after the
// ridges were shown elsewhere checks the geometry page's switch, whose slot repaints the view
// at once, as a user's click does: that one run holds a frame. Run it with a
// display: scripts/with-display.sh build/bench/PanelBench [--cells N]. The settings store goes
// to a temporary folder.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/Memory.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "resources/ZelResources.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelOptions.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelInstallTools.h"

namespace {

// The program's chatter would weigh on the timings: standard output goes to /dev/null.
struct Quiet {
  int saved;
  Quiet() {
    fflush(stdout);
    saved = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
  }
  ~Quiet() {
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
  }
};

// Every builder call passes through here on its way to the builder of its kind.
ZelListHook builders[ZelHookKinds];
long builderCalls = 0;
int countingBuilder(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record) {
  builderCalls++;
  ZelListHook real = record && record->Type >= 0 && record->Type < ZelHookKinds ? builders[record->Type] : nullptr;
  return real ? real(mask, scene, record) : 0;
}

Geometric_Mesh *panelBox(Memory_List *mem, int cells) {
  Geometric_Mesh *m = MakeStructuredMesh(mem, cells, cells, cells, GEN_TET | GEN_TRI);
  if (!m) return nullptr;
  for (int i = 1; i <= m->NbrTet; i++) m->Tet[i].Ref = 1 + i % 128;
  for (int i = 1; i <= m->NbrTri; i++) m->Tri[i].Ref = 1 + i % 128;
  // The eight box corners as corners of the mesh.
  for (int k : {0, cells})
    for (int j : {0, cells})
      for (int i : {0, cells}) m->Ver[GridVertex(cells, cells, i, j, k)].Tag |= (1u << 30) | 4u;
  m->GeoFlags |= GEO_CORNERS;
  const int types[] = {SOL_SCALAR};
  Geometric_Solution *sol = NewCommonSolution(mem, m->NbrVer, 1, 1, types);
  if (!sol) return m;
  sol->SizFld[0] = SOL_SCALAR;
  for (int v = 1; v <= m->NbrVer; v++) sol->Sol[v] = m->Ver[v].Crd[0] + 2 * m->Ver[v].Crd[1] - m->Ver[v].Crd[2];
  m->SolAtVer = sol;
  m->NbrSolVer = m->NbrVer;
  m->MaxSolVer = (m->NbrVer + 1) * sol->SizTot;
  return m;
}

QString titles(const ZelTool *tool) {
  QStringList t;
  if (tool)
    for (const ZelToolBox *b : tool->boxes()) t << b->title();
  return t.join(", ");
}

struct Figures {
  double mean, median, largest;
  long calls;
  long over2ms;  // runs above the target
};

Figures refreshes(Window *window) {
  std::vector<double> times;
  builderCalls = 0;
  for (int run = 0; run < 500; run++) {
    const auto t = std::chrono::steady_clock::now();
    zelUpdateWidgetState(window);
    zelUpdateQWidgetState(window);
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count());
    QCoreApplication::processEvents();  // the repaints asked for, outside the timing
  }
  std::sort(times.begin(), times.end());
  double sum = 0;
  for (double t : times) sum += t;
  const long over = std::count_if(times.begin(), times.end(), [](double t) { return t > 2e-3; });
  return {1e6 * sum / times.size(), 1e6 * times[times.size() / 2], 1e6 * times.back(), builderCalls, over};
}

}  // namespace

int main(int argc, char **argv) {
  int cells = 70;
  for (int i = 1; i < argc; i++)
    if (!strcmp(argv[i], "--cells") && i + 1 < argc) cells = atoi(argv[++i]);
  QApplication app(argc, argv);
  QTemporaryDir store;
  for (QSettings::Format f : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(f, QSettings::UserScope, store.path());
  zelInstallAllHooks();
  zelInitGlut();
  zelInitResources();

  Memory_List *mem = NewMemory(10000);
  Common_MthParallel *pool = NewMthParallel(GetNumberOfCores(), 2, 1);
  CommonOptions *com = NewCommonOptions(mem, 56, 1, 1);
  ZelvaneOptions *opt = zelNewOptions(mem, com);
  {
    Zelvane *viewer = nullptr;
    {
      Quiet q;
      Geometric_Mesh *box = panelBox(mem, cells);
      viewer = new Zelvane(mem, pool, box, opt, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0);
      for (int i = 0; i < 10; i++) QCoreApplication::processEvents();
    }
    MainWindow *mw = viewer->windows().first();
    ZelScene *scene = mw->getScene();
    Window *window = mw->centralWindow();
    printf("PanelBench: box of %d cells a side: %d tetrahedra, %d triangles, %d vertices, 128 references\n", cells,
           scene->Msh->NbrTet, scene->Msh->NbrTri, scene->Msh->NbrVer);
    printf("  Visualisation: %s\n  Solution: %s\n  Information: %s\n", qPrintable(titles(mw->visuTool())),
           qPrintable(titles(mw->solTool())), qPrintable(titles(mw->infoTool())));

    for (int k = 0; k < ZelHookKinds; k++) {
      builders[k] = zelHooks().update[k];
      if (builders[k]) zelHooks().update[k] = countingBuilder;
    }
    Figures none, field;
    {
      Quiet q;
      scene->ActFld = -1;
      none = refreshes(window);
      scene->ActFld = 0;
      scene->Flags |= 0x2000000;
      field = refreshes(window);
    }
    for (const auto &row : {std::make_pair("no field active:      ", none), std::make_pair("field 0, ridges shown:", field)})
      printf("  refresh after a pick, %s mean %.1f us, median %.1f us, largest %.1f us, runs over 2 ms %ld of 500, "
             "builder calls %ld\n",
             row.first, row.second.mean, row.second.median, row.second.largest, row.second.over2ms, row.second.calls);
    for (int k = 0; k < ZelHookKinds; k++) zelHooks().update[k] = builders[k];
    Quiet q;
    delete viewer;
  }
  zelFreeOptions(mem, opt);
  FreeCommonOptions(mem, com);
  FreeMthParallel(pool);
  FreeMemory(mem);
  zelExitGlut();
  return 0;
}
