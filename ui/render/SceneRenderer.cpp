// The scene drawn offscreen (see SceneRenderer.h).
#include "ui/render/SceneRenderer.h"

#include <QPainter>
#include <algorithm>

#include "base/KNConst.h"
#include "engine/SimulationData.h"
#include "ui/scene/SceneMarks.h"
#include "ui/scene/ScenePaint.h"

namespace kinetra::ui {

void DrawMarksAndBurnins(QPainter& painter, QSize area, const TSimData& sim, const TScreenFrame& frame,
                         const TSceneLook& look) {
    const bool anyMarks = look.VelocityArrows || look.ForceArrows || look.ChargeSigns;
    TSceneMarks marks;
    if (anyMarks) {
        marks = ComputeSceneMarks(sim, frame, look.VelocityArrows, look.ForceArrows, look.ChargeSigns);
        for (const TArrow& a : marks.Force.Arrows) DrawArrow(painter, a, TSceneOverlay::ForceColour);
        for (const TArrow& a : marks.Velocity.Arrows) DrawArrow(painter, a, TSceneOverlay::VelocityColour);
        for (const TChargeMark& m : marks.Charges) DrawChargeSign(painter, m);
    }
    DrawBurnins(painter, area, sim, frame, look.Burnins, anyMarks ? &marks : nullptr, look.Font,
                look.Palette);
}

TSceneRenderer::TSceneRenderer(const TSimData& sim, TScreenFrame& frame, QSize size, TSceneLook look)
    : Sim(sim), Frame(frame), FSize(size), FLook(std::move(look)) {
    Frame.SetClientSize(size.width(), size.height());
    Start();
}

TScreenPoint TSceneRenderer::ImagePosition(int particle) const {
    const TParticle& p = Sim.Particles.Particles(particle);
    const int r = SceneImageSize(p.ImageSize);
    TScreenPoint at = Frame.WorldToScreen(p.Position);
    at.X -= r;
    at.Y -= r;
    return at;
}

bool TSceneRenderer::TrailOf(int particle) const {
    const TParticle& p = Sim.Particles.Particles(particle);
    if (p.Invisible) return false;
    return FLook.Trails == TRenderTrails::All || (FLook.Trails == TRenderTrails::Selected && p.ShowTrail);
}

void TSceneRenderer::Start() {
    const int n = Sim.Particles.Count();
    FScreenPos.resize(static_cast<size_t>(n));
    FAnyTrails = false;
    for (int i = 0; i < n; ++i) {
        FScreenPos[static_cast<size_t>(i)] = ImagePosition(i);
        FAnyTrails = FAnyTrails || TrailOf(i);
    }
    // Blank means all bits set: under the AND it leaves the picture as it is.
    FTrails = QImage(FSize, QImage::Format_RGB32);
    FTrails.fill(0xFFFFFFFFu);
}

void TSceneRenderer::AfterStep() {
    const int n = Sim.Particles.Count();
    if (FScreenPos.size() != static_cast<size_t>(n)) Start();
    QPainter painter(&FTrails);
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        const TParticle& particle = Sim.Particles.Particles(i);
        if (particle.Invisible) continue;
        const TScreenPoint p = ImagePosition(i);
        const TScreenPoint old = FScreenPos[k];
        // As the drawing area does: a segment wherever the picture moved or left the view.
        bool segment = false;
        if (p.Visible) {
            const std::int64_t dx = std::int64_t{p.X} - old.X;
            const std::int64_t dy = std::int64_t{p.Y} - old.Y;
            segment = dx * dx + dy * dy >= 1;
        } else {
            segment = old.Visible;
        }
        if (segment && TrailOf(i)) {
            const int r = SceneImageSize(particle.ImageSize);
            painter.setPen(QPen(PaletteColour(particle.ColourIndex), 0));
            DrawClippedLine(painter, FSize, double(old.X) + r, double(old.Y) + r, double(p.X) + r,
                            double(p.Y) + r);
        }
        FScreenPos[k] = p;
    }
}

void TSceneRenderer::AddTrails(const QImage& layer, double factor) {
    if (layer.isNull()) return;
    FAnyTrails = true;
    const QImage scaled = factor == 1 ? layer
                                      : layer.scaled(static_cast<int>(layer.width() * factor),
                                                     static_cast<int>(layer.height() * factor),
                                                     Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // The view's centre stays the centre (the frame projects about the middle of its area).
    const QPoint at(FSize.width() / 2 - static_cast<int>(layer.width() / 2 * factor),
                    FSize.height() / 2 - static_cast<int>(layer.height() / 2 * factor));
    QPainter painter(&FTrails);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.drawImage(at, scaled.convertToFormat(QImage::Format_RGB32));
}

void TSceneRenderer::DrawDisc(QPainter& painter, int particle, int x, int y) {
    const TParticleImage& image = Sim.Particles.Particles(particle).Image;
    if (image.Size < 1) return;
    const int size = SceneImageSize(image.Size);
    if (size > kLargestKeptPicture) {
        DrawParticleDisc(painter, image.ColourIndex, size, x, y, Background());
        return;
    }
    const auto key = std::make_pair(std::clamp(image.ColourIndex, 0, ColourCount - 1), size);
    auto it = ImageCache.find(key);
    if (it == ImageCache.end())
        it = ImageCache.emplace(key, ParticlePicture(key.first, key.second, Background())).first;
    painter.drawImage(QPoint(x, y), it->second);
}

QImage TSceneRenderer::Picture() {
    QImage picture(FSize, QImage::Format_RGB32);
    picture.fill(Background());
    QPainter painter(&picture);
    if (FAnyTrails) {
        painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter.drawImage(0, 0, FTrails);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    const TParticlesList& particles = Sim.Particles;
    for (int i = 0; i < particles.Count(); ++i) {
        if (particles.Particles(i).Invisible) continue;
        const TScreenPoint at = ImagePosition(i);
        if (at.Visible) DrawDisc(painter, i, at.X, at.Y);
    }
    if (FLook.CenterOfMass && particles.TotalMass != 0) {
        TScreenPoint q = Frame.WorldToScreen(particles.CenterOfMass());
        q.X -= 1;
        q.Y -= 1;
        if (q.Visible) {
            painter.setPen(QPen(Qt::black, 0));
            const double cx = q.X, cy = q.Y;
            DrawClippedLine(painter, FSize, cx - CenterMarkSize, cy, cx + CenterMarkSize, cy);
            DrawClippedLine(painter, FSize, cx, cy - CenterMarkSize, cx, cy + CenterMarkSize);
        }
    }
    DrawMarksAndBurnins(painter, FSize, Sim, Frame, FLook);
    return picture;
}

}  // namespace kinetra::ui
