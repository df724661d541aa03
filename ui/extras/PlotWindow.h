// TfrmPlot, the tool window that plots quantities of a run: several series, each a quantity
// against another (mostly against the time), live while the simulation runs.
//
// The window is offered every displayed step while it is shown (and one sample at every rewind,
// which clears the history first), so an oscillation faster than the screen refreshes is still
// seen whole. It shows only what it sampled: opened after steps it did not see, it begins at
// the present, an energy drift still measured from the energy at time 0 where that is known.
// The history is bounded and thinned (see PlotHistory.h); a repaint draws per pixel column only
// the outline of the curves, so its cost depends on the window's width, not on the run's length.
//
// The energies cost a pass over all pairs, which with many particles is as dear as a
// computation cycle; a plot of energies of a setup of more than a few dozen particles with few
// cycles per step therefore samples every second, fourth ... step, a stride that depends on the
// setup alone, so that sampling stays under about a tenth of the run's time and a run samples
// the same steps every time.
//
// Drawn with QPainter, on the screen as into a PNG or an SVG file: the picture is a few lines
// over one or two panels, which a charting module (an extra package to install and deploy,
// and many times dearer to repaint at a million samples) would not make simpler.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "ui/extras/PlotHistory.h"
#include "ui/extras/PlotQuantity.h"

namespace kinetra {
class TSimData;
}

namespace kinetra::ui {

struct TPlotSeries {
    TPlotQuantity X, Y;
    QColor Colour;
    int PenWidth = 1;
    int Panel = 0;  // 0 the upper panel, 1 the lower one (drawn only when a series is in it)
    // The legend's text; empty: the name of Y (and "against" X where the series' X differ).
    QString Label;
};

struct TPlotConfig {
    QString Title = QStringLiteral("Plot");
    std::vector<TPlotSeries> Series;
    // The heading shows E0, the time, the total energy and its drift (the energy plot).
    bool EnergyHeading = false;
};

// The series' colours in turn.
QColor SeriesColour(int index);

class TfrmPlot : public QWidget {
    Q_OBJECT

public:
    TfrmPlot(QWidget* parent, TPlotConfig config, std::size_t capacity = TPlotHistory::DefaultCapacity);

    const TPlotConfig& Config() const { return FConfig; }
    // The history is cleared and a sample of the state taken, the energy drift measured from
    // its energy.
    void Restart(TSimData& sim);
    // Sampling begins at the present after steps that were not sampled (the window was hidden
    // or not yet open): the history is cleared, so that no line joins across steps it never
    // saw, and E0, the energy at time 0 where it is known, stays the drift's reference.
    void Resume(std::optional<double> e0);
    // Takes a sample of the state unless its time is that of the last one; false when none
    // was taken. Energies that cannot be computed are no sample.
    bool Sample(TSimData& sim);
    // Takes a sample of given values, one point per series.
    void AddSample(double time, const double* x, const double* y);
    // Called after every displayed step: samples the state when the cost allows (see above).
    void OfferStep(TSimData& sim);
    // Every how many steps OfferStep takes a sample at present.
    int SampleEvery() const { return FSampleEvery; }
    void ClearSamples();
    const TPlotHistory& History() const { return FHistory; }
    // The reference of the energy drift, once known.
    std::optional<double> E0() const { return FE0; }
    void SetE0(std::optional<double> e0) { FE0 = e0; }
    bool RelativeDrift() const { return FE0 && *FE0 != 0; }

    // The picture as the window shows it, at its current size.
    QImage Picture();
    // How long the last repaint of the window took.
    std::chrono::nanoseconds PaintCost() const { return FPaintCost; }
    // The names of the series' quantities as the setup names them.
    void SetNames(const TSimData& sim);

    // The curves' points as drawn (per series its x and y columns) as CSV; the picture as a PNG
    // or an SVG image. Each is written whole or not at all; EInOutError names what failed.
    void ExportCsv(const QString& fileName) const;
    void ExportPng(const QString& fileName);
    void ExportSvg(const QString& fileName);

signals:
    // The user closed the window.
    void closed();
    // The user asked for an export ("csv", "png" or "svg") from the window's menu.
    void exportRequested(const QString& format);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void Draw(QPainter& painter, const QRect& area);
    QString Heading() const;
    QString Legend(std::size_t series) const;
    QString XTitle() const;
    bool NeedsEnergy() const;
    static int SampleStride(const TSimData& sim);
    // Setups of up to this many particles are sampled at every displayed step.
    static constexpr int SampleEveryStepUpTo = 64;

    TPlotConfig FConfig;
    TPlotHistory FHistory;
    std::optional<double> FE0;
    // The quantities' names for the setup (SetNames), per series X and Y.
    std::vector<QString> XNames, YNames;
    std::vector<double> XBuffer, YBuffer;
    int FSampleEvery = 1;
    int FStepsSkipped = 0;
    std::chrono::nanoseconds FPaintCost{0};
};

}  // namespace kinetra::ui
