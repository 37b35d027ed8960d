// Neighbour topology: the volume pass over a box of tetrahedra (six per cell, about two
// million) on one thread and on every core, numbered as the grid, with its vertices randomly
// renumbered, and with its tetrahedra shuffled as well, as a generator numbers both in creation
// order; the volume pass over a star of about a million tetrahedra (a sheet of triangles coned
// to one centre vertex), the centre numbered first or last; the surface pass over a sheet of
// about four million triangles, numbered as the grid or shuffled, alone and as the set-up of
// a mesh without volume elements runs it; the surface pass over a strip of 80,000 triangles
// whose edges share two node sums, the worst case of a hash that adds the nodes of a key, and
// over fans of 40,000 triangles whose spokes were chosen to share one bucket of the edge table
// had its bucket choice a fixed multiplier, beside fans of the same size and shape numbered
// plainly. The boxes go through a binary file and the loader, so that their arrays lie in
// memory as a viewer's meshes do.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/base/Clock.h"
#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/load/MeshLoad.h"
#include "common/load/MeshWriter.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "tests/support/StructuredMesh.h"
#include "tests/support/TopoFixtures.h"

namespace {

enum Numbering { Grid, VerticesRenumbered, BothShuffled };

// What the threaded benches share: the thread count of arg 0 (0 for every core), a memory list
// and a quiet interface, given a pool of that many threads (none for one) by startPool; freed
// in reverse order at the end of the bench.
struct ThreadedRun {
  int NbrThr;
  Memory_List *Mem = NewMemory(1000);
  Function_Interface Fi;
  explicit ThreadedRun(const benchmark::State &state) : NbrThr(static_cast<int>(state.range(0))) {
    if (NbrThr == 0) NbrThr = GetNumberOfCores();
    DefaultFunInterface(&Fi, Mem, nullptr, "BENCH");
    Fi.Verbose = 0;
  }
  void startPool() { Fi.Par = NbrThr > 1 ? NewMthParallel(NbrThr, 0, 0) : nullptr; }
  ~ThreadedRun() {
    if (Fi.Par) FreeMthParallel(Fi.Par);
    FreeMemory(Mem);
  }
  ThreadedRun(const ThreadedRun &) = delete;
  ThreadedRun &operator=(const ThreadedRun &) = delete;
};

void volumeTopology(benchmark::State &state, Numbering numbering) {
  ThreadedRun run(state);
  const int nbrThr = run.NbrThr;
  Memory_List *mem = run.Mem;
  Function_Interface &fi = run.Fi;
  // Tetrahedra without triangles: SetupGeoMesh builds the volume neighbours before it returns.
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 70, 70, 68, GEN_TET);
  if (numbering != Grid) RenumberVertices(msh, 2024);
  if (numbering == BothShuffled) ShuffleElements(msh, 2025);
  const char *tmp = getenv("TMPDIR");
  std::string file = std::string(tmp && *tmp ? tmp : "/tmp") + "/topobench" + std::to_string(getpid()) + ".meshb";
  WriteMesh(&fi, file.c_str(), msh);
  FreeCommonMesh(mem, msh);
  char *names[] = {&file[0]};
  fflush(stdout);
  msh = geoLoadMeshAndSolution(&fi, 1, names, nullptr);
  remove(file.c_str());
  if (!msh) {
    state.SkipWithError("the box could not be written and loaded");
    return;
  }
  run.startPool();
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
  FreeCommonMesh(mem, msh);
}

void BM_VolumeTopology(benchmark::State &state) { volumeTopology(state, Grid); }
void BM_VolumeTopologyRenumbered(benchmark::State &state) { volumeTopology(state, VerticesRenumbered); }
void BM_VolumeTopologyShuffled(benchmark::State &state) { volumeTopology(state, BothShuffled); }

// A sheet of n x n squares, two triangles each, on the grid vertices (i, j) numbered row by
// row; with centre, every triangle is the base of a tetrahedron whose apex is one more vertex,
// numbered first (centreFirst) or last, and the triangles are left out.
Geometric_Mesh *makeSheet(Memory_List *mem, int n, bool centre, bool centreFirst) {
  const int nbrVer = (n + 1) * (n + 1) + (centre ? 1 : 0), nbrElt = 2 * n * n;
  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, nbrVer}, {centre ? KmfTetrahedra : KmfTriangles, nbrElt}});
  if (!msh) return nullptr;
  const int shift = centre && centreFirst ? 1 : 0, apex = centreFirst ? 1 : nbrVer;
  for (int v = 1; v <= nbrVer; v++) {
    const int g = v - 1 - (v > shift ? shift : 0);
    AddVertex(msh, g % (n + 1), g / (n + 1), centre && v == apex ? 1 : 0);
  }
  auto at = [&](int i, int j) { return 1 + shift + i + (n + 1) * j; };
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const int q[4] = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
      if (centre) {
        AddRecord(msh->Tet, msh->NbrTet, {q[0], q[1], q[2], apex});
        AddRecord(msh->Tet, msh->NbrTet, {q[0], q[2], q[3], apex});
      } else {
        AddRecord(msh->Tri, msh->NbrTri, {q[0], q[1], q[2]});
        AddRecord(msh->Tri, msh->NbrTri, {q[0], q[2], q[3]});
      }
    }
  return msh;
}

// Arg 0: threads (0 for every core); arg 1: 1 for the centre numbered first.
void BM_VolumeTopologyStar(benchmark::State &state) {
  ThreadedRun run(state);
  const int nbrThr = run.NbrThr;
  Memory_List *mem = run.Mem;
  Function_Interface &fi = run.Fi;
  Geometric_Mesh *msh = makeSheet(mem, 708, true, state.range(1) != 0);
  run.startPool();
  for (auto _ : state) {
    SetupGeoMesh(&fi, msh);
    benchmark::DoNotOptimize(msh->Tet[1].Voi[0]);
  }
  // The two tetrahedra of a square share the face on its diagonal.
  if (!TopoDoneLoad(msh) || msh->Tet[1].Voi[1] != 2) state.SkipWithError("wrong neighbours");
  state.counters["threads"] = nbrThr;
  state.counters["tetrahedra"] = msh->NbrTet;
  FreeCommonMesh(mem, msh);
}

// Arg 0: threads (0 for every core); arg 1: 1 for the sheet shuffled (vertices and triangles
// in random order); arg 2: 1 for the whole set-up, 0 for the surface pass alone.
void BM_SurfaceTopologySheet(benchmark::State &state) {
  ThreadedRun run(state);
  const int nbrThr = run.NbrThr;
  Memory_List *mem = run.Mem;
  Function_Interface &fi = run.Fi;
  Geometric_Mesh *msh = makeSheet(mem, 1415, false, false);
  if (state.range(1)) {
    RenumberVertices(msh, 2026);
    ShuffleElements(msh, 2027);
  }
  run.startPool();
  TopoArgs args{};
  args.Fi = fi;
  args.Msh = msh;
  args.NbrThr = nbrThr;
  for (auto _ : state) {
    if (state.range(2))
      SetupGeoMesh(&fi, msh);
    else
      geoNewtopoSrf(&args);
    benchmark::DoNotOptimize(msh->Tri[1].Voi[0]);
  }
  int linked = 0;
  for (int j = 0; j < 3; j++) linked += msh->Tri[1].Voi[j] != 0;
  if (linked == 0) state.SkipWithError("wrong neighbours");
  state.counters["threads"] = nbrThr;
  state.counters["triangles"] = msh->NbrTri;
  state.counters["time_per_tri"] = benchmark::Counter(
      static_cast<double>(msh->NbrTri), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  FreeCommonMesh(mem, msh);
}

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

// Arg 1: the crafted fans, 0: the plain ones.
void BM_SurfaceTopologySpokeFans(benchmark::State &state) {
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *msh = MakeSpokeFans(mem, 40000, state.range(0) != 0);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "BENCH");
  for (auto _ : state) {
    SetupGeoMesh(&fi, msh);
    benchmark::DoNotOptimize(msh->Tri[1].Voi[0]);
  }
  // Consecutive triangles of a fan share a spoke.
  if (msh->NbrTri != 40000 || msh->Tri[1].Voi[1] != 2) state.SkipWithError("wrong fans");
  state.counters["triangles"] = msh->NbrTri;
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}

// 0 stands for every core.
BENCHMARK(BM_VolumeTopology)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_VolumeTopologyRenumbered)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_VolumeTopologyShuffled)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_VolumeTopologyStar)->Args({0, 1})->Args({0, 0})->Args({1, 1})->Args({1, 0})->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SurfaceTopologySheet)
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);
BENCHMARK(BM_SurfaceTopologyEqualSums)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SurfaceTopologySpokeFans)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
