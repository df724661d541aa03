// The plot window: sampling the run, the window's events and the exports.
#include "ui/extras/PlotWindow.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QPainter>
#include <QSvgGenerator>
#include <string>

#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"
#include "ui/document/UiText.h"

namespace kinetra::ui {

TfrmPlot::TfrmPlot(QWidget* parent, TPlotConfig config, std::size_t capacity)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      FConfig(std::move(config)),
      FHistory(capacity, static_cast<int>(FConfig.Series.size())),
      XBuffer(FConfig.Series.size()),
      YBuffer(FConfig.Series.size()) {
    setWindowTitle(FConfig.Title);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (parent) setFont(parent->font());
    setMinimumSize(260, 200);
    resize(560, 400);
    for (const TPlotSeries& series : FConfig.Series) {
        XNames.push_back(series.X.Log ? QStringLiteral("log10 ") + KindName(series.X.Kind)
                                      : KindName(series.X.Kind));
        YNames.push_back(series.Y.Log ? QStringLiteral("log10 ") + KindName(series.Y.Kind)
                                      : KindName(series.Y.Kind));
    }
}

void TfrmPlot::SetNames(const TSimData& sim) {
    for (std::size_t s = 0; s < FConfig.Series.size(); ++s) {
        XNames[s] = QuantityName(FConfig.Series[s].X, sim);
        YNames[s] = QuantityName(FConfig.Series[s].Y, sim);
    }
}

bool TfrmPlot::NeedsEnergy() const {
    for (const TPlotSeries& series : FConfig.Series)
        if (ui::NeedsEnergy(series.X.Kind) || ui::NeedsEnergy(series.Y.Kind)) return true;
    return false;
}

void TfrmPlot::Restart(TSimData& sim) {
    FHistory.Clear();
    FE0.reset();
    FSampleEvery = 1;
    FStepsSkipped = 0;
    if (NeedsEnergy()) {
        try {
            FE0 = TQuantityProbe(sim, std::nullopt).TotalEnergy();
        } catch (const EMathError&) {
            // No energy of the start: the drift is measured from the first sample.
        }
    }
    Sample(sim);
    update();
}

void TfrmPlot::Resume(std::optional<double> e0) {
    FHistory.Clear();
    FE0 = e0;
    FSampleEvery = 1;
    FStepsSkipped = 0;
    update();
}

bool TfrmPlot::Sample(TSimData& sim) {
    // A refresh without a step in between (a view change, a repaint) adds nothing new.
    if (!FHistory.Empty() && FHistory.LastTime() == sim.Time) return false;
    TQuantityProbe probe(sim, FE0);
    try {
        for (std::size_t s = 0; s < FConfig.Series.size(); ++s) {
            XBuffer[s] = probe.Value(FConfig.Series[s].X);
            YBuffer[s] = probe.Value(FConfig.Series[s].Y);
        }
        if (!FE0 && NeedsEnergy()) FE0 = probe.TotalEnergy();
    } catch (const EMathError&) {
        // The window only watches: a state whose energy the arithmetic cannot express (a body
        // on top of another) is no sample, and the run goes on as it would without the plot.
        return false;
    }
    FHistory.Add(sim.Time, XBuffer.data(), YBuffer.data());
    return true;
}

void TfrmPlot::AddSample(double time, const double* x, const double* y) {
    FHistory.Add(time, x, y);
}

int TfrmPlot::SampleStride(const TSimData& sim) {
    // A sample of the energies is about one pass over the pairs of particles, a displayed step
    // at least Cycles such passes. Small setups spend their steps on other work and sample
    // every step; with many particles a stride keeps sampling under about a tenth of the run.
    // The stride depends only on the setup, never on the clock.
    if (sim.Particles.Count() <= SampleEveryStepUpTo) return 1;
    int stride = 1;
    while (stride < 1024 && stride * sim.Cycles < 10) stride *= 2;
    return stride;
}

void TfrmPlot::OfferStep(TSimData& sim) {
    FSampleEvery = NeedsEnergy() ? SampleStride(sim) : 1;
    if (++FStepsSkipped < FSampleEvery) return;
    FStepsSkipped = 0;
    Sample(sim);
}

void TfrmPlot::ClearSamples() {
    FHistory.Clear();
    FE0.reset();
    FSampleEvery = 1;
    FStepsSkipped = 0;
    update();
}

QImage TfrmPlot::Picture() {
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    Draw(painter, image.rect());
    return image;
}

void TfrmPlot::paintEvent(QPaintEvent*) {
    QElapsedTimer clock;
    clock.start();
    {
        QPainter painter(this);
        Draw(painter, rect());
    }
    FPaintCost = std::chrono::nanoseconds(clock.nsecsElapsed());
}

void TfrmPlot::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

void TfrmPlot::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* csv = menu.addAction(QStringLiteral("Export &CSV\u2026"));
    QAction* png = menu.addAction(QStringLiteral("Export &PNG\u2026"));
    QAction* svg = menu.addAction(QStringLiteral("Export &SVG\u2026"));
    const QAction* chosen = menu.exec(event->globalPos());
    if (chosen == csv) emit exportRequested(QStringLiteral("csv"));
    if (chosen == png) emit exportRequested(QStringLiteral("png"));
    if (chosen == svg) emit exportRequested(QStringLiteral("svg"));
}

// ---------------------------------------------------------------------------------------------
// Exports

namespace {

// A CSV field: quoted when it holds a separator, a quote or a line break.
std::string CsvField(const QString& text) {
    const std::string plain = FromQ(text);
    if (plain.find_first_of(",\"\r\n") == std::string::npos) return plain;
    std::string quoted = "\"";
    for (const char c : plain) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void WriteBytes(const QString& fileName, const QByteArray& bytes) {
    WriteFileAtomically(FromQ(fileName),
                        [&](std::ostream& out) { out.write(bytes.constData(), bytes.size()); });
}

}  // namespace

void TfrmPlot::ExportCsv(const QString& fileName) const {
    // Per series its x and y columns, with as many rows as the longest curve; a curve's points
    // are those drawn (every sample until the history first thins).
    const std::size_t count = FConfig.Series.size();
    std::vector<std::vector<std::pair<double, double>>> lines(count);
    std::size_t rows = 0;
    for (std::size_t s = 0; s < count; ++s) {
        lines[s] = FHistory.Points(static_cast<int>(s));
        rows = std::max(rows, lines[s].size());
    }
    WriteFileAtomically(FromQ(fileName), [&](std::ostream& out) {
        for (std::size_t s = 0; s < count; ++s)
            out << (s ? "," : "") << CsvField(XNames[s]) << ',' << CsvField(YNames[s]);
        out << '\n';
        for (std::size_t row = 0; row < rows; ++row) {
            for (std::size_t s = 0; s < count; ++s) {
                if (s) out << ',';
                if (row < lines[s].size())
                    out << TSetupWriter::Real(lines[s][row].first) << ','
                        << TSetupWriter::Real(lines[s][row].second);
                else
                    out << ',';
            }
            out << '\n';
        }
    });
}

void TfrmPlot::ExportPng(const QString& fileName) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!Picture().save(&buffer, "png"))
        throw EInOutError("Could not save the image \"" + FromQ(fileName) + "\".");
    WriteBytes(fileName, bytes);
}

void TfrmPlot::ExportSvg(const QString& fileName) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size());
        svg.setViewBox(rect());
        svg.setTitle(windowTitle());
        QPainter painter(&svg);
        Draw(painter, rect());
    }
    WriteBytes(fileName, bytes);
}

}  // namespace kinetra::ui
