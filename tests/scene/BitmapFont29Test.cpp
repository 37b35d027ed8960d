// The scene's 29-pixel bitmap font: the glyph layout glBitmap reads (width, then 29 rows bottom
// first, padding bits clear), glyphs on the base line 7 rows up, and the missing-glyph box for
// every byte outside printable ASCII.
#include <gtest/gtest.h>

#include <cstring>

#include "zelvane/scene/ZelBitmapFont29.h"

namespace {

// Bit x of bitmap row r (r = 0 the bottom row).
bool bitAt(const unsigned char *glyph, int r, int x) {
  const int rowBytes = (glyph[0] + 7) / 8;
  return glyph[1 + r * rowBytes + x / 8] & (0x80 >> (x % 8));
}

int inkRows(const unsigned char *glyph, int from, int to) {
  int n = 0;
  for (int r = from; r < to; r++)
    for (int x = 0; x < glyph[0]; x++) n += bitAt(glyph, r, x);
  return n;
}

size_t glyphBytes(const unsigned char *glyph) { return 1 + ZEL_FONT29_ROWS * ((glyph[0] + 7) / 8); }

TEST(FontDataBitmap29, PrintableGlyphsHaveWidthAndInkWithinTheirRows) {
  ASSERT_EQ(ZEL_FONT29_ROWS, 29);
  ASSERT_EQ(ZEL_FONT29_BELOW, 7);
  const int width = zelBitmapFont29Glyph('M')[0];
  for (int c = 32; c < 127; c++) {
    const unsigned char *g = zelBitmapFont29Glyph((unsigned char)c);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g[0], width) << "code " << c << ": the font is monospaced";
    EXPECT_EQ(inkRows(g, 0, ZEL_FONT29_ROWS) > 0, c != ' ') << "code " << c;
    // The padding bits past the width stay clear: glBitmap would draw them.
    const int rowBytes = (g[0] + 7) / 8;
    for (int r = 0; r < ZEL_FONT29_ROWS; r++)
      for (int x = g[0]; x < 8 * rowBytes; x++) EXPECT_FALSE(bitAt(g, r, x)) << "code " << c << " row " << r;
  }
  EXPECT_GT(width, 10);
}

TEST(FontDataBitmap29, GlyphsStandOnTheBaseLineAndDescendersGoBelow) {
  const struct { char c; bool descends; } cases[] = {{'A', false}, {'M', false}, {'x', false}, {'_', true},
                                                       {'g', true},  {'p', true},  {'y', true}};
  for (const auto &t : cases) {
    const unsigned char *g = zelBitmapFont29Glyph((unsigned char)t.c);
    EXPECT_EQ(inkRows(g, 0, ZEL_FONT29_BELOW) > 0, t.descends) << t.c;
    if (!t.descends) {
      EXPECT_GT(inkRows(g, ZEL_FONT29_BELOW, ZEL_FONT29_BELOW + 1), 0) << t.c;
    }
  }
  // Bottom row first: "A" is wide at its feet and narrow at its apex, "V" the other way round.
  for (const char c : {'A', 'V'}) {
    const unsigned char *g = zelBitmapFont29Glyph((unsigned char)c);
    int top = ZEL_FONT29_ROWS - 1;
    while (top > 0 && inkRows(g, top, top + 1) == 0) top--;
    const int feet = inkRows(g, ZEL_FONT29_BELOW, ZEL_FONT29_BELOW + 1), head = inkRows(g, top, top + 1);
    EXPECT_EQ(feet > head, c == 'A') << c << ": " << feet << " at the base line, " << head << " at the top";
  }
}

TEST(FontDataBitmap29, OtherBytesDrawTheMissingGlyphBox) {
  const unsigned char *box = zelBitmapFont29Glyph(0);
  EXPECT_GT(inkRows(box, ZEL_FONT29_BELOW, ZEL_FONT29_ROWS), 0);
  EXPECT_EQ(inkRows(box, 0, ZEL_FONT29_BELOW), 0);
  for (int c = 0; c < 256; c++) {
    const unsigned char *g = zelBitmapFont29Glyph((unsigned char)c);
    const bool same = g[0] == box[0] && std::memcmp(g, box, glyphBytes(box)) == 0;
    EXPECT_EQ(same, c < 32 || c >= 127) << "code " << c;
  }
}

}  // namespace
