#include "tests/support/GLHarness.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>
#include <cstdlib>
#include <sys/stat.h>

#include "zelvane/scene/ZelGlyphs.h"

namespace {

QGuiApplication *application() {
  if (!QCoreApplication::instance()) {
    static int argc = 1;
    static char name[] = "zelvane-test";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    return app;
  }
  return qobject_cast<QGuiApplication *>(QCoreApplication::instance());
}

}  // namespace

struct GLHarness::Impl {
  QOpenGLContext ctx;
  QOffscreenSurface surface;
  std::unique_ptr<QOpenGLFramebufferObject> fbo;
  bool ok = false;
};

GLHarness::GLHarness(int width, int height) : w_(width), h_(height) {
  // The application must exist before any surface object is made. freeglut's spheres and
  // bitmap fonts need its own window; they draw into this context once it is current. A
  // program that initialised freeglut already (the shell's start-up) keeps its own window.
  application();
  zelGlutOpenWindow();
  d_.reset(new Impl);
  QSurfaceFormat fmt;
  fmt.setRenderableType(QSurfaceFormat::OpenGL);
  fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
  fmt.setDepthBufferSize(24);
  d_->ctx.setFormat(fmt);
  if (!d_->ctx.create()) return;
  d_->surface.setFormat(d_->ctx.format());
  d_->surface.create();
  if (!d_->ctx.makeCurrent(&d_->surface)) return;
  QOpenGLFramebufferObjectFormat ff;
  ff.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
  d_->fbo.reset(new QOpenGLFramebufferObject(width, height, ff));
  d_->ok = d_->fbo->isValid() && d_->fbo->bind();
  glViewport(0, 0, width, height);
}

GLHarness::~GLHarness() {
  if (d_->ok) {
    d_->ctx.makeCurrent(&d_->surface);
    d_->fbo.reset();
    d_->ctx.doneCurrent();
  }
}

bool GLHarness::valid() const { return d_->ok; }

void GLHarness::makeCurrent() {
  d_->ctx.makeCurrent(&d_->surface);
  if (d_->fbo) d_->fbo->bind();
}

void GLHarness::ortho(double left, double right, double bottom, double top, double zNear, double zFar) {
  makeCurrent();
  glViewport(0, 0, w_, h_);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(left, right, bottom, top, zNear, zFar);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void GLHarness::clear(float r, float g, float b) {
  makeCurrent();
  glClearColor(r, g, b, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

QImage GLHarness::grab() {
  makeCurrent();
  glFinish();
  return d_->fbo->toImage();
}

std::string testOutputDir() {
  const char *dir = std::getenv("ZELVANE_TEST_OUT");
  std::string out = dir && *dir ? dir : ZELVANE_TEST_OUT_DIR;
  mkdir(out.c_str(), 0755);
  return out;
}

std::string GLHarness::savePng(const QImage &img, const std::string &name) {
  std::string path = testOutputDir() + "/" + name + ".png";
  img.save(QString::fromStdString(path), "PNG");
  return path;
}

std::vector<FeedbackPrim> GLHarness::feedback(const std::function<void()> &draw, size_t bufferFloats) {
  makeCurrent();
  return captureFeedback(draw, bufferFloats);
}

std::vector<FeedbackPrim> captureFeedback(const std::function<void()> &draw, size_t bufferFloats) {
  std::vector<GLfloat> buf(bufferFloats);
  glFeedbackBuffer(static_cast<GLsizei>(buf.size()), GL_3D_COLOR, buf.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  GLint n = glRenderMode(GL_RENDER);
  std::vector<FeedbackPrim> prims;
  if (n < 0) return prims;  // overflow: the caller sees no primitives rather than a partial set

  const int per = 7;  // x y z r g b a in RGBA mode
  GLint i = 0;
  auto vertex = [&](FeedbackPrim &p) {
    FeedbackVertex v{buf[i], buf[i + 1], buf[i + 2], buf[i + 3], buf[i + 4], buf[i + 5], buf[i + 6]};
    p.v.push_back(v);
    i += per;
  };
  while (i < n) {
    FeedbackPrim p;
    p.token = static_cast<GLenum>(buf[i++]);
    switch (p.token) {
      case GL_POLYGON_TOKEN: {
        int count = static_cast<int>(buf[i++]);
        for (int k = 0; k < count; k++) vertex(p);
        break;
      }
      case GL_LINE_TOKEN:
      case GL_LINE_RESET_TOKEN:
        vertex(p);
        vertex(p);
        break;
      case GL_POINT_TOKEN:
      case GL_BITMAP_TOKEN:
      case GL_DRAW_PIXEL_TOKEN:
      case GL_COPY_PIXEL_TOKEN:
        vertex(p);
        break;
      case GL_PASS_THROUGH_TOKEN:
        i++;
        break;
      default:
        return prims;  // unknown token: stop rather than misread the rest
    }
    prims.push_back(std::move(p));
  }
  return prims;
}

std::vector<FeedbackPrim> GLHarness::feedbackList(GLuint list, size_t bufferFloats) {
  return feedback([list] { glCallList(list); }, bufferFloats);
}

std::string GLHarness::describe() {
  makeCurrent();
  auto str = [](GLenum e) {
    const GLubyte *s = glGetString(e);
    return std::string(s ? reinterpret_cast<const char *>(s) : "?");
  };
  return str(GL_VENDOR) + " / " + str(GL_RENDERER) + " / " + str(GL_VERSION);
}

int countPixels(const QImage &img, int r, int g, int b, int tolerance) {
  QImage im = img.convertToFormat(QImage::Format_RGB32);
  int count = 0;
  for (int y = 0; y < im.height(); y++) {
    const QRgb *line = reinterpret_cast<const QRgb *>(im.constScanLine(y));
    for (int x = 0; x < im.width(); x++) {
      QRgb p = line[x];
      if (std::abs(qRed(p) - r) <= tolerance && std::abs(qGreen(p) - g) <= tolerance &&
          std::abs(qBlue(p) - b) <= tolerance)
        count++;
    }
  }
  return count;
}
