// Saving a mesh as a keyword mesh file (version 3; ".meshb" binary, ".mesh" text).
#pragma once

struct Function_Interface;
struct Geometric_Mesh;

// Every alive vertex and element, renumbering the vertices when dead ones are dropped;
// elements that use a dead or missing vertex are left out. 1 on success, 0 on failure.
int WriteMesh(Function_Interface *fi, const char *name, Geometric_Mesh *mesh);
// The marked part: vertices alive, visible and with user bits 1; elements alive, visible,
// with user bits 0 and all their vertices selected. Vertices are renumbered.
int WriteSubMesh(Function_Interface *fi, const char *name, Geometric_Mesh *mesh);
// Vertices, triangles, tetrahedra and boundary edges as stored, without looking at the alive
// bit, with corners, required vertices, ridges and required edges.
int WriteSimplicialMesh(Function_Interface *fi, const char *name, Geometric_Mesh *mesh);
