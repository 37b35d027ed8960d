// The other mesh edits of the tools: deleting the triangles of a reference, marking a vertex,
// and swapping the diagonal of two triangles.
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelEdit.h"
#include "zelvane/tools/ZelEditInternal.h"

namespace {

constexpr uint32_t VertexMarks = TAG_REQUIRED | TAG_CORNER | TAG_VER_TYPE;  // what the tool sets

bool alive(const Triangle &t) { return TagAtomicLoad(&t.Tag) & TAG_ALIVE; }

// Local vertex position of v in t, -1 when absent.
int positionOf(const Triangle &t, int v) {
  for (int k = 0; k < 3; k++)
    if (t.Ver[k] == v) return k;
  return -1;
}

// Gives side `to` of triangle nt what side `from` of the old triangle ot had (its slot, kind and
// boundary-edge bit) and makes whatever lies across point back to nt.
void takeSide(Geometric_Mesh *msh, int ot, int from, int nt, int to) {
  const Triangle &o = msh->Tri[ot];
  Triangle &t = msh->Tri[nt];
  const int other = o.Voi[from], kind = VoiTypGet(o.VoiTyp, from);
  t.Voi[to] = other;
  t.VoiTyp = VoiTypSet(t.VoiTyp, to, kind);
  if (TagAtomicLoad(&o.Tag) & TagEdgeMark(from)) {
    TagAtomicOr(&t.Tag, TagEdgeMark(to));
    if (other >= 1 && other <= msh->NbrEfr)
      for (int &s : msh->Efr[other].Tri)
        if (s == ot) s = nt;
    return;
  }
  // A triangle or quadrilateral across: its slot that named the old triangle names the new.
  int *voi = nullptr;
  uint32_t *typ = nullptr;
  int sides = 0;
  if (kind == VOI_TRI && other >= 1 && other <= msh->NbrTri) {
    voi = msh->Tri[other].Voi, typ = &msh->Tri[other].VoiTyp, sides = 3;
  } else if (kind == VOI_QUA && other >= 1 && other <= msh->NbrQua) {
    voi = msh->Qua[other].Voi, typ = &msh->Qua[other].VoiTyp, sides = 4;
  }
  for (int j = 0; j < sides; j++)
    if (voi[j] == ot && VoiTypGet(*typ, j) == VOI_TRI) voi[j] = nt;
}

}  // namespace

int zelDeleteTriangles(ZelScene *scene, ZelEntDisplayList *record, const int *triangles, int n) {
  if (!scene || !scene->Msh || !scene->ZelMsh || !record) return ZelEditNothing;
  Geometric_Mesh *msh = scene->Msh;
  ZelEntity *ent = zelGetEntity(scene->ZelMsh, KmfTriangles);
  if (!ent || !ent->Lnk || !ent->DspLst || record < ent->DspLst + 1 || record > ent->DspLst + ent->NbrLst)
    return ZelEditNothing;
  // A record the user hid already stays the user's hiding.
  if (!(record->Flags & ZelLstHidden)) record->Flags |= ZelLstHidden | ZelLstHiddenByEdit;
  for (int k = 0; k < n; k++)
    if (triangles[k] >= 1 && triangles[k] <= msh->NbrTri)
      TagAtomicAnd(&msh->Tri[triangles[k]].Tag, ~(TAG_ALIVE | TAG_VISIBLE));
  const int rec = static_cast<int>(record - ent->DspLst);
  zeledit::relinkChain(ent, rec, 0, [msh](int e) { return !alive(msh->Tri[e]); });
  zeledit::rebuild(scene, KmfTriangles, rec);
  return ZelEditDone;
}

int zelSetVertexType(ZelScene *scene, int v, int row) {
  if (!scene || !scene->Msh || v < 1 || v > scene->Msh->NbrVer) return ZelEditNothing;
  Geometric_Mesh *msh = scene->Msh;
  uint32_t *tag = &msh->Ver[v].Tag;
  if (row == 2) {
    scene->Flags |= 0x1000000;
    msh->GeoFlags |= GEO_REQ_VERTICES;
    TagAtomicOr(tag, TAG_REQUIRED | TAG_VER_TYPE);
  } else if (row == 1) {
    scene->Flags |= 0x800000;
    msh->GeoFlags |= GEO_CORNERS;
    TagAtomicOr(tag, TAG_CORNER);
  } else {
    TagAtomicAnd(tag, ~VertexMarks);
    return ZelEditDone;
  }
  scene->Rnd.Kinds |= ZelKindsFeatures;
  return ZelEditDone;
}

int zelSwapTriangles(ZelScene *scene, const ZelSwapSelection &s, int ref) {
  if (!scene || !scene->Msh || !scene->ZelMsh) return ZelEditNothing;
  Geometric_Mesh *msh = scene->Msh;
  const int t1 = s.Tri[0], t2 = s.Tri[1];
  for (int t : {t1, t2})
    if (t < 1 || t > msh->NbrTri || !alive(msh->Tri[t])) return ZelEditNothing;
  // Positions of a, b, c in the first triangle and d, b, c in the second.
  const int pa = positionOf(msh->Tri[t1], s.A), pb1 = positionOf(msh->Tri[t1], s.B),
            pc1 = positionOf(msh->Tri[t1], s.C), pd = positionOf(msh->Tri[t2], s.D),
            pb2 = positionOf(msh->Tri[t2], s.B), pc2 = positionOf(msh->Tri[t2], s.C);
  if (pa < 0 || pb1 < 0 || pc1 < 0 || pd < 0 || pb2 < 0 || pc2 < 0 || t1 == t2) return ZelEditNothing;
  static const char *const fatal = " ZEL_TOPOBOX: HASHTAB FULL CANNOT ADD";
  if (!zeledit::recordRoom(zelGetEntity(scene->ZelMsh, KmfTriangles), ref, fatal)) return ZelEditNoRoom;

  const int n = msh->NbrTri;
  if (n + 2 > msh->MaxNbrTri) {
    auto *tri = static_cast<Triangle *>(ReAlloc(scene->Mem, msh->Tri, sizeof(Triangle) * (static_cast<size_t>(n) + 3),
                                                "R %s = %s IN FUNCTION %s LINE %d ", "msh->Tri",
                                                "sizeof(Triangle)*(msh->MaxNbrTri+1)", "updateMesh", __LINE__));
    if (!tri) zelAllocFailure("updateMesh", "msh->Tri");
    msh->Tri = tri;
    msh->MaxNbrTri = n + 2;
  }
  msh->NbrTri = n + 2;
  const int n1 = n + 1, n2 = n + 2;
  const int nodes[2][3] = {{s.A, s.B, s.D}, {s.C, s.A, s.D}};
  for (int k = 0; k < 2; k++) {
    Triangle &t = msh->Tri[n + 1 + k];
    t = Triangle{};
    for (int j = 0; j < 3; j++) t.Ver[j] = nodes[k][j];
    t.Ref = ref;
    t.Tag = TAG_ALIVE | TAG_VISIBLE;
  }
  // (a, b, d): across b-d what the second had opposite c, across d-a the other new triangle,
  // across a-b what the first had opposite c. (c, a, d): across a-d the first new one, across
  // d-c what the second had opposite b, across c-a what the first had opposite b.
  takeSide(msh, t2, pc2, n1, 0);
  takeSide(msh, t1, pc1, n1, 2);
  takeSide(msh, t2, pb2, n2, 1);
  takeSide(msh, t1, pb1, n2, 2);
  msh->Tri[n1].Voi[1] = n2, msh->Tri[n1].VoiTyp = VoiTypSet(msh->Tri[n1].VoiTyp, 1, VOI_TRI);
  msh->Tri[n2].Voi[0] = n1, msh->Tri[n2].VoiTyp = VoiTypSet(msh->Tri[n2].VoiTyp, 0, VOI_TRI);
  TagAtomicAnd(&msh->Tri[t1].Tag, ~(TAG_ALIVE | TAG_VISIBLE));
  TagAtomicAnd(&msh->Tri[t2].Tag, ~(TAG_ALIVE | TAG_VISIBLE));

  if (GeoHybridStack *pck = scene->Pck) pck->Top = pck->Top >= 2 ? pck->Top - 2 : -1;

  ZelEntity *ent = zeledit::grownEntity(scene, KmfTriangles);
  if (ent) {
    for (int t : {t1, t2}) {
      const int g = ent->Lnk[t].Grp;
      if (g >= 1 && g <= ent->NbrLst)
        zeledit::relinkChain(ent, g, 0, [msh](int e) { return !alive(msh->Tri[e]); });
    }
    zelMakeCurrent(scene->Win);
    if (int rec = zelEditRecordOf(scene->Mem, ent, KmfTriangles, ref, fatal))
      zeledit::linkAtTail(ent, rec, n1, n2);
  }
  zelGetEntityPickingBase(msh, scene->ZelMsh);
  zelUpdateAllTypeDisplayLists(KmfTriangles, 1, scene);
  return ZelEditDone;
}
