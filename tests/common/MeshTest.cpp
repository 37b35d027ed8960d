#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/FunctionInterface.h"
#include "common/Memory.h"
#include "common/Mesh.h"

namespace {

class MeshModel : public ::testing::Test {
 protected:
  void SetUp() override {
    mem = NewMemory(1000);
    siz.assign(KmfMaxSizMsh + 10, 0);
  }
  void TearDown() override {
    // Every block the model took must be back.
    EXPECT_EQ(mem->NbrActive, 0);
    EXPECT_EQ(mem->CurMem, 0);
    FreeMemory(mem);
  }
  bool HasLabel(const char *text) const {
    for (MemoryChunk *c = mem->UsedChunks; c; c = c->Nxt)
      if (strstr(c->Label, text)) return true;
    return false;
  }
  Memory_List *mem = nullptr;
  std::vector<int> siz;
};

TEST_F(MeshModel, NullSizeArrayGivesEmptyMesh) {
  Geometric_Mesh *msh = NewCommonMesh(mem, nullptr);
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(mem->NbrActive, 1);
  EXPECT_EQ(msh->Dim, 0);
  EXPECT_EQ(msh->GeoFlags, 0u);
  EXPECT_EQ(msh->TopoThread, nullptr);
  EXPECT_EQ(msh->MaxNbrVer, 0);
  EXPECT_EQ(msh->NbrTet, 0);
  EXPECT_EQ(msh->MaxNbrRef, 0);
  EXPECT_EQ(msh->Ver, nullptr);
  EXPECT_EQ(msh->P2Hex, nullptr);
  EXPECT_EQ(msh->SolAtVer, nullptr);
  EXPECT_EQ(msh->Ver2Efr, nullptr);
  EXPECT_EQ(msh->MshNam[0], 0);
  EXPECT_EQ(FreeCommonMesh(mem, msh), nullptr);
  EXPECT_EQ(FreeCommonMesh(mem, nullptr), nullptr);
}

TEST_F(MeshModel, SizeArrayGivesCapacitiesAndClearedEntryZero) {
  const int kinds[] = {KmfVertices,    KmfBoundaryVertices, KmfEdges,       KmfVolumeEdges,
                       KmfEdgesP2,     KmfTriangles,        KmfTrianglesP2, KmfQuadrilaterals,
                       KmfQuadrilateralsQ2, KmfTetrahedra,  KmfTetrahedraP2, KmfPyramids,
                       KmfPrisms,      KmfHexahedra,        KmfHexahedraQ2, KmfNormals,
                       KmfReferences};
  int n = 3;
  for (int k : kinds) siz[k] = n++;
  siz[KmfFileType] = FILE_TYPE_SU2;
  siz[KmfCorners] = 7;  // flags only: no array
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(mem->NbrActive, 18);  // the mesh and 17 arrays
  EXPECT_EQ(msh->FileType, FILE_TYPE_SU2);
  EXPECT_EQ(msh->MaxNbrVer, 3);
  EXPECT_EQ(msh->MaxNbrVfr, 4);
  EXPECT_EQ(msh->MaxNbrEfr, 5);
  EXPECT_EQ(msh->MaxNbrEdg, 6);
  EXPECT_EQ(msh->MaxNbrP2Efr, 7);
  EXPECT_EQ(msh->MaxNbrTri, 8);
  EXPECT_EQ(msh->MaxNbrP2Tri, 9);
  EXPECT_EQ(msh->MaxNbrQua, 10);
  EXPECT_EQ(msh->MaxNbrP2Qua, 11);
  EXPECT_EQ(msh->MaxNbrTet, 12);
  EXPECT_EQ(msh->MaxNbrP2Tet, 13);
  EXPECT_EQ(msh->MaxNbrPyr, 14);
  EXPECT_EQ(msh->MaxNbrPri, 15);
  EXPECT_EQ(msh->MaxNbrHex, 16);
  EXPECT_EQ(msh->MaxNbrP2Hex, 17);
  EXPECT_EQ(msh->MaxNbrNor, 18);
  EXPECT_EQ(msh->MaxNbrRef, 19);
  EXPECT_EQ(msh->NbrVer, 0);
  EXPECT_EQ(msh->NbrTri, 0);
  EXPECT_EQ(msh->SolAtVer, nullptr);
  EXPECT_TRUE(HasLabel("A msh->Ver = sizeof(Vertex)*(msh->MaxNbrVer+1) IN FUNCTION NewCommonMesh"));
  EXPECT_TRUE(HasLabel("A msh->P2Hex = sizeof(P2Hexahedron)*(msh->MaxNbrP2Hex+1)"));

  // Entry 0 exists and reads as an empty record; the last entry is writable.
  const Vertex zeroVer = {};
  EXPECT_EQ(memcmp(&msh->Ver[0], &zeroVer, sizeof(Vertex)), 0);
  const Triangle zeroTri = {};
  EXPECT_EQ(memcmp(&msh->Tri[0], &zeroTri, sizeof(Triangle)), 0);
  const P2Hexahedron zeroHex = {};
  EXPECT_EQ(memcmp(&msh->P2Hex[0], &zeroHex, sizeof(P2Hexahedron)), 0);
  msh->Ver[msh->MaxNbrVer].Ref = 1;
  msh->P2Hex[msh->MaxNbrP2Hex].Ref = 1;
  msh->Ref[msh->MaxNbrRef].Ref = 1;
  FreeCommonMesh(mem, msh);
}

TEST_F(MeshModel, VertexSolutionIsAttachedClearedAndBoxed) {
  siz[KmfVertices] = 20;
  siz[KmfSolAtVertices] = 20;
  siz[KmfSolSizTot] = 4;
  siz[KmfSolNbrFld] = 2;
  siz[KmfSolTypes] = SOL_SCALAR;
  siz[KmfSolTypes + 1] = SOL_SYMMAT;
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  ASSERT_NE(msh, nullptr);
  Geometric_Solution *sol = msh->SolAtVer;
  ASSERT_NE(sol, nullptr);
  EXPECT_EQ(sol->NbrFld, 2);
  EXPECT_EQ(sol->SizTot, 4);
  EXPECT_EQ(sol->SizFld[0], SOL_SCALAR);
  EXPECT_EQ(sol->SizFld[1], SOL_SYMMAT);
  EXPECT_EQ(sol->FileType, 2);
  EXPECT_EQ(msh->MaxSolVer, 80);
  EXPECT_EQ(msh->NbrSolVer, 0);
  for (int i = 0; i < 2; i++) {
    EXPECT_EQ(sol->Box[i][0], DBL_MAX);
    EXPECT_EQ(sol->Box[i][1], -DBL_MAX);
    EXPECT_EQ(sol->FldNam[i][0], 0);
  }
  for (int i = 0; i < 21 * 4; i++) ASSERT_EQ(sol->Sol[i], 0.0) << i;
  EXPECT_EQ(msh->SolAtTet, nullptr);
  FreeCommonMesh(mem, msh);
}

TEST_F(MeshModel, ElementSolutionMayFitTheSecondOrderCount) {
  siz[KmfTetrahedra] = 5;
  siz[KmfTetrahedraP2] = 10;
  siz[KmfSolAtTetrahedra] = 10;
  siz[KmfSolSizTot] = 3;
  siz[KmfSolNbrFld] = 1;
  siz[KmfSolTypes] = SOL_VECTOR;
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  ASSERT_NE(msh, nullptr);
  ASSERT_NE(msh->SolAtTet, nullptr);
  EXPECT_EQ(msh->MaxSolTet, 30);
  msh->SolAtTet->Sol[10 * 3 + 2] = 1.0;  // the last entity's last value is in the array
  FreeCommonMesh(mem, msh);

  // Fits the linear count: sized by it.
  siz[KmfSolAtTetrahedra] = 4;
  msh = NewCommonMesh(mem, siz.data());
  ASSERT_NE(msh->SolAtTet, nullptr);
  EXPECT_EQ(msh->MaxSolTet, 15);
  FreeCommonMesh(mem, msh);

  // Hexahedra, triangles, quadrilaterals, prisms and pyramids land in their own slots.
  struct {
    int Sol, Ele;
    Geometric_Solution *Geometric_Mesh::*Slot;
    int Geometric_Mesh::*Max;
  } const cases[] = {
      {KmfSolAtHexahedra, KmfHexahedraQ2, &Geometric_Mesh::SolAtHex, &Geometric_Mesh::MaxSolHex},
      {KmfSolAtTriangles, KmfTriangles, &Geometric_Mesh::SolAtTri, &Geometric_Mesh::MaxSolTri},
      {KmfSolAtQuadrilaterals, KmfQuadrilateralsQ2, &Geometric_Mesh::SolAtQua, &Geometric_Mesh::MaxSolQua},
      {KmfSolAtPrisms, KmfPrisms, &Geometric_Mesh::SolAtPri, &Geometric_Mesh::MaxSolPri},
      {KmfSolAtPyramids, KmfPyramids, &Geometric_Mesh::SolAtPyr, &Geometric_Mesh::MaxSolPyr},
  };
  for (const auto &c : cases) {
    siz.assign(KmfMaxSizMsh + 10, 0);
    siz[c.Ele] = 6;
    siz[c.Sol] = 6;
    siz[KmfSolSizTot] = 1;
    siz[KmfSolNbrFld] = 1;
    siz[KmfSolTypes] = SOL_SCALAR;
    msh = NewCommonMesh(mem, siz.data());
    ASSERT_NE(msh, nullptr);
    EXPECT_NE(msh->*c.Slot, nullptr) << c.Sol;
    EXPECT_EQ(msh->*c.Max, 6) << c.Sol;
    EXPECT_EQ(msh->SolAtVer, nullptr);
    FreeCommonMesh(mem, msh);
  }
}

TEST_F(MeshModel, InconsistentSolutionIsIgnoredWithMessages) {
  siz[KmfVertices] = 5;
  siz[KmfSolAtVertices] = 6;
  siz[KmfTetrahedra] = 10;  // a later, consistent request is not looked at: the first decides
  siz[KmfSolAtTetrahedra] = 10;
  siz[KmfSolSizTot] = 1;
  siz[KmfSolNbrFld] = 1;
  siz[KmfSolTypes] = SOL_SCALAR;
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->SolAtVer, nullptr);
  EXPECT_EQ(msh->SolAtTet, nullptr);
  EXPECT_EQ(msh->MaxNbrVer, 5);
  EXPECT_NE(err.find("  ## ERROR: NEWCOMMONMESH: INCONSISTENT SIZE IN # OF SOLUTION(6) >  # OF VERTICES(5) \n"
                     "  SOLUTION FIELD IGNORED. \n"),
            std::string::npos)
      << err;
  FreeCommonMesh(mem, msh);

  // A field count that would read past the size array is refused, not followed.
  siz[KmfSolAtVertices] = 5;
  siz[KmfSolNbrFld] = KmfMaxSizMsh;
  testing::internal::CaptureStderr();
  msh = NewCommonMesh(mem, siz.data());
  err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->SolAtVer, nullptr);
  EXPECT_NE(err.find("SOLUTION FIELD IGNORED"), std::string::npos);
  FreeCommonMesh(mem, msh);

  // So is one whose capacity in values would not fit the int capacity.
  siz[KmfVertices] = 1000;
  siz[KmfSolAtVertices] = 1000;
  siz[KmfSolNbrFld] = 1;
  siz[KmfSolSizTot] = 3000000;
  testing::internal::CaptureStderr();
  msh = NewCommonMesh(mem, siz.data());
  err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->SolAtVer, nullptr);
  EXPECT_EQ(msh->MaxSolVer, 0);
  EXPECT_NE(err.find("SOLUTION FIELD IGNORED"), std::string::npos);
  FreeCommonMesh(mem, msh);
}

TEST_F(MeshModel, FailedArrayAllocationFreesThePartialMesh) {
  siz[KmfVertices] = 10;
  siz[KmfHexahedra] = INT_MAX;  // more records than an int capacity can count
  testing::internal::CaptureStderr();
  EXPECT_EQ(NewCommonMesh(mem, siz.data()), nullptr);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("  ## ERROR: NEWCOMMONMESH: ALLOCATION FAILED FOR HEXAHEDRON ARRAY \n"),
            std::string::npos);

  siz[KmfHexahedra] = 0;
  siz[KmfPrisms] = INT_MAX;
  testing::internal::CaptureStderr();
  EXPECT_EQ(NewCommonMesh(mem, siz.data()), nullptr);
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("  ## ERROR: NEWMESH: ALLOCATION FAILED FOR PRISM ARRAY \n"), std::string::npos);
}

TEST_F(MeshModel, GrowthKeepsRecordsAndCounts) {
  Geometric_Mesh *msh = NewCommonMesh(mem, nullptr);
  ASSERT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 10), 1);
  EXPECT_EQ(msh->MaxNbrTri, 11);
  EXPECT_EQ(msh->NbrTri, 0);
  const Triangle zeroTri = {};
  EXPECT_EQ(memcmp(&msh->Tri[0], &zeroTri, sizeof(Triangle)), 0);
  for (int i = 1; i <= 11; i++) msh->Tri[i].Ref = 100 + i;  // 12 records: 0..11
  msh->NbrTri = 11;
  EXPECT_TRUE(HasLabel("A msh->Tri = (NewSize+1)*sizeof(Triangle)"));

  ASSERT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 1000), 1);
  EXPECT_EQ(msh->MaxNbrTri, 1001);
  EXPECT_EQ(msh->NbrTri, 11);
  for (int i = 1; i <= 11; i++) EXPECT_EQ(msh->Tri[i].Ref, 100 + i);
  msh->Tri[1001].Ref = 1;

  // A capacity below the count is refused and the array left alone.
  Triangle *before = msh->Tri;
  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 5), 0);
  EXPECT_EQ(msh->Tri, before);
  EXPECT_EQ(msh->MaxNbrTri, 1001);
  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 10), 1);  // exactly the count fits
  EXPECT_EQ(msh->MaxNbrTri, 11);
  EXPECT_EQ(msh->Tri[11].Ref, 111);

  // Every kind with an array grows.
  for (int k : {KmfVertices, KmfEdges, KmfQuadrilaterals, KmfTetrahedra, KmfPrisms, KmfHexahedra,
                KmfTrianglesP2, KmfEdgesP2, KmfQuadrilateralsQ2, KmfTetrahedraP2, KmfHexahedraQ2,
                KmfPyramids, KmfNormals, KmfBoundaryVertices, KmfVolumeEdges, KmfReferences})
    EXPECT_EQ(NewCommonMeshEntity(mem, msh, k, 3), 1) << k;
  EXPECT_EQ(msh->MaxNbrP2Hex, 4);
  EXPECT_EQ(msh->MaxNbrRef, 4);
  msh->Ref[4].Ref = 1;
  msh->P2Hex[4].Ref = 1;

  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 0), 0);
  EXPECT_EQ(NewCommonMeshEntity(mem, nullptr, KmfTriangles, 10), 0);
  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfSolAtVertices, 10), 0);  // no vertex solution
  testing::internal::CaptureStderr();
  EXPECT_EQ(NewCommonMeshEntity(mem, msh, 11, 10), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "  ## ERROR: NEWCOMMONMESHENTITY: INVALID/UNKNOWN TYPE 11 \n");
  FreeCommonMesh(mem, msh);
}

TEST_F(MeshModel, VertexGrowthCarriesTheVertexSolution) {
  siz[KmfVertices] = 4;
  siz[KmfSolAtVertices] = 4;
  siz[KmfSolSizTot] = 2;
  siz[KmfSolNbrFld] = 1;
  siz[KmfSolTypes] = SOL_VECTOR;
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  ASSERT_NE(msh->SolAtVer, nullptr);
  for (int v = 1; v <= 4; v++) {
    msh->Ver[v].Crd[0] = v;
    msh->SolAtVer->Sol[2 * v] = 10 * v;
    msh->SolAtVer->Sol[2 * v + 1] = 10 * v + 1;
  }
  msh->NbrVer = msh->NbrSolVer = 4;

  ASSERT_EQ(NewCommonMeshEntity(mem, msh, KmfVertices, 9), 1);
  EXPECT_EQ(msh->MaxNbrVer, 10);
  EXPECT_EQ(msh->MaxSolVer, 20);
  for (int v = 1; v <= 4; v++) {
    EXPECT_EQ(msh->Ver[v].Crd[0], v);
    EXPECT_EQ(msh->SolAtVer->Sol[2 * v], 10 * v);
    EXPECT_EQ(msh->SolAtVer->Sol[2 * v + 1], 10 * v + 1);
  }
  for (int i = 2 * 5; i < 2 * 11; i++) EXPECT_EQ(msh->SolAtVer->Sol[i], 0.0) << i;

  // Kind 62 grows the values alone.
  ASSERT_EQ(NewCommonMeshEntity(mem, msh, KmfSolAtVertices, 20), 1);
  EXPECT_EQ(msh->MaxSolVer, 42);
  EXPECT_EQ(msh->MaxNbrVer, 10);
  EXPECT_EQ(msh->SolAtVer->Sol[2 * 4 + 1], 41);
  EXPECT_EQ(msh->SolAtVer->Sol[2 * 21 + 1], 0.0);
  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfSolAtVertices, 2), 0);  // below the values read
  FreeCommonMesh(mem, msh);
}

TEST_F(MeshModel, SolutionCreationRefusesBadInput) {
  int types[2] = {SOL_SCALAR, SOL_VECTOR};
  testing::internal::CaptureStderr();
  EXPECT_EQ(NewCommonSolution(mem, 0, 1, 1, types), nullptr);
  EXPECT_EQ(NewCommonSolution(mem, 5, 0, 1, types), nullptr);
  EXPECT_EQ(NewCommonSolution(mem, 5, 1, 0, types), nullptr);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("  ## ERROR: NEWCOMMONSOLUTION: WRONG INPUT PARAMETER NBRENTMAX=0 \n"), std::string::npos);

  Geometric_Solution *sol = NewCommonSolution(mem, 5, 4, 2, types);
  ASSERT_NE(sol, nullptr);
  EXPECT_EQ(sol->SizFld[1], SOL_VECTOR);
  strncpy(sol->FldNam[1], "\"Pressure\"", SolFldNamLen);
  EXPECT_EQ(FreeCommonSolution(mem, sol), nullptr);
  EXPECT_EQ(FreeCommonSolution(mem, nullptr), nullptr);
}

TEST_F(MeshModel, MemoryReportAndFileVersion) {
  siz[KmfVertices] = 100;
  siz[KmfTriangles] = 10;
  siz[KmfHexahedra] = 2;
  siz[KmfTetrahedraP2] = 50;  // second-order kinds are not counted
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  msh->NbrVer = 50;
  msh->NbrTri = 10;
  double out[2] = {-1, -1};
  EXPECT_EQ(GetMeshMem(msh, out), 50 * 64 + 10 * 56);
  EXPECT_EQ(out[0], 100 * 64 + 10 * 56 + 2 * 76);
  EXPECT_EQ(out[1], 50 * 64 + 10 * 56);
  FreeCommonMesh(mem, msh);

  EXPECT_EQ(GetFilVer(10), 2);
  EXPECT_EQ(GetFilVer(300000000), 3);
  EXPECT_EQ(GetFilVer(261724569), 2);  // 1.9499999 GiB
  EXPECT_EQ(GetFilVer(261724570), 3);
}

TEST(MeshNames, BaseName) {
  char out[64];
  getBaseName("a.mesh.solb", out, sizeof(out));
  EXPECT_STREQ(out, "a");
  getBaseName("run/b.meshb", out, sizeof(out));
  EXPECT_STREQ(out, "run/b");
  getBaseName("c.solb", out, sizeof(out));
  EXPECT_STREQ(out, "c");
  getBaseName("d.su2", out, sizeof(out));
  EXPECT_STREQ(out, "d.su2");
  // Extensions are looked for in the last path component only.
  getBaseName("cases/x.mesh/wing.meshb", out, sizeof(out));
  EXPECT_STREQ(out, "cases/x.mesh/wing");
  getBaseName("x.sol/wing", out, sizeof(out));
  EXPECT_STREQ(out, "x.sol/wing");
  // The output is bounded.
  char small[5];
  memset(small, 'z', sizeof(small));
  getBaseName("abcdefgh.mesh", small, sizeof(small));
  EXPECT_STREQ(small, "abcd");
}

TEST(MeshNames, PrintName) {
  char out[64];
  getPrintName(0, STATUS_BINARY_INPUT, "a", out, sizeof(out));
  EXPECT_STREQ(out, "a.meshb");
  getPrintName(0, 0, "a", out, sizeof(out));
  EXPECT_STREQ(out, "a.mesh");
  getPrintName(0, STATUS_BINARY_INPUT, "a.mesh", out, sizeof(out));
  EXPECT_STREQ(out, "a.mesh");
  getPrintName(1, 0, "a.meshb", out, sizeof(out));
  EXPECT_STREQ(out, "a.sol");
  getPrintName(1, STATUS_BINARY_INPUT, "a.meshb", out, sizeof(out));
  EXPECT_STREQ(out, "a.solb");
  getPrintName(1, STATUS_BINARY_INPUT, "a", out, sizeof(out));
  EXPECT_STREQ(out, "a.solb");
  getPrintName(1, 0, "x.mesh/a", out, sizeof(out));
  EXPECT_STREQ(out, "x.mesh/a.sol");
  char small[6];
  getPrintName(0, 0, "abcdefgh", small, sizeof(small));
  EXPECT_STREQ(small, "abcde");
}

TEST(MeshNamesDeathTest, WrongCallsEndTheProcess) {
  char out[16];
  EXPECT_EXIT(getBaseName(nullptr, out, sizeof(out)), ::testing::ExitedWithCode(100),
              "FATAL INTERNAL ERROR: WRONG CALL TO GETBASENAME");
  EXPECT_EXIT(getPrintName(2, 0, "a", out, sizeof(out)), ::testing::ExitedWithCode(100),
              "FATAL INTERNAL ERROR: WRONG CALL TO GETPRINTNAME");
  EXPECT_EXIT(getPrintName(0, 0, nullptr, out, sizeof(out)), ::testing::ExitedWithCode(100),
              "FATAL INTERNAL ERROR: WRONG CALL TO GETPRINTNAME");
}

TEST(MeshTags, BitsAndAtomicUpdatesFromManyThreads) {
  EXPECT_EQ(TagBdyFace(0), 256u);
  EXPECT_EQ(TagBdyFace(5), 8192u);
  EXPECT_EQ(TagEdgeMark(2), 1u << 18);
  EXPECT_EQ(TAG_BDY_FACES, 0x3F00u);

  // Four threads set and clear their own bits in the same words: no update may be lost.
  const int kWords = 2000, kThreads = 4, kRounds = 50;
  std::vector<uint32_t> tags(kWords, TAG_ALIVE);
  std::vector<std::thread> pool;
  for (int t = 0; t < kThreads; t++)
    pool.emplace_back([&, t] {
      uint32_t mine = 1u << t, other = 1u << (8 + t);
      for (int r = 0; r < kRounds; r++)
        for (int i = 0; i < kWords; i++) {
          TagAtomicOr(&tags[i], mine | other);
          TagAtomicAnd(&tags[i], ~other);
        }
    });
  for (std::thread &th : pool) th.join();
  for (int i = 0; i < kWords; i++) ASSERT_EQ(TagAtomicLoad(&tags[i]), TAG_ALIVE | 0xFu) << i;

  uint32_t tag = TAG_ALIVE | TAG_VISIBLE;
  EXPECT_EQ(TagAtomicAnd(&tag, ~TAG_VISIBLE), TAG_ALIVE | TAG_VISIBLE);  // returns the old word
  EXPECT_EQ(tag, TAG_ALIVE);
  EXPECT_EQ(TagAtomicOr(&tag, TAG_CLIPPED), TAG_ALIVE);
  EXPECT_EQ(tag, TAG_ALIVE | TAG_CLIPPED);
}

}  // namespace
