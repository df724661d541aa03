// TParticle and TParticlesList: defaults, setters, comparison, placement checks, collective
// quantities and the collision search.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "model/Particles.h"

using namespace kinetra;

namespace {

void SetVec(TVector& v, const std::vector<double>& values) {
    for (size_t i = 0; i < values.size(); ++i) v[static_cast<int>(i)] = values[i];
}

TVector Vec(const std::vector<double>& values) {
    TVector v(static_cast<int>(values.size()));
    SetVec(v, values);
    return v;
}

// A particle at rest at `position` (initial and current), with mass and radius.
std::unique_ptr<TParticle> MakeParticle(const std::string& name, const std::vector<double>& position,
                                        double mass = 1, double radius = 0) {
    auto p = std::make_unique<TParticle>(name, static_cast<int>(position.size()));
    SetVec(p->InitialPosition, position);
    SetVec(p->Position, position);
    p->Mass = mass;
    p->SetRadius(radius);
    return p;
}

std::string AddError(TParticlesList& list, std::unique_ptr<TParticle>& p) {
    try {
        list.AddParticle(std::move(p));
    } catch (const EKNError& e) {
        return e.what();
    }
    return "";
}

// A particle with every user-editable field set to something other than its default.
std::unique_ptr<TParticle> FullParticle(int dims) {
    auto p = std::make_unique<TParticle>("Comet", dims);
    for (int i = 0; i < dims; ++i) {
        p->InitialPosition[i] = 1 + i;
        p->InitialVelocity[i] = -0.5 * i;
        p->Position[i] = 10 + i;
        p->Velocity[i] = 20 + i;
    }
    p->Mass = 3;
    p->SetCharge(-2);
    p->SetRadius(0.25);
    p->ColourIndex = 5;
    p->SetImageRadius(20);
    p->UpdateImage();
    p->ShowTrail = true;
    p->Invisible = true;
    return p;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TParticle

TEST(Particle, Defaults) {
    TParticle p("Sun", 3);
    EXPECT_EQ(p.Name, "Sun");
    EXPECT_EQ(p.Dimensions(), 3);
    for (const TVector* v : {&p.Position, &p.Velocity, &p.InitialPosition, &p.InitialVelocity}) {
        EXPECT_EQ(v->Count(), 3);
        EXPECT_TRUE(v->Equals(TVector(3)));
    }
    EXPECT_EQ(p.Mass, 0);
    EXPECT_EQ(p.Charge(), 0);
    EXPECT_EQ(p.Radius(), 0);
    EXPECT_EQ(p.ColourIndex, 0);
    EXPECT_EQ(p.ImageSize, 11);
    EXPECT_EQ(p.GetImageRadius(), 10);
    EXPECT_FALSE(p.ShowTrail);
    EXPECT_FALSE(p.Invisible);
    EXPECT_EQ(p.Image, TParticleImage{});  // empty picture until UpdateImage
    EXPECT_EQ(TParticle(26).Name, "");
    EXPECT_EQ(TParticle(26).Momentum().Count(), 26);
}

TEST(Particle, RadiusChargeAndImageSetters) {
    TParticle p(2);
    p.SetRadius(-2.5);
    EXPECT_EQ(p.Radius(), 2.5);
    p.SetRadius(1);
    EXPECT_EQ(p.Radius(), 1);

    EXPECT_NO_THROW(p.SetCharge(0));
    try {
        p.SetCharge(1);
        ADD_FAILURE() << "charge on a massless particle accepted";
    } catch (const EKNError& e) {
        EXPECT_STREQ(e.what(), "Non-zero charge not allowed for massless particle");
    }
    EXPECT_EQ(p.Charge(), 0);
    EXPECT_THROW(p.SetCharge(-1E-300), EKNError);
    p.Mass = 1;
    p.SetCharge(1);
    EXPECT_EQ(p.Charge(), 1);
    p.Mass = 0;
    EXPECT_THROW(p.SetCharge(2), EKNError);
    EXPECT_EQ(p.Charge(), 1);  // the old value stays

    p.SetImageRadius(50);
    EXPECT_EQ(p.ImageSize, 51);
    EXPECT_EQ(p.GetImageRadius(), 50);
    p.ColourIndex = 13;
    p.UpdateImage();
    EXPECT_EQ(p.Image, (TParticleImage{13, 51}));
}

TEST(Particle, SameAsComparesTheEditableFieldsOnly) {
    auto a = FullParticle(3);
    auto b = std::make_unique<TParticle>(3);
    b->Assign(a.get());
    EXPECT_TRUE(a->SameAs(*b));

    // Current state does not count.
    b->Position[0] = 99;
    b->Velocity[2] = -99;
    EXPECT_TRUE(a->SameAs(*b));
    EXPECT_TRUE(b->SameAs(*a));

    const auto differs = [&](auto change) {
        auto c = std::make_unique<TParticle>(3);
        c->Assign(a.get());
        change(*c);
        return !a->SameAs(*c) && !c->SameAs(*a);
    };
    EXPECT_TRUE(differs([](TParticle& c) { c.Name = "comet"; }));  // case-sensitive
    EXPECT_TRUE(differs([](TParticle& c) { c.Mass = 3.0000000000000004; }));
    EXPECT_TRUE(differs([](TParticle& c) { c.SetCharge(2); }));
    EXPECT_TRUE(differs([](TParticle& c) { c.SetRadius(0.5); }));
    EXPECT_TRUE(differs([](TParticle& c) { c.InitialPosition[2] = 0; }));
    EXPECT_TRUE(differs([](TParticle& c) { c.InitialVelocity[0] = 1E-300; }));
    EXPECT_TRUE(differs([](TParticle& c) { c.ColourIndex = 4; }));
    EXPECT_TRUE(differs([](TParticle& c) { c.ImageSize = 20; }));
    EXPECT_TRUE(differs([](TParticle& c) { c.ShowTrail = false; }));
    EXPECT_TRUE(differs([](TParticle& c) { c.Invisible = false; }));
    // A negative zero is the same position.
    EXPECT_FALSE(differs([](TParticle& c) { c.InitialVelocity[0] = -0.0; }));
}

TEST(Particle, AssignCopiesStateButNotDimensionsOrMomentumBuffer) {
    auto src = FullParticle(2);
    TParticle dst(2);
    const TVector* posAddress = &dst.Position;
    const TVector& dstMomentum = dst.Momentum();
    dst.Assign(src.get());
    EXPECT_TRUE(dst.SameAs(*src));
    EXPECT_TRUE(dst.Position.Equals(src->Position));
    EXPECT_TRUE(dst.Velocity.Equals(src->Velocity));
    EXPECT_EQ(dst.Image, src->Image);
    EXPECT_EQ(&dst.Position, posAddress);  // vectors written in place, never replaced
    EXPECT_TRUE(dstMomentum.Equals(TVector(2)));

    // A null source leaves the particle unchanged.
    dst.Assign(nullptr);
    EXPECT_TRUE(dst.SameAs(*src));
    dst.Assign(&dst);
    EXPECT_TRUE(dst.SameAs(*src));
}

TEST(Particle, StateEnergyAndMomentum) {
    TParticle p(2);
    SetVec(p.InitialPosition, {1, 2});
    SetVec(p.InitialVelocity, {3, 4});
    p.ResetToInitial();
    EXPECT_TRUE(p.Position.Equals(Vec({1, 2})));
    EXPECT_TRUE(p.Velocity.Equals(Vec({3, 4})));
    p.Mass = 2;
    EXPECT_EQ(p.KineticEnergy(), 25);

    const TVector& first = p.Momentum();
    EXPECT_TRUE(first.Equals(Vec({6, 8})));
    SetVec(p.Velocity, {-1, 0.5});
    const TVector& second = p.Momentum();
    EXPECT_EQ(&first, &second);  // one buffer, overwritten
    EXPECT_TRUE(first.Equals(Vec({-2, 1})));
    EXPECT_TRUE(p.Velocity.Equals(Vec({-1, 0.5})));  // the velocity is not scaled in place
}

// ---------------------------------------------------------------------------------------------
// TParticlesList: placement

TEST(ParticlesList, TouchingSpheresAreAcceptedOverlapsRefused) {
    TParticlesList list(2);
    list.AddParticle(MakeParticle("A", {0, 0}, 1, 1));
    auto touching = MakeParticle("B", {2, 0}, 1, 1);
    EXPECT_EQ(AddError(list, touching), "");
    auto overlapping = MakeParticle("C", {0, 1.999}, 1, 1);
    EXPECT_EQ(AddError(list, overlapping), "Overlap with A.");
    ASSERT_NE(overlapping, nullptr);  // the caller still owns it
    EXPECT_EQ(overlapping->Name, "C");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.TotalMass, 2);
}

// Names the file cannot hold are refused when the particle is added and, when set afterwards,
// when the collection is written; names that only look like structure are ordinary names.
TEST(ParticlesList, NamesTheFileCannotHoldAreRefusedWhereverTheyWereSet) {
    const struct {
        std::string Name;
        std::string Error;
    } cases[] = {
        {"End_Particles", "The name End_Particles is reserved"},
        {"A\nB", "A particle name must not contain a line break"},
        {"A\r\nB", "A particle name must not contain a line break"},
        {"A\r", ""},
        {"\n", "A particle name must not contain a line break"},
        {"end_particles", ""},
        {"Begin_Particles", ""},
        {" End_Particles", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        TParticlesList list(1);
        auto p = MakeParticle(c.Name, {1});
        EXPECT_EQ(AddError(list, p), c.Error) << c.Name;
        EXPECT_EQ(list.Count(), c.Error.empty() ? 1 : 0) << c.Name;
        // Renamed after it was added: the writer refuses before writing a byte.
        TParticlesList renamed(1);
        renamed.AddParticle(MakeParticle("A", {1}));
        renamed.Particles(0).Name = c.Name;
        std::ostringstream out;
        TSetupWriter writer(out);
        try {
            renamed.SaveToFile(writer);
            EXPECT_EQ(c.Error, "") << c.Name;
        } catch (const EKNError& e) {
            EXPECT_EQ(e.what(), c.Error) << c.Name;
            EXPECT_EQ(out.str(), "") << c.Name;
        }
    }
}

// Loading a particle section refuses a particle exactly as adding it would: the first particle
// it overlaps or whose place it takes is named, among many (the load tests them many at a time).
TEST(ParticlesList, LoadingRefusesAsAddingDoes) {
    const struct {
        const char* Case;
        int Dims;
        std::vector<double> Position;  // of the last particle, after 150 on a line 10 apart
        double Radius;
        std::string Error;
        bool Radii = true;  // every 10th of the 150 has radius 1, else all are points
    } cases[] = {
        {"clear of all", 2, {5, 1}, 1, ""},
        {"touching", 3, {1000, 0, 2}, 1, ""},  // the radius of P100 is 1
        {"overlap", 3, {1000, 0, 1.5}, 1, "Overlap with P100."},
        {"two overlaps: the first named", 1, {705}, 6, "Overlap with P70."},
        {"a point on a point", 2, {1310, 0}, 0, "Position already occupied by P131."},
        {"the first particle", 4, {0, 0, 0, 0.5}, 0, "Overlap with P0."},
        {"the end of the first block", 1, {630.25}, 0.5, "Overlap with P63."},
        {"the last particle", 2, {1489.75, 0}, 0.5, "Overlap with P149."},
        {"points: clear", 3, {5, 0, 0}, 0, "", false},
        {"points: a point on a point", 2, {1310, 0}, 0, "Position already occupied by P131.", false},
        {"points: 1D", 1, {20}, 0, "Position already occupied by P2.", false},
        {"points: 3D", 3, {1490, 0, 0}, 0, "Position already occupied by P149.", false},
        {"points: 4D", 4, {30, 0, 0, 0}, 0, "Position already occupied by P3.", false},
        {"points: a newcomer with a radius", 1, {633}, 4, "Overlap with P63.", false},
    };
    for (const auto& c : cases) {
        // P_i at (10 i, 0, ...), radius 1 for every 10th particle (with radii), else 0.
        std::string text = "Begin_Particles\n\n";
        TParticlesList added(c.Dims);
        std::string addError;
        const auto add = [&](const std::string& name, const std::vector<double>& position, double radius) {
            text += name + "\n1 0\n" + FormatRoundTrip(radius) + "\n";
            for (double x : position) text += FormatRoundTrip(x) + " ";
            text += "\n";
            for (int d = 0; d < c.Dims; ++d) text += "0 ";
            text += "\n3\n1\nFF\n\n";
            auto p = MakeParticle(name, position, 1, radius);
            if (addError.empty()) addError = AddError(added, p);
        };
        for (int i = 0; i < 150; ++i) {
            std::vector<double> position(static_cast<size_t>(c.Dims), 0.0);
            position[0] = 10.0 * i;
            add("P" + std::to_string(i), position, c.Radii && i % 10 == 0 ? 1 : 0);
        }
        add("Last", c.Position, c.Radius);
        text += "End_Particles\n";
        EXPECT_EQ(addError, c.Error) << c.Case;

        std::istringstream in(text);
        TSetupReader reader(in);
        TParticlesList loaded(c.Dims);
        std::string loadError;
        try {
            loaded.LoadFromFile(reader);
        } catch (const EKNError& e) {
            loadError = e.what();
        }
        EXPECT_EQ(loadError, c.Error) << c.Case;
        EXPECT_EQ(loaded.Count(), c.Error.empty() ? 151 : 150) << c.Case;
    }
}

TEST(ParticlesList, PlacementMessagesNameTheFirstParticlePresent) {
    TParticlesList list(2);
    list.AddParticle(MakeParticle("Far", {100, 0}));
    list.AddParticle(MakeParticle("First", {0, 0}, 1, 0));
    list.AddParticle(MakeParticle("Second", {0.5, 0}, 1, 0));

    // Overlapping both "First" and "Second": the lower index is named.
    auto wide = MakeParticle("Wide", {0.25, 0}, 1, 1);
    EXPECT_EQ(AddError(list, wide), "Overlap with First.");
    auto point = MakeParticle("Point", {0.5, 0});
    EXPECT_EQ(AddError(list, point), "Position already occupied by Second.");
    auto ball = MakeParticle("Ball", {0.5, 0}, 1, 0.5);  // touches "First", overlaps "Second"
    EXPECT_EQ(AddError(list, ball), "Overlap with Second.");
    auto lonely = MakeParticle("Lonely", {100, 0}, 1, 0.5);
    EXPECT_EQ(AddError(list, lonely), "Overlap with Far.");
    ASSERT_TRUE(wide && point && ball && lonely);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.TotalMass, 3);

    // Only initial positions count: a particle that has moved away still blocks its start.
    list.Particles(1).Position[0] = 50;
    auto again = MakeParticle("Again", {0, 0});
    EXPECT_EQ(AddError(list, again), "Position already occupied by First.");
    // The name in the message is the particle's current name.
    list.Particles(1).Name = "Renamed";
    EXPECT_EQ(AddError(list, again), "Position already occupied by Renamed.");
    EXPECT_EQ(list.Strings(1), "First");

    // Insertion runs the same checks and places the particle at the index.
    EXPECT_THROW(list.InsertParticle(0, std::move(again)), EKNError);
    ASSERT_NE(again, nullptr);
    list.InsertParticle(1, MakeParticle("Inserted", {7, 7}, 4));
    EXPECT_EQ(list.Particles(1).Name, "Inserted");
    EXPECT_EQ(list.Particles(2).Name, "Renamed");
    EXPECT_EQ(list.TotalMass, 7);
}

TEST(ParticlesList, DeleteAndTotalMass) {
    TParticlesList list(1);
    list.AddParticle(MakeParticle("A", {0}, 2));
    list.AddParticle(MakeParticle("B", {1}, 3));
    list.Delete(0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.TotalMass, 3);
    EXPECT_EQ(list.Particles(0).Name, "B");
    // The freed place is free again.
    auto a = MakeParticle("A2", {0});
    EXPECT_EQ(AddError(list, a), "");
}

// ---------------------------------------------------------------------------------------------
// TParticlesList: collective quantities

TEST(ParticlesList, EmptyCollection) {
    TParticlesList list(2);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.KineticEnergy(), 0);
    list.UpdateCenterOfMass();
    EXPECT_TRUE(list.CenterOfMass().Equals(TVector(2)));
    list.UpdateMomentum();
    EXPECT_TRUE(list.TotalMomentum().Equals(TVector(2)));
    list.OnCollision = [](int, int) { ADD_FAILURE(); };
    EXPECT_NO_THROW(list.CheckCollisions());
}

TEST(ParticlesList, CenterOfMass) {
    TParticlesList list(2);
    list.AddParticle(MakeParticle("A", {0, 0}, 1));
    list.AddParticle(MakeParticle("B", {2, 0}, 1));
    list.UpdateCenterOfMass();
    EXPECT_TRUE(list.CenterOfMass().Equals(Vec({1, 0})));

    // Current positions, weighted by mass.
    TParticlesList weighted(2);
    weighted.AddParticle(MakeParticle("A", {0, 0}, 1));
    weighted.AddParticle(MakeParticle("B", {2, 0}, 3));
    SetVec(weighted.Particles(1).Position, {4, 8});
    weighted.UpdateCenterOfMass();
    EXPECT_TRUE(weighted.CenterOfMass().Equals(Vec({3, 6})));

    TParticlesList massless(2);
    massless.AddParticle(MakeParticle("A", {0, 0}, 0));
    massless.AddParticle(MakeParticle("B", {2, 0}, 0));
    massless.CenterOfMass()[0] = 5;
    massless.UpdateCenterOfMass();
    EXPECT_TRUE(massless.CenterOfMass().Equals(Vec({0, 0})));

    // ResetToInitial puts every particle back and refreshes the centre of mass.
    SetVec(weighted.Particles(0).Velocity, {9, 9});
    weighted.ResetToInitial();
    EXPECT_TRUE(weighted.Particles(1).Position.Equals(Vec({2, 0})));
    EXPECT_TRUE(weighted.Particles(0).Velocity.Equals(Vec({0, 0})));
    EXPECT_TRUE(weighted.CenterOfMass().Equals(Vec({1.5, 0})));
}

TEST(ParticlesList, MomentumKineticEnergyAndAngularMomentum) {
    TParticlesList plane(2);
    auto p = MakeParticle("P", {1, 0}, 1);
    SetVec(p->Velocity, {0, 1});
    plane.AddParticle(std::move(p));
    plane.UpdateMomentum();
    EXPECT_EQ(plane.PlanarAngularMomentum, 1);
    EXPECT_EQ(plane.AngularMomentum(), nullptr);
    EXPECT_TRUE(plane.TotalMomentum().Equals(Vec({0, 1})));
    auto q = MakeParticle("Q", {0, 2}, 2);
    SetVec(q->Velocity, {3, 0});
    plane.AddParticle(std::move(q));
    plane.UpdateMomentum();
    EXPECT_EQ(plane.PlanarAngularMomentum, 1 - 12);  // r0 p1 - r1 p0 = 0 - 2*6
    EXPECT_TRUE(plane.TotalMomentum().Equals(Vec({6, 1})));
    EXPECT_EQ(plane.KineticEnergy(), 0.5 + 9);
    plane.UpdateMomentum();  // recomputed from zero, not accumulated
    EXPECT_EQ(plane.PlanarAngularMomentum, -11);

    TParticlesList space(3);
    auto s = MakeParticle("S", {1, 0, 0}, 1);
    SetVec(s->Velocity, {0, 1, 0});
    space.AddParticle(std::move(s));
    space.UpdateMomentum();
    ASSERT_NE(space.AngularMomentum(), nullptr);
    EXPECT_TRUE(space.AngularMomentum()->Equals(Vec({0, 0, 1})));
    // r = (0, 0, 2), p = (3, 0, 0) adds (0, 6, 0); r = (0, 1, 0), p = (0, 0, 1) adds (1, 0, 0).
    auto t = MakeParticle("T", {0, 0, 2}, 3);
    SetVec(t->Velocity, {1, 0, 0});
    space.AddParticle(std::move(t));
    auto u = MakeParticle("U", {0, 1, 0}, 0.5);
    SetVec(u->Velocity, {0, 0, 2});
    space.AddParticle(std::move(u));
    space.UpdateMomentum();
    EXPECT_TRUE(space.AngularMomentum()->Equals(Vec({1, 6, 1})));
    EXPECT_TRUE(space.TotalMomentum().Equals(Vec({3, 1, 1})));
    EXPECT_EQ(space.PlanarAngularMomentum, 0);

    // 1 and 4 dimensions: momentum only.
    for (int n : {1, 4, 26}) {
        TParticlesList other(n);
        std::vector<double> pos(static_cast<size_t>(n), 1.0);
        auto a = MakeParticle("A", pos, 2);
        a->Velocity.Clear()[0] = 1;
        other.AddParticle(std::move(a));
        other.UpdateMomentum();
        EXPECT_EQ(other.AngularMomentum(), nullptr);
        EXPECT_EQ(other.PlanarAngularMomentum, 0);
        EXPECT_EQ(other.TotalMomentum()[0], 2);
    }
}

TEST(ParticlesList, SetDimensionsEmptiesAndRemakesTheCollectiveVectors) {
    TParticlesList list(3);
    list.AddParticle(MakeParticle("A", {1, 2, 3}, 2));
    list.PlanarAngularMomentum = 5;
    list.OnCollision = [](int, int) {};
    ASSERT_NE(list.AngularMomentum(), nullptr);
    list.SetDimensions(2);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.TotalMass, 0);
    EXPECT_EQ(list.PlanarAngularMomentum, 0);
    EXPECT_EQ(list.AngularMomentum(), nullptr);
    EXPECT_EQ(list.CenterOfMass().Count(), 2);
    EXPECT_EQ(list.TotalMomentum().Count(), 2);
    EXPECT_TRUE(static_cast<bool>(list.OnCollision));
    list.SetDimensions(3);
    ASSERT_NE(list.AngularMomentum(), nullptr);
    EXPECT_EQ(list.AngularMomentum()->Count(), 3);
    EXPECT_TRUE(list.AngularMomentum()->Equals(TVector(3)));
    auto p = MakeParticle("P", {1, 0, 0}, 1);
    SetVec(p->Velocity, {0, 1, 0});
    list.AddParticle(std::move(p));
    list.UpdateMomentum();
    EXPECT_TRUE(list.AngularMomentum()->Equals(Vec({0, 0, 1})));
}

TEST(ParticlesList, AssignMakesAnIndependentCopy) {
    TParticlesList src(3);
    src.AddParticle(MakeParticle("B", {5, 0, 0}, 2, 1));
    src.AddParticle(MakeParticle("A", {0, 0, 0}, 3, 1));
    src.Particles(0).SetCharge(4);
    SetVec(src.Particles(1).Velocity, {0, 1, 0});
    src.Particles(1).Position[0] = 1;
    src.UpdateMomentum();
    src.UpdateCenterOfMass();
    src.PlanarAngularMomentum = 7;  // kept through Assign even though 3D does not compute it
    std::vector<std::pair<int, int>> calls;
    src.OnCollision = [&calls](int i, int j) { calls.emplace_back(i, j); };

    TParticlesList copy(1);
    copy.AddParticle(MakeParticle("Old", {0}, 9));
    copy.Assign(src);
    EXPECT_EQ(copy.Dimensions(), 3);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.TotalMass, 5);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NE(&copy.Particles(i), &src.Particles(i));
        EXPECT_TRUE(copy.Particles(i).SameAs(src.Particles(i)));
        EXPECT_TRUE(copy.Particles(i).Position.Equals(src.Particles(i).Position));
    }
    EXPECT_EQ(copy.Particles(0).Name, "B");
    EXPECT_EQ(copy.Particles(0).Charge(), 4);
    EXPECT_TRUE(copy.CenterOfMass().Equals(src.CenterOfMass()));
    EXPECT_NE(&copy.CenterOfMass(), &src.CenterOfMass());
    EXPECT_TRUE(copy.TotalMomentum().Equals(Vec({0, 3, 0})));
    ASSERT_NE(copy.AngularMomentum(), nullptr);
    EXPECT_TRUE(copy.AngularMomentum()->Equals(*src.AngularMomentum()));
    EXPECT_TRUE(copy.AngularMomentum()->Equals(Vec({0, 0, 3})));
    EXPECT_EQ(copy.PlanarAngularMomentum, 7);

    // The handler is copied; the particles are separate objects.
    copy.Particles(0).Position[0] = 1.5;
    EXPECT_THROW(copy.CheckCollisions(), EAbort);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(src.Particles(0).Position[0], 5);
    copy.Delete(0);
    EXPECT_EQ(src.Count(), 2);

    // Assigning a 2D collection leaves no angular momentum vector.
    TParticlesList flat(2);
    copy.Assign(flat);
    EXPECT_EQ(copy.Count(), 0);
    EXPECT_EQ(copy.AngularMomentum(), nullptr);
    EXPECT_FALSE(static_cast<bool>(copy.OnCollision));
}

// ---------------------------------------------------------------------------------------------
// TParticlesList: collisions

TEST(ParticlesList, CollisionSearchReportsTheFirstPairAndAborts) {
    TParticlesList list(2);
    list.AddParticle(MakeParticle("A", {0, 0}, 1, 1));
    list.AddParticle(MakeParticle("B", {10, 0}, 1, 1));
    list.AddParticle(MakeParticle("C", {20, 0}, 1, 1));
    std::vector<std::pair<int, int>> calls;
    list.OnCollision = [&calls](int i, int j) { calls.emplace_back(i, j); };

    EXPECT_NO_THROW(list.CheckCollisions());
    // Touching is no collision.
    SetVec(list.Particles(1).Position, {2, 0});
    EXPECT_NO_THROW(list.CheckCollisions());
    EXPECT_TRUE(calls.empty());

    // All three on top of one another: the pair (0, 1), then the silent abort.
    for (int i = 0; i < 3; ++i) SetVec(list.Particles(i).Position, {0.1 * i, 0});
    try {
        list.CheckCollisions();
        ADD_FAILURE() << "no abort";
    } catch (const EAbort& e) {
        EXPECT_STREQ(e.what(), "Collision");
    }
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 1}}));

    // Only (1, 2) collide: the report has the lower index first.
    calls.clear();
    SetVec(list.Particles(0).Position, {-10, 0});
    EXPECT_THROW(list.CheckCollisions(), EAbort);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 2}}));

    // The handler runs before the abort, with the particles where they collided.
    calls.clear();
    list.OnCollision = [&](int i, int j) {
        calls.emplace_back(i, j);
        EXPECT_EQ(list.Particles(1).Position[0], 0.1);
    };
    EXPECT_THROW(list.CheckCollisions(), EAbort);

    // Without a handler nothing happens.
    list.OnCollision = nullptr;
    EXPECT_NO_THROW(list.CheckCollisions());

    // Radius 0 particles never collide, even at one place.
    TParticlesList points(1);
    points.AddParticle(MakeParticle("P", {0}));
    points.AddParticle(MakeParticle("Q", {1}));
    points.Particles(1).Position[0] = 0;
    points.OnCollision = [](int, int) { ADD_FAILURE(); };
    EXPECT_NO_THROW(points.CheckCollisions());
}
