// The run clock: ticks on the event loop, the pace, and the outcomes of a step.
#include "ui/document/RunClock.h"

#include <QTimer>
#include <algorithm>
#include <optional>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "ui/document/Document.h"

namespace kinetra::ui {

namespace {

// A paced tick performs the steps due for at most this long before the events get their turn.
constexpr auto PacedTickTime = std::chrono::milliseconds(8);

}  // namespace

TRunClock::TRunClock(TDocument& document, QObject* parent)
    : QObject(parent), Document(document), FTimer(new QTimer(this)) {
    FTimer->setSingleShot(true);
    FTimer->setTimerType(Qt::PreciseTimer);
    connect(FTimer, &QTimer::timeout, this, &TRunClock::Tick);
    // A drag moved a particle of the stopped setup: it is prepared once the run starts.
    connect(&document, &TDocument::initialStateChanged, this, [this] { FNeedsPrepare = true; });
}

bool TRunClock::Running() const {
    return Document.RunState() == rsRunning;
}

void TRunClock::Direct(int direction) {
    TSimData& sim = Document.Sim();
    if ((direction > 0 && sim.SignedStep < 0) || (direction < 0 && sim.SignedStep > 0)) sim.Reverse();
}

void TRunClock::PrepareIfNeeded() {
    if (!FNeedsPrepare) return;
    FNeedsPrepare = false;
    ++FPrepares;
    Document.HookCollisions();
    Document.Sim().Prepare();
}

void TRunClock::Start(int direction) {
    // A run already going on turns round and goes on.
    if (Running()) {
        Direct(direction);
        return;
    }
    PrepareIfNeeded();
    Direct(direction);
    Document.SetRunState(rsRunning);
    FPace.Restart();
    StopMeasuring();
    RefreshGate.SetInterval(ScreenFrameInterval(FWindow));
    // The first tick comes with the command, as the first step is due at once; what the user
    // does next is handled after it.
    Tick();
}

void TRunClock::Pause() {
    if (!Running()) return;
    FTimer->stop();
    Document.SetRunState(rsPaused);
    StopMeasuring();
    // The picture and the status show the last of the paced steps.
    if (FRefreshPending) RefreshNow();
}

void TRunClock::SingleStep(int direction) {
    FTimer->stop();
    StopMeasuring();
    PrepareIfNeeded();
    Direct(direction);
    Document.SetRunState(rsPaused);
    Document.ClearCollision();
    try {
        Document.Sim().Step();
    } catch (const EAbort&) {
        const TDocument::TCollision collision = Document.LastCollision();
        if (!collision.Happened) throw;
        emit collided(collision.First, collision.Second, collision.Time);
        Stop(StopCollision);
        return;
    }
    // Paced steps before this one may have drawn trails that no refresh has shown yet.
    FRefreshPending = false;
    emit refreshDue(!FPace.IsFullSpeed());
}

void TRunClock::Stop(TStopReason reason) {
    FTimer->stop();
    StopMeasuring();
    emit stopping();
    Document.SetRunState(rsStopped);
    Rewind();
    emit stopped(reason);
}

void TRunClock::Rewind() {
    if (Running()) return;
    const bool rewinding = Document.RunState() != rsPaused;
    if (rewinding) {
        FStepCount = 0;
        FStepsDone = 0;
        // The rewound picture is drawn anew; nothing of the steps before is to be shown.
        FRefreshPending = false;
        const int n = Document.Sim().Particles.Count();
        FRefreshInterval = n == 0 ? 100 : std::max(1, (100 / (10 * n)) * 10);
        Document.Sim().Rewind();
    }
    FNeedsPrepare = true;
    Document.HookCollisions();
    emit shownAnew(rewinding);
    if (rewinding) emit rewound();
}

void TRunClock::Hold() {
    ++FHolds;
    FTimer->stop();
}

void TRunClock::Release() {
    if (FHolds == 0) return;
    if (--FHolds > 0 || !Running()) return;
    // The time the dialog held the run is not made up for.
    FPace.Restart();
    StopMeasuring();
    Arm();
}

void TRunClock::SetPaceLevel(int level) {
    FPace.SetLevel(level);
    if (Running() && !Held()) Arm();
}

void TRunClock::Arm() {
    if (FPace.IsFullSpeed()) {
        // One timer that fires whenever the event loop is idle, kept running from tick to tick.
        if (FTimer->isActive() && !FTimer->isSingleShot() && FTimer->interval() == 0) return;
        FTimer->setSingleShot(false);
        FTimer->start(0);
        return;
    }
    const auto wait = FPace.TimeUntilDue();
    FTimer->setSingleShot(true);
    FTimer->start(std::chrono::ceil<std::chrono::milliseconds>(wait));
}

bool TRunClock::TakeStep() {
    TSimData& sim = Document.Sim();
    Document.ClearCollision();
    try {
        sim.Step();
        FPace.StepDone();
        return true;
    } catch (const EAbort&) {
        const TDocument::TCollision collision = Document.LastCollision();
        if (collision.Happened) {
            // No tick comes while the rooms report it.
            FTimer->stop();
            emit collided(collision.First, collision.Second, collision.Time);
            Stop(StopCollision);
            return false;
        }
        Stop(StopError);
    } catch (const EKNError& e) {
        const QString message = QString::fromStdString(e.what());
        emit failed(message);
        Stop(StopError);
    } catch (const EMathError&) {
        // The energies of the reached state (the recording asks for them after each step)
        // cannot be computed: a failed step.
        emit failed(QString::fromUtf8(MsgCoordinateOutOfRange));
        Stop(StopError);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        Stop(StopError);
        if (OnUnhandled) OnUnhandled(error);
    }
    return false;
}

void TRunClock::Tick() {
    // The run ended by a change of the run state alone (Open, closing the window).
    if (!Running() || Held()) {
        FTimer->stop();
        return;
    }
    ++FTicks;
    using TClock = TPace::TClock;
    const auto start = TClock::now();
    if (FPace.IsFullSpeed()) {
        // Until the refresh that the schedule asks for, or about one frame of the screen.
        const auto frame = RefreshGate.Interval();
        FRefreshed = false;
        do {
            if (!TakeStep()) return;
        } while (Running() && !Held() && !FRefreshed && TClock::now() - start < frame);
    } else {
        if (!FPace.IsDue()) {
            Arm();
            return;
        }
        do {
            if (!TakeStep()) return;
        } while (Running() && !Held() && FPace.IsDue() && TClock::now() - start < PacedTickTime);
        MeasureRate();
    }
    if (Running() && !Held()) Arm();
}

void TRunClock::StepDrawn(bool left) {
    ++FStepsDone;
    emit stepTaken();
    if (!FPace.IsFullSpeed()) {
        // Paced: every step is drawn, the refresh follows the screen's.
        FRefreshPending = true;
        if (RefreshGate.Pass()) RefreshNow();
    } else if (left || FStepCount % FRefreshInterval == 0) {
        FRefreshPending = false;
        FRefreshed = true;
        emit refreshDue(false);
    }
    ++FStepCount;
}

void TRunClock::RefreshNow() {
    FRefreshPending = false;
    emit refreshDue(true);
}

void TRunClock::MeasureRate() {
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

void TRunClock::StopMeasuring() {
    if (FMeasuredLevel >= 0) emit rateMeasured(-1);
    FMeasuredLevel = -1;
}

}  // namespace kinetra::ui
