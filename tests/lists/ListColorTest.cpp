// Colour maps and colours along them, without GL.
#include <gtest/gtest.h>

#include "zelvane/lists/ZelColorMaps.h"
#include "zelvane/lists/ZelListColor.h"

namespace {

void ExpectRgb(const float *got, float r, float g, float b, float tol = 1e-5f) {
  EXPECT_NEAR(got[0], r, tol);
  EXPECT_NEAR(got[1], g, tol);
  EXPECT_NEAR(got[2], b, tol);
}

}  // namespace

TEST(ColourTables, PublishedRowsAndTheRamp) {
  ExpectRgb(zelColorMapCoolWarm[0], 0.2298f, 0.2987f, 0.7537f);
  ExpectRgb(zelColorMapCoolWarm[128], 0.865f, 0.865f, 0.865f, 0.01f);
  ExpectRgb(zelColorMapCoolWarm[256], 0.7057f, 0.0156f, 0.1502f);
  ExpectRgb(zelColorMapMagma[0], 0.001462f, 0.000466f, 0.013866f);
  ExpectRgb(zelColorMapMagma[255], 0.987053f, 0.991438f, 0.749504f);
  ExpectRgb(zelColorMapInferno[255], 0.988362f, 0.998364f, 0.644924f);
  ExpectRgb(zelColorMapPlasma[0], 0.050383f, 0.029803f, 0.527975f);
  ExpectRgb(zelColorMapPlasma[255], 0.940015f, 0.975158f, 0.131326f);
  ExpectRgb(zelColorMapViridis[0], 0.267004f, 0.004874f, 0.329415f);
  ExpectRgb(zelColorMapViridis[255], 0.993248f, 0.906157f, 0.143936f);
  ExpectRgb(zelColorMapRamp[1], 0.003f, 0.012f, 0.017f);
  ExpectRgb(zelColorMapRamp[50], 0.322f, 0.56f, 0.665f);
  ExpectRgb(zelColorMapRamp[100], 1, 1, 1);
  const float w = 24.0f / 49;  // row 25: linear in the row number between rows 1 and 50
  ExpectRgb(zelColorMapRamp[25], 0.003f + w * 0.319f, 0.012f + w * 0.548f, 0.017f + w * 0.648f);
  for (int r = 0; r <= 100; r++) EXPECT_EQ(zelColorMapRampReversed[r][1], zelColorMapRamp[100 - r][1]);
}

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
