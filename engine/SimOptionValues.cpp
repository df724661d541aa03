// Applying the simulation options from texts.
#include "engine/SimOptionValues.h"

#include <cctype>
#include <cmath>

#include "engine/KNUtils.h"
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

bool ApplySimOptions(TSimData& sim, TParser& parser, const TSimOptionValues& values) {
    bool modified = false;
    if (values.Method && *values.Method != sim.Method) {
        sim.SetMethod(*values.Method);
        modified = true;
    }
    if (values.Accuracy) {
        const double accuracy = EvaluateFieldText(parser, *values.Accuracy).Value;
        if (accuracy != sim.Accuracy) {
            sim.SetAccuracy(accuracy);
            modified = true;
        }
    }
    if (values.TimeStep) {
        const double timeStep = EvaluateFieldText(parser, *values.TimeStep).Value;
        if (timeStep != sim.TimeStep) {
            sim.SetTimeStep(timeStep);
            modified = true;
        }
    }
    if (values.Cycles) {
        // The spin field holds whole numbers only: a fraction is refused with the integer
        // reader's message rather than taken as some other count.
        const int cycles = StrToInt(EvaluateFieldText(parser, *values.Cycles).Text);
        if (cycles != sim.Cycles) {
            sim.SetCycles(cycles);
            modified = true;
        }
    }
    TForce& force = *sim.Force;
    if (values.GravConstant) {
        const double gravConstant = EvaluateFieldText(parser, *values.GravConstant).Value;
        if (gravConstant != force.GravConstant()) {
            force.SetGravConstant(gravConstant);
            modified = true;
        }
    }
    if (values.CoulombCoeff) {
        const double coulomb = EvaluateFieldText(parser, *values.CoulombCoeff).Value;
        if (coulomb != force.CoulombCoeff()) {
            force.SetCoulombCoeff(coulomb);
            modified = true;
        }
    }
    if (values.Power) {
        const double power = EvaluateFieldText(parser, *values.Power).Value;
        if (power != force.GetPower()) {
            force.SetPower(power);
            modified = true;
        }
    }
    // A run setting that the setup file does not hold.
    if (values.Collisions) sim.Collisions = *values.Collisions;
    return modified;
}

}  // namespace kinetra
