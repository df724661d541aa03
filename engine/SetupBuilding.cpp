// Circular orbits, zero total momentum, and the defaults of a new particle.
#include "engine/SetupBuilding.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "engine/SimulationData.h"

namespace kinetra {

namespace {

// The pair coefficient as the force model forms it (Forces.h).
double PairCoefficient(const TForce& force, const TParticle& a, const TParticle& b) {
    const double k = force.CoulombCoeff();
    if (k != 0 && a.Mass != 0 && b.Mass != 0)
        return force.GravConstant() - ((k * a.Charge()) * b.Charge()) / (a.Mass * b.Mass);
    return force.GravConstant();
}

}  // namespace

TVector CircularOrbitVelocity(const TSimData& sim, int body, int centre, int xDim, int yDim, bool clockwise) {
    const TParticlesList& particles = sim.Particles;
    const int n = particles.Dimensions();
    if (n < 2) throw EKNError(MsgOrbitNeedsTwoDimensions);
    if (xDim == yDim || xDim < 0 || yDim < 0 || xDim >= n || yDim >= n) throw EKNError(MsgOrbitNeedsTwoAxes);
    if (body == centre) throw EKNError(MsgOrbitAboutItself);
    const TParticle& b = particles.Particles(body);
    const TParticle& x = particles.Particles(centre);

    const double coefficient = PairCoefficient(*sim.Force, b, x);
    const double reach = b.InitialPosition.Distance(x.InitialPosition);
    // The inner system: X and the particles with mass closer to it than B that B feels as it
    // feels X, as one body of their mass at their centre of mass, moving with it.
    double mass = x.Mass;
    TVector place(n), motion(n);
    place.AddScaled(x.InitialPosition, x.Mass);
    motion.AddScaled(x.InitialVelocity, x.Mass);
    for (int k = 0; k < particles.Count(); ++k) {
        const TParticle& p = particles.Particles(k);
        if (k == body || k == centre || !(p.Mass > 0)) continue;
        if (!(p.InitialPosition.Distance(x.InitialPosition) < reach)) continue;
        if (PairCoefficient(*sim.Force, b, p) != coefficient) continue;
        mass += p.Mass;
        place.AddScaled(p.InitialPosition, p.Mass);
        motion.AddScaled(p.InitialVelocity, p.Mass);
    }
    if (mass > 0 && mass != x.Mass) {
        place.Scale(1 / mass);
        motion.Scale(1 / mass);
    } else {
        // X alone (also a massless X): its own place and velocity.
        mass = x.Mass;
        place.Assign(x.InitialPosition);
        motion.Assign(x.InitialVelocity);
    }

    TVector r(n);
    r.Assign(b.InitialPosition);
    r.Subtract(place);
    const double rx = r[xDim];
    const double ry = r[yDim];
    const double inPlane = std::hypot(rx, ry);
    if (!(inPlane > 0)) throw EKNError(Format(MsgOrbitSamePlace, b.Name, x.Name));

    const double kappa = coefficient * (b.Mass + mass);
    if (!(kappa > 0)) throw EKNError(Format(MsgOrbitNoAttraction, b.Name, x.Name));
    const double d = r.Norm();
    const double speed = std::sqrt(kappa * std::pow(d, sim.Force->GetPower() + 1));
    if (!std::isfinite(speed) || !std::isfinite(inPlane)) throw EKNError(MsgCoordinateOutOfRange);

    // (-ry, rx) is the in-plane part turned a quarter counter-clockwise (y upwards on screen).
    const double sense = clockwise ? -1.0 : 1.0;
    TVector v(n);
    v.Assign(motion);
    v[xDim] += sense * speed * (-ry / inPlane);
    v[yDim] += sense * speed * (rx / inPlane);
    for (int c = 0; c < n; ++c)
        if (!std::isfinite(v[c])) throw EKNError(MsgCoordinateOutOfRange);
    return v;
}

TVector MomentumShift(const TParticlesList& particles) {
    const int n = particles.Dimensions();
    TVector momentum(n);
    double mass = 0;
    for (int i = 0; i < particles.Count(); ++i) {
        const TParticle& p = particles.Particles(i);
        momentum.AddScaled(p.InitialVelocity, p.Mass);
        mass += p.Mass;
    }
    if (mass == 0) throw EKNError(MsgMomentumNeedsMass);
    momentum.Scale(-1 / mass);
    for (int c = 0; c < n; ++c)
        if (!std::isfinite(momentum[c])) throw EKNError(MsgCoordinateOutOfRange);
    return momentum;
}

void ZeroTotalMomentum(TParticlesList& particles) {
    const TVector shift = MomentumShift(particles);
    for (int i = 0; i < particles.Count(); ++i) particles.Particles(i).InitialVelocity.Add(shift);
}

std::string NextParticleName(const TParticlesList& particles) {
    static constexpr std::string_view prefix = "body ";
    long long largest = 0;
    for (int i = 0; i < particles.Count(); ++i) {
        const std::string& name = particles.Particles(i).Name;
        if (name.size() <= prefix.size() || name.size() > prefix.size() + 15) continue;
        bool match = true;
        for (size_t c = 0; c < prefix.size() && match; ++c)
            match = std::tolower(static_cast<unsigned char>(name[c])) == prefix[c];
        long long number = 0;
        for (size_t c = prefix.size(); c < name.size() && match; ++c) {
            const auto digit = static_cast<unsigned char>(name[c]);
            match = std::isdigit(digit) != 0;
            number = number * 10 + (digit - '0');
        }
        if (match) largest = std::max(largest, number);
    }
    return "Body " + std::to_string(largest + 1);
}

int NextColourIndex(const TParticlesList& particles) {
    std::array<int, ColourCount> uses{};
    for (int i = 0; i < particles.Count(); ++i) {
        const int c = particles.Particles(i).ColourIndex;
        if (c >= 0 && c < ColourCount) ++uses[static_cast<size_t>(c)];
    }
    return static_cast<int>(std::min_element(uses.begin(), uses.end()) - uses.begin());
}

}  // namespace kinetra
