// Reference frames and the screen projection: axis names, the projection with its clamps,
// rounding and visibility margin, zoom, scale, pans, axis choice and the resolution of a frame
// name against the particles.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/KNUtils.h"
#include "base/Vector.h"
#include "engine/SimulationData.h"
#include "frame/Frame.h"
#include "model/Particles.h"
#include "tests/core/frame/FrameTestUtil.h"

using namespace kinetra;
using namespace kinetra::test;

namespace {

template <class F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const EKNError& e) {
        return e.what();
    }
    return "(no EKNError)";
}

}  // namespace

TEST(Frame, AxisNamesAndInitialValuesFollowTheDimensions) {
    struct Case {
        int N;
        std::vector<std::string> Names;
        int YDim;
    };
    const std::vector<Case> cases = {
        {1, {"x"}, 0},
        {2, {"x", "y"}, 1},
        {3, {"x", "y", "z"}, 1},
        {4, {"x1", "x2", "x3", "x4"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("N = " + std::to_string(c.N));
        TSimData sim;
        MakeSetup(sim, c.N);
        TScreenFrame frame(sim);
        EXPECT_EQ(frame.AxisNames(), c.Names);
        EXPECT_EQ(frame.XDim(), 0);
        EXPECT_EQ(frame.YDim(), c.YDim);
        EXPECT_EQ(frame.Name(), "Origin");
        EXPECT_EQ(&frame.Origin(), &frame.OwnOrigin());
        EXPECT_EQ(frame.OwnOrigin().Count(), c.N);
        EXPECT_EQ(frame.Scale(), 1.0);
        EXPECT_EQ(frame.Width(), 0.0);
        EXPECT_EQ(frame.Height(), 0.0);
    }

    TSimData sim;
    MakeSetup(sim, 26);
    TFrame frame(sim);
    ASSERT_EQ(frame.AxisNames().size(), 26u);
    EXPECT_EQ(frame.AxisNames()[0], "x1");
    EXPECT_EQ(frame.AxisNames()[9], "x10");
    EXPECT_EQ(frame.AxisNames()[25], "x26");
}

TEST(Frame, ResetAdaptsToANewNumberOfDimensions) {
    TSimData sim;
    MakeSetup(sim, 2);
    TFrame frame(sim);
    frame.OwnOrigin()[1] = 5;
    MakeSetup(sim, 4);
    frame.Reset();
    EXPECT_EQ(frame.AxisNames().size(), 4u);
    EXPECT_TRUE(frame.OwnOrigin().Equals(TVector(4)));
    EXPECT_EQ(&frame.Origin(), &frame.OwnOrigin());
    EXPECT_EQ(frame.Name(), "Origin");
}

TEST(ScreenFrame, OriginIsDrawnAtTheCentreAndRowsCountDownwards) {
    TSimData sim;
    MakeSetup(sim, 3);
    TScreenFrame frame(sim);
    frame.SetClientSize(101, 51);
    frame.OwnOrigin().Assign(Vec({10, -20, 30}));

    TScreenPoint p = frame.WorldToScreen(Vec({10, -20, 30}));
    EXPECT_EQ(p.X, 50);  // 101 div 2
    EXPECT_EQ(p.Y, 25);
    EXPECT_TRUE(p.Visible);

    frame.SetScale(4);
    p = frame.WorldToScreen(Vec({12, -17, -1000}));  // the third dimension is dropped
    EXPECT_EQ(p.X, 50 + 8);
    EXPECT_EQ(p.Y, 25 - 12);
}

TEST(ScreenFrame, OneDimensionDrawsEveryPointOnTheRisingDiagonal) {
    TSimData sim;
    MakeSetup(sim, 1);
    TScreenFrame frame(sim);
    frame.SetClientSize(200, 100);
    for (double t : {-30.0, -1.0, 0.0, 7.0, 45.0}) {
        const TScreenPoint p = frame.WorldToScreen(Vec({t}));
        EXPECT_EQ(p.X - 100, static_cast<int>(t));
        EXPECT_EQ(50 - p.Y, static_cast<int>(t));
    }
    frame.ToggleAxes();
    EXPECT_EQ(frame.XDim(), 0);
    EXPECT_EQ(frame.YDim(), 0);
}

TEST(ScreenFrame, VisibleWithinAnInclusiveMarginOf50Pixels) {
    TSimData sim;
    MakeSetup(sim, 2);
    TScreenFrame frame(sim);
    frame.SetClientSize(100, 80);  // origin at (50, 40)
    struct Case {
        double X, Y;
        int Col, Row;
        bool Visible;
    };
    const std::vector<Case> cases = {
        {-100, 0, -50, 40, true}, {-101, 0, -51, 40, false}, {100, 0, 150, 40, true},
        {101, 0, 151, 40, false}, {0, 90, 50, -50, true},    {0, 91, 50, -51, false},
        {0, -90, 50, 130, true},  {0, -91, 50, 131, false},  {-100, 90, -50, -50, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.X) + ", " + std::to_string(c.Y));
        const TScreenPoint p = frame.WorldToScreen(Vec({c.X, c.Y}));
        EXPECT_EQ(p.X, c.Col);
        EXPECT_EQ(p.Y, c.Row);
        EXPECT_EQ(p.Visible, c.Visible);
    }
}

TEST(ScreenFrame, FarPointsClampInsteadOfOverflowing) {
    TSimData sim;
    MakeSetup(sim, 2);
    TScreenFrame frame(sim);
    frame.SetClientSize(640, 480);
    frame.SetScale(1E3);
    TScreenPoint p = frame.WorldToScreen(Vec({1E12, 1E12}));
    EXPECT_EQ(p.X, 2000000000);
    EXPECT_EQ(p.Y, -2000000000);
    EXPECT_FALSE(p.Visible);
    p = frame.WorldToScreen(Vec({-1E300, -1E300}));
    EXPECT_EQ(p.X, -2000000000);
    EXPECT_EQ(p.Y, 2000000000);
    const double inf = std::numeric_limits<double>::infinity();
    p = frame.WorldToScreen(Vec({inf, -inf}));
    EXPECT_EQ(p.X, 2000000000);
    EXPECT_EQ(p.Y, 2000000000);
    // A position that is not a number still gives a defined, invisible point.
    p = frame.WorldToScreen(Vec({std::nan(""), 0}));
    EXPECT_EQ(p.X, -2000000000);
    EXPECT_FALSE(p.Visible);
}

TEST(ScreenFrame, HalvesRoundToTheEvenNeighbour) {
    TSimData sim;
    MakeSetup(sim, 2);
    TScreenFrame frame(sim);  // client size 0: the origin maps to (0, 0)
    const std::vector<std::pair<double, int>> cases = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {0.49, 0}, {0.51, 1},
    };
    for (const auto& [x, col] : cases) {
        SCOPED_TRACE(x);
        EXPECT_EQ(frame.WorldToScreen(Vec({x, 0})).X, col);
        EXPECT_EQ(frame.WorldToScreen(Vec({0, -x})).Y, col);
    }
}

TEST(ScreenFrame, ZoomScalesAboutTheCentreAndRestoresExactly) {
    TSimData sim;
    MakeSetup(sim, 2);
    TScreenFrame frame(sim);
    frame.SetClientSize(300, 200);
    frame.SetScale(3.3);
    frame.OwnOrigin().Assign(Vec({1, 1}));
    frame.Zoom(2);
    EXPECT_EQ(frame.Scale(), 6.6);
    EXPECT_EQ(frame.Width(), 300 / 6.6);
    EXPECT_EQ(frame.Height(), 200 / 6.6);
    EXPECT_EQ(frame.WorldToScreen(Vec({1, 1})).X, 150);
    EXPECT_EQ(frame.WorldToScreen(Vec({2, 1})).X, 157);  // 156.6
    frame.Zoom(0.5);
    EXPECT_EQ(frame.Scale(), 3.3);
    EXPECT_EQ(frame.Width(), 300 / 3.3);
}

TEST(ScreenFrame, ScaleRefusesZeroAndNonFiniteAndMirrorsWhenNegative) {
    TSimData sim;
    MakeSetup(sim, 2);
    TScreenFrame frame(sim);
    frame.SetClientSize(100, 100);
    frame.SetScale(2);
    EXPECT_EQ(MessageOf([&] { frame.SetScale(0); }), "Pixels per unit length must not be zero");
    EXPECT_EQ(MessageOf([&] { frame.SetScale(-0.0); }), "Pixels per unit length must not be zero");
    EXPECT_EQ(MessageOf([&] { frame.SetScale(std::nan("")); }), "Invalid scale");
    EXPECT_EQ(MessageOf([&] { frame.SetScale(std::numeric_limits<double>::infinity()); }), "Invalid scale");
    EXPECT_EQ(frame.Scale(), 2);
    EXPECT_EQ(frame.Width(), 50);

    frame.SetScale(-1);
    EXPECT_EQ(frame.Width(), -100);
    const TScreenPoint p = frame.WorldToScreen(Vec({10, 10}));
    EXPECT_EQ(p.X, 40);
    EXPECT_EQ(p.Y, 60);
}

TEST(ScreenFrame, EndlessZoomingCannotReachAScaleOfZeroOrInfinity) {
    TSimData sim;
    MakeSetup(sim, 2);
    TScreenFrame frame(sim);
    frame.SetClientSize(100, 100);
    for (int i = 0; i < 1100; ++i) {
        try {
            frame.Zoom(0.5);
        } catch (const EKNError&) {
        }
    }
    EXPECT_GT(frame.Scale(), 0);
    frame.Zoom(2);  // still possible to zoom back in
    for (int i = 0; i < 2200; ++i) {
        try {
            frame.Zoom(2);
        } catch (const EKNError&) {
        }
    }
    EXPECT_TRUE(std::isfinite(frame.Scale()));
}

TEST(ScreenFrame, DimensionsOutsideTheSetupAreRefused) {
    TSimData sim;
    MakeSetup(sim, 3);
    TScreenFrame frame(sim);
    for (int bad : {-1, 3, 1000}) {
        EXPECT_EQ(MessageOf([&] { frame.SetXDim(bad); }), "Coordinate out of range.");
        EXPECT_EQ(MessageOf([&] { frame.SetYDim(bad); }), "Coordinate out of range.");
    }
    EXPECT_EQ(frame.XDim(), 0);
    EXPECT_EQ(frame.YDim(), 1);
    frame.SetXDim(2);
    frame.SetYDim(2);  // the same dimension twice is allowed
    EXPECT_EQ(frame.XAxisName(), "z");
    EXPECT_EQ(frame.YAxisName(), "z");
}

TEST(ScreenFrame, ToggleAxesWalksThroughNeighbouringPairs) {
    TSimData sim;
    MakeSetup(sim, 3);
    TScreenFrame frame(sim);
    std::vector<std::pair<int, int>> seen;
    for (int i = 0; i < 3; ++i) {
        frame.ToggleAxes();
        seen.emplace_back(frame.XDim(), frame.YDim());
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 2}, {2, 0}, {0, 1}}));

    TSimData sim2;
    MakeSetup(sim2, 2);
    TScreenFrame frame2(sim2);
    frame2.ToggleAxes();
    EXPECT_EQ(frame2.XDim(), 1);
    EXPECT_EQ(frame2.YDim(), 0);
}

TEST(ScreenFrame, PansMoveTheOwnOriginBySixteenthsOfTheView) {
    TSimData sim;
    MakeSetup(sim, 3);
    TScreenFrame frame(sim);
    frame.SetClientSize(160, 80);
    frame.SetScale(2);   // 80 x 40 units
    frame.ToggleAxes();  // screen x = dimension 1, screen y = dimension 2
    frame.PanUp();
    EXPECT_TRUE(frame.OwnOrigin().Equals(Vec({0, 0, 2.5})));
    frame.PanRight();
    EXPECT_TRUE(frame.OwnOrigin().Equals(Vec({0, 5, 2.5})));
    frame.PanLeft();
    frame.PanLeft();
    frame.PanDown();
    EXPECT_TRUE(frame.OwnOrigin().Equals(Vec({0, -5, 0})));
    EXPECT_EQ(frame.OriginX(), -5);
    EXPECT_EQ(frame.OriginY(), 0);
}

TEST(ScreenFrame, PansDoNothingOutsideTheOriginFrame) {
    TSimData sim;
    MakeSetup(sim, 2);
    TParticle& moon = AddParticle(sim, "Moon", {3, 4});
    sim.Particles.UpdateCenterOfMass();
    TScreenFrame frame(sim);
    frame.SetClientSize(160, 160);
    frame.PanUp();  // own origin (0, 10)

    for (const char* name : {"Center of mass", "Moon"}) {
        SCOPED_TRACE(name);
        frame.SetName(name);
        frame.PanUp();
        frame.PanDown();
        frame.PanDown();
        frame.PanLeft();
        EXPECT_TRUE(frame.OwnOrigin().Equals(Vec({0, 10})));
    }
    EXPECT_TRUE(moon.Position.Equals(Vec({3, 4})));
    frame.SetName("Origin");
    EXPECT_EQ(&frame.Origin(), &frame.OwnOrigin());
    EXPECT_EQ(frame.OriginY(), 10);
}

TEST(Frame, NameResolution) {
    TSimData sim;
    MakeSetup(sim, 2);
    AddParticle(sim, "center of mass", {1, 0});
    TParticle& first = AddParticle(sim, "Moon", {2, 0});
    AddParticle(sim, "MOON", {3, 0});
    TParticle& origin = AddParticle(sim, "ORIGIN", {4, 0});
    sim.Particles.UpdateCenterOfMass();
    TFrame frame(sim);

    // The centre of mass wins over a particle of that name, in any case.
    frame.SetName("CENTER OF MASS");
    EXPECT_EQ(&frame.Origin(), &sim.Particles.CenterOfMass());
    EXPECT_EQ(frame.Name(), "CENTER OF MASS");

    // The first particle of that name in list order, compared without regard to case.
    frame.SetName("moon");
    EXPECT_EQ(&frame.Origin(), &first.Position);

    // "Origin" is looked up among the particles as well.
    frame.SetName("Origin");
    EXPECT_EQ(&frame.Origin(), &origin.Position);

    // An unknown name falls back to the own origin, even while a particle is named "Origin".
    frame.SetName("Sun");
    EXPECT_EQ(frame.Name(), "Origin");
    EXPECT_EQ(&frame.Origin(), &frame.OwnOrigin());

    // Blanks count: a name with a trailing blank is another name.
    frame.SetName("Moon ");
    EXPECT_EQ(frame.Name(), "Origin");
}

TEST(Frame, ParticleFrameFollowsTheLivePositionAndFallsBackWhenItIsDeleted) {
    TSimData sim;
    MakeSetup(sim, 2);
    AddParticle(sim, "Sun", {0, 0}, 1000);
    TParticle& planet = AddParticle(sim, "Planet", {1, 0});
    TScreenFrame frame(sim);
    frame.SetClientSize(200, 200);
    frame.SetScale(10);
    frame.OwnOrigin().Assign(Vec({-3, 7}));
    frame.SetName("Planet");

    planet.Position.Assign(Vec({0.5, 2}));
    TScreenPoint p = frame.WorldToScreen(planet.Position);
    EXPECT_EQ(p.X, 100);
    EXPECT_EQ(p.Y, 100);
    p = frame.WorldToScreen(Vec({0, 0}));
    EXPECT_EQ(p.X, 95);
    EXPECT_EQ(p.Y, 120);

    sim.Particles.Delete(1);
    frame.UpdateOrigin();
    EXPECT_EQ(frame.Name(), "Origin");
    EXPECT_EQ(&frame.Origin(), &frame.OwnOrigin());
    EXPECT_TRUE(frame.OwnOrigin().Equals(Vec({-3, 7})));
}
