// Loading on the worker pool gives the bytes of a load on one thread: records, box, values and
// their ranges, and the report of invalid elements (the first ten in file order).
#include "tests/common/CommonTest.h"

namespace {

template <class T>
bool sameBytes(const T *a, const T *b, size_t n) {
  return a && b && !std::memcmp(a, b, sizeof(T) * n);
}

class PooledLoad : public ::testing::TestWithParam<bool> {};

// Two blocks of vertices (one with a NaN coordinate), five of tetrahedra whose nodes go two past
// the vertices (invalid ones in every block) and of vertex values with a 3-D tensor; also
// loaded from the same lines with every section cut in two, apart.
TEST_P(PooledLoad, FourThreadsLoadTheBytesOfOne) {
  const bool binary = GetParam();
  const std::string base = binary ? "pooledb" : "pooledt";
  FixtureFile mesh{2, 3, {VertexSection(3, 13000, 1), ElementSection(KmfTetrahedra, "Tetrahedra", 4, 45000, 13002, 2)}};
  mesh.Sections[0].Reals[3 * 12345 + 1] = std::nan("");
  FixtureFile sol{2, 3, {SolutionSection(KmfSolAtVertices, "SolAtVertices", 3, {1, 2, 3}, 13000, 3)}};
  for (bool apart : {false, true}) {
    SCOPED_TRACE(apart ? "sections apart" : "one section each");
    std::string path = SaveFixture(apart ? ApartSections(mesh) : mesh, base + (binary ? ".meshb" : ".mesh"), binary);
    SaveFixture(apart ? ApartSections(sol) : sol, base + (binary ? ".solb" : ".sol"), binary);
    LoadContext serial, pooled;
    pooled.Fi->Par = NewMthParallel(4, 0, 0);
    Geometric_Mesh *a = serial.Load({path}), *b = pooled.Load({path});
    pooled.Fi->Par = FreeMthParallel(pooled.Fi->Par);
    ASSERT_TRUE(a && b && a->SolAtVer && b->SolAtVer);
    ASSERT_EQ(b->NbrTet, 45000);
    for (int t = 1; t <= 45000; t++) ASSERT_EQ(b->Tet[t].Ref, mesh.Sections[1].Ints[5 * t - 1]) << t;
    EXPECT_TRUE(sameBytes(a->Ver + 1, b->Ver + 1, 13000));
    EXPECT_TRUE(sameBytes(a->Tet + 1, b->Tet + 1, 45000));
    EXPECT_TRUE(sameBytes(a->Box, b->Box, 6));
    EXPECT_TRUE(sameBytes(a->SolAtVer->Sol, b->SolAtVer->Sol, 10 * 13001));
    EXPECT_TRUE(sameBytes(a->SolAtVer->Box, b->SolAtVer->Box, 3));
    EXPECT_EQ(serial.Err, pooled.Err);
    EXPECT_CONTAINS(pooled.Err, "  ## NO MORE ERRORS PRINTED \n");
    EXPECT_EQ(serial.Fi->Status, pooled.Fi->Status);
    serial.Free(a);
    pooled.Free(b);
  }
}

INSTANTIATE_TEST_SUITE_P(Encodings, PooledLoad, ::testing::Values(true, false));

}  // namespace
