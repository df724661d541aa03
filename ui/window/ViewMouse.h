// TViewMouse, the mouse over the drawing area: the wheel zooms about the point under the cursor,
// a drag with the left button pans, and resting over a particle shows what it is.
#pragma once

#include <QObject>
#include <QPoint>

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Wheel(int delta, QPoint at);
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
};

}  // namespace kinetra::ui
