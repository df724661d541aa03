// The simulation's part of the setup file: TSimData reads and writes the header lines, calls
// the section routines of the particles, the force model and the frame in their order, and
// keeps the notes (see base/SetupText.h for the text rules every section follows).
#pragma once

#include <string>

namespace kinetra {

// Loads `text` into a scratch simulation (without frame hooks); EKNError naming the reason
// when it does not load, so that a save never replaces a file by one that cannot be opened.
void CheckSetupLoadsBack(const std::string& text);

}  // namespace kinetra
