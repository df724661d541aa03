// The bounded history of a plot's samples and the scales of its axes.
#include "ui/extras/PlotHistory.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/KNUtils.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

void TPlotRange::Add(std::int64_t at, double x, double value) {
    if (!std::isfinite(value)) return;
    if (Empty() || value < Min) {
        Min = value;
        MinX = x;
        MinAt = at;
    }
    if (MaxAt < 0 || value > Max) {
        Max = value;
        MaxX = x;
        MaxAt = at;
    }
}

void TPlotRange::Merge(const TPlotRange& later) {
    if (later.Empty()) return;
    if (Empty()) {
        *this = later;
        return;
    }
    // On a tie the earlier extreme stays, as if the samples had been taken in one by one.
    if (later.Min < Min) {
        Min = later.Min;
        MinX = later.MinX;
        MinAt = later.MinAt;
    }
    if (later.Max > Max) {
        Max = later.Max;
        MaxX = later.MaxX;
        MaxAt = later.MaxAt;
    }
}

TPlotHistory::TPlotHistory(std::size_t capacity, int series)
    : FCapacity(std::max<std::size_t>(2, capacity & ~std::size_t{1})), FSeries(std::max(1, series)) {
    Reset(FSeries);
}

void TPlotHistory::Clear() {
    FBuckets.clear();
    FRanges.clear();
    FLastX.assign(static_cast<std::size_t>(FSeries), 0);
    FLastY.assign(static_cast<std::size_t>(FSeries), 0);
    FLastTime = 0;
    FCount = 0;
    FStride = 1;
}

void TPlotHistory::Reset(int series) {
    FSeries = std::max(1, series);
    FBuckets.reserve(FCapacity);
    FRanges.reserve(FCapacity * static_cast<std::size_t>(FSeries));
    Clear();
}

void TPlotHistory::Add(double time, const double* x, const double* y) {
    const auto n = static_cast<std::size_t>(FSeries);
    std::copy(x, x + n, FLastX.begin());
    std::copy(y, y + n, FLastY.begin());
    FLastTime = time;
    const std::int64_t at = FCount++;
    if (FBuckets.empty() || FBuckets.back().Count == FStride) {
        if (FBuckets.size() == FCapacity) {
            // Every bucket is full: pairs merge into buckets of twice the size, all full again.
            std::size_t kept = 0;
            for (std::size_t i = 0; i + 1 < FBuckets.size(); i += 2) {
                TPlotBucket merged = FBuckets[i];
                merged.LastTime = FBuckets[i + 1].LastTime;
                merged.Count += FBuckets[i + 1].Count;
                for (std::size_t s = 0; s < n; ++s) {
                    TPlotRange range = FRanges[i * n + s];
                    range.Merge(FRanges[(i + 1) * n + s]);
                    FRanges[kept * n + s] = range;
                }
                FBuckets[kept++] = merged;
            }
            FBuckets.resize(kept);
            FRanges.resize(kept * n);
            FStride *= 2;
        }
        TPlotBucket bucket;
        bucket.FirstTime = time;
        FBuckets.push_back(bucket);
        FRanges.resize(FRanges.size() + n);
    }
    TPlotBucket& bucket = FBuckets.back();
    bucket.LastTime = time;
    ++bucket.Count;
    TPlotRange* ranges = &FRanges[FRanges.size() - n];
    for (std::size_t s = 0; s < n; ++s) ranges[s].Add(at, x[s], y[s]);
}

std::vector<std::pair<double, double>> TPlotHistory::Points(int series) const {
    std::vector<std::pair<double, double>> line;
    line.reserve(2 * FBuckets.size() + 1);
    for (std::size_t b = 0; b < FBuckets.size(); ++b) {
        const TPlotRange& r = Range(b, series);
        if (r.Empty()) continue;
        if (r.MinAt <= r.MaxAt) {
            line.emplace_back(r.MinX, r.Min);
            if (r.MaxAt != r.MinAt) line.emplace_back(r.MaxX, r.Max);
        } else {
            line.emplace_back(r.MaxX, r.Max);
            line.emplace_back(r.MinX, r.Min);
        }
    }
    const std::pair<double, double> last{LastX(series), LastY(series)};
    if (!Empty() && std::isfinite(last.second) && (line.empty() || line.back() != last)) line.push_back(last);
    return line;
}

// ---------------------------------------------------------------------------------------------
// Axis scales

TAxisScale ScaleAxis(double low, double high, int maxTicks) {
    TAxisScale scale;
    if (!std::isfinite(low) || !std::isfinite(high)) {
        low = -1;
        high = 1;
    }
    if (high < low) std::swap(low, high);
    const double magnitude = std::max(std::fabs(low), std::fabs(high));
    // A flat curve gets room of its own size around it; differences below the last digits a
    // label can show are treated as flat.
    const double least = magnitude * 1E-12;
    if (high - low <= least) {
        const double middle = low / 2 + high / 2;
        const double half = magnitude != 0 ? magnitude * 0.1 : 1;
        low = middle - half;
        high = middle + half;
    }
    const double room = (high - low) * 0.05;
    scale.Low = low - room;
    scale.High = high + room;
    if (!std::isfinite(scale.Low) || !std::isfinite(scale.High)) {
        scale.Low = low;
        scale.High = high;
    }

    const double raw = (scale.High - scale.Low) / std::max(1, maxTicks);
    if (!(raw > 0) || !std::isfinite(raw)) return scale;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / power;
    const double step = (norm < 1.5 ? 1 : norm < 3 ? 2 : norm < 7 ? 5 : 10) * power;
    const double first = std::ceil(scale.Low / step);
    const double last = std::floor(scale.High / step);
    if (!(last - first < 100)) return scale;
    double largest = 0;
    for (double k = first; k <= last; k += 1) {
        double value = k * step;
        // k * step is not exact: a tick meant to be 0 may come out as 1E-17.
        if (std::fabs(value) < step * 1E-6) value = 0;
        scale.Ticks.push_back(value);
        largest = std::max(largest, std::fabs(value));
    }
    // Enough digits to tell neighbouring ticks apart, and to write whole numbers below a million
    // plainly ("700", not "7E2").
    int digits = 1;
    if (largest != 0) {
        const int whole = static_cast<int>(std::floor(std::log10(largest))) + 1;
        const int needed = whole - static_cast<int>(std::floor(std::log10(step)));
        digits = std::clamp(std::max(needed, std::min(whole, 6)), 1, 15);
    }
    for (const double value : scale.Ticks) scale.Labels.push_back(ToQ(FormatGeneral(value, digits)));
    return scale;
}

}  // namespace kinetra::ui
