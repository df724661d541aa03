// The main window's commands that watch, record and share a run (the energy plot, recording
// to CSV, exporting the picture, saving the reached state as a setup) and those that find
// setups again (the bundled examples, the recent setups, the last folder, the window's place).
#include "ui/extras/SimExtras.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <optional>
#include <ostream>
#include <string_view>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"
#include "engine/StateSetup.h"
#include "frame/FramedSim.h"
#include "ui/dialogs/Prompts.h"
#include "ui/document/Document.h"
#include "ui/document/RunClock.h"
#include "ui/document/UiText.h"
#include "ui/extras/EnergyPlot.h"
#include "ui/extras/Examples.h"
#include "ui/extras/ExportDialogs.h"
#include "ui/extras/PlotDialog.h"
#include "ui/extras/SceneExport.h"
#include "ui/extras/Session.h"
#include "ui/scene/SceneView.h"

namespace kinetra::ui {

namespace {

constexpr const char* CsvFilter = "CSV file (*.csv)|*.csv";
constexpr const char* ImageFilter = "PNG image (*.png)|*.png";
constexpr const char* AnimationFilter =
    "MP4 video (*.mp4)|*.mp4|WebM video (*.webm)|*.webm|GIF animation (*.gif)|*.gif|PNG pictures "
    "(*.png)|*.png";
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

TSimExtras::TSimExtras(TDocument& document, TSceneView& scene, TUserPrompts& prompts, QWidget* window)
    : QObject(window),
      Document(document),
      Scene(scene),
      Clock(document.Clock()),
      Prompts(prompts),
      Window(window),
      PlotTimer(new QTimer(this)) {
    PlotTimer->setSingleShot(true);
    connect(PlotTimer, &QTimer::timeout, this, [this] {
        PlotGate.Pass();
        if (FEnergyPlotShown && FEnergyPlot) FEnergyPlot->update();
        for (const auto& plot : FPlots) plot->update();
    });
    // The new view's setup is another one.
    connect(&document, &TDocument::viewReset, this, &TSimExtras::ForgetSamples);
}

TSimExtras::~TSimExtras() {
    FRecorder.Close();
    FPlots.clear();
    FEnergyPlot.reset();
}

// ---------------------------------------------------------------------------------------------
// Files and folders

QString TSimExtras::StartFolder() const {
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

void TSimExtras::RememberFile(const std::string& fileName) {
    TSession::AddRecentFile(ToQ(fileName));
    emit recentFilesChanged();
}

QString TSimExtras::AskSaveName(const QString& title, const QString& proposed, const QString& filter,
                                const char* extension, const QString& question) {
    for (;;) {
        const QString chosen = Prompts.GetSaveFileName(Window, title, StartFolder(), proposed, filter);
        if (chosen.isEmpty()) return {};
        TSession::SetLastFolder(QFileInfo(chosen).absolutePath());
        // A name without extension gets the file type's own, unless it names something that
        // exists already (a device, say), which is then what the user chose.
        QString target = chosen;
        if (!HasExtension(FromQ(chosen)) && !QFileInfo::exists(chosen))
            target += QString::fromUtf8(extension);
        if (!QFileInfo(target).isFile()) return target;
        switch (Prompts.Confirm(Window, question)) {
            case TAnswer::Yes:
                return target;
            case TAnswer::No:
                continue;
            case TAnswer::Cancel:
                return {};
        }
    }
}

bool TSimExtras::RestoreWindowGeometry() {
    const QByteArray saved = TSession::WindowGeometry();
    if (saved.isEmpty()) return false;
    QWidget& form = *Window;
    const QRect before = form.normalGeometry();
    const Qt::WindowStates stateBefore = form.windowState();
    if (!form.restoreGeometry(saved)) return false;
    // Only a place that fits a screen as it is now: saved on a larger or another screen, the
    // window could stand with its status bar below the screen's edge. Its normal geometry
    // counts also when it comes back maximised, for the moment it is made normal again.
    const QRect restored = form.normalGeometry().isValid() ? form.normalGeometry() : form.geometry();
    for (const QScreen* monitor : QGuiApplication::screens())
        if (monitor->availableGeometry().contains(restored)) return true;
    form.setWindowState(stateBefore);
    form.setGeometry(before);
    return false;
}

// ---------------------------------------------------------------------------------------------
// Examples and recent setups

void TSimExtras::FillExamplesMenu(QMenu& menu) {
    menu.clear();
    const QList<TExampleSetup> examples = FindExamples();
    for (const TExampleSetup& example : examples) {
        QAction* action = menu.addAction(MenuText(example.Name));
        action->setData(example.Path);
        action->setToolTip(example.Path);
        const QString path = example.Path;
        connect(action, &QAction::triggered, this, [this, path] { emit openRequested(path); });
    }
    menu.menuAction()->setEnabled(!examples.isEmpty());
}

void TSimExtras::FillRecentMenu(QMenu& menu) {
    menu.clear();
    const QStringList files = TSession::RecentFiles();
    int number = 1;
    for (const QString& file : files) {
        QAction* action = menu.addAction(QStringLiteral("&") + QString::number(number++) +
                                         QStringLiteral("  ") + MenuText(QDir::toNativeSeparators(file)));
        action->setData(file);
        connect(action, &QAction::triggered, this, [this, file] { emit openRequested(file); });
    }
    if (files.isEmpty()) menu.addAction(QStringLiteral("No recent setups"))->setEnabled(false);
}

bool TSimExtras::IsBundledExample(const QString& fileName) {
    const QString folder = QFileInfo(fileName).canonicalPath();
    if (folder.isEmpty()) return false;
    for (const QString& examples : ExampleFolders())
        if (QFileInfo(examples).canonicalFilePath() == folder) return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// The energy plot

void TSimExtras::TakeRewindSample() {
    // Taken whether or not the plot is shown: switched on later in the run, it still measures
    // the drift from the energy at time 0.
    EnergyPlotBehind = false;
    RewindEnergyKnown = false;
    try {
        RewindKinetic = Document.Sim().KineticEnergy();
        RewindPotential = Document.Sim().PotentialEnergy();
        RewindEnergyKnown = true;
    } catch (const EMathError&) {
        // No energy of the start to measure from: the plot starts empty; where the energies are
        // shown (the info window, the plot's next sample) their error is reported.
        RewindKinetic = 0;
        RewindPotential = 0;
        if (FEnergyPlot) FEnergyPlot->ClearSamples();
        return;
    }
    if (FEnergyPlot) FEnergyPlot->Restart(Document.Sim().Time, RewindKinetic, RewindPotential);
    for (const auto& plot : FPlots) plot->Restart(Document.Sim());
}

void TSimExtras::SampleEnergy() {
    FEnergyPlot->Sample(Document.Sim());
}

void TSimExtras::CatchUpEnergyPlot() {
    if (!EnergyPlotBehind || !Document.HasSetup()) return;
    EnergyPlotBehind = false;
    // Nothing happened since the rewind: the plot starts where the run starts.
    if (Clock.StepsDone() == 0 && RewindEnergyKnown) {
        FEnergyPlot->Restart(Document.Sim().Time, RewindKinetic, RewindPotential);
        return;
    }
    // A line from the last sample it took (or from time 0) to now would be a trend it never saw.
    FEnergyPlot->Resume(RewindEnergyKnown ? std::optional<double>(RewindKinetic + RewindPotential)
                                          : std::nullopt);
}

void TSimExtras::mmiEnergyPlotClick(bool checked) {
    FEnergyPlotShown = checked;
    if (!FEnergyPlot) {
        FEnergyPlot = std::make_unique<TfrmEnergyPlot>(Window);
        connect(FEnergyPlot.get(), &TfrmEnergyPlot::closed, this, [this] {
            FEnergyPlotShown = false;
            emit energyPlotShownChanged(false);
        });
        // Top right, where it leaves the info window at the top left and the tool panel free.
        if (const QScreen* monitor = Window->screen()) {
            const QRect area = monitor->availableGeometry();
            FEnergyPlot->move(area.right() - FEnergyPlot->frameGeometry().width() - 64, area.top() + 62);
        }
        EnergyPlotBehind = true;
    }
    if (FEnergyPlotShown) {
        CatchUpEnergyPlot();
        if (Scene.Ready()) SampleEnergy();
        FEnergyPlot->show();
    } else {
        FEnergyPlot->hide();
    }
}

// ---------------------------------------------------------------------------------------------
// Recording to CSV

void TSimExtras::StopRecording() {
    const bool recording = FRecorder.Recording();
    FRecorder.Close();
    emit recordingChanged(false);
    if (recording) emit recordingStopped(FRecorder.Records(), ToQ(FRecorder.Name()));
}

void TSimExtras::RecordStep() {
    try {
        FRecorder.Append(Document.Sim(), Clock.StepsDone());
    } catch (const EMathError&) {
        // Energies that cannot be computed: the step failed, which the run loop reports.
        StopRecording();
        throw;
    } catch (const std::exception& e) {
        // The recording ends; the run goes on.
        StopRecording();
        Prompts.ShowMessage(Window, ToQ(e.what()));
    }
}

void TSimExtras::mmiRecordCsvClick(bool checked) {
    if (!checked) {
        StopRecording();
        return;
    }
    // Checked only once the recording has begun.
    emit recordingChanged(false);
    const QString name =
        AskSaveName(QStringLiteral("Record to CSV"), ToQ(BaseName(Document.Sim().FileName) + ".csv"),
                    QString::fromUtf8(CsvFilter), ".csv", QString::fromUtf8(FileExistsQuestion));
    if (name.isEmpty()) return;
    // The columns are named after the particles and the frame's axes; a long run is recorded
    // at every K-th displayed step.
    const std::optional<int> interval =
        Prompts.GetInteger(Window, QStringLiteral("Record to CSV"),
                           QStringLiteral("Record every K-th displayed step, K:"), 1, 1, 1000000000);
    if (!interval) return;
    TCsvRecordOptions options;
    options.Names = true;
    options.AxisNames = Document.Frame().AxisNames();
    options.Interval = *interval;
    try {
        FRecorder.Open(FromQ(name), Document.Sim(), Clock.StepsDone(), options);
    } catch (const EInOutError& e) {
        Prompts.ShowMessage(Window, ToQ(e.what()));
        return;
    }
    emit recordingChanged(true);
}

// ---------------------------------------------------------------------------------------------
// The picture and the state

void TSimExtras::mmiExportImageClick() {
    TfrmExportImage options(Scene.size(), Window);
    if (Prompts.ExecDialog(options) != QDialog::Accepted) return;
    const QString name =
        AskSaveName(QStringLiteral("Export image"), ToQ(BaseName(Document.Sim().FileName) + ".png"),
                    QString::fromUtf8(ImageFilter), ".png", QString::fromUtf8(FileExistsQuestion));
    if (name.isEmpty()) return;
    // The picture is encoded in memory and written as every file is: the old picture stays
    // whole when the disk is full.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(
            ExportedPicture(Document, Scene, options.PictureSize(), options.Factor(), options.Burnins())))
        throw EInOutError("Could not save the image \"" + FromQ(name) + "\": " + FromQ(writer.errorString()));
    WriteFileAtomically(FromQ(name), std::string_view(png.constData(), static_cast<std::size_t>(png.size())));
}

void TSimExtras::mmiExportAnimationClick() {
    if (FAnimation && FAnimation->Busy()) return;
    TfrmExportAnimation options(Scene.size(), Window);
    if (Prompts.ExecDialog(options) != QDialog::Accepted) return;
    const QString name =
        AskSaveName(QStringLiteral("Export animation"), ToQ(BaseName(Document.Sim().FileName) + ".mp4"),
                    QString::fromUtf8(AnimationFilter), ".mp4", QString::fromUtf8(FileExistsQuestion));
    if (name.isEmpty()) return;
    TAnimationSettings settings;
    settings.Steps = options.Steps();
    settings.Every = options.Every();
    settings.FramesPerSecond = options.FramesPerSecond();
    settings.Size = options.Size();
    settings.Look = WindowLook(Scene, options.Burnins());
    std::unique_ptr<TFramedSim> copy;
    try {
        CheckAnimationSettings(FromQ(name), settings);
        copy = CopyOfSetup(Document, options.FromStart());
        if (options.FromStart()) copy->Sim().Rewind();
        copy->Sim().Prepare();
    } catch (const std::exception& e) {
        Prompts.ShowMessage(Window, ToQ(e.what()));
        return;
    }
    if (!FAnimation) {
        FAnimation = new TAnimationExport(Window);
        connect(FAnimation, &TAnimationExport::finished, this,
                [this](const QString& error, const QString& note) {
                    if (!error.isEmpty() && error != QStringLiteral("Cancelled"))
                        Prompts.ShowMessage(Window, error);
                    if (error.isEmpty() && !note.isEmpty()) Prompts.ShowNotice(Window, note);
                    emit animationFinished(error);
                });
    }
    FAnimation->Start(std::move(copy), FromQ(name), std::move(settings));
}

void TSimExtras::mmiSaveStateClick() {
    const QString name = AskSaveName(
        QStringLiteral("Save state as setup"), ToQ(BaseName(Document.Sim().FileName) + "_state.knx"),
        QString::fromUtf8(SetupFilter), SetupExtension, QString::fromUtf8(SetupExistsQuestion));
    if (name.isEmpty()) return;
    std::string written;
    try {
        written = SaveStateAsSetup(Document.Sim(), FromQ(name));
    } catch (const EKNError& e) {
        Prompts.ShowMessage(Window, ToQ(e.what()));
        return;
    }
    RememberFile(written);
}

// ---------------------------------------------------------------------------------------------
// Per step and per refresh

void TSimExtras::StepDrawn() {
    if (FRecorder.Recording()) RecordStep();
    // Every step, so that swings faster than the refreshes reach the plot.
    if (FEnergyPlotShown && FEnergyPlot)
        FEnergyPlot->OfferStep(Document.Sim());
    else
        EnergyPlotBehind = true;
    for (const auto& plot : FPlots) plot->OfferStep(Document.Sim());
}

void TSimExtras::SceneRefreshed() {
    const bool energy = FEnergyPlotShown && FEnergyPlot;
    if ((!energy && FPlots.empty()) || PlotTimer->isActive()) return;
    // At most once per frame of the screen, and plots whose curves have become dense bands
    // (a long fast run) are repainted less often still, so that they take at most about a
    // twentieth of the time of the run they watch.
    std::chrono::nanoseconds cost = energy ? FEnergyPlot->PaintCost() : std::chrono::nanoseconds(0);
    for (const auto& plot : FPlots) cost += plot->PaintCost();
    PlotGate.SetInterval(std::max(ScreenFrameInterval(Window), 20 * cost));
    if (PlotGate.Pass()) {
        if (energy) FEnergyPlot->update();
        for (const auto& plot : FPlots) plot->update();
    } else
        PlotTimer->start(std::chrono::ceil<std::chrono::milliseconds>(PlotGate.Remaining()));
}

void TSimExtras::ForgetSamples() {
    if (FEnergyPlot) FEnergyPlot->ClearSamples();
    // Their bodies belonged to the setup that went.
    FPlots.clear();
}

// ---------------------------------------------------------------------------------------------
// Plots of any quantity

std::vector<TfrmPlot*> TSimExtras::Plots() const {
    std::vector<TfrmPlot*> plots;
    for (const auto& plot : FPlots) plots.push_back(plot.get());
    return plots;
}

void TSimExtras::mmiPlotClick(int body) {
    if (!Document.HasSetup()) return;
    TfrmPlotChoice dialog(Document.Sim(), body, Window);
    if (Prompts.ExecDialog(dialog) != QDialog::Accepted) return;
    const TPlotConfig config = dialog.Config();
    if (!config.Series.empty()) OpenPlot(config);
}

TfrmPlot* TSimExtras::OpenPlot(const TPlotConfig& config) {
    auto owned = std::make_unique<TfrmPlot>(Window, config);
    TfrmPlot* plot = owned.get();
    plot->SetNames(Document.Sim());
    if (Clock.StepsDone() == 0) {
        plot->Restart(Document.Sim());
    } else {
        // Steps it never saw: it begins at the present, a drift measured from time 0.
        plot->Resume(RewindEnergyKnown ? std::optional<double>(RewindKinetic + RewindPotential)
                                       : std::nullopt);
        plot->Sample(Document.Sim());
    }
    connect(plot, &TfrmPlot::closed, this, [this, plot] {
        const auto found =
            std::find_if(FPlots.begin(), FPlots.end(), [plot](const auto& p) { return p.get() == plot; });
        if (found == FPlots.end()) return;
        found->release()->deleteLater();
        FPlots.erase(found);
    });
    connect(plot, &TfrmPlot::exportRequested, this, [this, plot](const QString& format) {
        RunGuarded(Prompts, Window, [&] { ExportPlot(*plot, format); });
    });
    if (const QScreen* monitor = Window->screen()) {
        const QRect area = monitor->availableGeometry();
        const int shift = 24 * static_cast<int>(FPlots.size() % 8);
        plot->move(area.right() - plot->frameGeometry().width() - 64 - shift, area.top() + 62 + 440 + shift);
    }
    FPlots.push_back(std::move(owned));
    plot->show();
    return plot;
}

void TSimExtras::ExportPlot(TfrmPlot& plot, const QString& format) {
    const QString extension = QStringLiteral(".") + format;
    const QString filter = format == QStringLiteral("csv")   ? QString::fromUtf8(CsvFilter)
                           : format == QStringLiteral("png") ? QString::fromUtf8(ImageFilter)
                                                             : QStringLiteral("SVG image (*.svg)|*.svg");
    const QString name =
        AskSaveName(QStringLiteral("Export plot"),
                    ToQ(BaseName(Document.Sim().FileName)) + QStringLiteral("_plot") + extension, filter,
                    FromQ(extension).c_str(), QString::fromUtf8(FileExistsQuestion));
    if (name.isEmpty()) return;
    if (format == QStringLiteral("csv"))
        plot.ExportCsv(name);
    else if (format == QStringLiteral("png"))
        plot.ExportPng(name);
    else
        plot.ExportSvg(name);
}

}  // namespace kinetra::ui
