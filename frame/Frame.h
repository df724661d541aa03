// Reference frames and the screen projection.
//
// TFrame is the point the particles are watched from: its own fixed origin ("Origin"), the
// centre of mass ("Center of mass") or one particle (the frame bears its name). It refers to
// the live vector, so a frame that follows a particle or the centre of mass moves with it. A
// frame is a pure translation: a world position p has frame coordinates p - origin.
//
// TScreenFrame adds the parallel projection of two chosen dimensions onto the drawing area:
//   sx = (p[XDim] - O[XDim]) * Scale + ClientWidth div 2
//   sy = ClientHeight div 2 - (p[YDim] - O[YDim]) * Scale
// each clamped to +-2000000000 and rounded half to even; a point is visible within a margin of
// MaxDrawRadius (50) pixels around the area, bounds inclusive.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Vector.h"

namespace kinetra {

class TSimData;
class TSetupReader;
class TSetupWriter;

struct TScreenPoint {
    int X = 0;
    int Y = 0;
    bool Visible = false;
};

class TFrame {
public:
    explicit TFrame(TSimData& simData);
    TFrame(const TFrame&) = delete;
    TFrame& operator=(const TFrame&) = delete;
    virtual ~TFrame() = default;

    const std::string& Name() const { return FName; }
    // The origin in force: OwnOrigin, the collection's CenterOfMass or a particle's Position.
    const TVector& Origin() const { return *FOrigin; }
    TVector& OwnOrigin() { return *FOwnOrigin; }
    const TVector& OwnOrigin() const { return *FOwnOrigin; }
    const std::vector<std::string>& AxisNames() const { return FAxisNames; }

    // Axis names and a zero OwnOrigin for the current number of dimensions; frame "Origin".
    void Reset();
    // Name := name, then UpdateOrigin.
    void SetName(const std::string& name);
    // Resolves the origin from the name: "Center of mass" (any case) first, then the first
    // particle of that name (any case), else "Origin" with OwnOrigin.
    void UpdateOrigin();
    // Makes the frame refer to a vector chosen elsewhere (the frame settings list).
    void SetOrigin(TVector& origin) { FOrigin = &origin; }

protected:
    TSimData& SimData;
    std::string FName;
    TVector* FOrigin = nullptr;
    std::unique_ptr<TVector> FOwnOrigin;
    std::vector<std::string> FAxisNames;
};

class TScreenFrame : public TFrame {
public:
    explicit TScreenFrame(TSimData& simData);

    int XDim() const { return FXDim; }
    int YDim() const { return FYDim; }
    double Scale() const { return FScale; }
    double Width() const { return FWidth; }
    double Height() const { return FHeight; }
    int ClientWidth() const { return FClientWidth; }
    int ClientHeight() const { return FClientHeight; }

    void SetClientSize(int width, int height);
    std::string XAxisName() const;
    std::string YAxisName() const;
    double OriginX() const;
    double OriginY() const;
    TScreenPoint WorldToScreen(const TVector& position) const;
    void Zoom(double factor);
    void ToggleAxes();
    void PanUp();
    void PanDown();
    void PanLeft();
    void PanRight();

    // The mouse's view changes. Each leaves the view as it was when it refuses.
    //
    // True when panning moves the picture: the frame's origin is its own origin (frame "Origin");
    // a frame that follows a particle or the centre of mass keeps that point in the centre.
    bool CanPan() const;
    // Scale := Scale * factor, keeping the world point under the pixel (screenX, screenY) on that
    // pixel (the wheel under the cursor). Where the frame cannot pan, or both screen axes show
    // the same dimension, it zooms about the centre as Zoom does. Refuses what SetScale refuses.
    void ZoomAbout(double factor, int screenX, int screenY);
    // Moves the picture by whole pixels, dx to the right and dy downwards, as if dragged (the
    // frame's own origin moves the other way). Does nothing where the frame cannot pan; returns
    // whether the view changed.
    bool PanPixels(int dx, int dy);
    // Sets the scale (and, where the frame can pan, the own origin along the two drawn
    // dimensions) so that every given position lies on the drawing area with a margin of
    // FitMargin of the area on each side, plus radius pixels for the particles' images. A frame
    // that cannot pan keeps its origin in the centre and fits the largest distance from it.
    // Positions all at one point keep the scale (and are centred where the frame can pan). The
    // sign of the scale (a mirrored picture) is kept. Non-finite positions are skipped; without
    // positions or without a drawing area nothing changes. Returns whether the view changed.
    bool FitAll(const std::vector<const TVector*>& positions, int radius = 0);
    // The world coordinates along XDim and YDim under a pixel (the inverse of WorldToScreen
    // without its rounding).
    double ScreenToWorldX(double screenX) const;
    double ScreenToWorldY(double screenY) const;

    static constexpr double FitMargin = 0.1;
    // "Coordinate out of range." outside 0..N-1; nothing changes then.
    void SetXDim(int dim);
    void SetYDim(int dim);
    // Refuses 0 ("Pixels per unit length must not be zero") and non-finite values
    // ("Invalid scale"); a negative scale mirrors the picture.
    void SetScale(double scale);

    // The frame section of a setup file: XDim YDim, Scale, OwnOrigin, Name.
    void SaveToFile(TSetupWriter& writer) const;
    void LoadFromFile(TSetupReader& reader);

private:
    void UpdateExtent();
    bool InOriginFrame() const;
    // N of the frame's own vectors (the setup's N when the frame was last reset).
    int Dimensions() const;

    int FXDim = 0;
    int FYDim = 0;
    double FScale = 1.0;
    double FWidth = 0;
    double FHeight = 0;
    int FClientWidth = 0;
    int FClientHeight = 0;
};

}  // namespace kinetra
