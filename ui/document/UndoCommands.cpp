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
    state.Power = sim.Force->PowerAsGiven();
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
    // The value the force law was given, not the one it computes back from its exponent.
    if (force.PowerAsGiven() != state.Power) force.SetPower(state.Power);
    sim.Collisions = state.Collisions;
}

// ---------------------------------------------------------------------------------------------

TSetupChange::TSetupChange(TDocument& document, const QString& text, bool particlesKind, int mergeId)
    : QUndoCommand(text), Document(document), FParticlesKind(particlesKind), FMergeId(mergeId) {}

void TSetupChange::redo() {
    // The push makes the change, which the command that asked for it follows up; later redos
    // announce it.
    Apply(true, FDone);
    FDone = true;
}

void TSetupChange::undo() {
    Apply(false, !FDrop);
    if (FDrop) setObsolete(true);
}

TInitialState CaptureInitial(const TParticle& particle) {
    TInitialState state;
    for (int d = 0; d < particle.InitialPosition.Count(); ++d) {
        state.Position.push_back(particle.InitialPosition[d]);
        state.Velocity.push_back(particle.InitialVelocity[d]);
    }
    return state;
}

TInitialChange::TInitialChange(TDocument& document, const QString& text, int particle,
                               const TInitialState& after, int drag)
    : TSetupChange(document, text, true, MergeBodyDrag),
      FParticle(particle),
      FBefore(CaptureInitial(document.Sim().Particles.Particles(particle))),
      FAfter(after) {
    SetDrag(drag);
}

bool TInitialChange::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const TInitialChange*>(other);
    if (next == nullptr || next->Drag() != Drag() || Drag() == 0 || next->FParticle != FParticle)
        return false;
    FAfter = next->FAfter;
    return true;
}

void TInitialChange::Apply(bool after, bool announce) {
    Document.SetInitialState(FParticle, after ? FAfter : FBefore, announce);
}

TParticlesChange::TParticlesChange(TDocument& document, const QString& text,
                                   std::unique_ptr<TParticlesList> before, const TFrameState& frameBefore,
                                   std::unique_ptr<TParticlesList> after, const TFrameState& frameAfter)
    : TSetupChange(document, text, true, MergeBodyDrag),
      Before(std::move(before)),
      After(std::move(after)),
      FrameBefore(frameBefore),
      FrameAfter(frameAfter) {}

TParticlesChange::~TParticlesChange() = default;

bool TParticlesChange::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const TInitialChange*>(other);
    if (next == nullptr || next->Drag() != Drag() || Drag() == 0 || next->Particle() >= After->Count())
        return false;
    TParticle& p = After->Particles(next->Particle());
    const TInitialState& state = next->After();
    for (int k = 0; k < p.InitialPosition.Count(); ++k) {
        p.InitialPosition[k] = state.Position[static_cast<size_t>(k)];
        p.InitialVelocity[k] = state.Velocity[static_cast<size_t>(k)];
    }
    p.Position.Assign(p.InitialPosition);
    p.Velocity.Assign(p.InitialVelocity);
    return true;
}

void TParticlesChange::Apply(bool after, bool announce) {
    Document.RestoreParticles(after ? *After : *Before, after ? FrameAfter : FrameBefore, announce);
}

TOptionsChange::TOptionsChange(TDocument& document, const TOptionsState& before, const TOptionsState& after)
    : TSetupChange(document, QStringLiteral("Simulation options"), false), Before(before), After(after) {}

void TOptionsChange::Apply(bool after, bool announce) {
    Document.RestoreOptions(after ? After : Before, announce);
}

TFrameChange::TFrameChange(TDocument& document, const QString& text, const TFrameState& before,
                           const TFrameState& after, int mergeId)
    : TSetupChange(document, text, false, mergeId), Before(before), After(after) {}

bool TFrameChange::mergeWith(const QUndoCommand* other) {
    // Only changes of the same kind, one after the other (a wheel turned on, a drag or another
    // one): the command spans them all.
    const auto* next = dynamic_cast<const TFrameChange*>(other);
    if (next == nullptr || next->id() != id() || id() == NoMerge) return false;
    After = next->After;
    return true;
}

void TFrameChange::Apply(bool after, bool announce) {
    Document.RestoreFrame(after ? After : Before, announce);
}

TNotesChange::TNotesChange(TDocument& document, const std::string& before, const std::string& after)
    : TSetupChange(document, QStringLiteral("Notes"), true), Before(before), After(after) {}

void TNotesChange::Apply(bool after, bool announce) {
    Document.RestoreNotes(after ? After : Before, announce);
}

}  // namespace kinetra::ui
