// TSetupCommands, the setup commands of the main window: New, Open, Save, Save As, Quit and
// closing with the question about unsaved changes, the caption; the editing dialogs of the Edit
// menu, the info window and the About box. It is the dialogs' host: they see the document's
// simulation, parser and frame, the prompts and the change bookkeeping through it.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "base/KNUtils.h"
#include "ui/dialogs/DialogHost.h"
#include "ui/dialogs/Prompts.h"

class QWidget;

namespace kinetra::ui {

class TDocument;
class TfrmInfo;
class TRunClock;
class TSceneView;
class TSimExtras;
class TViewCommands;

class TSetupCommands : public QObject, public TDialogHost {
    Q_OBJECT

public:
    // The commands on the document's setup, with the rooms they drive; prompts and dialogs
    // over `window`.
    TSetupCommands(TDocument& document, TSceneView& scene, TViewCommands& views, TSimExtras& extras,
                   TUserPrompts& prompts, QWidget* window);
    ~TSetupCommands() override;

    // TDialogHost
    TSimData& SimData() override;
    TParser& ExprParser() override;
    TScreenFrame& ScreenFrame() override;
    TUserPrompts& Prompts() override { return FPrompts; }
    void SetModified(bool value) override;
    void SetParticlesModified(bool value) override;
    // After inserts or deletes of particles: changed, and the run ends with a rewind.
    void ParticlesChanged() override;

    TAnswer AskSave();
    // Before another setup replaces this one: the question about unsaved changes, and the save
    // the user asks for; false when the user cancels or the save did not happen.
    bool UnsavedChangesHandled();
    void UpdateCaption();
    // A new frame for the simulation's dimensions; the info window goes with the old view.
    void ResetView();

    void mmiNewClick();
    void mmiOpenClick();
    // A load that fails shows its message unchanged, with where reading stopped under it, and
    // leaves the open setup as it was.
    void OpenSetup(const QString& chosenName);
    // Opens a setup chosen from a menu (an example, a recent setup) as Open does after its file
    // dialog, the question about unsaved changes included.
    void OpenFromMenu(const QString& fileName);
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
    // The menu item's new check state.
    void mmiInfoClick(bool checked);
    void mmiAboutClick();

    // The info window is wanted; it exists from the first "Display info" until the view resets.
    bool InfoShown() const { return FInfoShown; }
    TfrmInfo* InfoWindow() const { return FInfoWindow.get(); }
    // Draws the info window's values, while it is shown (at every refresh and rewind).
    void UpdateInfoValues();

signals:
    void captionChanged(const QString& caption);
    // The check mark of "Display info" follows.
    void infoShownChanged(bool shown);
    // Quit has the user's consent: the program ends.
    void quitRequested();
    // The note beside the status panels: where the setup was saved; empty clears it.
    void statusNote(const QString& note);

private:
    // Undo or redo put a particle collection back.
    void ParticlesRestored();
    void ResetToNoSetup();
    // Writes the setup to FileName (Save without its questions).
    void WriteSetup();
    // The first save of a new setup, into the working folder without a dialog, would replace a
    // file that is there already.
    bool FirstSaveWouldReplace() const;
    // The note on the status bar that names the file just written.
    void ShowWhereSaved();
    QString ProposedSaveName() const;

    TDocument& Document;
    TSceneView& Scene;
    TRunClock& Clock;
    TViewCommands& Views;
    TSimExtras& Extras;
    TUserPrompts& FPrompts;
    QWidget* Window;
    std::unique_ptr<TfrmInfo> FInfoWindow;
    bool FInfoShown = false;
    // FileName names a file whose replacement the user declined in Save As.
    bool OverrideUnconfirmed = false;
    // The setup is a copy of a bundled example: Save asks where to put it.
    bool SaveNeedsName = false;
};

}  // namespace kinetra::ui
