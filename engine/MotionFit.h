// Where the particles of a setup are going: the box of the screen plane that the visible
// particles will sweep, for a view that frames their motion rather than their starting points;
// and the accelerations at the current positions, for pictures of the forces.
//
// The box. Every visible particle counts with its current position. A particle is bound when the
// two-body orbit about its strongest attractor (the particle whose pull on it is largest) has an
// outer turning point: with the relative position r and velocity v of the pair, kappa and the
// power as in SetupBuilding.h, the energy per reduced mass e = |v|^2/2 + Phi(|r|) with
// Phi(d) = kappa d^(Power+1)/(Power+1) (kappa ln d for Power = -1) and the angular momentum
// h^2 = |r|^2 |v|^2 - (r.v)^2, the turning point is the root R >= |r| of
//   h^2 / (2 R^2) + Phi(R) = e,
// found by doubling and bisection; none within 2^60 |r| counts as unbound. A bound particle
// needs about one period of the circular orbit at R, T = 2 pi sqrt(R^(1 - Power) / kappa), to
// trace its whole path. The bound particles' paths are then followed on a copy of the state (the
// setup itself is untouched) with a kick-drift-kick leapfrog whose step is a fiftieth of the
// shortest pair time sqrt(d / A) (A = |C| (m_i + m_j) d^Power, the pair's relative acceleration),
// for the longest of those periods, at most MaxLookAheadSteps steps and MaxLookAheadPairs pair
// evaluations in all (a large setup looks ahead only a few steps and keeps mostly its current
// positions). Escaping particles count only where they are now, so one of them cannot shrink
// the picture of the others to a dot; for the same reason a bound particle is no longer followed
// once it is farther than 1.5 R m_j / (m_i + m_j) from the centre of mass of its pair (flung out
// in a close passage, or through the singular centre of a head-on fall).
//
// A frame that follows a particle or the centre of mass sees the motion relative to that point:
// with `follow` set, each recorded position is taken relative to the followed point at the same
// time and placed about where that point is now.
#pragma once

#include <vector>

#include "base/Vector.h"

namespace kinetra {

class TSimData;

struct TMotionBox {
    double MinX = 0;
    double MaxX = 0;
    double MinY = 0;
    double MaxY = 0;
    bool Empty = true;

    void Include(double x, double y);
    bool Contains(double x, double y) const {
        return !Empty && x >= MinX && x <= MaxX && y >= MinY && y <= MaxY;
    }
};

// `follow` of MotionExtent: a particle index, or one of these.
inline constexpr int FollowNothing = -1;
inline constexpr int FollowCenterOfMass = -2;

inline constexpr int MaxLookAheadSteps = 20000;
inline constexpr double MaxLookAheadPairs = 5E6;

// The box, along dimensions xDim and yDim, that the visible particles will sweep, from their
// current Position and Velocity. Empty without visible particles (non-finite positions are
// skipped).
TMotionBox MotionExtent(const TSimData& sim, int xDim, int yDim, int follow = FollowNothing);

// The acceleration of every particle at the current positions (or at the initial ones), by the
// setup's force law, summed directly over the pairs (the force model's own evaluation state is
// left alone, so this may be asked for in the middle of a run). Pairs at one place contribute
// nothing.
std::vector<TVector> Accelerations(const TSimData& sim, bool initial = false);

}  // namespace kinetra
