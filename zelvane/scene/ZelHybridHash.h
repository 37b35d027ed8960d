// The reference hash of an entity: from an element reference to the index of its group (and,
// once the display records exist, of its display record).
//
// A fixed array of MaxSiz bucket chains whose cells come from large blocks, never one
// allocation per entry. The bucket of a key is (key * 4) & (MaxSiz - 1), computed in unsigned
// 32-bit arithmetic so that every int key, the extreme ones included, has a bucket.
#pragma once

struct Memory_List;

struct GeoHybridHashBucket {
  int Key;   // the reference
  int Val;   // the group or record index, >= 1
  GeoHybridHashBucket *Nxt;
};

struct GeoHybridHashMemBucket {
  GeoHybridHashBucket *Dat;  // NbrObjLoc + 1 cells
  int NbrObjLoc;
  GeoHybridHashMemBucket *Nxt;
};

struct GeoHybridHashTable {
  int MaxSiz;   // number of buckets, a power of two (256 for every reference hash)
  int NbrBlk;   // memory blocks taken
  int NbrEnt;   // entries
  GeoHybridHashMemBucket *MemBlk;  // the blocks, newest first
  GeoHybridHashBucket **Head;      // MaxSiz chain heads
  GeoHybridHashBucket *Free;       // first free cell; free cells link through Nxt
};

enum : int {
  ZelHashBuckets = 256,
  ZelHashEntityCells = 1000,     // first block of an entity's hash (1001 cells)
  ZelHashRecordCells = 10000,    // first block made with the display records (10001 cells)
  ZelHashGrowthCells = 100000,   // every later block (100001 cells)
};

// A table of maxSiz buckets (a power of two) with a first block of nbrObjLoc + 1 free cells.
// Null when an allocation fails (nothing is left allocated then).
GeoHybridHashTable *geoNewHybridHashTable(Memory_List *mem, int maxSiz, int nbrObjLoc);
// Frees the blocks, the heads and the table; returns null.
GeoHybridHashTable *geoFreeHybridHashTable(Memory_List *mem, GeoHybridHashTable *tab);

// Bucket of a key in a table of maxSiz buckets.
inline int geoHybridHashBucket(int key, int maxSiz) {
  return static_cast<int>((static_cast<unsigned>(key) * 4u) & static_cast<unsigned>(maxSiz - 1));
}

// Inserts pair = (key, value) at the head of the key's chain, taking a new block of
// ZelHashGrowthCells + 1 cells when no cell is free. 1 done; 0 for a null table or when no
// block can be had (then "  ## HASHTABLE FATAL ERROR: FULL HASH TABLE \n" on standard error).
// The caller makes sure the key is not in the table yet when it wants one entry per key.
int geoAddHybridHash(Memory_List *mem, GeoHybridHashTable *tab, const int pair[2]);
// The value of the first cell of the key's chain whose key matches; 0 when the table is null or
// holds no such key (values are >= 1).
int geoFindHybridHash(const GeoHybridHashTable *tab, int key);
