#include "model/ForceEvaluator.h"

#include <chrono>

namespace kinetra {

void TForceEvaluator::LayOut(int n) {
    const int threads = Parallel(n) ? FThreads : 1;
    // First, so that a pool the system refuses leaves the evaluator as it was.
    if (threads > 1 && (!Pool || Pool->Threads() != threads)) Pool = std::make_unique<TWorkerPool>(threads);
    LaidOutCount = n;
    LaidOutThreads = threads;
    int slots = n;
    Slots.clear();
    if (threads > 1) {
        Schedule.Make(n, threads);
        slots = Schedule.SlotCount();
        Slots.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) Slots[static_cast<size_t>(i)] = Schedule.Slot(i);
    }
    Stride = static_cast<size_t>(PairKernelStride(slots));
    const size_t dd = static_cast<size_t>(Dimensions);
    X.assign(dd * Stride, 0.0);
    A.assign(dd * Stride, 0.0);
    M.assign(Stride, 0.0);
    Scratch.assign(static_cast<size_t>(threads) * PairKernelScratch(slots, Dimensions), 0.0);
    // Sized here, filled by the first evaluation that needs them, so that evaluations allocate
    // nothing.
    CoefMass.resize(Stride);
    CoefCharge.resize(Stride);
    Massive.resize(Stride);
    CoefficientsLaidOut = false;
    FEvaluated = 0;
    LayOutPotential(n);
}

void TForceEvaluator::LayOutPotential(int n) {
    PotentialCount = n;
    PotentialStride = static_cast<size_t>(PairKernelStride(n));
    PX.resize(static_cast<size_t>(Dimensions) * PotentialStride);
    for (std::vector<double>* v : {&PM, &PKQ, &PCoefMass, &PCharge, &PMassive}) v->resize(PotentialStride);
}

void TForceEvaluator::LayOutCoefficients(const TPairCoefficients& coefficients) {
    CoefMass.assign(Stride, 1.0);
    CoefCharge.assign(Stride, 0.0);
    Massive.assign(Stride, 0.0);
    for (int i = 0; i < LaidOutCount; ++i) {
        const size_t at = SlotOf(i);
        const double mass = coefficients.MadeFrom[2 * static_cast<size_t>(i)];
        const bool massive = mass != 0;
        CoefMass[at] = massive ? mass : 1;
        CoefCharge[at] = massive ? coefficients.MadeFrom[2 * static_cast<size_t>(i) + 1] : 0;
        Massive[at] = massive ? 1 : 0;
    }
    CoefficientsLaidOut = true;
    CoefficientsVersion = coefficients.Version;
}

void TForceEvaluator::Gather(const TParticlesList& particles, const TVectorArray* positions) {
    const int n = particles.Count();
    // Laid out for another particle count or thread count: lay out anew.
    if (n != LaidOutCount || (Parallel(n) ? FThreads : 1) != LaidOutThreads) LayOut(n);
    const size_t dd = static_cast<size_t>(Dimensions);
    for (int i = 0; i < n; ++i) {
        const TVector& p =
            positions ? *(*positions)[static_cast<size_t>(i)] : particles.Particles(i).Position;
        const size_t at = SlotOf(i);
        for (size_t c = 0; c < dd; ++c) X[c * Stride + at] = p[static_cast<int>(c)];
        M[at] = particles.Particles(i).Mass;
    }
    for (double& a : A) a = 0;
    FEvaluated = n;
}

void TForceEvaluator::Evaluate(const TParticlesList& particles, const TVectorArray* positions,
                               const TPairLaw& law, const TPairCoefficients& coefficients) {
    ++FEvaluations;
    Gather(particles, positions);
    if (FEvaluated < 2) return;  // no pairs: every acceleration is zero
    if (FTreeAngle > 0) {
        if (!Tree) Tree = std::make_unique<TForceTree>(Dimensions);
        TTreeBodies bodies;
        bodies.Count = FEvaluated;
        bodies.X = X.data();
        bodies.Stride = Stride;
        bodies.Slots = Slots.empty() ? nullptr : Slots.data();
        bodies.M = M.data();
        bodies.MassCharge = coefficients.MadeFrom;
        bodies.Charges = coefficients.MadeFrom != nullptr;
        Tree->Evaluate(bodies, law, FTreeAngle, LaidOutThreads > 1 ? Pool.get() : nullptr, A.data());
        return;
    }
    TPairKernel k;
    k.Count = FEvaluated;
    k.Stride = static_cast<int>(Stride);
    k.Dimensions = Dimensions;
    k.X = X.data();
    k.A = A.data();
    k.M = M.data();
    k.G = law.G;
    if (coefficients.MadeFrom) {
        if (!CoefficientsLaidOut || CoefficientsVersion != coefficients.Version)
            LayOutCoefficients(coefficients);
        k.CoefMass = CoefMass.data();
        k.CoefCharge = CoefCharge.data();
        k.Massive = Massive.data();
        k.K = law.K;
    }
    k.Cube = law.Cube();
    k.Law = &law;
    k.Scratch = Scratch.data();
    Run(k);
}

void TForceEvaluator::Run(const TPairKernel& k) {
    if (LaidOutThreads == 1) {
        EvaluatePairRows(k, 0, FEvaluated);
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
    } job{&k, &Schedule, Scratch.data(), PairKernelScratch(Schedule.SlotCount(), Dimensions), 0, {}};
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

}  // namespace kinetra

namespace kinetra {

double TForceEvaluator::TreePotential(const TParticlesList& particles, const TPairLaw& law, bool perPair) {
    const int n = particles.Count();
    if (n < 2) return 0;
    if (n != PotentialCount) LayOutPotential(n);
    TreeMassCharge.resize(2 * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const TParticle& p = particles.Particles(i);
        for (int c = 0; c < Dimensions; ++c)
            PX[static_cast<size_t>(c) * PotentialStride + static_cast<size_t>(i)] = p.Position[c];
        TreeMassCharge[2 * static_cast<size_t>(i)] = p.Mass;
        TreeMassCharge[2 * static_cast<size_t>(i) + 1] = perPair ? p.Charge() : 0;
    }
    if (!Tree) Tree = std::make_unique<TForceTree>(Dimensions);
    if (Parallel(n) && (!Pool || Pool->Threads() != FThreads)) Pool = std::make_unique<TWorkerPool>(FThreads);
    TTreeBodies bodies;
    bodies.Count = n;
    bodies.X = PX.data();
    bodies.Stride = PotentialStride;
    bodies.MassCharge = TreeMassCharge.data();
    bodies.Charges = perPair;
    return Tree->Potential(bodies, law, FTreeAngle, Parallel(n) ? Pool.get() : nullptr);
}

double TForceEvaluator::PotentialSum(const TParticlesList& particles, const TPairLaw& law, bool perPair) {
    const int n = particles.Count();
    if (n < 2) return 0;
    if (n != PotentialCount) LayOutPotential(n);
    const size_t nn = PotentialStride;
    const double K = law.K;
    for (int i = 0; i < n; ++i) {
        const TParticle& p = particles.Particles(i);
        const size_t at = static_cast<size_t>(i);
        for (int c = 0; c < Dimensions; ++c) PX[static_cast<size_t>(c) * nn + at] = p.Position[c];
        PM[at] = p.Mass;
        if (perPair) {
            const bool massive = p.Mass != 0;
            PKQ[at] = massive ? K * p.Charge() : 0;
            PCoefMass[at] = massive ? p.Mass : 1;
            PCharge[at] = massive ? p.Charge() : 0;
            PMassive[at] = massive ? 1 : 0;
        }
    }
    TPotentialKernel k;
    k.Count = n;
    k.Stride = static_cast<int>(nn);
    k.Dimensions = Dimensions;
    k.X = PX.data();
    k.M = PM.data();
    if (perPair) {
        k.KQ = PKQ.data();
        k.CoefMass = PCoefMass.data();
        k.Charge = PCharge.data();
        k.Massive = PMassive.data();
    }
    k.G = law.G;
    k.Power1 = law.Power() + 1;
    if (!law.IntegralPower)
        k.Form = TPotentialForm::RealPower;
    else if (law.IntExponent == -3)
        k.Form = TPotentialForm::Reciprocal;
    else if (law.IntExponent == -2)
        k.Form = TPotentialForm::Logarithm;
    else {
        k.Form = TPotentialForm::WholePower;
        k.Exponent = law.IntExponent + 2;
    }
    // One thread computes a block of terms while its chain of additions works through the
    // previous block, so its time is the larger of the two; sharing takes the terms to other
    // threads but never speeds up the chain. With 1 / d in up to 3 dimensions the terms cost less
    // than the additions (about 0.35 against 0.47 ns a pair on the machine measured): sharing
    // gained nothing there (1.00-1.04x) and would only keep a second core busy; every other
    // form, and more dimensions, gain from it.
    const bool cheapTerms = k.Form == TPotentialForm::Reciprocal && Dimensions <= 3;
    if (!Parallel(n) || cheapTerms)
        return SumPotentialPairs(k, 0, 1, static_cast<long long>(n) * (n - 1) / 2, 0.0);
    if (AloneFor > 0) {
        // A busy machine, as for an evaluation: this sum counts as one of those run alone.
        --AloneFor;
        return SumPotentialPairs(k, 0, 1, static_cast<long long>(n) * (n - 1) / 2, 0.0);
    }

    if (!Pool || Pool->Threads() != FThreads) Pool = std::make_unique<TWorkerPool>(FThreads);
    if (PotentialShare.Count() != n) PotentialShare.Make(n);
    PotentialShare.Reset();
    struct TJob {
        const TPotentialKernel* Kernel;
        TPotentialShare* Share;
        double U;
        double Slept;
    } job{&k, &PotentialShare, 0, 0};
    const auto start = std::chrono::steady_clock::now();
    Pool->Run(
        [](void* context, int thread) {
            TJob& j = *static_cast<TJob*>(context);
            double slept = 0;
            const double U = j.Share->Run(*j.Kernel, thread, &slept);
            if (thread == 0) {
                j.U = U;
                j.Slept = slept;
            }
        },
        &job);
    // As for an evaluation: a calling thread that slept a third of the time waiting for the
    // others finds them off their cores, and runs alone for a while.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (job.Slept > seconds / 3) AloneFor = 64;
    return job.U;
}

}  // namespace kinetra
