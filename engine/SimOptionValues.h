// The simulation options as texts, applied the way the Simulation options dialog applies them on
// OK, without any widget: every number is an expression evaluated on the caller's parser and
// turned into the 15-digit text that a dialog field would show, and that text's value goes to
// the setter, so a value reaches the simulation exactly as if it had been typed into the
// dialog. Only the values given are applied, in the dialog's order (method, accuracy, time step,
// cycles, gravitational constant, Coulomb coefficient, power of distance, collisions), each
// only when it differs from the value in force; the first error stops the rest and the values
// before it stay written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/SimulationData.h"

namespace kinetra {

class TParser;

// A field's value and the text the field shows for it.
struct TFieldNumber {
    double Value = 0;
    std::string Text;
};

// Evaluates `text` and passes the result through its 15-digit text. A result beyond the range of
// a double (or one whose 15-digit text would be) raises EMathError "Floating point overflow";
// parser errors pass through.
TFieldNumber EvaluateFieldText(TParser& parser, const std::string& text);

// The method whose MethodName is `name`, in any case, or none.
std::optional<TNumMethod> MethodFromName(const std::string& name);

// Below this accuracy RKF's steps become so small that a run crawls (1E-22: some 750,000 steps
// for one unit of time); the setting itself stays accepted down to 1E-30.
inline constexpr double SlowAccuracy = 1E-18;
// The warning a front end shows for RKF with an accuracy below SlowAccuracy; empty otherwise.
std::string AccuracyWarning(TNumMethod method, double accuracy);

struct TSimOptionValues {
    std::optional<TNumMethod> Method;
    std::optional<std::string> Accuracy;
    std::optional<std::string> TimeStep;
    // The 15-digit text must be a whole number, as in the dialog's spin field; SetCycles
    // refuses one outside 1..200.
    std::optional<std::string> Cycles;
    std::optional<std::string> GravConstant;
    std::optional<std::string> CoulombCoeff;
    std::optional<std::string> Power;
    std::optional<bool> Collisions;
};

// The options in the order they are applied.
enum class TSimOption : std::uint8_t {
    Method,
    Accuracy,
    TimeStep,
    Cycles,
    GravConstant,
    CoulombCoeff,
    Power,
    Collisions
};

// Hears each step of ApplySimOptions as it is taken, so that a caller can follow it also when a
// later step fails: the options dialog shows each evaluated text in its field and marks the setup
// as modified at each write.
class TSimOptionsListener {
public:
    virtual ~TSimOptionsListener() = default;
    // The option's text was evaluated; `text` is the 15-digit text of its value.
    virtual void Evaluated(TSimOption /*option*/, const std::string& /*text*/) {}
    // The option's text could not be evaluated; its error follows as it came.
    virtual void NotEvaluated(TSimOption /*option*/) {}
    // A changed value of a setting that the setup file stores was written.
    virtual void Written(TSimOption /*option*/) {}
};

// Applies the values given; true when a setting that the setup file stores changed (what marks
// the setup as modified). Errors are the parser's and the setters' own.
bool ApplySimOptions(TSimData& sim, TParser& parser, const TSimOptionValues& values,
                     TSimOptionsListener* listener = nullptr);

}  // namespace kinetra
