// Loading keyword mesh files: every kind, appending several files, invalid elements, flags,
// refusals, options and the verbose report.
#include "tests/common/CommonTest.h"

namespace {

int openFiles() {
  int n = 0;
  if (DIR *d = opendir("/proc/self/fd")) {
    while (readdir(d)) n++;
    closedir(d);
  }
  return n;
}

template <class Rec>
void expectElements(const FixtureSection &s, int nodes, const Rec *arr, int count) {
  ASSERT_EQ(count, s.NmbLin) << s.Name;
  for (int l = 0; l < count; l++) {
    for (int j = 0; j < nodes; j++) ASSERT_EQ(arr[l + 1].Ver[j], s.Ints[l * (nodes + 1) + j]) << s.Name << " line " << l;
    EXPECT_EQ(arr[l + 1].Ref, s.Ints[l * (nodes + 1) + nodes]) << s.Name;
    EXPECT_EQ(arr[l + 1].Tag & TAG_ALIVE, TAG_ALIVE) << s.Name;
  }
}

class AllKinds : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(AllKinds, EveryKindLoadsWithItsValues) {
  bool binary = std::get<1>(GetParam());
  FixtureFile f = AllKindsMesh(std::get<0>(GetParam()), 3);
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({SaveFixture(f, binary ? "allkinds.meshb" : "allkinds.mesh", binary)});
  ASSERT_NE(msh, nullptr);
  ASSERT_EQ(std::vector<int>({msh->Dim, msh->FileType, msh->NbrVer}), (std::vector<int>{3, FILE_TYPE_KMF, 40}));
  const FixtureSection &ver = *f.find(4);
  for (int i = 0; i < 40; i++) {
    for (int k = 0; k < 3; k++) EXPECT_EQ(msh->Ver[i + 1].Crd[k], ver.Reals[i * 3 + k]);
    EXPECT_EQ(msh->Ver[i + 1].Ref, ver.Ints[i]);
  }
  expectElements(*f.find(5), 2, msh->Efr, msh->NbrEfr);
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
  // The file's P2 triangle node j is the program's node P2TriangleFileOrder[j].
  const FixtureSection &p2 = *f.find(24);
  ASSERT_EQ(msh->NbrP2Tri, 3);
  for (int l = 0; l < 3; l++)
    for (int j = 0; j < 6; j++) EXPECT_EQ(msh->P2Tri[l + 1].Ver[P2TriangleFileOrder[j]], p2.Ints[7 * l + j]);
  // Capacities of the linear kinds have room for the second-order ones.
  EXPECT_EQ(std::vector<int>({msh->MaxNbrTri, msh->MaxNbrTet, msh->MaxNbrEfr}), (std::vector<int>{9 + 3, 11 + 2, 7 + 4}));
  std::vector<uint32_t> want(8, 0), vw(41, 0);
  for (int64_t r : f.find(14)->Ints) want[r] |= TAG_RIDGE;
  for (int64_t r : f.find(16)->Ints) want[r] |= TAG_REQUIRED;
  for (int e = 1; e <= 7; e++) EXPECT_EQ(msh->Efr[e].Tag & (TAG_RIDGE | TAG_REQUIRED), want[e]) << e;
  for (int64_t r : f.find(15)->Ints) vw[r] |= TAG_REQUIRED;
  for (int64_t r : f.find(13)->Ints) vw[r] |= TAG_REQUIRED | TAG_CORNER;
  for (int v = 1; v <= 40; v++) EXPECT_EQ(msh->Ver[v].Tag, TAG_ALIVE | vw[v]) << v;
  const uint32_t flags = GEO_CORNERS | GEO_REQ_VERTICES | GEO_REQ_EDGES | GEO_RIDGES | GEO_HYBRID | GEO_NORMALS;
  EXPECT_EQ(msh->GeoFlags & flags, flags);
  // NormalAtVertices gives (2i + 1, i + 1).
  ASSERT_EQ(msh->NbrNor, 5);
  const FixtureSection &nor = *f.find(60);
  for (int k = 1; k <= 5; k++) {
    EXPECT_EQ(msh->Nor[k].Ver, 2 * k - 1);
    for (int j = 0; j < 3; j++) EXPECT_EQ(msh->Nor[k].Crd[j], nor.Reals[(k - 1) * 3 + j]);
  }
  EXPECT_EQ(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  EXPECT_EQ((ctx.Fi->Status & STATUS_BINARY_INPUT) != 0, binary);
  ctx.Free(msh);
}

INSTANTIATE_TEST_SUITE_P(Versions, AllKinds,
                         ::testing::Values(std::make_tuple(1, true), std::make_tuple(2, false), std::make_tuple(2, true),
                                           std::make_tuple(3, true), std::make_tuple(3, false)));

// A Q2 hexahedron written with its nodes in another order and the ordering section that says
// which (each node's lattice place: twice its place in the unit cube) reads back with every
// node where the same element written in the default order has it.
TEST(MeshLoad, AQ2HexahedronReadWithItsOrderingSectionHasEveryNodeInItsPlace) {
  LoadContext made;
  Geometric_Mesh *lin = MakeStructuredMesh(made.Mem, 1, 1, 1, GEN_HEX), *q2 = MakeSecondOrderCopy(made.Mem, lin);
  const std::vector<int64_t> nodes(q2->P2Hex[1].Ver, q2->P2Hex[1].Ver + 27);
  std::vector<int64_t> plain = nodes, shuffled, places;
  for (size_t j = 0; j < 27; j++) {
    shuffled.push_back(nodes[(7 * j + 3) % 27]);
    for (int d = 0; d < 3; d++) places.push_back(std::lround(2 * q2->Ver[shuffled.back()].Crd[d]));
  }
  FreeCommonMesh(made.Mem, lin);
  made.Free(q2);
  plain.push_back(1), shuffled.push_back(1);  // the reference
  const FixtureFile files[] = {
      {2, 3, {GridVertices(3, 27), Lines(33, "HexahedraQ2", 27, plain)}},
      {2, 3,
       {GridVertices(3, 27), Lines(33, "HexahedraQ2", 27, shuffled),
        Section(139, "HexahedraQ2Ordering", "iii", 27).With(places)}}};
  for (const FixtureFile &f : files) {
    LoadContext ctx;
    Geometric_Mesh *msh = ctx.Load({SaveFixture(f, "q2hex.meshb", true)});
    ASSERT_NE(msh, nullptr) << ctx.Err;
    ASSERT_EQ(msh->NbrP2Hex, 1);
    EXPECT_EQ(std::vector<int64_t>(msh->P2Hex[1].Ver, msh->P2Hex[1].Ver + 27), nodes)
        << (f.Sections.size() == 3 ? "with the ordering section" : "in the default order");
    ctx.Free(msh);
  }
}

// A file without vertices, then two appended: nodes shift past the earlier vertices, and the
// box starts at the first file that has vertices (all negative here: no corner at the origin).
TEST(MeshLoad, FilesAreAppendedWithShiftedNodes) {
  LoadContext ctx;
  FixtureFile a = MeshOf(3, 10, {1, 2, 3, 5, 4, 5, 6, 6}), b = MeshOf(3, 20, {1, 2, 3, 9, 18, 19, 20, 8});
  for (double &x : a.Sections[0].Reals) x = -x - 1;
  for (double &x : b.Sections[0].Reals) x = -x;
  Geometric_Mesh *msh = ctx.Load({SaveFixture(MeshOf(3, 0), "novertex.mesh", false), SaveFixture(a, "first.mesh", false),
                                  SaveFixture(b, "second.meshb", true)});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->NbrVer, 30);
  ASSERT_EQ(msh->NbrTri, 4);
  for (int j = 0; j < 3; j++) EXPECT_EQ(msh->Tri[3].Ver[j], 11 + j);
  EXPECT_EQ(std::vector<double>({double(msh->Tri[4].Ver[2]), double(msh->Tri[4].Ref), msh->Ver[11].Crd[0]}),
            (std::vector<double>{30, 8, -1 / 16.0}));
  const double box[6] = {-1 - 10 / 16.0, -40 / 16.0, -60 / 16.0, -1 / 16.0, -2 / 16.0, -3 / 16.0};
  for (int k = 0; k < 6; k++) EXPECT_EQ(msh->Box[k], box[k]) << k;
  EXPECT_STREQ(msh->MshNam, TestPath("novertex").c_str());
  ctx.Free(msh);
}

// Vertices with a NaN or an infinite coordinate (a value past the largest double in a text
// file is one) are counted in one line and left out of the box, which holds the others, in
// every encoding. Coordinates near the largest double stay in the box as they are.
TEST(MeshLoad, VerticesThatCannotBeFramedAreCountedAndLeftOutOfTheBox) {
  const double nan = std::nan(""), inf = HUGE_VAL;
  const struct {
    const char *What;
    std::string Name;
    bool Binary;
    std::vector<std::pair<int, double>> Changes;  // (value index, new value)
    int64_t Left;                                  // vertices left out
    std::vector<double> Box;
  } cases[] = {
      {"text", "nonfinite.mesh", false, {{3, nan}, {11, inf}, {13, -inf}}, 3, {1 / 16., 2 / 16., 3 / 16., 6 / 16., 12 / 16., 18 / 16.}},
      {"binary", "nonfinite.meshb", true, {{3, nan}, {11, inf}, {13, -inf}}, 3, {1 / 16., 2 / 16., 3 / 16., 6 / 16., 12 / 16., 18 / 16.}},
      {"a NaN at the first vertex", "firstnan.meshb", true, {{0, nan}}, 1, {2 / 16., 4 / 16., 6 / 16., 6 / 16., 12 / 16., 18 / 16.}},
      {"near the largest double", "huge.meshb", true, {{0, -1.7e308}, {15, 1.7e308}}, 0, {-1.7e308, 2 / 16., 3 / 16., 1.7e308, 12 / 16., 18 / 16.}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.What);
    FixtureFile f = MeshOf(3, 6);
    for (const auto &ch : c.Changes) f.Sections[0].Reals[ch.first] = ch.second;
    LoadContext ctx;
    Geometric_Mesh *msh = ctx.Load({SaveFixture(f, c.Name, c.Binary)});
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(msh->NbrVer, 6);
    EXPECT_EQ(std::vector<double>(msh->Box, msh->Box + 6), c.Box);
    const std::string line = " " + std::to_string(c.Left) + " VERTICES OF ";
    EXPECT_EQ(ctx.Out.find(line) != std::string::npos, c.Left > 0) << ctx.Out;
    EXPECT_EQ(std::count(ctx.Out.begin(), ctx.Out.end(), '#'), c.Left > 0 ? 2 : 0) << ctx.Out;
    ctx.Free(msh);
  }
  // SU2 vertices alike.
  const std::string su2 = SaveNamed("nonfinite.su2",
                                    "NDIME= 2\nNELEM= 1\n5 0 1 2 0\nNPOIN= 4\nnan 0 0\n1 0 1\n0 1e999 2\n2 3 3\nNMARK= 0\n");
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({su2});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(std::vector<double>(msh->Box, msh->Box + 6), (std::vector<double>{1, 0, 0, 2, 3, 0}));
  EXPECT_CONTAINS(ctx.Out, " 2 VERTICES OF ");
  ctx.Free(msh);
}

// Twelve invalid triangles: ten reported, then "NO MORE ERRORS PRINTED"; pyramids and P2
// tetrahedra are counted apart and reported in their own formats.
TEST(MeshLoad, InvalidElementsStayDeadAndTheFirstTenOfAKindAreReported) {
  std::vector<int64_t> tri = {1, 2, 3, 1};
  for (int i = 0; i < 12; i++) tri.insert(tri.end(), {i % 2 ? 0 : 1, 2, i % 2 ? 3 : 11 + i, 2});
  tri.insert(tri.end(), {4, 5, 6, 3});
  FixtureFile bad = MeshOf(3, 10, tri);
  bad.Sections.push_back(Lines(49, "Pyramids", 5, {1, 2, 3, 4, 11, 9, 1, 2, 3, 4, INT32_MIN, 9, 1, 2, 3, 4, 6, 9}));
  bad.Sections.push_back(Lines(30, "TetrahedraP2", 10, {1, 2, 3, 4, 5, 6, 1, 2, 3, 0, 4}));
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({SaveFixture(MeshOf(3, 10, {1, 2, 3, 1}), "valid.mesh", false),
                                  SaveFixture(bad, "invalid.mesh", false)});
  ASSERT_NE(msh, nullptr);
  EXPECT_NE(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  ASSERT_EQ(msh->NbrTri, 15);
  EXPECT_EQ(std::vector<uint32_t>({msh->Tri[2].Tag, uint32_t(msh->Tri[2].Ver[0]), msh->Tri[15].Tag, uint32_t(msh->Tri[15].Ver[2])}),
            (std::vector<uint32_t>{TAG_ALIVE, 11, TAG_ALIVE, 16}));
  for (int i = 3; i <= 14; i++) {
    EXPECT_EQ(msh->Tri[i].Tag, 0u) << i;
    EXPECT_EQ(msh->Tri[i].Ver[1], 2) << "invalid elements keep their file numbers";
  }
  EXPECT_EQ(msh->Pyr[1].Tag | msh->Pyr[2].Tag | msh->P2Tet[1].Tag, 0u);
  EXPECT_EQ(msh->Pyr[2].Ver[4], INT32_MIN);
  EXPECT_EQ(msh->Pyr[3].Tag, TAG_ALIVE);
  const std::string &err = ctx.Err;
  EXPECT_CONTAINS(err, "  ## ERROR: LOADTRIANGLES: 12 INVALID TRIANGLES FOUND WITH OUT OF BOUND VALUE [1-10]\n"
                       "  TO FORCE CONTINUING USE NOCHECK OPTION OR VERIFY YOUR MESH FILE \n"
                       "  TRIANGLE          3 =[         1          2         11] IS INVALID \n");
  EXPECT_CONTAINS(err, "  TRIANGLE         12 =[         0          2          3] IS INVALID \n  ## NO MORE ERRORS PRINTED \n");
  size_t lines = 0;
  for (size_t at = err.find("TRIANGLE "); at != std::string::npos; at = err.find("TRIANGLE ", at + 1)) lines++;
  EXPECT_EQ(lines, 10u);
  ctx.Free(msh);
}

// Every edge is a ridge; bad ridge, corner and required lines are reported and change nothing.
TEST(MeshLoad, RidgesCornersAndRequiredEntitiesAreReadAndChecked) {
  FixtureFile f = MeshOf(3, 6);
  f.Sections.push_back(Lines(5, "Edges", 2, {1, 2, 1, 2, 3, 1, 3, 4, 2, 4, 5, 2, 5, 6, 2}));
  f.Sections.push_back(List(14, "Ridges", {1, 2, 3, 4, 5}));
  f.Sections.push_back(List(16, "RequiredEdges", {2, 6, 0}));
  f.Sections.push_back(List(13, "Corners", {0, 2}));
  f.Sections.push_back(List(15, "RequiredVertices", {7}));
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({SaveFixture(MeshOf(3, 4, {1, 2, 3, 1}), "ridge0.mesh", false), SaveFixture(f, "ridges.mesh", false)});
  ASSERT_NE(msh, nullptr);
  ASSERT_EQ(msh->NbrEfr, 5);
  for (int e = 1; e <= 5; e++) {
    EXPECT_NE(msh->Efr[e].Tag & TAG_RIDGE, 0u) << e;
    EXPECT_EQ(msh->Efr[e].Ver[0], e + 4);  // both nodes after the first file's 4 vertices
    EXPECT_EQ(msh->Efr[e].Ver[1], e + 5);
    EXPECT_EQ((msh->Efr[e].Tag & TAG_REQUIRED) != 0, e == 2) << e;
  }
  for (int v = 1; v <= 10; v++)
    EXPECT_EQ(msh->Ver[v].Tag, v == 6 ? TAG_ALIVE | TAG_REQUIRED | TAG_CORNER : static_cast<uint32_t>(TAG_ALIVE)) << v;
  EXPECT_NE(msh->GeoFlags & GEO_RIDGES, 0u);
  EXPECT_NE(msh->GeoFlags & GEO_REQ_EDGES, 0u);
  EXPECT_CONTAINS(ctx.Err, "  REQUIRED EDGE            6  IS OUT OF BOUND =[         1          5]\n");
  EXPECT_NE(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  ctx.Free(msh);
}

// An invalid edge of a second file keeps its file's numbers (a node at the int limit is not
// shifted past it) and is reported with them; the valid edges of both files are shifted.
TEST(MeshLoad, InvalidEdgesOfALaterFileKeepAndReportTheirOwnNumbers) {
  FixtureFile a = MeshOf(3, 4), b = MeshOf(3, 3);
  a.Sections.push_back(Lines(5, "Edges", 2, {1, 2, 1, 3, 4, 1}));
  b.Sections.push_back(Lines(5, "Edges", 2, {1, 2147483647, 2, 0, 3, 2, 2, 3, 2}));
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({SaveFixture(a, "edgesa.mesh", false), SaveFixture(b, "edgesb.meshb", true)});
  ASSERT_NE(msh, nullptr);
  ASSERT_EQ(msh->NbrEfr, 5);
  const int want[5][2] = {{1, 2}, {3, 4}, {1, 2147483647}, {0, 3}, {6, 7}};
  for (int e = 0; e < 5; e++) {
    EXPECT_EQ(msh->Efr[e + 1].Ver[0], want[e][0]) << e + 1;
    EXPECT_EQ(msh->Efr[e + 1].Ver[1], want[e][1]) << e + 1;
    EXPECT_EQ(msh->Efr[e + 1].Tag, e == 2 || e == 3 ? 0u : static_cast<uint32_t>(TAG_ALIVE)) << e + 1;
  }
  EXPECT_CONTAINS(ctx.Err, "  ## ERROR: LOADEDGES: 2 INVALID EDGES FOUND WITH OUT OF BOUND VALUE [1-3]\n");
  EXPECT_CONTAINS(ctx.Err, "  EDGES          3 =[         1 2147483647] IS INVALID \n"
                           "  EDGES          4 =[         0          3] IS INVALID \n");
  ctx.Free(msh);
}

// A missing file, a null name, a version-4 file, an over-long name, a word where a number
// should be, a binary cut in its triangles: each is refused with a message and closed, and
// the last file still loads. Each, loaded before a good file, is the one the load names as
// refused, with the reason the loader found (a folder, a FIFO and a later Dimension of another
// value too); a load that refuses its solution alone names no mesh file.
TEST(MeshLoad, UnusableFilesAreSkippedWithAMessageAndTheRestLoads) {
  FixtureFile v4 = MeshOf(3, 5, {1, 2, 3, 1});
  v4.Version = 4;
  std::string text = RawText(MeshOf(3, 4, {1, 2, 3, 1}));
  text.replace(text.find("0.0625"), 6, "oops");
  auto bytes = RawBinary(MeshOf(3, 4, {1, 2, 3, 1, 2, 3, 4, 1}), false);
  bytes.resize(bytes.size() - 20);
  std::string cut = TestPath("cut.meshb"), broken = SaveNamed("broken.mesh", text);
  SaveBytes(cut, bytes);
  std::string missing = TestPath("nowhere.mesh"), overlong = std::string(5000, 'a') + ".mesh";
  LoadContext ctx;
  int fds = openFiles();
  Geometric_Mesh *msh = ctx.Load({missing, "", SaveFixture(v4, "version4.meshb", true), overlong, broken, cut,
                                  SaveFixture(MeshOf(3, 3, {1, 2, 3, 7}), "fine.mesh", false)});
  EXPECT_EQ(openFiles(), fds) << "a refused file was left open";
  ASSERT_NE(msh, nullptr);
  ASSERT_GE(msh->NbrTri, 1);
  EXPECT_EQ(msh->Tri[msh->NbrTri].Ref, 7);
  EXPECT_EQ(msh->Tri[msh->NbrTri].Ver[2], msh->NbrVer);
  EXPECT_CONTAINS(ctx.Err, "CANNOT READ INPUT MESH " + TestPath("nowhere") + ".mesh[b]");
  EXPECT_EQ(ctx.Fi->Status & (STATUS_NO_FILE_NAME | STATUS_FILE_UNREADABLE),
            static_cast<uint32_t>(STATUS_NO_FILE_NAME | STATUS_FILE_UNREADABLE));
  ctx.Free(msh);

  const std::string folder = TestPath("folder.mesh"), fifo = TestPath("fifo.mesh"), fine = TestPath("fine.mesh");
  mkdir(folder.c_str(), 0755);
  unlink(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  FixtureFile flat = MeshOf(3, 4, {1, 2, 3, 1});
  flat.Sections.push_back(Section(3, "Dimension", "i", 1, false).With({2}));
  const struct {
    std::string Path;
    int Why;
  } refusals[] = {{missing, MeshMissing},
                  {TestPath("version4.meshb"), MeshBadVersion},
                  {overlong, MeshLongName},
                  {broken, MeshDamaged},
                  {cut, MeshCutShort},
                  {folder, MeshFolder},
                  {fifo, MeshNotRegular},
                  {SaveFixture(flat, "flat.meshb", true), MeshHeaderChanged},
                  {fine, MeshTaken}};
  for (const auto &r : refusals) {
    SCOPED_TRACE(r.Path.substr(0, 80));
    LoadContext one;
    MeshRefusal refused{"stale", MeshDamaged};
    Geometric_Mesh *m = one.Load({r.Path, fine}, nullptr, &refused);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(refused.Why, r.Why) << MeshWhyWords(refused.Why);
    EXPECT_EQ(refused.File, r.Why == MeshTaken ? "" : r.Path);
    EXPECT_EQ((one.Fi->Status & STATUS_MESH_UNREADABLE) != 0, r.Why != MeshTaken);
    one.Free(m);
  }
  LoadContext first;
  MeshRefusal refused;
  first.Free(first.Load({fine, missing, cut}, nullptr, &refused));
  EXPECT_EQ(refused.File, missing);
  LoadContext solution;
  const std::string flatSol = SaveNamed("refused.sol", "MeshVersionFormatted 2\nDimension 2\n");
  solution.Free(solution.Load({fine}, flatSol.c_str(), &refused));
  EXPECT_EQ(refused.Why, MeshTaken);
  EXPECT_EQ(solution.Fi->Status & (STATUS_FILE_UNREADABLE | STATUS_MESH_UNREADABLE), uint32_t(STATUS_FILE_UNREADABLE));
  unlink(fifo.c_str());

  LoadContext none;
  EXPECT_EQ(none.Load({missing}), nullptr);
  EXPECT_EQ(none.Load({overlong}), nullptr);
  EXPECT_EQ(none.Load({}), nullptr);
  EXPECT_EQ(none.Mem->NbrActive, 0);
}

TEST(MeshLoad, OptionsSkipEdgesRidgesCornersAndClearReferences) {
  FixtureFile f = MeshOf(3, 5, {1, 2, 3, 9});
  f.Sections.push_back(Lines(5, "Edges", 2, {1, 2, 1, 2, 3, 1}));
  f.Sections.push_back(Lines(25, "EdgesP2", 3, {1, 2, 3, 4}));
  f.Sections.push_back(List(14, "Ridges", {1}));
  f.Sections.push_back(List(16, "RequiredEdges", {2}));
  f.Sections.push_back(List(13, "Corners", {3}));
  f.Sections.push_back(List(15, "RequiredVertices", {4}));
  std::string p = SaveFixture(f, "options.mesh", false);
  const uint32_t alive = TAG_ALIVE, req = TAG_REQUIRED, crn = TAG_CORNER;
  struct Case {
    unsigned opt;
    int nbrEfr, triRef, p2EdgeRef;
    uint32_t edge1, edge2, ver3, ver4;
  };
  for (const Case &c : {Case{LOAD_OPT_NO_RIDGES | LOAD_OPT_NO_CORNERS | LOAD_OPT_REF_ZERO, 2, 0, 0, alive, alive | req, alive, alive | req},
                        Case{LOAD_OPT_NO_EDGES | LOAD_OPT_NO_REQ_VERTICES | LOAD_OPT_NO_REQ_EDGES, 0, 9, 4, 0, 0, alive | req | crn, alive},
                        Case{0, 2, 9, 4, alive | TAG_RIDGE, alive | req, alive | req | crn, alive | req}}) {
    SCOPED_TRACE(c.opt);
    LoadContext ctx(0, c.opt);
    Geometric_Mesh *msh = ctx.Load({p});
    ASSERT_NE(msh, nullptr);
    ASSERT_EQ(msh->NbrEfr, c.nbrEfr);
    EXPECT_EQ(msh->Tri[1].Ref, c.triRef);
    EXPECT_EQ(msh->P2Efr[1].Ref, c.p2EdgeRef);
    for (int e = 1; e <= c.nbrEfr; e++) EXPECT_EQ(msh->Efr[e].Tag, e == 1 ? c.edge1 : c.edge2);
    EXPECT_EQ(msh->Ver[3].Tag, c.ver3);
    EXPECT_EQ(msh->Ver[4].Tag, c.ver4);
    ctx.Free(msh);
  }
  LoadContext ctx(0, LOAD_OPT_NO_SURFACE);
  Geometric_Mesh *msh = ctx.Load({p});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->NbrVer, 5);
  EXPECT_EQ(msh->Tri, nullptr);
  ctx.Free(msh);
}

TEST(MeshLoad, SizePassesAddAndFit) {
  std::string p = SaveFixture(AllKindsMesh(2, 3), "sizes.meshb", true);
  LoadContext ctx;
  std::vector<int> siz(KmfSizMshLen, 0);
  ASSERT_EQ(AddMeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  ASSERT_EQ(AddMeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  // Linear kinds count their second-order ones too.
  const int kinds[7] = {KmfVertices, KmfTriangles, KmfEdges, KmfTetrahedra, KmfHexahedraQ2, KmfNormals, KmfFileType};
  const int want[7] = {80, 2 * (9 + 3), 2 * (7 + 4), 2 * (11 + 2), 4, 10, FILE_TYPE_KMF};
  for (int k = 0; k < 7; k++) EXPECT_EQ(siz[kinds[k]], want[k]) << kinds[k];
  ASSERT_EQ(FitMeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  EXPECT_EQ(siz[KmfVertices], 40);
  EXPECT_EQ(siz[KmfTriangles], 12);
  CaptureText([&] { EXPECT_EQ(FitMeshSize(ctx.Fi, TestPath("absent.mesh").c_str(), siz.data()), 0); });
}

TEST(MeshLoad, BoundaryEdgesGrowPastTheCountedCapacity) {
  FixtureFile f = MeshOf(2, 4);
  f.Sections.push_back(Lines(5, "Edges", 2, {1, 2, 1, 2, 3, 1, 3, 4, 2, 4, 1, 2, 1, 3, 5}));
  std::string p = SaveFixture(f, "edges2d.meshb", true);
  LoadContext ctx;
  Geometric_Mesh *msh = MakeSizedMesh(ctx.Mem, {{KmfVertices, 4}, {KmfEdges, 2}});
  ASSERT_NE(msh, nullptr);
  int ver = 0, dim = 0;
  KmfMeshFile *hdl = GetMeshDesc(ctx.Fi, p.c_str(), &ver, &dim, KmfMesh, KmfRead);
  ASSERT_NE(hdl, nullptr);
  msh->Dim = 2;
  int crn[2], rid[2];
  ASSERT_EQ(LoadVertex(ctx.Fi, hdl, msh, crn), 1);
  EXPECT_EQ(msh->Ver[3].Crd[2], 0.0);
  EXPECT_EQ(msh->Box[5], 0.0);
  CaptureText([&] { ASSERT_EQ(LoadEdges(ctx.Fi, hdl, 0, msh, rid), 1); });
  EXPECT_EQ(std::vector<int>({msh->MaxNbrEfr, msh->NbrEfr, msh->Efr[5].Ver[1], msh->Efr[5].Ref}), (std::vector<int>{5, 5, 3, 5}));
  EXPECT_EQ(msh->Efr[5].Tag, TAG_ALIVE);
  KmfCloseMesh(hdl);
  ctx.Free(msh);
}

TEST(MeshLoad, LoadersRefuseBadArgumentsAndSmallCapacities) {
  LoadContext ctx;
  Geometric_Mesh *msh = NewCommonMesh(ctx.Mem, nullptr);
  CaptureText([&] {
    EXPECT_EQ(LoadTriangles(ctx.Fi, nullptr, 0, msh), 0);
    EXPECT_EQ(ctx.Fi->ErrCod, ERR_BAD_HANDLE);
    EXPECT_EQ(LoadMesh(ctx.Fi, nullptr, msh), 0);
  });
  std::string p = SaveFixture(MeshOf(3, 3, {1, 2, 3, 1, 1, 3, 2, 1}), "cap.mesh", false);
  Geometric_Mesh *small = MakeSizedMesh(ctx.Mem, {{KmfVertices, 3}, {KmfTriangles, 1}});
  int ver, dim;
  KmfMeshFile *hdl = GetMeshDesc(ctx.Fi, p.c_str(), &ver, &dim, KmfMesh, KmfRead);
  std::string err = CaptureText([&] { EXPECT_EQ(LoadTriangles(ctx.Fi, hdl, 0, small), 0); }).Err;
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_CAPACITY);
  EXPECT_CONTAINS(err, "  ## ERROR: LOADTRIANGLES: NOT ENOUGH MEMORY TO LOAD TRIANGLES\n"
                       "  MAXIMUM NUMBER OF TRIANGLES 1 NEEDED 2 \n");
  KmfCloseMesh(hdl);
  FreeCommonMesh(ctx.Mem, small);
  ctx.Free(msh);
}

// Normals of a second file attach to its own vertices; an attachment naming a normal the
// file does not have (0, or past its count) is dropped, never written to another normal.
TEST(MeshLoad, NormalsAtVerticesStayInsideTheirFile) {
  FixtureFile a = MeshOf(3, 4), b = MeshOf(3, 4);
  for (FixtureFile *f : {&a, &b}) f->Sections.push_back(Section(KmfNormals, "Normals", "rrr", 2).With({}, {0, 0, 1, 0, 1, 0}));
  a.Sections.push_back(Lines(KmfNormalAtVertices, "NormalAtVertices", 1, {3, 1, 4, 2}));
  b.Sections.push_back(Lines(KmfNormalAtVertices, "NormalAtVertices", 1, {1, 2, 2, 0, 3, 3, 5, 1}));
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({SaveFixture(a, "nora.mesh", false), SaveFixture(b, "norb.meshb", true)});
  ASSERT_NE(msh, nullptr);
  ASSERT_EQ(msh->NbrNor, 4);
  const int want[4] = {3, 4, 0, 5};  // vertex 5 is the second file's vertex 1
  for (int k = 0; k < 4; k++) EXPECT_EQ(msh->Nor[k + 1].Ver, want[k]) << "normal " << k + 1;
  ctx.Free(msh);
}

TEST(MeshLoad, VerboseReportNamesTheFileAndTheCounts) {
  FixtureFile f = MeshOf(3, 5, {1, 2, 3, 1});
  f.Sections.push_back(List(13, "Corners", {1, 2}));
  f.Sections.push_back(Lines(5, "Edges", 2, {1, 2, 1}));
  f.Sections.push_back(List(14, "Ridges", {1}));
  SaveFixture(f, "verbose.meshb", true);
  std::string base = TestPath("verbose");
  LoadContext ctx(2, LOAD_OPT_PROFILE);
  Geometric_Mesh *msh = ctx.Load({base});
  ASSERT_NE(msh, nullptr);
  EXPECT_CONTAINS(ctx.Out, "  % " + base + ".meshb OPENED (file version 2)\n"
                                           "  Number Of Vertices                         5  Corners          2 \n"
                                           "  Number Of Edges                            1  Ridges           1 \n"
                                           "  Number Of Triangles                        1\n");
  EXPECT_EQ(ctx.Out.find("  Number Of Tetrahedra"), std::string::npos);
  ctx.Free(msh);
}

}  // namespace

// meshio writes one section per block of cells (a gmsh mesh of seven physical surfaces holds
// seven Triangles sections), and a mesh of two parts joined holds one Vertices section per
// part: every section of a keyword is read, in file order, into one list numbered on over the
// earlier sections, silently, whichever encoding, version or loader, also in a file opened
// with others as one mesh. Elements past the joined vertices are refused as any others. A
// later Dimension with the header's value is read in silence; with another value, or another
// version, the file is refused with one line naming the keyword and both values.
TEST(MeshLoad, EverySectionOfAKeywordIsReadInFileOrder) {
  std::vector<FixtureSection> groups;
  std::vector<int> groupRefs;
  for (int g = 1, at = 1; g <= 7; g++) {
    std::vector<int64_t> tri;
    for (int k = 0; k < 1 + (g * 3) % 5; k++, at = at % 10 + 1) tri.insert(tri.end(), {at, at + 1, at + 2, g}), groupRefs.push_back(g);
    groups.push_back(Lines(6, "Triangles", 3, tri));
  }
  FixtureSection part2 = GridVertices(3, 4);
  for (double &x : part2.Reals) x = -x;
  const FixtureSection tri3 = Lines(6, "Triangles", 3, {1, 2, 3, 1, 2, 3, 4, 2, 3, 4, 5, 3});
  const FixtureSection overTwo = Lines(6, "Triangles", 3, {1, 2, 9, 6, 7, 8, 9, 7});
  auto header = [](int kwd, const char *name, int value) { return Section(kwd, name, "i", 1, false).With({value}); };
  const struct {
    const char *What;
    std::vector<FixtureSection> Sections;
    int NbrVer;  // 0: the file is refused
    std::vector<int> TriRefs;
    std::vector<uint32_t> EdgeTags;  // of every edge
    int Corner;                      // a vertex that is a corner, or 0
    const char *Said;                // a line said on standard error
  } rows[] = {
      {"seven Triangles sections", groups, 12, groupRefs, {}, 0, nullptr},
      {"two Vertices sections, elements over both", {part2, overTwo, List(13, "Corners", {2}), List(13, "Corners", {9})},
       9, {6, 7}, {}, 9, nullptr},
      {"Triangles thrice with Edges and Ridges twice between them",
       {tri3, Lines(5, "Edges", 2, {1, 2, 3}), Lines(6, "Triangles", 3, {1, 2, 5, 4}), List(14, "Ridges", {1}),
        Lines(5, "Edges", 2, {2, 3, 4, 3, 4, 4}), tri3, List(14, "Ridges", {3})},
       12, {1, 2, 3, 4, 1, 2, 3}, {TAG_ALIVE | TAG_RIDGE, TAG_ALIVE, TAG_ALIVE | TAG_RIDGE}, 0, nullptr},
      {"an empty section last", {tri3, Lines(6, "Triangles", 3, {})}, 12, {1, 2, 3}, {}, 0, nullptr},
      {"a triangle past the joined vertices", {part2, Lines(6, "Triangles", 3, {1, 2, 10, 4}), overTwo}, 9, {4, 6, 7},
       {}, 0, "1 INVALID TRIANGLES FOUND WITH OUT OF BOUND VALUE [1-9]"},
      {"Dimension again", {header(3, "Dimension", 3), tri3, header(3, "Dimension", 3)}, 12, {1, 2, 3}, {}, 0, nullptr},
      {"another Dimension", {tri3, header(3, "Dimension", 2)}, 0, {}, {}, 0,
       "Dimension IS 3 IN THE HEADER AND 2 IN A LATER SECTION"},
      {"another version", {header(1, "MeshVersionFormatted", 4), tri3}, 0, {}, {}, 0, "AND 4 IN A LATER SECTION"},
  };
  const struct {
    const char *Name;
    int Version, Bytes;  // 0 text, 1 little-endian, 2 big-endian
    bool Piped;
  } encodings[] = {{"joined.mesh", 2, 0, false}, {"joined1.meshb", 1, 1, false}, {"joined3.meshb", 3, 2, false},
                   {"joinedpipe.meshb", 2, 1, true}};
  Common_MthParallel *par = NewMthParallel(2, 2, 1);
  for (const auto &r : rows)
    for (const auto &e : encodings) {
      // The tasks of the piped loader read vertices, triangles and tetrahedra alone.
      if (e.Piped && (!r.NbrVer || !r.EdgeTags.empty())) continue;
      SCOPED_TRACE(std::string(r.What) + ", " + e.Name);
      FixtureFile f = MeshOf(3, r.NbrVer == 9 ? 5 : 12);
      f.Version = e.Version;
      f.Sections.insert(f.Sections.end(), r.Sections.begin(), r.Sections.end());
      const std::string path = TestPath(e.Name);
      ASSERT_TRUE(e.Bytes ? SaveBytes(path, RawBinary(f, e.Bytes == 2)) : SaveText(path, RawText(f)));
      LoadContext ctx;
      LoadNoticeCollector window;
      Geometric_Mesh *msh = nullptr;
      if (e.Piped) {
        ctx.Fi->Par = par;
        msh = MakeSizedMesh(ctx.Mem, {{KmfVertices, r.NbrVer}, {KmfTriangles, static_cast<int>(r.TriRefs.size())}});
        ctx.Err = CaptureText([&] { EXPECT_EQ(LoadMeshPipe(ctx.Fi, path.c_str(), msh), 1); }).Err;
      } else {
        msh = ctx.Load({path});
      }
      EXPECT_EQ(ctx.Err.find("WARNING"), std::string::npos) << ctx.Err;
      EXPECT_EQ(window.take(), "");
      EXPECT_CONTAINS(ctx.Err, r.Said ? r.Said : "");
      EXPECT_EQ((ctx.Fi->Status & STATUS_MESH_UNREADABLE) != 0, !r.NbrVer);
      if (!r.NbrVer) {
        EXPECT_EQ(msh, nullptr);
        continue;
      }
      ASSERT_NE(msh, nullptr) << ctx.Err;
      ASSERT_EQ(msh->NbrVer, r.NbrVer);
      EXPECT_EQ(msh->Ver[msh->NbrVer].Crd[2], r.NbrVer == 9 ? -12 / 16.0 : 36 / 16.0) << "the last vertex";
      std::vector<int> refs;
      std::vector<uint32_t> edgeTags;
      for (int t = 1; t <= msh->NbrTri; t++) refs.push_back(msh->Tri[t].Ref);
      for (int k = 1; k <= msh->NbrEfr; k++) edgeTags.push_back(msh->Efr[k].Tag);
      ASSERT_EQ(refs, r.TriRefs);
      EXPECT_EQ(msh->Tri[msh->NbrTri].Tag, TAG_ALIVE);
      EXPECT_EQ(edgeTags, r.EdgeTags);
      EXPECT_EQ(msh->Ver[r.Corner ? r.Corner : 1].Tag & TAG_CORNER, r.Corner ? TAG_CORNER : 0u);
      ctx.Free(msh);
      if (e.Piped) continue;
      // Opened twice as one mesh: the second file's elements go past all the first's vertices.
      msh = ctx.Load({path, path});
      ASSERT_NE(msh, nullptr) << ctx.Err;
      ASSERT_EQ(msh->NbrTri, 2 * static_cast<int>(r.TriRefs.size()));
      EXPECT_EQ(msh->Tri[msh->NbrTri].Ver[2], msh->Tri[msh->NbrTri / 2].Ver[2] + r.NbrVer);
      ctx.Free(msh);
    }
  FreeMthParallel(par);
  // A 2-D part whose End was cut off, joined to a 3-D mesh.
  const std::string part = RawText(MeshOf(2, 3, {1, 2, 3, 4}));
  LoadContext ctx;
  EXPECT_EQ(ctx.Load({SaveNamed("cutpart.mesh", part.substr(0, part.rfind("End")) + RawText(MeshOf(3, 4)))}), nullptr);
  EXPECT_CONTAINS(ctx.Err, "Dimension IS 2 IN THE HEADER AND 3 IN A LATER SECTION");
}
