// The mesh writer: write, read back through the access library and compare.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/load/MeshWriter.h"
#include "tests/support/KmfCheck.h"
#include "tests/support/LoadFixtures.h"

using namespace fixtures;

namespace {

const int NV = 60;

// A mesh with every kind the model holds; every seventh vertex is dead, every fifth element
// is dead, and element 2 of each kind uses vertex 0 (invalid).
Geometric_Mesh *makeMesh(Memory_List *mem, int dim) {
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfVertices] = NV;
  for (int k : {KmfEdges, KmfTriangles, KmfQuadrilaterals, KmfTetrahedra, KmfPyramids, KmfPrisms, KmfHexahedra,
                KmfEdgesP2, KmfTrianglesP2, KmfQuadrilateralsQ2, KmfTetrahedraP2, KmfHexahedraQ2, KmfNormals})
    siz[k] = 12;
  Geometric_Mesh *m = NewCommonMesh(mem, siz.data());
  if (!m) return nullptr;
  m->Dim = dim;
  uint64_t state = 12345;
  auto in = [&](int lo, int hi) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return lo + static_cast<int>((state >> 33) % static_cast<uint64_t>(hi - lo + 1));
  };
  m->NbrVer = NV;
  for (int i = 1; i <= NV; i++) {
    Vertex &v = m->Ver[i];
    for (int k = 0; k < 3; k++) v.Crd[k] = k < dim ? in(-1000, 1000) / 8.0 : 0.0;
    v.Ref = in(0, 5);
    v.Tag = (i % 7 ? uint32_t(TAG_ALIVE) : 0u) | (i % 5 ? 0u : uint32_t(TAG_CORNER | TAG_REQUIRED)) | (i % 11 ? 0u : 3u);
  }
  auto fill = [&](auto *arr, int &count, int nodes) {
    count = 12;
    for (int i = 1; i <= 12; i++) {
      for (int k = 0; k < nodes; k++) arr[i].Ver[k] = in(1, NV);
      arr[i].Ref = in(-3, 30);
      arr[i].Tag = i % 5 ? uint32_t(TAG_ALIVE) : 0u;
    }
    arr[2].Ver[0] = 0;
  };
  fill(m->Efr, m->NbrEfr, 2);
  fill(m->Tri, m->NbrTri, 3);
  fill(m->Qua, m->NbrQua, 4);
  fill(m->Tet, m->NbrTet, 4);
  fill(m->Pyr, m->NbrPyr, 5);
  fill(m->Pri, m->NbrPri, 6);
  fill(m->Hex, m->NbrHex, 8);
  fill(m->P2Efr, m->NbrP2Efr, 3);
  fill(m->P2Tri, m->NbrP2Tri, 6);
  fill(m->P2Qua, m->NbrP2Qua, 9);
  fill(m->P2Tet, m->NbrP2Tet, 10);
  fill(m->P2Hex, m->NbrP2Hex, 27);
  for (int i = 1; i <= 12; i++) {
    m->Efr[i].Tag |= (i % 3 == 0 ? uint32_t(TAG_RIDGE) : 0u) | (i % 4 == 0 ? uint32_t(TAG_REQUIRED) : 0u);
    m->Nor[i] = Normal{0, i % 4 ? in(1, NV) : 0, {i / 4.0, -i / 8.0, 0.5}, 0};
  }
  m->NbrNor = 12;
  return m;
}

// What the file must hold: vertices with a new number nv[i] != 0 in that order, and the
// records that keep() selects whose vertices all have a new number.
template <class Keep>
FixtureFile expectedFile(const Geometric_Mesh *m, const std::vector<int> &nv, Keep keep) {
  FixtureFile f;
  f.Version = 3;
  f.Dim = m->Dim;
  std::vector<int64_t> cor, req;
  FixtureSection ver = Section(KmfVertices, "Vertices", std::string(static_cast<size_t>(m->Dim), 'r') + "i", 0);
  for (int i = 1; i <= m->NbrVer; i++) {
    if (!nv[i]) continue;
    ver.NmbLin++;
    for (int k = 0; k < m->Dim; k++) ver.Reals.push_back(m->Ver[i].Crd[k]);
    ver.Ints.push_back(m->Ver[i].Ref);
    if (m->Ver[i].Tag & TAG_CORNER) cor.push_back(nv[i]);
    if ((m->Ver[i].Tag & TAG_REQUIRED) || (m->Ver[i].Tag & 3) == 3) req.push_back(nv[i]);
  }
  f.Sections = {ver, List(KmfCorners, "Corners", cor), List(KmfRequiredVertices, "RequiredVertices", req)};
  std::vector<int> line;  // line of each written edge
  auto add = [&](int kwd, const char *name, const auto *arr, int n, int nodes) {
    std::vector<int64_t> out;
    line.assign(static_cast<size_t>(n) + 1, 0);
    for (int i = 1, count = 0; i <= n; i++) {
      bool ok = keep(arr[i].Tag);
      for (int k = 0; ok && k < nodes; k++) ok = arr[i].Ver[k] >= 1 && arr[i].Ver[k] <= m->NbrVer && nv[arr[i].Ver[k]];
      if (!ok) continue;
      for (int k = 0; k < nodes; k++) out.push_back(nv[arr[i].Ver[k]]);
      out.push_back(arr[i].Ref);
      line[i] = ++count;
    }
    f.Sections.push_back(Lines(kwd, name, nodes, out));
  };
  add(KmfTriangles, "Triangles", m->Tri, m->NbrTri, 3);
  add(KmfQuadrilaterals, "Quadrilaterals", m->Qua, m->NbrQua, 4);
  add(KmfTetrahedra, "Tetrahedra", m->Tet, m->NbrTet, 4);
  add(KmfPyramids, "Pyramids", m->Pyr, m->NbrPyr, 5);
  add(KmfPrisms, "Prisms", m->Pri, m->NbrPri, 6);
  add(KmfHexahedra, "Hexahedra", m->Hex, m->NbrHex, 8);
  add(KmfEdgesP2, "EdgesP2", m->P2Efr, m->NbrP2Efr, 3);
  add(KmfTrianglesP2, "TrianglesP2", m->P2Tri, m->NbrP2Tri, 6);
  add(KmfQuadrilateralsQ2, "QuadrilateralsQ2", m->P2Qua, m->NbrP2Qua, 9);
  add(KmfTetrahedraP2, "TetrahedraP2", m->P2Tet, m->NbrP2Tet, 10);
  add(KmfHexahedraQ2, "HexahedraQ2", m->P2Hex, m->NbrP2Hex, 27);
  add(KmfEdges, "Edges", m->Efr, m->NbrEfr, 2);
  std::vector<int64_t> rid, reqEdg;
  for (int i = 1; i <= m->NbrEfr; i++) {
    if (line[i] && (m->Efr[i].Tag & TAG_RIDGE)) rid.push_back(line[i]);
    if (line[i] && (m->Efr[i].Tag & TAG_REQUIRED)) reqEdg.push_back(line[i]);
  }
  f.Sections.push_back(List(KmfRidges, "Ridges", rid));
  f.Sections.push_back(List(KmfRequiredEdges, "RequiredEdges", reqEdg));
  return f;
}

std::vector<int> aliveNumbering(const Geometric_Mesh *m) {
  std::vector<int> nv(static_cast<size_t>(m->NbrVer) + 1, 0);
  for (int i = 1, k = 0; i <= m->NbrVer; i++) nv[i] = (m->Ver[i].Tag & TAG_ALIVE) ? ++k : 0;
  return nv;
}

bool isAlive(uint32_t tag) { return tag & TAG_ALIVE; }

class MeshWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mem = NewMemory(1000);
    DefaultFunInterface(&fi, mem, nullptr, "TEST");
  }
  void TearDown() override {
    if (m) FreeCommonMesh(mem, m);
    EXPECT_EQ(mem->NbrActive, 0);
    FreeMemory(mem);
  }
  Memory_List *mem = nullptr;
  Geometric_Mesh *m = nullptr;
  Function_Interface fi;
};

}  // namespace

// In 2-D and 3-D, and with every vertex alive (nothing renumbered, records written straight).
TEST_F(MeshWriterTest, WritesEveryAliveRecordWithRenumberedVertices) {
  for (int dim : {2, 3, 0}) {
    if (m) FreeCommonMesh(mem, m);
    m = makeMesh(mem, dim ? dim : 3);
    ASSERT_NE(m, nullptr);
    for (int i = 1; !dim && i <= NV; i++) m->Ver[i].Tag |= TAG_ALIVE;
    for (int i = 1; !dim && i <= m->NbrTet; i++) m->Tet[i].Tag |= TAG_ALIVE;
    if (!dim) m->Tet[2].Ver[0] = 7;
    std::vector<int> nv = aliveNumbering(m);
    FixtureFile want = expectedFile(m, nv, isAlive);
    ASSERT_FALSE(want.find(KmfRidges)->Ints.empty());
    if (!dim) {
      EXPECT_EQ(want.find(KmfTetrahedra)->NmbLin, 12);
    }
    // Normals: every one, attached to the new numbers of alive vertices.
    FixtureSection nor = Section(KmfNormals, "Normals", std::string(static_cast<size_t>(m->Dim), 'r'), m->NbrNor);
    std::vector<int64_t> at;
    for (int i = 1; i <= m->NbrNor; i++) {
      for (int k = 0; k < m->Dim; k++) nor.Reals.push_back(m->Nor[i].Crd[k]);
      if (m->Nor[i].Ver > 0 && nv[m->Nor[i].Ver]) at.insert(at.end(), {nv[m->Nor[i].Ver], i});
    }
    want.Sections.push_back(nor);
    want.Sections.push_back(Lines(KmfNormalAtVertices, "NormalAtVertices", 1, at));
    for (const char *name : {"w.meshb", "w.mesh"}) {
      SCOPED_TRACE(std::string(name) + " dim " + std::to_string(dim));
      TempFile p(name);
      ASSERT_EQ(WriteMesh(&fi, p.c_str(), m), 1);
      EXPECT_TRUE(FileMatches(p.Path, want));
    }
  }
}

// Sections the readers expect even when empty; sections left out when nothing is alive.
TEST_F(MeshWriterTest, EmptyAndMissingSections) {
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfVertices] = 4;
  siz[KmfTriangles] = 2;
  m = NewCommonMesh(mem, siz.data());
  m->Dim = 2;
  m->NbrVer = 4;
  for (int i = 1; i <= 4; i++) m->Ver[i] = Vertex{{double(i & 1), double(i / 2), 0}, TAG_ALIVE, 0, 0, 0, 0, 0, i, 0};
  m->NbrTri = 2;
  m->Tri[1] = Triangle{};
  m->Tri[1].Ver[0] = 1, m->Tri[1].Ver[1] = 2, m->Tri[1].Ver[2] = 3;
  m->Tri[2] = m->Tri[1];
  TempFile p("empty.mesh");
  ASSERT_EQ(WriteMesh(&fi, p.c_str(), m), 1);  // no triangle is alive
  std::string text;
  if (FILE *in = std::fopen(p.c_str(), "rb")) {
    for (int c; (c = std::fgetc(in)) != EOF;) text += static_cast<char>(c);
    std::fclose(in);
  }
  for (const char *never : {"\nTriangles\n", "\nTetrahedra\n", "\nCorners\n"}) EXPECT_EQ(text.find(never), std::string::npos) << never;
  for (const char *always : {"\nTrianglesP2\n0\n", "\nQuadrilaterals\n0\n", "\nPrisms\n0\n", "\nHexahedra\n0\n",
                             "\nTetrahedraP2\n0\n", "\nEdges\n0\n", "\nVertices\n4\n1 0 1 \n"})
    EXPECT_NE(text.find(always), std::string::npos) << always << text;
  m->Tri[2].Tag = TAG_ALIVE;
  ASSERT_EQ(WriteMesh(&fi, p.c_str(), m), 1);
  FixtureFile want = expectedFile(m, aliveNumbering(m), isAlive);
  EXPECT_EQ(want.find(KmfTriangles)->NmbLin, 1);
  EXPECT_TRUE(FileMatches(p.Path, want));
}

TEST_F(MeshWriterTest, SubMeshWritesTheMarkedPart) {
  m = makeMesh(mem, 3);
  std::vector<int> nv(NV + 1, 0);
  for (int i = 1, k = 0; i <= NV; i++) {
    uint32_t &t = m->Ver[i].Tag;
    t |= TAG_VISIBLE | (i % 3 ? 1u << 24 : 0u);  // user bits 1: selected when alive
    if ((t & TAG_ALIVE) && i % 3) nv[i] = ++k;
  }
  for (int i = 1; i <= m->NbrTet; i++) m->Tet[i].Tag |= i % 2 ? uint32_t(TAG_VISIBLE) : 0u;
  for (int i = 1; i <= m->NbrTri; i++) m->Tri[i].Tag |= TAG_VISIBLE;
  TempFile p("sub.meshb");
  ASSERT_EQ(WriteSubMesh(&fi, p.c_str(), m), 1);
  // Marked: alive, visible, user bits clear; never a record on an unselected vertex.
  FixtureFile full = expectedFile(m, nv, [](uint32_t t) { return (t & TAG_ALIVE) && (t & TAG_VISIBLE) && !(t & (3u << 24)); });
  FixtureFile want = full;
  want.Sections = {List(KmfCorners, "Corners", {})};
  for (int kwd : {KmfVertices, KmfTriangles, KmfTetrahedra, KmfPrisms}) want.Sections.push_back(*full.find(kwd));
  ASSERT_GT(want.find(KmfTriangles)->NmbLin, 0);
  EXPECT_TRUE(FileMatches(p.Path, want));
}

TEST_F(MeshWriterTest, SimplicialMeshIgnoresTheAliveBit) {
  m = makeMesh(mem, 3);
  for (int i = 1; i <= 12; i++) m->Tri[i].Ver[0] = m->Tet[i].Ver[0] = m->Efr[i].Ver[0] = i;  // no vertex 0
  TempFile p("simp.meshb");
  ASSERT_EQ(WriteSimplicialMesh(&fi, p.c_str(), m), 1);
  std::vector<int> same(NV + 1);
  for (int i = 0; i <= NV; i++) same[i] = i;
  FixtureFile all = expectedFile(m, same, [](uint32_t) { return true; }), want = all;
  want.Sections = {List(KmfPyramids, "Pyramids", {})};
  for (int kwd : {KmfVertices, KmfTriangles, KmfTetrahedra, KmfEdges, KmfRidges}) want.Sections.push_back(*all.find(kwd));
  EXPECT_EQ(want.find(KmfRidges)->NmbLin, 4);
  EXPECT_TRUE(FileMatches(p.Path, want));
}

TEST_F(MeshWriterTest, Failures) {
  m = makeMesh(mem, 3);
  EXPECT_EQ(WriteMesh(&fi, nullptr, m), 0);
  EXPECT_EQ(fi.ErrCod, 200);
  DefaultFunInterface(&fi, mem, nullptr, "TEST");
  EXPECT_EQ(WriteSubMesh(&fi, "x.meshb", nullptr), 0);
  EXPECT_EQ(fi.ErrCod, 200);
  DefaultFunInterface(&fi, mem, nullptr, "TEST");
  EXPECT_EQ(WriteMesh(&fi, TestPath("no/such/dir/x.meshb").c_str(), m), 0);
  EXPECT_EQ(fi.ErrCod, 100);
  EXPECT_TRUE(fi.Status & STATUS_FILE_UNREADABLE);
  // A disk that fills up: the writer says so.
  for (const char *name : {"full.meshb", "full.mesh"}) {
    TempFile link(name);
    ASSERT_EQ(symlink("/dev/full", link.c_str()), 0);
    DefaultFunInterface(&fi, mem, nullptr, "TEST");
    EXPECT_EQ(WriteMesh(&fi, link.c_str(), m), 0) << name;
  }
}
