// The main lists of a scene, composed on every frame from the records' lists.
//
// Sections: colours and the per-record pass with its clip bracket; the composer, one step per
// main list; the face pass; the mesh features drawn from the tags; the composition in its
// order; the solution lists; clip plane 0; the reference colours of single calls.
#include <GL/gl.h>

#include <cstdio>

#include "common/model/Mesh.h"
#include "zelvane/scene/ZelDisplayInternal.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"

using namespace zeldl;

namespace {

// Direct-draw selections of the builders (bits of their list mask) used in place of the
// records' lists in immediate mode.
enum : ZelListMask {
  DrawShading = 0x20,
  DrawArrows = 0x800,
  DrawFaces = 0x80000,
  DrawWire = 0x100000,
  DrawNumbers = 0x400000,
  DrawCapping = 0x800000,
  DrawPoints = 1u << 24,
  DrawNormals = 1u << 25,
};

// Flag-word bits of the mesh features.
enum : uint32_t {
  FeatCorners = 1u << 23,
  FeatRequiredVertices = 1u << 24,
  FeatRidges = 1u << 25,
  FeatRequiredEdges = 1u << 26,
  FeatEdgeMarks = 1u << 27,
};

constexpr float Grey[4] = {0.84f, 0.84f, 0.84f, 1.0f};

// Kinds in the orders the steps walk them.
constexpr int NumberKinds[] = {KmfEdges,         KmfEdgesP2,      KmfTriangles, KmfTrianglesP2,
                               KmfQuadrilaterals, KmfQuadrilateralsQ2, KmfTetrahedra,
                               KmfTetrahedraP2,  KmfHexahedra,    KmfHexahedraQ2, KmfPrisms,
                               KmfPyramids};
constexpr int WireFaceKinds[] = {KmfTriangles, KmfQuadrilaterals, KmfTrianglesP2, KmfQuadrilateralsQ2};
constexpr int WireVolumeKinds[] = {KmfTetrahedra, KmfPyramids,     KmfPrisms,
                                   KmfHexahedra,  KmfTetrahedraP2, KmfHexahedraQ2};
constexpr int NormalKind[] = {KmfNormalAtVertices};
constexpr int VertexKind[] = {KmfVertices};

uint32_t faceMode(const ZelEntDisplayList *r) { return (r->Opt.Render & ZelRndFaceMask) >> ZelRndFaceShift; }
uint32_t lineMode(const ZelEntDisplayList *r) { return (r->Opt.Render & ZelRndLineMask) >> ZelRndLineShift; }

void refColor(int ref, float c[4]) {
  const uint8_t *rgb = ZelRefColors[zelRefColorIndex(ref)];
  for (int i = 0; i < 3; i++) c[i] = rgb[i] / 255.0f;
  c[3] = 1.0f;
}

// The colour of a record's lines; false when its line mode draws none.
bool setLineColor(const ZelScene *scene, const ZelEntDisplayList *rec) {
  switch (lineMode(rec)) {
    case ZelModeRef: {
      float c[4];
      refColor(rec->Ref, c);
      glColor4f(0.2f + 0.8f * c[0], 0.2f + 0.8f * c[1], 0.2f + 0.8f * c[2], 1.0f);
      return true;
    }
    case ZelModeBack: {
      const float *b = scene->Back;
      glColor4f((255 - b[0]) / 255, (255 - b[1]) / 255, (255 - b[2]) / 255, b[3] / 255);
      return true;
    }
    case ZelModeOff: return false;
    default: glColor4fv(Grey); return true;
  }
}

// Clip plane 0 applies to a clipped record that is not a volume; edges look at the clipped bit
// alone.
bool isClipped(const ZelEntDisplayList *rec) {
  if (rec->Type == KmfEdges || rec->Type == KmfEdgesP2) return rec->Flags & ZelLstClipped;
  return (rec->Flags & (ZelLstClipped | ZelLstVolume)) == ZelLstClipped;
}

int callSolList(ZelEntity *ent, int tag, bool clip);

// Runs draw on every visible record of the kinds, clip plane 0 on around a clipped one.
template <size_t N, typename F>
void recordPass(const ZelScene *scene, const int (&kinds)[N], F &&draw) {
  forEachRecord(scene->ZelMsh, kinds, [&](ZelEntDisplayList *rec) {
    if (rec->Flags & ZelLstHidden) return;
    const bool clip = isClipped(rec);
    if (clip) glEnable(GL_CLIP_PLANE0);
    draw(rec);
    if (clip) glDisable(GL_CLIP_PLANE0);
  });
}

class Composer {
 public:
  explicit Composer(ZelScene *scene)
      : s_(scene), immediate_(scene->Rnd.Render & ZelRndImmediate) {}

  // 1. Element numbers.
  void numbers() {
    Slot slot(s_, ZelMainNumbers);
    if (!(s_->Flags & ZelFlgNumbers)) return;
    if (s_->Flags & ZelFlgPoints) {
      marker(VertexKind, 2, DrawNumbers);
    } else {
      zelSetClipPlane0(s_);
      marker(NumberKinds, 2, DrawNumbers);
    }
    if (s_->Flags & ZelFlgNormalsAtVer) marker(NormalKind, 2, DrawNumbers);
  }

  // 2. Normals at vertices.
  void normals() {
    Slot slot(s_, ZelMainNormals);
    glLineWidth(2);
    if (!(s_->Flags & ZelFlgNormalsAtVer) || !s_->Msh || s_->Msh->NbrNor <= 0) return;
    glDisable(GL_LIGHTING);
    recordPass(s_, NormalKind, [&](ZelEntDisplayList *r) {
      if (setLineColor(s_, r)) callOrDraw(r, r->MrkLst + 3, DrawNormals);
    });
  }

  // 3. Vertex points.
  void points() {
    Slot slot(s_, ZelMainPoints);
    if (s_->Flags & ZelFlgPoints) {
      glDisable(GL_LIGHTING);
      glPointSize(5);
      glColor4f(0, 0, 0, 1);
      forEachRecord(s_->ZelMsh, KmfVertices, [&](ZelEntDisplayList *r) {
        if (!(r->Flags & ZelLstHidden)) callOrDraw(r, r->MrkLst, DrawPoints);
      });
    }
    glPointSize(1);
    glLineWidth(1);
  }

  // 5. Mesh features, drawn from the mesh's tags.
  void features();

  // 6. Edge wire.
  void edgeWire() {
    Slot slot(s_, ZelMainEdgeWire);
    glDisable(GL_LIGHTING);
    glLineWidth(3);
    zelSetClipPlane0(s_);
    wirePass(EdgeKinds);
    glLineWidth(1);
  }

  // 7. Face and volume wire, called by the scene drawing.
  void wire() {
    Slot slot(s_, ZelMainWire, false);
    glDisable(GL_LIGHTING);
    glLineWidth(1);
    zelSetClipPlane0(s_);
    wirePass(WireFaceKinds);
    if (s_->Flags & ZelFlgVolumes) wirePass(WireVolumeKinds);
  }

  // 8. Faces and volumes, called by the scene drawing.
  void faces() {
    Slot slot(s_, ZelMainFaces, false);
    glEnable(GL_POLYGON_OFFSET_FILL);
    zelSetClipPlane0(s_);
    glPolygonOffset(1.0f, 1.0f / 65536);
    facePass(FaceKinds);
    if (s_->Flags & ZelFlgVolumes) {
      glPolygonOffset(2.0f, 1.0f / 65536);
      facePass(VolumeKinds);
    }
    glDisable(GL_POLYGON_OFFSET_FILL);
  }

  // 9. Capping faces of cut volumes.
  void capping() {
    Slot slot(s_, ZelMainCapping);
    if (!(s_->Flags & ZelFlgCapping)) return;
    forEachRecord(s_->ZelMsh, VolumeKinds, [&](ZelEntDisplayList *r) {
      if (!(r->Flags & ZelLstHidden)) callOrDraw(r, r->FacLst + 1, DrawCapping);
    });
  }

  // 10. Normal arrows of the faces.
  void arrows() {
    Slot slot(s_, ZelMainArrows);
    glLineWidth(2);
    recordPass(s_, FaceKinds, [&](ZelEntDisplayList *r) {
      if (!(r->Opt.Render & ZelRndArrows)) return;
      float c[4];
      refColor(r->Ref, c);
      glColor4fv(c);
      callOrDraw(r, r->MrkLst + 1, DrawArrows);
    });
    glLineWidth(1);
  }

  // 11. Iso-lines under the clip plane, for an active field.
  void isoLines() {
    Slot slot(s_, ZelMainIsoLines);
    const ZelViewSolution *vs = s_->VieSol;
    if (!vs || !vs->ZelPal || s_->ActFld < 0 || s_->ActFld >= vs->NbrFld) return;
    glLineWidth(vs->ZelPal[s_->ActFld].IsoWidth);
    clipPlaneCall(ZelTagIsoLines, true, s_->Flags & ZelFlgVolumes);
    glLineWidth(1);
  }

  // 12. Vectors.
  void vectors() {
    Slot slot(s_, ZelMainVectors);
    glLineWidth(2);
    clipPlaneCall(ZelTagVectors, true, true);
    glLineWidth(1);
  }

  // 13. Iso-surfaces of the volumes.
  void isoSurfaces() {
    Slot slot(s_, ZelMainIsoSurfaces);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (int kind : WireVolumeKinds) zelCallSolList(zelGetEntity(s_->ZelMsh, kind), ZelTagIsoSurfaces);
    glDisable(GL_BLEND);
  }

  // 14. Metric.
  void metric() {
    Slot slot(s_, ZelMainMetric);
    clipPlaneCall(ZelTagMetric, true, true);
  }

 private:
  // One main list: the previous one deleted, a new one compiled, then called unless the scene
  // drawing calls it itself.
  class Slot {
   public:
    Slot(ZelScene *scene, int slot, bool call = true) : id_(scene->MainLst[slot]), call_(call) {
      if (id_ && glIsList(id_)) glDeleteLists(id_, 1);
      id_ = glGenLists(1);
      glNewList(id_, GL_COMPILE);
    }
    ~Slot() {
      glEndList();
      if (call_) glCallList(id_);
    }
    Slot(const Slot &) = delete;
    Slot &operator=(const Slot &) = delete;

   private:
    uint32_t &id_;
    bool call_;
  };

  void callOrDraw(ZelEntDisplayList *rec, uint32_t list, ZelListMask direct) {
    if (immediate_)
      directDrawRecord(direct, s_, rec);
    else
      glCallList(list);
  }

  // Marker list +offset of every visible record.
  template <size_t N>
  void marker(const int (&kinds)[N], uint32_t offset, ZelListMask direct) {
    recordPass(s_, kinds, [&](ZelEntDisplayList *r) { callOrDraw(r, r->MrkLst + offset, direct); });
  }

  template <size_t N>
  void wirePass(const int (&kinds)[N]) {
    recordPass(s_, kinds, [&](ZelEntDisplayList *r) {
      if (!setLineColor(s_, r)) return;
      if (!immediate_)
        glCallList(r->WirLst);
      else if (!(r->Opt.Solution & ZelSolIsoSurfaces))
        directDrawRecord(DrawWire, s_, r);
    });
  }

  template <size_t N>
  void facePass(const int (&kinds)[N]) {
    recordPass(s_, kinds, [&](ZelEntDisplayList *r) { face(r); });
  }

  void face(ZelEntDisplayList *rec);

  void clipPlaneCall(int tag, bool withFaces, bool withVolumes) {
    zelSetClipPlane0(s_);
    if (withFaces)
      for (int kind : WireFaceKinds) callSolList(zelGetEntity(s_->ZelMsh, kind), tag, true);
    if (withVolumes)
      for (int kind : WireVolumeKinds) callSolList(zelGetEntity(s_->ZelMsh, kind), tag, true);
  }

  ZelScene *s_;
  bool immediate_;
};

void setLighting(bool on) {
  if (on)
    glEnable(GL_LIGHTING);
  else
    glDisable(GL_LIGHTING);
}

void Composer::face(ZelEntDisplayList *rec) {
  const uint32_t mode = faceMode(rec), render = rec->Opt.Render;
  if (mode == ZelModeOff) return;
  static const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f}, black[4] = {0, 0, 0, 1};
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 80);
  const bool lit = render & ZelRndLighting, transparent = render & ZelRndTransparent;
  if (transparent) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
  }
  if (rec->Opt.Solution & ZelSolShading) {
    setLighting(lit);
    if (lit) glEnable(GL_COLOR_MATERIAL);
    callOrDraw(rec, rec->SolLst, DrawShading);
  } else {
    float c[4];
    if (mode == ZelModeBack) {
      for (int i = 0; i < 3; i++) c[i] = s_->Back[i] / 255;
      setLighting(false);
    } else {
      if (mode == ZelModeRef)
        refColor(rec->Ref, c);
      else
        for (int i = 0; i < 3; i++) c[i] = Grey[i];
      setLighting(lit);
    }
    c[3] = transparent ? 0.5f : 1.0f;
    if (lit && mode != ZelModeBack)
      glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, c);
    else
      glColor4fv(c);
    callOrDraw(rec, rec->FacLst, DrawFaces);
  }
  setLighting(false);
  glDisable(GL_COLOR_MATERIAL);
  if (transparent) {
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
  }
}

// Features ------------------------------------------------------------------------------------

bool validVertex(const Geometric_Mesh *msh, int v) { return v >= 1 && v <= msh->NbrVer; }

bool hasBits(uint32_t tag, uint32_t bits) { return (tag & bits) == bits; }

void featurePoints(const Geometric_Mesh *msh, const float3 *crd, uint32_t bits) {
  glBegin(GL_POINTS);
  for (int v = 1; v <= msh->NbrVer; v++)
    if (hasBits(TagAtomicLoad(&msh->Ver[v].Tag), bits)) glVertex3fv(crd[v]);
  glEnd();
}

// Boundary edges whose tag has every bit of `set` and none of `clear`; second-order edges as
// chords of their curve, shrunk by the scene's factor toward the curve's middle.
void featureEdges(const ZelScene *scene, uint32_t set, uint32_t clear) {
  const Geometric_Mesh *msh = scene->Msh;
  const float3 *crd = scene->ZelMsh->Crd;
  auto selected = [&](uint32_t tag) { return hasBits(tag, set) && !(tag & clear); };
  glBegin(GL_LINES);
  for (int e = 1; e <= msh->NbrEfr; e++) {
    const BdyEdge &edg = msh->Efr[e];
    if (!selected(TagAtomicLoad(&edg.Tag)) || !validVertex(msh, edg.Ver[0]) || !validVertex(msh, edg.Ver[1]))
      continue;
    glVertex3fv(crd[edg.Ver[0]]);
    glVertex3fv(crd[edg.Ver[1]]);
  }
  const int n = scene->Rnd.TessLevel >= 1 && scene->Rnd.TessLevel <= 32 ? scene->Rnd.TessLevel : 8;
  const float shrink = scene->Rnd.Shrink;
  for (int e = 1; e <= msh->NbrP2Efr; e++) {
    const P2BdyEdge &edg = msh->P2Efr[e];
    if (!selected(edg.Tag) || !validVertex(msh, edg.Ver[0]) || !validVertex(msh, edg.Ver[1]) ||
        !validVertex(msh, edg.Ver[2]))
      continue;
    const float *a = crd[edg.Ver[0]], *b = crd[edg.Ver[1]], *m = crd[edg.Ver[2]];
    float prev[3];
    for (int k = 0; k <= n; k++) {
      // Quadratic through a (t = 0), m (t = 1/2) and b (t = 1).
      const float t = static_cast<float>(k) / n;
      const float wa = (1 - t) * (1 - 2 * t), wm = 4 * t * (1 - t), wb = t * (2 * t - 1);
      float p[3];
      for (int d = 0; d < 3; d++) {
        const float q = wa * a[d] + wm * m[d] + wb * b[d];
        p[d] = m[d] + shrink * (q - m[d]);
      }
      if (k > 0) {
        glVertex3fv(prev);
        glVertex3fv(p);
      }
      for (int d = 0; d < 3; d++) prev[d] = p[d];
    }
  }
  glEnd();
}

void Composer::features() {
  Slot slot(s_, ZelMainFeatures);
  const Geometric_Mesh *msh = s_->Msh;
  if (!msh || !s_->ZelMsh->Crd) return;
  const uint32_t carried = GEO_CORNERS | GEO_REQ_VERTICES | GEO_REQ_EDGES | GEO_RIDGES;
  if (msh->GeoFlags & carried) s_->Rnd.Kinds |= ZelKindsFeatures;
  const uint32_t f = s_->Flags, g = msh->GeoFlags;
  if (!(f & ZelFlgFeatures)) return;
  const uint32_t shown = TAG_ALIVE | TAG_VISIBLE;
  glDisable(GL_LIGHTING);
  glPointSize(5);
  if ((f & FeatCorners) && (g & GEO_CORNERS)) {
    glColor3f(0, 1, 0);
    featurePoints(msh, s_->ZelMsh->Crd, shown | TAG_CORNER);
  }
  if ((f & FeatRequiredVertices) && (g & GEO_REQ_VERTICES)) {
    glColor3f(1, 0.5f, 0);
    featurePoints(msh, s_->ZelMsh->Crd, shown | TAG_REQUIRED);
  }
  if ((f & FeatRequiredEdges) && (g & GEO_REQ_EDGES)) {
    glLineWidth(2);
    glColor3f(1, 1, 0);
    featureEdges(s_, shown | TAG_REQUIRED, 0);
    glLineWidth(1);
  }
  if ((f & FeatRidges) && (g & GEO_RIDGES)) {
    glColor3f(1, 0, 0);
    featureEdges(s_, shown | TAG_RIDGE, 0);
  }
  if (f & FeatEdgeMarks) {
    glColor3f(0.5f, 0, 0.5f);
    featureEdges(s_, shown | 1u, 2u);
  }
  glPointSize(1);
}

}  // namespace

int zelUpdateMainDisplayList(int pass, ZelScene *scene) {
  if (!scene || !scene->ZelMsh) return 0;
  zelMakeCurrent(scene->Win);
  Composer c(scene);
  c.numbers();
  c.normals();
  c.points();
  if (scene->VerOnly) return 1;
  if (pass == 2) {
    // A flat mesh is drawn without depth test: whatever lies on its faces is drawn again over
    // them, the arrows too, which would otherwise never show.
    c.isoLines();
    c.vectors();
    c.metric();
    return 1;
  }
  c.features();
  c.edgeWire();
  c.wire();
  c.faces();
  c.capping();
  c.arrows();
  c.isoLines();
  c.vectors();
  c.isoSurfaces();
  c.metric();
  return 1;
}

namespace {

// The solution lists of one kind; with clip, plane 0 on around each record the face pass draws
// clipped, so that lines and arrows leave with the faces they lie on.
int callSolList(ZelEntity *ent, int tag, bool clip) {
  if (!ent) return 0;
  uint32_t bit, offset;
  switch (tag) {
    case ZelTagIsoLines: bit = ZelSolIsoLines, offset = 1; break;
    case ZelTagIsoSurfaces: bit = ZelSolIsoSurfaces, offset = 3; break;
    case ZelTagVectors: bit = ZelSolVectors, offset = 2; break;
    case ZelTagMetric: bit = ZelSolMetric, offset = 5; break;
    case ZelTagShading:
    case ZelTagCarried: return 1;
    default: printf("  warning: unknown tag for zelCallSolList %d \n", tag); return 0;
  }
  if (!ent->DspLst) return 1;
  for (int d = 1; d <= ent->NbrLst; d++) {
    const ZelEntDisplayList &rec = ent->DspLst[d];
    if ((rec.Flags & ZelLstHidden) || !(rec.Opt.Solution & bit)) continue;
    const bool cut = clip && isClipped(&rec);
    if (cut) glEnable(GL_CLIP_PLANE0);
    glCallList(rec.SolLst + offset);
    if (cut) glDisable(GL_CLIP_PLANE0);
  }
  return 1;
}

}  // namespace

int zelCallSolList(ZelEntity *ent, int tag) { return callSolList(ent, tag, false); }

int zelClipPlane0Equation(const ZelScene *scene, double eq[4]) {
  for (int k = 0; k < 4; k++) eq[k] = 0;
  const ZelPlaEntity *pla = scene && scene->ZelMsh ? scene->ZelMsh->Pla : nullptr;
  if (!pla || pla->On != 1 || pla->Cur < 0 || pla->Cur >= ZelMaxPlanes) return 0;
  int i = pla->Cur;
  // A plane not placed yet: the one before it is what the user sees.
  if (pla->Pla[i][0] == 0 && pla->Pla[i][1] == 0 && pla->Pla[i][2] == 0 && i > 0) i--;
  const double *p = pla->Pla[i];
  eq[0] = -p[0];
  eq[1] = -p[1];
  eq[2] = -p[2];
  eq[3] = -(p[0] * scene->Ctr[0] + p[1] * scene->Ctr[1] + p[2] * scene->Ctr[2] + p[3]) * scene->InvDmaxSca;
  return 1;
}

void zelSetClipPlane0(const ZelScene *scene) {
  double eq[4];
  zelClipPlane0Equation(scene, eq);
  glClipPlane(GL_CLIP_PLANE0, eq);
}

// Reference colours of single calls --------------------------------------------------------------

namespace {

constexpr uint8_t SingleColors[9][3] = {{40, 80, 120},  {120, 40, 40}, {80, 120, 40},
                                        {120, 120, 120}, {120, 80, 40}, {120, 40, 80},
                                        {120, 40, 120}, {40, 40, 120}, {40, 80, 40}};

const uint8_t *singleColor(int ref) { return SingleColors[zelRefColorIndex(ref) % 9]; }

}  // namespace

void scRef(int ref) {
  const uint8_t *c = singleColor(ref);
  glColor4ub(c[0], c[1], c[2], 255);
}

void scRefCol(int ref, double t) {
  const uint8_t *c = singleColor(ref);
  GLubyte out[3];
  for (int i = 0; i < 3; i++) {
    double v = 255 - 255 * t + c[i] * t;
    out[i] = static_cast<GLubyte>(v < 0 ? 0 : v > 255 ? 255 : v);
  }
  glColor4ub(out[0], out[1], out[2], 255);
}
