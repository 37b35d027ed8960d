// Helpers shared by the topology passes; not part of the library's interface.
#pragma once

#include <cstdint>

#include "common/model/Mesh.h"
#include "common/topology/Topology.h"

// The neighbour fields of one element, whatever its kind.
struct TopoRec {
  const int *Ver;
  int *Voi;
  uint32_t *VoiTyp;
  uint32_t *Tag;
  int *VoiVol;  // null for volume kinds
};

// Fields of element idx of a neighbour kind; false for a kind without neighbours.
inline bool topoRecord(Geometric_Mesh *msh, int kind, int idx, TopoRec *r) {
  switch (kind) {
#define TOPO_SURFACE(code, arr)                                                    \
  case code:                                                                       \
    *r = {msh->arr[idx].Ver, msh->arr[idx].Voi, &msh->arr[idx].VoiTyp, &msh->arr[idx].Tag, \
          &msh->arr[idx].VoiVol};                                                  \
    return true;
#define TOPO_VOLUME(code, arr)                                                                  \
  case code:                                                                                    \
    *r = {msh->arr[idx].Ver, msh->arr[idx].Voi, &msh->arr[idx].VoiTyp, &msh->arr[idx].Tag, nullptr}; \
    return true;
    TOPO_SURFACE(VOI_TRI, Tri)
    TOPO_SURFACE(VOI_P2TRI, P2Tri)
    TOPO_SURFACE(VOI_QUA, Qua)
    TOPO_SURFACE(VOI_P2QUA, P2Qua)
    TOPO_VOLUME(VOI_TET, Tet)
    TOPO_VOLUME(VOI_P2TET, P2Tet)
    TOPO_VOLUME(VOI_PYR, Pyr)
    TOPO_VOLUME(VOI_PRI, Pri)
    TOPO_VOLUME(VOI_HEX, Hex)
    TOPO_VOLUME(VOI_P2HEX, P2Hex)
#undef TOPO_SURFACE
#undef TOPO_VOLUME
    default:
      return false;
  }
}

// Count of elements of a neighbour kind in the mesh.
inline int topoCount(const Geometric_Mesh *msh, int kind) {
  switch (kind) {
    case VOI_TRI: return msh->NbrTri;
    case VOI_P2TRI: return msh->NbrP2Tri;
    case VOI_QUA: return msh->NbrQua;
    case VOI_P2QUA: return msh->NbrP2Qua;
    case VOI_TET: return msh->NbrTet;
    case VOI_P2TET: return msh->NbrP2Tet;
    case VOI_PYR: return msh->NbrPyr;
    case VOI_PRI: return msh->NbrPri;
    case VOI_HEX: return msh->NbrHex;
    case VOI_P2HEX: return msh->NbrP2Hex;
    default: return 0;
  }
}

// Orders two ints.
inline void topoOrder(int &a, int &b) {
  int lo = a < b ? a : b, hi = a < b ? b : a;
  a = lo;
  b = hi;
}

// Sorts a key of n (2 to 4) ints in place: sorting networks on values held in registers (the
// key was just written, and reading it back in pieces of another width would wait).
inline void topoSortKey(int *k, int n) {
  switch (n) {
    case 2: {
      int a = k[0], b = k[1];
      topoOrder(a, b);
      k[0] = a, k[1] = b;
      return;
    }
    case 3: {
      int a = k[0], b = k[1], c = k[2];
      topoOrder(a, b), topoOrder(b, c), topoOrder(a, b);
      k[0] = a, k[1] = b, k[2] = c;
      return;
    }
    case 4: {
      int a = k[0], b = k[1], c = k[2], d = k[3];
      topoOrder(a, b), topoOrder(c, d), topoOrder(a, c), topoOrder(b, d), topoOrder(b, c);
      k[0] = a, k[1] = b, k[2] = c, k[3] = d;
      return;
    }
    default:
      for (int i = 1; i < n; i++)
        for (int j = i; j > 0 && k[j - 1] > k[j]; j--) {
          int t = k[j];
          k[j] = k[j - 1];
          k[j - 1] = t;
        }
  }
}

// The internal-error exit of a link with a kind outside the accepted set (which = 1 for the
// current element, 2 for the stored one).
[[noreturn]] void topoInvalidKind(int which);

// Runs body(args copy) on a new thread whose handle the mesh keeps until StopTopoThread;
// false when the thread could not be made (the caller then runs the pass itself). With
// deferred, the mesh only keeps the pass ready for StartDeferredTopology.
bool StartTopoThread(Geometric_Mesh *msh, const TopoArgs &args, void *(*body)(void *), bool deferred = false);
