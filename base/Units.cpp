// The unit tables: each quantity's units in rising size, with the size (in SI) from which a
// value is written in that unit. A value is written in the largest unit whose threshold its
// magnitude reaches, or in the smallest.
#include "base/Units.h"

#include <cmath>
#include <vector>

#include "base/KNConst.h"
#include "base/KNUtils.h"

namespace kinetra {

namespace {

constexpr double RelativeTolerance = 1E-6;
constexpr double LightYear = 299792458.0 * ConstYEAR;  // m
constexpr int GlossDigits = 4;

struct TUnit {
    const char* Name;
    double Size;       // of one unit, in SI
    double Threshold;  // the magnitude (in SI) from which this unit is used
};

bool Near(double value, double target) {
    return std::fabs(value - target) <= RelativeTolerance * std::fabs(target);
}

const std::vector<TUnit>& SiUnits(TQuantity quantity) {
    static const std::vector<TUnit> time{{"s", 1, 0},
                                         {"min", 60, 60},
                                         {"h", 3600, 3600},
                                         {"d", ConstDAY, ConstDAY},
                                         {"yr", ConstYEAR, ConstYEAR}};
    // Kilometres up to a hundredth of an AU (1.5 million km), AU up to a tenth of a light year.
    static const std::vector<TUnit> length{{"m", 1, 0},
                                           {"km", ConstKM, ConstKM},
                                           {"AU", ConstAU, 0.01 * ConstAU},
                                           {"ly", LightYear, 0.1 * LightYear}};
    static const std::vector<TUnit> speed{{"m/s", 1, 0}, {"km/s", ConstKM, ConstKM}};
    static const std::vector<TUnit> mass{
        {"kg", 1, 0}, {"M⊕", ConstMEARTH, 0.01 * ConstMEARTH}, {"M☉", ConstMSUN, 0.01 * ConstMSUN}};
    static const std::vector<TUnit> energy{{"J", 1, 0}};
    static const std::vector<TUnit> momentum{{"kg·m/s", 1, 0}};
    static const std::vector<TUnit> charge{{"C", 1, 0}};
    static const std::vector<TUnit> angular{{"kg·m²/s", 1, 0}};
    switch (quantity) {
        case TQuantity::Time:
            return time;
        case TQuantity::Length:
            return length;
        case TQuantity::Speed:
            return speed;
        case TQuantity::Mass:
            return mass;
        case TQuantity::Energy:
            return energy;
        case TQuantity::Momentum:
            return momentum;
        case TQuantity::Charge:
            return charge;
        case TQuantity::AngularMomentum:
            break;
    }
    return angular;
}

// The astronomical system: one unit per quantity, made of AU, day and solar mass.
TUnit AstronomicalUnit(TQuantity quantity) {
    const double speed = ConstAU / ConstDAY;
    switch (quantity) {
        case TQuantity::Time:
            return {"d", ConstDAY, 0};
        case TQuantity::Length:
            return {"AU", ConstAU, 0};
        case TQuantity::Speed:
            return {"AU/d", speed, 0};
        case TQuantity::Mass:
            return {"M☉", ConstMSUN, 0};
        case TQuantity::Energy:
            return {"M☉·AU²/d²", ConstMSUN * speed * speed, 0};
        case TQuantity::Momentum:
            return {"M☉·AU/d", ConstMSUN * speed, 0};
        case TQuantity::Charge:
            return {"C", 1, 0};
        case TQuantity::AngularMomentum:
            break;
    }
    return {"M☉·AU²/d", ConstMSUN * speed * ConstAU, 0};
}

TUnit FittingUnit(double magnitude, TQuantity quantity, TUnitSystem system) {
    if (system == TUnitSystem::Astronomical) return AstronomicalUnit(quantity);
    const std::vector<TUnit>& units = SiUnits(quantity);
    TUnit fit = units.front();
    for (const TUnit& unit : units)
        if (magnitude >= unit.Threshold) fit = unit;
    return fit;
}

}  // namespace

TUnitSystem DetectUnitSystem(double gravConstant, double coulombCoeff) {
    if (Near(gravConstant, ConstGN)) return TUnitSystem::SI;
    if (gravConstant == 0 && Near(coulombCoeff, 1 / (4 * ConstPI * ConstE0))) return TUnitSystem::SI;
    return TUnitSystem::None;
}

TUnitSystem ChosenUnitSystem(TUnitChoice choice, double gravConstant, double coulombCoeff) {
    switch (choice) {
        case TUnitChoice::Automatic:
            return DetectUnitSystem(gravConstant, coulombCoeff);
        case TUnitChoice::None:
            return TUnitSystem::None;
        case TUnitChoice::SI:
            return TUnitSystem::SI;
        case TUnitChoice::Astronomical:
            break;
    }
    return TUnitSystem::Astronomical;
}

std::string UnitSystemName(TUnitSystem system) {
    switch (system) {
        case TUnitSystem::SI:
            return "SI";
        case TUnitSystem::Astronomical:
            return "Astronomical (AU, day, M☉)";
        case TUnitSystem::None:
            break;
    }
    return "dimensionless";
}

std::string UnitName(TQuantity quantity, TUnitSystem system) {
    if (system == TUnitSystem::None) return {};
    return SiUnits(quantity).front().Name;
}

std::string Gloss(double value, TQuantity quantity, TUnitSystem system) {
    if (system == TUnitSystem::None || !std::isfinite(value)) return {};
    const TUnit unit = FittingUnit(std::fabs(value), quantity, system);
    return FormatGeneral(value / unit.Size, GlossDigits) + " " + unit.Name;
}

std::string GlossSuffix(double value, TQuantity quantity, TUnitSystem system) {
    const std::string gloss = Gloss(value, quantity, system);
    return gloss.empty() ? gloss : " (" + gloss + ")";
}

TRoundLength RoundScaleLength(double maxLength, TUnitSystem system) {
    TRoundLength result;
    if (!(maxLength > 0) || !std::isfinite(maxLength)) return result;
    const TUnit unit =
        system == TUnitSystem::None ? TUnit{"", 1, 0} : FittingUnit(maxLength, TQuantity::Length, system);
    const double inUnit = maxLength / unit.Size;
    double power = std::pow(10.0, std::floor(std::log10(inUnit)));
    // log10 may land a hair off a power of ten; the round value must never exceed the room.
    if (power > inUnit) power /= 10;
    double round = power;
    for (const double factor : {2.0, 5.0, 10.0})
        if (factor * power <= inUnit) round = factor * power;
    result.Length = round * unit.Size;
    result.Label = FormatGeneral(round, 15);
    if (unit.Name[0] != '\0') result.Label += std::string(" ") + unit.Name;
    return result;
}

}  // namespace kinetra
