// The view commands of the main window: zoom, pan, the axes, the trails and the centre-of-mass
// marker; each redraws the scene as the changed view shows it.
#include "ui/window/ViewCommands.h"

#include <QAction>
#include <QMenu>
#include <algorithm>
#include <climits>
#include <vector>

#include "engine/MotionFit.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "ui/run/RunControl.h"
#include "ui/scene/SceneView.h"
#include "ui/setup/SetupCommands.h"
#include "ui/window/ViewMouse.h"

namespace kinetra::ui {

TViewCommands::TViewCommands(TSimForm& form) : Form(form) {
    // The wheel, the drag and the hover over the drawing area, which owns the filter.
    Mouse = new TViewMouse(form, *this);
}

void TViewCommands::ViewChanged() {
    Form.View->Clear();
    Form.ShowFrameInfo();
    Form.Run->PrepareScene();
    Form.View->UpdateScreenPositions();
    Form.View->RefreshScene();
    Form.Setup->Modified = true;
    Form.UpdateCommands();
}

void TViewCommands::sbZoomInClick() {
    Form.ScreenFrame().Zoom(2);
    ViewChanged();
}

void TViewCommands::sbZoomOutClick() {
    Form.ScreenFrame().Zoom(0.5);
    ViewChanged();
}

void TViewCommands::sbToggleClick() {
    Form.ScreenFrame().ToggleAxes();
    ViewChanged();
}

void TViewCommands::FormKeyUp(int key) {
    if (Form.Run->RunState == rsNoSetup) return;
    switch (key) {
        case Qt::Key_Left:
            Form.ScreenFrame().PanLeft();
            break;
        case Qt::Key_Up:
            Form.ScreenFrame().PanUp();
            break;
        case Qt::Key_Right:
            Form.ScreenFrame().PanRight();
            break;
        case Qt::Key_Down:
            Form.ScreenFrame().PanDown();
            break;
        default:
            return;
    }
    // In a frame other than "Origin" the pan moves nothing, but the view is still redrawn.
    ViewChanged();
}

void TViewCommands::smiAllTrailsClick() {
    Form.smiAllTrails->setChecked(true);
    Form.View->TrailMode = tmAll;
    Form.View->UpdateTrailFlags();
}

void TViewCommands::smiSelectedTrailsClick() {
    Form.smiSelectedTrails->setChecked(true);
    if (Form.View->TrailMode == tmAll && Form.Run->RunState != rsStopped) Form.View->Clear();
    Form.View->TrailMode = tmSelected;
    Form.View->UpdateTrailFlags();
}

void TViewCommands::smiNoTrailsClick() {
    Form.smiNoTrails->setChecked(true);
    if (Form.Run->RunState != rsStopped) Form.View->Clear();
    Form.View->TrailMode = tmNone;
    Form.View->UpdateTrailFlags();
}

void TViewCommands::mmiCenterOfMassClick() {
    SetShowCenterOfMass(Form.mmiCenterOfMass->isChecked());
}

void TViewCommands::SetShowCenterOfMass(bool value) {
    Form.mmiCenterOfMass->setChecked(value);
    Form.View->ShowMarker(value);
}

// ---------------------------------------------------------------------------------------------
// Fit all and the mouse

void TViewCommands::AddFitAll(QMenu* menu) {
    Form.mmiFitAll = Form.NewAction(QStringLiteral("&Fit all"), [this] { mmiFitAllClick(); });
    Form.mmiFitAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    Form.mmiFitAll->setToolTip(QStringLiteral("Fit every visible particle on screen"));
    Form.mmiFitAll->setStatusTip(Form.mmiFitAll->toolTip());
    menu->setToolTipsVisible(true);
    menu->addAction(Form.mmiFitAll);
}

bool TViewCommands::FitVisible() {
    // Where the visible particles will go, not only where they are: the box of their coming
    // motion as the frame sees it.
    const TSimData& sim = Form.SimData();
    const TParticlesList& particles = sim.Particles;
    TScreenFrame& frame = Form.ScreenFrame();
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
    if (Form.Run->RunState == rsNoSetup) return;
    if (FitVisible()) ViewChanged();
}

void TViewCommands::FitAllIfNoneShown() {
    const TParticlesList& particles = Form.SimData().Particles;
    const TScreenFrame& frame = Form.ScreenFrame();
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
    return Form.Run->RunState != rsNoSetup;
}

void TViewCommands::ZoomAt(double factor, QPoint pixel) {
    if (Form.Run->RunState == rsNoSetup) return;
    Form.ScreenFrame().ZoomAbout(factor, pixel.x(), pixel.y());
    ViewChanged();
}

void TViewCommands::PanBy(int dx, int dy) {
    if (Form.Run->RunState == rsNoSetup) return;
    if (Form.ScreenFrame().PanPixels(dx, dy)) ViewChanged();
}

QString TViewCommands::ParticleTip(QPoint pixel) const {
    return ParticleTipOf(ParticleAt(pixel));
}

bool TViewCommands::ParticleDisc(int index, QPoint& centre, int& radius) const {
    if (Form.Run->RunState == rsNoSetup) return false;
    const TSceneView& view = *Form.View;
    const TParticlesList& particles = Form.SimData().Particles;
    if (index < 0 || index >= particles.Count() ||
        view.ScreenPos.size() != static_cast<size_t>(particles.Count()))
        return false;
    const TParticle& p = particles.Particles(index);
    const TScreenPoint& corner = view.ScreenPos[static_cast<size_t>(index)];
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
    for (int i = Form.SimData().Particles.Count() - 1; i >= 0; --i) {
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
    const TParticlesList& particles = Form.SimData().Particles;
    if (index < 0 || index >= particles.Count()) return {};
    const TParticle& p = particles.Particles(index);
    const auto number = [](double v) { return QString::number(v, 'g', 5); };
    const auto& axes = Form.ScreenFrame().AxisNames();
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
    const TParticlesList& particles = Form.SimData().Particles;
    return index >= 0 && index < particles.Count() ? QString::fromStdString(particles.Particles(index).Name)
                                                   : QString();
}

void TViewCommands::FollowTip() {
    Mouse->FollowTip();
}

}  // namespace kinetra::ui
