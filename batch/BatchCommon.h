// What the commands of kinetra-batch share: exit codes, usage errors, output, the loaded setup
// and the command line with its options.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SimOptionValues.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"

namespace kinetra::batch {

enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitStepFailed = 3, ExitCollision = 4 };

struct EUsage {
    std::string Message;
};

inline void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

// The simulation with its screen frame, the way the main window opens a setup.
using TLoadedSetup = TFramedSim;

// Reports a failed load as the loader worded it, then the file and line where reading stopped;
// nothing goes to stdout. Returns ExitFailed.
int LoadFailed(const std::exception& e);

// The arguments of one command: its file names and every option it was given.
struct TCommandLine {
    std::vector<std::string> Positional;
    // --method, --accuracy, --dt, --cycles, --collisions/--no-collisions as expression texts.
    TSimOptionValues Overrides;
    std::optional<std::string> Until;
    // run
    std::optional<std::int64_t> Steps;
    std::int64_t Every = 1;
    bool Backwards = false;
    bool State = false;
    bool Names = false;
    int Threads = 0;  // --threads: force evaluation threads, 0 the machine's cores
    // compare: --methods and --dt as lists
    std::vector<TNumMethod> Methods;
    std::vector<std::string> TimeSteps;
};

// Reads the options that `command` takes; EUsage for anything else or a malformed value.
TCommandLine ParseCommandLine(const std::string& command, const std::vector<std::string>& args);

int CommandCompare(const TCommandLine& line);

}  // namespace kinetra::batch
