// The speed control's pace and the help window of the main window.
#include "ui/window/WatchCommands.h"

#include "ui/document/RunClock.h"
#include "ui/extras/HelpWindow.h"
#include "ui/extras/Session.h"
#include "ui/window/SpeedControl.h"

namespace kinetra::ui {

TWatchCommands::TWatchCommands(TSpeedControl& speed, TRunClock& clock, QWidget* window)
    : Speed(speed), Clock(clock), Window(window) {
    const int stored = TSession::PaceStepsPerSecond(TPace::StepsPerSecond(TPace::DefaultLevel()));
    const int level = TPace::LevelOfStepsPerSecond(stored);
    Speed.SetLevel(level);
    Clock.SetPaceLevel(level);
}

void TWatchCommands::SetPaceLevel(int level) {
    if (Speed.Level() != level) Speed.SetLevel(level);
    Clock.SetPaceLevel(Speed.Level());
    TSession::SetPaceStepsPerSecond(TPace::StepsPerSecond(Speed.Level()));
}

void TWatchCommands::mmiFasterClick() {
    Speed.StepBy(1);
}

void TWatchCommands::mmiSlowerClick() {
    Speed.StepBy(-1);
}

void TWatchCommands::mmiHelpClick() {
    if (!Help) Help = new THelpWindow(Window);
    Help->ShowAt();
}

}  // namespace kinetra::ui
