// Generated test meshes: a box of nx x ny x nz unit cells on the grid vertices (i, j, k),
// vertex number 1 + i + (nx + 1) * (j + (ny + 1) * k).
#pragma once

struct Memory_List;
struct Geometric_Mesh;

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

// Every record is alive (tag bit 31) with reference 1; the mesh has dimension 3 and the box
// (0, 0, 0)-(nx, ny, nz).
Geometric_Mesh *MakeStructuredMesh(Memory_List *mem, int nx, int ny, int nz, unsigned kinds);

// Grid vertex number of (i, j, k).
int GridVertex(int nx, int ny, int i, int j, int k);

// The second-order copy of a linear mesh: its vertices, then one new vertex at the centre of
// every edge, of every quadrilateral face and of every hexahedron, shared by the elements
// that share it; its boundary edges, triangles, quadrilaterals, tetrahedra and hexahedra
// become P2 boundary edges, P2 triangles, Q2 quadrilaterals, P2 tetrahedra and Q2 hexahedra
// (same tag and reference, node orders as the mesh model lists them). Its other kinds are left
// out. Null on failure.
Geometric_Mesh *MakeSecondOrderCopy(Memory_List *mem, const Geometric_Mesh *lin);
