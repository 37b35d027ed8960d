// Neighbour topology of a mesh: for every surface element the element across each edge, for
// every volume element the element across each face, with the kind of that neighbour.
//
// The surface pass runs on the caller's thread. The volume pass runs on a background thread
// whenever the surface elements are enough to draw the mesh, so that a window can open before
// the volume neighbours exist; readers test TopoDoneLoad before they use volume neighbours.
// The thread is stopped cooperatively and joined by StopTopoThread (FreeCommonMesh calls it).
#pragma once

#include <cstdint>

#include "common/base/FunctionInterface.h"

struct Geometric_Mesh;
struct HybridHashTable;

// Neighbour kind codes, 4 bits per local edge or face in the VoiTyp words.
enum : int {
  VOI_NONE = 0,
  VOI_TRI = 1,
  VOI_TET = 2,
  VOI_EFR = 3,    // boundary edge (entries of the boundary-edge table only)
  VOI_P2EFR = 4,  // P2 boundary edge (idem)
  VOI_P2TRI = 5,
  VOI_QUA = 6,
  VOI_P2QUA = 7,
  VOI_P2TET = 8,
  VOI_PYR = 9,
  VOI_PRI = 10,
  VOI_HEX = 11,
  VOI_P2HEX = 12,
};

inline bool VoiIsSurface(int kind) {
  return kind == VOI_TRI || kind == VOI_P2TRI || kind == VOI_QUA || kind == VOI_P2QUA;
}
inline bool VoiIsVolume(int kind) {
  return kind == VOI_TET || (kind >= VOI_P2TET && kind <= VOI_P2HEX);
}

// Kind of neighbour j in a VoiTyp word, and the word with that kind replaced.
inline int VoiTypGet(uint32_t word, int j) { return static_cast<int>((word >> (4 * j)) & 15u); }
inline uint32_t VoiTypSet(uint32_t word, int j, int kind) {
  return (word & ~(15u << (4 * j))) | ((static_cast<uint32_t>(kind) & 15u) << (4 * j));
}

// Payload word of a pending edge or face: local number (bits 0-3), kind (4-7) and the number
// of further elements met on the same key (8-11; it stays at 15 once there).
enum : int { VoiMaxCount = 15 };
int voi_setvoibucket(int local, int kind, int count);
void voi_getvoibucket(int word, int *local, int *kind, int *count);

// Vertex positions of the local edges and faces of each kind. Keys are made of the first 2,
// 3 or 4 positions; the further ones are the mid-nodes of second-order elements.
extern const int TriEdg[3][2];
extern const int P2TriEdg[3][3];
extern const int QuaEdg[4][2];
extern const int P2QuaEdg[4][3];
extern const int TetFac[4][3];
extern const int P2TetFac[4][6];
extern const int PyrFac[5][4];   // four triangles, then the base
extern const int PriFac[5][4];   // two triangles, then three quadrilaterals
extern const int HexFac[6][4];
extern const int P2HexFac[6][9];

// Arguments of the two passes. The thread owns its copy of the caller's interface (the
// caller's record often lives on its stack) and is told to stop through Stop.
struct TopoArgs {
  Function_Interface Fi;
  Geometric_Mesh *Msh;
  int NbrThr;  // threads of the volume pass (its own, not the pool's: see geoNewtopo)
  int Stop;    // read and written atomically
};

// Builds the surface neighbours, then the volume neighbours here or on a background thread.
// 0 for a null mesh, else 1.
int SetupGeoMesh(Function_Interface *fi, Geometric_Mesh *msh);
// As SetupGeoMesh, except that a volume pass due to go to the background thread waits, ready,
// until StartDeferredTopology: a caller that builds its first picture of the mesh right after
// is not slowed by it. The mesh keeps the waiting pass as it keeps the thread (TopoThread set,
// TopoDone 0); StopTopoThread and freeing the mesh drop it.
int SetupGeoMeshDeferred(Function_Interface *fi, Geometric_Mesh *msh);
// Starts the volume pass SetupGeoMeshDeferred left waiting, on its thread (here when no thread
// can be made). 1 when one waited, 0 otherwise.
int StartDeferredTopology(Geometric_Mesh *msh);
// Surface pass: neighbours across the edges of triangles, quadrilaterals and their
// second-order forms, on the threads of the interface's pool for large meshes; edges of three
// or more triangles become boundary edges. Clears the surface elements' volume neighbours,
// which the volume pass sets.
void *geoNewtopoSrf(void *args);
// Volume pass, also the body of the topology thread: neighbours across the faces of every
// volume kind, surface elements covering faces, then TopoDone (at once for a mesh without
// volume elements).
void *geoNewtopo(void *args);
// Both passes carry the kinds of the neighbours they find in the top bits of the neighbour
// slots until they end, unless some element number needs those bits: then in an array of
// their own. With on set, always in the array, for tests of that way.
void TopoKeepKindsApart(int on);
// Asks the mesh's topology thread to stop, waits until it has ended and releases it (a pass
// still waiting to start is dropped). 1 when there was a thread, 0 otherwise. Neighbours it
// had not finished stay partial and TopoDone 0.
int StopTopoThread(Geometric_Mesh *msh);

// Links element elt (kind, local edge) with the stored element other whose payload word is
// bucket; flag 1 links the stored element back. Returns the payload with its count raised.
int voi_setvoiedg(Geometric_Mesh *msh, int elt, int local, int kind, int other, int bucket,
                  int flag);
// The same across a face: a stored surface element covers the face (tag bit 8 + local of the
// volume element, the surface element's VoiVol), a stored volume element is a neighbour.
int voi_setvoifac(Geometric_Mesh *msh, int elt, int local, int kind, int other, int bucket,
                  int flag);
// Records an edge met by a third surface element: marks its boundary edge when efrTab holds
// one, else adds a boundary edge (kind VOI_TRI, key: the two vertices) or a P2 boundary edge
// (kind VOI_P2TRI, key: the two vertices and the mid-node). 1 when done, 0 when refused.
int voi_addnmedge(Function_Interface *fi, Geometric_Mesh *msh, HybridHashTable *efrTab,
                  int kind, const int *key);
