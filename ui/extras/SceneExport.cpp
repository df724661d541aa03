// The exports of the scene from the window (see SceneExport.h).
#include "ui/extras/SceneExport.h"

#include <QPainter>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <sstream>

#include "engine/SimulationData.h"
#include "frame/FramedSim.h"
#include "ui/document/Document.h"
#include "ui/scene/SceneMarks.h"
#include "ui/scene/SceneView.h"

namespace kinetra::ui {

namespace {

const TSceneOverlay* OverlayOf(const TSceneView& scene) {
    for (QObject* child : scene.children())
        if (const auto* overlay = dynamic_cast<const TSceneOverlay*>(child)) return overlay;
    return nullptr;
}

}  // namespace

std::unique_ptr<TFramedSim> CopyOfSetup(TDocument& document, bool fromStart) {
    TSimData& sim = document.Sim();
    std::stringstream text;
    sim.SaveToStream(text);
    auto copy = std::make_unique<TFramedSim>();
    copy->Sim().FileName = sim.FileName;
    copy->Sim().LoadFromStream(text);
    TSimData& other = copy->Sim();
    if (!fromStart && other.Particles.Count() == sim.Particles.Count()) {
        for (int i = 0; i < sim.Particles.Count(); ++i) {
            other.Particles.Particles(i).Position = sim.Particles.Particles(i).Position;
            other.Particles.Particles(i).Velocity = sim.Particles.Particles(i).Velocity;
        }
        other.Time = sim.Time;
        if (sim.SignedStep < 0) other.SignedStep = -other.TimeStep;
        if (other.Particles.TotalMass != 0) other.Particles.UpdateCenterOfMass();
    }
    return copy;
}

TSceneLook WindowLook(const TSceneView& scene, const TBurnins& burnins) {
    TSceneLook look = DefaultAnimationLook();
    look.Palette = scene.palette();
    look.Trails = scene.TrailMode() == tmNone  ? TRenderTrails::None
                  : scene.TrailMode() == tmAll ? TRenderTrails::All
                                               : TRenderTrails::Selected;
    look.CenterOfMass = scene.ShowCenterOfMass();
    // The arrows and signs go into the picture with their legend.
    if (const TSceneOverlay* overlay = OverlayOf(scene); overlay && burnins.Legend) {
        look.VelocityArrows = overlay->VelocityArrows();
        look.ForceArrows = overlay->ForceArrows();
        look.ChargeSigns = overlay->ChargeSigns();
    }
    look.Burnins = burnins;
    return look;
}

QImage ExportedPicture(TDocument& document, const TSceneView& scene, QSize size, double factor,
                       const TBurnins& burnins) {
    QImage screen = scene.SceneImage();
    if (size == screen.size() && factor == 1) {
        // The drawing area as the screen shows it, with the burn-ins over it.
        if (burnins.Any()) {
            QPainter painter(&screen);
            DrawMarksAndBurnins(painter, screen.size(), document.Sim(), document.Frame(),
                                WindowLook(scene, burnins));
        }
        return screen;
    }
    std::unique_ptr<TFramedSim> copy = CopyOfSetup(document, false);
    if (factor != 1) copy->Frame().SetScale(copy->Frame().Scale() * factor);
    TSceneRenderer renderer(copy->Sim(), copy->Frame(), size, WindowLook(scene, burnins));
    if (const QImage* trails = scene.TrailImage(); trails && scene.AnyTrails())
        renderer.AddTrails(*trails, factor);
    return renderer.Picture();
}

// ---------------------------------------------------------------------------------------------

TAnimationExport::TAnimationExport(QWidget* window)
    : QObject(window), Window(window), PollTimer(new QTimer(this)) {
    PollTimer->setInterval(100);
    connect(PollTimer, &QTimer::timeout, this, &TAnimationExport::Poll);
}

TAnimationExport::~TAnimationExport() {
    CancelWanted = true;
    if (Worker.joinable()) Worker.join();
}

void TAnimationExport::Start(std::unique_ptr<TFramedSim> setup, const std::string& fileName,
                             TAnimationSettings settings) {
    if (Busy()) return;
    Setup = std::move(setup);
    CancelWanted = false;
    Finished = false;
    Permille = 0;
    FramesDone = 0;
    Error.clear();
    Note.clear();
    if (!FProgress) {
        FProgress = new QProgressDialog(QStringLiteral("Writing the animation..."), QStringLiteral("Cancel"),
                                        0, 1000, Window);
        FProgress->setWindowTitle(QStringLiteral("Export animation"));
        FProgress->setWindowModality(Qt::WindowModal);
        FProgress->setMinimumDuration(0);
        FProgress->setAutoClose(false);
        FProgress->setAutoReset(false);
        connect(FProgress, &QProgressDialog::canceled, this, &TAnimationExport::Cancel);
    }
    FProgress->setValue(0);
    FProgress->show();
    TFramedSim* sim = Setup.get();
    Worker = std::thread([this, sim, fileName, settings = std::move(settings)] {
        try {
            const TAnimationResult result =
                RenderAnimation(*sim, fileName, settings, [this](const TAnimationProgress& p) {
                    Permille = static_cast<int>(std::lround(1000 * p.Done));
                    FramesDone = p.Frame;
                    return !CancelWanted.load();
                });
            if (!result.StoppedBy.empty())
                Note = QString::fromStdString("The animation ends early: " + result.StoppedBy);
        } catch (const EAnimationCancelled&) {
            Error = QStringLiteral("Cancelled");
        } catch (const std::exception& e) {
            Error = QString::fromStdString(e.what());
        } catch (...) {
            Error = QStringLiteral("The animation could not be written");
        }
        Finished = true;
    });
    PollTimer->start();
}

void TAnimationExport::Poll() {
    if (FProgress) {
        FProgress->setValue(std::clamp(Permille.load(), 0, 999));
        FProgress->setLabelText(QStringLiteral("Writing the animation: %1 pictures").arg(FramesDone.load()));
    }
    if (Finished) Done();
}

void TAnimationExport::Done() {
    PollTimer->stop();
    if (Worker.joinable()) Worker.join();
    Setup.reset();
    if (FProgress) FProgress->hide();
    emit finished(Error, Note);
}

}  // namespace kinetra::ui
