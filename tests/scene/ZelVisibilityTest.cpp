#include "common/pool/MthParallel.h"
#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelVisibility.h"

namespace {

bool visible(uint32_t tag) { return tag & TAG_VISIBLE; }

// A 4 x 4 triangle grid with two boundary edges: 7-8 on a side of triangle 11 (7, 8, 13), and
// 1-2 far from it. Vertex 13 is interior, in six triangles.
Geometric_Mesh *gridWithEdges(Memory_List *mem) {
  Geometric_Mesh *m = TriangleGrid(mem, 4, 4, {}, 2);
  AddElement(m, KmfEdges, {7, 8}, 1);
  AddElement(m, KmfEdges, {1, 2}, 1);
  return m;
}

// Numbers of the visible items of an array (1-based).
template <class T>
std::set<int> shown(const T *items, int n) {
  std::set<int> s;
  for (int i = 1; i <= n; i++)
    if (visible(items[i].Tag)) s.insert(i);
  return s;
}

class MiniMesh : public testing::Test {
 protected:
  std::set<int> shownTriangles() const { return shown(msh_->Tri, msh_->NbrTri); }
  std::set<int> shownVertices() const { return shown(msh_->Ver, msh_->NbrVer); }
  std::vector<uint32_t> allTags() const {
    std::vector<uint32_t> tags;
    for (int v = 1; v <= msh_->NbrVer; v++) tags.push_back(msh_->Ver[v].Tag);
    for (int t = 1; t <= msh_->NbrTri; t++) tags.push_back(msh_->Tri[t].Tag);
    for (int e = 1; e <= msh_->NbrEfr; e++) tags.push_back(msh_->Efr[e].Tag);
    return tags;
  }
  // Triangles with at least one vertex in the set.
  std::set<int> touching(const std::set<int> &ver) const {
    std::set<int> s;
    for (int t = 1; t <= msh_->NbrTri; t++)
      for (int v : msh_->Tri[t].Ver)
        if (ver.count(v)) s.insert(t);
    return s;
  }
  int start(int idx, int kind) {
    geoPushHybridStack(scene_->Pck, idx, kind);
    return zelInitMiniMesh(scene_);
  }
  int plus() { return zelOneMoreVisible(scene_, scene_->ZelMsh, msh_); }
  int minus() { return zelOneLessVisible(scene_->ZelMsh, msh_); }

  DisplayScene ds_{gridWithEdges, false};
  ZelScene *scene_ = ds_.get();
  Geometric_Mesh *msh_ = scene_->Msh;
};

}  // namespace

TEST_F(MiniMesh, AVertexShowsItsTrianglesThenShrinksToItself) {
  ASSERT_EQ(start(13, KmfVertices), 1);
  EXPECT_EQ(scene_->ZelMsh->MiniLvl, 2u);
  EXPECT_EQ(shownTriangles(), touching({13}));
  EXPECT_EQ(shownTriangles().size(), 6u);
  EXPECT_EQ(shownVertices(), std::set<int>{13});  // the new layer waits for the next '+'
  ASSERT_EQ(minus(), 1);
  EXPECT_EQ(scene_->ZelMsh->MiniLvl, 1u);
  EXPECT_TRUE(shownTriangles().empty());
  EXPECT_EQ(shownVertices(), std::set<int>{13});
  std::vector<uint32_t> before = allTags();
  EXPECT_EQ(minus(), 0);
  EXPECT_EQ(allTags(), before);
}

TEST_F(MiniMesh, ATriangleShowsItselfAndItsEdgesThenItsNeighbours) {
  ASSERT_EQ(start(11, KmfTriangles), 1);
  EXPECT_EQ(shownTriangles(), std::set<int>{11});
  EXPECT_TRUE(visible(msh_->Efr[1].Tag));
  EXPECT_FALSE(visible(msh_->Efr[2].Tag));
  EXPECT_EQ(scene_->ZelMsh->TriEnt->NbrVis, 1u);
  ASSERT_EQ(plus(), 1);
  EXPECT_EQ(shownTriangles(), touching({7, 8, 13}));
  EXPECT_EQ(shownVertices(), (std::set<int>{7, 8, 13}));
  ASSERT_EQ(plus(), 1);
  std::set<int> ring;
  for (int t : touching({7, 8, 13}))
    for (int v : msh_->Tri[t].Ver) ring.insert(v);
  EXPECT_EQ(shownVertices(), ring);
  EXPECT_EQ(shownTriangles(), touching(ring));
}

TEST_F(MiniMesh, RefusedStartsChangeNothing) {
  std::vector<uint32_t> before = allTags();
  EXPECT_EQ(zelInitMiniMesh(scene_), 0);  // empty pick stack
  EXPECT_EQ(start(13, KmfFaceEdges), 1);  // an edge picked on a face: done, nothing to show
  EXPECT_EQ(allTags(), before);
  CaptureStdout();
  EXPECT_EQ(start(1, KmfNormalAtVertices), 0);
  EXPECT_CONTAINS(GetCapturedStdout(), "only Triangles. Other case not yet implemented");
  EXPECT_EQ(start(99, KmfTriangles), 0);  // out of range
  // No mini mesh was started: '+' and '-' refuse.
  EXPECT_EQ(plus() + minus(), 0);
  EXPECT_EQ(allTags(), before);
}

TEST_F(MiniMesh, BoxKeepsVerticesStrictlyInside) {
  const double box[6] = {0.5, 0.5, -1, 2, 3.5, 1};  // x = 2 is on the boundary
  ASSERT_EQ(zelSetBoxVisible(scene_->ZelMsh, msh_, box), 1);
  EXPECT_EQ(shownVertices(), (std::set<int>{7, 12, 17}));  // (1, 1), (1, 2), (1, 3)
  EXPECT_EQ(scene_->ZelMsh->VerEnt->NbrVis, 3u);
  EXPECT_EQ(scene_->ZelMsh->VerEnt->Lvl[8], 0);  // (2, 1), on the boundary
  EXPECT_EQ(scene_->ZelMsh->VerEnt->Lvl[12], 1);
  EXPECT_TRUE(shownTriangles().empty());
}

// A curved triangle starts as a straight one does, from all six of its nodes: it shows with the
// straight triangle and the edge lying on those nodes; the quadrilateral and the tetrahedron,
// which reach other vertices, stay hidden.
TEST(Visibility, APickedP2TriangleStartsAMiniMesh) {
  DisplayScene ds(EveryKindMesh, false);
  Geometric_Mesh *m = ds->Msh;
  geoPushHybridStack(ds->Pck, 1, KmfTrianglesP2);  // nodes 1, 3, 9, 2, 6, 5
  ASSERT_EQ(zelInitMiniMesh(ds.get()), 1);
  EXPECT_EQ(shown(m->Ver, m->NbrVer), (std::set<int>{1, 2, 3, 5, 6, 9}));
  EXPECT_TRUE(visible(m->P2Tri[1].Tag) && visible(m->Tri[1].Tag) && visible(m->Efr[1].Tag));
  EXPECT_FALSE(visible(m->Qua[1].Tag) || visible(m->Tet[1].Tag));
}

TEST(Visibility, APyramidNeedsAllFiveVertices) {
  DisplayScene ds(
      [](Memory_List *mem) {
        Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 5}, {KmfPyramids, 1}});
        for (int v = 0; v < 5; v++) AddVertex(m, v % 2, v / 2 % 2, v / 4);
        AddElement(m, KmfPyramids, {1, 2, 4, 3, 5}, 1);
        return m;
      },
      false);
  Geometric_Mesh *msh = ds->Msh;
  for (int hidden = 0; hidden <= 5; hidden++) {
    zelSetAllVisible(msh);
    if (hidden < 5) msh->Ver[hidden + 1].Tag &= ~TAG_VISIBLE;
    ASSERT_EQ(zelUpdateVisibility(ds->ZelMsh, msh), 1);
    EXPECT_EQ(visible(msh->Pyr[1].Tag), hidden == 5) << hidden;
    EXPECT_EQ(ds->ZelMsh->PyrEnt->NbrVis, hidden == 5 ? 1u : 0u);
  }
  ASSERT_EQ(zelDelAllVisible(msh), 1);
  EXPECT_FALSE(visible(msh->Ver[3].Tag) || visible(msh->Pyr[1].Tag));
  EXPECT_EQ(zelSetAllVisible(nullptr) + zelUpdateVisibility(nullptr, msh), 0);
}

// Shown on the pool's threads, every record of every covered kind gets the bit and keeps its
// other bits.
TEST(Visibility, ShowingAllOnThePoolSetsEveryRecordsBitAlone) {
  Memory_List *mem = NewMemory(1000);
  Common_MthParallel *par = NewMthParallel(4, 0, 0);
  Geometric_Mesh *m = MakeStructuredMesh(mem, 9, 10, 11, GEN_TET | GEN_TRI | GEN_HEX | GEN_EFR);
  for (int t = 1; t <= m->NbrTet; t += 5) m->Tet[t].Tag = TagBdyFace(t % 4);
  std::vector<uint32_t> before;
  for (int t = 1; t <= m->NbrTet; t++) before.push_back(m->Tet[t].Tag);
  ASSERT_EQ(zelSetAllVisibleOnPool(m, par->Pool), 1);
  for (int t = 1; t <= m->NbrTet; t++) ASSERT_EQ(m->Tet[t].Tag, before[t - 1] | TAG_VISIBLE) << t;
  for (int v = 1; v <= m->NbrVer; v++) ASSERT_TRUE(visible(m->Ver[v].Tag)) << v;
  for (int k = 1; k <= m->NbrHex; k++) ASSERT_TRUE(visible(m->Hex[k].Tag)) << k;
  for (int k = 1; k <= m->NbrTri; k++) ASSERT_TRUE(visible(m->Tri[k].Tag)) << k;
  for (int k = 1; k <= m->NbrEfr; k++) ASSERT_TRUE(visible(m->Efr[k].Tag)) << k;
  EXPECT_EQ(zelSetAllVisibleOnPool(nullptr, par->Pool), 0);
  FreeCommonMesh(mem, m);
  FreeMthParallel(par);
  FreeMemory(mem);
}
