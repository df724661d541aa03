#include "model/Forces.h"

#include <bit>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdint>

#include "base/KNUtils.h"
#include "base/SetupText.h"

namespace kinetra {

TForce::TForce(TParticlesList& particles)
    : Particles(particles),
      FDimensions(particles.Dimensions()),
      Work(particles.Dimensions()),
      Machine(particles.Dimensions()) {}

double TForce::GetPower() const {
    return FIntegralPower ? static_cast<double>(FIntExponent) + 1 : FRealExponent + 1;
}

void TForce::SetPower(double value) {
    FPowerGiven = value;
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
    LawChanged();
}

void TForce::SetGravConstant(double value) {
    FGravConstant = value;
    Valid = false;
    UpdateCoefficients();
    LawChanged();
}

void TForce::SetCoulombCoeff(double value) {
    FCoulombCoeff = value;
    Valid = false;
    UpdateCoefficients();
    LawChanged();
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
    Machine.LayOut(n);
    LawChanged();
    if (n < 2) return;
    Prepared = n;
    UpdateCoefficients();
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
        LawChanged();
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
    ++CoefVersion;
    LawChanged();
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

void TForce::CoefficientsForCount(int n) {
    Prepared = n;
    UpdateCoefficients();
}

void TForce::LawChanged() {
    // The kernel takes the G and k that the per-pair coefficients were made with; equal
    // coefficients are G as it is now.
    EvaluatedLaw.G = UseTable ? CoefG : FGravConstant;
    EvaluatedLaw.K = UseTable ? CoefK : 0;
    EvaluatedLaw.IntegralPower = FIntegralPower;
    EvaluatedLaw.IntExponent = FIntExponent;
    EvaluatedLaw.RealExponent = FRealExponent;
    EvaluatedCoefficients = UseTable ? TPairCoefficients{MadeFrom.data(), CoefVersion} : TPairCoefficients{};
}

void TForce::SetTreeAngle(double theta) {
    if (const char* error = TreeAngleError(theta); *error) throw EKNError(error);
    if (FDimensions > 3) throw EKNError(TreeDimensionsError(FDimensions));
    Machine.SetTreeAngle(theta);
}

double TForce::PotentialEnergy() {
    // The coefficients of the particles as they are now, also right after an edit before the run
    // is prepared again (the information window asks then).
    const bool perPair = NeedsCoefficientTable();
    TPairLaw law;
    law.G = FGravConstant;
    law.K = FCoulombCoeff;
    law.IntegralPower = FIntegralPower;
    law.IntExponent = FIntExponent;
    law.RealExponent = FRealExponent;
    // d = 0 with Power <= -1 divides by zero (and 0 * inf of a massless particle is invalid):
    // an energy that cannot be computed is an error, never a -inf or NaN to show.
    const TFloatCheck check;
    if (Machine.TreeAngle() > 0) return check.Check(Machine.TreePotential(Particles, law, perPair));
    const double U = Machine.PotentialSum(Particles, law, perPair);
    if (std::isfinite(U)) return U;
    // The machine's vector lanes may have raised flags for values it did not use, so the flags
    // that name the failure come from the plain loop, which gives the same sum.
    std::feclearexcept(FE_ALL_EXCEPT);
    return check.Check(PlainPotentialEnergy(perPair));
}

double TForce::PlainPotentialEnergy(bool perPair) const {
    const int n = Particles.Count();
    const bool ln = FIntegralPower && FIntExponent == -2;
    const double power1 = GetPower() + 1;
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
    return U;
}

// ---------------------------------------------------------------------------------------------
// The force line of a setup file

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
