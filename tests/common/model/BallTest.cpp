#include "tests/common/CommonTest.h"

namespace {

// Balls, rows and the working array must all be released when a test ends.
class Balls : public MeshTestBase {
 protected:
  // Two triangles (1 2 3) and (2 3 4) on five vertices, and two boundary edges.
  void MakeTwoTriangles() {
    msh = MakeSizedMesh(mem, {{KmfVertices, 5}, {KmfTriangles, 3}, {KmfEdges, 2}});
    msh->NbrVer = 4;
    for (int t = 1; t <= 2; t++) {
      AddRecord(msh->Tri, msh->NbrTri, {t, t + 1, t + 2});
      AddRecord(msh->Efr, msh->NbrEfr, {t, t + 1});
    }
  }
  static std::vector<int> Row(const StaticBall *b, int v) {
    return std::vector<int>(b->Ver2Ent + b->Head[v], b->Ver2Ent + b->Head[v + 1]);
  }
  // Every row of the ball against a brute-force scan of the elements, then the ball freed.
  template <class Rec>
  void ExpectBruteForce(StaticBall *b, const Rec *arr, int nbrEle, int nbrNod, bool aliveOnly, const char *what) {
    ASSERT_NE(b, nullptr) << what;
    ASSERT_EQ(b->NbrVer, msh->NbrVer);
    int total = 0;
    for (int v = 1; v <= msh->NbrVer; v++) {
      std::vector<int> expect;
      for (int e = 1; e <= nbrEle; e++) {
        if (aliveOnly && !(arr[e].Tag & TAG_ALIVE)) continue;
        for (int j = 0; j < nbrNod; j++)
          if (arr[e].Ver[j] == v) expect.push_back(e);
      }
      ASSERT_EQ(Row(b, v), expect) << what << " vertex " << v;
      total += static_cast<int>(expect.size());
    }
    EXPECT_EQ(b->Head[msh->NbrVer + 1], total) << what;
    geoFreeStaticBall(mem, b);
  }
};

TEST_F(Balls, NodesOutsideTheVerticesAreSkipped) {
  MakeTwoTriangles();
  msh->NbrVer = 5;
  msh->Tri[2].Tag = 0;
  AddRecord(msh->Tri, msh->NbrTri, {0, 5, 99});
  // The per-kind builder lists dead elements too, the generic one only living ones.
  StaticBall *b = geoGetVer2Tri(mem, msh);
  EXPECT_EQ(Row(b, 4), std::vector<int>{2});
  EXPECT_EQ(Row(b, 5), std::vector<int>{3});
  EXPECT_EQ(b->Head[6], 7);
  geoFreeStaticBall(mem, b);
  b = geoGetVer2Ent(mem, msh, KmfTriangles);
  EXPECT_EQ(Row(b, 4), std::vector<int>{});
  EXPECT_EQ(Row(b, 2), std::vector<int>{1});
  EXPECT_EQ(Row(b, 5), std::vector<int>{3});
  geoFreeStaticBall(mem, b);

  // A vertex repeated in one element is listed once per occurrence.
  msh->Tri[1].Ver[2] = 1;
  b = geoGetVer2Tri(mem, msh);
  EXPECT_EQ(Row(b, 1), (std::vector<int>{1, 1}));
  geoFreeStaticBall(mem, b);

  // Nothing to build.
  EXPECT_EQ(geoGetVer2Ent(mem, msh, KmfTetrahedra), nullptr);
  EXPECT_EQ(geoGetVer2Tet(mem, nullptr), nullptr);
  msh->Ver2Tri = geoGetVer2Tri(mem, msh);  // a ball kept in the mesh goes with it
}

// Elements of every kind of a generated box; some killed. Every row is checked against a
// brute-force scan of the elements.
TEST_F(Balls, StructuredMeshAgainstBruteForce) {
  msh = MakeStructuredMesh(mem, 3, 2, 2, GEN_HEX | GEN_TET | GEN_PRI | GEN_PYR | GEN_QUA | GEN_TRI | GEN_EFR);
  ASSERT_NE(msh, nullptr);
  for (int e = 1; e <= msh->NbrTet; e += 7) msh->Tet[e].Tag = 0;
  for (int e = 2; e <= msh->NbrEfr; e += 3) msh->Efr[e].Tag = 0;
  for (int e = 1; e <= msh->NbrTri; e += 4) msh->Tri[e].Tag = 0;
  msh->Hex[5].Tag = 0;
  msh->Pyr[3].Tag = 0;
  msh->Pri[2].Tag = 0;
  msh->Qua[1].Tag = 0;

  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfEdges), msh->Efr, msh->NbrEfr, 2, true, "edges");
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfTriangles), msh->Tri, msh->NbrTri, 3, true, "triangles");
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfQuadrilaterals), msh->Qua, msh->NbrQua, 4, true, "quadrilaterals");
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfTetrahedra), msh->Tet, msh->NbrTet, 4, true, "tetrahedra");
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfPrisms), msh->Pri, msh->NbrPri, 6, true, "prisms");
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfHexahedra), msh->Hex, msh->NbrHex, 8, true, "hexahedra");
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfPyramids), msh->Pyr, msh->NbrPyr, 5, true, "pyramids");
  ExpectBruteForce(geoGetVer2Tri(mem, msh), msh->Tri, msh->NbrTri, 3, false, "all triangles");
  ExpectBruteForce(geoGetVer2Qua(mem, msh), msh->Qua, msh->NbrQua, 4, false, "all quadrilaterals");
  ExpectBruteForce(geoGetVer2Tet(mem, msh), msh->Tet, msh->NbrTet, 4, false, "all tetrahedra");
  ExpectBruteForce(geoGetVer2Hex(mem, msh), msh->Hex, msh->NbrHex, 8, false, "all hexahedra");
}

TEST_F(Balls, CurvedKindsUseEveryNode) {
  Geometric_Mesh *lin = MakeStructuredMesh(mem, 2, 1, 1, GEN_HEX | GEN_TET | GEN_QUA | GEN_TRI);
  msh = MakeSecondOrderCopy(mem, lin);
  FreeCommonMesh(mem, lin);
  msh->P2Hex[2].Tag = 0;
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfTrianglesP2), msh->P2Tri, msh->NbrP2Tri, 6, true, "P2 triangles");
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfQuadrilateralsQ2), msh->P2Qua, msh->NbrP2Qua, 9, true, "Q2 quadrilaterals");
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfTetrahedraP2), msh->P2Tet, msh->NbrP2Tet, 10, true, "P2 tetrahedra");
  ExpectBruteForce(geoGetVer2Ent(mem, msh, KmfHexahedraQ2), msh->P2Hex, msh->NbrP2Hex, 27, true, "Q2 hexahedra");
}

}  // namespace
