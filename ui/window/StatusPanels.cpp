// The status bar of the main window: four panels (the run state, the time, the frame, the
// extent), widened where their longest text needs more room than their given width, and the
// message line above it.
#include "ui/window/StatusPanels.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <string>
#include <utility>

#include "base/KNUtils.h"
#include "frame/Frame.h"
#include "ui/dialogs/Prompts.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

// A label that asks for a set width and, given less, shows its text shortened in the middle
// with the whole text as its tip.
class TPanelLabel : public QLabel {
public:
    explicit TPanelLabel(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    }
    void SetFullText(const QString& text) {
        Full = text;
        Elide();
    }
    const QString& FullText() const { return Full; }
    void SetWantedWidth(int width) {
        if (Firm) setMinimumWidth(width);
        if (Wanted == width) return;
        Wanted = width;
        updateGeometry();
    }
    int WantedWidth() const { return Wanted; }
    // A firm panel never gives way (the run state is short and always wanted whole).
    void SetFirm(bool firm) { Firm = firm; }
    // The width this label needs to show the text whole, with its frame, margin and indent.
    int NeededWidth(const QString& text) {
        const QString shown = QLabel::text();
        QLabel::setText(text);
        const int needed = QLabel::sizeHint().width();
        QLabel::setText(shown);
        return needed;
    }
    // The room the text has in the label's rectangle.
    int TextRoom() const {
        const int indentWidth =
            indent() >= 0 ? indent()
                          : (frameWidth() > 0 ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 : 0);
        return contentsRect().width() - 2 * margin() - indentWidth;
    }
    QSize sizeHint() const override { return {Wanted, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override {
        return {std::min(Wanted, 24), QLabel::minimumSizeHint().height()};
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    void Elide() {
        // The run state's few words are drawn as they are, as they always were.
        const QString shown =
            Firm ? Full : fontMetrics().elidedText(Full, Qt::ElideMiddle, std::max(0, TextRoom()));
        if (QLabel::text() != shown) QLabel::setText(shown);
        setToolTip(shown == Full ? QString() : Full);
    }

    QString Full;
    int Wanted = 0;
    bool Firm = false;
};

TStatusPanels::TStatusPanels(QWidget* parent) {
    StatusBar = new QStatusBar(parent);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setAutoFillBackground(true);
    for (int i = 0; i < 4; ++i) {
        Panels[i] = new TPanelLabel(StatusBar);
        Panels[i]->setObjectName(QStringLiteral("pnlStatus%1").arg(i));
        Panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        Panels[i]->SetFirm(i == 0);
        Panels[i]->SetWantedWidth(kStatusPanelWidths[i]);
        StatusBar->addWidget(Panels[i]);
    }
    // After the panels, in the room left before the speed control; it asks for no width of its
    // own, so a narrow window shortens the note rather than the panels (the tip and the
    // message line hold all of it).
    auto* note = new TPanelLabel(StatusBar);
    note->setObjectName(QStringLiteral("StatusNote"));
    // It asks for no width (its wanted width is 0), so the stretch gives it only what the
    // panels leave; an ignored size would take room from panels that may give way.
    note->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    note->setIndent(4);
    NoteLabel = note;
    StatusBar->addWidget(NoteLabel, 1);
    // Hidden while there is no message, so that the scene beneath stays as it is.
    MessageLabel = new QLabel(parent);
    MessageLabel->setObjectName(QStringLiteral("lblMessageLine"));
    MessageLabel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    MessageLabel->setAutoFillBackground(true);
    MessageLabel->setIndent(4);
    MessageLabel->hide();
    MessageTimer = new QTimer(StatusBar);
    MessageTimer->setSingleShot(true);
    QObject::connect(MessageTimer, &QTimer::timeout, StatusBar, [this] { MessageLabel->hide(); });
    HintTimer = new QTimer(StatusBar);
    HintTimer->setSingleShot(true);
    QObject::connect(HintTimer, &QTimer::timeout, StatusBar, [this] {
        FHint.clear();
        ShowNoteOrHint();
    });
}

void TStatusPanels::FitFixedTexts() {
    Panels[0]->SetWantedWidth(QFontMetrics(StatusBar->font()).horizontalAdvance(QStringLiteral("Stopped")) +
                              10);
    FitToUnits(Units());
}

void TStatusPanels::FitToUnits(TUnitSystem units) {
    // The time and the extent in their longest form ("Time: %f" of a collision aside).
    const QString length = LongestGloss(TQuantity::Length, units);
    FitPanel(1, QStringLiteral("Time: ") + LongestNumber(true) + LongestGloss(TQuantity::Time, units));
    FitPanel(3, QStringLiteral("Width: ") + LongestNumber(false) + length + QStringLiteral("   Height: ") +
                    LongestNumber(false) + length);
}

void TStatusPanels::SetUnitsSource(std::function<TUnitSystem()> units, std::function<double()> time) {
    UnitsSource = std::move(units);
    TimeSource = std::move(time);
}

TUnitSystem TStatusPanels::Units() const {
    return UnitsSource ? UnitsSource() : TUnitSystem::None;
}

QString TStatusPanels::LongestGloss(TQuantity quantity, TUnitSystem units) const {
    if (units == TUnitSystem::None) return {};
    // The unit with the widest name among those the quantity may be written in.
    const double samples[] = {1, 100, 1E4, 1E6, 1E9, 1E12, 1E15, 1E18, 1E21, 1E24, 1E27, 1E30};
    const QFontMetrics metrics(Panels[1]->font());
    QString widest;
    for (const double sample : samples) {
        const std::string gloss = Gloss(sample, quantity, units);
        const QString unit = ToQ(gloss.substr(gloss.find(' ')));
        if (metrics.horizontalAdvance(unit) > metrics.horizontalAdvance(widest)) widest = unit;
    }
    // Four significant digits and a two-digit exponent: a gloss picks the unit that keeps the
    // number short.
    QString number = LongestNumber(true);
    number.remove(3, 1);
    number.chop(1);
    return QStringLiteral(" (") + number + widest + QLatin1Char(')');
}

void TStatusPanels::SetPanel(int index, const QString& text) {
    const TUnitSystem units = Units();
    if (index == 1 && !text.isEmpty() && TimeSource) {
        FitToUnits(units);
        Panels[index]->SetFullText(text + ToQ(GlossSuffix(TimeSource(), TQuantity::Time, units)));
        return;
    }
    Panels[index]->SetFullText(text);
}

QString TStatusPanels::PanelText(int index) const {
    return Panels[index]->FullText();
}

int TStatusPanels::PanelWidth(int index) const {
    return Panels[index]->WantedWidth();
}

void TStatusPanels::PlaceMessageLine(int width, int bottom) {
    const int height = MessageLabel->fontMetrics().height() + 8;
    MessageLabel->setGeometry(0, bottom - height, std::max(0, width), height);
    ShowNoteOrHint();
}

void TStatusPanels::Clear() {
    for (TPanelLabel* panel : Panels) panel->SetFullText(QString());
    HintTimer->stop();
    FHint.clear();
    SetNote(QString());
}

void TStatusPanels::SetNote(const QString& text) {
    FNote = text;
    if (!text.isEmpty()) {
        Log(text);
        MessageTimer->start(HintMilliseconds);
    }
    ShowNoteOrHint();
}

void TStatusPanels::ShowHint(const QString& text) {
    FHint = text;
    HintTimer->start(HintMilliseconds);
    if (!text.isEmpty()) {
        Log(text);
        MessageTimer->start(HintMilliseconds);
    }
    ShowNoteOrHint();
}

void TStatusPanels::ShowNoteOrHint() {
    const QString& shown = FHint.isEmpty() ? FNote : FHint;
    auto* note = static_cast<TPanelLabel*>(NoteLabel);
    note->SetFullText(shown);
    // The line of its own shows a fresh message whole that the status bar cannot.
    const bool fits = note->fontMetrics().horizontalAdvance(shown) <= note->TextRoom();
    if (shown.isEmpty() || fits || !MessageTimer->isActive()) {
        MessageLabel->hide();
        return;
    }
    const int room = MessageLabel->contentsRect().width() - MessageLabel->indent() - 2;
    const QString line = MessageLabel->fontMetrics().elidedText(shown, Qt::ElideMiddle, room);
    MessageLabel->setText(line);
    MessageLabel->setToolTip(line == shown ? QString() : shown);
    MessageLabel->show();
    MessageLabel->raise();
}

void TStatusPanels::ShowLog(TUserPrompts& prompts, QWidget* parent) const {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmMessages"));
    dialog.setWindowTitle(QStringLiteral("Messages"));
    auto* text = new QPlainTextEdit(&dialog);
    text->setObjectName(QStringLiteral("memMessages"));
    text->setReadOnly(true);
    text->setPlainText(FLog.join(QLatin1Char('\n')));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog.resize(560, 300);
    prompts.ExecDialog(dialog);
}

void TStatusPanels::Log(const QString& message) {
    FLog.append(message);
    while (FLog.size() > MaxLogged) FLog.removeFirst();
}

void TStatusPanels::FitPanel(int index, const QString& longest) {
    // Measured by the panel itself, in the font it is drawn with, with its frame and indent;
    // never narrower than the panel's given width. The last measure is kept: the frame's text
    // is fitted at every refresh.
    TPanelLabel& panel = *Panels[index];
    if (FittedTexts[index] == longest) return;
    FittedTexts[index] = longest;
    panel.SetWantedWidth(std::max(kStatusPanelWidths[index], panel.NeededWidth(longest)));
}

QString TStatusPanels::LongestNumber(bool sign) const {
    // The general format with 5 significant digits is longest in scientific notation with a
    // three-digit negative exponent: -d.ddddE-ddd, written here with the widest digit.
    const QFontMetrics metrics(Panels[2]->font());
    QChar widest = QLatin1Char('0');
    for (char d = '1'; d <= '9'; ++d)
        if (metrics.horizontalAdvance(QLatin1Char(d)) > metrics.horizontalAdvance(widest))
            widest = QLatin1Char(d);
    const QString digits(4, widest);
    return (sign ? QStringLiteral("-") : QString()) + widest + QLatin1Char('.') + digits +
           QStringLiteral("E-") + QString(3, widest);
}

void TStatusPanels::ShowFrameInfo(const TScreenFrame& frame) {
    // The frame's name (that of a followed particle) and the axes change the room panel 2
    // needs; the numbers take at most their longest form.
    const TUnitSystem units = Units();
    const QString number = LongestNumber(true) + LongestGloss(TQuantity::Length, units);
    FitPanel(2, QStringLiteral("Frame: ") + ToQ(frame.Name()) + QStringLiteral("  (") +
                    ToQ(frame.XAxisName()) + QStringLiteral(" = ") + number + QStringLiteral(", ") +
                    ToQ(frame.YAxisName()) + QStringLiteral(" = ") + number + QLatin1Char(')'));
    FitToUnits(units);
    if (units == TUnitSystem::None) {
        SetPanel(2, FrameText(frame.Name(), frame.XAxisName(), frame.OriginX(), frame.YAxisName(),
                              frame.OriginY()));
        SetPanel(3, ExtentText(frame.Width(), frame.Height()));
        return;
    }
    const auto length = [units](double value) {
        return FormatGeneral(value, 5) + GlossSuffix(value, TQuantity::Length, units);
    };
    SetPanel(2, ToQ("Frame: " + frame.Name() + "  (" + frame.XAxisName() + " = " + length(frame.OriginX()) +
                    ", " + frame.YAxisName() + " = " + length(frame.OriginY()) + ")"));
    SetPanel(3, ToQ("Width: " + length(frame.Width()) + "   Height: " + length(frame.Height())));
}

}  // namespace kinetra::ui
