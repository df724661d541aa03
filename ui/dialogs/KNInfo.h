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

class TDocument;

class TfrmInfo : public QWidget {
    Q_OBJECT

public:
    static constexpr int InfoMargin = 2;

    // Shows the document's simulation.
    TfrmInfo(TDocument& document, QWidget* parent);

    // Lays out the lines for the current number of dimensions and draws the labels and the
    // method's name.
    void Rebuild();
    // Draws the current values of line 1 and the following ones.
    void UpdateValues();

signals:
    // The user closed the window (it is hidden, not destroyed).
    void closed();

public:
    // The number of dimensions the lines were laid out for.
    int LayoutDims() const { return FLayoutDims; }
    bool LaidOut() const { return FLaidOut; }
    int LineHeight() const { return FLineHeight; }
    // The value column: its left and right edges.
    int ValueLeft() const { return FValueLeft; }
    int ValueRight() const { return FValueRight; }
    // The text of every line as last drawn; Values()[0] is the method's name.
    const QStringList& Labels() const { return FLabels; }
    const QStringList& Values() const { return FValues; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;  // FormClose

private:
    void DrawValue(QPainter& painter, int line);
    QColor Background() const;

    TDocument& Document;
    int FLayoutDims = 0;
    bool FLaidOut = false;
    int FLineHeight = 0;
    int FValueLeft = 0;
    int FValueRight = 0;
    QStringList FLabels;
    QStringList FValues;
    // The window's picture; painting copies it, so values stay visible when it is uncovered.
    QImage Buffer;
};

}  // namespace kinetra::ui
