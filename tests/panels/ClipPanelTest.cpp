// The clip-plane panel driven by object name: quick planes through the centre, the flip, the
// readiness of Update, the frame, large offsets kept, volume lists cut and whole again, and
// the plane through the centre of a picked element of every kind.
#include <numeric>

#include "tests/panels/PanelKit.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/panels/ClipBox.h"
#include "zelvane/panels/ZelElementCentre.h"
#include "zelvane/record/QZelDoubleSpinBox.h"
#include "zelvane/scene/ZelElems.h"

namespace {

struct Clip {
  GLHarness gl{64, 64};
  DisplayScene scene;
  ZelSequenceServer server{2};
  std::unique_ptr<ClipBox> panel;
  explicit Clip(const std::function<Geometric_Mesh *(Memory_List *)> &make)
      : scene((gl.makeCurrent(), make)) {
    panel.reset(new ClipBox(&server, scene.get(), 1));
  }
  ZelScene *s() const { return scene.get(); }
  ZelPlaEntity *pla() const { return scene->ZelMsh->Pla; }
  std::vector<double> plane() const { return {pla()->Pla[0], pla()->Pla[0] + 4}; }
  template <class T>
  T *get(const char *name) const {
    return Named<T>(panel.get(), name);
  }
  void type(const char *field, const char *text) const { Type(get<QZelLineEdit>(field), text); }
  double d() const { return get<QZelDoubleSpinBox>("cli:dEdi:1")->value(); }
  // Polygons the face lists of the tetrahedra hold.
  int tetFaces() {
    int n = 0;
    ForEachRecord(s(), [&](int kind, ZelEntDisplayList &r) {
      if (kind == KmfTetrahedra)
        for (const FeedbackPrim &p : gl.feedbackList(r.FacLst)) n += p.isPolygon();
    });
    return n;
  }
};

bool Clipped(const Vertex &v) { return v.Tag & (1u << 28); }

}  // namespace

TEST(ClipPanel, QuickPlanesFlipFrameAndReadinessActOnTheStoredPlane) {
  Clip c([](Memory_List *mem) { return MakeStructuredMesh(mem, 2, 4, 6, GEN_TET | GEN_TRI | GEN_EFR); });
  ZelScene *s = c.s();
  ASSERT_EQ(std::vector<double>(s->Ctr, s->Ctr + 3), std::vector<double>({1, 2, 3}));
  c.gl.ortho(-1, 1, -1, 1, -10, 10);
  s->Flags |= ZelFlgVolumes;
  zelUpdateVolTypeDisplayLists(1, s);
  const int whole = c.tetFaces();

  // "y = 0" through the centre: stored, on, every record clipped, vertices by side, and the
  // volumes drawn as the cut layer from the first Update on.
  c.get<QZelComboBox>("cli:xyzBox:1")->zelActivated(2);
  EXPECT_EQ(c.plane(), std::vector<double>({0, 1, 0, -2}));
  EXPECT_EQ(c.pla()->On, 1);
  EXPECT_EQ(c.pla()->ActMsk & c.pla()->ShwMsk & 1u, 1u);
  const auto clippedRecords = [s] {  // clipped and all edge, face and volume records
    std::pair<int, int> n{0, 0};
    ForEachRecord(s, [&](int kind, ZelEntDisplayList &r) {
      if (kind != KmfVertices) n.first += (r.Flags & 2) != 0, n.second++;
    });
    return n;
  };
  EXPECT_EQ(clippedRecords().first, clippedRecords().second);
  for (int v = 1; v <= s->Msh->NbrVer; v++) EXPECT_EQ(Clipped(s->Msh->Ver[v]), s->Msh->Ver[v].Crd[1] > 2) << v;
  const int cut = c.tetFaces();
  EXPECT_TRUE(cut > 0 && cut < whole) << cut << " of " << whole;
  // The empty row: off, d 0, the volumes whole again.
  c.get<QZelComboBox>("cli:xyzBox:1")->zelActivated(0);
  EXPECT_EQ(c.pla()->On, 0);
  EXPECT_EQ(c.d(), 0.0);
  EXPECT_EQ(clippedRecords().first, 0);
  EXPECT_EQ(c.tetFaces(), whole);

  // Centre (4, 0, 0): "x = 0", flipped, flipped back, each applied.
  s->Ctr[0] = 4, s->Ctr[1] = s->Ctr[2] = 0;
  c.get<QZelComboBox>("cli:xyzBox:1")->zelActivated(1);
  c.get<QZelCheckBox>("cli:invBox:1")->click();
  EXPECT_EQ(c.plane(), std::vector<double>({-1, 0, 0, 4}));
  EXPECT_EQ(c.get<QZelLineEdit>("cli:aEdi:1")->text(), "-1");
  c.get<QZelCheckBox>("cli:invBox:1")->click();
  EXPECT_EQ(c.plane(), std::vector<double>({1, 0, 0, -4}));

  // Update follows whether a, b and c parse and are not all 0.
  QZelPushButton *update = c.get<QZelPushButton>("cli:updBox:1");
  c.type("cli:bEdi:1", "abc");
  EXPECT_FALSE(update->isEnabled());
  c.type("cli:bEdi:1", "0.5");
  EXPECT_TRUE(update->isEnabled());
  // A text changed without being taken (no Return, focus kept) that does not parse: Update
  // stores nothing, not a alone.
  const std::vector<double> stored = c.plane();
  c.get<QZelLineEdit>("cli:aEdi:1")->setText("3");
  c.get<QZelLineEdit>("cli:cEdi:1")->setText("x");
  update->click();
  EXPECT_EQ(c.plane(), stored);
  c.type("cli:cEdi:1", "0");
  c.get<QZelCheckBox>("cli:fraBox:1")->click();
  EXPECT_EQ(s->Flags & 0x801u, 0x801u);
  EXPECT_EQ(c.pla()->ActMsk & c.pla()->ShwMsk & 1u, 1u);

  // An offset beyond the box (3 R, R = 6) survives a refresh and a switch of the capping.
  c.pla()->Pla[0][0] = 1, c.pla()->Pla[0][1] = c.pla()->Pla[0][2] = 0, c.pla()->Pla[0][3] = 18;
  c.panel->zelUpdate();
  EXPECT_EQ(c.d(), 18.0);
  c.get<QZelCheckBox>("cli:cutBox:1")->click();
  EXPECT_TRUE(s->Flags & ZelFlgCapping);
  EXPECT_EQ(c.plane(), std::vector<double>({1, 0, 0, 18}));
  // A slanted normal reaches further than R: its range grows with |a| + |b| + |c|.
  for (const char *field : {"cli:aEdi:1", "cli:bEdi:1", "cli:cEdi:1"}) c.type(field, field[4] == 'c' ? "-2" : "2");
  c.get<QZelDoubleSpinBox>("cli:dEdi:1")->setValue(-35.5);
  EXPECT_EQ(c.d(), -35.5);
}

// The kinds with a centre and how many nodes it averages.
const int Nodes[][2] = {{KmfVertices, 1},    {KmfEdges, 2},           {KmfEdgesP2, 3},      {KmfTriangles, 3},
                        {KmfTrianglesP2, 6}, {KmfQuadrilaterals, 4}, {KmfQuadrilateralsQ2, 9}, {KmfTetrahedra, 4},
                        {KmfTetrahedraP2, 10}, {KmfPyramids, 5},     {KmfPrisms, 6},       {KmfHexahedra, 8},
                        {KmfHexahedraQ2, 27}};
int Picked(int kind) { return kind == KmfVertices ? 5 : 1; }

// Element 1 of every kind on the first vertices of 27 scattered ones (so that the curved
// kinds' middle nodes lie off their edges' middles).
Geometric_Mesh *Scattered(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3,
                                   {{KmfVertices, 27}, {KmfEdges, 1}, {KmfEdgesP2, 1}, {KmfTriangles, 1},
                                    {KmfTrianglesP2, 1}, {KmfQuadrilaterals, 1}, {KmfQuadrilateralsQ2, 1},
                                    {KmfTetrahedra, 1}, {KmfTetrahedraP2, 1}, {KmfPyramids, 1}, {KmfPrisms, 1},
                                    {KmfHexahedra, 1}, {KmfHexahedraQ2, 1}});
  for (int i = 0; i < 27; i++) AddVertex(m, i % 3 + 0.1 * (i % 7), (i / 3) % 3 + 0.07 * i, i / 9 + 0.013 * i * i);
  for (const auto &k : Nodes)
    if (k[0] != KmfVertices) {
      AddElement(m, k[0], {}, 1);
      int *ver = const_cast<int *>(zelElems(m, k[0]).ver(1));
      std::iota(ver, ver + k[1], 1);
    }
  return m;
}

TEST(ClipPanel, IntersectMovesThePlaneThroughThePickedElementsCentreAndBack) {
  Clip c(Scattered);
  ZelScene *s = c.s();
  const Geometric_Mesh *m = s->Msh;
  const double n[3] = {0.5, -1, 2};
  std::copy(n, n + 3, c.pla()->Pla[0]);
  c.pla()->Pla[0][3] = 0.25;
  c.pla()->On = 1;
  geoPushHybridStack(s->Pck, 1, KmfTetrahedra);
  c.panel->zelUpdate();
  QZelCheckBox *pick = c.get<QZelCheckBox>("cli:pikBox:1");
  ASSERT_TRUE(pick->isEnabled());
  ASSERT_EQ(c.d(), 0.25);

  // Every kind: the centre is the single-precision mean of every node, d = -(n . centre), and
  // back to 0.25 unchecked.
  for (const auto &k : Nodes) {
    float sum[3] = {0, 0, 0};
    for (int i = 0; i < k[1]; i++)
      for (int d = 0; d < 3; d++) sum[d] += static_cast<float>(m->Ver[Picked(k[0]) + i].Crd[d]);
    double centre[3];
    ASSERT_TRUE(zelElementCentre(m, Picked(k[0]), k[0], centre)) << k[0];
    for (int d = 0; d < 3; d++) EXPECT_EQ(centre[d], double(sum[d] / float(k[1]))) << k[0];
    geoPushHybridStack(s->Pck, Picked(k[0]), k[0]);
    pick->click();
    EXPECT_NEAR(c.d(), -(n[0] * centre[0] + n[1] * centre[1] + n[2] * centre[2]), 5e-4) << k[0];
    pick->click();
    EXPECT_EQ(c.d(), 0.25) << k[0];
  }
  // An element outside its kind has none.
  for (const auto &bad : {std::pair<int, int>{2, KmfTriangles}, {0, KmfTriangles}, {28, KmfVertices}, {1, 200}}) {
    double keep[3] = {7, 7, 7};
    EXPECT_FALSE(zelElementCentre(m, bad.first, bad.second, keep)) << bad.first << " " << bad.second;
    EXPECT_EQ(keep[0], 7.0);
  }

  // A picked tetrahedron, its plane applied: cut, vertices on both sides.
  geoPushHybridStack(s->Pck, 1, KmfTetrahedra);
  pick->click();
  c.get<QZelPushButton>("cli:updBox:1")->click();
  int above = 0;
  for (int i = 0; i < 4; i++) above += Clipped(m->Ver[m->Tet[1].Ver[i]]);
  EXPECT_TRUE(above > 0 && above < 4) << above;
  EXPECT_TRUE(m->Tet[1].Tag & (1u << 28));
  // "y = 0" with Intersect checked: the new plane passes through the tetrahedron's centre.
  double centre[3];
  ASSERT_TRUE(zelElementCentre(m, 1, KmfTetrahedra, centre));
  c.get<QZelComboBox>("cli:xyzBox:1")->zelActivated(2);
  EXPECT_EQ(c.plane()[1], 1.0);
  EXPECT_NEAR(c.plane()[3], -centre[1], 5e-4);

  // An edge picked on a face has no centre: a warning naming it, d unchanged.
  geoPushHybridStack(s->Pck, 1, 200);
  geoPushHybridStack(s->Pck, 2, 200);
  pick->click();
  const double before = c.d();
  const Captured out = CaptureText([&] { pick->click(); });
  EXPECT_CONTAINS(out.Err, "Edge On Face");
  EXPECT_EQ(c.d(), before);
}

// The history emptied behind a checked Intersect box (Change References' Reset does it): a
// quick plane then passes through the centre as if nothing were picked, with the warning of
// a pick without an element, and the panel goes on working.
TEST(ClipPanel, AQuickPlaneWithThePickHistoryEmptiedStaysAtTheCentreAndWarns) {
  Clip c(Scattered);
  ZelScene *s = c.s();
  c.pla()->Pla[0][0] = 1;
  c.pla()->On = 1;
  geoPushHybridStack(s->Pck, 1, KmfTetrahedra);
  c.panel->zelUpdate();
  QZelCheckBox *pick = c.get<QZelCheckBox>("cli:pikBox:1");
  pick->click();
  ASSERT_EQ(pick->checkState(), Qt::Checked);
  s->Pck->Top = -1;
  const double cy = s->Ctr[1];
  const Captured out = CaptureText([&] { c.get<QZelComboBox>("cli:xyzBox:1")->zelActivated(2); });
  EXPECT_CONTAINS(out.Err, " ## WARNING: CLIPBOX::SETINTERSECTELEM:");
  EXPECT_EQ(out.Err.find("ERROR"), std::string::npos) << out.Err;
  EXPECT_EQ(c.plane()[1], 1.0);
  EXPECT_NEAR(c.plane()[3], -cy, 5e-4);
  EXPECT_EQ(c.pla()->On, 1);
  // A new pick is followed again.
  geoPushHybridStack(s->Pck, 5, KmfVertices);
  c.get<QZelComboBox>("cli:xyzBox:1")->zelActivated(3);
  EXPECT_NEAR(c.plane()[3], -s->Msh->Ver[5].Crd[2], 5e-4);
}

// A refresh shows the plane the scene holds, set by any means (keys, a state, the mouse): the
// quick-plane combo on the row of its normal when that is an axis, on the empty row
// otherwise, the fields on its coefficients; the plane itself is left as it is.
TEST(ClipPanel, ARefreshShowsTheStoredPlaneOnTheQuickPlaneRowOfItsNormal) {
  Clip c([](Memory_List *mem) { return MakeStructuredMesh(mem, 2, 4, 6, GEN_TET | GEN_TRI | GEN_EFR); });
  QZelComboBox *quick = c.get<QZelComboBox>("cli:xyzBox:1");
  quick->zelActivated(3);  // clipping on
  ASSERT_EQ(c.pla()->On, 1);
  const struct {
    std::vector<double> plane;
    const char *row;
    const char *a, *b, *c;
  } rows[] = {
      {{1, 0, 0, -1}, "x = 0", "1", "0", "0"},    {{0, 1, 0, -2}, "y = 0", "0", "1", "0"},
      {{0, 0, 1, -3}, "z = 0", "0", "0", "1"},    {{0, 1, 0, 0.5}, "y = 0", "0", "1", "0"},
      {{0, 0, -1, 3}, "", "0", "0", "-1"},        {{0.5, 0.5, 0, -1.5}, "", "0.5", "0.5", "0"},
      {{1, 1, 1, -6}, "", "1", "1", "1"},         {{0, 1, 0.25, -2}, "", "0", "1", "0.25"},
  };
  // From every row to every other, so that no row can stay from the refresh before.
  for (const auto &from : rows) {
    for (const auto &r : rows) {
      std::copy(from.plane.begin(), from.plane.end(), c.pla()->Pla[0]);
      c.panel->zelUpdate();
      std::copy(r.plane.begin(), r.plane.end(), c.pla()->Pla[0]);
      c.panel->zelUpdate();
      const std::string where = "plane " + std::to_string(r.plane[0]) + " " + std::to_string(r.plane[1]) + " " +
                                std::to_string(r.plane[2]) + " after " + std::to_string(from.plane[0]) + " " +
                                std::to_string(from.plane[1]) + " " + std::to_string(from.plane[2]);
      EXPECT_EQ(quick->currentText().toStdString(), r.row) << where;
      EXPECT_EQ(c.get<QZelLineEdit>("cli:aEdi:1")->text().toStdString(), r.a) << where;
      EXPECT_EQ(c.get<QZelLineEdit>("cli:bEdi:1")->text().toStdString(), r.b) << where;
      EXPECT_EQ(c.get<QZelLineEdit>("cli:cEdi:1")->text().toStdString(), r.c) << where;
      EXPECT_EQ(c.d(), r.plane[3]) << where;
      EXPECT_EQ(c.plane(), r.plane) << where;
    }
  }
  // The row shown is the row that applies: choosing it again keeps the plane's normal.
  std::copy(rows[1].plane.begin(), rows[1].plane.end(), c.pla()->Pla[0]);
  c.panel->zelUpdate();
  quick->zelActivated(quick->currentIndex());
  const std::vector<double> chosen = c.plane();
  EXPECT_EQ(std::vector<double>(chosen.begin(), chosen.begin() + 3), std::vector<double>({0, 1, 0}));
}
