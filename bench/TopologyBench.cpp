// Volume topology of a box of tetrahedra (six per cell, about two million), on one thread and
// on every core: the time the viewer waits for the volume neighbours after loading.
#include <benchmark/benchmark.h>

#include "common/base/Clock.h"
#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "tests/support/StructuredMesh.h"

namespace {

void BM_VolumeTopology(benchmark::State &state) {
  int nbrThr = static_cast<int>(state.range(0));
  if (nbrThr == 0) nbrThr = GetNumberOfCores();
  Memory_List *mem = NewMemory(1000);
  // Tetrahedra without triangles: SetupGeoMesh builds the volume neighbours before it returns.
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 70, 70, 68, GEN_TET);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nbrThr > 1 ? NewMthParallel(nbrThr, 0, 0) : nullptr, "BENCH");
  for (auto _ : state) {
    SetupGeoMesh(&fi, msh);
    benchmark::DoNotOptimize(msh->Tet[1].Voi[0]);
  }
  if (!TopoDoneLoad(msh)) state.SkipWithError("topology not built");
  state.counters["threads"] = nbrThr;
  state.counters["tetrahedra"] = msh->NbrTet;
  state.counters["time_per_tet"] = benchmark::Counter(
      static_cast<double>(msh->NbrTet),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  if (fi.Par) FreeMthParallel(fi.Par);
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}

// 0 stands for every core.
BENCHMARK(BM_VolumeTopology)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
