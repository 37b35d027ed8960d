// Quadratic patches and edges: coefficients, lattice, triangle order, iso crossings.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <random>

#include "tests/support/GLHarness.h"
#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/lists/ZelP2Patch.h"
#include "zelvane/scene/ZelPalette.h"

namespace {

// Six nodes p0 p1 p2 m01 m12 m20 in [-1, 1]^3; curved: the edge nodes off the midpoints.
struct Patch {
  float Nod[6][3];
  float Blk[18];
  void coefs() {
    const float *n[6] = {Nod[0], Nod[1], Nod[2], Nod[3], Nod[4], Nod[5]};
    zelP2PatchCoefs(n, Blk);
  }
};

Patch RandomPatch(std::mt19937 &rng) {
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  Patch p;
  for (auto &n : p.Nod)
    for (float &x : n) x = d(rng);
  p.coefs();
  return p;
}

Patch FlatPatch(const float a[3], const float b[3], const float c[3]) {
  Patch p;
  const float *cor[3] = {a, b, c};
  for (int i = 0; i < 3; i++)
    for (int k = 0; k < 3; k++) {
      p.Nod[i][k] = cor[i][k];
      p.Nod[3 + i][k] = 0.5f * (cor[i][k] + cor[(i + 1) % 3][k]);
    }
  p.coefs();
  return p;
}

void ExpectNear3(const float *got, const float *want, float tol, const char *what) {
  for (int k = 0; k < 3; k++) EXPECT_NEAR(got[k], want[k], tol) << what << " component " << k;
}

}  // namespace

TEST(P2Patch, LatticeAndEdgePassThroughTheNodesAtEveryLevel) {
  std::mt19937 rng(20);
  static ZelP2Lattice lat;
  for (int trial = 0; trial < 50; trial++) {
    const Patch p = RandomPatch(rng);
    float edge[9];
    zelP2EdgeCoefs(p.Nod[0], p.Nod[1], p.Nod[3], edge);
    const float origin[3] = {0, 0, 0};
    for (int n = 1; n <= 12; n++) {
      zelEvalP2Lattice(n, nullptr, p.Blk, lat.P, lat.N, nullptr, 1.0f);
      ExpectNear3(lat.P[zelLatIdx(0, 0)], p.Nod[0], 1e-6f, "p0");
      ExpectNear3(lat.P[zelLatIdx(0, n)], p.Nod[1], 1e-6f, "p1");
      ExpectNear3(lat.P[zelLatIdx(n, 0)], p.Nod[2], 1e-6f, "p2");
      float q[ZelLatRow][3];
      ASSERT_EQ(zelP2EdgePoints(n, edge, origin, 1.0f, q), n + 1);
      ExpectNear3(q[0], p.Nod[0], 1e-6f, "edge start");
      ExpectNear3(q[n], p.Nod[1], 1e-6f, "edge end");
      if (n % 2) continue;
      ExpectNear3(lat.P[zelLatIdx(0, n / 2)], p.Nod[3], 1e-6f, "m01");
      ExpectNear3(lat.P[zelLatIdx(n / 2, n / 2)], p.Nod[4], 1e-6f, "m12");
      ExpectNear3(lat.P[zelLatIdx(n / 2, 0)], p.Nod[5], 1e-6f, "m20");
      ExpectNear3(q[n / 2], p.Nod[3], 1e-6f, "edge middle");
    }
  }
}

TEST(P2Patch, TheCoarseLatticeIsPartOfTheFineOne) {
  std::mt19937 rng(7);
  static ZelP2Lattice coarse, fine;
  const Patch p = RandomPatch(rng);
  float val[6], sol[6];
  for (int i = 0; i < 6; i++) val[i] = static_cast<float>(i) - 2.5f;
  zelP2ValueCoefs(val, sol);
  for (float s : {1.0f, 0.6f})
    for (int n = 1; n <= 31; n++) {
      zelEvalP2Lattice(n, sol, p.Blk, coarse.P, coarse.N, coarse.S, s);
      zelEvalP2Lattice(2 * n, sol, p.Blk, fine.P, fine.N, fine.S, s);
      for (int i = 0; i <= n; i++)
        for (int j = 0; j <= n - i; j++) {
          const int a = zelLatIdx(i, j), b = zelLatIdx(2 * i, 2 * j);
          for (int k = 0; k < 3; k++) {
            ASSERT_EQ(coarse.P[a][k], fine.P[b][k]) << n << " " << i << " " << j;
            ASSERT_EQ(coarse.N[a][k], fine.N[b][k]);
          }
          ASSERT_EQ(coarse.S[a], fine.S[b]);
        }
    }
}

TEST(P2Patch, AFlatPatchHasNoCurvatureAndOneNormal) {
  const float a[3] = {0.1f, -0.7f, 0.3f}, b[3] = {0.9f, 0.2f, -0.4f}, c[3] = {-0.5f, 0.8f, 0.6f};
  const Patch p = FlatPatch(a, b, c);
  for (int k = 0; k < 9; k++) EXPECT_NEAR(p.Blk[k], 0.0f, 4e-7f) << "second-order coefficient " << k;
  const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  double w[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  const double len = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
  const float unit[3] = {float(w[0] / len), float(w[1] / len), float(w[2] / len)};
  static ZelP2Lattice lat;
  zelEvalP2Lattice(9, nullptr, p.Blk, lat.P, lat.N, nullptr, 1.0f);
  for (int i = 0; i <= 9; i++)
    for (int j = 0; j <= 9 - i; j++) ExpectNear3(lat.N[zelLatIdx(i, j)], unit, 1e-3f, "normal");
  // The drawn corner order agrees with that normal: every lattice triangle turns the same way.
  int count = 0;
  zelEachLatticeTri(9, [&](int i0, int i1, int i2) {
    float n[3];
    ASSERT_TRUE(zelUnitNormal(lat.P[i0], lat.P[i1], lat.P[i2], n));
    EXPECT_GT(n[0] * unit[0] + n[1] * unit[1] + n[2] * unit[2], 0.999f);
    count++;
  });
  EXPECT_EQ(count, 81);
}

TEST(P2Patch, ADegeneratePointGetsTheZeroNormal) {
  const float a[3] = {0, 0, 0}, b[3] = {1, 1, 1}, c[3] = {2, 2, 2};  // on one line
  const Patch line = FlatPatch(a, b, c);
  float pt[3], n[3] = {9, 9, 9};
  zelP2PatchPoint(line.Blk, 0.333, 0.333, pt, n);
  const float zero[3] = {0, 0, 0};
  ExpectNear3(n, zero, 0, "normal");
  static ZelP2Lattice lat;
  zelEvalP2Lattice(4, nullptr, line.Blk, lat.P, lat.N, nullptr, 1.0f);
  for (int k = 0; k < 3; k++) EXPECT_EQ(lat.N[zelLatIdx(2, 1)][k], 0.0f);
}

TEST(P2Patch, ShrinkMovesParametersTowardTheCentresAndPointsTowardC) {
  // p(u, v) = (u, v, 0) and q(t) = (t, 0, 0): points are the parameters.
  const float o[3] = {0, 0, 0}, x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, m[3] = {0.5f, 0, 0};
  const Patch p = FlatPatch(o, x, y);
  float edge[9];
  zelP2EdgeCoefs(o, x, m, edge);
  static ZelP2Lattice lat;
  for (float s : {1.0f, 0.8f, 0.5f, 0.1f}) {
    const int n = 6;
    zelEvalP2Lattice(n, nullptr, p.Blk, lat.P, lat.N, nullptr, s);
    const float lo = 0.333f * (1 - s), hi = 0.333f + 0.667f * s;
    EXPECT_NEAR(lat.P[zelLatIdx(0, 0)][0], lo, 1e-6f) << s;
    EXPECT_NEAR(lat.P[zelLatIdx(0, 0)][1], lo, 1e-6f) << s;
    EXPECT_NEAR(lat.P[zelLatIdx(0, n)][0], hi, 1e-6f) << s;
    EXPECT_NEAR(lat.P[zelLatIdx(n, 0)][1], hi, 1e-6f) << s;
    const float c[3] = {0.25f, 0.0f, 0.0f};
    float q[ZelLatRow][3];
    ASSERT_EQ(zelP2EdgePoints(n, edge, c, s, q), n + 1);
    EXPECT_NEAR(q[0][0], (0.5f * (1 - s) - c[0]) * s + c[0], 1e-6f) << s;
    EXPECT_NEAR(q[n][0], (0.5f * (1 + s) - c[0]) * s + c[0], 1e-6f) << s;
  }
  float q[ZelLatRow][3];
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
  const float a[3] = {-1, -1, 0}, b[3] = {1, -1, 0}, c[3] = {0, 1, 0};
  const float nan = std::nanf("");
  struct Case {
    const char *what;
    float v[3];
    int perLevel;  // points at every level; -1: only evenness is known
  } cases[] = {
      {"every level crosses twice", {-1.0f, 2.0f, 0.5f}, 2},
      {"one corner on the level", {0.0f, -1.0f, 1.0f}, -1},
      {"an edge on level 0", {0.0f, 0.0f, 1.0f}, -1},
      {"the whole triangle on level 0", {0.0f, 0.0f, 0.0f}, -1},
      {"a NaN corner", {nan, -1.0f, 1.0f}, -1},
      {"all NaN", {nan, nan, nan}, 0},
  };
  for (int sub : {1, 9, 100}) {  // 100: more levels than the table holds on the stack
    pal.Subdiv = sub;
    const ZelIsoTable levels(&pal);
    ASSERT_EQ(levels.size(), 4 * sub + 1);
    for (const Case &k : cases) {
      for (float s : {1.0f, 0.5f}) {
        const auto prims = gl.feedback([&] {
          glBegin(GL_POINTS);
          zelIsoSegmentTri(k.v, a, b, c, levels.data(), levels.size(), s);
          glEnd();
        });
        EXPECT_EQ(prims.size() % 2, 0u) << k.what << " subdivision " << sub;
        if (k.perLevel >= 0) {
          EXPECT_EQ(static_cast<int>(prims.size()), k.perLevel * levels.size()) << k.what;
        }
      }
    }
  }
  // An edge on the level ends that level's walk: the edge alone, not the whole outline.
  pal.Subdiv = 1;
  const ZelIsoTable one(&pal);
  const float flat[3] = {0.0f, 0.0f, 0.0f};
  const auto prims = gl.feedback([&] {
    glBegin(GL_POINTS);
    zelIsoSegmentTri(flat, a, b, c, one.data(), one.size(), 1.0f);
    glEnd();
  });
  EXPECT_EQ(prims.size(), 2u);
}
