// TKeyCommands: the keys people expect beside the window's own: Space runs and pauses, Ctrl+O
// opens, Ctrl+Q quits (asking to save as Quit does) and Ctrl+Shift+S saves under a new name.
// Each key triggers the command's one action, so it does exactly what the menu item does and
// nothing while the item is disabled.
#pragma once

#include <QObject>
#include <functional>

class QAction;
class QWidget;

namespace kinetra::ui {

struct TWindowControls;

class TKeyCommands : public QObject {
    Q_OBJECT
public:
    // `running` tells whether a run goes on.
    TKeyCommands(TWindowControls& controls, QWidget& window, std::function<bool()> running);

    // Space: "Run" when it is enabled, "Pause" while a run goes on.
    QAction* RunPause() const { return actRunPause; }

private:
    QAction* actRunPause = nullptr;
};

}  // namespace kinetra::ui
