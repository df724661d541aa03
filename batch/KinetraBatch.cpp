// kinetra-batch: runs, checks and converts setups without a window, and evaluates expressions,
// so that setups can be driven from scripts and the physics checked from outside.
//
// Exit status: 0 done; 1 the setup could not be loaded (or saved, or an expression failed, or
// stdout could not be written); 2 usage error; 3 a step failed with the program's error; 4 a
// collision stopped the run; 5 the run reached --max-steps before it was done.
// Every real of the CSV output is printed with 17 significant digits so that it reads back to
// the same double.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "batch/BatchCommon.h"
#include "batch/RunUntil.h"
#include "engine/SetupUnits.h"
#include "engine/SimulationData.h"
#include "engine/StateRecord.h"
#include "frame/Frame.h"
#include "model/WorkerPool.h"
#include "parser/Parser.h"

namespace kinetra::batch {

// Reports a failed load as the loader worded it, then where reading stopped, what was being
// read and the text found there; nothing goes to stdout.
int LoadFailed(const std::exception& e) {
    Print(stderr, std::string("error: ") + e.what() + "\n");
    const auto* placed = dynamic_cast<const EKinetraError*>(&e);
    if (placed && placed->Line() > 0) Print(stderr, "  " + FailurePlace(*placed) + "\n");
    return ExitFailed;
}

int ApplyOverrides(TSimData& sim, const TCommandLine& line, std::optional<double>* until) {
    try {
        TParser parser;
        ApplySimOptions(sim, parser, line.Overrides);
        if (line.Tree) sim.Force->SetTreeAngle(EvaluateFieldText(parser, *line.Tree).Value);
        if (line.Until && until) *until = EvaluateFieldText(parser, *line.Until).Value;
    } catch (const std::exception& e) {
        Print(stderr, std::string("error: ") + e.what() + "\n");
        return ExitFailed;
    }
    return ExitOk;
}

namespace {

// The usage text, in two parts around the method names, which come from the method table.
constexpr const char* UsageBeforeMethods =
    "Usage:\n"
    "  kinetra-batch run SETUP [--steps N] [--every K] [--backwards] [--collisions] [--state]\n"
    "                          [--names] [--until T] [--max-steps N] [--threads N] [--tree THETA]\n"
    "                          [OVERRIDES]\n"
    "  kinetra-batch check SETUP [--tree THETA] [OVERRIDES]\n"
    "  kinetra-batch save SETUP OUT [OVERRIDES]\n"
    "  kinetra-batch compare SETUP --until T [--methods LIST] [--dt LIST] [--cycles N]\n"
    "                          [--accuracy X] [--collisions] [--max-steps N]\n"
    "  kinetra-batch render SETUP OUT (--steps N | --until T) [--every K] [--fps F]\n"
    "                          [--size WxH] [--trails none|selected|all] [--com] [--velocities]\n"
    "                          [--forces] [--charges] [--no-time] [--no-names] [--no-scale-bar]\n"
    "                          [--no-method] [--no-legend] [--time-unit U] [--backwards]\n"
    "                          [--max-steps N] [--threads N] [OVERRIDES]\n"
    "  kinetra-batch eval EXPR [EXPR ...]\n"
    "  kinetra-batch --help | --version\n"
    "\n"
    "run     loads SETUP, prepares it and performs N displayed steps (default 1), printing CSV\n"
    "        records (step,time,signed_step,kinetic,potential,total) for step 0, every K-th\n"
    "        step (default 1) and the last step.\n"
    "          --backwards   run with the negative time step\n"
    "          --collisions  stop at the first collision of two particles\n"
    "          --state       add every position (x<i>_<d>) and velocity (v<i>_<d>)\n"
    "          --names       the state columns named after the particles and axes: NAME.x,\n"
    "                        NAME.y, ..., NAME.vx, ... (implies --state; a shared name or one\n"
    "                        holding a comma gets the particle's index appended: NAME#i)\n"
    "          --until T     step until |time| >= |T| (at most N steps when --steps is given);\n"
    "                        the last step is not shortened and its record is printed; a T on\n"
    "                        the step grid is reached within rounding, not one step later. RKF\n"
    "                        shortens the cycle that would pass T to end on T exactly and ends\n"
    "                        its displayed step there\n"
    "          --max-steps N stop after N displayed steps with exit status 5 if the run is\n"
    "                        not done by then (the records so far stay printed)\n"
    "          --threads N   share each force evaluation among N threads (default: one per\n"
    "                        core; every count gives the same results)\n"
    "        A long run shows its progress on stderr when that is a terminal.\n"
    "check   loads SETUP and prints its dimensions, method, particle count, frame, time step,\n"
    "        cycles, accuracy, collisions and units (\"SI\" when G is GN, or G is 0 and k is\n"
    "        1/(4*PI*E0); otherwise \"dimensionless\").\n"
    "save    loads SETUP and writes it to OUT (\".knx\" is added to a name without extension);\n"
    "        an OUT that exists and is not a regular file is refused.\n"
    "compare runs SETUP until |time| >= |T| (as run --until) once for every method and time\n"
    "        step, on all cores, and prints one CSV row per run: method,time_step,steps,\n"
    "        force_evaluations,final_time,max_energy_drift,final_energy_drift,com_drift,\n"
    "        wall_seconds,result (energy drifts relative, |E - E0| / |E0|, E0 the energy of\n"
    "        the setup at time 0; result \"ok\" or why the run failed or stopped).\n"
    "        Stoermer's positions run one time step ahead of the time shown (its start-up\n"
    "        step before the first step); its velocities are those of its positions.\n"
    "          --methods LIST  comma-separated method names (default: all)\n"
    "          --dt LIST       comma-separated time steps (default: the setup's; RKF's first\n"
    "                          trial step, RKF keeps the setup's accuracy)\n"
    "          --max-steps N   end each run after N displayed steps (its row says so)\n"
    "        While the runs go on, their progress is shown on stderr when that is a terminal.\n"
    "render  loads SETUP, prepares it as run does and writes an animation of its next N displayed\n"
    "        steps (or until |time| >= |T|) to OUT, one picture after every K-th step (default\n"
    "        1) at F pictures a second (default 25) and WxH pixels (default 1280x720), drawn as\n"
    "        the window draws the scene. OUT ending in .mp4 is H.264, .webm VP9, .gif a GIF;\n"
    "        .png or a name holding %04d a numbered PNG sequence (out_0000.png, ...). The file\n"
    "        appears only when complete. Burned in unless switched off: the time (with\n"
    "        --time-unit), the particles' names, a scale bar, the method and time step, the\n"
    "        arrows' legend. --trails (default selected: the particles that show one), --com\n"
    "        (the centre-of-mass cross), --velocities, --forces (arrows) and --charges (signs)\n"
    "        choose what the scene shows. A collision or failed step ends the animation there\n"
    "        (the pictures so far are kept; exit status 4 or 3).\n"
    "eval    evaluates each expression in turn on one parser and prints its value.\n"
    "\n"
    "OVERRIDES change the setup after loading, as the Simulation options dialog does:\n"
    "  --method NAME    ";
constexpr const char* UsageAfterMethods =
    " (any case)\n"
    "  --accuracy X     accuracy of RKF (at least 1E-30)\n"
    "  --dt X           time step (RKF: the initial time step)\n"
    "  --cycles N       computation cycles per displayed step, 1..200\n"
    "  --collisions, --no-collisions   the collision check on or off\n"
    "  --tree THETA     (run, check, compare) approximate forces from a tree of cells with\n"
    "                   opening angle THETA (above 0, at most 1.5; 0.5 is a good start) instead\n"
    "                   of the exact sum; 1 to 3 dimensions, masses and charges of one sign\n"
    "                   each; the potential energy comes from the same tree and is approximate\n"
    "Every number (X, N, T and the --dt list) may be an expression, evaluated on one parser in\n"
    "the order method, accuracy, time step, cycles, then T. Expressions know + - * / ^ ( ),\n"
    "PI GN E0 QE AU KM DAY YEAR GMSUN MSUN MEARTH ME MP, names assigned as NAME = EXPR, and the\n"
    "functions sqrt cbrt exp ln log10 sin cos tan arcsin arccos arctan sinh cosh tanh abs.\n"
    "\n"
    "Exit status: 0 done, 1 load, save, evaluation or an override failed, or the output could\n"
    "not be written, 2 usage error, 3 a step failed (compare: a run failed), 4 a collision\n"
    "stopped the run, 5 the step limit (--max-steps) stopped it (compare: a run).\n";

std::string UsageText() {
    return UsageBeforeMethods + MethodNameList() + UsageAfterMethods;
}

// The progress line of a run: the step, the time and how far towards --steps or --until.
std::string RunProgress(std::int64_t step, double time, std::optional<std::int64_t> steps,
                        std::optional<double> until) {
    std::string text = "run: step " + std::to_string(step) + ", t = " + FormatGeneral(time, 6);
    double done = -1;
    if (until && *until != 0) done = std::fabs(time) / std::fabs(*until);
    if (steps && *steps > 0) done = std::max(done, static_cast<double>(step) / static_cast<double>(*steps));
    if (done >= 0) text += " (" + FormatFixed(100 * std::min(done, 1.0), 1) + "%)";
    return text;
}

int CommandRun(const std::vector<std::string>& args) {
    const TCommandLine options = ParseCommandLine("run", args);
    if (options.Positional.empty()) throw EUsage{"run needs a SETUP file"};
    if (options.Positional.size() > 1) throw EUsage{"unexpected argument " + options.Positional[1]};
    TLoadedSetup setup;
    try {
        setup.Load(options.Positional[0]);
    } catch (const std::exception& e) {
        return LoadFailed(e);
    }
    TSimData& sim = setup.Sim();
    sim.Force->SetThreads(options.Threads);
    std::optional<double> until;
    if (const int failed = ApplyOverrides(sim, options, &until)) return failed;
    if (sim.Force->TreeAngle() > 0) Print(stderr, "note: " + TreeNote(sim.Force->TreeAngle()) + "\n");
    // Without --until one step unless --steps says otherwise; with it, as many as it takes.
    const std::int64_t steps = options.Steps ? *options.Steps
                               : until       ? std::numeric_limits<std::int64_t>::max()
                                             : 1;
    const bool state = options.State || options.Names;
    const auto header = [&] {
        return options.Names ? StateCsvHeader(sim, setup.Frame().AxisNames()) : StateCsvHeader(sim, state);
    };

    TRunOutcome outcome;
    TProgress progress;
    try {
        // What Stop does to the engine, then the options of the run.
        sim.Rewind();
        sim.Prepare();
        if (options.Backwards) sim.Reverse();
        sim.InfoWanted = true;

        // Energies that cannot be computed end the run as a failed step does; the record is
        // not printed.
        const auto record = [&](std::int64_t number) {
            try {
                return StateCsvRecord(sim, number, state);
            } catch (const EMathError&) {
                throw EKNError(MsgCoordinateOutOfRange);
            }
        };
        Print(stdout, header());
        Print(stdout, record(0));
        outcome = RunUntil(
            sim, until, options.MaxSteps,
            [&](std::int64_t step) {
                if (step % options.Every == 0) Print(stdout, record(step));
                if (progress.Due()) progress.Show(RunProgress(step, sim.Time, options.Steps, until));
            },
            steps);
        if (outcome.End == TRunEnd::Collision) {
            FlushOutputQuietly();
            Print(stderr, CollisionMessage(sim, outcome) + "\n");
            return ExitCollision;
        }
        if (outcome.Failure) std::rethrow_exception(outcome.Failure);
        if (outcome.Steps % options.Every != 0) Print(stdout, record(outcome.Steps));
        FlushOutput();
    } catch (const EThreadStart& e) {
        // Not the step's fault: the machine's, as for a setup that cannot be read.
        FlushOutputQuietly();
        Print(stderr, std::string("error: ") + e.what() + "\n");
        return ExitFailed;
    } catch (const std::exception& e) {
        FlushOutputQuietly();
        Print(stderr, std::string("error: ") + e.what() + "\n");
        return ExitStepFailed;
    }
    if (outcome.End == TRunEnd::StepLimit) {
        Print(stderr, "error: " + StepLimitMessage(*options.MaxSteps, sim.Time) + "\n");
        return ExitStepLimit;
    }
    return ExitOk;
}

int CommandCheck(const std::vector<std::string>& args) {
    const TCommandLine options = ParseCommandLine("check", args);
    if (options.Positional.size() != 1) throw EUsage{"check needs exactly one SETUP file"};
    TLoadedSetup setup;
    try {
        setup.Load(options.Positional[0]);
    } catch (const std::exception& e) {
        return LoadFailed(e);
    }
    const TSimData& sim = setup.Sim();
    if (const int failed = ApplyOverrides(setup.Sim(), options, nullptr)) return failed;
    Print(stdout, "dimensions " + std::to_string(sim.Dimensions) + "\n");
    Print(stdout, "method " + sim.MethodName() + "\n");
    Print(stdout, "particles " + std::to_string(sim.Particles.Count()) + "\n");
    Print(stdout, "frame " + setup.Frame().Name() + "\n");
    Print(stdout, "time step " + FormatGeneral(sim.TimeStep, 15) + "\n");
    Print(stdout, "cycles " + std::to_string(sim.Cycles) + "\n");
    Print(stdout, "accuracy " + FormatGeneral(sim.Accuracy, 15) + "\n");
    Print(stdout, std::string("collisions ") + (sim.Collisions ? "on" : "off") + "\n");
    if (const std::string warning = AccuracyWarning(sim.Method, sim.Accuracy); !warning.empty())
        Print(stderr, "warning: " + warning + "\n");
    if (sim.Force->TreeAngle() > 0) Print(stdout, TreeNote(sim.Force->TreeAngle()) + "\n");
    Print(stdout, "units " + UnitSystemName(SetupUnitSystem(sim)) + "\n");
    return ExitOk;
}

int CommandSave(const std::vector<std::string>& args) {
    const TCommandLine options = ParseCommandLine("save", args);
    if (options.Positional.size() != 2 || options.Positional[1].empty())
        throw EUsage{"save needs a SETUP file and an OUT file"};
    TLoadedSetup setup;
    try {
        setup.Load(options.Positional[0]);
    } catch (const std::exception& e) {
        return LoadFailed(e);
    }
    if (const int failed = ApplyOverrides(setup.Sim(), options, nullptr)) return failed;
    try {
        setup.Sim().FileName = options.Positional[1];
        setup.Sim().SaveToFile();
    } catch (const std::exception& e) {
        return LoadFailed(e);
    }
    return ExitOk;
}

int CommandEval(const std::vector<std::string>& args) {
    if (args.empty()) throw EUsage{"eval needs at least one expression"};
    TParser parser;
    int result = ExitOk;
    for (const std::string& text : args) {
        try {
            Print(stdout, FormatGeneral(parser.Evaluate(text), 15) + "\n");
        } catch (const std::exception& e) {
            Print(stdout, std::string("error: ") + e.what() + "\n");
            result = ExitFailed;
        }
    }
    return result;
}

int Command(const std::vector<std::string>& argv) {
    try {
        if (argv.empty()) throw EUsage{"no command given"};
        const std::string& command = argv[0];
        const std::vector<std::string> args(argv.begin() + 1, argv.end());
        if (command == "--help" || command == "-h") {
            Print(stdout, UsageText());
            return ExitOk;
        }
        if (command == "--version") {
            Print(stdout, std::string("kinetra-batch ") + ProgramVersion + "\n");
            return ExitOk;
        }
        if (command == "run") return CommandRun(args);
        if (command == "check") return CommandCheck(args);
        if (command == "save") return CommandSave(args);
        if (command == "eval") return CommandEval(args);
        if (command == "compare") return CommandCompare(ParseCommandLine("compare", args));
        if (command == "render") {
#ifdef KINETRA_RENDER
            return CommandRender(ParseCommandLine("render", args));
#else
            Print(stderr, "error: this kinetra-batch was built without the drawing of animations\n");
            return ExitFailed;
#endif
        }
        throw EUsage{"unknown command " + command};
    } catch (const EUsage& usage) {
        Print(stderr, "error: " + usage.Message + "\n" + UsageText());
        return ExitUsage;
    }
}

int Main(const std::vector<std::string>& argv) {
    int code = ExitFailed;
    try {
        code = Command(argv);
    } catch (const EOutputFailed&) {
        // Reported below.
    } catch (const std::exception& e) {
        Print(stderr, std::string("error: ") + e.what() + "\n");
    }
    return FinishOutput(code);
}

}  // namespace
}  // namespace kinetra::batch

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return kinetra::batch::Main(args);
}
