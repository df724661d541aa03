// Reference frames and the screen projection. The frame keeps a pointer to the live vector it
// follows (its own origin, the collection's centre of mass or a particle's position); the owner
// re-resolves it with UpdateOrigin whenever the collection is edited or replaced.
#include "frame/Frame.h"

#include <cmath>
#include <string>

#include "engine/KNConst.h"
#include "engine/KNUtils.h"
#include "engine/SetupFile.h"
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
    const int xDim = reader.ReadInteger();
    const int yDim = reader.ReadInteger();
    reader.ReadLn();
    SetXDim(xDim);
    SetYDim(yDim);
    const double scale = reader.ReadReal();
    reader.ReadLn();
    SetScale(scale);
    FOwnOrigin->FromString(reader.ReadLine());
    // Last, so that the name is resolved against the particles already read.
    SetName(reader.ReadLine());
}

void TScreenFrame::UpdateExtent() {
    FWidth = FClientWidth / FScale;
    FHeight = FClientHeight / FScale;
}

bool TScreenFrame::InOriginFrame() const {
    return SameText(FName, FrameOrigin);
}

}  // namespace kinetra
