// The committed colour tables against their sources (Moreland's diverging map at its ends and
// middle, the ends of the published matplotlib tables, the given rows of "Jet" and of the ramp,
// the ramp's interpolation and its reverse), and colours along them, without GL.
#include <gtest/gtest.h>

#include <cstring>

#include "zelvane/lists/ZelColorMaps.h"
#include "zelvane/lists/ZelListColor.h"

namespace {

struct RowCase {
  const char *what;
  int map, row;
  float rgb[3];
  double tol;
};

void ExpectRgb(const float *got, float r, float g, float b, float tol = 1e-5f) {
  EXPECT_NEAR(got[0], r, tol);
  EXPECT_NEAR(got[1], g, tol);
  EXPECT_NEAR(got[2], b, tol);
}

// Every map its size and name; the tables hold colours.
TEST(ColorMaps, EachIndexHasItsSizeNameAndColours) {
  const int sizes[ZEL_COLOR_MAP_COUNT] = {0, 0, 257, 256, 256, 256, 256, 9, 101, 101, 5};
  const char *names[8] = {"Rainbow", "Gray", "CoolWarm", "Magma", "Inferno", "Plasma", "Viridis", "Jet"};
  for (int m = 0; m < 8; m++) EXPECT_STREQ(zelColorMapNames[m], names[m]);
  for (int m = 0; m < ZEL_COLOR_MAP_COUNT; m++) {
    EXPECT_EQ(zelColorMapSizes[m], sizes[m]) << "map " << m;
    ASSERT_EQ(zelColorMapTables[m] != nullptr, m >= 2 && m <= 9) << "map " << m;
    for (int i = 0; m >= 2 && m <= 9 && i < sizes[m]; i++)
      for (float v : zelColorMapTables[m][i]) ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "map " << m << " row " << i;
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
      {"ramp row 50", 8, 50, {0.322f, 0.56f, 0.665f}, 1e-7},
      {"ramp white", 8, 100, {1.0f, 1.0f, 1.0f}, 1e-7},
  };
  for (const RowCase &c : cases) {
    ASSERT_LT(c.row, zelColorMapSizes[c.map]) << c.what;
    const float *got = zelColorMapTables[c.map][c.row];
    for (int k = 0; k < 3; k++) EXPECT_NEAR(got[k], c.rgb[k], c.tol) << c.what << ", channel " << k;
  }
}

// The ramp is linear between its given rows 0, 1, 50 and 100 (so row 25 lies between rows 1
// and 50); the reversed ramp is the ramp upside down.
TEST(ColorMaps, RampIsLinearBetweenItsGivenRowsAndReversedUpsideDown) {
  const float(*t)[3] = zelColorMapTables[8];
  for (int i = 2; i < 100; i++)
    for (int k = 0; i != 50 && k < 3; k++)  // row 50: a given row, where the slope changes
      EXPECT_NEAR(t[i][k], 0.5f * (t[i - 1][k] + t[i + 1][k]), 2e-7) << "row " << i << ", channel " << k;
  for (int i = 0; i < 101; i++)
    EXPECT_EQ(std::memcmp(zelColorMapTables[9][i], t[100 - i], sizeof(float[3])), 0) << "row " << i;
}

}  // namespace

// The last row at x = range; a bad index or map 10 without a table keeps the computed colour.
TEST(ColourTables, PaletteColourAlongAMapAndTheFallback) {
  float c[3];
  ASSERT_EQ(zelPaletteColor(7, &c[0], &c[1], &c[2], nullptr, 4.0, 4.0), 1);
  ExpectRgb(c, 0.5f, 0, 0);  // x = range: the last row
  const float user[5][3] = {{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 0}};
  ASSERT_EQ(zelPaletteColor(10, &c[0], &c[1], &c[2], user, 2.0, 4.0), 1);
  ExpectRgb(c, 0, 1, 0);
  for (int map : {-1, 0, 1, 10, 11}) {  // no table: the computed colour stays
    float keep[3] = {0.1f, 0.2f, 0.3f};
    EXPECT_EQ(zelPaletteColor(map, &keep[0], &keep[1], &keep[2], nullptr, 1.0, 4.0), 0) << map;
    ExpectRgb(keep, 0.1f, 0.2f, 0.3f, 0);
  }
  ZelPalette pal{};
  pal.N = 2, pal.NormIso[0] = -0.5f, pal.NormIso[1] = 0.5f, pal.Hue[0] = 240;
  float hsv[3], bad[3];
  zelValueColor(&pal, 0.0f, true, hsv);
  ExpectRgb(hsv, 0, 0.8f, 0);  // hue 120
  pal.ColMap = 42;
  zelValueColor(&pal, 0.0f, true, bad);
  ExpectRgb(bad, hsv[0], hsv[1], hsv[2], 0);
}

// One hue inside each sixth of the circle (fractions f other than a half, so that the rising
// t = V f and the falling q = V (1 - f) differ) against the HSV colour of saturation 1 and value
// V = 0.8.
TEST(ColourTables, AHueInEverySectorHasItsHsvColour) {
  const float V = 0.8f;
  const struct {
    float hue;
    float rgb[3];
  } rows[] = {
      {10, {V, V / 6, 0}},          {80, {V * 2 / 3, V, 0}},  {130, {0, V, V / 6}},
      {190, {0, V * 5 / 6, V}},     {255, {V / 4, 0, V}},     {345, {V, 0, V / 4}},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(testing::Message() << "hue " << r.hue);
    float got[3];
    zelHsvColor(r.hue, got);
    ExpectRgb(got, r.rgb[0], r.rgb[1], r.rgb[2]);
  }
}

// A value a quarter of the way into the second band of uneven iso values (-1, -0.6, 0, 0.2,
// 1): the hues blend 3:1 (hue 165) in the computed maps; a table map reads position 1.25 of
// 0..4, which falls on the row and weight given (1.25 x rows / 4), whatever the grey flag.
TEST(ColourTables, AQuarterIntoABandOfEveryColourMap) {
  const float user[5][3] = {{0, 0, 0}, {0.2f, 0.4f, 1}, {1, 0.8f, 0}, {0, 0, 0}, {0, 0, 0}};
  const struct {
    const char *what;
    int map, grey, row;
    float weight;
    float computed[3];  // maps without a table
  } cases[] = {
      {"rainbow", 0, 0, 0, 0, {0, 0.8f, 0.6f}},
      {"gray (computed colours too)", 1, 0, 0, 0, {0, 0.8f, 0.6f}},
      {"rainbow in grey levels", 0, 1, 0, 0, {165 / 256.0f, 165 / 256.0f, 165 / 256.0f}},
      {"cool-warm", 2, 0, 80, 0, {}},
      {"magma", 3, 0, 79, 0.6875f, {}},
      {"inferno", 4, 0, 79, 0.6875f, {}},
      {"plasma", 5, 0, 79, 0.6875f, {}},
      {"viridis", 6, 0, 79, 0.6875f, {}},
      {"jet", 7, 0, 2, 0.5f, {}},
      {"jet with the grey flag", 7, 1, 2, 0.5f, {}},
      {"ramp", 8, 0, 31, 0.25f, {}},
      {"reversed ramp", 9, 0, 31, 0.25f, {}},
      {"user table", 10, 0, 1, 0.25f, {}},
  };
  ZelPalette pal{};
  pal.N = 5;
  const float iso[5] = {-1, -0.6f, 0, 0.2f, 1};
  for (int i = 0; i < 5; i++) pal.NormIso[i] = iso[i], pal.Hue[i] = (1 - i / 4.0f) * 240;
  pal.UsrCol = const_cast<float(*)[3]>(user);
  for (const auto &c : cases) {
    pal.ColMap = c.map, pal.Grey = c.grey;
    float got[3];
    zelValueColor(&pal, -0.6f + 0.25f * 0.6f, true, got);
    float want[3];
    const float(*table)[3] = c.map == 10 ? user : zelColorMapTables[c.map];
    for (int k = 0; k < 3; k++)
      want[k] = table ? table[c.row][k] * (1 - c.weight) + table[c.row + 1][k] * c.weight : c.computed[k];
    SCOPED_TRACE(c.what);
    ExpectRgb(got, want[0], want[1], want[2], 2e-5f);
  }
}
