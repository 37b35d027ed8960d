#include "tests/lists/ListKit.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/support/CaptureText.h"
#include "tests/support/DisplayRecord.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"

namespace {
const int kKinds[4] = {KmfVertices, KmfEdges, KmfTriangles, KmfQuadrilaterals};
}

Geometric_Mesh *MixedGrid(Memory_List *mem, int nx, int ny, int dim, const std::vector<int> &fields) {
  Geometric_Mesh *m = NewRoomyMesh(mem, dim,
                                   {{KmfVertices, (nx + 1) * (ny + 1)},
                                    {KmfTriangles, 4 * ny},
                                    {KmfQuadrilaterals, nx * ny},
                                    {KmfEdges, nx}},
                                   fields);
  for (int j = 0; j <= ny; j++)
    for (int i = 0; i <= nx; i++) AddVertex(m, i, j, 0);
  auto at = [&](int i, int j) { return 1 + i + (nx + 1) * j; };
  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) {
      const int a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
      if (i == 0 || i == nx - 1)
        AddElement(m, KmfTriangles, {a, b, c}, 1), AddElement(m, KmfTriangles, {a, c, d}, 1);
      else
        AddElement(m, KmfQuadrilaterals, {a, b, c, d}, 1);
    }
  for (int i = 0; i < nx; i++) AddElement(m, KmfEdges, {at(i, 0), at(i + 1, 0)}, 1);
  return m;
}

ListScene::ListScene(const std::function<Geometric_Mesh *(Memory_List *)> &make) : mem_(NewMemory(1000)) {
  zelInstallListHooks();
  CaptureStdout();
  scn_ = OpenHeadless(mem_, nullptr, make(mem_));
  GetCapturedStdout();
  zelGetEntityPickingBase(scn_->Msh, scn_->ZelMsh);
  zelSetColorRange(scn_);
  for (int k = 0; k < 4; k++) {
    const ZelEntity *ent = zelGetEntity(scn_->ZelMsh, kKinds[k]);
    const bool any = ent && ent->NbrDep > 0;
    MakeDisplayRecord(&recs_[k], kKinds[k], any ? ent->Dep[1].Ref : 0, any ? ent->Dep[1].Fst : 0);
  }
}

ListScene::~ListScene() {
  for (ZelEntDisplayList &r : recs_) FreeDisplayRecord(&r);
  zelFreeScene(mem_, scn_);
  EXPECT_EQ(mem_->NbrActive, 0);
  FreeMemory(mem_);
}

Geometric_Mesh *ListScene::mesh() const { return scn_->Msh; }

ZelEntDisplayList &ListScene::rec(int kind) {
  int k = 0;
  while (k < 3 && kKinds[k] != kind) k++;
  return recs_[k];
}

void ListScene::field(int f) { scn_->ActFld = f; }

void ListScene::view(GLHarness &gl, double half) {
  gl.ortho(-half, half, -half, half, -2, 2);
  glDisable(GL_LIGHTING);
  glDisable(GL_DITHER);
}

Emitted Count(const std::vector<FeedbackPrim> &prims) {
  Emitted e;
  for (const FeedbackPrim &p : prims) {
    e.lines += p.isLine();
    e.bitmaps += p.token == GL_BITMAP_TOKEN;
    if (!p.isPolygon()) continue;
    e.polygons++;
    double a = 0;
    for (size_t i = 0; i < p.v.size(); i++) {
      const FeedbackVertex &u = p.v[i], &w = p.v[(i + 1) % p.v.size()];
      a += u.x * w.y - w.x * u.y;
    }
    e.area += std::fabs(a) / 2;
  }
  return e;
}
