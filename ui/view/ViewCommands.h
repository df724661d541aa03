// TViewCommands, the view commands of the main window: zoom, pan, toggling the axes, "Fit all",
// the trail modes and the centre-of-mass marker, and the mouse over the drawing area (wheel zoom,
// drag pan, the particles' tool tips).
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>

#include "ui/scene/SceneView.h"

class QWidget;

namespace kinetra::ui {

class TDocument;
class TRunClock;
class TViewMouse;
class TUserPrompts;

class TViewCommands : public QObject {
    Q_OBJECT

public:
    // Watches the scene's mouse; errors of the mouse's commands go to `prompts` over `window`.
    TViewCommands(TDocument& document, TSceneView& scene, TUserPrompts& prompts, QWidget* window);

    // The frame or the view changed: the scene is cleared and drawn anew, the setup changed.
    void ViewChanged();
    void sbZoomInClick();
    void sbZoomOutClick();
    void sbToggleClick();
    // The arrow keys pan the view.
    void FormKeyUp(int key);
    void smiAllTrailsClick();
    void smiSelectedTrailsClick();
    void smiNoTrailsClick();
    // The menu item's new check state.
    void mmiCenterOfMassClick(bool checked);
    void SetShowCenterOfMass(bool value);

    // Scale and origin so that every visible particle is on screen; a view change when it
    // changed anything.
    void mmiFitAllClick();
    // After opening: fits the view when no visible particle is on screen (Open then leaves the
    // setup unchanged).
    void FitAllIfNoneShown();
    // After New: Fit all, or for a setup without visible particles a view of the working field
    // (NewSetupField length units across the smaller side about the origin), where bodies
    // placed with the mouse under the default force law move at a pace that can be watched.
    void FitNewSetup();
    static constexpr double NewSetupField = 10;
    // The frame follows particle `index`, as Frame settings would make it (one view change).
    void Follow(int index);
    bool HasSetup() const;
    // The mouse's view changes: the wheel's zoom about a pixel and a drag by whole pixels.
    void ZoomAt(double factor, QPoint pixel);
    void PanBy(int dx, int dy);
    // A drag in a frame that cannot pan: the status bar says why nothing moves.
    void RefusePan();
    // The tool tip of the topmost visible particle under the pixel; empty where there is none.
    QString ParticleTip(QPoint pixel) const;
    // The index of that particle, or -1.
    int ParticleAt(QPoint pixel) const;
    // The tool tip of particle `index` as it stands now; empty for no particle.
    QString ParticleTipOf(int index) const;
    QString ParticleName(int index) const;
    // Where particle `index` is drawn: its centre's pixel and its picture's radius; false where
    // it is not drawn on screen.
    bool ParticleDisc(int index, QPoint& centre, int& radius) const;
    // After a refresh of the scene: a particle's tool tip that is showing follows its particle.
    void FollowTip();

signals:
    // The trail mode or the marker changed: the menu's check marks follow.
    void trailModeChanged(kinetra::ui::TTrailMode mode);
    void markerChanged(bool shown);
    // The frame's name, origin and extent are to be shown anew.
    void frameInfoChanged();

private:
    bool FitVisible();
    bool AnyVisible() const;
    // What the view follows, for the hints: empty in a frame that can pan.
    QString FollowedName() const;
    // A view command: `change` changes the frame (false: it changed nothing); the view is then
    // drawn anew and the change becomes an undoable command named `text`.
    void ChangeView(const QString& text, const std::function<bool()>& change, int mergeId = -1);
    void SetTrailMode(TTrailMode mode);

    TDocument& Document;
    TSceneView& Scene;
    TRunClock& Clock;
    // Owned by the drawing area.
    TViewMouse* Mouse = nullptr;
};

}  // namespace kinetra::ui
