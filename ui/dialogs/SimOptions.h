// TfrmSimOptions, the dialog "Simulation options": the numerical method and its settings and the
// constants of the force law. OK writes back only what changed, through the setters of the
// simulation and of the force model, so that their checks apply; every written value marks the
// setup as modified. The rule is the core's ApplySimOptions, the one kinetra-batch uses.
#pragma once

#include <QGroupBox>
#include <vector>

#include "engine/SimOptionValues.h"
#include "ui/dialogs/DialogFields.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kinetra::ui {

// A group of radio buttons with one selected item, addressed by its index.
class TRadioGroup : public QGroupBox {
public:
    TRadioGroup(const QString& title, const std::vector<QString>& items, QWidget* parent = nullptr);
    int ItemIndex() const;
    void SetItemIndex(int index);
    QRadioButton* Item(int index) const { return Items[static_cast<size_t>(index)]; }
    int Count() const { return static_cast<int>(Items.size()); }
    QButtonGroup* Buttons() const { return FButtons; }

private:
    QButtonGroup* FButtons;
    std::vector<QRadioButton*> Items;
};

// The controls of the dialog "Simulation options", in tab order, read by tests through Controls().
struct TSimOptionsControls {
    TRadioGroup* rgNumMethod = nullptr;
    QLabel* lblAccuracy = nullptr;
    QLineEdit* edtAccuracy = nullptr;
    // Shown while an adaptive method has an accuracy so small that a run crawls.
    QLabel* lblAccuracyWarning = nullptr;
    QLabel* lblTimeStep = nullptr;
    QLineEdit* edtTimeStep = nullptr;
    QLabel* lblCycles = nullptr;
    TSpinEdit* speCycles = nullptr;
    QLabel* lblGravConstant = nullptr;
    QLineEdit* edtGravConst = nullptr;
    QLabel* lblCoulomb = nullptr;
    QLineEdit* edtCoulomb = nullptr;
    QLabel* lblGravPower = nullptr;
    QLineEdit* edtPower = nullptr;
    QCheckBox* cbCollisions = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnOK = nullptr;
};

class TfrmSimOptions : public TToolDialog, private TSimOptionsControls {
public:
    TfrmSimOptions(TDialogHost& host, QWidget* parent = nullptr);

    const TSimOptionsControls& Controls() const { return *this; }

    // Fills the controls from the simulation.
    void FormCreate();
    // Adapts the accuracy field and the time-step label to the selected method.
    void nmClick();
    void UpdateAccuracyWarning();
    // Applies the values as kinetra-batch applies its options (ApplySimOptions).
    void btnOKClick();
    void btnCancelClick();

private:
    // The text field of an option; none for the method, the cycles and the collisions.
    QLineEdit* FieldOf(TSimOption option) const;
};

}  // namespace kinetra::ui
