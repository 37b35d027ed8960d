#include "tests/common/CommonTest.h"

namespace {

// Vertex v sits at (v, 2v, 3v): the centre of a set of vertices is then (m, 2m, 3m) with m
// the mean vertex number.
class Geometry : public MeshTestBase {
 protected:
  void SetUp() override {
    // Capacity 4 for every kind, one or two records used.
    msh = MakeSizedMesh(mem, {{KmfVertices, 40}, {KmfEdges, 4}, {KmfVolumeEdges, 4}, {KmfEdgesP2, 4}, {KmfTriangles, 4},
                              {KmfTrianglesP2, 4}, {KmfQuadrilaterals, 4}, {KmfQuadrilateralsQ2, 4}, {KmfTetrahedra, 4},
                              {KmfTetrahedraP2, 4}, {KmfPyramids, 4}, {KmfPrisms, 4}, {KmfHexahedra, 4},
                              {KmfHexahedraQ2, 4}, {KmfNormals, 4}});
    ASSERT_NE(msh, nullptr);
    for (int v = 1; v <= 40; v++) {
      for (int d = 0; d < 3; d++) msh->Ver[v].Crd[d] = (d + 1) * v;
      msh->Ver[v].Tag = TAG_ALIVE;
    }
    msh->NbrVer = 40;
    // Element 1 of each kind uses vertices 1, 2, 3, ... in node order; second-order nodes
    // are numbered from 31 on.
    const struct {
      int *Ver, Corners, Nodes;
    } elts[] = {{msh->Efr[1].Ver, 2, 2},   {msh->Edg[1].Ver, 2, 2},  {msh->P2Efr[1].Ver, 2, 3}, {msh->Tri[1].Ver, 3, 3},
                {msh->P2Tri[1].Ver, 3, 6}, {msh->Qua[1].Ver, 4, 4},  {msh->P2Qua[1].Ver, 4, 9}, {msh->Tet[1].Ver, 4, 4},
                {msh->P2Tet[1].Ver, 4, 10}, {msh->Pyr[1].Ver, 5, 5}, {msh->Pri[1].Ver, 6, 6},   {msh->Hex[1].Ver, 8, 8},
                {msh->P2Hex[1].Ver, 8, 27}};
    for (const auto &e : elts)
      for (int n = 0; n < e.Nodes; n++) e.Ver[n] = n < e.Corners ? n + 1 : 30 + n;
    msh->Nor[1].Ver = 7;
    msh->Nor[2].Ver = 0;  // a normal attached to no vertex
    msh->NbrEfr = msh->NbrEdg = msh->NbrP2Efr = msh->NbrTri = msh->NbrP2Tri = msh->NbrQua = 1;
    msh->NbrP2Qua = msh->NbrTet = msh->NbrP2Tet = msh->NbrPyr = msh->NbrPri = msh->NbrHex = 1;
    msh->NbrP2Hex = 1;
    msh->NbrNor = 2;
  }
};

TEST_F(Geometry, CountsCapacitiesBoundsAndVolumeKinds) {
  struct {
    int Kind, Count, Capacity, Volume;
  } const rows[] = {{4, 40, 40, 0}, {5, 1, 4, 0},  {6, 1, 4, 0},  {7, 1, 4, 0},  {8, 1, 4, 1},
                    {9, 1, 4, 1},   {10, 1, 4, 1}, {20, 2, 4, 0}, {24, 1, 4, 0}, {25, 1, 4, 0},
                    {27, 1, 4, 0},  {30, 1, 4, 1}, {33, 1, 4, 1}, {49, 1, 4, 1}, {199, 1, 4, 0}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.Kind);
    EXPECT_EQ(geoGetSizeType(msh, r.Kind), r.Count);
    EXPECT_EQ(geoGetMaxSizeType(msh, r.Kind), r.Capacity);
    EXPECT_EQ(is3dEnt(r.Kind), r.Volume);
    EXPECT_EQ(geoCheckBound(msh, 0, r.Kind), 0);
    EXPECT_EQ(geoCheckBound(msh, r.Count, r.Kind), 1);
    EXPECT_EQ(geoCheckBound(msh, r.Count + 1, r.Kind), 0);  // the count decides, not the capacity
    EXPECT_EQ(geoCheckBound(msh, -1, r.Kind), 0);
  }
  for (int k : {60, 200}) EXPECT_EQ(is3dEnt(k), 0) << k;
  EXPECT_EQ(geoCheckBound(msh, 31, KmfPlanes), 1);
  EXPECT_EQ(geoCheckBound(msh, 32, KmfPlanes), 0);
  CaptureText([&] {
    EXPECT_EQ(geoCheckBound(msh, 1, KmfFaceEdges), 0);
    EXPECT_EQ(geoCheckBound(msh, 1, KmfFaceP2Edges), 0);
  });
}

TEST_F(Geometry, EdgesOfEveryKind) {
  struct {
    int Kind;
    std::vector<std::pair<int, int>> Yes, No;
  } const rows[] = {
      {5, {{1, 2}, {2, 1}}, {{1, 3}}},
      {6, {{3, 1}, {2, 3}, {1, 2}}, {{1, 4}, {4, 2}}},
      {25, {{2, 1}}, {{1, 32}}},
      {24, {{1, 2}, {3, 1}}, {{1, 33}, {1, 4}}},
      {7, {{1, 2}, {4, 1}, {3, 4}}, {{1, 3}, {2, 4}}},
      {27, {{4, 1}}, {{1, 3}, {1, 34}}},
      {8, {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {4, 3}}, {{1, 5}}},
      {30, {{4, 3}}, {{1, 34}}},
      {9, {{1, 2}, {3, 1}, {4, 5}, {6, 4}, {1, 4}, {2, 5}, {3, 6}}, {{1, 5}, {2, 6}, {1, 6}}},
      {49, {{1, 2}, {4, 1}, {1, 5}, {2, 5}, {3, 5}, {4, 5}}, {{1, 3}, {2, 4}}},
      {10, {{1, 2}, {4, 1}, {5, 6}, {8, 5}, {1, 5}, {2, 6}, {3, 7}, {4, 8}}, {{1, 7}, {1, 3}, {2, 8}}},
      {33, {{4, 8}, {7, 8}}, {{1, 7}, {1, 39}, {31, 32}}},
  };
  for (const auto &r : rows) {
    for (const auto &e : r.Yes) EXPECT_EQ(geoEntHasEdge(e.first, e.second, msh, 1, r.Kind), 1) << r.Kind;
    for (const auto &e : r.No) EXPECT_EQ(geoEntHasEdge(e.first, e.second, msh, 1, r.Kind), 0) << r.Kind;
  }
  EXPECT_EQ(geoEntHasEdge(1, 2, msh, 2, 6), 0);  // not a triangle of the mesh
}

TEST_F(Geometry, NodesOfElements) {
  int out[32];
  struct {
    int Kind, Nodes;
  } const rows[] = {{6, 3}, {7, 4}, {8, 4}, {24, 6}, {27, 9}, {30, 10}};
  for (const auto &r : rows) {
    for (int &o : out) o = -7;
    ASSERT_EQ(geoGetEntVer(msh, 1, r.Kind, out), r.Nodes) << r.Kind;
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[r.Nodes - 1], r.Nodes <= 4 ? r.Nodes : 30 + r.Nodes - 1);
    EXPECT_EQ(out[r.Nodes], -7);  // nothing written past the nodes
  }
  EXPECT_EQ(geoGetEntVer(msh, 0, 6, out), 0);  // the index is tested
  EXPECT_EQ(geoGetEntVer(msh, 2, 8, out), 0);
}

TEST_F(Geometry, CentresOfEveryKind) {
  double c[3];
  struct {
    int Kind;
    double Mean;  // mean vertex number
  } const rows[] = {{4, 1},     {5, 1.5},  {199, 1.5}, {25, 1.5}, {6, 2},   {24, 2},  {7, 2.5},
                    {27, 2.5},  {8, 2.5},  {30, 2.5},  {49, 3},   {9, 3.5}, {10, 4.5}, {33, 4.5}};
  for (const auto &r : rows) {
    c[0] = c[1] = c[2] = -1;
    ASSERT_EQ(geoGravityCenter(msh, 1, r.Kind, c), 1) << r.Kind;
    EXPECT_DOUBLE_EQ(c[0], r.Mean) << r.Kind;
    EXPECT_DOUBLE_EQ(c[1], 2 * r.Mean) << r.Kind;
    EXPECT_DOUBLE_EQ(c[2], 3 * r.Mean) << r.Kind;
  }
  // A normal stands at its vertex; without a vertex it has no centre.
  ASSERT_EQ(geoGravityCenter(msh, 1, 20, c), 1);
  EXPECT_EQ(c[0], 7);
  EXPECT_EQ(c[2], 21);
  EXPECT_EQ(geoGravityCenter(msh, 2, 20, c), 0);
  EXPECT_EQ(geoGravityCenter(msh, 2, 6, c), 0);
  // An element with a node outside the vertices has no centre.
  msh->Tri[1].Ver[2] = 0;
  EXPECT_EQ(geoGravityCenter(msh, 1, 6, c), 0);
  CaptureText([&] { EXPECT_EQ(geoGetHexVoi(msh), 1); });
}

// Line tracing waits for a key after every step: feed it an empty input.
class DiscreteLineTest : public MeshTestBase {
 protected:
  void SetUp() override {
    ASSERT_NE(freopen("/dev/null", "r", stdin), nullptr);
    msh = MakeStructuredMesh(mem, 2, 2, 1, GEN_EFR);  // a loop of 8 boundary edges
    ASSERT_NE(msh, nullptr);
    ASSERT_EQ(msh->NbrEfr, 8);
  }
  void TearDown() override {
    FreeDiscreteLine(&line);
    MeshTestBase::TearDown();
  }
  int Trace(int e) {
    FreeDiscreteLine(&line);
    int res = 0;
    CaptureText([&] { res = GetDiscreteLine(msh, e, &line); });
    return res;
  }
  // Consecutive points are the two ends of the edge listed between them.
  void ExpectChain() const {
    for (int k = 0; k < line.NbrEfr; k++) {
      const BdyEdge &e = msh->Efr[line.Efr[k]];
      const int p = line.Ver[k], q = line.Ver[(k + 1) % line.NbrVer];
      EXPECT_TRUE((e.Ver[0] == p && e.Ver[1] == q) || (e.Ver[1] == p && e.Ver[0] == q)) << "edge " << k;
    }
  }
  DiscreteLine line = {};
};

TEST_F(DiscreteLineTest, ClosedLoop) {
  ASSERT_EQ(Trace(3), 1);
  EXPECT_EQ(line.Closed, 1);
  EXPECT_EQ(line.NbrEfr, 8);
  EXPECT_EQ(line.NbrVer, 8);
  // From node 1 of edge 3 round the loop, through node 0 of each edge.
  EXPECT_EQ(std::vector<int>(line.Efr, line.Efr + 8), (std::vector<int>{3, 2, 1, 8, 7, 6, 5, 4}));
  EXPECT_EQ(line.Ver[0], msh->Efr[3].Ver[1]);
  ExpectChain();
}

TEST_F(DiscreteLineTest, OpenLinesEndAtLineEndVertices) {
  // Corners (0,0) and (2,2) end lines: edges 1-4 run from one to the other, 5-8 back. The
  // line is listed from the end reached through node 1 of the starting edge.
  int a = GridVertex(2, 2, 0, 0, 0), b = GridVertex(2, 2, 2, 2, 0);
  msh->Ver[a].Tag |= 3;
  msh->Ver[b].Tag |= 3;
  ASSERT_EQ(Trace(2), 1);
  EXPECT_EQ(line.Closed, 0);
  EXPECT_EQ(line.NbrEfr, 4);
  EXPECT_EQ(line.NbrVer, 5);
  for (int k = 0; k < 4; k++) EXPECT_EQ(line.Efr[k], 4 - k);
  EXPECT_EQ(std::vector<int>({line.EndVer[0], line.Ver[0], line.EndVer[1], line.Ver[4]}), (std::vector<int>{b, b, a, a}));
  ExpectChain();
  EXPECT_EQ(msh->Efr[line.EndEfr[0]].Ver[line.EndSid[0]], b);
  EXPECT_EQ(msh->Efr[line.EndEfr[1]].Ver[line.EndSid[1]], a);
}

TEST_F(DiscreteLineTest, BrokenLinksStopTheWalk) {
  EXPECT_EQ(Trace(0), 0);
  EXPECT_EQ(Trace(9), 0);

  // Neighbours past the array, negative, or not holding the shared vertex end the line there.
  int cut = GridVertex(2, 2, 2, 0, 0);  // between edges 2 and 3
  msh->Efr[3].Voi[0] = 999;
  msh->Efr[2].Voi[1] = 0;
  ASSERT_EQ(Trace(5), 1);
  EXPECT_EQ(line.Closed, 0);
  EXPECT_EQ(line.NbrEfr, 8);
  EXPECT_EQ(line.NbrVer, 9);
  EXPECT_EQ(std::vector<int>(line.EndVer, line.EndVer + 2), (std::vector<int>{cut, cut}));
  msh->Efr[7].Voi[1] = -3;
  ASSERT_EQ(Trace(5), 1);
  EXPECT_EQ(line.NbrEfr, 5);  // 3, 4, 5 one way, 5, 6, 7 the other

  // Links that cycle without coming back to the start: the walk is bounded.
  for (int e = 1; e <= 8; e++) msh->Efr[e].Voi[0] = msh->Efr[e].Voi[1] = 0;
  int v[4] = {msh->Efr[1].Ver[0], msh->Efr[1].Ver[1], msh->Efr[2].Ver[1], msh->Efr[3].Ver[1]};
  // 1 -> 2 -> 3 -> 4 -> back into 2 through the vertex 2 and 4 share.
  msh->Efr[4].Ver[0] = v[3];
  msh->Efr[4].Ver[1] = v[1];
  msh->Efr[1].Voi[1] = 2, msh->Efr[2].Voi[0] = 1;
  msh->Efr[2].Voi[1] = 3, msh->Efr[3].Voi[0] = 2;
  msh->Efr[3].Voi[1] = 4, msh->Efr[4].Voi[0] = 3;
  msh->Efr[4].Voi[1] = 2;
  msh->NbrEfr = 4;
  ASSERT_EQ(Trace(1), 1);
  EXPECT_LE(line.NbrEfr, 4);
  EXPECT_EQ(line.NbrVer, line.NbrEfr + 1);
}

}  // namespace
