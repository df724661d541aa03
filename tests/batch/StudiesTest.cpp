// kinetra-batch for studies: overrides of the simulation options, --until, named state
// columns and the comparison of methods, through the real process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BatchProcess.h"
#include "engine/SimOptionValues.h"
#include "engine/SimulationData.h"
#include "parser/Parser.h"

namespace kinetra {
namespace {

using test::ParseCsv;
using test::RunBatch;

const std::string Data = KINETRA_TEST_DATA;
const std::string SunPlanet = Data + "/SunPlanet.knx";

// An override gives the same bits as a setup saved with that value: the run goes through the
// same setters as the options dialog and then rewinds and prepares like Stop.
TEST(BatchOverrides, ARunWithOverridesEqualsTheSavedSetupRunWithout) {
    test::TTempFolder folder;
    const std::string saved = (folder.Path / "euler.knx").string();
    const std::vector<std::string> overrides = {"--method",  "euler",    "--dt",
                                                "h = 1/300", "--cycles", "h*900"};
    std::vector<std::string> save = {"save", SunPlanet, saved};
    save.insert(save.end(), overrides.begin(), overrides.end());
    ASSERT_EQ(RunBatch(save).ExitCode, 0);
    const auto check = RunBatch({"check", saved});
    EXPECT_NE(check.Out.find("method Euler\n"), std::string::npos) << check.Out;
    EXPECT_NE(check.Out.find("time step 0.00333333333333333\ncycles 3\n"), std::string::npos) << check.Out;

    std::vector<std::string> run = {"run", SunPlanet, "--state", "--steps", "4"};
    run.insert(run.end(), overrides.begin(), overrides.end());
    const auto direct = RunBatch(run);
    const auto fromFile = RunBatch({"run", saved, "--state", "--steps", "4"});
    ASSERT_EQ(direct.ExitCode, 0) << direct.Err;
    EXPECT_EQ(direct.Out, fromFile.Out);
    // The value went through its 15-digit text: 1/300 is not the step in force.
    EXPECT_EQ(ParseCsv(direct.Out).Value(0, "signed_step"), 0.00333333333333333);
}

TEST(BatchOverrides, RefusedValuesStopBeforeAnyOutput) {
    test::TTempFolder folder;
    const std::string out = (folder.Path / "out.knx").string();
    struct Case {
        std::vector<std::string> Options;
        std::string Message;
    };
    // Every refusal of the options and its message is the rule's own (tests/core: SimOptions);
    // here one of a setter and one of the parser, on each command.
    const std::vector<Case> cases = {
        {{"--cycles", "201"}, "Computation cycles must be between 1 and 200"},
        {{"--dt", "dt"}, "'dt' unknown"},
    };
    for (const Case& c : cases) {
        for (const std::string command : {"run", "check", "save"}) {
            std::vector<std::string> args = {command, SunPlanet};
            if (command == "save") args.push_back(out);
            args.insert(args.end(), c.Options.begin(), c.Options.end());
            const auto result = RunBatch(args);
            EXPECT_EQ(result.ExitCode, 1) << command << " " << c.Message;
            EXPECT_EQ(result.Err, "error: " + c.Message + "\n") << command;
            EXPECT_EQ(result.Out, "") << command;
        }
        EXPECT_FALSE(std::filesystem::exists(out)) << c.Message;
    }
    EXPECT_EQ(RunBatch({"run", SunPlanet, "--until", "1/0"}).Err, "error: Zero denominator\n");
    for (const std::vector<std::string>& usage :
         std::vector<std::vector<std::string>>{{"run", SunPlanet, "--method", "Leapfrog"},
                                               {"check", SunPlanet, "--until", "1"},
                                               {"save", SunPlanet, "--steps", "1"},
                                               {"run", SunPlanet, "--no-collisions=1"}}) {
        const auto result = RunBatch(usage);
        EXPECT_EQ(result.ExitCode, 2) << usage[2];
        EXPECT_NE(result.Err.find("Usage:"), std::string::npos);
    }
}

// One particle on the x axis of a one-dimensional setup, free of forces: `method` and `cycles`
// as the file's second line writes them ("4 1E-12 10" for RKF), starting at x0 with speed v.
std::string FreeParticle(const test::TTempFolder& folder, const std::string& name, const std::string& method,
                         const std::string& step, const std::string& x0, const std::string& v) {
    const std::string path = (folder.Path / (name + ".knx")).string();
    std::ofstream(path) << "1\r\n"
                        << method << "\r\n"
                        << step << "\r\n\r\nBegin_Particles\r\n\r\nFree\r\n1E-300 0\r\n0.1\r\n"
                        << x0 << "\r\n"
                        << v
                        << "\r\n11\r\n3\r\nFF\r\n\r\nEnd_Particles\r\n\r\n-2 1 0\r\n\r\n0 0\r\n100\r\n0\r\n"
                           "Origin\r\n\r\n";
    return path;
}

TEST(BatchRun, UntilStopsAtTheFirstStepThatReachesTheTimeInEitherDirection) {
    test::TTempFolder folder;
    const std::string rkf = FreeParticle(folder, "rkf", "4 1E-12 10", "0.002", "0", "1");
    const struct {
        std::string Setup;
        std::string Until;
        std::string LastStep;
        double Time;  // forwards; backwards the negative
    } cases[] = {
        // Ten cycles of 0.002 per displayed step: 0.05 is passed by the third step, not shortened.
        {SunPlanet, "0.05", "3", 0.06},
        // On the step grid: 300 steps sum to 5.9999999999998943, which is 6 within rounding.
        {SunPlanet, "6", "300", 6},
        {SunPlanet, "0.06", "3", 0.06},
        // RKF's step grows fivefold per cycle: 0.002, then 0.01 would pass 0.01 and 0.008 lands
        // on it in the first displayed step, after two of its ten cycles.
        {rkf, "0.01", "1", 0.01},
    };
    for (const auto& c : cases)
        for (const bool backwards : {false, true}) {
            SCOPED_TRACE(c.Setup + " --until " + c.Until + (backwards ? " --backwards" : ""));
            std::vector<std::string> args = {"run", c.Setup, "--until", c.Until, "--every", "2"};
            if (backwards) args.push_back("--backwards");
            const auto csv = ParseCsv(RunBatch(args).Out);
            ASSERT_GE(csv.Rows.size(), 2u);
            EXPECT_EQ(csv.Rows.back()[0], c.LastStep);
            EXPECT_NEAR(csv.Value(csv.Rows.size() - 1, "time"), backwards ? -c.Time : c.Time, 1e-12);
        }
    // --steps bounds the run; a time already reached takes no step.
    EXPECT_EQ(ParseCsv(RunBatch({"run", SunPlanet, "--until", "100", "--steps", "2"}).Out).Rows.size(), 3u);
    EXPECT_EQ(ParseCsv(RunBatch({"run", SunPlanet, "--until", "0"}).Out).Rows.size(), 1u);
}

// --until lands RKF on T exactly, in either direction; a fixed step's run until a time is the
// run of as many steps, byte for byte.
TEST(BatchRun, UntilLandsRkfOnTheTimeAndLeavesTheFixedStepsAlone) {
    for (const char* until : {"2*PI", "0.0123", "1/3"})
        for (const bool backwards : {false, true}) {
            SCOPED_TRACE(std::string(until) + (backwards ? " backwards" : ""));
            TParser parser;
            const double t = EvaluateFieldText(parser, until).Value;
            std::vector<std::string> args = {"run", SunPlanet, "--method", "rkf", "--until", until};
            if (backwards) args.push_back("--backwards");
            const auto result = RunBatch(args);
            ASSERT_EQ(result.ExitCode, 0) << result.Err;
            const auto csv = ParseCsv(result.Out);
            EXPECT_EQ(csv.Value(csv.Rows.size() - 1, "time"), backwards ? -t : t);
        }
    for (const TMethodInfo& entry : NumMethods) {
        if (entry.Adaptive) continue;
        SCOPED_TRACE(entry.Name);
        const auto until = RunBatch({"run", SunPlanet, "--method", entry.Name, "--until", "0.05", "--state"});
        const auto steps = RunBatch({"run", SunPlanet, "--method", entry.Name, "--steps", "3", "--state"});
        EXPECT_EQ(ParseCsv(until.Out).Rows.size(), 4u);
        EXPECT_EQ(until.Out, steps.Out);
    }
}

TEST(BatchRun, MaxStepsStopsAnUnfinishedRunWithExitFive) {
    const auto limited = RunBatch({"run", SunPlanet, "--until", "100", "--max-steps", "3"});
    EXPECT_EQ(limited.ExitCode, 5);
    EXPECT_EQ(limited.Err, "error: the step limit of 3 steps was reached at t = 0.06\n");
    EXPECT_EQ(ParseCsv(limited.Out).Rows.size(), 4u);
    EXPECT_EQ(RunBatch({"run", SunPlanet, "--steps", "4", "--max-steps", "3"}).ExitCode, 5);
    // A run done within the limit is a run like any other.
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"run", SunPlanet, "--until", "0.06", "--max-steps", "3"},
                                               {"run", SunPlanet, "--steps", "3", "--max-steps", "3"}}) {
        const auto done = RunBatch(args);
        EXPECT_EQ(done.ExitCode, 0) << done.Err;
        EXPECT_EQ(ParseCsv(done.Out).Rows.size(), 4u);
    }
    EXPECT_EQ(RunBatch({"run", SunPlanet, "--until", "1", "--max-steps", "0"}).ExitCode, 2);

    const auto compare = RunBatch({"compare", SunPlanet, "--until", "100", "--max-steps", "3", "--methods",
                                   "rk4,euler", "--dt", "0.002,0.001"});
    EXPECT_EQ(compare.ExitCode, 5);
    const auto csv = ParseCsv(compare.Out);
    ASSERT_EQ(csv.Rows.size(), 4u);
    for (size_t row = 0; row < 4; ++row) {
        EXPECT_EQ(csv.Value(row, "steps"), 3);
        EXPECT_EQ(csv.Rows[row].back().rfind("the step limit of 3 steps was reached at t = 0.0", 0), 0u)
            << csv.Rows[row].back();
    }
}

TEST(BatchRun, NamesGiveTheStateColumnsTheParticlesAndAxes) {
    const auto named = RunBatch({"run", SunPlanet, "--names", "--steps", "2"});
    const auto indexed = RunBatch({"run", SunPlanet, "--state", "--steps", "2"});
    ASSERT_EQ(named.ExitCode, 0) << named.Err;
    const auto csv = ParseCsv(named.Out);
    EXPECT_EQ(csv.Header, (std::vector<std::string>{"step", "time", "signed_step", "kinetic", "potential",
                                                    "total", "Sun.x", "Sun.y", "Planet.x", "Planet.y",
                                                    "Sun.vx", "Sun.vy", "Planet.vx", "Planet.vy"}));
    // The records are those of the indexed form.
    EXPECT_EQ(named.Out.substr(named.Out.find('\n')), indexed.Out.substr(indexed.Out.find('\n')));
}

TEST(BatchCompare, OneRowPerMethodAndStepInTheOrderGiven) {
    const auto result = RunBatch(
        {"compare", SunPlanet, "--until", "0.5", "--methods", "euler,Stoermer,RKF", "--dt", "0.002,1/250"});
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    const auto csv = ParseCsv(result.Out);
    EXPECT_EQ(csv.Header, (std::vector<std::string>{"method", "time_step", "steps", "force_evaluations",
                                                    "final_time", "max_energy_drift", "final_energy_drift",
                                                    "com_drift", "wall_seconds", "result"}));
    ASSERT_EQ(csv.Rows.size(), 6u);
    const std::vector<std::string> methods = {"Euler", "Euler", "Stoermer", "Stoermer", "RKF", "RKF"};
    for (size_t row = 0; row < 6; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(csv.Rows[row][0], methods[row]);
        EXPECT_EQ(csv.Value(row, "time_step"), row % 2 == 0 ? 0.002 : 0.004);
        EXPECT_GE(csv.Value(row, "final_time"), 0.5);
        EXPECT_GE(csv.Value(row, "max_energy_drift"), csv.Value(row, "final_energy_drift"));
        EXPECT_EQ(csv.Rows[row].back(), "ok");
    }
    // Ten cycles per step: 0.5 takes 25 steps of 0.02 and 13 of 0.04. Stoermer adds the
    // completion of the velocities to every step and its start-up evaluation to the run.
    EXPECT_EQ(csv.Value(0, "steps"), 25);
    EXPECT_EQ(csv.Value(0, "force_evaluations"), 250);
    EXPECT_EQ(csv.Value(3, "steps"), 13);
    EXPECT_EQ(csv.Value(3, "force_evaluations"), 13 * 11 + 1);
    // Euler drifts most; Stoermer's drift shrinks about fourfold with half the step (second order).
    EXPECT_GT(csv.Value(0, "max_energy_drift"), 100 * csv.Value(2, "max_energy_drift"));
    EXPECT_GT(csv.Value(3, "max_energy_drift"), 3 * csv.Value(2, "max_energy_drift"));
}

TEST(BatchCompare, AFailingRunSaysWhyInItsRowAndTheOthersGoOn) {
    const auto result =
        RunBatch({"compare", Data + "/Overflow.knx", "--until", "1", "--methods", "rk4,euler"});
    EXPECT_EQ(result.ExitCode, 3);
    const auto csv = ParseCsv(result.Out);
    ASSERT_EQ(csv.Rows.size(), 2u);
    EXPECT_EQ(csv.Rows[0].back(), "error: Coordinate out of range");
    EXPECT_EQ(csv.Rows[1].back(), "error: Coordinate out of range");

    const auto mixed = RunBatch({"compare", Data + "/Collision.knx", "--until", "2", "--methods", "rk4",
                                 "--dt", "0.01,0.005", "--collisions"});
    EXPECT_EQ(mixed.ExitCode, 3);
    const auto rows = ParseCsv(mixed.Out).Rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].back().rfind("Collision between A and B at t = ", 0), 0u) << rows[0].back();

    // Usage and value errors end the command before any run.
    EXPECT_EQ(RunBatch({"compare", SunPlanet}).ExitCode, 2);
    EXPECT_EQ(RunBatch({"compare", SunPlanet, "--until", "1", "--methods", "rk4,,euler"}).ExitCode, 2);
    const auto bad = RunBatch({"compare", SunPlanet, "--until", "1", "--dt", "0.01,0"});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_EQ(bad.Err, "error: Time step must not be zero\n");
    EXPECT_EQ(bad.Out, "");
}

TEST(BatchCompare, EnergyDriftIsMeasuredFromTheSetupAtTimeZero) {
    // Stoermer's start-up step moves the positions before the first step; an E0 taken after it
    // made its drift on Coulomb 2.3E-4 instead of 2.2E-7 and ranked it below Ralston.
    const auto result = RunBatch({"compare", std::string(KINETRA_EXAMPLES) + "/Coulomb.knx", "--until", "20",
                                  "--methods", "stoermer,ralston"});
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    const auto csv = ParseCsv(result.Out);
    ASSERT_EQ(csv.Rows.size(), 2u);
    EXPECT_LT(csv.Value(0, "final_energy_drift"), 1e-6);
    EXPECT_LT(csv.Value(0, "final_energy_drift"), csv.Value(1, "final_energy_drift") / 4);
}

// compare's runs stop where `run --until` stops: the same displayed steps and the same time.
TEST(BatchCompare, RunsEndWhereRunUntilEnds) {
    test::TTempFolder folder;
    const std::string rkf = FreeParticle(folder, "rkf", "4 1E-12 10", "0.002", "0", "1");
    const struct {
        std::string Setup;
        std::string Until;
        std::string Method;
        std::int64_t Steps;
    } cases[] = {
        {SunPlanet, "6", "euler", 300},  // on the step grid
        {SunPlanet, "6", "stoermer", 300},
        {SunPlanet, "0.5", "rkf", 0},
        {rkf, "0.01", "rkf", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Setup + " " + c.Method + " " + c.Until);
        const auto compared =
            ParseCsv(RunBatch({"compare", c.Setup, "--until", c.Until, "--methods", c.Method}).Out);
        const auto run = ParseCsv(RunBatch({"run", c.Setup, "--until", c.Until, "--method", c.Method}).Out);
        ASSERT_EQ(compared.Rows.size(), 1u);
        ASSERT_GE(run.Rows.size(), 2u);
        EXPECT_EQ(compared.Rows[0][2], run.Rows.back()[0]);
        EXPECT_EQ(compared.Value(0, "final_time"), run.Value(run.Rows.size() - 1, "time"));
        if (c.Steps > 0) {
            EXPECT_EQ(compared.Value(0, "steps"), c.Steps);
        }
    }
}

TEST(BatchCompare, TheCentreOfMassDriftIsScaledAndNeverAnInfiniteSuccess) {
    test::TTempFolder folder;
    // 1E150 per time unit for 1E5: the drift 1E155 squares beyond the range of a double.
    const std::string far = FreeParticle(folder, "far", "0 1", "1E4", "0", "1E150");
    auto result = RunBatch({"compare", far, "--until", "1E5", "--methods", "euler"});
    ASSERT_EQ(result.ExitCode, 0) << result.Out;
    auto csv = ParseCsv(result.Out);
    EXPECT_NEAR(csv.Value(0, "com_drift") / 1E155, 1, 1e-12);
    EXPECT_EQ(csv.Rows[0].back(), "ok");
    // From -1E308 to +1E308: a drift beyond the largest double is no success.
    const std::string across = FreeParticle(folder, "across", "0 10", "2E153", "-1E308", "1E154");
    result = RunBatch({"compare", across, "--until", "2E154", "--methods", "euler"});
    EXPECT_EQ(result.ExitCode, 3);
    csv = ParseCsv(result.Out);
    ASSERT_EQ(csv.Rows.size(), 1u);
    EXPECT_EQ(csv.Rows[0].back(), "error: com_drift is not a finite number");
}

}  // namespace
}  // namespace kinetra
