// The program's constants in one place: defaults of a new setup, limits, the palette,
// axis names, file keywords and the texts that more than one unit shows.
#pragma once

#include <array>
#include <cstdint>

namespace kinetra {

// Simulation defaults and limits.
inline constexpr double DefaultTimeStep = 0.002;
inline constexpr int DefaultCycles = 10;
inline constexpr int MinCycles = 1;
inline constexpr int MaxCycles = 200;
inline constexpr double DefaultAccuracy = 1E-12;
inline constexpr double MinAccuracy = 1E-30;
inline constexpr double MaxStepSize = 1E50;
inline constexpr double ScaleFloor = 1E-30;
inline constexpr int DefaultDimensions = 2;
inline constexpr int MaxDimensions = 26;

// Particle drawing.
inline constexpr int DefaultImageRadius = 10;
inline constexpr int MinDrawRadius = 1;
inline constexpr int MaxDrawRadius = 50;
inline constexpr int CenterMarkSize = 15;

// Screen projection clamps.
inline constexpr double MaxScreenCoord = 2000000000.0;
inline constexpr double MinScreenCoord = -2000000000.0;

// Physical constants predefined in the expression parser (SI units).
inline constexpr double ConstPI = 3.141592653589793;
inline constexpr double ConstGN = 6.67259E-11;
inline constexpr double ConstE0 = 8.854187187E-12;
inline constexpr double ConstQE = 1.60217733E-19;
// Astronomical and particle constants, predefined beside them so that setups in SI units can
// be typed in familiar terms (e.g. "1.5 * AU", "2 * YEAR"). The year is the Julian year.
inline constexpr double ConstAU = 149597870700;  // m, exact by definition (2012)
inline constexpr double ConstKM = 1000;          // m
inline constexpr double ConstDAY = 86400;        // s
inline constexpr double ConstYEAR = 31557600;    // s, 365.25 days
// What orbits measure is the product G*M, far more precisely than G or M alone. The masses are
// therefore the measured GM divided by the program's G, so that GN*MSUN and GN*MEARTH are the
// measured values and an orbit built from them has the true period.
inline constexpr double ConstGMSUN = 1.32712440018E20;         // m^3/s^2, heliocentric
inline constexpr double ConstGMEARTH = 3.986004418E14;         // m^3/s^2, geocentric
inline constexpr double ConstMSUN = ConstGMSUN / ConstGN;      // kg, about 1.98892E30
inline constexpr double ConstMEARTH = ConstGMEARTH / ConstGN;  // kg, about 5.97370E24
inline constexpr double ConstME = 9.1093837015E-31;            // kg, electron
inline constexpr double ConstMP = 1.67262192369E-27;           // kg, proton

struct TRGB {
    std::uint8_t R, G, B;
};

inline constexpr int ColourCount = 14;
inline constexpr std::array<TRGB, ColourCount> ParticleColours{{
    {0, 0, 0},        // black
    {255, 0, 0},      // red
    {0, 255, 0},      // lime
    {255, 255, 0},    // yellow
    {0, 0, 255},      // blue
    {255, 0, 255},    // fuchsia
    {0, 255, 255},    // aqua
    {128, 0, 0},      // maroon
    {0, 128, 0},      // green
    {128, 128, 0},    // olive
    {0, 0, 128},      // navy
    {128, 0, 128},    // purple
    {0, 128, 128},    // teal
    {128, 128, 128},  // gray
}};

inline constexpr std::array<const char*, 3> DefaultAxisNames{{"x", "y", "z"}};

// Setup files.
inline constexpr const char* SetupExtension = ".knx";
inline constexpr const char* SetupFilter = "Kinetra setup (*.knx)|*.knx";
inline constexpr const char* KeywordBeginParticles = "Begin_Particles";
inline constexpr const char* KeywordEndParticles = "End_Particles";
// Names the file cannot hold: the reader takes End_Particles where a name is read as the end of
// the particle section, and a name's line ends at a line break.
inline constexpr const char* MsgReservedName = "The name End_Particles is reserved";
inline constexpr const char* MsgLineBreakInName = "A particle name must not contain a line break";

// Frame names.
inline constexpr const char* FrameOrigin = "Origin";
inline constexpr const char* FrameCenterOfMass = "Center of mass";

inline constexpr const char* ProgramTitle = "Kinetra";
// The version is the project's, set once in the root CMake list.
#ifndef KINETRA_VERSION
#define KINETRA_VERSION "unknown"
#endif
inline constexpr const char* ProgramVersion = KINETRA_VERSION;

}  // namespace kinetra
