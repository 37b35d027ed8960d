// Saving a mesh as a keyword mesh file (".meshb" binary, ".mesh" text). Sections that would
// hold no line are left out, which readers of the format that refuse them rely on.
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

// The format version the writers give the file name for the mesh: 2 (64-bit reals, 32-bit
// section positions), which every reader of the format takes, unless the file is binary and
// could pass 2 GB with every record of the mesh written: its positions then need version 3.
// Text files carry no positions and are always version 2.
int MeshWriteVersion(const char *name, const Geometric_Mesh *mesh);
