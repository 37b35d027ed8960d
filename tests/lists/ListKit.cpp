#include "tests/lists/ListKit.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "common/base/FunctionInterface.h"
#include "tests/support/DisplayRecord.h"
#include "zelvane/lists/ZelInstallLists.h"

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

ListScene::ListScene(const std::function<Geometric_Mesh *(Memory_List *)> &make,
                     const std::vector<int> &kinds)
    : mem_(NewMemory(1000)), kinds_(kinds) {
  zelInstallListHooks();
  CaptureStdout();
  scn_ = OpenHeadless(mem_, nullptr, make(mem_));
  GetCapturedStdout();
  // The volume neighbours complete and the topology thread joined, so nothing it prints can
  // land in a test's own capture.
  while (scn_->Msh->TopoThread && !TopoDoneLoad(scn_->Msh)) usleep(1000);
  StopTopoThread(scn_->Msh);
  zelGetEntityPickingBase(scn_->Msh, scn_->ZelMsh);
  zelSetColorRange(scn_);
  for (int kind : kinds_) {
    ZelEntity *ent = zelGetEntity(scn_->ZelMsh, kind);
    if (!ent) continue;  // the mesh has no room for the kind
    ent->NbrLst = ent->MaxNbrLst = std::max(ent->NbrDep, 1);
    ent->DspLst = static_cast<ZelEntDisplayList *>(
        MEM_ALLOC(mem_, ent->DspLst, sizeof(ZelEntDisplayList) * (ent->NbrLst + 1)));
    for (int k = 1; k <= ent->NbrLst; k++)
      MakeDisplayRecord(&ent->DspLst[k], kind, ent->NbrDep ? ent->Dep[k].Ref : 0,
                        ent->NbrDep ? ent->Dep[k].Fst : 0);
  }
}

ListScene::~ListScene() {
  for (int kind : kinds_)
    if (ZelEntity *ent = zelGetEntity(scn_->ZelMsh, kind))
      for (int k = 1; k <= ent->NbrLst; k++) FreeDisplayRecord(&ent->DspLst[k]);
  zelFreeScene(mem_, scn_);
  EXPECT_EQ(mem_->NbrActive, 0);
  FreeMemory(mem_);
}

Geometric_Mesh *ListScene::mesh() const { return scn_->Msh; }

ZelEntDisplayList &ListScene::rec(int kind, int group) {
  return zelGetEntity(scn_->ZelMsh, kind)->DspLst[group];
}

void ListScene::field(int f) { scn_->ActFld = f; }

void ListScene::view(GLHarness &gl, double half) {
  gl.ortho(-half, half, -half, half, -2, 2);
  glDisable(GL_LIGHTING);
  glDisable(GL_DITHER);
}

void ListScene::plane(double height, bool on, std::array<double, 4> abcd) {
  ZelPlaEntity *pla = scn_->ZelMsh->Pla;
  pla->Cur = 0, pla->On = on;
  abcd[3] -= height;
  std::copy(abcd.begin(), abcd.end(), pla->Pla[0]);
  Function_Interface fi;
  DefaultFunInterface(&fi, nullptr, nullptr, "CLIPPING");
  if (on) {
    EXPECT_EQ(zelSetPlaneClip(&fi, scn_, 0), 1);
  }
}

void ListScene::meshPoint(const FeedbackVertex &v, double p[3], double half) const {
  const double d[3] = {ToDisplay(v.x, half), ToDisplay(v.y, half), 2.0 - 4.0 * v.z};
  for (int i = 0; i < 3; i++) p[i] = d[i] / scn_->InvDmaxSca + scn_->Ctr[i];
}

std::string PickedAt(const ZelScene *scene, double x, double y, double half) {
  uint8_t rgba[4];
  glReadPixels(int(ToWindow(x, half)), int(ToWindow(y, half)), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  int index = 0;
  const int kind = zelPickIdItem(scene->ZelMsh, zelPickColorId(scene->ColRng, rgba), &index);
  return std::to_string(kind) + ":" + std::to_string(index);
}

void AddVertexField(Memory_List *mem, Geometric_Mesh *msh, const std::function<double(const double *)> &f) {
  const int type = SOL_SCALAR;
  msh->SolAtVer = NewCommonSolution(mem, msh->MaxNbrVer, 1, 1, &type);
  msh->MaxSolVer = msh->MaxNbrVer;
  msh->NbrSolVer = msh->NbrVer;
  for (int v = 1; v <= msh->NbrVer; v++) msh->SolAtVer->Sol[v] = f(msh->Ver[v].Crd);
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

namespace {

const char *const kNames[14] = {"points",  "arrows", "numbers", "norver",  "faces", "capping", "wire",
                                "shading", "iso",    "vectors", "isosurf", "spare", "metric",  "picking"};
GLuint ListId(const ZelEntDisplayList &r, int i) {
  return i < 4    ? r.MrkLst + i
         : i < 6  ? r.FacLst + i - 4
         : i == 6 ? r.WirLst
         : i < 13 ? r.SolLst + i - 7
                  : r.PckLst;
}

}  // namespace

void MarkAll(const ZelEntDisplayList &r) {
  for (int i = 0; i < 14; i++) {
    glNewList(ListId(r, i), GL_COMPILE);
    glBegin(GL_POINTS);
    glColor3f(0.25f, 0.5f, (i + 1) / 16.0f);
    glVertex3f(0.55f, 0.55f, 0.0f);
    glEnd();
    glEndList();
  }
}

std::string Rebuilt(GLHarness &gl, const ZelEntDisplayList &r) {
  std::string out;
  for (int i = 0; i < 14; i++) {
    bool marked = false;
    for (const FeedbackPrim &p : gl.feedbackList(ListId(r, i), 1 << 14))
      marked |=
          p.isPoint() && std::fabs(p.v[0].g - 0.5f) < 1e-3f && std::fabs(p.v[0].b - (i + 1) / 16.0f) < 1e-3f;
    if (!marked) out += std::string(out.empty() ? "" : " ") + kNames[i];
  }
  return out;
}

std::vector<std::string> ExpectSelections(GLHarness &gl, ListScene &ls, const std::vector<SelectionCase> &cases) {
  std::vector<std::string> printed;
  for (const SelectionCase &c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << std::hex << " mask 0x" << c.mask << " scene 0x"
                                    << c.sceneFlags << " solution 0x" << c.solutionWord);
    ZelEntDisplayList &rec = ls.rec(c.kind);
    ls.scene()->Flags = c.sceneFlags;
    rec.Opt.Solution = c.solutionWord;
    MarkAll(rec);
    CaptureStdout();
    EXPECT_EQ(zelUpdateList(c.kind, c.mask, ls.scene(), &rec), 1);
    printed.push_back(GetCapturedStdout());
    EXPECT_EQ(Rebuilt(gl, rec), c.rebuilt);
    rec.Opt.Solution = 0;
  }
  ls.scene()->Flags = 0;
  return printed;
}
