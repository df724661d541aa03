// The real prompts: Qt message boxes and file dialogs with the program's titles and buttons.
#include "ui/dialogs/Prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

void TQtPrompts::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(ProgramTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

void TQtPrompts::ShowDetailedMessage(QWidget* parent, const QString& text, const QString& detail) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(ProgramTitle), text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    box.exec();
}

void TQtPrompts::ShowError(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ProgramTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

void TQtPrompts::ShowDetailedError(QWidget* parent, const QString& text, const QString& detail) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(ProgramTitle), text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    box.exec();
}

TAnswer TQtPrompts::Confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    // Escape and the window's close control both answer Cancel.
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes) return TAnswer::Yes;
    if (box.clickedButton() == no) return TAnswer::No;
    return TAnswer::Cancel;
}

QString TQtPrompts::GetOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) {
    QFileDialog dialog(parent, title, folder, QtFilter(filter.toStdString()));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name need not exist: the caller forces ".knx" onto it and reports a missing file.
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString TQtPrompts::GetSaveFileName(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& proposedName, const QString& filter) {
    QFileDialog dialog(parent, title, folder, QtFilter(filter.toStdString()));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The caller asks its own override question, and the dialog adds no extension of its own.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!proposedName.isEmpty()) dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

int TQtPrompts::ExecDialog(QDialog& dialog) {
    return dialog.exec();
}

std::optional<int> TQtPrompts::GetInteger(QWidget* parent, const QString& title, const QString& label,
                                          int value, int minimum, int maximum) {
    bool ok = false;
    const int chosen = QInputDialog::getInt(parent, title, label, value, minimum, maximum, 1, &ok);
    if (!ok) return std::nullopt;
    return chosen;
}

// ---------------------------------------------------------------------------------------------
// Errors that no command caught

void HandleException(TUserPrompts& prompts, QWidget* parent, std::exception_ptr error) {
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return;
    } catch (const std::exception& e) {
        message = QString::fromStdString(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    try {
        prompts.ShowError(parent, WithFullStop(message));
    } catch (...) {
        // The error box itself failed: nothing more can be shown.
    }
}

void RunGuarded(TUserPrompts& prompts, QWidget* parent, const std::function<void()>& command) {
    try {
        command();
    } catch (...) {
        HandleException(prompts, parent, std::current_exception());
    }
}

}  // namespace kinetra::ui
