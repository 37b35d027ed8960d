// Offscreen OpenGL compatibility context for drawing tests: render into a framebuffer
// object, read it back, count pixels, save PNGs for a person to look at, and capture what a
// display list emits through GL feedback mode.
#pragma once

#include <GL/gl.h>

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct FeedbackVertex {
  float x, y, z;     // window coordinates
  float r, g, b, a;  // colour
};

struct FeedbackPrim {
  GLenum token;  // GL_POLYGON_TOKEN, GL_LINE_TOKEN, GL_LINE_RESET_TOKEN, GL_POINT_TOKEN, ...
  std::vector<FeedbackVertex> v;
  bool isPolygon() const { return token == GL_POLYGON_TOKEN; }
  bool isLine() const { return token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN; }
  bool isPoint() const { return token == GL_POINT_TOKEN; }
};

class GLHarness {
 public:
  GLHarness(int width, int height);
  ~GLHarness();
  GLHarness(const GLHarness &) = delete;
  GLHarness &operator=(const GLHarness &) = delete;

  bool valid() const;
  void makeCurrent();
  int width() const { return w_; }
  int height() const { return h_; }

  // Viewport over the whole surface and an orthographic projection of the given box;
  // the model-view matrix is reset to identity.
  void ortho(double left, double right, double bottom, double top, double zNear = -1, double zFar = 1);
  void clear(float r, float g, float b);

  QImage grab();
  // Writes the image under the test output folder (ZELVANE_TEST_OUT) and returns its path.
  std::string savePng(const QImage &img, const std::string &name);

  std::vector<FeedbackPrim> feedback(const std::function<void()> &draw, size_t bufferFloats = 1 << 20);
  std::vector<FeedbackPrim> feedbackList(GLuint list, size_t bufferFloats = 1 << 20);

  // Description of the context (vendor, renderer, version), for failure messages.
  std::string describe();

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
  int w_, h_;
};

// What draw emits, in feedback mode of the context current now (another program's view, for
// instance); no primitives when the buffer overflows.
std::vector<FeedbackPrim> captureFeedback(const std::function<void()> &draw, size_t bufferFloats = 1 << 20);

// Number of pixels within tolerance of the colour (per channel, 0..255).
int countPixels(const QImage &img, int r, int g, int b, int tolerance = 2);

// Directory where tests write their artefacts.
std::string testOutputDir();
