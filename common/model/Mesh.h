// The in-memory mesh and its solution fields: what the loaders fill, the topology completes,
// the scene wraps for display and the display-list builders walk.
//
// Every element array is 1-based: element i is entry i, entry 0 is allocated and left empty
// (cleared), so an array of capacity C holds C + 1 records. Node numbers in the records are
// 1-based vertex numbers. Records are kept small and flat: meshes of tens of millions of
// elements must fit.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdint>

#include "common/load/FileNames.h"  // getBaseName, getPrintName, GetFilVer: the mesh's file names
#include "common/model/ElementKind.h"

struct Memory_List;

// Tag word of every element and vertex (unsigned 32-bit).
enum : uint32_t {
  TAG_ALIVE = 1u << 31,     // valid element or vertex; walkers skip records without it
  TAG_REQUIRED = 1u << 30,  // required vertex, required edge, corner
  TAG_FLG = 1u << 29,       // free mark for algorithms
  TAG_CLIPPED = 1u << 28,   // set by clipping
  TAG_VISIBLE = 1u << 27,   // set by the visibility pass; drawn when alive and visible
  TAG_USR = 3u << 24,       // two user bits
  TAG_SWP = 3u << 22,
  TAG_EDGE_MARKS = 0x3Fu << 16,  // edge marks: 16-21 of a tetrahedron, 16-18 of a triangle
  TAG_BDY_FACES = 0x3Fu << 8,    // face f of an element is a boundary face: bit 8 + f
  TAG_CORNER = 4,                // vertex: corner (not smoothable)
  TAG_RIDGE = 4,                 // boundary edge: ridge
  TAG_VER_TYPE = 3,              // vertex type; 3 ends a line of boundary edges
  TAG_NONMANIFOLD = 3,           // boundary edge: shared by three or more triangles
  TAG_CONFIG = 7,                // configuration of quadrilaterals and the linear volumes
};

// Bit of face f (0..5) in the boundary-face marks.
inline uint32_t TagBdyFace(int f) { return 256u << f; }
// Bit of local edge i in the edge marks (a triangle's edge i carries a boundary edge).
inline uint32_t TagEdgeMark(int i) { return 1u << (16 + i); }

// Tag words are written by the topology thread and by the clipping and visibility passes while
// other threads read them: bit changes that may race go through these.
inline uint32_t TagAtomicOr(uint32_t *tag, uint32_t bits) {
  return __atomic_fetch_or(tag, bits, __ATOMIC_RELAXED);
}
inline uint32_t TagAtomicAnd(uint32_t *tag, uint32_t bits) {
  return __atomic_fetch_and(tag, bits, __ATOMIC_RELAXED);
}
inline uint32_t TagAtomicLoad(const uint32_t *tag) { return __atomic_load_n(tag, __ATOMIC_RELAXED); }

// Mesh flag word GeoFlags.
enum : uint32_t {
  GEO_CORNERS = 1,          // corners were read
  GEO_REQ_VERTICES = 2,     // required vertices were read
  GEO_REQ_EDGES = 4,        // required edges were read
  GEO_RIDGES = 8,           // ridges were read
  GEO_NONMANIFOLD = 16,     // an edge shared by three or more surface elements was found
  GEO_HYBRID = 32,          // quadrilaterals, pyramids, prisms, hexahedra or Q2 hexahedra
  GEO_NORMALS = 64,         // normals were read
};

// Field types of a solution.
enum : int {
  SOL_SCALAR = 1,
  SOL_VECTOR = 2,
  SOL_SYMMAT = 3,  // symmetric tensor: 3 values in 2D, 6 in 3D
  SOL_MATRIX = 4,  // full matrix: 4 values in 2D, 9 in 3D
};

// Longest field name kept per field (SU2 column names).
enum : int { SolFldNamLen = 256 };
// Size of the mesh name buffer.
enum : int { MshNamSiz = 1024 };

typedef double double2[2];

struct Vertex {
  double Crd[3];  // z = 0 in 2D
  uint32_t Tag;
  int Mrk;        // equals the mesh's marking counter once handled by the current pass
  uint32_t Gid;   // global id
  int Res0, Res1, Res2;
  int Ref;
  int Res3;
};

struct BdyVertex {
  int Ver;
  int Ref;
};

struct BdyEdge {
  int Ver[2];
  int Voi[2];  // Voi[j]: the boundary edge continuing the line through Ver[j], 0 at a free end
  int Tri[2];  // Tri[0]: the triangle the edge lies on, Tri[1]: the triangle on its other side
  uint32_t Tag;
  int Res0, Res1;
  int Ref;
};

struct P2BdyEdge {
  int Ver[3];  // two ends, then the middle node
  uint32_t Tag;
  int Ref;
  int Efr;     // the boundary edge this edge corresponds to
};

struct Edge {
  int Ver[2];
  int Res0, Res1;
};

// Voi: neighbour across each edge or face (0 when none). VoiTyp: neighbour j's kind in bits
// 4j..4j+3. VoiVol of a surface element: the volume element having it as a face (0 when none).

struct Triangle {
  int Ver[3];
  int Voi[3];  // slot i holds a boundary-edge number instead while tag bit 16 + i is set
  uint32_t VoiTyp;
  int VoiVol;
  uint32_t Tag;
  int Mrk;     // mark of the last walk that reached the triangle
  int Res0;
  int Ref;
};

struct P2Triangle {
  int Ver[6];  // three vertices, then the nodes of edges (0,1), (1,2), (2,0)
  int Voi[3];
  int VoiVol;
  uint32_t VoiTyp;
  uint32_t Tag;
  int Ref;
};

struct Quadrilateral {
  int Ver[4];
  int Voi[4];
  uint32_t VoiTyp;
  int VoiVol;
  uint32_t Tag;
  int Ref;
};

struct P2Quadrilateral {
  int Ver[9];  // four vertices, four edge nodes, the centre node
  int Voi[4];
  int VoiVol;
  uint32_t VoiTyp;
  uint32_t Tag;
  int Ref;
};

struct Tetrahedron {
  int Ver[4];
  int Voi[4];  // face j is opposite vertex j
  uint32_t VoiTyp;
  uint32_t Tag;
  int Ref;
  int Res0;
};

struct P2Tetrahedron {
  int Ver[10];  // four vertices, then the nodes of edges (0,1) (1,2) (0,2) (0,3) (1,3) (2,3)
  int Voi[4];
  uint32_t VoiTyp;
  uint32_t Tag;
  int Ref;
};

struct Pyramid {
  int Ver[5];  // base 0-3, apex 4
  int Voi[5];
  uint32_t VoiTyp;
  uint32_t Tag;
  int Ref;
};

struct Prism {
  int Ver[6];
  int Voi[5];
  uint32_t VoiTyp;
  uint32_t Tag;
  int Ref;
};

struct Hexahedron {
  int Ver[8];
  int Voi[6];
  uint32_t VoiTyp;
  uint32_t Tag;
  int Ref;
};

struct P2Hexahedron {
  int Ver[27];  // vertices 0-7, edge nodes 8-19, face nodes 20-25, centre node 26
  int Voi[6];
  uint32_t VoiTyp;
  uint32_t Tag;
  int Ref;
};

struct Normal {
  int Ref;
  int Ver;  // the vertex it is attached to, 0 when none
  double Crd[3];
  double Res0;
};

struct Reference {
  int Ref;
};

// Elements of one kind around every vertex, in compressed rows: the elements around vertex v
// are Ver2Ent[Head[v]] .. Ver2Ent[Head[v + 1] - 1], in increasing element number. Head has
// NbrVer + 2 entries, Head[0] = 0 holds no row, Head[NbrVer + 1] is the number of incidences.
struct StaticBall {
  int *Head;
  int *Ver2Ent;
  int NbrVer;
  int Kind;
};

struct Geometric_Solution {
  int NbrFld;
  int *SizFld;  // type of each field
  int SizTot;   // values per entity
  double2 *Box; // minimum, maximum of each field
  double *Sol;  // entity i's values start at i * SizTot
  char (*FldNam)[SolFldNamLen + 1];  // one name per field, empty unless the file names them
  int FileType;  // 2 created here, 1 read from an SU2 solution with field names
};
typedef Geometric_Solution Solution;

struct Geometric_Mesh {
  int Dim;      // 2 or 3; 0 until the first mesh file is read
  int Mrk;      // marking counter: raised by one by every marking pass, never reset
  int Res0;
  uint32_t GeoFlags;
  int TopoDone;  // set to 1 once the volume neighbours are built
  pthread_t *TopoThread;

  int MaxNbrVer, MaxNbrVfr, MaxNbrEfr, MaxNbrEdg, MaxNbrTri, MaxNbrQua, MaxNbrTet, MaxNbrPyr,
      MaxNbrPri, MaxNbrHex, MaxNbrP2Efr, MaxNbrP2Tri, MaxNbrP2Qua, MaxNbrP2Tet, MaxNbrP2Hex,
      MaxNbrNor;
  // Solution capacities in values (entities times SizTot).
  int MaxSolVer, MaxSolTet, MaxSolPri, MaxSolPyr, MaxSolHex, MaxSolQua, MaxSolTri;
  int MaxNbrRef;

  int NbrVer, NbrVfr, NbrEfr, NbrEdg, NbrTri, NbrQua, NbrTet, NbrPyr, NbrPri, NbrHex;
  // Elements read from files; later additions (topology edges, edits) leave them alone.
  int NbrFilEfr, NbrFilTri, NbrFilQua, NbrFilTet, NbrFilHex;
  int NbrP2Efr, NbrP2Tri, NbrP2Qua, NbrP2Tet, NbrP2Hex, NbrNor;
  // Entities whose solution values were read.
  int NbrSolVer, NbrSolTet, NbrSolPri, NbrSolPyr, NbrSolHex, NbrSolQua, NbrSolTri;

  Vertex *Ver;
  BdyVertex *Vfr;
  BdyEdge *Efr;
  Edge *Edg;
  Triangle *Tri;
  Quadrilateral *Qua;
  Tetrahedron *Tet;
  Pyramid *Pyr;
  Prism *Pri;
  Hexahedron *Hex;
  P2BdyEdge *P2Efr;
  P2Triangle *P2Tri;
  P2Quadrilateral *P2Qua;
  P2Tetrahedron *P2Tet;
  P2Hexahedron *P2Hex;
  Normal *Nor;
  Reference *Ref;

  // Balls kept with the mesh, owned by it.
  StaticBall *Ver2Efr, *Ver2Tri, *Ver2Qua, *Ver2Tet, *Ver2Hex;

  double Box[6];  // xmin, ymin, zmin, xmax, ymax, zmax

  Geometric_Solution *SolAtVer, *SolAtTet, *SolAtPyr, *SolAtPri, *SolAtHex, *SolAtQua,
      *SolAtTri;

  double Time;
  int Iter;
  int FileType;  // FILE_TYPE_SU2 or FILE_TYPE_KMF

  char MshNam[MshNamSiz];  // base name of the mesh file, written with getBaseName
};
typedef Geometric_Mesh Mesh;

// The topology thread publishes its neighbours by setting TopoDone last.
inline int TopoDoneLoad(const Geometric_Mesh *msh) {
  return __atomic_load_n(&msh->TopoDone, __ATOMIC_ACQUIRE);
}
inline void TopoDoneStore(Geometric_Mesh *msh, int value) {
  __atomic_store_n(&msh->TopoDone, value, __ATOMIC_RELEASE);
}

// Creates a mesh from a size array (KmfSizMshLen ints indexed by kind), or an empty mesh
// when SizMsh is null. Null on allocation failure.
Geometric_Mesh *NewCommonMesh(Memory_List *mem, const int *SizMsh);
// The solution a size array asks NewCommonMesh for, for a caller that must say why a mesh came
// without it: the entries asked for (*asked) and the entities of that kind the size array
// holds (*held, the linear or the second-order count, whichever is larger); the result names
// them as messages do ("VERTICES", "P2 TETRAHEDRA", ...), null when no solution is asked for.
// The mesh is made without it when *asked exceeds *held, or when the values per entity or the
// fields are no valid size.
const char *SizedSolutionKind(const int *SizMsh, int *asked, int *held);
// Writes the mesh's element counts into a size array, at the entry of every kind it holds an
// array for; the other entries are left as they are.
void MeshCounts(const Geometric_Mesh *msh, int *SizMsh);
// Gives a mesh that holds no solution the one solution a size array asks for, checked against
// and sized by the array's element counts (MeshCounts writes the mesh's own), its values
// cleared and its count 0, as NewCommonMesh makes it. 1 when the mesh has it; 0 when the mesh
// already held one, when the array asks for none, for more entities than it counts of that
// kind or for no valid size (said on standard error as NewCommonMesh says it), or when the
// allocation fails.
int AddSizedSolution(Memory_List *mem, Geometric_Mesh *msh, const int *SizMsh);
// Grows the array of one kind to NewSize + 1 records past entry 0; 1 on success, 0 otherwise.
// Counts are left alone.
int NewCommonMeshEntity(Memory_List *mem, Geometric_Mesh *msh, int kind, int NewSize);
// Frees every array, ball and solution, then the mesh; returns null.
Geometric_Mesh *FreeCommonMesh(Memory_List *mem, Geometric_Mesh *msh);
StaticBall *geoFreeStaticBall(Memory_List *mem, StaticBall *ball);

Geometric_Solution *NewCommonSolution(Memory_List *mem, int NbrEntMax, int SizTot, int NbrFld,
                                      const int *types);
Geometric_Solution *FreeCommonSolution(Memory_List *mem, Geometric_Solution *sol);
// Frees every solution of the mesh and clears their counts and capacities: afterwards the
// mesh holds no solution at all (no layout, no fields, no values).
void DropMeshSolution(Memory_List *mem, Geometric_Mesh *msh);

// Bytes in use: out[0] for the capacities, out[1] (and the result) for the counts.
double GetMeshMem(const Geometric_Mesh *msh, double out[2]);
