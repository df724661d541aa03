// TSimExtras, the main window's commands beyond the basic ones: those that watch, record and
// share a run (the energy plot, recording to CSV, exporting the picture, saving the reached
// state as a setup) and those that find setups again (the bundled examples, the recent setups,
// the last folder, the window's place).
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "engine/CsvRecorder.h"
#include "ui/document/FrameRate.h"

class QMenu;
class QTimer;
class QWidget;

namespace kinetra::ui {

class TDocument;
class TAnimationExport;
class TfrmEnergyPlot;
class TfrmPlot;
struct TPlotConfig;
class TRunClock;
class TSceneView;
class TUserPrompts;

class TSimExtras : public QObject {
    Q_OBJECT

public:
    // The commands for the document's setup as the scene shows it and the run control counts
    // its steps; prompts and windows over `window`.
    TSimExtras(TDocument& document, TSceneView& scene, TUserPrompts& prompts, QWidget* window);
    ~TSimExtras() override;
    TSimExtras(const TSimExtras&) = delete;
    TSimExtras& operator=(const TSimExtras&) = delete;

    // The menu items' new check states.
    void mmiEnergyPlotClick(bool checked);
    void mmiRecordCsvClick(bool checked);
    void mmiExportImageClick();
    // Asks for the animation's settings and name, then writes it while a progress dialog shows
    // how far it is (animationFinished follows).
    void mmiExportAnimationClick();
    void mmiSaveStateClick();
    // The "Plot" dialog, about `body` when it is >= 0; its series open in a new plot window.
    void mmiPlotClick(int body = -1);
    // A plot window of the series, shown, sampling from the present on.
    TfrmPlot* OpenPlot(const TPlotConfig& config);
    // The plot's export as a file the user names ("csv", "png" or "svg").
    void ExportPlot(TfrmPlot& plot, const QString& format);
    // Ends a recording to CSV, if one is going on (its menu item is unchecked).
    void StopRecording();
    // The energies of the rewound state, for the plot's E0; taken at every rewind.
    void TakeRewindSample();
    // After every drawn step: its line of the recording, its offer to the energy plot.
    void StepDrawn();
    // After every refresh of the scene: the plot is repainted, at most once per frame of the
    // screen (at full speed the scene refreshes far more often than that).
    void SceneRefreshed();
    // The setup has gone: the plot's curves belonged to it.
    void ForgetSamples();
    bool RestoreWindowGeometry();
    // The bundled examples and the recent setups as items of the menu; choosing one asks to
    // open it (openRequested).
    void FillExamplesMenu(QMenu& menu);
    void FillRecentMenu(QMenu& menu);
    void RememberFile(const std::string& fileName);
    QString StartFolder() const;
    // The file lies in a folder of the bundled examples.
    static bool IsBundledExample(const QString& fileName);

    TfrmEnergyPlot* EnergyPlot() const { return FEnergyPlot.get(); }
    TAnimationExport* AnimationExport() const { return FAnimation; }
    const TCsvRecorder& Recorder() const { return FRecorder; }
    bool EnergyPlotShown() const { return FEnergyPlotShown; }
    // The plot windows open, oldest first (the energy plot apart).
    std::vector<TfrmPlot*> Plots() const;

signals:
    // A setup chosen from the examples or the recent setups.
    void openRequested(const QString& fileName);
    // The menu items' check marks follow.
    void energyPlotShownChanged(bool shown);
    void recordingChanged(bool recording);
    // A recording ended after writing `records` records into `fileName`.
    void recordingStopped(qint64 records, const QString& fileName);
    void recentFilesChanged();
    // An animation export has ended; `error` empty when its file is complete.
    void animationFinished(const QString& error);

private:
    void SampleEnergy();
    // Before the plot is shown: its history goes on only where it saw every step since the last
    // rewind; otherwise it begins anew at the present (see TfrmEnergyPlot::Resume).
    void CatchUpEnergyPlot();
    void RecordStep();
    // A save dialog with the override question of Save As; an empty name means cancelled.
    QString AskSaveName(const QString& title, const QString& proposed, const QString& filter,
                        const char* extension, const QString& question);

    TDocument& Document;
    TSceneView& Scene;
    const TRunClock& Clock;
    TUserPrompts& Prompts;
    QWidget* Window;
    std::unique_ptr<TfrmEnergyPlot> FEnergyPlot;
    std::vector<std::unique_ptr<TfrmPlot>> FPlots;
    TCsvRecorder FRecorder;
    bool FEnergyPlotShown = false;
    double RewindKinetic = 0;
    double RewindPotential = 0;
    // The energies of the rewound state could be computed.
    bool RewindEnergyKnown = false;
    // Steps went by since the last rewind that the plot did not sample.
    bool EnergyPlotBehind = false;
    TFrameGate PlotGate;
    // Repaints the plot when the gate opens after refreshes it held back.
    QTimer* PlotTimer;
    TAnimationExport* FAnimation = nullptr;
};

}  // namespace kinetra::ui
