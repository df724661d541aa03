// Applying the simulation options from texts.
#include "engine/SimOptionValues.h"

#include <cctype>
#include <cmath>

#include "base/KNUtils.h"
#include "parser/Parser.h"

namespace kinetra {

TFieldNumber EvaluateFieldText(TParser& parser, const std::string& text) {
    const double value = parser.Evaluate(text);
    if (!std::isfinite(value)) throw EMathError(MsgOverflow);
    TFieldNumber result;
    result.Text = FormatGeneral(value, 15);
    // The largest doubles round up beyond the range at 15 digits; such a text could not be read
    // back, so it is as much an overflow as the parser's own.
    if (ParseDecimal(result.Text, result.Value) != TParseResult::Ok) throw EMathError(MsgOverflow);
    return result;
}

std::optional<TNumMethod> MethodFromName(const std::string& name) {
    const auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    for (const TMethodInfo& info : NumMethods)
        if (lower(info.Name) == lower(name)) return info.Method;
    return std::nullopt;
}

namespace {

// One pass of the rule, with its listener.
class TApply {
public:
    TApply(TSimData& sim, TParser& parser, TSimOptionsListener* listener)
        : Sim(sim), Parser(parser), Listener(listener) {}

    TFieldNumber Evaluate(TSimOption option, const std::string& text) {
        TFieldNumber number;
        try {
            number = EvaluateFieldText(Parser, text);
        } catch (...) {
            if (Listener) Listener->NotEvaluated(option);
            throw;
        }
        if (Listener) Listener->Evaluated(option, number.Text);
        return number;
    }

    // Writes a changed value through its setter and marks the change.
    template <typename TValue, typename TSetter>
    void Write(TSimOption option, TValue value, TValue inForce, TSetter setter) {
        if (value == inForce) return;
        setter(value);
        Modified = true;
        if (Listener) Listener->Written(option);
    }

    TSimData& Sim;
    TParser& Parser;
    TSimOptionsListener* Listener;
    bool Modified = false;
};

}  // namespace

std::string AccuracyWarning(TNumMethod method, double accuracy) {
    if (!MethodInfo(method).Adaptive || !(accuracy < SlowAccuracy)) return {};
    return std::string("an accuracy below 1E-18 makes ") + MethodInfo(method).Name +
           " take very small steps: a run may take very long";
}

bool ApplySimOptions(TSimData& sim, TParser& parser, const TSimOptionValues& values,
                     TSimOptionsListener* listener) {
    TApply apply(sim, parser, listener);
    using enum TSimOption;
    if (values.Method)
        apply.Write(Method, *values.Method, sim.Method, [&](TNumMethod m) { sim.SetMethod(m); });
    // Exact comparisons: a value that evaluates to the number in force is not written, even if
    // its text changed.
    if (values.Accuracy)
        apply.Write(Accuracy, apply.Evaluate(Accuracy, *values.Accuracy).Value, sim.Accuracy,
                    [&](double x) { sim.SetAccuracy(x); });
    if (values.TimeStep)
        apply.Write(TimeStep, apply.Evaluate(TimeStep, *values.TimeStep).Value, sim.TimeStep,
                    [&](double x) { sim.SetTimeStep(x); });
    if (values.Cycles) {
        // The spin field holds whole numbers only: a fraction is refused with the integer
        // reader's message rather than taken as some other count.
        const int cycles = StrToInt(apply.Evaluate(Cycles, *values.Cycles).Text);
        apply.Write(Cycles, cycles, sim.Cycles, [&](int n) { sim.SetCycles(n); });
    }
    TForce& force = *sim.Force;
    if (values.GravConstant)
        apply.Write(GravConstant, apply.Evaluate(GravConstant, *values.GravConstant).Value,
                    force.GravConstant(), [&](double x) { force.SetGravConstant(x); });
    if (values.CoulombCoeff)
        apply.Write(CoulombCoeff, apply.Evaluate(CoulombCoeff, *values.CoulombCoeff).Value,
                    force.CoulombCoeff(), [&](double x) { force.SetCoulombCoeff(x); });
    if (values.Power)
        apply.Write(Power, apply.Evaluate(Power, *values.Power).Value, force.GetPower(),
                    [&](double x) { force.SetPower(x); });
    // A run setting that the setup file does not hold: written as given, never a change.
    if (values.Collisions) sim.Collisions = *values.Collisions;
    return apply.Modified;
}

}  // namespace kinetra
