// The list of saved states: made empty with the scene, freed with it.
#include "zelvane/scene/ZelState.h"

#include "common/base/Memory.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelView.h"

ZelStateList *zelNewState(Memory_List *mem) {
  auto *list = static_cast<ZelStateList *>(MEM_ALLOC(mem, state, sizeof(ZelStateList)));
  if (!list) zelAllocFailure("zelNewState", "state");
  *list = ZelStateList{};
  list->MaxState = ZelMaxState;
  list->Head =
      static_cast<ZelStateBucket **>(MEM_ALLOC(mem, state->Head, sizeof(ZelStateBucket *) * ZelMaxState));
  if (!list->Head) zelAllocFailure("zelNewState", "state->Head");
  for (int i = 0; i < ZelMaxState; i++) list->Head[i] = nullptr;
  return list;
}

ZelStateBucket *zelFreeStateBucket(Memory_List *mem, ZelStateBucket *bucket) {
  if (!bucket) return nullptr;
  if (bucket->View) MEM_FREE(mem, bucket->View);
  if (bucket->EntBuf) MEM_FREE(mem, bucket->EntBuf);
  if (bucket->EntState) MEM_FREE(mem, bucket->EntState);
  MEM_FREE(mem, bucket);
  return nullptr;
}

ZelStateList *zelFreeState(Memory_List *mem, ZelStateList *list) {
  if (!list) return nullptr;
  if (list->Head) {
    for (int i = 0; i < list->MaxState; i++) list->Head[i] = zelFreeStateBucket(mem, list->Head[i]);
    MEM_FREE(mem, list->Head);
  }
  MEM_FREE(mem, list);
  return nullptr;
}
