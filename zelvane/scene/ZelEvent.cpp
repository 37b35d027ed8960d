#include "zelvane/scene/ZelEvent.h"

#include "common/base/Memory.h"
#include "zelvane/scene/ZelAllocFailure.h"

ZelEvent *zelNewEvent(Memory_List *mem) {
  auto *evt = static_cast<ZelEvent *>(MEM_ALLOC(mem, evt, sizeof(ZelEvent)));
  if (!evt) zelAllocFailure("zelNewEvent", "evt");
  zelResetEvent(evt);
  return evt;
}

void zelResetEvent(ZelEvent *evt) {
  if (!evt) return;
  *evt = ZelEvent{};
  evt->keyChar = ' ';
}

int zelCpyEvent(const ZelEvent *from, ZelEvent *to) {
  if (!from || !to) return 0;
  to->buttons = from->buttons;
  to->keyChar = from->keyChar;
  to->keyBits = from->keyBits;
  return 1;
}

ZelEvent *zelFreeEvent(Memory_List *mem, ZelEvent *evt) {
  if (!evt) return nullptr;
  MEM_FREE(mem, evt);
  return nullptr;
}
