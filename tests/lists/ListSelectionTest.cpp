// Which lists an entry rebuilds for a mask: every list of a record first holds a marker of its
// own, and the lists that lost it are the ones rebuilt.

#include "tests/lists/ListKit.h"

namespace {

// The mixed grid with a field equal to x.
Geometric_Mesh *GridWithX(Memory_List *mem) {
  Geometric_Mesh *m = MixedGrid(mem, 3, 2, 2, {SOL_SCALAR});
  for (int v = 1; v <= m->NbrVer; v++) VertexValue(m, v, 0) = m->Ver[v].Crd[0];
  return m;
}

}  // namespace

using ListSelection = ListGL;

TEST_F(ListSelection, EntriesBuildWhatTheMaskSelects) {
  const std::vector<SelectionCase> cases = {
      {KmfTriangles, 0, 0, 0x1, "faces wire picking"},  // mask 1, empty words
      {KmfQuadrilaterals, 0, 0, 0x1, "faces wire picking"},
      {KmfVertices, 0, 0, 0x1, "picking"},
      {KmfVertices, 0x8, 0, 0x1, "points picking"},
      {KmfEdges, 0x8000, 0, 0x1, "wire picking"},  // edges never rebuild numbers on mask 1
      {KmfTriangles, 0x8000, 0x1, 0x1, "numbers faces wire shading picking"},
      {KmfQuadrilaterals, 0x10 | 0x4, 0x2 | 0x4, 0x1, "faces wire iso picking"},
      {KmfTriangles, 0, 0, 0x10, "shading iso vectors metric"},
      {KmfTriangles, 0, 0, 0x8000000, "wire"},
      {KmfQuadrilaterals, 0, 0, 0x800, "arrows"},
      {KmfQuadrilaterals, 0, 0, 0x80, ""},
      {KmfVertices, 0, 0, 0x800 | 0x400000, "arrows numbers"},
      {KmfEdges, 0, 0, 0x400000, "numbers"},
  };
  ListScene ls(GridWithX);
  ls.field(0);
  ExpectSelections(gl, ls, cases);
  ZelEntDisplayList &tri = ls.rec(KmfTriangles);
  MarkAll(tri);

  // The direct entry touches no list; mask 1 also draws the solution (shaded pieces and
  // iso-lines after the faces and the wire), whatever the record's solution word says.
  const int n = ls.mesh()->NbrTri;
  const Emitted direct =
      Count(gl.feedback([&] { EXPECT_EQ(zelDirectDrawTriangleList(0x1, ls.scene(), &tri), 1); }));
  EXPECT_GT(direct.polygons, 2 * n);
  EXPECT_GT(direct.lines, 3 * n);
  ls.field(-1);  // without a field: faces and wire only, and the solution lists are left alone
  const Emitted plain = Count(gl.feedback([&] { zelDirectDrawTriangleList(0x1, ls.scene(), &tri); }));
  EXPECT_EQ(plain.polygons, n);
  EXPECT_EQ(plain.lines, 3 * n);
  EXPECT_EQ(zelUpdateTriangleList(0x20, ls.scene(), &tri), 1);
  EXPECT_EQ(Rebuilt(gl, tri), "");

  // A record the check refuses touches nothing.
  tri.Type = 11;
  CaptureStderr();
  EXPECT_EQ(zelUpdateList(KmfTriangles, 0x1, ls.scene(), &tri), 0);
  EXPECT_EQ(GetCapturedStderr(), "  ## ERROR: ZELCHECKLIST: INVALID  TYPE 11 \n");
  EXPECT_EQ(Rebuilt(gl, tri), "");
  tri.Type = KmfTriangles;
  const int head = tri.Head;
  tri.Head = ls.mesh()->NbrTri + 1;  // a chain head past the triangles
  CaptureText([&] { EXPECT_EQ(zelUpdateList(KmfTriangles, 0x1, ls.scene(), &tri), 0); });
  EXPECT_EQ(Rebuilt(gl, tri), "");
  tri.Head = head;
}
