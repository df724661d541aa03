// The start panel, the notes pane and the scene's marks, wired to the main window.
#include "ui/window/WindowAids.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "ui/document/Document.h"
#include "ui/extras/NotesPane.h"
#include "ui/extras/Session.h"
#include "ui/extras/StartPanel.h"
#include "ui/scene/SceneMarks.h"
#include "ui/window/SimMain.h"

namespace kinetra::ui {

TWindowAids::TWindowAids(TSimForm& form) : QObject(&form), Form(form), Document(form.Document()) {
    QWidget* area = form.DrawingArea();
    const TWindowControls& controls = form.Controls();
    FOverlay = new TSceneOverlay(
        area, [this]() -> const TSimData* { return &Document.Sim(); },
        [this]() -> const TScreenFrame* { return &Document.Frame(); });
    FStart = new TStartPanel(area, controls.mmiNew, controls.mmiOpen, controls.mmiExamples);
    area->installEventFilter(this);

    FNotes = new TNotesPane(&form);
    form.addDockWidget(Qt::RightDockWidgetArea, FNotes);
    FNotes->setVisible(TSession::Flag(KeyNotesPane, false));
    actNotesPane = FNotes->toggleViewAction();
    actNotesPane->setText(QStringLiteral("&Notes pane"));
    actNotesPane->setObjectName(QStringLiteral("mmiNotesPane"));
    // The user's own showing and closing (the pane's close button included) is remembered; the
    // window hiding its panes as it goes is not.
    connect(actNotesPane, &QAction::triggered, this,
            [](bool shown) { TSession::SetFlag(KeyNotesPane, shown); });
    FNotes->installEventFilter(this);

    QMenu* options = form.menuBar()->findChild<QMenu*>(QStringLiteral("mmiOptions"));
    if (options != nullptr) options->addSeparator();
    actVelocityArrows = AddOption(QStringLiteral("&Velocity arrows"), KeyVelocityArrows,
                                  [this](bool on) { FOverlay->SetVelocityArrows(on); });
    actForceArrows = AddOption(QStringLiteral("F&orce arrows"), KeyForceArrows,
                               [this](bool on) { FOverlay->SetForceArrows(on); });
    actChargeSigns = AddOption(QStringLiteral("&Charge signs"), KeyChargeSigns,
                               [this](bool on) { FOverlay->SetChargeSigns(on); });
    if (options != nullptr)
        options->addActions({actVelocityArrows, actForceArrows, actChargeSigns, actNotesPane});

    // An example opened from its menu (or from the start panel) shows what to watch in it. The
    // pane comes first, so that the example is opened into the drawing area left beside it.
    if (controls.mmiExamples != nullptr)
        connect(controls.mmiExamples, &QMenu::triggered, this, [this] {
            ShowNotesPane();
            if (QLayout* l = Form.layout()) l->activate();
            const int replaced = Replacements;
            QMetaObject::invokeMethod(
                this, [this, replaced] { Form.Guard([this, replaced] { FrameOpenedExample(replaced); }); },
                Qt::QueuedConnection);
        });

    // What the aids show follows the setup: whether there is one, its particles, its notes.
    for (auto signal : {&TDocument::setupReplaced, &TDocument::particlesChanged, &TDocument::viewReset,
                        &TDocument::notesChanged, &TDocument::particlesRestored})
        connect(&Document, signal, this, [this] { Update(); });
    connect(&Document, &TDocument::setupReplaced, this, [this] { ++Replacements; });
    connect(&Document, &TDocument::runStateChanged, this, [this] { Update(); });
    Update();
}

QAction* TWindowAids::AddOption(const QString& caption, const QString& key,
                                const std::function<void(bool)>& set) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QStringLiteral("mmi") + key);
    action->setCheckable(true);
    action->setChecked(TSession::Flag(key, false));
    set(action->isChecked());
    connect(action, &QAction::toggled, this, [key, set](bool on) {
        TSession::SetFlag(key, on);
        set(on);
    });
    return action;
}

void TWindowAids::Update() {
    const bool hasSetup = Document.HasSetup();
    // The pane goes with the setup: no empty pane beside the start panel (the remembered choice
    // stays), and it comes back with the next setup when the choice is to show it.
    if (!hasSetup)
        FNotes->hide();
    else if (!HasSetup && TSession::Flag(KeyNotesPane, false))
        FNotes->show();
    HasSetup = hasSetup;
    FOverlay->SetActive(hasSetup);
    FOverlay->update();
    for (QAction* a : {actVelocityArrows, actForceArrows, actChargeSigns}) a->setEnabled(hasSetup);
    FNotes->ShowNotes(hasSetup ? Document.Sim().Notes : std::string());
    // The keys go back to the drawing area when the panel that had them goes.
    const bool hadFocus =
        hasSetup && !FStart->isHidden() && FStart->isAncestorOf(QApplication::focusWidget());
    if (!hasSetup) PlaceStartPanel();
    FStart->setVisible(!hasSetup);
    if (hadFocus) Form.DrawingArea()->setFocus();
}

void TWindowAids::ShowNotesPane() {
    TSession::SetFlag(KeyNotesPane, true);
    FNotes->show();
    FNotes->raise();
}

void TWindowAids::FrameOpenedExample(int replaced) {
    // An example that did not open leaves no pane shown for it, and the setup still open as it
    // was.
    if (!HasSetup) FNotes->hide();
    if (!HasSetup || Replacements == replaced) return;
    const TWindowControls& controls = Form.Controls();
    const TSimData& sim = Document.Sim();
    const TScreenFrame& frame = Document.Frame();
    // The part of the drawing area that the tool panel and the status bar leave free.
    const int right =
        frame.ClientWidth() - (controls.pnlSpeedPanel != nullptr ? controls.pnlSpeedPanel->width() : 0);
    const int bottom =
        frame.ClientHeight() - (controls.stbStatusBar != nullptr ? controls.stbStatusBar->height() : 0);
    bool cut = false;
    for (int i = 0; i < sim.Particles.Count() && !cut; ++i) {
        const TParticle& p = sim.Particles.Particles(i);
        if (p.Invisible) continue;
        const TScreenPoint at = frame.WorldToScreen(p.Position);
        cut = at.X < 0 || at.Y < 0 || at.X >= right || at.Y >= bottom;
    }
    if (!cut || controls.mmiFitAll == nullptr || !controls.mmiFitAll->isEnabled()) return;
    // An example as it came is no change of the setup: the fit to this window keeps it so, and
    // leaves nothing to undo.
    const bool unchanged = !Document.Modified();
    controls.mmiFitAll->trigger();
    if (unchanged) {
        Document.ClearUndo(true);
    }
}

void TWindowAids::PlaceStartPanel() {
    const TWindowControls& controls = Form.Controls();
    const int right = controls.pnlSpeedPanel != nullptr ? controls.pnlSpeedPanel->width() : 0;
    const int bottom = controls.stbStatusBar != nullptr ? controls.stbStatusBar->height() : 0;
    FStart->Place(right, bottom);
}

bool TWindowAids::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FNotes && event->type() == QEvent::Close) TSession::SetFlag(KeyNotesPane, false);
    // The type first: while the window is destroyed its children still send events (a close, a
    // hide), and the window is no longer one to ask for its drawing area.
    if (event->type() == QEvent::Resize && watched == Form.DrawingArea() && !FStart->isHidden())
        PlaceStartPanel();
    return QObject::eventFilter(watched, event);
}

}  // namespace kinetra::ui
