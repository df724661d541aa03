// The speed control of the status bar: "Speed:", a slider over the pace levels from slow
// motion to "Full speed", and the chosen level's caption. It only reports the choice; the run
// loop's TPace does the pacing.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QSlider;

namespace kinetra::ui {

class TSpeedControl : public QWidget {
public:
    explicit TSpeedControl(QWidget* parent = nullptr);

    int Level() const;
    // Shows a level (clamped to the list) without calling OnChanged: for a stored choice.
    void SetLevel(int level);
    // Moves by delta levels as the user would, calling OnChanged when the level changes (menu
    // commands "faster" and "slower").
    void StepBy(int delta);

    // Called with the new level whenever the user moves the slider.
    std::function<void(int level)> OnChanged;

    QSlider* Slider() const { return sldSpeed; }
    QLabel* CaptionLabel() const { return lblCaption; }

private:
    void SliderChanged(int level);

    QSlider* sldSpeed;
    QLabel* lblCaption;
};

}  // namespace kinetra::ui
