// kinetra-batch: runs, checks and converts setups without a window, and evaluates expressions,
// so that setups can be driven from scripts and the physics checked from outside.
//
// Exit status: 0 done; 1 the setup could not be loaded (or saved, or an expression failed);
// 2 usage error; 3 a step failed with the program's error; 4 a collision stopped the run.
// Every real of the CSV output is printed with 17 significant digits so that it reads back to
// the same double.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "engine/SetupFile.h"
#include "engine/SimulationData.h"
#include "engine/StateRecord.h"
#include "frame/Frame.h"
#include "parser/Parser.h"

namespace kinetra {
namespace {

enum ExitCode { ExitOk = 0, ExitFailed = 1, ExitUsage = 2, ExitStepFailed = 3, ExitCollision = 4 };

constexpr const char* UsageText =
    "Usage:\n"
    "  kinetra-batch run SETUP [--steps N] [--every K] [--backwards] [--collisions] [--state]\n"
    "  kinetra-batch check SETUP\n"
    "  kinetra-batch save SETUP OUT\n"
    "  kinetra-batch eval EXPR [EXPR ...]\n"
    "  kinetra-batch --help | --version\n"
    "\n"
    "run     loads SETUP, prepares it and performs N displayed steps (default 1), printing CSV\n"
    "        records (step,time,signed_step,kinetic,potential,total) for step 0, every K-th\n"
    "        step (default 1) and the last step.\n"
    "          --backwards   run with the negative time step\n"
    "          --collisions  stop at the first collision of two particles\n"
    "          --state       add every position (x<i>_<d>) and velocity (v<i>_<d>)\n"
    "check   loads SETUP and prints its dimensions, method, particle count and frame.\n"
    "save    loads SETUP and writes it to OUT (\".knx\" is added to a name without extension).\n"
    "eval    evaluates each expression in turn on one parser and prints its value.\n"
    "\n"
    "Exit status: 0 done, 1 load, save or evaluation failed, 2 usage error,\n"
    "3 a step failed, 4 a collision stopped the run.\n";

struct EUsage {
    std::string Message;
};

void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

// The simulation with a screen frame hooked in, the way the main window opens a setup.
struct TLoadedSetup {
    TSimData Sim;
    TScreenFrame Frame{Sim};

    TLoadedSetup() {
        Sim.OnLoadFrame = [this](TSetupReader& reader) { Frame.LoadFromFile(reader); };
        Sim.OnSaveFrame = [this](TSetupWriter& writer) { Frame.SaveToFile(writer); };
    }

    void Load(const std::string& fileName) {
        Sim.FileName = fileName;
        Sim.LoadFromFile();
    }
};

// Reports a failed load as the loader worded it, then where reading stopped; nothing goes to
// stdout.
int LoadFailed(const std::exception& e) {
    Print(stderr, std::string("error: ") + e.what() + "\n");
    const auto* placed = dynamic_cast<const EKinetraError*>(&e);
    if (placed && placed->Line() > 0)
        Print(stderr, "  in " + placed->FileName() + ", line " + std::to_string(placed->Line()) + "\n");
    return ExitFailed;
}

std::int64_t ParseCount(const std::string& option, const std::string& text, std::int64_t minimum) {
    std::int64_t value = 0;
    bool ok = !text.empty() && text.size() <= 18;
    for (char c : text) {
        if (c < '0' || c > '9') {
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

struct TRunOptions {
    std::string Setup;
    std::int64_t Steps = 1;
    std::int64_t Every = 1;
    bool Backwards = false;
    bool Collisions = false;
    bool State = false;
};

TRunOptions ParseRunOptions(const std::vector<std::string>& args) {
    TRunOptions options;
    bool haveSetup = false;
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
        const auto takeValue = [&]() -> std::string {
            if (value) return *value;
            if (i + 1 >= args.size()) throw EUsage{arg + " needs a value"};
            return args[++i];
        };
        const auto noValue = [&]() {
            if (value) throw EUsage{arg + " takes no value"};
        };
        if (arg == "--steps") {
            options.Steps = ParseCount(arg, takeValue(), 0);
        } else if (arg == "--every") {
            options.Every = ParseCount(arg, takeValue(), 1);
        } else if (arg == "--backwards") {
            noValue();
            options.Backwards = true;
        } else if (arg == "--collisions") {
            noValue();
            options.Collisions = true;
        } else if (arg == "--state") {
            noValue();
            options.State = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw EUsage{"unknown option " + arg};
        } else if (!haveSetup) {
            options.Setup = arg;
            haveSetup = true;
        } else {
            throw EUsage{"unexpected argument " + arg};
        }
    }
    if (!haveSetup) throw EUsage{"run needs a SETUP file"};
    return options;
}

int CommandRun(const std::vector<std::string>& args) {
    const TRunOptions options = ParseRunOptions(args);
    TLoadedSetup setup;
    try {
        setup.Load(options.Setup);
    } catch (const std::exception& e) {
        return LoadFailed(e);
    }
    TSimData& sim = setup.Sim;

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
        if (options.Collisions) {
            sim.Collisions = true;
            sim.Particles.OnCollision = [&](int i, int j) { collision = {true, i, j, sim.Time}; };
        }
        if (options.Backwards) sim.Reverse();
        sim.InfoWanted = true;

        // Energies that cannot be computed end the run as a failed step does; the record is
        // not printed.
        const auto record = [&](std::int64_t number) {
            try {
                return StateCsvRecord(sim, number, options.State);
            } catch (const EMathError&) {
                throw EKNError(MsgCoordinateOutOfRange);
            }
        };
        Print(stdout, StateCsvHeader(sim, options.State));
        Print(stdout, record(0));
        while (step < options.Steps) {
            sim.Step();
            ++step;
            if (step % options.Every == 0 || step == options.Steps) Print(stdout, record(step));
        }
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
    if (args.size() != 1) throw EUsage{"check needs exactly one SETUP file"};
    TLoadedSetup setup;
    try {
        setup.Load(args[0]);
    } catch (const std::exception& e) {
        return LoadFailed(e);
    }
    const TSimData& sim = setup.Sim;
    Print(stdout, "dimensions " + std::to_string(sim.Dimensions) + "\n");
    Print(stdout, "method " + sim.MethodName() + "\n");
    Print(stdout, "particles " + std::to_string(sim.Particles.Count()) + "\n");
    Print(stdout, "frame " + setup.Frame.Name() + "\n");
    return ExitOk;
}

int CommandSave(const std::vector<std::string>& args) {
    if (args.size() != 2) throw EUsage{"save needs a SETUP file and an OUT file"};
    TLoadedSetup setup;
    try {
        setup.Load(args[0]);
        setup.Sim.FileName = args[1];
        setup.Sim.SaveToFile();
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
        throw EUsage{"unknown command " + command};
    } catch (const EUsage& usage) {
        Print(stderr, "error: " + usage.Message + "\n" + UsageText);
        return ExitUsage;
    }
}

}  // namespace
}  // namespace kinetra

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    try {
        return kinetra::Main(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return kinetra::ExitFailed;
    }
}
