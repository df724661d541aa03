// Reading and writing setups: the token rules, the layout of a whole file, the notes, and every
// way a file can be refused.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"

namespace kinetra {
namespace {

// The two-body example setup, one entry per line.
std::vector<std::string> ExampleLines() {
    return {"2",
            "3 10",
            "0.002",
            "",
            "Begin_Particles",
            "",
            "Sun",
            "1000 0",
            "0.1",
            "0 0",
            "0 0",
            "11",
            "3",
            "FF",
            "",
            "Planet",
            "1 0",
            "0.05",
            "1 0",
            "0 30",
            "6",
            "1",
            "TF",
            "",
            "End_Particles",
            "",
            "-2 1 0",
            "",
            "0 1",
            "100",
            "0 0",
            "Origin",
            "",
            "Planet on a near-circular orbit"};
}

std::string Join(const std::vector<std::string>& lines, const char* lineEnd = "\r\n") {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += lineEnd;
        text += lines[i];
    }
    return text;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A simulation with a screen frame hooked in, as the main window and the batch tool use it.
struct TSetup {
    TFramedSim Framed;
    TSimData& Sim = Framed.Sim();
    TScreenFrame& Frame = Framed.Frame();
    void Load(const std::string& text) {
        std::istringstream in(text);
        Sim.LoadFromStream(in);
    }
    std::string Save() {
        std::ostringstream out;
        Sim.SaveToStream(out);
        return out.str();
    }
};

// ---------------------------------------------------------------------------------------------
// Token rules

TEST(SetupReader, SkipsBlanksTabsAndLineEndsBeforeATokenAndStopsRightAfterIt) {
    std::istringstream in(" \t\r\n  12\t-3.5E2 rest of line\r\nnext line  \r\nlast");
    TSetupReader r(in);
    EXPECT_EQ(r.ReadInteger(), 12);
    EXPECT_EQ(r.ReadReal(), -350.0);
    r.ReadLn();
    EXPECT_EQ(r.ReadLine(), "next line  ");
    EXPECT_FALSE(r.Eof());
    EXPECT_EQ(r.ReadLine(), "last");
    EXPECT_TRUE(r.Eof());
    // Past the end a whole line is empty and skipping a line does nothing.
    EXPECT_EQ(r.ReadLine(), "");
    r.ReadLn();
    EXPECT_TRUE(r.Eof());
}

TEST(SetupReader, RefusesEveryTokenThatIsNotACompleteDecimalNumber) {
    for (const char* text :
         {"nan", "inf", "-INF", "0x1A", "1,5", "1e", "1.2.3", "--1", ".", "1e+", "12abc"}) {
        std::istringstream in(text);
        TSetupReader r(in);
        try {
            r.ReadReal();
            ADD_FAILURE() << "accepted " << text;
        } catch (const EInOutError& e) {
            EXPECT_STREQ(e.what(), "Invalid numeric input") << text;
        }
    }
    for (const char* text : {".5", "5.", "+2", "1e-3", "1E+3", "-0"}) {
        std::istringstream in(text);
        TSetupReader r(in);
        EXPECT_NO_THROW(r.ReadReal()) << text;
    }
}

TEST(SetupReader, ANumberExpectedAtTheEndOfTheFileIsInvalidNumericInput) {
    std::istringstream in("7 \r\n \t ");
    TSetupReader r(in);
    EXPECT_EQ(r.ReadInteger(), 7);
    EXPECT_THROW(
        {
            try {
                r.ReadReal();
            } catch (const EInOutError& e) {
                EXPECT_STREQ(e.what(), "Invalid numeric input");
                throw;
            }
        },
        EInOutError);
}

TEST(SetupReader, NumbersBeyondTheRangeOfADoubleOverflow) {
    std::istringstream in("1E309 -2e400 1E-400");
    TSetupReader r(in);
    EXPECT_THROW(r.ReadReal(), EMathError);
    try {
        r.ReadReal();
        ADD_FAILURE();
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
    EXPECT_EQ(r.ReadReal(), 0.0);  // underflow is no error
}

TEST(SetupReader, IntegersAreWholeDecimalNumbersWithin32Bits) {
    std::istringstream in("-2147483648 2147483647 +5");
    TSetupReader r(in);
    EXPECT_EQ(r.ReadInteger(), -2147483647 - 1);
    EXPECT_EQ(r.ReadInteger(), 2147483647);
    EXPECT_EQ(r.ReadInteger(), 5);
    for (const char* text : {"2147483648", "-2147483649", "3.0", "1E2", "-", "99999999999999999999"}) {
        std::istringstream bad(text);
        TSetupReader rb(bad);
        EXPECT_THROW(rb.ReadInteger(), EInOutError) << text;
    }
}

TEST(SetupWriter, EndsLinesWithCrLfAndWritesRealsInTheGeneralFormat) {
    std::ostringstream out;
    TSetupWriter w(out);
    w.WriteLine("a b");
    w.WriteLine();
    w.Write(TSetupWriter::Real(123456789012345678.0) + " " + TSetupWriter::Real(0.00000025) + " " +
            TSetupWriter::Real(-0.1));
    EXPECT_EQ(out.str(), "a b\r\n\r\n1.23456789012346E17 2.5E-7 -0.1");
}

// ---------------------------------------------------------------------------------------------
// Whole files

TEST(SetupFile, TheExampleLoadsWithEveryValueInItsPlace) {
    TSetup s;
    s.Sim.FileName = std::string(KINETRA_TEST_DATA) + "/SunPlanet.knx";
    s.Sim.Collisions = true;
    s.Sim.LoadFromFile();
    const TSimData& sim = s.Sim;
    EXPECT_EQ(sim.Dimensions, 2);
    EXPECT_EQ(sim.Method, nmRK4);
    EXPECT_EQ(sim.Cycles, 10);
    EXPECT_EQ(sim.TimeStep, 0.002);
    EXPECT_EQ(sim.SignedStep, 0.002);
    EXPECT_EQ(sim.Time, 0);
    EXPECT_TRUE(sim.Collisions);  // not part of a setup
    ASSERT_EQ(sim.Particles.Count(), 2);
    const TParticle& sun = sim.Particles.Particles(0);
    const TParticle& planet = sim.Particles.Particles(1);
    EXPECT_EQ(sun.Name, "Sun");
    EXPECT_EQ(sun.Mass, 1000);
    EXPECT_EQ(sun.Radius(), 0.1);
    EXPECT_EQ(sun.ImageSize, 11);
    EXPECT_EQ(sun.ColourIndex, 3);
    EXPECT_EQ(sun.Image, (TParticleImage{3, 11}));
    EXPECT_FALSE(sun.ShowTrail);
    EXPECT_FALSE(sun.Invisible);
    EXPECT_EQ(planet.Name, "Planet");
    EXPECT_EQ(planet.InitialPosition.ToString(), "1 0");
    EXPECT_EQ(planet.InitialVelocity.ToString(), "0 30");
    // Loading leaves every particle at its initial state.
    EXPECT_EQ(planet.Position.ToString(), "1 0");
    EXPECT_EQ(planet.Velocity.ToString(), "0 30");
    EXPECT_TRUE(planet.ShowTrail);
    EXPECT_EQ(planet.Image, (TParticleImage{1, 6}));
    EXPECT_EQ(sim.Force->GetPower(), -2);
    EXPECT_EQ(sim.Force->GravConstant(), 1);
    EXPECT_EQ(sim.Force->CoulombCoeff(), 0);
    EXPECT_EQ(s.Frame.XDim(), 0);
    EXPECT_EQ(s.Frame.YDim(), 1);
    EXPECT_EQ(s.Frame.Scale(), 100);
    EXPECT_EQ(s.Frame.Name(), "Origin");
    EXPECT_EQ(sim.Notes, "Planet on a near-circular orbit");
}

TEST(SetupFile, TheExampleSavesBackByteIdentical) {
    const std::string path = std::string(KINETRA_TEST_DATA) + "/SunPlanet.knx";
    const std::string original = ReadBytes(path);
    ASSERT_EQ(original, Join(ExampleLines()));
    TSetup s;
    s.Sim.FileName = path;
    s.Sim.LoadFromFile();
    EXPECT_EQ(s.Save(), original);
}

TEST(SetupFile, LineFeedsAloneAreAcceptedAndCrLfIsWritten) {
    TSetup s;
    s.Load(Join(ExampleLines(), "\n"));
    EXPECT_EQ(s.Sim.Particles.Count(), 2);
    EXPECT_EQ(s.Sim.Notes, "Planet on a near-circular orbit");
    EXPECT_EQ(s.Save(), Join(ExampleLines()));
}

TEST(SetupFile, ItemsAfterTheLastOfALineAreIgnored) {
    std::vector<std::string> lines = ExampleLines();
    lines[0] = "2 dimensions";
    lines[1] = " 3\t10   cycles";
    lines[16] = "1 0 (mass and charge)";
    lines[26] = "-2 1 0 force";
    TSetup s;
    s.Load(Join(lines));
    EXPECT_EQ(s.Sim.Cycles, 10);
    EXPECT_EQ(s.Save(), Join(ExampleLines()));
}

TEST(SetupFile, RkfStoresItsAccuracyOnTheMethodLine) {
    std::vector<std::string> lines = ExampleLines();
    lines[1] = "4 1E-12 10";
    TSetup s;
    s.Load(Join(lines));
    EXPECT_EQ(s.Sim.Method, nmRKF);
    EXPECT_EQ(s.Sim.Accuracy, 1E-12);
    s.Sim.SetAccuracy(2.5E-9);
    lines[1] = "4 2.5E-9 10";
    EXPECT_EQ(s.Save(), Join(lines));
}

TEST(SetupFile, AnotherMethodComesBackWithTheDefaultAccuracy) {
    TSetup s;
    s.Load(Join(ExampleLines()));
    s.Sim.SetAccuracy(1E-6);
    const std::string saved = s.Save();
    TSetup t;
    t.Sim.SetAccuracy(1E-3);
    t.Load(saved);
    EXPECT_EQ(t.Sim.Accuracy, 1E-12);
}

TEST(SetupFile, EveryMethodOrdinalRoundTrips) {
    for (int m = nmEuler; m <= nmStoermer; ++m) {
        std::vector<std::string> lines = ExampleLines();
        lines[1] = m == nmRKF ? "4 1E-10 7" : std::to_string(m) + " 7";
        TSetup s;
        s.Load(Join(lines));
        EXPECT_EQ(s.Sim.Method, m);
        EXPECT_EQ(s.Sim.Cycles, 7);
        EXPECT_EQ(s.Save(), Join(lines));
    }
}

// The method is the low byte of the number read; it is saved back as its ordinal.
TEST(SetupFile, OnlyTheLowByteOfTheMethodNumberCounts) {
    const struct {
        const char* Read;
        TNumMethod Method;
        const char* Saved;
    } cases[] = {{"259 10", nmRK4, "3 10"},
                 {"-252 1E-12 10", nmRKF, "4 1E-12 10"},
                 {"256 10", nmEuler, "0 10"},
                 {"-251 10", nmStoermer, "5 10"},
                 {"2147483393 10", nmEulerCromer, "1 10"}};
    for (const auto& c : cases) {
        std::vector<std::string> lines = ExampleLines();
        lines[1] = c.Read;
        TSetup s;
        s.Load(Join(lines));
        EXPECT_EQ(s.Sim.Method, c.Method) << c.Read;
        lines[1] = c.Saved;
        EXPECT_EQ(s.Save(), Join(lines)) << c.Read;
    }
}

// The method is set while the collection is still empty: no Stoermer history exists for the
// particles read after it until Prepare makes one, so nothing that would take a start-up step
// moves them (or reads a history of the wrong size).
TEST(SetupFile, ALoadedStoermerSetupHasNoHistoryUntilPrepared) {
    std::vector<std::string> lines = ExampleLines();
    lines[1] = "5 10";
    const std::vector<std::pair<const char*, std::function<void(TSimData&)>>> paths = {
        {"SetTimeStep", [](TSimData& sim) { sim.SetTimeStep(0.001); }},
        {"Reverse", [](TSimData& sim) { sim.Reverse(); }},
        {"SetAccuracy, SetCycles, SetTimeStep",
         [](TSimData& sim) {
             sim.SetAccuracy(1E-9);
             sim.SetCycles(3);
             sim.SetTimeStep(0.004);
         }},
    };
    for (const auto& [name, call] : paths) {
        TSetup s;
        s.Load(Join(lines));
        call(s.Sim);
        for (int i = 0; i < 2; ++i) {
            const TParticle& p = s.Sim.Particles.Particles(i);
            EXPECT_EQ(p.Position.ToString(), p.InitialPosition.ToString()) << name;
        }
    }
    // A history made for other particles is none either: a particle added after Prepare.
    TSetup s;
    s.Load(Join(lines));
    s.Sim.Prepare();
    const std::string prepared = s.Sim.Particles.Particles(1).Position.ToString();
    auto extra = std::make_unique<TParticle>("Moon", 2);
    extra->InitialPosition[0] = 5;
    extra->ResetToInitial();
    s.Sim.Particles.AddParticle(std::move(extra));
    s.Sim.SetTimeStep(0.001);
    s.Sim.Reverse();
    EXPECT_EQ(s.Sim.Particles.Particles(1).Position.ToString(), prepared);
    EXPECT_NO_THROW(s.Sim.Step());  // prepares for the three particles first
}

// A time step of zero or below loads as the step a run takes: zero as the default step, a
// negative one as its magnitude (the direction is the run's, not the setup's).
TEST(SetupFile, ATimeStepOfZeroOrBelowLoadsAsTheStepOfTheRun) {
    const struct {
        const char* Read;
        double Step;
        const char* Saved;
    } cases[] = {
        {"0", 0.002, "0.002"}, {"-0", 0.002, "0.002"}, {"-0.1", 0.1, "0.1"}, {"1E-300", 1E-300, "1E-300"}};
    for (const auto& c : cases) {
        std::vector<std::string> lines = ExampleLines();
        lines[2] = c.Read;
        TSetup s;
        s.Load(Join(lines));
        EXPECT_EQ(s.Sim.TimeStep, c.Step) << c.Read;
        s.Sim.Rewind();
        s.Sim.Prepare();
        EXPECT_DOUBLE_EQ(s.Sim.SignedStep, c.Step) << c.Read;
        s.Sim.Step();
        EXPECT_GT(s.Sim.Time, 0) << c.Read;
        lines[2] = c.Saved;
        EXPECT_EQ(s.Save(), Join(lines)) << c.Read;
    }
}

TEST(SetupFile, ASetupWithoutParticlesRoundTrips) {
    const std::vector<std::string> lines = {
        "3", "5 10", "0.01", "",      "Begin_Particles", "", "End_Particles", "", "-2 1 0",
        "",  "0 1",  "1",    "0 0 0", "Origin",          "", "Empty"};
    TSetup s;
    s.Load(Join(lines));
    EXPECT_EQ(s.Sim.Particles.Count(), 0);
    EXPECT_EQ(s.Sim.Dimensions, 3);
    EXPECT_EQ(s.Save(), Join(lines));
}

TEST(SetupFile, TwentySixDimensionsIsTheLargestSetup) {
    std::string zeros = "0";
    for (int i = 1; i < 26; ++i) zeros += " 0";
    const std::vector<std::string> lines = {
        "26",     "0 1", "0.01", "", "Begin_Particles", "", "P",      "1 0", "0",    zeros, zeros,
        "11",     "0",   "FF",   "", "End_Particles",   "", "-2 1 0", "",    "0 25", "1",   zeros,
        "Origin", "",    "wide"};
    TSetup s;
    s.Load(Join(lines));
    EXPECT_EQ(s.Sim.Dimensions, 26);
    EXPECT_EQ(s.Frame.YDim(), 25);
    EXPECT_EQ(s.Frame.AxisNames().back(), "x26");
    EXPECT_EQ(s.Save(), Join(lines));
}

TEST(SetupFile, ParticleAttributesRoundTrip) {
    std::vector<std::string> lines = ExampleLines();
    lines[6] = "  Big Star  ";  // blanks at both ends belong to the name
    lines[7] = "1000 -2.5";
    lines[8] = "-0.3";  // a negative radius is stored as its magnitude
    lines[11] = "51";
    lines[12] = "13";
    lines[13] = "tT";  // only an upper-case T is true
    lines[26] = "-1.5 2 3";
    lines[31] = "  big STAR  ";
    TSetup s;
    s.Load(Join(lines));
    const TParticle& p = s.Sim.Particles.Particles(0);
    EXPECT_EQ(p.Name, "  Big Star  ");
    EXPECT_EQ(p.Charge(), -2.5);
    EXPECT_EQ(p.Radius(), 0.3);
    EXPECT_EQ(p.ImageSize, 51);
    EXPECT_EQ(p.ColourIndex, 13);
    EXPECT_FALSE(p.ShowTrail);
    EXPECT_TRUE(p.Invisible);
    EXPECT_EQ(s.Sim.Force->GetPower(), -1.5);
    EXPECT_FALSE(s.Sim.Force->IntegralPower());
    EXPECT_EQ(s.Sim.Force->GravConstant(), 2);
    EXPECT_EQ(s.Sim.Force->CoulombCoeff(), 3);
    // The frame follows the particle whose name matches without regard to case.
    EXPECT_EQ(&s.Frame.Origin(), &p.Position);

    lines[8] = "0.3";
    lines[13] = "FT";
    EXPECT_EQ(s.Save(), Join(lines));
}

TEST(SetupFile, AFrameNameMatchingNoParticleLoadsAsOrigin) {
    std::vector<std::string> lines = ExampleLines();
    lines[30] = "0.5 -2";
    lines[31] = "Moon";
    TSetup s;
    s.Load(Join(lines));
    EXPECT_EQ(s.Frame.Name(), "Origin");
    EXPECT_EQ(&s.Frame.Origin(), &s.Frame.OwnOrigin());
    EXPECT_EQ(s.Frame.OwnOrigin().ToString(), "0.5 -2");

    lines[31] = "center OF mass";
    s.Load(Join(lines));
    EXPECT_EQ(&s.Frame.Origin(), &s.Sim.Particles.CenterOfMass());
}

TEST(SetupFile, LoadingReplacesTheWholeSetup) {
    TSetup s;
    s.Load(Join(ExampleLines()));
    std::vector<std::string> lines = {
        "1",  "0 1", "0.5",           "", "Begin_Particles", "", "A",   "1 0", "0", "3", "-1", "2",  "0",
        "FF", "",    "End_Particles", "", "-2 1 0",          "", "0 0", "10",  "0", "A", "",   "one"};
    s.Load(Join(lines));
    EXPECT_EQ(s.Sim.Dimensions, 1);
    EXPECT_EQ(s.Sim.Particles.Count(), 1);
    EXPECT_EQ(s.Sim.Method, nmEuler);
    EXPECT_EQ(s.Sim.Notes, "one");
    EXPECT_EQ(s.Frame.AxisNames().size(), 1u);
    EXPECT_EQ(s.Frame.Name(), "A");
    EXPECT_EQ(s.Save(), Join(lines));
}

TEST(SetupFile, WithoutFrameHooksNoFrameLinesAreWritten) {
    TSetup s;
    s.Load(Join(ExampleLines()));
    s.Sim.OnSaveFrame = nullptr;
    std::vector<std::string> lines = ExampleLines();
    lines.erase(lines.begin() + 28, lines.begin() + 32);
    EXPECT_EQ(s.Save(), Join(lines));
}

// ---------------------------------------------------------------------------------------------
// Notes

std::string WithNotes(const std::string& notes) {
    std::vector<std::string> lines = ExampleLines();
    lines.pop_back();
    return Join(lines) + "\r\n" + notes;
}

TEST(SetupNotes, LinesWithAnEmptyOneBetweenRoundTrip) {
    TSetup s;
    s.Load(Join(ExampleLines()));
    s.Sim.Notes = "A\r\n\r\nB";
    const std::string saved = s.Save();
    EXPECT_EQ(saved, WithNotes("A\r\n\r\nB"));
    TSetup t;
    t.Load(saved);
    EXPECT_EQ(t.Sim.Notes, "A\r\n\r\nB");
}

TEST(SetupNotes, ALeadingEmptyLineIsLost) {
    TSetup s;
    s.Load(WithNotes("\r\n\r\nA\r\nB"));
    EXPECT_EQ(s.Sim.Notes, "A\r\nB");
}

TEST(SetupNotes, EmptyNotesEndTheFileWithTheEmptyLineAfterTheFrame) {
    TSetup s;
    s.Load(Join(ExampleLines()));
    s.Sim.Notes.clear();
    const std::string saved = s.Save();
    EXPECT_EQ(saved.substr(saved.size() - 10), "Origin\r\n\r\n");
    TSetup t;
    t.Sim.Notes = "old";
    t.Load(saved);
    EXPECT_EQ(t.Sim.Notes, "");
    // A file that ends right after the frame name has no notes either.
    t.Load(saved.substr(0, saved.size() - 2));
    EXPECT_EQ(t.Sim.Notes, "");
}

// Reading stops at the end of the file: a line end (or a CR) that ends the file is not part of
// the notes, and the notes are written back without it.
TEST(SetupNotes, AFinalLineEndIsNotPartOfTheNotes) {
    const std::pair<const char*, const char*> cases[] = {
        {"A\r\n", "A"}, {"A\r\nB\r\n", "A\r\nB"}, {"A\n", "A"}, {"A\r", "A"}, {"A\r\n\r\n", "A\r\n"}};
    for (const auto& [end, notes] : cases) {
        TSetup s;
        s.Load(WithNotes(end));
        EXPECT_EQ(s.Sim.Notes, notes) << end;
        EXPECT_EQ(s.Save(), WithNotes(notes)) << end;
    }
}

TEST(SetupNotes, LineFeedSeparatedNotesAreReadWithCrLf) {
    TSetup s;
    s.Load(WithNotes("first\nsecond\nthird"));
    EXPECT_EQ(s.Sim.Notes, "first\r\nsecond\r\nthird");
}

// ---------------------------------------------------------------------------------------------
// Refusals: every failure names its cause, whatever the kind of error, and the place: the line,
// the item being read and the text found there. Every kind of item the reader reads is here,
// except the particles' names and the notes, which take any text.

struct TRefusal {
    int Line;  // 0-based line of the example that is replaced
    const char* Text;
    const char* Message;
    enum { KN, Convert, InOut, Math } Kind;
    const char* Place;      // what the line under the message says
    bool CutAfter = false;  // the file ends with the replaced line, without a line end
};

class SetupRefusal : public ::testing::TestWithParam<TRefusal> {};

TEST_P(SetupRefusal, LoadFailsWithTheMessageAndItsPlace) {
    const TRefusal& r = GetParam();
    std::vector<std::string> lines = ExampleLines();
    lines[static_cast<size_t>(r.Line)] = r.Text;
    if (r.CutAfter) lines.resize(static_cast<size_t>(r.Line) + 1);
    TSetup s;
    try {
        s.Load(Join(lines));
        ADD_FAILURE() << "loaded with line " << r.Line << " = " << r.Text;
    } catch (const EKinetraError& e) {
        EXPECT_EQ(std::string(e.what()), r.Message);
        EXPECT_EQ(FailurePlace(e), r.Place);  // no file name: read from a stream
        switch (r.Kind) {
            case TRefusal::KN:
                EXPECT_NE(dynamic_cast<const EKNError*>(&e), nullptr);
                break;
            case TRefusal::Convert:
                EXPECT_NE(dynamic_cast<const EConvertError*>(&e), nullptr);
                break;
            case TRefusal::InOut:
                EXPECT_NE(dynamic_cast<const EInOutError*>(&e), nullptr);
                break;
            case TRefusal::Math:
                EXPECT_NE(dynamic_cast<const EMathError*>(&e), nullptr);
                break;
        }
    }
}

constexpr auto KN = TRefusal::KN;
constexpr auto Convert = TRefusal::Convert;
constexpr auto InOut = TRefusal::InOut;
constexpr auto Math = TRefusal::Math;

INSTANTIATE_TEST_SUITE_P(
    FailureTable, SetupRefusal,
    ::testing::Values(
        // The header: dimensions, method, accuracy, cycles, time step.
        TRefusal{0, "0", "Dimensionality must be at least one.", KN, "line 1, number of dimensions: \"0\""},
        TRefusal{0, "-3", "Dimensionality must be at least one.", KN, "line 1, number of dimensions: \"-3\""},
        TRefusal{0, "27", "Invalid input", KN, "line 1, number of dimensions: \"27\""},
        TRefusal{0, "2000000000", "Invalid input", KN, "line 1, number of dimensions: \"2000000000\""},
        TRefusal{0, "two", "Invalid numeric input", InOut, "line 1, number of dimensions: \"two\""},
        TRefusal{1, "4 0 10", "Accuracy setting must be at least 1E-30", KN, "line 2, accuracy: \"0\""},
        TRefusal{1, "4 9.9E-31 10", "Accuracy setting must be at least 1E-30", KN,
                 "line 2, accuracy: \"9.9E-31\""},
        TRefusal{1, "2 0", "Computation cycles must be between 1 and 200", KN,
                 "line 2, computation cycles: \"0\""},
        TRefusal{1, "2 201", "Computation cycles must be between 1 and 200", KN,
                 "line 2, computation cycles: \"201\""},
        TRefusal{1, "3 ten", "Invalid numeric input", InOut, "line 2, computation cycles: \"ten\""},
        TRefusal{1, "6 10", "Invalid input", KN, "line 2, method: \"6\""},
        TRefusal{1, "-1 10", "Invalid input", KN, "line 2, method: \"-1\""},
        TRefusal{1, "262 10", "Invalid input", KN, "line 2, method: \"262\""},
        TRefusal{1, "RK4 10", "Invalid numeric input", InOut, "line 2, method: \"RK4\""},
        TRefusal{2, "0,002", "Invalid numeric input", InOut, "line 3, time step: \"0,002\""},
        TRefusal{2, "nan", "Invalid numeric input", InOut, "line 3, time step: \"nan\""},
        // A number expected on a line that holds none: reading stopped at the next.
        TRefusal{2, "", "Invalid numeric input", InOut, "line 5, time step: \"Begin_Particles\""},
        // A long text is cut, a control character shown as "?".
        TRefusal{2, "12345678901234567890123456789012345678901234567890123456789012345x",
                 "Invalid numeric input", InOut,
                 "line 3, time step: \"123456789012345678901234567890123456789012345678901234567890...\""},
        TRefusal{4, "begin_particles", "Keyword Begin_Particles expected", KN,
                 "line 5, start of the particle section: \"begin_particles\""},
        TRefusal{4, "Begin_Particles ", "Keyword Begin_Particles expected", KN,
                 "line 5, start of the particle section: \"Begin_Particles \""},
        // The particles' fields.
        TRefusal{7, "abc 0", "Invalid numeric input", InOut, "line 8, mass of particle \"Sun\": \"abc\""},
        TRefusal{7, "1\x01 0", "Invalid numeric input", InOut, "line 8, mass of particle \"Sun\": \"1?\""},
        TRefusal{7, "1E400 0", "Floating point overflow", Math,
                 "line 8, mass of particle \"Sun\": \"1E400\""},
        TRefusal{7, "1000 inf", "Invalid numeric input", InOut,
                 "line 8, charge of particle \"Sun\": \"inf\""},
        TRefusal{16, "0 1", "Non-zero charge not allowed for massless particle", KN,
                 "line 17, charge of particle \"Planet\": \"1\""},
        TRefusal{8, "-", "Invalid numeric input", InOut, "line 9, radius of particle \"Sun\": \"-\""},
        TRefusal{18, "1", "'' is not a valid floating point value", Convert,
                 "line 19, initial position of particle \"Planet\": \"1\""},
        TRefusal{18, "1 x", "'x' is not a valid floating point value", Convert,
                 "line 19, initial position of particle \"Planet\": \"1 x\""},
        // The overlap is found when the whole block of the particle is read, and named at its
        // position.
        TRefusal{18, "0.1 0", "Overlap with Sun.", KN,
                 "line 19, initial position of particle \"Planet\": \"0.1 0\""},
        TRefusal{19, "0 3O", "'3O' is not a valid floating point value", Convert,
                 "line 20, initial velocity of particle \"Planet\": \"0 3O\""},
        TRefusal{20, "0", "Invalid input", KN, "line 21, image size of particle \"Planet\": \"0\""},
        TRefusal{20, "six", "Invalid numeric input", InOut,
                 "line 21, image size of particle \"Planet\": \"six\""},
        TRefusal{21, "red", "'red' is not a valid integer value", Convert,
                 "line 22, colour of particle \"Planet\": \"red\""},
        TRefusal{21, "1 2", "'1 2' is not a valid integer value", Convert,
                 "line 22, colour of particle \"Planet\": \"1 2\""},
        TRefusal{21, "14", "Invalid input", KN, "line 22, colour of particle \"Planet\": \"14\""},
        TRefusal{21, "-1", "Invalid input", KN, "line 22, colour of particle \"Planet\": \"-1\""},
        TRefusal{22, "T", "Invalid input", KN,
                 "line 23, trail and invisibility flags of particle \"Planet\": \"T\""},
        TRefusal{22, "", "Invalid input", KN,
                 "line 23, trail and invisibility flags of particle \"Planet\": \"\""},
        // A particle section that ends with the file.
        TRefusal{15, "Pl\tnet", "Invalid numeric input", InOut,
                 "line 16, mass of particle \"Pl?net\": end of file", true},
        // The force line.
        TRefusal{26, "two 1 0", "Invalid numeric input", InOut, "line 27, power of distance: \"two\""},
        TRefusal{26, "-2 G 0", "Invalid numeric input", InOut, "line 27, gravitational constant: \"G\""},
        TRefusal{26, "-2 1 0x10", "Invalid numeric input", InOut,
                 "line 27, Coulomb force coefficient: \"0x10\""},
        // The frame section.
        TRefusal{28, "-1 1", "Coordinate out of range.", KN, "line 29, screen x of the frame: \"-1\""},
        TRefusal{28, "0 2", "Coordinate out of range.", KN, "line 29, screen y of the frame: \"2\""},
        TRefusal{28, "0 y", "Invalid numeric input", InOut, "line 29, screen y of the frame: \"y\""},
        TRefusal{29, "1e", "Invalid numeric input", InOut,
                 "line 30, pixels per unit length of the frame: \"1e\""},
        TRefusal{30, "0 zero", "'zero' is not a valid floating point value", Convert,
                 "line 31, origin of the frame: \"0 zero\""}),
    [](const ::testing::TestParamInfo<TRefusal>& refusal) {
        return "Line" + std::to_string(refusal.param.Line + 1) + "_" + std::to_string(refusal.index);
    });

TEST(SetupLoadFailure, TwoPointParticlesAtOnePlace) {
    std::vector<std::string> lines = ExampleLines();
    lines[8] = "0";
    lines[17] = "0";
    lines[18] = "0 0";
    TSetup s;
    try {
        s.Load(Join(lines));
        ADD_FAILURE();
    } catch (const EKNError& e) {
        EXPECT_STREQ(e.what(), "Position already occupied by Sun.");
    }
}

TEST(SetupLoadFailure, TheErrorNamesTheFileAndTheLineWhereReadingStopped) {
    TSetup s;
    s.Sim.FileName = std::string(KINETRA_TEST_DATA) + "/BadKeyword.knx";
    try {
        s.Sim.LoadFromFile();
        ADD_FAILURE();
    } catch (const EKNError& e) {
        EXPECT_STREQ(e.what(), "Keyword Begin_Particles expected");
        EXPECT_EQ(e.FileName(), s.Sim.FileName);
        EXPECT_EQ(e.Line(), 5);
    }
}

TEST(SetupLoadFailure, AFileCutShortFailsWherever) {
    // Cut after every line: a number expected at the end of the file, or a particle section
    // that never ends, is refused; nothing loops or reads out of bounds.
    const std::vector<std::string> all = ExampleLines();
    for (size_t n = 0; n < 27; ++n) {
        const std::vector<std::string> lines(all.begin(), all.begin() + static_cast<long>(n));
        TSetup s;
        EXPECT_THROW(s.Load(Join(lines)), EKinetraError) << n << " lines";
    }
}

TEST(SetupLoadFailure, AMissingFileIsReportedAsNotFound) {
    TSetup s;
    s.Sim.FileName = std::string(KINETRA_TEST_DATA) + "/no such setup.knx";
    try {
        s.Sim.LoadFromFile();
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "File not found");
        EXPECT_EQ(e.FileName(), s.Sim.FileName);
        EXPECT_EQ(e.Line(), 0);  // nothing was read
    }
    s.Sim.FileName = KINETRA_TEST_DATA;  // a folder
    EXPECT_THROW(s.Sim.LoadFromFile(), EInOutError);
}

}  // namespace
}  // namespace kinetra
