// TSimExtras, the main window's commands beyond the basic ones: those that watch, record and
// share a run (the energy plot, recording to CSV, exporting the picture, saving the reached
// state as a setup) and those that find setups again (the bundled examples, the recent setups,
// the last folder, the window's place).
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "engine/CsvRecorder.h"
#include "ui/window/SimMain.h"

namespace kinetra::ui {

class TSimExtras {
public:
    explicit TSimExtras(TSimForm& form);
    ~TSimExtras();
    TSimExtras(const TSimExtras&) = delete;
    TSimExtras& operator=(const TSimExtras&) = delete;

    void mmiEnergyPlotClick();
    void mmiRecordCsvClick();
    void mmiExportImageClick();
    void mmiSaveStateClick();
    // Opens the setup as Open does after its file dialog, the question about unsaved changes
    // included.
    void OpenFromMenu(const QString& fileName);
    // Ends a recording to CSV, if one is going on, and unchecks its menu item.
    void StopRecording();
    // The energies of the rewound state, for the plot's E0; taken at every rewind.
    void TakeRewindSample();
    // After every drawn step: its line of the recording, its offer to the energy plot.
    void StepDrawn();
    // After every refresh of the scene.
    void SceneRefreshed();
    // The setup has gone: the plot's curves belonged to it.
    void ForgetSamples();
    bool RestoreWindowGeometry();
    void FillExamplesMenu();
    void FillRecentMenu();
    void RememberFile(const std::string& fileName);
    QString StartFolder() const;
    // The file lies in a folder of the bundled examples.
    static bool IsBundledExample(const QString& fileName);

    TfrmEnergyPlot* EnergyPlot() const { return FEnergyPlot.get(); }
    const TCsvRecorder& Recorder() const { return FRecorder; }
    bool EnergyPlotShown = false;

private:
    void SampleEnergy();
    // Before the plot is shown: its history goes on only where it saw every step since the last
    // rewind; otherwise it begins anew at the present (see TfrmEnergyPlot::Resume).
    void CatchUpEnergyPlot();
    void RecordStep();
    // A save dialog with the override question of Save As; an empty name means cancelled.
    QString AskSaveName(const QString& title, const QString& proposed, const QString& filter,
                        const char* extension, const QString& question);

    TSimForm& Form;
    std::unique_ptr<TfrmEnergyPlot> FEnergyPlot;
    TCsvRecorder FRecorder;
    double RewindKinetic = 0;
    double RewindPotential = 0;
    // The energies of the rewound state could be computed.
    bool RewindEnergyKnown = false;
    // Steps went by since the last rewind that the plot did not sample.
    bool EnergyPlotBehind = false;
};

}  // namespace kinetra::ui
