// TViewMouse, the mouse over the drawing area: the wheel zooms about the point under the cursor,
// a drag with the left button pans, and resting over a particle shows what it is.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

namespace kinetra::ui {

class TSimForm;
class TViewCommands;

class TViewMouse : public QObject {
public:
    // Watches the window's drawing area, which owns it.
    TViewMouse(TSimForm& form, TViewCommands& views);

    // One wheel notch (120 eighths of a degree) zooms by this factor.
    static constexpr double NotchFactor = 2.0;
    static constexpr int NotchDelta = 120;

    // A particle's tool tip that is showing follows the particle as the scene is refreshed
    // (during a run, after a step): it moves with it and shows its present values, and closes
    // when the particle is no longer drawn on screen. Moving the mouse off the particle closes
    // it as usual.
    void FollowTip();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Wheel(int delta, QPoint at);
    // Where the mouse may rest or move on a particle without closing its tip.
    static QRect DiscRect(QPoint centre, int radius);
    // The drag's moves are gathered and applied once per pass of the event loop.
    void ApplyPendingPan();

    TSimForm& Form;
    TViewCommands& Views;
    int WheelRest = 0;
    bool Dragging = false;
    QPoint DragLast;
    int PendingDx = 0;
    int PendingDy = 0;
    bool PanQueued = false;
    // The particle whose tip is showing (-1: none), its name then, and where the tip was asked
    // for relative to the particle's centre.
    int TipParticle = -1;
    QString TipName;
    QPoint TipOffset;
};

}  // namespace kinetra::ui
