// Peak memory of a prepared 10,000-particle three-dimensional setup stepped once
// (peak resident set size of this process, from getrusage).
#include <sys/resource.h>

#include <cstdio>

#include "bench/BenchSetup.h"

int main(int argc, char** argv) {
    using namespace kinetra;
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    const bool charged = argc > 2;
    TSimData sim;
    bench::MakeCluster(sim, 3, n, nmStoermer);
    if (charged) {
        for (int i = 0; i < n; ++i) sim.Particles.Particles(i).SetCharge(i % 2 ? 1 : -1);
        sim.Force->SetCoulombCoeff(1);
        sim.Prepare();
    }
    sim.Step();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("particles %d%s: peak resident memory %.1f MB\n", n, charged ? " (charged)" : "",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
