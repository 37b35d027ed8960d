// Normal arrows of a picked element, paths, bitmap text and the bounding box, read back through
// feedback.
#include <GL/freeglut.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>

#include "tests/scene/SceneTest.h"
#include "tests/support/GLHarness.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelGlyphs.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelNormals.h"
#include "zelvane/scene/ZelPath.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEL_LEAK_CHECK 1
#endif
#endif
#if !defined(ZEL_LEAK_CHECK) && defined(__SANITIZE_ADDRESS__)
#define ZEL_LEAK_CHECK 1
#endif
#if ZEL_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// A 200 x 200 view of -1..1: window x of a display x, and window depth of a display z.
double Win(double x) { return (x + 1) * 100; }
double Depth(double z) { return (1 - z) / 2; }

class DrawAids : public testing::Test {
 protected:
  void SetUp() override { gl_.ortho(-1, 1, -1, 1, -1, 1); }
  void open(const std::function<Geometric_Mesh *(Memory_List *)> &make) {
    ds_.reset(new DisplayScene(make, false));
    scene_ = ds_->get();
  }
  GLHarness gl_{200, 200};
  std::unique_ptr<DisplayScene> ds_;
  ZelScene *scene_ = nullptr;
};

void freePath(ZelPath *p) {
  std::free(p->Ver);
  std::free(p);
}

}  // namespace

TEST_F(DrawAids, OneArrowPerFaceOfThePickedElement) {
  open([](Memory_List *m) {
    return MakeStructuredMesh(m, 1, 1, 1, GEN_TET | GEN_HEX | GEN_PRI | GEN_PYR | GEN_TRI | GEN_QUA);
  });
  const int cases[][2] = {{KmfTetrahedra, 4}, {KmfHexahedra, 6}, {KmfPrisms, 5},        {KmfPyramids, 5},
                          {KmfTriangles, 1},  {KmfVertices, 0},  {KmfQuadrilaterals, 1}};
  for (const auto &c : cases) {
    int result = -1;
    EXPECT_EQ(gl_.feedback([&] { result = zelDrawNormals(scene_, c[0], 1); }).size(), 3u * c[1]) << c[0];
    EXPECT_EQ(result, 1);
  }
  EXPECT_TRUE(gl_.feedback([&] { EXPECT_EQ(zelDrawNormals(scene_, KmfTetrahedra, 7), 1); }).empty());
  // Kinds without faces, and kinds the arrows do not know, warn and go on.
  for (int kind : {int(KmfEdges), int(KmfVolumeEdges), 1234}) {
    std::string err = CaptureText([&] { EXPECT_EQ(zelDrawNormals(scene_, kind, 1), 1); }).Err;
    EXPECT_EQ(err, std::string(" ## WARNING: ZELDRAWNORMALS: TYPE ") + zelGetTypeName(kind) + " IS UNKNOW \n")
        << kind;
  }
}

TEST_F(DrawAids, TriangleArrowFromItsCentreAQuarterUp) {
  open([](Memory_List *mem) {
    Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 3}, {KmfTriangles, 1}});
    AddElement(m, KmfTriangles, {AddVertex(m, 0, 0, 0), AddVertex(m, 1, 0, 0), AddVertex(m, 0, 1, 0)}, 1);
    return m;
  });
  for (int v = 1; v <= 3; v++)  // display units (0,0,0), (1,0,0), (0,1,0)
    for (int k = 0; k < 3; k++) scene_->ZelMsh->Crd[v][k] = (v == 2 && k == 0) || (v == 3 && k == 1);
  const std::vector<FeedbackPrim> arrow = gl_.feedback([&] { zelDrawNormals(scene_, KmfTriangles, 1); });
  ASSERT_EQ(arrow.size(), 3u);
  const FeedbackVertex &from = arrow[0].v[0], &tip = arrow[0].v[1];
  for (double x : {from.x, from.y, tip.x}) EXPECT_NEAR(x, Win(1.0 / 3), 1e-3);
  EXPECT_NEAR(from.z, Depth(0), 1e-6);
  EXPECT_NEAR(tip.z, Depth(0.25), 1e-6);
  for (int b : {1, 2}) {  // barbs 0.025 long at 12 degrees from the shaft
    const FeedbackVertex &e = arrow[b].v[1];
    const double dx = (e.x - tip.x) / 100, dy = (e.y - tip.y) / 100, dz = -(e.z - tip.z) * 2;
    EXPECT_NEAR(std::hypot(dx, dy), 0.025 * std::sin(M_PI / 15), 1e-5);
    EXPECT_NEAR(dz, -0.025 * std::cos(M_PI / 15), 1e-5);
  }
  // The same flat triangle as a quadratic patch, and a flat Q2 quadrilateral: at the patch
  // point, along z.
  const float p2[6][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {.5f, 0, 0}, {.5f, .5f, 0}, {0, .5f, 0}};
  const float q2[9][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {.5f, 0, 0},
                          {1, .5f, 0}, {.5f, 1, 0}, {0, .5f, 0}, {.5f, .5f, 0}};
  using Curved = std::pair<std::function<void()>, float>;
  for (const auto &[curved, at] : {Curved{[&] { zelDrawP2TriangleNormal(p2); }, 0.333f},
                                   Curved{[&] { zelDrawQ2QuadNormal(q2); }, 0.5f}}) {
    const std::vector<FeedbackPrim> a = gl_.feedback([&] { glBegin(GL_LINES), curved(), glEnd(); });
    ASSERT_EQ(a.size(), 3u);
    EXPECT_NEAR(a[0].v[0].x, Win(at), 1e-3);
    EXPECT_NEAR(a[0].v[1].x, Win(at), 1e-3);
    EXPECT_NEAR(a[0].v[1].z, Depth(0.25), 1e-6);
  }
}

// A read-only file loads, up to the first line without three numbers; paths draw newest first
// in the reference colours of their rank.
// A path file that may only be read loads: as root the check runs as user 65534 (root could
// write it anyway). That user must reach the file, so it lives in a folder of its own under
// /tmp made readable to all: the test output folder may sit in a private one (a clone in a
// folder of mode 700, a checkout under /root).
TEST(PathFiles, AReadOnlyPathFileLoadsForAUserWhoMayOnlyReadIt) {
  char folder[] = "/tmp/zelvane-path-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  ASSERT_EQ(chmod(folder, 0755), 0);
  const std::string file = std::string(folder) + "/three.path";
  ASSERT_TRUE(SaveText(file, "0 0 0\n1 0 0\n2 0\n"));
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  const bool dropped = geteuid() == 0 && seteuid(65534) == 0;
  const bool reachable = access(file.c_str(), R_OK) == 0;
  ZelPath *path = reachable ? zelAddPath(file.c_str()) : nullptr;
  if (dropped) {
    EXPECT_EQ(seteuid(0), 0);
  }
  std::remove(file.c_str());
  rmdir(folder);
  if (!reachable) GTEST_SKIP() << "the reading user cannot reach " << file << " here: nothing to check";
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->NbrVer, 2);
  freePath(path);
}

TEST_F(DrawAids, PathFilesAndTheirDrawing) {
  TempFile file("three.path"), many("many.path");
  ASSERT_TRUE(SaveText(file.Path, "0 0 0\n1 0 0\n2 0\n"));
  ZelPath *path = zelAddPath(file.c_str());
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->NbrVer, 2);
  EXPECT_EQ(zelAddPath("/nonexistent/path.txt"), nullptr);

  open([](Memory_List *m) { return MakeStructuredMesh(m, 2, 2, 1, GEN_TRI); });
  ZelPath *more[2] = {zelIniPath(), zelIniPath()};
  const double p[3] = {1, 1, 0.5};
  for (ZelPath *q : more) zelAddVer(q, p);
  for (ZelPath *q : {path, (ZelPath *)nullptr, more[0], more[1]}) zelLinkPath(scene_, q);
  const std::vector<FeedbackPrim> drawn = gl_.feedback([&] { zelGlPath(scene_); });
  ASSERT_EQ(drawn.size(), 5u);  // a point, a point, two points and their segment
  for (int k : {1, 2, 3}) {
    const FeedbackVertex &v = drawn[k == 3 ? 2 : k - 1].v[0];
    EXPECT_NEAR(v.r * 255, ZelRefColors[k][0], 0.5) << "path " << k;
    EXPECT_NEAR(v.b * 255, ZelRefColors[k][2], 0.5) << "path " << k;
  }
  EXPECT_TRUE(drawn[4].isLine());
  EXPECT_NEAR(drawn[2].v[0].x, Win(-scene_->InvDmaxSca), 1e-3);  // x = 0, the centre at x = 1
  // Half a unit above the triangles' floor, the centre's z of 0 (its y is 1).
  EXPECT_NEAR(drawn[0].v[0].z, Depth(0.5 * scene_->InvDmaxSca), 1e-4);
  for (ZelPath *q = scene_->Path, *n; q; q = n) n = q->Nxt, freePath(q);
  scene_->Path = nullptr;

  std::string text;
  for (int i = 0; i < 12000; i++) text += std::to_string(i) + " 0 0\n";
  ASSERT_TRUE(SaveText(many.Path, text));
  EXPECT_EQ(CaptureText([&] { path = zelAddPath(many.c_str()); }).Out, " incomplete path recovered ! \n");
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->Ver[ZelPathMax][0], ZelPathMax - 1);
  zelAddVer(path, p);  // full: nothing more is counted
  EXPECT_EQ(path->NbrVer, ZelPathMax);
  freePath(path);
}

// Every path linked into a scene goes with it, and a point typed into a path with others behind
// it in the list leaves them there. The scene tests run with leak detection on: a path left
// behind fails the check below, and the program's exit as well.
TEST_F(DrawAids, PathsLinkedIntoASceneAreFreedWithIt) {
  TempFile file("loop.path");
  ASSERT_TRUE(SaveText(file.Path, "0 0 0\n1 0 0\n1 1 0\n"));
  open([](Memory_List *m) { return MakeStructuredMesh(m, 2, 2, 1, GEN_TRI); });
  ZelPath *typed = zelIniPath();
  for (ZelPath *path : {zelAddPath(file.c_str()), zelAddPath(file.c_str()), typed, zelAddPath(file.c_str())}) {
    ASSERT_NE(path, nullptr);
    zelLinkPath(scene_, path);
  }
  const double p[3] = {2, 2, 0};
  zelAddVer(typed, p);
  std::vector<int64_t> counts;
  for (const ZelPath *q = scene_->Path; q; q = q->Nxt) counts.push_back(q->NbrVer);
  EXPECT_EQ(counts, (std::vector<int64_t>{3, 1, 3, 3}));
  ds_.reset();
  scene_ = nullptr;
#if ZEL_LEAK_CHECK
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

// Each newline goes back to the start of the line and one line height down, in every font.
TEST_F(DrawAids, BitmapTextNewlineReturnsToTheLineStart) {
  const int fonts[][2] = {
      {0, 29}, {1, glutBitmapHeight(GLUT_BITMAP_8_BY_13)}, {2, glutBitmapHeight(GLUT_BITMAP_HELVETICA_18)}};
  for (const auto &f : fonts) {
    std::vector<FeedbackVertex> at;
    for (const FeedbackPrim &p : gl_.feedback([&] {
           glRasterPos2f(-0.5f, 0.5f);
           f[0] ? glutBitmapString12(f[0], "ab\ncd\ne") : zel::glutBitmapString("ab\ncd\ne");
         }))
      if (p.token == GL_BITMAP_TOKEN) at.push_back(p.v[0]);
    ASSERT_GE(at.size(), 5u);
    const FeedbackVertex &a = at.front(), &e = at.back();  // the third line's glyph
    EXPECT_NEAR(a.x, Win(-0.5), 1e-3) << f[0];
    EXPECT_GT(at[1].x, a.x);
    EXPECT_NEAR(e.x, a.x, 1e-3);
    EXPECT_NEAR(e.y, a.y - 2 * f[1], 1e-3);
  }
}

// The bounding box is drawn whole: twelve distinct edges over its eight corners, each edge
// joining two corners that differ along one axis only.
TEST_F(DrawAids, TheBoundingBoxDrawsItsTwelveEdges) {
  open([](Memory_List *m) { return MakeStructuredMesh(m, 3, 2, 1, GEN_HEX); });
  const double *b = scene_->View->Box;
  for (int d = 0; d < 3; d++) ASSERT_GT(b[3 + d], b[d]) << d;
  // Each axis of the box maps on one window axis alone, so corners keep their one-axis steps.
  const double m = std::max({b[3] - b[0], b[4] - b[1], b[5] - b[2]});
  gl_.ortho(b[0] - m, b[3] + m, b[1] - m, b[4] + m, -(b[5] + m), -(b[2] - m));
  using Corner = std::array<long, 3>;
  std::set<Corner> corners;
  std::set<std::pair<Corner, Corner>> edges;
  for (const FeedbackPrim &p : gl_.feedback([&] { zelDisplayBoundingBox(scene_); })) {
    ASSERT_TRUE(p.isLine());
    ASSERT_EQ(p.v.size(), 2u);
    Corner c[2];
    for (int k = 0; k < 2; k++)
      c[k] = {std::lround(p.v[k].x * 100), std::lround(p.v[k].y * 100), std::lround(p.v[k].z * 1e5)};
    const int differing = (c[0][0] != c[1][0]) + (c[0][1] != c[1][1]) + (c[0][2] != c[1][2]);
    EXPECT_EQ(differing, 1) << "a line from (" << p.v[0].x << ", " << p.v[0].y << ", " << p.v[0].z << ") to ("
                            << p.v[1].x << ", " << p.v[1].y << ", " << p.v[1].z << ")";
    corners.insert(c, c + 2);
    edges.insert(std::minmax(c[0], c[1]));
  }
  EXPECT_EQ(corners.size(), 8u);
  EXPECT_EQ(edges.size(), 12u);
}
