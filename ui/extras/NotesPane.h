// TNotesPane, the setup's notes beside the scene: a dockable pane that shows them as they are,
// read-only (the notes dialog still edits them), and follows every change. Notes are usually
// wrapped by hand at some 90 characters; the pane is narrower, so a hand-wrapped line runs on
// into the next where the next plainly continues its sentence (see FlowingText).
#pragma once

#include <QDockWidget>
#include <string>

class QPlainTextEdit;

namespace kinetra::ui {

class TNotesPane : public QDockWidget {
public:
    explicit TNotesPane(QWidget* parent);

    // The notes as the setup holds them (lines separated by CR LF); the view keeps its place
    // when they did not change.
    void ShowNotes(const std::string& notes);
    QString Text() const;

    // The notes as the pane shows them: CR LF becomes a line break, and a line of at least
    // FlowingLine characters runs on into the next when that one begins with a small letter (the
    // same sentence wrapped by hand). Short lines (lists, headings, tables of short rows), empty
    // lines and lines before a capital, digit or sign keep their breaks.
    static QString FlowingText(const std::string& notes);
    static constexpr int FlowingLine = 50;

private:
    QPlainTextEdit* memNotes;
};

}  // namespace kinetra::ui
