// Units: which setups are in SI, and the glosses and scale lengths that the read-outs show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/KNConst.h"
#include "base/Units.h"

using namespace kinetra;

namespace {

TEST(Units, TheSystemFollowsTheConstantsOfTheForce) {
    const double k = 1 / (4 * ConstPI * ConstE0);
    struct Row {
        double G, K;
        TUnitSystem Expect;
    };
    const std::vector<Row> rows = {
        {ConstGN, 0, TUnitSystem::SI},
        {ConstGN * (1 + 0.9E-6), 0, TUnitSystem::SI},
        {ConstGN * (1 + 1.1E-6), 0, TUnitSystem::None},
        {6.6743E-11, 0, TUnitSystem::None},  // another G is another system
        {ConstGN, 1, TUnitSystem::SI},
        {0, k, TUnitSystem::SI},
        {0, k * (1 - 2E-6), TUnitSystem::None},
        {1, k, TUnitSystem::None},  // Coulomb's SI coefficient beside a gravity of 1
        {1, 0, TUnitSystem::None},
        {0, 0, TUnitSystem::None},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DetectUnitSystem(row.G, row.K), row.Expect) << row.G << " " << row.K;
    EXPECT_EQ(ChosenUnitSystem(TUnitChoice::Automatic, 1, 0), TUnitSystem::None);
    EXPECT_EQ(ChosenUnitSystem(TUnitChoice::None, ConstGN, 0), TUnitSystem::None);
    EXPECT_EQ(ChosenUnitSystem(TUnitChoice::SI, 1, 0), TUnitSystem::SI);
    EXPECT_EQ(ChosenUnitSystem(TUnitChoice::Astronomical, ConstGN, 0), TUnitSystem::Astronomical);
}

TEST(Units, GlossesPickTheFittingUnit) {
    struct Row {
        double Value;
        TQuantity Quantity;
        TUnitSystem System;
        std::string Expect;
    };
    const auto si = TUnitSystem::SI;
    const auto astro = TUnitSystem::Astronomical;
    const std::vector<Row> rows = {
        {4.8211E7, TQuantity::Time, si, "1.528 yr"},
        {3600, TQuantity::Time, si, "1 h"},
        {90, TQuantity::Time, si, "1.5 min"},
        {59, TQuantity::Time, si, "59 s"},
        {0, TQuantity::Time, si, "0 s"},
        {-172800, TQuantity::Time, si, "-2 d"},
        {6.7867E11, TQuantity::Length, si, "4.537 AU"},
        {3.844E8, TQuantity::Length, si, "3.844E5 km"},
        {12, TQuantity::Length, si, "12 m"},
        {1E17, TQuantity::Length, si, "10.57 ly"},
        {29780, TQuantity::Speed, si, "29.78 km/s"},
        {340, TQuantity::Speed, si, "340 m/s"},
        {ConstMSUN, TQuantity::Mass, si, "1 M☉"},
        {ConstMEARTH * 0.107, TQuantity::Mass, si, "0.107 M⊕"},
        {1E20, TQuantity::Mass, si, "1E20 kg"},
        {-6.201046499E33, TQuantity::Energy, si, "-6.201E33 J"},
        {2.5E40, TQuantity::Momentum, si, "2.5E40 kg·m/s"},
        {4.8211E7, TQuantity::Time, astro, "558 d"},
        {6.7867E11, TQuantity::Length, astro, "4.537 AU"},
        {ConstMEARTH, TQuantity::Mass, astro, "3.003E-6 M☉"},
        {4.8211E7, TQuantity::Time, TUnitSystem::None, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Gloss(row.Value, row.Quantity, row.System), row.Expect) << row.Value;
    EXPECT_EQ(GlossSuffix(4.8211E7, TQuantity::Time, si), " (1.528 yr)");
    EXPECT_EQ(GlossSuffix(4.8211E7, TQuantity::Time, TUnitSystem::None), "");
    EXPECT_EQ(UnitName(TQuantity::Momentum, astro), "kg·m/s");
    EXPECT_EQ(UnitName(TQuantity::Length, TUnitSystem::None), "");
}

TEST(Units, ScaleLengthsAreRoundAndFitTheRoom) {
    struct Row {
        double Room;
        TUnitSystem System;
        double Length;
        std::string Label;
    };
    const std::vector<Row> rows = {
        {3 * ConstAU, TUnitSystem::SI, 2 * ConstAU, "2 AU"},
        {700000, TUnitSystem::SI, 500000, "500 km"},
        {1000, TUnitSystem::SI, 1000, "1 km"},
        {0.73, TUnitSystem::None, 0.5, "0.5"},
        {1, TUnitSystem::None, 1, "1"},
        {99, TUnitSystem::None, 50, "50"},
        {0, TUnitSystem::None, 0, ""},
    };
    for (const Row& row : rows) {
        const TRoundLength round = RoundScaleLength(row.Room, row.System);
        EXPECT_DOUBLE_EQ(round.Length, row.Length) << row.Room;
        EXPECT_EQ(round.Label, row.Label) << row.Room;
        EXPECT_LE(round.Length, row.Room);
    }
}

}  // namespace
