// The speed control of the status bar: "Speed:", a slider over the pace levels from slow
// motion to "Full speed", and the chosen level's caption. It only reports the choice; the run
// loop's TPace does the pacing.
#pragma once

#include <QWidget>

class QLabel;
class QSlider;

namespace kinetra::ui {

class TSpeedControl : public QWidget {
    Q_OBJECT

public:
    explicit TSpeedControl(QWidget* parent = nullptr);

    int Level() const;
    // Shows a level (clamped to the list) without raising levelChanged: for a stored choice.
    void SetLevel(int level);
    // Moves by delta levels as the user would, raising levelChanged when the level changes (menu
    // commands "faster" and "slower").
    void StepBy(int delta);
    // The rate a run achieves (below 0: none to tell); the caption names it where the level's
    // rate falls more than a tenth short.
    void ShowReached(double stepsPerSecond);

    QSlider* Slider() const { return sldSpeed; }
    QLabel* CaptionLabel() const { return lblCaption; }

signals:
    // The user moved the slider to a new level.
    void levelChanged(int level);

private:
    void SliderChanged(int level);

    QSlider* sldSpeed;
    QLabel* lblCaption;
};

}  // namespace kinetra::ui
