#include "common/model/Ball.h"

#include <climits>
#include <cstdio>

#include "common/model/Geometry.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"

namespace {

const char *const kAllocFmt = "A %s = %s IN FUNCTION %s LINE %d ";

// Labels of the arrays of one builder.
struct BallLabels {
  const char *Fun;  // builder name, for messages and labels
  const char *Ball, *Head, *Ver2Ent;
};

[[noreturn]] void AllocationFailure(const char *fun, const char *array) {
  fprintf(stderr, "  ## ERROR: %s: ALLOCATION FAILED FOR ARRAY %s \n", fun, array);
  myexit("ALLOCATION FAILURE", 100);
}

int *AllocInts(Memory_List *mem, size_t n, const char *var, const char *siz, const BallLabels &lab) {
  auto *p = static_cast<int *>(Alloc(mem, nullptr, sizeof(int) * (n ? n : 1), kAllocFmt, var, siz,
                                     lab.Fun, __LINE__));
  if (!p) AllocationFailure(lab.Fun, var);
  return p;
}

// Builds the ball of nbrEle records of arr, nbrNod nodes each. Node numbers outside the
// vertices are skipped: invalid elements stay in the arrays.
template <class Rec>
StaticBall *BuildBall(Memory_List *mem, const Geometric_Mesh *msh, const Rec *arr, int nbrEle,
                      int nbrNod, bool aliveOnly, int kind, const BallLabels &lab) {
  int nbrVer = msh->Ver ? msh->NbrVer : 0;
  size_t rows = static_cast<size_t>(nbrVer) + 2;
  int *link = AllocInts(mem, rows, "link", "sizeof(int)*(msh->NbrVer+2)", lab);
  auto *ball = static_cast<StaticBall *>(
      Alloc(mem, nullptr, sizeof(StaticBall), kAllocFmt, lab.Ball, "sizeof(StaticBall)", lab.Fun, __LINE__));
  if (!ball) AllocationFailure(lab.Fun, lab.Ball);
  ball->Ver2Ent = nullptr;
  ball->NbrVer = nbrVer;
  ball->Kind = kind;
  int *head = ball->Head = AllocInts(mem, rows, lab.Head, "sizeof(int)*(msh->NbrVer+2)", lab);
  for (size_t v = 0; v < rows; v++) head[v] = 0;

  auto selected = [&](const Rec &r) { return !aliveOnly || (r.Tag & TAG_ALIVE); };
  for (int e = 1; e <= nbrEle; e++) {
    if (!selected(arr[e])) continue;
    for (int j = 0; j < nbrNod; j++) {
      int v = arr[e].Ver[j];
      if (v >= 1 && v <= nbrVer) head[v]++;
    }
  }

  int64_t total = 0;
  for (int v = 1; v <= nbrVer; v++) {
    int count = head[v];
    head[v] = link[v] = static_cast<int>(total);
    total += count;
    // Row starts are ints: a ball past INT_MAX incidences cannot be indexed.
    if (total > INT_MAX) AllocationFailure(lab.Fun, lab.Ver2Ent);
  }
  head[nbrVer + 1] = static_cast<int>(total);

  int *ver2Ent = ball->Ver2Ent =
      AllocInts(mem, static_cast<size_t>(total), lab.Ver2Ent, "sizeof(int)*ball->Head[NbrVer+1]", lab);
  for (int e = 1; e <= nbrEle; e++) {
    if (!selected(arr[e])) continue;
    for (int j = 0; j < nbrNod; j++) {
      int v = arr[e].Ver[j];
      if (v >= 1 && v <= nbrVer) ver2Ent[link[v]++] = e;
    }
  }
  MEM_FREE(mem, link);
  return ball;
}

const BallLabels kEntLabels = {"geoGetVer2Ent", "ball", "ball->Head", "ball->Ver2Ent"};

}  // namespace

StaticBall *geoGetVer2Ent(Memory_List *mem, const Geometric_Mesh *msh, int kind) {
  switch (kind) {
    case KmfEdges:
    case KmfTriangles:
    case KmfQuadrilaterals:
    case KmfTetrahedra:
    case KmfPrisms:
    case KmfHexahedra:
    case KmfPyramids:
    case KmfTrianglesP2:
    case KmfQuadrilateralsQ2:
    case KmfTetrahedraP2:
    case KmfHexahedraQ2: break;
    default:
      fprintf(stderr, "  ## ERROR:  GEOGETVER2ENT: UNKNOW TYPE OR NOT IMPLEMENTED\n");
      myexit("INTERNAL ERROR", 100);
  }
  if (!msh || geoGetSizeType(msh, kind) < 1) return nullptr;
  const BallLabels &l = kEntLabels;
  switch (kind) {
    case KmfEdges: return msh->Efr ? BuildBall(mem, msh, msh->Efr, msh->NbrEfr, 2, true, kind, l) : nullptr;
    case KmfTriangles: return msh->Tri ? BuildBall(mem, msh, msh->Tri, msh->NbrTri, 3, true, kind, l) : nullptr;
    case KmfQuadrilaterals: return msh->Qua ? BuildBall(mem, msh, msh->Qua, msh->NbrQua, 4, true, kind, l) : nullptr;
    case KmfTetrahedra: return msh->Tet ? BuildBall(mem, msh, msh->Tet, msh->NbrTet, 4, true, kind, l) : nullptr;
    case KmfPrisms: return msh->Pri ? BuildBall(mem, msh, msh->Pri, msh->NbrPri, 6, true, kind, l) : nullptr;
    case KmfHexahedra: return msh->Hex ? BuildBall(mem, msh, msh->Hex, msh->NbrHex, 8, true, kind, l) : nullptr;
    case KmfPyramids: return msh->Pyr ? BuildBall(mem, msh, msh->Pyr, msh->NbrPyr, 5, true, kind, l) : nullptr;
    case KmfTrianglesP2: return msh->P2Tri ? BuildBall(mem, msh, msh->P2Tri, msh->NbrP2Tri, 6, true, kind, l) : nullptr;
    case KmfQuadrilateralsQ2: return msh->P2Qua ? BuildBall(mem, msh, msh->P2Qua, msh->NbrP2Qua, 9, true, kind, l) : nullptr;
    case KmfTetrahedraP2: return msh->P2Tet ? BuildBall(mem, msh, msh->P2Tet, msh->NbrP2Tet, 10, true, kind, l) : nullptr;
    default: return msh->P2Hex ? BuildBall(mem, msh, msh->P2Hex, msh->NbrP2Hex, 27, true, kind, l) : nullptr;
  }
}

StaticBall *geoGetVer2Tri(Memory_List *mem, const Geometric_Mesh *msh) {
  if (!msh || !msh->Tri || msh->NbrTri < 1) return nullptr;
  static const BallLabels lab = {"geoGetVer2Tri", "ver2Tri", "ver2Tri->Head", "ver2Tri->Ver2Ent"};
  return BuildBall(mem, msh, msh->Tri, msh->NbrTri, 3, false, KmfTriangles, lab);
}

StaticBall *geoGetVer2Qua(Memory_List *mem, const Geometric_Mesh *msh) {
  if (!msh || !msh->Qua || msh->NbrQua < 1) return nullptr;
  static const BallLabels lab = {"geoGetVer2Qua", "ver2Qua", "ver2Qua->Head", "ver2Qua->Ver2Ent"};
  return BuildBall(mem, msh, msh->Qua, msh->NbrQua, 4, false, KmfQuadrilaterals, lab);
}

StaticBall *geoGetVer2Tet(Memory_List *mem, const Geometric_Mesh *msh) {
  if (!msh || !msh->Tet || msh->NbrTet < 1) return nullptr;
  static const BallLabels lab = {"geoGetVer2Tet", "ver2Tet", "ver2Tet->Head", "ver2Tet->Ver2Ent"};
  return BuildBall(mem, msh, msh->Tet, msh->NbrTet, 4, false, KmfTetrahedra, lab);
}

StaticBall *geoGetVer2Hex(Memory_List *mem, const Geometric_Mesh *msh) {
  if (!msh || !msh->Hex || msh->NbrHex < 1) return nullptr;
  static const BallLabels lab = {"geoGetVer2Hex", "ver2Hex", "ver2Hex->Head", "ver2Hex->Ver2Ent"};
  return BuildBall(mem, msh, msh->Hex, msh->NbrHex, 8, false, KmfHexahedra, lab);
}
