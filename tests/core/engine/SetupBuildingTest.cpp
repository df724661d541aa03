// Building a setup by hand: circular orbits checked against a real run under each force law,
// zero total momentum, and the name and colour of a new particle.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/KNUtils.h"
#include "engine/SetupBuilding.h"
#include "engine/SimulationData.h"
#include "tests/core/engine/SimTestUtil.h"

using namespace kinetra;
using kinetra::test::AddParticle;
using kinetra::test::NewSetup;

namespace {

struct TBody {
    double Mass;
    double Charge;
    std::vector<double> Position;
    std::vector<double> Velocity;
};

struct TOrbitCase {
    const char* Name;
    int Dims;
    double G, K, Power;
    TBody Centre, Body;
    bool Clockwise;
};

void Build(TSimData& sim, int dims, double g, double k, double power, const std::vector<TBody>& bodies) {
    NewSetup(sim, dims);
    sim.Force->SetGravConstant(g);
    sim.Force->SetCoulombCoeff(k);
    sim.Force->SetPower(power);
    int i = 0;
    for (const TBody& b : bodies) {
        auto p = std::make_unique<TParticle>("P" + std::to_string(i++), dims);
        p->Mass = b.Mass;
        p->SetCharge(b.Charge);
        for (size_t c = 0; c < b.Position.size(); ++c)
            p->InitialPosition[static_cast<int>(c)] = b.Position[c];
        for (size_t c = 0; c < b.Velocity.size(); ++c)
            p->InitialVelocity[static_cast<int>(c)] = b.Velocity[c];
        p->ResetToInitial();
        sim.Particles.AddParticle(std::move(p));
    }
}

// Runs one relative period with RK4 and returns the largest relative change of the distance,
// and the sign of the angular momentum in the screen plane at the start.
std::pair<double, double> RunOrbit(TSimData& sim, double period) {
    sim.Method = nmRK4;
    sim.SetCycles(1);
    const int steps = 4000;
    sim.TimeStep = period / steps;
    sim.Rewind();
    sim.Prepare();
    const auto distance = [&] {
        return sim.Particles.Particles(1).Position.Distance(sim.Particles.Particles(0).Position);
    };
    const double d0 = distance();
    double worst = 0;
    for (int s = 0; s < steps; ++s) {
        sim.Step();
        worst = std::max(worst, std::abs(distance() / d0 - 1));
    }
    return {worst, d0};
}

}  // namespace

TEST(CircularOrbit, KeepsTheDistanceUnderEveryForceLaw) {
    const TOrbitCase cases[] = {
        {"gravity", 2, 1, 0, -2, {1, 0, {0, 0}, {0.3, -0.2}}, {0.001, 0, {1, 0}, {}}, false},
        {"Coulomb", 2, 0, 1, -2, {1, 1, {-0.5, 0}, {}}, {1, -1, {0.5, 0}, {}}, true},
        {"gravity and Coulomb", 2, 1, 0.5, -2, {1, 1, {0, 0}, {}}, {1, 1, {0, 2}, {}}, false},
        {"power -1.5", 2, 1, 0, -1.5, {2, 0, {0, 0}, {}}, {1, 0, {0.6, -0.8}, {}}, false},
        {"power 1", 2, 1, 0, 1, {1, 0, {1, 1}, {}}, {1, 0, {3, 1}, {}}, true},
        {"power -1 (logarithmic potential)", 2, 1, 0, -1, {1, 0, {0, 0}, {}}, {0.5, 0, {0, -3}, {}}, false},
        {"three dimensions, out of the screen plane",
         3,
         1,
         0,
         -2,
         {1, 0, {0, 0, 0}, {0, 0, 0.1}},
         {0.01, 0, {1, 0, 0.5}, {}},
         false},
        {"massless body", 2, 1, 0, -2, {1, 0, {0, 0}, {}}, {0, 0, {0, 1.5}, {}}, true},
    };
    for (const TOrbitCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSimData sim;
        Build(sim, c.Dims, c.G, c.K, c.Power, {c.Centre, c.Body});
        const TVector v = CircularOrbitVelocity(sim, 1, 0, 0, 1, c.Clockwise);
        TParticle& body = sim.Particles.Particles(1);
        const TParticle& centre = sim.Particles.Particles(0);
        body.InitialVelocity.Assign(v);
        body.ResetToInitial();

        TVector r(c.Dims), u(c.Dims);
        r.Assign(body.InitialPosition);
        r.Subtract(centre.InitialPosition);
        u.Assign(body.InitialVelocity);
        u.Subtract(centre.InitialVelocity);
        // The relative velocity is perpendicular to the relative position and turns as asked.
        double ru = 0;
        for (int k = 0; k < c.Dims; ++k) ru += r[k] * u[k];
        EXPECT_NEAR(ru, 0, 1E-12);
        const double turn = r[0] * u[1] - r[1] * u[0];
        EXPECT_EQ(turn < 0, c.Clockwise);

        const double period = 2 * 3.141592653589793 * r.Norm() / u.Norm();
        const auto [worst, d0] = RunOrbit(sim, period);
        EXPECT_GT(d0, 0);
        EXPECT_LT(worst, 1E-9);
    }
}

// A star with two planets, each put on its circular orbit about the star: the outer planet
// circles the star with the inner planet, so its distance from their centre of mass stays within
// the inner planet's tidal pull rather than swinging with the star's reflex motion.
TEST(CircularOrbit, AnOuterPlanetCirclesTheStarWithTheInnerOne) {
    TSimData sim;
    Build(sim, 2, 1, 0, -2, {{1, 0, {0, 0}, {}}, {0.001, 0, {2, 0}, {}}, {0.001, 0, {4, 0}, {}}});
    for (int planet : {1, 2})
        sim.Particles.Particles(planet).InitialVelocity.Assign(
            CircularOrbitVelocity(sim, planet, 0, 0, 1, false));
    ZeroTotalMomentum(sim.Particles);
    // The outer planet's velocity about the inner system (star and inner planet, masses 1 and
    // 0.001): the inner system's velocity plus sqrt(G (1.001 + 0.001) / d).
    const TParticle& star = sim.Particles.Particles(0);
    const TParticle& inner = sim.Particles.Particles(1);
    const TParticle& outer = sim.Particles.Particles(2);
    const double d = 4 - 0.002 / 1.001;
    const double innerSystem = (star.InitialVelocity[1] + 0.001 * inner.InitialVelocity[1]) / 1.001;
    EXPECT_NEAR(outer.InitialVelocity[1] - innerSystem, std::sqrt(1.002 / d), 1E-15);

    sim.Method = nmRK4;
    sim.SetCycles(10);
    sim.TimeStep = 0.002;
    sim.Rewind();
    sim.Prepare();
    double lowest = d, highest = d;
    // Two periods of the outer planet (about 50 each).
    for (int s = 0; s < 5000; ++s) {
        sim.Step();
        TVector centre(2);
        centre.AddScaled(star.Position, 1);
        centre.AddScaled(inner.Position, 0.001);
        centre.Scale(1 / 1.001);
        const double r = outer.Position.Distance(centre);
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_LT((highest - lowest) / d, 2E-3);
}

TEST(CircularOrbit, RefusesWhatHasNoCircularOrbit) {
    struct TCase {
        const char* Name;
        int Dims;
        double G, K;
        TBody Centre, Body;
        int Body_, XDim, YDim;
        std::string Message;
    };
    const TCase cases[] = {
        {"one dimension", 1, 1, 0, {1, 0, {0}, {}}, {1, 0, {1}, {}}, 1, 0, 0, MsgOrbitNeedsTwoDimensions},
        {"one dimension on both axes",
         2,
         1,
         0,
         {1, 0, {0, 0}, {}},
         {1, 0, {1, 0}, {}},
         1,
         1,
         1,
         MsgOrbitNeedsTwoAxes},
        {"itself", 2, 1, 0, {1, 0, {0, 0}, {}}, {1, 0, {1, 0}, {}}, 0, 0, 1, MsgOrbitAboutItself},
        {"one place on screen",
         3,
         1,
         0,
         {1, 0, {0, 0, 0}, {}},
         {1, 0, {0, 0, 1}, {}},
         1,
         0,
         1,
         "No circular orbit: P1 and P0 are at one place in the screen plane"},
        {"like charges repel",
         2,
         0,
         1,
         {1, 1, {0, 0}, {}},
         {1, 1, {1, 0}, {}},
         1,
         0,
         1,
         "No circular orbit: P1 and P0 do not attract each other"},
        {"no force at all",
         2,
         0,
         0,
         {1, 0, {0, 0}, {}},
         {1, 0, {1, 0}, {}},
         1,
         0,
         1,
         "No circular orbit: P1 and P0 do not attract each other"},
        {"two massless bodies",
         2,
         1,
         0,
         {0, 0, {0, 0}, {}},
         {0, 0, {1, 0}, {}},
         1,
         0,
         1,
         "No circular orbit: P1 and P0 do not attract each other"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSimData sim;
        Build(sim, c.Dims, c.G, c.K, -2, {c.Centre, c.Body});
        try {
            CircularOrbitVelocity(sim, c.Body_, 0, c.XDim, c.YDim, false);
            ADD_FAILURE() << "not refused";
        } catch (const EKNError& e) {
            EXPECT_EQ(e.what(), c.Message);
        }
    }
}

TEST(ZeroMomentum, ShiftsEveryVelocityAlikeUntilTheTotalIsZero) {
    TSimData sim;
    Build(sim, 2, 1, 0, -2,
          {{1, 0, {0, 0}, {0.5, 0}},
           {0.001, 0, {1, 0}, {0, 1}},
           {0.002, 0, {-2, 0}, {0, -0.7}},
           {0, 0, {5, 5}, {1, 1}}});
    std::vector<TVector> before;
    for (int i = 0; i < 4; ++i) before.push_back(sim.Particles.Particles(i).InitialVelocity);
    ZeroTotalMomentum(sim.Particles);
    TVector total(2);
    for (int i = 0; i < 4; ++i) {
        const TParticle& p = sim.Particles.Particles(i);
        total.AddScaled(p.InitialVelocity, p.Mass);
        // Every velocity, the massless one's too, moved by one vector.
        TVector shift(2);
        shift.Assign(p.InitialVelocity);
        shift.Subtract(before[static_cast<size_t>(i)]);
        EXPECT_NEAR(shift[0], -0.5 / 1.003, 1E-15);
        EXPECT_NEAR(shift[1], -(0.001 - 0.0014) / 1.003, 1E-15);
    }
    EXPECT_LT(total.Norm(), 1E-16);

    TSimData massless;
    Build(massless, 2, 1, 0, -2, {{0, 0, {0, 0}, {1, 0}}});
    try {
        ZeroTotalMomentum(massless.Particles);
        ADD_FAILURE() << "not refused";
    } catch (const EKNError& e) {
        EXPECT_STREQ(e.what(), MsgMomentumNeedsMass);
    }
    EXPECT_EQ(massless.Particles.Particles(0).InitialVelocity[0], 1);
}

TEST(NewParticle, TakesTheNextFreeNameAndColour) {
    struct TCase {
        std::vector<std::string> Names;
        std::vector<int> Colours;
        std::string Name;
        int Colour;
    };
    std::vector<int> everyColourOnce;
    for (int c = 0; c < 14; ++c) everyColourOnce.push_back(c);
    std::vector<int> zeroTwice = everyColourOnce;
    zeroTwice.push_back(0);
    std::vector<int> allButThreeTwice;
    for (int c = 0; c < 14; ++c) {
        allButThreeTwice.push_back(c);
        if (c != 3) allButThreeTwice.push_back(c);
    }
    const TCase cases[] = {
        {{}, {}, "Body 1", 0},
        {{"Sun"}, {0}, "Body 1", 1},
        {{"Body 1", "body 3", "Sun"}, {0, 1, 2}, "Body 4", 3},
        {{"Body x", "Body 2a", "Body ", "Bodies 5"}, {5, 0, 1, 2}, "Body 1", 3},
        {{"Body 99999999999999999999"}, {13}, "Body 1", 0},
        {std::vector<std::string>(14, "Sun"), everyColourOnce, "Body 1", 0},
        {std::vector<std::string>(15, "Sun"), zeroTwice, "Body 1", 1},
        {std::vector<std::string>(27, "Sun"), allButThreeTwice, "Body 1", 3},
    };
    for (const TCase& c : cases) {
        TParticlesList list(2);
        for (size_t i = 0; i < c.Names.size(); ++i) {
            auto p = std::make_unique<TParticle>(c.Names[i], 2);
            p->InitialPosition[0] = static_cast<double>(i);
            p->ColourIndex = c.Colours[i];
            list.AddParticle(std::move(p));
        }
        EXPECT_EQ(NextParticleName(list), c.Name);
        EXPECT_EQ(NextColourIndex(list), c.Colour);
    }
}
