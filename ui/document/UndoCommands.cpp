// The undoable changes of a setup.
#include "ui/document/UndoCommands.h"

#include "base/KNUtils.h"
#include "frame/Frame.h"
#include "model/Particles.h"
#include "ui/document/Document.h"

namespace kinetra::ui {

TFrameState CaptureFrame(const TScreenFrame& frame) {
    TFrameState state;
    state.XDim = frame.XDim();
    state.YDim = frame.YDim();
    state.Scale = frame.Scale();
    const TVector& origin = frame.OwnOrigin();
    for (int i = 0; i < origin.Count(); ++i) state.OwnOrigin.push_back(origin[i]);
    state.Name = frame.Name();
    return state;
}

void RestoreFrame(TScreenFrame& frame, const TFrameState& state) {
    frame.SetXDim(state.XDim);
    frame.SetYDim(state.YDim);
    frame.SetScale(state.Scale);
    TVector& origin = frame.OwnOrigin();
    for (int i = 0; i < origin.Count() && i < static_cast<int>(state.OwnOrigin.size()); ++i)
        origin[i] = state.OwnOrigin[static_cast<size_t>(i)];
    frame.SetName(state.Name);
}

bool TOptionsState::SameSetup(const TOptionsState& other) const {
    return Method == other.Method && Accuracy == other.Accuracy && TimeStep == other.TimeStep &&
           Cycles == other.Cycles && GravConstant == other.GravConstant &&
           CoulombCoeff == other.CoulombCoeff && Power == other.Power;
}

TOptionsState CaptureOptions(const TSimData& sim) {
    TOptionsState state;
    state.Method = sim.Method;
    state.Accuracy = sim.Accuracy;
    state.TimeStep = sim.TimeStep;
    state.Cycles = sim.Cycles;
    state.GravConstant = sim.Force->GravConstant();
    state.CoulombCoeff = sim.Force->CoulombCoeff();
    state.Power = sim.Force->GetPower();
    state.Collisions = sim.Collisions;
    return state;
}

void RestoreOptions(TSimData& sim, const TOptionsState& state) {
    if (sim.Method != state.Method) sim.SetMethod(state.Method);
    if (sim.Accuracy != state.Accuracy) sim.SetAccuracy(state.Accuracy);
    if (sim.TimeStep != state.TimeStep) sim.SetTimeStep(state.TimeStep);
    if (sim.Cycles != state.Cycles) sim.SetCycles(state.Cycles);
    TForce& force = *sim.Force;
    if (force.GravConstant() != state.GravConstant) force.SetGravConstant(state.GravConstant);
    if (force.CoulombCoeff() != state.CoulombCoeff) force.SetCoulombCoeff(state.CoulombCoeff);
    if (force.GetPower() != state.Power) {
        // The force law keeps the power as an exponent of its own and reports it computed back;
        // its 15-digit text is the value a file or the dialog gave it.
        double power = state.Power;
        ParseDecimal(FormatGeneral(state.Power, 15), power);
        force.SetPower(power);
    }
    sim.Collisions = state.Collisions;
}

// ---------------------------------------------------------------------------------------------

TSetupChange::TSetupChange(TDocument& document, const QString& text, bool particlesKind, int mergeId)
    : QUndoCommand(text), Document(document), FParticlesKind(particlesKind), FMergeId(mergeId) {}

void TSetupChange::redo() {
    // Pushed after the window made the change: the state after it is in place already.
    if (!Pushed) {
        Pushed = true;
        return;
    }
    Apply(true);
}

TParticlesChange::TParticlesChange(TDocument& document, const QString& text,
                                   std::unique_ptr<TParticlesList> before, const TFrameState& frameBefore)
    : TSetupChange(document, text, true),
      Before(std::move(before)),
      After(std::make_unique<TParticlesList>(document.Sim().Particles.Dimensions())),
      FrameBefore(frameBefore),
      FrameAfter(CaptureFrame(document.Frame())) {
    After->Assign(document.Sim().Particles);
}

TParticlesChange::~TParticlesChange() = default;

void TParticlesChange::Apply(bool after) {
    Document.RestoreParticles(after ? *After : *Before, after ? FrameAfter : FrameBefore);
}

TOptionsChange::TOptionsChange(TDocument& document, const TOptionsState& before)
    : TSetupChange(document, QStringLiteral("Simulation options"), false),
      Before(before),
      After(CaptureOptions(document.Sim())) {}

void TOptionsChange::Apply(bool after) {
    Document.RestoreOptions(after ? After : Before);
}

TFrameChange::TFrameChange(TDocument& document, const QString& text, const TFrameState& before, int mergeId)
    : TSetupChange(document, text, false, mergeId), Before(before), After(CaptureFrame(document.Frame())) {}

bool TFrameChange::mergeWith(const QUndoCommand* other) {
    // Only changes of the same kind, one after the other (a wheel turned on, a drag or another
    // one): the command spans them all.
    const auto* next = dynamic_cast<const TFrameChange*>(other);
    if (next == nullptr || next->id() != id() || id() == NoMerge) return false;
    After = next->After;
    return true;
}

void TFrameChange::Apply(bool after) {
    Document.RestoreFrame(after ? After : Before);
}

TNotesChange::TNotesChange(TDocument& document, const std::string& before)
    : TSetupChange(document, QStringLiteral("Notes"), true), Before(before), After(document.Sim().Notes) {}

void TNotesChange::Apply(bool after) {
    Document.RestoreNotes(after ? After : Before);
}

}  // namespace kinetra::ui
