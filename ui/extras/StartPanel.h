// TStartPanel, what the empty drawing area shows while there is no setup: New, Open, and the
// bundled examples, each with the opening sentence of its notes, one click to open. The panel only
// gives the window's own commands another place: New and Open are their actions, an example is
// its item of the examples menu, so every question and message is theirs.
#pragma once

#include <QFrame>
#include <QString>

class QAction;
class QMenu;
class QPushButton;
class QScrollArea;

namespace kinetra::ui {

class TStartPanel : public QFrame {
public:
    // A child of the drawing area, hidden until placed and shown.
    TStartPanel(QWidget* drawingArea, QAction* newAction, QAction* openAction, QMenu* examplesMenu);

    // Centres the panel in the part of the drawing area that the tool panel (its width on the
    // right) and the status bar (its height at the bottom) leave free, as large as it fits.
    void Place(int rightReserve, int bottomReserve);
    // One button per example of the menu (the menu may have been filled again).
    void FillExamples();

    QPushButton* NewButton() const { return btnNew; }
    QPushButton* OpenButton() const { return btnOpen; }

    // The notes of a setup file; empty when it has none or cannot be read.
    static QString NotesOf(const QString& fileName);
    // What the panel shows of an example's notes: the first sentence of their first paragraph
    // (the lines of a paragraph joined), at most 200 characters.
    static QString NotesSummary(const QString& notes);

private:
    QMenu* Examples;
    QPushButton* btnNew;
    QPushButton* btnOpen;
    QWidget* ExampleList;
    QScrollArea* Scroll;
};

}  // namespace kinetra::ui
