// Bounded stacks of the scene: picked and hidden elements as (index, kind) pairs, hidden
// display records as pointers. A stack holds at most MaxNbrEnt items: a push
// on a full stack is refused and the item dropped.
#pragma once

struct Memory_List;

struct GeoStackItem {
  int Idx;  // element index (a vertex number for kinds 200 and 201)
  int Typ;  // element kind code
};

struct GeoHybridStack {
  GeoStackItem *Ent;  // MaxNbrEnt + 1 items
  int MaxNbrEnt;
  int Top;            // index of the top item, -1 when empty
};

struct GeoGenStack {
  void **Ent;  // MaxNbrEnt + 1 pointers
  int MaxNbrEnt;
  int Top;     // -1 when empty
};

// New empty stacks of capacity n (n >= 1); a failed allocation ends the process.
GeoHybridStack *geoNewHybridStack(Memory_List *mem, int n);
GeoGenStack *geoNewGenStack(Memory_List *mem, int n);
// Free the array, then the stack; return null.
GeoHybridStack *geoFreeHybridStack(Memory_List *mem, GeoHybridStack *stk);
GeoGenStack *geoFreeGenStack(Memory_List *mem, GeoGenStack *stk);

// 1 pushed, 0 refused (null or full stack).
int geoPushHybridStack(GeoHybridStack *stk, int idx, int typ);
int geoPushGenStack(GeoGenStack *stk, void *ptr);
// 1 popped into the out arguments (each may be null), 0 for a null or empty stack.
int geoPopHybridStack(GeoHybridStack *stk, int *idx, int *typ);
int geoPopGenStack(GeoGenStack *stk, void **ptr);
// The top item without popping it; null for a null or empty stack.
const GeoStackItem *geoTopHybridStack(const GeoHybridStack *stk);
