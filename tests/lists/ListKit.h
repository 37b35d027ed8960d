// Scenes with display records for the builder tests, and readings of what a list draws; with
// the headers every builder test reads.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"

// nx x ny unit squares on the vertices (i, j), vertex 1 + i + (nx + 1) j: the first and last
// columns cut into triangles (a, b, c), (a, c, d) (the scene's box comes from the triangles),
// the others quadrilaterals; boundary edges along the bottom. Vertex fields of the given types.
Geometric_Mesh *MixedGrid(Memory_List *mem, int nx, int ny, int dim, const std::vector<int> &fields = {});

// A mesh made by make in a memory list of its own, opened without a window (its topology
// waited for), the builders installed, picking bases and colour-id table set, and, for each of
// the kinds, one display record per reference group kept in the entity (a record with an
// empty chain when the kind has no group) as display-list management keeps them. A GL context
// must be current. At the end every block of the memory list must have been freed.
class ListScene {
 public:
  explicit ListScene(const std::function<Geometric_Mesh *(Memory_List *)> &make,
                     const std::vector<int> &kinds = {4, 5, 6, 7});
  ~ListScene();
  ZelScene *scene() const { return scn_; }
  Memory_List *memory() const { return mem_; }
  Geometric_Mesh *mesh() const;
  ZelEntDisplayList &rec(int kind, int group = 1);
  void field(int f);  // the active field
  // The square -half..half of display coordinates seen from the front, 600 x 600 pixels.
  static void view(GLHarness &gl, double half = 0.6);
  // Plane 0, a x + b y + c z + d = 0 (by default z = height), switched on (and marked), or off.
  void plane(double height, bool on = true, std::array<double, 4> abcd = {0, 0, 1, 0});
  // Mesh coordinates of a feedback vertex under view() (depth range -2..2).
  void meshPoint(const FeedbackVertex &v, double p[3], double half = 0.6) const;

 private:
  Memory_List *mem_;
  ZelScene *scn_;
  std::vector<int> kinds_;
};

// A 600 x 600 GL harness under ListScene::view, for the builder suites.
class ListGL : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gl.valid()) << gl.describe();
    ListScene::view(gl);
  }
  GLHarness gl{600, 600};
};

// The item whose picking colour the pixel over display point (x, y) holds under
// ListScene::view: kind code and index (as "kind:index", "0:0" for none).
std::string PickedAt(const ZelScene *scene, double x, double y, double half = 0.6);

// Window pixels of a display coordinate under ListScene::view, and back.
inline double ToWindow(double x, double half = 0.6) { return (x + half) * 300.0 / half; }
inline double ToDisplay(double w, double half = 0.6) { return w * half / 300.0 - half; }

// A vertex field (one scalar) of value f(x, y, z) at every vertex of the mesh.
void AddVertexField(Memory_List *mem, Geometric_Mesh *msh, const std::function<double(const double *)> &f);

// Primitives by token, and the area of the polygons in pixels.
struct Emitted {
  int polygons = 0, lines = 0, bitmaps = 0;
  double area = 0;
};
Emitted Count(const std::vector<FeedbackPrim> &prims);

// List markers: every one of a record's 14 lists holds a point of its own colour; Rebuilt
// names the lists that no longer show theirs, in the order points arrows numbers norver
// faces capping wire shading iso vectors isosurf spare metric picking.
void MarkAll(const ZelEntDisplayList &r);
std::string Rebuilt(GLHarness &gl, const ZelEntDisplayList &r);

// One row of a list-selection table: with these scene flags and record solution word, the
// update entry of the kind under mask rebuilds exactly the lists named (Rebuilt's words).
struct SelectionCase {
  int kind;
  uint32_t sceneFlags, solutionWord;
  ZelListMask mask;
  const char *rebuilt;
};
// Runs every row on the scene's first record of its kind (markers first); returns what the
// entries printed, row by row. The scene's flags are 0 and the records' words 0 afterwards.
std::vector<std::string> ExpectSelections(GLHarness &gl, ListScene &ls, const std::vector<SelectionCase> &cases);
