// TfrmSettings, the dialog "Frame settings": the screen axes, the scale, the frame's own origin
// and the reference frame ("Origin", "Center of mass" or a particle) of the main window's
// screen frame. OK writes what changed straight into the frame; Changed tells the owner to
// redraw, whatever button closed the dialog.
#pragma once

#include <vector>

#include "ui/dialogs/DialogFields.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kinetra {
class TScreenFrame;
class TVector;
}  // namespace kinetra

namespace kinetra::ui {

// The controls of the dialog "Frame settings", in tab order, read by tests through Controls().
struct TSettingsControls {
    QLabel* lblScreenX = nullptr;
    QComboBox* cbScreenX = nullptr;
    QLabel* lblScreenY = nullptr;
    QComboBox* cbScreenY = nullptr;
    QLabel* lblPixelsPerUnit = nullptr;
    QLineEdit* edtPixelsPerUnit = nullptr;
    QLabel* lblFrame = nullptr;
    QComboBox* cbFrame = nullptr;
    QLabel* lblOrigin = nullptr;
    TValueGrid* sgOrigin = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

class TfrmSettings : public TToolDialog, private TSettingsControls {
public:
    TfrmSettings(TDialogHost& host, QWidget* parent = nullptr);

    const TSettingsControls& Controls() const { return *this; }

    // Set by every setting that OK writes, also by an OK that failed later on.
    bool Changed() const { return FChanged; }

    // The vector that item `index` of the frame list makes the frame's origin.
    TVector* FrameVector(int index) const { return FrameVectors[static_cast<size_t>(index)]; }

    void btnOKClick();
    void btnCancelClick();

private:
    void FormCreate();

    TScreenFrame& ScreenFrame;
    bool FChanged = false;
    std::vector<TVector*> FrameVectors;
};

}  // namespace kinetra::ui
