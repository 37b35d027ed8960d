// The solution panels driven by object name: the display groups in a real main window (scene
// and record bits, the lists rebuilt, the clearing rule, the active field), the palette group
// (names, entries, scales, typed values, colour maps) and the iso-line export.
#include <QFile>
#include <QLabel>
#include <functional>
#include <set>

#include "tests/panels/PanelKit.h"
#include "tests/support/LoadFixtures.h"
#include "tests/support/MeshioRead.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/panels/IsoValBox.h"
#include "zelvane/panels/SolBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/record/QZelSpinBox.h"
#include "zelvane/sample/ZelSample.h"

namespace {

// Two cells along x: a hexahedron (reference 5), three tetrahedra (3, 4, 3) and four bottom
// triangles (1, 2, 1, 2); at the vertices a scalar x + y, a vector (x, y, z) and a vector
// (y, z, x).
Geometric_Mesh *Cells(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(
      mem, 3, {{KmfVertices, 12}, {KmfTriangles, 4}, {KmfTetrahedra, 3}, {KmfHexahedra, 1}}, {1, 2, 2});
  for (int k = 0; k < 2; k++)
    for (int j = 0; j < 2; j++)
      for (int i = 0; i < 3; i++) AddVertex(m, i, j, k);
  const auto v = [](int i, int j, int k) { return 1 + i + 3 * (j + 2 * k); };
  AddElement(m, KmfHexahedra, {v(0, 0, 0), v(1, 0, 0), v(1, 1, 0), v(0, 1, 0), v(0, 0, 1), v(1, 0, 1), v(1, 1, 1),
                               v(0, 1, 1)}, 5);
  AddElement(m, KmfTetrahedra, {v(1, 0, 0), v(2, 0, 0), v(1, 1, 0), v(1, 0, 1)}, 3);
  AddElement(m, KmfTetrahedra, {v(2, 0, 0), v(2, 1, 0), v(1, 1, 0), v(2, 1, 1)}, 4);
  AddElement(m, KmfTetrahedra, {v(2, 0, 0), v(2, 0, 1), v(1, 0, 1), v(2, 1, 1)}, 3);
  AddElement(m, KmfTriangles, {v(0, 0, 0), v(1, 0, 0), v(1, 1, 0)}, 1);
  AddElement(m, KmfTriangles, {v(0, 0, 0), v(1, 1, 0), v(0, 1, 0)}, 2);
  AddElement(m, KmfTriangles, {v(1, 0, 0), v(2, 0, 0), v(2, 1, 0)}, 1);
  AddElement(m, KmfTriangles, {v(1, 0, 0), v(2, 1, 0), v(1, 1, 0)}, 2);
  m->NbrFilTri = m->NbrTri;
  m->NbrFilTet = m->NbrTet;
  for (int i = 1; i <= m->NbrVer; i++) {
    VertexValue(m, i, 0) = m->Ver[i].Crd[0] + m->Ver[i].Crd[1];
    for (int c = 0; c < 3; c++) {
      VertexValue(m, i, 1, c) = m->Ver[i].Crd[c];
      VertexValue(m, i, 2, c) = m->Ver[i].Crd[(c + 1) % 3];
    }
  }
  return m;
}

}  // namespace

TEST(SolutionGroups, DisplaysSetSceneAndRecordBitsUnderTheClearingRuleAndOnlyForTheActiveField) {
  auto v = QuietViewer(Cells);
  ZelScene *s = v->scene(0);
  ZelTool *sol = v->window(0)->solTool();
  ASSERT_NE(sol, nullptr);
  const auto box = [&](const char *name) { return Named<QZelCheckBox>(sol, name); };
  using W = std::map<int, unsigned>;
  FakeHooks hooks(true);
  Named<QZelComboBox>(sol, "select:0:%2")->zelActivated(1);
  ASSERT_EQ(s->ActFld, 0);
  // The tetrahedra show iso-lines of their own.
  ForEachRecord(s, [](int k, ZelEntDisplayList &r) { r.Opt.Solution |= k == KmfTetrahedra ? 2 : 0; });

  // IsoLine at "All Ref": the scene bit, bit 2 of every triangle record, their iso-lines, the
  // spin boxes.
  hooks.ListCalls.clear();
  box("sol:isoLBox:Triangle:0:0")->click();
  EXPECT_EQ(s->SolFlags, 0x40u);
  EXPECT_EQ(Words(s, KmfTriangles), (W{{1, 2}, {2, 2}}));
  EXPECT_EQ(Built(hooks), (std::vector<Call>{{KmfTriangles, 1, 0x40}, {KmfTriangles, 2, 0x40}}));
  EXPECT_TRUE(Named<QZelSpinBox>(sol, "sol:thickness:Triangle:0:0")->isEnabled());
  EXPECT_TRUE(Named<QZelSpinBox>(sol, "sol:number:Triangle:0:0")->isEnabled());
  // Unchecked: the triangles' own bits go, the tetrahedra keep theirs.
  box("sol:isoLBox:Triangle:0:0")->click();
  EXPECT_EQ(Words(s, KmfTriangles), (W{{1, 0}, {2, 0}}));
  EXPECT_EQ(Words(s, KmfTetrahedra), (W{{3, 2}, {4, 2}}));
  // The surfaces' colour map on and off at "All Ref" leaves the volumes' own on.
  Rec(s, KmfTetrahedra, 3).Opt.Solution |= 1;
  for (int k = 0; k < 2; k++) box("sol:mapBox:Triangle:0:0")->click();
  EXPECT_EQ(Words(s, KmfTetrahedra), (W{{3, 2 | 1}, {4, 2}}));
  Rec(s, KmfTetrahedra, 3).Opt.Solution &= ~1u;
  box("sol:isoLBox:Triangle:0:0")->click();

  // Unchecked while reference 2 lacks the bit: no record changes, the scene bit goes.
  Rec(s, KmfTriangles, 2).Opt.Solution = 0;
  hooks.ListCalls.clear();
  box("sol:isoLBox:Triangle:0:0")->click();
  EXPECT_EQ(s->SolFlags, 0u);
  EXPECT_EQ(Words(s, KmfTriangles), (W{{1, 2}, {2, 0}}));
  EXPECT_TRUE(Built(hooks).empty());
  EXPECT_FALSE(Named<QZelSpinBox>(sol, "sol:number:Triangle:0:0")->isEnabled());

  // IsoSurf off for the tetrahedra (every one had it) clears the hexahedron's too.
  box("sol:isoSBox:Tetrahedron:0:0")->click();
  EXPECT_EQ(Words(s, KmfTetrahedra), (W{{3, 6}, {4, 6}}));
  Rec(s, KmfHexahedra, 5).Opt.Solution |= 4;
  s->Flags |= ZelFlgVolumes;
  box("sol:isoSBox:Tetrahedron:0:0")->click();
  EXPECT_EQ(Words(s, KmfHexahedra), (W{{5, 0}}));
  EXPECT_EQ(Words(s, KmfTetrahedra), (W{{3, 2}, {4, 2}}));
  // Map unchecked too: the full-volume display goes while surfaces remain to be shown, and
  // stays on a mesh whose volumes have no surface elements.
  EXPECT_FALSE(s->Flags & ZelFlgVolumes);
  s->Flags |= ZelFlgVolumes;
  s->Rnd.Kinds &= ~ZelKindsFaces;
  box("sol:isoSBox:Tetrahedron:0:0")->click();
  box("sol:isoSBox:Tetrahedron:0:0")->click();
  EXPECT_TRUE(s->Flags & ZelFlgVolumes);
  s->Rnd.Kinds |= ZelKindsFaces;

  // Field 1's boxes (its panel disabled: replayed checks) act only once field 1 is the active
  // field; an inactive field's refresh unchecks Black, which gives its palette coloured
  // iso-lines back.
  box("sol:blackIsoBox:Triangle:0:0")->click();
  ASSERT_EQ(s->VieSol->ZelPal[0].BlackIso, 2);
  const auto before = Words(s, KmfTriangles);
  box("sol:mapBox:Triangle:0:1")->zelStateChanged(Qt::Checked);
  box("sol:vecBox:Triangle:0:1")->zelStateChanged(Qt::Checked);
  EXPECT_EQ(Words(s, KmfTriangles), before);
  EXPECT_EQ(s->SolFlags & 0x220u, 0u);
  hooks.ListCalls.clear();
  Named<QZelComboBox>(sol, "select:0:%2")->zelActivated(2);
  EXPECT_EQ(s->ActFld, 1);
  // Its unchecked IsoSurf boxes, applied again, leave the volumes shown.
  EXPECT_TRUE(s->Flags & ZelFlgVolumes);
  EXPECT_EQ(Words(s, KmfTriangles), (W{{1, 2 | 1 | 8}, {2, 1 | 8}}));
  EXPECT_EQ(Built(hooks), (std::vector<Call>{{KmfTriangles, 1, 0x20},
                                             {KmfTriangles, 2, 0x20},
                                             {KmfTriangles, 1, 0x200},
                                             {KmfTriangles, 2, 0x200}}));
  sol->update();
  EXPECT_FALSE(box("sol:blackIsoBox:Triangle:0:0")->isChecked());
  EXPECT_EQ(s->VieSol->ZelPal[0].BlackIso, 0);

  // With the volumes drawn, a colour map rebuilds the tetrahedra's shown solutions too.
  Rec(s, KmfTetrahedra, 3).Opt.Solution |= 1;
  hooks.ListCalls.clear();
  Named<QZelComboBox>(sol, "_1_0colPal")->zelActivated(6);
  std::set<int> tetrahedra;
  for (const Call &c : Built(hooks))
    if (std::get<0>(c) == KmfTetrahedra) tetrahedra.insert(std::get<1>(c));
  EXPECT_TRUE(tetrahedra.count(3));

  // The second vector field's scale widgets are named apart: each name replays its own.
  for (const char *name : {"sol:dblBox:Triangle:0", "sol:preciD:Triangle:0"})
    for (int field : {1, 2}) {
      const QString own = field == 1 ? QString(name) : QString(name) + ":2";
      EXPECT_EQ(v->app->server()->findZelObject(own)->getQObject(), Named<QObject>(sol->getZelBase(1 + field), own));
    }
}

TEST(SolutionPalette, EntriesScalesTypedValuesAndColourMapsOfTheFieldsPalette) {
  // Four scalar fields on a grid of two triangles (references 1 and 2): 0..4/3, 0..4e6, 0..10
  // (x + y, the grid 5 x 5 wide) and -5..0.
  PanelScene scene([](Memory_List *mem) {
    Geometric_Mesh *m = TriangleGrid(mem, 1, 1, {1, 1, 1, 1});
    m->Tri[2].Ref = 2;
    m->NbrFilTri = m->NbrTri;
    for (int i = 1; i <= m->NbrVer; i++) {
      const double t = (m->Ver[i].Crd[0] + m->Ver[i].Crd[1]) / 2;  // 0..1
      const double f[4] = {4.0 / 3 * t, 4e6 * t, 10 * t, -5 * t};
      for (int k = 0; k < 4; k++) VertexValue(m, i, k) = f[k];
    }
    return m;
  });
  ZelScene *s = scene.get();
  ZelSequenceServer server{2};
  std::unique_ptr<SolBox> panel[4];
  for (int f = 0; f < 4; f++) panel[f].reset(new SolBox(&server, s, 3, f));
  SolBox &box = *panel[2];
  Named<QZelGroupBox>(&box, "_2_3palGroup");
  Named<QZelComboBox>(&box, "entity:3:sol2");
  EXPECT_EQ(panel[0]->isoEntry(1)->text(), "0.333333");
  EXPECT_EQ(panel[1]->isoEntry(1)->text(), "1e+06");

  // Linear 0..10: 7 in entry 2 gives 7 and 0.2, nothing rebuilt before Apply.
  ZelPalette *pal = box.palette();
  FakeHooks hooks(true);
  const auto type = [&](int k, const char *text) { Type(box.isoEntry(k), text); };
  type(2, "7");
  EXPECT_DOUBLE_EQ(pal->Iso[2], 7.0);
  EXPECT_FLOAT_EQ(pal->NormIso[2], 0.2f);
  EXPECT_TRUE(Built(hooks).empty());
  // No text that is not a number gets in.
  type(2, "abc");
  EXPECT_EQ(box.isoEntry(2)->text(), "7");
  EXPECT_DOUBLE_EQ(pal->Iso[2], 7.0);

  // Log: 7 stays 7 when normalised.
  Named<QZelComboBox>(&box, "_2_3typePal")->zelActivated(1);
  type(2, "7");
  EXPECT_FLOAT_EQ(pal->NormIso[2], 7.0f);
  // Log on a field without a positive value goes back to "Linear".
  QZelComboBox *negative = Named<QZelComboBox>(panel[3].get(), "_3_3typePal");
  CaptureText([&] { negative->zelActivated(1); });
  EXPECT_EQ(panel[3]->palette()->Scale, 0);
  EXPECT_EQ(negative->currentText(), "Linear");

  // "Viridis" switches on what the scene's bits name and rebuilds what the records show, also
  // once reference 1 has been switched off (the scene's bit with it).
  s->ActFld = 2;
  s->SolFlags = ZelSceneColorMap;
  ForEachRecord(s, [](int, ZelEntDisplayList &r) { r.Opt.Solution = 0; });
  hooks.ListCalls.clear();
  Named<QZelComboBox>(&box, "_2_3colPal")->zelActivated(6);
  EXPECT_EQ(pal->ColMap, 6);
  EXPECT_EQ(pal->ColMapLegend, 6);
  EXPECT_EQ(Built(hooks), (std::vector<Call>{{KmfTriangles, 1, 0x20}, {KmfTriangles, 2, 0x20}}));
  QZelComboBox *refs = Named<QZelComboBox>(&box, "sol:refBox:Triangle:3:2");
  refs->zelActivated(1);
  Named<QZelCheckBox>(&box, "sol:mapBox:Triangle:3:2")->click();
  ASSERT_EQ(s->SolFlags, 0u);
  hooks.ListCalls.clear();
  Named<QZelComboBox>(&box, "_2_3colPal")->zelActivated(6);
  EXPECT_EQ(Built(hooks), (std::vector<Call>{{KmfTriangles, 2, 0x20}}));
  // Apply rebuilds the same lists.
  hooks.ListCalls.clear();
  Named<QZelPushButton>(&box, "_2_3applyPal")->click();
  EXPECT_EQ(Built(hooks), (std::vector<Call>{{KmfTriangles, 2, 0x20}}));
}

TEST(IsoLineExport, WritesTheCrossingsOfTheActiveFieldAsAVertexMeshThatReadsBack) {
  PanelScene scene([](Memory_List *mem) {
    Geometric_Mesh *m = TriangleGrid(mem, 1, 1, {1});
    for (int i = 1; i <= m->NbrVer; i++) VertexValue(m, i, 0) = m->Ver[i].Crd[0];
    m->NbrFilTri = m->NbrTri;
    return m;
  });
  ZelScene *s = scene.get();
  s->ActFld = 0;
  ZelSequenceServer server(2);
  SolBox box(&server, s, 1, 0);
  QTemporaryDir dir;
  const QString path = dir.filePath("iso.mesh");
  const auto save = [&](const QString &name) {
    ScriptedDialogs answer({{name}});
    CaptureText([&] { Named<QZelPushButton>(&box, "_0_1saveIso")->click(); });
  };
  const auto bytes = [&] {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("(none)");
  };
  const std::string head = "MeshVersionFormatted 2 \n   \nDimension \n 2 \n   \nVertices\n";
  // Another reader of the format takes the file too: meshio refuses a version-3 text file.
  const auto meshioPoints = [&] {
    std::vector<fixtures::MeshioMesh> got;
    std::string err;
    EXPECT_TRUE(fixtures::ReadWithMeshio({path.toStdString()}, got, err)) << err;
    return got.empty() ? std::vector<double>{-1} : got[0].Points;
  };

  Named<QZelLineEdit>(&box, "_0_1isoValue")->setText("0.5");
  save("");
  EXPECT_FALSE(QFile::exists(path));
  save(path);
  EXPECT_EQ(bytes(), head + "3 \n0.500000 0.000000 0\n0.500000 0.500000 0\n0.500000 1.000000 0\nEnd\n");
  fixtures::LoadContext load;
  Geometric_Mesh *m = load.Load({path.toStdString()});
  ASSERT_TRUE(m && m->Dim == 2 && m->NbrVer == 3);
  for (int i = 1; i <= 3; i++)
    EXPECT_EQ(std::vector<double>(m->Ver[i].Crd, m->Ver[i].Crd + 2), std::vector<double>({0.5, 0.5 * (i - 1)}));
  load.Free(m);
  EXPECT_EQ(meshioPoints(), (std::vector<double>{0.5, 0, 0.5, 0.5, 0.5, 1}));

  // No active field, a 3-D mesh, or no field at the vertices: the empty point set.
  for (int c = 0; c < 3; c++) {
    s->ActFld = c == 0 ? -1 : 0;
    s->Msh->Dim = c == 1 ? 3 : 2;
    if (c == 2) std::swap(s->Msh->SolAtVer, s->Msh->SolAtTri);
    save(path);
    if (c == 2) std::swap(s->Msh->SolAtVer, s->Msh->SolAtTri);
    EXPECT_EQ(bytes(), head + "0 \nEnd\n") << c;
  }
  EXPECT_EQ(meshioPoints(), std::vector<double>{});
  // A file that cannot be written is named in a warning.
  MessageLog log;
  const QString missing = dir.filePath("no/such/folder/iso.mesh");
  save(missing);
  ASSERT_EQ(log.shown.size(), 1u);
  EXPECT_TRUE(log.shown[0].text.contains(missing));
}

namespace {

// What the solution and clip-plane panels leave in a scene.
std::vector<double> PanelState(ZelScene *s) {
  std::vector<double> state{double(s->ActFld), double(s->SolFlags), s->Rnd.VectorScale,
                            double(s->Flags & (ZelFlgCapping | ZelFlgVolumes | 0x801u))};
  ForEachRecord(s, [&](int kind, ZelEntDisplayList &r) {
    state.insert(state.end(), {double(kind), double(r.Ref), double(r.Opt.Solution), double(r.Flags)});
  });
  const ZelPalette &p = s->VieSol->ZelPal[1];
  state.insert(state.end(), {double(p.ColMap), double(p.ColMapLegend), double(p.Scale), double(p.N)});
  state.insert(state.end(), p.Iso, p.Iso + p.N);
  const ZelPlaEntity *pla = s->ZelMsh->Pla;
  state.insert(state.end(), pla->Pla[pla->Cur], pla->Pla[pla->Cur] + 4);
  state.insert(state.end(), {double(pla->ActMsk), double(pla->ShwMsk), double(pla->On)});
  return state;
}

}  // namespace

TEST(SolutionAndClipReplay, ARecordedSequenceReplaysToTheSameStateInANewWindow) {
  QTemporaryDir dir;
  const std::string file = QDir(dir.path()).filePath("panels.seq").toStdString();
  std::vector<double> recorded;
  {
    auto v = QuietViewer(Cells);
    ZelTool *sol = v->window(0)->solTool();
    ZelTool *visu = v->window(0)->visuTool();
    // The clip planes' box opened by its header, as a user does (a closed box disables its
    // page).
    visu->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(visu));
    ClickHeader(visu->boxes().last());
    ASSERT_EQ(visu->boxes().last()->title(), "Clip Planes");
    CaptureText([&] {
      Named<QZelComboBox>(sol, "select:0:%2")->zelActivated(2);
      Named<QZelCheckBox>(sol, "sol:mapBox:Triangle:0:1")->click();
      Named<QZelCheckBox>(sol, "sol:vecBox:Triangle:0:1")->click();
      Named<QDoubleSpinBox>(sol, "sol:dblBox:Triangle:0")->setValue(2.5);
      Named<QZelComboBox>(sol, "_1_0colPal")->zelActivated(6);
      Named<QZelPushButton>(sol, "_1_0resetPal")->click();
      Named<QZelComboBox>(visu, "cli:xyzBox:0")->zelActivated(1);
      Named<QZelCheckBox>(visu, "cli:invBox:0")->click();
      Named<QZelCheckBox>(visu, "cli:cutBox:0")->click();
    });
    recorded = PanelState(v->scene(0));
    ASSERT_EQ(v->scene(0)->ActFld, 1);
    ASSERT_EQ(v->scene(0)->ZelMsh->Pla->Pla[0][0], -1.0);
    v->app->server()->saveSequences(file.c_str());
  }
  auto v = QuietViewer(Cells);
  ASSERT_NE(PanelState(v->scene(0)), recorded);
  CaptureText([&] {
    v->app->server()->loadSequences(file.c_str());
    v->app->server()->execSequences(0);
    settle();
  });
  EXPECT_EQ(PanelState(v->scene(0)), recorded);
}

// The palette group's Hide shows whether the legend is hidden, whatever put it on the view or
// took it away; its first click takes the legend off the view, and only the legend; unchecked,
// the same picture comes back.
TEST(SolutionPalette, HideShowsTheLegendHiddenAndTakesItOffTheViewAndUncheckedBringsItBack) {
  std::unique_ptr<Viewer> v;
  CaptureText([&] { v.reset(new Viewer({"-in", dataFile("sample.meshb"), "-sol", dataFile("sample.solb")})); });
  MainWindow *w = v->window(0);
  ZelScene *s = v->scene(0);
  GLWidget *view = v->view(0);
  // The field chosen in the bottom bar, its window open, then shown as a colour map with its
  // legend by `m`.
  w->findChild<QZelComboBox *>("Sol_1")->zelActivated(1);
  ASSERT_EQ(s->ActFld, 0);
  ZelTool *sol = w->solTool();
  sol->setVisibleBox(true);
  settle();
  QZelCheckBox *hide = Named<QZelCheckBox>(sol, "_0_1displayPal");
  ASSERT_TRUE(hide && hide->isEnabled() && hide->isVisible());
  EXPECT_TRUE(hide->isChecked());
  QTest::keyClick(view, 'm');
  ASSERT_TRUE(s->Flags & ZelFlgLegend);
  EXPECT_FALSE(hide->isChecked());
  EXPECT_TRUE(Named<QZelCheckBox>(sol, "_0_1displayTime")->isChecked());
  const QImage shown = view->grabScene();

  ClickCheck(hide);
  EXPECT_TRUE(hide->isChecked());
  EXPECT_FALSE(s->Flags & ZelFlgLegend);
  const QImage hidden = view->grabScene();
  ASSERT_EQ(hidden.size(), shown.size());
  shown.save(QString::fromStdString(testOutputDir() + "/solution-legend-shown.png"));
  hidden.save(QString::fromStdString(testOutputDir() + "/solution-legend-hidden.png"));
  // The legend's bar and labels lie in the top sixth of the view; below it nothing changes.
  const int band = shown.height() / 6;
  int changed = 0;
  for (int y = 0; y < shown.height(); y++)
    for (int x = 0; x < shown.width(); x++)
      if (shown.pixel(x, y) != hidden.pixel(x, y)) {
        ASSERT_LT(y, band) << "pixel " << x << ", " << y;
        changed++;
      }
  EXPECT_GT(changed, shown.width() / 4);

  ClickCheck(hide);
  EXPECT_TRUE(s->Flags & ZelFlgLegend);
  EXPECT_EQ(view->grabScene(), shown);
  QTest::keyClick(view, 'm');  // the field's last display off: its legend goes too
  EXPECT_FALSE(s->Flags & ZelFlgLegend);
  EXPECT_TRUE(hide->isChecked());
}

// The iso-line Number box stands right of its label on the same row, clear of it.
TEST(SolutionGroups, TheNumberBoxStandsBesideItsLabel) {
  auto v = QuietViewer(Cells);
  ZelTool *sol = v->window(0)->solTool();
  ASSERT_NE(sol, nullptr);
  Named<QZelComboBox>(sol, "select:0:%2")->zelActivated(1);  // field 0's panel opens
  sol->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(sol));
  QZelSpinBox *number = Named<QZelSpinBox>(sol, "sol:number:Triangle:0:0");
  ASSERT_TRUE(number && number->isVisible());
  const QLabel *label = nullptr;
  for (const QLabel *l : number->parentWidget()->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
    if (l->text() == "Number") label = l;
  ASSERT_TRUE(label && label->isVisible());
  const QRect l = label->geometry(), n = number->geometry();
  EXPECT_FALSE(n.intersects(l));
  EXPECT_GT(n.left(), l.right());
  EXPECT_TRUE(n.top() <= l.bottom() && l.top() <= n.bottom());  // on the same row
}

namespace {

// The mesh with a vector (1 + x, 1 + 2 y, 1 + 3 z) at its vertices, positive on the unit box.
Geometric_Mesh *WithVector(Memory_List *mem, Geometric_Mesh *m) {
  const int type = SOL_VECTOR;
  m->SolAtVer = NewCommonSolution(mem, m->NbrVer, 3, 1, &type);
  m->NbrSolVer = m->NbrVer, m->MaxSolVer = 3 * m->NbrVer;
  for (int i = 1; i <= m->NbrVer; i++)
    for (int c = 0; c < 3; c++) VertexValue(m, i, 0, c) = 1 + m->Ver[i].Crd[c] * (c + 1);
  return m;
}

// A window on a generated mesh whose first field is made the active one in the solution
// window, and the view's picture before any display of that field.
struct ActiveFieldView {
  explicit ActiveFieldView(const std::function<Geometric_Mesh *(Memory_List *)> &make) : v(QuietViewer(make)) {
    s = v->scene(0);
    view = v->view(0);
    sol = v->window(0)->solTool();
    if (!s || !view || !sol) return;
    Named<QZelComboBox>(sol, "select:0:%2")->zelActivated(1);
    bare = view->grabScene();
  }
  bool ready() const { return s && view && sol && s->ActFld == 0; }

  std::unique_ptr<Viewer> v;
  ZelScene *s = nullptr;
  GLWidget *view = nullptr;
  ZelTool *sol = nullptr;
  QImage bare;
};

}  // namespace

// The thickness box sets the width the iso-lines are drawn with: on a field rising along x,
// the pixels the iso-lines change in the view's picture grow with the thickness chosen, about
// as many times as the lines are wider.
TEST(SolutionGroups, TheThicknessBoxSetsTheWidthTheIsoLinesAreDrawnWith) {
  ActiveFieldView f([](Memory_List *mem) {
    Geometric_Mesh *m = FlaggedGrid(mem, 0, {SOL_SCALAR});
    for (int i = 1; i <= m->NbrVer; i++) VertexValue(m, i, 0) = m->Ver[i].Crd[0];
    return m;
  });
  ASSERT_TRUE(f.ready());
  GLWidget *view = f.view;
  ZelTool *sol = f.sol;
  const QImage &bare = f.bare;
  Named<QZelCheckBox>(sol, "sol:isoLBox:Triangle:0:0")->click();
  Named<QZelSpinBox>(sol, "sol:number:Triangle:0:0")->setValue(1);  // the five iso values alone
  QZelSpinBox *thickness = Named<QZelSpinBox>(sol, "sol:thickness:Triangle:0:0");
  ASSERT_TRUE(thickness->isEnabled());
  const auto covered = [&](int width) {
    thickness->setValue(width);
    const QImage lines = view->grabScene();
    lines.save(QString::fromStdString(testOutputDir() + "/solution-iso-lines-" + std::to_string(width) + ".png"));
    int n = 0;
    for (int y = 0; y < lines.height(); y++)
      for (int x = 0; x < lines.width(); x++) n += lines.pixel(x, y) != bare.pixel(x, y);
    return n;
  };
  const int one = covered(1);
  ASSERT_GT(one, view->height());  // three lines across the grid at least
  for (int width : {3, 5}) {
    const double ratio = double(covered(width)) / one;
    EXPECT_GT(ratio, 0.75 * width) << "thickness " << width;
    EXPECT_LT(ratio, 1.25 * width) << "thickness " << width;
  }
}

// "Gray" sets the palette's grey flag and every other map clears it: a vector field shown as a
// colour map with its arrows (and the palette bar) reads back in grey levels wherever the field
// is drawn under "Gray", and in colours under the map chosen after it. On a flat grid the
// arrows are the triangles'; on a box of tetrahedra whose full volumes are not drawn, they are
// also the tetrahedra's own, which the frame draws all the same.
TEST(SolutionPalette, GrayDrawsTheColourMapArrowsAndBarInGreyLevelsAndTheNextMapClearsIt) {
  const struct {
    const char *name;
    std::function<Geometric_Mesh *(Memory_List *)> make;
    std::function<void(ActiveFieldView &)> show;
  } meshes[] = {
      {"surface",
       [](Memory_List *mem) {
         Geometric_Mesh *m = TriangleGrid(mem, 6, 6, {SOL_VECTOR});
         m->NbrFilTri = m->NbrTri;
         for (int i = 1; i <= m->NbrVer; i++) {
           VertexValue(m, i, 0, 0) = 1 + m->Ver[i].Crd[0];
           VertexValue(m, i, 0, 1) = m->Ver[i].Crd[1];
         }
         return m;
       },
       [](ActiveFieldView &f) {
         Named<QZelCheckBox>(f.sol, "sol:mapBox:Triangle:0:0")->click();
         Named<QZelCheckBox>(f.sol, "sol:vecBox:Triangle:0:0")->click();
       }},
      {"volume",
       [](Memory_List *mem) { return WithVector(mem, zelMakeSampleBox(mem, 4)); },
       [](ActiveFieldView &f) {
         // The box opens with its colour map shown: `m` takes it off for the bare picture.
         QTest::keyClick(f.view, 'm');
         f.bare = f.view->grabScene();
         // Full volumes drawn a moment: `M` builds the arrows of the tetrahedra, which the
         // frame draws all the same once they are hidden again.
         for (char key : {'m', 'v', 'M', 'v'}) QTest::keyClick(f.view, key);
       }},
  };
  const struct {
    const char *name;
    std::vector<int> chosen;
    bool grey;
  } rows[] = {
      {"gray", {1}, true},
      {"gray-then-viridis", {1, 6}, false},
      {"gray-then-rainbow", {1, 0}, false},
  };
  for (const auto &mesh : meshes) {
    SCOPED_TRACE(mesh.name);
    ActiveFieldView f(mesh.make);
    ASSERT_TRUE(f.ready());
    ZelScene *s = f.s;
    GLWidget *view = f.view;
    ZelTool *sol = f.sol;
    mesh.show(f);
    const QImage &bare = f.bare;
    bare.save(QString::fromStdString(testOutputDir() + "/solution-map-" + mesh.name + "-bare.png"));
    ASSERT_TRUE(s->Flags & ZelFlgLegend);
    ASSERT_EQ(s->SolFlags & (ZelSceneColorMap | ZelSceneVectors), ZelSceneColorMap | ZelSceneVectors);
    ASSERT_FALSE(s->Flags & ZelFlgVolumes);
    sol->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sol));
    QComboBox *maps = Named<QComboBox>(sol, "_0_0colPal");
    const ZelPalette &pal = s->VieSol->ZelPal[0];

    for (const auto &row : rows) {
      SCOPED_TRACE(row.name);
      for (int map : row.chosen) Choose(maps, map);
      EXPECT_EQ(pal.ColMap, row.chosen.back());
      EXPECT_EQ(pal.Grey != 0, row.grey);
      const QImage shown = view->grabScene();
      shown.save(QString::fromStdString(testOutputDir() + "/solution-map-" + mesh.name + "-" + row.name + ".png"));
      ASSERT_EQ(shown.size(), bare.size());
      int drawn = 0, coloured = 0;
      for (int y = 0; y < shown.height(); y++)
        for (int x = 0; x < shown.width(); x++) {
          const QRgb p = shown.pixel(x, y);
          if (p == bare.pixel(x, y)) continue;
          drawn++;
          coloured += qRed(p) != qGreen(p) || qGreen(p) != qBlue(p);
        }
      ASSERT_GT(drawn, shown.width() * shown.height() / 8);
      if (row.grey)
        EXPECT_EQ(coloured, 0);
      else
        EXPECT_GT(coloured, drawn / 2);
    }
  }
}

namespace {

using Step = std::function<void(MainWindow *)>;

// A window on a mesh, its colour map off and its first field active, given the steps `before`,
// then the display `show` asks for with the keys, then `after`: the view's pictures before and
// after `after`.
std::pair<QImage, QImage> FieldPictures(const std::function<Geometric_Mesh *(Memory_List *)> &make,
                                        const std::vector<Step> &before, const std::function<void(Viewer &)> &show,
                                        const Step &after) {
  auto v = QuietViewer(make);
  GLWidget *view = v->view(0);
  waitTopology(*v->app);
  QImage shown;
  CaptureText([&] {
    QTest::keyClick(view, 'm');
    Named<QZelComboBox>(v->window(0)->solTool(), "select:0:%2")->zelActivated(1);
    for (const Step &step : before)
      if (step) step(v->window(0));
    show(*v);
    shown = view->grabScene();
    if (after) after(v->window(0));
  });
  return {shown, view->grabScene()};
}

// FieldPictures of the iso-surfaces as a user asks for them (full volumes on, `O`, full volumes
// off) with `F1` to see inside.
std::pair<QImage, QImage> IsoSurfacePictures(const std::function<Geometric_Mesh *(Memory_List *)> &make,
                                             const std::vector<Step> &before, const Step &after) {
  const auto show = [](Viewer &v) {
    GLWidget *view = v.view(0);
    if (!(v.scene(0)->Flags & ZelFlgVolumes)) QTest::keyClick(view, 'v');
    for (char key : {'O', 'v'}) QTest::keyClick(view, key);
    QTest::keyClick(view, Qt::Key_F1);
  };
  return FieldPictures(make, before, show, after);
}

}  // namespace

// Every change that rebuilds a field's displays rebuilds the iso-surfaces the frame draws out of
// full volumes, whatever volume records hold them: the view then shows what it shows when the
// change came before they were built. A colour-map change is a row: not the arrows alone.
TEST(SolutionPalette, EveryChangeOfTheFieldRebuildsTheIsoSurfacesShownOutOfFullVolumes) {
  const auto choose = [](const char *box, int row) -> Step {
    return [=](MainWindow *w) { Choose(Named<QComboBox>(w->solTool(), QString("_0_0") + box), row); };
  };
  const std::string next = fixtures::SaveNamed("next.sol", [] {
    std::string text = "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n64\n1 2\n";  // the box's 64 vertices
    for (int i = 0; i < 64; i++) text += std::to_string(i % 4 + 1) + " " + std::to_string(i / 16 + 1) + " 1\n";
    return text + "End\n";
  }());
  const Step reload = [&](MainWindow *w) { w->updateSol(const_cast<char *>(next.c_str())); };
  const Step typed = [](MainWindow *w) {
    SolBox *box = dynamic_cast<SolBox *>(w->solTool()->getZelBase(1));
    Type(box->isoEntry(2), QString::number(box->palette()->Iso[1]));
    Named<QZelPushButton>(w->solTool(), "_0_0applyPal")->click();
  };
  const struct {
    const char *name;
    Step before, change;
    bool boxOnly;  // a file for the box's vertices
  } rows[] = {{"reload", nullptr, reload, true},
              {"log", nullptr, choose("typePal", 1), false},
              {"reload-log", reload, choose("typePal", 1), true},
              {"typed-reset", typed, [](MainWindow *w) { Named<QZelPushButton>(w->solTool(), "_0_0resetPal")->click(); }, false},
              {"z", nullptr, choose("typeSol", 5), false},
              {"gray", nullptr, choose("colPal", 1), false}};
  const std::pair<const char *, std::function<Geometric_Mesh *(Memory_List *)>> meshes[] = {
      {"tetrahedra", [](Memory_List *mem) { return WithVector(mem, zelMakeSampleBox(mem, 3)); }},
      {"hexahedra", [](Memory_List *mem) { return WithVector(mem, MakeStructuredMesh(mem, 2, 2, 1, GEN_HEX | GEN_TRI)); }}};
  for (const auto &mesh : meshes)
    for (const auto &row : rows) {
      if (row.boxOnly && mesh.first != meshes[0].first) continue;
      SCOPED_TRACE(std::string(mesh.first) + " " + row.name);
      const QImage expected = IsoSurfacePictures(mesh.second, {row.before, row.change}, nullptr).first;
      const std::pair<QImage, QImage> then = IsoSurfacePictures(mesh.second, {row.before}, row.change);
      then.second.save(QString::fromStdString(testOutputDir() + "/iso-" + mesh.first + "-" + row.name + ".png"));
      EXPECT_NE(then.first, expected);  // a change the picture shows
      EXPECT_TRUE(then.second == expected);
    }
}

namespace {

// The mesh with two metrics at its vertices: the diagonal (4, 4, 4), small spheres, and
// (1, 16, 4), ellipsoids long along x.
Geometric_Mesh *WithMetrics(Memory_List *mem, Geometric_Mesh *m) {
  const int types[2] = {SOL_SYMMAT, SOL_SYMMAT};
  m->SolAtVer = NewCommonSolution(mem, m->NbrVer, 12, 2, types);
  m->NbrSolVer = m->NbrVer, m->MaxSolVer = 12 * m->NbrVer;
  // Stored xx, xy, xz, yy, yz, zz.
  const double diagonals[2][3] = {{4, 4, 4}, {1, 16, 4}};
  for (int i = 1; i <= m->NbrVer; i++)
    for (int f = 0; f < 2; f++) {
      const double *d = diagonals[f];
      const double metric[6] = {d[0], 0, 0, d[1], 0, d[2]};
      for (int c = 0; c < 6; c++) VertexValue(m, i, f, c) = metric[c];
    }
  return m;
}

// FieldPictures of the metric glyphs as a user asks for them (full volumes on, `M`, full volumes
// off, so that the volume elements' glyphs are drawn by the frame alone).
std::pair<QImage, QImage> MetricPictures(const std::function<Geometric_Mesh *(Memory_List *)> &make,
                                         const Step &before, const Step &after) {
  const auto show = [](Viewer &v) {
    for (char key : {'v', 'M', 'v'}) QTest::keyClick(v.view(0), key);
  };
  return FieldPictures(make, {before}, show, after);
}

}  // namespace

// Out of full volumes the frame still draws the metric glyphs of the volume elements (prisms,
// hexahedra, pyramids): a reload of other values builds them again, and the view shows what it
// shows when the reload came before they were built.
TEST(SolutionPalette, AReloadRebuildsTheMetricGlyphsOfTheVolumesShownOutOfFullVolumes) {
  const struct {
    const char *name;
    unsigned kinds;
    int vertices;  // the grid's 18, and the pyramids' cell centres
  } meshes[] = {{"prisms", GEN_PRI, 18}, {"hexahedra", GEN_HEX, 18}, {"pyramids", GEN_PYR, 22}};
  for (const auto &mesh : meshes) {
    SCOPED_TRACE(mesh.name);
    // The first metric a quarter of what it was: glyphs twice as large.
    std::string text = "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n" + std::to_string(mesh.vertices) + "\n2 3 3\n";
    for (int i = 0; i < mesh.vertices; i++) text += "1 0 1 0 0 1 1 0 16 0 0 4\n";
    const std::string larger = fixtures::SaveNamed(std::string("metrics-") + mesh.name + ".sol", text + "End\n");
    const Step reload = [&](MainWindow *w) { ASSERT_EQ(w->updateSol(const_cast<char *>(larger.c_str())), 1); };
    const unsigned kinds = mesh.kinds;
    const auto make = [kinds](Memory_List *mem) {
      return WithMetrics(mem, MakeStructuredMesh(mem, 2, 2, 1, kinds | GEN_TRI));
    };
    const QImage expected = MetricPictures(make, reload, nullptr).first;
    const std::pair<QImage, QImage> then = MetricPictures(make, nullptr, reload);
    then.second.save(QString::fromStdString(testOutputDir() + "/metric-reload-" + mesh.name + ".png"));
    EXPECT_NE(then.first, expected);  // a change the picture shows
    EXPECT_TRUE(then.second == expected);
  }
}
