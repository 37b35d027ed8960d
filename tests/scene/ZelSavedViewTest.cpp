// Saved views and their file, the initial camera, the projection and re-centring on a pick.
#include <GL/gl.h>

#include "tests/scene/SceneTest.h"
#include "tests/support/CommaLocale.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelMatrix.h"

namespace {

Geometric_Mesh *grid(Memory_List *mem) { return TriangleGrid(mem, 2, 1); }
Geometric_Mesh *box(Memory_List *mem) { return MakeStructuredMesh(mem, 2, 1, 1, GEN_TET); }

// The 25 numbers of a saved view.
std::vector<double> numbers(const ZelViewBucket &b) {
  std::vector<double> n(b.Trn, b.Trn + 3);
  n.insert(n.end(), b.Ctr, b.Ctr + 3);
  n.insert(n.end(), {b.Fov, b.Near, b.Far});
  n.insert(n.end(), b.Mat, b.Mat + 16);
  return n;
}

std::string viewLine(int i) {
  return std::to_string(i) + "\t1 2 3\t0 0 0\t45\t0.5\t4\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n";
}

// Views written by one scene under a comma-decimal locale restore another exactly as "%lg"
// printed them.
TEST(SavedViews, ThreeViewsRoundTripUnderACommaLocale) {
  DisplayScene a(grid, false), b(box, false);
  CommaLocale comma(TestPath("comma"));
  if (!comma.failure().empty()) GTEST_SKIP() << comma.failure();
  const double seeds[3] = {0.1234567, -2.5e-7, 12345678.9};
  for (int k = 0; k < 3; k++) {
    ZelView *v = a->View;
    for (int i = 0; i < 3; i++) v->Trn[i] = seeds[k] * (i + 1), v->Ctr[i] = -seeds[k] / (i + 3);
    v->Fov = 30.25 + k, v->Near = 0.125 * seeds[k], v->Far = 7.5;
    for (int j = 0; j < 16; j++) v->Mat[j] = seeds[k] + j / 7.0;
    EXPECT_EQ(zelSaveView(a.get()), k + 1);
  }
  TempFile file("three.view");
  ASSERT_EQ(zelSaveViewInFile(a.get(), file.c_str()), 1);
  const std::string text = readFile(file.Path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_EQ(text.find(','), std::string::npos) << text;

  ASSERT_EQ(zelLoadView(b.get(), file.c_str()), 3);
  EXPECT_EQ(b->BakView->NbrView, 0);  // the caller counts them
  b->BakView->NbrView += 3;
  for (int k = 0; k < 3; k++) {
    std::vector<double> wrote = numbers(*a->BakView->Head[k]), read = numbers(*b->BakView->Head[k]);
    for (size_t j = 0; j < 25; j++) EXPECT_EQ(read[j], kept(wrote[j])) << k << " " << j;
  }
  ASSERT_EQ(setSavedView(b.get(), 1), 1);
  EXPECT_EQ(b->View->Fov, 31.25);
  EXPECT_EQ(b->View->Mat[7], kept(-2.5e-7 + 1.0));
  EXPECT_TRUE(b->Flags & ZelFlgViewApplied);
}

// A cut last line adds nothing; a long file fills the list to 100 with the warning; a full list
// is still written; a file in a missing folder is refused.
TEST(SavedViews, FilesCutLongFullOrUnreachable) {
  DisplayScene s(grid, false);
  ZelViewList *list = s->BakView;
  TempFile cut("cut.view"), many("many.view"), full("full.view");
  ASSERT_TRUE(SaveText(cut.Path, viewLine(0) + viewLine(1) + "2\t1 2 3\t0 0 0\t"));
  EXPECT_EQ(zelLoadView(s.get(), cut.c_str()), 2);
  std::string text;
  for (int i = 0; i < 120; i++) text += viewLine(i);
  ASSERT_TRUE(SaveText(many.Path, text));
  std::string out = CaptureText([&] { EXPECT_EQ(zelLoadView(s.get(), many.c_str()), 100); }).Out;
  EXPECT_EQ(out, "###### WARNING : TOO MANY VIEW SAVED (NBRVIEW = 100)\n");
  list->NbrView = 100;
  CaptureText([&] { EXPECT_EQ(zelSaveView(s.get()) + zelLoadView(s.get(), many.c_str()), 0); });
  ASSERT_EQ(zelSaveViewInFile(s.get(), full.c_str()), 1);
  EXPECT_EQ(readFile(full.Path), text.substr(0, text.find("100\t")));
  EXPECT_EQ(zelSaveViewInFile(s.get(), "/no-such-folder-zelvane/x.view"), 0);
  list->NbrView = 0;
  EXPECT_EQ(zelLoadView(s.get(), "/no-such-folder-zelvane/x.view"), 0);
}

// The initial camera comes back after a turn and a pan, the translation stays; the projection
// is the camera's frustum followed by its translation.
TEST(SavedViews, InitialViewUndoesTurnAndPanButKeepsTranslation) {
  DisplayScene s(box, false);
  ZelView *v = s->View;
  v->Width = 64, v->Height = 48;
  double turn[16];
  const double axis[3] = {0, 1, 0};
  zelRotate(turn, axis, 35);
  zelApplyTransform(v->Mat, turn);
  v->Fov = 20;
  v->Ctr[0] = 0.3, v->Ctr[1] = -0.2;
  v->Trn[0] = 0.7;
  s->VieEvt->angle = 12, s->VieEvt->panX = 3, s->VieEvt->appliedPanY = 2;

  ASSERT_EQ(setSavedView(s.get(), -1), 1);
  EXPECT_EQ(std::vector<double>(v->Mat, v->Mat + 16), std::vector<double>(v->IniMat, v->IniMat + 16));
  EXPECT_EQ(v->Fov, v->IniFov);
  for (int d = 0; d < 3; d++) EXPECT_DOUBLE_EQ(v->Ctr[d], 0.5 * (v->Box[d] + v->Box[3 + d]));
  EXPECT_EQ(v->Trn[0], 0.7);
  EXPECT_EQ(s->VieEvt->angle + s->VieEvt->panX + s->VieEvt->appliedPanY, 0);
  GLint port[4];
  glGetIntegerv(GL_VIEWPORT, port);
  EXPECT_EQ(std::vector<int>(port + 2, port + 4), (std::vector<int>{64, 48}));
  double p[16];
  glGetDoublev(GL_PROJECTION_MATRIX, p);
  const double n = v->Near, f = v->Far, ymax = n * std::tan(v->Fov * M_PI / 360), xmax = ymax * 64 / 48;
  EXPECT_NEAR(p[0], n / xmax, 1e-6);
  EXPECT_NEAR(p[5], n / ymax, 1e-6);
  EXPECT_NEAR(p[12], n / xmax * 0.7, 1e-6);
  EXPECT_NEAR(p[14], -(f + n) / (f - n) * v->Trn[2] - 2 * f * n / (f - n), 1e-6);
  EXPECT_EQ(p[15], -v->Trn[2]);

  std::string out =
      CaptureText([&] { EXPECT_EQ(setSavedView(s.get(), -2) + setSavedView(s.get(), 100), 0); }).Out;
  EXPECT_CONTAINS(out, "###### WARNING : INVALID NBRVIEW (-2) MUST BE LESS THAN OR EQUAL TO 100\n");
  EXPECT_EQ(setSavedView(s.get(), 3), 0);
}

// Re-centring on a triangle, on an edge picked on a face (two stack entries), and refusals.
TEST(SavedViews, CentreMovesToTheLastPick) {
  DisplayScene s(grid, false);  // box 0..2 x 0..1: centre (1, 0.5), scale 1/2
  const double *c = s->View->Ctr;
  struct Case {
    const char *Name;
    std::vector<std::pair<int, int>> Stack;  // (index, kind), top last
    int Result;
    double X, Y;
  } cases[] = {
      {"triangle", {{1, KmfTriangles}}, 1, (2.0 / 3 - 1) / 2, (1.0 / 3 - 0.5) / 2},
      {"edge on a face", {{1, KmfFaceEdges}, {3, KmfFaceEdges}}, 1, 0, -0.25},
      {"edge on a face alone", {{3, KmfFaceEdges}}, 0, 0, 0},
      {"vertex out of range", {{1, KmfFaceEdges}, {99, KmfFaceEdges}}, 0, 0, 0},
      {"clip plane", {{0, KmfPlanes}}, 0, 0, 0},
      {"nothing picked", {}, 0, 0, 0},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.Name);
    s->Pck->Top = -1;
    for (auto e : k.Stack) geoPushHybridStack(s->Pck, e.first, e.second);
    s->View->Ctr[0] = s->View->Ctr[1] = 0;
    s->VieEvt->panX = 5;
    EXPECT_EQ(zelChangeCenter(s.get()), k.Result);
    EXPECT_DOUBLE_EQ(c[0], k.X);
    EXPECT_DOUBLE_EQ(c[1], k.Y);
    EXPECT_EQ(s->VieEvt->panX, k.Result ? 0 : 5);
  }
}

}  // namespace
