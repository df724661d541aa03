// A setup file read whole into memory, and loaded from those bytes, so that Open can try a file
// on a simulation of its own before the open setup is replaced.
#pragma once

#include <string>

namespace kinetra {
class TSimData;
}

namespace kinetra::ui {

// The bytes of the setup file `name`, read at once; a failure carries the file's name.
std::string ReadSetupText(const std::string& name);
// Loads `text`, the setup file `name`, into `sim`; a failure carries the file's name.
void LoadSetupText(TSimData& sim, const std::string& name, const std::string& text);

}  // namespace kinetra::ui
