// TfrmParticlesList, the dialog "Particle setup": the particles of the setup in a table, with
// Insert, Edit and Delete. All changes go to a working copy of the collection; OK hands the
// copy to the simulation, Cancel throws it away.
#pragma once

#include <functional>
#include <memory>

#include "ui/dialogs/DialogFields.h"

class QPushButton;
class QTableWidget;

namespace kinetra {
class TParticlesList;
}

namespace kinetra::ui {

class TfrmParticlesList : public TToolDialog {
public:
    TfrmParticlesList(TDialogHost& host, QWidget* parent = nullptr);
    ~TfrmParticlesList() override;

    // Column 3 holds the colour swatch.
    static constexpr int ColourColumn = 3;

    QTableWidget* sgParticlesGrid;
    QPushButton* btnInsert;
    QPushButton* btnEdit;
    QPushButton* btnDelete;
    QPushButton* btnCancel;
    QPushButton* btnOK;

    // Set by every successful insert and every delete.
    bool ListChanged = false;
    // Set when the particle editor changed its particle; stays set for this opening.
    bool ParticleChanged = false;
    // Called by OK when ListChanged is set; the host's ParticlesChanged unless replaced.
    std::function<void()> OnListChanged;

    const TParticlesList& WorkList() const { return *FWorkList; }

    // The selected table row: 0 .. count-1 are particles, count is the empty last row.
    int SelectedRow() const;
    void SelectRow(int row);

    void FillGrid();
    void sgParticlesGridClick();
    void btnInsertClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnOKClick();
    void btnCancelClick();

private:
    void FormCreate();

    std::unique_ptr<TParticlesList> FWorkList;
};

}  // namespace kinetra::ui
