// A simulation with a screen frame hooked in, the way the main window opens a setup: the frame
// section of a setup file is read into the frame and written from it. Shared by kinetra-batch
// and the Python module, so that both read and write setups alike.
#pragma once

#include <string>

#include "engine/SetupFile.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"

namespace kinetra::batch {

struct TLoadedSetup {
    TSimData Sim;
    TScreenFrame Frame{Sim};

    TLoadedSetup() { Connect(); }
    // An empty setup of `dimensions` dimensions with the defaults of a new setup, as New makes
    // it: the frame is made for those dimensions. "Dimensionality must be at least one."
    explicit TLoadedSetup(int dimensions) : Frame(NewSetup(Sim, dimensions)) { Connect(); }
    TLoadedSetup(const TLoadedSetup&) = delete;
    TLoadedSetup& operator=(const TLoadedSetup&) = delete;

    void Load(const std::string& fileName) {
        Sim.FileName = fileName;
        Sim.LoadFromFile();
    }

private:
    void Connect() {
        Sim.OnLoadFrame = [this](TSetupReader& reader) { Frame.LoadFromFile(reader); };
        Sim.OnSaveFrame = [this](TSetupWriter& writer) { Frame.SaveToFile(writer); };
    }
    static TSimData& NewSetup(TSimData& sim, int dimensions) {
        sim.SetDimensions(dimensions);
        sim.Clear();
        return sim;
    }
};

}  // namespace kinetra::batch
