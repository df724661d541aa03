// The pace levels and the deadlines of the paced run loop.
#include "ui/document/Pace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

namespace kinetra::ui {

namespace {

// Displayed steps per second, slowest first; 0 is "Full speed". Roughly three levels a decade,
// so that each notch of the slider is a clear but not a jarring change.
constexpr std::array<int, 12> Levels = {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 0};
// 50 steps/s: the bundled orbits take one to a few seconds a turn, slow enough to follow a body
// with the eye.
constexpr int DefaultStepsPerSecond = 50;
// A notch counts as delivered down to this share of its rate.
constexpr double DeliveredShare = 0.9;

// An achieved rate for the caption: three significant digits, whole numbers from 10 on, so
// that the figure stays put while the rate wavers by a step or two.
std::string ReachedText(double rate) {
    char text[32];
    if (rate >= 100) {
        const double unit = std::pow(10.0, std::floor(std::log10(rate)) - 2);
        std::snprintf(text, sizeof text, "%.0f", std::round(rate / unit) * unit);
    } else if (rate >= 10) {
        std::snprintf(text, sizeof text, "%.0f", std::round(rate));
    } else {
        std::snprintf(text, sizeof text, "%.1f", std::round(rate * 10) / 10);
        std::string s = text;
        if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
        return s;
    }
    return text;
}

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

std::string TPace::Caption(int level, std::optional<double> reached) {
    const int rate = StepsPerSecond(level);
    // Full speed has no rate of its own to fall short of: it tells the rate it reaches.
    if (rate == 0 && reached && *reached > 0)
        return Caption(level) + " (" + ReachedText(*reached) + " steps/s)";
    if (rate == 0 || !reached || !(*reached >= 0) || *reached >= DeliveredShare * rate) return Caption(level);
    return Caption(level) + " (reaching " + ReachedText(*reached) + ")";
}

void TPace::SetLevel(int level) {
    FLevel = std::clamp(level, 0, FullSpeedLevel());
    // The last step counts as the new schedule's first.
    if (FStepped) Anchor(FLastStep, 1);
}

void TPace::Anchor(TTimePoint start, std::int64_t steps) {
    FStart = start;
    FSteps = steps;
}

TPace::TTimePoint TPace::NextDue() const {
    const int rate = StepsPerSecond(FLevel);
    if (rate == 0) return FStart;
    // Whole nanoseconds from the start: no rounding error piles up, however long the run.
    const auto ns = std::chrono::nanoseconds(FSteps * std::int64_t{1000000000} / rate);
    return FStart + std::chrono::duration_cast<TDuration>(ns);
}

TPace::TDuration TPace::Interval() const {
    const int rate = StepsPerSecond(FLevel);
    if (rate == 0) return TDuration::zero();
    return std::chrono::duration_cast<TDuration>(std::chrono::duration<double>(1.0 / rate));
}

void TPace::Restart() {
    Anchor(FClock(), 0);
    FStepped = false;
}

TPace::TDuration TPace::TimeUntilDue() {
    if (IsFullSpeed()) return TDuration::zero();
    const TTimePoint now = FClock();
    const TTimePoint due = NextDue();
    if (now < due) return due - now;
    // Fallen far behind (a modal dialog, steps slower than the notch): the schedule starts
    // afresh from now instead of running the missed steps back to back. Less than that is a
    // late wake-up, which the steps due catch up.
    if (now - due > std::max(CatchUpLimit, Interval())) Anchor(now, 0);
    return TDuration::zero();
}

void TPace::StepDone() {
    FLastStep = FClock();
    FStepped = true;
    ++FSteps;
}

// ---------------------------------------------------------------------------------------------

TRateMeter::TRateMeter(std::function<TTimePoint()> clock) : FClock(std::move(clock)) {}

void TRateMeter::Restart(TDuration interval) {
    FMarks.clear();
    FWindow = std::max<TDuration>(std::chrono::seconds(1), 3 * interval);
}

void TRateMeter::Mark(std::int64_t steps) {
    const TTimePoint now = FClock();
    if (!FMarks.empty() && (now - FMarks.back().At > FWindow || steps < FMarks.back().Steps)) FMarks.clear();
    FMarks.push_back({now, steps});
    // The oldest mark kept is the newest one that still lies a whole window back.
    while (FMarks.size() > 2 && now - FMarks[1].At >= FWindow) FMarks.pop_front();
}

std::optional<double> TRateMeter::Rate() const {
    if (FMarks.size() < 2) return std::nullopt;
    const TMark& first = FMarks.front();
    const TMark& last = FMarks.back();
    if (last.At - first.At < FWindow) return std::nullopt;
    const double seconds = std::chrono::duration<double>(last.At - first.At).count();
    return static_cast<double>(last.Steps - first.Steps) / seconds;
}

}  // namespace kinetra::ui
