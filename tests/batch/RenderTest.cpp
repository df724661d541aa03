// kinetra-batch render through the process: the three video formats as a player's decoder
// reads them, PNG sequences that are the same bytes run after run, and every failure a clear
// error that leaves no file (nor a temporary one) behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "BatchProcess.h"

namespace kinetra::test {
namespace {

namespace fs = std::filesystem;

#ifndef KINETRA_RENDER
// A kinetra-batch built without the window's drawing has no render command.
#define TEST(suite, name) TEST_NO_RENDER(suite, name)
#define TEST_NO_RENDER(suite, name) GTEST_TEST(suite, DISABLED_##name)
#endif

const std::string FigureEight = std::string(KINETRA_EXAMPLES) + "/FigureEight.knx";

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// ffprobe's view of the first video stream: "codec,width,height,frames"; empty without ffprobe.
std::string Probe(const fs::path& file) {
    if (std::system("command -v ffprobe >/dev/null 2>&1") != 0) return {};
    const std::string command =
        "ffprobe -v error -select_streams v:0 -count_frames -show_entries "
        "stream=codec_name,width,height,nb_read_frames -of csv=p=0 " +
        ShellQuote(file.string());
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
        pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

TEST(BatchRender, WritesEachVideoFormatWithOnePictureEveryKSteps) {
    TTempFolder folder;
    const struct {
        const char* Name;
        const char* Probe;
    } cases[] = {
        {"out.mp4", "h264,320,240,150"}, {"out.webm", "vp9,320,240,150"}, {"out.gif", "gif,320,240,150"}};
    for (const auto& c : cases) {
        const fs::path out = folder.Path / c.Name;
        const TBatchResult r = RunBatch(
            {"render", FigureEight, out.string(), "--steps", "300", "--every", "2", "--size", "320x240"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(r.Out, "wrote 150 frames of 300 steps to " + out.string() + "\n");
        const std::string probed = Probe(out);
        if (!probed.empty()) {
            EXPECT_EQ(probed, c.Probe) << c.Name;
        }
    }
    EXPECT_EQ(FilesIn(folder.Path), (std::vector<std::string>{"out.gif", "out.mp4", "out.webm"}));
}

TEST(BatchRender, PngSequencesAreTheSameBytesRunAfterRun) {
    TTempFolder folder;
    std::vector<std::string> runs[2];
    for (int run = 0; run < 2; ++run) {
        const fs::path sub = folder.Path / std::to_string(run);
        fs::create_directories(sub);
        const TBatchResult r =
            RunBatch({"render", FigureEight, (sub / "f_%03d.png").string(), "--steps", "40", "--every", "10",
                      "--size", "200x150", "--trails", "all", "--com", "--velocities"});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(FilesIn(sub),
                  (std::vector<std::string>{"f_000.png", "f_001.png", "f_002.png", "f_003.png"}));
        for (const std::string& name : FilesIn(sub)) runs[run].push_back(ReadWhole(sub / name));
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_NE(runs[0][0], runs[0][3]);
}

TEST(BatchRender, FailuresAreClearAndLeaveNoFile) {
    TTempFolder folder;
    const std::string out = (folder.Path / "out.mp4").string();
    const struct {
        std::vector<std::string> Args;
        int Exit;
        std::string Message;
    } cases[] = {
        {{"render", FigureEight, out}, 2, "error: render needs --steps N or --until T"},
        {{"render", FigureEight, (folder.Path / "out.avi").string(), "--steps", "3"},
         2,
         "error: OUT must end in"},
        {{"render", FigureEight, out, "--steps", "3", "--size", "3x2"},
         2,
         "error: --size needs WIDTHxHEIGHT"},
        {{"render", FigureEight, out, "--steps", "3", "--fps", "0"}, 2, "error: --fps needs a whole number"},
        {{"render", FigureEight, out, "--steps", "3", "--trails", "some"}, 2, "error: --trails takes none"},
        {{"render", FigureEight, out, "--steps", "3", "--size", "321x240"},
         1,
         "error: MP4 and WebM need an even width and height"},
        {{"render", FigureEight, (folder.Path / "x_%s.png").string(), "--steps", "3"},
         1,
         "error: \"" + (folder.Path / "x_%s.png").string() + "\": a frame number pattern is one %d or %0Nd"},
        {{"render", FigureEight, (folder.Path / "none" / "x.gif").string(), "--steps", "3"},
         1,
         "error: Could not save"},
        // A folder where nobody may create files, root included.
        {{"render", FigureEight, "/sys/kinetra-render.webm", "--steps", "3"},
         1,
         "error: Could not save \"/sys/kinetra-render.webm\": "},
    };
    for (const auto& c : cases) {
        const TBatchResult r = RunBatch(c.Args);
        EXPECT_EQ(r.ExitCode, c.Exit) << c.Args[2] << r.Err;
        EXPECT_EQ(r.Err.rfind(c.Message, 0), 0u) << r.Err;
        EXPECT_TRUE(r.Out.empty());
    }
    // A full disk, as a file size limit: the write fails, the temporary file goes.
    const std::string command = "trap '' XFSZ; ulimit -f 64; exec " + ShellQuote(KINETRA_BATCH) + " render " +
                                ShellQuote(FigureEight) + " " + ShellQuote(out) +
                                " --steps 100 --size 320x240 2>" + ShellQuote((folder.Path / "err").string());
    const int status = std::system(("sh -c " + ShellQuote(command)).c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadWhole(folder.Path / "err"), "error: Could not save \"" + out + "\": File too large\n");
    fs::remove(folder.Path / "err");
    EXPECT_TRUE(FilesIn(folder.Path).empty());
}

// A collision ends the animation there: the pictures before it are kept and the exit status
// says why.
TEST(BatchRender, CollisionEndsTheAnimationWithThePicturesSoFar) {
    TTempFolder folder;
    const fs::path out = folder.Path / "c.png";
    const TBatchResult r = RunBatch({"render", std::string(KINETRA_TEST_DATA) + "/Collision.knx",
                                     out.string(), "--steps", "100000", "--size", "64x64", "--collisions"});
    EXPECT_EQ(r.ExitCode, 4) << r.Err;
    EXPECT_EQ(r.Err.rfind("Collision between", 0), 0u) << r.Err;
    EXPECT_FALSE(FilesIn(folder.Path).empty());
}

}  // namespace
}  // namespace kinetra::test
