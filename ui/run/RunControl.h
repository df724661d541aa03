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
// Below "Full speed" the loop keeps a pace: before each step it waits, processing events, until
// the step is due, and it refreshes the scene after every step so that the picture moves
// smoothly. The waiting never touches the arithmetic.
#pragma once

#include <QObject>
#include <cstdint>

#include "ui/document/Document.h"
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

private:
    // Run or Run backwards once the direction is set: enters the loop, or, when the command
    // runs inside the event processing of an active loop, lets that loop go on.
    void Resume();
    // Processes events until the next step is due or the run has ended; false when it ended.
    bool WaitForPace();
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
};

}  // namespace kinetra::ui
