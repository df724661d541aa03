#include "ui/setup/SetupFiles.h"

#include <fstream>
#include <sstream>

#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"

namespace kinetra::ui {

// The bytes of the setup file `name`, read at once.
std::string ReadSetupText(const std::string& name) {
    std::ifstream in;
    try {
        OpenForReading(in, name);
        std::ostringstream text;
        text << in.rdbuf();
        if (in.bad()) throw EInOutError("Input/output error");
        return text.str();
    } catch (EKinetraError& e) {
        e.SetFileName(name);
        throw;
    }
}

// Loads `text`, the setup file `name`, into `sim`; a failure carries the file's name.
void LoadSetupText(TSimData& sim, const std::string& name, const std::string& text) {
    std::istringstream in(text);
    try {
        sim.LoadFromStream(in);
    } catch (EKinetraError& e) {
        e.SetFileName(name);
        throw;
    }
}

}  // namespace kinetra::ui
