// A reproducible random cluster for the benchmarks.
#pragma once

#include <memory>
#include <random>

#include "engine/SimulationData.h"

namespace kinetra::bench {

inline void MakeCluster(TSimData& sim, int dims, int n, TNumMethod method, unsigned seed = 12345) {
    sim.SetDimensions(dims);
    sim.Clear();
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> pos(-100.0, 100.0);
    std::uniform_real_distribution<double> vel(-0.1, 0.1);
    for (int i = 0; i < n; ++i) {
        auto p = std::make_unique<TParticle>("p" + std::to_string(i), dims);
        p->Mass = 1;
        for (int c = 0; c < dims; ++c) {
            p->InitialPosition[c] = pos(rng);
            p->InitialVelocity[c] = vel(rng);
        }
        sim.Particles.AddParticle(std::move(p));
    }
    sim.Method = method;
    sim.TimeStep = 1E-3;
    sim.SetCycles(1);
    sim.Rewind();
    sim.Prepare();
}

}  // namespace kinetra::bench
