// Walks over the triangles of a surface: the delimited area of the Change References tool and
// the reference flood fill behind the bottom bar's "New Ref". Both are depth-first walks on one
// explicit stack of NbrTri + 1 ints; a triangle is pushed at most once (the walk mark, or the
// reference written when it is pushed, says it was reached), so the stack always has room.
#include <cstdio>
#include <vector>

#include "common/base/Memory.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelEdit.h"
#include "zelvane/tools/ZelEditInternal.h"

namespace {

bool liveTriangle(const Geometric_Mesh *msh, int t) {
  return t >= 1 && t <= msh->NbrTri && (TagAtomicLoad(&msh->Tri[t].Tag) & TAG_ALIVE);
}

// The walk stack: NbrTri + 1 ints from the memory list, released at scope exit.
struct WalkStack {
  Memory_List *Mem;
  const char *Var, *Fn;
  int *Ent;
  WalkStack(Memory_List *mem, const Geometric_Mesh *msh, const char *var, const char *size, const char *fn)
      : Mem(mem), Var(var), Fn(fn) {
    Ent = static_cast<int *>(Alloc(mem, nullptr, sizeof(int) * (static_cast<size_t>(msh->NbrTri) + 1),
                                   "A %s = %s IN FUNCTION %s LINE %d ", var, size, fn, __LINE__));
  }
  ~WalkStack() {
    if (Ent) Free(Mem, Ent, "F %s IN FUNCTION %s LINE %d ", Var, Fn, __LINE__);
  }
  WalkStack(const WalkStack &) = delete;
  WalkStack &operator=(const WalkStack &) = delete;
};

}  // namespace

int zelTriNeighbour(const Geometric_Mesh *msh, int t, int i) {
  const Triangle &tri = msh->Tri[t];
  if (TagAtomicLoad(&tri.Tag) & TagEdgeMark(i)) return 0;  // the slot holds a boundary edge
  if (VoiTypGet(tri.VoiTyp, i) != VOI_TRI) return 0;       // free edge, quadrilateral...
  return liveTriangle(msh, tri.Voi[i]) ? tri.Voi[i] : 0;
}

int zelDelimAreaTri(Geometric_Mesh *msh, Memory_List *mem, int seed, std::vector<int> &out) {
  if (!msh || !liveTriangle(msh, seed)) return 0;
  WalkStack stk(mem, msh, "stk->Ent", "sizeof(int)*(MaxNbrEnt+1)", "geoNewStack");
  if (!stk.Ent) return 0;
  const size_t first = out.size();
  const int mark = ++msh->Mrk;
  int top = 0;
  stk.Ent[top] = seed;
  msh->Tri[seed].Mrk = mark;
  while (top >= 0) {
    const int t = stk.Ent[top--];
    out.push_back(t);
    for (int i = 0; i < 3; i++) {
      const int n = zelTriNeighbour(msh, t, i);
      if (!n || msh->Tri[n].Mrk == mark) continue;
      msh->Tri[n].Mrk = mark;
      stk.Ent[++top] = n;
    }
  }
  return static_cast<int>(out.size() - first);
}

int zel_chgreftri(ZelScene *scene, int tri, int newRef) {
  if (!scene || !scene->Msh || !scene->ZelMsh) return 0;
  Geometric_Mesh *msh = scene->Msh;
  ZelEntity *ent = zelGetEntity(scene->ZelMsh, KmfTriangles);
  if (!geoCheckBound(msh, tri, KmfTriangles) || !liveTriangle(msh, tri) || !ent || !ent->Lnk) return 0;
  const int oldRef = msh->Tri[tri].Ref;
  if (oldRef == newRef) return 1;

  WalkStack stack(scene->Mem, msh, "stack", "sizeof(int)*(msh->NbrTri+1)", "zel_chgreftri");
  if (!stack.Ent) return 0;
  zelMakeCurrent(scene->Win);
  bool made = false;
  const int to = zelEditRecordOf(scene->Mem, ent, KmfTriangles, newRef, " ZEL_CHGREFTRI: HASHTAB FULL CANNOT ADD", &made);
  if (!to) return 0;
  if (!made) printf(" iNewList %d \n", to);

  // Fill: a triangle takes the new reference when it is pushed, which also marks it reached.
  std::vector<char> from(static_cast<size_t>(ent->NbrLst) + 1, 0);
  int count = 1;
  stack.Ent[1] = tri;
  msh->Tri[tri].Ref = newRef;
  while (count > 0) {
    const int t = stack.Ent[count--];
    const int g = ent->Lnk[t].Grp;
    if (g >= 1 && g <= ent->NbrLst && g != to) from[g] = 1;
    for (int i = 0; i < 3; i++) {
      const int n = zelTriNeighbour(msh, t, i);
      if (!n || msh->Tri[n].Ref != oldRef) continue;
      msh->Tri[n].Ref = newRef;
      stack.Ent[++count] = n;
    }
  }

  // Relink, one walk per record the patch came from (in a sound mesh, tri's record alone).
  for (int g = 1; g <= ent->NbrLst; g++) {
    if (!from[g]) continue;
    zeledit::relinkChain(ent, g, to, [msh, newRef](int e) { return msh->Tri[e].Ref == newRef; }, true);
    zeledit::rebuild(scene, KmfTriangles, g);
    printf("  UPDATE newLst Dep = %d \n", ent->DspLst[g].Head);
  }
  zeledit::rebuild(scene, KmfTriangles, to);
  printf("  ******** DONE  \n");
  return 1;
}
