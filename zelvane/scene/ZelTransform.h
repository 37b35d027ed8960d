// Editing operations on the loaded mesh: translate, rotate or scale every vertex or only the
// vertices of the triangles (kind 6) or quadrilaterals (kind 7) of one reference, keeping the
// display coordinates in step; and extrude a 3-D surface mesh into layers of prisms and
// hexahedra. They change the mesh in place; no window calls them.
//
// centre and scale are the scene's centre and InvDmaxSca: a vertex's display coordinates are
// (p - centre) x scale. A reference below 0 selects every vertex; otherwise a vertex is
// selected when an element of the kind in its ball (built and kept in the mesh) has that
// reference. zelMsh may be null: then no display coordinate is written.
#pragma once

struct Memory_List;
struct Function_Interface;
struct Geometric_Mesh;
struct ZelMesh;

// Translation by t. With every vertex the display coordinates are left as they are.
int zelTransMesh(Memory_List *mem, ZelMesh *zelMsh, Geometric_Mesh *msh, const double centre[3],
                 int kind, int ref, const double t[3], double scale);
// Rotation R = Rz(-az) Ry(ay) Rx(-ax) about the mean of the vertices concerned (aboutCentre
// non-zero) or the origin. angles come in degrees and are written back in radians.
int zelRotatMesh(Memory_List *mem, ZelMesh *zelMsh, Geometric_Mesh *msh, const double centre[3],
                 int kind, int ref, int aboutCentre, double angles[3], double scale);
// Scaling by f about the origin.
int zelSclMesh(Memory_List *mem, ZelMesh *zelMsh, Geometric_Mesh *msh, const double centre[3],
               int kind, int ref, const double f[3], double scale);
// Extrusion along d into N layers of step h: every vertex repeated per layer, the surface
// copied on the top layer, prisms from triangles, hexahedra from quadrilaterals, side
// quadrilaterals from boundary edges and side edges from the vertices whose two lowest tag bits
// are set. 0 (mesh unchanged but for arrays already grown) for a 2-D mesh, a mesh with volumes
// or curved surfaces or without vertices, N < 1, a side parallel to d, or a failed growth.
int zelExtrude(Function_Interface *fi, Geometric_Mesh *msh, const double d[3], int N, double h);
