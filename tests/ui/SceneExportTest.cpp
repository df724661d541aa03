// The exports of the scene: the offscreen picture against the window's own, Export image with
// burn-ins and sizes, Export animation from the window against the batch tool's drawing, and a
// cancelled export that leaves nothing behind.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "UiTestSupport.h"
#include "frame/FramedSim.h"
#include "ui/extras/ExportDialogs.h"
#include "ui/extras/SceneExport.h"
#include "ui/extras/SimExtras.h"
#include "ui/render/Animation.h"

namespace kinetra::ui::test {
namespace {

class SceneExport : public TFreshSessionFormTest {
protected:
    QString PathOf(const QString& name) const { return Dir.filePath(name); }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) Form->Controls().mmiStep->trigger();
    }
    // Fills the animation dialog when it comes up.
    void AnimationAnswers(bool fromStart, int steps, int every, QSize size) {
        Prompts->OnExecDialog = [=](QDialog& dialog) {
            auto* form = dynamic_cast<TfrmExportAnimation*>(&dialog);
            if (!form) return int(QDialog::Accepted);
            (fromStart ? form->Controls().rbStart : form->Controls().rbCurrent)->setChecked(true);
            form->Controls().edSteps->setValue(steps);
            form->Controls().edEvery->setValue(every);
            form->Controls().edWidth->setValue(size.width());
            form->Controls().edHeight->setValue(size.height());
            return int(QDialog::Accepted);
        };
    }
    // Waits for the export going on to end; its error text.
    QString WaitForAnimation() {
        QSignalSpy spy(&Form->ExtraCommands(), &TSimExtras::animationFinished);
        if (spy.isEmpty() && !spy.wait(60000)) return QStringLiteral("timed out");
        return spy.front().front().toString();
    }
    QStringList Files() const { return QDir(Dir.path()).entryList(QDir::Files, QDir::Name); }
    QTemporaryDir Dir;
};

// The offscreen picture of step N, drawn from the setup at time 0, against the window's own
// after N steps: the same pixels except where a disc that moved by one pixel left an
// antialiased rim of its old picture (the window erases only moves of two pixels or more).
TEST_F(SceneExport, OffscreenPictureIsTheWindowsPictureOfTheSameStep) {
    Prompts->OpenNames.push_back(QString::fromStdString(DataFile("ui_figure_eight.knx")));
    Form->Controls().mmiOpen->trigger();
    Form->Controls().smiAllTrails->trigger();
    constexpr int steps = 60;
    Steps(steps);
    const QImage window = View().SceneImage().convertToFormat(QImage::Format_RGB32);

    std::unique_ptr<TFramedSim> copy = CopyOfSetup(Doc(), true);
    copy->Sim().Rewind();
    copy->Sim().Prepare();
    TSceneRenderer renderer(copy->Sim(), copy->Frame(), window.size(), WindowLook(View(), {}));
    for (int i = 0; i < steps; ++i) {
        copy->Sim().Step();
        renderer.AfterStep();
    }
    EXPECT_EQ(copy->Sim().Time, Sim().Time);
    const QImage offscreen = renderer.Picture();
    ASSERT_EQ(offscreen.size(), window.size());
    int differing = 0, largest = 0;
    for (int y = 0; y < window.height(); ++y)
        for (int x = 0; x < window.width(); ++x) {
            const QRgb a = window.pixel(x, y), b = offscreen.pixel(x, y);
            if (a == b) continue;
            ++differing;
            largest = std::max({largest, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                std::abs(qBlue(a) - qBlue(b))});
        }
    // At most a rim of a few pixels per disc (three discs).
    EXPECT_LE(differing, 3 * 12) << "largest channel difference " << largest;
    RecordProperty("differing_pixels", differing);
    RecordProperty("largest_channel_difference", largest);
}

TEST_F(SceneExport, ExportImageBurnsInTheChosenTextsAtTheChosenSize) {
    MakeSetup(2, {{"A", {0, 0}, {100, 0}, 1, 5, 1, true}, {"B", {0, 30}, {-100, 0}, 1, 5, 4, true}}, 2);
    Form->Controls().smiAllTrails->trigger();
    Steps(20);
    struct TCase {
        int SizeIndex;
        bool Time;
        QSize Expected;
    } cases[] = {
        {0, false, {400, 300}}, {0, true, {400, 300}}, {1, true, {800, 600}}, {2, false, {1920, 1080}}};
    for (const TCase& c : cases) {
        Prompts->OnExecDialog = [&](QDialog& dialog) {
            auto* form = dynamic_cast<TfrmExportImage*>(&dialog);
            form->Controls().cbSize->setCurrentIndex(c.SizeIndex);
            form->Controls().cbTime->setChecked(c.Time);
            return int(QDialog::Accepted);
        };
        Prompts->SaveNames.push_back(PathOf("scene.png"));
        Prompts->Answers.push_back(TAnswer::Yes);
        Form->Controls().mmiExportImage->trigger();
        const QImage saved = QImage(PathOf("scene.png")).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(saved.size(), c.Expected) << c.SizeIndex;
        const QImage screen = View().SceneImage().convertToFormat(QImage::Format_RGB32);
        if (c.SizeIndex == 0) {
            // The plain picture is the screen's; the time only adds its plate at the top right.
            const QRect corner(200, 0, 200, 40);
            EXPECT_EQ(saved.copy(0, 40, 400, 260), screen.copy(0, 40, 400, 260));
            EXPECT_EQ(saved.copy(corner) == screen.copy(corner), !c.Time);
        }
        if (c.SizeIndex == 1) {
            // Twice the scale: the trails drawn so far come along, enlarged.
            const auto redRun = [](const QImage& image) {
                int red = 0;
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        if (qRed(image.pixel(x, y)) > 128 && qGreen(image.pixel(x, y)) == 0) ++red;
                return red;
            };
            EXPECT_GE(redRun(saved), redRun(screen));
        }
    }
}

// The window's animation from time 0 and the batch tool's drawing of the same file (the same
// function on the file as loaded) give the same PNG files, byte for byte.
TEST_F(SceneExport, AnimationFromTheWindowIsTheBatchToolsOne) {
    const std::string setup = DataFile("ui_figure_eight.knx");
    Prompts->OpenNames.push_back(QString::fromStdString(setup));
    Form->Controls().mmiOpen->trigger();
    Steps(7);
    AnimationAnswers(true, 30, 10, {240, 180});
    Prompts->SaveNames.push_back(PathOf("w_%02d.png"));
    Form->Controls().mmiExportAnimation->trigger();
    EXPECT_EQ(WaitForAnimation(), QString());

    TFramedSim batch;
    batch.Load(setup);
    batch.Sim().Rewind();
    batch.Sim().Prepare();
    TAnimationSettings settings;
    settings.Steps = 30;
    settings.Every = 10;
    settings.Size = {240, 180};
    settings.Look = DefaultAnimationLook();
    const TAnimationResult result = RenderAnimation(batch, PathOf("b.png").toStdString(), settings);
    EXPECT_EQ(result.Frames, 3);
    EXPECT_EQ(Files(),
              QStringList({"b_0000.png", "b_0001.png", "b_0002.png", "w_00.png", "w_01.png", "w_02.png"}));
    for (int i = 0; i < 3; ++i) {
        QFile w(PathOf(QStringLiteral("w_%1.png").arg(i, 2, 10, QLatin1Char('0'))));
        QFile b(PathOf(QStringLiteral("b_%1.png").arg(i, 4, 10, QLatin1Char('0'))));
        ASSERT_TRUE(w.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        EXPECT_EQ(w.readAll(), b.readAll()) << i;
    }
    // The window's own run is untouched.
    EXPECT_EQ(Runner().StepsDone(), 7);
}

// Cancelled or failed, an export leaves no file and no temporary one; the window reports a
// failure, never a cancel.
TEST_F(SceneExport, CancelledOrFailedExportLeavesNothing) {
    Prompts->OpenNames.push_back(QString::fromStdString(DataFile("ui_figure_eight.knx")));
    Form->Controls().mmiOpen->trigger();
    for (const char* name : {"long.mp4", "long_%04d.png"}) {
        AnimationAnswers(false, 1000000, 1, {320, 240});
        Prompts->SaveNames.push_back(PathOf(name));
        Form->Controls().mmiExportAnimation->trigger();
        ASSERT_TRUE(Form->ExtraCommands().AnimationExport()->Busy());
        QTest::qWait(300);
        // The progress dialog's Cancel button.
        emit Form->ExtraCommands().AnimationExport()->Progress()->canceled();
        EXPECT_EQ(WaitForAnimation(), QStringLiteral("Cancelled"));
        EXPECT_EQ(Files(), QStringList()) << name;
    }
    EXPECT_TRUE(Prompts->Messages.empty());
    // An odd size for a video is refused before anything runs.
    AnimationAnswers(true, 10, 1, {321, 240});
    Prompts->SaveNames.push_back(PathOf("odd.mp4"));
    Form->Controls().mmiExportAnimation->trigger();
    ASSERT_EQ(Prompts->Messages.size(), 1u);
    EXPECT_EQ(Prompts->Messages.back(), "MP4 and WebM need an even width and height");
    EXPECT_EQ(Files(), QStringList());
}

}  // namespace
}  // namespace kinetra::ui::test
