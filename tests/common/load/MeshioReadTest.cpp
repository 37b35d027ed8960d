// Meshes written by the mesh writer, text and binary, read back by this program's loader and
// by meshio, another program's reader of the format: both find the alive points, references
// and elements that were written, and meshio no kind without an element.
#include <memory>

#include "tests/common/CommonTest.h"
#include "tests/support/MeshioRead.h"

namespace {

// The mesh as meshio reports one: points with their references, then per meshio cell type
// the alive records, 1-based vertices then reference. Kinds without a record are absent.
MeshioMesh asMeshio(const Geometric_Mesh *m) {
  MeshioMesh r;
  r.Dim = m->Dim;
  for (int i = 1; i <= m->NbrVer; i++) {
    r.Points.insert(r.Points.end(), m->Ver[i].Crd, m->Ver[i].Crd + m->Dim);
    r.PointRefs.push_back(m->Ver[i].Ref);
  }
  auto add = [&r](const char *type, const auto *arr, int n, int nodes) {
    for (int i = 1; arr && i <= n; i++) {
      if (!(arr[i].Tag & TAG_ALIVE)) continue;
      std::vector<int64_t> &cells = r.Cells[type];
      cells.insert(cells.end(), arr[i].Ver, arr[i].Ver + nodes);
      cells.push_back(arr[i].Ref);
    }
  };
  add("line", m->Efr, m->NbrEfr, 2);
  add("triangle", m->Tri, m->NbrTri, 3);
  add("quad", m->Qua, m->NbrQua, 4);
  add("tetra", m->Tet, m->NbrTet, 4);
  add("pyramid", m->Pyr, m->NbrPyr, 5);
  add("wedge", m->Pri, m->NbrPri, 6);
  add("hexahedron", m->Hex, m->NbrHex, 8);
  return r;
}

void expectSame(const MeshioMesh &got, const MeshioMesh &want, const std::string &what) {
  EXPECT_EQ(got.Dim, want.Dim) << what;
  EXPECT_EQ(got.Points, want.Points) << what;
  EXPECT_EQ(got.PointRefs, want.PointRefs) << what;
  std::vector<std::string> gotTypes, wantTypes;
  for (const auto &c : got.Cells) gotTypes.push_back(c.first);
  for (const auto &c : want.Cells) wantTypes.push_back(c.first);
  EXPECT_EQ(gotTypes, wantTypes) << what;
  for (const auto &c : want.Cells) {
    auto found = got.Cells.find(c.first);
    if (found != got.Cells.end()) {
      EXPECT_EQ(found->second, c.second) << what << " " << c.first;
    }
  }
}

// Coordinates off the grid, with references, so that a lost digit or a shifted field shows.
void perturb(Geometric_Mesh *m) {
  for (int i = 1; i <= m->NbrVer; i++) {
    for (int k = 0; k < m->Dim; k++) m->Ver[i].Crd[k] += (i % 7 + k) / 64.0 - 0.3;
    m->Ver[i].Ref = i % 5;
  }
}

}  // namespace

// The kinds meshio knows, and a mesh read from a file that holds its triangles in seven
// sections (as meshio writes seven groups) and its vertices in two: written back, it holds them
// all. (meshio refuses the curved kinds and RequiredEdges whatever their version: LoadRoundTrip
// covers those with this program's reader alone.)
TEST(MeshioRead, WrittenMeshesOfEveryKindReadTheSameInMeshioAndHere) {
  LoadContext ctx;
  FixtureFile groups = MeshOf(3, 6);
  groups.Sections.push_back(GridVertices(3, 6));
  for (double &x : groups.Sections.back().Reals) x = x / 2 - 1;
  for (int g = 1; g <= 7; g++) groups.Sections.push_back(Lines(6, "Triangles", 3, {g, g + 1, g + 5, g, g + 5, g + 1, g + 6, g}));
  struct Case {
    const char *what;
    Geometric_Mesh *mesh;
  } cases[] = {
      {"tetrahedra, triangles and edges with corners, required vertices and ridges",
       MakeStructuredMesh(ctx.Mem, 3, 2, 2, GEN_TET | GEN_TRI | GEN_EFR)},
      {"hexahedra, prisms and pyramids, every quadrilateral deleted",
       MakeStructuredMesh(ctx.Mem, 2, 2, 1, GEN_HEX | GEN_PRI | GEN_PYR | GEN_QUA)},
      {"a 2-D mesh of triangles, quadrilaterals and edges", MakeStructuredMesh(ctx.Mem, 3, 2, 0, GEN_TRI | GEN_QUA | GEN_EFR)},
      {"seven groups of triangles over two parts of vertices", ctx.Load({SaveFixture(groups, "groups.meshb", true)})},
  };
  Geometric_Mesh *tet = cases[0].mesh, *hybrid = cases[1].mesh, *flat = cases[2].mesh, *joined = cases[3].mesh;
  ASSERT_TRUE(tet && hybrid && flat && joined);
  ASSERT_EQ(std::vector<int>({joined->NbrVer, joined->NbrTri, joined->Tri[14].Ref}), (std::vector<int>{12, 14, 7}));
  flat->Dim = 2;
  for (const Case &c : cases) perturb(c.mesh);
  tet->Ver[1].Tag |= TAG_CORNER;
  tet->Ver[2].Tag |= TAG_REQUIRED;
  tet->Efr[1].Tag |= TAG_RIDGE;
  for (int i = 1; i <= hybrid->NbrQua; i++) hybrid->Qua[i].Tag &= ~TAG_ALIVE;
  for (int i = 1; i <= hybrid->NbrPyr; i += 2) hybrid->Pyr[i].Ref = 4;

  std::vector<std::string> paths;
  std::vector<std::unique_ptr<TempFile>> files;
  std::vector<MeshioMesh> want;
  for (const Case &c : cases)
    for (const char *ext : {".mesh", ".meshb"}) {
      files.push_back(std::make_unique<TempFile>("meshio_" + std::to_string(paths.size()) + ext));
      paths.push_back(files.back()->Path);
      ASSERT_EQ(WriteMesh(ctx.Fi, paths.back().c_str(), c.mesh), 1) << c.what;
      want.push_back(asMeshio(c.mesh));
      Geometric_Mesh *back = ctx.Load({paths.back()});
      ASSERT_NE(back, nullptr) << c.what << ext << ctx.Err;
      expectSame(asMeshio(back), want.back(), std::string("read here: ") + c.what + ext);
      FreeCommonMesh(ctx.Mem, back);
    }
  EXPECT_EQ(want[0].Cells.size(), 3u);
  EXPECT_EQ(want[2].Cells.count("quad"), 0u);

  std::vector<MeshioMesh> got;
  std::string err;
  ASSERT_TRUE(ReadWithMeshio(paths, got, err)) << err;
  for (size_t i = 0; i < paths.size(); i++) expectSame(got[i], want[i], "read by meshio: " + paths[i]);
  for (const Case &c : cases) FreeCommonMesh(ctx.Mem, c.mesh);
}

