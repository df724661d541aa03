// TRunControl, the run states and the run loop of the main window: Run, Run backwards, Step,
// Step back, Pause and Stop, the rewind that prepares the scene, and what ends a run (a
// collision, an error of a step).
//
// A run is a loop of TSimData::Step calls inside the command that started it. Each step ends in
// the scene's DrawStep, which hands over to StepDrawn: the per-step work (recording, the energy
// plot) and, every RefreshInterval steps or when a particle has left the view, a refresh with
// the event processing in which other commands run. Those change the document's RunState,
// which the loop tests before every step.
//
// Below "Full speed" the loop keeps a pace: it waits, processing events, until a step is due,
// then performs every step the clock asks for (a wake-up comes a millisecond or more late, and
// the fast notches have several steps to the millisecond), processing events again between
// such groups. Every step is drawn; the refresh of the scene (with the status, the info window
// and the energy plot) comes at most once per refresh of the screen, and after the last step
// when the run pauses. The waiting never touches the arithmetic.
#pragma once

#include <QObject>
#include <cstdint>

#include "ui/document/Document.h"
#include "ui/run/FrameRate.h"
#include "ui/run/Pace.h"

class QTimer;
class QWidget;

namespace kinetra::ui {

class TSceneView;
class TUserPrompts;

class TRunControl : public QObject {
    Q_OBJECT

public:
    // Runs the document's setup on the scene; messages go to `prompts` over `window`.
    TRunControl(TDocument& document, TSceneView& scene, TUserPrompts& prompts, QWidget* window);

    // The commands.
    void mmiStartClick();
    void sbBackClick();
    void sbStepClick();
    void sbStepBackClick();
    void mmiPauseClick();
    void mmiStopClick();

    void RunLoop();
    // Run loops active at present: 1 inside a run, 0 outside. Commands given during a run run
    // inside the loop's event processing; a resume there goes on with that loop.
    int LoopDepth() const { return FLoopDepth; }
    void SingleStep();
    // Rewinds a stopped setup and makes the scene ready for the next step.
    void PrepareScene();
    void CollisionDetected(int i, int j);
    // After the scene has drawn a step: the per-step work and, now and then, a refresh.
    void StepDrawn(bool left);

    // The pace of the run loop, set by the speed control.
    TPace& Pace() { return FPace; }
    const TPace& Pace() const { return FPace; }
    // Steps drawn since the last rewind, counted after each step's event processing.
    std::int32_t StepCount() const { return FStepCount; }
    // The number of steps between two refreshes.
    std::int32_t RefreshInterval() const { return FRefreshInterval; }
    // Displayed steps since the last rewind, counted as they are drawn (StepCount is counted
    // after the event processing of a step and so lags behind inside it).
    std::int64_t StepsDone() const { return FStepsDone; }

signals:
    // A status panel's new text: 0 the run state, 1 the time.
    void panelText(int index, const QString& text);
    // The frame's name, origin and extent are to be shown anew.
    void frameInfoChanged();
    // Stop begins: what records the run ends first.
    void stopping();
    // The setup stands at its initial state again.
    void rewound();
    // A step has been drawn, before its refresh and event processing.
    void stepDrawn();
    // The rate a paced run achieves, in steps per second, about once a second; below 0 when
    // there is none to tell (the run ended, full speed, a new pace).
    void rateMeasured(double stepsPerSecond);

private:
    // Run or Run backwards once the direction is set: enters the loop, or, when the command
    // runs inside the event processing of an active loop, lets that loop go on.
    void Resume();
    // Processes events until the next step is due or the run has ended; false when it ended.
    bool WaitForPace();
    // Paced: the steps due now, back to back, for at most about a frame.
    void StepsDue();
    // The refresh that paced steps left pending.
    void RefreshNow();
    // After a group of paced steps: the rate achieved, reported once a second.
    void MeasureRate();
    void StopMeasuring();
    void SetPanel(int index, const QString& text) { emit panelText(index, text); }

    TDocument& Document;
    TSceneView& Scene;
    TUserPrompts& Prompts;
    QWidget* Window;
    TPace FPace;
    std::int32_t FStepCount = 0;
    std::int32_t FRefreshInterval = 100;
    std::int64_t FStepsDone = 0;
    // Wakes the event processing of WaitForPace when the next step is due.
    QTimer* PaceTimer;
    int FLoopDepth = 0;
    // Paced steps refresh at most once per frame of the screen.
    TFrameGate RefreshGate;
    bool FRefreshPending = false;
    TRateMeter FMeter;
    // The level measured, -1 for none; when the last rate was reported.
    int FMeasuredLevel = -1;
    TPace::TTimePoint FLastReport{};
};

}  // namespace kinetra::ui
