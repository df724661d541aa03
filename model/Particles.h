// TParticle, one point particle of a setup, and TParticlesList, the ordered collection of a
// setup's particles with its overlap checks, collective quantities and collision search.
//
// Units are whatever the setup uses (SI in the solar-system example, scaled units elsewhere).
// Kinetic energy: E = |v|^2 * (m * 0.5); momentum p = m v; the centre of mass is
// sum(m_i x_i) * (1 / M); angular momentum is taken about the coordinate origin, as a scalar
// in two dimensions and as a 3-vector in three.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Vector.h"
#include "model/CollisionGrid.h"

namespace kinetra {

class TSetupReader;
class TSetupWriter;

// What the window draws for a particle: a filled circle of diameter 2 * Size pixels in
// ParticleColours[ColourIndex], outlined 2 pixels wide in the background colour.
struct TParticleImage {
    int ColourIndex = 0;
    int Size = 0;  // 0: empty picture
    bool operator==(const TParticleImage&) const = default;
};

class TParticle {
public:
    explicit TParticle(int dimensions);
    TParticle(const std::string& name, int dimensions);
    TParticle(const TParticle&) = delete;
    TParticle& operator=(const TParticle&) = delete;

    std::string Name;
    int Dimensions() const { return FDimensions; }
    // The vectors are never replaced, so a reference to Position stays valid for the
    // particle's whole life (a frame that follows the particle keeps it).
    TVector Position;
    TVector Velocity;
    TVector InitialPosition;
    TVector InitialVelocity;
    double Mass = 0;
    TParticleImage Image;
    int ColourIndex = 0;
    int ImageSize = DefaultImageSize;
    bool ShowTrail = false;
    bool Invisible = false;

    static constexpr int DefaultImageSize = 11;

    double Radius() const { return FRadius; }
    double Charge() const { return FCharge; }

    // Copies everything but the dimensions and the momentum buffer; both particles must have
    // the same dimensions. A null source is ignored.
    void Assign(const TParticle* source);
    // The user-editable fields agree exactly (current state not compared).
    bool SameAs(const TParticle& other) const;
    void ResetToInitial();
    double KineticEnergy() const;
    // Velocity * Mass in a buffer of the particle that the next call overwrites.
    const TVector& Momentum();
    // Stores |value|.
    void SetRadius(double value);
    // Refuses a non-zero charge on a massless particle
    // ("Non-zero charge not allowed for massless particle").
    void SetCharge(double value);
    void UpdateImage();
    int GetImageRadius() const { return ImageSize - 1; }
    void SetImageRadius(int value) { ImageSize = value + 1; }

    // Refuses a name that the setup file cannot hold (EKNError): End_Particles, which the reader
    // takes for the end of the particle section, and a name with a line break
    // (LF: the reader ends lines there; a CR alone is text to it).
    static void CheckName(const std::string& name);

    // Lines 2 to 8 of a particle block (the name line is read by the collection).
    void LoadFromFile(TSetupReader& reader);
    // Lines 1 to 8 of a particle block.
    void SaveToFile(TSetupWriter& writer) const;

private:
    int FDimensions;
    double FRadius = 0;
    double FCharge = 0;
    TVector MomentumBuffer;
};

// Called with the indices of two colliding particles, lower first.
using TCollisionEvent = std::function<void(int, int)>;

class TParticlesList {
public:
    explicit TParticlesList(int dimensions);
    ~TParticlesList();
    TParticlesList(const TParticlesList&) = delete;
    TParticlesList& operator=(const TParticlesList&) = delete;

    int Dimensions() const { return FDimensions; }
    int Count() const { return static_cast<int>(Items.size()); }
    TParticle& Particles(int index) { return *Items[index].Particle; }
    const TParticle& Particles(int index) const { return *Items[index].Particle; }
    // The particle's name as it was when it was added.
    const std::string& Strings(int index) const { return Items[index].Name; }
    // Counts the changes of the set itself (a particle added, inserted or deleted, new
    // dimensions, a copy of another collection): storage made for the particles of one revision
    // does not fit those of another.
    std::uint64_t Revision() const { return FRevision; }

    double TotalMass = 0;
    double PlanarAngularMomentum = 0;
    TCollisionEvent OnCollision;

    // Replaced (new objects) only by SetDimensions and therefore by Assign: whoever keeps a
    // reference must look it up again after those calls.
    TVector& CenterOfMass() { return *FCenterOfMass; }
    const TVector& CenterOfMass() const { return *FCenterOfMass; }
    TVector& TotalMomentum() { return *FTotalMomentum; }
    const TVector& TotalMomentum() const { return *FTotalMomentum; }
    // Exists only while Dimensions() == 3, otherwise null.
    TVector* AngularMomentum() { return FAngularMomentum.get(); }
    const TVector* AngularMomentum() const { return FAngularMomentum.get(); }

    // Empties the collection (index 0 first) and makes fresh zero collective vectors.
    void SetDimensions(int dimensions);
    // Checks the particle's name (TParticle::CheckName) and its place against every particle
    // present ("Overlap with %s.", "Position already occupied by %s."), then takes it over. On refusal
    // `particle` is left with the caller, untouched.
    void AddParticle(std::unique_ptr<TParticle>&& particle);
    void InsertParticle(int index, std::unique_ptr<TParticle>&& particle);
    void Delete(int index);
    // Copies particles (as new objects), order, handler and the collective values.
    void Assign(const TParticlesList& source);

    void ResetToInitial();
    void UpdateCenterOfMass();
    void UpdateMomentum();
    // EMathError ("Floating point overflow", "Invalid floating point operation") when the sum
    // cannot be computed.
    double KineticEnergy() const;
    // The first colliding pair (i < j, in that loop order) is reported to OnCollision, then
    // the computation is aborted with EAbort("Collision"). Nothing happens without a handler.
    void CheckCollisions();

    // Raises the placement error a new particle would meet, without adding it. With `except`,
    // the particle of that index is left out (a particle of the collection checked at a new
    // place against the others).
    void CheckPlacement(const TParticle& particle, int except = -1) const;

    // The particle section between "Begin_Particles" and "End_Particles".
    void LoadFromFile(TSetupReader& reader);
    // Refuses (before writing anything) a collection with a name that TParticle::CheckName
    // refuses, whoever set it.
    void SaveToFile(TSetupWriter& writer) const;

private:
    // Takes the particle over at `index`, its placement checked.
    void Take(int index, std::unique_ptr<TParticle>&& particle);

    struct TItem {
        std::string Name;
        std::unique_ptr<TParticle> Particle;
    };
    int FDimensions = 0;
    std::uint64_t FRevision = 0;
    std::vector<TItem> Items;
    std::unique_ptr<TVector> FCenterOfMass;
    std::unique_ptr<TVector> FTotalMomentum;
    std::unique_ptr<TVector> FAngularMomentum;
    TCollisionGrid Grid;  // the collision check of many particles
};

}  // namespace kinetra
