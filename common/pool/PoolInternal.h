// Helpers shared by the pool's source files; not part of the library's interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/base/Memory.h"
#include "common/pool/Parallel.h"

// Zeroed array of count records (the pool keeps no memory list of its own, so blocks come
// from the system allocator); null on failure or size overflow.
#define POOL_CALLOC(var, count, type) \
  static_cast<type *>(poolZero(MEM_ALLOC(nullptr, var, poolBytes((count), sizeof(type))), (count) * sizeof(type)))

inline size_t poolBytes(size_t count, size_t size) {
  if (size && count > SIZE_MAX / size) return SIZE_MAX;  // the allocator refuses it
  return count * size;
}

inline void *poolZero(void *block, size_t bytes) {
  if (block) std::memset(block, 0, bytes);
  return block;
}

// Slot of a declared type number, or null.
inline LoopType *poolType(ParallelPool *par, int type) {
  if (!par || type < 1 || type > PoolMaxTypes || par->Typ[type].NbrLin < 1) return nullptr;
  return &par->Typ[type];
}

// Releases the dependency tables of a type and detaches its packages from them.
void poolFreeDependencies(LoopType *typ);
