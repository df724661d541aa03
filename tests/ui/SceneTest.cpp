// The scene: incremental drawing, the trail layer, refreshes, the marker and the view commands.
// The drawing area is 400 x 300 pixels, so the frame's origin lies at pixel (200, 150); with
// scale 1 a world unit is one pixel.
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QStatusBar>
#include <QTest>

#include "UiTestSupport.h"

namespace kinetra::ui::test {
namespace {

using Scene = TFormTest;

constexpr QRgb kMagenta = 0xFF00FF;
constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kBlue = 0x0000FF;

bool ImageHolds(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFFu) == colour) return true;
    return false;
}

void MoveTo(TSimData& sim, int particle, double x, double y) {
    sim.Particles.Particles(particle).Position[0] = x;
    sim.Particles.Particles(particle).Position[1] = y;
}

TEST_F(Scene, ParticlesAreDrawnAtTheirInitialPlaceWhenStopped) {
    MakeSetup(2, {{"A", {0, 0}, {0, 0}, 1, 5, 1}});
    EXPECT_TRUE(View().Ready());
    EXPECT_EQ(View().ScreenPos()[0].X, 195);
    EXPECT_EQ(View().ScreenPos()[0].Y, 145);
    EXPECT_EQ(Pixel(200, 150), kRed);
    EXPECT_EQ(Pixel(195, 145), Background());  // outside the circle
    EXPECT_EQ(Pixel(194, 150), Background());  // outside the square
}

// What the step driver does at the end of every step: the scene draws what moved (DrawStep).
void StepDone(TSimData& sim) {
    sim.OnStepDone();
}

TEST_F(Scene, AOnePixelMoveDrawsOverTheOldImageALongerMoveErasesIt) {
    // B stands still with its picture over a corner of A's square outside A's circle: what is
    // erased of A's old picture takes B's pixels with it until the next refresh.
    MakeSetup(2, {{"A", {0, 0}, {0, 0}, 1, 5, 1}, {"B", {-7, 7}, {0, 0}, 1, 10, 4}});
    StepDone(Sim());  // the first step refreshes; the next ones only draw what moved
    ASSERT_EQ(Runner().StepCount(), 1);
    EXPECT_EQ(Pixel(195, 145), kBlue);

    MoveTo(Sim(), 0, 1, 0);
    StepDone(Sim());
    EXPECT_EQ(Pixel(195, 145), kBlue);
    EXPECT_EQ(Pixel(201, 150), kRed);
    EXPECT_EQ(View().ScreenPos()[0].X, 196);
    EXPECT_TRUE(View().Drawn());

    ASSERT_EQ(Pixel(196, 146), kBlue);
    MoveTo(Sim(), 0, 3, 0);
    StepDone(Sim());
    EXPECT_EQ(Pixel(196, 146), Background());
    EXPECT_EQ(Pixel(203, 150), kRed);

    // Less than a pixel: nothing is drawn, but the step counts as drawn.
    const QImage before = View().Canvas();
    MoveTo(Sim(), 0, 3.2, 0);
    StepDone(Sim());
    EXPECT_EQ(View().Canvas(), before);
    EXPECT_TRUE(View().Drawn());
}

TEST_F(Scene, AnInvisibleParticleIsNeverDrawnAndLeavesNoTrail) {
    MakeSetup(2,
              {{"Seen", {-50, 0}, {0, 20}, 1, 5, 1, true}, {"Hidden", {50, 0}, {0, 20}, 1, 5, 4, true, true}},
              1, 1.0);
    Form->Controls().smiAllTrails->trigger();
    for (int i = 0; i < 5; ++i) Form->Controls().mmiStep->trigger();
    ASSERT_TRUE(View().TrailImage());
    EXPECT_FALSE(ImageHolds(View().Canvas(), kBlue));
    EXPECT_FALSE(ImageHolds(*View().TrailImage(), kBlue));
    EXPECT_TRUE(ImageHolds(*View().TrailImage(), kRed));  // the visible one does leave its trail
}

TEST_F(Scene, TheTrailLayerIsAndedOverTheWindow) {
    MakeSetup(2, {{"A", {0, 0}, {10, 0}, 1, 5, 1, true}}, 1, 1.0);
    ASSERT_TRUE(View().TrailImage());
    EXPECT_EQ(View().TrailImage()->pixel(0, 0) & 0xFFFFFFu, 0xFFFFFFu);  // a new layer is blank white
    Form->Controls().mmiStep->trigger();
    EXPECT_EQ(View().TrailImage()->pixel(203, 150) & 0xFFFFFFu,
              kRed);  // from the old centre to the new
    EXPECT_EQ(Pixel(202, 150), Background() & kRed);
    EXPECT_EQ(Pixel(202, 140), Background());  // white in the layer leaves the window alone
    EXPECT_EQ(Pixel(210, 150), kRed);          // the particle itself, drawn before the AND
}

TEST_F(Scene, AParticleLeavingTheViewIsErasedAndForcesARefresh) {
    MakeSetup(2, {{"A", {0, 0}, {0, 0}, 1, 5, 1}});
    StepDone(Sim());  // the refresh of the first step
    int refreshes = 0;
    QObject::connect(&View(), &TSceneView::refreshed, Form.get(), [&] { ++refreshes; });

    MoveTo(Sim(), 0, 1, 0);
    StepDone(Sim());
    EXPECT_EQ(refreshes, 0);

    MoveTo(Sim(), 0, 1000, 0);
    StepDone(Sim());
    EXPECT_EQ(refreshes, 1);
    EXPECT_FALSE(View().ScreenPos()[0].Visible);
    EXPECT_EQ(Pixel(201, 150), Background());

    // Far away and back again: no overflow in the distance test.
    MoveTo(Sim(), 0, 1e15, 1e15);
    StepDone(Sim());
    MoveTo(Sim(), 0, 0, 0);
    StepDone(Sim());
    EXPECT_EQ(Pixel(200, 150), kRed);
}

TEST_F(Scene, TheCentreOfMassMarkerFollowsItsCheckMark) {
    MakeSetup(2, {{"A", {-40, 0}, {0, 0}, 1, 5, 1}, {"B", {40, 0}, {0, 0}, 1, 5, 1}});
    Form->Controls().mmiCenterOfMass->trigger();
    EXPECT_TRUE(View().ShowCenterOfMass());
    EXPECT_EQ(Pixel(199 + 15, 149), 0x000000u);
    EXPECT_EQ(Pixel(199, 149 - 15), 0x000000u);
    Form->Controls().mmiCenterOfMass->trigger();
    EXPECT_FALSE(View().ShowCenterOfMass());
    EXPECT_EQ(Pixel(199 + 15, 149), Background());
}

TEST_F(Scene, ArrowKeysPanInTheOriginFrameOnly) {
    MakeSetup(2, {{"A", {0, 0}, {0, 0}, 1, 5, 1}});
    QWidget* area = Form->DrawingArea();
    QTest::keyClick(area, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(Form->Document().Frame().OwnOrigin()[0], 25);  // a sixteenth of 400
    EXPECT_EQ(View().ScreenPos()[0].X, 170);
    EXPECT_EQ(Pixel(175, 150), kRed);
    EXPECT_TRUE(Modified());
    EXPECT_TRUE(Form->Controls().mmiSave->isEnabled());
    EXPECT_EQ(Form->PanelText(2), "Frame: Origin  (x = 25, y = 0)");

    // A held key repeats the command.
    QKeyEvent repeated(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(area, &repeated);
    QApplication::sendEvent(area, &repeated);
    EXPECT_DOUBLE_EQ(Form->Document().Frame().OwnOrigin()[1], 2 * 300 / 16.0);

    Form->Document().Frame().SetName("Center of mass");
    Doc().ClearUndo(true);
    QTest::keyClick(area, Qt::Key_Left);
    EXPECT_DOUBLE_EQ(Form->Document().Frame().OwnOrigin()[0], 25);
    EXPECT_TRUE(Modified());
    EXPECT_EQ(Form->PanelText(2), "Frame: Center of mass  (x = 0, y = 0)");

    QTest::keyClick(area, Qt::Key_A);  // other keys do nothing
    EXPECT_EQ(Form->Document().Frame().Name(), "Center of mass");
}

TEST_F(Scene, ArrowKeysDoNothingWithoutASetup) {
    QTest::keyClick(Form->DrawingArea(), Qt::Key_Right);
    EXPECT_DOUBLE_EQ(Form->Document().Frame().OwnOrigin()[0], 0);
    EXPECT_FALSE(Modified());
}

TEST_F(Scene, ResizeGivesTheFrameTheNewSizeAndRedraws) {
    MakeSetup(2, {{"A", {0, 0}, {10, 0}, 1, 5, 1, true}}, 1, 1.0);
    Form->Controls().mmiStep->trigger();
    ASSERT_TRUE(ImageHolds(*View().TrailImage(), kRed));
    // The window shown and painted, as before anyone resizes it.
    QCoreApplication::processEvents();

    Form->ResizeDrawingArea(1000, 600);
    EXPECT_EQ(View().Canvas().size(), QSize(1000, 600));
    EXPECT_EQ(View().TrailImage()->size(), QSize(1000, 600));
    EXPECT_EQ(Form->Document().Frame().ClientWidth(), 1000);
    EXPECT_EQ(Form->Document().Frame().ClientHeight(), 600);
    EXPECT_EQ(Form->PanelText(3), "Width: 1000   Height: 600");
    EXPECT_FALSE(ImageHolds(*View().TrailImage(), kRed));  // resizing erases the trails
    EXPECT_EQ(View().ScreenPos()[0].X, 500 + 10 - 5);
    // Redrawn over the cleared layer by the repaint that follows the resize.
    QCoreApplication::processEvents();
    EXPECT_EQ(Pixel(510, 300), kRed);
    EXPECT_EQ(Form->Controls().pnlSpeedPanel->geometry().left(), 1000 - 41);
    EXPECT_EQ(Form->Controls().stbStatusBar->geometry().bottom(), 599);
}

TEST_F(Scene, ZoomInThenOutRestoresTheScaleAndLosesTheTrails) {
    MakeSetup(2, {{"A", {0, 0}, {10, 0}, 1, 5, 1, true}}, 1, 1.0);
    Form->Controls().mmiStep->trigger();
    Form->Controls().actZoomIn->trigger();
    EXPECT_DOUBLE_EQ(Form->Document().Frame().Scale(), 2);
    EXPECT_EQ(Form->PanelText(3), "Width: 200   Height: 150");
    Form->Controls().actZoomOut->trigger();
    EXPECT_DOUBLE_EQ(Form->Document().Frame().Scale(), 1);
    EXPECT_FALSE(ImageHolds(*View().TrailImage(), kRed));
    EXPECT_EQ(RunState(), rsPaused);  // a view change prepares without rewinding when paused
    EXPECT_DOUBLE_EQ(Sim().Time, 1.0);
}

TEST_F(Scene, ToggleAxesMovesBothDisplayedDimensions) {
    MakeSetup(3, {{"A", {0, 0, 0}, {0, 0, 0}}});
    Form->Controls().actToggle->trigger();
    EXPECT_EQ(Form->Document().Frame().XDim(), 1);
    EXPECT_EQ(Form->Document().Frame().YDim(), 2);
    EXPECT_EQ(Form->PanelText(2), "Frame: Origin  (y = 0, z = 0)");
}

TEST_F(Scene, TrailsNoneKeepsTheSceneWhenStoppedAndClearsItOtherwise) {
    MakeSetup(2, {{"A", {0, 0}, {10, 0}, 1, 5, 1, true}}, 1, 1.0);
    Form->Controls().smiNoTrails->trigger();
    EXPECT_EQ(View().TrailMode(), tmNone);
    EXPECT_FALSE(View().AnyTrails());
    EXPECT_EQ(Pixel(200, 150), kRed);

    Form->Controls().smiSelectedTrails->trigger();
    Form->Controls().mmiStep->trigger();
    ASSERT_EQ(Pixel(210, 150), kRed);
    Form->Controls().smiNoTrails->trigger();
    EXPECT_EQ(Pixel(210, 150), Background());
    EXPECT_TRUE(Form->Controls().smiNoTrails->isChecked());
    EXPECT_FALSE(Form->Controls().smiSelectedTrails->isChecked());
}

TEST_F(Scene, ClearEmptiesTheDrawingAreaAndTheTrails) {
    MakeSetup(2, {{"A", {0, 0}, {10, 0}, 1, 5, 1, true}}, 1, 1.0);
    Form->Controls().mmiStep->trigger();
    Form->Controls().mmiClear->trigger();
    EXPECT_FALSE(ImageHolds(View().Canvas(), kRed));
    EXPECT_FALSE(ImageHolds(*View().TrailImage(), kRed));
    Form->Controls().mmiStep->trigger();  // the next step draws the particle again
    EXPECT_EQ(Pixel(220, 150), kRed);
}

TEST_F(Scene, ARepaintAfterClearOrADialogShowsTheParticlesAgain) {
    MakeSetup(2, {{"A", {0, 0}, {0, 0}, 1, 10, 1}});
    Form->Controls().mmiClear->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ImageHolds(View().Canvas(), kRed));  // Clear itself redraws nothing
    Form->Controls().mmiAbout->trigger();             // a dialog closes over the scene
    QCoreApplication::processEvents();
    EXPECT_EQ(Pixel(199, 149), kRed);

    // With the marker off, closing Frame settings erases the marker's place, which lies on A.
    Form->Controls().mmiSettings->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(Pixel(199, 149), kRed);
    EXPECT_EQ(Pixel(199 + 5, 149), kRed);
}

TEST_F(Scene, NoMarkerRemainsWhenTheSetupHasNoMass) {
    MakeSetup(2, {{"A", {-40, 0}, {0, 0}, 1, 5, 1}, {"B", {40, 0}, {0, 0}, 1, 5, 1}});
    Form->Controls().mmiCenterOfMass->trigger();
    ASSERT_TRUE(CanvasHolds(0x000000u));
    // New, its particle list cancelled: an empty setup of no mass.
    Prompts->OnExecDialog = [](QDialog& d) {
        return d.windowTitle() == "New setup" ? QDialog::Accepted : QDialog::Rejected;
    };
    Form->Controls().mmiNew->trigger();
    ASSERT_EQ(Sim().Particles.Count(), 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(CanvasHolds(0x000000u));
    EXPECT_FALSE(Form->Controls().mmiCenterOfMass->isChecked());
    EXPECT_FALSE(Form->Controls().mmiCenterOfMass->isEnabled());
}

TEST_F(Scene, TheLargestImageSizeOfAFileIsDrawnWithoutOverflow) {
    // A covers the whole drawing area; B lies far to the left, where the frame clamps its
    // centre to -2e9 pixels: its picture's corner lies further left still.
    const int largest = 2147483647;
    MakeSetup(2,
              {{"A", {0, 0}, {0, 0}, 1, largest, 1, true}, {"B", {-1e12, 0}, {0, 0}, 1, largest, 2, true}});
    Form->Controls().mmiStep->trigger();
    EXPECT_LT(View().ScreenPos()[1].X, -2000000000);
    EXPECT_LT(View().ScreenPos()[0].X, 200);
    for (const QPoint& at : {QPoint(0, 0), QPoint(399, 299), QPoint(200, 150)})
        EXPECT_EQ(Pixel(at.x(), at.y()), kRed) << at.x() << "," << at.y();
}

}  // namespace
}  // namespace kinetra::ui::test
