// Small meshes written element by element, and scenes opened on them without a window, for
// the tests of the scene engine and of the layers above it.
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "tests/support/StructuredMesh.h"  // AddVertex

struct Memory_List;
struct Common_MthParallel;
struct Geometric_Mesh;
struct ZelSceneOptions;
typedef struct Zel_Scene ZelScene;

// A mesh of dimension dim with room for (kind, capacity) pairs and, when fieldTypes is not
// empty, a vertex solution of those field types for every vertex slot. Every count is 0.
Geometric_Mesh *NewRoomyMesh(Memory_List *mem, int dim, std::initializer_list<std::pair<int, int>> room,
                             const std::vector<int> &fieldTypes = {});
// Appends an alive element of the kind with these nodes; returns its number.
int AddElement(Geometric_Mesh *msh, int kind, std::initializer_list<int> nodes, int ref);
// A 2-D grid of nx x ny unit squares on the vertices (i, j), vertex 1 + i + (nx + 1) j, each
// square cut into the triangles (a, b, c) and (a, c, d) of reference 1; with vertex fields of
// the given types and room for edgeRoom boundary edges.
Geometric_Mesh *TriangleGrid(Memory_List *mem, int nx, int ny, const std::vector<int> &fieldTypes = {},
                             int edgeRoom = 0);
// Value slot of component c of field k at vertex v (fields laid out one after another).
double &VertexValue(Geometric_Mesh *msh, int v, int field, int c = 0);

// The road of one mesh file, without a window: topology, everything visible, display mesh,
// scene, options (opt copied in when given), completion, both ownership flags, display
// coordinates. The scene owns the mesh.
ZelScene *OpenHeadless(Memory_List *mem, Common_MthParallel *par, Geometric_Mesh *msh,
                       const ZelSceneOptions *opt = nullptr);
