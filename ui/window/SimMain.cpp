// The main window's skeleton: creation, the wiring of the rooms, the layout of the overlays,
// the read-outs, the rule that enables the commands and the window's events. The menus, the
// actions and the tool panel are made in SimMenus.cpp.
#include "ui/window/SimMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
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
#include "engine/SetupUnits.h"
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
#include "ui/window/KeyCommands.h"
#include "ui/window/RepaintingPrompts.h"
#include "ui/window/SpeedControl.h"
#include "ui/window/StatusPanels.h"
#include "ui/window/ToolIcons.h"
#include "ui/window/UnitsMenu.h"
#include "ui/window/WatchCommands.h"
#include "ui/window/WindowAids.h"

namespace kinetra::ui {

namespace {

constexpr int kSpeedPanelWidth = 41;

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
    connect(Gestures, &TSceneGestures::plotRequested, this,
            [this](int body) { Guard([this, body] { Extras->mmiPlotClick(body); }); });
    connect(FDocument.get(), &TDocument::hintShown, this,
            [this](const QString& hint) { Status->ShowHint(hint); });
    CreateReadingAids();
    UpdateCommands();
}

// The units of the read-outs and the keys beside the window's own.
void TSimForm::CreateReadingAids() {
    UnitsMenu = new TUnitsMenu(*menuBar()->findChild<QMenu*>(QStringLiteral("mmiOptions")), this);
    Status->SetUnitsSource([this] { return FDocument->HasSetup() ? Units() : TUnitSystem::None; },
                           [this] { return FDocument->Sim().Time; });
    connect(UnitsMenu, &TUnitsMenu::choiceChanged, this, [this] {
        Guard([this] {
            if (!FDocument->HasSetup()) return;
            Status->SetPanel(1, TimeText(FDocument->Sim().Time));
            ShowFrameInfo();
        });
    });
    Keys = new TKeyCommands(*this, *this, [this] { return FDocument->RunState() == rsRunning; });
    // Placing ends with the setup it was for and when a run starts, so that "Add particle"
    // always switches it on.
    connect(FDocument.get(), &TDocument::setupReplaced, this, [this] { mmiAddParticle->setChecked(false); });
    connect(FDocument.get(), &TDocument::runStateChanged, this, [this](TRunState state) {
        if (state == rsRunning) mmiAddParticle->setChecked(false);
    });
    QAction* messages = NewAction(QStringLiteral("&Messages"), [this] { Status->ShowLog(*FPrompts, this); });
    messages->setObjectName(QStringLiteral("mmiMessages"));
    menuBar()->findChild<QMenu*>(QStringLiteral("mnmHelp"))->insertAction(mmiAbout, messages);
}

TUnitSystem TSimForm::Units() const {
    return SetupUnitSystem(FDocument->Sim(), UnitsMenu ? UnitsMenu->Choice() : TUnitChoice::Automatic);
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
    // A recording shows in the status bar while it goes on, and says what it wrote when it ends.
    connect(Extras, &TSimExtras::recordingChanged, this, [this](bool on) {
        const QString mark = QStringLiteral("\u25CF CSV ");
        if (on)
            Status->SetNote(mark + QFileInfo(ToQ(Extras->Recorder().Name())).fileName());
        else if (Status->Note().startsWith(mark))
            Status->SetNote({});
    });
    connect(Extras, &TSimExtras::recordingStopped, this, [this](qint64 records, const QString& fileName) {
        Status->ShowHint(QStringLiteral("Recording stopped: %1 records written to %2")
                             .arg(records)
                             .arg(QFileInfo(fileName).fileName()));
    });
    connect(Extras, &TSimExtras::recentFilesChanged, this, [this] { Extras->FillRecentMenu(*mmiRecent); });
}

// The tool panel and the status bar lie over the drawing area along its right and bottom edges.
void TSimForm::LayoutOverlays() {
    const int w = View->width();
    const int h = View->height();
    const int statusHeight = stbStatusBar->sizeHint().height();
    stbStatusBar->setGeometry(0, h - statusHeight, w, statusHeight);
    Status->PlaceMessageLine(w - kSpeedPanelWidth, h - statusHeight);
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
    for (QAction* a :
         {mmiEnergyPlot, mmiPlot, mmiRecordCsv, mmiExportImage, mmiExportAnimation, mmiSaveState})
        a->setEnabled(setup);
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

std::vector<TfrmPlot*> TSimForm::Plots() const {
    return Extras->Plots();
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
