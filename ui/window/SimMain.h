// TSimForm, the main window: the menus, the tool panel, the status bar, and the wiring of the
// commands to the rooms that carry them out. The rooms share the open setup, the document
// (ui/document/), and never see the window:
//   TSceneView     (ui/scene/)   the drawing area: canvas, trail layer, screen positions;
//   TRunControl    (ui/run/)     Run/Step/Pause/Stop handed to the run clock, the run state on
//                                the status bar, the reports of a collision or a failed step;
//   TViewCommands  (ui/view/)    zoom, pan, axes, Fit all, trails, the centre-of-mass marker and
//                                the mouse over the drawing area; the gestures on the particles
//                                with their body commands;
//   TSetupCommands (ui/setup/)   New/Open/Save/Save As/closing, the editing dialogs, the info
//                                window, and the unsaved-changes bookkeeping;
//   TSimExtras     (ui/extras/)  energy plot, CSV recording, image export, save state, examples,
//                                recent setups, the window's remembered place;
//   TWatchCommands (ui/window/)  the speed control and the help.
//
// Everything runs on the one user-interface thread. The document's run clock (ui/document/)
// steps the simulation in ticks on the event loop: each step is drawn by the scene, and the
// clock's signals (a refresh due, stopped, rewound, a collision) reach the rooms; commands run
// between two ticks.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "base/Units.h"
#include "engine/CsvRecorder.h"
#include "ui/dialogs/Prompts.h"

class QAction;
class QActionGroup;
class QFrame;
class QMenu;
class QStatusBar;
class QToolButton;

namespace kinetra::ui {

class TDocument;
class TfrmInfo;
class TfrmEnergyPlot;
class TfrmPlot;
class THelpWindow;
class TRepaintingPrompts;
class TSceneView;
class TRunControl;
class TRunClock;
class TSetupCommands;
class TSimExtras;
class TViewCommands;
class TStatusPanels;
class TUnitsMenu;
class TKeyCommands;
class TSpeedControl;
class TWatchCommands;
class TWindowAids;
class TBodyCommands;
class TSceneGestures;

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
    QAction* mmiPlot = nullptr;
    QAction* mmiRecordCsv = nullptr;
    QAction* mmiExportImage = nullptr;
    QAction* mmiExportAnimation = nullptr;
    QAction* mmiSaveState = nullptr;
    QMenu* mmiExamples = nullptr;
    QMenu* mmiRecent = nullptr;

    // The speed control on the status bar, its menu items, and the help.
    TSpeedControl* spdSpeed = nullptr;
    QAction* mmiFaster = nullptr;
    QAction* mmiSlower = nullptr;
    QAction* mmiHelp = nullptr;

    // Undo and redo of the changes of the setup, named after the command they undo or redo.
    QAction* mmiUndo = nullptr;
    QAction* mmiRedo = nullptr;

    // Building with the mouse: placing particles (checked while on) and the zero total momentum.
    QAction* mmiAddParticle = nullptr;
    QAction* mmiZeroMomentum = nullptr;
    QToolButton* sbAddParticle = nullptr;
};

class TSimForm : public QMainWindow, private TWindowControls {
public:
    // Without prompts the real message boxes and file dialogs are used.
    explicit TSimForm(std::unique_ptr<TUserPrompts> prompts = nullptr, QWidget* parent = nullptr);
    ~TSimForm() override;

    // Replaces the prompts every room asks through.
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

    // The open setup: the simulation with its frame, the run state, the change flags and the
    // undo stack.
    TDocument& Document() const { return *FDocument; }

    // Read-outs.
    const TWindowControls& Controls() const { return *this; }
    QString PanelText(int index) const;
    // The units the read-outs gloss the setup's numbers in (Options > Units and the setup).
    TUnitSystem Units() const;
    // The note beside the status panels (where the setup was saved last).
    QString StatusNote() const;
    // The hint shown on the status bar now (why a gesture was refused, a dragged value).
    QString StatusHint() const;
    int PanelWidth(int index) const;
    QColor BackgroundColour() const;
    QWidget* DrawingArea() const;
    // The drawing area's state: where the particles were drawn, the trail layer, the canvas.
    const TSceneView& Scene() const { return *View; }
    // The run clock's counts and pace.
    const TRunClock& RunClock() const;
    // The drawing area as the screen shows it: the canvas with the trail layer combined.
    QImage SceneImage() const;
    TfrmInfo* InfoWindow() const;
    bool InfoShown() const;
    TfrmEnergyPlot* EnergyPlot() const;
    // The commands that share a run (the animation export among them).
    TSimExtras& ExtraCommands() const { return *Extras; }
    bool EnergyPlotShown() const;
    // The plot windows open (Options > Plot...), oldest first.
    std::vector<TfrmPlot*> Plots() const;
    const TCsvRecorder& Recorder() const;
    THelpWindow* HelpWindow() const;
    // The tool tip the drawing area shows for the pixel: the topmost visible particle there.
    QString ParticleTip(QPoint pixel) const;
    // The question New, Open and closing ask before unsaved changes would be lost.
    TAnswer AskSave();
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
    void CreateSpeedControl();
    void CreateUndoActions();
    void CreateReadingAids();
    void UpdateUndoTexts();
    void ConnectRooms();
    void LayoutOverlays();
    void UpdateCommands();
    void ShowFrameInfo();
    // What a refresh of the scene shows beyond the scene: the time, the frame, the info window
    // and the energy plot.
    void SceneRefreshed();
    void FormResize();
    QAction* NewAction(const QString& caption, const std::function<void()>& handler);

    // The prompts every room asks through; a repaint of the scene follows each prompt.
    std::unique_ptr<TRepaintingPrompts> FPrompts;
    // Declared before the rooms and destroyed after them: they refer to it.
    std::unique_ptr<TDocument> FDocument;
    // The rooms.
    TSceneView* View = nullptr;
    TRunControl* Run = nullptr;
    TViewCommands* Views = nullptr;
    TSimExtras* Extras = nullptr;
    TSetupCommands* Setup = nullptr;
    std::unique_ptr<TStatusPanels> Status;
    std::unique_ptr<TWatchCommands> Watch;
    TWindowAids* Aids = nullptr;  // the start panel, the notes pane, the scene's marks
    TBodyCommands* Bodies = nullptr;
    TSceneGestures* Gestures = nullptr;
    TUnitsMenu* UnitsMenu = nullptr;  // Options > Units, the units the read-outs gloss in
    TKeyCommands* Keys = nullptr;
    QActionGroup* TrailGroup = nullptr;
    bool Created = false;
    bool Terminating = false;
    bool Quitting = false;
    bool RepaintPending = false;
    bool ExposeWatched = false;
};

}  // namespace kinetra::ui
