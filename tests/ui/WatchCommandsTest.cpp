// The speed control of the main window and the help window: a paced run gives the same numbers
// as a run at full speed, the menu items move the slider and the choice is remembered, and
// "Kinetra help" opens the guide.
#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QStatusBar>
#include <QTextBrowser>
#include <cstring>

#include "UiTestSupport.h"
#include "ui/document/Pace.h"
#include "ui/document/UiText.h"
#include "ui/extras/HelpWindow.h"
#include "ui/extras/Session.h"
#include "ui/window/SpeedControl.h"
#include "ui/window/WatchCommands.h"

namespace kinetra::ui::test {
namespace {

using WatchCommands = TFormTest;

// Runs from the start until `steps` steps are done, then pauses; the positions reached.
std::vector<double> RunSteps(TSimForm& form, TSimData& sim, int steps) {
    form.Controls().mmiStop->trigger();
    int done = 0;
    const auto draw = sim.OnStepDone;
    sim.OnStepDone = [&] {
        draw();
        if (++done == steps) form.Controls().mmiPause->trigger();
    };
    form.Controls().mmiStart->trigger();
    sim.OnStepDone = draw;
    std::vector<double> positions;
    for (int i = 0; i < sim.Particles.Count(); ++i)
        for (int d = 0; d < sim.Dimensions; ++d) positions.push_back(sim.Particles.Particles(i).Position[d]);
    return positions;
}

TEST_F(WatchCommands, APacedRunGivesTheSameBitsAsAFullSpeedRun) {
    Open(DataFile("ui_figure_eight.knx"));
    const int steps = 7;
    const std::vector<double> full = RunSteps(*Form, Sim(), steps);
    const double fullTime = Sim().Time;
    // At full speed the status shows the time of the last refresh only.
    EXPECT_NE(Form->PanelText(1), TimeText(fullTime));

    SetPaceLevel(TPace::LevelOfStepsPerSecond(2000));
    ASSERT_FALSE(Runner().Pace().IsFullSpeed());
    const std::vector<double> paced = RunSteps(*Form, Sim(), steps);
    EXPECT_EQ(Sim().Time, fullTime);
    ASSERT_EQ(paced.size(), full.size());
    EXPECT_EQ(std::memcmp(paced.data(), full.data(), full.size() * sizeof(double)), 0);
    // Paced, every step is shown.
    EXPECT_EQ(Form->PanelText(1), TimeText(fullTime));
    EXPECT_EQ(RunState(), rsPaused);
}

TEST_F(WatchCommands, ACommandThatPausesAFastPacedRunFindsTheLastStepShown) {
    // The options dialog pauses the run while it is open: the status, like the picture and the
    // info window, shows the step the simulation holds, not the one of the last refresh.
    Open(DataFile("ui_figure_eight.knx"));
    SetPaceLevel(TPace::LevelOfStepsPerSecond(2000));
    const auto draw = Sim().OnStepDone;
    int steps = 0;
    Sim().OnStepDone = [&] {
        draw();
        // A few steps apart, well within one frame of the screen: the refresh is still due.
        if (++steps == 3)
            QMetaObject::invokeMethod(
                Form.get(), [&] { Form->Controls().mmiSimulationOptions->trigger(); }, Qt::QueuedConnection);
    };
    QString timeShown, timeHeld;
    Prompts->OnExecDialog = [&](QDialog&) {
        timeShown = Form->PanelText(1);
        timeHeld = TimeText(Sim().Time);
        // Stopped meanwhile: the run is not resumed after the dialog.
        Form->Controls().mmiStop->trigger();
        return QDialog::Rejected;
    };
    Form->Controls().mmiStart->trigger();
    Sim().OnStepDone = draw;
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_NE(timeHeld, TimeText(0));
    EXPECT_EQ(timeShown, timeHeld);
}

TEST_F(WatchCommands, TheMenuItemsMoveTheSpeedControlAndTheChoiceIsRemembered) {
    TSpeedControl* speed = Form->Controls().spdSpeed;
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->parentWidget(), Form->Controls().stbStatusBar);
    EXPECT_EQ(speed->Level(), TPace::FullSpeedLevel());  // as the fixture set it
    // One notch at a time, clamped at both ends, and the run loop follows.
    struct TCase {
        QAction* Item;
        int Level;
    };
    const TCase cases[] = {{Form->Controls().mmiFaster, TPace::FullSpeedLevel()},
                           {Form->Controls().mmiSlower, TPace::FullSpeedLevel() - 1},
                           {Form->Controls().mmiSlower, TPace::FullSpeedLevel() - 2},
                           {Form->Controls().mmiFaster, TPace::FullSpeedLevel() - 1}};
    for (const TCase& c : cases) {
        c.Item->trigger();
        EXPECT_EQ(speed->Level(), c.Level);
        EXPECT_EQ(Runner().Pace().Level(), c.Level);
    }
    speed->Slider()->setValue(0);
    EXPECT_EQ(Runner().Pace().Level(), 0);
    Form->Controls().mmiSlower->trigger();
    EXPECT_EQ(speed->Level(), 0);
    EXPECT_EQ(speed->CaptionLabel()->text(), "1 step/s");

    // A new window starts at the remembered pace; without one, at the default.
    speed->Slider()->setValue(3);
    TSimForm again(std::make_unique<TScriptedPrompts>());
    EXPECT_EQ(again.RunClock().Pace().Level(), 3);
    EXPECT_EQ(again.Controls().spdSpeed->Level(), 3);
    TSession::Clear();
    TSimForm fresh(std::make_unique<TScriptedPrompts>());
    EXPECT_EQ(fresh.RunClock().Pace().Level(), TPace::DefaultLevel());
    EXPECT_EQ(fresh.Controls().spdSpeed->Level(), TPace::DefaultLevel());
}

TEST_F(WatchCommands, KinetraHelpOpensOneGuideWindowBesideTheMainWindow) {
    EXPECT_EQ(Form->Controls().mmiHelp->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    EXPECT_EQ(Form->HelpWindow(), nullptr);
    Form->Controls().mmiHelp->trigger();
    THelpWindow* help = Form->HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_FALSE(help->isModal());
    EXPECT_EQ(help->windowTitle(), "Kinetra help");
    EXPECT_EQ(help->Browser()->source().toString(), THelpWindow::GuideUrl());
    help->close();
    Form->Controls().mmiHelp->trigger();
    EXPECT_EQ(Form->HelpWindow(), help);
    EXPECT_TRUE(help->isVisible());
}

}  // namespace
}  // namespace kinetra::ui::test
