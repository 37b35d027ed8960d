// The display mesh: the drawing-side companion of a Geometric_Mesh.
//
// It holds the vertex coordinates scaled to about one unit (float triples that feed glVertex3fv
// directly) and, per element kind, a ZelEntity grouping the kind's alive elements by reference.
// Each group becomes one display record (ZelEntDisplayList), which the list builders compile
// into OpenGL display lists by walking the group's chain of links: no element is copied.
//
// Everything here runs on the GUI thread. The mesh's topology thread may still set face bits in
// volume tags meanwhile, so every tag read or change goes through the atomic tag helpers.
#pragma once

#include <cstdint>

#include "zelvane/scene/ZelRenderOption.h"

struct Memory_List;
struct Function_Interface;
struct Geometric_Mesh;
struct StaticBall;
struct GeoHybridHashTable;

typedef float float3[3];

// Per element: its group (the index of its Dep entry and of its display record), the next
// element of the same group (0 ends the chain) and a word the list builders own.
struct ZelLink {
  int Grp;
  int Nxt;
  int Aux;
};

// One reference group: first and last element of its chain, and the reference.
struct ZelDep {
  int Fst;
  int Lst;
  int Ref;
};

// Display record flag bits.
enum : uint32_t {
  ZelLstHidden = 0x1,    // the main lists skip the record
  ZelLstClipped = 0x2,   // clip plane 0 applies
  ZelLstShrink = 0x4,    // shrink by the scene's factor
  ZelLstVolume = 0x8,    // volume kind
  // Hidden by Delete, which emptied the record: an edit of the mesh, not the user's choice of
  // display. States leave this hiding out (a reload shows what the file holds); any user
  // change of the hidden bit makes the hiding the user's.
  ZelLstHiddenByEdit = 0x10,
};

// One display record per (element kind, reference): the group's render options and the ids of
// the 14 OpenGL lists compiled for it. Ids are reserved when the record is initialised.
struct ZelEntDisplayList {
  int32_t Type;       // element kind code; 203 for a clip plane
  int32_t Ref;        // the reference; the plane number for a clip plane
  // Lists of a volume record that the frame draws whatever the volume display and that a
  // build has filled (ZelListMask bits of the vector arrows, the metric glyphs and the
  // numbers; the volume builders set them): rebuilds while volumes are not shown keep these,
  // with the iso-surfaces, current. Zero when the record's ids are made.
  uint32_t Held;
  uint32_t Flags;     // ZelLst* bits; 6 when made, 14 for volume kinds
  ZelRenderOption Opt;
  void *Ptr;          // zeroed, no use yet
  uint32_t MrkLst;    // 4 ids: +0 vertex points, +1 normal arrows, +2 numbers, +3 normals at vertices
  uint32_t FacLst;    // 2 ids: +0 faces, +1 capping faces
  uint32_t WirLst;    // wire
  uint32_t SolLst;    // 6 ids: +0 shading, +1 iso-lines, +2 vectors, +3 iso-surfaces, +4 spare, +5 metric
  uint32_t PckLst;    // picking colours
  int32_t Head;       // first element of the group's chain (0: empty); the plane for clip planes
};

// The elements of one kind, grouped by reference. Arrays are 1-based.
typedef struct Zel_Entity {
  int MaxNbrLst;  // display records: capacity
  int NbrLst;     //   and count, set when the records are made
  int MaxNbrDep;  // elements of the kind when the entity was made (or last resized)
  int NbrDep;     // reference groups found
  uint32_t NbrVis;  // elements made visible by the last visibility recomputation
  ZelDep *Dep;      // MaxNbrDep + 1 groups
  ZelEntDisplayList *DspLst;   // NbrLst display records, made with the display lists
  GeoHybridHashTable *HshRef;  // reference -> group (later: -> display record)
  ZelLink *Lnk;     // one per element slot, MaxNbrLnk + 1; new slots start at zero
  int *Lvl;         // vertices only: mini-mesh level per vertex, new slots start at zero
  int *ZelLst;      // one word per element slot, owned by the list builders
  int MaxNbrLnk;    // element capacity Lnk, Lvl and ZelLst were sized for
} ZelEntity;

enum : int { ZelMaxPlanes = 32 };

// The clip planes of a scene. Plane i is a x + b y + c z + d = 0 in mesh coordinates.
struct ZelPlaEntity {
  int32_t On;       // 1 while the current plane clips
  uint32_t ActMsk;  // bit i: plane i clips
  int32_t Cur;      // current plane, 0..31
  uint32_t ShwMsk;  // bit i: plane i's outline and frame are drawn
  int32_t Mode;     // further word of the clipping code, saved with states; 0 at creation
  // Editing frame of the current plane, moved by the mouse in clip-edit mode.
  double FrmNrm[3];   // normal (a, b, c) when the frame was reset
  double FrmOff;      // offset of the plane along it, display units
  double FrmBase[16]; // base matrix
  double FrmRot[16];  // rotation accumulated by the mouse
  double FrmMat[16];  // plane matrix: base x rotation
  double Pla[ZelMaxPlanes][4];             // a, b, c, d; zero at creation
  ZelEntDisplayList Lst[ZelMaxPlanes];     // one record of kind 203 per plane
  // Tag arrays made and filled by the clipping code; freed here.
  uint32_t *VolClipTag, *FacClipTag, *EdgClipTag, *VerClipTag;
};

// Entity order of the display mesh (and of its freeing): kind codes in the order of the
// pointers below.
enum : int { ZelNbrEntities = 15 };
extern const int ZelEntityOrder[ZelNbrEntities];

struct ZelMesh {
  uint32_t PckBas[1000];  // picking id base per element kind code
  float3 *Crd;            // scaled coordinates, one per vertex slot (MaxNbrVer + 1)
  int *LnkVer;            // vertex links of zelCreateLnkVer (not made by the set-up)
  int *VolGerm;           // per vertex: last alive tetrahedron holding it, 0 for none
  int *SrfGerm;           // per vertex: last alive triangle holding it, 0 for none
  StaticBall *Ver2Edg;    // vertex-to-boundary-edge ball (null without edges)
  uint32_t MiniLvl;       // mini-mesh level, 0 until a mini mesh is started
  ZelPlaEntity *Pla;      // the clip planes
  // One entity per kind, null when the mesh has no capacity for it.
  ZelEntity *VerEnt, *EfrEnt, *EdgEnt, *TriEnt, *QuaEnt, *TetEnt, *PyrEnt, *PriEnt, *HexEnt,
      *P2EfrEnt, *P2TriEnt, *P2QuaEnt, *P2TetEnt, *P2HexEnt, *NorEnt;
  int MaxNbrCrd;          // vertex capacity Crd, VolGerm and SrfGerm were sized for
};

// The entity slot of a kind code (4, 5, 199, 6, 7, 8, 49, 9, 10, 25, 24, 27, 30, 33, 20); null
// for other kinds or a null display mesh. zelGetEntity reads it.
ZelEntity **zelEntitySlot(ZelMesh *zelMsh, int kind);
ZelEntity *zelGetEntity(const ZelMesh *zelMsh, int kind);

// A new display mesh with everything after the picking table null or 0; a failed allocation
// ends the process.
ZelMesh *zelNewZelMesh(Memory_List *mem);
// Fills the display mesh of a mesh (fi->Mem serves every allocation): marks the boundary edges
// lying on triangle sides (tag bit 16 + i of the triangle, the edge in neighbour slot i, kind
// VOI_EFR), allocates the coordinates, the germs and the vertex-to-edge ball, makes the clip
// planes and one entity per kind with capacity, and groups them (zelHashAllEntity). A null
// mesh gives the clip planes only. 1 done; 0 with error code 200 for a null display mesh or
// interface.
int zelSetupZelMesh(Function_Interface *fi, Geometric_Mesh *msh, ZelMesh *zelMsh);
// Frees everything the display mesh holds, then the record; returns null.
ZelMesh *zelFreeZelMesh(Memory_List *mem, ZelMesh *zelMsh);

// A new entity for the kind: Dep sized to the kind's count, the reference hash, and Lnk and
// ZelLst (Lvl for vertices) sized to the kind's capacity, all starting at zero (zeroLinks is
// kept for the callers and changes nothing). A failed allocation ends the process.
ZelEntity *zelNewEntity(Memory_List *mem, const Geometric_Mesh *msh, int kind, int zeroLinks);
// Resizes an entity to the kind's current count and capacity after elements were added,
// keeping its groups and hash; new slots start at zero, and every link is cleared when
// zeroLinks is non-zero. A null entity is made new.
ZelEntity *zelReAllocEntity(ZelEntity *ent, Memory_List *mem, const Geometric_Mesh *msh,
                            int kind, int zeroLinks);
// Frees the arrays, the hash and the entity; returns null.
ZelEntity *zelFreeEntity(Memory_List *mem, ZelEntity *ent);

// Clip planes at creation: everything zero, the three frame matrices the identity.
ZelPlaEntity *zelNewPlaEntity(Memory_List *mem);
ZelPlaEntity *zelFreePlaEntity(Memory_List *mem, ZelPlaEntity *pla);

// Groups the alive elements of every entity by reference (normals: every normal), timed on
// standard output. Vertices and normals keep their references in order of first appearance,
// the other kinds in ascending order; each group's chain lists its elements in element order.
// 1 done, 0 for a null interface (whose list serves the allocations), mesh or display mesh.
int zelHashAllEntity(Function_Interface *fi, Geometric_Mesh *msh, ZelMesh *zelMsh);

// Entries without a caller in the viewer, kept for the tools that may want them.
// Moves the mesh itself to (p - centre) / dmax, printing the box before and after; 1 done.
int zelScaleMesh(Geometric_Mesh *msh);
// Fills LnkVer: v -> v, then joins one vertex pair per triangle whose two ends carry tag bit 0
// without bit 1 and are not joined yet. 1 done, 0 for a missing argument.
int zelCreateLnkVer(Function_Interface *fi, ZelMesh *zelMsh, Geometric_Mesh *msh);
// Draws every triangle as lines in mesh coordinates, in the given colour.
void zelDisplayMesh(const float colour[3], const Geometric_Mesh *msh);
int visHashRef();
// Check their arguments only: 1 when both exist, else the error line, code 200 and 0.
int zelHashMesh(Function_Interface *fi, Geometric_Mesh *msh);
int zelHash(Function_Interface *fi, Geometric_Mesh *msh);
