// TForce: the worked numbers of the force law and its potential, the power branches, and a bit
// for bit comparison of the fast evaluation with a plain reference that stores every pair term.
#include <gtest/gtest.h>

#include <atomic>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/KNUtils.h"
#include "model/ForceKernel.h"
#include "model/Forces.h"
#include "model/WorkerPool.h"

using namespace kinetra;

namespace {

void SetVec(TVector& v, const std::vector<double>& values) {
    for (size_t i = 0; i < values.size(); ++i) v[static_cast<int>(i)] = values[i];
}

TVector Vec(const std::vector<double>& values) {
    TVector v(static_cast<int>(values.size()));
    SetVec(v, values);
    return v;
}

void Add(TParticlesList& list, const std::string& name, const std::vector<double>& position, double mass,
         double charge = 0) {
    auto p = std::make_unique<TParticle>(name, static_cast<int>(position.size()));
    SetVec(p->InitialPosition, position);
    SetVec(p->Position, position);
    p->Mass = mass;
    p->SetCharge(charge);
    list.AddParticle(std::move(p));
}

// Equal bits, or both NaN (the sign and payload of a NaN are not part of the result).
bool SameDouble(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// ---------------------------------------------------------------------------------------------
// The reference: the force model written out as plainly as possible, with a table of pair-term
// vectors, a table of pair coefficients, and every sum formed with TVector operations in the
// order the model prescribes.

double RefIntPower(double d, int n) {
    double result = 1;
    double b = d;
    long long e = n < 0 ? -static_cast<long long>(n) : n;
    while (e > 0) {
        if (e % 2 == 1) result = result * b;
        e = e / 2;
        if (e > 0) b = b * b;
    }
    if (n < 0) result = 1 / result;
    return result;
}

class TReferenceForce {
public:
    explicit TReferenceForce(TParticlesList& particles)
        : P(particles), D(particles.Dimensions()), Work(particles.Dimensions()) {}

    double G = 1;
    double K = 0;
    int IntExponent = -3;
    double RealExponent = 0;
    bool IntegralPower = true;

    void BuildPairTables() {
        PairTerms.clear();
        PairCoeffs.clear();
        const int n = P.Count();
        if (n < 2) return;
        PairTerms.resize(static_cast<size_t>(n));
        PairCoeffs.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < i; ++j) PairTerms[static_cast<size_t>(i)].emplace_back(D);
            PairCoeffs[static_cast<size_t>(i)].assign(static_cast<size_t>(i), 0.0);
        }
        UpdateCoefficients();
    }

    void UpdateCoefficients() {
        const int rows = static_cast<int>(PairCoeffs.size());
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < i; ++j)
                PairCoeffs[static_cast<size_t>(i)][static_cast<size_t>(j)] = Coefficient(i, j);
    }

    void SetGravConstant(double value) {
        G = value;
        UpdateCoefficients();
    }
    void SetCoulombCoeff(double value) {
        K = value;
        UpdateCoefficients();
    }
    void SetPower(double x) {
        if (x == std::nearbyint(x)) {
            IntegralPower = true;
            IntExponent = static_cast<int>(x - 1);
        } else {
            IntegralPower = false;
            RealExponent = x - 1;
        }
    }
    double GetPower() const { return IntegralPower ? IntExponent + 1.0 : RealExponent + 1; }

    void ComputePairTerms() {
        std::vector<const TVector*> positions;
        for (int i = 0; i < P.Count(); ++i) positions.push_back(&P.Particles(i).Position);
        ComputePairTerms(positions);
    }

    void ComputePairTerms(const std::vector<const TVector*>& pos) {
        UseCurrentCount();
        const int n = static_cast<int>(PairTerms.size());
        for (int i = 1; i < n; ++i) {
            for (int j = 0; j < i; ++j) {
                TVector w(D);
                w.Assign(*pos[static_cast<size_t>(j)]);
                w.Subtract(*pos[static_cast<size_t>(i)]);
                const double d = w.Norm();
                const double f = IntegralPower ? RefIntPower(d, IntExponent) : std::pow(d, RealExponent);
                TVector& t = PairTerms[static_cast<size_t>(i)][static_cast<size_t>(j)];
                t.Assign(w);
                t.Scale(f * PairCoeffs[static_cast<size_t>(i)][static_cast<size_t>(j)]);
            }
        }
    }

    const TVector& Acceleration(int i) {
        Work.Clear();
        const int n = static_cast<int>(PairTerms.size());
        for (int j = 0; j < n; ++j) {
            const double mj = P.Particles(j).Mass;
            if (j > i)
                Work.AddScaled(PairTerms[static_cast<size_t>(j)][static_cast<size_t>(i)], -mj);
            else if (j < i)
                Work.AddScaled(PairTerms[static_cast<size_t>(i)][static_cast<size_t>(j)], mj);
        }
        return Work;
    }

    double PotentialEnergy() {
        UseCurrentCount();
        const int n = P.Count();
        const double power = GetPower();
        double u = 0;
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                const TParticle& a = P.Particles(i);
                const TParticle& b = P.Particles(j);
                const double d = a.Position.Distance(b.Position);
                double g;
                if (IntegralPower && IntExponent == -2)
                    g = std::log(d);
                else if (IntegralPower)
                    g = RefIntPower(d, IntExponent + 2) / (power + 1);
                else
                    g = std::pow(d, power + 1) / (power + 1);
                // The coefficient of the particles as they are now, whatever the tables hold.
                u = u + ((a.Mass * b.Mass) * Coefficient(j, i)) * g;
            }
        }
        return u;
    }

private:
    // C for the later particle i and the earlier j.
    double Coefficient(int i, int j) const {
        const TParticle& a = P.Particles(i);
        const TParticle& b = P.Particles(j);
        if (K != 0 && a.Mass != 0 && b.Mass != 0)
            return G - ((K * a.Charge()) * b.Charge()) / (a.Mass * b.Mass);
        return G;
    }
    // Tables built for another particle count are never read: build them for the current one.
    void UseCurrentCount() {
        const int n = P.Count();
        if (n >= 2 && static_cast<int>(PairTerms.size()) != n) BuildPairTables();
        if (n < 2) {
            PairTerms.clear();
            PairCoeffs.clear();
        }
    }

    TParticlesList& P;
    int D;
    TVector Work;
    std::vector<std::vector<TVector>> PairTerms;
    std::vector<std::vector<double>> PairCoeffs;
};

// The model under test and the reference, driven together.
struct TPair {
    TForce& Fast;
    TReferenceForce& Ref;
    void Build() {
        Fast.BuildPairTables();
        Ref.BuildPairTables();
    }
    void SetG(double v) {
        Fast.SetGravConstant(v);
        Ref.SetGravConstant(v);
    }
    void SetK(double v) {
        Fast.SetCoulombCoeff(v);
        Ref.SetCoulombCoeff(v);
    }
    void SetPower(double v) {
        Fast.SetPower(v);
        Ref.SetPower(v);
    }
};

// Every component of every acceleration and the potential energy agree bit for bit.
::testing::AssertionResult AgreeExactly(TForce& fast, TReferenceForce& ref, int n,
                                        bool checkPotential = true) {
    for (int i = 0; i < n; ++i) {
        const TVector fa = fast.Acceleration(i);  // copies: the buffers are overwritten by the next call
        const TVector ra = ref.Acceleration(i);
        if (fa.Count() != ra.Count())
            return ::testing::AssertionFailure() << "count " << fa.Count() << " vs " << ra.Count();
        for (int c = 0; c < fa.Count(); ++c)
            if (!SameDouble(fa[c], ra[c]))
                return ::testing::AssertionFailure()
                       << "particle " << i << " component " << c << ": " << FormatRoundTrip(fa[c]) << " vs "
                       << FormatRoundTrip(ra[c]);
    }
    if (checkPotential) {
        const double fu = fast.PotentialEnergy();
        const double ru = ref.PotentialEnergy();
        if (!SameDouble(fu, ru))
            return ::testing::AssertionFailure()
                   << "potential " << FormatRoundTrip(fu) << " vs " << FormatRoundTrip(ru);
    }
    return ::testing::AssertionSuccess();
}

struct TRandomSetup {
    double MasslessShare = 0;  // share of particles with mass 0
    bool Charges = false;
    bool NegativeMasses = false;
};

void FillRandom(TParticlesList& list, int n, std::mt19937_64& rng, const TRandomSetup& s) {
    std::uniform_real_distribution<double> coord(-10, 10);
    std::uniform_real_distribution<double> mass(0.1, 10);
    std::uniform_real_distribution<double> charge(-3, 3);
    std::uniform_real_distribution<double> unit(0, 1);
    const int dims = list.Dimensions();
    for (int i = 0; i < n; ++i) {
        auto p = std::make_unique<TParticle>("P" + std::to_string(i), dims);
        for (int c = 0; c < dims; ++c) p->InitialPosition[c] = coord(rng);
        p->ResetToInitial();
        p->Mass = unit(rng) < s.MasslessShare ? 0 : mass(rng);
        if (s.NegativeMasses && unit(rng) < 0.2) p->Mass = -p->Mass;
        if (s.Charges && p->Mass != 0 && unit(rng) < 0.7) p->SetCharge(charge(rng));
        list.AddParticle(std::move(p));
    }
}

void MoveRandomly(TParticlesList& list, std::mt19937_64& rng) {
    std::normal_distribution<double> step(0, 0.5);
    for (int i = 0; i < list.Count(); ++i)
        for (int c = 0; c < list.Dimensions(); ++c) list.Particles(i).Position[c] += step(rng);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Worked numbers and defaults

TEST(Force, Defaults) {
    TParticlesList list(3);
    TForce force(list);
    EXPECT_EQ(force.Dimensions(), 3);
    EXPECT_EQ(force.GravConstant(), 1);
    EXPECT_EQ(force.CoulombCoeff(), 0);
    EXPECT_EQ(force.GetPower(), -2);
    EXPECT_TRUE(force.IntegralPower());
    EXPECT_EQ(force.IntExponent(), -3);
    EXPECT_EQ(force.RealExponent(), 0);
}

TEST(Force, TwoUnitMassesTwoApart) {
    TParticlesList list(2);
    Add(list, "A", {0, 0}, 1);
    Add(list, "B", {2, 0}, 1);
    TForce force(list);
    force.BuildPairTables();
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(0).Equals(Vec({0.25, 0})));
    EXPECT_TRUE(force.Acceleration(1).Equals(Vec({-0.25, 0})));
    EXPECT_EQ(force.PotentialEnergy(), -0.5);
}

TEST(Force, LikeChargesRepel) {
    TParticlesList list(2);
    Add(list, "A", {0, 0}, 1, 1);
    Add(list, "B", {2, 0}, 1, 1);
    TForce force(list);
    force.SetCoulombCoeff(2);  // coefficient 1 - 2 = -1
    force.BuildPairTables();
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(0).Equals(Vec({-0.25, 0})));
    EXPECT_TRUE(force.Acceleration(1).Equals(Vec({0.25, 0})));
    EXPECT_EQ(force.PotentialEnergy(), 0.5);

    // Unlike charges attract twice as strongly as gravitation alone: 1 + 2 = 3.
    list.Particles(1).SetCharge(-1);
    force.BuildPairTables();
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(0).Equals(Vec({0.75, 0})));
    EXPECT_EQ(force.PotentialEnergy(), -1.5);

    // Gravitation off: the Coulomb energy alone, k q1 q2 / d = 2 * 1 * -1 / 2.
    force.SetGravConstant(0);
    EXPECT_EQ(force.PotentialEnergy(), -1);
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(1).Equals(Vec({-0.5, 0})));
}

TEST(Force, CoefficientsAreCurrentWhenGAndKChangeAndStaleForMassesUntilRebuilt) {
    TParticlesList list(1);
    Add(list, "A", {0}, 1, 1);
    Add(list, "B", {1}, 2, 1);
    TForce force(list);
    force.BuildPairTables();
    force.ComputePairTerms();
    EXPECT_EQ(force.Acceleration(0)[0], 2);  // G m_B / d^2
    force.SetCoulombCoeff(4);                // C = 1 - 4 / 2 = -1 at once
    force.ComputePairTerms();
    EXPECT_EQ(force.Acceleration(0)[0], -2);
    force.SetGravConstant(3);  // C = 1
    force.ComputePairTerms();
    EXPECT_EQ(force.Acceleration(0)[0], 2);

    // A new mass acts as a weight at once but enters the evaluation's coefficient only after a
    // rebuild; the potential energy takes the coefficient of the current particles at once.
    EXPECT_TRUE(force.CoefficientsValid());
    list.Particles(1).Mass = 4;  // C = 3 - 4 / 4 = 2
    EXPECT_FALSE(force.CoefficientsValid());
    force.ComputePairTerms();
    EXPECT_EQ(force.Acceleration(0)[0], 4);  // old C = 1 times the new mass 4
    EXPECT_EQ(force.PotentialEnergy(), -8);
    force.BuildPairTables();
    force.ComputePairTerms();
    EXPECT_EQ(force.Acceleration(0)[0], 8);
    EXPECT_EQ(force.PotentialEnergy(), -8);
}

// Every change of a mass, a charge, G, k or the power clears the validity mark, and the potential
// energy asked for right after it is that of the changed setup.
TEST(Force, ValidityMarkOfTheCoefficients) {
    const struct {
        const char* Change;
        std::function<void(TParticlesList&, TForce&)> Apply;
        double Energy;  // of A (mass 1, charge 1) at 0 and B (mass 2, charge 1) at 1, k = 1
    } cases[] = {
        {"mass", [](TParticlesList& l, TForce&) { l.Particles(1).Mass = 4; }, -3},         // C = 1 - 1/4
        {"charge", [](TParticlesList& l, TForce&) { l.Particles(1).SetCharge(-1); }, -3},  // C = 1.5
        {"replaced by Assign",
         [](TParticlesList& l, TForce&) {
             TParticlesList copy(1);
             copy.Assign(l);
             copy.Particles(0).SetCharge(3);  // C = 1 - 3/2
             l.Assign(copy);
         },
         1},
        {"G", [](TParticlesList&, TForce& f) { f.SetGravConstant(2); }, -3},  // C = 1.5
        {"k", [](TParticlesList&, TForce& f) { f.SetCoulombCoeff(0); }, -2},
        {"power", [](TParticlesList&, TForce& f) { f.SetPower(1); }, 0.5},  // 2 * 0.5 * 1/2
    };
    for (const auto& c : cases) {
        TParticlesList list(1);
        Add(list, "A", {0}, 1, 1);
        Add(list, "B", {1}, 2, 1);
        TForce force(list);
        force.SetCoulombCoeff(1);                             // C = 1 - 1/2
        EXPECT_FALSE(force.CoefficientsValid()) << c.Change;  // never built
        force.BuildPairTables();
        EXPECT_TRUE(force.CoefficientsValid()) << c.Change;
        EXPECT_EQ(force.PotentialEnergy(), -1) << c.Change;
        c.Apply(list, force);
        EXPECT_EQ(force.PotentialEnergy(), c.Energy) << c.Change;
        force.BuildPairTables();
        EXPECT_TRUE(force.CoefficientsValid()) << c.Change;
        EXPECT_EQ(force.PotentialEnergy(), c.Energy) << c.Change;
    }
}

TEST(Force, PowerBranches) {
    TParticlesList list(2);
    Add(list, "A", {0, 0}, 1);
    Add(list, "B", {0, 4}, 2);
    TForce force(list);

    force.SetPower(-1);
    EXPECT_TRUE(force.IntegralPower());
    EXPECT_EQ(force.IntExponent(), -2);
    EXPECT_EQ(force.GetPower(), -1);
    force.BuildPairTables();
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(0).Equals(Vec({0, 0.5})));  // 2 * 4^-2 * 4
    EXPECT_EQ(force.PotentialEnergy(), 2 * std::log(4.0));     // m1 m2 ln d

    force.SetPower(-1.5);
    EXPECT_FALSE(force.IntegralPower());
    EXPECT_EQ(force.RealExponent(), -2.5);
    EXPECT_EQ(force.IntExponent(), -2);  // kept, unused
    EXPECT_EQ(force.GetPower(), -1.5);
    force.ComputePairTerms();
    EXPECT_EQ(force.Acceleration(1)[1], -1 * std::pow(4.0, -2.5) * 4);
    EXPECT_EQ(force.PotentialEnergy(), 2 * (std::pow(4.0, -0.5) / -0.5));  // -4 / sqrt(4) = -2

    force.SetPower(1);
    EXPECT_TRUE(force.IntegralPower());
    EXPECT_EQ(force.IntExponent(), 0);
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(0).Equals(Vec({0, 8})));  // linear in the distance
    EXPECT_EQ(force.PotentialEnergy(), 2 * (16.0 / 2));

    force.SetPower(0);
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(0).Equals(Vec({0, 2})));  // constant magnitude m_B
    EXPECT_EQ(force.PotentialEnergy(), 2 * 4.0);

    force.SetPower(-5);
    force.ComputePairTerms();
    EXPECT_EQ(force.Acceleration(0)[1], 1 / 512.0);  // 2 * 4^-6 * 4
    EXPECT_EQ(force.GetPower(), -5);
    EXPECT_EQ(force.PotentialEnergy(), 2 * (1 / 256.0 / -4));

    for (double p : {2.0, -2.0, 3.5, -0.25, -100.0, 1E9, 0.5}) {
        force.SetPower(p);
        EXPECT_EQ(force.GetPower(), p) << p;
        EXPECT_EQ(force.IntegralPower(), p == std::floor(p)) << p;
    }
    // The power is kept as its exponent p - 1, so a value like 0.001 comes back to within a
    // rounding of 1 (a tiny power like 6.67259E-11 shows the exponent actually in force,
    // 6.67258470699039E-11); shown with 15 digits and entered again, it keeps the same exponent.
    for (double p : {1E-3, 0.1, -2.3, 6.67259E-11}) {
        force.SetPower(p);
        const double exponent = force.RealExponent();
        if (std::fabs(p) >= 1E-3) {
            EXPECT_EQ(FormatGeneral(force.GetPower()), FormatGeneral(p));
        }
        double shown = 0;
        ASSERT_EQ(ParseDecimal(FormatGeneral(force.GetPower()), shown), TParseResult::Ok);
        force.SetPower(shown);
        EXPECT_EQ(force.RealExponent(), exponent) << p;
        force.SetPower(force.GetPower());
        EXPECT_EQ(force.RealExponent(), exponent) << p;
    }
}

TEST(Force, HugeWholePowers) {
    TParticlesList list(1);
    Add(list, "A", {0}, 1);
    Add(list, "B", {2}, 1);
    TForce force(list);
    force.BuildPairTables();
    for (double p : {2147483646.0, 2147483647.0, 2147483648.0, 4294967296.0, 1E300, -2147483647.0,
                     -2147483648.0, -1E300}) {
        force.SetPower(p);
        EXPECT_EQ(force.GetPower(), p) << p;
        force.ComputePairTerms();
        // d = 2: the pair factor 2^(p-1) overflows for large positive p and vanishes for large
        // negative p; the potential follows the same sign of the exponent.
        // A potential that overflows is an error, never an infinity to show.
        const double a = force.Acceleration(0)[0];
        if (p > 0) {
            EXPECT_EQ(a, std::numeric_limits<double>::infinity()) << p;
            try {
                force.PotentialEnergy();
                ADD_FAILURE() << p;
            } catch (const EMathError& e) {
                EXPECT_STREQ(e.what(), "Floating point overflow") << p;
            }
        } else {
            EXPECT_EQ(a, 0) << p;
            EXPECT_EQ(force.PotentialEnergy(), 0) << p;
        }
    }
}

TEST(Force, CoincidentParticles) {
    TParticlesList list(3);
    Add(list, "A", {0, 0, 0}, 1);
    Add(list, "B", {1, 0, 0}, 1);
    list.Particles(1).Position.Clear();
    TForce force(list);
    force.SetPower(1);
    force.BuildPairTables();
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(0).Equals(TVector(3)));
    EXPECT_TRUE(force.Acceleration(1).Equals(TVector(3)));
    EXPECT_EQ(force.PotentialEnergy(), 0);

    // Below power 1 the pair factor at d = 0 is infinite: not finite, never silently zero; the
    // potential at d = 0 with Power <= -1 is a division by zero, also with a massless particle
    // (0 * -inf), and the caller's exception flags stay as they were.
    force.SetPower(-2);
    force.ComputePairTerms();
    EXPECT_FALSE(std::isfinite(force.Acceleration(0)[0]));
    for (const double power : {-2.0, -1.0, -1.5, -3.0}) {
        for (const double mass : {1.0, 0.0}) {
            force.SetPower(power);
            list.Particles(1).Mass = mass;
            std::feclearexcept(FE_ALL_EXCEPT);
            try {
                force.PotentialEnergy();
                ADD_FAILURE() << power << " " << mass;
            } catch (const EMathError& e) {
                EXPECT_STREQ(e.what(), "Floating point division by zero") << power << " " << mass;
            }
            EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
        }
    }
    // Power -0.5: d^0.5 / 0.5 is 0 at d = 0.
    force.SetPower(-0.5);
    EXPECT_EQ(force.PotentialEnergy(), 0);
}

TEST(Force, MasslessParticlesFeelButExertNoForce) {
    TParticlesList list(2);
    Add(list, "Heavy", {0, 0}, 4);
    Add(list, "Probe", {2, 0}, 0);
    Add(list, "Other", {4, 0}, 8);
    TForce force(list);
    force.SetCoulombCoeff(5);
    force.BuildPairTables();
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(1).Equals(Vec({-1 + 2, 0})));  // 4/8 * -2 and 8/8 * 2
    EXPECT_TRUE(force.Acceleration(0).Equals(Vec({0.5, 0})));     // only "Other" pulls: 8/64 * 4
    EXPECT_TRUE(force.Acceleration(2).Equals(Vec({-0.25, 0})));
    EXPECT_EQ(force.PotentialEnergy(), -8);  // only the heavy pair: -32 / 4
}

TEST(Force, FewerThanTwoParticles) {
    for (int n : {0, 1}) {
        TParticlesList list(2);
        if (n == 1) Add(list, "Alone", {1, 1}, 5);
        TForce force(list);
        force.BuildPairTables();
        force.ComputePairTerms();
        EXPECT_TRUE(force.Acceleration(0).Equals(TVector(2)));
        EXPECT_EQ(force.PotentialEnergy(), 0);
    }
}

// Before BuildPairTables, and after the particle count changed, the potential energy uses the
// coefficients of the particles now present.
TEST(Force, PotentialEnergyWithoutCurrentTables) {
    TParticlesList list(1);
    Add(list, "A", {0}, 1, 1);
    Add(list, "B", {2}, 1, 1);
    TForce force(list);
    force.SetCoulombCoeff(2);
    EXPECT_EQ(force.PotentialEnergy(), 0.5);  // never built

    force.BuildPairTables();
    Add(list, "C", {4}, 2, -1);  // C(A,C) = 1 + 1 = 2, C(B,C) = 2
    // -(1*1*-1)/2 - (1*2*2)/4 - (1*2*2)/2 = 0.5 - 1 - 2
    EXPECT_EQ(force.PotentialEnergy(), -2.5);
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(2).Equals(Vec({-0.125 - 0.5})));  // 2 * 1/64 * -4 + 2 * 1/8 * -2

    list.Delete(0);
    EXPECT_EQ(force.PotentialEnergy(), -2);
    list.Delete(0);
    EXPECT_EQ(force.PotentialEnergy(), 0);
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(0).Equals(TVector(1)));
}

// Changing G or k refreshes the coefficients; with tables built for more particles than remain
// that must not read particles that are gone.
TEST(Force, CoefficientRefreshAfterParticlesWereRemoved) {
    TParticlesList list(2);
    Add(list, "A", {0, 0}, 1, 1);
    Add(list, "B", {2, 0}, 1, 1);
    Add(list, "C", {0, 2}, 1, 1);
    TForce force(list);
    force.SetCoulombCoeff(2);
    force.BuildPairTables();
    list.Delete(2);
    force.SetGravConstant(1);
    force.SetCoulombCoeff(2);
    EXPECT_EQ(force.PotentialEnergy(), 0.5);
    force.ComputePairTerms();
    EXPECT_TRUE(force.Acceleration(0).Equals(Vec({-0.25, 0})));
    list.Delete(1);
    list.Delete(0);
    force.SetCoulombCoeff(3);
    EXPECT_EQ(force.PotentialEnergy(), 0);
    Add(list, "D", {0, 0}, 1, 1);
    Add(list, "E", {0, 2}, 1, 1);
    force.SetGravConstant(1);
    EXPECT_EQ(force.PotentialEnergy(), 1);  // C = 1 - 3 = -2
}

TEST(Force, IntegerPowerByRepeatedSquaring) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> base(0.01, 30);
    for (int k = 0; k < 2000; ++k) {
        const double d = base(rng);
        for (int n : {0, 1, -1, 2, -2, -3, 3, 7, -13, 64, -64, 1000, -1000}) {
            ASSERT_TRUE(SameDouble(IntPower(d, n), RefIntPower(d, n))) << d << "^" << n;
        }
    }
    EXPECT_EQ(IntPower(3, 0), 1);
    EXPECT_EQ(IntPower(0, 0), 1);
    EXPECT_EQ(IntPower(2, -2), 0.25);
    EXPECT_EQ(IntPower(2, INT_MIN), 0);
    EXPECT_EQ(IntPower(1, INT_MAX), 1);
    EXPECT_EQ(IntPower(-1, INT_MAX), -1);
    EXPECT_EQ(IntPower(0, -1), std::numeric_limits<double>::infinity());
}

// ---------------------------------------------------------------------------------------------
// Sameness with the reference

// On every instruction set the CPU has (the kernel is compiled for several), each giving the
// reference's bits.
TEST(ForceSameness, EveryDimensionCountAndPowerBranch) {
    const std::vector<TKernelPath> paths = KernelPaths();
    struct TRestore {
        TKernelPath Best;
        ~TRestore() { UseKernelPath(Best); }
    } restore{paths.back()};
    for (TKernelPath path : paths) {
        ASSERT_TRUE(UseKernelPath(path));
        std::mt19937_64 rng(0x5eed);
        const std::vector<double> powers{-2, 1, 0, -5, 3, -3, -1.5, 0.5, 2.75, -1};
        for (int dims = 1; dims <= 26; ++dims) {
            // Around 32 particles the evaluation may change strategy (rows taken several at a
            // time); every remainder of the row count by 2, 4 and 8 occurs.
            for (int n : {0, 1, 2, 3, 4, 5, 17, 31, 32, 33, 34, 35, 36, 64}) {
                // Large counts only in some dimensions, to keep the test short.
                if (n > 17 && dims > 4 && dims % 4 != 1) continue;
                // 0: masses only; 1: with massless particles; 2, 3: charges (3 with negative masses);
                // 4: k switched on without any charge.
                for (int variant = 0; variant < 5; ++variant) {
                    TRandomSetup s;
                    s.Charges = variant == 2 || variant == 3;
                    s.MasslessShare = variant % 2 ? 0.3 : 0;
                    s.NegativeMasses = variant == 3;
                    TParticlesList list(dims);
                    FillRandom(list, n, rng, s);
                    TForce fast(list);
                    TReferenceForce ref(list);
                    TPair both{fast, ref};
                    if (variant >= 2) both.SetK(std::uniform_real_distribution<double>(0.1, 3)(rng));
                    both.Build();
                    for (double p : powers) {
                        both.SetPower(p);
                        fast.ComputePairTerms();
                        ref.ComputePairTerms();
                        ASSERT_TRUE(AgreeExactly(fast, ref, n))
                            << "path " << static_cast<int>(path) << ", dims " << dims << ", n " << n
                            << ", variant " << variant << ", power " << p;
                    }
                }
            }
        }
    }
}

// Shared among 2, 3 or 4 threads, the evaluation gives the bits of one thread: every particle
// still receives its pair terms in the order of its partners. Small counts are shared too here
// (ParallelFrom 2), so that blocks of every shape occur.
TEST(ForceSameness, EveryThreadCount) {
    std::mt19937_64 rng(0x7ead);
    for (int dims = 1; dims <= 26; ++dims) {
        for (int n : {2, 40, 101, 230, 700}) {
            if (n > 101 && dims > 3 && dims != 4) continue;
            if (n > 230 && dims != 3) continue;  // blocks larger than the smallest, ends and middle
            for (bool charged : {false, true}) {
                TRandomSetup s;
                s.Charges = charged;
                s.MasslessShare = charged ? 0.2 : 0;
                TParticlesList list(dims);
                FillRandom(list, n, rng, s);
                TForce one(list);
                one.SetThreads(1);
                if (charged) one.SetCoulombCoeff(1.5);
                one.BuildPairTables();
                for (int threads : {2, 3, 4}) {
                    TForce many(list);
                    many.SetThreads(threads);
                    many.SetParallelFrom(2);
                    if (charged) many.SetCoulombCoeff(1.5);
                    many.BuildPairTables();
                    for (double p : {-2.0, 3.0, -1.5, -1.0}) {
                        one.SetPower(p);
                        many.SetPower(p);
                        one.ComputePairTerms();
                        many.ComputePairTerms();
                        for (int i = 0; i < n; ++i) {
                            const TVector a = one.Acceleration(i);
                            const TVector b = many.Acceleration(i);
                            for (int c = 0; c < dims; ++c)
                                ASSERT_TRUE(SameDouble(a[c], b[c]))
                                    << "dims " << dims << ", n " << n << ", threads " << threads << ", power "
                                    << p << ", particle " << i << ": " << FormatRoundTrip(a[c]) << " vs "
                                    << FormatRoundTrip(b[c]);
                        }
                    }
                }
            }
        }
    }
}

// The shared schedule run by one thread alone (what a busy machine gets) takes every block
// without waiting for ever and gives the bits of the plain evaluation, for block layouts with
// and without the small end blocks and for several thread counts' lanes.
TEST(ForceSameness, ScheduleRunByOneThreadAlone) {
    std::mt19937_64 rng(0xa10e);
    std::uniform_real_distribution<double> coord(-10, 10);
    for (int n : {40, 230, 700})
        for (int threads : {2, 3}) {
            TPairSchedule schedule;
            schedule.Make(n, threads);
            const int plainStride = PairKernelStride(n);
            const int slotStride = PairKernelStride(schedule.SlotCount());
            TLineVector x(3 * static_cast<size_t>(plainStride)), a(x.size(), 0.0), m(static_cast<size_t>(n));
            TLineVector xs(3 * static_cast<size_t>(slotStride)), as(xs.size(), 0.0),
                ms(static_cast<size_t>(slotStride));
            TLineVector scratch(PairKernelScratch(schedule.SlotCount(), 3));
            for (int i = 0; i < n; ++i) {
                const size_t slot = static_cast<size_t>(schedule.Slot(i));
                m[static_cast<size_t>(i)] = ms[slot] = 0.5 + coord(rng) * coord(rng);
                for (size_t c = 0; c < 3; ++c)
                    x[c * static_cast<size_t>(plainStride) + static_cast<size_t>(i)] =
                        xs[c * static_cast<size_t>(slotStride) + slot] = coord(rng);
            }
            TPairKernel plain;
            plain.Count = n;
            plain.Dimensions = 3;
            plain.G = 1;
            plain.Cube = true;
            plain.Stride = plainStride;
            plain.X = x.data();
            plain.A = a.data();
            plain.M = m.data();
            plain.Scratch = scratch.data();
            EvaluatePairRows(plain, 0, n);
            TPairKernel shared = plain;
            shared.Stride = slotStride;
            shared.X = xs.data();
            shared.A = as.data();
            shared.M = ms.data();
            schedule.Reset();
            EXPECT_EQ(schedule.Run(shared, threads - 1), 0);
            for (int i = 0; i < n; ++i)
                for (size_t c = 0; c < 3; ++c)
                    ASSERT_TRUE(SameDouble(
                        a[c * static_cast<size_t>(plainStride) + static_cast<size_t>(i)],
                        as[c * static_cast<size_t>(slotStride) + static_cast<size_t>(schedule.Slot(i))]))
                        << "n " << n << ", threads " << threads << ", particle " << i;
        }
}

// The potential energy, computed by the kernel's vector paths and shared among threads, gives
// the bits of the plain loop over the pairs (the reference) on every path and thread count, for
// every power branch (1 / d, ln d, whole and real powers), with charges, negative and zero masses;
// one that cannot be computed fails as the plain loop does. Small counts are shared too here
// (ParallelFrom 2); 300 particles pass their chunks of pairs around the whole ring of buffers.
TEST(ForceSameness, PotentialEnergyEveryPathAndThreadCount) {
    const std::vector<TKernelPath> paths = KernelPaths();
    struct TRestore {
        TKernelPath Best;
        ~TRestore() { UseKernelPath(Best); }
    } restore{paths.back()};
    std::mt19937_64 rng(0xe4e7);
    const double powers[] = {-2, -1, 1, 0, 3, -5, -1.5, 0.5};
    for (int dims = 1; dims <= 26; ++dims) {
        for (int n : {2, 3, 33, 70, 300}) {
            if (n == 300 && dims != 3 && dims != 7) continue;
            // 0: masses only; 1: massless particles and k without charges; 2: charges and
            // massless particles; 3: charges and negative masses, G = 0; 4: two particles at one
            // place, one of them massless.
            for (int variant = 0; variant < 5; ++variant) {
                TRandomSetup s;
                s.MasslessShare = variant == 1 || variant == 2 ? 0.3 : 0;
                s.Charges = variant == 2 || variant == 3;
                s.NegativeMasses = variant == 3;
                TParticlesList list(dims);
                FillRandom(list, n, rng, s);
                if (variant == 4) {
                    list.Particles(n - 1).Position.Assign(list.Particles(0).Position);
                    list.Particles(0).Mass = 0;
                }
                const double k =
                    variant == 0 || variant == 4 ? 0 : std::uniform_real_distribution<double>(0.1, 3)(rng);
                const double g = variant == 3 ? 0 : 1;
                TReferenceForce ref(list);
                ref.G = g;
                ref.K = k;
                std::vector<std::unique_ptr<TForce>> forces;
                for (int threads = 1; threads <= 4; ++threads) {
                    forces.push_back(std::make_unique<TForce>(list));
                    forces.back()->SetThreads(threads);
                    forces.back()->SetParallelFrom(2);
                    forces.back()->SetGravConstant(g);
                    forces.back()->SetCoulombCoeff(k);
                }
                for (double p : powers) {
                    ref.SetPower(p);
                    const double expected = ref.PotentialEnergy();
                    for (TKernelPath path : paths) {
                        ASSERT_TRUE(UseKernelPath(path));
                        for (size_t t = 0; t < forces.size(); ++t) {
                            TForce& force = *forces[t];
                            force.SetPower(p);
                            const std::string where = "path " + std::to_string(static_cast<int>(path)) +
                                                      ", threads " + std::to_string(t + 1) + ", dims " +
                                                      std::to_string(dims) + ", n " + std::to_string(n) +
                                                      ", variant " + std::to_string(variant) + ", power " +
                                                      FormatRoundTrip(p);
                            if (std::isfinite(expected)) {
                                const double u = force.PotentialEnergy();
                                ASSERT_TRUE(SameDouble(u, expected)) << where << ": " << FormatRoundTrip(u)
                                                                     << " vs " << FormatRoundTrip(expected);
                                continue;
                            }
                            // Only the coincident pair with Power <= -1 fails: d = 0 divides by zero.
                            ASSERT_TRUE(variant == 4 && p <= -1) << where;
                            try {
                                force.PotentialEnergy();
                                FAIL() << where;
                            } catch (const EMathError& e) {
                                ASSERT_STREQ(e.what(), "Floating point division by zero") << where;
                            }
                        }
                    }
                }
            }
        }
    }
}

// The floating-point exception flags raised by another thread of the pool reach the calling
// thread, whose checks turn them into errors; every part of a job runs once per run.
TEST(WorkerPool, EveryPartRunsAndFlagsReachTheCaller) {
    TWorkerPool pool(3);
    struct TContext {
        std::atomic<int> Parts{0};
        volatile double Zero = 0;
    } context;
    for (int run = 0; run < 50; ++run) {
        std::feclearexcept(FE_ALL_EXCEPT);
        pool.Run(
            [](void* c, int thread) {
                auto& ctx = *static_cast<TContext*>(c);
                ctx.Parts.fetch_add(1 << (8 * thread));
                if (thread == 2) {
                    const volatile double inf = 1 / ctx.Zero;
                    (void)inf;
                }
            },
            &context);
        EXPECT_TRUE(std::fetestexcept(FE_DIVBYZERO));
    }
    EXPECT_EQ(context.Parts.load(), 50 * (1 + (1 << 8) + (1 << 16)));
}

namespace {

// A system that gives only `StartsLeft` more threads.
std::atomic<int> StartsLeft{0};
std::thread RefusingStarter(std::function<void()> body) {
    if (StartsLeft.fetch_sub(1) <= 0)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return std::thread(std::move(body));
}

int ThreadsOfTheProcess() {
    int count = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

}  // namespace

// A thread the system refuses ends the pool: the threads it started are joined and the message
// says which thread failed. A force that asked for the threads fails with that message and
// evaluates as before once the threads are to be had.
TEST(WorkerPool, AThreadTheSystemRefusesEndsThePoolWithAMessage) {
    const int before = ThreadsOfTheProcess();
    const TThreadStarter previous = SetThreadStarter(RefusingStarter);
    for (const int granted : {0, 1, 2}) {
        StartsLeft = granted;
        try {
            TWorkerPool pool(4);
            ADD_FAILURE() << granted;
        } catch (const EKNError& e) {
            EXPECT_EQ(std::string(e.what()), "Could not start thread " + std::to_string(granted + 2) +
                                                 " of 4: Resource temporarily unavailable");
        }
        EXPECT_EQ(ThreadsOfTheProcess(), before) << granted;
    }
    std::mt19937_64 rng(5);
    TParticlesList list(3);
    FillRandom(list, 40, rng, {});
    TForce one(list);
    one.SetThreads(1);
    one.BuildPairTables();
    one.ComputePairTerms();
    TForce many(list);
    many.SetThreads(4);
    many.SetParallelFrom(2);
    StartsLeft = 1;
    EXPECT_THROW(
        {
            many.BuildPairTables();
            many.ComputePairTerms();
        },
        EKNError);
    EXPECT_EQ(ThreadsOfTheProcess(), before);
    SetThreadStarter(previous);
    many.BuildPairTables();
    many.ComputePairTerms();
    for (int i = 0; i < list.Count(); ++i)
        for (int c = 0; c < 3; ++c) EXPECT_TRUE(SameDouble(one.Acceleration(i)[c], many.Acceleration(i)[c]));
}

TEST(ForceSameness, ChangesOfGKAndPowerBetweenEvaluations) {
    std::mt19937_64 rng(77);
    std::uniform_real_distribution<double> value(-3, 3);
    for (int dims : {1, 2, 3, 4, 5, 7, 26}) {
        for (int n : {2, 3, 17, 40}) {
            TParticlesList list(dims);
            TRandomSetup s;
            s.Charges = true;
            s.MasslessShare = 0.2;
            FillRandom(list, n, rng, s);
            TForce fast(list);
            TReferenceForce ref(list);
            TPair both{fast, ref};
            both.Build();
            // k = 0 first (coefficients all G), then Coulomb on, gravitation off and on again.
            const std::vector<std::pair<char, double>> changes{
                {'p', -2},         {'k', value(rng)}, {'g', 0}, {'p', -1},   {'g', value(rng)},
                {'p', -1.5},       {'k', 0},          {'p', 1}, {'g', -0.0}, {'k', value(rng)},
                {'p', 0.125},      {'g', 0},          {'k', 0}, {'p', -2},   {'g', value(rng)},
                {'k', value(rng)}, {'p', -7}};
            for (const auto& [what, v] : changes) {
                if (what == 'g') both.SetG(v);
                if (what == 'k') both.SetK(v);
                if (what == 'p') both.SetPower(v);
                MoveRandomly(list, rng);
                fast.ComputePairTerms();
                ref.ComputePairTerms();
                ASSERT_TRUE(AgreeExactly(fast, ref, n))
                    << "dims " << dims << ", n " << n << " after " << what << " := " << v;
            }
        }
    }
}

TEST(ForceSameness, GivenPositionsStaleCoefficientsAndCountChanges) {
    std::mt19937_64 rng(99);
    std::normal_distribution<double> coord(0, 5);
    for (int dims : {1, 2, 3, 4, 6, 26}) {
        TParticlesList list(dims);
        TRandomSetup s;
        s.Charges = true;
        s.MasslessShare = 0.25;
        FillRandom(list, 17, rng, s);
        TForce fast(list);
        TReferenceForce ref(list);
        TPair both{fast, ref};
        both.SetK(1.5);
        both.Build();

        // The intermediate positions of a multi-stage method: another array than the particles'.
        std::vector<TVector> stage(17, TVector(dims));
        TVectorArray given;
        std::vector<const TVector*> givenRef;
        for (TVector& v : stage) {
            for (int c = 0; c < dims; ++c) v[c] = coord(rng);
            given.push_back(&v);
            givenRef.push_back(&v);
        }
        for (double p : {-2.0, -1.0, -1.5, 2.0}) {
            both.SetPower(p);
            fast.ComputePairTerms(given);
            ref.ComputePairTerms(givenRef);
            ASSERT_TRUE(AgreeExactly(fast, ref, 17, false)) << dims << " " << p;
            ASSERT_TRUE(AgreeExactly(fast, ref, 17, true)) << dims << " " << p;  // potential: particles
        }

        // Masses and charges changed without a rebuild: new masses weigh at once, the
        // evaluation's coefficients stay those of the last build, the potential takes the new.
        list.Particles(3).Mass = 7;
        list.Particles(4).SetCharge(0);
        if (list.Particles(5).Mass != 0) list.Particles(5).SetCharge(2.5);
        fast.ComputePairTerms();
        ref.ComputePairTerms();
        ASSERT_TRUE(AgreeExactly(fast, ref, 17)) << dims;
        both.Build();
        fast.ComputePairTerms();
        ref.ComputePairTerms();
        ASSERT_TRUE(AgreeExactly(fast, ref, 17)) << dims;

        // Particles added and removed without a rebuild.
        list.Delete(0);
        fast.ComputePairTerms();
        ref.ComputePairTerms();
        ASSERT_TRUE(AgreeExactly(fast, ref, 16)) << dims;
        FillRandom(list, 3, rng, s);
        both.SetG(0.5);
        fast.ComputePairTerms();
        ref.ComputePairTerms();
        ASSERT_TRUE(AgreeExactly(fast, ref, 19)) << dims;
    }
}
