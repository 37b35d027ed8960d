#include "zelvane/scene/ZelStack.h"

#include <cstring>

#include "common/base/Memory.h"
#include "zelvane/scene/ZelAllocFailure.h"

namespace {

// The stack record and its array of n + 1 items, empty.
template <class Stack, class Item>
Stack *newStack(Memory_List *mem, int n, const char *function) {
  if (n < 1) n = 1;
  auto *stk = static_cast<Stack *>(MEM_ALLOC(mem, stk, sizeof(Stack)));
  if (!stk) zelAllocFailure(function, "stk");
  stk->Ent = static_cast<Item *>(MEM_ALLOC(mem, stk->Ent, sizeof(Item) * (static_cast<size_t>(n) + 1)));
  if (!stk->Ent) zelAllocFailure(function, "stk->Ent");
  std::memset(static_cast<void *>(stk->Ent), 0, sizeof(Item) * (static_cast<size_t>(n) + 1));
  stk->MaxNbrEnt = n;
  stk->Top = -1;
  return stk;
}

template <class Stack>
Stack *freeStack(Memory_List *mem, Stack *stk) {
  if (!stk) return nullptr;
  if (stk->Ent) MEM_FREE(mem, stk->Ent);
  MEM_FREE(mem, stk);
  return nullptr;
}

// Room for one more: at most MaxNbrEnt items, whatever the spare entry of the array.
template <class Stack>
bool hasRoom(const Stack *stk) {
  return stk && stk->Top + 1 < stk->MaxNbrEnt;
}

template <class Stack>
bool hasTop(const Stack *stk) {
  return stk && stk->Top >= 0 && stk->Top <= stk->MaxNbrEnt;
}

}  // namespace

GeoHybridStack *geoNewHybridStack(Memory_List *mem, int n) {
  return newStack<GeoHybridStack, GeoStackItem>(mem, n, "geoNewHybridStack");
}
GeoGenStack *geoNewGenStack(Memory_List *mem, int n) {
  return newStack<GeoGenStack, void *>(mem, n, "geoNewGenStack");
}
GeoHybridStack *geoFreeHybridStack(Memory_List *mem, GeoHybridStack *stk) { return freeStack(mem, stk); }
GeoGenStack *geoFreeGenStack(Memory_List *mem, GeoGenStack *stk) { return freeStack(mem, stk); }

int geoPushHybridStack(GeoHybridStack *stk, int idx, int typ) {
  if (!hasRoom(stk)) return 0;
  stk->Ent[++stk->Top] = {idx, typ};
  return 1;
}

int geoPushGenStack(GeoGenStack *stk, void *ptr) {
  if (!hasRoom(stk)) return 0;
  stk->Ent[++stk->Top] = ptr;
  return 1;
}

int geoPopHybridStack(GeoHybridStack *stk, int *idx, int *typ) {
  if (!hasTop(stk)) return 0;
  const GeoStackItem &it = stk->Ent[stk->Top--];
  if (idx) *idx = it.Idx;
  if (typ) *typ = it.Typ;
  return 1;
}

int geoPopGenStack(GeoGenStack *stk, void **ptr) {
  if (!hasTop(stk)) return 0;
  void *p = stk->Ent[stk->Top--];
  if (ptr) *ptr = p;
  return 1;
}

const GeoStackItem *geoTopHybridStack(const GeoHybridStack *stk) {
  return hasTop(stk) ? &stk->Ent[stk->Top] : nullptr;
}
