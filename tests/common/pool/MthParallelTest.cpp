#include "tests/common/CommonTest.h"

namespace {

class MthParallel : public MeshTestBase {
 protected:
  void MakeMesh(int ver, int tet, int tri) {
    msh = MakeSizedMesh(mem, {{KmfVertices, ver}, {KmfTetrahedra, tet}, {KmfTriangles, tri}});
    ASSERT_NE(msh, nullptr);
    msh->NbrVer = ver;
    msh->NbrTet = tet;
    msh->NbrTri = tri;
  }
  int Types(ParallelPool *par) {
    int types = -1;
    return GetPoolInformation(par, nullptr, &types), types;
  }
};

TEST_F(MthParallel, PoolSizesAndOneThreadDeclaresNothing) {
  Common_MthParallel *mth = NewMthParallel(100, 2, 1);
  ASSERT_TRUE(mth && mth->Pool && mth->Pool2);
  EXPECT_EQ(std::vector<int>({mth->Pool->NbrCpu, mth->Pool2->NbrCpu, mth->Pool3 != nullptr}), (std::vector<int>{64, 2, 0}));
  EXPECT_EQ(FreeMthParallel(mth), nullptr);
  EXPECT_EQ(FreeMthParallel(nullptr), nullptr);

  MakeMesh(1000, 0, 500);
  mth = NewMthParallel(1, 0, 0);
  ASSERT_NE(mth, nullptr);
  EXPECT_EQ(mth->Pool, nullptr);
  SetMeshDependency(mth, msh);
  EXPECT_EQ(mth->VerTyp, 0);
  // A started pool of one thread: loops run serially, no type is declared.
  mth->Pool = InitParallel(1);
  ASSERT_NE(mth->Pool, nullptr);
  SetMeshDependency(mth, msh);
  EXPECT_EQ(std::vector<int>({mth->VerTyp, mth->TriTyp, Types(mth->Pool)}), std::vector<int>(3, 0));
  FreeMthParallel(mth);
}

TEST_F(MthParallel, KindsFollowTheMeshAndEmptyKindsLoseTheirType) {
  MakeMesh(1000, 0, 500);
  Common_MthParallel *mth = NewMthParallel(4, 0, 0);
  SetMeshDependency(mth, msh);
  ASSERT_NE(mth->VerTyp, 0);
  ASSERT_NE(mth->TriTyp, 0);
  EXPECT_EQ(mth->TetTyp, 0);
  EXPECT_EQ(CheckTypeLines(mth->Pool, mth->VerTyp, 1000), mth->VerTyp);
  EXPECT_EQ(CheckTypeLines(mth->Pool, mth->TriTyp, 500), mth->TriTyp);
  EXPECT_EQ(Types(mth->Pool), 2);

  // The next mesh has fewer vertices and no triangles: the triangle type must not survive
  // with the old count.
  msh->NbrVer = 600;
  msh->NbrTri = 0;
  SetMeshDependency(mth, msh);
  EXPECT_EQ(CheckTypeLines(mth->Pool, mth->VerTyp, 600), mth->VerTyp);
  EXPECT_EQ(mth->TriTyp, 0);
  EXPECT_EQ(Types(mth->Pool), 1);
  EXPECT_EQ(CheckTypeLines(mth->Pool, mth->VerTyp, 1000), 0);

  // Fewer elements than threads: no type, the caller runs serially.
  msh->NbrTri = 3;
  SetMeshDependency(mth, msh);
  EXPECT_EQ(mth->TriTyp, 0);
  SetMeshDependency(mth, nullptr);
  SetMeshDependency(nullptr, msh);
  FreeMthParallel(mth);
}

TEST_F(MthParallel, TetDependencySkipsDeadAndBrokenTetrahedra) {
  // 200 tetrahedra on 2 threads: one tetrahedron per package.
  MakeMesh(1000, 200, 0);
  for (int i = 1; i <= 200; i++) {
    for (int j = 0; j < 4; j++) msh->Tet[i].Ver[j] = (i + 200 * j) % 1000 + 1;
    msh->Tet[i].Tag = TAG_ALIVE;
  }
  msh->Tet[1].Tag = 0;        // dead
  msh->Tet[2].Ver[3] = 1001;  // nodes out of range
  msh->Tet[3].Ver[0] = -4;
  Common_MthParallel *mth = NewMthParallel(2, 0, 0);
  SetTetDependency(mth, msh);
  ASSERT_NE(mth->TetDepTyp, 0);
  ASSERT_NE(mth->VerTyp, 0);
  const LoopType &typ = mth->Pool->Typ[mth->TetDepTyp];
  ASSERT_EQ(typ.PkgSiz, 1);
  for (int k = 0; k < 3; k++) EXPECT_EQ(typ.Pkg[k].NbrDep, 0) << k;
  EXPECT_GT(typ.Pkg[3].NbrDep, 0);
  // The packages were sorted: the three empty ones come last.
  EXPECT_EQ(typ.Ord[199]->NbrDep, 0);

  // Fewer vertices than threads: no vertex type, and no tetrahedron type either, since one
  // without its vertex dependencies would let shared vertices race.
  msh->NbrVer = 1;
  for (int i = 1; i <= 200; i++) std::fill_n(msh->Tet[i].Ver, 4, 1);
  SetTetDependency(mth, msh);
  EXPECT_EQ(mth->VerTyp, 0);
  EXPECT_EQ(mth->TetDepTyp, 0);
  FreeMthParallel(mth);
}

TEST_F(MthParallel, IniCreatesTheRecordAndStoresItInTheInterface) {
  MakeMesh(1000, 0, 0);
  Common_MthParallel *mth = IniMthParallel(0, nullptr, &fi, msh, 3, 0, 0);
  ASSERT_NE(mth, nullptr);
  EXPECT_EQ(fi.Par, mth);
  EXPECT_EQ(mth->Pool->NbrCpu, 3);
  EXPECT_NE(mth->VerTyp, 0);
  EXPECT_EQ(IniMthParallel(0, mth, &fi, msh, 3, 0, 0), mth);  // freed by the fixture
}

}  // namespace
