// The extra keys: shortcuts on the existing actions, and one window action for Space.
#include "ui/window/KeyCommands.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>
#include <utility>

#include "ui/window/SimMain.h"

namespace kinetra::ui {

TKeyCommands::TKeyCommands(TWindowControls& controls, QWidget& window, std::function<bool()> running)
    : QObject(&window) {
    controls.mmiOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    controls.mmiQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    controls.mmiSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));

    actRunPause = new QAction(QStringLiteral("Run or pause"), &window);
    actRunPause->setObjectName(QStringLiteral("actRunPause"));
    actRunPause->setShortcut(QKeySequence(Qt::Key_Space));
    actRunPause->setShortcutContext(Qt::WindowShortcut);
    window.addAction(actRunPause);
    QAction* run = controls.mmiStart;
    QAction* pause = controls.mmiPause;
    connect(actRunPause, &QAction::triggered, this, [run, pause, running = std::move(running)] {
        if (running()) {
            if (pause->isEnabled()) pause->trigger();
        } else if (run->isEnabled()) {
            run->trigger();
        }
    });
}

}  // namespace kinetra::ui
