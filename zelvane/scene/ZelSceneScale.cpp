// The box a scene frames and the display coordinates scaled into it.
#include <algorithm>
#include <cstring>

#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// A box grown vertex by vertex; empty until the first vertex.
struct BoxBuilder {
  double Box[6];
  bool Empty = true;

  void add(const Geometric_Mesh *msh, int v) {
    if (v < 1 || v > msh->NbrVer) return;
    const double *p = msh->Ver[v].Crd;
    if (Empty) {
      for (int i = 0; i < 3; i++) Box[i] = Box[i + 3] = p[i];
      Empty = false;
      return;
    }
    for (int i = 0; i < 3; i++) {
      Box[i] = std::min(Box[i], p[i]);
      Box[i + 3] = std::max(Box[i + 3], p[i]);
    }
  }

  // The vertices of the elements of arr, alive ones only when aliveOnly.
  template <bool AliveOnly, class Rec>
  void addElements(const Geometric_Mesh *msh, const Rec *arr, int count, int nbrVer) {
    if (!arr) return;
    for (int i = 1; i <= count; i++) {
      if constexpr (AliveOnly)
        if (!(TagAtomicLoad(&arr[i].Tag) & TAG_ALIVE)) continue;
      for (int j = 0; j < nbrVer; j++) add(msh, arr[i].Ver[j]);
    }
  }
};

}  // namespace

int zelBoundingBox(const Geometric_Mesh *msh, double box[6]) {
  if (!msh) return 0;
  BoxBuilder b;
  if (msh->NbrTri > 0) {
    b.addElements<true>(msh, msh->Tri, msh->NbrTri, 3);
    b.addElements<true>(msh, msh->Tet, msh->NbrTet, 4);
  } else if (msh->NbrTet > 0) {
    b.addElements<true>(msh, msh->Tet, msh->NbrTet, 4);
  } else {
    b.addElements<false>(msh, msh->Efr, msh->NbrEfr, 2);
    b.addElements<false>(msh, msh->Edg, msh->NbrEdg, 2);
  }
  // No element of these kinds, or none alive: the mesh's own box.
  std::memcpy(box, b.Empty ? msh->Box : b.Box, sizeof(b.Box));
  return 1;
}

void zelScaleCrd(int beg, int end, int, void *arg) {
  auto *scene = static_cast<ZelScene *>(arg);
  const Vertex *ver = scene->Msh->Ver;
  float3 *crd = scene->ZelMsh->Crd;
  const double s = scene->InvDmaxSca, *c = scene->Ctr;
  for (int v = beg; v <= end; v++)
    for (int i = 0; i < 3; i++) crd[v][i] = static_cast<float>((ver[v].Crd[i] - c[i]) * s);
}

int zelUpdateZelMeshCrd(ZelScene *scene) {
  if (!scene || !scene->Msh || !scene->ZelMsh || !scene->ZelMsh->Crd || !scene->Msh->Ver) return 0;
  // A mesh grown since its display mesh was set up has vertices Crd has no room for.
  const int n = std::min(scene->Msh->NbrVer, scene->ZelMsh->MaxNbrCrd);
  if (n < 1) return 1;
  ParallelPool *pool = scene->Par ? scene->Par->Pool : nullptr;
  int threads = 0, types = 0;
  if (pool && GetPoolInformation(pool, &threads, &types) && threads >= 2 && n >= 2000) {
    // The vertex loop type must cover the current count: declared afresh when it does not
    // (kept when it does, so that loops depending on it keep their type number).
    int &typ = scene->Par->VerTyp;
    if (!typ || CheckTypeLines(pool, typ, n) != typ) {
      if (typ) FreeType(pool, typ);
      typ = NewType(pool, n);
    }
    if (typ && LaunchParallel(pool, typ, 0, zelScaleCrd, scene) >= 0) return 1;
  }
  zelScaleCrd(1, n, 0, scene);
  return 1;
}
