// The scene: particles, trails and the centre-of-mass marker, drawn incrementally on the canvas
// (only what moved), with the trail layer ANDed over it at every refresh.
#include "ui/scene/SceneView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/KNConst.h"
#include "engine/SimulationData.h"
#include "ui/document/RunClock.h"
#include "ui/scene/ScenePaint.h"

namespace kinetra::ui {

TSceneView::TSceneView(TDocument& document, QWidget* parent)
    : QWidget(parent), Document(document), RepaintTimer(new QTimer(this)) {
    RepaintTimer->setSingleShot(true);
    connect(RepaintTimer, &QTimer::timeout, this, [this] {
        RepaintGate.Pass();
        Show();
    });
    // The canvas covers every pixel, so Qt need not fill the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    FCanvas = QImage(size(), QImage::Format_RGB32);
    FCanvas.fill(BackgroundColour());
    // Every step the simulation takes is drawn; the clock counts it and says when to refresh.
    connect(&document, &TDocument::stepDone, this, &TSceneView::DrawStep);
    TRunClock& clock = document.Clock();
    connect(this, &TSceneView::stepDrawn, &clock, &TRunClock::StepDrawn);
    connect(&clock, &TRunClock::refreshDue, this, &TSceneView::RefreshScene);
    connect(&clock, &TRunClock::shownAnew, this, &TSceneView::ShowAnew);
    // A particle of the stopped setup moved (a drag): the picture of the initial state anew.
    connect(&document, &TDocument::initialStateChanged, this, [this] {
        if (Document.RunState() == rsStopped) ShowAnew(true);
    });
    // The step that found a collision ended without its drawing: the particles are shown where
    // they touched.
    connect(&clock, &TRunClock::collided, this, [this] {
        DrawMoved();
        RefreshScene(true);
    });
    // A new view: the new frame gets the drawing area, and trails of the selected particles.
    connect(&document, &TDocument::viewReset, this, [this] {
        Frame().SetClientSize(width(), height());
        FTrailMode = tmSelected;
    });
}

void TSceneView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.drawImage(exposed.topLeft(), FCanvas, exposed);
    // Outside the canvas (only between a resize and its handling) show the background.
    const QRegion rest = QRegion(exposed).subtracted(QRegion(FCanvas.rect()));
    for (const QRect& r : rest) painter.fillRect(r, BackgroundColour());
}

void TSceneView::Changed() {
    // Runs and refreshes change the canvas thousands of times a second; the screen shows a
    // few dozen pictures a second, so the widget is repainted at most once per frame.
    if (FInStep || FShowAtRefresh || RepaintTimer->isActive()) return;
    RepaintGate.SetInterval(ScreenFrameInterval(this));
    if (RepaintGate.Pass()) {
        Show();
        return;
    }
    RepaintTimer->start(std::chrono::ceil<std::chrono::milliseconds>(RepaintGate.Remaining()));
}

void TSceneView::Show() {
    // Steps drawn since the last refresh have erased moved images over their trails, which
    // only the refresh puts back: the screen waits for it.
    if (FStepsUnrefreshed)
        FShowAtRefresh = true;
    else
        update();
}

void TSceneView::Refreshed() {
    FStepsUnrefreshed = false;
    if (!FShowAtRefresh) return;
    FShowAtRefresh = false;
    update();
}

void TSceneView::resizeEvent(QResizeEvent*) {
    emit resized();
}

TSimData& TSceneView::Sim() const {
    return Document.Sim();
}

TScreenFrame& TSceneView::Frame() const {
    return Document.Frame();
}

QColor TSceneView::BackgroundColour() const {
    return palette().color(QPalette::Window);
}

void TSceneView::FillBackground(QImage& image) const {
    image.fill(BackgroundColour());
}

TScreenPoint TSceneView::ImagePosition(const TVector& position, int size) const {
    TScreenPoint p = Frame().WorldToScreen(position);
    size = SceneImageSize(size);
    p.X -= size;
    p.Y -= size;
    return p;
}

TScreenPoint TSceneView::ProjectedCenterOfMass() const {
    TScreenPoint q = Frame().WorldToScreen(Sim().Particles.CenterOfMass());
    q.X -= 1;
    q.Y -= 1;
    return q;
}

void TSceneView::EnsureParticleArrays() {
    const auto n = static_cast<size_t>(Sim().Particles.Count());
    if (FInvisibleFlags.size() != n) UpdateInvisibleFlags();
    if (FTrailFlags.size() != n) UpdateTrailFlags();
    if (FScreenPos.size() != n) FScreenPos.resize(n);
}

void TSceneView::DrawImage(QPainter& painter, int particle, int x, int y) {
    const TParticleImage& image = Sim().Particles.Particles(particle).Image;
    if (image.Size < 1) return;
    const int size = SceneImageSize(image.Size);
    // Small pictures are kept; a huge size read from a file is drawn directly instead.
    if (size <= kLargestKeptPicture) {
        const auto key = std::make_pair(std::clamp(image.ColourIndex, 0, ColourCount - 1), size);
        auto it = ImageCache.find(key);
        if (it == ImageCache.end())
            it = ImageCache.emplace(key, ParticlePicture(key.first, key.second, BackgroundColour())).first;
        painter.drawImage(QPoint(x, y), it->second);
    } else {
        DrawParticleDisc(painter, image.ColourIndex, size, x, y, BackgroundColour());
    }
}

void TSceneView::EraseImage(QPainter& painter, const TScreenPoint& at, int size) {
    FillClipped(painter, FCanvas.size(), at.X, at.Y, 2 * std::int64_t{size}, 2 * std::int64_t{size},
                BackgroundColour());
}

void TSceneView::DrawTrail(int particle, const TScreenPoint& from, const TScreenPoint& to, int size) {
    if (!FTrailImage) return;
    QPainter painter(FTrailImage.get());
    painter.setPen(QPen(PaletteColour(Sim().Particles.Particles(particle).ColourIndex), 0));
    DrawClippedLine(painter, FTrailImage->size(), double(from.X) + size, double(from.Y) + size,
                    double(to.X) + size, double(to.Y) + size);
}

void TSceneView::DrawCross(QPainter& painter, int x, int y, const QColor& colour) {
    painter.setPen(QPen(colour, 0));
    const double cx = x, cy = y;
    DrawClippedLine(painter, FCanvas.size(), cx - CenterMarkSize, cy, cx + CenterMarkSize, cy);
    DrawClippedLine(painter, FCanvas.size(), cx, cy - CenterMarkSize, cx, cy + CenterMarkSize);
}

void TSceneView::CombineTrails() {
    if (!FTrailImage) return;
    QPainter painter(&FCanvas);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.drawImage(0, 0, *FTrailImage);
}

// ---------------------------------------------------------------------------------------------

void TSceneView::DrawStep() {
    struct TInStep {
        bool& Flag;
        explicit TInStep(bool& flag) : Flag(flag) { Flag = true; }
        TInStep(const TInStep&) = delete;
        TInStep& operator=(const TInStep&) = delete;
        ~TInStep() { Flag = false; }
    };
    {
        const TInStep inStep(FInStep);
        DrawMoved();
    }
    emit stepDrawn(FLeftInStep);
}

void TSceneView::DrawMoved() {
    FDrawn = false;
    bool left = false;
    EnsureParticleArrays();
    TParticlesList& particles = Sim().Particles;
    {
        QPainter painter(&FCanvas);
        for (int i = 0; i < particles.Count(); ++i) {
            const auto k = static_cast<size_t>(i);
            if (FInvisibleFlags[k]) continue;
            const TParticle& particle = particles.Particles(i);
            const int r = SceneImageSize(particle.ImageSize);
            const TScreenPoint p = ImagePosition(particle.Position, r);
            const TScreenPoint old = FScreenPos[k];
            if (p.Visible) {
                const std::int64_t dx = std::int64_t{p.X} - old.X;
                const std::int64_t dy = std::int64_t{p.Y} - old.Y;
                const std::int64_t d2 = dx * dx + dy * dy;
                if (d2 >= 1) {
                    // A move of one pixel is covered by the new picture; only longer moves
                    // leave a part of the old one to erase.
                    if (d2 >= 4) EraseImage(painter, old, r);
                    DrawImage(painter, i, p.X, p.Y);
                    if (FTrailFlags[k]) DrawTrail(i, old, p, r);
                }
                FDrawn = true;
            } else if (old.Visible) {
                EraseImage(painter, old, r);
                if (FTrailFlags[k]) DrawTrail(i, old, p, r);
                FDrawn = true;
                left = true;
            }
            FScreenPos[k] = p;
        }
    }
    if (MarkerShown()) {
        const TScreenPoint q = ProjectedCenterOfMass();
        if (q.Visible) {
            DrawCenterOfMass(q.X, q.Y);
            FDrawn = true;
        } else if (FComPos.Visible) {
            EraseCenterOfMass();
            FDrawn = true;
        }
        FComPos = q;
    }
    FDrawnSinceRefresh = FDrawnSinceRefresh || FDrawn;
    FStepsUnrefreshed = true;
    FLeftInStep = left;
}

void TSceneView::RefreshScene(bool sinceLast) {
    if (sinceLast) FDrawn = FDrawn || FDrawnSinceRefresh;
    FDrawnSinceRefresh = false;
    DrawParticles();
    if (MarkerShown()) {
        const TScreenPoint q = ProjectedCenterOfMass();
        if (q.Visible) DrawCenterOfMass(q.X, q.Y);
    }
    FDrawn = FDrawn && FAnyTrails;
    if (FDrawn) CombineTrails();
    Refreshed();
    emit refreshed();
    Changed();
}

void TSceneView::DrawParticles() {
    EnsureParticleArrays();
    {
        QPainter painter(&FCanvas);
        const TParticlesList& particles = Sim().Particles;
        for (int i = 0; i < particles.Count(); ++i) {
            const auto k = static_cast<size_t>(i);
            if (!FInvisibleFlags[k] && FScreenPos[k].Visible)
                DrawImage(painter, i, FScreenPos[k].X, FScreenPos[k].Y);
        }
    }
    if (MarkerShown() && FComPos.Visible) DrawCenterOfMass(FComPos.X, FComPos.Y);
    Changed();
}

bool TSceneView::MarkerShown() const {
    // Without mass there is no centre of mass; a place kept from an earlier setup is no place.
    return FShowCenterOfMass && Sim().Particles.TotalMass != 0;
}

void TSceneView::DrawCenterOfMass(int x, int y) {
    EraseCenterOfMass();
    QPainter painter(&FCanvas);
    DrawCross(painter, x, y, Qt::black);
    Changed();
}

void TSceneView::EraseCenterOfMass() {
    // A place beyond the margin is more than an arm's length outside the drawing area, and a
    // place that is no place (no mass) may lie on a particle of the setup now shown.
    if (!FComPos.Visible) return;
    QPainter painter(&FCanvas);
    DrawCross(painter, FComPos.X, FComPos.Y, BackgroundColour());
    Changed();
}

void TSceneView::Clear() {
    if (FTrailImage) FillBackground(*FTrailImage);
    FillBackground(FCanvas);
    // Nothing of the steps drawn is left to wait for a refresh.
    Refreshed();
    Changed();
}

void TSceneView::FormPaint() {
    if (!FReady) return;
    FillBackground(FCanvas);
    if (FAnyTrails) CombineTrails();
    Refreshed();
    if (!FScreenPos.empty()) DrawParticles();
    Changed();
}

void TSceneView::ResizeCanvas() {
    const QSize size = this->size();
    FCanvas = QImage(size, QImage::Format_RGB32);
    Frame().SetClientSize(size.width(), size.height());
    // The layer always matches the drawing area; Clear below empties it anyway.
    if (FTrailImage) *FTrailImage = QImage(size, QImage::Format_RGB32);
    Clear();
}

void TSceneView::UpdateScreenPositions() {
    EnsureParticleArrays();
    const TParticlesList& particles = Sim().Particles;
    for (int i = 0; i < particles.Count(); ++i) {
        const TParticle& p = particles.Particles(i);
        FScreenPos[static_cast<size_t>(i)] = ImagePosition(p.Position, p.ImageSize);
    }
    if (particles.TotalMass != 0)
        FComPos = ProjectedCenterOfMass();
    else
        FComPos.Visible = false;
}

void TSceneView::UpdateTrailFlags() {
    const TParticlesList& particles = Sim().Particles;
    FTrailFlags.assign(static_cast<size_t>(particles.Count()), false);
    FAnyTrails = false;
    for (int i = 0; i < particles.Count(); ++i) {
        const bool trail =
            FTrailMode == tmAll || (FTrailMode == tmSelected && particles.Particles(i).ShowTrail);
        FTrailFlags[static_cast<size_t>(i)] = trail;
        FAnyTrails = FAnyTrails || trail;
    }
    if (FAnyTrails && !FTrailImage) {
        // Blank means all bits set: under the AND it leaves the window as it is.
        FTrailImage = std::make_unique<QImage>(FCanvas.size(), QImage::Format_RGB32);
        FTrailImage->fill(0xFFFFFFFFu);
    }
}

void TSceneView::UpdateInvisibleFlags() {
    const TParticlesList& particles = Sim().Particles;
    FInvisibleFlags.assign(static_cast<size_t>(particles.Count()), false);
    for (int i = 0; i < particles.Count(); ++i)
        FInvisibleFlags[static_cast<size_t>(i)] = particles.Particles(i).Invisible;
}

void TSceneView::ShowAnew(bool rewound) {
    if (rewound) Rewind();
    UpdateInvisibleFlags();
    UpdateTrailFlags();
    if (Document.RunState() == rsStopped) DrawParticles();
    SetReady(true);
}

void TSceneView::Rewind() {
    const TParticlesList& particles = Sim().Particles;
    const int n = particles.Count();
    FScreenPos.clear();
    if (particles.TotalMass != 0)
        FComPos = ProjectedCenterOfMass();
    else
        FComPos.Visible = false;
    FScreenPos.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const TParticle& p = particles.Particles(i);
        FScreenPos.push_back(ImagePosition(p.InitialPosition, p.ImageSize));
    }
    Clear();
    FTrailImage.reset();
}

void TSceneView::Forget() {
    FReady = false;
    FScreenPos.clear();
    FTrailFlags.clear();
    FInvisibleFlags.clear();
    FAnyTrails = false;
    Clear();
    FTrailImage.reset();
}

void TSceneView::ShowMarker(bool value) {
    if (FShowCenterOfMass && !value) EraseCenterOfMass();
    FShowCenterOfMass = value;
    DrawParticles();
}

QImage TSceneView::SceneImage() const {
    QImage image = FCanvas.copy();
    // Between two refreshes the newest trail segments are only on the layer; combining it
    // again changes nothing that a refresh has already combined.
    if (FAnyTrails && FTrailImage && FTrailImage->size() == image.size()) {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter.drawImage(0, 0, *FTrailImage);
    }
    return image;
}

}  // namespace kinetra::ui
