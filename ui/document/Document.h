// TDocument, the open setup as the rooms of the main window share it: the simulation with its
// screen frame, the one expression parser every numeric field goes through, the run state, the
// change flags and the undo stack. It tells its listeners what changed with signals; the rooms
// (scene, run, view, setup, extras, dialogs) take the document, never the window.
//
// The change flags: `Modified` (something the setup file holds changed since the setup was last
// saved or opened), `ParticlesModified` (the change concerns the particles or the notes, which
// chooses the wording of the save question) and `NewSetup` (made with New, not saved since).
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

namespace kinetra {
class TFramedSim;
class TParser;
class TParticlesList;
class TScreenFrame;
class TSimData;
}  // namespace kinetra

class QUndoStack;

namespace kinetra::ui {

struct TFrameState;
struct TInitialState;
struct TOptionsState;
class TRunClock;

// The run states of the window's run control.
enum TRunState : std::uint8_t { rsNoSetup = 0, rsStopped = 1, rsRunning = 2, rsPaused = 3 };

class TDocument : public QObject {
    Q_OBJECT

public:
    explicit TDocument(QObject* parent = nullptr);
    ~TDocument() override;

    TSimData& Sim();
    const TSimData& Sim() const;
    TScreenFrame& Frame();
    const TScreenFrame& Frame() const;
    TParser& Parser();
    QUndoStack& UndoStack();
    // The run of the setup: its clock, which steps the simulation on the event loop.
    TRunClock& Clock() { return *FClock; }
    const TRunClock& Clock() const { return *FClock; }

    TRunState RunState() const { return FRunState; }
    bool HasSetup() const { return FRunState != rsNoSetup; }
    void SetRunState(TRunState state);

    bool Modified() const { return FModified; }
    bool ParticlesModified() const { return FParticlesModified; }
    bool NewSetup() const { return FNewSetup; }
    void SetNewSetup(bool value);

    // A new screen frame for the simulation's number of dimensions (frame "Origin", scale 1);
    // the listeners give it its drawing area and drop what belonged to the old view.
    void ResetView();
    // Points the collection's OnCollision at the record below (again: a collection assigned from
    // another takes that one's hook). The hook only records the pair and the time; the step then
    // ends with the silent abort, after which the clock reads the record.
    void HookCollisions();
    struct TCollision {
        bool Happened = false;
        int First = -1;  // the lower index
        int Second = -1;
        double Time = 0;
    };
    const TCollision& LastCollision() const { return FCollision; }
    void ClearCollision() { FCollision = {}; }
    // The particle collection was replaced (edited, inserted into, deleted from).
    void NotifyParticlesChanged();
    // A different setup is in place (New, Open), or none (a failed Open).
    void NotifySetupReplaced();

    // The particle the user has picked in the scene (a ring marks it); -1 for none. It goes with
    // the setup and with a change of the particles that leaves no particle at its index.
    int Selected() const { return FSelected; }
    void SetSelected(int particle);
    // A short word to the user on the status bar: why a gesture did nothing, or the value a drag
    // is setting.
    void ShowHint(const QString& text);

    // The changes of the setup, each one undoable command that makes the change as it is pushed.
    // A collection in place of the particles (the frame stays); `drag` gathers the moves of the
    // drag that placed a particle into the command.
    // Announced at once, unless a drag goes on (which shows the setup by initialStateChanged).
    void ChangeParticles(const QString& text, const TParticlesList& after, int drag = 0);
    // One particle's initial state, as a drag moves it: the moves of one drag are one command.
    void ChangeInitialState(const QString& text, int particle, const TInitialState& after, int drag);
    // What a dialog or a view command has changed in place, given the state before: the change
    // is taken back and made again by its command. The particle list (the collection with the
    // frame before), the simulation options, the frame (Frame settings and the view commands; a
    // mergeId gathers the changes that follow each other, as TSetupChange::TMerge says) and the
    // notes.
    void PushParticlesChange(const QString& text, std::unique_ptr<TParticlesList> before,
                             const TFrameState& frameBefore);
    void PushOptionsChange(const TOptionsState& before);
    void PushFrameChange(const QString& text, const TFrameState& before, int mergeId = -1);
    void PushNotesChange(const std::string& before);
    // Forgets every change (New, Open); `clean`: the setup as it stands is the one saved.
    void ClearUndo(bool clean);
    // The setup was saved: undoing or redoing back to here leaves it unmodified.
    void MarkSaved();

    // What the commands put in place; `announce`: followed by the signal that the rooms redraw
    // from (undo and redo), else quietly (the change itself, which its maker follows up).
    void RestoreParticles(const TParticlesList& particles, const TFrameState& frame, bool announce);
    void RestoreOptions(const TOptionsState& options, bool announce);
    void RestoreFrame(const TFrameState& frame, bool announce);
    void RestoreNotes(const std::string& notes, bool announce);
    // A particle's initial state, and where a stopped setup has it now; the scene shows it at
    // once (initialStateChanged), undo and redo announce it as a change of the particles.
    void SetInitialState(int particle, const TInitialState& state, bool announce);
    void NotifyInitialStateChanged() { emit initialStateChanged(); }

signals:
    // After ResetView.
    void viewReset();
    void setupReplaced();
    void particlesChanged();
    void runStateChanged(kinetra::ui::TRunState state);
    void modifiedChanged(bool modified);
    // The simulation has completed a step (TSimData::OnStepDone).
    void stepDone();
    // A particle's initial state changed (a drag moves it): a stopped setup is shown anew.
    void initialStateChanged();
    // Undo or redo put a state back: the rooms show it as after the command that made it.
    void particlesRestored();
    void optionsRestored();
    void viewRestored();
    // The notes changed (the notes dialog, undo or redo).
    void notesChanged();
    void selectionChanged(int particle);
    void hintShown(const QString& text);

private:
    // Modified and ParticlesModified as the undo stack stands: unmodified at the saved state,
    // otherwise modified, about the particles when a command between here and there is.
    void FollowUndoStack();
    // The one writer of Modified and ParticlesModified.
    void SetFlags(bool modified, bool particles);

    std::unique_ptr<TFramedSim> FSetup;
    std::unique_ptr<TParser> FParser;
    QUndoStack* FUndoStack;
    TRunClock* FClock;
    TCollision FCollision;
    // The selection is cleared when it no longer names a particle.
    void KeepSelection();

    TRunState FRunState = rsNoSetup;
    int FSelected = -1;
    bool FModified = false;
    bool FParticlesModified = false;
    bool FNewSetup = false;
    // The stack is being cleared: its signals say nothing about the flags.
    bool ClearingUndo = false;
    // Without a saved state (a new setup), what differs from nothing concerns the particles.
    bool UnsavedParticles = false;
};

}  // namespace kinetra::ui
