// The picked-item report: what the terminal of a window says about the item the user picked.
//
// After a pick (ZelPick.h) the item is described as HTML paragraphs for the terminal widget:
// its kind and number, its nodes and reference, optionally the reports of its vertices, the
// corner and dihedral angles of a triangle and the values of the solution fields the user
// chose. Everything leaves through pterm (ZelHooks.h), which shows it in the window's terminal
// and echoes it without tags on standard output; paragraphs are composed whole, whatever their
// length. The verbose mask of the scene options (ZelSceneOptions::verbose) chooses what is
// printed; the pick-information panel edits it.
//
// Every report takes the scene and the item's index and prints nothing when the scene, its
// mesh or its options are missing. The index is checked by the caller (zelPrintPickTerm); the
// reports still refuse one out of range rather than read outside the mesh. GUI thread only.
#pragma once

#include <cstdint>

typedef struct Zel_Scene ZelScene;

// Bits of the verbose mask.
enum : uint32_t {
  ZelVrbFields = 0xFFFF,        // bit k: print solution field k (bits past the field count ignored)
  ZelVrbCoordinates = 0x8000,   // the vertex line carries the coordinates
  ZelVrbVertices = 0x10000,     // an element report is followed by the reports of its nodes
  ZelVrbAngles = 0x20000,       // triangle corner angles
  ZelVrbDihedral = 0x40000,     // triangle dihedral angles
  ZelVrbNeighbours = 0x80000,   // neighbours: a note on standard output only
  ZelVrbDistance = 0x100000,    // distance mode of picking
};

// One report per kind; an element report is its header line(s), the neighbours note, a
// triangle's angles, the reports of its nodes and the solution paragraph of the solution at
// its kind (triangles and P2 triangles read the one at triangles, quadrilaterals and Q2 ones
// at quadrilaterals, and so on; edges and normals have none).
void zelPrintVertexInfo(ZelScene *scene, int index);
// The vertex line with its coordinates (verbose bit 0x8000), then its solution paragraph.
void zelPrintCoordinates(ZelScene *scene, int index);
void zelPrintEdgeInfo(ZelScene *scene, int index);
void zelPrintP2EdgeInfo(ZelScene *scene, int index);
// A triangle whose tag lacks the alive bit is reported dead: no header, angles or node
// reports, the solution paragraph still follows.
void zelPrintTriangleInfo(ZelScene *scene, int index);
void zelPrintP2TriangleInfo(ZelScene *scene, int index);
void zelPrintQuadrilateralInfo(ZelScene *scene, int index);
void zelPrintP2QuadrilateralInfo(ZelScene *scene, int index);
void zelPrintTetrahedronInfo(ZelScene *scene, int index);
void zelPrintP2TetrahedronInfo(ZelScene *scene, int index);
void zelPrintPyramidInfo(ZelScene *scene, int index);
void zelPrintPrismInfo(ZelScene *scene, int index);
void zelPrintHexahedronInfo(ZelScene *scene, int index);
void zelPrintP2HexahedronInfo(ZelScene *scene, int index);
// The normal's line, then the report of the vertex it is attached to (none when it has none).
void zelPrintNormalInfo(ZelScene *scene, int index);

// The report of one kind code: 1 printed, 0 for a kind without a report (nothing printed).
int zelPrintItemInfo(ZelScene *scene, int kind, int index);

// " ****** deactivated  zelPrintNeighbors " on standard output when the scene has a mesh.
void zelPrintNeighbors(ZelScene *scene);
// Distance between two picks: when neither is a vertex the green refusal naming both kinds;
// when one is a vertex nothing is printed.
void zelPrintDistance(ZelScene *scene, const int index[2], const int kind[2]);

// Reports no part of the viewer calls, kept for the panels that may offer them. Triangles only;
// any other kind prints that it is not implemented.
// Edge lengths of a triangle, and with a metric field at vertices their lengths in the metric.
void zelPrintLength(ZelScene *scene, int kind, int index);
// Quality hmax x s / A of a triangle (s the half perimeter, A its area), at most 1e10.
void zelPrintQuality(ZelScene *scene, int kind, int index);
// Side lengths of a triangle, one line per side.
void zelPrintTriLenght(ZelScene *scene, int kind, int index);

// Geometry of the angle reports, in degrees; "not available" is NaN.
// Corner angles of the triangle p0 p1 p2: NaN at a corner with a zero-length side.
void zelTriangleAngles(const double p[3][3], double angle[3]);
// Angle between the unit normals of two triangles; NaN when either normal has zero length.
double zelDihedralAngle(const double a[3][3], const double b[3][3]);
