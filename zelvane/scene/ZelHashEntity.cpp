// Grouping the elements of every entity by reference.
//
// Each alive element joins the group of its reference at the end of the group's chain, so a
// chain lists its elements in element order. Groups are found through a scratch map, one
// lookup per element whatever the number of references; the entity's reference hash gets one
// entry per group. All but vertices and normals then have their groups sorted by reference.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/base/Clock.h"
#include "common/base/FunctionInterface.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelHybridHash.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScratchMap.h"

namespace {

const int kHashOrder[14] = {KmfVertices,     KmfEdges,           KmfEdgesP2,          KmfTriangles,
                            KmfTrianglesP2,  KmfQuadrilaterals,  KmfQuadrilateralsQ2, KmfTetrahedra,
                            KmfTetrahedraP2, KmfPyramids,        KmfPrisms,           KmfHexahedra,
                            KmfHexahedraQ2,  KmfNormalAtVertices};

uint64_t refKey(int ref) { return static_cast<uint32_t>(ref); }

// Adds the alive elements of the kind (every normal) to a freshly emptied entity.
void groupElements(Memory_List *mem, Geometric_Mesh *msh, int kind, ZelEntity *ent) {
  ZelElems el = zelElems(msh, kind);
  if (!el.exists()) return;
  // Elements beyond what the entity was sized for wait for zelReAllocEntity.
  int count = std::min({el.Count, ent->MaxNbrDep, ent->MaxNbrLnk});
  ZelScratchMap groups;
  int lastRef = 0, lastGrp = 0;
  for (int i = 1; i <= count; i++) {
    if (el.TagOff >= 0 && !(TagAtomicLoad(el.tag(i)) & TAG_ALIVE)) continue;
    int ref = el.ref(i);
    // Neighbouring elements mostly share their reference.
    int d = (lastGrp && ref == lastRef) ? lastGrp : groups.insert(refKey(ref), ent->NbrDep + 1);
    if (d > ent->NbrDep) {
      ent->NbrDep = d;
      ent->Dep[d] = {i, i, ref};
      const int pair[2] = {ref, d};
      if (!geoAddHybridHash(mem, ent->HshRef, pair)) zelAllocFailure("zelHashAllEntity", "HshRef");
    } else {
      ent->Lnk[ent->Dep[d].Lst].Nxt = i;
      ent->Dep[d].Lst = i;
    }
    ent->Lnk[i].Grp = d;
    ent->Lnk[i].Nxt = 0;
    lastRef = ref;
    lastGrp = d;
  }
}

// Sorts the groups by reference and renumbers the links and the hash accordingly.
void sortGroups(ZelEntity *ent) {
  int n = ent->NbrDep;
  if (n < 2) return;
  std::sort(ent->Dep + 1, ent->Dep + n + 1, [](const ZelDep &a, const ZelDep &b) { return a.Ref < b.Ref; });
  std::vector<int> newIndex(static_cast<size_t>(n) + 1, 0);
  for (int g = 1; g <= n; g++) newIndex[ent->Lnk[ent->Dep[g].Fst].Grp] = g;
  for (int g = 1; g <= n; g++)
    for (int e = ent->Dep[g].Fst; e; e = ent->Lnk[e].Nxt) ent->Lnk[e].Grp = g;
  GeoHybridHashTable *tab = ent->HshRef;
  for (int b = 0; b < tab->MaxSiz; b++)
    for (GeoHybridHashBucket *c = tab->Head[b]; c; c = c->Nxt) c->Val = newIndex[c->Val];
}

// Empties an entity's groups before grouping again.
void clearGroups(Memory_List *mem, ZelEntity *ent) {
  if (ent->NbrDep == 0 && ent->HshRef && ent->HshRef->NbrEnt == 0) return;
  for (int d = 1; d <= ent->NbrDep; d++)
    for (int e = ent->Dep[d].Fst; e;) {
      int nxt = ent->Lnk[e].Nxt;
      ent->Lnk[e].Grp = ent->Lnk[e].Nxt = 0;
      e = nxt;
    }
  ent->NbrDep = 0;
  geoFreeHybridHashTable(mem, ent->HshRef);
  ent->HshRef = geoNewHybridHashTable(mem, ZelHashBuckets, ZelHashEntityCells);
  if (!ent->HshRef) zelAllocFailure("zelHashAllEntity", "HshRef");
}

}  // namespace

int zelHashAllEntity(Function_Interface *fi, Geometric_Mesh *msh, ZelMesh *zelMsh) {
  if (!fi || !msh || !zelMsh) return 0;
  Memory_List *mem = fi->Mem;
  double t0 = GetWallClock();
  for (int kind : kHashOrder) {
    ZelEntity *ent = zelGetEntity(zelMsh, kind);
    if (!ent || !ent->Dep || !ent->Lnk) continue;
    clearGroups(mem, ent);
    groupElements(mem, msh, kind, ent);
    if (kind != KmfVertices && kind != KmfNormalAtVertices) sortGroups(ent);
  }
  printf("  Cpu Time to hash entities       %lg (s)\n", GetWallClock() - t0);
  return 1;
}
