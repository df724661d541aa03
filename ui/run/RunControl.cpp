// The run control of the main window: the run states, the run loop and its commands.
#include "ui/run/RunControl.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "engine/SimulationData.h"
#include "ui/dialogs/KNInfo.h"
#include "ui/extras/SimExtras.h"
#include "ui/scene/SceneView.h"
#include "ui/window/UiText.h"

namespace kinetra::ui {

TRunControl::TRunControl(TSimForm& form) : Form(form), PaceTimer(new QTimer(&form)) {
    PaceTimer->setSingleShot(true);
    PaceTimer->setTimerType(Qt::PreciseTimer);
}

void TRunControl::mmiStartClick() {
    if (Form.SimData().SignedStep < 0) Form.SimData().Reverse();
    Resume();
}

void TRunControl::sbBackClick() {
    if (Form.SimData().SignedStep > 0) Form.SimData().Reverse();
    Resume();
}

void TRunControl::Resume() {
    if (RunState == rsRunning) return;
    if (FLoopDepth == 0) {
        RunLoop();
        return;
    }
    // Given inside the event processing of the loop (after the options dialog, or Pause and
    // Run in one go): that loop tests RunState as soon as control is back and goes on. A loop
    // entered here would nest one more for every such resume, until the stack ran out.
    RunState = rsRunning;
    Form.SetPanel(0, QStringLiteral("Running"));
    Pace.Restart();
}

void TRunControl::sbStepClick() {
    if (Form.SimData().SignedStep < 0) Form.SimData().Reverse();
    SingleStep();
}

void TRunControl::sbStepBackClick() {
    if (Form.SimData().SignedStep > 0) Form.SimData().Reverse();
    SingleStep();
}

void TRunControl::RunLoop() {
    RunState = rsRunning;
    Form.SetPanel(0, QStringLiteral("Running"));
    try {
        // Counts this loop while it still tests RunState; gone before an error is reported.
        struct TDepth {
            int& Depth;
            explicit TDepth(int& depth) : Depth(depth) { ++Depth; }
            TDepth(const TDepth&) = delete;
            TDepth& operator=(const TDepth&) = delete;
            ~TDepth() { --Depth; }
        } depth(FLoopDepth);
        // Commands given meanwhile run inside DrawStep's event processing and end the loop by
        // changing RunState.
        Pace.Restart();
        while (RunState == rsRunning && WaitForPace()) {
            Form.SimData().Step();
            Pace.StepDone();
        }
    } catch (const EKNError& e) {
        Form.Prompts().ShowMessage(&Form, QString::fromStdString(e.what()));
        mmiStopClick();
    } catch (const EMathError&) {
        // The energies of the reached state (the recording asks for them after each step)
        // cannot be computed: a failed step.
        Form.Prompts().ShowMessage(&Form, QString::fromUtf8(MsgCoordinateOutOfRange));
        mmiStopClick();
    } catch (...) {
        mmiStopClick();
        throw;
    }
}

bool TRunControl::WaitForPace() {
    if (Pace.IsFullSpeed()) return true;
    // Also when the step is due at once: commands are never starved by a fast pace.
    QCoreApplication::processEvents();
    for (;;) {
        if (RunState != rsRunning) return false;
        const auto wait = Pace.TimeUntilDue();
        if (wait == TPace::TDuration::zero()) return true;
        // The timer's event wakes the wait; any other event (a command, a repaint, the speed
        // control) is handled at once, after which the loop looks again.
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait);
        PaceTimer->start(ms);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        PaceTimer->stop();
    }
}

void TRunControl::SingleStep() {
    RunState = rsPaused;
    Form.SimData().Step();
    // Run given in this step's event processing during a run: the run goes on around it.
    if (RunState == rsRunning) return;
    Form.SetPanel(0, QStringLiteral("Paused"));
    Form.View->RefreshScene();
}

void TRunControl::mmiPauseClick() {
    if (RunState != rsRunning) return;
    RunState = rsPaused;
    Form.SetPanel(0, QStringLiteral("Paused"));
}

void TRunControl::mmiStopClick() {
    Form.Extras->StopRecording();
    RunState = rsStopped;
    Form.SetPanel(0, QStringLiteral("Stopped"));
    PrepareScene();
    Form.SetPanel(1, TimeText(Form.SimData().Time));
}

void TRunControl::PrepareScene() {
    if (RunState == rsRunning) return;
    TParticlesList& particles = Form.SimData().Particles;
    if (RunState != rsPaused) {
        StepCount = 0;
        StepsDone = 0;
        const int n = particles.Count();
        RefreshInterval = n == 0 ? 100 : std::max(1, (100 / (10 * n)) * 10);
        Form.SimData().Rewind();
        Form.View->Rewind();
        if (Form.InfoShown && Form.FInfoWindow) Form.FInfoWindow->UpdateValues();
        Form.Extras->TakeRewindSample();
    }
    Form.View->UpdateInvisibleFlags();
    Form.View->UpdateTrailFlags();
    Form.ShowFrameInfo();
    if (RunState == rsStopped) Form.View->DrawParticles();
    particles.OnCollision = [this](int i, int j) { CollisionDetected(i, j); };
    Form.SimData().Prepare();
    Form.View->Ready = true;
}

void TRunControl::CollisionDetected(int i, int j) {
    const TParticlesList& particles = Form.SimData().Particles;
    Form.SetPanel(1, CollisionTimeText(Form.SimData().Time));
    Form.Prompts().ShowNotice(
        &Form, ToQ("Collision between " + particles.Particles(i).Name + " and " +
                   particles.Particles(j).Name + " at t = " + FormatFixed(Form.SimData().Time, 2)));
    mmiStopClick();
}

void TRunControl::StepDrawn(bool left) {
    // Before the event processing below, in which a command may stop or rewind the run.
    ++StepsDone;
    Form.Extras->StepDrawn();
    if (!Pace.IsFullSpeed()) {
        // Paced: every step is shown; the events are processed while waiting for the next.
        Form.View->RefreshScene();
    } else if (left || StepCount % RefreshInterval == 0) {
        Form.View->RefreshScene();
        QCoreApplication::processEvents();
    }
    ++StepCount;
}

}  // namespace kinetra::ui
