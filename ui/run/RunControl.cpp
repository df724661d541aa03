// The run room: the run commands, the run state on the status bar, the reports of a run's end.
#include "ui/run/RunControl.h"

#include <QWidget>

#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "ui/dialogs/Prompts.h"
#include "ui/document/Document.h"
#include "ui/document/RunClock.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

TRunControl::TRunControl(TDocument& document, TUserPrompts& prompts, QWidget* window)
    : QObject(window), Document(document), Prompts(prompts), Window(window) {
    TRunClock& clock = document.Clock();
    clock.SetWindow(window);
    connect(&document, &TDocument::runStateChanged, this, [this](TRunState state) {
        if (state == rsRunning) SetPanel(0, QStringLiteral("Running"));
        if (state == rsPaused) SetPanel(0, QStringLiteral("Paused"));
    });
    connect(&clock, &TRunClock::stopped, this, [this] {
        SetPanel(0, QStringLiteral("Stopped"));
        SetPanel(1, TimeText(Document.Sim().Time));
    });
    connect(&clock, &TRunClock::collided, this, &TRunControl::CollisionDetected);
    connect(&clock, &TRunClock::failed, this,
            [this](const QString& message) { Prompts.ShowMessage(Window, message); });
    // What no step reports by itself reaches the top-level handler once the run has stopped.
    clock.OnUnhandled = [this](std::exception_ptr error) { HandleException(Prompts, Window, error); };
}

TRunControl::~TRunControl() {
    Document.Clock().OnUnhandled = nullptr;
}

void TRunControl::mmiStartClick() {
    Document.Clock().Start(1);
}

void TRunControl::sbBackClick() {
    Document.Clock().Start(-1);
}

void TRunControl::sbStepClick() {
    SingleStep(1);
}

void TRunControl::sbStepBackClick() {
    SingleStep(-1);
}

void TRunControl::SingleStep(int direction) {
    TRunClock& clock = Document.Clock();
    clock.SingleStep(direction);
    // A collision stopped the run.
    if (Document.RunState() == rsPaused) SetPanel(0, QStringLiteral("Paused"));
}

void TRunControl::mmiPauseClick() {
    Document.Clock().Pause();
}

void TRunControl::mmiStopClick() {
    Document.Clock().Stop();
}

void TRunControl::CollisionDetected(int first, int second, double time) {
    const TParticlesList& particles = Document.Sim().Particles;
    SetPanel(1, CollisionTimeText(time));
    Prompts.ShowNotice(Window, ToQ("Collision between " + particles.Particles(first).Name + " and " +
                                   particles.Particles(second).Name + " at t = " + FormatFixed(time, 2)));
}

}  // namespace kinetra::ui
