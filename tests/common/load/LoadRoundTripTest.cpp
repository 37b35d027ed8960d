// A mesh written, loaded, given its topology, written again and reloaded is the same mesh;
// the pipelined loader gives what the plain loader gives.
#include "tests/common/CommonTest.h"

namespace {

template <class Rec>
void expectSameRecords(const char *what, const Rec *a, int na, const Rec *b, int nb, int nodes) {
  ASSERT_EQ(na, nb) << what;
  const uint32_t bits = TAG_ALIVE | TAG_REQUIRED | TAG_RIDGE;
  for (int i = 1; i <= na; i++) {
    for (int j = 0; j < nodes; j++) ASSERT_EQ(a[i].Ver[j], b[i].Ver[j]) << what << " " << i;
    EXPECT_EQ(a[i].Ref, b[i].Ref) << what << " " << i;
    EXPECT_EQ(a[i].Tag & bits, b[i].Tag & bits) << what << " " << i;
  }
}

// The generated meshes have no box: compare it only between loaded meshes.
void expectSameMesh(const Geometric_Mesh *a, const Geometric_Mesh *b, bool box = true) {
  ASSERT_EQ(a->NbrVer, b->NbrVer);
  const uint32_t bits = TAG_ALIVE | TAG_REQUIRED | TAG_CORNER;
  for (int i = 1; i <= a->NbrVer; i++) {
    for (int k = 0; k < 3; k++) ASSERT_EQ(a->Ver[i].Crd[k], b->Ver[i].Crd[k]) << i;
    EXPECT_EQ(a->Ver[i].Ref, b->Ver[i].Ref);
    EXPECT_EQ(a->Ver[i].Tag & bits, b->Ver[i].Tag & bits) << i;
  }
  expectSameRecords("triangles", a->Tri, a->NbrTri, b->Tri, b->NbrTri, 3);
  expectSameRecords("tetrahedra", a->Tet, a->NbrTet, b->Tet, b->NbrTet, 4);
  expectSameRecords("quadrilaterals", a->Qua, a->NbrQua, b->Qua, b->NbrQua, 4);
  expectSameRecords("hexahedra", a->Hex, a->NbrHex, b->Hex, b->NbrHex, 8);
  expectSameRecords("prisms", a->Pri, a->NbrPri, b->Pri, b->NbrPri, 6);
  expectSameRecords("pyramids", a->Pyr, a->NbrPyr, b->Pyr, b->NbrPyr, 5);
  expectSameRecords("edges", a->Efr, a->NbrEfr, b->Efr, b->NbrEfr, 2);
  expectSameRecords("P2 triangles", a->P2Tri, a->NbrP2Tri, b->P2Tri, b->NbrP2Tri, 6);
  expectSameRecords("Q2 quadrilaterals", a->P2Qua, a->NbrP2Qua, b->P2Qua, b->NbrP2Qua, 9);
  expectSameRecords("P2 tetrahedra", a->P2Tet, a->NbrP2Tet, b->P2Tet, b->NbrP2Tet, 10);
  expectSameRecords("Q2 hexahedra", a->P2Hex, a->NbrP2Hex, b->P2Hex, b->NbrP2Hex, 27);
  for (int k = 0; box && k < 6; k++) EXPECT_EQ(a->Box[k], b->Box[k]);
}

TEST(LoadRoundTrip, LoadTopologyWriteReloadKeepsTheMesh) {
  LoadContext ctx;
  Geometric_Mesh *made = MakeStructuredMesh(ctx.Mem, 4, 3, 2, GEN_TET | GEN_TRI | GEN_EFR);
  ASSERT_NE(made, nullptr);
  made->Ver[1].Tag |= TAG_REQUIRED | TAG_CORNER;
  made->Ver[5].Tag |= TAG_REQUIRED;
  made->Efr[1].Tag |= TAG_RIDGE;
  made->Efr[2].Tag |= TAG_REQUIRED;
  made->Tri[3].Ref = 7;
  std::string first = TestPath("roundtrip1.meshb"), second = TestPath("roundtrip2.mesh");
  ASSERT_EQ(WriteMesh(ctx.Fi, first.c_str(), made), 1);
  Geometric_Mesh *loaded = ctx.Load({first});
  ASSERT_NE(loaded, nullptr);
  expectSameMesh(made, loaded, false);
  EXPECT_NE(loaded->GeoFlags & GEO_CORNERS, 0u);
  EXPECT_NE(loaded->GeoFlags & GEO_RIDGES, 0u);

  ASSERT_EQ(SetupGeoMesh(ctx.Fi, loaded), 1);
  ASSERT_TRUE(WaitTopoDone(loaded));
  ASSERT_EQ(WriteMesh(ctx.Fi, second.c_str(), loaded), 1);
  Geometric_Mesh *reloaded = ctx.Load({second});
  ASSERT_NE(reloaded, nullptr);
  expectSameMesh(loaded, reloaded);
  EXPECT_EQ(reloaded->Tri[3].Ref, 7);

  // Every other kind: hexahedra, prisms, pyramids, quadrilaterals, and the second-order kinds.
  Geometric_Mesh *hybrid = MakeStructuredMesh(ctx.Mem, 2, 2, 2, GEN_HEX | GEN_PRI | GEN_PYR | GEN_QUA);
  Geometric_Mesh *linear = MakeStructuredMesh(ctx.Mem, 2, 1, 1, GEN_HEX | GEN_TET | GEN_QUA | GEN_TRI);
  Geometric_Mesh *curved = MakeSecondOrderCopy(ctx.Mem, linear);
  for (Geometric_Mesh *m : {hybrid, curved}) {
    ASSERT_EQ(WriteMesh(ctx.Fi, second.c_str(), m), 1);
    Geometric_Mesh *back = ctx.Load({second});
    ASSERT_NE(back, nullptr);
    expectSameMesh(m, back, false);
    EXPECT_NE(back->GeoFlags & GEO_HYBRID, 0u);
    FreeCommonMesh(ctx.Mem, back);
  }
  EXPECT_GT(curved->NbrP2Hex, 0);
  for (Geometric_Mesh *m : {curved, linear, hybrid, reloaded, loaded}) FreeCommonMesh(ctx.Mem, m);
  ctx.Free(made);
}

// Coordinates that need every digit of a double, and the extremes, come back from a text file
// bit for bit (floats of version-1 files: KmfLines.TextNumberFormatsByVersion).
TEST(LoadRoundTrip, TextFilesKeepEveryBitOfTheirReals) {
  const double hard[] = {0.1 + 0.2, 1.0 / 3.0, std::nextafter(1.0, 2.0), std::nextafter(0.5, 0.0), 5e-324,
                         -1.7976931348623157e308, 123456789.12345679, 2.2250738585072014e-308, 0.0001, 1e22};
  const int n = sizeof(hard) / sizeof(hard[0]);
  LoadContext ctx;
  Geometric_Mesh *made = MakeSizedMesh(ctx.Mem, {{KmfVertices, n}});
  for (int i = 0; i < n; i++) AddVertex(made, hard[i], -hard[(i + 1) % n], hard[(i + 3) % n] * 7);
  std::string path = TestPath("digits.mesh");
  ASSERT_EQ(WriteMesh(ctx.Fi, path.c_str(), made), 1);
  Geometric_Mesh *back = ctx.Load({path});
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->NbrVer, n);
  for (int i = 1; i <= n; i++)
    for (int k = 0; k < 3; k++) EXPECT_EQ(back->Ver[i].Crd[k], made->Ver[i].Crd[k]) << i << " " << k;
  FreeCommonMesh(ctx.Mem, back);
  ctx.Free(made);
}

// A fresh mesh sized for the file.
Geometric_Mesh *sizedFor(LoadContext &ctx, const std::vector<std::string> &paths) {
  std::vector<int> siz(KmfSizMshLen, 0);
  for (const std::string &p : paths) EXPECT_EQ(AddMeshSize(ctx.Fi, p.c_str(), siz.data()), 1) << p;
  return NewCommonMesh(ctx.Mem, siz.data());
}

TEST(LoadPipe, ThreeTasksLoadWhatTheSerialLoaderLoads) {
  LoadContext ctx;
  Geometric_Mesh *made = MakeStructuredMesh(ctx.Mem, 6, 5, 4, GEN_TET | GEN_TRI);
  ASSERT_NE(made, nullptr);
  made->Ver[3].Tag |= TAG_REQUIRED | TAG_CORNER;
  std::string path = TestPath("pipe.meshb");
  ASSERT_EQ(WriteMesh(ctx.Fi, path.c_str(), made), 1);
  // A first file, so that the piped one is appended with shifted nodes.
  std::string prePath = SaveFixture(MeshOf(3, 4, {1, 2, 3, 9}), "prepipe.mesh", false);

  Common_MthParallel *par = NewMthParallel(2, 2, 1);
  ctx.Fi->Par = par;
  ctx.Fi->Verbose = 1;
  Geometric_Mesh *piped = sizedFor(ctx, {prePath, path}), *serial = sizedFor(ctx, {prePath, path});
  std::string out = CaptureText([&] {
    ASSERT_EQ(LoadMesh(ctx.Fi, prePath.c_str(), piped), 1);
    ASSERT_EQ(LoadMeshPipe(ctx.Fi, path.c_str(), piped), 1);
  }).Out;
  EXPECT_CONTAINS(out, " Lauch pipeline on lib ");
  CaptureText([&] {
    ASSERT_EQ(LoadMesh(ctx.Fi, prePath.c_str(), serial), 1);
    ASSERT_EQ(LoadMesh(ctx.Fi, path.c_str(), serial), 1);
  });
  expectSameMesh(serial, piped);
  EXPECT_EQ(piped->Tri[2].Ver[0], made->Tri[1].Ver[0] + 4);
  EXPECT_NE(piped->GeoFlags & GEO_CORNERS, 0u);
  EXPECT_EQ(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);

  // A file with kinds the tasks do not read goes through the plain loader.
  Geometric_Mesh *hybrid = MakeStructuredMesh(ctx.Mem, 2, 2, 1, GEN_HEX | GEN_TET | GEN_EFR);
  std::string hybridPath = TestPath("pipehybrid.mesh");
  ASSERT_EQ(WriteMesh(ctx.Fi, hybridPath.c_str(), hybrid), 1);
  Geometric_Mesh *fallback = sizedFor(ctx, {hybridPath});
  out = CaptureText([&] { ASSERT_EQ(LoadMeshPipe(ctx.Fi, hybridPath.c_str(), fallback), 1); }).Out;
  EXPECT_EQ(out.find("Lauch pipeline"), std::string::npos) << out;
  expectSameMesh(hybrid, fallback, false);

  // An invalid element found by a task reaches the caller's interface.
  FixtureFile bad = MeshOf(3, 4);
  bad.Sections.push_back(Lines(8, "Tetrahedra", 4, {1, 2, 3, 5, 1}));
  std::string badPath = SaveFixture(bad, "pipebad.meshb", true);
  Geometric_Mesh *withBad = sizedFor(ctx, {badPath});
  ctx.Fi->Status = 0;
  CaptureText([&] { EXPECT_EQ(LoadMeshPipe(ctx.Fi, badPath.c_str(), withBad), 1); });
  EXPECT_NE(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_BAD_DATA);

  // A task that fails (here the triangles, which do not fit) fails the whole load.
  Geometric_Mesh *small = MakeSizedMesh(ctx.Mem, {{KmfVertices, made->NbrVer}, {KmfTriangles, 1}, {KmfTetrahedra, made->NbrTet}});
  std::string err = CaptureText([&] { EXPECT_EQ(LoadMeshPipe(ctx.Fi, path.c_str(), small), 0); }).Err;
  EXPECT_CONTAINS(err, " PIPELINED LOAD FAILED FOR FILE " + path);
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_CAPACITY);

  for (Geometric_Mesh *m : {small, withBad, fallback, hybrid, serial, piped}) FreeCommonMesh(ctx.Mem, m);
  FreeMthParallel(par);
  ctx.Free(made);
}

}  // namespace
