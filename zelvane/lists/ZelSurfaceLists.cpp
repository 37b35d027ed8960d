// Triangle and quadrilateral lists: one builder over a row per kind.
#include "zelvane/lists/ZelSurfaceLists.h"

#include <cmath>

#include "zelvane/lists/ZelListColor.h"
#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/lists/ZelListGlyphs.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// What sets triangles and quadrilaterals apart.
struct SurfaceKind {
  int NbrCor;
  GLenum Prim;
  float IsoCentre;         // centroid factor of the iso-line corners
  bool VolumeValues;       // shading falls back on the value of the volume behind the face
  bool IsoPairPerElement;  // one glBegin/glEnd pair of iso-lines per chain element
  Geometric_Solution *Geometric_Mesh::*OwnSol;  // the field at the kind's own elements
  const ZelMaskExtra *Extras;
  int NbrExtras;
};

const ZelMaskExtra kQuadExtras[] = {
    {ZelWordScene, 0x10, ZelMskCapping},       {ZelWordScene, 0x4, ZelMskNorVer},
    {ZelWordSolution, 0x4, ZelMskIsoSurfaces}, {ZelWordRecord, 0x2, ZelMskClipped},
    {ZelWordRecord, 0x4, ZelMskShrunk},
};

const SurfaceKind kTriangles = {3, GL_TRIANGLES, 0.3333f, true, false, &Geometric_Mesh::SolAtTri, nullptr, 0};
const SurfaceKind kQuadrilaterals = {4,           GL_QUADS, 0.25f, false, true, &Geometric_Mesh::SolAtQua,
                                     kQuadExtras, 5};

// The corners of element e: positions, centroid (sum / corners) and the shrunk positions.
struct Corners {
  float P[4][3];
  float C[3];
  float Q[4][3];
};

void cornersOf(const ZelListCtx &c, int n, int e, Corners *k) {
  const int *ver = c.ver(e);
  for (int d = 0; d < 3; d++) k->C[d] = 0.0f;
  for (int i = 0; i < n; i++)
    for (int d = 0; d < 3; d++) {
      k->P[i][d] = c.Crd[ver[i]][d];
      k->C[d] += k->P[i][d];
    }
  for (int d = 0; d < 3; d++) k->C[d] /= n;
  for (int i = 0; i < n; i++)
    for (int d = 0; d < 3; d++) k->Q[i][d] = k->C[d] + (k->P[i][d] - k->C[d]) * c.Shrink;
}

// The shrunk corners of every drawn element in one primitive, each element after what
// head(e, corners) emits.
template <class Head>
void drawShrunk(const ZelListCtx &c, const SurfaceKind &K, Head &&head) {
  glBegin(K.Prim);
  c.chain([&](int e) {
    if (!c.drawn(e)) return;
    Corners k;
    cornersOf(c, K.NbrCor, e, &k);
    head(e, k);
    for (int i = 0; i < K.NbrCor; i++) glVertex3fv(k.Q[i]);
  });
  glEnd();
}

// Faces: a degenerate element keeps the normal of the one before.
void drawFaces(const ZelListCtx &c, const SurfaceKind &K) {
  drawShrunk(c, K, [](int, const Corners &k) {
    float n[3];
    if (zelUnitNormal(k.P[0], k.P[1], k.P[2], n)) glNormal3fv(n);
  });
}

void drawPicking(const ZelListCtx &c, const SurfaceKind &K) {
  drawShrunk(
      c, K, [&c](int e, const Corners &) { zelPickingColor(c.ColRng, c.PckBas + static_cast<uint32_t>(e)); });
}

// Normal arrows from the unshrunk centroids; a degenerate element takes the normal of the one
// before (none before it: no arrow).
void drawArrows(const ZelListCtx &c, const SurfaceKind &K) {
  const float L = static_cast<float>(c.Scn->Rnd.NormalScale);
  float n[3] = {0.0f, 0.0f, 0.0f};
  glBegin(GL_LINES);
  c.chain([&](int e) {
    if (!c.drawn(e)) return;
    Corners k;
    cornersOf(c, K.NbrCor, e, &k);
    zelUnitNormal(k.P[0], k.P[1], k.P[2], n);
    float d[3] = {n[0], n[1], n[2]};
    zelArrowHead(k.C, d, L);
  });
  glEnd();
}

// Palette values at the corners of element e; false when the field gives it none.
bool cornerValues(const ZelListCtx &c, const SurfaceKind &K, const ZelListField &f, int e, float s[4]) {
  const ZelPalette *pal = f.Pal;
  int at[4];
  if (c.Msh->*K.OwnSol) {
    for (int i = 0; i < K.NbrCor; i++) at[i] = e;
  } else if (f.VerSol) {
    for (int i = 0; i < K.NbrCor; i++) at[i] = c.ver(e)[i];
  } else if (K.VolumeValues) {
    // The value of the volume element behind the face; a face without one, or whose volume is
    // of a kind the field is not given on, is left out.
    const int w = c.Msh->Tri[e].VoiVol;
    if (w <= 0) return false;
    for (int i = 0; i < K.NbrCor; i++) at[i] = w;
  } else {
    return false;
  }
  for (int i = 0; i < K.NbrCor; i++) {
    if (at[i] > pal->NbrSol) return false;
    s[i] = static_cast<float>(pal->Sol[at[i]]);
  }
  return true;
}

// The halves of an element: the triangle itself, or a quadrilateral's (0, 1, 2) and (0, 2, 3).
int halvesOf(int nbrCor, int half[2][3]) {
  static const int kHalves[2][3] = {{0, 1, 2}, {0, 2, 3}};
  for (int h = 0; h < 2; h++)
    for (int i = 0; i < 3; i++) half[h][i] = kHalves[h][i];
  return nbrCor == 4 ? 2 : 1;
}

void drawShading(const ZelListCtx &c, const SurfaceKind &K, const ZelListField &f) {
  int half[2][3];
  const int nbrHalves = halvesOf(K.NbrCor, half);
  glBegin(GL_TRIANGLES);
  c.chain([&](int e) {
    float s[4];
    if (!c.drawn(e) || !cornerValues(c, K, f, e, s)) return;
    Corners k;
    cornersOf(c, K.NbrCor, e, &k);
    for (int h = 0; h < nbrHalves; h++) {
      const int *t = half[h];
      float n[3] = {0.0f, 0.0f, 0.0f};
      zelUnitNormal(k.P[t[0]], k.P[t[1]], k.P[t[2]], n);
      ZelShadeVertex tri[3];
      for (int i = 0; i < 3; i++) {
        for (int d = 0; d < 3; d++) tri[i].P[d] = k.Q[t[i]][d], tri[i].N[d] = n[d];
        tri[i].S = s[t[i]];
      }
      zelPaletteSplitTri(f.Pal, tri);
    }
  });
  glEnd();
}

void drawIsoLines(const ZelListCtx &c, const SurfaceKind &K, const ZelListField &f) {
  if (!f.VerSol || (K.IsoPairPerElement && !c.Head)) return;
  const std::vector<ZelIsoLevel> levels = zelIsoLevels(f.Pal);
  int half[2][3];
  const int nbrHalves = halvesOf(K.NbrCor, half);
  if (!K.IsoPairPerElement) glBegin(GL_LINES);
  c.chain([&](int e) {
    if (K.IsoPairPerElement) glBegin(GL_LINES);
    float s[4];
    if (c.drawn(e) && cornerValues(c, K, f, e, s)) {
      Corners k;
      cornersOf(c, K.NbrCor, e, &k);
      float ctr[3];
      for (int d = 0; d < 3; d++)
        ctr[d] = (k.P[0][d] + k.P[1][d] + k.P[2][d] + (K.NbrCor == 4 ? k.P[3][d] : 0.0f)) * K.IsoCentre;
      for (int i = 0; i < K.NbrCor; i++)
        for (int d = 0; d < 3; d++) k.Q[i][d] = ctr[d] + (k.P[i][d] - ctr[d]) * c.Shrink;
      for (int h = 0; h < nbrHalves; h++) {
        const float p[3][3] = {{k.Q[half[h][0]][0], k.Q[half[h][0]][1], k.Q[half[h][0]][2]},
                               {k.Q[half[h][1]][0], k.Q[half[h][1]][1], k.Q[half[h][1]][2]},
                               {k.Q[half[h][2]][0], k.Q[half[h][2]][1], k.Q[half[h][2]][2]}};
        const float v[3] = {s[half[h][0]], s[half[h][1]], s[half[h][2]]};
        zelIsoLinesTri(levels, p, v);
      }
    }
    if (K.IsoPairPerElement) glEnd();
  });
  if (!K.IsoPairPerElement) glEnd();
}

// Opens the metric list of an update: 0 without palette or solution, or when the mask does not
// ask for it; else the glyphs' shape list is made (it cannot be once this one is open), the
// list deleted, opened for compiling and 1 returned. *offset receives the active field's offset,
// computed whatever the mask.
int zelOpenMetricList(ZelListMask mask, const ZelListCtx &c, const ZelEntDisplayList *rec, const ZelListField &f,
                      int *offset) {
  if (!f.Pal || !f.Sol) return 0;
  *offset = zelFieldOffset(f.Sol, f.Fld, c.Msh->Dim);
  if (!(mask & ZelUpdateTests.Metric)) return 0;
  zelPrepareMetrics(c, f);
  const GLuint id = rec->SolLst + 5;
  if (glIsList(id)) glDeleteLists(id, 1);
  glNewList(id, GL_COMPILE);
  return 1;
}

int build(const SurfaceKind &K, bool update, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  ZelListCtx c;
  if (!zelListOpen(scene, rec, &c)) return 0;
  const ZelListTests &T = update ? ZelUpdateTests : ZelDirectTests;
  if (update) mask = zelMaskRule(mask, scene, rec, true, K.Extras, K.NbrExtras);
  auto asks = [mask](ZelListMask test) { return (mask & test) != 0; };

  if (asks(T.Faces)) zelListPass(update, rec->FacLst, [&] { drawFaces(c, K); });
  if (asks(T.Wire)) zelWirePass(update, rec, [&] { drawFaces(c, K); });
  if (asks(T.Picking) && c.ColRng) zelListPass(update, rec->PckLst, [&] { drawPicking(c, K); });
  if (asks(T.Arrows)) zelListPass(update, rec->MrkLst + 1, [&] { drawArrows(c, K); });
  if (asks(T.Numbers)) zelListPass(update, rec->MrkLst + 2, [&] { zelDrawNumbers(c); });

  ZelListField f;
  if (!zelListField(scene, &f)) return 1;
  if (asks(T.Shading)) zelListPass(update, rec->SolLst + 0, [&] { drawShading(c, K, f); });
  if (asks(T.IsoLines)) zelListPass(update, rec->SolLst + 1, [&] { drawIsoLines(c, K, f); });
  const int dim = c.Msh->Dim;
  int offset = zelFieldOffset(f.Sol, f.Fld, dim);
  if (asks(T.Vectors)) zelListPass(update, rec->SolLst + 2, [&] { zelDrawVectors(c, f, offset); });
  if (update) {
    if (zelOpenMetricList(mask, c, rec, f, &offset)) {
      zelDrawMetrics(c, f, offset);
      glEndList();
    }
  } else {
    offset = zelFieldOffset(f.Sol, f.Fld, dim);
    if (asks(T.Metric)) zelDrawMetrics(c, f, offset);
  }
  return 1;
}

}  // namespace

int zelListUpdateTriangles(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return build(kTriangles, true, mask, scene, rec);
}
int zelListDirectTriangles(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return build(kTriangles, false, mask, scene, rec);
}
int zelListUpdateQuadrilaterals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return build(kQuadrilaterals, true, mask, scene, rec);
}
int zelListDirectQuadrilaterals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return build(kQuadrilaterals, false, mask, scene, rec);
}
