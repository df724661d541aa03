// What the commands of kinetra-batch share: exit codes, usage errors, output, the loaded setup
// and the command line with its options.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/RunRules.h"
#include "engine/SimOptionValues.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"

namespace kinetra::batch {

enum ExitCode {
    ExitOk = 0,
    ExitFailed = 1,
    ExitUsage = 2,
    ExitStepFailed = 3,
    ExitCollision = 4,
    ExitStepLimit = 5
};

struct EUsage {
    std::string Message;
};

// Standard output could not be written (a full disk, a closed stream): the command stops, and
// main reports it with the system's reason. Not a std::exception, so that no handler of a
// failed step or load takes it for one.
struct EOutputFailed {};

// Writes to stdout or stderr. A failed write to stdout raises EOutputFailed; one to stderr is
// ignored, as there is nowhere left to say so. Erases the progress line first when the text
// goes to the terminal that shows it.
void Print(std::FILE* stream, std::string_view text);
// What check prints, and run and compare write to stderr, when the force tree is on.
std::string TreeNote(double theta);
// Flushes stdout; EOutputFailed when that or an earlier write failed.
void FlushOutput();
// The same without raising, for the handlers of a failed run; the failure is kept for
// FinishOutput.
void FlushOutputQuietly();
// The end of every command: flushes stdout and, when a write failed, reports "error: could not
// write the output: REASON" on stderr and returns ExitFailed; otherwise `code`.
int FinishOutput(int code);

// Progress of a long run on stderr, shown only when stderr is a terminal: one line rewritten
// in place, first after a second and then at most a few times a second, erased when anything
// else is written to that terminal and when the object ends.
class TProgress {
public:
    TProgress();
    ~TProgress();
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;
    // Whether a new line is due now (cheap enough to ask after every step).
    bool Due();
    void Show(const std::string& text);
    void Clear();

private:
    bool Active = false;
    bool Shown = false;
    double Started = 0;
    double Last = 0;
};

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
    std::optional<std::int64_t> MaxSteps;  // run, compare: stop after this many displayed steps
    // run
    std::optional<std::int64_t> Steps;
    std::int64_t Every = 1;
    bool Backwards = false;
    bool State = false;
    bool Names = false;
    int Threads = 0;  // --threads: force evaluation threads, 0 the machine's cores
    // render: --fps, --size WxH, --trails, --time-unit and the switches given (--com,
    // --velocities, --forces, --charges, --no-time, --no-names, --no-scale-bar, --no-method,
    // --no-legend)
    std::int64_t Fps = 25;
    std::optional<std::string> Size;
    std::optional<std::string> Trails;
    std::string TimeUnit;
    std::vector<std::string> Switches;
    std::optional<std::string> Tree;  // --tree: the force tree's opening angle as an expression
    // compare: --methods and --dt as lists
    std::vector<TNumMethod> Methods;
    std::vector<std::string> TimeSteps;
};

// Reads the options that `command` takes; EUsage for anything else or a malformed value.
TCommandLine ParseCommandLine(const std::string& command, const std::vector<std::string>& args);

int CommandCompare(const TCommandLine& line);
// render: only in a kinetra-batch built with the window's drawing (kinetra_render).
int CommandRender(const TCommandLine& line);

// Evaluates the overrides and --until's T on one parser after loading; on an error its message
// goes to stderr and the result is ExitFailed.
int ApplyOverrides(TSimData& sim, const TCommandLine& line, std::optional<double>* until);

}  // namespace kinetra::batch
