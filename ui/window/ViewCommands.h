// TViewCommands, the view commands of the main window: zoom, pan, toggling the axes, the trail
// modes and the centre-of-mass marker.
#pragma once

#include "ui/window/SimMain.h"

namespace kinetra::ui {

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

private:
    TSimForm& Form;
};

}  // namespace kinetra::ui
