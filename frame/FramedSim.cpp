// The simulation and its screen frame, wired once.
#include "frame/FramedSim.h"

#include <istream>

namespace kinetra {

TFramedSim::TFramedSim() : FFrame(std::make_unique<TScreenFrame>(FSim)) {
    // The hooks look the frame up when they run, so a frame made anew is the one read and written.
    FSim.OnLoadFrame = [this](TSetupReader& reader) { FFrame->LoadFromFile(reader); };
    FSim.OnSaveFrame = [this](TSetupWriter& writer) { FFrame->SaveToFile(writer); };
    // A saved setup is checked by opening it as this class opens a file, frame and all.
    FSim.OnLoadBack = [](std::istream& in) {
        TFramedSim scratch;
        scratch.Sim().LoadFromStream(in);
    };
}

TFramedSim::~TFramedSim() {
    FSim.OnLoadFrame = nullptr;
    FSim.OnSaveFrame = nullptr;
    FSim.OnLoadBack = nullptr;
    FFrame.reset();
}

void TFramedSim::ResetFrame() {
    FFrame = std::make_unique<TScreenFrame>(FSim);
}

void TFramedSim::Load(const std::string& fileName) {
    FSim.FileName = fileName;
    FSim.LoadFromFile();
}

}  // namespace kinetra
