// Force evaluations and computation cycles per second.
// Pair interactions per second = force evaluations per second * N (N - 1) / 2.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "bench/BenchSetup.h"
#include "model/ForceKernel.h"

using namespace kinetra;

// The powers of distance the energy benchmarks take by index: -2, -1 (logarithm), -1.5 (a real
// power), 3 (another whole power).
static const double Powers[] = {-2, -1, -1.5, 3};

// The cluster of the arguments dims, N, force threads, kernel path (TKernelPath), evaluated on
// that path; false (the benchmark skipped) when the CPU lacks it. The caller returns to the best
// path when done.
static bool ClusterOnPath(benchmark::State& state, TSimData& sim) {
    if (!UseKernelPath(static_cast<TKernelPath>(state.range(3)))) {
        state.SkipWithError("the CPU lacks this kernel path");
        return false;
    }
    bench::MakeCluster(sim, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), nmEuler);
    sim.Force->SetThreads(static_cast<int>(state.range(2)));
    return true;
}

// One thread against several, alternating in short rounds so that both see the same machine (a
// shared machine's speed drifts by more than the difference sought): "speed-up" is the median
// over the rounds of the one-thread time over the several-thread time, four calls each.
template <typename TSingle, typename TShared>
static void MedianSpeedUp(benchmark::State& state, TSingle&& single, TShared&& shared) {
    const auto seconds = [](auto&& evaluate) {
        const auto start = std::chrono::steady_clock::now();
        for (int r = 0; r < 4; ++r) evaluate();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> ratios;
    for (auto _ : state) ratios.push_back(seconds(single) / seconds(shared));
    std::sort(ratios.begin(), ratios.end());
    state.counters["speed-up"] = ratios.empty() ? 0 : ratios[ratios.size() / 2];
}

// Arguments: dims, N, force threads, kernel path (skipped when the CPU lacks it).
static void BM_ForceEvaluation(benchmark::State& state) {
    const int n = static_cast<int>(state.range(1));
    TSimData sim;
    if (!ClusterOnPath(state, sim)) return;
    for (auto _ : state) {
        sim.Force->ComputePairTerms();
        benchmark::DoNotOptimize(sim.Force->Acceleration(n - 1)[0]);
    }
    UseKernelPath(KernelPaths().back());
    const double pairs = static_cast<double>(n) * (n - 1) / 2;
    state.counters["evals/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["pairs/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * pairs, benchmark::Counter::kIsRate);
}

// One thread against several on the same cluster. Arguments: N, threads.
static void BM_ThreadSpeedUp(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TSimData one, many;
    bench::MakeCluster(one, 3, n, nmEuler);
    bench::MakeCluster(many, 3, n, nmEuler);
    one.Force->SetThreads(1);
    many.Force->SetThreads(static_cast<int>(state.range(1)));
    MedianSpeedUp(
        state, [&] { one.Force->ComputePairTerms(); }, [&] { many.Force->ComputePairTerms(); });
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

// What the energy plot costs per sample: the kinetic energy and the potential energy (a pass
// over all pairs), against BM_Cycles for the step itself.
static void BM_EnergySample(benchmark::State& state) {
    const int dims = static_cast<int>(state.range(0));
    const int n = static_cast<int>(state.range(1));
    TSimData sim;
    bench::MakeCluster(sim, dims, n, nmStoermer);
    for (auto _ : state) benchmark::DoNotOptimize(sim.KineticEnergy() + sim.PotentialEnergy());
}

// The potential energy (one pass over all pairs, summed in the pair order). Arguments: dims, N,
// threads, kernel path, power (an index into Powers).
static void BM_PotentialEnergy(benchmark::State& state) {
    const int n = static_cast<int>(state.range(1));
    TSimData sim;
    if (!ClusterOnPath(state, sim)) return;
    sim.Force->SetPower(Powers[state.range(4)]);
    for (auto _ : state) benchmark::DoNotOptimize(sim.PotentialEnergy());
    UseKernelPath(KernelPaths().back());
    state.counters["pairs/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * n * (n - 1) / 2,
                                                   benchmark::Counter::kIsRate);
}

// One thread against several for the potential energy. Arguments: N, threads, power (an index
// into Powers).
static void BM_PotentialSpeedUp(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    TSimData one, many;
    bench::MakeCluster(one, 3, n, nmEuler);
    bench::MakeCluster(many, 3, n, nmEuler);
    one.Force->SetThreads(1);
    many.Force->SetThreads(static_cast<int>(state.range(1)));
    for (TSimData* sim : {&one, &many}) sim->Force->SetPower(Powers[state.range(2)]);
    MedianSpeedUp(
        state, [&] { benchmark::DoNotOptimize(one.PotentialEnergy()); },
        [&] { benchmark::DoNotOptimize(many.PotentialEnergy()); });
}

static void EnergyArgs(benchmark::internal::Benchmark* b) {
    const int best = static_cast<int>(KernelPaths().back());
    for (int n : {5, 100, 1000, 3000})
        for (int threads : {1, 2}) b->Args({3, n, threads, best, 0});
    for (int power : {1, 2, 3})
        for (int threads : {1, 2}) b->Args({3, 1000, threads, best, power});
    for (int dims : {2, 4, 8})
        for (int threads : {1, 2}) b->Args({dims, 1000, threads, best, 0});
    for (int path : {0, 1}) b->Args({3, 1000, 1, path, 0});
}

static void ForceArgs(benchmark::internal::Benchmark* b) {
    const int best = static_cast<int>(KernelPaths().back());
    for (int dims : {2, 3, 4})
        for (int n : {5, 100, 1000, 3000}) b->Args({dims, n, 1, best});
    // Higher dimensions, per pair and coordinate against 3D.
    for (int dims : {5, 6, 8, 12}) b->Args({dims, 1000, 1, best});
    // Each kernel path and two threads, 3D.
    for (int path : {0, 1, 2}) b->Args({3, 1000, 1, path});
    for (int n : {1000, 3000}) b->Args({3, n, 2, best});
}

static void CycleArgs(benchmark::internal::Benchmark* b) {
    for (int m : {nmStoermer, nmRK4, nmRKF})
        for (int dims : {2, 3, 4})
            for (int n : {5, 100, 1000, 3000}) b->Args({m, dims, n});
}

BENCHMARK(BM_ForceEvaluation)->Apply(ForceArgs)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PotentialEnergy)->Apply(EnergyArgs)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PotentialSpeedUp)
    ->Args({1000, 2, 0})
    ->Args({3000, 2, 0})
    ->Args({1000, 2, 1})
    ->Args({1000, 2, 2})
    ->Args({1000, 2, 3})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThreadSpeedUp)->Args({1000, 2})->Args({3000, 2})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cycles)->Apply(CycleArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EnergySample)
    ->Args({2, 5})
    ->Args({3, 5})
    ->Args({3, 100})
    ->Args({3, 1000})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
