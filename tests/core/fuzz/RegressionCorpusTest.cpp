// Replays the fuzz regression corpus (tests/fuzz/regression/<target>/) through the same entry
// points as the fuzz harnesses: every input that once crashed, hung or leaked a library text is
// handled soundly now.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzTargets.h"

namespace kinetra::fuzz {
namespace {

namespace fs = std::filesystem;

using TEntryPoint = std::function<std::string(const std::uint8_t*, std::size_t)>;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string Feed(const TEntryPoint& entry, const std::string& bytes) {
    return entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Every file of the target's corpus, in name order so that the parser sees the names defined
// by earlier inputs the same way on every run.
void Replay(const std::string& target, const TEntryPoint& entry) {
    const fs::path folder = fs::path(KINETRA_SOURCE_DIR) / "tests" / "fuzz" / "regression" / target;
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(folder))
        if (item.is_regular_file()) files.push_back(item.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << folder;
    for (const fs::path& file : files) EXPECT_EQ(Feed(entry, ReadBytes(file)), "") << file;
}

TEST(FuzzRegression, SetupFiles) {
    Replay("setup", FuzzSetupFile);
}

TEST(FuzzRegression, ParserTexts) {
    Replay("parser", FuzzParser);
}

TEST(FuzzRegression, VectorTexts) {
    Replay("vector", FuzzVector);
}

// The checks themselves: a replay that could not fail would prove nothing.
TEST(FuzzRegression, LibraryTextsInAMessageAreFindings) {
    EXPECT_EQ(CheckMessage("Invalid numeric input", "x"), "");
    EXPECT_NE(CheckMessage("stoi", "12"), "");
    EXPECT_NE(CheckMessage("basic_string::substr: __pos (which is 5) > this->size()", ""), "");
    EXPECT_NE(CheckMessage("vector::_M_range_check", ""), "");
    EXPECT_NE(CheckMessage("std::bad_alloc", ""), "");
    EXPECT_NE(CheckMessage("", "x"), "");
    // A message may quote the input that holds such a text.
    EXPECT_EQ(CheckMessage("'stoi' is not a valid integer value", "1\r\nstoi\r\n"), "");
}

}  // namespace
}  // namespace kinetra::fuzz
