// Every example setup loads, runs 100 displayed steps without error, keeps its total energy
// within the bound stated for it, and is stored in the form the program writes itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "BatchProcess.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"

namespace kinetra {
namespace {

using test::ParseCsv;
using test::RunBatch;

// The largest relative change of the total energy allowed over 100 steps: about ten times what
// each example shows, so that the bound catches a broken method and not the rounding.
const std::map<std::string, double> EnergyBounds = {
    {"SunPlanet.knx", 1e-10},        // RK4
    {"FigureEight.knx", 1e-11},      // RK4
    {"BinaryStar.knx", 1e-8},        // Stoermer
    {"Coulomb.knx", 1e-10},          // RK4, electric forces only
    {"InnerSolarSystem.knx", 1e-7},  // Stoermer, one-hour step in SI units
    {"Harmonic1D.knx", 3e-3},        // Euler-Cromer: bounded oscillation of order h
    {"Orbits4D.knx", 1e-12},         // RK4
    {"Cluster1000.knx", 1e-4},       // Stoermer, point masses without softening
    {"Galaxies.knx", 3e-3},          // Stoermer with the force tree, 10 steps: its start-up step
};

// Examples too large for 100 steps of the exact forces: run with the force tree, fewer steps.
const std::map<std::string, std::vector<std::string>> LargeExampleRuns = {
    {"Galaxies.knx", {"--tree", "0.5", "--steps", "10"}},
};

std::vector<std::string> ExampleFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(KINETRA_EXAMPLES))
        if (entry.path().extension() == ".knx") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Examples, EveryExampleHasAnEnergyBoundAndEveryBoundAnExample) {
    const std::vector<std::string> files = ExampleFiles();
    EXPECT_GE(files.size(), 7u);
    for (const std::string& name : files) EXPECT_EQ(EnergyBounds.count(name), 1u) << name << " has no bound";
    for (const auto& [name, bound] : EnergyBounds)
        EXPECT_NE(std::find(files.begin(), files.end(), name), files.end()) << name << " is missing";
}

class Example : public ::testing::TestWithParam<std::string> {};

TEST_P(Example, RunsAHundredStepsWithinItsEnergyBound) {
    const std::string name = GetParam();
    const std::string path = std::string(KINETRA_EXAMPLES) + "/" + name;
    std::vector<std::string> args = {"run", path, "--steps", "100"};
    if (LargeExampleRuns.count(name)) {
        args.resize(2);
        for (const std::string& arg : LargeExampleRuns.at(name)) args.push_back(arg);
    }
    const auto result = RunBatch(args);
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    const auto csv = ParseCsv(result.Out);
    ASSERT_EQ(csv.Rows.size(), LargeExampleRuns.count(name) ? 11u : 101u);
    const double e0 = csv.Value(0, "total");
    ASSERT_TRUE(std::isfinite(e0));
    ASSERT_NE(e0, 0);
    double drift = 0;
    for (size_t row = 0; row < csv.Rows.size(); ++row) {
        const double e = csv.Value(row, "total");
        ASSERT_TRUE(std::isfinite(e)) << "step " << row;
        drift = std::max(drift, std::fabs((e - e0) / e0));
    }
    EXPECT_LE(drift, EnergyBounds.at(name));
}

TEST_P(Example, IsStoredAsTheProgramWritesIt) {
    const std::string path = std::string(KINETRA_EXAMPLES) + "/" + GetParam();
    test::TTempFolder folder;
    const std::string copy = (folder.Path / "copy.knx").string();
    const auto result = RunBatch({"save", path, copy});
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(test::ReadWhole(copy), test::ReadWhole(path));
}

TEST_P(Example, SaysInItsNotesWhatToWatch) {
    TFramedSim simSetup;
    TSimData& sim = simSetup.Sim();
    sim.FileName = std::string(KINETRA_EXAMPLES) + "/" + GetParam();
    sim.LoadFromFile();
    EXPECT_NE(sim.Notes.find("Watch"), std::string::npos) << sim.Notes;
    EXPECT_GT(sim.Notes.size(), 300u);
}

// The periods the notes quote, as a run measures them: the time a body takes to go once round
// the mean position of the centre bodies, from where it starts.
TEST(Examples, PeriodsQuotedInTheNotesAreThoseOfTheRun) {
    struct TQuote {
        const char* File;
        const char* Body;
        std::vector<const char*> Centre;
        const char* Phrase;  // as the notes have it
        const char* Figure;  // the period in it, rounded as written
        double Unit = 1;     // of the figure, in the setup's time unit
    };
    const TQuote quotes[] = {
        {"BinaryStar.knx",
         "Planet",
         {"Star A", "Star B"},
         "planet circling both at distance 4, period 34.9",
         "34.9"},
        {"BinaryStar.knx", "Star B", {"Star A"}, "on a circular orbit, period 4.44", "4.44"},
        {"SunPlanet.knx", "Planet", {"Sun"}, "(period 5.93)", "5.93"},
        {"InnerSolarSystem.knx", "Mercury", {"Sun"}, "(88 against", "88", 86400},
        {"InnerSolarSystem.knx", "Earth", {"Sun"}, "against 365 days)", "365", 86400},
    };
    for (const TQuote& q : quotes) {
        SCOPED_TRACE(std::string(q.File) + ": " + q.Body);
        TFramedSim setup;
        setup.Load(std::string(KINETRA_EXAMPLES) + "/" + q.File);
        TSimData& sim = setup.Sim();
        EXPECT_NE(sim.Notes.find(q.Phrase), std::string::npos) << sim.Notes;
        const auto place = [&](const char* name) -> const TVector& {
            for (int i = 0; i < sim.Particles.Count(); ++i)
                if (sim.Particles.Particles(i).Name == name) return sim.Particles.Particles(i).Position;
            throw std::runtime_error(std::string("no particle ") + name);
        };
        const auto angle = [&] {
            double x = 0, y = 0;
            for (const char* c : q.Centre) x += place(c)[0], y += place(c)[1];
            x /= static_cast<double>(q.Centre.size()), y /= static_cast<double>(q.Centre.size());
            return std::atan2(place(q.Body)[1] - y, place(q.Body)[0] - x);
        };
        sim.Prepare();
        double turned = 0, previous = angle(), time = sim.Time, period = 0;
        while (period == 0 && sim.Time < 1000 * q.Unit * std::atof(q.Figure)) {
            sim.Step();
            const double now = angle();
            double step = now - previous;
            if (step > std::numbers::pi) step -= 2 * std::numbers::pi;
            if (step < -std::numbers::pi) step += 2 * std::numbers::pi;
            if (std::fabs(turned + step) >= 2 * std::numbers::pi)  // once round: between the last two steps
                period =
                    time + (sim.Time - time) * (2 * std::numbers::pi - std::fabs(turned)) / std::fabs(step);
            turned += step, previous = now, time = sim.Time;
        }
        const std::string figure = q.Figure;
        const size_t point = figure.find('.');
        const int decimals = point == std::string::npos ? 0 : static_cast<int>(figure.size() - point - 1);
        char measured[32];
        std::snprintf(measured, sizeof measured, "%.*f", decimals, period / q.Unit);
        EXPECT_EQ(measured, figure);
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, Example, ::testing::ValuesIn(ExampleFiles()),
                         [](const ::testing::TestParamInfo<std::string>& example) {
                             std::string id = example.param.substr(0, example.param.find('.'));
                             id.erase(std::remove_if(id.begin(), id.end(),
                                                     [](char c) { return !std::isalnum(c); }),
                                      id.end());
                             return id;
                         });

}  // namespace
}  // namespace kinetra
