// TfrmParticlesList, the dialog "Particle setup": the particles of the setup in a table, with
// Insert, Edit and Delete. All changes go to a working copy of the collection; OK hands the
// copy to the simulation, Cancel throws it away.
#pragma once

#include <QStringList>
#include <memory>

#include "ui/dialogs/DialogFields.h"

class QPushButton;
class QTableWidget;

namespace kinetra {
class TParticlesList;
}

namespace kinetra::ui {

// The controls of the dialog "Particle setup", in tab order, read by tests through Controls().
struct TParticlesListControls {
    QTableWidget* sgParticlesGrid = nullptr;
    QPushButton* btnInsert = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnOK = nullptr;
};

class TfrmParticlesList : public TToolDialog, private TParticlesListControls {
    Q_OBJECT

public:
    TfrmParticlesList(TDialogHost& host, QWidget* parent = nullptr);
    ~TfrmParticlesList() override;

    const TParticlesListControls& Controls() const { return *this; }

    // Column 3 holds the colour swatch.
    static constexpr int ColourColumn = 3;

    // Set by every successful insert and every delete.
    bool ListChanged() const { return FListChanged; }
    // Set when the particle editor changed its particle; stays set for this opening.
    bool ParticleChanged() const { return FParticleChanged; }
    // What this opening did, one line per confirmed insert, edit and delete, in order:
    // "Insert particle 'Sun'", "Edit particle 'Sun'", "Delete particle 'Sun'".
    const QStringList& Changes() const { return FChanges; }

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

signals:
    // Raised by OK when particles were inserted or deleted; the host's ParticlesChanged hears it.
    void OnListChanged();

private:
    void FormCreate();
    QString ParticleName(int index) const;

    std::unique_ptr<TParticlesList> FWorkList;
    bool FListChanged = false;
    bool FParticleChanged = false;
    QStringList FChanges;
};

}  // namespace kinetra::ui
