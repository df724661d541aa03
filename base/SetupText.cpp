// The text of a setup file: the token reader and line writer that every section routine uses,
// and the atomic file replacement.
#include "base/SetupText.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <memory>
#include <new>
#include <ostream>
#include <sstream>
#include <system_error>

#include "base/KNConst.h"
#include "base/KNUtils.h"

namespace kinetra {

namespace {

constexpr const char* MsgInvalidNumericInput = "Invalid numeric input";
constexpr const char* EndOfFileText = "end of file";
// The longest text a failed load quotes from the file.
constexpr std::size_t QuotedLength = 60;

bool IsTokenSpace(int c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string SystemReason(int error) {
    if (error == ENOENT) return "File not found";
    if (error == 0) return "Input/output error";
    return std::strerror(error);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TSetupReader

TSetupReader::TSetupReader(std::istream& in) : In(in) {}

// Every character is taken through Get, which counts the line ends.
int TSetupReader::Get() {
    const int c = In.get();
    if (c == '\n') ++FLine;
    return c;
}

// Reads the next token as text; the position stays right after it, so that ReadLn can skip
// whatever follows on the same line.
std::string TSetupReader::ReadToken(std::string_view item) {
    int c = In.peek();
    while (c != std::char_traits<char>::eof() && IsTokenSpace(c)) {
        Get();
        c = In.peek();
    }
    const int line = FLine;
    std::string token;
    while (c != std::char_traits<char>::eof() && !IsTokenSpace(c)) {
        token.push_back(static_cast<char>(Get()));
        c = In.peek();
    }
    FPlace.Line = line;
    Note(item, token, token.empty());
    // A number expected where the file has ended is as wrong as a bad one.
    if (token.empty()) throw EInOutError(MsgInvalidNumericInput);
    return token;
}

void TSetupReader::Note(std::string_view item, std::string_view text, bool atEnd) {
    FPlace.Item.assign(item);
    FPlace.Found = atEnd ? std::string(EndOfFileText) : QuotedForMessage(text);
}

double TSetupReader::ReadReal(std::string_view item) {
    const std::string token = ReadToken(item);
    double value = 0;
    switch (ParseDecimal(token, value)) {
        case TParseResult::Ok:
            return value;
        case TParseResult::Overflow:
            throw EMathError(MsgOverflow);
        case TParseResult::Invalid:
            break;
    }
    throw EInOutError(MsgInvalidNumericInput);
}

int TSetupReader::ReadInteger(std::string_view item) {
    const std::string token = ReadToken(item);
    std::string_view digits = token;
    bool negative = false;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) throw EInOutError(MsgInvalidNumericInput);
    long long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') throw EInOutError(MsgInvalidNumericInput);
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) throw EInOutError(MsgInvalidNumericInput);
    }
    if (negative) value = -value;
    if (value > 2147483647LL) throw EInOutError(MsgInvalidNumericInput);
    return static_cast<int>(value);
}

void TSetupReader::ReadLn() {
    int c = Get();
    while (c != std::char_traits<char>::eof() && c != '\n') c = Get();
}

std::string TSetupReader::ReadLine(std::string_view item) {
    FPlace.Line = FLine;
    const bool atEnd = Eof();
    std::string line;
    int c = Get();
    while (c != std::char_traits<char>::eof() && c != '\n') {
        line.push_back(static_cast<char>(c));
        c = Get();
    }
    // CR LF and LF are both line ends; a CR inside a line is text.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Note(item, line, atEnd);
    return line;
}

bool TSetupReader::Eof() {
    return In.peek() == std::char_traits<char>::eof();
}

std::string QuotedForMessage(std::string_view text) {
    const bool cut = text.size() > QuotedLength;
    std::size_t length = std::min(text.size(), QuotedLength);
    // Not inside a character of several bytes (UTF-8 continuation bytes are 10xxxxxx).
    for (int back = 0;
         cut && back < 3 && length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80; ++back)
        --length;
    std::string quoted = "\"";
    for (const char c : text.substr(0, length)) {
        const auto byte = static_cast<unsigned char>(c);
        quoted.push_back(byte < 0x20 || byte == 0x7F ? '?' : c);
    }
    quoted += cut ? "...\"" : "\"";
    return quoted;
}

std::string FailurePlace(const EKinetraError& error) {
    if (error.Line() <= 0) return error.FileName().empty() ? std::string() : "in " + error.FileName();
    std::string place = error.FileName().empty() ? std::string() : "in " + error.FileName() + ", ";
    place += "line " + std::to_string(error.Line());
    if (!error.Item().empty()) place += ", " + error.Item() + ": " + error.Found();
    return place;
}

// ---------------------------------------------------------------------------------------------
// TSetupWriter

TSetupWriter::TSetupWriter(std::ostream& out) : Out(out) {}

void TSetupWriter::Write(std::string_view text) {
    Out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void TSetupWriter::WriteLine(std::string_view text) {
    Write(text);
    Out.write("\r\n", 2);
}

std::string TSetupWriter::Real(double value) {
    return FormatStored(value);
}

// ---------------------------------------------------------------------------------------------
// Files

void OpenForReading(std::ifstream& in, const std::string& fileName) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // A folder opens as a stream on some systems and then reads as nothing.
    if (fs::is_directory(fs::path(fileName), ec)) throw EInOutError(SystemReason(EISDIR));
    errno = 0;
    in.open(fileName, std::ios::in | std::ios::binary);
    if (!in.is_open()) throw EInOutError(SystemReason(errno == 0 ? ENOENT : errno));
}

namespace {
// A failure that already names the file.
class ESaveFailure : public EInOutError {
public:
    using EInOutError::EInOutError;
};

// Links are followed at most this often, as the system itself does, so that a loop of links ends.
constexpr int MaxLinkHops = 40;

// The file that writing `target` reaches: a symbolic link is followed to the file it names, even
// when that file does not exist yet, so that saving through a link never replaces the link itself.
std::filesystem::path FollowLinks(std::filesystem::path target,
                                  const std::function<void(const std::string&)>& fail) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(fs::symlink_status(target, ec)); ++hops) {
        if (hops == MaxLinkHops) fail(std::strerror(ELOOP));
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) fail(ec.message());
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

std::unique_ptr<std::ostream> OpenFileStream(const std::string& fileName) {
    auto out = std::make_unique<std::ofstream>(fileName, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out->is_open()) return nullptr;
    return out;
}

// Waits until the system has the file's bytes on the disk; a disk that fills up only as the
// cached bytes are written out says so here. The folder follows, so that the rename lasts too.
int SyncToDisk(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}
}  // namespace

std::string TemporaryFileName(const std::string& fileName) {
    return fileName + ".~tmp";
}

void WriteFileAtomically(const std::string& fileName, const std::function<void(std::ostream&)>& write,
                         const TFileStreamFactory& open) {
    namespace fs = std::filesystem;
    const auto fail = [&](const std::string& reason) -> void {
        throw ESaveFailure("Could not save \"" + fileName + "\": " + reason);
    };

    const fs::path target = FollowLinks(fs::path(fileName), fail);
    std::error_code ec;
    // The rename below would replace whatever has the name: a named pipe, a device or a folder
    // is no file to save over.
    const fs::file_status existing = fs::status(target, ec);
    if (!ec && fs::exists(existing) && !fs::is_regular_file(existing)) fail("Not a regular file");
    // The rename below replaces a file whatever its own access rights; a file the user may not
    // write must keep its contents, as it would when overwritten in place. Opening it for
    // appending changes nothing in it.
    if (fs::is_regular_file(existing)) {
        errno = 0;
        std::ofstream probe(target, std::ios::out | std::ios::app | std::ios::binary);
        if (!probe.is_open()) fail(SystemReason(errno == 0 ? EACCES : errno));
    }

    // One name of our own beside the target, so that the final rename stays within one file
    // system. It is the same name every time: what an interrupted save left there (the program
    // killed while writing) is taken over by the next save, and nothing piles up. A link or a
    // folder of that name is nobody's data of ours to write through.
    const fs::path temp = TemporaryFileName(target.string());
    const fs::file_status leftover = fs::symlink_status(temp, ec);
    if (!ec && fs::exists(leftover)) {
        if (fs::is_directory(leftover)) fail("\"" + temp.string() + "\" is a folder");
        fs::remove(temp, ec);
    }

    bool created = false;
    try {
        errno = 0;
        std::unique_ptr<std::ostream> out = open ? open(temp.string()) : OpenFileStream(temp.string());
        if (!out) {
            const int error = errno == 0 ? EACCES : errno;
            // A file being created is only "not found" when its folder is missing.
            const fs::path folder = fs::absolute(target, ec).parent_path();
            if (error == ENOENT && !fs::is_directory(folder, ec))
                fail("Folder \"" + folder.string() + "\" not found");
            fail(SystemReason(error));
        }
        created = true;
        errno = 0;
        write(*out);
        out->flush();
        const auto writeError = [] {
            return errno == ENOSPC || errno == EDQUOT || errno == EIO ? std::strerror(errno)
                                                                      : std::string("Write error");
        };
        if (!*out) fail(writeError());
        if (auto* file = dynamic_cast<std::ofstream*>(out.get())) {
            file->close();
            if (file->fail()) fail(writeError());
        }
        out.reset();
        if (const int error = SyncToDisk(temp); error != 0) fail(std::strerror(error));

        // The replacement keeps the access rights the user gave the old file.
        if (fs::is_regular_file(existing)) fs::permissions(temp, existing.permissions(), ec);
        fs::rename(temp, target, ec);
        if (ec) fail(ec.message());
        SyncToDisk(fs::absolute(target, ec).parent_path());
    } catch (const ESaveFailure&) {
        if (created) fs::remove(temp, ec);
        throw;
    } catch (const std::bad_alloc&) {
        if (created) fs::remove(temp, ec);
        fail("Out of memory");
    } catch (const std::exception& e) {
        if (created) fs::remove(temp, ec);
        fail(e.what());
    } catch (...) {
        if (created) fs::remove(temp, ec);
        throw;
    }
}

void WriteFileAtomically(const std::string& fileName, std::string_view bytes,
                         const TFileStreamFactory& open) {
    WriteFileAtomically(
        fileName,
        [bytes](std::ostream& out) { out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); },
        open);
}

}  // namespace kinetra
