#include "tests/support/DisplayRecord.h"

#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelMesh.h"

void MakeDisplayRecord(ZelEntDisplayList *rec, int kind, int ref, int head) {
  *rec = ZelEntDisplayList{};
  zelIniEntDisplayList(rec, kind, ref, head);
}

void FreeDisplayRecord(ZelEntDisplayList *rec) { zelReleaseDisplayListIds(rec); }
