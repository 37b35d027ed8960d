// Volume display lists: emitters over the volume face walker, and the entries of every kind.
#include "zelvane/lists/ZelVolumeLists.h"

#include <cstdio>

#include "common/model/Mesh.h"
#include "zelvane/lists/ZelCapping.h"
#include "zelvane/lists/ZelIsoSurfaces.h"
#include "zelvane/lists/ZelListColor.h"
#include "zelvane/lists/ZelListGlyphs.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// The cap of the current update call: each new one frees the one before, the last is freed
// when the entry returns.
class CapHolder {
 public:
  CapHolder() = default;
  CapHolder(const CapHolder &) = delete;
  CapHolder &operator=(const CapHolder &) = delete;
  ~CapHolder() { zel_freeGLMesh(cap_); }
  GLMesh *get() const { return cap_; }
  void make(const ZelVolCtx &v, ZelPalette *pal) {
    zel_freeGLMesh(cap_);
    zel_cappingmesh(v.K->CapKind, v.L.Head, v.Plane, pal, v.L.Msh, v.L.ZelMsh, const_cast<ZelLink *>(v.L.Lnk),
                    &cap_);
  }

 private:
  GLMesh *cap_ = nullptr;
};

// The corners of face f of an element: vertex numbers, unshrunk (P) and shrunk toward the
// centroid (Q).
struct FaceCorners {
  int N;
  int V[4];
  const float *P[4];
  const float *Q[4];
};
FaceCorners cornersOf(const ZelVolumeKind &K, const ZelVolElem &g, int f) {
  FaceCorners c{K.Fac[f].NbrCor, {}, {}, {}};
  for (int i = 0; i < c.N; i++) {
    const int k = K.Fac[f].Cor[i];
    c.V[i] = g.Ver[k], c.P[i] = g.P[k], c.Q[i] = g.Q[k];
  }
  return c;
}

// Calls face(f) for the faces of a block's mask, in block order.
template <class Face>
void eachFace(const ZelVolumeKind &K, int b, uint32_t mask, Face &&face) {
  for (int i = 0; i < K.Blk[b].NbrFac; i++)
    if (mask & (1u << K.Blk[b].Fac[i])) face(K.Blk[b].Fac[i]);
}

// The blocks of a worker left empty.
void emptyBlocks(const ZelVolumeKind &K, GLenum prim) {
  for (int b = 0; b < K.NbrBlk; b++) {
    glBegin(prim ? prim : zelBlockPrim(K, b));
    glEnd();
  }
}

void emitPoints(int n, const float *const *p) {
  for (int i = 0; i < n; i++) glVertex3fv(p[i]);
}

// Calls piece(corners, values or null, normal, source) for every cap piece of one shape.
template <class Piece>
void eachCapPiece(const GLMesh *cap, bool quad, Piece &&piece) {
  const int n = quad ? 4 : 3, count = quad ? cap->NbrQua : cap->NbrTri;
  const float *crd = quad ? cap->QuaCrd : cap->TriCrd, *val = quad ? cap->QuaSol : cap->TriSol;
  const float *nor = quad ? cap->QuaNor : cap->TriNor;
  const int *src = quad ? cap->QuaSrc : cap->TriSrc;
  for (int k = 0; k < count; k++) {
    const float *c[4] = {crd + 3 * n * k, crd + 3 * n * k + 3, crd + 3 * n * k + 6, crd + 3 * n * k + 9};
    piece(c, val ? val + n * k : nullptr, nor + 3 * k, src[k]);
  }
}

// The cap: a triangle block then a quadrilateral block, each piece after what head(normal,
// source) emits.
template <class Head>
void emitCap(const GLMesh *cap, Head &&head) {
  for (int quad = 0; quad < 2; quad++) {
    glBegin(quad ? GL_QUADS : GL_TRIANGLES);
    eachCapPiece(cap, quad, [&](const float *const *c, const float *, const float *nor, int src) {
      head(nor, src);
      emitPoints(quad ? 4 : 3, c);
    });
    glEnd();
  }
}

// Faces: one flat normal each (a degenerate face keeps the one before), corners shrunk.
void drawFaces(const ZelVolCtx &v, const GLMesh *cap) {
  const ZelVolumeKind &K = *v.K;
  if (cap) {
    emitCap(cap, [](const float *n, int) { glNormal3fv(n); });
    return;
  }
  int count = 0;
  zelVolumeFaces(v, 0, true, [&](const ZelVolElem &g, int b, uint32_t mask) {
    eachFace(K, b, mask, [&](int f) {
      const FaceCorners c = cornersOf(K, g, f);
      float n[3];
      if (zelUnitNormal(c.P[0], c.P[1], c.P[2], n)) glNormal3fv(n);
      emitPoints(c.N, c.Q);
      count++;
    });
  });
  if (K.ProgressLines && (v.Rule.Topo || v.Rule.ClipOn)) printf(" quad-face drawn for hex %d \n", count);
}

// Picking: in volume mode only, each element's (or cap piece's source's) id colour.
void drawPicking(const ZelVolCtx &v, const GLMesh *cap) {
  const ZelVolumeKind &K = *v.K;
  auto colour = [&v](int e) { zelPickingColor(v.L.ColRng, v.L.PckBas + static_cast<uint32_t>(e)); };
  if (!(v.L.Scn->Flags & ZelFlgVolumes)) {
    emptyBlocks(K, 0);
  } else if (cap) {
    emitCap(cap, [&](const float *, int src) { colour(src); });
  } else {
    zelVolumeFaces(v, 0, true, [&](const ZelVolElem &g, int b, uint32_t mask) {
      colour(g.E);
      eachFace(K, b, mask, [&](int f) { emitPoints(K.Fac[f].NbrCor, cornersOf(K, g, f).Q); });
    });
  }
}

// Normal arrows from the unshrunk face centres, the scene's length.
void drawArrows(const ZelVolCtx &v) {
  const ZelVolumeKind &K = *v.K;
  const float L = static_cast<float>(v.L.Scn->Rnd.NormalScale);
  float n[3] = {0.0f, 0.0f, 0.0f};
  zelVolumeFaces(v, GL_LINES, K.ArrowsOnVisibleFaces, [&](const ZelVolElem &g, int b, uint32_t mask) {
    eachFace(K, b, mask, [&](int f) {
      const FaceCorners c = cornersOf(K, g, f);
      float centre[3] = {0.0f, 0.0f, 0.0f};
      for (int d = 0; d < 3; d++) {
        for (int i = 0; i < c.N; i++) centre[d] += c.P[i][d];
        centre[d] = c.N == 3 ? centre[d] / 3.0f : centre[d] * 0.25f;
      }
      zelUnitNormal(c.P[0], c.P[1], c.P[2], n);
      float d[3] = {n[0], n[1], n[2]};
      zelArrowHead(centre, d, L);
    });
  });
}

// Field values at n corners of element e: its own value at every corner (own: the field is
// given on the kind's elements), else the values of the vertices ver. False when the palette
// holds no value that far.
bool valuesOf(const ZelListField &f, bool own, int e, int n, const int *ver, float s[4]) {
  const ZelPalette *pal = f.Pal;
  if (!pal->Sol) return false;
  for (int i = 0; i < n; i++) {
    const int at = own ? e : ver[i];
    if (at > pal->NbrSol) return false;
    s[i] = static_cast<float>(pal->Sol[at]);
  }
  return true;
}

// One shaded triangle or quadrilateral: halves with their own normals, corners moved toward
// the centre.
void shadeFace(const ZelPalette *pal, int n, const float s[4], const float *const c[4], const float centre[3],
               float shrink) {
  static const int kHalves[2][3] = {{0, 1, 2}, {0, 2, 3}};
  float first[3] = {0.0f, 0.0f, 0.0f};
  for (int h = 0; h < (n == 4 ? 2 : 1); h++) {
    const int *t = kHalves[h];
    float nrm[3] = {first[0], first[1], first[2]};
    zelUnitNormal(c[t[0]], c[t[1]], c[t[2]], h ? nrm : first);
    ZelShadeVertex tri[3];
    for (int i = 0; i < 3; i++) {
      for (int d = 0; d < 3; d++) {
        tri[i].P[d] = centre[d] + (c[t[i]][d] - centre[d]) * shrink;
        tri[i].N[d] = h ? nrm[d] : first[d];
      }
      tri[i].S = s[t[i]];
    }
    zelPaletteSplitTri(pal, tri);
  }
}

// ownCap: the cap pieces take their source element's value (a field on the kind's elements).
void drawShading(const ZelVolCtx &v, const ZelListField &f, const GLMesh *cap, bool ownCap) {
  const ZelVolumeKind &K = *v.K;
  if (cap) {
    // The source element's value with a field on the kind's elements, else the cap's corner
    // values with a vertex field.
    const bool own = ownCap;
    glBegin(GL_TRIANGLES);
    for (int quad = 0; quad < 2; quad++)
      eachCapPiece(cap, quad, [&](const float *const *c, const float *val, const float *, int src) {
        const int n = quad ? 4 : 3;
        float s[4];
        if (own ? !valuesOf(f, true, src, n, nullptr, s) : !f.VerSol || !val) return;
        const float centre[3] = {0.0f, 0.0f, 0.0f};
        shadeFace(f.Pal, n, own ? s : val, c, centre, 1.0f);
      });
    glEnd();
    return;
  }
  const bool own = v.L.Msh->*K.OwnSol != nullptr;
  if (!own && !f.VerSol) {
    emptyBlocks(K, GL_TRIANGLES);
    return;
  }
  zelVolumeFaces(v, GL_TRIANGLES, true, [&](const ZelVolElem &g, int b, uint32_t mask) {
    eachFace(K, b, mask, [&](int face) {
      const FaceCorners c = cornersOf(K, g, face);
      float s[4];
      if (valuesOf(f, own, g.E, c.N, c.V, s)) shadeFace(f.Pal, c.N, s, c.P, g.C, v.L.Shrink);
    });
  });
}

void drawIsoLines(const ZelVolCtx &v, const ZelListField &f, const GLMesh *cap) {
  const ZelVolumeKind &K = *v.K;
  if (!f.VerSol) return;
  const std::vector<ZelIsoLevel> levels = zelIsoLevels(f.Pal);
  if (cap) {
    // Cap triangles as they are; cap quadrilaterals shrunk toward their own centres.
    glBegin(GL_LINES);
    for (int quad = 0; quad < 2; quad++)
      eachCapPiece(cap, quad, [&](const float *const *c, const float *val, const float *, int) {
        if (val) zelIsoLinesFace(levels, quad ? 4 : 3, val, c, quad ? v.L.Shrink : 1.0f);
      });
    glEnd();
    if (K.ProgressLines) printf(" glhex: %d lines displayed with capping \n", cap->NbrTri + cap->NbrQua);
    return;
  }
  if (K.IsoLinesInVolumeMode && !(v.L.Scn->Flags & ZelFlgVolumes)) {
    emptyBlocks(K, GL_LINES);
    return;
  }
  int count = 0;
  zelVolumeFaces(v, GL_LINES, true, [&](const ZelVolElem &g, int b, uint32_t mask) {
    eachFace(K, b, mask, [&](int face) {
      const FaceCorners c = cornersOf(K, g, face);
      float s[4];
      if (valuesOf(f, false, g.E, c.N, c.V, s)) zelIsoLinesFace(levels, c.N, s, c.P, v.L.Shrink);
      count++;
    });
  });
  if (K.ProgressLines) printf(" glhex: %d lines displayed \n", count);
}

// Every element of the chain gets an empty triangle pair: the iso-surface list of kinds that
// have none.
void drawEmptyIsoSurfaces(const ZelVolCtx &v) {
  v.L.chain([](int) {
    glBegin(GL_TRIANGLES);
    glEnd();
  });
}

}  // namespace

ZelListMask zelVolumeCutLists(const ZelVolumeKind &K, ZelListMask asked, ZelListMask ruled) {
  if (!(asked & ZelMskCutOnly)) return ruled;
  ZelListMask uncut = ZelMskIsoSurfaces | ZelMskMetric | ZelMskCutOnly;
  if (!K.VectorsByDrawable) uncut |= ZelMskVectors;
  if (K.NumbersNeed) uncut |= ZelMskNumbers;
  return ruled & ~uncut;
}

void zelVolumeHold(ZelEntDisplayList *rec, ZelListMask ruled, bool field, bool metric) {
  if (ruled & ZelUpdateTests.Numbers) rec->Held |= ZelMskNumbers;
  if (field && (ruled & ZelUpdateTests.Vectors)) rec->Held |= ZelMskVectors;
  if (field && metric && (ruled & ZelUpdateTests.Metric)) rec->Held |= ZelMskMetric;
}

unsigned zelVolumeCapPasses(const ZelVolCtx &v, const ZelListTests &T, ZelListMask mask, ZelEntDisplayList *rec,
                            const ZelListField *f, bool ownField) {
  if (!v.K->CapKind || !v.Plane || !(v.L.Scn->Flags & ZelFlgCapping)) return 0;
  auto asks = [mask](ZelListMask test) { return (mask & test) != 0; };
  unsigned built = 0;
  CapHolder cap;
  if (asks(T.Faces) || asks(T.Picking)) cap.make(v, f ? f->Pal : nullptr);
  if (asks(T.Faces)) {
    const bool empty = v.K->EmptyFacesOnMode10 && v.L.ZelMsh->Pla && v.L.ZelMsh->Pla->Mode == 10;
    zelListPass(true, rec->FacLst, [&] {
      if (!empty) drawFaces(v, cap.get());
    });
    built |= ZelCapBuiltFaces;
  }
  if (asks(T.Wire)) {
    zelWirePass(true, rec, [] {});
    built |= ZelCapBuiltWire;
  }
  if (asks(T.Picking) && v.L.ColRng) {
    zelListPass(true, rec->PckLst, [&] { drawPicking(v, cap.get()); });
    built |= ZelCapBuiltPicking;
  }
  if (!f) return built;
  if (asks(T.Shading)) {
    cap.make(v, f->Pal);
    zelListPass(true, rec->SolLst + 0, [&] { drawShading(v, *f, cap.get(), ownField); });
    built |= ZelCapBuiltShading;
  }
  if (asks(T.IsoLines)) {
    cap.make(v, f->Pal);
    zelListPass(true, rec->SolLst + 1, [&] { drawIsoLines(v, *f, cap.get()); });
    built |= ZelCapBuiltIsoLines;
  }
  return built;
}

namespace {

int build(const ZelVolumeKind &K, bool update, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  ZelVolCtx v;
  if (!zelVolumeOpen(scene, rec, K, &v)) return 0;
  const ZelListTests &T = update ? ZelUpdateTests : ZelDirectTests;
  ZelListField f;
  const bool field = zelListField(scene, &f) != 0;
  if (update) {
    mask = zelVolumeCutLists(K, mask, zelMaskRule(mask, scene, rec, false, K.Extras, K.NbrExtras));
    zelVolumeHold(rec, mask, field, K.HasMetric);
  }
  auto asks = [mask](ZelListMask test) { return (mask & test) != 0; };
  // Caps: only in an update, for a kind that has them, while a plane clips and capping is on.
  const unsigned capped =
      update ? zelVolumeCapPasses(v, T, mask, rec, field ? &f : nullptr, v.L.Msh->*K.OwnSol != nullptr) : 0;

  if (asks(T.Faces) && !(capped & ZelCapBuiltFaces)) {
    const bool empty = update && K.EmptyFacesOnMode10 && v.L.ZelMsh->Pla && v.L.ZelMsh->Pla->Mode == 10;
    zelListPass(update, rec->FacLst, [&] {
      if (!empty) drawFaces(v, nullptr);
    });
  }
  if (asks(T.Wire) && !(capped & ZelCapBuiltWire)) zelWirePass(update, rec, [&] { drawFaces(v, nullptr); });
  if (asks(T.Picking) && v.L.ColRng && !(capped & ZelCapBuiltPicking))
    zelListPass(update, rec->PckLst, [&] { drawPicking(v, nullptr); });
  if (asks(T.Arrows)) zelListPass(update, rec->MrkLst + 1, [&] { drawArrows(v); });
  if (asks(T.Numbers))
    zelListPass(update, rec->MrkLst + 2,
                [&] { zelDrawNumbers(v.L, K.NumbersNeed ? K.NumbersNeed : v.Need); });

  if (!field) return 1;
  if (asks(T.Shading) && !(capped & ZelCapBuiltShading))
    zelListPass(update, rec->SolLst + 0, [&] { drawShading(v, f, nullptr, v.L.Msh->*K.OwnSol != nullptr); });
  if (asks(T.IsoLines) && !(capped & ZelCapBuiltIsoLines))
    zelListPass(update, rec->SolLst + 1, [&] { drawIsoLines(v, f, nullptr); });
  if (asks(T.IsoSurfaces))
    zelListPass(update, rec->SolLst + 3, [&] {
      if (K.Tets)
        zelDrawIsoSurfaces(v.L, f, K.Tets);
      else
        drawEmptyIsoSurfaces(v);
    });
  const int dim = v.L.Msh->Dim;
  int offset = zelFieldOffset(f.Sol, f.Fld, dim);
  if (asks(T.Vectors))
    zelListPass(update, rec->SolLst + 2,
                [&] { zelDrawVectors(v.L, f, offset, K.VectorsByDrawable ? v.Need : ZelDrawnBits); });
  if (K.HasMetric) {
    offset = zelFieldOffset(f.Sol, f.Fld, dim);
    if (asks(T.Metric)) zelMetricPass(update, rec->SolLst + 5, v.L, f, offset);
  }
  return 1;
}

}  // namespace

void zelPaletteQuad(const float s[4], const float *const c[4], const float centre[3], const ZelPalette *pal,
                    float shrink) {
  shadeFace(pal, 4, s, c, centre, shrink);
}

void zelIsoLinesFace(const std::vector<ZelIsoLevel> &levels, int n, const float s[4], const float *const c[4],
                     float shrink) {
  static const int kHalves[2][3] = {{0, 1, 2}, {0, 2, 3}};
  const float factor = n == 3 ? 0.3333f : 0.25f;
  float centre[3];
  for (int d = 0; d < 3; d++) {
    float sum = 0.0f;
    for (int i = 0; i < n; i++) sum += c[i][d];
    centre[d] = sum * factor;
  }
  for (int h = 0; h < (n == 4 ? 2 : 1); h++) {
    float p[3][3], val[3];
    for (int i = 0; i < 3; i++) {
      const int k = kHalves[h][i];
      for (int d = 0; d < 3; d++) p[i][d] = centre[d] + (c[k][d] - centre[d]) * shrink;
      val[i] = s[k];
    }
    zelIsoLinesTri(levels, p, val);
  }
}

int zelVolumeUpdate(const ZelVolumeKind &K, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return build(K, true, mask, scene, rec);
}
int zelVolumeDirect(const ZelVolumeKind &K, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  return build(K, false, mask, scene, rec);
}
