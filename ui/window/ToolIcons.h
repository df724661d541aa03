// The pictures of the eleven tool buttons and the program's window icon, painted in code so
// that no image format plug-in is needed.
#pragma once

#include <QIcon>

namespace kinetra::ui {

enum class TToolIcon { Open, Save, Run, Step, Pause, Stop, RunBack, StepBack, Toggle, ZoomIn, ZoomOut };

QIcon ToolIcon(TToolIcon kind);
QIcon ProgramIcon();

}  // namespace kinetra::ui
