// TForceEvaluator: the machine that evaluates the force law of TForce (Forces.h) for the particles
// of a collection. It lays the coordinates, masses and coefficient inputs out for the pair kernel
// (ForceKernel.h), shares an evaluation among threads (a pool and a schedule of blocks), and on a
// busy machine lets the calling thread run the evaluations alone. Of the law it knows only what
// TPairLaw states and the masses and charges that the pair coefficients are made from; every
// layout, path and thread count gives the same bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/Vector.h"
#include "model/ForceKernel.h"
#include "model/ForceTree.h"
#include "model/PairLaw.h"
#include "model/Particles.h"
#include "model/WorkerPool.h"

namespace kinetra {

// Where the pair coefficients come from when they differ per pair: the mass and the charge of
// each particle in index order (2 n doubles) as the coefficients were made, and a number that
// changes whenever those do. MadeFrom nullptr: every pair coefficient is the law's G.
struct TPairCoefficients {
    const double* MadeFrom = nullptr;
    std::uint64_t Version = 0;
};

class TForceEvaluator {
public:
    explicit TForceEvaluator(int dimensions) : Dimensions(dimensions) {}
    TForceEvaluator(const TForceEvaluator&) = delete;
    TForceEvaluator& operator=(const TForceEvaluator&) = delete;

    // Threads that share an evaluation (the calling thread included); 0 or less: one per core of
    // the machine. Setups of fewer than ParallelFrom() particles run on the calling thread alone.
    void SetThreads(int threads) { FThreads = threads > 0 ? threads : MachineThreads(); }
    int Threads() const { return FThreads; }
    void SetParallelFrom(int particles) { FParallelFrom = particles < 2 ? 2 : particles; }
    int ParallelFrom() const { return FParallelFrom; }

    // Lays the storage out for n particles; nothing is evaluated until the next Evaluate.
    void LayOut(int n);
    // The accelerations of the particles at their current positions, or at `positions` (one per
    // particle, in index order), under `law` with the given pair coefficients.
    void Evaluate(const TParticlesList& particles, const TVectorArray* positions, const TPairLaw& law,
                  const TPairCoefficients& coefficients);
    // Evaluations since the machine was made.
    std::int64_t Evaluations() const { return FEvaluations; }
    // The particle count of the last evaluation.
    int Evaluated() const { return FEvaluated; }

    // to_c := factor * a_c + to_c for the acceleration a of particle `index` (0 <= index <
    // Evaluated()), read in place.
    void AddAcceleration(int index, double factor, TVector& to) const {
        const double* a = A.data() + SlotOf(index);
        double* t = to.Data();
        for (int c = 0; c < Dimensions; ++c) t[c] = factor * a[static_cast<size_t>(c) * Stride] + t[c];
    }
    // Copies the acceleration of particle `index` to `to`; false (and `to` untouched) when the
    // last evaluation had no such particle.
    bool CopyAcceleration(int index, TVector& to) const {
        if (index < 0 || index >= FEvaluated) return false;
        const double* a = A.data() + SlotOf(index);
        for (int c = 0; c < Dimensions; ++c) to[c] = a[static_cast<size_t>(c) * Stride];
        return true;
    }

    // The approximate evaluation by a tree of cells with opening angle theta (ForceTree.h), or
    // the exact sum with 0, the default. The caller checks the angle.
    void SetTreeAngle(double theta) { FTreeAngle = theta; }
    double TreeAngle() const { return FTreeAngle; }
    // The potential energy from the tree of the current angle, for the particles at their
    // current positions; perPair: charges make the coefficients differ per pair.
    double TreePotential(const TParticlesList& particles, const TPairLaw& law, bool perPair);

    // The sum of the potential energy's pair terms for the particles at their current positions,
    // in the order of the plain loop (ForceKernel.h), under `law` with the G and k of the current
    // particles; perPair: the coefficients differ per pair. Shared among the threads like an
    // evaluation. The caller checks the result.
    double PotentialSum(const TParticlesList& particles, const TPairLaw& law, bool perPair);

private:
    bool Parallel(int n) const { return FThreads > 1 && n >= FParallelFrom; }
    // Storage is contiguous per coordinate: X[c * Stride + slot], A[c * Stride + slot], M[slot],
    // the coefficient inputs per slot. A shared evaluation stores particle i at the slot its
    // schedule gives (Slots, with unused slots between the blocks); one thread at slot i.
    size_t SlotOf(int i) const {
        return static_cast<size_t>(Slots.empty() ? i : Slots[static_cast<size_t>(i)]);
    }
    void Gather(const TParticlesList& particles, const TVectorArray* positions);
    void LayOutCoefficients(const TPairCoefficients& coefficients);
    void Run(const TPairKernel& k);
    void LayOutPotential(int n);

    int Dimensions;
    int LaidOutCount = -1;  // particle count and threads of the layout
    int LaidOutThreads = 0;
    size_t Stride = 0;
    std::vector<int> Slots;
    TLineVector X;
    TLineVector A;
    std::vector<double> M;
    // When the coefficients differ per pair, per slot: the mass (1 for a massless particle), the
    // charge (0 for a massless one) and whether the mass is non-zero (1 or 0), and the version of
    // the coefficients they were laid out from.
    std::vector<double> CoefMass;
    std::vector<double> CoefCharge;
    std::vector<double> Massive;
    bool CoefficientsLaidOut = false;
    std::uint64_t CoefficientsVersion = 0;
    TLineVector Scratch;  // per-row products m_j T of the kernels, one part per thread
    int FEvaluated = 0;
    int FThreads = MachineThreads();
    int FParallelFrom = 256;  // below this the waiting costs more than a second thread saves
    std::unique_ptr<TWorkerPool> Pool;
    TPairSchedule Schedule;
    std::int64_t FEvaluations = 0;
    int AloneFor = 0;  // evaluations left that the calling thread runs alone (busy machine)
    // The potential's own storage (plain layout, particle i at i): coordinates, masses and the
    // coefficient inputs of the current particles (see TPotentialKernel), and its sharing.
    int PotentialCount = -1;
    size_t PotentialStride = 0;
    TLineVector PX;
    std::vector<double> PM;
    std::vector<double> PKQ;
    std::vector<double> PCoefMass;
    std::vector<double> PCharge;
    std::vector<double> PMassive;
    TPotentialShare PotentialShare;
    double FTreeAngle = 0;
    std::unique_ptr<TForceTree> Tree;
    std::vector<double> TreeMassCharge;  // masses and charges in index order for the tree
};

}  // namespace kinetra
