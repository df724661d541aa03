// Pictures of an exported animation drawn offscreen at 1280x720 (kinetra_render): one picture
// of the scene (trails of all particles, names, time, scale bar, method), and a whole frame of
// an animation (the displayed step, the trail segments and the picture), on the examples
// FigureEight (3 bodies) and Cluster1000 (1000 bodies).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <string>

#include "engine/SimulationData.h"
#include "frame/FramedSim.h"
#include "ui/render/Animation.h"

using namespace kinetra;
using namespace kinetra::ui;

namespace {

const char* const Examples[] = {"FigureEight", "Cluster1000"};

struct TBench {
    TFramedSim Setup;
    std::unique_ptr<TSceneRenderer> Renderer;
    explicit TBench(int example) {
        Setup.Load(std::string(KINETRA_EXAMPLES) + "/" + Examples[example] + ".knx");
        Setup.Sim().Rewind();
        Setup.Sim().Prepare();
        TSceneLook look = DefaultAnimationLook();
        look.Trails = TRenderTrails::All;
        Renderer = std::make_unique<TSceneRenderer>(Setup.Sim(), Setup.Frame(), QSize(1280, 720), look);
        for (int i = 0; i < 3; ++i) {
            Setup.Sim().Step();
            Renderer->AfterStep();
        }
    }
};

void BM_Picture(benchmark::State& state) {
    TBench bench(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(bench.Renderer->Picture());
    state.SetLabel(Examples[state.range(0)]);
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_StepAndPicture(benchmark::State& state) {
    TBench bench(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        bench.Setup.Sim().Step();
        bench.Renderer->AfterStep();
        benchmark::DoNotOptimize(bench.Renderer->Picture());
    }
    state.SetLabel(Examples[state.range(0)]);
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    BENCHMARK(BM_Picture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
    BENCHMARK(BM_StepAndPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
