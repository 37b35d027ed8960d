// Texture fonts: the textures and lists of a glyph set, and text drawn with them.
#include "zelvane/gui/ZelText.h"

#include <GL/glu.h>

#include <algorithm>

#include "resources/fonts/ZelvaneFonts.h"

namespace ZelText {

namespace {
constexpr int Glyphs = 128;
// Code of the missing-glyph box, drawn for bytes the sets do not hold.
constexpr unsigned char MissingGlyph = 127;
}  // namespace

const Zelvane_Font *fontForHeight(unsigned int h) {
  for (const Zelvane_Font *f : zelvaneFonts)
    if (f->pixelSize != 30 && unsigned(f->pixelSize) == h) return f;
  return &zelvaneFont30;
}

InkBox inkBox(const Zelvane_Font *font, const std::string &text) {
  InkBox box;
  bool inked = false;
  float pen = 0;
  for (char c : text) {
    const unsigned char code = static_cast<unsigned char>(c) >= 128 ? MissingGlyph : static_cast<unsigned char>(c);
    const GlyphMetrics &g = *font->glyphMetrics[code];
    if (g.bitmapWidth > 0 && g.bitmapRows > 0) {
      const float rows = float(g.bitmapRows), left = pen + float(g.bitmapLeft);
      const float x0 = left, x1 = left + float(g.bitmapWidth);
      const float y0 = float(g.bitmapTop) - 0.9f * rows, y1 = float(g.bitmapTop) + 0.1f * rows;
      box = inked ? InkBox{std::min(box.x0, x0), std::max(box.x1, x1), std::min(box.y0, y0), std::max(box.y1, y1)}
                  : InkBox{x0, x1, y0, y1};
      inked = true;
    }
    pen += float(g.advance >> 6);
  }
  return box;
}

void font_data::init(unsigned int height) {
  textures.assign(Glyphs, 0);
  h = float(height);
  const Zelvane_Font *font = fontForHeight(height);
  list_base = glGenLists(Glyphs);
  glGenTextures(Glyphs, textures.data());
  for (int c = 0; c < Glyphs; c++) make_dlist(font, char(c), list_base, textures.data());
}

void font_data::clean() {
  if (list_base) glDeleteLists(list_base, Glyphs);
  if (!textures.empty()) glDeleteTextures(GLsizei(textures.size()), textures.data());
  list_base = 0;
  textures.clear();
}

void make_dlist(const Zelvane_Font *font, char c, GLuint listBase, GLuint *textures) {
  const int code = static_cast<unsigned char>(c) & 0x7f;
  const GlyphMetrics &g = *font->glyphMetrics[code];
  glBindTexture(GL_TEXTURE_2D, textures[code]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, g.textureWidth, g.textureHeight, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE,
               font->glyphBitmaps[code]);

  const float w = float(g.bitmapWidth), rows = float(g.bitmapRows);
  const float s = w / float(g.textureWidth), t = rows / float(g.textureHeight);
  glNewList(listBase + GLuint(code), GL_COMPILE);
  glBindTexture(GL_TEXTURE_2D, textures[code]);
  glPushMatrix();
  glTranslatef(float(g.bitmapLeft), 0, 0);
  glTranslatef(0, float(g.bitmapTop) - 0.9f * rows, 0);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(0, rows);
  glTexCoord2f(0, t);
  glVertex2f(0, 0);
  glTexCoord2f(s, t);
  glVertex2f(w, 0);
  glTexCoord2f(s, 0);
  glVertex2f(w, rows);
  glEnd();
  glPopMatrix();
  glTranslatef(float(g.advance >> 6), 0, 0);
  glEndList();
}

void print(const font_data &font, float x, float y, const std::string &text) {
  if (!font.list_base || text.empty()) return;
  glPushAttrib(GL_TRANSFORM_BIT);
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(vp[0], vp[2], vp[1], vp[3]);
  glPopAttrib();

  const float lineHeight = font.h / 0.63f;
  glPushAttrib(GL_LIST_BIT | GL_CURRENT_BIT | GL_ENABLE_BIT | GL_TRANSFORM_BIT | GL_COLOR_BUFFER_BIT |
               GL_TEXTURE_BIT);
  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glListBase(font.list_base);
  GLfloat M[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, M);
  std::string line;
  size_t start = 0;
  for (int i = 0; start <= text.size(); i++) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    line.assign(text, start, end - start);
    // As list offsets, bytes past the set would call lists outside the font.
    for (char &c : line)
      if (static_cast<unsigned char>(c) >= 128) c = char(MissingGlyph);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(x, y - float(i) * lineHeight, 0);
    glMultMatrixf(M);
    glCallLists(GLsizei(line.size()), GL_UNSIGNED_BYTE, line.data());
    glPopMatrix();
    start = end + 1;
  }
  glPopAttrib();
  glPushAttrib(GL_TRANSFORM_BIT);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glPopAttrib();
}

}  // namespace ZelText
