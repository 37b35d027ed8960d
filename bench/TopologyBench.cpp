// Neighbour topology: the volume pass over a box of tetrahedra (six per cell, about two
// million) on one thread and on every core, once numbered as the grid and once with its
// vertices randomly renumbered, as a generator's Delaunay mesh numbers them; and the surface
// pass over a strip of 80,000 triangles whose edges share two node sums, the worst case of a
// hash that adds the nodes of a key.
#include <benchmark/benchmark.h>

#include "common/base/Clock.h"
#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "tests/support/StructuredMesh.h"
#include "tests/support/TopoFixtures.h"

namespace {

void volumeTopology(benchmark::State &state, bool renumbered) {
  int nbrThr = static_cast<int>(state.range(0));
  if (nbrThr == 0) nbrThr = GetNumberOfCores();
  Memory_List *mem = NewMemory(1000);
  // Tetrahedra without triangles: SetupGeoMesh builds the volume neighbours before it returns.
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 70, 70, 68, GEN_TET);
  if (renumbered) RenumberVertices(msh, 2024);
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

void BM_VolumeTopology(benchmark::State &state) { volumeTopology(state, false); }
void BM_VolumeTopologyRenumbered(benchmark::State &state) { volumeTopology(state, true); }

void BM_SurfaceTopologyEqualSums(benchmark::State &state) {
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *msh = MakeEqualSumStrip(mem, 40000);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "BENCH");
  for (auto _ : state) {
    SetupGeoMesh(&fi, msh);
    benchmark::DoNotOptimize(msh->Tri[1].Voi[0]);
  }
  // Rungs link the two triangles of a quad, diagonals the quads.
  if (msh->Tri[1].Voi[0] != 2 || msh->Tri[3].Voi[1] != 2) state.SkipWithError("wrong neighbours");
  state.counters["triangles"] = msh->NbrTri;
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}

// 0 stands for every core.
BENCHMARK(BM_VolumeTopology)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_VolumeTopologyRenumbered)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SurfaceTopologyEqualSums)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
