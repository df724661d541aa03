// Runs kinetra-batch as a separate process and collects its exit status and both output
// streams, and splits its CSV output.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace kinetra::test {

struct TBatchResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

inline std::string ShellQuote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted.push_back(c);
    }
    return quoted + "'";
}

inline std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh folder under the system's temporary folder, removed with the object.
class TTempFolder {
public:
    TTempFolder() {
        std::random_device random;
        Path = std::filesystem::temp_directory_path() /
               ("kinetra_batch_" + std::to_string(random()) + "_" + std::to_string(random()));
        std::filesystem::create_directories(Path);
    }
    ~TTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;
    std::filesystem::path Path;
};

// Runs kinetra-batch with `args`; its stdout goes to `stdoutTarget` when one is given (such as
// /dev/full), and is then not collected. `shellPrefix` runs before it in the same shell (limits).
inline TBatchResult RunBatch(const std::vector<std::string>& args, const std::string& stdoutTarget = "",
                             const std::string& shellPrefix = "") {
    TTempFolder folder;
    std::string command = shellPrefix + ShellQuote(KINETRA_BATCH);
    for (const std::string& arg : args) command += " " + ShellQuote(arg);
    command += " >" + ShellQuote(stdoutTarget.empty() ? (folder.Path / "out").string() : stdoutTarget) +
               " 2>" + ShellQuote((folder.Path / "err").string());
    const int status = std::system(command.c_str());
    TBatchResult result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = ReadWhole(folder.Path / "out");
    result.Err = ReadWhole(folder.Path / "err");
    return result;
}

inline std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

// The CSV records of a run: the header's fields, then one row of fields per record.
struct TCsv {
    std::vector<std::string> Header;
    std::vector<std::vector<std::string>> Rows;
    // The field of a row by its column name, read back to the exact double.
    double Value(size_t row, const std::string& column) const {
        for (size_t c = 0; c < Header.size(); ++c)
            if (Header[c] == column) return std::strtod(Rows.at(row).at(c).c_str(), nullptr);
        throw std::out_of_range("no column " + column);
    }
};

inline TCsv ParseCsv(const std::string& text) {
    TCsv csv;
    const std::vector<std::string> lines = Split(text, '\n');
    if (lines.empty()) return csv;
    csv.Header = Split(lines[0], ',');
    for (size_t i = 1; i < lines.size(); ++i) csv.Rows.push_back(Split(lines[i], ','));
    return csv;
}

}  // namespace kinetra::test
