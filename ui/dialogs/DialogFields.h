// The pieces every setup dialog is built from: numbers typed as expressions and read through
// the main window's parser, the two-column value grid of a vector, the spin field, and the
// small fixed-size tool window that is centred on the desktop and evaluates a numeric field
// when the user leaves it.
#pragma once

#include <QColor>
#include <QDialog>
#include <QSpinBox>
#include <QString>
#include <QTableWidget>
#include <exception>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

class QHBoxLayout;
class QPushButton;

class QLineEdit;

namespace kinetra {
class TParser;
}

namespace kinetra::ui {

class TDialogHost;

// A number as a dialog writes it into a field (general format, 15 significant digits).
QString FormatNumber(double value, int digits = 15);

// The parser's value of a field's text, as the field then shows it, and the number that the
// shown text stands for: what a dialog writes back is always exactly what the user sees.
struct TFieldValue {
    QString Text;
    double Value = 0;
};
// Raises the parser's error; a result that the 15-digit text cannot carry is an overflow.
TFieldValue EvaluateText(TParser& parser, const QString& text);

// An error in the text of one dialog field: the evaluation's own message, and the caption of
// the field it came from, for the message box to name.
class EFieldError : public std::runtime_error {
public:
    EFieldError(const std::exception& cause, QString caption)
        : std::runtime_error(cause.what()), FCaption(std::move(caption)) {}
    const QString& Caption() const { return FCaption; }

private:
    QString FCaption;
};

// The caption of a dialog field: the text of the label that has it as its buddy, without
// mnemonic and colon; empty when no label names it.
QString FieldCaption(const QWidget& field);

// Evaluates the field and puts the 15-digit text into it. On an error the field keeps its
// text and an EFieldError with the field's caption propagates.
double ReadNumberField(QLineEdit& field, TParser& parser);

// The palette colour of a particle; an index outside the palette (only a hand-edited file
// can hold one) gives the first entry instead of reading past the table.
QColor ParticleColour(int colourIndex);

// A dialog button bearing its control name (the focus rules look for "btnCancel"). Only the
// default button is pressed by Enter; every other button never is.
QPushButton* DialogButton(const char* name, const QString& text, bool isDefault, QWidget* parent);

// The bottom row of a dialog: the buttons right-aligned, in the order given.
QHBoxLayout* ButtonRow(std::initializer_list<QWidget*> buttons);

// A vector as N rows: a fixed first column of 20 pixels with the axis names and an editable
// second column with the components. Rows are 20 pixels high and the grid min(21 N, 84)
// pixels, so four rows show and more scroll. Tab leaves the grid, also from an open cell.
class TValueGrid : public QTableWidget {
public:
    explicit TValueGrid(QWidget* parent = nullptr);

    // A tool tip that the grid has by then goes to every row too, after the row's axis name.
    void Fill(const std::vector<std::string>& axisNames, const std::vector<QString>& values);
    QString Cell(int row) const;
    void SetCell(int row, const QString& text);
    QString AxisName(int row) const;
    // Hands the text of an open cell editor to its cell and closes the editor, so that OK
    // reads what was typed even when Enter reached the dialog before the editor committed.
    void CommitEdit();

protected:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The cell that was already selected when the mouse went down on it.
    QPersistentModelIndex ClickedSelected;
};

// Evaluates one value of a grid without writing it back; an error is an EFieldError naming the
// grid's caption and the row's axis.
TFieldValue EvaluateCell(const TValueGrid& grid, int row, TParser& parser);

// Integer spin field with limits. Without typing only the arrows (buttons and keys) change
// it. With typing, digits, signs and the decimal point may be typed freely (anything else
// beeps); the typed number is taken as it is until the field loses the focus, which clamps
// it into the limits, and text that is not a whole number counts as the lower limit.
class TSpinEdit : public QSpinBox {
public:
    TSpinEdit(int minValue, int maxValue, bool typing, QWidget* parent = nullptr);

    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    // The value that the text stands for, not clamped while the user is typing.
    int Value() const;
    void SetValue(int value);
    QString Text() const;
    // Replaces the text as if the user had typed it.
    void SetText(const QString& text);
    // The value within the limits: what a typed value becomes when the field is left.
    int ClampedValue() const;
    void stepBy(int steps) override;

    // Where set, Return or Enter in the field completes it (a typed value is clamped) and then
    // calls this, for a dialog whose OK is not the default button; otherwise they go to the
    // dialog as usual.
    std::function<void()> OnReturn;

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int FMinValue;
    int FMaxValue;
    bool FTyping;
};

// Base of the setup dialogs: a small fixed-size tool window, centred on the desktop when it is
// shown, that can be filled, driven and confirmed without exec().
//
// Numeric fields (line edits and value grids) registered with WatchField are evaluated when
// the focus leaves them for another control of the dialog, unless that control is the button
// named btnCancel, so that a bad entry never stands in the way of cancelling. A focus that
// leaves the window (a message box, another program) is no leaving of the field.
class TToolDialog : public QDialog {
public:
    TToolDialog(TDialogHost& host, QWidget* parent);
    ~TToolDialog() override;

    // Evaluates a watched field: its text (or every value of a grid, in row order) becomes the
    // parser's result in the 15-digit format. On the first error its message is shown, the
    // rest stays as typed and the focus returns to the field. False after an error.
    bool ParseText(QWidget* field);

protected:
    void WatchField(QWidget* field);
    // The message of an error in the program's message box; an EFieldError's field is named
    // under the message.
    void ShowError(const std::exception& error);
    void showEvent(QShowEvent* event) override;

    TDialogHost& Host;

private:
    void FocusChanged(QWidget* old, QWidget* now);
    QWidget* WatchedFieldOf(QWidget* widget) const;

    QMetaObject::Connection FocusConnection;
    std::vector<QWidget*> WatchedFields;
    bool Parsing = false;
};

}  // namespace kinetra::ui
