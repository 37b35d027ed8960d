#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelTransform.h"

namespace {

// Triangles 1-2-3 (reference 3) and 3-4-5 (reference 8) over five vertices.
Geometric_Mesh *twoTriangles(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 5}, {KmfTriangles, 2}});
  AddVertex(m, 1, 0, 0), AddVertex(m, 2, 0, 0), AddVertex(m, 2, 1, 0);
  AddVertex(m, 4, 1, 0), AddVertex(m, 4, 3, 1);
  AddElement(m, KmfTriangles, {1, 2, 3}, 3);
  AddElement(m, KmfTriangles, {3, 4, 5}, 8);
  return m;
}

class Transforms : public testing::Test {
 protected:
  std::vector<double> coords() const {
    std::vector<double> c;
    for (int v = 1; v <= msh_->NbrVer; v++) c.insert(c.end(), msh_->Ver[v].Crd, msh_->Ver[v].Crd + 3);
    return c;
  }
  std::vector<float> display() const {
    return std::vector<float>(&zel_->Crd[1][0], &zel_->Crd[1][0] + 3 * msh_->NbrVer);
  }
  // Display coordinates in step with the mesh for vertex v.
  void expectDisplayed(int v) const {
    for (int i = 0; i < 3; i++)
      EXPECT_FLOAT_EQ(zel_->Crd[v][i], float((msh_->Ver[v].Crd[i] - s_->Ctr[i]) * s_->InvDmaxSca)) << v << i;
  }
  // Transforms of the triangles of reference ref (-1: every vertex); what they print.
  std::string trans(int ref, const double t[3]) {
    return CaptureText([&] {
             EXPECT_EQ(zelTransMesh(mem_, zel_, msh_, s_->Ctr, KmfTriangles, ref, t, s_->InvDmaxSca), 1);
           }).Out;
  }
  void rotate(int ref, int centre, double a[3]) {
    CaptureText([&] {
      EXPECT_EQ(zelRotatMesh(mem_, zel_, msh_, s_->Ctr, KmfTriangles, ref, centre, a, s_->InvDmaxSca), 1);
    });
  }

  DisplayScene ds_{twoTriangles, false};
  ZelScene *s_ = ds_.get();
  Memory_List *mem_ = ds_.mem();
  Geometric_Mesh *msh_ = s_->Msh;
  ZelMesh *zel_ = s_->ZelMsh;
};

}  // namespace

// With reference 3 on triangles only that reference's vertices move, the display with them;
// with reference -1 every vertex moves and the picture stays (the display is left).
TEST_F(Transforms, TranslationOfOneReferenceOrOfTheMesh) {
  std::vector<double> c = coords();
  const double up[3] = {0, 0, 5}, t[3] = {1, -2, 0.5};
  EXPECT_CONTAINS(trans(3, up), "   ONLY FOR REF : 3 on P1 Triangles\n");
  for (int v = 1; v <= 5; v++) {
    EXPECT_EQ(msh_->Ver[v].Crd[2], c[3 * (v - 1) + 2] + (v <= 3 ? 5 : 0)) << v;
    expectDisplayed(v);
  }
  EXPECT_NE(msh_->Ver2Tri, nullptr);  // the ball stays with the mesh
  c = coords();
  std::vector<float> d = display();
  EXPECT_EQ(trans(-1, t), "   TRANSLATION x(1.000000) y(-2.000000) z(0.500000)\n");
  for (size_t k = 0; k < c.size(); k++) EXPECT_EQ(msh_->Ver[1 + k / 3].Crd[k % 3], c[k] + t[k % 3]);
  EXPECT_EQ(display(), d);
}

TEST_F(Transforms, RotationAboutZWritesRadiansBackScalingDoubles) {
  double angles[3] = {0, 0, 90};
  rotate(-1, 0, angles);
  // The degree factor has 13 good digits. (4, 3, 1) -> (3, -4, 1).
  const double want[6] = {0, -1, 0, 3, -4, 1}, *p1 = msh_->Ver[1].Crd, *p5 = msh_->Ver[5].Crd;
  for (int i = 0; i < 6; i++) EXPECT_NEAR(i < 3 ? p1[i] : p5[i - 3], want[i], 1e-12) << i;
  EXPECT_EQ(std::vector<double>(angles, angles + 2), std::vector<double>(2, 0.0));
  EXPECT_NEAR(angles[2], M_PI / 2, 1e-12);
  expectDisplayed(5);
  // About the mean of the selected vertices (3, 4, 5 now at x = 1, 1, 3), the mean stays.
  double a2[3] = {30, 40, 50};
  rotate(8, 1, a2);
  EXPECT_NEAR(msh_->Ver[3].Crd[0] + msh_->Ver[4].Crd[0] + msh_->Ver[5].Crd[0], 5, 1e-12);
  EXPECT_NEAR(msh_->Ver[1].Crd[1], -1, 1e-12);  // not of reference 8
  std::vector<double> c = coords();
  const double f[3] = {2, 2, 2};
  CaptureText([&] { EXPECT_EQ(zelSclMesh(mem_, zel_, msh_, s_->Ctr, 6, -1, f, s_->InvDmaxSca), 1); });
  for (size_t k = 0; k < c.size(); k++) EXPECT_EQ(msh_->Ver[1 + k / 3].Crd[k % 3], 2 * c[k]);
  expectDisplayed(4);
}

TEST_F(Transforms, DisplayCoordinatesStayInTheirArrayAfterTheMeshGrew) {
  Function_Interface fi;
  DefaultFunInterface(&fi, mem_, nullptr, "ZELVANE");
  const double d[3] = {0, 0, 1}, t[3] = {1, 1, 1};
  ASSERT_EQ(zelExtrude(&fi, msh_, d, 3, 1.0), 1);
  ASSERT_GT(msh_->NbrVer, zel_->MaxNbrCrd);
  EXPECT_EQ(zelUpdateZelMeshCrd(s_), 1);
  trans(3, t);
  expectDisplayed(1);
}

TEST(Extrusion, OneTriangleInTwoLayersSidesAlongTheDirectionRefused) {
  Memory_List *mem = NewMemory(1000);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "ZELVANE");
  Geometric_Mesh *msh = NewRoomyMesh(mem, 3, {{KmfVertices, 3}, {KmfTriangles, 1}, {KmfEdges, 1}});
  AddVertex(msh, 0, 0, 0, 4), AddVertex(msh, 1, 0, 0), AddVertex(msh, 0, 1, 0);
  AddElement(msh, KmfTriangles, {1, 2, 3}, 6);
  AddElement(msh, KmfEdges, {1, 2}, 7);
  msh->Ver[1].Tag |= 3;  // ends a line of boundary edges
  const double d[3] = {0, 0, 1}, x[3] = {1, 0, 0};
  ASSERT_EQ(zelExtrude(&fi, msh, d, 2, 0.5), 1);
  EXPECT_EQ(std::vector<int>({msh->NbrVer, msh->NbrTri, msh->NbrPri, msh->NbrEfr, msh->NbrQua}),
            (std::vector<int>{9, 2, 2, 4, 2}));
  EXPECT_EQ(msh->Ver[8].Crd[2], 1.0);
  auto nodes = [](const int *v, int n, int ref) {
    std::vector<int> r(v, v + n);
    r.push_back(ref);
    return r;
  };
  EXPECT_EQ(nodes(msh->Pri[2].Ver, 6, msh->Pri[2].Ref), (std::vector<int>{4, 5, 6, 7, 8, 9, 6}));
  EXPECT_EQ(nodes(msh->Tri[2].Ver, 3, msh->Ver[7].Ref), (std::vector<int>{7, 8, 9, 4}));
  EXPECT_EQ(nodes(msh->Qua[2].Ver, 4, msh->Qua[2].Ref), (std::vector<int>{4, 5, 8, 7, 7}));
  EXPECT_EQ(nodes(msh->Efr[4].Ver, 2, msh->Efr[4].Ref), (std::vector<int>{4, 7, 4}));
  EXPECT_TRUE(msh->Pri[1].Tag & TAG_ALIVE);
  FreeCommonMesh(mem, msh);
  // A side along the direction, and a 2-D mesh, are refused unchanged.
  msh = NewRoomyMesh(mem, 3, {{KmfVertices, 3}, {KmfTriangles, 1}});
  AddVertex(msh, 0, 0, 0), AddVertex(msh, 0, 0, 2), AddVertex(msh, 0, 1, 0);
  AddElement(msh, KmfTriangles, {1, 2, 3}, 6);
  EXPECT_EQ(zelExtrude(&fi, msh, d, 2, 0.5), 0);
  EXPECT_EQ(msh->NbrVer + msh->MaxNbrVer, 6);
  msh->Dim = 2;
  EXPECT_EQ(zelExtrude(&fi, msh, x, 1, 1), 0);
  FreeCommonMesh(mem, msh);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}
