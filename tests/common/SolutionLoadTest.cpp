// Solution files: size pass, values and ranges per field type, several files, refusals,
// the "not ready" answer and reloading.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/FunctionInterface.h"
#include "common/KmfMeshFile.h"
#include "common/Memory.h"
#include "common/Mesh.h"
#include "common/MeshLoad.h"
#include "common/SolutionLoad.h"
#include "tests/support/LoadFixtures.h"

using namespace fixtures;

namespace {

FixtureFile meshFile(int dim, int nver, int ntet = 0) {
  FixtureFile f;
  f.Dim = dim;
  f.Sections.push_back(GridVertices(dim, nver));
  if (ntet) {
    std::vector<int64_t> t;
    for (int i = 0; i < ntet; i++) t.insert(t.end(), {1, 2, 3, 4, i});
    f.Sections.push_back(Lines(8, "Tetrahedra", 4, t));
  }
  return f;
}

FixtureFile solFile(int dim, FixtureSection s, int version = 2) {
  FixtureFile f;
  f.Dim = dim;
  f.Version = version;
  f.Sections.push_back(s);
  return f;
}

Geometric_Mesh *load(LoadContext &ctx, std::vector<std::string> paths, const char *sol = nullptr) {
  std::vector<char *> names;
  for (auto &p : paths) names.push_back(&p[0]);
  return geoLoadMeshAndSolution(ctx.Fi, static_cast<int>(names.size()), names.data(), sol);
}

void freeMesh(LoadContext &ctx, Geometric_Mesh *msh) {
  FreeCommonMesh(ctx.Mem, msh);
  EXPECT_EQ(ctx.Mem->NbrActive, 0);
}

TEST(SolutionLoad, ScalarVectorTensorAndMatrixFieldsWithTheirRanges) {
  // 3-D, two vertices: scalar, vector, symmetric tensor (file order xx xy yy xz yz zz), matrix.
  std::vector<double> v = {
      2, 3, 4, 0, 1, 0, 2, 0, 0, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9,          // vertex 1
      -1, 0, 0, 1, 2, 0.5, 2, 0, 0, 2, -4, 0, 0, 0, 0, 0, 0, 0, 10.5};  // vertex 2
  std::string m = SaveFixture(meshFile(3, 2), "fields.meshb", true);
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1, 2, 3, 4}, 2, v)), "fields.solb", true);
  LoadContext ctx(1);
  testing::internal::CaptureStdout();
  Geometric_Mesh *msh = load(ctx, {m});
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_NE(msh, nullptr);
  Geometric_Solution *sol = msh->SolAtVer;
  ASSERT_NE(sol, nullptr);
  EXPECT_EQ(msh->NbrSolVer, 2);
  ASSERT_EQ(sol->SizTot, 19);
  const double *s1 = sol->Sol + 19, *s2 = sol->Sol + 38;
  EXPECT_EQ(s1[0], 2);
  EXPECT_EQ(s1[1], 3);
  // Tensor of vertex 1 stored as (1, 0, 0, 2, 0, 3): determinant 6.
  const double want1[6] = {1, 0, 0, 2, 0, 3};
  for (int k = 0; k < 6; k++) EXPECT_EQ(s1[4 + k], want1[k]) << k;
  EXPECT_EQ(s2[18], 10.5);
  EXPECT_EQ(sol->Box[0][0], -1);
  EXPECT_EQ(sol->Box[0][1], 2);
  EXPECT_EQ(sol->Box[1][1], 25);  // |(3,4,0)|^2
  EXPECT_EQ(sol->Box[1][0], 1);
  // Tensor of vertex 2: (2, 0.5, 2, 0, 0, 2) gives xx xy xz yy yz zz = 2 0.5 0 2 0 2, det 7.5.
  EXPECT_DOUBLE_EQ(sol->Box[2][0], 6);
  EXPECT_DOUBLE_EQ(sol->Box[2][1], 7.5);
  EXPECT_EQ(sol->Box[3][0], -4);
  EXPECT_EQ(sol->Box[3][1], 10.5);
  EXPECT_NE(out.find("   Scalar : [-1 2] \n   Vector : [1 5] \n"), std::string::npos) << out;
  EXPECT_NE(out.find("   Matrix : [-4 10.5] \n"), std::string::npos) << out;
  freeMesh(ctx, msh);
}

TEST(SolutionLoad, VectorIn2DGivesItsSquaredLengthAndTimeAndIterationsAreRead) {
  std::string m = SaveFixture(meshFile(2, 1), "vec2d.mesh", false);
  FixtureFile s = solFile(2, SolutionSec(62, "SolAtVertices", {2}, 1, {3, 4}), 1);
  FixtureSection t;
  t.Kwd = 78;
  t.Name = "Time";
  t.Letters = "r";
  t.HasCount = false;
  t.NmbLin = 1;
  t.Reals = {2.5};
  s.Sections.push_back(t);
  FixtureSection it = t;
  it.Kwd = 77;
  it.Name = "Iterations";
  it.Letters = "i";
  it.Reals.clear();
  it.Ints = {17};
  s.Sections.push_back(it);
  SaveFixture(s, "vec2d.sol", false);
  LoadContext ctx(1);
  testing::internal::CaptureStdout();
  Geometric_Mesh *msh = load(ctx, {m});
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_NE(msh, nullptr);
  ASSERT_NE(msh->SolAtVer, nullptr);
  EXPECT_EQ(msh->SolAtVer->Box[0][0], 25);
  EXPECT_EQ(msh->Time, 2.5);
  EXPECT_EQ(msh->Iter, 17);
  EXPECT_NE(out.find("   Vector : [5 5] \n   Iteration 17 \n   Time      2.5 \n"), std::string::npos) << out;
  freeMesh(ctx, msh);
}

TEST(SolutionLoad, SymmetricTensorIn2DGivesItsDeterminant) {
  std::string m = SaveFixture(meshFile(2, 2), "met2d.meshb", true);
  SaveFixture(solFile(2, SolutionSec(62, "SolAtVertices", {3}, 2, {2, 1, 3, 4, 0, 0.5})), "met2d.solb", true);
  LoadContext ctx;
  Geometric_Mesh *msh = load(ctx, {m});
  ASSERT_NE(msh, nullptr);
  ASSERT_NE(msh->SolAtVer, nullptr);
  EXPECT_EQ(msh->SolAtVer->Sol[3 + 2], 3) << "2-D tensors keep their order";
  EXPECT_EQ(msh->SolAtVer->Box[0][0], 2);
  EXPECT_EQ(msh->SolAtVer->Box[0][1], 5);
  freeMesh(ctx, msh);
}

TEST(SolutionLoad, SolutionAtTetrahedraAndAnExplicitSolutionName) {
  std::string m = SaveFixture(meshFile(3, 4, 3), "tets.mesh", false);
  std::string s = SaveFixture(solFile(3, SolutionSec(66, "SolAtTetrahedra", {1}, 3, {5, -2, 9})), "other.sol", false);
  LoadContext ctx;
  Geometric_Mesh *msh = load(ctx, {m}, s.c_str());
  ASSERT_NE(msh, nullptr);
  ASSERT_NE(msh->SolAtTet, nullptr);
  EXPECT_EQ(msh->SolAtVer, nullptr);
  EXPECT_EQ(msh->NbrSolTet, 3);
  EXPECT_EQ(msh->SolAtTet->Sol[2], -2);
  EXPECT_EQ(msh->SolAtTet->Box[0][0], -2);
  EXPECT_EQ(msh->SolAtTet->Box[0][1], 9);
  freeMesh(ctx, msh);
}

TEST(SolutionLoad, EachFileFillsItsOwnEntities) {
  std::string a = SaveFixture(meshFile(3, 2), "multi1.mesh", false);
  std::string b = SaveFixture(meshFile(3, 3), "multi2.meshb", true);
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 2, {1, 2})), "multi1.sol", false);
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 3, {-3, 4, 5})), "multi2.solb", true);
  LoadContext ctx;
  Geometric_Mesh *msh = load(ctx, {a, b});
  ASSERT_NE(msh, nullptr);
  ASSERT_NE(msh->SolAtVer, nullptr);
  EXPECT_EQ(msh->NbrSolVer, 5);
  const double want[6] = {0, 1, 2, -3, 4, 5};
  for (int v = 1; v <= 5; v++) EXPECT_EQ(msh->SolAtVer->Sol[v], want[v]) << v;
  EXPECT_EQ(msh->SolAtVer->Box[0][0], -3);
  EXPECT_EQ(msh->SolAtVer->Box[0][1], 5);
  freeMesh(ctx, msh);
}

TEST(SolutionLoad, OneFileWithoutSolutionMeansNoSolutionAtAll) {
  std::string a = SaveFixture(meshFile(3, 2), "part1.mesh", false);
  std::string b = SaveFixture(meshFile(3, 2), "part2.mesh", false);
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 2, {1, 2})), "part1.sol", false);
  LoadContext ctx;
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = load(ctx, {a, b});
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->NbrVer, 4);
  EXPECT_EQ(msh->SolAtVer, nullptr);
  EXPECT_EQ(err, "") << "an absent solution is not an error";
  EXPECT_EQ(ctx.Fi->Status, 0u);
  freeMesh(ctx, msh);

  LoadContext off(0, LOAD_OPT_NO_SOLUTION);
  Geometric_Mesh *none = load(off, {a});
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->SolAtVer, nullptr);
  freeMesh(off, none);
}

TEST(SolutionLoad, OneEntryVertexFieldGetsOneEntryPerVertex) {
  std::string m = SaveFixture(meshFile(3, 100), "onesol.mesh", false);
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 1, {7})), "onesol.sol", false);
  LoadContext ctx;
  Geometric_Mesh *msh = load(ctx, {m});
  ASSERT_NE(msh, nullptr);
  ASSERT_NE(msh->SolAtVer, nullptr);
  EXPECT_EQ(msh->MaxSolVer, 100);
  EXPECT_EQ(msh->NbrSolVer, 1);
  EXPECT_EQ(msh->SolAtVer->Sol[1], 7);
  freeMesh(ctx, msh);
}

TEST(SolutionLoad, IncompatibleFilesAreReportedAndTheSizePassGoesOn) {
  std::string a = TestPath("inc1");
  std::string b = TestPath("inc2");
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 2, {1, 2})), "inc1.sol", false);
  FixtureFile second = solFile(3, SolutionSec(62, "SolAtVertices", {2}, 2, {1, 2, 3, 4, 5, 6}));
  second.Sections.push_back(SolutionSec(66, "SolAtTetrahedra", {1}, 4, {1, 2, 3, 4}));
  SaveFixture(second, "inc2.sol", false);
  LoadContext ctx;
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  EXPECT_EQ(FitSolSize(0, ctx.Fi, a.c_str(), siz.data()), 2);
  testing::internal::CaptureStderr();
  EXPECT_EQ(FitSolSize(0, ctx.Fi, b.c_str(), siz.data()), 4);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "  ## ERROR: TRYSOLSOLSIZE: INCOMPATIBLE SOLUTIONS BETWEEN FILES \n"
            "  SOLUTION FIELDS IGNORES \n");
  EXPECT_NE(ctx.Fi->Status & STATUS_SOLUTION_MISMATCH, 0u);
  EXPECT_EQ(siz[KmfSolAtVertices], 2) << "nothing is added before the comparison";
  EXPECT_EQ(siz[KmfSolAtTetrahedra], 4);
  EXPECT_EQ(siz[KmfSolSizTot], 1);
  // An absent file: quiet in mode 1, reported otherwise.
  testing::internal::CaptureStderr();
  EXPECT_EQ(FitSolSize(1, ctx.Fi, TestPath("nosuch").c_str(), siz.data()), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  testing::internal::CaptureStderr();
  EXPECT_EQ(FitSolSize(0, ctx.Fi, TestPath("nosuch").c_str(), siz.data()), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("  ## ERROR: FITSOLSIZE: CANNOT OPEN " + TestPath("nosuch") + ".[sol[b]]\n"),
            std::string::npos);
}

TEST(SolutionLoad, WrongDimensionIsRefusedBeforeAnyValue) {
  std::string m = SaveFixture(meshFile(3, 2), "dim3.mesh", false);
  std::string s = SaveFixture(solFile(2, SolutionSec(62, "SolAtVertices", {1}, 2, {1, 2})), "dim2.sol", false);
  LoadContext ctx;
  Geometric_Mesh *msh = load(ctx, {m});
  ASSERT_NE(msh, nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadSolution(ctx.Fi, s.c_str(), msh), 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_BAD_DATA);
  EXPECT_NE(err.find("  ## ERROR: LOADSOLUTION: WRONG MESH DIMENSION IN FILE " + TestPath("dim2") + ".sol\n"), std::string::npos)
      << err;
  EXPECT_EQ(err.find("LOADSOLATENTITY"), std::string::npos);
  freeMesh(ctx, msh);
}

TEST(SolutionLoad, FileWithoutEndIsNotReadyAndLeavesTheMeshAlone) {
  std::string m = SaveFixture(meshFile(3, 2), "wait.mesh", false);
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 2, {1, 2})), "wait.sol", false);
  LoadContext ctx;
  Geometric_Mesh *msh = load(ctx, {m});
  ASSERT_NE(msh, nullptr);
  ASSERT_NE(msh->SolAtVer, nullptr);
  // The solver rewrites the file and has not finished it yet.
  std::string text = RawText(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 2, {8, 9})));
  std::string solPath = TestPath("wait.sol");
  SaveText(solPath, text.substr(0, text.rfind("End")));
  msh->NbrSolVer = 0;
  testing::internal::CaptureStdout();
  EXPECT_EQ(LoadSolution(ctx.Fi, m.c_str(), msh), 2);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "\n Warning, solution file not ready, waiting for it \n ");
  EXPECT_EQ(msh->SolAtVer->Sol[1], 1);
  EXPECT_EQ(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  // The same with a binary file cut before its End section.
  auto bytes = RawBinary(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 2, {8, 9})), false);
  bytes.resize(bytes.size() - 8);
  std::string bin = TestPath("waitb.solb");
  SaveBytes(bin, bytes);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadSolution(ctx.Fi, bin.c_str(), msh), 2);
  testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
  // A binary file whose last section so far says it is the last one, without End yet.
  RawBytes raw(false);
  RawHeader(raw, 2, 3);
  raw.i32(62);
  raw.i32(0);  // no next section
  raw.i32(2);  // lines
  raw.i32(1);  // one type: scalar
  raw.i32(1);
  raw.f64(5);
  raw.f64(6);
  std::string open = TestPath("waitc.solb");
  SaveBytes(open, raw.Data);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadSolution(ctx.Fi, open.c_str(), msh), 2);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n Warning, solution file not ready, waiting for it \n ");
  EXPECT_EQ(msh->SolAtVer->Sol[1], 1);
  // Once complete, a reload overwrites the values from entity 1 and resets the ranges.
  SaveText(solPath, text);
  EXPECT_EQ(LoadSolution(ctx.Fi, m.c_str(), msh), 1);
  EXPECT_EQ(msh->SolAtVer->Sol[1], 8);
  EXPECT_EQ(msh->SolAtVer->Sol[2], 9);
  EXPECT_EQ(msh->SolAtVer->Box[0][0], 8);
  EXPECT_EQ(msh->NbrSolVer, 2);
  // Without resetting the count the file no longer fits.
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadSolution(ctx.Fi, m.c_str(), msh), 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("  ## ERROR: LOADSOLATENTITY: NOT ENOUGH MEMORY TO LOAD SOLUTION\n"
                     "  MAXIMUM NUMBER OF SOLUTIONS 2 NEEDED 4 \n"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("  ## ERROR: LOADMESH: LOADSOLATVER FAILS FOR FILE "), std::string::npos);
  freeMesh(ctx, msh);
}

TEST(SolutionLoad, MismatchedFieldsAndMissingFilesFail) {
  std::string m = SaveFixture(meshFile(3, 2), "mis.mesh", false);
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 2, {1, 2})), "mis.sol", false);
  std::string other = SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {2}, 2, {1, 2, 3, 4, 5, 6})), "mis2.sol", false);
  LoadContext ctx;
  Geometric_Mesh *msh = load(ctx, {m});
  ASSERT_NE(msh, nullptr);
  msh->NbrSolVer = 0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadSolution(ctx.Fi, other.c_str(), msh), 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("  ## ERROR: LOADSOLATENTITY: INVALID SOLUTION TYPE \n"
                     "  ALLOCATED TOTAL SIZE 1      <> READ 3 \n"
                     "  ALLOCATED NUMBER OF FIELD 1 <> READ 1 \n"),
            std::string::npos)
      << err;
  EXPECT_EQ(msh->SolAtVer->Sol[1], 1) << "a refused file leaves the values as they were";
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadSolution(ctx.Fi, TestPath("gone").c_str(), msh), 0);
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("  ## ERROR: LOADSOLUTION: CANNOT OPEN " + TestPath("gone") + ".sol[b]\n"), std::string::npos) << err;
  EXPECT_NE(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  EXPECT_EQ(LoadSolution(ctx.Fi, nullptr, msh), 1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadSolution(ctx.Fi, m.c_str(), nullptr), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "  ## ERROR: LOADSOLUTION: INPUT MESH NOT ALLOCATED \n");
  freeMesh(ctx, msh);
}

}  // namespace
