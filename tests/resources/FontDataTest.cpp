// The view's texture glyph sets: the exact layout every set keeps (glyph count, advance, centring,
// power-of-two textures, the empty space, the missing-glyph box, ink on every side of each
// glyph's box) and the telling metrics of the sets 10, 30 and 60 exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "resources/fonts/ZelvaneFonts.h"

namespace {

const int kSizes[ZELVANE_FONT_COUNT] = {10, 20, 30, 40, 50, 60};

bool isPowerOfTwoFor(int texture, int extent) {
  return texture > 0 && (texture & (texture - 1)) == 0 && texture >= extent && texture / 2 < std::max(extent, 1);
}

int alphaAt(const Zelvane_Font &f, int c, int x, int y) {
  return f.glyphBitmaps[c][2 * (y * f.glyphMetrics[c]->textureWidth + x) + 1];
}

bool isMissingGlyph(int c) { return c < 32 || c == 127; }

TEST(FontDataTexture, EverySetKeepsTheExactLayout) {
  for (int s = 0; s < ZELVANE_FONT_COUNT; s++) {
    const Zelvane_Font &f = *zelvaneFonts[s];
    const int size = kSizes[s], cell = 7 * size / 10;
    SCOPED_TRACE("set " + std::to_string(size));
    ASSERT_EQ(f.glyphCount, 128);
    ASSERT_EQ(f.pixelSize, size);
    for (int c = 0; c < 128; c++) {
      SCOPED_TRACE("code " + std::to_string(c));
      const GlyphMetrics &g = *f.glyphMetrics[c];
      ASSERT_NE(f.glyphBitmaps[c], nullptr);
      EXPECT_EQ(g.advance, 448 * size / 10);
      EXPECT_TRUE(isPowerOfTwoFor(g.textureWidth, g.bitmapWidth)) << g.textureWidth << " for " << g.bitmapWidth;
      EXPECT_TRUE(isPowerOfTwoFor(g.textureHeight, g.bitmapRows)) << g.textureHeight << " for " << g.bitmapRows;
      if (c == ' ') {
        EXPECT_EQ(g.textureWidth, 1);
        EXPECT_EQ(g.textureHeight, 1);
        EXPECT_EQ(g.bitmapWidth, 0);
        EXPECT_EQ(g.bitmapRows, 0);
        EXPECT_EQ(alphaAt(f, c, 0, 0), 0);
        continue;
      }
      ASSERT_GT(g.bitmapWidth, 0);
      ASSERT_GT(g.bitmapRows, 0);
      EXPECT_EQ(g.bitmapLeft, (cell - g.bitmapWidth + 1) / 2) << "centred in the cell";
      // Ink inside the bitmap, in its top left corner of the texture, and transparent texels
      // around it; the luminance is full everywhere so that text takes the current colour.
      int inside = 0, outside = 0, dim = 0;
      for (int y = 0; y < g.textureHeight; y++)
        for (int x = 0; x < g.textureWidth; x++) {
          (x < g.bitmapWidth && y < g.bitmapRows ? inside : outside) += alphaAt(f, c, x, y);
          dim += f.glyphBitmaps[c][2 * (y * g.textureWidth + x)] != 255;
        }
      EXPECT_GT(inside, 0);
      EXPECT_EQ(outside, 0);
      EXPECT_EQ(dim, 0);
      // The glyph fills its box: ink in its first and last row and column.
      int top = 0, bottom = 0, left = 0, right = 0;
      for (int x = 0; x < g.bitmapWidth; x++) top += alphaAt(f, c, x, 0), bottom += alphaAt(f, c, x, g.bitmapRows - 1);
      for (int y = 0; y < g.bitmapRows; y++) left += alphaAt(f, c, 0, y), right += alphaAt(f, c, g.bitmapWidth - 1, y);
      EXPECT_TRUE(top && bottom && left && right) << top << " " << bottom << " " << left << " " << right;
    }
  }
}

TEST(FontDataTexture, ControlCodesDrawTheMissingGlyphBox) {
  for (int s = 0; s < ZELVANE_FONT_COUNT; s++) {
    const Zelvane_Font &f = *zelvaneFonts[s];
    SCOPED_TRACE("set " + std::to_string(kSizes[s]));
    const GlyphMetrics &box = *f.glyphMetrics[0];
    const size_t bytes = 2u * box.textureWidth * box.textureHeight;
    for (int c = 0; c < 128; c++) {
      const GlyphMetrics &g = *f.glyphMetrics[c];
      const bool same = std::memcmp(&g, &box, sizeof g) == 0 && std::memcmp(f.glyphBitmaps[c], f.glyphBitmaps[0], bytes) == 0;
      EXPECT_EQ(same, isMissingGlyph(c)) << "code " << c;
    }
    // An outline: opaque corners and edges, a transparent centre, sitting on the base line.
    const int w = box.bitmapWidth, h = box.bitmapRows;
    EXPECT_EQ(box.bitmapTop, h);
    EXPECT_EQ(alphaAt(f, 0, 0, 0), 255);
    EXPECT_EQ(alphaAt(f, 0, w - 1, h - 1), 255);
    EXPECT_EQ(alphaAt(f, 0, w / 2, 0), 255);
    EXPECT_EQ(alphaAt(f, 0, 0, h / 2), 255);
    EXPECT_EQ(alphaAt(f, 0, w / 2, h / 2), 0);
  }
}

// Rows of the glyph table: every metric of "A", "g" and "M" in the sets 10, 30 and 60, and the
// tallest top and deepest descent of those sets.
struct Telling {
  int size;
  char ch;
  GlyphMetrics want;
};

TEST(FontDataTexture, TellingMetricsAreTheTables) {
  const Telling glyphs[] = {
      {10, 'A', {8, 8, 7, 8, 8, 0, 448}},         {10, 'g', {8, 16, 7, 10, 7, 0, 448}},
      {10, 'M', {8, 8, 7, 8, 8, 0, 448}},         {30, 'A', {32, 32, 19, 24, 24, 1, 1344}},
      {30, 'g', {32, 32, 20, 28, 19, 1, 1344}},   {30, 'M', {32, 32, 21, 24, 24, 0, 1344}},
      {60, 'A', {64, 64, 38, 50, 50, 2, 2688}},   {60, 'g', {64, 64, 39, 55, 37, 2, 2688}},
      {60, 'M', {64, 64, 42, 49, 49, 0, 2688}},
  };
  for (const Telling &t : glyphs) {
    const GlyphMetrics &g = *zelvaneFonts[t.size / 10 - 1]->glyphMetrics[int(t.ch)];
    SCOPED_TRACE(std::string("set ") + std::to_string(t.size) + " '" + t.ch + "'");
    EXPECT_EQ(g.textureWidth, t.want.textureWidth);
    EXPECT_EQ(g.textureHeight, t.want.textureHeight);
    EXPECT_EQ(g.bitmapWidth, t.want.bitmapWidth);
    EXPECT_EQ(g.bitmapRows, t.want.bitmapRows);
    EXPECT_EQ(g.bitmapTop, t.want.bitmapTop);
    EXPECT_EQ(g.bitmapLeft, t.want.bitmapLeft);
    EXPECT_EQ(g.advance, t.want.advance);
  }
  const struct { int size, tallest, deepest; } extremes[] = {{10, 10, 3}, {30, 31, 9}, {60, 61, 18}};
  for (const auto &e : extremes) {
    const Zelvane_Font &f = *zelvaneFonts[e.size / 10 - 1];
    int tallest = 0, deepest = 0;
    for (int c = 0; c < 128; c++) {
      tallest = std::max(tallest, f.glyphMetrics[c]->bitmapTop);
      deepest = std::max(deepest, f.glyphMetrics[c]->bitmapRows - f.glyphMetrics[c]->bitmapTop);
    }
    SCOPED_TRACE("set " + std::to_string(e.size));
    EXPECT_EQ(tallest, e.tallest);
    EXPECT_EQ(deepest, e.deepest);
  }
}

}  // namespace
