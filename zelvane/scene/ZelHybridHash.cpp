// The reference hash of the entities: bucket chains over cells carved from large blocks.
#include "zelvane/scene/ZelHybridHash.h"

#include <cstdio>

#include "common/base/Memory.h"

namespace {

// A block of nbrObjLoc + 1 cells, all chained as free in array order, pushed in front of the
// table's blocks and made its free list (the previous free cells, if any, follow the block).
bool addBlock(Memory_List *mem, GeoHybridHashTable *tab, int nbrObjLoc) {
  auto *newHsh =
      static_cast<GeoHybridHashMemBucket *>(MEM_ALLOC(mem, newHsh, sizeof(GeoHybridHashMemBucket)));
  if (!newHsh) return false;
  size_t cells = static_cast<size_t>(nbrObjLoc) + 1;
  newHsh->Dat = static_cast<GeoHybridHashBucket *>(
      MEM_ALLOC(mem, newHsh->Dat, sizeof(GeoHybridHashBucket) * (nbrObjLoc + 1)));
  if (!newHsh->Dat) {
    MEM_FREE(mem, newHsh);
    return false;
  }
  for (size_t i = 0; i + 1 < cells; i++) newHsh->Dat[i] = {0, 0, &newHsh->Dat[i + 1]};
  newHsh->Dat[cells - 1] = {0, 0, tab->Free};
  newHsh->NbrObjLoc = nbrObjLoc;
  newHsh->Nxt = tab->MemBlk;
  tab->MemBlk = newHsh;
  tab->Free = &newHsh->Dat[0];
  tab->NbrBlk++;
  return true;
}

}  // namespace

GeoHybridHashTable *geoNewHybridHashTable(Memory_List *mem, int maxSiz, int nbrObjLoc) {
  if (maxSiz < 1 || (maxSiz & (maxSiz - 1)) || nbrObjLoc < 0) return nullptr;
  auto *tab = static_cast<GeoHybridHashTable *>(MEM_ALLOC(mem, new->HshRef, sizeof(GeoHybridHashTable)));
  if (!tab) return nullptr;
  *tab = GeoHybridHashTable{};
  tab->MaxSiz = maxSiz;
  tab->Head = static_cast<GeoHybridHashBucket **>(
      MEM_ALLOC(mem, new->HshRef->Head, sizeof(GeoHybridHashBucket *) * maxSiz));
  if (!tab->Head || !addBlock(mem, tab, nbrObjLoc)) return geoFreeHybridHashTable(mem, tab);
  for (int i = 0; i < maxSiz; i++) tab->Head[i] = nullptr;
  return tab;
}

GeoHybridHashTable *geoFreeHybridHashTable(Memory_List *mem, GeoHybridHashTable *tab) {
  if (!tab) return nullptr;
  for (GeoHybridHashMemBucket *blk = tab->MemBlk; blk;) {
    GeoHybridHashMemBucket *nxt = blk->Nxt;
    MEM_FREE(mem, blk->Dat);
    MEM_FREE(mem, blk);
    blk = nxt;
  }
  if (tab->Head) MEM_FREE(mem, tab->Head);
  MEM_FREE(mem, tab);
  return nullptr;
}

int geoAddHybridHash(Memory_List *mem, GeoHybridHashTable *tab, const int pair[2]) {
  if (!tab || !tab->Head) return 0;
  if (!tab->Free && !addBlock(mem, tab, ZelHashGrowthCells)) {
    fprintf(stderr, "  ## HASHTABLE FATAL ERROR: FULL HASH TABLE \n");
    return 0;
  }
  GeoHybridHashBucket *cell = tab->Free;
  tab->Free = cell->Nxt;
  int b = geoHybridHashBucket(pair[0], tab->MaxSiz);
  *cell = {pair[0], pair[1], tab->Head[b]};
  tab->Head[b] = cell;
  tab->NbrEnt++;
  return 1;
}

int geoFindHybridHash(const GeoHybridHashTable *tab, int key) {
  if (!tab || !tab->Head) return 0;
  for (const GeoHybridHashBucket *c = tab->Head[geoHybridHashBucket(key, tab->MaxSiz)]; c; c = c->Nxt)
    if (c->Key == key) return c->Val;
  return 0;
}
