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

// The controls of the dialog "Particle", in tab order, read by tests through Controls().
struct TEditParticleControls {
    QLabel* lblName = nullptr;
    QLineEdit* edtName = nullptr;
    QLabel* lblMass = nullptr;
    QLineEdit* edtMass = nullptr;
    QLabel* lblCharge = nullptr;
    QLineEdit* edtCharge = nullptr;
    QLabel* lblRadius = nullptr;
    QLineEdit* edtRadius = nullptr;
    QLabel* lblPos = nullptr;
    TValueGrid* sgPos = nullptr;
    QLabel* lblVel = nullptr;
    TValueGrid* sgVel = nullptr;
    QGroupBox* gbParticleImage = nullptr;
    QLabel* lblColour = nullptr;
    TColourList* cbColour = nullptr;
    QLabel* lblMyRadius = nullptr;
    TSpinEdit* speMyRadius = nullptr;
    QCheckBox* cbPath = nullptr;
    QCheckBox* cbInvisible = nullptr;
    QLabel* imgImage = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnOK = nullptr;
};

class TEditParticleForm : public TToolDialog, private TEditParticleControls {
public:
    // Edits particle `index` of `list`, or (insertMode) inserts a new particle there.
    TEditParticleForm(TDialogHost& host, QWidget* parent, TParticlesList& list, int index, bool insertMode);
    ~TEditParticleForm() override;

    const TEditParticleControls& Controls() const { return *this; }

    static constexpr int PreviewSize = 120;

    // Set when an edit was accepted and the particle differs from what it was.
    bool Changed() const { return FChanged; }
    // The colour chosen in the colour list, an index into the palette.
    int ColourIndex() const { return FColourIndex; }
    bool InsertMode() const { return FInsertMode; }
    // Where the particle is inserted, or which one is edited.
    int Index() const { return FIndex; }

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

    bool FChanged = false;
    int FColourIndex = 0;
    bool FInsertMode;
    int FIndex;
    TParticlesList& List;
    std::unique_ptr<TParticle> FWorkParticle;
    QImage FPreview;
};

}  // namespace kinetra::ui
