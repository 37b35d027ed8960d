#include "common/topology/GraphInput.h"

#include <cstdio>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"

namespace {

// Neighbour-kind code of a tetrahedron in the slot word.
const uint32_t kTetNeighbour = 2;

[[noreturn]] void AllocationFailure(const char *fun, const char *array) {
  fprintf(stderr, "  ## ERROR: %s: ALLOCATION FAILED FOR ARRAY %s \n", fun, array);
  myexit("ALLOCATION FAILURE", 100);
}

Memory_List *MemOf(Function_Interface *fi) { return fi ? fi->Mem : nullptr; }

int Refuse(Function_Interface *fi) {
  if (fi) fi->ErrCod = ERR_BAD_HANDLE;
  return 0;
}

}  // namespace

int metisTetGraph(Function_Interface *fi, const Geometric_Mesh *msh, int **xadj, int **adjncy) {
  if (!msh || !xadj || !adjncy) return Refuse(fi);
  Memory_List *mem = MemOf(fi);
  int nbrTet = msh->Tet ? msh->NbrTet : 0;
  int *row = static_cast<int *>(MEM_ALLOC(mem, xadj, sizeof(int) * (static_cast<size_t>(nbrTet) + 1)));
  if (!row) AllocationFailure("metisDomainTet", "xadj");
  int *adj = static_cast<int *>(MEM_ALLOC(mem, adjncy, sizeof(int) * (4 * static_cast<size_t>(nbrTet) + 1)));
  if (!adj) AllocationFailure("metisDomainTet", "adjncy");

  int n = 0;
  row[0] = 0;
  for (int t = 1; t <= nbrTet; t++) {
    const Tetrahedron &tet = msh->Tet[t];
    if (tet.Tag & TAG_ALIVE) {
      for (int j = 0; j < 4; j++) {
        int v = tet.Voi[j];
        // A face covered by a surface element names that element, not a tetrahedron.
        if (tet.Tag & TagBdyFace(j)) continue;
        if (((tet.VoiTyp >> (4 * j)) & 15u) != kTetNeighbour || v < 1 || v > nbrTet) continue;
        adj[n++] = v - 1;
      }
    }
    row[t] = n;
  }
  *xadj = row;
  *adjncy = adj;
  return 1;
}

int metisElementNodes(Function_Interface *fi, const Geometric_Mesh *msh, int kind, int **eind) {
  if (!msh || !eind || (kind != KmfTetrahedra && kind != KmfTriangles)) return Refuse(fi);
  Memory_List *mem = MemOf(fi);
  int nbrNod = kind == KmfTetrahedra ? 4 : 3;
  int nbrEle = kind == KmfTetrahedra ? (msh->Tet ? msh->NbrTet : 0) : (msh->Tri ? msh->NbrTri : 0);
  size_t size = static_cast<size_t>(nbrEle) * nbrNod + 1;
  int *nodes = static_cast<int *>(MEM_ALLOC(mem, eind, sizeof(int) * size));
  if (!nodes) AllocationFailure(kind == KmfTetrahedra ? "metisDomainTetFast" : "metisDomainTri", "eind");
  for (int e = 1; e <= nbrEle; e++) {
    const int *ver = kind == KmfTetrahedra ? msh->Tet[e].Ver : msh->Tri[e].Ver;
    for (int j = 0; j < nbrNod; j++) nodes[static_cast<size_t>(e - 1) * nbrNod + j] = ver[j] - 1;
  }
  *eind = nodes;
  return 1;
}

int metisDomainTet(Function_Interface *fi, int parts, const Geometric_Mesh *msh, int *part) {
  if (parts < 2) return 0;
  if (!msh || !part) return Refuse(fi);
  int *xadj = nullptr, *adjncy = nullptr;
  metisTetGraph(fi, msh, &xadj, &adjncy);
  MEM_FREE(MemOf(fi), xadj);
  MEM_FREE(MemOf(fi), adjncy);
  return 1;
}

namespace {

int DomainFromNodes(Function_Interface *fi, int parts, const Geometric_Mesh *msh, int *part, int kind) {
  if (parts < 2) return 0;
  if (!msh || !part) return Refuse(fi);
  int *eind = nullptr;
  metisElementNodes(fi, msh, kind, &eind);
  MEM_FREE(MemOf(fi), eind);
  return 1;
}

}  // namespace

int metisDomainTetFast(Function_Interface *fi, int parts, const Geometric_Mesh *msh, int *part) {
  return DomainFromNodes(fi, parts, msh, part, KmfTetrahedra);
}

int metisDomainTri(Function_Interface *fi, int parts, const Geometric_Mesh *msh, int *part) {
  return DomainFromNodes(fi, parts, msh, part, KmfTriangles);
}
