// Normal arrows of the last picked element.
//
// One arrow per face of the element, from the face's centre along its unit normal, a quarter
// of a display unit long with two short barbs; curved faces are evaluated as quadratic patches.
// Drawn in immediate mode in the current context (black, lines 2 wide); no list is built.
// GUI thread only.
#pragma once

typedef struct Zel_Scene ZelScene;

// Arrows of element `index` of kind `kind` (element kind codes), in display coordinates.
// 0 without scene, mesh or display mesh. An index out of range draws nothing. Kinds without
// faces (edges, P2 edges, normals at vertices, edges on faces) and any kind not drawn here
// print " ## WARNING: ZELDRAWNORMALS: TYPE %s IS UNKNOW \n" with the kind's name on standard
// error and draw nothing; vertices draw nothing. 1 otherwise.
int zelDrawNormals(ZelScene *scene, int kind, int index);

// One arrow inside an open glBegin(GL_LINES): from centre along the unit normal, 0.25 long,
// barbs 0.025 long at 12 degrees; normal is scaled to its quarter in place. A zero normal
// draws nothing.
void zelDrawNormalArrow(const float centre[3], float normal[3]);

// A quadratic triangle given by its corners p0 p1 p2 and mid-edge nodes p3 (p0p1), p4 (p1p2),
// p5 (p2p0): the arrow at the patch point (0.333, 0.333) along dP/du x dP/dv, normalised.
void zelDrawP2TriangleNormal(const float patch[6][3]);
// A quadratic quadrilateral (corners 0-3, mid-edge nodes 4-7, centre 8): the arrow at its
// centre node, from the patch on nodes 0, 1, 2 with mid-nodes 4, 5 and 8.
void zelDrawQ2QuadNormal(const float patch[9][3]);
