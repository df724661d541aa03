// TfrmNew, the dialog "New setup": the name and the number of dimensions of a new setup, stored
// in the simulation before the main window builds the new, empty setup.
#pragma once

#include "ui/dialogs/DialogFields.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace kinetra::ui {

class TfrmNew : public TToolDialog {
public:
    TfrmNew(TDialogHost& host, QWidget* parent = nullptr);

    QLabel* lblName;
    QLineEdit* edtName;
    QLabel* lblDim;
    TSpinEdit* speDim;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    void FormCreate();
    void btnOKClick();
    void btnCancelClick();
};

}  // namespace kinetra::ui
