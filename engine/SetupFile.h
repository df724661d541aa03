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
#include <string>
#include <string_view>

namespace kinetra {

class TSetupReader {
public:
    explicit TSetupReader(std::istream& in);
    // One number token (the position stays right after it).
    double ReadReal();
    // One number token that must be a whole number (optional sign, decimal digits) within
    // 32 bits.
    int ReadInteger();
    // Skips the rest of the current line, line end included.
    void ReadLn();
    // The rest of the current line without its line end (a whole-line item when the position
    // is at the start of a line).
    std::string ReadLine();
    // True at the end of the file.
    bool Eof();
    // The 1-based number of the line that holds the last item read (a number token, a whole
    // line, or where a number was expected); 1 before anything was read. This is the place a
    // failed load names.
    int Line() const { return FItemLine; }

private:
    int Get();
    std::string ReadToken();
    std::istream& In;
    int FLine = 1;      // line of the reading position
    int FItemLine = 1;  // line of the last item
};

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

// Writes `fileName` so that it either holds everything `write` produced or stays as it was: the
// text goes to a temporary file in the same folder, which replaces the target only after it was
// written, flushed and closed without error. On any failure the temporary file is removed and
// EInOutError names the file and the reason.
void WriteFileAtomically(const std::string& fileName, const std::function<void(std::ostream&)>& write);

// Loads `text` into a scratch simulation (without frame hooks); EKNError naming the reason
// when it does not load, so that a save never replaces a file by one that cannot be opened.
void CheckSetupLoadsBack(const std::string& text);

// Opens `fileName` for reading; EInOutError "File not found" (or the system's reason) when it
// cannot be opened.
void OpenForReading(std::ifstream& in, const std::string& fileName);

}  // namespace kinetra
