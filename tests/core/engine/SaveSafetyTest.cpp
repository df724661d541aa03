// A save that fails, wherever it fails, keeps the user's previous file byte for byte, leaves no
// temporary file behind and says what went wrong.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>
#include <tuple>
#include <vector>

#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"

namespace kinetra {
namespace {

namespace fs = std::filesystem;

const std::string OldContents = "2\r\n3 10\r\nthe user's earlier setup\r\n";

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

// Passes the first `Limit` bytes on, then fails every write, like a disk that fills up.
class TFullDisk : public std::streambuf {
public:
    TFullDisk(std::streambuf* target, std::streamsize limit) : Target(target), Limit(limit) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        if (Written >= Limit) return traits_type::eof();
        ++Written;
        return Target->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const std::streamsize room = std::max<std::streamsize>(0, std::min(n, Limit - Written));
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

class SaveSafety : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        Folder = fs::temp_directory_path() / ("kinetra_safety_" + std::to_string(random()));
        fs::create_directories(Folder);
        Target = Folder / "orbit.knx";
        WriteBytes(Target, OldContents);
        Sim.FileName = std::string(KINETRA_TEST_DATA) + "/SunPlanet.knx";
        Sim.LoadFromFile();
        Sim.FileName = Target.string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(Folder, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(Folder, ec);
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Saved() {
        std::ostringstream out;
        Sim.SaveToStream(out);
        return out.str();
    }
    // Saves and returns the message; the save must fail.
    std::string FailedSave(const std::function<void()>& save) {
        try {
            save();
        } catch (const EInOutError& e) {
            return e.what();
        }
        ADD_FAILURE() << "the save succeeded";
        return {};
    }
    // The old file as it was, and nothing beside it.
    void ExpectOldFileKept(const std::string& context) {
        EXPECT_EQ(ReadBytes(Target), OldContents) << context;
        EXPECT_EQ(Entries(), std::vector<std::string>{"orbit.knx"}) << context;
    }

    fs::path Folder;
    fs::path Target;
    TFramedSim Framed;
    TSimData& Sim = Framed.Sim();
    TScreenFrame& Frame = Framed.Frame();
};

TEST_F(SaveSafety, ADiskThatFillsUpAfterAnyNumberOfBytesKeepsTheOldFile) {
    const std::string full = Saved();
    for (std::streamsize limit = 0; limit < static_cast<std::streamsize>(full.size()); ++limit) {
        std::unique_ptr<TFullDisk> disk;
        const std::string message = FailedSave([&] {
            WriteFileAtomically(Target.string(), [&](std::ostream& out) {
                disk = std::make_unique<TFullDisk>(out.rdbuf(), limit);
                out.rdbuf(disk.get());
                Sim.SaveToStream(out);
            });
        });
        EXPECT_EQ(message, "Could not save \"" + Target.string() + "\": Write error") << limit;
        ExpectOldFileKept("after " + std::to_string(limit) + " bytes");
    }
    // Room for every byte: the same path replaces the file.
    std::unique_ptr<TFullDisk> disk;
    WriteFileAtomically(Target.string(), [&](std::ostream& out) {
        disk = std::make_unique<TFullDisk>(out.rdbuf(), static_cast<std::streamsize>(full.size()));
        out.rdbuf(disk.get());
        Sim.SaveToStream(out);
    });
    EXPECT_EQ(ReadBytes(Target), full);
}

TEST_F(SaveSafety, AFolderWithoutWritePermissionKeepsTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
    fs::permissions(Folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string message = FailedSave([&] { Sim.SaveToFile(); });
    EXPECT_EQ(message, "Could not save \"" + Target.string() + "\": Permission denied");
    fs::permissions(Folder, fs::perms::owner_all, fs::perm_options::add);
    ExpectOldFileKept("read-only folder");
}

TEST_F(SaveSafety, AReadOnlyFileIsNotReplaced) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into any file";
    fs::permissions(Target, fs::perms::owner_read | fs::perms::group_read);
    const std::string message = FailedSave([&] { Sim.SaveToFile(); });
    EXPECT_EQ(message, "Could not save \"" + Target.string() + "\": Permission denied");
    fs::permissions(Target, fs::perms::owner_write, fs::perm_options::add);
    ExpectOldFileKept("read-only file");
}

TEST_F(SaveSafety, AFolderInTheTargetsPlaceStaysAsItWas) {
    // An empty folder as well as one with a file in it: neither is replaced by the setup.
    for (const bool withFile : {false, true}) {
        const fs::path folderTarget = Folder / (withFile ? "full.knx" : "empty.knx");
        fs::create_directories(folderTarget);
        if (withFile) WriteBytes(folderTarget / "inside.knx", OldContents);
        Sim.FileName = folderTarget.string();
        const std::string message = FailedSave([&] { Sim.SaveToFile(); });
        EXPECT_EQ(message.rfind("Could not save \"" + folderTarget.string() + "\": ", 0), 0u) << message;
        EXPECT_TRUE(fs::is_directory(folderTarget));
        if (withFile) {
            EXPECT_EQ(ReadBytes(folderTarget / "inside.knx"), OldContents);
        }
        fs::remove_all(folderTarget);
        ExpectOldFileKept(folderTarget.string());
    }
}

TEST_F(SaveSafety, TheMessageNamesWhyTheFolderTakesNoFile) {
    const fs::path missing = Folder / "missing";
    const struct {
        fs::path Name;
        std::string Reason;
    } cases[] = {
        {missing / "a.knx", "Folder \"" + missing.string() + "\" not found"},
        {Target / "a.knx", "Not a directory"},  // a file where the folder should be
    };
    for (const auto& c : cases) {
        Sim.FileName = c.Name.string();
        EXPECT_EQ(FailedSave([&] { Sim.SaveToFile(); }),
                  "Could not save \"" + c.Name.string() + "\": " + c.Reason);
    }
    ExpectOldFileKept("no folder");
}

TEST_F(SaveSafety, SavingThroughALinkReplacesTheFileItPointsTo) {
    const fs::path link = Folder / "link.knx";
    fs::create_symlink(Target.filename(), link);
    Sim.FileName = link.string();
    Sim.SaveToFile();
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(Target), Saved());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link.knx", "orbit.knx"}));
}

TEST_F(SaveSafety, ALinkWhoseFileIsMissingIsWrittenThroughAndStaysALink) {
    const fs::path link = Folder / "link.knx";
    fs::create_symlink("new.knx", link);
    Sim.FileName = link.string();
    Sim.SaveToFile();
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(Folder / "new.knx"), Saved());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link.knx", "new.knx", "orbit.knx"}));
    // A link into a missing folder is refused and stays as it was.
    fs::remove(Folder / "new.knx");
    fs::remove(link);
    fs::create_symlink("missing/new.knx", link);
    EXPECT_EQ(FailedSave([&] { Sim.SaveToFile(); }), "Could not save \"" + link.string() + "\": Folder \"" +
                                                         (Folder / "missing").string() + "\" not found");
    EXPECT_EQ(fs::read_symlink(link), "missing/new.knx");
}

TEST_F(SaveSafety, SavesKilledWhileWritingLeaveOneTemporaryFileThatTheNextSaveTakesOver) {
    // Each child is killed halfway through its save, as kill -9 would end the program.
    for (int round = 0; round < 3; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            WriteFileAtomically(Target.string(), [](std::ostream& out) {
                out << "half a setup" << std::flush;
                raise(SIGKILL);
            });
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
    }
    EXPECT_EQ(ReadBytes(Target), OldContents);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"orbit.knx", "orbit.knx.~tmp"}));
    Sim.SaveToFile();
    EXPECT_EQ(ReadBytes(Target), Saved());
    EXPECT_EQ(Entries(), std::vector<std::string>{"orbit.knx"});
}

// A file whose disk is full after `limit` bytes, as the writer's stream factory makes it.
class TFullDiskFile : public std::ostream {
public:
    TFullDiskFile(const std::string& name, std::streamsize limit)
        : std::ostream(nullptr), Disk(&File, limit) {
        File.open(name, std::ios::out | std::ios::binary | std::ios::trunc);
        rdbuf(&Disk);
    }

private:
    std::filebuf File;
    TFullDisk Disk;
};

TEST_F(SaveSafety, BytesGivenToTheWriterReplaceTheFileOnlyWhenAllOfThemGotThrough) {
    const std::string image(5000, 'x');
    for (const std::streamsize limit : {std::streamsize(0), std::streamsize(4096), std::streamsize(4999)}) {
        const std::string message = FailedSave([&] {
            WriteFileAtomically(Target.string(), image, [limit](const std::string& name) {
                return std::make_unique<TFullDiskFile>(name, limit);
            });
        });
        EXPECT_EQ(message, "Could not save \"" + Target.string() + "\": Write error");
        ExpectOldFileKept("after " + std::to_string(limit) + " bytes");
    }
    WriteFileAtomically(Target.string(), image,
                        [](const std::string& name) { return std::make_unique<TFullDiskFile>(name, 5000); });
    EXPECT_EQ(ReadBytes(Target), image);
    EXPECT_EQ(Entries(), std::vector<std::string>{"orbit.knx"});
}

TEST_F(SaveSafety, ASetupThatWouldNotLoadBackIsNotSaved) {
    // Touching exactly: 0.1 + 0.2 apart with radii 0.1 and 0.2. Written with 15 digits the
    // distance becomes 0.3, less than the sum of the radii, and the reader would refuse the file.
    TSimData sim;
    sim.SetDimensions(1);
    sim.Clear();
    for (const auto& [name, x, radius] :
         {std::tuple<const char*, double, double>{"A", 0, 0.1}, {"B", 0.1 + 0.2, 0.2}}) {
        auto p = std::make_unique<TParticle>(name, 1);
        p->Mass = 1;
        p->SetRadius(radius);
        p->InitialPosition[0] = x;
        sim.Particles.AddParticle(std::move(p));
    }
    sim.FileName = Target.string();
    EXPECT_EQ(FailedSave([&] { sim.SaveToFile(); }),
              "Could not save \"" + Target.string() +
                  "\": with its numbers written to 15 digits the setup would not load back: Overlap with A.");
    ExpectOldFileKept("a setup that would not load back");
    // Moved apart by one unit of the 15th digit it saves and loads.
    sim.Particles.Particles(1).InitialPosition[0] = 0.300000000000001;
    sim.SaveToFile();
    TSimData back;
    back.FileName = Target.string();
    back.LoadFromFile();
    EXPECT_EQ(back.Particles.Count(), 2);
}

TEST_F(SaveSafety, TheLoadBackCheckReadsTheFrameAsAnOpenDoes) {
    // A frame section the frame's reader refuses (an origin that is no number) is found before
    // the file is replaced, as a wrong particle would be.
    Frame.OwnOrigin()[0] = std::numeric_limits<double>::quiet_NaN();
    const std::string message = FailedSave([&] { Sim.SaveToFile(); });
    EXPECT_EQ(message.rfind("Could not save \"" + Target.string() +
                                "\": with its numbers written to 15 digits the setup would not load back: ",
                            0),
              0u)
        << message;
    ExpectOldFileKept("a frame that would not load back");
}

TEST_F(SaveSafety, TheLargestDoublesAreWrittenSoThatTheyReadBack) {
    // Rounded to 15 digits they would read back beyond the range of a double.
    const double largest = std::numeric_limits<double>::max();
    EXPECT_EQ(TSetupWriter::Real(largest), "1.79769313486231E308");
    EXPECT_EQ(TSetupWriter::Real(-largest), "-1.79769313486231E308");
    EXPECT_EQ(TSetupWriter::Real(1.79769313486231E308), "1.79769313486231E308");
    EXPECT_EQ(TSetupWriter::Real(1.7976931348623E308), "1.7976931348623E308");
    Frame.SetScale(largest);
    Frame.OwnOrigin()[1] = -largest;
    Sim.Particles.Particles(0).Mass = -largest;
    Sim.Particles.Particles(1).InitialPosition[0] = largest;
    Sim.SaveToFile();
    TFramedSim backSetup;
    TSimData& back = backSetup.Sim();
    TScreenFrame& backFrame = backSetup.Frame();
    back.FileName = Target.string();
    back.LoadFromFile();
    EXPECT_EQ(backFrame.Scale(), 1.79769313486231E308);
    EXPECT_EQ(back.Particles.Particles(0).Mass, -1.79769313486231E308);
    EXPECT_EQ(back.Particles.Particles(1).InitialPosition[0], 1.79769313486231E308);
    EXPECT_EQ(backFrame.OwnOrigin()[1], -1.79769313486231E308);
}

}  // namespace
}  // namespace kinetra
