// Clipping: marking every vertex and element of a scene's mesh against one clip plane.
//
// Family of the clip plane in the list builders: this header (the marking), ZelClipGeom.h
// (the pure plane geometry), ZelClipFrame.h (the section outline and the plane's frame, drawn
// on every paint), ZelCapping.h (the cap closing cut volumes) and ZelHexSplit.h. The scene
// engine, the view and the panels reach the entry points through the forwarders of
// ZelHooks.h, which zelInstallListHooks() fills.
//
// The marking writes bit 28 (TAG_CLIPPED) of tag words and no other bit. A vertex's bit says it
// lies on the positive side of the plane (signed value > 0); an element's bit follows from its
// nodes' bits by the rule of its kind:
//   triangles, quadrilaterals, P2 triangles, Q2 quadrilaterals: some node is positive;
//   boundary edges, P2 boundary edges: some node is not positive;
//   tetrahedra, pyramids, prisms, hexahedra, P2 tetrahedra, Q2 hexahedra: both (cut volumes).
// Only the last marking is held; a changed plane has no effect until it is marked again, and
// no display list is rebuilt here.
//
// Threads: called on the GUI thread. The passes run on the interface's worker pool when it has
// 2 threads or more and the array is large (2000 vertices, 1001 elements); the call returns
// when every package is done. The mesh's topology thread may be setting face bits in the same
// tag words meanwhile: the bit is changed only by atomic and/or, and only when it changes.
#pragma once

#include "common/model/ElementKind.h"

struct Function_Interface;
typedef struct Zel_Scene ZelScene;

// What the pool workers receive: the scene (mesh, display mesh and planes are reached through
// it) and, for the vertex pass, the plane index.
struct ZelClipWork {
  ZelScene *Scene;
  int Plane;
};

// Marks the vertices against plane `plane` (0..31) of the scene's plane record, then every
// element (zelUpdateClipAllEntities). The pool is fi->Par; its loop types are declared anew
// for the current counts first. Null scene: 0, fi untouched. Otherwise fi's error code is set
// to 0, and to 100 with result 0 and no bit touched when the scene has no mesh or the plane
// index is outside 0..31. Without a display mesh or plane record no vertex is touched, but the
// elements are still marked from the vertex bits. 1 when done. fi may be null (one thread).
// This is the body behind zelSetPlaneClip of ZelHooks.h.
int zelSetPlaneClipBody(Function_Interface *fi, ZelScene *scene, int plane);

// Recomputes the element bits of the twelve element kinds from the vertex bits, in the order
// triangles, tetrahedra, quadrilaterals, P2 triangles, P2 tetrahedra, Q2 quadrilaterals,
// boundary edges, P2 boundary edges, hexahedra, Q2 hexahedra, pyramids, prisms. Uses the loop
// types as declared (a type whose line count no longer matches runs on the calling thread).
// fi's error code: 0, or 100 with result 0 for a null scene or a scene without mesh. An
// element with a node number outside the mesh keeps its bit. 1 when done.
int zelUpdateClipAllEntities(Function_Interface *fi, ZelScene *scene);

// Pool procedure of the vertex pass over vertices first..last (1-based, inclusive); `work` is
// a ZelClipWork. A vertex with s > 0 gets the bit, s <= 0 loses it, a NaN value keeps it. Does
// nothing without mesh, display mesh, plane record or with a plane index outside 0..31.
void zelSetPlaneClip_p(int first, int last, int thread, void *work);

// Pool procedure of the element pass of one kind (one of the twelve codes above) over its
// elements first..last; `work` is a ZelClipWork. Does nothing without mesh or display mesh;
// the tetrahedron worker also needs the plane record.
template <int Kind>
void zelUpdateClipWorker(int first, int last, int thread, void *work);

extern template void zelUpdateClipWorker<KmfTriangles>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfQuadrilaterals>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfTrianglesP2>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfQuadrilateralsQ2>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfEdges>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfEdgesP2>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfTetrahedra>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfPyramids>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfPrisms>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfHexahedra>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfTetrahedraP2>(int, int, int, void *);
extern template void zelUpdateClipWorker<KmfHexahedraQ2>(int, int, int, void *);
