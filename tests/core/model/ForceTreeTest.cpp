// The force tree: its accelerations and potential against the exact sum for every dimension it
// serves, several powers of distance and charges of one sign; the same bits for 1 and 2 threads;
// the refusals (opening angle, dimensions, masses or charges of both signs).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/KNUtils.h"
#include "model/Forces.h"

using namespace kinetra;

namespace {

// n bodies in a clumped cloud (two Gaussian blobs), masses in [0.5, 1.5), charges charge * [0.5, 1.5).
void Fill(TParticlesList& list, int n, unsigned seed, double charge = 0, double massSign = 1) {
    std::mt19937_64 random(seed);
    std::normal_distribution<double> normal(0, 1);
    std::uniform_real_distribution<double> uniform(0.5, 1.5);
    const int d = list.Dimensions();
    for (int i = 0; i < n; ++i) {
        auto p = std::make_unique<TParticle>("p" + std::to_string(i), d);
        for (int c = 0; c < d; ++c) p->InitialPosition[c] = normal(random) + (i % 2 ? 3 : 0);
        p->Position.Assign(p->InitialPosition);
        p->Mass = massSign * uniform(random);
        p->SetCharge(charge * uniform(random));
        list.AddParticle(std::move(p));
    }
}

struct TRun {
    std::vector<double> A;  // accelerations, D per particle
    double U = 0;
};

TRun Evaluated(TParticlesList& list, double theta, double power, double k, int threads) {
    TForce force(list);
    force.SetPower(power);
    force.SetCoulombCoeff(k);
    force.SetThreads(threads);
    force.SetParallelFrom(2);
    if (theta > 0) force.SetTreeAngle(theta);
    force.BuildPairTables();
    force.ComputePairTerms();
    TRun run;
    for (int i = 0; i < list.Count(); ++i) {
        const TVector& a = force.Acceleration(i);
        for (int c = 0; c < list.Dimensions(); ++c) run.A.push_back(a[c]);
    }
    run.U = force.PotentialEnergy();
    return run;
}

// The median relative error of the accelerations of `tree` against `exact`.
double MedianError(const TRun& tree, const TRun& exact, int d) {
    std::vector<double> errors;
    for (size_t i = 0; i < exact.A.size(); i += static_cast<size_t>(d)) {
        double diff = 0;
        double size = 0;
        for (size_t c = 0; c < static_cast<size_t>(d); ++c) {
            diff += (tree.A[i + c] - exact.A[i + c]) * (tree.A[i + c] - exact.A[i + c]);
            size += exact.A[i + c] * exact.A[i + c];
        }
        errors.push_back(std::sqrt(diff / size));
    }
    std::nth_element(errors.begin(), errors.begin() + static_cast<long>(errors.size() / 2), errors.end());
    return errors[errors.size() / 2];
}

}  // namespace

TEST(ForceTree, FollowsTheExactSumInEveryDimensionPowerAndWithChargesOfOneSign) {
    struct TCase {
        int Dimensions;
        double Power;
        double Charge;
        double K;
        double MassSign;
        double Median;  // the largest median relative error accepted at θ = 0.5
    };
    const TCase cases[] = {
        {1, -2, 0, 0, 1, 1e-3},      {2, -2, 0, 0, 1, 1e-3},   {3, -2, 0, 0, 1, 1e-3},
        {3, -1, 0, 0, 1, 1e-3},      {3, -1.5, 0, 0, 1, 1e-3}, {2, 1, 0, 0, 1, 1e-12},
        {3, 0.5, 0, 0, 1, 1e-3},     {3, -2, 1, 0.5, 1, 1e-3}, {3, -2, -1, 0.5, 1, 1e-3},
        {2, -2, 1, -0.25, -1, 1e-3},
    };
    for (const TCase& t : cases) {
        SCOPED_TRACE("dimensions " + std::to_string(t.Dimensions) + ", power " + std::to_string(t.Power) +
                     ", charge " + std::to_string(t.Charge));
        TParticlesList list(t.Dimensions);
        Fill(list, 1500, 7, t.Charge, t.MassSign);
        const TRun exact = Evaluated(list, 0, t.Power, t.K, 1);
        const TRun tree = Evaluated(list, 0.5, t.Power, t.K, 1);
        EXPECT_LT(MedianError(tree, exact, t.Dimensions), t.Median);
        EXPECT_NEAR(tree.U, exact.U, 1e-3 * std::fabs(exact.U));
        // A smaller angle is closer.
        const TRun fine = Evaluated(list, 0.2, t.Power, t.K, 1);
        EXPECT_LE(MedianError(fine, exact, t.Dimensions),
                  std::max(MedianError(tree, exact, t.Dimensions), 1e-12));
    }
}

TEST(ForceTree, GivesTheSameBitsForOneAndTwoThreads) {
    for (int d : {1, 2, 3}) {
        TParticlesList list(d);
        Fill(list, 3000, 11, 1);
        const TRun one = Evaluated(list, 0.7, -2, 0.25, 1);
        const TRun two = Evaluated(list, 0.7, -2, 0.25, 2);
        ASSERT_EQ(one.A.size(), two.A.size());
        EXPECT_EQ(std::memcmp(one.A.data(), two.A.data(), one.A.size() * sizeof(double)), 0) << d;
        EXPECT_EQ(std::memcmp(&one.U, &two.U, sizeof(double)), 0) << d;
    }
}

TEST(ForceTree, IsRefusedWhereItCannotServe) {
    TParticlesList list(3);
    Fill(list, 10, 3);
    TForce force(list);
    for (double theta : {0.0, -0.5, std::numeric_limits<double>::quiet_NaN(), 1.6})
        EXPECT_THROW(force.SetTreeAngle(theta), EKNError) << theta;
    EXPECT_EQ(force.TreeAngle(), 0);
    const auto message = [](TParticlesList& bodies, double k) {
        TForce f(bodies);
        f.SetCoulombCoeff(k);
        f.SetTreeAngle(0.5);
        f.BuildPairTables();
        try {
            f.ComputePairTerms();
        } catch (const EKNError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    TParticlesList four(4);
    Fill(four, 10, 3);
    TForce fourForce(four);
    EXPECT_THROW(fourForce.SetTreeAngle(0.5), EKNError);
    TParticlesList mixed(3);
    Fill(mixed, 10, 3, 1);
    mixed.Particles(4).SetCharge(-1);
    EXPECT_NE(message(mixed, 1).find("charges of one sign"), std::string::npos);
    // Without a Coulomb force the charges play no part.
    EXPECT_EQ(message(mixed, 0), "");
    EXPECT_EQ(message(list, 0), "");
}
