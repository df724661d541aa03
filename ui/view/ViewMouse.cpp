// The mouse over the drawing area: wheel zoom, drag pan and the particles' tool tips. Each view
// change is a view change like the zoom buttons': the scene is drawn anew and the setup changed.
#include "ui/view/ViewMouse.h"

#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "frame/Frame.h"
#include "ui/dialogs/Prompts.h"
#include "ui/document/Document.h"
#include "ui/scene/SceneView.h"
#include "ui/view/ViewCommands.h"

namespace kinetra::ui {

TViewMouse::TViewMouse(TDocument& document, TSceneView& scene, TViewCommands& views, TUserPrompts& prompts,
                       QWidget* window)
    : QObject(&scene), Document(document), Scene(scene), Views(views), Prompts(prompts), Window(window) {
    scene.installEventFilter(this);
    // A particle's data shows on hover also while another window (the help, the info window)
    // has the keyboard.
    window->setAttribute(Qt::WA_AlwaysShowToolTips);
}

void TViewMouse::Guard(const std::function<void()>& command) {
    RunGuarded(Prompts, Window, command);
}

bool TViewMouse::eventFilter(QObject* watched, QEvent* event) {
    QWidget* area = &Scene;
    if (watched != area) return false;
    switch (event->type()) {
        case QEvent::Wheel: {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            Guard([&] { Wheel(wheel->angleDelta().y(), wheel->position().toPoint()); });
            return true;
        }
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !Views.HasSetup()) return false;
            if (!Document.Frame().CanPan()) {
                // Said once the mouse really drags, not at a click that only clears a selection.
                PanRefused = true;
                DragLast = mouse->position().toPoint();
                return false;
            }
            Dragging = true;
            DragLast = mouse->position().toPoint();
            area->setCursor(Qt::ClosedHandCursor);
            return true;
        }
        case QEvent::MouseMove: {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            if (PanRefused && (at - DragLast).manhattanLength() >= DragThreshold) {
                PanRefused = false;
                Guard([&] { Views.RefusePan(); });
            }
            if (!Dragging) return false;
            PendingDx += at.x() - DragLast.x();
            PendingDy += at.y() - DragLast.y();
            DragLast = at;
            if (!PanQueued) {
                PanQueued = true;
                QMetaObject::invokeMethod(
                    this, [this] { ApplyPendingPan(); }, Qt::QueuedConnection);
            }
            return true;
        }
        case QEvent::MouseButtonRelease: {
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) PanRefused = false;
            if (!Dragging || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
            Dragging = false;
            area->unsetCursor();
            ApplyPendingPan();
            return true;
        }
        case QEvent::ToolTip: {
            const auto* help = static_cast<QHelpEvent*>(event);
            QString tip;
            QPoint centre;
            int radius = 0;
            TipParticle = -1;
            Guard([&] {
                const int index = Views.ParticleAt(help->pos());
                if (index < 0 || !Views.ParticleDisc(index, centre, radius)) return;
                tip = Views.ParticleTipOf(index);
                TipParticle = index;
                TipName = Views.ParticleName(index);
                TipOffset = help->pos() - centre;
            });
            if (tip.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), tip, area, DiscRect(centre, radius));
            return true;
        }
        default:
            return false;
    }
}

void TViewMouse::FollowTip() {
    if (TipParticle < 0) return;
    if (!QToolTip::isVisible()) {
        TipParticle = -1;
        return;
    }
    QPoint centre;
    int radius = 0;
    if (Views.ParticleName(TipParticle) != TipName || !Views.ParticleDisc(TipParticle, centre, radius)) {
        // The particle is gone, hidden or off screen.
        TipParticle = -1;
        QToolTip::hideText();
        return;
    }
    QWidget* area = &Scene;
    // A changed text moves the tip to the particle's new place; the rect is where the mouse may
    // go without closing it.
    QToolTip::showText(area->mapToGlobal(centre + TipOffset), Views.ParticleTipOf(TipParticle), area,
                       DiscRect(centre, radius));
}

QRect TViewMouse::DiscRect(QPoint centre, int radius) {
    const int reach = std::clamp(radius, 3, 1 << 20);
    return QRect(centre - QPoint(reach, reach), QSize(2 * reach + 1, 2 * reach + 1));
}

void TViewMouse::Wheel(int delta, QPoint at) {
    // A touchpad sends small steps: they count once they add up to a notch.
    WheelRest += delta;
    const int notches = WheelRest / NotchDelta;
    if (notches == 0) return;
    WheelRest -= notches * NotchDelta;
    Views.ZoomAt(std::pow(NotchFactor, notches), at);
}

void TViewMouse::ApplyPendingPan() {
    PanQueued = false;
    const int dx = PendingDx;
    const int dy = PendingDy;
    PendingDx = PendingDy = 0;
    if (dx != 0 || dy != 0) Guard([&] { Views.PanBy(dx, dy); });
}

}  // namespace kinetra::ui
