// The pace of a run: how many displayed steps a second the run loop performs, from slow motion
// up to "Full speed" (as fast as the machine steps). Pacing only waits between steps; it never
// touches the arithmetic, so a run gives the same numbers at every pace.
//
// The deadlines accumulate (due := due + interval), so the mean rate does not drift with the
// time a step takes. After a modal dialog or a step that took long, the loop does not catch up
// in a burst: a deadline found more than one interval behind is moved to the present.
//
// The run loop: Restart() when a run starts or resumes; before each step wait (processing
// events) while TimeUntilDue() is above zero; after the step StepDone().
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace kinetra::ui {

class TPace {
public:
    using TClock = std::chrono::steady_clock;
    using TTimePoint = TClock::time_point;
    using TDuration = TClock::duration;

    // The clock is injectable for tests; the run loop uses the steady clock.
    explicit TPace(std::function<TTimePoint()> clock = &TClock::now);

    // The levels, slowest first; the last is "Full speed".
    static int LevelCount();
    static int FullSpeedLevel() { return LevelCount() - 1; }
    // The level a first start uses: every bundled example can be followed by eye.
    static int DefaultLevel();
    // Displayed steps per second of a level; 0 for "Full speed". Out-of-range levels clamp.
    static int StepsPerSecond(int level);
    // The level with that rate (0 = "Full speed"), else the nearest slower one: what a stored
    // choice maps to, so that a stored value survives a change of the list.
    static int LevelOfStepsPerSecond(int stepsPerSecond);
    // "1 step/s", "20 steps/s", "Full speed".
    static std::string Caption(int level);

    int Level() const { return FLevel; }
    // Clamps to the list. During a run the next step becomes due one new interval after the
    // last one, so that leaving slow motion takes effect at once.
    void SetLevel(int level);
    bool IsFullSpeed() const { return FLevel == FullSpeedLevel(); }
    // The time between two steps; zero at "Full speed".
    TDuration Interval() const;

    // A run starts or resumes: the next step is due now.
    void Restart();
    // How long the run loop should still wait before the next step; zero when it is due (and
    // always at "Full speed"). A deadline more than one interval past moves to now.
    TDuration TimeUntilDue();
    bool IsDue() { return TimeUntilDue() == TDuration::zero(); }
    // A step was just done: the next one is due one interval after this one was due.
    void StepDone();
    TTimePoint NextDue() const { return FDue; }

private:
    std::function<TTimePoint()> FClock;
    int FLevel;
    TTimePoint FDue{};
    TTimePoint FLastStep{};
    bool FStepped = false;
};

}  // namespace kinetra::ui
