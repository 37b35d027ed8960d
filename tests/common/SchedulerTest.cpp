// Scheduled launches over the tetrahedra of a generated mesh: packages that share a vertex
// block must never run at the same time, and every tetrahedron must run exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "common/Memory.h"
#include "common/Mesh.h"
#include "common/MthParallel.h"
#include "common/Parallel.h"

namespace {

// A cube of n^3 cells, each cut into 6 tetrahedra around its main diagonal; vertices and
// tetrahedra 1-based, four vertex numbers per tetrahedron in tets[4 (i - 1) ..].
struct TetGrid {
  int NbrVer = 0, NbrTet = 0;
  std::vector<int> Tets;
};

TetGrid makeTetGrid(int n) {
  TetGrid g;
  int m = n + 1;
  g.NbrVer = m * m * m;
  auto id = [m](int i, int j, int k) { return 1 + i + m * (j + m * k); };
  // The six paths from corner 0 to corner 7 of a cell, one tetrahedron each.
  const int paths[6][2] = {{1, 3}, {1, 5}, {2, 3}, {2, 6}, {4, 5}, {4, 6}};
  for (int k = 0; k < n; k++)
    for (int j = 0; j < n; j++)
      for (int i = 0; i < n; i++) {
        int c[8];
        for (int b = 0; b < 8; b++) c[b] = id(i + (b & 1), j + ((b >> 1) & 1), k + ((b >> 2) & 1));
        for (auto &p : paths) {
          int t[4] = {c[0], c[p[0]], c[p[1]], c[7]};
          g.Tets.insert(g.Tets.end(), t, t + 4);
        }
      }
  g.NbrTet = static_cast<int>(g.Tets.size() / 4);
  return g;
}

// Records, for every vertex block, how many packages hold it right now.
struct Watch {
  const int *Tets = nullptr;
  int BlkSiz = 1;
  int Threads = 1;
  int HoldUs = 100;
  std::vector<std::atomic<int>> Holders, Runs;
  std::atomic<int> Conflicts{0}, BadThread{0};
  Watch(const TetGrid &g, int blkSiz, int threads)
      : Tets(g.Tets.data()), BlkSiz(blkSiz), Threads(threads),
        Holders(static_cast<size_t>((g.NbrVer + blkSiz - 1) / blkSiz) + 1),
        Runs(static_cast<size_t>(g.NbrTet) + 1) {}
  bool EachOnce() const {
    for (size_t i = 1; i < Runs.size(); i++)
      if (Runs[i].load() != 1) return false;
    return true;
  }
};

void watchedPackage(int beg, int end, int thr, void *arg) {
  auto *w = static_cast<Watch *>(arg);
  if (thr < 0 || thr >= w->Threads) w->BadThread++;
  std::vector<int> blocks;
  for (int i = beg; i <= end; i++) {
    w->Runs[static_cast<size_t>(i)]++;
    for (int j = 0; j < 4; j++) blocks.push_back((w->Tets[4 * (i - 1) + j] - 1) / w->BlkSiz);
  }
  std::sort(blocks.begin(), blocks.end());
  blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
  for (int b : blocks)
    if (w->Holders[static_cast<size_t>(b)]++ != 0) w->Conflicts++;
  // Hold the blocks long enough for another package to be run meanwhile.
  std::this_thread::sleep_for(std::chrono::microseconds(w->HoldUs));
  for (int b : blocks) w->Holders[static_cast<size_t>(b)]--;
}

class Scheduler : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { grid = makeTetGrid(20); }
  TetGrid grid;
};

TEST_P(Scheduler, PackagesSharingAVertexBlockNeverRunTogether) {
  const int threads = GetParam();
  ASSERT_EQ(grid.NbrTet, 48000);
  ParallelPool *par = InitParallel(threads);
  ASSERT_NE(par, nullptr);
  int tet = NewType(par, grid.NbrTet), ver = NewType(par, grid.NbrVer);
  ASSERT_GT(BeginDependency(par, tet, ver), 0);
  for (int i = 1; i <= grid.NbrTet; i++) AddDependencyFast(par, 1, &i, 4, &grid.Tets[4 * (i - 1)]);
  float stats[2];
  ASSERT_EQ(EndDependency(par, stats), 1);
  EXPECT_GT(stats[0], 0.0f);
  EXPECT_GE(stats[1], stats[0]);

  for (int round = 0; round < 2; round++) {
    Watch w(grid, par->Typ[tet].DepSiz, threads);
    float busy = LaunchParallel(par, tet, ver, watchedPackage, &w);
    EXPECT_GE(busy, 0.0f);
    EXPECT_LE(busy, static_cast<float>(threads));
    EXPECT_EQ(w.Conflicts.load(), 0) << threads << " threads";
    EXPECT_TRUE(w.EachOnce());
    EXPECT_EQ(w.BadThread.load(), 0);
  }
  StopParallel(par);
}

// The same check must be able to fail: static blocks ignore the dependencies, and neighbouring
// blocks share the vertices of their common layer.
TEST(SchedulerCheck, StaticBlocksDoConflict) {
  TetGrid grid = makeTetGrid(20);
  ParallelPool *par = InitParallel(8);
  ASSERT_NE(par, nullptr);
  int tet = NewType(par, grid.NbrTet);
  Watch w(grid, 1, 8);
  w.HoldUs = 50000;  // long enough for the blocks to overlap even on a loaded machine
  LaunchParallel(par, tet, 0, watchedPackage, &w);
  EXPECT_GT(w.Conflicts.load(), 0);
  EXPECT_TRUE(w.EachOnce());
  // Scheduled packages without declared dependencies conflict as well.
  int ver = NewType(par, grid.NbrVer);
  Watch s(grid, 1, 8);
  s.HoldUs = 2000;
  LaunchParallel(par, tet, ver, watchedPackage, &s);
  EXPECT_GT(s.Conflicts.load(), 0);
  EXPECT_TRUE(s.EachOnce());
  StopParallel(par);
}

INSTANTIATE_TEST_SUITE_P(Threads, Scheduler, ::testing::Values(1, 2, 3, 8));

// The mesh-level entry declares the same dependencies from the mesh's tetrahedra.
class MeshScheduler : public ::testing::TestWithParam<int> {};

TEST_P(MeshScheduler, SetTetDependencyKeepsSharedVerticesApart) {
  const int threads = GetParam();
  TetGrid grid = makeTetGrid(20);
  Memory_List *mem = NewMemory(100);
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfVertices] = grid.NbrVer;
  siz[KmfTetrahedra] = grid.NbrTet;
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  ASSERT_NE(msh, nullptr);
  msh->NbrVer = grid.NbrVer;
  msh->NbrTet = grid.NbrTet;
  for (int i = 1; i <= grid.NbrTet; i++) {
    std::copy_n(&grid.Tets[4 * (i - 1)], 4, msh->Tet[i].Ver);
    msh->Tet[i].Tag = TAG_ALIVE;
  }
  Common_MthParallel *mth = NewMthParallel(threads, 0, 0);
  ASSERT_NE(mth, nullptr);
  SetTetDependency(mth, msh);
  ASSERT_NE(mth->TetDepTyp, 0);
  ASSERT_NE(mth->VerTyp, 0);
  Watch w(grid, mth->Pool->Typ[mth->TetDepTyp].DepSiz, threads);
  float busy = LaunchParallel(mth->Pool, mth->TetDepTyp, mth->VerTyp, watchedPackage, &w);
  EXPECT_GE(busy, 0.0f);
  EXPECT_LE(busy, static_cast<float>(threads));
  EXPECT_EQ(w.Conflicts.load(), 0);
  EXPECT_TRUE(w.EachOnce());
  FreeMthParallel(mth);
  FreeCommonMesh(mem, msh);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

INSTANTIATE_TEST_SUITE_P(Threads, MeshScheduler, ::testing::Values(2, 3, 8));

}  // namespace
