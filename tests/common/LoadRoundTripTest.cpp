// A mesh written, loaded, given its topology, written again and reloaded is the same mesh;
// the pipelined loader gives what the plain loader gives.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/FunctionInterface.h"
#include "common/Memory.h"
#include "common/Mesh.h"
#include "common/MeshLoad.h"
#include "common/MeshWriter.h"
#include "common/MthParallel.h"
#include "common/Topology.h"
#include "tests/support/LoadFixtures.h"
#include "tests/support/StructuredMesh.h"

using namespace fixtures;

namespace {

Geometric_Mesh *loadOne(LoadContext &ctx, std::string path) {
  char *names[] = {&path[0]};
  testing::internal::CaptureStdout();
  Geometric_Mesh *msh = geoLoadMeshAndSolution(ctx.Fi, 1, names, nullptr);
  testing::internal::GetCapturedStdout();
  return msh;
}

template <class Rec>
void expectSameRecords(const char *what, const Rec *a, int na, const Rec *b, int nb, int nodes) {
  ASSERT_EQ(na, nb) << what;
  for (int i = 1; i <= na; i++) {
    for (int j = 0; j < nodes; j++) ASSERT_EQ(a[i].Ver[j], b[i].Ver[j]) << what << " " << i;
    EXPECT_EQ(a[i].Ref, b[i].Ref) << what << " " << i;
    EXPECT_EQ(a[i].Tag & (TAG_ALIVE | TAG_REQUIRED | TAG_RIDGE), b[i].Tag & (TAG_ALIVE | TAG_REQUIRED | TAG_RIDGE))
        << what << " " << i;
  }
}

// The generated meshes have no box: compare it only between loaded meshes.
void expectSameMesh(const Geometric_Mesh *a, const Geometric_Mesh *b, bool box = true) {
  ASSERT_EQ(a->NbrVer, b->NbrVer);
  for (int i = 1; i <= a->NbrVer; i++) {
    for (int k = 0; k < 3; k++) ASSERT_EQ(a->Ver[i].Crd[k], b->Ver[i].Crd[k]) << i;
    EXPECT_EQ(a->Ver[i].Ref, b->Ver[i].Ref);
    EXPECT_EQ(a->Ver[i].Tag & (TAG_ALIVE | TAG_REQUIRED | TAG_CORNER),
              b->Ver[i].Tag & (TAG_ALIVE | TAG_REQUIRED | TAG_CORNER)) << i;
  }
  expectSameRecords("triangles", a->Tri, a->NbrTri, b->Tri, b->NbrTri, 3);
  expectSameRecords("tetrahedra", a->Tet, a->NbrTet, b->Tet, b->NbrTet, 4);
  expectSameRecords("quadrilaterals", a->Qua, a->NbrQua, b->Qua, b->NbrQua, 4);
  expectSameRecords("hexahedra", a->Hex, a->NbrHex, b->Hex, b->NbrHex, 8);
  expectSameRecords("prisms", a->Pri, a->NbrPri, b->Pri, b->NbrPri, 6);
  expectSameRecords("edges", a->Efr, a->NbrEfr, b->Efr, b->NbrEfr, 2);
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
  std::string first = TestPath("roundtrip1.meshb");
  ASSERT_EQ(WriteMesh(ctx.Fi, first.c_str(), made), 1);

  Geometric_Mesh *loaded = loadOne(ctx, first);
  ASSERT_NE(loaded, nullptr);
  expectSameMesh(made, loaded, false);
  EXPECT_NE(loaded->GeoFlags & GEO_CORNERS, 0u);
  EXPECT_NE(loaded->GeoFlags & GEO_RIDGES, 0u);

  ASSERT_EQ(SetupGeoMesh(ctx.Fi, loaded), 1);
  for (int i = 0; i < 2000 && !TopoDoneLoad(loaded); i++) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(TopoDoneLoad(loaded), 1);
  std::string second = TestPath("roundtrip2.mesh");
  ASSERT_EQ(WriteMesh(ctx.Fi, second.c_str(), loaded), 1);
  Geometric_Mesh *reloaded = loadOne(ctx, second);
  ASSERT_NE(reloaded, nullptr);
  expectSameMesh(loaded, reloaded);
  EXPECT_EQ(reloaded->Tri[3].Ref, 7);

  FreeCommonMesh(ctx.Mem, reloaded);
  FreeCommonMesh(ctx.Mem, loaded);
  FreeCommonMesh(ctx.Mem, made);
  EXPECT_EQ(ctx.Mem->NbrActive, 0);
}

TEST(LoadRoundTrip, HybridKindsSurviveWriteAndReload) {
  LoadContext ctx;
  Geometric_Mesh *made = MakeStructuredMesh(ctx.Mem, 2, 2, 2, GEN_HEX | GEN_PRI | GEN_QUA);
  ASSERT_NE(made, nullptr);
  std::string path = TestPath("hybrid.mesh");
  ASSERT_EQ(WriteMesh(ctx.Fi, path.c_str(), made), 1);
  Geometric_Mesh *loaded = loadOne(ctx, path);
  ASSERT_NE(loaded, nullptr);
  expectSameMesh(made, loaded, false);
  EXPECT_NE(loaded->GeoFlags & GEO_HYBRID, 0u);
  FreeCommonMesh(ctx.Mem, loaded);
  FreeCommonMesh(ctx.Mem, made);
  EXPECT_EQ(ctx.Mem->NbrActive, 0);
}

TEST(LoadPipe, ThreeTasksLoadWhatTheSerialLoaderLoads) {
  LoadContext ctx;
  Geometric_Mesh *made = MakeStructuredMesh(ctx.Mem, 6, 5, 4, GEN_TET | GEN_TRI);
  ASSERT_NE(made, nullptr);
  made->Ver[3].Tag |= TAG_REQUIRED | TAG_CORNER;
  std::string path = TestPath("pipe.meshb");
  ASSERT_EQ(WriteMesh(ctx.Fi, path.c_str(), made), 1);
  // A second file first, so that the piped one is appended with shifted nodes.
  FixtureFile pre;
  pre.Sections.push_back(GridVertices(3, 4));
  pre.Sections.push_back(Lines(6, "Triangles", 3, {1, 2, 3, 9}));
  std::string prePath = SaveFixture(pre, "prepipe.mesh", false);

  Common_MthParallel *par = NewMthParallel(2, 2, 1);
  ctx.Fi->Par = par;
  ctx.Fi->Verbose = 1;
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  ASSERT_EQ(AddMeshSize(ctx.Fi, prePath.c_str(), siz.data()), 1);
  ASSERT_EQ(AddMeshSize(ctx.Fi, path.c_str(), siz.data()), 1);
  Geometric_Mesh *piped = NewCommonMesh(ctx.Mem, siz.data());
  Geometric_Mesh *serial = NewCommonMesh(ctx.Mem, siz.data());
  testing::internal::CaptureStdout();
  ASSERT_EQ(LoadMesh(ctx.Fi, prePath.c_str(), piped), 1);
  ASSERT_EQ(LoadMeshPipe(ctx.Fi, path.c_str(), piped), 1);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find(" Lauch pipeline on lib "), std::string::npos) << out;
  EXPECT_NE(out.find("  Number Of Triangles  "), std::string::npos) << out;
  ASSERT_EQ(LoadMesh(ctx.Fi, prePath.c_str(), serial), 1);
  testing::internal::CaptureStdout();
  ASSERT_EQ(LoadMesh(ctx.Fi, path.c_str(), serial), 1);
  testing::internal::GetCapturedStdout();
  expectSameMesh(serial, piped);
  EXPECT_EQ(piped->Tri[2].Ver[0], made->Tri[1].Ver[0] + 4);
  EXPECT_NE(piped->GeoFlags & GEO_CORNERS, 0u);
  EXPECT_EQ(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);

  // A file with kinds the tasks do not read goes through the plain loader.
  Geometric_Mesh *hybrid = MakeStructuredMesh(ctx.Mem, 2, 2, 1, GEN_HEX | GEN_TET | GEN_EFR);
  std::string hybridPath = TestPath("pipehybrid.mesh");
  ASSERT_EQ(WriteMesh(ctx.Fi, hybridPath.c_str(), hybrid), 1);
  std::vector<int> siz2(KmfMaxSizMsh + 10, 0);
  ASSERT_EQ(AddMeshSize(ctx.Fi, hybridPath.c_str(), siz2.data()), 1);
  Geometric_Mesh *fallback = NewCommonMesh(ctx.Mem, siz2.data());
  testing::internal::CaptureStdout();
  ASSERT_EQ(LoadMeshPipe(ctx.Fi, hybridPath.c_str(), fallback), 1);
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find("Lauch pipeline"), std::string::npos) << out;
  expectSameMesh(hybrid, fallback, false);

  // An invalid element found by a task reaches the caller's interface.
  FixtureFile bad;
  bad.Sections.push_back(GridVertices(3, 4));
  bad.Sections.push_back(Lines(8, "Tetrahedra", 4, {1, 2, 3, 5, 1}));
  std::string badPath = SaveFixture(bad, "pipebad.meshb", true);
  std::vector<int> siz3(KmfMaxSizMsh + 10, 0);
  ASSERT_EQ(AddMeshSize(ctx.Fi, badPath.c_str(), siz3.data()), 1);
  Geometric_Mesh *withBad = NewCommonMesh(ctx.Mem, siz3.data());
  ctx.Fi->Status = 0;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadMeshPipe(ctx.Fi, badPath.c_str(), withBad), 1);
  testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(ctx.Fi->Status & STATUS_INVALID_ELEMENTS, 0u);
  EXPECT_EQ(ctx.Fi->ErrCod, ERR_BAD_DATA);
  EXPECT_NE(err.find("  TETRAHEDRON           1 =[         1          2          3          5] IS INVALID \n"),
            std::string::npos) << err;

  for (Geometric_Mesh *m : {withBad, fallback, hybrid, serial, piped, made}) FreeCommonMesh(ctx.Mem, m);
  FreeMthParallel(par);
  EXPECT_EQ(ctx.Mem->NbrActive, 0);
}

}  // namespace
