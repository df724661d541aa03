// The setup file (".knx"): plain 8-bit text, lines ending in CR LF (LF alone is accepted when
// reading). TSetupReader and TSetupWriter are the only way the section routines of the
// simulation, the particles, the force model and the frame touch the file.
//
// Reading rules: a number item is a token: blanks, tabs and line ends before it are skipped,
// the token ends at the next blank, tab or line end and must be a complete decimal number
// ("Invalid numeric input" otherwise, also when the file has ended; "Floating point overflow"
// beyond the range of a double). After the last item of a line the rest of the line is skipped
// (ReadLn). Whole-line items take the complete next line without its line end (empty at the
// end of the file).
//
// Writing: numbers have 15 significant digits, so a setup whose particles are placed closer
// than that (touching within the last digits, say) could be written but not read back; the
// save checks the text by loading it and refuses such a setup, keeping the old file.
#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "base/KNUtils.h"

namespace kinetra {

class TSetupReader {
public:
    // Where reading is, for the message of a failed load: the line of the item being read, what
    // the item is (as its reader named it) and the text found there, quoted.
    struct TPlace {
        int Line = 1;
        std::string Item;
        std::string Found;
    };

    explicit TSetupReader(std::istream& in);
    // One number token (the position stays right after it). `item` names what is read.
    double ReadReal(std::string_view item = {});
    // One number token that must be a whole number (optional sign, decimal digits) within
    // 32 bits.
    int ReadInteger(std::string_view item = {});
    // Skips the rest of the current line, line end included.
    void ReadLn();
    // The rest of the current line without its line end (a whole-line item when the position
    // is at the start of a line).
    std::string ReadLine(std::string_view item = {});
    // True at the end of the file.
    bool Eof();
    // The place a failed load names: the last item read (a number token, a whole line, or where
    // a number was expected; line 1 before anything was read), unless a section routine went
    // back to an earlier item whose value turned out wrong only later.
    const TPlace& Place() const { return FPlace; }
    int Line() const { return FPlace.Line; }
    // Remembers the last item read, so that a check made after further items (the overlap of a
    // particle, found once its whole block is read) can name it: ReturnToMark makes it the place
    // again.
    void Mark() { FMark = FPlace; }
    void ReturnToMark() { FPlace = FMark; }

private:
    int Get();
    std::string ReadToken(std::string_view item);
    void Note(std::string_view item, std::string_view text, bool atEnd);
    std::istream& In;
    int FLine = 1;  // line of the reading position
    TPlace FPlace;
    TPlace FMark;
};

// `text` as a failed load shows it: in double quotes, control characters as "?", a long text cut
// after 60 characters with "..." (the file may hold megabyte lines and NUL bytes).
std::string QuotedForMessage(std::string_view text);

// Where a failed load stopped, for the line under its message: "in FILE, line 8, mass of
// particle "Sun": "abc"" (without "in FILE" when the setup came from a stream); empty when the
// error carries no place.
std::string FailurePlace(const EKinetraError& error);

class TSetupWriter {
public:
    explicit TSetupWriter(std::ostream& out);
    // Text without a line end.
    void Write(std::string_view text);
    // Text followed by CR LF.
    void WriteLine(std::string_view text = {});
    // A real in the 15-digit general number format (FormatStored: the largest doubles are
    // written so that they read back).
    static std::string Real(double value);

private:
    std::ostream& Out;
};

// Opens the stream the atomic writer writes the temporary file `tempName` through; null when the
// file cannot be created (errno tells why). The default is a std::ofstream; a test gives its own
// to meet a disk that fills up.
using TFileStreamFactory = std::function<std::unique_ptr<std::ostream>(const std::string& tempName)>;

// The one way the program writes a file (setups, images, tables, recordings): `fileName` either
// holds everything `write` produced or stays as it was. The bytes go to TemporaryFileName beside
// the target, which replaces the target only after it was written, flushed, closed and synced
// to the disk without error. On any failure the temporary file is removed and EInOutError says
// "Could not save "NAME": reason". A symbolic link is written through to the file it names (made
// when it does not exist), never replaced by a file. The old file's access rights are kept.
void WriteFileAtomically(const std::string& fileName, const std::function<void(std::ostream&)>& write,
                         const TFileStreamFactory& open = {});
void WriteFileAtomically(const std::string& fileName, std::string_view bytes,
                         const TFileStreamFactory& open = {});

// The one temporary name the writer uses beside `fileName` ("NAME.~tmp"): a save that was killed
// leaves at most this one file, and the next save of the same file takes it over.
std::string TemporaryFileName(const std::string& fileName);

// Opens `fileName` for reading; EInOutError "File not found" (or the system's reason) when it
// cannot be opened.
void OpenForReading(std::ifstream& in, const std::string& fileName);

}  // namespace kinetra
