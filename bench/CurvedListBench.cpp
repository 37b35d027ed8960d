// Curved display lists on a sphere cap of about 200,000 P2 triangles (edge nodes on the
// sphere) with a vertex field, at tessellation level 8 (12.9 million lattice triangles): the
// faces, wire and picking lists, shading and iso-lines, and the faces at level 4, beside a
// compile of the same lattice points and normals (evaluated beforehand) by bare GL calls; and
// the time to draw the faces list into a 1024 x 1024 framebuffer beside the bare list.
// Counters: "allocs" the C++ heap allocations and "blocks" the memory-list blocks one update
// leaves or takes, "perElt" the time per element (seconds), "peakMB" the process's peak resident
// memory. Run under scripts/with-display.sh in a Release tree.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/ListBenchKit.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/support/DisplayRecord.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/lists/ZelP2Patch.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"

namespace {

const int kLevel = 8, kPoints = (kLevel + 1) * (kLevel + 2) / 2;

GLHarness &gl() {
  static GLHarness harness(1024, 1024);
  return harness;
}

// The cap opened with its field, its one record, and the lattice of every element at level 8
// (points and normals, as the faces list draws them) for the bare compile.
struct Cap {
  Memory_List *Mem = NewMemory(10000);
  ZelScene *Scn = nullptr;
  ZelEntDisplayList Rec{};
  int NbrElt = 0;
  std::vector<float> Pts, Nrm;  // kPoints xyz per element
  std::vector<int> Tri;         // the lattice triangles as point numbers 0..kPoints-1
  GLuint Bare = 0;

  Cap() {
    gl();
    zelInstallListHooks();
    Geometric_Mesh *msh = MakeSphereCapP2(Mem, 317);
    BenchVertexField(Mem, msh, [](const double *p) { return std::sin(8 * p[0]) * std::cos(5 * p[1]); });
    {
      Quiet q;
      Scn = OpenHeadless(Mem, nullptr, msh);
    }
    Scn->ActFld = 0;
    zelGetEntityPickingBase(Scn->Msh, Scn->ZelMsh);
    zelSetColorRange(Scn);
    const ZelEntity *ent = zelGetEntity(Scn->ZelMsh, KmfTrianglesP2);
    MakeDisplayRecord(&Rec, KmfTrianglesP2, ent->Dep[1].Ref, ent->Dep[1].Fst);
    Rec.Opt.TessLevel = kLevel;
    Bare = glGenLists(1);
    NbrElt = Scn->Msh->NbrP2Tri;
    lattices();
  }

  void lattices() {
    int at[ZelLatSize];
    for (int i = 0, k = 0; i <= kLevel; i++)
      for (int j = 0; j <= kLevel - i; j++) at[zelLatIdx(i, j)] = k++;
    zelEachLatticeTri(kLevel, [&](int a, int b, int c) { Tri.insert(Tri.end(), {at[a], at[b], at[c]}); });
    Pts.resize(size_t(NbrElt) * kPoints * 3), Nrm.resize(Pts.size());
    static ZelP2Lattice lat;
    const float3 *crd = Scn->ZelMsh->Crd;
    for (int e = 1; e <= NbrElt; e++) {
      const int *v = Scn->Msh->P2Tri[e].Ver;
      const float *nod[6] = {crd[v[0]], crd[v[1]], crd[v[2]], crd[v[3]], crd[v[4]], crd[v[5]]};
      float blk[18];
      zelP2PatchCoefs(nod, blk);
      zelEvalP2Lattice(kLevel, nullptr, blk, lat.P, lat.N, nullptr, 1.0f);
      float *p = &Pts[size_t(e - 1) * kPoints * 3], *n = &Nrm[size_t(e - 1) * kPoints * 3];
      for (int i = 0; i <= kLevel; i++)
        for (int j = 0; j <= kLevel - i; j++, p += 3, n += 3)
          for (int d = 0; d < 3; d++) p[d] = lat.P[zelLatIdx(i, j)][d], n[d] = lat.N[zelLatIdx(i, j)][d];
    }
  }

  // The same triangles by bare calls: a normal and a point per corner, or (colours) one colour
  // per element and the points.
  void compileBare(bool colours) {
    glNewList(Bare, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (int e = 0; e < NbrElt; e++) {
      const float *p = &Pts[size_t(e) * kPoints * 3], *n = &Nrm[size_t(e) * kPoints * 3];
      if (colours) glColor4ub(e >> 24, e >> 16, e >> 8, e);
      for (int k : Tri) {
        if (!colours) glNormal3fv(n + 3 * k);
        glVertex3fv(p + 3 * k);
      }
    }
    glEnd();
    glEndList();
  }
};

Cap &cap() {
  static Cap c;
  return c;
}

void counters(benchmark::State &state, long news, long blocks) {
  state.counters["peakMB"] = BenchPeakMB();
  state.counters["allocs"] = static_cast<double>(news) / state.iterations();
  state.counters["blocks"] = static_cast<double>(blocks) / state.iterations();
  state.counters["perElt"] = benchmark::Counter(static_cast<double>(cap().NbrElt) * state.iterations(),
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Argument 1: a colour per element and no normals, as the picking list has.
void BM_BareCompile(benchmark::State &state) {
  Cap &c = cap();
  for (auto _ : state) {
    c.compileBare(state.range(0));
    glFinish();
  }
  counters(state, 0, 0);
}

// Arguments: the mask, the level.
void BM_Update(benchmark::State &state) {
  Cap &c = cap();
  const ZelListMask mask = static_cast<ZelListMask>(state.range(0));
  c.Rec.Opt.TessLevel = static_cast<int>(state.range(1));
  long news = 0, blocks = 0;
  for (auto _ : state) {
    const long before = gBenchNews, held = c.Mem->NbrAllocated;
    zelUpdateList(KmfTrianglesP2, mask, c.Scn, &c.Rec);
    glFinish();
    news += gBenchNews - before, blocks += c.Mem->NbrAllocated - held;
  }
  c.Rec.Opt.TessLevel = kLevel;
  counters(state, news, blocks);
}

// One frame of a list over the whole cap at 1024 x 1024, lit.
void frame(GLuint list) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glCallList(list);
  glFinish();
}
void view() {
  gl().ortho(-0.6, 0.6, -0.6, 0.6, -2, 2);
  glEnable(GL_DEPTH_TEST), glEnable(GL_LIGHTING), glEnable(GL_LIGHT0);
}

void BM_FrameFaces(benchmark::State &state) {
  Cap &c = cap();
  zelUpdateList(KmfTrianglesP2, 0x80000, c.Scn, &c.Rec);
  view();
  for (auto _ : state) frame(c.Rec.FacLst);
  counters(state, 0, 0);
}

void BM_FrameBare(benchmark::State &state) {
  Cap &c = cap();
  c.compileBare(false);
  view();
  for (auto _ : state) frame(c.Bare);
  counters(state, 0, 0);
}

BENCHMARK(BM_BareCompile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
// faces, wire, picking, shading, iso-lines at level 8; faces at level 4
BENCHMARK(BM_Update)
    ->Args({0x80000, kLevel})
    ->Args({0x100000, kLevel})
    ->Args({0x200000, kLevel})
    ->Args({0x20, kLevel})
    ->Args({0x40, kLevel})
    ->Args({0x80000, 4})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(BM_FrameBare)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_FrameFaces)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
