// TViewMouse, the mouse over the drawing area: the wheel zooms about the point under the cursor,
// a drag with the left button pans, and resting over a particle shows what it is.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QWidget;

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Wheel(int delta, QPoint at);
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
};

}  // namespace kinetra::ui
