// The setup commands of the main window: new, open, save, save as, quit and closing with the
// question about unsaved changes, the caption; the editing dialogs of the Edit menu, the info
// window and the About box.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "engine/SimulationData.h"
#include "ui/dialogs/EditData.h"
#include "ui/dialogs/KNAbout.h"
#include "ui/dialogs/KNInfo.h"
#include "ui/dialogs/KNNew.h"
#include "ui/dialogs/KNNotes.h"
#include "ui/dialogs/KNSettings.h"
#include "ui/dialogs/SimOptions.h"
#include "ui/extras/Session.h"
#include "ui/window/SimMain.h"
#include "ui/window/UiText.h"

namespace kinetra::ui {

void TSimForm::SetModified(bool value) {
    Modified = value;
    if (!value) ParticlesModified = false;
}

void TSimForm::SetParticlesModified(bool value) {
    ParticlesModified = value;
    Modified = value;
}

void TSimForm::ParticlesChanged() {
    Modified = true;
    ParticlesModified = true;
    Ready = false;
    mmiClearClick();
    FScreenFrame->UpdateOrigin();
    mmiStopClick();
}

TAnswer TSimForm::AskSave() {
    QString question;
    if (NewSetup)
        question = QStringLiteral("The new setup has not yet been saved. Save now?");
    else if (ParticlesModified)
        question = QStringLiteral("The particle setup might have been modified. Do you wish to save first?");
    else
        question =
            QStringLiteral("The simulation setup might have been modified. Do you wish to save first?");
    return Prompts().Confirm(this, question);
}

void TSimForm::UpdateCaption() {
    setWindowTitle(CaptionFor(FSimData->FileName));
}

void TSimForm::mmiNewClick() {
    if (Modified) {
        const TAnswer answer = AskSave();
        if (answer == TAnswer::Cancel) return;
        if (answer == TAnswer::Yes && !SaveSetup()) return;
    }
    {
        // On OK the dialog has stored the name and the dimensions; a run goes on until then.
        TfrmNew dialog(*this, this);
        if (Prompts().ExecDialog(dialog) != QDialog::Accepted) return;
    }
    FSimData->Clear();
    OverrideUnconfirmed = false;
    SaveNeedsName = false;
    ResetView();
    UpdateCaption();
    // Ends a run that may be going on and leaves an empty, stopped setup.
    ParticlesChanged();
    mmiEditParticlesClick();
    NewSetup = true;
    UpdateCommands();
}

void TSimForm::mmiEditParticlesClick() {
    {
        // OK hands the working copy to the simulation and, after inserts or deletes, calls
        // ParticlesChanged, which ends a run and rewinds.
        TfrmParticlesList dialog(*this, this);
        if (Prompts().ExecDialog(dialog) == QDialog::Accepted) {
            // The collection's vectors are new objects, and the followed particle may be gone.
            FScreenFrame->UpdateOrigin();
            FSimData->Prepare();
            if (dialog.ParticleChanged) SetParticlesModified(true);
            // Also after inserts or deletes, so that Save follows the changed setup at once.
            UpdateCommands();
            PrepareScene();
        }
    }
    // A marker of no mass has no place, and its menu item is disabled, so the user could not
    // switch it off: it goes off here, after inserts and deletes too, and also when the list of
    // a new setup is cancelled.
    if (FSimData->Particles.TotalMass == 0 && ShowCenterOfMass) SetShowCenterOfMass(false);
    UpdateInvisibleFlags();
    UpdateTrailFlags();
    UpdateScreenPositions();
}

void TSimForm::mmiSimulationOptionsClick() {
    // The dialog holds the run while it is open; the run then goes on in its direction.
    const bool interrupted = RunState == rsRunning;
    if (interrupted) mmiPauseClick();
    {
        TfrmSimOptions dialog(*this, this);
        if (Prompts().ExecDialog(dialog) == QDialog::Accepted) {
            if (InfoShown && FInfoWindow) FInfoWindow->Rebuild();
            UpdateCommands();
        }
    }
    // Only the pause of this command is resumed: had anything stopped the setup meanwhile, a
    // resume would start it again from its beginning.
    if (interrupted && RunState == rsPaused) {
        // Inside a run this enters a second loop within the event processing of the first;
        // the first ends as soon as control comes back to it.
        if (FSimData->SignedStep > 0)
            mmiStartClick();
        else
            sbBackClick();
    }
}

void TSimForm::mmiSettingsClick() {
    TfrmSettings dialog(*this, this);
    Prompts().ExecDialog(dialog);
    // An OK that failed half-way may still have changed the frame: redraw whatever closed it.
    if (dialog.Changed) ViewChanged();
    if (!ShowCenterOfMass) EraseCenterOfMass();
}

void TSimForm::mmiNotesClick() {
    TfrmNotes dialog(*this, this);
    if (Prompts().ExecDialog(dialog) == QDialog::Accepted) UpdateCommands();
}

void TSimForm::mmiOpenClick() {
    if (Modified) {
        const TAnswer answer = AskSave();
        if (answer == TAnswer::Cancel) return;
        if (answer == TAnswer::Yes && !SaveSetup()) return;
    }
    const QString chosen = Prompts().GetOpenFileName(this, QStringLiteral("Open a setup"), StartFolder(),
                                                     QString::fromUtf8(SetupFilter));
    if (chosen.isEmpty()) return;
    TSession::SetLastFolder(QFileInfo(chosen).absolutePath());
    OpenSetup(chosen);
}

void TSimForm::ResetToNoSetup() {
    FSimData->Clear();
    // The work arrays may still refer to the particles of the failed setup.
    FSimData->FreeWork();
    ResetView();
    RunState = rsNoSetup;
    FSimData->FileName.clear();
    // Without a setup nothing of the previous one may stay on screen or come back on repaint.
    Ready = false;
    ScreenPos.clear();
    TrailFlags.clear();
    InvisibleFlags.clear();
    AnyTrails = false;
    mmiClearClick();
    TrailImage.reset();
}

void TSimForm::OpenSetup(const QString& chosenName) {
    const std::string name = ForceSetupExtension(FromQ(chosenName));
    const auto finish = [this] {
        UpdateCaption();
        SetModified(false);
        NewSetup = false;
        UpdateCommands();
    };
    // The name chosen now is the setup's own; a copy of an example becomes one below.
    OverrideUnconfirmed = false;
    SaveNeedsName = false;
    // Whatever happens below, the records would no longer belong to the setup shown.
    StopRecording();
    try {
        if (!QFileInfo(ToQ(name)).isFile()) {
            TSession::RemoveRecentFile(ToQ(name));
            throw EKNError(Format("File %s not found", name));
        }
        RunState = rsStopped;
        FSimData->FileName = name;
        FSimData->LoadFromFile();
        mmiStopClick();
        // As after editing: a setup without mass has no marker, and its item is disabled.
        if (FSimData->Particles.TotalMass == 0 && ShowCenterOfMass) SetShowCenterOfMass(false);
        ViewChanged();
        if (InfoShown && FInfoWindow) FInfoWindow->Rebuild();
        if (IsBundledExample(ToQ(name))) {
            // The installed example stays as it came: the setup is an unsaved copy named after
            // it in the user's folder, and Save asks where to put it.
            FSimData->FileName = FromQ(QDir::home().filePath(ToQ(FileNamePart(name))));
            SaveNeedsName = true;
        } else {
            RememberFile(name);
        }
    } catch (const EKNError& e) {
        ResetToNoSetup();
        Prompts().ShowMessage(this, QString::fromStdString(e.what()));
    } catch (...) {
        // A damaged file: the same reset, and the window shows the state without a setup
        // before the error box tells why.
        ResetToNoSetup();
        finish();
        throw;
    }
    finish();
}

void TSimForm::mmiSaveClick() {
    SaveSetup();
}

bool TSimForm::SaveSetup() {
    if (SaveNeedsName) {
        mmiSaveAsClick();
        return !Modified;
    }
    // A name whose file the user declined to override in Save As: that file is replaced only
    // after the same question has been answered with Yes.
    if (OverrideUnconfirmed && QFileInfo::exists(ToQ(SaveTarget(FSimData->FileName))) &&
        Prompts().Confirm(this, QString::fromUtf8(SetupExistsQuestion)) != TAnswer::Yes)
        return false;
    WriteSetup();
    return true;
}

void TSimForm::WriteSetup() {
    try {
        FSimData->SaveToFile();
    } catch (...) {
        // The writer may have given the name its extension: the caption shows the name that
        // the next Save will write to.
        UpdateCaption();
        throw;
    }
    OverrideUnconfirmed = false;
    SaveNeedsName = false;
    RememberFile(FSimData->FileName);
    SetModified(false);
    NewSetup = false;
    UpdateCommands();
}

void TSimForm::mmiSaveAsClick() {
    TAnswer answer = TAnswer::Cancel;
    // Whatever ends the command, a failed save included, the caption shows the chosen name
    // that FileName now holds and the next Save writes to.
    struct TCaptionAtEnd {
        TSimForm& Form;
        ~TCaptionAtEnd() { Form.UpdateCaption(); }
    } captionAtEnd{*this};
    do {
        const QString chosen =
            Prompts().GetSaveFileName(this, QStringLiteral("Save the setup"), StartFolder(),
                                      ProposedSaveName(), QString::fromUtf8(SetupFilter));
        if (chosen.isEmpty()) {
            answer = TAnswer::Cancel;
            break;
        }
        TSession::SetLastFolder(QFileInfo(chosen).absolutePath());
        FSimData->FileName = FromQ(chosen);
        SaveNeedsName = false;
        OverrideUnconfirmed = false;
        if (QFileInfo::exists(ToQ(SaveTarget(FSimData->FileName)))) {
            answer = Prompts().Confirm(this, QString::fromUtf8(SetupExistsQuestion));
            OverrideUnconfirmed = answer != TAnswer::Yes;
        } else {
            answer = TAnswer::Yes;
        }
        if (answer == TAnswer::Yes) WriteSetup();
    } while (answer == TAnswer::No);
}

QString TSimForm::ProposedSaveName() const {
    const QString name = ToQ(FSimData->FileName);
    // A name in a folder that cannot be shown (a save there failed) is proposed without it, so
    // the dialog opens in its start folder.
    const QFileInfo folder(QFileInfo(name).absolutePath());
    if (name.isEmpty() || (folder.isDir() && folder.isReadable() && folder.isExecutable())) return name;
    return QFileInfo(name).fileName();
}

bool TSimForm::FormCloseQuery() {
    if (Modified) {
        const TAnswer answer = AskSave();
        if (answer == TAnswer::Cancel) return false;
        if (answer == TAnswer::Yes) {
            // A copy of an example, or a name whose file the user declined to override, is not
            // written without asking.
            if (SaveNeedsName || OverrideUnconfirmed) {
                if (!SaveSetup()) return false;
            } else {
                FSimData->SaveToFile();
                RememberFile(FSimData->FileName);
            }
        }
    }
    StopRecording();
    // An active run loop ends as soon as control returns to it.
    RunState = rsStopped;
    return true;
}

void TSimForm::mmiQuitClick() {
    if (!FormCloseQuery()) return;
    Terminating = true;
    Quitting = true;
    close();
    QCoreApplication::quit();
}

void TSimForm::mmiInfoClick() {
    InfoShown = mmiInfo->isChecked();
    if (!FInfoWindow) {
        FInfoWindow = std::make_unique<TfrmInfo>(*this, this);
        FInfoWindow->OnClosed = [this] {
            mmiInfo->setChecked(false);
            InfoShown = false;
            FSimData->InfoWanted = false;
        };
        const QScreen* monitor = screen();
        const QPoint corner = monitor ? monitor->availableGeometry().topLeft() : QPoint();
        FInfoWindow->move(corner + QPoint(17, 62));
    }
    if (InfoShown) {
        FSimData->InfoWanted = true;
        FInfoWindow->show();
        // Values at once rather than at the next refresh, which may be far away while paused.
        if (Ready) FInfoWindow->UpdateValues();
    } else {
        FSimData->InfoWanted = false;
        FInfoWindow->hide();
    }
}

void TSimForm::mmiAboutClick() {
    TfrmAbout about(this);
    Prompts().ExecDialog(about);
}

}  // namespace kinetra::ui
