// The open setup of the main window and its signals.
#include "ui/document/Document.h"

#include <QUndoStack>
#include <algorithm>

#include "engine/SimulationData.h"
#include "frame/FramedSim.h"
#include "parser/Parser.h"
#include "ui/document/RunClock.h"
#include "ui/document/UndoCommands.h"

namespace kinetra::ui {

TDocument::TDocument(QObject* parent)
    : QObject(parent),
      FSetup(std::make_unique<TFramedSim>()),
      FParser(std::make_unique<TParser>()),
      FUndoStack(new QUndoStack(this)),
      FClock(new TRunClock(*this, this)) {
    TSimData& sim = FSetup->Sim();
    sim.OnStepDone = [this] { emit stepDone(); };
    HookCollisions();
    connect(FUndoStack, &QUndoStack::indexChanged, this, &TDocument::FollowUndoStack);
    connect(FUndoStack, &QUndoStack::cleanChanged, this, &TDocument::FollowUndoStack);
}

void TDocument::HookCollisions() {
    FSetup->Sim().Particles.OnCollision = [this](int i, int j) { FCollision = {true, i, j, Sim().Time}; };
}

TDocument::~TDocument() {
    // The commands of the stack may refer to the simulation: they go first, and quietly (the
    // listeners may be gone already).
    FUndoStack->blockSignals(true);
    delete FUndoStack;
    FSetup->Sim().OnStepDone = nullptr;
    FSetup->Sim().Particles.OnCollision = nullptr;
}

TSimData& TDocument::Sim() {
    return FSetup->Sim();
}

const TSimData& TDocument::Sim() const {
    return FSetup->Sim();
}

TScreenFrame& TDocument::Frame() {
    return FSetup->Frame();
}

const TScreenFrame& TDocument::Frame() const {
    return FSetup->Frame();
}

TParser& TDocument::Parser() {
    return *FParser;
}

QUndoStack& TDocument::UndoStack() {
    return *FUndoStack;
}

void TDocument::SetRunState(TRunState state) {
    if (state == FRunState) return;
    FRunState = state;
    if (state == rsNoSetup) SetSelected(-1);
    emit runStateChanged(state);
}

void TDocument::SetFlags(bool modified, bool particles) {
    const bool was = FModified;
    FModified = modified;
    FParticlesModified = particles;
    if (was != modified) emit modifiedChanged(modified);
}

void TDocument::SetNewSetup(bool value) {
    FNewSetup = value;
}

void TDocument::ResetView() {
    FSetup->ResetFrame();
    SetSelected(-1);
    emit viewReset();
}

void TDocument::NotifyParticlesChanged() {
    KeepSelection();
    emit particlesChanged();
}

void TDocument::NotifySetupReplaced() {
    SetSelected(-1);
    emit setupReplaced();
}

void TDocument::SetSelected(int particle) {
    if (particle < 0 || particle >= Sim().Particles.Count()) particle = -1;
    if (particle == FSelected) return;
    FSelected = particle;
    emit selectionChanged(particle);
}

void TDocument::KeepSelection() {
    if (FSelected >= Sim().Particles.Count()) SetSelected(-1);
}

void TDocument::ShowHint(const QString& text) {
    emit hintShown(text);
}

// ---------------------------------------------------------------------------------------------
// Undo and redo

void TDocument::ChangeParticles(const QString& text, const TParticlesList& after, int drag) {
    const TParticlesList& particles = Sim().Particles;
    auto before = std::make_unique<TParticlesList>(particles.Dimensions());
    before->Assign(particles);
    auto copy = std::make_unique<TParticlesList>(after.Dimensions());
    copy->Assign(after);
    const TFrameState frame = CaptureFrame(Frame());
    auto* command = new TParticlesChange(*this, text, std::move(before), frame, std::move(copy), frame);
    command->SetDrag(drag);
    if (drag == 0) command->AnnounceAtOnce();
    FUndoStack->push(command);
    if (drag != 0) emit initialStateChanged();
}

void TDocument::ChangeInitialState(const QString& text, int particle, const TInitialState& after, int drag) {
    FUndoStack->push(new TInitialChange(*this, text, particle, after, drag));
}

void TDocument::PushParticlesChange(const QString& text, std::unique_ptr<TParticlesList> before,
                                    const TFrameState& frameBefore) {
    auto after = std::make_unique<TParticlesList>(Sim().Particles.Dimensions());
    after->Assign(Sim().Particles);
    const TFrameState frameAfter = CaptureFrame(Frame());
    RestoreParticles(*before, frameBefore, false);
    FUndoStack->push(
        new TParticlesChange(*this, text, std::move(before), frameBefore, std::move(after), frameAfter));
}

void TDocument::PushOptionsChange(const TOptionsState& before) {
    const TOptionsState after = CaptureOptions(Sim());
    RestoreOptions(before, false);
    FUndoStack->push(new TOptionsChange(*this, before, after));
}

void TDocument::PushFrameChange(const QString& text, const TFrameState& before, int mergeId) {
    const TFrameState after = CaptureFrame(Frame());
    RestoreFrame(before, false);
    FUndoStack->push(new TFrameChange(*this, text, before, after, mergeId));
}

void TDocument::PushNotesChange(const std::string& before) {
    const std::string after = Sim().Notes;
    Sim().Notes = before;
    FUndoStack->push(new TNotesChange(*this, before, after));
    emit notesChanged();
}

void TDocument::ClearUndo(bool clean) {
    ClearingUndo = true;
    FUndoStack->clear();
    if (!clean) FUndoStack->resetClean();
    UnsavedParticles = !clean;
    ClearingUndo = false;
    // A setup that is not the one saved (a new one) differs from nothing in its particles.
    SetFlags(!clean, !clean);
}

void TDocument::MarkSaved() {
    UnsavedParticles = false;
    FUndoStack->setClean();
    SetFlags(false, false);
}

void TDocument::FollowUndoStack() {
    if (ClearingUndo) return;
    if (FUndoStack->isClean()) {
        SetFlags(false, false);
        return;
    }
    const int index = FUndoStack->index();
    const int clean = FUndoStack->cleanIndex();
    // Without a saved state to come back to (a new setup, or one whose saved state was undone
    // and then replaced by another change) a change of the particles stays one.
    bool particles = clean < 0 && (UnsavedParticles || FParticlesModified);
    const int from = clean < 0 ? 0 : std::min(clean, index);
    const int to = clean < 0 ? index : std::max(clean, index);
    for (int k = from; k < to && !particles; ++k)
        if (const auto* change = dynamic_cast<const TSetupChange*>(FUndoStack->command(k)))
            particles = change->ParticlesKind();
    // Without a change of the particles the save question asks about the simulation setup.
    SetFlags(true, particles);
}

void TDocument::RestoreParticles(const TParticlesList& particles, const TFrameState& frame, bool announce) {
    TSimData& sim = Sim();
    // The work arrays refer to the particles that go.
    sim.FreeWork();
    sim.Particles.Assign(particles);
    HookCollisions();
    kinetra::ui::RestoreFrame(Frame(), frame);
    KeepSelection();
    if (announce) emit particlesRestored();
}

void TDocument::RestoreOptions(const TOptionsState& options, bool announce) {
    kinetra::ui::RestoreOptions(Sim(), options);
    if (announce) emit optionsRestored();
}

void TDocument::RestoreFrame(const TFrameState& frame, bool announce) {
    kinetra::ui::RestoreFrame(Frame(), frame);
    if (announce) emit viewRestored();
}

void TDocument::RestoreNotes(const std::string& notes, bool announce) {
    Sim().Notes = notes;
    if (announce) emit notesChanged();
}

void TDocument::SetInitialState(int particle, const TInitialState& state, bool announce) {
    TParticle& p = Sim().Particles.Particles(particle);
    for (int d = 0; d < p.InitialPosition.Count(); ++d) {
        p.InitialPosition[d] = state.Position[static_cast<size_t>(d)];
        p.InitialVelocity[d] = state.Velocity[static_cast<size_t>(d)];
    }
    // A stopped setup stands at its initial state.
    if (FRunState == rsStopped) {
        p.Position.Assign(p.InitialPosition);
        p.Velocity.Assign(p.InitialVelocity);
        Sim().Particles.UpdateCenterOfMass();
    }
    emit initialStateChanged();
    if (announce) emit particlesRestored();
}

}  // namespace kinetra::ui
