// The frame section of a setup file: its four lines, the round trip, and the refusals while
// reading.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "frame/FramedSim.h"
#include "model/Particles.h"
#include "tests/core/frame/FrameTestUtil.h"

using namespace kinetra;
using namespace kinetra::test;

namespace {

std::string Save(const TScreenFrame& frame) {
    std::ostringstream out;
    TSetupWriter writer(out);
    frame.SaveToFile(writer);
    return out.str();
}

void Load(TScreenFrame& frame, const std::string& text) {
    std::istringstream in(text);
    TSetupReader reader(in);
    frame.LoadFromFile(reader);
}

std::string LoadError(TScreenFrame& frame, const std::string& text) {
    try {
        Load(frame, text);
    } catch (const EKinetraError& e) {
        return e.what();
    }
    return "(loaded)";
}

}  // namespace

TEST(FrameFile, WritesFourLines) {
    TSimData sim;
    MakeSetup(sim, 2);
    TScreenFrame frame(sim);
    frame.SetScale(100);
    EXPECT_EQ(Save(frame), "0 1\r\n100\r\n0 0\r\nOrigin\r\n");

    frame.SetXDim(1);
    frame.SetYDim(0);
    frame.SetScale(2.5E-7);
    frame.OwnOrigin().Assign(Vec({1.5, -1E20}));
    frame.SetName("Center of mass");
    EXPECT_EQ(Save(frame), "1 0\r\n2.5E-7\r\n1.5 -1E20\r\nCenter of mass\r\n");
}

TEST(FrameFile, RoundTripKeepsEverySettingAndTheFollowedParticle) {
    TSimData sim;
    MakeSetup(sim, 3);
    AddParticle(sim, "Sun", {0, 0, 0});
    TParticle& planet = AddParticle(sim, "Planet", {1, 0, 0});
    TScreenFrame frame(sim);
    frame.SetXDim(2);
    frame.SetYDim(0);
    frame.SetScale(0.1 + 0.2);  // 0.30000000000000004: the file keeps 15 significant digits
    frame.OwnOrigin().Assign(Vec({1.25, -2, 3E-9}));
    frame.SetName("planet");
    const std::string saved = Save(frame);

    TScreenFrame loaded(sim);
    loaded.SetClientSize(300, 200);
    Load(loaded, saved);
    EXPECT_EQ(loaded.XDim(), 2);
    EXPECT_EQ(loaded.YDim(), 0);
    EXPECT_EQ(loaded.Scale(), 0.3);
    EXPECT_EQ(loaded.Width(), 300 / 0.3);
    EXPECT_TRUE(loaded.OwnOrigin().Equals(Vec({1.25, -2, 3E-9})));
    EXPECT_EQ(loaded.Name(), "planet");
    EXPECT_EQ(&loaded.Origin(), &planet.Position);
    EXPECT_EQ(Save(loaded), saved);
}

TEST(FrameFile, LoadingResetsForTheDimensionsOfTheNewSetup) {
    TSimData sim;
    MakeSetup(sim, 4);
    TScreenFrame frame(sim);
    frame.SetXDim(3);
    frame.SetYDim(2);

    MakeSetup(sim, 2);
    Load(frame, "1 1\n4\n7 8\nnobody\n");  // LF line ends are read too
    EXPECT_EQ(frame.AxisNames(), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(frame.OwnOrigin().Count(), 2);
    EXPECT_EQ(frame.XDim(), 1);
    EXPECT_EQ(frame.YDim(), 1);
    EXPECT_EQ(frame.Scale(), 4);
    EXPECT_EQ(frame.Name(), "Origin");  // no particle of that name
    EXPECT_EQ(&frame.Origin(), &frame.OwnOrigin());
    EXPECT_EQ(frame.OriginX(), 8);
}

TEST(FrameFile, RefusedValues) {
    TSimData sim;
    MakeSetup(sim, 2);
    TScreenFrame frame(sim);
    EXPECT_EQ(LoadError(frame, "0 2\r\n1\r\n0 0\r\nOrigin\r\n"), "Coordinate out of range.");
    EXPECT_EQ(LoadError(frame, "-1 0\r\n1\r\n0 0\r\nOrigin\r\n"), "Coordinate out of range.");
    EXPECT_EQ(LoadError(frame, "0 1\r\n0\r\n0 0\r\nOrigin\r\n"), "Pixels per unit length must not be zero");
    EXPECT_EQ(LoadError(frame, "0 1\r\nx\r\n0 0\r\nOrigin\r\n"), "Invalid numeric input");
    EXPECT_EQ(LoadError(frame, "0 1\r\n1\r\n0 zero\r\nOrigin\r\n"),
              "'zero' is not a valid floating point value");
    EXPECT_EQ(LoadError(frame, ""), "Invalid numeric input");
}

TEST(FrameFile, AFailedLoadLeavesTheAxesInsideTheNewDimensions) {
    TSimData sim;
    MakeSetup(sim, 3);
    TScreenFrame frame(sim);
    frame.SetXDim(2);
    frame.SetYDim(2);
    MakeSetup(sim, 1);
    EXPECT_EQ(LoadError(frame, "broken\r\n"), "Invalid numeric input");
    // Drawing and the status bar still work on the frame until it is replaced.
    EXPECT_EQ(frame.XDim(), 0);
    EXPECT_EQ(frame.YDim(), 0);
    EXPECT_EQ(frame.XAxisName(), "x");
    EXPECT_EQ(frame.WorldToScreen(Vec({0})).X, 0);
}

// The simulation with its frame: the frame section goes through the frame in force, also after
// the frame was made anew for a new setup.
TEST(FrameFile, TheFramedSimulationLoadsAndSavesItsFrameWhole) {
    TFramedSim setup;
    MakeSetup(setup.Sim(), 2);
    AddParticle(setup.Sim(), "Sun", {0, 0});
    setup.ResetFrame();
    setup.Frame().SetScale(40);
    std::ostringstream first;
    setup.Sim().SaveToStream(first);
    EXPECT_NE(first.str().find("\r\n40\r\n0 0\r\nOrigin\r\n"), std::string::npos) << first.str();

    setup.ResetFrame();
    EXPECT_EQ(setup.Frame().Scale(), 1);
    std::istringstream in(first.str());
    setup.Sim().LoadFromStream(in);
    EXPECT_EQ(setup.Frame().Scale(), 40);
    std::ostringstream again;
    setup.Sim().SaveToStream(again);
    EXPECT_EQ(again.str(), first.str());
}
