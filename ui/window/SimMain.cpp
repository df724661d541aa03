// The main window's skeleton and run control: layout, menus, tool panel, status bar, the run
// states with the run loop, and the rule that enables the commands.
#include "ui/window/SimMain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QToolButton>
#include <QWindow>
#include <QWindowStateChangeEvent>
#include <algorithm>

#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "engine/SimulationData.h"
#include "parser/Parser.h"
#include "ui/dialogs/KNInfo.h"
#include "ui/extras/EnergyPlot.h"
#include "ui/extras/Session.h"
#include "ui/window/ToolIcons.h"
#include "ui/window/UiText.h"

namespace kinetra::ui {

namespace {

constexpr int kSpeedPanelWidth = 41;
constexpr int kButtonLeft = 8;
constexpr int kButtonWidth = 23;
constexpr int kButtonHeight = 22;

// Every prompt is a window over the scene: when it has closed, the scene is repainted as the
// window system would repaint an uncovered window (the canvas alone would keep whatever the
// command drew or erased meanwhile, such as a cleared area or an erased marker).
class TRepaintingPrompts : public TUserPrompts {
public:
    TRepaintingPrompts(std::unique_ptr<TUserPrompts> inner, std::function<void()> repaint)
        : Inner(std::move(inner)), Repaint(std::move(repaint)) {}

    void ShowMessage(QWidget* parent, const QString& text) override {
        After after(*this);
        Inner->ShowMessage(parent, text);
    }
    void ShowError(QWidget* parent, const QString& text) override {
        After after(*this);
        Inner->ShowError(parent, text);
    }
    TAnswer Confirm(QWidget* parent, const QString& text) override {
        After after(*this);
        return Inner->Confirm(parent, text);
    }
    QString GetOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter) override {
        After after(*this);
        return Inner->GetOpenFileName(parent, title, folder, filter);
    }
    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& folder,
                            const QString& proposedName, const QString& filter) override {
        After after(*this);
        return Inner->GetSaveFileName(parent, title, folder, proposedName, filter);
    }
    int ExecDialog(QDialog& dialog) override {
        After after(*this);
        return Inner->ExecDialog(dialog);
    }

private:
    // Also when the prompt ends in an exception.
    struct After {
        explicit After(TRepaintingPrompts& owner) : Owner(owner) {}
        After(const After&) = delete;
        After& operator=(const After&) = delete;
        ~After() { Owner.Repaint(); }
        TRepaintingPrompts& Owner;
    };

    std::unique_ptr<TUserPrompts> Inner;
    std::function<void()> Repaint;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The drawing area

TSceneView::TSceneView(TSimForm& form) : QWidget(&form), Form(form) {
    // The canvas covers every pixel, so Qt need not fill the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

void TSceneView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.drawImage(exposed.topLeft(), Form.Canvas, exposed);
    // Outside the canvas (only between a resize and its handling) show the background.
    const QRegion rest = QRegion(exposed).subtracted(QRegion(Form.Canvas.rect()));
    for (const QRect& r : rest) painter.fillRect(r, Form.BackgroundColour());
}

void TSceneView::resizeEvent(QResizeEvent*) {
    Form.Guard([this] { Form.FormResize(); });
}

// ---------------------------------------------------------------------------------------------
// Creation and destruction

TSimForm::TSimForm(std::unique_ptr<TUserPrompts> prompts, QWidget* parent) : QMainWindow(parent) {
    SetPrompts(prompts ? std::move(prompts) : std::make_unique<TQtPrompts>());
    setWindowTitle(QString::fromUtf8(ProgramTitle));
    setWindowIcon(ProgramIcon());
    setMinimumSize(150, 150);
    QFont font(QStringLiteral("Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);

    View = new TSceneView(*this);
    setCentralWidget(View);
    CreateActions();
    CreateMenus();
    CreateToolPanel();
    CreateStatusBar();
    FormCreate();
}

TSimForm::~TSimForm() {
    Terminating = true;
    // The info window and the frame refer to the simulation: they go first.
    FRecorder.Close();
    FEnergyPlot.reset();
    FInfoWindow.reset();
    FScreenFrame.reset();
    FSimData.reset();
}

void TSimForm::FormCreate() {
    Panels[0]->setFixedWidth(QFontMetrics(stbStatusBar->font()).horizontalAdvance(QStringLiteral("Stopped")) +
                             10);
    // The time and the extent in their longest form ("Time: %f" of a collision aside).
    FitPanel(1, QStringLiteral("Time: ") + LongestNumber(true));
    FitPanel(3, QStringLiteral("Width: ") + LongestNumber(false) + QStringLiteral("   Height: ") +
                    LongestNumber(false));
    RunState = rsNoSetup;
    FSimData = std::make_unique<TSimData>();
    FExprParser = std::make_unique<TParser>();
    FSimData->OnStepDone = [this] { DrawStep(); };
    Canvas = QImage(View->size(), QImage::Format_RGB32);
    FillBackground(Canvas);
    ResetView();
    LayoutOverlays();
    UpdateCommands();
    Modified = false;
    UpdateCaption();
    Created = true;
}

QAction* TSimForm::NewAction(const QString& caption, void (TSimForm::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this,
            [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
    return action;
}

void TSimForm::CreateActions() {
    mmiNew = NewAction(QStringLiteral("&New"), &TSimForm::mmiNewClick);
    mmiOpen = NewAction(QStringLiteral("&Open"), &TSimForm::mmiOpenClick);
    mmiSave = NewAction(QStringLiteral("&Save"), &TSimForm::mmiSaveClick);
    mmiSaveAs = NewAction(QStringLiteral("Save &As"), &TSimForm::mmiSaveAsClick);
    mmiQuit = NewAction(QStringLiteral("&Quit"), &TSimForm::mmiQuitClick);
    mmiEditParticles = NewAction(QStringLiteral("&Edit particles"), &TSimForm::mmiEditParticlesClick);
    mmiSimulationOptions =
        NewAction(QStringLiteral("&Simulation options"), &TSimForm::mmiSimulationOptionsClick);
    mmiSettings = NewAction(QStringLiteral("&Frame settings"), &TSimForm::mmiSettingsClick);
    mmiNotes = NewAction(QStringLiteral("&Notes"), &TSimForm::mmiNotesClick);
    mmiStart = NewAction(QStringLiteral("&Run"), &TSimForm::mmiStartClick);
    mmiRunBackwards = NewAction(QStringLiteral("Run &backwards"), &TSimForm::sbBackClick);
    mmiStep = NewAction(QStringLiteral("St&ep"), &TSimForm::sbStepClick);
    mmiStepBack = NewAction(QStringLiteral("Step b&ack"), &TSimForm::sbStepBackClick);
    mmiPause = NewAction(QStringLiteral("&Pause"), &TSimForm::mmiPauseClick);
    mmiStop = NewAction(QStringLiteral("&Stop"), &TSimForm::mmiStopClick);
    mmiClear = NewAction(QStringLiteral("&Clear"), &TSimForm::mmiClearClick);
    mmiInfo = NewAction(QStringLiteral("&Display info"), &TSimForm::mmiInfoClick);
    smiAllTrails = NewAction(QStringLiteral("All"), &TSimForm::smiAllTrailsClick);
    smiSelectedTrails = NewAction(QStringLiteral("Selected"), &TSimForm::smiSelectedTrailsClick);
    smiNoTrails = NewAction(QStringLiteral("None"), &TSimForm::smiNoTrailsClick);
    mmiCenterOfMass = NewAction(QStringLiteral("&Show center of mass"), &TSimForm::mmiCenterOfMassClick);
    mmiAbout = NewAction(QStringLiteral("&About Kinetra"), &TSimForm::mmiAboutClick);
    actToggle = NewAction(QStringLiteral("Toggle axes"), &TSimForm::sbToggleClick);
    actZoomIn = NewAction(QStringLiteral("Zoom in"), &TSimForm::sbZoomInClick);
    actZoomOut = NewAction(QStringLiteral("Zoom out"), &TSimForm::sbZoomOutClick);
    mmiEnergyPlot = NewAction(QStringLiteral("Energy &plot"), &TSimForm::mmiEnergyPlotClick);
    mmiRecordCsv = NewAction(QStringLiteral("&Record to CSV..."), &TSimForm::mmiRecordCsvClick);
    mmiExportImage = NewAction(QStringLiteral("&Export image..."), &TSimForm::mmiExportImageClick);
    mmiSaveState = NewAction(QStringLiteral("Save state as setup..."), &TSimForm::mmiSaveStateClick);

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

    // The hints of the tool buttons.
    mmiOpen->setToolTip(QStringLiteral("Open a setup"));
    mmiSave->setToolTip(QStringLiteral("Save the setup"));
    mmiStart->setToolTip(QStringLiteral("Run"));
    mmiStep->setToolTip(QStringLiteral("Step"));
    mmiPause->setToolTip(QStringLiteral("Pause"));
    mmiStop->setToolTip(QStringLiteral("Stop"));
    mmiRunBackwards->setToolTip(QStringLiteral("Run backwards"));
    mmiStepBack->setToolTip(QStringLiteral("Step back"));
    actToggle->setToolTip(QStringLiteral("Toggle axes"));
    actZoomIn->setToolTip(QStringLiteral("Zoom in"));
    actZoomOut->setToolTip(QStringLiteral("Zoom out"));

    mmiOpen->setIcon(ToolIcon(TToolIcon::Open));
    mmiSave->setIcon(ToolIcon(TToolIcon::Save));
    mmiStart->setIcon(ToolIcon(TToolIcon::Run));
    mmiStep->setIcon(ToolIcon(TToolIcon::Step));
    mmiPause->setIcon(ToolIcon(TToolIcon::Pause));
    mmiStop->setIcon(ToolIcon(TToolIcon::Stop));
    mmiRunBackwards->setIcon(ToolIcon(TToolIcon::RunBack));
    mmiStepBack->setIcon(ToolIcon(TToolIcon::StepBack));
    actToggle->setIcon(ToolIcon(TToolIcon::Toggle));
    actZoomIn->setIcon(ToolIcon(TToolIcon::ZoomIn));
    actZoomOut->setIcon(ToolIcon(TToolIcon::ZoomOut));
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
    connect(mmiRecent, &QMenu::aboutToShow, this, [this] { Guard([this] { FillRecentMenu(); }); });
    file->addActions({mmiSave, mmiSaveAs});
    file->addSeparator();
    file->addActions({mmiSaveState, mmiRecordCsv, mmiExportImage});
    file->addSeparator();
    file->addAction(mmiQuit);
    FillExamplesMenu();
    FillRecentMenu();
    QMenu* edit = addMenu(QStringLiteral("&Edit"), "mmiEdit");
    edit->addActions({mmiEditParticles, mmiSimulationOptions, mmiSettings, mmiNotes});
    QMenu* simulate = addMenu(QStringLiteral("&Simulate"), "mmiSimulate");
    simulate->addActions({mmiStart, mmiRunBackwards, mmiStep, mmiStepBack, mmiPause, mmiStop});
    simulate->addSeparator();
    simulate->addAction(mmiClear);
    QMenu* options = addMenu(QStringLiteral("&Options"), "mmiOptions");
    options->addAction(mmiInfo);
    options->addAction(mmiEnergyPlot);
    mmiTrails = options->addMenu(QStringLiteral("&Trails"));
    mmiTrails->setObjectName(QStringLiteral("mmiTrails"));
    mmiTrails->setFont(font());
    mmiTrails->addActions({smiAllTrails, smiSelectedTrails, smiNoTrails});
    options->addAction(mmiCenterOfMass);
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
    struct TButton {
        QToolButton** Button;
        QAction* Action;
        int Top;
        const char* Name;
    };
    const TButton buttons[] = {
        {&sbOpen, mmiOpen, 8, "sbOpen"},
        {&sbSave, mmiSave, 40, "sbSave"},
        {&sbStart, mmiStart, 88, "sbStart"},
        {&sbStepForward, mmiStep, 120, "sbStepForward"},
        {&sbPause, mmiPause, 152, "sbPause"},
        {&sbStop, mmiStop, 184, "sbStop"},
        {&sbBack, mmiRunBackwards, 216, "sbBack"},
        {&sbStepBack, mmiStepBack, 248, "sbStepBack"},
        {&sbToggle, actToggle, 296, "sbToggle"},
        {&sbZoomIn, actZoomIn, 328, "sbZoomIn"},
        {&sbZoomOut, actZoomOut, 360, "sbZoomOut"},
    };
    for (const TButton& b : buttons) {
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

void TSimForm::CreateStatusBar() {
    stbStatusBar = new QStatusBar(View);
    stbStatusBar->setObjectName(QStringLiteral("stbStatusBar"));
    stbStatusBar->setSizeGripEnabled(false);
    stbStatusBar->setAutoFillBackground(true);
    for (int i = 0; i < 4; ++i) {
        Panels[i] = new QLabel(stbStatusBar);
        Panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        Panels[i]->setFixedWidth(kStatusPanelWidths[i]);
        stbStatusBar->addWidget(Panels[i]);
    }
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
    if (prompts)
        FPrompts = std::make_unique<TRepaintingPrompts>(std::move(prompts), [this] { ScheduleRepaint(); });
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
            Guard([this] { FormPaint(); });
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

void TSimForm::SetPanel(int index, const QString& text) {
    Panels[index]->setText(text);
}

QString TSimForm::PanelText(int index) const {
    return Panels[index]->text();
}

int TSimForm::PanelWidth(int index) const {
    return Panels[index]->width();
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
    try {
        command();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

void TSimForm::HandleException(std::exception_ptr error) {
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return;
    } catch (const std::exception& e) {
        message = QString::fromStdString(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    try {
        Prompts().ShowError(this, WithFullStop(message));
    } catch (...) {
        // The error box itself failed: nothing more can be shown.
    }
}

// ---------------------------------------------------------------------------------------------
// Run control

void TSimForm::mmiStartClick() {
    if (FSimData->SignedStep < 0) FSimData->Reverse();
    if (RunState != rsRunning) RunLoop();
}

void TSimForm::sbBackClick() {
    if (FSimData->SignedStep > 0) FSimData->Reverse();
    if (RunState != rsRunning) RunLoop();
}

void TSimForm::sbStepClick() {
    if (FSimData->SignedStep < 0) FSimData->Reverse();
    SingleStep();
}

void TSimForm::sbStepBackClick() {
    if (FSimData->SignedStep > 0) FSimData->Reverse();
    SingleStep();
}

void TSimForm::RunLoop() {
    RunState = rsRunning;
    SetPanel(0, QStringLiteral("Running"));
    try {
        // Commands given meanwhile run inside DrawStep's event processing and end the loop by
        // changing RunState.
        while (RunState == rsRunning) FSimData->Step();
    } catch (const EKNError& e) {
        Prompts().ShowMessage(this, QString::fromStdString(e.what()));
        mmiStopClick();
    } catch (const EMathError&) {
        // The energies of the reached state (the information window, the energy plot and the
        // recording ask for them after each step) cannot be computed: a failed step.
        Prompts().ShowMessage(this, QString::fromUtf8(MsgCoordinateOutOfRange));
        mmiStopClick();
    } catch (...) {
        mmiStopClick();
        throw;
    }
}

void TSimForm::SingleStep() {
    RunState = rsPaused;
    FSimData->Step();
    SetPanel(0, QStringLiteral("Paused"));
    RefreshScene();
}

void TSimForm::mmiPauseClick() {
    if (RunState != rsRunning) return;
    RunState = rsPaused;
    SetPanel(0, QStringLiteral("Paused"));
}

void TSimForm::mmiStopClick() {
    StopRecording();
    RunState = rsStopped;
    SetPanel(0, QStringLiteral("Stopped"));
    PrepareScene();
    SetPanel(1, TimeText(FSimData->Time));
}

void TSimForm::PrepareScene() {
    if (RunState == rsRunning) return;
    TParticlesList& particles = FSimData->Particles;
    if (RunState != rsPaused) {
        StepCount = 0;
        StepsDone = 0;
        const int n = particles.Count();
        RefreshInterval = n == 0 ? 100 : std::max(1, (100 / (10 * n)) * 10);
        FSimData->Rewind();
        ScreenPos.clear();
        if (particles.TotalMass != 0)
            ComPos = ProjectedCenterOfMass();
        else
            ComPos.Visible = false;
        ScreenPos.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const TParticle& p = particles.Particles(i);
            ScreenPos.push_back(ImagePosition(p.InitialPosition, p.ImageSize));
        }
        mmiClearClick();
        TrailImage.reset();
        if (InfoShown && FInfoWindow) FInfoWindow->UpdateValues();
        TakeRewindSample();
    }
    UpdateInvisibleFlags();
    UpdateTrailFlags();
    ShowFrameInfo();
    if (RunState == rsStopped) DrawParticles();
    particles.OnCollision = [this](int i, int j) { CollisionDetected(i, j); };
    FSimData->Prepare();
    Ready = true;
}

void TSimForm::CollisionDetected(int i, int j) {
    const TParticlesList& particles = FSimData->Particles;
    SetPanel(1, CollisionTimeText(FSimData->Time));
    Prompts().ShowMessage(
        this, ToQ("Collision between " + particles.Particles(i).Name + " and " + particles.Particles(j).Name +
                  " at t = " + FormatFixed(FSimData->Time, 2)));
    mmiStopClick();
}

void TSimForm::UpdateCommands() {
    const bool setup = RunState != rsNoSetup;
    mmiSave->setEnabled(setup && Modified);
    for (QAction* a :
         {mmiSaveAs, mmiEditParticles, mmiSimulationOptions, mmiSettings, mmiNotes, mmiInfo, mmiStart,
          mmiRunBackwards, mmiStep, mmiStepBack, mmiPause, mmiStop, mmiClear, actZoomIn, actZoomOut})
        a->setEnabled(setup);
    mmiTrails->menuAction()->setEnabled(setup);
    for (QAction* a : {mmiEnergyPlot, mmiRecordCsv, mmiExportImage, mmiSaveState}) a->setEnabled(setup);
    mmiCenterOfMass->setEnabled(setup && FSimData->Particles.TotalMass != 0);
    actToggle->setEnabled(setup && FSimData->Dimensions > 1);
}

void TSimForm::ConnectHooks() {
    FSimData->Particles.OnCollision = [this](int i, int j) { CollisionDetected(i, j); };
    FSimData->OnLoadFrame = [this](TSetupReader& reader) { FScreenFrame->LoadFromFile(reader); };
    FSimData->OnSaveFrame = [this](TSetupWriter& writer) { FScreenFrame->SaveToFile(writer); };
}

void TSimForm::ResetView() {
    FScreenFrame = std::make_unique<TScreenFrame>(*FSimData);
    ConnectHooks();
    FScreenFrame->SetClientSize(View->width(), View->height());
    TrailMode = tmSelected;
    smiSelectedTrails->setChecked(true);
    FInfoWindow.reset();
    InfoShown = false;
    FSimData->InfoWanted = false;
    mmiInfo->setChecked(false);
    // The plot stays as the user placed it; its curves belonged to the setup that goes.
    if (FEnergyPlot) FEnergyPlot->ClearSamples();
    for (QLabel* panel : Panels) panel->clear();
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
    Guard([&] { consent = FormCloseQuery(); });
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
            Guard([&] { FormKeyUp(event->key()); });
            event->accept();
            break;
        default:
            QMainWindow::keyPressEvent(event);
    }
}

void TSimForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) ImageCache.clear();
    if (event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        // Coming back from an icon is the one moment the whole picture is drawn anew.
        if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
            Guard([this] { FormPaint(); });
    }
    QMainWindow::changeEvent(event);
}

}  // namespace kinetra::ui
