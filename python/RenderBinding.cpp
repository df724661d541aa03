// kinetra.render (see RenderBinding.h): the same settings, the same drawing and so the same
// pictures as kinetra-batch render.
#include "python/RenderBinding.h"

#include <pybind11/stl.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <optional>

#include "base/KNUtils.h"
#include "batch/RunRules.h"
#include "frame/FramedSim.h"
#include "parser/Parser.h"
#include "ui/render/Animation.h"

namespace py = pybind11;

namespace kinetra::python {

namespace {

// The drawing needs an application object (fonts, palette): one for the process, on the
// offscreen platform unless QT_QPA_PLATFORM chooses another.
void EnsureApplication() {
    if (QGuiApplication::instance()) return;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    static int argc = 1;
    static char name[] = "kinetra";
    static char* argv[] = {name, nullptr};
    static auto* application = new QGuiApplication(argc, argv);
    (void)application;
}

py::dict Render(const std::string& setupPath, const std::string& path, std::optional<std::int64_t> steps,
                std::optional<double> until, std::int64_t every, int fps, std::pair<int, int> size,
                const std::string& trails, bool com, bool velocities, bool forces, bool charges, bool time,
                bool names, bool scaleBar, bool method, bool legend, const std::string& timeUnit,
                bool backwards, int threads) {
    if (!steps && !until) throw EInOutError("render needs steps or until");
    if (trails != "none" && trails != "selected" && trails != "all")
        throw EInOutError("trails must be 'none', 'selected' or 'all'");
    EnsureApplication();
    ui::TAnimationSettings settings;
    settings.Steps = steps.value_or(0);
    settings.Every = every;
    settings.FramesPerSecond = fps;
    settings.Size = QSize(size.first, size.second);
    settings.Look = ui::DefaultAnimationLook();
    ui::TSceneLook& look = settings.Look;
    look.Trails = trails == "none"  ? ui::TRenderTrails::None
                  : trails == "all" ? ui::TRenderTrails::All
                                    : ui::TRenderTrails::Selected;
    look.CenterOfMass = com;
    look.VelocityArrows = velocities;
    look.ForceArrows = forces;
    look.ChargeSigns = charges;
    look.Burnins.Time = time;
    look.Burnins.Names = names;
    look.Burnins.ScaleBar = scaleBar;
    look.Burnins.Method = method;
    look.Burnins.Legend = legend;
    look.Burnins.TimeUnit = QString::fromStdString(timeUnit);

    TFramedSim setup;
    setup.Load(setupPath);
    TSimData& sim = setup.Sim();
    sim.Force->SetThreads(threads);
    std::optional<batch::TUntil> reach;
    if (until) {
        reach.emplace(*until);
        settings.Reached = [&] { return reach->Reached(sim); };
        settings.CycleCheck = reach->CycleCheck(sim);
        settings.Until = *until;
    }
    ui::CheckAnimationSettings(path, settings);
    sim.Rewind();
    sim.Prepare();
    if (backwards) sim.Reverse();
    ui::TAnimationResult result;
    {
        py::gil_scoped_release release;
        result = ui::RenderAnimation(setup, path, settings);
    }
    py::dict out;
    out["frames"] = result.Frames;
    out["steps"] = result.Steps;
    out["time"] = sim.Time;
    out["stopped_by"] = result.StoppedBy;
    return out;
}

}  // namespace

void BindRender(py::module_& m) {
    m.def("render", &Render, py::arg("setup"), py::arg("path"), py::arg("steps") = py::none(),
          py::arg("until") = py::none(), py::arg("every") = 1, py::arg("fps") = 25,
          py::arg("size") = std::pair<int, int>(1280, 720), py::arg("trails") = "selected",
          py::arg("com") = false, py::arg("velocities") = false, py::arg("forces") = false,
          py::arg("charges") = false, py::arg("time") = true, py::arg("names") = true,
          py::arg("scale_bar") = true, py::arg("method") = true, py::arg("legend") = true,
          py::arg("time_unit") = "", py::arg("backwards") = false, py::arg("threads") = 0,
          "kinetra-batch render: loads the setup file, prepares it and writes an animation of its next\n"
          "`steps` displayed steps (or until |time| >= |until|) to `path`, one picture after every\n"
          "`every`-th step, at `fps` pictures a second and `size` (width, height) pixels. The name\n"
          "chooses the format: .mp4 (H.264), .webm (VP9), .gif, .png or a name holding %04d (a\n"
          "numbered PNG sequence). Returns a dict: frames, steps, time and stopped_by (why a\n"
          "collision or a failed step ended the animation early, else empty).");
}

}  // namespace kinetra::python
