#include "common/topology/Hash.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "common/base/Memory.h"

namespace {

// Pools and stores grow by this many entries or ints times a factor that doubles each time,
// up to kMaxGrowth: beyond it every new block has the same size, so sizes stay ints and a
// runaway caller cannot ask for one huge block.
const int kGrowthUnit = 200000;
const int kMaxGrowth = 256;

void ReportFull(int growth, long long size) {
  fprintf(stderr, "  ## HASHTABLE FATAL ERROR: FULL HASH TABLE NCALL %d SIZE %lld \n", growth, size);
}

// A pool of n entries, carved from its start as entries are needed: its pages are touched
// only when used.
bool AddPool(HybridHashTable *tab, int n) {
  size_t bytes = sizeof(HybridHashPool) + sizeof(HybridHashEntry) * static_cast<size_t>(n);
  auto *pool = static_cast<HybridHashPool *>(MEM_ALLOC(nullptr, pool, bytes));
  if (!pool) return false;
  pool->Ent = reinterpret_cast<HybridHashEntry *>(pool + 1);
  pool->Nbr = n;
  pool->Used = 0;
  pool->Prv = tab->Pools;
  tab->Pools = pool;
  return true;
}

// The next fresh entry of the newest pool, or null when it is used up.
HybridHashEntry *FreshEntry(HybridHashTable *tab) {
  HybridHashPool *pool = tab->Pools;
  if (!pool || pool->Used >= pool->Nbr) return nullptr;
  HybridHashEntry *e = &pool->Ent[pool->Used++];
  e->Tup = nullptr;
  return e;
}

inline bool SameKey(const int *a, const int *b, int n) {
  for (int i = 0; i < n; i++)
    if (a[i] != b[i]) return false;
  return true;
}

bool AddStore(HybridHashTable *tab, int n) {
  size_t bytes = sizeof(HybridHashStore) + sizeof(int) * static_cast<size_t>(n);
  auto *store = static_cast<HybridHashStore *>(MEM_ALLOC(nullptr, store, bytes));
  if (!store) return false;
  store->Dat = reinterpret_cast<int *>(store + 1);
  store->Used = 0;
  store->Cap = n;
  store->Prv = tab->Store;
  tab->Store = store;
  return true;
}

int NextGrowth(int growth) { return growth < kMaxGrowth ? 2 * growth : growth; }

inline HybridHashEntry **bucketOf(HybridHashTable *tab, uint32_t hash) {
  return &tab->Buckets[uti_HybridHashBucket(tab, hash)];
}

// The salt tests force, 0 for none.
uint64_t forcedSalt = 0;

// A salt of its own for every table: the clock's nanoseconds, a count of the tables made and
// the table's address, through a splitmix finaliser.
uint64_t drawSalt(const HybridHashTable *tab) {
  static uint64_t made = 0;
  uint64_t forced = __atomic_load_n(&forcedSalt, __ATOMIC_RELAXED);
  if (forced) return forced;
  uint64_t x = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  x ^= (__atomic_fetch_add(&made, 1, __ATOMIC_RELAXED) + 1) * 0x9E3779B97F4A7C15ull;
  x ^= static_cast<uint64_t>(reinterpret_cast<uintptr_t>(tab)) << 16;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

HybridHashEntry *Search(HybridHashTable *tab, int typ, uint32_t hash, int keyLen, const int *key,
                        bool remove) {
  if (!tab || !key || keyLen < 1) return nullptr;
  HybridHashEntry **lnk = bucketOf(tab, hash);
  for (HybridHashEntry *e = *lnk; e; lnk = &e->Nxt, e = e->Nxt) {
    if (e->KeyLen != keyLen || (typ >= 1 && e->Typ != typ)) continue;
    if (!SameKey(e->Itm, key, keyLen)) continue;
    if (remove) {
      *lnk = e->Nxt;
      e->Nxt = tab->FreeEnt;
      tab->FreeEnt = e;
    }
    return e;
  }
  return nullptr;
}

}  // namespace

void uti_SetHybridHashSalt(uint64_t salt) { __atomic_store_n(&forcedSalt, salt, __ATOMIC_RELAXED); }

uint32_t uti_HybridHashKey(int keyLen, const int *key) {
  uint64_t h = static_cast<uint64_t>(keyLen);
  for (int i = 0; i < keyLen; i++) h = (h ^ static_cast<uint32_t>(key[i])) * 0x9E3779B97F4A7C15ull;
  return static_cast<uint32_t>(h >> 32);
}

HybridHashTable *uti_NewHybridHashTable(int expected, int chunk) {
  if (expected < 1) return nullptr;
  if (chunk < 1) chunk = 1000;
  if (chunk == INT32_MAX) chunk--;
  auto *tab = static_cast<HybridHashTable *>(MEM_ALLOC(nullptr, tab, sizeof(HybridHashTable)));
  if (!tab) return nullptr;
  memset(tab, 0, sizeof(*tab));
  tab->Salt = drawSalt(tab);
  tab->NbrBuckets = 1;
  while (tab->NbrBuckets <= expected / 2) tab->NbrBuckets *= 2;
  tab->DatGrowth = tab->PoolGrowth = 1;
  tab->Buckets = static_cast<HybridHashEntry **>(
      MEM_ALLOC(nullptr, tab->Buckets, sizeof(HybridHashEntry *) * tab->NbrBuckets));
  if (!tab->Buckets || !AddPool(tab, chunk + 1) || !AddStore(tab, chunk)) {
    uti_FreeHybridHashTable(tab);
    return nullptr;
  }
  memset(tab->Buckets, 0, sizeof(HybridHashEntry *) * tab->NbrBuckets);
  return tab;
}

int uti_FreeHybridHashTable(HybridHashTable *tab) {
  if (!tab) return 0;
  // Every entry ever handed out lives in a pool: removed ones may still own a tuple list.
  for (HybridHashPool *pool = tab->Pools; pool;) {
    for (int i = 0; i < pool->Used; i++) uti_FreeTuple(pool->Ent[i].Tup);
    HybridHashPool *prv = pool->Prv;
    MEM_FREE(nullptr, pool);
    pool = prv;
  }
  for (HybridHashStore *store = tab->Store; store;) {
    HybridHashStore *prv = store->Prv;
    MEM_FREE(nullptr, store);
    store = prv;
  }
  if (tab->Buckets) MEM_FREE(nullptr, tab->Buckets);
  MEM_FREE(nullptr, tab);
  return 0;
}

int uti_EmptyHybridHashTable(HybridHashTable *tab) {
  if (!tab) return 0;
  // The first pool and store are the last of their lists.
  while (HybridHashPool *pool = tab->Pools) {
    for (int i = 0; i < pool->Used; i++) pool->Ent[i].Tup = uti_FreeTuple(pool->Ent[i].Tup);
    if (!pool->Prv) {
      pool->Used = 0;
      break;
    }
    tab->Pools = pool->Prv;
    MEM_FREE(nullptr, pool);
  }
  while (HybridHashStore *store = tab->Store) {
    if (!store->Prv) {
      store->Used = 0;
      break;
    }
    tab->Store = store->Prv;
    MEM_FREE(nullptr, store);
  }
  tab->NbrPools = 0;
  tab->DatGrowth = tab->PoolGrowth = 1;
  tab->FreeEnt = nullptr;
  memset(tab->Buckets, 0, sizeof(HybridHashEntry *) * static_cast<size_t>(tab->NbrBuckets));
  return 1;
}

HybridHashEntry *uti_AddHybridHashTabKey(HybridHashTable *tab, int typ, uint32_t hash, int itmLen,
                                         int keyLen, const int *itm) {
  if (!tab || !itm || keyLen < 1 || itmLen < keyLen || itmLen > 255) return nullptr;

  if (!tab->FreeEnt && (!tab->Pools || tab->Pools->Used >= tab->Pools->Nbr)) {
    int n = tab->PoolGrowth * kGrowthUnit;
    tab->PoolGrowth = NextGrowth(tab->PoolGrowth);
    if (!AddPool(tab, n)) {
      ReportFull(tab->PoolGrowth, n);
      return nullptr;
    }
    tab->NbrPools++;
  }
  HybridHashStore *store = tab->Store;
  if (store->Cap - store->Used < itmLen) {
    int n = tab->DatGrowth * kGrowthUnit;
    tab->DatGrowth = NextGrowth(tab->DatGrowth);
    if (!AddStore(tab, n)) {
      ReportFull(tab->DatGrowth, n);
      return nullptr;
    }
    store = tab->Store;
  }

  HybridHashEntry *e = tab->FreeEnt;
  if (e) {
    tab->FreeEnt = e->Nxt;
    // A recycled entry may still own the list it had when it was removed.
    e->Tup = uti_FreeTuple(e->Tup);
  } else {
    e = FreshEntry(tab);
  }
  e->Typ = static_cast<uint8_t>(typ);
  e->KeyLen = static_cast<uint8_t>(keyLen);
  e->ItmLen = static_cast<uint8_t>(itmLen);
  e->Itm = store->Dat + store->Used;
  store->Used += itmLen;
  // Int by int (the compiler may not merge the reads): callers write their item just before,
  // an int at a time, and a wider read of it would wait for those writes to reach the cache.
  const volatile int *src = itm;
  for (int k = 0; k < itmLen; k++) e->Itm[k] = src[k];
  HybridHashEntry **head = bucketOf(tab, hash);
  e->Nxt = *head;
  *head = e;
  return e;
}

HybridHashEntry *uti_AddHybridHashTab(HybridHashTable *tab, int typ, int itmLen, int keyLen,
                                      const int *itm) {
  if (!itm || keyLen < 1) return nullptr;
  if (!tab) return nullptr;
  return uti_AddHybridHashTabKey(tab, typ, uti_HybridHashTabKey(tab, keyLen, itm), itmLen, keyLen, itm);
}

HybridHashEntry *uti_HybridHashTabFindKey(HybridHashTable *tab, int typ, uint32_t hash, int keyLen,
                                          const int *key) {
  return Search(tab, typ, hash, keyLen, key, false);
}

HybridHashEntry *uti_HybridHashTabFind(HybridHashTable *tab, int typ, int keyLen, const int *key) {
  if (!tab || !key || keyLen < 1) return nullptr;
  return Search(tab, typ, uti_HybridHashTabKey(tab, keyLen, key), keyLen, key, false);
}

HybridHashEntry *uti_HybridHashTabFindRemoveKey(HybridHashTable *tab, int typ, uint32_t hash,
                                                int keyLen, const int *key) {
  return Search(tab, typ, hash, keyLen, key, true);
}

HybridHashEntry *uti_HybridHashTabFindRemove(HybridHashTable *tab, int typ, int keyLen,
                                             const int *key) {
  if (!tab || !key || keyLen < 1) return nullptr;
  return Search(tab, typ, uti_HybridHashTabKey(tab, keyLen, key), keyLen, key, true);
}

int uti_HybridHashTableStat(const HybridHashTable *tab) {
  if (!tab) return 0;
  long long objects = 0, collisions = 0;
  int empty = 0, longest = 0;
  for (int b = 0; b < tab->NbrBuckets; b++) {
    int chain = 0;
    for (const HybridHashEntry *e = tab->Buckets[b]; e; e = e->Nxt) chain++;
    objects += chain;
    if (!chain) empty++;
    if (chain > 1) collisions += chain - 1;
    if (chain > longest) longest = chain;
  }
  int used = tab->NbrBuckets - empty;
  printf("    Number of objects    %lld Table size %d\n", objects, tab->NbrBuckets);
  printf("    Number of collisions %lld\n", collisions);
  printf("    Number of empty box  %d\n", empty);
  printf("    Maximum number of collisons for a key %d\n", longest);
  printf("    Mean    number of collisons for a key %2.2lf\n",
         used ? static_cast<double>(objects) / used : 0.0);
  return 1;
}

int uti_HybridHashFreeTyp(HybridHashTable *tab, int typ) {
  if (!tab) return 0;
  for (int b = 0; b < tab->NbrBuckets; b++) {
    HybridHashEntry **lnk = &tab->Buckets[b];
    while (HybridHashEntry *e = *lnk) {
      if (e->Typ != typ) {
        lnk = &e->Nxt;
        continue;
      }
      e->Tup = uti_FreeTuple(e->Tup);
      *lnk = e->Nxt;
      e->Nxt = tab->FreeEnt;
      tab->FreeEnt = e;
    }
  }
  return 1;
}
