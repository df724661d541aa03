// Saving a setup to disk: the extension rule and the guarantee that a failed save leaves the
// previous file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"
#include "engine/StateSetup.h"
#include "frame/FramedSim.h"

namespace kinetra {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A fresh folder per test, removed afterwards.
class SetupSave : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        Folder =
            fs::temp_directory_path() /
            ("kinetra_save_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "_" + std::to_string(random()));
        fs::create_directories(Folder);
        Sim.FileName = std::string(KINETRA_TEST_DATA) + "/SunPlanet.knx";
        Sim.LoadFromFile();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(Folder, ec);
    }
    // Names of everything in the folder, to show that no temporary file is left behind.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Expected() {
        std::ostringstream out;
        Sim.SaveToStream(out);
        return out.str();
    }

    fs::path Folder;
    TFramedSim Framed;
    TSimData& Sim = Framed.Sim();
    TScreenFrame& Frame = Framed.Frame();
};

TEST_F(SetupSave, ANameWithoutExtensionGetsKnx) {
    Sim.FileName = (Folder / "orbit").string();
    Sim.SaveToFile();
    EXPECT_EQ(Sim.FileName, (Folder / "orbit.knx").string());
    EXPECT_EQ(ReadBytes(Folder / "orbit.knx"), Expected());
    EXPECT_EQ(Entries(), std::vector<std::string>{"orbit.knx"});
}

// A name whose last part holds a "." has an extension and is written as it is, by Save and by
// saving the state as a setup; a dot in a folder name is not the file's extension.
TEST_F(SetupSave, ANameWithAnExtensionKeepsIt) {
    fs::create_directories(Folder / "v1.2");
    const std::pair<const char*, const char*> cases[] = {{"orbit.txt", "orbit.txt"},
                                                         {".knx", ".knx"},
                                                         {"orbit.", "orbit."},
                                                         {".hidden", ".hidden"},
                                                         {"v1.2/orbit", "v1.2/orbit.knx"}};
    for (const auto& [name, written] : cases) {
        Sim.FileName = (Folder / name).string();
        Sim.SaveToFile();
        EXPECT_EQ(Sim.FileName, (Folder / written).string()) << name;
        EXPECT_EQ(ReadBytes(Folder / written), Expected()) << name;
        EXPECT_EQ(SaveStateAsSetup(Sim, (Folder / name).string()), (Folder / written).string()) << name;
    }
    EXPECT_FALSE(fs::exists(Folder / ".knx.knx"));
}

TEST_F(SetupSave, SavingOverALongerFileLeavesNothingOfIt) {
    const fs::path target = Folder / "a.knx";
    WriteBytes(target, std::string(100000, 'x'));
    Sim.FileName = target.string();
    Sim.SaveToFile();
    EXPECT_EQ(ReadBytes(target), Expected());
}

TEST_F(SetupSave, TheReplacementKeepsTheAccessRightsOfTheOldFile) {
    const fs::path target = Folder / "a.knx";
    WriteBytes(target, "old");
    const fs::perms rights = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, rights);
    Sim.FileName = target.string();
    Sim.SaveToFile();
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, rights);
}

TEST_F(SetupSave, AFailureHalfWayLeavesTheOldFileAndNoTemporaryFile) {
    const fs::path target = Folder / "keep.knx";
    WriteBytes(target, "the user's good setup");
    // The frame section fails after the particles were written.
    Sim.OnSaveFrame = [](TSetupWriter& w) {
        w.WriteLine("0 1");
        throw EKNError("frame broken");
    };
    Sim.FileName = target.string();
    try {
        Sim.SaveToFile();
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(target.string()), std::string::npos) << message;
        EXPECT_NE(message.find("frame broken"), std::string::npos) << message;
    }
    EXPECT_EQ(ReadBytes(target), "the user's good setup");
    EXPECT_EQ(Entries(), std::vector<std::string>{"keep.knx"});
}

// A stream buffer that passes the first `Limit` bytes on and then fails, like a full disk.
class TFailingBuffer : public std::streambuf {
public:
    TFailingBuffer(std::streambuf* target, std::streamsize limit) : Target(target), Limit(limit) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (Written >= Limit) return traits_type::eof();
        ++Written;
        return Target->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const std::streamsize room = std::min(n, Limit - Written);
        const std::streamsize done = room > 0 ? Target->sputn(s, room) : 0;
        Written += done;
        return done;
    }
    int sync() override { return Target->pubsync(); }

private:
    std::streambuf* Target;
    std::streamsize Limit;
    std::streamsize Written = 0;
};

TEST_F(SetupSave, AStreamThatFailsAfterAnyNumberOfBytesLeavesTheOldFile) {
    const fs::path target = Folder / "keep.knx";
    const std::string full = Expected();
    for (const std::streamsize limit : {std::streamsize(0), std::streamsize(1), std::streamsize(100),
                                        static_cast<std::streamsize>(full.size() - 1)}) {
        WriteBytes(target, "old contents");
        std::unique_ptr<TFailingBuffer> buffer;
        try {
            WriteFileAtomically(target.string(), [&](std::ostream& out) {
                buffer = std::make_unique<TFailingBuffer>(out.rdbuf(), limit);
                out.rdbuf(buffer.get());
                Sim.SaveToStream(out);
            });
            ADD_FAILURE() << "no error after " << limit << " bytes";
        } catch (const EInOutError& e) {
            EXPECT_NE(std::string(e.what()).find(target.string()), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadBytes(target), "old contents") << limit;
        EXPECT_EQ(Entries(), std::vector<std::string>{"keep.knx"}) << limit;
    }
    // With room for everything the same path writes the whole file.
    std::unique_ptr<TFailingBuffer> buffer;
    WriteFileAtomically(target.string(), [&](std::ostream& out) {
        buffer = std::make_unique<TFailingBuffer>(out.rdbuf(), static_cast<std::streamsize>(full.size()));
        out.rdbuf(buffer.get());
        Sim.SaveToStream(out);
    });
    EXPECT_EQ(ReadBytes(target), full);
}

TEST_F(SetupSave, AnUnwritableTargetNamesTheFile) {
    // A folder that does not exist: nothing can be created.
    Sim.FileName = (Folder / "missing" / "a.knx").string();
    try {
        Sim.SaveToFile();
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find(Sim.FileName), std::string::npos) << e.what();
    }
    // A folder in the target's place: the text is written but cannot replace it.
    fs::create_directories(Folder / "taken.knx" / "inside");
    Sim.FileName = (Folder / "taken.knx").string();
    EXPECT_THROW(Sim.SaveToFile(), EInOutError);
    EXPECT_TRUE(fs::is_directory(Folder / "taken.knx" / "inside"));
    EXPECT_EQ(Entries(), std::vector<std::string>{"taken.knx"});
}

TEST_F(SetupSave, ASavedFileLoadsBackToTheSameSetup) {
    Sim.Notes = "line one\r\n\r\nline three";
    Sim.FileName = (Folder / "copy").string();
    Sim.SaveToFile();
    TFramedSim otherSetup;
    TSimData& other = otherSetup.Sim();
    other.FileName = Sim.FileName;
    other.LoadFromFile();
    EXPECT_EQ(other.Notes, Sim.Notes);
    std::ostringstream again;
    other.SaveToStream(again);
    EXPECT_EQ(again.str(), Expected());
}

}  // namespace
}  // namespace kinetra
