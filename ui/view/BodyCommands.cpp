// The changes of the particles made from the scene, each one undoable command.
#include "ui/view/BodyCommands.h"

#include <QDialog>
#include <QUndoStack>

#include "base/KNUtils.h"
#include "engine/SetupBuilding.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "model/Particles.h"
#include "ui/dialogs/DialogHost.h"
#include "ui/dialogs/EditPart.h"
#include "ui/dialogs/Prompts.h"
#include "ui/document/Document.h"
#include "ui/document/RunClock.h"
#include "ui/document/UiText.h"
#include "ui/scene/SceneMarks.h"

namespace kinetra::ui {

namespace {

bool SameParticles(const TParticlesList& a, const TParticlesList& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i)
        if (!a.Particles(i).SameAs(b.Particles(i))) return false;
    return true;
}

}  // namespace

QString ParticleCommandText(const char* what, const std::string& name) {
    return QStringLiteral("%1 '%2'").arg(QString::fromUtf8(what), ToQ(name));
}

TBodyCommands::TBodyCommands(TDocument& document, TDialogHost& dialogs, TUserPrompts& prompts,
                             QWidget* window)
    : QObject(window), Document(document), Dialogs(dialogs), Prompts(prompts), Window(window) {
    // What the last particle was made of belongs to the setup it was made in.
    connect(&document, &TDocument::setupReplaced, this, [this] {
        FLastUsed.reset();
        ForgetDrag();
    });
    // Undo or redo in the middle of a drag put other particles in place: the drag is over, and
    // what it changed went with the particles it changed.
    connect(&document, &TDocument::particlesRestored, this, &TBodyCommands::ForgetDrag);
}

TBodyCommands::~TBodyCommands() = default;

bool TBodyCommands::Changeable(const char* hint) const {
    if (Document.RunState() == rsStopped) return true;
    if (Document.HasSetup()) Document.ShowHint(QString::fromUtf8(hint));
    return false;
}

std::unique_ptr<TParticlesList> TBodyCommands::Copy() const {
    const TParticlesList& particles = Document.Sim().Particles;
    auto copy = std::make_unique<TParticlesList>(particles.Dimensions());
    copy->Assign(particles);
    return copy;
}

TBodyCommands::TLastUsed TBodyCommands::LastUsed() const {
    if (FLastUsed) return *FLastUsed;
    const TParticlesList& particles = Document.Sim().Particles;
    TLastUsed used;
    if (particles.Count() > 0) {
        const TParticle& last = particles.Particles(particles.Count() - 1);
        used.Mass = last.Mass;
        used.Radius = last.Radius();
        used.ImageSize = last.ImageSize;
    }
    return used;
}

void TBodyCommands::Remember(const TParticle& particle) {
    FLastUsed = TLastUsed{particle.Mass, particle.Radius(), particle.ImageSize};
}

bool TBodyCommands::Apply(const QString& text, const TParticlesList& after) {
    if (SameParticles(Document.Sim().Particles, after)) return false;
    // As undo and redo put a collection in place: the scene and the commands follow.
    Document.ChangeParticles(text, after);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The commands of the particle's menu

void TBodyCommands::Edit(int index) {
    if (!Changeable(HintStopToChange) || index < 0 || index >= Document.Sim().Particles.Count()) return;
    auto work = Copy();
    TEditParticleForm editor(Dialogs, Window, *work, index, false);
    if (Prompts.ExecDialog(editor) != QDialog::Accepted || !editor.Changed()) return;
    const TParticle& edited = work->Particles(index);
    Remember(edited);
    Apply(ParticleCommandText("Edit particle", edited.Name), *work);
}

void TBodyCommands::ToggleTrail(int index) {
    if (!Changeable(HintStopToChange) || index < 0 || index >= Document.Sim().Particles.Count()) return;
    auto work = Copy();
    TParticle& p = work->Particles(index);
    p.ShowTrail = !p.ShowTrail;
    Apply(ParticleCommandText(p.ShowTrail ? "Show trail of particle" : "Hide trail of particle", p.Name),
          *work);
}

void TBodyCommands::Delete(int index) {
    if (!Changeable(HintStopToChange) || index < 0 || index >= Document.Sim().Particles.Count()) return;
    auto work = Copy();
    const std::string name = work->Particles(index).Name;
    work->Delete(index);
    if (Document.Selected() == index) Document.SetSelected(-1);
    Apply(ParticleCommandText("Delete particle", name), *work);
}

void TBodyCommands::CircularOrbit(int body, int centre, bool clockwise) {
    if (!Changeable(HintStopToChange)) return;
    const TParticlesList& particles = Document.Sim().Particles;
    if (body < 0 || body >= particles.Count() || centre < 0 || centre >= particles.Count()) return;
    const TScreenFrame& frame = Document.Frame();
    auto work = Copy();
    try {
        const TVector velocity =
            CircularOrbitVelocity(Document.Sim(), body, centre, frame.XDim(), frame.YDim(), clockwise);
        work->Particles(body).InitialVelocity.Assign(velocity);
    } catch (const EKNError& e) {
        Prompts.ShowMessage(Window, QString::fromStdString(e.what()));
        return;
    }
    Apply(QStringLiteral("Circular orbit of '%1' about '%2'")
              .arg(ToQ(particles.Particles(body).Name), ToQ(particles.Particles(centre).Name)),
          *work);
}

void TBodyCommands::mmiZeroMomentumClick() {
    if (!Changeable(HintStopToChange)) return;
    auto work = Copy();
    try {
        ZeroTotalMomentum(*work);
    } catch (const EKNError& e) {
        Prompts.ShowMessage(Window, QString::fromStdString(e.what()));
        return;
    }
    Apply(QStringLiteral("Zero total momentum"), *work);
}

// ---------------------------------------------------------------------------------------------
// Placing and dragging

void TBodyCommands::BeginDrag(const QString& text) {
    FDrag = ++FLastDrag;
    FDragText = text;
    FPushed = false;
    Moved = -1;
}

void TBodyCommands::ForgetDrag() {
    FDrag = 0;
    FPushed = false;
    Moved = -1;
}

int TBodyCommands::AddAt(QPointF pixel) {
    TSimData& sim = Document.Sim();
    const TParticlesList& particles = sim.Particles;
    const TScreenFrame& frame = Document.Frame();
    const int dims = particles.Dimensions();
    auto p = std::make_unique<TParticle>(NextParticleName(particles), dims);
    // The plane of the screen through the frame's origin, and at rest as the frame sees it.
    const std::vector<double> frameVelocity = FrameVelocity(sim, frame);
    for (int d = 0; d < dims; ++d) {
        p->InitialPosition[d] = frame.Origin()[d];
        p->InitialVelocity[d] = frameVelocity[static_cast<size_t>(d)];
    }
    p->InitialPosition[frame.XDim()] = frame.ScreenToWorldX(pixel.x());
    if (frame.YDim() != frame.XDim()) p->InitialPosition[frame.YDim()] = frame.ScreenToWorldY(pixel.y());
    const TLastUsed used = LastUsed();
    p->Mass = used.Mass;
    p->SetRadius(used.Radius);
    p->ImageSize = used.ImageSize;
    p->ColourIndex = NextColourIndex(particles);
    // A body built by hand is there to be watched.
    p->ShowTrail = true;
    p->UpdateImage();
    p->Position.Assign(p->InitialPosition);
    p->Velocity.Assign(p->InitialVelocity);
    try {
        particles.CheckPlacement(*p);
    } catch (const EKNError& e) {
        Prompts.ShowMessage(Window, QString::fromStdString(e.what()));
        return -1;
    }
    Remember(*p);
    const QString text = ParticleCommandText("Add particle", p->Name);
    auto after = Copy();
    after->AddParticle(std::move(p));
    // The drag that placed it gives it its velocity in the same command.
    if (FDrag == 0) BeginDrag(text);
    if (FDragText.isEmpty()) FDragText = text;
    Document.ChangeParticles(text, *after, FDrag);
    FPushed = true;
    return particles.Count() - 1;
}

void TBodyCommands::AddParticleHere(QPointF pixel) {
    if (!Changeable(HintStopToMove)) return;
    BeginDrag();
    const int index = AddAt(pixel);
    if (index < 0) {
        CancelDrag();
        return;
    }
    EndDrag(ParticleCommandText("Add particle", Document.Sim().Particles.Particles(index).Name));
    Document.SetSelected(index);
}

void TBodyCommands::MoveInitial(int index, const TInitialState& state) {
    if (FDrag == 0) BeginDrag(FDragText);
    Document.ChangeInitialState(FDragText, index, state, FDrag);
    FPushed = true;
}

void TBodyCommands::SetInitialPosition(int index, const TVector& position) {
    TInitialState state = CaptureInitial(Document.Sim().Particles.Particles(index));
    for (int d = 0; d < position.Count(); ++d) state.Position[static_cast<size_t>(d)] = position[d];
    Moved = index;
    MoveInitial(index, state);
}

void TBodyCommands::SetInitialVelocity(int index, const TVector& velocity) {
    TInitialState state = CaptureInitial(Document.Sim().Particles.Particles(index));
    for (int d = 0; d < velocity.Count(); ++d) state.Velocity[static_cast<size_t>(d)] = velocity[d];
    MoveInitial(index, state);
}

bool TBodyCommands::EndDrag(const QString& text) {
    if (FDrag == 0) return false;
    TParticlesList& particles = Document.Sim().Particles;
    if (Moved >= 0 && Moved < particles.Count()) {
        // The particle editor's rules: the new place against every other particle.
        try {
            particles.CheckPlacement(particles.Particles(Moved), Moved);
        } catch (const EKNError& e) {
            CancelDrag();
            Prompts.ShowMessage(Window, QString::fromStdString(e.what()));
            return false;
        }
    }
    QUndoStack& stack = Document.UndoStack();
    const auto* top =
        stack.index() > 0 ? dynamic_cast<const TSetupChange*>(stack.command(stack.index() - 1)) : nullptr;
    if (!FPushed || top == nullptr || top->Drag() != FDrag) {
        ForgetDrag();
        return false;
    }
    if (const auto* move = dynamic_cast<const TInitialChange*>(top); move != nullptr && move->Unchanged()) {
        CancelDrag();
        return false;
    }
    const_cast<TSetupChange*>(top)->setText(text);
    ForgetDrag();
    // The drag is over: the setup is rewound once, for what shows the initial state.
    Document.NotifyParticlesChanged();
    Document.Clock().Rewind();
    return true;
}

void TBodyCommands::DropDrag() {
    QUndoStack& stack = Document.UndoStack();
    if (!FPushed || stack.index() == 0) return;
    auto* top = dynamic_cast<TSetupChange*>(const_cast<QUndoCommand*>(stack.command(stack.index() - 1)));
    if (top == nullptr || top->Drag() != FDrag) return;
    top->DropOnUndo();
    stack.undo();
}

void TBodyCommands::CancelDrag() {
    if (FDrag == 0) return;
    DropDrag();
    ForgetDrag();
    Document.SetSelected(Document.Selected());
    Document.NotifyInitialStateChanged();
}

}  // namespace kinetra::ui
