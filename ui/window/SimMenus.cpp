// The main window's menus, actions, tool panel, speed control and undo items: one QAction per
// command, shared by its menu item, tool button and shortcut.
#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <QUndoStack>

#include "ui/document/Document.h"
#include "ui/document/RunClock.h"
#include "ui/extras/SimExtras.h"
#include "ui/run/RunControl.h"
#include "ui/setup/SetupCommands.h"
#include "ui/view/BodyCommands.h"
#include "ui/view/SceneGestures.h"
#include "ui/view/ViewCommands.h"
#include "ui/window/SimMain.h"
#include "ui/window/SpeedControl.h"
#include "ui/window/StatusPanels.h"
#include "ui/window/ToolIcons.h"
#include "ui/window/WatchCommands.h"

namespace kinetra::ui {

namespace {

constexpr int kButtonLeft = 8;
constexpr int kButtonWidth = 23;
constexpr int kButtonHeight = 22;

}  // namespace

QAction* TSimForm::NewAction(const QString& caption, const std::function<void()>& handler) {
    auto* action = new QAction(caption, this);
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, handler] { Guard(handler); });
    return action;
}

void TSimForm::CreateActions() {
    mmiNew = NewAction(QStringLiteral("&New"), [this] { Setup->mmiNewClick(); });
    mmiOpen = NewAction(QStringLiteral("&Open"), [this] { Setup->mmiOpenClick(); });
    mmiSave = NewAction(QStringLiteral("&Save"), [this] { Setup->mmiSaveClick(); });
    mmiSaveAs = NewAction(QStringLiteral("Save &As"), [this] { Setup->mmiSaveAsClick(); });
    mmiQuit = NewAction(QStringLiteral("&Quit"), [this] { Setup->mmiQuitClick(); });
    mmiEditParticles =
        NewAction(QStringLiteral("&Edit particles"), [this] { Setup->mmiEditParticlesClick(); });
    mmiSimulationOptions =
        NewAction(QStringLiteral("&Simulation options"), [this] { Setup->mmiSimulationOptionsClick(); });
    mmiSettings = NewAction(QStringLiteral("&Frame settings"), [this] { Setup->mmiSettingsClick(); });
    mmiNotes = NewAction(QStringLiteral("&Notes"), [this] { Setup->mmiNotesClick(); });
    mmiStart = NewAction(QStringLiteral("&Run"), [this] { Run->mmiStartClick(); });
    mmiRunBackwards = NewAction(QStringLiteral("Run &backwards"), [this] { Run->sbBackClick(); });
    mmiStep = NewAction(QStringLiteral("St&ep"), [this] { Run->sbStepClick(); });
    mmiStepBack = NewAction(QStringLiteral("Step b&ack"), [this] { Run->sbStepBackClick(); });
    mmiPause = NewAction(QStringLiteral("&Pause"), [this] { Run->mmiPauseClick(); });
    mmiStop = NewAction(QStringLiteral("&Stop"), [this] { Run->mmiStopClick(); });
    mmiClear = NewAction(QStringLiteral("&Clear"), [this] { View->Clear(); });
    mmiInfo =
        NewAction(QStringLiteral("&Display info"), [this] { Setup->mmiInfoClick(mmiInfo->isChecked()); });
    smiAllTrails = NewAction(QStringLiteral("All"), [this] { Views->smiAllTrailsClick(); });
    smiSelectedTrails = NewAction(QStringLiteral("Selected"), [this] { Views->smiSelectedTrailsClick(); });
    smiNoTrails = NewAction(QStringLiteral("None"), [this] { Views->smiNoTrailsClick(); });
    mmiCenterOfMass = NewAction(QStringLiteral("&Show center of mass"),
                                [this] { Views->mmiCenterOfMassClick(mmiCenterOfMass->isChecked()); });
    mmiAbout = NewAction(QStringLiteral("&About Kinetra"), [this] { Setup->mmiAboutClick(); });
    actToggle = NewAction(QStringLiteral("Toggle axes"), [this] { Views->sbToggleClick(); });
    actZoomIn = NewAction(QStringLiteral("Zoom in"), [this] { Views->sbZoomInClick(); });
    actZoomOut = NewAction(QStringLiteral("Zoom out"), [this] { Views->sbZoomOutClick(); });
    mmiEnergyPlot = NewAction(QStringLiteral("Energy &plot"),
                              [this] { Extras->mmiEnergyPlotClick(mmiEnergyPlot->isChecked()); });
    mmiPlot = NewAction(QStringLiteral("P&lot\u2026"), [this] { Extras->mmiPlotClick(); });
    mmiRecordCsv = NewAction(QStringLiteral("&Record to CSV..."),
                             [this] { Extras->mmiRecordCsvClick(mmiRecordCsv->isChecked()); });
    mmiFitAll = NewAction(QStringLiteral("&Fit all"), [this] { Views->mmiFitAllClick(); });
    mmiExportImage = NewAction(QStringLiteral("&Export image..."), [this] { Extras->mmiExportImageClick(); });
    mmiExportAnimation =
        NewAction(QStringLiteral("Export ani&mation\u2026"), [this] { Extras->mmiExportAnimationClick(); });
    mmiSaveState =
        NewAction(QStringLiteral("Save state as setup..."), [this] { Extras->mmiSaveStateClick(); });
    // Placing goes on until it is switched off; its check mark shows it.
    mmiAddParticle = new QAction(QStringLiteral("&Add particle"), this);
    mmiAddParticle->setIconVisibleInMenu(false);
    mmiAddParticle->setCheckable(true);
    connect(mmiAddParticle, &QAction::toggled, this,
            [this](bool on) { Guard([this, on] { Gestures->SetPlacing(on); }); });
    mmiZeroMomentum =
        NewAction(QStringLiteral("&Zero total momentum"), [this] { Bodies->mmiZeroMomentumClick(); });

    mmiSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    mmiEditParticles->setShortcut(QKeySequence(Qt::Key_F1));
    mmiSimulationOptions->setShortcut(QKeySequence(Qt::Key_F2));
    mmiSettings->setShortcut(QKeySequence(Qt::Key_F3));
    mmiNotes->setShortcut(QKeySequence(Qt::Key_F4));
    mmiStart->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    mmiStep->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mmiStepBack->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    mmiPause->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    mmiClear->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    mmiInfo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    mmiFitAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    mmiFitAll->setToolTip(QStringLiteral("Fit every visible particle on screen"));
    mmiFitAll->setStatusTip(mmiFitAll->toolTip());

    mmiInfo->setCheckable(true);
    mmiEnergyPlot->setCheckable(true);
    mmiRecordCsv->setCheckable(true);
    mmiCenterOfMass->setCheckable(true);
    TrailGroup = new QActionGroup(this);
    TrailGroup->setExclusive(true);
    for (QAction* a : {smiAllTrails, smiSelectedTrails, smiNoTrails}) {
        a->setCheckable(true);
        TrailGroup->addAction(a);
    }
    smiSelectedTrails->setChecked(true);
}

void TSimForm::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("mmMain"));
    auto addMenu = [&](const QString& caption, const char* name) {
        QMenu* menu = bar->addMenu(caption);
        menu->setObjectName(QString::fromUtf8(name));
        menu->setFont(font());
        return menu;
    };
    QMenu* file = addMenu(QStringLiteral("&File"), "mmiFile");
    file->addActions({mmiNew, mmiOpen});
    mmiExamples = file->addMenu(QStringLiteral("Open e&xample"));
    mmiExamples->setObjectName(QStringLiteral("mmiExamples"));
    mmiExamples->setFont(font());
    mmiRecent = file->addMenu(QStringLiteral("Open re&cent"));
    mmiRecent->setObjectName(QStringLiteral("mmiRecent"));
    mmiRecent->setFont(font());
    // The list changes with every open and save, also in another instance of the program. Its
    // access key is not the "r" of "&Record to CSV...", which would shadow that item.
    connect(mmiRecent, &QMenu::aboutToShow, this,
            [this] { Guard([this] { Extras->FillRecentMenu(*mmiRecent); }); });
    file->addActions({mmiSave, mmiSaveAs});
    file->addSeparator();
    file->addActions({mmiSaveState, mmiRecordCsv, mmiExportImage, mmiExportAnimation});
    file->addSeparator();
    file->addAction(mmiQuit);
    Extras->FillExamplesMenu(*mmiExamples);
    Extras->FillRecentMenu(*mmiRecent);
    QMenu* edit = addMenu(QStringLiteral("&Edit"), "mmiEdit");
    edit->addActions({mmiEditParticles, mmiSimulationOptions, mmiSettings, mmiNotes});
    edit->addSeparator();
    edit->addActions({mmiAddParticle, mmiZeroMomentum});
    QMenu* simulate = addMenu(QStringLiteral("&Simulate"), "mmiSimulate");
    simulate->addActions({mmiStart, mmiRunBackwards, mmiStep, mmiStepBack, mmiPause, mmiStop});
    simulate->addSeparator();
    simulate->addAction(mmiClear);
    QMenu* options = addMenu(QStringLiteral("&Options"), "mmiOptions");
    options->addActions({mmiInfo, mmiEnergyPlot, mmiPlot});
    mmiTrails = options->addMenu(QStringLiteral("&Trails"));
    mmiTrails->setObjectName(QStringLiteral("mmiTrails"));
    mmiTrails->setFont(font());
    mmiTrails->addActions({smiAllTrails, smiSelectedTrails, smiNoTrails});
    options->addAction(mmiCenterOfMass);
    options->setToolTipsVisible(true);
    options->addAction(mmiFitAll);
    QMenu* help = addMenu(QStringLiteral("&Help"), "mnmHelp");
    help->addAction(mmiAbout);
    // The view tools have no menu item; their actions still belong to the window.
    addActions({actToggle, actZoomIn, actZoomOut});
}

void TSimForm::CreateToolPanel() {
    pnlSpeedPanel = new QFrame(View);
    pnlSpeedPanel->setObjectName(QStringLiteral("pnlSpeedPanel"));
    pnlSpeedPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlSpeedPanel->setAutoFillBackground(true);
    // Each button shows its action with the action's icon and hint.
    struct TButton {
        QToolButton** Button;
        QAction* Action;
        int Top;
        const char* Name;
        TToolIcon Icon;
        const char* Hint;
    };
    const TButton buttons[] = {
        {&sbOpen, mmiOpen, 8, "sbOpen", TToolIcon::Open, "Open a setup"},
        {&sbSave, mmiSave, 40, "sbSave", TToolIcon::Save, "Save the setup"},
        {&sbStart, mmiStart, 88, "sbStart", TToolIcon::Run, "Run"},
        {&sbStepForward, mmiStep, 120, "sbStepForward", TToolIcon::Step, "Step"},
        {&sbPause, mmiPause, 152, "sbPause", TToolIcon::Pause, "Pause"},
        {&sbStop, mmiStop, 184, "sbStop", TToolIcon::Stop, "Stop"},
        {&sbBack, mmiRunBackwards, 216, "sbBack", TToolIcon::RunBack, "Run backwards"},
        {&sbStepBack, mmiStepBack, 248, "sbStepBack", TToolIcon::StepBack, "Step back"},
        {&sbToggle, actToggle, 296, "sbToggle", TToolIcon::Toggle, "Toggle axes"},
        {&sbZoomIn, actZoomIn, 328, "sbZoomIn", TToolIcon::ZoomIn, "Zoom in"},
        {&sbZoomOut, actZoomOut, 360, "sbZoomOut", TToolIcon::ZoomOut, "Zoom out"},
        {&sbAddParticle, mmiAddParticle, 408, "sbAddParticle", TToolIcon::AddParticle, "Add particle"},
    };
    for (const TButton& b : buttons) {
        b.Action->setToolTip(QString::fromUtf8(b.Hint));
        b.Action->setIcon(ToolIcon(b.Icon));
        auto* button = new QToolButton(pnlSpeedPanel);
        button->setObjectName(QString::fromUtf8(b.Name));
        button->setDefaultAction(b.Action);
        button->setGeometry(kButtonLeft, b.Top, kButtonWidth, kButtonHeight);
        button->setIconSize(QSize(16, 16));
        // The keys belong to the drawing area (arrow keys pan the view).
        button->setFocusPolicy(Qt::NoFocus);
        *b.Button = button;
    }
}

// The speed control on the status bar, "Faster" and "Slower" in the Simulate menu, the help in
// the Help menu.
void TSimForm::CreateSpeedControl() {
    spdSpeed = new TSpeedControl(stbStatusBar);
    spdSpeed->setObjectName(QStringLiteral("spdSpeed"));
    // The keys belong to the drawing area (arrow keys pan the view); the menu items and the
    // mouse move the slider.
    spdSpeed->Slider()->setFocusPolicy(Qt::NoFocus);
    stbStatusBar->addPermanentWidget(spdSpeed);
    Watch = std::make_unique<TWatchCommands>(*spdSpeed, FDocument->Clock(), this);
    connect(&FDocument->Clock(), &TRunClock::rateMeasured, spdSpeed, &TSpeedControl::ShowReached);
    connect(spdSpeed, &TSpeedControl::levelChanged, this,
            [this](int level) { Guard([this, level] { Watch->SetPaceLevel(level); }); });

    mmiFaster = NewAction(QStringLiteral("&Faster"), [this] { Watch->mmiFasterClick(); });
    mmiSlower = NewAction(QStringLiteral("S&lower"), [this] { Watch->mmiSlowerClick(); });
    mmiHelp = NewAction(QStringLiteral("&Kinetra help"), [this] { Watch->mmiHelpClick(); });
    mmiFaster->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up));
    mmiSlower->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down));
    mmiHelp->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    mmiFaster->setToolTip(QStringLiteral("Run faster"));
    mmiSlower->setToolTip(QStringLiteral("Run slower"));
    if (auto* simulate = menuBar()->findChild<QMenu*>(QStringLiteral("mmiSimulate"))) {
        simulate->insertActions(mmiClear, {mmiFaster, mmiSlower});
        simulate->insertSeparator(mmiClear);
    }
    if (auto* help = menuBar()->findChild<QMenu*>(QStringLiteral("mnmHelp")))
        help->insertAction(mmiAbout, mmiHelp);
}

// "Undo" and "Redo" at the end of the Edit menu.
void TSimForm::CreateUndoActions() {
    QUndoStack& stack = FDocument->UndoStack();
    mmiUndo = NewAction(QStringLiteral("&Undo"), [this] { FDocument->UndoStack().undo(); });
    mmiRedo = NewAction(QStringLiteral("&Redo"), [this] { FDocument->UndoStack().redo(); });
    mmiUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mmiRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    if (auto* edit = menuBar()->findChild<QMenu*>(QStringLiteral("mmiEdit"))) {
        edit->addSeparator();
        edit->addActions({mmiUndo, mmiRedo});
    }
    for (auto signal : {&QUndoStack::canUndoChanged, &QUndoStack::canRedoChanged})
        connect(&stack, signal, this, [this] { UpdateCommands(); });
    connect(&stack, &QUndoStack::undoTextChanged, this, [this] { UpdateUndoTexts(); });
    connect(&stack, &QUndoStack::redoTextChanged, this, [this] { UpdateUndoTexts(); });
    UpdateUndoTexts();
}

void TSimForm::UpdateUndoTexts() {
    const auto caption = [](const QString& verb, QString command) {
        // A particle's name may hold an "&", which a menu would take for an access key.
        command.replace(QLatin1Char('&'), QStringLiteral("&&"));
        return command.isEmpty() ? verb : verb + QLatin1Char(' ') + command;
    };
    const QUndoStack& stack = FDocument->UndoStack();
    mmiUndo->setText(caption(QStringLiteral("&Undo"), stack.undoText()));
    mmiRedo->setText(caption(QStringLiteral("&Redo"), stack.redoText()));
}

}  // namespace kinetra::ui
