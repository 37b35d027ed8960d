// Adding boundary edges along triangle sides: one edge from a triangle's side (zel_addefr) and
// the chain that the Edges Detection tool adds.
#include <cstdio>

#include "common/base/Memory.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelEdit.h"
#include "zelvane/tools/ZelEditInternal.h"

namespace {

// Local edge of triangle t joining a and b (either order), -1 when it has none. Edge i joins
// the vertices i + 1 and i + 2.
int sideOf(const Triangle &t, int a, int b) {
  for (int i = 0; i < 3; i++) {
    const int u = t.Ver[(i + 1) % 3], v = t.Ver[(i + 2) % 3];
    if ((u == a && v == b) || (u == b && v == a)) return i;
  }
  return -1;
}

// Side i of triangle t now carries boundary edge e: the walks stop there.
void markSide(Triangle &t, int i, int e) {
  t.Voi[i] = e;
  t.VoiTyp = VoiTypSet(t.VoiTyp, i, VOI_EFR);
  TagAtomicOr(&t.Tag, TagEdgeMark(i));
}

bool liveTriangle(const Geometric_Mesh *msh, int t) {
  return t >= 1 && t <= msh->NbrTri && (TagAtomicLoad(&msh->Tri[t].Tag) & TAG_ALIVE);
}

// Room for n more edges in the mesh's edge array; false when a first array cannot be had.
bool edgeRoom(ZelScene *scene, int n) {
  Geometric_Mesh *msh = scene->Msh;
  const int need = msh->NbrEfr + n;
  if (msh->Efr && need <= msh->MaxNbrEfr) return true;
  const size_t size = sizeof(BdyEdge) * (static_cast<size_t>(need) + 1);
  if (msh->Efr) {
    fprintf(stderr, "#### WARNING: LOADEDGES: REALLOC BDYEDGES %d\n", need);
    auto *efr = static_cast<BdyEdge *>(ReAlloc(scene->Mem, msh->Efr, size, "R %s = %s IN FUNCTION %s LINE %d ",
                                               "msh->Efr", "sizeof(BdyEdge)*(msh->MaxNbrEfr+1)", "updateMesh", __LINE__));
    if (!efr) zelAllocFailure("updateMesh", "msh->Efr");
    msh->Efr = efr;
  } else {
    msh->Efr = static_cast<BdyEdge *>(Alloc(scene->Mem, nullptr, size, "A %s = %s IN FUNCTION %s LINE %d ", "msh->Efr",
                                            "sizeof(BdyEdge)*(msh->MaxNbrEfr+1)", "updateMesh", __LINE__));
    if (!msh->Efr) {
      fprintf(stderr, "  ## ERROR: NEWCOMMONMESH: ALLOCATION FAILED FOR BOUNDARY EDGE ARRAY \n");
      return false;
    }
    msh->Efr[0] = BdyEdge{};
  }
  msh->MaxNbrEfr = need;
  return true;
}

}  // namespace

int zel_addefr(ZelScene *scene, int tri, int i, int ref, int kind) {
  if (!scene || !scene->Msh || !scene->ZelMsh) return 0;
  Geometric_Mesh *msh = scene->Msh;
  ZelEntity *triEnt = zelGetEntity(scene->ZelMsh, KmfTriangles);
  ZelEntity *efrEnt = zelGetEntity(scene->ZelMsh, KmfEdges);
  if (!triEnt || !triEnt->Lnk || !efrEnt || !efrEnt->Lnk || !efrEnt->DspLst) return 0;
  if (!geoCheckBound(msh, tri, KmfTriangles) || !liveTriangle(msh, tri) || i < 0 || i > 2) return 0;
  if (!msh->Efr || msh->NbrEfr >= msh->MaxNbrEfr || msh->NbrEfr + 1 > efrEnt->MaxNbrLnk) return 0;
  if (efrEnt->NbrLst >= efrEnt->MaxNbrLst) return 0;
  Triangle &t = msh->Tri[tri];
  if (TagAtomicLoad(&t.Tag) & TagEdgeMark(i)) return 0;

  const int e = ++msh->NbrEfr;
  BdyEdge &edg = msh->Efr[e];
  edg = BdyEdge{};
  edg.Ver[0] = t.Ver[(i + 1) % 3];
  edg.Ver[1] = t.Ver[(i + 2) % 3];
  edg.Ref = ref;
  edg.Tag = TAG_ALIVE;

  // The neighbour's side is found by its vertices; a free side has no neighbour to mark.
  const int n = zelTriNeighbour(msh, tri, i);
  markSide(t, i, e);
  if (n) {
    const int j = sideOf(msh->Tri[n], edg.Ver[0], edg.Ver[1]);
    if (j >= 0) markSide(msh->Tri[n], j, e);
  }
  edg.Tri[0] = tri;
  edg.Tri[1] = n;
  edg.Tag = (edg.Tag & ~3u) | (static_cast<uint32_t>(kind) & 3u);

  zelMakeCurrent(scene->Win);
  const int rec = ++efrEnt->NbrLst;
  zelIniEntDisplayList(&efrEnt->DspLst[rec], KmfEdges, ref, 0);
  efrEnt->DspLst[rec].Head = e;
  efrEnt->Lnk[e] = ZelLink{rec, 0, 0};
  edg.Tag |= TAG_VISIBLE;
  printf("  UPDATE newLst Dep = %d \n", e);
  zelUpdateBdyEdgeList(1, scene, &efrEnt->DspLst[rec]);
  return 1;
}

int zelAddBdyEdges(ZelScene *scene, const ZelEdgeCandidate *cand, int n, int ref, int typeRow) {
  if (!scene || !scene->Msh || !scene->ZelMsh || !cand || n <= 0) return ZelEditNothing;
  Geometric_Mesh *msh = scene->Msh;
  static const char *const fatal = " ZEL_DETECTEFR: HASHTAB FULL CANNOT ADD";
  // The record first: a full record array changes nothing.
  if (!zeledit::recordRoom(zelGetEntity(scene->ZelMsh, KmfEdges), ref, fatal)) return ZelEditNoRoom;
  if (!edgeRoom(scene, n)) return ZelEditNothing;

  const int first = msh->NbrEfr + 1;
  for (int k = 0; k < n; k++) {
    const int e = ++msh->NbrEfr;
    BdyEdge &edg = msh->Efr[e];
    edg = BdyEdge{};
    edg.Ver[0] = cand[k].Ver[0];
    edg.Ver[1] = cand[k].Ver[1];
    edg.Ref = ref;
    edg.Tag = TAG_ALIVE;
    for (int s = 0; s < 2; s++) {
      const int t = edg.Tri[s] = cand[k].Tri[s];
      if (!liveTriangle(msh, t)) continue;
      const int i = sideOf(msh->Tri[t], edg.Ver[0], edg.Ver[1]);
      if (i >= 0) markSide(msh->Tri[t], i, e);
    }
    if (typeRow == 2) {
      scene->Flags |= 0x4000000;
      msh->GeoFlags |= GEO_REQ_EDGES;
      edg.Tag |= TAG_REQUIRED;
    } else if (typeRow == 1) {
      scene->Flags |= 0x2000000;
      msh->GeoFlags |= GEO_RIDGES;
      edg.Tag |= TAG_RIDGE;
    } else if (typeRow != 0) {
      edg.Tag = 0;
    }
    if (typeRow == 1 || typeRow == 2) scene->Rnd.Kinds |= ZelKindsFeatures;
    edg.Tag |= TAG_VISIBLE;
  }

  ZelEntity *ent = zeledit::grownEntity(scene, KmfEdges);
  if (!ent) return ZelEditDone;
  zelMakeCurrent(scene->Win);
  const int rec = zelEditRecordOf(scene->Mem, ent, KmfEdges, ref, fatal);
  if (rec) zeledit::linkAtTail(ent, rec, first, msh->NbrEfr);
  zelUpdateAllTypeDisplayLists(KmfEdges, 1, scene);
  return ZelEditDone;
}
