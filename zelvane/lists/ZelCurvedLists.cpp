// P2 triangle, P2 edge and Q2 quadrilateral lists: one builder over a row per kind.
#include "zelvane/lists/ZelCurvedLists.h"

#include <cstddef>
#include <cstdio>

#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "zelvane/lists/ZelCurvedElem.h"
#include "zelvane/lists/ZelListGlyphs.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// What sets the three kinds apart.
struct CurvedKind {
  int NbrPatch;             // 0 (edges: wire, picking and numbers only), 1 or 2
  int Patch[2][6];          // p0 p1 p2 m01 m12 m20 of each patch, as node positions
  int NbrEdg;
  const int (*Edg)[3];      // a, b, middle of each curved edge
  double FaceDiv;           // faces, picking and shading centre: the node sum / FaceDiv
  double WireFactor;        // wire centre: the node sum x WireFactor
  double ArrowU, ArrowV;    // the normal arrow's point on the first patch
  bool MaskRule;            // bit 0 replaced by the lists the scene and record enable
  bool SceneLevel;          // the scene's tessellation level, else the record's
  bool PickNormals;         // the picking triangles carry their normals
  bool DirectNumbers;       // the direct entry draws the numbers
  const char *DirectLine;   // printed by every direct call, or null
  Geometric_Solution *Geometric_Mesh::*OwnSol;  // the field on the linear kind of this shape
  int Geometric_Mesh::*NbrLin;                  // and the count of those linear elements
  ptrdiff_t VoiVolOff;      // where a record keeps the volume element behind it; -1: none
};

const int kP2EfrEdg[1][3] = {{0, 1, 2}};

const CurvedKind kP2Triangles = {
    1, {{0, 1, 2, 3, 4, 5}}, 3, P2TriEdg, 6.0, 0.1666, 0.333, 0.333, false, false, false, false, nullptr,
    &Geometric_Mesh::SolAtTri, &Geometric_Mesh::NbrTri, offsetof(P2Triangle, VoiVol),
};
const CurvedKind kP2Edges = {
    0, {}, 1, kP2EfrEdg, 3.0, 0.333, 0, 0, false, true, false, true,
    "  ## direct list list of p2efr not implemented \n", nullptr, nullptr, -1,
};
// Patch A on the edge 0-1 and the diagonal 0-2, patch B on the edge 2-3 and the diagonal 2-0;
// the centre node is the diagonal's middle in both.
const CurvedKind kQ2Quadrilaterals = {
    2, {{0, 1, 2, 4, 5, 8}, {2, 3, 0, 6, 7, 8}}, 4, P2QuaEdg, 9.0, 0.1111, 0.0, 0.5, true, false, true, true, nullptr,
    &Geometric_Mesh::SolAtQua, &Geometric_Mesh::NbrQua, offsetof(P2Quadrilateral, VoiVol),
};

struct Walk {
  const ZelListCtx &C;
  const CurvedKind &K;
  int N;  // tessellation level
};

// Calls f(g) for every drawn element of the chain with its nodes.
template <class F>
void eachDrawn(const Walk &w, F &&f) {
  w.C.chain([&](int e) {
    if (!w.C.drawn(e)) return;
    ZelCurvedElem g;
    zelCurvedElem(w.C, e, &g);
    f(g);
  });
}

// Faces, or the picking colours over them.
void drawFaces(const Walk &w, bool picking) {
  const ZelListCtx &c = w.C;
  glBegin(GL_TRIANGLES);
  eachDrawn(w, [&](const ZelCurvedElem &g) {
    if (picking) zelPickingColor(c.ColRng, c.PckBas + static_cast<uint32_t>(g.E));
    float ctr[3], blk[18];
    zelCurvedMean(g, w.K.FaceDiv, ctr);
    for (int p = 0; p < w.K.NbrPatch; p++) {
      zelCurvedPatch(g, w.K.Patch[p], blk);
      zelDrawP2Patch(w.N, blk, ctr, c.Shrink, !picking || w.K.PickNormals);
    }
  });
  glEnd();
}

// The curved edges, or (P2 edges) the picking colours over them.
void drawWire(const Walk &w, bool picking) {
  const ZelListCtx &c = w.C;
  glBegin(GL_LINES);
  eachDrawn(w, [&](const ZelCurvedElem &g) {
    if (picking) zelPickingColor(c.ColRng, c.PckBas + static_cast<uint32_t>(g.E));
    float ctr[3], blk[9];
    zelCurvedScaled(g, w.K.WireFactor, ctr);
    for (int k = 0; k < w.K.NbrEdg; k++) {
      zelCurvedEdge(g, w.K.Edg[k], blk);
      zelP2EdgePolyline(w.N, blk, ctr, c.Shrink);
    }
  });
  glEnd();
}

void drawArrows(const Walk &w) {
  const float L = static_cast<float>(w.C.Scn->Rnd.NormalScale);
  glBegin(GL_LINES);
  eachDrawn(w, [&](const ZelCurvedElem &g) {
    float blk[18];
    zelCurvedPatch(g, w.K.Patch[0], blk);
    zelCurvedArrow(blk, w.K.ArrowU, w.K.ArrowV, L);
  });
  glEnd();
}

// Palette values at the element's nodes by the shading rule: its own value when the field lies
// on the linear kind of its shape and the mesh has none of those; else its vertices' values;
// else the value of the volume element behind it. False: not shaded.
bool shadingValues(const Walk &w, const ZelListField &f, const ZelCurvedElem &g, float *val) {
  const Geometric_Mesh *msh = w.C.Msh;
  const int nbrNod = w.C.Elt.NbrNod;
  const bool own = msh->*w.K.OwnSol && msh->*w.K.NbrLin == 0;
  if (!own && f.VerSol) return zelPaletteValues(f.Pal, g.Ver, nbrNod, val);
  const char *rec = w.C.Elt.Base + w.C.Elt.Stride * static_cast<size_t>(g.E);
  int at[ZelCurvedMaxNod];
  for (int i = 0; i < nbrNod; i++) at[i] = own ? g.E : *reinterpret_cast<const int *>(rec + w.K.VoiVolOff);
  return zelPaletteValues(f.Pal, at, nbrNod, val);
}

void drawShading(const Walk &w, const ZelListField &f) {
  glBegin(GL_TRIANGLES);
  eachDrawn(w, [&](const ZelCurvedElem &g) {
    float val[ZelCurvedMaxNod], ctr[3], blk[18], sol[6];
    if (!shadingValues(w, f, g, val)) return;
    zelCurvedMean(g, w.K.FaceDiv, ctr);
    for (int p = 0; p < w.K.NbrPatch; p++) {
      zelCurvedPatch(g, w.K.Patch[p], blk);
      zelCurvedValues(val, w.K.Patch[p], sol);
      zelShadeP2Patch(w.N, sol, blk, ctr, f.Pal, w.C.Shrink);
    }
  });
  glEnd();
}

void drawIsoLines(const Walk &w, const ZelListField &f) {
  if (!f.VerSol) return;
  const ZelIsoTable levels(f.Pal);
  glBegin(GL_LINES);
  eachDrawn(w, [&](const ZelCurvedElem &g) {
    float val[ZelCurvedMaxNod], blk[18], sol[6];
    if (!zelPaletteValues(f.Pal, g.Ver, w.C.Elt.NbrNod, val)) return;
    for (int p = 0; p < w.K.NbrPatch; p++) {
      zelCurvedPatch(g, w.K.Patch[p], blk);
      zelCurvedValues(val, w.K.Patch[p], sol);
      zelIsoLinesP2Patch(w.N, sol, blk, levels.data(), levels.size(), w.C.Shrink);
    }
  });
  glEnd();
}

int build(const CurvedKind &K, bool update, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  if (!update && K.DirectLine) printf("%s", K.DirectLine);
  ZelListCtx c;
  if (!zelListOpen(scene, rec, &c)) return 0;
  const ZelListTests &T = update ? ZelUpdateTests : ZelDirectTests;
  if (update && K.MaskRule) mask = zelMaskRule(mask, scene, rec, true);
  auto asks = [mask](ZelListMask test) { return (mask & test) != 0; };
  const Walk w{c, K, zelP2Level(K.SceneLevel ? scene->Rnd.TessLevel : rec->Opt.TessLevel)};
  const bool faces = K.NbrPatch > 0;

  if (faces && asks(T.Faces)) zelListPass(update, rec->FacLst, [&] { drawFaces(w, false); });
  if (asks(T.Wire))
    zelListPass(update, rec->WirLst, [&] {
      if (update) glLineWidth(rec->Opt.LineWidth);
      drawWire(w, false);
    });
  if (asks(T.Picking) && c.ColRng)
    zelListPass(update, rec->PckLst, [&] { faces ? drawFaces(w, true) : drawWire(w, true); });
  // The direct entry draws the numbers before the arrows.
  const bool numbers = asks(T.Numbers) && (update || K.DirectNumbers);
  if (numbers && !update) zelDrawNumbers(c);
  if (faces && asks(T.Arrows)) zelListPass(update, rec->MrkLst + 1, [&] { drawArrows(w); });
  if (numbers && update) zelCompileList(rec->MrkLst + 2, [&] { zelDrawNumbers(c); });
  if (!faces) return 1;

  ZelListField f;
  if (!zelListField(scene, &f)) return 1;
  if (asks(T.Shading)) zelListPass(update, rec->SolLst + 0, [&] { drawShading(w, f); });
  if (asks(T.IsoLines)) zelListPass(update, rec->SolLst + 1, [&] { drawIsoLines(w, f); });
  const int dim = c.Msh->Dim;
  int offset = zelFieldOffset(f.Sol, f.Fld, dim);
  if (asks(T.Vectors)) zelListPass(update, rec->SolLst + 2, [&] { zelDrawVectors(c, f, offset); });
  offset = zelFieldOffset(f.Sol, f.Fld, dim);
  if (asks(T.Metric)) zelMetricPass(update, rec->SolLst + 5, c, f, offset);
  return 1;
}

}  // namespace

int zelListUpdateP2Triangles(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) { return build(kP2Triangles, true, m, s, r); }
int zelListDirectP2Triangles(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) { return build(kP2Triangles, false, m, s, r); }
int zelListUpdateP2Edges(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) { return build(kP2Edges, true, m, s, r); }
int zelListDirectP2Edges(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) { return build(kP2Edges, false, m, s, r); }
int zelListUpdateQ2Quadrilaterals(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) {
  return build(kQ2Quadrilaterals, true, m, s, r);
}
int zelListDirectQ2Quadrilaterals(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) {
  return build(kQ2Quadrilaterals, false, m, s, r);
}
