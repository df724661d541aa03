// The setup commands of the main window: open, save, save as, quit and closing with the question
// about unsaved changes, the caption, the info window and the About box. The editing commands
// (New and the dialogs of the Edit menu) are announced here and wired to their dialogs later.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "engine/SimulationData.h"
#include "ui/KNAbout.h"
#include "ui/KNInfo.h"
#include "ui/SimMain.h"
#include "ui/UiText.h"

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

void TSimForm::NotAvailableYet() {
    Prompts().ShowMessage(this, QStringLiteral("not available yet"));
}

void TSimForm::mmiNewClick() {
    NotAvailableYet();
}
void TSimForm::mmiEditParticlesClick() {
    NotAvailableYet();
}
void TSimForm::mmiSimulationOptionsClick() {
    NotAvailableYet();
}
void TSimForm::mmiSettingsClick() {
    NotAvailableYet();
}
void TSimForm::mmiNotesClick() {
    NotAvailableYet();
}

void TSimForm::mmiOpenClick() {
    if (Modified) {
        const TAnswer answer = AskSave();
        if (answer == TAnswer::Cancel) return;
        if (answer == TAnswer::Yes) mmiSaveClick();
    }
    const QString chosen = Prompts().GetOpenFileName(this, QStringLiteral("Open a setup"),
                                                     QDir::currentPath(), QString::fromUtf8(SetupFilter));
    if (chosen.isEmpty()) return;
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
    try {
        if (!QFileInfo(ToQ(name)).isFile()) throw EKNError(Format("File %s not found", name));
        RunState = rsStopped;
        FSimData->FileName = name;
        FSimData->LoadFromFile();
        mmiStopClick();
        ViewChanged();
        if (InfoShown && FInfoWindow) FInfoWindow->Rebuild();
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
    FSimData->SaveToFile();
    SetModified(false);
    NewSetup = false;
    UpdateCommands();
}

void TSimForm::mmiSaveAsClick() {
    TAnswer answer = TAnswer::Cancel;
    do {
        const QString chosen =
            Prompts().GetSaveFileName(this, QStringLiteral("Save the setup"), QDir::currentPath(),
                                      ToQ(FSimData->FileName), QString::fromUtf8(SetupFilter));
        if (chosen.isEmpty()) {
            answer = TAnswer::Cancel;
            break;
        }
        FSimData->FileName = FromQ(chosen);
        if (QFileInfo::exists(ToQ(SaveTarget(FSimData->FileName))))
            answer = Prompts().Confirm(
                this, QStringLiteral("A setup of this name already exists. Do you want to override it?"));
        else
            answer = TAnswer::Yes;
        if (answer == TAnswer::Yes) mmiSaveClick();
    } while (answer == TAnswer::No);
    UpdateCaption();
}

bool TSimForm::FormCloseQuery() {
    if (Modified) {
        const TAnswer answer = AskSave();
        if (answer == TAnswer::Cancel) return false;
        if (answer == TAnswer::Yes) FSimData->SaveToFile();
    }
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
