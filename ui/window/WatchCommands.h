// TWatchCommands, what helps a person watch and learn a run: the speed control on the status
// bar with the "Faster" and "Slower" items of the Simulate menu, and the "Kinetra help" window
// of the Help menu.
#pragma once

#include <QPointer>

#include "ui/extras/HelpWindow.h"
#include "ui/window/SimMain.h"

namespace kinetra::ui {

class TSpeedControl;

class TWatchCommands {
public:
    // Puts the speed control on the status bar, the items into the menus, and sets the pace the
    // user chose last.
    explicit TWatchCommands(TSimForm& form);

    // Shows the level on the speed control, paces the run loop by it and remembers it.
    void SetPaceLevel(int level);
    void mmiFasterClick();
    void mmiSlowerClick();
    // One help window per main window; it stays open beside it.
    void mmiHelpClick();

    THelpWindow* HelpWindow() const { return Help; }

private:
    TSimForm& Form;
    QPointer<THelpWindow> Help;
};

}  // namespace kinetra::ui
