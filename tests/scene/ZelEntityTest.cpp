#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelHybridHash.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelMesh.h"

namespace {

class Entities : public testing::Test {
 protected:
  void SetUp() override {
    mem_ = NewMemory(1000);
    DefaultFunInterface(&fi_, mem_, nullptr, "ZELVANE");
  }
  void TearDown() override {
    zelFreeZelMesh(mem_, zel_);
    FreeCommonMesh(mem_, msh_);
    EXPECT_EQ(mem_->NbrActive, 0);
    FreeMemory(mem_);
  }
  void setup() {
    zel_ = zelNewZelMesh(mem_);
    CaptureText([&] { ASSERT_EQ(zelSetupZelMesh(&fi_, msh_, zel_), 1); });
  }
  // The elements of group g in chain order; every link on the way must name g.
  static std::vector<int> chain(const ZelEntity *ent, int g) {
    std::vector<int> els;
    for (int e = ent->Dep[g].Fst; e && els.size() <= static_cast<size_t>(ent->MaxNbrLnk);
         e = ent->Lnk[e].Nxt) {
      els.push_back(e);
      EXPECT_EQ(ent->Lnk[e].Grp, g) << e;
    }
    EXPECT_EQ(els.empty() ? 0 : els.back(), ent->Dep[g].Lst);
    return els;
  }

  Memory_List *mem_ = nullptr;
  Function_Interface fi_;
  Geometric_Mesh *msh_ = nullptr;
  ZelMesh *zel_ = nullptr;
};

}  // namespace

TEST_F(Entities, TrianglesGroupByAscendingReferenceVerticesByFirstAppearance) {
  msh_ = NewRoomyMesh(mem_, 3, {{KmfVertices, 8}, {KmfTriangles, 5}, {KmfQuadrilaterals, 2}});
  const int vref[7] = {5, 2, 5, 9, 2, 5, 5};
  for (int i = 0; i < 7; i++) AddVertex(msh_, i, i % 2, 0, vref[i]);
  const int tref[5] = {7, 3, 7, 5, 3};
  for (int t = 0; t < 5; t++) AddElement(msh_, KmfTriangles, {1, 2, t < 4 ? 3 : 7}, tref[t]);
  msh_->Tri[5].Tag = 0;  // dead: vertex 7 is in no alive triangle
  setup();

  const ZelEntity *tri = zel_->TriEnt;
  ASSERT_EQ(tri->NbrDep, 3);
  const int refs[3] = {tri->Dep[1].Ref, tri->Dep[2].Ref, tri->Dep[3].Ref};
  EXPECT_EQ(std::vector<int>(refs, refs + 3), (std::vector<int>{3, 5, 7}));
  EXPECT_EQ(chain(tri, 3), (std::vector<int>{1, 3}));
  EXPECT_EQ(chain(tri, 1), (std::vector<int>{2}));
  EXPECT_EQ(chain(tri, 2), (std::vector<int>{4}));
  EXPECT_EQ(tri->Lnk[5].Grp, 0);  // the dead triangle is in no group
  // The hash follows the sorted groups.
  for (int g = 1; g <= 3; g++) EXPECT_EQ(geoFindHybridHash(tri->HshRef, tri->Dep[g].Ref), g);
  EXPECT_EQ(geoFindHybridHash(tri->HshRef, 9), 0);
  EXPECT_EQ(zel_->SrfGerm[7], 0);
  EXPECT_EQ(zel_->SrfGerm[1], 4);  // the last alive triangle holding it

  const ZelEntity *ver = zel_->VerEnt;
  ASSERT_EQ(ver->NbrDep, 3);
  EXPECT_EQ((std::vector<int>{ver->Dep[1].Ref, ver->Dep[2].Ref, ver->Dep[3].Ref}),
            (std::vector<int>{5, 2, 9}));
  EXPECT_EQ(chain(ver, 1), (std::vector<int>{1, 3, 6, 7}));
  // A kind with room but no element has an entity without groups; kinds without room none.
  ASSERT_NE(zel_->QuaEnt, nullptr);
  EXPECT_EQ(zel_->QuaEnt->NbrDep, 0);
  EXPECT_EQ(zel_->TetEnt, nullptr);
}

TEST_F(Entities, ManyAndExtremeReferencesGroupRight) {
  std::vector<int> refs;
  for (int r = 0; r < 1500; r++) refs.push_back(r * 7919 - 5000000);
  for (int r : {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX - 1, -1, 0}) refs.push_back(r);
  const int n = 2 * static_cast<int>(refs.size());
  msh_ = NewRoomyMesh(mem_, 3, {{KmfVertices, 3}, {KmfTriangles, n}});
  for (int i = 0; i < 3; i++) AddVertex(msh_, i, i == 2, 0);
  std::mt19937 rng(3);
  std::vector<int> order(n);
  for (int i = 0; i < n; i++) order[i] = refs[i % refs.size()];
  std::shuffle(order.begin(), order.end(), rng);
  for (int r : order) AddElement(msh_, KmfTriangles, {1, 2, 3}, r);
  setup();

  const ZelEntity *tri = zel_->TriEnt;
  ASSERT_EQ(tri->NbrDep, static_cast<int>(refs.size()));
  for (int g = 2; g <= tri->NbrDep; g++) EXPECT_LT(tri->Dep[g - 1].Ref, tri->Dep[g].Ref);
  size_t seen = 0;
  for (int g = 1; g <= tri->NbrDep; g++) {
    std::vector<int> els = chain(tri, g);
    ASSERT_EQ(els.size(), 2u) << tri->Dep[g].Ref;
    for (int e : els) EXPECT_EQ(msh_->Tri[e].Ref, tri->Dep[g].Ref);
    EXPECT_EQ(geoFindHybridHash(tri->HshRef, tri->Dep[g].Ref), g);
    seen += els.size();
  }
  EXPECT_EQ(seen, static_cast<size_t>(n));
  EXPECT_GT(tri->HshRef->NbrBlk, 1);  // more groups than the first block holds
}

// An entity's groups, links and reference hash (bucket by bucket, cells in chain order), as
// text.
std::string groupsOf(const ZelEntity *ent) {
  std::string out = std::to_string(ent->NbrDep) + ":";
  for (int d = 1; d <= ent->NbrDep; d++)
    out += " " + std::to_string(ent->Dep[d].Fst) + "-" + std::to_string(ent->Dep[d].Lst) + "@" +
           std::to_string(ent->Dep[d].Ref);
  out += "\n";
  for (int e = 0; e <= ent->MaxNbrLnk; e++)
    out += std::to_string(ent->Lnk[e].Grp) + "," + std::to_string(ent->Lnk[e].Nxt) + " ";
  for (int b = 0; b < ent->HshRef->MaxSiz; b++)
    for (const GeoHybridHashBucket *c = ent->HshRef->Head[b]; c; c = c->Nxt)
      out += "\n" + std::to_string(b) + ":" + std::to_string(c->Key) + "=" + std::to_string(c->Val);
  return out;
}

// Entities of many elements grouped on the pool's threads have the groups, links and hash the
// one walk gives: few references scattered among dead elements, references in long runs, and
// more references than the pool's way takes.
TEST_F(Entities, GroupsMadeOnThePoolAreThoseOfTheOneWalk) {
  Common_MthParallel *par = NewMthParallel(4, 0, 0);
  const struct {
    const char *what;
    int refs, run;
  } cases[] = {{"scattered", 5, 1}, {"runs", 3, 5000}, {"many", 5000, 1}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    msh_ = MakeStructuredMesh(mem_, 41, 41, 39, GEN_TET | GEN_TRI);
    ASSERT_GE(msh_->NbrVer, 65536);  // enough for the pool, vertices as well
    std::mt19937 rng(9);
    for (int t = 1; t <= msh_->NbrTet; t++) {
      msh_->Tet[t].Ref = static_cast<int>(((t - 1) / c.run + rng() % 2) % c.refs) - 2;
      if (rng() % 11 == 0) msh_->Tet[t].Tag &= ~TAG_ALIVE;
    }
    for (int v = 1; v <= msh_->NbrVer; v++) msh_->Ver[v].Ref = static_cast<int>(rng() % 4) * 7;
    setup();
    const std::string tets = groupsOf(zel_->TetEnt), vers = groupsOf(zel_->VerEnt);
    zel_ = zelFreeZelMesh(mem_, zel_);
    fi_.Par = par;
    setup();
    fi_.Par = nullptr;
    EXPECT_TRUE(groupsOf(zel_->TetEnt) == tets);
    EXPECT_TRUE(groupsOf(zel_->VerEnt) == vers);
    zel_ = zelFreeZelMesh(mem_, zel_);
    msh_ = FreeCommonMesh(mem_, msh_);
  }
  FreeMthParallel(par);
}

TEST_F(Entities, ReallocationAfterGrowthKeepsTheGroups) {
  msh_ = NewRoomyMesh(mem_, 3, {{KmfVertices, 3}, {KmfTriangles, 3}});
  for (int i = 0; i < 3; i++) AddVertex(msh_, i, i == 2, 0);
  for (int r : {4, 8, 4}) AddElement(msh_, KmfTriangles, {1, 2, 3}, r);
  setup();
  ZelEntity *tri = zel_->TriEnt;
  ASSERT_EQ(NewCommonMeshEntity(mem_, msh_, KmfTriangles, 50), 1);
  AddElement(msh_, KmfTriangles, {1, 2, 3}, 6);
  ASSERT_EQ(zelReAllocEntity(tri, mem_, msh_, KmfTriangles, 0), tri);
  EXPECT_EQ(tri->MaxNbrLnk, msh_->MaxNbrTri);
  EXPECT_EQ(tri->MaxNbrDep, 4);
  EXPECT_EQ(tri->NbrDep, 2);
  EXPECT_EQ(chain(tri, 1), (std::vector<int>{1, 3}));
  EXPECT_EQ(chain(tri, 2), (std::vector<int>{2}));
  EXPECT_EQ(geoFindHybridHash(tri->HshRef, 8), 2);
  for (int e = 4; e <= tri->MaxNbrLnk; e++)
    EXPECT_EQ(tri->Lnk[e].Grp | tri->Lnk[e].Nxt | tri->ZelLst[e], 0) << e;
  zelReAllocEntity(tri, mem_, msh_, KmfTriangles, 1);
  EXPECT_EQ(tri->Lnk[1].Grp, 0);
}

TEST_F(Entities, BoundaryEdgesOnTriangleSidesBecomeMeshEdges) {
  // Two triangles on the square 1 2 3 4, sharing the diagonal 1-3.
  msh_ = NewRoomyMesh(mem_, 3, {{KmfVertices, 4}, {KmfTriangles, 2}, {KmfEdges, 3}});
  AddVertex(msh_, 0, 0, 0), AddVertex(msh_, 1, 0, 0), AddVertex(msh_, 1, 1, 0), AddVertex(msh_, 0, 1, 0);
  AddElement(msh_, KmfTriangles, {1, 2, 3}, 1);
  AddElement(msh_, KmfTriangles, {1, 3, 4}, 1);
  AddElement(msh_, KmfEdges, {3, 1}, 5);  // the diagonal
  AddElement(msh_, KmfEdges, {1, 2}, 5);  // outer side of the first triangle
  AddElement(msh_, KmfEdges, {4, 1}, 5);  // dead
  msh_->Efr[3].Tag = 0;
  CaptureText([&] { SetupGeoMesh(&fi_, msh_); });
  const int otherAcross = msh_->Tri[2].Voi[0];  // side 0 of triangle 2 (3-4) has no edge
  setup();
  // The edge on side i of triangles 1 and 2 (0: none).
  const int edge[2][3] = {{0, 1, 2}, {0, 0, 1}};
  for (int t = 1; t <= 2; t++)
    for (int i = 0; i < 3; i++) {
      const Triangle &tri = msh_->Tri[t];
      const int e = edge[t - 1][i];
      EXPECT_EQ((tri.Tag & TagEdgeMark(i)) != 0, e != 0) << t << " " << i;
      EXPECT_TRUE(!e || (tri.Voi[i] == e && VoiTypGet(tri.VoiTyp, i) == VOI_EFR)) << t << " " << i;
    }
  EXPECT_EQ(msh_->Tri[2].Voi[0], otherAcross);
  EXPECT_NE(zel_->Ver2Edg, nullptr);
}

TEST_F(Entities, ArgumentChecksAnswerWithoutEndingTheProcess) {
  msh_ = NewRoomyMesh(mem_, 3, {{KmfVertices, 1}});
  CaptureText([&] { EXPECT_EQ(zelSetupZelMesh(&fi_, msh_, nullptr) + zelHashMesh(&fi_, nullptr), 0); });
  EXPECT_EQ(fi_.ErrCod, 200);
  EXPECT_EQ(zelHashMesh(&fi_, msh_), 1);
}

TEST(ReferenceHash, BucketsOfEveryIntAreThoseOfTheWideProduct) {
  for (int r : {0, 1, 63, 64, -1, -64, INT_MAX, INT_MIN, INT_MIN + 3, 123456789})
    EXPECT_EQ(geoHybridHashBucket(r, 256), static_cast<int>((static_cast<int64_t>(r) * 4) & 255)) << r;
}

TEST(Kinds, ReferenceColourRowsAndNames) {
  const struct {
    int Ref, Row;
  } rows[] = {{0, 0}, {20, 20}, {21, 0}, {-22, 1}, {INT_MAX, 1}, {INT_MIN, 2}, {INT_MIN + 1, 1}};
  for (const auto &r : rows) EXPECT_EQ(zelRefColorIndex(r.Ref), r.Row) << r.Ref;
  EXPECT_STREQ(zelGetTypeName(KmfQuadrilateralsQ2), "p2-quads");
  EXPECT_STREQ(zelGetTypeName(KmfFaceEdges), "Edge On Face");
  EXPECT_STREQ(zelGetTypeName(11), "unknow type");
}
