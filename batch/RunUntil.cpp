// The shared run loop.
#include "batch/RunUntil.h"

#include <cmath>
#include <utility>

#include "base/KNUtils.h"
#include "batch/RunRules.h"

namespace kinetra::batch {

namespace {

// The loop's collision hook in place of the owner's, which comes back however the run ends.
class TCollisionHook {
public:
    TCollisionHook(TSimData& sim, TRunOutcome& outcome)
        : Sim(sim), Saved(std::move(sim.Particles.OnCollision)) {
        sim.Particles.OnCollision = [&sim, &outcome](int i, int j) {
            outcome.End = TRunEnd::Collision;
            outcome.First = i;
            outcome.Second = j;
            outcome.CollisionTime = sim.Time;
        };
    }
    ~TCollisionHook() { Sim.Particles.OnCollision = std::move(Saved); }
    TCollisionHook(const TCollisionHook&) = delete;
    TCollisionHook& operator=(const TCollisionHook&) = delete;

private:
    TSimData& Sim;
    TCollisionEvent Saved;
};

// With a time to reach, the adaptive method lands on it: T in the direction of the run (the
// time reached is |T|, see TUntil). Cleared however the run ends.
class TLanding {
public:
    TLanding(TSimData& sim, std::optional<double> until) : Sim(sim), Saved(sim.LandingTime) {
        if (until) sim.LandingTime = std::copysign(std::fabs(*until), sim.SignedStep);
    }
    ~TLanding() { Sim.LandingTime = Saved; }
    TLanding(const TLanding&) = delete;
    TLanding& operator=(const TLanding&) = delete;

private:
    TSimData& Sim;
    std::optional<double> Saved;
};

}  // namespace

std::string CollisionMessage(const TSimData& sim, const TRunOutcome& outcome) {
    return Format("Collision between %s and %s", sim.Particles.Particles(outcome.First).Name,
                  sim.Particles.Particles(outcome.Second).Name) +
           " at t = " + FormatFixed(outcome.CollisionTime, 2);
}

TRunOutcome RunUntil(TSimData& sim, std::optional<double> until, std::optional<std::int64_t> maxSteps,
                     const std::function<void(std::int64_t)>& every, std::int64_t steps,
                     const std::atomic<bool>* cancel) {
    TRunOutcome outcome;
    const TCollisionHook hook(sim, outcome);
    const TLanding landing(sim, until);
    std::optional<TUntil> reach;
    if (until) reach.emplace(*until);
    const std::function<bool()> cycleCheck = reach ? reach->CycleCheck(sim) : std::function<bool()>();
    while (outcome.Steps < steps && !(reach && reach->Reached(sim))) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            outcome.End = TRunEnd::Interrupted;
            return outcome;
        }
        if (maxSteps && outcome.Steps >= *maxSteps) {
            outcome.End = TRunEnd::StepLimit;
            return outcome;
        }
        const double before = sim.Time;
        try {
            sim.Step(cycleCheck);
        } catch (...) {
            // The hook has said so when the collision check stopped the step.
            if (outcome.End != TRunEnd::Collision) {
                outcome.End = TRunEnd::Error;
                outcome.Failure = std::current_exception();
            }
            return outcome;
        }
        ++outcome.Steps;
        if (every) every(outcome.Steps);
        // A step too small for the time to change would never reach T.
        if (until && sim.Time == before) {
            outcome.End = TRunEnd::Stalled;
            outcome.Failure = std::make_exception_ptr(EKNError("The time does not advance"));
            return outcome;
        }
    }
    return outcome;
}

}  // namespace kinetra::batch
