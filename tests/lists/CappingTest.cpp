// The cap of cut volumes, headless: the unit cube as one hexahedron under every numbering of
// its vertices and as six tetrahedra, cut by planes whose sections are known; the split of
// the hexahedron; corner values; and the empty, refused and overflowing cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/lists/ClipFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelCapping.h"
#include "zelvane/lists/ZelClip.h"
#include "zelvane/lists/ZelHexSplit.h"
#include "zelvane/scene/ZelPalette.h"

namespace {

using Vec = std::array<double, 3>;

Vec sub(const Vec &a, const Vec &b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec cross(const Vec &a, const Vec &b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec &a, const Vec &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const Vec &a) { return std::sqrt(dot(a, a)); }

// Corner of the unit cube at position p of a hexahedron (0-1-2-3 bottom, 4-7 above).
Vec cubeCorner(int p) {
  static const int c[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                              {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  return {double(c[p][0]), double(c[p][1]), double(c[p][2])};
}

// A plane, the area of its section of the unit cube, in mesh units.
struct PlaneCase {
  const char *What;
  double Pla[4];
  double Area;
};
const PlaneCase Planes[] = {
    {"z = 0.5", {0, 0, 1, -0.5}, 1.0},
    {"x = y", {1, -1, 0, 0}, std::sqrt(2.0)},
    {"x + y + z = 1.5", {1, 1, 1, -1.5}, 3 * std::sqrt(3.0) / 4},
    {"z = 0, the bottom face", {0, 0, 1, 0}, 1.0},
    {"z = 1, above everything", {0, 0, 1, -1}, 0.0},
};

// Checks every piece of the cap against the plane (corners on it, normals along it, unit
// length) and returns the summed area in mesh units.
double checkCap(const GLMesh *cap, const ClipScene &cs, const PlaneCase &pc) {
  const Vec n = {pc.Pla[0], pc.Pla[1], pc.Pla[2]};
  const double inv = cs.Scene.InvDmaxSca;
  double area = 0;
  auto piece = [&](const float *P, int corners, const float *nor) {
    std::vector<Vec> q;
    for (int k = 0; k < corners; k++) {
      Vec m = {cs.meshCoord(P + 3 * k, 0), cs.meshCoord(P + 3 * k, 1), cs.meshCoord(P + 3 * k, 2)};
      EXPECT_NEAR(dot(n, m) + pc.Pla[3], 0, 1e-6 * norm(n)) << pc.What << " corner " << k;
      q.push_back({P[3 * k], P[3 * k + 1], P[3 * k + 2]});
    }
    // Vector area of the polygon in corner order: corners that do not run around the section
    // would cancel part of it.
    Vec sum = {0, 0, 0};
    for (int k = 0; k < corners; k++) {
      Vec c = cross(q[k], q[(k + 1) % corners]);
      for (int i = 0; i < 3; i++) sum[i] += c[i];
    }
    double a = 0.5 * norm(sum) / (inv * inv);
    area += a;
    if (a > 1e-9) {
      Vec nn = {nor[0], nor[1], nor[2]};
      EXPECT_NEAR(norm(nn), 1, 1e-6) << pc.What;
      EXPECT_NEAR(norm(cross(nn, n)) / norm(n), 0, 1e-5) << pc.What << " normal across the plane";
    }
  };
  for (int t = 0; t < cap->NbrTri; t++) piece(cap->TriCrd + 9 * t, 3, cap->TriNor + 3 * t);
  for (int q = 0; q < cap->NbrQua; q++) piece(cap->QuaCrd + 12 * q, 4, cap->QuaNor + 3 * q);
  return area;
}

class Capping : public ::testing::Test {
 protected:
  void TearDown() override {
    if (msh) FreeCommonMesh(mem, msh);
    FreeMemory(mem);
  }
  // Every element visible, chained in order in one display record.
  void chainAll(int count, uint32_t *(*tag)(Geometric_Mesh *, int)) {
    links.assign(static_cast<size_t>(count) + 2, ZelLink{});
    for (int e = 1; e <= count; e++) {
      *tag(msh, e) |= TAG_VISIBLE;
      links[e].Nxt = e < count ? e + 1 : 0;
    }
  }
  // Marks the plane (as plane 0 of the scene) and builds the cap of the whole chain.
  GLMesh *capOf(int kind, const double pla[4], ZelPalette *pal = nullptr) {
    cs->setPlane(0, pla[0], pla[1], pla[2], pla[3]);
    Function_Interface fi;
    DefaultFunInterface(&fi, mem, nullptr, "CLIPPING");
    EXPECT_EQ(zelSetPlaneClipBody(&fi, &cs->Scene, 0), 1);
    GLMesh *cap = reinterpret_cast<GLMesh *>(1);
    EXPECT_EQ(zel_cappingmesh(kind, 1, pla, pal, msh, cs->ZelMsh.get(), links.data(), &cap), 1);
    return cap;
  }
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *msh = nullptr;
  std::unique_ptr<ClipScene> cs;
  std::vector<ZelLink> links;
};

uint32_t *tetTag(Geometric_Mesh *m, int e) { return &m->Tet[e].Tag; }
uint32_t *hexTag(Geometric_Mesh *m, int e) { return &m->Hex[e].Tag; }

TEST_F(Capping, SixTetrahedraOfTheCubeCapExactlyTheSection) {
  msh = MakeStructuredMesh(mem, 1, 1, 1, GEN_TET);
  cs.reset(new ClipScene(msh, 0.7));
  chainAll(msh->NbrTet, tetTag);
  CaptureStdout();
  for (const PlaneCase &pc : Planes) {
    GLMesh *cap = capOf(ZelCapTetrahedra, pc.Pla);
    ASSERT_NE(cap, nullptr);
    EXPECT_EQ(cap->TriSol, nullptr);
    EXPECT_EQ(cap->QuaSol, nullptr);
    EXPECT_NEAR(checkCap(cap, *cs, pc), pc.Area, 1e-6) << pc.What;
    if (pc.Area == 0) {
      EXPECT_EQ(cap->NbrTri + cap->NbrQua, 0) << pc.What;
    }
    for (int t = 0; t < cap->NbrTri; t++) EXPECT_TRUE(msh->Tet[cap->TriSrc[t]].Tag & TAG_CLIPPED);
    zel_freeGLMesh(cap);
  }
  std::string out = GetCapturedStdout();
  EXPECT_EQ(out.find("enlarge"), std::string::npos) << out;
}

TEST_F(Capping, OneHexahedronUnderEveryNumberingCapsExactlyTheSection) {
  msh = MakeStructuredMesh(mem, 1, 1, 1, GEN_HEX);
  cs.reset(new ClipScene(msh, 0.7));
  chainAll(msh->NbrHex, hexTag);
  CaptureStdout();
  // Through the whole road once: marking, the record's chain, capacities of 6n + 6.
  for (const PlaneCase &pc : Planes) {
    GLMesh *cap = capOf(ZelCapHexahedra, pc.Pla);
    ASSERT_NE(cap, nullptr);
    EXPECT_EQ(cap->MaxNbrTri, pc.Area == 0 ? 6 : 12);
    EXPECT_NEAR(checkCap(cap, *cs, pc), pc.Area, 1e-6) << pc.What;
    zel_freeGLMesh(cap);
  }
  // Then every numbering of the eight vertices, so that every rotation and every split
  // occurs: the split fills the cube and the cap is the section.
  GLMesh *cap = zel_allocGLMesh(7, 7, 0);
  std::array<int, 8> perm = {1, 2, 3, 4, 5, 6, 7, 8};
  int numberings = 0, fives = 0;
  do {
    for (int p = 0; p < 8; p++) {
      msh->Hex[1].Ver[p] = perm[p];
      Vec c = cubeCorner(p);
      for (int i = 0; i < 3; i++) msh->Ver[perm[p]].Crd[i] = c[i];
    }
    cs->updateCrd();
    int tet[6][4];
    int n = zelSplitHexahedron(msh->Hex[1].Ver, tet);
    fives += n == 5;
    double volume = 0;
    for (int t = 0; t < n; t++) {
      Vec a = cubeCorner(tet[t][0]);
      double v = dot(sub(cubeCorner(tet[t][1]), a),
                     cross(sub(cubeCorner(tet[t][2]), a), sub(cubeCorner(tet[t][3]), a))) /
                 6;
      EXPECT_GT(v, 0) << "numbering " << numberings << " tetrahedron " << t;
      volume += v;
    }
    EXPECT_NEAR(volume, 1, 1e-12);
    for (const PlaneCase &pc : Planes) {
      cap->NbrTri = cap->NbrQua = 0;
      zel_cappinghex(pc.Pla, nullptr, msh, cs->ZelMsh.get(), 1, msh->Hex[1].Ver, cap);
      EXPECT_NEAR(checkCap(cap, *cs, pc), pc.Area, 1e-6) << pc.What << " numbering " << numberings;
    }
    numberings++;
  } while (std::next_permutation(perm.begin(), perm.end()) && !HasFailure());
  zel_freeGLMesh(cap);
  EXPECT_EQ(numberings, 40320);
  EXPECT_GT(fives, 0);
  EXPECT_LT(fives, numberings);
  std::string out = GetCapturedStdout();
  EXPECT_EQ(out.find("enlarge"), std::string::npos);
}

// The split as given, row by row: the iso-surfaces of neighbouring hexahedra rely on it.
TEST(HexSplit, KnownNumberingsTakeTheirRows) {
  struct Case {
    int Ver[8];
    int Count;
    int Tet[6][4];
  } cases[] = {
      // Smallest first, two diagonals through the opposite corner: row 2.
      {{1, 2, 3, 4, 5, 6, 7, 8},
       6,
       {{0, 4, 5, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 1, 2, 5}, {0, 3, 6, 2}, {0, 6, 5, 2}}},
      // No diagonal through the opposite corner: the five tetrahedra of row 0.
      {{1, 6, 2, 7, 8, 3, 9, 4},
       5,
       {{0, 1, 2, 5}, {0, 2, 7, 5}, {0, 2, 3, 7}, {0, 5, 7, 4}, {2, 7, 5, 6}}},
      // Smallest at position 6: turned by row 6 (6 5 4 7 2 1 0 3), then row 2.
      {{9, 8, 7, 6, 5, 4, 1, 3},
       6,
       {{6, 2, 1, 0}, {6, 7, 3, 0}, {6, 3, 2, 0}, {6, 5, 4, 1}, {6, 7, 0, 4}, {6, 0, 1, 4}}},
      // Ties go to the first position; all three diagonals: row 3.
      {{1, 1, 5, 5, 5, 5, 2, 5},
       6,
       {{0, 2, 3, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 5, 6, 4}, {1, 5, 6, 0}, {1, 6, 2, 0}}},
  };
  for (const Case &c : cases) {
    int tet[6][4];
    ASSERT_EQ(zelSplitHexahedron(c.Ver, tet), c.Count) << c.Ver[0];
    for (int t = 0; t < c.Count; t++)
      for (int k = 0; k < 4; k++) EXPECT_EQ(tet[t][k], c.Tet[t][k]) << "tetrahedron " << t;
  }
}

TEST_F(Capping, CornerValuesFollowTheVertexField) {
  msh = MakeStructuredMesh(mem, 2, 2, 2, GEN_TET | GEN_HEX);
  const int types[1] = {SOL_SCALAR};
  msh->SolAtVer = NewCommonSolution(mem, msh->NbrVer, 1, 1, types);
  std::vector<double> sol(static_cast<size_t>(msh->NbrVer) + 1);
  for (int v = 1; v <= msh->NbrVer; v++) sol[v] = msh->Ver[v].Crd[0];
  ZelPalette pal{};
  pal.Sol = sol.data();
  pal.NbrSol = msh->NbrVer;
  cs.reset(new ClipScene(msh, 0.25));
  const double pla[4] = {1, 2, 3, -5.3};
  struct Kind {
    int Cap, Count;
    uint32_t *(*Tag)(Geometric_Mesh *, int);
  } kinds[] = {{ZelCapTetrahedra, msh->NbrTet, tetTag}, {ZelCapHexahedra, msh->NbrHex, hexTag}};
  for (const Kind &k : kinds) {
    chainAll(k.Count, k.Tag);
    GLMesh *cap = capOf(k.Cap, pla, &pal);
    ASSERT_NE(cap->TriSol, nullptr);
    ASSERT_NE(cap->QuaSol, nullptr);
    EXPECT_GT(cap->NbrTri + cap->NbrQua, 0);
    for (int t = 0; t < cap->NbrTri; t++)
      for (int c = 0; c < 3; c++)
        EXPECT_NEAR(cap->TriSol[3 * t + c], cs->meshCoord(cap->TriCrd + 9 * t + 3 * c, 0), 1e-5);
    for (int q = 0; q < cap->NbrQua; q++)
      for (int c = 0; c < 4; c++)
        EXPECT_NEAR(cap->QuaSol[4 * q + c], cs->meshCoord(cap->QuaCrd + 12 * q + 3 * c, 0), 1e-5);
    zel_freeGLMesh(cap);
  }
  // A palette of another kind of field gives no per-vertex values: the corners carry 0.
  msh->SolAtVer = FreeCommonSolution(mem, msh->SolAtVer);
  GLMesh *cap = capOf(ZelCapHexahedra, pla, &pal);
  ASSERT_GT(cap->NbrTri + cap->NbrQua, 0);
  for (int t = 0; t < 3 * cap->NbrTri; t++) EXPECT_EQ(cap->TriSol[t], 0.0f);
  for (int q = 0; q < 4 * cap->NbrQua; q++) EXPECT_EQ(cap->QuaSol[q], 0.0f);
  zel_freeGLMesh(cap);
}

TEST_F(Capping, EmptyRefusedAndOverflowingCaps) {
  msh = MakeStructuredMesh(mem, 1, 1, 1, GEN_TET);
  cs.reset(new ClipScene(msh));
  chainAll(msh->NbrTet, tetTag);
  const double miss[4] = {1, 0, 0, -5};
  GLMesh *cap = capOf(ZelCapTetrahedra, miss);
  ASSERT_NE(cap, nullptr);
  EXPECT_EQ(cap->NbrTri + cap->NbrQua, 0);
  EXPECT_EQ(cap->MaxNbrTri, 1);
  zel_freeGLMesh(cap);

  ZelMesh *zm = cs->ZelMsh.get();
  const double pla[4] = {0, 0, 1, -0.5};
  cap = reinterpret_cast<GLMesh *>(1);
  EXPECT_EQ(zel_cappingmesh(ZelCapTetrahedra, 1, nullptr, nullptr, msh, zm, links.data(), &cap), 0);
  EXPECT_EQ(cap, nullptr);
  CaptureStdout();
  cap = reinterpret_cast<GLMesh *>(1);
  EXPECT_EQ(zel_cappingmesh(6, 1, pla, nullptr, msh, zm, links.data(), &cap), 1);
  EXPECT_EQ(cap, nullptr);
  EXPECT_EQ(GetCapturedStdout(), " zel_capping undefined for type 6 \n");
  cap = reinterpret_cast<GLMesh *>(1);
  EXPECT_EQ(zel_cappingmesh(ZelCapTetrahedra, 1, pla, nullptr, msh, zm, nullptr, &cap), 0);
  EXPECT_EQ(cap, nullptr);

  // Arrays that cannot be had: no cap at all.
  EXPECT_EQ(zel_allocGLMesh(std::numeric_limits<int>::max(), 1, 1), nullptr);
  EXPECT_EQ(zel_freeGLMesh(nullptr), 0);

  // A vertex whose signed value is not a number: that tetrahedron gives nothing.
  GLMesh *small = zel_allocGLMesh(3, 3, 0);
  int ver[4] = {msh->Tet[1].Ver[0], msh->Tet[1].Ver[1], msh->Tet[1].Ver[2], msh->Tet[1].Ver[3]};
  const double nan[4] = {0, 0, std::numeric_limits<double>::quiet_NaN(), -0.5};
  zel_cappingtet(nan, nullptr, msh, zm, 1, ver, small);
  EXPECT_EQ(small->NbrTri + small->NbrQua, 0);
  // A full cap drops the piece and says so.
  small->MaxNbrTri = small->MaxNbrQua = 1;
  CaptureStdout();
  for (int e = 1; e <= msh->NbrTet; e++)
    zel_cappingtet(pla, nullptr, msh, zm, e, msh->Tet[e].Ver, small);
  std::string out = GetCapturedStdout();
  EXPECT_EQ(small->NbrTri + small->NbrQua, 0);
  EXPECT_NE(out.find(" capping: enlarge tri space 0-1 \n"), std::string::npos) << out;
  EXPECT_NE(out.find(" capping: enlarge quad space 0-1  \n"), std::string::npos) << out;
  zel_freeGLMesh(small);
}

}  // namespace
