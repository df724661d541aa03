// The scene: particles, trails and the centre-of-mass marker, drawn incrementally on the canvas
// (only what moved), with the trail layer ANDed over it at every refresh; and the view commands.
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/KNConst.h"
#include "engine/SimulationData.h"
#include "ui/dialogs/KNInfo.h"
#include "ui/extras/EnergyPlot.h"
#include "ui/window/SimMain.h"
#include "ui/window/UiText.h"

namespace kinetra::ui {

namespace {

QColor PaletteColour(int index) {
    const TRGB c = ParticleColours[static_cast<size_t>(std::clamp(index, 0, ColourCount - 1))];
    return QColor(c.R, c.G, c.B);
}

// Projected points may lie up to 2e9 pixels away. The rasteriser is only exact for moderate
// coordinates, so far-away segments are clipped to a box around the image first
// (Liang-Barsky); segments within the box are drawn unchanged.
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

// A rectangle in 64-bit coordinates, cut to the image before it reaches Qt's 32-bit QRect.
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

// The picture size the scene works with. A file may hold any positive size, but drawn around a
// centre within the visible area (the only ones drawn) every picture larger than any screen
// looks the same; the cap keeps the corner (centre - size, with a centre clamped to 2e9) and
// the far edge (corner + 2 size) within 32 bits.
constexpr int kLargestSceneImage = 1 << 20;

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

}  // namespace

QColor TSimForm::BackgroundColour() const {
    return palette().color(QPalette::Window);
}

void TSimForm::FillBackground(QImage& image) {
    image.fill(BackgroundColour());
}

TScreenPoint TSimForm::ImagePosition(const TVector& position, int size) const {
    TScreenPoint p = FScreenFrame->WorldToScreen(position);
    size = SceneImageSize(size);
    p.X -= size;
    p.Y -= size;
    return p;
}

TScreenPoint TSimForm::ProjectedCenterOfMass() const {
    TScreenPoint q = FScreenFrame->WorldToScreen(FSimData->Particles.CenterOfMass());
    q.X -= 1;
    q.Y -= 1;
    return q;
}

void TSimForm::EnsureParticleArrays() {
    const auto n = static_cast<size_t>(FSimData->Particles.Count());
    if (InvisibleFlags.size() != n) UpdateInvisibleFlags();
    if (TrailFlags.size() != n) UpdateTrailFlags();
    if (ScreenPos.size() != n) ScreenPos.resize(n);
}

void TSimForm::DrawImage(QPainter& painter, int particle, int x, int y) {
    const TParticleImage& image = FSimData->Particles.Particles(particle).Image;
    if (image.Size < 1) return;
    const int size = SceneImageSize(image.Size);
    // Small pictures are kept; a huge size read from a file is drawn directly instead.
    constexpr int kLargestKept = 64;
    if (size <= kLargestKept) {
        const auto key = std::make_pair(std::clamp(image.ColourIndex, 0, ColourCount - 1), size);
        auto it = ImageCache.find(key);
        if (it == ImageCache.end())
            it = ImageCache.emplace(key, ParticlePicture(key.first, key.second, BackgroundColour())).first;
        painter.drawImage(QPoint(x, y), it->second);
    } else {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(BackgroundColour(), 2));
        painter.setBrush(PaletteColour(image.ColourIndex));
        painter.drawEllipse(QRectF(x + 1.0, y + 1.0, 2.0 * size - 2, 2.0 * size - 2));
        painter.restore();
    }
}

void TSimForm::EraseImage(QPainter& painter, const TScreenPoint& at, int size) {
    FillClipped(painter, Canvas.size(), at.X, at.Y, 2 * std::int64_t{size}, 2 * std::int64_t{size},
                BackgroundColour());
}

void TSimForm::DrawTrail(int particle, const TScreenPoint& from, const TScreenPoint& to, int size) {
    if (!TrailImage) return;
    QPainter painter(TrailImage.get());
    painter.setPen(QPen(PaletteColour(FSimData->Particles.Particles(particle).ColourIndex), 0));
    DrawClippedLine(painter, TrailImage->size(), double(from.X) + size, double(from.Y) + size,
                    double(to.X) + size, double(to.Y) + size);
}

void TSimForm::DrawCross(QPainter& painter, int x, int y, const QColor& colour) {
    painter.setPen(QPen(colour, 0));
    const double cx = x, cy = y;
    DrawClippedLine(painter, Canvas.size(), cx - CenterMarkSize, cy, cx + CenterMarkSize, cy);
    DrawClippedLine(painter, Canvas.size(), cx, cy - CenterMarkSize, cx, cy + CenterMarkSize);
}

void TSimForm::CombineTrails() {
    if (!TrailImage) return;
    QPainter painter(&Canvas);
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.drawImage(0, 0, *TrailImage);
}

// ---------------------------------------------------------------------------------------------

void TSimForm::DrawStep() {
    Drawn = false;
    bool left = false;
    EnsureParticleArrays();
    TParticlesList& particles = FSimData->Particles;
    {
        QPainter painter(&Canvas);
        for (int i = 0; i < particles.Count(); ++i) {
            const auto k = static_cast<size_t>(i);
            if (InvisibleFlags[k]) continue;
            const TParticle& particle = particles.Particles(i);
            const int r = SceneImageSize(particle.ImageSize);
            const TScreenPoint p = ImagePosition(particle.Position, r);
            const TScreenPoint old = ScreenPos[k];
            if (p.Visible) {
                const std::int64_t dx = std::int64_t{p.X} - old.X;
                const std::int64_t dy = std::int64_t{p.Y} - old.Y;
                const std::int64_t d2 = dx * dx + dy * dy;
                if (d2 >= 1) {
                    // A move of one pixel is covered by the new picture; only longer moves
                    // leave a part of the old one to erase.
                    if (d2 >= 4) EraseImage(painter, old, r);
                    DrawImage(painter, i, p.X, p.Y);
                    if (TrailFlags[k]) DrawTrail(i, old, p, r);
                }
                Drawn = true;
            } else if (old.Visible) {
                EraseImage(painter, old, r);
                if (TrailFlags[k]) DrawTrail(i, old, p, r);
                Drawn = true;
                left = true;
            }
            ScreenPos[k] = p;
        }
    }
    if (MarkerShown()) {
        const TScreenPoint q = ProjectedCenterOfMass();
        if (q.Visible) {
            DrawCenterOfMass(q.X, q.Y);
            Drawn = true;
        } else if (ComPos.Visible) {
            EraseCenterOfMass();
            Drawn = true;
        }
        ComPos = q;
    }
    View->update();
    // Before the event processing below, in which a command may stop or rewind the run.
    ++StepsDone;
    if (FRecorder.Recording()) RecordStep();
    // Every step, so that swings faster than the refreshes reach the plot.
    if (EnergyPlotShown && FEnergyPlot) FEnergyPlot->OfferStep(*FSimData);
    if (left || StepCount % RefreshInterval == 0) {
        RefreshScene();
        QCoreApplication::processEvents();
    }
    ++StepCount;
}

void TSimForm::RefreshScene() {
    DrawParticles();
    if (MarkerShown()) {
        const TScreenPoint q = ProjectedCenterOfMass();
        if (q.Visible) DrawCenterOfMass(q.X, q.Y);
    }
    Drawn = Drawn && AnyTrails;
    if (Drawn) CombineTrails();
    SetPanel(1, TimeText(FSimData->Time));
    if (QString::fromStdString(FScreenFrame->Name())
            .compare(QString::fromUtf8(FrameOrigin), Qt::CaseInsensitive) != 0)
        ShowFrameInfo();
    if (InfoShown && FInfoWindow) FInfoWindow->UpdateValues();
    if (EnergyPlotShown && FEnergyPlot) FEnergyPlot->update();
    View->update();
}

void TSimForm::DrawParticles() {
    EnsureParticleArrays();
    {
        QPainter painter(&Canvas);
        const TParticlesList& particles = FSimData->Particles;
        for (int i = 0; i < particles.Count(); ++i) {
            const auto k = static_cast<size_t>(i);
            if (!InvisibleFlags[k] && ScreenPos[k].Visible)
                DrawImage(painter, i, ScreenPos[k].X, ScreenPos[k].Y);
        }
    }
    if (MarkerShown() && ComPos.Visible) DrawCenterOfMass(ComPos.X, ComPos.Y);
    View->update();
}

bool TSimForm::MarkerShown() const {
    // Without mass there is no centre of mass; a place kept from an earlier setup is no place.
    return ShowCenterOfMass && FSimData->Particles.TotalMass != 0;
}

void TSimForm::DrawCenterOfMass(int x, int y) {
    EraseCenterOfMass();
    QPainter painter(&Canvas);
    DrawCross(painter, x, y, Qt::black);
    View->update();
}

void TSimForm::EraseCenterOfMass() {
    // A place beyond the margin is more than an arm's length outside the drawing area, and a
    // place that is no place (no mass) may lie on a particle of the setup now shown.
    if (!ComPos.Visible) return;
    QPainter painter(&Canvas);
    DrawCross(painter, ComPos.X, ComPos.Y, BackgroundColour());
    View->update();
}

void TSimForm::mmiClearClick() {
    if (TrailImage) FillBackground(*TrailImage);
    FillBackground(Canvas);
    View->update();
}

void TSimForm::FormPaint() {
    if (!Ready) return;
    FillBackground(Canvas);
    if (AnyTrails) CombineTrails();
    if (!ScreenPos.empty()) DrawParticles();
    View->update();
}

void TSimForm::FormResize() {
    if (Terminating || !Created) return;
    LayoutOverlays();
    const QSize size = View->size();
    Canvas = QImage(size, QImage::Format_RGB32);
    FScreenFrame->SetClientSize(size.width(), size.height());
    // The layer always matches the drawing area; Clear below empties it anyway.
    if (TrailImage) *TrailImage = QImage(size, QImage::Format_RGB32);
    mmiClearClick();
    if (RunState != rsNoSetup) {
        ShowFrameInfo();
        UpdateScreenPositions();
        RefreshScene();
    }
}

void TSimForm::UpdateScreenPositions() {
    EnsureParticleArrays();
    const TParticlesList& particles = FSimData->Particles;
    for (int i = 0; i < particles.Count(); ++i) {
        const TParticle& p = particles.Particles(i);
        ScreenPos[static_cast<size_t>(i)] = ImagePosition(p.Position, p.ImageSize);
    }
    if (particles.TotalMass != 0)
        ComPos = ProjectedCenterOfMass();
    else
        ComPos.Visible = false;
}

void TSimForm::ViewChanged() {
    mmiClearClick();
    ShowFrameInfo();
    PrepareScene();
    UpdateScreenPositions();
    RefreshScene();
    Modified = true;
    UpdateCommands();
}

void TSimForm::FitPanel(int index, const QString& longest) {
    // Measured by the panel itself, in the font it is drawn with, with its frame and indent;
    // never narrower than the panel's given width. The last measure is kept: the frame's text
    // is fitted at every refresh.
    QLabel& panel = *Panels[index];
    if (FittedTexts[index] == longest) return;
    FittedTexts[index] = longest;
    const QString shown = panel.text();
    panel.setText(longest);
    const int room = panel.sizeHint().width();
    panel.setText(shown);
    const int width = std::max(kStatusPanelWidths[index], room);
    if (panel.width() != width) panel.setFixedWidth(width);
}

QString TSimForm::LongestNumber(bool sign) const {
    // The general format with 5 significant digits is longest in scientific notation with a
    // three-digit negative exponent: -d.ddddE-ddd, written here with the widest digit.
    const QFontMetrics metrics(Panels[2]->font());
    QChar widest = QLatin1Char('0');
    for (char d = '1'; d <= '9'; ++d)
        if (metrics.horizontalAdvance(QLatin1Char(d)) > metrics.horizontalAdvance(widest))
            widest = QLatin1Char(d);
    const QString digits(4, widest);
    return (sign ? QStringLiteral("-") : QString()) + widest + QLatin1Char('.') + digits +
           QStringLiteral("E-") + QString(3, widest);
}

void TSimForm::ShowFrameInfo() {
    const TScreenFrame& frame = *FScreenFrame;
    // The frame's name (that of a followed particle) and the axes change the room panel 2
    // needs; the numbers take at most their longest form.
    const QString number = LongestNumber(true);
    FitPanel(2, QStringLiteral("Frame: ") + ToQ(frame.Name()) + QStringLiteral("  (") +
                    ToQ(frame.XAxisName()) + QStringLiteral(" = ") + number + QStringLiteral(", ") +
                    ToQ(frame.YAxisName()) + QStringLiteral(" = ") + number + QLatin1Char(')'));
    SetPanel(2,
             FrameText(frame.Name(), frame.XAxisName(), frame.OriginX(), frame.YAxisName(), frame.OriginY()));
    SetPanel(3, ExtentText(frame.Width(), frame.Height()));
}

void TSimForm::sbZoomInClick() {
    FScreenFrame->Zoom(2);
    ViewChanged();
}

void TSimForm::sbZoomOutClick() {
    FScreenFrame->Zoom(0.5);
    ViewChanged();
}

void TSimForm::sbToggleClick() {
    FScreenFrame->ToggleAxes();
    ViewChanged();
}

void TSimForm::FormKeyUp(int key) {
    if (RunState == rsNoSetup) return;
    switch (key) {
        case Qt::Key_Left:
            FScreenFrame->PanLeft();
            break;
        case Qt::Key_Up:
            FScreenFrame->PanUp();
            break;
        case Qt::Key_Right:
            FScreenFrame->PanRight();
            break;
        case Qt::Key_Down:
            FScreenFrame->PanDown();
            break;
        default:
            return;
    }
    // In a frame other than "Origin" the pan moves nothing, but the view is still redrawn.
    ViewChanged();
}

void TSimForm::smiAllTrailsClick() {
    smiAllTrails->setChecked(true);
    TrailMode = tmAll;
    UpdateTrailFlags();
}

void TSimForm::smiSelectedTrailsClick() {
    smiSelectedTrails->setChecked(true);
    if (TrailMode == tmAll && RunState != rsStopped) mmiClearClick();
    TrailMode = tmSelected;
    UpdateTrailFlags();
}

void TSimForm::smiNoTrailsClick() {
    smiNoTrails->setChecked(true);
    if (RunState != rsStopped) mmiClearClick();
    TrailMode = tmNone;
    UpdateTrailFlags();
}

void TSimForm::UpdateTrailFlags() {
    const TParticlesList& particles = FSimData->Particles;
    TrailFlags.assign(static_cast<size_t>(particles.Count()), false);
    AnyTrails = false;
    for (int i = 0; i < particles.Count(); ++i) {
        const bool trail =
            TrailMode == tmAll || (TrailMode == tmSelected && particles.Particles(i).ShowTrail);
        TrailFlags[static_cast<size_t>(i)] = trail;
        AnyTrails = AnyTrails || trail;
    }
    if (AnyTrails && !TrailImage) {
        // Blank means all bits set: under the AND it leaves the window as it is.
        TrailImage = std::make_unique<QImage>(Canvas.size(), QImage::Format_RGB32);
        TrailImage->fill(0xFFFFFFFFu);
    }
}

void TSimForm::UpdateInvisibleFlags() {
    const TParticlesList& particles = FSimData->Particles;
    InvisibleFlags.assign(static_cast<size_t>(particles.Count()), false);
    for (int i = 0; i < particles.Count(); ++i)
        InvisibleFlags[static_cast<size_t>(i)] = particles.Particles(i).Invisible;
}

void TSimForm::mmiCenterOfMassClick() {
    SetShowCenterOfMass(mmiCenterOfMass->isChecked());
}

void TSimForm::SetShowCenterOfMass(bool value) {
    mmiCenterOfMass->setChecked(value);
    if (ShowCenterOfMass && !value) EraseCenterOfMass();
    ShowCenterOfMass = value;
    DrawParticles();
}

}  // namespace kinetra::ui
