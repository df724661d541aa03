// The pace of a run on a hand-driven clock: the levels and their captions, deadlines that do
// not drift, no burst after a hold-up, and a change of level that takes effect at once.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ui/run/Pace.h"

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

    // Steps slower than the interval: the loop never waits, never builds up a debt.
    clock.Advance(10ms);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(pace.IsDue());
        clock.Advance(25ms);
        pace.StepDone();
    }
    EXPECT_EQ(pace.TimeUntilDue(), 0ms);
    pace.StepDone();
    EXPECT_EQ(pace.TimeUntilDue(), 10ms);  // from the present, not from a pile of missed steps

    pace.SetLevel(TPace::FullSpeedLevel());
    EXPECT_TRUE(pace.IsFullSpeed());
    for (int i = 0; i < 3; ++i) {
        pace.StepDone();
        EXPECT_EQ(pace.TimeUntilDue(), 0ms);
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
