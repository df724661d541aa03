// TViewCommands, the view commands of the main window: zoom, pan, toggling the axes, the trail
// modes and the centre-of-mass marker.
#pragma once

#include <QPoint>
#include <QString>

#include "ui/window/SimMain.h"

namespace kinetra::ui {

class TViewMouse;

class TViewCommands {
public:
    explicit TViewCommands(TSimForm& form);

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
    void mmiCenterOfMassClick();
    void SetShowCenterOfMass(bool value);

    // "Fit all": its action (shortcut, tips) in the menu given.
    void AddFitAll(QMenu* menu);
    // Scale and origin so that every visible particle is on screen; a view change when it
    // changed anything.
    void mmiFitAllClick();
    // After opening: fits the view when no visible particle is on screen (Open then leaves the
    // setup unchanged).
    void FitAllIfNoneShown();
    bool HasSetup() const;
    // The mouse's view changes: the wheel's zoom about a pixel and a drag by whole pixels.
    void ZoomAt(double factor, QPoint pixel);
    void PanBy(int dx, int dy);
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

private:
    bool FitVisible();

    TSimForm& Form;
    // Owned by the drawing area.
    TViewMouse* Mouse = nullptr;
};

}  // namespace kinetra::ui
