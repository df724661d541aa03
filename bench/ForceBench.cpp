// Force evaluations and computation cycles per second.
// Pair interactions per second = force evaluations per second * N (N - 1) / 2.
#include <benchmark/benchmark.h>

#include "bench/BenchSetup.h"

using namespace kinetra;

static void BM_ForceEvaluation(benchmark::State& state) {
    const int dims = static_cast<int>(state.range(0));
    const int n = static_cast<int>(state.range(1));
    TSimData sim;
    bench::MakeCluster(sim, dims, n, nmEuler);
    for (auto _ : state) {
        sim.Force->ComputePairTerms();
        benchmark::DoNotOptimize(sim.Force->Acceleration(n - 1)[0]);
    }
    const double pairs = static_cast<double>(n) * (n - 1) / 2;
    state.counters["evals/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["pairs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * pairs, benchmark::Counter::kIsRate);
}

static void BM_Cycles(benchmark::State& state) {
    const auto method = static_cast<TNumMethod>(state.range(0));
    const int dims = static_cast<int>(state.range(1));
    const int n = static_cast<int>(state.range(2));
    TSimData sim;
    bench::MakeCluster(sim, dims, n, method);
    if (method == nmRKF) sim.SetAccuracy(1E-6);
    for (auto _ : state) {
        try {
            sim.Step();
        } catch (const std::exception&) {
            sim.Rewind();
            sim.Prepare();
        }
    }
    state.counters["cycles/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(sim.MethodName());
}

static void ForceArgs(benchmark::internal::Benchmark* b) {
    for (int dims : {2, 3, 4})
        for (int n : {5, 100, 1000, 3000}) b->Args({dims, n});
}

static void CycleArgs(benchmark::internal::Benchmark* b) {
    for (int m : {nmStoermer, nmRK4, nmRKF})
        for (int dims : {2, 3, 4})
            for (int n : {5, 100, 1000, 3000}) b->Args({m, dims, n});
}

BENCHMARK(BM_ForceEvaluation)->Apply(ForceArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Cycles)->Apply(CycleArgs)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
