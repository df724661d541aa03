// The changes of a setup that the window makes, as commands of the document's undo stack. Each
// command holds the state before and after the change of what it changed (the particle
// collection with the frame, the simulation options, the frame, the notes, one particle's
// initial state), so undo and redo put back exactly those values, bit for bit. A command makes
// its own change: its first redo (the push) puts the state after in place, quietly, for the
// command that asked for it follows it up; later redos and undos announce what they put back,
// and the rooms show it as after the command that made the change.
#pragma once

#include <QUndoCommand>
#include <memory>
#include <string>
#include <vector>

#include "engine/SimulationData.h"

namespace kinetra {
class TParticle;
class TParticlesList;
class TScreenFrame;
}  // namespace kinetra

namespace kinetra::ui {

class TDocument;

// What the setup file holds of the screen frame: the displayed dimensions, the scale, the own
// origin and the frame's name (which resolves the origin it follows).
struct TFrameState {
    int XDim = 0;
    int YDim = 0;
    double Scale = 1;
    std::vector<double> OwnOrigin;
    std::string Name;
    bool operator==(const TFrameState&) const = default;
};
TFrameState CaptureFrame(const TScreenFrame& frame);
// Through the frame's setters; the name last, so that it resolves against the particles in place.
void RestoreFrame(TScreenFrame& frame, const TFrameState& state);

// The simulation options of the options dialog.
struct TOptionsState {
    TNumMethod Method = nmStoermer;
    double Accuracy = 0;
    double TimeStep = 0;
    int Cycles = 0;
    double GravConstant = 0;
    double CoulombCoeff = 0;
    double Power = 0;
    bool Collisions = false;
    // The settings a setup file stores (all but the collisions).
    bool SameSetup(const TOptionsState& other) const;
};
TOptionsState CaptureOptions(const TSimData& sim);
// Through the setters of the simulation and the force model, each only where it differs.
void RestoreOptions(TSimData& sim, const TOptionsState& state);

// A command of the setup; `ParticlesKind` commands (particles, notes) make the save question
// ask about the particle setup.
class TSetupChange : public QUndoCommand {
public:
    // Merge ids of the view changes that gather while they follow each other.
    enum TMerge { NoMerge = -1, MergeWheel = 1, MergeDrag = 2, MergeArrows = 3 };

    enum TMergeBody { MergeBodyDrag = 4 };

    TSetupChange(TDocument& document, const QString& text, bool particlesKind, int mergeId = NoMerge);

    bool ParticlesKind() const { return FParticlesKind; }
    int id() const override { return FMergeId; }
    void undo() override;
    void redo() override;
    // The drag whose moves gather here (0 for none).
    int Drag() const { return FDrag; }
    void SetDrag(int drag) { FDrag = drag; }
    // The next undo takes the change back quietly and drops the command (a cancelled drag).
    void DropOnUndo() { FDrop = true; }
    // The push announces the change as a redo does: its maker leaves the follow-up to the rooms.
    void AnnounceAtOnce() { FDone = true; }

protected:
    // Puts the state before (false) or after (true) the change in place; `announce`: with the
    // signal the rooms show it from.
    virtual void Apply(bool after, bool announce) = 0;
    TDocument& Document;

private:
    bool FParticlesKind;
    int FMergeId;
    int FDrag = 0;
    bool FDone = false;
    bool FDrop = false;
};

// One particle's initial position and velocity.
struct TInitialState {
    std::vector<double> Position;
    std::vector<double> Velocity;
};
TInitialState CaptureInitial(const TParticle& particle);

// A drag's change of one particle's initial state, pushed as the mouse moves; the moves of one
// drag gather into its first command (also into the command that placed the particle).
class TInitialChange : public TSetupChange {
public:
    TInitialChange(TDocument& document, const QString& text, int particle, const TInitialState& after,
                   int drag);
    bool mergeWith(const QUndoCommand* other) override;
    int Particle() const { return FParticle; }
    const TInitialState& After() const { return FAfter; }
    // The moves so far have left the particle where it was.
    bool Unchanged() const {
        return FBefore.Position == FAfter.Position && FBefore.Velocity == FAfter.Velocity;
    }

protected:
    void Apply(bool after, bool announce) override;

private:
    int FParticle;
    TInitialState FBefore;
    TInitialState FAfter;
};

// The particle list confirmed: the collection with the frame (a followed particle may go).
class TParticlesChange : public TSetupChange {
public:
    TParticlesChange(TDocument& document, const QString& text, std::unique_ptr<TParticlesList> before,
                     const TFrameState& frameBefore, std::unique_ptr<TParticlesList> after,
                     const TFrameState& frameAfter);
    ~TParticlesChange() override;
    // A particle placed by a drag takes the drag's moves.
    bool mergeWith(const QUndoCommand* other) override;

protected:
    void Apply(bool after, bool announce) override;

private:
    std::unique_ptr<TParticlesList> Before;
    std::unique_ptr<TParticlesList> After;
    TFrameState FrameBefore;
    TFrameState FrameAfter;
};

class TOptionsChange : public TSetupChange {
public:
    TOptionsChange(TDocument& document, const TOptionsState& before, const TOptionsState& after);

protected:
    void Apply(bool after, bool announce) override;

private:
    TOptionsState Before;
    TOptionsState After;
};

// Frame settings and the view commands: zoom, pan, Fit all, toggling the axes.
class TFrameChange : public TSetupChange {
public:
    TFrameChange(TDocument& document, const QString& text, const TFrameState& before,
                 const TFrameState& after, int mergeId);
    bool mergeWith(const QUndoCommand* other) override;

protected:
    void Apply(bool after, bool announce) override;

private:
    TFrameState Before;
    TFrameState After;
};

class TNotesChange : public TSetupChange {
public:
    TNotesChange(TDocument& document, const std::string& before, const std::string& after);

protected:
    void Apply(bool after, bool announce) override;

private:
    std::string Before;
    std::string After;
};

}  // namespace kinetra::ui
