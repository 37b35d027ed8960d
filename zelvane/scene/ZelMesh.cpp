// The display mesh's records: making, resizing and freeing the display mesh, its entities and
// its clip planes.
#include "zelvane/scene/ZelMesh.h"

#include <algorithm>
#include <cstring>

#include "common/base/Memory.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelHybridHash.h"
#include "zelvane/scene/ZelMatrix.h"

namespace {

// An array of n records of T through the memory list, all zero; a failure ends the process.
// The pages of a large array are touched only where it is written: an entity's groups and
// builder words of millions of elements mostly never are.
template <class T>
T *zeroed(Memory_List *mem, size_t n, const char *function, const char *array) {
  T *arr = static_cast<T *>(AllocZeroed(mem, nullptr, sizeof(T) * n, "A %s = %s IN FUNCTION %s LINE %d ", array,
                                        "n", function, __LINE__));
  if (!arr) zelAllocFailure(function, array);
  return arr;
}

// arr resized from oldN to newN records, the records past oldN zero.
template <class T>
T *resized(Memory_List *mem, T *arr, size_t oldN, size_t newN, const char *array) {
  if (!arr) return zeroed<T>(mem, newN, "zelReAllocEntity", array);
  T *grown = static_cast<T *>(ReAlloc(mem, arr, sizeof(T) * newN, "R %s = %s IN FUNCTION %s LINE %d ", array,
                                      "n", "zelReAllocEntity", __LINE__));
  if (!grown) zelAllocFailure("zelReAllocEntity", array);
  if (newN > oldN) std::memset(static_cast<void *>(grown + oldN), 0, sizeof(T) * (newN - oldN));
  return grown;
}

template <class T>
void release(Memory_List *mem, T *&arr) {
  if (arr) MEM_FREE(mem, arr);
  arr = nullptr;
}

}  // namespace

const int ZelEntityOrder[ZelNbrEntities] = {
    KmfVertices,     KmfEdges,       KmfVolumeEdges,     KmfTriangles, KmfQuadrilaterals, KmfTetrahedra,
    KmfPyramids,     KmfPrisms,      KmfHexahedra,       KmfEdgesP2,   KmfTrianglesP2,    KmfQuadrilateralsQ2,
    KmfTetrahedraP2, KmfHexahedraQ2, KmfNormalAtVertices};

ZelEntity **zelEntitySlot(ZelMesh *zelMsh, int kind) {
  if (!zelMsh) return nullptr;
  switch (kind) {
    case KmfVertices: return &zelMsh->VerEnt;
    case KmfEdges: return &zelMsh->EfrEnt;
    case KmfVolumeEdges: return &zelMsh->EdgEnt;
    case KmfTriangles: return &zelMsh->TriEnt;
    case KmfQuadrilaterals: return &zelMsh->QuaEnt;
    case KmfTetrahedra: return &zelMsh->TetEnt;
    case KmfPyramids: return &zelMsh->PyrEnt;
    case KmfPrisms: return &zelMsh->PriEnt;
    case KmfHexahedra: return &zelMsh->HexEnt;
    case KmfEdgesP2: return &zelMsh->P2EfrEnt;
    case KmfTrianglesP2: return &zelMsh->P2TriEnt;
    case KmfQuadrilateralsQ2: return &zelMsh->P2QuaEnt;
    case KmfTetrahedraP2: return &zelMsh->P2TetEnt;
    case KmfHexahedraQ2: return &zelMsh->P2HexEnt;
    case KmfNormalAtVertices: return &zelMsh->NorEnt;
  }
  return nullptr;
}

ZelEntity *zelGetEntity(const ZelMesh *zelMsh, int kind) {
  ZelEntity **slot = zelEntitySlot(const_cast<ZelMesh *>(zelMsh), kind);
  return slot ? *slot : nullptr;
}

ZelMesh *zelNewZelMesh(Memory_List *mem) { return zeroed<ZelMesh>(mem, 1, "zelNewZelMesh", "zelMsh"); }

ZelMesh *zelFreeZelMesh(Memory_List *mem, ZelMesh *zelMsh) {
  if (!zelMsh) return nullptr;
  release(mem, zelMsh->Crd);
  release(mem, zelMsh->LnkVer);
  zelMsh->Ver2Edg = geoFreeStaticBall(mem, zelMsh->Ver2Edg);
  release(mem, zelMsh->VolGerm);
  release(mem, zelMsh->SrfGerm);
  zelMsh->Pla = zelFreePlaEntity(mem, zelMsh->Pla);
  for (int kind : ZelEntityOrder) {
    ZelEntity **slot = zelEntitySlot(zelMsh, kind);
    *slot = zelFreeEntity(mem, *slot);
  }
  MEM_FREE(mem, zelMsh);
  return nullptr;
}

ZelEntity *zelNewEntity(Memory_List *mem, const Geometric_Mesh *msh, int kind, int /*zeroLinks*/) {
  ZelEntity *ent = zeroed<ZelEntity>(mem, 1, "zelNewEntity", "new");
  ent->MaxNbrDep = std::max(0, geoGetSizeType(msh, kind));
  ent->MaxNbrLnk = std::max(0, geoGetMaxSizeType(msh, kind));
  size_t slots = static_cast<size_t>(ent->MaxNbrLnk) + 1;
  ent->Dep = zeroed<ZelDep>(mem, static_cast<size_t>(ent->MaxNbrDep) + 1, "zelNewEntity", "new->Dep");
  ent->HshRef = geoNewHybridHashTable(mem, ZelHashBuckets, ZelHashEntityCells);
  if (!ent->HshRef) zelAllocFailure("zelNewEntity", "new->HshRef");
  // Links always start at zero: an element no group takes (a dead one) reads group 0.
  ent->Lnk = zeroed<ZelLink>(mem, slots, "zelNewEntity", "new->Lnk");
  ent->ZelLst = zeroed<int>(mem, slots, "zelNewEntity", "new->ZelLst");
  if (kind == KmfVertices) ent->Lvl = zeroed<int>(mem, slots, "zelNewEntity", "new->Lvl");
  return ent;
}

ZelEntity *zelReAllocEntity(ZelEntity *ent, Memory_List *mem, const Geometric_Mesh *msh, int kind,
                            int zeroLinks) {
  if (!ent) return zelNewEntity(mem, msh, kind, zeroLinks);
  // Groups already found stay, even if the count went below their number.
  int nbrDep = std::max({0, geoGetSizeType(msh, kind), ent->NbrDep});
  int nbrLnk = std::max(0, geoGetMaxSizeType(msh, kind));
  size_t oldSlots = static_cast<size_t>(ent->MaxNbrLnk) + 1, slots = static_cast<size_t>(nbrLnk) + 1;
  ent->Dep = resized(mem, ent->Dep, static_cast<size_t>(ent->MaxNbrDep) + 1, static_cast<size_t>(nbrDep) + 1,
                     "new->Dep");
  ent->Lnk = resized(mem, ent->Lnk, oldSlots, slots, "new->Lnk");
  ent->ZelLst = resized(mem, ent->ZelLst, oldSlots, slots, "new->ZelLst");
  if (kind == KmfVertices) ent->Lvl = resized(mem, ent->Lvl, oldSlots, slots, "new->Lvl");
  if (zeroLinks) std::memset(static_cast<void *>(ent->Lnk), 0, sizeof(ZelLink) * slots);
  ent->MaxNbrDep = nbrDep;
  ent->MaxNbrLnk = nbrLnk;
  return ent;
}

ZelEntity *zelFreeEntity(Memory_List *mem, ZelEntity *ent) {
  if (!ent) return nullptr;
  release(mem, ent->Dep);
  ent->HshRef = geoFreeHybridHashTable(mem, ent->HshRef);
  release(mem, ent->DspLst);
  release(mem, ent->Lnk);
  release(mem, ent->ZelLst);
  release(mem, ent->Lvl);
  MEM_FREE(mem, ent);
  return nullptr;
}

ZelPlaEntity *zelNewPlaEntity(Memory_List *mem) {
  ZelPlaEntity *pla = zeroed<ZelPlaEntity>(mem, 1, "zelNewPlaEntity", "new");
  zelIdentity(pla->FrmBase);
  zelIdentity(pla->FrmRot);
  zelIdentity(pla->FrmMat);
  return pla;
}

ZelPlaEntity *zelFreePlaEntity(Memory_List *mem, ZelPlaEntity *pla) {
  if (!pla) return nullptr;
  release(mem, pla->VolClipTag);
  release(mem, pla->FacClipTag);
  release(mem, pla->EdgClipTag);
  release(mem, pla->VerClipTag);
  MEM_FREE(mem, pla);
  return nullptr;
}
