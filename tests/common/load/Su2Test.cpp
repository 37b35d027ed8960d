// SU2 meshes and their ".dat" solutions: node orders, markers, appended files, invalid elements,
// the record reader, and numbers read alike whatever the locale and wherever the buffer ends.
#include "tests/common/CommonTest.h"

namespace {

const char *const k2D =
    "% a 2-D mesh\n"
    "NDIME= 2\n"
    "NELEM= 3\n"
    "5 4 2 8 0\n"
    "5 0 1 2 1\n"
    "3 6 7 2\n"
    "NPOIN= 9\n"
    "0 0 0\n1 0 1\n2 0 2\n0 1 3\n1 1 4\n2 1 5\n0 2 6\n1 2 7\n2 2 8\n"
    "NMARK= 2\n"
    "MARKER_TAG= wall\n"
    "MARKER_ELEMS= 2\n"
    "3 0 1\n"
    "3 2 1\n"
    "MARKER_TAG= farfield\n"
    "MARKER_ELEMS= 1\n"
    "3 6 3\n";

// Unit cube corners 0..7 (x + 2y + 4z) and an apex 8 above the top face.
const char *const k3D =
    "NDIME=3\n"
    "NELEM=7\n"
    "10 2 0 3 4 0\n"
    "12 4 5 7 6 0 1 3 2 1\n"
    "13 3 4 5 0 1 2 2\n"
    "14 7 6 4 5 8 3\n"
    "5 1 3 0 4\n"
    "9 2 3 1 0 5\n"
    "7 1 2 3 4 5 6 7 6\n"
    "NPOIN=9\n"
    "0 0 0 0\n1 0 0 1\n0 1 0 2\n1 1 0 3\n0 0 1 4\n1 0 1 5\n0 1 1 6\n1 1 1 7\n0.5 0.5 2 8\n"
    "NMARK=1\n"
    "MARKER_TAG=top\n"
    "MARKER_ELEMS=3\n"
    "9 6 7 5 4\n"
    "5 5 7 6\n"
    "12 0 1 2 3 4 5 6 7\n";

// The mesh loaded by ctx with table as the ".dat" file `dat` beside it.
Geometric_Mesh *withTable(LoadContext &ctx, const std::string &mesh, const char *dat, const std::string &table) {
  SaveNamed(dat, table);
  return ctx.Load({mesh});
}

template <int N>
void expectNodes(const int *ver, const int (&want)[N]) {
  for (int j = 0; j < N; j++) EXPECT_EQ(ver[j], want[j]) << "node " << j;
}

double signedVolume(const Geometric_Mesh *m, int a, int b, int c, int d) {
  double u[3], v[3], w[3];
  for (int k = 0; k < 3; k++) {
    const double o = m->Ver[a].Crd[k];
    u[k] = m->Ver[b].Crd[k] - o, v[k] = m->Ver[c].Crd[k] - o, w[k] = m->Ver[d].Crd[k] - o;
  }
  return u[0] * (v[1] * w[2] - v[2] * w[1]) - u[1] * (v[0] * w[2] - v[2] * w[0]) + u[2] * (v[0] * w[1] - v[1] * w[0]);
}

TEST(Su2, EveryVolumeTypeWithJoinedKeywordsAndNormalisedOrders) {
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({SaveNamed("cube.su2", k3D)});
  ASSERT_NE(msh, nullptr);
  ASSERT_EQ(std::vector<int>({msh->Dim, msh->FileType, msh->NbrVer, msh->NbrTet, msh->NbrHex, msh->NbrPri, msh->NbrPyr,
                              msh->NbrTri, msh->NbrQua}),
            (std::vector<int>{3, FILE_TYPE_SU2, 9, 1, 1, 1, 1, 2, 2}));
  // Tetrahedron 2 0 3 4 (1-based 3 1 4 5): smallest first, largest last, same orientation.
  const int *t = msh->Tet[1].Ver;
  EXPECT_EQ(t[0], 1);
  EXPECT_EQ(t[3], 5);
  double before = signedVolume(msh, 3, 1, 4, 5);
  ASSERT_NE(before, 0);
  EXPECT_GT(before * signedVolume(msh, t[0], t[1], t[2], t[3]), 0) << "orientation changed";
  expectNodes(msh->Hex[1].Ver, {1, 3, 4, 2, 5, 7, 8, 6});      // 5 6 8 7 1 2 4 3, smallest at 4
  expectNodes(msh->Pri[1].Ver, {1, 3, 2, 4, 6, 5});            // 4 5 6 1 2 3, smallest at 3
  expectNodes(msh->Pyr[1].Ver, {5, 6, 8, 7, 9});               // 8 7 5 6 9, base rotated
  expectNodes(msh->Tri[1].Ver, {1, 2, 4});                     // 2 4 1
  expectNodes(msh->Qua[1].Ver, {1, 3, 4, 2});                  // 3 4 2 1
  EXPECT_EQ(msh->Qua[1].Ref, 1);
  // The marker's quadrilateral and triangle take reference 1 (its order); its hexahedron is
  // not a boundary type and is skipped.
  expectNodes(msh->Qua[2].Ver, {5, 7, 8, 6});  // 7 8 6 5
  expectNodes(msh->Tri[2].Ver, {6, 8, 7});
  EXPECT_EQ(msh->Tri[2].Ref, 1);
  EXPECT_NE(msh->GeoFlags & GEO_HYBRID, 0u);
  EXPECT_EQ(msh->Box[5], 2);
  ctx.Free(msh);
}

// The keyword readers of a stream, joined to or apart from their values, and the skipping of
// integers: each goes on from where the stream stands and leaves it after what it read.
TEST(Su2, KeywordValuesWordsAndSkippedIntegers) {
  FILE *f = fopen(SaveNamed("kw.su2", "NDIME=3\nNPOIN= 12 10\nMARKER_TAG= wall\n4 5 6 7\nNMARK=\n7\n").c_str(), "r");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(GetSU2KeywordValue(f, "NDIME="), 3);
  EXPECT_EQ(GetSU2KeywordValue(f, "NPOIN="), 12);
  char tag[8];
  EXPECT_EQ(GetSU2KeywordValueStr(f, "MARKER_TAG=", tag, sizeof(tag)), 1);
  EXPECT_STREQ(tag, "wall");
  cvt_FileReadNInt(f, 3);
  int next = 0;
  EXPECT_EQ(fscanf(f, "%d", &next), 1);
  EXPECT_EQ(next, 7);
  EXPECT_EQ(GetSU2KeywordValue(f, "NMARK="), 7);
  fclose(f);
}

// The reader is chosen per file: an SU2 file, a keyword file and an SU2 file whose elements
// name nodes past its points, negative or the largest int, appended in one load. Such
// elements stay in, not alive, reported with the number found in the file.
TEST(Su2, AppendedFilesShiftNodesAndInvalidElementsStayDead) {
  std::string a = SaveNamed("one.su2", k2D);
  std::string b = SaveNamed("mixed.mesh", "MeshVersionFormatted 2\nDimension 2\nVertices\n3\n5 5 1\n6 5 1\n5 6 1\n"
                                          "Triangles\n1\n1 2 3 4\nEnd\n");
  std::string c = SaveNamed("two.su2", "NDIME= 2\nNELEM= 3\n5 0 1 2 0\n5 0 1 3 1\n5 0 -1 2147483647 2\nNPOIN= 3\n"
                                       "5 5 0\n6 5 1\n5 6 2\nNMARK= 1\nMARKER_TAG= w\nMARKER_ELEMS= 1\n3 -5 0\n");
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({a, b, c});
  ASSERT_NE(msh, nullptr);
  ASSERT_EQ(std::vector<int>({msh->Dim, msh->NbrVer, msh->NbrTri, msh->NbrEfr}), (std::vector<int>{2, 15, 6, 5}));
  // The first file: its values, node orders normalised, lines keeping their direction and
  // markers numbered as references in their order.
  for (int k = 0; k < 3; k++) EXPECT_EQ(msh->Ver[5].Crd[k], k < 2 ? 1 : 0);
  EXPECT_EQ(msh->Ver[5].Ref, 4);
  expectNodes(msh->Tri[1].Ver, {3, 9, 5});  // 4 2 8 in the file
  expectNodes(msh->Tri[2].Ver, {1, 2, 3});
  expectNodes(msh->Efr[3].Ver, {3, 2});
  expectNodes(msh->Efr[4].Ver, {7, 4});
  EXPECT_EQ(std::vector<int>({msh->Tri[1].Ref, msh->Efr[3].Ref, msh->Efr[4].Ref}), (std::vector<int>{1, 1, 2}));
  expectNodes(msh->Tri[3].Ver, {10, 11, 12});
  EXPECT_EQ(msh->Tri[3].Ref, 4);
  EXPECT_EQ(msh->Ver[10].Crd[0], 5);
  expectNodes(msh->Tri[4].Ver, {13, 14, 15});
  EXPECT_EQ(msh->Tri[4].Tag, TAG_ALIVE);
  EXPECT_EQ(msh->Tri[5].Tag | msh->Tri[6].Tag | msh->Efr[5].Tag, 0u);
  EXPECT_EQ(msh->Box[3], 6);
  EXPECT_CONTAINS(ctx.Out, "(vid=3)\n  ## ERROR LoadSU2Elements: vertex out of bound (vid=-1)\n"
                           "      Tag w becomes reference 1\n  ## ERROR LoadSU2Elements: vertex out of bound (vid=-5)\n");
  EXPECT_NE(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  EXPECT_EQ(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  ctx.Free(msh);
}

TEST(Su2, SizePassAddsIntoTheTableAndRefusesCountsLargerThanTheFile) {
  std::string p = SaveNamed("size.su2", k3D);
  LoadContext ctx;
  std::vector<int> siz(KmfSizMshLen, 0);
  siz[KmfTetrahedra] = 5;
  ASSERT_EQ(AddSU2MeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  ASSERT_EQ(AddSU2MeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  // One hexahedron per pass: the marker's hexahedron is not counted.
  const int kinds[8] = {KmfVertices, KmfTetrahedra, KmfHexahedra, KmfQuadrilaterals, KmfTriangles, KmfPyramids, KmfPrisms, KmfFileType};
  const int want[8] = {18, 7, 2, 4, 4, 2, 2, FILE_TYPE_SU2};
  for (int k = 0; k < 8; k++) EXPECT_EQ(siz[kinds[k]], want[k]) << kinds[k];
  CaptureText([&] { EXPECT_EQ(AddSU2MeshSize(ctx.Fi, TestPath("none.su2").c_str(), siz.data()), 0); });
  EXPECT_EQ(AddSU2MeshSize(ctx.Fi, "a.mesh", siz.data()), 0);

  std::string huge = SaveNamed("huge.su2", "NDIME= 3\nNELEM= 0\nNPOIN= 2000000000\n0 0 0 0\nNMARK= 0\n");
  std::string mark = SaveNamed("hugemark.su2", "NDIME= 2\nNELEM= 0\nNPOIN= 1\n0 0 0\nNMARK= 1\nMARKER_TAG= a\nMARKER_ELEMS= 90000000\n3 0 0\n");
  LoadContext big;
  std::vector<int> none(KmfSizMshLen, 0);
  CaptureText([&] {
    EXPECT_EQ(AddSU2MeshSize(big.Fi, huge.c_str(), none.data()), 0);
    EXPECT_EQ(AddSU2MeshSize(big.Fi, mark.c_str(), none.data()), 0);
  });
  EXPECT_EQ(none[KmfVertices], 0) << "a refused file adds nothing";
  EXPECT_NE(big.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
}

// Generators leave "NMARK=" out when no boundary is tagged: no markers, no error. A file that
// announces more markers than it holds is reported once by the size pass, which counts the
// markers there are.
TEST(Su2, MissingMarkersAreNoMarkersOrOneReport) {
  const std::string body = "NDIME= 2\nNELEM= 2\n5 0 1 2 0\n5 1 3 2 1\nNPOIN= 4\n0 0 0\n1 0 1\n0 1 2\n1 1 3\n";
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({SaveNamed("nomark.su2", body)});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->NbrTri, 2);
  EXPECT_EQ(msh->Tri[2].Tag, static_cast<uint32_t>(TAG_ALIVE));
  EXPECT_EQ(ctx.Err, "");
  EXPECT_EQ(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  ctx.Free(msh);

  // Long enough for a thousand markers of two bytes each.
  std::string p = SaveNamed("fewmark.su2", "%" + std::string(2000, '-') + "\n" + body +
                                               "NMARK= 1000\nMARKER_TAG= w\nMARKER_ELEMS= 1\n3 0 1\n");
  std::vector<int> siz(KmfSizMshLen, 0);
  LoadContext sized;
  std::string err = CaptureText([&] { EXPECT_EQ(AddSU2MeshSize(sized.Fi, p.c_str(), siz.data()), 1); }).Err;
  EXPECT_EQ(err, "  ## ERROR: INVALID SU2 FILE (CHECK KEYWORD: MARKER_ELEMS=).\n");
  EXPECT_EQ(siz[KmfEdges], 1);
  EXPECT_EQ(siz[KmfTriangles], 2);
}

TEST(Su2, DatSolutionsWithTabsAndCommasAndBadRows) {
  std::string p = SaveNamed("flow.su2", k2D);
  SaveNamed("flow.dat",
            "\"PointID\"\t\"x\"\t\"y\"\t\"Pressure\"\t\"Mach\"\n"
            "0\t0\t0\t1.5\t0.25\n"
            "8,2,2,-2,0.75,99,98\n"
            "4\t1\t1\t3\t0.5\n");
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({p});
  ASSERT_NE(msh, nullptr);
  Geometric_Solution *sol = msh->SolAtVer;
  ASSERT_NE(sol, nullptr);
  EXPECT_EQ(sol->FileType, FILE_TYPE_SU2);
  ASSERT_EQ(sol->NbrFld, 2);
  EXPECT_EQ(std::string(sol->FldNam[0]) + sol->FldNam[1], "\"Pressure\"\"Mach\"");
  EXPECT_EQ(std::vector<double>({sol->Sol[2 * 1 + 1], sol->Sol[2 * 9 + 0]}), (std::vector<double>{0.25, -2}));
  EXPECT_EQ(FieldRanges(sol), (std::vector<double>{-2, 3, 0.25, 0.75}));
  ctx.Free(msh);

  // Point ids past the mesh or negative are refused; so is a mesh without a vertex solution.
  SaveNamed("flow.dat", "\"PointID\",\"x\",\"y\",\"T\"\n0,0,0,1\n9,0,0,2\n");
  msh = ctx.Load({p});
  ASSERT_NE(msh, nullptr);
  EXPECT_NE(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  EXPECT_EQ(msh->NbrSolVer, 0);
  SaveNamed("flow.dat", "\"PointID\",\"x\",\"y\",\"T\"\n-1,0,0,1\n");
  msh->NbrSolVer = 0;
  Geometric_Mesh *bare = NewCommonMesh(ctx.Mem, nullptr);
  CaptureText([&] {
    EXPECT_EQ(LoadSU2Solution(ctx.Fi, p.c_str(), msh), 0);
    EXPECT_EQ(LoadSU2Solution(ctx.Fi, p.c_str(), bare), 0);
  });
  FreeCommonMesh(ctx.Mem, bare);
  ctx.Free(msh);
}

// A table with a cell that is not a number, a row cut short or no header is refused in one line
// naming the row (the header is row 1) and the column; the mesh opens without a solution.
TEST(Su2, DatTablesWithBadCellsShortRowsOrNoHeaderAreRefusedInOneLine) {
  const std::string mesh = SaveNamed("cells.su2", k2D);
  const std::string head = "\"PointID\",\"x\",\"y\",\"T\"\n0,0,0,1\n";
  const struct {
    const char *What;
    std::string Table, Where;
  } cases[] = {
      {"a word in a field", head + "1,0,1,abc\n", "ROW 3 COLUMN 4: NOT A NUMBER"},
      {"a number followed by letters", head + "\n2,0,2,1.5x\n", "ROW 4 COLUMN 4: NOT A NUMBER"},
      {"an empty field", head + "3,1,0,\n", "ROW 3 COLUMN 4: NOT A NUMBER"},
      {"a coordinate that is a word, tab-separated", "\"PointID\"\t\"x\"\t\"y\"\t\"T\"\n0\tzero\t0\t1\n", "ROW 2 COLUMN 2: NOT A NUMBER"},
      {"a row cut short", head + "1,0,1\n", "ROW 3 COLUMN 4: THE ROW ENDS AFTER 3 COLUMNS, 4 NEEDED"},
      {"a point number that is not one", head + "1.5,0,1,2\n", "ROW 3 COLUMN 1: NOT A POINT NUMBER"},
      {"no header", "0,0,0,1\n1,0,1,2\n", "ROW 1 COLUMN 1: NO HEADER"},
      {"a header without the point numbers", "\"x\",\"y\",\"T\"\n0,0,1\n", "ROW 1 COLUMN 1: NO HEADER"},
      {"a header with a number", "\"PointID\",\"x\",\"y\",2\n0,0,0,1\n", "ROW 1 COLUMN 4: NO HEADER"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.What);
    LoadContext ctx;
    Geometric_Mesh *msh = withTable(ctx, mesh, "cells.dat", c.Table);
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(msh->NbrTri, 2);
    EXPECT_EQ(msh->SolAtVer, nullptr);
    EXPECT_CONTAINS(ctx.Err, TestPath("cells.dat") + " " + c.Where);
    EXPECT_CONTAINS(ctx.Err, "SOLUTION FIELD IGNORED.");
    EXPECT_EQ(std::count(ctx.Err.begin(), ctx.Err.end(), '\n'), 3) << ctx.Err;
    ctx.Free(msh);
  }
}

// Rows for fewer points than the mesh has (a point given twice counted once) and NaN or infinite
// cells (left out of the range) are taken and said in one line; more field columns than a
// solution holds are refused, and so are rows for more points than the mesh has, with a line
// naming both counts.
TEST(Su2, DatTablesShortOfRowsWithNonFiniteCellsOrTooManyColumnsOrRowsAreSaidInOneLine) {
  const std::string mesh = SaveNamed("said.su2", k2D), dat = TestPath("said.dat");
  const std::string head = "\"PointID\",\"x\",\"y\",\"T\"\n";
  std::string wide = "\"PointID\",\"x\",\"y\"", cells = head + "0,0,0,1e400\n1,0,0,-inf\n", rows = head;
  for (int k = 0; k < 1860; k++) wide += ",\"f" + std::to_string(k) + "\"";
  for (int p = 2; p < 9; p++) cells += std::to_string(p) + ",0,0," + (p == 2 ? "nan" : "1") + "\n";
  for (int p = 0; p < 12; p++) rows += std::to_string(p) + ",0,0,1\n" + (p == 10 ? "\n" : "");
  const std::string past = "  ## ERROR: LOADSU2SOL: VERTEX OUT OF BOUND. \n  ## ERROR: LOADSU2SOL: " + dat +
                           " HOLDS 12 ROWS OF VALUES FOR THE 9 VERTICES OF ITS MESH: ROW 11 NAMES POINT 9, POINTS GO "
                           "FROM 0 TO 8 \n";
  const struct {
    std::string Table, Said;
    std::vector<double> Values, Range;  // values of points 0, 3, 4; none: refused
    bool OnErr = false;                 // said on standard error (a refusal always is)
  } cases[] = {
      {head + "0,0,0,1\n4,1,1,2\n4,1,1,3\n8,2,2,4\n",
       dat + " HOLDS VALUES FOR 3 OF THE 9 VERTICES, THE OTHER 6 ARE SET TO 0", {1, 0, 3}, {1, 4}, true},
      {cells, "3 VALUES OF " + dat + " ARE NAN OR INFINITE, LEFT OUT OF THE FIELD RANGES", {HUGE_VAL, 1, 1}, {1, 1}},
      {wide + "\n", dat + " ROW 1 COLUMN 1863: 1860 FIELD COLUMNS, AT MOST 1859 CAN BE LOADED", {}, {}},
      {rows, past, {}, {}},
  };
  for (const auto &c : cases) {
    LoadContext ctx;
    Geometric_Mesh *msh = withTable(ctx, mesh, "said.dat", c.Table);
    ASSERT_NE(msh, nullptr);
    const double *v = msh->SolAtVer ? msh->SolAtVer->Sol : nullptr;
    EXPECT_EQ(v ? std::vector<double>({v[1], v[4], v[5]}) : std::vector<double>(), c.Values) << c.Said;
    EXPECT_EQ(FieldRanges(msh->SolAtVer), c.Range) << c.Said;
    const std::string all = ctx.Out + ctx.Err;
    EXPECT_CONTAINS(c.Values.empty() || c.OnErr ? ctx.Err : ctx.Out, c.Said);
    EXPECT_EQ(all.find(c.Said), all.rfind(c.Said)) << "said more than once";
    EXPECT_EQ((ctx.Fi->Status & STATUS_FILE_UNREADABLE) != 0, c.Values.empty()) << c.Said;
    ctx.Free(msh);
  }
  // Two meshes of 9 points each: a first table of 10 rows would give its last row to the
  // second mesh's first vertex.
  SaveNamed("said.dat", rows.substr(0, rows.find("10,")));
  const std::string second = SaveNamed("said2.su2", k2D);
  SaveNamed("said2.dat", head + "0,0,0,5\n");
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({mesh, second});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->SolAtVer, nullptr);
  EXPECT_CONTAINS(ctx.Err, dat + " HOLDS 10 ROWS OF VALUES FOR THE 9 VERTICES OF ITS MESH: ROW 11 NAMES POINT 9");
  ctx.Free(msh);
}

// A solution named for an SU2 mesh takes the place of the ".dat" beside it, whatever its
// ending; a name that cannot serve loads no solution and says why in one line.
TEST(Su2, ASolutionNamedForTheMeshIsReadInPlaceOfItsOwnOrRefusedInOneLine) {
  const std::string mesh = SaveNamed("plate.su2", k2D);
  SaveNamed("plate.dat", "\"PointID\"\t\"x\"\t\"y\"\t\"T\"\n3\t0\t1\t7\n");
  const std::string other = "\"PointID\",\"x\",\"y\",\"P\",\"Q\"\n3,0,1,-4,0.5\n";
  struct Row {
    std::string sol;  // empty: none named
    int fields;       // of the vertex solution loaded, 0 for none
    double first;     // its first value at point 3
  } const rows[] = {
      {"", 1, 7},
      {SaveNamed("other.dat", other), 2, -4},
      {SaveNamed("other.csv", other), 2, -4},
      {TestPath("missing.dat"), 0, 0},
      {SaveNamed("plate.solb", "not read"), 0, 0},
  };
  for (const Row &r : rows) {
    LoadContext ctx;
    Geometric_Mesh *msh = ctx.Load({mesh}, r.sol.empty() ? nullptr : r.sol.c_str());
    ASSERT_NE(msh, nullptr) << r.sol;
    EXPECT_EQ(msh->NbrTri, 2) << r.sol;
    const Geometric_Solution *sol = msh->SolAtVer;
    ASSERT_EQ(sol ? sol->NbrFld : 0, r.fields) << r.sol << "\n" << ctx.Err;
    if (r.fields) {
      EXPECT_EQ(sol->Sol[4 * r.fields], r.first) << r.sol;
      EXPECT_EQ(ctx.Err.find("ERROR"), std::string::npos) << r.sol << ctx.Err;
    } else {
      EXPECT_EQ(std::count(ctx.Err.begin(), ctx.Err.end(), '\n'), 1) << ctx.Err;
      EXPECT_CONTAINS(ctx.Err, r.sol);
    }
    ctx.Free(msh);
  }
}

TEST(Su2, DelimitedRecordsGrowTheirBuffer) {
  std::string line(300, 'x');
  FILE *f = fopen(SaveNamed("records.txt", line + "\nab;cd").c_str(), "r");
  ASSERT_NE(f, nullptr);
  char *buf = nullptr;
  size_t n = 0;
  EXPECT_EQ(mygetline(&buf, &n, f), 301);
  EXPECT_EQ(std::string(buf), line + "\n");
  EXPECT_GE(n, 302u);
  EXPECT_EQ(mygetstr(&buf, &n, f, ';', 0), 3);
  EXPECT_STREQ(buf, "ab;");
  EXPECT_EQ(mygetstr(&buf, &n, f, ';', 0), 2);
  EXPECT_STREQ(buf, "cd");
  EXPECT_EQ(mygetline(&buf, &n, f), -1);
  Free(nullptr, buf, "F %s", "buf");
  fclose(f);
}

// Coordinates and solution values are read with a dot whatever the process's numeric locale:
// under a comma-decimal one the C library would stop at the dot.
TEST(Su2, NumbersIgnoreACommaDecimalLocale) {
  std::string p = SaveNamed("locale.su2",
                            "NDIME= 2\nNELEM= 1\n5 0 1 2 0\nNPOIN= 3\n0.5 -1.25 0\n2.75 1e-1 1\n-3.5 4.125 2\nNMARK= 0\n");
  SaveNamed("locale.dat", "\"PointID\"\t\"x\"\t\"y\"\t\"T\"\n0\t0.5\t-1.25\t2.5\n1\t2.75\t0.1\t-0.125\n2\t-3.5\t4.125\t1e3\n");
  CommaLocale comma(TestPath("su2locale"));
  if (!comma.Active) GTEST_SKIP() << "no comma-decimal locale on this system";
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({p});
  ASSERT_NE(msh, nullptr) << ctx.Err;
  ASSERT_EQ(msh->NbrVer, 3);
  const double crd[3][2] = {{0.5, -1.25}, {2.75, 0.1}, {-3.5, 4.125}};
  for (int i = 0; i < 3; i++)
    for (int k = 0; k < 2; k++) EXPECT_EQ(msh->Ver[i + 1].Crd[k], crd[i][k]) << i << " " << k;
  EXPECT_EQ(std::vector<double>({double(msh->Ver[3].Ref), msh->Box[0], msh->Box[4]}), (std::vector<double>{2, -3.5, 4.125}));
  ASSERT_NE(msh->SolAtVer, nullptr);
  const double val[3] = {2.5, -0.125, 1000};
  for (int i = 0; i < 3; i++) EXPECT_EQ(msh->SolAtVer->Sol[i + 1], val[i]) << i;
  EXPECT_EQ(FieldRanges(msh->SolAtVer), (std::vector<double>{-0.125, 1000}));
  EXPECT_EQ(ctx.Fi->Status, 0u);
  ctx.Free(msh);
}

// A file of several megabytes: lines and numbers cut by the end of the read buffer are read
// whole, in both passes and in the ".dat" rows.
TEST(Su2, LargeFilesReadAcrossTheBuffer) {
  const int n = 300, nver = n * n, ntri = 2 * (n - 1) * (n - 1);
  std::string text = "NDIME= 2\nNELEM= " + std::to_string(ntri) + "\n";
  auto id = [&](int i, int j) { return std::to_string(i + n * j); };
  int e = 0;
  for (int j = 0; j + 1 < n; j++)
    for (int i = 0; i + 1 < n; i++) {
      text += "5 " + id(i, j) + " " + id(i + 1, j) + " " + id(i + 1, j + 1) + " " + std::to_string(e++) + "\n";
      text += "5 " + id(i, j) + " " + id(i + 1, j + 1) + " " + id(i, j + 1) + " " + std::to_string(e++) + "\n";
    }
  text += "NPOIN= " + std::to_string(nver) + "\n";
  std::string dat = "\"PointID\",\"x\",\"y\",\"U\"\n";
  char line[128];
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      snprintf(line, sizeof(line), "%.17g %.17g %d\n", i / 3.0, j * 0.7 + 1e-9, i + n * j);
      text += line;
      snprintf(line, sizeof(line), "%d,0,0,%.17g\n", i + n * j, i * 0.25 - j);
      dat += line;
    }
  text += "NMARK= 1\nMARKER_TAG= bottom\nMARKER_ELEMS= " + std::to_string(n - 1) + "\n";
  for (int i = 0; i + 1 < n; i++) text += "3 " + id(i + 1, 0) + " " + id(i, 0) + "\n";
  ASSERT_GT(text.size(), 4u << 20);
  const TempFile files[] = {TempFile("large.su2"), TempFile("large.dat")};  // megabytes: removed when done
  std::string p = SaveNamed("large.su2", text);
  SaveNamed("large.dat", dat);
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({p});
  ASSERT_NE(msh, nullptr) << ctx.Err;
  ASSERT_EQ(std::vector<int>({msh->NbrVer, msh->NbrTri, msh->NbrEfr}), (std::vector<int>{nver, ntri, n - 1}));
  bool same = true;
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const Vertex &v = msh->Ver[1 + i + n * j];
      same = same && v.Crd[0] == i / 3.0 && v.Crd[1] == j * 0.7 + 1e-9 && v.Ref == i + n * j &&
             msh->SolAtVer->Sol[1 + i + n * j] == i * 0.25 - j;
    }
  EXPECT_TRUE(same);
  expectNodes(msh->Tri[ntri].Ver, {nver - n - 1, nver, nver - 1});
  expectNodes(msh->Efr[n - 1].Ver, {n, n - 1});
  EXPECT_EQ(msh->Efr[n - 1].Ref, 1);
  EXPECT_EQ(ctx.Fi->Status, 0u);
  ctx.Free(msh);
}

// Files that end inside a section, or whose numbers are not numbers, are refused with the
// section's message; nothing is read past the data.
TEST(Su2, TruncatedAndMalformedNumbersAreRefused) {
  const std::string head = "NDIME= 2\nNELEM= 1\n5 0 1 2 0\nNPOIN= 3\n0 0 0\n1 0 1\n";
  const struct {
    const char *Name;
    std::string Text, Message;
  } cases[] = {
      {"cutpoint.su2", head + "0 1", "FILE %s ENDS IN VERTEX 3.\n"},
      {"comma.su2", head + "0,5 1 2\nNMARK= 0\n", "FILE %s ENDS IN VERTEX 3.\n"},
      {"hash.su2", head + "# 1 2\n0 1 2\nNMARK= 0\n", "FILE %s ENDS IN VERTEX 3.\n"},
      {"cutelem.su2", "NDIME= 2\nNPOIN= 3\n0 0 0\n1 0 1\n0 1 2\nNELEM= 2\n5 0 1 2 0\n5 0 1", "FILE %s ENDS INSIDE AN ELEMENT SECTION.\n"},
      {"wordelem.su2", "NDIME= 2\nNPOIN= 3\n0 0 0\n1 0 1\n0 1 2\nNELEM= 1\n5 0 1x 2 0\n", "FILE %s ENDS INSIDE AN ELEMENT SECTION.\n"},
      {"cutmark.su2", head + "0 1 2\nNMARK= 1\nMARKER_TAG= w\nMARKER_ELEMS= 2\n3 0 1\n3 1", "FILE %s ENDS INSIDE AN ELEMENT SECTION.\n"},
  };
  for (const auto &c : cases) {
    std::string p = SaveNamed(c.Name, c.Text);
    LoadContext ctx;
    Geometric_Mesh *msh = ctx.Load({p});
    char want[512];
    snprintf(want, sizeof(want), c.Message.c_str(), p.c_str());
    EXPECT_CONTAINS(ctx.Err, want) << c.Name;
    EXPECT_NE(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u) << c.Name;
    if (msh) ctx.Free(msh);
  }
}

}  // namespace
