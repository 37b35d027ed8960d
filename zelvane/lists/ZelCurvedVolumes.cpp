// P2 tetrahedron and Q2 hexahedron lists: curved patches over the volume face walker.
#include "zelvane/lists/ZelCurvedVolumes.h"

#include <cstdio>

#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "zelvane/lists/ZelCurvedElem.h"
#include "zelvane/lists/ZelListGlyphs.h"
#include "zelvane/lists/ZelVolumeFaces.h"
#include "zelvane/lists/ZelVolumeLists.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// What the two curved volume kinds draw differently; the face rule is their walker row's.
struct CurvedVolume {
  const ZelVolumeKind *K;
  const int *FacNod;       // the nodes of each face, FacLen per face (P2TetFac, P2HexFac)
  int FacLen;
  int NbrPatch;            // patches per face, in face-row positions (p0 p1 p2 m01 m12 m20)
  int Patch[2][6];
  int NbrEdg;
  int Edg[12][5];          // each edge: a, b, middle node, and the two faces that hold it
  double FaceDiv;          // element centre: the node sum / FaceDiv
  bool EdgeCentre;         // the wire is pulled toward each edge's own centre
  double ArrowU, ArrowV;   // the normal arrow's point on a face's first patch
  bool ArrowsAllFaces;     // arrows on every face, else on the faces shown
  bool SolutionByClip;     // while a plane clips, the solution lists cover the cut elements only
  bool FacesLine;          // the faces count is printed
  const char *IsoSurfLine; // printed whenever the iso-surface list is asked for, or null
  bool HasMetric;
  int Geometric_Mesh::*NbrLin;  // linear elements of the kind: an own field needs none
};

const CurvedVolume kP2Tetrahedra = {
    &ZelP2TetKind, &P2TetFac[0][0], 6, 1, {{0, 1, 2, 3, 4, 5}}, 6,
    {{0, 1, 4, 3, 2}, {0, 2, 6, 1, 3}, {0, 3, 7, 2, 1}, {1, 2, 5, 3, 0}, {1, 3, 8, 0, 2}, {2, 3, 9, 1, 0}},
    10.0, true, 0.333, 0.333, false, true, false, nullptr, false, &Geometric_Mesh::NbrTet,
};
const CurvedVolume kQ2Hexahedra = {
    &ZelQ2HexKind, &P2HexFac[0][0], 9, 2, {{0, 1, 2, 4, 5, 8}, {2, 3, 0, 6, 7, 8}}, 12,
    {{0, 1, 8, 0, 2}, {1, 2, 9, 0, 3}, {2, 3, 10, 0, 4}, {3, 0, 11, 0, 5}, {4, 5, 12, 1, 2}, {5, 6, 13, 1, 3},
     {6, 7, 14, 1, 4}, {7, 4, 15, 1, 5}, {0, 4, 16, 2, 5}, {1, 5, 17, 2, 3}, {2, 6, 18, 3, 4}, {3, 7, 19, 4, 5}},
    27.0, false, 0.0, 0.5, true, false, true, "  IsoSrfLoop invalid ..... Hex Q2 : todo \n", true,
    &Geometric_Mesh::NbrHex,
};

struct Walk {
  const ZelVolCtx &V;
  const CurvedVolume &R;
  int N;  // tessellation level
};

// Calls f(g, faces) for every element the walker draws (faceTest: with the faces the rule
// shows, else all of them), in one block of prim.
template <class F>
void eachElement(const ZelVolCtx &v, GLenum prim, bool faceTest, F &&f) {
  zelVolumeFaces(v, prim, faceTest, [&](const ZelVolElem &e, int, uint32_t faces) {
    ZelCurvedElem g;
    zelCurvedElem(v.L, e.E, &g);
    f(static_cast<const ZelCurvedElem &>(g), faces);
  });
}

// Patch p of face fac: its six nodes as element positions and its coefficient block.
void facePatch(const CurvedVolume &R, const ZelCurvedElem &g, int fac, int p, int nod[6], float blk[18]) {
  const int *row = R.FacNod + fac * R.FacLen;
  for (int i = 0; i < 6; i++) nod[i] = row[R.Patch[p][i]];
  zelCurvedPatch(g, nod, blk);
}

// Calls f(blk, nod) for each patch of the faces in the mask.
template <class F>
void eachPatch(const CurvedVolume &R, const ZelCurvedElem &g, uint32_t faces, F &&f) {
  for (int fac = 0; fac < R.K->NbrFac; fac++) {
    if (!(faces & (1u << fac))) continue;
    for (int p = 0; p < R.NbrPatch; p++) {
      int nod[6];
      float blk[18];
      facePatch(R, g, fac, p, nod, blk);
      f(static_cast<const float *>(blk), static_cast<const int *>(nod));
    }
  }
}

int popCount(uint32_t m) { return __builtin_popcount(m); }

// Faces, or the picking colours over them (in volume mode only).
void drawFaces(const Walk &w, bool picking) {
  const ZelVolCtx &v = w.V;
  if (picking && !(v.L.Scn->Flags & ZelFlgVolumes)) {
    glBegin(GL_TRIANGLES);
    glEnd();
    return;
  }
  int count = 0;
  eachElement(v, GL_TRIANGLES, true, [&](const ZelCurvedElem &g, uint32_t faces) {
    if (picking) zelPickingColor(v.L.ColRng, v.L.PckBas + static_cast<uint32_t>(g.E));
    float ctr[3];
    zelCurvedMean(g, w.R.FaceDiv, ctr);
    eachPatch(w.R, g, faces, [&](const float *blk, const int *) { zelDrawP2Patch(w.N, blk, ctr, v.L.Shrink); });
    count += popCount(faces);
  });
  if (!picking && w.R.FacesLine && (v.Rule.Topo || v.Rule.ClipOn))
    printf(" q2-face  drawn for q2-hex %d \n", count);
}

// The curved edges of which a face shows.
void drawWire(const Walk &w) {
  const ZelVolCtx &v = w.V;
  eachElement(v, GL_LINES, true, [&](const ZelCurvedElem &g, uint32_t faces) {
    float ctr[3], blk[9];
    zelCurvedMean(g, w.R.FaceDiv, ctr);
    for (int k = 0; k < w.R.NbrEdg; k++) {
      const int *e = w.R.Edg[k];
      if (!(faces & ((1u << e[3]) | (1u << e[4])))) continue;
      if (w.R.EdgeCentre)
        for (int d = 0; d < 3; d++)
          ctr[d] = static_cast<float>(0.333 * (double(g.X[e[0]][d]) + g.X[e[1]][d] + g.X[e[2]][d]));
      zelCurvedEdge(g, e, blk);
      zelP2EdgePolyline(w.N, blk, ctr, v.L.Shrink);
    }
  });
}

void drawArrows(const Walk &w) {
  const float L = static_cast<float>(w.V.L.Scn->Rnd.NormalScale);
  eachElement(w.V, GL_LINES, !w.R.ArrowsAllFaces, [&](const ZelCurvedElem &g, uint32_t faces) {
    for (int fac = 0; fac < w.R.K->NbrFac; fac++) {
      if (!(faces & (1u << fac))) continue;
      int nod[6];
      float blk[18];
      facePatch(w.R, g, fac, 0, nod, blk);
      zelCurvedArrow(blk, w.R.ArrowU, w.R.ArrowV, L);
    }
  });
}

// Whether the field lies on the kind's elements: the mesh has a field there and no linear
// elements of the kind (whose field that would be).
bool ownField(const CurvedVolume &R, const Geometric_Mesh *msh) { return msh->*R.K->OwnSol && msh->*R.NbrLin == 0; }

// Palette values at every node: the element's own value when the field lies on the linear
// kind and the mesh has none of those, else its vertices'. False: not shaded.
bool nodeValues(const Walk &w, const ZelListField &f, bool own, const ZelCurvedElem &g, float *val) {
  const int nbrNod = w.V.L.Elt.NbrNod;
  if (!own) return zelPaletteValues(f.Pal, g.Ver, nbrNod, val);
  int at[ZelCurvedMaxNod];
  for (int i = 0; i < nbrNod; i++) at[i] = g.E;
  return zelPaletteValues(f.Pal, at, nbrNod, val);
}

void drawShading(const Walk &w, const ZelVolCtx &v, const ZelListField &f) {
  const bool own = ownField(w.R, w.V.L.Msh);
  if (!own && !f.VerSol) {
    glBegin(GL_TRIANGLES);
    glEnd();
    return;
  }
  eachElement(v, GL_TRIANGLES, true, [&](const ZelCurvedElem &g, uint32_t faces) {
    float val[ZelCurvedMaxNod], ctr[3], sol[6];
    if (!nodeValues(w, f, own, g, val)) return;
    zelCurvedMean(g, w.R.FaceDiv, ctr);
    eachPatch(w.R, g, faces, [&](const float *blk, const int *nod) {
      zelCurvedValues(val, nod, sol);
      zelShadeP2Patch(w.N, sol, blk, ctr, f.Pal, v.L.Shrink);
    });
  });
}

void drawIsoLines(const Walk &w, const ZelVolCtx &v, const ZelListField &f) {
  if (!f.VerSol) return;
  const ZelIsoTable levels(f.Pal);
  eachElement(v, GL_LINES, true, [&](const ZelCurvedElem &g, uint32_t faces) {
    float val[ZelCurvedMaxNod], sol[6];
    if (!nodeValues(w, f, false, g, val)) return;
    eachPatch(w.R, g, faces, [&](const float *blk, const int *nod) {
      zelCurvedValues(val, nod, sol);
      zelIsoLinesP2Patch(w.N, sol, blk, levels.data(), levels.size(), v.L.Shrink);
    });
  });
}

int build(const CurvedVolume &R, bool update, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  ZelVolCtx v;
  if (!zelVolumeOpen(scene, rec, *R.K, &v)) return 0;
  const ZelListTests &T = update ? ZelUpdateTests : ZelDirectTests;
  ZelListField f;
  const bool field = zelListField(scene, &f) != 0;
  // The kind rows' drawable test for vectors matches SolutionByClip: P2 tetrahedra draw the
  // arrows of the cut elements only, Q2 hexahedra of every element.
  if (update) {
    mask = zelVolumeCutLists(*R.K, mask, zelMaskRule(mask, scene, rec, false, R.K->Extras, R.K->NbrExtras));
    zelVolumeHold(rec, mask, field, R.HasMetric);
  }
  auto asks = [mask](ZelListMask test) { return (mask & test) != 0; };
  const Walk w{v, R, zelP2Level(rec->Opt.TessLevel)};
  // While a plane clips with capping on, the cap of the cut elements in place of their faces,
  // as the linear kinds show it; the direct entry never caps.
  const unsigned capped =
      update ? zelVolumeCapPasses(v, T, mask, rec, field ? &f : nullptr, ownField(R, v.L.Msh)) : 0;

  if (asks(T.Faces) && !(capped & ZelCapBuiltFaces)) zelListPass(update, rec->FacLst, [&] { drawFaces(w, false); });
  if (asks(T.Wire) && !(capped & ZelCapBuiltWire))
    zelListPass(update, rec->WirLst, [&] {
      if (update) glLineWidth(rec->Opt.LineWidth);
      drawWire(w);
    });
  if (asks(T.Picking) && v.L.ColRng && !(capped & ZelCapBuiltPicking))
    zelListPass(update, rec->PckLst, [&] { drawFaces(w, true); });
  if (asks(T.Arrows)) zelListPass(update, rec->MrkLst + 1, [&] { drawArrows(w); });
  if (asks(T.Numbers)) zelListPass(update, rec->MrkLst + 2, [&] { zelDrawNumbers(v.L, v.Need); });

  if (!field) return 1;
  // The solution lists of Q2 hexahedra cover every drawable element, cut or not.
  ZelVolCtx all = v;
  if (!R.SolutionByClip) all.Need = ZelDrawnBits;
  if (asks(T.Shading) && !(capped & ZelCapBuiltShading))
    zelListPass(update, rec->SolLst + 0, [&] { drawShading(w, all, f); });
  if (asks(T.IsoLines) && !(capped & ZelCapBuiltIsoLines))
    zelListPass(update, rec->SolLst + 1, [&] { drawIsoLines(w, all, f); });
  if (asks(T.IsoSurfaces)) {
    if (R.IsoSurfLine) printf("%s", R.IsoSurfLine);
    zelListPass(update, rec->SolLst + 3, [] {
      glBegin(GL_TRIANGLES);
      glEnd();
    });
  }
  const int dim = v.L.Msh->Dim;
  int offset = zelFieldOffset(f.Sol, f.Fld, dim);
  if (asks(T.Vectors)) zelListPass(update, rec->SolLst + 2, [&] { zelDrawVectors(v.L, f, offset, all.Need); });
  if (!R.HasMetric) return 1;
  offset = zelFieldOffset(f.Sol, f.Fld, dim);
  if (asks(T.Metric)) zelMetricPass(update, rec->SolLst + 5, v.L, f, offset);
  return 1;
}

}  // namespace

int zelListUpdateP2Tetrahedra(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) {
  return build(kP2Tetrahedra, true, m, s, r);
}
int zelListDirectP2Tetrahedra(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) {
  return build(kP2Tetrahedra, false, m, s, r);
}
int zelListUpdateQ2Hexahedra(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) {
  return build(kQ2Hexahedra, true, m, s, r);
}
int zelListDirectQ2Hexahedra(ZelListMask m, ZelScene *s, ZelEntDisplayList *r) {
  return build(kQ2Hexahedra, false, m, s, r);
}
