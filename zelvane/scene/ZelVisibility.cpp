// Visible bits of the mesh's records, whole-mesh and layer by layer around a picked item.
#include "zelvane/scene/ZelVisibility.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/base/Memory.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "common/pool/Parallel.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelScene.h"

namespace {

const int kCovered[13] = {KmfVertices,     KmfEdges,          KmfEdgesP2,          KmfTriangles,
                          KmfTrianglesP2,  KmfQuadrilaterals, KmfQuadrilateralsQ2, KmfTetrahedra,
                          KmfTetrahedraP2, KmfPyramids,       KmfPrisms,           KmfHexahedra,
                          KmfHexahedraQ2};

// Sets or clears the visible bit, writing only when it changes.
void showTag(uint32_t *tag, bool on) {
  uint32_t t = TagAtomicLoad(tag);
  if (on && !(t & TAG_VISIBLE)) TagAtomicOr(tag, TAG_VISIBLE);
  if (!on && (t & TAG_VISIBLE)) TagAtomicAnd(tag, ~TAG_VISIBLE);
}

struct ShowJob {
  ZelElems El;
  bool On;
};

void showRange(int first, int last, int, void *arg) {
  auto *job = static_cast<ShowJob *>(arg);
  for (int i = first; i <= last; i++) showTag(job->El.tag(i), job->On);
}

// Every record of the covered kinds, on the pool's threads when pool is not null.
int showAll(Geometric_Mesh *msh, bool on, ParallelPool *pool = nullptr) {
  if (!msh) return 0;
  for (int kind : kCovered) {
    ShowJob job{zelElems(msh, kind), on};
    if (job.El.exists() && job.El.Count > 0) LaunchRange(pool, job.El.Count, showRange, &job);
  }
  return 1;
}

bool validVertex(const Geometric_Mesh *msh, int v) { return v >= 1 && v <= msh->NbrVer; }

bool vertexVisible(const Geometric_Mesh *msh, int v) {
  return validVertex(msh, v) && (TagAtomicLoad(&msh->Ver[v].Tag) & TAG_VISIBLE);
}

// The vertex levels of the mini mesh and how many vertices they cover; null when missing.
int *levels(ZelMesh *zelMsh, const Geometric_Mesh *msh, int *count) {
  ZelEntity *ent = zelMsh ? zelMsh->VerEnt : nullptr;
  if (!ent || !ent->Lvl || !msh || !msh->Ver) return nullptr;
  *count = std::min(msh->NbrVer, ent->MaxNbrLnk);
  return ent->Lvl;
}

bool inLayers(int lvl, uint32_t L) { return lvl >= 1 && static_cast<uint32_t>(lvl) <= L; }

// The kinds a mini mesh can start from.
bool startsMiniMesh(int kind) {
  switch (kind) {
    case KmfVertices:
    case KmfEdges:
    case KmfTriangles:
    case KmfQuadrilaterals:
    case KmfTetrahedra:
    case KmfPrisms:
    case KmfHexahedra:
    case KmfPyramids:
    case KmfTrianglesP2:
    case KmfEdgesP2:
    case KmfQuadrilateralsQ2:
    case KmfTetrahedraP2:
    case KmfHexahedraQ2: return true;
  }
  return false;
}

// Every vertex hidden at level 0, the mini mesh back at layer 1.
void clearMiniMesh(ZelMesh *zelMsh, Geometric_Mesh *msh, int *lvl, int n) {
  zelDelAllVisible(msh);
  std::fill(lvl + 1, lvl + n + 1, 0);
  zelMsh->MiniLvl = 1;
}

void joinFirstLayer(Geometric_Mesh *msh, int *lvl, int n, int v) {
  if (v < 1 || v > n) return;
  lvl[v] = 1;
  showTag(&msh->Ver[v].Tag, true);
}

}  // namespace

int zelSetAllVisible(Geometric_Mesh *msh) { return showAll(msh, true); }
int zelSetAllVisibleOnPool(Geometric_Mesh *msh, ParallelPool *pool) { return showAll(msh, true, pool); }
int zelDelAllVisible(Geometric_Mesh *msh) { return showAll(msh, false); }

int zelUpdateVisibility(ZelMesh *zelMsh, Geometric_Mesh *msh) {
  if (!zelMsh || !msh || !msh->Ver) return 0;
  for (int kind : ZelVisibilityKinds) {
    ZelElems el = zelElems(msh, kind);
    ZelEntity *ent = zelGetEntity(zelMsh, kind);
    if (ent) ent->NbrVis = 0;
    if (!el.exists()) continue;
    for (int i = 1; i <= el.Count; i++) {
      const int *ver = el.ver(i);
      bool all = std::all_of(ver, ver + el.NbrCor, [&](int v) { return vertexVisible(msh, v); });
      showTag(el.tag(i), all);
      if (all && ent) ent->NbrVis++;
    }
  }
  return 1;
}

int zelInitMiniMesh(ZelScene *scene) {
  if (!scene || !scene->Msh || !scene->ZelMsh) return 0;
  const GeoStackItem *top = geoTopHybridStack(scene->Pck);
  if (!top) return 0;
  const int idx = top->Idx, kind = top->Typ;
  if (kind == KmfFaceEdges) return idx != 0 ? 1 : 0;
  // Refused kinds change nothing: the mesh stays as the user sees it.
  if (!startsMiniMesh(kind)) {
    printf("only Triangles. Other case not yet implemented\n In zelInitBoxMiniMesh\n");
    return 0;
  }
  Geometric_Mesh *msh = scene->Msh;
  int n = 0;
  int *lvl = levels(scene->ZelMsh, msh, &n);
  if (!geoCheckBound(msh, idx, kind) || !lvl) return 0;
  clearMiniMesh(scene->ZelMsh, msh, lvl, n);
  if (kind == KmfVertices) {
    joinFirstLayer(msh, lvl, n, idx);
    zelOneMoreVisible(scene, scene->ZelMsh, msh);
    return 1;
  }
  ZelElems el = zelElems(msh, kind);
  const int *ver = el.ver(idx);
  for (int k = 0; k < el.NbrNod; k++) joinFirstLayer(msh, lvl, n, ver[k]);
  zelUpdateVisibility(scene->ZelMsh, msh);
  return 1;
}

int zelOneMoreVisible(ZelScene *, ZelMesh *zelMsh, Geometric_Mesh *msh) {
  int n = 0;
  int *lvl = levels(zelMsh, msh, &n);
  // Before a start every level is 0: growing would hide the whole mesh.
  if (!lvl || zelMsh->MiniLvl == 0) return 0;
  const uint32_t L = zelMsh->MiniLvl;
  auto inMini = [&](int v) { return v >= 1 && v <= n && inLayers(lvl[v], L); };
  for (int kind : ZelVisibilityKinds) {
    ZelElems el = zelElems(msh, kind);
    if (!el.exists()) continue;
    for (int i = 1; i <= el.Count; i++) {
      const int *ver = el.ver(i);
      bool touch = std::any_of(ver, ver + el.NbrCor, inMini);
      if (touch)
        for (int c = 0; c < el.NbrCor; c++)
          if (ver[c] >= 1 && ver[c] <= n && lvl[ver[c]] == 0) lvl[ver[c]] = static_cast<int>(L + 1);
      showTag(el.tag(i), touch);
    }
  }
  for (int v = 1; v <= n; v++) showTag(&msh->Ver[v].Tag, inLayers(lvl[v], L));
  zelMsh->MiniLvl = L + 1;
  return 1;
}

int zelOneLessVisible(ZelMesh *zelMsh, Geometric_Mesh *msh) {
  int n = 0;
  int *lvl = levels(zelMsh, msh, &n);
  if (!lvl || zelMsh->MiniLvl <= 1) return 0;
  const uint32_t L = zelMsh->MiniLvl;
  for (int v = 1; v <= n; v++) {
    if (lvl[v] >= 1 && static_cast<uint32_t>(lvl[v]) >= L) lvl[v] = 0;
    showTag(&msh->Ver[v].Tag, lvl[v] != 0);
  }
  zelMsh->MiniLvl = L - 1;
  zelUpdateVisibility(zelMsh, msh);
  return 1;
}

int zelSetBoxVisible(ZelMesh *zelMsh, Geometric_Mesh *msh, const double box[6]) {
  int n = 0;
  int *lvl = levels(zelMsh, msh, &n);
  if (!lvl || !box) return 0;
  uint32_t inside = 0;
  for (int v = 1; v <= n; v++) {
    const double *p = msh->Ver[v].Crd;
    bool in = true;
    for (int i = 0; i < 3; i++) in = in && p[i] > box[i] && p[i] < box[i + 3];
    lvl[v] = in ? 1 : 0;
    showTag(&msh->Ver[v].Tag, in);
    inside += in;
  }
  zelMsh->VerEnt->NbrVis = inside;
  zelUpdateVisibility(zelMsh, msh);
  return 1;
}

// Entries without a caller in the viewer.

int zelInitMiniMesh0(ZelScene *scene) {
  if (!scene || !scene->Msh || !scene->ZelMsh) return 0;
  const GeoStackItem *top = geoTopHybridStack(scene->Pck);
  if (!top) return 0;
  const int idx = top->Idx, kind = top->Typ;
  if (kind != KmfEdges && kind != KmfTriangles && kind != KmfQuadrilaterals) {
    printf("only Triangles. Other case not yet implemented\n In zelInitBoxMiniMesh\n");
    return 0;
  }
  Geometric_Mesh *msh = scene->Msh;
  if (!geoCheckBound(msh, idx, kind)) return 0;
  ZelElems el = zelElems(msh, kind);
  const int *ver = el.ver(idx);
  if (!std::all_of(ver, ver + el.NbrCor, [&](int v) { return validVertex(msh, v); })) return 0;
  double c[3] = {0, 0, 0}, d = 0.0;
  for (int k = 0; k < el.NbrCor; k++)
    for (int i = 0; i < 3; i++) {
      const double x = msh->Ver[ver[k]].Crd[i];
      c[i] += x / el.NbrCor;
      for (int m = 0; m < el.NbrCor; m++) d = std::max(d, std::fabs(x - msh->Ver[ver[m]].Crd[i]));
    }
  zelDelAllVisible(msh);
  scene->ZelMsh->MiniLvl = 1;
  double box[6];
  for (int i = 0; i < 3; i++) box[i] = c[i] - 2 * d, box[i + 3] = c[i] + 2 * d;
  zelSetBoxVisible(scene->ZelMsh, msh, box);
  return 1;
}

int zelInitMiniMeshRef(ZelScene *scene, int type, int ref) {
  if (!scene || !scene->Msh || !scene->ZelMsh) return 0;
  Geometric_Mesh *msh = scene->Msh;
  int n = 0;
  int *lvl = levels(scene->ZelMsh, msh, &n);
  if (!lvl) return 0;
  clearMiniMesh(scene->ZelMsh, msh, lvl, n);
  if (type == KmfTriangles)
    for (int t = 1; t <= msh->NbrTri; t++)
      if (msh->Tri[t].Ref == ref)
        for (int v : msh->Tri[t].Ver) joinFirstLayer(msh, lvl, n, v);
  zelUpdateVisibility(scene->ZelMsh, msh);
  return 1;
}

int zelDelAllLevel(Geometric_Mesh *msh, ZelMesh *zelMsh) {
  int n = 0;
  int *lvl = levels(zelMsh, msh, &n);
  if (!lvl) return 0;
  std::fill(lvl + 1, lvl + n + 1, 0);
  return 1;
}

int zelUpdateEfrVisibility(Geometric_Mesh *msh, ZelMesh *zelMsh, int index, int type) {
  int n = 0;
  int *lvl = levels(zelMsh, msh, &n);
  if (!lvl) return 0;
  if (type != KmfEdges && type != KmfEdgesP2) {
    fprintf(stderr, " ## ERROR: ZELUPDATEEFRVISIBILITY:  TYPE %d IS NOT EDGE OR P2EDGE \n", type);
    myexit("FATAL INTERNAL ERROR: INVALID TYPE \n", 100);
  }
  if (type == KmfEdgesP2 && geoCheckBound(msh, index, type))
    for (int v : msh->P2Efr[index].Ver)
      if (v >= 1 && v <= n) {
        lvl[v] = static_cast<int>(zelMsh->MiniLvl);
        showTag(&msh->Ver[v].Tag, true);
      }
  printf(" ****** zelUpdateEfrVisibility : todo \n");
  return 1;
}

namespace {

int showReference(Geometric_Mesh *msh, int ref, int type, bool on) {
  if (!msh) return 0;
  if (type == KmfVertices || type == KmfEdges || type == KmfQuadrilaterals) return 1;
  if (type != KmfTriangles) {
    printf("only Triangles. Other case not yet implemented\n In zelRefVisibility\n");
    return 1;
  }
  for (int t = 1; t <= msh->NbrTri; t++)
    if (msh->Tri[t].Ref == ref) showTag(&msh->Tri[t].Tag, on);
  return 1;
}

}  // namespace

int zelRefVisibility(Geometric_Mesh *msh, int ref, int type) { return showReference(msh, ref, type, true); }
int zelRefInVisibility(Geometric_Mesh *msh, int ref, int type) {
  return showReference(msh, ref, type, false);
}
int zelSetRefVisible() { return 1; }

int zelCheckEntFromVer(ZelScene *, int, int, const int *) { return 0; }
int zelInitMiniMeshFromVer(ZelScene *scene, int kind, int count, const int *ver) {
  return zelCheckEntFromVer(scene, kind, count, ver);
}

int zelGetShellVisible(void *a, void *b) {
  if (!a || !b) return 0;
  printf(".  ***** deactivated zelGetShellVisible \n");
  return 0;
}

int zelUpdate2dEntVisibility(Geometric_Mesh *msh, ZelMesh *zelMsh) {
  int n = 0;
  if (!levels(zelMsh, msh, &n)) return 0;
  printf(" ***** ZEL_update2dentVisibility to do \n");
  return 0;
}

int zelUpdate3dEntVisibility(void *a, void *b) {
  if (!a || !b) return 0;
  printf("  ****** zelUpdate3dEntVisibility deactivated \n");
  return 0;
}
