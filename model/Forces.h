// TForce: one central pair force that combines gravitation and the Coulomb force with a
// configurable power of distance, and its potential energy.
//
// For particles i and j (masses m, charges q, distance d = |r_j - r_i|) the pair coefficient is
//   C_ij = G - ((k * q_i) * q_j) / (m_i * m_j)   (i the later particle of the pair)
// when k != 0 and both masses are non-zero, else C_ij = G. The acceleration of i caused by j is
//   C_ij * m_j * d^(Power - 1) * (r_j - r_i),
// so the force has magnitude (G m_i m_j - k q_i q_j) d^Power; positive attracts. Power = -2 with
// G = GN and k = 1/(4 PI E0) is Newton's and Coulomb's law in SI units. No softening, no cut-off.
// The potential is U = sum over pairs of m_i m_j C g(d) with g = ln d for Power = -1 and
// g = d^(Power+1)/(Power+1) otherwise.
//
// Evaluation: each unordered pair term  T = w * (f * C)  (w = r_j - r_i, f = d^(Power-1)) is
// computed once and added to both particles in one pass over the rows i = 0..n-1, j < i:
// particle i gets m_j * T, particle j gets (-m_i) * T. Row by row, every particle receives its
// terms in the index order of the other particle, which is the order of the sum
//   a_i = sum_{j != i} (j < i ? m_j * T_ij : (-m_j) * T_ji),
// so the result is bit for bit that of a table of pair terms summed per particle, without
// storing the O(N^2) table (the kernel that does so: ForceKernel.h). When charges make the pair
// coefficients differ, the kernel forms each one from the masses and charges of the pair (kept
// per particle when the coefficients are updated), so nothing grows with N^2.
//
// TForce is the law: its constants, power and coefficients, the potential and the force line of
// a setup file. The machine that evaluates it (storage layout, kernel paths, threads) is
// TForceEvaluator (ForceEvaluator.h), which TForce owns and hands the law as a TPairLaw.
#pragma once

#include <cstdint>
#include <vector>

#include "base/Vector.h"
#include "model/ForceEvaluator.h"
#include "model/PairLaw.h"
#include "model/Particles.h"

namespace kinetra {

class TSetupReader;
class TSetupWriter;

class TForce {
public:
    explicit TForce(TParticlesList& particles);
    TForce(const TForce&) = delete;
    TForce& operator=(const TForce&) = delete;

    int Dimensions() const { return FDimensions; }
    double GravConstant() const { return FGravConstant; }
    double CoulombCoeff() const { return FCoulombCoeff; }
    int IntExponent() const { return FIntExponent; }
    double RealExponent() const { return FRealExponent; }
    bool IntegralPower() const { return FIntegralPower; }

    // Readies the evaluation for the current particles (sizes, coefficients).
    void BuildPairTables();
    // Recomputes the pair coefficients from the current masses, charges, G and k.
    void UpdateCoefficients();
    // Whether the stored pair coefficients are those of the current particles, G and k: set by
    // UpdateCoefficients, cleared by every change of G, k or the power, and by any change of
    // the particles' masses or charges (seen by comparing them with the ones the coefficients
    // were made from, as masses are plain fields that the editors write).
    bool CoefficientsValid() const;
    void SetGravConstant(double value);
    void SetCoulombCoeff(double value);
    double GetPower() const;
    // The value last given to SetPower (GetPower computes it back from the exponent it keeps,
    // which may differ in the last bits): what an undo puts back.
    double PowerAsGiven() const { return FPowerGiven; }
    // A whole value (that fits a 32-bit exponent) selects the integer power, any other value
    // the real power.
    void SetPower(double value);

    // Threads that share a force evaluation (the calling thread included); 0 or less: one per
    // core of the machine, the default. Every thread count gives the same bits. Setups of fewer
    // than ParallelFrom() particles are evaluated on the calling thread alone.
    void SetThreads(int threads) { Machine.SetThreads(threads); }
    int Threads() const { return Machine.Threads(); }
    void SetParallelFrom(int particles) { Machine.SetParallelFrom(particles); }
    int ParallelFrom() const { return Machine.ParallelFrom(); }

    // The approximate forces of a tree of cells with opening angle theta (above 0, at most 1.5;
    // EKNError otherwise), for 1 to 3 dimensions and masses and charges of one sign each (the
    // first evaluation refuses others with EKNError). The potential energy then comes from the
    // same tree. A run setting, not part of a setup. UseExactSum: the exact sum, the default.
    void SetTreeAngle(double theta);
    void UseExactSum() { Machine.SetTreeAngle(0); }
    // 0 for the exact sum.
    double TreeAngle() const { return Machine.TreeAngle(); }

    // Evaluates the accelerations of all particles at their current positions, or at the
    // given positions (one per particle, in index order).
    void ComputePairTerms() { Evaluate(nullptr); }
    void ComputePairTerms(const TVectorArray& positions) { Evaluate(&positions); }
    // How many times ComputePairTerms has run since the force model was made: the cost measure
    // of a method (one evaluation is O(N^2) pair terms).
    std::int64_t Evaluations() const { return Machine.Evaluations(); }
    // to_c := factor * a_c + to_c for the acceleration a of particle `index` (0 <= index <
    // the particle count of the last ComputePairTerms), read in place: the same bits as
    // to.AddScaled(Acceleration(index), factor) without the copy, whose narrow stores a wide
    // load of the copy would have to wait for.
    void AddAcceleration(int index, double factor, TVector& to) const {
        Machine.AddAcceleration(index, factor, to);
    }
    // The acceleration of particle i from the last ComputePairTerms, in a buffer that the next
    // call overwrites.
    const TVector& Acceleration(int index) {
        if (!Machine.CopyAcceleration(index, Work)) Work.Clear();
        return Work;
    }
    // Potential energy of the current positions, with the coefficients of the current
    // particles (also before BuildPairTables). EMathError ("Floating point division by zero",
    // "Floating point overflow", "Invalid floating point operation") when it cannot be
    // computed: two particles at one place with Power <= -1, an overflow, a NaN.
    double PotentialEnergy();

    // Stored G and k as read; Power through SetPower.
    void StoreConstants(double gravConstant, double coulombCoeff) {
        FGravConstant = gravConstant;
        FCoulombCoeff = coulombCoeff;
        Valid = false;
        LawChanged();
    }

    void LoadFromFile(TSetupReader& reader);
    void SaveToFile(TSetupWriter& writer) const;

private:
    double Coefficient(int later, int earlier) const;
    bool NeedsCoefficientTable() const;
    void Evaluate(const TVectorArray* positions) {
        // Coefficients made for another particle count: take those of the current particles.
        const int n = Particles.Count();
        if (n >= 2 && Prepared != n) CoefficientsForCount(n);
        Machine.Evaluate(Particles, positions, EvaluatedLaw, EvaluatedCoefficients);
    }
    void CoefficientsForCount(int n);
    // Makes EvaluatedLaw and EvaluatedCoefficients those of the current constants, power and
    // coefficients; every change of them calls it.
    void LawChanged();
    // The potential as the plain loop over the pairs sums it, unchecked.
    double PlainPotentialEnergy(bool perPair) const;

    TParticlesList& Particles;
    int FDimensions;
    double FGravConstant = 1;
    double FCoulombCoeff = 0;
    int FIntExponent = -3;
    double FRealExponent = 0;
    bool FIntegralPower = true;
    double FPowerGiven = -2;

    TVector Work;
    int Prepared = -1;             // particle count the coefficients were made for; -1: none
    bool Valid = false;            // the validity mark of the coefficients (CoefficientsValid)
    std::vector<double> MadeFrom;  // masses and charges, in pairs, the coefficients came from
    bool UseTable = false;         // coefficients differ per pair
    double CoefG = 0;              // G and k the pair coefficients were formed with
    double CoefK = 0;
    std::uint64_t CoefVersion = 0;  // changes with every UpdateCoefficients
    // What the machine is handed for an evaluation.
    TPairLaw EvaluatedLaw;
    TPairCoefficients EvaluatedCoefficients;
    TForceEvaluator Machine;
};

}  // namespace kinetra
