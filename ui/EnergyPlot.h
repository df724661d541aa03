// The "Energy plot" tool window: kinetic, potential and total energy against the simulated time,
// and below them, on an axis of its own, the drift of the total energy from its value E0 at
// time 0: (E - E0) / |E0|, or E - E0 when E0 is 0. This is how the numerical methods are
// compared: a method that keeps the energy shows a flat total and a drift near 0.
//
// The window gets one sample per refresh of the scene and one at every rewind (which clears the
// history first). The history is bounded: when it is full, every second sample is dropped and
// from then on only every second offered sample is kept, so the samples stay evenly spread over
// the whole run and memory stays fixed however long it goes. The newest sample is always drawn,
// so the curves end at the current time. Samples are joined in the order they came, so a run
// backwards draws back over the curve or into negative time.
//
// Drawn with QPainter: the picture is three lines and a drift curve over two axes, which a
// charting module (an extra package to install and deploy) would not make simpler.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace kinetra::ui {

struct TEnergySample {
    double Time = 0;
    double Kinetic = 0;
    double Potential = 0;
    double Total = 0;  // Kinetic + Potential
};

class TEnergyHistory {
public:
    static constexpr std::size_t DefaultCapacity = 20000;

    // The capacity is made even and at least 2.
    explicit TEnergyHistory(std::size_t capacity = DefaultCapacity);

    void Clear();
    // Offers a sample; the first one after Clear sets E0.
    void Add(double time, double kinetic, double potential);

    std::size_t Capacity() const { return FCapacity; }
    // The kept samples, oldest first.
    const std::vector<TEnergySample>& Samples() const { return FSamples; }
    bool Empty() const { return Offered == 0; }
    // The most recent sample offered, kept or not.
    const TEnergySample& Last() const { return FLast; }
    // Only every Stride-th offered sample is kept (1 until the first thinning).
    std::int64_t Stride() const { return FStride; }

    double E0() const { return FE0; }
    // (E - E0)/|E0|, or E - E0 when E0 is 0 (see RelativeDrift).
    double Drift(const TEnergySample& sample) const;
    bool RelativeDrift() const { return FE0 != 0; }

private:
    std::size_t FCapacity;
    std::vector<TEnergySample> FSamples;
    TEnergySample FLast;
    std::int64_t Offered = 0;
    std::int64_t FStride = 1;
    double FE0 = 0;
};

// Values of an axis: the range, and tick marks at whole multiples of 1, 2 or 5 times a power of
// ten, labelled in the general number format with just enough digits to tell them apart.
struct TAxisScale {
    double Low = 0;
    double High = 1;
    std::vector<double> Ticks;
    std::vector<QString> Labels;
};
// A range that holds [low, high] with a little room, never empty, and its ticks (at most about
// `maxTicks` of them).
TAxisScale ScaleAxis(double low, double high, int maxTicks);

class TfrmEnergyPlot : public QWidget {
public:
    explicit TfrmEnergyPlot(QWidget* parent, std::size_t capacity = TEnergyHistory::DefaultCapacity);

    // The history is cleared and the time-0 sample taken.
    void Restart(double time, double kinetic, double potential);
    void AddSample(double time, double kinetic, double potential);
    void ClearSamples();
    const TEnergyHistory& History() const { return FHistory; }

    // The picture as the window shows it, at its current size.
    QImage Picture();

    // Told when the user closes the window (it is hidden, not destroyed).
    std::function<void()> OnClosed;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Draw(QPainter& painter, const QRect& area);

    TEnergyHistory FHistory;
};

}  // namespace kinetra::ui
