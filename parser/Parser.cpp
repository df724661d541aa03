// Recursive descent over the grammar
//   expression = term { ("+" | "-") term }
//   term       = factor { ("*" | "/") factor }
//   factor     = "-" factor | power
//   power      = primary [ "^" factor ]
//   primary    = name [ "=" expression ] | function "(" expression ")" | number
//              | "(" expression ")"
// so that the power binds tighter than unary minus (-2^2 = -4) and groups to the right
// (2^3^2 = 2^9), and an exponent may carry its own sign (2^-1).
// with one token of look-ahead. A function name is only a function when "(" follows it; anywhere
// else it is an ordinary name, so "sqrt = 2" and then "sqrt*3" still mean what they always did. Evaluation
// stops at the end of the text or at a ")" that closes no "(", so whatever follows such a ")" is never read.
#include "parser/Parser.h"

#include <array>
#include <cmath>

#include "base/KNConst.h"
#include "base/KNUtils.h"

namespace kinetra {

namespace {

constexpr const char* MsgNoValue = "No value";
constexpr const char* MsgInvalidNumber = "%s is not a valid number";
constexpr const char* MsgInvalidToken = "Invalid token";
constexpr const char* MsgUnexpectedToken = "Unexpected token";
constexpr const char* MsgZeroDenominator = "Zero denominator";
constexpr const char* MsgUnknownName = "'%s' unknown";
constexpr const char* MsgMissingClose = "Missing ')'";
constexpr const char* MsgTooDeep = "Expression too deeply nested";
constexpr const char* MsgNegativeBase = "power of a negative number to a fractional exponent";
constexpr const char* MsgZeroBase = "power of zero to a negative exponent";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Characters that end a number token. "(" and "=" are deliberately not among them: "3(" or
// "3=" is one malformed number, not a number followed by another token.
bool EndsNumber(char c) {
    return c == ' ' || c == ')' || c == '*' || c == '+' || c == '-' || c == '/' || c == '^';
}

// The one-character tokens; tkEnd for every other character.
TTokenKind OperatorKind(char c) {
    switch (c) {
        case '(':
            return tkOpen;
        case ')':
            return tkClose;
        case '*':
            return tkTimes;
        case '+':
            return tkPlus;
        case '-':
            return tkMinus;
        case '/':
            return tkDivide;
        case '=':
            return tkAssign;
        case '^':
            return tkPower;
        default:
            return tkEnd;
    }
}

// The functions of `name(expression)`. A domain check returns the message of an argument outside
// the function's domain, or nullptr.
struct TFunction {
    const char* Name;
    double (*Apply)(double);
    const char* (*Domain)(double);
};

const char* NoDomainError(double) {
    return nullptr;
}

const std::array<TFunction, 15> Functions{{
    {"sqrt", [](double x) { return std::sqrt(x); },
     [](double x) -> const char* { return x < 0 ? "sqrt of a negative number" : nullptr; }},
    {"cbrt", [](double x) { return std::cbrt(x); }, NoDomainError},
    {"exp", [](double x) { return std::exp(x); }, NoDomainError},
    {"ln", [](double x) { return std::log(x); },
     [](double x) -> const char* { return x <= 0 ? "ln of a number that is not positive" : nullptr; }},
    {"log10", [](double x) { return std::log10(x); },
     [](double x) -> const char* { return x <= 0 ? "log10 of a number that is not positive" : nullptr; }},
    {"sin", [](double x) { return std::sin(x); }, NoDomainError},
    {"cos", [](double x) { return std::cos(x); }, NoDomainError},
    {"tan", [](double x) { return std::tan(x); }, NoDomainError},
    {"arcsin", [](double x) { return std::asin(x); },
     [](double x) -> const char* { return x < -1 || x > 1 ? "arcsin of a number outside -1..1" : nullptr; }},
    {"arccos", [](double x) { return std::acos(x); },
     [](double x) -> const char* { return x < -1 || x > 1 ? "arccos of a number outside -1..1" : nullptr; }},
    {"arctan", [](double x) { return std::atan(x); }, NoDomainError},
    {"sinh", [](double x) { return std::sinh(x); }, NoDomainError},
    {"cosh", [](double x) { return std::cosh(x); }, NoDomainError},
    {"tanh", [](double x) { return std::tanh(x); }, NoDomainError},
    {"abs", [](double x) { return std::fabs(x); }, NoDomainError},
}};

const TFunction* FindFunction(const std::string& name) {
    for (const TFunction& function : Functions)
        if (name == function.Name) return &function;
    return nullptr;
}

// Doubles never trap, so an overflow shows up as an infinite result of finite operands.
double Checked(double result, double a, double b) {
    if (std::isinf(result) && std::isfinite(a) && std::isfinite(b)) throw EMathError(MsgOverflow);
    return result;
}

}  // namespace

// The recursion depth is bounded so that no text, however deeply nested, can exhaust the stack.
class TParser::TNestingGuard {
public:
    explicit TNestingGuard(int& depth) : Depth(depth) {
        if (++Depth > MaxNesting) {
            --Depth;
            throw EKinetraError(MsgTooDeep);
        }
    }
    ~TNestingGuard() { --Depth; }
    TNestingGuard(const TNestingGuard&) = delete;
    TNestingGuard& operator=(const TNestingGuard&) = delete;

private:
    int& Depth;
};

TParser::TParser() {
    Define("PI", ConstPI);
    Define("GN", ConstGN);
    Define("E0", ConstE0);
    Define("QE", ConstQE);
    Define("AU", ConstAU);
    Define("KM", ConstKM);
    Define("DAY", ConstDAY);
    Define("YEAR", ConstYEAR);
    Define("GMSUN", ConstGMSUN);
    Define("MSUN", ConstMSUN);
    Define("MEARTH", ConstMEARTH);
    Define("ME", ConstME);
    Define("MP", ConstMP);
}

double TParser::Evaluate(const std::string& text) {
    Text = text;
    TextLength = Text.size();
    Pos = 1;
    Depth = 0;
    NextToken();
    if (Token == tkEnd) throw EKinetraError(MsgNoValue);
    return Expression();
}

void TParser::Define(const std::string& name, double value) {
    TEntry& entry = Names[name];
    entry.Name = name;
    entry.Value = value;
}

const TEntry* TParser::Find(const std::string& name) const {
    const auto it = Names.find(name);
    return it == Names.end() ? nullptr : &it->second;
}

void TParser::NextToken() {
    // Only the blank is white space: a tab is a character like any other.
    while (Pos <= TextLength && Text[Pos - 1] == ' ') ++Pos;
    if (Pos > TextLength) {
        Token = tkEnd;
        return;
    }
    const char c = Text[Pos - 1];
    if (const TTokenKind kind = OperatorKind(c); kind != tkEnd) {
        Token = kind;
        ++Pos;
        return;
    }
    if (IsDigit(c) || c == '.') {
        const std::size_t start = Pos;
        while (Pos <= TextLength) {
            const char ch = Text[Pos - 1];
            if (EndsNumber(ch)) break;
            ++Pos;
            // The character after an exponent letter belongs to the number, so that the
            // exponent's sign is not taken for an operator.
            if ((ch == 'E' || ch == 'e') && Pos <= TextLength) ++Pos;
        }
        const std::string token = Text.substr(start - 1, Pos - start);
        // A point without any digit around it is a zero ("." or ".e5"); the general number
        // reader wants a digit, so give it one.
        const bool lonePoint = token.size() == 1 || token[1] == 'E' || token[1] == 'e';
        double value = 0;
        switch (ParseDecimal(c == '.' && lonePoint ? "0" + token : token, value)) {
            case TParseResult::Ok:
                break;
            case TParseResult::Overflow:
                throw EMathError(MsgOverflow);
            case TParseResult::Invalid:
                throw EKinetraError(Format(MsgInvalidNumber, token));
        }
        Token = tkNumber;
        NumberValue = value;
        return;
    }
    if (IsLetter(c)) {
        const std::size_t start = Pos;
        while (Pos <= TextLength && (IsLetter(Text[Pos - 1]) || IsDigit(Text[Pos - 1]))) ++Pos;
        Token = tkIdentifier;
        Identifier = Text.substr(start - 1, Pos - start);
        return;
    }
    throw EKinetraError(MsgInvalidToken);
}

double TParser::Expression() {
    double v = Term();
    for (;;) {
        switch (Token) {
            case tkEnd:
            case tkClose:
                return v;
            case tkPlus: {
                NextToken();
                const double t = Term();
                v = Checked(v + t, v, t);
                break;
            }
            case tkMinus: {
                NextToken();
                const double t = Term();
                v = Checked(v - t, v, t);
                break;
            }
            default:
                throw EKinetraError(MsgUnexpectedToken);
        }
    }
}

double TParser::Term() {
    double v = Factor();
    while (Token == tkTimes || Token == tkDivide) {
        const bool divide = Token == tkDivide;
        NextToken();
        const double f = Factor();
        if (divide) {
            if (f == 0) throw EMathError(MsgZeroDenominator);
            v = Checked(v / f, v, f);
        } else {
            v = Checked(v * f, v, f);
        }
    }
    return v;
}

double TParser::Factor() {
    if (Token == tkMinus) {
        TNestingGuard guard(Depth);
        NextToken();
        return -Factor();
    }
    return Power();
}

double TParser::Power() {
    const double base = Primary();
    if (Token != tkPower) return base;
    TNestingGuard guard(Depth);
    NextToken();
    const double exponent = Factor();
    // The real power is defined for a negative base only with a whole exponent, and for a zero
    // base only with an exponent that is not negative; 0^0 is 1 as in every other program.
    if (base < 0 && exponent != std::trunc(exponent)) throw EMathError(MsgNegativeBase);
    if (base == 0 && exponent < 0) throw EMathError(MsgZeroBase);
    return Checked(std::pow(base, exponent), base, exponent);
}

double TParser::Primary() {
    switch (Token) {
        case tkIdentifier: {
            const std::string name = Identifier;
            NextToken();
            if (Token == tkAssign) {
                TNestingGuard guard(Depth);
                NextToken();
                const double v = Expression();
                Define(name, v);
                return v;
            }
            if (Token == tkOpen) {
                if (const TFunction* function = FindFunction(name)) {
                    TNestingGuard guard(Depth);
                    NextToken();
                    const double x = Expression();
                    if (Token != tkClose) throw EKinetraError(MsgMissingClose);
                    NextToken();
                    if (const char* message = function->Domain(x)) throw EMathError(message);
                    // Only exp, sinh and cosh can leave the range, and only for finite arguments.
                    return Checked(function->Apply(x), x, x);
                }
            }
            const TEntry* entry = Find(name);
            if (entry == nullptr) throw EKinetraError(Format(MsgUnknownName, name));
            return entry->Value;
        }
        case tkNumber: {
            const double v = NumberValue;
            NextToken();
            return v;
        }
        case tkOpen: {
            TNestingGuard guard(Depth);
            NextToken();
            const double v = Expression();
            if (Token != tkClose) throw EKinetraError(MsgMissingClose);
            NextToken();
            return v;
        }
        default:
            throw EKinetraError(MsgUnexpectedToken);
    }
}

}  // namespace kinetra
