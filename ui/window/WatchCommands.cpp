// The speed control's wiring and the help window of the main window.
#include "ui/window/WatchCommands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>

#include "ui/extras/HelpWindow.h"
#include "ui/extras/Session.h"
#include "ui/run/Pace.h"
#include "ui/run/RunControl.h"
#include "ui/window/SpeedControl.h"

namespace kinetra::ui {

TWatchCommands::TWatchCommands(TSimForm& form) : Form(form) {
    Form.spdSpeed = new TSpeedControl(Form.stbStatusBar);
    Form.spdSpeed->setObjectName(QStringLiteral("spdSpeed"));
    // The keys belong to the drawing area (arrow keys pan the view); the menu items and the
    // mouse move the slider.
    Form.spdSpeed->Slider()->setFocusPolicy(Qt::NoFocus);
    Form.stbStatusBar->addPermanentWidget(Form.spdSpeed);
    Form.spdSpeed->OnChanged = [this](int level) { Form.Guard([this, level] { SetPaceLevel(level); }); };

    Form.mmiFaster = Form.NewAction(QStringLiteral("&Faster"), [this] { mmiFasterClick(); });
    Form.mmiSlower = Form.NewAction(QStringLiteral("S&lower"), [this] { mmiSlowerClick(); });
    Form.mmiHelp = Form.NewAction(QStringLiteral("&Kinetra help"), [this] { mmiHelpClick(); });
    Form.mmiFaster->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up));
    Form.mmiSlower->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down));
    Form.mmiHelp->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    Form.mmiFaster->setToolTip(QStringLiteral("Run faster"));
    Form.mmiSlower->setToolTip(QStringLiteral("Run slower"));
    if (auto* simulate = Form.menuBar()->findChild<QMenu*>(QStringLiteral("mmiSimulate"))) {
        simulate->insertActions(Form.mmiClear, {Form.mmiFaster, Form.mmiSlower});
        simulate->insertSeparator(Form.mmiClear);
    }
    if (auto* help = Form.menuBar()->findChild<QMenu*>(QStringLiteral("mnmHelp")))
        help->insertAction(Form.mmiAbout, Form.mmiHelp);

    const int stored = TSession::PaceStepsPerSecond(TPace::StepsPerSecond(TPace::DefaultLevel()));
    const int level = TPace::LevelOfStepsPerSecond(stored);
    Form.spdSpeed->SetLevel(level);
    Form.Run->Pace.SetLevel(level);
}

void TWatchCommands::SetPaceLevel(int level) {
    if (Form.spdSpeed->Level() != level) Form.spdSpeed->SetLevel(level);
    Form.Run->Pace.SetLevel(Form.spdSpeed->Level());
    TSession::SetPaceStepsPerSecond(TPace::StepsPerSecond(Form.spdSpeed->Level()));
}

void TWatchCommands::mmiFasterClick() {
    Form.spdSpeed->StepBy(1);
}

void TWatchCommands::mmiSlowerClick() {
    Form.spdSpeed->StepBy(-1);
}

void TWatchCommands::mmiHelpClick() {
    if (!Help) Help = new THelpWindow(&Form);
    Help->ShowAt();
}

}  // namespace kinetra::ui
