// The astronomical and particle constants that the parser knows beside PI, GN, E0 and QE.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/KNUtils.h"
#include "parser/Parser.h"

using namespace kinetra;

namespace {

// The values as published (IAU 2012 astronomical unit, Julian year, IAU heliocentric GM,
// CODATA 2018 particle masses).
const std::vector<std::pair<std::string, double>> Constants = {
    {"AU", 149597870700},
    {"KM", 1000},
    {"DAY", 86400},
    {"YEAR", 31557600},
    {"GMSUN", 1.32712440018E20},
    {"ME", 9.1093837015E-31},
    {"MP", 1.67262192369E-27},
};

TEST(ParserConstants, EveryConstantHasItsValueAndTheOldOnesStay) {
    TParser parser;
    for (const auto& [name, value] : Constants) EXPECT_EQ(parser.Evaluate(name), value) << name;
    EXPECT_EQ(parser.Evaluate("PI"), 3.141592653589793);
    EXPECT_EQ(parser.Evaluate("GN"), 6.67259E-11);
    EXPECT_EQ(parser.Evaluate("E0"), 8.854187187E-12);
    EXPECT_EQ(parser.Evaluate("QE"), 1.60217733E-19);
    // A year of days, and an expression of the kind a solar-system setup needs.
    EXPECT_EQ(parser.Evaluate("YEAR/DAY"), 365.25);
    EXPECT_EQ(parser.Evaluate("1.5*AU"), 1.5 * 149597870700);
    EXPECT_EQ(parser.Evaluate("MP/ME"), 1.67262192369E-27 / 9.1093837015E-31);
}

// The masses of the Sun and the Earth are what orbits measure, GM, divided by the program's G:
// a setup built from GN*MSUN has the Sun's true gravity.
TEST(ParserConstants, MassesGiveTheMeasuredGravitationalParameters) {
    TParser parser;
    for (const auto& [text, gm] :
         std::vector<std::pair<std::string, double>>{{"GN*MSUN", 1.32712440018E20},
                                                     {"GN*MEARTH", 3.986004418E14},
                                                     {"GMSUN/(GN*MSUN)*GMSUN", 1.32712440018E20}})
        EXPECT_NEAR(parser.Evaluate(text) / gm, 1, 1E-15) << text;
    EXPECT_NEAR(parser.Evaluate("MSUN"), 1.98892E30, 1E26);
    EXPECT_NEAR(parser.Evaluate("MEARTH"), 5.97370E24, 1E20);
}

TEST(ParserConstants, AreOrdinaryNamesThatAnAssignmentChanges) {
    TParser parser;
    EXPECT_EQ(parser.Evaluate("AU = 1"), 1);
    EXPECT_EQ(parser.Evaluate("2*AU"), 2);
    EXPECT_EQ(parser.Evaluate("DAY = DAY/24"), 3600);
    EXPECT_EQ(parser.Find("DAY")->Value, 3600);
    // A new parser starts from the published values again.
    TParser fresh;
    EXPECT_EQ(fresh.Evaluate("AU"), 149597870700);
    EXPECT_EQ(fresh.Evaluate("DAY"), 86400);
}

TEST(ParserConstants, NamesAreCaseSensitiveAndNotPrefixes) {
    TParser parser;
    for (const char* name : {"au", "Day", "year", "Msun", "mearth", "me", "mp", "MEA", "km", "GMsun"}) {
        try {
            parser.Evaluate(name);
            ADD_FAILURE() << name << " evaluated";
        } catch (const EKinetraError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(name) + "' unknown");
        }
    }
    // "ME" and "MEARTH" are distinct entries.
    EXPECT_NE(parser.Evaluate("ME"), parser.Evaluate("MEARTH"));
}

}  // namespace
