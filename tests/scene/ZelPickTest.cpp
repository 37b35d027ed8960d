// Picking: the rules that need no GL (picked-stack updates, nearest node and side), then picks
// under the GL harness, through the mouse press as the view calls it, on lists compiled by the
// surface builders.
#include <GL/glu.h>

#include "tests/scene/SceneTest.h"
#include "tests/support/GLHarness.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelPick.h"
#include "zelvane/scene/ZelReport.h"
#include "zelvane/scene/ZelStack.h"

namespace {

typedef std::vector<std::pair<int, int>> Entries;  // (index, kind), bottom first
const int E = KmfFaceEdges, Q = KmfFaceP2Edges, T = KmfTriangles, V = KmfVertices;

// Each row: the stack before, the pick (one item, a side of two vertices or a curved side of
// three nodes), whether it undid the pick on top, and the stack after. Capacity 4.
struct StackCase {
  Entries Before;
  std::vector<int> Pick;  // one item: {index, kind}
  int Kind, Undone;
  Entries After;
};

TEST(PickStack, UpdatesTakeOffOnlyWhatTheStackHolds) {
  const std::vector<int> side = {4, 9}, p2 = {1, 2, 3};
  const Entries p2After = {{1, Q}, {2, Q}, {3, Q}};
  const StackCase cases[] = {
      {{}, {3, T}, T, 0, {{3, T}}},
      {{{1, V}, {8, V}}, {3, T}, T, 0, {{1, V}, {3, T}}},  // the top replaced
      {{{8, T}}, {8, T}, T, 1, {}},                      // the same item again
      {{}, side, E, 0, {{4, E}, {9, E}}},
      {{{9, E}}, side, E, 0, {{4, E}, {9, E}}},  // one entry: no pair to compare
      {{{9, E}, {4, E}}, side, E, 1, {}},        // either order
      {{{4, E}, {9, V}}, side, E, 0, {{4, E}, {9, E}}},
      {{{7, T}, {4, E}, {9, E}}, side, E, 1, {{7, T}}},
      {{{1, V}, {2, V}, {3, V}, {4, V}}, side, E, 0, {{1, V}, {2, V}, {4, E}, {9, E}}},
      {{{1, Q}, {2, Q}, {3, Q}}, p2, Q, 1, {}}, {{{2, Q}, {1, Q}, {3, Q}}, p2, Q, 1, {}},
      {{{1, Q}, {3, Q}, {2, Q}}, p2, Q, 1, {}}, {{{3, Q}, {2, Q}, {1, Q}}, p2, Q, 1, {}},
      {{{2, Q}, {3, Q}, {1, Q}}, p2, Q, 0, p2After},  // not one of the four orders
      {{{1, E}, {2, Q}, {3, Q}}, p2, Q, 0, p2After},
      {{{2, Q}, {3, Q}}, p2, Q, 0, p2After},
      {{{9, V}, {1, V}, {2, V}, {3, V}}, p2, Q, 0, {{9, V}, {1, Q}, {2, Q}, {3, Q}}},
  };
  Memory_List *mem = NewMemory(10);
  for (const StackCase &c : cases) {
    GeoHybridStack *stk = geoNewHybridStack(mem, 4);
    for (const auto &x : c.Before) geoPushHybridStack(stk, x.first, x.second);
    int undone = c.Kind == E   ? zelPushPickedSide(stk, c.Pick.data())
                 : c.Kind == Q ? zelPushPickedP2Side(stk, c.Pick.data())
                               : zelPushPickedItem(stk, c.Pick[0], c.Pick[1]);
    Entries after;
    for (int k = 0; k <= stk->Top; k++) after.push_back({stk->Ent[k].Idx, stk->Ent[k].Typ});
    EXPECT_EQ(undone, c.Undone) << &c - cases;
    EXPECT_EQ(after, c.After) << &c - cases;
    geoFreeHybridStack(mem, stk);
  }
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

TEST(PickGeometry, NearestNodeAndSideTiesAndASideSeenEndOn) {
  const double pts[] = {0, 0, 4, 0, 2, 2, 2, -2}, nan[] = {NAN, 0, 5, 5};
  EXPECT_EQ(zelNearestPoint(pts, 4, 2, 0), 0);  // all four at distance 2: the first
  EXPECT_EQ(zelNearestPoint(pts, 4, 3.9, 0.1), 1);
  EXPECT_EQ(zelNearestPoint(nan, 2, 0, 0), 1);
  const int sides[3][2] = {{0, 1}, {1, 2}, {2, 0}};
  // A right triangle; (2, 2) is as near to both legs: the first one tested wins.
  const double tri[] = {0, 0, 10, 0, 0, 10};
  EXPECT_EQ(zelNearestSide(tri, sides, 3, 2, 2), 0);
  EXPECT_EQ(zelNearestSide(tri, sides, 3, 1, 5), 2);
  EXPECT_EQ(zelNearestSide(tri, sides, 3, 6, 5), 1);
  // Seen end-on, the first side projects to a point: measured to it, never divided by zero.
  const double flat[] = {5, 5, 5, 5, 0, 10};
  EXPECT_DOUBLE_EQ(zelLineDistance(flat, flat + 2, 8, 9), 5.0);
  EXPECT_EQ(zelNearestSide(flat, sides, 3, 5, 5), 0);
  EXPECT_EQ(zelNearestSide(flat, sides, 3, 1, 8), 1);
}

const int W = 200;

// Triangles 1 = (1 2 3) and 2 = (1 3 4) of the unit square, sharing the diagonal 1-3, and the
// quadrilateral (2 5 6 3) beside them; the boundary edge 1-2 lies on triangle 1. The scene's box
// is the triangles' (the unit square), so the camera frames them and the quadrilateral runs
// past the right side of the view.
Geometric_Mesh *pickMesh(Memory_List *mem) {
  Geometric_Mesh *m =
      NewRoomyMesh(mem, 2, {{KmfVertices, 6}, {KmfTriangles, 2}, {KmfQuadrilaterals, 1}, {KmfEdges, 1}});
  const double xy[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 0}, {2, 1}};
  for (const auto &p : xy) AddVertex(m, p[0], p[1], 0);
  AddElement(m, KmfTriangles, {1, 2, 3}, 1);
  AddElement(m, KmfTriangles, {1, 3, 4}, 2);
  AddElement(m, KmfQuadrilaterals, {2, 5, 6, 3}, 3);
  AddElement(m, KmfEdges, {1, 2}, 4);
  return m;
}

GLHarness &pickHarness() {
  static GLHarness gl(W, W);
  return gl;
}

class Pick : public testing::Test {
 protected:
  void SetUp() override {
    pickHarness().makeCurrent();
    zelInstallListHooks();
    display_.reset(new DisplayScene(pickMesh, false));
    s_ = display_->get();
    ASSERT_EQ(zelSetColorRange(s_), 1);
    CaptureText([&] { zelSetupDisplayLists(display_->mem(), s_), zelUpdateAllDisplayLists(1, s_); });
    zoom(60);
  }
  void zoom(double fov) {
    s_->View->Fov = fov;
    zelReshapeScene(s_, W, W);
  }
  // Presses with the modifier and button at the pixel under mesh point (x, y).
  int press(uint32_t key, uint32_t button, double x, double y) {
    double p[3] = {(x - s_->Ctr[0]) * s_->InvDmaxSca, (y - s_->Ctr[1]) * s_->InvDmaxSca, 0}, mv[16], pr[16],
           wx, wy, wz;
    GLint vp[4] = {0, 0, W, W};
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(s_->View->Mat);
    glTranslated(-s_->View->Ctr[0], -s_->View->Ctr[1], -s_->View->Ctr[2]);
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    glGetDoublev(GL_PROJECTION_MATRIX, pr);
    gluProject(p[0], p[1], p[2], mv, pr, vp, &wx, &wy, &wz);
    return pressPixel(key, button, static_cast<int>(wx), W - 1 - static_cast<int>(wy));
  }
  int pressPixel(uint32_t key, uint32_t button, int x, int y) {
    s_->VieEvt->keyBits = key;
    s_->VieEvt->buttons = button;
    return zelProcessMousePressEvent(s_, x, y);
  }
  Entries stack() const {
    Entries e;
    for (int k = 0; k <= s_->Pck->Top; k++) e.push_back({s_->Pck->Ent[k].Idx, s_->Pck->Ent[k].Typ});
    return e;
  }
  void clear() {
    while (geoPopHybridStack(s_->Pck, nullptr, nullptr)) {
    }
  }
  std::unique_ptr<DisplayScene> display_;
  ZelScene *s_ = nullptr;
  FakeHooks hooks_;
};

const uint32_t Shift = ZelKeyShift, Alt = ZelKeyAlt, Left = ZelButtonLeft, Middle = ZelButtonMiddle;

TEST_F(Pick, ElementsPickedAndTheSamePickUnpicksSilently) {
  EXPECT_EQ(press(Shift, Left, 0.8, 0.4), 1);
  EXPECT_EQ(stack(), (Entries{{1, KmfTriangles}}));
  ASSERT_EQ(hooks_.Texts.size(), 1u);
  EXPECT_CONTAINS(hooks_.Texts[0], "Triangle</span>               1 = [");
  EXPECT_TRUE(called(hooks_, "updateQWidgetState"));
  EXPECT_EQ(press(Shift, Left, 0.8, 0.4), 1);
  EXPECT_EQ(stack(), Entries{});
  EXPECT_EQ(hooks_.Texts.size(), 1u);
  EXPECT_EQ(press(Shift, Left, 0.2, 0.7), 1);
  EXPECT_EQ(press(Shift, Left, 1.5, 0.5), 1);
  EXPECT_EQ(stack(), (Entries{{1, KmfQuadrilaterals}}));
  EXPECT_EQ(press(Shift, Left, 3, 3), 0);  // nothing there
}

TEST_F(Pick, VertexFromTheNearestCornerOfTheElement) {
  EXPECT_EQ(press(Shift, Middle, 0.9, 0.75), 1);
  EXPECT_EQ(stack(), (Entries{{3, KmfVertices}}));
  EXPECT_EQ(press(Shift, Middle, 1.2, 0.1), 1);
  EXPECT_EQ(stack(), (Entries{{2, KmfVertices}}));
}

TEST_F(Pick, EdgeOnFaceSideChoice) {
  // Near the diagonal of triangle 2: the side as its two vertices.
  EXPECT_EQ(press(Alt, Left, 0.4, 0.55), 1);
  EXPECT_EQ(stack(), (Entries{{1, KmfFaceEdges}, {3, KmfFaceEdges}}));
  EXPECT_EQ(hooks_.Texts.back(), "  Edge on Tri           [        1         3] length = 1.41421");
  EXPECT_EQ(press(Alt, Left, 0.55, 0.4), 1);  // the same side from triangle 1: unpicked
  EXPECT_EQ(stack(), Entries{});
  // Nearest the bottom side of triangle 1, farther than the wide edge line: the mesh edge on it.
  EXPECT_EQ(press(Alt, Left, 0.8, 0.15), 1);
  EXPECT_EQ(stack(), (Entries{{1, KmfEdges}}));
  clear();
  std::string err = CaptureText([&] { EXPECT_EQ(press(Alt, Left, 1.5, 0.5), 1); }).Err;
  EXPECT_EQ(err, " ## WARNING: ZELPICKEDGEONFACE:  TYPE 7 IS NOT HANDLED \n");
  EXPECT_EQ(stack(), (Entries{{1, KmfQuadrilaterals}}));
}

TEST_F(Pick, HiddenFaceRecordIsNotPickableHiddenEdgeRecordIs) {
  zelGetEntity(s_->ZelMsh, KmfTriangles)->DspLst[2].Flags |= ZelLstHidden;  // reference 2
  zelGetEntity(s_->ZelMsh, KmfEdges)->DspLst[1].Flags |= ZelLstHidden;
  EXPECT_EQ(press(Shift, Left, 0.2, 0.7), 0);
  EXPECT_EQ(press(Alt, Left, 0.5, -0.05), 1);  // just below the mesh: only the wide edge line is there
  EXPECT_EQ(stack(), (Entries{{1, KmfEdges}}));
}

TEST_F(Pick, TopAndBottomRowsOfAFilledView) {
  zoom(5);
  for (int y : {0, W - 1}) {
    clear();
    EXPECT_EQ(pressPixel(Shift, Left, W / 2, y), 1) << y;
    EXPECT_EQ(stack().size(), 1u);
  }
}

TEST_F(Pick, DistanceModeThirdPickStartsANewPair) {
  s_->opt->verbose = ZelVrbDistance;
  const char *refusal = "(triangles triangles)";
  press(Shift, Left, 0.8, 0.4);
  press(Shift, Left, 0.2, 0.7);
  ASSERT_EQ(hooks_.Texts.size(), 3u);
  EXPECT_CONTAINS(hooks_.Texts[2], refusal);
  press(Shift, Left, 0.8, 0.4);
  press(Shift, Middle, 0.2, 0.7);  // a vertex with a triangle: no refusal, pair closed
  EXPECT_EQ(hooks_.Texts.size(), 5u);
  EXPECT_EQ(hooks_.terminal().find(refusal,
                                   hooks_.Texts[0].size() + hooks_.Texts[1].size() + hooks_.Texts[2].size()),
            std::string::npos);
}

// A mesh of tetrahedra alone opens with full volumes on, its volumes drawn and picked. Moving
// the clip plane, a drag in clip mode and the preferences turn full volumes off without
// building the volumes' lists again: the view then shows no element of them, and a click picks
// none, though the volumes' picking lists still hold their ids.
TEST(PickVolumes, FullVolumesOffPickNoElementTheViewDoesNotShow) {
  pickHarness().makeCurrent();
  FakeHooks hooks;  // the shell's slots; the builders are the real ones
  zelInstallListHooks();
  DisplayScene d([](Memory_List *mem) { return MakeStructuredMesh(mem, 2, 2, 2, GEN_TET); }, false);
  ZelScene *s = d.get();
  ASSERT_EQ(zelSetColorRange(s), 1);
  CaptureText([&] { zelSetupDisplayLists(d.mem(), s), zelUpdateAllDisplayLists(1, s); });
  ASSERT_TRUE(s->Flags & ZelFlgVolumes);
  zelReshapeScene(s, W, W);
  auto click = [s] {
    s->VieEvt->keyBits = Shift, s->VieEvt->buttons = Left;
    return zelProcessMousePressEvent(s, W / 2, W / 2);
  };
  EXPECT_EQ(click(), 1);
  ASSERT_EQ(s->Pck->Top, 0);
  EXPECT_EQ(s->Pck->Ent[0].Typ, KmfTetrahedra);
  geoPopHybridStack(s->Pck, nullptr, nullptr);
  s->Flags &= ~ZelFlgVolumes;
  EXPECT_EQ(click(), 0);
  EXPECT_EQ(s->Pck->Top, -1);
}

}  // namespace

// The first build of a window's lists leaves the picking lists of faces and vertices waiting:
// a pick makes them first, the same lists a full build makes, and finds what it finds after
// one; so does a rebuild or an option change before any pick.
TEST_F(Pick, PickingListsLeftByTheFirstBuildAreMadeBeforeAPickOrAChange) {
  std::vector<ZelEntDisplayList *> recs;
  for (int kind : {KmfTriangles, KmfQuadrilaterals, KmfVertices}) {
    ZelEntity *ent = zelGetEntity(s_->ZelMsh, kind);
    for (int r = 1; r <= ent->NbrLst; r++) recs.push_back(&ent->DspLst[r]);
  }
  ASSERT_FALSE(recs.empty());
  std::vector<std::vector<FeedbackPrim>> full;
  for (ZelEntDisplayList *r : recs) full.push_back(pickHarness().feedbackList(r->PckLst));
  auto firstBuild = [&] {
    for (ZelEntDisplayList *r : recs) glDeleteLists(r->PckLst, 1);
    CaptureText([&] { EXPECT_EQ(zelUpdateFirstDisplayLists(s_), 1); });
    EXPECT_EQ(s_->PckPending, 1);
    for (ZelEntDisplayList *r : recs) EXPECT_FALSE(glIsList(r->PckLst)) << r->Type;
    EXPECT_TRUE(glIsList(recs.front()->FacLst));
  };
  auto madeAsByAFullBuild = [&] {
    EXPECT_EQ(s_->PckPending, 0);
    for (size_t k = 0; k < recs.size(); k++) {
      std::vector<FeedbackPrim> got = pickHarness().feedbackList(recs[k]->PckLst);
      ASSERT_EQ(got.size(), full[k].size()) << recs[k]->Type;
      for (size_t p = 0; p < got.size(); p++) {
        ASSERT_EQ(got[p].v.size(), full[k][p].v.size());
        for (size_t i = 0; i < got[p].v.size(); i++)
          EXPECT_EQ(std::memcmp(&got[p].v[i], &full[k][p].v[i], sizeof(FeedbackVertex)), 0) << recs[k]->Type;
      }
    }
  };
  firstBuild();
  EXPECT_EQ(press(Shift, Left, 0.8, 0.4), 1);
  EXPECT_EQ(stack(), (Entries{{1, KmfTriangles}}));
  madeAsByAFullBuild();
  for (auto change : {std::function<void()>([&] { zelUpdateAllDisplayListsOptions(0, 0, 0, s_); }),
                      std::function<void()>([&] { zelUpdateAllTypeDisplayLists(KmfTriangles, ZelMaskNoPicking, s_); }),
                      std::function<void()>([&] { zelUpdateAllDisplayLists(1, s_); })}) {
    firstBuild();
    CaptureText(change);
    madeAsByAFullBuild();
  }
  EXPECT_EQ(zelBuildPendingPicking(s_), 0);  // nothing waits
}

