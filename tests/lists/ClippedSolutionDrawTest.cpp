// The solution lines the main list draws over clipped surfaces leave with the faces they lie on.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <algorithm>

#include "common/model/Mesh.h"
#include "tests/lists/ListKit.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"

namespace {

Geometric_Mesh *GridWithX(Memory_List *mem) {
  Geometric_Mesh *m = MixedGrid(mem, 5, 4, 2, {SOL_SCALAR});
  for (int v = 1; v <= m->NbrVer; v++) VertexValue(m, v, 0) = m->Ver[v].Crd[0];
  return m;
}

// The largest mesh x of the line vertices the iso-line pass feeds back.
double FarthestIsoLine(GLHarness &gl, ListScene &ls) {
  const ZelScene *s = ls.scene();
  double far = -1e9;
  int lines = 0;
  for (const FeedbackPrim &p : gl.feedback([&] { zelUpdateMainDisplayList(2, ls.scene()); }))
    if (p.isLine())
      for (const FeedbackVertex &v : p.v) far = std::max(far, ToDisplay(v.x) / s->InvDmaxSca + s->Ctr[0]), lines++;
  EXPECT_GT(lines, 0);
  return far;
}

}  // namespace

TEST(ClippedSolutionDraw, IsoLinesOfClippedSurfacesStopAtThePlane) {
  GLHarness gl(600, 600);
  ASSERT_TRUE(gl.valid());
  ListScene ls(GridWithX);
  ls.field(0);
  ListScene::view(gl);
  ZelScene *s = ls.scene();
  for (int kind : {KmfTriangles, KmfQuadrilaterals}) {
    ZelEntDisplayList &rec = ls.rec(kind);
    rec.Opt.Solution |= ZelSolIsoLines;
    rec.Flags |= ZelLstClipped;
    ASSERT_EQ(zelUpdateList(kind, 0x40, s, &rec), 1);
  }
  EXPECT_GT(FarthestIsoLine(gl, ls), 4.5);
  // x = 2.5: the side x <= 2.5 stays.
  ZelPlaEntity *pla = s->ZelMsh->Pla;
  pla->On = 1, pla->Cur = 0;
  pla->Pla[0][0] = 1, pla->Pla[0][1] = pla->Pla[0][2] = 0, pla->Pla[0][3] = -2.5;
  EXPECT_LT(FarthestIsoLine(gl, ls), 2.5 + 1e-3);
  // A record drawn whole (not clipped) keeps its lines: the quadrilaterals span x = 1..4.
  ls.rec(KmfQuadrilaterals).Flags &= ~ZelLstClipped;
  EXPECT_GT(FarthestIsoLine(gl, ls), 3.5);
}
