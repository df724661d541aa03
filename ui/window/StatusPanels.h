// TStatusPanels, the status bar of the main window with its four panels: the run state, the
// time, the frame with its origin, the extent of the view; and the message line above it.
//
// A panel asks for the width of its longest text and gives way when the window is too narrow
// for all of them: it then shows its text shortened in the middle ("…") with the whole text as
// its tip, so that no panel ever draws over another. The transient messages (where the setup
// was saved, why a gesture was refused, a dragged value) have a line of their own above the
// panels, as wide as the drawing area and shown only while there is a message; every message
// also goes into a log that Help > "Messages" shows.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "base/Units.h"

class QLabel;
class QStatusBar;
class QTimer;
class QWidget;

namespace kinetra {
class TScreenFrame;
}

namespace kinetra::ui {

class TPanelLabel;
class TUserPrompts;

// The status panels' widths in pixels; panels 1 to 3 widen where their longest text needs more.
inline constexpr int kStatusPanelWidths[4] = {90, 100, 275, 200};

class TStatusPanels {
public:
    // The status bar, a child of `parent`, with its four panels.
    explicit TStatusPanels(QWidget* parent);

    QStatusBar* Bar() const { return StatusBar; }
    // Panel 0 as wide as "Stopped", panels 1 and 3 as their longest texts.
    void FitFixedTexts();
    void SetPanel(int index, const QString& text);
    QString PanelText(int index) const;
    // The width the panel asks for: that of its longest text, at least its given width.
    int PanelWidth(int index) const;
    // The message line just above the status bar, whose top edge is at `bottom`, `width` wide.
    void PlaceMessageLine(int width, int bottom);
    QLabel* MessageLine() const { return MessageLabel; }
    // Every message shown, oldest first (at most MaxLogged).
    const QStringList& MessageLog() const { return FLog; }
    static constexpr int MaxLogged = 200;
    // Help > "Messages": the log in a dialog of its own, through the window's prompts.
    void ShowLog(TUserPrompts& prompts, QWidget* parent) const;
    // Empties the four panels and the note.
    void Clear();
    // A note beside the panels, such as where the setup was just saved; empty hides it.
    void SetNote(const QString& text);
    QString Note() const { return FNote; }
    // A hint in the note's place for a few seconds (HintMilliseconds), then the note again.
    void ShowHint(const QString& text);
    // The hint shown now; empty when none is.
    QString Hint() const { return FHint; }
    static constexpr int HintMilliseconds = 6000;
    // The frame's name, axes and origin in panel 2, the extent in panel 3.
    void ShowFrameInfo(const TScreenFrame& frame);
    // Where the panels learn the units they gloss their numbers in and the simulated time that
    // panel 1 shows. Without a source, or with TUnitSystem::None, the panels show the plain
    // numbers only.
    void SetUnitsSource(std::function<TUnitSystem()> units, std::function<double()> time);
    TUnitSystem Units() const;

private:
    // Widens a status panel so that `longest`, the longest text it may show, is not cut.
    void FitPanel(int index, const QString& longest);
    // The longest number of the panels' 5-digit general format, in the widest digit.
    QString LongestNumber(bool sign) const;
    // The hint while there is one, else the note.
    void ShowNoteOrHint();
    // The longest gloss of a quantity, " (-d.dddE-ddd unit)" in the widest digit; empty
    // without units.
    QString LongestGloss(TQuantity quantity, TUnitSystem units) const;
    // Fits panels 1 and 3 to the longest texts of these units.
    void FitToUnits(TUnitSystem units);

    std::function<TUnitSystem()> UnitsSource;
    std::function<double()> TimeSource;

    void Log(const QString& message);

    QStatusBar* StatusBar = nullptr;
    TPanelLabel* Panels[4] = {nullptr, nullptr, nullptr, nullptr};
    QLabel* NoteLabel = nullptr;  // the stretch between the panels and the speed control
    QLabel* MessageLabel = nullptr;
    QStringList FLog;
    QString FNote;
    QString FHint;
    QTimer* HintTimer = nullptr;
    QTimer* MessageTimer = nullptr;  // how long the message line shows a message
    // The longest texts the panels were last widened for.
    QString FittedTexts[4];
};

}  // namespace kinetra::ui
