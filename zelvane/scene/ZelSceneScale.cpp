// The box a scene frames and the display coordinates scaled into it.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/pool/Parallel.h"
#include "zelvane/scene/ZelElems.h"
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

// Element kinds in the order the box meets them: triangles and tetrahedra first, as the box
// of a mesh of these alone always was, then the other linear kinds and the curved ones.
const int BoxElementKinds[] = {KmfTriangles,   KmfTetrahedra,       KmfQuadrilaterals, KmfPyramids,
                               KmfPrisms,      KmfHexahedra,        KmfTrianglesP2,    KmfQuadrilateralsQ2,
                               KmfTetrahedraP2, KmfHexahedraQ2};

// The element arrays walked, one after the other, cut into runs.
struct BoxWalk {
  static const int kRuns = 64;
  static const int kMaxParts = static_cast<int>(std::size(BoxElementKinds));  // the edge kinds are fewer
  struct Part {
    const char *Base;
    size_t Size;
    ptrdiff_t Tag;  // -1: every record counts (edges)
    ptrdiff_t Ver;
    int Count, NbrVer;
  };
  const Geometric_Mesh *Msh = nullptr;
  Part Parts[kMaxParts];
  int NbrParts = 0;
  int64_t Total = 0;
  RunBox Runs[kRuns];

  // The records of a kind, all of their nodes (mid-edge, face and centre ones too); those
  // without the alive bit are skipped when the kind has a tag and aliveOnly is set.
  void add(const ZelElems &e, bool aliveOnly) {
    if (!e.exists() || e.Count < 1 || NbrParts == kMaxParts) return;
    Parts[NbrParts++] = {e.Base, e.Stride, aliveOnly ? e.TagOff : -1, e.VerOff, e.Count, e.NbrNod};
    Total += e.Count;
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
        if (p.Tag >= 0 && !(TagAtomicLoad(reinterpret_cast<const uint32_t *>(rec + p.Tag)) & TAG_ALIVE)) continue;
        const int *ver = reinterpret_cast<const int *>(rec + p.Ver);
        for (int j = 0; j < p.NbrVer; j++)
          if (ver[j] >= 1 && ver[j] <= Msh->NbrVer) b.add(Msh->Ver[ver[j]].Crd);
      }
      at += p.Count;
    }
  }
};

// The volume edges have no tag nor row of their own among the kinds.
ZelElems volumeEdges(const Geometric_Mesh *msh) {
  ZelElems e;
  if (!msh->Edg) return e;
  e.Base = reinterpret_cast<char *>(msh->Edg);
  e.Stride = sizeof(Edge);
  e.Count = msh->NbrEdg;
  e.NbrNod = 2;
  e.VerOff = offsetof(Edge, Ver);
  return e;
}

void walkRuns(int first, int last, int, void *arg) {
  auto *w = static_cast<BoxWalk *>(arg);
  for (int r = first; r <= last; r++) w->walk(r - 1);
}

}  // namespace

int zelBoundingBoxOnPool(ParallelPool *pool, const Geometric_Mesh *msh, double box[6]) {
  if (!msh) return 0;
  BoxWalk w;
  w.Msh = msh;
  // zelElems only reads through the pointers it hands back.
  auto *m = const_cast<Geometric_Mesh *>(msh);
  for (int kind : BoxElementKinds) w.add(zelElems(m, kind), true);
  // No element: the edges, whatever their tags.
  if (w.NbrParts == 0) {
    w.add(zelElems(m, KmfEdges), false);
    w.add(volumeEdges(msh), false);
    w.add(zelElems(m, KmfEdgesP2), false);
  }
  LaunchRange(pool, BoxWalk::kRuns, walkRuns, &w);
  RunBox all;
  for (const RunBox &b : w.Runs) all.join(b);
  // No element nor edge, none alive or none with a finite vertex: the mesh's own box.
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
