// The rules of a run that kinetra-batch and the Python module share: when a run has reached
// the time of --until, and how a run stopped by --max-steps says so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/SimulationData.h"

namespace kinetra::batch {

// Why a run stopped at --max-steps: "the step limit of N steps was reached at t = TIME".
std::string StepLimitMessage(std::int64_t maxSteps, double time);

// --until T: whether a run has reached T, |Time| >= |T| up to the rounding of the time.
// `Time` is a running sum of the steps; each addition rounds by at most half an ulp of T, so a
// T on the step grid may be missed by up to one ulp per cycle (300 steps of 0.02 add up to
// 5.9999999999998943), and T and the step are decimals rounded to doubles: the slack is one
// ulp of T per cycle done and four more. It never exceeds half a step, so a T off the grid is
// never taken as reached early. RKF has no grid and gets the four ulps alone.
class TUntil {
public:
    explicit TUntil(double target) : Target(target) {}
    bool Reached(const TSimData& sim) const;
    // For Step: counts the cycles, and with RKF ends the displayed step at the first cycle that
    // reaches T (its record says so by its time); the fixed-step methods always finish theirs.
    std::function<bool()> CycleCheck(const TSimData& sim);
    double Target;

private:
    std::int64_t CyclesDone = 0;
};

}  // namespace kinetra::batch
