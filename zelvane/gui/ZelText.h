// Text inside the OpenGL view drawn with the program's own texture fonts.
//
// A font instance turns one compiled-in glyph set (resources/fonts/ZelvaneFonts.h) into 128
// textures and 128 display lists, one per character code: list base + c draws character c at
// the pen and moves the pen by the set's advance. print draws a text, line by line downwards,
// in window pixels with the origin at the bottom left, each line one call of the lists.
//
// The view keeps two instances per context, of heights 30 and 60. An instance is made once
// its context exists (init), owns its textures and lists until clean, and must be used and
// cleaned with that context current. GUI thread only.
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

struct Zelvane_Font;

namespace ZelText {

struct font_data {
  float h = 0;                   // the requested pixel height; lines are h / 0.63 apart
  std::vector<GLuint> textures;  // one per character code
  GLuint list_base = 0;          // first of 128 consecutive lists; 0 until init

  // Sizes the textures to 128, keeps h and builds every character of the glyph set of that
  // size: 10, 20, 40, 50 and 60 have a set of their own, any other height (30 included) uses
  // the set of size 30. Needs a current context.
  void init(unsigned int h);
  // Deletes the lists and the textures (nothing when not initialised).
  void clean();
};

// The glyph set init chooses for a height.
const Zelvane_Font *fontForHeight(unsigned int h);

// Where the ink of one line of text falls, in pixels from its pen at scale 1: x0..x1
// across, y0..y1 up. All 0 for a text without ink (empty, or spaces only).
struct InkBox {
  float x0 = 0, x1 = 0, y0 = 0, y1 = 0;
};
// The ink of text (one line; bytes of 128 and above count as the missing-glyph box) drawn
// with the glyph set, as print places it: glyph k's quadrilateral from its left offset to
// that plus its width, and from its top minus 0.9 x rows to its top plus 0.1 x rows.
InkBox inkBox(const Zelvane_Font *font, const std::string &text);

// Texture and display list of character c of the set: the glyph uploaded as a luminance-alpha
// texture (linear filters, repeat, modulate), and list listBase + c drawing its textured
// quadrilateral at the pen (left offset, top minus 0.9 x rows) and moving the pen by the
// advance.
void make_dlist(const Zelvane_Font *font, char c, GLuint listBase, GLuint *textures);

// Draws the text with its first line's pen at window pixel (x, y) of the current viewport,
// each further line h / 0.63 below; the current model-view matrix applies after the move to
// the pen. Lighting and depth test are off meanwhile; texturing and blending on. Bytes of 128
// and above draw the missing-glyph box. Every GL state it touches is restored.
void print(const font_data &font, float x, float y, const std::string &text);

}  // namespace ZelText
