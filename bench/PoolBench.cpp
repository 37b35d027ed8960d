// Cost of the worker pool: empty launches, a memory-bound loop and Hilbert renumbering.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "common/sort/Hilbert.h"
#include "common/pool/Parallel.h"

namespace {

void noop(int, int, int, void *) {}

// Empty launches over a million lines: what a launch costs by itself.
void BM_EmptyStaticLaunch(benchmark::State &state) {
  ParallelPool *par = InitParallel(static_cast<int>(state.range(0)));
  int t = NewType(par, 1000000);
  for (auto _ : state) benchmark::DoNotOptimize(LaunchParallel(par, t, 0, noop, nullptr));
  StopParallel(par);
}
BENCHMARK(BM_EmptyStaticLaunch)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Every package handed out by the scheduler (threads x 64 packages), with dependencies on a
// second type of a million lines (each line of type 1 on one line of type 2).
void BM_EmptyScheduledLaunch(benchmark::State &state) {
  ParallelPool *par = InitParallel(static_cast<int>(state.range(0)));
  int t = NewType(par, 1000000), u = NewType(par, 1000000);
  BeginDependency(par, t, u);
  for (int i = 1; i <= 1000000; i++) AddDependency(par, i, i);
  EndDependency(par, nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(LaunchParallel(par, t, u, noop, nullptr));
  StopParallel(par);
}
BENCHMARK(BM_EmptyScheduledLaunch)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond)->UseRealTime();

struct Triad {
  std::vector<double> a, b, c;
};

void triad(int beg, int end, int, void *arg) {
  auto *t = static_cast<Triad *>(arg);
  double *a = t->a.data(), *b = t->b.data(), *c = t->c.data();
  for (int i = beg; i <= end; i++) a[i] = b[i] + 3.0 * c[i];
}

// a = b + 3c over 10 million lines (240 MB touched per launch).
void BM_MemoryBoundLoop(benchmark::State &state) {
  const int n = 10000000;
  Triad t{std::vector<double>(n + 1, 0.0), std::vector<double>(n + 1, 1.0), std::vector<double>(n + 1, 2.0)};
  int threads = static_cast<int>(state.range(0));
  ParallelPool *par = threads > 1 ? InitParallel(threads) : nullptr;
  int type = par ? NewType(par, n) : 0;
  for (auto _ : state) {
    if (par) LaunchParallel(par, type, 0, triad, &t);
    else triad(1, n, 0, &t);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(n) * 3 * int64_t(sizeof(double)));
  StopParallel(par);
}
BENCHMARK(BM_MemoryBoundLoop)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// Renumbering of 10 million random points in the unit cube.
void BM_HilbertRenumbering(benchmark::State &state) {
  const int64_t n = 10000000;
  std::vector<double> crd(3 * (n + 1));
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (auto &c : crd) c = u(rng);
  std::vector<HilbertPair> pairs(n + 1);
  const double box[6] = {0, 0, 0, 1, 1, 1};
  ParallelPool *par = InitParallel(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(HilbertRenumbering(par, n, box, crd.data(), pairs.data()));
  state.SetItemsProcessed(state.iterations() * n);
  StopParallel(par);
}
BENCHMARK(BM_HilbertRenumbering)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
