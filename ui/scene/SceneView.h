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
#include "ui/window/SimMain.h"

namespace kinetra::ui {

class TSceneView : public QWidget {
public:
    explicit TSceneView(TSimForm& form);

    // Draws what moved in the step just taken; the run control then decides on a refresh.
    void DrawStep();
    // Draws the particles and the marker again and combines the trails with the canvas.
    void RefreshScene();
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
    // Nothing of a setup stays on screen or comes back on repaint.
    void Forget();
    void ShowMarker(bool value);
    // The particle pictures are drawn in the background colour: a new palette needs new ones.
    void ClearImageCache() { ImageCache.clear(); }
    // The drawing area as the screen shows it: the canvas with the trail layer combined.
    QImage SceneImage() const;
    TScreenPoint ProjectedCenterOfMass() const;
    TScreenPoint ImagePosition(const TVector& position, int size) const;

    // After every drawn step, with whether a particle left the view.
    std::function<void(bool left)> OnStepDrawn;
    // After every refresh, for what the window shows beyond the scene.
    std::function<void()> OnRefreshed;
    std::function<void()> OnResized;

    std::vector<TScreenPoint> ScreenPos;
    TScreenPoint ComPos;
    bool AnyTrails = false;
    std::unique_ptr<QImage> TrailImage;
    bool Ready = false;
    bool Drawn = false;
    bool ShowCenterOfMass = false;
    TTrailMode TrailMode = tmSelected;
    std::vector<bool> TrailFlags;
    std::vector<bool> InvisibleFlags;
    // The picture of the drawing area; every drawing goes here and a repaint copies it.
    QImage Canvas;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TSimData& Sim() const;
    TScreenFrame& Frame() const;
    QColor BackgroundColour() const;
    void DrawImage(QPainter& painter, int particle, int x, int y);
    void EraseImage(QPainter& painter, const TScreenPoint& at, int size);
    void DrawTrail(int particle, const TScreenPoint& from, const TScreenPoint& to, int size);
    void DrawCross(QPainter& painter, int x, int y, const QColor& colour);
    void CombineTrails();
    void FillBackground(QImage& image) const;
    // The marker is wanted and the setup has a centre of mass.
    bool MarkerShown() const;
    void EnsureParticleArrays();

    TSimForm& Form;
    // Particle pictures by colour index and image size, drawn once in the background colour.
    std::map<std::pair<int, int>, QImage> ImageCache;
};

}  // namespace kinetra::ui
