// The entity box's rows per element family and its replayed choice; the selection panel's rows
// and what choosing a field or "0 NoSolution" does to the scene, the records and the boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <vector>

#include "common/base/Memory.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "tests/panels/PanelKit.h"
#include "tests/support/CaptureText.h"
#include "tests/support/FakeHooks.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/panels/EntBox.h"
#include "zelvane/panels/SelectBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/record/ZelSignalSequence.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// An entity box that builds one plain group per row, as the display panels do.
struct TestEntBox : EntBox {
  std::vector<int> *deleted;
  struct Group : QZelBase {
    std::vector<int> *deleted;
    int row;
    Group(std::vector<int> *d, int r) : deleted(d), row(r) {}
    ~Group() override { deleted->push_back(row); }
    void connectButton() override {}
  };
  TestEntBox(ZelSequenceServer *server, ZelScene *scene, const QString &prefix, const QString &kind,
             std::vector<int> *d)
      : EntBox(server, scene, 1, prefix), deleted(d) {
    createEntityBox(kind);
    createGroup();
    createLayout();
    connectButton();
  }
  void createGroup() override {
    for (int row = 0; row < entityCombo()->count(); row++) group_[row] = new Group(deleted, row);
  }
};

// A field panel that counts how often it re-applies its settings.
struct FieldPanel : EntBox {
  int emits = 0;
  explicit FieldPanel(int field) : EntBox(nullptr, nullptr, 1, QString("sol%1").arg(field)) {}
  void emitSignals() override { emits++; }
};

std::vector<std::pair<QString, int>> rows(const QComboBox *combo) {
  std::vector<std::pair<QString, int>> r;
  for (int i = 0; i < combo->count(); i++) r.push_back({combo->itemText(i), combo->itemData(i).toInt()});
  return r;
}

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
  struct Case {
    const char *what;
    Geometric_Mesh *(*make)(Memory_List *);
    const char *kind;
    std::vector<std::pair<QString, int>> expected;
  };
  const std::vector<Case> cases = {
      {"triangles only, surfaces", [](Memory_List *m) { return FlaggedGrid(m, 0); }, "Surfaces", {{"Triangle", 6}}},
      {"triangles only, volumes", [](Memory_List *m) { return FlaggedGrid(m, 0); }, "Volumes", {}},
      {"triangles only, unknown kind", [](Memory_List *m) { return FlaggedGrid(m, 0); }, "surfaces", {}},
      // Triangles made after loading (none read from files) give no row.
      {"triangles not read from a file",
       [](Memory_List *m) {
         Geometric_Mesh *g = FlaggedGrid(m, 0);
         g->NbrFilTri = 0;
         return g;
       },
       "Surfaces",
       {}},
      {"tetrahedra, pyramids, prisms", mixedVolumes, "Volumes", {{"Tetrahedron", 8}, {"Pyramid", 49}, {"Prism", 9}}},
      {"surfaces and volumes", mixedVolumes, "Surf & Vol", {{"Tetrahedron", 8}, {"Pyramid", 49}, {"Prism", 9}}},
      {"everything", edgesAndTriangles, "All Entities", {{"Vertex", 4}, {"Edge", 5}, {"Triangle", 6}}},
  };
  ZelSequenceServer server(1);
  for (const Case &c : cases) {
    PanelScene scene(c.make, false);
    std::vector<int> deleted;
    auto box = std::make_unique<TestEntBox>(&server, scene.get(), "lin", c.kind, &deleted);
    EXPECT_EQ(rows(box->entityCombo()), c.expected) << c.what;
    EXPECT_EQ(box->entityCombo()->objectName(), "entity:1:lin");
    const size_t n = c.expected.size();
    box.reset();
    std::vector<int> lastFirst;
    for (size_t i = n; i-- > 0;) lastFirst.push_back(int(i));
    EXPECT_EQ(deleted, lastFirst) << c.what;
  }
}

TEST(EntityBox, AReplayedChoiceShowsOnlyThatRowsGroup) {
  PanelScene scene(edgesAndTriangles, false);
  ZelSequenceServer server(1);
  std::vector<int> deleted;
  TestEntBox box(&server, scene.get(), "lin", "All Entities", &deleted);
  box.show();
  ASSERT_EQ(box.entityCombo()->count(), 3);
  EXPECT_FALSE(box.group(0)->isHidden());
  EXPECT_TRUE(box.group(1)->isHidden());

  server.loaded().push_back(std::make_unique<ZelSignalSequence>(10, "entity:1:lin", 2));
  CaptureText([&] { server.execSequences(0); });
  for (int row = 0; row < 3; row++) EXPECT_EQ(box.group(row)->isHidden(), row != 2) << row;
  EXPECT_EQ(box.entityCombo()->currentIndex(), 2);

  const Captured defaults = CaptureText([&] {
    box.EntBox::emitSignals();
    box.EntBox::createGroup();
  });
  EXPECT_EQ(defaults.Out,
            "  warning: virtual function emit not implemented   \n"
            "  warning: virtual function createGroup not implemented   \n");
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
  EXPECT_EQ(rows(select.solutionCombo()), expected);
  // The unknown type still selects its field, which has no box here: nothing more happens.
  select.solutionCombo()->zelActivated(4);
  EXPECT_EQ(scene.ActFld, 3);

  SelectBox bare(&server, nullptr, 5);
  const std::vector<std::pair<QString, int>> none = {{"0 NoSolution", -1}};
  EXPECT_EQ(rows(bare.solutionCombo()), none);
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
  EXPECT_EQ(fields[0]->emits + fields[1]->emits + fields[2]->emits, 1);
  EXPECT_EQ(fields[1]->emits, 1);
  for (int b = 1; b <= 3; b++) {
    EXPECT_EQ(IsClosed(boxes[b]), b != 2) << b;
    EXPECT_EQ(boxes[b]->isEnabled(), b == 2) << b;
  }
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
  for (int b = 1; b <= 3; b++) {
    EXPECT_TRUE(IsClosed(boxes[b])) << b;
    EXPECT_EQ(boxes[b]->isEnabled(), b == 2) << b;  // enabled states kept
  }
  EXPECT_EQ(hooks.callNames().back(), "updateGlScene");

  // The refresh at the end of a replay that left field 0 active.
  scene->ActFld = 0;
  tool.update();
  EXPECT_EQ(select->solutionCombo()->currentIndex(), 1);
  EXPECT_FALSE(IsClosed(boxes[1]));
  EXPECT_TRUE(boxes[1]->isEnabled());
  EXPECT_TRUE(IsClosed(boxes[2]));
}
