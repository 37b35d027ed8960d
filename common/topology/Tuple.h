// Growable lists of ints ("tuples"), kept as chunks of 1024 values, newest chunk first.
#pragma once

enum : int { TupleChunkSize = 1024 };

struct TupleChunk {
  int Nbr;
  int Val[TupleChunkSize];
  TupleChunk *Nxt;  // the older chunk
};

// An empty list of one chunk; null when memory runs out.
TupleChunk *uti_NewTuple();
// Appends a value and returns the new head (a new chunk when the head is full, the first
// chunk when list is null). Null when memory runs out; the list passed is then unchanged.
TupleChunk *uti_AddTuple(int value, TupleChunk *list);
int uti_GetTupleSize(const TupleChunk *list);
// The values in the order they were added, in a new array (release it with free), and their
// number in *size; null when the list is empty.
int *uti_GetTupleArray(const TupleChunk *list, int *size);
// Frees every chunk; returns null.
TupleChunk *uti_FreeTuple(TupleChunk *list);
