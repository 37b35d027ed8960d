// The mesh edits without widgets: walks, the flood fill, the reference move between display
// records, added boundary edges, deletion, vertex marks and the edge swap.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "tests/support/CaptureText.h"
#include "tests/support/DisplayScene.h"
#include "tests/support/GLHarness.h"
#include "tests/support/TopoReference.h"
#include "tests/tools/EditFixtures.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHybridHash.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelEdit.h"

namespace {

// Refs 1 | 2 below y = 2 (no edge between them), 3 above, split by boundary edges along y = 2;
// quadrilaterals of reference 4 in columns 6 and 7; free edges all round.
SurfaceLayout Mixed() {
  SurfaceLayout s;
  s.nx = 8, s.ny = 4, s.quadFrom = 6;
  s.ref = [](int i, int j) { return i >= 6 ? 4 : j >= 2 ? 3 : i < 3 ? 1 : 2; };
  s.lines = {{0, 2, 6, 2}};
  s.spareEdges = 4;
  return s;
}

class EditCore : public testing::Test {
 protected:
  void open(const SurfaceLayout &layout) {
    scene_.reset();
    gl_.reset(new GLHarness(64, 64));
    gl_->makeCurrent();
    gl_->ortho(-1, 1, -1, 1, -10, 10);
    zelInstallListHooks();
    layout_ = layout;
    scene_.reset(new DisplayScene([layout](Memory_List *m) { return EditSurface(m, layout); }));
    s_ = scene_->get();
    CaptureStdout();
    zelUpdateAllDisplayLists(1, s_);
    GetCapturedStdout();
  }
  Geometric_Mesh *msh() const { return s_->Msh; }
  ZelEntity *ent(int kind) const { return zelGetEntity(s_->ZelMsh, kind); }
  int tri(int i, int j, int half) const { return SquareTri(layout_, i, j, half); }
  // The triangles of a reference, as a set.
  std::set<int> ofRef(int ref) const {
    std::set<int> out;
    for (int t = 1; t <= msh()->NbrTri; t++)
      if (msh()->Tri[t].Ref == ref) out.insert(t);
    return out;
  }
  // Triangles the record's compiled face list draws.
  size_t drawn(int rec) const { return gl_->feedbackList(ent(KmfTriangles)->DspLst[rec].FacLst).size(); }

  std::unique_ptr<GLHarness> gl_;  // a context of the test's own: none outlives the application
  SurfaceLayout layout_;
  std::unique_ptr<DisplayScene> scene_;
  ZelScene *s_ = nullptr;
};

std::set<int> asSet(const std::vector<int> &v) { return {v.begin(), v.end()}; }

TEST_F(EditCore, DelimitedAreaCrossesReferencesAndStopsAtBoundaryEdgesQuadrilateralsAndFreeEdges) {
  open(Mixed());
  std::vector<int> sel;
  const int mark = msh()->Mrk;
  EXPECT_EQ(zelDelimAreaTri(msh(), s_->Mem, tri(0, 0, 0), sel), 24);
  std::set<int> below = ofRef(1);
  for (int t : ofRef(2)) below.insert(t);
  EXPECT_EQ(asSet(sel), below);
  EXPECT_EQ(sel.size(), below.size());
  EXPECT_EQ(msh()->Mrk, mark + 1);
  EXPECT_EQ(sel.front(), tri(0, 0, 0));
  EXPECT_EQ(zelDelimAreaTri(msh(), s_->Mem, 0, sel), 0);
  EXPECT_EQ(zelDelimAreaTri(msh(), s_->Mem, msh()->NbrTri + 1, sel), 0);
}

// Fill and walk rows: the surface, the start square, and the triangles expected to change.
struct FillCase {
  const char *what;
  SurfaceLayout layout;
  int i, j;
  std::vector<std::array<int, 3>> inside;  // (i, j, half) of the triangles reached
};

std::vector<FillCase> FillCases() {
  SurfaceLayout closed;  // a 2 x 2 square of boundary edges in a 6 x 6 surface of one reference
  closed.nx = closed.ny = closed.quadFrom = 6;
  closed.lines = {{2, 2, 4, 2}, {4, 2, 4, 4}, {4, 4, 2, 4}, {2, 4, 2, 2}};
  SurfaceLayout corner;  // squares (0, 0) and (1, 1) of reference 1 meet at one vertex
  corner.nx = corner.ny = corner.quadFrom = 2;
  corner.ref = [](int i, int j) { return i == j ? 1 : 2; };
  SurfaceLayout free;  // free edges only
  free.nx = free.ny = free.quadFrom = 2;
  std::vector<std::array<int, 3>> all;
  for (int j = 0; j < 2; j++)
    for (int i = 0; i < 2; i++) all.push_back({i, j, 0}), all.push_back({i, j, 1});
  return {
      {"closed patch", closed, 2, 2, {{2, 2, 0}, {2, 2, 1}, {3, 2, 0}, {3, 2, 1}, {2, 3, 0}, {2, 3, 1}, {3, 3, 0}, {3, 3, 1}}},
      {"patches touching at a vertex", corner, 0, 0, {{0, 0, 0}, {0, 0, 1}}},
      {"free edges, no boundary edge", free, 1, 1, all},
  };
}

TEST_F(EditCore, TheFillChangesExactlyThePatchAroundTheStart) {
  for (const FillCase &c : FillCases()) {
    SCOPED_TRACE(c.what);
    open(c.layout);
    std::set<int> inside;
    for (const auto &t : c.inside) inside.insert(tri(t[0], t[1], t[2]));
    const int before = ent(KmfTriangles)->NbrLst;
    std::string out = CaptureText([&] { EXPECT_EQ(zel_chgreftri(s_, tri(c.i, c.j, 0), 9), 1); }).Out;
    EXPECT_EQ(ofRef(9), inside);
    EXPECT_CONTAINS(out, "  ******** DONE  ");
    const int rec = RecordOfRef(s_, KmfTriangles, 9);
    EXPECT_EQ(rec, before + 1);
    EXPECT_EQ(drawn(rec), inside.size());
    EXPECT_TRUE(ChainsSound(s_, KmfTriangles));
  }
}

TEST_F(EditCore, WalksCrossNoDeletedBandQuadrilateralOrFileEdgeAndNeverTouchEntryZero) {
  SurfaceLayout s;  // one reference everywhere: columns 4 and 5 are quadrilaterals
  s.nx = 6, s.ny = 3, s.quadFrom = 4;
  s.lines = {{0, 2, 1, 2}};
  open(s);
  std::vector<int> band = {tri(1, 0, 0), tri(1, 0, 1), tri(1, 1, 0), tri(1, 1, 1), tri(1, 2, 0), tri(1, 2, 1)};
  ASSERT_EQ(zelDeleteTriangles(s_, &ent(KmfTriangles)->DspLst[1], band.data(), 6), ZelEditDone);
  // Entry 0 looks like a live triangle of the patch's reference, with neighbours.
  Triangle poison;
  std::memset(&poison, 0x5a, sizeof poison);
  poison.Ref = 1;
  poison.Tag = TAG_ALIVE;
  msh()->Tri[0] = poison;
  const std::set<int> patch = {tri(0, 0, 0), tri(0, 0, 1), tri(0, 1, 0), tri(0, 1, 1)};

  std::set<int> right;  // columns 2 and 3, beside the quadrilaterals (numbered 1 to 6)
  for (int j = 0; j < 3; j++)
    for (int i : {2, 3}) right.insert({tri(i, j, 0), tri(i, j, 1)});
  std::vector<int> sel;
  zelDelimAreaTri(msh(), s_->Mem, tri(0, 0, 0), sel);
  EXPECT_EQ(asSet(sel), patch);
  CaptureStdout();
  EXPECT_EQ(zel_chgreftri(s_, tri(3, 2, 0), 8), 1);
  EXPECT_EQ(ofRef(8), right);
  EXPECT_EQ(zel_chgreftri(s_, tri(0, 1, 0), 9), 1);
  GetCapturedStdout();
  EXPECT_EQ(ofRef(9), patch);
  for (int q = 1; q <= msh()->NbrQua; q++) EXPECT_EQ(msh()->Qua[q].Ref, 1);
  EXPECT_EQ(zel_chgreftri(s_, band[0], 8), 0);  // a deleted start
  EXPECT_EQ(std::memcmp(&msh()->Tri[0], &poison, sizeof poison), 0);
  EXPECT_TRUE(ChainsSound(s_, KmfTriangles));
}

TEST_F(EditCore, TheSameReferenceIsSilentAndTwoPatchesShareOneNewRecord) {
  SurfaceLayout s = FillCases()[0].layout;
  open(s);
  const int before = ent(KmfTriangles)->NbrLst;
  Captured same = CaptureText([&] { EXPECT_EQ(zel_chgreftri(s_, tri(0, 0, 0), 1), 1); });
  EXPECT_EQ(same.Out, "");
  EXPECT_EQ(ent(KmfTriangles)->NbrLst, before);
  CaptureStdout();
  zel_chgreftri(s_, tri(2, 2, 0), 9);
  zel_chgreftri(s_, tri(0, 0, 0), 9);
  const std::string second = GetCapturedStdout();
  EXPECT_EQ(ent(KmfTriangles)->NbrLst, before + 1);
  EXPECT_CONTAINS(second, " iNewList " + std::to_string(before + 1));
  EXPECT_EQ(ofRef(9).size(), size_t(msh()->NbrTri));
  EXPECT_EQ(Chain(s_, KmfTriangles, before + 1).size(), size_t(msh()->NbrTri));
  EXPECT_TRUE(Chain(s_, KmfTriangles, 1).empty());
  EXPECT_TRUE(ChainsSound(s_, KmfTriangles));
}

TEST_F(EditCore, AFullRecordArrayRefusesANewReferenceAndChangesNothing) {
  open(Mixed());
  ZelEntity *e = ent(KmfTriangles);
  e->MaxNbrLst = e->NbrLst;
  const std::set<int> ones = ofRef(1);
  const int t = tri(0, 0, 0);
  EXPECT_EQ(zel_chgreftri(s_, t, 9), 0);
  EXPECT_EQ(zelEditChangeRef(s_, KmfTriangles, &t, 1, 9, "x"), ZelEditNoRoom);
  EXPECT_EQ(ofRef(1), ones);
  EXPECT_EQ(e->NbrLst, e->MaxNbrLst);
  // An existing reference still has its record.
  EXPECT_EQ(zelEditChangeRef(s_, KmfTriangles, &t, 1, 2, "x"), ZelEditDone);
  EXPECT_TRUE(ChainsSound(s_, KmfTriangles));
}

TEST_F(EditCore, TheMoveTakesElementsFromEveryOldRecordAndLeavesThoseAlreadyThere) {
  open(Mixed());
  const int r1 = RecordOfRef(s_, KmfTriangles, 1), r2 = RecordOfRef(s_, KmfTriangles, 2);
  const std::vector<int> chain2 = Chain(s_, KmfTriangles, r2);
  std::vector<int> sel;
  zelDelimAreaTri(msh(), s_->Mem, tri(0, 0, 0), sel);  // references 1 and 2
  ASSERT_EQ(zelEditChangeRef(s_, KmfTriangles, sel.data(), int(sel.size()), 2, "x"), ZelEditDone);
  EXPECT_TRUE(Chain(s_, KmfTriangles, r1).empty());
  const std::vector<int> now = Chain(s_, KmfTriangles, r2);
  EXPECT_EQ(now.size(), 24u);
  EXPECT_TRUE(std::equal(chain2.begin(), chain2.end(), now.end() - chain2.size()));  // stayed, in order
  EXPECT_EQ(drawn(r1), 0u);
  EXPECT_EQ(drawn(r2), 24u);
  // A new reference: a new record holding the moved elements in reverse chain order.
  const int n = ent(KmfTriangles)->NbrLst;
  ASSERT_EQ(zelEditChangeRef(s_, KmfTriangles, sel.data(), 3, 11, "x"), ZelEditDone);
  std::vector<int> expect;
  for (int e : now)
    if (std::count(sel.begin(), sel.begin() + 3, e)) expect.insert(expect.begin(), e);
  EXPECT_EQ(Chain(s_, KmfTriangles, n + 1), expect);
  // The same reference again moves nothing.
  ASSERT_EQ(zelEditChangeRef(s_, KmfTriangles, sel.data(), 3, 11, "x"), ZelEditDone);
  EXPECT_EQ(Chain(s_, KmfTriangles, n + 1), expect);
  for (int kind : {KmfTriangles, KmfQuadrilaterals, KmfEdges}) {
    const int one = 1;
    zelEditChangeRef(s_, kind, &one, 1, 40, "x");
    EXPECT_TRUE(ChainsSound(s_, kind)) << kind;
  }
}

TEST_F(EditCore, AMissingReferenceHashEndsTheProgramWithTheCallersMessage) {
  open(Mixed());
  GeoHybridHashTable *hash = ent(KmfTriangles)->HshRef;
  ent(KmfTriangles)->HshRef = nullptr;
  const int t = 1;
  EXPECT_EXIT(zelEditChangeRef(s_, KmfTriangles, &t, 1, 9, " ZEL_CHGREFBOX: HASHTAB FULL CANNOT ADD"),
              testing::ExitedWithCode(100), "ZEL_CHGREFBOX: HASHTAB FULL CANNOT ADD");
  EXPECT_EXIT(zel_chgreftri(s_, t, 9), testing::ExitedWithCode(100), "ZEL_CHGREFTRI: HASHTAB FULL CANNOT ADD");
  ent(KmfTriangles)->HshRef = hash;
}

TEST_F(EditCore, AnAddedEdgeJoinsItsSideAndRefusesSidesThatHaveOne) {
  open(Mixed());
  const int t = tri(1, 1, 0), a = msh()->Tri[t].Ver[0], b = msh()->Tri[t].Ver[1];
  const int n = msh()->NbrEfr;
  const Triangle zero = msh()->Tri[0];
  CaptureStdout();
  ASSERT_EQ(zel_addefr(s_, t, 2, 12, 1), 1);
  EXPECT_EQ(zel_addefr(s_, t, 2, 12, 1), 0);
  const int lower = tri(1, 0, 1);  // the triangle across (a, b), below
  const int freeSide = tri(0, 0, 0);  // its edge 2 lies on y = 0, a free edge
  ASSERT_EQ(zel_addefr(s_, freeSide, 2, 12, 0), 1);
  GetCapturedStdout();
  const BdyEdge &e = msh()->Efr[n + 1];
  EXPECT_EQ((std::array<int, 2>{e.Ver[0], e.Ver[1]}), (std::array<int, 2>{a, b}));
  EXPECT_EQ((std::array<int, 2>{e.Tri[0], e.Tri[1]}), (std::array<int, 2>{t, lower}));
  EXPECT_EQ(e.Tag, TAG_ALIVE | TAG_VISIBLE | 1u);
  EXPECT_EQ(msh()->NbrEfr, n + 2);
  EXPECT_EQ(msh()->Efr[n + 2].Tri[1], 0);
  int marked = 0;
  for (int i = 0; i < 3; i++)
    if (msh()->Tri[lower].Tag & TagEdgeMark(i)) {
      marked++;
      EXPECT_EQ(msh()->Tri[lower].Voi[i], n + 1);
    }
  EXPECT_EQ(marked, 1);
  EXPECT_EQ(std::memcmp(&msh()->Tri[0], &zero, sizeof zero), 0);
  EXPECT_EQ(zelTriNeighbour(msh(), t, 2), 0);  // the walks now stop there
  EXPECT_TRUE(ChainsSound(s_, KmfEdges));
}

TEST_F(EditCore, DetectedEdgesJoinTheEndOfTheirRecordAndTheirSides) {
  open(Mixed());
  const int t = tri(0, 0, 0), u = tri(0, 0, 1);  // they share the diagonal (v(0,0), v(1,1))
  const ZelEdgeCandidate c[2] = {{{1, 11}, {0, 0}, {t, u}}, {{2, 11}, {0, 0}, {t, 0}}};
  const int n = msh()->NbrEfr, rec = RecordOfRef(s_, KmfEdges, 7);
  ZelEntity *e = ent(KmfEdges);
  e->MaxNbrLst = e->NbrLst;  // a known reference needs no new record
  msh()->MaxNbrEfr = n;      // and the edge array grows
  CaptureStderr();
  ASSERT_EQ(zelAddBdyEdges(s_, c, 2, 7, 1), ZelEditDone);
  EXPECT_CONTAINS(GetCapturedStderr(), "REALLOC BDYEDGES " + std::to_string(n + 2));
  const std::vector<int> chain = Chain(s_, KmfEdges, rec);
  EXPECT_EQ(std::vector<int>(chain.end() - 2, chain.end()), (std::vector<int>{n + 1, n + 2}));
  EXPECT_EQ(msh()->Tri[t].Voi[1], n + 1);  // edge 1 of (v00, v10, v11) is (v11, v00)
  EXPECT_EQ(msh()->Tri[u].Voi[2], n + 1);
  EXPECT_TRUE(msh()->Efr[n + 1].Tag & TAG_RIDGE);
  EXPECT_TRUE(msh()->GeoFlags & GEO_RIDGES);
  EXPECT_EQ(zelAddBdyEdges(s_, c, 2, 99, 0), ZelEditNoRoom);
  EXPECT_EQ(msh()->NbrEfr, n + 2);
  EXPECT_TRUE(ChainsSound(s_, KmfEdges));
}

TEST_F(EditCore, DeletingHidesTheRecordAndDrawsNoDeletedTriangle) {
  open(Mixed());
  const int rec = RecordOfRef(s_, KmfTriangles, 1);
  const std::vector<int> chain = Chain(s_, KmfTriangles, rec);
  const int count = msh()->NbrTri;
  ASSERT_EQ(zelDeleteTriangles(s_, &ent(KmfTriangles)->DspLst[rec], chain.data(), int(chain.size())), ZelEditDone);
  EXPECT_EQ(ent(KmfTriangles)->DspLst[rec].Head, 0);
  EXPECT_TRUE(ent(KmfTriangles)->DspLst[rec].Flags & ZelLstHidden);
  EXPECT_EQ(drawn(rec), 0u);
  EXPECT_EQ(msh()->NbrTri, count);
  for (int t : chain) EXPECT_EQ(msh()->Tri[t].Tag & (TAG_ALIVE | TAG_VISIBLE), 0u);
  EXPECT_TRUE(ChainsSound(s_, KmfTriangles));
}

TEST_F(EditCore, VertexTypesSetTheirMarksAndNoTypeClearsOnlyThose) {
  open(Mixed());
  const uint32_t base = msh()->Ver[5].Tag;
  const struct {
    int row;
    uint32_t tag, flags, display;
  } rows[] = {{1, base | 4, GEO_CORNERS, 0x800000},
              {2, base | 4 | 0x40000003, GEO_CORNERS | GEO_REQ_VERTICES, 0x1800000},
              {0, base, GEO_CORNERS | GEO_REQ_VERTICES, 0x1800000}};
  for (const auto &r : rows) {
    EXPECT_EQ(zelSetVertexType(s_, 5, r.row), ZelEditDone);
    EXPECT_EQ(msh()->Ver[5].Tag, r.tag) << r.row;
    EXPECT_EQ(msh()->GeoFlags & 3, r.flags) << r.row;
    EXPECT_EQ(s_->Flags & 0x1800000, r.display) << r.row;
  }
  EXPECT_EQ(zelSetVertexType(s_, msh()->NbrVer + 1, 1), ZelEditNothing);
  EXPECT_EQ(zelSetVertexType(s_, 0, 0), ZelEditNothing);
}

// What lies across each side of every live triangle, found by looking at every live element:
// a live boundary edge on the side's two vertices (the side is marked and names it, and the
// edge, unless it names no triangle as one read from a file, names the triangle), else another live triangle or a quadrilateral holding them (named,
// of its kind, naming the triangle back), else nothing (0, no kind). The mismatches, as text.
std::vector<std::string> SideMismatches(const Geometric_Mesh *m) {
  std::vector<std::string> errs;
  const auto has = [](const int *ver, int n, int u, int w) {
    return std::count(ver, ver + n, u) && std::count(ver, ver + n, w);
  };
  // The local side of a face with n corners joining u and w: triangles name side i after
  // the corner opposite it, quadrilaterals after their first corner.
  const auto sideOf = [](const int *ver, int n, int u, int w) {
    for (int i = 0; i < n; i++) {
      const int p = n == 3 ? ver[(i + 1) % 3] : ver[i], q = n == 3 ? ver[(i + 2) % 3] : ver[(i + 1) % 4];
      if ((p == u && q == w) || (p == w && q == u)) return i;
    }
    return -1;
  };
  for (int t = 1; t <= m->NbrTri; t++) {
    const Triangle &tri = m->Tri[t];
    if (!(tri.Tag & TAG_ALIVE)) continue;
    for (int i = 0; i < 3; i++) {
      const int u = tri.Ver[(i + 1) % 3], w = tri.Ver[(i + 2) % 3];
      int voi = 0, kind = VOI_NONE, back = -1;
      for (int e = 1; e <= m->NbrEfr && !voi; e++)
        if ((m->Efr[e].Tag & TAG_ALIVE) && has(m->Efr[e].Ver, 2, u, w))
          voi = e, kind = VOI_EFR,
          back = !m->Efr[e].Tri[0] && !m->Efr[e].Tri[1]                ? VOI_TRI  // an edge read from a file
                 : std::count(m->Efr[e].Tri, m->Efr[e].Tri + 2, t) ? VOI_TRI
                                                                    : -1;
      for (int o = 1; o <= m->NbrTri && !voi; o++)
        if (o != t && (m->Tri[o].Tag & TAG_ALIVE) && has(m->Tri[o].Ver, 3, u, w)) {
          const int j = sideOf(m->Tri[o].Ver, 3, u, w);
          voi = o, kind = VOI_TRI, back = m->Tri[o].Voi[j] == t ? VoiTypGet(m->Tri[o].VoiTyp, j) : -1;
        }
      for (int q = 1; q <= m->NbrQua && !voi; q++)
        if ((m->Qua[q].Tag & TAG_ALIVE) && sideOf(m->Qua[q].Ver, 4, u, w) >= 0) {
          const int j = sideOf(m->Qua[q].Ver, 4, u, w);
          voi = q, kind = VOI_QUA, back = m->Qua[q].Voi[j] == t ? VoiTypGet(m->Qua[q].VoiTyp, j) : -1;
        }
      const bool marked = tri.Tag & TagEdgeMark(i);
      if (tri.Voi[i] != voi || VoiTypGet(tri.VoiTyp, i) != kind || marked != (kind == VOI_EFR) ||
          (voi && back != VOI_TRI))
        errs.push_back("triangle " + std::to_string(t) + " side " + std::to_string(i) + ": neighbour " +
                       std::to_string(tri.Voi[i]) + " of kind " + std::to_string(VoiTypGet(tri.VoiTyp, i)) +
                       (marked ? ", marked" : "") + "; across lies " + std::to_string(voi) + " of kind " +
                       std::to_string(kind) + (voi && back != VOI_TRI ? ", which does not name it back" : ""));
    }
  }
  return errs;
}

// The swap of side i of live triangle t with the triangle across it.
ZelSwapSelection SwapAcross(const Geometric_Mesh *m, int t, int i) {
  const Triangle &a = m->Tri[t], &u = m->Tri[a.Voi[i]];
  const int b = a.Ver[(i + 1) % 3], c = a.Ver[(i + 2) % 3];
  int d = 0;
  for (int v : u.Ver)
    if (v != b && v != c) d = v;
  return {{t, a.Voi[i]}, a.Ver[i], b, c, d};
}

// The swap of the diagonal of square (i, j): the two new triangles, and every side of every
// live triangle, lead to what lies across (a triangle, a quadrilateral, a boundary edge or
// nothing) with its kind, and back. Later edits across the new triangles' sides work: the walk
// from either reaches the same patch as from an old neighbour, a boundary edge added across a
// side marks both triangles, a second swap across a side leaves every side sound again.
TEST_F(EditCore, ASwapLeavesItsTwoTrianglesKnowingWhatLiesAcrossEachSide) {
  const struct {
    const char *what;
    int i, j;
    size_t patch;  // triangles the walk reaches
  } rows[] = {{"triangles all round", 1, 0, 24},
              {"a quadrilateral on the right, a boundary edge above", 5, 1, 24},
              {"free edges on the left and below", 0, 0, 24}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    open(Mixed());
    EXPECT_NO_MISMATCH(SideMismatches(msh()));
    const int t1 = tri(r.i, r.j, 0), t2 = tri(r.i, r.j, 1), n = msh()->NbrTri;
    const int *v = msh()->Tri[t1].Ver;  // (v(i,j), v(i+1,j), v(i+1,j+1)): a = v1, b = v2, c = v0
    const int d = msh()->Tri[t2].Ver[2];
    const ZelSwapSelection sel{{t1, t2}, v[1], v[2], v[0], d};
    EXPECT_EQ(zelSwapTriangles(s_, ZelSwapSelection{{t1, t1}, v[1], v[2], v[0], d}, 1), ZelEditNothing);
    ASSERT_EQ(zelSwapTriangles(s_, sel, 1), ZelEditDone);
    ASSERT_EQ(msh()->NbrTri, n + 2);
    EXPECT_EQ(msh()->Tri[t1].Tag & TAG_ALIVE, 0u);
    const Triangle &a = msh()->Tri[n + 1], &b = msh()->Tri[n + 2];
    EXPECT_EQ((std::array<int, 3>{a.Ver[0], a.Ver[1], a.Ver[2]}), (std::array<int, 3>{sel.A, sel.B, d}));
    EXPECT_EQ((std::array<int, 3>{b.Ver[0], b.Ver[1], b.Ver[2]}), (std::array<int, 3>{sel.C, sel.A, d}));
    EXPECT_NO_MISMATCH(SideMismatches(msh()));
    EXPECT_TRUE(ChainsSound(s_, KmfTriangles));

    for (int t : {n + 1, n + 2}) {
      std::vector<int> area;
      zelDelimAreaTri(msh(), s_->Mem, t, area);
      EXPECT_EQ(area.size(), r.patch) << "walk from " << t;
      EXPECT_EQ(asSet(area).count(t1) + asSet(area).count(t2), 0u);
    }
    // The new triangles' sides that lead to old triangles: the first takes a boundary edge,
    // the last a second swap.
    std::vector<std::pair<int, int>> across;
    for (int t : {n + 1, n + 2})
      for (int i = 0; i < 3; i++)
        if (zelTriNeighbour(msh(), t, i) && msh()->Tri[t].Voi[i] <= n) across.push_back({t, i});
    ASSERT_GE(across.size(), 2u);
    const auto [et, ei] = across.front();
    const int other = msh()->Tri[et].Voi[ei];
    CaptureStdout();
    EXPECT_EQ(zel_addefr(s_, et, ei, 7, 0), 1);
    GetCapturedStdout();
    EXPECT_EQ(msh()->Efr[msh()->NbrEfr].Tri[1], other);
    EXPECT_NO_MISMATCH(SideMismatches(msh()));
    const auto [st, si] = across.back();
    ASSERT_EQ(zelSwapTriangles(s_, SwapAcross(msh(), st, si), 1), ZelEditDone);
    EXPECT_NO_MISMATCH(SideMismatches(msh()));
    EXPECT_TRUE(ChainsSound(s_, KmfTriangles));
  }
}

}  // namespace
