// Volume display lists drawn for real on 3 x 3 x 3 boxes of every volume kind: the skin, the
// cut layer and its cap, picking of cap pieces, iso-surfaces, element fields, vectors, and the
// normals at vertices; read back through feedback (turned into mesh coordinates) or pixels.

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

#include "tests/lists/ListKit.h"
#include "zelvane/lists/ZelCapping.h"
#include "zelvane/lists/ZelVolumeFaces.h"

namespace {

struct Kind {
  const ZelVolumeKind *K;
  unsigned gen, surface;  // the box's elements and the surface kind laid on its bottom
  int surfaceKind, perCell;
};
const Kind kKinds[] = {
    {&ZelTetKind, GEN_TET, GEN_TRI, KmfTriangles, 6},
    {&ZelHexKind, GEN_HEX, GEN_QUA, KmfQuadrilaterals, 1},
    {&ZelPriKind, GEN_PRI, GEN_TRI, KmfTriangles, 2},
    {&ZelPyrKind, GEN_PYR, GEN_QUA, KmfQuadrilaterals, 6},
};
const Kind &KindOf(const ZelVolumeKind *K) {
  return *std::find_if(std::begin(kKinds), std::end(kKinds), [K](const Kind &k) { return k.K == K; });
}

// Vertex numbers shuffled (a fixed seed): the hexahedron splits then take every row.
void Renumber(Geometric_Mesh *m) {
  std::vector<int> to(m->NbrVer + 1);
  std::iota(to.begin(), to.end(), 0);
  std::shuffle(to.begin() + 1, to.end(), std::mt19937(17));
  std::vector<Vertex> old(m->Ver, m->Ver + m->NbrVer + 1);
  for (int v = 1; v <= m->NbrVer; v++) m->Ver[to[v]] = old[v];
  for (int kind : {KmfTetrahedra, KmfHexahedra}) {
    const ZelElems el = zelElems(m, kind);
    for (int e = 1; e <= el.Count; e++)
      for (int k = 0; k < el.NbrCor; k++) const_cast<int *>(el.ver(e))[k] = to[el.ver(e)[k]];
  }
}

// A 3 x 3 x 3 box of one kind, its bottom covered by surface elements, with f = z (or f =
// x + y + z) at the vertices; vertices shuffled when asked.
std::unique_ptr<ListScene> Box(const Kind &k, bool shuffle = false, bool diagonal = false) {
  return std::make_unique<ListScene>(
      [&](Memory_List *mem) {
        Geometric_Mesh *m = MakeStructuredMesh(mem, 3, 3, 3, k.gen | k.surface);
        if (shuffle) Renumber(m);
        AddVertexField(mem, m, [diagonal](const double *p) { return diagonal ? p[0] + p[1] + p[2] : p[2]; });
        return m;
      },
      std::vector<int>{k.K->Kind, k.surfaceKind});
}

// Polygons of a list in mesh coordinates: their number, total area and first moment (area
// times centroid, whatever the triangulation); each may be checked.
struct Polys {
  int n = 0;
  double area = 0, moment[3] = {0, 0, 0};
};
double Area(const std::vector<std::array<double, 3>> &p, double moment[3] = nullptr) {
  double total = 0;
  for (size_t i = 1; i + 1 < p.size(); i++) {
    const double u[3] = {p[i][0] - p[0][0], p[i][1] - p[0][1], p[i][2] - p[0][2]};
    const double w[3] = {p[i + 1][0] - p[0][0], p[i + 1][1] - p[0][1], p[i + 1][2] - p[0][2]};
    const double x[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    const double a = 0.5 * std::sqrt(x[0] * x[0] + x[1] * x[1] + x[2] * x[2]);
    for (int d = 0; moment && d < 3; d++) moment[d] += a * (p[0][d] + p[i][d] + p[i + 1][d]) / 3;
    total += a;
  }
  return total;
}
using Each = std::function<void(const std::vector<std::array<double, 3>> &, const FeedbackPrim &)>;
Polys Measure(GLHarness &gl, const ListScene &ls, const std::function<void()> &draw, const Each &each = {}) {
  Polys out;
  for (const FeedbackPrim &p : gl.feedback(draw)) {
    if (!p.isPolygon()) continue;
    std::vector<std::array<double, 3>> q(p.v.size());
    for (size_t i = 0; i < p.v.size(); i++) ls.meshPoint(p.v[i], q[i].data());
    out.n++, out.area += Area(q, out.moment);
    if (each) each(q, p);
  }
  return out;
}
std::function<void()> Call(GLuint list) {
  return [list] { glCallList(list); };
}

// The faces of a record: the list rebuilt, then measured through the direct entry, which runs
// the same workers (Mesa's feedback keeps only the first block of a list that mixes triangles
// and quadrilaterals), once the list was seen to draw the same lit, turned picture.
Polys Faces(GLHarness &gl, ListScene &ls, int kind, const Each &each = {}) {
  ZelEntDisplayList &rec = ls.rec(kind);
  EXPECT_EQ(zelUpdateList(kind, 0x80000, ls.scene(), &rec), 1);
  auto direct = [&] { EXPECT_EQ(zelDirectDrawList(kind, 0x80000, ls.scene(), &rec), 1); };
  QImage seen[2];
  for (int k = 0; k < 2; k++) {
    gl.clear(0, 0, 0);
    glPushAttrib(GL_ENABLE_BIT);
    glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glEnable(GL_DEPTH_TEST);
    glPushMatrix();
    glRotated(30, 1, 1, 0);
    if (k)
      direct();
    else
      glCallList(rec.FacLst);
    glPopMatrix();
    glPopAttrib();
    seen[k] = gl.grab();
  }
  int apart = 0;
  for (int y = 0; y < seen[0].height(); y++)
    for (int x = 0; x < seen[0].width(); x++) apart += seen[0].pixel(x, y) != seen[1].pixel(x, y);
  EXPECT_LT(apart, 50) << "the faces list and the direct entry draw apart";  // beyond a few edge pixels
  return Measure(gl, ls, direct, each);
}

// Area (mesh units) of what the faces list shows from above at height z, and of what it shows
// elsewhere, read from the depth buffer.
std::pair<double, double> SeenFromAbove(GLHarness &gl, const ListScene &ls, GLuint list, double z) {
  gl.clear(0, 0, 0);
  glEnable(GL_DEPTH_TEST);
  glCallList(list);
  glDisable(GL_DEPTH_TEST);
  std::vector<float> depth(600 * 600);
  glReadPixels(0, 0, 600, 600, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
  const double at = (2.0 - (z - ls.scene()->Ctr[2]) * ls.scene()->InvDmaxSca) / 4.0;
  const double pixel = std::pow(0.6 / 300.0 / ls.scene()->InvDmaxSca, 2);
  std::pair<double, double> area{0, 0};
  for (float d : depth)
    if (d < 1.0f) (std::fabs(d - at) < 1e-4 ? area.first : area.second) += pixel;
  return area;
}

// The faces of the elements that pass `take` (as feedback counts them: quadrilaterals as two
// triangles), shrunk toward their element's centroid; with skinOnly, only those no other such
// element shares.
Polys Expected(const ListScene &ls, const ZelVolumeKind &K, const std::function<bool(int)> &take,
               bool skinOnly = false, double shrink = 1) {
  const ZelElems el = zelElems(ls.mesh(), K.Kind);
  std::map<std::vector<int>, std::pair<int, Polys>> faces;
  for (int e = 1; e <= el.Count; e++) {
    double c[3] = {0, 0, 0};
    for (int i = 0; i < K.NbrCor; i++)
      for (int d = 0; d < 3; d++) c[d] += ls.mesh()->Ver[el.ver(e)[i]].Crd[d] / K.NbrCor;
    for (int f = 0; take(e) && f < K.NbrFac; f++) {
      std::vector<int> key;
      std::vector<std::array<double, 3>> q;
      for (int i = 0; i < K.Fac[f].NbrCor; i++) {
        key.push_back(el.ver(e)[K.Fac[f].Cor[i]]);
        const double *p = ls.mesh()->Ver[key.back()].Crd;
        q.push_back(
            {c[0] + (p[0] - c[0]) * shrink, c[1] + (p[1] - c[1]) * shrink, c[2] + (p[2] - c[2]) * shrink});
      }
      std::sort(key.begin(), key.end());
      auto &entry = faces[key];
      entry.first++, entry.second.n += K.Fac[f].NbrCor - 2, entry.second.area += Area(q, entry.second.moment);
    }
  }
  Polys out;
  for (const auto &f : faces) {
    if (skinOnly && f.second.first != 1) continue;
    out.n += f.second.second.n, out.area += f.second.second.area;
    for (int d = 0; d < 3; d++) out.moment[d] += f.second.second.moment[d];
  }
  return out;
}

class VolumeLists : public ListGL, public ::testing::WithParamInterface<Kind> {};

// The skin holds exactly the boundary faces; hiding an inner element opens it; shrink shows
// every face; a shown boundary surface hides what it covers; no topology, no faces.
TEST_P(VolumeLists, TheSkinHoldsExactlyTheUncoveredFaces) {
  const Kind &k = GetParam();
  const int kind = k.K->Kind;
  auto ls = Box(k);
  ZelEntDisplayList &rec = ls->rec(kind);
  rec.Flags &= ~ZelLstShrink;
  const ZelElems el = zelElems(ls->mesh(), kind);
  // Every face on a side of the box; hexahedra report the faces drawn on every build.
  auto skin = [&](int quads) {
    CaptureStdout();
    const double area =
        Faces(gl, *ls, kind, [](const std::vector<std::array<double, 3>> &q, const FeedbackPrim &) {
          bool onSide = false;
          for (int d = 0; d < 3; d++) {
            bool all0 = true, all3 = true;
            for (const auto &p : q) all0 &= std::fabs(p[d]) < 1e-4, all3 &= std::fabs(p[d] - 3) < 1e-4;
            onSide |= all0 || all3;
          }
          EXPECT_TRUE(onSide);
        }).area;
    const std::string line = " quad-face drawn for hex " + std::to_string(quads) + " \n";
    EXPECT_EQ(GetCapturedStdout(), k.K == &ZelHexKind ? line + line + line : "");  // list, direct twice
    return area;
  };
  ls->rec(k.surfaceKind).Flags |= ZelLstHidden;
  EXPECT_NEAR(skin(54), 54, 1e-3);
  // Normal arrows (short, to stay in view): tetrahedra on the faces shown, the others on all.
  ls->scene()->Rnd.NormalScale = 0.01;
  ASSERT_EQ(zelUpdateList(kind, 0x800, ls->scene(), &rec), 1);
  EXPECT_EQ(Count(gl.feedbackList(rec.MrkLst + 1)).lines,
            3 * (k.K == &ZelTetKind ? 108 : el.Count * k.K->NbrFac));
  ls->rec(k.surfaceKind).Flags &= ~ZelLstHidden;
  EXPECT_NEAR(skin(45), 45, 1e-3);  // the bottom is drawn by its surface record
  ls->rec(k.surfaceKind).Flags |= ZelLstHidden;

  const int centre = 13 * k.perCell + 1;  // an element of the middle cell: all faces inner
  *el.tag(centre) &= ~TAG_VISIBLE;
  const Polys inner = Expected(*ls, *k.K, [centre](int e) { return e == centre; });
  EXPECT_NEAR(Faces(gl, *ls, kind).area, 54 + inner.area, 1e-3);
  *el.tag(centre) |= TAG_VISIBLE;

  // Shrunk, with the bottom layer hidden: every face of the others, each toward its centroid.
  const int third = el.Count / 3;
  for (int e = 1; e <= third; e++) *el.tag(e) &= ~TAG_VISIBLE;
  const Polys all = Expected(
      *ls, *k.K, [third](int e) { return e > third; }, false, 0.8);
  rec.Flags |= ZelLstShrink;
  ls->scene()->Rnd.Shrink = 0.8f;
  const Polys shrunk = Faces(gl, *ls, kind);
  EXPECT_EQ(shrunk.n, all.n);
  EXPECT_NEAR(shrunk.area, all.area, 1e-3);
  for (int d = 0; d < 3; d++) EXPECT_NEAR(shrunk.moment[d], all.moment[d], 1e-3);
  for (int e = 1; e <= third; e++) *el.tag(e) |= TAG_VISIBLE;
  rec.Flags &= ~ZelLstShrink;

  // Topology not done yet: nothing without a plane, every face of the cut elements with one.
  TopoDoneStore(ls->mesh(), 0);
  CaptureStdout();
  EXPECT_EQ(Faces(gl, *ls, kind).n, 0);
  EXPECT_EQ(GetCapturedStdout(), "");
  ls->plane(1.4);
  const Polys cut = Expected(*ls, *k.K, [&el](int e) { return (*el.tag(e) & TAG_CLIPPED) != 0; });
  const Polys layer = Faces(gl, *ls, kind);
  EXPECT_EQ(layer.n, cut.n);
  EXPECT_NEAR(layer.area, cut.area, 1e-3);
  TopoDoneStore(ls->mesh(), 1);
  // Vertex numbers of the cut elements, once each; pyramids label every visible one.
  std::set<int> labelled;
  for (int e = 1; e <= el.Count; e++)
    for (int i = 0; (k.K == &ZelPyrKind || (*el.tag(e) & TAG_CLIPPED)) && i < k.K->NbrCor; i++)
      labelled.insert(el.ver(e)[i]);
  size_t digits = 0;
  for (int v : labelled) digits += std::to_string(v).size();
  ASSERT_EQ(zelUpdateList(kind, 0x400000, ls->scene(), &rec), 1);
  EXPECT_EQ(size_t(Count(gl.feedbackList(rec.MrkLst + 2)).bitmaps), digits);  // a bitmap per digit
}

// A plane shows the cut layer; capping replaces it by the section for tetrahedra and
// hexahedra; the plane switched off with capping still set brings the skin back; in volume
// mode each cap piece picks its source element, outside it nothing picks.
TEST_P(VolumeLists, ClippingShowsTheCutLayerOrItsCap) {
  const Kind &k = GetParam();
  const int kind = k.K->Kind;
  auto ls = Box(k);
  ZelScene *s = ls->scene();
  ZelEntDisplayList &rec = ls->rec(kind);
  rec.Flags &= ~ZelLstShrink;
  ls->rec(k.surfaceKind).Flags |= ZelLstHidden;
  for (bool capping : {false, true}) {
    ls->plane(1.4);
    s->Flags = capping ? uint32_t{ZelFlgCapping} : 0u;
    if (!capping || !k.K->CapKind) {
      const ZelElems el = zelElems(ls->mesh(), kind);
      const Polys layer = Faces(gl, *ls, kind);
      const Polys want = Expected(
          *ls, *k.K, [&el](int e) { return (*el.tag(e) & TAG_CLIPPED) != 0; }, true);
      EXPECT_EQ(layer.n, want.n) << "capping " << capping;
      EXPECT_NEAR(layer.area, want.area, 1e-3) << "capping " << capping;
      continue;
    }
    for (double z : {1.5, 1.0}) {  // a cap is the section itself, in the middle or on a grid plane
      ls->plane(z);
      ASSERT_EQ(zelUpdateList(kind, 0x80000, s, &rec), 1);
      const std::pair<double, double> seen = SeenFromAbove(gl, *ls, rec.FacLst, z);
      EXPECT_NEAR(seen.first, 9, 0.1) << "z " << z;
      EXPECT_EQ(seen.second, 0) << "z " << z;
    }
  }
  ls->plane(1.5, false);  // off, capping still on: the skin again
  EXPECT_NEAR(Faces(gl, *ls, kind).area, 54, 1e-3);
  if (!k.K->CapKind) return;

  ls->plane(1.5);
  ASSERT_EQ(zelUpdateList(kind, 0x80000 | 0x200000, s, &rec), 1);
  EXPECT_EQ(gl.feedbackList(rec.PckLst).size(), 0u);  // not in volume mode
  s->Flags |= ZelFlgVolumes;
  ASSERT_EQ(zelUpdateList(kind, 0x80000 | 0x200000, s, &rec), 1);
  gl.clear(0, 0, 0);
  glCallList(rec.PckLst);
  GLMesh *cap = nullptr;
  ZelEntity *ent = zelGetEntity(s->ZelMsh, kind);
  ASSERT_EQ(zel_cappingmesh(k.K->CapKind, rec.Head, s->ZelMsh->Pla->Pla[0], nullptr, s->Msh, s->ZelMsh,
                            ent->Lnk, &cap),
            1);
  int checked = 0;
  for (int quad = 0; quad < 2; quad++)
    for (int p = 0; p < (quad ? cap->NbrQua : cap->NbrTri); p++) {
      const int n = quad ? 4 : 3;
      const float *crd = (quad ? cap->QuaCrd : cap->TriCrd) + 3 * n * p;
      double x = 0, y = 0;
      for (int i = 0; i < n; i++) x += crd[3 * i] / n, y += crd[3 * i + 1] / n;
      EXPECT_EQ(PickedAt(s, x, y),
                std::to_string(kind) + ":" + std::to_string((quad ? cap->QuaSrc : cap->TriSrc)[p]));
      checked++;
    }
  EXPECT_GE(checked, 9);
  zel_freeGLMesh(cap);
}

// With lighting on, every triangle of the shaded skin is lit like the others on its side of the
// box: none is turned away by a wrong normal.
TEST_P(VolumeLists, LitShadedFacesAreLitAlikeOnEachSideOfTheBox) {
  const Kind &k = GetParam();
  auto ls = Box(k);
  ls->field(0);
  ls->rec(k.surfaceKind).Flags |= ZelLstHidden;
  ZelEntDisplayList &rec = ls->rec(k.K->Kind);
  rec.Flags &= ~ZelLstShrink;
  ASSERT_EQ(zelUpdateList(k.K->Kind, 0x20, ls->scene(), &rec), 1);
  const std::vector<FeedbackPrim> plain = gl.feedbackList(rec.SolLst);
  glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT);
  glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glEnable(GL_COLOR_MATERIAL);
  const GLfloat towards[4] = {1, 2, 3, 0}, half[4] = {0.5f, 0.5f, 0.5f, 1};  // no side lit edge-on
  glLightfv(GL_LIGHT0, GL_POSITION, towards), glLightfv(GL_LIGHT0, GL_DIFFUSE, half);
  const std::vector<FeedbackPrim> lit = gl.feedbackList(rec.SolLst);
  glPopAttrib();
  ASSERT_EQ(lit.size(), plain.size());
  std::map<long, float> sides;  // side of the box: the light's factor on its first triangle
  for (size_t i = 0; i < lit.size(); i++) {
    ASSERT_TRUE(plain[i].isPolygon() && plain[i].v.size() == 3);
    double p[3][3];
    for (int j = 0; j < 3; j++) ls->meshPoint(plain[i].v[j], p[j]);
    long side = -1;
    for (int d = 0; d < 3; d++)  // the axis along which the three corners agree, and where
      if (std::fabs(p[1][d] - p[0][d]) < 1e-3 && std::fabs(p[2][d] - p[0][d]) < 1e-3)
        side = 10 * d + std::lround(p[0][d]);
    const FeedbackVertex &a = plain[i].v[0], &b = lit[i].v[0];
    const float factor = a.r > a.g && a.r > a.b ? b.r / a.r : a.g > a.b ? b.g / a.g : b.b / a.b;
    EXPECT_NEAR(factor, sides.emplace(side, factor).first->second, 0.01) << "side " << side << ", triangle " << i;
  }
  EXPECT_EQ(sides.size(), 6u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, VolumeLists, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind> &i) {
                           return std::string(i.param.K->Name);
                         });

using VolumeIsoSurfaces = ListGL;

// f = z on shuffled boxes: the levels of the grid plane z = 1 (exactly its vertex values) and
// of z = 1.5 each give a surface of area 9 at that height; the end levels, outside the field,
// give nothing.
TEST_F(VolumeIsoSurfaces, LevelsLieWhereTheFieldTakesThem) {
  for (const ZelVolumeKind *K : {&ZelTetKind, &ZelHexKind}) {
    auto ls = Box(KindOf(K), true);
    ls->field(0);
    ZelPalette &pal = ls->scene()->VieSol->ZelPal[0];
    int atOne = 1;
    while (ls->mesh()->Ver[atOne].Crd[2] != 1) atOne++;
    const float levels[4] = {-0.9f, static_cast<float>(pal.Sol[atOne]), 0.0f, 0.9f};  // z = 1 and 1.5
    pal.N = 4;
    std::copy(levels, levels + 4, pal.NormIso);
    ASSERT_NEAR(pal.Sol[atOne], (1 - 1.5) / 3, 1e-12);
    ZelEntDisplayList &rec = ls->rec(K->Kind);
    ASSERT_EQ(zelUpdateList(K->Kind, 0x80, ls->scene(), &rec), 1);
    double area[2] = {0, 0};
    Measure(gl, *ls, Call(rec.SolLst + 3),
            [&](const std::vector<std::array<double, 3>> &q, const FeedbackPrim &p) {
              const bool low = std::fabs(q[0][2] - 1) < 1e-4;
              for (const auto &v : q) EXPECT_NEAR(v[2], low ? 1.0 : 1.5, 1e-4) << K->Name;
              EXPECT_NEAR(p.v[0].a, low ? 0.2f : 0.4f, 1e-3);  // the middle levels of four
              area[low] += Area(q);
            });
    EXPECT_NEAR(area[1], 9, 1e-3) << K->Name;
    EXPECT_NEAR(area[0], 9, 1e-3) << K->Name;
    // Iso-lines on the faces of tetrahedra only in volume mode; hexahedra always.
    ASSERT_EQ(zelUpdateList(K->Kind, 0x40, ls->scene(), &rec), 1);
    EXPECT_EQ(gl.feedbackList(rec.SolLst + 1).empty(), K == &ZelTetKind);
    ls->scene()->Flags |= ZelFlgVolumes;
    ASSERT_EQ(zelUpdateList(K->Kind, 0x40, ls->scene(), &rec), 1);
    EXPECT_FALSE(gl.feedbackList(rec.SolLst + 1).empty());
  }
}

// A field on the elements alone: one colour per shaded face, no iso-lines, no iso-surfaces.
TEST_F(VolumeIsoSurfaces, ElementFieldsShadeFlatAndDrawNoLines) {
  for (const ZelVolumeKind *K : {&ZelTetKind, &ZelPriKind, &ZelHexKind}) {
    const Kind &k = KindOf(K);
    ListScene ls(
        [&](Memory_List *mem) {
          Geometric_Mesh *m = MakeStructuredMesh(mem, 3, 3, 3, k.gen);
          const ZelElems el = zelElems(m, K->Kind);
          const int type = SOL_SCALAR;
          Geometric_Solution *sol = NewCommonSolution(mem, el.Count, 1, 1, &type);
          for (int e = 1; e <= el.Count; e++) sol->Sol[e] = e % 7;
          (K == &ZelTetKind ? m->SolAtTet : K == &ZelPriKind ? m->SolAtPri : m->SolAtHex) = sol;
          (K == &ZelTetKind ? m->NbrSolTet : K == &ZelPriKind ? m->NbrSolPri : m->NbrSolHex) = el.Count;
          (K == &ZelTetKind ? m->MaxSolTet : K == &ZelPriKind ? m->MaxSolPri : m->MaxSolHex) = el.Count;
          return m;
        },
        {K->Kind});
    ls.field(0);
    ZelEntDisplayList &rec = ls.rec(K->Kind);
    ASSERT_EQ(zelUpdateList(K->Kind, 0x20 | 0x40 | 0x80, ls.scene(), &rec), 1);
    std::set<std::array<float, 3>> colours;
    const Polys shaded = Measure(gl, ls, Call(rec.SolLst),
                                 [&](const std::vector<std::array<double, 3>> &, const FeedbackPrim &p) {
                                   for (const FeedbackVertex &v : p.v)
                                     EXPECT_TRUE(v.r == p.v[0].r && v.g == p.v[0].g && v.b == p.v[0].b);
                                   colours.insert({p.v[0].r, p.v[0].g, p.v[0].b});
                                 });
    EXPECT_NEAR(shaded.area, 54, 1e-3) << K->Name;
    EXPECT_GE(colours.size(), 5u);
    EXPECT_EQ(gl.feedbackList(rec.SolLst + 1).size(), 0u);
    EXPECT_EQ(gl.feedbackList(rec.SolLst + 3).size(), 0u);
  }
}

// Vector arrows of an unshrunk record start at the vertices whatever the scene's shrink.
TEST_F(VolumeIsoSurfaces, VectorArrowsStartAtTheVerticesOfAnUnshrunkRecord) {
  ListScene ls(
      [](Memory_List *mem) {
        Geometric_Mesh *m = MakeStructuredMesh(mem, 3, 3, 3, GEN_HEX);
        const int type = SOL_VECTOR;
        m->SolAtVer = NewCommonSolution(mem, m->MaxNbrVer, 3, 1, &type);
        m->MaxSolVer = 3 * m->MaxNbrVer, m->NbrSolVer = m->NbrVer;  // values
        for (int v = 1; v <= m->NbrVer; v++) m->SolAtVer->Sol[3 * v] = 1;
        return m;
      },
      {KmfHexahedra});
  ls.field(0);
  ls.scene()->Rnd.Shrink = 0.5f;
  ZelEntDisplayList &rec = ls.rec(KmfHexahedra);
  rec.Flags &= ~ZelLstShrink;
  ASSERT_EQ(zelUpdateList(KmfHexahedra, 0x200, ls.scene(), &rec), 1);
  const std::vector<FeedbackPrim> lines = gl.feedbackList(rec.SolLst + 2);
  ASSERT_EQ(lines.size(), 3u * ls.mesh()->NbrVer);
  std::set<std::array<long, 3>> starts, vertices;  // in thousandths of mesh units
  auto add = [](std::set<std::array<long, 3>> &to, const double *p) {
    to.insert({std::lround(p[0] * 1e3), std::lround(p[1] * 1e3), std::lround(p[2] * 1e3)});
  };
  for (size_t a = 0; a < lines.size(); a += 3) {
    double p[3];
    ls.meshPoint(lines[a].v[0], p);
    add(starts, p);
  }
  for (int v = 1; v <= ls.mesh()->NbrVer; v++) add(vertices, ls.mesh()->Ver[v].Crd);
  EXPECT_EQ(starts, vertices);
}

using NormalLists = ListGL;

// Normals at vertices: one arrow each; mask 1 builds them only while the scene shows normals;
// a click near the tip of a visible arrow of length 2 picks its normal.
TEST_F(NormalLists, ArrowsShowAndPickOverTheirWholeLength) {
  ListScene ls(
      [](Memory_List *mem) {
        Geometric_Mesh *m =
            NewRoomyMesh(mem, 3, {{KmfVertices, 3}, {KmfTriangles, 1}, {KmfNormalAtVertices, 3}});
        for (int v = 0; v < 3; v++) AddVertex(m, v == 1, v == 2, 0);
        AddElement(m, KmfTriangles, {1, 2, 3}, 1);
        const double dir[3][3] = {{-1, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        for (int n = 0; n < 3; n++)
          m->Nor[++m->NbrNor] = Normal{1, n + 1, {dir[n][0], dir[n][1], dir[n][2]}, 0};
        return m;
      },
      {KmfNormalAtVertices});
  ZelScene *s = ls.scene();
  ZelEntDisplayList &rec = ls.rec(KmfNormalAtVertices);
  s->Rnd.NormalScale = 2;
  ListScene::view(gl, 3.0);
  MarkAll(rec);  // markers the rebuild replaces
  ASSERT_EQ(zelUpdateList(KmfNormalAtVertices, 0x1, s, &rec), 1);
  EXPECT_EQ(Count(gl.feedbackList(rec.MrkLst + 3)).lines, 0);
  s->Flags |= ZelFlgNormalsAtVer;
  ASSERT_EQ(zelUpdateList(KmfNormalAtVertices, 0x1, s, &rec), 1);
  EXPECT_EQ(Count(gl.feedbackList(rec.MrkLst + 3)).lines, 9);

  gl.clear(0, 0, 0);
  glLineWidth(5);
  glCallList(rec.PckLst);
  for (int n = 1; n <= 3; n++) {
    const Normal &nor = ls.mesh()->Nor[n];
    const float *base = s->ZelMsh->Crd[nor.Ver];
    const double x = base[0] + 1.9 * nor.Crd[0] * s->InvDmaxSca,
                 y = base[1] + 1.9 * nor.Crd[1] * s->InvDmaxSca;
    EXPECT_EQ(PickedAt(s, x, y, 3.0), std::to_string(int(KmfNormalAtVertices)) + ":" + std::to_string(n));
  }
  glLineWidth(1);
}

// Every kind for a person to look at, f = x + y + z: the shaded skin with black iso-lines, the
// cut by x + y / 2 = 2.25 (the skin kept on one side and the cap; prisms and pyramids show their
// cut layer), and the translucent iso-surfaces over the wire on a dark ground.
TEST(VolumePictures, SkinCutAndIsoSurfacesOfEveryKind) {
  GLHarness gl(1200, 400);
  ASSERT_TRUE(gl.valid());
  for (const Kind &k : kKinds) {
    auto ls = Box(k, false, true);
    ZelScene *s = ls->scene();
    const int kind = k.K->Kind;
    ZelEntDisplayList &rec = ls->rec(kind);
    rec.Flags &= ~ZelLstShrink;
    ls->rec(k.surfaceKind).Flags |= ZelLstHidden;
    ls->field(0);
    s->VieSol->ZelPal[0].BlackIso = 1;
    s->Flags |= ZelFlgCapping | ZelFlgVolumes;
    gl.clear(1, 1, 1);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);  // the image stays opaque
    int lit[3] = {0, 0, 0};
    for (int panel = 0; panel < 3; panel++) {
      gl.ortho(-0.8, 0.8, -0.8, 0.8, -3, 3);
      glViewport(400 * panel, 0, 400, 400);
      glRotated(-60, 1, 0, 0);
      glRotated(-130, 0, 0, 1);
      // The box's centre in the middle (the scene centres prisms on their surface triangles).
      glTranslated((s->Ctr[0] - 1.5) * s->InvDmaxSca, (s->Ctr[1] - 1.5) * s->InvDmaxSca,
                   (s->Ctr[2] - 1.5) * s->InvDmaxSca);
      glEnable(GL_DEPTH_TEST);
      glEnable(GL_POLYGON_OFFSET_FILL);
      glPolygonOffset(1, 1);
      if (panel == 0) {
        ASSERT_EQ(zelUpdateList(kind, 0x20 | 0x40, s, &rec), 1);
        glCallList(rec.SolLst);
        glCallList(rec.SolLst + 1);
      } else if (panel == 1) {
        const GLdouble keep[4] = {-1, -0.5, 0, 0};  // the display plane through the centre
        glClipPlane(GL_CLIP_PLANE0, keep);
        glEnable(GL_CLIP_PLANE0);
        zelDirectDrawList(kind, 0x20, s, &rec);  // the skin, never capped
        glDisable(GL_CLIP_PLANE0);
        ls->plane(2.25, true, {1, 0.5, 0, 0});
        ASSERT_EQ(zelUpdateList(kind, 0x20, s, &rec), 1);
        glCallList(rec.SolLst);
        ls->plane(0, false);
      } else {
        ASSERT_EQ(zelUpdateList(kind, 0x80000 | 0x100000 | 0x80, s, &rec), 1);
        glPushMatrix();
        glLoadIdentity();
        glColor3f(0.15f, 0.15f, 0.2f);
        glRectf(-0.8f, -0.8f, 0.8f, 0.8f);
        glPopMatrix();
        glClear(GL_DEPTH_BUFFER_BIT);
        glColor3f(0.5f, 0.5f, 0.5f);
        glCallList(rec.WirLst);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glCallList(rec.SolLst + 3);
        glDisable(GL_BLEND);
      }
      glDisable(GL_POLYGON_OFFSET_FILL);
      glDisable(GL_DEPTH_TEST);
      const QImage img = gl.grab().copy(400 * panel, 0, 400, 400);
      lit[panel] = 160000 - countPixels(img, 255, 255, 255, 0);
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl.savePng(gl.grab(), std::string("volume_") + k.K->Name);
    EXPECT_GT(lit[0], 20000) << k.K->Name;
    EXPECT_GT(lit[1], 15000) << k.K->Name;
    EXPECT_GT(lit[2], 100000) << k.K->Name;
  }
}

}  // namespace
