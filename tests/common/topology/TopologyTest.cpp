#include <map>

#include "tests/common/CommonTest.h"

namespace {

class TopologyTest : public MeshTestBase {};

TEST_F(TopologyTest, TwoTetrahedraShareOneFaceAndAreBuiltBeforeReturn) {
  EXPECT_EQ(SetupGeoMesh(&fi, nullptr), 0);
  msh = MakeTwoTetrahedra(mem);
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  // Tetrahedra without triangles: nothing else could show them, so no thread.
  EXPECT_EQ(msh->TopoThread, nullptr);
  EXPECT_EQ(TopoDoneLoad(msh), 1);
  EXPECT_EQ(msh->Tet[1].Voi[0], 2);
  EXPECT_TOPOLOGY(msh);
  // A dead tetrahedron is no neighbour; stale values are cleared.
  msh->Tet[2].Tag &= ~TAG_ALIVE;
  msh->Tet[1].Voi[2] = 7;
  msh->Tet[1].VoiTyp = 0xFFFF;
  msh->Tet[1].Tag |= TagBdyFace(1);
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(msh->Tet[1].Voi[0], 0);
  EXPECT_TOPOLOGY(msh);
}

// Fans of triangles on the edge (1 2): past two triangles the edge is non-manifold and gets
// one boundary edge (an existing one is marked), a P2 one with the shared mid-node for P2
// triangles. Past 16 triangles a 4-bit count that wrapped would meet "third element" again.
TEST_F(TopologyTest, TriangleFansOnOneEdge) {
  struct Case {
    int n;
    bool bdyEdge, p2;
    int efr, p2Efr;
  };
  for (Case c : {Case{2, false, false, 0, 0}, Case{3, false, false, 1, 0}, Case{3, true, false, 1, 0},
                 Case{20, false, false, 1, 0}, Case{3, false, true, 0, 1}, Case{3, true, true, 1, 1}}) {
    SCOPED_TRACE(std::to_string(c.n) + (c.bdyEdge ? " with edge" : "") + (c.p2 ? " P2" : ""));
    msh = MakeTriangleFan(mem, c.n, c.bdyEdge, c.p2);
    SetupGeoMesh(&fi, msh);
    EXPECT_EQ(TopoDoneLoad(msh), 1);
    EXPECT_TOPOLOGY(msh);
    ASSERT_EQ(msh->NbrEfr, c.efr);
    ASSERT_EQ(msh->NbrP2Efr, c.p2Efr);
    EXPECT_EQ(msh->GeoFlags & GEO_NONMANIFOLD, c.n > 2 ? static_cast<uint32_t>(GEO_NONMANIFOLD) : 0u);
    if (c.n == 2) {
      msh = FreeCommonMesh(mem, msh);
      continue;
    }
    // The boundary edge, new or given, carries the mark (one of a linear and a P2 edge on
    // the same pair does).
    uint32_t mark = (c.efr ? msh->Efr[1].Tag : 0) | (c.p2Efr ? msh->P2Efr[1].Tag : 0);
    EXPECT_EQ(mark, TAG_ALIVE | TAG_NONMANIFOLD);
    if (!c.bdyEdge) {
      const int *ver = c.p2 ? msh->P2Efr[1].Ver : msh->Efr[1].Ver;
      EXPECT_EQ(std::min(ver[0], ver[1]), 1);
      EXPECT_EQ(std::max(ver[0], ver[1]), 2);
      if (c.p2) {
        EXPECT_EQ(ver[2], 3);  // the shared mid-node
      }
    }
    msh = FreeCommonMesh(mem, msh);
  }
}

TEST_F(TopologyTest, BoundaryEdgeArrayDoublesWhenLarge) {
  // 1500 boundary edges elsewhere fill their array; the new edge doubles it.
  msh = MakeSizedMesh(mem, {{KmfVertices, 3010}, {KmfTriangles, 3}, {KmfEdges, 1500}});
  for (int v = 1; v <= 3010; v++) AddVertex(msh);
  for (int e = 1; e <= 1500; e++) AddRecord(msh->Efr, msh->NbrEfr, {10 + e, 1510 + e});
  for (int t = 1; t <= 3; t++) AddRecord(msh->Tri, msh->NbrTri, {1, 2, 2 + t});
  SetupGeoMesh(&fi, msh);
  ASSERT_EQ(msh->NbrEfr, 1501);
  EXPECT_EQ(msh->MaxNbrEfr, 3001);
  EXPECT_EQ(msh->Efr[1500].Ver[0], 1510);  // the old edges survived the growth
  EXPECT_EQ(msh->Efr[1501].Tag, TAG_ALIVE | TAG_NONMANIFOLD);
}

TEST_F(TopologyTest, BoundaryTrianglesCoverTetrahedraOnTheThread) {
  msh = MakeStructuredMesh(mem, 3, 3, 3, GEN_TET | GEN_TRI);
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  // The triangles can be drawn at once: the volume pass went to the thread.
  EXPECT_NE(msh->TopoThread, nullptr);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
  EXPECT_EQ(StopTopoThread(msh), 1);
  EXPECT_EQ(msh->TopoThread, nullptr);
  EXPECT_EQ(StopTopoThread(msh), 0);
}

TEST_F(TopologyTest, TriangleAndQuadrilateralShareAnEdge) {
  msh = MakeSizedMesh(mem, {{KmfVertices, 5}, {KmfTriangles, 1}, {KmfQuadrilaterals, 1}});
  for (int v = 1; v <= 5; v++) AddVertex(msh);
  AddRecord(msh->Qua, msh->NbrQua, {1, 2, 4, 3});
  AddRecord(msh->Tri, msh->NbrTri, {2, 1, 5});
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  EXPECT_TOPOLOGY(msh);
  // Edge (1 2): local 0 of the quadrilateral, local 2 (nodes 0 1) of the triangle.
  EXPECT_EQ(msh->Qua[1].Voi[0], 1);
  EXPECT_EQ(VoiTypGet(msh->Qua[1].VoiTyp, 0), VOI_TRI);
  EXPECT_EQ(msh->Tri[1].Voi[2], 1);
  EXPECT_EQ(VoiTypGet(msh->Tri[1].VoiTyp, 2), VOI_QUA);
}

TEST_F(TopologyTest, InnerTriangleCoversTheTetrahedraOnBothSides) {
  msh = MakeTwoTetrahedra(mem, true);
  SetupGeoMesh(&fi, msh);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
  EXPECT_TRUE(msh->Tet[1].Tag & msh->Tet[2].Tag & TagBdyFace(0));
}

class TopologyBlockTest : public TopologyTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(TopologyBlockTest, ConformingBlockMatchesTheReference) {
  msh = MakeStructuredMesh(mem, 3, 4, 2, GetParam());
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TopologyBlockTest,
                         ::testing::Values(GEN_HEX, GEN_PRI, GEN_PYR, GEN_HEX | GEN_QUA,
                                           GEN_PRI | GEN_TRI, GEN_PYR | GEN_QUA));

TEST_F(TopologyTest, MixedKindsLinkAcrossTheirSharedFaces) {
  msh = MakeMixedBlock(mem);
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
  // A few links checked by hand as well, in case the reference shares a fault.
  const Hexahedron &hex = msh->Hex[1];
  const Pyramid &pyr = msh->Pyr[1];
  EXPECT_EQ(hex.Voi[1], 1);  // top face: the pyramid's base
  EXPECT_EQ(VoiTypGet(hex.VoiTyp, 1), VOI_PYR);
  EXPECT_EQ(VoiTypGet(pyr.VoiTyp, 4), VOI_HEX);
  for (int f = 0; f < 4; f++) {
    EXPECT_EQ(pyr.Voi[f], f + 1);
    EXPECT_EQ(VoiTypGet(msh->Tet[f + 1].VoiTyp, 3), VOI_PYR);  // face 3 (b0 apex b1)
  }
  EXPECT_EQ(VoiTypGet(hex.VoiTyp, 2), VOI_PRI);  // front face: the prism
  EXPECT_EQ(VoiTypGet(msh->Pri[1].VoiTyp, 2), VOI_HEX);
  EXPECT_EQ(VoiTypGet(hex.VoiTyp, 0), VOI_QUA);  // bottom face: the quadrilateral
  EXPECT_EQ(hex.Tag & TAG_BDY_FACES, TagBdyFace(0));
  EXPECT_EQ(msh->Tet[1].Tag & TAG_BDY_FACES, TagBdyFace(2));  // the free face under the triangle
  EXPECT_EQ(msh->Tri[1].VoiVol, 1);
}

TEST_F(TopologyTest, SecondOrderKindsMatchTheReference) {
  for (unsigned kinds : {GEN_TET | GEN_TRI, GEN_HEX | GEN_QUA, unsigned(GEN_TET), unsigned(GEN_HEX)}) {
    Geometric_Mesh *lin = MakeStructuredMesh(mem, 2, 3, 2, kinds);
    msh = MakeSecondOrderCopy(mem, lin);
    FreeCommonMesh(mem, lin);
    ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
    ASSERT_TRUE(WaitTopoDone(msh));
    EXPECT_TOPOLOGY(msh);
    int p2Kind = msh->NbrP2Tet ? VOI_P2TET : VOI_P2HEX;
    int linked = 0;
    for (int i = 1; i <= CountOf(msh, p2Kind); i++)
      for (int j = 0; j < 4; j++) linked += VoiTypGet(*FieldsOf(msh, p2Kind, i).Typ, j) == p2Kind;
    EXPECT_GT(linked, 0) << kinds;
    msh = FreeCommonMesh(mem, msh);
  }
}

// Keys of one node sum (a crafted strip) and a box whose vertices are numbered at random, its
// volume pass shared by four threads: the neighbours of the reference.
TEST_F(TopologyTest, EqualSumKeysAndRandomNumbersGiveTheReferenceNeighbours) {
  msh = MakeEqualSumStrip(mem, 200);
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  EXPECT_TOPOLOGY(msh);
  EXPECT_EQ(msh->Tri[3].Voi[1], 2);  // rung (2, S - 2)
  EXPECT_EQ(msh->Tri[3].Voi[0], 4);  // diagonal (3, S - 2)
  msh = FreeCommonMesh(mem, msh);

  msh = MakeStructuredMesh(mem, 12, 12, 24, GEN_TET | GEN_TRI);
  ASSERT_GE(msh->NbrTet, 20000);
  RenumberVertices(msh, 7);
  fi.Par = NewMthParallel(4, 0, 0);
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  ASSERT_TRUE(WaitTopoDone(msh));
  EXPECT_TOPOLOGY(msh);
}

// Forces the salt of every hash table made while it lives.
struct ForcedSalt {
  explicit ForcedSalt(uint64_t salt) { uti_SetHybridHashSalt(salt); }
  ~ForcedSalt() { uti_SetHybridHashSalt(0); }
};

// The neighbour fields of every element and boundary edge, as bytes.
std::string NeighbourBytes(const Geometric_Mesh *m) {
  std::string out;
  auto put = [&out](const auto *arr, int n) {
    if (arr) out.append(reinterpret_cast<const char *>(arr + 1), sizeof(arr[0]) * static_cast<size_t>(n));
  };
  put(m->Tri, m->NbrTri), put(m->P2Tri, m->NbrP2Tri), put(m->Qua, m->NbrQua), put(m->P2Qua, m->NbrP2Qua);
  put(m->Tet, m->NbrTet), put(m->P2Tet, m->NbrP2Tet), put(m->Hex, m->NbrHex), put(m->P2Hex, m->NbrP2Hex);
  put(m->Pri, m->NbrPri), put(m->Pyr, m->NbrPyr), put(m->Efr, m->NbrEfr), put(m->P2Efr, m->NbrP2Efr);
  return out;
}

// Faces shared by many elements of every kind, copies and dead elements: whatever the thread
// count and the tables' salts, the volume pass gives what the serial walk gives, and the
// surface pass the same boundary edges and links.
TEST_F(TopologyTest, SharedFacesGiveTheSerialWalksNeighboursWhateverThreadsAndSalts) {
  struct Case {
    unsigned seed;
    int nbrVer, threads;
    uint64_t salt;
    int kindsApart;  // the kinds found kept in the side array of the largest meshes
  };
  std::string first;
  for (Case c : {Case{3, 40, 1, 1, 0}, Case{3, 40, 4, 0x5EED, 0}, Case{3, 40, 4, 0xFFFFFFFF00000001ull, 1},
                 Case{9, 12, 3, 7, 0}, Case{9, 12, 1, 7, 1}}) {
    SCOPED_TRACE(std::to_string(c.nbrVer) + " vertices, " + std::to_string(c.threads) + " threads, kinds apart " +
                 std::to_string(c.kindsApart));
    ForcedSalt salt(c.salt);
    TopoKeepKindsApart(c.kindsApart);
    msh = MakeElementSoup(mem, c.seed, c.nbrVer, 1100);
    ASSERT_GE(msh->NbrTet, 20000);  // enough for the pass to take its threads
    if (c.threads > 1) fi.Par = NewMthParallel(c.threads, 0, 0);
    ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
    ASSERT_TRUE(WaitTopoDone(msh));
    EXPECT_VOLUME_REPLAY(msh);
    if (c.seed == 3) {
      if (first.empty()) first = NeighbourBytes(msh);
      EXPECT_TRUE(NeighbourBytes(msh) == first);
    }
    msh = FreeCommonMesh(mem, msh);
    fi.Par = FreeMthParallel(fi.Par);
  }
  TopoKeepKindsApart(0);
}

// A box numbered as a generator numbers it (vertices and elements in random order): one
// thread and four give the same bytes, those of the reference.
TEST_F(TopologyTest, ShuffledBoxGivesTheSameNeighboursOnOneThreadAndFour) {
  std::string one;
  for (int threads : {1, 4}) {
    msh = MakeStructuredMesh(mem, 12, 12, 24, GEN_TET | GEN_TRI);
    RenumberVertices(msh, 11);
    ShuffleElements(msh, 12);
    if (threads > 1) fi.Par = NewMthParallel(threads, 0, 0);
    ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
    ASSERT_TRUE(WaitTopoDone(msh));
    EXPECT_TOPOLOGY(msh);
    EXPECT_VOLUME_REPLAY(msh);
    if (threads == 1) {
      one = NeighbourBytes(msh);
    } else {
      EXPECT_TRUE(NeighbourBytes(msh) == one);
    }
    msh = FreeCommonMesh(mem, msh);
  }
}

TEST_F(TopologyTest, FiftyThousandTetrahedraOnFourThreadsMatchOneThread) {
  msh = MakeStructuredMesh(mem, 16, 16, 33, GEN_TET);
  ASSERT_EQ(msh->NbrTet, 50688);
  Geometric_Mesh *ser = MakeStructuredMesh(mem, 16, 16, 33, GEN_TET);
  SetupGeoMesh(&fi, ser);
  fi.Par = NewMthParallel(4, 0, 0);
  SetupGeoMesh(&fi, msh);
  EXPECT_EQ(TopoDoneLoad(msh), 1);
  EXPECT_TOPOLOGY(msh);
  int diff = 0;
  for (int i = 1; i <= msh->NbrTet; i++)
    diff += memcmp(msh->Tet[i].Voi, ser->Tet[i].Voi, sizeof(msh->Tet[i].Voi)) != 0 ||
            msh->Tet[i].VoiTyp != ser->Tet[i].VoiTyp || msh->Tet[i].Tag != ser->Tet[i].Tag;
  EXPECT_EQ(diff, 0);
  FreeCommonMesh(mem, ser);
  EXPECT_NE(fi.Par->TetTyp, 0);  // the set-up declared the mesh's loop types on the pool
}

// Surface meshes for the comparisons with the serial walk: a grid of triangles and
// quadrilaterals on the same squares with its boundary edges, its second-order copy, the grid
// numbered as a generator numbers it, and random soups of every surface kind whose edges are
// shared by many elements, one of them a star (one vertex in most elements).
enum SurfaceShape { SrfGrid, SrfGridP2, SrfShuffled, SrfSoup, SrfStar };

Geometric_Mesh *MakeSurfaceShape(Memory_List *mem, SurfaceShape shape) {
  switch (shape) {
    case SrfGrid:
      return MakeStructuredMesh(mem, 120, 90, 1, GEN_TRI | GEN_QUA | GEN_EFR);
    case SrfGridP2: {
      Geometric_Mesh *lin = MakeStructuredMesh(mem, 100, 80, 1, GEN_TRI | GEN_QUA | GEN_EFR);
      Geometric_Mesh *m = MakeSecondOrderCopy(mem, lin);
      FreeCommonMesh(mem, lin);
      return m;
    }
    case SrfShuffled: {
      Geometric_Mesh *m = MakeStructuredMesh(mem, 120, 90, 1, GEN_TRI | GEN_QUA | GEN_EFR);
      RenumberVertices(m, 5);
      ShuffleElements(m, 6);
      return m;
    }
    case SrfSoup:
      return MakeSurfaceSoup(mem, 21, 60, 6000, 300, false);
    case SrfStar:
      return MakeSurfaceSoup(mem, 22, 3000, 6000, 300, true);
  }
  return nullptr;
}

struct SurfaceCase {
  SurfaceShape shape;
  int threads;
  uint64_t salt;
  int kindsApart;
};

// Sets every case's mesh up and compares it with the serial walk's replay, and the bytes of
// every case with those of the first case of its shape.
void ExpectSurfaceCasesGiveTheSerialWalk(Memory_List *mem, Function_Interface &fi,
                                         std::initializer_list<SurfaceCase> cases) {
  std::map<int, std::string> first;
  for (SurfaceCase c : cases) {
    SCOPED_TRACE("shape " + std::to_string(c.shape) + ", " + std::to_string(c.threads) + " threads, salt " +
                 std::to_string(c.salt) + ", kinds apart " + std::to_string(c.kindsApart));
    ForcedSalt salt(c.salt);
    TopoKeepKindsApart(c.kindsApart);
    Geometric_Mesh *msh = MakeSurfaceShape(mem, c.shape);
    ASSERT_GE(msh->NbrTri + msh->NbrP2Tri + msh->NbrQua + msh->NbrP2Qua, 20000);  // enough for threads
    BoundaryEdgesBefore before = SnapBoundaryEdges(msh);
    if (c.threads > 1) fi.Par = NewMthParallel(c.threads, 0, 0);
    ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
    // No volume element: nothing left for a thread.
    EXPECT_EQ(msh->TopoThread, nullptr);
    EXPECT_EQ(TopoDoneLoad(msh), 1);
    EXPECT_EQ(fi.ErrCod, 0);
    EXPECT_SURFACE_REPLAY(msh, before);
    std::string bytes = NeighbourBytes(msh);
    if (!first.count(c.shape)) first[c.shape] = bytes;
    EXPECT_TRUE(bytes == first[c.shape]);
    FreeCommonMesh(mem, msh);
    fi.Par = FreeMthParallel(fi.Par);
  }
  TopoKeepKindsApart(0);
}

// Whatever the thread count, the numbering and the tables' salts, the surface pass gives the
// serial walk's neighbours and kinds, boundary edges marked and added in its order, for
// triangles, quadrilaterals, their second-order forms and all of them mixed.
TEST_F(TopologyTest, SurfaceEdgesGiveTheSerialWalksNeighboursAndBoundaryEdgesWhateverThreadsNumberingAndSalts) {
  ExpectSurfaceCasesGiveTheSerialWalk(
      mem, fi,
      {SurfaceCase{SrfGrid, 1, 1, 0}, SurfaceCase{SrfGrid, 4, 0x5EED, 0}, SurfaceCase{SrfGrid, 8, 7, 1},
       SurfaceCase{SrfGridP2, 1, 1, 0}, SurfaceCase{SrfGridP2, 4, 0xFFFFFFFF00000001ull, 1},
       SurfaceCase{SrfShuffled, 1, 3, 0}, SurfaceCase{SrfShuffled, 3, 1, 0}, SurfaceCase{SrfShuffled, 4, 9, 1},
       SurfaceCase{SrfSoup, 1, 1, 0}, SurfaceCase{SrfSoup, 4, 0x5EED, 1}, SurfaceCase{SrfSoup, 8, 2, 0}});
}

// A star's edges about its hub fill one run of vertex numbers, which is cut further: the cut
// keeps every edge's elements together in walk order (also run under ThreadSanitizer).
TEST_F(TopologyTest, SurfaceStarOnFourThreadsGivesTheSerialWalksEdges) {
  ExpectSurfaceCasesGiveTheSerialWalk(mem, fi,
                                      {SurfaceCase{SrfStar, 1, 1, 0}, SurfaceCase{SrfStar, 4, 0x5EED, 0},
                                       SurfaceCase{SrfStar, 2, 3, 1}, SurfaceCase{SrfStar, 4, 11, 1}});
}

// Tetrahedra about one centre vertex: with the centre numbered first most faces share their
// smallest vertex, and that run is cut; the neighbours stay the serial walk's, on one thread
// and four (also run under ThreadSanitizer).
TEST_F(TopologyTest, TetrahedronStarOnFourThreadsGivesTheSerialWalksFaces) {
  for (bool centreFirst : {true, false}) {
    std::string one;
    for (int threads : {1, 4}) {
      SCOPED_TRACE(std::string(centreFirst ? "centre first, " : "centre last, ") + std::to_string(threads) + " threads");
      ForcedSalt salt(threads == 1 ? 1 : 0x5EED);
      msh = MakeTetrahedronStar(mem, 100, centreFirst);
      ASSERT_GE(msh->NbrTet, 20000);
      if (threads > 1) fi.Par = NewMthParallel(threads, 0, 0);
      ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
      ASSERT_EQ(TopoDoneLoad(msh), 1);
      EXPECT_TOPOLOGY(msh);
      EXPECT_VOLUME_REPLAY(msh);
      // The two tetrahedra of a square share the face on its diagonal.
      EXPECT_EQ(msh->Tet[1].Voi[1], 2);
      if (threads == 1)
        one = NeighbourBytes(msh);
      else
        EXPECT_TRUE(NeighbourBytes(msh) == one);
      msh = FreeCommonMesh(mem, msh);
      fi.Par = FreeMthParallel(fi.Par);
    }
  }
}

// Without volume elements the set-up is done when it returns, and volume neighbours left from
// an earlier set-up are cleared.
TEST_F(TopologyTest, SurfaceOnlyMeshIsDoneAtOnceWithoutVolumeNeighbours) {
  msh = MakeStructuredMesh(mem, 3, 2, 1, GEN_TRI | GEN_QUA);
  for (int i = 1; i <= msh->NbrTri; i++) msh->Tri[i].VoiVol = 9;
  for (int i = 1; i <= msh->NbrQua; i++) msh->Qua[i].VoiVol = 9;
  ASSERT_EQ(SetupGeoMesh(&fi, msh), 1);
  EXPECT_EQ(msh->TopoThread, nullptr);
  EXPECT_EQ(TopoDoneLoad(msh), 1);
  EXPECT_TOPOLOGY(msh);
}

}  // namespace
