// Physics checks of the integrators on a two-body circular orbit: G = 1, masses 1 and 1E-6,
// radius 1 and the circular speed of the pair, sqrt(G (M + m) / r), so that the relative
// vector stays on (cos wt, sin wt) with w = sqrt(1 + 1E-6): a period of about 2 pi.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/SimulationData.h"
#include "tests/core/engine/SimTestUtil.h"

using namespace kinetra;
using kinetra::test::AddParticle;
using kinetra::test::NewSetup;

namespace {

constexpr double TwoPi = 2 * 3.141592653589793;
const double Omega = std::sqrt(1 + 1E-6);

void MakeOrbit(TSimData& sim, TNumMethod method, double timeStep, int cycles) {
    NewSetup(sim, 2);
    AddParticle(sim, "sun", 1, {0, 0}, {0, 0});
    AddParticle(sim, "planet", 1E-6, {1, 0}, {0, Omega});
    sim.Method = method;
    sim.TimeStep = timeStep;
    sim.SetCycles(cycles);
    sim.Rewind();
    sim.Prepare();
}

double TotalEnergy(TSimData& sim) {
    return sim.KineticEnergy() + sim.PotentialEnergy();
}

// Distance of the planet from where the exact orbit puts it at the simulation's time.
double OrbitError(TSimData& sim) {
    const TVector& planet = sim.Particles.Particles(1).Position;
    const TVector& sun = sim.Particles.Particles(0).Position;
    // Stoermer's positions run one step ahead of Time.
    const double t = sim.Time + (sim.Method == nmStoermer ? sim.SignedStep : 0);
    return std::hypot(planet[0] - sun[0] - std::cos(Omega * t), planet[1] - sun[1] - std::sin(Omega * t));
}

double RunOnePeriod(TNumMethod method, double timeStep) {
    TSimData sim;
    MakeOrbit(sim, method, timeStep, 10);
    const int steps = static_cast<int>(std::lround(TwoPi / (timeStep * 10)));
    for (int i = 0; i < steps; ++i) sim.Step();
    return OrbitError(sim);
}

// Largest relative energy error over a fixed simulated time.
double EnergyDrift(TNumMethod method, double timeStep) {
    TSimData sim;
    MakeOrbit(sim, method, timeStep, 1);
    sim.Force->SetGravConstant(1);
    const double e0 = TotalEnergy(sim);
    double worst = 0;
    const int steps = static_cast<int>(std::lround(2.0 / timeStep));
    for (int i = 0; i < steps; ++i) {
        sim.Step();
        worst = std::fmax(worst, std::fabs((TotalEnergy(sim) - e0) / e0));
    }
    return worst;
}

}  // namespace

TEST(OrbitPhysics, ReturnsToItsStartAfterOnePeriod) {
    const double h = TwoPi / 3000;  // 300 displayed steps of 10 cycles
    EXPECT_LT(RunOnePeriod(nmRK4, h), 1e-9);
    EXPECT_LT(RunOnePeriod(nmRalston, h), 2e-3);
    EXPECT_LT(RunOnePeriod(nmStoermer, h), 2e-3);
    EXPECT_LT(RunOnePeriod(nmEulerCromer, h), 2e-2);
    EXPECT_LT(RunOnePeriod(nmEuler, h), 0.2);
}

TEST(OrbitPhysics, AdaptiveMethodFollowsTheOrbitTightly) {
    TSimData sim;
    MakeOrbit(sim, nmRKF, 0.01, 1);
    sim.SetAccuracy(1E-10);
    while (sim.Time < TwoPi) sim.Step();
    EXPECT_LT(OrbitError(sim), 1e-7);
    EXPECT_GT(sim.SignedStep, 0.01);  // the step has grown from the first trial step
}

TEST(OrbitPhysics, EnergyErrorShrinksWithTheOrderOfTheMethod) {
    struct Case {
        TNumMethod method;
        double minRatio;
    } cases[] = {{nmEuler, 1.6}, {nmEulerCromer, 1.6}, {nmRalston, 3.0}, {nmStoermer, 3.0}, {nmRK4, 10.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.method));
        const double coarse = EnergyDrift(c.method, 0.02);
        const double fine = EnergyDrift(c.method, 0.01);
        EXPECT_GT(coarse / fine, c.minRatio) << coarse << " " << fine;
    }
}

TEST(OrbitPhysics, StoermerRunsBackToItsStart) {
    TSimData sim;
    MakeOrbit(sim, nmStoermer, 0.002, 10);
    for (int i = 0; i < 100; ++i) sim.Step();
    EXPECT_GT(sim.Particles.Particles(1).Position[1], 0.5);
    sim.Reverse();
    for (int i = 0; i < 100; ++i) sim.Step();
    EXPECT_NEAR(sim.Time, 0, 1e-12);
    // The reversal's start-up step took the positions from one step ahead back to Time itself,
    // so the backward run ends where the forward run began.
    const TVector& planet = sim.Particles.Particles(1).Position;
    const TVector& sun = sim.Particles.Particles(0).Position;
    EXPECT_LT(std::hypot(planet[0] - sun[0] - 1, planet[1] - sun[1]), 1e-6);
}
