// TRunClock, the run of the open setup as a clock: it owns the timer, the pace and the frame gate,
// and steps the simulation on the event loop. Its verbs are Start (a direction), Pause,
// SingleStep, Stop and Rewind; it tells the rooms what happened with signals and never calls
// them.
//
// A run is a series of ticks. Each tick takes the steps that are due and returns to the event
// loop, where the commands, the repaints and the input run between two ticks:
//   - at "Full speed" a tick steps until a refresh is due (every RefreshInterval steps, or when
//     a particle has left the view) or about one frame of the screen has passed, and the next
//     tick follows at once;
//   - below it a tick performs the steps the pace says are due (for at most a few
//     milliseconds), every drawn step refreshes at most once per frame of the screen, and the
//     timer wakes the next tick when the next step is due.
// A modal dialog opened during a run holds the clock (Hold/Release): no step is taken until it
// closes, and the pace then starts afresh.
//
// A step ends as the simulation's Step ends: drawn by the scene (the document's stepDone), or
// with an error. A collision is such an outcome: the collection's hook only records the pair
// and the time (the document's LastCollision), the step ends with the silent abort, and the
// clock reads the record after Step has returned, stops ticking and emits `collided`; the rooms
// show it and Stop the run. Nothing rewinds or prepares while a step is on the stack. The
// simulation is prepared once before the first step after a rewind or a change of the setup.
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>

#include "ui/document/FrameRate.h"
#include "ui/document/Pace.h"

class QTimer;
class QWidget;

namespace kinetra::ui {

class TDocument;

class TRunClock : public QObject {
    Q_OBJECT

public:
    // Why a run stopped.
    enum TStopReason : std::uint8_t { StopCommand = 0, StopCollision = 1, StopError = 2 };

    explicit TRunClock(TDocument& document, QObject* parent = nullptr);

    // Runs forwards (direction > 0) or backwards (< 0); a running clock only turns round.
    void Start(int direction);
    // One step in the direction; the clock stands paused after it. A collision stops it as in a
    // run; any other error passes on to the caller with the clock paused where the step left it.
    void SingleStep(int direction);
    // A running clock pauses after the tick in progress; otherwise nothing happens.
    void Pause();
    // Stopped and rewound; `stopping` comes first, `stopped` last.
    void Stop(TStopReason reason = StopCommand);
    // A stopped setup goes back to its initial state; a paused one stays where it is. Either way
    // the scene is shown anew (`shownAnew`) and the simulation is prepared before its next step.
    void Rewind();
    // The setup changed under a paused or stopped clock: it is prepared before the next step.
    void SetupChanged() { FNeedsPrepare = true; }
    bool Running() const;

    // A modal dialog opens (Hold) and closes (Release); they pair up and nest.
    void Hold();
    void Release();
    bool Held() const { return FHolds > 0; }

    // The pace; a new level takes effect at once, also during a run.
    const TPace& Pace() const { return FPace; }
    void SetPaceLevel(int level);
    // The window whose screen's refresh rate bounds the ticks and the refreshes.
    void SetWindow(const QWidget* window) { FWindow = window; }

    // The scene has drawn a step (after the document's stepDone): counts it and decides on a
    // refresh. `left`: a particle left the view in it.
    void StepDrawn(bool left);

    // Steps drawn since the last rewind, counted after a step's refresh.
    std::int32_t StepCount() const { return FStepCount; }
    // The number of steps between two refreshes at "Full speed".
    std::int32_t RefreshInterval() const { return FRefreshInterval; }
    // Displayed steps since the last rewind, counted as they are drawn.
    std::int64_t StepsDone() const { return FStepsDone; }
    // Ticks since the clock was made; for tests of the tick length.
    std::int64_t Ticks() const { return FTicks; }
    // How often the clock has prepared the simulation for a run.
    std::int64_t Prepares() const { return FPrepares; }

    // An error of a run that is neither a step's own error nor a collision; without a handler it
    // is dropped after the run has stopped.
    std::function<void(std::exception_ptr)> OnUnhandled;

signals:
    // A step has been drawn, before any refresh.
    void stepTaken();
    // The picture is to be refreshed; `sinceLast`: also what steps before the last drew.
    void refreshDue(bool sinceLast);
    // Stop begins: what records the run ends first.
    void stopping();
    void stopped(kinetra::ui::TRunClock::TStopReason reason);
    // The setup stands at its initial state again (after the scene has been shown anew).
    void rewound();
    // The scene is to be shown anew: rewound to the initial state, or where a pause left it.
    void shownAnew(bool rewound);
    // The step that found it has ended; the particles stand where they touched. The rooms
    // report it; the clock is stopped right after.
    void collided(int first, int second, double time);
    // A step failed with the program's own error (its message); the clock is stopped right after.
    void failed(const QString& message);
    // The rate a paced run achieves, in steps per second, about once a second; below 0 when
    // there is none to tell (the run ended, full speed, a new pace).
    void rateMeasured(double stepsPerSecond);

private:
    void Tick();
    // The next tick: at once at "Full speed", when the next step is due below it.
    void Arm();
    void Direct(int direction);
    void PrepareIfNeeded();
    // One step of the simulation; false when it ended the run (a collision, an error).
    bool TakeStep();
    void MeasureRate();
    void StopMeasuring();
    void RefreshNow();

    TDocument& Document;
    const QWidget* FWindow = nullptr;
    TPace FPace;
    QTimer* FTimer;
    // Paced steps refresh at most once per frame of the screen.
    TFrameGate RefreshGate;
    bool FRefreshPending = false;
    // A refresh at "Full speed" ends the tick.
    bool FRefreshed = false;
    bool FNeedsPrepare = true;
    int FHolds = 0;
    std::int32_t FStepCount = 0;
    std::int32_t FRefreshInterval = 100;
    std::int64_t FStepsDone = 0;
    std::int64_t FTicks = 0;
    std::int64_t FPrepares = 0;
    TRateMeter FMeter;
    int FMeasuredLevel = -1;
    TPace::TTimePoint FLastReport{};
};

}  // namespace kinetra::ui
