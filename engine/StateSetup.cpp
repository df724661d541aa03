// The current state of a run written as a setup.
#include "engine/StateSetup.h"

#include <sstream>
#include <vector>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"

namespace kinetra {

namespace {

// Swaps the current state into the initial one for the lifetime of the object, so that the
// setup writer, which writes initial values, writes the current ones; the destructor puts
// everything back, also when writing fails.
class TStateAsInitial {
public:
    TStateAsInitial(TSimData& sim, std::string notes) : Sim(sim), SavedNotes(std::move(notes)) {
        TParticlesList& particles = Sim.Particles;
        const int count = particles.Count();
        Saved.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            TParticle& p = particles.Particles(i);
            Saved.push_back({TVector(p.InitialPosition), TVector(p.InitialVelocity)});
            p.InitialPosition.Assign(p.Position);
            p.InitialVelocity.Assign(p.Velocity);
        }
        std::swap(Sim.Notes, SavedNotes);
    }
    ~TStateAsInitial() {
        TParticlesList& particles = Sim.Particles;
        for (int i = 0; i < particles.Count() && i < static_cast<int>(Saved.size()); ++i) {
            TParticle& p = particles.Particles(i);
            p.InitialPosition.Assign(Saved[i].Position);
            p.InitialVelocity.Assign(Saved[i].Velocity);
        }
        std::swap(Sim.Notes, SavedNotes);
    }
    TStateAsInitial(const TStateAsInitial&) = delete;
    TStateAsInitial& operator=(const TStateAsInitial&) = delete;

private:
    struct TInitial {
        TVector Position;
        TVector Velocity;
    };
    TSimData& Sim;
    std::string SavedNotes;
    std::vector<TInitial> Saved;
};

}  // namespace

std::string NotesWithStateLine(const std::string& notes, double time) {
    const std::string line = "State at t = " + FormatGeneral(time, 15);
    // Notes are read back line by line: an empty first line would be dropped anyway.
    return notes.empty() ? line : notes + "\r\n" + line;
}

std::string SaveStateAsSetup(TSimData& sim, const std::string& fileName) {
    std::string target = fileName;
    if (!HasFileExtension(target)) target += SetupExtension;

    std::ostringstream text;
    {
        TStateAsInitial swap(sim, NotesWithStateLine(sim.Notes, sim.Time));
        sim.SaveToStream(text);
    }
    // Positions are written with 15 digits and particles may meet while collisions are not
    // checked, so the reader's overlap checks could refuse the file: try it before writing.
    try {
        TSimData check;
        std::istringstream in(text.str());
        check.LoadFromStream(in);
    } catch (const EKNError& e) {
        throw EKNError("The state at t = " + FormatGeneral(sim.Time, 15) +
                       " cannot be saved as a setup: " + e.what());
    }
    const std::string bytes = text.str();
    WriteFileAtomically(target, [&](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    });
    return target;
}

}  // namespace kinetra
