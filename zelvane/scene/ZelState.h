// Saved states of a scene: snapshots of the display flags, the window geometry, the camera, the
// options of every display record and the clip planes. The list is made with the scene; saving,
// applying, writing and reading states fill it.
#pragma once

#include <cstdint>

struct Memory_List;
struct ZelViewBucket;

struct ZelStateBucket {
  int32_t Flags;     // the scene's flag word
  int32_t Mode;      // interaction mode
  int32_t ActFld;    // active field, -1 none
  // Window words, filled and applied by the window layer.
  int32_t ViewW, ViewH;  // size of the OpenGL view
  int32_t WinX, WinY;    // position of the window
  int32_t WinAux;        // the window layer's own word (90 by default)
  int32_t WinState;      // window-state word; 0x20: maximised
  ZelViewBucket *View;   // the camera, owned
  // Display-record options, one block of ints per group kind: kind code, record count n, then
  // n times (reference, flags, render word, solution word, line width x 10). EntState[k]
  // points into EntBuf, which holds every block; both are owned.
  int32_t **EntState;
  int32_t *EntBuf;
  // Clip planes.
  int32_t ClipOn, ClipCur;     // on/off state, current plane (-1 when saved with planes off)
  int32_t ClipAct, ClipShw;    // active and shown masks
  int32_t ClipMode;            // the plane record's further word
  double Pla[32][4];           // planes 0..ClipCur: a, b, c, d
  // This state's own counts: group kinds in EntState and records over them.
  int32_t NbrEnt, NbrRec;
};

enum : int { ZelMaxState = 100 };

struct ZelStateList {
  int MaxState;  // 100
  int NbrState;  // states in Head[0 .. NbrState-1]
  int NbrEnt;    // group kinds with records, written by saving and reading
  int NbrRec;    // display records over those kinds, idem
  ZelStateBucket **Head;  // MaxState pointers, null where nothing is saved
};

// A new empty list; a failed allocation ends the process.
ZelStateList *zelNewState(Memory_List *mem);
// Frees one bucket (camera, option blocks, the bucket); returns null.
ZelStateBucket *zelFreeStateBucket(Memory_List *mem, ZelStateBucket *bucket);
// Frees every bucket, the slots and the list; returns null.
ZelStateList *zelFreeState(Memory_List *mem, ZelStateList *list);
