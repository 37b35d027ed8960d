#include "tests/scene/SceneTest.h"
#include "tests/support/LoadFixtures.h"
#include "zelvane/scene/ZelSolutionControl.h"

namespace {

// Two triangles of the unit square with a scalar 1..4 at their vertices.
Geometric_Mesh *square(Memory_List *mem) {
  Geometric_Mesh *m = TriangleGrid(mem, 1, 1, {SOL_SCALAR});
  for (int v = 1; v <= 4; v++) VertexValue(m, v, 0) = v;
  return m;
}

// A scalar solution file, whole or cut before its End.
std::string solFile(const char *name, int kwd, const char *key, const std::vector<double> &v, bool whole,
                    int dim = 3) {
  fixtures::FixtureFile f;
  f.Dim = dim;
  f.Sections.push_back(fixtures::SolutionSec(kwd, key, {SOL_SCALAR}, static_cast<int64_t>(v.size()), v));
  std::string text = RawText(f);
  return fixtures::SaveNamed(name, whole ? text : text.substr(0, text.rfind("End")));
}
int reload(ZelScene *scene, const std::string &path) {
  int res = -1;
  CaptureText([&] { res = zel_updateSol(scene, path.c_str()); });
  return res;
}

TEST(Reload, UnfinishedFileChangesNothingARewrittenOneReloadsPalettesAndLists) {
  DisplayScene ds(square);
  ZelScene *scene_ = ds.get();
  const std::vector<double> v = {10, 20, 40, 50};
  double mid = scene_->VieSol->ZelPal[0].Mid;
  FakeHooks hooks;
  EXPECT_EQ(reload(scene_, solFile("cut.sol", 62, "SolAtVertices", v, false, 2)), 2);
  EXPECT_EQ(scene_->Msh->NbrSolVer, 4);
  EXPECT_EQ(VertexValue(scene_->Msh, 4, 0), 4.0);
  EXPECT_EQ(scene_->VieSol->ZelPal[0].Mid, mid);
  EXPECT_TRUE(hooks.ListCalls.empty());
  EXPECT_FALSE(called(hooks, "updateGlScene"));
  EXPECT_EQ(reload(scene_, solFile("whole.sol", 62, "SolAtVertices", v, true, 2)), 1);
  const Geometric_Solution *sol = scene_->Msh->SolAtVer;
  EXPECT_EQ(scene_->Msh->NbrSolVer, 4);
  EXPECT_EQ(std::vector<double>({sol->Box[0][0], sol->Box[0][1], scene_->VieSol->ZelPal[0].Mid}),
            std::vector<double>({10, 50, 30}));
  EXPECT_EQ(rebuilds(hooks), (Rebuilds{{KmfVertices, 1}, {KmfTriangles, 1}}));
  EXPECT_EQ(hooks.callNames().back(), "updateGlScene");
}

// One tetrahedron carrying a scalar.
Geometric_Mesh *tetSolution(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 4}, {KmfTetrahedra, 1}});
  for (int v = 0; v < 4; v++) AddVertex(m, v == 1, v == 2, v == 3);
  AddElement(m, KmfTetrahedra, {1, 2, 3, 4}, 1);
  const int types[1] = {SOL_SCALAR};
  m->SolAtTet = NewCommonSolution(mem, 1, 1, 1, types);
  m->MaxSolTet = 1, m->NbrSolTet = 1;  // values: one entity of one scalar past entry 0
  m->SolAtTet->Sol[1] = 3;
  return m;
}

TEST(Reload, ElementSolutionReloadsWithItsPalettes) {
  DisplayScene scene(tetSolution);
  EXPECT_EQ(reload(scene.get(), solFile("tcut.sol", 66, "SolAtTetrahedra", {8}, false)), 2);
  EXPECT_EQ(scene->Msh->NbrSolTet, 1);
  EXPECT_EQ(reload(scene.get(), solFile("tets.sol", 66, "SolAtTetrahedra", {8}, true)), 1);
  EXPECT_EQ(scene->Msh->NbrSolTet, 1);
  EXPECT_EQ(scene->Msh->SolAtTet->Sol[1], 8.0);
  EXPECT_EQ(scene->VieSol->ZelPal[0].Mid, 8.0);
}

// A solver's file refused at line 3 of its values: the scene keeps what it showed, values,
// palettes and lists alike.
TEST(Reload, AFileRefusedHalfwayLeavesValuesPalettesAndListsAsTheyWere) {
  DisplayScene ds(square);
  ZelScene *scene_ = ds.get();
  const ZelPalette &pal = scene_->VieSol->ZelPal[0];
  const std::vector<double> palette = {pal.Mid, pal.Inv, pal.Iso[0], pal.Iso[4]};
  const std::vector<double> shades(pal.Sol + 1, pal.Sol + 5);
  FakeHooks hooks;
  const std::string cut = fixtures::SaveNamed(
      "cut3.sol", "MeshVersionFormatted 2\nDimension 2\nSolAtVertices\n4\n1 1\n100\n100\nabc\n100\nEnd\n");
  EXPECT_EQ(reload(scene_, cut), 0);
  for (int v = 1; v <= 4; v++) EXPECT_EQ(VertexValue(scene_->Msh, v, 0), double(v)) << v;
  EXPECT_EQ(scene_->Msh->NbrSolVer, 4);
  EXPECT_EQ(std::vector<double>({pal.Mid, pal.Inv, pal.Iso[0], pal.Iso[4]}), palette);
  EXPECT_EQ(std::vector<double>(pal.Sol + 1, pal.Sol + 5), shades);
  EXPECT_TRUE(hooks.ListCalls.empty());
  EXPECT_FALSE(called(hooks, "updateGlScene"));
}

}  // namespace
