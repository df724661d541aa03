// What kinetra-batch writes: standard output whose failures are errors, and the progress line
// on a terminal.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/KNUtils.h"
#include "batch/BatchCommon.h"

namespace kinetra::batch {

namespace {

// The reason of the first failed write to stdout (an errno value), 0 while all went well.
int OutputError = 0;

void NoteOutputError() {
    if (OutputError == 0) OutputError = errno != 0 ? errno : EIO;
}

TProgress* ShownProgress = nullptr;

double Seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

constexpr double FirstShown = 1.0;  // seconds after the start
constexpr double Interval = 0.25;

}  // namespace

std::string TreeNote(double theta) {
    return "forces tree " + FormatGeneral(theta, 15) +
           " (approximate: forces and potential energy from a tree of cells, not the exact sum)";
}

void Print(std::FILE* stream, std::string_view text) {
    if (ShownProgress && (stream == stderr || isatty(fileno(stream)))) ShownProgress->Clear();
    if (stream != stdout) {
        std::fwrite(text.data(), 1, text.size(), stream);
        return;
    }
    if (OutputError != 0) throw EOutputFailed{};
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::ferror(stdout)) {
        NoteOutputError();
        throw EOutputFailed{};
    }
}

void FlushOutputQuietly() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) NoteOutputError();
}

void FlushOutput() {
    FlushOutputQuietly();
    if (OutputError != 0) throw EOutputFailed{};
}

int FinishOutput(int code) {
    FlushOutputQuietly();
    if (OutputError == 0) return code;
    Print(stderr, std::string("error: could not write the output: ") + std::strerror(OutputError) + "\n");
    return ExitFailed;
}

TProgress::TProgress() : Active(isatty(STDERR_FILENO) == 1), Started(Seconds()) {}

TProgress::~TProgress() {
    Clear();
}

bool TProgress::Due() {
    if (!Active) return false;
    const double now = Seconds();
    if (now - Started < FirstShown || now - Last < Interval) return false;
    Last = now;
    return true;
}

void TProgress::Show(const std::string& text) {
    if (!Active) return;
    // Carriage return, the text, then erase the rest of the line.
    const std::string line = "\r" + text + "\x1b[K";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    Shown = true;
    ShownProgress = this;
}

void TProgress::Clear() {
    if (ShownProgress == this) ShownProgress = nullptr;
    if (!Shown) return;
    std::fwrite("\r\x1b[K", 1, 4, stderr);
    std::fflush(stderr);
    Shown = false;
}

}  // namespace kinetra::batch
