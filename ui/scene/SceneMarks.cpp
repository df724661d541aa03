// The marks over the scene: arrows, charge signs, the selection ring and the arrows' legend.
#include "ui/scene/SceneMarks.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "engine/MotionFit.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"

namespace kinetra::ui {

namespace {

QColor Palette(int index) {
    const TRGB c = ParticleColours[static_cast<size_t>(std::clamp(index, 0, ColourCount - 1))];
    return QColor(c.R, c.G, c.B);
}

// Relative luminance of an sRGB colour.
double Luminance(const QColor& c) {
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// One kind of arrows from the screen-plane components of each visible particle's vector.
TArrowSet MakeArrows(const std::vector<QPointF>& centres, const std::vector<int>& radii,
                     const std::vector<int>& indices, const std::vector<QPointF>& vectors, double longest,
                     double fixedScale = 0) {
    TArrowSet set;
    double largest = 0;
    for (const QPointF& v : vectors) {
        const double length = std::hypot(v.x(), v.y());
        if (std::isfinite(length)) largest = std::max(largest, length);
    }
    if (fixedScale > 0)
        set.PixelsPerUnit = fixedScale;
    else if (largest > 0)
        set.PixelsPerUnit = longest / largest;
    else
        return set;
    for (size_t k = 0; k < vectors.size(); ++k) {
        const QPointF d = vectors[k] * set.PixelsPerUnit;
        if (!std::isfinite(d.x()) || !std::isfinite(d.y()) || std::hypot(d.x(), d.y()) < ShortestArrow)
            continue;
        set.Arrows.push_back({QLineF(centres[k], centres[k] + d), radii[k], indices[k]});
    }
    return set;
}

}  // namespace

QColor ContrastColour(const QColor& disc) {
    return ContrastRatio(disc, Qt::black) >= ContrastRatio(disc, Qt::white) ? QColor(Qt::black)
                                                                            : QColor(Qt::white);
}

double RoundScaleValue(double value) {
    if (!(value > 0) || !std::isfinite(value)) return 0;
    const double decade = std::pow(10.0, std::floor(std::log10(value)));
    for (const double step : {5.0, 2.0, 1.0})
        if (step * decade <= value * (1 + 1E-12)) return step * decade;
    return decade;
}

std::vector<double> FrameVelocity(const TSimData& sim, const TScreenFrame& frame) {
    const TParticlesList& particles = sim.Particles;
    const int dims = particles.Dimensions();
    std::vector<double> velocity(static_cast<size_t>(dims), 0.0);
    const TVector* origin = &frame.Origin();
    if (origin == &particles.CenterOfMass()) {
        double mass = 0;
        for (int i = 0; i < particles.Count(); ++i) {
            const TParticle& p = particles.Particles(i);
            mass += p.Mass;
            for (int c = 0; c < dims; ++c) velocity[static_cast<size_t>(c)] += p.Mass * p.Velocity[c];
        }
        for (double& v : velocity) v = mass != 0 ? v / mass : 0;
        return velocity;
    }
    for (int i = 0; i < particles.Count(); ++i) {
        const TParticle& p = particles.Particles(i);
        if (origin != &p.Position) continue;
        for (int c = 0; c < dims; ++c) velocity[static_cast<size_t>(c)] = p.Velocity[c];
    }
    return velocity;
}

TSceneMarks ComputeSceneMarks(const TSimData& sim, const TScreenFrame& frame, bool velocity, bool force,
                              bool charges, double velocityScale) {
    TSceneMarks marks;
    if (!velocity && !force && !charges) return marks;
    const TParticlesList& particles = sim.Particles;
    const int xd = frame.XDim(), yd = frame.YDim();
    // A negative scale turns the picture by half a turn; screen y grows downwards.
    const double turn = frame.Scale() < 0 ? -1 : 1;
    const auto onScreen = [&](double x, double y) { return QPointF(turn * x, -turn * y); };
    // At time 0 the scene shows the initial state (a method may already have taken its start-up
    // step on the current one).
    const bool initial = sim.Time == 0;
    const std::vector<double> frameVelocity = velocity ? FrameVelocity(sim, frame) : std::vector<double>();
    const std::vector<TVector> accelerations = force ? Accelerations(sim, initial) : std::vector<TVector>();

    std::vector<QPointF> centres, velocities, forces;
    std::vector<int> radii, indices;
    for (int i = 0; i < particles.Count(); ++i) {
        const TParticle& p = particles.Particles(i);
        if (p.Invisible) continue;
        const TScreenPoint at = frame.WorldToScreen(initial ? p.InitialPosition : p.Position);
        if (!at.Visible) continue;
        const QPointF centre(at.X, at.Y);
        centres.push_back(centre);
        radii.push_back(std::min(p.ImageSize, 1 << 20));
        indices.push_back(i);
        if (velocity) {
            const TVector& v = initial ? p.InitialVelocity : p.Velocity;
            velocities.push_back(onScreen(v[xd] - frameVelocity[static_cast<size_t>(xd)],
                                          v[yd] - frameVelocity[static_cast<size_t>(yd)]));
        }
        if (force) {
            const TVector& a = accelerations[static_cast<size_t>(i)];
            forces.push_back(onScreen(a[xd], a[yd]));
        }
        if (charges && p.Charge() != 0)
            marks.Charges.push_back({QPoint(at.X, at.Y), std::min(p.ImageSize, 1 << 20),
                                     p.Charge() > 0 ? 1 : -1, Palette(p.ColourIndex)});
    }
    const double longest = std::min(frame.ClientWidth(), frame.ClientHeight()) / 8.0;
    if (velocity) marks.Velocity = MakeArrows(centres, radii, indices, velocities, longest, velocityScale);
    if (force) marks.Force = MakeArrows(centres, radii, indices, forces, longest);
    return marks;
}

// ---------------------------------------------------------------------------------------------
// Drawing

void DrawArrow(QPainter& painter, const QLineF& line, const QColor& colour) {
    const double length = line.length();
    if (!(length > 0)) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double head = std::min(9.0, 0.45 * length);
    const QPointF unit = (line.p2() - line.p1()) / length;
    const QPointF normal(-unit.y(), unit.x());
    const QPointF base = line.p2() - unit * head;
    painter.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(line.p1(), base);
    QPainterPath tip;
    tip.moveTo(line.p2());
    tip.lineTo(base + normal * (head * 0.45));
    tip.lineTo(base - normal * (head * 0.45));
    tip.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(tip);
    painter.restore();
}

void DrawArrow(QPainter& painter, const TArrow& arrow, const QColor& colour) {
    const double length = arrow.Line.length();
    if (length < arrow.Radius + ShortestArrow) return;
    QLineF outside = arrow.Line;
    outside.setP1(arrow.Line.pointAt(arrow.Radius / length));
    DrawArrow(painter, outside, colour);
}

void DrawChargeSign(QPainter& painter, const TChargeMark& mark) {
    painter.save();
    const bool onDisc = mark.Radius >= SignOnDiscRadius;
    // Half the length of a bar: most of the disc, at most 9 pixels.
    const int arm = onDisc ? std::min(static_cast<int>(std::lround(0.55 * mark.Radius)), 9) : 3;
    const int width = arm >= 5 ? 2 : 1;
    const QColor sign = onDisc ? ContrastColour(mark.Disc) : QColor(Qt::black);
    const QColor halo = sign == QColor(Qt::black) ? QColor(Qt::white) : QColor(Qt::black);
    const int beside = onDisc ? 0 : mark.Radius + arm + 2;
    const QPointF c(mark.Centre.x() + beside + 0.5 * (width % 2),
                    mark.Centre.y() - beside + 0.5 * (width % 2));
    const auto bars = [&](const QColor& colour, int penWidth) {
        painter.setPen(QPen(colour, penWidth, Qt::SolidLine, Qt::SquareCap));
        painter.drawLine(c - QPointF(arm, 0), c + QPointF(arm, 0));
        if (mark.Sign > 0) painter.drawLine(c - QPointF(0, arm), c + QPointF(0, arm));
    };
    bars(halo, width + 2);
    bars(sign, width);
    painter.restore();
}

void DrawSelectionRing(QPainter& painter, QPoint centre, int radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const double r = std::min(radius, 1 << 20) + 4.5;
    painter.setPen(QPen(Qt::white, 4));
    painter.drawEllipse(QPointF(centre), r, r);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawEllipse(QPointF(centre), r, r);
    painter.restore();
}

// ---------------------------------------------------------------------------------------------
// The layer

TSceneOverlay::TSceneOverlay(QWidget* drawingArea, std::function<const TSimData*()> sim,
                             std::function<const TScreenFrame*()> frame)
    : QWidget(drawingArea), Sim(std::move(sim)), Frame(std::move(frame)) {
    setObjectName(QStringLiteral("SceneOverlay"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(drawingArea->rect());
    // Under the tool panel and the status bar, which lie over the drawing area too.
    lower();
    drawingArea->installEventFilter(this);
    hide();
}

bool TSceneOverlay::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void TSceneOverlay::SetVelocityArrows(bool value) {
    FVelocity = value;
    Changed();
}

void TSceneOverlay::SetForceArrows(bool value) {
    FForce = value;
    Changed();
}

void TSceneOverlay::SetChargeSigns(bool value) {
    FCharges = value;
    Changed();
}

void TSceneOverlay::SetSelected(int particle) {
    FSelected = particle;
    Changed();
}

void TSceneOverlay::SetAim(int particle, double pixelsPerUnit, const QString& label) {
    FAimParticle = particle;
    FAimScale = particle >= 0 ? pixelsPerUnit : 0;
    FAimLabel = particle >= 0 ? label : QString();
    Changed();
}

void TSceneOverlay::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    Changed();
}

void TSceneOverlay::Changed() {
    setVisible(FActive && (FVelocity || FForce || FCharges || FSelected >= 0 || FAimParticle >= 0));
    update();
}

TSceneMarks TSceneOverlay::Marks() const {
    const TSimData* sim = FActive ? Sim() : nullptr;
    const TScreenFrame* frame = FActive ? Frame() : nullptr;
    if (sim == nullptr || frame == nullptr) return {};
    // While aiming, the aimed particle's arrow is drawn whether or not the others are.
    TSceneMarks marks =
        ComputeSceneMarks(*sim, *frame, FVelocity || FAimParticle >= 0, FForce, FCharges, FAimScale);
    if (!FVelocity && FAimParticle >= 0) {
        std::vector<TArrow> aimed;
        for (const TArrow& a : marks.Velocity.Arrows)
            if (a.Particle == FAimParticle) aimed.push_back(a);
        marks.Velocity.Arrows = aimed;
    }
    return marks;
}

QStringList TSceneOverlay::LegendTexts() const {
    return LegendTexts(Marks());
}

QStringList TSceneOverlay::LegendTexts(const TSceneMarks& marks) const {
    QStringList texts;
    const auto line = [&](const char* name, const TArrowSet& set) {
        if (set.PixelsPerUnit <= 0) return;
        const double longest = std::min(width(), height()) / 8.0;
        texts << QString::fromUtf8(name) + QStringLiteral(" ") +
                     QString::fromStdString(FormatGeneral(RoundScaleValue(longest / set.PixelsPerUnit), 5));
    };
    line("Velocity", marks.Velocity);
    line("Force", marks.Force);
    return texts;
}

void TSceneOverlay::paintEvent(QPaintEvent*) {
    const TSceneMarks marks = Marks();
    QPainter painter(this);
    for (const TArrow& a : marks.Force.Arrows) DrawArrow(painter, a, ForceColour);
    for (const TArrow& a : marks.Velocity.Arrows) DrawArrow(painter, a, VelocityColour);
    for (const TChargeMark& m : marks.Charges) DrawChargeSign(painter, m);
    const TSimData* sim = FActive ? Sim() : nullptr;
    const TScreenFrame* frame = FActive ? Frame() : nullptr;
    if (sim != nullptr && frame != nullptr && FSelected >= 0 && FSelected < sim->Particles.Count()) {
        const TParticle& p = sim->Particles.Particles(FSelected);
        const TScreenPoint at = frame->WorldToScreen(sim->Time == 0 ? p.InitialPosition : p.Position);
        if (!p.Invisible && at.Visible) DrawSelectionRing(painter, QPoint(at.X, at.Y), p.ImageSize);
    }
    DrawAim(painter, marks);
    DrawLegend(painter, marks);
}

void TSceneOverlay::DrawAim(QPainter& painter, const TSceneMarks& marks) {
    if (FAimParticle < 0 || FAimLabel.isEmpty()) return;
    const TSimData* sim = FActive ? Sim() : nullptr;
    const TScreenFrame* frame = FActive ? Frame() : nullptr;
    if (sim == nullptr || frame == nullptr || FAimParticle >= sim->Particles.Count()) return;
    // The value beside the arrow's tip, or beside the particle while the arrow is too short.
    QPointF at;
    for (const TArrow& a : marks.Velocity.Arrows)
        if (a.Particle == FAimParticle) at = a.Line.p2();
    if (at.isNull()) {
        const TParticle& p = sim->Particles.Particles(FAimParticle);
        const TScreenPoint c = frame->WorldToScreen(sim->Time == 0 ? p.InitialPosition : p.Position);
        at = QPointF(c.X + std::min(p.ImageSize, 1 << 20), c.Y);
    }
    const QFontMetrics metrics(font());
    const QRect text = metrics.boundingRect(FAimLabel).translated(at.toPoint() + QPoint(10, -6));
    painter.save();
    QColor back = palette().color(QPalette::Window);
    back.setAlpha(220);
    painter.fillRect(text.adjusted(-3, -2, 3, 2), back);
    painter.setPen(VelocityColour);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, FAimLabel);
    painter.restore();
}

void TSceneOverlay::DrawLegend(QPainter& painter, const TSceneMarks& marks) {
    DrawArrowLegend(painter, marks, size(), font(), palette());
}

void DrawArrowLegend(QPainter& painter, const TSceneMarks& marks, QSize area, const QFont& font,
                     const QPalette& palette) {
    struct TRow {
        QString Name;
        const TArrowSet* Set;
        QColor Colour;
    };
    std::vector<TRow> rows;
    if (marks.Velocity.PixelsPerUnit > 0)
        rows.push_back({QStringLiteral("Velocity"), &marks.Velocity, TSceneOverlay::VelocityColour});
    if (marks.Force.PixelsPerUnit > 0)
        rows.push_back({QStringLiteral("Force"), &marks.Force, TSceneOverlay::ForceColour});
    if (rows.empty()) return;
    const QFontMetrics metrics(font);
    const double longest = std::min(area.width(), area.height()) / 8.0;
    const int nameWidth = std::max(metrics.horizontalAdvance(QStringLiteral("Velocity")),
                                   metrics.horizontalAdvance(QStringLiteral("Force")));
    const int lineHeight = std::max(metrics.height(), 12) + 4;
    int valueWidth = 0;
    std::vector<QString> values;
    std::vector<double> lengths;
    for (const TRow& row : rows) {
        const double value = RoundScaleValue(longest / row.Set->PixelsPerUnit);
        values.push_back(QStringLiteral("= ") + QString::fromStdString(FormatGeneral(value, 5)));
        lengths.push_back(value * row.Set->PixelsPerUnit);
        valueWidth = std::max(valueWidth, metrics.horizontalAdvance(values.back()));
    }
    const int pad = 6, gap = 8;
    const int arrowRoom = static_cast<int>(std::ceil(longest));
    const QRect box(8, 8, pad + nameWidth + gap + arrowRoom + gap + valueWidth + pad,
                    pad + lineHeight * static_cast<int>(rows.size()) + pad - 4);
    painter.save();
    painter.setFont(font);
    QColor back = palette.color(QPalette::Window);
    back.setAlpha(220);
    painter.fillRect(box, back);
    painter.setPen(palette.color(QPalette::Mid));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    for (size_t k = 0; k < rows.size(); ++k) {
        const int top = box.top() + pad + lineHeight * static_cast<int>(k);
        const QRect text(box.left() + pad, top, nameWidth, lineHeight - 4);
        painter.setPen(palette.color(QPalette::WindowText));
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, rows[k].Name);
        const double x0 = text.right() + gap;
        const double y = text.center().y() + 0.5;
        DrawArrow(painter, QLineF(x0, y, x0 + lengths[k], y), rows[k].Colour);
        painter.setPen(palette.color(QPalette::WindowText));
        painter.drawText(QRect(static_cast<int>(x0) + arrowRoom + gap, top, valueWidth, lineHeight - 4),
                         Qt::AlignLeft | Qt::AlignVCenter, values[k]);
    }
    painter.restore();
}

}  // namespace kinetra::ui
