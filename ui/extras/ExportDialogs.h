// The option dialogs of the exports: "Export image" (the picture's size and what is burned into
// it; with every burn-in off at the window's size the picture is the drawing area as the screen
// shows it) and "Export animation" (where the run starts, how many steps, how often a picture,
// the frame rate, the size and the burn-ins, all on at first).
#pragma once

#include <QDialog>
#include <QSize>

#include "ui/scene/Burnins.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kinetra::ui {

// The burn-in switches both dialogs show.
struct TBurninControls {
    QCheckBox* cbTime = nullptr;
    QCheckBox* cbNames = nullptr;
    QCheckBox* cbScaleBar = nullptr;
    QCheckBox* cbMethod = nullptr;
    QCheckBox* cbLegend = nullptr;
    QLineEdit* edTimeUnit = nullptr;
};

struct TImageExportControls : TBurninControls {
    // "Window size", "2x", "1920x1080", "Other size"
    QComboBox* cbSize = nullptr;
    QSpinBox* edWidth = nullptr;
    QSpinBox* edHeight = nullptr;
};

class TfrmExportImage : public QDialog, private TImageExportControls {
public:
    // `windowSize`: the drawing area's.
    TfrmExportImage(QSize windowSize, QWidget* parent = nullptr);
    const TImageExportControls& Controls() const { return *this; }

    TBurnins Burnins() const;
    // The picture's size and how much finer its scale is than the window's (2 for "2x").
    QSize PictureSize() const;
    double Factor() const;

private:
    QSize WindowSize;
};

struct TAnimationExportControls : TBurninControls {
    QRadioButton* rbCurrent = nullptr;
    QRadioButton* rbStart = nullptr;
    QSpinBox* edSteps = nullptr;
    QSpinBox* edEvery = nullptr;
    QSpinBox* edFps = nullptr;
    QSpinBox* edWidth = nullptr;
    QSpinBox* edHeight = nullptr;
};

class TfrmExportAnimation : public QDialog, private TAnimationExportControls {
public:
    // Proposes the drawing area's size (made even, as the video formats need).
    TfrmExportAnimation(QSize windowSize, QWidget* parent = nullptr);
    const TAnimationExportControls& Controls() const { return *this; }

    TBurnins Burnins() const;
    bool FromStart() const;
    int Steps() const;
    int Every() const;
    int FramesPerSecond() const;
    QSize Size() const;
};

}  // namespace kinetra::ui
