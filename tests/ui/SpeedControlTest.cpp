// The speed control: the slider covers every pace level, the caption follows, the keyboard
// moves it, only the user's moves are reported, and a rate that falls short is told.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSlider>
#include <QTest>
#include <vector>

#include "ui/document/Pace.h"
#include "ui/window/SpeedControl.h"

using namespace kinetra::ui;

TEST(SpeedControl, SliderCaptionKeyboardAndReports) {
    TSpeedControl control;
    std::vector<int> reported;
    QObject::connect(&control, &TSpeedControl::levelChanged, [&](int level) { reported.push_back(level); });
    QSlider* slider = control.Slider();
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), TPace::FullSpeedLevel());
    EXPECT_NE(slider->tickPosition(), QSlider::NoTicks);
    EXPECT_TRUE(slider->toolTip().startsWith("How fast the run goes"));
    EXPECT_EQ(control.Level(), TPace::DefaultLevel());
    EXPECT_EQ(control.CaptionLabel()->text(), "50 steps/s");

    control.SetLevel(TPace::FullSpeedLevel());  // a stored choice: shown, not reported
    EXPECT_EQ(control.CaptionLabel()->text(), "Full speed");
    EXPECT_TRUE(reported.empty());

    control.show();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(control.Level(), 1);
    EXPECT_EQ(control.CaptionLabel()->text(), "2 steps/s");
    control.StepBy(2);
    control.StepBy(-100);  // clamped at the slowest
    EXPECT_EQ(control.CaptionLabel()->text(), "1 step/s");
    EXPECT_EQ(reported, (std::vector<int>{0, 1, 3, 0}));

    // The rate a run achieves, told while it falls short, gone when it is none to tell.
    control.SetLevel(TPace::LevelOfStepsPerSecond(1000));
    const int width = control.CaptionLabel()->minimumWidth();
    control.ShowReached(640);
    EXPECT_EQ(control.CaptionLabel()->text(), "1000 steps/s (reaching 640)");
    EXPECT_LE(control.CaptionLabel()->sizeHint().width(), width);  // the status bar does not shift
    control.ShowReached(990);
    EXPECT_EQ(control.CaptionLabel()->text(), "1000 steps/s");
    control.ShowReached(640);
    control.ShowReached(-1);
    EXPECT_EQ(control.CaptionLabel()->text(), "1000 steps/s");
}
