// The pace of a run: how many displayed steps a second the run loop performs, from slow motion
// up to "Full speed" (as fast as the machine steps). Pacing only waits between steps; it never
// touches the arithmetic, so a run gives the same numbers at every pace.
//
// Step k after the schedule's start is due at start + k / rate, computed from the start each
// time, so the mean rate neither drifts with the time a step takes nor with rounding. A loop
// that wakes late (a timer's granularity is about a millisecond, longer than the interval of
// the fastest notches) finds several steps due and performs them all before it waits again, so
// every notch delivers its rate when the machine can. A schedule found more than CatchUpLimit
// behind (a modal dialog held the run, the steps are slower than the notch) starts afresh from
// the present instead of running the missed steps back to back.
//
// The run loop: Restart() when a run starts or resumes; while TimeUntilDue() is zero perform a
// step and call StepDone(); otherwise wait (processing events).
//
// TRateMeter measures the rate a run achieves, so the speed control can say when a notch falls
// short ("1000 steps/s (reaching 640)").
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
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
    // The caption with the rate a run achieves where it falls more than a tenth short of the
    // level's: "1000 steps/s (reaching 640)"; "Full speed" with the rate it reaches: "Full speed
    // (36500 steps/s)". No measurement: the caption.
    static std::string Caption(int level, std::optional<double> reached);
    // How far a schedule may fall behind and still be caught up.
    static constexpr TDuration CatchUpLimit = std::chrono::milliseconds(100);

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
    // always at "Full speed"). A schedule more than CatchUpLimit behind starts afresh from now.
    TDuration TimeUntilDue();
    bool IsDue() { return TimeUntilDue() == TDuration::zero(); }
    // A step was just done: the next one is due one interval later on the schedule.
    void StepDone();
    TTimePoint NextDue() const;

private:
    // The schedule begins at `start` with `steps` steps already counted.
    void Anchor(TTimePoint start, std::int64_t steps);

    std::function<TTimePoint()> FClock;
    int FLevel;
    TTimePoint FStart{};
    std::int64_t FSteps = 0;  // steps done since FStart
    TTimePoint FLastStep{};
    bool FStepped = false;
};

// The rate of a run over about the last second: the run loop marks the number of steps done
// after each group of steps; the rate is taken between the newest mark and the oldest one
// within the window. A gap between two marks longer than the window (a modal dialog held the
// run) begins the measurement anew.
class TRateMeter {
public:
    using TClock = TPace::TClock;
    using TTimePoint = TPace::TTimePoint;
    using TDuration = TPace::TDuration;

    explicit TRateMeter(std::function<TTimePoint()> clock = &TClock::now);

    // Begins a measurement; the window is at least a second and at least three intervals of the
    // pace, so that slow notches are measured over whole steps.
    void Restart(TDuration interval = TDuration::zero());
    // The steps done so far (a count that only grows; a smaller one begins anew).
    void Mark(std::int64_t steps);
    // Steps per second over the window; none until the marks cover a whole window.
    std::optional<double> Rate() const;
    TDuration Window() const { return FWindow; }

private:
    struct TMark {
        TTimePoint At;
        std::int64_t Steps;
    };
    std::function<TTimePoint()> FClock;
    TDuration FWindow = std::chrono::seconds(1);
    std::deque<TMark> FMarks;
};

}  // namespace kinetra::ui
