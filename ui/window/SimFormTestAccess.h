// TSimFormTestAccess, the tests' way into the main window beyond its actions and read-outs: its
// rooms (the scene, the run control, the setup commands, the extras) and the few window steps
// the tests drive directly.
#pragma once

#include "ui/extras/SimExtras.h"
#include "ui/run/RunControl.h"
#include "ui/scene/SceneView.h"
#include "ui/setup/SetupCommands.h"
#include "ui/window/SimMain.h"
#include "ui/window/ViewCommands.h"
#include "ui/window/WatchCommands.h"

namespace kinetra::ui {

class TSimFormTestAccess {
public:
    explicit TSimFormTestAccess(TSimForm& form) : Form(form) {}

    TSceneView& Scene() const { return *Form.View; }
    TRunControl& Run() const { return *Form.Run; }
    TSetupCommands& Setup() const { return *Form.Setup; }
    TSimExtras& Extras() const { return *Form.Extras; }
    TViewCommands& Views() const { return *Form.Views; }
    TWatchCommands& Watch() const { return *Form.Watch; }
    bool InfoShown() const { return Form.InfoShown; }
    void UpdateCommands() const { Form.UpdateCommands(); }
    void ResetView() const { Form.ResetView(); }
    void ShowFrameInfo() const { Form.ShowFrameInfo(); }

private:
    TSimForm& Form;
};

}  // namespace kinetra::ui
