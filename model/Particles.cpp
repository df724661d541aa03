#include "model/Particles.h"

#include <cmath>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "base/SetupText.h"

namespace kinetra {

// ---------------------------------------------------------------------------------------------
// TParticle

TParticle::TParticle(int dimensions)
    : Position(dimensions),
      Velocity(dimensions),
      InitialPosition(dimensions),
      InitialVelocity(dimensions),
      FDimensions(dimensions),
      MomentumBuffer(dimensions) {}

TParticle::TParticle(const std::string& name, int dimensions) : TParticle(dimensions) {
    Name = name;
}

void TParticle::Assign(const TParticle* source) {
    if (source == nullptr || source == this) return;
    Name = source->Name;
    Position.Assign(source->Position);
    Velocity.Assign(source->Velocity);
    InitialPosition.Assign(source->InitialPosition);
    InitialVelocity.Assign(source->InitialVelocity);
    Mass = source->Mass;
    FCharge = source->FCharge;
    FRadius = source->FRadius;
    Image = source->Image;
    ColourIndex = source->ColourIndex;
    ImageSize = source->ImageSize;
    ShowTrail = source->ShowTrail;
    Invisible = source->Invisible;
}

bool TParticle::SameAs(const TParticle& other) const {
    return Name == other.Name && Mass == other.Mass && FCharge == other.FCharge && FRadius == other.FRadius &&
           InitialPosition.Equals(other.InitialPosition) && InitialVelocity.Equals(other.InitialVelocity) &&
           ColourIndex == other.ColourIndex && ImageSize == other.ImageSize && ShowTrail == other.ShowTrail &&
           Invisible == other.Invisible;
}

void TParticle::ResetToInitial() {
    Position.Assign(InitialPosition);
    Velocity.Assign(InitialVelocity);
}

double TParticle::KineticEnergy() const {
    return Velocity.SqrNorm() * (Mass * 0.5);
}

const TVector& TParticle::Momentum() {
    MomentumBuffer.Assign(Velocity);
    MomentumBuffer.Scale(Mass);
    return MomentumBuffer;
}

void TParticle::SetRadius(double value) {
    FRadius = std::fabs(value);
}

void TParticle::SetCharge(double value) {
    if (value != 0 && Mass == 0) throw EKNError("Non-zero charge not allowed for massless particle");
    FCharge = value;
}

void TParticle::CheckName(const std::string& name) {
    if (name == KeywordEndParticles) throw EKNError(MsgReservedName);
    if (name.find('\n') != std::string::npos) throw EKNError(MsgLineBreakInName);
}

void TParticle::UpdateImage() {
    Image = TParticleImage{ColourIndex, ImageSize};
}

// ---------------------------------------------------------------------------------------------
// TParticlesList

TParticlesList::TParticlesList(int dimensions) {
    TotalMass = 0;
    SetDimensions(dimensions);
}

// Every particle goes at once: deleting the first one again and again would move all the others
// each time (N^2 moves for N particles).
TParticlesList::~TParticlesList() = default;

void TParticlesList::SetDimensions(int dimensions) {
    Items.clear();
    ++FRevision;
    FDimensions = dimensions;
    TotalMass = 0;
    PlanarAngularMomentum = 0;
    FAngularMomentum.reset();
    if (dimensions == 3) FAngularMomentum = std::make_unique<TVector>(3);
    FTotalMomentum = std::make_unique<TVector>(dimensions);
    FCenterOfMass = std::make_unique<TVector>(dimensions);
}

void TParticlesList::CheckPlacement(const TParticle& particle, int except) const {
    // Loading N particles checks N^2 / 2 pairs here: the distance is written out (the operations
    // of TVector::Distance) so that the compiler can overlap the pairs.
    const double* x = particle.InitialPosition.Data();
    const int dims = particle.InitialPosition.Count();
    const double radius = particle.Radius();
    for (size_t k = 0; k < Items.size(); ++k) {
        if (static_cast<int>(k) == except) continue;
        const TParticle& other = *Items[k].Particle;
        const double* y = other.InitialPosition.Data();
        double sum = 0;
        for (int c = 0; c < dims; ++c) {
            const double w = y[c] - x[c];
            sum = sum + w * w;
        }
        // Without radii (their sum not above 0) no distance is below it, and the distance is 0
        // exactly when its square is: the square root is needed only with radii.
        const double radii = radius + other.Radius();
        const double d = radii > 0 ? std::sqrt(sum) : sum;
        if (d < radii) throw EKNError(Format("Overlap with %s.", other.Name));
        if (d == 0) throw EKNError(Format("Position already occupied by %s.", other.Name));
    }
}

void TParticlesList::AddParticle(std::unique_ptr<TParticle>&& particle) {
    InsertParticle(Count(), std::move(particle));
}

void TParticlesList::InsertParticle(int index, std::unique_ptr<TParticle>&& particle) {
    TParticle::CheckName(particle->Name);
    CheckPlacement(*particle);
    Take(index, std::move(particle));
}

void TParticlesList::Take(int index, std::unique_ptr<TParticle>&& particle) {
    const double mass = particle->Mass;
    TItem item{particle->Name, std::move(particle)};
    Items.insert(Items.begin() + index, std::move(item));
    ++FRevision;
    TotalMass = TotalMass + mass;
}

void TParticlesList::Delete(int index) {
    TotalMass = TotalMass - Items[index].Particle->Mass;
    Items.erase(Items.begin() + index);
    ++FRevision;
}

void TParticlesList::Assign(const TParticlesList& source) {
    if (&source == this) return;
    SetDimensions(source.Dimensions());
    for (const TItem& item : source.Items) {
        auto copy = std::make_unique<TParticle>(FDimensions);
        copy->Assign(item.Particle.get());
        AddParticle(std::move(copy));
    }
    OnCollision = source.OnCollision;
    FCenterOfMass->Assign(*source.FCenterOfMass);
    FTotalMomentum->Assign(*source.FTotalMomentum);
    PlanarAngularMomentum = source.PlanarAngularMomentum;
    if (FDimensions == 3 && FAngularMomentum && source.FAngularMomentum)
        FAngularMomentum->Assign(*source.FAngularMomentum);
}

void TParticlesList::ResetToInitial() {
    for (TItem& item : Items) item.Particle->ResetToInitial();
    UpdateCenterOfMass();
}

void TParticlesList::UpdateCenterOfMass() {
    TVector& com = *FCenterOfMass;
    com.Clear();
    if (TotalMass == 0) return;
    for (const TItem& item : Items) com.AddScaled(item.Particle->Position, item.Particle->Mass);
    com.Scale(1 / TotalMass);
}

void TParticlesList::UpdateMomentum() {
    TVector& total = *FTotalMomentum;
    total.Clear();
    if (FDimensions == 3 && FAngularMomentum)
        FAngularMomentum->Clear();
    else
        PlanarAngularMomentum = 0;
    for (TItem& item : Items) {
        TParticle& p = *item.Particle;
        const TVector& mom = p.Momentum();
        const TVector& r = p.Position;
        total.Add(mom);
        if (p.Dimensions() == 2) {
            PlanarAngularMomentum = PlanarAngularMomentum + (r[0] * mom[1] - r[1] * mom[0]);
        } else if (p.Dimensions() == 3 && FAngularMomentum) {
            TVector& L = *FAngularMomentum;
            L[0] = L[0] + (r[1] * mom[2] - r[2] * mom[1]);
            L[1] = L[1] + (r[2] * mom[0] - r[0] * mom[2]);
            L[2] = L[2] + (r[0] * mom[1] - r[1] * mom[0]);
        }
    }
}

double TParticlesList::KineticEnergy() const {
    // An overflowing or NaN sum is an error, never a value to show.
    const TFloatCheck check;
    double sum = 0;
    for (const TItem& item : Items) sum = sum + item.Particle->KineticEnergy();
    return check.Check(sum);
}

void TParticlesList::CheckCollisions() {
    if (!OnCollision) return;
    if (TCollisionGrid::Serves(*this)) {
        const auto [i, j] = Grid.FirstCollision(*this);
        if (i < 0) return;
        OnCollision(i, j);
        throw EAbort("Collision");
    }
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        const TParticle& a = *Items[i].Particle;
        for (int j = i + 1; j < n; ++j) {
            const TParticle& b = *Items[j].Particle;
            if (a.Position.Distance(b.Position) < a.Radius() + b.Radius() && OnCollision) {
                OnCollision(i, j);
                throw EAbort("Collision");
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The particle section of a setup file

void TParticle::LoadFromFile(TSetupReader& reader) {
    const std::string of = " of particle " + QuotedForMessage(Name);
    // Mass first, so that SetCharge can refuse a charge on a massless particle.
    Mass = reader.ReadReal("mass" + of);
    const double charge = reader.ReadReal("charge" + of);
    reader.ReadLn();
    SetCharge(charge);
    SetRadius(reader.ReadReal("radius" + of));
    reader.ReadLn();
    InitialPosition.FromString(reader.ReadLine("initial position" + of));
    // An overlap is found only when the whole particle has been read; it is reported here.
    reader.Mark();
    InitialVelocity.FromString(reader.ReadLine("initial velocity" + of));
    // A degenerate image or a colour outside the palette would only surface when drawing.
    const int imageSize = reader.ReadInteger("image size" + of);
    reader.ReadLn();
    if (imageSize < 1) throw EKNError("Invalid input");
    ImageSize = imageSize;
    const int colour = StrToInt(reader.ReadLine("colour" + of));
    if (colour < 0 || colour >= ColourCount) throw EKNError("Invalid input");
    ColourIndex = colour;
    UpdateImage();
    const std::string flags = reader.ReadLine("trail and invisibility flags" + of);
    if (flags.size() < 2) throw EKNError("Invalid input");
    ShowTrail = flags[0] == 'T';
    Invisible = flags[1] == 'T';
}

void TParticle::SaveToFile(TSetupWriter& writer) const {
    writer.WriteLine(Name);
    writer.WriteLine(TSetupWriter::Real(Mass) + " " + TSetupWriter::Real(FCharge));
    writer.WriteLine(TSetupWriter::Real(FRadius));
    writer.WriteLine(InitialPosition.ToString());
    writer.WriteLine(InitialVelocity.ToString());
    writer.WriteLine(std::to_string(ImageSize));
    writer.WriteLine(std::to_string(ColourIndex));
    const char flags[2] = {ShowTrail ? 'T' : 'F', Invisible ? 'T' : 'F'};
    writer.WriteLine(std::string_view(flags, 2));
}

namespace {

// The initial positions (one array per coordinate) and radii of the particles of a list being
// loaded, which nothing else changes meanwhile: the placement test of CheckPlacement for many
// particles at a time, so that loading N particles, N^2 / 2 tests, uses the vector units.
class TPlacements {
public:
    explicit TPlacements(int dimensions) : Coordinates(static_cast<size_t>(dimensions)) {}

    void Add(const TParticle& p) {
        for (size_t c = 0; c < Coordinates.size(); ++c)
            Coordinates[c].push_back(p.InitialPosition[static_cast<int>(c)]);
        Radii.push_back(p.Radius());
        Points = Points && p.Radius() <= 0;
    }

    // Whether `p` overlaps a particle present or takes its place (then CheckPlacement names it).
    bool Conflict(const TParticle& p) const {
        constexpr int Block = 64;
        const int count = static_cast<int>(Radii.size());
        const double radius = p.Radius();
        const bool points = Points && radius <= 0;
        switch (points ? Coordinates.size() : 0) {
            case 1:
                return PointTaken<1>(p, count);
            case 2:
                return PointTaken<2>(p, count);
            case 3:
                return PointTaken<3>(p, count);
            default:
                break;
        }
        double sum[Block];
        for (int j0 = 0; j0 < count; j0 += Block) {
            const int m = count - j0 < Block ? count - j0 : Block;
            for (int q = 0; q < m; ++q) sum[q] = 0;
            for (size_t c = 0; c < Coordinates.size(); ++c) {
                const double* y = Coordinates[c].data() + j0;
                const double x = p.InitialPosition[static_cast<int>(c)];
                for (int q = 0; q < m; ++q) {
                    const double w = y[q] - x;
                    sum[q] = sum[q] + w * w;
                }
            }
            const double* r = Radii.data() + j0;
            // A flag kept as a double, so that the loops vectorize.
            double conflict = 0;
            if (points) {
                // No radii: only a zero distance, a zero square, conflicts.
                for (int q = 0; q < m; ++q) conflict = sum[q] == 0 ? 1 : conflict;
                if (conflict != 0) return true;
                continue;
            }
            for (int q = 0; q < m; ++q) {
                const double radii = radius + r[q];
                const double root = std::sqrt(sum[q]);
                const double d = radii > 0 ? root : sum[q];
                conflict = d < radii || d == 0 ? 1 : conflict;
            }
            if (conflict != 0) return true;
        }
        return false;
    }

private:
    // Points among points in up to 3 dimensions, the common large setup: one pass.
    template <int D>
    bool PointTaken(const TParticle& p, int count) const {
        const double* y[3];
        double x[3];
        for (int c = 0; c < 3; ++c) {
            y[c] = Coordinates[static_cast<size_t>(c < D ? c : 0)].data();
            x[c] = p.InitialPosition[c < D ? c : 0];
        }
        double conflict = 0;
        for (int j = 0; j < count; ++j) {
            double sum = 0;
            for (int c = 0; c < D; ++c) {
                const double w = y[c][j] - x[c];
                sum = sum + w * w;
            }
            conflict = sum == 0 ? 1 : conflict;
        }
        return conflict != 0;
    }

    std::vector<std::vector<double>> Coordinates;
    std::vector<double> Radii;
    bool Points = true;  // no radius above 0 (nor NaN) among them
};

}  // namespace

void TParticlesList::LoadFromFile(TSetupReader& reader) {
    if (reader.ReadLine("start of the particle section") != KeywordBeginParticles)
        throw EKNError(Format("Keyword %s expected", KeywordBeginParticles));
    reader.ReadLn();
    TPlacements placements(FDimensions);
    for (const TItem& item : Items) placements.Add(*item.Particle);
    for (;;) {
        std::string name = reader.ReadLine("particle name");
        if (name == KeywordEndParticles) break;
        auto particle = std::make_unique<TParticle>(name, FDimensions);
        particle->LoadFromFile(reader);
        // The particle goes in as AddParticle takes it: refused with the message of the first
        // particle it meets, the reading place set back to the particle's initial position.
        try {
            if (placements.Conflict(*particle)) CheckPlacement(*particle);
        } catch (const EKinetraError&) {
            reader.ReturnToMark();
            throw;
        }
        placements.Add(*particle);
        Take(Count(), std::move(particle));
        reader.ReadLn();
    }
}

void TParticlesList::SaveToFile(TSetupWriter& writer) const {
    for (const TItem& item : Items) TParticle::CheckName(item.Particle->Name);
    writer.WriteLine(KeywordBeginParticles);
    writer.WriteLine();
    for (const TItem& item : Items) {
        item.Particle->SaveToFile(writer);
        writer.WriteLine();
    }
    writer.WriteLine(KeywordEndParticles);
}

}  // namespace kinetra
