// The box a scene frames and the display coordinates scaled into it.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/pool/Parallel.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// The box is taken over a sequence of element vertices in order, as one walk would grow it:
// a coordinate takes a smaller (larger) value only when strictly smaller (larger), so the
// zero met first of two of opposite signs stays. A vertex with a NaN or an infinite
// coordinate is left out: it cannot be framed, and would turn the box and the camera NaN. The
// walk is cut into runs, each growing a box of its own: the runs' boxes, met in order, give
// the same bits as the one walk.
struct RunBox {
  double Lo[3] = {0, 0, 0}, Hi[3] = {0, 0, 0};  // meaningful once Any is set
  bool Any = false;  // a finite vertex was met

  void add(const double *p) {
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return;
    if (!Any) {
      Any = true;
      for (int i = 0; i < 3; i++) Lo[i] = Hi[i] = p[i];
      return;
    }
    for (int i = 0; i < 3; i++) {
      if (p[i] < Lo[i]) Lo[i] = p[i];
      if (Hi[i] < p[i]) Hi[i] = p[i];
    }
  }
  // The run that follows this one.
  void join(const RunBox &next) {
    if (!next.Any) return;
    if (!Any) {
      *this = next;
      return;
    }
    for (int i = 0; i < 3; i++) {
      if (next.Lo[i] < Lo[i]) Lo[i] = next.Lo[i];
      if (Hi[i] < next.Hi[i]) Hi[i] = next.Hi[i];
    }
  }
};

// The element arrays walked, one after the other, cut into runs.
struct BoxWalk {
  static const int kRuns = 64;
  struct Part {
    const char *Base;
    size_t Size, Tag, Ver;
    int Count, NbrVer;
    bool AliveOnly;
  };
  const Geometric_Mesh *Msh = nullptr;
  Part Parts[2];
  int NbrParts = 0;
  int64_t Total = 0;
  RunBox Runs[kRuns];

  // Elements whose alive ones only count.
  template <class Rec>
  void addAlive(const Rec *arr, int count, int nbrVer) {
    if (!arr || count < 1) return;
    Parts[NbrParts++] = {reinterpret_cast<const char *>(arr), sizeof(Rec), offsetof(Rec, Tag), offsetof(Rec, Ver),
                         count, nbrVer, true};
    Total += count;
  }
  template <class Rec>
  void addAll(const Rec *arr, int count, int nbrVer) {
    if (!arr || count < 1) return;
    Parts[NbrParts++] = {reinterpret_cast<const char *>(arr), sizeof(Rec), 0, offsetof(Rec, Ver), count, nbrVer, false};
    Total += count;
  }

  // Run r: its share of the elements, through the parts in order.
  void walk(int r) {
    RunBox &b = Runs[r];
    int64_t beg = Total * r / kRuns, end = Total * (r + 1) / kRuns, at = 0;
    for (int k = 0; k < NbrParts; k++) {
      const Part &p = Parts[k];
      int64_t lo = beg > at ? beg - at : 0, hi = end - at < p.Count ? end - at : p.Count;
      for (int64_t i = lo + 1; i <= hi; i++) {
        const char *rec = p.Base + static_cast<size_t>(i) * p.Size;
        if (p.AliveOnly && !(TagAtomicLoad(reinterpret_cast<const uint32_t *>(rec + p.Tag)) & TAG_ALIVE)) continue;
        const int *ver = reinterpret_cast<const int *>(rec + p.Ver);
        for (int j = 0; j < p.NbrVer; j++)
          if (ver[j] >= 1 && ver[j] <= Msh->NbrVer) b.add(Msh->Ver[ver[j]].Crd);
      }
      at += p.Count;
    }
  }
};

void walkRuns(int first, int last, int, void *arg) {
  auto *w = static_cast<BoxWalk *>(arg);
  for (int r = first; r <= last; r++) w->walk(r - 1);
}

}  // namespace

int zelBoundingBoxOnPool(ParallelPool *pool, const Geometric_Mesh *msh, double box[6]) {
  if (!msh) return 0;
  BoxWalk w;
  w.Msh = msh;
  if (msh->NbrTri > 0) {
    w.addAlive(msh->Tri, msh->NbrTri, 3);
    w.addAlive(msh->Tet, msh->NbrTet, 4);
  } else if (msh->NbrTet > 0) {
    w.addAlive(msh->Tet, msh->NbrTet, 4);
  } else {
    w.addAll(msh->Efr, msh->NbrEfr, 2);
    w.addAll(msh->Edg, msh->NbrEdg, 2);
  }
  LaunchRange(pool, BoxWalk::kRuns, walkRuns, &w);
  RunBox all;
  for (const RunBox &b : w.Runs) all.join(b);
  // No element of these kinds, none alive or none with a finite vertex: the mesh's own box.
  if (!all.Any) {
    std::memcpy(box, msh->Box, sizeof(double) * 6);
    return 1;
  }
  for (int i = 0; i < 3; i++) {
    box[i] = all.Lo[i];
    box[i + 3] = all.Hi[i];
  }
  return 1;
}

int zelBoundingBox(const Geometric_Mesh *msh, double box[6]) { return zelBoundingBoxOnPool(nullptr, msh, box); }

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
