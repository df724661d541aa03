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

class TfrmSettings : public TToolDialog {
public:
    TfrmSettings(TDialogHost& host, QWidget* parent = nullptr);

    QLabel* lblScreenX;
    QComboBox* cbScreenX;
    QLabel* lblScreenY;
    QComboBox* cbScreenY;
    QLabel* lblPixelsPerUnit;
    QLineEdit* edtPixelsPerUnit;
    QLabel* lblFrame;
    QComboBox* cbFrame;
    QLabel* lblOrigin;
    TValueGrid* sgOrigin;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // Set by every setting that OK writes, also by an OK that failed later on.
    bool Changed = false;

    // The vector that item `index` of the frame list makes the frame's origin.
    TVector* FrameVector(int index) const { return FrameVectors[static_cast<size_t>(index)]; }

    void btnOKClick();
    void btnCancelClick();

private:
    void FormCreate();

    TScreenFrame& ScreenFrame;
    std::vector<TVector*> FrameVectors;
};

}  // namespace kinetra::ui
