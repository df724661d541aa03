// Saving the reached state as a new setup: the file loads back with that state as its initial
// state, the simulation itself is left exactly as it was, and a state that could not be loaded
// is refused before anything is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "SimTestUtil.h"
#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "engine/StateSetup.h"
#include "frame/FramedSim.h"

namespace kinetra {
namespace {

namespace fs = std::filesystem;

class TTempDir {
public:
    TTempDir() {
        std::random_device random;
        Path = fs::temp_directory_path() / ("kinetra_state_" + std::to_string(random()));
        fs::create_directories(Path);
    }
    ~TTempDir() {
        std::error_code ec;
        fs::remove_all(Path, ec);
    }
    fs::path Path;
};

// A bound pair in the plane, run with Stoermer: the velocities are completed at each displayed
// step, so the state is consistent.
void MakePair(TSimData& sim) {
    test::NewSetup(sim, 2);
    sim.SetMethod(nmStoermer);
    sim.SetCycles(7);
    sim.TimeStep = 0.001;
    sim.Force->StoreConstants(1, 0);
    test::AddParticle(sim, "A", 1, {1, 0}, {0, 0.5}, 0.01);
    test::AddParticle(sim, "B", 1, {-1, 0}, {0, -0.5}, 0.01);
    sim.Notes = "Two bodies.\r\nSecond line.";
    sim.FileName = "/nowhere/Pair.knx";
    test::Rewind(sim);
}

double Reread(double value) {
    double result = 0;
    EXPECT_EQ(ParseDecimal(FormatGeneral(value, 15), result), TParseResult::Ok);
    return result;
}

TEST(StateAsSetup, LoadsBackWithTheCurrentStateAsInitialState) {
    TTempDir dir;
    TFramedSim setup;
    TSimData& sim = setup.Sim();
    MakePair(sim);
    // The frame takes its dimensions from the setup, as the window makes it after loading.
    setup.ResetFrame();
    TScreenFrame& frame = setup.Frame();
    frame.SetScale(123);
    for (int i = 0; i < 25; ++i) sim.Step();
    const double time = sim.Time;
    ASSERT_GT(time, 0);

    const std::string written = SaveStateAsSetup(sim, (dir.Path / "later").string());
    EXPECT_EQ(written, (dir.Path / "later.knx").string());

    TFramedSim loadedSetup;
    TSimData& loaded = loadedSetup.Sim();
    TScreenFrame& loadedFrame = loadedSetup.Frame();
    loaded.FileName = written;
    loaded.LoadFromFile();
    ASSERT_EQ(loaded.Particles.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        const TParticle& now = sim.Particles.Particles(i);
        const TParticle& back = loaded.Particles.Particles(i);
        EXPECT_EQ(back.Name, now.Name);
        EXPECT_EQ(back.Mass, now.Mass);
        EXPECT_EQ(back.Radius(), now.Radius());
        for (int d = 0; d < 2; ++d) {
            EXPECT_EQ(back.InitialPosition[d], Reread(now.Position[d])) << i << "," << d;
            EXPECT_EQ(back.InitialVelocity[d], Reread(now.Velocity[d])) << i << "," << d;
            // The loader rewinds: the loaded setup stands at the saved state.
            EXPECT_EQ(back.Position[d], back.InitialPosition[d]);
        }
        // The particles have moved, so this is not the old initial state.
        EXPECT_NE(back.InitialPosition[0], now.InitialPosition[0]);
    }
    EXPECT_EQ(loaded.Method, nmStoermer);
    EXPECT_EQ(loaded.Cycles, 7);
    EXPECT_EQ(loaded.TimeStep, 0.001);
    EXPECT_EQ(loaded.Force->GravConstant(), 1);
    EXPECT_EQ(loaded.Time, 0);
    EXPECT_EQ(loadedFrame.Scale(), 123);
    EXPECT_EQ(loaded.Notes, "Two bodies.\r\nSecond line.\r\nState at t = " + FormatGeneral(time, 15));
}

TEST(StateAsSetup, LeavesTheSimulationAsItWas) {
    TTempDir dir;
    TSimData sim;
    TSimData twin;
    MakePair(sim);
    MakePair(twin);
    for (int i = 0; i < 10; ++i) {
        sim.Step();
        twin.Step();
    }
    std::ostringstream before;
    sim.SaveToStream(before);

    SaveStateAsSetup(sim, (dir.Path / "copy.knx").string());

    std::ostringstream after;
    sim.SaveToStream(after);
    EXPECT_EQ(after.str(), before.str());
    EXPECT_EQ(sim.FileName, "/nowhere/Pair.knx");
    EXPECT_EQ(sim.Notes, "Two bodies.\r\nSecond line.");
    // The run goes on bit for bit as if nothing had been saved.
    for (int i = 0; i < 10; ++i) {
        sim.Step();
        twin.Step();
    }
    EXPECT_EQ(sim.Time, twin.Time);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(sim.Particles.Particles(i).Position.Equals(twin.Particles.Particles(i).Position));
        EXPECT_TRUE(sim.Particles.Particles(i).Velocity.Equals(twin.Particles.Particles(i).Velocity));
    }
    // Stop still rewinds to the setup's own initial state.
    sim.Rewind();
    EXPECT_EQ(sim.Particles.Particles(0).Position[0], 1);
    EXPECT_EQ(sim.Particles.Particles(0).Velocity[1], 0.5);
}

TEST(StateAsSetup, StateLineAloneWhenThereAreNoNotesAndTimeInGeneralFormat) {
    EXPECT_EQ(NotesWithStateLine("", 2.5), "State at t = 2.5");
    EXPECT_EQ(NotesWithStateLine("x", -0.001), "x\r\nState at t = -0.001");
    EXPECT_EQ(NotesWithStateLine("x", 31557600000.0), "x\r\nState at t = 31557600000");
    EXPECT_EQ(NotesWithStateLine("x", 1E20), "x\r\nState at t = 1E20");
}

TEST(StateAsSetup, RefusesAStateInWhichParticlesOverlapAndWritesNothing) {
    TTempDir dir;
    TSimData sim;
    test::NewSetup(sim, 1);
    sim.SetMethod(nmEuler);
    sim.SetCycles(1);
    sim.TimeStep = 0.1;
    sim.Force->StoreConstants(0, 0);
    // Force-free: A runs into B, collisions are not checked.
    test::AddParticle(sim, "A", 1, {0}, {1}, 0.1);
    test::AddParticle(sim, "B", 1, {1}, {0}, 0.1);
    test::Rewind(sim);
    for (int i = 0; i < 9; ++i) sim.Step();
    const fs::path target = dir.Path / "overlap.knx";
    try {
        SaveStateAsSetup(sim, target.string());
        ADD_FAILURE() << "saved";
    } catch (const EKNError& e) {
        EXPECT_EQ(std::string(e.what()), "The state at t = " + FormatGeneral(sim.Time, 15) +
                                             " cannot be saved as a setup: Overlap with A.");
    }
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(sim.Particles.Particles(1).InitialPosition[0], 1);
}

TEST(StateAsSetup, AnUnwritableTargetKeepsTheSimulationIntact) {
    TSimData sim;
    MakePair(sim);
    for (int i = 0; i < 3; ++i) sim.Step();
    EXPECT_THROW(SaveStateAsSetup(sim, "/nonexistent-folder-for-kinetra/x.knx"), EInOutError);
    EXPECT_EQ(sim.Particles.Particles(0).InitialPosition[0], 1);
    EXPECT_EQ(sim.Notes, "Two bodies.\r\nSecond line.");
}

}  // namespace
}  // namespace kinetra
