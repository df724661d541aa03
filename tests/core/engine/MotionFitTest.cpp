// The box of the coming motion, checked against real runs: bound particles keep their whole
// first period inside it, and it is not much larger than what they sweep; escaping particles and
// invisible ones do not widen it; a followed point sees the motion relative to it.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "engine/MotionFit.h"
#include "engine/SetupBuilding.h"
#include "engine/SimulationData.h"
#include "tests/core/engine/SimTestUtil.h"

using namespace kinetra;
using kinetra::test::AddParticle;
using kinetra::test::NewSetup;

namespace {

constexpr double TwoPi = 2 * 3.141592653589793;

void Orbit(TSimData& sim, int body, int centre) {
    TParticle& p = sim.Particles.Particles(body);
    p.InitialVelocity.Assign(CircularOrbitVelocity(sim, body, centre, 0, 1, false));
}

// Rewound to time 0 (without the Stoermer start-up step that Prepare would take).
void Finish(TSimData& sim) {
    sim.Rewind();
}

// A star with planets on circular orbits at radii 1 and 2, momentum zeroed.
void StarAndPlanets(TSimData& sim) {
    NewSetup(sim, 2);
    AddParticle(sim, "Sun", 1, {0, 0}, {0, 0});
    AddParticle(sim, "Body 1", 0.001, {1, 0}, {0, 0});
    AddParticle(sim, "Body 2", 0.001, {0, -2}, {0, 0});
    Orbit(sim, 1, 0);
    Orbit(sim, 2, 0);
    ZeroTotalMomentum(sim.Particles);
    Finish(sim);
}

// The charged pair: +1 and -1, masses 1, G = 0, k = 1, one unit apart.
void ChargedPair(TSimData& sim) {
    NewSetup(sim, 2);
    sim.Force->SetGravConstant(0);
    sim.Force->SetCoulombCoeff(1);
    AddParticle(sim, "Plus", 1, {0.5, 0.25}, {0, 0}, 0, 1);
    AddParticle(sim, "Minus", 1, {-0.5, 0.25}, {0, 0}, 0, -1);
    Orbit(sim, 1, 0);
    ZeroTotalMomentum(sim.Particles);
    Finish(sim);
}

// An eccentric pair under a power of -1.5.
void EccentricPair(TSimData& sim) {
    NewSetup(sim, 2);
    sim.Force->SetPower(-1.5);
    AddParticle(sim, "A", 1, {0, 0}, {0, 0});
    AddParticle(sim, "B", 0.01, {1, 0}, {0, 0.7});
    Finish(sim);
}

// What the visible particles sweep in a real run of `time` (RK4, small steps), relative to the
// followed point as MotionExtent takes it.
TMotionBox RunExtent(TSimData& sim, double time, int follow) {
    sim.Method = nmRK4;
    sim.SetCycles(1);
    const int steps = 6000;
    sim.TimeStep = time / steps;
    sim.Prepare();
    const auto ref = [&](int c) {
        if (follow >= 0) return sim.Particles.Particles(follow).Position[c];
        if (follow == FollowCenterOfMass) {
            sim.Particles.UpdateCenterOfMass();
            return sim.Particles.CenterOfMass()[c];
        }
        return 0.0;
    };
    const double x0 = ref(0), y0 = ref(1);
    TMotionBox box;
    for (int s = 0; s <= steps; ++s) {
        if (s > 0) sim.Step();
        const double dx = ref(0) - x0, dy = ref(1) - y0;
        for (int i = 0; i < sim.Particles.Count(); ++i) {
            const TParticle& p = sim.Particles.Particles(i);
            if (!p.Invisible) box.Include(p.Position[0] - dx, p.Position[1] - dy);
        }
    }
    return box;
}

}  // namespace

TEST(MotionFit, BoundParticlesKeepTheirWholeFirstPeriodInTheBox) {
    struct TCase {
        const char* Name;
        std::function<void(TSimData&)> Make;
        double Period;  // of the widest orbit
        int Follow;
    };
    const TCase cases[] = {
        {"star with two circular planets", StarAndPlanets, TwoPi * std::sqrt(8 / 1.001), FollowNothing},
        {"the same, followed from the star", StarAndPlanets, TwoPi * std::sqrt(8 / 1.001), 0},
        {"charged pair", ChargedPair, TwoPi / std::sqrt(2.0), FollowNothing},
        {"eccentric pair, power -1.5", EccentricPair, TwoPi / std::sqrt(1.01), FollowCenterOfMass},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSimData sim;
        c.Make(sim);
        const TMotionBox fit = MotionExtent(sim, 0, 1, c.Follow);
        const TMotionBox run = RunExtent(sim, c.Period, c.Follow);
        ASSERT_FALSE(fit.Empty);
        const double w = run.MaxX - run.MinX, h = run.MaxY - run.MinY;
        const double tol = 0.01 * std::max(w, h);
        EXPECT_LE(fit.MinX, run.MinX + tol);
        EXPECT_GE(fit.MaxX, run.MaxX - tol);
        EXPECT_LE(fit.MinY, run.MinY + tol);
        EXPECT_GE(fit.MaxY, run.MaxY - tol);
        // Not much more than the motion itself.
        EXPECT_LT(fit.MaxX - fit.MinX, 1.1 * w + tol);
        EXPECT_LT(fit.MaxY - fit.MinY, 1.1 * h + tol);
    }
}

TEST(MotionFit, CountsOnlyWhatIsVisibleAndStaysBound) {
    // A comet leaving fast counts where it is; an invisible far particle not at all.
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "Sun", 1, {0, 0}, {0, 0});
    AddParticle(sim, "Planet", 0.001, {1, 0}, {0, 0});
    AddParticle(sim, "Comet", 1E-9, {0, 3}, {0, 10});
    AddParticle(sim, "Far", 1E-9, {100, 100}, {0, 0}).Invisible = true;
    Orbit(sim, 1, 0);
    Finish(sim);
    const TMotionBox box = MotionExtent(sim, 0, 1);
    EXPECT_NEAR(box.MinX, -1, 0.01);
    EXPECT_NEAR(box.MaxX, 1, 0.01);
    EXPECT_NEAR(box.MinY, -1, 0.01);
    EXPECT_NEAR(box.MaxY, 3, 1E-12);

    // A head-on fall passes the singular centre: the box stays between the two.
    TSimData fall;
    NewSetup(fall, 2);
    AddParticle(fall, "A", 1, {-5, 1}, {0, 0});
    AddParticle(fall, "B", 1, {5, 1}, {0, 0});
    const TMotionBox between = MotionExtent(fall, 0, 1);
    EXPECT_EQ(between.MinX, -5);
    EXPECT_EQ(between.MaxX, 5);
    EXPECT_NEAR(between.MinY, 1, 1E-9);
    EXPECT_NEAR(between.MaxY, 1, 1E-9);

    // A drifting pair: the box of a fixed view holds the drift, the centre of mass sees the circle.
    TSimData drift;
    NewSetup(drift, 2);
    AddParticle(drift, "A", 1, {0, 0}, {0, 0});
    AddParticle(drift, "B", 1, {1, 0}, {0, 0});
    Orbit(drift, 1, 0);
    ZeroTotalMomentum(drift.Particles);
    for (int i = 0; i < 2; ++i) drift.Particles.Particles(i).InitialVelocity[0] += 3;
    Finish(drift);
    const TMotionBox fixed = MotionExtent(drift, 0, 1);
    const TMotionBox centred = MotionExtent(drift, 0, 1, FollowCenterOfMass);
    EXPECT_GT(fixed.MaxX - fixed.MinX, 10);
    EXPECT_NEAR(centred.MaxX - centred.MinX, 1, 0.01);
    EXPECT_NEAR(centred.MaxY - centred.MinY, 1, 0.01);

    // Nothing visible: an empty box; the setup itself is never touched.
    for (int i = 0; i < 2; ++i) drift.Particles.Particles(i).Invisible = true;
    const TVector before = drift.Particles.Particles(1).Position;
    EXPECT_TRUE(MotionExtent(drift, 0, 1).Empty);
    EXPECT_TRUE(drift.Particles.Particles(1).Position.Equals(before));
}

TEST(MotionFit, AccelerationsFollowTheForceLaw) {
    // The force model's own examples: defaults, then charges with k = 2 (repulsion).
    TSimData sim;
    NewSetup(sim, 2);
    AddParticle(sim, "A", 1, {0, 0}, {0, 0}, 0, 1);
    AddParticle(sim, "B", 1, {2, 0}, {0, 0}, 0, 1);
    std::vector<TVector> a = Accelerations(sim);
    EXPECT_DOUBLE_EQ(a[0][0], 0.25);
    EXPECT_DOUBLE_EQ(a[1][0], -0.25);
    sim.Force->SetCoulombCoeff(2);
    a = Accelerations(sim);
    EXPECT_DOUBLE_EQ(a[0][0], -0.25);
    EXPECT_DOUBLE_EQ(a[1][0], 0.25);
    EXPECT_EQ(a[0][1], 0);
}
