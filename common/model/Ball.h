// Vertex-to-element balls: for every vertex, the elements of one kind that use it, built in
// two linear passes (count, then fill) into compressed rows. Release with geoFreeStaticBall.
#pragma once

struct Memory_List;
struct Geometric_Mesh;
struct StaticBall;

// Alive elements of kind 5, 6, 7, 8, 9, 10, 49 or of the curved kinds 24, 27, 30, 33 (every
// node counts as a vertex of the element). Null when the mesh is null or has no element of
// that kind; any other kind ends the process.
StaticBall *geoGetVer2Ent(Memory_List *mem, const Geometric_Mesh *msh, int kind);

// Every triangle, quadrilateral, tetrahedron or hexahedron, alive or not, by its vertices.
StaticBall *geoGetVer2Tri(Memory_List *mem, const Geometric_Mesh *msh);
StaticBall *geoGetVer2Qua(Memory_List *mem, const Geometric_Mesh *msh);
StaticBall *geoGetVer2Tet(Memory_List *mem, const Geometric_Mesh *msh);
StaticBall *geoGetVer2Hex(Memory_List *mem, const Geometric_Mesh *msh);
