// Helpers for building a setup by hand: the velocity of a circular orbit under the setup's own
// force law, the shift that makes the total momentum zero, and the name and colour of a new
// particle. They read and write the initial state (InitialPosition, InitialVelocity): a setup is
// built at time 0, and the caller rewinds afterwards.
//
// Circular orbit. For two particles B and X the force law of the setup (Forces.h) gives the
// relative motion r = r_B - r_X of the pair the equation
//   r'' = -kappa * d^(Power - 1) * r,   kappa = C_BX * (m_B + m_X),   d = |r|,
// with C_BX the pair coefficient (G - k q_B q_X / (m_B m_X) when k != 0 and both masses are
// non-zero, else G). That is the two-body problem with the reduced mass, for any power of
// distance, with gravitation and the Coulomb force together. It has circular solutions exactly
// when kappa > 0 (the pair attracts), with the relative speed
//   |v_rel| = sqrt(kappa * d^(Power + 1))
// perpendicular to r. B's velocity becomes X's initial velocity plus that relative velocity, so
// the pair circles about each other whatever X was doing; the pair's centre of mass then drifts
// with its own momentum (see ZeroTotalMomentum).
//
// A planet outside another one circles the star and the inner planet together: the particles
// with mass that are closer to X than B is, and that B feels with X's pair coefficient (the same
// force law, no charge of their own that would change it), count with X as one body of their
// total mass at their centre of mass, moving with its velocity; r, kappa and the velocity added
// are then taken with that body instead of X. (Taken about X alone, the reflex motion of X about
// the inner planet becomes an eccentricity of the outer orbit of the order of the inner planet's
// mass ratio times the speed ratio; taken about the inner system it is of the order of the
// inner planet's tidal pull only.) Without such particles this is the pair of B and X.
//
// The direction lies in the screen plane, the plane of the two dimensions xDim and yDim (the
// screen's x and y axes): the part of r in that plane turned by a quarter turn, counter-clockwise
// or clockwise as the screen shows it (a negative scale turns the picture by half a turn and
// keeps the sense). It is perpendicular to r also when r has components in other dimensions;
// the orbit then lies in the plane of r and that direction and its picture on the screen is an
// ellipse traced in the chosen sense.
#pragma once

#include <string>

#include "base/Vector.h"

namespace kinetra {

class TSimData;
class TParticlesList;

inline constexpr const char* MsgOrbitNeedsTwoDimensions = "A circular orbit needs two dimensions";
inline constexpr const char* MsgOrbitNeedsTwoAxes =
    "A circular orbit needs two different dimensions on the screen axes";
inline constexpr const char* MsgOrbitAboutItself = "A particle cannot orbit itself";
// The names of the two particles fill the blanks.
inline constexpr const char* MsgOrbitSamePlace =
    "No circular orbit: %s and %s are at one place in the screen plane";
inline constexpr const char* MsgOrbitNoAttraction = "No circular orbit: %s and %s do not attract each other";
inline constexpr const char* MsgMomentumNeedsMass = "Zero total momentum needs a particle with mass";

// The initial velocity that puts particle `body` on a circular orbit about particle `centre`
// (indices into sim.Particles), as described above. Refused with EKNError, nothing changed:
// fewer than two dimensions, xDim equal to yDim (or out of range), body equal to centre,
// the two at one place of the screen plane, a pair that repels or does not attract, a speed
// that is not finite (MsgCoordinateOutOfRange).
TVector CircularOrbitVelocity(const TSimData& sim, int body, int centre, int xDim, int yDim, bool clockwise);

// The vector s that makes the total momentum zero when added to every initial velocity:
// s = -(sum m_i v_i) / (sum m_i). EKNError(MsgMomentumNeedsMass) when the masses add up to 0.
TVector MomentumShift(const TParticlesList& particles);
// Adds MomentumShift to every particle's InitialVelocity, massless ones included (they keep
// moving with the others).
void ZeroTotalMomentum(TParticlesList& particles);

// "Body N" with N one more than the largest N of the particles named "Body N" (letter case
// ignored, as frames match names); "Body 1" when there is none.
std::string NextParticleName(const TParticlesList& particles);
// The first palette entry that no particle uses; when every entry is in use, the one used
// least (the lower index among equals).
int NextColourIndex(const TParticlesList& particles);

}  // namespace kinetra
