// The cost of the window's drawing with 1000 visible particles and trails on the offscreen
// platform: one DrawStep (incremental drawing of a step) and one RefreshScene (all particles
// drawn again, the trail layer combined, status texts); and one picture of the energy plot
// after runs of growing length, whose cost must level off however long the run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QSignalBlocker>
#include <cmath>
#include <memory>
#include <random>

#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "ui/dialogs/Prompts.h"
#include "ui/document/Document.h"
#include "ui/extras/EnergyPlot.h"
#include "ui/scene/SceneView.h"
#include "ui/window/SimMain.h"

using namespace kinetra;
using namespace kinetra::ui;

namespace {

// Nothing is ever asked during the benchmark.
class TSilentPrompts : public TUserPrompts {
public:
    void ShowMessage(QWidget*, const QString&) override {}
    void ShowError(QWidget*, const QString&) override {}
    TAnswer Confirm(QWidget*, const QString&) override { return TAnswer::Cancel; }
    QString GetOpenFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&,
                            const QString&) override {
        return {};
    }
    int ExecDialog(QDialog&) override { return QDialog::Rejected; }
};

// 1000 particles spread over the drawing area, all with trails, moving a few pixels per step.
std::unique_ptr<TSimForm> MakeWindow() {
    auto form = std::make_unique<TSimForm>(std::make_unique<TSilentPrompts>());
    form->show();
    form->ResizeDrawingArea(1200, 800);
    TDocument& document = form->Document();
    TSimData& sim = document.Sim();
    sim.SetDimensions(2);
    sim.Clear();
    document.ResetView();
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> pos(-5.5, 5.5), vel(-1, 1);
    for (int i = 0; i < 1000; ++i) {
        auto p = std::make_unique<TParticle>("p" + std::to_string(i), 2);
        p->Mass = 1E-3;
        p->InitialPosition[0] = pos(rng);
        p->InitialPosition[1] = pos(rng) * 0.6;
        p->InitialVelocity[0] = vel(rng);
        p->InitialVelocity[1] = vel(rng);
        p->SetImageRadius(3);
        p->ColourIndex = i % 14;
        p->ShowTrail = true;
        p->UpdateImage();
        sim.Particles.AddParticle(std::move(p));
    }
    sim.SetMethod(nmEuler);
    sim.SetCycles(1);
    sim.TimeStep = 0.02;
    document.Frame().SetScale(100);
    // Stopped: rewound and drawn, as after Open.
    document.SetRunState(rsStopped);
    form->Controls().mmiStop->trigger();
    return form;
}

// The drawing area of the window is its scene.
TSceneView& SceneOf(TSimForm& form) {
    return *static_cast<TSceneView*>(form.DrawingArea());
}

}  // namespace

static void BM_DrawStep(benchmark::State& state) {
    auto form = MakeWindow();
    TSimData& sim = form->Document().Sim();
    sim.OnStepDone = nullptr;  // the step is measured apart; DrawStep is called directly
    TSceneView& scene = SceneOf(*form);
    // Only the incremental drawing is measured: the run control does not hear of the step, so
    // it neither counts nor refreshes.
    const QSignalBlocker quiet(scene);
    for (auto _ : state) {
        state.PauseTiming();
        sim.Step();
        state.ResumeTiming();
        scene.DrawStep();
    }
}

static void BM_RefreshScene(benchmark::State& state) {
    auto form = MakeWindow();
    TSimData& sim = form->Document().Sim();
    for (int i = 0; i < 20; ++i) sim.Step();  // some trails on the layer
    TSceneView& scene = SceneOf(*form);
    for (auto _ : state) scene.RefreshScene();
    state.counters["refreshes/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The energy plot's picture (560 x 400) after `samples` samples of an oscillation, as a plot
// open through a long run holds them.
static void BM_EnergyPlotPicture(benchmark::State& state) {
    TfrmEnergyPlot plot(nullptr);
    const auto samples = static_cast<int>(state.range(0));
    for (int i = 0; i < samples; ++i) {
        const double t = 0.01 * i;
        plot.AddSample(t, 10 + 10 * std::sin(t), 10 - 10 * std::sin(t) + 1E-4 * std::sin(7 * t));
    }
    for (auto _ : state) benchmark::DoNotOptimize(plot.Picture());
    state.counters["buckets"] = static_cast<double>(plot.History().Buckets().size());
}

// A plot window of two series against the time (560 x 400) after `samples` samples, as
// Options > Plot... holds them through a long run.
static void BM_PlotPicture(benchmark::State& state) {
    TPlotConfig config;
    config.Series.resize(2);
    config.Series[0].Y.Kind = TQuantityKind::Distance;
    config.Series[1].Y.Kind = TQuantityKind::Speed;
    config.Series[1].Colour = SeriesColour(1);
    TfrmPlot plot(nullptr, config);
    const auto samples = static_cast<int>(state.range(0));
    for (int i = 0; i < samples; ++i) {
        const double t = 0.01 * i;
        const double x[2] = {t, t}, y[2] = {1 + 0.5 * std::cos(t), 2 + std::sin(t) + 1E-4 * std::sin(7 * t)};
        plot.AddSample(t, x, y);
    }
    for (auto _ : state) benchmark::DoNotOptimize(plot.Picture());
    state.counters["buckets"] = static_cast<double>(plot.History().Buckets().size());
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    BENCHMARK(BM_DrawStep)->Unit(benchmark::kMicrosecond);
    BENCHMARK(BM_RefreshScene)->Unit(benchmark::kMicrosecond);
    BENCHMARK(BM_EnergyPlotPicture)
        ->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->Arg(1000000)
        ->Unit(benchmark::kMicrosecond);
    BENCHMARK(BM_PlotPicture)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
