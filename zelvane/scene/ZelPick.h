// Picking: which mesh item lies under the mouse.
//
// A pick draws the scene once more, every item in the flat colour of its picking id (the
// picking lists the builders compile), into the buffer the current framebuffer offers (the back
// buffer of a double-buffered default framebuffer, else the colour attachment of the bound
// framebuffer object), and reads back the one pixel under the cursor; nothing reaches the
// front buffer. The id decodes to a kind and an index (ZelColorRange). The result goes on the
// scene's picked stack, which the view highlights, and is reported in the terminal
// (ZelReport.h).
//
// Pick kinds: 4 element, 1 vertex, 2 edge on a face, 8 normal vector. Result kinds are element
// kind codes, plus 200 (a side of a linear triangle, as its two vertices) and 201 (a side of a
// P2 triangle, as its three nodes).
//
// GUI thread only, with the scene's GL context current. The distance mode remembers one first
// pick per process, shared by all scenes.
#pragma once

#include <cstdint>

struct GeoHybridStack;
typedef struct Zel_Scene ZelScene;

enum : int { ZelPickElement = 4, ZelPickVertex = 1, ZelPickEdgeOnFace = 2, ZelPickNormal = 8 };

// Performs the pick of that kind at window position (x, y) in framebuffer pixels, y from the
// top: stacks and reports the item. 1 when an item was picked or unpicked (picking the same
// item twice unpicks it, silently), else 0: nothing under the cursor, no colour-id table,
// display mesh, mesh or camera.
int zelPickingScene(int kind, ZelScene *scene, int x, int y);

// Reports a picked item in the terminal: the report of its kind (index checked first), or for
// 200 and 201 the side's vertices. Nothing without a mesh or for an index out of range.
void zelPrintPickTerm(ZelScene *scene, int kind, int index, int second, int third);

// Loads the current clip plane into GL clip plane 0 while the planes are on.
void zelGlClipPlane(ZelScene *scene);

// Reads the whole viewport and prints the first byte that is not 0, 6..11 or 14, else
// "done ". Nothing in the viewer calls it.
void zelGetWindowPix(ZelScene *scene);

// ---- The rules of a pick, without GL ------------------------------------------------------

// Index of the point nearest (x, y) among n window points (x0 y0 x1 y1 ...): least squared
// distance, the earlier on a tie; -1 for n < 1 or when no distance compares (NaN).
int zelNearestPoint(const double *pts, int n, double x, double y);

// Distance from (x, y) to the line through a and b; to a itself when a and b coincide.
double zelLineDistance(const double a[2], const double b[2], double x, double y);

// Side nearest (x, y) among n sides, side k from point side[k][0] to side[k][1] of pts: least
// line distance, a later side winning only when strictly nearer; -1 when none compares.
int zelNearestSide(const double *pts, const int (*side)[2], int n, double x, double y);

// Stack updates of a pick; each returns 1 when the pick undid the one on top (the same item
// picked again), which is then off the stack, else 0 with the new pick on top. No push goes
// past the capacity, no pop below the bottom.
// One item: the top entry is replaced by it (an empty stack gets it as its first entry).
int zelPushPickedItem(GeoHybridStack *stk, int index, int kind);
// A side of a linear triangle: the two top entries are taken off and the two vertices pushed,
// unless they were that side (kind 200, either order).
int zelPushPickedSide(GeoHybridStack *stk, const int ver[2]);
// A side of a P2 triangle (ends p q, middle node r): the three top entries are taken off and
// the nodes pushed, unless they held that side (kind 201) as (p q r), (q p r), (p r q) or (r q p).
int zelPushPickedP2Side(GeoHybridStack *stk, const int ver[3]);
