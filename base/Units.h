// Units: which system a setup's numbers are in, and a readable gloss of a number in the unit
// that fits it ("4.8211E7" s reads "1.528 yr", "6.7867E11" m reads "4.537 AU").
//
// A setup is in SI when its gravitational constant is GN (within 1e-6 relative), or when it has
// no gravity (G = 0) and its Coulomb coefficient is 1/(4*PI*E0) (within 1e-6 relative); every
// other setup is dimensionless and its numbers get no gloss. The glosses of the SI system pick
// among s/min/h/d/yr, m/km/AU/ly, m/s and km/s, kg/M⊕/M☉; energies, momenta and charges keep
// their SI unit. The astronomical system reads the same SI numbers in AU, days and solar masses.
// The numbers themselves never change: a gloss stands beside them.
#pragma once

#include <string>

namespace kinetra {

enum class TUnitSystem { None, SI, Astronomical };
// The window's choice: Automatic follows the setup; the others impose a system (SI and
// Astronomical read the setup's numbers as SI numbers).
enum class TUnitChoice { Automatic, None, SI, Astronomical };
enum class TQuantity { Time, Length, Speed, Mass, Energy, Momentum, Charge, AngularMomentum };

// The system of a setup with this gravitational constant and Coulomb coefficient.
TUnitSystem DetectUnitSystem(double gravConstant, double coulombCoeff);
TUnitSystem ChosenUnitSystem(TUnitChoice choice, double gravConstant, double coulombCoeff);
// "SI", "Astronomical (AU, day, M☉)" or "dimensionless".
std::string UnitSystemName(TUnitSystem system);

// The unit of the setup's own numbers of a quantity in the system ("m", "s", "kg", "J",
// "kg·m/s", "C"); empty when the system is None. The astronomical system's numbers are still
// SI numbers, so it names the SI units too.
std::string UnitName(TQuantity quantity, TUnitSystem system);
// The value (a number of the setup, in SI for the SI and astronomical systems) in the fitting
// unit with four significant digits, e.g. "1.528 yr"; empty when the system is None or the
// value is not finite.
std::string Gloss(double value, TQuantity quantity, TUnitSystem system);
// " (gloss)" or "" : what a read-out appends after the number.
std::string GlossSuffix(double value, TQuantity quantity, TUnitSystem system);

// A round length for a scale bar no longer than `maxLength` (a length of the setup): 1, 2 or 5
// times a power of ten in the unit that fits it. Length is in the setup's numbers, Label the
// text under the bar ("2 AU", "500 km", "0.5" without a system). Length is 0 when maxLength is
// not a positive finite number.
struct TRoundLength {
    double Length = 0;
    std::string Label;
};
TRoundLength RoundScaleLength(double maxLength, TUnitSystem system);

}  // namespace kinetra
