// Chain and record helpers shared by the mesh edits (ZelEdit.h), defined in ZelEditRecords.cpp.
#pragma once

#include <cstdio>

#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelMesh.h"

namespace zeledit {

// The reference field of element e of an element array.
inline int *refOf(const ZelElems &el, int e) {
  return reinterpret_cast<int *>(el.Base + el.Stride * static_cast<size_t>(e) + el.RefOff);
}

// Walks record `from`'s chain once and moves every element for which take(e) holds to the
// front of record `to`'s chain (to = 0: out of every chain, group 0). With trace, prints
// " itri inxt %d %d \n" with each element and its successor.
template <class Take>
void relinkChain(ZelEntity *ent, int from, int to, Take take, bool trace = false) {
  ZelEntDisplayList &src = ent->DspLst[from];
  int prev = 0;
  for (int e = src.Head; e;) {
    ZelLink &lnk = ent->Lnk[e];
    const int nxt = lnk.Nxt;
    if (trace) printf(" itri inxt %d %d \n", e, nxt);
    if (take(e)) {
      if (prev)
        ent->Lnk[prev].Nxt = nxt;
      else
        src.Head = nxt;
      lnk.Grp = to;
      lnk.Nxt = to ? ent->DspLst[to].Head : 0;
      if (to) ent->DspLst[to].Head = e;
    } else {
      prev = e;
    }
    e = nxt;
  }
}

// Appends the elements first..last, in order, at the end of record rec's chain.
void linkAtTail(ZelEntity *ent, int rec, int first, int last);

// The entity of kind 5 or 6 sized for the mesh's current count and capacity (made, with its
// display records, when the display mesh has none); null when it has no links.
ZelEntity *grownEntity(ZelScene *scene, int kind);

// Whether reference ref has a record in the entity or one can be made (a null entity will be
// made with room). A missing hash ends the process with `fatal`.
bool recordRoom(const ZelEntity *ent, int ref, const char *fatal);

// Rebuilds one record with mask 1 in the scene's context.
void rebuild(ZelScene *scene, int kind, int rec);

}  // namespace zeledit
