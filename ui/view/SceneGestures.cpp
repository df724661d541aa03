// The mouse on the particles of the drawing area: select, follow, the menus, move, aim, place.
#include "ui/view/SceneGestures.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <cmath>

#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "ui/dialogs/Prompts.h"
#include "ui/document/Document.h"
#include "ui/document/UiText.h"
#include "ui/scene/SceneMarks.h"
#include "ui/scene/SceneView.h"
#include "ui/view/BodyCommands.h"
#include "ui/view/ViewCommands.h"

namespace kinetra::ui {

TSceneGestures::TSceneGestures(TDocument& document, TSceneView& scene, TViewCommands& views,
                               TBodyCommands& bodies, TSceneOverlay& overlay, TUserPrompts& prompts,
                               QWidget* window)
    : QObject(&scene),
      Document(document),
      Scene(scene),
      Views(views),
      Bodies(bodies),
      Overlay(overlay),
      Prompts(prompts),
      Window(window) {
    scene.installEventFilter(this);
    connect(&document, &TDocument::selectionChanged, this,
            [this](int particle) { Overlay.SetSelected(particle); });
    connect(&document, &TDocument::runStateChanged, this, [this] {
        if (!Document.HasSetup()) SetPlacing(false);
    });
}

void TSceneGestures::Guard(const std::function<void()>& command) {
    RunGuarded(Prompts, Window, command);
}

void TSceneGestures::SetPlacing(bool on) {
    on = on && Document.HasSetup();
    if (on == FPlacing) return;
    FPlacing = on;
    JustPlaced = -1;
    if (on) {
        Scene.setCursor(Qt::CrossCursor);
        Document.ShowHint(Document.RunState() == rsStopped
                              ? QStringLiteral("Click places a body, drag aims it, Esc ends")
                              : QString::fromUtf8(HintStopToMove));
    } else {
        Scene.unsetCursor();
    }
    emit placingChanged(on);
}

void TSceneGestures::EscapeKey() {
    if (Pending != TDrag::None) {
        // Put back, unless a run has begun with the particles as the drag left them.
        if (Started && Bodies.Dragging()) {
            if (Document.RunState() == rsStopped)
                Bodies.CancelDrag();
            else
                FinishDrag(Pending);
        }
        EndAim();
        Pending = TDrag::None;
        return;
    }
    if (FPlacing) {
        SetPlacing(false);
        return;
    }
    Document.SetSelected(-1);
}

void TSceneGestures::DeleteKey() {
    if (Document.Selected() >= 0 && Pending == TDrag::None) Bodies.Delete(Document.Selected());
}

bool TSceneGestures::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &Scene) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->position().toPoint();
            if (mouse->button() == Qt::RightButton) {
                if (!Document.HasSetup()) return false;
                Guard([&] { ContextMenu(at, mouse->globalPosition().toPoint()); });
                return true;
            }
            if (mouse->button() != Qt::LeftButton) return false;
            bool taken = false;
            Guard([&] { taken = Press(at, mouse->modifiers()); });
            return taken;
        }
        case QEvent::MouseMove: {
            if (Pending == TDrag::None) return false;
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            Guard([&] { Move(at); });
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (Pending == TDrag::None || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
                return false;
            Guard([&] { Release(); });
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            bool taken = false;
            Guard([&] { taken = DoubleClick(mouse->position().toPoint()); });
            return taken;
        }
        case QEvent::ContextMenu: {
            // The right button opens the menus on its press; the menu key opens them here.
            const auto* menu = static_cast<QContextMenuEvent*>(event);
            if (menu->reason() != QContextMenuEvent::Mouse && Document.HasSetup()) {
                QPoint at = menu->pos();
                QPoint centre;
                int radius = 0;
                if (Views.ParticleDisc(Document.Selected(), centre, radius)) at = centre;
                Guard([&] { ContextMenu(at, Scene.mapToGlobal(at)); });
            }
            return true;
        }
        default:
            return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Press, move, release

bool TSceneGestures::Press(QPoint at, Qt::KeyboardModifiers modifiers) {
    if (!Document.HasSetup()) return false;
    Pending = TDrag::None;
    Started = false;
    PressAt = at;
    // Only the double-click whose first click placed a particle leaves that particle alone.
    JustPlaced = -1;
    const int tip = ArrowTipAt(at);
    const int body = tip >= 0 ? -1 : Views.ParticleAt(at);
    if (tip >= 0 || body >= 0) {
        Target = tip >= 0 ? tip : body;
        Document.SetSelected(Target);
        Pending = tip >= 0 || (modifiers & Qt::ShiftModifier) ? TDrag::Aim : TDrag::Move;
        if (Pending == TDrag::Aim) {
            QPoint centre;
            int radius = 0;
            Views.ParticleDisc(Target, centre, radius);
            AimFrom = centre;
            TipOffset = QPointF();
            if (tip >= 0)
                for (const TArrow& a : Overlay.Marks().Velocity.Arrows)
                    if (a.Particle == tip) TipOffset = QPointF(at) - a.Line.p2();
        }
        return true;
    }
    if (!FPlacing) {
        // Empty space: the selection goes, and the view's mouse may pan.
        Document.SetSelected(-1);
        return false;
    }
    if (!Bodies.Changeable(HintStopToMove)) {
        Pending = TDrag::Refused;
        return true;
    }
    // The particle is placed at once; a drag from here gives it its velocity.
    Bodies.BeginDrag();
    Target = Bodies.AddAt(at);
    if (Target < 0) {
        Bodies.CancelDrag();
        return true;
    }
    JustPlaced = Target;
    Document.SetSelected(Target);
    Pending = TDrag::Place;
    Started = true;
    AimFrom = at;
    TipOffset = QPointF();
    AimPixelsPerUnit = AimScale();
    FrameVelocityAtStart = FrameVelocity(Document.Sim(), Document.Frame());
    return true;
}

bool TSceneGestures::StartDrag() {
    if (!Bodies.Changeable(HintStopToMove)) return false;
    if (Target < 0 || Target >= Document.Sim().Particles.Count()) return false;
    const TParticle& p = Document.Sim().Particles.Particles(Target);
    if (Pending == TDrag::Aim) {
        AimPixelsPerUnit = AimScale();
        FrameVelocityAtStart = FrameVelocity(Document.Sim(), Document.Frame());
    } else {
        StartPosition.assign(static_cast<size_t>(p.InitialPosition.Count()), 0);
        for (int d = 0; d < p.InitialPosition.Count(); ++d)
            StartPosition[static_cast<size_t>(d)] = p.InitialPosition[d];
    }
    Bodies.BeginDrag(
        ParticleCommandText(Pending == TDrag::Aim ? "Velocity of particle" : "Move particle", p.Name));
    return true;
}

void TSceneGestures::Move(QPoint at) {
    if (Pending == TDrag::Refused) return;
    if (!Started) {
        if ((at - PressAt).manhattanLength() < DragThreshold) return;
        Started = true;
        if (!StartDrag()) {
            Pending = TDrag::Refused;
            return;
        }
    }
    // Undo or a new setup took the drag's particles away.
    if (!Bodies.Dragging() || Target >= Document.Sim().Particles.Count()) {
        EndAim();
        Pending = TDrag::Refused;
        return;
    }
    // A run began (its key pressed during the drag) with the particles as the drag left them:
    // the drag ends there, as one command.
    if (Document.RunState() != rsStopped) {
        FinishDrag(Pending);
        Pending = TDrag::Refused;
        return;
    }
    if (Pending == TDrag::Aim || Pending == TDrag::Place) {
        Aim(at);
        return;
    }
    // Moved by the mouse's way in the two screen dimensions; the others stay.
    const TScreenFrame& frame = Document.Frame();
    const TParticle& p = Document.Sim().Particles.Particles(Target);
    TVector position(p.InitialPosition.Count());
    for (int d = 0; d < position.Count(); ++d) position[d] = StartPosition[static_cast<size_t>(d)];
    const double dx = at.x() - PressAt.x();
    const double dy = at.y() - PressAt.y();
    position[frame.XDim()] = StartPosition[static_cast<size_t>(frame.XDim())] + dx / frame.Scale();
    if (frame.YDim() != frame.XDim())
        position[frame.YDim()] = StartPosition[static_cast<size_t>(frame.YDim())] - dy / frame.Scale();
    Bodies.SetInitialPosition(Target, position);
    Document.ShowHint(ToQ(p.Name) + QStringLiteral(": ") + ToQ(frame.XAxisName()) + QStringLiteral(" = ") +
                      ToQ(FormatGeneral(position[frame.XDim()], 5)) + QStringLiteral(", ") +
                      ToQ(frame.YAxisName()) + QStringLiteral(" = ") +
                      ToQ(FormatGeneral(position[frame.YDim()], 5)));
}

void TSceneGestures::Aim(QPoint at) {
    const TScreenFrame& frame = Document.Frame();
    const TParticle& p = Document.Sim().Particles.Particles(Target);
    // The arrow as the scene draws it: screen y grows downwards, a negative scale turns the
    // picture by half a turn; velocities are relative to the frame's own.
    const QPointF arrow = QPointF(at) - TipOffset - AimFrom;
    const double turn = frame.Scale() < 0 ? -1 : 1;
    TVector velocity(p.InitialVelocity.Count());
    velocity.Assign(p.InitialVelocity);
    const auto xd = static_cast<size_t>(frame.XDim());
    const auto yd = static_cast<size_t>(frame.YDim());
    velocity[frame.XDim()] = FrameVelocityAtStart[xd] + turn * arrow.x() / AimPixelsPerUnit;
    if (yd != xd) velocity[frame.YDim()] = FrameVelocityAtStart[yd] - turn * arrow.y() / AimPixelsPerUnit;
    Bodies.SetInitialVelocity(Target, velocity);
    const QString text = VelocityText(Target);
    Overlay.SetAim(Target, AimPixelsPerUnit, text);
    Document.ShowHint(ToQ(p.Name) + QStringLiteral(": ") + text);
}

void TSceneGestures::Release() {
    const TDrag drag = Pending;
    Pending = TDrag::None;
    if (drag == TDrag::Refused || !Started || !Bodies.Dragging()) {
        EndAim();
        return;
    }
    FinishDrag(drag);
}

void TSceneGestures::FinishDrag(TDrag drag) {
    EndAim();
    const int index = Target;
    if (index < 0 || index >= Document.Sim().Particles.Count()) {
        Bodies.CancelDrag();
        return;
    }
    const std::string name = Document.Sim().Particles.Particles(index).Name;
    switch (drag) {
        case TDrag::Move:
            Bodies.EndDrag(ParticleCommandText("Move particle", name));
            break;
        case TDrag::Aim:
            Bodies.EndDrag(ParticleCommandText("Velocity of particle", name));
            break;
        case TDrag::Place:
            Bodies.EndDrag(ParticleCommandText("Add particle", name));
            Document.SetSelected(index);
            break;
        default:
            Bodies.CancelDrag();
            break;
    }
}

void TSceneGestures::EndAim() {
    if (Overlay.AimedParticle() >= 0) Overlay.SetAim(-1, 0, QString());
}

bool TSceneGestures::DoubleClick(QPoint at) {
    if (!Document.HasSetup()) return false;
    const int body = Views.ParticleAt(at);
    // The second click of a double-click while placing lands on the particle the first placed.
    if (body < 0 || (FPlacing && body == JustPlaced)) return FPlacing;
    Pending = TDrag::None;
    Document.SetSelected(body);
    Views.Follow(body);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Arrows and velocities

int TSceneGestures::ArrowTipAt(QPoint at) const {
    if (!Overlay.VelocityArrows()) return -1;
    for (const TArrow& a : Overlay.Marks().Velocity.Arrows) {
        const QPointF d = QPointF(at) - a.Line.p2();
        if (std::hypot(d.x(), d.y()) <= TipReach) return a.Particle;
    }
    return -1;
}

double TSceneGestures::AimScale() const {
    // The scale of the arrows on screen, so that the arrow taken hold of stays under the mouse.
    if (Overlay.VelocityArrows()) {
        const double shown = Overlay.Marks().Velocity.PixelsPerUnit;
        if (shown > 0 && std::isfinite(shown)) return shown;
    }
    const TSimData& sim = Document.Sim();
    const double scale =
        std::fabs(Document.Frame().Scale()) * sim.Cycles * std::fabs(sim.TimeStep) * ArrowSteps;
    return scale > 0 && std::isfinite(scale) ? scale : 1;
}

QString TSceneGestures::VelocityText(int particle) const {
    const TScreenFrame& frame = Document.Frame();
    const TVector& v = Document.Sim().Particles.Particles(particle).InitialVelocity;
    QString text = QStringLiteral("v") + ToQ(frame.XAxisName()) + QStringLiteral(" = ") +
                   ToQ(FormatGeneral(v[frame.XDim()], 5));
    if (frame.YDim() != frame.XDim())
        text += QStringLiteral(", v") + ToQ(frame.YAxisName()) + QStringLiteral(" = ") +
                ToQ(FormatGeneral(v[frame.YDim()], 5));
    return text;
}

// ---------------------------------------------------------------------------------------------
// The menus

void TSceneGestures::ContextMenu(QPoint at, QPoint global) {
    Pending = TDrag::None;
    const TParticlesList& particles = Document.Sim().Particles;
    const int body = Views.ParticleAt(at);
    QMenu menu(Window);
    if (body >= 0) {
        Document.SetSelected(body);
        const TParticle& p = particles.Particles(body);
        QAction* follow = menu.addAction(QStringLiteral("&Follow"));
        QAction* edit = menu.addAction(QStringLiteral("&Edit\u2026"));
        QAction* trail = menu.addAction(QStringLiteral("Show &trail"));
        trail->setCheckable(true);
        trail->setChecked(p.ShowTrail);
        QAction* remove = menu.addAction(QStringLiteral("&Delete"));
        QAction* plot = menu.addAction(QStringLiteral("&Plot\u2026"));
        QMenu* orbit = menu.addMenu(QStringLiteral("Circular &orbit about"));
        std::vector<std::pair<QAction*, int>> centres;
        for (int j = 0; j < particles.Count(); ++j)
            if (j != body) {
                // A name may hold "&", which a menu would take for an access key.
                QString name = ToQ(particles.Particles(j).Name);
                centres.emplace_back(orbit->addAction(name.replace(QLatin1Char('&'), QStringLiteral("&&"))),
                                     j);
            }
        orbit->setEnabled(!centres.empty());
        const TMenuChoice choice = Prompts.ExecMenu(menu, global);
        if (choice.Action == nullptr) return;
        if (choice.Action == follow)
            Views.Follow(body);
        else if (choice.Action == edit)
            Bodies.Edit(body);
        else if (choice.Action == trail)
            Bodies.ToggleTrail(body);
        else if (choice.Action == remove)
            Bodies.Delete(body);
        else if (choice.Action == plot)
            emit plotRequested(body);
        for (const auto& [action, centre] : centres)
            if (choice.Action == action) Bodies.CircularOrbit(body, centre, choice.Shift);
        return;
    }
    QAction* add = menu.addAction(QStringLiteral("&Add particle here"));
    QAction* fit = menu.addAction(QStringLiteral("&Fit all"));
    QAction* zero = menu.addAction(QStringLiteral("&Zero total momentum"));
    const TMenuChoice choice = Prompts.ExecMenu(menu, global);
    if (choice.Action == add)
        Bodies.AddParticleHere(at);
    else if (choice.Action == fit)
        Views.mmiFitAllClick();
    else if (choice.Action == zero)
        Bodies.mmiZeroMomentumClick();
}

}  // namespace kinetra::ui
