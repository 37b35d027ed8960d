// Metric glyph lists of a 3-D metric field on generated hexahedral boxes of about 50 thousand
// (37^3) and one million (100^3) vertices: an anisotropic metric whose frame turns and whose
// sizes vary across the box, one ellipsoid per vertex; and for comparison the ellipses of a
// 2-D metric on a square of 225^2 vertices (argument -224). BM_GlyphBuild times the update entry
// that compiles the metric list and reports, per vertex, the build time ("us/vertex"), the C
// heap the finished list holds ("heapKB/vertex", every build), and for the first build of the
// process the resident memory the list adds ("KB/vertex": VmRSS after the build minus VmRSS
// before it) and the peak the build adds ("peakKB/vertex": VmHWM reset before the build); run
// one size per process for those two. BM_GlyphFrame times one call of the list into a
// 1024 x 768 framebuffer and saves its last picture in the test output. Run under
// scripts/with-display.sh in a Release tree.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "bench/ListBenchKit.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "tests/support/DisplayRecord.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelScene.h"

namespace {

GLHarness &gl() {
  static GLHarness harness(1024, 768);
  return harness;
}

// A field of the process's /proc/self/status in kB ("VmRSS", "VmHWM").
long statusKB(const char *field) {
  FILE *f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  const size_t n = std::strlen(field);
  while (std::fgets(line, sizeof line, f))
    if (!std::strncmp(line, field, n) && line[n] == ':') kb = std::atol(line + n + 1);
  std::fclose(f);
  return kb;
}

// Starts a new peak: VmHWM falls back to the present VmRSS.
void resetPeak() {
  if (FILE *f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

// The metric at p: R diag(1 / h_i^2) R^T, R turning about z then x with p, the sizes h_i
// between 0.5 and 3 cells, stored m11 m12 m13 m22 m23 m33.
void metricAt(const double *p, double *m) {
  const double a = 0.3 * p[0] + 0.1 * p[2], b = 0.2 * p[1];
  const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
  const double R[3][3] = {{ca, -sa * cb, sa * sb}, {sa, ca * cb, -ca * sb}, {0, sb, cb}};
  const double h[3] = {1.75 + 1.25 * std::sin(0.1 * p[0]), 1.0 + 0.5 * std::cos(0.13 * p[1]),
                       0.75 + 0.25 * std::sin(p[2])};
  double M[3][3];
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      M[i][j] = 0;
      for (int k = 0; k < 3; k++) M[i][j] += R[i][k] * R[j][k] / (h[k] * h[k]);
    }
  m[0] = M[0][0], m[1] = M[0][1], m[2] = M[0][2], m[3] = M[1][1], m[4] = M[1][2], m[5] = M[2][2];
}

// In 3-D a box of n^3 hexahedra, (n + 1)^3 vertices; in 2-D a square of n^2 quadrilaterals,
// (n + 1)^2 vertices, with the 2-D part of the metric (m11 m12 m22). The metric field is
// active; the one record of the kind.
struct Box {
  Memory_List *Mem = NewMemory(10000);
  ZelScene *Scn = nullptr;
  ZelEntDisplayList Rec{};
  int Kind, Vertices = 0;

  Box(int n, int dim) : Kind(dim == 3 ? KmfHexahedra : KmfQuadrilaterals) {
    gl();
    zelInstallListHooks();
    Quiet q;
    Geometric_Mesh *msh =
        dim == 3 ? MakeStructuredMesh(Mem, n, n, n, GEN_HEX) : MakeStructuredMesh(Mem, n, n, 0, GEN_QUA);
    msh->Dim = dim;
    const int type = SOL_SYMMAT, size = dim == 3 ? 6 : 3;
    msh->SolAtVer = NewCommonSolution(Mem, msh->MaxNbrVer, size, 1, &type);
    msh->MaxSolVer = msh->MaxNbrVer * size;  // values, not vertices
    msh->NbrSolVer = msh->NbrVer;
    for (int v = 1; v <= msh->NbrVer; v++) {
      double m[6];
      metricAt(msh->Ver[v].Crd, m);
      double *at = msh->SolAtVer->Sol + size * static_cast<size_t>(v);
      if (dim == 3)
        std::copy(m, m + 6, at);
      else
        at[0] = m[0], at[1] = m[1], at[2] = m[3];
    }
    Vertices = msh->NbrVer;
    Scn = OpenHeadless(Mem, nullptr, msh);
    while (!TopoDoneLoad(msh)) usleep(10000);
    Scn->ActFld = 0;
    const ZelEntity *ent = zelGetEntity(Scn->ZelMsh, Kind);
    MakeDisplayRecord(&Rec, Kind, ent->Dep[1].Ref, ent->Dep[1].Fst);
  }

  GLuint list() const { return Rec.SolLst + 5; }
};

// Argument: cells a side, 3-D; or minus that, 2-D.
Box &box(int64_t arg) {
  static std::map<int64_t, Box *> boxes;
  Box *&b = boxes[arg];
  if (!b) b = arg > 0 ? new Box(static_cast<int>(arg), 3) : new Box(static_cast<int>(-arg), 2);
  return *b;
}

// Bytes the C heap holds in use (every arena, small blocks and mapped ones).
double heapBytes() {
  const struct mallinfo2 mi = mallinfo2();
  return static_cast<double>(mi.uordblks + mi.hblkhd);
}

void BM_GlyphBuild(benchmark::State &state) {
  Box &b = box(state.range(0));
  double addedKB = -1, peakKB = -1, heap = 0;
  for (auto _ : state) {
    if (glIsList(b.list())) glDeleteLists(b.list(), 1);
    glFinish();
    malloc_trim(0);
    const long rss0 = statusKB("VmRSS");
    const double heap0 = heapBytes();
    resetPeak();
    const auto t0 = std::chrono::steady_clock::now();
    zelUpdateList(b.Kind, 0x40000, b.Scn, &b.Rec);
    glFinish();
    const auto t1 = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    heap += heapBytes() - heap0;
    // Resident memory of the first build only: later builds reuse what the deleted list freed.
    if (addedKB < 0) addedKB = statusKB("VmRSS") - rss0, peakKB = statusKB("VmHWM") - rss0;
  }
  state.counters["vertices"] = b.Vertices;
  state.counters["us/vertex"] = benchmark::Counter(b.Vertices * 1e-6, benchmark::Counter::kIsIterationInvariantRate |
                                                                          benchmark::Counter::kInvert);
  state.counters["KB/vertex"] = addedKB / b.Vertices;
  state.counters["peakKB/vertex"] = peakKB / b.Vertices;
  state.counters["heapKB/vertex"] = heap / 1024.0 / static_cast<double>(state.iterations()) / b.Vertices;
}

void BM_GlyphFrame(benchmark::State &state) {
  Box &b = box(state.range(0));
  zelUpdateList(b.Kind, 0x40000, b.Scn, &b.Rec);
  gl().ortho(-1.0, 1.0, -0.75, 0.75, -2, 2);
  glClearColor(0, 0, 0, 1);
  glRotated(-60, 1, 0, 0);
  glRotated(-130, 0, 0, 1);
  glEnable(GL_DEPTH_TEST);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glCallList(b.list());
    glFinish();
  }
  glDisable(GL_DEPTH_TEST);
  state.counters["vertices"] = b.Vertices;
  gl().savePng(gl().grab(), "glyph-bench-frame-" + std::to_string(state.range(0)));
}

}  // namespace

BENCHMARK(BM_GlyphBuild)->Arg(36)->Arg(99)->Arg(-224)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_GlyphFrame)->Arg(36)->Arg(-224)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
// A million wire ellipsoids take minutes a frame under the software renderer.
BENCHMARK(BM_GlyphFrame)->Arg(99)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK_MAIN();
