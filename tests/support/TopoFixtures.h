// Small meshes for the neighbour topology: shared faces, fans of triangles on one edge and
// mixed volume kinds (second-order copies of linear meshes: StructuredMesh.h).
#pragma once

struct Memory_List;
struct Geometric_Mesh;

// Tetrahedra (1 2 3 4) and (5 4 3 2): face 0 of the first is face 0 of the second; with
// sharedTriangle the triangle (2 3 4) on that face as well.
Geometric_Mesh *MakeTwoTetrahedra(Memory_List *mem, bool sharedTriangle = false);
// n triangles (1 2 k), k = 3 .. n + 2, all on the edge (1 2); with bdyEdge a boundary edge
// (2 1) as well. With p2 they are P2 triangles sharing the mid-node of (1 2), and the boundary
// edge a P2 boundary edge.
Geometric_Mesh *MakeTriangleFan(Memory_List *mem, int n, bool bdyEdge, bool p2);
// One hexahedron (cell [0,1]^3), a pyramid on its top face, a tetrahedron on each triangle of
// the pyramid, a prism on its front face (y = 0), the quadrilateral of its bottom face and the
// triangle of one free tetrahedron face.
Geometric_Mesh *MakeMixedBlock(Memory_List *mem);
// A strip of n quadrilaterals cut into 2n triangles: bottom vertices k = 1 .. n + 1 at (k, 0),
// top vertices S - k at (k, 1) with S = 2n + 3, so that every rung (k, S - k) has the node
// sum S and every diagonal S + 1. Triangle 2k - 1 is (k, k + 1, S - k), 2k is
// (k + 1, S - k - 1, S - k).
Geometric_Mesh *MakeEqualSumStrip(Memory_List *mem, int n);
// Gives the vertices new numbers by a random permutation (fixed seed), moving the vertex
// records and renumbering every element's nodes; the elements keep their order.
void RenumberVertices(Geometric_Mesh *msh, unsigned seed);
// Puts the records of every element kind in a random order (fixed seed), as a mesh generator
// numbers its elements in creation order, scattered in space; the vertices keep their numbers.
void ShuffleElements(Geometric_Mesh *msh, unsigned seed);
// Elements of every kind with random nodes among nbrVer vertices (fixed seed), count of each
// kind: faces shared by many elements of many kinds, copies of whole elements, and one element
// in sixteen dead. Tetrahedra come first in number, so that the volume pass may use threads.
Geometric_Mesh *MakeElementSoup(Memory_List *mem, unsigned seed, int nbrVer, int count);
// Surface elements of the four kinds, count of each, with random nodes among nbrVer vertices
// (fixed seed): edges shared by many elements of every kind, copies of whole elements, one
// element in sixteen dead; nbrEfr boundary edges and as many P2 boundary edges on random
// pairs, one in eight dead, in full arrays. With hub, vertex 1 is a corner of most elements.
Geometric_Mesh *MakeSurfaceSoup(Memory_List *mem, unsigned seed, int nbrVer, int count, int nbrEfr, bool hub);
// A star of 2 n^2 tetrahedra: the triangles of a sheet of n x n squares, each coned to one
// centre vertex numbered first or last; no triangles.
Geometric_Mesh *MakeTetrahedronStar(Memory_List *mem, int n, bool centreFirst);
// Fans of triangles (hub, s, s') about hubs 1, 2, ..., n triangles in all, their spokes among
// about a million vertices. crafted: every spoke (hub, s) is chosen so that the surface pass's
// edge table of n triangles, had it kept the fixed multiplier of its bucket choice
// (OldEdgeBucket), would put all the spokes in one bucket; otherwise the spokes of a hub are
// consecutive vertices. The two have the same size and shape.
Geometric_Mesh *MakeSpokeFans(Memory_List *mem, int n, bool crafted);
// The bucket that the edge key (a, b), a < b, had in a table of nbrBuckets buckets when the
// bucket choice had no salt.
int OldEdgeBucket(int a, int b, int nbrBuckets);
