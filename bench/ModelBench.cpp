// Speed of the model's bulk operations on a box of n^3 cells cut into six tetrahedra each:
// vertex-to-tetrahedron balls, and matching every tetrahedron face through the hash table the
// way the topology does (sorted triples, found faces removed).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "common/model/Ball.h"
#include "common/topology/Hash.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"

namespace {

Geometric_Mesh *MakeTetBox(Memory_List *mem, int n) {
  std::vector<int> siz(KmfSizMshLen, 0);
  siz[KmfVertices] = (n + 1) * (n + 1) * (n + 1);
  siz[KmfTetrahedra] = 6 * n * n * n;
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  auto at = [n](int i, int j, int k) { return 1 + i + (n + 1) * (j + (n + 1) * k); };
  for (int k = 0; k <= n; k++)
    for (int j = 0; j <= n; j++)
      for (int i = 0; i <= n; i++) {
        Vertex &v = msh->Ver[++msh->NbrVer];
        v = Vertex{};
        v.Crd[0] = i, v.Crd[1] = j, v.Crd[2] = k;
        v.Tag = TAG_ALIVE;
      }
  static const int kPath[7] = {1, 2, 3, 7, 4, 5, 1};
  for (int k = 0; k < n; k++)
    for (int j = 0; j < n; j++)
      for (int i = 0; i < n; i++) {
        const int c[8] = {at(i, j, k),     at(i + 1, j, k),     at(i + 1, j + 1, k),     at(i, j + 1, k),
                          at(i, j, k + 1), at(i + 1, j, k + 1), at(i + 1, j + 1, k + 1), at(i, j + 1, k + 1)};
        for (int t = 0; t < 6; t++) {
          Tetrahedron &tet = msh->Tet[++msh->NbrTet];
          tet = Tetrahedron{};
          tet.Ver[0] = c[0], tet.Ver[1] = c[kPath[t]], tet.Ver[2] = c[kPath[t + 1]], tet.Ver[3] = c[6];
          tet.Tag = TAG_ALIVE;
        }
      }
  return msh;
}

void BM_VertexToTetBall(benchmark::State &state) {
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *msh = MakeTetBox(mem, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    StaticBall *b = geoGetVer2Ent(mem, msh, KmfTetrahedra);
    benchmark::DoNotOptimize(b->Ver2Ent);
    geoFreeStaticBall(mem, b);
  }
  state.counters["tets"] = msh->NbrTet;
  state.counters["tets/s"] = benchmark::Counter(static_cast<double>(msh->NbrTet) * state.iterations(),
                                                benchmark::Counter::kIsRate);
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}

void BM_TetFaceMatching(benchmark::State &state) {
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *msh = MakeTetBox(mem, static_cast<int>(state.range(0)));
  static const int kFace[4][3] = {{1, 3, 2}, {0, 2, 3}, {0, 3, 1}, {0, 1, 2}};
  long long matched = 0;
  for (auto _ : state) {
    int nbr = 4 * msh->NbrTet + 1;
    HybridHashTable *tab = uti_NewHybridHashTable(nbr / 10, nbr);
    matched = 0;
    for (int t = 1; t <= msh->NbrTet; t++)
      for (int f = 0; f < 4; f++) {
        int itm[4] = {msh->Tet[t].Ver[kFace[f][0]], msh->Tet[t].Ver[kFace[f][1]], msh->Tet[t].Ver[kFace[f][2]], t};
        std::sort(itm, itm + 3);
        if (uti_HybridHashTabFindRemove(tab, 0, 3, itm))
          matched++;
        else
          uti_AddHybridHashTab(tab, 2, 4, 3, itm);
      }
    uti_FreeHybridHashTable(tab);
  }
  state.counters["tets"] = msh->NbrTet;
  state.counters["inner faces"] = static_cast<double>(matched);
  state.counters["tets/s"] = benchmark::Counter(static_cast<double>(msh->NbrTet) * state.iterations(),
                                                benchmark::Counter::kIsRate);
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
}

void BM_RecordSizes(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(sizeof(Vertex));
  state.counters["Vertex"] = sizeof(Vertex);
  state.counters["Triangle"] = sizeof(Triangle);
  state.counters["Tetrahedron"] = sizeof(Tetrahedron);
  state.counters["Hexahedron"] = sizeof(Hexahedron);
}

}  // namespace

BENCHMARK(BM_VertexToTetBall)->Arg(40)->Arg(70)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TetFaceMatching)->Arg(40)->Arg(70)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordSizes);
BENCHMARK_MAIN();
