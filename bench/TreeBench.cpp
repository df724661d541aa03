// The force tree against the exact sum: accuracy (median and 99th percentile relative force error
// for several opening angles, energy drift over a crossing time), speed (evaluations per second
// on 1 and 2 threads, the exact kernel and the tree alternately), and the collision check.
//
//   kinetra_bench_tree [accuracy|errors|speed|all] [N ...]   (errors: accuracy without the drifts)
//
// The setups are Plummer spheres in N-body units (G = 1, total mass 1, energy -1/4, crossing
// time 2 sqrt 2), fixed seed, point masses without softening. For N above 20000 the exact
// reference accelerations are those of 2000 sampled bodies, each summed directly.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/KNUtils.h"
#include "model/Forces.h"

using namespace kinetra;

namespace {

using TClock = std::chrono::steady_clock;

void Plummer(TParticlesList& list, int n, unsigned seed) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> u(0, 1);
    const double a = 3 * 3.14159265358979 / 16;  // energy -1/4 for G = M = 1
    for (int i = 0; i < n; ++i) {
        auto p = std::make_unique<TParticle>("s" + std::to_string(i), 3);
        const double r = a / std::sqrt(std::pow(u(random), -2.0 / 3) - 1);
        const double z = 2 * u(random) - 1;
        const double phi = 2 * 3.14159265358979 * u(random);
        const double s = std::sqrt(1 - z * z);
        const double pos[3] = {r * s * std::cos(phi), r * s * std::sin(phi), r * z};
        // The speed from the distribution function by rejection (Aarseth, Henon, Wielen).
        double q = 0;
        for (;;) {
            q = u(random);
            if (0.1 * u(random) < q * q * std::pow(1 - q * q, 3.5)) break;
        }
        const double v = q * std::sqrt(2.0) * std::pow(1 + r * r / (a * a), -0.25) / std::sqrt(a);
        const double vz = 2 * u(random) - 1;
        const double vphi = 2 * 3.14159265358979 * u(random);
        const double vs = std::sqrt(1 - vz * vz);
        const double vel[3] = {v * vs * std::cos(vphi), v * vs * std::sin(vphi), v * vz};
        p->Mass = 1.0 / n;
        for (int c = 0; c < 3; ++c) {
            p->InitialPosition[c] = pos[c];
            p->InitialVelocity[c] = vel[c];
        }
        list.AddParticle(std::move(p));
    }
    list.ResetToInitial();
    for (int i = 0; i < n; ++i) list.Particles(i).Velocity.Assign(list.Particles(i).InitialVelocity);
}

std::vector<int> Sample(int n) {
    std::vector<int> bodies;
    const int step = n > 20000 ? n / 2000 : 1;
    for (int i = 0; i < n; i += step) bodies.push_back(i);
    return bodies;
}

// The exact acceleration of body i, summed directly.
void Direct(const TParticlesList& list, int i, double* a) {
    a[0] = a[1] = a[2] = 0;
    const TVector& r = list.Particles(i).Position;
    for (int j = 0; j < list.Count(); ++j) {
        if (j == i) continue;
        const TVector& x = list.Particles(j).Position;
        const double w[3] = {x[0] - r[0], x[1] - r[1], x[2] - r[2]};
        const double d = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
        const double f = list.Particles(j).Mass / (d * d * d);
        for (int c = 0; c < 3; ++c) a[c] += f * w[c];
    }
}

double Seconds(TClock::time_point start) {
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// Kick-drift-kick over `steps` steps of dt; the forces of `force`.
void Leapfrog(TParticlesList& list, TForce& force, double dt, int steps) {
    const int n = list.Count();
    force.ComputePairTerms();
    for (int s = 0; s < steps; ++s) {
        for (int i = 0; i < n; ++i) force.AddAcceleration(i, dt / 2, list.Particles(i).Velocity);
        for (int i = 0; i < n; ++i) list.Particles(i).Position.AddScaled(list.Particles(i).Velocity, dt);
        force.ComputePairTerms();
        for (int i = 0; i < n; ++i) force.AddAcceleration(i, dt / 2, list.Particles(i).Velocity);
    }
}

double Energy(TParticlesList& list) {
    TForce exact(list);
    exact.BuildPairTables();
    return list.KineticEnergy() + exact.PotentialEnergy();
}

void Accuracy(int n, bool drifts) {
    TParticlesList list(3);
    Plummer(list, n, 1234);
    const std::vector<int> sample = Sample(n);
    std::vector<double> reference(3 * sample.size());
    for (size_t k = 0; k < sample.size(); ++k) Direct(list, sample[k], &reference[3 * k]);
    const double crossing = 2 * std::sqrt(2.0);
    const int steps = 256;
    const double e0 = Energy(list);
    double exactDrift = -1;
    if (drifts && n <= 10000) {
        TParticlesList copy(3);
        copy.Assign(list);
        TForce exact(copy);
        exact.BuildPairTables();
        Leapfrog(copy, exact, crossing / steps, steps);
        exactDrift = std::fabs(Energy(copy) - e0) / std::fabs(e0);
    }
    for (double theta : {0.3, 0.5, 0.7, 1.0}) {
        TForce tree(list);
        tree.SetTreeAngle(theta);
        tree.BuildPairTables();
        tree.ComputePairTerms();
        std::vector<double> errors;
        for (size_t k = 0; k < sample.size(); ++k) {
            const TVector& a = tree.Acceleration(sample[k]);
            double diff = 0;
            double size = 0;
            for (int c = 0; c < 3; ++c) {
                diff += (a[c] - reference[3 * k + c]) * (a[c] - reference[3 * k + c]);
                size += reference[3 * k + c] * reference[3 * k + c];
            }
            errors.push_back(std::sqrt(diff / size));
        }
        std::sort(errors.begin(), errors.end());
        const double median = errors[errors.size() / 2];
        const double p99 = errors[errors.size() * 99 / 100];
        double drift = -1;
        if (drifts && (n <= 10000 || theta == 0.5)) {
            TParticlesList copy(3);
            copy.Assign(list);
            TForce run(copy);
            run.SetTreeAngle(theta);
            run.BuildPairTables();
            Leapfrog(copy, run, crossing / steps, steps);
            drift = std::fabs(Energy(copy) - e0) / std::fabs(e0);
        }
        std::printf("accuracy N=%d theta=%.1f median=%.2e p99=%.2e drift=%.2e exact_drift=%.2e\n", n, theta,
                    median, p99, drift, exactDrift);
        std::fflush(stdout);
    }
}

void Speed(int n) {
    TParticlesList list(3);
    Plummer(list, n, 99);
    for (int threads : {1, 2}) {
        TForce exact(list);
        TForce tree(list);
        exact.SetThreads(threads);
        tree.SetThreads(threads);
        tree.SetTreeAngle(0.5);
        exact.BuildPairTables();
        tree.BuildPairTables();
        // Alternate rounds of each, so that the other programs on the machine weigh on both alike.
        double exactSeconds = 0;
        double treeSeconds = 0;
        int exactCount = 0;
        int treeCount = 0;
        const bool withExact = n <= 20000;
        for (int round = 0; round < 6; ++round) {
            if (withExact) {
                const auto start = TClock::now();
                do {
                    exact.ComputePairTerms();
                    ++exactCount;
                } while (Seconds(start) < 0.5);
                exactSeconds += Seconds(start);
            }
            const auto start = TClock::now();
            do {
                tree.ComputePairTerms();
                ++treeCount;
            } while (Seconds(start) < 0.5);
            treeSeconds += Seconds(start);
        }
        const double treeRate = treeCount / treeSeconds;
        std::printf("speed N=%d threads=%d tree=%.2f/s", n, threads, treeRate);
        if (withExact)
            std::printf(" exact=%.2f/s ratio=%.1f", exactCount / exactSeconds,
                        treeRate / (exactCount / exactSeconds));
        std::printf("\n");
        std::fflush(stdout);
    }
    // The collision check (radii too small to touch) against one tree evaluation.
    for (int i = 0; i < n; ++i) list.Particles(i).SetRadius(1e-7);
    list.OnCollision = [](int, int) {};
    TForce tree(list);
    tree.SetTreeAngle(0.5);
    tree.BuildPairTables();
    int checks = 0;
    auto start = TClock::now();
    do {
        list.CheckCollisions();
        ++checks;
    } while (Seconds(start) < 1);
    const double check = Seconds(start) / checks;
    int evaluations = 0;
    start = TClock::now();
    do {
        tree.ComputePairTerms();
        ++evaluations;
    } while (Seconds(start) < 1);
    const double evaluation = Seconds(start) / evaluations;
    std::printf("collisions N=%d check=%.2f ms tree=%.2f ms share=%.1f%%\n", n, 1e3 * check, 1e3 * evaluation,
                100 * check / evaluation);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "all";
    std::vector<int> counts;
    for (int k = 2; k < argc; ++k) counts.push_back(std::atoi(argv[k]));
    if (counts.empty()) counts = {1000, 10000, 100000};
    for (int n : counts) {
        if (what == "accuracy" || what == "all" || what == "errors") Accuracy(n, what != "errors");
        if (what == "speed" || what == "all") Speed(n);
    }
    return 0;
}
