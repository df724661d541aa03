// TfrmInfo, the "Simulation info" tool window: the numerical method, the time step, the
// kinetic, potential and total energy, the total momentum and, in two and three dimensions,
// the angular momentum. One line per quantity, the label at the left, the value right-aligned
// in a column; the layout follows the number of dimensions it was last rebuilt for.
#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace kinetra::ui {

class TDialogHost;

class TfrmInfo : public QWidget {
public:
    static constexpr int InfoMargin = 2;

    TfrmInfo(TDialogHost& host, QWidget* parent);

    // Lays out the lines for the current number of dimensions and draws the labels and the
    // method's name.
    void Rebuild();
    // Draws the current values of line 1 and the following ones.
    void UpdateValues();

    // Told when the user closes the window (it is hidden, not destroyed).
    std::function<void()> OnClosed;

    int LayoutDims = 0;
    bool LaidOut = false;
    int LineHeight = 0;
    int ValueLeft = 0;
    int ValueRight = 0;
    // The text of every line as last drawn; Values[0] is the method's name.
    QStringList Labels;
    QStringList Values;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;  // FormClose

private:
    void DrawValue(QPainter& painter, int line);
    QColor Background() const;

    TDialogHost& Host;
    // The window's picture; painting copies it, so values stay visible when it is uncovered.
    QImage Buffer;
};

}  // namespace kinetra::ui
