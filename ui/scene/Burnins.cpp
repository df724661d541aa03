// The burned-in texts and marks of an exported picture (see Burnins.h).
#include "ui/scene/Burnins.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "ui/scene/SceneMarks.h"
#include "ui/scene/ScenePaint.h"

namespace kinetra::ui {

namespace {

constexpr int Margin = 8;
constexpr int Pad = 4;

QString Number(double value) {
    return QString::fromStdString(FormatGeneral(value, 5));
}

// A text on a plate of the window colour; `anchor` gives the corner of the plate at `at`.
QRect DrawPlate(QPainter& painter, const QString& text, QPoint at, Qt::Alignment anchor,
                const QPalette& palette) {
    const QFontMetrics metrics(painter.font());
    QRect box(0, 0, metrics.horizontalAdvance(text) + 2 * Pad, metrics.height() + 2 * Pad - 2);
    if (anchor & Qt::AlignRight)
        box.moveRight(at.x());
    else
        box.moveLeft(at.x());
    if (anchor & Qt::AlignBottom)
        box.moveBottom(at.y());
    else
        box.moveTop(at.y());
    QColor back = palette.color(QPalette::Window);
    back.setAlpha(200);
    painter.fillRect(box, back);
    painter.setPen(palette.color(QPalette::WindowText));
    painter.drawText(box, Qt::AlignCenter, text);
    return box;
}

void DrawNames(QPainter& painter, QSize area, const TSimData& sim, const TScreenFrame& frame,
               const QPalette& palette) {
    const TParticlesList& particles = sim.Particles;
    const QFontMetrics metrics(painter.font());
    for (int i = 0; i < particles.Count(); ++i) {
        const TParticle& p = particles.Particles(i);
        if (p.Invisible || p.Name.empty()) continue;
        const TScreenPoint at = frame.WorldToScreen(p.Position);
        if (!at.Visible) continue;
        const int r = SceneImageSize(p.ImageSize);
        const QString name = QString::fromStdString(p.Name);
        const QPoint corner(at.X + r + 3, at.Y - r - 2);
        const QRect box = metrics.boundingRect(name).translated(corner);
        if (!box.intersects(QRect(QPoint(0, 0), area))) continue;
        // A thin halo of the window colour keeps the name legible over trails and discs.
        painter.setPen(palette.color(QPalette::Window));
        for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
            painter.drawText(corner + d, name);
        painter.setPen(PaletteColour(p.Image.ColourIndex).darker(130));
        painter.drawText(corner, name);
    }
}

void DrawScaleBar(QPainter& painter, QSize area, const TScreenFrame& frame, const QPalette& palette) {
    const double pixels = std::abs(frame.Scale());
    const double length = ScaleBarLength(pixels, area.width());
    if (length <= 0) return;
    const double bar = length * pixels;
    const QString label = Number(length);
    const QFontMetrics metrics(painter.font());
    const int height = metrics.height() + 12 + 2 * Pad;
    const int width = std::max(static_cast<int>(std::ceil(bar)), metrics.horizontalAdvance(label)) + 2 * Pad;
    const QRect box(Margin, area.height() - Margin - height, width, height);
    QColor back = palette.color(QPalette::Window);
    back.setAlpha(200);
    painter.fillRect(box, back);
    const QColor ink = palette.color(QPalette::WindowText);
    painter.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap));
    const double x0 = box.left() + Pad, y = box.bottom() - Pad - 4;
    painter.drawLine(QPointF(x0, y), QPointF(x0 + bar, y));
    painter.setPen(QPen(ink, 1));
    painter.drawLine(QPointF(x0, y - 4), QPointF(x0, y + 4));
    painter.drawLine(QPointF(x0 + bar, y - 4), QPointF(x0 + bar, y + 4));
    painter.drawText(QRect(box.left() + Pad, box.top() + Pad, width - 2 * Pad, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, label);
}

}  // namespace

QString TimeText(double time, const QString& unit) {
    QString text = QStringLiteral("t = ") + Number(time);
    if (!unit.isEmpty()) text += QLatin1Char(' ') + unit;
    return text;
}

QString MethodText(const TSimData& sim) {
    const double step = sim.SignedStep != 0 ? std::abs(sim.SignedStep) : sim.TimeStep;
    QString text = QString::fromStdString(sim.MethodName()) + QStringLiteral(", dt = ") + Number(step);
    if (sim.Cycles != 1)
        text += QStringLiteral(", ") + QString::number(sim.Cycles) + QStringLiteral(" cycles");
    return text;
}

double ScaleBarLength(double pixelsPerUnit, int width) {
    if (!(pixelsPerUnit > 0) || !std::isfinite(pixelsPerUnit) || width < 10) return 0;
    const double most = width / 5.0 / pixelsPerUnit;
    if (!(most > 0) || !std::isfinite(most)) return 0;
    return RoundScaleValue(most);
}

void DrawBurnins(QPainter& painter, QSize area, const TSimData& sim, const TScreenFrame& frame,
                 const TBurnins& burnins, const TSceneMarks* marks, const QFont& font,
                 const QPalette& palette) {
    if (!burnins.Any()) return;
    painter.save();
    painter.setFont(font);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (burnins.Names) DrawNames(painter, area, sim, frame, palette);
    int top = Margin;
    if (burnins.Time)
        top = DrawPlate(painter, TimeText(sim.Time, burnins.TimeUnit), QPoint(area.width() - Margin, top),
                        Qt::AlignRight | Qt::AlignTop, palette)
                  .bottom() +
              3;
    if (burnins.Method)
        DrawPlate(painter, MethodText(sim), QPoint(area.width() - Margin, top), Qt::AlignRight | Qt::AlignTop,
                  palette);
    if (burnins.ScaleBar) DrawScaleBar(painter, area, frame, palette);
    if (burnins.Legend && marks) DrawArrowLegend(painter, *marks, area, font, palette);
    painter.restore();
}

}  // namespace kinetra::ui
