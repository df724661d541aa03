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

class TfrmNotes : public TToolDialog {
public:
    TfrmNotes(TDialogHost& host, QWidget* parent = nullptr);

    QPlainTextEdit* memNotes;
    QPushButton* btnCancel;
    QPushButton* btnOK;

    void FormCreate();
    void btnOKClick();
    void btnCancelClick();

private:
    QString InitialText;
};

}  // namespace kinetra::ui
