// Arrows, circles, freeglut's spheres and the bitmap text of the scene.
#include "zelvane/scene/ZelGlyphs.h"

#include <GL/freeglut.h>
#include <GL/glx.h>

#include <cmath>

#include "zelvane/scene/ZelBitmapFont29.h"

namespace {

// cos 12 and sin 12 degrees.
constexpr double kCos12 = 0.9781476007338057, kSin12 = 0.2079116908177593;

}  // namespace

void zelBitmapPixelStore() {
  glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

int zelArrowSegments(const float p[3], const float d[3], float L, float out[6][3]) {
  const double x = d[0], y = d[1], z = d[2];
  const double len2 = x * x + y * y + z * z;
  if (!(len2 > 0.0) || !std::isfinite(len2)) return 0;
  double w[3];
  if (std::fabs(x) > 1e-6)
    w[0] = -(y + z) / x, w[1] = 1.0, w[2] = 1.0;
  else if (std::fabs(y) > 1e-6)
    w[0] = 1.0, w[1] = -(x + z) / y, w[2] = 1.0;
  else
    w[0] = 1.0, w[1] = 1.0, w[2] = -(x + y) / z;
  const double wl = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
  for (double &c : w) c /= wl;
  const double u[3] = {y * w[2] - z * w[1], z * w[0] - x * w[2], x * w[1] - y * w[0]};
  const double b = L / 10.0;
  for (int k = 0; k < 3; k++) {
    const double t = p[k] + L * d[k];
    out[0][k] = p[k];
    out[1][k] = out[2][k] = out[4][k] = static_cast<float>(t);
    out[3][k] = static_cast<float>(t + b * (-kCos12 * d[k] + kSin12 * u[k]));
    out[5][k] = static_cast<float>(t + b * (-kCos12 * d[k] - kSin12 * u[k]));
  }
  return 1;
}

int zelEmitArrow(const float p[3], const float d[3], float L) {
  float seg[6][3];
  if (!zelArrowSegments(p, d, L, seg)) return 0;
  for (const auto &v : seg) glVertex3fv(v);
  return 1;
}

void zelCircle(float r) {
  glBegin(GL_LINE_STRIP);
  for (float a = 0.0f; a <= 2.0 * M_PI + 0.2; a += 0.2f) glVertex2f(r * std::sin(a), r * std::cos(a));
  glEnd();
}

void zelGlutInit() {
  if (glutGet(GLUT_INIT_STATE)) return;
  int argc = 1;
  char name[] = "zelvane";
  char *argv[] = {name, nullptr};
  glutInit(&argc, argv);
}

void zelGlutOpenWindow() {
  static bool done = false;
  if (done || glutGet(GLUT_INIT_STATE)) {
    done = true;
    return;
  }
  done = true;
  int argc = 1;
  char name[] = "zelvane";
  char *argv[] = {name, nullptr};
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DEPTH);
  glutInitWindowSize(1, 1);
  const int window = glutCreateWindow("zelvane-glut");
  glutSetWindow(window);
  glutHideWindow();
  // freeglut made its window's context current, on freeglut's own connection to the display.
  // Left current, the next context that Qt creates would bind it again through Qt's
  // connection when it puts the former context back, and the GL driver would then count it as
  // that connection's context: closing freeglut's connection would free the context's screen
  // but leave the context, and closing Qt's would free the context through the freed screen,
  // a crash at exit whenever that memory has been reused. Its spheres and fonts draw into
  // whatever context is current; freeglut makes its own current again only to end.
  if (Display *dpy = glXGetCurrentDisplay()) glXMakeContextCurrent(dpy, None, None, nullptr);
}

void zelDrawWireSphere(double radius, int slices, int stacks) {
  zelGlutInit();
  glutWireSphere(radius, slices, stacks);
}

void zelDrawSolidSphere(double radius, int slices, int stacks) {
  zelGlutInit();
  glutSolidSphere(radius, slices, stacks);
}

void zel::glutBitmapString(const char *text) {
  if (!text || !*text) return;
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  zelBitmapPixelStore();
  int x = 0;
  for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; c++) {
    if (*c == '\n') {
      glBitmap(0, 0, 0, 0, static_cast<float>(-x), -static_cast<float>(ZEL_FONT29_ROWS), nullptr);
      x = 0;
      continue;
    }
    const unsigned char *g = zelBitmapFont29Glyph(*c);
    glBitmap(g[0], ZEL_FONT29_ROWS, 0, ZEL_FONT29_BELOW, g[0], 0, g + 1);
    x += g[0];
  }
  glPopClientAttrib();
}

void glutBitmapString12(int font, const char *text) {
  if (!text || !*text) return;
  zelGlutInit();
  void *face = font == 1 ? GLUT_BITMAP_8_BY_13 : GLUT_BITMAP_HELVETICA_18;
  const float height = static_cast<float>(glutBitmapHeight(face));
  int x = 0;
  for (const unsigned char *c = reinterpret_cast<const unsigned char *>(text); *c; c++) {
    if (*c == '\n') {
      glBitmap(0, 0, 0, 0, static_cast<float>(-x), -height, nullptr);
      x = 0;
      continue;
    }
    glutBitmapCharacter(face, *c);
    x += glutBitmapWidth(face, *c);
  }
}
