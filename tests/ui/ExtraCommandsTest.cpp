// The commands beside the main window's own: the menus that keep their items, the energy plot
// fed by every step and every rewind, the exported picture, the reached state saved as a setup, the
// bundled examples, the recent setups, the last folder and the window's geometry.
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>

#include "UiTestSupport.h"
#include "base/KNUtils.h"
#include "frame/FramedSim.h"
#include "ui/document/UiText.h"
#include "ui/extras/EnergyPlot.h"
#include "ui/extras/Session.h"

namespace kinetra::ui::test {
namespace {

const std::string ExamplesFolder = std::string(KINETRA_TEST_DATA) + "/../../examples";

// The prompts that also note the folder every file dialog starts in.
class TFolderPrompts : public TScriptedPrompts {
public:
    std::vector<QString> Folders;
    QString GetOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter) override {
        Folders.push_back(folder);
        return TScriptedPrompts::GetOpenFileName(parent, title, folder, filter);
    }
    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& folder,
                            const QString& proposed, const QString& filter) override {
        Folders.push_back(folder);
        return TScriptedPrompts::GetSaveFileName(parent, title, folder, proposed, filter);
    }
};

class ExtraCommands : public TFreshSessionFormTest {
protected:
    void SetUp() override {
        TFreshSessionFormTest::SetUp();
        ASSERT_TRUE(Dir.isValid());
    }
    QString PathOf(const QString& name) const { return Dir.filePath(name); }
    // Replaces the window's scripted prompts by ones that also note each file dialog's folder.
    TFolderPrompts* UseFolderPrompts() {
        auto prompts = std::make_unique<TFolderPrompts>();
        TFolderPrompts* folders = prompts.get();
        Form->SetPrompts(std::move(prompts));
        Prompts = folders;
        return folders;
    }
    std::string Copy(const QString& name) {
        const QString target = Dir.filePath(name);
        QFile::remove(target);
        EXPECT_TRUE(QFile::copy(QString::fromStdString(DataFile("ui_figure_eight.knx")), target));
        return target.toStdString();
    }
    std::vector<QString> Captions(const QMenu* menu) const {
        std::vector<QString> captions;
        for (const QAction* a : menu->actions())
            captions.push_back(a->isSeparator() ? QString("-") : a->text());
        return captions;
    }
    QMenu* TopMenu(const char* name) const { return Form->menuBar()->findChild<QMenu*>(name); }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) Form->Controls().mmiStep->trigger();
    }

    QTemporaryDir Dir;
};

TEST_F(ExtraCommands, MenusKeepTheirItemsInOrderAndGainTheNewOnes) {
    EXPECT_EQ(Captions(TopMenu("mmiFile")),
              (std::vector<QString>{"&New", "&Open", "Open e&xample", "Open re&cent", "&Save", "Save &As",
                                    "-", "Save state as setup...", "&Record to CSV...", "&Export image...",
                                    "Export ani&mation\u2026", "-", "&Quit"}));
    EXPECT_EQ(Captions(TopMenu("mmiOptions")),
              (std::vector<QString>{"&Display info", "Energy &plot", "P&lot\u2026", "&Trails",
                                    "&Show center of mass", "&Fit all", "-", "&Velocity arrows",
                                    "F&orce arrows", "&Charge signs", "&Notes pane", "&Units"}));
    EXPECT_TRUE(Form->Controls().mmiEnergyPlot->isCheckable());
    EXPECT_TRUE(Form->Controls().mmiRecordCsv->isCheckable());
    // Without a setup only the ways to open one are offered.
    for (QAction* a : {Form->Controls().mmiEnergyPlot, Form->Controls().mmiPlot,
                       Form->Controls().mmiRecordCsv, Form->Controls().mmiExportImage,
                       Form->Controls().mmiExportAnimation, Form->Controls().mmiSaveState})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
    EXPECT_TRUE(Form->Controls().mmiExamples->menuAction()->isEnabled());
    EXPECT_TRUE(Form->Controls().mmiRecent->menuAction()->isEnabled());
    Open(DataFile("ui_figure_eight.knx"));
    for (QAction* a : {Form->Controls().mmiEnergyPlot, Form->Controls().mmiPlot,
                       Form->Controls().mmiRecordCsv, Form->Controls().mmiExportImage,
                       Form->Controls().mmiExportAnimation, Form->Controls().mmiSaveState})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
}

// ---------------------------------------------------------------------------------------------
// The energy plot

// The plot shows only what it sampled: switched on late, or shown again after steps it did not
// see, it begins at the present; its drift is still measured from the energy at time 0.
TEST_F(ExtraCommands, EnergyPlotStartsAtTheEnergyOfTimeZeroAndTakesEveryStep) {
    Open(DataFile("ui_figure_eight.knx"));
    const double e0 = Sim().KineticEnergy() + Sim().PotentialEnergy();
    Steps(4);
    Form->Controls().mmiEnergyPlot->trigger();
    TfrmEnergyPlot* plot = Form->EnergyPlot();
    ASSERT_NE(plot, nullptr);
    EXPECT_TRUE(plot->isVisible());
    EXPECT_EQ(plot->windowTitle(), "Energy plot");
    EXPECT_EQ(plot->E0(), e0);
    ASSERT_EQ(plot->History().Buckets().size(), 1u);
    EXPECT_EQ(plot->History().Buckets()[0].FirstTime, Sim().Time);
    EXPECT_EQ(plot->History().LastTime(), Sim().Time);

    // One sample per step.
    Steps(3);
    EXPECT_EQ(plot->History().Buckets().size(), 4u);
    EXPECT_EQ(plot->History().LastY(2), Sim().KineticEnergy() + Sim().PotentialEnergy());
    // A refresh without a step (a new size of the drawing area) adds nothing.
    Form->ResizeDrawingArea(420, 300);
    EXPECT_EQ(plot->History().Buckets().size(), 4u);

    // Stop rewinds: a new history with its time-0 sample.
    Form->Controls().mmiStop->trigger();
    ASSERT_EQ(plot->History().Buckets().size(), 1u);
    EXPECT_EQ(plot->History().Buckets()[0].FirstTime, 0);
    EXPECT_EQ(plot->E0(), e0);

    // Backwards the times go below zero, in the order they came.
    for (int i = 0; i < 3; ++i) Form->Controls().mmiStepBack->trigger();
    ASSERT_EQ(plot->History().Buckets().size(), 4u);
    EXPECT_LT(plot->History().Buckets()[3].FirstTime, plot->History().Buckets()[2].FirstTime);
    EXPECT_LT(plot->History().Buckets()[3].FirstTime, 0);

    // Hidden and shown again with no step between, it keeps its history; unchecked, it takes
    // no samples, and shown again after steps it begins at the present.
    Form->Controls().mmiEnergyPlot->trigger();
    EXPECT_FALSE(plot->isVisible());
    Form->Controls().mmiEnergyPlot->trigger();
    EXPECT_EQ(plot->History().Buckets().size(), 4u);
    Form->Controls().mmiEnergyPlot->trigger();
    Steps(2);
    EXPECT_EQ(plot->History().Buckets().size(), 4u);
    Form->Controls().mmiEnergyPlot->trigger();
    EXPECT_EQ(Form->EnergyPlot(), plot);
    EXPECT_TRUE(plot->isVisible());
    ASSERT_EQ(plot->History().Buckets().size(), 1u);
    EXPECT_EQ(plot->History().Buckets()[0].FirstTime, Sim().Time);
    EXPECT_EQ(plot->E0(), e0);
    plot->close();
    EXPECT_FALSE(Form->Controls().mmiEnergyPlot->isChecked());
    EXPECT_FALSE(Form->EnergyPlotShown());
}

// Opened during a run at full speed (Harmonic1D, whose energy swings fast): the curves begin
// where the plot was opened, and the drift stays as small as it truly is.
TEST_F(ExtraCommands, EnergyPlotOpenedDuringARunDrawsNoTrendItNeverSaw) {
    Open(ExamplesFolder + "/Harmonic1D.knx");
    const double e0 = Sim().KineticEnergy() + Sim().PotentialEnergy();
    double openedAt = -1;
    RunWhile([&] {
        if (openedAt < 0 && Sim().Time >= 30) {
            openedAt = Sim().Time;
            Form->Controls().mmiEnergyPlot->trigger();
        }
        if (Sim().Time < 40) return true;
        Form->Controls().mmiPause->trigger();
        return false;
    });
    ASSERT_EQ(RunState(), rsPaused);
    const TPlotHistory& history = Form->EnergyPlot()->History();
    EXPECT_EQ(Form->EnergyPlot()->E0(), e0);
    ASSERT_FALSE(history.Empty());
    EXPECT_EQ(history.Buckets().front().FirstTime, openedAt);
    EXPECT_EQ(history.LastTime(), Sim().Time);
    for (std::size_t i = 0; i < history.Buckets().size(); ++i) {
        EXPECT_LT(std::fabs(EnergyDrift(history.Range(i, 2).Min, e0)), 1e-2) << i;
        EXPECT_LT(std::fabs(EnergyDrift(history.Range(i, 2).Max, e0)), 1e-2) << i;
    }
}

// Harmonic1D swings its kinetic energy between 0 and its maximum four times a period, far faster
// than the screen refreshes: the plot must still reach the true maximum.
TEST_F(ExtraCommands, EnergyPlotOfARunReachesTheTrueExtremesOfAFastSwing) {
    const std::string file = ExamplesFolder + "/Harmonic1D.knx";
    Open(file);
    Form->Controls().mmiEnergyPlot->trigger();
    const TfrmEnergyPlot* plot = Form->EnergyPlot();
    // Commands run in the event processing that follows a refresh: pause after two periods.
    RunWhile([&] {
        if (Sim().Time < 6.3) return true;
        Form->Controls().mmiPause->trigger();
        return false;
    });
    ASSERT_EQ(RunState(), rsPaused);
    const TPlotHistory& history = plot->History();
    EXPECT_EQ(history.LastTime(), Sim().Time);
    EXPECT_EQ(history.LastY(2), Sim().KineticEnergy() + Sim().PotentialEnergy());
    double plotted = 0;
    for (std::size_t i = 0; i < history.Buckets().size(); ++i)
        plotted = std::max(plotted, history.Range(i, 0).Max);

    // The same setup stepped on its own to the same time, every step looked at.
    TFramedSim simSetup;
    TSimData& sim = simSetup.Sim();
    std::ifstream in(file, std::ios::binary);
    sim.LoadFromStream(in);
    sim.Rewind();
    sim.Prepare();
    double real = sim.KineticEnergy();
    int steps = 0;
    while (sim.Time < Sim().Time) {
        sim.Step();
        real = std::max(real, sim.KineticEnergy());
        ++steps;
    }
    EXPECT_EQ(sim.Time, Sim().Time);
    EXPECT_GT(real, 20);
    EXPECT_GE(plotted, 0.99 * real);
    EXPECT_LE(plotted, real);
    // Three particles cost nothing to sample: every step was taken.
    EXPECT_EQ(history.Count(), steps + 1);
    EXPECT_EQ(plot->SampleEvery(), 1);
    // The picture reaches the top of the kinetic swing too: red near the top of the panel.
    QImage picture = const_cast<TfrmEnergyPlot*>(plot)->Picture();
    int highest = picture.height();
    for (int y = 0; y < picture.height() && highest == picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xFFFFFFu) == 0xC80000u) {
                highest = y;
                break;
            }
    EXPECT_LT(highest, picture.height() / 3);
}

// ---------------------------------------------------------------------------------------------
// The exported picture

TEST_F(ExtraCommands, ExportImageSavesTheDrawingAreaAsTheScreenShowsIt) {
    MakeSetup(2, {{"A", {0, 0}, {100, 0}, 1, 5, 1, true}, {"B", {0, 3}, {-100, 0}, 1, 5, 4, true}}, 20);
    Form->Controls().smiAllTrails->trigger();
    Steps(20);
    Prompts->SaveNames.push_back(PathOf("scene"));
    Form->Controls().mmiExportImage->trigger();
    EXPECT_EQ(Prompts->FileDialogTitles.back(), "Export image");
    EXPECT_EQ(Prompts->LastFilter, "PNG image (*.png)|*.png");
    QImage saved(PathOf("scene.png"));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(400, 300));
    const QImage screen = View().Canvas().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), screen);
    // The red particle's trail, ANDed over the background, is in the picture beside its image.
    int red = 0;
    for (int y = 0; y < saved.height(); ++y)
        for (int x = 0; x < saved.width(); ++x) {
            const QRgb p = saved.pixel(x, y);
            if (qRed(p) > 128 && qGreen(p) == 0 && qBlue(p) == 0) ++red;
        }
    EXPECT_GT(red, 60);
    // Half-way along A's path, away from where its image stands now.
    bool trail = false;
    for (int y = 148; y <= 152; ++y)
        trail = trail || (qRed(saved.pixel(240, y)) > 128 && qGreen(saved.pixel(240, y)) == 0);
    EXPECT_TRUE(trail);

    // An existing picture is only replaced after the question.
    Prompts->SaveNames.push_back(PathOf("scene.png"));
    Prompts->Answers.push_back(TAnswer::Cancel);
    QFile::resize(PathOf("scene.png"), 0);
    Form->Controls().mmiExportImage->trigger();
    EXPECT_EQ(Prompts->Questions.back(), "A file of this name already exists. Do you want to override it?");
    EXPECT_EQ(QFileInfo(PathOf("scene.png")).size(), 0);
}

TEST_F(ExtraCommands, ExportImageIntoAnUnwritablePlaceReportsTheError) {
    MakeSetup(2, {{"A", {0, 0}, {1, 0}}});
    Prompts->SaveNames.push_back("/nonexistent-folder-for-kinetra/x.png");
    Form->Controls().mmiExportImage->trigger();
    ASSERT_EQ(Prompts->Errors.size(), 1u);
    EXPECT_TRUE(Prompts->Errors[0].startsWith("Could not save \"/nonexistent-folder-for-kinetra/x.png\""))
        << Prompts->Errors[0].toStdString();
}

// On a full disk the picture that was there stays whole and the error says so; the next export,
// once there is room, replaces it. The disk is a small file system of its own where the test may
// mount one.
TEST_F(ExtraCommands, ExportImageOntoAFullDiskKeepsTheOldPicture) {
    const QString disk = PathOf("disk");
    ASSERT_TRUE(QDir().mkdir(disk));
    if (geteuid() != 0 || ::mount("tmpfs", disk.toLocal8Bit().constData(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    struct TUnmount {
        QByteArray Path;
        ~TUnmount() { ::umount2(Path.constData(), MNT_DETACH); }
    } unmount{disk.toLocal8Bit()};
    MakeSetup(2, {{"A", {0, 0}, {100, 0}, 1, 5, 1, true}});
    const QString target = disk + "/scene.png";
    const auto bytesOf = [](const QString& name) {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    Prompts->SaveNames.push_back(target);
    Form->Controls().mmiExportImage->trigger();
    ASSERT_TRUE(Prompts->Errors.empty());
    const QByteArray old = bytesOf(target);
    ASSERT_FALSE(old.isEmpty());

    const QByteArray filler = (disk + "/filler").toLocal8Bit();
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
    Steps(20);
    Prompts->SaveNames.push_back(target);
    Prompts->Answers.push_back(TAnswer::Yes);
    Form->Controls().mmiExportImage->trigger();
    ASSERT_EQ(Prompts->Errors.size(), 1u);
    EXPECT_TRUE(Prompts->Errors[0].startsWith("Could not save \"" + target + "\": "))
        << Prompts->Errors[0].toStdString();
    EXPECT_EQ(bytesOf(target), old);
    EXPECT_EQ(QDir(disk).entryList(QDir::Files), (QStringList{"filler", "scene.png"}));

    ASSERT_EQ(::unlink(filler.constData()), 0);
    Prompts->SaveNames.push_back(target);
    Prompts->Answers.push_back(TAnswer::Yes);
    Form->Controls().mmiExportImage->trigger();
    EXPECT_EQ(Prompts->Errors.size(), 1u);
    EXPECT_EQ(QImage(target).convertToFormat(QImage::Format_RGB32),
              View().Canvas().convertToFormat(QImage::Format_RGB32));
}

// ---------------------------------------------------------------------------------------------
// The state as a setup

TEST_F(ExtraCommands, SaveStateWritesASetupThatStartsWhereTheRunStands) {
    const std::string original = Copy("Eight.knx");
    Open(original);
    Steps(12);
    const double time = Sim().Time;
    std::vector<TVector> positions, velocities;
    for (int i = 0; i < Sim().Particles.Count(); ++i) {
        positions.push_back(Sim().Particles.Particles(i).Position);
        velocities.push_back(Sim().Particles.Particles(i).Velocity);
    }
    const QString caption = Form->windowTitle();

    Prompts->SaveNames.push_back(PathOf("later"));
    Form->Controls().mmiSaveState->trigger();
    EXPECT_EQ(Prompts->FileDialogTitles.back(), "Save state as setup");
    EXPECT_EQ(Prompts->ProposedNames.back(), "Eight_state.knx");
    ASSERT_TRUE(QFileInfo::exists(PathOf("later.knx")));
    // The setup itself stays as it was.
    EXPECT_EQ(Sim().FileName, original);
    EXPECT_EQ(Form->windowTitle(), caption);
    EXPECT_FALSE(Modified());
    EXPECT_EQ(RunState(), rsPaused);
    EXPECT_EQ(Sim().Time, time);

    // Opened, it stands at the saved state at time 0.
    Open(PathOf("later.knx").toStdString());
    EXPECT_EQ(RunState(), rsStopped);
    EXPECT_EQ(Sim().Time, 0);
    ASSERT_EQ(Sim().Particles.Count(), static_cast<int>(positions.size()));
    for (int i = 0; i < Sim().Particles.Count(); ++i) {
        const TParticle& p = Sim().Particles.Particles(i);
        for (int d = 0; d < 2; ++d) {
            EXPECT_NEAR(p.InitialPosition[d], positions[size_t(i)][d], 1e-14) << i;
            EXPECT_NEAR(p.InitialVelocity[d], velocities[size_t(i)][d], 1e-14) << i;
        }
    }
    EXPECT_TRUE(QString::fromStdString(Sim().Notes).endsWith("State at t = " + ToQ(FormatGeneral(time, 15))));
    EXPECT_EQ(TSession::RecentFiles().value(0), PathOf("later.knx"));
}

TEST_F(ExtraCommands, SaveStateOfOverlappingParticlesShowsWhyAndWritesNothing) {
    MakeSetup(1, {{"A", {0}, {50}, 1, 5, 1, false, false, 0.1}, {"B", {1}, {0}, 1, 5, 4, false, false, 0.1}},
              100, 0.002, 1);
    Sim().Force->StoreConstants(0, 0);
    Sim().Force->UpdateCoefficients();
    Steps(9);  // A has run 0.9 towards B
    Prompts->SaveNames.push_back(PathOf("overlap.knx"));
    Form->Controls().mmiSaveState->trigger();
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_TRUE(Prompts->Messages[0].endsWith("cannot be saved as a setup: Overlap with A."))
        << Prompts->Messages[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(PathOf("overlap.knx")));
}

// ---------------------------------------------------------------------------------------------
// Examples and recent setups

TEST_F(ExtraCommands, TheExampleMenuOpensEveryExample) {
    const QDir examples(QString::fromStdString(ExamplesFolder));
    QStringList expected = examples.entryList({"*.knx"}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    ASSERT_GE(expected.size(), 7);
    const QList<QAction*> items = Form->Controls().mmiExamples->actions();
    ASSERT_EQ(items.size(), expected.size());
    for (int k = 0; k < items.size(); ++k) {
        const QString name = QFileInfo(expected[k]).completeBaseName();
        EXPECT_EQ(items[k]->text(), name);
        items[k]->trigger();
        // An unsaved copy named after the example, in the user's folder.
        EXPECT_EQ(ToQ(Sim().FileName), QDir::home().filePath(expected[k]));
        EXPECT_EQ(RunState(), rsStopped) << name.toStdString();
        EXPECT_EQ(Form->windowTitle(), "Kinetra - " + name);
        EXPECT_GT(Sim().Particles.Count(), 0);
    }
    EXPECT_TRUE(Prompts->Messages.empty());
    EXPECT_TRUE(Prompts->Errors.empty());
    EXPECT_TRUE(Prompts->Questions.empty());
    EXPECT_TRUE(TSession::RecentFiles().isEmpty());

    // As Open: unsaved changes are asked about first, and Cancel keeps the setup.
    const std::string shown = Sim().FileName;
    Form->Controls().actZoomIn->trigger();  // a change of the view
    items[0]->trigger();
    EXPECT_EQ(Prompts->Questions.size(), 1u);
    EXPECT_EQ(Sim().FileName, shown);
}

TEST_F(ExtraCommands, SaveOfAnExampleAsksWhereAndLeavesTheExampleAsItCame) {
    QAction* item = Form->Controls().mmiExamples->actions().first();
    const QString example = item->data().toString();
    QFile original(example);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();
    // Should the example be overwritten after all, it is put back: the test fails, the sources stay.
    struct TPutBack {
        const QString& Name;
        const QByteArray& Bytes;
        ~TPutBack() {
            QFile file(Name);
            if (file.open(QIODevice::ReadOnly) && file.readAll() != Bytes) {
                file.close();
                if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(Bytes);
            }
        }
    } putBack{example, bytes};
    item->trigger();
    Form->Controls().actZoomIn->trigger();
    // Cancelled: nothing is written, the setup stays changed.
    Form->Controls().mmiSave->trigger();
    EXPECT_EQ(Prompts->FileDialogTitles, std::vector<QString>{"Save the setup"});
    EXPECT_EQ(Prompts->ProposedNames.back(), QDir::home().filePath(QFileInfo(example).fileName()));
    EXPECT_TRUE(Modified());
    // Closing with Yes asks too.
    Prompts->Answers = {TAnswer::Yes};
    EXPECT_FALSE(Form->close());
    EXPECT_EQ(Prompts->FileDialogTitles.size(), 2u);
    Prompts->SaveNames = {PathOf("Mine")};
    Form->Controls().mmiSave->trigger();
    EXPECT_EQ(Sim().FileName, FromQ(PathOf("Mine.knx")));
    EXPECT_EQ(Form->windowTitle(), "Kinetra - Mine");
    EXPECT_FALSE(Modified());
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), bytes);
    // From now on the setup is the user's own: Save writes without a dialog.
    Form->Controls().actZoomIn->trigger();
    Form->Controls().mmiSave->trigger();
    EXPECT_EQ(Prompts->FileDialogTitles.size(), 3u);
    EXPECT_FALSE(Modified());
}

TEST_F(ExtraCommands, AFailedSaveKeepsTheOldNameAndTheNextSaveWritesTheOldFile) {
    TFolderPrompts* folders = UseFolderPrompts();
    ASSERT_TRUE(QDir(Dir.path()).mkdir("sub"));
    const std::string old = Copy("sub/F.knx");
    folders->OpenNames.push_back(ToQ(old));
    Form->Controls().mmiOpen->trigger();
    Form->Controls().actZoomIn->trigger();
    const QString missing = PathOf("missing");
    Prompts->SaveNames = {missing + "/New"};
    Form->Controls().mmiSaveAs->trigger();
    ASSERT_EQ(Prompts->Errors, std::vector<QString>{"Could not save \"" + missing + "/New.knx\": Folder \"" +
                                                    missing + "\" not found."});
    EXPECT_EQ(Form->windowTitle(), "Kinetra - F");
    EXPECT_EQ(Sim().FileName, old);
    EXPECT_TRUE(Modified());
    // The next Save (Ctrl+S) writes the file the setup came from.
    Form->Controls().mmiSave->trigger();
    EXPECT_EQ(Prompts->Errors.size(), 1u);
    EXPECT_FALSE(Modified());
    TFramedSim saved;
    saved.Load(old);
    EXPECT_DOUBLE_EQ(saved.Frame().Scale(), Doc().Frame().Scale());

    // A failed Save keeps the name as it was, without the extension the writer would add.
    Sim().FileName = FromQ(missing + "/Untitled");
    Form->Controls().actZoomIn->trigger();  // a change to save
    Form->Controls().mmiSave->trigger();
    EXPECT_EQ(Prompts->Errors.size(), 2u);
    EXPECT_EQ(ToQ(Sim().FileName), missing + "/Untitled");

    // A name in a folder that is gone: the next Save As opens in a folder that can be shown,
    // proposing the name alone.
    Sim().FileName = old;
    ASSERT_TRUE(QDir(PathOf("sub")).removeRecursively());
    Form->Controls().mmiSaveAs->trigger();
    EXPECT_TRUE(QFileInfo(folders->Folders.back()).isDir());
    EXPECT_EQ(Prompts->ProposedNames.back(), "F.knx");
}

TEST_F(ExtraCommands, RecentSetupsKeepTheLastEightMostRecentFirst) {
    Form->Controls().mmiRecent->aboutToShow();
    ASSERT_EQ(Form->Controls().mmiRecent->actions().size(), 1);
    EXPECT_FALSE(Form->Controls().mmiRecent->actions()[0]->isEnabled());

    std::vector<std::string> files;
    for (int k = 0; k < 10; ++k) files.push_back(Copy(QString("R%1.knx").arg(k)));
    for (const std::string& file : files) Open(file);
    // Saving counts too, and moves the file to the front.
    Open(files[3]);
    Form->Controls().actZoomIn->trigger();  // a change of the view
    Form->Controls().mmiSave->trigger();
    Form->Controls().mmiRecent->aboutToShow();
    const QList<QAction*> items = Form->Controls().mmiRecent->actions();
    ASSERT_EQ(items.size(), 8);
    EXPECT_EQ(items[0]->data().toString(), ToQ(files[3]));
    EXPECT_EQ(items[1]->data().toString(), ToQ(files[9]));
    EXPECT_EQ(items[7]->data().toString(), ToQ(files[2]));
    EXPECT_EQ(items[0]->text(), "&1  " + QDir::toNativeSeparators(ToQ(files[3])));

    // Choosing one opens it as Open does.
    items[2]->trigger();
    EXPECT_EQ(Sim().FileName, files[8]);
    EXPECT_EQ(RunState(), rsStopped);

    // A file that is gone is reported and leaves the list.
    QFile::remove(ToQ(files[7]));
    Form->Controls().mmiRecent->aboutToShow();
    for (QAction* item : Form->Controls().mmiRecent->actions())
        if (item->data().toString() == ToQ(files[7])) item->trigger();
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_EQ(Prompts->Messages[0], "File " + ToQ(files[7]) + " not found");
    EXPECT_FALSE(TSession::RecentFiles().contains(ToQ(files[7])));
}

TEST_F(ExtraCommands, FileDialogsStartInTheFolderUsedLast) {
    TFolderPrompts* folders = UseFolderPrompts();
    // Nothing remembered: the current folder.
    folders->OpenNames.push_back(QString::fromStdString(Copy("F.knx")));
    Form->Controls().mmiOpen->trigger();
    EXPECT_EQ(folders->Folders.back(), QDir::currentPath());
    // Then the folder of the file chosen, for every file dialog, also in a new window.
    Prompts->SaveNames.push_back(PathOf("pic.png"));
    Form->Controls().mmiExportImage->trigger();
    EXPECT_EQ(folders->Folders.back(), QFileInfo(PathOf("F.knx")).absolutePath());
    auto otherPrompts = std::make_unique<TFolderPrompts>();
    TFolderPrompts* otherFolders = otherPrompts.get();
    TSimForm other(std::move(otherPrompts));
    other.Controls().mmiOpen->trigger();
    EXPECT_EQ(otherFolders->Folders.back(), QFileInfo(PathOf("F.knx")).absolutePath());
}

TEST_F(ExtraCommands, TheWindowComesBackWhereItWasClosed) {
    Form->ResizeDrawingArea(333, 222);
    const QSize size = Form->size();
    EXPECT_TRUE(Form->close());
    auto again = std::make_unique<TSimForm>(std::make_unique<TScriptedPrompts>());
    ASSERT_TRUE(again->RestoreWindowGeometry());
    EXPECT_EQ(again->size(), size);
    TSession::Clear();
    TSimForm fresh(std::make_unique<TScriptedPrompts>());
    EXPECT_FALSE(fresh.RestoreWindowGeometry());
}

TEST_F(ExtraCommands, AWindowPlaceThatDoesNotFitTheScreenIsNotRestored) {
    const QRect screen = Form->screen()->availableGeometry();
    const QRect places[] = {
        QRect(screen.topLeft(), screen.size() + QSize(200, 200)),    // saved on a larger screen
        QRect(screen.left() + 20, screen.bottom() - 100, 400, 300),  // status bar below the edge
    };
    for (const QRect& place : places) {
        QWidget saved;
        saved.setGeometry(place);
        TSession::SetWindowGeometry(saved.saveGeometry());
        TSimForm again(std::make_unique<TScriptedPrompts>());
        EXPECT_FALSE(again.RestoreWindowGeometry()) << place.width() << "x" << place.height();
        EXPECT_TRUE(screen.contains(again.geometry())) << place.width() << "x" << place.height();
    }
}

}  // namespace
}  // namespace kinetra::ui::test
