// The command line of kinetra-batch: which options each command takes and how their values
// are read. Numbers of the simulation are kept as expression texts here; they are evaluated
// when the setup is loaded, on one parser and in the options dialog's order.
#include <algorithm>
#include <limits>
#include <set>

#include "batch/BatchCommon.h"

namespace kinetra::batch {

namespace {

std::int64_t ParseCount(const std::string& option, const std::string& text, std::int64_t minimum) {
    std::int64_t value = 0;
    bool ok = !text.empty();
    for (char c : text) {
        // Reading stops at the first character that is no digit or whose digit would take the
        // value beyond the largest count.
        if (c < '0' || c > '9' || value > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) {
            ok = false;
            break;
        }
        value = value * 10 + (c - '0');
    }
    if (!ok || value < minimum)
        throw EUsage{option + " needs a whole number of at least " + std::to_string(minimum) + ", not '" +
                     text + "'"};
    return value;
}

TNumMethod ParseMethod(const std::string& option, const std::string& name) {
    if (const std::optional<TNumMethod> method = MethodFromName(name)) return *method;
    throw EUsage{option + ": unknown method '" + name + "' (" + MethodNameList() + ")"};
}

std::vector<std::string> SplitList(const std::string& option, const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (items.back().find_first_not_of(' ') == std::string::npos)
            throw EUsage{option + " needs a comma-separated list without empty items"};
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

const std::set<std::string> OverrideOptions = {"--method",   "--dt",         "--cycles",
                                               "--accuracy", "--collisions", "--no-collisions"};

const std::set<std::string> RenderSwitches = {"--com",          "--velocities", "--forces",
                                              "--charges",      "--no-time",    "--no-names",
                                              "--no-scale-bar", "--no-method",  "--no-legend"};

std::set<std::string> OptionsOf(const std::string& command) {
    std::set<std::string> options;
    if (command == "run" || command == "check" || command == "save") options = OverrideOptions;
    if (command == "run" || command == "check") options.insert("--tree");
    if (command == "run")
        options.insert({"--until", "--steps", "--every", "--backwards", "--state", "--names", "--threads",
                        "--max-steps"});
    if (command == "render") {
        options = OverrideOptions;
        options.insert({"--until", "--steps", "--every", "--backwards", "--threads", "--max-steps", "--fps",
                        "--size", "--trails", "--time-unit"});
        options.insert(RenderSwitches.begin(), RenderSwitches.end());
    }
    if (command == "compare")
        options = {"--until",      "--methods",       "--dt",        "--cycles", "--accuracy",
                   "--collisions", "--no-collisions", "--max-steps", "--tree"};
    return options;
}

}  // namespace

TCommandLine ParseCommandLine(const std::string& command, const std::vector<std::string>& args) {
    const std::set<std::string> allowed = OptionsOf(command);
    TCommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> value;
        if (arg.rfind("--", 0) == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        if (arg.size() < 2 || arg[0] != '-') {
            line.Positional.push_back(arg);
            continue;
        }
        if (allowed.count(arg) == 0) throw EUsage{"unknown option " + arg + " for " + command};
        const auto takeValue = [&]() -> std::string {
            if (value) return *value;
            if (i + 1 >= args.size()) throw EUsage{arg + " needs a value"};
            return args[++i];
        };
        const auto noValue = [&]() {
            if (value) throw EUsage{arg + " takes no value"};
        };
        if (RenderSwitches.count(arg) != 0) {
            noValue();
            line.Switches.push_back(arg);
        } else if (arg == "--fps") {
            line.Fps = ParseCount(arg, takeValue(), 1);
            if (line.Fps > 240) throw EUsage{arg + " takes at most 240 frames per second"};
        } else if (arg == "--size") {
            line.Size = takeValue();
        } else if (arg == "--trails") {
            line.Trails = takeValue();
            if (*line.Trails != "none" && *line.Trails != "selected" && *line.Trails != "all")
                throw EUsage{arg + " takes none, selected or all, not '" + *line.Trails + "'"};
        } else if (arg == "--time-unit") {
            line.TimeUnit = takeValue();
        } else if (arg == "--steps") {
            line.Steps = ParseCount(arg, takeValue(), 0);
        } else if (arg == "--max-steps") {
            line.MaxSteps = ParseCount(arg, takeValue(), 1);
        } else if (arg == "--every") {
            line.Every = ParseCount(arg, takeValue(), 1);
        } else if (arg == "--threads") {
            const std::int64_t threads = ParseCount(arg, takeValue(), 1);
            if (threads > 256) throw EUsage{arg + " takes at most 256 threads"};
            line.Threads = static_cast<int>(threads);
        } else if (arg == "--backwards") {
            noValue();
            line.Backwards = true;
        } else if (arg == "--state") {
            noValue();
            line.State = true;
        } else if (arg == "--names") {
            noValue();
            line.Names = true;
        } else if (arg == "--collisions" || arg == "--no-collisions") {
            noValue();
            line.Overrides.Collisions = arg == "--collisions";
        } else if (arg == "--method") {
            line.Overrides.Method = ParseMethod(arg, takeValue());
        } else if (arg == "--methods") {
            line.Methods.clear();
            for (const std::string& name : SplitList(arg, takeValue()))
                line.Methods.push_back(ParseMethod(arg, name));
        } else if (arg == "--dt") {
            if (command == "compare")
                line.TimeSteps = SplitList(arg, takeValue());
            else
                line.Overrides.TimeStep = takeValue();
        } else if (arg == "--cycles") {
            line.Overrides.Cycles = takeValue();
        } else if (arg == "--accuracy") {
            line.Overrides.Accuracy = takeValue();
        } else if (arg == "--tree") {
            line.Tree = takeValue();
        } else if (arg == "--until") {
            line.Until = takeValue();
        }
    }
    return line;
}

}  // namespace kinetra::batch
