// The energy plot: the plot window with the energies and their drift.
#include "ui/extras/EnergyPlot.h"

namespace kinetra::ui {

TPlotConfig EnergyPlotSpec() {
    TPlotConfig config;
    config.Title = QStringLiteral("Energy plot");
    config.EnergyHeading = true;
    const auto series = [](TQuantityKind kind, QColor colour, int penWidth, int panel, const char* label) {
        TPlotSeries s;
        s.Y.Kind = kind;
        s.Colour = colour;
        s.PenWidth = penWidth;
        s.Panel = panel;
        s.Label = QString::fromUtf8(label);
        return s;
    };
    config.Series = {series(TQuantityKind::Kinetic, QColor(200, 0, 0), 1, 0, "Kinetic"),
                     series(TQuantityKind::Potential, QColor(0, 0, 220), 1, 0, "Potential"),
                     series(TQuantityKind::Total, QColor(0, 0, 0), 2, 0, "Total"),
                     // Labelled by the plot itself, as the drift is measured (see QuantityName).
                     series(TQuantityKind::Drift, QColor(0, 140, 0), 1, 1, "")};
    return config;
}

TfrmEnergyPlot::TfrmEnergyPlot(QWidget* parent, std::size_t capacity)
    : TfrmPlot(parent, EnergyPlotSpec(), capacity) {}

void TfrmEnergyPlot::Restart(double time, double kinetic, double potential) {
    ClearSamples();
    SetE0(kinetic + potential);
    AddSample(time, kinetic, potential);
}

void TfrmEnergyPlot::AddSample(double time, double kinetic, double potential) {
    const double total = kinetic + potential;
    if (!E0()) SetE0(total);
    const double x[4] = {time, time, time, time};
    const double y[4] = {kinetic, potential, total, EnergyDrift(total, *E0())};
    TfrmPlot::AddSample(time, x, y);
}

}  // namespace kinetra::ui
