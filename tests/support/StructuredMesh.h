// Generated test meshes: empty meshes of given capacities, and a box of nx x ny x nz unit
// cells on the grid vertices (i, j, k), vertex number 1 + i + (nx + 1) * (j + (ny + 1) * k).
#pragma once

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <utility>

#include "common/model/Mesh.h"

// Which element kinds to generate, by bit.
enum : unsigned {
  GEN_HEX = 1,   // one hexahedron per cell
  GEN_TET = 2,   // six tetrahedra per cell
  GEN_PRI = 4,   // two prisms per cell
  GEN_PYR = 8,   // six pyramids per cell, apex at an extra vertex in the cell centre
  GEN_QUA = 16,  // quadrilaterals on the bottom face (k = 0)
  GEN_TRI = 32,  // two triangles per bottom quadrilateral
  GEN_EFR = 64,  // boundary edges along the four sides of the bottom face
};

// An empty 3-D keyword-file mesh with room for count records of every {kind, count} given.
Geometric_Mesh *MakeSizedMesh(Memory_List *mem, std::initializer_list<std::pair<int, int>> counts);

// Every record is alive (tag bit 31) with reference 1; the mesh has dimension 3 and the box
// (0, 0, 0)-(nx, ny, nz).
Geometric_Mesh *MakeStructuredMesh(Memory_List *mem, int nx, int ny, int nz, unsigned kinds);

// Grid vertex number of (i, j, k).
int GridVertex(int nx, int ny, int i, int j, int k);

// Appends a record: zeroed, then the nodes given, alive, reference 1.
template <class Rec>
Rec &AddRecord(Rec *arr, int &count, std::initializer_list<int> ver = {}) {
  Rec &r = arr[++count];
  r = Rec{};
  std::copy(ver.begin(), ver.end(), r.Ver);
  r.Tag = TAG_ALIVE;
  r.Ref = 1;
  return r;
}

// Appends an alive vertex at (x, y, z) with the reference given (0 by default); returns its
// number. A vertex solution of the mesh follows the vertex count.
int AddVertex(Geometric_Mesh *msh, double x = 0, double y = 0, double z = 0, int ref = 0);

// The second-order copy of a linear mesh: its vertices, then one new vertex at the centre of
// every edge, of every quadrilateral face and of every hexahedron, shared by the elements
// that share it; its boundary edges, triangles, quadrilaterals, tetrahedra and hexahedra
// become P2 boundary edges, P2 triangles, Q2 quadrilaterals, P2 tetrahedra and Q2 hexahedra
// (same tag and reference, node orders as the mesh model lists them). Its other kinds are left
// out. With place, each new node goes where place moves it from the mean of its corners (a
// curved copy: place(p) projecting onto a sphere, say). Null on failure.
Geometric_Mesh *MakeSecondOrderCopy(Memory_List *mem, const Geometric_Mesh *lin,
                                    const std::function<void(double p[3])> &place = {});

// A curved surface of 2 n^2 P2 triangles: the n x n squares over [-1, 1]^2 lifted onto the
// sphere of radius 2 about the origin, each cut along the diagonal from (i, j) to (i+1, j+1),
// with the edge nodes on the sphere. Null on failure.
Geometric_Mesh *MakeSphereCapP2(Memory_List *mem, int n);
