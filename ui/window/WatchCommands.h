// TWatchCommands, what helps a person watch and learn a run: the speed control on the status
// bar with the "Faster" and "Slower" items of the Simulate menu, and the "Kinetra help" window
// of the Help menu.
#pragma once

#include <QPointer>

#include "ui/extras/HelpWindow.h"

namespace kinetra::ui {

class TRunClock;
class TSpeedControl;

class TWatchCommands {
public:
    // The speed control paces the clock, starting at the pace the user chose last; the help
    // window opens beside `window`.
    TWatchCommands(TSpeedControl& speed, TRunClock& clock, QWidget* window);

    // Shows the level on the speed control, paces the run loop by it and remembers it.
    void SetPaceLevel(int level);
    void mmiFasterClick();
    void mmiSlowerClick();
    // One help window per main window; it stays open beside it.
    void mmiHelpClick();

    THelpWindow* HelpWindow() const { return Help; }

private:
    TSpeedControl& Speed;
    TRunClock& Clock;
    QWidget* Window;
    QPointer<THelpWindow> Help;
};

}  // namespace kinetra::ui
