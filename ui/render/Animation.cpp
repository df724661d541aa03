// The animation of a run (see Animation.h).
#include "ui/render/Animation.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <cmath>
#include <filesystem>
#include <ostream>
#include <vector>

#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"

namespace kinetra::ui {

namespace {

constexpr int SmallestSide = 16;
constexpr int LargestSide = 8192;

// The program's atomic writer: the file holds everything or stays as it was.
void WriteWhole(const std::string& fileName, const std::function<void(std::ostream&)>& write) {
    WriteFileAtomically(fileName, write);
}

std::string Png(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture))
        throw EInOutError("Could not encode the picture: " + writer.errorString().toStdString());
    return bytes.toStdString();
}

// A cancel crosses the atomic writer as itself (it removes its temporary file and rethrows
// what is not an error).
struct TCancelled {
    EAnimationCancelled Cancel;
};

}  // namespace

TSceneLook DefaultAnimationLook() {
    TSceneLook look;
    look.Palette = QGuiApplication::palette();
    look.Font = QFont(QStringLiteral("DejaVu Sans"));
    look.Font.setPixelSize(14);
    look.Font.setHintingPreference(QFont::PreferNoHinting);
    look.Burnins.Time = look.Burnins.Names = look.Burnins.ScaleBar = look.Burnins.Method = true;
    look.Burnins.Legend = true;
    return look;
}

TAnimationFormat CheckAnimationSettings(const std::string& fileName, const TAnimationSettings& settings) {
    const std::optional<TAnimationFormat> format = AnimationFormatOf(fileName);
    if (!format)
        throw EInOutError("\"" + fileName +
                          "\": the name must end in .mp4, .webm, .gif or .png (or hold %04d)");
    if (*format == TAnimationFormat::PngSequence) SequenceFileName(fileName, 0);
    const QSize size = settings.Size;
    if (size.width() < SmallestSide || size.height() < SmallestSide || size.width() > LargestSide ||
        size.height() > LargestSide)
        throw EInOutError("The picture size must be between 16 and 8192 pixels each way");
    if ((*format == TAnimationFormat::Mp4 || *format == TAnimationFormat::WebM) &&
        (size.width() % 2 != 0 || size.height() % 2 != 0))
        throw EInOutError("MP4 and WebM need an even width and height");
    if (settings.FramesPerSecond < 1 || settings.FramesPerSecond > 240)
        throw EInOutError("The frame rate must be between 1 and 240 frames per second");
    if (settings.Every < 1) throw EInOutError("A picture needs at least one step");
    if (settings.Steps < 1 && !settings.Reached) throw EInOutError("An animation needs a number of steps");
    if (TVideoEncoder::EncoderName(*format).empty())
        throw EInOutError("The installed FFmpeg libraries have no encoder for \"" + fileName + "\"");
    return *format;
}

TAnimationResult RenderAnimation(TFramedSim& setup, const std::string& fileName,
                                 const TAnimationSettings& settings,
                                 const std::function<bool(const TAnimationProgress&)>& progress) {
    const TAnimationFormat format = CheckAnimationSettings(fileName, settings);
    TSimData& sim = setup.Sim();
    TSceneRenderer renderer(sim, setup.Frame(), settings.Size, settings.Look);
    TAnimationResult result;
    const std::int64_t frames = settings.Reached ? 0 : settings.Steps / settings.Every;
    const auto done = [&] {
        if (settings.Reached && settings.Until != 0)
            return std::min(1.0, std::abs(sim.Time) / std::abs(settings.Until));
        return settings.Steps > 0 ? double(result.Steps) / double(settings.Steps) : 0.0;
    };

    struct {
        bool Happened = false;
        int First = 0, Second = 0;
        double Time = 0;
    } collision;
    const auto oldCollision = sim.Particles.OnCollision;
    if (sim.Collisions) sim.Particles.OnCollision = [&](int i, int j) { collision = {true, i, j, sim.Time}; };

    // Takes the steps to the next picture; false when the run is over (the steps are done, the
    // time is reached, or a step failed).
    const auto advance = [&]() -> bool {
        std::int64_t taken = 0;
        while (taken < settings.Every) {
            if (settings.Reached && settings.Reached()) break;
            if (settings.Steps > 0 && result.Steps >= settings.Steps) break;
            try {
                sim.Step(settings.CycleCheck);
            } catch (const EAbort& e) {
                result.StoppedBy =
                    collision.Happened
                        ? Format("Collision between %s and %s", sim.Particles.Particles(collision.First).Name,
                                 sim.Particles.Particles(collision.Second).Name) +
                              " at t = " + FormatFixed(collision.Time, 2)
                        : std::string(e.what());
                return false;
            } catch (const EKinetraError& e) {
                result.StoppedBy = e.what();
                return false;
            }
            ++result.Steps;
            ++taken;
            renderer.AfterStep();
        }
        // The last steps make a picture even when fewer than k were left (a time reached).
        return taken == settings.Every || (taken > 0 && settings.Reached);
    };
    const auto picture = [&](const std::function<void(const QImage&)>& take) {
        take(renderer.Picture());
        ++result.Frames;
        if (progress && !progress({result.Frames, frames, result.Steps, sim.Time, done()}))
            throw TCancelled{};
    };

    struct TRestore {
        TSimData& Sim;
        TCollisionEvent Old;
        ~TRestore() { Sim.Particles.OnCollision = Old; }
    } restore{sim, oldCollision};

    try {
        if (format == TAnimationFormat::PngSequence) {
            std::vector<std::string> written;
            try {
                while (advance())
                    picture([&](const QImage& image) {
                        const std::string name = SequenceFileName(fileName, result.Frames);
                        const std::string bytes = Png(image);
                        WriteWhole(name, [&](std::ostream& out) {
                            out.write(bytes.data(), std::streamsize(bytes.size()));
                        });
                        written.push_back(name);
                    });
            } catch (...) {
                std::error_code ec;
                for (const std::string& name : written) std::filesystem::remove(name, ec);
                throw;
            }
        } else {
            WriteWhole(fileName, [&](std::ostream& out) {
                TVideoEncoder encoder(out, format, settings.Size, settings.FramesPerSecond);
                while (advance()) picture([&](const QImage& image) { encoder.Add(image); });
                if (result.Frames == 0) throw EInOutError("No picture: the run ended before its first one");
                encoder.Finish();
            });
        }
    } catch (const TCancelled&) {
        throw EAnimationCancelled{};
    }
    return result;
}

}  // namespace kinetra::ui
