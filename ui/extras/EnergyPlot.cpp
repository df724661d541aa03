// The energy plot: the bounded history of bucket extremes, the axis scales and the drawing.
#include "ui/extras/EnergyPlot.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

// ---------------------------------------------------------------------------------------------
// The history

void TEnergyRange::Add(std::int64_t at, double time, double value) {
    if (!std::isfinite(value)) return;
    if (Empty() || value < Min) {
        Min = value;
        MinTime = time;
        MinAt = at;
    }
    if (MaxAt < 0 || value > Max) {
        Max = value;
        MaxTime = time;
        MaxAt = at;
    }
}

void TEnergyRange::Merge(const TEnergyRange& later) {
    if (later.Empty()) return;
    if (Empty()) {
        *this = later;
        return;
    }
    // On a tie the earlier extreme stays, as if the samples had been taken in one by one.
    if (later.Min < Min) {
        Min = later.Min;
        MinTime = later.MinTime;
        MinAt = later.MinAt;
    }
    if (later.Max > Max) {
        Max = later.Max;
        MaxTime = later.MaxTime;
        MaxAt = later.MaxAt;
    }
}

TEnergyHistory::TEnergyHistory(std::size_t capacity)
    : FCapacity(std::max<std::size_t>(2, capacity & ~std::size_t{1})) {
    FBuckets.reserve(FCapacity);
}

void TEnergyHistory::Clear() {
    FBuckets.clear();
    FLast = TEnergySample();
    FCount = 0;
    FStride = 1;
    FE0 = 0;
    FHasE0 = false;
}

void TEnergyHistory::SetE0(double e0) {
    FE0 = e0;
    FHasE0 = true;
}

void TEnergyHistory::Add(double time, double kinetic, double potential) {
    const TEnergySample sample{time, kinetic, potential, kinetic + potential};
    if (!FHasE0) SetE0(sample.Total);
    FLast = sample;
    const std::int64_t at = FCount++;
    if (FBuckets.empty() || FBuckets.back().Count == FStride) {
        if (FBuckets.size() == FCapacity) {
            // Every bucket is full: pairs merge into buckets of twice the size, all full again.
            std::size_t kept = 0;
            for (std::size_t i = 0; i + 1 < FBuckets.size(); i += 2) {
                TEnergyBucket merged = FBuckets[i];
                const TEnergyBucket& later = FBuckets[i + 1];
                merged.LastTime = later.LastTime;
                merged.Count += later.Count;
                merged.Kinetic.Merge(later.Kinetic);
                merged.Potential.Merge(later.Potential);
                merged.Total.Merge(later.Total);
                FBuckets[kept++] = merged;
            }
            FBuckets.resize(kept);
            FStride *= 2;
        }
        TEnergyBucket bucket;
        bucket.FirstTime = time;
        FBuckets.push_back(bucket);
    }
    TEnergyBucket& bucket = FBuckets.back();
    bucket.LastTime = time;
    ++bucket.Count;
    bucket.Kinetic.Add(at, time, kinetic);
    bucket.Potential.Add(at, time, potential);
    bucket.Total.Add(at, time, sample.Total);
}

double TEnergyHistory::Drift(double total) const {
    const double difference = total - FE0;
    return FE0 != 0 ? difference / std::fabs(FE0) : difference;
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

// ---------------------------------------------------------------------------------------------
// The window

namespace {

const QColor KineticColour(200, 0, 0);
const QColor PotentialColour(0, 0, 220);
const QColor TotalColour(0, 0, 0);
const QColor DriftColour(0, 140, 0);
const QColor GridColour(225, 225, 225);

// Maps values of an axis onto pixels of a rectangle.
struct TMapping {
    double Low, High;
    double PixelLow, PixelHigh;
    double operator()(double v) const { return PixelLow + (v - Low) / (High - Low) * (PixelHigh - PixelLow); }
};

// Thousands of samples often share one pixel column: per column only the first, lowest,
// highest and last point are drawn, which keeps the outline of the curve exactly. The points
// are mapped and thinned in one pass, so that a repaint costs a few nanoseconds per bucket of
// the history and the drawing itself depends only on the plot's width.
class TEnvelope {
public:
    explicit TEnvelope(std::size_t capacity) { FLine.reserve(static_cast<int>(capacity)); }

    void Add(const QPointF& point) {
        ++FPoints;
        const double column = std::floor(point.x());
        if (FCount > 0 && column == FColumn) {
            // The first of equal extremes stays, as a point taken in before it.
            if (point.y() < FLowest.y()) {
                FLowest = point;
                FLowestAt = FCount;
            }
            if (point.y() > FHighest.y()) {
                FHighest = point;
                FHighestAt = FCount;
            }
            FLast = point;
            ++FCount;
            return;
        }
        Flush();
        FColumn = column;
        FFirst = FLowest = FHighest = FLast = point;
        FLowestAt = FHighestAt = 0;
        FCount = 1;
    }

    // The outline; the number of points that went in.
    QPolygonF Finish() {
        Flush();
        return std::move(FLine);
    }
    std::size_t Points() const { return FPoints; }
    const QPointF& Only() const { return FFirst; }

private:
    void Flush() {
        if (FCount == 0) return;
        const std::int64_t last = FCount - 1;
        FLine << FFirst;
        if (FLowestAt < FHighestAt) {
            if (FLowestAt != 0) FLine << FLowest;
            if (FHighestAt != last) FLine << FHighest;
        } else {
            if (FHighestAt != 0) FLine << FHighest;
            if (FLowestAt != last) FLine << FLowest;
        }
        if (last != 0) FLine << FLast;
        FCount = 0;
    }

    QPolygonF FLine;
    double FColumn = 0;
    QPointF FFirst, FLowest, FHighest, FLast;
    std::int64_t FLowestAt = 0, FHighestAt = 0, FCount = 0;
    std::size_t FPoints = 0;
};

}  // namespace

TfrmEnergyPlot::TfrmEnergyPlot(QWidget* parent, std::size_t capacity)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      FHistory(capacity) {
    setWindowTitle(QStringLiteral("Energy plot"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (parent) setFont(parent->font());
    setMinimumSize(260, 200);
    resize(560, 400);
}

void TfrmEnergyPlot::Restart(double time, double kinetic, double potential) {
    FHistory.Clear();
    FHistory.Add(time, kinetic, potential);
    ResetPacing();
    update();
}

void TfrmEnergyPlot::Resume(std::optional<double> e0) {
    FHistory.Clear();
    if (e0) FHistory.SetE0(*e0);
    ResetPacing();
    update();
}

void TfrmEnergyPlot::AddSample(double time, double kinetic, double potential) {
    FHistory.Add(time, kinetic, potential);
}

void TfrmEnergyPlot::ResetPacing() {
    FSampleEvery = 1;
    FStepsSkipped = 0;
}

int TfrmEnergyPlot::SampleStride(const TSimData& sim) {
    // A sample is about one pass over the pairs of particles, a displayed step at least Cycles
    // such passes. Small setups spend their steps on other work and sample every step; with
    // many particles a stride keeps sampling under about a tenth of the run. The stride
    // depends only on the setup, never on the clock, so a run samples the same steps every time.
    if (sim.Particles.Count() <= SampleEveryStepUpTo) return 1;
    int stride = 1;
    while (stride < 1024 && stride * sim.Cycles < 10) stride *= 2;
    return stride;
}

void TfrmEnergyPlot::OfferStep(TSimData& sim) {
    FSampleEvery = SampleStride(sim);
    if (++FStepsSkipped < FSampleEvery) return;
    FStepsSkipped = 0;
    if (!FHistory.Empty() && FHistory.Last().Time == sim.Time) return;
    double kinetic = 0, potential = 0;
    try {
        kinetic = sim.KineticEnergy();
        potential = sim.PotentialEnergy();
    } catch (const EMathError&) {
        // The window only watches: a state whose energy the arithmetic cannot express (a body
        // on top of another) is no sample, and the run goes on as it would without the plot.
        return;
    }
    FHistory.Add(sim.Time, kinetic, potential);
}

void TfrmEnergyPlot::ClearSamples() {
    FHistory.Clear();
    ResetPacing();
    update();
}

QImage TfrmEnergyPlot::Picture() {
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    Draw(painter, image.rect());
    return image;
}

void TfrmEnergyPlot::paintEvent(QPaintEvent*) {
    QElapsedTimer clock;
    clock.start();
    {
        QPainter painter(this);
        Draw(painter, rect());
    }
    FPaintCost = std::chrono::nanoseconds(clock.nsecsElapsed());
}

void TfrmEnergyPlot::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

void TfrmEnergyPlot::Draw(QPainter& painter, const QRect& area) {
    painter.fillRect(area, palette().color(QPalette::Window));
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    const QColor text = palette().color(QPalette::WindowText);

    // The points of a series: each bucket's extremes in the order they came, then the newest
    // sample, so that the curve ends at the current time.
    const auto points = [this](TEnergyRange TEnergyBucket::*series, double TEnergySample::*value) {
        std::vector<std::pair<double, double>> line;  // (time, value)
        line.reserve(2 * FHistory.Buckets().size() + 1);
        for (const TEnergyBucket& bucket : FHistory.Buckets()) {
            const TEnergyRange& r = bucket.*series;
            if (r.Empty()) continue;
            if (r.MinAt <= r.MaxAt) {
                line.emplace_back(r.MinTime, r.Min);
                if (r.MaxAt != r.MinAt) line.emplace_back(r.MaxTime, r.Max);
            } else {
                line.emplace_back(r.MaxTime, r.Max);
                line.emplace_back(r.MinTime, r.Min);
            }
        }
        const TEnergySample& last = FHistory.Last();
        if (!FHistory.Empty() && std::isfinite(last.*value) &&
            (line.empty() || line.back() != std::pair{last.Time, last.*value}))
            line.emplace_back(last.Time, last.*value);
        return line;
    };
    const std::vector<std::pair<double, double>> kinetic =
        points(&TEnergyBucket::Kinetic, &TEnergySample::Kinetic);
    const std::vector<std::pair<double, double>> potential =
        points(&TEnergyBucket::Potential, &TEnergySample::Potential);
    std::vector<std::pair<double, double>> total = points(&TEnergyBucket::Total, &TEnergySample::Total);
    // The drift rises with the total, so the total's extremes are the drift's.
    std::vector<std::pair<double, double>> drift = total;
    for (auto& point : drift) point.second = FHistory.Drift(point.second);

    if (kinetic.empty() && potential.empty() && total.empty()) {
        painter.setPen(text);
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("No samples yet: run the simulation."));
        return;
    }

    const TEnergySample& last = FHistory.Last();
    const bool relative = FHistory.RelativeDrift();
    const auto range = [](const std::vector<std::pair<double, double>>& line, double& tLow, double& tHigh,
                          double& low, double& high) {
        for (const auto& [t, v] : line) {
            tLow = std::min(tLow, t);
            tHigh = std::max(tHigh, t);
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
    };
    const double inf = std::numeric_limits<double>::infinity();
    double tLow = inf, tHigh = -inf, eLow = inf, eHigh = -inf, dLow = inf, dHigh = -inf;
    range(kinetic, tLow, tHigh, eLow, eHigh);
    range(potential, tLow, tHigh, eLow, eHigh);
    range(total, tLow, tHigh, eLow, eHigh);
    range(drift, tLow, tHigh, dLow, dHigh);
    if (dLow > dHigh) dLow = dHigh = 0;

    // The heading: E0 and where the run stands.
    const QString heading = QStringLiteral("E0 = ") + ToQ(FormatGeneral(FHistory.E0(), 10)) +
                            QStringLiteral("     t = ") + ToQ(FormatGeneral(last.Time, 5)) +
                            QStringLiteral("     total = ") + ToQ(FormatGeneral(last.Total, 10)) +
                            (relative ? QStringLiteral("     drift = ") : QStringLiteral("     E - E0 = ")) +
                            ToQ(FormatGeneral(FHistory.Drift(last), 3));
    painter.setPen(text);
    painter.drawText(QRect(area.left() + 6, area.top() + 2, area.width() - 12, lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, heading);

    // Vertical room first, so the tick counts fit the panels.
    const int top = area.top() + 2 * lineHeight + 10;
    const int bottom = area.bottom() - 2 * lineHeight - 6;
    const int gap = lineHeight + 4;
    const int available = std::max(40, bottom - top - gap);
    const int energyHeight = available * 3 / 5;
    const int driftHeight = available - energyHeight;
    const TAxisScale energyScale = ScaleAxis(eLow, eHigh, std::max(2, energyHeight / (2 * lineHeight)));
    const TAxisScale driftScale = ScaleAxis(dLow, dHigh, std::max(2, driftHeight / (2 * lineHeight)));

    int labelWidth = 0;
    for (const QString& label : energyScale.Labels)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    for (const QString& label : driftScale.Labels)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    const int left = area.left() + labelWidth + 12;
    const int right = area.right() - 12;
    const int width = std::max(20, right - left);
    const QRect energyRect(left, top, width, energyHeight);
    const QRect driftRect(left, top + energyHeight + gap, width, driftHeight);
    const TAxisScale timeScale = ScaleAxis(tLow, tHigh, std::max(2, width / 90));

    const TMapping tx{timeScale.Low, timeScale.High, double(left), double(left + width)};
    const auto drawPanel = [&](const QRect& rect, const TAxisScale& scale) {
        painter.fillRect(rect, Qt::white);
        const TMapping y{scale.Low, scale.High, double(rect.bottom()), double(rect.top())};
        painter.setPen(QPen(GridColour, 0));
        for (const double t : timeScale.Ticks)
            painter.drawLine(QPointF(tx(t), rect.top()), QPointF(tx(t), rect.bottom()));
        for (size_t k = 0; k < scale.Ticks.size(); ++k) {
            const double py = y(scale.Ticks[k]);
            painter.setPen(QPen(GridColour, 0));
            painter.drawLine(QPointF(rect.left(), py), QPointF(rect.right(), py));
            painter.setPen(text);
            painter.drawLine(QPointF(rect.left() - 4, py), QPointF(rect.left(), py));
            painter.drawText(
                QRectF(area.left(), py - lineHeight / 2.0, rect.left() - 6 - area.left(), lineHeight),
                Qt::AlignRight | Qt::AlignVCenter, scale.Labels[k]);
        }
        painter.setPen(QPen(text, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect);
        return y;
    };
    const auto curve = [&](const QRect& rect, const TMapping& y, const QColor& colour, int penWidth,
                           const std::vector<std::pair<double, double>>& line) {
        TEnvelope envelope(std::min<std::size_t>(line.size(), 4 * static_cast<std::size_t>(width) + 8));
        for (const auto& [t, v] : line)
            if (std::isfinite(v)) envelope.Add(QPointF(tx(t), y(v)));
        if (envelope.Points() == 0) return;
        painter.save();
        painter.setClipRect(rect.adjusted(1, 1, 0, 0));
        if (envelope.Points() == 1) {
            painter.setPen(QPen(colour, penWidth));
            painter.drawEllipse(envelope.Only(), 2, 2);
        } else {
            // A wide pen goes through the general stroker, many times dearer than the thin
            // line's rasteriser for a curve of a few thousand corners: a thick curve is drawn as
            // thin ones side by side.
            painter.setPen(QPen(colour, 0));
            const QPolygonF outline = envelope.Finish();
            for (int k = 0; k < penWidth; ++k) {
                painter.drawPolyline(outline);
                painter.translate(0, 1);
            }
        }
        painter.restore();
    };

    const TMapping energyY = drawPanel(energyRect, energyScale);
    const TMapping driftY = drawPanel(driftRect, driftScale);
    // Zero drift as a reference line.
    if (driftScale.Low < 0 && driftScale.High > 0) {
        painter.setPen(QPen(QColor(150, 150, 150), 0, Qt::DashLine));
        painter.drawLine(QPointF(driftRect.left(), driftY(0)), QPointF(driftRect.right(), driftY(0)));
    }
    curve(energyRect, energyY, KineticColour, 1, kinetic);
    curve(energyRect, energyY, PotentialColour, 1, potential);
    curve(energyRect, energyY, TotalColour, 2, total);
    curve(driftRect, driftY, DriftColour, 1, drift);

    // The time axis under the drift panel.
    painter.setPen(text);
    for (size_t k = 0; k < timeScale.Ticks.size(); ++k) {
        const double px = tx(timeScale.Ticks[k]);
        painter.drawLine(QPointF(px, driftRect.bottom()), QPointF(px, driftRect.bottom() + 4));
        painter.drawText(QRectF(px - 60, driftRect.bottom() + 4, 120, lineHeight),
                         Qt::AlignHCenter | Qt::AlignTop, timeScale.Labels[k]);
    }
    painter.drawText(QRect(left, driftRect.bottom() + 4 + lineHeight, width, lineHeight),
                     Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Time"));

    // The legend: one row between the heading and the panels, where it hides no curve.
    const std::pair<QString, QColor> entries[] = {
        {QStringLiteral("Kinetic"), KineticColour},
        {QStringLiteral("Potential"), PotentialColour},
        {QStringLiteral("Total"), TotalColour},
        {relative ? QStringLiteral("Drift (E - E0)/|E0|") : QStringLiteral("Drift E - E0 (E0 = 0)"),
         DriftColour},
    };
    int x = left;
    const int legendTop = area.top() + lineHeight + 4;
    for (const auto& [label, colour] : entries) {
        const int middle = legendTop + lineHeight / 2;
        painter.setPen(QPen(colour, 2));
        painter.drawLine(x, middle, x + 18, middle);
        painter.setPen(text);
        const int labelAdvance = metrics.horizontalAdvance(label);
        painter.drawText(QRect(x + 23, legendTop, width + 2, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         label);
        x += 23 + labelAdvance + 18;
    }
}

}  // namespace kinetra::ui
