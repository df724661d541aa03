// The open setup of the main window and its signals.
#include "ui/document/Document.h"

#include <QUndoStack>

#include "engine/SimulationData.h"
#include "frame/FramedSim.h"
#include "parser/Parser.h"

namespace kinetra::ui {

TDocument::TDocument(QObject* parent)
    : QObject(parent),
      FSetup(std::make_unique<TFramedSim>()),
      FParser(std::make_unique<TParser>()),
      FUndoStack(new QUndoStack(this)) {
    TSimData& sim = FSetup->Sim();
    sim.OnStepDone = [this] { emit stepDone(); };
    HookCollisions();
}

void TDocument::HookCollisions() {
    FSetup->Sim().Particles.OnCollision = [this](int i, int j) { emit collision(i, j); };
}

TDocument::~TDocument() {
    // The commands of the stack may refer to the simulation: they go first.
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
    emit runStateChanged(state);
}

void TDocument::SetModified(bool value) {
    const bool was = FModified;
    FModified = value;
    if (!value) FParticlesModified = false;
    if (was != value) emit modifiedChanged(value);
}

void TDocument::SetParticlesModified(bool value) {
    const bool was = FModified;
    FParticlesModified = value;
    FModified = value;
    if (was != value) emit modifiedChanged(value);
}

void TDocument::SetNewSetup(bool value) {
    FNewSetup = value;
}

void TDocument::ResetView() {
    FSetup->ResetFrame();
    emit viewReset();
}

void TDocument::NotifyParticlesChanged() {
    emit particlesChanged();
}

void TDocument::NotifySetupReplaced() {
    emit setupReplaced();
}

}  // namespace kinetra::ui
