// What the panels cost on a main window showing the generated box of about two million
// tetrahedra (70 cells a side, six tetrahedra each, two triangles per boundary square,
// boundary edges around the bottom face and a normal at every bottom vertex), full-volume
// display on, references cycling over 128 values, corners flagged, a scalar and a vector field
// at the vertices, so that the geometry, normals, lines, surfaces, volumes, clip-plane,
// selection and solution pages exist.
//
// Every pick: the mean, median and largest time of a refresh pair (zelUpdateWidgetState:
// visualisation and solution tool windows and the bottom bar; zelUpdateQWidgetState:
// modification window and clip-plane page) over 500 runs, in microseconds, with no field
// active, with field 0 chosen in the selection panel and the ridges shown, and with the colour
// map on, the mesh clipped and a tetrahedron in the pick history; and the number of
// list-builder calls the refreshes made (the target is none). The first refresh after the
// ridges were shown elsewhere checks the geometry page's switch, whose slot repaints the view
// at once, as a user's click does: that one run holds a frame.
//
// Then changes made through the panels, each beside the same builder calls made directly
// (best of three, seconds and seconds per million elements rebuilt): the Volumes Shrink
// checked on the tetrahedra, the Surfaces width on the triangles, and the Surfaces Shrink
// unchecked while the volumes are shrunk (every shrunk edge, surface and volume record
// rebuilt); Update of the clip planes (and apart: the marking on the worker pool, the clipped
// flag of every record, the volume lists rebuilt), Map at "All Ref" on the tetrahedra,
// "Viridis", Apply and Reset of field 0's palette. The target is the direct time within 5 %.
// The repaint each change ends with (at once, on the GUI thread) is left out of both and timed
// once apart.
//
// Run it with a display: scripts/with-display.sh build/bench/PanelBench [--cells N]. The
// settings store goes to a temporary folder.
#include <GL/gl.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <vector>

#include "bench/ShellBenchKit.h"
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
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelOptions.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSolutionControl.h"
#include "zelvane/tools/ZelInstallTools.h"

namespace {


// Every builder call passes through here on its way to the builder of its kind.
ZelListHook builders[ZelHookKinds];
long builderCalls = 0;
int countingBuilder(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record) {
  builderCalls++;
  ZelListHook real = record && record->Type >= 0 && record->Type < ZelHookKinds ? builders[record->Type] : nullptr;
  return real ? real(mask, scene, record) : 0;
}

// Two triangles on each boundary square but the bottom ones the generator made.
bool addBoundaryTriangles(Memory_List *mem, Geometric_Mesh *m, int n) {
  if (!NewCommonMeshEntity(mem, m, KmfTriangles, 12 * n * n)) return false;
  const auto at = [n](int i, int j, int k) { return GridVertex(n, n, i, j, k); };
  const auto square = [m](int a, int b, int c, int d) {
    AddRecord(m->Tri, m->NbrTri, {a, b, c});
    AddRecord(m->Tri, m->NbrTri, {a, c, d});
  };
  for (int u = 0; u < n; u++)
    for (int w = 0; w < n; w++) {
      square(at(u, w, n), at(u + 1, w, n), at(u + 1, w + 1, n), at(u, w + 1, n));
      square(at(u, 0, w), at(u + 1, 0, w), at(u + 1, 0, w + 1), at(u, 0, w + 1));
      square(at(u, n, w), at(u + 1, n, w), at(u + 1, n, w + 1), at(u, n, w + 1));
      square(at(0, u, w), at(0, u + 1, w), at(0, u + 1, w + 1), at(0, u, w + 1));
      square(at(n, u, w), at(n, u + 1, w), at(n, u + 1, w + 1), at(n, u, w + 1));
    }
  m->NbrFilTri = m->NbrTri;
  return true;
}

// A normal at every bottom vertex.
bool addNormals(Memory_List *mem, Geometric_Mesh *m, int n) {
  if (!NewCommonMeshEntity(mem, m, KmfNormals, (n + 1) * (n + 1))) return false;
  for (int j = 0; j <= n; j++)
    for (int i = 0; i <= n; i++) m->Nor[++m->NbrNor] = Normal{1 + m->NbrNor % 128, GridVertex(n, n, i, j, 0), {0, 0, -1}, 0};
  m->GeoFlags |= GEO_NORMALS;
  return true;
}

Geometric_Mesh *panelBox(Memory_List *mem, int cells) {
  Geometric_Mesh *m = MakeStructuredMesh(mem, cells, cells, cells, GEN_TET | GEN_TRI | GEN_EFR);
  if (!m || !addBoundaryTriangles(mem, m, cells) || !addNormals(mem, m, cells)) return m;
  for (int i = 1; i <= m->NbrTet; i++) m->Tet[i].Ref = 1 + i % 128;
  for (int i = 1; i <= m->NbrTri; i++) m->Tri[i].Ref = 1 + i % 128;
  for (int i = 1; i <= m->NbrEfr; i++) m->Efr[i].Ref = 1 + i % 128;
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
    double *f = sol->Sol + static_cast<size_t>(v) * sol->SizTot;
    f[0] = x[0] + 2 * x[1] - x[2];
    f[1] = x[1], f[2] = -x[0], f[3] = 0.1 * x[2];
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

// ---- changes at "All Ref" beside the direct builder calls

template <class F>
void forEachRecord(ZelScene *scene, std::initializer_list<int> kinds, F &&f) {
  for (int kind : kinds)
    if (ZelEntity *e = zelGetEntity(scene->ZelMsh, kind))
      for (int i = 1; i <= e->NbrLst; i++) f(e->DspLst[i]);
}

const std::initializer_list<int> EveryKind = {KmfEdges,      KmfEdgesP2,      KmfTriangles, KmfTrianglesP2,
                                              KmfQuadrilaterals, KmfQuadrilateralsQ2, KmfTetrahedra,
                                              KmfTetrahedraP2, KmfHexahedra,  KmfHexahedraQ2, KmfPyramids, KmfPrisms};

double seconds(const std::function<void()> &f) {
  const auto t = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

struct Pair {
  double panel = 1e30, direct = 1e30;
  long panelCalls = 0, directCalls = 0, repaints = 0;
};
long repaints = 0;

// Best of three: prepare, then the panel's change; prepare, then the direct builder calls.
// The GL work left pending (a repaint) is finished before each timing.
Pair compare(ZelScene *s, const std::function<void()> &prepare, const std::function<void()> &panel,
             const std::function<void()> &direct) {
  const auto ready = [&] {
    prepare();
    QCoreApplication::processEvents();
    zelMakeCurrent(s->Win);
    glFinish();
    builderCalls = 0;
  };
  // Every change ends with a repaint, done at once: counted here and timed apart.
  void (*const repaint)(ZelScene *) = zelHooks().updateGlScene;
  zelHooks().updateGlScene = [](ZelScene *) { repaints++; };
  Pair p;
  for (int run = 0; run < 3; run++) {
    ready();
    repaints = 0;
    p.panel = std::min(p.panel, seconds(panel));
    p.panelCalls = builderCalls;
    p.repaints = repaints;
    ready();
    p.direct = std::min(p.direct, seconds(direct));
    p.directCalls = builderCalls;
  }
  zelHooks().updateGlScene = repaint;
  return p;
}

void report(const char *what, const Pair &p, double elements) {
  printf("  %s\n    panel  %.3f s (%.3f s per million), %ld builder calls, %ld repaint asked\n"
         "    direct %.3f s (%.3f s per million), %ld builder calls; panel / direct %.3f\n",
         what, p.panel, p.panel / elements * 1e6, p.panelCalls, p.repaints, p.direct, p.direct / elements * 1e6,
         p.directCalls, p.panel / p.direct);
}

void allRefChanges(MainWindow *mw, Window *window) {
  ZelScene *s = mw->getScene();
  ZelTool *visu = mw->visuTool();
  const QString n = QString::number(mw->index());
  auto *volShrink = visu->findChild<QCheckBox *>("vol:shrBox:Tetrahedron:" + n);
  auto *srfShrink = visu->findChild<QCheckBox *>("srf:shrBox:Triangle:" + n);
  auto *srfWidth = visu->findChild<QZelComboBox *>("lin:widthBox:Triangle:" + n);
  if (!volShrink || !srfShrink || !srfWidth) {
    printf("  the display panels are missing: no change timed\n");
    return;
  }
  const auto rebuild = [s](ZelEntDisplayList &r, ZelListMask mask) { zelUpdateList(r.Type, mask, s, &r); };
  const auto setShrink = [s](std::initializer_list<int> kinds, bool on) {
    forEachRecord(s, kinds, [on](ZelEntDisplayList &r) { r.Flags = on ? r.Flags | ZelLstShrink : r.Flags & ~ZelLstShrink; });
  };
  const double tets = s->Msh->NbrTet, tris = s->Msh->NbrTri, edges = s->Msh->NbrEfr;
  Pair volumes, width, surfaces;
  {
    Quiet q;
    volumes = compare(s,
        [&] {
          setShrink({KmfTetrahedra}, false);
          zelUpdateWidgetState(window);  // the box reads the records back: unchecked
        },
        [&] { volShrink->setCheckState(Qt::Checked); },
        [&] {
          zelMakeCurrent(s->Win);
          forEachRecord(s, {KmfTetrahedra}, [&](ZelEntDisplayList &r) {
            r.Flags |= ZelLstShrink;
            if (r.Head) rebuild(r, 1);
          });
        });
    int row = 3;
    width = compare(s,[&] { row = row == 3 ? 4 : 3; }, [&] { srfWidth->zelActivated(row); },
                    [&] {
                      zelMakeCurrent(s->Win);
                      forEachRecord(s, {KmfTriangles}, [&](ZelEntDisplayList &r) {
                        r.Opt.LineWidth = row == 3 ? 2.5f : 3.0f;
                        rebuild(r, 0x8000000);
                      });
                    });
    surfaces = compare(s,
        [&] {
          setShrink(EveryKind, true);
          zelUpdateWidgetState(window);  // every listed record shrunk: checked
        },
        [&] { srfShrink->setCheckState(Qt::Unchecked); },
        [&] {
          zelMakeCurrent(s->Win);
          forEachRecord(s, EveryKind, [&](ZelEntDisplayList &r) {
            const bool had = r.Flags & ZelLstShrink;
            r.Flags &= ~ZelLstShrink;
            if (had && r.Head) rebuild(r, 1);
          });
        });
  }
  QCoreApplication::processEvents();
  const double frame = seconds([s] {
    updateGlScene(s);
    zelMakeCurrent(s->Win);
    glFinish();
  });
  printf("  the repaint each change asks for, apart: %.3f s\n", frame);
  report("Volumes Shrink checked at All Ref (tetrahedra):", volumes, tets);
  report("Surfaces width at All Ref (triangles):", width, tris);
  report("Surfaces Shrink unchecked at All Ref, volumes shrunk (edges, triangles, tetrahedra):", surfaces,
         tets + tris + edges);
}

// A widget of a tool window by its object name; the benchmark stops without it.
template <class T>
T *named(const QWidget *root, const QString &name) {
  T *w = root->findChild<T *>(name);
  if (!w) {
    fprintf(stderr, "PanelBench: no widget %s\n", qPrintable(name));
    exit(1);
  }
  return w;
}

// Update of the clip planes, then the palette's actions, field 0 active (its box open) and
// the volumes shown.
void solutionAndClipChanges(MainWindow *mw) {
  ZelScene *s = mw->getScene();
  ZelTool *sol = mw->solTool(), *visu = mw->visuTool();
  auto *clip = visu ? dynamic_cast<ClipBox *>(visu->getZelBase("Clip Planes")) : nullptr;
  if (!sol || !clip) {
    printf("  the solution or clip-plane panels are missing: no change timed\n");
    return;
  }
  const QString n = QString::number(mw->index());
  visu->setVisibleBox(clip, true);  // a closed box disables its page
  ZelPlaEntity *pla = s->ZelMsh->Pla;
  Function_Interface fi;
  DefaultFunInterface(&fi, s->Mem, s->Par, "BENCH");
  const double tets = s->Msh->NbrTet, all = s->Msh->NbrTet + s->Msh->NbrTri + s->Msh->NbrEfr;
  const auto nothing = [] {};
  Pair update, map, viridis, apply, reset;
  double marking = 1e30, flags = 1e30, volumes = 1e30;
  {
    Quiet q;
    // A slanted plane through the centre, typed as a user does.
    named<QZelComboBox>(visu, "cli:xyzBox:" + n)->zelActivated(1);
    named<QLineEdit>(visu, "cli:bEdi:" + n)->setText("0.5");
    emit named<QLineEdit>(visu, "cli:bEdi:" + n)->editingFinished();
    QAbstractButton *upd = named<QAbstractButton>(visu, "cli:updBox:" + n);
    const int cur = pla->Cur;
    const auto clipping = [&] { zelSetPlaneClip(&fi, s, cur); };
    const auto clipped = [&] { zelUpdateAllDisplayListsOptions(ZelOptClipped, ZelLstClipped, 0, s); };
    const auto rebuilt = [&] { zelUpdateVolTypeDisplayLists(1, s); };
    update = compare(s, nothing, [&] { upd->click(); },
                     [&] {
                       clipping();
                       clipped();
                       pla->On = 1;
                       rebuilt();
                     });
    for (int run = 0; run < 3; run++) {
      marking = std::min(marking, seconds(clipping));
      flags = std::min(flags, seconds(clipped));
      volumes = std::min(volumes, seconds(rebuilt));
    }
    named<QAbstractButton>(visu, "cli:resBox:" + n)->click();

    QCheckBox *mapBox = named<QCheckBox>(sol, "sol:mapBox:Tetrahedron:" + n + ":0");
    map = compare(s, [&] { mapBox->setCheckState(Qt::Unchecked); }, [&] { mapBox->setCheckState(Qt::Checked); },
                  [&] {
                    s->SolFlags |= ZelSceneColorMap;
                    zelUpdateAllTypeDisplayLists(KmfTetrahedra, ZelOptShading, s);
                    zelUpdateAllTypeDisplayListsOptions(KmfTetrahedra, ZelOptShading, 0, ZelSolShading, s);
                  });
    ZelPalette *pal = &s->VieSol->ZelPal[0];
    const QString pfx = "_0_" + n;
    viridis = compare(s, nothing, [&] { named<QZelComboBox>(sol, pfx + "colPal")->zelActivated(6); },
                      [&] {
                        pal->ColMap = pal->ColMapLegend = 6;
                        zelUpdateAllDisplayListsOptions(s->SolFlags, 0, setActSolOptions(s), s);
                        zelUpdateAllDisplayLists(s->SolFlags, s);
                      });
    apply = compare(s, nothing, [&] { named<QAbstractButton>(sol, pfx + "applyPal")->click(); },
                    [&] {
                      zelUpdateIsoLineDraw(pal, pal->Subdiv);
                      zelUpdateAllDisplayLists(s->SolFlags, s);
                    });
    reset = compare(s, nothing, [&] { named<QAbstractButton>(sol, pfx + "resetPal")->click(); },
                    [&] {
                      zelUpdatePalette(0, s->Msh, 5, pal);
                      zelUpdateAllDisplayLists(1, s);
                    });
  }
  report("Clip planes Update (marking, clipped flags, volume lists):", update, tets);
  printf("    apart: marking on %d threads %.3f s, clipped flags %.6f s, volume lists %.3f s\n",
         GetNumberOfCores(), marking, flags, volumes);
  report("Map at All Ref (tetrahedra):", map, tets);
  report("\"Viridis\" (the colour-map lists every record shows):", viridis, tets);
  report("Apply (the same lists):", apply, tets);
  report("Reset (every list):", reset, all);
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
    {
      Quiet q;
      scene->Flags |= ZelFlgVolumes;
      scene->Rnd.Shrink = 0.95f;
      zelUpdateVolTypeDisplayLists(1, scene);
      zelUpdateWidgetState(window);
    }
    Figures none, field, clipped;
    long catchUp = 0;
    const QString n = QString::number(mw->index());
    {
      Quiet q;
      scene->ActFld = -1;
      none = refreshes(window);
      // Field 0 chosen as a user does, in the selection panel: its box opens.
      named<QZelComboBox>(mw->solTool(), "select:" + n + ":%2")->zelActivated(1);
      scene->Flags |= 0x2000000;
      // The ridges were switched on behind the lines panel: its first refresh catches up and
      // builds them. That one is not a pick's refresh.
      zelUpdateWidgetState(window);
      zelUpdateQWidgetState(window);
      QCoreApplication::processEvents();
      field = refreshes(window);
    }
    scene->Flags &= ~0x2000000u;
    solutionAndClipChanges(mw);
    {
      Quiet q;
      // Clipped again through the panel, a picked tetrahedron in the history. The first
      // refresh after "Viridis" shows the colour map on the Map boxes of the families it
      // switched on, which re-applies it: that refresh is counted apart.
      named<QZelComboBox>(mw->visuTool(), "cli:xyzBox:" + n)->zelActivated(2);
      geoPushHybridStack(scene->Pck, 1, KmfTetrahedra);
      builderCalls = 0;
      zelUpdateWidgetState(window);
      zelUpdateQWidgetState(window);
      catchUp = builderCalls;
      QCoreApplication::processEvents();
      clipped = refreshes(window);
      named<QAbstractButton>(mw->visuTool(), "cli:resBox:" + n)->click();
    }
    for (const auto &row : {std::make_pair("no field active:       ", none),
                            std::make_pair("field 0, ridges shown: ", field),
                            std::make_pair("map on, clipped, pick: ", clipped)})
      printf("  refresh after a pick, %s mean %.1f us, median %.1f us, largest %.1f us, runs over 2 ms %ld of 500, "
             "builder calls %ld\n",
             row.first, row.second.mean, row.second.median, row.second.largest, row.second.over2ms, row.second.calls);
    printf("  (the refresh before the clipped ones: builder calls %ld)\n", catchUp);
    // The display panels' changes with no field shown.
    named<QZelComboBox>(mw->solTool(), "select:" + n + ":%2")->zelActivated(0);
    allRefChanges(mw, window);
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
