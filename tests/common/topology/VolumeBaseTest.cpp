#include "tests/common/CommonTest.h"

namespace {

class VolumeBaseTest : public MeshTestBase {
 protected:
  // Every vertex of an alive tetrahedron names one that has it; the others name none.
  void ExpectBallMembers(const std::vector<int> &base) {
    std::vector<char> used(msh->NbrVer + 1, 0);
    for (int i = 1; i <= msh->NbrTet; i++)
      if (msh->Tet[i].Tag & TAG_ALIVE)
        for (int v : msh->Tet[i].Ver) used[v] = 1;
    int bad = 0;
    for (int v = 1; v <= msh->NbrVer; v++) {
      const int t = base[v];
      const bool member = t >= 1 && t <= msh->NbrTet && (msh->Tet[t].Tag & TAG_ALIVE) &&
                          std::count(msh->Tet[t].Ver, msh->Tet[t].Ver + 4, v) > 0;
      bad += used[v] ? !member : t != 0;
    }
    EXPECT_EQ(bad, 0);
  }
};

TEST_F(VolumeBaseTest, SerialWalkGivesTheHighestAliveTetrahedron) {
  msh = MakeTwoTetrahedra(mem);
  std::vector<int> base(msh->NbrVer + 1, 99);
  ASSERT_EQ(SetBase3(&fi, msh, base.data()), 1);
  EXPECT_EQ(base, (std::vector<int>{0, 1, 2, 2, 2, 2}));
  msh->Tet[2].Tag &= ~TAG_ALIVE;
  SetBase3(&fi, msh, base.data());
  EXPECT_EQ(base, (std::vector<int>{0, 1, 1, 1, 1, 0}));
  EXPECT_EQ(SetBase3(&fi, msh, nullptr), 0);

  // The loop itself does not clear, and refuses bad arguments.
  msh->Tet[2].Tag |= TAG_ALIVE;
  base.assign(base.size(), -7);
  EXPECT_EQ(SetVolumeBase(nullptr, msh->NbrVer, 2, msh->Tet, base.data()), 1);
  EXPECT_EQ(base, (std::vector<int>{-7, 1, 2, 2, 2, 2}));
  EXPECT_EQ(SetVolumeBase(nullptr, msh->NbrVer, 2, nullptr, base.data()), 0);
  EXPECT_EQ(SetVolumeBase(nullptr, 0, 2, msh->Tet, base.data()), 0);
  // A vertex number outside the mesh is skipped, not written past the array.
  msh->Tet[1].Ver[0] = 1000;
  base.assign(base.size(), 0);
  SetVolumeBase(nullptr, msh->NbrVer, 2, msh->Tet, base.data());
  EXPECT_EQ(base[1], 0);
}

// On the pool, with some tetrahedra dead; then on a smaller mesh, whose walk must not be
// driven by the loop types declared for the first one.
TEST_F(VolumeBaseTest, PoolWalkGivesATetrahedronOfEveryVertex) {
  Geometric_Mesh *big = MakeStructuredMesh(mem, 10, 10, 10, GEN_TET);
  for (int i = 1; i <= big->NbrTet; i += 7) big->Tet[i].Tag &= ~TAG_ALIVE;
  fi.Par = IniMthParallel(1, nullptr, &fi, big, 4, 0, 0);
  ASSERT_NE(fi.Par->TetDepTyp, 0);
  for (int n : {10, 6}) {
    msh = n == 10 ? big : MakeStructuredMesh(mem, n, n, n, GEN_TET);
    std::vector<int> base(msh->NbrVer + 1, 5);
    ASSERT_EQ(SetBase3(&fi, msh, base.data()), 1);
    EXPECT_EQ(base[0], 0);
    ExpectBallMembers(base);
    msh = FreeCommonMesh(mem, msh);
  }
}

TEST(VolumeBaseLoop, ColorTetStoresTheColourInTheHighHalf) {
  std::vector<int> tab(10, 1);
  ColorTet_p(3, 6, 5, tab.data());
  EXPECT_EQ(tab, (std::vector<int>{1, 1, 1, 5 << 16, 5 << 16, 5 << 16, 5 << 16, 1, 1, 1}));
}

}  // namespace
