// Display-list management on a surface of about a million triangles (708 x 708 squares, two
// triangles each) with one reference and with 1,000 (bands of the grid), the list builders
// installed, in an 800 x 800 offscreen compatibility context: making every record and building
// its lists (faces, wire, picking), one frame as the window paints it, and the composition of
// the main lists alone.
// Counters give the records, the memory list's peak and the process's peak resident size.
// Run under an X display (scripts/with-display.sh).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"

namespace {

constexpr int Side = 708, Pixels = 800;

// Set-up and builders print a line per call: keep the benchmark output readable.
struct Quiet {
  Quiet() { fflush(stdout), saved = dup(1), freopen("/dev/null", "w", stdout); }
  ~Quiet() { fflush(stdout), dup2(saved, 1), close(saved); }
  int saved;
};

GLHarness &harness() {
  static GLHarness gl(Pixels, Pixels);
  gl.makeCurrent();
  return gl;
}

// The surface with refs references in bands of the grid, opened headless.
struct Surface {
  Memory_List *Mem = NewMemory(100000);
  ZelScene *Scene = nullptr;

  explicit Surface(int refs) {
    Geometric_Mesh *msh = MakeStructuredMesh(Mem, Side, Side, 1, GEN_TRI);
    for (int t = 1; t <= msh->NbrTri; t++)
      msh->Tri[t].Ref = 1 + static_cast<int>(int64_t(t - 1) * refs / msh->NbrTri);
    Quiet q;
    Scene = OpenHeadless(Mem, nullptr, msh);
    zelSetColorRange(Scene);  // as the window does when it first shows the scene: picking lists
  }
  ~Surface() {
    zelFreeScene(Mem, Scene);
    FreeMemory(Mem);
  }
  void build() {
    Quiet q;
    zelSetupDisplayLists(Mem, Scene);
    zelUpdateAllDisplayLists(1, Scene);
  }
  void release() {
    ZelEntity *tri = zelGetEntity(Scene->ZelMsh, KmfTriangles);
    for (int d = 1; d <= tri->NbrLst; d++) zelReleaseDisplayListIds(&tri->DspLst[d]);
  }
};

void counters(benchmark::State &state, const Surface &s) {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  state.counters["triangles"] = s.Scene->Msh->NbrTri;
  state.counters["records"] = zelGetEntity(s.Scene->ZelMsh, KmfTriangles)->NbrLst;
  state.counters["list_peak_MB"] = s.Mem->PeakMem / 1048576.0;
  state.counters["rss_peak_MB"] = ru.ru_maxrss / 1024.0;
}

// Records made and every list of them built (faces, wire, picking), per call.
void BM_SetupAndBuild(benchmark::State &state) {
  harness();
  zelInstallListHooks();
  Surface s(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    s.build();
    glFinish();
    state.PauseTiming();
    s.release();
    state.ResumeTiming();
  }
  counters(state, s);
}

// One frame as the window paints it: projection, scene, glFinish.
void BM_Frame(benchmark::State &state) {
  harness();
  zelInstallListHooks();
  Surface s(static_cast<int>(state.range(0)));
  s.build();
  for (auto _ : state) {
    zelReshapeScene(s.Scene, Pixels, Pixels);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const double *c = s.Scene->View->Ctr;
    glLoadMatrixd(s.Scene->View->Mat);
    glTranslated(-c[0], -c[1], -c[2]);
    zelDisplayScene(s.Scene);
    glFinish();
  }
  counters(state, s);
  s.release();
}

// The main lists composed: only calls of the records' lists.
void BM_Compose(benchmark::State &state) {
  harness();
  zelInstallListHooks();
  Surface s(static_cast<int>(state.range(0)));
  s.build();
  for (auto _ : state) {
    zelUpdateMainDisplayList(1, s.Scene);
    glFinish();
  }
  counters(state, s);
  s.release();
}

}  // namespace

BENCHMARK(BM_SetupAndBuild)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Frame)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compose)->Arg(1)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
