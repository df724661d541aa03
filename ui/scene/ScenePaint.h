// The scene's drawing primitives, shared by the drawing area and by the pictures drawn offscreen
// (exported images and animations): palette colours, the particle's picture, lines and
// rectangles cut to the picture before they reach the rasteriser.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <cstdint>

class QPainter;

namespace kinetra::ui {

QColor PaletteColour(int index);

// Projected points may lie up to 2e9 pixels away. The rasteriser is only exact for moderate
// coordinates, so far-away segments are clipped to a box around the image first
// (Liang-Barsky); segments within the box are drawn unchanged.
void DrawClippedLine(QPainter& painter, const QSize& size, double x1, double y1, double x2, double y2);

// A rectangle in 64-bit coordinates, cut to the image before it reaches Qt's 32-bit QRect.
void FillClipped(QPainter& painter, const QSize& size, std::int64_t x, std::int64_t y, std::int64_t w,
                 std::int64_t h, const QColor& colour);

// The picture size the scene works with. A file may hold any positive size, but drawn around a
// centre within the visible area (the only ones drawn) every picture larger than any screen
// looks the same; the cap keeps the corner (centre - size, with a centre clamped to 2e9) and
// the far edge (corner + 2 size) within 32 bits.
inline constexpr int kLargestSceneImage = 1 << 20;
int SceneImageSize(int size);

// A particle's disc of radius `size` in its palette colour with a 2-pixel outline in the
// background colour, on a transparent square of side 2 size.
QImage ParticlePicture(int colourIndex, int size, const QColor& background);
// Pictures up to this size are drawn once and kept; larger ones are drawn directly.
inline constexpr int kLargestKeptPicture = 64;
// The same disc drawn directly with its square's top-left corner at (x, y).
void DrawParticleDisc(QPainter& painter, int colourIndex, int size, int x, int y, const QColor& background);

}  // namespace kinetra::ui
