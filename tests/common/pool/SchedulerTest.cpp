// Scheduled launches over the tetrahedra of a generated mesh: packages that share a vertex
// block must never run at the same time, and every tetrahedron must run exactly once.
#include <condition_variable>
#include <future>
#include <mutex>

#include "tests/common/CommonTest.h"

namespace {

// Records, for every vertex block, how many packages hold it right now.
struct Watch {
  const Geometric_Mesh *Msh;
  int BlkSiz, Threads, HoldUs = 100;
  std::vector<std::atomic<int>> Holders, Runs;
  std::atomic<int> Conflicts{0}, BadThread{0};
  Watch(const Geometric_Mesh *m, int blkSiz, int threads)
      : Msh(m), BlkSiz(blkSiz), Threads(threads),
        Holders(static_cast<size_t>((m->NbrVer + blkSiz - 1) / blkSiz) + 1),
        Runs(static_cast<size_t>(m->NbrTet) + 1) {}
  bool EachOnce() const {
    for (size_t i = 1; i < Runs.size(); i++)
      if (Runs[i].load() != 1) return false;
    return BadThread.load() == 0;
  }
};

void watchedPackage(int beg, int end, int thr, void *arg) {
  auto *w = static_cast<Watch *>(arg);
  if (thr < 0 || thr >= w->Threads) w->BadThread++;
  std::vector<int> blocks;
  for (int i = beg; i <= end; i++) {
    w->Runs[static_cast<size_t>(i)]++;
    for (int v : w->Msh->Tet[i].Ver) blocks.push_back((v - 1) / w->BlkSiz);
  }
  std::sort(blocks.begin(), blocks.end());
  blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
  for (int b : blocks)
    if (w->Holders[static_cast<size_t>(b)]++ != 0) w->Conflicts++;
  // Hold the blocks long enough for another package to be run meanwhile.
  std::this_thread::sleep_for(std::chrono::microseconds(w->HoldUs));
  for (int b : blocks) w->Holders[static_cast<size_t>(b)]--;
}

class Scheduler : public MeshTestBase, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    msh = MakeStructuredMesh(mem, 20, 20, 20, GEN_TET);
    ASSERT_EQ(msh->NbrTet, 48000);
  }
  void ExpectSafeLaunch(ParallelPool *par, int tet, int ver) {
    const int threads = GetParam();
    Watch w(msh, par->Typ[tet].DepSiz, threads);
    float busy = LaunchParallel(par, tet, ver, watchedPackage, &w);
    EXPECT_GE(busy, 0.0f);
    EXPECT_LE(busy, static_cast<float>(threads));
    EXPECT_EQ(w.Conflicts.load(), 0) << threads << " threads";
    EXPECT_TRUE(w.EachOnce());
  }
};

TEST_P(Scheduler, PackagesSharingAVertexBlockNeverRunTogether) {
  ParallelPool *par = InitParallel(GetParam());
  ASSERT_NE(par, nullptr);
  int tet = NewType(par, msh->NbrTet), ver = NewType(par, msh->NbrVer);
  ASSERT_GT(BeginDependency(par, tet, ver), 0);
  for (int i = 1; i <= msh->NbrTet; i++) AddDependencyFast(par, 1, &i, 4, msh->Tet[i].Ver);
  float stats[2];
  ASSERT_EQ(EndDependency(par, stats), 1);
  EXPECT_GT(stats[0], 0.0f);
  EXPECT_GE(stats[1], stats[0]);
  for (int round = 0; round < 2; round++) ExpectSafeLaunch(par, tet, ver);
  StopParallel(par);
}

INSTANTIATE_TEST_SUITE_P(Threads, Scheduler, ::testing::Values(1, 2, 3, 8));

// The mesh-level entry declares the same dependencies from the mesh's tetrahedra.
class MeshScheduler : public Scheduler {};

TEST_P(MeshScheduler, SetTetDependencyKeepsSharedVerticesApart) {
  Common_MthParallel *mth = NewMthParallel(GetParam(), 0, 0);
  ASSERT_NE(mth, nullptr);
  SetTetDependency(mth, msh);
  ASSERT_NE(mth->TetDepTyp, 0);
  ASSERT_NE(mth->VerTyp, 0);
  ExpectSafeLaunch(mth->Pool, mth->TetDepTyp, mth->VerTyp);
  FreeMthParallel(mth);
}

INSTANTIATE_TEST_SUITE_P(Threads, MeshScheduler, ::testing::Values(2, 3, 8));

// The same check must be able to fail: scheduled packages without declared dependencies
// share vertices.
using SchedulerCheck = MeshTestBase;

TEST_F(SchedulerCheck, UndeclaredDependenciesDoConflict) {
  msh = MakeStructuredMesh(mem, 20, 20, 20, GEN_TET);
  ParallelPool *par = InitParallel(8);
  ASSERT_NE(par, nullptr);
  Watch w(msh, 1, 8);
  w.HoldUs = 2000;
  LaunchParallel(par, NewType(par, msh->NbrTet), NewType(par, msh->NbrVer), watchedPackage, &w);
  EXPECT_GT(w.Conflicts.load(), 0);
  EXPECT_TRUE(w.EachOnce());
  StopParallel(par);
}

// Two packages that share one dependency block, marked in the first word of their rows or past
// it, and packages without any, on a pool of two threads. The two head the list: the first goes
// to the first thread, and the other thread's first package is the second of the two when the
// scheduler lets them run together, else the next one of the list. The first of the two to
// start holds on until a package of the other thread has started, so a scheduler that lets
// them run together is caught at every run, whatever the load; the time-outs only turn a hang
// into a failure.
struct PairWatch {
  int PkgSiz = 1;
  std::mutex Lock;
  std::condition_variable Changed;
  int Started = 0, PairStarted = 0, PairRunning = 0;
  std::vector<int> Runs;
  bool Together = false, TimedOut = false;
};

void pairPackage(int beg, int, int, void *arg) {
  auto *w = static_cast<PairWatch *>(arg);
  const int pkg = (beg - 1) / w->PkgSiz;
  std::unique_lock<std::mutex> hold(w->Lock);
  w->Runs[static_cast<size_t>(pkg)]++;
  w->Started++;
  w->Changed.notify_all();
  if (pkg > 1) return;
  if (w->PairRunning) w->Together = true;
  w->PairRunning++;
  if (++w->PairStarted == 1 &&
      !w->Changed.wait_for(hold, std::chrono::seconds(60), [&] { return w->Started >= 2; }))
    w->TimedOut = true;
  w->PairRunning--;
}

TEST(SchedulerMarks, PackagesSharingABlockInAnyWordOfTheirRowsNeverRunTogether) {
  const struct {
    const char *What;
    int Shared;     // the line of type 2 whose block the two share
    bool FirstWord;  // its block is marked in the first word of their rows
  } rows[] = {{"in the first word", 100, true}, {"past the first word", 5000, false}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.What);
    ParallelPool *par = InitParallel(2);
    ASSERT_NE(par, nullptr);
    const int t1 = NewType(par, 384), t2 = NewType(par, 10000);
    ASSERT_GT(t1, 0);
    ASSERT_GT(t2, 0);
    ASSERT_GE(BeginDependency(par, t1, t2), 2) << "rows of more than one word";
    const LoopType &pkgs = par->Typ[t1];
    ASSERT_EQ((r.Shared - 1) / pkgs.DepSiz < 32, r.FirstWord);
    // The two first packages share its block and hold one block each of their own: the most
    // constrained, they head the list, the packages without a mark after them.
    const int first[2] = {1, 1 + pkgs.PkgSiz}, own[2] = {9000, 9900};
    const int blocks[2][2] = {{r.Shared, own[0]}, {r.Shared, own[1]}};
    for (int k = 0; k < 2; k++) ASSERT_EQ(AddDependencyFast(par, 1, &first[k], 2, blocks[k]), 1);
    ASSERT_EQ(EndDependency(par, nullptr), 1);
    for (int round = 0; round < 2; round++) {
      SCOPED_TRACE("launch " + std::to_string(round + 1));
      auto *w = new PairWatch;  // left to a launch that never returns
      w->PkgSiz = pkgs.PkgSiz;
      w->Runs.assign(static_cast<size_t>(pkgs.NbrPkg), 0);
      std::packaged_task<float()> task([&] { return LaunchParallel(par, t1, t2, pairPackage, w); });
      std::future<float> done = task.get_future();
      std::thread launcher(std::move(task));
      if (done.wait_for(std::chrono::seconds(120)) != std::future_status::ready) {
        launcher.detach();
        FAIL() << "the launch never ended: a package was held back for good";
      }
      launcher.join();
      EXPECT_GE(done.get(), 0.0f);
      EXPECT_FALSE(w->Together) << "the two packages ran at once";
      EXPECT_FALSE(w->TimedOut);
      EXPECT_EQ(w->Runs, std::vector<int>(static_cast<size_t>(pkgs.NbrPkg), 1));
      delete w;
    }
    StopParallel(par);
  }
}

}  // namespace
