// Volume display lists on generated boxes with topology done and f = x + y + z at the
// vertices: about two million tetrahedra (70 x 70 x 68 cells), a million hexahedra (100 cells
// a side), a million prisms (80 x 80 x 78) and a million pyramids (55 cells a side). Per kind:
// the update entry with mask 1 (faces, wire, picking of the skin, in volume mode), the faces
// list with the plane x + y + z through the centre and capping on (tetrahedra and
// hexahedra; the marking is done before), the iso-surface list with 5 levels, and the time to
// draw the skin's faces list into a 1024 x 768 framebuffer. The "allocs" counter gives the C++
// heap allocations of one update, "peakMB" the process's peak resident memory. Run under
// scripts/with-display.sh in a Release tree.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "common/base/FunctionInterface.h"
#include "bench/ListBenchKit.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "tests/support/DisplayRecord.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"

namespace {

GLHarness &gl() {
  static GLHarness harness(1024, 768);
  return harness;
}

// One box opened as a scene in volume mode, its one record, the field active, plane 0 the
// plane x + y + z through the centre (off until a benchmark switches it on).
struct Volume {
  Memory_List *Mem = NewMemory(10000);
  ZelScene *Scn = nullptr;
  ZelEntDisplayList Rec{};
  int Kind;

  Volume(int kind, int n[3], unsigned gen) : Kind(kind) {
    gl();
    zelInstallListHooks();
    Quiet q;
    Geometric_Mesh *msh = MakeStructuredMesh(Mem, n[0], n[1], n[2], gen);
    BenchVertexField(Mem, msh, [](const double *p) { return p[0] + p[1] + p[2]; });
    Scn = OpenHeadless(Mem, nullptr, msh);
    while (!TopoDoneLoad(msh)) usleep(10000);
    Scn->ActFld = 0;
    Scn->Flags |= ZelFlgVolumes;
    zelGetEntityPickingBase(Scn->Msh, Scn->ZelMsh);
    zelSetColorRange(Scn);
    const ZelEntity *ent = zelGetEntity(Scn->ZelMsh, kind);
    MakeDisplayRecord(&Rec, kind, ent->Dep[1].Ref, ent->Dep[1].Fst);
    Rec.Flags &= ~ZelLstShrink;
    double *pla = Scn->ZelMsh->Pla->Pla[0];
    pla[0] = pla[1] = pla[2] = 1, pla[3] = -0.5 * (n[0] + n[1] + n[2]);
  }

  // Plane 0 on and marked, with capping; or off.
  void clip(bool on) {
    ZelPlaEntity *pla = Scn->ZelMsh->Pla;
    pla->Cur = 0, pla->On = on;
    if (on) {
      Function_Interface fi;
      DefaultFunInterface(&fi, Mem, nullptr, "CLIPPING");
      zelSetPlaneClip(&fi, Scn, 0);
      Scn->Flags |= ZelFlgCapping;
    } else {
      Scn->Flags &= ~ZelFlgCapping;
    }
  }
};

int kTet[3] = {70, 70, 68}, kHex[3] = {100, 100, 100}, kPri[3] = {80, 80, 78}, kPyr[3] = {55, 55, 55};

Volume &volume(int kind) {
  static Volume tet(KmfTetrahedra, kTet, GEN_TET), hex(KmfHexahedra, kHex, GEN_HEX);
  static Volume *pri = nullptr, *pyr = nullptr;
  if (kind == KmfTetrahedra) return tet;
  if (kind == KmfHexahedra) return hex;
  if (kind == KmfPrisms) return pri ? *pri : *(pri = new Volume(KmfPrisms, kPri, GEN_PRI));
  return pyr ? *pyr : *(pyr = new Volume(KmfPyramids, kPyr, GEN_PYR));
}

void counters(benchmark::State &state, long news, const Volume &v) {
  state.counters["peakMB"] = BenchPeakMB();
  state.counters["allocs"] = static_cast<double>(news) / state.iterations();
  state.counters["elements"] = zelElems(v.Scn->Msh, v.Kind).Count;
}

// Arguments: kind, mask, plane on.
void BM_Update(benchmark::State &state) {
  Volume &v = volume(static_cast<int>(state.range(0)));
  const ZelListMask mask = static_cast<ZelListMask>(state.range(1));
  v.clip(state.range(2));
  long news = 0;
  Quiet q;  // the hexahedra's progress lines
  for (auto _ : state) {
    const long before = gBenchNews;
    zelUpdateList(v.Kind, mask, v.Scn, &v.Rec);
    glFinish();
    news += gBenchNews - before;
  }
  v.clip(false);
  counters(state, news, v);
}

void BM_FrameSkin(benchmark::State &state) {
  Volume &v = volume(static_cast<int>(state.range(0)));
  {
    Quiet q;
    zelUpdateList(v.Kind, 0x80000, v.Scn, &v.Rec);
  }
  gl().ortho(-0.6, 0.6, -0.45, 0.45, -2, 2);
  glRotated(-60, 1, 0, 0);
  glRotated(-130, 0, 0, 1);
  glEnable(GL_DEPTH_TEST);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glCallList(v.Rec.FacLst);
    glFinish();
  }
  glDisable(GL_DEPTH_TEST);
  counters(state, 0, v);
}

void cases(benchmark::internal::Benchmark *b) {
  for (long kind : {KmfTetrahedra, KmfHexahedra, KmfPrisms, KmfPyramids}) {
    b->Args({kind, 0x1, 0});      // faces, wire, picking of the skin
    b->Args({kind, 0x80000, 0});  // the faces list alone
    b->Args({kind, 0x80, 0});     // iso-surfaces, 5 levels
  }
  for (long kind : {KmfTetrahedra, KmfHexahedra}) b->Args({kind, 0x80000, 1});  // the cap
}

BENCHMARK(BM_Update)->Apply(cases)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_FrameSkin)
    ->Arg(KmfTetrahedra)
    ->Arg(KmfHexahedra)
    ->Arg(KmfPrisms)
    ->Arg(KmfPyramids)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
