// Solution files: size pass, values and ranges per field type, several files, refusals,
// the "not ready" answer and reloading.
#include "tests/common/CommonTest.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>

namespace {

const char *const kNotReady = "\n Warning, solution file not ready, waiting for it \n ";

FixtureFile solFile(int dim, FixtureSection s, int version = 2) { return FixtureFile{version, dim, {s}}; }

// A text solution of one scalar per vertex.
std::string scalars(const std::string &name, const std::vector<double> &v) {
  return SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, static_cast<int64_t>(v.size()), v)), name, false);
}

TEST(SolutionLoad, ScalarVectorTensorAndMatrixFieldsWithTheirRanges) {
  // 3-D, two vertices: scalar, vector, symmetric tensor (file order xx xy yy xz yz zz), matrix.
  std::vector<double> v = {
      2, 3, 4, 0, 1, 0, 2, 0, 0, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9,          // vertex 1
      -1, 0, 0, 1, 2, 0.5, 2, 0, 0, 2, -4, 0, 0, 0, 0, 0, 0, 0, 10.5};  // vertex 2
  std::string m = SaveFixture(MeshOf(3, 2), "fields.meshb", true);
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1, 2, 3, 4}, 2, v)), "fields.solb", true);
  LoadContext ctx(1);
  Geometric_Mesh *msh = ctx.Load({m});
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
  // Ranges: scalar, squared vector length, tensor determinant (vertex 2: xx xy xz yy yz zz =
  // 2 0.5 0 2 0 2, det 7.5), matrix entries.
  EXPECT_EQ(FieldRanges(sol), (std::vector<double>{-1, 2, 1, 25, 6, 7.5, -4, 10.5}));
  ctx.Free(msh);
}

// 2-D: a vector gives its squared length, a symmetric tensor its determinant and keeps its
// order; Time and Iterations are read.
TEST(SolutionLoad, TwoDimensionalFieldsTimeAndIterations) {
  std::string m = SaveFixture(MeshOf(2, 2), "vec2d.mesh", false);
  FixtureFile s = solFile(2, SolutionSec(62, "SolAtVertices", {2, 3}, 2, {3, 4, 2, 1, 3, 0, 0, 4, 0, 0.5}), 1);
  s.Sections.push_back(Section(78, "Time", "r", 1, false).With({}, {2.5}));
  s.Sections.push_back(Section(77, "Iterations", "i", 1, false).With({17}));
  SaveFixture(s, "vec2d.sol", false);
  LoadContext ctx(1);
  Geometric_Mesh *msh = ctx.Load({m});
  ASSERT_NE(msh, nullptr);
  Geometric_Solution *sol = msh->SolAtVer;
  ASSERT_NE(sol, nullptr);
  EXPECT_EQ(sol->Sol[5 + 4], 3) << "2-D tensors keep their order";
  EXPECT_EQ(FieldRanges(sol), (std::vector<double>{0, 25, 2, 5}));
  EXPECT_EQ(msh->Time, 2.5);
  EXPECT_EQ(msh->Iter, 17);
  ctx.Free(msh);
}

TEST(SolutionLoad, SolutionAtTetrahedraAndAnExplicitSolutionName) {
  FixtureFile mf = MeshOf(3, 4);
  mf.Sections.push_back(Lines(8, "Tetrahedra", 4, {1, 2, 3, 4, 0, 1, 2, 3, 4, 1, 1, 2, 3, 4, 2}));
  std::string m = SaveFixture(mf, "tets.mesh", false);
  std::string s = SaveFixture(solFile(3, SolutionSec(66, "SolAtTetrahedra", {1}, 3, {5, -2, 9})), "other.sol", false);
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({m}, s.c_str());
  ASSERT_TRUE(msh && msh->SolAtTet);
  EXPECT_EQ(msh->NbrSolTet, 3);
  EXPECT_EQ(msh->SolAtTet->Sol[2], -2);
  EXPECT_EQ(FieldRanges(msh->SolAtTet), (std::vector<double>{-2, 9}));
  ctx.Free(msh);
}

// Endings are judged on the file's own name: a folder named like a mesh or a solution file
// changes nothing, and a solution named with its ending is that file even when a binary one
// of the same base name lies beside it.
TEST(SolutionLoad, FolderNamesDoNotCountAndAnExplicitEndingPicksTheFile) {
  for (const char *dir : {"run.mesh.d", "run.sol.d"}) mkdir(TestPath(dir).c_str(), 0755);
  const std::string m = SaveFixture(MeshOf(3, 2), "run.mesh.d/m.meshb", true);
  scalars("run.mesh.d/m.sol", {4, 5});
  const std::string t = SaveFixture(MeshOf(3, 2), "run.sol.d/t.mesh", false);
  scalars("run.sol.d/t.sol", {6, 7});
  const std::string x = scalars("run.sol.d/x.sol", {1, 2}), xBase = TestPath("run.sol.d/x");
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 2, {8, 9})), "run.sol.d/x.solb", true);
  struct Case {
    std::string Mesh;
    const char *Sol;
    double Second;
  } const cases[] = {{m, nullptr, 5}, {t, nullptr, 7}, {t, x.c_str(), 2}, {t, xBase.c_str(), 9}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.Mesh + " " + (c.Sol ? c.Sol : ""));
    LoadContext ctx(1);
    Geometric_Mesh *msh = ctx.Load({c.Mesh}, c.Sol);
    ASSERT_NE(msh, nullptr);
    ASSERT_NE(msh->SolAtVer, nullptr) << ctx.Err;
    EXPECT_EQ(msh->SolAtVer->Sol[2], c.Second);
    EXPECT_EQ(ctx.Err, "");
    // The file opened is the one named, whatever the mesh's own encoding.
    if (c.Mesh == m) {
      EXPECT_CONTAINS(ctx.Out, "run.mesh.d/m.sol OPENED");
    }
    ctx.Free(msh);
  }
}

// Each file's values land on its own entities; one file without a solution, or the option
// that turns solutions off, means no solution at all, and no error.
TEST(SolutionLoad, EachFileFillsItsOwnEntities) {
  std::string a = SaveFixture(MeshOf(3, 2), "multi1.mesh", false);
  std::string b = SaveFixture(MeshOf(3, 3), "multi2.meshb", true);
  std::string c = SaveFixture(MeshOf(3, 2), "multi3.mesh", false);
  scalars("multi1.sol", {1, 2});
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 3, {-3, 4, 5})), "multi2.solb", true);
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({a, b});
  ASSERT_TRUE(msh && msh->SolAtVer);
  EXPECT_EQ(msh->NbrSolVer, 5);
  const double want[6] = {0, 1, 2, -3, 4, 5};
  for (int v = 1; v <= 5; v++) EXPECT_EQ(msh->SolAtVer->Sol[v], want[v]) << v;
  EXPECT_EQ(FieldRanges(msh->SolAtVer), (std::vector<double>{-3, 5}));
  ctx.Free(msh);
  for (unsigned opt : {0u, unsigned(LOAD_OPT_NO_SOLUTION)}) {
    LoadContext other(0, opt);
    Geometric_Mesh *none = other.Load(opt ? std::vector<std::string>{a, b} : std::vector<std::string>{a, c});
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->SolAtVer, nullptr);
    EXPECT_EQ(other.Err, "");
    EXPECT_EQ(other.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
    other.Free(none);
  }
}

// A file of values for fewer vertices than its own mesh has is taken, the others at 0, and
// said in one line naming both counts: file by file, so that the next file, whole, does not
// hide it. One of more would spill onto the next file's vertices: refused, and the closing line
// names it again.
TEST(SolutionLoad, ASolutionShortOfItsMeshIsTakenAndSaidFileByFile) {
  const std::string a = SaveFixture(MeshOf(3, 4), "lagging1.mesh", false), b = SaveFixture(MeshOf(3, 3), "lagging2.mesh", false);
  const struct {
    std::vector<double> First, Second, Values;  // no values: refused
    std::string Said;
    size_t Lines;  // naming the first file
  } rows[] = {{{1, 2}, {6, 7, 8}, {1, 2, 0, 0, 6, 7, 8}, " HOLDS VALUES FOR 2 OF THE 4 VERTICES, THE OTHER 2 ARE SET TO 0", 1},
              {{1, 2, 3, 4, 5}, {6}, {}, ": INCONSISTENT SIZE IN # OF SOLUTION(5) >  # OF VERTICES(4)", 2}};
  for (const auto &r : rows) {
    scalars("lagging1.sol", r.First);
    scalars("lagging2.sol", r.Second);
    LoadContext ctx;
    Geometric_Mesh *msh = ctx.Load({a, b});
    ASSERT_NE(msh, nullptr);
    const Geometric_Solution *sol = msh->SolAtVer;
    EXPECT_EQ(sol ? std::vector<double>(sol->Sol + 1, sol->Sol + 8) : std::vector<double>(), r.Values);
    const std::string said = ctx.Out + ctx.Err;
    EXPECT_CONTAINS(said, TestPath("lagging1.sol") + r.Said);
    EXPECT_EQ(said.find("lagging2"), std::string::npos) << said;
    size_t lines = 0;
    for (size_t at = said.find("lagging1"); at != std::string::npos; at = said.find("lagging1", at + 1)) lines++;
    EXPECT_EQ(lines, r.Lines) << said;
    ctx.Free(msh);
  }
}

TEST(SolutionLoad, OneEntryVertexFieldGetsOneEntryPerVertex) {
  std::string m = SaveFixture(MeshOf(3, 100), "onesol.mesh", false);
  scalars("onesol.sol", {7});
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({m});
  ASSERT_TRUE(msh && msh->SolAtVer);
  EXPECT_EQ(msh->MaxSolVer, 100);
  EXPECT_EQ(msh->NbrSolVer, 1);
  EXPECT_EQ(msh->SolAtVer->Sol[1], 7);
  ctx.Free(msh);
}

TEST(SolutionLoad, IncompatibleFilesAreReportedAndTheSizePassGoesOn) {
  scalars("inc1.sol", {1, 2});
  FixtureFile second = solFile(3, SolutionSec(62, "SolAtVertices", {2}, 2, {1, 2, 3, 4, 5, 6}));
  second.Sections.push_back(SolutionSec(66, "SolAtTetrahedra", {1}, 4, {1, 2, 3, 4}));
  SaveFixture(second, "inc2.sol", false);
  LoadContext ctx;
  std::vector<int> siz(KmfSizMshLen, 0);
  EXPECT_EQ(FitSolSize(0, ctx.Fi, TestPath("inc1").c_str(), siz.data()), 2);
  std::string nosuch = TestPath("nosuch");
  CaptureText([&] { EXPECT_EQ(FitSolSize(0, ctx.Fi, TestPath("inc2").c_str(), siz.data()), 4); });
  EXPECT_NE(ctx.Fi->Status & STATUS_SOLUTION_MISMATCH, 0u);
  EXPECT_EQ(siz[KmfSolAtVertices], 2) << "nothing is added before the comparison";
  EXPECT_EQ(siz[KmfSolAtTetrahedra], 4);
  EXPECT_EQ(siz[KmfSolSizTot], 1);
  // An absent file: quiet in mode 1, reported otherwise.
  EXPECT_EQ(CaptureText([&] { EXPECT_EQ(FitSolSize(1, ctx.Fi, nosuch.c_str(), siz.data()), 0); }).Err, "");
  EXPECT_NE(CaptureText([&] { EXPECT_EQ(FitSolSize(0, ctx.Fi, nosuch.c_str(), siz.data()), 0); }).Err, "");
}

// A solver rewrites the solution and has not finished it: text without End, a binary cut
// before End, a binary whose last section so far says it is the last one, with End after it
// or not yet.
TEST(SolutionLoad, FileWithoutEndIsNotReadyAndLeavesTheMeshAlone) {
  std::string m = SaveFixture(MeshOf(3, 2), "wait.mesh", false);
  std::string solPath = scalars("wait.sol", {1, 2});
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({m});
  ASSERT_TRUE(msh && msh->SolAtVer);
  FixtureFile next = solFile(3, SolutionSec(62, "SolAtVertices", {1}, 2, {8, 9}));
  std::string text = RawText(next);
  SaveText(solPath, text.substr(0, text.rfind("End")));
  auto cut = RawBinary(next, false);
  cut.resize(cut.size() - 8);
  std::string bin = TestPath("waitb.solb");
  SaveBytes(bin, cut);
  RawBytes open(false);
  RawHeader(open, 2, 3);
  for (int w : {62, 0, 2, 1, 1}) open.i32(w);  // no next section, two lines of one scalar
  open.f64(5);
  open.f64(6);
  std::string last = TestPath("waitc.solb"), ended = TestPath("waitd.solb");
  SaveBytes(last, open.Data);
  SaveBytes(ended, ChainEndingAt(RawBinary(next, false), KmfSolAtVertices));
  msh->NbrSolVer = 0;
  for (const std::string &p : {m, bin, last, ended}) {
    SCOPED_TRACE(p);
    EXPECT_EQ(CaptureText([&] { EXPECT_EQ(LoadSolution(ctx.Fi, p.c_str(), msh), 2); }).Out, kNotReady);
    EXPECT_EQ(msh->SolAtVer->Sol[1], 1);
  }
  EXPECT_EQ(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  // A file that has its End but cannot be read is an error, not a file to wait for.
  SaveText(solPath, "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\ntwo\n1 1\n8\n9\nEnd\n");
  CaptureText([&] { EXPECT_EQ(LoadSolution(ctx.Fi, m.c_str(), msh), 0); });
  EXPECT_NE(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  // Once complete, a reload overwrites the values from entity 1 and resets the ranges.
  SaveText(solPath, text);
  EXPECT_EQ(LoadSolution(ctx.Fi, m.c_str(), msh), 1);
  EXPECT_EQ(std::vector<double>(msh->SolAtVer->Sol + 1, msh->SolAtVer->Sol + 3), (std::vector<double>{8, 9}));
  EXPECT_EQ(FieldRanges(msh->SolAtVer), (std::vector<double>{8, 9}));
  EXPECT_EQ(msh->NbrSolVer, 2);
  // Without resetting the count the file no longer fits.
  CaptureText([&] { EXPECT_EQ(LoadSolution(ctx.Fi, m.c_str(), msh), 0); });
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_CAPACITY);
  ctx.Free(msh);
}

TEST(SolutionLoad, WrongDimensionMismatchedFieldsAndMissingFilesFail) {
  std::string m = SaveFixture(MeshOf(3, 2), "mis.mesh", false);
  scalars("mis.sol", {1, 2});
  std::string other = SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {2}, 2, {1, 2, 3, 4, 5, 6})), "mis2.sol", false);
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({m});
  ASSERT_NE(msh, nullptr);
  msh->NbrSolVer = 0;
  std::string dim2 = SaveFixture(solFile(2, SolutionSec(62, "SolAtVertices", {1}, 2, {1, 2})), "dim2.sol", false);
  std::string err = CaptureText([&] { EXPECT_EQ(LoadSolution(ctx.Fi, dim2.c_str(), msh), 0); }).Err;
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_BAD_DATA);
  EXPECT_CONTAINS(err, "  ## ERROR: LOADSOLUTION: WRONG MESH DIMENSION IN FILE " + TestPath("dim2") + ".sol\n");
  EXPECT_EQ(err.find("LOADSOLATENTITY"), std::string::npos) << "refused before any value";
  CaptureText([&] { EXPECT_EQ(LoadSolution(ctx.Fi, other.c_str(), msh), 0); });
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_NOT_ALLOCATED);
  EXPECT_EQ(msh->SolAtVer->Sol[1], 1) << "a refused file leaves the values as they were";
  CaptureText([&] { EXPECT_EQ(LoadSolution(ctx.Fi, TestPath("gone").c_str(), msh), 0); });
  EXPECT_NE(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  EXPECT_EQ(LoadSolution(ctx.Fi, nullptr, msh), 1);
  CaptureText([&] { EXPECT_EQ(LoadSolution(ctx.Fi, m.c_str(), nullptr), 0); });
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_BAD_HANDLE);
  ctx.Free(msh);
}


// A text solution of four vertices, one scalar each, whose third value line is not a number.
std::string cutAtLineThree(const std::string &name) {
  return SaveNamed(name, "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n4\n1 1\n100\n100\nabc\n100\nEnd\n");
}

// A file the loader refuses after the size pass laid the solution out from it: nothing of that
// layout stays (a 2-D vector read as 3 values, a field of type 0), the mesh loads alone.
TEST(SolutionLoad, ARefusedSolutionLeavesTheMeshWithoutAnySolution) {
  const std::string m = SaveFixture(MeshOf(3, 4), "refused.mesh", false);
  const std::string second = SaveFixture(MeshOf(3, 4), "refused2.mesh", false);
  scalars("refused.sol", {1, 2, 3, 4});
  cutAtLineThree("refused2.sol");
  struct Case {
    const char *What;
    std::vector<std::string> Meshes;
    std::string Sol;  // empty: each mesh's own
    const char *Refusal;
  } const cases[] = {
      {"a 2-D vector field on a 3-D mesh", {m},
       SaveFixture(solFile(2, SolutionSec(62, "SolAtVertices", {2}, 4, {1, 0, 0, 1, 1, 1, 2, 2})), "dim2.sol", false),
       "WRONG MESH DIMENSION"},
      {"a first field of type 0", {m},
       SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {0, 1}, 4, {1, 2, 3, 4})), "type0.solb", true),
       "INVALID FIELD TYPE 0"},
      {"values cut at line 3", {m}, cutAtLineThree("cut3.sol"), "CANNOT READ LINE 3"},
      {"the second file's values cut at line 3", {m, second}, "", "CANNOT READ LINE 3"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.What);
    LoadContext ctx;
    Geometric_Mesh *msh = ctx.Load(c.Meshes, c.Sol.empty() ? nullptr : c.Sol.c_str());
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(msh->NbrVer, 4 * static_cast<int>(c.Meshes.size()));
    EXPECT_CONTAINS(ctx.Err, c.Refusal);
    for (const Geometric_Solution *sol : {msh->SolAtVer, msh->SolAtTet, msh->SolAtPyr, msh->SolAtPri, msh->SolAtHex,
                                          msh->SolAtTri, msh->SolAtQua})
      EXPECT_EQ(sol, nullptr);
    EXPECT_EQ(std::vector<int>({msh->MaxSolVer, msh->NbrSolVer}), std::vector<int>({0, 0}));
    EXPECT_NE(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
    ctx.Free(msh);  // and nothing of the dropped solution is left on the memory list
  }
}

// NaN and infinite values, and 1e400 (past the doubles) in a text file, are taken as they are
// and said in one line naming the file and their count, at opening and at every reload; the
// ranges (hence the palettes) span the finite quantities only, and a field with none gets
// [0 0]. A vector or tensor with one component not finite counts that component.
TEST(SolutionLoad, NonFiniteValuesAreSaidInOneLineAndLeftOutOfTheRanges) {
  const double nan = std::nan(""), inf = HUGE_VAL;
  const double big = 1234.5;  // 1e400 in text files, infinity in binary ones
  std::vector<double> many(25000, 2.5);
  for (size_t k = 0; k < many.size(); k += 1000) many[k] = k % 2000 ? nan : -inf;
  many[24999] = -7;
  const struct {
    const char *What;
    std::vector<int> Types;
    std::vector<double> Values;  // of 4 vertices (or of as many as the values give, scalars)
    int NonFinite;
    std::vector<double> Ranges;
  } rows[] = {
      {"scalars", {1}, {3, nan, big, -2}, 2, {-2, 3}},
      {"a vector with one component not finite, then a scalar", {2, 1},
       {3, 4, 0, 1, nan, 0, 0, 2, 0, 0, big, nan, 1, 0, 0, 7}, 3, {1, 25, 1, 7}},
      {"symmetric tensors", {3},
       {1, 0, 2, 0, 0, 3, 1, inf, 1, 0, 0, 1, big, 0, 1, 0, 0, 1, 1, 0, 1, 0, 0, 1}, 2, {1, 6}},
      {"a field with no finite value", {1, 1}, {1, nan, 2, inf, 3, big, 4, -inf}, 4, {1, 4, 0, 0}},
      {"non-finite values in three blocks", {1}, many, 25, {-7, 2.5}},
  };
  int k = 0;
  for (const auto &r : rows)
    for (bool binary : {false, true}) {
      SCOPED_TRACE(std::string(r.What) + (binary ? ", binary" : ", text"));
      const std::string base = "nonfinite" + std::to_string(k++);
      int size = 0;
      for (int t : r.Types) size += t == 1 ? 1 : t == 2 ? 3 : 6;
      const int nver = static_cast<int>(r.Values.size()) / size;
      const std::string m = SaveFixture(MeshOf(3, nver), base + ".mesh", false);
      const FixtureFile f = solFile(3, SolutionSec(62, "SolAtVertices", r.Types, nver, r.Values));
      std::string sol;
      if (binary) {
        FixtureFile b = f;
        for (double &v : b.Sections[0].Reals)
          if (v == big) v = inf;
        sol = SaveFixture(b, base + ".solb", true);
      } else {
        std::string text = RawText(f);
        for (size_t at = text.find("1234.5 "); at != std::string::npos; at = text.find("1234.5 ", at))
          text.replace(at, 7, "1e400 ");
        sol = SaveNamed(base + ".sol", text);
      }
      const std::string line = "  ## WARNING: LOADSOLUTION: " + std::to_string(r.NonFinite) + " VALUES OF " + sol +
                               " ARE NAN OR INFINITE, LEFT OUT OF THE FIELD RANGES \n";
      auto saidOnce = [&](const std::string &said) {
        EXPECT_CONTAINS(said, line);
        EXPECT_EQ(said.find("NAN OR INFINITE"), said.rfind("NAN OR INFINITE")) << said;
      };
      LoadContext ctx;
      Geometric_Mesh *msh = ctx.Load({m});
      ASSERT_TRUE(msh && msh->SolAtVer) << ctx.Err;
      saidOnce(ctx.Out);
      EXPECT_EQ(FieldRanges(msh->SolAtVer), r.Ranges);
      const double *val = msh->SolAtVer->Sol;
      EXPECT_EQ(std::count_if(val + size, val + size * (nver + 1), [](double v) { return !std::isfinite(v); }),
                r.NonFinite)
          << "values are taken as they are";
      const Captured again = CaptureText([&] { EXPECT_EQ(ReloadSolution(ctx.Fi, sol.c_str(), msh), 1); });
      saidOnce(again.Out);
      EXPECT_EQ(FieldRanges(msh->SolAtVer), r.Ranges);
      ctx.Free(msh);
    }
}

// A solver's new results replace the old ones only when read whole: every refusal leaves the
// very same values, ranges, count, time and iterations.
TEST(SolutionLoad, ARefusedReloadGivesBackEverythingItWouldHaveReplaced) {
  std::string m = SaveFixture(MeshOf(3, 4), "keep.mesh", false);
  FixtureFile first = solFile(3, SolutionSec(62, "SolAtVertices", {1}, 4, {1, 2, 3, 4}));
  first.Sections.push_back(Section(78, "Time", "r", 1, false).With({}, {1.5}));
  first.Sections.push_back(Section(77, "Iterations", "i", 1, false).With({3}));
  SaveFixture(first, "keep.sol", false);
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({m});
  ASSERT_TRUE(msh && msh->SolAtVer);
  Geometric_Solution *sol = msh->SolAtVer;
  const std::string whole = RawText(solFile(3, SolutionSec(62, "SolAtVertices", {1}, 4, {100, 100, 100, 100})));
  const std::string badIter = whole.substr(0, whole.rfind("End")) + "Time\n9\nIterations\nnine\nEnd\n";
  struct Case {
    const char *What;
    std::string Path;
    int Result;
  } const cases[] = {
      {"values cut at line 3", cutAtLineThree("keep-cut3.sol"), 0},
      {"iterations unreadable after every value", SaveNamed("keep-iter.sol", badIter), 0},
      {"a 2-D file", SaveFixture(solFile(2, SolutionSec(62, "SolAtVertices", {1}, 4, {5, 5, 5, 5})), "keep-dim2.sol", false), 0},
      {"a vector in place of the scalar",
       SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {2}, 4, std::vector<double>(12, 5))), "keep-vec.sol", false), 0},
      {"more entities than vertices", scalars("keep-five.sol", {5, 5, 5, 5, 5}), 0},
      {"a file not written to its end", SaveNamed("keep-wait.sol", whole.substr(0, whole.rfind("End"))), 2},
      {"no file", TestPath("keep-gone.sol"), 0},
  };
  const double *values = sol->Sol;
  const std::vector<double> ranges = FieldRanges(sol);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.What);
    CaptureText([&] { EXPECT_EQ(ReloadSolution(ctx.Fi, c.Path.c_str(), msh), c.Result); });
    ASSERT_EQ(msh->SolAtVer, sol);
    EXPECT_EQ(sol->Sol, values);
    EXPECT_EQ(std::vector<double>(sol->Sol, sol->Sol + 5), (std::vector<double>{0, 1, 2, 3, 4}));
    EXPECT_EQ(FieldRanges(sol), ranges);
    EXPECT_EQ(msh->NbrSolVer, 4);
    EXPECT_EQ(msh->Time, 1.5);
    EXPECT_EQ(msh->Iter, 3);
  }
  // A whole file of two entities: its values from entity 1 with their own ranges, the others
  // at 0 as at opening (never the last step's), and said; the arrays it was read into are the
  // mesh's now.
  const Captured two = CaptureText([&] { EXPECT_EQ(ReloadSolution(ctx.Fi, scalars("keep-two.sol", {7, 8}).c_str(), msh), 1); });
  EXPECT_CONTAINS(two.Err, "keep-two.sol HOLDS VALUES FOR 2 OF THE 4 VERTICES, THE OTHER 2 ARE SET TO 0");
  EXPECT_EQ(std::vector<double>(sol->Sol, sol->Sol + 5), (std::vector<double>{0, 7, 8, 0, 0}));
  EXPECT_EQ(FieldRanges(sol), (std::vector<double>{7, 8}));
  EXPECT_EQ(msh->NbrSolVer, 2);
  // A file taken brings its own Time and Iterations, 0 for those it has not.
  EXPECT_EQ(ReloadSolution(ctx.Fi, SaveNamed("keep-time.sol", badIter.substr(0, badIter.rfind("Iterations")) + "End\n").c_str(), msh), 1);
  EXPECT_EQ(std::vector<double>({msh->Time, double(msh->Iter), sol->Sol[4]}), std::vector<double>({9, 0, 100}));
  ctx.Free(msh);
}

// A reload shows the time of the file it read, as an opening with that file does: its own, or 0
// for a file without Time (never that of the file read before), in either encoding.
TEST(SolutionLoad, AReloadTakesTheTimeAndIterationsOfItsFileAndZeroForThoseItHasNot) {
  const auto withKeys = [](std::vector<double> time, std::vector<int64_t> iter) {
    FixtureFile f = solFile(3, SolutionSec(62, "SolAtVertices", {1}, 4, {5, 6, 7, 8}));
    if (!time.empty()) f.Sections.push_back(Section(78, "Time", "r", 1, false).With({}, time));
    if (!iter.empty()) f.Sections.push_back(Section(77, "Iterations", "i", 1, false).With(iter));
    return f;
  };
  const struct {
    const char *What;
    FixtureFile File;
    double Time;
    int Iter;
  } rows[] = {
      {"time and iterations", withKeys({9.5}, {12}), 9.5, 12},
      {"time alone", withKeys({0.25}, {}), 0.25, 0},
      {"iterations alone", withKeys({}, {7}), 0, 7},
      {"neither", withKeys({}, {}), 0, 0},
  };
  for (const auto &r : rows)
    for (bool binary : {false, true}) {
      SCOPED_TRACE(std::string(r.What) + (binary ? ", binary" : ", text"));
      const std::string m = SaveFixture(MeshOf(3, 4), "timed.mesh", false);
      SaveFixture(withKeys({2}, {4}), "timed.sol", false);
      LoadContext ctx;
      Geometric_Mesh *msh = ctx.Load({m});
      ASSERT_TRUE(msh && msh->SolAtVer) << ctx.Err;
      ASSERT_EQ(std::make_pair(msh->Time, msh->Iter), std::make_pair(2.0, 4));
      const std::string next = SaveFixture(r.File, binary ? "timed-next.solb" : "timed-next.sol", binary);
      CaptureText([&] { EXPECT_EQ(ReloadSolution(ctx.Fi, next.c_str(), msh), 1); });
      EXPECT_EQ(std::make_pair(msh->Time, msh->Iter), std::make_pair(r.Time, r.Iter));
      EXPECT_EQ(msh->SolAtVer->Sol[4], 8.0);
      // An opening with that file shows the same.
      LoadContext fresh;
      Geometric_Mesh *opened = fresh.Load({m}, next.c_str());
      ASSERT_TRUE(opened && opened->SolAtVer) << fresh.Err;
      EXPECT_EQ(std::make_pair(opened->Time, opened->Iter), std::make_pair(r.Time, r.Iter));
      fresh.Free(opened);
      ctx.Free(msh);
    }
}

// A reload reads into the fields shown: a file of other fields (their count, their types, their
// order, or the kind of entity they stand at) is refused, after the loader's own lines, in one
// line that names the fields the file holds and those the mesh shows; the values stay. Other
// refusals say nothing of fields. The window's collector keeps the line for the terminal.
TEST(SolutionLoad, AReloadOfOtherFieldsIsRefusedInOneLineNamingTheFieldsOfTheFileAndOfTheMesh) {
  FixtureFile mf = MeshOf(3, 4);
  mf.Sections.push_back(Lines(8, "Tetrahedra", 4, {1, 2, 3, 4, 1}));
  const std::string m = SaveFixture(mf, "shown.mesh", false);
  std::vector<double> shown;
  for (int v = 1; v <= 4; v++) shown.insert(shown.end(), {double(v), 1.0 * v, 2.0 * v, 3.0 * v});
  SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1, 2}, 4, shown)), "shown.sol", false);
  const std::string other = "FIELDS OTHER THAN THOSE SHOWN: THE FILE HOLDS ",
                    mesh = ", THE MESH SHOWS 2 FIELDS AT VERTICES (SCALAR, VECTOR)";
  const auto at = [](int kwd, const char *name, std::vector<int> types, int64_t n) {
    int size = 0;
    for (int t : types) size += t == 1 ? 1 : t == 2 ? 3 : t == 3 ? 6 : 9;
    return solFile(3, SolutionSec(kwd, name, types, n, std::vector<double>(size_t(size * n), 1.0)));
  };
  FixtureFile timeOnly = solFile(3, Section(78, "Time", "r", 1, false).With({}, {3}));
  const struct {
    const char *What;
    FixtureFile File;
    std::string Why;  // the reason of the NOT LOADED line, "" for none
  } rows[] = {
      {"one scalar", at(62, "SolAtVertices", {1}, 4), other + "1 FIELD AT VERTICES (SCALAR)" + mesh},
      {"the two in the other order", at(62, "SolAtVertices", {2, 1}, 4),
       other + "2 FIELDS AT VERTICES (VECTOR, SCALAR)" + mesh},
      {"a third one", at(62, "SolAtVertices", {1, 2, 3}, 4),
       other + "3 FIELDS AT VERTICES (SCALAR, VECTOR, TENSOR)" + mesh},
      {"the two at the tetrahedra", at(66, "SolAtTetrahedra", {1, 2}, 1),
       other + "2 FIELDS AT TETRAHEDRA (SCALAR, VECTOR)" + mesh},
      {"eleven matrices", at(62, "SolAtVertices", std::vector<int>(11, 4), 4),
       other + "11 FIELDS AT VERTICES (MATRIX, MATRIX, MATRIX, MATRIX, MATRIX, MATRIX, MATRIX, MATRIX, MATRIX, "
               "MATRIX, ...)" + mesh},
      {"no solution", timeOnly, "NO SOLUTION IN IT"},
      {"the same fields, for more vertices", at(62, "SolAtVertices", {1, 2}, 5), ""},
  };
  for (const auto &r : rows)
    for (bool binary : {false, true}) {
      SCOPED_TRACE(std::string(r.What) + (binary ? ", binary" : ", text"));
      LoadContext ctx;
      Geometric_Mesh *msh = ctx.Load({m});
      ASSERT_TRUE(msh && msh->SolAtVer && msh->SolAtVer->NbrFld == 2) << ctx.Err;
      const std::string file = SaveFixture(r.File, binary ? "other.solb" : "other.sol", binary);
      LoadNoticeCollector window;
      const Captured c = CaptureText([&] { EXPECT_EQ(ReloadSolution(ctx.Fi, file.c_str(), msh), 0); });
      const std::string kept = window.take();
      EXPECT_EQ(std::vector<double>(msh->SolAtVer->Sol + 4, msh->SolAtVer->Sol + 20), shown);
      const std::string line = "  ## ERROR: RELOADSOLUTION: SOLUTION " + file + " NOT LOADED: " + r.Why + "\n";
      if (r.Why.empty()) {
        EXPECT_EQ(c.Err.find("NOT LOADED"), std::string::npos) << c.Err;
      } else {
        EXPECT_EQ(Occurrences(c.Err, line), 1u) << c.Err;
        EXPECT_EQ(c.Err.size() - c.Err.rfind(line), line.size()) << "the last line";
        EXPECT_CONTAINS(c.Err, "LOADSOLATENTITY: INVALID SOLUTION TYPE");
        EXPECT_EQ(kept, line);
      }
      ctx.Free(msh);
    }
}

// A file that another program changes while the reload reads it is not taken: the change
// lands (through the file's first read, seen by inotify) on the last values, which the reload
// has not reached yet. The answer is "not ready" with every value kept; or, should the read
// have ended before the change, the old version whole. Never a mixture. The file as it stands
// afterwards is then read whole.
TEST(SolutionLoad, AFileChangedWhileAReloadReadsItIsNotReadyAndKeepsTheValues) {
  const int n = 300000;
  // Some 30 MB of files: removed when the test ends.
  const TempFile files[] = {TempFile("changing.meshb"), TempFile("changing-b.solb"), TempFile("changing-a.solb"),
                            TempFile("changing.solb")};
  const std::string m = SaveFixture(MeshOf(3, n), "changing.meshb", true);
  auto version = [&](double v, const std::string &name) {
    const std::string path = SaveFixture(solFile(3, SolutionSec(62, "SolAtVertices", {1}, n, std::vector<double>(n, v))), name, true);
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string before = version(1, "changing-b.solb"), after = version(2, "changing-a.solb");
  ASSERT_EQ(before.size(), after.size());
  const std::string path = SaveNamed("changing.solb", before);
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({m});
  ASSERT_TRUE(msh && msh->SolAtVer);
  size_t last = before.size();
  while (last > 0 && before[last - 1] == after[last - 1]) last--;
  const size_t tail = 8 * 1000, at = last - tail;  // the last thousand values
  const int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, path.c_str(), IN_ACCESS), 0);
  std::atomic<bool> stop{false}, changed{false};
  std::thread writer([&] {
    // The first read queues the event before the reload returns: once it is there, the change
    // is made even when the reload has ended meanwhile (its answer must then be the old file).
    pollfd p{watch, POLLIN, 0};
    int ready = 0;
    while ((ready = poll(&p, 1, 20)) == 0 && !stop) {
    }
    if (ready <= 0) return;
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    changed = fd >= 0 && pwrite(fd, after.data() + at, tail, static_cast<off_t>(at)) == static_cast<ssize_t>(tail);
    if (fd >= 0) close(fd);
  });
  int res = -1;
  const Captured c = CaptureText([&] { res = ReloadSolution(ctx.Fi, path.c_str(), msh); });
  stop = true;
  writer.join();
  close(watch);
  ASSERT_TRUE(changed) << "the file was not changed during the reload";
  const double *val = msh->SolAtVer->Sol;
  int ones = 0, twos = 0;
  for (int k = 1; k <= n; k++) (val[k] == 1 ? ones : val[k] == 2 ? twos : k)++;
  printf("[ changed ] the reload answered %d\n", res);
  EXPECT_TRUE(res == 2 || res == 1) << res << c.Err;
  EXPECT_EQ(std::vector<int>({ones, twos}), std::vector<int>({n, 0})) << "the reload answered " << res;
  EXPECT_EQ(msh->NbrSolVer, n);
  if (res == 2) {
    EXPECT_EQ(c.Out, kNotReady);
  }
  // Left alone, the file holds its first values but the last thousand: read as it stands.
  CaptureText([&] { res = ReloadSolution(ctx.Fi, path.c_str(), msh); });
  EXPECT_EQ(res, 1);
  val = msh->SolAtVer->Sol;
  ones = twos = 0;
  for (int k = 1; k <= n; k++) (val[k] == 1 ? ones : val[k] == 2 ? twos : k)++;
  EXPECT_EQ(std::vector<int>({ones, twos}), std::vector<int>({n - 1000, 1000}));
  ctx.Free(msh);
}

}  // namespace

// Sections of one solution keyword are read as one list while their type lists agree (an
// empty one of other types between them changes nothing). Once two differ only the last is
// read, and the load and every reload say so, on standard error and to the window's collector,
// counting the lines the file holds, whatever its first section declares, in either encoding.
TEST(SolutionLoad, SectionsOfAKeywordJoinWhileTheirTypesAgreeElseTheLastIsReadAndSaid) {
  auto sec = [](std::vector<int> types, int64_t n, std::vector<double> v) {
    return SolutionSec(62, "SolAtVertices", types, n, v);
  };
  const std::string lastOnly = " HOLDS 2 SolAtVertices SECTIONS: ONLY THE LAST IS READ, 1 LINES LEFT OUT";
  const struct {
    const char *What;
    std::vector<FixtureSection> Sections;
    bool Overstated;  // the first section declares more lines than there are bytes in the file
    std::string Said;
  } rows[] = {
      {"same types", {sec({1}, 3, {1, 2, 3}), sec({1}, 1, {4})}, false, ""},
      {"an empty one of other types between", {sec({1}, 2, {1, 2}), sec({2}, 0, {}), sec({1}, 2, {3, 4})}, false, ""},
      {"other types", {sec({2}, 1, {7, 8, 9}), sec({1}, 4, {1, 2, 3, 4})}, false, lastOnly},
      {"other types, the first overstated", {sec({2}, 1, {7, 8, 9}), sec({1}, 4, {1, 2, 3, 4})}, true, lastOnly},
      // Three sections whose types change once: the last alone is read, also when the two
      // last agree.
      {"three, other types last", {sec({2}, 1, {7, 8, 9}), sec({2}, 1, {6, 5, 4}), sec({1}, 4, {1, 2, 3, 4})}, false,
       " HOLDS 3 SolAtVertices SECTIONS: ONLY THE LAST IS READ, 2 LINES LEFT OUT"},
      {"three, other types first", {sec({2}, 1, {7, 8, 9}), sec({1}, 2, {5, 6}), sec({1}, 4, {1, 2, 3, 4})}, false,
       " HOLDS 3 SolAtVertices SECTIONS: ONLY THE LAST IS READ, 3 LINES LEFT OUT"},
  };
  for (const auto &r : rows)
    for (bool binary : {false, true}) {
      SCOPED_TRACE(std::string(r.What) + (binary ? ", binary" : ", text"));
      const std::string m = SaveFixture(MeshOf(3, 4), binary ? "joinedb.mesh" : "joinedt.mesh", false);
      const std::string sol = SaveFixture(FixtureFile{2, 3, r.Sections}, binary ? "joinedb.solb" : "joinedt.sol", binary);
      if (r.Overstated) {
        std::string bytes = ReadAll(sol);
        if (binary) bytes.replace(28, 4, "\xff\xff\xff\x7f");  // the first section's count, version 2
        else bytes.replace(bytes.find("\n1\n"), 3, "\n9223372036854775807\n");
        ASSERT_TRUE(SaveText(sol, bytes));
      }
      LoadContext ctx;
      LoadNoticeCollector window;
      Geometric_Mesh *msh = ctx.Load({m});
      ASSERT_TRUE(msh && msh->SolAtVer) << ctx.Err;
      EXPECT_EQ(std::vector<double>(msh->SolAtVer->Sol + 1, msh->SolAtVer->Sol + 5), (std::vector<double>{1, 2, 3, 4}));
      const std::string shown = window.take();
      const Captured again = CaptureText([&] { EXPECT_EQ(ReloadSolution(ctx.Fi, sol.c_str(), msh), 1); });
      for (const std::string &said : {ctx.Err, shown, again.Err, window.take()}) {
        if (r.Said.empty()) {
          EXPECT_EQ(said.find("WARNING"), std::string::npos) << said;
        } else {
          EXPECT_CONTAINS(said, "## WARNING: LOADSOLUTION: " + sol + r.Said);
        }
      }
      ctx.Free(msh);
    }
}
