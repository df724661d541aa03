// The run loop that kinetra-batch run, compare and the Python module share: displayed steps
// until a time (see TUntil), a number of steps, or a step limit, with what ended the run as an
// outcome read after the last step instead of an exception thrown through the caller.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <optional>
#include <string>

#include "engine/SimulationData.h"

namespace kinetra::batch {

enum class TRunEnd : std::uint8_t {
    Reached,      // |Time| reached |until|, or the steps asked for are made
    StepLimit,    // maxSteps steps were made and the run is not done
    Interrupted,  // `cancel` was set before a step
    Collision,    // the collision check stopped a step
    Stalled,      // with until: a step left the time as it was, so it would never be reached
    Error         // a step failed
};

struct TRunOutcome {
    TRunEnd End = TRunEnd::Reached;
    std::int64_t Steps = 0;  // displayed steps completed
    // Collision: the pair (first < second) and the time of the cycle that found it.
    int First = -1;
    int Second = -1;
    double CollisionTime = 0;
    // Error and Stalled: the exception, as the step raised it ("The time does not advance").
    std::exception_ptr Failure;
};

// "Collision between A and B at t = 1.23", as the window's message words it.
std::string CollisionMessage(const TSimData& sim, const TRunOutcome& outcome);

// Steps `sim` (prepared, in the direction of its step in use) until |Time| reaches |*until|
// (when given) or `steps` displayed steps are made, whichever comes first; before a step
// beyond `maxSteps` it stops with StepLimit instead, and before any step once `cancel` (when
// given) is set, with Interrupted. `every` (when given) is called after each
// completed displayed step with the steps made so far; what it throws ends the run and passes
// through. The collision hook is the loop's own for the length of the run.
TRunOutcome RunUntil(TSimData& sim, std::optional<double> until, std::optional<std::int64_t> maxSteps,
                     const std::function<void(std::int64_t)>& every = {},
                     std::int64_t steps = std::numeric_limits<std::int64_t>::max(),
                     const std::atomic<bool>* cancel = nullptr);

}  // namespace kinetra::batch
