// The mesh writer: write, read back through the access library and compare.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "common/FunctionInterface.h"
#include "common/KmfMeshFile.h"
#include "common/Memory.h"
#include "common/Mesh.h"
#include "common/MeshWriter.h"
#include "tests/support/MeshFixtures.h"

using namespace fixtures;

namespace {

// Every value of a section read as int64 (integer lines) or double (real lines).
std::vector<int64_t> ints(KmfMeshFile *f, int kwd, int nfld) {
  int64_t n = KmfStatKwd(f, kwd);
  std::vector<int64_t> v(static_cast<size_t>(n * nfld));
  std::vector<KmfField> fl;
  for (int k = 0; k < nfld; k++) fl.push_back({KmfLong, reinterpret_cast<char *>(v.data() + k), 8 * nfld});
  if (n) {
    EXPECT_EQ(KmfGetBlockFields(f, kwd, 1, n, 0, nullptr, nullptr, nullptr, nfld, fl.data()), 1);
  }
  return v;
}

std::vector<double> coords(KmfMeshFile *f, int dim, std::vector<int64_t> *refs) {
  int64_t n = KmfStatKwd(f, KmfVertices);
  std::vector<double> v(static_cast<size_t>(n * dim));
  refs->assign(static_cast<size_t>(n), 0);
  std::vector<KmfField> fl;
  for (int k = 0; k < dim; k++) fl.push_back({KmfDouble, reinterpret_cast<char *>(v.data() + k), 8 * dim});
  fl.push_back({KmfLong, reinterpret_cast<char *>(refs->data()), 8});
  if (n) {
    EXPECT_EQ(KmfGetBlockFields(f, KmfVertices, 1, n, 0, nullptr, nullptr, nullptr, dim + 1, fl.data()), 1);
  }
  return v;
}

struct Gen {
  uint64_t S = 12345;
  int in(int lo, int hi) {
    S = S * 6364136223846793005ull + 1442695040888963407ull;
    return lo + static_cast<int>((S >> 33) % static_cast<uint64_t>(hi - lo + 1));
  }
};

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
  Gen g;
  m->NbrVer = NV;
  for (int i = 1; i <= NV; i++) {
    Vertex &v = m->Ver[i];
    for (int k = 0; k < 3; k++) v.Crd[k] = k < dim ? g.in(-1000, 1000) / 8.0 : 0.0;
    v.Ref = g.in(0, 5);
    v.Tag = i % 7 ? uint32_t(TAG_ALIVE) : 0u;
    if (i % 5 == 0) v.Tag |= TAG_CORNER | TAG_REQUIRED;
    if (i % 11 == 0) v.Tag |= 3;  // required by its two low bits
  }
  auto fill = [&](auto *arr, int &count, int nodes) {
    count = 12;
    for (int i = 1; i <= 12; i++) {
      for (int k = 0; k < nodes; k++) arr[i].Ver[k] = g.in(1, NV);
      arr[i].Ref = g.in(-3, 30);
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
    m->Nor[i].Crd[0] = i / 4.0;
    m->Nor[i].Crd[1] = -i / 8.0;
    m->Nor[i].Crd[2] = 0.5;
    m->Nor[i].Ver = i % 4 ? g.in(1, NV) : 0;
  }
  m->NbrNor = 12;
  return m;
}

// New vertex numbers: alive vertices 1, 2, ... in order.
std::vector<int> aliveNumbering(const Geometric_Mesh *m) {
  std::vector<int> nv(static_cast<size_t>(m->NbrVer) + 1, 0);
  for (int i = 1, k = 0; i <= m->NbrVer; i++) nv[i] = (m->Ver[i].Tag & TAG_ALIVE) ? ++k : 0;
  return nv;
}

// Expected lines of one kind: selected records whose vertices all have a new number.
template <typename Rec, typename Keep>
std::vector<int64_t> expected(const Rec *arr, int n, int nodes, const std::vector<int> &nv, Keep keep,
                              std::vector<int> *line = nullptr) {
  std::vector<int64_t> out;
  if (line) line->assign(static_cast<size_t>(n) + 1, 0);
  int count = 0;
  for (int i = 1; i <= n; i++) {
    bool ok = keep(arr[i]);
    for (int k = 0; ok && k < nodes; k++) ok = arr[i].Ver[k] >= 1 && arr[i].Ver[k] < static_cast<int>(nv.size()) && nv[arr[i].Ver[k]];
    if (!ok) continue;
    for (int k = 0; k < nodes; k++) out.push_back(nv[arr[i].Ver[k]]);
    out.push_back(arr[i].Ref);
    if (line) (*line)[i] = ++count;
  }
  return out;
}

bool isAlive(uint32_t t) { return t & TAG_ALIVE; }

void checkWrittenMesh(const std::string &path, const Geometric_Mesh *m) {
  int ver = 0, dim = 0;
  KmfMeshFile *f = KmfOpenMesh(path.c_str(), KmfRead, &ver, &dim);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(ver, 3);
  EXPECT_EQ(dim, m->Dim);
  std::vector<int> nv = aliveNumbering(m);
  std::vector<int64_t> refs;
  std::vector<double> xyz = coords(f, dim, &refs);
  std::vector<double> wantXyz;
  std::vector<int64_t> wantRef, wantCor, wantReq;
  for (int i = 1; i <= m->NbrVer; i++) {
    if (!nv[i]) continue;
    for (int k = 0; k < dim; k++) wantXyz.push_back(m->Ver[i].Crd[k]);
    wantRef.push_back(m->Ver[i].Ref);
    if (m->Ver[i].Tag & TAG_CORNER) wantCor.push_back(nv[i]);
    if ((m->Ver[i].Tag & TAG_REQUIRED) || (m->Ver[i].Tag & 3) == 3) wantReq.push_back(nv[i]);
  }
  EXPECT_EQ(xyz, wantXyz);
  EXPECT_EQ(refs, wantRef);
  EXPECT_EQ(ints(f, KmfCorners, 1), wantCor);
  EXPECT_EQ(ints(f, KmfRequiredVertices, 1), wantReq);
  auto live = [](const auto &r) { return isAlive(r.Tag); };
  EXPECT_EQ(ints(f, KmfTriangles, 4), expected(m->Tri, m->NbrTri, 3, nv, live));
  EXPECT_EQ(ints(f, KmfQuadrilaterals, 5), expected(m->Qua, m->NbrQua, 4, nv, live));
  EXPECT_EQ(ints(f, KmfTetrahedra, 5), expected(m->Tet, m->NbrTet, 4, nv, live));
  EXPECT_EQ(ints(f, KmfPyramids, 6), expected(m->Pyr, m->NbrPyr, 5, nv, live));
  EXPECT_EQ(ints(f, KmfPrisms, 7), expected(m->Pri, m->NbrPri, 6, nv, live));
  EXPECT_EQ(ints(f, KmfHexahedra, 9), expected(m->Hex, m->NbrHex, 8, nv, live));
  EXPECT_EQ(ints(f, KmfEdgesP2, 4), expected(m->P2Efr, m->NbrP2Efr, 3, nv, live));
  EXPECT_EQ(ints(f, KmfTrianglesP2, 7), expected(m->P2Tri, m->NbrP2Tri, 6, nv, live));
  EXPECT_EQ(ints(f, KmfQuadrilateralsQ2, 10), expected(m->P2Qua, m->NbrP2Qua, 9, nv, live));
  EXPECT_EQ(ints(f, KmfTetrahedraP2, 11), expected(m->P2Tet, m->NbrP2Tet, 10, nv, live));
  EXPECT_EQ(ints(f, KmfHexahedraQ2, 28), expected(m->P2Hex, m->NbrP2Hex, 27, nv, live));
  std::vector<int> line;
  EXPECT_EQ(ints(f, KmfEdges, 3), expected(m->Efr, m->NbrEfr, 2, nv, live, &line));
  std::vector<int64_t> rid, req;
  for (int i = 1; i <= m->NbrEfr; i++) {
    if (!line[i]) continue;
    if (m->Efr[i].Tag & TAG_RIDGE) rid.push_back(line[i]);
    if (m->Efr[i].Tag & TAG_REQUIRED) req.push_back(line[i]);
  }
  EXPECT_FALSE(rid.empty());
  EXPECT_EQ(ints(f, KmfRidges, 1), rid);
  EXPECT_EQ(ints(f, KmfRequiredEdges, 1), req);
  // Normals: every one, attached to the new numbers of alive vertices.
  ASSERT_EQ(KmfStatKwd(f, KmfNormals), m->NbrNor);
  std::vector<int64_t> at;
  for (int i = 1; i <= m->NbrNor; i++)
    if (m->Nor[i].Ver > 0 && nv[m->Nor[i].Ver]) {
      at.push_back(nv[m->Nor[i].Ver]);
      at.push_back(i);
    }
  EXPECT_EQ(ints(f, KmfNormalAtVertices, 2), at);
  double n3[3];
  ASSERT_EQ(KmfGotoKwd(f, KmfNormals), 1);
  ASSERT_EQ(KmfGetLin(f, KmfNormals, &n3[0], &n3[1], &n3[2]), 1);
  EXPECT_EQ(n3[0], m->Nor[1].Crd[0]);
  EXPECT_EQ(n3[1], m->Nor[1].Crd[1]);
  KmfCloseMesh(f);
}

class MeshWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mem = NewMemory(1000);
    DefaultFunInterface(&fi, mem, nullptr, "TEST");
  }
  void TearDown() override { FreeMemory(mem); }
  Memory_List *mem = nullptr;
  Function_Interface fi;
};

}  // namespace

TEST_F(MeshWriterTest, WritesEveryAliveRecordWithRenumberedVertices) {
  for (int dim : {2, 3}) {
    Geometric_Mesh *m = makeMesh(mem, dim);
    ASSERT_NE(m, nullptr);
    for (const char *name : {"w.meshb", "w.mesh"}) {
      SCOPED_TRACE(std::string(name) + " dim " + std::to_string(dim));
      TempFile p(name);
      ASSERT_EQ(WriteMesh(&fi, p.c_str(), m), 1);
      checkWrittenMesh(p.Path, m);
    }
    FreeCommonMesh(mem, m);
  }
  EXPECT_EQ(mem->NbrActive, 0);
}

// All vertices alive: nothing is renumbered and the records are written straight.
TEST_F(MeshWriterTest, AllAliveMeshKeepsItsNumbers) {
  Geometric_Mesh *m = makeMesh(mem, 3);
  for (int i = 1; i <= m->NbrVer; i++) m->Ver[i].Tag |= TAG_ALIVE;
  for (int i = 1; i <= m->NbrTet; i++) m->Tet[i].Tag |= TAG_ALIVE;
  m->Tet[2].Ver[0] = 7;
  TempFile p("alive.meshb");
  ASSERT_EQ(WriteMesh(&fi, p.c_str(), m), 1);
  checkWrittenMesh(p.Path, m);
  KmfMeshFile *f = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
  ASSERT_NE(f, nullptr);
  std::vector<int64_t> tet = ints(f, KmfTetrahedra, 5);
  ASSERT_EQ(tet.size(), 60u);
  EXPECT_EQ(tet[5], 7);
  KmfCloseMesh(f);
  FreeCommonMesh(mem, m);
}

// Sections the readers expect even when empty; sections left out when nothing is alive.
TEST_F(MeshWriterTest, EmptyAndMissingSections) {
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfVertices] = 4;
  siz[KmfTriangles] = 2;
  Geometric_Mesh *m = NewCommonMesh(mem, siz.data());
  m->Dim = 2;
  m->NbrVer = 4;
  for (int i = 1; i <= 4; i++) m->Ver[i] = Vertex{{double(i & 1), double(i / 2), 0}, TAG_ALIVE, 0, 0, 0, 0, 0, i, 0};
  m->NbrTri = 2;
  m->Tri[1] = Triangle{};
  m->Tri[1].Ver[0] = 1, m->Tri[1].Ver[1] = 2, m->Tri[1].Ver[2] = 3;
  m->Tri[2] = m->Tri[1];
  TempFile p("empty.mesh");
  ASSERT_EQ(WriteMesh(&fi, p.c_str(), m), 1);  // no triangle is alive
  FILE *in = std::fopen(p.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  std::string text;
  for (int c; (c = std::fgetc(in)) != EOF;) text += static_cast<char>(c);
  std::fclose(in);
  EXPECT_EQ(text.find("\nTriangles\n"), std::string::npos);
  EXPECT_EQ(text.find("\nTetrahedra\n"), std::string::npos);
  EXPECT_EQ(text.find("\nCorners\n"), std::string::npos);
  for (const char *always : {"\nTrianglesP2\n0\n", "\nQuadrilaterals\n0\n", "\nPrisms\n0\n", "\nHexahedra\n0\n",
                             "\nTetrahedraP2\n0\n", "\nEdges\n0\n"})
    EXPECT_NE(text.find(always), std::string::npos) << always;
  EXPECT_NE(text.find("\nVertices\n4\n1 0 1 \n"), std::string::npos) << text;
  m->Tri[2].Tag = TAG_ALIVE;
  ASSERT_EQ(WriteMesh(&fi, p.c_str(), m), 1);
  KmfMeshFile *f = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(KmfStatKwd(f, KmfTriangles), 1);
  KmfCloseMesh(f);
  FreeCommonMesh(mem, m);
}

TEST_F(MeshWriterTest, SubMeshWritesTheMarkedPart) {
  Geometric_Mesh *m = makeMesh(mem, 3);
  std::vector<int> nv(NV + 1, 0);
  for (int i = 1, k = 0; i <= NV; i++) {
    uint32_t &t = m->Ver[i].Tag;
    t |= TAG_VISIBLE;
    if (i % 3) t |= 1u << 24;  // user bits 1: selected when alive
    if ((t & TAG_ALIVE) && i % 3) nv[i] = ++k;
  }
  for (int i = 1; i <= m->NbrTet; i++) m->Tet[i].Tag |= i % 2 ? uint32_t(TAG_VISIBLE) : 0u;
  for (int i = 1; i <= m->NbrTri; i++) m->Tri[i].Tag |= TAG_VISIBLE;
  TempFile p("sub.meshb");
  ASSERT_EQ(WriteSubMesh(&fi, p.c_str(), m), 1);
  KmfMeshFile *f = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
  ASSERT_NE(f, nullptr);
  int nsel = 0;
  for (int i = 1; i <= NV; i++) nsel += nv[i] > 0;
  EXPECT_EQ(KmfStatKwd(f, KmfVertices), nsel);
  auto marked = [](const auto &r) { return (r.Tag & TAG_ALIVE) && (r.Tag & TAG_VISIBLE) && !(r.Tag & (3u << 24)); };
  std::vector<int64_t> tri = ints(f, KmfTriangles, 4);
  EXPECT_EQ(tri, expected(m->Tri, m->NbrTri, 3, nv, marked));
  EXPECT_EQ(ints(f, KmfTetrahedra, 5), expected(m->Tet, m->NbrTet, 4, nv, marked));
  for (size_t i = 0; i < tri.size(); i += 4)
    for (int k = 0; k < 3; k++) EXPECT_GE(tri[i + k], 1);  // never a vertex 0
  EXPECT_EQ(KmfStatKwd(f, KmfPrisms), 0);
  EXPECT_EQ(KmfStatKwd(f, KmfCorners), 0);
  KmfCloseMesh(f);
  FreeCommonMesh(mem, m);
}

TEST_F(MeshWriterTest, SimplicialMeshIgnoresTheAliveBit) {
  Geometric_Mesh *m = makeMesh(mem, 3);
  for (int i = 1; i <= m->NbrTri; i++) m->Tri[i].Ver[0] = i;  // valid numbers everywhere
  for (int i = 1; i <= m->NbrTet; i++) m->Tet[i].Ver[0] = i;
  for (int i = 1; i <= m->NbrEfr; i++) m->Efr[i].Ver[0] = i;
  TempFile p("simp.meshb");
  ASSERT_EQ(WriteSimplicialMesh(&fi, p.c_str(), m), 1);
  KmfMeshFile *f = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
  ASSERT_NE(f, nullptr);
  std::vector<int> same(NV + 1);
  for (int i = 0; i <= NV; i++) same[i] = i;
  auto all = [](const auto &) { return true; };
  EXPECT_EQ(KmfStatKwd(f, KmfVertices), NV);
  EXPECT_EQ(ints(f, KmfTriangles, 4), expected(m->Tri, m->NbrTri, 3, same, all));
  EXPECT_EQ(ints(f, KmfTetrahedra, 5), expected(m->Tet, m->NbrTet, 4, same, all));
  EXPECT_EQ(ints(f, KmfEdges, 3), expected(m->Efr, m->NbrEfr, 2, same, all));
  EXPECT_EQ(KmfStatKwd(f, KmfRidges), 4);
  EXPECT_EQ(KmfStatKwd(f, KmfPyramids), 0);
  KmfCloseMesh(f);
  FreeCommonMesh(mem, m);
}

TEST_F(MeshWriterTest, Failures) {
  Geometric_Mesh *m = makeMesh(mem, 3);
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
  FreeCommonMesh(mem, m);
}
