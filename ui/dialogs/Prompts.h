// Every message box, confirmation, file dialog and modal dialog of the program goes through
// TUserPrompts, so that tests can script the answers. TQtPrompts is the real one.
#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QPoint;
class QWidget;
class QDialog;
class QFileDialog;
class QSize;

namespace kinetra::ui {

enum class TAnswer { Yes, No, Cancel };

// The item chosen from a pop-up menu (null: none), and whether Shift was held as it was chosen.
struct TMenuChoice {
    QAction* Action = nullptr;
    bool Shift = false;
};

class TUserPrompts {
public:
    virtual ~TUserPrompts() = default;
    // Plain message box: title "Kinetra", one OK button; it reports an error that a command
    // caught.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // The same box for news that is no error (a collision that ended the run). Prompts without
    // it show it as a message.
    virtual void ShowNotice(QWidget* parent, const QString& text) { ShowMessage(parent, text); }
    // The same box with a line of detail under the text, such as the dialog field that a
    // message is about; the text stays as it is. Prompts without it show the text alone.
    virtual void ShowDetailedMessage(QWidget* parent, const QString& text, const QString& detail) {
        (void)detail;
        ShowMessage(parent, text);
    }
    // The top-level error box: title "Kinetra" (the caller has applied the full-stop rule).
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // The error box with a line of detail under the text, such as where reading a file stopped.
    virtual void ShowDetailedError(QWidget* parent, const QString& text, const QString& detail) {
        (void)detail;
        ShowError(parent, text);
    }
    // Confirmation box: title "Confirm", question mark, "&Yes", "&No", "Cancel"; closing it
    // counts as Cancel.
    virtual TAnswer Confirm(QWidget* parent, const QString& text) = 0;
    // File dialogs; an empty result means cancelled. `filter` is in the program's
    // "Description|pattern" form.
    virtual QString GetOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) = 0;
    virtual QString GetSaveFileName(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& proposedName, const QString& filter) = 0;
    // Shows a modal dialog and returns its result (QDialog::Accepted or Rejected). Tests
    // replace this to fill and confirm the dialog without exec().
    virtual int ExecDialog(QDialog& dialog) = 0;
    // A whole number between minimum and maximum, proposed as `value`; empty means cancelled.
    // Prompts without it take the proposed value.
    virtual std::optional<int> GetInteger(QWidget* parent, const QString& title, const QString& label,
                                          int value, int minimum, int maximum) {
        (void)parent;
        (void)title;
        (void)label;
        (void)minimum;
        (void)maximum;
        return value;
    }
    // A pop-up menu at `globalPos` (the scene's menus of a particle and of empty space), shown
    // until the user chooses an item or closes it; the caller acts on the choice (its items need
    // no handlers of their own).
    virtual TMenuChoice ExecMenu(QMenu& menu, const QPoint& globalPos);
};

class TQtPrompts : public TUserPrompts {
public:
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowNotice(QWidget* parent, const QString& text) override;
    void ShowDetailedMessage(QWidget* parent, const QString& text, const QString& detail) override;
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowDetailedError(QWidget* parent, const QString& text, const QString& detail) override;
    TAnswer Confirm(QWidget* parent, const QString& text) override;
    QString GetOpenFileName(QWidget* parent, const QString& title, const QString& folder,
                            const QString& filter) override;
    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& folder,
                            const QString& proposedName, const QString& filter) override;
    int ExecDialog(QDialog& dialog) override;
    std::optional<int> GetInteger(QWidget* parent, const QString& title, const QString& label, int value,
                                  int minimum, int maximum) override;
};

// The top-level error handler: the message of an error that no command caught, with the
// full-stop rule, in the error box over `parent`; the silent abort of a collision shows nothing.
void HandleException(TUserPrompts& prompts, QWidget* parent, std::exception_ptr error);
// Runs a command so that no exception leaves it: an error reaches HandleException.
void RunGuarded(TUserPrompts& prompts, QWidget* parent, const std::function<void()>& command);
// The size a file dialog of the program opens at: room for its columns (name, size, type,
// date) without cutting them, within the screen.
QSize FileDialogSize(const QWidget& dialog);
// Gives a file dialog that size and lets its detail columns fit what they show.
void FitFileDialog(QFileDialog& dialog);

}  // namespace kinetra::ui
