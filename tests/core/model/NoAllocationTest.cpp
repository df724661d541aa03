// The work of a computation cycle allocates nothing once a run is prepared: the force
// evaluation, the vector arithmetic and the collection's bookkeeping reuse their storage.
//
// The global operator new of the whole test program is replaced by one that counts; it is
// always active and only read here, which leaves every other test unaffected.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "base/Vector.h"
#include "model/Forces.h"
#include "model/Particles.h"

namespace {
std::atomic<long long> gAllocations{0};
}  // namespace

// The replacements pair operator new with malloc and operator delete with free; the compiler
// sees only the free after inlining and would take it for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return ::operator new(size, tag);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

using namespace kinetra;

namespace {

long long Allocations() {
    return gAllocations.load(std::memory_order_relaxed);
}

void FillRandom(TParticlesList& list, int n, std::mt19937_64& rng, bool charges) {
    std::uniform_real_distribution<double> coord(-10, 10);
    std::uniform_real_distribution<double> mass(0.5, 5);
    for (int i = 0; i < n; ++i) {
        auto p = std::make_unique<TParticle>("P" + std::to_string(i), list.Dimensions());
        for (int c = 0; c < list.Dimensions(); ++c) {
            p->InitialPosition[c] = coord(rng);
            p->InitialVelocity[c] = coord(rng);
        }
        p->ResetToInitial();
        p->Mass = i % 5 == 4 ? 0 : mass(rng);
        if (charges && p->Mass != 0) p->SetCharge(coord(rng));
        list.AddParticle(std::move(p));
    }
}

}  // namespace

TEST(NoAllocation, CounterSeesAllocations) {
    const long long before = Allocations();
    auto v = std::make_unique<TVector>(3);
    EXPECT_GT(Allocations(), before);  // the test below can fail
}

TEST(NoAllocation, ForceEvaluationAfterBuildPairTables) {
    std::mt19937_64 rng(11);
    for (int dims : {1, 2, 3, 4, 26}) {
        for (int n : {0, 1, 2, 3, 40}) {
            for (double power : {-2.0, -1.0, -1.5, 3.0}) {
                for (bool charges : {false, true}) {
                    TParticlesList list(dims);
                    FillRandom(list, n, rng, charges);
                    TForce force(list);
                    if (charges) force.SetCoulombCoeff(0.5);
                    force.SetPower(power);
                    std::vector<TVector> stage(static_cast<size_t>(n), TVector(dims));
                    TVectorArray given;
                    for (TVector& v : stage) given.push_back(&v);
                    force.BuildPairTables();

                    const long long before = Allocations();
                    double sink = 0;
                    for (int round = 0; round < 3; ++round) {
                        force.ComputePairTerms();
                        for (int i = 0; i < n; ++i) sink += force.Acceleration(i).MaxNorm();
                        force.ComputePairTerms(given);
                        for (int i = 0; i < n; ++i) sink += force.Acceleration(i)[0];
                        sink += force.PotentialEnergy();
                        for (int i = 0; i < n; ++i) list.Particles(i).Position[0] += 0.01;
                    }
                    EXPECT_EQ(Allocations(), before)
                        << "dims " << dims << ", n " << n << ", power " << power << ", charges " << charges;
                    EXPECT_FALSE(sink == 12345.678);  // keeps the evaluations
                }
            }
        }
    }
}

TEST(NoAllocation, VectorArithmeticAndCollectionBookkeeping) {
    std::mt19937_64 rng(12);
    for (int dims : {1, 2, 3, 4}) {
        TParticlesList list(dims);
        FillRandom(list, 10, rng, false);
        list.OnCollision = [](int, int) {};
        TVector a(dims), b(dims);
        b.Clear()[0] = 1;

        const long long before = Allocations();
        a.Assign(b);
        a.Add(b);
        a.Subtract(b);
        a.AddScaled(b, 0.5);
        a.Scale(2).Clear();
        double sink = a.Norm() + a.SqrNorm() + a.Distance(b) + a.MaxNorm() + (a.Equals(b) ? 1 : 0);
        for (int i = 0; i < list.Count(); ++i) {
            sink += list.Particles(i).Momentum()[0];
            sink += list.Particles(i).KineticEnergy();
        }
        list.UpdateCenterOfMass();
        list.UpdateMomentum();
        list.ResetToInitial();
        sink += list.KineticEnergy();
        list.CheckCollisions();  // radii 0: nothing collides
        EXPECT_EQ(Allocations(), before) << dims;
        EXPECT_FALSE(sink == 12345.678);
    }
}
