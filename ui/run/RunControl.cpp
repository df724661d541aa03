// The run control of the main window: the run states, the run loop and its commands.
#include "ui/run/RunControl.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <optional>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "ui/dialogs/Prompts.h"
#include "ui/document/UiText.h"
#include "ui/scene/SceneView.h"

namespace kinetra::ui {

TRunControl::TRunControl(TDocument& document, TSceneView& scene, TUserPrompts& prompts, QWidget* window)
    : QObject(window),
      Document(document),
      Scene(scene),
      Prompts(prompts),
      Window(window),
      PaceTimer(new QTimer(this)) {
    PaceTimer->setSingleShot(true);
    PaceTimer->setTimerType(Qt::PreciseTimer);
    connect(&document, &TDocument::collision, this, &TRunControl::CollisionDetected);
    connect(&scene, &TSceneView::stepDrawn, this, &TRunControl::StepDrawn);
}

void TRunControl::mmiStartClick() {
    if (Document.Sim().SignedStep < 0) Document.Sim().Reverse();
    Resume();
}

void TRunControl::sbBackClick() {
    if (Document.Sim().SignedStep > 0) Document.Sim().Reverse();
    Resume();
}

void TRunControl::Resume() {
    if (Document.RunState() == rsRunning) return;
    if (FLoopDepth == 0) {
        RunLoop();
        return;
    }
    // Given inside the event processing of the loop (after the options dialog, or Pause and
    // Run in one go): that loop tests RunState as soon as control is back and goes on. A loop
    // entered here would nest one more for every such resume, until the stack ran out.
    Document.SetRunState(rsRunning);
    SetPanel(0, QStringLiteral("Running"));
    FPace.Restart();
    StopMeasuring();
}

void TRunControl::sbStepClick() {
    if (Document.Sim().SignedStep < 0) Document.Sim().Reverse();
    SingleStep();
}

void TRunControl::sbStepBackClick() {
    if (Document.Sim().SignedStep > 0) Document.Sim().Reverse();
    SingleStep();
}

void TRunControl::RunLoop() {
    Document.SetRunState(rsRunning);
    SetPanel(0, QStringLiteral("Running"));
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
        // changing the run state.
        FPace.Restart();
        StopMeasuring();
        RefreshGate.SetInterval(ScreenFrameInterval(Window));
        while (Document.RunState() == rsRunning && WaitForPace()) {
            if (FPace.IsFullSpeed()) {
                Document.Sim().Step();
                FPace.StepDone();
            } else {
                StepsDue();
            }
        }
        // Paused after paced steps: the picture and the status show the last one.
        if (FRefreshPending && Document.RunState() == rsPaused) RefreshNow();
        FRefreshPending = false;
        StopMeasuring();
    } catch (const EKNError& e) {
        Prompts.ShowMessage(Window, QString::fromStdString(e.what()));
        mmiStopClick();
    } catch (const EMathError&) {
        // The energies of the reached state (the recording asks for them after each step)
        // cannot be computed: a failed step.
        Prompts.ShowMessage(Window, QString::fromUtf8(MsgCoordinateOutOfRange));
        mmiStopClick();
    } catch (...) {
        mmiStopClick();
        throw;
    }
}

void TRunControl::StepsDue() {
    using TClock = TPace::TClock;
    // Events are processed between groups of steps at least this often.
    constexpr auto GroupTime = std::chrono::milliseconds(8);
    const auto start = TClock::now();
    do {
        Document.Sim().Step();
        FPace.StepDone();
    } while (Document.RunState() == rsRunning && FPace.IsDue() && TClock::now() - start < GroupTime);
    MeasureRate();
}

void TRunControl::MeasureRate() {
    const auto now = TPace::TClock::now();
    if (FMeasuredLevel != FPace.Level()) {
        // A new pace: what the old one achieved says nothing about it.
        if (FMeasuredLevel >= 0) emit rateMeasured(-1);
        FMeasuredLevel = FPace.Level();
        FMeter.Restart(FPace.Interval());
        FLastReport = now;
    }
    FMeter.Mark(FStepsDone);
    if (now - FLastReport < std::chrono::seconds(1)) return;
    FLastReport = now;
    if (const std::optional<double> rate = FMeter.Rate()) emit rateMeasured(*rate);
}

void TRunControl::StopMeasuring() {
    if (FMeasuredLevel >= 0) emit rateMeasured(-1);
    FMeasuredLevel = -1;
}

void TRunControl::RefreshNow() {
    FRefreshPending = false;
    Scene.RefreshScene(true);
}

bool TRunControl::WaitForPace() {
    if (FPace.IsFullSpeed()) return true;
    // Also when the step is due at once: commands are never starved by a fast pace.
    QCoreApplication::processEvents();
    for (;;) {
        if (Document.RunState() != rsRunning) return false;
        const auto wait = FPace.TimeUntilDue();
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
    Document.SetRunState(rsPaused);
    Document.Sim().Step();
    // Run given in this step's event processing during a run: the run goes on around it.
    if (Document.RunState() == rsRunning) return;
    SetPanel(0, QStringLiteral("Paused"));
    // Paced steps before this one may have drawn trails that no refresh has shown yet.
    Scene.RefreshScene(!FPace.IsFullSpeed());
    FRefreshPending = false;
}

void TRunControl::mmiPauseClick() {
    if (Document.RunState() != rsRunning) return;
    Document.SetRunState(rsPaused);
    SetPanel(0, QStringLiteral("Paused"));
    // The command that pauses (the options dialog) may hold the loop for long before it sees
    // the pause: the paced steps not yet refreshed are shown now.
    if (FRefreshPending) RefreshNow();
}

void TRunControl::mmiStopClick() {
    emit stopping();
    Document.SetRunState(rsStopped);
    SetPanel(0, QStringLiteral("Stopped"));
    PrepareScene();
    SetPanel(1, TimeText(Document.Sim().Time));
}

void TRunControl::PrepareScene() {
    if (Document.RunState() == rsRunning) return;
    TParticlesList& particles = Document.Sim().Particles;
    if (Document.RunState() != rsPaused) {
        FStepCount = 0;
        FStepsDone = 0;
        // The rewound picture is drawn below; nothing of the steps before is to be shown.
        FRefreshPending = false;
        const int n = particles.Count();
        FRefreshInterval = n == 0 ? 100 : std::max(1, (100 / (10 * n)) * 10);
        Document.Sim().Rewind();
        Scene.Rewind();
        emit rewound();
    }
    Scene.UpdateInvisibleFlags();
    Scene.UpdateTrailFlags();
    emit frameInfoChanged();
    if (Document.RunState() == rsStopped) Scene.DrawParticles();
    Document.HookCollisions();
    Document.Sim().Prepare();
    Scene.SetReady(true);
}

void TRunControl::CollisionDetected(int i, int j) {
    const TParticlesList& particles = Document.Sim().Particles;
    SetPanel(1, CollisionTimeText(Document.Sim().Time));
    Prompts.ShowNotice(Window,
                       ToQ("Collision between " + particles.Particles(i).Name + " and " +
                           particles.Particles(j).Name + " at t = " + FormatFixed(Document.Sim().Time, 2)));
    mmiStopClick();
}

void TRunControl::StepDrawn(bool left) {
    // Before the event processing below, in which a command may stop or rewind the run.
    ++FStepsDone;
    emit stepDrawn();
    if (!FPace.IsFullSpeed()) {
        // Paced: every step is drawn, the refresh follows the screen's; the events are
        // processed while waiting for the next step.
        FRefreshPending = true;
        if (RefreshGate.Pass()) RefreshNow();
    } else if (left || FStepCount % FRefreshInterval == 0) {
        Scene.RefreshScene();
        QCoreApplication::processEvents();
    }
    ++FStepCount;
}

}  // namespace kinetra::ui
