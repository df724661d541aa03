// The simulation's part of the setup file: TSimData reads and writes the header lines, calls
// the section routines of the particles, the force model and the frame in their order, and
// keeps the notes (see base/SetupText.h for the text rules every section follows).
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

namespace kinetra {

// Loads `text` with `load` (TSimData::OnLoadBack), or into a scratch simulation without a frame
// when there is none; EKNError naming the reason when it does not load, so that a save never
// replaces a file by one that cannot be opened.
void CheckSetupLoadsBack(const std::string& text, const std::function<void(std::istream&)>& load = {});

}  // namespace kinetra
