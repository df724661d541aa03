// kinetra-batch as its users see it: arguments, output, files and exit status.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "BatchProcess.h"
#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"

namespace kinetra {
namespace {

using test::ParseCsv;
using test::RunBatch;
using test::Split;

const std::string Data = KINETRA_TEST_DATA;
const std::string SunPlanet = Data + "/SunPlanet.knx";

TEST(BatchUsage, HelpAndVersion) {
    const auto help = RunBatch({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_NE(help.Out.find(
                  "kinetra-batch run SETUP [--steps N] [--every K] [--backwards] [--collisions] [--state]"),
              std::string::npos);
    EXPECT_EQ(help.Err, "");
    const auto version = RunBatch({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out, "kinetra-batch 1.0\n");
}

TEST(BatchUsage, WrongArgumentsExitWithTwoAndTheUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"simulate", SunPlanet},
        {"run"},
        {"run", SunPlanet, "--steps"},
        {"run", SunPlanet, "--steps", "x"},
        {"run", SunPlanet, "--steps", "-1"},
        {"run", SunPlanet, "--every", "0"},
        {"run", SunPlanet, "--fast"},
        {"run", SunPlanet, "--state=yes"},
        {"run", SunPlanet, SunPlanet},
        {"check"},
        {"check", SunPlanet, SunPlanet},
        {"save", SunPlanet},
        {"save", SunPlanet, ""},
        {"run", SunPlanet, "--max-steps", "99999999999999999999"},
        {"run", SunPlanet, "--steps", "9223372036854775808"},
        {"eval"},
    };
    for (const auto& args : cases) {
        const auto result = RunBatch(args);
        std::string shown;
        for (const auto& a : args) shown += a + " ";
        EXPECT_EQ(result.ExitCode, 2) << shown;
        EXPECT_NE(result.Err.find("Usage:"), std::string::npos) << shown;
        EXPECT_EQ(result.Out, "") << shown;
    }
}

TEST(BatchCheck, PrintsTheSetupsShape) {
    const auto result = RunBatch({"check", SunPlanet});
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out,
              "dimensions 2\nmethod RK4\nparticles 2\nframe Origin\ntime step 0.002\ncycles 10\n"
              "accuracy 1E-12\ncollisions off\nunits dimensionless\n");
    // RKF below 1E-18 crawls: accepted down to 1E-30, with a warning; other methods use no accuracy.
    for (const auto& [method, accuracy, warned] : {std::tuple{"RKF", "1E-18", false},
                                                   {"RKF", "9E-19", true},
                                                   {"RKF", "1E-30", true},
                                                   {"RK4", "1E-30", false}}) {
        const auto low = RunBatch({"check", SunPlanet, "--method", method, "--accuracy", accuracy});
        EXPECT_EQ(low.ExitCode, 0) << accuracy;
        EXPECT_EQ(low.Err,
                  warned ? "warning: an accuracy below 1E-18 makes RKF take very small steps: a run may "
                           "take very long\n"
                         : "")
            << method << " " << accuracy;
    }
    // The largest count there is is a count.
    EXPECT_EQ(RunBatch({"run", SunPlanet, "--steps", "1", "--max-steps", "9223372036854775807"}).ExitCode, 0);
}

// The manual page tells what --help tells: every option and every exit status.
TEST(BatchHelp, TheManualPageNamesEveryOptionAndExitStatus) {
    const auto help = RunBatch({"--help"});
    std::ifstream in(std::string(KINETRA_EXAMPLES) + "/../packaging/kinetra-batch.1");
    const std::string man((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(man.empty());
    std::string roff;  // the man page's text without its escapes: "\\-" is "-"
    for (size_t i = 0; i < man.size(); ++i) {
        if (man[i] == '\\' && i + 1 < man.size() && man[i + 1] == '-') continue;
        roff += man[i];
    }
    for (size_t at = help.Out.find("--"); at != std::string::npos; at = help.Out.find("--", at + 2)) {
        size_t end = at + 2;
        while (end < help.Out.size() &&
               (std::isalnum(static_cast<unsigned char>(help.Out[end])) || help.Out[end] == '-'))
            ++end;
        const std::string option = help.Out.substr(at, end - at);
        if (option.size() > 2) {
            EXPECT_NE(roff.find(option), std::string::npos) << option;
        }
    }
    for (const char* status : {"0 done", "2 usage", "3 a step", "4 a collision", "5 the step limit"})
        EXPECT_NE(roff.find(status), std::string::npos) << status;
}

TEST(BatchCheck, NamesTheUnitsOfTheSetup) {
    // G = GN makes a setup SI; G = 1 leaves it without units.
    for (const auto& [file, units] : std::vector<std::pair<std::string, std::string>>{
             {std::string(KINETRA_EXAMPLES) + "/InnerSolarSystem.knx", "units SI\n"},
             {std::string(KINETRA_EXAMPLES) + "/BinaryStar.knx", "units dimensionless\n"}}) {
        const auto result = RunBatch({"check", file});
        EXPECT_EQ(result.ExitCode, 0) << file;
        EXPECT_NE(result.Out.find(units), std::string::npos) << result.Out;
    }
}

TEST(BatchCheck, ALoadErrorIsReportedWithExitOne) {
    // The loader's message, then where reading stopped, what was read and the text found there;
    // the same for every command that loads.
    for (const char* command : {"check", "run", "save"}) {
        std::vector<std::string> args = {command, Data + "/BadKeyword.knx"};
        if (std::string(command) == "save") args.push_back(Data + "/never written.knx");
        const auto result = RunBatch(args);
        EXPECT_EQ(result.ExitCode, 1) << command;
        EXPECT_EQ(result.Out, "") << command;
        EXPECT_EQ(result.Err, "error: Keyword Begin_Particles expected\n  in " + Data +
                                  "/BadKeyword.knx, line 5, start of the particle section: \"Particles\"\n")
            << command;
    }
    auto result = RunBatch({"run", Data + "/no such file.knx"});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err, "error: File not found\n");
}

TEST(BatchRun, RecordsStepZeroEveryKthStepAndTheLast) {
    const auto result = RunBatch({"run", SunPlanet, "--steps", "5", "--every", "2"});
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    const auto csv = ParseCsv(result.Out);
    EXPECT_EQ(csv.Header,
              (std::vector<std::string>{"step", "time", "signed_step", "kinetic", "potential", "total"}));
    ASSERT_EQ(csv.Rows.size(), 4u);
    EXPECT_EQ(csv.Rows[0][0], "0");
    EXPECT_EQ(csv.Rows[1][0], "2");
    EXPECT_EQ(csv.Rows[2][0], "4");
    EXPECT_EQ(csv.Rows[3][0], "5");
    // The initial state, exactly.
    EXPECT_EQ(csv.Rows[0], (std::vector<std::string>{"0", "0", "0.002", "450", "-1000", "-550"}));
    EXPECT_NEAR(csv.Value(3, "time"), 5 * 10 * 0.002, 1e-12);
    EXPECT_EQ(csv.Value(3, "signed_step"), 0.002);
    EXPECT_EQ(csv.Value(3, "total"), csv.Value(3, "kinetic") + csv.Value(3, "potential"));

    // --every larger than the run: the first and the last record only; no steps: step 0 only.
    EXPECT_EQ(ParseCsv(RunBatch({"run", SunPlanet, "--steps=3", "--every=10"}).Out).Rows.size(), 2u);
    EXPECT_EQ(ParseCsv(RunBatch({"run", SunPlanet, "--steps", "0"}).Out).Rows.size(), 1u);
}

// The batch run and the same run in this process agree to the last bit, which also shows that
// every printed real reads back to the double it came from.
TEST(BatchRun, StateColumnsMatchTheEngineBitForBit) {
    const auto run = RunBatch({"run", "--state", SunPlanet, "--steps", "3"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const auto csv = ParseCsv(run.Out);
    EXPECT_EQ(csv.Header,
              (std::vector<std::string>{"step", "time", "signed_step", "kinetic", "potential", "total",
                                        "x0_0", "x0_1", "x1_0", "x1_1", "v0_0", "v0_1", "v1_0", "v1_1"}));
    ASSERT_EQ(csv.Rows.size(), 4u);
    EXPECT_EQ(csv.Rows[0], (std::vector<std::string>{"0", "0", "0.002", "450", "-1000", "-550", "0", "0", "1",
                                                     "0", "0", "0", "0", "30"}));

    TFramedSim simSetup;
    TSimData& sim = simSetup.Sim();
    sim.FileName = SunPlanet;
    sim.LoadFromFile();
    sim.Rewind();
    sim.Prepare();
    sim.InfoWanted = true;
    for (size_t row = 1; row <= 3; ++row) {
        sim.Step();
        EXPECT_EQ(csv.Value(row, "time"), sim.Time);
        EXPECT_EQ(csv.Value(row, "kinetic"), sim.KineticEnergy());
        EXPECT_EQ(csv.Value(row, "potential"), sim.PotentialEnergy());
        for (int i = 0; i < 2; ++i)
            for (int d = 0; d < 2; ++d) {
                const std::string suffix = std::to_string(i) + "_" + std::to_string(d);
                EXPECT_EQ(csv.Value(row, "x" + suffix), sim.Particles.Particles(i).Position[d]);
                EXPECT_EQ(csv.Value(row, "v" + suffix), sim.Particles.Particles(i).Velocity[d]);
            }
    }
}

TEST(BatchRun, BackwardsRunsWithTheNegativeStep) {
    const auto csv = ParseCsv(RunBatch({"run", SunPlanet, "--steps", "2", "--backwards"}).Out);
    ASSERT_EQ(csv.Rows.size(), 3u);
    EXPECT_EQ(csv.Value(0, "signed_step"), -0.002);
    EXPECT_EQ(csv.Value(0, "time"), 0);
    EXPECT_NEAR(csv.Value(2, "time"), -0.04, 1e-12);
}

TEST(BatchRun, ACollisionStopsTheRunWithExitFour) {
    const std::string setup = Data + "/Collision.knx";
    const auto result = RunBatch({"run", setup, "--steps", "10", "--collisions"});
    EXPECT_EQ(result.ExitCode, 4);
    // Cycle 55 finds the spheres intersecting; the time of the 54 cycles before it is reported.
    EXPECT_EQ(result.Err, "Collision between A and B at t = 0.54\n");
    const auto csv = ParseCsv(result.Out);
    ASSERT_EQ(csv.Rows.size(), 6u);  // steps 0 to 5 stay printed
    EXPECT_EQ(csv.Rows.back()[0], "5");

    // Without the switch the bodies pass through each other.
    const auto free = RunBatch({"run", setup, "--steps", "10"});
    EXPECT_EQ(free.ExitCode, 0);
    EXPECT_EQ(ParseCsv(free.Out).Rows.size(), 11u);
}

// Energies that cannot be computed end the run as a failed step: the record is not printed,
// the records before it stay, and no record ever holds "nan" or "inf".
TEST(BatchRun, AFailingStepExitsWithThreeAfterTheRecordsSoFar) {
    const struct {
        const char* Setup;
        size_t Records;  // printed before the failure
    } cases[] = {
        {"/Overflow.knx", 0},     // the kinetic energy of the start overflows
        {"/MeetAtStep4.knx", 4},  // steps 0 to 3; at the end of step 4 a massless probe meets a body
    };
    for (const auto& c : cases) {
        const auto result = RunBatch({"run", Data + c.Setup, "--steps", "6", "--state"});
        EXPECT_EQ(result.ExitCode, 3) << c.Setup;
        EXPECT_EQ(result.Err, "error: Coordinate out of range\n") << c.Setup;
        const auto csv = ParseCsv(result.Out);
        ASSERT_EQ(csv.Rows.size(), c.Records) << c.Setup;
        for (size_t row = 0; row < csv.Rows.size(); ++row) EXPECT_EQ(csv.Rows[row][0], std::to_string(row));
        EXPECT_EQ(result.Out.find("nan"), std::string::npos) << result.Out;
        EXPECT_EQ(result.Out.find("inf"), std::string::npos) << result.Out;
    }
}

// One free particle (or none) in one dimension, Euler, with the given stored time step.
std::string FreeSetup(const std::string& timeStep, bool particle) {
    std::string text = "1\r\n0 10\r\n" + timeStep + "\r\n\r\nBegin_Particles\r\n\r\n";
    if (particle) text += "P\r\n1 0\r\n0\r\n0\r\n1\r\n11\r\n0\r\nFF\r\n\r\n";
    return text + "End_Particles\r\n\r\n-2 1 0\r\n\r\n0 0\r\n100\r\n0\r\nOrigin\r\n\r\n";
}

std::string WriteFile(const test::TTempFolder& folder, const std::string& name, const std::string& text) {
    const std::string path = (folder.Path / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Steps far beyond 1E154 or below 1E-162, where |s| * step / s overflows or vanishes, run with
// their own value; a time that overflows fails the step. No record holds a non-finite number.
TEST(BatchRun, HugeAndTinyStepsRunWithTheirOwnValue) {
    test::TTempFolder folder;
    const std::string free = WriteFile(folder, "free.knx", FreeSetup("0.002", true));
    const std::string empty = WriteFile(folder, "empty.knx", FreeSetup("0.002", false));
    const struct {
        std::string Setup;
        std::vector<std::string> Options;
        int ExitCode;
        double Step;
        size_t Records;
    } cases[] = {
        {free, {"--dt", "1E200"}, 0, 1E200, 3},
        {free, {"--dt", "1E200", "--backwards"}, 0, -1E200, 3},
        {empty, {"--dt", "1E200"}, 0, 1E200, 3},
        {free, {"--dt", "1.4E154"}, 0, 1.4E154, 3},
        {free, {"--dt", "1E-170"}, 0, 1E-170, 3},
        {empty, {"--dt", "1E-170", "--backwards"}, 0, -1E-170, 3},
        {empty, {"--dt", "1E308"}, 3, 1E308, 1},  // ten cycles of 1E308 leave the range
        // The factors h^2 of the higher methods leave the range, even with nothing to move.
        {free, {"--dt", "1E200", "--method", "RK4"}, 3, 1E200, 1},
        {empty, {"--dt", "1E200", "--method", "Stoermer"}, 3, 1E200, 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"run", c.Setup, "--steps", "2"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const auto result = RunBatch(args);
        const std::string shown = c.Setup + " " + c.Options[1];
        EXPECT_EQ(result.ExitCode, c.ExitCode) << shown << "\n" << result.Err;
        EXPECT_EQ(result.Err, c.ExitCode == 0 ? "" : "error: Coordinate out of range\n") << shown;
        EXPECT_EQ(result.Out.find("inf"), std::string::npos) << result.Out;
        EXPECT_EQ(result.Out.find("nan"), std::string::npos) << result.Out;
        const auto csv = ParseCsv(result.Out);
        ASSERT_EQ(csv.Rows.size(), c.Records) << shown;
        for (size_t row = 0; row < c.Records; ++row) {
            EXPECT_EQ(csv.Value(row, "signed_step"), c.Step) << shown;
            EXPECT_NEAR(csv.Value(row, "time") / c.Step, 10.0 * row, 1e-12) << shown;
        }
    }
}

// A stored step of zero or below is reported as the step that the run takes.
TEST(BatchCheck, ReportsTheStepTheRunTakes) {
    test::TTempFolder folder;
    for (const auto& [stored, used] : {std::pair{"0", "0.002"}, std::pair{"-0.1", "0.1"}}) {
        const std::string setup = WriteFile(folder, "step.knx", FreeSetup(stored, true));
        const auto check = RunBatch({"check", setup});
        EXPECT_NE(check.Out.find(std::string("\ntime step ") + used + "\n"), std::string::npos) << check.Out;
        const auto run = RunBatch({"run", setup, "--steps", "1"});
        // up to the last bit of |s| * step / s
        EXPECT_DOUBLE_EQ(ParseCsv(run.Out).Value(1, "signed_step"), std::stod(used)) << run.Out;
        const auto compare = RunBatch({"compare", setup, "--until", "0.01", "--methods", "Euler"});
        EXPECT_EQ(ParseCsv(compare.Out).Value(0, "time_step"), std::stod(used)) << compare.Out;
    }
}

// A machine that gives no thread (each would need a stack larger than the address space left):
// run with threads ends with exit 1 and the reason; compare makes its runs on the calling thread,
// with the rows it makes otherwise.
TEST(BatchThreads, ThreadsTheSystemRefusesAreReportedOrDoneWithout) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#endif
    const std::string noThreads = "ulimit -s 1000000 && ulimit -v 900000 && exec ";
    const std::string cluster = std::string(KINETRA_EXAMPLES) + "/Cluster1000.knx";
    const auto run = RunBatch({"run", cluster, "--steps", "1", "--threads", "2"}, "", noThreads);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "error: Could not start thread 2 of 2: Resource temporarily unavailable\n");
    const auto withoutWallTime = [](const std::string& csv) {
        std::string rows;
        for (const std::string& row : test::Split(csv, '\n')) {
            std::vector<std::string> fields = test::Split(row, ',');
            fields.erase(fields.begin() + 8);
            for (const std::string& field : fields) rows += field + ",";
            rows += "\n";
        }
        return rows;
    };
    const std::vector<std::string> compare = {"compare", SunPlanet, "--until", "0.05"};
    const auto alone = RunBatch(compare, "", noThreads);
    EXPECT_EQ(alone.ExitCode, 0) << alone.Err;
    EXPECT_EQ(withoutWallTime(alone.Out), withoutWallTime(RunBatch(compare).Out));
}

TEST(BatchSave, WritesTheSetupBackWithTheExtensionRule) {
    test::TTempFolder folder;
    const std::string out = (folder.Path / "copy").string();
    const auto result = RunBatch({"save", SunPlanet, out});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(test::ReadWhole(out + ".knx"), test::ReadWhole(SunPlanet));

    // ".knx" is a name with the extension ".knx".
    const std::string hidden = (folder.Path / ".knx").string();
    EXPECT_EQ(RunBatch({"save", SunPlanet, hidden}).ExitCode, 0);
    EXPECT_EQ(test::ReadWhole(hidden), test::ReadWhole(SunPlanet));
    EXPECT_FALSE(std::filesystem::exists(hidden + ".knx"));

    const std::string unwritable = (folder.Path / "missing" / "copy.knx").string();
    const auto failed = RunBatch({"save", SunPlanet, unwritable});
    EXPECT_EQ(failed.ExitCode, 1);
    EXPECT_NE(failed.Err.find(unwritable), std::string::npos) << failed.Err;
}

TEST(BatchSave, ATargetThatIsNoRegularFileIsRefused) {
    test::TTempFolder folder;
    const std::filesystem::path pipe = folder.Path / "pipe.knx";
    const std::filesystem::path directory = folder.Path / "folder.knx";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::create_directory(directory);
    for (const auto& target : {pipe, directory}) {
        const auto result = RunBatch({"save", SunPlanet, target.string()});
        EXPECT_EQ(result.ExitCode, 1) << target;
        EXPECT_EQ(result.Err, "error: Could not save \"" + target.string() + "\": Not a regular file\n");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_TRUE(std::filesystem::is_empty(directory));
}

// Output that cannot be written is an error, whether a write fails on the way or only the last
// flush does.
TEST(BatchOutput, AFailedWriteToStdoutExitsWithOneAndSaysWhy) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::vector<std::vector<std::string>> cases = {
        {"run", SunPlanet, "--steps", "10"},
        {"run", SunPlanet, "--steps", "5000", "--state"},
        {"run", Data + "/Collision.knx", "--steps", "10", "--collisions"},
        {"check", SunPlanet},
        {"compare", SunPlanet, "--until", "0.1", "--methods", "euler"},
        {"eval", "1+1"},
        {"--help"},
    };
    for (const auto& args : cases) {
        const auto result = RunBatch(args, "/dev/full");
        EXPECT_EQ(result.ExitCode, 1) << args[0] << " " << args.size();
        EXPECT_NE(result.Err.find("error: could not write the output: No space left on device\n"),
                  std::string::npos)
            << result.Err;
    }
}

TEST(BatchEval, EvaluatesInOrderOnOneParser) {
    auto result = RunBatch({"eval", "x = 2", "x * 3", "-x", "PI", "1E300 * 1E300", "1/0", "y"});
    EXPECT_EQ(result.ExitCode, 1);
    const auto lines = Split(result.Out, '\n');
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "2");
    EXPECT_EQ(lines[1], "6");
    EXPECT_EQ(lines[2], "-2");
    EXPECT_EQ(lines[3], "3.14159265358979");
    EXPECT_EQ(lines[4], "error: Floating point overflow");
    EXPECT_EQ(lines[5], "error: Zero denominator");
    EXPECT_EQ(lines[6], "error: 'y' unknown");
    result = RunBatch({"eval", "GN", "1/3"});
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "6.67259E-11\n0.333333333333333\n");
}

}  // namespace
}  // namespace kinetra
