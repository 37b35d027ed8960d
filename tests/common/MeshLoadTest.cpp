// Loading keyword mesh files: every kind, appending several files, invalid elements, flags,
// refusals, options and the verbose report.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/FunctionInterface.h"
#include "common/KmfMeshFile.h"
#include "common/Memory.h"
#include "common/Mesh.h"
#include "common/MeshLoad.h"
#include "tests/support/LoadFixtures.h"
#include "tests/support/MeshFixtures.h"

using namespace fixtures;

namespace {

Geometric_Mesh *loadFiles(LoadContext &ctx, std::vector<std::string> paths, const char *sol = nullptr) {
  std::vector<char *> names;
  for (auto &p : paths) names.push_back(p.empty() ? nullptr : &p[0]);
  return geoLoadMeshAndSolution(ctx.Fi, static_cast<int>(names.size()), names.data(), sol);
}

void freeMesh(LoadContext &ctx, Geometric_Mesh *msh) {
  FreeCommonMesh(ctx.Mem, msh);
  EXPECT_EQ(ctx.Mem->NbrActive, 0) << "blocks left after freeing the mesh";
}

int openFiles() {
  int n = 0;
  if (DIR *d = opendir("/proc/self/fd")) {
    while (readdir(d)) n++;
    closedir(d);
  }
  return n;
}

// Nodes of record i of an element section (0-based line).
std::vector<int64_t> nodesOf(const FixtureSection &s, int nodes, int line) {
  return std::vector<int64_t>(s.Ints.begin() + line * (nodes + 1), s.Ints.begin() + line * (nodes + 1) + nodes);
}

template <class Rec>
void expectElements(const FixtureSection &s, int nodes, const Rec *arr, int count, int shift = 0) {
  ASSERT_EQ(count, s.NmbLin) << s.Name;
  for (int l = 0; l < count; l++) {
    const Rec &r = arr[l + 1];
    auto v = nodesOf(s, nodes, l);
    for (int j = 0; j < nodes; j++) ASSERT_EQ(r.Ver[j], v[j] + shift) << s.Name << " line " << l << " node " << j;
    EXPECT_EQ(r.Ref, s.Ints[l * (nodes + 1) + nodes]) << s.Name;
    EXPECT_EQ(r.Tag & TAG_ALIVE, TAG_ALIVE) << s.Name;
  }
}

class AllKinds : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(AllKinds, EveryKindLoadsWithItsValues) {
  int version = std::get<0>(GetParam());
  bool binary = std::get<1>(GetParam());
  FixtureFile f = AllKindsMesh(version, 3);
  std::string path = SaveFixture(f, binary ? "allkinds.meshb" : "allkinds.mesh", binary);
  LoadContext ctx;
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = loadFiles(ctx, {path});
  testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->Dim, 3);
  EXPECT_EQ(msh->FileType, FILE_TYPE_KMF);
  EXPECT_EQ(msh->NbrVer, 40);
  const FixtureSection &ver = *f.find(4);
  double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
  for (int i = 0; i < 40; i++) {
    for (int k = 0; k < 3; k++) {
      double x = ver.Reals[i * 3 + k];
      EXPECT_EQ(msh->Ver[i + 1].Crd[k], x);
      lo[k] = std::min(lo[k], x);
      hi[k] = std::max(hi[k], x);
    }
    EXPECT_EQ(msh->Ver[i + 1].Ref, ver.Ints[i]);
    EXPECT_NE(msh->Ver[i + 1].Tag & TAG_ALIVE, 0u);
  }
  for (int k = 0; k < 3; k++) {
    EXPECT_EQ(msh->Box[k], lo[k]);
    EXPECT_EQ(msh->Box[k + 3], hi[k]);
  }
  expectElements(*f.find(6), 3, msh->Tri, msh->NbrTri);
  expectElements(*f.find(7), 4, msh->Qua, msh->NbrQua);
  expectElements(*f.find(8), 4, msh->Tet, msh->NbrTet);
  expectElements(*f.find(49), 5, msh->Pyr, msh->NbrPyr);
  expectElements(*f.find(9), 6, msh->Pri, msh->NbrPri);
  expectElements(*f.find(10), 8, msh->Hex, msh->NbrHex);
  expectElements(*f.find(25), 3, msh->P2Efr, msh->NbrP2Efr);
  expectElements(*f.find(27), 9, msh->P2Qua, msh->NbrP2Qua);
  expectElements(*f.find(30), 10, msh->P2Tet, msh->NbrP2Tet);
  expectElements(*f.find(33), 27, msh->P2Hex, msh->NbrP2Hex);
  EXPECT_EQ(msh->NbrFilTri, msh->NbrTri);
  EXPECT_EQ(msh->NbrFilTet, msh->NbrTet);
  // The file's P2 triangle nodes come in another order: its node j is the program's
  // node P2TriangleFileOrder[j].
  const FixtureSection &p2 = *f.find(24);
  ASSERT_EQ(msh->NbrP2Tri, 3);
  for (int l = 0; l < 3; l++) {
    auto v = nodesOf(p2, 6, l);
    for (int j = 0; j < 6; j++) EXPECT_EQ(msh->P2Tri[l + 1].Ver[P2TriangleFileOrder[j]], v[j]);
  }
  // Capacities of the linear kinds have room for the second-order ones.
  EXPECT_EQ(msh->MaxNbrTri, 9 + 3);
  EXPECT_EQ(msh->MaxNbrTet, 11 + 2);
  EXPECT_EQ(msh->MaxNbrEfr, 7 + 4);
  // Boundary edges, ridges and required edges.
  const FixtureSection &edg = *f.find(5);
  expectElements(edg, 2, msh->Efr, msh->NbrEfr);
  ASSERT_EQ(msh->NbrEfr, 7);
  std::vector<uint32_t> want(8, 0);
  for (int64_t r : f.find(14)->Ints) want[r] |= TAG_RIDGE;
  for (int64_t r : f.find(16)->Ints) want[r] |= TAG_REQUIRED;
  for (int e = 1; e <= 7; e++) EXPECT_EQ(msh->Efr[e].Tag & (TAG_RIDGE | TAG_REQUIRED), want[e]) << e;
  // Corners and required vertices.
  std::vector<uint32_t> vw(41, 0);
  for (int64_t r : f.find(15)->Ints) vw[r] |= TAG_REQUIRED;
  for (int64_t r : f.find(13)->Ints) vw[r] |= TAG_REQUIRED | TAG_CORNER;
  for (int v = 1; v <= 40; v++) EXPECT_EQ(msh->Ver[v].Tag & (TAG_REQUIRED | TAG_CORNER), vw[v]) << v;
  EXPECT_EQ(msh->GeoFlags & (GEO_CORNERS | GEO_REQ_VERTICES | GEO_REQ_EDGES | GEO_RIDGES | GEO_HYBRID | GEO_NORMALS),
            static_cast<uint32_t>(GEO_CORNERS | GEO_REQ_VERTICES | GEO_REQ_EDGES | GEO_RIDGES | GEO_HYBRID | GEO_NORMALS));
  // Normals: NormalAtVertices gives (2i + 1, i + 1).
  ASSERT_EQ(msh->NbrNor, 5);
  const FixtureSection &nor = *f.find(60);
  for (int k = 1; k <= 5; k++) {
    EXPECT_EQ(msh->Nor[k].Ver, 2 * (k - 1) + 1);
    for (int j = 0; j < 3; j++) EXPECT_EQ(msh->Nor[k].Crd[j], nor.Reals[(k - 1) * 3 + j]);
  }
  EXPECT_EQ(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  EXPECT_EQ((ctx.Fi->Status & STATUS_BINARY_INPUT) != 0, binary);
  freeMesh(ctx, msh);
}

INSTANTIATE_TEST_SUITE_P(Versions, AllKinds,
                         ::testing::Values(std::make_tuple(1, true), std::make_tuple(2, false),
                                           std::make_tuple(2, true), std::make_tuple(3, true),
                                           std::make_tuple(3, false)));

FixtureFile triangleFile(int nver, std::vector<int64_t> tri, int dim = 3) {
  FixtureFile f;
  f.Dim = dim;
  f.Sections.push_back(GridVertices(dim, nver));
  f.Sections.push_back(Lines(6, "Triangles", 3, tri));
  return f;
}

TEST(MeshLoad, SecondFileIsAppendedWithShiftedNodes) {
  LoadContext ctx;
  std::string a = SaveFixture(triangleFile(10, {1, 2, 3, 5, 4, 5, 6, 6}), "first.mesh", false);
  FixtureFile g = triangleFile(20, {1, 2, 3, 9, 18, 19, 20, 8});
  for (double &x : g.Sections[0].Reals) x = -x;  // the second file's box lies elsewhere
  std::string b = SaveFixture(g, "second.meshb", true);
  Geometric_Mesh *msh = loadFiles(ctx, {a, b});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->NbrVer, 30);
  ASSERT_EQ(msh->NbrTri, 4);
  EXPECT_EQ(msh->Tri[3].Ver[0], 11);
  EXPECT_EQ(msh->Tri[3].Ver[1], 12);
  EXPECT_EQ(msh->Tri[3].Ver[2], 13);
  EXPECT_EQ(msh->Tri[4].Ver[2], 30);
  EXPECT_EQ(msh->Tri[4].Ref, 8);
  EXPECT_EQ(msh->Ver[11].Crd[0], -1 / 16.0);
  EXPECT_EQ(msh->Box[0], -20 / 16.0);
  EXPECT_EQ(msh->Box[3], 10 / 16.0);
  EXPECT_EQ(msh->Box[2], -60 / 16.0);
  EXPECT_EQ(msh->Box[5], 30 / 16.0);
  EXPECT_STREQ(msh->MshNam, TestPath("first").c_str());
  freeMesh(ctx, msh);
}

TEST(MeshLoad, BoxStartsAtTheFirstFileThatHasVertices) {
  FixtureFile empty;
  empty.Sections.push_back(GridVertices(3, 0));
  FixtureFile neg = triangleFile(3, {1, 2, 3, 1});
  for (double &x : neg.Sections[0].Reals) x = -x - 1;
  std::string a = SaveFixture(empty, "novertex.mesh", false);
  std::string b = SaveFixture(neg, "negative.meshb", true);
  LoadContext ctx;
  Geometric_Mesh *msh = loadFiles(ctx, {a, b});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->NbrVer, 3);
  EXPECT_EQ(msh->Box[0], -1 - 3 / 16.0);
  EXPECT_EQ(msh->Box[3], -1 - 1 / 16.0) << "the box must not keep a corner at the origin";
  EXPECT_EQ(msh->Box[5], -1 - 3 / 16.0);
  freeMesh(ctx, msh);
}

TEST(MeshLoad, InvalidTrianglesStayDeadAndTheFirstTenAreReported) {
  std::vector<int64_t> tri = {1, 2, 3, 1};
  for (int i = 0; i < 12; i++) {
    std::vector<int64_t> bad = {i % 2 ? 0 : 1, 2, i % 2 ? 3 : 11 + i, 2};
    tri.insert(tri.end(), bad.begin(), bad.end());
  }
  tri.insert(tri.end(), {4, 5, 6, 3});
  LoadContext ctx;
  std::string a = SaveFixture(triangleFile(10, {1, 2, 3, 1}), "valid.mesh", false);
  std::string b = SaveFixture(triangleFile(10, tri), "invalid.mesh", false);
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = loadFiles(ctx, {a, b});
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  EXPECT_NE(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  ASSERT_EQ(msh->NbrTri, 15);
  EXPECT_EQ(msh->Tri[2].Tag, TAG_ALIVE);
  EXPECT_EQ(msh->Tri[2].Ver[0], 11);
  EXPECT_EQ(msh->Tri[15].Tag, TAG_ALIVE);
  EXPECT_EQ(msh->Tri[15].Ver[2], 16);
  for (int i = 3; i <= 14; i++) {
    EXPECT_EQ(msh->Tri[i].Tag, 0u) << i;
    EXPECT_EQ(msh->Tri[i].Ver[1], 2) << "invalid elements keep their file numbers";
  }
  EXPECT_NE(err.find("  ## ERROR: LOADTRIANGLES: 12 INVALID TRIANGLES FOUND WITH OUT OF BOUND VALUE [1-10]\n"
                     "  TO FORCE CONTINUING USE NOCHECK OPTION OR VERIFY YOUR MESH FILE \n"
                     "  TRIANGLE          3 =[         1          2         11] IS INVALID \n"
                     "  TRIANGLE          4 =[         0          2          3] IS INVALID \n"),
            std::string::npos)
      << err;
  size_t lines = 0;
  for (size_t at = err.find("IS INVALID"); at != std::string::npos; at = err.find("IS INVALID", at + 1)) lines++;
  EXPECT_EQ(lines, 10u);
  EXPECT_NE(err.find("  TRIANGLE         12 =[         0          2          3] IS INVALID \n"
                     "  ## NO MORE ERRORS PRINTED \n"),
            std::string::npos)
      << err;
  freeMesh(ctx, msh);
}

TEST(MeshLoad, InvalidVolumeElementsAreReportedWithTheirNodes) {
  FixtureFile f;
  f.Sections.push_back(GridVertices(3, 6));
  f.Sections.push_back(Lines(49, "Pyramids", 5, {1, 2, 3, 4, 7, 9, 1, 2, 3, 4, INT32_MIN, 9, 1, 2, 3, 4, 6, 9}));
  f.Sections.push_back(Lines(30, "TetrahedraP2", 10, {1, 2, 3, 4, 5, 6, 1, 2, 3, 0, 4}));
  LoadContext ctx;
  std::string p = SaveFixture(f, "badvolumes.mesh", false);
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = loadFiles(ctx, {p});
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->Pyr[1].Tag, 0u);
  EXPECT_EQ(msh->Pyr[2].Tag, 0u);
  EXPECT_EQ(msh->Pyr[2].Ver[4], INT32_MIN);
  EXPECT_EQ(msh->Pyr[3].Tag, TAG_ALIVE);
  EXPECT_EQ(msh->P2Tet[1].Tag, 0u);
  EXPECT_NE(err.find("  PYRAMID           1 =[         1          2          3          4          7] IS INVALID \n"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("  TETRAHEDRON P2           1 =[         1          2          3          4 -          5          6"
                     "          1          2          3          0  ] IS INVALID \n"),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find("NO MORE ERRORS"), std::string::npos);
  freeMesh(ctx, msh);
}

TEST(MeshLoad, RidgesAreReadWhenEveryEdgeIsARidgeAndBadLinesAreReported) {
  FixtureFile f;
  f.Sections.push_back(GridVertices(3, 6));
  f.Sections.push_back(Lines(5, "Edges", 2, {1, 2, 1, 2, 3, 1, 3, 4, 2, 4, 5, 2, 5, 6, 2}));
  f.Sections.push_back(List(14, "Ridges", {1, 2, 3, 4, 5}));
  f.Sections.push_back(List(16, "RequiredEdges", {2, 6, 0}));
  LoadContext ctx;
  std::string a = SaveFixture(triangleFile(4, {1, 2, 3, 1}), "ridge0.mesh", false);
  std::string b = SaveFixture(f, "ridges.mesh", false);
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = loadFiles(ctx, {a, b});
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  ASSERT_EQ(msh->NbrEfr, 5);
  for (int e = 1; e <= 5; e++) {
    EXPECT_NE(msh->Efr[e].Tag & TAG_RIDGE, 0u) << e;
    EXPECT_EQ(msh->Efr[e].Ver[0], e + 4);
    EXPECT_EQ((msh->Efr[e].Tag & TAG_REQUIRED) != 0, e == 2) << e;
  }
  EXPECT_NE(msh->GeoFlags & GEO_RIDGES, 0u);
  EXPECT_NE(msh->GeoFlags & GEO_REQ_EDGES, 0u);
  EXPECT_NE(err.find("  REQUIRED EDGE            6  IS OUT OF BOUND =[         1          5]\n"), std::string::npos) << err;
  EXPECT_NE(err.find("  REQUIRED EDGE            0  IS OUT OF BOUND =[         1          5]\n"), std::string::npos) << err;
  EXPECT_NE(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  freeMesh(ctx, msh);
}

TEST(MeshLoad, CornerZeroIsReportedAndChangesNoVertex) {
  FixtureFile f = triangleFile(5, {1, 2, 3, 1});
  f.Sections.push_back(List(13, "Corners", {0, 2}));
  f.Sections.push_back(List(15, "RequiredVertices", {6}));
  LoadContext ctx;
  std::string p = SaveFixture(f, "corners.mesh", false);
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = loadFiles(ctx, {p});
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  for (int v = 1; v <= 5; v++)
    EXPECT_EQ(msh->Ver[v].Tag, v == 2 ? TAG_ALIVE | TAG_REQUIRED | TAG_CORNER : static_cast<uint32_t>(TAG_ALIVE)) << v;
  EXPECT_NE(err.find("  ## ERROR: LOADVERTEX: INVALID CORNERS OR REQUIRED VERTICES FOUND \n"), std::string::npos);
  EXPECT_NE(err.find("  REQUIRED VERTEX          6  IS OUT OF BOUND =[         1          5]\n"), std::string::npos) << err;
  EXPECT_NE(err.find("  CORNER                   0  IS OUT OF BOUND =[         1          5]\n"), std::string::npos) << err;
  EXPECT_NE(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  freeMesh(ctx, msh);
}

TEST(MeshLoad, VersionFourIsRefusedClosedAndTheNextFileStillLoads) {
  FixtureFile v4 = triangleFile(5, {1, 2, 3, 1});
  v4.Version = 4;
  std::string a = SaveFixture(v4, "version4.meshb", true);
  std::string b = SaveFixture(triangleFile(4, {1, 2, 3, 1}), "version2.mesh", false);
  LoadContext ctx;
  int fds = openFiles();
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = loadFiles(ctx, {a, b});
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(openFiles(), fds) << "a refused file was left open";
  ASSERT_NE(msh, nullptr);
  EXPECT_NE(err.find("  ## ERROR: LOADMESH: INVALID MESH VERSION 4, MUST BE 1,2 or 3 \n"), std::string::npos) << err;
  EXPECT_NE(err.find("IS IGNORED"), std::string::npos);
  EXPECT_NE(err.find("  ## ERROR: GEOLOADMESHANDSOLUTION: LOAD MESH FAILED WITH ERROR CODE 100 \n"), std::string::npos);
  EXPECT_NE(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  EXPECT_EQ(msh->NbrVer, 4);
  ASSERT_EQ(msh->NbrTri, 1);
  EXPECT_EQ(msh->Tri[1].Ver[2], 3);
  freeMesh(ctx, msh);
}

TEST(MeshLoad, MissingUnreadableAndNullFilesAreSkipped) {
  LoadContext ctx;
  std::string good = SaveFixture(triangleFile(4, {1, 2, 3, 1}), "good.mesh", false);
  std::string missing = TestPath("nowhere.mesh");
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = loadFiles(ctx, {missing, "", good});
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->NbrTri, 1);
  EXPECT_NE(err.find("  ## ERROR: GEOLOADMESHANDSOLUTION: 1 th FILE NOT ALLOCATED \n"), std::string::npos) << err;
  EXPECT_NE(err.find("CANNOT READ INPUT MESH " + TestPath("nowhere") + ".mesh[b]"), std::string::npos) << err;
  EXPECT_EQ(ctx.Fi->Status & (STATUS_NO_FILE_NAME | STATUS_FILE_UNREADABLE),
            static_cast<uint32_t>(STATUS_NO_FILE_NAME | STATUS_FILE_UNREADABLE));
  freeMesh(ctx, msh);

  LoadContext none;
  testing::internal::CaptureStderr();
  EXPECT_EQ(loadFiles(none, {missing}), nullptr);
  EXPECT_EQ(geoLoadMeshAndSolution(none.Fi, 0, nullptr, nullptr), nullptr);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(none.Mem->NbrActive, 0);
}

TEST(MeshLoad, OverlongNamesAreRefused) {
  LoadContext ctx;
  std::string name(5000, 'a');
  name += ".mesh";
  testing::internal::CaptureStderr();
  EXPECT_EQ(loadFiles(ctx, {name}), nullptr);
  Geometric_Mesh *msh = NewCommonMesh(ctx.Mem, nullptr);
  EXPECT_EQ(LoadMesh(ctx.Fi, name.c_str(), msh), 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("FILE NAME LONGER THAN 1023 CHARACTERS"), std::string::npos);
  EXPECT_NE(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  freeMesh(ctx, msh);
}

TEST(MeshLoad, BrokenFilesFailWithAMessageInsteadOfEndingTheProcess) {
  // A text file whose vertex section holds a word where a number should be.
  FixtureFile f = triangleFile(4, {1, 2, 3, 1});
  std::string text = RawText(f);
  size_t at = text.find("0.0625");
  ASSERT_NE(at, std::string::npos);
  text.replace(at, 6, "oops");
  std::string broken = TestPath("broken.mesh");
  SaveText(broken, text);
  // A binary file cut in the middle of its triangles.
  auto bytes = RawBinary(triangleFile(4, {1, 2, 3, 1, 2, 3, 4, 1}), false);
  bytes.resize(bytes.size() - 20);
  std::string cut = TestPath("cut.meshb");
  SaveBytes(cut, bytes);
  std::string good = SaveFixture(triangleFile(3, {1, 2, 3, 7}), "fine.mesh", false);
  LoadContext ctx;
  testing::internal::CaptureStderr();
  Geometric_Mesh *msh = loadFiles(ctx, {broken, cut, good});
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_NE(msh, nullptr);
  EXPECT_NE(err.find("  ## ERROR: LOADMESH: LOADVERTEX FAILS FOR FILE " + broken), std::string::npos) << err;
  EXPECT_NE(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  ASSERT_GE(msh->NbrTri, 1);
  EXPECT_EQ(msh->Tri[msh->NbrTri].Ref, 7);
  freeMesh(ctx, msh);
}

TEST(MeshLoad, OptionsSkipEdgesRidgesCornersAndClearReferences) {
  FixtureFile f = triangleFile(5, {1, 2, 3, 9});
  f.Sections.push_back(Lines(5, "Edges", 2, {1, 2, 1, 2, 3, 1}));
  f.Sections.push_back(Lines(25, "EdgesP2", 3, {1, 2, 3, 4}));
  f.Sections.push_back(List(14, "Ridges", {1}));
  f.Sections.push_back(List(16, "RequiredEdges", {2}));
  f.Sections.push_back(List(13, "Corners", {3}));
  f.Sections.push_back(List(15, "RequiredVertices", {4}));
  std::string p = SaveFixture(f, "options.mesh", false);
  {
    LoadContext ctx(0, LOAD_OPT_NO_RIDGES | LOAD_OPT_NO_CORNERS | LOAD_OPT_REF_ZERO);
    Geometric_Mesh *msh = loadFiles(ctx, {p});
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(msh->Tri[1].Ref, 0);
    EXPECT_EQ(msh->P2Efr[1].Ref, 0);
    EXPECT_EQ(msh->Efr[1].Tag & TAG_RIDGE, 0u);
    EXPECT_NE(msh->Efr[2].Tag & TAG_REQUIRED, 0u);
    EXPECT_EQ(msh->Ver[3].Tag, TAG_ALIVE);
    EXPECT_EQ(msh->Ver[4].Tag, TAG_ALIVE | TAG_REQUIRED);
    freeMesh(ctx, msh);
  }
  {
    LoadContext ctx(0, LOAD_OPT_NO_EDGES | LOAD_OPT_NO_REQ_VERTICES | LOAD_OPT_NO_REQ_EDGES);
    Geometric_Mesh *msh = loadFiles(ctx, {p});
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(msh->NbrEfr, 0);
    EXPECT_EQ(msh->Tri[1].Ref, 9);
    EXPECT_EQ(msh->Ver[4].Tag, TAG_ALIVE);
    EXPECT_EQ(msh->Ver[3].Tag, TAG_ALIVE | TAG_REQUIRED | TAG_CORNER);
    freeMesh(ctx, msh);
  }
  {
    LoadContext ctx(0, LOAD_OPT_NO_SURFACE);
    Geometric_Mesh *msh = loadFiles(ctx, {p});
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(msh->NbrVer, 5);
    EXPECT_EQ(msh->NbrTri, 0);
    EXPECT_EQ(msh->Tri, nullptr);
    freeMesh(ctx, msh);
  }
}

TEST(MeshLoad, SizePassesAddAndFit) {
  std::string p = SaveFixture(AllKindsMesh(2, 3), "sizes.meshb", true);
  LoadContext ctx;
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  ASSERT_EQ(AddMeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  ASSERT_EQ(AddMeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  EXPECT_EQ(siz[KmfVertices], 80);
  EXPECT_EQ(siz[KmfTriangles], 2 * (9 + 3));
  EXPECT_EQ(siz[KmfEdges], 2 * (7 + 4));
  EXPECT_EQ(siz[KmfTetrahedra], 2 * (11 + 2));
  EXPECT_EQ(siz[KmfHexahedraQ2], 4);
  EXPECT_EQ(siz[KmfPyramids], 6);
  EXPECT_EQ(siz[KmfNormals], 10);
  EXPECT_EQ(siz[KmfFileType], FILE_TYPE_KMF);
  ASSERT_EQ(FitMeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  EXPECT_EQ(siz[KmfVertices], 40);
  EXPECT_EQ(siz[KmfTriangles], 12);
  testing::internal::CaptureStderr();
  EXPECT_EQ(FitMeshSize(ctx.Fi, TestPath("absent.mesh").c_str(), siz.data()), 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("  ## ERROR: FITMESHSIZE: CANNOT OPEN " + TestPath("absent") + ".[mesh[b]]\n"), std::string::npos);
}

TEST(MeshLoad, BoundaryEdgesGrowPastTheCountedCapacity) {
  FixtureFile f;
  f.Sections.push_back(GridVertices(2, 4));
  f.Dim = 2;
  f.Sections.push_back(Lines(5, "Edges", 2, {1, 2, 1, 2, 3, 1, 3, 4, 2, 4, 1, 2, 1, 3, 5}));
  std::string p = SaveFixture(f, "edges2d.meshb", true);
  LoadContext ctx;
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfVertices] = 4;
  siz[KmfEdges] = 2;
  Geometric_Mesh *msh = NewCommonMesh(ctx.Mem, siz.data());
  ASSERT_NE(msh, nullptr);
  int ver = 0, dim = 0;
  KmfMeshFile *hdl = GetMeshDesc(ctx.Fi, p.c_str(), &ver, &dim, KmfMesh, KmfRead);
  ASSERT_NE(hdl, nullptr);
  msh->Dim = 2;
  int crn[2], rid[2];
  ASSERT_EQ(LoadVertex(ctx.Fi, hdl, msh, crn), 1);
  EXPECT_EQ(msh->Ver[3].Crd[2], 0.0);
  EXPECT_EQ(msh->Box[2], 0.0);
  EXPECT_EQ(msh->Box[5], 0.0);
  testing::internal::CaptureStdout();
  ASSERT_EQ(LoadEdges(ctx.Fi, hdl, 0, msh, rid), 1);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("#### WARNING: LOADEDGES: REALLOC BDYEDGES 5\n"), std::string::npos);
  EXPECT_EQ(msh->MaxNbrEfr, 5);
  EXPECT_EQ(msh->NbrEfr, 5);
  EXPECT_EQ(msh->Efr[5].Ver[1], 3);
  EXPECT_EQ(msh->Efr[5].Ref, 5);
  EXPECT_EQ(msh->Efr[5].Tag, TAG_ALIVE);
  // Normals are skipped in 2-D.
  KmfCloseMesh(hdl);
  freeMesh(ctx, msh);
}

TEST(MeshLoad, LoadersRefuseBadArguments) {
  LoadContext ctx;
  Geometric_Mesh *msh = NewCommonMesh(ctx.Mem, nullptr);
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadTriangles(ctx.Fi, nullptr, 0, msh), 0);
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_BAD_HANDLE);
  EXPECT_EQ(LoadMesh(ctx.Fi, nullptr, msh), 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("  ## ERROR: LOADTRIANGLES: INVALID MESH FILE DESCRIPTOR 0 \n"), std::string::npos);
  EXPECT_NE(err.find("  ## ERROR: LOADMESH: MESH/FILE NAME NOT ALLOCATED \n"), std::string::npos);
  // A triangle section larger than the capacity.
  std::string p = SaveFixture(triangleFile(3, {1, 2, 3, 1, 1, 3, 2, 1}), "cap.mesh", false);
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfVertices] = 3;
  siz[KmfTriangles] = 1;
  Geometric_Mesh *small = NewCommonMesh(ctx.Mem, siz.data());
  int ver, dim;
  KmfMeshFile *hdl = GetMeshDesc(ctx.Fi, p.c_str(), &ver, &dim, KmfMesh, KmfRead);
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadTriangles(ctx.Fi, hdl, 0, small), 0);
  err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_CAPACITY);
  EXPECT_NE(err.find("  ## ERROR: LOADTRIANGLES: NOT ENOUGH MEMORY TO LOAD TRIANGLES\n"
                     "  MAXIMUM NUMBER OF TRIANGLES 1 NEEDED 2 \n"),
            std::string::npos)
      << err;
  KmfCloseMesh(hdl);
  FreeCommonMesh(ctx.Mem, small);
  freeMesh(ctx, msh);
}

TEST(MeshLoad, VerboseReportNamesTheFileAndTheCounts) {
  FixtureFile f = triangleFile(5, {1, 2, 3, 1});
  f.Sections.push_back(List(13, "Corners", {1, 2}));
  f.Sections.push_back(Lines(5, "Edges", 2, {1, 2, 1}));
  f.Sections.push_back(List(14, "Ridges", {1}));
  std::string p = SaveFixture(f, "verbose.meshb", true);
  std::string base = TestPath("verbose");
  LoadContext ctx(2, LOAD_OPT_PROFILE);
  testing::internal::CaptureStdout();
  Geometric_Mesh *msh = loadFiles(ctx, {base});
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_NE(msh, nullptr);
  EXPECT_NE(out.find("  % " + base + ".meshb OPENED (file version 2)\n"), std::string::npos) << out;
  EXPECT_NE(out.find("  Number Of Vertices                         5  Corners          2 \n"), std::string::npos) << out;
  EXPECT_NE(out.find("  Number Of Edges                            1  Ridges           1 \n"), std::string::npos) << out;
  EXPECT_NE(out.find("  Number Of Triangles                        1\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("  Number Of Tetrahedra"), std::string::npos);
  EXPECT_NE(out.find("  Bounding box x:[0.0625 0.3125] y:[0.125 0.625] z:[0.1875 0.9375]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("  Loading mesh Memory used "), std::string::npos);
  EXPECT_NE(out.find("  Cpu Time to load the mesh       "), std::string::npos);
  freeMesh(ctx, msh);
}

TEST(MeshLoadDeathTest, NullInterfaceEndsTheProcess) {
  char name[] = "x.mesh";
  char *names[] = {name};
  EXPECT_EXIT(geoLoadMeshAndSolution(nullptr, 1, names, nullptr), ::testing::ExitedWithCode(100),
              "INTERFACE FUNCTION NOT ALLOCATED.*INTERNAL ERROR");
}

}  // namespace
