// Iso-surfaces of volume elements: for every iso value of the active field's palette the
// surface where the vertex field takes that value, cut tetrahedron by tetrahedron (marching
// tetrahedra, Doi and Koide 1991) and drawn as translucent flat triangles, one colour per
// level. Elements other than tetrahedra are first split into tetrahedra by their kind's rule
// (hexahedra: zelSplitHexahedron); nothing is shared between neighbours.
//
// The levels and the cut of one tetrahedron are plain functions; zelDrawIsoSurfaces emits
// them. GUI thread for the drawing; the plain functions anywhere.
#pragma once

#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/scene/ZelPalette.h"

// One level: its value and its colour with alpha.
struct ZelIsoSurfLevel {
  float T;
  float Rgba[4];
};
// The palette's levels in drawing order, the last iso value first; their number (0 when N < 1).
// The first and last iso values are moved inward by 0.001 |v| / (last - first), so that a
// field reaching them still cuts some tetrahedra (and a range of 0 leaves no finite level).
// The colour is the iso value's hue (grey when the palette says so) lightened by 0.2; alpha
// 0.2 + 0.8 (k - 1) / N for iso value k, at least 0.1 so that the lowest level stays visible.
int zelIsoSurfaceLevels(const ZelPalette *pal, ZelIsoSurfLevel out[ZelMaxIso]);

// The piece of level t in the tetrahedron of corners p and values s: a corner is above when
// s >= t (on the level included), below when s < t; a NaN value is neither and the
// tetrahedron gives nothing. Two above (a0 < a1) against two below (b0 < b1) give the
// quadrilateral on the edges b0-a0, b0-a1, b1-a1, b1-a0 as the triangles (P1, P2, P3),
// (P1, P3, P4); one corner against three gives the triangle on the edges from the three, in
// corner order, to the lone one. Returns the triangles written (0, 1 or 2) and their one
// normal, (P2 - P1) x (P3 - P1) made unit when it is not zero; it follows the corner order.
int zelIsoSurfaceCut(const float p[4][3], const float s[4], float t, float tri[2][3][3], float n[3]);

// The iso-surface list of the record, inside one glBegin(GL_TRIANGLES) pair: every level, its
// colour once, then the pieces of the tetrahedra (tets(ver, out) of each element whose tag has
// bits 31 and 27; no clip test, no shrink). Nothing between the pair without vertex values.
void zelDrawIsoSurfaces(const ZelListCtx &c, const ZelListField &f,
                        int (*tets)(const int *ver, int tet[6][4]));
