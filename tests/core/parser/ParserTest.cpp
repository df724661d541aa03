// The expression parser: the grammar and its messages on one long-lived parser, the name
// table, and the limits (overflow, nesting depth).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "parser/Parser.h"

using namespace kinetra;

namespace {

enum class Kind { Value, About, SyntaxError, MathError };

struct Row {
    std::string Text;
    Kind Expect;
    double Value = 0;     // Value: exactly; About: within 1E-6 relative
    std::string Message;  // for the errors
};

Row V(std::string text, double value) {
    return {std::move(text), Kind::Value, value, {}};
}
Row About(std::string text, double value) {
    return {std::move(text), Kind::About, value, {}};
}
Row Err(std::string text, std::string message) {
    return {std::move(text), Kind::SyntaxError, 0, std::move(message)};
}
Row MathErr(std::string text, std::string message) {
    return {std::move(text), Kind::MathError, 0, std::move(message)};
}

// The outcome of one evaluation: the value, or the kind and message of the error.
struct Outcome {
    std::optional<double> Value;
    Kind ErrorKind = Kind::Value;
    std::string Message;
};

Outcome Run(TParser& parser, const std::string& text) {
    Outcome out;
    try {
        out.Value = parser.Evaluate(text);
    } catch (const EMathError& e) {
        out.ErrorKind = Kind::MathError;
        out.Message = e.what();
    } catch (const EKNError& e) {
        ADD_FAILURE() << "parser raised EKNError for '" << text << "': " << e.what();
    } catch (const EKinetraError& e) {
        out.ErrorKind = Kind::SyntaxError;
        out.Message = e.what();
    }
    return out;
}

void Check(TParser& parser, const Row& row) {
    SCOPED_TRACE("text: '" + row.Text + "'");
    const Outcome out = Run(parser, row.Text);
    switch (row.Expect) {
        case Kind::Value:
            ASSERT_TRUE(out.Value.has_value()) << out.Message;
            EXPECT_EQ(*out.Value, row.Value);
            break;
        case Kind::About:
            ASSERT_TRUE(out.Value.has_value()) << out.Message;
            EXPECT_NEAR(*out.Value, row.Value, std::abs(row.Value) * 1E-6);
            break;
        case Kind::SyntaxError:
        case Kind::MathError:
            ASSERT_FALSE(out.Value.has_value()) << "value " << *out.Value;
            EXPECT_EQ(out.ErrorKind, row.Expect);
            EXPECT_EQ(out.Message, row.Message);
            break;
    }
}

double ValueOf(const TParser& parser, const std::string& name) {
    const TEntry* e = parser.Find(name);
    return e ? e->Value : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

// The texts a user types, evaluated in order on one parser: names assigned in one row are
// known in the later ones, exactly as in the dialogs.
TEST(Parser, TypedTextsInOrder) {
    TParser parser;
    const std::vector<Row> rows = {
        V("2+3*4", 14),
        V("2-3-4", -5),
        V("8/4/2", 1),
        V("-2*3", -6),
        V("2*-3", -6),
        V("--3", 3),
        V("-(1+2)", -3),
        V("1e3", 1000),
        V("1E-3", 0.001),
        V("2.5e+2", 250),
        V(".5", 0.5),
        V("5.", 5),
        V("PI", 3.141592653589793),
        Err("pi", "'pi' unknown"),
        About("1/(4*PI*E0)", 8.98755E9),
        V("x = 7", 7),
        V("x*2", 14),
        V("a = 2", 2),
        V("b = a + 1", 3),
        V("2 * y = 4 - 1", 6),
        V("4)", 4),
        V("3)abc", 3),
        Err("", "No value"),
        Err("   ", "No value"),
        Err("+3", "Unexpected token"),
        Err("2 3", "Unexpected token"),
        Err("(2+3", "Missing ')'"),
        MathErr("2/0", "Zero denominator"),
        MathErr("1/(1-1)", "Zero denominator"),
        V("2^3", 8),
        V("PI^2", 3.141592653589793 * 3.141592653589793),
        Err("3x", "3x is not a valid number"),
        Err("1,5", "1,5 is not a valid number"),
        Err("1e", "1e is not a valid number"),
        Err("\t1", "Invalid token"),
    };
    for (const Row& row : rows) Check(parser, row);

    EXPECT_EQ(ValueOf(parser, "x"), 7);
    EXPECT_EQ(ValueOf(parser, "a"), 2);
    EXPECT_EQ(ValueOf(parser, "b"), 3);
    EXPECT_EQ(ValueOf(parser, "y"), 3);
}

TEST(Parser, PredefinedConstants) {
    TParser parser;
    EXPECT_EQ(ValueOf(parser, "PI"), ConstPI);
    EXPECT_EQ(ValueOf(parser, "GN"), 6.67259E-11);
    EXPECT_EQ(ValueOf(parser, "E0"), 8.854187187E-12);
    EXPECT_EQ(ValueOf(parser, "QE"), 1.60217733E-19);
    // Ordinary entries: an assignment replaces them.
    EXPECT_EQ(parser.Evaluate("PI = 3"), 3);
    EXPECT_EQ(parser.Evaluate("2*PI"), 6);
}

TEST(Parser, NamesAreCaseSensitiveAndMayHoldDigits) {
    TParser parser;
    parser.Define("m1", 2);
    parser.Define("M1", 5);
    EXPECT_EQ(parser.Evaluate("m1*M1"), 10);
    EXPECT_EQ(parser.Find("Pi"), nullptr);
    // A name ends at the first character that is neither letter nor digit.
    EXPECT_THROW(parser.Evaluate("m_1"), EKinetraError);
}

TEST(Parser, NumberTokenBoundaries) {
    TParser parser;
    // The character after the exponent letter belongs to the number, even a ")" or a blank.
    Check(parser, Err("(1e)", "1e) is not a valid number"));
    Check(parser, Err("1e 5", "1e 5 is not a valid number"));
    Check(parser, V("1e-3*1000", 1));
    // "(" and "=" do not end a number.
    Check(parser, Err("2(3)", "2(3 is not a valid number"));
    Check(parser, Err("3=4", "3=4 is not a valid number"));
    // A tab inside a number makes it invalid; a tab is no blank.
    Check(parser, Err("1\t+2", "1\t is not a valid number"));
    Check(parser, Err("1+\t2", "Invalid token"));
    Check(parser, V(".", 0));
    Check(parser, V(".e5", 0));
    Check(parser, V("2*.", 0));
    Check(parser, Err(".e", ".e is not a valid number"));
    Check(parser, Err("..", ".. is not a valid number"));
    Check(parser, Err("1.2.3", "1.2.3 is not a valid number"));
    Check(parser, V("  7  ", 7));
}

TEST(Parser, AssignmentReachesToTheEnclosingParenthesis) {
    TParser parser;
    EXPECT_EQ(parser.Evaluate("(c = 2 + 3) * 2"), 10);
    EXPECT_EQ(ValueOf(parser, "c"), 5);
    EXPECT_EQ(parser.Evaluate("d = e = 4"), 4);
    EXPECT_EQ(ValueOf(parser, "d"), 4);
    EXPECT_EQ(ValueOf(parser, "e"), 4);
}

TEST(Parser, AssignmentsBeforeAnErrorStay) {
    TParser parser;
    Check(parser, MathErr("(k = 4) / 0", "Zero denominator"));
    EXPECT_EQ(ValueOf(parser, "k"), 4);
    Check(parser, Err("(j = 1) + zz", "'zz' unknown"));
    EXPECT_EQ(ValueOf(parser, "j"), 1);
    // A name whose assignment failed is not defined.
    Check(parser, Err("w = 1 +", "Unexpected token"));
    EXPECT_EQ(parser.Find("w"), nullptr);
}

TEST(Parser, OverflowIsAMathError) {
    TParser parser;
    Check(parser, MathErr("1e999", "Floating point overflow"));
    Check(parser, MathErr("1e200*1e200", "Floating point overflow"));
    Check(parser, MathErr("1e300/1e-300", "Floating point overflow"));
    Check(parser, MathErr("1.7e308+1.7e308", "Floating point overflow"));
    Check(parser, MathErr("-1.7e308-1.7e308", "Floating point overflow"));
    Check(parser, V("1.7e308", 1.7e308));
    // Underflow passes silently.
    Check(parser, V("1e-999", 0));
    Check(parser, V("1e-300/1e300", 0));
}

TEST(Parser, DivisionByMinusZeroIsZeroDenominator) {
    TParser parser;
    Check(parser, MathErr("1/-0", "Zero denominator"));
    Check(parser, MathErr("0/0", "Zero denominator"));
}

namespace {
std::string Repeat(const std::string& s, size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}
}  // namespace

TEST(Parser, NestingUpToTheLimitIsEvaluated) {
    TParser parser;
    const size_t n = TParser::MaxNesting;
    EXPECT_EQ(parser.Evaluate(Repeat("(", n) + "1" + Repeat(")", n)), 1);
    EXPECT_EQ(parser.Evaluate(Repeat("-", n) + "1"), 1);  // an even number of signs
    // The depth of one evaluation does not carry over into the next.
    EXPECT_EQ(parser.Evaluate(Repeat("(", n) + "2" + Repeat(")", n)), 2);
}

TEST(Parser, DeepNestingIsRefusedNotACrash) {
    TParser parser;
    const size_t n = TParser::MaxNesting + 1;
    Check(parser, Err(Repeat("(", n) + "1" + Repeat(")", n), "Expression too deeply nested"));
    Check(parser, Err(Repeat("-", n) + "1", "Expression too deeply nested"));
    Check(parser, Err(Repeat("(-", n) + "1", "Expression too deeply nested"));
    Check(parser, Err(Repeat("(", 300000), "Expression too deeply nested"));
    Check(parser, Err(Repeat("-", 300000) + "1", "Expression too deeply nested"));
    Check(parser, Err(Repeat("v=", 300000) + "1", "Expression too deeply nested"));
    // Breadth is not depth: a long flat sum is fine.
    EXPECT_EQ(parser.Evaluate("0" + Repeat("+(1)", 100000)), 100000);
    // The parser is still usable after a refusal.
    EXPECT_EQ(parser.Evaluate("(((2)))"), 2);
}

// Functions: name(expression) calls one where the plain grammar would fail (a name followed
// by "("); a name assigned by the user stays a name everywhere else.
TEST(ParserFunctions, CallsDomainsAndNamesInOrder) {
    TParser parser;
    const std::vector<Row> rows = {
        V("sqrt(16)", 4),
        V("sqrt (2)", std::sqrt(2.0)),
        V("2*sqrt(9)+1", 7),
        V("-sqrt(4)", -2),
        About("cbrt(-27)", -3),
        V("exp(0)", 1),
        V("ln(exp(2))", 2),
        V("log10(1000)", 3),
        V("sin(0)", 0),
        V("cos(PI)", -1),
        V("tan(0)", 0),
        V("arcsin(1)", std::asin(1.0)),
        V("arccos(1)", 0),
        V("4*arctan(1)", 4 * std::atan(1.0)),
        V("sinh(0)+cosh(0)+tanh(0)", 1),
        V("abs(-2.5)", 2.5),
        V("sqrt(r = 9)", 3),
        V("r", 9),
        V("sqrt(sqrt(16))", 2),
        // A circular orbit's speed, the case the functions are for.
        V("sqrt(1*1/4)", 0.5),
        MathErr("sqrt(-1)", "sqrt of a negative number"),
        MathErr("ln(0)", "ln of a number that is not positive"),
        MathErr("log10(-1)", "log10 of a number that is not positive"),
        MathErr("arcsin(1.5)", "arcsin of a number outside -1..1"),
        MathErr("arccos(-2)", "arccos of a number outside -1..1"),
        MathErr("exp(1000)", "Floating point overflow"),
        MathErr("cosh(-1000)", "Floating point overflow"),
        Err("sqrt(4", "Missing ')'"),
        Err("sqrt()", "Unexpected token"),
        Err("sqrt", "'sqrt' unknown"),
        Err("Sqrt(4)", "'Sqrt' unknown"),
        Err("foo(2)", "'foo' unknown"),
        Err("r(2)", "Unexpected token"),
        Err("sqrt 4", "'sqrt' unknown"),
        // A function name assigned by the user is that name, and still a function before "(".
        V("sqrt = 2", 2),
        V("sqrt*3", 6),
        V("sqrt(25)", 5),
        V("sqrt", 2),
    };
    for (const Row& row : rows) Check(parser, row);
}

// The power: right-associative, tighter than unary minus and than * and /, with an exponent that
// is again a factor, and its domain named like a function's.
TEST(ParserPower, PrecedenceAssociativityAndDomain) {
    TParser parser;
    const std::vector<Row> rows = {
        V("2^3", 8),
        V("-2^2", -4),
        V("(-2)^2", 4),
        V("2^3^2", 512),
        V("2^-1", 0.5),
        V("-2^-2", -0.25),
        V("2*3^2", 18),
        V("2^3*2", 16),
        V("18/3^2", 2),
        V("2 ^ 3 + 1", 9),
        V("(-8)^3", -512),
        V("0^0", 1),
        V("0^2", 0),
        V("4^0.5", 2),
        V("1e2^2", 10000),
        V("z = 3", 3),
        V("z^2", 9),
        V("2^z=2", 4),
        V("z", 2),
        V("sqrt(16)^2", 16),
        About("(AU/2)^1.5", std::pow(149597870700.0 / 2, 1.5)),
        MathErr("(-8)^(1/3)", "power of a negative number to a fractional exponent"),
        MathErr("(-1)^0.5", "power of a negative number to a fractional exponent"),
        MathErr("0^-1", "power of zero to a negative exponent"),
        MathErr("10^400", "Floating point overflow"),
        Err("2^", "Unexpected token"),
        Err("^2", "Unexpected token"),
        Err("2^^2", "Unexpected token"),
        Err("1e^2", "1e^2 is not a valid number"),
    };
    for (const Row& row : rows) Check(parser, row);
}
