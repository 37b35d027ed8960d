// Surface display lists on about a million triangles and a million quadrilaterals with a vertex
// field: the update entry with mask 1 (faces, wire, picking) and each of those lists alone,
// banded shading and iso-lines, beside a compile of the same triangles by bare GL calls; and
// the time to draw the faces list into a 1024 x 768 framebuffer beside the bare list. The
// "allocs" counter gives the C++ heap allocations one update makes; "peakMB" the process's
// peak resident memory. Run under scripts/with-display.sh in a Release tree.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "bench/ListBenchKit.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/support/DisplayRecord.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"

namespace {

GLHarness &gl() {
  static GLHarness harness(1024, 768);
  return harness;
}

// One surface scene: the mesh with a vertex field, opened, its one record and a bare list of
// the same faces.
struct Surface {
  Memory_List *Mem = NewMemory(10000);
  ZelScene *Scn = nullptr;
  ZelEntDisplayList Rec{};
  int Kind;
  GLuint Bare = 0;

  explicit Surface(int kind) : Kind(kind) {
    gl();
    zelInstallListHooks();
    Geometric_Mesh *msh = kind == KmfTriangles ? MakeStructuredMesh(Mem, 708, 708, 1, GEN_TRI)
                                               : MakeStructuredMesh(Mem, 1000, 1000, 1, GEN_QUA);
    BenchVertexField(Mem, msh, [](const double *p) { return std::sin(p[0] / 40) * std::cos(p[1] / 60); });
    {
      Quiet q;
      Scn = OpenHeadless(Mem, nullptr, msh);
    }
    Scn->ActFld = 0;
    zelGetEntityPickingBase(Scn->Msh, Scn->ZelMsh);
    zelSetColorRange(Scn);
    const ZelEntity *ent = zelGetEntity(Scn->ZelMsh, kind);
    MakeDisplayRecord(&Rec, kind, ent->Dep[1].Ref, ent->Dep[1].Fst);
    Bare = glGenLists(1);
  }

  // The faces by bare calls: one normal (with colours: one colour) and the corners per element,
  // no test, no shrink.
  void compileBare(bool colours = false) {
    const Geometric_Mesh *m = Scn->Msh;
    const float3 *crd = Scn->ZelMsh->Crd;
    glNewList(Bare, GL_COMPILE);
    if (Kind == KmfTriangles) {
      glBegin(GL_TRIANGLES);
      for (int t = 1; t <= m->NbrTri; t++) {
        if (colours)
          glColor4ub(t >> 24, t >> 16, t >> 8, t);
        else
          glNormal3f(0, 0, 1);
        for (int v : m->Tri[t].Ver) glVertex3fv(crd[v]);
      }
    } else {
      glBegin(GL_QUADS);
      for (int q = 1; q <= m->NbrQua; q++) {
        if (colours)
          glColor4ub(q >> 24, q >> 16, q >> 8, q);
        else
          glNormal3f(0, 0, 1);
        for (int v : m->Qua[q].Ver) glVertex3fv(crd[v]);
      }
    }
    glEnd();
    glEndList();
  }
};

Surface &surface(int kind) {
  static Surface tri(KmfTriangles), qua(KmfQuadrilaterals);
  return kind == KmfTriangles ? tri : qua;
}

void counters(benchmark::State &state, long news) {
  state.counters["peakMB"] = BenchPeakMB();
  state.counters["allocs"] = static_cast<double>(news) / state.iterations();
}

// Second argument 1: a colour per element in place of the normal, as the picking list has.
void BM_BareCompile(benchmark::State &state) {
  Surface &s = surface(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    s.compileBare(state.range(1));
    glFinish();
  }
  counters(state, 0);
}

void BM_Update(benchmark::State &state) {
  Surface &s = surface(static_cast<int>(state.range(0)));
  const ZelListMask mask = static_cast<ZelListMask>(state.range(1));
  long news = 0;
  for (auto _ : state) {
    const long before = gBenchNews;
    zelUpdateList(s.Kind, mask, s.Scn, &s.Rec);
    glFinish();
    news += gBenchNews - before;
  }
  counters(state, news);
}

// One frame of a list over the whole mesh at 1024 x 768.
void frame(GLuint list) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glCallList(list);
  glFinish();
}

void BM_FrameFaces(benchmark::State &state) {
  Surface &s = surface(static_cast<int>(state.range(0)));
  zelUpdateList(s.Kind, 0x80000, s.Scn, &s.Rec);
  gl().ortho(-0.6, 0.6, -0.45, 0.45);
  for (auto _ : state) frame(s.Rec.FacLst);
  counters(state, 0);
}

void BM_FrameBare(benchmark::State &state) {
  Surface &s = surface(static_cast<int>(state.range(0)));
  s.compileBare();
  gl().ortho(-0.6, 0.6, -0.45, 0.45);
  for (auto _ : state) frame(s.Bare);
  counters(state, 0);
}

void kinds(benchmark::internal::Benchmark *b) {
  for (int kind : {KmfTriangles, KmfQuadrilaterals}) b->Args({kind});
}

void masks(benchmark::internal::Benchmark *b) {
  // mask 1, faces, picking, shading, iso-lines
  for (int kind : {KmfTriangles, KmfQuadrilaterals})
    for (long mask : {0x1L, 0x80000L, 0x200000L, 0x20L, 0x40L}) b->Args({kind, mask});
}

BENCHMARK(BM_BareCompile)
    ->ArgsProduct({{KmfTriangles, KmfQuadrilaterals}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_Update)->Apply(masks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_FrameBare)->Apply(kinds)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_FrameFaces)->Apply(kinds)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
