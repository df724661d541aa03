// TViewMouse, the mouse over the drawing area: the wheel zooms about the point under the cursor,
// a drag with the left button pans, and resting over a particle shows what it is.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QWidget;
#include <QRect>
#include <QString>

namespace kinetra::ui {

class TDocument;
class TSceneView;
class TUserPrompts;
class TViewCommands;

class TViewMouse : public QObject {
public:
    // Watches the scene, which owns it; errors go to `prompts` over `window`.
    TViewMouse(TDocument& document, TSceneView& scene, TViewCommands& views, TUserPrompts& prompts,
               QWidget* window);

    // One wheel notch (120 eighths of a degree) zooms by this factor.
    static constexpr double NotchFactor = 2.0;
    static constexpr int NotchDelta = 120;
    // A press moved by this many pixels (Manhattan) has become a drag.
    static constexpr int DragThreshold = 4;

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

    // Runs a mouse command so that no exception leaves the event filter.
    void Guard(const std::function<void()>& command);

    TDocument& Document;
    TSceneView& Scene;
    TViewCommands& Views;
    TUserPrompts& Prompts;
    QWidget* Window;
    int WheelRest = 0;
    bool Dragging = false;
    QPoint DragLast;
    int PendingDx = 0;
    int PendingDy = 0;
    bool PanQueued = false;
    // The left button went down where the view cannot pan (a frame that follows a point).
    bool PanRefused = false;
    // The particle whose tip is showing (-1: none), its name then, and where the tip was asked
    // for relative to the particle's centre.
    int TipParticle = -1;
    QString TipName;
    QPoint TipOffset;
};

}  // namespace kinetra::ui
