// The "Energy plot" tool window: kinetic, potential and total energy against the simulated time,
// and below them, on an axis of its own, the drift of the total energy from its value E0 at
// time 0: (E - E0) / |E0|, or E - E0 when E0 is 0. This is how the numerical methods are
// compared: a method that keeps the energy shows a flat total and a drift near 0.
//
// The window is offered every displayed step while it is shown (and one sample at every rewind,
// which clears the history first), so an oscillation faster than the screen refreshes is still
// seen whole. It shows only what it sampled: opened, or shown again, after steps it did not see,
// it begins at the present, its drift still measured from the energy at time 0. The
// history is bounded: it holds buckets of consecutive samples, each keeping per series its
// minimum and maximum and when they came. When all buckets are taken, neighbouring pairs merge
// and each bucket from then on takes twice as many samples, so the buckets stay evenly spread
// over the whole run and memory stays fixed however long it goes. The curves are drawn through
// every bucket's extremes in the order they came: a swing faster than a bucket shows as a band
// between its true extremes, never as a false slow trend, and the newest sample ends the curves.
// Samples are joined in the order they came, so a run backwards draws back over the curve or
// into negative time.
//
// The potential energy costs a pass over all pairs, which with many particles is as dear as a
// computation cycle; setups of more than a few dozen particles with few cycles per step are
// therefore sampled every second, fourth ... step, a stride that depends on the setup alone, so
// that sampling stays under about a tenth of the run's time and a run samples the same steps
// every time.
//
// Drawn with QPainter: the picture is three lines and a drift curve over two axes, which a
// charting module (an extra package to install and deploy) would not make simpler.
#pragma once

#include <QImage>
#include <QWidget>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kinetra {
class TSimData;
}

namespace kinetra::ui {

struct TEnergySample {
    double Time = 0;
    double Kinetic = 0;
    double Potential = 0;
    double Total = 0;  // Kinetic + Potential
};

// The extremes of one series over a bucket, with when they came (time, and the sample's number
// counted from the last Clear, which orders them even when the time runs backwards). Values
// that are not finite are left out; a bucket without a finite value has an empty range.
struct TEnergyRange {
    double Min = 0, Max = 0;
    double MinTime = 0, MaxTime = 0;
    std::int64_t MinAt = -1, MaxAt = -1;
    bool Empty() const { return MinAt < 0; }
    void Add(std::int64_t at, double time, double value);
    // `later` holds samples that came after this range's.
    void Merge(const TEnergyRange& later);
};

struct TEnergyBucket {
    double FirstTime = 0;
    double LastTime = 0;
    std::int64_t Count = 0;  // samples taken in
    TEnergyRange Kinetic, Potential, Total;
};

class TEnergyHistory {
public:
    static constexpr std::size_t DefaultCapacity = 8192;

    // The capacity (in buckets) is made even and at least 2.
    explicit TEnergyHistory(std::size_t capacity = DefaultCapacity);

    void Clear();
    // E0 from a state that was not sampled: the energy at time 0 when sampling begins later.
    void SetE0(double e0);
    // Takes a sample in; the first one after Clear sets E0 unless SetE0 did.
    void Add(double time, double kinetic, double potential);

    std::size_t Capacity() const { return FCapacity; }
    // The buckets, oldest first; only the last may hold fewer than Stride samples.
    const std::vector<TEnergyBucket>& Buckets() const { return FBuckets; }
    bool Empty() const { return FCount == 0; }
    // Samples taken in since the last Clear.
    std::int64_t Count() const { return FCount; }
    // The most recent sample.
    const TEnergySample& Last() const { return FLast; }
    // Samples per full bucket (1 until the first thinning).
    std::int64_t Stride() const { return FStride; }

    double E0() const { return FE0; }
    // (E - E0)/|E0|, or E - E0 when E0 is 0 (see RelativeDrift); rising with E.
    double Drift(double total) const;
    double Drift(const TEnergySample& sample) const { return Drift(sample.Total); }
    bool RelativeDrift() const { return FE0 != 0; }

private:
    std::size_t FCapacity;
    std::vector<TEnergyBucket> FBuckets;
    TEnergySample FLast;
    std::int64_t FCount = 0;
    std::int64_t FStride = 1;
    double FE0 = 0;
    bool FHasE0 = false;
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
    Q_OBJECT

public:
    explicit TfrmEnergyPlot(QWidget* parent, std::size_t capacity = TEnergyHistory::DefaultCapacity);

    // The history is cleared and the time-0 sample taken.
    void Restart(double time, double kinetic, double potential);
    // Sampling begins at the present after steps that were not sampled (the window was hidden
    // or not yet open): the history is cleared, so that no line joins across steps it never
    // saw, and E0, the energy at time 0 where it is known, stays the drift's reference.
    void Resume(std::optional<double> e0);
    // Takes a sample; the window is repainted at the next update().
    void AddSample(double time, double kinetic, double potential);
    // Called after every displayed step: takes the state's energies when the cost allows (see
    // above) and the step moved the time. Energies that cannot be computed are left out.
    void OfferStep(TSimData& sim);
    // Every how many steps OfferStep takes a sample at present.
    int SampleEvery() const { return FSampleEvery; }
    void ClearSamples();
    const TEnergyHistory& History() const { return FHistory; }

    // The picture as the window shows it, at its current size.
    QImage Picture();
    // How long the last repaint of the window took.
    std::chrono::nanoseconds PaintCost() const { return FPaintCost; }

signals:
    // The user closed the window (it is hidden, not destroyed).
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Draw(QPainter& painter, const QRect& area);

    void ResetPacing();
    static int SampleStride(const TSimData& sim);
    // Setups of up to this many particles are sampled at every displayed step.
    static constexpr int SampleEveryStepUpTo = 64;

    TEnergyHistory FHistory;
    // Every how many displayed steps a sample is taken (SampleStride), and the steps since
    // the last one.
    int FSampleEvery = 1;
    int FStepsSkipped = 0;
    std::chrono::nanoseconds FPaintCost{0};
};

}  // namespace kinetra::ui
