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


namespace {

// One section of a binary file built by hand: its keyword, line count and values (a vertex's
// coordinates and reference, an element's vertices and reference), and whether the section
// before it in the file points past it.
struct RawSection {
  int Kwd;
  int64_t Lines;
  std::vector<double> Values;
  bool Skipped;
};

// The file of the sections in order, then End, little-endian; the header's Dimension and
// every section point at the next section not skipped.
std::vector<unsigned char> chainedFile(int version, const std::vector<RawSection> &secs) {
  RawBytes b(false);
  std::vector<size_t> fields = {RawHeader(b, version, 3)}, starts;
  for (const RawSection &s : secs) {
    starts.push_back(b.size());
    b.i32(s.Kwd);
    fields.push_back(b.size());
    b.sized(version, 3, 0);
    b.sized(version, 4, s.Lines);
    const size_t per = s.Values.size() / static_cast<size_t>(s.Lines);
    for (size_t i = 0; i < s.Values.size(); i++) {
      if (s.Kwd == KmfVertices && i % per < 3 && version == 1) b.f32(static_cast<float>(s.Values[i]));
      else if (s.Kwd == KmfVertices && i % per < 3) b.f64(s.Values[i]);
      else b.sized(version, 4, static_cast<int64_t>(s.Values[i]));
    }
  }
  starts.push_back(b.size());
  b.i32(KmfEnd);
  b.sized(version, 3, 0);
  // The header (field 0) and section k (field k + 1) point at the first section after them not
  // skipped; a skipped section at the one after it.
  for (size_t f = 0; f < fields.size(); f++) {
    size_t to = f;
    while (to < secs.size() && secs[to].Skipped && (f == 0 || !secs[f - 1].Skipped)) to++;
    b.patch(fields[f], version, 3, static_cast<int64_t>(starts[to]));
  }
  return b.Data;
}

}  // namespace

// A section that the chain of a binary file passes over is never read: skipped by the header's
// Dimension or by a later section, in versions 1 to 3, the mesh has the four vertices and the
// tetrahedron of its chain, not the vertices at (5,5,5) nor the tetrahedron passed over. meshio
// reads the file whose header skips a section so too (a section skipped by a later one it reads
// all the same). A chain that ends before End (a writer stopped at the Vertices or the
// Tetrahedra) refuses the mesh, as a text mesh without End: no part of it is shown.
TEST(MeshioRead, ASectionOutOfABinaryFilesChainIsNeverRead) {
  const RawSection vertices{KmfVertices, 4, {0, 0, 0, 1, 1, 0, 0, 2, 0, 1, 0, 3, 0, 0, 1, 4}, false};
  const RawSection stray{KmfVertices, 4, {5, 5, 5, 9, 5, 5, 5, 9, 5, 5, 5, 9, 5, 5, 5, 9}, true};
  const RawSection tet{KmfTetrahedra, 1, {1, 2, 3, 4, 7}, false}, strayTet{KmfTetrahedra, 1, {4, 3, 2, 1, 8}, true};
  const struct {
    const char *What;
    std::vector<RawSection> Sections;
    bool Meshio;  // meshio reads it as the chain says
    int Last;     // the section its chain ends at
  } rows[] = {
      {"the header skips a section", {stray, vertices, tet}, true, KmfEnd},
      {"a later section skips one", {vertices, strayTet, tet}, false, KmfEnd},
      {"both", {stray, vertices, strayTet, tet}, false, KmfEnd},
      {"the chain ends at the Vertices", {vertices, tet}, false, KmfVertices},
      {"the chain ends at the Tetrahedra", {vertices, tet}, false, KmfTetrahedra},
  };
  LoadContext ctx;
  std::vector<std::string> paths;
  std::vector<std::unique_ptr<TempFile>> files;
  for (const auto &r : rows)
    for (int version : {1, 2, 3}) {
      SCOPED_TRACE(std::string(r.What) + ", version " + std::to_string(version));
      files.push_back(std::make_unique<TempFile>("chain" + std::to_string(files.size()) + ".meshb"));
      const std::string &path = files.back()->Path;
      ASSERT_TRUE(SaveBytes(path, ChainEndingAt(chainedFile(version, r.Sections), r.Last)));
      if (r.Meshio) paths.push_back(path);
      ctx.Fi->Status = 0;
      Geometric_Mesh *msh = ctx.Load({path});
      if (r.Last != KmfEnd) {
        EXPECT_EQ(msh, nullptr);
        EXPECT_EQ(ctx.Fi->Status & (STATUS_FILE_UNREADABLE | STATUS_MESH_UNREADABLE),
                  uint32_t(STATUS_FILE_UNREADABLE | STATUS_MESH_UNREADABLE));
        EXPECT_CONTAINS(ctx.Err, "THE FILE ENDS BEFORE ITS End SECTION");
        FreeCommonMesh(ctx.Mem, msh);
        continue;
      }
      ASSERT_NE(msh, nullptr) << ctx.Err;
      ASSERT_EQ(std::vector<int>({msh->NbrVer, msh->NbrTet}), std::vector<int>({4, 1}));
      EXPECT_EQ(std::vector<int>(msh->Tet[1].Ver, msh->Tet[1].Ver + 4), std::vector<int>({1, 2, 3, 4}));
      EXPECT_EQ(std::vector<double>(msh->Ver[2].Crd, msh->Ver[2].Crd + 3), std::vector<double>({1, 0, 0}));
      FreeCommonMesh(ctx.Mem, msh);
    }
  std::vector<MeshioMesh> got;
  std::string err;
  ASSERT_TRUE(ReadWithMeshio(paths, got, err)) << err;
  ASSERT_EQ(got.size(), 3u);
  for (size_t i = 0; i < got.size(); i++) {
    EXPECT_EQ(got[i].Points, std::vector<double>({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1})) << paths[i];
    EXPECT_EQ(got[i].Cells["tetra"], std::vector<int64_t>({1, 2, 3, 4, 7})) << paths[i];
  }
}
