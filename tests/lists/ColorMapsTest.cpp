// The committed colour tables against their sources: Moreland's diverging map at its ends and
// middle, the ends of the published matplotlib tables, the given rows of "Jet" and of the ramp
// with the ramp's interpolation, and the reversed ramp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "zelvane/lists/ZelColorMaps.h"

namespace {

struct RowCase {
  const char *what;
  int map, row;
  float rgb[3];
  double tol;
};

// Relative luminance of an sRGB colour, for the lightness profile of the diverging map.
double luminance(const float c[3]) {
  double y = 0;
  const double w[3] = {0.2126, 0.7152, 0.0722};
  for (int k = 0; k < 3; k++)
    y += w[k] * (c[k] <= 0.04045 ? c[k] / 12.92 : std::pow((c[k] + 0.055) / 1.055, 2.4));
  return y;
}

TEST(ColorMaps, EachIndexHasItsSizeNameAndTable) {
  const int sizes[ZEL_COLOR_MAP_COUNT] = {0, 0, 257, 256, 256, 256, 256, 9, 101, 101, 5};
  const char *names[8] = {"Rainbow", "Gray", "CoolWarm", "Magma", "Inferno", "Plasma", "Viridis", "Jet"};
  for (int m = 0; m < ZEL_COLOR_MAP_COUNT; m++) {
    EXPECT_EQ(zelColorMapSizes[m], sizes[m]) << "map " << m;
    EXPECT_EQ(zelColorMapTables[m] != nullptr, m >= 2 && m <= 9) << "map " << m;
  }
  for (int m = 0; m < 8; m++) EXPECT_STREQ(zelColorMapNames[m], names[m]);
}

TEST(ColorMaps, EveryRowIsAColour) {
  for (int m = 2; m <= 9; m++)
    for (int i = 0; i < zelColorMapSizes[m]; i++)
      for (int k = 0; k < 3; k++) {
        const float v = zelColorMapTables[m][i][k];
        ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "map " << m << " row " << i << ": " << v;
      }
}

TEST(ColorMaps, RowsMatchTheirSources) {
  // The matplotlib rows are those of its published tables, as written there.
  const RowCase cases[] = {
      {"cool-warm blue end", 2, 0, {0.2298f, 0.2987f, 0.7537f}, 1e-3},
      {"cool-warm light grey middle", 2, 128, {0.865f, 0.865f, 0.865f}, 0.01},
      {"cool-warm red end", 2, 256, {0.7057f, 0.0156f, 0.1502f}, 1e-3},
      {"magma first", 3, 0, {0.001462f, 0.000466f, 0.013866f}, 1e-7},
      {"magma last", 3, 255, {0.987053f, 0.991438f, 0.749504f}, 1e-7},
      {"inferno first", 4, 0, {0.001462f, 0.000466f, 0.013866f}, 1e-7},
      {"inferno last", 4, 255, {0.988362f, 0.998364f, 0.644924f}, 1e-7},
      {"plasma first", 5, 0, {0.050383f, 0.029803f, 0.527975f}, 1e-7},
      {"plasma last", 5, 255, {0.940015f, 0.975158f, 0.131326f}, 1e-7},
      {"viridis first", 6, 0, {0.267004f, 0.004874f, 0.329415f}, 1e-7},
      {"viridis last", 6, 255, {0.993248f, 0.906157f, 0.143936f}, 1e-7},
      {"jet first", 7, 0, {0.0f, 0.0f, 0.5f}, 0},
      {"jet middle", 7, 4, {0.5f, 1.0f, 0.5f}, 0},
      {"jet last", 7, 8, {0.5f, 0.0f, 0.0f}, 0},
      {"ramp black", 8, 0, {0.0f, 0.0f, 0.0f}, 1e-7},
      {"ramp row 1", 8, 1, {0.003f, 0.012f, 0.017f}, 1e-7},
      {"ramp row 25, between rows 1 and 50", 8, 25,
       {0.003f + 24.0f / 49 * 0.319f, 0.012f + 24.0f / 49 * 0.548f, 0.017f + 24.0f / 49 * 0.648f}, 1e-6},
      {"ramp row 50", 8, 50, {0.322f, 0.56f, 0.665f}, 1e-7},
      {"ramp row 75, between rows 50 and 100", 8, 75, {0.661f, 0.78f, 0.8325f}, 1e-6},
      {"ramp white", 8, 100, {1.0f, 1.0f, 1.0f}, 1e-7},
      {"reversed ramp white", 9, 0, {1.0f, 1.0f, 1.0f}, 1e-7},
      {"reversed ramp row 99", 9, 99, {0.003f, 0.012f, 0.017f}, 1e-7},
      {"reversed ramp black", 9, 100, {0.0f, 0.0f, 0.0f}, 1e-7},
  };
  for (const RowCase &c : cases) {
    ASSERT_LT(c.row, zelColorMapSizes[c.map]) << c.what;
    const float *got = zelColorMapTables[c.map][c.row];
    for (int k = 0; k < 3; k++) EXPECT_NEAR(got[k], c.rgb[k], c.tol) << c.what << ", channel " << k;
  }
}

TEST(ColorMaps, CoolWarmBrightensToAGreyMiddleThenDarkensThroughItsHues) {
  const float(*t)[3] = zelColorMapTables[2];
  for (int i = 1; i <= 128; i++) EXPECT_GT(luminance(t[i]), luminance(t[i - 1])) << "row " << i;
  for (int i = 129; i <= 256; i++) EXPECT_LT(luminance(t[i]), luminance(t[i - 1])) << "row " << i;
  EXPECT_NEAR(t[128][0], t[128][1], 1e-4);
  EXPECT_NEAR(t[128][1], t[128][2], 1e-4);
  // The cool half runs through sky blues (red < green < blue), the warm half through oranges
  // (red > green > blue) until the last rows turn to crimson.
  for (int i = 0; i < 128; i++) EXPECT_TRUE(t[i][0] < t[i][1] && t[i][1] < t[i][2]) << "row " << i;
  for (int i = 129; i <= 240; i++) EXPECT_TRUE(t[i][0] > t[i][1] && t[i][1] > t[i][2]) << "row " << i;
}

TEST(ColorMaps, RampIsLinearBetweenItsGivenRows) {
  const float(*t)[3] = zelColorMapTables[8];
  for (int i = 2; i < 100; i++) {
    if (i == 50) continue;  // a given row, where the slope changes
    for (int k = 0; k < 3; k++)
      EXPECT_NEAR(t[i][k], 0.5f * (t[i - 1][k] + t[i + 1][k]), 2e-7) << "row " << i << ", channel " << k;
  }
}

TEST(ColorMaps, ReversedRampIsTheRampUpsideDown) {
  for (int i = 0; i < 101; i++)
    EXPECT_EQ(std::memcmp(zelColorMapTables[9][i], zelColorMapTables[8][100 - i], sizeof(float[3])), 0)
        << "row " << i;
}

}  // namespace
