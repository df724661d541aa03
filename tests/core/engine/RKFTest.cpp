// The adaptive Cash-Karp integrator: step control, its limits and its failures.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <vector>

#include "base/KNUtils.h"
#include "engine/RKF.h"
#include "engine/SimulationData.h"
#include "tests/core/engine/SimTestUtil.h"

using namespace kinetra;
using kinetra::test::AddParticle;
using kinetra::test::NewSetup;

namespace {

// y' = y for a single one-component vector, recording the step size of every trial step
// (its second stage is evaluated at x0 + 0.2 h).
struct Exponential {
    TRungeKutta rk{1, 1, 1E-12};
    TVector y{1};
    TVector dydx{1};
    TVectorArray yRefs{&y};
    TVectorArray dRefs{&dydx};
    std::vector<double> trials;
    int stage = 0;

    Exponential() {
        y[0] = 1;
        rk.OnDerivs = [this](const TVectorArray& in, const TVectorArray& out, double x) {
            if (stage++ % 5 == 0) trials.push_back((x - rk.StartX) / 0.2);
            (*out[0])[0] = (*in[0])[0];
        };
    }
    void Derivs() { dydx[0] = y[0]; }
};

}  // namespace

TEST(RungeKutta, AcceptsAndGrowsFivefoldWhenTheErrorVanishes) {
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "alone", 1, {0, 0}, {1, 0});
    sim.SetMethod(nmRKF);
    sim.Rewind();
    sim.Prepare();
    sim.SetCycles(1);
    double h = sim.SignedStep;
    double expectedTime = 0;
    for (int i = 0; i < 80; ++i) {
        sim.Step();
        expectedTime = expectedTime + h;
        h = std::fmin(5 * h, MaxStepSize);
        EXPECT_EQ(sim.SignedStep, h);
        EXPECT_EQ(sim.Time, expectedTime);
    }
    EXPECT_EQ(sim.SignedStep, 1E50);
}

// A landing time shortens the cycle that would pass it, in either direction: the time is the
// landing time itself and the step it would have taken goes on; without one, nothing changes.
TEST(RungeKutta, ACycleThatWouldPassTheLandingTimeEndsOnIt) {
    for (const double sign : {1.0, -1.0}) {
        TSimData sim;
        NewSetup(sim, 2);
        AddParticle(sim, "alone", 1, {0, 0}, {1, 0});
        sim.SetMethod(nmRKF);
        sim.SetCycles(1);
        sim.Rewind();
        sim.Prepare();
        if (sign < 0) sim.Reverse();
        sim.LandingTime = sign * 0.0105;
        sim.Step();  // 0.002, below it
        EXPECT_EQ(sim.Time, sign * 0.002);
        EXPECT_EQ(sim.SignedStep, sign * 0.01);
        sim.Step();  // 0.01 would pass it: 0.0085 lands
        EXPECT_EQ(sim.Time, sign * 0.0105);
        EXPECT_EQ(sim.SignedStep, sign * 0.01);
        EXPECT_NEAR(sim.Particles.Particles(0).Position[0], sign * 0.0105, 1E-17);
        sim.Step();  // at it: no landing left
        EXPECT_EQ(sim.SignedStep, sign * 0.05);
        sim.LandingTime.reset();
        sim.Step();
        EXPECT_EQ(sim.SignedStep, sign * 0.25);
    }
}

TEST(RungeKutta, RejectedStepIsRetriedSmallerWithinTheCycle) {
    Exponential e;
    e.Derivs();
    TDoubleArray scale{1};
    double x = 0, hdid = 0, hnext = 0;
    e.rk.AdaptiveStep(e.yRefs, e.dRefs, scale, x, 1.0, hdid, hnext);
    ASSERT_GE(e.trials.size(), 2u);
    EXPECT_EQ(e.trials.front(), 1.0);
    for (size_t i = 1; i < e.trials.size(); ++i) {
        EXPECT_LT(e.trials[i], e.trials[i - 1]);
        EXPECT_GE(e.trials[i], 0.1 * e.trials[i - 1] * (1 - 1e-15));
    }
    EXPECT_EQ(hdid, e.trials.back());
    EXPECT_EQ(x, hdid);
    EXPECT_NEAR(e.y[0], std::exp(hdid), 1e-10);
}

TEST(RungeKutta, BackwardsStepsStayNegative) {
    Exponential e;
    e.Derivs();
    TDoubleArray scale{1};
    double x = 0, hdid = 0, hnext = 0;
    e.rk.AdaptiveStep(e.yRefs, e.dRefs, scale, x, -1.0, hdid, hnext);
    EXPECT_LT(hdid, 0);
    EXPECT_LT(hnext, 0);
    EXPECT_EQ(x, hdid);
    for (double t : e.trials) EXPECT_LT(t, 0);
    EXPECT_NEAR(e.y[0], std::exp(hdid), 1e-10);
}

TEST(RungeKutta, ErrorExactlyAtTheLimitsOfTheStepRule) {
    // A trial step tells the error of step size 0.5; the scale is then chosen to put errmax
    // exactly on the boundary.
    Exponential probe;
    probe.Derivs();
    probe.rk.StartX = 0;
    probe.rk.TrialStep(probe.yRefs, probe.dRefs, 0.5);
    const double err = probe.rk.Err(0).MaxNorm();
    ASSERT_GT(err, 0);

    {  // errmax = 1 is accepted
        Exponential e;
        e.Derivs();
        e.rk.Eps = 1;
        TDoubleArray scale{err};
        double x = 0, hdid = 0, hnext = 0;
        e.rk.AdaptiveStep(e.yRefs, e.dRefs, scale, x, 0.5, hdid, hnext);
        EXPECT_EQ(hdid, 0.5);
        EXPECT_EQ(hnext, 0.9 * 0.5 * std::pow(1.0, -0.2));
    }
    {  // errmax = 1.89E-4 gives 5 h
        double eps = 1 / 1.89E-4;
        while (1 / eps != 1.89E-4) eps = std::nextafter(eps, 1.89E-4 > 1 / eps ? 0.0 : 1E300);
        Exponential e;
        e.Derivs();
        e.rk.Eps = eps;
        TDoubleArray scale{err};
        double x = 0, hdid = 0, hnext = 0;
        e.rk.AdaptiveStep(e.yRefs, e.dRefs, scale, x, 0.5, hdid, hnext);
        EXPECT_EQ(hdid, 0.5);
        EXPECT_EQ(hnext, 2.5);
    }
}

TEST(RungeKutta, StepsizeUnderflowLeavesTheStateUnmoved) {
    Exponential e;
    e.Derivs();
    e.rk.Eps = 1E-30;
    TDoubleArray scale{1E-30};
    double x = 1E20, hdid = 0, hnext = 0;
    try {
        e.rk.AdaptiveStep(e.yRefs, e.dRefs, scale, x, 1.0, hdid, hnext);
        FAIL() << "no underflow";
    } catch (const EKNError& err) {
        EXPECT_STREQ(err.what(), "Stepsize underflow");
    }
    EXPECT_EQ(x, 1E20);
    EXPECT_EQ(e.y[0], 1);
}

TEST(RungeKutta, NonFiniteErrorEndsTheStepInsteadOfLooping) {
    TRungeKutta rk(1, 1, 1E-12);
    TVector y(1), dydx(1);
    y[0] = 1;
    dydx[0] = 1;
    rk.OnDerivs = [](const TVectorArray&, const TVectorArray& out, double) { (*out[0])[0] = std::nan(""); };
    TVectorArray yRefs{&y}, dRefs{&dydx};
    TDoubleArray scale{1};
    double x = 0, hdid = 0, hnext = 0;
    std::feclearexcept(FE_ALL_EXCEPT);
    try {
        rk.AdaptiveStep(yRefs, dRefs, scale, x, 0.1, hdid, hnext);
        FAIL() << "accepted a NaN step";
    } catch (const EKNError& err) {
        EXPECT_STREQ(err.what(), "Coordinate out of range");
    }
    EXPECT_EQ(y[0], 1);
}

TEST(RungeKutta, PausedRunTakesANewAccuracyAtTheNextCycle) {
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "sun", 1, {0, 0}, {0, 0});
    AddParticle(sim, "planet", 1E-3, {1, 0}, {0, 1});
    sim.SetMethod(nmRKF);
    sim.SetCycles(1);
    sim.Rewind();
    sim.Prepare();
    sim.Step();
    const double loose = sim.SignedStep;
    sim.SetAccuracy(1E-20);
    const double before = sim.Time;
    sim.Step();
    // A much tighter tolerance rejects the proposed step and takes a smaller one.
    EXPECT_LT(sim.Time - before, loose);
}
