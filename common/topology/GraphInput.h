// Input of graph partitioners: compressed adjacency of the tetrahedra and 0-based element to
// vertex arrays. No partitioner is linked into the viewer: the domain builders make the input
// and release it.
#pragma once

struct Function_Interface;
struct Geometric_Mesh;

// Rows of the face neighbours of every alive tetrahedron, 0-based: row t - 1 lists the
// tetrahedra across the faces of tetrahedron t that no surface element covers. *xadj gets
// NbrTet + 1 ints, *adjncy 4 NbrTet + 1, both from fi's memory list. 1 when built.
int metisTetGraph(Function_Interface *fi, const Geometric_Mesh *msh, int **xadj, int **adjncy);
// 0-based vertices of every tetrahedron (kind 8, 4 per element) or triangle (kind 6, 3 per
// element) into *eind, from fi's memory list. 1 when built.
int metisElementNodes(Function_Interface *fi, const Geometric_Mesh *msh, int kind, int **eind);

// Nothing for fewer than 2 parts (0); a null mesh or output sets error code 200 and gives 0;
// otherwise the input is built and released, and the result is 1. part is not written.
int metisDomainTet(Function_Interface *fi, int parts, const Geometric_Mesh *msh, int *part);
int metisDomainTetFast(Function_Interface *fi, int parts, const Geometric_Mesh *msh, int *part);
int metisDomainTri(Function_Interface *fi, int parts, const Geometric_Mesh *msh, int *part);
