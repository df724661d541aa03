// TSceneRenderer: the scene of a simulation drawn offscreen, step by step, with the drawing
// area's own primitives: trail segments drawn after every step onto a trail layer that is ANDed
// over the background, the particles' discs in collection order, the centre-of-mass cross, the
// arrows and charge signs, and the burned-in texts. A picture depends only on the steps taken
// and the settings, never on the machine's speed.
//
// The drawing area draws incrementally (erasing only what moved); the renderer draws every
// picture whole. The two agree pixel for pixel wherever the drawing area has been refreshed,
// except where a disc moved by one pixel left an antialiased rim of its old picture behind.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPalette>
#include <QSize>
#include <cstdint>

class QPainter;
#include <map>
#include <utility>
#include <vector>

#include "frame/Frame.h"
#include "ui/scene/Burnins.h"

namespace kinetra {
class TSimData;
}

namespace kinetra::ui {

// Which particles draw trails: none, those whose ShowTrail is set, or all (as the window's
// trail modes).
enum class TRenderTrails : std::uint8_t { None, Selected, All };

struct TSceneLook {
    TRenderTrails Trails = TRenderTrails::Selected;
    bool CenterOfMass = false;
    bool VelocityArrows = false;
    bool ForceArrows = false;
    bool ChargeSigns = false;
    TBurnins Burnins;
    // The colours and the font of the texts; the background is the palette's window colour.
    QPalette Palette;
    QFont Font;
};

// What goes over a picture of the scene: the arrows and charge signs the look asks for, then the
// burn-ins (the legend of those arrows among them).
void DrawMarksAndBurnins(QPainter& painter, QSize area, const TSimData& sim, const TScreenFrame& frame,
                         const TSceneLook& look);

class TSceneRenderer {
public:
    // Draws `sim` as `frame` projects it onto a picture of `size` (the frame's drawing area
    // becomes that size).
    TSceneRenderer(const TSimData& sim, TScreenFrame& frame, QSize size, TSceneLook look);

    // The present places are where the trails begin; the trail layer is blank.
    void Start();
    // After every step: the trail segments from the places of the step before.
    void AfterStep();
    // The scene as it stands, with the burned-in texts.
    QImage Picture();
    // Puts a drawing area's trail layer under the trails to come, enlarged by `factor` about the
    // centre (a picture of a larger size or a finer scale of the same view).
    void AddTrails(const QImage& layer, double factor);

    QSize Size() const { return FSize; }

private:
    QColor Background() const { return FLook.Palette.color(QPalette::Window); }
    TScreenPoint ImagePosition(int particle) const;
    void DrawDisc(QPainter& painter, int particle, int x, int y);
    bool TrailOf(int particle) const;

    const TSimData& Sim;
    TScreenFrame& Frame;
    QSize FSize;
    TSceneLook FLook;
    std::vector<TScreenPoint> FScreenPos;
    QImage FTrails;
    bool FAnyTrails = false;
    std::map<std::pair<int, int>, QImage> ImageCache;
};

}  // namespace kinetra::ui
