// The setup commands of the main window: new, open, save, save as, quit and closing with the
// question about unsaved changes, the caption; the editing dialogs of the Edit menu, the info
// window and the About box.
#include "ui/setup/SetupCommands.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"
#include "model/Particles.h"
#include "ui/dialogs/EditData.h"
#include "ui/dialogs/KNAbout.h"
#include "ui/dialogs/KNInfo.h"
#include "ui/dialogs/KNNew.h"
#include "ui/dialogs/KNNotes.h"
#include "ui/dialogs/KNSettings.h"
#include "ui/dialogs/SimOptions.h"
#include "ui/document/Document.h"
#include "ui/document/RunClock.h"
#include "ui/document/UiText.h"
#include "ui/document/UndoCommands.h"
#include "ui/extras/Session.h"
#include "ui/extras/SimExtras.h"
#include "ui/scene/SceneView.h"
#include "ui/setup/SetupFiles.h"
#include "ui/view/ViewCommands.h"

namespace kinetra::ui {

TSetupCommands::TSetupCommands(TDocument& document, TSceneView& scene, TViewCommands& views,
                               TSimExtras& extras, TUserPrompts& prompts, QWidget* window)
    : QObject(window),
      Document(document),
      Scene(scene),
      Clock(document.Clock()),
      Views(views),
      Extras(extras),
      FPrompts(prompts),
      Window(window) {
    // The info window belongs to the view that goes.
    connect(&document, &TDocument::viewReset, this, [this] {
        FInfoWindow.reset();
        FInfoShown = false;
        Document.Sim().InfoWanted = false;
        emit infoShownChanged(false);
    });
    // Undo and redo: shown as after the command that made the change.
    connect(&document, &TDocument::particlesRestored, this, &TSetupCommands::ParticlesRestored);
    connect(&document, &TDocument::optionsRestored, this, [this] {
        if (FInfoShown && FInfoWindow) FInfoWindow->Rebuild();
    });
}

TSetupCommands::~TSetupCommands() {
    // The info window refers to the simulation.
    FInfoWindow.reset();
}

TSimData& TSetupCommands::SimData() {
    return Document.Sim();
}

TParser& TSetupCommands::ExprParser() {
    return Document.Parser();
}

TScreenFrame& TSetupCommands::ScreenFrame() {
    return Document.Frame();
}

void TSetupCommands::ResetView() {
    Document.ResetView();
}

void TSetupCommands::UpdateInfoValues() {
    if (FInfoShown && FInfoWindow) FInfoWindow->UpdateValues();
}

QString TSetupCommands::PlaceOf(const EKinetraError& error) {
    if (error.FileName().empty()) return {};
    return ToQ(FailurePlace(error));
}

// A dialog's change becomes a command on the undo stack when the dialog has closed: the change
// flags follow the stack, so what the dialogs report here adds nothing.
void TSetupCommands::SetModified(bool) {}

void TSetupCommands::SetParticlesModified(bool) {}

void TSetupCommands::ParticlesChanged() {
    Scene.SetReady(false);
    Scene.Clear();
    Document.Frame().UpdateOrigin();
    Clock.Stop();
}

TAnswer TSetupCommands::AskSave() {
    QString question;
    if (Document.NewSetup())
        question = QStringLiteral("The new setup has not yet been saved. Save now?");
    else if (Document.ParticlesModified())
        question = QStringLiteral("The particle setup might have been modified. Do you wish to save first?");
    else
        question =
            QStringLiteral("The simulation setup might have been modified. Do you wish to save first?");
    return FPrompts.Confirm(Window, question);
}

bool TSetupCommands::UnsavedChangesHandled() {
    if (!Document.Modified()) return true;
    const TAnswer answer = AskSave();
    if (answer == TAnswer::Cancel) return false;
    return answer != TAnswer::Yes || SaveSetup();
}

void TSetupCommands::UpdateCaption() {
    emit captionChanged(CaptionFor(Document.Sim().FileName));
}

void TSetupCommands::mmiNewClick() {
    if (!UnsavedChangesHandled()) return;
    {
        // On OK the dialog has stored the name and the dimensions; a run goes on until then.
        TfrmNew dialog(*this, Window);
        if (FPrompts.ExecDialog(dialog) != QDialog::Accepted) return;
    }
    Document.Sim().Clear();
    // The changes of the old setup cannot be undone into the new one.
    Document.ClearUndo(false);
    OverrideUnconfirmed = false;
    SaveNeedsName = false;
    ResetView();
    UpdateCaption();
    // Ends a run that may be going on and leaves an empty, stopped setup.
    ParticlesChanged();
    mmiEditParticlesClick();
    // The particles of the confirmed list on screen, whatever their units, and where they go;
    // without particles, a field to place them in.
    Views.FitNewSetup();
    Document.SetNewSetup(true);
    // The new setup starts without changes to undo and, until it is saved, without a state
    // that is not modified.
    Document.ClearUndo(false);
    Document.NotifySetupReplaced();
}

void TSetupCommands::mmiEditParticlesClick() {
    // The state before, for the undo of what the list changes.
    auto before = std::make_unique<TParticlesList>(Document.Sim().Particles.Dimensions());
    before->Assign(Document.Sim().Particles);
    const TFrameState frameBefore = CaptureFrame(Document.Frame());
    {
        // OK hands the working copy to the simulation and, after inserts or deletes, calls
        // ParticlesChanged, which ends a run and rewinds.
        TfrmParticlesList dialog(*this, Window);
        if (FPrompts.ExecDialog(dialog) == QDialog::Accepted) {
            // The collection's vectors are new objects, and the followed particle may be gone.
            Document.Frame().UpdateOrigin();
            Clock.SetupChanged();
            // Also after inserts or deletes, so that Save follows the changed setup at once.
            Document.NotifyParticlesChanged();
            Clock.Rewind();
            if (dialog.ListChanged() || dialog.ParticleChanged()) {
                const QStringList& changes = dialog.Changes();
                Document.PushParticlesChange(
                    changes.size() == 1 ? changes.front() : QStringLiteral("Edit particles"),
                    std::move(before), frameBefore);
            }
        }
    }
    // A marker of no mass has no place, and its menu item is disabled, so the user could not
    // switch it off: it goes off here, after inserts and deletes too, and also when the list of
    // a new setup is cancelled.
    if (Document.Sim().Particles.TotalMass == 0 && Scene.ShowCenterOfMass()) Views.SetShowCenterOfMass(false);
    Scene.UpdateInvisibleFlags();
    Scene.UpdateTrailFlags();
    Scene.UpdateScreenPositions();
}

void TSetupCommands::mmiSimulationOptionsClick() {
    // The dialog holds the run while it is open; the run then goes on in its direction.
    const bool interrupted = Document.RunState() == rsRunning;
    if (interrupted) Clock.Pause();
    const TOptionsState before = CaptureOptions(Document.Sim());
    {
        TfrmSimOptions dialog(*this, Window);
        if (FPrompts.ExecDialog(dialog) == QDialog::Accepted) {
            if (FInfoShown && FInfoWindow) FInfoWindow->Rebuild();
        }
    }
    // Also what an OK that failed half-way wrote before Cancel: the values stay written.
    if (!before.SameSetup(CaptureOptions(Document.Sim()))) Document.PushOptionsChange(before);
    // Only the pause of this command is resumed: had anything stopped the setup meanwhile, a
    // resume would start it again from its beginning.
    if (interrupted && Document.RunState() == rsPaused) {
        // The command ran inside the run loop's event processing: that loop goes on.
        Clock.Start(Document.Sim().SignedStep > 0 ? 1 : -1);
    }
}

void TSetupCommands::mmiSettingsClick() {
    const TFrameState before = CaptureFrame(Document.Frame());
    TfrmSettings dialog(*this, Window);
    FPrompts.ExecDialog(dialog);
    // An OK that failed half-way may still have changed the frame: redraw whatever closed it.
    if (dialog.Changed()) {
        Views.ViewChanged();
        Document.PushFrameChange(QStringLiteral("Frame settings"), before);
    }
    if (!Scene.ShowCenterOfMass()) Scene.EraseCenterOfMass();
}

void TSetupCommands::mmiNotesClick() {
    const std::string before = Document.Sim().Notes;
    TfrmNotes dialog(*this, Window);
    FPrompts.ExecDialog(dialog);
    if (Document.Sim().Notes != before) Document.PushNotesChange(before);
}

void TSetupCommands::mmiOpenClick() {
    if (!UnsavedChangesHandled()) return;
    const QString chosen = FPrompts.GetOpenFileName(Window, QStringLiteral("Open a setup"),
                                                    Extras.StartFolder(), QString::fromUtf8(SetupFilter));
    if (chosen.isEmpty()) return;
    TSession::SetLastFolder(QFileInfo(chosen).absolutePath());
    OpenSetup(chosen);
}

void TSetupCommands::ResetToNoSetup() {
    Document.Sim().Clear();
    // The work arrays may still refer to the particles of the failed setup.
    Document.Sim().FreeWork();
    ResetView();
    Document.SetRunState(rsNoSetup);
    Document.Sim().FileName.clear();
    // Without a setup nothing of the previous one may stay on screen or come back on repaint.
    Scene.Forget();
}

void TSetupCommands::OpenSetup(const QString& chosenName) {
    const std::string name = ForceSetupExtension(FromQ(chosenName));
    const auto finish = [this] {
        UpdateCaption();
        // The changes of the setup before are gone with it; the one opened is unchanged.
        Document.ClearUndo(true);
        Document.SetNewSetup(false);
        Document.NotifySetupReplaced();
    };
    // The file is read once and loaded into a setup of its own first: a file that is missing or
    // does not load leaves the open setup as it was (its name, view, notes and undo history).
    std::string text;
    try {
        if (!QFileInfo(ToQ(name)).isFile()) {
            TSession::RemoveRecentFile(ToQ(name));
            throw EKNError(Format("File %s not found", name));
        }
        text = ReadSetupText(name);
        TFramedSim trial;
        LoadSetupText(trial.Sim(), name, text);
    } catch (const EKNError& e) {
        FPrompts.ShowDetailedMessage(Window, QString::fromStdString(e.what()), PlaceOf(e));
        return;
    } catch (const EAbort&) {
        throw;
    } catch (const EKinetraError& e) {
        FPrompts.ShowDetailedError(Window, WithFullStop(QString::fromStdString(e.what())), PlaceOf(e));
        return;
    }
    // The name chosen now is the setup's own; a copy of an example becomes one below.
    OverrideUnconfirmed = false;
    SaveNeedsName = false;
    // Whatever happens below, the records would no longer belong to the setup shown.
    Extras.StopRecording();
    try {
        Document.SetRunState(rsStopped);
        Document.Sim().FileName = name;
        // Where the previous setup was saved is no news about this one.
        emit statusNote(QString());
        LoadSetupText(Document.Sim(), name, text);
        Clock.Stop();
        // As after editing: a setup without mass has no marker, and its item is disabled.
        if (Document.Sim().Particles.TotalMass == 0 && Scene.ShowCenterOfMass())
            Views.SetShowCenterOfMass(false);
        Views.ViewChanged();
        Views.FitAllIfNoneShown();
        if (FInfoShown && FInfoWindow) {
            FInfoWindow->Rebuild();
            // The values of the opened setup at once, not at some later refresh.
            FInfoWindow->UpdateValues();
        }
        if (TSimExtras::IsBundledExample(ToQ(name))) {
            // The installed example stays as it came: the setup is an unsaved copy named after
            // it in the user's folder, and Save asks where to put it.
            Document.Sim().FileName = FromQ(QDir::home().filePath(ToQ(FileNamePart(name))));
            SaveNeedsName = true;
        } else {
            Extras.RememberFile(name);
        }
    } catch (...) {
        // What loaded into its own setup failed here all the same (memory, say): the window is
        // left without a setup before the top-level handler tells why.
        ResetToNoSetup();
        finish();
        throw;
    }
    finish();
}

void TSetupCommands::ParticlesRestored() {
    // As after the particle list's OK with inserts or deletes: the run ends with a rewind.
    ParticlesChanged();
    if (Document.Sim().Particles.TotalMass == 0 && Scene.ShowCenterOfMass()) Views.SetShowCenterOfMass(false);
    Scene.UpdateInvisibleFlags();
    Scene.UpdateTrailFlags();
    Scene.UpdateScreenPositions();
    Document.NotifyParticlesChanged();
}

void TSetupCommands::OpenFromMenu(const QString& fileName) {
    if (UnsavedChangesHandled()) OpenSetup(fileName);
}

void TSetupCommands::mmiSaveClick() {
    SaveSetup();
}

bool TSetupCommands::SaveSetup() {
    if (SaveNeedsName) {
        mmiSaveAsClick();
        return !Document.Modified();
    }
    if (FirstSaveWouldReplace()) {
        // The file belongs to another setup of that name: asked as Save As asks, where No
        // chooses another name.
        switch (FPrompts.Confirm(Window, QString::fromUtf8(SetupExistsQuestion))) {
            case TAnswer::Yes:
                break;
            case TAnswer::No:
                mmiSaveAsClick();
                return !Document.Modified();
            case TAnswer::Cancel:
                return false;
        }
    } else if (OverrideUnconfirmed && QFileInfo::exists(ToQ(SaveTarget(Document.Sim().FileName))) &&
               FPrompts.Confirm(Window, QString::fromUtf8(SetupExistsQuestion)) != TAnswer::Yes) {
        // A name whose file the user declined to override in Save As: that file is replaced only
        // after the same question has been answered with Yes.
        return false;
    }
    WriteSetup();
    return true;
}

bool TSetupCommands::FirstSaveWouldReplace() const {
    return Document.NewSetup() && QFileInfo::exists(ToQ(SaveTarget(Document.Sim().FileName)));
}

void TSetupCommands::WriteSetup() {
    const std::string before = Document.Sim().FileName;
    try {
        Document.Sim().SaveToFile();
    } catch (...) {
        // The file was not written: the setup keeps its name, without the extension the writer
        // may have given it.
        Document.Sim().FileName = before;
        throw;
    }
    OverrideUnconfirmed = false;
    SaveNeedsName = false;
    Extras.RememberFile(Document.Sim().FileName);
    Document.SetNewSetup(false);
    // Undoing back to here leaves the setup unmodified.
    Document.MarkSaved();
    ShowWhereSaved();
}

void TSetupCommands::ShowWhereSaved() {
    // A new setup is saved into the working folder without a dialog: the user learns where.
    const QString path = QDir::toNativeSeparators(QFileInfo(ToQ(Document.Sim().FileName)).absoluteFilePath());
    emit statusNote(QStringLiteral("Saved to ") + path);
}

void TSetupCommands::mmiSaveAsClick() {
    TAnswer answer = TAnswer::Cancel;
    // Whatever ends the command, the caption shows the name that FileName now holds and the next
    // Save writes to: the chosen one, or after a failed save the one the setup had.
    struct TCaptionAtEnd {
        TSetupCommands& Commands;
        ~TCaptionAtEnd() { Commands.UpdateCaption(); }
    } captionAtEnd{*this};
    const std::string oldName = Document.Sim().FileName;
    const bool oldSaveNeedsName = SaveNeedsName;
    const bool oldOverrideUnconfirmed = OverrideUnconfirmed;
    do {
        const QString chosen =
            FPrompts.GetSaveFileName(Window, QStringLiteral("Save the setup"), Extras.StartFolder(),
                                     ProposedSaveName(), QString::fromUtf8(SetupFilter));
        if (chosen.isEmpty()) {
            answer = TAnswer::Cancel;
            break;
        }
        TSession::SetLastFolder(QFileInfo(chosen).absolutePath());
        Document.Sim().FileName = FromQ(chosen);
        SaveNeedsName = false;
        OverrideUnconfirmed = false;
        if (QFileInfo::exists(ToQ(SaveTarget(Document.Sim().FileName)))) {
            answer = FPrompts.Confirm(Window, QString::fromUtf8(SetupExistsQuestion));
            OverrideUnconfirmed = answer != TAnswer::Yes;
        } else {
            answer = TAnswer::Yes;
        }
        if (answer != TAnswer::Yes) continue;
        try {
            WriteSetup();
        } catch (...) {
            Document.Sim().FileName = oldName;
            SaveNeedsName = oldSaveNeedsName;
            OverrideUnconfirmed = oldOverrideUnconfirmed;
            throw;
        }
    } while (answer == TAnswer::No);
}

QString TSetupCommands::ProposedSaveName() const {
    const QString name = ToQ(Document.Sim().FileName);
    // A name in a folder that cannot be shown (a save there failed) is proposed without it, so
    // the dialog opens in its start folder.
    const QFileInfo folder(QFileInfo(name).absolutePath());
    if (name.isEmpty() || (folder.isDir() && folder.isReadable() && folder.isExecutable())) return name;
    return QFileInfo(name).fileName();
}

bool TSetupCommands::FormCloseQuery() {
    if (Document.Modified()) {
        const TAnswer answer = AskSave();
        if (answer == TAnswer::Cancel) return false;
        if (answer == TAnswer::Yes) {
            // A copy of an example, a name whose file the user declined to override, or a new
            // setup whose name is taken in the working folder, is not written without asking.
            if (SaveNeedsName || OverrideUnconfirmed || FirstSaveWouldReplace()) {
                if (!SaveSetup()) return false;
            } else {
                Document.Sim().SaveToFile();
                Extras.RememberFile(Document.Sim().FileName);
            }
        }
    }
    Extras.StopRecording();
    // An active run loop ends as soon as control returns to it.
    Document.SetRunState(rsStopped);
    return true;
}

void TSetupCommands::mmiQuitClick() {
    if (!FormCloseQuery()) return;
    emit quitRequested();
}

void TSetupCommands::mmiInfoClick(bool checked) {
    FInfoShown = checked;
    if (!FInfoWindow) {
        FInfoWindow = std::make_unique<TfrmInfo>(Document, Window);
        connect(FInfoWindow.get(), &TfrmInfo::closed, this, [this] {
            FInfoShown = false;
            Document.Sim().InfoWanted = false;
            emit infoShownChanged(false);
        });
        const QScreen* monitor = Window->screen();
        const QPoint corner = monitor ? monitor->availableGeometry().topLeft() : QPoint();
        FInfoWindow->move(corner + QPoint(17, 62));
    }
    if (FInfoShown) {
        Document.Sim().InfoWanted = true;
        FInfoWindow->show();
        // Values at once rather than at the next refresh, which may be far away while paused.
        if (Scene.Ready()) FInfoWindow->UpdateValues();
    } else {
        Document.Sim().InfoWanted = false;
        FInfoWindow->hide();
    }
}

void TSetupCommands::mmiAboutClick() {
    TfrmAbout about(Window);
    FPrompts.ExecDialog(about);
}

}  // namespace kinetra::ui
