// The volume face rule over the kind tables, and the iso-surface levels and cut, without GL.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "tests/support/CaptureText.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/lists/ZelIsoSurfaces.h"
#include "zelvane/lists/ZelVolumeFaces.h"

namespace {

enum : uint32_t { V = TAG_VISIBLE, C = TAG_CLIPPED };

// Element 1 of the row's kind faces element 2 of the nibble's kind across face 0.
struct RuleCase {
  const ZelVolumeKind *K;
  bool boundary;
  int nibble;
  uint32_t nbrTag;  // besides bit 31
  int clipOn;
  uint32_t ownTag;  // besides bits 31 and 27
  float shrink;
  int topo;
  int want;
  const char *msg;
};

// Element kind of each nibble the rows use.
const int kNibbleKind[13] = {
    0,         KmfTriangles, KmfTetrahedra, 0, 0, KmfTrianglesP2, KmfQuadrilaterals, KmfQuadrilateralsQ2,
    KmfTetrahedraP2, KmfPyramids, KmfPrisms, KmfHexahedra, KmfHexahedraQ2};

}  // namespace

TEST(VolumeRule, EveryKindJudgesItsFacesByItsOwnRow) {
  const float nan = std::nanf("");
  const ZelVolumeKind *tet = &ZelTetKind, *hex = &ZelHexKind, *pri = &ZelPriKind, *pyr = &ZelPyrKind;
  const ZelVolumeKind *pt = &ZelP2TetKind, *qh = &ZelQ2HexKind;
  const RuleCase cases[] = {
      {tet, false, VOI_TET, V, 0, 0, 1, 1, 0, ""},      // a drawn neighbour covers it
      {tet, false, VOI_TET, 0, 0, 0, 1, 1, 1, ""},      // a hidden one does not
      {tet, false, VOI_TET, V, 1, C, 1, 1, 1, ""},      // neither does one the plane leaves
      {tet, false, VOI_TET, V | C, 1, C, 1, 1, 0, ""},  // a cut neighbour covers it
      {tet, false, VOI_NONE, 0, 0, 0, 1, 1, 1, ""},
      {tet, false, VOI_QUA, V, 0, 0, 1, 1, 0, " ** unknown type 6 voi for tet ! \n"},
      {tet, true, VOI_QUA, V, 0, 0, 1, 1, 0, " ** unknown type 6 voi for tet ! \n"},
      {tet, true, VOI_TRI, 0, 0, 0, 1, 1, 1, ""},      // a hidden boundary triangle
      {tet, true, VOI_TRI, V | C, 1, C, 1, 1, 1, ""},  // a cut one
      {tet, true, VOI_TRI, V, 1, C, 1, 1, 1, ""},      // no display record: nothing drawn over it
      {hex, true, VOI_TRI, V, 0, 0, 1, 1, 0, " ** unknown type 1 efr/voi for hex ! \n"},
      {hex, false, VOI_P2HEX, V, 0, 0, 1, 1, 0, ""},  // a Q2 neighbour judged by its tag
      {hex, false, VOI_P2HEX, 0, 0, 0, 1, 1, 1, ""},
      {hex, false, VOI_TET, V, 0, 0, 1, 1, 0, " ** unknown type 2 voi for hex ! \n"},
      {pri, false, VOI_P2HEX, V, 0, 0, 1, 1, 0, ""},
      {pri, true, VOI_QUA, 0, 0, 0, 1, 1, 1, ""},
      {pri, false, VOI_TRI, V, 0, 0, 1, 1, 0, " ** unknown type 1 voi for pri ! \n"},
      {pyr, true, VOI_TET, V, 0, 0, 1, 1, 0, " ** unknown type 2 efr/voi for pyr ! \n"},
      {pyr, false, VOI_HEX, V, 0, 0, 1, 1, 0, ""},
      // Shrink: tetrahedra below 1, the others at anything but 1.
      {tet, false, VOI_TET, V, 0, 0, 0.8f, 1, 1, ""},
      {tet, false, VOI_TET, V, 0, 0, 1.2f, 1, 0, ""},
      {tet, false, VOI_TET, V, 0, 0, nan, 1, 0, ""},
      {hex, false, VOI_HEX, V, 0, 0, 1.2f, 1, 1, ""},
      {pyr, false, VOI_PYR, V, 0, 0, nan, 1, 1, ""},
      // Topology not done: only cut elements while a plane is on, whatever else.
      {hex, false, VOI_NONE, 0, 0, C, 1, 0, 0, ""},
      {hex, false, VOI_NONE, 0, 1, C, 0.5f, 0, 1, ""},
      {pri, false, VOI_NONE, 0, 1, 0, 0.5f, 0, 0, ""},
      // The curved rows: P2 tetrahedra show every face at any shrink but 1, Q2 hexahedra never.
      {pt, false, VOI_P2TET, V, 0, 0, 1, 1, 0, ""},
      {pt, false, VOI_TET, 0, 0, 0, 1, 1, 1, ""},
      {pt, false, VOI_P2TET, V | C, 1, C, 1, 1, 0, ""},
      {pt, false, VOI_PRI, V, 1, C, 1, 1, 1, ""},
      {pt, true, VOI_P2TRI, 0, 0, 0, 1, 1, 1, ""},
      {pt, true, VOI_QUA, V, 0, 0, 1, 1, 0, " ** unknown type 6 efr/voi for tet ! \n"},
      {pt, false, VOI_HEX, V, 0, 0, 1, 1, 0, " ** unknown type 11 voi for tet ! \n"},
      {pt, false, VOI_P2TET, V, 0, 0, 0.5f, 1, 1, ""},
      {pt, false, VOI_P2TET, V, 0, 0, 1.2f, 1, 1, ""},
      {pt, false, VOI_P2TET, V, 0, 0, nan, 1, 1, ""},
      {pt, false, VOI_NONE, 0, 0, C, 1, 0, 0, ""},
      {qh, false, VOI_P2HEX, V, 0, 0, 0.5f, 1, 0, ""},
      {qh, false, VOI_HEX, 0, 0, 0, 1, 1, 1, ""},
      {qh, false, VOI_PYR, V | C, 1, C, 1, 1, 0, ""},
      {qh, true, VOI_P2QUA, V | C, 1, C, 1, 1, 1, ""},
      {qh, true, VOI_P2TRI, V, 0, 0, 1, 1, 0, " ** unknown type 5 efr/voi for hex ! \n"},
      {qh, false, VOI_P2TET, V, 0, 0, 1, 1, 0, " ** unknown type 8 voi for hex ! \n"},
      {qh, false, VOI_NONE, 0, 1, C, 1, 0, 1, ""},
      {qh, false, VOI_NONE, 0, 1, 0, 1, 0, 0, ""},
  };
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *msh = NewRoomyMesh(mem, 3,
                                     {{KmfVertices, 1},
                                      {KmfTetrahedra, 2},
                                      {KmfPrisms, 2},
                                      {KmfHexahedra, 2},
                                      {KmfPyramids, 2},
                                      {KmfHexahedraQ2, 2},
                                      {KmfTetrahedraP2, 2},
                                      {KmfTriangles, 2},
                                      {KmfTrianglesP2, 2},
                                      {KmfQuadrilaterals, 2},
                                      {KmfQuadrilateralsQ2, 2}});
  AddVertex(msh, 0, 0, 0);
  for (int kind : {KmfTetrahedra, KmfPrisms, KmfHexahedra, KmfPyramids, KmfHexahedraQ2, KmfTetrahedraP2,
                   KmfTriangles, KmfTrianglesP2, KmfQuadrilaterals, KmfQuadrilateralsQ2})
    for (int e = 0; e < 2; e++) AddElement(msh, kind, {1, 1, 1, 1, 1, 1, 1, 1}, 1);
  for (const RuleCase &c : cases) {
    SCOPED_TRACE(testing::Message() << c.K->Name << " nibble " << c.nibble
                                    << (c.boundary ? " boundary" : " inner") << " clip " << c.clipOn
                                    << " shrink " << c.shrink << " topo " << c.topo);
    ZelElems own = zelElems(msh, c.K->Kind);
    char *rec = own.Base + own.Stride;
    *reinterpret_cast<uint32_t *>(rec + c.K->VoiTypOff) = VoiTypSet(0, 0, c.nibble);
    reinterpret_cast<int *>(rec + c.K->VoiOff)[0] = 2;
    *own.tag(1) = TAG_ALIVE | V | c.ownTag | (c.boundary ? TagBdyFace(0) : 0u);
    if (kNibbleKind[c.nibble]) *zelElems(msh, kNibbleKind[c.nibble]).tag(2) = TAG_ALIVE | c.nbrTag;
    ZelFaceRule r;
    zelFaceRuleInit(&r, *c.K, msh, nullptr, c.shrink);
    r.Topo = c.topo, r.ClipOn = c.clipOn;
    CaptureStdout();
    EXPECT_EQ(zelFaceVisible(r, 1, 0), c.want);
    EXPECT_EQ(GetCapturedStdout(), c.msg);
  }
  // Under a shown surface record a boundary face shows only where the plane cuts that element.
  ZelLink links[3] = {};
  links[2].Grp = 1;
  ZelEntDisplayList records[2] = {};
  ZelEntity shown{};
  shown.Lnk = links, shown.DspLst = records, shown.NbrLst = 1;
  for (const uint32_t nbr : {uint32_t(V), uint32_t(V | C)}) {
    ZelElems tet = zelElems(msh, KmfTetrahedra);
    char *rec = tet.Base + tet.Stride;
    *reinterpret_cast<uint32_t *>(rec + ZelTetKind.VoiTypOff) = VoiTypSet(0, 0, VOI_TRI);
    *tet.tag(1) = TAG_ALIVE | V | C | TagBdyFace(0);
    *zelElems(msh, KmfTriangles).tag(2) = TAG_ALIVE | nbr;
    ZelFaceRule r;
    zelFaceRuleInit(&r, ZelTetKind, msh, nullptr, 1);
    r.Topo = 1, r.ClipOn = 1, r.Srf[VOI_TRI] = &shown;
    EXPECT_EQ(zelFaceVisible(r, 1, 0), nbr == uint32_t(V | C)) << nbr;
  }
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}

TEST(VolumeRule, IsoSurfaceLevelsKeepEveryAlphaVisible) {
  const struct {
    int N, k;
    float alpha;
  } cases[] = {{2, 0, 0.1f}, {2, 1, 0.2f},   {4, 0, 0.1f},   {4, 1, 0.2f},
               {4, 3, 0.6f}, {10, 0, 0.12f}, {10, 5, 0.52f}, {10, 9, 0.84f}};
  for (const auto &c : cases) {
    ZelPalette pal{};
    pal.N = c.N;
    for (int k = 0; k < c.N; k++) pal.NormIso[k] = k + 1.0f, pal.Hue[k] = 240.0f * (1 - k / float(c.N - 1));
    ZelIsoSurfLevel lv[ZelMaxIso];
    ASSERT_EQ(zelIsoSurfaceLevels(&pal, lv), c.N);
    const ZelIsoSurfLevel &l = lv[c.N - 1 - c.k];  // the last iso value comes first
    EXPECT_NEAR(l.Rgba[3], c.alpha, 1e-6) << "N " << c.N << " level " << c.k;
    // The end values moved inward by 0.001 |v| / range.
    const double moved = c.k == 0 ? 0.001 / (c.N - 1) : c.k == c.N - 1 ? -0.001 * c.N / (c.N - 1) : 0;
    EXPECT_NEAR(l.T, c.k + 1 + moved, 1e-6);
    if (c.k == 0) {
      EXPECT_NEAR(l.Rgba[0] + l.Rgba[1] + l.Rgba[2], 0.2 + 0.2 + 1.0, 1e-6);  // blue, lightened
    }
  }
  ZelPalette one{};
  one.N = 1;  // a single value moved by its zero range: no finite level, nothing cut
  ZelIsoSurfLevel lv[ZelMaxIso];
  ASSERT_EQ(zelIsoSurfaceLevels(&one, lv), 1);
  EXPECT_FALSE(std::isfinite(lv[0].T));
}

TEST(VolumeRule, IsoSurfaceCutOfOneTetrahedron) {
  const float p[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const float nan = std::nanf("");
  const struct {
    float s[4], t;
    int triangles;
    double area;  // of the first triangle
  } cases[] = {
      {{1, 1, 0, 0}, 0.5f, 2, 0.25 * std::sqrt(2.0) / 2},
      {{1, 0, 0, 0}, 0.5f, 1, std::sqrt(3.0) / 8},
      {{0, 0, 0, 0}, 0.5f, 0, 0},
      // Corner 0 on the level counts above: the quadrilateral closes on it, its first half the
      // triangle corner 0, middle of 2-1, middle of 3-1.
      {{0.5f, 1, 0, 0}, 0.5f, 2, std::sqrt(3.0) / 8},
      {{nan, 1, 0, 0}, 0.5f, 0, 0},
      {{1, 1, 0, 0}, nan, 0, 0},
  };
  for (const auto &c : cases) {
    float tri[2][3][3], n[3];
    const int got = zelIsoSurfaceCut(p, c.s, c.t, tri, n);
    ASSERT_EQ(got, c.triangles) << c.s[0] << " " << c.s[1];
    if (!got) continue;
    const float *a = tri[0][0], *b = tri[0][1], *d = tri[0][2];
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]},
                 w[3] = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
    const double x[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    EXPECT_NEAR(0.5 * std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]), c.area, 1e-6);
    EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0, 1e-6);
    EXPECT_TRUE(c.s[0] != c.t || (a[0] == 0 && a[1] == 0 && a[2] == 0));  // through corner 0
  }
}
