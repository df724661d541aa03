// The status bar of the main window: four panels (the run state, the time, the frame, the
// extent), widened where their longest text needs more room than their given width.
#include "ui/window/StatusPanels.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

#include "frame/Frame.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

TStatusPanels::TStatusPanels(QWidget* parent) {
    StatusBar = new QStatusBar(parent);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusBar->setAutoFillBackground(true);
    for (int i = 0; i < 4; ++i) {
        Panels[i] = new QLabel(StatusBar);
        Panels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        Panels[i]->setFixedWidth(kStatusPanelWidths[i]);
        StatusBar->addWidget(Panels[i]);
    }
    // After the panels, in the room left before the speed control; it asks for no width of its
    // own, so a narrow window cuts the note rather than the panels (the tip holds all of it).
    NoteLabel = new QLabel(StatusBar);
    NoteLabel->setObjectName(QStringLiteral("StatusNote"));
    NoteLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    NoteLabel->setIndent(4);
    StatusBar->addWidget(NoteLabel, 1);
    HintTimer = new QTimer(StatusBar);
    HintTimer->setSingleShot(true);
    QObject::connect(HintTimer, &QTimer::timeout, StatusBar, [this] {
        FHint.clear();
        ShowNoteOrHint();
    });
}

void TStatusPanels::FitFixedTexts() {
    Panels[0]->setFixedWidth(QFontMetrics(StatusBar->font()).horizontalAdvance(QStringLiteral("Stopped")) +
                             10);
    // The time and the extent in their longest form ("Time: %f" of a collision aside).
    FitPanel(1, QStringLiteral("Time: ") + LongestNumber(true));
    FitPanel(3, QStringLiteral("Width: ") + LongestNumber(false) + QStringLiteral("   Height: ") +
                    LongestNumber(false));
}

void TStatusPanels::SetPanel(int index, const QString& text) {
    Panels[index]->setText(text);
}

QString TStatusPanels::PanelText(int index) const {
    return Panels[index]->text();
}

int TStatusPanels::PanelWidth(int index) const {
    return Panels[index]->width();
}

void TStatusPanels::Clear() {
    for (QLabel* panel : Panels) panel->clear();
    HintTimer->stop();
    FHint.clear();
    SetNote(QString());
}

void TStatusPanels::SetNote(const QString& text) {
    FNote = text;
    ShowNoteOrHint();
}

void TStatusPanels::ShowHint(const QString& text) {
    FHint = text;
    HintTimer->start(HintMilliseconds);
    ShowNoteOrHint();
}

void TStatusPanels::ShowNoteOrHint() {
    const QString& shown = FHint.isEmpty() ? FNote : FHint;
    NoteLabel->setText(shown);
    NoteLabel->setToolTip(shown);
}

void TStatusPanels::FitPanel(int index, const QString& longest) {
    // Measured by the panel itself, in the font it is drawn with, with its frame and indent;
    // never narrower than the panel's given width. The last measure is kept: the frame's text
    // is fitted at every refresh.
    QLabel& panel = *Panels[index];
    if (FittedTexts[index] == longest) return;
    FittedTexts[index] = longest;
    const QString shown = panel.text();
    panel.setText(longest);
    const int room = panel.sizeHint().width();
    panel.setText(shown);
    const int width = std::max(kStatusPanelWidths[index], room);
    if (panel.width() != width) panel.setFixedWidth(width);
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
    const QString number = LongestNumber(true);
    FitPanel(2, QStringLiteral("Frame: ") + ToQ(frame.Name()) + QStringLiteral("  (") +
                    ToQ(frame.XAxisName()) + QStringLiteral(" = ") + number + QStringLiteral(", ") +
                    ToQ(frame.YAxisName()) + QStringLiteral(" = ") + number + QLatin1Char(')'));
    SetPanel(2,
             FrameText(frame.Name(), frame.XAxisName(), frame.OriginX(), frame.YAxisName(), frame.OriginY()));
    SetPanel(3, ExtentText(frame.Width(), frame.Height()));
}

}  // namespace kinetra::ui
