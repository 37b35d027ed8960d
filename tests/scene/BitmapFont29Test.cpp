// The scene's 29-pixel bitmap font as glBitmap reads it: a monospaced width, then 29 rows bottom
// first with the padding bits clear, glyphs on the base line 7 rows up, and the missing-glyph box
// for every byte outside printable ASCII.
#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelBitmapFont29.h"

namespace {

// Inked bits of rows from..to-1 (row 0 the bottom one), and of the padding past the width.
int ink(const unsigned char *g, int from, int to, bool padding = false) {
  const int rowBytes = (g[0] + 7) / 8;
  int n = 0;
  for (int r = from; r < to; r++)
    for (int x = padding ? g[0] : 0; x < (padding ? 8 * rowBytes : g[0]); x++)
      n += (g[1 + r * rowBytes + x / 8] & (0x80 >> (x % 8))) != 0;
  return n;
}

TEST(FontDataBitmap29, GlyphsStandOnTheBaseLineTheRestDrawTheBox) {
  const int R = ZEL_FONT29_ROWS, B = ZEL_FONT29_BELOW;
  const unsigned char *box = zelBitmapFont29Glyph(0);
  EXPECT_GT(box[0], 10);
  for (int c = 0; c < 256; c++) {
    const unsigned char *g = zelBitmapFont29Glyph(static_cast<unsigned char>(c));
    const bool printable = c >= 32 && c < 127;
    EXPECT_EQ(g[0], box[0]) << "code " << c << ": the font is monospaced";
    EXPECT_EQ(std::memcmp(g, box, 1 + R * ((box[0] + 7) / 8)) == 0, !printable) << "code " << c;
    EXPECT_EQ(ink(g, 0, R) > 0, c != ' ') << "code " << c;
    EXPECT_EQ(ink(g, 0, R, true), 0) << "code " << c << ": glBitmap would draw the padding";
  }
  // Descenders go below the base line, the rest stand on it; bottom row first: "A" is wide at
  // its feet and narrow at its apex, "V" the other way round.
  for (char c : {'A', 'M', 'x', '_', 'g', 'p', 'y'}) {
    const unsigned char *g = zelBitmapFont29Glyph(static_cast<unsigned char>(c));
    const bool descends = c == '_' || c == 'g' || c == 'p' || c == 'y';
    EXPECT_EQ(ink(g, 0, B) > 0, descends) << c;
    EXPECT_TRUE(descends || ink(g, B, B + 1) > 0) << c;
  }
  for (char c : {'A', 'V'}) {
    const unsigned char *g = zelBitmapFont29Glyph(static_cast<unsigned char>(c));
    int top = R - 1;
    while (top > 0 && ink(g, top, top + 1) == 0) top--;
    EXPECT_EQ(ink(g, B, B + 1) > ink(g, top, top + 1), c == 'A') << c;
  }
  EXPECT_EQ(ink(box, 0, B), 0);
}

}  // namespace
