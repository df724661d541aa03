// The quantities a plot can show: the time, a body's coordinate, speed and momentum, the
// distance between two bodies, the energies and their drift, the total momentum, and a body's
// orbital elements about another (semi-major axis, eccentricity, period).
//
// The orbital elements are those of the two-body orbit that the pair's own force would give:
// the force (G m_i m_j - k q_i q_j) d^-2 of the setup, its charges included, with the other
// bodies left out. They exist only for the inverse-square law (a power of -2), where such an
// orbit is a conic; with any other power they are not offered. An orbit that is not bound has
// no period (and a negative semi-major axis).
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace kinetra {
class TSimData;
}

namespace kinetra::ui {

enum class TQuantityKind {
    Time,
    Coordinate,
    Speed,
    Momentum,
    Distance,
    Kinetic,
    Potential,
    Total,
    Drift,
    TotalMomentum,
    SemiMajorAxis,
    Eccentricity,
    Period,
};

struct TPlotQuantity {
    TQuantityKind Kind = TQuantityKind::Time;
    int Body = 0;      // the body of a per-body quantity
    int Other = 0;     // the other body of a distance, the central body of an orbital element
    int Axis = 0;      // the axis of a coordinate
    bool Log = false;  // the decimal logarithm of the value
    bool operator==(const TPlotQuantity&) const = default;
};

// The kinds in the order they are offered, with their names.
const std::vector<TQuantityKind>& QuantityKinds();
QString KindName(TQuantityKind kind);
bool NeedsBody(TQuantityKind kind);
bool NeedsOther(TQuantityKind kind);
bool IsOrbitalElement(TQuantityKind kind);
// Energies, whose potential part costs a pass over all pairs of bodies.
bool NeedsEnergy(TQuantityKind kind);
// The setup's force is the inverse-square law, for which orbital elements are offered.
bool InverseSquare(const TSimData& sim);
// The quantity fits the setup: its bodies and axis exist, its kind is offered.
bool Fits(const TPlotQuantity& quantity, const TSimData& sim);

// "Distance Planet - Sun", "log10 Period of Mercury about Sun"; the axes named as the frame
// names them (x, y, z, x4 ...). The drift's name tells how it is measured.
QString QuantityName(const TPlotQuantity& quantity, const TSimData& sim, bool relativeDrift = true);
QString AxisName(int axis);

// Values of the quantities in one state; the energies are computed at most once.
class TQuantityProbe {
public:
    // `e0`: the total energy the drift is measured from.
    TQuantityProbe(TSimData& sim, std::optional<double> e0) : Sim(sim), E0(e0) {}
    // NaN where the quantity has no value (an unbound orbit's period, the log of 0). Energies
    // that cannot be computed raise EMathError.
    double Value(const TPlotQuantity& quantity);
    double TotalEnergy();

private:
    double Raw(const TPlotQuantity& quantity);
    void Energies();

    TSimData& Sim;
    std::optional<double> E0;
    std::optional<double> Kinetic, Potential;
};

// Drift of the total energy from e0: (E - E0)/|E0|, or E - E0 when E0 is 0.
double EnergyDrift(double total, double e0);

}  // namespace kinetra::ui
