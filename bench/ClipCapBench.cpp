// Clipping on generated boxes cut by the plane x + y + z through their centre: the marking of
// every vertex and element on one and on eight threads (about two million tetrahedra, one
// million hexahedra), the cap of the whole record of each box, and the section outline of a
// surface of about one million triangles drawn into an offscreen GL context, as every paint
// does. Counters: cut elements, cap pieces and the cap's bytes, and the memory-list blocks a
// marking leaves (none expected).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "common/topology/Topology.h"
#include "tests/support/GLHarness.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/lists/ZelCapping.h"
#include "zelvane/lists/ZelClip.h"
#include "zelvane/lists/ZelClipFrame.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelVisibility.h"

namespace {

// Set-up steps print their timings: keep the benchmark output readable.
struct Quiet {
  Quiet() { fflush(stdout), saved = dup(1), freopen("/dev/null", "w", stdout); }
  ~Quiet() { fflush(stdout), dup2(saved, 1), close(saved); }
  int saved;
};

// A box opened as a scene (topology done, everything visible), with plane 0 through its
// centre and one display record per reference group of the kind drawn or capped.
struct Box {
  Memory_List *Mem = NewMemory(10000);
  Geometric_Mesh *Msh;
  ZelScene *Scene;
  int Kind;

  Box(int n[3], unsigned kinds, int kind) : Kind(kind) {
    Quiet q;
    Msh = MakeStructuredMesh(Mem, n[0], n[1], n[2], kinds);
    for (int i = 0; i < 3; i++) Msh->Box[i] = 0, Msh->Box[i + 3] = n[i];
    Function_Interface fi;
    DefaultFunInterface(&fi, Mem, nullptr, "BENCH");
    SetupGeoMesh(&fi, Msh);
    StopTopoThread(Msh);  // none runs: the surface-less boxes build it at once
    zelSetAllVisible(Msh);
    ZelMesh *zelMsh = zelNewZelMesh(Mem);
    zelSetupZelMesh(&fi, Msh, zelMsh);
    Scene = zelNewScene(Mem, nullptr, ZelDisplayLists, Msh, zelMsh);
    zelIniScene(&fi, ZelDisplayLists, Scene);
    Scene->OwnMsh = Scene->OwnZelMsh = 1;
    zelUpdateZelMeshCrd(Scene);
    double *pla = zelMsh->Pla->Pla[0];
    pla[0] = pla[1] = pla[2] = 1;
    pla[3] = -0.5 * (n[0] + n[1] + n[2]);
    ZelEntity *ent = zelGetEntity(zelMsh, kind);
    ent->DspLst = static_cast<ZelEntDisplayList *>(
        MEM_ALLOC(Mem, ent->DspLst, sizeof(ZelEntDisplayList) * (ent->NbrDep + 1)));
    for (int k = 1; k <= ent->NbrDep; k++) {
      ent->DspLst[k] = ZelEntDisplayList{};
      ent->DspLst[k].Type = kind;
      ent->DspLst[k].Head = ent->Dep[k].Fst;
    }
    ent->NbrLst = ent->NbrDep;
  }
  ~Box() {
    zelFreeScene(Mem, Scene);
    FreeMemory(Mem);
  }
  ZelEntity *entity() const { return zelGetEntity(Scene->ZelMsh, Kind); }
  const double *plane() const { return Scene->ZelMsh->Pla->Pla[0]; }
  int mark(int threads) {
    Common_MthParallel *par = threads > 1 ? NewMthParallel(threads, 0, 0) : nullptr;
    Function_Interface fi;
    DefaultFunInterface(&fi, Mem, par, "CLIPPING");
    int done = zelSetPlaneClipBody(&fi, Scene, 0);
    if (par) FreeMthParallel(par);
    return done;
  }
};

Box &tetBox() {
  static int n[3] = {70, 70, 68};
  static Box box(n, GEN_TET, KmfTetrahedra);
  return box;
}
Box &hexBox() {
  static int n[3] = {100, 100, 100};
  static Box box(n, GEN_HEX, KmfHexahedra);
  return box;
}
Box &triSurface() {
  static int n[3] = {708, 708, 1};
  static Box box(n, GEN_TRI, KmfTriangles);
  return box;
}
Box &boxOf(int64_t which) { return which == 0 ? tetBox() : hexBox(); }

int clipped(const Box &b) {
  int n = 0;
  const Geometric_Mesh *m = b.Msh;
  if (b.Kind == KmfTetrahedra)
    for (int i = 1; i <= m->NbrTet; i++) n += (m->Tet[i].Tag & TAG_CLIPPED) != 0;
  else
    for (int i = 1; i <= m->NbrHex; i++) n += (m->Hex[i].Tag & TAG_CLIPPED) != 0;
  return n;
}

// Arguments: box (0 tetrahedra, 1 hexahedra), threads.
void BM_SetPlaneClip(benchmark::State &state) {
  Box &b = boxOf(state.range(0));
  const int threads = static_cast<int>(state.range(1));
  Common_MthParallel *par = threads > 1 ? NewMthParallel(threads, 0, 0) : nullptr;
  Function_Interface fi;
  DefaultFunInterface(&fi, b.Mem, par, "CLIPPING");
  int blocks = b.Mem->NbrActive;
  for (auto _ : state) benchmark::DoNotOptimize(zelSetPlaneClipBody(&fi, b.Scene, 0));
  state.counters["elements"] = b.Kind == KmfTetrahedra ? b.Msh->NbrTet : b.Msh->NbrHex;
  state.counters["vertices"] = b.Msh->NbrVer;
  state.counters["cut"] = clipped(b);
  state.counters["blocks_left"] = b.Mem->NbrActive - blocks;
  if (par) FreeMthParallel(par);
}
BENCHMARK(BM_SetPlaneClip)
    ->ArgsProduct({{0, 1}, {1, 8}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The cap of the box's one record. Argument: box.
void BM_CappingMesh(benchmark::State &state) {
  Box &b = boxOf(state.range(0));
  b.mark(8);
  const ZelEntity *ent = b.entity();
  const int kind = b.Kind == KmfTetrahedra ? ZelCapTetrahedra : ZelCapHexahedra;
  int pieces = 0, capacity = 0;
  for (auto _ : state) {
    GLMesh *cap = nullptr;
    zel_cappingmesh(kind, ent->DspLst[1].Head, b.plane(), nullptr, b.Msh, b.Scene->ZelMsh,
                    ent->Lnk, &cap);
    pieces = cap->NbrTri + cap->NbrQua;
    capacity = cap->MaxNbrTri;
    zel_freeGLMesh(cap);
  }
  // Per unit of capacity: a triangle (corners, normal, source) and a quadrilateral.
  const double perPiece = (9 + 3 + 12 + 3) * sizeof(float) + 2 * sizeof(int);
  state.counters["cut"] = clipped(b);
  state.counters["pieces"] = pieces;
  state.counters["cap_MB"] = capacity * perPiece / (1 << 20);
}
BENCHMARK(BM_CappingMesh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The section outline of the triangle surface, drawn and finished, as on every paint.
void BM_SetFrameClip(benchmark::State &state) {
  static GLHarness gl(256, 256);
  if (!gl.valid()) {
    state.SkipWithError("no OpenGL context");
    return;
  }
  Box &b = triSurface();
  gl.ortho(-1, 1, -1, 1, -2, 2);
  for (auto _ : state) {
    zelSetFrameClipBody(b.Scene, 0);
    glFinish();
  }
  state.counters["triangles"] = b.Msh->NbrTri;
}
BENCHMARK(BM_SetFrameClip)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
