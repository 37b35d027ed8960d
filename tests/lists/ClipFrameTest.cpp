// The section outline and the clip frame drawn for real: GL feedback gives the segments sent,
// turned back into mesh coordinates; and a picture of a cut box with its outline, its frame
// and its cap for a person to look at.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/support/DisplayRecord.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelCapping.h"
#include "zelvane/lists/ZelClipFrame.h"
#include "zelvane/lists/ZelClipGeom.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelScene.h"

namespace {

using P3 = std::array<double, 3>;

struct Segment {
  P3 A, B;  // mesh coordinates (frame: display coordinates)
  float Rgba[4];
};

// What one line of the expected outline is: two mesh points.
struct Expected {
  P3 A, B;
};

bool near(const P3 &p, const P3 &q, double tol) {
  return std::fabs(p[0] - q[0]) <= tol && std::fabs(p[1] - q[1]) <= tol &&
         std::fabs(p[2] - q[2]) <= tol;
}
bool sameSegment(const Segment &s, const Expected &e, double tol) {
  return (near(s.A, e.A, tol) && near(s.B, e.B, tol)) ||
         (near(s.A, e.B, tol) && near(s.B, e.A, tol));
}

class ClipFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    gl.reset(new GLHarness(400, 400));
    ASSERT_TRUE(gl->valid()) << gl->describe();
    zelInstallListHooks();
  }
  void TearDown() override {
    if (scene) {
      gl->makeCurrent();
      for (int kind : {KmfTriangles, KmfQuadrilaterals, KmfHexahedra})
        if (ZelEntity *ent = zelGetEntity(scene->ZelMsh, kind))
          for (int k = 1; k <= ent->NbrLst; k++) FreeDisplayRecord(&ent->DspLst[k]);
      zelFreeScene(mem, scene);
    }
    EXPECT_EQ(mem->NbrActive, 0);
    FreeMemory(mem);
  }
  // Opens the mesh headless and gives each reference group of these kinds its display record.
  // The box is the vertices' box, as loading leaves it.
  void open(Geometric_Mesh *msh) {
    gl->makeCurrent();
    for (int i = 0; i < 3; i++) msh->Box[i] = 1e300, msh->Box[i + 3] = -1e300;
    for (int v = 1; v <= msh->NbrVer; v++)
      for (int i = 0; i < 3; i++) {
        msh->Box[i] = std::min(msh->Box[i], msh->Ver[v].Crd[i]);
        msh->Box[i + 3] = std::max(msh->Box[i + 3], msh->Ver[v].Crd[i]);
      }
    scene = OpenHeadless(mem, nullptr, msh);
    for (int kind : {KmfTriangles, KmfQuadrilaterals, KmfHexahedra}) {
      ZelEntity *ent = zelGetEntity(scene->ZelMsh, kind);
      if (!ent) continue;
      ent->DspLst = static_cast<ZelEntDisplayList *>(
          MEM_ALLOC(mem, ent->DspLst, sizeof(ZelEntDisplayList) * (ent->NbrDep + 1)));
      for (int k = 1; k <= ent->NbrDep; k++)
        MakeDisplayRecord(&ent->DspLst[k], kind, ent->Dep[k].Ref, ent->Dep[k].Fst);
      ent->NbrLst = ent->MaxNbrLst = ent->NbrDep;
    }
  }
  double *plane(int i, double a, double b, double c, double d) {
    double *p = scene->ZelMsh->Pla->Pla[i];
    p[0] = a, p[1] = b, p[2] = c, p[3] = d;
    return p;
  }
  // The lines drawn, in drawing order, under an orthographic view of the display box
  // [-R, R]^3; mesh coordinates unless display is asked for.
  std::vector<Segment> lines(const std::function<void()> &draw, bool display = false) {
    const double R = 4;
    gl->ortho(-R, R, -R, R, -R, R);
    std::vector<Segment> out;
    for (const FeedbackPrim &p : gl->feedback(draw)) {
      if (!p.isLine()) continue;
      Segment s;
      P3 *ends[2] = {&s.A, &s.B};
      for (int k = 0; k < 2; k++) {
        const FeedbackVertex &v = p.v[k];
        P3 d = {R * (2.0 * v.x / gl->width() - 1), R * (2.0 * v.y / gl->height() - 1),
                R * (1 - 2.0 * v.z)};
        for (int i = 0; i < 3; i++)
          (*ends[k])[i] = display ? d[i] : d[i] / scene->InvDmaxSca + scene->Ctr[i];
      }
      s.Rgba[0] = p.v[0].r, s.Rgba[1] = p.v[0].g, s.Rgba[2] = p.v[0].b, s.Rgba[3] = p.v[0].a;
      out.push_back(s);
    }
    return out;
  }
  std::vector<Segment> outline(int p) {
    return lines([&] { EXPECT_EQ(zelSetFrameClipBody(scene, p), 1); });
  }

  std::unique_ptr<GLHarness> gl;
  Memory_List *mem = NewMemory(100000);
  ZelScene *scene = nullptr;
};

// The two segments of unit square i of a strip cut by y = 0.3: from (a, b, c) and (a, c, d).
std::vector<Expected> stripSegments(int squares) {
  std::vector<Expected> out;
  for (int i = 0; i < squares; i++) {
    out.push_back({{i + 0.3, 0.3, 0}, {i + 1.0, 0.3, 0}});
    out.push_back({{i + 0.3, 0.3, 0}, {double(i), 0.3, 0}});
  }
  return out;
}

TEST_F(ClipFrame, StripOfCutTrianglesGivesOneSegmentEachAtTheCrossings) {
  open(TriangleGrid(mem, 4, 1));
  plane(0, 0, 1, 0, -0.3);
  std::vector<Segment> got = outline(0);
  std::vector<Expected> want = stripSegments(4);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); i++) EXPECT_TRUE(sameSegment(got[i], want[i], 1e-4)) << i;
  // A plane along the top row of vertices, which count as positive: a triangle with one vertex
  // on it gives a segment of zero length there, one with two the edge between them.
  plane(1, 0, 1, 0, -1);
  got = outline(1);
  ASSERT_EQ(got.size(), 8u);
  for (int i = 0; i < 4; i++) {
    EXPECT_TRUE(sameSegment(got[2 * i], {{i + 1.0, 1, 0}, {i + 1.0, 1, 0}}, 1e-4)) << i;
    EXPECT_TRUE(sameSegment(got[2 * i + 1], {{i + 1.0, 1, 0}, {double(i), 1, 0}}, 1e-4)) << i;
  }
}

TEST_F(ClipFrame, WarpedQuadrilateralGivesTwoSegmentsAfterTheTriangles) {
  Geometric_Mesh *msh =
      NewRoomyMesh(mem, 3, {{KmfVertices, 7}, {KmfTriangles, 1}, {KmfQuadrilaterals, 1}});
  int q[4] = {AddVertex(msh, 0, 0, 0), AddVertex(msh, 1, 0, 1), AddVertex(msh, 1, 1, 0),
              AddVertex(msh, 0, 1, 1)};
  AddElement(msh, KmfQuadrilaterals, {q[0], q[1], q[2], q[3]}, 1);
  AddElement(msh, KmfTriangles,
             {AddVertex(msh, 2, 0, 0), AddVertex(msh, 3, 0, 1), AddVertex(msh, 3, 1, 0)}, 1);
  open(msh);
  plane(0, 0, 0, 1, -0.5);  // corners alternate in sign around the quadrilateral
  std::vector<Segment> got = outline(0);
  const Expected want[3] = {{{2.5, 0, 0.5}, {3, 0.5, 0.5}},
                            {{0.5, 0, 0.5}, {1, 0.5, 0.5}},
                            {{0.5, 1, 0.5}, {0, 0.5, 0.5}}};
  ASSERT_EQ(got.size(), 3u);
  for (int i = 0; i < 3; i++) EXPECT_TRUE(sameSegment(got[i], want[i], 1e-4)) << i;
}

// 5000 segments fill one chunk exactly; the 5001st comes from the next one. Each segment is
// checked against its triangle, in chain order, and nothing stays in the memory list.
TEST_F(ClipFrame, ChunkBoundaryKeepsEverySegment) {
  open(TriangleGrid(mem, 2501, 1));
  Geometric_Mesh *msh = scene->Msh;
  plane(0, 0, 1, 0, -0.3);
  std::vector<Expected> want = stripSegments(2501);
  for (int cut : {5000, 5001}) {
    for (int t = 1; t <= msh->NbrTri; t++) {
      if (t <= cut)
        msh->Tri[t].Tag |= TAG_VISIBLE;
      else
        msh->Tri[t].Tag &= ~TAG_VISIBLE;
    }
    int blocks = mem->NbrActive;
    std::vector<Segment> got = outline(0);
    EXPECT_EQ(mem->NbrActive, blocks);
    ASSERT_EQ(got.size(), static_cast<size_t>(cut));
    for (int i = 0; i < cut; i++) ASSERT_TRUE(sameSegment(got[i], want[i], 0.01)) << i;
  }
}

TEST_F(ClipFrame, PlaneColoursAndHighlightAndTheStateLeftBehind) {
  open(TriangleGrid(mem, 2, 1));
  auto component = [](int c) { return 0.2f + 0.8f * c / 255.0f; };
  struct Case {
    int Plane;
    uint32_t Mode;
    float Rgba[4];
  } cases[] = {
      {9, 0, {component(205), component(55), component(0), 1}},  // table colour 1
      {8, 0, {component(40), component(160), component(120), 1}},
      {9, 1, {120 / 255.0f, 40 / 255.0f, 120 / 255.0f, 1}},  // clip-edit mode
  };
  for (const Case &c : cases) {
    plane(c.Plane, 1, 0, 0, -0.5);
    scene->Mode = c.Mode;
    glLineWidth(7.0f);
    glEnable(GL_POLYGON_OFFSET_LINE);
    std::vector<Segment> got = outline(c.Plane);
    ASSERT_EQ(got.size(), 2u) << c.Plane;
    for (const Segment &s : got)
      for (int i = 0; i < 4; i++) EXPECT_NEAR(s.Rgba[i], c.Rgba[i], 2e-3) << c.Plane;
    GLfloat width;
    GLint mode[2];
    glGetFloatv(GL_LINE_WIDTH, &width);
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(width, 1.0f);
    EXPECT_EQ(mode[0], GL_FILL);
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_OFFSET_LINE));
  }
}

TEST_F(ClipFrame, FrameOnTheEnlargedBoxAndRefusals) {
  open(MakeStructuredMesh(mem, 2, 3, 4, GEN_HEX | GEN_QUA));
  const double *box = scene->View->Box;
  double lo[3], hi[3];
  for (int i = 0; i < 3; i++) {
    double m = std::fabs(box[i + 3] - box[i]) * 0.01;
    lo[i] = box[i] - m, hi[i] = box[i + 3] + m;
  }
  plane(2, 0, 0, 1, -2);  // the middle of the box, parallel to the bottom face
  double z = (2 - scene->Ctr[2]) * scene->InvDmaxSca;
  std::vector<Segment> got = lines([&] { EXPECT_EQ(zelSetFrameBoxBody(scene, 2), 1); }, true);
  const Expected want[4] = {{{lo[0], lo[1], z}, {hi[0], lo[1], z}},
                            {{hi[0], lo[1], z}, {hi[0], hi[1], z}},
                            {{hi[0], hi[1], z}, {lo[0], hi[1], z}},
                            {{lo[0], hi[1], z}, {lo[0], lo[1], z}}};
  ASSERT_EQ(got.size(), 4u);
  for (const Expected &w : want)
    EXPECT_EQ(std::count_if(got.begin(), got.end(),
                            [&](const Segment &s) { return sameSegment(s, w, 1e-4); }),
              1);
  EXPECT_NEAR(got[0].Rgba[0], 120 / 255.0f, 2e-3);
  EXPECT_NEAR(got[0].Rgba[3], 1 / 255.0f, 2e-3);  // the frame's alpha byte is 1

  plane(3, 0, 0, 1, -100);  // misses the box
  EXPECT_TRUE(lines([&] { EXPECT_EQ(zelSetFrameBoxBody(scene, 3), 1); }).empty());

  // Refused without what they draw from, or for a plane past the 32.
  EXPECT_EQ(zelSetFrameClipBody(nullptr, 0), 0);
  EXPECT_EQ(zelSetFrameBoxBody(nullptr, 0), 0);
  EXPECT_EQ(zelSetFrameClipBody(scene, 32), 0);
  EXPECT_EQ(zelSetFrameBoxBody(scene, -1), 0);
  EXPECT_EQ(zelSetCapClip(nullptr), 0);
  EXPECT_EQ(zelSetCapClip(scene), 1);
  ZelView *view = scene->View;
  scene->View = nullptr;
  EXPECT_EQ(zelSetFrameBoxBody(scene, 2), 0);
  scene->View = view;
}

// A box of n^3 hexahedra with its six sides as quadrilaterals.
Geometric_Mesh *skinnedBox(Memory_List *mem, int n) {
  int v = (n + 1) * (n + 1) * (n + 1);
  Geometric_Mesh *msh = NewRoomyMesh(
      mem, 3, {{KmfVertices, v}, {KmfHexahedra, n * n * n}, {KmfQuadrilaterals, 6 * n * n}});
  for (int k = 0; k <= n; k++)
    for (int j = 0; j <= n; j++)
      for (int i = 0; i <= n; i++) AddVertex(msh, i, j, k);
  auto at = [n](int i, int j, int k) { return GridVertex(n, n, i, j, k); };
  for (int k = 0; k < n; k++)
    for (int j = 0; j < n; j++)
      for (int i = 0; i < n; i++)
        AddElement(
            msh, KmfHexahedra,
            {at(i, j, k), at(i + 1, j, k), at(i + 1, j + 1, k), at(i, j + 1, k), at(i, j, k + 1),
             at(i + 1, j, k + 1), at(i + 1, j + 1, k + 1), at(i, j + 1, k + 1)},
            1);
  // Side s: the axis it is normal to and where along it; (u, v) walk the other two axes.
  for (int axis = 0; axis < 3; axis++)
    for (int side : {0, n})
      for (int a = 0; a < n; a++)
        for (int b = 0; b < n; b++) {
          int c[4][3];
          const int du[4] = {0, 1, 1, 0}, dv[4] = {0, 0, 1, 1};
          for (int q = 0; q < 4; q++) {
            c[q][axis] = side;
            c[q][(axis + 1) % 3] = a + du[q];
            c[q][(axis + 2) % 3] = b + dv[q];
          }
          AddElement(msh, KmfQuadrilaterals,
                     {at(c[0][0], c[0][1], c[0][2]), at(c[1][0], c[1][1], c[1][2]),
                      at(c[2][0], c[2][1], c[2][2]), at(c[3][0], c[3][1], c[3][2])},
                     2 + axis);
        }
  return msh;
}

TEST_F(ClipFrame, PictureOfACutBoxWithOutlineFrameAndCap) {
  const int n = 6;
  open(skinnedBox(mem, n));
  const double *pla = plane(0, 1, 1, 1, -1.5 * n);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "CLIPPING");
  ASSERT_EQ(zelSetPlaneClip(&fi, scene, 0), 1);  // through the installed hook
  ZelEntity *hex = scene->ZelMsh->HexEnt;
  GLMesh *cap = nullptr;
  ASSERT_EQ(zel_cappingmesh(ZelCapHexahedra, hex->DspLst[1].Head, pla, nullptr, scene->Msh,
                            scene->ZelMsh, hex->Lnk, &cap),
            1);
  ASSERT_GT(cap->NbrTri + cap->NbrQua, 0);
  // The frame follows the view's box; a box a little larger than the mesh sets it apart from
  // the outline in the picture.
  for (int i = 0; i < 6; i++) scene->View->Box[i] *= 1.3;

  gl->ortho(-1, 1, -1, 1, -3, 3);
  gl->clear(1, 1, 1);
  // The frame's alpha byte is 1: keep the picture opaque.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  glRotated(-55, 1, 0, 0);
  glRotated(-110, 0, 0, 1);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(1, 1);
  // The skin on the kept side of the plane, a grey per axis; the cap, orange.
  double d[4];
  zelDisplayPlane(pla, scene->Ctr, scene->InvDmaxSca, d);
  const GLdouble keep[4] = {-d[0], -d[1], -d[2], -d[3]};
  glClipPlane(GL_CLIP_PLANE0, keep);
  glEnable(GL_CLIP_PLANE0);
  glBegin(GL_QUADS);
  for (int q = 1; q <= scene->Msh->NbrQua; q++) {
    GLubyte grey = static_cast<GLubyte>(140 + 30 * (scene->Msh->Qua[q].Ref - 2));  // by side
    glColor3ub(grey, grey, grey);
    for (int k = 0; k < 4; k++) glVertex3fv(scene->ZelMsh->Crd[scene->Msh->Qua[q].Ver[k]]);
  }
  glEnd();
  glDisable(GL_CLIP_PLANE0);
  glColor3ub(255, 140, 0);
  glBegin(GL_TRIANGLES);
  for (int t = 0; t < cap->NbrTri; t++)
    for (int k = 0; k < 3; k++) glVertex3fv(cap->TriCrd + 9 * t + 3 * k);
  glEnd();
  glBegin(GL_QUADS);
  for (int q = 0; q < cap->NbrQua; q++)
    for (int k = 0; k < 4; k++) glVertex3fv(cap->QuaCrd + 12 * q + 3 * k);
  glEnd();
  glDisable(GL_POLYGON_OFFSET_FILL);
  zelSetFrameClip(scene, 0);
  zelSetFrameBox(scene, 0);
  zel_freeGLMesh(cap);
  QImage img = gl->grab();
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  gl->savePng(img, "clip_cut_box");
  EXPECT_GT(countPixels(img, 255, 140, 0, 8), 5000);  // the cap
  EXPECT_GT(countPixels(img, 140, 140, 140, 2) + countPixels(img, 170, 170, 170, 2) +
                countPixels(img, 200, 200, 200, 2),
            5000);                                    // the skin kept
  EXPECT_GT(countPixels(img, 83, 179, 147, 8), 300);  // the outline in plane colour 0
  EXPECT_GT(countPixels(img, 120, 40, 120, 8), 100);  // the frame
}

}  // namespace
