// The scene's drawing primitives (see ScenePaint.h).
#include "ui/scene/ScenePaint.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "base/KNConst.h"

namespace kinetra::ui {

QColor PaletteColour(int index) {
    const TRGB c = ParticleColours[static_cast<size_t>(std::clamp(index, 0, ColourCount - 1))];
    return QColor(c.R, c.G, c.B);
}

void DrawClippedLine(QPainter& painter, const QSize& size, double x1, double y1, double x2, double y2) {
    constexpr double kSafe = 16384;
    const auto inside = [&](double x, double y) { return std::abs(x) < kSafe && std::abs(y) < kSafe; };
    if (!inside(x1, y1) || !inside(x2, y2)) {
        const double xmin = -2, ymin = -2, xmax = size.width() + 2.0, ymax = size.height() + 2.0;
        const double dx = x2 - x1, dy = y2 - y1;
        double t0 = 0, t1 = 1;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
        for (int k = 0; k < 4; ++k) {
            if (p[k] == 0) {
                if (q[k] < 0) return;
            } else {
                const double t = q[k] / p[k];
                if (p[k] < 0)
                    t0 = std::max(t0, t);
                else
                    t1 = std::min(t1, t);
            }
        }
        if (t0 > t1) return;
        const double nx1 = x1 + t0 * dx, ny1 = y1 + t0 * dy;
        x2 = x1 + t1 * dx;
        y2 = y1 + t1 * dy;
        x1 = nx1;
        y1 = ny1;
    }
    painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void FillClipped(QPainter& painter, const QSize& size, std::int64_t x, std::int64_t y, std::int64_t w,
                 std::int64_t h, const QColor& colour) {
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(x + w, size.width());
    const std::int64_t bottom = std::min<std::int64_t>(y + h, size.height());
    if (left >= right || top >= bottom) return;
    painter.fillRect(QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                           static_cast<int>(bottom - top)),
                     colour);
}

int SceneImageSize(int size) {
    return std::min(size, kLargestSceneImage);
}

QImage ParticlePicture(int colourIndex, int size, const QColor& background) {
    QImage image(2 * size, 2 * size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(background, 2));
    p.setBrush(PaletteColour(colourIndex));
    // The 2-pixel outline is centred on the path, so the circle fills the square exactly.
    p.drawEllipse(QRectF(1, 1, 2.0 * size - 2, 2.0 * size - 2));
    return image;
}

void DrawParticleDisc(QPainter& painter, int colourIndex, int size, int x, int y, const QColor& background) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(background, 2));
    painter.setBrush(PaletteColour(colourIndex));
    painter.drawEllipse(QRectF(x + 1.0, y + 1.0, 2.0 * size - 2, 2.0 * size - 2));
    painter.restore();
}

}  // namespace kinetra::ui
