// Picking ids and the colour-id table.
//
// Every drawable item of a scene has a picking id: the base of its kind plus its index (from
// 1); id 0 means nothing. The list builders draw each item's picking list in the flat colour of
// its id, and picking reads one pixel back and decodes it with the same table. The table lays
// the id out over the colour bits of the current OpenGL context, highest bits in red, then
// green, then blue, the lowest in alpha.
//
// Kind order of the bases: vertices, edges, P2 edges, triangles, P2 triangles, quadrilaterals,
// Q2 quadrilaterals, tetrahedra, P2 tetrahedra, pyramids, prisms, hexahedra, Q2 hexahedra,
// normals at vertices; each base is the previous base plus the previous kind's count.
//
// GUI thread only; the GL entries need the scene's context current.
#pragma once

#include <cstdint>

struct Geometric_Mesh;
struct ZelMesh;
typedef struct Zel_Scene ZelScene;

// Channel order in every array: red, green, blue, alpha.
struct ZelColorRange {
  uint32_t mask[4];   // bits of the id held by the channel
  uint32_t shift[4];  // position of the channel's lowest id bit (alpha: 0)
  uint32_t drop[4];   // 8 minus the channel's bit depth
};

enum : int { ZelPickKinds = 14 };
// Kind codes in base order.
extern const int ZelPickOrder[ZelPickKinds];

// Fills the table for channel depths r, g, b, a (a depth above 8 counts as 8, below 0 as 0)
// for nIds ids (0..nIds-1). When they do not fit (total depth below 32 and 2^total < nIds)
// prints "  Sorry. Picking disabled. (%ld,%d)\n" on standard error and returns 0; else 1. The
// table is filled in both cases.
int zelFillColorRange(ZelColorRange *table, const int depth[4], int64_t nIds);
// The same from the GL_RED_BITS .. GL_ALPHA_BITS of the current context.
int getColorRange(ZelColorRange *table, int64_t nIds);
// Ids the scene's mesh needs: 1 + the counts of the 14 picking kinds (0 without mesh).
int64_t zelPickingIdCount(const Geometric_Mesh *msh);
// Makes the scene's table when it has none (malloc, freed with the scene) for the ids its mesh
// needs. When they do not fit, the message is printed and the scene stays without a table:
// no picking list is built and picks are refused. 1 with a table, 0 without (null scene too).
int zelSetColorRange(ZelScene *scene);

// Writes the base of every picking kind into the display mesh's table. 0 without mesh or
// display mesh, else 1.
int zelGetEntityPickingBase(const Geometric_Mesh *msh, ZelMesh *zelMsh);

// Colour byte of a channel holding value v of 8 - drop bits: v scaled to 0..255 the way the
// framebuffer scales its stored value back (v << drop, the low bits filled by v's high ones),
// so that a channel of fewer than 8 bits stores v itself and reads back a byte whose top bits
// are v. For 8 bits it is v.
inline uint8_t zelPickByte(uint32_t v, uint32_t drop) {
  const uint32_t m = (1u << (8 - drop)) - 1u;
  return static_cast<uint8_t>(m ? (v * 255u + m / 2u) / m : 0u);
}
// Colour bytes of an id.
inline void zelPickIdColor(const ZelColorRange *t, uint32_t id, uint8_t rgba[4]) {
  for (int c = 0; c < 4; c++) rgba[c] = zelPickByte((id & t->mask[c]) >> t->shift[c], t->drop[c]);
}
// Id of colour bytes read back.
inline uint32_t zelPickColorId(const ZelColorRange *t, const uint8_t rgba[4]) {
  uint32_t id = 0;
  for (int c = 0; c < 4; c++)
    id += ((static_cast<uint32_t>(rgba[c]) >> t->drop[c]) << t->shift[c]) & t->mask[c];
  return id;
}
// Kind and index of an id under the display mesh's bases: the first kind in base order whose
// next kind's base is not below the id; past the normals' base, a normal. *index = id - base
// of the kind. Returns the kind code (0 for id 0 or a null display mesh, index 0).
int zelPickIdItem(const ZelMesh *zelMsh, uint32_t id, int *index);
