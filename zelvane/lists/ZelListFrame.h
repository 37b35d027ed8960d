// The frame every list builder stands on.
//
// Each element kind has one builder with two entries: the update entry compiles the display
// lists of one display record that a ZelListMask selects; the direct entry draws the same
// things at once, without lists. Both start with the record check (zelCheckList), walk the
// record's chain of elements, draw an element only when it is alive and visible, and take the
// solution, active field and palette from the scene. Display-list management makes the list
// ids and calls the entries through the scene's hook table; the builders make no record's id
// (the lists they make are the metric glyphs' sphere and circle, one per context,
// ZelListGlyphs.h).
//
// This header holds what every builder shares: the mask bits and the test value of each list
// for either entry, the rule that turns mask bit 0 into the lists a record shows (each kind
// giving its extras), the record check and the walking context, the list compile step, the
// per-vertex stamp, the solution context and the picking colour and vertex numbers. The colour
// of values, banded shading and iso-lines are in ZelListColor.h; arrows, vectors and metric
// glyphs in ZelListGlyphs.h.
//
// GUI thread only, with the scene's GL context current. The stamp makes builders
// non-reentrant; nothing else persists between calls but those two lists.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "common/model/Mesh.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelMesh.h"

struct ZelPalette;
struct ZelColorRange;

// Bits of ZelListMask.
enum : ZelListMask {
  ZelMskAll = 0x1,             // everything the scene and record enable (bit-0 rule)
  ZelMskSolution = 0x10,       // every solution list
  ZelMskShading = 0x20,
  ZelMskIsoLines = 0x40,
  ZelMskIsoSurfaces = 0x80,    // volume kinds
  ZelMskVectors = 0x200,
  ZelMskArrows = 0x800,        // normal arrows
  ZelMskClipped = 0x1000,      // from the record's clipped flag; selects no list
  ZelMskMetric = 0x40000,
  ZelMskFaces = 0x80000,
  ZelMskWire = 0x100000,
  ZelMskPicking = ZelMaskPickingList,
  ZelMskNumbers = 0x400000,
  ZelMskCapping = 0x800000,    // volume kinds
  ZelMskPoints = 0x1000000,    // vertex points
  ZelMskNorVer = 0x2000000,    // normals-at-vertices segments
  ZelMskShrunk = 0x4000000,    // from the record's shrink flag; selects no list
  ZelMskWireOnly = 0x8000000,  // update entry: the wire alone
  ZelMskNoPicking = ZelMaskNoPicking,  // with bit 0: every list but the picking one
  ZelMskCutOnly = ZelMaskCutOnly,      // volume kinds: only the lists asked that a cut changes
  ZelMskScene31 = 0x80000000u, // copied from scene flag bit 31; no linear builder tests it
};

// A list is built (drawn) when the mask has any bit of its test value.
struct ZelListTests {
  ZelListMask Faces, Wire, Picking, Numbers, Arrows, Points, NorVer;
  ZelListMask Shading, IsoLines, IsoSurfaces, Vectors, Metric;
};
extern const ZelListTests ZelUpdateTests;  // wire 0x8100001, picking 0x200001
extern const ZelListTests ZelDirectTests;  // wire 0x100001, picking 0x200000

// Words of the scene and record that the bit-0 rule reads.
enum ZelMaskWord : uint8_t { ZelWordScene, ZelWordRender, ZelWordSolution, ZelWordRecord };
// One kind-specific term of the bit-0 rule: when the word has Bit, the mask gains Adds.
struct ZelMaskExtra {
  ZelMaskWord Word;
  uint32_t Bit;
  ZelListMask Adds;
};
// The bit-0 rule of an update entry. Without bit 0 the mask is returned as it is. With it the
// mask is replaced by: faces, wire and picking (not picking when ZelMskNoPicking is set);
// numbers (scene 0x8000), points (scene 0x8) and scene bit 31; normal arrows (render 0x100);
// with solution set, shading, iso-lines, vectors and metric from solution word bits 0, 1, 3,
// 5; then each extra.
ZelListMask zelMaskRule(ZelListMask mask, const ZelScene *scene, const ZelEntDisplayList *rec, bool solution,
                        const ZelMaskExtra *extra = nullptr, int nbrExtra = 0);

// The record check. 0 for a null scene, record, mesh or display mesh; for a kind without an
// entity ("  ## ERROR: ZELCHECKLIST: INVALID  TYPE %d \n" on standard error unless the kind
// is one of the display mesh's, whose entity may be absent); for a display mesh without
// coordinates; for a non-zero chain head out of range; for an entity without links (clip
// planes, kind 203, have neither entity nor links and need the plane entity). On 1 the out
// arguments (each may be null) receive the mesh, the display mesh, the chain head, the kind's
// picking base (0 for planes), the links (null for planes) and the display coordinates.
int zelCheckList(ZelScene *scene, ZelEntDisplayList *rec, Geometric_Mesh **msh, ZelMesh **zelMsh, int *head,
                 uint32_t *pckBas, ZelLink **lnk, float3 **crd);

// Shrink factor of a record: the scene's when the record's flag word has bit 2, else 1.
float zelRecordShrink(const ZelScene *scene, const ZelEntDisplayList *rec);

// Everything a builder reads while it walks one record.
struct ZelListCtx {
  ZelScene *Scn;
  ZelEntDisplayList *Rec;
  Geometric_Mesh *Msh;
  ZelMesh *ZelMsh;
  int Head;               // first element of the chain, 0 for none
  uint32_t PckBas;        // picking id base of the kind
  const ZelLink *Lnk;
  const float3 *Crd;      // display coordinates per vertex
  float Shrink;           // the record's shrink factor
  ZelElems Elt;           // the kind's records
  const ZelColorRange *ColRng;  // null: no picking list

  // Calls f(e) for every element of the chain, in chain order.
  template <class F>
  void chain(F &&f) const;
  // Alive and visible: tag bits 31 and 27 both set.
  bool drawn(int e) const;
  const int *ver(int e) const { return Elt.ver(e); }
};
// zelCheckList, the record's shrink factor and the kind's records; 0 when the check refuses.
int zelListOpen(ZelScene *scene, ZelEntDisplayList *rec, ZelListCtx *ctx);

enum : uint32_t { ZelDrawnBits = 0x88000000u, ZelVisibleBit = 0x08000000u };
// Tag word of element e (read atomically: the topology thread may be setting face bits).
inline uint32_t zelTagOf(const ZelElems &elt, int e) { return TagAtomicLoad(elt.tag(e)); }

// The compile step of every list: delete the id when it is a list, compile draw() into it.
template <class F>
void zelCompileList(GLuint id, F &&draw) {
  if (glIsList(id)) glDeleteLists(id, 1);
  glNewList(id, GL_COMPILE);
  draw();
  glEndList();
}
// One list of an entry: compiled into id by the update entry, drawn at once by the direct one.
template <class F>
void zelListPass(bool update, GLuint id, F &&draw) {
  if (update)
    zelCompileList(id, draw);
  else
    draw();
}

// Per-vertex stamp: a new pass value of the mesh's counter, and whether vertex v was not yet
// reached in that pass (it is marked reached).
int zelNewStamp(Geometric_Mesh *msh);
inline bool zelFirstVisit(Geometric_Mesh *msh, int v, int stamp) {
  if (msh->Ver[v].Mrk == stamp) return false;
  msh->Ver[v].Mrk = stamp;
  return true;
}
// Calls f(v) once for every node of the chain's elements whose tag has all of need: their
// corners, and the edge, face and centre nodes of the curved kinds.
template <class F>
void zelEachVertexOnce(const ZelListCtx &c, uint32_t need, F &&f);

// The field the scene shows: the mesh's solution (the first present of the vertex solution
// and the element solutions), the vertex solution, the active field, its type and palette.
struct ZelListField {
  const Geometric_Solution *Sol;
  const Geometric_Solution *VerSol;  // null without vertex values
  ZelPalette *Pal;
  int Fld;
  int Type;  // type of the active field
};
// 1 when the solution lists can be considered: the scene has a mesh with a solution, the active
// field is one of its fields and has a palette. Else 0 and *out cleared.
int zelListField(const ZelScene *scene, ZelListField *out);

// Unit normal of (b - a) x (c - a), computed in double precision; false (n untouched) when the
// cross product is zero.
bool zelUnitNormal(const float *a, const float *b, const float *c, float n[3]);

// The wire list of an entry: the update compiles the record's line width and the faces list
// as last compiled, seen in line mode; the direct entry draws the faces again in line mode.
template <class F>
void zelWirePass(bool update, const ZelEntDisplayList *rec, F &&drawFaces) {
  zelListPass(update, rec->WirLst, [&] {
    if (update) glLineWidth(rec->Opt.LineWidth);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    if (update)
      glCallList(rec->FacLst);
    else
      drawFaces();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  });
}

// Sets the flat colour of picking id `id` (kind base + index) with glColor4ub.
void zelPickingColor(const ZelColorRange *table, uint32_t id);

// Vertex numbers: red, the pixel store glBitmap needs, then the label "%d" of each node of the
// chain's elements whose tag has all of need (bit 27 unless a kind says more), each vertex
// once, at its display coordinates (not shrunk).
void zelDrawNumbers(const ZelListCtx &c, uint32_t need = ZelVisibleBit);
// The parts of it, for builders that walk their own way.
void zelNumbersBegin();
void zelNumberAt(int v, const float *crd);
void zelNumbersEnd();

// --- template bodies -----------------------------------------------------------------------

template <class F>
void ZelListCtx::chain(F &&f) const {
  for (int e = Head; e; e = Lnk[e].Nxt) f(e);
}

inline bool ZelListCtx::drawn(int e) const { return (zelTagOf(Elt, e) & ZelDrawnBits) == ZelDrawnBits; }

template <class F>
void zelEachVertexOnce(const ZelListCtx &c, uint32_t need, F &&f) {
  const int stamp = zelNewStamp(c.Msh);
  c.chain([&](int e) {
    if ((zelTagOf(c.Elt, e) & need) != need) return;
    const int *ver = c.ver(e);
    for (int k = 0; k < c.Elt.NbrNod; k++)
      if (zelFirstVisit(c.Msh, ver[k], stamp)) f(ver[k]);
  });
}
