// Picking: the picking lists drawn once more into the offscreen buffer, one pixel read back and
// decoded, the vertex cascade and the side choice on projected nodes, the stack and the report.
#include "zelvane/scene/ZelPick.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelReport.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// What a render draws: the element kinds of its records, whether hidden records are skipped,
// whether a clipped record is cut by clip plane 0, and the line width or point size.
enum Render { RenderElements, RenderVolumes, RenderEdges, RenderVertices, RenderNormals };

struct RenderRow {
  int Kinds[6];
  int NbrKinds;
  bool SkipHidden, Clip;
  float Width;  // line width or point size, 0 for none
};

const RenderRow kRenders[] = {
    {{KmfTriangles, KmfTrianglesP2, KmfQuadrilaterals, KmfQuadrilateralsQ2}, 4, true, true, 0},
    {{KmfTetrahedra, KmfTetrahedraP2, KmfHexahedra, KmfHexahedraQ2, KmfPrisms, KmfPyramids}, 6, true, false,
     0},
    {{KmfEdges, KmfEdgesP2}, 2, false, true, 20},
    {{KmfVertices}, 1, false, true, 10},
    {{KmfNormalAtVertices}, 1, false, true, 20},
};

// A picked item: its kind and index, or for 200 and 201 the side's nodes.
struct Hit {
  int Kind = 0;
  int Idx = 0;
  int Ver[3] = {0, 0, 0};
};

// One pick on the GL side: state saved on entry and restored on exit, the cursor pixel, the
// buffer drawn into and read from, and the matrices the nodes are projected with.
class PickPass {
 public:
  PickPass(ZelScene *scene, int x, int y) : sc_(scene) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glGetIntegerv(GL_VIEWPORT, vp_);
    // The pixel under the cursor: rows count from the bottom in GL, from the top in windows.
    x_ = x;
    row_ = vp_[3] - 1 - y;
    ok_ = x >= 0 && x < vp_[2] && y >= 0 && y < vp_[3];
    GLint fbo = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &fbo);
    GLboolean twice = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &twice);
    buf_ = fbo ? GL_COLOR_ATTACHMENT0 : (twice ? GL_BACK : GL_FRONT);
  }
  ~PickPass() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
  }
  PickPass(const PickPass &) = delete;
  PickPass &operator=(const PickPass &) = delete;

  bool ok() const { return ok_; }
  double cursorX() const { return x_; }
  double cursorY() const { return row_; }

  // Draws one render and returns the id under the cursor (0 for nothing).
  uint32_t read(Render which) {
    // The colour depths of the context decide the layout of the ids.
    if (!getColorRange(sc_->ColRng, zelPickingIdCount(sc_->Msh))) return 0;
    setUp();
    zelGlClipPlane(sc_);
    const RenderRow &r = kRenders[which];
    if (r.Width > 0) which == RenderVertices ? glPointSize(r.Width) : glLineWidth(r.Width);
    for (int k = 0; k < r.NbrKinds; k++) drawKind(r.Kinds[k], r.SkipHidden, r.Clip);
    if (which == RenderElements && (sc_->Flags & ZelFlgVolumes)) {
      const RenderRow &v = kRenders[RenderVolumes];
      for (int k = 0; k < v.NbrKinds; k++) drawKind(v.Kinds[k], v.SkipHidden, v.Clip);
    }
    glLineWidth(1);
    glPointSize(1);
    glDisable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glFlush();
    glReadBuffer(buf_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    uint8_t px[4] = {0, 0, 0, 0};
    glReadPixels(x_, row_, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return zelPickColorId(sc_->ColRng, px);
  }

  // Window position of vertex v from the display coordinates; false for an invalid vertex.
  bool project(int v, double out[2]) const {
    const Geometric_Mesh *msh = sc_->Msh;
    if (v < 1 || v > msh->NbrVer || !sc_->ZelMsh->Crd) return false;
    const float *c = sc_->ZelMsh->Crd[v];
    double z;
    return gluProject(c[0], c[1], c[2], mv_, pr_, vp_, &out[0], &out[1], &z) == GL_TRUE;
  }

 private:
  void setUp() {
    glDrawBuffer(buf_);
    // Only the cursor's pixel is read: the rest of the buffer need not be drawn.
    glEnable(GL_SCISSOR_TEST);
    glScissor(x_, row_, 1, 1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const ZelView *view = sc_->View;
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(view->Mat);
    glTranslated(-view->Ctr[0], -view->Ctr[1], -view->Ctr[2]);
    glGetDoublev(GL_MODELVIEW_MATRIX, mv_);
    glGetDoublev(GL_PROJECTION_MATRIX, pr_);
    glEnable(GL_DEPTH_TEST);
    for (GLenum cap : {GL_BLEND, GL_LIGHTING, GL_DITHER, GL_FOG, GL_LINE_SMOOTH, GL_POINT_SMOOTH,
                       GL_POLYGON_SMOOTH, GL_NORMALIZE, GL_TEXTURE_1D, GL_TEXTURE_2D, GL_MULTISAMPLE,
                       GL_ALPHA_TEST, GL_STENCIL_TEST, GL_COLOR_LOGIC_OP, GL_CULL_FACE})
      glDisable(cap);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_FLAT);
  }

  void drawKind(int kind, bool skipHidden, bool clip) {
    const ZelEntity *ent = zelGetEntity(sc_->ZelMsh, kind);
    if (!ent || !ent->DspLst) return;
    for (int r = 1; r <= ent->NbrLst; r++) {
      const ZelEntDisplayList &rec = ent->DspLst[r];
      if (skipHidden && (rec.Flags & ZelLstHidden)) continue;
      bool cut = clip && (rec.Flags & ZelLstClipped);
      if (cut) glEnable(GL_CLIP_PLANE0);
      glCallList(rec.PckLst);
      if (cut) glDisable(GL_CLIP_PLANE0);
    }
  }

  ZelScene *sc_;
  GLint vp_[4];
  GLdouble mv_[16], pr_[16];
  GLint x_ = 0, row_ = 0;
  GLenum buf_ = GL_BACK;
  bool ok_ = false;
};

// The id read back as (kind, index), when the index is in range for its kind.
bool decodeHit(ZelScene *scene, uint32_t id, Hit *hit) {
  if (!id) return false;
  int idx = 0, kind = zelPickIdItem(scene->ZelMsh, id, &idx);
  if (!kind || !geoCheckBound(scene->Msh, idx, kind)) return false;
  hit->Kind = kind;
  hit->Idx = idx;
  return true;
}

// The node of element hit nearest the cursor, as a vertex hit.
bool nearestNode(ZelScene *scene, const PickPass &pass, Hit *hit) {
  ZelElems e = zelElems(scene->Msh, hit->Kind);
  if (!e.exists() || e.VerOff < 0) return false;
  const int *nodes = e.ver(hit->Idx);
  int n = e.NbrNod;
  double pts[2 * 27];
  for (int k = 0; k < n; k++)
    if (!pass.project(nodes[k], pts + 2 * k)) return false;
  int k = zelNearestPoint(pts, n, pass.cursorX(), pass.cursorY());
  if (k < 0) return false;
  *hit = Hit{};
  hit->Kind = KmfVertices;
  hit->Idx = nodes[k];
  return true;
}

bool pickVertex(ZelScene *scene, PickPass &pass, Hit *hit) {
  if (decodeHit(scene, pass.read(RenderElements), hit) || decodeHit(scene, pass.read(RenderEdges), hit))
    return nearestNode(scene, pass, hit);
  return decodeHit(scene, pass.read(RenderVertices), hit) && hit->Kind == KmfVertices;
}

// The side of a linear or P2 triangle nearest the cursor. Sides are tested from the first
// vertex to the second, the second to the third, the third to the first.
bool pickSide(ZelScene *scene, const PickPass &pass, Hit *hit) {
  const Geometric_Mesh *msh = scene->Msh;
  static const int kSides[3][2] = {{0, 1}, {1, 2}, {2, 0}};
  const int *nodes = zelElems(scene->Msh, hit->Kind).ver(hit->Idx);
  double pts[6];
  for (int k = 0; k < 3; k++)
    if (!pass.project(nodes[k], pts + 2 * k)) return true;  // the triangle itself
  int s = zelNearestSide(pts, kSides, 3, pass.cursorX(), pass.cursorY());
  if (s < 0) return true;
  if (hit->Kind == KmfTrianglesP2) {
    // The curved side from node a to node b through its middle node (in the element's order).
    for (int k = 0; k < 3; k++)
      if (P2TriEdg[k][0] == kSides[s][0] && P2TriEdg[k][1] == kSides[s][1])
        for (int j = 0; j < 3; j++) hit->Ver[j] = nodes[P2TriEdg[k][j]];
    hit->Kind = KmfFaceP2Edges;
    return true;
  }
  // The neighbour slot of that side; its mark says a mesh edge lies on it.
  const Triangle &t = msh->Tri[hit->Idx];
  int slot = 0;
  while (slot < 2 && !((TriEdg[slot][0] == kSides[s][0] && TriEdg[slot][1] == kSides[s][1]) ||
                       (TriEdg[slot][0] == kSides[s][1] && TriEdg[slot][1] == kSides[s][0])))
    slot++;
  if (t.Tag & TagEdgeMark(slot)) {
    int e = t.Voi[slot];
    if (e >= 1 && e <= msh->NbrEfr) hit->Kind = KmfEdges, hit->Idx = e;
    return true;
  }
  hit->Kind = KmfFaceEdges;
  hit->Ver[0] = nodes[kSides[s][0]];
  hit->Ver[1] = nodes[kSides[s][1]];
  return true;
}

bool pickEdgeOnFace(ZelScene *scene, PickPass &pass, Hit *hit) {
  if (decodeHit(scene, pass.read(RenderEdges), hit)) return true;
  if (!decodeHit(scene, pass.read(RenderElements), hit)) return false;
  if (hit->Kind != KmfTriangles && hit->Kind != KmfTrianglesP2) {
    fprintf(stderr, " ## WARNING: ZELPICKEDGEONFACE:  TYPE %d IS NOT HANDLED \n", hit->Kind);
    return true;
  }
  return pickSide(scene, pass, hit);
}

// The first pick of a distance pair; one per process.
struct DistancePick {
  bool Held = false;
  int Idx = 0, Kind = 0;
} gDistance;

void distanceMode(ZelScene *scene, const Hit &hit) {
  if (!scene->opt || !(static_cast<uint32_t>(scene->opt->verbose) & ZelVrbDistance)) return;
  if (!gDistance.Held) {
    gDistance = {true, hit.Idx, hit.Kind};
    return;
  }
  int idx[2] = {gDistance.Idx, hit.Idx}, kind[2] = {gDistance.Kind, hit.Kind};
  gDistance = DistancePick{};
  zelPrintDistance(scene, idx, kind);
}

}  // namespace

int zelPickingScene(int kind, ZelScene *scene, int x, int y) {
  if (!scene || !scene->ColRng || !scene->ZelMsh || !scene->Msh || !scene->View) return 0;
  zelBuildPendingPicking(scene);
  Hit hit;
  bool found = false;
  {
    PickPass pass(scene, x, y);
    if (!pass.ok()) return 0;
    switch (kind) {
      case ZelPickElement: found = decodeHit(scene, pass.read(RenderElements), &hit); break;
      case ZelPickVertex: found = pickVertex(scene, pass, &hit); break;
      case ZelPickEdgeOnFace: found = pickEdgeOnFace(scene, pass, &hit); break;
      case ZelPickNormal: found = decodeHit(scene, pass.read(RenderNormals), &hit); break;
    }
  }
  if (!found) return 0;
  int undone = hit.Kind == KmfFaceEdges     ? zelPushPickedSide(scene->Pck, hit.Ver)
               : hit.Kind == KmfFaceP2Edges ? zelPushPickedP2Side(scene->Pck, hit.Ver)
                                            : zelPushPickedItem(scene->Pck, hit.Idx, hit.Kind);
  if (undone) return 1;
  if (hit.Kind == KmfFaceEdges || hit.Kind == KmfFaceP2Edges) {
    zelPrintPickTerm(scene, hit.Kind, hit.Ver[0], hit.Ver[1], hit.Ver[2]);
  } else {
    zelPrintPickTerm(scene, hit.Kind, hit.Idx, 0, 0);
    distanceMode(scene, hit);
  }
  return 1;
}

void zelPrintPickTerm(ZelScene *scene, int kind, int index, int second, int third) {
  const Geometric_Mesh *msh = scene ? scene->Msh : nullptr;
  if (!msh) return;
  auto vertex = [msh](int v) { return v >= 1 && v <= msh->NbrVer; };
  if (kind == KmfFaceEdges) {
    if (!vertex(index) || !vertex(second)) return;
    const double *a = msh->Ver[index].Crd, *b = msh->Ver[second].Crd;
    double d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    float len = std::sqrt(static_cast<float>(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
    pterm(scene->Win, "  Edge on Tri           [%9d %9d] length = %lg", index, second,
          static_cast<double>(len));
  } else if (kind == KmfFaceP2Edges) {
    pterm(scene->Win, "  P2Edge on P2Tri           [%9d %9d %9d]", index, second, third);
  } else if (kind >= KmfVertices && kind <= KmfPyramids) {
    zelPrintItemInfo(scene, kind, index);
  }
}

void zelGlClipPlane(ZelScene *scene) {
  const ZelPlaEntity *pla = scene && scene->ZelMsh ? scene->ZelMsh->Pla : nullptr;
  if (pla && pla->On) zelSetClipPlane0(scene);
}

void zelGetWindowPix(ZelScene *scene) {
  if (!scene) return;
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  if (vp[2] <= 0 || vp[3] <= 0) return;
  std::vector<unsigned char> px(static_cast<size_t>(vp[2]) * vp[3] * 4);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(vp[0], vp[1], vp[2], vp[3], GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  glPopClientAttrib();
  for (unsigned char c : px)
    if (c != 0 && (c < 6 || c > 11) && c != 14) {
      printf(" ########## interpolated color %d \n", c);
      return;
    }
  printf("done ");
}
