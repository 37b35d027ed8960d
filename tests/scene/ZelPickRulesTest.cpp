#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/base/Memory.h"
#include "common/model/ElementKind.h"
#include "zelvane/scene/ZelPick.h"
#include "zelvane/scene/ZelStack.h"

namespace {

typedef std::vector<std::pair<int, int>> Entries;  // (index, kind), bottom first

class PickStack : public testing::Test {
 protected:
  void fill(const Entries &e) {
    for (const auto &x : e) geoPushHybridStack(stk_, x.first, x.second);
  }
  Entries entries() const {
    Entries e;
    for (int k = 0; k <= stk_->Top; k++) e.push_back({stk_->Ent[k].Idx, stk_->Ent[k].Typ});
    return e;
  }
  void TearDown() override {
    geoFreeHybridStack(mem_, stk_);
    EXPECT_EQ(mem_->NbrActive, 0);
    FreeMemory(mem_);
  }
  Memory_List *mem_ = NewMemory(10);
  GeoHybridStack *stk_ = geoNewHybridStack(mem_, 4);
};

const int E = KmfFaceEdges, Q = KmfFaceP2Edges, T = KmfTriangles, V = KmfVertices;

TEST_F(PickStack, OneItemReplacesTheTopAndUnpicksItself) {
  EXPECT_EQ(zelPushPickedItem(stk_, 3, T), 0);
  EXPECT_EQ(entries(), (Entries{{3, T}}));
  EXPECT_EQ(zelPushPickedItem(stk_, 8, V), 0);
  EXPECT_EQ(entries(), (Entries{{8, V}}));
  EXPECT_EQ(zelPushPickedItem(stk_, 8, T), 0);  // same index, other kind: a new pick
  EXPECT_EQ(zelPushPickedItem(stk_, 8, T), 1);
  EXPECT_EQ(entries(), Entries{});
}

TEST_F(PickStack, SideUpdatesTakeOffOnlyWhatTheStackHolds) {
  const int side[2] = {4, 9};
  struct Case {
    Entries Before, After;
    int Undone;
  } cases[] = {
      {{}, {{4, E}, {9, E}}, 0},
      {{{9, E}}, {{4, E}, {9, E}}, 0},  // one entry: no pair to compare
      {{{4, E}, {9, E}}, {}, 1},
      {{{9, E}, {4, E}}, {}, 1},        // either order
      {{{4, E}, {9, V}}, {{4, E}, {9, E}}, 0},
      {{{7, T}, {4, E}, {9, E}}, {{7, T}}, 1},
      {{{7, T}, {4, E}, {5, E}}, {{7, T}, {4, E}, {9, E}}, 0},
  };
  for (const Case &c : cases) {
    while (geoPopHybridStack(stk_, nullptr, nullptr)) {
    }
    fill(c.Before);
    EXPECT_EQ(zelPushPickedSide(stk_, side), c.Undone);
    EXPECT_EQ(entries(), c.After);
  }
}

TEST_F(PickStack, P2SideUnpicksInTheFourOrdersOnly) {
  const int side[3] = {1, 2, 3};  // ends 1 and 2, middle node 3
  struct Case {
    Entries Before;
    int Undone;
  } cases[] = {
      {{{1, Q}, {2, Q}, {3, Q}}, 1}, {{{2, Q}, {1, Q}, {3, Q}}, 1}, {{{1, Q}, {3, Q}, {2, Q}}, 1},
      {{{3, Q}, {2, Q}, {1, Q}}, 1}, {{{2, Q}, {3, Q}, {1, Q}}, 0}, {{{3, Q}, {1, Q}, {2, Q}}, 0},
      {{{1, E}, {2, Q}, {3, Q}}, 0}, {{{2, Q}, {3, Q}}, 0},
  };
  for (const Case &c : cases) {
    while (geoPopHybridStack(stk_, nullptr, nullptr)) {
    }
    fill(c.Before);
    EXPECT_EQ(zelPushPickedP2Side(stk_, side), c.Undone);
    EXPECT_EQ(entries(), c.Undone ? Entries{} : (Entries{{1, Q}, {2, Q}, {3, Q}}));
  }
}

TEST_F(PickStack, NoPushGoesPastTheCapacity) {
  fill({{1, V}, {2, V}, {3, V}, {4, V}});
  const int p2[3] = {5, 6, 7};
  EXPECT_EQ(zelPushPickedP2Side(stk_, p2), 0);  // three off, three on
  EXPECT_EQ(stk_->Top, 3);
  GeoHybridStack *one = geoNewHybridStack(mem_, 1);
  const int side[2] = {5, 6};
  EXPECT_EQ(zelPushPickedSide(one, side), 0);
  EXPECT_EQ(one->Top, 0);
  geoFreeHybridStack(mem_, one);
}

TEST(PickGeometry, NearestPointTakesTheEarlierOnATie) {
  const double pts[] = {0, 0, 4, 0, 2, 2, 2, -2};
  EXPECT_EQ(zelNearestPoint(pts, 4, 2, 0), 0);  // all four at distance 2: the first
  EXPECT_EQ(zelNearestPoint(pts, 4, 3.9, 0.1), 1);
  EXPECT_EQ(zelNearestPoint(pts, 0, 0, 0), -1);
  const double nan[] = {NAN, 0, 5, 5};
  EXPECT_EQ(zelNearestPoint(nan, 2, 0, 0), 1);
}

TEST(PickGeometry, SideChoiceTieAndEndOnSide) {
  const int sides[3][2] = {{0, 1}, {1, 2}, {2, 0}};
  // A right triangle; the cursor on its hypotenuse's perpendicular bisector, equally far from
  // the two legs: the first leg wins the tie.
  const double tri[] = {0, 0, 10, 0, 0, 10};
  EXPECT_EQ(zelNearestSide(tri, sides, 3, 2, 2), 0);
  EXPECT_EQ(zelNearestSide(tri, sides, 3, 1, 5), 2);
  EXPECT_EQ(zelNearestSide(tri, sides, 3, 6, 5), 1);
  // A triangle seen edge-on projects its first side to a point: that side is measured to its
  // end, never divided by zero.
  const double flat[] = {5, 5, 5, 5, 0, 10};
  EXPECT_DOUBLE_EQ(zelLineDistance(flat, flat + 2, 8, 9), 5.0);
  EXPECT_EQ(zelNearestSide(flat, sides, 3, 5, 5), 0);  // on the point, as on the others: the first
  EXPECT_EQ(zelNearestSide(flat, sides, 3, 1, 8), 1);
}

}  // namespace
