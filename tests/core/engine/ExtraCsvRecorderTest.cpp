// Recording a run as CSV: what the file holds (comments, header, records in the shared form),
// write errors at the start and in the middle of a recording, and a particle set that no
// longer fits the header.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "SimTestUtil.h"
#include "base/KNUtils.h"
#include "engine/CsvRecorder.h"
#include "engine/SimulationData.h"
#include "engine/StateRecord.h"

namespace kinetra {
namespace {

namespace fs = std::filesystem;

void MakeTriple(TSimData& sim, TNumMethod method) {
    test::NewSetup(sim, 2);
    sim.SetMethod(method);
    sim.SetCycles(3);
    sim.TimeStep = 0.01;
    sim.Force->StoreConstants(1, 0.5);
    test::AddParticle(sim, "A", 1, {1, 0}, {0, 0.4}, 0.01, 0.1);
    test::AddParticle(sim, "B", 2, {-1, 0}, {0, -0.2}, 0.01, -0.1);
    test::AddParticle(sim, "C", 0.5, {0, 2}, {0.3, 0}, 0.01);
    sim.FileName = "Triple.knx";
    test::Rewind(sim);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A stream buffer that takes `room` bytes and then refuses everything.
class TFullAfter : public std::streambuf {
public:
    explicit TFullAfter(size_t room) : Room(room) {}
    std::string Text;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (Text.size() >= Room) return traits_type::eof();
        Text.push_back(traits_type::to_char_type(c));
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::streamsize done = 0;
        while (done < n && overflow(traits_type::to_int_type(s[done])) != traits_type::eof()) ++done;
        return done;
    }

private:
    size_t Room;
};

// An ostream that owns its buffer, as the recorder owns the stream.
class TFullStream : public std::ostream {
public:
    explicit TFullStream(size_t room) : std::ostream(nullptr), Buffer(room) { rdbuf(&Buffer); }
    TFullAfter Buffer;
};

TEST(CsvRecorder, WritesCommentsHeaderAndTheSameRecordsAsTheSharedForm) {
    for (const TNumMethod method : {nmEuler, nmRKF, nmStoermer}) {
        SCOPED_TRACE(static_cast<int>(method));
        const fs::path file =
            fs::temp_directory_path() / ("kinetra_rec_" + std::to_string(std::random_device{}()));
        TSimData sim;
        TSimData twin;
        MakeTriple(sim, method);
        MakeTriple(twin, method);
        std::string expected = StateCsvHeader(twin, true) + StateCsvRecord(twin, 0, true);
        {
            TCsvRecorder recorder;
            recorder.Open(file.string(), sim, 0);
            EXPECT_TRUE(recorder.Recording());
            for (int step = 1; step <= 20; ++step) {
                sim.Step();
                recorder.Append(sim, step);
                twin.Step();
                expected += StateCsvRecord(twin, step, true);
            }
            EXPECT_EQ(recorder.Records(), 21);
            // Every record is in the file before the recording ends.
            EXPECT_NE(ReadFile(file).find(StateCsvRecord(twin, 20, true)), std::string::npos);
        }
        const std::string text = ReadFile(file);
        fs::remove(file);
        const std::vector<std::string> lines = Lines(text);
        size_t comments = 0;
        while (comments < lines.size() && lines[comments].rfind("# ", 0) == 0) ++comments;
        ASSERT_EQ(comments, 6u) << text;
        EXPECT_EQ(lines[0], "# setup: Triple.knx (not saved)");  // no such file
        EXPECT_EQ(lines[1].rfind("# method: " + twin.MethodName(), 0), 0u) << lines[1];
        EXPECT_EQ(method == nmRKF, lines[1].find("accuracy 1e-12") != std::string::npos) << lines[1];
        EXPECT_EQ(lines[2], "# time step: 0.01");
        EXPECT_EQ(lines[3], "# cycles per step: 3");
        EXPECT_EQ(lines[4], "# force: power of distance -2, G 1, k 0.5");
        EXPECT_EQ(lines[5], "# units: dimensionless");
        EXPECT_EQ(text.substr(text.find("step,")), expected);
        EXPECT_EQ(lines[comments],
                  "step,time,signed_step,kinetic,potential,total,x0_0,x0_1,x1_0,x1_1,x2_0,x2_1,"
                  "v0_0,v0_1,v1_0,v1_1,v2_0,v2_1");
    }
}

TEST(CsvRecorder, AWriteErrorInTheMiddleClosesTheRecordingAndNamesTheFile) {
    TSimData sim;
    MakeTriple(sim, nmRK4);
    TCsvRecorder recorder;
    const size_t room = StateCsvComments(sim).size() + StateCsvHeader(sim, true).size() + 700;
    auto stream = std::make_unique<TFullStream>(room);
    TFullStream* raw = stream.get();
    recorder.Start(std::move(stream), "rec.csv", sim, 0);
    int step = 0;
    try {
        for (step = 1; step < 100; ++step) {
            sim.Step();
            recorder.Append(sim, step);
        }
        ADD_FAILURE() << "no write error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Could not record to \"rec.csv\": ", 0), 0u) << e.what();
    }
    EXPECT_GT(step, 1);
    EXPECT_FALSE(recorder.Recording());
    // Nothing more is written, and appending is harmless.
    (void)raw;
    EXPECT_NO_THROW(recorder.Append(sim, step + 1));
    EXPECT_FALSE(recorder.Recording());
}

TEST(CsvRecorder, AFileThatCannotBeWrittenFailsAtOnce) {
    TSimData sim;
    MakeTriple(sim, nmEuler);
    TCsvRecorder recorder;
    if (fs::exists("/dev/full")) {
        try {
            recorder.Open("/dev/full", sim, 0);
            ADD_FAILURE() << "recording into /dev/full";
        } catch (const EInOutError& e) {
            EXPECT_EQ(std::string(e.what()), "Could not record to \"/dev/full\": No space left on device");
        }
        EXPECT_FALSE(recorder.Recording());
    }
    EXPECT_THROW(recorder.Open(fs::temp_directory_path().string(), sim, 0), EInOutError);
    EXPECT_THROW(recorder.Open("/nonexistent-folder-for-kinetra/r.csv", sim, 0), EInOutError);
    EXPECT_FALSE(recorder.Recording());
}

TEST(CsvRecorder, AnotherParticleSetEndsTheRecording) {
    TSimData sim;
    MakeTriple(sim, nmEuler);
    TCsvRecorder recorder;
    recorder.Start(std::make_unique<std::ostringstream>(), "mem", sim, 0);
    sim.Particles.Delete(2);
    EXPECT_THROW(recorder.Append(sim, 1), EInOutError);
    EXPECT_FALSE(recorder.Recording());
}

}  // namespace
}  // namespace kinetra

namespace kinetra {
namespace {

// Named columns: unique names as they are, shared, empty or comma-holding ones with the index,
// also when an appended index makes a name equal to another particle's own.
TEST(CsvRecorder, NamedColumnsTellEveryParticleApart) {
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"Sun", "Earth"}, {"Sun", "Earth"}},
        {{"P", "P", "Q"}, {"P#0", "P#1", "Q"}},
        {{"a,b", ""}, {"a,b#0", "#1"}},
        {{"A", "A", "A#1"}, {"A#0", "A#1#1", "A#1#2"}},
    };
    for (const auto& [names, expected] : cases) {
        TSimData sim;
        test::NewSetup(sim, 1);
        for (size_t i = 0; i < names.size(); ++i)
            test::AddParticle(sim, names[i], 1, {static_cast<double>(i)}, {0}, 0.01);
        EXPECT_EQ(StateColumnNames(sim), expected) << names[0];
    }
}

TEST(CsvRecorder, NamedHeaderAndEveryKthStep) {
    TSimData sim;
    TSimData twin;
    MakeTriple(sim, nmRK4);
    MakeTriple(twin, nmRK4);
    sim.Particles.Particles(1).Name = "B,\"2\"";
    auto out = std::make_unique<std::ostringstream>();
    std::ostringstream* text = out.get();
    TCsvRecorder recorder;
    TCsvRecordOptions options;
    options.Names = true;
    options.AxisNames = {"x", "y"};
    options.Interval = 3;
    recorder.Start(std::move(out), "mem", sim, 0, options);
    std::string expected = StateCsvRecord(twin, 0, true);
    for (int step = 1; step <= 7; ++step) {
        sim.Step();
        recorder.Append(sim, step);
        twin.Step();
        if (step % 3 == 0) expected += StateCsvRecord(twin, step, true);
    }
    EXPECT_EQ(recorder.Records(), 3);
    const std::string written = text->str();
    const std::string header =
        "step,time,signed_step,kinetic,potential,total,A.x,A.y,\"B,\"\"2\"\"#1.x\",\"B,\"\"2\"\"#1.y\",C.x,C."
        "y,"
        "A.vx,A.vy,\"B,\"\"2\"\"#1.vx\",\"B,\"\"2\"\"#1.vy\",C.vx,C.vy\n";
    EXPECT_EQ(written.substr(written.find("step,")), header + expected);
}

}  // namespace
}  // namespace kinetra
