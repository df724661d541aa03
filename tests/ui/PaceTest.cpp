// The pace of a run on a hand-driven clock: the levels and their captions, deadlines that do
// not drift, every notch delivered by a loop that wakes late, no burst after a hold-up, a change
// of level that takes effect at once, and the achieved rate that the caption tells.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "ui/document/Pace.h"

using namespace kinetra::ui;
using namespace std::chrono_literals;

namespace {

struct TFakeClock {
    TPace::TTimePoint Now{};
    void Advance(TPace::TDuration d) { Now += d; }
};

TPace MakePace(TFakeClock& clock, int stepsPerSecond) {
    TPace pace([&clock] { return clock.Now; });
    pace.SetLevel(TPace::LevelOfStepsPerSecond(stepsPerSecond));
    pace.Restart();
    return pace;
}

}  // namespace

TEST(Pace, LevelsCaptionsAndStoredRates) {
    ASSERT_EQ(TPace::LevelCount(), 12);
    EXPECT_EQ(TPace::Caption(0), "1 step/s");
    EXPECT_EQ(TPace::Caption(3), "10 steps/s");
    EXPECT_EQ(TPace::Caption(TPace::FullSpeedLevel()), "Full speed");
    EXPECT_EQ(TPace::Caption(99), "Full speed");  // clamped
    EXPECT_EQ(TPace::StepsPerSecond(TPace::DefaultLevel()), 50);
    int previous = 0;
    for (int level = 0; level < TPace::FullSpeedLevel(); ++level) {
        EXPECT_GT(TPace::StepsPerSecond(level), previous);
        previous = TPace::StepsPerSecond(level);
        EXPECT_EQ(TPace::LevelOfStepsPerSecond(previous), level);
    }
    // A stored rate that is not a level maps to the nearest slower one; 0 and below is full.
    const std::vector<std::pair<int, int>> stored = {{0, 0}, {-5, 0}, {30, 20}, {1, 1}, {100000, 2000}};
    for (const auto& [rate, expected] : stored)
        EXPECT_EQ(TPace::StepsPerSecond(TPace::LevelOfStepsPerSecond(rate)), expected) << rate;
    TFakeClock clock;
    TPace pace([&clock] { return clock.Now; });
    EXPECT_EQ(pace.Level(), TPace::DefaultLevel());
    pace.SetLevel(-3);
    EXPECT_EQ(pace.Level(), 0);
    EXPECT_EQ(pace.Interval(), 1s);
}

TEST(Pace, DeadlinesAccumulateWithoutDrift) {
    TFakeClock clock;
    TPace pace = MakePace(clock, 10);  // 100 ms
    EXPECT_TRUE(pace.IsDue());
    // Steps that take 30 ms, and a loop that wakes up 4 ms late each time: still ten steps in
    // a second, each due exactly on the 100 ms grid.
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(pace.NextDue() - TPace::TTimePoint{}, i * 100ms);
        clock.Advance(30ms);
        pace.StepDone();
        EXPECT_EQ(pace.TimeUntilDue(), pace.NextDue() - clock.Now);
        EXPECT_GT(pace.TimeUntilDue(), 0ms);
        clock.Now = pace.NextDue() + 4ms;
        EXPECT_TRUE(pace.IsDue());
    }
    EXPECT_EQ(pace.NextDue() - TPace::TTimePoint{}, 1000ms);
}

TEST(Pace, NoBurstAfterAHoldUpAndNoWaitAtFullSpeed) {
    TFakeClock clock;
    TPace pace = MakePace(clock, 100);  // 10 ms
    pace.StepDone();
    clock.Advance(5s);  // a modal dialog held the run
    EXPECT_TRUE(pace.IsDue());
    pace.StepDone();
    EXPECT_EQ(pace.TimeUntilDue(), 10ms);  // one interval after the late step, not 500 at once

    // Steps slower than the interval: the loop never waits, and the debt it builds up stays
    // within the catch-up limit, so that steps that become fast again run at most that much
    // time's steps back to back before the pace holds them.
    clock.Advance(10ms);
    for (int i = 0; i < 40; ++i) {
        EXPECT_TRUE(pace.IsDue());
        clock.Advance(25ms);
        pace.StepDone();
    }
    int burst = 0;
    while (pace.IsDue()) {
        pace.StepDone();
        ++burst;
    }
    EXPECT_LE(burst, TPace::CatchUpLimit / 10ms + 1);
    EXPECT_GT(pace.TimeUntilDue(), 0ms);
    EXPECT_LE(pace.TimeUntilDue(), 10ms);

    pace.SetLevel(TPace::FullSpeedLevel());
    EXPECT_TRUE(pace.IsFullSpeed());
    for (int i = 0; i < 3; ++i) {
        pace.StepDone();
        EXPECT_EQ(pace.TimeUntilDue(), 0ms);
    }
}

// A timer wakes the loop a millisecond or more after the step was due, later than the interval
// of the fast notches: the loop performs every step due at each wake-up and so delivers the
// rate, whatever the lateness, without running ahead of it.
TEST(Pace, EveryNotchIsDeliveredByALoopThatWakesLate) {
    struct TCase {
        int Rate;
        TPace::TDuration Late;  // after the wait asked for, rounded up to whole milliseconds
        TPace::TDuration StepTime;
    };
    const TCase cases[] = {{2000, 0ms, 20us},  {2000, 1ms, 20us}, {2000, 3ms, 300us}, {1000, 1ms, 20us},
                           {1000, 5ms, 100us}, {500, 1ms, 400us}, {200, 2ms, 20us},   {20, 1ms, 20us}};
    for (const TCase& c : cases) {
        TFakeClock clock;
        TPace pace = MakePace(clock, c.Rate);
        const TPace::TTimePoint end = clock.Now + 10s;
        long steps = 0;
        while (clock.Now < end) {
            while (pace.IsDue() && clock.Now < end) {
                clock.Advance(c.StepTime);
                pace.StepDone();
                ++steps;
            }
            clock.Advance(std::chrono::ceil<std::chrono::milliseconds>(pace.TimeUntilDue()) + c.Late);
        }
        EXPECT_GE(steps, 10 * c.Rate * 99 / 100) << c.Rate << " steps/s, " << c.Late.count() << " late";
        EXPECT_LE(steps, 10 * c.Rate + 1) << c.Rate << " steps/s";
    }
}

TEST(Pace, AChangeOfLevelTakesEffectAtOnce) {
    TFakeClock clock;
    TPace pace = MakePace(clock, 1);
    pace.StepDone();
    EXPECT_EQ(pace.TimeUntilDue(), 1s);
    clock.Advance(100ms);
    pace.SetLevel(TPace::LevelOfStepsPerSecond(5));  // 200 ms after the last step
    EXPECT_EQ(pace.TimeUntilDue(), 100ms);
    pace.SetLevel(TPace::LevelOfStepsPerSecond(20));  // 50 ms after it: already due
    EXPECT_TRUE(pace.IsDue());
    // From full speed into slow motion: one interval after the last step, not at once.
    pace.SetLevel(TPace::FullSpeedLevel());
    pace.StepDone();
    pace.SetLevel(TPace::LevelOfStepsPerSecond(2));
    EXPECT_EQ(pace.TimeUntilDue(), 500ms);
}

TEST(Pace, TheCaptionTellsTheRateReachedWhenANotchFallsShort) {
    const int full = TPace::FullSpeedLevel();
    const auto level = [](int rate) { return TPace::LevelOfStepsPerSecond(rate); };
    struct TCase {
        int Level;
        std::optional<double> Reached;
        const char* Caption;
    };
    const TCase cases[] = {
        {level(1000), std::nullopt, "1000 steps/s"},
        {level(1000), 640, "1000 steps/s (reaching 640)"},
        {level(1000), 900, "1000 steps/s"},  // a tenth short is still delivered
        {level(1000), 899.4, "1000 steps/s (reaching 899)"},
        {level(1000), 1003, "1000 steps/s"},
        {level(2000), 1335, "2000 steps/s (reaching 1340)"},  // three digits: no flicker
        {level(50), 12.4, "50 steps/s (reaching 12)"},
        {level(5), 4, "5 steps/s (reaching 4)"},
        {level(1), 0.54, "1 step/s (reaching 0.5)"},
        {level(100), 0, "100 steps/s (reaching 0)"},
        {full, 5, "Full speed (5 steps/s)"},
        {full, 36512, "Full speed (36500 steps/s)"},
        {full, 0, "Full speed"},
        {full, std::nullopt, "Full speed"},
    };
    for (const TCase& c : cases) EXPECT_EQ(TPace::Caption(c.Level, c.Reached), c.Caption) << c.Caption;
}

TEST(Pace, TheRateMeterMeasuresOverAWindowAndBeginsAnewAfterAHoldUp) {
    TFakeClock clock;
    TRateMeter meter([&clock] { return clock.Now; });
    meter.Restart(1ms);
    std::int64_t steps = 0;
    // 6 steps every 10 ms: 600 steps/s, told once the marks cover a second.
    for (int i = 0; i < 100; ++i) {
        clock.Advance(10ms);
        meter.Mark(steps += 6);
        EXPECT_EQ(meter.Rate(), std::nullopt);
    }
    for (int i = 0; i < 200; ++i) {
        clock.Advance(10ms);
        meter.Mark(steps += 6);
        ASSERT_TRUE(meter.Rate());
        EXPECT_NEAR(*meter.Rate(), 600, 1E-9);
    }
    // Held for three seconds: the gap is not measured as a slow second.
    clock.Advance(3s);
    meter.Mark(steps += 6);
    EXPECT_EQ(meter.Rate(), std::nullopt);

    // One step a second is measured over three whole steps.
    meter.Restart(1s);
    EXPECT_EQ(meter.Window(), 3s);
    for (int i = 0; i < 4; ++i) {
        clock.Advance(1s);
        meter.Mark(++steps);
    }
    ASSERT_TRUE(meter.Rate());
    EXPECT_DOUBLE_EQ(*meter.Rate(), 1);
}
