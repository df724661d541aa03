// TStatusPanels, the status bar of the main window with its four panels: the run state, the
// time, the frame with its origin, the extent of the view.
#pragma once

#include <QString>

class QLabel;
class QStatusBar;
class QTimer;
class QWidget;

namespace kinetra {
class TScreenFrame;
}

namespace kinetra::ui {

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
    int PanelWidth(int index) const;
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

private:
    // Widens a status panel so that `longest`, the longest text it may show, is not cut.
    void FitPanel(int index, const QString& longest);
    // The longest number of the panels' 5-digit general format, in the widest digit.
    QString LongestNumber(bool sign) const;
    // The hint while there is one, else the note.
    void ShowNoteOrHint();

    QStatusBar* StatusBar = nullptr;
    QLabel* Panels[4] = {nullptr, nullptr, nullptr, nullptr};
    QLabel* NoteLabel = nullptr;
    QString FNote;
    QString FHint;
    QTimer* HintTimer = nullptr;
    // The longest texts the panels were last widened for.
    QString FittedTexts[4];
};

}  // namespace kinetra::ui
