// A solution the user named that cannot serve is said in one line naming it and the reason;
// the solution the loader looks for beside a mesh stays optional and silent.
#include "tests/common/CommonTest.h"
#include "tests/support/HostileFiles.h"

namespace {

// What loading a mesh with a solution gives: whether the mesh came, whether with a solution,
// and the lines of standard error that say a named solution was not loaded.
struct Outcome {
  bool Mesh = false, Solution = false;
  std::vector<std::string> NotLoaded;
};

Outcome loadWith(const std::string &mesh, const char *sol) {
  Outcome o;
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({mesh}, sol);
  o.Mesh = msh && msh->NbrVer > 0;
  o.Solution = msh && msh->SolAtVer;
  std::istringstream lines(ctx.Err);
  for (std::string line; std::getline(lines, line);)
    if (line.find(" NOT LOADED: ") != std::string::npos) o.NotLoaded.push_back(line);
  if (msh) ctx.Free(msh);
  return o;
}

// The same in a child that meets file permissions as any user does; the lines come back
// through a file.
Outcome loadAsAnyUser(const std::string &mesh, const char *sol, const std::string &report) {
  const int r = RunInChild([&] {
    if (!DropFileOverride()) return 255;
    const Outcome o = loadWith(mesh, sol);
    std::ofstream out(report);
    for (const std::string &line : o.NotLoaded) out << line << '\n';
    return (o.Mesh ? 1 : 0) | (o.Solution ? 2 : 0);
  });
  EXPECT_TRUE(r >= 0 && r < 4) << "the child failed (255: permissions not dropped): " << r;
  Outcome o;
  o.Mesh = r >= 0 && (r & 1), o.Solution = r >= 0 && (r & 2);
  std::ifstream in(report);
  for (std::string line; std::getline(in, line);) o.NotLoaded.push_back(line);
  return o;
}

const char *const kLaterHeader = "A LATER Dimension OR MeshVersionFormatted OF ANOTHER VALUE THAN ITS HEADER'S";

}  // namespace

TEST(NamedSolution, ASolutionNamedThatCannotServeIsSaidInOneLineWithItsReason) {
  ScratchFolder dir("named-solution");
  const std::string mesh = SaveFixture(MeshOf(3, 4), "named-solution/m.mesh", false);
  const std::string alone = SaveFixture(MeshOf(3, 4), "named-solution/alone.mesh", false);
  const std::vector<double> values = {1, 2, 3, 4};
  SaveFixture(FixtureFile{2, 3, {SolutionSec(62, "SolAtVertices", {1}, 4, values)}}, "named-solution/good.sol", false);
  SaveFixture(MeshOf(3, 4), "named-solution/nosolution.sol", false);  // a mesh under a solution's name
  SaveNamed("named-solution/cut.sol", "MeshVersionFormatted 2\nDimen");
  SaveNamed("named-solution/words.sol", "hello world\n");
  SaveNamed("named-solution/field.txt", "1 2 3 4\n");
  SaveFixture(FixtureFile{2, 3, {SolutionSec(62, "SolAtVertices", {1}, 4, values)}}, "named-solution/locked.sol", false);
  ASSERT_EQ(chmod(dir.path("locked.sol").c_str(), 0), 0);
  ASSERT_EQ(mkdir(dir.path("folder.sol").c_str(), 0755), 0);
  ASSERT_TRUE(MakeEndless(dir.path("pipe.sol"), Endless::Fifo));
  // Taken by the size pass, refused when the mesh is made or the values are read.
  SaveFixture(FixtureFile{2, 3, {SolutionSec(62, "SolAtVertices", {1}, 5, {1, 2, 3, 4, 5})}}, "named-solution/big.sol", false);
  SaveFixture(FixtureFile{2, 2, {SolutionSec(62, "SolAtVertices", {1}, 4, values)}}, "named-solution/flat.sol", false);
  SaveFixture(FixtureFile{2, 3, {SolutionSec(62, "SolAtVertices", {0, 1}, 4, values)}}, "named-solution/type0.solb", true);
  // Refused by the opener for what it found in the file.
  const std::string solText = "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n4\n1 1\n1\n2\n3\n4\n";
  SaveNamed("named-solution/later2.sol", solText + "Dimension 2\nEnd\n");
  SaveNamed("named-solution/later20.sol", solText + "Dimension 2.0\nEnd\n");
  SaveNamed("named-solution/laterversion.sol", solText + "MeshVersionFormatted 3\nEnd\n");
  SaveFixture(FixtureFile{2, 3, {SolutionSec(62, "SolAtVertices", {1}, 4, values), Section(3, "Dimension", "i", 1, false).With({2})}},
              "named-solution/later2.solb", true);
  SaveFixture(FixtureFile{2, 3, {SolutionSec(62, "SolAtVertices", {7}, 1, {})}}, "named-solution/type7.solb", true);
  SaveNamed("named-solution/notypes.sol", "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n4\n0\n1\n2\n3\n4\nEnd\n");
  // SU2 meshes whose tables beside them hold no values: a header of coordinates alone, nothing.
  const std::string su2 = "NDIME= 2\nNELEM= 1\n5 0 1 2 0\nNPOIN= 3\n0 0 0\n1 0 1\n0 1 2\nNMARK= 0\n";
  const std::string plate = SaveNamed("named-solution/plate.su2", su2), bare = SaveNamed("named-solution/bare.su2", su2);
  SaveNamed("named-solution/plate.dat", "\"PointID\",\"x\",\"y\"\n");
  SaveNamed("named-solution/bare.dat", "");
  const std::string escaped = dir.path("e\x1b[31mRED\ny.sol");
  const std::string longName = dir.Path + "/" + std::string(FileNameMax, 'a') + ".sol";

  struct Row {
    const char *What;
    std::string Mesh, Sol;  // Sol empty: the one beside the mesh
    const char *Reason;     // null: no line
    bool AsAnyUser;
  } const rows[] = {
      {"a named solution that loads", mesh, dir.path("good.sol"), nullptr, false},
      {"a missing .sol", mesh, dir.path("missing.sol"), "NO SUCH FILE", false},
      {"a missing base name", mesh, dir.path("missing"), "NO SUCH FILE", false},
      {"a folder", mesh, dir.path("folder.sol"), "A FOLDER", false},
      {"a FIFO", mesh, dir.path("pipe.sol"), "NOT A REGULAR FILE", false},
      {"a file its user may not read", mesh, dir.path("locked.sol"), "NOT READABLE BY THIS USER", true},
      {"a file cut short in its header", mesh, dir.path("cut.sol"), "NOT A SOLUTION FILE OR CUT SHORT", false},
      {"a text that is no keyword file", mesh, dir.path("words.sol"), "NOT A SOLUTION FILE OR CUT SHORT", false},
      {"a keyword file without a solution", mesh, dir.path("nosolution.sol"), "NO SOLUTION IN IT", false},
      {"a file of another kind", mesh, dir.path("field.txt"), "NO .sol OR .solb FILE BY THAT NAME", false},
      {"a name too long for the loaders", mesh, longName, "A NAME LONGER THAN THE LOADERS TAKE", false},
      {"more values than the mesh has vertices", mesh, dir.path("big.sol"), "VALUES FOR 5 VERTICES ON A MESH OF 4", false},
      {"a solution of another dimension", mesh, dir.path("flat.sol"), "OF ANOTHER DIMENSION THAN THE MESH", false},
      {"a field type no loader knows", mesh, dir.path("type0.solb"), "DAMAGED, ITS VALUES CANNOT BE READ", false},
      {"a field type no loader knows, alone", mesh, dir.path("type7.solb"), "DAMAGED, ITS VALUES CANNOT BE READ", false},
      {"no field type", mesh, dir.path("notypes.sol"), "DAMAGED, ITS VALUES CANNOT BE READ", false},
      {"a later Dimension of another value", mesh, dir.path("later2.sol"), kLaterHeader, false},
      {"a later Dimension written 2.0", mesh, dir.path("later20.sol"), kLaterHeader, false},
      {"a later Dimension of another value, binary", mesh, dir.path("later2.solb"), kLaterHeader, false},
      {"a later version of another value", mesh, dir.path("laterversion.sol"), kLaterHeader, false},
      {"a missing name with a line feed and an escape", mesh, escaped, "NO SUCH FILE", false},
      {"no solution beside the mesh", alone, "", nullptr, false},
      {"a folder beside the mesh", mesh, "", nullptr, false},
      {"an SU2 mesh whose table beside it has no field column", plate, "", nullptr, false},
      {"an SU2 mesh whose table beside it is empty", bare, "", nullptr, false},
      {"that table named", plate, dir.path("plate.dat"), "NO SOLUTION IN IT", false},
  };
  ASSERT_EQ(mkdir(dir.path("m.sol").c_str(), 0755), 0);  // beside m.mesh
  for (const Row &r : rows) {
    SCOPED_TRACE(r.What);
    const char *sol = r.Sol.empty() ? nullptr : r.Sol.c_str();
    const Outcome o = r.AsAnyUser ? loadAsAnyUser(r.Mesh, sol, dir.path("report")) : loadWith(r.Mesh, sol);
    EXPECT_TRUE(o.Mesh) << "the mesh loads whatever became of its solution";
    EXPECT_EQ(o.Solution, !r.Reason && sol);
    if (!r.Reason) {
      EXPECT_TRUE(o.NotLoaded.empty()) << o.NotLoaded.front();
      continue;
    }
    EXPECT_EQ(o.NotLoaded.size(), 1u) << "one line says it";
    if (!o.NotLoaded.empty()) {
      EXPECT_CONTAINS(o.NotLoaded[0], "SOLUTION " + ShownName(r.Sol) + " NOT LOADED: " + r.Reason);
    }
  }
}

// A reload onto a mesh without a solution says the reason the opener found, as an opening does.
TEST(NamedSolution, AReloadOntoAMeshWithoutASolutionSaysTheReasonTheOpenerFound) {
  ScratchFolder dir("reload-reason");
  const std::string mesh = SaveFixture(MeshOf(3, 4), "reload-reason/m.mesh", false);
  const std::string solText = "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n4\n1 1\n1\n2\n3\n4\n";
  const struct {
    const char *What;
    std::string Sol, Reason;
  } rows[] = {
      {"a later Dimension written 2.0", SaveNamed("reload-reason/later.sol", solText + "Dimension 2.0\nEnd\n"), kLaterHeader},
      {"a field type no loader knows, alone",
       SaveFixture(FixtureFile{2, 3, {SolutionSec(62, "SolAtVertices", {7}, 1, {})}}, "reload-reason/type7.solb", true),
       "DAMAGED, ITS VALUES CANNOT BE READ"},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.What);
    LoadContext ctx;
    Geometric_Mesh *msh = ctx.Load({mesh});
    ASSERT_TRUE(msh && !msh->SolAtVer) << ctx.Err;
    int res = -1;
    const Captured c = CaptureText([&] { res = ReloadSolution(ctx.Fi, r.Sol.c_str(), msh); });
    EXPECT_EQ(res, 0);
    EXPECT_CONTAINS(c.Err, "RELOADSOLUTION: SOLUTION " + ShownName(r.Sol) + " NOT LOADED: " + r.Reason);
    EXPECT_EQ(msh->SolAtVer, nullptr);
    ctx.Free(msh);
  }
}
