// TSimForm, the main window: the menus, the tool panel, the status bar and the wiring of the
// commands to the rooms that carry them out:
//   TSceneView     (ui/scene/)   the drawing area: canvas, trail layer, screen positions;
//   TRunControl    (ui/run/)     the run states, the run loop, Step/Pause/Stop;
//   TSetupCommands (ui/setup/)   New/Open/Save/Save As/closing and the unsaved-changes bookkeeping;
//   TSimExtras     (ui/extras/)  energy plot, CSV recording, image export, save state, examples,
//                                recent setups, the window's remembered place;
//   TViewCommands  (ui/window/)  zoom, pan, axes, trails and the centre-of-mass marker.
//
// Everything runs on the one user-interface thread. A run is a loop of TSimData::Step calls
// inside the command that started it; each step ends in the scene's DrawStep, after which the
// run control every RefreshInterval steps (or when a particle leaves the view) refreshes the
// scene and processes pending events. Commands given during a run therefore run between two
// steps and change RunState, which the loop tests before every step.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

#include "engine/CsvRecorder.h"
#include "frame/FramedSim.h"
#include "ui/dialogs/DialogHost.h"
#include "ui/dialogs/Prompts.h"

class QAction;
class QActionGroup;
class QFrame;
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
class TSceneView;
class TRunControl;
class TSetupCommands;
class TSimExtras;
class TViewCommands;
class TSimFormTestAccess;
class TStatusPanels;
class TSpeedControl;
class TWatchCommands;
class TWindowAids;

enum TRunState : std::uint8_t { rsNoSetup = 0, rsStopped = 1, rsRunning = 2, rsPaused = 3 };
enum TTrailMode : std::uint8_t { tmNone = 0, tmSelected = 1, tmAll = 2 };

// The window's menus, actions, tool buttons and status bar, read by tests through Controls().
struct TWindowControls {
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
    QAction* mmiFitAll = nullptr;
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

    QAction* mmiEnergyPlot = nullptr;
    QAction* mmiRecordCsv = nullptr;
    QAction* mmiExportImage = nullptr;
    QAction* mmiSaveState = nullptr;
    QMenu* mmiExamples = nullptr;
    QMenu* mmiRecent = nullptr;

    // The speed control on the status bar, its menu items, and the help.
    TSpeedControl* spdSpeed = nullptr;
    QAction* mmiFaster = nullptr;
    QAction* mmiSlower = nullptr;
    QAction* mmiHelp = nullptr;
};

class TSimForm : public QMainWindow, public TDialogHost, private TWindowControls {
    friend class TSceneView;
    friend class TRunControl;
    friend class TSetupCommands;
    friend class TSimExtras;
    friend class TViewCommands;
    friend class TWatchCommands;
    friend class TSimFormTestAccess;

public:
    // Without prompts the real message boxes and file dialogs are used.
    explicit TSimForm(std::unique_ptr<TUserPrompts> prompts = nullptr, QWidget* parent = nullptr);
    ~TSimForm() override;

    // TDialogHost
    TSimData& SimData() override { return FSetup->Sim(); }
    TParser& ExprParser() override { return *FExprParser; }
    TScreenFrame& ScreenFrame() override { return FSetup->Frame(); }
    TUserPrompts& Prompts() override { return *FPrompts; }
    void SetModified(bool value) override;
    void SetParticlesModified(bool value) override;
    void ParticlesChanged() override;

    void SetPrompts(std::unique_ptr<TUserPrompts> prompts);
    // Repaints the whole scene (TSceneView::FormPaint) once control is back in the event loop.
    void ScheduleRepaint();

    // Runs a command so that no exception leaves it: an error reaches the top-level handler.
    void Guard(const std::function<void()>& command);
    // The top-level error handler: the message with the full-stop rule in the error box; the
    // silent abort shows nothing.
    void HandleException(std::exception_ptr error);

    // Open without the file dialog: the name given on the command line.
    void OpenSetup(const QString& chosenName);
    // Puts the window where it was when it was last closed; false when nothing is remembered.
    bool RestoreWindowGeometry();

    // Read-outs.
    const TWindowControls& Controls() const { return *this; }
    QString PanelText(int index) const;
    // The note beside the status panels (where the setup was saved last).
    QString StatusNote() const;
    int PanelWidth(int index) const;
    QColor BackgroundColour() const;
    QWidget* DrawingArea() const;
    // The drawing area as the screen shows it: the canvas with the trail layer combined.
    QImage SceneImage() const;
    TfrmInfo* InfoWindow() const { return FInfoWindow.get(); }
    TfrmEnergyPlot* EnergyPlot() const;
    const TCsvRecorder& Recorder() const;
    // For tests: gives the drawing area this pixel size (the window is resized around it).
    void ResizeDrawingArea(int width, int height);

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
    void LayoutOverlays();
    void ConnectHooks();
    void UpdateCommands();
    void ResetView();
    void SetPanel(int index, const QString& text);
    void ShowFrameInfo();
    // What a refresh of the scene shows beyond the scene: the time, the frame, the info window
    // and the energy plot.
    void SceneRefreshed();
    void FormResize();
    QAction* NewAction(const QString& caption, const std::function<void()>& handler);

    // Declared first so that it is destroyed last: everything below refers to it.
    // The simulation with its screen frame.
    std::unique_ptr<TFramedSim> FSetup;
    std::unique_ptr<TParser> FExprParser;
    std::unique_ptr<TUserPrompts> FPrompts;
    std::unique_ptr<TfrmInfo> FInfoWindow;
    bool InfoShown = false;
    // The rooms.
    TSceneView* View = nullptr;
    std::unique_ptr<TRunControl> Run;
    std::unique_ptr<TSetupCommands> Setup;
    std::unique_ptr<TSimExtras> Extras;
    std::unique_ptr<TViewCommands> Views;
    std::unique_ptr<TStatusPanels> Status;
    std::unique_ptr<TWatchCommands> Watch;
    TWindowAids* Aids = nullptr;  // the start panel, the notes pane, the scene's marks
    QActionGroup* TrailGroup = nullptr;
    bool Created = false;
    bool Terminating = false;
    bool Quitting = false;
    bool RepaintPending = false;
    bool ExposeWatched = false;
};

}  // namespace kinetra::ui
