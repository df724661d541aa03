// TfrmNotes, the dialog "Notes": shows and edits the free text that a setup carries at the end
// of its file. The notes keep CR LF between their lines, as the file does.
#pragma once

#include <string>

#include "ui/dialogs/DialogFields.h"

class QPlainTextEdit;
class QPushButton;

namespace kinetra::ui {

// "Notes", or "Notes - " and the setup's name without folders; an extension of three
// characters after the name's last full stop is left out (Orbit.knx gives "Notes - Orbit",
// Mk.2 keeps its whole name).
QString NotesCaption(const std::string& fileName);

// The controls of the dialog "Notes", in tab order, read by tests through Controls().
struct TNotesControls {
    QPlainTextEdit* memNotes = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnOK = nullptr;
};

class TfrmNotes : public TToolDialog, private TNotesControls {
public:
    TfrmNotes(TDialogHost& host, QWidget* parent = nullptr);

    const TNotesControls& Controls() const { return *this; }

    void FormCreate();
    void btnOKClick();
    void btnCancelClick();

private:
    QString InitialText;
};

}  // namespace kinetra::ui
