// Reference frames and the screen projection. The frame keeps a pointer to the live vector it
// follows (its own origin, the collection's centre of mass or a particle's position); the owner
// re-resolves it with UpdateOrigin whenever the collection is edited or replaced.
#include "frame/Frame.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"

namespace kinetra {

namespace {

constexpr const char* MsgDimOutOfRange = "Coordinate out of range.";
constexpr const char* MsgZeroScale = "Pixels per unit length must not be zero";
constexpr const char* MsgInvalidScale = "Invalid scale";

// Frame and particle names compare without regard to case in the plain ASCII letters only, so
// that the result does not depend on the locale.
char FoldCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

// Clamps a projected coordinate into the 32-bit range; NaN, which compares false everywhere,
// goes to the lower bound so that the integer conversion is always defined.
double ClampScreen(double s) {
    if (s > 0) return s < MaxScreenCoord ? s : MaxScreenCoord;
    return s >= MinScreenCoord ? s : MinScreenCoord;
}

// Rounds to the nearest integer, halves to the even neighbour, whatever the FPU's rounding
// mode. The argument lies within +-2E9, where every double's floor is exact.
int RoundHalfEven(double s) {
    double r = std::floor(s);
    const double diff = s - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0)) r += 1;
    return static_cast<int>(r);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFrame

TFrame::TFrame(TSimData& simData) : SimData(simData) {
    Reset();
}

void TFrame::Reset() {
    const int n = SimData.Dimensions;
    FAxisNames.clear();
    for (int i = 0; i < n; ++i) {
        if (n <= static_cast<int>(DefaultAxisNames.size()))
            FAxisNames.emplace_back(DefaultAxisNames[static_cast<std::size_t>(i)]);
        else
            FAxisNames.push_back(std::string(1, 'x').append(std::to_string(i + 1)));
    }
    FOwnOrigin = std::make_unique<TVector>(n);
    FOrigin = FOwnOrigin.get();
    FName = FrameOrigin;
}

void TFrame::SetName(const std::string& name) {
    FName = name;
    UpdateOrigin();
}

void TFrame::UpdateOrigin() {
    // The centre of mass wins over a particle of the same name.
    if (SameText(FName, FrameCenterOfMass)) {
        FOrigin = &SimData.Particles.CenterOfMass();
        return;
    }
    // "Origin" is looked up among the particles too: a particle of that name is followed.
    TParticlesList& list = SimData.Particles;
    for (int i = 0; i < list.Count(); ++i) {
        if (SameText(list.Particles(i).Name, FName)) {
            FOrigin = &list.Particles(i).Position;
            return;
        }
    }
    FOrigin = FOwnOrigin.get();
    FName = FrameOrigin;
}

// ---------------------------------------------------------------------------------------------
// TScreenFrame

TScreenFrame::TScreenFrame(TSimData& simData) : TFrame(simData) {
    FYDim = Dimensions() >= 2 ? 1 : 0;
    UpdateExtent();
}

int TScreenFrame::Dimensions() const {
    return FOwnOrigin->Count();
}

void TScreenFrame::SetClientSize(int width, int height) {
    FClientWidth = width;
    FClientHeight = height;
    UpdateExtent();
}

std::string TScreenFrame::XAxisName() const {
    return FAxisNames[static_cast<std::size_t>(FXDim)];
}
std::string TScreenFrame::YAxisName() const {
    return FAxisNames[static_cast<std::size_t>(FYDim)];
}
double TScreenFrame::OriginX() const {
    return Origin()[FXDim];
}
double TScreenFrame::OriginY() const {
    return Origin()[FYDim];
}

TScreenPoint TScreenFrame::WorldToScreen(const TVector& position) const {
    const TVector& o = Origin();
    // The frame's origin sits at the centre of the area; pixel rows count downwards.
    const double sx = ClampScreen((position[FXDim] - o[FXDim]) * FScale + (FClientWidth / 2));
    const double sy = ClampScreen((FClientHeight / 2) - (position[FYDim] - o[FYDim]) * FScale);
    TScreenPoint p;
    p.X = RoundHalfEven(sx);
    p.Y = RoundHalfEven(sy);
    // A particle drawn around a point just outside the area may still reach into it.
    p.Visible = -MaxDrawRadius <= p.X && p.X <= FClientWidth + MaxDrawRadius && -MaxDrawRadius <= p.Y &&
                p.Y <= FClientHeight + MaxDrawRadius;
    return p;
}

void TScreenFrame::Zoom(double factor) {
    // Through SetScale, so that a scale driven to zero or beyond the range of a double by
    // endless zooming is refused instead of leaving a view that can never be zoomed back.
    SetScale(FScale * factor);
}

void TScreenFrame::ToggleAxes() {
    const int n = Dimensions();
    FXDim = (FXDim + 1) % n;
    FYDim = (FYDim + 1) % n;
}

void TScreenFrame::PanUp() {
    if (InOriginFrame()) (*FOwnOrigin)[FYDim] += 0.0625 * FHeight;
}

void TScreenFrame::PanDown() {
    if (InOriginFrame()) (*FOwnOrigin)[FYDim] -= 0.0625 * FHeight;
}

void TScreenFrame::PanLeft() {
    if (InOriginFrame()) (*FOwnOrigin)[FXDim] -= 0.0625 * FWidth;
}

void TScreenFrame::PanRight() {
    if (InOriginFrame()) (*FOwnOrigin)[FXDim] += 0.0625 * FWidth;
}

bool TScreenFrame::CanPan() const {
    // By the origin in force rather than by the name: a particle named "Origin" is followed,
    // and moving the own origin would not move the picture then.
    return FOrigin == FOwnOrigin.get();
}

double TScreenFrame::ScreenToWorldX(double screenX) const {
    return OriginX() + (screenX - (FClientWidth / 2)) / FScale;
}

double TScreenFrame::ScreenToWorldY(double screenY) const {
    return OriginY() + ((FClientHeight / 2) - screenY) / FScale;
}

void TScreenFrame::ZoomAbout(double factor, int screenX, int screenY) {
    const double worldX = ScreenToWorldX(screenX);
    const double worldY = ScreenToWorldY(screenY);
    SetScale(FScale * factor);
    // One dimension on both axes has one origin component for two pixel positions: no origin
    // keeps both, so such a picture zooms about its centre.
    if (!CanPan() || FXDim == FYDim) return;
    // Solve the projection for the origin that puts (worldX, worldY) back on the pixel.
    const double originX = worldX - (screenX - (FClientWidth / 2)) / FScale;
    const double originY = worldY - ((FClientHeight / 2) - screenY) / FScale;
    // At the far ends of the range the division may overflow; the zoom then stays about the
    // centre rather than leaving an origin that can never be panned back.
    if (!std::isfinite(originX) || !std::isfinite(originY)) return;
    (*FOwnOrigin)[FXDim] = originX;
    (*FOwnOrigin)[FYDim] = originY;
}

bool TScreenFrame::PanPixels(int dx, int dy) {
    if (!CanPan() || (dx == 0 && dy == 0)) return false;
    TVector& o = *FOwnOrigin;
    // Dragged to the right, the picture follows the cursor, so the viewpoint goes left; pixel
    // rows count downwards, world y upwards. Done in steps, so that equal dimensions add up.
    const double oldX = o[FXDim];
    const double oldY = o[FYDim];
    o[FXDim] = oldX - dx / FScale;
    const double newY = o[FYDim] + dy / FScale;
    if (!std::isfinite(o[FXDim]) || !std::isfinite(newY)) {
        o[FXDim] = oldX;
        o[FYDim] = oldY;
        return false;
    }
    o[FYDim] = newY;
    return o[FXDim] != oldX || o[FYDim] != oldY;
}

bool TScreenFrame::FitAll(const std::vector<const TVector*>& positions, int radius) {
    if (FClientWidth <= 0 || FClientHeight <= 0) return false;
    const bool pan = CanPan();
    const TVector& o = Origin();
    // Every coordinate enters halved, so that neither the extent of positions at both ends of
    // the double range nor their distance from the origin can overflow.
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool any = false;
    for (const TVector* p : positions) {
        if (p == nullptr) continue;
        const double x = (*p)[FXDim];
        const double y = (*p)[FYDim];
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        const double hx = pan ? x / 2 : std::abs(x / 2 - o[FXDim] / 2);
        const double hy = pan ? y / 2 : std::abs(y / 2 - o[FYDim] / 2);
        if (!any) {
            minX = maxX = hx;
            minY = maxY = hy;
            any = true;
        }
        minX = std::min(minX, hx);
        maxX = std::max(maxX, hx);
        minY = std::min(minY, hy);
        maxY = std::max(maxY, hy);
    }
    if (!any) return false;

    // The pixels from the centre column (row) to the nearer edge that the positions may use.
    const auto usable = [radius](int size) {
        const int centre = size / 2;
        const double room = std::min(centre, size - centre) - FitMargin * size - std::max(radius, 0);
        return std::max(room, 1.0);
    };
    // Half-extents about the new centre, or half-distances from the fixed origin.
    const double halfX = pan ? maxX - minX : maxX;
    const double halfY = pan ? maxY - minY : maxY;
    // With pan, halfX is the distance from the centre of the box; otherwise half the distance.
    const double unitX = pan ? usable(FClientWidth) : usable(FClientWidth) / 2;
    const double unitY = pan ? usable(FClientHeight) : usable(FClientHeight) / 2;
    double scale = std::abs(FScale);
    double fitted = 0;
    if (halfX > 0) fitted = unitX / halfX;
    if (halfY > 0) fitted = fitted > 0 ? std::min(fitted, unitY / halfY) : unitY / halfY;
    // A spread too small for any finite scale counts as one point.
    if (fitted > 0 && std::isfinite(fitted)) scale = fitted;
    scale = std::copysign(scale, FScale);

    bool changed = scale != FScale;
    SetScale(scale);
    if (pan) {
        const double centreX = minX + maxX;  // the halves' sum: the middle of the box
        const double centreY = minY + maxY;
        TVector& own = *FOwnOrigin;
        changed = changed || own[FXDim] != centreX || own[FYDim] != centreY;
        own[FXDim] = centreX;
        own[FYDim] = centreY;
    }
    return changed;
}

void TScreenFrame::SetXDim(int dim) {
    if (dim < 0 || dim >= Dimensions()) throw EKNError(MsgDimOutOfRange);
    FXDim = dim;
}

void TScreenFrame::SetYDim(int dim) {
    if (dim < 0 || dim >= Dimensions()) throw EKNError(MsgDimOutOfRange);
    FYDim = dim;
}

void TScreenFrame::SetScale(double scale) {
    if (!std::isfinite(scale)) throw EKNError(MsgInvalidScale);
    if (scale == 0) throw EKNError(MsgZeroScale);
    FScale = scale;
    UpdateExtent();
}

void TScreenFrame::SaveToFile(TSetupWriter& writer) const {
    writer.WriteLine(std::to_string(FXDim) + " " + std::to_string(FYDim));
    writer.WriteLine(TSetupWriter::Real(FScale));
    writer.WriteLine(FOwnOrigin->ToString());
    writer.WriteLine(FName);
}

void TScreenFrame::LoadFromFile(TSetupReader& reader) {
    Reset();
    // The setup being read may have fewer dimensions than the last one; until its own axes
    // are read the frame must not point past its vectors (a failed read leaves it here).
    if (FXDim >= Dimensions()) FXDim = 0;
    if (FYDim >= Dimensions()) FYDim = Dimensions() >= 2 ? 1 : 0;
    const int xDim = reader.ReadInteger("screen x of the frame");
    reader.Mark();
    const int yDim = reader.ReadInteger("screen y of the frame");
    reader.ReadLn();
    try {
        SetXDim(xDim);
    } catch (const EKinetraError&) {
        reader.ReturnToMark();
        throw;
    }
    SetYDim(yDim);
    const double scale = reader.ReadReal("pixels per unit length of the frame");
    reader.ReadLn();
    SetScale(scale);
    FOwnOrigin->FromString(reader.ReadLine("origin of the frame"));
    // Last, so that the name is resolved against the particles already read.
    SetName(reader.ReadLine("name of the frame"));
}

void TScreenFrame::UpdateExtent() {
    FWidth = FClientWidth / FScale;
    FHeight = FClientHeight / FScale;
}

bool TScreenFrame::InOriginFrame() const {
    return SameText(FName, FrameOrigin);
}

}  // namespace kinetra
