// Quadratic patches and edges: coefficients, lattice, triangle order, iso crossings.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/support/GLHarness.h"
#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/lists/ZelP2Patch.h"
#include "zelvane/scene/ZelPalette.h"

namespace {

// Nodes p0 p1 p2 m01 m12 m20: random in [-1, 1]^3, or a flat triangle's corners and midpoints.
struct Patch {
  float Nod[6][3];
  float Blk[18];
  explicit Patch(std::mt19937 &rng) {
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    for (auto &n : Nod)
      for (float &x : n) x = d(rng);
    coefs();
  }
  Patch(const float (&c)[3][3]) {
    for (int i = 0; i < 3; i++)
      for (int k = 0; k < 3; k++) Nod[i][k] = c[i][k], Nod[3 + i][k] = 0.5f * (c[i][k] + c[(i + 1) % 3][k]);
    coefs();
  }
  void coefs() {
    const float *n[6] = {Nod[0], Nod[1], Nod[2], Nod[3], Nod[4], Nod[5]};
    zelP2PatchCoefs(n, Blk);
  }
};

void ExpectNear3(const float *got, const float *want, float tol, const char *what) {
  for (int k = 0; k < 3; k++) EXPECT_NEAR(got[k], want[k], tol) << what << " component " << k;
}

ZelP2Lattice gLat, gFine;

}  // namespace

TEST(P2Patch, LatticeAndEdgePassThroughTheNodesAtEveryLevel) {
  std::mt19937 rng(20);
  const float origin[3] = {0, 0, 0};
  for (int trial = 0; trial < 50; trial++) {
    const Patch p(rng);
    float edge[9], q[ZelLatRow][3];
    zelP2EdgeCoefs(p.Nod[0], p.Nod[1], p.Nod[3], edge);
    for (int n = 1; n <= 12; n++) {
      zelEvalP2Lattice(n, nullptr, p.Blk, gLat.P, gLat.N, nullptr, 1.0f);
      ASSERT_EQ(zelP2EdgePoints(n, edge, origin, 1.0f, q), n + 1);
      const int h = n / 2;
      const struct {
        const float *got, *want;
      } nodes[] = {{gLat.P[zelLatIdx(0, 0)], p.Nod[0]}, {gLat.P[zelLatIdx(0, n)], p.Nod[1]},
                   {gLat.P[zelLatIdx(n, 0)], p.Nod[2]}, {q[0], p.Nod[0]},
                   {q[n], p.Nod[1]},                    {gLat.P[zelLatIdx(0, h)], p.Nod[3]},
                   {gLat.P[zelLatIdx(h, h)], p.Nod[4]}, {gLat.P[zelLatIdx(h, 0)], p.Nod[5]},
                   {q[h], p.Nod[3]}};
      for (int k = 0; k < (n % 2 ? 5 : 9); k++) ExpectNear3(nodes[k].got, nodes[k].want, 1e-6f, "node");
    }
  }
  // Level-n points are level-2n points, shrunk or not, values and normals alike.
  const Patch p(rng);
  const float val[6] = {-2.5f, -1.5f, -0.5f, 0.5f, 1.5f, 2.5f};
  float sol[6];
  zelP2ValueCoefs(val, sol);
  for (float s : {1.0f, 0.6f})
    for (int n = 1; n <= 31; n++) {
      zelEvalP2Lattice(n, sol, p.Blk, gLat.P, gLat.N, gLat.S, s);
      zelEvalP2Lattice(2 * n, sol, p.Blk, gFine.P, gFine.N, gFine.S, s);
      for (int i = 0; i <= n; i++)
        for (int j = 0; j <= n - i; j++) {
          const int a = zelLatIdx(i, j), b = zelLatIdx(2 * i, 2 * j);
          ASSERT_EQ(gLat.S[a], gFine.S[b]);
          for (int k = 0; k < 3; k++) ASSERT_TRUE(gLat.P[a][k] == gFine.P[b][k] && gLat.N[a][k] == gFine.N[b][k]);
        }
    }
}

// A flat patch has no second-order terms and one normal, the one its drawn triangles turn to;
// a patch on a line has the zero normal.
TEST(P2Patch, FlatAndDegeneratePatches) {
  const float c[3][3] = {{0.1f, -0.7f, 0.3f}, {0.9f, 0.2f, -0.4f}, {-0.5f, 0.8f, 0.6f}};
  const Patch p(c);
  for (int k = 0; k < 9; k++) EXPECT_NEAR(p.Blk[k], 0.0f, 4e-7f) << "second-order coefficient " << k;
  float unit[3];
  ASSERT_TRUE(zelUnitNormal(c[0], c[1], c[2], unit));
  zelEvalP2Lattice(9, nullptr, p.Blk, gLat.P, gLat.N, nullptr, 1.0f);
  for (int i = 0; i <= 9; i++)
    for (int j = 0; j <= 9 - i; j++) ExpectNear3(gLat.N[zelLatIdx(i, j)], unit, 1e-3f, "normal");
  int count = 0;
  zelEachLatticeTri(9, [&](int i0, int i1, int i2) {
    float n[3];
    ASSERT_TRUE(zelUnitNormal(gLat.P[i0], gLat.P[i1], gLat.P[i2], n));
    EXPECT_GT(n[0] * unit[0] + n[1] * unit[1] + n[2] * unit[2], 0.999f);
    count++;
  });
  EXPECT_EQ(count, 81);
  const Patch line({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
  float pt[3], n[3] = {9, 9, 9};
  zelP2PatchPoint(line.Blk, 0.333, 0.333, pt, n);
  const float zero[3] = {0, 0, 0};
  ExpectNear3(n, zero, 0, "normal");
}

TEST(P2Patch, ShrinkMovesParametersTowardTheCentresAndPointsTowardC) {
  // p(u, v) = (u, v, 0) and q(t) = (t, 0, 0): points are the parameters.
  const Patch p({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  const float o[3] = {0, 0, 0}, m[3] = {0.5f, 0, 0}, c[3] = {0.25f, 0, 0};
  float edge[9], q[ZelLatRow][3];
  zelP2EdgeCoefs(p.Nod[0], p.Nod[1], m, edge);
  const int n = 6;
  for (float s : {1.0f, 0.8f, 0.5f, 0.1f}) {
    zelEvalP2Lattice(n, nullptr, p.Blk, gLat.P, gLat.N, nullptr, s);
    const float lo = 0.333f * (1 - s), hi = 0.333f + 0.667f * s;
    const float corners[3][3] = {{lo, lo, 0}, {hi, lo, 0}, {lo, hi, 0}};
    const int at[3] = {zelLatIdx(0, 0), zelLatIdx(0, n), zelLatIdx(n, 0)};
    for (int k = 0; k < 3; k++) ExpectNear3(gLat.P[at[k]], corners[k], 1e-6f, "corner");
    ASSERT_EQ(zelP2EdgePoints(n, edge, c, s, q), n + 1);
    EXPECT_NEAR(q[0][0], (0.5f * (1 - s) - c[0]) * s + c[0], 1e-6f) << s;
    EXPECT_NEAR(q[n][0], (0.5f * (1 + s) - c[0]) * s + c[0], 1e-6f) << s;
  }
  EXPECT_EQ(zelP2EdgePoints(0, edge, o, 1.0f, q), 0);
  EXPECT_EQ(zelP2EdgePoints(200, edge, o, 1.0f, q), 64);  // a level above 63 counts as 63
}

// zelIsoSegmentTri inside GL_POINTS, so that feedback returns one point per vertex it emits.
TEST(P2Patch, IsoSegmentsAlwaysComeInPairsOverEveryLevel) {
  GLHarness gl(64, 64);
  ASSERT_TRUE(gl.valid()) << gl.describe();
  gl.ortho(-2, 2, -2, 2, -2, 2);
  ZelPalette pal{};
  pal.N = 5;
  for (int i = 0; i < 5; i++) pal.NormIso[i] = -0.5f + 0.25f * i, pal.Hue[i] = 240.0f - 60.0f * i;
  const float a[3] = {-1, -1, 0}, b[3] = {1, -1, 0}, c[3] = {0, 1, 0}, nan = std::nanf("");
  auto points = [&](const ZelIsoTable &levels, const float *v, float s) {
    return gl.feedback([&] {
      glBegin(GL_POINTS);
      zelIsoSegmentTri(v, a, b, c, levels.data(), levels.size(), s);
      glEnd();
    });
  };
  // Values, and the points of every level (-1: only their evenness is known).
  const struct {
    float v[3];
    int perLevel;
  } cases[] = {{{-1.0f, 2.0f, 0.5f}, 2}, {{0.0f, -1.0f, 1.0f}, -1}, {{0.0f, 0.0f, 1.0f}, -1},
               {{0.0f, 0.0f, 0.0f}, -1}, {{nan, -1.0f, 1.0f}, -1},  {{nan, nan, nan}, 0}};
  for (int sub : {1, 9, 100}) {  // 100: more levels than the table holds on the stack
    pal.Subdiv = sub;
    const ZelIsoTable levels(&pal);
    ASSERT_EQ(levels.size(), 4 * sub + 1);
    for (const auto &k : cases)
      for (float s : {1.0f, 0.5f}) {
        const size_t got = points(levels, k.v, s).size();
        EXPECT_EQ(got % 2, 0u) << k.v[0] << " " << k.v[1] << " " << k.v[2] << " subdivision " << sub;
        EXPECT_TRUE(k.perLevel < 0 || got == size_t(k.perLevel * levels.size())) << k.v[0];
      }
  }
  // An edge on the level ends that level's walk: the edge alone, not the whole outline. With
  // s = 0 every point falls on 0.3333 times the corner sum.
  pal.Subdiv = 1;
  const ZelIsoTable one(&pal);
  const float flat[3] = {0.0f, 0.0f, 0.0f}, across[3] = {-1.0f, 2.0f, 0.5f};
  EXPECT_EQ(points(one, flat, 1.0f).size(), 2u);
  const auto centre = points(one, across, 0.0f);
  EXPECT_EQ(centre.size(), 10u);
  for (const FeedbackPrim &p : centre) EXPECT_NEAR(p.v[0].y, (2 - 0.3333) * 16, 1e-3);  // window: (y + 2) 16
}
