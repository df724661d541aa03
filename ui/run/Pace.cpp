// The pace levels and the deadlines of the paced run loop.
#include "ui/run/Pace.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kinetra::ui {

namespace {

// Displayed steps per second, slowest first; 0 is "Full speed". Roughly three levels a decade,
// so that each notch of the slider is a clear but not a jarring change.
constexpr std::array<int, 12> Levels = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 0};
// 50 steps/s: the bundled orbits take one to a few seconds a turn, slow enough to follow a body
// with the eye.
constexpr int DefaultStepsPerSecond = 50;

}  // namespace

TPace::TPace(std::function<TTimePoint()> clock) : FClock(std::move(clock)), FLevel(DefaultLevel()) {}

int TPace::LevelCount() {
    return static_cast<int>(Levels.size());
}

int TPace::DefaultLevel() {
    return LevelOfStepsPerSecond(DefaultStepsPerSecond);
}

int TPace::StepsPerSecond(int level) {
    return Levels[static_cast<std::size_t>(std::clamp(level, 0, LevelCount() - 1))];
}

int TPace::LevelOfStepsPerSecond(int stepsPerSecond) {
    if (stepsPerSecond <= 0) return FullSpeedLevel();
    int level = 0;
    for (int i = 0; i < FullSpeedLevel(); ++i)
        if (Levels[static_cast<std::size_t>(i)] <= stepsPerSecond) level = i;
    return level;
}

std::string TPace::Caption(int level) {
    const int rate = StepsPerSecond(level);
    if (rate == 0) return "Full speed";
    return std::to_string(rate) + (rate == 1 ? " step/s" : " steps/s");
}

void TPace::SetLevel(int level) {
    FLevel = std::clamp(level, 0, FullSpeedLevel());
    if (FStepped) FDue = FLastStep + Interval();
}

TPace::TDuration TPace::Interval() const {
    const int rate = StepsPerSecond(FLevel);
    if (rate == 0) return TDuration::zero();
    return std::chrono::duration_cast<TDuration>(std::chrono::duration<double>(1.0 / rate));
}

void TPace::Restart() {
    FDue = FClock();
    FStepped = false;
}

TPace::TDuration TPace::TimeUntilDue() {
    if (IsFullSpeed()) return TDuration::zero();
    const TTimePoint now = FClock();
    if (now < FDue) return FDue - now;
    // Fallen more than one interval behind (a modal dialog, a slow step): the schedule starts
    // afresh from now instead of running the missed steps back to back.
    if (now - FDue > Interval()) FDue = now;
    return TDuration::zero();
}

void TPace::StepDone() {
    FLastStep = FClock();
    FStepped = true;
    FDue += Interval();
}

}  // namespace kinetra::ui
