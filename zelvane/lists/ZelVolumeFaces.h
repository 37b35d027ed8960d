// The volume face walker: how every volume kind is shown by its skin.
//
// A volume element is drawn through its faces, and a face only when nothing else covers it:
// no neighbour across it, or a neighbour hidden (or, while a clip plane is on, left uncut), or
// a boundary surface element that is hidden, cut, or whose display record is hidden. With a
// shrink factor every face shows. Until the volume topology is done no face shows, except
// every face of the cut elements while a plane is on. While a plane is on only the elements it
// cuts are drawn (tag bit 28).
//
// What sets the kinds apart is data: one ZelVolumeKind row per kind holds its faces (corner
// positions in drawing order; face f is neighbour slot f and boundary bit 8 + f), the blocks
// they are drawn in, where its records keep neighbours, which neighbour kinds (the VOI_* nibble
// codes of common/topology/Topology.h) may cover a boundary or an inner face, its messages,
// and the differences between the workers. The rule (zelFaceVisible), the element geometry
// and the walk (zelVolumeFaces) are written once; the list builders of ZelVolumeLists.h are
// emitters over the walk, and a new kind (the curved ones) is a new row.
//
// GUI thread, the scene's GL context current for the walk. The topology thread may still set
// face bits: tags are read atomically and neighbours only once TopoDone was seen at 1.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>

#include "zelvane/lists/ZelListFrame.h"

enum : int { ZelVolMaxCor = 8, ZelVolMaxFac = 6, ZelVolMaxBlk = 2, ZelVolNibbles = 16 };

// One face: its corners, positions in the element's vertex list, in drawing order (which also
// fixes its normal and its split into the triangles (0, 1, 2) and (0, 2, 3)).
struct ZelVolFace {
  int NbrCor;  // 3 or 4
  int Cor[4];
};
// One drawing block: faces of one shape, drawn in one glBegin/glEnd pair, in this order.
struct ZelVolBlock {
  int NbrFac;
  int Fac[ZelVolMaxFac];
};

enum ZelShrinkRule : uint8_t {
  ZelShrinkBelowOne,  // every face shows when the shrink factor is < 1
  ZelShrinkNotOne,    // ... when it is not exactly 1 (a NaN included)
  ZelShrinkNever,     // the shrink factor plays no part
};

struct ZelVolumeKind {
  int Kind;          // element kind code
  const char *Name;  // in the neighbour messages: "tet", "hex", "pri", "pyr"
  int NbrCor;        // corner vertices; the centroid is their mean
  int NbrFac;
  ZelVolFace Fac[ZelVolMaxFac];
  int NbrBlk;  // blocks in drawing order (prisms: triangles first; pyramids: base first)
  ZelVolBlock Blk[ZelVolMaxBlk];
  ptrdiff_t VoiOff, VoiTypOff;  // where a record keeps its neighbours and their kind word

  // The face rule. A boundary face may be covered by a surface element of a BdyKinds nibble,
  // an inner face meet a volume element of an InnerKinds nibble (0: no neighbour). Another
  // nibble prints " ** unknown type %d efr/voi for <Name> ! \n" (boundary face; the plain
  // "voi" line when BdyVoiLine) or " ** unknown type %d voi for <Name> ! \n" and hides the
  // face, once per face tested.
  uint32_t BdyKinds, InnerKinds;
  bool BdyVoiLine;
  ZelShrinkRule Shrink;

  // What sets the workers apart.
  uint32_t NumbersNeed;       // tag bits a vertex label needs; 0: the drawable test
  bool ArrowsOnVisibleFaces;  // normal arrows on the faces the rule shows, else on every face
  bool IsoLinesInVolumeMode;  // face iso-lines only with the scene's volume mode (0x20000)
  bool VectorsByDrawable;     // vector arrows by the drawable test, else bits 31 and 27
  bool HasMetric;
  bool EmptyFacesOnMode10;  // the faces list is compiled empty while the planes' Mode is 10
  bool ProgressLines;       // faces and iso-line counts printed on every build
  Geometric_Solution *Geometric_Mesh::*OwnSol;  // the field at the kind's own elements
  int CapKind;                                  // kind of zel_cappingmesh; 0: cut elements keep their faces
  // Iso-surfaces: writes the element's tetrahedra (positions, four each) and returns their
  // number; null: the list holds one empty triangle pair per element.
  int (*Tets)(const int *ver, int tet[6][4]);
  const ZelMaskExtra *Extras;  // the bit-0 rule's terms besides the common ones
  int NbrExtras;
};

extern const ZelVolumeKind ZelTetKind, ZelPriKind, ZelHexKind, ZelPyrKind;
// The curved kinds' rows (their builders are in ZelCurvedVolumes.h).
extern const ZelVolumeKind ZelP2TetKind, ZelQ2HexKind;

// What the face rule reads, gathered once per entry call.
struct ZelFaceRule {
  const ZelVolumeKind *K;
  ZelElems Elt;                         // the kind's records
  ZelElems Nbr[ZelVolNibbles];          // records of each neighbour nibble
  const ZelEntity *Srf[ZelVolNibbles];  // entities of the surface nibbles (their display records)
  int Topo;                             // TopoDone, read once
  int ClipOn;                           // the planes' on word is non-zero
  float Shrink;                         // the record's shrink factor
};
void zelFaceRuleInit(ZelFaceRule *r, const ZelVolumeKind &K, Geometric_Mesh *msh, const ZelMesh *zelMsh,
                     float shrink);
// The faces among faces[0..n-1] of element e (tag: its tag word) that are drawn, as bits
// 1 << f. A neighbour or covering element numbered outside its kind's records counts as
// absent; a covering element whose entity has no display record for it counts as not drawn.
uint32_t zelFaceMask(const ZelFaceRule &r, int e, uint32_t tag, const int *faces, int n);
// The same for one face: 1 drawn, 0 not.
int zelFaceVisible(const ZelFaceRule &r, int e, int f);
inline int zelHexFaceVisible(const ZelFaceRule &r, int h, int f) { return zelFaceVisible(r, h, f); }

// Everything a volume worker reads while it walks one record.
struct ZelVolCtx {
  ZelListCtx L;
  const ZelVolumeKind *K;
  ZelFaceRule Rule;
  const double *Plane;  // the current plane while clipping is on, else null
  uint32_t Need;        // drawable: bits 31 and 27, and 28 while clipping is on
  bool drawable(uint32_t tag) const { return (tag & Need) == Need; }
};
// zelListOpen, TopoDone, the clipping state and the face rule; 0 when the check refuses.
int zelVolumeOpen(ZelScene *scene, ZelEntDisplayList *rec, const ZelVolumeKind &K, ZelVolCtx *v);

// One element's corners, centroid and corners shrunk toward it by the record's factor.
struct ZelVolElem {
  int E;
  const int *Ver;
  float P[ZelVolMaxCor][3];
  float C[3];
  float Q[ZelVolMaxCor][3];
};
void zelVolElem(const ZelVolCtx &v, int e, ZelVolElem *g);

// Primitive of a block's faces: GL_TRIANGLES or GL_QUADS.
inline GLenum zelBlockPrim(const ZelVolumeKind &K, int b) {
  return K.Fac[K.Blk[b].Fac[0]].NbrCor == 3 ? GL_TRIANGLES : GL_QUADS;
}

// The walk. For each block in order: glBegin(prim, or the block's own primitive when 0), then
// visit(g, b, mask) for every drawable element of the chain with its geometry and the block's
// faces to draw (those the rule shows with faceTest, else all of them) when there are any,
// then glEnd(). With faceTest, while the topology is not done and clipping is off, the blocks
// stay empty.
template <class Visit>
void zelVolumeFaces(const ZelVolCtx &v, GLenum prim, bool faceTest, Visit &&visit) {
  const ZelVolumeKind &K = *v.K;
  const bool none = faceTest && !v.Rule.Topo && !v.Rule.ClipOn;
  for (int b = 0; b < K.NbrBlk; b++) {
    const ZelVolBlock &blk = K.Blk[b];
    uint32_t all = 0;
    for (int i = 0; i < blk.NbrFac; i++) all |= 1u << blk.Fac[i];
    glBegin(prim ? prim : zelBlockPrim(K, b));
    if (!none)
      v.L.chain([&](int e) {
        const uint32_t tag = zelTagOf(v.L.Elt, e);
        if (!v.drawable(tag)) return;
        const uint32_t mask = faceTest ? zelFaceMask(v.Rule, e, tag, blk.Fac, blk.NbrFac) : all;
        if (!mask) return;
        ZelVolElem g;
        zelVolElem(v, e, &g);
        visit(static_cast<const ZelVolElem &>(g), b, mask);
      });
    glEnd();
  }
}
