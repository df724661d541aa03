// What the scene can show on top of the particles: velocity and force arrows, "+" and "-" on
// charged particles, the ring around a selected particle, and the legend of the arrows' scales.
//
// The marks are drawn on a transparent layer over the drawing area (TSceneOverlay), never on the
// canvas itself: the canvas keeps the incremental picture of particles and trails exactly as it
// is without them, and the marks are computed afresh from the state whenever the drawing area is
// repainted (at every refresh of a run, and after every view change).
//
// Arrows lie in the screen plane: the components of a vector along the frame's two drawn
// dimensions, turned as the picture is (a negative scale turns it by half a turn). Velocities are
// taken relative to the frame (a frame that follows a particle or the centre of mass moves with
// its velocity); accelerations are the force law's at the current positions (the force divided by
// the mass, so massless particles have arrows too). Each kind has one scale for the whole scene:
// the longest arrow of the visible particles is an eighth of the drawing area's smaller side.
#pragma once

#include <QColor>
#include <QFont>
#include <QLineF>
#include <QPalette>
#include <QPoint>
#include <QSize>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class QPainter;

namespace kinetra {
class TSimData;
class TScreenFrame;
}  // namespace kinetra

namespace kinetra::ui {

// One arrow: from the particle's centre to the tip, in pixels; it is drawn from the edge of the
// particle's picture (radius) on.
struct TArrow {
    QLineF Line;
    int Radius = 0;
    int Particle = -1;  // the particle's index in the collection
};

// The arrows of one kind and their scale in pixels per unit (0: no arrows, as every vector is
// zero or nothing is visible).
struct TArrowSet {
    std::vector<TArrow> Arrows;
    double PixelsPerUnit = 0;
};

struct TChargeMark {
    QPoint Centre;
    int Radius = 0;  // the particle picture's
    int Sign = 0;    // +1 or -1
    QColor Disc;
};

struct TSceneMarks {
    TArrowSet Velocity;
    TArrowSet Force;
    std::vector<TChargeMark> Charges;
};

// Arrows shorter than this many pixels are not drawn (a dot says nothing).
inline constexpr double ShortestArrow = 3;

// The marks of the visible particles whose centres project onto the drawing area's margin zone
// (TScreenPoint::Visible). A velocityScale above 0 replaces the velocity arrows' own scale (while
// a drag sets a velocity, the arrow under the cursor keeps its scale).
TSceneMarks ComputeSceneMarks(const TSimData& sim, const TScreenFrame& frame, bool velocity, bool force,
                              bool charges, double velocityScale = 0);

// The velocity of the frame's origin: zero for the fixed origin, the centre of mass's or the
// followed particle's velocity otherwise.
std::vector<double> FrameVelocity(const TSimData& sim, const TScreenFrame& frame);

// A colour that stands out on the disc colour (black on light discs, white on dark ones).
QColor ContrastColour(const QColor& disc);
// The largest round value (1, 2 or 5 times a power of ten) not above `value` (> 0).
double RoundScaleValue(double value);

// Drawing helpers, each with its own pen and brush (the painter's are restored).
void DrawArrow(QPainter& painter, const QLineF& line, const QColor& colour);
// The arrow's part outside the particle's picture (nothing when the tip lies within it).
void DrawArrow(QPainter& painter, const TArrow& arrow, const QColor& colour);
// On the disc in ContrastColour with a halo of the other of black and white; beside a disc too
// small to hold it, up and to the right, black on a white halo.
void DrawChargeSign(QPainter& painter, const TChargeMark& mark);
// Discs of at least this radius carry their sign on them.
inline constexpr int SignOnDiscRadius = 8;
// A ring around the picture of radius `radius` centred on `centre`, dark with a light halo,
// seen on every background and every palette colour.
void DrawSelectionRing(QPainter& painter, QPoint centre, int radius);

// The legend of the arrows' scales in the top left corner of a drawing area of size `area`: per
// kind of arrow its name, an arrow of a round value and that value.
void DrawArrowLegend(QPainter& painter, const TSceneMarks& marks, QSize area, const QFont& font,
                     const QPalette& palette);

// The layer over the drawing area that shows the marks. It lets the mouse through and is hidden
// while nothing is to be drawn, so the drawing area is then exactly as without it.
class TSceneOverlay : public QWidget {
public:
    // `sim` and `frame` give the current setup's objects (or null without a setup) each time
    // the layer paints.
    TSceneOverlay(QWidget* drawingArea, std::function<const TSimData*()> sim,
                  std::function<const TScreenFrame*()> frame);

    void SetVelocityArrows(bool value);
    void SetForceArrows(bool value);
    void SetChargeSigns(bool value);
    // The particle shown with a ring; -1 for none.
    void SetSelected(int particle);
    // While a drag sets the velocity of `particle`: its arrow at `pixelsPerUnit` (also while the
    // velocity arrows are off; with them on, all of them at that scale) and `label` at its tip.
    // A particle of -1 ends it.
    void SetAim(int particle, double pixelsPerUnit, const QString& label);
    int AimedParticle() const { return FAimParticle; }
    // Whether there is a setup to mark (nothing is drawn without one).
    void SetActive(bool value);

    bool VelocityArrows() const { return FVelocity; }
    bool ForceArrows() const { return FForce; }
    bool ChargeSigns() const { return FCharges; }
    int Selected() const { return FSelected; }
    // What the layer would draw now.
    TSceneMarks Marks() const;
    // The legend's lines, e.g. "Velocity 0.5" for an arrow of 0.5 units of velocity.
    QStringList LegendTexts() const;

    static constexpr QColor VelocityColour{0, 96, 200};
    static constexpr QColor ForceColour{210, 60, 0};

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Changed();
    QStringList LegendTexts(const TSceneMarks& marks) const;
    void DrawLegend(QPainter& painter, const TSceneMarks& marks);
    void DrawAim(QPainter& painter, const TSceneMarks& marks);

    std::function<const TSimData*()> Sim;
    std::function<const TScreenFrame*()> Frame;
    bool FVelocity = false;
    bool FForce = false;
    bool FCharges = false;
    bool FActive = false;
    int FSelected = -1;
    int FAimParticle = -1;
    double FAimScale = 0;
    QString FAimLabel;
};

}  // namespace kinetra::ui
