#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/support/CaptureText.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelTransform.h"

namespace {

// Triangles 1-2-3 (reference 3) and 3-4-5 (reference 8) over five vertices, opened as a scene.
class Transforms : public testing::Test {
 protected:
  void SetUp() override {
    mem_ = NewMemory(1000);
    msh_ = NewRoomyMesh(mem_, 3, {{KmfVertices, 5}, {KmfTriangles, 2}});
    AddVertex(msh_, 1, 0, 0), AddVertex(msh_, 2, 0, 0), AddVertex(msh_, 2, 1, 0);
    AddVertex(msh_, 4, 1, 0), AddVertex(msh_, 4, 3, 1);
    AddElement(msh_, KmfTriangles, {1, 2, 3}, 3);
    AddElement(msh_, KmfTriangles, {3, 4, 5}, 8);
    CaptureStdout();
    scene_ = OpenHeadless(mem_, nullptr, msh_);
    GetCapturedStdout();
    zel_ = scene_->ZelMsh;
  }
  void TearDown() override {
    zelFreeScene(mem_, scene_);
    EXPECT_EQ(mem_->NbrActive, 0);
    FreeMemory(mem_);
  }
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
      EXPECT_FLOAT_EQ(zel_->Crd[v][i],
                      static_cast<float>((msh_->Ver[v].Crd[i] - scene_->Ctr[i]) * scene_->InvDmaxSca))
          << v << " " << i;
  }

  Memory_List *mem_ = nullptr;
  Geometric_Mesh *msh_ = nullptr;
  ZelScene *scene_ = nullptr;
  ZelMesh *zel_ = nullptr;
};

}  // namespace

TEST_F(Transforms, TranslationOfEveryVertexLeavesThePicture) {
  std::vector<double> c = coords();
  std::vector<float> d = display();
  const double t[3] = {1, -2, 0.5};
  CaptureStdout();
  ASSERT_EQ(zelTransMesh(mem_, zel_, msh_, scene_->Ctr, KmfTriangles, -1, t, scene_->InvDmaxSca), 1);
  EXPECT_EQ(GetCapturedStdout(), "   TRANSLATION x(1.000000) y(-2.000000) z(0.500000)\n");
  for (size_t k = 0; k < c.size(); k++) EXPECT_EQ(msh_->Ver[1 + k / 3].Crd[k % 3], c[k] + t[k % 3]);
  EXPECT_EQ(display(), d);
}

TEST_F(Transforms, TranslationOfOneReferenceMovesItsVerticesOnly) {
  std::vector<double> c = coords();
  const double t[3] = {0, 0, 5};
  CaptureStdout();
  ASSERT_EQ(zelTransMesh(mem_, zel_, msh_, scene_->Ctr, KmfTriangles, 3, t, scene_->InvDmaxSca), 1);
  EXPECT_CONTAINS(GetCapturedStdout(), "   ONLY FOR REF : 3 on P1 Triangles\n");
  for (int v = 1; v <= 5; v++) {
    EXPECT_EQ(msh_->Ver[v].Crd[2], c[3 * (v - 1) + 2] + (v <= 3 ? 5 : 0)) << v;
    expectDisplayed(v);
  }
  EXPECT_NE(msh_->Ver2Tri, nullptr);  // the ball stays with the mesh
}

TEST_F(Transforms, RotationAboutZWritesRadiansBack) {
  double angles[3] = {0, 0, 90};
  CaptureStdout();
  ASSERT_EQ(zelRotatMesh(mem_, zel_, msh_, scene_->Ctr, KmfTriangles, -1, 0, angles, scene_->InvDmaxSca), 1);
  GetCapturedStdout();
  // The degree factor has 13 good digits.
  EXPECT_NEAR(msh_->Ver[1].Crd[0], 0, 1e-12);
  EXPECT_NEAR(msh_->Ver[1].Crd[1], -1, 1e-12);
  EXPECT_NEAR(msh_->Ver[5].Crd[0], 3, 1e-12);  // (4, 3, 1) -> (3, -4, 1)
  EXPECT_NEAR(msh_->Ver[5].Crd[1], -4, 1e-12);
  EXPECT_EQ(msh_->Ver[5].Crd[2], 1);
  EXPECT_NEAR(angles[2], M_PI / 2, 1e-12);
  EXPECT_EQ(angles[0], 0);
  expectDisplayed(5);
  // About the mean of the selected vertices (3, 4, 5 now at x = 1, 1, 3), the mean stays.
  double a2[3] = {30, 40, 50};
  CaptureStdout();
  zelRotatMesh(mem_, zel_, msh_, scene_->Ctr, KmfTriangles, 8, 1, a2, scene_->InvDmaxSca);
  GetCapturedStdout();
  EXPECT_NEAR(msh_->Ver[3].Crd[0] + msh_->Ver[4].Crd[0] + msh_->Ver[5].Crd[0], 5, 1e-12);
  EXPECT_NEAR(msh_->Ver[1].Crd[1], -1, 1e-12);  // not of reference 8
}

TEST_F(Transforms, ScalingDoublesEveryCoordinate) {
  std::vector<double> c = coords();
  const double f[3] = {2, 2, 2};
  CaptureStdout();
  ASSERT_EQ(zelSclMesh(mem_, zel_, msh_, scene_->Ctr, KmfTriangles, -1, f, scene_->InvDmaxSca), 1);
  GetCapturedStdout();
  for (size_t k = 0; k < c.size(); k++) EXPECT_EQ(msh_->Ver[1 + k / 3].Crd[k % 3], 2 * c[k]);
  expectDisplayed(4);
  EXPECT_EQ(zelSclMesh(mem_, zel_, nullptr, scene_->Ctr, 6, -1, f, 1), 0);
}

TEST_F(Transforms, DisplayCoordinatesStayInTheirArrayAfterTheMeshGrew) {
  Function_Interface fi;
  DefaultFunInterface(&fi, mem_, nullptr, "ZELVANE");
  const double d[3] = {0, 0, 1};
  ASSERT_EQ(zelExtrude(&fi, msh_, d, 3, 1.0), 1);
  ASSERT_GT(msh_->NbrVer, zel_->MaxNbrCrd);
  EXPECT_EQ(zelUpdateZelMeshCrd(scene_), 1);
  const double t[3] = {1, 1, 1};
  CaptureStdout();
  zelTransMesh(mem_, zel_, msh_, scene_->Ctr, KmfTriangles, 3, t, scene_->InvDmaxSca);
  GetCapturedStdout();
  expectDisplayed(1);
}

TEST(Extrusion, OneTriangleInTwoLayers) {
  Memory_List *mem = NewMemory(1000);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "ZELVANE");
  Geometric_Mesh *msh = NewRoomyMesh(mem, 3, {{KmfVertices, 3}, {KmfTriangles, 1}, {KmfEdges, 1}});
  AddVertex(msh, 0, 0, 0, 4), AddVertex(msh, 1, 0, 0), AddVertex(msh, 0, 1, 0);
  AddElement(msh, KmfTriangles, {1, 2, 3}, 6);
  AddElement(msh, KmfEdges, {1, 2}, 7);
  msh->Ver[1].Tag |= 3;  // ends a line of boundary edges
  const double d[3] = {0, 0, 1};
  ASSERT_EQ(zelExtrude(&fi, msh, d, 2, 0.5), 1);
  EXPECT_EQ(msh->NbrVer, 9);
  EXPECT_EQ(msh->NbrTri, 2);
  EXPECT_EQ(msh->NbrPri, 2);
  EXPECT_EQ(msh->NbrEfr, 2 * 1 + 1 * 2);
  EXPECT_EQ(msh->NbrQua, 2);
  EXPECT_EQ(msh->Ver[8].Crd[2], 1.0);
  EXPECT_EQ(msh->Ver[7].Ref, 4);
  EXPECT_EQ(std::vector<int>(msh->Pri[2].Ver, msh->Pri[2].Ver + 6), (std::vector<int>{4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(msh->Pri[2].Ref, 6);
  EXPECT_EQ(std::vector<int>(msh->Tri[2].Ver, msh->Tri[2].Ver + 3), (std::vector<int>{7, 8, 9}));
  EXPECT_EQ(std::vector<int>(msh->Qua[2].Ver, msh->Qua[2].Ver + 4), (std::vector<int>{4, 5, 8, 7}));
  EXPECT_EQ(msh->Qua[2].Ref, 7);
  EXPECT_EQ(std::vector<int>(msh->Efr[4].Ver, msh->Efr[4].Ver + 2), (std::vector<int>{4, 7}));
  EXPECT_EQ(msh->Efr[4].Ref, 4);
  EXPECT_TRUE(msh->Pri[1].Tag & TAG_ALIVE);
  FreeCommonMesh(mem, msh);

  // A side along the direction, a 2-D mesh and a volume mesh are refused unchanged.
  msh = NewRoomyMesh(mem, 3, {{KmfVertices, 3}, {KmfTriangles, 1}});
  AddVertex(msh, 0, 0, 0), AddVertex(msh, 0, 0, 2), AddVertex(msh, 0, 1, 0);
  AddElement(msh, KmfTriangles, {1, 2, 3}, 6);
  EXPECT_EQ(zelExtrude(&fi, msh, d, 2, 0.5), 0);
  EXPECT_EQ(msh->NbrVer, 3);
  EXPECT_EQ(msh->MaxNbrVer, 3);
  msh->Dim = 2;
  const double x[3] = {1, 0, 0};
  EXPECT_EQ(zelExtrude(&fi, msh, x, 1, 1), 0);
  FreeCommonMesh(mem, msh);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}
