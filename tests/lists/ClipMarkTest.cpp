// Marking against a clip plane: the rule of every kind on small cases, the refusals, and the
// same tag words from one thread and from eight while the topology thread is still building.

#include <cstring>
#include <iterator>

#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "tests/lists/ClipFixture.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/TopoReference.h"

namespace {

const uint32_t Junk = 0x05A5A5A5;  // bits the marking must leave alone
const int Marked[13] = {KmfVertices,    KmfTriangles, KmfQuadrilaterals,   KmfEdges,
                        KmfTetrahedra,  KmfHexahedra, KmfPyramids,         KmfPrisms,
                        KmfTrianglesP2, KmfEdgesP2,   KmfQuadrilateralsQ2, KmfTetrahedraP2,
                        KmfHexahedraQ2};
const double ZeroZ[4] = {0, 0, 1, 0}, Far[4] = {1, 0, 0, -1e9};

std::vector<uint32_t> allTags(Geometric_Mesh *m) {
  std::vector<uint32_t> out;
  for (int kind : Marked)
    for (int i = 1; i <= zelElems(m, kind).Count; i++) out.push_back(*zelElems(m, kind).tag(i));
  return out;
}

double sideZ(char c) { return c == 'P' ? 1.0 : c == 'N' ? -1.0 : 0.0; }

// One element: its kind and second-order kind (0: none), the sides of its corners against
// z = 0 (P above, Z on it, N below), the sides its second-order form's mid-nodes are moved to
// (null: they stay at their centres), and the bits expected for both forms.
struct RuleRow {
  int Kind, Quad;
  const char *Sides, *Mid;
  int Lin, Bit2;
};
const RuleRow Rules[] = {
    {KmfTriangles, KmfTrianglesP2, "PPP", nullptr, 1, 1},
    {KmfTriangles, KmfTrianglesP2, "NNZ", nullptr, 0, 0},
    {KmfTriangles, KmfTrianglesP2, "ZZZ", "ZZP", 0, 1},  // a mid-node alone is positive
    {KmfQuadrilaterals, KmfQuadrilateralsQ2, "NZNZ", "NNNNP", 0, 1},
    {KmfEdges, KmfEdgesP2, "PP", nullptr, 0, 0},
    {KmfEdges, KmfEdgesP2, "PZ", nullptr, 1, 1},
    {KmfEdges, KmfEdgesP2, "PP", "Z", 0, 1},
    {KmfTetrahedra, KmfTetrahedraP2, "PPPZ", nullptr, 1, 1},
    {KmfTetrahedra, KmfTetrahedraP2, "PPPP", nullptr, 0, 0},
    {KmfTetrahedra, KmfTetrahedraP2, "NZNZ", "NNNNNP", 0, 1},
    {KmfPyramids, 0, "NNNNP", nullptr, 1, 0},
    {KmfPrisms, 0, "ZZZZZZ", nullptr, 0, 0},
    {KmfHexahedra, KmfHexahedraQ2, "PPPPPPPP", "PPPPPPPPPPPPPPPPPPZ", 0, 1},  // centre node
};
// Vertices by themselves: x, z, the bit before and the bit after.
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Lone[][4] = {{0, 1, 0, 1},    {0, 0, 1, 0},   {0, -1, 1, 0},
                          {0, -0.0, 1, 0}, {NaN, 1, 1, 1}, {NaN, 1, 0, 0}};

TEST(ClipMarking, EveryKindFollowsItsRuleAndNoOtherBitMoves) {
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *lin = NewRoomyMesh(mem, 3,
                                     {{KmfVertices, 100},
                                      {KmfTriangles, 5},
                                      {KmfQuadrilaterals, 1},
                                      {KmfEdges, 3},
                                      {KmfTetrahedra, 3},
                                      {KmfPyramids, 1},
                                      {KmfPrisms, 1},
                                      {KmfHexahedra, 1}});
  std::vector<int> elt;  // element number of each row, in both forms
  for (const RuleRow &r : Rules) {
    elt.push_back(AddElement(lin, r.Kind, {}, 0));
    int *nodes = const_cast<int *>(zelElems(lin, r.Kind).ver(elt.back()));
    for (int k = 0; r.Sides[k]; k++) nodes[k] = AddVertex(lin, elt.size(), k, sideZ(r.Sides[k]));
  }
  int broken[2] = {AddElement(lin, KmfTriangles, {1, 2, 3}, 0),
                   AddElement(lin, KmfTriangles, {1, 2, 3}, 0)};
  const int lone = lin->NbrVer + 1;
  for (const auto &v : Lone) AddVertex(lin, v[0], 0, v[1]);
  Geometric_Mesh *quad = MakeSecondOrderCopy(mem, lin);
  for (size_t r = 0; r < elt.size(); r++) {
    ZelElems q = zelElems(quad, Rules[r].Quad);
    for (int j = 0; Rules[r].Mid && Rules[r].Mid[j]; j++)
      quad->Ver[q.ver(elt[r])[q.NbrCor + j]].Crd[2] = sideZ(Rules[r].Mid[j]);
  }
  lin->Tri[broken[0]].Ver[2] = lin->NbrVer + 1;  // a node past the vertices
  lin->Tri[broken[1]].Ver[0] = 0;

  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "CLIPPING");
  for (int before = 0; before <= 1; before++) {
    for (Geometric_Mesh *m : {lin, quad}) {
      for (int kind : Marked)
        for (int i = 1; i <= zelElems(m, kind).Count; i++)
          *zelElems(m, kind).tag(i) = TAG_ALIVE | Junk | (before ? TAG_CLIPPED : 0u);
      ClipScene cs(m);
      for (int p = 0; p < ZelMaxPlanes; p++) cs.setPlane(p, p == 3 ? ZeroZ : Far);
      if (m == lin)
        for (size_t j = 0; j < std::size(Lone); j++)
          lin->Ver[lone + j].Tag = TAG_ALIVE | Junk | (Lone[j][2] ? TAG_CLIPPED : 0u);
      fi.ErrCod = 55;
      ASSERT_EQ(zelSetPlaneClipBody(&fi, &cs.Scene, 3), 1);
      EXPECT_EQ(fi.ErrCod, 0);
    }
    auto expectBit = [&](Geometric_Mesh *m, int kind, int i, int want, const std::string &what) {
      uint32_t tag = *zelElems(m, kind).tag(i);
      EXPECT_EQ(tag, TAG_ALIVE | Junk | (want ? TAG_CLIPPED : 0u))
          << what << ", bits before " << before;
    };
    for (size_t r = 0; r < elt.size(); r++) {
      expectBit(lin, Rules[r].Kind, elt[r], Rules[r].Lin, "row " + std::to_string(r));
      if (Rules[r].Quad)
        expectBit(quad, Rules[r].Quad, elt[r], Rules[r].Bit2, "P2 row " + std::to_string(r));
    }
    for (size_t j = 0; j < std::size(Lone); j++)
      expectBit(lin, KmfVertices, lone + j, Lone[j][3], "vertex " + std::to_string(j));
    // An element with a node outside the mesh keeps its bit.
    expectBit(lin, KmfTriangles, broken[0], before, "node past the vertices");
    expectBit(lin, KmfTriangles, broken[1], before, "node 0");
  }
  FreeCommonMesh(mem, lin);
  FreeCommonMesh(mem, quad);
  FreeMemory(mem);
}

TEST(ClipMarking, RefusalsLeaveEveryBitAlone) {
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 2, 2, 2, GEN_TET | GEN_TRI);
  ClipScene cs(msh);
  cs.setPlane(0, Far);
  const std::vector<uint32_t> tags = allTags(msh);
  Function_Interface fi, kept;
  DefaultFunInterface(&fi, mem, nullptr, "CLIPPING");
  fi.ErrCod = 77;
  kept = fi;
  EXPECT_EQ(zelSetPlaneClipBody(&fi, nullptr, 0), 0);
  EXPECT_EQ(memcmp(&fi, &kept, sizeof(fi)), 0) << "a null scene leaves the interface as it was";
  // No mesh, and plane indices a state file or an embedding caller could hand over.
  for (int plane : {0, 32, -1}) {
    cs.Scene.Msh = plane == 0 ? nullptr : msh;
    fi.ErrCod = 0;
    EXPECT_EQ(zelSetPlaneClipBody(&fi, &cs.Scene, plane), 0) << plane;
    EXPECT_EQ(fi.ErrCod, ERR_BAD_DATA) << plane;
    EXPECT_EQ(allTags(msh), tags) << plane;
  }
  EXPECT_EQ(zelUpdateClipAllEntities(&fi, nullptr), 0);
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}

// A box of every linear kind, each array above the pool's thresholds, and its second-order
// copy, marked for three planes again and again while their topology threads build; then the
// threads are waited for: the words hold the last plane's bits and the face bits.
std::vector<uint32_t> markWhileTopologyBuilds(Memory_List *mem, int threads) {
  const double planes[3][4] = {{1, 0, 0, -500}, {0.0011, 1, 0.37, -0.8}, {1, 1, 1, -300.5}};
  Geometric_Mesh *lin = MakeStructuredMesh(
      mem, 1001, 1, 1, GEN_HEX | GEN_TET | GEN_PRI | GEN_PYR | GEN_QUA | GEN_TRI | GEN_EFR);
  Geometric_Mesh *quad = MakeSecondOrderCopy(mem, lin);
  Function_Interface topo, fi;
  DefaultFunInterface(&topo, mem, nullptr, "TOPOLOGY");
  DefaultFunInterface(&fi, mem, NewMthParallel(threads, 0, 0), "CLIPPING");
  std::vector<uint32_t> tags;
  for (Geometric_Mesh *msh : {lin, quad}) {
    ClipScene cs(msh);
    for (int p = 0; p < 3; p++) cs.setPlane(p, planes[p]);
    SetupGeoMesh(&topo, msh);
    int rounds = 0;
    do {
      for (int p = 0; p < 3; p++) EXPECT_EQ(zelSetPlaneClipBody(&fi, &cs.Scene, p), 1);
    } while (!TopoDoneLoad(msh) && ++rounds < 1000);
    EXPECT_TRUE(WaitTopoDone(msh));
    for (int kind : Marked) {  // the last plane cuts every array: both bit values compared
      ZelElems e = zelElems(msh, kind);
      int on = 0;
      for (int i = 1; i <= e.Count; i++) on += (*e.tag(i) & TAG_CLIPPED) != 0;
      EXPECT_TRUE(e.Count == 0 || (e.Count >= 1001 && on > 0 && on < e.Count)) << kind;
    }
    std::vector<uint32_t> words = allTags(msh);
    tags.insert(tags.end(), words.begin(), words.end());
  }
  FreeMthParallel(fi.Par);
  FreeCommonMesh(mem, lin);
  FreeCommonMesh(mem, quad);
  return tags;
}

TEST(ClipMarking, OneThreadAndEightThreadsWriteTheSameWords) {
  Memory_List *mem = NewMemory(1000);
  EXPECT_TRUE(markWhileTopologyBuilds(mem, 1) == markWhileTopologyBuilds(mem, 8));
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

}  // namespace
