// What a picture of the scene can carry burned in, so that it explains itself away from the
// program: the simulated time, the names of the particles beside their discs, a scale bar of a
// round length, the numerical method with its time step, and the legend of the arrows. Each is
// drawn on a painter over a finished picture of the scene, in the palette's text colour on a
// half-transparent plate of its window colour, so it reads on any background.
#pragma once

#include <QFont>
#include <QPalette>
#include <QSize>
#include <QString>

class QPainter;

namespace kinetra {
class TSimData;
class TScreenFrame;
}  // namespace kinetra

namespace kinetra::ui {

struct TSceneMarks;

struct TBurnins {
    bool Time = false;
    bool Names = false;
    bool ScaleBar = false;
    bool Method = false;
    // The legend of the velocity and force arrows (only where arrows are drawn).
    bool Legend = false;
    // Appended to the time ("t = 12.5 s"); the setups themselves carry no unit.
    QString TimeUnit;

    bool Any() const { return Time || Names || ScaleBar || Method || Legend; }
};

// "t = 12.5" (the time in 5 significant digits) with " unit" when a unit is given.
QString TimeText(double time, const QString& unit);
// "RK4, dt = 0.001, 10 cycles": the method, the time step in use and the cycles per step.
QString MethodText(const TSimData& sim);

// The length of the scale bar in world units: the largest round value (1, 2 or 5 times a power
// of ten) whose bar is at most a fifth of the picture's width; 0 when the scale gives none.
double ScaleBarLength(double pixelsPerUnit, int width);

// Draws the chosen burn-ins for the state of `sim` seen through `frame` on a picture of `area`
// pixels. `marks` (may be null) gives the arrows whose legend is drawn. The time and method
// stand in the top right corner, the scale bar in the bottom left, the legend in the top left.
void DrawBurnins(QPainter& painter, QSize area, const TSimData& sim, const TScreenFrame& frame,
                 const TBurnins& burnins, const TSceneMarks* marks, const QFont& font,
                 const QPalette& palette);

}  // namespace kinetra::ui
