#include "common/pool/MthParallel.h"

#include "common/base/FunctionInterface.h"
#include "common/model/Mesh.h"
#include "common/pool/PoolInternal.h"

namespace {

const int MthMaxThreads = 64;

ParallelPool *startPool(int n) {
  if (n > MthMaxThreads) n = MthMaxThreads;
  return n >= 2 ? InitParallel(n) : nullptr;
}

bool usable(const Common_MthParallel *mth, const Geometric_Mesh *msh) {
  return mth && msh && mth->Pool && mth->Pool->NbrCpu >= 2;
}

// Frees the old type of a kind and declares one over count lines (0 when count is 0 or below
// the thread count).
void redeclare(ParallelPool *par, int *type, int count) {
  if (*type) FreeType(par, *type);
  *type = count > 0 ? NewType(par, count) : 0;
}

}  // namespace

Common_MthParallel *NewMthParallel(int a, int b, int c) {
  Common_MthParallel *mth = POOL_CALLOC(mth, 1, Common_MthParallel);
  if (!mth) return nullptr;
  mth->Pool = startPool(a);
  mth->Pool2 = startPool(b);
  mth->Pool3 = startPool(c);
  return mth;
}

Common_MthParallel *FreeMthParallel(Common_MthParallel *mth) {
  if (!mth) return nullptr;
  StopParallel(mth->Pool);
  StopParallel(mth->Pool3);
  StopParallel(mth->Pool2);
  MEM_FREE(nullptr, mth);
  return nullptr;
}

Common_MthParallel *IniMthParallel(int flags, Common_MthParallel *mth, Function_Interface *fi,
                                   Geometric_Mesh *msh, int a, int b, int c) {
  if (!mth) {
    mth = NewMthParallel(a, b, c);
    if (fi) fi->Par = mth;
  }
  SetMeshDependency(mth, msh);
  if (flags & 1) SetTetDependency(mth, msh);
  if (flags & (2 | 4 | 8)) myexit("NOT IMPLEMENTED", 100);
  return mth;
}

void SetMeshDependency(Common_MthParallel *mth, Geometric_Mesh *msh) {
  if (!usable(mth, msh)) return;
  ParallelPool *par = mth->Pool;
  struct {
    int *Type;
    int Count;
  } kinds[] = {{&mth->VerTyp, msh->NbrVer},     {&mth->TetTyp, msh->NbrTet},
               {&mth->TriTyp, msh->NbrTri},     {&mth->QuaTyp, msh->NbrQua},
               {&mth->HexTyp, msh->NbrHex},     {&mth->PyrTyp, msh->NbrPyr},
               {&mth->PriTyp, msh->NbrPri},     {&mth->EdgTyp, msh->NbrEdg},
               {&mth->EfrTyp, msh->NbrEfr},     {&mth->P2TetTyp, msh->NbrP2Tet},
               {&mth->P2TriTyp, msh->NbrP2Tri}, {&mth->P2QuaTyp, msh->NbrP2Qua},
               {&mth->P2HexTyp, msh->NbrP2Hex}, {&mth->P2EfrTyp, msh->NbrP2Efr}};
  // A kind the new mesh lacks must not keep the previous mesh's type and line count.
  for (auto &k : kinds) redeclare(par, k.Type, k.Count);
}

void SetTetDependency(Common_MthParallel *mth, Geometric_Mesh *msh) {
  if (!usable(mth, msh) || msh->NbrTet < 1 || msh->NbrVer < 1 || !msh->Tet) return;
  ParallelPool *par = mth->Pool;
  redeclare(par, &mth->VerTyp, msh->NbrVer);
  redeclare(par, &mth->TetDepTyp, msh->NbrTet);
  if (!mth->TetDepTyp) return;
  if (!BeginDependency(par, mth->TetDepTyp, mth->VerTyp)) {
    // Without its dependencies the type would let tetrahedra sharing vertices run together.
    FreeType(par, mth->TetDepTyp);
    mth->TetDepTyp = 0;
    return;
  }
  for (int i = 1; i <= msh->NbrTet; i++) {
    const Tetrahedron &tet = msh->Tet[i];
    if (!(tet.Tag & TAG_ALIVE)) continue;
    bool inRange = true;
    for (int j = 0; j < 4; j++) inRange = inRange && tet.Ver[j] >= 1 && tet.Ver[j] <= msh->NbrVer;
    if (inRange) AddDependencyFast(par, 1, &i, 4, tet.Ver);
  }
  float stats[2];
  EndDependency(par, stats);
}
