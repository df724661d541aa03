// TParser: evaluates the arithmetic expressions typed into numeric fields: decimal numbers
// with exponents, + - * /, the power a^b (right-associative, binding tighter than unary minus:
// -2^2 is -4, 2^3^2 is 512), parentheses, unary minus, the predefined names PI, GN, E0, QE, AU,
// KM, DAY, YEAR, GMSUN, MSUN, MEARTH, ME and MP (KNConst.h), names assigned on the fly ("x = 7",
// "2 * y = 4 - 1"), and the functions sqrt, cbrt, exp, ln, log10, sin, cos, tan, arcsin, arccos,
// arctan, sinh, cosh, tanh and abs, written name(expression) (radians; a blank may stand before
// the "("). A function name followed by anything but "(" is an ordinary name. Names are case-sensitive and
// stay defined, with their last value, for the parser's life.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace kinetra {

enum TTokenKind : std::uint8_t {
    tkIdentifier,
    tkNumber,
    tkEnd,
    tkPlus,
    tkMinus,
    tkTimes,
    tkDivide,
    tkAssign,
    tkOpen,
    tkClose,
    tkPower  // "^"
};

struct TEntry {
    std::string Name;
    double Value = 0;
};

class TParser {
public:
    // Nesting of parentheses and unary minus deeper than this is refused
    // ("Expression too deeply nested").
    static constexpr int MaxNesting = 256;

    TParser();

    // The value of the text, or an exception with the message: EKinetraError for the syntax
    // messages ("No value", "%s is not a valid number", "Invalid token", "Unexpected token",
    // "'%s' unknown", "Missing ')'"), EMathError for "Zero denominator",
    // "Floating point overflow" and an argument outside a function's domain ("sqrt of a
    // negative number", "ln of a number that is not positive", "arcsin of a number outside
    // -1..1", ...) or of the power ("power of a negative number to a fractional exponent",
    // "power of zero to a negative exponent"). Assignments completed before an error stay defined.
    double Evaluate(const std::string& text);
    void Define(const std::string& name, double value);
    // The entry of that exact name, or nullptr.
    const TEntry* Find(const std::string& name) const;

private:
    void NextToken();
    double Expression();
    double Term();
    double Factor();
    // An operand with its optional "^" exponent, which is again a factor.
    double Power();
    double Primary();
    // Counts one level of "(", unary minus or assignment for the lifetime of the guard.
    class TNestingGuard;

    std::string Text;
    // Sizes of the text (not 32-bit) so that no length of text can wrap the position.
    std::size_t TextLength = 0;
    std::size_t Pos = 1;  // 1-based position of the next unread character
    TTokenKind Token = tkEnd;
    double NumberValue = 0;
    std::string Identifier;
    int Depth = 0;
    std::map<std::string, TEntry> Names;
};

}  // namespace kinetra
