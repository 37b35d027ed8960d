// The background topology thread: stopped at any moment, joined, never touching what the
// caller freed, and sharing the tag words with the main thread's clipping and visibility.
#include "tests/common/CommonTest.h"

namespace {

class TopoThreadTest : public MeshTestBase {
 protected:
  void SetUp() override { fi.Par = NewMthParallel(2, 0, 0); }
  // Tetrahedra with their bottom triangles: the volume pass goes to the thread.
  Geometric_Mesh *Threaded(int n) { return MakeStructuredMesh(mem, n, n, n, GEN_TET | GEN_TRI); }
};

TEST_F(TopoThreadTest, StopRightAfterSetupReturnsOnlyOnceTheThreadHasEnded) {
  for (int round = 0; round < 8; round++) {
    msh = Threaded(20);  // 48000 tetrahedra: the thread is still at work when asked to stop
    ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
    ASSERT_NE(msh->TopoThread, nullptr);
    if (round % 2) std::this_thread::sleep_for(std::chrono::milliseconds(round));
    EXPECT_EQ(StopTopoThread(msh), 1);
    EXPECT_EQ(msh->TopoThread, nullptr);
    // A thread still running could yet publish its neighbours; an ended one cannot, and
    // freeing at once would let the address checks catch one still writing.
    int done = TopoDoneLoad(msh);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(TopoDoneLoad(msh), done);
    msh = FreeCommonMesh(mem, msh);
  }
}

TEST_F(TopoThreadTest, ThreadKeepsItsOwnCopyOfTheCallersInterface) {
  msh = Threaded(12);
  {
    auto *caller = new Function_Interface(fi);
    SetupGeoMesh(caller, msh);
    // The caller's record goes away while the thread runs; scribble over it first.
    memset(caller, 0xA5, sizeof(*caller));
    delete caller;
  }
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
}

TEST_F(TopoThreadTest, SettingUpAgainOrFreeingStopsThePreviousThread) {
  msh = Threaded(12);
  SetupGeoMesh(&fi, msh);
  SetupGeoMesh(&fi, msh);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
  msh = FreeCommonMesh(mem, msh);
  msh = Threaded(20);
  SetupGeoMesh(&fi, msh);
  ASSERT_NE(msh->TopoThread, nullptr);
  msh = FreeCommonMesh(mem, msh);
  EXPECT_EQ(mem->NbrActive, 0);  // the thread record went with the mesh
}

TEST_F(TopoThreadTest, ClipAndVisibilityBitsSetWhileTheThreadBuilds) {
  msh = Threaded(20);
  SetupGeoMesh(&fi, msh);
  // Clipping and visibility on the main thread, on the tag words the thread marks covered
  // faces in: no update of either side may be lost.
  int rounds = 0;
  do {
    for (int i = 1; i <= msh->NbrTet; i++) {
      TagAtomicAnd(&msh->Tet[i].Tag, ~(TAG_CLIPPED | TAG_VISIBLE));
      TagAtomicOr(&msh->Tet[i].Tag, (i + rounds) % 2 ? TAG_CLIPPED : TAG_VISIBLE);
    }
    rounds++;
  } while (!TopoDoneLoad(msh) && rounds < 100000);
  for (int i = 1; i <= msh->NbrTet; i++) TagAtomicOr(&msh->Tet[i].Tag, TAG_CLIPPED | TAG_VISIBLE);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);  // covered faces carry their bits
  int full = 0;
  for (int i = 1; i <= msh->NbrTet; i++)
    full += (msh->Tet[i].Tag & (TAG_ALIVE | TAG_CLIPPED | TAG_VISIBLE)) ==
            (TAG_ALIVE | TAG_CLIPPED | TAG_VISIBLE);
  EXPECT_EQ(full, msh->NbrTet);
}

// A deferred volume pass waits until started: nothing built meanwhile, the handle held; started
// once, it builds the reference neighbours; dropped while waiting (stop, setting up again,
// freeing), it leaves nothing behind. Tetrahedra without triangles are built at once anyway.
TEST_F(TopoThreadTest, DeferredPassWaitsForItsStartAndCanBeDropped) {
  msh = Threaded(12);
  ASSERT_EQ(SetupGeoMeshDeferred(&fi, msh), 1);
  ASSERT_NE(msh->TopoThread, nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(TopoDoneLoad(msh), 0);
  EXPECT_EQ(msh->Tet[1].Voi[0] + msh->Tet[1].Voi[1] + msh->Tet[1].Voi[2] + msh->Tet[1].Voi[3], 0);
  EXPECT_EQ(StartDeferredTopology(msh), 1);
  EXPECT_EQ(StartDeferredTopology(msh), 0);  // already started
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
  EXPECT_EQ(StopTopoThread(msh), 1);

  SetupGeoMeshDeferred(&fi, msh);
  EXPECT_EQ(TopoDoneLoad(msh), 0);
  EXPECT_EQ(StopTopoThread(msh), 1);
  EXPECT_EQ(msh->TopoThread, nullptr);
  EXPECT_EQ(StartDeferredTopology(msh), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(TopoDoneLoad(msh), 0);
  SetupGeoMeshDeferred(&fi, msh);
  SetupGeoMesh(&fi, msh);  // drops the waiting pass, runs its own
  ASSERT_TRUE(WaitTopoDone(msh));
  SetupGeoMeshDeferred(&fi, msh);
  msh = FreeCommonMesh(mem, msh);
  EXPECT_EQ(mem->NbrActive, 0);

  msh = MakeStructuredMesh(mem, 3, 3, 3, GEN_TET);
  ASSERT_EQ(SetupGeoMeshDeferred(&fi, msh), 1);
  EXPECT_EQ(msh->TopoThread, nullptr);
  EXPECT_EQ(TopoDoneLoad(msh), 1);
}

}  // namespace
