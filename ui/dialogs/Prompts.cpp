// The real prompts: Qt message boxes and file dialogs with the program's titles and buttons.
#include "ui/dialogs/Prompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <QTreeView>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

namespace {

// The widest a line of detail is kept whole; a longer one wraps.
constexpr int DetailLineLimit = 600;

// Every box of the program that reports an error has one look: the same icon, whether a
// command caught the error or the top-level handler shows it; a width of its own even for a
// short message; and its detail (the field or the line that a message is about) on one line,
// which the box's own sizing would wrap word by word under a short message.
void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& detail) {
    QMessageBox box(icon, QString::fromUtf8(ProgramTitle), text, QMessageBox::Ok, parent);
    if (!detail.isEmpty()) {
        box.setInformativeText(detail);
        auto* info = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        if (info != nullptr && info->fontMetrics().horizontalAdvance(detail) <= DetailLineLimit)
            info->setWordWrap(false);
    }
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (grid != nullptr && label != nullptr) {
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(label), &row, &column, &rows, &columns);
        const int least = 32 * label->fontMetrics().averageCharWidth();
        grid->addItem(new QSpacerItem(least, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(),
                      column);
    }
    box.exec();
}

}  // namespace

void TQtPrompts::ShowMessage(QWidget* parent, const QString& text) {
    ShowBox(parent, QMessageBox::Critical, text, {});
}

void TQtPrompts::ShowNotice(QWidget* parent, const QString& text) {
    ShowBox(parent, QMessageBox::Information, text, {});
}

void TQtPrompts::ShowDetailedMessage(QWidget* parent, const QString& text, const QString& detail) {
    ShowBox(parent, QMessageBox::Critical, text, detail);
}

void TQtPrompts::ShowError(QWidget* parent, const QString& text) {
    ShowBox(parent, QMessageBox::Critical, text, {});
}

void TQtPrompts::ShowDetailedError(QWidget* parent, const QString& text, const QString& detail) {
    ShowBox(parent, QMessageBox::Critical, text, detail);
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
    FitFileDialog(dialog);
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
    FitFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

int TQtPrompts::ExecDialog(QDialog& dialog) {
    return dialog.exec();
}

TMenuChoice TUserPrompts::ExecMenu(QMenu& menu, const QPoint& globalPos) {
    TMenuChoice choice;
    choice.Action = menu.exec(globalPos);
    choice.Shift = (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier) != 0;
    return choice;
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

QSize FileDialogSize(const QWidget& dialog) {
    // Wide enough for a long name beside the size, type and date columns, and tall enough for a
    // folder of examples; never beyond most of the screen.
    const QFontMetrics metrics(dialog.font());
    QSize size(150 * metrics.averageCharWidth(), 40 * metrics.lineSpacing());
    if (const QScreen* screen = dialog.screen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    return size.expandedTo(dialog.minimumSizeHint());
}

void FitFileDialog(QFileDialog& dialog) {
    dialog.resize(FileDialogSize(dialog));
    // The detail view: the name takes the room that the other columns leave, and they are as
    // wide as what they show. (A dialog of the desktop's own has no such view.)
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr) return;
    QHeaderView* header = view->header();
    if (header->count() < 2) return;
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

}  // namespace kinetra::ui
