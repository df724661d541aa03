// An animation of a run: the simulation steps on from the state it is in, and after every
// k-th displayed step the scene is drawn offscreen (TSceneRenderer) and handed to the encoder
// that the output name chooses. The pictures depend only on the steps, so an animation is the
// same whatever the machine's speed, and the window and kinetra-batch make the same one from the
// same setup and settings. The file appears under its name only when it is complete: it is
// written beside it and renamed at the end; a cancelled or failed export leaves nothing behind
// (a PNG sequence removes the pictures it wrote).
#pragma once

#include <QSize>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ui/render/SceneRenderer.h"
#include "ui/render/VideoEncoder.h"

namespace kinetra {
class TFramedSim;
}

namespace kinetra::ui {

struct TAnimationSettings {
    // The displayed steps to take; with a time to reach, at most this many (0: no limit).
    std::int64_t Steps = 0;
    // A time to reach, when given: Reached tells when the run is done; CycleCheck is handed to
    // every Step (see TSimData::Step). kinetra-batch's --until rule provides both.
    std::function<bool()> Reached;
    std::function<bool()> CycleCheck;
    // The time to reach, for the progress (0: none).
    double Until = 0;
    // A picture after every k-th displayed step (and after the last one).
    std::int64_t Every = 1;
    int FramesPerSecond = 25;
    QSize Size{1280, 720};
    TSceneLook Look;
};

// Where an animation stands, for a progress display. Frames is the number of pictures to come
// in all (0 when the run ends at a time, not after a number of steps).
struct TAnimationProgress {
    std::int64_t Frame = 0;
    std::int64_t Frames = 0;
    std::int64_t Step = 0;
    double Time = 0;
    // How far, 0 to 1, towards the steps or the time to reach.
    double Done = 0;
};

// Raised when the progress callback asks to stop; not a std::exception, so that no handler of
// a failed step or write takes it for one.
struct EAnimationCancelled {};

// What a finished animation wrote.
struct TAnimationResult {
    std::int64_t Frames = 0;
    std::int64_t Steps = 0;
    // The step that ended the run early (a collision, a failed step): the pictures before it
    // are written, and the message says why it ended.
    std::string StoppedBy;
};

// Checks the settings and the output name before anything runs; EInOutError with the reason
// (an unknown extension, a size, frame rate or step count out of range, a missing encoder).
TAnimationFormat CheckAnimationSettings(const std::string& fileName, const TAnimationSettings& settings);

// Steps `setup`'s simulation (prepared for its run by the caller) and writes the animation to
// `fileName`. `progress` is asked after every picture; returning false cancels
// (EAnimationCancelled). Write failures raise EInOutError naming the file and the reason.
TAnimationResult RenderAnimation(TFramedSim& setup, const std::string& fileName,
                                 const TAnimationSettings& settings,
                                 const std::function<bool(const TAnimationProgress&)>& progress = {});

// The look that both the window and kinetra-batch give an animation: the application's palette
// and a font of a fixed pixel size (pictures do not depend on the screen's resolution), every
// burn-in on, trails of the particles that ask for them.
TSceneLook DefaultAnimationLook();

}  // namespace kinetra::ui
