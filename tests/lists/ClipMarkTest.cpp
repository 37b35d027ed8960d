// Marking against a clip plane: the rule of every kind on small cases, the refusals, and the
// same tag words from one thread and from eight while the topology thread is still building.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "tests/lists/ClipFixture.h"
#include "tests/support/StructuredMesh.h"
#include "tests/support/TopoReference.h"
#include "zelvane/lists/ZelClip.h"

namespace {

const uint32_t Junk = 0x05A5A5A5;  // bits the marking must leave alone

// The twelve marked kinds with their node counts, and the second-order form of each linear
// kind that has one.
struct KindInfo {
  int Kind, Nodes, Quad;
};
const KindInfo Kinds[] = {
    {KmfTriangles, 3, KmfTrianglesP2},
    {KmfQuadrilaterals, 4, KmfQuadrilateralsQ2},
    {KmfEdges, 2, KmfEdgesP2},
    {KmfTetrahedra, 4, KmfTetrahedraP2},
    {KmfHexahedra, 8, KmfHexahedraQ2},
    {KmfPyramids, 5, 0},
    {KmfPrisms, 6, 0},
    {KmfTrianglesP2, 6, 0},
    {KmfQuadrilateralsQ2, 9, 0},
    {KmfEdgesP2, 3, 0},
    {KmfTetrahedraP2, 10, 0},
    {KmfHexahedraQ2, 27, 0},
};

int countOf(const Geometric_Mesh *m, int kind) {
  switch (kind) {
    case KmfTriangles:
      return m->NbrTri;
    case KmfQuadrilaterals:
      return m->NbrQua;
    case KmfEdges:
      return m->NbrEfr;
    case KmfTetrahedra:
      return m->NbrTet;
    case KmfHexahedra:
      return m->NbrHex;
    case KmfPyramids:
      return m->NbrPyr;
    case KmfPrisms:
      return m->NbrPri;
    case KmfTrianglesP2:
      return m->NbrP2Tri;
    case KmfQuadrilateralsQ2:
      return m->NbrP2Qua;
    case KmfEdgesP2:
      return m->NbrP2Efr;
    case KmfTetrahedraP2:
      return m->NbrP2Tet;
    case KmfHexahedraQ2:
      return m->NbrP2Hex;
    default:
      return m->NbrVer;
  }
}

// Tag word and node list of element i of a kind (vertices: kind 4, no nodes).
uint32_t *tagOf(Geometric_Mesh *m, int kind, int i) {
  switch (kind) {
    case KmfTriangles:
      return &m->Tri[i].Tag;
    case KmfQuadrilaterals:
      return &m->Qua[i].Tag;
    case KmfEdges:
      return &m->Efr[i].Tag;
    case KmfTetrahedra:
      return &m->Tet[i].Tag;
    case KmfHexahedra:
      return &m->Hex[i].Tag;
    case KmfPyramids:
      return &m->Pyr[i].Tag;
    case KmfPrisms:
      return &m->Pri[i].Tag;
    case KmfTrianglesP2:
      return &m->P2Tri[i].Tag;
    case KmfQuadrilateralsQ2:
      return &m->P2Qua[i].Tag;
    case KmfEdgesP2:
      return &m->P2Efr[i].Tag;
    case KmfTetrahedraP2:
      return &m->P2Tet[i].Tag;
    case KmfHexahedraQ2:
      return &m->P2Hex[i].Tag;
    default:
      return &m->Ver[i].Tag;
  }
}
int *nodesOf(Geometric_Mesh *m, int kind, int i) {
  switch (kind) {
    case KmfTriangles:
      return m->Tri[i].Ver;
    case KmfQuadrilaterals:
      return m->Qua[i].Ver;
    case KmfEdges:
      return m->Efr[i].Ver;
    case KmfTetrahedra:
      return m->Tet[i].Ver;
    case KmfHexahedra:
      return m->Hex[i].Ver;
    case KmfPyramids:
      return m->Pyr[i].Ver;
    case KmfPrisms:
      return m->Pri[i].Ver;
    case KmfTrianglesP2:
      return m->P2Tri[i].Ver;
    case KmfQuadrilateralsQ2:
      return m->P2Qua[i].Ver;
    case KmfEdgesP2:
      return m->P2Efr[i].Ver;
    case KmfTetrahedraP2:
      return m->P2Tet[i].Ver;
    default:
      return m->P2Hex[i].Ver;
  }
}
const KindInfo &infoOf(int kind) {
  for (const KindInfo &k : Kinds)
    if (k.Kind == kind) return k;
  return Kinds[0];
}

// Every tag word of the mesh: vertices, then the twelve arrays.
std::vector<uint32_t> allTags(Geometric_Mesh *m) {
  std::vector<uint32_t> out;
  for (int i = 1; i <= m->NbrVer; i++) out.push_back(TagAtomicLoad(&m->Ver[i].Tag));
  for (const KindInfo &k : Kinds)
    for (int i = 1; i <= countOf(m, k.Kind); i++) out.push_back(TagAtomicLoad(tagOf(m, k.Kind, i)));
  return out;
}

double sideZ(char c) { return c == 'P' ? 1.0 : c == 'N' ? -1.0 : 0.0; }

// One element of the rule table: the sides of its corners (P above the plane z = 0, Z on it,
// N below), optionally the sides its second-order form's mid-nodes are moved to, and the bit
// expected for the linear element and for its second-order form.
struct RuleRow {
  int Kind;
  const char *Sides;
  const char *Mid;  // null: mid-nodes stay at the centres of what they stand on
  int Lin, Quad;
};

const RuleRow Rules[] = {
    {KmfTriangles, "PPP", nullptr, 1, 1},
    {KmfTriangles, "NNZ", nullptr, 0, 0},
    {KmfTriangles, "ZZZ", "ZZP", 0, 1},  // a mid-node alone reaches the positive side
    {KmfTriangles, "NNP", nullptr, 1, 1},
    {KmfQuadrilaterals, "NNNP", nullptr, 1, 1},
    {KmfQuadrilaterals, "NZNZ", "NNNNP", 0, 1},
    {KmfEdges, "PP", nullptr, 0, 0},
    {KmfEdges, "PZ", nullptr, 1, 1},
    {KmfEdges, "NN", nullptr, 1, 1},
    {KmfEdges, "PP", "Z", 0, 1},
    {KmfTetrahedra, "PPPZ", nullptr, 1, 1},
    {KmfTetrahedra, "PPPP", nullptr, 0, 0},
    {KmfTetrahedra, "NZNZ", nullptr, 0, 0},
    {KmfTetrahedra, "PNNN", nullptr, 1, 1},
    {KmfTetrahedra, "NNNN", "NNNNNP", 0, 1},
    {KmfPyramids, "NNNNP", nullptr, 1, 0},
    {KmfPyramids, "PPPPP", nullptr, 0, 0},
    {KmfPrisms, "ZZZZZZ", nullptr, 0, 0},
    {KmfPrisms, "ZZZZZP", nullptr, 1, 0},
    {KmfHexahedra, "PPPPPPPP", nullptr, 0, 0},
    {KmfHexahedra, "NNNNNNNP", nullptr, 1, 1},
    {KmfHexahedra, "ZZZZZZZZ", nullptr, 0, 0},
    {KmfHexahedra, "PPPPPPPP", "PPPPPPPPPPPPPPPPPPZ", 0, 1},  // the centre node on the plane
};

// Vertices by themselves: a coordinate, the bit before the marking and the bit after.
struct VertexRow {
  double X, Z;
  int Before, After;
};
const double NaN = std::numeric_limits<double>::quiet_NaN();
const VertexRow Vertices[] = {
    {0, 1, 0, 1},    {0, 0, 1, 0},   {0, -1, 1, 0},  {0, 1e-300, 0, 1},
    {0, -0.0, 1, 0}, {NaN, 1, 1, 1}, {NaN, 1, 0, 0},  // a NaN coordinate keeps the side it had
};

// The rows' linear mesh, each element on vertices of its own, then the lone vertices.
Geometric_Mesh *ruleMesh(Memory_List *mem) {
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  for (const RuleRow &r : Rules) {
    siz[r.Kind]++;
    siz[KmfVertices] += static_cast<int>(strlen(r.Sides));
  }
  siz[KmfTriangles] += 2;  // two more whose nodes are broken after the copy
  siz[KmfVertices] += 6 + static_cast<int>(sizeof(Vertices) / sizeof(Vertices[0]));
  siz[KmfFileType] = FILE_TYPE_KMF;
  Geometric_Mesh *m = NewCommonMesh(mem, siz.data());
  m->Dim = 3;
  auto addVertex = [&](double x, double y, double z) {
    Vertex &v = m->Ver[++m->NbrVer];
    v = Vertex{};
    v.Crd[0] = x, v.Crd[1] = y, v.Crd[2] = z;
    v.Tag = TAG_ALIVE;
    return m->NbrVer;
  };
  auto addElement = [&](int kind, const char *sides) {
    int &n = kind == KmfTriangles        ? m->NbrTri
             : kind == KmfQuadrilaterals ? m->NbrQua
             : kind == KmfEdges          ? m->NbrEfr
             : kind == KmfTetrahedra     ? m->NbrTet
             : kind == KmfHexahedra      ? m->NbrHex
             : kind == KmfPyramids       ? m->NbrPyr
                                         : m->NbrPri;
    n++;
    *tagOf(m, kind, n) = TAG_ALIVE;
    for (int k = 0; sides[k]; k++) nodesOf(m, kind, n)[k] = addVertex(n, k, sideZ(sides[k]));
  };
  for (const RuleRow &r : Rules) addElement(r.Kind, r.Sides);
  addElement(KmfTriangles, "PPP");
  addElement(KmfTriangles, "NNN");
  for (const VertexRow &v : Vertices) addVertex(v.X, 0, v.Z);
  return m;
}

TEST(ClipMarking, EveryKindFollowsItsRuleAndNoOtherBitMoves) {
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *lin = ruleMesh(mem);
  Geometric_Mesh *quad = MakeSecondOrderCopy(mem, lin);
  ASSERT_NE(quad, nullptr);
  // Second-order kinds are marked in the copy, the others in the linear mesh.
  auto isQuad = [](int kind) {
    for (const KindInfo &k : Kinds)
      if (k.Quad == kind) return true;
    return false;
  };

  // Row i is element i of its kind in both forms; move the mid-nodes the rows ask for.
  std::vector<int> rowIdx;
  std::vector<int> seen(64, 0);
  for (const RuleRow &r : Rules) {
    rowIdx.push_back(++seen[r.Kind]);
    if (!r.Mid) continue;
    const KindInfo &k = infoOf(r.Kind);
    int *nodes = nodesOf(quad, k.Quad, rowIdx.back());
    for (int j = 0; r.Mid[j]; j++) quad->Ver[nodes[k.Nodes + j]].Crd[2] = sideZ(r.Mid[j]);
  }
  int broken[2] = {seen[KmfTriangles] + 1, seen[KmfTriangles] + 2};
  lin->Tri[broken[0]].Ver[2] = lin->NbrVer + 1;  // a node past the vertices
  lin->Tri[broken[1]].Ver[0] = 0;
  const int lone = static_cast<int>(sizeof(Vertices) / sizeof(Vertices[0]));
  const int firstLone = lin->NbrVer - lone + 1;  // the lone vertices close the linear mesh

  ClipScene linScene(lin), quadScene(quad);
  for (ClipScene *cs : {&linScene, &quadScene}) {
    for (int p = 0; p < ZelMaxPlanes; p++) cs->setPlane(p, 1, 0, 0, -1e9);  // all negative
    cs->setPlane(3, 0, 0, 1, 0);
  }
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "CLIPPING");

  for (int before = 0; before <= 1; before++) {
    uint32_t clip = before ? TAG_CLIPPED : 0u;
    for (Geometric_Mesh *m : {lin, quad}) {
      for (const KindInfo &k : Kinds)
        for (int i = 1; i <= countOf(m, k.Kind); i++)
          *tagOf(m, k.Kind, i) = TAG_ALIVE | Junk | clip;
      for (int v = 1; v <= m->NbrVer; v++) m->Ver[v].Tag = TAG_ALIVE | Junk | clip;
    }
    for (int j = 0; j < lone; j++)
      lin->Ver[firstLone + j].Tag = TAG_ALIVE | Junk | (Vertices[j].Before ? TAG_CLIPPED : 0u);
    for (ClipScene *cs : {&linScene, &quadScene}) {
      fi.ErrCod = 55;
      ASSERT_EQ(zelSetPlaneClipBody(&fi, &cs->Scene, 3), 1);
      EXPECT_EQ(fi.ErrCod, 0);
    }

    auto expectBit = [&](int kind, int i, int want, const std::string &what) {
      uint32_t tag = *tagOf(isQuad(kind) ? quad : lin, kind, i);
      EXPECT_EQ((tag & TAG_CLIPPED) != 0, want != 0) << what << " first bits " << before;
      EXPECT_EQ(tag & ~TAG_CLIPPED, TAG_ALIVE | Junk) << what;
    };
    for (size_t r = 0; r < sizeof(Rules) / sizeof(Rules[0]); r++) {
      const RuleRow &row = Rules[r];
      std::string what = std::string("row ") + std::to_string(r) + " " + row.Sides;
      expectBit(row.Kind, rowIdx[r], row.Lin, what + " linear");
      if (int q = infoOf(row.Kind).Quad) expectBit(q, rowIdx[r], row.Quad, what + " second order");
    }
    for (int j = 0; j < lone; j++)
      expectBit(KmfVertices, firstLone + j, Vertices[j].After, "vertex row " + std::to_string(j));
    // Elements with a node outside the mesh keep their bit; their second-order forms are whole.
    expectBit(KmfTriangles, broken[0], before, "node past the vertices");
    expectBit(KmfTriangles, broken[1], before, "node 0");
    expectBit(KmfTrianglesP2, broken[0], 1, "whole P2 of a broken triangle");
  }
  FreeCommonMesh(mem, lin);
  FreeCommonMesh(mem, quad);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

TEST(ClipMarking, RefusalsLeaveEveryBitAlone) {
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 2, 2, 2, GEN_TET | GEN_TRI);
  ClipScene cs(msh);
  cs.setPlane(0, 1, 0, 0, -1);
  const std::vector<uint32_t> tags = allTags(msh);
  Function_Interface fi, kept;
  DefaultFunInterface(&fi, mem, nullptr, "CLIPPING");
  fi.ErrCod = 77;
  kept = fi;

  EXPECT_EQ(zelSetPlaneClipBody(&fi, nullptr, 0), 0);
  EXPECT_EQ(memcmp(&fi, &kept, sizeof(fi)), 0) << "a null scene leaves the interface as it was";

  struct Case {
    const char *What;
    bool Mesh;
    int Plane;
  } cases[] = {{"no mesh", false, 0}, {"plane 32", true, 32}, {"plane -1", true, -1}};
  for (const Case &c : cases) {
    cs.Scene.Msh = c.Mesh ? msh : nullptr;
    fi.ErrCod = 0;
    EXPECT_EQ(zelSetPlaneClipBody(&fi, &cs.Scene, c.Plane), 0) << c.What;
    EXPECT_EQ(fi.ErrCod, ERR_BAD_DATA) << c.What;
    EXPECT_EQ(allTags(msh), tags) << c.What;
  }
  fi.ErrCod = 0;
  EXPECT_EQ(zelUpdateClipAllEntities(&fi, nullptr), 0);
  EXPECT_EQ(fi.ErrCod, ERR_BAD_DATA);

  // Without planes no vertex moves, but the elements follow the vertices' bits.
  cs.Scene.Msh = msh;
  for (int v = 1; v <= msh->NbrVer; v++) msh->Ver[v].Tag |= TAG_CLIPPED;
  cs.ZelMsh->Pla = nullptr;
  EXPECT_EQ(zelSetPlaneClipBody(&fi, &cs.Scene, 0), 1);
  for (int v = 1; v <= msh->NbrVer; v++) EXPECT_TRUE(msh->Ver[v].Tag & TAG_CLIPPED);
  for (int i = 1; i <= msh->NbrTri; i++) EXPECT_TRUE(msh->Tri[i].Tag & TAG_CLIPPED);
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}

const double ThreadPlanes[3][4] = {{1, 0, 0, -500}, {0.0011, 1, 0.37, -0.8}, {1, 1, 1, -300.5}};

// A box of every linear kind, each array above the pool's thresholds, and its second-order
// copy. Both are marked for the three planes again and again while their topology threads
// build, then waited for: the final words hold the last plane's bits and the threads' face
// bits.
std::vector<uint32_t> markWhileTopologyBuilds(Memory_List *mem, int threads) {
  Geometric_Mesh *lin = MakeStructuredMesh(
      mem, 1001, 1, 1, GEN_HEX | GEN_TET | GEN_PRI | GEN_PYR | GEN_QUA | GEN_TRI | GEN_EFR);
  Geometric_Mesh *quad = MakeSecondOrderCopy(mem, lin);
  Function_Interface topo, fi;
  DefaultFunInterface(&topo, mem, nullptr, "TOPOLOGY");
  DefaultFunInterface(&fi, mem, NewMthParallel(threads, 0, 0), "CLIPPING");
  std::vector<uint32_t> tags;
  for (Geometric_Mesh *msh : {lin, quad}) {
    ClipScene cs(msh);
    for (int p = 0; p < 3; p++) {
      const double *q = ThreadPlanes[p];
      cs.setPlane(p, q[0], q[1], q[2], q[3]);
    }
    SetupGeoMesh(&topo, msh);
    int rounds = 0;
    do {
      for (int p = 0; p < 3; p++) EXPECT_EQ(zelSetPlaneClipBody(&fi, &cs.Scene, p), 1);
    } while (!TopoDoneLoad(msh) && ++rounds < 1000);
    EXPECT_TRUE(WaitTopoDone(msh));
    // The last plane cuts through every array, so both values of the bit are compared.
    for (int kind : {KmfVertices, KmfTriangles, KmfQuadrilaterals, KmfEdges, KmfTetrahedra,
                     KmfHexahedra, KmfPyramids, KmfPrisms, KmfTrianglesP2, KmfQuadrilateralsQ2,
                     KmfEdgesP2, KmfTetrahedraP2, KmfHexahedraQ2}) {
      int on = 0, n = countOf(msh, kind);
      if (n == 0) continue;
      EXPECT_GE(n, 1001) << kind;
      for (int i = 1; i <= n; i++) on += (*tagOf(msh, kind, i) & TAG_CLIPPED) != 0;
      EXPECT_GT(on, 0) << kind;
      EXPECT_LT(on, n) << kind;
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
  std::vector<uint32_t> one = markWhileTopologyBuilds(mem, 1);
  std::vector<uint32_t> eight = markWhileTopologyBuilds(mem, 8);
  ASSERT_EQ(one.size(), eight.size());
  size_t differ = 0;
  for (size_t i = 0; i < one.size(); i++) differ += one[i] != eight[i];
  EXPECT_EQ(differ, 0u);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

}  // namespace
