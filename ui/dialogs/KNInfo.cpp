// The simulation info window.
#include "ui/dialogs/KNInfo.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <functional>
#include <optional>

#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "ui/document/Document.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

namespace {

// Lines after the momenta: one scalar in the plane, three components in space, none otherwise.
int AngularLines(int dims) {
    return dims == 2 ? 1 : dims == 3 ? 3 : 0;
}

// What the window shows for a value that the arithmetic cannot express.
constexpr const char* Unavailable = "unavailable";

QString G(double value, int digits) {
    return std::isfinite(value) ? ToQ(FormatGeneral(value, digits)) : QString::fromUtf8(Unavailable);
}

QString G(std::optional<double> value, int digits) {
    return value ? G(*value, digits) : QString::fromUtf8(Unavailable);
}

// An energy of the state shown, or none where it cannot be computed (two huge masses very
// close together, a massless probe on top of a body). The window only watches: what it cannot
// show must not fail the command that refreshed it (opening a setup, a rewind, a step), which
// would then behave differently only because the window is open.
std::optional<double> Computed(const std::function<double()>& energy) {
    try {
        const double value = energy();
        if (std::isfinite(value)) return value;
    } catch (const EMathError&) {
    }
    return std::nullopt;
}

}  // namespace

TfrmInfo::TfrmInfo(TDocument& document, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      Document(document) {
    setWindowTitle(QStringLiteral("Simulation info"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (parent) setFont(parent->font());
}

QColor TfrmInfo::Background() const {
    return palette().color(QPalette::Button);
}

void TfrmInfo::Rebuild() {
    const TSimData& sim = Document.Sim();
    const TScreenFrame& frame = Document.Frame();
    FLayoutDims = sim.Dimensions;
    const QFontMetrics metrics(font());
    FLineHeight = metrics.height() + 1;
    FValueLeft = metrics.horizontalAdvance(QStringLiteral("Numerical method:")) + 10;
    FValueRight = 2 * FValueLeft;

    FLabels = {QStringLiteral("Numerical method:"), QStringLiteral("Time step:"),
               QStringLiteral("Kinetic energy:"), QStringLiteral("Potential energy:"),
               QStringLiteral("Total energy:")};
    const auto& axes = frame.AxisNames();
    const auto axis = [&](int i) {
        return i < static_cast<int>(axes.size()) ? ToQ(axes[static_cast<size_t>(i)]) : QString::number(i + 1);
    };
    for (int i = 0; i < FLayoutDims; ++i) FLabels << QStringLiteral("Momentum ") + axis(i);
    if (FLayoutDims == 2) FLabels << QStringLiteral("Angular momentum");
    if (FLayoutDims == 3)
        for (int j = 0; j < 3; ++j) FLabels << QStringLiteral("Ang. momentum ") + axis(j);
    FValues = QStringList();
    for (int i = 0; i < FLabels.size(); ++i) FValues << QString();
    FValues[0] = ToQ(sim.MethodName());

    const QSize client(2 * (InfoMargin + FValueLeft),
                       (5 + FLayoutDims + AngularLines(FLayoutDims)) * FLineHeight);
    setFixedSize(client);
    Buffer = QImage(client, QImage::Format_RGB32);
    Buffer.fill(Background());
    QPainter painter(&Buffer);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::ButtonText));
    for (int line = 0; line < FLabels.size(); ++line)
        painter.drawText(QRect(InfoMargin, line * FLineHeight, FValueLeft - InfoMargin, FLineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, FLabels[line]);
    DrawValue(painter, 0);
    FLaidOut = true;
    update();
}

void TfrmInfo::DrawValue(QPainter& painter, int line) {
    const QRect cell(FValueLeft, line * FLineHeight, FValueRight - FValueLeft, FLineHeight);
    painter.fillRect(cell, Background());
    painter.drawText(cell, Qt::AlignRight | Qt::AlignVCenter, FValues[line]);
}

void TfrmInfo::UpdateValues() {
    if (!FLaidOut) Rebuild();
    TSimData& sim = Document.Sim();
    TParticlesList& particles = sim.Particles;
    // The step driver keeps the momenta only after steps; after a rewind they must be taken
    // from the state that is shown.
    particles.UpdateMomentum();
    const std::optional<double> kinetic = Computed([&] { return sim.KineticEnergy(); });
    const std::optional<double> potential = Computed([&] { return sim.PotentialEnergy(); });
    std::optional<double> total;
    if (kinetic && potential) total = *kinetic + *potential;
    int line = 1;
    FValues[line++] = G(sim.SignedStep, 5);
    FValues[line++] = G(kinetic, 5);
    FValues[line++] = G(potential, 5);
    FValues[line++] = G(total, 10);
    const TVector& momentum = particles.TotalMomentum();
    for (int i = 0; i < FLayoutDims; ++i, ++line)
        FValues[line] = i < momentum.Count() ? G(momentum[i], 10) : QString();
    if (FLayoutDims == 2) FValues[line++] = G(particles.PlanarAngularMomentum, 10);
    if (FLayoutDims == 3) {
        const TVector* angular = particles.AngularMomentum();
        for (int j = 0; j < 3; ++j, ++line) FValues[line] = angular ? G((*angular)[j], 10) : QString();
    }

    QPainter painter(&Buffer);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::ButtonText));
    for (int i = 1; i < FValues.size(); ++i) DrawValue(painter, i);
    update();
}

void TfrmInfo::paintEvent(QPaintEvent* event) {
    if (!FLaidOut) Rebuild();
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), Buffer, event->rect());
}

void TfrmInfo::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

}  // namespace kinetra::ui
