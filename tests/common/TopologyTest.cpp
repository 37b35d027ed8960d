#include "common/Topology.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/FunctionInterface.h"
#include "common/Memory.h"
#include "common/Mesh.h"
#include "common/MthParallel.h"
#include "tests/support/StructuredMesh.h"
#include "tests/support/TopoFixtures.h"
#include "tests/support/TopoReference.h"

namespace {

class TopologyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mem = NewMemory(1000);
    DefaultFunInterface(&fi, mem, nullptr, "TEST");
  }
  void TearDown() override {
    msh = FreeCommonMesh(mem, msh);
    if (fi.Par) FreeMthParallel(fi.Par);
    EXPECT_EQ(mem->NbrActive, 0);
    FreeMemory(mem);
  }
  void UsePool(int threads) { fi.Par = NewMthParallel(threads, 0, 0); }
  Memory_List *mem = nullptr;
  Geometric_Mesh *msh = nullptr;
  Function_Interface fi;
};

// ---------------------------------------------------------------------------------------

TEST(TopologyWords, BucketWordPacksLocalKindAndASaturatedCount) {
  int loc, kind, count;
  voi_getvoibucket(voi_setvoibucket(5, VOI_PRI, 3), &loc, &kind, &count);
  EXPECT_EQ(loc, 5);
  EXPECT_EQ(kind, VOI_PRI);
  EXPECT_EQ(count, 3);
  // A count past 4 bits stays at 15 and never spills into the other fields or bits.
  int word = voi_setvoibucket(2, VOI_TRI, 40);
  voi_getvoibucket(word, &loc, &kind, &count);
  EXPECT_EQ(loc, 2);
  EXPECT_EQ(kind, VOI_TRI);
  EXPECT_EQ(count, 15);
  EXPECT_EQ(word >> 12, 0);

  uint32_t typ = 0;
  typ = VoiTypSet(typ, 5, VOI_P2HEX);
  typ = VoiTypSet(typ, 0, VOI_TET);
  typ = VoiTypSet(typ, 5, VOI_PYR);
  EXPECT_EQ(VoiTypGet(typ, 5), VOI_PYR);
  EXPECT_EQ(VoiTypGet(typ, 0), VOI_TET);
  EXPECT_EQ(typ, (9u << 20) | 2u);
}

TEST_F(TopologyTest, TwoTetrahedraShareOneFaceAndAreBuiltBeforeReturn) {
  msh = MakeTwoTetrahedra(mem);
  testing::internal::CaptureStdout();
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("  Cpu time to compute the mesh topology :    "), std::string::npos) << out;
  EXPECT_NE(out.find("  Cpu Time to build the topology  "), std::string::npos) << out;
  // Tetrahedra without triangles: nothing else could show them, so no thread.
  EXPECT_EQ(msh->TopoThread, nullptr);
  EXPECT_EQ(TopoDoneLoad(msh), 1);
  EXPECT_EQ(msh->Tet[1].Voi[0], 2);
  EXPECT_EQ(msh->Tet[2].Voi[0], 1);
  EXPECT_EQ(msh->Tet[1].VoiTyp, static_cast<uint32_t>(VOI_TET));
  EXPECT_EQ(msh->Tet[2].VoiTyp, static_cast<uint32_t>(VOI_TET));
  for (int j = 1; j < 4; j++) EXPECT_EQ(msh->Tet[1].Voi[j] + msh->Tet[2].Voi[j], 0);
  EXPECT_TOPOLOGY(msh);
}

TEST_F(TopologyTest, OneTetrahedronMeshHasNoNeighbour) {
  msh = MakeOneTetrahedron(mem);
  // Stale values must be cleared.
  msh->Tet[1].Voi[2] = 7;
  msh->Tet[1].VoiTyp = 0xFFFF;
  msh->Tet[1].Tag |= TagBdyFace(1);
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  EXPECT_EQ(TopoDoneLoad(msh), 1);
  for (int j = 0; j < 4; j++) EXPECT_EQ(msh->Tet[1].Voi[j], 0);
  EXPECT_EQ(msh->Tet[1].VoiTyp, 0u);
  EXPECT_EQ(msh->Tet[1].Tag & TAG_BDY_FACES, 0u);
  EXPECT_EQ(fi.ErrCod, 0);
}

TEST_F(TopologyTest, NullMeshIsRefused) { EXPECT_EQ(SetupGeoMesh(&fi, nullptr), 0); }

TEST_F(TopologyTest, DeadTetrahedronIsNoNeighbour) {
  msh = MakeTwoTetrahedra(mem);
  msh->Tet[2].Tag &= ~TAG_ALIVE;
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(msh->Tet[1].Voi[0], 0);
  EXPECT_EQ(msh->Tet[2].Voi[0], 0);
}

TEST_F(TopologyTest, TwoTrianglesBecomeNeighboursAndLoneEdgesKeepNone) {
  msh = MakeTriangleFan(mem, 2, false, false);
  SetupGeoMesh(&fi, msh);
  // Edge (1 2) is local edge 2 of both triangles (1 2 k).
  EXPECT_EQ(msh->Tri[1].Voi[2], 2);
  EXPECT_EQ(msh->Tri[2].Voi[2], 1);
  EXPECT_EQ(msh->Tri[1].VoiTyp, 1u << 8);
  EXPECT_EQ(msh->Tri[2].VoiTyp, 1u << 8);
  EXPECT_EQ(msh->Tri[1].Voi[0] + msh->Tri[1].Voi[1] + msh->Tri[2].Voi[0] + msh->Tri[2].Voi[1], 0);
  EXPECT_EQ(msh->NbrEfr, 0);
  EXPECT_EQ(msh->GeoFlags & GEO_NONMANIFOLD, 0u);
  EXPECT_EQ(TopoDoneLoad(msh), 1);
}

TEST_F(TopologyTest, ThirdTriangleOnAnEdgeAddsABoundaryEdge) {
  msh = MakeTriangleFan(mem, 3, false, false);
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(msh->GeoFlags & GEO_NONMANIFOLD, static_cast<uint32_t>(GEO_NONMANIFOLD));
  ASSERT_EQ(msh->NbrEfr, 1);
  EXPECT_EQ(msh->MaxNbrEfr, 2001);  // grown from nothing to 2000 records
  EXPECT_EQ(std::min(msh->Efr[1].Ver[0], msh->Efr[1].Ver[1]), 1);
  EXPECT_EQ(std::max(msh->Efr[1].Ver[0], msh->Efr[1].Ver[1]), 2);
  EXPECT_EQ(msh->Efr[1].Tag, TAG_ALIVE | 3u);
  EXPECT_EQ(msh->Efr[1].Ref, 0);
  // The first triangle ends up with the last one met, the others with the first.
  EXPECT_EQ(msh->Tri[1].Voi[2], 3);
  EXPECT_EQ(msh->Tri[2].Voi[2], 1);
  EXPECT_EQ(msh->Tri[3].Voi[2], 1);
  EXPECT_TOPOLOGY(msh);
}

TEST_F(TopologyTest, ThirdTriangleMarksTheExistingBoundaryEdge) {
  msh = MakeTriangleFan(mem, 3, true, false);
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(msh->NbrEfr, 1);
  EXPECT_EQ(msh->Efr[1].Tag, TAG_ALIVE | 3u);
  EXPECT_EQ(msh->GeoFlags & GEO_NONMANIFOLD, static_cast<uint32_t>(GEO_NONMANIFOLD));
}

TEST_F(TopologyTest, TwentyTrianglesOnAnEdgeAddOnlyOneBoundaryEdge) {
  // Past 16 elements a 4-bit count that wrapped would meet "third element" again.
  msh = MakeTriangleFan(mem, 20, false, false);
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(msh->NbrEfr, 1);
  EXPECT_EQ(msh->Tri[1].Voi[2], 20);
  for (int i = 2; i <= 20; i++) EXPECT_EQ(msh->Tri[i].Voi[2], 1) << i;
  EXPECT_TOPOLOGY(msh);
}

TEST_F(TopologyTest, ThreeP2TrianglesAddAP2BoundaryEdgeWithItsMidNode) {
  msh = MakeTriangleFan(mem, 3, false, true);
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(msh->NbrEfr, 0);
  ASSERT_EQ(msh->NbrP2Efr, 1);
  EXPECT_EQ(msh->P2Efr[1].Ver[0], 1);
  EXPECT_EQ(msh->P2Efr[1].Ver[1], 2);
  EXPECT_EQ(msh->P2Efr[1].Ver[2], 3);  // the shared mid-node
  EXPECT_EQ(msh->P2Efr[1].Tag, TAG_ALIVE | 3u);
  // Edge (1 2) is local edge 0 of a P2 triangle.
  EXPECT_EQ(msh->P2Tri[1].Voi[0], 3);
  EXPECT_EQ(VoiTypGet(msh->P2Tri[2].VoiTyp, 0), VOI_P2TRI);
  EXPECT_EQ(msh->GeoFlags & GEO_NONMANIFOLD, static_cast<uint32_t>(GEO_NONMANIFOLD));
  EXPECT_TOPOLOGY(msh);
}

TEST_F(TopologyTest, ThreeP2TrianglesMarkTheExistingP2BoundaryEdge) {
  msh = MakeTriangleFan(mem, 3, true, true);
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(msh->NbrP2Efr, 1);
  EXPECT_EQ(msh->NbrEfr, 1);
  // Both are in the table under the same pair; one of them carries the mark.
  EXPECT_EQ((msh->P2Efr[1].Tag | msh->Efr[1].Tag) & 3u, 3u);
}

TEST_F(TopologyTest, BoundaryEdgeArrayDoublesWhenLarge) {
  // 1500 boundary edges elsewhere fill their array; the new edge doubles it.
  int siz[KmfMaxSizMsh + 10] = {};
  siz[KmfVertices] = 3010;
  siz[KmfTriangles] = 3;
  siz[KmfEdges] = 1500;
  msh = MakeSizedMesh(mem, siz);
  for (int v = 1; v <= 3010; v++) msh->Ver[++msh->NbrVer].Tag = TAG_ALIVE;
  for (int e = 1; e <= 1500; e++) {
    BdyEdge &b = msh->Efr[++msh->NbrEfr];
    b.Ver[0] = 10 + e, b.Ver[1] = 1510 + e, b.Tag = TAG_ALIVE;
  }
  for (int t = 1; t <= 3; t++) {
    Triangle &tri = msh->Tri[++msh->NbrTri];
    tri.Ver[0] = 1, tri.Ver[1] = 2, tri.Ver[2] = 2 + t, tri.Tag = TAG_ALIVE;
  }
  SetupGeoMesh(&fi, msh);
  ASSERT_EQ(msh->NbrEfr, 1501);
  EXPECT_EQ(msh->MaxNbrEfr, 3001);
  EXPECT_EQ(msh->Efr[1500].Ver[0], 1510);  // the old edges survived the growth
  EXPECT_EQ(msh->Efr[1501].Tag, TAG_ALIVE | 3u);
}

TEST_F(TopologyTest, BoundaryTrianglesCoverTetrahedraOnTheThread) {
  msh = MakeStructuredMesh(mem, 3, 3, 3, GEN_TET | GEN_TRI);
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  // The triangles can be drawn at once: the volume pass went to the thread.
  EXPECT_NE(msh->TopoThread, nullptr);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
  int covered = 0;
  for (int t = 1; t <= msh->NbrTri; t++) {
    int v = msh->Tri[t].VoiVol;
    ASSERT_GE(v, 1);
    for (int j = 0; j < 4; j++)
      if (msh->Tet[v].Voi[j] == t && VoiTypGet(msh->Tet[v].VoiTyp, j) == VOI_TRI &&
          (msh->Tet[v].Tag & TagBdyFace(j)))
        covered++;
  }
  EXPECT_EQ(covered, msh->NbrTri);
  EXPECT_EQ(StopTopoThread(msh), 1);
  EXPECT_EQ(msh->TopoThread, nullptr);
  EXPECT_EQ(StopTopoThread(msh), 0);
}

TEST_F(TopologyTest, InnerTriangleCoversTheTetrahedraOnBothSides) {
  int siz[KmfMaxSizMsh + 10] = {};
  siz[KmfVertices] = 5, siz[KmfTetrahedra] = 2, siz[KmfTriangles] = 1;
  Geometric_Mesh *two = MakeTwoTetrahedra(mem);
  msh = MakeSizedMesh(mem, siz);
  for (int v = 1; v <= 5; v++) msh->Ver[++msh->NbrVer] = two->Ver[v];
  for (int t = 1; t <= 2; t++) msh->Tet[++msh->NbrTet] = two->Tet[t];
  two = FreeCommonMesh(mem, two);
  Triangle &tri = msh->Tri[++msh->NbrTri];
  tri.Ver[0] = 2, tri.Ver[1] = 3, tri.Ver[2] = 4, tri.Tag = TAG_ALIVE;
  SetupGeoMesh(&fi, msh);
  ASSERT_TRUE(WaitTopoDone(msh));
  for (int t = 1; t <= 2; t++) {
    EXPECT_EQ(msh->Tet[t].Voi[0], 1) << t;
    EXPECT_EQ(VoiTypGet(msh->Tet[t].VoiTyp, 0), VOI_TRI) << t;
    EXPECT_TRUE(msh->Tet[t].Tag & TagBdyFace(0)) << t;
  }
  EXPECT_EQ(msh->Tri[1].VoiVol, 2);
}

class TopologyBlockTest : public TopologyTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(TopologyBlockTest, ConformingBlockMatchesTheReference) {
  msh = MakeStructuredMesh(mem, 3, 4, 2, GetParam());
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
  // Interior faces exist and are linked both ways.
  int linked = 0;
  for (int kind : {VOI_HEX, VOI_PRI, VOI_PYR})
    for (int i = 1; i <= CountOf(msh, kind); i++)
      for (int j = 0; j < LocalCount(kind); j++)
        linked += FieldsOf(msh, kind, i).Voi[j] != 0;
  EXPECT_GT(linked, 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TopologyBlockTest,
                         ::testing::Values(GEN_HEX, GEN_PRI, GEN_PYR, GEN_HEX | GEN_QUA,
                                           GEN_PRI | GEN_TRI, GEN_PYR | GEN_QUA));

TEST_F(TopologyTest, MixedKindsLinkAcrossTheirSharedFaces) {
  msh = MakeMixedBlock(mem);
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
  const Hexahedron &hex = msh->Hex[1];
  const Pyramid &pyr = msh->Pyr[1];
  EXPECT_EQ(hex.Voi[1], 1);  // top face: the pyramid's base
  EXPECT_EQ(VoiTypGet(hex.VoiTyp, 1), VOI_PYR);
  EXPECT_EQ(pyr.Voi[4], 1);
  EXPECT_EQ(VoiTypGet(pyr.VoiTyp, 4), VOI_HEX);
  for (int f = 0; f < 4; f++) {
    EXPECT_EQ(pyr.Voi[f], f + 1);
    EXPECT_EQ(VoiTypGet(pyr.VoiTyp, f), VOI_TET);
    EXPECT_EQ(msh->Tet[f + 1].Voi[3], 1);  // face 3 (b0 apex b1) lies on the pyramid
    EXPECT_EQ(VoiTypGet(msh->Tet[f + 1].VoiTyp, 3), VOI_PYR);
  }
  EXPECT_EQ(hex.Voi[2], 1);  // front face: the prism
  EXPECT_EQ(VoiTypGet(hex.VoiTyp, 2), VOI_PRI);
  EXPECT_EQ(msh->Pri[1].Voi[2], 1);
  EXPECT_EQ(VoiTypGet(msh->Pri[1].VoiTyp, 2), VOI_HEX);
  EXPECT_EQ(hex.Voi[0], 1);  // bottom face: the quadrilateral
  EXPECT_EQ(VoiTypGet(hex.VoiTyp, 0), VOI_QUA);
  EXPECT_EQ(hex.Tag & TAG_BDY_FACES, TagBdyFace(0));
  EXPECT_EQ(msh->Qua[1].VoiVol, 1);
  EXPECT_EQ(msh->Tet[1].Voi[2], 1);  // the free face covered by the triangle
  EXPECT_EQ(msh->Tet[1].Tag & TAG_BDY_FACES, TagBdyFace(2));
  EXPECT_EQ(msh->Tri[1].VoiVol, 1);
}

TEST_F(TopologyTest, SecondOrderKindsMatchTheReference) {
  for (unsigned kinds : {GEN_TET | GEN_TRI, GEN_HEX | GEN_QUA, unsigned(GEN_TET), unsigned(GEN_HEX)}) {
    Geometric_Mesh *lin = MakeStructuredMesh(mem, 2, 3, 2, kinds);
    msh = MakeSecondOrderCopy(mem, lin);
    FreeCommonMesh(mem, lin);
    ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
    ASSERT_TRUE(WaitTopoDone(msh));
    EXPECT_TOPOLOGY(msh);
    int p2Kind = msh->NbrP2Tet ? VOI_P2TET : VOI_P2HEX;
    int linked = 0;
    for (int i = 1; i <= CountOf(msh, p2Kind); i++)
      for (int j = 0; j < 4; j++) linked += VoiTypGet(*FieldsOf(msh, p2Kind, i).Typ, j) == p2Kind;
    EXPECT_GT(linked, 0) << kinds;
    msh = FreeCommonMesh(mem, msh);
  }
}

TEST_F(TopologyTest, FiftyThousandTetrahedraOnFourThreadsMatchOneThread) {
  msh = MakeStructuredMesh(mem, 16, 16, 33, GEN_TET);
  ASSERT_EQ(msh->NbrTet, 50688);
  Geometric_Mesh *ser = MakeStructuredMesh(mem, 16, 16, 33, GEN_TET);
  SetupGeoMesh(&fi, ser);
  UsePool(4);
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(TopoDoneLoad(msh), 1);
  EXPECT_TOPOLOGY(msh);
  int diff = 0;
  for (int i = 1; i <= msh->NbrTet; i++)
    diff += memcmp(msh->Tet[i].Voi, ser->Tet[i].Voi, sizeof(msh->Tet[i].Voi)) != 0 ||
            msh->Tet[i].VoiTyp != ser->Tet[i].VoiTyp || msh->Tet[i].Tag != ser->Tet[i].Tag;
  EXPECT_EQ(diff, 0);
  FreeCommonMesh(mem, ser);
}

TEST_F(TopologyTest, SetupDeclaresTheMeshLoopTypes) {
  UsePool(2);
  msh = MakeStructuredMesh(mem, 3, 3, 3, GEN_TET | GEN_TRI);
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(CheckTypeLines(fi.Par->Pool, fi.Par->TetTyp, msh->NbrTet), fi.Par->TetTyp);
  EXPECT_NE(fi.Par->TetTyp, 0);
  EXPECT_NE(fi.Par->TriTyp, 0);
}

// Kept reachable for the leak check of the child that exits inside the statement.
Memory_List *gDeathMem;
Geometric_Mesh *gDeathMsh;

TEST(TopologyDeathTest, InvalidNeighbourKindEndsTheProcess) {
  // The message goes to standard output: send it where the death test looks.
  auto link = [](int kind, int storedKind) {
    dup2(2, 1);
    gDeathMem = NewMemory(100);
    gDeathMsh = MakeTriangleFan(gDeathMem, 2, false, false);
    voi_setvoiedg(gDeathMsh, 1, 0, kind, 2, voi_setvoibucket(0, storedKind, 0), 1);
  };
  EXPECT_EXIT(link(VOI_TET, VOI_TRI), ::testing::ExitedWithCode(1),
              "internal : invalid neigbhors \\.\\.\\. \\(1\\)");
  EXPECT_EXIT(link(VOI_TRI, VOI_HEX), ::testing::ExitedWithCode(1),
              "internal : invalid neigbhors \\.\\.\\. \\(2\\)");
}

}  // namespace
