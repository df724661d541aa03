// Every command of kinetra-batch meets every override, alone and in the combinations that
// matter, on setups stored with every method, in 1 to 26 dimensions, with and without charges.
// Each call either gives the same bytes as its twin (the setup written with those values and
// run without them) or fails cleanly: one "error: ..." line and its exit code, never a signal
// or a sanitizer report. Every stored method meets every override in 1, 3 and 26 dimensions,
// through `run` and through one other command in turn; 2 and 4 dimensions take a sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "BatchProcess.h"
#include "engine/SimOptionValues.h"
#include "engine/SimulationData.h"

namespace kinetra {
namespace {

using test::RunBatch;
using test::TBatchResult;

// The methods are the table's: each stored by its ordinal, the adaptive one with its accuracy.
constexpr int Methods = static_cast<int>(NumMethods.size());
constexpr int RKF = nmRKF;

// What a setup file holds of the options.
struct TStored {
    int Method = 0;
    std::string TimeStep = "0.002";
    std::string Cycles = "2";
    std::string Accuracy = "1E-12";  // written with RKF only; the loader's default otherwise
};

std::string Number(double value) {
    std::ostringstream text;
    text << value;  // the values below have few digits: the same text as the setup writer's
    return text.str();
}

// A heavy body, two light ones and a pair D, E 0.01 short of touching and closing at speed 1,
// so that the collision check finds them within the first steps; every coordinate is used.
std::string SetupText(int dims, bool charged, const TStored& stored) {
    struct TBody {
        const char* Name;
        double Mass, Charge, Radius;
        std::function<double(int)> Position, Velocity;
    };
    const TBody bodies[] = {
        {"Sun", 10, 1, 0.1, [](int) { return 0.0; }, [](int) { return 0.0; }},
        {"B", 1, -0.5, 0.05, [](int d) { return d == 0 ? 2 : 0.5 * (d % 3); },
         [](int d) { return d == 1 ? 2 : 0.1 * (d % 2); }},
        {"C", 0.5, 0.25, 0.05, [](int d) { return d == 0  ? -3
                                                  : d % 2 ? -0.5
                                                          : 0; },
         [](int d) { return d == 0  ? 0.3
                            : d % 3 ? -0.25 * (d % 3)
                                    : 0; }},
        {"D", 0.1, 0.1, 0.2, [](int d) { return d == 0 ? 6 : 1; }, [](int d) { return d == 0 ? 0.5 : 0; }},
        {"E", 0.1, 0.1, 0.2, [](int d) { return d == 0 ? 6.41 : 1; },
         [](int d) { return d == 0 ? -0.5 : 0; }},
    };
    const auto vector = [dims](const std::function<double(int)>& component) {
        std::string text;
        for (int d = 0; d < dims; ++d) text += (d ? " " : "") + Number(component(d));
        return text;
    };
    std::vector<std::string> lines = {
        std::to_string(dims),
        NumMethods[stored.Method].Adaptive
            ? std::to_string(stored.Method) + " " + stored.Accuracy + " " + stored.Cycles
            : std::to_string(stored.Method) + " " + stored.Cycles,
        stored.TimeStep,
        "",
        "Begin_Particles",
        ""};
    int colour = 0;
    for (const TBody& b : bodies) {
        lines.insert(lines.end(),
                     {b.Name, Number(b.Mass) + " " + Number(charged ? b.Charge : 0), Number(b.Radius),
                      vector(b.Position), vector(b.Velocity), "11", std::to_string(++colour), "TF", ""});
    }
    lines.insert(lines.end(),
                 {"End_Particles", "", charged ? "-2 1 1" : "-2 1 0", "", dims > 1 ? "0 1" : "0 0", "100",
                  vector([](int) { return 0.0; }), "Origin", "", "generated"});
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
    return text;
}

// One line of the table: the options as given on the command line, and the message every
// command refuses them with (empty when they are valid).
struct TRow {
    std::vector<std::string> Options;
    std::string Refusal;
};

// --method with every name of the table, then the rest.
std::vector<TRow> WithEveryMethod(std::vector<TRow> rows) {
    for (const TMethodInfo& entry : NumMethods)
        rows.insert(rows.begin() + entry.Method, {{"--method", entry.Name}, ""});
    return rows;
}

const std::vector<TRow> Rows = WithEveryMethod({
    {{"--dt", "0.004"}, ""},
    {{"--cycles", "3"}, ""},
    {{"--accuracy", "1E-8"}, ""},
    {{"--collisions"}, ""},
    {{"--no-collisions"}, ""},
    {{"--until", "0.03"}, ""},
    {{"--backwards"}, ""},
    {{"--threads", "1"}, ""},
    {{"--threads", "2"}, ""},
    {{"--method", "Stoermer", "--dt", "0.004", "--backwards"}, ""},
    {{"--method", "RKF", "--accuracy", "1E-9", "--dt", "0.001", "--cycles", "3"}, ""},
    {{"--dt", "0.001", "--collisions", "--until", "0.02"}, ""},
    {{"--method", "RK4", "--cycles", "4", "--backwards", "--threads", "2", "--collisions"}, ""},
    {{"--method", "Euler", "--accuracy", "1E-6", "--no-collisions"}, ""},
    {{"--dt", "0.003", "--backwards", "--until", "0.02", "--threads", "1"}, ""},
    {{"--cycles", "0"}, "Computation cycles must be between 1 and 200"},
    {{"--accuracy", "1E-31"}, "Accuracy setting must be at least 1E-30"},
    {{"--dt", "0"}, "Time step must not be zero"},
    {{"--dt", "-0.004"}, "Time step must be positive"},
    {{"--method", "Stoermer", "--dt", "1/0"}, "Zero denominator"},
});

bool StoredOption(const std::string& option) {
    return option == "--method" || option == "--dt" || option == "--cycles" || option == "--accuracy";
}

bool TakesValue(const std::string& option) {
    return StoredOption(option) || option == "--until" || option == "--threads";
}

// The options of a row as `command` takes them, or none when it takes not all of them.
std::optional<std::vector<std::string>> OptionsFor(const std::string& command, const TRow& row) {
    std::vector<std::string> options;
    for (size_t i = 0; i < row.Options.size(); ++i) {
        const std::string& option = row.Options[i];
        const bool runOnly = option == "--backwards" || option == "--threads";
        if (command != "run" && runOnly) return std::nullopt;
        if ((command == "check" || command == "save") && option == "--until") return std::nullopt;
        options.push_back(command == "compare" && option == "--method" ? "--methods" : option);
        if (TakesValue(option)) options.push_back(row.Options[++i]);
    }
    return options;
}

// Clean: exit 0 with nothing on stderr, or 1, 3 (or 4 after a collision) with one line there
// (compare's failed runs say why in their rows); never a non-finite number in the output.
std::string Unclean(const TBatchResult& r, const std::string& command) {
    if (r.Out.find("inf") != std::string::npos || r.Out.find("nan") != std::string::npos)
        return "a non-finite number in the output";
    const bool oneLine = !r.Err.empty() && r.Err.find('\n') == r.Err.size() - 1;
    switch (r.ExitCode) {
        case 0:
            return r.Err.empty() ? "" : "exit 0 with text on stderr";
        case 3:
            if (command == "compare" && r.Err.empty()) return "";
            [[fallthrough]];
        case 1:
            return oneLine && r.Err.rfind("error: ", 0) == 0 ? "" : "no clean error line";
        case 4:
            return oneLine && r.Err.rfind("Collision between ", 0) == 0 ? "" : "no clean collision line";
        default:
            return "exit code " + std::to_string(r.ExitCode);
    }
}

// compare's rows without the wall-clock column.
std::string WithoutWallTime(const std::string& out) {
    std::string kept;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        size_t start = 0;
        for (int field = 0; field < 8 && start != std::string::npos; ++field)
            start = line.find(',', start + 1);
        const size_t end = start == std::string::npos ? start : line.find(',', start + 1);
        if (end != std::string::npos) line = line.substr(0, start + 1) + "-" + line.substr(end);
        kept += line + "\n";
    }
    return kept;
}

class TMatrix {
public:
    explicit TMatrix(int dims) : Dims(dims) {}

    // One row on the setup stored with `method`, through `command`.
    void Check(int method, bool charged, const TRow& row, const std::string& command) {
        const std::optional<std::vector<std::string>> options = OptionsFor(command, row);
        ASSERT_TRUE(options) << command;
        TStored stored{method};
        if (NumMethods[method].Adaptive) stored.Accuracy = "1E-10";
        std::vector<std::string> args = {command, Write(SetupText(Dims, charged, stored))};
        const std::string out = (Folder.Path / "out.knx").string();
        if (command == "save") args.push_back(out);
        Append(args, *options);
        Append(args, Defaults(command, *options));
        std::string shown;
        for (const std::string& a : args) shown += " " + a;
        SCOPED_TRACE(std::to_string(Dims) + " dimensions," + (charged ? " charged," : "") + shown);

        const TBatchResult result = RunBatch(args);
        EXPECT_EQ(Unclean(result, command), "") << result.Err;
        if (!row.Refusal.empty()) {
            EXPECT_EQ(result.ExitCode, 1);
            EXPECT_EQ(result.Err, "error: " + row.Refusal + "\n");
            EXPECT_EQ(result.Out, "");
            return;
        }

        // The values the setup holds after the overrides, and the options that stay options.
        TStored twin = stored;
        bool accuracyGiven = false;
        std::vector<std::string> rest;
        for (size_t i = 0; i < row.Options.size(); ++i) {
            const std::string& option = row.Options[i];
            const std::string value = TakesValue(option) ? row.Options[i + 1] : "";
            if (option == "--method") twin.Method = *MethodFromName(value);
            if (option == "--dt") twin.TimeStep = value;
            if (option == "--cycles") twin.Cycles = value;
            if (option == "--accuracy") twin.Accuracy = value, accuracyGiven = true;
            if (!StoredOption(option) && option != "--threads") {
                rest.push_back(option);
                if (!value.empty()) rest.push_back(value);
            }
            if (!value.empty()) ++i;
        }

        if (command == "check") {
            EXPECT_EQ(result.ExitCode, 0);
            const bool collisions = std::find(rest.begin(), rest.end(), "--collisions") != rest.end();
            EXPECT_EQ(result.Out,
                      "dimensions " + std::to_string(Dims) + "\nmethod " + NumMethods[twin.Method].Name +
                          "\nparticles 5\nframe Origin\ntime step " + twin.TimeStep + "\ncycles " +
                          twin.Cycles + "\naccuracy " + twin.Accuracy + "\ncollisions " +
                          (collisions ? "on" : "off") + "\nunits dimensionless\n");
            return;
        }
        if (command == "save") {
            EXPECT_EQ(result.ExitCode, 0);
            EXPECT_EQ(test::ReadWhole(out), SetupText(Dims, charged, twin));
            return;
        }
        // compare sets the method of each row itself; a setup keeps an accuracy only with RKF.
        if (command == "compare") {
            twin.Method = accuracyGiven ? RKF : stored.Method;
            rest.clear();
            for (size_t i = 0; i < options->size(); ++i)
                if ((*options)[i] == "--methods" || (*options)[i] == "--collisions" ||
                    (*options)[i] == "--no-collisions" || (*options)[i] == "--until") {
                    rest.push_back((*options)[i]);
                    if ((*options)[i] == "--methods" || (*options)[i] == "--until")
                        rest.push_back((*options)[++i]);
                }
        }
        std::vector<std::string> twinArgs = {command, Write(SetupText(Dims, charged, twin))};
        Append(twinArgs, rest);
        Append(twinArgs, Defaults(command, rest));
        const TBatchResult& expected = Twin(twinArgs);
        EXPECT_EQ(result.ExitCode, expected.ExitCode);
        EXPECT_EQ(result.Err, expected.Err);
        if (command == "compare")
            EXPECT_EQ(WithoutWallTime(result.Out), WithoutWallTime(expected.Out));
        else
            EXPECT_EQ(result.Out, expected.Out);
    }

    // Every stored method meets every row: through `run`, and through the other commands that
    // take the row in turn.
    void Everything() {
        int turn = 0;
        for (int method = 0; method < Methods; ++method)
            for (size_t r = 0; r < Rows.size(); ++r) {
                const bool charged = (method + r) % 2 == 1;
                Check(method, charged, Rows[r], "run");
                const std::vector<std::string> others = OthersTaking(Rows[r]);
                if (!others.empty()) Check(method, charged, Rows[r], others[turn++ % others.size()]);
            }
    }

    // Every row once, on a stored method and a command in turn.
    void Sample() {
        int turn = 0;
        for (size_t r = 0; r < Rows.size(); ++r) {
            std::vector<std::string> commands = OthersTaking(Rows[r]);
            commands.push_back("run");
            Check(int(r % Methods), r % 2 == 0, Rows[r], commands[turn++ % commands.size()]);
        }
    }

private:
    int Dims;
    test::TTempFolder Folder;
    std::map<std::string, std::string> Files;  // setup text -> its file
    std::map<std::vector<std::string>, TBatchResult> Twins;

    static void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
        to.insert(to.end(), more.begin(), more.end());
    }

    // run: three steps with the whole state unless --until decides; compare: --until 0.02.
    static std::vector<std::string> Defaults(const std::string& command,
                                             const std::vector<std::string>& options) {
        const bool until = std::find(options.begin(), options.end(), "--until") != options.end();
        if (command == "run")
            return until ? std::vector<std::string>{"--state"}
                         : std::vector<std::string>{"--state", "--steps", "3"};
        if (command == "compare" && !until) return {"--until", "0.02"};
        return {};
    }

    static std::vector<std::string> OthersTaking(const TRow& row) {
        std::vector<std::string> commands;
        for (const char* command : {"check", "save", "compare"})
            if (OptionsFor(command, row)) commands.push_back(command);
        return commands;
    }

    std::string Write(const std::string& text) {
        auto [it, added] = Files.try_emplace(text);
        if (added) {
            it->second = (Folder.Path / ("setup" + std::to_string(Files.size()) + ".knx")).string();
            std::ofstream(it->second, std::ios::binary) << text;
        }
        return it->second;
    }

    const TBatchResult& Twin(const std::vector<std::string>& args) {
        auto [it, added] = Twins.try_emplace(args);
        if (added) it->second = RunBatch(args);
        return it->second;
    }
};

TEST(OverrideMatrix, OneDimension) {
    TMatrix(1).Everything();
}

TEST(OverrideMatrix, ThreeDimensions) {
    TMatrix(3).Everything();
}

TEST(OverrideMatrix, TwentySixDimensions) {
    TMatrix(26).Everything();
}

TEST(OverrideMatrix, TwoAndFourDimensionsSampled) {
    TMatrix(2).Sample();
    TMatrix(4).Sample();
}

}  // namespace
}  // namespace kinetra
