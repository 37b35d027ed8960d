// Display records: making them with their 14 list ids, setting up every record of a scene, and
// finding the record of an element.
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelDisplayInternal.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHybridHash.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"

using namespace zeldl;

namespace {

// Ids reserved per record, in the order of the record's fields.
constexpr int MarkerIds = 4, FaceIds = 2, SolutionIds = 6;

void setLineMode(ZelEntDisplayList *rec, uint32_t mode) {
  rec->Opt.Render = (rec->Opt.Render & ~ZelRndLineMask) | (mode << ZelRndLineShift);
}

// Order in which the kinds' records are made.
constexpr int SetupKinds[] = {KmfVertices,         KmfNormalAtVertices, KmfEdges,
                              KmfEdgesP2,          KmfTriangles,        KmfTrianglesP2,
                              KmfQuadrilaterals,   KmfQuadrilateralsQ2, KmfTetrahedra,
                              KmfTetrahedraP2,     KmfHexahedra,        KmfHexahedraQ2,
                              KmfPyramids,         KmfPrisms};

}  // namespace

ZelEntDisplayList *zelNewEntDisplayList(Memory_List *mem, int n) {
  if (n < 0) n = 0;
  size_t size = sizeof(ZelEntDisplayList) * (static_cast<size_t>(n) + 1);
  auto *lst = static_cast<ZelEntDisplayList *>(MEM_ALLOC(mem, lst, size));
  if (!lst) zelAllocFailure("zelNewEntDisplayList", "lst");
  std::memset(lst, 0, size);
  return lst;
}

int zelIniEntDisplayList(ZelEntDisplayList *rec, int type, int ref, int head) {
  if (!rec) return 0;
  rec->Type = type;
  rec->Ref = ref;
  rec->Head = head;
  rec->Flags = ZelLstClipped | ZelLstShrink;
  if (isVolumeKind(type)) rec->Flags |= ZelLstVolume;
  zelIniRenderOption(&rec->Opt);
  if (type == KmfEdges || type == KmfEdgesP2) setLineMode(rec, ZelModeOff);
  if (type == KmfNormalAtVertices) setLineMode(rec, ZelModeBack);
  rec->Ptr = nullptr;
  rec->Held = 0;  // the new ids hold no build yet
  rec->MrkLst = glGenLists(MarkerIds);
  rec->FacLst = glGenLists(FaceIds);
  rec->WirLst = glGenLists(1);
  rec->SolLst = glGenLists(SolutionIds);
  rec->PckLst = glGenLists(1);
  return 1;
}

void zelReleaseDisplayListIds(ZelEntDisplayList *rec) {
  if (!rec) return;
  const struct {
    uint32_t *id;
    int n;
  } ids[] = {{&rec->MrkLst, MarkerIds}, {&rec->FacLst, FaceIds}, {&rec->WirLst, 1},
             {&rec->SolLst, SolutionIds}, {&rec->PckLst, 1}};
  for (const auto &i : ids) {
    if (*i.id) glDeleteLists(*i.id, i.n);
    *i.id = 0;
  }
}

int iniDisplayLists(Memory_List *mem, ZelEntity *ent, int type) {
  if (!ent) return 0;
  printf("  type %s: number of list created: %d \n", zelGetTypeName(type), ent->NbrDep);
  if (ent->DspLst) {
    for (int d = 1; d <= ent->NbrLst; d++) zelReleaseDisplayListIds(&ent->DspLst[d]);
    ent->DspLst = static_cast<ZelEntDisplayList *>(MEM_FREE(mem, ent->DspLst));
  }
  int n = ent->NbrDep > 0 ? ent->NbrDep : 0;
  ent->NbrLst = n;
  ent->MaxNbrLst = n + 100;
  ent->DspLst = zelNewEntDisplayList(mem, ent->MaxNbrLst);

  // From now on the hash leads from a reference to its record. Groups were numbered like the
  // records, so the element links stay valid as record indices.
  geoFreeHybridHashTable(mem, ent->HshRef);
  ent->HshRef = geoNewHybridHashTable(mem, ZelHashBuckets, ZelHashRecordCells);
  if (!ent->HshRef) zelAllocFailure("iniDisplayLists", "ent->HshRef");
  for (int d = 1; d <= n; d++) {
    const ZelDep &dep = ent->Dep[d];
    zelIniEntDisplayList(&ent->DspLst[d], type, dep.Ref, dep.Fst);
    const int pair[2] = {dep.Ref, d};
    geoAddHybridHash(mem, ent->HshRef, pair);  // a full table has said so; go on
  }
  return n;
}

int zelSetupDisplayLists(Memory_List *mem, ZelScene *scene) {
  if (!scene || !scene->ZelMsh || !scene->Msh) return 0;
  ZelMesh *zm = scene->ZelMsh;
  zelMakeCurrent(scene->Win);

  if (ZelPlaEntity *pla = zm->Pla) {
    pla->ActMsk = pla->ShwMsk = 0;
    for (int i = 0; i < ZelMaxPlanes; i++) {
      zelReleaseDisplayListIds(&pla->Lst[i]);
      zelIniEntDisplayList(&pla->Lst[i], KmfPlanes, i, i);
    }
  }
  zelGetEntityPickingBase(scene->Msh, zm);
  for (int kind : SetupKinds) iniDisplayLists(mem, zelGetEntity(zm, kind), kind);
  zelUpdateAllTypeDisplayListsOptions2(scene);
  zelUpdateWidgetState(scene->Win);
  zelSetKindDisplayDefaults(scene);
  return 1;
}

void zelSetKindDisplayDefaults(ZelScene *scene) {
  ZelMesh *zm = scene ? scene->ZelMsh : nullptr;
  if (!zm || !scene->Msh) return;
  const bool edges = recordCount(zm, EdgeKinds) > 0, faces = recordCount(zm, FaceKinds) > 0,
             volumes = recordCount(zm, VolumeKinds) > 0;
  if (volumes) scene->Rnd.Kinds |= ZelKindsVolumes;
  if (faces) scene->Rnd.Kinds |= ZelKindsFaces;
  if (edges) scene->Rnd.Kinds |= ZelKindsEdges;
  // Known before the first frame composes the feature lists: the window builds its geometry
  // page from this bit right after the set-up.
  const uint32_t features = GEO_CORNERS | GEO_REQ_VERTICES | GEO_REQ_EDGES | GEO_RIDGES | GEO_NONMANIFOLD;
  if (scene->Msh->GeoFlags & features) scene->Rnd.Kinds |= ZelKindsFeatures;
  if (!faces && !volumes)
    forEachRecord(zm, EdgeKinds, [](ZelEntDisplayList *r) { setLineMode(r, ZelModeRef); });
  if (volumes && !faces) scene->Flags |= ZelFlgVolumes;
  // The switch belongs to this scene: another window's mesh keeps composing all its lists.
  scene->VerOnly = !edges && !faces && !volumes;
  if (scene->VerOnly) scene->Flags |= ZelFlgPoints;
}

ZelEntDisplayList *zelGetDisList(ZelMesh *zelMsh, int element, int type) {
  switch (type) {
    case KmfFaceEdges:
    case KmfFaceP2Edges: return nullptr;
    case KmfVolumeEdges:
      printf("ZELGETDISLIST Not Implemented for KmfVolumeEdges");
      return nullptr;
    default: break;
  }
  if (!hasBuilder(type)) {
    fprintf(stderr, " ## ERROR: ZELGETDISLIST: TYPE %d IS UNKNOW \n", type);
    myexit("FATAL INTERNAL ERROR: INVALID TYPE \n", 100);
  }
  ZelEntity *ent = zelGetEntity(zelMsh, type);
  if (!ent || !ent->DspLst || !ent->Lnk || element < 1 || element > ent->MaxNbrLnk) return nullptr;
  int grp = ent->Lnk[element].Grp;
  if (grp < 1 || grp > ent->NbrLst) return nullptr;
  return &ent->DspLst[grp];
}
