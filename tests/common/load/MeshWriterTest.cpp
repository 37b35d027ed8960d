// The mesh writer: what each variant leaves out and how it renumbers the vertices, against
// the file content written out by hand, and the version it gives a file. LoadRoundTripTest
// writes and reloads every kind; MeshioReadTest has another program read what it writes.
#include <map>

#include "common/base/UserFile.h"
#include "tests/common/CommonTest.h"
#include "tests/support/HostileFiles.h"

namespace {

// Keyword number and line count of every section a file declares, found by walking it
// without the access library (which takes an empty section for an absent one): the text
// encoding word by word, the binary one (this machine's byte order) by its positions. The
// version goes to ver; an empty map when the walk fails.
std::map<int, int64_t> declaredSections(const std::string &path, int &ver) {
  std::map<int, int64_t> found;
  const std::string bytes = ReadAll(path);
  ver = 0;
  if (path.back() != 'b') {
    std::istringstream in(bytes);
    std::string word;
    while (in >> word) {
      int kwd = KmfFindKeyword(word.c_str(), word.size());
      if (kwd == KmfMeshVersionFormatted) in >> ver;
      if (KmfKeywordKind(kwd) != KmfKwdData) continue;
      int64_t n = -1;
      in >> n;
      found[kwd] = n;
    }
    return found;
  }
  auto i32 = [&](size_t at) {
    int32_t v = 0;
    if (at + 4 <= bytes.size()) memcpy(&v, bytes.data() + at, 4);
    return static_cast<int64_t>(v);
  };
  ver = static_cast<int>(i32(4));
  if (ver < 1 || ver > 3) return {};
  const size_t posWidth = ver >= 3 ? 8 : 4;
  auto pos = [&](size_t at) { return posWidth == 4 ? i32(at) : i32(at) + (i32(at + 4) << 32); };
  for (int64_t at = 12; at > 0 && static_cast<size_t>(at) < bytes.size();) {
    int kwd = at == 12 ? int{KmfDimension} : static_cast<int>(i32(static_cast<size_t>(at)));
    int64_t next = at == 12 ? pos(12) : pos(static_cast<size_t>(at) + 4);
    if (KmfKeywordKind(kwd) == KmfKwdData) found[kwd] = i32(static_cast<size_t>(at) + 4 + posWidth);
    if (kwd == KmfEnd) return found;
    if (next <= at) return {};
    at = next;
  }
  return {};
}

const uint32_t kAlive = TAG_ALIVE, kShown = TAG_ALIVE | TAG_VISIBLE;

template <class Rec>
void add(Rec *arr, int &count, std::initializer_list<int> ver, int ref, uint32_t tag) {
  Rec &r = AddRecord(arr, count, ver);
  r.Ref = ref;
  r.Tag = tag;
}

// Vertex v at (v, 2v, 3v) / 16 with reference v; vertex 3 is dead, vertices 1 and 6 corners
// and vertex 5 required by its type. A triangle, a P2 triangle and a tetrahedron on alive
// vertices; a triangle on the dead vertex, a dead one and one naming vertex 0; ridge (1 2),
// edge (2 3), required ridge (5 6); normals at vertices 5 and 3.
Geometric_Mesh *makeMesh(Memory_List *mem) {
  Geometric_Mesh *m = MakeSizedMesh(mem, {{KmfVertices, 6}, {KmfTriangles, 5}, {KmfTrianglesP2, 1},
                                          {KmfTetrahedra, 2}, {KmfEdges, 3}, {KmfNormals, 2}});
  for (int v = 1; v <= 6; v++) {
    AddVertex(m, v / 16.0, 2 * v / 16.0, 3 * v / 16.0);
    m->Ver[v].Ref = v;
    m->Ver[v].Tag = v == 3 ? 0 : kShown;
  }
  m->Ver[1].Tag |= TAG_CORNER;
  m->Ver[6].Tag |= TAG_CORNER;
  m->Ver[5].Tag |= TAG_VER_TYPE;
  add(m->Tri, m->NbrTri, {1, 2, 4}, 5, kShown);
  add(m->Tri, m->NbrTri, {2, 3, 4}, 6, kShown);
  add(m->Tri, m->NbrTri, {4, 5, 6}, 7, 0);
  add(m->Tri, m->NbrTri, {1, 0, 2}, 8, kShown);
  add(m->P2Tri, m->NbrP2Tri, {1, 2, 4, 5, 6, 2}, 9, kAlive);
  add(m->Tet, m->NbrTet, {1, 2, 4, 5}, 2, kShown);
  add(m->Tet, m->NbrTet, {1, 2, 4, 6}, 3, 0);
  add(m->Efr, m->NbrEfr, {1, 2}, 1, kAlive | TAG_RIDGE);
  add(m->Efr, m->NbrEfr, {2, 3}, 2, kAlive);
  add(m->Efr, m->NbrEfr, {5, 6}, 3, kAlive | TAG_REQUIRED | TAG_RIDGE);
  m->Nor[++m->NbrNor] = Normal{0, 5, {0, 0, 1}, 0};
  m->Nor[++m->NbrNor] = Normal{0, 3, {1, 0, 0}, 0};
  return m;
}

// Version 2, dimension 3: the vertices v of the mesh in the order given, then the sections.
FixtureFile expected(const std::vector<int> &vertices, std::vector<FixtureSection> sections) {
  FixtureFile f;
  f.Version = 2;
  FixtureSection ver = Section(KmfVertices, "Vertices", "rrri", static_cast<int64_t>(vertices.size()));
  for (int v : vertices) {
    for (int k = 1; k <= 3; k++) ver.Reals.push_back(k * v / 16.0);
    ver.Ints.push_back(v);
  }
  f.Sections = {ver};
  f.Sections.insert(f.Sections.end(), sections.begin(), sections.end());
  return f;
}

class MeshWriterTest : public MeshTestBase {
 protected:
  void SetUp() override { msh = makeMesh(mem); }
  // Writes with the variant into both encodings and compares with want, whose sections are
  // the only ones the file declares: those without a line are left out.
  void expectWritten(int (*write)(Function_Interface *, const char *, Geometric_Mesh *), const FixtureFile &want) {
    std::map<int, int64_t> sections;
    for (const auto &s : want.Sections) sections[s.Kwd] = s.NmbLin;
    for (const char *name : {"w.meshb", "w.mesh"}) {
      TempFile p(name);
      ASSERT_EQ(write(&fi, p.c_str(), msh), 1) << name;
      EXPECT_TRUE(FileMatches(p.Path, want)) << name;
      int ver = 0;
      EXPECT_EQ(declaredSections(p.Path, ver), sections) << name;
      EXPECT_EQ(ver, 2) << name;
    }
  }
};

}  // namespace

// The dead vertex goes, those after it move down by one, and every record on it goes too;
// corners and required vertices name the new vertex numbers, ridges and required edges the
// new edge lines.
TEST_F(MeshWriterTest, AliveRecordsWithRenumberedVertices) {
  expectWritten(WriteMesh, expected({1, 2, 4, 5, 6},
                                    {List(KmfCorners, "Corners", {1, 5}), List(KmfRequiredVertices, "RequiredVertices", {4}),
                                     Lines(KmfTriangles, "Triangles", 3, {1, 2, 3, 5}),
                                     Lines(KmfTrianglesP2, "TrianglesP2", 6, {1, 2, 3, 4, 5, 2, 9}),
                                     Lines(KmfTetrahedra, "Tetrahedra", 4, {1, 2, 3, 4, 2}),
                                     Lines(KmfEdges, "Edges", 2, {1, 2, 1, 4, 5, 3}), List(KmfRidges, "Ridges", {1, 2}),
                                     List(KmfRequiredEdges, "RequiredEdges", {2}),
                                     Section(KmfNormals, "Normals", "rrr", 2).With({}, {0, 0, 1, 1, 0, 0}),
                                     Lines(KmfNormalAtVertices, "NormalAtVertices", 1, {4, 1})}));
}

// Every vertex alive: nothing is renumbered, and records left out are skipped in place.
TEST_F(MeshWriterTest, AliveRecordsWithTheirOwnNumbers) {
  msh->Ver[3].Tag = kShown;
  FixtureFile want = expected(
      {1, 2, 3, 4, 5, 6},
      {List(KmfCorners, "Corners", {1, 6}), List(KmfRequiredVertices, "RequiredVertices", {5}),
       Lines(KmfTriangles, "Triangles", 3, {1, 2, 4, 5, 2, 3, 4, 6}),
       Lines(KmfTrianglesP2, "TrianglesP2", 6, {1, 2, 4, 5, 6, 2, 9}), Lines(KmfTetrahedra, "Tetrahedra", 4, {1, 2, 4, 5, 2}),
       Lines(KmfEdges, "Edges", 2, {1, 2, 1, 2, 3, 2, 5, 6, 3}), List(KmfRidges, "Ridges", {1, 3}),
       List(KmfRequiredEdges, "RequiredEdges", {3}), Section(KmfNormals, "Normals", "rrr", 2).With({}, {0, 0, 1, 1, 0, 0}),
       Lines(KmfNormalAtVertices, "NormalAtVertices", 1, {5, 1, 3, 2})});
  expectWritten(WriteMesh, want);
}

// Vertices alive, visible and with user bits 1; elements alive, visible, with user bits 0 and
// every vertex selected.
TEST_F(MeshWriterTest, SubMeshWritesTheMarkedPart) {
  for (int v : {1, 2, 4, 5}) msh->Ver[v].Tag |= 1u << 24;
  msh->Tri[1].Tag &= ~TAG_VISIBLE;
  add(msh->Tri, msh->NbrTri, {1, 4, 5}, 4, kShown);
  expectWritten(WriteSubMesh, expected({1, 2, 4, 5}, {Lines(KmfTriangles, "Triangles", 3, {1, 3, 4, 4}),
                                                      Lines(KmfTetrahedra, "Tetrahedra", 4, {1, 2, 3, 4, 2})}));
}

TEST_F(MeshWriterTest, SimplicialMeshIgnoresTheAliveBit) {
  msh->Tri[4].Ver[1] = 3;  // no vertex 0 here: records are written as stored
  expectWritten(WriteSimplicialMesh,
                expected({1, 2, 3, 4, 5, 6}, {List(KmfCorners, "Corners", {1, 6}), List(KmfRequiredVertices, "RequiredVertices", {5}),
                                              Lines(KmfTriangles, "Triangles", 3, {1, 2, 4, 5, 2, 3, 4, 6, 4, 5, 6, 7, 1, 3, 2, 8}),
                                              Lines(KmfTetrahedra, "Tetrahedra", 4, {1, 2, 4, 5, 2, 1, 2, 4, 6, 3}),
                                              Lines(KmfEdges, "Edges", 2, {1, 2, 1, 2, 3, 2, 5, 6, 3}),
                                              List(KmfRidges, "Ridges", {1, 3}), List(KmfRequiredEdges, "RequiredEdges", {3})}));
}

// Nothing alive (and no normal, which has no tag): the file holds no section, and opens.
TEST_F(MeshWriterTest, NothingAliveWritesNoSection) {
  for (int v = 1; v <= msh->NbrVer; v++) msh->Ver[v].Tag = 0;
  msh->NbrNor = 0;
  FixtureFile want = expected({}, {});
  want.Sections.clear();
  expectWritten(WriteMesh, want);
}

// Text files have no section positions: version 2 whatever their size. A binary file is
// version 2 while every record of the mesh fits in 2 GB of it, else 3.
TEST(MeshWriteVersion, TwoUnlessABinaryFileCouldPassTwoGigabytes) {
  struct Case {
    const char *what, *name;
    int dim, vertices, tetrahedra, hexahedraQ2;
    int version;
  } cases[] = {
      {"small binary", "m.meshb", 3, 1000, 5000, 0, 2},
      {"2.0 GB of tetrahedra", "m.meshb", 3, 0, 100000000, 0, 2},
      {"2.2 GB of tetrahedra", "m.meshb", 3, 0, 110000000, 0, 3},
      {"1.8 GB of 3-D vertices", "m.meshb", 3, 50000000, 0, 0, 2},
      {"2.2 GB of 3-D vertices", "m.meshb", 3, 60000000, 0, 0, 3},
      {"the same vertices in 2-D", "m.meshb", 2, 60000000, 0, 0, 2},
      {"2.2 GB of Q2 hexahedra", "m.meshb", 3, 0, 0, 20000000, 3},
      {"any text file", "m.mesh", 3, 200000000, 400000000, 0, 2},
      {"a name without extension, written as text", "m", 3, 200000000, 400000000, 0, 2},
  };
  for (const Case &c : cases) {
    Geometric_Mesh m{};
    m.Dim = c.dim;
    m.NbrVer = c.vertices;
    m.NbrTet = c.tetrahedra;
    m.NbrP2Hex = c.hexahedraQ2;
    EXPECT_EQ(MeshWriteVersion(c.name, &m), c.version) << c.what;
  }
}

TEST_F(MeshWriterTest, Failures) {
  CaptureText([&] {
    EXPECT_EQ(WriteMesh(&fi, TestPath("no/such/dir/x.meshb").c_str(), msh), 0);
    EXPECT_EQ(fi.ErrCod, ERR_BAD_DATA);
  });
  EXPECT_TRUE(fi.Status & STATUS_FILE_UNREADABLE);
  // A device is no file to write into: refused, left as it is.
  for (const char *name : {"full.meshb", "full.mesh"}) {
    TempFile link(name);
    ASSERT_EQ(symlink("/dev/full", link.c_str()), 0);
    std::string err = CaptureText([&] { EXPECT_EQ(WriteMesh(&fi, link.c_str(), msh), 0) << name; }).Err;
    EXPECT_CONTAINS(err, link.Path + " IS A CHARACTER DEVICE");
  }
}

// A disk that fills up midway: the writer says so, no partial file is left and the file it was
// to replace stays whole, in both encodings and for a new name alike.
TEST_F(MeshWriterTest, AWriteThatFailsMidwayLeavesNoPartialFileAndTheOldOneWhole) {
  Geometric_Mesh *big = MakeStructuredMesh(mem, 16, 16, 16, GEN_TET);
  ScratchFolder dir("writer-full");
  for (const char *name : {"kept.meshb", "kept.mesh"}) {
    const std::string old = "an older mesh file the failed write must not touch";
    ASSERT_TRUE(SaveText(dir.path(name), old));
    std::string err;
    {
      FileSizeLimit full(16384);
      ASSERT_TRUE(full.active());
      // Each failure keeps its reason for the window that shows it.
      err = CaptureText([&] {
              EXPECT_EQ(WriteMesh(&fi, dir.path(name).c_str(), big), 0) << name;
              EXPECT_STREQ(UserFileWriteReason(), strerror(EFBIG)) << name;
              EXPECT_EQ(WriteMesh(&fi, dir.path(std::string("new") + name).c_str(), big), 0) << name;
              EXPECT_STREQ(UserFileWriteReason(), strerror(EFBIG)) << name;
            }).Err;
    }
    EXPECT_CONTAINS(err, "WRITING " + dir.path(name) + " FAILED");
    EXPECT_EQ(ReadAll(dir.path(name)), old) << name;
  }
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"kept.mesh", "kept.meshb"}));
  // Without the limit the same write replaces the old file.
  ASSERT_EQ(WriteMesh(&fi, dir.path("kept.meshb").c_str(), big), 1);
  EXPECT_EQ(UserFileWriteReason(), nullptr);
  EXPECT_GT(ReadAll(dir.path("kept.meshb")).size(), 16384u);
  FreeCommonMesh(mem, big);
}
