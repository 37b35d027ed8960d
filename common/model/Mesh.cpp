#include "common/model/Mesh.h"

#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/topology/Topology.h"

namespace {

const char *const kAllocFmt = "A %s = %s IN FUNCTION %s LINE %d ";
const char *const kReAllocFmt = "R %s = %s IN FUNCTION %s LINE %d ";

// One element array of the mesh, in the order arrays are created: its kind, the record size,
// its count (null for references) and capacity, access to the array itself, and the words of
// its labels ("msh->Ver", "sizeof(Vertex)*...") and of its allocation-failure message.
struct KindArray {
  int Kind;
  size_t RecSize;
  int Geometric_Mesh::*Nbr;
  int Geometric_Mesh::*Max;
  void *(*Get)(const Geometric_Mesh *);
  void (*Set)(Geometric_Mesh *, void *);
  const char *Suffix, *Record, *Error;
};

template <class R, R *Geometric_Mesh::*A>
void *getArray(const Geometric_Mesh *m) {
  return m->*A;
}
template <class R, R *Geometric_Mesh::*A>
void setArray(Geometric_Mesh *m, void *p) {
  m->*A = static_cast<R *>(p);
}

#define KIND_ARRAY(kind, Arr, Rec, Nbr, error)                                                    \
  {kind, sizeof(Rec), Nbr, &Geometric_Mesh::MaxNbr##Arr, getArray<Rec, &Geometric_Mesh::Arr>, \
   setArray<Rec, &Geometric_Mesh::Arr>, #Arr, #Rec, error}

const KindArray kKindArrays[] = {
    KIND_ARRAY(KmfVertices, Ver, Vertex, &Geometric_Mesh::NbrVer, "VERTEX"),
    KIND_ARRAY(KmfBoundaryVertices, Vfr, BdyVertex, &Geometric_Mesh::NbrVfr, "BOUNDARY VERTEX"),
    KIND_ARRAY(KmfEdges, Efr, BdyEdge, &Geometric_Mesh::NbrEfr, "BOUNDARY EDGE"),
    KIND_ARRAY(KmfVolumeEdges, Edg, Edge, &Geometric_Mesh::NbrEdg, "EDGE"),
    KIND_ARRAY(KmfEdgesP2, P2Efr, P2BdyEdge, &Geometric_Mesh::NbrP2Efr, "P2 BOUNDARY EDGE"),
    KIND_ARRAY(KmfTriangles, Tri, Triangle, &Geometric_Mesh::NbrTri, "TRIANGLE"),
    KIND_ARRAY(KmfTrianglesP2, P2Tri, P2Triangle, &Geometric_Mesh::NbrP2Tri, "P2-TRIANGLE"),
    KIND_ARRAY(KmfQuadrilaterals, Qua, Quadrilateral, &Geometric_Mesh::NbrQua, "QUADRILATERAL"),
    KIND_ARRAY(KmfQuadrilateralsQ2, P2Qua, P2Quadrilateral, &Geometric_Mesh::NbrP2Qua, "QUADRILATERAL"),
    KIND_ARRAY(KmfTetrahedra, Tet, Tetrahedron, &Geometric_Mesh::NbrTet, "TETRAHEDRON"),
    KIND_ARRAY(KmfTetrahedraP2, P2Tet, P2Tetrahedron, &Geometric_Mesh::NbrP2Tet, "P2-TETRAHEDRON"),
    KIND_ARRAY(KmfPyramids, Pyr, Pyramid, &Geometric_Mesh::NbrPyr, "PYRAMID"),
    KIND_ARRAY(KmfPrisms, Pri, Prism, &Geometric_Mesh::NbrPri, "PRISM"),
    KIND_ARRAY(KmfHexahedra, Hex, Hexahedron, &Geometric_Mesh::NbrHex, "HEXAHEDRON"),
    KIND_ARRAY(KmfHexahedraQ2, P2Hex, P2Hexahedron, &Geometric_Mesh::NbrP2Hex, "Q2 HEXAHEDRON"),
    KIND_ARRAY(KmfNormals, Nor, Normal, &Geometric_Mesh::NbrNor, "NORMAL"),
    KIND_ARRAY(KmfReferences, Ref, Reference, nullptr, "REFERENCE"),
};
#undef KIND_ARRAY

// The row of a kind, null for a kind without an array.
const KindArray *kindArray(int kind) {
  for (const KindArray &k : kKindArrays)
    if (k.Kind == kind) return &k;
  return nullptr;
}

// One solution kind of the size array: its count slot, the element counts it is checked
// against (the linear kind, then the second-order alternative or 0) and where it goes.
struct SolutionSlot {
  int SolKind, EleKind, P2Kind;
  const char *Words;  // message words, e.g. "TETRAHEDRA"
  const char *P2Words;
  Geometric_Solution *Geometric_Mesh::*Slot;
  int Geometric_Mesh::*Count;
  int Geometric_Mesh::*Capacity;
};

const SolutionSlot kSolutionSlots[] = {
    {KmfSolAtVertices, KmfVertices, 0, "VERTICES", nullptr, &Geometric_Mesh::SolAtVer,
     &Geometric_Mesh::NbrSolVer, &Geometric_Mesh::MaxSolVer},
    {KmfSolAtTetrahedra, KmfTetrahedra, KmfTetrahedraP2, "TETRAHEDRA", "P2 TETRAHEDRA",
     &Geometric_Mesh::SolAtTet, &Geometric_Mesh::NbrSolTet, &Geometric_Mesh::MaxSolTet},
    {KmfSolAtHexahedra, KmfHexahedra, KmfHexahedraQ2, "HEXAHEDRA", "Q2 HEXAHEDRA",
     &Geometric_Mesh::SolAtHex, &Geometric_Mesh::NbrSolHex, &Geometric_Mesh::MaxSolHex},
    {KmfSolAtTriangles, KmfTriangles, KmfTrianglesP2, "TRIANGLES", "P2 TRIANGLES",
     &Geometric_Mesh::SolAtTri, &Geometric_Mesh::NbrSolTri, &Geometric_Mesh::MaxSolTri},
    {KmfSolAtQuadrilaterals, KmfQuadrilaterals, KmfQuadrilateralsQ2, "QUADRILATERALS",
     "Q2 QUADRILATERALS", &Geometric_Mesh::SolAtQua, &Geometric_Mesh::NbrSolQua,
     &Geometric_Mesh::MaxSolQua},
    {KmfSolAtPrisms, KmfPrisms, 0, "PRISMS", nullptr, &Geometric_Mesh::SolAtPri,
     &Geometric_Mesh::NbrSolPri, &Geometric_Mesh::MaxSolPri},
    {KmfSolAtPyramids, KmfPyramids, 0, "PYRAMIDS", nullptr, &Geometric_Mesh::SolAtPyr,
     &Geometric_Mesh::NbrSolPyr, &Geometric_Mesh::MaxSolPyr},
};

// The row of the one solution the size array asks for (the first kind with entries), or null.
const SolutionSlot *askedSolution(const int *SizMsh) {
  for (const SolutionSlot &s : kSolutionSlots)
    if (SizMsh[s.SolKind] > 0) return &s;
  return nullptr;
}

// Creates the one solution the size array asks for. Returns 0 only on allocation failure; an
// inconsistent request is reported and the mesh keeps no solution.
int CreateSizedSolution(Memory_List *mem, Geometric_Mesh *msh, const int *SizMsh) {
  const SolutionSlot *asked = askedSolution(SizMsh);
  if (!asked) return 1;
  const SolutionSlot &s = *asked;
  int nbrSol = SizMsh[s.SolKind];
  int nbrEle = SizMsh[s.EleKind];
  int nbrP2 = s.P2Kind ? SizMsh[s.P2Kind] : 0;
  int nbrEnt = 0;
  if (nbrSol <= nbrEle)
    nbrEnt = nbrEle;
  else if (s.P2Kind && nbrSol <= nbrP2)
    nbrEnt = nbrP2;
  if (!nbrEnt) {
    if (s.P2Kind)
      fprintf(stderr,
              "  ## ERROR: NEWCOMMONMESH: INCONSISTENT SIZE IN # OF SOLUTION(%d) >  # OF %s(%d) "
              "AND # OF %s(%d) \n",
              nbrSol, s.Words, nbrEle, s.P2Words, nbrP2);
    else
      fprintf(stderr, "  ## ERROR: NEWCOMMONMESH: INCONSISTENT SIZE IN # OF SOLUTION(%d) >  # OF %s(%d) \n",
              nbrSol, s.Words, nbrEle);
    fprintf(stderr, "  SOLUTION FIELD IGNORED. \n");
    return 1;
  }

  int sizTot = SizMsh[KmfSolSizTot], nbrFld = SizMsh[KmfSolNbrFld];
  if (sizTot <= 0 || nbrFld <= 0) return 1;
  // The field types follow in the size array: never read past its end, and the capacity in
  // values must stay an int.
  if (nbrFld > KmfSizMshLen - KmfSolTypes ||
      static_cast<int64_t>(sizTot) * nbrEnt > INT_MAX) {
    fprintf(stderr, "  ## ERROR: NEWCOMMONMESH: INVALID SOLUTION SIZE (%d FIELDS, %d VALUES) \n",
            nbrFld, sizTot);
    fprintf(stderr, "  SOLUTION FIELD IGNORED. \n");
    return 1;
  }
  Geometric_Solution *sol = NewCommonSolution(mem, nbrEnt, sizTot, nbrFld, SizMsh + KmfSolTypes);
  if (!sol) return 0;
  msh->*s.Slot = sol;
  msh->*s.Count = 0;
  msh->*s.Capacity = sizTot * nbrEnt;
  return 1;
}

}  // namespace

const char *SizedSolutionKind(const int *SizMsh, int *asked, int *held) {
  const SolutionSlot *s = SizMsh ? askedSolution(SizMsh) : nullptr;
  *asked = s ? SizMsh[s->SolKind] : 0;
  *held = 0;
  if (!s) return nullptr;
  const int linear = SizMsh[s->EleKind], p2 = s->P2Kind ? SizMsh[s->P2Kind] : 0;
  *held = p2 > linear ? p2 : linear;
  return p2 > linear ? s->P2Words : s->Words;
}

void MeshCounts(const Geometric_Mesh *msh, int *SizMsh) {
  if (!msh || !SizMsh) return;
  for (const KindArray &k : kKindArrays)
    if (k.Nbr) SizMsh[k.Kind] = msh->*k.Nbr;
}

int AddSizedSolution(Memory_List *mem, Geometric_Mesh *msh, const int *SizMsh) {
  if (!msh || !SizMsh) return 0;
  for (const SolutionSlot &s : kSolutionSlots)
    if (msh->*s.Slot) return 0;
  const SolutionSlot *asked = askedSolution(SizMsh);
  if (!asked || !CreateSizedSolution(mem, msh, SizMsh)) return 0;
  return msh->*asked->Slot != nullptr;
}

Geometric_Solution *NewCommonSolution(Memory_List *mem, int NbrEntMax, int SizTot, int NbrFld,
                                      const int *types) {
  if (NbrEntMax < 1 || SizTot < 1 || NbrFld < 1 || !types) {
    fprintf(stderr, "  ## ERROR: NEWCOMMONSOLUTION: WRONG INPUT PARAMETER NBRENTMAX=%d \n", NbrEntMax);
    return nullptr;
  }
  auto *sol = static_cast<Geometric_Solution *>(
      Alloc(mem, nullptr, sizeof(Solution), kAllocFmt, "new", "sizeof(Solution)", __func__, __LINE__));
  if (!sol) {
    fprintf(stderr, "  ## ERROR: NEWCOMMONSOLUTION: ALLOCATION OF SOLUTION STRUCTURE FAILED \n");
    return nullptr;
  }
  memset(sol, 0, sizeof(*sol));
  sol->SizTot = SizTot;
  sol->NbrFld = NbrFld;
  sol->FileType = FILE_TYPE_KMF;

  size_t nbrVal = (static_cast<size_t>(NbrEntMax) + 1) * static_cast<size_t>(SizTot);
  sol->SizFld = static_cast<int *>(Alloc(mem, nullptr, sizeof(int) * NbrFld, kAllocFmt,
                                         "new->SizFld", "sizeof(int)*NbrTyp", __func__, __LINE__));
  sol->Sol = static_cast<double *>(Alloc(mem, nullptr, sizeof(double) * nbrVal, kAllocFmt, "new->Sol",
                                         "sizeof(double)*(NbrEntMax+1)*SolSiz", __func__, __LINE__));
  sol->Box = static_cast<double2 *>(Alloc(mem, nullptr, sizeof(double2) * NbrFld, kAllocFmt,
                                          "new->Box", "sizeof(double2)*new->NbrFld", __func__, __LINE__));
  sol->FldNam = static_cast<char(*)[SolFldNamLen + 1]>(
      Alloc(mem, nullptr, sizeof(*sol->FldNam) * NbrFld, kAllocFmt, "new->FldNam",
            "sizeof(*new->FldNam)*new->NbrFld", __func__, __LINE__));
  if (!sol->SizFld || !sol->Sol || !sol->Box || !sol->FldNam) {
    fprintf(stderr, "  ## ERROR: NEWCOMMONSOLUTION: ALLOCATION OF SOLUTION ARRAY FAILED \n");
    return FreeCommonSolution(mem, sol);
  }
  memcpy(sol->SizFld, types, sizeof(int) * NbrFld);
  memset(sol->Sol, 0, sizeof(double) * nbrVal);
  memset(sol->FldNam, 0, sizeof(*sol->FldNam) * NbrFld);
  for (int i = 0; i < NbrFld; i++) {
    sol->Box[i][0] = DBL_MAX;
    sol->Box[i][1] = -DBL_MAX;
  }
  return sol;
}

Geometric_Solution *FreeCommonSolution(Memory_List *mem, Geometric_Solution *sol) {
  if (!sol) return nullptr;
  if (sol->SizFld) sol->SizFld = static_cast<int *>(MEM_FREE(mem, sol->SizFld));
  if (sol->Sol) sol->Sol = static_cast<double *>(MEM_FREE(mem, sol->Sol));
  if (sol->Box) sol->Box = static_cast<double2 *>(MEM_FREE(mem, sol->Box));
  if (sol->FldNam) sol->FldNam = static_cast<char(*)[SolFldNamLen + 1]>(MEM_FREE(mem, sol->FldNam));
  MEM_FREE(mem, sol);
  return nullptr;
}

Geometric_Mesh *NewCommonMesh(Memory_List *mem, const int *SizMsh) {
  auto *msh = static_cast<Geometric_Mesh *>(MEM_ALLOC(mem, msh, sizeof(Mesh)));
  if (!msh) {
    fprintf(stderr, "  ## ERROR: NEWCOMMONMESH: ALLOCATION FAILED FOR MESH STRUCTURE \n");
    return nullptr;
  }
  memset(msh, 0, sizeof(*msh));
  if (!SizMsh) return msh;

  msh->FileType = SizMsh[KmfFileType];
  for (const KindArray &k : kKindArrays) {
    int n = SizMsh[k.Kind];
    if (n <= 0) continue;
    char var[32], siz[96];
    snprintf(var, sizeof(var), "msh->%s", k.Suffix);
    snprintf(siz, sizeof(siz), "sizeof(%s)*(msh->MaxNbr%s+1)", k.Record, k.Suffix);
    // n + 1 records must be countable: the capacity is an int.
    void *arr = n < INT_MAX ? Alloc(mem, nullptr, k.RecSize * (static_cast<size_t>(n) + 1), kAllocFmt, var, siz,
                                    "NewCommonMesh", __LINE__)
                            : nullptr;
    if (!arr) {
      if (k.Kind == KmfPrisms)
        fprintf(stderr, "  ## ERROR: NEWMESH: ALLOCATION FAILED FOR PRISM ARRAY \n");
      else
        fprintf(stderr, "  ## ERROR: NEWCOMMONMESH: ALLOCATION FAILED FOR %s ARRAY \n", k.Error);
      return FreeCommonMesh(mem, msh);
    }
    memset(arr, 0, k.RecSize);
    k.Set(msh, arr);
    msh->*k.Max = n;
  }

  if (!CreateSizedSolution(mem, msh, SizMsh)) {
    fprintf(stderr, "  ## ERROR: NEWCOMMONMESH: ALLOCATION FAILED FOR SOLUTION ARRAY \n");
    return FreeCommonMesh(mem, msh);
  }
  return msh;
}

namespace {

// Grows the values of a solution to room for NewSize + 1 entities past entry 0, clearing the
// new values. The solution keeps no capacity of its own: oldVal is what it holds now.
int GrowSolutionValues(Memory_List *mem, Geometric_Solution *sol, int64_t oldVal, int NewSize) {
  size_t nbrVal = (static_cast<size_t>(NewSize) + 2) * static_cast<size_t>(sol->SizTot);
  double *val;
  if (sol->Sol)
    val = static_cast<double *>(ReAlloc(mem, sol->Sol, sizeof(double) * nbrVal, kReAllocFmt,
                                        "msh->SolAtVer->Sol", "(NewSize+2)*SizTot*sizeof(double)",
                                        "NewCommonMeshEntity", __LINE__));
  else
    val = static_cast<double *>(Alloc(mem, nullptr, sizeof(double) * nbrVal, kAllocFmt,
                                      "msh->SolAtVer->Sol", "(NewSize+2)*SizTot*sizeof(double)",
                                      "NewCommonMeshEntity", __LINE__));
  if (!val) return 0;
  size_t old = oldVal < 0 ? 0 : static_cast<size_t>(oldVal);
  if (old < nbrVal) memset(val + old, 0, sizeof(double) * (nbrVal - old));
  sol->Sol = val;
  return 1;
}

// Values the vertex solution holds now: entry 0 plus its capacity in values.
int64_t VertexSolutionValues(const Geometric_Mesh *msh) {
  const Geometric_Solution *sol = msh->SolAtVer;
  return sol->Sol ? static_cast<int64_t>(msh->MaxSolVer) + sol->SizTot : 0;
}

}  // namespace

int NewCommonMeshEntity(Memory_List *mem, Geometric_Mesh *msh, int kind, int NewSize) {
  if (!msh || NewSize < 1) return 0;
  // Room for NewSize + 2 records and the vertex solution values must stay countable in ints.
  if (NewSize > INT_MAX - 2) return 0;

  if (kind == KmfSolAtVertices) {
    Geometric_Solution *sol = msh->SolAtVer;
    if (!sol) return 0;
    if (static_cast<int64_t>(sol->SizTot) * (NewSize + 1) > INT_MAX) return 0;
    // Shrinking below the values already read would drop them.
    if (static_cast<int64_t>(NewSize) + 1 < msh->NbrSolVer) return 0;
    if (!GrowSolutionValues(mem, sol, VertexSolutionValues(msh), NewSize)) return 0;
    msh->MaxSolVer = sol->SizTot * (NewSize + 1);
    return 1;
  }

  const KindArray *k = kindArray(kind);
  if (!k) {
    fprintf(stderr, "  ## ERROR: NEWCOMMONMESHENTITY: INVALID/UNKNOWN TYPE %d \n", kind);
    return 0;
  }
  // A capacity below the current count would leave counted records outside the array.
  if (k->Nbr && NewSize + 1 < msh->*k->Nbr) return 0;
  Geometric_Solution *sol = kind == KmfVertices ? msh->SolAtVer : nullptr;
  if (sol && static_cast<int64_t>(sol->SizTot) * (NewSize + 1) > INT_MAX) return 0;

  char var[32], siz[96];
  snprintf(var, sizeof(var), "msh->%s", k->Suffix);
  snprintf(siz, sizeof(siz), "(NewSize+1)*sizeof(%s)", k->Record);
  size_t bytes = k->RecSize * (static_cast<size_t>(NewSize) + 2);
  void *arr = k->Get(msh);
  void *grown = arr ? ReAlloc(mem, arr, bytes, kReAllocFmt, var, siz, __func__, __LINE__)
                    : Alloc(mem, nullptr, bytes, kAllocFmt, var, siz, __func__, __LINE__);
  if (!grown) return 0;
  if (!arr) memset(grown, 0, k->RecSize);
  k->Set(msh, grown);
  msh->*k->Max = NewSize + 1;
  if (sol) {
    if (!GrowSolutionValues(mem, sol, VertexSolutionValues(msh), NewSize)) return 0;
    msh->MaxSolVer = sol->SizTot * (NewSize + 1);
  }
  return 1;
}

StaticBall *geoFreeStaticBall(Memory_List *mem, StaticBall *ball) {
  if (!ball) return nullptr;
  if (ball->Head) ball->Head = static_cast<int *>(MEM_FREE(mem, ball->Head));
  if (ball->Ver2Ent) ball->Ver2Ent = static_cast<int *>(MEM_FREE(mem, ball->Ver2Ent));
  MEM_FREE(mem, ball);
  return nullptr;
}

void DropMeshSolution(Memory_List *mem, Geometric_Mesh *msh) {
  if (!msh) return;
  for (const SolutionSlot &s : kSolutionSlots) {
    msh->*s.Slot = FreeCommonSolution(mem, msh->*s.Slot);
    msh->*s.Count = 0;
    msh->*s.Capacity = 0;
  }
}

Geometric_Mesh *FreeCommonMesh(Memory_List *mem, Geometric_Mesh *msh) {
  if (!msh) return nullptr;
  // The topology thread may still be writing the arrays.
  StopTopoThread(msh);
  for (const KindArray &k : kKindArrays) {
    void *arr = k.Get(msh);
    if (!arr) continue;
    char var[32];
    snprintf(var, sizeof(var), "msh->%s", k.Suffix);
    k.Set(msh, Free(mem, arr, "F %s IN FUNCTION %s LINE %d ", var, __func__, __LINE__));
  }
  for (StaticBall **ball : {&msh->Ver2Efr, &msh->Ver2Tri, &msh->Ver2Qua, &msh->Ver2Tet, &msh->Ver2Hex})
    *ball = geoFreeStaticBall(mem, *ball);
  DropMeshSolution(mem, msh);
  MEM_FREE(mem, msh);
  return nullptr;
}

double GetMeshMem(const Geometric_Mesh *msh, double out[2]) {
  // Nominal bytes per entity, as the loaders have always reported them.
  struct {
    int Geometric_Mesh::*Max;
    int Geometric_Mesh::*Nbr;
    double Bytes;
  } const rows[] = {
      {&Geometric_Mesh::MaxNbrVer, &Geometric_Mesh::NbrVer, 64},
      {&Geometric_Mesh::MaxNbrEfr, &Geometric_Mesh::NbrEfr, 48},
      {&Geometric_Mesh::MaxNbrEdg, &Geometric_Mesh::NbrEdg, 16},
      {&Geometric_Mesh::MaxNbrTri, &Geometric_Mesh::NbrTri, 56},
      {&Geometric_Mesh::MaxNbrQua, &Geometric_Mesh::NbrQua, 56},
      {&Geometric_Mesh::MaxNbrTet, &Geometric_Mesh::NbrTet, 56},
      {&Geometric_Mesh::MaxNbrPyr, &Geometric_Mesh::NbrPyr, 60},
      {&Geometric_Mesh::MaxNbrPri, &Geometric_Mesh::NbrPri, 64},
      {&Geometric_Mesh::MaxNbrHex, &Geometric_Mesh::NbrHex, 76},
      {&Geometric_Mesh::MaxSolVer, &Geometric_Mesh::NbrSolVer, 8},
  };
  double cap = 0, used = 0;
  if (msh) {
    for (const auto &r : rows) {
      cap += r.Bytes * (msh->*r.Max);
      used += r.Bytes * (msh->*r.Nbr);
    }
  }
  if (out) {
    out[0] = cap;
    out[1] = used;
  }
  return used;
}
