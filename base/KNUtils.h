// Shared helpers of the core: the exception hierarchy, the general number format and the
// strict, locale-independent reading of decimal numbers.
#pragma once

#include <cfenv>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace kinetra {

// Root of every error the program raises itself; the message is exactly what the user sees.
// An error raised while a setup file was read also carries the place where reading stopped:
// the file's name (empty when the setup came from a stream), the 1-based line number of the
// item being read (0: no place, e.g. when the file could not be opened), what that item is
// ("mass of particle \"Sun\"") and the text found there, quoted ("\"abc\"", or "end of file").
class EKinetraError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    const std::string& FileName() const { return FFileName; }
    int Line() const { return FLine; }
    const std::string& Item() const { return FItem; }
    const std::string& Found() const { return FFound; }
    void SetLine(int line) { FLine = line; }
    void SetFileName(std::string fileName) { FFileName = std::move(fileName); }
    void SetItem(std::string item, std::string found) {
        FItem = std::move(item);
        FFound = std::move(found);
    }

private:
    std::string FFileName;
    int FLine = 0;
    std::string FItem;
    std::string FFound;
};

// The program's own validation errors (model, file reader, frame, step driver).
class EKNError : public EKinetraError {
public:
    using EKinetraError::EKinetraError;
};

// A text that is not a number ("'%s' is not a valid floating point value", ...).
class EConvertError : public EKinetraError {
public:
    using EKinetraError::EKinetraError;
};

// File and numeric input errors ("Invalid numeric input", "File not found", ...).
class EInOutError : public EKinetraError {
public:
    using EKinetraError::EKinetraError;
};

// Floating-point overflow, division by zero, invalid operation.
class EMathError : public EKinetraError {
public:
    using EKinetraError::EKinetraError;
};

// The silent abort: ends a computation without any message box.
class EAbort : public EKinetraError {
public:
    using EKinetraError::EKinetraError;
};

// Message texts shared by several units.
inline constexpr const char* MsgOverflow = "Floating point overflow";
inline constexpr const char* MsgZeroDivide = "Floating point division by zero";
inline constexpr const char* MsgInvalidOperation = "Invalid floating point operation";
inline constexpr const char* MsgCoordinateOutOfRange = "Coordinate out of range";

// Clears every floating-point exception flag, as std::feclearexcept(FE_ALL_EXCEPT) does. On
// x86-64 the library call stores and reloads the whole x87 environment, which costs as much as
// a small setup's computation cycle; the step clears the flags once per step.
inline void ClearFloatFlags() {
#if defined(__x86_64__) && defined(__GNUC__)
    unsigned csr = 0;
    asm volatile("stmxcsr %0" : "=m"(csr) : : "memory");
    csr &= ~0x3Fu;
    asm volatile("ldmxcsr %0\n\tfnclex" : : "m"(csr) : "memory");
#else
    std::feclearexcept(FE_ALL_EXCEPT);
#endif
}

// Watches one computation outside the step driver (an energy, say) whose result must be a
// number. Construction saves the caller's floating-point exception flags and clears them. Check
// passes a finite result (an intermediate overflow that vanished, as in 1 / (d * d) for a huge
// d, does not spoil it) and raises EMathError for any other, named after the flag that explains
// it: "Floating point division by zero", then "Floating point overflow", then "Invalid floating
// point operation"; without a flag (infinite or NaN operands) an infinite result is an overflow
// and a NaN an invalid operation. The destructor puts the caller's flags back, so that a step
// driver's own test of the flags sees nothing of this computation.
class TFloatCheck {
public:
    TFloatCheck();
    ~TFloatCheck();
    TFloatCheck(const TFloatCheck&) = delete;
    TFloatCheck& operator=(const TFloatCheck&) = delete;
    double Check(double result) const;

private:
    std::fexcept_t Saved{};
};

// Whether the last part of `path` (after the last "/") holds a ".": "a.knx", "a." and ".knx"
// have an extension, "a" and "d.x/a" have none.
bool HasFileExtension(std::string_view path);

// The general number format: `value` rounded to `digits` significant digits, plain notation
// when 1E-4 <= |rounded| < 10^digits (or 0), scientific otherwise ("1.2346E5", "2.5E-7"),
// no trailing zeros, "." as the decimal point whatever the locale.
std::string FormatGeneral(double value, int digits = 15);

// The 15-digit general format of the numbers that are read back (the setup file, vector texts):
// FormatGeneral(value, 15), except that the few doubles that 15 digits would round beyond the
// largest double are written as the largest 15-digit value below it, so that every text reads
// back.
std::string FormatStored(double value);

// Fixed notation with `decimals` digits after the point ("%.2f" of the C locale).
std::string FormatFixed(double value, int decimals);

// Printf "%.17g" in the C locale, for machine-readable output.
std::string FormatRoundTrip(double value);

// A complete decimal number: optional sign, digits with an optional point (at least one digit
// in all), an optional exponent of "E"/"e", an optional sign and at least one digit.
// Nothing else is accepted: no blanks, "inf", "nan", hexadecimal or commas.
bool IsDecimalNumber(std::string_view text);

enum class TParseResult { Ok, Invalid, Overflow };

// Reads a complete decimal number (IsDecimalNumber). A value beyond the range of a double
// gives Overflow; a value too small to represent reads as a (signed) zero or a subnormal.
TParseResult ParseDecimal(std::string_view text, double& value);

// Whole-text integer conversion ("'%s' is not a valid integer value" on failure): optional
// blanks around, optional sign, decimal digits, within the 32-bit range.
int StrToInt(const std::string& text);

// Removes leading and trailing blanks and control characters (code <= 32).
std::string_view Trim(std::string_view text);

// The substituted message "fmt" with every "%s" replaced by `arg` in turn; a NUL character of
// an argument appears as "?", so that the message survives being passed on as a C string.
std::string Format(std::string_view fmt, std::string_view arg);
std::string Format(std::string_view fmt, std::string_view arg1, std::string_view arg2);

}  // namespace kinetra
