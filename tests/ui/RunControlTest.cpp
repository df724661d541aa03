// The main window's run control: the layout, the enabling rules, the transitions of the run
// states, the refresh cadence, the status texts and the handling of collisions and errors.
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <clocale>
#include <sstream>
#include <stdexcept>

#include "UiTestSupport.h"
#include "base/KNUtils.h"
#include "frame/FramedSim.h"
#include "ui/dialogs/KNInfo.h"
#include "ui/document/UiText.h"
#include "ui/extras/EnergyPlot.h"

namespace kinetra::ui::test {
namespace {

using RunControl = TFormTest;

// Runs `then` inside the run loop's next event processing.
void AtNextRefresh(TSimForm& form, std::function<void()> then) {
    QMetaObject::invokeMethod(&form, std::move(then), Qt::QueuedConnection);
}

std::vector<QAction*> AlwaysOn(TSimForm& f) {
    return {f.Controls().mmiNew, f.Controls().mmiOpen, f.Controls().mmiQuit, f.Controls().mmiAbout};
}

std::vector<QAction*> NeedSetup(TSimForm& f) {
    return {f.Controls().mmiSaveAs,
            f.Controls().mmiEditParticles,
            f.Controls().mmiSimulationOptions,
            f.Controls().mmiSettings,
            f.Controls().mmiNotes,
            f.Controls().mmiInfo,
            f.Controls().mmiStart,
            f.Controls().mmiRunBackwards,
            f.Controls().mmiStep,
            f.Controls().mmiStepBack,
            f.Controls().mmiPause,
            f.Controls().mmiStop,
            f.Controls().mmiClear,
            f.Controls().actZoomIn,
            f.Controls().actZoomOut,
            f.Controls().mmiFitAll,
            f.Controls().mmiTrails->menuAction()};
}

TEST_F(RunControl, StartsWithOnlyNewOpenQuitAndAbout) {
    EXPECT_EQ(RunState(), rsNoSetup);
    EXPECT_EQ(Form->windowTitle(), "Kinetra");
    for (QAction* a : AlwaysOn(*Form)) EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    for (QAction* a : NeedSetup(*Form)) EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_FALSE(Form->Controls().mmiSave->isEnabled());
    EXPECT_FALSE(Form->Controls().mmiCenterOfMass->isEnabled());
    EXPECT_FALSE(Form->Controls().actToggle->isEnabled());
    EXPECT_TRUE(Form->Controls().sbOpen->isEnabled());
    EXPECT_FALSE(Form->Controls().sbStart->isEnabled());
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Form->PanelText(i).isEmpty());
    EXPECT_FALSE(View().Ready());
}

TEST_F(RunControl, LayoutOfPanelButtonsAndStatusBar) {
    const QFontMetrics metrics(Form->Controls().stbStatusBar->font());
    EXPECT_EQ(Form->PanelWidth(0), metrics.horizontalAdvance("Stopped") + 10);
    // At least the given widths; more where the longest text needs it (StatusPanelsNeverCutANumber).
    EXPECT_GE(Form->PanelWidth(1), 100);
    EXPECT_GE(Form->PanelWidth(2), 275);
    EXPECT_GE(Form->PanelWidth(3), 200);
    EXPECT_EQ(Form->font().pointSize(), 8);
    EXPECT_EQ(Form->minimumSize(), QSize(150, 150));

    const QRect panel = Form->Controls().pnlSpeedPanel->geometry();
    EXPECT_EQ(panel.width(), 41);
    EXPECT_EQ(panel.right(), 399);
    EXPECT_EQ(panel.top(), 0);
    EXPECT_EQ(panel.bottom() + 1, Form->Controls().stbStatusBar->geometry().top());
    EXPECT_EQ(Form->Controls().stbStatusBar->geometry().bottom(), 299);

    struct {
        QToolButton* Button;
        int Top;
        const char* Hint;
    } const buttons[] = {
        {Form->Controls().sbOpen, 8, "Open a setup"},    {Form->Controls().sbSave, 40, "Save the setup"},
        {Form->Controls().sbStart, 88, "Run"},           {Form->Controls().sbStepForward, 120, "Step"},
        {Form->Controls().sbPause, 152, "Pause"},        {Form->Controls().sbStop, 184, "Stop"},
        {Form->Controls().sbBack, 216, "Run backwards"}, {Form->Controls().sbStepBack, 248, "Step back"},
        {Form->Controls().sbToggle, 296, "Toggle axes"}, {Form->Controls().sbZoomIn, 328, "Zoom in"},
        {Form->Controls().sbZoomOut, 360, "Zoom out"}};
    for (const auto& b : buttons) {
        EXPECT_EQ(b.Button->geometry(), QRect(8, b.Top, 23, 22)) << b.Hint;
        EXPECT_EQ(b.Button->toolTip(), b.Hint);
        EXPECT_FALSE(b.Button->icon().isNull()) << b.Hint;
    }
    // A tool button and its menu item are one command.
    EXPECT_EQ(Form->Controls().sbStart->defaultAction(), Form->Controls().mmiStart);
    EXPECT_EQ(Form->Controls().sbBack->defaultAction(), Form->Controls().mmiRunBackwards);
    EXPECT_EQ(Form->Controls().mmiStart->shortcut(), QKeySequence("Ctrl+R"));
    EXPECT_EQ(Form->Controls().mmiClear->shortcut(), QKeySequence("Ctrl+C"));
    EXPECT_EQ(Form->Controls().mmiEditParticles->shortcut(), QKeySequence("F1"));
}

TEST_F(RunControl, EnablingFollowsSetupMassAndDimensions) {
    MakeSetup(1, {{"A", {0}, {1}}});
    for (QAction* a : NeedSetup(*Form)) EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    EXPECT_FALSE(Form->Controls().actToggle->isEnabled());  // one dimension
    EXPECT_TRUE(Form->Controls().mmiCenterOfMass->isEnabled());
    EXPECT_FALSE(Form->Controls().mmiSave->isEnabled());  // unchanged

    MakeSetup(2, {{"A", {0, 0}, {1, 0}, 0}, {"B", {50, 0}, {0, 0}, 0}});
    EXPECT_TRUE(Form->Controls().actToggle->isEnabled());
    EXPECT_FALSE(Form->Controls().mmiCenterOfMass->isEnabled());  // total mass 0

    Form->Controls().actZoomIn->trigger();
    EXPECT_TRUE(Form->Controls().mmiSave->isEnabled());
    EXPECT_TRUE(Form->Controls().sbSave->isEnabled());
}

TEST_F(RunControl, ShortcutsOfDisabledCommandsDoNothing) {
    QApplication::setActiveWindow(Form.get());
    Form->DrawingArea()->setFocus();
    QTest::keyClick(Form->DrawingArea(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_FALSE(Form->InfoShown());

    MakeSetup(2, {{"A", {0, 0}, {1, 0}}});
    QTest::keyClick(Form->DrawingArea(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_TRUE(Form->InfoShown());  // the same key works once the command is enabled
}

TEST_F(RunControl, RefreshIntervalFollowsTheNumberOfParticles) {
    const auto interval = [&](int n) {
        std::vector<TParticleSeed> seeds;
        for (int i = 0; i < n; ++i) seeds.push_back({"P" + std::to_string(i), {i * 10.0, 0}, {0, 0}});
        MakeSetup(2, seeds);
        return Runner().RefreshInterval();
    };
    EXPECT_EQ(interval(0), 100);
    EXPECT_EQ(interval(1), 100);
    EXPECT_EQ(interval(2), 50);
    EXPECT_EQ(interval(3), 30);
    EXPECT_EQ(interval(5), 20);
    EXPECT_EQ(interval(12), 1);
}

// Records the step number at which the run loop lets the user interface work, three times.
std::vector<int> RefreshSteps(TSimForm& form, TSimData& sim) {
    int steps = 0;
    const auto draw = sim.OnStepDone;
    sim.OnStepDone = [&] {
        ++steps;
        draw();
    };
    std::vector<int> seen;
    std::function<void()> probe = [&] {
        seen.push_back(steps);
        if (seen.size() < 3)
            AtNextRefresh(form, probe);
        else
            form.Controls().mmiPause->trigger();
    };
    AtNextRefresh(form, probe);
    form.Controls().mmiStart->trigger();
    sim.OnStepDone = draw;
    return seen;
}

TEST_F(RunControl, EventsAreHandledEveryRefreshIntervalSteps) {
    MakeSetup(2, {{"A", {0, 0}, {1, 0}}});
    EXPECT_EQ(RefreshSteps(*Form, Sim()), (std::vector<int>{1, 101, 201}));

    std::vector<TParticleSeed> twelve;
    for (int i = 0; i < 12; ++i) twelve.push_back({"P" + std::to_string(i), {i * 10.0, 0}, {0, 1}});
    MakeSetup(2, twelve);
    EXPECT_EQ(RefreshSteps(*Form, Sim()), (std::vector<int>{1, 2, 3}));
}

TEST_F(RunControl, TransitionsFromStopped) {
    MakeSetup(2, {{"A", {0, 0}, {1, 0}}}, 1, 0.5);
    Form->Controls().mmiPause->trigger();
    EXPECT_EQ(RunState(), rsStopped);

    Form->Controls().mmiStep->trigger();
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_DOUBLE_EQ(Sim().Time, 0.5);
    EXPECT_EQ(Form->PanelText(0), "Paused");

    Form->Controls().mmiStop->trigger();
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Time, 0);
    EXPECT_EQ(Form->PanelText(0), "Stopped");
    EXPECT_EQ(Form->PanelText(1), "Time: 0");

    // Run begins at time 0 and shows "Running" while the loop is active.
    TRunState during = rsNoSetup;
    QString panel;
    double timeAtFirstRefresh = -1;
    AtNextRefresh(*Form, [&] {
        during = RunState();
        panel = Form->PanelText(0);
        timeAtFirstRefresh = Sim().Time;
        Form->Controls().mmiPause->trigger();
    });
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(during, rsRunning);
    EXPECT_EQ(panel, "Running");
    EXPECT_DOUBLE_EQ(timeAtFirstRefresh, 0.5);
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_EQ(Form->PanelText(0), "Paused");

    // Run backwards from a fresh stop goes into negative time.
    Form->Controls().mmiStop->trigger();
    AtNextRefresh(*Form, [&] { Form->Controls().mmiPause->trigger(); });
    Form->Controls().mmiRunBackwards->trigger();
    EXPECT_DOUBLE_EQ(Sim().Time, -0.5);
}

TEST_F(RunControl, TransitionsWhileRunning) {
    MakeSetup(2, {{"A", {0, 0}, {1, 0}}}, 1, 0.5);
    int steps = 0;
    const auto draw = Sim().OnStepDone;
    Sim().OnStepDone = [&] {
        ++steps;
        draw();
    };

    // Run backwards during a run turns the same loop round.
    double turnedAt = 0;
    AtNextRefresh(*Form, [&] {
        turnedAt = Sim().Time;
        Form->Controls().mmiRunBackwards->trigger();
        EXPECT_EQ(RunState(), rsRunning);
        AtNextRefresh(*Form, [&] { Form->Controls().mmiPause->trigger(); });
    });
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_LT(Sim().SignedStep, 0);
    EXPECT_LT(Sim().Time, turnedAt);

    // Step during a run: exactly one more step, then paused.
    int stepsAtCommand = 0;
    AtNextRefresh(*Form, [&] {
        stepsAtCommand = steps;
        Form->Controls().mmiStep->trigger();
    });
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(steps, stepsAtCommand + 1);
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_EQ(Form->PanelText(0), "Paused");
    EXPECT_GT(Sim().SignedStep, 0);

    // Run from paused continues at the paused time.
    const double pausedAt = Sim().Time;
    AtNextRefresh(*Form, [&] { Form->Controls().mmiPause->trigger(); });
    Form->Controls().mmiStart->trigger();
    EXPECT_GT(Sim().Time, pausedAt);

    // Stop during a run rewinds at once and ends the loop.
    AtNextRefresh(*Form, [&] { Form->Controls().mmiStop->trigger(); });
    Form->Controls().mmiStart->trigger();
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Time, 0);
    EXPECT_EQ(Form->PanelText(1), "Time: 0");
    Sim().OnStepDone = draw;
}

TEST_F(RunControl, TransitionsFromPaused) {
    MakeSetup(2, {{"A", {0, 0}, {1, 0}}}, 1, 0.5);
    Form->Controls().mmiStep->trigger();
    Form->Controls().mmiPause->trigger();
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_DOUBLE_EQ(Sim().Time, 0.5);
    Form->Controls().mmiStep->trigger();
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_DOUBLE_EQ(Sim().Time, 1.0);
    Form->Controls().mmiStepBack->trigger();
    EXPECT_DOUBLE_EQ(Sim().Time, 0.5);
    Form->Controls().mmiStop->trigger();
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Time, 0);
    EXPECT_DOUBLE_EQ(Sim().Particles.Particles(0).Position[0], 0);
}

TEST_F(RunControl, StatusTexts) {
    MakeSetup(3, {{"A", {0, 0, 0}, {1, 0, 0}}}, 1, 0.0123456);
    EXPECT_EQ(Form->PanelText(2), "Frame: Origin  (x = 0, y = 0)");
    Form->Controls().mmiStep->trigger();
    EXPECT_EQ(Form->PanelText(1), "Time: 0.012346");

    MakeSetup(4, {{"A", {0, 0, 0, 0}, {1, 0, 0, 0}}});
    EXPECT_EQ(Form->PanelText(2), "Frame: Origin  (x1 = 0, x2 = 0)");

    Form->ResizeDrawingArea(1000, 600);
    ASSERT_EQ(Form->DrawingArea()->size(), QSize(1000, 600));
    EXPECT_EQ(Form->PanelText(3), "Width: 1000   Height: 600");
    // Zoom in shows the frame anew.
    Form->Document().Frame().SetScale(1000);
    Form->Controls().actZoomIn->trigger();
    EXPECT_EQ(Form->PanelText(3), "Width: 0.5   Height: 0.3");

    Form->Document().Frame().SetScale(0.5);
    Form->Document().Frame().OwnOrigin()[0] = 123456;
    Form->Document().Frame().OwnOrigin()[1] = 2.5e-7;
    Form->Controls().actZoomIn->trigger();
    EXPECT_EQ(Form->PanelText(2), "Frame: Origin  (x1 = 1.2346E5, x2 = 2.5E-7)");
}

TEST_F(RunControl, StatusPanelsNeverCutANumber) {
    // The longest numbers of the 5-digit format, in a frame that follows a particle. Each panel
    // asks for the room its text needs (a window too narrow for all shortens them, see
    // StatusBarTest).
    MakeSetup(2, {{"Sun", {-8.8888e-300, -8.8888e-300}, {0, 0}}}, 3.2402e301 / 2);
    Form->Document().Frame().SetName("Sun");
    // Paused, so that the view change that follows keeps the time.
    Form->Controls().mmiStep->trigger();
    Sim().Time = -8.8888e-300;
    Form->Controls().actZoomIn->trigger();
    EXPECT_EQ(Form->PanelText(1), "Time: -8.8888E-300");
    EXPECT_EQ(Form->PanelText(2), "Frame: Sun  (x = -8.8888E-300, y = -8.8888E-300)");
    EXPECT_EQ(Form->PanelText(3), "Width: 1.2345E-299   Height: 9.2587E-300");
    QList<QLabel*> panels = Form->Controls().stbStatusBar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    // Beside the four panels, the note (where the setup was saved) is no panel.
    panels.removeIf([](const QLabel* label) { return label->objectName() == "StatusNote"; });
    ASSERT_EQ(panels.size(), 4);
    for (int i = 1; i < 4; ++i) {
        EXPECT_LT(panels[i]->fontMetrics().horizontalAdvance(Form->PanelText(i)), Form->PanelWidth(i))
            << Form->PanelText(i).toStdString();
    }
}

TEST_F(RunControl, NumbersUseAFullStopUnderAGermanLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::string savedC = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
        if (std::setlocale(LC_NUMERIC, name)) break;

    MakeSetup(2, {{"A", {0, 0}, {1, 0}}}, 1, 0.25);
    Form->Controls().mmiStep->trigger();
    const QString time = Form->PanelText(1);
    Form->Document().Frame().SetScale(1000);
    Form->Controls().actZoomIn->trigger();
    const QString extent = Form->PanelText(3);

    std::setlocale(LC_NUMERIC, savedC.c_str());
    QLocale::setDefault(saved);
    EXPECT_EQ(time, "Time: 0.25");
    EXPECT_EQ(extent, "Width: 0.2   Height: 0.15");
}

// A collision at full speed among a thousand particles, with every method: the message comes
// after the step that found it has ended, with the time of the collision on the status bar and
// the picture of the particles where they touched; then the run stands stopped and rewound.
TEST_F(RunControl, CollisionIsReportedAfterItsStepThenStops) {
    std::vector<TParticleSeed> seeds = {{"Left", {-1, 0}, {1, 0}, 1, 5, 1, false, false, 0.3},
                                        {"Right", {1, 0}, {-1, 0}, 1, 5, 2, false, false, 0.3}};
    for (int i = 0; i < 998; ++i)
        seeds.push_back({"P" + std::to_string(i),
                         {-150.0 + (i % 40) * 7, 5.0 + (i / 40) * 5},
                         {},
                         0,
                         3,
                         3,
                         false,
                         false,
                         0});
    MakeSetup(2, seeds, 1, 0.05, 2);
    Sim().Collisions = true;
    ASSERT_EQ(Runner().RefreshInterval(), 1);
    for (int m = nmEuler; m <= nmStoermer; ++m) {
        SCOPED_TRACE(m);
        Sim().SetMethod(static_cast<TNumMethod>(m));
        Form->Controls().mmiStop->trigger();
        Prompts->Messages.clear();
        QString panel;
        double time = -1;
        bool drawnWhereTouched = false;
        Prompts->OnMessage = [&](const QString&) {
            panel = Form->PanelText(1);
            time = Sim().Time;
            drawnWhereTouched = true;
            for (int i : {0, 1}) {
                const TParticle& p = Sim().Particles.Particles(i);
                const TScreenPoint drawn = View().ScreenPos()[static_cast<size_t>(i)];
                const TScreenPoint there = View().ImagePosition(p.Position, p.ImageSize);
                drawnWhereTouched = drawnWhereTouched && drawn.X == there.X && drawn.Y == there.Y;
            }
        };
        Form->Controls().mmiStart->trigger();
        Prompts->OnMessage = nullptr;

        ASSERT_EQ(Prompts->Messages.size(), 1u);
        EXPECT_EQ(Prompts->Messages[0],
                  "Collision between Left and Right at t = " + QString::number(time, 'f', 2));
        EXPECT_GT(time, 0.5);
        EXPECT_EQ(panel, "Time: " + QString::number(time, 'f', 2));
        EXPECT_TRUE(drawnWhereTouched);
        EXPECT_TRUE(Prompts->Errors.empty());
        EXPECT_EQ(RunState(), rsStopped);
        EXPECT_EQ(Form->PanelText(0), "Stopped");
        EXPECT_EQ(Form->PanelText(1), "Time: 0");
        EXPECT_EQ(Sim().Time, 0);
    }
    // A single step that finds it: the same report, and the setup stopped.
    Sim().SetMethod(nmEuler);
    Form->Controls().mmiStop->trigger();
    Prompts->Messages.clear();
    for (int k = 0; k < 40 && Prompts->Messages.empty(); ++k) Form->Controls().mmiStep->trigger();
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_TRUE(Prompts->Messages[0].startsWith("Collision between Left and Right at t = 0."));
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Time, 0);
}

TEST_F(RunControl, ProgramErrorInARunIsShownInAMessageBoxThenStops) {
    MakeSetup(1, {{"Fast", {0}, {1e300}}}, 1, 1e300);
    Form->Controls().mmiStart->trigger();
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_EQ(Prompts->Messages[0], "Coordinate out of range");
    EXPECT_TRUE(Prompts->Errors.empty());
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Time, 0);
    EXPECT_EQ(Form->PanelText(0), "Stopped");
}

TEST_F(RunControl, ErrorInASingleStepGoesToTheTopLevelAndStaysPaused) {
    MakeSetup(1, {{"Fast", {0}, {1e300}}}, 1, 1e300);
    Form->Controls().mmiStep->trigger();
    ASSERT_EQ(Prompts->Errors.size(), 1u);
    EXPECT_EQ(Prompts->Errors[0], "Coordinate out of range.");
    EXPECT_EQ(RunState(), rsPaused);
}

TEST_F(RunControl, OtherErrorsInARunStopThenReachTheTopLevelHandler) {
    MakeSetup(2, {{"A", {0, 0}, {1, 0}}});
    const auto draw = Sim().OnStepDone;
    int steps = 0;
    Sim().OnStepDone = [&] {
        if (++steps == 3) throw std::runtime_error("Disk on fire");
        draw();
    };
    Form->Controls().mmiStart->trigger();
    Sim().OnStepDone = draw;
    EXPECT_TRUE(Prompts->Messages.empty());
    ASSERT_EQ(Prompts->Errors.size(), 1u);
    EXPECT_EQ(Prompts->Errors[0], "Disk on fire.");
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Time, 0);
}

// Energies of the reached state that cannot be computed (a massless probe meets a body at the
// end of step 4): the info window shows them as unavailable, never a NaN, and the step itself is
// not failed by the window; the next step fails by itself. Asked for by a record inside a run,
// they end the run as a failed step.
TEST_F(RunControl, EnergiesThatCannotBeComputedAreAnErrorNeverANumber) {
    Open(DataFile("MeetAtStep4.knx"));
    ASSERT_TRUE(Prompts->Errors.empty());
    Form->Controls().mmiInfo->trigger();
    Form->Controls().mmiEnergyPlot->trigger();
    for (int step = 0; step < 4; ++step) Form->Controls().mmiStep->trigger();
    EXPECT_TRUE(Prompts->Errors.empty());
    EXPECT_EQ(Form->InfoWindow()->Values()[3], "unavailable");
    EXPECT_EQ(Form->InfoWindow()->Values()[4], "unavailable");
    EXPECT_EQ(Form->EnergyPlot()->History().Count(), 4);  // time 0 and steps 1 to 3
    Form->Controls().mmiStep->trigger();
    ASSERT_EQ(Prompts->Errors.size(), 1u);
    EXPECT_EQ(Prompts->Errors[0], "Coordinate out of range.");
    EXPECT_EQ(RunState(), rsPaused);

    // In a run the refresh asks only every few steps, and the next step fails by itself; so the
    // drawing after step 3 stands for a refresh whose energies fail.
    Form->Controls().mmiStop->trigger();
    Prompts->Errors.clear();
    const auto draw = Sim().OnStepDone;
    int steps = 0;
    Sim().OnStepDone = [&] {
        draw();
        if (++steps == 3) throw EMathError(MsgZeroDivide);
    };
    Form->Controls().mmiStart->trigger();
    Sim().OnStepDone = draw;
    EXPECT_TRUE(Prompts->Errors.empty());
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_EQ(Prompts->Messages[0], "Coordinate out of range");
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Time, 0);
}

TEST(TopLevelHandler, AppendsAFullStopOnlyAfterLettersAndTheLike) {
    EXPECT_EQ(WithFullStop("Stepsize underflow"), "Stepsize underflow.");
    EXPECT_EQ(WithFullStop("Coordinate out of range."), "Coordinate out of range.");
    EXPECT_EQ(WithFullStop("Bad value 7"), "Bad value 7.");  // '7' comes after '.'
    EXPECT_EQ(WithFullStop("What?"), "What?.");
    EXPECT_EQ(WithFullStop("Ends in a comma,"), "Ends in a comma,");  // ',' comes before '.'
    EXPECT_EQ(WithFullStop(""), "");
}

// A fast notch takes many steps at one wake-up: they must be the simulation's own steps, none
// lost or doubled, whatever the method, the dimensions and the charges.
TEST_F(RunControl, AFastPacedRunTakesTheStepsOfTheSimulationAlone) {
    struct TCase {
        TNumMethod Method;
        int Dims;
        bool Charged;
    };
    std::vector<TCase> cases;
    for (int m = nmEuler; m <= nmStoermer; ++m)
        for (int dims : {1, 3, 26}) cases.push_back({static_cast<TNumMethod>(m), dims, m % 2 == 1});
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Method) + " in " + std::to_string(c.Dims) + "D" +
                     (c.Charged ? ", charged" : ""));
        SetPaceLevel(TPace::FullSpeedLevel());
        MakeSetup(c.Dims,
                  {{"A", {-1}, {0.05, 0.3}, 2}, {"B", {1}, {-0.05, -0.6}}, {"C", {3.5}, {0, 0.5}, 0.5}});
        Sim().SetMethod(c.Method);
        if (c.Charged) {
            Sim().Force->SetCoulombCoeff(0.5);
            Sim().Particles.Particles(0).SetCharge(1);
            Sim().Particles.Particles(1).SetCharge(-2);
        }
        Form->Controls().mmiStop->trigger();
        std::ostringstream setup;
        Sim().SaveToStream(setup);

        SetPaceLevel(TPace::LevelOfStepsPerSecond(2000));
        RunWhile([&] {
            if (Runner().StepsDone() < 40) return true;
            Form->Controls().mmiPause->trigger();
            return false;
        });
        ASSERT_EQ(RunState(), rsPaused);

        TFramedSim alone;
        std::istringstream in(setup.str());
        alone.Sim().LoadFromStream(in);
        alone.Sim().Prepare();
        for (std::int64_t k = 0; k < Runner().StepsDone(); ++k) alone.Sim().Step();
        EXPECT_EQ(alone.Sim().Time, Sim().Time);
        for (int i = 0; i < Sim().Particles.Count(); ++i)
            for (int d = 0; d < c.Dims; ++d) {
                EXPECT_EQ(alone.Sim().Particles.Particles(i).Position[d],
                          Sim().Particles.Particles(i).Position[d]);
                EXPECT_EQ(alone.Sim().Particles.Particles(i).Velocity[d],
                          Sim().Particles.Particles(i).Velocity[d]);
            }
    }
}

}  // namespace
}  // namespace kinetra::ui::test
