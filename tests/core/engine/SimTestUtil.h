// Small builders for simulation tests.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "engine/SimulationData.h"

namespace kinetra::test {

inline TParticle& AddParticle(TSimData& sim, const std::string& name, double mass,
                              std::initializer_list<double> x, std::initializer_list<double> v,
                              double radius = 0, double charge = 0) {
    auto p = std::make_unique<TParticle>(name, sim.Dimensions);
    p->Mass = mass;
    p->SetCharge(charge);
    p->SetRadius(radius);
    int i = 0;
    for (double c : x) p->InitialPosition[i++] = c;
    i = 0;
    for (double c : v) p->InitialVelocity[i++] = c;
    p->ResetToInitial();
    TParticle* raw = p.get();
    sim.Particles.AddParticle(std::move(p));
    return *raw;
}

// A fresh simulation of `dims` dimensions with the defaults of a new setup.
inline void NewSetup(TSimData& sim, int dims) {
    sim.SetDimensions(dims);
    sim.Clear();
}

// What the main window's Stop does to the engine.
inline void Rewind(TSimData& sim) {
    sim.Rewind();
    sim.Prepare();
}

}  // namespace kinetra::test
