// The entity box's rows per element family and its replayed choice; the selection panel's rows
// and what choosing a field or "0 NoSolution" does to the scene, the records and the boxes.
#include "tests/panels/PanelKit.h"
#include "zelvane/panels/EntBox.h"
#include "zelvane/panels/SelectBox.h"
#include "zelvane/record/ZelSignalSequence.h"

namespace {

// An entity box that builds one plain group per row, as the display panels do.
struct TestEntBox : EntBox {
  struct Group : QZelBase {
    void connectButton() override {}
  };
  TestEntBox(ZelSequenceServer *server, ZelScene *scene, const QString &kind) : EntBox(server, scene, 1, "lin") {
    createEntityBox(kind);
    createGroup();
    createLayout();
    connectButton();
  }
  void createGroup() override {
    for (int row = 0; row < entityCombo()->count(); row++) group_[row] = new Group;
  }
};

// A field panel that counts how often it re-applies its settings.
struct FieldPanel : EntBox {
  int emits = 0;
  explicit FieldPanel(int field) : EntBox(nullptr, nullptr, 1, QString("sol%1").arg(field)) {}
  void emitSignals() override { emits++; }
};

Geometric_Mesh *mixedVolumes(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 9}, {KmfTetrahedra, 1}, {KmfPyramids, 1}, {KmfPrisms, 1}});
  for (int i = 0; i < 9; i++) AddVertex(m, i % 3, (i / 3) % 3, i / 6);
  AddElement(m, KmfTetrahedra, {1, 2, 4, 7}, 1);
  AddElement(m, KmfPyramids, {1, 2, 5, 4, 7}, 1);
  AddElement(m, KmfPrisms, {1, 2, 4, 7, 8, 9}, 1);
  m->NbrFilTet = m->NbrTet;
  return m;
}

Geometric_Mesh *edgesAndTriangles(Memory_List *mem) {
  Geometric_Mesh *m = TriangleGrid(mem, 1, 1, {}, 1);
  AddElement(m, KmfEdges, {1, 2}, 3);
  m->NbrFilTri = m->NbrTri;
  return m;
}

// An edge, a triangle and a tetrahedron carrying a scalar, a vector and a tensor at vertices.
Geometric_Mesh *threeFields(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 4}, {KmfEdges, 1}, {KmfTriangles, 1}, {KmfTetrahedra, 1}},
                                   {1, 2, 3});
  for (int i = 0; i < 4; i++) AddVertex(m, i == 1, i == 2, i == 3);
  AddElement(m, KmfEdges, {1, 2}, 1);
  AddElement(m, KmfTriangles, {1, 2, 3}, 2);
  AddElement(m, KmfTetrahedra, {1, 2, 3, 4}, 3);
  return m;
}

}  // namespace

TEST(EntityBox, RowsFollowTheFamiliesTheMeshHolds) {
  using RowList = std::vector<std::pair<QString, int>>;
  const auto grid = [](Memory_List *m) { return FlaggedGrid(m, 0); };
  const RowList volumes = {{"Tetrahedron", 8}, {"Pyramid", 49}, {"Prism", 9}};
  const std::vector<std::tuple<std::function<Geometric_Mesh *(Memory_List *)>, const char *, RowList>> cases = {
      {grid, "Surfaces", {{"Triangle", 6}}},
      {grid, "Volumes", {}},
      // Triangles made after loading (none read from files) give no row.
      {[](Memory_List *m) {
         Geometric_Mesh *g = FlaggedGrid(m, 0);
         g->NbrFilTri = 0;
         return g;
       },
       "Surfaces", {}},
      {mixedVolumes, "Volumes", volumes},
      {mixedVolumes, "Surf & Vol", volumes},
      {edgesAndTriangles, "All Entities", {{"Vertex", 4}, {"Edge", 5}, {"Triangle", 6}}},
  };
  ZelSequenceServer server(1);
  for (const auto &c : cases) {
    PanelScene scene(std::get<0>(c), false);
    TestEntBox box(&server, scene.get(), std::get<1>(c));
    EXPECT_EQ(Rows(box.entityCombo()), std::get<2>(c)) << std::get<1>(c);
  }
}

TEST(EntityBox, AReplayedChoiceShowsOnlyThatRowsGroup) {
  PanelScene scene(edgesAndTriangles, false);
  ZelSequenceServer server(1);
  TestEntBox box(&server, scene.get(), "All Entities");
  box.show();
  ASSERT_EQ(box.entityCombo()->count(), 3);
  EXPECT_EQ(box.entityCombo()->objectName(), "entity:1:lin");
  EXPECT_FALSE(box.group(0)->isHidden());
  EXPECT_TRUE(box.group(1)->isHidden());
  server.loaded().push_back(std::make_unique<ZelSignalSequence>(10, "entity:1:lin", 2));
  CaptureText([&] { server.execSequences(0); });
  for (int row = 0; row < 3; row++) EXPECT_EQ(box.group(row)->isHidden(), row != 2) << row;
  EXPECT_EQ(box.entityCombo()->currentIndex(), 2);
}

TEST(SelectionPanel, RowsNameEveryFieldByItsType) {
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *mesh = NewRoomyMesh(mem, 3, {{KmfVertices, 2}}, {1, 2, 3, 7});
  ZelScene scene{};
  scene.Msh = mesh;
  ZelSequenceServer server(1);
  SelectBox select(&server, &scene, 4);
  EXPECT_EQ(select.solutionCombo()->objectName(), "select:4:%2");
  const std::vector<std::pair<QString, int>> expected = {
      {"0 NoSolution", -1}, {"1 Scalar ", 0}, {"2 Vector ", 1}, {"3 Tensor ", 2}, {"Unknown Solution Type", 3}};
  EXPECT_EQ(Rows(select.solutionCombo()), expected);
  // The unknown type still selects its field, which has no box here: nothing more happens.
  select.solutionCombo()->zelActivated(4);
  EXPECT_EQ(scene.ActFld, 3);
  FreeCommonMesh(mem, mesh);
  FreeMemory(mem);
}

TEST(SelectionPanel, AFieldOpensItsBoxAndNoSolutionSwitchesEveryRecordOff) {
  PanelScene scene(threeFields);
  ZelSequenceServer server(1);
  ZelTool tool(&server, QRect(0, 0, 400, 200), "[1] m-Solution", nullptr);
  auto *select = new SelectBox(&server, scene.get(), 1);
  select->setSolTool(&tool);
  tool.addUnCheckableWidget(select, "Select Active Solution", true);
  std::vector<FieldPanel *> fields;
  for (int f = 0; f < 3; f++) {
    fields.push_back(new FieldPanel(f));
    tool.addWidget(fields.back(), "Scalar [1]", false);
    fields.back()->setEnabled(false);
  }
  const QList<ZelToolBox *> &boxes = tool.boxes();
  const QColor tint = QColor::fromCmykF(0, 1, 0, 1, 0.35);
  FakeHooks hooks(true);

  select->solutionCombo()->zelActivated(2);  // "2 Vector "
  EXPECT_EQ(scene->ActFld, 1);
  EXPECT_EQ(std::vector<int>({fields[0]->emits, fields[1]->emits, fields[2]->emits}), std::vector<int>({0, 1, 0}));
  for (int b = 1; b <= 3; b++) EXPECT_TRUE(IsClosed(boxes[b]) == (b != 2) && boxes[b]->isEnabled() == (b == 2)) << b;
  EXPECT_EQ(fields[1]->palette().color(QPalette::Active, QPalette::Window), tint);
  EXPECT_NE(fields[0]->palette().color(QPalette::Active, QPalette::Window), tint);
  EXPECT_EQ(hooks.callNames().back(), "updateGlScene");

  // A display switched off for one reference cleared the scene's bits while the records
  // still show a field: "0 NoSolution" switches them off all the same.
  zelUpdateAllDisplayListsOptions(ZelOptShading | ZelOptIsoLines | ZelOptIsoSurfaces | ZelOptVectors | ZelOptMetric,
                                  0, 0x2F, scene.get());
  int records = 0;
  ForEachRecord(scene.get(), [&](int, ZelEntDisplayList &r) { records += (r.Opt.Solution & 0x2F) == 0x2F; });
  ASSERT_EQ(records, 3);
  scene->SolFlags = 0;
  scene->Flags |= ZelFlgLegend | ZelFlgTime;
  hooks.Calls.clear();
  select->solutionCombo()->zelActivated(0);
  EXPECT_EQ(scene->ActFld, -1);
  EXPECT_EQ(scene->Flags & (ZelFlgLegend | ZelFlgTime), 0u);
  int withField = 0;
  ForEachRecord(scene.get(), [&](int, ZelEntDisplayList &r) { withField += (r.Opt.Solution & 0x2F) != 0; });
  EXPECT_EQ(withField, 0);
  for (int b = 1; b <= 3; b++) EXPECT_TRUE(IsClosed(boxes[b]) && boxes[b]->isEnabled() == (b == 2)) << b;  // enabled kept
  EXPECT_EQ(hooks.callNames().back(), "updateGlScene");

  // The refresh at the end of a replay that left field 0 active.
  scene->ActFld = 0;
  tool.update();
  EXPECT_EQ(select->solutionCombo()->currentIndex(), 1);
  EXPECT_FALSE(IsClosed(boxes[1]));
  EXPECT_TRUE(boxes[1]->isEnabled());
  EXPECT_TRUE(IsClosed(boxes[2]));
}
