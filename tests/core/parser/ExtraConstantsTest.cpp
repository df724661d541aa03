// The astronomical and particle constants that the parser knows beside PI, GN, E0 and QE.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/KNUtils.h"
#include "parser/Parser.h"

using namespace kinetra;

namespace {

// The values as published (IAU 2012 astronomical unit, Julian year, CODATA 2018 masses).
const std::vector<std::pair<std::string, double>> Constants = {
    {"AU", 1.495978707E11}, {"DAY", 86400},           {"YEAR", 31557600},        {"MSUN", 1.98847E30},
    {"MEARTH", 5.9722E24},  {"ME", 9.1093837015E-31}, {"MP", 1.67262192369E-27},
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
    EXPECT_EQ(parser.Evaluate("1.5*AU"), 1.5 * 1.495978707E11);
    EXPECT_EQ(parser.Evaluate("MP/ME"), 1.67262192369E-27 / 9.1093837015E-31);
}

TEST(ParserConstants, AreOrdinaryNamesThatAnAssignmentChanges) {
    TParser parser;
    EXPECT_EQ(parser.Evaluate("AU = 1"), 1);
    EXPECT_EQ(parser.Evaluate("2*AU"), 2);
    EXPECT_EQ(parser.Evaluate("DAY = DAY/24"), 3600);
    EXPECT_EQ(parser.Find("DAY")->Value, 3600);
    // A new parser starts from the published values again.
    TParser fresh;
    EXPECT_EQ(fresh.Evaluate("AU"), 1.495978707E11);
    EXPECT_EQ(fresh.Evaluate("DAY"), 86400);
}

TEST(ParserConstants, NamesAreCaseSensitiveAndNotPrefixes) {
    TParser parser;
    for (const char* name : {"au", "Day", "year", "Msun", "mearth", "me", "mp", "MEA"}) {
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
