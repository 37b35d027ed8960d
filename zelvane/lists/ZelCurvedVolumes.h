// Display lists of P2 tetrahedra (kind 30) and Q2 hexahedra (kind 33).
//
// Over the volume face walker of ZelVolumeFaces.h, with its face rule and the rows
// ZelP2TetKind and ZelQ2HexKind: every face that nothing covers is a curved patch (a P2
// tetrahedron face is one six-node patch, a Q2 hexahedron face two, split along its diagonal
// from its first to its third corner with the face node as the diagonal's middle) drawn on
// the quadratic lattice of ZelP2Patch.h at the record's tessellation level (at most 63),
// shrunk twice with the record's factor toward the element centre, the mean of every node
// (sum / 10.0 and / 27.0). The wire draws each curved edge of which a face shows, pulled
// toward the edge's own centre (0.333 times its three nodes; P2 tetrahedra) or the element
// centre (Q2 hexahedra). Picking colours the faces in the scene's volume mode (0x20000) only.
// Normal arrows stand at the patch point (0.333, 0.333) of the shown faces (P2 tetrahedra) or
// at the face node of all six faces (Q2 hexahedra). Numbers, vector arrows (from the
// vertices times the record's factor) and metric glyphs (Q2 hexahedra) cover every node once.
//
// Shading takes the element's own value when the field lies on the linear kind and the mesh
// has none of those, else the vertex values; iso-lines need vertex values. The iso-surface
// list holds one empty triangle block; Q2 hexahedra print "  IsoSrfLoop invalid ..... Hex Q2
// : todo " whenever it is asked for, and " q2-face  drawn for q2-hex %d \n" (the shown faces)
// after each faces pass that had a topology or a plane to judge by.
//
// While a clip plane is on, the faces, wire, picking, arrows and numbers (and every P2
// tetrahedron list) cover the cut elements only; the Q2 hexahedron solution lists cover every
// drawable element. With the scene's capping flag as well, the faces, wire, picking, shading
// and iso-line lists show the cap of the cut elements, made on their corner nodes, as the
// linear tetrahedra and hexahedra show theirs (zelVolumeCapPasses); the direct entry never
// caps.
//
// Reached through the scene's hook table (zelInstallListHooks); 1 done, 0 when the record
// check refuses the record. GUI thread, the scene's GL context current; nothing is allocated
// while a list compiles, but the cap (plain memory for the time of one update call).
#pragma once

#include "zelvane/scene/ZelHooks.h"

int zelListUpdateP2Tetrahedra(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectP2Tetrahedra(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListUpdateQ2Hexahedra(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
int zelListDirectQ2Hexahedra(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec);
