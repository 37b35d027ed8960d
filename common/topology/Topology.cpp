// The local edges and faces of every kind, the links between two elements and the edges shared
// by three or more surface elements.
#include "common/topology/Topology.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "common/topology/Hash.h"
#include "common/topology/TopoInternal.h"

const int TriEdg[3][2] = {{1, 2}, {2, 0}, {0, 1}};
const int P2TriEdg[3][3] = {{0, 1, 3}, {1, 2, 4}, {2, 0, 5}};
const int QuaEdg[4][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
const int P2QuaEdg[4][3] = {{0, 1, 4}, {1, 2, 5}, {2, 3, 6}, {3, 0, 7}};
const int TetFac[4][3] = {{1, 3, 2}, {0, 2, 3}, {0, 3, 1}, {0, 1, 2}};
const int P2TetFac[4][6] = {
    {1, 3, 2, 8, 9, 5}, {0, 2, 3, 6, 9, 7}, {0, 3, 1, 7, 8, 4}, {0, 1, 2, 4, 5, 6}};
const int PyrFac[5][4] = {{0, 4, 1, -1}, {1, 4, 2, -1}, {2, 4, 3, -1}, {3, 4, 0, -1}, {0, 1, 2, 3}};
const int PriFac[5][4] = {{0, 1, 2, -1}, {3, 4, 5, -1}, {0, 3, 4, 1}, {1, 4, 5, 2}, {2, 5, 3, 0}};
const int HexFac[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 4, 5, 1},
                          {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
const int P2HexFac[6][9] = {{0, 1, 2, 3, 8, 9, 10, 11, 20},  {4, 5, 6, 7, 12, 13, 14, 15, 21},
                            {0, 4, 5, 1, 16, 12, 17, 8, 22}, {1, 5, 6, 2, 17, 13, 18, 9, 23},
                            {2, 6, 7, 3, 18, 14, 19, 10, 24}, {3, 7, 4, 0, 19, 15, 16, 11, 25}};

int voi_setvoibucket(int local, int kind, int count) {
  if (count > VoiMaxCount) count = VoiMaxCount;
  if (count < 0) count = 0;
  return (local & 15) | ((kind & 15) << 4) | (count << 8);
}

void voi_getvoibucket(int word, int *local, int *kind, int *count) {
  if (local) *local = word & 15;
  if (kind) *kind = (word >> 4) & 15;
  if (count) *count = (word >> 8) & 15;
}

void topoInvalidKind(int which) {
  printf(" *** internal : invalid neigbhors ... (%d)", which);
  fflush(stdout);
  exit(1);
}

namespace {

// The volume pass writes the kind words of volume elements from several threads, one nibble
// each: replace the nibble without losing the others.
void voiTypAtomicSet(uint32_t *word, int j, int kind) {
  uint32_t old = __atomic_load_n(word, __ATOMIC_RELAXED);
  while (!__atomic_compare_exchange_n(word, &old, VoiTypSet(old, j, kind), true, __ATOMIC_RELAXED,
                                      __ATOMIC_RELAXED)) {
  }
}

// Makes room for one more record of a kind whose array is full: 2000 records for a small
// array, else twice its capacity.
bool topoRoom(Function_Interface *fi, Geometric_Mesh *msh, int kind, int count, int cap) {
  if (count < cap) return true;
  if (cap > INT_MAX / 2 - 2) {
    fi->ErrCod = ERR_CAPACITY;
    return false;
  }
  int newSize = cap <= 1000 ? 2000 : 2 * cap;
  if (!NewCommonMeshEntity(fi->Mem, msh, kind, newSize)) {
    fi->ErrCod = ERR_CAPACITY;
    return false;
  }
  return true;
}

}  // namespace

int voi_setvoiedg(Geometric_Mesh *msh, int elt, int local, int kind, int other, int bucket,
                  int flag) {
  int oLoc, oKind, count;
  voi_getvoibucket(bucket, &oLoc, &oKind, &count);
  if (!VoiIsSurface(kind)) topoInvalidKind(1);
  if (!VoiIsSurface(oKind)) topoInvalidKind(2);
  TopoRec cur{}, sto{};
  topoRecord(msh, kind, elt, &cur);
  cur.Voi[local] = other;
  *cur.VoiTyp = VoiTypSet(*cur.VoiTyp, local, oKind);
  if (flag) {
    topoRecord(msh, oKind, other, &sto);
    sto.Voi[oLoc] = elt;
    *sto.VoiTyp = VoiTypSet(*sto.VoiTyp, oLoc, kind);
  }
  return voi_setvoibucket(oLoc, oKind, count + 1);
}

int voi_setvoifac(Geometric_Mesh *msh, int elt, int local, int kind, int other, int bucket,
                  int flag) {
  int oLoc, oKind, count;
  voi_getvoibucket(bucket, &oLoc, &oKind, &count);
  if (!VoiIsVolume(kind)) topoInvalidKind(1);
  if (!VoiIsSurface(oKind) && !VoiIsVolume(oKind)) topoInvalidKind(2);
  TopoRec cur{}, sto{};
  topoRecord(msh, kind, elt, &cur);
  topoRecord(msh, oKind, other, &sto);
  cur.Voi[local] = other;
  voiTypAtomicSet(cur.VoiTyp, local, oKind);
  if (VoiIsSurface(oKind)) {
    TagAtomicOr(cur.Tag, TagBdyFace(local));
    if (flag) __atomic_store_n(sto.VoiVol, elt, __ATOMIC_RELAXED);
  } else if (flag) {
    sto.Voi[oLoc] = elt;
    voiTypAtomicSet(sto.VoiTyp, oLoc, kind);
  }
  return voi_setvoibucket(oLoc, oKind, count + 1);
}

int voi_addnmedge(Function_Interface *fi, Geometric_Mesh *msh, HybridHashTable *efrTab, int kind,
                  const int *key) {
  if (!fi || !msh || !key || (kind != VOI_TRI && kind != VOI_P2TRI)) return 0;
  msh->GeoFlags |= GEO_NONMANIFOLD;
  int pair[2] = {key[0], key[1]};
  topoSortKey(pair, 2);
  if (HybridHashEntry *e = uti_HybridHashTabFind(efrTab, 0, 2, pair)) {
    uint32_t *tag = e->Typ == VOI_EFR ? &msh->Efr[e->Itm[2]].Tag : &msh->P2Efr[e->Itm[2]].Tag;
    TagAtomicOr(tag, TAG_NONMANIFOLD);
    return 1;
  }
  if (kind == VOI_TRI) {
    if (!topoRoom(fi, msh, KmfEdges, msh->NbrEfr, msh->MaxNbrEfr)) return 0;
    BdyEdge &e = msh->Efr[++msh->NbrEfr];
    e = BdyEdge{};
    e.Ver[0] = pair[0];
    e.Ver[1] = pair[1];
    e.Tag = TAG_ALIVE | TAG_NONMANIFOLD;
    return 1;
  }
  if (!topoRoom(fi, msh, KmfEdgesP2, msh->NbrP2Efr, msh->MaxNbrP2Efr)) return 0;
  P2BdyEdge &e = msh->P2Efr[++msh->NbrP2Efr];
  e = P2BdyEdge{};
  e.Ver[0] = pair[0];
  e.Ver[1] = pair[1];
  e.Ver[2] = key[2];
  e.Tag = TAG_ALIVE | TAG_NONMANIFOLD;
  return 1;
}
