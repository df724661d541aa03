// kinetra-batch: runs, checks and converts setups without a window, and evaluates expressions,
// so that setups can be driven from scripts and the physics checked from outside.
//
// Exit status: 0 done; 1 the setup could not be loaded (or saved, or an expression failed);
// 2 usage error; 3 a step failed with the program's error; 4 a collision stopped the run.
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

#include "batch/BatchCommon.h"
#include "batch/CompareRuns.h"
#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "engine/SetupFile.h"
#include "engine/SimulationData.h"
#include "engine/StateRecord.h"
#include "frame/Frame.h"
#include "parser/Parser.h"

namespace kinetra::batch {

// Reports a failed load as the loader worded it, then where reading stopped; nothing goes to
// stdout.
int LoadFailed(const std::exception& e) {
    Print(stderr, std::string("error: ") + e.what() + "\n");
    const auto* placed = dynamic_cast<const EKinetraError*>(&e);
    if (placed && placed->Line() > 0)
        Print(stderr, "  in " + placed->FileName() + ", line " + std::to_string(placed->Line()) + "\n");
    return ExitFailed;
}

namespace {

constexpr const char* UsageText =
    "Usage:\n"
    "  kinetra-batch run SETUP [--steps N] [--every K] [--backwards] [--collisions] [--state]\n"
    "                          [--names] [--until T] [--threads N] [OVERRIDES]\n"
    "  kinetra-batch check SETUP [OVERRIDES]\n"
    "  kinetra-batch save SETUP OUT [OVERRIDES]\n"
    "  kinetra-batch compare SETUP --until T [--methods LIST] [--dt LIST] [--cycles N]\n"
    "                          [--accuracy X] [--collisions]\n"
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
    "                        the last step is not shortened and its record is printed\n"
    "          --threads N   share each force evaluation among N threads (default: one per\n"
    "                        core; every count gives the same results)\n"
    "check   loads SETUP and prints its dimensions, method, particle count, frame, time step,\n"
    "        cycles, accuracy and collisions.\n"
    "save    loads SETUP and writes it to OUT (\".knx\" is added to a name without extension).\n"
    "compare runs SETUP until |time| >= |T| once for every method and time step, on all cores,\n"
    "        and prints one CSV row per run: method,time_step,steps,force_evaluations,\n"
    "        final_time,max_energy_drift,final_energy_drift,com_drift,wall_seconds,result\n"
    "        (energy drifts relative, |E - E0| / |E0|; result \"ok\" or why the run failed).\n"
    "          --methods LIST  comma-separated method names (default: all six)\n"
    "          --dt LIST       comma-separated time steps (default: the setup's; RKF's first\n"
    "                          trial step, RKF keeps the setup's accuracy)\n"
    "eval    evaluates each expression in turn on one parser and prints its value.\n"
    "\n"
    "OVERRIDES change the setup after loading, as the Simulation options dialog does:\n"
    "  --method NAME    Euler, EulerCromer, Ralston, RK4, RKF or Stoermer (any case)\n"
    "  --accuracy X     accuracy of RKF (at least 1E-30)\n"
    "  --dt X           time step (RKF: the initial time step)\n"
    "  --cycles N       computation cycles per displayed step, 1..200\n"
    "  --collisions, --no-collisions   the collision check on or off\n"
    "Every number (X, N, T and the --dt list) may be an expression, evaluated on one parser in\n"
    "the order method, accuracy, time step, cycles, then T. Expressions know + - * / ( ),\n"
    "PI GN E0 QE AU DAY YEAR MSUN MEARTH ME MP, names assigned as NAME = EXPR, and the\n"
    "functions sqrt cbrt exp ln log10 sin cos tan arcsin arccos arctan sinh cosh tanh abs.\n"
    "\n"
    "Exit status: 0 done, 1 load, save, evaluation or an override failed, 2 usage error,\n"
    "3 a step failed (compare: a run failed), 4 a collision stopped the run.\n";

// Evaluates the overrides and T on one parser after loading; the message of the first error.
int ApplyOverrides(TSimData& sim, const TCommandLine& line, std::optional<double>* until) {
    try {
        TParser parser;
        ApplySimOptions(sim, parser, line.Overrides);
        if (line.Until && until) *until = EvaluateFieldText(parser, *line.Until).Value;
    } catch (const std::exception& e) {
        Print(stderr, std::string("error: ") + e.what() + "\n");
        return ExitFailed;
    }
    return ExitOk;
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
    // Without --until one step unless --steps says otherwise; with it, as many as it takes.
    const std::int64_t steps = options.Steps ? *options.Steps
                               : until       ? std::numeric_limits<std::int64_t>::max()
                                             : 1;
    const bool state = options.State || options.Names;
    const auto header = [&] {
        return options.Names ? StateCsvHeader(sim, setup.Frame().AxisNames()) : StateCsvHeader(sim, state);
    };

    struct {
        bool Happened = false;
        int First = 0;
        int Second = 0;
        double Time = 0;
    } collision;

    std::int64_t step = 0;
    try {
        // What Stop does to the engine, then the options of the run.
        sim.Rewind();
        sim.Prepare();
        if (sim.Collisions)
            sim.Particles.OnCollision = [&](int i, int j) { collision = {true, i, j, sim.Time}; };
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
        while (step < steps && (!until || BeforeUntil(sim, *until))) {
            const double before = sim.Time;
            sim.Step();
            ++step;
            if (step % options.Every == 0) Print(stdout, record(step));
            // A step too small for the time to change would never reach T.
            if (until && sim.Time == before) throw EKNError("The time does not advance");
        }
        if (step % options.Every != 0) Print(stdout, record(step));
    } catch (const EAbort& e) {
        std::fflush(stdout);
        if (!collision.Happened) {
            Print(stderr, std::string("error: ") + e.what() + "\n");
            return ExitStepFailed;
        }
        const std::string first = sim.Particles.Particles(collision.First).Name;
        const std::string second = sim.Particles.Particles(collision.Second).Name;
        Print(stderr, Format("Collision between %s and %s", first, second) +
                          " at t = " + FormatFixed(collision.Time, 2) + "\n");
        return ExitCollision;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        Print(stderr, std::string("error: ") + e.what() + "\n");
        return ExitStepFailed;
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
    return ExitOk;
}

int CommandSave(const std::vector<std::string>& args) {
    const TCommandLine options = ParseCommandLine("save", args);
    if (options.Positional.size() != 2) throw EUsage{"save needs a SETUP file and an OUT file"};
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

int Main(const std::vector<std::string>& argv) {
    try {
        if (argv.empty()) throw EUsage{"no command given"};
        const std::string& command = argv[0];
        const std::vector<std::string> args(argv.begin() + 1, argv.end());
        if (command == "--help" || command == "-h") {
            Print(stdout, UsageText);
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
        throw EUsage{"unknown command " + command};
    } catch (const EUsage& usage) {
        Print(stderr, "error: " + usage.Message + "\n" + UsageText);
        return ExitUsage;
    }
}

}  // namespace
}  // namespace kinetra::batch

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    try {
        return kinetra::batch::Main(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return kinetra::batch::ExitFailed;
    }
}
