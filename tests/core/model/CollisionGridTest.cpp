// The collision check of many particles reports the pair that the plain loop over i < j reports,
// on random setups in 1 to 3 dimensions with and without collisions, radii of mixed sizes and
// particles at places that touch nothing (infinite, NaN).
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "base/KNUtils.h"
#include "model/Particles.h"

using namespace kinetra;

namespace {

std::pair<int, int> Plain(const TParticlesList& list) {
    for (int i = 0; i < list.Count(); ++i)
        for (int j = i + 1; j < list.Count(); ++j) {
            const TParticle& a = list.Particles(i);
            const TParticle& b = list.Particles(j);
            if (a.Position.Distance(b.Position) < a.Radius() + b.Radius()) return {i, j};
        }
    return {-1, -1};
}

// What CheckCollisions reports.
std::pair<int, int> Checked(TParticlesList& list) {
    std::pair<int, int> seen{-1, -1};
    list.OnCollision = [&](int i, int j) { seen = {i, j}; };
    try {
        list.CheckCollisions();
    } catch (const EAbort&) {
    }
    return seen;
}

}  // namespace

TEST(CollisionGrid, ReportsThePairOfThePlainLoop) {
    std::mt19937_64 random(5);
    int collided = 0;
    int cases = 0;
    for (int dims : {1, 2, 3})
        for (int n : {64, 400, 2000})
            for (double radius : {0.0, 1e-4, 3e-3, 0.05}) {
                TParticlesList list(dims);
                std::uniform_real_distribution<double> place(-1, 1);
                std::exponential_distribution<double> size(1);
                for (int i = 0; i < n; ++i) {
                    auto p = std::make_unique<TParticle>("p" + std::to_string(i), dims);
                    for (int c = 0; c < dims; ++c)
                        p->InitialPosition[c] = place(random) * (i % 7 == 0 ? 50 : 1);
                    list.AddParticle(std::move(p));
                }
                list.ResetToInitial();
                // Radii given after the placement check, which would refuse overlaps.
                for (int i = 0; i < n; ++i) list.Particles(i).SetRadius(radius * size(random));
                // Particles moved on top of each other late in the order, and places that touch
                // nothing.
                if (n > 100) {
                    list.Particles(n - 2).Position.Assign(list.Particles(n - 40).Position);
                    list.Particles(3).Position[0] = std::numeric_limits<double>::infinity();
                    list.Particles(4).Position[0] = std::numeric_limits<double>::quiet_NaN();
                }
                const std::pair<int, int> plain = Plain(list);
                EXPECT_EQ(Checked(list), plain) << dims << " " << n << " " << radius;
                collided += plain.first >= 0;
                ++cases;
            }
    // Both outcomes were met.
    EXPECT_GT(collided, 3);
    EXPECT_LT(collided, cases);
}
