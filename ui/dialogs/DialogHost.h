// What the dialogs see of the main window: the one simulation, the one expression parser, the
// screen frame, the prompts, and the change bookkeeping.
#pragma once

namespace kinetra {
class TSimData;
class TParser;
class TScreenFrame;
}  // namespace kinetra

namespace kinetra::ui {

class TUserPrompts;

class TDialogHost {
public:
    virtual ~TDialogHost() = default;
    virtual TSimData& SimData() = 0;
    virtual TParser& ExprParser() = 0;
    virtual TScreenFrame& ScreenFrame() = 0;
    virtual TUserPrompts& Prompts() = 0;
    virtual void SetModified(bool value) = 0;
    virtual void SetParticlesModified(bool value) = 0;
    // The particle list's OnListChanged hook.
    virtual void ParticlesChanged() = 0;
};

}  // namespace kinetra::ui
