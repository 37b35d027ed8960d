// Mesh edits behind the editing tools: the part that changes the mesh records and the display
// records, without widgets.
//
// The tool windows (ChgRefBox, DelBox, AddVerTyp, DetectEfr, TopoBox) and the bottom bar's
// "New Ref" collect what to change and call these; the functions write the mesh in place, keep
// every display record's element chain equal to the live elements of its reference, and rebuild
// exactly the records they touched through the list builders of the scene's hook table (with the
// scene's GL context made current first). Nothing here opens a box: a refusal comes back as a
// result, and the caller decides what the user is told.
//
// Rules every edit keeps:
// - A walk over triangles crosses local edge i of triangle t only to a live triangle: edge i
//   carries no boundary edge (tag bit 16 + i clear), the neighbour kind in VoiTyp is VOI_TRI, and
//   the slot holds 1..NbrTri with the alive bit. So walks never enter quadrilaterals, entry 0 (a
//   free edge) or deleted triangles.
// - A reference change finds or makes the new reference's record before it writes anything;
//   when the record array is full nothing changes (ZelEditNoRoom).
// - Moved elements leave every old record that held one of them (one chain walk per record) and
//   go to the front of the new record's chain; elements already in the new record stay.
// - The reference hash is grown through geoAddHybridHash; when it cannot grow (or is missing) the
//   process ends through myexit with the caller's message and code 100.
//
// GUI thread only (the list builders need the scene's GL context).
#pragma once

#include <vector>

struct Geometric_Mesh;
struct Memory_List;
struct ZelEntDisplayList;
typedef struct Zel_Entity ZelEntity;
typedef struct Zel_Scene ZelScene;

// Results of the edits that can be refused.
enum : int {
  ZelEditNoRoom = -1,  // no record for the new reference could be had; nothing changed
  ZelEditNothing = 0,  // missing scene, mesh, display mesh, entity or elements; nothing changed
  ZelEditDone = 1,
};

// The triangle across local edge i (0..2) of triangle t, when the walks may go there (rules
// above); else 0. t must be 1..NbrTri.
int zelTriNeighbour(const Geometric_Mesh *msh, int t, int i);

// Record of reference `ref` in the entity of `kind`: the one the reference hash gives, else a
// new one (NbrLst + 1, entered in the hash, made empty with zelIniEntDisplayList, so the GL
// context must be current). 0 when none is found and the record array is full. *made (may be
// null) tells whether the record is new. A hash that cannot grow or is missing ends the process
// with `fatal`.
int zelEditRecordOf(Memory_List *mem, ZelEntity *ent, int kind, int ref, const char *fatal,
                    bool *made = nullptr);

// Gives elements[0..n) of kind 5, 6 or 7 reference `ref` in the mesh and moves them to its
// display record; numbers outside 1..count are skipped. Rebuilds (mask 1) every old record that
// lost an element, then the new record. ZelEditDone, ZelEditNoRoom (nothing written) or
// ZelEditNothing (no element, or no scene, mesh, display mesh, entity or links).
int zelEditChangeRef(ZelScene *scene, int kind, const int *elements, int n, int ref, const char *fatal);

// The delimited-area walk of the Change References tool: from a live seed triangle, every
// triangle reachable without crossing a boundary edge (whatever their references), depth first,
// appended to `out` in the order they are taken off the stack. Takes a fresh walk mark (the
// mesh's mark counter plus one, stored in each triangle reached). Appends nothing for a seed
// outside 1..NbrTri or dead; returns the number appended. The stack is one array of NbrTri + 1
// ints from the memory list (0 appended when it cannot be had).
int zelDelimAreaTri(Geometric_Mesh *msh, Memory_List *mem, int seed, std::vector<int> &out);

// Gives reference newRef to the connected patch of triangle tri's reference around tri (fill
// across every edge the walks may cross, only into triangles of that reference), moves the
// patch to newRef's record and rebuilds the old and the new record. Prints " iNewList %d \n"
// when the record exists, " itri inxt %d %d \n" per element of the old chain walked,
// "  UPDATE newLst Dep = %d \n" with the old chain's head, then "  ******** DONE  " and a line
// end. 1 done, and 1 without a word when tri already carries newRef; 0 (nothing changed) without
// scene, mesh, display mesh, triangle entity or links, for tri outside 1..NbrTri or dead, when a
// new record is needed and the record array is full, or when the stack cannot be had.
int zel_chgreftri(ZelScene *scene, int tri, int newRef);

// Adds one boundary edge of reference `ref` and edge kind `kind` (low two tag bits) along local
// edge i of triangle tri, in a display record of its own (NbrLst + 1; the reference hash is
// neither read nor written), and builds that record. The neighbour across the edge, when the
// walks may go there, gets the edge on its side with the same vertices. 1 added; 0 (nothing
// changed) without scene, mesh, display mesh, triangle entity and links or edge entity, for tri
// outside 1..NbrTri or dead, i outside 0..2, a full edge array, a full record array or an edge
// that already carries a boundary edge. Prints "  UPDATE newLst Dep = %d \n" with the new edge.
int zel_addefr(ZelScene *scene, int tri, int i, int ref, int kind);

// One boundary edge the Edges Detection analysis proposes: its two vertices, two spare ints,
// then the triangles on either side.
struct ZelEdgeCandidate {
  int Ver[2];
  int Res[2];
  int Tri[2];
};

// Edges Detection's mesh update: appends the candidates as boundary edges of reference ref
// (type row 1 ridges, 2 required edges, 0 plain, any other a tag of 0 before the visible bit),
// growing the edge array when needed ("#### WARNING: LOADEDGES: REALLOC BDYEDGES %d\n" on
// standard error), puts each on the sides of its live triangles with the same vertices, sets the
// scene's display and content words and the mesh flags of the type, grows or makes the edge
// entity, links the edges in order at the end of the reference's record (found or made, fatal
// message " ZEL_DETECTEFR: HASHTAB FULL CANNOT ADD") and rebuilds every edge record.
// ZelEditNothing for no candidate or no scene, mesh or display mesh; ZelEditNoRoom when the
// reference has no record and the record array is full (nothing changed).
int zelAddBdyEdges(ZelScene *scene, const ZelEdgeCandidate *cand, int n, int ref, int typeRow);

// Delete's mesh update: the triangles[0..n) in 1..NbrTri lose their alive and visible bits,
// the record is hidden (flag 1, with ZelLstHiddenByEdit unless the user hid it already, so that
// states, and the reload they carry the display across, leave this hiding out) and loses its
// dead elements (its chain is empty when the selection was the whole chain), and it is rebuilt
// so that showing it again draws no deleted triangle. ZelEditNothing without scene, mesh,
// display mesh, triangle entity or record.
int zelDeleteTriangles(ZelScene *scene, ZelEntDisplayList *record, const int *triangles, int n);

// Add Vertex Type's mesh update on vertex v: row 2 "Required" (tag |= 0x40000003, mesh flag 2,
// scene shows required vertices), row 1 "Corner" (tag |= 4, mesh flag 1, scene shows corners);
// any other row clears the marks the tool sets (bits 30, 2, 1 and 0) and keeps the vertex. The
// content word gets bit 1 for rows 1 and 2. ZelEditNothing for v outside 1..NbrVer or no scene
// or mesh.
int zelSetVertexType(ZelScene *scene, int v, int row);

// The swap of an edge (b, c) shared by triangles Tri[0] = (a, b, c) and Tri[1] = (d, b, c),
// a, b, c in Tri[0]'s turning order: the two become dead and leave their records, the new
// triangles (a, b, d) and (c, a, d) (numbers NbrTri + 1, NbrTri + 2) take reference `ref`, the
// alive and visible bits and the sides of the old ones (their neighbours point to them), and are
// linked at the end of ref's record. The pick history loses two entries, the picking bases are
// recomputed, every triangle record is rebuilt. ZelEditNothing when the selection is not two
// live triangles sharing (b, c) with a and d opposite, or no scene, mesh or display mesh;
// ZelEditNoRoom when ref has no record and the record array is full (nothing changed).
struct ZelSwapSelection {
  int Tri[2];
  int A, B, C, D;
};
int zelSwapTriangles(ZelScene *scene, const ZelSwapSelection &sel, int ref);
