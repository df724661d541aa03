// The setup commands of the main window: new, open, save, save as, quit and closing with the
// question about unsaved changes, the caption; the editing dialogs of the Edit menu, the info
// window and the About box.
#include "ui/setup/SetupCommands.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "engine/SetupFile.h"
#include "engine/SimulationData.h"
#include "ui/dialogs/EditData.h"
#include "ui/dialogs/KNAbout.h"
#include "ui/dialogs/KNInfo.h"
#include "ui/dialogs/KNNew.h"
#include "ui/dialogs/KNNotes.h"
#include "ui/dialogs/KNSettings.h"
#include "ui/dialogs/SimOptions.h"
#include "ui/extras/Session.h"
#include "ui/extras/SimExtras.h"
#include "ui/run/RunControl.h"
#include "ui/scene/SceneView.h"
#include "ui/window/SimMain.h"
#include "ui/window/StatusPanels.h"
#include "ui/window/UiText.h"
#include "ui/window/ViewCommands.h"

namespace kinetra::ui {

TSetupCommands::TSetupCommands(TSimForm& form) : Form(form) {}

QString TSetupCommands::PlaceOf(const EKinetraError& error) {
    if (error.FileName().empty()) return {};
    return ToQ(FailurePlace(error));
}

void TSetupCommands::SetModified(bool value) {
    Modified = value;
    if (!value) ParticlesModified = false;
}

void TSetupCommands::SetParticlesModified(bool value) {
    ParticlesModified = value;
    Modified = value;
}

void TSetupCommands::ParticlesChanged() {
    Modified = true;
    ParticlesModified = true;
    Form.View->Ready = false;
    Form.View->Clear();
    Form.ScreenFrame().UpdateOrigin();
    Form.Run->mmiStopClick();
}

TAnswer TSetupCommands::AskSave() {
    QString question;
    if (NewSetup)
        question = QStringLiteral("The new setup has not yet been saved. Save now?");
    else if (ParticlesModified)
        question = QStringLiteral("The particle setup might have been modified. Do you wish to save first?");
    else
        question =
            QStringLiteral("The simulation setup might have been modified. Do you wish to save first?");
    return Form.Prompts().Confirm(&Form, question);
}

bool TSetupCommands::UnsavedChangesHandled() {
    if (!Modified) return true;
    const TAnswer answer = AskSave();
    if (answer == TAnswer::Cancel) return false;
    return answer != TAnswer::Yes || SaveSetup();
}

void TSetupCommands::UpdateCaption() {
    Form.setWindowTitle(CaptionFor(Form.SimData().FileName));
}

void TSetupCommands::mmiNewClick() {
    if (!UnsavedChangesHandled()) return;
    {
        // On OK the dialog has stored the name and the dimensions; a run goes on until then.
        TfrmNew dialog(Form, &Form);
        if (Form.Prompts().ExecDialog(dialog) != QDialog::Accepted) return;
    }
    Form.SimData().Clear();
    OverrideUnconfirmed = false;
    SaveNeedsName = false;
    Form.ResetView();
    UpdateCaption();
    // Ends a run that may be going on and leaves an empty, stopped setup.
    ParticlesChanged();
    mmiEditParticlesClick();
    // The particles of the confirmed list on screen, whatever their units.
    Form.Views->mmiFitAllClick();
    NewSetup = true;
    Form.UpdateCommands();
}

void TSetupCommands::mmiEditParticlesClick() {
    {
        // OK hands the working copy to the simulation and, after inserts or deletes, calls
        // ParticlesChanged, which ends a run and rewinds.
        TfrmParticlesList dialog(Form, &Form);
        if (Form.Prompts().ExecDialog(dialog) == QDialog::Accepted) {
            // The collection's vectors are new objects, and the followed particle may be gone.
            Form.ScreenFrame().UpdateOrigin();
            Form.SimData().Prepare();
            if (dialog.ParticleChanged) SetParticlesModified(true);
            // Also after inserts or deletes, so that Save follows the changed setup at once.
            Form.UpdateCommands();
            Form.Run->PrepareScene();
        }
    }
    // A marker of no mass has no place, and its menu item is disabled, so the user could not
    // switch it off: it goes off here, after inserts and deletes too, and also when the list of
    // a new setup is cancelled.
    if (Form.SimData().Particles.TotalMass == 0 && Form.View->ShowCenterOfMass)
        Form.Views->SetShowCenterOfMass(false);
    Form.View->UpdateInvisibleFlags();
    Form.View->UpdateTrailFlags();
    Form.View->UpdateScreenPositions();
}

void TSetupCommands::mmiSimulationOptionsClick() {
    // The dialog holds the run while it is open; the run then goes on in its direction.
    const bool interrupted = Form.Run->RunState == rsRunning;
    if (interrupted) Form.Run->mmiPauseClick();
    {
        TfrmSimOptions dialog(Form, &Form);
        if (Form.Prompts().ExecDialog(dialog) == QDialog::Accepted) {
            if (Form.InfoShown && Form.FInfoWindow) Form.FInfoWindow->Rebuild();
            Form.UpdateCommands();
        }
    }
    // Only the pause of this command is resumed: had anything stopped the setup meanwhile, a
    // resume would start it again from its beginning.
    if (interrupted && Form.Run->RunState == rsPaused) {
        // The command ran inside the run loop's event processing: that loop goes on.
        if (Form.SimData().SignedStep > 0)
            Form.Run->mmiStartClick();
        else
            Form.Run->sbBackClick();
    }
}

void TSetupCommands::mmiSettingsClick() {
    TfrmSettings dialog(Form, &Form);
    Form.Prompts().ExecDialog(dialog);
    // An OK that failed half-way may still have changed the frame: redraw whatever closed it.
    if (dialog.Changed) Form.Views->ViewChanged();
    if (!Form.View->ShowCenterOfMass) Form.View->EraseCenterOfMass();
}

void TSetupCommands::mmiNotesClick() {
    TfrmNotes dialog(Form, &Form);
    if (Form.Prompts().ExecDialog(dialog) == QDialog::Accepted) Form.UpdateCommands();
}

void TSetupCommands::mmiOpenClick() {
    if (!UnsavedChangesHandled()) return;
    const QString chosen = Form.Prompts().GetOpenFileName(
        &Form, QStringLiteral("Open a setup"), Form.Extras->StartFolder(), QString::fromUtf8(SetupFilter));
    if (chosen.isEmpty()) return;
    TSession::SetLastFolder(QFileInfo(chosen).absolutePath());
    OpenSetup(chosen);
}

void TSetupCommands::ResetToNoSetup() {
    Form.SimData().Clear();
    // The work arrays may still refer to the particles of the failed setup.
    Form.SimData().FreeWork();
    Form.ResetView();
    Form.Run->RunState = rsNoSetup;
    Form.SimData().FileName.clear();
    // Without a setup nothing of the previous one may stay on screen or come back on repaint.
    Form.View->Forget();
}

void TSetupCommands::OpenSetup(const QString& chosenName) {
    const std::string name = ForceSetupExtension(FromQ(chosenName));
    const auto finish = [this] {
        UpdateCaption();
        SetModified(false);
        NewSetup = false;
        Form.UpdateCommands();
    };
    // The name chosen now is the setup's own; a copy of an example becomes one below.
    OverrideUnconfirmed = false;
    SaveNeedsName = false;
    // Whatever happens below, the records would no longer belong to the setup shown.
    Form.Extras->StopRecording();
    try {
        if (!QFileInfo(ToQ(name)).isFile()) {
            TSession::RemoveRecentFile(ToQ(name));
            throw EKNError(Format("File %s not found", name));
        }
        Form.Run->RunState = rsStopped;
        Form.SimData().FileName = name;
        // Where the previous setup was saved is no news about this one.
        Form.Status->SetNote(QString());
        Form.SimData().LoadFromFile();
        Form.Run->mmiStopClick();
        // As after editing: a setup without mass has no marker, and its item is disabled.
        if (Form.SimData().Particles.TotalMass == 0 && Form.View->ShowCenterOfMass)
            Form.Views->SetShowCenterOfMass(false);
        Form.Views->ViewChanged();
        Form.Views->FitAllIfNoneShown();
        if (Form.InfoShown && Form.FInfoWindow) {
            Form.FInfoWindow->Rebuild();
            // The values of the opened setup at once, not at some later refresh.
            Form.FInfoWindow->UpdateValues();
        }
        if (TSimExtras::IsBundledExample(ToQ(name))) {
            // The installed example stays as it came: the setup is an unsaved copy named after
            // it in the user's folder, and Save asks where to put it.
            Form.SimData().FileName = FromQ(QDir::home().filePath(ToQ(FileNamePart(name))));
            SaveNeedsName = true;
        } else {
            Form.Extras->RememberFile(name);
        }
    } catch (const EKNError& e) {
        ResetToNoSetup();
        Form.Prompts().ShowDetailedMessage(&Form, QString::fromStdString(e.what()), PlaceOf(e));
    } catch (const EKinetraError& e) {
        // A damaged file: the same reset, and the window shows the state without a setup
        // before the error box (as the top-level handler shows it) tells why and where.
        ResetToNoSetup();
        finish();
        if (dynamic_cast<const EAbort*>(&e) != nullptr) throw;
        Form.Prompts().ShowDetailedError(&Form, WithFullStop(QString::fromStdString(e.what())), PlaceOf(e));
        return;
    } catch (...) {
        // A damaged file: the same reset, and the window shows the state without a setup
        // before the error box tells why.
        ResetToNoSetup();
        finish();
        throw;
    }
    finish();
}

void TSetupCommands::mmiSaveClick() {
    SaveSetup();
}

bool TSetupCommands::SaveSetup() {
    if (SaveNeedsName) {
        mmiSaveAsClick();
        return !Modified;
    }
    if (FirstSaveWouldReplace()) {
        // The file belongs to another setup of that name: asked as Save As asks, where No
        // chooses another name.
        switch (Form.Prompts().Confirm(&Form, QString::fromUtf8(SetupExistsQuestion))) {
            case TAnswer::Yes:
                break;
            case TAnswer::No:
                mmiSaveAsClick();
                return !Modified;
            case TAnswer::Cancel:
                return false;
        }
    } else if (OverrideUnconfirmed && QFileInfo::exists(ToQ(SaveTarget(Form.SimData().FileName))) &&
               Form.Prompts().Confirm(&Form, QString::fromUtf8(SetupExistsQuestion)) != TAnswer::Yes) {
        // A name whose file the user declined to override in Save As: that file is replaced only
        // after the same question has been answered with Yes.
        return false;
    }
    WriteSetup();
    return true;
}

bool TSetupCommands::FirstSaveWouldReplace() const {
    return NewSetup && QFileInfo::exists(ToQ(SaveTarget(Form.SimData().FileName)));
}

void TSetupCommands::WriteSetup() {
    try {
        Form.SimData().SaveToFile();
    } catch (...) {
        // The writer may have given the name its extension: the caption shows the name that
        // the next Save will write to.
        UpdateCaption();
        throw;
    }
    OverrideUnconfirmed = false;
    SaveNeedsName = false;
    Form.Extras->RememberFile(Form.SimData().FileName);
    SetModified(false);
    NewSetup = false;
    Form.UpdateCommands();
    ShowWhereSaved();
}

void TSetupCommands::ShowWhereSaved() {
    // A new setup is saved into the working folder without a dialog: the user learns where.
    const QString path = QDir::toNativeSeparators(QFileInfo(ToQ(Form.SimData().FileName)).absoluteFilePath());
    Form.Status->SetNote(QStringLiteral("Saved to ") + path);
}

void TSetupCommands::mmiSaveAsClick() {
    TAnswer answer = TAnswer::Cancel;
    // Whatever ends the command, a failed save included, the caption shows the chosen name
    // that FileName now holds and the next Save writes to.
    struct TCaptionAtEnd {
        TSetupCommands& Commands;
        ~TCaptionAtEnd() { Commands.UpdateCaption(); }
    } captionAtEnd{*this};
    do {
        const QString chosen = Form.Prompts().GetSaveFileName(&Form, QStringLiteral("Save the setup"),
                                                              Form.Extras->StartFolder(), ProposedSaveName(),
                                                              QString::fromUtf8(SetupFilter));
        if (chosen.isEmpty()) {
            answer = TAnswer::Cancel;
            break;
        }
        TSession::SetLastFolder(QFileInfo(chosen).absolutePath());
        Form.SimData().FileName = FromQ(chosen);
        SaveNeedsName = false;
        OverrideUnconfirmed = false;
        if (QFileInfo::exists(ToQ(SaveTarget(Form.SimData().FileName)))) {
            answer = Form.Prompts().Confirm(&Form, QString::fromUtf8(SetupExistsQuestion));
            OverrideUnconfirmed = answer != TAnswer::Yes;
        } else {
            answer = TAnswer::Yes;
        }
        if (answer == TAnswer::Yes) WriteSetup();
    } while (answer == TAnswer::No);
}

QString TSetupCommands::ProposedSaveName() const {
    const QString name = ToQ(Form.SimData().FileName);
    // A name in a folder that cannot be shown (a save there failed) is proposed without it, so
    // the dialog opens in its start folder.
    const QFileInfo folder(QFileInfo(name).absolutePath());
    if (name.isEmpty() || (folder.isDir() && folder.isReadable() && folder.isExecutable())) return name;
    return QFileInfo(name).fileName();
}

bool TSetupCommands::FormCloseQuery() {
    if (Modified) {
        const TAnswer answer = AskSave();
        if (answer == TAnswer::Cancel) return false;
        if (answer == TAnswer::Yes) {
            // A copy of an example, a name whose file the user declined to override, or a new
            // setup whose name is taken in the working folder, is not written without asking.
            if (SaveNeedsName || OverrideUnconfirmed || FirstSaveWouldReplace()) {
                if (!SaveSetup()) return false;
            } else {
                Form.SimData().SaveToFile();
                Form.Extras->RememberFile(Form.SimData().FileName);
            }
        }
    }
    Form.Extras->StopRecording();
    // An active run loop ends as soon as control returns to it.
    Form.Run->RunState = rsStopped;
    return true;
}

void TSetupCommands::mmiQuitClick() {
    if (!FormCloseQuery()) return;
    Form.Terminating = true;
    Form.Quitting = true;
    Form.close();
    QCoreApplication::quit();
}

void TSetupCommands::mmiInfoClick() {
    Form.InfoShown = Form.mmiInfo->isChecked();
    if (!Form.FInfoWindow) {
        Form.FInfoWindow = std::make_unique<TfrmInfo>(Form, &Form);
        Form.FInfoWindow->OnClosed = [this] {
            Form.mmiInfo->setChecked(false);
            Form.InfoShown = false;
            Form.SimData().InfoWanted = false;
        };
        const QScreen* monitor = Form.screen();
        const QPoint corner = monitor ? monitor->availableGeometry().topLeft() : QPoint();
        Form.FInfoWindow->move(corner + QPoint(17, 62));
    }
    if (Form.InfoShown) {
        Form.SimData().InfoWanted = true;
        Form.FInfoWindow->show();
        // Values at once rather than at the next refresh, which may be far away while paused.
        if (Form.View->Ready) Form.FInfoWindow->UpdateValues();
    } else {
        Form.SimData().InfoWanted = false;
        Form.FInfoWindow->hide();
    }
}

void TSetupCommands::mmiAboutClick() {
    TfrmAbout about(&Form);
    Form.Prompts().ExecDialog(about);
}

}  // namespace kinetra::ui
