#include "common/topology/VolumeBase.h"

#include <cstring>

#include "common/base/FunctionInterface.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"

namespace {

// Tetrahedra first..last give their vertices to base; vertices outside 1..NbrVer are skipped.
void baseWalk(int first, int last, int NbrVer, const Tetrahedron *Tet, int *base) {
  for (int i = first; i <= last; i++) {
    const Tetrahedron &t = Tet[i];
    if (!(TagAtomicLoad(&t.Tag) & TAG_ALIVE)) continue;
    for (int j = 0; j < 4; j++)
      if (t.Ver[j] >= 1 && t.Ver[j] <= NbrVer) base[t.Ver[j]] = i;
  }
}

}  // namespace

int SetVolumeBase(void *, int NbrVer, int NbrTet, const Tetrahedron *Tet, int *base) {
  if (!base || !Tet || NbrVer < 1 || NbrTet < 1) return 0;
  baseWalk(1, NbrTet, NbrVer, Tet, base);
  return 1;
}

void SetBase3_p(int first, int last, int, void *arg) {
  auto *a = static_cast<SetBase3Arg *>(arg);
  baseWalk(first, last, a->Msh->NbrVer, a->Msh->Tet, a->Base);
}

void ColorTet_p(int first, int last, int colour, void *arg) {
  int *tab = static_cast<int *>(arg);
  for (int i = first; i <= last; i++) tab[i] = colour << 16;
}

int SetBase3(Function_Interface *fi, Geometric_Mesh *msh, int *base) {
  if (!msh || !base) return 0;
  size_t bytes = sizeof(int) * (static_cast<size_t>(msh->NbrVer > 0 ? msh->NbrVer : 0) + 1);
  Common_MthParallel *mth = fi ? fi->Par : nullptr;
  ParallelPool *pool = mth ? mth->Pool : nullptr;
  int nbrThr = pool ? pool->NbrCpu : 1;
  // The dependency types must describe this mesh: a type kept from another mesh would let
  // packages sharing vertices run together.
  bool parallel = pool && nbrThr >= 2 && msh->NbrVer >= 20 * nbrThr && msh->NbrTet > 0 &&
                  CheckTypeLines(pool, mth->TetDepTyp, msh->NbrTet) &&
                  CheckTypeLines(pool, mth->VerTyp, msh->NbrVer);
  if (!parallel) {
    memset(base, 0, bytes);
    if (msh->NbrTet > 0 && msh->Tet) baseWalk(1, msh->NbrTet, msh->NbrVer, msh->Tet, base);
    return 1;
  }
  ParallelMemClear(pool, base, static_cast<int64_t>(bytes));
  SetBase3Arg arg = {msh, base};
  LaunchParallel(pool, mth->TetDepTyp, mth->VerTyp, SetBase3_p, &arg);
  return 1;
}
