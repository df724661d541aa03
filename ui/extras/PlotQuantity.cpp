// The quantities a plot can show and their values in a state of the simulation.
#include "ui/extras/PlotQuantity.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "engine/SimulationData.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

double Length(const TVector& v, int n) {
    double sum = 0;
    for (int k = 0; k < n; ++k) sum += v[k] * v[k];
    return std::sqrt(sum);
}

QString BodyName(const TSimData& sim, int body) {
    return ToQ(sim.Particles.Particles(body).Name);
}

}  // namespace

const std::vector<TQuantityKind>& QuantityKinds() {
    using K = TQuantityKind;
    static const std::vector<K> kinds{K::Time,     K::Coordinate,    K::Speed,         K::Momentum,
                                      K::Distance, K::Kinetic,       K::Potential,     K::Total,
                                      K::Drift,    K::TotalMomentum, K::SemiMajorAxis, K::Eccentricity,
                                      K::Period};
    return kinds;
}

QString KindName(TQuantityKind kind) {
    switch (kind) {
        case TQuantityKind::Time:
            return QStringLiteral("Time");
        case TQuantityKind::Coordinate:
            return QStringLiteral("Coordinate");
        case TQuantityKind::Speed:
            return QStringLiteral("Speed");
        case TQuantityKind::Momentum:
            return QStringLiteral("Momentum");
        case TQuantityKind::Distance:
            return QStringLiteral("Distance");
        case TQuantityKind::Kinetic:
            return QStringLiteral("Kinetic energy");
        case TQuantityKind::Potential:
            return QStringLiteral("Potential energy");
        case TQuantityKind::Total:
            return QStringLiteral("Total energy");
        case TQuantityKind::Drift:
            return QStringLiteral("Energy drift");
        case TQuantityKind::TotalMomentum:
            return QStringLiteral("Total momentum");
        case TQuantityKind::SemiMajorAxis:
            return QStringLiteral("Semi-major axis");
        case TQuantityKind::Eccentricity:
            return QStringLiteral("Eccentricity");
        case TQuantityKind::Period:
            return QStringLiteral("Period");
    }
    return {};
}

bool NeedsBody(TQuantityKind kind) {
    return kind == TQuantityKind::Coordinate || kind == TQuantityKind::Speed ||
           kind == TQuantityKind::Momentum || kind == TQuantityKind::Distance || IsOrbitalElement(kind);
}

bool NeedsOther(TQuantityKind kind) {
    return kind == TQuantityKind::Distance || IsOrbitalElement(kind);
}

bool IsOrbitalElement(TQuantityKind kind) {
    return kind == TQuantityKind::SemiMajorAxis || kind == TQuantityKind::Eccentricity ||
           kind == TQuantityKind::Period;
}

bool NeedsEnergy(TQuantityKind kind) {
    return kind == TQuantityKind::Kinetic || kind == TQuantityKind::Potential ||
           kind == TQuantityKind::Total || kind == TQuantityKind::Drift;
}

bool InverseSquare(const TSimData& sim) {
    return sim.Force && sim.Force->GetPower() == -2;
}

bool Fits(const TPlotQuantity& quantity, const TSimData& sim) {
    const int count = sim.Particles.Count();
    if (NeedsBody(quantity.Kind) && (quantity.Body < 0 || quantity.Body >= count)) return false;
    if (NeedsOther(quantity.Kind) &&
        (quantity.Other < 0 || quantity.Other >= count || quantity.Other == quantity.Body))
        return false;
    if (quantity.Kind == TQuantityKind::Coordinate && (quantity.Axis < 0 || quantity.Axis >= sim.Dimensions))
        return false;
    return !IsOrbitalElement(quantity.Kind) || InverseSquare(sim);
}

QString AxisName(int axis) {
    static const char* const names[] = {"x", "y", "z"};
    return axis < 3 ? QString::fromLatin1(names[axis]) : QStringLiteral("x") + QString::number(axis + 1);
}

QString QuantityName(const TPlotQuantity& q, const TSimData& sim, bool relativeDrift) {
    QString name;
    const bool named = Fits(q, sim);
    const QString body = named && NeedsBody(q.Kind) ? BodyName(sim, q.Body) : QString();
    const QString other = named && NeedsOther(q.Kind) ? BodyName(sim, q.Other) : QString();
    switch (q.Kind) {
        case TQuantityKind::Coordinate:
            name = AxisName(q.Axis) + QStringLiteral(" of ") + body;
            break;
        case TQuantityKind::Speed:
        case TQuantityKind::Momentum:
            name = KindName(q.Kind) + QStringLiteral(" of ") + body;
            break;
        case TQuantityKind::Distance:
            name = QStringLiteral("Distance ") + body + QStringLiteral(" - ") + other;
            break;
        case TQuantityKind::SemiMajorAxis:
        case TQuantityKind::Eccentricity:
        case TQuantityKind::Period:
            name = KindName(q.Kind) + QStringLiteral(" of ") + body + QStringLiteral(" about ") + other;
            break;
        case TQuantityKind::Drift:
            name = relativeDrift ? QStringLiteral("Drift (E - E0)/|E0|")
                                 : QStringLiteral("Drift E - E0 (E0 = 0)");
            break;
        default:
            name = KindName(q.Kind);
    }
    return q.Log ? QStringLiteral("log10 ") + name : name;
}

double EnergyDrift(double total, double e0) {
    const double difference = total - e0;
    return e0 != 0 ? difference / std::fabs(e0) : difference;
}

void TQuantityProbe::Energies() {
    if (Kinetic) return;
    const double kinetic = Sim.KineticEnergy();
    Potential = Sim.PotentialEnergy();
    Kinetic = kinetic;
}

double TQuantityProbe::TotalEnergy() {
    Energies();
    return *Kinetic + *Potential;
}

double TQuantityProbe::Value(const TPlotQuantity& quantity) {
    if (!Fits(quantity, Sim)) return NaN;
    const double value = Raw(quantity);
    if (!quantity.Log) return value;
    return value > 0 ? std::log10(value) : NaN;
}

double TQuantityProbe::Raw(const TPlotQuantity& q) {
    const int n = Sim.Dimensions;
    const auto& particles = Sim.Particles;
    switch (q.Kind) {
        case TQuantityKind::Time:
            return Sim.Time;
        case TQuantityKind::Coordinate:
            return particles.Particles(q.Body).Position[q.Axis];
        case TQuantityKind::Speed:
            return Length(particles.Particles(q.Body).Velocity, n);
        case TQuantityKind::Momentum: {
            const TParticle& p = particles.Particles(q.Body);
            return std::fabs(p.Mass) * Length(p.Velocity, n);
        }
        case TQuantityKind::Distance: {
            const TVector& a = particles.Particles(q.Body).Position;
            const TVector& b = particles.Particles(q.Other).Position;
            double sum = 0;
            for (int k = 0; k < n; ++k) sum += (a[k] - b[k]) * (a[k] - b[k]);
            return std::sqrt(sum);
        }
        case TQuantityKind::Kinetic:
            Energies();
            return *Kinetic;
        case TQuantityKind::Potential:
            Energies();
            return *Potential;
        case TQuantityKind::Total:
            return TotalEnergy();
        case TQuantityKind::Drift: {
            const double total = TotalEnergy();
            if (!E0) E0 = total;
            return EnergyDrift(total, *E0);
        }
        case TQuantityKind::TotalMomentum: {
            double sum = 0;
            for (int k = 0; k < n; ++k) {
                double component = 0;
                for (int i = 0; i < particles.Count(); ++i)
                    component += particles.Particles(i).Mass * particles.Particles(i).Velocity[k];
                sum += component * component;
            }
            return std::sqrt(sum);
        }
        case TQuantityKind::SemiMajorAxis:
        case TQuantityKind::Eccentricity:
        case TQuantityKind::Period:
            break;
    }
    // The relative orbit of the body about the central one under their pair force alone:
    // mu = C (m_b + m_c) with the pair's coefficient C = G - k q_b q_c / (m_b m_c).
    const TParticle& b = particles.Particles(q.Body);
    const TParticle& c = particles.Particles(q.Other);
    double coefficient = Sim.Force->GravConstant();
    if (Sim.Force->CoulombCoeff() != 0 && b.Mass != 0 && c.Mass != 0)
        coefficient -= Sim.Force->CoulombCoeff() * b.Charge() * c.Charge() / (b.Mass * c.Mass);
    const double mu = coefficient * (b.Mass + c.Mass);
    if (!(mu > 0)) return NaN;  // no attraction, no orbit
    double r2 = 0, v2 = 0, rv = 0;
    for (int k = 0; k < n; ++k) {
        const double dr = b.Position[k] - c.Position[k];
        const double dv = b.Velocity[k] - c.Velocity[k];
        r2 += dr * dr;
        v2 += dv * dv;
        rv += dr * dv;
    }
    const double r = std::sqrt(r2);
    const double a = 1 / (2 / r - v2 / mu);
    switch (q.Kind) {
        case TQuantityKind::SemiMajorAxis:
            return a;
        case TQuantityKind::Eccentricity:
            // e^2 = 1 - h^2 / (mu a), with h^2 = r^2 v^2 - (r.v)^2 in any number of dimensions.
            return std::sqrt(std::max(0.0, 1 - (r2 * v2 - rv * rv) / (mu * a)));
        default:
            return a > 0 ? 2 * std::numbers::pi * std::sqrt(a * a * a / mu) : NaN;
    }
}

}  // namespace kinetra::ui
