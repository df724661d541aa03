// The rules of a run shared by kinetra-batch and the Python module.
#include "batch/RunRules.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/KNUtils.h"

namespace kinetra::batch {

std::string StepLimitMessage(std::int64_t maxSteps, double time) {
    return "the step limit of " + std::to_string(maxSteps) + (maxSteps == 1 ? " step" : " steps") +
           " was reached at t = " + FormatGeneral(time, 15);
}

bool TUntil::Reached(const TSimData& sim) const {
    const double target = std::fabs(Target);
    const double time = std::fabs(sim.Time);
    if (time >= target) return true;
    const double ulp = std::nextafter(target, std::numeric_limits<double>::infinity()) - target;
    if (sim.MethodEntry().Adaptive) return time >= target - 4 * ulp;
    const double slack = std::min(static_cast<double>(CyclesDone + 4) * ulp, std::fabs(sim.SignedStep) / 2);
    return time >= target - slack;
}

std::function<bool()> TUntil::CycleCheck(const TSimData& sim) {
    return [this, &sim] {
        ++CyclesDone;
        return sim.MethodEntry().Adaptive && Reached(sim);
    };
}

}  // namespace kinetra::batch
