// The main window's skeleton and run control: layout, menus, tool panel, status bar, the run
// states with the run loop, and the rule that enables the commands.
#include "ui/window/SimMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <QUndoStack>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <algorithm>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "ui/dialogs/KNInfo.h"
#include "ui/document/Document.h"
#include "ui/document/RunClock.h"
#include "ui/document/UiText.h"
#include "ui/extras/EnergyPlot.h"
#include "ui/extras/Session.h"
#include "ui/extras/SimExtras.h"
#include "ui/run/RunControl.h"
#include "ui/scene/SceneView.h"
#include "ui/setup/SetupCommands.h"
#include "ui/view/BodyCommands.h"
#include "ui/view/SceneGestures.h"
#include "ui/view/ViewCommands.h"
#include "ui/window/RepaintingPrompts.h"
#include "ui/window/SpeedControl.h"
#include "ui/window/StatusPanels.h"
#include "ui/window/ToolIcons.h"
#include "ui/window/WatchCommands.h"
#include "ui/window/WindowAids.h"

namespace kinetra::ui {

namespace {

constexpr int kSpeedPanelWidth = 41;
constexpr int kButtonLeft = 8;
constexpr int kButtonWidth = 23;
constexpr int kButtonHeight = 22;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation and destruction

TSimForm::TSimForm(std::unique_ptr<TUserPrompts> prompts, QWidget* parent) : QMainWindow(parent) {
    FPrompts = std::make_unique<TRepaintingPrompts>(
        prompts ? std::move(prompts) : std::make_unique<TQtPrompts>(), [this] { ScheduleRepaint(); });
    setWindowTitle(QString::fromUtf8(ProgramTitle));
    setWindowIcon(ProgramIcon());
    setMinimumSize(150, 150);
    QFont font(QStringLiteral("Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    FDocument = std::make_unique<TDocument>();
    View = new TSceneView(*FDocument, this);
    setCentralWidget(View);
    Run = new TRunControl(*FDocument, *FPrompts, this);
    Views = new TViewCommands(*FDocument, *View, *FPrompts, this);
    Extras = new TSimExtras(*FDocument, *View, *FPrompts, this);
    Setup = new TSetupCommands(*FDocument, *View, *Views, *Extras, *FPrompts, this);
    // A modal prompt opened during a run holds the clock until it closes.
    FPrompts->SetHold([this](bool on) { on ? FDocument->Clock().Hold() : FDocument->Clock().Release(); });
    CreateActions();
    CreateMenus();
    CreateToolPanel();
    Status = std::make_unique<TStatusPanels>(View);
    stbStatusBar = Status->Bar();
    CreateSpeedControl();
    CreateUndoActions();
    ConnectRooms();
    FormCreate();
    Aids = new TWindowAids(*this);
    // The gestures on the particles draw on the aids' layer over the scene.
    Bodies = new TBodyCommands(*FDocument, *Setup, *FPrompts, this);
    Gestures = new TSceneGestures(*FDocument, *View, *Views, *Bodies, Aids->Overlay(), *FPrompts, this);
    connect(Gestures, &TSceneGestures::placingChanged, mmiAddParticle, &QAction::setChecked);
    connect(FDocument.get(), &TDocument::hintShown, this,
            [this](const QString& hint) { Status->ShowHint(hint); });
    UpdateCommands();
}

TSimForm::~TSimForm() {
    Terminating = true;
    // Nothing that goes below may call back into the window.
    FDocument->disconnect(this);
    FDocument->UndoStack().disconnect(this);
    FPrompts->SetHold(nullptr);
    // The rooms refer to the document, and the info window and the plot to the simulation:
    // they go first.
    delete Setup;
    delete Extras;
    delete Views;
    delete Run;
    Watch.reset();
    delete View;
    FDocument.reset();
}

void TSimForm::FormCreate() {
    Status->FitFixedTexts();
    FDocument->SetRunState(rsNoSetup);
    Setup->ResetView();
    LayoutOverlays();
    UpdateCommands();
    FDocument->SetModified(false);
    Setup->UpdateCaption();
    Created = true;
}

// The rooms tell what changed with signals; the window passes it on to the room, the action
// or the status panel it concerns.
void TSimForm::ConnectRooms() {
    TDocument& document = *FDocument;
    // The rule of the enabled commands follows every change of its inputs.
    for (auto signal : {&TDocument::setupReplaced, &TDocument::particlesChanged, &TDocument::viewReset})
        connect(&document, signal, this, [this] { UpdateCommands(); });
    connect(&document, &TDocument::runStateChanged, this, [this] { UpdateCommands(); });
    connect(&document, &TDocument::modifiedChanged, this, [this] { UpdateCommands(); });
    connect(&document, &TDocument::viewReset, this, [this] {
        smiSelectedTrails->setChecked(true);
        Status->Clear();
    });

    connect(View, &TSceneView::refreshed, this, [this] { SceneRefreshed(); });
    connect(View, &TSceneView::resized, this, [this] { Guard([this] { FormResize(); }); });

    connect(Run, &TRunControl::panelText, this,
            [this](int index, const QString& text) { Status->SetPanel(index, text); });
    TRunClock& clock = document.Clock();
    connect(&clock, &TRunClock::shownAnew, this, [this] { ShowFrameInfo(); });
    connect(&clock, &TRunClock::stopping, Extras, &TSimExtras::StopRecording);
    // At a rewind: the info window's values, then the energy plot's time-0 sample.
    connect(&clock, &TRunClock::rewound, Setup, &TSetupCommands::UpdateInfoValues);
    connect(&clock, &TRunClock::rewound, Extras, &TSimExtras::TakeRewindSample);
    connect(&clock, &TRunClock::stepTaken, Extras, &TSimExtras::StepDrawn);

    connect(Views, &TViewCommands::frameInfoChanged, this, [this] { ShowFrameInfo(); });
    connect(Views, &TViewCommands::trailModeChanged, this, [this](TTrailMode mode) {
        (mode == tmAll ? smiAllTrails : mode == tmNone ? smiNoTrails : smiSelectedTrails)->setChecked(true);
    });
    connect(Views, &TViewCommands::markerChanged, mmiCenterOfMass, &QAction::setChecked);

    connect(Setup, &TSetupCommands::captionChanged, this, &QWidget::setWindowTitle);
    connect(Setup, &TSetupCommands::infoShownChanged, mmiInfo, &QAction::setChecked);
    connect(Setup, &TSetupCommands::statusNote, this, [this](const QString& note) { Status->SetNote(note); });
    connect(Setup, &TSetupCommands::quitRequested, this, [this] {
        Terminating = true;
        Quitting = true;
        close();
        QCoreApplication::quit();
    });

    connect(Extras, &TSimExtras::openRequested, this,
            [this](const QString& fileName) { Guard([this, fileName] { Setup->OpenFromMenu(fileName); }); });
    connect(Extras, &TSimExtras::energyPlotShownChanged, mmiEnergyPlot, &QAction::setChecked);
    connect(Extras, &TSimExtras::recordingChanged, mmiRecordCsv, &QAction::setChecked);
    connect(Extras, &TSimExtras::recentFilesChanged, this, [this] { Extras->FillRecentMenu(*mmiRecent); });
}

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
    mmiRecordCsv = NewAction(QStringLiteral("&Record to CSV..."),
                             [this] { Extras->mmiRecordCsvClick(mmiRecordCsv->isChecked()); });
    mmiFitAll = NewAction(QStringLiteral("&Fit all"), [this] { Views->mmiFitAllClick(); });
    mmiExportImage = NewAction(QStringLiteral("&Export image..."), [this] { Extras->mmiExportImageClick(); });
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
    file->addActions({mmiSaveState, mmiRecordCsv, mmiExportImage});
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
    options->addActions({mmiInfo, mmiEnergyPlot});
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

// The tool panel and the status bar lie over the drawing area along its right and bottom edges.
void TSimForm::LayoutOverlays() {
    const int w = View->width();
    const int h = View->height();
    const int statusHeight = stbStatusBar->sizeHint().height();
    stbStatusBar->setGeometry(0, h - statusHeight, w, statusHeight);
    pnlSpeedPanel->setGeometry(w - kSpeedPanelWidth, 0, kSpeedPanelWidth, std::max(0, h - statusHeight));
}

void TSimForm::SetPrompts(std::unique_ptr<TUserPrompts> prompts) {
    if (prompts) FPrompts->SetInner(std::move(prompts));
}

void TSimForm::ScheduleRepaint() {
    if (RepaintPending) return;
    RepaintPending = true;
    // Queued, as the window system's repaint comes after the command that closed the prompt
    // has finished (the frame settings command erases the marker after its dialog).
    QMetaObject::invokeMethod(
        this,
        [this] {
            RepaintPending = false;
            Guard([this] { View->FormPaint(); });
        },
        Qt::QueuedConnection);
}

bool TSimForm::eventFilter(QObject* watched, QEvent* event) {
    // Uncovered by another window: the window system asks for the picture again.
    if (event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed())
        ScheduleRepaint();
    return QMainWindow::eventFilter(watched, event);
}

void TSimForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!ExposeWatched && windowHandle()) {
        windowHandle()->installEventFilter(this);
        ExposeWatched = true;
    }
}

QString TSimForm::PanelText(int index) const {
    return Status->PanelText(index);
}

QString TSimForm::StatusHint() const {
    return Status->Hint();
}

QString TSimForm::StatusNote() const {
    return Status->Note();
}

int TSimForm::PanelWidth(int index) const {
    return Status->PanelWidth(index);
}

void TSimForm::ShowFrameInfo() {
    Status->ShowFrameInfo(FDocument->Frame());
}

void TSimForm::ResizeDrawingArea(int width, int height) {
    if (QLayout* l = layout()) l->activate();
    const QSize extra = size() - View->size();
    resize(width + extra.width(), height + extra.height());
    QCoreApplication::sendPostedEvents();
    if (QLayout* l = layout()) l->activate();
    QCoreApplication::sendPostedEvents();
}

// ---------------------------------------------------------------------------------------------
// Errors

void TSimForm::Guard(const std::function<void()>& command) {
    RunGuarded(*FPrompts, this, command);
}

void TSimForm::HandleException(std::exception_ptr error) {
    kinetra::ui::HandleException(*FPrompts, this, error);
}

void TSimForm::UpdateCommands() {
    const TSimData& sim = FDocument->Sim();
    const bool setup = FDocument->HasSetup();
    mmiSave->setEnabled(setup && FDocument->Modified());
    for (QAction* a : {mmiSaveAs, mmiEditParticles, mmiSimulationOptions, mmiSettings, mmiNotes, mmiInfo,
                       mmiStart, mmiRunBackwards, mmiStep, mmiStepBack, mmiPause, mmiStop, mmiClear,
                       actZoomIn, actZoomOut, mmiFitAll, mmiAddParticle, mmiZeroMomentum})
        a->setEnabled(setup);
    mmiTrails->menuAction()->setEnabled(setup);
    for (QAction* a : {mmiEnergyPlot, mmiRecordCsv, mmiExportImage, mmiSaveState}) a->setEnabled(setup);
    mmiCenterOfMass->setEnabled(setup && sim.Particles.TotalMass != 0);
    actToggle->setEnabled(setup && sim.Dimensions > 1);
    // A running simulation is not changed under the run.
    const bool changeable = setup && FDocument->RunState() != rsRunning;
    mmiUndo->setEnabled(changeable && FDocument->UndoStack().canUndo());
    mmiRedo->setEnabled(changeable && FDocument->UndoStack().canRedo());
}

// ---------------------------------------------------------------------------------------------
// The rooms' read-outs and the window's part of their work

void TSimForm::OpenSetup(const QString& chosenName) {
    Setup->OpenSetup(chosenName);
}

bool TSimForm::RestoreWindowGeometry() {
    return Extras->RestoreWindowGeometry();
}

const TRunClock& TSimForm::RunClock() const {
    return FDocument->Clock();
}

QImage TSimForm::SceneImage() const {
    return View->SceneImage();
}

TfrmInfo* TSimForm::InfoWindow() const {
    return Setup->InfoWindow();
}

bool TSimForm::InfoShown() const {
    return Setup->InfoShown();
}

TfrmEnergyPlot* TSimForm::EnergyPlot() const {
    return Extras->EnergyPlot();
}

bool TSimForm::EnergyPlotShown() const {
    return Extras->EnergyPlotShown();
}

const TCsvRecorder& TSimForm::Recorder() const {
    return Extras->Recorder();
}

THelpWindow* TSimForm::HelpWindow() const {
    return Watch->HelpWindow();
}

QString TSimForm::ParticleTip(QPoint pixel) const {
    return Views->ParticleTip(pixel);
}

TAnswer TSimForm::AskSave() {
    return Setup->AskSave();
}

QWidget* TSimForm::DrawingArea() const {
    return View;
}

QColor TSimForm::BackgroundColour() const {
    return palette().color(QPalette::Window);
}

void TSimForm::FormResize() {
    if (Terminating || !Created) return;
    LayoutOverlays();
    View->ResizeCanvas();
    if (FDocument->HasSetup()) {
        ShowFrameInfo();
        View->UpdateScreenPositions();
        View->RefreshScene();
    }
}

void TSimForm::SceneRefreshed() {
    Status->SetPanel(1, TimeText(FDocument->Sim().Time));
    if (QString::fromStdString(FDocument->Frame().Name())
            .compare(QString::fromUtf8(FrameOrigin), Qt::CaseInsensitive) != 0)
        ShowFrameInfo();
    Setup->UpdateInfoValues();
    Extras->SceneRefreshed();
    Views->FollowTip();
}

// ---------------------------------------------------------------------------------------------
// Window events

void TSimForm::closeEvent(QCloseEvent* event) {
    if (Quitting) {
        TSession::SetWindowGeometry(saveGeometry());
        event->accept();
        return;
    }
    bool consent = false;
    Guard([&] { consent = Setup->FormCloseQuery(); });
    if (consent) {
        Terminating = true;
        TSession::SetWindowGeometry(saveGeometry());
        event->accept();
    } else {
        event->ignore();
    }
}

void TSimForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            Guard([&] { Views->FormKeyUp(event->key()); });
            event->accept();
            break;
        case Qt::Key_Escape:
            Guard([this] { Gestures->EscapeKey(); });
            event->accept();
            break;
        case Qt::Key_Delete:
            // Only for the scene: a key another part of the window let go of deletes nothing.
            if (focusWidget() != nullptr && focusWidget() != View) {
                QMainWindow::keyPressEvent(event);
                break;
            }
            Guard([this] { Gestures->DeleteKey(); });
            event->accept();
            break;
        default:
            QMainWindow::keyPressEvent(event);
    }
}

void TSimForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) View->ClearImageCache();
    if (event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        // Coming back from an icon is the one moment the whole picture is drawn anew.
        if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
            Guard([this] { View->FormPaint(); });
    }
    QMainWindow::changeEvent(event);
}

}  // namespace kinetra::ui
