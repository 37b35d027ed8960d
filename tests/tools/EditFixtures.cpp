#include "tests/tools/EditFixtures.h"

#include <cstdlib>

#include "common/model/Mesh.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelScene.h"

Geometric_Mesh *EditSurface(Memory_List *mem, const SurfaceLayout &s) {
  int edges = s.spareEdges;
  for (const auto &l : s.lines) edges += std::abs(l[2] - l[0]) + std::abs(l[3] - l[1]);
  const int tris = 2 * s.quadFrom * s.ny, quads = (s.nx - s.quadFrom) * s.ny;
  Geometric_Mesh *m = NewRoomyMesh(mem, 3,
                                    {{KmfVertices, (s.nx + 1) * (s.ny + 1)},
                                     {KmfTriangles, tris},
                                     {KmfQuadrilaterals, quads},
                                     {KmfEdges, edges}});
  for (int j = 0; j <= s.ny; j++)
    for (int i = 0; i <= s.nx; i++) AddVertex(m, i, j, 0);
  auto v = [&](int i, int j) { return 1 + i + (s.nx + 1) * j; };
  for (int j = 0; j < s.ny; j++)
    for (int i = 0; i < s.quadFrom; i++) {
      AddElement(m, KmfTriangles, {v(i, j), v(i + 1, j), v(i + 1, j + 1)}, s.ref(i, j));
      AddElement(m, KmfTriangles, {v(i, j), v(i + 1, j + 1), v(i, j + 1)}, s.ref(i, j));
    }
  for (int j = 0; j < s.ny; j++)
    for (int i = s.quadFrom; i < s.nx; i++)
      AddElement(m, KmfQuadrilaterals, {v(i, j), v(i + 1, j), v(i + 1, j + 1), v(i, j + 1)}, s.ref(i, j));
  for (const auto &l : s.lines) {
    const int di = (l[2] > l[0]) - (l[2] < l[0]), dj = (l[3] > l[1]) - (l[3] < l[1]);
    for (int i = l[0], j = l[1]; i != l[2] || j != l[3]; i += di, j += dj)
      AddElement(m, KmfEdges, {v(i, j), v(i + di, j + dj)}, s.edgeRef);
  }
  for (int c : s.corners) {
    m->Ver[c].Tag |= TAG_CORNER | TAG_REQUIRED;
    m->GeoFlags |= GEO_CORNERS;
  }
  m->NbrFilTri = m->NbrTri;
  m->NbrFilQua = m->NbrQua;
  m->NbrFilEfr = m->NbrEfr;
  return m;
}

int SquareTri(const SurfaceLayout &s, int i, int j, int half) { return 2 * (i + j * s.quadFrom) + 1 + half; }

testing::AssertionResult ChainsSound(ZelScene *scene, int kind) {
  ZelEntity *ent = zelGetEntity(scene->ZelMsh, kind);
  const ZelElems el = zelElems(scene->Msh, kind);
  if (!ent) return testing::AssertionFailure() << "no entity of kind " << kind;
  std::vector<int> seen(static_cast<size_t>(el.Count) + 1, 0);
  for (int r = 1; r <= ent->NbrLst; r++) {
    int steps = 0;
    for (int e = ent->DspLst[r].Head; e; e = ent->Lnk[e].Nxt) {
      if (e < 1 || e > el.Count) return testing::AssertionFailure() << "record " << r << " holds " << e;
      if (!(*el.tag(e) & TAG_ALIVE)) return testing::AssertionFailure() << "dead " << e << " in record " << r;
      if (el.ref(e) != ent->DspLst[r].Ref)
        return testing::AssertionFailure() << e << " of reference " << el.ref(e) << " in record " << r
                                           << " of reference " << ent->DspLst[r].Ref;
      if (ent->Lnk[e].Grp != r) return testing::AssertionFailure() << e << " links to " << ent->Lnk[e].Grp;
      if (seen[e]++ || ++steps > el.Count) return testing::AssertionFailure() << e << " met twice";
    }
  }
  for (int e = 1; e <= el.Count; e++)
    if ((*el.tag(e) & TAG_ALIVE) && !seen[e]) return testing::AssertionFailure() << "live " << e << " in no chain";
  return testing::AssertionSuccess();
}

std::vector<int> Chain(ZelScene *scene, int kind, int record) {
  ZelEntity *ent = zelGetEntity(scene->ZelMsh, kind);
  std::vector<int> out;
  for (int e = ent->DspLst[record].Head; e && out.size() < 100000; e = ent->Lnk[e].Nxt) out.push_back(e);
  return out;
}

int RecordOfRef(ZelScene *scene, int kind, int ref) {
  ZelEntity *ent = zelGetEntity(scene->ZelMsh, kind);
  for (int r = 1; ent && r <= ent->NbrLst; r++)
    if (ent->DspLst[r].Ref == ref) return r;
  return 0;
}
