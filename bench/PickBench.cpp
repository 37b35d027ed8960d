// Picking and solution reload on large generated meshes, under the offscreen GL harness
// (800 x 800) with the surface builders installed.
//
// Picks on a 2-D grid of about one million triangles filling the view: an element, a vertex
// through the cascade inside the mesh (one render) and outside it (all three renders), an edge
// on a face. Reload: zel_updateSol of a binary file of three vertex fields (scalar, vector,
// metric) on the box of about two million tetrahedra with its bottom triangles: load,
// palettes and the rebuild of the surface lists.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/base/Memory.h"
#include "common/kmf/KmfFormat.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/load/SolutionLoad.h"
#include "common/model/Mesh.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelPick.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSolutionControl.h"

namespace {

const int kSize = 800;

// Opening and list building print their timings: keep the benchmark output readable.
struct Quiet {
  Quiet() { fflush(stdout), saved = dup(1), freopen("/dev/null", "w", stdout); }
  ~Quiet() { fflush(stdout), dup2(saved, 1), close(saved); }
  int saved;
};

GLHarness &harness() {
  static GLHarness gl(kSize, kSize);
  gl.makeCurrent();
  return gl;
}

// A scene on the mesh with its records and lists built, reshaped to the harness.
ZelScene *openScene(Memory_List *mem, Geometric_Mesh *msh) {
  harness();
  zelInstallListHooks();
  Quiet q;
  ZelScene *scene = OpenHeadless(mem, nullptr, msh);
  zelSetColorRange(scene);
  zelSetupDisplayLists(mem, scene);
  zelUpdateAllDisplayLists(1, scene);
  zelReshapeScene(scene, kSize, kSize);
  return scene;
}

struct Surface {
  Memory_List *Mem = NewMemory(100000);
  ZelScene *Scene = openScene(Mem, TriangleGrid(Mem, 708, 707));
};
Surface &surface() {
  static Surface s;
  return s;
}

void pick(benchmark::State &state, int kind, int x, int y) {
  ZelScene *scene = surface().Scene;
  int found = 0;
  for (auto _ : state) {
    found = zelPickingScene(kind, scene, x, y);
    benchmark::DoNotOptimize(found);
  }
  state.counters["found"] = found;
  state.counters["triangles"] = scene->Msh->NbrTri;
}

void BM_PickElement(benchmark::State &state) { pick(state, 4, kSize / 2 + 3, kSize / 2 + 7); }
void BM_PickVertexInside(benchmark::State &state) { pick(state, 1, kSize / 2 + 3, kSize / 2 + 7); }
// Outside the mesh nothing answers: the elements, edges and vertices are all drawn.
void BM_PickVertexOutside(benchmark::State &state) { pick(state, 1, 2, 2); }
void BM_PickEdgeOnFace(benchmark::State &state) { pick(state, 2, kSize / 2 + 3, kSize / 2 + 7); }

BENCHMARK(BM_PickElement)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PickVertexInside)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PickVertexOutside)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PickEdgeOnFace)->Unit(benchmark::kMillisecond)->Iterations(10);

// Field values of vertex v: a scalar, a vector and a metric of sizes along the axes.
const int kTypes[3] = {KmfSca, KmfVec, KmfSymMat}, kSizTot = 10;
void fieldValues(const double *x, double step, double *out) {
  out[0] = x[0] * x[0] - 0.5 * x[1] + x[2] / 3 + step;
  out[1] = x[1], out[2] = -x[0], out[3] = 1 + step;
  const double met[6] = {1 + x[0], 0.1, 2 + x[1], 0, 0, 3 + x[2]};  // xx xy yy xz yz zz
  for (int i = 0; i < 6; i++) out[4 + i] = met[i];
}

bool writeSolution(const std::string &path, const Geometric_Mesh *m, double step) {
  std::vector<double> sol(static_cast<size_t>(m->NbrVer) * kSizTot);
  for (int i = 1; i <= m->NbrVer; i++)
    fieldValues(m->Ver[i].Crd, step, &sol[static_cast<size_t>(i - 1) * kSizTot]);
  KmfMeshFile *f = KmfOpenMesh(path.c_str(), KmfWrite, 3, 3);
  if (!f) return false;
  std::vector<KmfField> fld(kSizTot);
  for (int k = 0; k < kSizTot; k++) fld[k] = {KmfDouble, reinterpret_cast<char *>(&sol[k]), 8 * kSizTot};
  bool ok = KmfSetKwd(f, KmfSolAtVertices, m->NbrVer, 3, kTypes) &&
            KmfSetBlockFields(f, KmfSolAtVertices, 0, nullptr, nullptr, nullptr, kSizTot, fld.data());
  return KmfCloseMesh(f) && ok;
}

void BM_ReloadSolution(benchmark::State &state) {
  Memory_List *mem = NewMemory(100000);
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 70, 70, 68, GEN_TET | GEN_TRI);
  const int types[3] = {SOL_SCALAR, SOL_VECTOR, SOL_SYMMAT};
  msh->SolAtVer = NewCommonSolution(mem, msh->NbrVer, kSizTot, 3, types);
  msh->MaxSolVer = (msh->NbrVer + 1) * kSizTot;
  msh->NbrSolVer = msh->NbrVer;
  for (int i = 1; i <= msh->NbrVer; i++)
    fieldValues(msh->Ver[i].Crd, 0, msh->SolAtVer->Sol + static_cast<size_t>(i) * kSizTot);
  std::string path = "/tmp/zelvane-pickbench-" + std::to_string(getpid()) + ".solb";
  if (!writeSolution(path, msh, 1.0)) {
    state.SkipWithError("cannot write the solution file");
    return;
  }
  ZelScene *scene = openScene(mem, msh);
  int res = 0;
  // The file was just written here: the reload is timed without waiting for it to rest.
  const int64_t quiet = SetReloadQuietTime(0);
  for (auto _ : state) {
    Quiet q;
    res = zel_updateSol(scene, path.c_str());
  }
  SetReloadQuietTime(quiet);
  state.counters["loaded"] = res;
  state.counters["tetrahedra"] = msh->NbrTet;
  state.counters["vertices"] = msh->NbrVer;
  unlink(path.c_str());
  zelFreeScene(mem, scene);
  FreeMemory(mem);
}

BENCHMARK(BM_ReloadSolution)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
