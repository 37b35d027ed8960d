// What the panels cost on a main window showing the generated box of about two million
// tetrahedra (70 cells a side, six tetrahedra each, two triangles per bottom square),
// references cycling over 128 values, corners flagged, a scalar and a vector field at the
// vertices, so that the geometry, selection, solution and clip-plane pages exist.
//
// 1. Every pick: the two refreshes the scene engine runs after a pick (zelUpdateWidgetState:
//    visualisation and solution tool windows and the bottom bar; zelUpdateQWidgetState:
//    modification window and clip-plane page). Mean, median and largest time of a refresh pair
//    over 500 runs, in microseconds, and how many runs took over 2 ms, with no field active, with
//    field 0 active and the ridges shown, and with the volumes shown, the colour map on and the
//    mesh clipped, with a pick in the history; and the number of list-builder calls the
//    refreshes made (the target is none).
//    The first refresh after the ridges were shown elsewhere checks the geometry page's
//    switch, whose slot repaints the view at once, as a user's click does: that one run holds
//    a frame.
// 2. The solution and clip-plane actions, with the volumes shown, each driven through its
//    widget and timed against the display-list calls it makes, made directly, each ending with
//    the view's repaint as the action does (median of a few runs each, alternating, in
//    milliseconds): Update of the clip planes (and apart: the marking on the pool, the option
//    change, the volume rebuild), Map at "All Ref" on the tetrahedra, "Viridis", Apply and Reset
//    of the palette.
//
// Run it with a display: scripts/with-display.sh build/bench/PanelBench [--cells N]. The
// settings store goes to a temporary folder.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/FunctionInterface.h"
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
#include "zelvane/panels/ClipBox.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelSolutionControl.h"
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
  const int types[] = {SOL_SCALAR, SOL_VECTOR};
  Geometric_Solution *sol = NewCommonSolution(mem, m->NbrVer, 4, 2, types);
  if (!sol) return m;
  sol->SizFld[0] = SOL_SCALAR;
  sol->SizFld[1] = SOL_VECTOR;
  for (int v = 1; v <= m->NbrVer; v++) {
    const double *x = m->Ver[v].Crd;
    double *s = sol->Sol + static_cast<size_t>(v) * sol->SizTot;
    s[0] = x[0] + 2 * x[1] - x[2];
    s[1] = x[1], s[2] = -x[0], s[3] = 0.1 * x[2];
  }
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

double msSince(std::chrono::steady_clock::time_point t) {
  return 1e3 * std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Median time of an action through its widget and of the calls it makes, made directly, run
// in turn `runs` times each; `before` runs untimed ahead of each (it undoes the action).
struct Pair {
  double panel, direct;
};
template <class Panel, class Direct, class Before>
Pair compare(int runs, Panel &&panel, Direct &&direct, Before &&before) {
  std::vector<double> p, d;
  for (int r = 0; r < runs; r++) {
    before();
    auto t = std::chrono::steady_clock::now();
    panel();
    p.push_back(msSince(t));
    QCoreApplication::processEvents();
    before();
    t = std::chrono::steady_clock::now();
    direct();
    d.push_back(msSince(t));
    QCoreApplication::processEvents();
  }
  return {median(p), median(d)};
}

void printPair(const char *what, Pair p) {
  printf("  %-34s panel %9.2f ms, direct %9.2f ms, ratio %.3f\n", what, p.panel, p.direct, p.panel / p.direct);
}

template <class T>
T *named(const QWidget *root, const char *name) {
  T *w = root->findChild<T *>(name);
  if (!w) {
    fprintf(stderr, "PanelBench: no widget %s\n", name);
    exit(1);
  }
  return w;
}

// The solution and clip-plane actions, volumes shown, field 0 active.
void actions(MainWindow *mw, ZelScene *scene) {
  ZelTool *sol = mw->solTool();
  ZelTool *visu = mw->visuTool();
  auto *clip = dynamic_cast<ClipBox *>(visu->getZelBase("Clip Planes"));
  if (!sol || !clip) {
    fprintf(stderr, "PanelBench: no solution or clip-plane page\n");
    exit(1);
  }
  visu->setVisibleBox(clip, true);  // a closed box disables its page
  ZelPlaEntity *pla = scene->ZelMsh->Pla;
  Function_Interface fi;
  DefaultFunInterface(&fi, scene->Mem, scene->Par, "BENCH");
  Pair update, marking, options, volumes;
  {
    Quiet q;
    named<QZelComboBox>(sol, "select:0:%2")->zelActivated(1);
    scene->Flags |= ZelFlgVolumes;
    zelUpdateVolTypeDisplayLists(1, scene);
    // Update through the centre, slanted; the same plane made directly.
    named<QZelComboBox>(visu, "cli:xyzBox:0")->zelActivated(1);
    auto *a = named<QLineEdit>(visu, "cli:aEdi:0");
    a->setText("1");
    named<QLineEdit>(visu, "cli:bEdi:0")->setText("0.5");
    emit a->editingFinished();
    QPushButton *upd = named<QZelPushButton>(visu, "cli:updBox:0");
    const int cur = pla->Cur;
    const auto noop = [] {};
    const auto clipDirect = [&] { zelSetPlaneClip(&fi, scene, cur); };
    const auto optDirect = [&] { zelUpdateAllDisplayListsOptions(ZelOptClipped, ZelLstClipped, 0, scene); };
    const auto volDirect = [&] { zelUpdateVolTypeDisplayLists(1, scene); };
    update = compare(5, [&] { upd->click(); },
                     [&] {
                       clipDirect();
                       optDirect();
                       pla->On = 1;
                       volDirect();
                       updateGlScene(scene);
                     },
                     noop);
    marking = compare(5, clipDirect, clipDirect, noop);
    options = compare(5, optDirect, optDirect, noop);
    volumes = compare(3, volDirect, volDirect, noop);
  }
  printf("  with the volumes shown and field 0 active, %d threads:\n", scene->Par ? GetNumberOfCores() : 1);
  printPair("Update (marking, options, volumes)", update);
  printf("  %-34s %9.2f ms\n  %-34s %9.2f ms\n  %-34s %9.2f ms\n", "  marking on the pool", marking.direct,
         "  clipped flag of every record", options.direct, "  volume lists rebuilt", volumes.direct);

  Pair map, viridis, apply, reset;
  {
    Quiet q;
    // Clipping off again: the actions below rebuild the whole volumes.
    named<QZelPushButton>(visu, "cli:resBox:0")->click();
    QCheckBox *mapBox = named<QZelCheckBox>(sol, "sol:mapBox:Tetrahedron:0:0");
    const auto mapOff = [&] {
      if (mapBox->isChecked()) mapBox->click();
      scene->SolFlags |= ZelSceneColorMap;  // the scalar map stays on for the palette actions
    };
    map = compare(3, [&] { mapBox->click(); },
                  [&] {
                    scene->SolFlags |= ZelSceneColorMap;
                    zelUpdateAllTypeDisplayLists(KmfTetrahedra, ZelOptShading, scene);
                    zelUpdateAllTypeDisplayListsOptions(KmfTetrahedra, ZelOptShading, 0, ZelSolShading, scene);
                    updateGlScene(scene);
                  },
                  mapOff);
    mapBox->click();
    ZelPalette *pal = &scene->VieSol->ZelPal[0];
    auto *colPal = named<QZelComboBox>(sol, "_0_0colPal");
    const auto shownDirect = [&] {
      zelUpdateAllDisplayListsOptions(scene->SolFlags, 0, setActSolOptions(scene), scene);
      zelUpdateAllDisplayLists(scene->SolFlags, scene);
    };
    viridis = compare(3, [&] { colPal->zelActivated(6); },
                      [&] {
                        pal->ColMap = pal->ColMapLegend = 6;
                        shownDirect();
                        updateGlScene(scene);
                      },
                      [] {});
    QPushButton *applyButton = named<QZelPushButton>(sol, "_0_0applyPal");
    apply = compare(3, [&] { applyButton->click(); },
                    [&] {
                      zelUpdateIsoLineDraw(pal, pal->Subdiv);
                      zelUpdateAllDisplayLists(scene->SolFlags, scene);
                      updateGlScene(scene);
                    },
                    [] {});
    QPushButton *resetButton = named<QZelPushButton>(sol, "_0_0resetPal");
    reset = compare(3, [&] { resetButton->click(); },
                    [&] {
                      zelUpdatePalette(0, scene->Msh, 5, pal);
                      zelUpdateAllDisplayLists(1, scene);
                      updateGlScene(scene);
                    },
                    [] {});
  }
  printPair("Map at \"All Ref\", tetrahedra", map);
  printPair("\"Viridis\"", viridis);
  printPair("Apply", apply);
  printPair("Reset (every list)", reset);
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
    Figures none, field, clipped;
    long catchUp = 0;
    {
      Quiet q;
      scene->ActFld = -1;
      none = refreshes(window);
      // Field 0 chosen as a user does, in the selection panel.
      named<QZelComboBox>(mw->solTool(), "select:0:%2")->zelActivated(1);
      scene->Flags |= 0x2000000;
      field = refreshes(window);
    }
    actions(mw, scene);
    {
      Quiet q;
      // Clipped again through the panel, a picked tetrahedron in the history.
      named<QZelComboBox>(mw->visuTool(), "cli:xyzBox:0")->zelActivated(2);
      geoPushHybridStack(scene->Pck, 1, KmfTetrahedra);
      // The first refresh after "Viridis" shows the colour map on the triangles' Map box (the
      // colour map switched it on in their records), which re-applies it: that one rebuild is
      // counted apart.
      builderCalls = 0;
      zelUpdateWidgetState(window);
      zelUpdateQWidgetState(window);
      catchUp = builderCalls;
      QCoreApplication::processEvents();
      clipped = refreshes(window);
    }
    for (const auto &row : {std::make_pair("no field active:       ", none),
                            std::make_pair("field 0, ridges shown: ", field),
                            std::make_pair("volumes, map, clipped: ", clipped)})
      printf("  refresh after a pick, %s mean %.1f us, median %.1f us, largest %.1f us, runs over 2 ms %ld of 500, "
             "builder calls %ld\n",
             row.first, row.second.mean, row.second.median, row.second.largest, row.second.over2ms, row.second.calls);
    printf("  (the refresh before the clipped ones: builder calls %ld)\n", catchUp);
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
