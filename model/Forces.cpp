#include "model/Forces.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>

#include "engine/KNUtils.h"
#include "model/ForceKernel.h"

namespace kinetra {

double IntPower(double d, int n) {
    double result = 1;
    double b = d;
    // |n| as unsigned so that INT_MIN has a magnitude too.
    unsigned e = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
    while (e > 0) {
        if (e & 1u) result = result * b;
        e >>= 1;
        if (e > 0) b = b * b;
    }
    if (n < 0) result = 1 / result;
    return result;
}

TForce::TForce(TParticlesList& particles)
    : Particles(particles), FDimensions(particles.Dimensions()), Work(particles.Dimensions()) {}

double TForce::GetPower() const {
    return FIntegralPower ? static_cast<double>(FIntExponent) + 1 : FRealExponent + 1;
}

void TForce::SetPower(double value) {
    const double whole = std::nearbyint(value);
    // Whole values are integer powers only while both integer exponents fit 32 bits: value - 1
    // of the pair factor and value + 1 of the potential. Larger ones are taken as real powers.
    if (whole == value && value - 1 >= static_cast<double>(INT_MIN) &&
        value + 1 <= static_cast<double>(INT_MAX)) {
        FIntegralPower = true;
        FIntExponent = static_cast<int>(value - 1);
    } else {
        FIntegralPower = false;
        FRealExponent = value - 1;
    }
    Valid = false;
}

void TForce::SetGravConstant(double value) {
    FGravConstant = value;
    Valid = false;
    UpdateCoefficients();
}

void TForce::SetCoulombCoeff(double value) {
    FCoulombCoeff = value;
    Valid = false;
    UpdateCoefficients();
}

double TForce::Coefficient(int later, int earlier) const {
    const TParticle& a = Particles.Particles(later);
    const TParticle& b = Particles.Particles(earlier);
    if (FCoulombCoeff != 0 && a.Mass != 0 && b.Mass != 0)
        return FGravConstant - ((FCoulombCoeff * a.Charge()) * b.Charge()) / (a.Mass * b.Mass);
    return FGravConstant;
}

bool TForce::NeedsCoefficientTable() const {
    // Without charges G - ((k*0)*0)/(m*m) is G itself, except for the sign of a zero G.
    if (FCoulombCoeff == 0) return false;
    if (FGravConstant == 0) return true;
    const int n = Particles.Count();
    for (int i = 0; i < n; ++i)
        if (Particles.Particles(i).Charge() != 0) return true;
    return false;
}

void TForce::BuildPairTables() {
    Prepared = -1;
    Valid = false;
    UseTable = false;
    const int n = Particles.Count();
    LayOut(n);
    Evaluated = 0;
    if (n < 2) return;
    Prepared = n;
    UpdateCoefficients();
}

void TForce::LayOut(int n) {
    const int threads = Parallel(n) ? FThreads : 1;
    LaidOutCount = n;
    LaidOutThreads = threads;
    int slots = n;
    Slots.clear();
    if (threads > 1) {
        if (!Pool || Pool->Threads() != threads) Pool = std::make_unique<TWorkerPool>(threads);
        Schedule.Make(n, threads);
        slots = Schedule.SlotCount();
        Slots.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) Slots[static_cast<size_t>(i)] = Schedule.Slot(i);
    }
    Stride = static_cast<size_t>(PairKernelStride(slots));
    const size_t dd = static_cast<size_t>(FDimensions);
    X.assign(dd * Stride, 0.0);
    A.assign(dd * Stride, 0.0);
    M.assign(Stride, 0.0);
    Scratch.assign(static_cast<size_t>(threads) * PairKernelScratch(slots, FDimensions), 0.0);
    LayOutCoefficients();
}

void TForce::UpdateCoefficients() {
    if (Prepared < 2) return;
    // Particles may have been added or removed since the tables were built (G or k changed in
    // between): take the particles now present rather than index ones that are gone.
    const int n = Particles.Count();
    if (n < 2) {
        Prepared = -1;
        Valid = false;
        UseTable = false;
        return;
    }
    Prepared = n;
    UseTable = NeedsCoefficientTable();
    MadeFrom.resize(2 * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const TParticle& p = Particles.Particles(i);
        MadeFrom[2 * static_cast<size_t>(i)] = p.Mass;
        MadeFrom[2 * static_cast<size_t>(i) + 1] = p.Charge();
    }
    Valid = true;
    CoefG = FGravConstant;
    CoefK = FCoulombCoeff;
    LayOutCoefficients();
}

void TForce::LayOutCoefficients() {
    // Made for another particle count: the next evaluation makes them again.
    if (!UseTable || MadeFrom.size() != 2 * static_cast<size_t>(LaidOutCount)) return;
    CoefMass.assign(Stride, 1.0);
    CoefCharge.assign(Stride, 0.0);
    Massive.assign(Stride, 0.0);
    for (int i = 0; i < LaidOutCount; ++i) {
        const size_t at = SlotOf(i);
        const double mass = MadeFrom[2 * static_cast<size_t>(i)];
        const bool massive = mass != 0;
        CoefMass[at] = massive ? mass : 1;
        CoefCharge[at] = massive ? MadeFrom[2 * static_cast<size_t>(i) + 1] : 0;
        Massive[at] = massive ? 1 : 0;
    }
}

bool TForce::CoefficientsValid() const {
    const int n = Particles.Count();
    if (!Valid || Prepared != n || n < 2 || MadeFrom.size() != 2 * static_cast<size_t>(n)) return false;
    // Bit for bit, so that a NaN or the sign of a zero counts as a change too.
    const auto same = [](double a, double b) {
        return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
    };
    for (int i = 0; i < n; ++i) {
        const TParticle& p = Particles.Particles(i);
        if (!same(MadeFrom[2 * static_cast<size_t>(i)], p.Mass) ||
            !same(MadeFrom[2 * static_cast<size_t>(i) + 1], p.Charge()))
            return false;
    }
    return true;
}

void TForce::Gather(const TVectorArray* positions) {
    const int n = Particles.Count();
    // Laid out for another particle count or thread count: lay out anew (the coefficients come
    // with the next Evaluate when the count changed).
    if (n != LaidOutCount || (Parallel(n) ? FThreads : 1) != LaidOutThreads) LayOut(n);
    const size_t dd = static_cast<size_t>(FDimensions);
    for (int i = 0; i < n; ++i) {
        const TVector& p =
            positions ? *(*positions)[static_cast<size_t>(i)] : Particles.Particles(i).Position;
        const size_t at = SlotOf(i);
        for (size_t c = 0; c < dd; ++c) X[c * Stride + at] = p[static_cast<int>(c)];
        M[at] = Particles.Particles(i).Mass;
    }
    for (double& a : A) a = 0;
    Evaluated = n;
}

double TForce::PairFactor(double d) const {
    return FIntegralPower ? IntPower(d, FIntExponent) : std::pow(d, FRealExponent);
}

void TForce::ComputePairTerms() {
    ++FEvaluations;
    Gather(nullptr);
    Evaluate();
}

void TForce::ComputePairTerms(const TVectorArray& positions) {
    ++FEvaluations;
    Gather(&positions);
    Evaluate();
}

void TForce::Evaluate() {
    if (Evaluated < 2) return;  // no pairs: every acceleration is zero
    if (Prepared != Evaluated) {
        // Not built for this particle count: take the coefficients of the current particles.
        Prepared = Evaluated;
        UpdateCoefficients();
    }
    TPairKernel k;
    k.Count = Evaluated;
    k.Stride = static_cast<int>(Stride);
    k.Dimensions = FDimensions;
    k.X = X.data();
    k.A = A.data();
    k.M = M.data();
    k.G = FGravConstant;
    if (UseTable) {
        k.CoefMass = CoefMass.data();
        k.CoefCharge = CoefCharge.data();
        k.Massive = Massive.data();
        k.G = CoefG;
        k.K = CoefK;
    }
    k.Cube = FIntegralPower && FIntExponent == -3;
    k.Law = this;
    k.Scratch = Scratch.data();
    if (LaidOutThreads == 1) {
        EvaluatePairRows(k, 0, Evaluated);
        return;
    }
    Schedule.Reset();
    if (AloneFor > 0) {
        // The other threads were off their cores lately (a busy machine): the calling thread
        // takes every block itself, with the same bits.
        --AloneFor;
        Schedule.Run(k, 0);
        return;
    }
    struct TJob {
        const TPairKernel* Kernel;
        TPairSchedule* Schedule;
        double* Scratch;
        size_t PerThread;
        double Slept;
        std::chrono::steady_clock::time_point Done;
    } job{&k, &Schedule, Scratch.data(), PairKernelScratch(Schedule.SlotCount(), FDimensions), 0, {}};
    const auto start = std::chrono::steady_clock::now();
    Pool->Run(
        [](void* context, int thread) {
            TJob& j = *static_cast<TJob*>(context);
            TPairKernel own = *j.Kernel;
            own.Scratch = j.Scratch + static_cast<size_t>(thread) * j.PerThread;
            const double slept = j.Schedule->Run(own, thread);
            if (thread == 0) {
                j.Slept = slept;
                j.Done = std::chrono::steady_clock::now();
            }
        },
        &job);
    // When the calling thread spent a third of the evaluation asleep waiting for blocks that
    // another thread held, or for another thread to finish, that thread lost its core to
    // another program, and sharing costs more than it gains: the next evaluations run on the
    // calling thread alone, then sharing is tried again.
    const auto end = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(end - start).count();
    const double idle = job.Slept + std::chrono::duration<double>(end - job.Done).count();
    if (idle > seconds / 3) AloneFor = 64;
}

void TForce::SetThreads(int threads) {
    FThreads = threads > 0 ? threads : MachineThreads();
}

double TForce::PairFactorOf(double d) const {
    return PairFactor(d);
}

double TForce::PotentialEnergy() {
    const int n = Particles.Count();
    const bool ln = FIntegralPower && FIntExponent == -2;
    const double power1 = GetPower() + 1;
    // The coefficients of the particles as they are now, also right after an edit before the run
    // is prepared again (the information window asks then).
    const bool perPair = NeedsCoefficientTable();
    // d = 0 with Power <= -1 divides by zero (and 0 * inf of a massless particle is invalid):
    // an energy that cannot be computed is an error, never a -inf or NaN to show.
    const TFloatCheck check;
    double U = 0;
    for (int i = 0; i < n; ++i) {
        const TParticle& pi = Particles.Particles(i);
        for (int j = i + 1; j < n; ++j) {
            const TParticle& pj = Particles.Particles(j);
            const double d = pi.Position.Distance(pj.Position);
            double g;
            if (ln)
                g = std::log(d);
            else if (FIntegralPower)
                g = IntPower(d, FIntExponent + 2) / power1;
            else
                g = std::pow(d, power1) / power1;
            double C = FGravConstant;
            if (perPair) C = Coefficient(j, i);
            U = U + ((pi.Mass * pj.Mass) * C) * g;
        }
    }
    return check.Check(U);
}

}  // namespace kinetra

// ---------------------------------------------------------------------------------------------
// The force line of a setup file

#include "engine/SetupFile.h"

namespace kinetra {

void TForce::LoadFromFile(TSetupReader& reader) {
    const double power = reader.ReadReal("power of distance");
    const double gravConstant = reader.ReadReal("gravitational constant");
    const double coulombCoeff = reader.ReadReal("Coulomb force coefficient");
    reader.ReadLn();
    StoreConstants(gravConstant, coulombCoeff);
    SetPower(power);
}

void TForce::SaveToFile(TSetupWriter& writer) const {
    writer.WriteLine(TSetupWriter::Real(GetPower()) + " " + TSetupWriter::Real(FGravConstant) + " " +
                     TSetupWriter::Real(FCoulombCoeff));
}

}  // namespace kinetra
