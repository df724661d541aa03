// The notes pane beside the scene.
#include "ui/extras/NotesPane.h"

#include <QPlainTextEdit>

namespace kinetra::ui {

TNotesPane::TNotesPane(QWidget* parent) : QDockWidget(QStringLiteral("Notes"), parent) {
    setObjectName(QStringLiteral("NotesPane"));
    memNotes = new QPlainTextEdit(this);
    memNotes->setObjectName(QStringLiteral("memNotesPane"));
    memNotes->setReadOnly(true);
    // Clicked into, it takes the keys; otherwise the arrow keys stay with the scene.
    memNotes->setFocusPolicy(Qt::ClickFocus);
    memNotes->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWidget(memNotes);
}

void TNotesPane::ShowNotes(const std::string& notes) {
    const QString text = FlowingText(notes);
    if (text != memNotes->toPlainText()) memNotes->setPlainText(text);
}

QString TNotesPane::FlowingText(const std::string& notes) {
    QString text = QString::fromStdString(notes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QString flowing;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        flowing += lines[i];
        if (i + 1 == lines.size()) break;
        const QString next = lines[i + 1].trimmed();
        const bool runsOn = lines[i].trimmed().size() >= FlowingLine && !next.isEmpty() && next[0].isLower();
        if (runsOn)
            while (flowing.endsWith(QLatin1Char(' '))) flowing.chop(1);
        flowing += runsOn ? QStringLiteral(" ") : QStringLiteral("\n");
    }
    return flowing;
}

QString TNotesPane::Text() const {
    return memNotes->toPlainText();
}

}  // namespace kinetra::ui
