// SU2 meshes and their ".dat" solutions: keywords joined to or apart from their values,
// every element type with its normalised node order, markers as references, appended
// files, invalid elements, and the delimited record reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/FunctionInterface.h"
#include "common/Memory.h"
#include "common/Mesh.h"
#include "common/MeshLoad.h"
#include "common/Su2.h"
#include "tests/support/LoadFixtures.h"

using namespace fixtures;

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

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

template <int N>
void expectNodes(const int *ver, const int (&want)[N]) {
  for (int j = 0; j < N; j++) EXPECT_EQ(ver[j], want[j]) << "node " << j;
}

double signedVolume(const Geometric_Mesh *m, int a, int b, int c, int d) {
  const double *p = m->Ver[a].Crd, *q = m->Ver[b].Crd, *r = m->Ver[c].Crd, *s = m->Ver[d].Crd;
  double u[3], v[3], w[3];
  for (int k = 0; k < 3; k++) {
    u[k] = q[k] - p[k];
    v[k] = r[k] - p[k];
    w[k] = s[k] - p[k];
  }
  return u[0] * (v[1] * w[2] - v[2] * w[1]) - u[1] * (v[0] * w[2] - v[2] * w[0]) + u[2] * (v[0] * w[1] - v[1] * w[0]);
}

TEST(Su2, TwoDimensionalMeshWithMarkers) {
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({SaveNamed("plate.su2", k2D)});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->Dim, 2);
  EXPECT_EQ(msh->FileType, FILE_TYPE_SU2);
  EXPECT_EQ(msh->NbrVer, 9);
  for (int k = 0; k < 3; k++) EXPECT_EQ(msh->Ver[5].Crd[k], k < 2 ? 1 : 0);
  EXPECT_EQ(msh->Ver[5].Ref, 4);
  EXPECT_EQ(msh->Ver[5].Tag, TAG_ALIVE);
  ASSERT_EQ(msh->NbrTri, 2);
  expectNodes(msh->Tri[1].Ver, {3, 9, 5});  // 4 2 8 in the file
  expectNodes(msh->Tri[2].Ver, {1, 2, 3});
  EXPECT_EQ(msh->Tri[1].Ref, 1);
  EXPECT_EQ(msh->Tri[1].Tag, TAG_ALIVE);
  ASSERT_EQ(msh->NbrEfr, 4);
  expectNodes(msh->Efr[1].Ver, {7, 8});
  EXPECT_EQ(msh->Efr[1].Ref, 1);
  expectNodes(msh->Efr[3].Ver, {3, 2});  // lines keep their direction
  EXPECT_EQ(msh->Efr[3].Ref, 1);
  expectNodes(msh->Efr[4].Ver, {7, 4});
  EXPECT_EQ(msh->Efr[4].Ref, 2);
  EXPECT_TRUE(has(ctx.Out, "      Tag wall becomes reference 1\n      Tag farfield becomes reference 2\n")) << ctx.Out;
  EXPECT_TRUE(has(ctx.Out, "  Bounding box x:[0 2] y:[0 2] z:[0 0]\n")) << ctx.Out;
  EXPECT_EQ(ctx.Fi->Status, 0u);
  ctx.Free(msh);
}

TEST(Su2, EveryVolumeTypeWithJoinedKeywordsAndNormalisedOrders) {
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({SaveNamed("cube.su2", k3D)});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->Dim, 3);
  EXPECT_EQ(msh->NbrVer, 9);
  const int counts[6] = {msh->NbrTet, msh->NbrHex, msh->NbrPri, msh->NbrPyr, msh->NbrTri, msh->NbrQua};
  const int want[6] = {1, 1, 1, 1, 2, 2};
  for (int k = 0; k < 6; k++) ASSERT_EQ(counts[k], want[k]) << k;
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

TEST(Su2, KeywordValueJoinedOrApart) {
  FILE *f = fopen(SaveNamed("kw.su2", "NDIME=3\nNPOIN= 12 10\nNELEM =4\nNMARK=\n7\n").c_str(), "r");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(GetSU2KeywordValue(f, "NDIME="), 3);
  EXPECT_EQ(GetSU2KeywordValue(f, "NPOIN="), 12);
  EXPECT_EQ(GetSU2KeywordValue(f, "NMARK="), 7);
  std::string err;
  Capture([&] { EXPECT_EQ(GetSU2KeywordValue(f, "NELEM="), 0); }, nullptr, &err);
  EXPECT_EQ(err, "  ## ERROR: INVALID SU2 FILE (CHECK KEYWORD: NELEM=).\n");
  fclose(f);
}

// The reader is chosen per file: an SU2 file, a keyword file and an SU2 file whose element
// refers past its points, appended in one load.
TEST(Su2, AppendedFilesShiftNodesAndInvalidElementsStayDead) {
  EXPECT_EQ(GetInputFileType("a.su2"), 1);
  EXPECT_EQ(GetInputFileType("dir.su2/a.dat"), 3);
  EXPECT_EQ(GetInputFileType("a.meshb"), 0);
  std::string a = SaveNamed("one.su2", k2D);
  std::string b = SaveNamed("mixed.mesh", "MeshVersionFormatted 2\nDimension 2\nVertices\n3\n5 5 1\n6 5 1\n5 6 1\n"
                                          "Triangles\n1\n1 2 3 4\nEnd\n");
  std::string c = SaveNamed("two.su2", "NDIME= 2\nNELEM= 2\n5 0 1 2 0\n5 0 1 3 1\nNPOIN= 3\n5 5 0\n6 5 1\n5 6 2\nNMARK= 0\n");
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({a, b, c});
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(msh->NbrVer, 15);
  ASSERT_EQ(msh->NbrTri, 5);
  expectNodes(msh->Tri[3].Ver, {10, 11, 12});
  EXPECT_EQ(msh->Tri[3].Ref, 4);
  EXPECT_EQ(msh->Ver[10].Crd[0], 5);
  expectNodes(msh->Tri[4].Ver, {13, 14, 15});
  EXPECT_EQ(msh->Tri[4].Tag, TAG_ALIVE);
  EXPECT_EQ(msh->Tri[5].Tag, 0u) << "node 3 is past the file's 3 points";
  EXPECT_EQ(msh->Box[3], 6);
  EXPECT_NE(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  EXPECT_EQ(ctx.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
  EXPECT_TRUE(has(ctx.Out, "  ## ERROR LoadSU2Elements: vertex out of bound (vid=3)\n")) << ctx.Out;
  EXPECT_TRUE(has(ctx.Err, "1 INVALID ELEMENTS FOUND WITH OUT OF BOUND VALUE [1-3]")) << ctx.Err;
  ctx.Free(msh);
}

TEST(Su2, SizePassAddsIntoTheTableAndRefusesCountsLargerThanTheFile) {
  std::string p = SaveNamed("size.su2", k3D);
  LoadContext ctx;
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfTetrahedra] = 5;
  ASSERT_EQ(AddSU2MeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  ASSERT_EQ(AddSU2MeshSize(ctx.Fi, p.c_str(), siz.data()), 1);
  // One hexahedron per pass: the marker's hexahedron is not counted.
  const int kinds[8] = {KmfVertices, KmfTetrahedra, KmfHexahedra, KmfQuadrilaterals, KmfTriangles, KmfPyramids, KmfPrisms, KmfFileType};
  const int want[8] = {18, 7, 2, 4, 4, 2, 2, FILE_TYPE_SU2};
  for (int k = 0; k < 8; k++) EXPECT_EQ(siz[kinds[k]], want[k]) << kinds[k];
  std::string out, err;
  Capture([&] { EXPECT_EQ(AddSU2MeshSize(ctx.Fi, TestPath("none.su2").c_str(), siz.data()), 0); }, &out);
  EXPECT_TRUE(has(out, "  -- Info : Tried to open")) << out;
  EXPECT_EQ(AddSU2MeshSize(ctx.Fi, "a.mesh", siz.data()), 0);

  std::string huge = SaveNamed("huge.su2", "NDIME= 3\nNELEM= 0\nNPOIN= 2000000000\n0 0 0 0\nNMARK= 0\n");
  std::string mark = SaveNamed("hugemark.su2", "NDIME= 2\nNELEM= 0\nNPOIN= 1\n0 0 0\nNMARK= 1\nMARKER_TAG= a\nMARKER_ELEMS= 90000000\n3 0 0\n");
  LoadContext big;
  std::vector<int> none(KmfMaxSizMsh + 10, 0);
  Capture([&] {
    EXPECT_EQ(AddSU2MeshSize(big.Fi, huge.c_str(), none.data()), 0);
    EXPECT_EQ(AddSU2MeshSize(big.Fi, mark.c_str(), none.data()), 0);
  }, nullptr, &err);
  EXPECT_TRUE(has(err, "  ## ERROR: ADDSU2MESHSIZE: INVALID OR TRUNCATED FILE " + huge)) << err;
  EXPECT_EQ(none[KmfVertices], 0) << "a refused file adds nothing";
  EXPECT_NE(big.Fi->Status & STATUS_FILE_UNREADABLE, 0u);
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
  EXPECT_STREQ(sol->FldNam[0], "\"Pressure\"");
  EXPECT_STREQ(sol->FldNam[1], "\"Mach\"");
  EXPECT_EQ(sol->Sol[2 * 1 + 0], 1.5);
  EXPECT_EQ(sol->Sol[2 * 1 + 1], 0.25);
  EXPECT_EQ(sol->Sol[2 * 9 + 0], -2);
  EXPECT_EQ(sol->Sol[2 * 5 + 1], 0.5);
  const double box[2][2] = {{-2, 3}, {0.25, 0.75}};
  for (int k = 0; k < 2; k++)
    for (int j = 0; j < 2; j++) EXPECT_EQ(sol->Box[k][j], box[k][j]);
  ctx.Free(msh);

  // Point ids past the mesh or negative are refused; so is a mesh without a vertex solution.
  SaveNamed("flow.dat", "\"PointID\",\"x\",\"y\",\"T\"\n0,0,0,1\n9,0,0,2\n");
  msh = ctx.Load({p});
  ASSERT_NE(msh, nullptr);
  EXPECT_TRUE(has(ctx.Err, "  ## ERROR: LOADSU2SOL: VERTEX OUT OF BOUND. \n")) << ctx.Err;
  EXPECT_TRUE(has(ctx.Err, "  ## ERROR: GEOLOADMESHANDSOLUTION: LOAD SU2 SOLUTION FAILED\n"));
  SaveNamed("flow.dat", "\"PointID\",\"x\",\"y\",\"T\"\n-1,0,0,1\n");
  msh->NbrSolVer = 0;
  Geometric_Mesh *bare = NewCommonMesh(ctx.Mem, nullptr);
  Capture([&] {
    EXPECT_EQ(LoadSU2Solution(ctx.Fi, p.c_str(), msh), 0);
    EXPECT_EQ(LoadSU2Solution(ctx.Fi, p.c_str(), bare), 0);
  }, nullptr);
  FreeCommonMesh(ctx.Mem, bare);
  ctx.Free(msh);
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
  EXPECT_EQ(mygetline(nullptr, &n, f), -1);
  Free(nullptr, buf, "F %s", "buf");
  fclose(f);
}

}  // namespace
