// kinetra-batch render: an animation of a run, drawn offscreen by the window's scene code
// (kinetra_render) and encoded as the output name says. It needs no display: without a
// platform of its own choosing it draws on Qt's offscreen platform.
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

#include "base/KNUtils.h"
#include "batch/BatchCommon.h"
#include "ui/render/Animation.h"

namespace kinetra::batch {

namespace {

QSize ParseSize(const std::string& text) {
    const size_t x = text.find_first_of("xX");
    const auto number = [&](const std::string& part) {
        int value = 0;
        if (part.empty() || part.size() > 5) return -1;
        for (char c : part) {
            if (c < '0' || c > '9') return -1;
            value = value * 10 + (c - '0');
        }
        return value;
    };
    const int w = x == std::string::npos ? -1 : number(text.substr(0, x));
    const int h = x == std::string::npos ? -1 : number(text.substr(x + 1));
    if (w < 16 || h < 16 || w > 8192 || h > 8192)
        throw EUsage{"--size needs WIDTHxHEIGHT, each 16 to 8192 pixels, not '" + text + "'"};
    return {w, h};
}

bool Has(const TCommandLine& line, const char* option) {
    for (const std::string& s : line.Switches)
        if (s == option) return true;
    return false;
}

// The application object the drawing needs (fonts, the palette), on the offscreen platform
// unless QT_QPA_PLATFORM chooses another.
std::unique_ptr<QGuiApplication> DrawingApplication() {
    if (QGuiApplication::instance()) return nullptr;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt's notes about the environment (no runtime folder, say) are not the tool's output;
    // its fatal errors still end the program.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    static int argc = 1;
    static char name[] = "kinetra-batch";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int CommandRender(const TCommandLine& line) {
    if (line.Positional.size() != 2) throw EUsage{"render needs a SETUP file and an OUT file"};
    if (!line.Steps && !line.Until) throw EUsage{"render needs --steps N or --until T"};
    if (line.Steps && *line.Steps < 1) throw EUsage{"--steps needs at least one step for render"};
    const std::string& out = line.Positional[1];
    ui::TAnimationSettings settings;
    if (line.Size) settings.Size = ParseSize(*line.Size);
    settings.Every = line.Every;
    settings.FramesPerSecond = static_cast<int>(line.Fps);
    if (!ui::AnimationFormatOf(out))
        throw EUsage{"OUT must end in .mp4, .webm, .gif or .png (or hold a frame number as %04d), not '" +
                     out + "'"};

    const std::unique_ptr<QGuiApplication> application = DrawingApplication();
    settings.Look = ui::DefaultAnimationLook();
    ui::TSceneLook& look = settings.Look;
    if (line.Trails)
        look.Trails = *line.Trails == "none"  ? ui::TRenderTrails::None
                      : *line.Trails == "all" ? ui::TRenderTrails::All
                                              : ui::TRenderTrails::Selected;
    look.CenterOfMass = Has(line, "--com");
    look.VelocityArrows = Has(line, "--velocities");
    look.ForceArrows = Has(line, "--forces");
    look.ChargeSigns = Has(line, "--charges");
    look.Burnins.Time = !Has(line, "--no-time");
    look.Burnins.Names = !Has(line, "--no-names");
    look.Burnins.ScaleBar = !Has(line, "--no-scale-bar");
    look.Burnins.Method = !Has(line, "--no-method");
    look.Burnins.Legend = !Has(line, "--no-legend");
    look.Burnins.TimeUnit = QString::fromStdString(line.TimeUnit);

    TLoadedSetup setup;
    try {
        setup.Load(line.Positional[0]);
    } catch (const std::exception& e) {
        return LoadFailed(e);
    }
    TSimData& sim = setup.Sim();
    sim.Force->SetThreads(line.Threads);
    std::optional<double> until;
    if (const int failed = ApplyOverrides(sim, line, &until)) return failed;
    std::optional<TUntil> reach;
    if (until) {
        reach.emplace(*until);
        settings.Reached = [&] { return reach->Reached(sim); };
        settings.CycleCheck = reach->CycleCheck(sim);
        settings.Until = *until;
    }
    settings.Steps = line.Steps ? *line.Steps : 0;
    bool limited = false;
    if (line.MaxSteps && (settings.Steps == 0 || *line.MaxSteps < settings.Steps)) {
        limited = true;
        settings.Steps = *line.MaxSteps;
    }

    TProgress progress;
    ui::TAnimationResult result;
    try {
        ui::CheckAnimationSettings(out, settings);
        sim.Rewind();
        sim.Prepare();
        if (line.Backwards) sim.Reverse();
        result = ui::RenderAnimation(setup, out, settings, [&](const ui::TAnimationProgress& p) {
            if (progress.Due()) {
                std::string text = "render: frame " + std::to_string(p.Frame);
                if (p.Frames > 0) text += " of " + std::to_string(p.Frames);
                text += ", step " + std::to_string(p.Step) + ", t = " + FormatGeneral(p.Time, 6) + " (" +
                        FormatFixed(100 * p.Done, 1) + "%)";
                progress.Show(text);
            }
            return true;
        });
    } catch (const std::exception& e) {
        Print(stderr, std::string("error: ") + e.what() + "\n");
        return ExitFailed;
    }
    progress.Clear();
    if (!result.StoppedBy.empty()) {
        Print(stderr, result.StoppedBy + "\n");
        return result.StoppedBy.rfind("Collision", 0) == 0 ? ExitCollision : ExitStepFailed;
    }
    if (limited && !(reach && reach->Reached(sim))) {
        Print(stderr, "error: " + StepLimitMessage(*line.MaxSteps, sim.Time) + "\n");
        return ExitStepLimit;
    }
    Print(stdout, "wrote " + std::to_string(result.Frames) + " frames of " + std::to_string(result.Steps) +
                      " steps to " + out + "\n");
    return ExitOk;
}

}  // namespace kinetra::batch
