// TfrmNew, the dialog "New setup": the name and the number of dimensions of a new setup, stored
// in the simulation before the main window builds the new, empty setup.
#pragma once

#include "ui/dialogs/DialogFields.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kinetra::ui {

// The controls of the dialog "New setup", in tab order, read by tests through Controls().
struct TNewControls {
    QLabel* lblName = nullptr;
    QLineEdit* edtName = nullptr;
    QLabel* lblDim = nullptr;
    TSpinEdit* speDim = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

class TfrmNew : public TToolDialog, private TNewControls {
public:
    TfrmNew(TDialogHost& host, QWidget* parent = nullptr);

    const TNewControls& Controls() const { return *this; }

    void FormCreate();
    void btnOKClick();
    void btnCancelClick();
};

}  // namespace kinetra::ui
