// The speed control: the slider covers every pace level, the caption follows, the keyboard
// moves it, and only the user's moves are reported.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSlider>
#include <QTest>
#include <vector>

#include "ui/run/Pace.h"
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
}
