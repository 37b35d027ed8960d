// Iso-lines of a capped volume rebuilt by themselves (the "o" key, a change of the iso
// settings) lie on the cap, as when every list is rebuilt.
#include <algorithm>

#include "tests/lists/ListKit.h"
#include "zelvane/lists/ZelVolumeFaces.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelEvent.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelRenderOption.h"

namespace {

// The line segments of an iso-line list in mesh coordinates.
using Segment = std::array<std::array<double, 3>, 2>;
std::vector<Segment> Lines(GLHarness &gl, const ListScene &ls, GLuint list) {
  std::vector<Segment> out;
  for (const FeedbackPrim &p : gl.feedbackList(list)) {
    if (!p.isLine()) continue;
    Segment s;
    for (int i = 0; i < 2; i++) ls.meshPoint(p.v[i], s[i].data());
    out.push_back(s);
  }
  return out;
}

// Of the segments: how many lie on the plane z = height, and how many run across a level of
// f = x + y (both ends of one value, as an iso-line of a linear field must).
struct OnCap {
  int onPlane = 0, level = 0;
  double xMin = 1e9, xMax = -1e9;
};
OnCap Measure(const std::vector<Segment> &lines, double height) {
  OnCap c;
  for (const Segment &s : lines) {
    c.onPlane += std::fabs(s[0][2] - height) < 2e-3 && std::fabs(s[1][2] - height) < 2e-3;
    c.level += std::fabs((s[0][0] + s[0][1]) - (s[1][0] + s[1][1])) < 2e-3;
    for (const auto &p : s) c.xMin = std::min(c.xMin, p[0]), c.xMax = std::max(c.xMax, p[0]);
  }
  return c;
}

// The "o" key, as a key press reaches the scene.
void PressO(ZelScene *s) {
  s->VieEvt->keyChar = 'o';
  s->VieEvt->keyBits = 0;
  zelProcessKeyEvent(s);
}

}  // namespace

using CappedIsoLines = ListGL;

// A 3 x 3 x 3 box of tetrahedra with f = x + y, cut at z = 1.5 and capped in volume mode: the
// iso-lines switched on alone, and rebuilt alone after a change of levels, run across the cap,
// every one of them on it, as a full rebuild draws them.
TEST_F(CappedIsoLines, RebuildingOnlyTheIsoLinesDrawsThemOnTheCap) {
  const double height = 1.5;
  ListScene ls(
      [](Memory_List *mem) {
        Geometric_Mesh *m = MakeStructuredMesh(mem, 3, 3, 3, GEN_TET | GEN_TRI);
        AddVertexField(mem, m, [](const double *p) { return p[0] + p[1]; });
        return m;
      },
      std::vector<int>{KmfTetrahedra, KmfTriangles});
  ZelScene *s = ls.scene();
  ls.field(0);
  ls.rec(KmfTriangles).Flags |= ZelLstHidden;
  ls.plane(height);
  s->Flags |= ZelFlgCapping | ZelFlgVolumes;
  s->SolFlags &= ~uint32_t{ZelSceneIsoLines};
  ASSERT_EQ(zelUpdateAllDisplayLists(1, s), 1);
  ZelEntDisplayList &rec = ls.rec(KmfTetrahedra);

  const struct {
    const char *how;
    std::function<void()> rebuild;
  } rows[] = {
      {"the o key", [&] { PressO(s); }},
      {"only the iso-lines of every record",
       [&] { ASSERT_EQ(zelUpdateAllDisplayLists(ZelSceneIsoLines, s), 1); }},
      {"only the iso-lines of the tetrahedra",
       [&] { ASSERT_EQ(zelUpdateAllTypeDisplayLists(KmfTetrahedra, ZelSceneIsoLines, s), 1); }},
      {"every list", [&] { ASSERT_EQ(zelUpdateAllDisplayLists(1, s), 1); }},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.how);
    r.rebuild();
    ASSERT_TRUE(s->SolFlags & ZelSceneIsoLines);
    ASSERT_TRUE(rec.Opt.Solution & ZelSolIsoLines);
    const std::vector<Segment> lines = Lines(gl, ls, rec.SolLst + 1);
    const OnCap c = Measure(lines, height);
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(c.onPlane, int(lines.size()));
    EXPECT_EQ(c.level, int(lines.size()));
    // Across the whole cap, not a corner of it.
    EXPECT_LT(c.xMin, 0.5);
    EXPECT_GT(c.xMax, 2.5);
  }
}
