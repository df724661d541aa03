// The view commands of the main window: zoom, pan, the axes, the trails and the centre-of-mass
// marker; each redraws the scene as the changed view shows it.
#include "ui/view/ViewCommands.h"

#include <QAction>
#include <QMenu>
#include <algorithm>
#include <climits>
#include <vector>

#include "engine/MotionFit.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "ui/document/Document.h"
#include "ui/document/RunClock.h"
#include "ui/document/UiText.h"
#include "ui/document/UndoCommands.h"
#include "ui/view/ViewMouse.h"

namespace kinetra::ui {

TViewCommands::TViewCommands(TDocument& document, TSceneView& scene, TUserPrompts& prompts, QWidget* window)
    : QObject(window), Document(document), Scene(scene), Clock(document.Clock()) {
    // The wheel, the drag and the hover over the drawing area, which owns the filter.
    Mouse = new TViewMouse(document, scene, *this, prompts, window);
    // A new view draws the trails of the selected particles.
    connect(&document, &TDocument::viewReset, this, [this] { emit trailModeChanged(tmSelected); });
    // Undo and redo of a view change draw the view put back.
    connect(&document, &TDocument::viewRestored, this, &TViewCommands::ViewChanged);
}

void TViewCommands::ChangeView(const QString& text, const std::function<bool()>& change, int mergeId) {
    const TFrameState before = CaptureFrame(Document.Frame());
    if (!change()) return;
    ViewChanged();
    Document.PushFrameChange(text, before, mergeId);
}

void TViewCommands::ViewChanged() {
    Scene.Clear();
    emit frameInfoChanged();
    Clock.Rewind();
    Scene.UpdateScreenPositions();
    Scene.RefreshScene();
}

void TViewCommands::sbZoomInClick() {
    ChangeView(QStringLiteral("Zoom in"), [this] {
        Document.Frame().Zoom(2);
        return true;
    });
}

void TViewCommands::sbZoomOutClick() {
    ChangeView(QStringLiteral("Zoom out"), [this] {
        Document.Frame().Zoom(0.5);
        return true;
    });
}

void TViewCommands::sbToggleClick() {
    ChangeView(QStringLiteral("Toggle axes"), [this] {
        Document.Frame().ToggleAxes();
        return true;
    });
}

void TViewCommands::FormKeyUp(int key) {
    if (!Document.HasSetup()) return;
    TScreenFrame& frame = Document.Frame();
    void (TScreenFrame::*pan)() = nullptr;
    switch (key) {
        case Qt::Key_Left:
            pan = &TScreenFrame::PanLeft;
            break;
        case Qt::Key_Up:
            pan = &TScreenFrame::PanUp;
            break;
        case Qt::Key_Right:
            pan = &TScreenFrame::PanRight;
            break;
        case Qt::Key_Down:
            pan = &TScreenFrame::PanDown;
            break;
        default:
            return;
    }
    // In a frame other than "Origin" the pan moves nothing, but the view is still redrawn and
    // the setup counts as changed.
    ChangeView(
        QStringLiteral("Pan"),
        [&frame, pan] {
            (frame.*pan)();
            return true;
        },
        TSetupChange::MergeArrows);
}

void TViewCommands::SetTrailMode(TTrailMode mode) {
    Scene.SetTrailMode(mode);
    Scene.UpdateTrailFlags();
    emit trailModeChanged(mode);
}

void TViewCommands::smiAllTrailsClick() {
    SetTrailMode(tmAll);
}

void TViewCommands::smiSelectedTrailsClick() {
    if (Scene.TrailMode() == tmAll && Document.RunState() != rsStopped) Scene.Clear();
    SetTrailMode(tmSelected);
}

void TViewCommands::smiNoTrailsClick() {
    if (Document.RunState() != rsStopped) Scene.Clear();
    SetTrailMode(tmNone);
}

void TViewCommands::mmiCenterOfMassClick(bool checked) {
    SetShowCenterOfMass(checked);
}

void TViewCommands::SetShowCenterOfMass(bool value) {
    Scene.ShowMarker(value);
    emit markerChanged(value);
}

// ---------------------------------------------------------------------------------------------
// Fit all and the mouse

bool TViewCommands::FitVisible() {
    // Where the visible particles will go, not only where they are: the box of their coming
    // motion as the frame sees it.
    const TSimData& sim = Document.Sim();
    const TParticlesList& particles = sim.Particles;
    TScreenFrame& frame = Document.Frame();
    int follow = &frame.Origin() == &particles.CenterOfMass() ? FollowCenterOfMass : FollowNothing;
    int radius = 0;
    for (int i = 0; i < particles.Count(); ++i) {
        const TParticle& p = particles.Particles(i);
        if (&frame.Origin() == &p.Position) follow = i;
        if (!p.Invisible) radius = std::max(radius, p.ImageSize);
    }
    const TMotionBox box = MotionExtent(sim, frame.XDim(), frame.YDim(), follow);
    if (box.Empty) return false;
    TVector low(sim.Dimensions), high(sim.Dimensions);
    low[frame.XDim()] = box.MinX;
    low[frame.YDim()] = box.MinY;
    high[frame.XDim()] = box.MaxX;
    high[frame.YDim()] = box.MaxY;
    return frame.FitAll({&low, &high}, radius);
}

void TViewCommands::mmiFitAllClick() {
    if (!Document.HasSetup()) return;
    ChangeView(QStringLiteral("Fit all"), [this] { return FitVisible(); });
}

bool TViewCommands::AnyVisible() const {
    const TParticlesList& particles = Document.Sim().Particles;
    for (int i = 0; i < particles.Count(); ++i)
        if (!particles.Particles(i).Invisible) return true;
    return false;
}

void TViewCommands::FitNewSetup() {
    if (!Document.HasSetup()) return;
    if (AnyVisible()) {
        mmiFitAllClick();
        return;
    }
    ChangeView(QStringLiteral("Fit all"), [this] {
        TScreenFrame& frame = Document.Frame();
        TVector low(Document.Sim().Dimensions), high(Document.Sim().Dimensions);
        low[frame.XDim()] = low[frame.YDim()] = -NewSetupField / 2;
        high[frame.XDim()] = high[frame.YDim()] = NewSetupField / 2;
        return frame.FitAll({&low, &high});
    });
}

void TViewCommands::Follow(int index) {
    TParticlesList& particles = Document.Sim().Particles;
    if (!Document.HasSetup() || index < 0 || index >= particles.Count()) return;
    TParticle& p = particles.Particles(index);
    ChangeView(QStringLiteral("Follow particle '%1'").arg(ToQ(p.Name)), [this, &p] {
        TScreenFrame& frame = Document.Frame();
        if (&frame.Origin() == &p.Position) return false;
        // As the frame settings do it: the name, then the chosen particle's place (the first of
        // two particles of one name would win by the name alone).
        frame.SetName(p.Name);
        frame.SetOrigin(p.Position);
        return true;
    });
}

QString TViewCommands::FollowedName() const {
    const TScreenFrame& frame = Document.Frame();
    if (frame.CanPan()) return {};
    return FollowedText(frame.Name(), &frame.Origin() == &Document.Sim().Particles.CenterOfMass());
}

void TViewCommands::FitAllIfNoneShown() {
    const TParticlesList& particles = Document.Sim().Particles;
    const TScreenFrame& frame = Document.Frame();
    bool anyVisible = false;
    for (int i = 0; i < particles.Count(); ++i) {
        const TParticle& p = particles.Particles(i);
        if (p.Invisible) continue;
        anyVisible = true;
        const TScreenPoint at = frame.WorldToScreen(p.Position);
        if (at.X >= 0 && at.X < frame.ClientWidth() && at.Y >= 0 && at.Y < frame.ClientHeight()) return;
    }
    if (anyVisible && FitVisible()) ViewChanged();
}

bool TViewCommands::HasSetup() const {
    return Document.HasSetup();
}

void TViewCommands::ZoomAt(double factor, QPoint pixel) {
    if (!Document.HasSetup()) return;
    ChangeView(
        QStringLiteral("Zoom"),
        [this, factor, pixel] {
            Document.Frame().ZoomAbout(factor, pixel.x(), pixel.y());
            return true;
        },
        TSetupChange::MergeWheel);
    // The point under the cursor stays only where the own origin can move.
    const QString followed = FollowedName();
    if (!followed.isEmpty()) Document.ShowHint(ZoomFollowsHint(followed));
}

void TViewCommands::RefusePan() {
    const QString followed = FollowedName();
    if (!followed.isEmpty()) Document.ShowHint(PanFollowsHint(followed));
}

void TViewCommands::PanBy(int dx, int dy) {
    if (!Document.HasSetup()) return;
    ChangeView(
        QStringLiteral("Pan"), [this, dx, dy] { return Document.Frame().PanPixels(dx, dy); },
        TSetupChange::MergeDrag);
}

QString TViewCommands::ParticleTip(QPoint pixel) const {
    return ParticleTipOf(ParticleAt(pixel));
}

bool TViewCommands::ParticleDisc(int index, QPoint& centre, int& radius) const {
    if (!Document.HasSetup()) return false;
    const TParticlesList& particles = Document.Sim().Particles;
    if (index < 0 || index >= particles.Count() ||
        Scene.ScreenPos().size() != static_cast<size_t>(particles.Count()))
        return false;
    const TParticle& p = particles.Particles(index);
    const TScreenPoint& corner = Scene.ScreenPos()[static_cast<size_t>(index)];
    if (p.Invisible || !corner.Visible || p.ImageSize < 1) return false;
    // The picture is a circle of radius ImageSize in a square whose corner is ScreenPos.
    radius = std::min(p.ImageSize, 1 << 20);
    centre = QPoint(
        static_cast<int>(std::clamp<long long>(static_cast<long long>(corner.X) + radius, INT_MIN, INT_MAX)),
        static_cast<int>(std::clamp<long long>(static_cast<long long>(corner.Y) + radius, INT_MIN, INT_MAX)));
    return true;
}

int TViewCommands::ParticleAt(QPoint pixel) const {
    // The last drawn lies on top.
    for (int i = Document.Sim().Particles.Count() - 1; i >= 0; --i) {
        QPoint centre;
        int radius = 0;
        if (!ParticleDisc(i, centre, radius)) continue;
        // A tiny picture still answers within 3 pixels of its centre.
        const double dx = double(pixel.x()) - centre.x();
        const double dy = double(pixel.y()) - centre.y();
        const double reach = std::max(radius, 3);
        if (dx * dx + dy * dy <= reach * reach) return i;
    }
    return -1;
}

QString TViewCommands::ParticleTipOf(int index) const {
    const TParticlesList& particles = Document.Sim().Particles;
    if (index < 0 || index >= particles.Count()) return {};
    const TParticle& p = particles.Particles(index);
    const auto number = [](double v) { return QString::number(v, 'g', 5); };
    const auto& axes = Document.Frame().AxisNames();
    QString position, velocity;
    for (int d = 0; d < p.Position.Count() && d < static_cast<int>(axes.size()); ++d) {
        const QString axis = QString::fromStdString(axes[static_cast<size_t>(d)]);
        const QString gap = d == 0 ? QString() : QStringLiteral(", ");
        position += gap + axis + QStringLiteral(" = ") + number(p.Position[d]);
        velocity += gap + QStringLiteral("v") + axis + QStringLiteral(" = ") + number(p.Velocity[d]);
    }
    return QString::fromStdString(p.Name) + QStringLiteral("\nmass: ") + number(p.Mass) +
           QStringLiteral("\ncharge: ") + number(p.Charge()) + QStringLiteral("\n") + position +
           QStringLiteral("\n") + velocity;
}

QString TViewCommands::ParticleName(int index) const {
    const TParticlesList& particles = Document.Sim().Particles;
    return index >= 0 && index < particles.Count() ? QString::fromStdString(particles.Particles(index).Name)
                                                   : QString();
}

void TViewCommands::FollowTip() {
    Mouse->FollowTip();
}

}  // namespace kinetra::ui
