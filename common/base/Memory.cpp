#include "common/base/Memory.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

std::mutex &lockOf(Memory_List *list) { return *static_cast<std::mutex *>(list->Lock); }

// Formats into a bounded buffer and stores the text cut to the record's size.
void formatLabel(char *dst, const char *format, va_list args) {
  char buf[1024];
  vsnprintf(buf, sizeof(buf), format ? format : "", args);
  size_t len = std::strlen(buf);
  if (len > sizeof(MemoryChunk::Label) - 1) len = sizeof(MemoryChunk::Label) - 1;
  std::memcpy(dst, buf, len);
  dst[len] = '\0';
}

// Returns the link that points at the record of block, or null when the block is not live.
MemoryChunk **findLink(Memory_List *list, void *block) {
  for (MemoryChunk **lnk = &list->UsedChunks; *lnk; lnk = &(*lnk)->Nxt)
    if ((*lnk)->Adr == block) return lnk;
  return nullptr;
}

// The record of a live block, or null after reporting an empty list or an unknown block.
MemoryChunk **findRecord(Memory_List *list, void *block, const char *label, const char *verb) {
  if (!list->UsedChunks) {
    fprintf(stderr, "  ## ERROR: MEMORY(%p): CANNOT %s %s\n", static_cast<void *>(list), verb, label);
    fprintf(stderr, "  MEMORY IS EMPTY \n");
    return nullptr;
  }
  MemoryChunk **lnk = findLink(list, block);
  if (!lnk)
    fprintf(stderr, "  ## ERROR: MEMORY(%p): CANNOT FIND OBJECT : %p:  NAME %s \n",
            static_cast<void *>(list), block, label);
  return lnk;
}

long long megabytes(size_t size) { return static_cast<long long>(size / (1 << 20)); }

// A new block recorded in the list (plain when the list is null), cleared when zero is set.
void *allocBlock(Memory_List *list, size_t size, bool zero, const char *format, va_list args) {
  // A request for zero bytes still gets a distinct block so that it is never mistaken for
  // a failure.
  size_t req = size ? size : 1;
  if (!list) return zero ? std::calloc(1, req) : std::malloc(req);

  char label[sizeof(MemoryChunk::Label)];
  formatLabel(label, format, args);

  std::unique_lock<std::mutex> lock(lockOf(list));
  MemoryChunk *rec = list->FreeChunks;
  if (!rec) {
    fprintf(stderr, "  ## ERROR: MEMORY(%p): CANNOT ALLOCATE %s \n", static_cast<void *>(list), label);
    fprintf(stderr, "  MAXIMUM NUMBER OF CONSECUTIVE ALLOCATIONS %d REACHED \n", list->MaxChunks);
    lock.unlock();
    myexit("FATAL ERROR: MEMORY FAILURE", 100);
  }
  void *block = zero ? std::calloc(1, req) : std::malloc(req);
  if (!block) {
    fprintf(stderr, "  ## ERROR: MEMORY(%p): CANNOT ALLOCATE %s \n", static_cast<void *>(list), label);
    fprintf(stderr, "  CALL TO MALLOC FAILED FOR SIZE %lld MB\n", megabytes(size));
    return nullptr;
  }
  list->FreeChunks = rec->Nxt;
  rec->Adr = block;
  rec->Siz = size;
  std::memcpy(rec->Label, label, sizeof(label));
  rec->Nxt = list->UsedChunks;
  list->UsedChunks = rec;
  list->CurMem += static_cast<int64_t>(size);
  list->TotMem += static_cast<int64_t>(size);
  if (list->CurMem > list->PeakMem) list->PeakMem = list->CurMem;
  list->NbrActive++;
  list->NbrAllocated++;
  return block;
}

}  // namespace

Memory_List *NewMemory(int n) {
  if (n < 1) return nullptr;
  auto *list = static_cast<Memory_List *>(std::calloc(1, sizeof(Memory_List)));
  if (!list) return nullptr;
  list->ChunkPool = static_cast<MemoryChunk *>(std::calloc(static_cast<size_t>(n), sizeof(MemoryChunk)));
  if (!list->ChunkPool) {
    std::free(list);
    return nullptr;
  }
  list->Lock = new std::mutex;
  list->MaxChunks = n;
  for (int i = 0; i < n - 1; i++) list->ChunkPool[i].Nxt = &list->ChunkPool[i + 1];
  list->FreeChunks = &list->ChunkPool[0];
  return list;
}

void *Alloc(Memory_List *list, void *, size_t size, const char *format, ...) {
  va_list args;
  va_start(args, format);
  void *block = allocBlock(list, size, false, format, args);
  va_end(args);
  return block;
}

void *AllocZeroed(Memory_List *list, void *, size_t size, const char *format, ...) {
  va_list args;
  va_start(args, format);
  void *block = allocBlock(list, size, true, format, args);
  va_end(args);
  return block;
}

void *ReAlloc(Memory_List *list, void *block, size_t size, const char *format, ...) {
  if (!block) return nullptr;
  size_t req = size ? size : 1;
  if (!list) return std::realloc(block, req);

  char label[sizeof(MemoryChunk::Label)];
  va_list args;
  va_start(args, format);
  formatLabel(label, format, args);
  va_end(args);

  std::lock_guard<std::mutex> lock(lockOf(list));
  // Reallocating a block this list does not own would corrupt someone else's memory.
  MemoryChunk **lnk = findRecord(list, block, label, "RE-ALLOCATE");
  if (!lnk) return nullptr;
  void *moved = std::realloc(block, req);
  if (!moved) {
    // The old block stays valid and recorded: the caller still owns it.
    fprintf(stderr, "  ## ERROR: MEMORY(%p): CANNOT RE-ALLOCATE %s\n", static_cast<void *>(list), label);
    fprintf(stderr, "  CALL TO MALLOC FAILED FOR SIZE %lld MB\n", megabytes(size));
    return nullptr;
  }
  MemoryChunk *rec = *lnk;
  int64_t delta = static_cast<int64_t>(size) - static_cast<int64_t>(rec->Siz);
  rec->Adr = moved;
  rec->Siz = size;
  list->CurMem += delta;
  if (delta > 0)
    list->TotMem += delta;
  else
    list->RelMem -= delta;
  if (list->CurMem > list->PeakMem) list->PeakMem = list->CurMem;
  return moved;
}

void *Free(Memory_List *list, void *block, const char *format, ...) {
  if (!block) return nullptr;
  if (!list) {
    std::free(block);
    return nullptr;
  }

  char label[sizeof(MemoryChunk::Label)];
  va_list args;
  va_start(args, format);
  formatLabel(label, format, args);
  va_end(args);

  std::lock_guard<std::mutex> lock(lockOf(list));
  MemoryChunk **lnk = findRecord(list, block, label, "DEALLOCATE");
  if (!lnk) {
    for (MemoryChunk *rec = list->UsedChunks; rec; rec = rec->Nxt)
      printf("  MEMRORY(%p) CONTAINS %p WHILE LOOKING FOR %p \n", static_cast<void *>(list), rec->Adr, block);
    return block;
  }
  MemoryChunk *rec = *lnk;
  *lnk = rec->Nxt;
  list->CurMem -= static_cast<int64_t>(rec->Siz);
  list->RelMem += static_cast<int64_t>(rec->Siz);
  rec->Adr = nullptr;
  rec->Siz = 0;
  rec->Nxt = list->FreeChunks;
  list->FreeChunks = rec;
  list->NbrActive--;
  list->NbrReleased++;
  std::free(block);
  return nullptr;
}

double GetCurrentMemory(Memory_List *list) {
  return list ? static_cast<double>(list->CurMem) / (1 << 20) : 0.0;
}

double GetPeakMemory(Memory_List *list) {
  return list ? static_cast<double>(list->PeakMem) / (1 << 20) : 0.0;
}

int PrintMemory(Memory_List *list) {
  if (!list) return 0;
  std::lock_guard<std::mutex> lock(lockOf(list));
  printf("\n  -- MEMORY USAGE FOR MEMORY %p\n", static_cast<void *>(list));
  printf("     Chunk     :  %d active \t%d allocated \t%d released\n", list->NbrActive,
         list->NbrAllocated, list->NbrReleased);
  if (list->PeakMem > 999999) {
    const long long u = 1 << 20;
    printf("     MegaBytes :  %lld active \t%lld allocated \t%lld released\n",
           static_cast<long long>(list->CurMem) / u, static_cast<long long>(list->TotMem) / u,
           static_cast<long long>(list->RelMem) / u);
    printf("     Peak memory alloc   : %lld megabytes\n", static_cast<long long>(list->PeakMem) / u);
    printf("     Needed memory alloc : %lld megabytes\n", static_cast<long long>(list->NeedMem) / u);
  } else {
    const long long u = 1024;
    printf("     KiloBytes :  %lld active \t%lld allocated \t%lld released\n",
           static_cast<long long>(list->CurMem) / u, static_cast<long long>(list->TotMem) / u,
           static_cast<long long>(list->RelMem) / u);
    printf("     Peak memory alloc   : %lld kilobytes\n", static_cast<long long>(list->PeakMem) / u);
    printf("     Needed memory alloc : %lld kilobytes\n", static_cast<long long>(list->NeedMem) / u);
  }
  printf("\n");
  return 1;
}

void VerifMemory(Memory_List *list) {
  if (!list) return;
  std::lock_guard<std::mutex> lock(lockOf(list));
  for (MemoryChunk *rec = list->UsedChunks; rec; rec = rec->Nxt) {
    fprintf(stderr, "  ## ERROR: MEMORY(%p), ADRESS %p HASN'T BEEN FREE \n", static_cast<void *>(list), rec->Adr);
    fprintf(stderr, "  ## ERROR: ALLOCATED WITH %s \n", rec->Label);
  }
}

int FreeMemory(Memory_List *list) {
  if (!list) return 0;
  for (MemoryChunk *rec = list->UsedChunks; rec; rec = rec->Nxt) {
    std::free(rec->Adr);
    rec->Adr = nullptr;
  }
  std::free(list->ChunkPool);
  delete static_cast<std::mutex *>(list->Lock);
  std::free(list);
  return 0;
}

void myexit(const char *message, int code) {
  if (message)
    fprintf(stderr, "  ## EXITING WITH CODE %d: MESSAGE: %s \n", code, message);
  else
    fprintf(stderr, "  ## EXITING WITH CODE %d \n", code);
  fflush(stdout);
  exit(code);
}
