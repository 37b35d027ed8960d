// The sample the viewer is tried on: a unit box of tetrahedra with its boundary triangles and
// a scalar field at the vertices, generated rather than shipped.
//
// The box has n x n x n cubic cells, each cut into six tetrahedra (reference 1) around its
// main diagonal; every boundary square is two triangles carrying the number of its side as
// reference: 1 x = 0, 2 x = 1, 3 y = 0, 4 y = 1, 5 z = 0, 6 z = 1. Vertex (i, j, k) is number
// 1 + i + (n + 1) (j + (n + 1) k) at (i / n, j / n, k / n). The field is zelSampleField of the
// vertex's position. n = 70 gives about two million tetrahedra and 58800 triangles.
#pragma once

struct Memory_List;
struct Function_Interface;
struct Geometric_Mesh;

// The box, every record alive; null when n < 1, when the counts would not fit an int or when
// the mesh cannot be allocated. The caller frees it with FreeCommonMesh.
Geometric_Mesh *zelMakeSampleBox(Memory_List *mem, int n);
// The sample field: smooth, not symmetric, between about -0.5 and 1.33 on the unit box.
double zelSampleField(const double x[3]);
// Writes the mesh (WriteMesh: ".meshb" binary, ".mesh" text) and, when solPath is not null, the
// field at its vertices as one scalar per vertex (".solb" binary, ".sol" text). 1 when every
// file was written, else 0.
int zelWriteSample(Function_Interface *fi, const char *meshPath, const char *solPath, Geometric_Mesh *msh);
