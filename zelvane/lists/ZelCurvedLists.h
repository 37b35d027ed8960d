// Display lists of P2 triangles (kind 24), P2 boundary edges (25) and Q2 quadrilaterals (27).
//
// Per display record, on the quadratic patches and edges of ZelP2Patch.h at a tessellation
// level n (the record's; the scene's for P2 edges; at most 63): the faces as n^2 lattice
// triangles per patch (a Q2 quadrilateral is two patches meeting along its diagonal 0-2 with
// the centre node as the diagonal's middle), shrunk twice with the record's factor (lattice
// parameters, then points toward the element centre, the mean of every node); the wire as one
// polyline of n segments per curved edge, pulled toward 0.1666 (P2 triangles), 0.1111 (Q2) or
// 0.333 (P2 edges) times the sum of the nodes; picking colours over the faces (P2 edges: over
// the wire); one normal arrow per element (P2 triangles at the patch point (0.333, 0.333), Q2
// at the centre node); the numbers of every node, each vertex once; and, with a field,
// banded shading, iso-lines, vector arrows and metric glyphs over every node.
//
// Shading takes the element's own value when the field lies on the linear kind of the same
// shape and the mesh has none of those, else the vertex values, else the value of the volume
// element behind it (not shaded without one, or past the palette's values).
//
// Masks: P2 triangles and P2 edges test bit 0 as it is (mask 1 rebuilds faces, wire, picking
// and the solution lists, not the arrows or the numbers); Q2 quadrilaterals replace it by the
// lists the scene and the record enable. Direct entries draw the numbers for P2 edges and Q2
// quadrilaterals only; the P2-edge one first prints "  ## direct list list of p2efr not
// implemented " on every call.
//
// Reached through the scene's hook table (zelInstallListHooks); each body follows the frame of
// ZelListFrame.h: 1 done, 0 when the record check refuses the record (no list touched). GUI
// thread, the scene's GL context current; nothing is allocated while a list compiles.
#pragma once

#include "zelvane/scene/ZelHooks.h"

int zelListUpdateP2Triangles(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectP2Triangles(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListUpdateP2Edges(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectP2Edges(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListUpdateQ2Quadrilaterals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectQ2Quadrilaterals(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
