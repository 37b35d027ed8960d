// Loading on the worker pool: a mesh and its solution read by the pool's threads are the bytes
// the calling thread alone reads, with the same report of invalid elements, box and ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "tests/support/LoadFixtures.h"
#include "tests/support/StructuredMesh.h"

using namespace fixtures;

namespace {

template <class Rec>
void expectSameBytes(const char *what, const Rec *a, int na, const Rec *b, int nb) {
  ASSERT_EQ(na, nb) << what;
  for (int i = 1; i <= na; i++) ASSERT_EQ(memcmp(&a[i], &b[i], sizeof(Rec)), 0) << what << " record " << i;
}

void expectSameLoad(const Geometric_Mesh *a, const Geometric_Mesh *b) {
  expectSameBytes("vertices", a->Ver, a->NbrVer, b->Ver, b->NbrVer);
  expectSameBytes("tetrahedra", a->Tet, a->NbrTet, b->Tet, b->NbrTet);
  expectSameBytes("triangles", a->Tri, a->NbrTri, b->Tri, b->NbrTri);
  EXPECT_EQ(memcmp(a->Box, b->Box, sizeof(a->Box)), 0) << "box";
  ASSERT_EQ(!a->SolAtVer, !b->SolAtVer);
  if (!a->SolAtVer) return;
  const Geometric_Solution *s = a->SolAtVer, *t = b->SolAtVer;
  ASSERT_EQ(a->NbrSolVer, b->NbrSolVer);
  EXPECT_EQ(memcmp(s->Sol, t->Sol, sizeof(double) * s->SizTot * (a->NbrSolVer + 1)), 0) << "values";
  EXPECT_EQ(memcmp(s->Box, t->Box, sizeof(double2) * s->NbrFld), 0) << "field ranges";
}

// Writes the vertices, triangles and tetrahedra of m as they are, invalid nodes included.
bool writeAsIs(const std::string &path, const Geometric_Mesh *m) {
  KmfMeshFile *f = KmfOpenMesh(path.c_str(), KmfWrite, 2, 3);
  if (!f) return false;
  auto put = [&](int kwd, int n, const char *rec, size_t siz, int nodes, size_t refOff, bool reals) {
    KmfField fld[5];
    for (int j = 0; j < nodes; j++)
      fld[j] = {reals ? KmfDouble : KmfInt, const_cast<char *>(rec) + j * (reals ? 8 : 4), static_cast<int64_t>(siz)};
    fld[nodes] = {KmfInt, const_cast<char *>(rec) + refOff, static_cast<int64_t>(siz)};
    return KmfSetKwd(f, kwd, n) && KmfSetBlockFields(f, kwd, 0, nullptr, nullptr, nullptr, nodes + 1, fld);
  };
  const char *ver = reinterpret_cast<const char *>(&m->Ver[1]), *tri = reinterpret_cast<const char *>(&m->Tri[1]);
  const char *tet = reinterpret_cast<const char *>(&m->Tet[1]);
  bool ok = put(KmfVertices, m->NbrVer, ver, sizeof(Vertex), 3, offsetof(Vertex, Ref), true) &&
            put(KmfTriangles, m->NbrTri, tri, sizeof(Triangle), 3, offsetof(Triangle, Ref), false) &&
            put(KmfTetrahedra, m->NbrTet, tet, sizeof(Tetrahedron), 4, offsetof(Tetrahedron, Ref), false);
  return KmfCloseMesh(f) && ok;
}

// A box of several blocks of vertices and tetrahedra: invalid tetrahedra on both sides of the
// block boundaries (more than the report lists), a NaN coordinate inside a later block and a
// negative zero, and a solution of a scalar and a vector per vertex, its 3-D vector stored
// with the symmetric tensor after it.
struct PooledFiles {
  std::string Mesh, Sol;
  PooledFiles(const std::string &base, bool binary) {
    LoadContext ctx;
    Geometric_Mesh *m = MakeStructuredMesh(ctx.Mem, 24, 24, 20, GEN_TET | GEN_TRI);
    for (int t : {3, 9999, 10000, 10001, 20000, 20001, 30000, 40007, 50000, 60001, 69119, 69120})
      m->Tet[t].Ver[t % 4] = t % 2 ? m->NbrVer + 1 : 0;
    m->Ver[12345].Crd[1] = std::nan("");
    m->Ver[7].Crd[2] = -0.0;
    for (int v = 1; v <= m->NbrVer; v++) m->Ver[v].Crd[0] = m->Ver[v].Crd[0] / 3 + 1e-9 * v;
    Mesh = TestPath(base + (binary ? ".meshb" : ".mesh"));
    Sol = TestPath(base + (binary ? ".solb" : ".sol"));
    EXPECT_TRUE(writeAsIs(Mesh, m));
    const int n = m->NbrVer, types[3] = {KmfSca, KmfVec, KmfSymMat};
    std::vector<double> val(10 * static_cast<size_t>(n));
    for (size_t k = 0; k < val.size(); k++) val[k] = std::sin(0.37 * k) * (k % 7 ? 1.0 : -3.0);
    KmfMeshFile *f = KmfOpenMesh(Sol.c_str(), KmfWrite, 2, 3);
    EXPECT_NE(f, nullptr);
    KmfField fld[10];
    for (int j = 0; j < 10; j++) fld[j] = {KmfDouble, reinterpret_cast<char *>(&val[j]), 80};
    EXPECT_EQ(KmfSetKwd(f, KmfSolAtVertices, n, 3, types), 1);
    EXPECT_EQ(KmfSetBlockFields(f, KmfSolAtVertices, 0, nullptr, nullptr, nullptr, 10, fld), 1);
    EXPECT_EQ(KmfCloseMesh(f), 1);
    ctx.Free(m);
  }
};

class PooledLoad : public ::testing::TestWithParam<bool> {};

TEST_P(PooledLoad, FourThreadsLoadTheBytesOfOne) {
  const bool binary = GetParam();
  PooledFiles files(binary ? "pooledb" : "pooledt", binary);
  LoadContext serial, pooled;
  pooled.Fi->Par = NewMthParallel(4, 0, 0);
  struct PoolOwner {
    Function_Interface *Fi;
    ~PoolOwner() { Fi->Par = FreeMthParallel(Fi->Par); }
  } owner{pooled.Fi};
  Geometric_Mesh *a = serial.Load({files.Mesh}), *b = pooled.Load({files.Mesh});
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(a->NbrTet, 69120);
  expectSameLoad(a, b);
  // Ten invalid tetrahedra listed, in file order, and the count of all twelve.
  EXPECT_EQ(serial.Err, pooled.Err);
  EXPECT_CONTAINS(pooled.Err, " 12 INVALID TETRAHEDRA FOUND");
  EXPECT_CONTAINS(pooled.Err, "  TETRAHEDRON           3 =[");
  EXPECT_CONTAINS(pooled.Err, "  TETRAHEDRON       60001 =[");
  EXPECT_EQ(pooled.Err.find("TETRAHEDRON       69119"), std::string::npos);
  EXPECT_EQ(serial.Fi->Status, pooled.Fi->Status);
  serial.Free(a);
  pooled.Free(b);
}

INSTANTIATE_TEST_SUITE_P(Encodings, PooledLoad, ::testing::Values(true, false));

}  // namespace
