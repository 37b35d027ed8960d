// The section outline and the clip frame drawn for real: GL feedback gives the segments sent,
// turned back into mesh coordinates; and a picture of a cut box with its outline, its frame
// and its cap for a person to look at.

#include "common/base/FunctionInterface.h"
#include "tests/lists/ListKit.h"
#include "zelvane/lists/ZelCapping.h"
#include "zelvane/lists/ZelClipFrame.h"
#include "zelvane/lists/ZelClipGeom.h"

namespace {

using P3 = std::array<double, 3>;
struct Segment {
  P3 A, B;
  float Rgba[4];  // of the first end
};

bool same(const Segment &s, const P3 &a, const P3 &b, double tol) {
  auto near = [tol](const P3 &p, const P3 &q) {
    return std::fabs(p[0] - q[0]) <= tol && std::fabs(p[1] - q[1]) <= tol &&
           std::fabs(p[2] - q[2]) <= tol;
  };
  return (near(s.A, a) && near(s.B, b)) || (near(s.A, b) && near(s.B, a));
}

class ClipFrame : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(gl.valid()) << gl.describe(); }
  void TearDown() override { gl.makeCurrent(), ls.reset(); }
  // Opens the mesh headless, one display record per reference group of the drawn kinds.
  void open(const std::function<Geometric_Mesh *(Memory_List *)> &make) {
    gl.makeCurrent();
    ls.reset(new ListScene(make, {KmfTriangles, KmfQuadrilaterals, KmfHexahedra}));
    scene = ls->scene(), mem = ls->memory();
  }
  double *plane(int i, double a, double b, double c, double d) {
    double *p = scene->ZelMsh->Pla->Pla[i];
    p[0] = a, p[1] = b, p[2] = c, p[3] = d;
    return p;
  }
  // The lines drawn, in order, seen through an orthographic view of [-R, R]^3; in mesh
  // coordinates, or display coordinates when asked.
  std::vector<Segment> lines(const std::function<void()> &draw, bool display = false) {
    const double R = 4;
    gl.ortho(-R, R, -R, R, -R, R);
    std::vector<Segment> out;
    for (const FeedbackPrim &p : gl.feedback(draw)) {
      if (!p.isLine()) continue;
      Segment s{{}, {}, {p.v[0].r, p.v[0].g, p.v[0].b, p.v[0].a}};
      for (int k = 0; k < 2; k++) {
        const FeedbackVertex &v = p.v[k];
        P3 d = {R * (2.0 * v.x / gl.width() - 1), R * (2.0 * v.y / gl.height() - 1),
                R * (1 - 2.0 * v.z)};
        for (int i = 0; i < 3; i++)
          (k ? s.B : s.A)[i] = display ? d[i] : d[i] / scene->InvDmaxSca + scene->Ctr[i];
      }
      out.push_back(s);
    }
    return out;
  }
  std::vector<Segment> outline(int p) {
    return lines([&] { EXPECT_EQ(zelSetFrameClipBody(scene, p), 1); });
  }

  static GLHarness &harness() {
    static GLHarness h(400, 400);
    return h;
  }
  GLHarness &gl = harness();
  std::unique_ptr<ListScene> ls;
  ZelScene *scene = nullptr;
  Memory_List *mem = nullptr;
};

// Where y = c crosses unit square i of a strip, from its triangles (a, b, c) and (a, c, d):
// the points in the order the outline emits them.
std::vector<std::array<P3, 2>> stripSegments(int squares, double y) {
  std::vector<std::array<P3, 2>> out;
  for (int i = 0; i < squares; i++) {
    out.push_back({P3{i + y, y, 0}, P3{i + 1.0, y, 0}});
    out.push_back({P3{i + y, y, 0}, P3{double(i), y, 0}});
  }
  return out;
}

// Plane 9 in table colour 1 at y = 0.3; plane 8 in colour 0 along the top row of vertices,
// which count as positive: a triangle with one vertex there gives a segment of zero length at
// it, one with two the edge between them; then plane 9 highlighted in clip-edit mode.
TEST_F(ClipFrame, StripOfCutTrianglesGivesOneSegmentEachAtTheCrossings) {
  open([](Memory_List *m) { return TriangleGrid(m, 4, 1); });
  auto c = [](int byte) { return 0.2f + 0.8f * byte / 255.0f; };
  const struct {
    int Plane;
    double Y;
    uint32_t Mode;
    float Rgba[4];
  } cases[] = {{9, 0.3, 0, {c(205), c(55), c(0), 1}},
               {8, 1, 0, {c(40), c(160), c(120), 1}},
               {9, 0.3, 1, {120 / 255.0f, 40 / 255.0f, 120 / 255.0f, 1}}};
  for (const auto &k : cases) {
    plane(k.Plane, 0, 1, 0, -k.Y);
    scene->Mode = k.Mode;
    glLineWidth(7.0f);
    glEnable(GL_POLYGON_OFFSET_LINE);
    std::vector<Segment> got = outline(k.Plane);
    auto want = stripSegments(4, k.Y);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
      EXPECT_TRUE(same(got[i], want[i][0], want[i][1], 1e-4)) << i;
      for (int j = 0; j < 4; j++) EXPECT_NEAR(got[i].Rgba[j], k.Rgba[j], 2e-3) << k.Plane;
    }
    GLfloat width;
    GLint mode[2];
    glGetFloatv(GL_LINE_WIDTH, &width);
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_TRUE(width == 1.0f && mode[0] == GL_FILL && !glIsEnabled(GL_POLYGON_OFFSET_LINE));
  }
  ls->rec(KmfTriangles).Flags |= ZelLstHidden;  // a hidden group has no outline
  EXPECT_TRUE(outline(9).empty());
}

TEST_F(ClipFrame, WarpedQuadrilateralGivesTwoSegmentsAfterTheTriangles) {
  open([](Memory_List *mem) {
    Geometric_Mesh *msh = NewRoomyMesh(mem, 3, {{KmfVertices, 7}, {KmfTriangles, 1}, {KmfQuadrilaterals, 1}});
    AddElement(msh, KmfQuadrilaterals,
               {AddVertex(msh, 0, 0, 0), AddVertex(msh, 1, 0, 1), AddVertex(msh, 1, 1, 0), AddVertex(msh, 0, 1, 1)}, 1);
    AddElement(msh, KmfTriangles, {AddVertex(msh, 2, 0, 0), AddVertex(msh, 3, 0, 1), AddVertex(msh, 3, 1, 0)}, 1);
    return msh;
  });
  plane(0, 0, 0, 1, -0.5);  // the quadrilateral's corners alternate in sign
  std::vector<Segment> got = outline(0);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_TRUE(same(got[0], {2.5, 0, 0.5}, {3, 0.5, 0.5}, 1e-4));
  EXPECT_TRUE(same(got[1], {0.5, 0, 0.5}, {1, 0.5, 0.5}, 1e-4));
  EXPECT_TRUE(same(got[2], {0.5, 1, 0.5}, {0, 0.5, 0.5}, 1e-4));
}

// 5000 segments fill one chunk exactly; the 5001st comes from the next. Every segment is
// checked against its triangle, in chain order, and nothing stays in the memory list.
TEST_F(ClipFrame, ChunkBoundaryKeepsEverySegment) {
  open([](Memory_List *m) { return TriangleGrid(m, 2501, 1); });
  Geometric_Mesh *msh = scene->Msh;
  plane(0, 0, 1, 0, -0.3);
  auto want = stripSegments(2501, 0.3);
  for (int cut : {5000, 5001}) {
    for (int t = 1; t <= msh->NbrTri; t++)
      msh->Tri[t].Tag = (msh->Tri[t].Tag & ~TAG_VISIBLE) | (t <= cut ? TAG_VISIBLE : 0u);
    int blocks = mem->NbrActive;
    std::vector<Segment> got = outline(0);
    EXPECT_EQ(mem->NbrActive, blocks);
    ASSERT_EQ(got.size(), static_cast<size_t>(cut));
    for (int i = 0; i < cut; i++) ASSERT_TRUE(same(got[i], want[i][0], want[i][1], 0.01)) << i;
  }
}

TEST_F(ClipFrame, FrameOnTheEnlargedBoxAndRefusals) {
  open([](Memory_List *m) { return MakeStructuredMesh(m, 2, 3, 4, GEN_HEX | GEN_QUA); });
  const double *box = scene->View->Box;
  double lo[3], hi[3];
  for (int i = 0; i < 3; i++) {
    double m = std::fabs(box[i + 3] - box[i]) * 0.01;
    lo[i] = box[i] - m, hi[i] = box[i + 3] + m;
  }
  plane(2, 0, 0, 1, -2);  // the middle of the box, parallel to the bottom face
  double z = (2 - scene->Ctr[2]) * scene->InvDmaxSca;
  std::vector<Segment> got = lines([&] { EXPECT_EQ(zelSetFrameBoxBody(scene, 2), 1); }, true);
  ASSERT_EQ(got.size(), 4u);
  const P3 corner[4] = {{lo[0], lo[1], z}, {hi[0], lo[1], z}, {hi[0], hi[1], z}, {lo[0], hi[1], z}};
  for (int k = 0; k < 4; k++) {
    int found = 0;
    for (const Segment &s : got) found += same(s, corner[k], corner[(k + 1) % 4], 1e-4);
    EXPECT_EQ(found, 1) << "side " << k;
  }
  EXPECT_NEAR(got[0].Rgba[0], 120 / 255.0f, 2e-3);
  EXPECT_NEAR(got[0].Rgba[3], 1 / 255.0f, 2e-3);  // the frame's alpha byte is 1
  plane(3, 0, 0, 1, -100);                        // misses the box
  EXPECT_TRUE(lines([&] { EXPECT_EQ(zelSetFrameBoxBody(scene, 3), 1); }).empty());

  // Refused without what they draw from, or for a plane past the 32.
  EXPECT_EQ(
      zelSetFrameClipBody(nullptr, 0) + zelSetFrameBoxBody(nullptr, 0) + zelSetCapClip(nullptr), 0);
  EXPECT_EQ(zelSetFrameClipBody(scene, 32) + zelSetFrameBoxBody(scene, -1), 0);
  EXPECT_EQ(zelSetCapClip(scene), 1);
}

// A box of n^3 hexahedra with its six sides as quadrilaterals of references 2, 3, 4 by axis.
Geometric_Mesh *skinnedBox(Memory_List *mem, int n) {
  Geometric_Mesh *msh = MakeStructuredMesh(mem, n, n, n, GEN_HEX);
  NewCommonMeshEntity(mem, msh, KmfQuadrilaterals, 6 * n * n);
  for (int axis = 0; axis < 3; axis++)
    for (int side : {0, n})
      for (int f = 0; f < n * n; f++) {
        int c[4][3], v[4];
        for (int q = 0; q < 4; q++) {
          c[q][axis] = side, c[q][(axis + 1) % 3] = f % n + (q == 1 || q == 2);
          c[q][(axis + 2) % 3] = f / n + (q >= 2);
          v[q] = GridVertex(n, n, c[q][0], c[q][1], c[q][2]);
        }
        AddElement(msh, KmfQuadrilaterals, {v[0], v[1], v[2], v[3]}, 2 + axis);
      }
  return msh;
}

TEST_F(ClipFrame, PictureOfACutBoxWithOutlineFrameAndCap) {
  const int n = 6;
  open([](Memory_List *m) { return skinnedBox(m, n); });
  const double *pla = plane(0, 1, 1, 1, -1.5 * n);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "CLIPPING");
  ASSERT_EQ(zelSetPlaneClip(&fi, scene, 0), 1);  // through the installed hook
  ZelEntity *hex = scene->ZelMsh->HexEnt;
  GLMesh *cap = nullptr;
  ASSERT_EQ(zel_cappingmesh(ZelCapHexahedra, hex->DspLst[1].Head, pla, nullptr, scene->Msh,
                            scene->ZelMsh, hex->Lnk, &cap),
            1);
  // The frame follows the view's box: a box larger than the mesh sets it apart in the picture.
  for (double &b : scene->View->Box) b *= 1.3;

  gl.ortho(-1, 1, -1, 1, -3, 3);
  gl.clear(1, 1, 1);
  // The frame's alpha of 1 stays out of the image.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  glRotated(-55, 1, 0, 0);
  glRotated(-110, 0, 0, 1);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(1, 1);
  // The sides on the kept side of the plane, a grey per axis; the cap, orange.
  double d[4];
  zelDisplayPlane(pla, scene->Ctr, scene->InvDmaxSca, d);
  const GLdouble keep[4] = {-d[0], -d[1], -d[2], -d[3]};
  glClipPlane(GL_CLIP_PLANE0, keep);
  glEnable(GL_CLIP_PLANE0);
  glBegin(GL_QUADS);
  for (int q = 1; q <= scene->Msh->NbrQua; q++) {
    GLubyte grey = static_cast<GLubyte>(80 + 30 * scene->Msh->Qua[q].Ref);
    glColor3ub(grey, grey, grey);
    for (int k = 0; k < 4; k++) glVertex3fv(scene->ZelMsh->Crd[scene->Msh->Qua[q].Ver[k]]);
  }
  glEnd();
  glDisable(GL_CLIP_PLANE0);
  glColor3ub(255, 140, 0);
  glBegin(GL_TRIANGLES);
  for (int k = 0; k < 3 * cap->NbrTri; k++) glVertex3fv(cap->TriCrd + 3 * k);
  glEnd();
  glBegin(GL_QUADS);
  for (int k = 0; k < 4 * cap->NbrQua; k++) glVertex3fv(cap->QuaCrd + 3 * k);
  glEnd();
  glDisable(GL_POLYGON_OFFSET_FILL);
  zelSetFrameClip(scene, 0);
  zelSetFrameBox(scene, 0);
  zel_freeGLMesh(cap);
  QImage img = gl.grab();
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDisable(GL_DEPTH_TEST);
  gl.savePng(img, "clip_cut_box");
  EXPECT_GT(countPixels(img, 255, 140, 0, 8), 5000);  // the cap
  EXPECT_GT(countPixels(img, 140, 140, 140, 2) + countPixels(img, 170, 170, 170, 2),
            2000);                                    // sides
  EXPECT_GT(countPixels(img, 83, 179, 147, 8), 300);  // outline, colour 0
  EXPECT_GT(countPixels(img, 120, 40, 120, 8), 100);  // the frame
}

}  // namespace
