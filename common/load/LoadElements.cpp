// The per-kind loaders of keyword mesh files: each reads its section in one block straight
// into the mesh arrays, then checks every record's nodes against the file's vertex count and
// shifts them past the vertices of earlier files.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/base/FunctionInterface.h"
#include "common/load/LoadInternal.h"
#include "common/base/Memory.h"
#include "common/load/MeshLoad.h"

namespace {

// What tells one element kind from another: its section, its node count and its texts.
struct ElementKind {
  int Kwd;
  int NbrNod;          // nodes of one record read from the file
  int NbrCrn;          // nodes listed before " - " in the report of an invalid record
  int OrdKwd;          // node-ordering section of the file, 0 when the kind has none
  const char *Fun;     // name in the messages
  const char *ArrMsg;  // message when the array is missing
  const char *Load;    // "NOT ENOUGH MEMORY TO LOAD %s"
  const char *MaxNam;  // "MAXIMUM NUMBER OF %s"
  const char *BadNam;  // "%d INVALID %s FOUND"
  const char *Line;    // report of an invalid record, up to the first node
  const char *Close;   // and after the last node
  const char *NoMore;
  bool Hybrid;         // raises the mesh's hybrid flag
  bool RefZero;        // reference cleared under LOAD_OPT_REF_ZERO
};

// Where the kind's records go in the mesh.
struct ElementArray {
  char *Base;
  size_t Siz, TagOff, RefOff;
  int *Nbr, *Max;
  int *Fil;            // count of elements read from files, or null
  int *Nbr2, *Max2;    // a second capacity the count must fit, or null
};

template <class R>
ElementArray arrayOf(R *arr, int *nbr, int *max, int *fil = nullptr, int *nbr2 = nullptr,
                     int *max2 = nullptr) {
  return {reinterpret_cast<char *>(arr), sizeof(R), offsetof(R, Tag), offsetof(R, Ref),
          nbr, max, fil, nbr2, max2};
}

const char *const kNoMore = "  ## NO MORE ERRORS PRINTED \n";
const char *const kNoMoreHex = "  ## NO MORE ERRORS HexNTED \n";

const ElementKind kTriangles = {
    KmfTriangles, 3, 3, 0, "LOADTRIANGLES",
    "  ## ERROR: LOADTRIANGLES: TRIANGLE ARRAY IS NOT ALLOCATED \n", "TRIANGLES", "TRIANGLES",
    "TRIANGLES", "  TRIANGLE %10d =[", "] IS INVALID \n", kNoMore, false, true};
const ElementKind kP2Triangles = {
    KmfTrianglesP2, 6, 3, KmfTrianglesP2Ordering, "LOADP2TRIANGLES",
    "  ## ERROR: LOADP2TRIANGLES: P2 TRIANGLE ARRAY IS NOT ALLOCATED \n", "P2 TRIANGLES",
    "P2 TRIANGLES", "P2 TRIANGLES", "  TRIANGLE P2 %10d =[", "] IS INVALID \n", kNoMore, false,
    false};
const ElementKind kQuadrilaterals = {
    KmfQuadrilaterals, 4, 4, 0, "LOADQUADRILATERALS",
    "  ## ERROR: LOADQUADRILATERALS: QUADRILATERAL ARRAY IS NOT ALLOCATED \n", "QUADRILATERALS",
    "QUADRILATERALS", "QUADRILATERALS", "  QUADRILATERAL %10d =[", "] IS INVALID \n", kNoMore,
    true, false};
const ElementKind kQ2Quadrilaterals = {
    KmfQuadrilateralsQ2, 9, 4, KmfQuadrilateralsQ2Ordering, "LOADQ2QUADRILATERALS",
    "  ## ERROR: LOADQ2QUADRILATERALS: Q2 QUADRILATERAL ARRAY IS NOT ALLOCATED \n",
    "Q2 QUADRILATERALS", "Q2 QUADRILATERALS", "Q2 QUADRILATERALS", "  Q2 QUADRILATERAL %10d =[",
    " ] IS INVALID \n", kNoMore, false, false};
const ElementKind kTetrahedra = {
    KmfTetrahedra, 4, 4, 0, "LOADTETRAHEDRA",
    "  ## ERROR: LOADTETRAHEDRA: TETRAHEDRON ARRAY IS NOT ALLOCATED \n", "TETRAHEDRA",
    "TETRAHEDRA", "TETRAHEDRA", "  TETRAHEDRON %11d =[", "] IS INVALID \n", kNoMore, false, false};
const ElementKind kP2Tetrahedra = {
    KmfTetrahedraP2, 10, 4, KmfTetrahedraP2Ordering, "LOADP2TETRAHEDRA",
    "  ## ERROR: LOADP2TETRAHEDRA: P2 TETRAHEDRON ARRAY IS NOT ALLOCATED \n", "P2 TETRAHEDRA",
    "P2 TETRAHEDRA", "P2 TETRAHEDRA", "  TETRAHEDRON P2 %11d =[", "  ] IS INVALID \n", kNoMore,
    false, false};
const ElementKind kPyramids = {
    KmfPyramids, 5, 5, 0, "LOADPYRAMIDS",
    "  ## ERROR: LOADPYRAMIDS: PyrRAHEDRA ARRAY IS NOT ALLOCATED \n", "PyrRAHEDRA", "PyrRAHEDRA",
    "PyrRAHEDRA", "  PYRAMID %11d =[", "] IS INVALID \n", kNoMore, true, false};
const ElementKind kPrisms = {
    KmfPrisms, 6, 6, 0, "LOADPRISMS", "  ## ERROR: LOADPRISMS: PRISM ARRAY IS NOT ALLOCATED \n",
    "PRISMS", "PRISMS", "PRISMS", "  PRISMS  %11d =[", "] IS INVALID \n", kNoMore, true, false};
const ElementKind kHexahedra = {
    KmfHexahedra, 8, 8, 0, "LOADHEXAHEDRA", "  ## ERROR: LOADHEXAHEDRA: HexSM ARRAY IS NOT ALLOCATED \n",
    "HEXAHEDRA", "HEXAHEDRA", "HEXAHEDRA", "  HEXAHEDRON %11d =[", "] IS INVALID \n", kNoMoreHex,
    true, false};
const ElementKind kQ2Hexahedra = {
    KmfHexahedraQ2, 27, 8, KmfHexahedraQ2Ordering, "LOADHEXAHEDRAP2",
    "  ## ERROR: LOADHEXAHEDRAP2: HEXAHEDRAP2 ARRAY IS NOT ALLOCATED \n", "HEXAHEDRAP2",
    "HEXAHEDRAP2", "HEXAHEDRAP2", "  HEXAHEDRA Q2 %11d =[", "] IS INVALID \n", kNoMoreHex, true,
    false};
const ElementKind kP2Edges = {
    KmfEdgesP2, 3, 3, 0, "LOADP2EDGES", "  ## ERROR: LOADP2EDGES: P2 EDGE ARRAY IS NOT ALLOCATED \n",
    "P2 EDGES", "EDGES", "EDGES", "  P2 EDGE %10d =[", " ] IS INVALID \n", kNoMore, false, true};

// Lattice coordinates of the nodes in the order the mesh records keep them; a file's node
// ordering section gives the same coordinates in the file's order.
const int kP2TriLattice[6 * 3] = {2, 0, 0, 0, 2, 0, 0, 0, 2, 1, 1, 0, 0, 1, 1, 1, 0, 1};
const int kQ2QuaLattice[9 * 2] = {0, 0, 2, 0, 2, 2, 0, 2, 1, 0, 2, 1, 1, 2, 0, 1, 1, 1};
const int kP2TetLattice[10 * 4] = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2,
                                   1, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 0, 1, 0, 0, 1,
                                   0, 1, 0, 1, 0, 0, 1, 1};
const int kQ2HexLattice[27 * 3] = {
    0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0, 0, 0, 2, 2, 0, 2, 2, 2, 2, 0, 2, 2,  // vertices
    1, 0, 0, 2, 1, 0, 1, 2, 0, 0, 1, 0,                                      // bottom edges
    1, 0, 2, 2, 1, 2, 1, 2, 2, 0, 1, 2,                                      // top edges
    0, 0, 1, 2, 0, 1, 2, 2, 1, 0, 2, 1,                                      // vertical edges
    1, 1, 0, 1, 1, 2, 1, 0, 1, 2, 1, 1, 1, 2, 1, 0, 1, 1,                    // faces
    1, 1, 1};                                                                // centre

// Installs the file's node ordering of the kind, when the file has one. 0 when the section
// is malformed: reading nodes in a wrong order would silently corrupt every element.
int setNodeOrdering(Function_Interface *fi, KmfMeshFile *hdl, const ElementKind &k) {
  if (!k.OrdKwd) return 1;
  int64_t n = KmfStatKwd(hdl, k.OrdKwd);
  if (n == 0) return 1;
  int ncrd = 0;
  const int *own = nullptr;
  switch (k.Kwd) {
    case KmfTrianglesP2: ncrd = 3; own = kP2TriLattice; break;
    case KmfQuadrilateralsQ2: ncrd = 2; own = kQ2QuaLattice; break;
    case KmfTetrahedraP2: ncrd = 4; own = kP2TetLattice; break;
    default: ncrd = 3; own = kQ2HexLattice; break;
  }
  int file[27 * 4];
  bool ok = n == k.NbrNod;
  if (ok) {
    KmfField fld[4];
    for (int j = 0; j < ncrd; j++)
      fld[j] = {KmfInt, reinterpret_cast<char *>(&file[j]), static_cast<int64_t>(ncrd * sizeof(int))};
    ok = KmfGetBlockFields(hdl, k.OrdKwd, 1, n, 0, nullptr, nullptr, nullptr, ncrd, fld) &&
         KmfSetHONodesOrdering(hdl, k.Kwd, own, file);
  }
  if (!ok) {
    fprintf(stderr, "  ## ERROR: %s: INVALID NODE ORDERING SECTION %d \n", k.Fun, k.OrdKwd);
    fi->ErrCod = ERR_BAD_DATA;
  }
  return ok ? 1 : 0;
}

void reportInvalid(Function_Interface *fi, const ElementKind &k, const ElementArray &a,
                   const BadEntries &bad, int nv) {
  fi->ErrCod = ERR_BAD_DATA;
  fprintf(stderr, "  ## ERROR: %s: %d INVALID %s FOUND WITH OUT OF BOUND VALUE [1-%d]\n", k.Fun,
          bad.Nbr, k.BadNam, nv);
  fprintf(stderr, "  TO FORCE CONTINUING USE NOCHECK OPTION OR VERIFY YOUR MESH FILE \n");
  for (int b = 0; b < bad.shown(); b++) {
    const int *ver = reinterpret_cast<const int *>(a.Base + static_cast<size_t>(bad.Idx[b]) * a.Siz);
    fprintf(stderr, k.Line, bad.Idx[b]);
    for (int j = 0; j < k.NbrNod; j++)
      fprintf(stderr, j == 0 ? "%10d" : j == k.NbrCrn ? " - %10d" : " %10d", ver[j]);
    fputs(k.Close, stderr);
  }
  EndInvalidReport(fi, bad, k.NoMore);
}

// Clears what follows the nodes of records beg..beg+n-1 (neighbours, marks, tag) but the
// reference; alive records get the alive bit and nodes shifted by NbrVer0, the others keep
// their file numbers and are remembered. N is the node count, 0 when given by nodes.
template <int N>
void checkRecords(const ElementArray &a, int beg, int n, int nv, int NbrVer0, bool refZero, BadEntries &bad,
                  int nodes = N) {
  const int nod = N ? N : nodes;
  const size_t nodBytes = nod * sizeof(int);
  const uint32_t alive = TAG_ALIVE;
  for (int i = beg; i < beg + n; i++) {
    char *rec = a.Base + static_cast<size_t>(i) * a.Siz;
    int *ver = reinterpret_cast<int *>(rec);
    int ref;
    std::memcpy(&ref, rec + a.RefOff, sizeof(int));
    std::memset(rec + nodBytes, 0, a.Siz - nodBytes);
    if (refZero) ref = 0;
    std::memcpy(rec + a.RefOff, &ref, sizeof(int));
    bool ok = true;
    for (int j = 0; j < nod; j++) ok &= static_cast<unsigned>(ver[j]) - 1u < static_cast<unsigned>(nv);
    if (ok) {
      for (int j = 0; j < nod; j++) ver[j] += NbrVer0;
      std::memcpy(rec + a.TagOff, &alive, sizeof(alive));
    } else {
      bad.add(i);
    }
  }
}

// The per-record pass of one section, run on each block as it is read: the records are
// still in the cache, and the blocks of a pooled read are checked in parallel.
struct ElementPass {
  const ElementArray *A;
  int Beg;  // record of the section's first line
  int Nv, NbrVer0, NbrNod;
  bool RefZero;
  BlockSlots<BadEntries> *Bad;
};

void elementBlock(int64_t first, int64_t last, void *arg) {
  const auto *p = static_cast<const ElementPass *>(arg);
  int beg = p->Beg + static_cast<int>(first) - 1, n = static_cast<int>(last - first + 1);
  BadEntries &bad = p->Bad->at(first);
  // The common node counts get loops the compiler can unroll.
  switch (p->NbrNod) {
    case 3: checkRecords<3>(*p->A, beg, n, p->Nv, p->NbrVer0, p->RefZero, bad); break;
    case 4: checkRecords<4>(*p->A, beg, n, p->Nv, p->NbrVer0, p->RefZero, bad); break;
    default: checkRecords<0>(*p->A, beg, n, p->Nv, p->NbrVer0, p->RefZero, bad, p->NbrNod); break;
  }
}

int loadElements(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh,
                 const ElementKind &k, ElementArray a) {
  fi->ErrCod = 0;
  int max = *a.Max;
  if (max < 1) return 1;
  if (!a.Base) {
    fputs(k.ArrMsg, stderr);
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  int nv = CountFromFile(KmfStatKwd(hdl, KmfVertices));
  int n = CountFromFile(KmfStatKwd(hdl, k.Kwd));
  if (nv < 0 || n < 0) {
    fprintf(stderr, "  ## ERROR: %s: TOO MANY ENTITIES IN FILE \n", k.Fun);
    fi->ErrCod = ERR_CAPACITY;
    return 0;
  }
  if (n == 0) return 1;
  if (!setNodeOrdering(fi, hdl, k)) return 0;
  int64_t need = static_cast<int64_t>(*a.Nbr) + n;
  int64_t need2 = a.Nbr2 ? static_cast<int64_t>(*a.Nbr2) + n : 0;
  if (need > max || (a.Max2 && need2 > *a.Max2)) {
    bool first = need > max;
    return CapacityExceeded(fi, k.Fun, k.Load, k.MaxNam, first ? max : *a.Max2, first ? need : need2);
  }
  int beg = *a.Nbr + 1;
  char *rec0 = a.Base + static_cast<size_t>(beg) * a.Siz;
  KmfField fld[28];
  for (int j = 0; j < k.NbrNod; j++)
    fld[j] = {KmfInt, rec0 + j * sizeof(int), static_cast<int64_t>(a.Siz)};
  fld[k.NbrNod] = {KmfInt, rec0 + a.RefOff, static_cast<int64_t>(a.Siz)};
  BlockSlots<BadEntries> slots(n);
  if (!slots.Slot) return CapacityExceeded(fi, k.Fun, k.Load, k.MaxNam, max, need);
  ElementPass pass{&a, beg, nv, NbrVer0, k.NbrNod, k.RefZero && (fi->OptBits & LOAD_OPT_REF_ZERO), &slots};
  if (!KmfGetBlockFields(hdl, k.Kwd, 1, n, 0, nullptr, elementBlock, &pass, k.NbrNod + 1, fld)) {
    fprintf(stderr, "  ## ERROR: %s: CANNOT READ %s FROM THE FILE \n", k.Fun, k.Load);
    fi->ErrCod = ERR_BAD_DATA;
    return 0;
  }
  BadEntries bad;
  for (int64_t b = 0; b < slots.N; b++) bad.merge(slots.Slot[b]);
  *a.Nbr += n;
  if (a.Fil) *a.Fil += n;
  if (k.Hybrid) msh->GeoFlags |= GEO_HYBRID;
  if (bad.Nbr) reportInvalid(fi, k, a, bad, nv);
  return 1;
}

}  // namespace

#define ELEMENT_LOADER(Name, kind, ...)                                                    \
  int Name(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh) { \
    if (LoadBadHandle(fi, kind.Fun, hdl, msh)) return 0;                                      \
    return loadElements(fi, hdl, NbrVer0, msh, kind, arrayOf(__VA_ARGS__));               \
  }

ELEMENT_LOADER(LoadTriangles, kTriangles, msh->Tri, &msh->NbrTri, &msh->MaxNbrTri, &msh->NbrFilTri)
ELEMENT_LOADER(LoadP2Triangles, kP2Triangles, msh->P2Tri, &msh->NbrP2Tri, &msh->MaxNbrP2Tri,
               nullptr, &msh->NbrTri, &msh->MaxNbrTri)
ELEMENT_LOADER(LoadQuadrilaterals, kQuadrilaterals, msh->Qua, &msh->NbrQua, &msh->MaxNbrQua,
               &msh->NbrFilQua)
ELEMENT_LOADER(LoadP2Quadrilaterals, kQ2Quadrilaterals, msh->P2Qua, &msh->NbrP2Qua,
               &msh->MaxNbrP2Qua)
ELEMENT_LOADER(LoadTetrahedra, kTetrahedra, msh->Tet, &msh->NbrTet, &msh->MaxNbrTet, &msh->NbrFilTet)
ELEMENT_LOADER(LoadP2Tetrahedra, kP2Tetrahedra, msh->P2Tet, &msh->NbrP2Tet, &msh->MaxNbrP2Tet,
               nullptr, &msh->NbrTet, &msh->MaxNbrTet)
ELEMENT_LOADER(LoadPyramids, kPyramids, msh->Pyr, &msh->NbrPyr, &msh->MaxNbrPyr)
ELEMENT_LOADER(LoadPrisms, kPrisms, msh->Pri, &msh->NbrPri, &msh->MaxNbrPri)
ELEMENT_LOADER(LoadHexahedra, kHexahedra, msh->Hex, &msh->NbrHex, &msh->MaxNbrHex, &msh->NbrFilHex)
ELEMENT_LOADER(LoadP2Hexahedra, kQ2Hexahedra, msh->P2Hex, &msh->NbrP2Hex, &msh->MaxNbrP2Hex)
ELEMENT_LOADER(LoadP2Edges, kP2Edges, msh->P2Efr, &msh->NbrP2Efr, &msh->MaxNbrP2Efr, nullptr,
               &msh->NbrEfr, &msh->MaxNbrEfr)
#undef ELEMENT_LOADER
