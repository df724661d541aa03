// The energy plot: the bounded, evenly thinned history of bucket extremes, the drift against E0 (absolute
// when E0 is 0), the axis ticks, and that the picture shows the curves.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>

#include "ui/extras/EnergyPlot.h"

namespace kinetra::ui::test {
namespace {

// Takes in an energy sample as the energy plot does: kinetic, potential and total over time.
void AddEnergy(TPlotHistory& history, double time, double kinetic, double potential) {
    const double x[3] = {time, time, time};
    const double y[3] = {kinetic, potential, kinetic + potential};
    history.Add(time, x, y);
}

// Every bucket but the last holds Stride samples, and together they hold every sample taken.
void ExpectEvenBuckets(const TPlotHistory& history) {
    const auto& buckets = history.Buckets();
    ASSERT_FALSE(buckets.empty());
    std::int64_t count = 0;
    for (size_t i = 0; i < buckets.size(); ++i) {
        if (i + 1 < buckets.size()) {
            ASSERT_EQ(buckets[i].Count, history.Stride()) << "bucket " << i;
        }
        ASSERT_LE(buckets[i].Count, history.Stride());
        count += buckets[i].Count;
    }
    EXPECT_EQ(count, history.Count());
    EXPECT_EQ(buckets.back().LastTime, history.LastTime());
}

TEST(PlotHistory, StaysWithinItsCapacityAndThinsEvenly) {
    for (const auto& [capacity, offered, kept, stride] :
         {std::tuple{std::size_t{8}, 1000, 8u, 128}, std::tuple{std::size_t{7}, 50, 4u, 16},
          std::tuple{std::size_t{1}, 50, 2u, 32}, std::tuple{std::size_t{0}, 5, 2u, 4},
          std::tuple{TPlotHistory::DefaultCapacity, 250000, 7813u, 32}}) {
        TPlotHistory history(capacity, 3);
        EXPECT_EQ(history.Capacity() % 2, 0u);
        EXPECT_GE(history.Capacity(), 2u);
        for (int n = 0; n < offered; ++n) {
            AddEnergy(history, n, n % 7, -2);
            if (offered <= 1000) {
                ASSERT_LE(history.Buckets().size(), history.Capacity()) << "after " << n;
                ExpectEvenBuckets(history);
            }
        }
        ExpectEvenBuckets(history);
        EXPECT_EQ(history.Buckets().size(), kept) << capacity;
        EXPECT_EQ(history.Stride(), stride) << capacity;
        EXPECT_EQ(history.Count(), offered);
    }
}

// A swing far faster than a bucket keeps its true extremes in every bucket: a band, not a
// slow wave that sampling every k-th value would draw.
TEST(PlotHistory, BucketsKeepTheExtremesOfFastSwingsInTheOrderTheyCame) {
    TPlotHistory history(16, 3);
    const double pi = std::acos(-1.0);
    for (int n = 0; n < 10000; ++n) {
        const double k = 1 + std::sin(n * 2 * pi / 37.3);  // period 37.3 samples, 0..2
        AddEnergy(history, n * 0.01, k, n == 5000 ? std::nan("") : -k);
    }
    EXPECT_EQ(history.Stride(), 1024);
    for (std::size_t i = 0; i < history.Buckets().size(); ++i) {
        const TPlotBucket& b = history.Buckets()[i];
        const TPlotRange &kinetic = history.Range(i, 0), &potential = history.Range(i, 1);
        if (b.Count < 40) continue;
        EXPECT_GT(kinetic.Max, 1.999);
        EXPECT_LT(kinetic.Min, 0.001);
        EXPECT_EQ(potential.Min, -kinetic.Max);
        EXPECT_EQ(potential.MaxX, kinetic.MinX);
        EXPECT_LE(b.FirstTime, kinetic.MinX);
        EXPECT_GE(b.LastTime, kinetic.MaxX);
        EXPECT_EQ(kinetic.MinAt < kinetic.MaxAt, kinetic.MinX < kinetic.MaxX);
    }
    // A not-finite value is left out of its series only.
    EXPECT_TRUE(std::isfinite(history.Range(4, 1).Min));

    // A rising ramp keeps its order: minimum first.
    TPlotHistory ramp(4, 3);
    for (int n = 0; n < 100; ++n) AddEnergy(ramp, n, n, 0);
    for (std::size_t i = 0; i < ramp.Buckets().size(); ++i) {
        EXPECT_EQ(ramp.Range(i, 0).MinX, ramp.Buckets()[i].FirstTime);
        EXPECT_EQ(ramp.Range(i, 0).MaxX, ramp.Buckets()[i].LastTime);
        EXPECT_LE(ramp.Range(i, 0).MinAt, ramp.Range(i, 0).MaxAt);
    }

    // Backwards times are kept in the order they came.
    TPlotHistory backwards;
    for (int n = 0; n < 5; ++n) AddEnergy(backwards, -n * 0.5, 1, 0);
    ASSERT_EQ(backwards.Buckets().size(), 5u);
    EXPECT_EQ(backwards.Buckets().back().FirstTime, -2);
}

TEST(EnergyPlot, DriftIsRelativeToE0AndAbsoluteWhenE0IsZero) {
    TfrmEnergyPlot plot(nullptr, 64);
    plot.Restart(0, 1, -3);    // E0 = -2
    plot.AddSample(1, 1, -2);  // E = -1
    EXPECT_TRUE(plot.RelativeDrift());
    EXPECT_EQ(plot.History().LastY(3), 0.5);

    plot.Restart(0, 1, -1);  // E0 = 0
    plot.AddSample(0.5, 1.25, -1);
    EXPECT_FALSE(plot.RelativeDrift());
    EXPECT_EQ(plot.E0(), 0);
    EXPECT_EQ(plot.History().LastY(3), 0.25);
    EXPECT_EQ(plot.History().Range(0, 3).Min, 0);
}

TEST(EnergyAxis, TicksAreRoundNumbersInTheGeneralFormat) {
    const TAxisScale unit = ScaleAxis(0, 1, 5);
    EXPECT_LT(unit.Low, 0);
    EXPECT_GT(unit.High, 1);
    ASSERT_EQ(unit.Labels.size(), 6u);
    EXPECT_EQ(unit.Labels.front(), QStringLiteral("0"));
    EXPECT_EQ(unit.Labels[3], QStringLiteral("0.6"));
    EXPECT_EQ(unit.Labels.back(), QStringLiteral("1"));

    const TAxisScale tiny = ScaleAxis(-3e-7, 2e-7, 5);
    EXPECT_NE(std::find(tiny.Labels.begin(), tiny.Labels.end(), QStringLiteral("-2E-7")), tiny.Labels.end());
    EXPECT_NE(std::find(tiny.Labels.begin(), tiny.Labels.end(), QStringLiteral("0")), tiny.Labels.end());

    // Whole numbers below a million are written plainly, larger ones in scientific notation.
    const TAxisScale hundreds = ScaleAxis(0, 700, 7);
    EXPECT_NE(std::find(hundreds.Labels.begin(), hundreds.Labels.end(), QStringLiteral("300")),
              hundreds.Labels.end());
    const TAxisScale big = ScaleAxis(0, 3e9, 3);
    EXPECT_NE(std::find(big.Labels.begin(), big.Labels.end(), QStringLiteral("1E9")), big.Labels.end());

    // Close values far from zero get the digits that tell them apart.
    const TAxisScale close = ScaleAxis(1.28731, 1.28739, 4);
    ASSERT_GE(close.Labels.size(), 2u);
    EXPECT_NE(close.Labels[0], close.Labels[1]);
    for (size_t k = 0; k < close.Ticks.size(); ++k) {
        EXPECT_GE(close.Ticks[k], close.Low);
        EXPECT_LE(close.Ticks[k], close.High);
    }
}

TEST(EnergyAxis, FlatAndBrokenRangesStillGiveAnAxis) {
    for (const auto& [low, high] :
         {std::pair{0.0, 0.0}, std::pair{-1.2873, -1.2873}, std::pair{5.0, 5.0 + 1e-15},
          std::pair{std::nan(""), 1.0}, std::pair{2.0, 1.0}}) {
        const TAxisScale s = ScaleAxis(low, high, 5);
        EXPECT_LT(s.Low, s.High) << low << " " << high;
        EXPECT_FALSE(s.Ticks.empty()) << low << " " << high;
        EXPECT_EQ(s.Ticks.size(), s.Labels.size());
    }
}

int CountColour(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu)) ++count;
    return count;
}

TEST(EnergyPlotWindow, IsAnAlwaysOnTopToolWindowThatDrawsItsCurves) {
    TfrmEnergyPlot plot(nullptr, 64);
    EXPECT_EQ(plot.windowTitle(), QStringLiteral("Energy plot"));
    EXPECT_TRUE(plot.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(plot.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    plot.resize(500, 380);

    const QRgb kinetic = qRgb(200, 0, 0), potential = qRgb(0, 0, 220), drift = qRgb(0, 140, 0);
    // Before any sample: no curve at all.
    QImage empty = plot.Picture();
    EXPECT_EQ(CountColour(empty, kinetic), 0);

    plot.Restart(0, 0.5, -1.5);
    for (int n = 1; n <= 300; ++n) {
        const double k = 0.5 + 0.25 * std::sin(n * 0.05);
        plot.AddSample(n * 0.01, k, -1 - k + n * 1e-4);
    }
    EXPECT_LE(plot.History().Buckets().size(), 64u);
    const QImage picture = plot.Picture();
    EXPECT_GT(CountColour(picture, kinetic), 100);
    EXPECT_GT(CountColour(picture, potential), 100);
    EXPECT_GT(CountColour(picture, drift), 100);

    // A rewind starts a new history with its own E0.
    plot.Restart(0, 2, -1);
    EXPECT_EQ(plot.E0(), 1);
    EXPECT_EQ(plot.History().Buckets().size(), 1u);
    plot.ClearSamples();
    EXPECT_TRUE(plot.History().Empty());

    // Resumed after steps it did not see: empty, with the E0 it is given, or else the first
    // sample's.
    for (const auto& [given, e0] :
         {std::pair{std::optional<double>(-3), -3.0}, std::pair{std::optional<double>(), 0.5}}) {
        plot.Restart(0, 2, -1);
        plot.Resume(given);
        EXPECT_TRUE(plot.History().Empty());
        plot.AddSample(7, 1, -0.5);
        EXPECT_EQ(plot.E0(), e0);
        EXPECT_EQ(plot.History().Buckets().front().FirstTime, 7);
    }
}

// A single sample's spike in a long run, after the history has merged its buckets many times,
// and drawn at several widths (many samples to a pixel column): the curve still reaches it.
TEST(EnergyPlotWindow, ASpikeOfOneSampleSurvivesThinningAtEveryWidth) {
    TfrmEnergyPlot plot(nullptr, 64);
    const QRgb kinetic = qRgb(200, 0, 0);
    plot.Restart(0, 1, -1);
    for (int n = 1; n <= 200000; ++n) plot.AddSample(n * 0.01, n == 123457 ? 3 : 1, -1);
    for (const QSize size : {QSize(300, 380), QSize(800, 380), QSize(520, 600)}) {
        plot.resize(size);
        const QImage picture = plot.Picture();
        // The flat curve and the legend's sample line are a pixel or two high in any column;
        // the spike from 1 up to 3 on a scale of -1 to 3 is about half the energy panel, a
        // tenth of the window or more.
        int tallest = 0;
        for (int x = 0; x < picture.width(); ++x) {
            int column = 0;
            for (int y = 0; y < picture.height(); ++y)
                if ((picture.pixel(x, y) & 0xFFFFFFu) == (kinetic & 0xFFFFFFu)) ++column;
            tallest = std::max(tallest, column);
        }
        EXPECT_GT(tallest, size.height() / 16) << size.width() << " x " << size.height();
    }
}

}  // namespace
}  // namespace kinetra::ui::test
