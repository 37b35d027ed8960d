#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelPick.h"
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

}  // namespace
