// The section outline and the frame of a clip plane, drawn in immediate mode on top of the
// display lists on every paint, for every plane whose bit is set in the shown mask.
//
// The outline is where the plane crosses the visible triangles and quadrilaterals (one segment
// per cut triangle, one or two per cut quadrilateral), recomputed from the mesh at each paint
// into a chain of CoordArray chunks taken from the scene's memory list and freed right after
// drawing. The frame is where the plane crosses the view's box enlarged by 1 % on each side.
// Signed values are taken on mesh coordinates (ZelClipGeom.h), points placed on display
// coordinates. Nothing survives from one paint to the next.
//
// GUI thread only, with the view's GL context current. The scene engine reaches the bodies
// through zelSetFrameClip, zelSetFrameBox and zelSetCapClip of ZelHooks.h.
#pragma once

struct CoordArray;
typedef struct Zel_Scene ZelScene;

// Draws the outline of plane `plane` (0..31): the triangles first, then the quadrilaterals,
// each entity's records 1..NbrLst that are not hidden, elements of their chains that are alive
// and visible. A vertex is on the positive side when s >= 0. Colour: the plane index modulo 8
// in the reference table, or the highlight while the scene is in clip-edit mode (Mode 1).
// Returns 0 (nothing drawn) without scene, mesh, display mesh or plane record, or for a plane
// index outside 0..31; else 1. A chunk the memory list cannot give ends the process with
// "  ## ERROR: zelSetFrameClip: ALLOCATION FAILED FOR ARRAY tab \n" (or "prv->Nxt").
int zelSetFrameClipBody(ZelScene *scene, int plane);

// Draws the first nseg segments of the chain as GL_LINES (segment k of a chunk: points 2k and
// 2k + 1; 5000 segments per chunk). Colour: reference colour |colour| mod 21 as
// 0.2 + 0.8 c / 255, opaque, at width 3; with a non-zero highlight the colour bytes
// (120, 40, 120, 255) at width 5. Leaves line width 1, GL_POLYGON_OFFSET_LINE off and polygons
// filled.
void zelDrawFrameSegments(const CoordArray *first, int nseg, int colour, int highlight);

// Draws the frame of plane `plane` on the view's box: colour bytes (120, 40, 120, 1), width 2;
// an empty GL_LINES block when the plane misses the box. Returns 0 (nothing drawn) without
// scene, view, display mesh or plane record, or for a plane index outside 0..31; else 1.
int zelSetFrameBoxBody(ZelScene *scene, int plane);

// 1 when the scene has a mesh and a display mesh, else 0. Draws nothing: the caps are compiled
// into the volume lists (ZelCapping.h).
int zelSetCapClipBody(ZelScene *scene);
