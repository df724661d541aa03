// Setup files that are damaged or hostile: cut short anywhere, NUL bytes, foreign line ends,
// enormous lines, tokens and notes, the largest setup, numbers beyond the range of a double, and
// texts that nest without end. Each gives one of the program's messages or loads and saves back
// exactly; nothing crashes, hangs or leaks a library text.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"
#include "parser/Parser.h"
#include "tests/fuzz/FuzzTargets.h"

namespace kinetra {
namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The small two-body setup; canonical, so that a clean load saves back the same bytes.
std::string Example() {
    return ReadBytes(std::string(KINETRA_TEST_DATA) + "/SunPlanet.knx");
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::string ReplacedAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

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

// The message of a refused load, or "loaded" when the text was accepted.
std::string Outcome(const std::string& text) {
    TSetup s;
    try {
        s.Load(text);
    } catch (const EKinetraError& e) {
        EXPECT_EQ(fuzz::CheckMessage(e.what(), text), "");
        return e.what();
    }
    return "loaded";
}

// Loads and saves again; the bytes must be the same.
void ExpectSavedBackIdentically(const std::string& text) {
    TSetup s;
    ASSERT_NO_THROW(s.Load(text));
    const std::string saved = s.Save();
    EXPECT_EQ(saved.size(), text.size());
    EXPECT_TRUE(saved == text);
}

std::string FuzzSetup(const std::string& text) {
    return fuzz::FuzzSetupFile(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(HostileFiles, AFileCutOffAtAnyByteIsRefusedUntilItsLastNumber) {
    const std::string full = Example();
    // The frame's origin line is the last number of the file; after it only the frame's name
    // (which falls back to "Origin") and the notes can be cut short.
    const size_t lastNumberEnd = full.find("\r\nOrigin");
    ASSERT_NE(lastNumberEnd, std::string::npos);
    const size_t notesStart = lastNumberEnd + std::string("\r\nOrigin\r\n\r\n").size();
    TSetup whole;
    whole.Load(full);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        const std::string text = full.substr(0, cut);
        TSetup s;
        try {
            s.Load(text);
            EXPECT_GE(cut, lastNumberEnd) << "loaded when cut after " << cut << " bytes";
            EXPECT_EQ(s.Frame.Name(), "Origin");
            EXPECT_EQ(s.Sim.Particles.Count(), 2);
            EXPECT_EQ(s.Sim.Notes, cut <= notesStart ? "" : whole.Sim.Notes.substr(0, cut - notesStart))
                << cut;
        } catch (const EKinetraError& e) {
            EXPECT_LT(cut, lastNumberEnd) << e.what();
        }
        // The message is fit for a user, and what loads saves back the same.
        EXPECT_EQ(FuzzSetup(text), "") << "cut after " << cut << " bytes";
    }
}

TEST(HostileFiles, NulBytesAreTextInNamesAndNotesAndNoPartOfANumber) {
    const std::string full = Example();
    const std::string nul(1, '\0');
    EXPECT_EQ(Outcome(Replaced(full, "0.002", "0.0" + nul + "02")), "Invalid numeric input");
    EXPECT_EQ(Outcome(Replaced(full, "1000 0", "1000" + nul + " 0")), "Invalid numeric input");
    EXPECT_EQ(Outcome(std::string(1000, '\0')), "Invalid numeric input");
    EXPECT_EQ(Outcome(Replaced(full, "Begin_Particles", "Begin" + nul + "Particles")),
              "Keyword Begin_Particles expected");
    // Around a vector's numbers a NUL is a control character like a blank; inside one it makes
    // the token invalid, and the message quotes it with the NUL shown as "?" (a message is
    // passed on as a C string, which would end at the NUL).
    EXPECT_EQ(Outcome(Replaced(full, "0 30", nul + "0 30" + nul)), "loaded");
    EXPECT_EQ(Outcome(Replaced(full, "0 30", "0 3" + nul + "0")),
              "'3?0' is not a valid floating point value");
    EXPECT_EQ(Outcome(Replaced(full, "\r\n3\r\nFF", "\r\n1" + nul + "3\r\nFF")),
              "'1?3' is not a valid integer value");
    EXPECT_EQ(Outcome(Replaced(full, "0.1\r\n", "1\r\n")), "Overlap with Sun.");
    EXPECT_EQ(Outcome(Replaced(Replaced(full, "Sun\r\n", "S" + nul + "n\r\n"), "0.1\r\n", "1\r\n")),
              "Overlap with S?n.");

    const std::string named = Replaced(full, "Sun\r\n", "S" + nul + "un\r\n");
    TSetup s;
    s.Load(named);
    EXPECT_EQ(s.Sim.Particles.Particles(0).Name, "S" + nul + "un");
    ExpectSavedBackIdentically(named);
    ExpectSavedBackIdentically(full + nul + "after a NUL" + nul);
}

TEST(HostileFiles, CarriageReturnsAloneDoNotEndLines) {
    const std::string full = Example();
    // Old-style files with CR alone are one long line: the second number is missing from it.
    EXPECT_EQ(Outcome(ReplacedAll(full, "\r\n", "\r")), "Invalid numeric input");
    EXPECT_EQ(FuzzSetup(ReplacedAll(full, "\r\n", "\r")), "");
    // In a name or the notes a lone CR is a character like any other.
    ExpectSavedBackIdentically(Replaced(full, "Planet\r\n", "Pla\rnet\r\n"));
    ExpectSavedBackIdentically(full + "\rsecond\r\rthird");
}

// Reading stops at the end of the file: the final line end (or CR) is not part of the notes, the
// empty lines before it are. Each load and save thus shortens such an end by one line end,
// which the fuzz harness allows.
TEST(HostileFiles, NotesEndingInEmptyLinesLoseOnlyTheFinalLineEnd) {
    const std::string full = Example();
    for (const auto& [end, kept] : {std::pair<std::string, std::string>{"\r\n", ""},
                                    {"\r\n\r\n\r\n", "\r\n\r\n"},
                                    {"\n\n", "\r\n"},
                                    {"\r\r", "\r"}}) {
        TSetup s;
        s.Load(full + end);
        EXPECT_EQ(s.Sim.Notes, "Planet on a near-circular orbit" + kept);
        EXPECT_EQ(FuzzSetup(full + end), "");
    }
}

TEST(HostileFiles, AMegabyteLine) {
    const std::string full = Example();
    const std::string mega(1 << 20, '7');
    // As a name, and inside the notes, it is text that comes back unchanged.
    ExpectSavedBackIdentically(Replaced(full, "Planet\r\n", mega + "\r\n"));
    ExpectSavedBackIdentically(full + "\r\n" + mega);
    // As a number it is far beyond the range of a double.
    EXPECT_EQ(Outcome(Replaced(full, "0.002", mega)), "Floating point overflow");
    EXPECT_EQ(Outcome(Replaced(full, "0.002", std::string(1 << 20, 'x'))), "Invalid numeric input");
    EXPECT_EQ(Outcome(Replaced(full, "0 30\r\n", "0 " + mega + "\r\n")), "Floating point overflow");
    // Blanks between two components are one separator, however many there are.
    TSetup s;
    s.Load(Replaced(full, "0 30\r\n", "0" + std::string(1 << 20, ' ') + "30\r\n"));
    EXPECT_EQ(s.Sim.Particles.Particles(1).InitialVelocity[1], 30);
    EXPECT_EQ(s.Save(), full);
}

TEST(HostileFiles, TenMegabytesOfNotesLoadAndSaveBackIdentically) {
    std::string notes;
    for (int line = 0; notes.size() < 10u << 20; ++line) {
        if (line > 0) notes += "\r\n";
        notes += "line " + std::to_string(line) + " of the notes, with some text to fill it";
        if (line % 1000 == 999) notes += "\r\n";  // now and then an empty line
    }
    const std::string text = Example().substr(0, Example().find("Planet on")) + notes;
    TSetup s;
    s.Load(text);
    EXPECT_TRUE(s.Sim.Notes == notes);
    EXPECT_TRUE(s.Save() == text);
}

TEST(HostileFiles, TwentySixDimensionsAndTwoThousandParticlesLoadRunAndSaveBack) {
    const int n = 26;
    const int count = 2000;
    std::string text = "26\r\n0 1\r\n0.001\r\n\r\nBegin_Particles\r\n\r\n";
    for (int i = 0; i < count; ++i) {
        text += "P" + std::to_string(i) + "\r\n1 0\r\n0\r\n";
        // Distinct points on a lattice of all 26 axes, and a small velocity along one of them.
        std::string position;
        std::string velocity;
        for (int d = 0; d < n; ++d) {
            if (d > 0) position += " ", velocity += " ";
            position += std::to_string((i + 7 * d) % 13 + (d == 0 ? 20 * (i / 13) : 0));
            velocity += d == i % n ? "0.5" : "0";
        }
        text += position + "\r\n" + velocity + "\r\n6\r\n" + std::to_string(i % 14) + "\r\nFF\r\n\r\n";
    }
    text += "End_Particles\r\n\r\n-2 1 0\r\n\r\n25 3\r\n100\r\n";
    for (int d = 0; d < n; ++d) text += d == 0 ? "0" : " 0";
    text += "\r\nCenter of mass\r\n\r\n26 dimensions";

    TSetup s;
    s.Load(text);
    ASSERT_EQ(s.Sim.Particles.Count(), count);
    EXPECT_EQ(s.Sim.Dimensions, n);
    EXPECT_EQ(s.Frame.XDim(), 25);
    s.Sim.Prepare();
    s.Sim.Step();
    EXPECT_EQ(s.Sim.Time, 0.001);
    // The first particle rests along axis 1; the others pull it along.
    EXPECT_NE(s.Sim.Particles.Particles(0).Velocity[1], 0);
    // The file holds the initial state, so a run in between changes nothing of it.
    EXPECT_TRUE(s.Save() == text);
}

TEST(HostileFiles, NumericTokensOfFiveThousandDigits) {
    const std::string full = Example();
    const std::string huge = "1" + std::string(4999, '0');
    const std::string one = "1." + std::string(4997, '0') + "1";  // 1 + 1E-4998: rounds to 1
    EXPECT_EQ(Outcome(Replaced(full, "1000 0", huge + " 0")), "Floating point overflow");
    // Too small for a double: a zero radius.
    EXPECT_EQ(Outcome(Replaced(full, "0.05", "0." + std::string(4998, '0') + "1")), "loaded");
    EXPECT_EQ(Outcome(Replaced(full, "2\r\n3 10", std::string(5000, '9') + "\r\n3 10")),
              "Invalid numeric input");
    EXPECT_EQ(Outcome(Replaced(full, "0 30\r\n", "0 " + huge + "\r\n")), "Floating point overflow");
    EXPECT_EQ(Outcome(Replaced(full, "11\r\n3\r\n", "11\r\n" + huge + "\r\n")),
              "'" + huge + "' is not a valid integer value");
    // Leading zeros do not change a whole number.
    EXPECT_EQ(Outcome(Replaced(full, "2\r\n3 10", std::string(4999, '0') + "2\r\n3 10")), "loaded");

    TSetup s;
    s.Load(Replaced(full, "1000 0", one + " 0"));
    EXPECT_EQ(s.Sim.Particles.Particles(0).Mass, 1);

    TParser parser;
    EXPECT_THROW(parser.Evaluate(huge), EMathError);
    EXPECT_EQ(parser.Evaluate(one), 1);
    TVector v(2);
    EXPECT_THROW(v.FromString("0 " + huge), EMathError);
}

TEST(HostileFiles, OneE999IsAnOverflowNotInfinity) {
    const std::string full = Example();
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"0.002", "1e999"},
                                   {"1000 0", "1000 -1E999"},
                                   {"0.05", "1e999"},
                                   {"0 30\r\n", "0 1e999\r\n"},
                                   {"-2 1 0", "-2 1e999 0"},
                                   {"100\r\n0 0", "1e999\r\n0 0"},
                                   {"100\r\n0 0", "100\r\n1e999 0"}}) {
        const std::string text = Replaced(full, from, to);
        EXPECT_EQ(Outcome(text), "Floating point overflow") << to;
    }
    TParser parser;
    try {
        parser.Evaluate("1e999");
        ADD_FAILURE();
    } catch (const EMathError& e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
}

TEST(HostileFiles, DeeplyNestedParenthesesLeaveTheParserUsable) {
    TParser parser;
    parser.Evaluate("depth = 3");
    for (const size_t n : {size_t{1000}, size_t{1000000}}) {
        const std::string open(n, '(');
        const std::string close(n, ')');
        EXPECT_THROW(parser.Evaluate(open + "1" + close), EKinetraError);
        EXPECT_THROW(parser.Evaluate(open), EKinetraError);
        EXPECT_THROW(parser.Evaluate(std::string(n, '-') + "1"), EKinetraError);
        // A refused text leaves no nesting behind: the next one starts from the top.
        EXPECT_EQ(parser.Evaluate(std::string(200, '(') + "depth*2" + std::string(200, ')')), 6);
    }
    EXPECT_EQ(fuzz::FuzzParser(reinterpret_cast<const std::uint8_t*>("((((((((((((((((1"), 17), "");
}

}  // namespace
}  // namespace kinetra
