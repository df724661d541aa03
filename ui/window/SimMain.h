// TSimForm, the main window: the menus, the tool panel and the status bar; the run states and
// the run loop; the incremental drawing of the scene on a persistent canvas; the setup file
// commands with the bookkeeping of unsaved changes.
//
// Everything runs on the one user-interface thread. A run is a loop of TSimData::Step calls
// inside the command that started it; each step ends in DrawStep, which every RefreshInterval
// steps (or when a particle leaves the view) refreshes the scene and processes pending events.
// Commands given during a run therefore run between two steps and change RunState, which the
// loop tests before every step.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "engine/CsvRecorder.h"
#include "frame/Frame.h"
#include "ui/dialogs/DialogHost.h"
#include "ui/dialogs/Prompts.h"

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QToolButton;

namespace kinetra {
class TSimData;
class TParser;
}  // namespace kinetra

namespace kinetra::ui {

class TfrmInfo;
class TfrmEnergyPlot;
class TSimForm;

enum TRunState : std::uint8_t { rsNoSetup = 0, rsStopped = 1, rsRunning = 2, rsPaused = 3 };
enum TTrailMode : std::uint8_t { tmNone = 0, tmSelected = 1, tmAll = 2 };

// The status panels' widths in pixels; panels 1 to 3 widen where their longest text needs more.
inline constexpr int kStatusPanelWidths[4] = {90, 100, 275, 200};

// The drawing area: the whole client area. It only copies the form's canvas to the screen.
class TSceneView : public QWidget {
public:
    explicit TSceneView(TSimForm& form);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TSimForm& Form;
};

class TSimForm : public QMainWindow, public TDialogHost {
    friend class TSceneView;

public:
    // Without prompts the real message boxes and file dialogs are used.
    explicit TSimForm(std::unique_ptr<TUserPrompts> prompts = nullptr, QWidget* parent = nullptr);
    ~TSimForm() override;

    // TDialogHost
    TSimData& SimData() override { return *FSimData; }
    TParser& ExprParser() override { return *FExprParser; }
    TScreenFrame& ScreenFrame() override { return *FScreenFrame; }
    TUserPrompts& Prompts() override { return *FPrompts; }
    void SetModified(bool value) override;
    void SetParticlesModified(bool value) override;
    void ParticlesChanged() override;

    void SetPrompts(std::unique_ptr<TUserPrompts> prompts);
    // Repaints the scene (FormPaint) once control is back in the event loop.
    void ScheduleRepaint();

    // Runs a command so that no exception leaves it: an error reaches the top-level handler.
    void Guard(const std::function<void()>& command);
    // The top-level error handler: the message with the full-stop rule in the error box; the
    // silent abort shows nothing.
    void HandleException(std::exception_ptr error);

    // Run control.
    void mmiStartClick();
    void sbBackClick();
    void sbStepClick();
    void sbStepBackClick();
    void mmiPauseClick();
    void mmiStopClick();
    void RunLoop();
    void SingleStep();
    void PrepareScene();
    void CollisionDetected(int i, int j);
    void UpdateCommands();
    void ResetView();

    // Scene rendering.
    void DrawStep();
    void RefreshScene();
    void DrawParticles();
    void DrawCenterOfMass(int x, int y);
    void EraseCenterOfMass();
    void mmiClearClick();
    void FormPaint();
    void FormResize();
    void UpdateScreenPositions();
    void ViewChanged();
    void ShowFrameInfo();
    void sbZoomInClick();
    void sbZoomOutClick();
    void sbToggleClick();
    void FormKeyUp(int key);
    void smiAllTrailsClick();
    void smiSelectedTrailsClick();
    void smiNoTrailsClick();
    void UpdateTrailFlags();
    void UpdateInvisibleFlags();
    void mmiCenterOfMassClick();
    void SetShowCenterOfMass(bool value);

    // Setup commands.
    TAnswer AskSave();
    void UpdateCaption();
    void mmiNewClick();
    void mmiOpenClick();
    // Open without the file dialog: the name given on the command line.
    void OpenSetup(const QString& chosenName);
    void mmiSaveClick();
    // Save as the command does it; false when nothing was written because the user declined
    // (the override question, or the file dialog of a setup that has no file of its own).
    bool SaveSetup();
    void mmiSaveAsClick();
    void mmiQuitClick();
    bool FormCloseQuery();
    void mmiEditParticlesClick();
    void mmiSimulationOptionsClick();
    void mmiSettingsClick();
    void mmiNotesClick();
    void mmiInfoClick();
    void mmiAboutClick();

    // Watching, recording and sharing a run; the examples and the recent setups.
    void mmiEnergyPlotClick();
    void mmiRecordCsvClick();
    void mmiExportImageClick();
    void mmiSaveStateClick();
    // Opens the setup as Open does after its file dialog, the question about unsaved changes
    // included.
    void OpenFromMenu(const QString& fileName);
    // Ends a recording to CSV, if one is going on, and unchecks its menu item.
    void StopRecording();
    // The drawing area as the screen shows it: the canvas with the trail layer combined.
    QImage SceneImage() const;
    // Puts the window where it was when it was last closed; false when nothing is remembered.
    bool RestoreWindowGeometry();

    // For tests: gives the drawing area this pixel size (the window is resized around it).
    void ResizeDrawingArea(int width, int height);
    QString PanelText(int index) const;
    int PanelWidth(int index) const;
    QColor BackgroundColour() const;
    TSceneView* DrawingArea() const { return View; }

    // Fields of the window.
    TRunState RunState = rsNoSetup;
    bool Modified = false;
    bool ParticlesModified = false;
    bool NewSetup = false;
    std::int32_t StepCount = 0;
    std::vector<TScreenPoint> ScreenPos;
    TScreenPoint ComPos;
    bool AnyTrails = false;
    std::unique_ptr<QImage> TrailImage;
    bool Ready = false;
    std::int32_t RefreshInterval = 100;
    bool Drawn = false;
    bool ShowCenterOfMass = false;
    TTrailMode TrailMode = tmSelected;
    std::vector<bool> TrailFlags;
    std::vector<bool> InvisibleFlags;
    bool InfoShown = false;
    // The picture of the drawing area; every drawing goes here and a repaint copies it.
    QImage Canvas;

    // Menu items and tool buttons share one action per command.
    QAction* mmiNew = nullptr;
    QAction* mmiOpen = nullptr;
    QAction* mmiSave = nullptr;
    QAction* mmiSaveAs = nullptr;
    QAction* mmiQuit = nullptr;
    QAction* mmiEditParticles = nullptr;
    QAction* mmiSimulationOptions = nullptr;
    QAction* mmiSettings = nullptr;
    QAction* mmiNotes = nullptr;
    QAction* mmiStart = nullptr;
    QAction* mmiRunBackwards = nullptr;
    QAction* mmiStep = nullptr;
    QAction* mmiStepBack = nullptr;
    QAction* mmiPause = nullptr;
    QAction* mmiStop = nullptr;
    QAction* mmiClear = nullptr;
    QAction* mmiInfo = nullptr;
    QAction* smiAllTrails = nullptr;
    QAction* smiSelectedTrails = nullptr;
    QAction* smiNoTrails = nullptr;
    QAction* mmiCenterOfMass = nullptr;
    QAction* mmiAbout = nullptr;
    QAction* actToggle = nullptr;
    QAction* actZoomIn = nullptr;
    QAction* actZoomOut = nullptr;
    QMenu* mmiTrails = nullptr;

    QFrame* pnlSpeedPanel = nullptr;
    QToolButton* sbOpen = nullptr;
    QToolButton* sbSave = nullptr;
    QToolButton* sbStart = nullptr;
    QToolButton* sbStepForward = nullptr;
    QToolButton* sbPause = nullptr;
    QToolButton* sbStop = nullptr;
    QToolButton* sbBack = nullptr;
    QToolButton* sbStepBack = nullptr;
    QToolButton* sbToggle = nullptr;
    QToolButton* sbZoomIn = nullptr;
    QToolButton* sbZoomOut = nullptr;
    QStatusBar* stbStatusBar = nullptr;

    TfrmInfo* InfoWindow() const { return FInfoWindow.get(); }
    TfrmEnergyPlot* EnergyPlot() const { return FEnergyPlot.get(); }
    const TCsvRecorder& Recorder() const { return FRecorder; }

    QAction* mmiEnergyPlot = nullptr;
    QAction* mmiRecordCsv = nullptr;
    QAction* mmiExportImage = nullptr;
    QAction* mmiSaveState = nullptr;
    QMenu* mmiExamples = nullptr;
    QMenu* mmiRecent = nullptr;
    bool EnergyPlotShown = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void CreateActions();
    void CreateMenus();
    void CreateToolPanel();
    void CreateStatusBar();
    void LayoutOverlays();
    void ConnectHooks();
    void SetPanel(int index, const QString& text);
    // Widens a status panel so that `longest`, the longest text it may show, is not cut.
    void FitPanel(int index, const QString& longest);
    // The longest number of the panels' 5-digit general format, in the widest digit.
    QString LongestNumber(bool sign) const;
    void ResetToNoSetup();
    // The energies of the rewound state, for the plot's E0; taken at every rewind.
    void TakeRewindSample();
    void SampleEnergy();
    void RecordStep();
    void FillExamplesMenu();
    void FillRecentMenu();
    void RememberFile(const std::string& fileName);
    QString StartFolder() const;
    QString ProposedSaveName() const;
    // Writes the setup to FileName (Save without its questions).
    void WriteSetup();
    // The file lies in a folder of the bundled examples.
    static bool IsBundledExample(const QString& fileName);
    // A save dialog with the override question of Save As; an empty name means cancelled.
    QString AskSaveName(const QString& title, const QString& proposed, const QString& filter,
                        const char* extension, const QString& question);
    QAction* NewAction(const QString& caption, void (TSimForm::*handler)());

    // Drawing helpers on the canvas and the trail layer.
    void DrawImage(QPainter& painter, int particle, int x, int y);
    void EraseImage(QPainter& painter, const TScreenPoint& at, int size);
    void DrawTrail(int particle, const TScreenPoint& from, const TScreenPoint& to, int size);
    void DrawCross(QPainter& painter, int x, int y, const QColor& colour);
    void CombineTrails();
    void FillBackground(QImage& image);
    TScreenPoint ProjectedCenterOfMass() const;
    // The marker is wanted and the setup has a centre of mass.
    bool MarkerShown() const;
    TScreenPoint ImagePosition(const TVector& position, int size) const;
    void EnsureParticleArrays();

    // Declared first so that it is destroyed last: everything below refers to it.
    std::unique_ptr<TSimData> FSimData;
    std::unique_ptr<TParser> FExprParser;
    std::unique_ptr<TScreenFrame> FScreenFrame;
    std::unique_ptr<TUserPrompts> FPrompts;
    std::unique_ptr<TfrmInfo> FInfoWindow;
    std::unique_ptr<TfrmEnergyPlot> FEnergyPlot;
    TCsvRecorder FRecorder;
    double RewindKinetic = 0;
    double RewindPotential = 0;
    // Displayed steps since the last rewind, counted as they are drawn (StepCount is counted
    // after the event processing of a step and so lags behind inside it).
    std::int64_t StepsDone = 0;
    TSceneView* View = nullptr;
    // Particle pictures by colour index and image size, drawn once in the background colour.
    std::map<std::pair<int, int>, QImage> ImageCache;
    QLabel* Panels[4] = {nullptr, nullptr, nullptr, nullptr};
    // The longest texts the panels were last widened for.
    QString FittedTexts[4];
    QActionGroup* TrailGroup = nullptr;
    bool Created = false;
    bool Terminating = false;
    bool Quitting = false;
    // FileName names a file whose replacement the user declined in Save As.
    bool OverrideUnconfirmed = false;
    // The setup is a copy of a bundled example: Save asks where to put it.
    bool SaveNeedsName = false;
    bool RepaintPending = false;
    bool ExposeWatched = false;
};

}  // namespace kinetra::ui
