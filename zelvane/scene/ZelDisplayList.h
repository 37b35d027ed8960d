// Display-list management: the display records of every element kind, the rebuilds sent to
// the list builders, the option changes the panels ask for, and the main lists composed on
// every frame.
//
// Everything a scene shows is compiled into OpenGL display lists at two levels. Each display
// record (ZelEntDisplayList, one per element kind and reference) owns 14 lists that the
// builders of the lists library compile; the scene owns the main lists (ZelScene::MainLst),
// recompiled on every frame, which only call the records' lists in a fixed order with the
// colours, clip plane, polygon offset and blending set around them. With the immediate bit
// (ZelRndImmediate) in the scene's render word the main lists call the builders' direct-draw
// entries in place of the records' lists.
//
// The builders are reached through the hook table (ZelHooks.h) by record kind; the scene calls
// the panels' stored preferences and the window's widget refresh by name. Everything runs on
// the GUI thread; every rebuild, composition and drawing first makes the scene's OpenGL
// context current (zelMakeCurrent).
#pragma once

#include <cstdint>

#include "zelvane/scene/ZelHooks.h"

struct Memory_List;
struct ZelEntDisplayList;
struct ZelMesh;
typedef struct Zel_Entity ZelEntity;
typedef struct Zel_Scene ZelScene;

// The option mask the panels pass with a render value and a solution value: each set bit
// copies one part of the values into a record.
typedef uint32_t ZelOptionMask;
enum : uint32_t {
  ZelOptRender = 0x1,          // render word = render value
  ZelOptSolution = 0x10,       // solution word = solution value
  ZelOptFaceMode = 0x2000,     // render bits 1-3 from the render value
  ZelOptLineMode = 0x4000,     // render bits 4-6
  ZelOptTransparent = 0x8000,  // render bit 7
  ZelOptLighting = 0x10000,    // render bit 0
  ZelOptArrows = 0x800,        // render bit 8
  ZelOptClipped = 0x1000,      // flag bit 1 (clipped) from bit 1 of the render value
  ZelOptShrink = 1u << 26,     // flag bit 2 (shrink) from bit 2 of the render value
  ZelOptShading = 0x20,        // solution bit 0 from the solution value
  ZelOptIsoLines = 0x40,       // solution bit 1
  ZelOptIsoSurfaces = 0x80,    // solution bit 2
  ZelOptVectors = 0x200,       // solution bit 3
  ZelOptMetric = 0x40000,      // solution bit 5
  ZelOptTessLevel = 0x20000,   // tessellation level = low byte of the render value
  ZelOptLineWidth = 1u << 27,  // line width = render value / 10
};

// Slots of the scene's main lists (ZelScene::MainLst).
enum : int {
  ZelMainEdgeWire = 1,     // edge wire
  ZelMainWire = 2,         // face and volume wire, called by zelDisplayGlList
  ZelMainFaces = 3,        // faces and volumes, called by zelDisplayGlList
  ZelMainIsoLines = 4,     // iso-lines under the clip plane
  ZelMainVectors = 6,
  ZelMainIsoSurfaces = 7,
  ZelMainArrows = 9,       // normal arrows
  ZelMainFeatures = 10,    // corners, required vertices and edges, ridges
  ZelMainMetric = 11,
  ZelMainNumbers = 13,     // element numbers
  ZelMainCapping = 14,     // capping faces
  ZelMainPoints = 15,      // vertex points
  ZelMainNormals = 17,     // normals at vertices
};

// Solution-list tags of zelCallSolList: the scene's solution bits of the lists.
enum : int {
  ZelTagShading = 32,
  ZelTagIsoLines = 64,
  ZelTagIsoSurfaces = 128,
  ZelTagCarried = 256,
  ZelTagVectors = 512,
  ZelTagMetric = 0x40000,
};

// Records --------------------------------------------------------------------------------------

// An array of n + 1 zeroed records (entry 0 unused) from the memory list; a failed allocation
// ends the process.
ZelEntDisplayList *zelNewEntDisplayList(Memory_List *mem, int n);
// Makes a record of kind `type` for reference `ref` whose chain starts at element `head`:
// flags 6 (clipped, shrink), 14 for the volume kinds (8, 9, 10, 30, 33, 49); the render
// defaults (zelIniRenderOption) with line mode 2 (no lines) for edges and P2 edges and line
// mode 1 for normals at vertices; the pointer word null; and 14 list ids reserved with
// glGenLists (4 markers, 2 faces, 1 wire, 6 solution, 1 picking) in the current context. The
// record's previous ids are not released: pass a zeroed record or release them first
// (zelReleaseDisplayListIds). 1 done, 0 for a null record.
int zelIniEntDisplayList(ZelEntDisplayList *record, int type, int ref, int head);
// Deletes the 14 lists of a record in the current context and zeroes their ids; nothing for a
// null record or ids never reserved.
void zelReleaseDisplayListIds(ZelEntDisplayList *record);
// Makes one record per reference group of the entity (records 1..NbrDep, capacity NbrDep + 100)
// and replaces its reference hash by one from reference to record index; prints
// "  type %s: number of list created: %d \n". Records of an earlier call are released first.
// Returns the number of records made, 0 for a null entity.
int iniDisplayLists(Memory_List *mem, ZelEntity *entity, int type);
// Makes every display record of the scene: clip planes cleared (masks 0, the 32 plane records
// of kind 203), picking id bases, the records of every kind, the stored display preferences
// and the widget refresh; then zelSetKindDisplayDefaults. 1 done, 0 without scene, display
// mesh or mesh.
int zelSetupDisplayLists(Memory_List *mem, ZelScene *scene);
// What the kinds present ask of a scene for it to show anything: the kinds word (2 edges,
// 4 faces, 8 volumes), edges in reference colours when there are neither faces nor volumes,
// volume display mode (0x20000) for volumes without faces, and for a mesh of vertices only the
// scene's VerOnly switch and vertex points (flag 8). Only sets; lists are not rebuilt. Also
// laid over a state carried from another mesh. Nothing without display mesh or mesh.
void zelSetKindDisplayDefaults(ZelScene *scene);
// The record of element `element` of kind `type`: the record of the element's group in the
// kind's entity, for kinds 4-10, 20, 24, 25, 27, 30, 33, 49. Null for a missing display mesh or
// entity, an element outside the entity or a group outside 1..NbrLst, and for kinds 200 and
// 201; kind 199 also prints "ZELGETDISLIST Not Implemented for KmfVolumeEdges". Any other
// kind is a program error: " ## ERROR: ZELGETDISLIST: TYPE %d IS UNKNOW \n" and the fatal
// exit.
ZelEntDisplayList *zelGetDisList(ZelMesh *zelMsh, int element, int type);

// Rebuilds -------------------------------------------------------------------------------------
// The mask (ZelListMask of the lists library: bit 0 every list, other bits single lists) is
// passed to the builders unchanged.

// Mask bits of the lists library the scene names: a picking list alone, and, with bit 0,
// every list but the picking one; every solution list; the iso-surfaces, vector arrows, metric
// glyphs and numbers alone; and a modifier of bit 0 or of single-list bits that keeps, of the
// lists asked, only those a change of the clip plane can change for the record's kind (the
// builder knows which).
enum : ZelListMask {
  ZelMaskPickingList = 0x200000,
  ZelMaskNoPicking = 0x10000000,
  ZelMaskSolutionLists = 0x10,
  ZelMaskIsoSurfaces = 0x80,
  ZelMaskVectors = 0x200,
  ZelMaskMetric = 0x40000,
  ZelMaskNumbers = 0x400000,
  ZelMaskCutOnly = 0x20000000,
};

// The first build of the lists of a scene a window shows: what zelUpdateAllDisplayLists(1)
// builds, except the picking lists of vertices, triangles and quadrilaterals, which the first
// picture does not need and which are the larger part of the work.
// They wait until zelBuildPendingPicking: before a pick, before any rebuild or option change
// (a rebuild of every list makes them itself), and once the window has painted its first
// frame. 1, 0 without scene or display mesh.
int zelUpdateFirstDisplayLists(ZelScene *scene);
// Builds the picking lists the first build left waiting, from the scene as it is now. 1 when
// some waited, else 0.
int zelBuildPendingPicking(ZelScene *scene);

// Calls the update builder of the record's kind; a kind without a builder prints
// "  Update of display list of type %s non-implemented \n" and gives 0. Returns the builder's
// result, 0 for a null scene or record.
int zelUpdateDisplayList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
// Records 1..NbrLst of one kind (4..49; other codes do nothing). 1, 0 without scene or display
// mesh.
int zelUpdateAllTypeDisplayLists(int type, ZelListMask mask, ZelScene *scene);
// Normals, vertices, triangles, P2 triangles, quadrilaterals, Q2 quadrilaterals, edges, P2
// edges and, in volume display mode only, tetrahedra, P2 tetrahedra, hexahedra, Q2 hexahedra,
// pyramids and prisms. Out of that mode the frame still draws the iso-surfaces, vector arrows,
// metric glyphs and numbers of the volume records, and those are rebuilt too when the mask
// asks for them (bit 0, their own bit, or 0x10 for the solution lists) and the record shows
// them: its iso-surfaces always, so that a field's change never leaves the old ones on screen;
// its arrows, glyphs and numbers once a build has filled them (ZelEntDisplayList::Held), since
// out of that mode only the surfaces draw theirs until full volumes have been shown. 1, 0
// without scene or display mesh.
int zelUpdateAllDisplayLists(ZelListMask mask, ZelScene *scene);
// The six volume kinds whatever the display mode. 1, 0 without scene or display mesh.
int zelUpdateVolTypeDisplayLists(ZelListMask mask, ZelScene *scene);
// Every list a change of the clip plane leaves stale, rebuilt: call it whenever the current
// plane is switched on or off, moved or marked anew, once its on word and its marking are
// final. Faces, edges and their solution lists keep theirs: GL clip plane 0 cuts them as they
// are drawn. The volume lists are built from the plane (the cut layer of the marked elements,
// the caps, the numbers and, for tetrahedra, the vectors of the cut elements). In volume
// display mode (0x20000) every list of the volume records that the plane can change is
// rebuilt; out of it only the vector arrows and numbers the frame still draws, as
// zelUpdateAllDisplayLists keeps them. Lists the plane cannot change (iso-surfaces, metric
// glyphs, the arrows of the kinds that draw them at every element) are left as they are.
// 1, 0 without scene or display mesh.
int zelUpdateClipDisplayLists(ZelScene *scene);
// Draws the selected part of one record in immediate mode through the direct-draw entry of its
// kind; Q2 quadrilaterals, Q2 hexahedra and pyramids first print
// "Type %s not implemented in zelDirectDrawDisplayList (dlist)\n"; a kind without a builder
// prints "  Direct draw of display list of type %s non-implemented \n" and gives 0.
int zelDirectDrawDisplayList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);

// Option changes -------------------------------------------------------------------------------
// They change record fields only; the caller rebuilds afterwards. 1 done, 0 for a null scene,
// display mesh or record.

int zelUpdateDisplayListOptions(ZelOptionMask optionMask, uint32_t render, uint32_t solution,
                                ZelScene *scene, ZelEntDisplayList *record);
// Edges and P2 edges.
int zelUpdateEdgeDisplayListsOptions(ZelOptionMask optionMask, uint32_t render, uint32_t solution,
                                     ZelScene *scene);
// Triangles, P2 triangles, quadrilaterals, Q2 quadrilaterals.
int zelUpdateFaceDisplayListsOptions(ZelOptionMask optionMask, uint32_t render, uint32_t solution,
                                     ZelScene *scene);
// Tetrahedra, P2 tetrahedra, hexahedra, Q2 hexahedra, pyramids, prisms.
int zelUpdateVolDisplayListsOptions(ZelOptionMask optionMask, uint32_t render, uint32_t solution,
                                    ZelScene *scene);
// The edge, face and volume families.
int zelUpdateAllDisplayListsOptions(ZelOptionMask optionMask, uint32_t render, uint32_t solution,
                                    ZelScene *scene);
// Every record of one kind, 5..49 (vertices are not changed through it; other codes do
// nothing).
int zelUpdateAllTypeDisplayListsOptions(int type, ZelOptionMask optionMask, uint32_t render,
                                        uint32_t solution, ZelScene *scene);

// Main lists -----------------------------------------------------------------------------------

// Composes the main lists: pass 1 everything (the wire and face lists, slots 2 and 3, compiled
// for zelDisplayGlList to call; every other slot called as it is made), pass 2 the overlay of
// a 2-D mesh (numbers, normals, points, clipped iso-lines, vector arrows, metric). A
// vertices-only scene stops after its points. 1 done, 0 without scene or display mesh.
int zelUpdateMainDisplayList(int pass, ZelScene *scene);
// Calls one solution list of every visible record of the entity: tag 64 list +1 of records
// with solution bit 1 (iso-lines), 128 list +3 with bit 2 (iso-surfaces), 512 list +2 with
// bit 3 (vectors), 0x40000 list +5 with bit 5 (metric); tags 32 and 256 call nothing; another
// tag prints "  warning: unknown tag for zelCallSolList %d \n" and gives 0. 1 otherwise, 0 for
// a null entity.
int zelCallSolList(ZelEntity *entity, int tag);

// The equation of GL clip plane 0 in display coordinates, from the scene's current clip plane
// (a, b, c, d) in mesh coordinates (the previous plane when a = b = c = 0 and the current one
// is not plane 0): (-a, -b, -c, -(a cx + b cy + c cz + d) InvDmaxSca), which keeps the side
// a x + b y + c z + d <= 0. 1 with the equation; 0 with (0, 0, 0, 0), which clips nothing,
// when the planes are off, the current plane is outside 0..31 or the scene has no planes.
int zelClipPlane0Equation(const ZelScene *scene, double eq[4]);
// Loads that equation into GL clip plane 0 (it applies under the current model-view matrix).
void zelSetClipPlane0(const ZelScene *scene);

// Reference colours for single calls, uncalled by the viewer: a GL colour from a nine-entry
// table, row (|ref| mod 21) mod 9 (the nine rows repeat past 8); and that colour
// faded toward white as t falls, each channel 255 - 255 t + c t.
void scRef(int ref);
void scRefCol(int ref, double t);
