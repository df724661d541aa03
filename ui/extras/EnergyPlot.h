// The "Energy plot" tool window: kinetic, potential and total energy against the simulated time,
// and below them, on an axis of its own, the drift of the total energy from its value E0 at
// time 0: (E - E0) / |E0|, or E - E0 when E0 is 0. This is how the numerical methods are
// compared: a method that keeps the energy shows a flat total and a drift near 0.
//
// It is the plot window (PlotWindow.h) with these four series; the drift's E0 is the energy of
// the rewound state, taken at every rewind whether or not the window is shown.
#pragma once

#include "ui/extras/PlotWindow.h"

namespace kinetra::ui {

// The energy plot's series: kinetic, potential, total (thick) over the drift.
TPlotConfig EnergyPlotSpec();

class TfrmEnergyPlot : public TfrmPlot {
    Q_OBJECT

public:
    explicit TfrmEnergyPlot(QWidget* parent, std::size_t capacity = TPlotHistory::DefaultCapacity);

    // The history is cleared and the time-0 sample taken (whose total is E0).
    void Restart(double time, double kinetic, double potential);
    // Takes a sample of given energies; the window is repainted at the next update().
    void AddSample(double time, double kinetic, double potential);
};

}  // namespace kinetra::ui
