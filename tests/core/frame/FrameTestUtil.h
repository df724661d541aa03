// Small builders the frame tests share: a vector from a list, an empty setup of n dimensions and
// a particle placed in it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Vector.h"
#include "engine/SimulationData.h"
#include "model/Particles.h"

namespace kinetra::test {

inline TVector Vec(const std::vector<double>& c) {
    TVector v(static_cast<int>(c.size()));
    for (int i = 0; i < v.Count(); ++i) v[i] = c[static_cast<size_t>(i)];
    return v;
}

inline void MakeSetup(TSimData& sim, int n) {
    sim.SetDimensions(n);
    sim.Clear();
}

inline TParticle& AddParticle(TSimData& sim, const std::string& name, const std::vector<double>& at,
                              double mass = 1) {
    auto p = std::make_unique<TParticle>(name, sim.Dimensions);
    p->InitialPosition.Assign(Vec(at));
    p->Position.Assign(Vec(at));
    p->Mass = mass;
    TParticle& ref = *p;
    sim.Particles.AddParticle(std::move(p));
    return ref;
}

}  // namespace kinetra::test
