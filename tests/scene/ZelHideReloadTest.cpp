#include "common/load/SolutionLoad.h"
#include "tests/scene/InteractionScene.h"
#include "tests/support/LoadFixtures.h"
#include "zelvane/scene/ZelHide.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelSolutionControl.h"

namespace {

// Triangles 1 and 2 (reference 1), triangle 3 dead before grouping (no record), a
// tetrahedron and a normal at vertex 1; one scalar per vertex, 1..5.
Geometric_Mesh *hideMesh(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(
      mem, 3, {{KmfVertices, 5}, {KmfTriangles, 3}, {KmfTetrahedra, 1}, {KmfNormalAtVertices, 1}}, {SOL_SCALAR});
  for (int v = 0; v < 5; v++) AddVertex(m, v & 1, (v >> 1) & 1, v >> 2);
  AddElement(m, KmfTriangles, {1, 2, 3}, 1);
  AddElement(m, KmfTriangles, {2, 4, 3}, 1);
  AddElement(m, KmfTriangles, {1, 2, 5}, 2);
  m->Tri[3].Tag = 0;
  AddElement(m, KmfTetrahedra, {1, 2, 3, 5}, 3);
  m->Nor[1] = Normal{7, 1, {0, 0, 1}, 0};
  m->NbrNor = 1;
  for (int v = 1; v <= 5; v++) VertexValue(m, v, 0) = v;
  return m;
}

class Hide : public RecordScene {
 protected:
  void SetUp() override { open(hideMesh); }
  // Presses a key with FakeHooks recording; returns its result.
  int key(char c) {
    hooks_.reset();  // the previous fakes put their table back first
    hooks_.reset(new FakeHooks);
    scene_->VieEvt->keyChar = c;
    return zelProcessKeyEvent(scene_);
  }
  void pick(int idx, int kind) { geoPushHybridStack(scene_->Pck, idx, kind); }
  bool shown(int t) const { return scene_->Msh->Tri[t].Tag & TAG_VISIBLE; }
  std::unique_ptr<FakeHooks> hooks_;
};

TEST_F(Hide, ItemHiddenAndShownAgainWithItsRecordRebuilt) {
  scene_->Flags |= ZelFlgVolumes;
  pick(1, KmfTriangles);
  EXPECT_EQ(key('x'), 1);
  EXPECT_FALSE(shown(1));
  EXPECT_EQ(rebuilds(*hooks_), (Rebuilds{{KmfTriangles, 1}, {KmfTetrahedra, 1}}));
  EXPECT_EQ(scene_->Pck->Top, -1);
  EXPECT_EQ(key('X'), 1);
  EXPECT_TRUE(shown(1));
  EXPECT_EQ(rebuilds(*hooks_), (Rebuilds{{KmfTriangles, 1}}));
  EXPECT_EQ(key('X'), 0);  // empty deleted stack
  EXPECT_EQ(key('x'), 0);  // empty picked stack
}

TEST_F(Hide, RecordHiddenAndShownWithoutRebuild) {
  pick(2, KmfTriangles);
  EXPECT_EQ(key('s'), 1);
  EXPECT_TRUE(record(KmfTriangles).Flags & ZelLstHidden);
  EXPECT_EQ(scene_->Pck->Top, -1);
  EXPECT_TRUE(called(*hooks_, "updateWidgetState"));
  EXPECT_EQ(key('S'), 1);
  EXPECT_FALSE(record(KmfTriangles).Flags & ZelLstHidden);
  EXPECT_TRUE(rebuilds(*hooks_).empty());
  EXPECT_EQ(key('S'), 0);
  EXPECT_EQ(key('s'), 0);  // empty picked stack
  // A normal's record is found and hidden like any other.
  pick(1, KmfNormalAtVertices);
  EXPECT_EQ(key('s'), 1);
  EXPECT_TRUE(record(KmfNormalAtVertices).Flags & ZelLstHidden);
}

TEST_F(Hide, RefusedEntriesAndAFullDeletedStack) {
  // A normal has no tag word, an edge on a face is a vertex pair: popped, refused.
  for (int kind : {KmfNormalAtVertices, KmfFaceEdges}) {
    pick(1, kind);
    EXPECT_EQ(key('x'), 0);
    EXPECT_EQ(scene_->Pck->Top, -1);
  }
  // A dead triangle looked up by number has no record: refused and left on the stack.
  pick(3, KmfTriangles);
  EXPECT_EQ(key('s'), 0);
  EXPECT_EQ(scene_->Pck->Top, 0);
  // With the deleted stack full the item is hidden all the same and its entry dropped.
  while (geoPushHybridStack(scene_->Del, 2, KmfTriangles)) {
  }
  pick(1, KmfTriangles);
  EXPECT_EQ(key('x'), 1);
  EXPECT_FALSE(shown(1));
  EXPECT_EQ(geoTopHybridStack(scene_->Del)->Idx, 2);
}

// ---- Reload -------------------------------------------------------------------------------

std::string solText(int kwd, const char *name, const std::vector<double> &v) {
  fixtures::FixtureFile f;
  f.Sections.push_back(fixtures::SolutionSec(kwd, name, {SOL_SCALAR}, static_cast<int64_t>(v.size()), v));
  return RawText(f);
}

TEST_F(Hide, RewrittenSolutionReloadsPalettesAndLists) {
  std::string path = fixtures::SaveNamed("reload.sol", solText(62, "SolAtVertices", {10, 20, 30, 40, 50}));
  FakeHooks hooks;
  CaptureStdout();
  EXPECT_EQ(zel_updateSol(scene_, path.c_str()), 1);
  GetCapturedStdout();
  const Geometric_Solution *sol = scene_->Msh->SolAtVer;
  EXPECT_EQ(scene_->Msh->NbrSolVer, 5);
  EXPECT_EQ(sol->Box[0][0], 10.0);
  EXPECT_EQ(sol->Box[0][1], 50.0);
  EXPECT_EQ(scene_->VieSol->ZelPal[0].Mid, 30.0);
  EXPECT_EQ(rebuilds(hooks), (Rebuilds{{KmfNormalAtVertices, 1}, {KmfVertices, 1}, {KmfTriangles, 1}}));
  EXPECT_EQ(hooks.callNames().back(), "updateGlScene");
}

TEST_F(Hide, UnfinishedFileLeavesEverythingAsItWas) {
  std::string text = solText(62, "SolAtVertices", {10, 20, 30, 40, 50});
  std::string path = fixtures::SaveNamed("unfinished.sol", text.substr(0, text.rfind("End")));
  double mid = scene_->VieSol->ZelPal[0].Mid;
  FakeHooks hooks;
  CaptureStdout();
  EXPECT_EQ(zel_updateSol(scene_, path.c_str()), 2);
  GetCapturedStdout();
  EXPECT_EQ(scene_->Msh->NbrSolVer, 5);
  EXPECT_EQ(VertexValue(scene_->Msh, 5, 0), 5.0);
  EXPECT_EQ(scene_->VieSol->ZelPal[0].Mid, mid);
  EXPECT_TRUE(hooks.ListCalls.empty());
  EXPECT_FALSE(called(hooks, "updateGlScene"));
}

// One tetrahedron carrying a scalar.
Geometric_Mesh *tetSolution(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 4}, {KmfTetrahedra, 1}});
  for (int v = 0; v < 4; v++) AddVertex(m, v == 1, v == 2, v == 3);
  AddElement(m, KmfTetrahedra, {1, 2, 3, 4}, 1);
  const int types[1] = {SOL_SCALAR};
  m->SolAtTet = NewCommonSolution(mem, 1, 1, 1, types);
  m->MaxSolTet = 2, m->NbrSolTet = 1;
  m->SolAtTet->Sol[1] = 3;
  return m;
}

TEST(Reload, ElementSolutionReloadsWithItsPalettes) {
  DisplayScene scene(tetSolution);
  std::string text = solText(66, "SolAtTetrahedra", {8});
  std::string path = fixtures::SaveNamed("tets.sol", text), cut = fixtures::SaveNamed("cut.sol", text.substr(0, text.rfind("End")));
  CaptureStdout();
  EXPECT_EQ(zel_updateSol(scene.get(), cut.c_str()), 2);
  EXPECT_EQ(scene->Msh->NbrSolTet, 1);
  EXPECT_EQ(zel_updateSol(scene.get(), path.c_str()), 1);
  GetCapturedStdout();
  EXPECT_EQ(scene->Msh->NbrSolTet, 1);
  EXPECT_EQ(scene->Msh->SolAtTet->Sol[1], 8.0);
  EXPECT_EQ(scene->VieSol->ZelPal[0].Mid, 8.0);
}

}  // namespace
