// The screen's refresh rate, and a gate that lets an action through at most once per refresh:
// a picture redrawn more often than the screen shows it costs time and shows nothing more.
#pragma once

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <chrono>
#include <cmath>

namespace kinetra::ui {

// One refresh of the screen that shows `widget` (or of the primary screen); 60 Hz where the
// screen does not tell.
inline std::chrono::nanoseconds ScreenFrameInterval(const QWidget* widget) {
    const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    double hz = screen != nullptr ? screen->refreshRate() : 0;
    if (!std::isfinite(hz) || hz < 1 || hz > 1000) hz = 60;
    return std::chrono::nanoseconds(static_cast<long long>(1e9 / hz));
}

// Open once a frame interval has passed since it last opened.
class TFrameGate {
public:
    void SetInterval(std::chrono::nanoseconds interval) { FInterval = interval; }
    std::chrono::nanoseconds Interval() const { return FInterval; }
    // True, and closed for one interval from now, when the interval has passed.
    bool Pass() {
        if (FLast.isValid() && std::chrono::nanoseconds(FLast.nsecsElapsed()) < FInterval) return false;
        FLast.start();
        return true;
    }
    // Time left until the gate opens again; zero when it is open.
    std::chrono::nanoseconds Remaining() const {
        if (!FLast.isValid()) return std::chrono::nanoseconds::zero();
        const auto elapsed = std::chrono::nanoseconds(FLast.nsecsElapsed());
        return elapsed >= FInterval ? std::chrono::nanoseconds::zero() : FInterval - elapsed;
    }
    // Opens at once for the next Pass.
    void Open() { FLast.invalidate(); }

private:
    std::chrono::nanoseconds FInterval = std::chrono::nanoseconds(16666667);
    QElapsedTimer FLast;
};

}  // namespace kinetra::ui
