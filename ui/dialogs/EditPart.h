// TEditParticleForm, the dialog "Particle": creates or changes one particle of a collection.
// It works on a private particle; OK reads every field again and puts the particle into the
// collection through InsertParticle, so the overlap rules apply, and in edit mode reports
// whether the particle really changed.
#pragma once

#include <QComboBox>
#include <QImage>
#include <memory>

#include "ui/dialogs/DialogFields.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kinetra {
class TParticle;
class TParticlesList;
}  // namespace kinetra

namespace kinetra::ui {

// The colour list: one swatch per palette entry, no text; the closed list shows the chosen
// colour as its face.
class TColourList : public QComboBox {
public:
    explicit TColourList(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TEditParticleForm : public TToolDialog {
public:
    // Edits particle `index` of `list`, or (insertMode) inserts a new particle there.
    TEditParticleForm(TDialogHost& host, QWidget* parent, TParticlesList& list, int index, bool insertMode);
    ~TEditParticleForm() override;

    static constexpr int PreviewSize = 120;

    QLabel* lblName;
    QLineEdit* edtName;
    QLabel* lblMass;
    QLineEdit* edtMass;
    QLabel* lblCharge;
    QLineEdit* edtCharge;
    QLabel* lblRadius;
    QLineEdit* edtRadius;
    QLabel* lblPos;
    TValueGrid* sgPos;
    QLabel* lblVel;
    TValueGrid* sgVel;
    QGroupBox* gbParticleImage;
    QLabel* lblColour;
    TColourList* cbColour;
    QLabel* lblMyRadius;
    TSpinEdit* speMyRadius;
    QCheckBox* cbPath;
    QCheckBox* cbInvisible;
    QLabel* imgImage;
    QPushButton* btnCancel;
    QPushButton* btnOK;

    // Set when an edit was accepted and the particle differs from what it was.
    bool Changed = false;
    // The colour chosen in the colour list, an index into the palette.
    int ColourIndex = 0;
    bool InsertMode;
    int Index;

    // The picture of the disc as the main window draws it.
    const QImage& Preview() const { return FPreview; }
    // The particle being edited; null once it belongs to the collection.
    const TParticle* WorkParticle() const { return FWorkParticle.get(); }

    void DrawImage();
    void InvisibleClick();
    void btnOKClick();
    void btnCancelClick();

private:
    void FormCreate();
    // Stores the fields in the working particle; raises the first error.
    void StoreFields();
    void PutIntoList();

    TParticlesList& List;
    std::unique_ptr<TParticle> FWorkParticle;
    QImage FPreview;
};

}  // namespace kinetra::ui
