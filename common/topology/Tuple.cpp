#include "common/topology/Tuple.h"

#include <cstring>

#include "common/base/Memory.h"

TupleChunk *uti_NewTuple() {
  auto *chunk = static_cast<TupleChunk *>(MEM_ALLOC(nullptr, chunk, sizeof(TupleChunk)));
  if (!chunk) return nullptr;
  chunk->Nbr = 0;
  chunk->Nxt = nullptr;
  return chunk;
}

TupleChunk *uti_AddTuple(int value, TupleChunk *list) {
  TupleChunk *head = list;
  if (!head || head->Nbr >= TupleChunkSize) {
    head = uti_NewTuple();
    if (!head) return nullptr;
    head->Nxt = list;
  }
  head->Val[head->Nbr++] = value;
  return head;
}

int uti_GetTupleSize(const TupleChunk *list) {
  int n = 0;
  for (; list; list = list->Nxt) n += list->Nbr;
  return n;
}

int *uti_GetTupleArray(const TupleChunk *list, int *size) {
  int n = uti_GetTupleSize(list);
  if (size) *size = n;
  if (!n) return nullptr;
  auto *arr = static_cast<int *>(MEM_ALLOC(nullptr, arr, sizeof(int) * n));
  if (!arr) {
    if (size) *size = 0;
    return nullptr;
  }
  // The head holds the newest values: fill from the end.
  int pos = n;
  for (; list; list = list->Nxt) {
    pos -= list->Nbr;
    memcpy(arr + pos, list->Val, sizeof(int) * list->Nbr);
  }
  return arr;
}

TupleChunk *uti_FreeTuple(TupleChunk *list) {
  while (list) {
    TupleChunk *nxt = list->Nxt;
    MEM_FREE(nullptr, list);
    list = nxt;
  }
  return nullptr;
}
