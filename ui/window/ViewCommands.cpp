// The view commands of the main window: zoom, pan, the axes, the trails and the centre-of-mass
// marker; each redraws the scene as the changed view shows it.
#include "ui/window/ViewCommands.h"

#include <QAction>

#include "frame/Frame.h"
#include "ui/run/RunControl.h"
#include "ui/scene/SceneView.h"
#include "ui/setup/SetupCommands.h"

namespace kinetra::ui {

TViewCommands::TViewCommands(TSimForm& form) : Form(form) {}

void TViewCommands::ViewChanged() {
    Form.View->Clear();
    Form.ShowFrameInfo();
    Form.Run->PrepareScene();
    Form.View->UpdateScreenPositions();
    Form.View->RefreshScene();
    Form.Setup->Modified = true;
    Form.UpdateCommands();
}

void TViewCommands::sbZoomInClick() {
    Form.FScreenFrame->Zoom(2);
    ViewChanged();
}

void TViewCommands::sbZoomOutClick() {
    Form.FScreenFrame->Zoom(0.5);
    ViewChanged();
}

void TViewCommands::sbToggleClick() {
    Form.FScreenFrame->ToggleAxes();
    ViewChanged();
}

void TViewCommands::FormKeyUp(int key) {
    if (Form.Run->RunState == rsNoSetup) return;
    switch (key) {
        case Qt::Key_Left:
            Form.FScreenFrame->PanLeft();
            break;
        case Qt::Key_Up:
            Form.FScreenFrame->PanUp();
            break;
        case Qt::Key_Right:
            Form.FScreenFrame->PanRight();
            break;
        case Qt::Key_Down:
            Form.FScreenFrame->PanDown();
            break;
        default:
            return;
    }
    // In a frame other than "Origin" the pan moves nothing, but the view is still redrawn.
    ViewChanged();
}

void TViewCommands::smiAllTrailsClick() {
    Form.smiAllTrails->setChecked(true);
    Form.View->TrailMode = tmAll;
    Form.View->UpdateTrailFlags();
}

void TViewCommands::smiSelectedTrailsClick() {
    Form.smiSelectedTrails->setChecked(true);
    if (Form.View->TrailMode == tmAll && Form.Run->RunState != rsStopped) Form.View->Clear();
    Form.View->TrailMode = tmSelected;
    Form.View->UpdateTrailFlags();
}

void TViewCommands::smiNoTrailsClick() {
    Form.smiNoTrails->setChecked(true);
    if (Form.Run->RunState != rsStopped) Form.View->Clear();
    Form.View->TrailMode = tmNone;
    Form.View->UpdateTrailFlags();
}

void TViewCommands::mmiCenterOfMassClick() {
    SetShowCenterOfMass(Form.mmiCenterOfMass->isChecked());
}

void TViewCommands::SetShowCenterOfMass(bool value) {
    Form.mmiCenterOfMass->setChecked(value);
    Form.View->ShowMarker(value);
}

}  // namespace kinetra::ui
