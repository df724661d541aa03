// The simulation state: parameters and their validation, preparation, and the step driver.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "base/KNUtils.h"
#include "engine/RKF.h"
#include "engine/SimOptionValues.h"
#include "engine/SimulationData.h"
#include "tests/core/engine/SimTestUtil.h"

using namespace kinetra;
using kinetra::test::AddParticle;
using kinetra::test::NewSetup;

namespace {

template <typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "<no error>";
}

}  // namespace

TEST(SimDataParameters, DefaultsOfANewSimulation) {
    TSimData sim;
    EXPECT_EQ(sim.Dimensions, 1);
    EXPECT_EQ(sim.Method, nmStoermer);
    EXPECT_EQ(sim.TimeStep, 0.002);
    EXPECT_EQ(sim.Cycles, 10);
    EXPECT_EQ(sim.Accuracy, 1E-12);
    EXPECT_EQ(sim.SignedStep, 0);
    EXPECT_EQ(sim.Time, 0);
    EXPECT_FALSE(sim.Collisions);
    EXPECT_EQ(sim.Particles.Count(), 0);
    EXPECT_EQ(sim.Force->GravConstant(), 1);
    EXPECT_EQ(sim.Force->GetPower(), -2);
}

TEST(SimDataParameters, ValidatingSettersRefuseAndKeepTheirValue) {
    TSimData sim;
    sim.SetCycles(200);
    EXPECT_EQ(sim.Cycles, 200);
    EXPECT_EQ(MessageOf([&] { sim.SetCycles(0); }), "Computation cycles must be between 1 and 200");
    EXPECT_THROW(sim.SetCycles(201), EKNError);
    EXPECT_EQ(sim.Cycles, 200);

    sim.SetAccuracy(1E-30);
    EXPECT_EQ(sim.Accuracy, 1E-30);
    EXPECT_EQ(MessageOf([&] { sim.SetAccuracy(9.9E-31); }), "Accuracy setting must be at least 1E-30");
    EXPECT_THROW(sim.SetAccuracy(std::nan("")), EKNError);
    EXPECT_EQ(sim.Accuracy, 1E-30);

    EXPECT_EQ(MessageOf([&] { sim.SetDimensions(0); }), "Dimensionality must be at least one.");
    EXPECT_EQ(sim.Dimensions, 1);
}

// Every entry of the method table: found by its name in any case, stored by its ordinal (with
// the accuracy when adaptive) and read back, stepped and reversed.
TEST(SimDataParameters, EveryMethodOfTheTableLoadsSavesStepsAndReverses) {
    for (size_t k = 0; k < NumMethods.size(); ++k) {
        const TMethodInfo& entry = NumMethods[k];
        SCOPED_TRACE(entry.Name);
        EXPECT_EQ(static_cast<size_t>(entry.Method), k);
        EXPECT_EQ(&MethodInfo(entry.Method), &entry);
        std::string lower = entry.Name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(MethodFromName(lower), entry.Method);
        EXPECT_NE(MethodNameList().find(entry.Name), std::string::npos);

        TSimData sim;
        NewSetup(sim, 2);
        AddParticle(sim, "Sun", 1, {0, 0}, {0, 0});
        AddParticle(sim, "Planet", 1E-3, {1, 0}, {0, 1});
        sim.SetMethod(entry.Method);
        sim.SetAccuracy(1E-9);
        EXPECT_EQ(sim.MethodName(), entry.Name);
        std::ostringstream saved;
        sim.SaveToStream(saved);
        TSimData loaded;
        std::istringstream in(saved.str());
        loaded.LoadFromStream(in);
        EXPECT_EQ(loaded.Method, entry.Method);
        EXPECT_EQ(loaded.Accuracy, entry.Adaptive ? 1E-9 : DefaultAccuracy);
        std::ostringstream again;
        loaded.SaveToStream(again);
        EXPECT_EQ(again.str(), saved.str());

        test::Rewind(loaded);
        loaded.Step();
        const double ahead = loaded.Time;
        EXPECT_GT(ahead, 0);
        // A fixed step advances the time by the cycles' steps; an adaptive one by its own.
        if (!entry.Adaptive) {
            EXPECT_NEAR(ahead, loaded.Cycles * loaded.TimeStep, 1E-15);
        }
        loaded.Reverse();
        loaded.Step();
        EXPECT_LT(loaded.Time, ahead);
        if (!entry.Adaptive) {
            EXPECT_NEAR(loaded.Time, 0, 1E-15);
            EXPECT_NEAR(loaded.Particles.Particles(1).Position[0], 1, 1E-3);
        }
    }
}

TEST(SimDataParameters, ClearKeepsRunSwitchesAndName) {
    TSimData sim;
    NewSetup(sim, 2);
    sim.Collisions = true;
    sim.FileName = "orbit.knx";
    sim.Notes = "text";
    sim.SetCycles(5);
    AddParticle(sim, "a", 1, {0, 0}, {0, 0});
    sim.Clear();
    EXPECT_TRUE(sim.Collisions);
    EXPECT_EQ(sim.FileName, "orbit.knx");
    EXPECT_EQ(sim.Dimensions, 2);
    EXPECT_EQ(sim.Notes, "");
    EXPECT_EQ(sim.Cycles, 10);
    EXPECT_EQ(sim.Particles.Count(), 0);
    EXPECT_EQ(sim.Particles.Dimensions(), 2);
}

TEST(SimDataParameters, TimeStepKeepsTheDirection) {
    TSimData sim;
    NewSetup(sim, 1);
    AddParticle(sim, "a", 1, {0}, {1});
    sim.SetMethod(nmEuler);
    sim.Rewind();
    sim.Prepare();
    sim.Reverse();
    sim.SetTimeStep(0.01);
    EXPECT_EQ(sim.SignedStep, -0.01);
    EXPECT_EQ(sim.TimeStep, 0.01);

    sim.SetMethod(nmRKF);
    const double adaptive = sim.SignedStep;
    sim.SetTimeStep(0.03);
    EXPECT_EQ(sim.SignedStep, adaptive);
    EXPECT_EQ(sim.TimeStep, 0.03);
}

TEST(SimDataParameters, ZeroNegativeOrNonFiniteTimeStepIsRefused) {
    TSimData sim;
    sim.SignedStep = 0.002;
    EXPECT_EQ(MessageOf([&] { sim.SetTimeStep(0); }), "Time step must not be zero");
    // The step is a magnitude; the direction is the run's.
    EXPECT_EQ(MessageOf([&] { sim.SetTimeStep(-0.1); }), "Time step must be positive");
    EXPECT_EQ(MessageOf([&] { sim.SetTimeStep(std::numeric_limits<double>::infinity()); }),
              "Invalid time step");
    EXPECT_EQ(MessageOf([&] { sim.SetTimeStep(std::nan("")); }), "Invalid time step");
    EXPECT_EQ(sim.TimeStep, 0.002);
    EXPECT_EQ(sim.SignedStep, 0.002);
}

TEST(SimDataParameters, PrepareReturnsAnAdaptiveRunToTheUsersStep) {
    TSimData sim;
    sim.TimeStep = 0.002;
    sim.SignedStep = 0.37;
    sim.Prepare();
    EXPECT_EQ(sim.SignedStep, 0.002);
    sim.SignedStep = -0.37;
    sim.Prepare();
    EXPECT_EQ(sim.SignedStep, -0.002);
    sim.SignedStep = 0;
    sim.TimeStep = 0.5;
    sim.Prepare();
    EXPECT_EQ(sim.SignedStep, DefaultTimeStep);
}

// |s| * TimeStep / s where that is finite and not zero (its last bit included); the step with
// the sign of s where the product overflows (|TimeStep| beyond about 1.3E154) or vanishes.
TEST(SimDataParameters, PrepareKeepsTheStepFiniteAndNonZero) {
    const struct {
        double TimeStep, Before, After;
    } cases[] = {
        {0.1, 0.37, 0.09999999999999999},  // the formula's rounding is kept
        {0.1, -3, -0.10000000000000002},  {1E154, 1E154, 1E154},          {1E200, 0.002, 1E200},
        {1E200, -1E200, -1E200},          {1.4E154, 1.4E154, 1.4E154},    {1E-170, 0.002, 1E-170},
        {1E-170, -1E-170, -1E-170},       {4.9E-324, 4.9E-324, 4.9E-324},
    };
    for (const auto& c : cases) {
        TSimData sim;
        NewSetup(sim, 1);
        AddParticle(sim, "free", 1, {0}, {1});
        sim.SetMethod(nmEuler);
        sim.TimeStep = c.TimeStep;
        sim.SignedStep = c.Before;
        sim.Prepare();
        EXPECT_EQ(sim.SignedStep, c.After) << c.TimeStep << " " << c.Before;
        sim.Step();
        EXPECT_TRUE(std::isfinite(sim.Time) && sim.Time != 0 &&
                    std::signbit(sim.Time) == std::signbit(c.After))
            << c.TimeStep << " " << c.Before;
    }
}

TEST(SimDataParameters, SetAccuracyReachesAPreparedIntegratorAtOnce) {
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "a", 1, {0, 0}, {0, 1});
    sim.SetMethod(nmRKF);
    ASSERT_NE(sim.Integrator, nullptr);
    sim.SetAccuracy(1E-6);
    EXPECT_EQ(sim.Integrator->Eps, 1E-6);
}

TEST(SimDataParameters, RewindRestoresInitialStateAndCentreOfMass) {
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "a", 1, {0, 0}, {0, 0});
    AddParticle(sim, "b", 1, {2, 0}, {0, 0});
    sim.SetMethod(nmRK4);
    sim.Rewind();
    sim.Prepare();
    sim.Step();
    EXPECT_NE(sim.Particles.Particles(0).Position[0], 0);
    sim.Rewind();
    EXPECT_EQ(sim.Time, 0);
    EXPECT_EQ(sim.SignedStep, sim.TimeStep);
    EXPECT_EQ(sim.Particles.Particles(0).Position[0], 0);
    EXPECT_EQ(sim.Particles.CenterOfMass()[0], 1);
}

// ---------------------------------------------------------------------------------------------
// The step driver

TEST(StepDriver, EulerAddsTheStepOncePerCycle) {
    TSimData sim;
    NewSetup(sim, 1);
    AddParticle(sim, "a", 1, {0}, {1});
    sim.SetMethod(nmEuler);
    sim.Rewind();
    sim.Prepare();
    int drawn = 0;
    sim.OnStepDone = [&] { ++drawn; };
    sim.Step();
    double expected = 0;
    for (int i = 0; i < 10; ++i) expected = expected + 0.002;
    EXPECT_EQ(sim.Time, expected);
    EXPECT_EQ(drawn, 1);
}

TEST(StepDriver, LoneParticleMovesOnAStraightLineWithEveryMethod) {
    for (int m = 0; m < 6; ++m) {
        SCOPED_TRACE(m);
        TSimData sim;
        NewSetup(sim, 2);
        AddParticle(sim, "a", 1, {1, 2}, {3, -4});
        sim.SetMethod(static_cast<TNumMethod>(m));
        sim.Rewind();
        sim.Prepare();
        const double h = 0.002;
        if (m == nmStoermer) {
            // The start-up step has moved it one step ahead already.
            EXPECT_DOUBLE_EQ(sim.Particles.Particles(0).Position[0], 1 + 3 * h);
        } else {
            EXPECT_EQ(sim.Particles.Particles(0).Position[0], 1);
        }
        sim.Step();
        const TParticle& p = sim.Particles.Particles(0);
        const double t = m == nmStoermer ? sim.Time + h : sim.Time;
        EXPECT_NEAR(p.Position[0], 1 + 3 * t, 1e-9);
        EXPECT_NEAR(p.Position[1], 2 - 4 * t, 1e-9);
        EXPECT_NEAR(p.Velocity[0], 3, 1e-12);
        EXPECT_NEAR(p.Velocity[1], -4, 1e-12);
        // Without forces the error estimate vanishes and RKF grows its step fivefold.
        if (m != nmRKF) {
            EXPECT_NEAR(sim.Time, 10 * h, 1e-15);
        }
    }
}

TEST(StepDriver, CollisionInCycleThreeStopsTheStepBeforeTimeAndDrawing) {
    TSimData sim;
    NewSetup(sim, 1);
    sim.Force->SetGravConstant(0);
    AddParticle(sim, "left", 1, {0}, {1.5}, 1);
    AddParticle(sim, "right", 1, {10}, {-1.5}, 1);
    sim.SetMethod(nmEuler);
    sim.TimeStep = 1;
    sim.Collisions = true;
    sim.Rewind();
    sim.Prepare();
    std::vector<std::pair<int, int>> pairs;
    sim.Particles.OnCollision = [&](int i, int j) { pairs.emplace_back(i, j); };
    bool drawn = false;
    sim.OnStepDone = [&] { drawn = true; };
    try {
        sim.Step();
        FAIL() << "no collision";
    } catch (const EAbort& e) {
        EXPECT_STREQ(e.what(), "Collision");
    }
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0], std::make_pair(0, 1));
    EXPECT_EQ(sim.Time, 2);
    EXPECT_FALSE(drawn);
}

TEST(StepDriver, OverflowBecomesCoordinateOutOfRangeWithoutDrawing) {
    for (TNumMethod m : {nmEuler, nmRK4, nmStoermer, nmRKF}) {
        SCOPED_TRACE(static_cast<int>(m));
        TSimData sim;
        NewSetup(sim, 1);
        AddParticle(sim, "fast", 1, {0}, {1E307});
        sim.SetMethod(m);
        sim.TimeStep = 1E10;
        sim.Rewind();
        bool drawn = false;
        sim.OnStepDone = [&] { drawn = true; };
        try {
            sim.Prepare();
            for (int i = 0; i < 3; ++i) sim.Step();
            FAIL() << "no error";
        } catch (const EKNError& e) {
            EXPECT_STREQ(e.what(), "Coordinate out of range");
        } catch (const EMathError&) {
            // Stoermer's start-up step may already overflow while preparing.
            EXPECT_EQ(m, nmStoermer);
        }
        EXPECT_FALSE(drawn);
        EXPECT_EQ(sim.Time, 0);
    }
}

// A time that would leave the range fails the step like a coordinate and keeps the cycles
// completed before it: nobody is shown an infinite time.
TEST(StepDriver, ATimeBeyondTheRangeFailsAndKeepsTheCyclesBefore) {
    TSimData sim;
    NewSetup(sim, 1);
    sim.SetMethod(nmEuler);
    sim.SetTimeStep(1E308);
    sim.Rewind();
    sim.Prepare();
    EXPECT_EQ(MessageOf([&] { sim.Step(); }), "Coordinate out of range");
    EXPECT_EQ(sim.Time, 1E308);
}

TEST(StepDriver, CoincidentParticlesFailWithCoordinateOutOfRange) {
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "a", 1, {0, 0}, {1, 0});
    AddParticle(sim, "b", 1, {1, 0}, {0, 0});
    sim.SetMethod(nmEuler);
    sim.TimeStep = 1;
    sim.Cycles = 1;
    sim.Rewind();
    sim.Prepare();
    sim.Step();  // a lands exactly on b
    EXPECT_THROW(sim.Step(), EKNError);
}

TEST(StepDriver, StoermerReverseAfterPrepareReturnsCloseToTheStart) {
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "sun", 1000, {0, 0}, {0, 0});
    AddParticle(sim, "planet", 1, {1, 0}, {0, 30});
    sim.SetMethod(nmStoermer);
    sim.Rewind();
    sim.Prepare();
    const TParticle& p = sim.Particles.Particles(1);
    const double ahead = p.Position[1];
    EXPECT_NEAR(ahead, 30 * 0.002, 1e-4);
    sim.Reverse();
    // Back to the start up to terms of order h^2.
    EXPECT_NEAR(p.Position[1], 0, 2e-4);
    EXPECT_NEAR(p.Position[0], 1 - 1000 * 0.002 * 0.002, 5e-5);
    EXPECT_LT(std::fabs(p.Position[1]), ahead / 100);
}

TEST(StepDriver, SameSetupTwiceGivesIdenticalBits) {
    auto run = [](TNumMethod m) {
        TSimData sim;
        NewSetup(sim, 3);
        AddParticle(sim, "a", 1, {0, 0, 0}, {0, 0.3, 0.1});
        AddParticle(sim, "b", 0.5, {1, 0.2, 0}, {0, -0.4, 0});
        AddParticle(sim, "c", 0.2, {-1, 0.5, 0.3}, {0.1, 0, -0.2});
        sim.SetMethod(m);
        sim.Rewind();
        sim.Prepare();
        for (int i = 0; i < 20; ++i) sim.Step();
        std::vector<double> state;
        for (int i = 0; i < 3; ++i)
            for (int c = 0; c < 3; ++c) {
                state.push_back(sim.Particles.Particles(i).Position[c]);
                state.push_back(sim.Particles.Particles(i).Velocity[c]);
            }
        state.push_back(sim.Time);
        return state;
    };
    for (int m = 0; m < 6; ++m) EXPECT_EQ(run(static_cast<TNumMethod>(m)), run(static_cast<TNumMethod>(m)));
}

TEST(StepDriver, MomentaOnlyWhileInfoIsWanted) {
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "a", 2, {1, 0}, {0, 1});
    sim.SetMethod(nmEuler);
    sim.Rewind();
    sim.Prepare();
    sim.Step();
    EXPECT_EQ(sim.Particles.TotalMomentum()[1], 0);
    sim.InfoWanted = true;
    sim.Step();
    EXPECT_EQ(sim.Particles.TotalMomentum()[1], 2);
    EXPECT_NEAR(sim.Particles.PlanarAngularMomentum, 2, 1e-12);
}

TEST(StepDriver, StepPreparesWorkThatNoLongerFitsTheParticles) {
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "a", 1, {0, 0}, {1, 0});
    sim.SetMethod(nmRK4);
    AddParticle(sim, "b", 1, {5, 0}, {0, 0});  // added after the work arrays were made
    EXPECT_NO_THROW(sim.Step());
}

// Energies that cannot be computed raise the floating-point error instead of giving -inf or NaN.
TEST(Energies, ThatCannotBeComputedRaiseTheFloatingPointError) {
    // A massless probe meets the heavy body exactly at the end of step 4 (Euler, G = 0, so the
    // probe moves on a straight line): the step completes, its potential is 0 * -inf.
    TSimData sim;
    sim.FileName = std::string(KINETRA_TEST_DATA) + "/MeetAtStep4.knx";
    sim.LoadFromFile();
    sim.Rewind();
    sim.Prepare();
    for (int step = 1; step <= 4; ++step) {
        EXPECT_EQ(sim.PotentialEnergy(), 0) << step;
        sim.Step();
    }
    EXPECT_EQ(sim.Particles.Particles(1).Position[0], 0);
    EXPECT_EQ(MessageOf([&] { sim.PotentialEnergy(); }), "Floating point division by zero");
    EXPECT_EQ(sim.KineticEnergy(), 0);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double Mass, Position, Velocity;
        const char* Potential;
        const char* Kinetic;
    } cases[] = {
        {1E200, 1, 0, "Floating point overflow", "0"},         // m_i * m_j
        {1, nan, 0, "Invalid floating point operation", "0"},  // NaN without a flag
        {1, 1, 1E200, "-1", "Floating point overflow"},        // |v|^2
        {1, 1, nan, "-1", "Invalid floating point operation"},
    };
    for (const auto& c : cases) {
        NewSetup(sim, 1);
        AddParticle(sim, "A", c.Mass, {0}, {0});
        TParticle& b = AddParticle(sim, "B", c.Mass, {1}, {0});
        b.Position[0] = c.Position;
        b.Velocity[0] = c.Velocity;
        const auto text = [](double value) { return FormatGeneral(value, 15); };
        EXPECT_EQ(MessageOf([&] { throw std::runtime_error(text(sim.PotentialEnergy())); }), c.Potential);
        EXPECT_EQ(MessageOf([&] { throw std::runtime_error(text(sim.KineticEnergy())); }), c.Kinetic);
    }
}
