// The editing tools in a real main window, driven by the object names of their widgets: each
// edit written and read back differs from the baseline file by exactly that edit; bad picks and
// inputs; the pick history as the tools read it in refresh order.
#include <gtest/gtest.h>

#include <QDir>
#include <QKeyEvent>
#include <QTest>
#include <array>
#include <tuple>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/load/MeshWriter.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "tests/support/LoadFixtures.h"
#include "tests/tools/EditFixtures.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/panels/GeoBox.h"
#include "zelvane/panels/ZelDisplayBoxes.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ChgRefGroup.h"
#include "zelvane/tools/DelBox.h"
#include "zelvane/tools/DelGroup.h"

namespace {

// What a written mesh holds, in file order: vertices, elements with their references, and the
// corner and required vertices.
struct Digest {
  std::vector<std::array<double, 3>> ver;
  std::vector<std::array<int, 4>> tri, efr;  // nodes (unused slots 0), reference last
  std::vector<std::array<int, 5>> qua;
  std::vector<int> corners, required;
  bool operator==(const Digest &o) const {
    return std::tie(ver, tri, efr, qua, corners, required) ==
           std::tie(o.ver, o.tri, o.efr, o.qua, o.corners, o.required);
  }
};

Digest Read(const std::string &path) {
  fixtures::LoadContext ctx;
  Geometric_Mesh *m = ctx.Load({path});
  Digest d;
  for (int v = 1; v <= m->NbrVer; v++) {
    d.ver.push_back({m->Ver[v].Crd[0], m->Ver[v].Crd[1], m->Ver[v].Crd[2]});
    if (m->Ver[v].Tag & TAG_CORNER) d.corners.push_back(v);
    if (m->Ver[v].Tag & TAG_REQUIRED) d.required.push_back(v);
  }
  for (int t = 1; t <= m->NbrTri; t++) d.tri.push_back({m->Tri[t].Ver[0], m->Tri[t].Ver[1], m->Tri[t].Ver[2], m->Tri[t].Ref});
  for (int q = 1; q <= m->NbrQua; q++) {
    const Quadrilateral &r = m->Qua[q];
    d.qua.push_back({r.Ver[0], r.Ver[1], r.Ver[2], r.Ver[3], r.Ref});
  }
  for (int e = 1; e <= m->NbrEfr; e++) d.efr.push_back({m->Efr[e].Ver[0], m->Efr[e].Ver[1], 0, m->Efr[e].Ref});
  ctx.Free(m);
  return d;
}

void Write(Memory_List *mem, Geometric_Mesh *m, const std::string &path) {
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "TEST");
  CaptureText([&] { ASSERT_EQ(WriteMesh(&fi, path.c_str(), m), 1); });
}

// The surface of the core tests, with vertex 1 a corner: references 1 | 2 below y = 2, 3
// above, boundary edges along y = 2, quadrilaterals of reference 4, free edges all round.
SurfaceLayout Surface() {
  SurfaceLayout s;
  s.nx = 8, s.ny = 4, s.quadFrom = 6;
  s.ref = [](int i, int j) { return i >= 6 ? 4 : j >= 2 ? 3 : i < 3 ? 1 : 2; };
  s.lines = {{0, 2, 6, 2}};
  s.corners = {1};
  return s;
}

const std::string &BaselineFile() {
  static const std::string path = [] {
    const std::string p = runDir() + "/edit.meshb";
    Memory_List *mem = NewMemory(1000);
    Geometric_Mesh *m = EditSurface(mem, Surface());
    Write(mem, m, p);
    FreeCommonMesh(mem, m);
    FreeMemory(mem);
    return p;
  }();
  return path;
}

// Window 1 on the baseline file; its widgets found by object name.
struct Tools {
  Viewer v{{"-in", BaselineFile()}};
  MessageLog log;

  Tools() { v.window(0)->modifTool()->setVisibleBox(true); }  // open pages: buttons tell their own state

  ZelScene *scene() const { return v.scene(0); }
  template <class W>
  W *w(const QString &name) const {
    W *found = v.window(0)->findChild<W *>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }
  // A pick pushed on the history, then the refresh a pick runs.
  void pick(int element, int kind) {
    geoPushHybridStack(scene()->Pck, element, kind);
    CaptureText([&] { zelUpdateQWidgetState(scene()->Win); });
  }
  void type(const char *edit, const char *text) { w<QZelLineEdit>(edit)->zelEditingFinished(text); }
  void choose(const char *combo, int row) { w<QZelComboBox>(combo)->zelActivated(row); }
  void chooseKind(const char *combo, int kind) { choose(combo, w<QZelComboBox>(combo)->findData(kind)); }
  void chooseText(const char *combo, const char *text) { choose(combo, w<QZelComboBox>(combo)->findText(text)); }
  // A click as a replay plays it: also on a disabled button.
  void click(const char *button) {
    CaptureText([&] { w<QZelPushButton>(button)->zelClicked(false); });
  }
  Digest written() {
    const std::string p = runDir() + "/written.meshb";
    Write(scene()->Mem, scene()->Msh, p);
    return Read(p);
  }
  void sound() {
    for (int kind : {KmfEdges, KmfTriangles, KmfQuadrilaterals}) EXPECT_TRUE(ChainsSound(scene(), kind)) << kind;
  }
};

int Tri(int i, int j, int half) { return SquareTri(Surface(), i, j, half); }

// Change References: the kind chosen by a pick, New Ref, the method, Start Analyse, Update Mesh.
void ChangeByPick(Tools &t, int element, int kind, int method, const char *ref) {
  t.pick(element, kind);
  t.type("ref:refEdi1", ref);
  t.choose("ref:metBox:1", method);
  t.click("ref:anaBox:1");
  t.click("ref:updBox:1");
}
// Delete: triangles, method "Reference", the number, Start Analyse.
void AnalyseDelete(Tools &t, const char *ref) {
  t.chooseKind("entity:1:del", KmfTriangles);
  t.choose("del:metBox:1", 2);
  t.type("del:numEdi1", ref);
  t.click("del:anaBox:1");
}
void ReplaceRef(Tools &t, const char *from, const char *to) {
  t.chooseKind("entity:1:chg", KmfTriangles);
  t.type("ref:oldEdi1", from);
  t.type("ref:refEdi1", to);
  t.choose("ref:metBox:1", 2);
  t.click("ref:anaBox:1");
  t.click("ref:updBox:1");
}

struct RoundTrip {
  const char *what;
  std::function<void(Tools &)> edit;
  std::function<void(Digest &)> expect;
};

void Retag(std::vector<std::array<int, 4>> &tri, int from, int to) {
  for (auto &t : tri)
    if (t[3] == from) t[3] = to;
}

const RoundTrip RoundTrips[] = {
    {"One Element on an edge", [](Tools &t) { ChangeByPick(t, 3, KmfEdges, 0, "9"); }, [](Digest &d) { d.efr[2][3] = 9; }},
    {"One Element on a triangle", [](Tools &t) { ChangeByPick(t, 5, KmfTriangles, 0, "9"); },
     [](Digest &d) { d.tri[4][3] = 9; }},
    {"One Element on a quadrilateral", [](Tools &t) { ChangeByPick(t, 2, KmfQuadrilaterals, 0, "9"); },
     [](Digest &d) { d.qua[1][4] = 9; }},
    {"Delimited Area across a reference change", [](Tools &t) { ChangeByPick(t, Tri(1, 1, 0), KmfTriangles, 1, "9"); },
     [](Digest &d) { Retag(d.tri, 1, 9), Retag(d.tri, 2, 9); }},
    {"Replace Reference into an existing reference", [](Tools &t) { ReplaceRef(t, "1", "3"); },
     [](Digest &d) { Retag(d.tri, 1, 3); }},
    {"Replace Reference into a new reference", [](Tools &t) { ReplaceRef(t, "2", "11"); },
     [](Digest &d) { Retag(d.tri, 2, 11); }},
    {"the same reference", [](Tools &t) { ReplaceRef(t, "2", "2"); }, [](Digest &) {}},
    {"New Ref in the bottom bar",
     [](Tools &t) {
       t.chooseText("Pick_1", "New Ref");  // a choice empties the pick history: pick after it
       geoPushHybridStack(t.scene()->Pck, Tri(0, 1, 1), KmfTriangles);
       QZelLineEdit *input = t.w<QZelLineEdit>("Input_1");
       input->setText("9");
       CaptureText([&] { QTest::keyClick(input, Qt::Key_Return); });
     },
     [](Digest &d) { Retag(d.tri, 1, 9); }},
    {"Delete",
     [](Tools &t) {
       AnalyseDelete(t, "3");
       t.click("del:updBox:1");
     },
     [](Digest &d) { d.tri.erase(std::remove_if(d.tri.begin(), d.tri.end(), [](auto &x) { return x[3] == 3; }), d.tri.end()); }},
    {"Corner",
     [](Tools &t) {
       t.type("ver:numEdi1", "5");
       t.choose("ver:typBox:1", 1);
       t.click("ver:updBox:1");
     },
     [](Digest &d) { d.corners = {1, 5}, d.required = {1, 5}; }},
    {"Required",
     [](Tools &t) {
       t.type("ver:numEdi1", "6");
       t.choose("ver:typBox:1", 2);
       t.click("ver:updBox:1");
     },
     [](Digest &d) { d.required = {1, 6}; }},
    {"a replayed No Type",
     [](Tools &t) {
       t.type("ver:numEdi1", "1");
       t.choose("ver:typBox:1", 0);
       t.click("ver:updBox:1");
     },
     [](Digest &d) { d.corners.clear(), d.required.clear(); }},
    {"replayed Update Mesh of Swap and Edges Detection",
     [](Tools &t) {
       t.click("top:updBox:1");
       t.click("det:updBox:1");
     },
     [](Digest &) {}},
};

}  // namespace

TEST(EditTools, EachEditWrittenAndReadBackDiffersFromTheBaselineByExactlyThatEdit) {
  const Digest baseline = Read(BaselineFile());
  ASSERT_EQ(baseline.tri.size(), 48u);
  for (const RoundTrip &c : RoundTrips) {
    SCOPED_TRACE(c.what);
    Tools t;
    c.edit(t);
    Digest expect = baseline;
    c.expect(expect);
    EXPECT_TRUE(t.written() == expect);
    t.sound();
    EXPECT_TRUE(t.log.shown.empty()) << t.log.shown.front().text.toStdString();
  }
}

TEST(EditTools, BadPicksAndInputsShowOneBoxEachAndChangeNothing) {
  const Digest baseline = Read(BaselineFile());
  const struct {
    const char *what;
    std::function<void(Tools &)> act;
    const char *box;
  } rows[] = {
      {"nothing selected",
       [](Tools &t) {
         t.chooseKind("entity:1:chg", KmfTriangles);
         t.type("ref:refEdi1", "9");
         t.click("ref:anaBox:1");
       },
       "####WARNING : NOTHING SELECTED\n"},
      {"an Old Ref the kind lacks",
       [](Tools &t) {
         t.chooseKind("entity:1:chg", KmfTriangles);
         t.type("ref:oldEdi1", "77");
       },
       "###WARNING : CHANGEREF::SETOLDREF: REF 77 DO NOT EXIST FOR THIS TYPE triangles"},
      {"a reference without record",
       [](Tools &t) { AnalyseDelete(t, "99"); },
       " ### WARNING: DELGROUP::DELTRIANGLESREF(): REF 99 DO NOT EXIST"},
      {"a vertex outside the mesh",
       [](Tools &t) {
         t.type("ver:numEdi1", "9999");
         t.choose("ver:typBox:1", 1);
         t.click("ver:updBox:1");
       },
       "####WARNING : VERTEX 9999 DOES NOT EXIST\n"},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    Tools t;
    // A normal and a clip plane picked: the tools are left as they were.
    t.pick(1, KmfNormalAtVertices);
    t.pick(0, KmfPlanes);
    EXPECT_EQ(t.w<QZelComboBox>("entity:1:chg")->currentIndex(), 0);
    EXPECT_EQ(t.w<QZelComboBox>("entity:1:del")->currentIndex(), 0);
    EXPECT_EQ(t.w<QZelLineEdit>("del:numEdi1")->text(), "");
    r.act(t);
    // Then paints and a refresh after a pick open nothing more.
    t.pick(Tri(4, 3, 0), KmfTriangles);
    CaptureText([&] { t.v.view(0)->grabScene(), t.v.view(0)->grabScene(); });
    ASSERT_EQ(t.log.shown.size(), 1u);
    EXPECT_EQ(t.log.shown[0].text, r.box);
    EXPECT_EQ(t.log.shown[0].icon, QMessageBox::Warning);
    EXPECT_FALSE(t.w<QZelPushButton>("ref:updBox:1")->isEnabled());
    EXPECT_FALSE(t.w<QZelPushButton>("del:updBox:1")->isEnabled());
    EXPECT_TRUE(t.written() == baseline);
  }
}

TEST(EditTools, TheToolsReadThePickHistoryInRefreshOrder) {
  Tools t;
  const GeoHybridStack *pck = t.scene()->Pck;
  // A vertex picked with "Corner" chosen is taken off once; the triangle below reaches the
  // later tools, as does a later triangle pick, which stays.
  t.choose("ver:typBox:1", 1);
  t.pick(Tri(0, 0, 0), KmfTriangles);
  t.pick(7, KmfVertices);
  EXPECT_EQ(pck->Top, 0);
  EXPECT_EQ(t.w<QZelLineEdit>("ver:numEdi1")->text(), "7");
  EXPECT_TRUE(t.w<QZelPushButton>("ver:updBox:1")->isEnabled());
  EXPECT_EQ(t.w<QZelLineEdit>("del:numEdi1")->text(), "1");
  t.pick(Tri(4, 3, 0), KmfTriangles);
  EXPECT_EQ(pck->Top, 1);
  EXPECT_EQ(t.w<QZelLineEdit>("del:numEdi1")->text(), "3");
  EXPECT_EQ(t.w<QZelComboBox>("entity:1:chg")->currentData().toInt(), KmfTriangles);

  // Start Analyse waits for a valid New Ref read since the last Start Analyse.
  QZelPushButton *start = t.w<QZelPushButton>("ref:anaBox:1"), *update = t.w<QZelPushButton>("ref:updBox:1");
  t.type("ref:oldEdi1", "3");
  EXPECT_FALSE(start->isEnabled());
  t.click("ref:anaBox:1");
  EXPECT_FALSE(update->isEnabled());
  t.type("ref:refEdi1", "x");
  EXPECT_FALSE(start->isEnabled());
  t.type("ref:refEdi1", "12");
  EXPECT_TRUE(start->isEnabled());
  auto draws = [&] {
    const std::string out = CaptureText([&] { t.v.view(0)->grabScene(); }).Out;
    int n = 0;
    for (size_t at = out.find("appel chgrefgroup::draw()"); at != std::string::npos; at = out.find("appel", at + 1)) n++;
    return n;
  };
  t.click("ref:anaBox:1");
  EXPECT_TRUE(update->isEnabled());
  t.pick(Tri(3, 3, 0), KmfTriangles);
  EXPECT_FALSE(start->isEnabled());
  t.click("ref:anaBox:1");
  EXPECT_EQ(draws(), 1);
  QImage shot;
  CaptureText([&] { shot = t.v.view(0)->grabScene(); });
  shot.save(QString::fromStdString(testOutputDir() + "/tools-overlay.png"));
  EXPECT_GT(countPixels(shot, 255, 0, 0, 60), 50);  // the picked triangle in red
  t.type("ref:refEdi1", "12");
  t.click("ref:anaBox:1");
  EXPECT_EQ(draws(), 2);  // recorded twice, drawn twice until Reset
  t.click("ref:resBox:1");
  EXPECT_EQ(draws(), 0);
  EXPECT_EQ(pck->Top, -1);
  EXPECT_TRUE(t.log.shown.empty());

  // Swap's Reset takes off an edge picked on a face, or a vertex, and nothing else.
  t.click("ver:resBox:1");  // "No Type": vertex picks stay
  t.pick(Tri(2, 2, 0), KmfTriangles);
  for (const auto &p : {std::pair<int, int>{3, KmfFaceEdges}, {4, KmfFaceEdges}}) t.pick(p.first, p.second);
  t.click("top:resBox:1");
  EXPECT_EQ(pck->Top, 0);
  t.pick(5, KmfVertices);
  t.click("top:resBox:1");
  EXPECT_EQ(pck->Top, 0);
  t.click("top:resBox:1");
  EXPECT_EQ(pck->Top, 0);

  // Two Delete analyses select the reference twice; Reset drops both.
  DelGroup *del = t.w<DelBox>("")->delGroup();
  t.chooseKind("entity:1:del", KmfTriangles);
  t.choose("del:metBox:1", 2);
  for (int k = 0; k < 2; k++) {
    t.type("del:numEdi1", "1");
    t.click("del:anaBox:1");
  }
  EXPECT_EQ(del->selection().size(), 24u);
  t.click("del:resBox:1");
  EXPECT_TRUE(del->selection().empty());
}

TEST(EditTools, DeleteMakesTheSurfacesPageAfterGeometryAndLines) {
  Tools t;
  ZelTool vis(t.v.app->server(), QRect(0, 0, 360, 200), "[1] edit.meshb-Visualisation", nullptr);
  CaptureText([&] {
    vis.addWidget(new GeoBox(nullptr, t.scene(), 1), "Geometry", false);
    vis.addWidget(new LinBox(nullptr, t.scene(), 1), "Lines", false);
  });
  DelBox box(t.v.app->server(), t.scene(), 1, t.v.view(0), {&vis});
  box.entityCombo()->zelActivated(box.entityCombo()->findData(KmfTriangles));
  box.findChild<QZelComboBox *>("del:metBox:1")->zelActivated(2);
  box.findChild<QZelLineEdit *>("del:numEdi1")->zelEditingFinished("2");
  CaptureText([&] {
    box.findChild<QZelPushButton *>("del:anaBox:1")->zelClicked(false);
    box.findChild<QZelPushButton *>("del:updBox:1")->zelClicked(false);
  });
  ASSERT_EQ(vis.boxes().size(), 3);
  EXPECT_NE(dynamic_cast<SrfBox *>(vis.getZelBase(2)), nullptr);
  EXPECT_EQ(vis.getZelBase("Surfaces"), vis.getZelBase(2));
}

// The context menu's Update Mesh reads the file again, which still holds the triangles Delete
// took off: they show again. A reference the user hid with `s` stays hidden, also when Delete
// took its triangles off after that.
TEST(EditTools, UpdateMeshAfterADeletionShowsWhatTheFileHolds) {
  const struct {
    const char *what;
    std::vector<int> hiddenBefore, hiddenAfter;  // references hidden with `s`; hidden once read again
  } rows[] = {{"Delete alone", {}, {}},
              {"`s` on another reference", {1}, {1}},
              {"`s` on the reference Delete then takes off", {3}, {3}}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    Tools t;
    for (int ref : r.hiddenBefore) {
      geoPushHybridStack(t.scene()->Pck, ref == 1 ? Tri(0, 0, 0) : Tri(0, 2, 0), KmfTriangles);
      QKeyEvent s(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, "s");
      CaptureText([&] { t.v.window(0)->keyPressEvent(&s); });
    }
    AnalyseDelete(t, "3");
    t.click("del:updBox:1");
    ASSERT_TRUE(Chain(t.scene(), KmfTriangles, RecordOfRef(t.scene(), KmfTriangles, 3)).empty());
    CaptureText([&] { t.v.window(0)->updateMesh(); });
    ZelEntity *tri = zelGetEntity(t.scene()->ZelMsh, KmfTriangles);
    for (int ref : {1, 2, 3}) {
      const int rec = RecordOfRef(t.scene(), KmfTriangles, ref);
      ASSERT_GT(rec, 0) << ref;
      EXPECT_EQ((tri->DspLst[rec].Flags & ZelLstHidden) != 0,
                std::count(r.hiddenAfter.begin(), r.hiddenAfter.end(), ref) == 1)
          << ref;
    }
    EXPECT_EQ(Chain(t.scene(), KmfTriangles, RecordOfRef(t.scene(), KmfTriangles, 3)).size(), 24u);
  }
}

TEST(EditTools, ARecordedSequenceReplaysTheEditIntoANewWindow) {
  const std::string file = runDir() + "/edit.seq";
  Digest expected;
  {
    Tools t;
    ReplaceRef(t, "1", "5");
    expected = t.written();
    t.v.app->server()->saveSequences(file.c_str());
  }
  Tools t;
  CaptureText([&] {
    t.v.app->server()->loadSequences(file.c_str());
    t.v.app->server()->execSequences(0);
  });
  EXPECT_TRUE(t.written() == expected);
  EXPECT_FALSE(t.written() == Read(BaselineFile()));
  t.sound();
}
