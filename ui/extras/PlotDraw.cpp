// The drawing of a plot: the heading, the legend, one or two panels over one x axis, and the
// curves thinned to their outline per pixel column.
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/KNUtils.h"
#include "ui/document/UiText.h"
#include "ui/extras/PlotWindow.h"

namespace kinetra::ui {

namespace {

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

QColor SeriesColour(int index) {
    static const QColor colours[] = {QColor(200, 0, 0),   QColor(0, 0, 220),   QColor(0, 0, 0),
                                     QColor(0, 140, 0),   QColor(200, 120, 0), QColor(140, 0, 160),
                                     QColor(0, 150, 160), QColor(120, 80, 40)};
    return colours[index % 8];
}

QString TfrmPlot::Legend(std::size_t s) const {
    if (!FConfig.Series[s].Label.isEmpty()) return FConfig.Series[s].Label;
    if (s >= YNames.size()) return {};
    if (FConfig.Series[s].Y.Kind == TQuantityKind::Drift && !FConfig.Series[s].Y.Log)
        return RelativeDrift() ? QStringLiteral("Drift (E - E0)/|E0|")
                               : QStringLiteral("Drift E - E0 (E0 = 0)");
    return XTitle().isEmpty() ? YNames[s] + QStringLiteral(" against ") + XNames[s] : YNames[s];
}

QString TfrmPlot::XTitle() const {
    // One title when all series share their x quantity; else each legend says its own.
    for (std::size_t s = 1; s < FConfig.Series.size(); ++s)
        if (!(FConfig.Series[s].X == FConfig.Series[0].X)) return {};
    return XNames.empty() ? QString() : XNames[0];
}

QString TfrmPlot::Heading() const {
    const std::size_t n = FConfig.Series.size();
    if (FConfig.EnergyHeading && n >= 3) {
        const double total = FHistory.LastY(2);
        const double e0 = FE0.value_or(0);
        return QStringLiteral("E0 = ") + ToQ(FormatGeneral(e0, 10)) + QStringLiteral("     t = ") +
               ToQ(FormatGeneral(FHistory.LastTime(), 5)) + QStringLiteral("     total = ") +
               ToQ(FormatGeneral(total, 10)) +
               (RelativeDrift() ? QStringLiteral("     drift = ") : QStringLiteral("     E - E0 = ")) +
               ToQ(FormatGeneral(EnergyDrift(total, e0), 3));
    }
    QString heading = QStringLiteral("t = ") + ToQ(FormatGeneral(FHistory.LastTime(), 5));
    // The newest values while they fit one line.
    for (std::size_t s = 0; s < n && s < 3 && s < YNames.size(); ++s)
        heading += QStringLiteral("     ") + YNames[s] + QStringLiteral(" = ") +
                   ToQ(FormatGeneral(FHistory.LastY(static_cast<int>(s)), 6));
    return heading;
}

void TfrmPlot::Draw(QPainter& painter, const QRect& area) {
    painter.fillRect(area, palette().color(QPalette::Window));
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    const QColor text = palette().color(QPalette::WindowText);

    const std::size_t count = FConfig.Series.size();
    std::vector<std::vector<std::pair<double, double>>> lines(count);
    bool any = false, lower = false;
    for (std::size_t s = 0; s < count; ++s) {
        lines[s] = FHistory.Points(static_cast<int>(s));
        any = any || !lines[s].empty();
        lower = lower || FConfig.Series[s].Panel == 1;
    }
    if (!any) {
        painter.setPen(text);
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("No samples yet: run the simulation."));
        return;
    }

    const double inf = std::numeric_limits<double>::infinity();
    double xLow = inf, xHigh = -inf;
    double low[2] = {inf, inf}, high[2] = {-inf, -inf};
    for (std::size_t s = 0; s < count; ++s) {
        const int panel = FConfig.Series[s].Panel == 1 ? 1 : 0;
        for (const auto& [x, v] : lines[s]) {
            if (std::isfinite(x)) {
                xLow = std::min(xLow, x);
                xHigh = std::max(xHigh, x);
            }
            if (std::isfinite(v)) {
                low[panel] = std::min(low[panel], v);
                high[panel] = std::max(high[panel], v);
            }
        }
    }
    for (int p = 0; p < 2; ++p)
        if (low[p] > high[p]) low[p] = high[p] = 0;

    painter.setPen(text);
    painter.drawText(QRect(area.left() + 6, area.top() + 2, area.width() - 12, lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, Heading());

    // The legend: rows between the heading and the panels, where it hides no curve. Its
    // entries are laid out first, so the panels know the room left.
    std::vector<QPoint> places(count);
    int legendRows = 1;
    {
        int x = 0;
        const int room = std::max(100, area.width() - 80);
        for (std::size_t s = 0; s < count; ++s) {
            const int advance = 23 + metrics.horizontalAdvance(Legend(s)) + 18;
            if (x > 0 && x + advance > room) {
                x = 0;
                ++legendRows;
            }
            places[s] = QPoint(x, legendRows - 1);
            x += advance;
        }
    }

    // Vertical room first, so the tick counts fit the panels.
    const int top = area.top() + (legendRows + 1) * lineHeight + 10;
    const int bottom = area.bottom() - 2 * lineHeight - 6;
    const int gap = lower ? lineHeight + 4 : 0;
    const int available = std::max(40, bottom - top - gap);
    const int upperHeight = lower ? available * 3 / 5 : available;
    const int lowerHeight = available - upperHeight;
    const TAxisScale upperScale = ScaleAxis(low[0], high[0], std::max(2, upperHeight / (2 * lineHeight)));
    const TAxisScale lowerScale = ScaleAxis(low[1], high[1], std::max(2, lowerHeight / (2 * lineHeight)));

    int labelWidth = 0;
    for (const QString& label : upperScale.Labels)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    if (lower)
        for (const QString& label : lowerScale.Labels)
            labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    const int left = area.left() + labelWidth + 12;
    const int right = area.right() - 12;
    const int width = std::max(20, right - left);
    const QRect upperRect(left, top, width, upperHeight);
    const QRect lowerRect(left, top + upperHeight + gap, width, lowerHeight);
    const QRect& bottomRect = lower ? lowerRect : upperRect;
    const TAxisScale xScale = ScaleAxis(xLow, xHigh, std::max(2, width / 90));

    const TMapping tx{xScale.Low, xScale.High, double(left), double(left + width)};
    const auto drawPanel = [&](const QRect& rect, const TAxisScale& scale) {
        painter.fillRect(rect, Qt::white);
        const TMapping y{scale.Low, scale.High, double(rect.bottom()), double(rect.top())};
        painter.setPen(QPen(GridColour, 0));
        for (const double t : xScale.Ticks)
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
        for (const auto& [x, v] : line)
            if (std::isfinite(v) && std::isfinite(x)) envelope.Add(QPointF(tx(x), y(v)));
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

    const TMapping upperY = drawPanel(upperRect, upperScale);
    const TMapping lowerY = lower ? drawPanel(lowerRect, lowerScale) : upperY;
    // Zero as a reference line under the lower panel's drifts.
    if (lower && lowerScale.Low < 0 && lowerScale.High > 0) {
        painter.setPen(QPen(QColor(150, 150, 150), 0, Qt::DashLine));
        painter.drawLine(QPointF(lowerRect.left(), lowerY(0)), QPointF(lowerRect.right(), lowerY(0)));
    }
    for (std::size_t s = 0; s < count; ++s) {
        const TPlotSeries& series = FConfig.Series[s];
        const QRect& rect = series.Panel == 1 ? lowerRect : upperRect;
        const TMapping& y = series.Panel == 1 ? lowerY : upperY;
        curve(rect, y, series.Colour, series.PenWidth, lines[s]);
        // Against anything but the time a series may stay near one point (an orbit's elements):
        // its newest point is marked.
        const auto i = static_cast<int>(s);
        if (series.X.Kind != TQuantityKind::Time && !FHistory.Empty() && std::isfinite(FHistory.LastX(i)) &&
            std::isfinite(FHistory.LastY(i))) {
            painter.setPen(QPen(series.Colour, 0));
            painter.setBrush(series.Colour);
            painter.drawEllipse(QPointF(tx(FHistory.LastX(i)), y(FHistory.LastY(i))), 3, 3);
            painter.setBrush(Qt::NoBrush);
        }
    }

    // The x axis under the lowest panel.
    painter.setPen(text);
    for (size_t k = 0; k < xScale.Ticks.size(); ++k) {
        const double px = tx(xScale.Ticks[k]);
        painter.drawLine(QPointF(px, bottomRect.bottom()), QPointF(px, bottomRect.bottom() + 4));
        painter.drawText(QRectF(px - 60, bottomRect.bottom() + 4, 120, lineHeight),
                         Qt::AlignHCenter | Qt::AlignTop, xScale.Labels[k]);
    }
    painter.drawText(QRect(left, bottomRect.bottom() + 4 + lineHeight, width, lineHeight),
                     Qt::AlignHCenter | Qt::AlignTop, XTitle());

    const int legendTop = area.top() + lineHeight + 4;
    for (std::size_t s = 0; s < count; ++s) {
        const int x = left + places[s].x();
        const int rowTop = legendTop + places[s].y() * lineHeight;
        const int middle = rowTop + lineHeight / 2;
        painter.setPen(QPen(FConfig.Series[s].Colour, 2));
        painter.drawLine(x, middle, x + 18, middle);
        painter.setPen(text);
        painter.drawText(QRect(x + 23, rowTop, area.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         Legend(s));
    }
}

}  // namespace kinetra::ui
