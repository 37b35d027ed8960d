// Names that are not regular files (a FIFO, a link to /dev/zero, a folder) handed to every
// reader of the mesh library: each is refused at once with one line naming it, and what else
// was asked for loads as it would without it. Every load runs in a child process with a
// deadline: a reader that waits or reads for ever fails its case instead of hanging the suite.
#include "common/base/UserFile.h"
#include "common/kmf/KmfStream.h"
#include "tests/common/CommonTest.h"
#include "tests/support/HostileFiles.h"

namespace {

const char *const kSu2 =
    "NDIME= 2\n"
    "NELEM= 1\n"
    "5 0 1 2 0\n"
    "NPOIN= 3\n"
    "0 0 0\n1 0 1\n0 1 2\n"
    "NMARK= 0\n";

// The child's verdict: 0 as expected, 1 a wrong result, 2 no line naming the refused file.
enum { AsExpected = 0, WrongResult = 1, NoLine = 2 };

int verdict(bool expected, const std::string &err, const std::string &path) {
  if (!expected) return WrongResult;
  return err.find(path + " IS A") == std::string::npos ? NoLine : AsExpected;
}

struct Reader {
  const char *what;
  const char *endless;  // the name made endless
  // Loads with the endless name at path, the other files it needs saved as base followed by
  // their names; returns a verdict.
  std::function<int(const std::string &path, const std::string &base)> load;
};

std::string saveMesh(const std::string &path, const FixtureFile &f) {
  EXPECT_TRUE(SaveBytes(path, RawBinary(f, false)));
  return path;
}

// A mesh file alone: no mesh is made.
int meshAlone(const std::string &path, const std::string &) {
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({path});
  return verdict(msh == nullptr, ctx.Err, path);
}

const Reader kReaders[] = {
    {"text mesh", "e.mesh", meshAlone},
    {"binary mesh", "e.meshb", meshAlone},
    {"SU2 mesh", "e.su2", meshAlone},
    {"solution named with the mesh", "e.sol",
     [](const std::string &path, const std::string &base) {
       std::string m = saveMesh(base + "box.meshb", MeshOf(3, 4));
       LoadContext ctx;
       Geometric_Mesh *msh = ctx.Load({m}, path.c_str());
       return verdict(msh && msh->NbrVer == 4 && !msh->SolAtVer, ctx.Err, path);
     }},
    {"solution reloaded", "e.solb",
     [](const std::string &path, const std::string &base) {
       std::string m = saveMesh(base + "re.meshb", MeshOf(3, 2));
       saveMesh(base + "re.solb", FixtureFile{2, 3, {SolutionSec(62, "SolAtVertices", {1}, 2, {1, 2})}});
       LoadContext ctx;
       Geometric_Mesh *msh = ctx.Load({m});
       if (!msh || !msh->SolAtVer) return int(WrongResult);
       int r = -1;
       std::string err = CaptureText([&] { r = LoadSolution(ctx.Fi, path.c_str(), msh); }).Err;
       return verdict(r == 0, err, path);
     }},
    {"SU2 vertex solution", "flow.dat",
     [](const std::string &path, const std::string &base) {
       std::string m = base + "flow.su2";
       if (!SaveText(m, kSu2)) return int(WrongResult);
       LoadContext ctx;
       Geometric_Mesh *msh = ctx.Load({m});
       return verdict(msh && msh->NbrTri == 1 && !msh->SolAtVer, ctx.Err, path);
     }},
};

}  // namespace

TEST(EndlessInput, EveryReaderRefusesANameThatIsNotARegularFileAtOnce) {
  ScratchFolder dir("endless-readers");
  int k = 0;
  for (const Reader &r : kReaders)
    for (Endless kind : AllEndless) {
      const std::string base = dir.path(std::to_string(k++) + "_"), path = base + r.endless;
      ASSERT_TRUE(MakeEndless(path, kind)) << path;
      const int v = RunInChild([&] { return r.load(path, base); });
      RemoveEndless(path);
      EXPECT_EQ(v, AsExpected) << r.what << " as " << EndlessName(kind)
                               << (v == -1 ? ": still reading at the deadline" : v == NoLine ? ": no line names it" : "");
    }
}

// A link to a regular file is still read through.
TEST(EndlessInput, ALinkToARegularMeshIsReadThroughIt) {
  std::string m = SaveFixture(MeshOf(3, 5), "linked-target.meshb", true);
  TempFile link("linked.meshb");
  ASSERT_EQ(symlink(m.c_str(), link.c_str()), 0);
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({link.Path});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->NbrVer, 5);
  ctx.Free(msh);
}

// The text reader of keyword and SU2 files stops where it is told the file ended when it was
// opened, even when more bytes come after.
TEST(EndlessInput, TheTextReaderStopsAtTheSizeTheFileHadWhenOpened) {
  TempFile file("growing.txt");
  ASSERT_TRUE(SaveText(file.Path, "1 2 3"));
  int64_t size = 0;
  FILE *f = OpenUserFile(file.c_str(), 0, &size);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(size, 5);
  KmfTextBuffer *rd = KmfNewReader(f, 0);
  ASSERT_NE(rd, nullptr);
  rd->Limit = size;
  {
    FILE *more = fopen(file.c_str(), "a");
    ASSERT_NE(more, nullptr);
    fputs(" 4 5\n", more);
    fclose(more);
  }
  std::vector<int64_t> read;
  for (int64_t v; KmfReaderInt(rd, &v);) read.push_back(v);
  EXPECT_EQ(read, (std::vector<int64_t>{1, 2, 3}));
  // Back to the start: the same bytes again, no more.
  ASSERT_TRUE(KmfReaderSeek(rd, 2));
  read.clear();
  for (int64_t v; KmfReaderInt(rd, &v);) read.push_back(v);
  EXPECT_EQ(read, (std::vector<int64_t>{2, 3}));
  KmfFreeReader(rd);
  fclose(f);
}
