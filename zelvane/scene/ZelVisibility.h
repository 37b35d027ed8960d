// Visibility of the mesh's records and the mini mesh.
//
// Every vertex and element carries a visible bit (TAG_VISIBLE) in its tag word; the builders
// draw a record only when it is alive and visible. These operations set and clear that bit:
// all at once, or layer by layer in the mini-mesh mode, where a small patch around the last
// picked item grows and shrinks one layer of elements at a time. Elements follow their corner
// vertices: the mini mesh lives in the vertex entity's Lvl (0 outside, l >= 1 the layer at
// which the vertex joined) and the display mesh's MiniLvl (the outermost layer, 0 until a mini
// mesh is started).
//
// Kinds covered: vertices, boundary edges, P2 edges, triangles, P2 triangles, quadrilaterals,
// Q2 quadrilaterals, tetrahedra, P2 tetrahedra, pyramids, prisms, hexahedra, Q2 hexahedra.
// GUI thread; tags change through the atomic helpers. The caller rebuilds the lists after.
#pragma once

struct Geometric_Mesh;
struct ParallelPool;
struct ZelMesh;
typedef struct Zel_Scene ZelScene;

// Sets (clears) the visible bit of every record of the covered kinds; 1, 0 for a null mesh.
int zelSetAllVisible(Geometric_Mesh *msh);
int zelDelAllVisible(Geometric_Mesh *msh);
// zelSetAllVisible with the records shared by the pool's threads when pool is not null (the
// calling thread must control the pool).
int zelSetAllVisibleOnPool(Geometric_Mesh *msh, ParallelPool *pool);
// Each element is visible exactly when all its corner vertices are; each entity's NbrVis
// counts its visible elements. 1, 0 for a null argument.
int zelUpdateVisibility(ZelMesh *zelMsh, Geometric_Mesh *msh);

// Starts the mini mesh at the last picked item: only that item and the elements whose corners
// are all among its nodes show (a picked vertex shows its first layer of elements at once).
// 1 started; 1 with nothing changed for an edge picked on a face; 0 with nothing changed for
// an empty pick stack, an index out of range or a kind without mini mesh (which is named).
int zelInitMiniMesh(ZelScene *scene);
// One layer more: every element touching the mini mesh shows and its new corners join the
// next layer (hidden until the next call). 0 with nothing changed before a mini mesh is
// started or when an array is missing; else 1.
int zelOneMoreVisible(ZelScene *scene, ZelMesh *zelMsh, Geometric_Mesh *msh);
// One layer less; 0 with nothing changed at layer 1, before a start, or for a missing array.
int zelOneLessVisible(ZelMesh *zelMsh, Geometric_Mesh *msh);
// Vertices strictly inside the box (xmin ymin zmin xmax ymax zmax) show at level 1, the others
// hide at level 0; then the elements follow. 1, 0 for a null argument.
int zelSetBoxVisible(ZelMesh *zelMsh, Geometric_Mesh *msh, const double box[6]);

// Entries without a caller in the viewer.
// Box start around the last picked boundary edge, triangle or quadrilateral.
int zelInitMiniMesh0(ZelScene *scene);
// Start from the triangles of one reference (other kinds start empty).
int zelInitMiniMeshRef(ZelScene *scene, int type, int ref);
int zelDelAllLevel(Geometric_Mesh *msh, ZelMesh *zelMsh);
int zelUpdateEfrVisibility(Geometric_Mesh *msh, ZelMesh *zelMsh, int index, int type);
// Show (hide) the triangles of one reference.
int zelRefVisibility(Geometric_Mesh *msh, int ref, int type);
int zelRefInVisibility(Geometric_Mesh *msh, int ref, int type);
int zelSetRefVisible();
// Whether the vertices form an element of that kind: not provided, always 0.
int zelCheckEntFromVer(ZelScene *scene, int kind, int count, const int *ver);
int zelInitMiniMeshFromVer(ZelScene *scene, int kind, int count, const int *ver);
int zelGetShellVisible(void *a, void *b);
int zelUpdate2dEntVisibility(Geometric_Mesh *msh, ZelMesh *zelMsh);
int zelUpdate3dEntVisibility(void *a, void *b);
