// TSceneView, the drawing area: the whole client area of the main window. The scene is drawn
// incrementally on a persistent canvas (only what moved), with the trail layer ANDed over it at
// every refresh; a repaint only copies the canvas to the screen.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "frame/Frame.h"
#include "ui/document/Document.h"
#include "ui/document/FrameRate.h"

class QTimer;

namespace kinetra::ui {

// Which particles draw trails: none, those whose ShowTrail is set, or all.
enum TTrailMode : std::uint8_t { tmNone = 0, tmSelected = 1, tmAll = 2 };

class TSceneView : public QWidget {
    Q_OBJECT

public:
    // Draws the document's setup; every step the document reports is drawn (DrawStep).
    TSceneView(TDocument& document, QWidget* parent);

    // Draws what moved in the step just taken; the run clock then decides on a refresh.
    void DrawStep();
    // Draws the particles and the marker again and combines the trails with the canvas: when
    // the last step drew something, or with `sinceLast` when any step since the last refresh
    // did (a refresh that comes only now and then).
    void RefreshScene(bool sinceLast = false);
    void DrawParticles();
    void DrawCenterOfMass(int x, int y);
    void EraseCenterOfMass();
    // Clear: empties the canvas and the trail layer.
    void Clear();
    // The whole picture anew: background, trails, particles.
    void FormPaint();
    // The canvas and the trail layer take the drawing area's new size (and are cleared).
    void ResizeCanvas();
    void UpdateScreenPositions();
    void UpdateTrailFlags();
    void UpdateInvisibleFlags();
    // The rewound setup's places from the initial positions; the canvas and the trails cleared.
    void Rewind();
    // The clock stands ready for its next step: the setup rewound (`rewound`) or where a pause
    // left it; the flags anew, a stopped setup drawn at its initial places.
    void ShowAnew(bool rewound);
    // Nothing of a setup stays on screen or comes back on repaint.
    void Forget();
    void ShowMarker(bool value);
    // The particle pictures are drawn in the background colour: a new palette needs new ones.
    void ClearImageCache() { ImageCache.clear(); }
    TScreenPoint ProjectedCenterOfMass() const;
    TScreenPoint ImagePosition(const TVector& position, int size) const;

    // The scene has been prepared: painting is allowed.
    bool Ready() const { return FReady; }
    void SetReady(bool ready) { FReady = ready; }
    TTrailMode TrailMode() const { return FTrailMode; }
    void SetTrailMode(TTrailMode mode) { FTrailMode = mode; }
    bool ShowCenterOfMass() const { return FShowCenterOfMass; }

    // Read-outs.
    // Where each particle's picture was last drawn (its top-left corner), in collection order.
    const std::vector<TScreenPoint>& ScreenPos() const { return FScreenPos; }
    TScreenPoint ComPos() const { return FComPos; }
    const std::vector<bool>& TrailFlags() const { return FTrailFlags; }
    const std::vector<bool>& InvisibleFlags() const { return FInvisibleFlags; }
    bool AnyTrails() const { return FAnyTrails; }
    // The last step drew something.
    bool Drawn() const { return FDrawn; }
    // The trail layer; none until a trail is drawn.
    const QImage* TrailImage() const { return FTrailImage.get(); }
    // The picture of the drawing area; every drawing goes here and a repaint copies it.
    const QImage& Canvas() const { return FCanvas; }
    // The drawing area as the screen shows it: the canvas with the trail layer combined.
    QImage SceneImage() const;
    QColor BackgroundColour() const;

signals:
    // After every drawn step, with whether a particle left the view.
    void stepDrawn(bool left);
    // After every refresh, for what the window shows beyond the scene.
    void refreshed();
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TSimData& Sim() const;
    TScreenFrame& Frame() const;
    void DrawImage(QPainter& painter, int particle, int x, int y);
    void EraseImage(QPainter& painter, const TScreenPoint& at, int size);
    void DrawTrail(int particle, const TScreenPoint& from, const TScreenPoint& to, int size);
    void DrawCross(QPainter& painter, int x, int y, const QColor& colour);
    void CombineTrails();
    void FillBackground(QImage& image) const;
    // The marker is wanted and the setup has a centre of mass.
    bool MarkerShown() const;
    void EnsureParticleArrays();
    // DrawStep's drawing, before the run control hears of the step.
    void DrawMoved();
    // The canvas changed: the screen shows it at the next refresh of the screen at the latest,
    // and not more often than the screen refreshes.
    void Changed();
    // The canvas goes to the screen now, or, while steps await their refresh, with it.
    void Show();
    // The canvas holds no step that awaits a refresh any more.
    void Refreshed();

    TDocument& Document;
    std::vector<TScreenPoint> FScreenPos;
    TScreenPoint FComPos;
    bool FAnyTrails = false;
    std::unique_ptr<QImage> FTrailImage;
    bool FReady = false;
    bool FDrawn = false;
    // A step drew something since the last refresh.
    bool FDrawnSinceRefresh = false;
    // Inside DrawStep: its changes reach the screen with the refresh that follows it, so that
    // the screen never shows the trails that moved images erased before the refresh restores
    // them.
    bool FInStep = false;
    // Steps were drawn since the last refresh; the screen is to be shown at the refresh.
    bool FStepsUnrefreshed = false;
    bool FShowAtRefresh = false;
    // A particle left the view in the step drawn last.
    bool FLeftInStep = false;
    TFrameGate RepaintGate;
    QTimer* RepaintTimer;
    bool FShowCenterOfMass = false;
    TTrailMode FTrailMode = tmSelected;
    std::vector<bool> FTrailFlags;
    std::vector<bool> FInvisibleFlags;
    QImage FCanvas;
    // Particle pictures by colour index and image size, drawn once in the background colour.
    std::map<std::pair<int, int>, QImage> ImageCache;
};

}  // namespace kinetra::ui
