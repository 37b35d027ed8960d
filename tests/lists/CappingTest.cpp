// The cap of cut volumes, headless: the unit cube as six tetrahedra and as one hexahedron
// under every numbering of its vertices, cut by planes whose sections are known; the split of
// the hexahedron; corner values; and the empty and refused cases.

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "tests/lists/ClipFixture.h"
#include "tests/support/CaptureText.h"
#include "zelvane/lists/ZelCapping.h"
#include "zelvane/lists/ZelHexSplit.h"
#include "zelvane/scene/ZelPalette.h"

namespace {

using Vec = std::array<double, 3>;
Vec cross(const Vec &a, const Vec &b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec &a, const Vec &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double norm(const Vec &a) { return std::sqrt(dot(a, a)); }
Vec vec(const float *p) { return {p[0], p[1], p[2]}; }

// Corner p of the unit cube as a hexahedron numbers it (0-1-2-3 at z = 0, 4-7 above).
Vec cubeCorner(int p) {
  return {double(p % 4 == 1 || p % 4 == 2), double(p % 4 >= 2), double(p >= 4)};
}

// Planes with the area of their section of the unit cube, in mesh units.
struct PlaneCase {
  const char *What;
  double Pla[4], Area;
};
const PlaneCase Planes[] = {
    {"z = 0.5", {0, 0, 1, -0.5}, 1.0},
    {"x = y", {1, -1, 0, 0}, std::sqrt(2.0)},
    {"x + y + z = 1.5", {1, 1, 1, -1.5}, 3 * std::sqrt(3.0) / 4},
    {"z = 0, the bottom face", {0, 0, 1, 0}, 1.0},
    {"z = 1, above everything", {0, 0, 1, -1}, 0.0},
};

// Checks every piece against the plane (corners on it; unit normals along it when the piece
// has an area, turned like its corners toward the side the view cuts away, so that a section
// is lit alike all over) and returns the summed area in mesh units.
double checkCap(const GLMesh *cap, const ClipScene &cs, const PlaneCase &pc) {
  const Vec n = {pc.Pla[0], pc.Pla[1], pc.Pla[2]};
  const double inv2 = cs.Scene.InvDmaxSca * cs.Scene.InvDmaxSca;
  double area = 0;
  auto piece = [&](const float *P, int corners, const float *nor) {
    Vec sum = {0, 0, 0};  // vector area: corners that do not run around the section cancel
    for (int k = 0; k < corners; k++) {
      const float *a = P + 3 * k;
      EXPECT_NEAR(dot(n, {cs.meshCoord(a, 0), cs.meshCoord(a, 1), cs.meshCoord(a, 2)}) + pc.Pla[3],
                  0, 1e-6);
      Vec c = cross(vec(a), vec(P + 3 * ((k + 1) % corners)));
      for (int i = 0; i < 3; i++) sum[i] += c[i] / 2 / inv2;
    }
    area += norm(sum);
    if (norm(sum) > 1e-9) {
      EXPECT_NEAR(norm(cross(vec(nor), n)) / norm(n) + std::fabs(norm(vec(nor)) - 1), 0, 1e-5);
      EXPECT_GT(dot(vec(nor), n), 0);
      EXPECT_GT(dot(sum, n), 0);
    }
  };
  for (int t = 0; t < cap->NbrTri; t++) piece(cap->TriCrd + 9 * t, 3, cap->TriNor + 3 * t);
  for (int q = 0; q < cap->NbrQua; q++) piece(cap->QuaCrd + 12 * q, 4, cap->QuaNor + 3 * q);
  return area;
}

// A generated box of tetrahedra or hexahedra, all visible and chained in one record.
struct CapBox {
  Memory_List *Mem = NewMemory(1000);
  Geometric_Mesh *Msh;
  std::unique_ptr<ClipScene> Cs;
  std::vector<ZelLink> Links;
  ZelElems Vol;
  int Kind;

  CapBox(int n, unsigned gen, double inv)
      : Msh(MakeStructuredMesh(Mem, n, n, n, gen)), Cs(new ClipScene(Msh, inv)) {
    Vol = zelElems(Msh, gen == GEN_TET ? KmfTetrahedra : KmfHexahedra);
    Kind = gen == GEN_TET ? ZelCapTetrahedra : ZelCapHexahedra;
    Links.assign(Vol.Count + 1, ZelLink{});
    for (int i = 1; i <= Vol.Count; i++)
      *Vol.tag(i) |= TAG_VISIBLE, Links[i].Nxt = i < Vol.Count ? i + 1 : 0;
  }
  ~CapBox() {
    FreeCommonMesh(Mem, Msh);
    FreeMemory(Mem);
  }
  // Marks the plane and builds the cap of the whole chain.
  GLMesh *cap(const double pla[4], ZelPalette *pal = nullptr) {
    Cs->setPlane(0, pla);
    Function_Interface fi;
    DefaultFunInterface(&fi, Mem, nullptr, "CLIPPING");
    EXPECT_EQ(zelSetPlaneClipBody(&fi, &Cs->Scene, 0), 1);
    GLMesh *cap = reinterpret_cast<GLMesh *>(1);
    EXPECT_EQ(zel_cappingmesh(Kind, 1, pla, pal, Msh, Cs->ZelMsh.get(), Links.data(), &cap), 1);
    return cap;
  }
};

// With the palette's values equal to x, a corner's value is its x; without palette, none.
TEST(Capping, CubeAsSixTetrahedraOrOneHexahedronCapsExactlyTheSection) {
  CaptureStdout();
  for (unsigned gen : {GEN_TET, GEN_HEX}) {
    CapBox box(1, gen, 0.7);
    const int types[1] = {SOL_SCALAR};
    box.Msh->SolAtVer = NewCommonSolution(box.Mem, box.Msh->NbrVer, 1, 1, types);
    std::vector<double> x(box.Msh->NbrVer + 1);
    for (int v = 1; v <= box.Msh->NbrVer; v++) x[v] = box.Msh->Ver[v].Crd[0];
    ZelPalette pal{};
    pal.Sol = x.data(), pal.NbrSol = box.Msh->NbrVer;
    for (const PlaneCase &pc : Planes)
      for (ZelPalette *p : {static_cast<ZelPalette *>(nullptr), &pal}) {
        GLMesh *cap = box.cap(pc.Pla, p);
        EXPECT_NEAR(checkCap(cap, *box.Cs, pc), pc.Area, 1e-6) << pc.What;
        EXPECT_TRUE(pc.Area > 0 || cap->NbrTri + cap->NbrQua == 0) << pc.What;
        ASSERT_EQ(!cap->TriSol && !cap->QuaSol, !p);
        for (int k = 0; p && k < 3 * cap->NbrTri; k++)
          EXPECT_NEAR(cap->TriSol[k], box.Cs->meshCoord(cap->TriCrd + 3 * k, 0), 1e-5);
        for (int k = 0; p && k < 4 * cap->NbrQua; k++)
          EXPECT_NEAR(cap->QuaSol[k], box.Cs->meshCoord(cap->QuaCrd + 3 * k, 0), 1e-5);
        zel_freeGLMesh(cap);
      }
  }
  EXPECT_EQ(GetCapturedStdout().find("enlarge"), std::string::npos);
}

// Every numbering of the eight vertices, so that every rotation and every split occurs: the
// split fills the cube with positive tetrahedra and the cap is the section.
TEST(Capping, HexahedronUnderEveryNumbering) {
  CapBox box(1, GEN_HEX, 0.7);
  GLMesh *cap = zel_allocGLMesh(7, 7, 0);
  int *ver = box.Msh->Hex[1].Ver, numberings = 0, fives = 0;
  std::array<int, 8> perm = {1, 2, 3, 4, 5, 6, 7, 8};
  do {
    for (int p = 0; p < 8; p++)
      for (int i = 0; i < 3; i++) ver[p] = perm[p], box.Msh->Ver[perm[p]].Crd[i] = cubeCorner(p)[i];
    box.Cs->updateCrd();
    int tet[6][4], n = zelSplitHexahedron(ver, tet);
    fives += n == 5;
    double volume = 0;
    for (int t = 0; t < n; t++) {
      Vec a = cubeCorner(tet[t][0]), e[3];
      for (int k = 0; k < 3; k++)
        for (int i = 0; i < 3; i++) e[k][i] = cubeCorner(tet[t][k + 1])[i] - a[i];
      double v = dot(e[0], cross(e[1], e[2])) / 6;
      EXPECT_GT(v, 0) << numberings;
      volume += v;
    }
    EXPECT_NEAR(volume, 1, 1e-12);
    for (const PlaneCase &pc : Planes) {
      cap->NbrTri = cap->NbrQua = 0;
      zel_cappinghex(pc.Pla, nullptr, box.Msh, box.Cs->ZelMsh.get(), 1, ver, cap);
      EXPECT_NEAR(checkCap(cap, *box.Cs, pc), pc.Area, 1e-6) << pc.What << " " << numberings;
    }
    numberings++;
  } while (std::next_permutation(perm.begin(), perm.end()) && !::testing::Test::HasFailure());
  zel_freeGLMesh(cap);
  EXPECT_EQ(numberings, 40320);
  EXPECT_TRUE(fives > 0 && fives < numberings);
}

// The split row by row, as the iso-surfaces of neighbouring hexahedra rely on it.
TEST(HexSplit, KnownNumberingsTakeTheirRows) {
  struct Case {
    int Ver[8], Count, Tet[6][4];
  } cases[] = {
      // No diagonal through the corner opposite vertex 1: the five tetrahedra of row 0.
      {{1, 6, 2, 7, 8, 3, 9, 4},
       5,
       {{0, 1, 2, 5}, {0, 2, 7, 5}, {0, 2, 3, 7}, {0, 5, 7, 4}, {2, 7, 5, 6}}},
      // The smallest at position 6: turned by (6 5 4 7 2 1 0 3), then row 2.
      {{9, 8, 7, 6, 5, 4, 1, 3},
       6,
       {{6, 2, 1, 0}, {6, 7, 3, 0}, {6, 3, 2, 0}, {6, 5, 4, 1}, {6, 7, 0, 4}, {6, 0, 1, 4}}},
      // A tie goes to the first position; all three diagonals: row 3.
      {{1, 1, 5, 5, 5, 5, 2, 5},
       6,
       {{0, 2, 3, 6}, {0, 3, 7, 6}, {0, 7, 4, 6}, {0, 5, 6, 4}, {1, 5, 6, 0}, {1, 6, 2, 0}}},
  };
  for (const Case &c : cases) {
    int tet[6][4];
    ASSERT_EQ(zelSplitHexahedron(c.Ver, tet), c.Count);
    for (int t = 0; t < c.Count; t++) EXPECT_TRUE(std::equal(tet[t], tet[t] + 4, c.Tet[t])) << t;
  }
}

TEST(Capping, EmptyAndRefusedCaps) {
  CapBox box(1, GEN_TET, 1);
  const double miss[4] = {1, 0, 0, -5}, pla[4] = {0, 0, 1, -0.5};
  GLMesh *cap = box.cap(miss);
  EXPECT_TRUE(cap->NbrTri + cap->NbrQua == 0 && cap->MaxNbrTri == 1);
  zel_freeGLMesh(cap);
  // No plane, a kind without cap, no links.
  ZelMesh *zm = box.Cs->ZelMsh.get();
  for (auto [kind, p, links, result] :
       {std::make_tuple(4, (const double *)nullptr, box.Links.data(), 0),
        std::make_tuple(6, pla, box.Links.data(), 1),
        std::make_tuple(4, pla, (ZelLink *)nullptr, 0)}) {
    CaptureStdout();
    cap = reinterpret_cast<GLMesh *>(1);
    EXPECT_EQ(zel_cappingmesh(kind, 1, p, nullptr, box.Msh, zm, links, &cap), result);
    EXPECT_EQ(cap, nullptr);
    EXPECT_EQ(GetCapturedStdout(), kind == 6 ? " zel_capping undefined for type 6 \n" : "");
  }
  EXPECT_EQ(zel_allocGLMesh(std::numeric_limits<int>::max(), 1, 1), nullptr);  // arrays refused
  // A vertex whose signed value is not a number: its tetrahedra give nothing, the others do.
  box.Msh->Ver[7].Crd[2] = std::numeric_limits<double>::quiet_NaN();
  box.Cs->updateCrd();
  cap = zel_allocGLMesh(7, 7, 0);
  for (int e = 1; e <= box.Msh->NbrTet; e++)
    zel_cappingtet(pla, nullptr, box.Msh, zm, e, box.Msh->Tet[e].Ver, cap);
  EXPECT_EQ(cap->NbrTri + cap->NbrQua, 4);
  for (int k = 0; k < cap->NbrTri + cap->NbrQua; k++) {
    const int *v =
        box.Msh->Tet[k < cap->NbrTri ? cap->TriSrc[k] : cap->QuaSrc[k - cap->NbrTri]].Ver;
    EXPECT_EQ(std::count(v, v + 4, 7), 0);
  }
  zel_freeGLMesh(cap);
}

}  // namespace
