// TFramedSim: the simulation together with the screen frame it is watched through, as one setup
// file holds them. The frame section of the file is read into the frame and written from it
// here, in the one place that connects the simulation's frame hooks, so a setup always loads
// and saves whole: the window, the batch tool and the tests all open setups through this.
#pragma once

#include <memory>
#include <string>

#include "engine/SimulationData.h"
#include "frame/Frame.h"

namespace kinetra {

class TFramedSim {
public:
    // A simulation with the defaults of a new setup and a frame for its dimensions.
    TFramedSim();
    ~TFramedSim();
    TFramedSim(const TFramedSim&) = delete;
    TFramedSim& operator=(const TFramedSim&) = delete;

    TSimData& Sim() { return FSim; }
    const TSimData& Sim() const { return FSim; }
    TScreenFrame& Frame() { return *FFrame; }
    const TScreenFrame& Frame() const { return *FFrame; }

    // A new frame for the simulation's current number of dimensions (frame "Origin", scale 1,
    // no drawing area), as a new setup starts with; the file hooks follow it.
    void ResetFrame();

    // The setup file `fileName`: the simulation's FileName becomes the name, then the whole
    // setup, frame section included, is read (TSimData::LoadFromFile).
    void Load(const std::string& fileName);

private:
    // Declared first: the frame refers to it and goes before it.
    TSimData FSim;
    std::unique_ptr<TScreenFrame> FFrame;
};

}  // namespace kinetra
