// One curved element as the curved list builders see it: its nodes' display coordinates, the
// centres its drawing is pulled toward, the coefficient blocks of its patches and edges, and
// the palette values at its nodes. Shared by the surface (ZelCurvedLists.h) and volume
// (ZelCurvedVolumes.h) builders; GUI thread.
#pragma once

#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/lists/ZelP2Patch.h"

enum : int { ZelCurvedMaxNod = 27 };

struct ZelCurvedElem {
  int E;
  const int *Ver;                   // the record's node numbers
  const float *X[ZelCurvedMaxNod];  // their display coordinates
  double Sum[3];                    // the sum of every node's coordinates
};
// Nodes of element e of the walked kind (its NbrNod of them).
void zelCurvedElem(const ZelListCtx &c, int e, ZelCurvedElem *g);
// A centre: the node sum times factor (the builders' 0.1666, 0.1111, 0.333) or divided by
// divisor (6.0, 9.0, 10.0, 27.0), stored as f32.
void zelCurvedScaled(const ZelCurvedElem &g, double factor, float c[3]);
inline void zelCurvedMean(const ZelCurvedElem &g, double divisor, float c[3]) {
  for (int k = 0; k < 3; k++) c[k] = static_cast<float>(g.Sum[k] / divisor);
}

// Coefficient blocks of the patch on nodes nod (p0 p1 p2 m01 m12 m20 as element positions)
// and of the edge on nodes edg (a, b, middle).
void zelCurvedPatch(const ZelCurvedElem &g, const int nod[6], float blk[18]);
void zelCurvedEdge(const ZelCurvedElem &g, const int edg[3], float blk[9]);
// The value block of the patch on nodes nod from values val per element position.
void zelCurvedValues(const float *val, const int nod[6], float blk[6]);

// Inside an open glBegin(GL_LINES): the arrow of length L at the patch point (u, v) along its
// unit normal (none where the normal is zero).
void zelCurvedArrow(const float blk[18], double u, double v, float L);

// Palette values at entries at[0..n-1] into val; false (the element is not shaded) when an
// entry is below 1 or beyond the palette's values.
bool zelPaletteValues(const ZelPalette *pal, const int *at, int n, float *val);
