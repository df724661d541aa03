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
#include <cstdint>
#include <memory>

namespace kinetra {
class TFramedSim;
class TParser;
class TScreenFrame;
class TSimData;
}  // namespace kinetra

class QUndoStack;

namespace kinetra::ui {

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

    TRunState RunState() const { return FRunState; }
    bool HasSetup() const { return FRunState != rsNoSetup; }
    void SetRunState(TRunState state);

    bool Modified() const { return FModified; }
    bool ParticlesModified() const { return FParticlesModified; }
    bool NewSetup() const { return FNewSetup; }
    // Modified := value; false also clears ParticlesModified.
    void SetModified(bool value);
    // Both flags := value.
    void SetParticlesModified(bool value);
    void SetNewSetup(bool value);

    // A new screen frame for the simulation's number of dimensions (frame "Origin", scale 1);
    // the listeners give it its drawing area and drop what belonged to the old view.
    void ResetView();
    // Points the collection's OnCollision at the signal `collision` (again: a collection assigned
    // from another takes that one's hook).
    void HookCollisions();
    // The particle collection was replaced (edited, inserted into, deleted from).
    void NotifyParticlesChanged();
    // A different setup is in place (New, Open), or none (a failed Open).
    void NotifySetupReplaced();

signals:
    // After ResetView.
    void viewReset();
    void setupReplaced();
    void particlesChanged();
    void runStateChanged(kinetra::ui::TRunState state);
    void modifiedChanged(bool modified);
    // The simulation has completed a step (TSimData::OnStepDone).
    void stepDone();
    // Two particles touch (the collection's OnCollision), the lower index first.
    void collision(int first, int second);

private:
    std::unique_ptr<TFramedSim> FSetup;
    std::unique_ptr<TParser> FParser;
    QUndoStack* FUndoStack;
    TRunState FRunState = rsNoSetup;
    bool FModified = false;
    bool FParticlesModified = false;
    bool FNewSetup = false;
};

}  // namespace kinetra::ui
