// The main window's commands that watch, record and share a run (the energy plot, recording
// to CSV, exporting the picture, saving the reached state as a setup) and those that find
// setups again (the bundled examples, the recent setups, the last folder, the window's place).
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMenu>
#include <QPainter>
#include <QScreen>

#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "engine/SimulationData.h"
#include "engine/StateSetup.h"
#include "ui/extras/EnergyPlot.h"
#include "ui/extras/Examples.h"
#include "ui/extras/Session.h"
#include "ui/window/SimMain.h"
#include "ui/window/UiText.h"

namespace kinetra::ui {

namespace {

constexpr const char* CsvFilter = "CSV file (*.csv)|*.csv";
constexpr const char* ImageFilter = "PNG image (*.png)|*.png";
constexpr const char* FileExistsQuestion = "A file of this name already exists. Do you want to override it?";

// A menu caption shows "&" as an access key marker; a file name's own must be doubled.
QString MenuText(const QString& text) {
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// The setup's file name without folders and extension, to propose names of files made from it.
std::string BaseName(const std::string& fileName) {
    const QString base = QFileInfo(ToQ(FileNamePart(fileName))).completeBaseName();
    return base.isEmpty() ? std::string("Kinetra") : FromQ(base);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Files and folders

QString TSimForm::StartFolder() const {
    // A file dialog shows a folder it can list; one the user cannot read (where a save has just
    // failed, say) is passed over.
    const auto readable = [](const QString& folder) {
        const QFileInfo info(folder);
        return !folder.isEmpty() && info.isDir() && info.isReadable() && info.isExecutable();
    };
    const QString folder = TSession::LastFolder();
    if (readable(folder)) return folder;
    if (readable(QDir::currentPath())) return QDir::currentPath();
    return QDir::homePath();
}

void TSimForm::RememberFile(const std::string& fileName) {
    TSession::AddRecentFile(ToQ(fileName));
    FillRecentMenu();
}

QString TSimForm::AskSaveName(const QString& title, const QString& proposed, const QString& filter,
                              const char* extension, const QString& question) {
    for (;;) {
        const QString chosen = Prompts().GetSaveFileName(this, title, StartFolder(), proposed, filter);
        if (chosen.isEmpty()) return {};
        TSession::SetLastFolder(QFileInfo(chosen).absolutePath());
        // A name without extension gets the file type's own, unless it names something that
        // exists already (a device, say), which is then what the user chose.
        QString target = chosen;
        if (!HasExtension(FromQ(chosen)) && !QFileInfo::exists(chosen))
            target += QString::fromUtf8(extension);
        if (!QFileInfo(target).isFile()) return target;
        switch (Prompts().Confirm(this, question)) {
            case TAnswer::Yes:
                return target;
            case TAnswer::No:
                continue;
            case TAnswer::Cancel:
                return {};
        }
    }
}

bool TSimForm::RestoreWindowGeometry() {
    const QByteArray saved = TSession::WindowGeometry();
    if (saved.isEmpty()) return false;
    const QRect before = normalGeometry();
    const Qt::WindowStates stateBefore = windowState();
    if (!restoreGeometry(saved)) return false;
    // Only a place that fits a screen as it is now: saved on a larger or another screen, the
    // window could stand with its status bar below the screen's edge. Its normal geometry
    // counts also when it comes back maximised, for the moment it is made normal again.
    const QRect restored = normalGeometry().isValid() ? normalGeometry() : geometry();
    for (const QScreen* monitor : QGuiApplication::screens())
        if (monitor->availableGeometry().contains(restored)) return true;
    setWindowState(stateBefore);
    setGeometry(before);
    return false;
}

// ---------------------------------------------------------------------------------------------
// Examples and recent setups

void TSimForm::FillExamplesMenu() {
    mmiExamples->clear();
    const QList<TExampleSetup> examples = FindExamples();
    for (const TExampleSetup& example : examples) {
        QAction* action = mmiExamples->addAction(MenuText(example.Name));
        action->setData(example.Path);
        action->setToolTip(example.Path);
        const QString path = example.Path;
        connect(action, &QAction::triggered, this,
                [this, path] { Guard([this, path] { OpenFromMenu(path); }); });
    }
    mmiExamples->menuAction()->setEnabled(!examples.isEmpty());
}

void TSimForm::FillRecentMenu() {
    mmiRecent->clear();
    const QStringList files = TSession::RecentFiles();
    int number = 1;
    for (const QString& file : files) {
        QAction* action =
            mmiRecent->addAction(QStringLiteral("&") + QString::number(number++) + QStringLiteral("  ") +
                                 MenuText(QDir::toNativeSeparators(file)));
        action->setData(file);
        connect(action, &QAction::triggered, this,
                [this, file] { Guard([this, file] { OpenFromMenu(file); }); });
    }
    if (files.isEmpty()) mmiRecent->addAction(QStringLiteral("No recent setups"))->setEnabled(false);
}

bool TSimForm::IsBundledExample(const QString& fileName) {
    const QString folder = QFileInfo(fileName).canonicalPath();
    if (folder.isEmpty()) return false;
    for (const QString& examples : ExampleFolders())
        if (QFileInfo(examples).canonicalFilePath() == folder) return true;
    return false;
}

void TSimForm::OpenFromMenu(const QString& fileName) {
    if (Modified) {
        const TAnswer answer = AskSave();
        if (answer == TAnswer::Cancel) return;
        if (answer == TAnswer::Yes && !SaveSetup()) return;
    }
    OpenSetup(fileName);
}

// ---------------------------------------------------------------------------------------------
// The energy plot

void TSimForm::TakeRewindSample() {
    // Taken whether or not the plot is shown: switched on later in the run, it still measures
    // the drift from the energy at time 0.
    try {
        RewindKinetic = FSimData->KineticEnergy();
        RewindPotential = FSimData->PotentialEnergy();
    } catch (const EMathError&) {
        // No energy of the start to measure from: the plot starts empty; where the energies are
        // shown (the info window, the plot's next sample) their error is reported.
        RewindKinetic = 0;
        RewindPotential = 0;
        if (FEnergyPlot) FEnergyPlot->ClearSamples();
        return;
    }
    if (FEnergyPlot) FEnergyPlot->Restart(FSimData->Time, RewindKinetic, RewindPotential);
}

void TSimForm::SampleEnergy() {
    const double time = FSimData->Time;
    const TEnergyHistory& history = FEnergyPlot->History();
    // A refresh without a step in between (a view change, a repaint) adds nothing new.
    if (!history.Empty() && history.Last().Time == time) return;
    FEnergyPlot->AddSample(time, FSimData->KineticEnergy(), FSimData->PotentialEnergy());
}

void TSimForm::mmiEnergyPlotClick() {
    EnergyPlotShown = mmiEnergyPlot->isChecked();
    if (!FEnergyPlot) {
        FEnergyPlot = std::make_unique<TfrmEnergyPlot>(this);
        FEnergyPlot->OnClosed = [this] {
            mmiEnergyPlot->setChecked(false);
            EnergyPlotShown = false;
        };
        // Top right, where it leaves the info window at the top left and the tool panel free.
        if (const QScreen* monitor = screen()) {
            const QRect area = monitor->availableGeometry();
            FEnergyPlot->move(area.right() - FEnergyPlot->frameGeometry().width() - 64, area.top() + 62);
        }
        if (RunState != rsNoSetup) FEnergyPlot->Restart(0, RewindKinetic, RewindPotential);
    }
    if (EnergyPlotShown) {
        if (Ready) SampleEnergy();
        FEnergyPlot->show();
    } else {
        FEnergyPlot->hide();
    }
}

// ---------------------------------------------------------------------------------------------
// Recording to CSV

void TSimForm::StopRecording() {
    FRecorder.Close();
    if (mmiRecordCsv) mmiRecordCsv->setChecked(false);
}

void TSimForm::RecordStep() {
    try {
        FRecorder.Append(*FSimData, StepsDone);
    } catch (const EMathError&) {
        // Energies that cannot be computed: the step failed, which the run loop reports.
        StopRecording();
        throw;
    } catch (const std::exception& e) {
        // The recording ends; the run goes on.
        StopRecording();
        Prompts().ShowMessage(this, ToQ(e.what()));
    }
}

void TSimForm::mmiRecordCsvClick() {
    if (!mmiRecordCsv->isChecked()) {
        StopRecording();
        return;
    }
    // Checked only once the recording has begun.
    mmiRecordCsv->setChecked(false);
    const QString name =
        AskSaveName(QStringLiteral("Record to CSV"), ToQ(BaseName(FSimData->FileName) + ".csv"),
                    QString::fromUtf8(CsvFilter), ".csv", QString::fromUtf8(FileExistsQuestion));
    if (name.isEmpty()) return;
    try {
        FRecorder.Open(FromQ(name), *FSimData, StepsDone);
    } catch (const EInOutError& e) {
        Prompts().ShowMessage(this, ToQ(e.what()));
        return;
    }
    mmiRecordCsv->setChecked(true);
}

// ---------------------------------------------------------------------------------------------
// The picture and the state

QImage TSimForm::SceneImage() const {
    QImage image = Canvas.copy();
    // Between two refreshes the newest trail segments are only on the layer; combining it
    // again changes nothing that a refresh has already combined.
    if (AnyTrails && TrailImage && TrailImage->size() == image.size()) {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter.drawImage(0, 0, *TrailImage);
    }
    return image;
}

void TSimForm::mmiExportImageClick() {
    const QString name =
        AskSaveName(QStringLiteral("Export image"), ToQ(BaseName(FSimData->FileName) + ".png"),
                    QString::fromUtf8(ImageFilter), ".png", QString::fromUtf8(FileExistsQuestion));
    if (name.isEmpty()) return;
    QImageWriter writer(name, "png");
    if (!writer.write(SceneImage()))
        throw EInOutError("Could not save the image \"" + FromQ(name) + "\": " + FromQ(writer.errorString()));
}

void TSimForm::mmiSaveStateClick() {
    const QString name =
        AskSaveName(QStringLiteral("Save state as setup"), ToQ(BaseName(FSimData->FileName) + "_state.knx"),
                    QString::fromUtf8(SetupFilter), SetupExtension, QString::fromUtf8(SetupExistsQuestion));
    if (name.isEmpty()) return;
    std::string written;
    try {
        written = SaveStateAsSetup(*FSimData, FromQ(name));
    } catch (const EKNError& e) {
        Prompts().ShowMessage(this, ToQ(e.what()));
        return;
    }
    RememberFile(written);
}

}  // namespace kinetra::ui
