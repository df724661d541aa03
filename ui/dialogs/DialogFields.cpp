#include "ui/dialogs/DialogFields.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <algorithm>
#include <climits>
#include <cmath>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "engine/SimOptionValues.h"
#include "parser/Parser.h"
#include "ui/dialogs/DialogHost.h"
#include "ui/dialogs/Prompts.h"

namespace kinetra::ui {

namespace {
constexpr int GridRowHeight = 20;
constexpr int GridNameWidth = 20;
constexpr int GridVisibleRows = 4;

// The axis names fill their 20-pixel column without the usual item margins; a name that still
// does not fit ("x26" in a large font) is drawn smaller instead of being elided.
class TAxisNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (index.column() != 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QString text = index.data().toString();
        QFont font = option.font;
        const int room = option.rect.width() - 2;
        while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() > 5)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        painter->save();
        painter->fillRect(option.rect, option.palette.button());
        painter->setFont(font);
        painter->setPen(option.palette.buttonText().color());
        painter->drawText(option.rect, Qt::AlignCenter, text);
        painter->restore();
    }
};
}  // namespace

QString FormatNumber(double value, int digits) {
    return QString::fromStdString(FormatGeneral(value, digits));
}

TFieldValue EvaluateText(TParser& parser, const QString& text) {
    // The one rule of a field's value, shared with the options of kinetra-batch.
    const TFieldNumber number = EvaluateFieldText(parser, text.toStdString());
    return {QString::fromStdString(number.Text), number.Value};
}

QString FieldCaption(const QWidget& field) {
    const QWidget* window = field.window();
    if (window == nullptr) return {};
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->buddy() != &field) continue;
        QString caption = label->text();
        caption.remove(QLatin1Char('&'));
        if (caption.endsWith(QLatin1Char(':'))) caption.chop(1);
        return caption;
    }
    return {};
}

double ReadNumberField(QLineEdit& field, TParser& parser) {
    TFieldValue value;
    try {
        value = EvaluateText(parser, field.text());
    } catch (const std::exception& error) {
        throw EFieldError(error, FieldCaption(field));
    }
    field.setText(value.Text);
    return value.Value;
}

TFieldValue EvaluateCell(const TValueGrid& grid, int row, TParser& parser) {
    try {
        return EvaluateText(parser, grid.Cell(row));
    } catch (const std::exception& error) {
        const QString caption = FieldCaption(grid);
        throw EFieldError(error,
                          caption.isEmpty() ? caption : caption + QStringLiteral(", ") + grid.AxisName(row));
    }
}

QColor ParticleColour(int colourIndex) {
    if (colourIndex < 0 || colourIndex >= ColourCount) colourIndex = 0;
    const TRGB& c = ParticleColours[static_cast<size_t>(colourIndex)];
    return QColor(c.R, c.G, c.B);
}

// ---------------------------------------------------------------------------------------------
// TValueGrid

TValueGrid::TValueGrid(QWidget* parent) : QTableWidget(parent) {
    setColumnCount(2);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(0, GridNameWidth);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(GridRowHeight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // A click on the selected cell opens its editor at once (see mouseReleaseEvent) rather
    // than after the double-click interval, during which typed keys would be dropped.
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setItemDelegate(new TAxisNameDelegate(this));
    // A one-pixel frame stands in for the grid line under the last row, so N <= 4 rows fit
    // the min(21 N, 84) pixels exactly.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

void TValueGrid::Fill(const std::vector<std::string>& axisNames, const std::vector<QString>& values) {
    const int rows = static_cast<int>(values.size());
    setRowCount(rows);
    setFixedHeight(std::min((GridRowHeight + 1) * rows, (GridRowHeight + 1) * GridVisibleRows));
    for (int row = 0; row < rows; ++row) {
        const QString name = row < static_cast<int>(axisNames.size())
                                 ? QString::fromStdString(axisNames[static_cast<size_t>(row)])
                                 : QStringLiteral("x%1").arg(row + 1);
        auto* nameItem = new QTableWidgetItem(name);
        nameItem->setFlags(Qt::ItemIsEnabled);
        setItem(row, 0, nameItem);
        auto* valueItem = new QTableWidgetItem(values[static_cast<size_t>(row)]);
        valueItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        setItem(row, 1, valueItem);
        // Each row is a field of its own: its tip names the axis before the grid's tip.
        if (!toolTip().isEmpty()) {
            const QString tip = name + QStringLiteral(": ") + toolTip();
            nameItem->setToolTip(tip);
            valueItem->setToolTip(tip);
        }
    }
    if (rows > 0) setCurrentCell(0, 1);
}

QString TValueGrid::Cell(int row) const {
    const QTableWidgetItem* cell = item(row, 1);
    return cell ? cell->text() : QString();
}

void TValueGrid::SetCell(int row, const QString& text) {
    if (QTableWidgetItem* cell = item(row, 1)) cell->setText(text);
}

QString TValueGrid::AxisName(int row) const {
    const QTableWidgetItem* cell = item(row, 0);
    return cell ? cell->text() : QString();
}

void TValueGrid::CommitEdit() {
    if (state() != QAbstractItemView::EditingState) return;
    // indexWidget also finds the editor that an edit trigger opened.
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TValueGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem) {
        // Tab in an open cell moves on to the next control, as it does from a closed cell.
        QTableWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
        focusNextPrevChild(hint == QAbstractItemDelegate::EditNextItem);
        return;
    }
    QTableWidget::closeEditor(editor, hint);
}

void TValueGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool selected = event->button() == Qt::LeftButton && index.isValid() && index == currentIndex() &&
                          selectionModel()->isSelected(index) && state() != QAbstractItemView::EditingState;
    ClickedSelected = selected ? QPersistentModelIndex(index) : QPersistentModelIndex();
    QTableWidget::mousePressEvent(event);
}

void TValueGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    const QPersistentModelIndex clicked = ClickedSelected;
    ClickedSelected = QPersistentModelIndex();
    // The keys the user types right after the click all reach the editor, the first included.
    if (clicked.isValid() && indexAt(event->position().toPoint()) == clicked &&
        state() != QAbstractItemView::EditingState)
        edit(clicked);
}

// ---------------------------------------------------------------------------------------------
// TSpinEdit

TSpinEdit::TSpinEdit(int minValue, int maxValue, bool typing, QWidget* parent)
    : QSpinBox(parent), FMinValue(minValue), FMaxValue(maxValue), FTyping(typing) {
    // A typed number is kept as typed until the field is left, so the box itself must hold
    // any integer; the limits apply to the arrows and to the clamping on leaving.
    if (FTyping)
        setRange(INT_MIN, INT_MAX);
    else
        setRange(minValue, maxValue);
    lineEdit()->setReadOnly(!FTyping);
    setValue(minValue);
}

int TSpinEdit::Value() const {
    return FTyping ? valueFromText(Text()) : value();
}

void TSpinEdit::SetValue(int value) {
    setValue(value);
}

QString TSpinEdit::Text() const {
    return lineEdit()->text();
}

void TSpinEdit::SetText(const QString& text) {
    lineEdit()->setText(text);
}

int TSpinEdit::ClampedValue() const {
    return std::clamp(Value(), FMinValue, FMaxValue);
}

void TSpinEdit::stepBy(int steps) {
    if (!FTyping) {
        QSpinBox::stepBy(steps);
        return;
    }
    const long long current = std::clamp(Value(), FMinValue, FMaxValue);
    const long long next = std::clamp<long long>(current + steps, FMinValue, FMaxValue);
    setValue(static_cast<int>(next));
    selectAll();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
    if (!FTyping) return QSpinBox::stepEnabled();
    const int current = Value();
    StepEnabled result = StepNone;
    if (current < FMaxValue) result |= StepUpEnabled;
    if (current > FMinValue) result |= StepDownEnabled;
    return result;
}

namespace {
bool IsSpinCharacter(QChar c) {
    return c.isDigit() || c == u'+' || c == u'-' || c == u'.' || c == u' ';
}
}  // namespace

QValidator::State TSpinEdit::validate(QString& input, int& pos) const {
    if (!FTyping) return QSpinBox::validate(input, pos);
    for (const QChar c : input)
        if (!IsSpinCharacter(c)) return QValidator::Invalid;
    return QValidator::Acceptable;
}

int TSpinEdit::valueFromText(const QString& text) const {
    if (!FTyping) return QSpinBox::valueFromText(text);
    try {
        return StrToInt(text.toStdString());
    } catch (const EKinetraError&) {
        return FMinValue;
    }
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
    QSpinBox::focusOutEvent(event);
    if (!FTyping) return;
    const int current = value();
    const int clamped = std::clamp(current, FMinValue, FMaxValue);
    if (clamped != current) setValue(clamped);
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (OnReturn && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (FTyping && ClampedValue() != value()) setValue(ClampedValue());
        event->accept();
        OnReturn();
        return;
    }
    const QString text = event->text();
    if (FTyping && text.size() == 1 && text[0].isPrint() && !IsSpinCharacter(text[0])) {
        QApplication::beep();
        event->accept();
        return;
    }
    QSpinBox::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// TToolDialog

TToolDialog::TToolDialog(TDialogHost& host, QWidget* parent) : QDialog(parent), Host(host) {
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    FocusConnection = connect(qApp, &QApplication::focusChanged, this,
                              [this](QWidget* old, QWidget* now) { FocusChanged(old, now); });
}

TToolDialog::~TToolDialog() {
    // The children go after this part of the object; focus moves while they do.
    disconnect(FocusConnection);
    WatchedFields.clear();
}

void TToolDialog::WatchField(QWidget* field) {
    WatchedFields.push_back(field);
}

QWidget* TToolDialog::WatchedFieldOf(QWidget* widget) const {
    for (QWidget* field : WatchedFields)
        if (field == widget || field->isAncestorOf(widget)) return field;
    return nullptr;
}

void TToolDialog::FocusChanged(QWidget* old, QWidget* now) {
    if (Parsing || old == nullptr || now == nullptr) return;
    QWidget* field = WatchedFieldOf(old);
    if (field == nullptr) return;
    if (field == now || field->isAncestorOf(now)) return;  // e.g. a grid opening a cell editor
    if (now->window() != this) return;
    if (now->objectName() == QLatin1String("btnCancel")) return;
    ParseText(field);
}

bool TToolDialog::ParseText(QWidget* field) {
    // The message box and the refocusing move the focus; none of that is the user leaving.
    const bool wasParsing = Parsing;
    Parsing = true;
    bool ok = true;
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        try {
            ReadNumberField(*edit, Host.ExprParser());
        } catch (const std::exception& error) {
            ShowError(error);
            edit->setFocus(Qt::OtherFocusReason);
            ok = false;
        }
    } else if (auto* grid = dynamic_cast<TValueGrid*>(field)) {
        grid->CommitEdit();
        for (int row = 0; row < grid->rowCount(); ++row) {
            try {
                grid->SetCell(row, EvaluateCell(*grid, row, Host.ExprParser()).Text);
            } catch (const std::exception& error) {
                ShowError(error);
                grid->setCurrentCell(row, 1);
                grid->setFocus(Qt::OtherFocusReason);
                ok = false;
                break;
            }
        }
    }
    Parsing = wasParsing;
    return ok;
}

void TToolDialog::ShowError(const std::exception& error) {
    const QString text = QString::fromStdString(error.what());
    const auto* fieldError = dynamic_cast<const EFieldError*>(&error);
    if (fieldError == nullptr || fieldError->Caption().isEmpty()) {
        Host.Prompts().ShowMessage(this, text);
        return;
    }
    Host.Prompts().ShowDetailedMessage(this, text,
                                       QStringLiteral("In the field \"%1\".").arg(fieldError->Caption()));
}

void TToolDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (layout() != nullptr) layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    QScreen* desktop = parentWidget() != nullptr ? parentWidget()->screen() : screen();
    if (desktop != nullptr) move(desktop->availableGeometry().center() - rect().center());
}

QPushButton* DialogButton(const char* name, const QString& text, bool isDefault, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setDefault(isDefault);
    return button;
}

QHBoxLayout* ButtonRow(std::initializer_list<QWidget*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QWidget* button : buttons) row->addWidget(button);
    return row;
}

}  // namespace kinetra::ui
