// The scene: everything one OpenGL view needs to show one mesh.
//
// A scene holds the mesh and its display mesh, the camera, the two input events, the default
// render options, the solution view, the picking stacks, the saved views and states, the ids
// of the main display lists and the per-scene options. One scene exists per open window.
//
// Opening a mesh, on the GUI thread: load it and set up its topology, zelSetAllVisible,
// zelNewZelMesh and zelSetupZelMesh, zelNewScene(mem, pool, ZelDisplayLists, mesh, display
// mesh), zelReadZelSceneOptions(base name, scene->opt), zelIniScene, set both ownership flags,
// zelUpdateZelMeshCrd; the window then builds the display lists. zelFreeScene undoes it all.
#pragma once

#include <cstdint>

#include "zelvane/scene/ZelEvent.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelRenderOption.h"
#include "zelvane/scene/ZelSceneOptions.h"
#include "zelvane/scene/ZelStack.h"
#include "zelvane/scene/ZelState.h"
#include "zelvane/scene/ZelView.h"

struct Memory_List;
struct Common_MthParallel;
struct ParallelPool;
struct Function_Interface;
struct Geometric_Mesh;
struct ZelColorRange;
struct ZelPath;

// Flag word bits the scene engine reads or writes.
enum : uint32_t {
  ZelFlgNormalsAtVer = 0x4,     // normals at vertices shown
  ZelFlgPoints = 0x8,           // vertices drawn as points
  ZelFlgCapping = 0x10,         // capping of clipped volumes
  ZelFlgAxis = 0x20,
  ZelFlgLegend = 0x80,          // palette legend while a field is active
  ZelFlgCentre = 0x200,         // rotation centre marker
  ZelFlgBox = 0x800,            // bounding box
  ZelDisplayLists = 0x1000,     // display-list rendering: the only rendering zelIniScene takes
  ZelFlgNumbers = 0x8000,       // element numbers
  ZelFlgMiniMesh = 0x10000,     // mini-mesh mode
  ZelFlgVolumes = 0x20000,      // volume display mode
  ZelFlgViewApplied = 0x40000,  // a saved or linked camera was applied; cleared each frame
  ZelFlgTime = 0x80000,
  ZelFlgFeatures = 0x1Fu << 23, // mesh features drawn: corners, required vertices, ridges,
                                // required edges, the fifth edge feature
  ZelFlgPaths = 1u << 29,
  ZelFlgPickNormals = 1u << 30, // normals of the last picked element
};

// Kinds present (Rnd.Kinds).
enum : uint32_t { ZelKindsFeatures = 1, ZelKindsEdges = 2, ZelKindsFaces = 4, ZelKindsVolumes = 8 };

// Scene solution-display bits (SolFlags).
enum : uint32_t {
  ZelSceneColorMap = 0x20,
  ZelSceneIsoLines = 0x40,
  ZelSceneIsoSurfaces = 0x80,
  ZelSceneCarried = 0x100,
  ZelSceneVectors = 0x200,
  ZelSceneMetric = 0x40000,
};

// A chunk of section-outline segments (two points of three floats each); chunks chain on Nxt.
enum : int { ZelCoordChunk = 5000 };
struct CoordArray {
  float Seg[ZelCoordChunk][2][3];
  CoordArray *Nxt;
};

enum : int { ZelNbrMainLists = 24, ZelPickStack = 1000, ZelDeleteStack = 10000 };

typedef struct Zel_Scene {
  ZelSceneOptions *opt;    // per-scene options, owned
  uint32_t Flags;          // ZelFlg* bits
  uint32_t Mode;           // interaction mode: 0 view, 1 clip-plane editing
  ZelRenderOption Rnd;     // defaults of new records; Rnd.Kinds: kinds present
  int32_t RndSet;          // render setting of a scene a host program embeds: 1 there, else 0
  uint32_t Dim;            // 2 or 3
  float Back[4];           // background RGBA on a 0..255 scale
  double InvDmaxSca;       // 1 / largest extent of the box
  double Ctr[3];           // centre of the box, mesh coordinates
  ZelView *View;           // camera, owned
  ZelEvent *VieEvt;        // input of camera moves, owned
  ZelEvent *ClpEvt;        // input of clip-plane editing, owned
  ZelMesh *ZelMsh;         // display mesh (owned when OwnZelMsh)
  Geometric_Mesh *Msh;     // mesh (owned when OwnMsh)
  ZelColorRange *ColRng;   // colour-id table of picking; C library allocation, owned
  void *Win;               // the window showing the scene, opaque; target of the bridges
  int32_t ActFld;          // active solution field, -1 none
  uint32_t SolFlags;       // ZelScene* solution-display bits
  ZelViewSolution *VieSol; // one palette per field, owned
  void *Res0;
  CoordArray *CrdArr[2];   // section outlines of clip planes, owned chains
  ZelPath *Path;           // first path of the list; the scene owns every path in it
  GeoHybridStack *Pck;     // last picked items, capacity 1000
  GeoHybridStack *Del;     // items hidden one by one, capacity 10000
  GeoGenStack *Hid;        // display records hidden by reference, capacity 10000
  ZelViewList *BakView;    // saved views
  ZelStateList *State;     // saved states
  uint32_t MainLst[ZelNbrMainLists];  // GL ids of the scene-wide lists
  int32_t Res1;
  int32_t OwnMsh;          // 1: zelFreeScene frees the mesh
  int32_t OwnZelMsh;       // 1: zelFreeScene frees the display mesh
  uint8_t Res2;
  double Res3;             // 1 after zelIniScene
  Memory_List *Mem;        // every allocation of the scene goes through it
  Common_MthParallel *Par; // pools for the loops over the display mesh
  int32_t VerOnly;         // the mesh has vertices only: the composition stops after the
                           // points (set by zelSetupDisplayLists)
  int32_t PckPending;      // the first build left the picking lists waiting (ZelDisplayList.h)
} ZelScene;

// A new scene with the defaults (flags as given; white background, InvDmaxSca 1, active field
// -1, both ownership flags 1, empty stacks and lists, zeroed options). A failed allocation ends
// the process.
ZelScene *zelNewScene(Memory_List *mem, Common_MthParallel *par, uint32_t flags,
                      Geometric_Mesh *msh, ZelMesh *zelMsh);
// Completes the scene: events, white background, then with a mesh the box (the options' box
// when they give one), InvDmaxSca, centre, dimension, camera and, when the mesh carries a
// solution, the solution view; without a mesh a camera on the box -1..1. A box with no extent
// warns and keeps InvDmaxSca 1. Flags without ZelDisplayLists end the process. 1 done, 0 for
// a null scene.
int zelIniScene(Function_Interface *fi, uint32_t flags, ZelScene *scene);
// Box of the vertices the elements use (xmin ymin zmin xmax ymax zmax): every node of the
// alive elements of every kind (triangles, tetrahedra, quadrilaterals, pyramids, prisms,
// hexahedra, then the curved kinds); without any element, of the boundary edges, volume edges
// and P2 edges; the mesh's own box when it has neither or when the rule finds no vertex. A
// mesh of triangles and tetrahedra alone meets its vertices in the order it always did, so its
// box keeps every bit. 1 done, 0 for a null mesh.
int zelBoundingBox(const Geometric_Mesh *msh, double box[6]);
// The same box, walked by the pool's threads when pool is not null (the calling thread must
// control the pool): the same bits whatever the threads.
int zelBoundingBoxOnPool(ParallelPool *pool, const Geometric_Mesh *msh, double box[6]);
// Fills the display coordinates: (p - centre) x InvDmaxSca as floats, on the scene's pool
// when it has 2 threads or more and the mesh 2000 vertices or more. 1 done, 0 without mesh
// or display mesh.
int zelUpdateZelMeshCrd(ZelScene *scene);
// Pool procedure of zelUpdateZelMeshCrd: vertices beg..end; arg is the scene.
void zelScaleCrd(int beg, int end, int thread, void *arg);
// Resets the editing frame of the current clip plane: normal (a, b, c), offset
// -(a cx + b cy + c cz + d) x InvDmaxSca, matrices the identity. Nothing for a null argument.
void zelResetTransformPlane(ZelScene *scene, ZelPlaEntity *planes);
// Frees the scene and everything it owns (the mesh after stopping its topology thread, when
// owned; the display mesh, when owned; the paths of its list); a null scene is ignored.
// Returns null.
ZelScene *zelFreeScene(Memory_List *mem, ZelScene *scene);
// Frees the chunks of a chain after the first, then the first; returns 0.
int zelFreeCoordArray(Memory_List *mem, CoordArray *first);
