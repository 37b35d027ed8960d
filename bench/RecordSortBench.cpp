// Ten million tetrahedra ordered by a 64-bit rank (the way a space-filling-curve renumbering
// would order them), next to std::sort on the same ranks: alone, and carrying the same
// records and index entries.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "common/model/Mesh.h"
#include "common/sort/RecordSort.h"

namespace {

constexpr int kNbrTet = 10000000;
constexpr int kNbrVer = kNbrTet / 6;  // the usual ratio of a tetrahedral mesh

struct Input {
  std::vector<uint64_t> rnk;
  std::vector<Tetrahedron> tet;
  std::vector<int> idx;
  Input() : rnk(kNbrTet), tet(kNbrTet), idx(kNbrTet) {
    std::mt19937_64 rng(1);
    for (int i = 0; i < kNbrTet; i++) {
      rnk[i] = rng();
      Tetrahedron &t = tet[i];
      for (int j = 0; j < 4; j++) t.Ver[j] = 1 + static_cast<int>(rng() % kNbrVer);
      for (int j = 0; j < 4; j++) t.Voi[j] = i + j;
      t.VoiTyp = 0;
      t.Tag = 0x80000000u;
      t.Ref = i % 7;
      t.Res0 = 0;
      idx[i] = i + 1;
    }
  }
};

const Input &Pristine() {
  static const Input in;
  return in;
}

// One tetrahedron with its rank and index, for std::sort to move as a unit.
struct RankedTet {
  uint64_t rnk;
  Tetrahedron tet;
  int idx;
};

void BM_TetrahedronQsortRank(benchmark::State &state) {
  const Input &in = Pristine();
  Input work = in;
  for (auto _ : state) {
    state.PauseTiming();
    work.rnk = in.rnk, work.tet = in.tet, work.idx = in.idx;
    state.ResumeTiming();
    TetrahedronQsortRank(work.rnk.data(), work.tet.data(), work.idx.data(), kNbrTet);
    benchmark::DoNotOptimize(work.tet.data());
  }
  if (!std::is_sorted(work.rnk.begin(), work.rnk.end())) state.SkipWithError("not sorted");
  state.SetItemsProcessed(state.iterations() * kNbrTet);
}

void BM_StdSortRanksOnly(benchmark::State &state) {
  const Input &in = Pristine();
  std::vector<uint64_t> rnk;
  for (auto _ : state) {
    state.PauseTiming();
    rnk = in.rnk;
    state.ResumeTiming();
    std::sort(rnk.begin(), rnk.end());
    benchmark::DoNotOptimize(rnk.data());
  }
  state.SetItemsProcessed(state.iterations() * kNbrTet);
}

void BM_StdSortRanksWithRecords(benchmark::State &state) {
  const Input &in = Pristine();
  std::vector<RankedTet> all(kNbrTet);
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < kNbrTet; i++) all[i] = RankedTet{in.rnk[i], in.tet[i], in.idx[i]};
    state.ResumeTiming();
    std::sort(all.begin(), all.end(),
              [](const RankedTet &a, const RankedTet &b) { return a.rnk < b.rnk; });
    benchmark::DoNotOptimize(all.data());
  }
  state.SetItemsProcessed(state.iterations() * kNbrTet);
}

// Ordering by first node: about six tetrahedra share each key.
void BM_TetrahedronQsortIdx(benchmark::State &state) {
  const Input &in = Pristine();
  Input work = in;
  for (auto _ : state) {
    state.PauseTiming();
    work.tet = in.tet, work.idx = in.idx;
    state.ResumeTiming();
    TetrahedronQsortIdx(work.tet.data(), work.idx.data(), kNbrTet);
    benchmark::DoNotOptimize(work.tet.data());
  }
  state.SetItemsProcessed(state.iterations() * kNbrTet);
}

}  // namespace

BENCHMARK(BM_TetrahedronQsortRank)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StdSortRanksOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StdSortRanksWithRecords)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TetrahedronQsortIdx)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
