// TSetupCommands, the setup commands of the main window: New, Open, Save, Save As, Quit and
// closing with the question about unsaved changes, the caption; the editing dialogs of the Edit
// menu, the info window and the About box.
#pragma once

#include <QString>

#include "engine/KNUtils.h"
#include "ui/dialogs/Prompts.h"
#include "ui/window/SimMain.h"

namespace kinetra::ui {

class TSetupCommands {
public:
    explicit TSetupCommands(TSimForm& form);

    void SetModified(bool value);
    void SetParticlesModified(bool value);
    // After inserts or deletes of particles: changed, and the run ends with a rewind.
    void ParticlesChanged();
    TAnswer AskSave();
    // Before another setup replaces this one: the question about unsaved changes, and the save
    // the user asks for; false when the user cancels or the save did not happen.
    bool UnsavedChangesHandled();
    void UpdateCaption();

    void mmiNewClick();
    void mmiOpenClick();
    // A load that fails shows its message unchanged, with where reading stopped under it.
    void OpenSetup(const QString& chosenName);
    // "in FILE, line N, ITEM: \"TEXT\"" ("in FILE" when no line was read; empty without a file
    // name).
    static QString PlaceOf(const EKinetraError& error);
    void mmiSaveClick();
    // Save as the command does it; false when nothing was written because the user declined
    // (the override question, or the file dialog of a setup that has no file of its own).
    bool SaveSetup();
    void mmiSaveAsClick();
    void mmiQuitClick();
    bool FormCloseQuery();
    void mmiEditParticlesClick();
    void mmiSimulationOptionsClick();
    void mmiSettingsClick();
    void mmiNotesClick();
    void mmiInfoClick();
    void mmiAboutClick();

    bool Modified = false;
    bool ParticlesModified = false;
    bool NewSetup = false;

private:
    void ResetToNoSetup();
    // Writes the setup to FileName (Save without its questions).
    void WriteSetup();
    // The first save of a new setup, into the working folder without a dialog, would replace a
    // file that is there already.
    bool FirstSaveWouldReplace() const;
    // The note on the status bar that names the file just written.
    void ShowWhereSaved();
    QString ProposedSaveName() const;

    TSimForm& Form;
    // FileName names a file whose replacement the user declined in Save As.
    bool OverrideUnconfirmed = false;
    // The setup is a copy of a bundled example: Save asks where to put it.
    bool SaveNeedsName = false;
};

}  // namespace kinetra::ui
