// The desktop program's start: everything main() does, so that the entry is a unit like the
// others.
#pragma once

namespace kinetra::ui {

// Initialises the toolkit, makes "." the decimal separator, shows the main window (opening the
// setup named on the command line, if any) and runs the event loop until the program ends.
// `argc` must outlive the call, as QApplication keeps a reference to it.
int RunKinetra(int& argc, char* argv[]);

}  // namespace kinetra::ui
