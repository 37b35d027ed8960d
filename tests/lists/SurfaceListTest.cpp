// Faces, shrink, normal arrows, banded shading and iso-lines of triangles and quadrilaterals,
// read back through feedback.

#include "tests/lists/ListKit.h"
#include "zelvane/lists/ZelColorMaps.h"

namespace {

double MeshX(const ZelScene *s, double w) { return ToDisplay(w) / s->InvDmaxSca + s->Ctr[0]; }

// A 5 x 4 mixed grid, f = x or the distance to (8, 6) on a 24 x 16 one.
Geometric_Mesh *GridWithX(Memory_List *mem) {
  Geometric_Mesh *m = MixedGrid(mem, 5, 4, 2, {SOL_SCALAR});
  for (int v = 1; v <= m->NbrVer; v++) VertexValue(m, v, 0) = m->Ver[v].Crd[0];
  return m;
}
Geometric_Mesh *RadialGrid(Memory_List *mem) {
  Geometric_Mesh *m = MixedGrid(mem, 24, 16, 2, {SOL_SCALAR});
  for (int v = 1; v <= m->NbrVer; v++)
    VertexValue(m, v, 0) = std::hypot(m->Ver[v].Crd[0] - 8, m->Ver[v].Crd[1] - 6);
  return m;
}

}  // namespace

using SurfaceLists = ListGL;

TEST_F(SurfaceLists, FacesAreTheDrawnElementsShrunkAroundTheirCentroids) {
  ListScene ls([](Memory_List *mem) { return MixedGrid(mem, 6, 4, 2); });
  ZelScene *s = ls.scene();
  s->Msh->Tri[1].Tag &= ~TAG_VISIBLE;
  s->Msh->Tri[3].Tag &= ~TAG_ALIVE;
  s->Msh->Qua[2].Tag &= ~TAG_VISIBLE;
  for (int kind : {KmfTriangles, KmfQuadrilaterals}) {
    ZelEntDisplayList &rec = ls.rec(kind);
    const ZelElems elt = zelElems(s->Msh, kind);
    const int drawn = kind == KmfTriangles ? elt.Count - 2 : elt.Count - 1;
    const double area = std::pow(300.0 / 0.6 * s->InvDmaxSca, 2) * (kind == KmfTriangles ? 0.5 : 1.0);
    double mean[2] = {0, 0};  // of the polygons' corners: each element's centroid stays
    for (float shrink : {1.0f, 0.5f}) {
      s->Rnd.Shrink = shrink;
      ASSERT_EQ(zelUpdateList(kind, 0x80000 | 0x800, s, &rec), 1);
      const std::vector<FeedbackPrim> faces = gl.feedbackList(rec.FacLst);
      const Emitted e = Count(faces);
      double sum[2] = {0, 0};
      for (const FeedbackPrim &p : faces)
        for (const FeedbackVertex &v : p.v) sum[0] += v.x / (3 * e.polygons), sum[1] += v.y / (3 * e.polygons);
      if (shrink == 1.0f) mean[0] = sum[0], mean[1] = sum[1];
      EXPECT_NEAR(std::hypot(sum[0] - mean[0], sum[1] - mean[1]), 0, 1e-3);
      EXPECT_EQ(e.polygons, kind == KmfTriangles ? drawn : 2 * drawn);  // feedback cuts quads in two
      EXPECT_NEAR(e.area, drawn * area * shrink * shrink, 1e-3 * drawn * area) << kind;
      // Normal arrows, three segments each, start at the unshrunk centroids.
      const std::vector<FeedbackPrim> arrows = gl.feedbackList(rec.MrkLst + 1);
      ASSERT_EQ(arrows.size(), 3u * drawn);
      int a = 0;
      for (int e = 1; e <= elt.Count; e++) {
        if ((*elt.tag(e) & (TAG_ALIVE | TAG_VISIBLE)) != (TAG_ALIVE | TAG_VISIBLE)) continue;
        double cx = 0;
        for (int k = 0; k < elt.NbrCor; k++) cx += s->ZelMsh->Crd[elt.ver(e)[k]][0] / elt.NbrCor;
        EXPECT_NEAR(arrows[3 * a++].v[0].x, ToWindow(cx), 1e-2);
      }
    }
  }
}

// With f = x: every shaded piece lies within one band of iso values and the pieces cover the
// mesh; every iso-line point lies on x = one of the levels; a colour map colours the ends.
TEST_F(SurfaceLists, BandedShadingAndIsoLinesFollowTheField) {
  ListScene ls(GridWithX);
  ls.field(0);
  const ZelScene *s = ls.scene();
  const ZelPalette &pal = s->VieSol->ZelPal[0];
  for (int kind : {KmfTriangles, KmfQuadrilaterals}) {
    ZelEntDisplayList &rec = ls.rec(kind);
    ASSERT_EQ(zelUpdateList(kind, 0x20 | 0x40, ls.scene(), &rec), 1);
    const std::vector<FeedbackPrim> pieces = gl.feedbackList(rec.SolLst + 0);
    for (const FeedbackPrim &p : pieces) {
      double lo = 1e9, hi = -1e9;
      for (const FeedbackVertex &v : p.v)
        lo = std::fmin(lo, MeshX(s, v.x)), hi = std::fmax(hi, MeshX(s, v.x));
      int band = 1;
      while (band < pal.N - 1 && pal.Iso[band] <= lo + 1e-4) band++;
      EXPECT_GE(lo, pal.Iso[band - 1] - 1e-4);
      EXPECT_LE(hi, pal.Iso[band] + 1e-4) << "piece from x " << lo << " to " << hi;
    }
    const double squares = kind == KmfTriangles ? 8 : 12, unit = std::pow(500 * s->InvDmaxSca, 2);
    EXPECT_NEAR(Count(pieces).area, squares * unit, 1e-3 * squares * unit);
    EXPECT_GT(pieces.size(), size_t(squares));  // the bands cut the squares
    gl.clear(0, 0, 0);
    glCallList(rec.SolLst);
    const int lit = 600 * 600 - countPixels(gl.grab(), 0, 0, 0);
    EXPECT_NEAR(lit, squares * unit, 0.02 * squares * unit);  // the pieces cover the mesh once
    const std::vector<FeedbackPrim> iso = gl.feedbackList(rec.SolLst + 1);
    ASSERT_FALSE(iso.empty());
    for (const FeedbackPrim &p : iso)
      for (const FeedbackVertex &v : p.v) {
        const double level = (MeshX(s, v.x) - pal.Iso[0]) / (pal.Iso[pal.N - 1] - pal.Iso[0]) * pal.NbrRef;
        EXPECT_NEAR(level, std::round(level), 1e-3) << "iso point off every level";
      }
  }
  // Colour map 7: its first row at the least value, its last at the greatest.
  ls.scene()->VieSol->ZelPal[0].ColMap = 7;
  ASSERT_EQ(zelUpdateTriangleList(0x20, ls.scene(), &ls.rec(KmfTriangles)), 1);
  int ends = 0;
  for (const FeedbackPrim &p : gl.feedbackList(ls.rec(KmfTriangles).SolLst))
    for (const FeedbackVertex &v : p.v) {
      const double x = MeshX(s, v.x);
      const float *want = x < 1e-4 ? zelColorMapJet[0] : x > 5 - 1e-4 ? zelColorMapJet[8] : nullptr;
      if (!want) continue;
      ends++;
      EXPECT_NEAR(std::fabs(v.r - want[0]) + std::fabs(v.g - want[1]) + std::fabs(v.b - want[2]), 0, 5e-3);
    }
  EXPECT_GT(ends, 0);
}

// A radial field shaded with iso-lines in two maps, and its iso-lines alone, for a person to
// look at.
TEST_F(SurfaceLists, ShadedIsoLinedPictures) {
  ListScene ls(RadialGrid);
  ls.field(0);
  ZelPalette &pal = ls.scene()->VieSol->ZelPal[0];
  const struct {
    int map, black, shade;
    const char *name;
  } pictures[] = {{0, 1, 1, "shading_isolines_rainbow"},
                  {5, 1, 1, "shading_isolines_plasma"},
                  {0, 0, 0, "isolines_rainbow"}};
  for (const auto &p : pictures) {
    pal.ColMap = p.map, pal.BlackIso = p.black;
    gl.clear(1, 1, 1);
    for (int kind : {KmfTriangles, KmfQuadrilaterals}) {
      ASSERT_EQ(zelUpdateList(kind, 0x20 | 0x40, ls.scene(), &ls.rec(kind)), 1);
      if (p.shade) glCallList(ls.rec(kind).SolLst + 0);
      glCallList(ls.rec(kind).SolLst + 1);
    }
    gl.savePng(gl.grab(), p.name);
  }
}

// A field at tetrahedra only: each triangle takes the value of the volume behind it; one
// without, or whose volume lies past the values the palette holds, is left out.
TEST_F(SurfaceLists, ShadingFromTheVolumeBehindEachTriangle) {
  ListScene ls([](Memory_List *mem) {
    std::vector<int> siz(KmfMaxSizMsh + 10, 0);
    siz[KmfVertices] = 5, siz[KmfTetrahedra] = 2, siz[KmfTriangles] = 3, siz[KmfFileType] = FILE_TYPE_KMF;
    siz[KmfSolAtTetrahedra] = 2, siz[KmfSolSizTot] = 1, siz[KmfSolNbrFld] = 1, siz[KmfSolTypes] = SOL_SCALAR;
    Geometric_Mesh *m = NewCommonMesh(mem, siz.data());
    m->Dim = 3;
    for (int v = 0; v < 5; v++) AddVertex(m, v == 1 || v == 4, v == 2 || v == 4, v >= 3);
    AddElement(m, KmfTetrahedra, {1, 2, 3, 4}, 1);
    AddElement(m, KmfTetrahedra, {2, 3, 4, 5}, 1);
    for (const auto &t : {std::vector<int>{1, 2, 3}, {2, 5, 3}, {1, 4, 2}})
      AddElement(m, KmfTriangles, {t[0], t[1], t[2]}, 1);
    m->SolAtTet->Sol[1] = 1.0, m->SolAtTet->Sol[2] = 2.0, m->NbrSolTet = 2;
    return m;
  });
  ASSERT_TRUE(TopoDoneLoad(ls.mesh()));
  ls.field(0);
  Triangle *tri = ls.mesh()->Tri;
  tri[1].VoiVol = 1, tri[2].VoiVol = 7, tri[3].VoiVol = 0;
  ASSERT_EQ(zelUpdateTriangleList(0x20, ls.scene(), &ls.rec(KmfTriangles)), 1);
  const std::vector<FeedbackPrim> shaded = gl.feedbackList(ls.rec(KmfTriangles).SolLst);
  ASSERT_EQ(shaded.size(), 1u);
  EXPECT_NEAR(shaded[0].v[0].b, 0.8f, 1e-3);  // the first tetrahedron's value, the least: blue
  tri[2].VoiVol = 2;
  ASSERT_EQ(zelUpdateTriangleList(0x20, ls.scene(), &ls.rec(KmfTriangles)), 1);
  EXPECT_EQ(gl.feedbackList(ls.rec(KmfTriangles).SolLst).size(), 2u);
}
