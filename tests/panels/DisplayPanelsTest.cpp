// The display panels: the colour and width rows they share; the surfaces, volumes, lines and
// normals panels driven by object name (reference rows and the "No Ref" state, the records and
// lists every control changes, refreshes that change nothing, the normals and lines specifics);
// and a session recorded in window 1 and replayed in a new run.
#include <cmath>
#include <set>

#include "common/load/MeshWriter.h"
#include "tests/panels/PanelKit.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/panels/ZelDisplayBoxes.h"
#include "zelvane/panels/ZelPanelRows.h"

TEST(PanelRows, ColourModesAndWidthsBothWays) {
  const uint32_t colours[][4] = {{0, 4, 0x20, 2}, {1, 2, 0x10, 1}, {2, 0, 0, 0}, {3, 6, 0x30, 3}};  // row face line code
  for (const auto &c : colours) {
    uint32_t face = 99, line = 99;
    ASSERT_TRUE(zelColourValue(c[0], ZelColourField::Face, &face) && zelColourValue(c[0], ZelColourField::Line, &line));
    EXPECT_EQ(std::vector<uint32_t>({face, line, zelColourCode(face | line, ZelColourField::Face),
                                     zelColourCode(face | line, ZelColourField::Line)}),
              std::vector<uint32_t>({c[1], c[2], c[3], c[3]})) << c[0];
    EXPECT_EQ(zelColourRowOfCode(c[3]), int(c[0]));
  }
  EXPECT_EQ(zelColourRowOfCode(5), -1);
  // The widths' rows are read through the panels below; a width between rows has none.
  EXPECT_EQ(zelWidthRowOf(3.5f), -1);

  // A code or a row outside the tables: the message, and nothing shown or stored.
  QComboBox combo;
  zelAddColourRows(&combo);
  combo.setCurrentIndex(1);
  EXPECT_FALSE(zelShowColour(&combo, 5u << 1, ZelColourField::Face));
  EXPECT_EQ(combo.currentIndex(), 1);
  uint32_t value = 7;
  const Captured outside = CaptureText([&] {
    EXPECT_FALSE(zelColourValue(4, ZelColourField::Line, &value));
    EXPECT_FALSE(zelWidthValue(6, &value));
  });
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(outside.Out, "display option not implemented\ndisplay option not implemented\n");
}

namespace {

// The box of three unit cells along x of the generator: two bottom triangles per cell with the
// six references given, a bottom quadrilateral per cell (reference 4), six tetrahedra per cell
// (references 7 and 8 in turn), two prisms per cell (reference 9), eight boundary edges around
// the bottom and a normal at each of their first vertices (references 1 then 2).
Geometric_Mesh *Strip(Memory_List *mem, std::initializer_list<int> triangleRefs) {
  Geometric_Mesh *m = MakeStructuredMesh(mem, 3, 1, 1, GEN_TET | GEN_PRI | GEN_QUA | GEN_TRI | GEN_EFR);
  if (!m || !NewCommonMeshEntity(mem, m, KmfNormals, 8)) return m;
  for (int i = 0; i < 6; i++) m->Tri[i + 1].Ref = triangleRefs.begin()[i];
  for (int i = 1; i <= m->NbrQua; i++) m->Qua[i].Ref = 4;
  for (int i = 1; i <= m->NbrTet; i++) m->Tet[i].Ref = 7 + i % 2;
  for (int i = 1; i <= m->NbrPri; i++) m->Pri[i].Ref = 9;
  for (int e = 1; e <= 8; e++) {
    m->Efr[e].Ref = e <= 4 ? 1 : 2;
    m->Nor[e] = Normal{e <= 4 ? 1 : 2, m->Efr[e].Ver[0], {0, 0, 1}, 0};
  }
  m->NbrNor = 8;
  m->GeoFlags |= GEO_NORMALS;
  return m;
}

// Kind, reference, flags, render word and line width of every display record.
using RecordState = std::tuple<int, int, unsigned, unsigned, float>;
std::vector<RecordState> States(ZelScene *scene) {
  std::vector<RecordState> s;
  ForEachRecord(scene, [&](int kind, ZelEntDisplayList &r) {
    s.emplace_back(kind, r.Ref, r.Flags, r.Opt.Render, r.Opt.LineWidth);
  });
  return s;
}

// The normals, lines, surfaces and volumes panels of window 1, open in one shown tool window.
struct Visu {
  ZelSequenceServer server{2};
  ZelTool tool{&server, QRect(0, 0, 600, 700), "w", nullptr};
  explicit Visu(ZelScene *scene) {
    tool.addWidget(new NorBox(&server, scene, 1), "Normals", true);
    tool.addWidget(new LinBox(&server, scene, 1), "Lines", true);
    tool.addWidget(new SrfBox(&server, scene, 1), "Surfaces", true);
    tool.addWidget(new VolBox(&server, scene, 1), "Volumes", true);
    tool.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&tool));
  }
  template <class T>
  T *get(const QString &name) const {
    return Named<T>(&tool, name);
  }
  void choose(const QString &combo, int row) const { Choose(get<QComboBox>(combo), row); }
  void click(const QString &check) const { ClickCheck(get<QWidget>(check)); }
  bool checked(const QString &check) const { return get<QZelCheckBox>(check)->isChecked(); }
};

// The triangle (or other kind's) references whose records pass `has`.
#define REFS(kind, cond) Refs(s, kind, [](const ZelEntDisplayList &r) { return bool(cond); })

// The area a record's faces cover in window coordinates.
double FaceArea(GLHarness &gl, const ZelEntDisplayList &r) {
  double area = 0;
  for (const FeedbackPrim &p : gl.feedbackList(r.FacLst))
    for (size_t k = 2; k < p.v.size(); k++)
      area += std::fabs((p.v[k - 1].x - p.v[0].x) * (p.v[k].y - p.v[0].y) -
                        (p.v[k].x - p.v[0].x) * (p.v[k - 1].y - p.v[0].y)) / 2;
  return area;
}

// What a session leaves: the records, normal scale and display word, and the picture.
std::tuple<std::vector<RecordState>, double, uint32_t, QImage> Outcome(Viewer &v) {
  settle();
  const ZelScene *s = v.scene(0);
  return {States(v.scene(0)), s->Rnd.NormalScale, s->Flags & ~ZelFlgViewApplied, v.view(0)->grabScene()};
}

// The visualisation window of window 1, shown.
ZelTool *ShownVisu(Viewer &v) {
  ZelTool *visu = v.window(0)->visuTool();
  visu->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(visu));
  return visu;
}

}  // namespace

TEST(DisplayPanels, ReferenceRowsNameTheirRecordsAndAnEmptiedFamilyShowsNoRefUntilItsElementsReturn) {
  PanelScene scene([](Memory_List *mem) { return Strip(mem, {1, 1, -3, -3, 25, 7}); });
  ZelScene *s = scene.get();
  Rec(s, KmfTriangles, 7).Head = 0;  // a reference whose elements went elsewhere
  s->Rnd.Shrink = 0.95f;
  Visu visu(s);
  QZelComboBox *refs = visu.get<QZelComboBox>("srf:refBox:Triangle:1");
  const std::vector<std::pair<QString, int>> listed = {{"All Ref", 0}, {"-3", 1}, {"1", 2}, {"25", 4}};
  ASSERT_EQ(Rows(refs), listed);
  for (int row : {1, 3})  // colours 3 and 4
    EXPECT_EQ(refs->itemIcon(row).pixmap(20, 20).toImage().pixelColor(10, 10),
              row == 1 ? QColor(120, 120, 120) : QColor(255, 215, 0));
  visu.choose("srf:refBox:Triangle:1", 3);  // a row's data, not its position, names its record
  visu.click("srf:zelBox:Triangle:1");
  EXPECT_EQ(REFS(KmfTriangles, r.Flags & 1), std::vector<int>({25}));
  visu.click("srf:zelBox:Triangle:1");
  ForEachRecord(s, [](int, ZelEntDisplayList &r) { r.Opt.Render |= ZelRndArrows | ZelRndTransparent; });
  visu.choose("srf:refBox:Triangle:1", 0);
  ASSERT_TRUE(visu.checked("srf:norBox:Triangle:1") && visu.checked("srf:traBox:Triangle:1"));

  // Every chain emptied (the edges' too): "No Ref", and the unchecking that enters it changes
  // no record.
  std::vector<int> heads;
  ForEachRecord(s, [&](int kind, ZelEntDisplayList &r) {
    if (kind == KmfTriangles || kind == KmfEdges) heads.push_back(std::exchange(r.Head, 0));
  });
  const auto before = States(s);
  FakeHooks hooks(true);
  const char *const checks[] = {"zelBox", "traBox", "shrBox", "cliBox", "norBox"};
  const auto rowCounts = [&] {
    std::vector<int> n;
    for (const char *name : {"srf:facBox:Triangle:1", "srf:linBox:Triangle:1", "lin:widthBox:Triangle:1"})
      n.push_back(visu.get<QZelComboBox>(name)->count());
    return n;
  };
  visu.tool.update();
  for (auto *combo : {refs, visu.get<QZelComboBox>("lin:refBox:Edge:1")})
    EXPECT_EQ(Rows(combo), (std::vector<std::pair<QString, int>>{{"No Ref", 0}}));
  for (const char *name : checks) {
    const auto *box = visu.get<QZelCheckBox>(QString("srf:%1:Triangle:1").arg(name));
    EXPECT_FALSE(box->isEnabled() || box->isChecked()) << name;
  }
  EXPECT_EQ(rowCounts(), std::vector<int>({1, 1, 1}));
  EXPECT_EQ(States(s), before);
  EXPECT_TRUE(Built(hooks).empty());

  // The elements back: "All Ref", every row and the boxes enabled again.
  int h = 0;
  ForEachRecord(s, [&](int kind, ZelEntDisplayList &r) {
    if (kind == KmfTriangles || kind == KmfEdges) r.Head = heads[h++];
  });
  Rec(s, KmfTriangles, 7).Head = 0;
  visu.tool.update();
  EXPECT_EQ(Rows(refs), listed);
  EXPECT_EQ(rowCounts(), std::vector<int>({4, 4, 6}));
  for (const char *name : checks)
    EXPECT_TRUE(visu.get<QZelCheckBox>(QString("srf:%1:Triangle:1").arg(name))->isEnabled()) << name;
  EXPECT_EQ(States(s), before);

  // A closed box disables its page; its refreshes still show what the records hold.
  visu.tool.setVisibleBox(visu.tool.getZelBase("Surfaces"), false);
  Rec(s, KmfTriangles, 1).Flags &= ~4u;
  visu.tool.update();
  Rec(s, KmfTriangles, 1).Flags |= 4u;
  visu.tool.update();
  EXPECT_TRUE(visu.checked("srf:shrBox:Triangle:1"));
}

// Builder calls logged on their way to the real builders, in a context of the test's own.
TEST(DisplayPanels, EachSurfaceControlChangesItsRecordWordsAndRebuildsExactlyItsLists) {
  GLHarness gl(200, 200);
  ASSERT_TRUE(gl.valid()) << gl.describe();
  gl.makeCurrent();
  gl.ortho(-1, 1, -1, 1, -10, 10);
  DisplayScene scene([](Memory_List *mem) { return Strip(mem, {1, 1, 2, 2, 3, 3}); });
  ZelScene *s = scene.get();
  s->Rnd.Shrink = 0.95f;
  s->ZelMsh->Pla->On = 1, s->ZelMsh->Pla->ActMsk = 1;  // plane 0 clips: Clip stays enabled
  Visu visu(s);
  const std::vector<int> all{1, 2, 3};
  FakeHooks hooks(true);
  // The lists built since the last look, each triangle record with the mask given.
  const auto builtOnAll = [&](unsigned mask) {
    return std::vector<Call>({{KmfTriangles, 1, mask}, {KmfTriangles, 2, mask}, {KmfTriangles, 3, mask}});
  };
  const auto take = [&] {
    const std::vector<Call> calls = Built(hooks);
    hooks.ListCalls.clear();
    return calls;
  };

  // Width: one reference, then the family; only wire lists.
  visu.choose("srf:refBox:Triangle:1", 2);
  visu.choose("lin:widthBox:Triangle:1", 3);
  EXPECT_EQ(REFS(KmfTriangles, r.Opt.LineWidth == 2.5f), std::vector<int>({2}));
  EXPECT_EQ(take(), std::vector<Call>({{KmfTriangles, 2, 0x8000000}}));
  visu.choose("srf:refBox:Triangle:1", 0);
  take();
  visu.choose("lin:widthBox:Triangle:1", 3);
  EXPECT_EQ(REFS(KmfTriangles, r.Opt.LineWidth == 2.5f), all);
  EXPECT_EQ(take(), builtOnAll(0x8000000));

  // Transparent, Hide and Clip write the words and build nothing; grey compiles nothing.
  visu.click("srf:traBox:Triangle:1");
  visu.click("srf:zelBox:Triangle:1");
  EXPECT_EQ(REFS(KmfTriangles, (r.Opt.Render & 0x80) && (r.Flags & 1)), all);
  ASSERT_TRUE(visu.checked("srf:cliBox:Triangle:1"));  // new records are clipped
  visu.click("srf:cliBox:Triangle:1");
  EXPECT_TRUE(REFS(KmfTriangles, r.Flags & 2).empty());
  EXPECT_TRUE(REFS(KmfTetrahedra, r.Flags & 2).empty());
  visu.choose("srf:facBox:Triangle:1", 3);  // grey
  EXPECT_EQ(REFS(KmfTriangles, ((r.Opt.Render >> 1) & 7) == 3), all);
  EXPECT_EQ(take(), builtOnAll(0x2000));
  visu.click("srf:norBox:Triangle:1");
  EXPECT_EQ(REFS(KmfTriangles, r.Opt.Render & 0x100), all);
  EXPECT_EQ(take(), builtOnAll(0x800));

  // Shrink: only the records whose flag changes are rebuilt, shrunk by the scene's factor.
  ZelEntDisplayList &two = Rec(s, KmfTriangles, 2);
  visu.choose("srf:refBox:Triangle:1", 2);
  take();
  visu.click("srf:shrBox:Triangle:1");  // unchecks reference 2
  EXPECT_EQ(take(), std::vector<Call>({{6, 2, 1}}));
  const double full = FaceArea(gl, two);
  ASSERT_GT(full, 0);
  visu.choose("srf:refBox:Triangle:1", 0);  // mixed: reads back unchecked, changes nothing
  take();
  visu.click("srf:shrBox:Triangle:1");
  EXPECT_EQ(REFS(KmfTriangles, r.Flags & 4), all);
  EXPECT_EQ(take(), std::vector<Call>({{6, 2, 1}}));
  EXPECT_NEAR(FaceArea(gl, two), 0.95 * 0.95 * full, 1e-3 * full);

  // Unchecked at "All Ref": every edge, surface and volume record loses the flag, and each
  // that held it and has elements is rebuilt.
  std::multiset<Call> shrunk;
  ForEachRecord(s, [&](int kind, ZelEntDisplayList &r) {
    if (kind != KmfNormalAtVertices && kind != KmfVertices && (r.Flags & 4) && r.Head) shrunk.insert({kind, r.Ref, 1});
  });
  visu.click("srf:shrBox:Triangle:1");
  const std::vector<Call> built = take();
  EXPECT_EQ(std::multiset<Call>(built.begin(), built.end()), shrunk);
  for (int kind : {KmfEdges, KmfQuadrilaterals, KmfTetrahedra, KmfPrisms})
    EXPECT_TRUE(REFS(kind, r.Flags & 4).empty()) << kind;
  EXPECT_NEAR(FaceArea(gl, two), full, 1e-3 * full);
}

TEST(DisplayPanels, RefreshesAndChoosingAllRefChangeNoRecordAndChoicesSurviveAPick) {
  PanelScene scene([](Memory_List *mem) { return Strip(mem, {1, 1, 2, 2, 3, 3}); });
  ZelScene *s = scene.get();
  s->Rnd.Shrink = 0.95f;
  // Built while every triangle is hidden and every tetrahedron transparent: the boxes show it.
  ForEachRecord(s, [](int kind, ZelEntDisplayList &r) {
    if (kind == KmfTriangles) r.Flags |= 1;
    if (kind == KmfTetrahedra) r.Opt.Render |= 0x80;
  });
  Visu visu(s);
  ASSERT_TRUE(visu.checked("srf:zelBox:Triangle:1") && visu.checked("vol:traBox:Tetrahedron:1"));
  // Then mixed: two references hidden, mixed shrink; mixed transparency and shrink.
  Rec(s, KmfTriangles, 3).Flags &= ~5u;
  Rec(s, KmfTetrahedra, 8).Opt.Render &= ~0x80u;
  Rec(s, KmfTetrahedra, 8).Flags &= ~4u;

  const auto before = States(s);
  FakeHooks hooks(true);
  visu.tool.update();
  EXPECT_EQ(States(s), before);
  for (const char *name : {"srf:zelBox:Triangle:1", "srf:shrBox:Triangle:1", "vol:traBox:Tetrahedron:1",
                           "vol:shrBox:Tetrahedron:1"})
    EXPECT_FALSE(visu.checked(name)) << name;
  visu.choose("srf:refBox:Triangle:1", 0);
  visu.choose("vol:refBox:Tetrahedron:1", 0);
  EXPECT_EQ(States(s), before);
  EXPECT_TRUE(Built(hooks).empty());

  visu.click("srf:zelBox:Triangle:1");
  EXPECT_EQ(REFS(KmfTriangles, r.Flags & 1), std::vector<int>({1, 2, 3}));
  visu.click("srf:zelBox:Triangle:1");
  EXPECT_TRUE(REFS(KmfTriangles, r.Flags & 1).empty());

  // Transparent at "All Ref" on the volumes, then a pick's refresh.
  ASSERT_FALSE(s->Rnd.Render & 0x80);
  visu.click("vol:traBox:Tetrahedron:1");
  visu.tool.update();
  EXPECT_EQ(REFS(KmfTetrahedra, r.Opt.Render & 0x80), std::vector<int>({7, 8}));
  EXPECT_TRUE(visu.checked("vol:traBox:Tetrahedron:1"));

  // Every tetrahedron shrunk, then Shrink unchecked at "All Ref": the volumes' own records only.
  Rec(s, KmfTetrahedra, 8).Flags |= 4;
  visu.tool.update();
  visu.click("vol:shrBox:Tetrahedron:1");
  EXPECT_TRUE(REFS(KmfTetrahedra, r.Flags & 4).empty());
  EXPECT_EQ(REFS(KmfTriangles, r.Flags & 4), std::vector<int>({1, 2}));
}

TEST(DisplayPanels, NormalsStoreTheirScaleAndDirectionAndActivatingKeepsEachReferencesColour) {
  PanelScene scene([](Memory_List *mem) { return Strip(mem, {1, 1, 2, 2, 3, 3}); });
  ZelScene *s = scene.get();
  Visu visu(s);
  FakeHooks hooks(true);
  visu.get<QDoubleSpinBox>("nor:dblBox:Normal:1")->setValue(2.5);
  visu.click("nor:invBox:Normal:1");
  EXPECT_EQ(s->Rnd.NormalScale, -2.5);
  visu.click("nor:invBox:Normal:1");
  EXPECT_EQ(s->Rnd.NormalScale, 2.5);
  EXPECT_TRUE(Built(hooks).empty());  // not activated: only stored

  visu.choose("nor:refBox:Normal:1", 2);
  visu.choose("nor:colBox:Normal:1", 3);  // grey for reference 2
  const unsigned first = Rec(s, KmfNormalAtVertices, 1).Opt.Render;
  hooks.ListCalls.clear();
  visu.click("nor:actBox:Normal:1");
  EXPECT_TRUE(s->Flags & 4);
  EXPECT_EQ(Rec(s, KmfNormalAtVertices, 1).Opt.Render, first);
  EXPECT_EQ((Rec(s, KmfNormalAtVertices, 2).Opt.Render >> 4) & 7, 3u);
  EXPECT_EQ(Built(hooks), std::vector<Call>({{20, 1, 1}, {20, 2, 1}}));

  // One reference hidden: "All Ref" reads Hide back unchecked and changes nothing.
  visu.choose("nor:refBox:Normal:1", 1);
  visu.click("nor:zelBox:Normal:1");
  visu.choose("nor:refBox:Normal:1", 0);
  EXPECT_FALSE(visu.checked("nor:zelBox:Normal:1"));
  EXPECT_EQ(REFS(KmfNormalAtVertices, r.Flags & 1), std::vector<int>({1}));
}

TEST(DisplayPanels, LinesGreyEveryEdgeRecordAndShowAWidthOnlyWhenEveryReferenceHasIt) {
  PanelScene scene([](Memory_List *mem) { return Strip(mem, {1, 1, 2, 2, 3, 3}); });
  ZelScene *s = scene.get();
  Visu visu(s);
  visu.choose("lin:colBox:Edge:1", 3);
  EXPECT_EQ(REFS(KmfEdges, ((r.Opt.Render >> 4) & 7) == 3), std::vector<int>({1, 2}));

  auto *width = visu.get<QZelComboBox>("lin:widthBox:Edge:1");
  visu.choose("lin:widthBox:Edge:1", 5);
  for (float second : {1.0f, 2.0f}) {  // 2.0 and 1.0 keep "Size 4.0"; 2.0 and 2.0 show it
    Rec(s, KmfEdges, 1).Opt.LineWidth = second;
    Rec(s, KmfEdges, 2).Opt.LineWidth = 2.0f;
    visu.choose("lin:refBox:Edge:1", 0);
    EXPECT_EQ(width->currentText(), second == 2.0f ? "Size 2.0" : "Size 4.0");
  }
  // A current row outside the table changes no record.
  const auto before = States(s);
  width->setCurrentIndex(-1);
  CaptureText([&] { emit width->activated(-1); });
  EXPECT_EQ(States(s), before);
}

TEST(DisplayPanels, AMeshWithP2EdgesOnlyHasOneLinesGroup) {
  PanelScene scene([](Memory_List *mem) {
    Geometric_Mesh *linear = MakeStructuredMesh(mem, 2, 1, 1, GEN_TRI | GEN_EFR);
    Geometric_Mesh *curved = MakeSecondOrderCopy(mem, linear);
    FreeCommonMesh(mem, linear);
    return curved;
  });
  Visu visu(scene.get());
  EXPECT_EQ(Rows(visu.get<QComboBox>("entity:1:lin")), (std::vector<std::pair<QString, int>>{{"Edge P2", KmfEdgesP2}}));
  visu.get<QComboBox>("lin:refBox:EdgeP2:1");
}

TEST(DisplayReplay, PanelActionsOfWindowOneReplayIntoANewRunToTheSameRecordsAndPicture) {
  const std::string mesh = runDir() + "/strip.meshb", seq = runDir() + "/panels.seq";
  {
    Memory_List *mem = NewMemory(100);
    Function_Interface fi;
    DefaultFunInterface(&fi, mem, nullptr, "TEST");
    Geometric_Mesh *m = Strip(mem, {1, 1, -3, -3, 25, 25});
    ASSERT_EQ(WriteMesh(&fi, mesh.c_str(), m), 1);
    FreeCommonMesh(mem, m);
    FreeMemory(mem);
  }

  std::tuple<std::vector<RecordState>, double, uint32_t, QImage> recorded;
  {
    Viewer v({"-in", mesh});
    ZelTool *visu = ShownVisu(v);
    ASSERT_GE(visu->boxes().size(), 4);  // normals, lines, surfaces, volumes first
    for (ZelToolBox *box : visu->boxes()) ClickHeader(box);
    const auto choose = [&](const char *combo, int row) { Choose(Named<QComboBox>(visu, combo), row); };
    const auto click = [&](const char *check) { ClickCheck(Named<QWidget>(visu, check)); };

    choose("nor:refBox:Normal:1", 1);  // normals files carry no reference: one row
    choose("nor:colBox:Normal:1", 3);
    choose("nor:refBox:Normal:1", 0);
    click("nor:invBox:Normal:1");
    QTest::keyClick(Named<QDoubleSpinBox>(visu, "nor:dblBox:Normal:1"), Qt::Key_Up);
    click("nor:actBox:Normal:1");

    choose("lin:colBox:Edge:1", 3);
    choose("lin:widthBox:Edge:1", 4);
    choose("lin:refBox:Edge:1", 1);
    choose("lin:widthBox:Edge:1", 1);

    choose("srf:refBox:Triangle:1", 1);
    click("srf:zelBox:Triangle:1");
    choose("srf:refBox:Triangle:1", 0);
    choose("srf:facBox:Triangle:1", 2);
    click("srf:norBox:Triangle:1");
    choose("entity:1:srf", 1);
    choose("srf:facBox:Quadrilateral:1", 0);  // off: they lie on the triangles

    QTest::keyClick(v.view(0), Qt::Key_F5);  // shrinking on
    click("vol:traBox:Tetrahedron:1");
    choose("vol:linBox:Tetrahedron:1", 3);
    choose("lin:widthBox:Tetrahedron:1", 2);
    choose("entity:1:vol", 1);
    click("vol:zelBox:Prism:1");
    // A pick: the refreshes that follow keep every choice.
    QTest::mouseClick(v.view(0), Qt::LeftButton, Qt::ShiftModifier, v.view(0)->rect().center());

    recorded = Outcome(v);
    ZelScene *s = v.scene(0);
    EXPECT_EQ(s->Rnd.NormalScale, -2.0);
    EXPECT_TRUE((Rec(s, KmfTriangles, -3).Flags & 1) && (Rec(s, KmfPrisms, 9).Flags & 1));
    EXPECT_TRUE(Rec(s, KmfTetrahedra, 8).Opt.Render & 0x80);
    EXPECT_EQ(Rec(s, KmfEdges, 1).Opt.LineWidth, 1.5f);
    v.app->server()->saveSequences(seq.c_str());
  }

  Viewer v({"-in", mesh});
  ShownVisu(v);
  ZelSequenceServer *server = v.app->server();
  server->loadSequences(seq.c_str());
  ASSERT_GE(server->loaded().size(), 25u);
  CaptureStdout();  // the replay's progress lines
  server->execSequences(1);
  const bool finished = QTest::qWaitFor([&] { return server->finished() == 1; }, 60000);
  GetCapturedStdout();
  ASSERT_TRUE(finished);
  const auto replayed = Outcome(v);
  EXPECT_EQ(std::get<0>(replayed), std::get<0>(recorded));
  EXPECT_EQ(std::get<1>(replayed), std::get<1>(recorded));
  EXPECT_EQ(std::get<2>(replayed), std::get<2>(recorded));
  std::get<3>(recorded).save(QString::fromStdString(testOutputDir() + "/display-replay-recorded.png"));
  std::get<3>(replayed).save(QString::fromStdString(testOutputDir() + "/display-replay-replayed.png"));
  EXPECT_TRUE(std::get<3>(replayed) == std::get<3>(recorded));
}
