// TBodyCommands, the changes of the particles made from the scene: placing a particle, moving it
// and giving it a velocity with the mouse, editing it, its trail, deleting it, a circular orbit
// about another particle and the zero total momentum. Each is one undoable command on the
// document's stack that holds the collection before and after, as the particle list's commands
// do. A drag pushes a command at every move of the mouse, which gathers into the drag's first
// one; a cancelled or refused drag takes its command back. A move only redraws the stopped setup:
// nothing is rewound or prepared until the drag ends.
//
// All of them change the initial state, which the scene shows only while the run is stopped at
// time 0: at other times they are refused with a hint on the status bar.
#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "ui/document/UndoCommands.h"

class QWidget;

namespace kinetra {
class TParticle;
class TParticlesList;
class TVector;
}  // namespace kinetra

namespace kinetra::ui {

class TDialogHost;
class TDocument;
class TUserPrompts;

class TBodyCommands : public QObject {
public:
    // `dialogs` hosts the particle editor; messages go to `prompts` over `window`.
    TBodyCommands(TDocument& document, TDialogHost& dialogs, TUserPrompts& prompts, QWidget* window);
    ~TBodyCommands() override;

    // True while the run is stopped at time 0; otherwise the hint is shown and false returned.
    bool Changeable(const char* hint) const;

    // The particle editor for particle `index`; its confirmed change is one command.
    void Edit(int index);
    void ToggleTrail(int index);
    void Delete(int index);
    // Particle `body` on a circular orbit about particle `centre` in the screen plane,
    // counter-clockwise as the screen shows it (clockwise with `clockwise`).
    void CircularOrbit(int body, int centre, bool clockwise);
    // Every initial velocity shifted by one vector so that the total momentum is zero.
    void mmiZeroMomentumClick();

    // What a new particle gets: the mass, radius and drawing radius of the particle last placed
    // or edited here, at first those of the setup's last particle (mass 1 in an empty setup).
    struct TLastUsed {
        double Mass = 1;
        double Radius = 0;
        int ImageSize = 11;
    };
    TLastUsed LastUsed() const;

    // A drag: Begin starts it, named `text` on the Edit menu; the Set... calls push the moves;
    // End names the command `text` (none stays when nothing changed); Cancel takes it back.
    void BeginDrag(const QString& text = QString());
    bool Dragging() const { return FDrag != 0; }
    // A new particle at the pixel (in the screen plane through the frame's origin, at rest in
    // the frame), with the next free name "Body N", the next palette colour, its trail shown.
    // Its index, or -1 when it is refused (the message is shown).
    int AddAt(QPointF pixel);
    void SetInitialPosition(int index, const TVector& position);
    void SetInitialVelocity(int index, const TVector& velocity);
    // Refused (message shown, the place put back) when the moved particle overlaps another.
    bool EndDrag(const QString& text);
    void CancelDrag();

    // A particle placed at once: a click while placing, or "Add particle here".
    void AddParticleHere(QPointF pixel);

private:
    std::unique_ptr<TParticlesList> Copy() const;
    // Puts `after` in place of the collection as one command named `text`; nothing happens
    // when it changes nothing.
    bool Apply(const QString& text, const TParticlesList& after);
    void Remember(const TParticle& particle);
    // The drag's move of a particle's initial state.
    void MoveInitial(int index, const TInitialState& state);
    // Takes the drag's command back and drops it.
    void DropDrag();
    void ForgetDrag();

    TDocument& Document;
    TDialogHost& Dialogs;
    TUserPrompts& Prompts;
    QWidget* Window;
    std::optional<TLastUsed> FLastUsed;
    // The drag in progress (0 for none; each drag has its own number), its command's name,
    // whether it has pushed a command, and the particle it moves.
    int FDrag = 0;
    int FLastDrag = 0;
    QString FDragText;
    bool FPushed = false;
    int Moved = -1;
};

// The command names, as the Edit menu's Undo and Redo show them.
QString ParticleCommandText(const char* what, const std::string& name);

}  // namespace kinetra::ui
