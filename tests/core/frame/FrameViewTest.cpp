// The mouse's view changes of the screen frame: zoom about a pixel, pan by pixels and fitting
// every position onto the drawing area, in the frame "Origin" and in frames that follow a point.
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

// A 2-D setup with a particle "Moon" at (3, 4) and a frame of 400 x 300 pixels.
struct TView {
    TSimData Sim;
    std::unique_ptr<TScreenFrame> Frame;
    explicit TView(const std::string& frameName = "Origin") {
        Sim.SetDimensions(2);
        Sim.Clear();
        AddParticle(Sim, "Moon", {3, 4});
        AddParticle(Sim, "Sun", {-1, 0});
        Sim.Particles.UpdateCenterOfMass();
        Frame = std::make_unique<TScreenFrame>(Sim);
        Frame->SetClientSize(400, 300);
        Frame->SetName(frameName);
    }
};

const double Inf = std::numeric_limits<double>::infinity();
const double Nan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST(FrameView, ZoomAboutKeepsTheWorldPointUnderThePixel) {
    struct Case {
        double Factor;
        int X, Y;
    };
    const std::vector<Case> cases = {
        {2, 0, 0}, {0.5, 399, 299}, {1.25, 37, 250}, {2, 200, 150}, {0.8, -500, 7000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Factor) + " at " + std::to_string(c.X) + "," + std::to_string(c.Y));
        TView v;
        TScreenFrame& f = *v.Frame;
        f.SetScale(7.5);
        f.OwnOrigin().Assign(Vec({-2, 11}));
        const TVector under = Vec({f.ScreenToWorldX(c.X), f.ScreenToWorldY(c.Y)});
        f.ZoomAbout(c.Factor, c.X, c.Y);
        EXPECT_EQ(f.Scale(), 7.5 * c.Factor);
        EXPECT_EQ(f.Width(), 400 / f.Scale());
        const TScreenPoint p = f.WorldToScreen(under);
        EXPECT_EQ(p.X, c.X);
        EXPECT_EQ(p.Y, c.Y);
    }
}

TEST(FrameView, ZoomAboutInAFollowingFrameOrOnOneDimensionZoomsAboutTheCentre) {
    for (const char* name : {"Moon", "Center of mass", "Origin"}) {
        SCOPED_TRACE(name);
        TView v(name);
        TScreenFrame& f = *v.Frame;
        if (std::string(name) == "Origin") f.SetYDim(0);  // x against x: one origin component
        f.OwnOrigin().Assign(Vec({5, 6}));
        f.ZoomAbout(2, 10, 20);
        EXPECT_EQ(f.Scale(), 2);
        EXPECT_TRUE(f.OwnOrigin().Equals(Vec({5, 6})));
    }
}

TEST(FrameView, ZoomAboutRefusesLikeSetScaleAndChangesNothing) {
    struct Case {
        double Factor;
        const char* Message;
    };
    const std::vector<Case> cases = {
        {0, "Pixels per unit length must not be zero"}, {Inf, "Invalid scale"}, {Nan, "Invalid scale"}};
    for (const Case& c : cases) {
        TView v;
        TScreenFrame& f = *v.Frame;
        f.OwnOrigin().Assign(Vec({1, 2}));
        std::string message = "(none)";
        try {
            f.ZoomAbout(c.Factor, 0, 0);
        } catch (const EKNError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.Message);
        EXPECT_EQ(f.Scale(), 1);
        EXPECT_TRUE(f.OwnOrigin().Equals(Vec({1, 2})));
    }
}

TEST(FrameView, PanPixelsMovesThePictureWithTheCursorOnlyInTheOwnOrigin) {
    TView v;
    TScreenFrame& f = *v.Frame;
    f.SetScale(4);
    const TVector moon = Vec({3, 4});
    const TScreenPoint before = f.WorldToScreen(moon);
    EXPECT_TRUE(f.CanPan());
    EXPECT_TRUE(f.PanPixels(8, -12));
    const TScreenPoint after = f.WorldToScreen(moon);
    EXPECT_EQ(after.X, before.X + 8);
    EXPECT_EQ(after.Y, before.Y - 12);
    EXPECT_TRUE(f.OwnOrigin().Equals(Vec({-2, -3})));
    EXPECT_FALSE(f.PanPixels(0, 0));

    for (const char* name : {"Moon", "Center of mass"}) {
        SCOPED_TRACE(name);
        f.SetName(name);
        EXPECT_FALSE(f.CanPan());
        EXPECT_FALSE(f.PanPixels(5, 5));
        EXPECT_TRUE(f.OwnOrigin().Equals(Vec({-2, -3})));
    }
    // A particle named "Origin" is followed, so the own origin would not move the picture.
    TSimData sim;
    sim.SetDimensions(2);
    sim.Clear();
    AddParticle(sim, "origin", {1, 1});
    TScreenFrame followed(sim);
    followed.SetClientSize(100, 100);
    followed.SetName("Origin");
    EXPECT_FALSE(followed.CanPan());
    EXPECT_FALSE(followed.PanPixels(5, 5));
}

TEST(FrameView, FitAllPutsEveryPositionInsideTheArea) {
    struct Case {
        const char* Frame;
        std::vector<std::vector<double>> Points;
        double Scale;  // the scale before, negative mirrors
        int Radius;
    };
    const std::vector<Case> cases = {
        {"Origin", {{3, 4}, {-1, 0}}, 1, 0},
        {"Origin", {{1e6, 2e6}, {1e6 + 1, 2e6 - 3}, {1e6 - 2, 2e6}}, 1e-3, 10},
        {"Origin", {{-1e300, 1e300}, {1e300, -1e300}}, 1, 0},  // the extent overflows a double
        {"Origin", {{0, 0}, {1e-9, 0}}, 5, 0},
        {"Origin", {{3, 4}, {-1, 0}, {0, 50}}, -2, 0},
        {"Moon", {{3, 4}, {-1, 0}, {30, -10}}, 1, 20},
        {"Center of mass", {{3, 4}, {-1, 0}}, 100, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Frame) + ", first point " + std::to_string(c.Points[0][0]));
        TView v(c.Frame);
        TScreenFrame& f = *v.Frame;
        f.SetScale(c.Scale);
        std::vector<TVector> points;
        for (const auto& p : c.Points) points.push_back(Vec(p));
        std::vector<const TVector*> refs;
        for (const TVector& p : points) refs.push_back(&p);
        refs.push_back(nullptr);  // skipped
        const TVector origin = f.Origin();
        EXPECT_TRUE(f.FitAll(refs, c.Radius));
        EXPECT_TRUE(std::isfinite(f.Scale()));
        EXPECT_NE(f.Scale(), 0);
        EXPECT_EQ(f.Scale() < 0, c.Scale < 0);
        if (!f.CanPan()) {
            EXPECT_TRUE(f.Origin().Equals(origin));
        }
        // Inside the area less the margin and the radius, give or take the rounding pixel.
        int minX = 1 << 30, maxX = -minX, minY = minX, maxY = -minX;
        for (const TVector& p : points) {
            const TScreenPoint s = f.WorldToScreen(p);
            EXPECT_GE(s.X, 40 + c.Radius - 1);
            EXPECT_LE(s.X, 360 - c.Radius + 1);
            EXPECT_GE(s.Y, 30 + c.Radius - 1);
            EXPECT_LE(s.Y, 270 - c.Radius + 1);
            minX = std::min(minX, s.X), maxX = std::max(maxX, s.X);
            minY = std::min(minY, s.Y), maxY = std::max(maxY, s.Y);
        }
        // And the picture is not needlessly small: one axis uses most of its room.
        if (f.CanPan()) {
            EXPECT_TRUE(maxX - minX >= 318 - 2 * c.Radius || maxY - minY >= 238 - 2 * c.Radius);
        }
        // Fitting again changes nothing.
        EXPECT_FALSE(f.FitAll(refs, c.Radius));
    }
}

TEST(FrameView, FitAllOfOnePointOrNoneKeepsTheScale) {
    TView v;
    TScreenFrame& f = *v.Frame;
    f.SetScale(3);
    const TVector a = Vec({7, -2});
    const TVector b = Vec({7, -2});
    const TVector bad = Vec({Nan, 1});
    const TVector far = Vec({Inf, 0});
    EXPECT_TRUE(f.FitAll({&a, &b, &bad, &far}));
    EXPECT_EQ(f.Scale(), 3);
    EXPECT_TRUE(f.OwnOrigin().Equals(Vec({7, -2})));  // centred
    EXPECT_FALSE(f.FitAll({}));
    EXPECT_FALSE(f.FitAll({&bad}));
    EXPECT_EQ(f.Scale(), 3);

    // In a frame that follows the only particle there is nothing to fit.
    f.SetName("Moon");
    const TVector moon = Vec({3, 4});
    EXPECT_FALSE(f.FitAll({&moon}));
    EXPECT_EQ(f.Scale(), 3);

    // Without a drawing area there is nothing to fit into.
    TView hidden;
    hidden.Frame->SetClientSize(0, 0);
    EXPECT_FALSE(hidden.Frame->FitAll({&a, &moon}));
    EXPECT_EQ(hidden.Frame->Scale(), 1);
}
