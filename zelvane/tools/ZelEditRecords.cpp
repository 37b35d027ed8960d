// Moving edited elements between display records: finding or making the record of a
// reference, the chain walks, and the reference change that every relabelling tool ends with.
#include <vector>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHybridHash.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelEdit.h"
#include "zelvane/tools/ZelEditInternal.h"

int zelEditRecordOf(Memory_List *mem, ZelEntity *ent, int kind, int ref, const char *fatal, bool *made) {
  if (made) *made = false;
  if (!ent->HshRef) myexit(fatal, 100);
  if (int rec = geoFindHybridHash(ent->HshRef, ref)) return rec;
  if (!ent->DspLst || ent->NbrLst >= ent->MaxNbrLst) return 0;
  const int rec = ent->NbrLst + 1;
  const int pair[2] = {ref, rec};
  if (!geoAddHybridHash(mem, ent->HshRef, pair)) myexit(fatal, 100);
  ent->NbrLst = rec;
  zelIniEntDisplayList(&ent->DspLst[rec], kind, ref, 0);
  if (made) *made = true;
  return rec;
}

int zelEditChangeRef(ZelScene *scene, int kind, const int *elements, int n, int ref, const char *fatal) {
  if (!scene || !scene->Msh || !scene->ZelMsh || !elements || n <= 0) return ZelEditNothing;
  ZelEntity *ent = zelGetEntity(scene->ZelMsh, kind);
  const ZelElems el = zelElems(scene->Msh, kind);
  if (!ent || !ent->Lnk || !el.exists() || el.RefOff < 0) return ZelEditNothing;
  zelMakeCurrent(scene->Win);  // a new record reserves its list ids
  const int to = zelEditRecordOf(scene->Mem, ent, kind, ref, fatal);
  if (!to) return ZelEditNoRoom;

  // The records the elements come from; the new record's own elements stay where they are.
  std::vector<char> from(static_cast<size_t>(ent->NbrLst) + 1, 0);
  for (int k = 0; k < n; k++) {
    const int e = elements[k];
    if (e < 1 || e > el.Count || e > ent->MaxNbrLnk) continue;
    *zeledit::refOf(el, e) = ref;
    const int g = ent->Lnk[e].Grp;
    if (g >= 1 && g <= ent->NbrLst && g != to) from[g] = 1;
  }
  for (int g = 1; g <= ent->NbrLst; g++) {
    if (!from[g]) continue;
    zeledit::relinkChain(ent, g, to, [&](int e) { return *zeledit::refOf(el, e) == ref; });
    zeledit::rebuild(scene, kind, g);
  }
  zeledit::rebuild(scene, kind, to);
  return ZelEditDone;
}

namespace zeledit {

void linkAtTail(ZelEntity *ent, int rec, int first, int last) {
  if (first > last) return;
  for (int e = first; e <= last; e++) ent->Lnk[e] = ZelLink{rec, e < last ? e + 1 : 0, 0};
  ZelEntDisplayList &r = ent->DspLst[rec];
  if (!r.Head) {
    r.Head = first;
  } else {
    int tail = r.Head;
    while (ent->Lnk[tail].Nxt) tail = ent->Lnk[tail].Nxt;
    ent->Lnk[tail].Nxt = first;
  }
  if (rec <= ent->MaxNbrDep) ent->Dep[rec].Lst = last;
}

ZelEntity *grownEntity(ZelScene *scene, int kind) {
  ZelEntity **slot = zelEntitySlot(scene->ZelMsh, kind);
  if (!slot) return nullptr;
  if (*slot) {
    *slot = zelReAllocEntity(*slot, scene->Mem, scene->Msh, kind, 0);
  } else {
    *slot = zelNewEntity(scene->Mem, scene->Msh, kind, 0);
    (*slot)->NbrDep = 0;
    zelMakeCurrent(scene->Win);
    iniDisplayLists(scene->Mem, *slot, kind);
  }
  return (*slot)->Lnk ? *slot : nullptr;
}

bool recordRoom(const ZelEntity *ent, int ref, const char *fatal) {
  if (!ent) return true;
  if (!ent->HshRef) myexit(fatal, 100);
  return geoFindHybridHash(ent->HshRef, ref) || ent->NbrLst < ent->MaxNbrLst;
}

void rebuild(ZelScene *scene, int kind, int rec) {
  ZelEntity *ent = zelGetEntity(scene->ZelMsh, kind);
  zelMakeCurrent(scene->Win);
  zelUpdateList(kind, 1, scene, &ent->DspLst[rec]);
}

}  // namespace zeledit
