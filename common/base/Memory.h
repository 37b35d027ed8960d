// Accounting allocator shared by the mesh library and the scene engine.
//
// Every block handed out is recorded with its size and a label that says what it is and
// where it was allocated, so that the program can report memory use, list blocks that were
// never released and refuse to run past a fixed number of live blocks.
#pragma once

#include <cstddef>
#include <cstdint>

struct MemoryChunk {
  void *Adr;         // the block
  uint64_t Siz;      // its current size in bytes
  char Label[128];   // formatted label, cut to the record
  MemoryChunk *Nxt;  // next record in the free or used list
};

struct Memory_List {
  int MaxChunks;
  MemoryChunk *FreeChunks;
  MemoryChunk *ChunkPool;
  MemoryChunk *UsedChunks;
  int64_t CurMem, TotMem, RelMem, PeakMem, NeedMem;
  int NbrActive, NbrAllocated, NbrReleased;
  // The list is used from the topology thread as well as the main thread.
  void *Lock;
};

Memory_List *NewMemory(int n);
void *Alloc(Memory_List *list, void *ignored, size_t size, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
// As Alloc, a block whose bytes are all zero. A large block's pages are touched only when
// written (the system hands them out cleared): parts never written cost neither time nor
// resident memory.
void *AllocZeroed(Memory_List *list, void *ignored, size_t size, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
void *ReAlloc(Memory_List *list, void *block, size_t size, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
void *Free(Memory_List *list, void *block, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
double GetCurrentMemory(Memory_List *list);
double GetPeakMemory(Memory_List *list);
int PrintMemory(Memory_List *list);
void VerifMemory(Memory_List *list);
int FreeMemory(Memory_List *list);
[[noreturn]] void myexit(const char *message, int code);

// Label helpers: the variable and the size expression are written into the label as they
// stand in the source, with the calling function and line.
#define MEM_ALLOC(mem, var, size)                                                         \
  Alloc((mem), nullptr, (size), "A %s = %s IN FUNCTION %s LINE %d ", #var, #size, __func__, \
        __LINE__)
#define MEM_REALLOC(mem, var, size)                                                      \
  ReAlloc((mem), (var), (size), "R %s = %s IN FUNCTION %s LINE %d ", #var, #size, __func__, \
          __LINE__)
#define MEM_FREE(mem, var) Free((mem), (var), "F %s IN FUNCTION %s LINE %d ", #var, __func__, __LINE__)
