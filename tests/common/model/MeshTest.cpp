#include "tests/common/CommonTest.h"

namespace {

// Every kind that has a record array, with its count (references have none) and capacity.
struct KindSlot {
  int Kind;
  int Geometric_Mesh::*Nbr, Geometric_Mesh::*Max;
};
using GM = Geometric_Mesh;
#define SLOT(kind, Arr) {kind, &GM::Nbr##Arr, &GM::MaxNbr##Arr}
const KindSlot kArrayKinds[] = {
    SLOT(KmfVertices, Ver),           SLOT(KmfBoundaryVertices, Vfr), SLOT(KmfEdges, Efr),         SLOT(KmfVolumeEdges, Edg),
    SLOT(KmfEdgesP2, P2Efr),          SLOT(KmfTriangles, Tri),        SLOT(KmfTrianglesP2, P2Tri), SLOT(KmfQuadrilaterals, Qua),
    SLOT(KmfQuadrilateralsQ2, P2Qua), SLOT(KmfTetrahedra, Tet),       SLOT(KmfTetrahedraP2, P2Tet), SLOT(KmfPyramids, Pyr),
    SLOT(KmfPrisms, Pri),             SLOT(KmfHexahedra, Hex),        SLOT(KmfHexahedraQ2, P2Hex), SLOT(KmfNormals, Nor),
    {KmfReferences, nullptr, &GM::MaxNbrRef}};
#undef SLOT

template <class Rec>
bool IsZero(const Rec &r) {
  const Rec zero = {};
  return std::memcmp(&r, &zero, sizeof(Rec)) == 0;
}

class MeshModel : public ::testing::Test {
 protected:
  void SetUp() override {
    mem = NewMemory(1000);
    siz.assign(KmfSizMshLen, 0);
  }
  void TearDown() override {
    // Every block the model took must be back.
    EXPECT_EQ(mem->NbrActive, 0);
    EXPECT_EQ(mem->CurMem, 0);
    FreeMemory(mem);
  }
  // A solution of nbrFld fields of the given kinds, sizTot values per entity, on `count`
  // entities of kind `sol`.
  void AskSolution(int sol, int count, int sizTot, std::vector<int> types) {
    siz[sol] = count;
    siz[KmfSolSizTot] = sizTot;
    siz[KmfSolNbrFld] = static_cast<int>(types.size());
    for (size_t i = 0; i < types.size(); i++) siz[KmfSolTypes + i] = types[i];
  }
  // Creates the mesh from siz, keeping what it printed on stderr.
  Geometric_Mesh *Create() {
    Geometric_Mesh *msh = nullptr;
    err = CaptureText([&] { msh = NewCommonMesh(mem, siz.data()); }).Err;
    return msh;
  }
  Memory_List *mem = nullptr;
  std::vector<int> siz;
  std::string err;
};

TEST_F(MeshModel, SizeArrayGivesCapacitiesAndClearedEntryZero) {
  int n = 3;
  for (const KindSlot &k : kArrayKinds) siz[k.Kind] = n++;
  siz[KmfFileType] = FILE_TYPE_SU2;
  siz[KmfCorners] = 7;  // flags only: no array
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(mem->NbrActive, 18);  // the mesh and 17 arrays
  EXPECT_EQ(msh->FileType, FILE_TYPE_SU2);
  for (const KindSlot &k : kArrayKinds) EXPECT_EQ(msh->*k.Max, siz[k.Kind]) << k.Kind;

  // Entry 0 exists and reads as an empty record; the last entry is writable.
  EXPECT_TRUE(IsZero(msh->Ver[0]) && IsZero(msh->Tri[0]) && IsZero(msh->P2Hex[0]));
  msh->Ver[msh->MaxNbrVer].Ref = 1;
  msh->P2Hex[msh->MaxNbrP2Hex].Ref = 1;
  msh->Ref[msh->MaxNbrRef].Ref = 1;
  FreeCommonMesh(mem, msh);
}

TEST_F(MeshModel, VertexSolutionIsAttachedClearedAndBoxed) {
  siz[KmfVertices] = 20;
  AskSolution(KmfSolAtVertices, 20, 4, {SOL_SCALAR, SOL_SYMMAT});
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  ASSERT_NE(msh, nullptr);
  Geometric_Solution *sol = msh->SolAtVer;
  ASSERT_NE(sol, nullptr);
  EXPECT_EQ(std::vector<int>({sol->NbrFld, sol->SizTot, sol->SizFld[1], msh->MaxSolVer}),
            (std::vector<int>{2, 4, SOL_SYMMAT, 80}));
  EXPECT_EQ(fixtures::FieldRanges(sol), (std::vector<double>{DBL_MAX, -DBL_MAX, DBL_MAX, -DBL_MAX}));
  EXPECT_EQ(sol->FldNam[0][0] | sol->FldNam[1][0], 0);
  for (int i = 0; i < 21 * 4; i++) ASSERT_EQ(sol->Sol[i], 0.0) << i;
  EXPECT_EQ(msh->SolAtTet, nullptr);
  FreeCommonMesh(mem, msh);
}

TEST_F(MeshModel, ElementSolutionsLandInTheirSlots) {
  // Sized by the second-order count when only that one fits, else by the linear count.
  siz[KmfTetrahedra] = 5;
  siz[KmfTetrahedraP2] = 10;
  for (int count : {10, 4}) {
    AskSolution(KmfSolAtTetrahedra, count, 3, {SOL_VECTOR});
    Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
    ASSERT_NE(msh->SolAtTet, nullptr);
    EXPECT_EQ(msh->MaxSolTet, count == 10 ? 30 : 15);
    msh->SolAtTet->Sol[(count == 10 ? 10 : 5) * 3 + 2] = 1.0;  // the last entity's last value
    FreeCommonMesh(mem, msh);
  }

  struct {
    int Sol, Ele;
    Geometric_Solution *Geometric_Mesh::*Slot;
    int Geometric_Mesh::*Max;
  } const cases[] = {
      {KmfSolAtHexahedra, KmfHexahedraQ2, &GM::SolAtHex, &GM::MaxSolHex},
      {KmfSolAtTriangles, KmfTriangles, &GM::SolAtTri, &GM::MaxSolTri},
      {KmfSolAtQuadrilaterals, KmfQuadrilateralsQ2, &GM::SolAtQua, &GM::MaxSolQua},
      {KmfSolAtPrisms, KmfPrisms, &GM::SolAtPri, &GM::MaxSolPri},
      {KmfSolAtPyramids, KmfPyramids, &GM::SolAtPyr, &GM::MaxSolPyr},
  };
  for (const auto &c : cases) {
    siz.assign(KmfSizMshLen, 0);
    siz[c.Ele] = 6;
    AskSolution(c.Sol, 6, 1, {SOL_SCALAR});
    Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
    ASSERT_NE(msh, nullptr);
    EXPECT_NE(msh->*c.Slot, nullptr) << c.Sol;
    EXPECT_EQ(msh->*c.Max, 6) << c.Sol;
    EXPECT_EQ(msh->SolAtVer, nullptr);
    FreeCommonMesh(mem, msh);
  }
}

TEST_F(MeshModel, InconsistentSolutionIsIgnoredWithMessages) {
  siz[KmfVertices] = 5;
  siz[KmfTetrahedra] = 10;  // a later, consistent request is not looked at: the first decides
  siz[KmfSolAtTetrahedra] = 10;
  AskSolution(KmfSolAtVertices, 6, 1, {SOL_SCALAR});
  Geometric_Mesh *msh = Create();
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->SolAtVer, nullptr);
  EXPECT_EQ(msh->SolAtTet, nullptr);
  EXPECT_EQ(msh->MaxNbrVer, 5);
  EXPECT_CONTAINS(err, "  ## ERROR: NEWCOMMONMESH: INCONSISTENT SIZE IN # OF SOLUTION(6) >  # OF VERTICES(5) \n");
  FreeCommonMesh(mem, msh);

  // A field count that would read past the size array, and a capacity in values beyond an
  // int, are refused, not followed.
  siz[KmfSolAtVertices] = 5;
  siz[KmfSolNbrFld] = KmfMaxSizMsh;
  for (int pass = 0; pass < 2; pass++) {
    if (pass == 1) {
      siz[KmfVertices] = 1000;
      AskSolution(KmfSolAtVertices, 1000, 3000000, {SOL_SCALAR});
    }
    msh = Create();
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(msh->SolAtVer, nullptr) << pass;
    EXPECT_EQ(msh->MaxSolVer, 0) << pass;
    FreeCommonMesh(mem, msh);
  }
}

TEST_F(MeshModel, FailedArrayAllocationFreesThePartialMesh) {
  siz[KmfVertices] = 10;
  siz[KmfHexahedra] = INT_MAX;  // more records than an int capacity can count
  EXPECT_EQ(Create(), nullptr);
  siz[KmfHexahedra] = 0;
  siz[KmfPrisms] = INT_MAX;
  EXPECT_EQ(Create(), nullptr);
}

TEST_F(MeshModel, EmptyMeshGrowsKeepingRecordsAndCounts) {
  Geometric_Mesh *msh = NewCommonMesh(mem, nullptr);  // no size array: an empty mesh
  ASSERT_NE(msh, nullptr);
  for (const KindSlot &k : kArrayKinds) {
    EXPECT_EQ(msh->*k.Max, 0) << k.Kind;
    EXPECT_EQ(NewCommonMeshEntity(mem, msh, k.Kind, 3), 1) << k.Kind;
    EXPECT_EQ(msh->*k.Max, 4) << k.Kind;
    if (!k.Nbr) continue;
    msh->*k.Nbr = 3;  // a capacity below the kind's own count is refused
    EXPECT_EQ(NewCommonMeshEntity(mem, msh, k.Kind, 1), 0) << k.Kind;
    msh->*k.Nbr = 0;
  }
  msh->Ref[4].Ref = 1;
  msh->P2Hex[4].Ref = 1;

  ASSERT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 10), 1);
  EXPECT_TRUE(IsZero(msh->Tri[0]));
  for (int i = 1; i <= 11; i++) msh->Tri[i].Ref = 100 + i;  // 12 records: 0..11
  msh->NbrTri = 11;
  ASSERT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 1000), 1);
  EXPECT_EQ(msh->MaxNbrTri, 1001);
  EXPECT_EQ(msh->NbrTri, 11);
  for (int i = 1; i <= 11; i++) EXPECT_EQ(msh->Tri[i].Ref, 100 + i);
  msh->Tri[1001].Ref = 1;

  // A capacity below the count is refused and the array left alone; exactly the count fits.
  Triangle *before = msh->Tri;
  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 5), 0);
  EXPECT_EQ(msh->Tri, before);
  EXPECT_EQ(msh->MaxNbrTri, 1001);
  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 10), 1);
  EXPECT_EQ(msh->MaxNbrTri, 11);
  EXPECT_EQ(msh->Tri[11].Ref, 111);

  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfTriangles, 0), 0);
  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfSolAtVertices, 10), 0);  // no vertex solution
  CaptureText([&] { EXPECT_EQ(NewCommonMeshEntity(mem, msh, 11, 10), 0); });
  EXPECT_EQ(FreeCommonMesh(mem, msh), nullptr);
}

TEST_F(MeshModel, VertexGrowthCarriesTheVertexSolution) {
  siz[KmfVertices] = 4;
  AskSolution(KmfSolAtVertices, 4, 2, {SOL_VECTOR});
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  ASSERT_NE(msh->SolAtVer, nullptr);
  double *sol = msh->SolAtVer->Sol;
  for (int i = 2; i < 10; i++) sol[i] = 10 * i;  // vertices 1..4
  for (int v = 1; v <= 4; v++) msh->Ver[v].Crd[0] = v;
  msh->NbrVer = msh->NbrSolVer = 4;

  ASSERT_EQ(NewCommonMeshEntity(mem, msh, KmfVertices, 9), 1);
  EXPECT_EQ(msh->MaxNbrVer, 10);
  EXPECT_EQ(msh->MaxSolVer, 20);
  sol = msh->SolAtVer->Sol;
  for (int v = 1; v <= 4; v++) EXPECT_EQ(msh->Ver[v].Crd[0], v);
  for (int i = 2; i < 22; i++) EXPECT_EQ(sol[i], i < 10 ? 10 * i : 0.0) << i;

  // Kind 62 grows the values alone, never below the values read.
  ASSERT_EQ(NewCommonMeshEntity(mem, msh, KmfSolAtVertices, 20), 1);
  EXPECT_EQ(msh->MaxSolVer, 42);
  EXPECT_EQ(msh->MaxNbrVer, 10);
  EXPECT_EQ(msh->SolAtVer->Sol[9], 90);
  EXPECT_EQ(msh->SolAtVer->Sol[2 * 21 + 1], 0.0);
  EXPECT_EQ(NewCommonMeshEntity(mem, msh, KmfSolAtVertices, 2), 0);
  FreeCommonMesh(mem, msh);
}

}  // namespace
