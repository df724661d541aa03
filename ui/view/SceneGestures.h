// TSceneGestures, the mouse on the particles of the drawing area:
//   - a click on a particle selects it (a ring marks it); Escape or a click on empty space clears
//     the selection;
//   - a double-click follows it (the frame becomes that particle, as Frame settings would);
//   - the right button opens the particle's menu (Follow, Edit..., Show trail, Delete, Circular
//     orbit about) or, on empty space, the menu of the point (Add particle here, Fit all, Zero
//     total momentum);
//   - while the run is stopped at time 0: dragging a particle moves its initial position in the
//     two screen dimensions; dragging it with Shift, or dragging the tip of its velocity arrow,
//     sets its initial velocity (the arrow follows the mouse, its value beside it); while
//     placing ("Add particle"), a click on empty space places a new particle there and a drag
//     gives it its velocity. At other times these gestures are refused with a hint on the
//     status bar.
// Each finished gesture is one command (TBodyCommands). What it leaves alone (the wheel, a drag
// on empty space, the hover) goes on to the view's mouse (TViewMouse).
//
// A drawn velocity has the scale of the velocity arrows on screen; without them an arrow is the
// way the particle goes in ArrowSteps displayed steps.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace kinetra::ui {

class TBodyCommands;
class TDocument;
class TSceneOverlay;
class TSceneView;
class TUserPrompts;
class TViewCommands;

class TSceneGestures : public QObject {
    Q_OBJECT

public:
    // Watches the scene, which owns it; the overlay shows the selection and the drawn velocity.
    TSceneGestures(TDocument& document, TSceneView& scene, TViewCommands& views, TBodyCommands& bodies,
                   TSceneOverlay& overlay, TUserPrompts& prompts, QWidget* window);

    // Placing: clicks on empty space place particles until it is switched off (Escape, the
    // command again, or the setup goes).
    bool Placing() const { return FPlacing; }
    void SetPlacing(bool on);
    // The window's keys: Escape ends a drag (putting back what it changed), placing, or the
    // selection, in that order; Delete deletes the selected particle.
    void EscapeKey();
    void DeleteKey();

    static constexpr int ArrowSteps = 50;
    // A press moved by this many pixels (Manhattan) has become a drag.
    static constexpr int DragThreshold = 4;
    // How near the tip of a velocity arrow a press takes hold of it.
    static constexpr int TipReach = 6;

signals:
    void placingChanged(bool on);
    // "Plot…" was chosen on the body's menu.
    void plotRequested(int body);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TDrag { None, Move, Aim, Place, Refused };

    bool Press(QPoint at, Qt::KeyboardModifiers modifiers);
    void Move(QPoint at);
    void Release();
    // The drag as one command (Move, Aim, Place); any other puts back what it changed.
    void FinishDrag(TDrag drag);
    bool DoubleClick(QPoint at);
    void ContextMenu(QPoint at, QPoint global);
    // The particle whose velocity arrow ends near the pixel, or -1.
    int ArrowTipAt(QPoint at) const;
    // Starts the drag that the press prepared; false when it is refused.
    bool StartDrag();
    void Aim(QPoint at);
    // Pixels per unit of velocity for the drag about to start.
    double AimScale() const;
    QString VelocityText(int particle) const;
    void EndAim();
    void Guard(const std::function<void()>& command);

    TDocument& Document;
    TSceneView& Scene;
    TViewCommands& Views;
    TBodyCommands& Bodies;
    TSceneOverlay& Overlay;
    TUserPrompts& Prompts;
    QWidget* Window;
    bool FPlacing = false;

    // The gesture in progress: what the press prepared, whether it has become a drag, the
    // particle, the press's pixel and the values frozen when the drag began.
    TDrag Pending = TDrag::None;
    bool Started = false;
    int Target = -1;
    QPoint PressAt;
    // Where the drawn velocity starts: the particle's centre (pixels), and the mouse's offset
    // from the arrow's tip when it took hold of it.
    QPointF AimFrom;
    QPointF TipOffset;
    double AimPixelsPerUnit = 1;
    std::vector<double> FrameVelocityAtStart;
    std::vector<double> StartPosition;
    // The particle placed by the last press while placing, which the double-click that press
    // began leaves alone.
    int JustPlaced = -1;
};

}  // namespace kinetra::ui
