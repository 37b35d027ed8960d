// A general hash table of entities keyed by a few vertex numbers (edges, faces).
//
// Buckets are a fixed power-of-two array of chained entries; entries and their items are
// carved from large pools so that millions of insertions cost a few allocations; a pool is
// carved in order as entries are needed, so a generous first pool costs nothing unused. Items are
// copied into the data store and never moved or reclaimed before the table is freed.
//
// The hash of a key mixes every one of its ints in order, so callers enter keys sorted; keys
// whose ints merely add up to the same sum land apart. Every table draws a salt of its own
// when it is made (from the clock), and its key hash (uti_HybridHashTabKey) and bucket choice
// start from it: a file cannot be prepared so that its keys share one bucket, because the
// buckets are not known before the table exists. Which entry a search finds does not depend on
// the salt (entries of one key always share a bucket, newest first). The bucket is taken from
// the high bits of a multiplied hash value, so that callers passing a hash of their own (the
// ...Key calls) spread over the table as well.
#pragma once

#include <cstdint>

#include "common/topology/Tuple.h"

struct HybridHashEntry {
  uint8_t Typ;     // entity type; 0 means any in searches
  uint8_t KeyLen;  // ints of the key, at the head of the item
  uint8_t ItmLen;  // ints of the item: the key, then the caller's payload
  int *Itm;
  TupleChunk *Tup;  // an owned tuple list, or null
  HybridHashEntry *Nxt;
};

struct HybridHashPool {
  HybridHashEntry *Ent;
  int Nbr;
  int Used;  // entries handed out so far; the rest has never been touched
  HybridHashPool *Prv;
};

struct HybridHashStore {
  int Used, Cap;  // in ints
  int *Dat;
  HybridHashStore *Prv;
};

struct HybridHashTable {
  int NbrBuckets;  // a power of two
  uint64_t Salt;   // drawn when the table is made; seeds the key hash and the bucket choice
  int NbrPools;    // entry pools allocated after creation
  int DatGrowth, PoolGrowth;  // size factors of the next data store and entry pool
  HybridHashPool *Pools;
  HybridHashStore *Store;  // the current data store
  HybridHashEntry **Buckets;
  HybridHashEntry *FreeEnt;  // removed entries, reused before the newest pool is carved further
};

// Buckets: the largest power of two not above expected (at least 1, else null). The first
// entry pool holds chunk + 1 entries and the first data store chunk ints (1001 and 1000 when
// chunk is below 1).
HybridHashTable *uti_NewHybridHashTable(int expected, int chunk);
int uti_FreeHybridHashTable(HybridHashTable *tab);
// Takes every entry out (freeing their tuple lists) and keeps the buckets, the first entry pool
// and the first data store for the entries to come, so that a table reused for batch after
// batch of keys allocates nothing more; later pools and stores are freed. The salt stays.
int uti_EmptyHybridHashTable(HybridHashTable *tab);

// Adds an entry whose item (itmLen ints, the key first) is copied; null on failure.
HybridHashEntry *uti_AddHybridHashTab(HybridHashTable *tab, int typ, int itmLen, int keyLen,
                                      const int *itm);
HybridHashEntry *uti_AddHybridHashTabKey(HybridHashTable *tab, int typ, uint32_t hash, int itmLen,
                                         int keyLen, const int *itm);

// First entry with that key (and type when typ >= 1); null if none.
HybridHashEntry *uti_HybridHashTabFind(HybridHashTable *tab, int typ, int keyLen, const int *key);
HybridHashEntry *uti_HybridHashTabFindKey(HybridHashTable *tab, int typ, uint32_t hash, int keyLen,
                                          const int *key);
// The same search; a found entry is unlinked and recycled, its item staying readable until
// the next addition.
HybridHashEntry *uti_HybridHashTabFindRemove(HybridHashTable *tab, int typ, int keyLen,
                                             const int *key);
HybridHashEntry *uti_HybridHashTabFindRemoveKey(HybridHashTable *tab, int typ, uint32_t hash,
                                                int keyLen, const int *key);

int uti_HybridHashTableStat(const HybridHashTable *tab);
// Removes every entry of that type, freeing its tuple list.
int uti_HybridHashFreeTyp(HybridHashTable *tab, int typ);

// Hash of a key without salt: every int mixed in by a multiply-and-xor step, in order (a
// permuted key hashes apart). The same for every table: callers that want buckets no file can
// aim at pass uti_HybridHashTabKey to the ...Key calls instead.
uint32_t uti_HybridHashKey(int keyLen, const int *key);

// Hash of a key in one table: the multiply-and-xor steps start from the table's salt and end
// in a final mix, so that keys colliding in one table are spread in another. The plain calls
// (uti_AddHybridHashTab, uti_HybridHashTabFind...) hash with it.
inline uint32_t uti_HybridHashTabKey(const HybridHashTable *tab, int keyLen, const int *key) {
  uint64_t h = tab->Salt + static_cast<uint64_t>(keyLen);
  for (int i = 0; i < keyLen; i++) h = (h ^ static_cast<uint32_t>(key[i])) * 0x9E3779B97F4A7C15ull;
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  h ^= h >> 32;
  return static_cast<uint32_t>(h);
}

// Bucket of a hash value: the high bits of the value, mixed with the salt, times an odd
// constant, scaled to the bucket count (multiply-and-shift), so that every bit counts.
inline uint32_t uti_HybridHashBucket(const HybridHashTable *tab, uint32_t hash) {
  uint32_t mixed = (hash ^ static_cast<uint32_t>(tab->Salt >> 32)) * 0x9E3779B1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(mixed) * static_cast<uint32_t>(tab->NbrBuckets)) >> 32);
}

// Tables made after this call take salt instead of drawing one; 0 goes back to drawing. For
// tests that check that no result depends on the salt; every thread's tables take it.
void uti_SetHybridHashSalt(uint64_t salt);

// Asks the processor for the bucket of a hash ahead of its use: a caller that knows its next
// keys hides the wait for memory of a large table. Changes nothing in the table.
inline void uti_HybridHashTabPrefetch(const HybridHashTable *tab, uint32_t hash) {
  __builtin_prefetch(&tab->Buckets[uti_HybridHashBucket(tab, hash)]);
}
// The second step, once the bucket has arrived: asks for the first entry of its chain.
inline void uti_HybridHashTabPrefetchEntry(const HybridHashTable *tab, uint32_t hash) {
  if (const HybridHashEntry *e = tab->Buckets[uti_HybridHashBucket(tab, hash)]) __builtin_prefetch(e);
}
