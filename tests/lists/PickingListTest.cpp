// Picking end to end: the picking lists of a mixed grid drawn flat, and the pixel under each
// item read back and decoded to its kind and index.

#include "tests/lists/ListKit.h"

using PickingLists = ListGL;

TEST_F(PickingLists, EveryItemDecodesFromThePixelUnderIt) {
  ListScene ls([](Memory_List *mem) { return MixedGrid(mem, 6, 4, 2); });
  ZelScene *s = ls.scene();
  ASSERT_NE(s->ColRng, nullptr);
  s->Msh->Ver[9].Tag &= ~TAG_VISIBLE;  // a hidden vertex can still be picked
  gl.clear(0, 0, 0);
  glLineWidth(5);
  glPointSize(7);
  for (int kind : {KmfTriangles, KmfQuadrilaterals, KmfEdges, KmfVertices}) {  // points on top
    ASSERT_EQ(zelUpdateList(kind, 0x200000, s, &ls.rec(kind)), 1);
    glCallList(ls.rec(kind).PckLst);
  }
  gl.savePng(gl.grab(), "picking_lists");
  ASSERT_EQ(zelUpdateList(KmfVertices, 0x1000000, s, &ls.rec(KmfVertices)), 1);  // points: drawn vertices only
  EXPECT_EQ(gl.feedbackList(ls.rec(KmfVertices).MrkLst).size(), size_t(s->Msh->NbrVer - 1));
  for (int kind : {KmfTriangles, KmfQuadrilaterals, KmfEdges, KmfVertices}) {
    const ZelElems elt = zelElems(s->Msh, kind);
    for (int e = 1; e <= elt.Count; e++) {
      double x = 0, y = 0;  // centroid (the vertex itself for vertices)
      const int n = elt.NbrCor ? elt.NbrCor : 1;
      for (int k = 0; k < n; k++) {
        const float *p = s->ZelMsh->Crd[elt.NbrCor ? elt.ver(e)[k] : e];
        x += p[0] / n, y += p[1] / n;
      }
      EXPECT_EQ(PickedAt(s, x, y), std::to_string(kind) + ":" + std::to_string(e));
    }
  }
}
