// The scene model on a box of about two million tetrahedra with its bottom triangles: setting
// up the display mesh, scaling the display coordinates on one and on eight threads, growing the
// mini mesh by one layer, and the palettes of a 3-D metric field. Counters give the display
// mesh's bytes per element and per vertex as the memory list accounts them. The first camera's
// box is timed on that box and on a hybrid one of every linear kind, on one and eight threads.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelVisibility.h"

namespace {

Geometric_Mesh *benchMesh(Memory_List *mem) {
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 70, 70, 68, GEN_TET | GEN_TRI);
  for (int i = 0; i < 6; i++) msh->Box[i] = i < 3 ? 0 : 70;
  zelSetAllVisible(msh);
  return msh;
}

// Setup prints its timing line once per call: keep the benchmark output readable.
struct Quiet {
  Quiet() { fflush(stdout), saved = dup(1), freopen("/dev/null", "w", stdout); }
  ~Quiet() { fflush(stdout), dup2(saved, 1), close(saved); }
  int saved;
};

struct Opened {
  Memory_List *Mem = NewMemory(10000);
  Geometric_Mesh *Msh = benchMesh(Mem);
  Common_MthParallel *Par = nullptr;
  Function_Interface Fi;
  ZelScene *Scene = nullptr;

  explicit Opened(int threads) {
    if (threads > 1) Par = NewMthParallel(threads, 0, 0);
    DefaultFunInterface(&Fi, Mem, Par, "BENCH");
    ZelMesh *zelMsh = zelNewZelMesh(Mem);
    {
      Quiet q;
      zelSetupZelMesh(&Fi, Msh, zelMsh);
    }
    Scene = zelNewScene(Mem, Par, ZelDisplayLists, Msh, zelMsh);
    zelIniScene(&Fi, ZelDisplayLists, Scene);
  }
  ~Opened() {
    zelFreeScene(Mem, Scene);
    if (Par) FreeMthParallel(Par);
    FreeMemory(Mem);
  }
};

void BM_SetupZelMesh(benchmark::State &state) {
  Memory_List *mem = NewMemory(10000);
  Geometric_Mesh *msh = benchMesh(mem);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "BENCH");
  int64_t before = mem->CurMem, bytes = 0;
  for (auto _ : state) {
    ZelMesh *zelMsh = zelNewZelMesh(mem);
    {
      Quiet q;
      zelSetupZelMesh(&fi, msh, zelMsh);
    }
    bytes = mem->CurMem - before;
    state.PauseTiming();
    zelFreeZelMesh(mem, zelMsh);
    state.ResumeTiming();
  }
  const double elements = static_cast<double>(msh->NbrTet) + msh->NbrTri;
  state.counters["elements"] = elements;
  state.counters["vertices"] = msh->NbrVer;
  state.counters["MB"] = bytes / 1048576.0;
  // The model: 28 bytes per element (group, link, builder word), 52 per vertex.
  state.counters["bytes_over_model"] = bytes / (28 * elements + 52.0 * msh->NbrVer);
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}
BENCHMARK(BM_SetupZelMesh)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_UpdateZelMeshCrd(benchmark::State &state) {
  Opened o(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    zelUpdateZelMeshCrd(o.Scene);
    benchmark::DoNotOptimize(o.Scene->ZelMsh->Crd[1][0]);
  }
  state.counters["threads"] = static_cast<double>(state.range(0));
  state.counters["vertices"] = o.Msh->NbrVer;
}
BENCHMARK(BM_UpdateZelMeshCrd)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Args: threads, and 1 for the hybrid box (hexahedra, prisms, pyramids, bottom quadrilaterals
// and triangles, about 3.3 million elements).
void BM_BoundingBox(benchmark::State &state) {
  Memory_List *mem = NewMemory(10000);
  Geometric_Mesh *msh = state.range(1) ? MakeStructuredMesh(mem, 70, 70, 68, GEN_HEX | GEN_PRI | GEN_PYR | GEN_QUA | GEN_TRI)
                                       : benchMesh(mem);
  Common_MthParallel *par = state.range(0) > 1 ? NewMthParallel(static_cast<int>(state.range(0)), 0, 0) : nullptr;
  double box[6];
  for (auto _ : state) {
    zelBoundingBoxOnPool(par ? par->Pool : nullptr, msh, box);
    benchmark::DoNotOptimize(box[0]);
  }
  state.counters["threads"] = static_cast<double>(state.range(0));
  state.counters["elements"] = static_cast<double>(msh->NbrTri) + msh->NbrQua + msh->NbrTet + msh->NbrPyr +
                               msh->NbrPri + msh->NbrHex;
  if (par) FreeMthParallel(par);
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}
BENCHMARK(BM_BoundingBox)->Args({1, 0})->Args({8, 0})->Args({1, 1})->Args({8, 1})->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_OneMoreVisible(benchmark::State &state) {
  Opened o(1);
  // From the vertex in the middle of the box.
  geoPushHybridStack(o.Scene->Pck, GridVertex(70, 70, 35, 35, 34), KmfVertices);
  for (auto _ : state) {
    state.PauseTiming();
    zelInitMiniMesh(o.Scene);
    state.ResumeTiming();
    zelOneMoreVisible(o.Scene, o.Scene->ZelMsh, o.Msh);
  }
  state.counters["elements"] = static_cast<double>(o.Msh->NbrTet) + o.Msh->NbrTri;
}
BENCHMARK(BM_OneMoreVisible)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// A random symmetric positive-definite 3-D metric at every vertex.
void addMetric(Memory_List *mem, Geometric_Mesh *msh) {
  const int types[1] = {SOL_SYMMAT};
  msh->SolAtVer = NewCommonSolution(mem, msh->NbrVer, 6, 1, types);
  msh->MaxSolVer = 6 * msh->NbrVer;
  msh->NbrSolVer = msh->NbrVer;
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(0.1, 1.0);
  for (int v = 1; v <= msh->NbrVer; v++) {
    double *m = msh->SolAtVer->Sol + 6 * static_cast<size_t>(v);
    double a = u(rng), b = u(rng), c = u(rng), s = 0.05 * u(rng);
    m[0] = a, m[1] = s, m[2] = 0, m[3] = b, m[4] = s, m[5] = c;
  }
}

void BM_NewViewSolutionMetric(benchmark::State &state) {
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *msh = benchMesh(mem);
  addMetric(mem, msh);
  for (auto _ : state) {
    Quiet q;
    ZelViewSolution *view = zelNewViewSolution(mem, nullptr, msh);
    benchmark::DoNotOptimize(view->ZelPal[0].Iso[4]);
    zelFreeViewSolution(mem, view);
  }
  state.counters["vertices"] = msh->NbrVer;
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}
BENCHMARK(BM_NewViewSolutionMetric)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The eigen-size of the same metric: one 3-D eigen solve per vertex.
void BM_UpdatePaletteMetricSize(benchmark::State &state) {
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *msh = benchMesh(mem);
  addMetric(mem, msh);
  ZelViewSolution *view;
  {
    Quiet q;
    view = zelNewViewSolution(mem, nullptr, msh);
  }
  view->ZelPal[0].Repr = 2;
  for (auto _ : state) benchmark::DoNotOptimize(zelUpdatePalette(0, msh, 5, &view->ZelPal[0]));
  zelFreeViewSolution(mem, view);
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}
BENCHMARK(BM_UpdatePaletteMetricSize)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
