// The bounded history of a plot and the scales of its axes.
//
// A plot takes samples: at a simulated time, one point (x, y) per series. The history holds
// buckets of consecutive samples, each keeping per series the point of least and of greatest y
// and when they came. When all buckets are taken, neighbouring pairs merge and each bucket from
// then on takes twice as many samples, so the buckets stay evenly spread over the whole run and
// memory stays fixed however long it goes. A curve is drawn through every bucket's extremes in
// the order they came: a swing faster than a bucket shows as a band between its true extremes,
// never as a false slow trend, and the newest sample ends the curves.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kinetra::ui {

// The extremes of one series over a bucket, with where they lie on the x axis and when they
// came (the sample's number counted from the last Clear, which orders them even when the time
// runs backwards). Points whose y is not finite are left out; a bucket without a finite value
// has an empty range.
struct TPlotRange {
    double Min = 0, Max = 0;
    double MinX = 0, MaxX = 0;
    std::int64_t MinAt = -1, MaxAt = -1;
    bool Empty() const { return MinAt < 0; }
    void Add(std::int64_t at, double x, double value);
    // `later` holds samples that came after this range's.
    void Merge(const TPlotRange& later);
};

struct TPlotBucket {
    double FirstTime = 0;
    double LastTime = 0;
    std::int64_t Count = 0;  // samples taken in
};

class TPlotHistory {
public:
    static constexpr std::size_t DefaultCapacity = 8192;

    // The capacity (in buckets) is made even and at least 2.
    explicit TPlotHistory(std::size_t capacity = DefaultCapacity, int series = 1);

    // Empties the history; the number of series stays.
    void Clear();
    // Empties the history for another number of series.
    void Reset(int series);
    // Takes a sample in: the series' points (x[k], y[k]).
    void Add(double time, const double* x, const double* y);

    int Series() const { return FSeries; }
    std::size_t Capacity() const { return FCapacity; }
    // The buckets, oldest first; only the last may hold fewer than Stride samples.
    const std::vector<TPlotBucket>& Buckets() const { return FBuckets; }
    const TPlotRange& Range(std::size_t bucket, int series) const {
        return FRanges[bucket * static_cast<std::size_t>(FSeries) + static_cast<std::size_t>(series)];
    }
    bool Empty() const { return FCount == 0; }
    // Samples taken in since the last Clear.
    std::int64_t Count() const { return FCount; }
    // Samples per full bucket (1 until the first thinning).
    std::int64_t Stride() const { return FStride; }
    // The most recent sample.
    double LastTime() const { return FLastTime; }
    double LastX(int series) const { return FLastX[static_cast<std::size_t>(series)]; }
    double LastY(int series) const { return FLastY[static_cast<std::size_t>(series)]; }
    // The points of a series as drawn: each bucket's extremes in the order they came, then the
    // newest sample, so that the curve ends at the current time.
    std::vector<std::pair<double, double>> Points(int series) const;

private:
    std::size_t FCapacity;
    int FSeries;
    std::vector<TPlotBucket> FBuckets;
    std::vector<TPlotRange> FRanges;  // Series() per bucket
    std::vector<double> FLastX, FLastY;
    double FLastTime = 0;
    std::int64_t FCount = 0;
    std::int64_t FStride = 1;
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

}  // namespace kinetra::ui
