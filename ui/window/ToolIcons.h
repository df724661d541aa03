// The pictures of the tool buttons and the program's window icon, painted in code so
// that no image format plug-in is needed.
#pragma once

#include <QIcon>

namespace kinetra::ui {

enum class TToolIcon {
    Open,
    Save,
    Run,
    Step,
    Pause,
    Stop,
    RunBack,
    StepBack,
    Toggle,
    ZoomIn,
    ZoomOut,
    AddParticle
};

QIcon ToolIcon(TToolIcon kind);
QIcon ProgramIcon();

}  // namespace kinetra::ui
