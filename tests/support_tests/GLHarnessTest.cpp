#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "tests/support/GLHarness.h"

// The one proof of the harness: two triangles of known colours in a display list, seen the
// same in the pixels and in the feedback, and a freeglut sphere drawn into the same context.
TEST(GLHarness, DisplayListOfTwoTrianglesRendersAndFeedsBack) {
  GLHarness gl(200, 100);
  ASSERT_TRUE(gl.valid());
  gl.ortho(0, 200, 0, 100);
  gl.clear(0, 0, 0);

  GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  glBegin(GL_TRIANGLES);
  glColor3f(1, 0, 0);  // left half: red
  glVertex2f(0, 0);
  glVertex2f(100, 0);
  glVertex2f(0, 100);
  glColor3f(0, 0, 1);  // right half: blue
  glVertex2f(200, 100);
  glVertex2f(100, 100);
  glVertex2f(200, 0);
  glEnd();
  glEndList();

  glCallList(list);
  QImage img = gl.grab();
  gl.savePng(img, "harness_two_triangles");

  // Each right triangle covers half of a 100x100 square, less the shared diagonal.
  int red = countPixels(img, 255, 0, 0), blue = countPixels(img, 0, 0, 255);
  EXPECT_NEAR(red, 5000, 150) << gl.describe();
  EXPECT_NEAR(blue, 5000, 150);
  EXPECT_EQ(countPixels(img, 0, 0, 0) + red + blue, 200 * 100);
  // Orientation: the red triangle sits in the lower left (Qt images have y down).
  EXPECT_EQ(img.pixel(5, 94), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(195, 5), qRgb(0, 0, 255));

  std::vector<FeedbackPrim> prims = gl.feedbackList(list);
  ASSERT_EQ(prims.size(), 2u);
  for (const FeedbackPrim &p : prims) {
    EXPECT_TRUE(p.isPolygon());
    ASSERT_EQ(p.v.size(), 3u);
  }
  EXPECT_FLOAT_EQ(prims[0].v[0].r, 1.0f);
  EXPECT_FLOAT_EQ(prims[1].v[0].b, 1.0f);
  EXPECT_NEAR(prims[1].v[0].x, 200.0f, 0.01f);
  EXPECT_NEAR(prims[1].v[0].y, 100.0f, 0.01f);
  glDeleteLists(list, 1);

  // freeglut draws into the same context (its sphere is what glyphs will use).
  gl.ortho(-1, 1, -1, 1, -2, 2);
  gl.clear(0, 0, 0);
  glColor3f(0, 1, 0);
  glutSolidSphere(0.5, 16, 16);
  img = gl.grab();
  EXPECT_EQ(img.pixel(100, 50), qRgb(0, 255, 0));
  EXPECT_EQ(img.pixel(2, 2), qRgb(0, 0, 0));
}
