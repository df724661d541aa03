// The general number format, the round-trip format of the batch tool and the strict reading
// of decimal numbers.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale>
#include <random>
#include <string>

#include "base/KNUtils.h"

using namespace kinetra;

namespace {

// printf "%.17g" in the C locale, the reference of FormatRoundTrip.
std::string PrintfG17(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// A double from random bits: every exponent, subnormals, both zeros; no NaN or infinity.
double RandomFiniteDouble(std::mt19937_64& rng) {
    for (;;) {
        const std::uint64_t bits = rng();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) return v;
    }
}

// Restores the C locale for the program (C and C++ sides) however the test ends.
struct LocaleGuard {
    std::locale saved = std::locale();
    ~LocaleGuard() {
        std::setlocale(LC_ALL, "C");
        std::locale::global(saved);
    }
};

// A C++ locale that writes numbers German style ("1.234,5").
struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

}  // namespace

TEST(FormatGeneral, ExamplesWith15Digits) {
    EXPECT_EQ(FormatGeneral(0.002), "0.002");
    EXPECT_EQ(FormatGeneral(10), "10");
    EXPECT_EQ(FormatGeneral(-2.5), "-2.5");
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(5E-5), "5E-5");
    EXPECT_EQ(FormatGeneral(6.67259E-11), "6.67259E-11");
    EXPECT_EQ(FormatGeneral(1E50), "1E50");
    EXPECT_EQ(FormatGeneral(123456789012345678.0), "1.23456789012346E17");
    EXPECT_EQ(FormatGeneral(0), "0");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
    EXPECT_EQ(FormatGeneral(-1E-300), "-1E-300");
    EXPECT_EQ(FormatGeneral(5E-324), "4.94065645841247E-324");  // smallest subnormal
    EXPECT_EQ(FormatGeneral(DBL_MAX), "1.79769313486232E308");
    EXPECT_EQ(FormatGeneral(0.1), "0.1");
    EXPECT_EQ(FormatGeneral(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FormatGeneral(-2.0 / 3), "-0.666666666666667");
    EXPECT_EQ(FormatGeneral(2.000000000123), "2.000000000123");
    EXPECT_EQ(FormatGeneral(1234.5), "1234.5");
    EXPECT_EQ(FormatGeneral(100000), "100000");
}

TEST(FormatGeneral, OtherPrecisions) {
    EXPECT_EQ(FormatGeneral(123456, 5), "1.2346E5");
    EXPECT_EQ(FormatGeneral(0.00000025, 5), "2.5E-7");
    EXPECT_EQ(FormatGeneral(1.23456789, 5), "1.2346");
    EXPECT_EQ(FormatGeneral(-1.23456789, 5), "-1.2346");
    EXPECT_EQ(FormatGeneral(12345, 5), "12345");
    EXPECT_EQ(FormatGeneral(0.002, 5), "0.002");
    EXPECT_EQ(FormatGeneral(6.67259E-11, 5), "6.6726E-11");
    EXPECT_EQ(FormatGeneral(0, 5), "0");
    EXPECT_EQ(FormatGeneral(2.000000000123, 10), "2");
    EXPECT_EQ(FormatGeneral(2.000000000123, 15), "2.000000000123");
    EXPECT_EQ(FormatGeneral(1234567890.4, 10), "1234567890");
    EXPECT_EQ(FormatGeneral(12345678901.0, 10), "1.23456789E10");
    EXPECT_EQ(FormatGeneral(-0.000123456789012, 10), "-0.000123456789");
    EXPECT_EQ(FormatGeneral(123456789012345678.0, 10), "1.23456789E17");
}

// Plain notation exactly for 1E-4 <= |rounded value| < 10^digits.
TEST(FormatGeneral, NotationBoundaries) {
    EXPECT_EQ(FormatGeneral(99999.5, 5), "1E5");  // rounds up past the limit
    EXPECT_EQ(FormatGeneral(99999.4, 5), "99999");
    EXPECT_EQ(FormatGeneral(-99999.5, 5), "-1E5");
    EXPECT_EQ(FormatGeneral(9.99995, 5), "10");  // rounding carries into a new digit
    EXPECT_EQ(FormatGeneral(0.0001, 5), "0.0001");
    EXPECT_EQ(FormatGeneral(0.000099999, 15), "9.9999E-5");
    EXPECT_EQ(FormatGeneral(0.000099999, 5), "9.9999E-5");
    EXPECT_EQ(FormatGeneral(0.00009999951, 5), "0.0001");    // rounds up into plain notation
    EXPECT_EQ(FormatGeneral(0.0000999995, 5), "9.9999E-5");  // the double lies below the midpoint
    EXPECT_EQ(FormatGeneral(0.00012345678, 5), "0.00012346");
    EXPECT_EQ(FormatGeneral(1E15, 15), "1E15");
    EXPECT_EQ(FormatGeneral(999999999999999.0, 15), "999999999999999");
    EXPECT_EQ(FormatGeneral(9999999999999999.0, 15), "1E16");
    EXPECT_EQ(FormatGeneral(1E10, 10), "1E10");
    EXPECT_EQ(FormatGeneral(9999999999.0, 10), "9999999999");
    EXPECT_EQ(FormatGeneral(1E15, 5), "1E15");
    EXPECT_EQ(FormatGeneral(1E5, 5), "1E5");
    EXPECT_EQ(FormatGeneral(1.5E5, 5), "1.5E5");
    EXPECT_EQ(FormatGeneral(1E-5, 5), "1E-5");
}

// Rounding to 15 digits and reading back is the identity on 15-digit decimals: whatever a user
// typed with at most 15 significant digits survives a save and load.
TEST(FormatGeneral, FifteenDigitDecimalsSurviveWritingAndReading) {
    std::mt19937_64 rng(20240601);
    std::uniform_int_distribution<int> exp10(-320, 300);
    for (int k = 0; k < 20000; ++k) {
        char typed[64];
        const double mantissa = std::uniform_real_distribution<double>(1, 10)(rng);
        std::snprintf(typed, sizeof typed, "%.14e", mantissa * std::pow(10.0, exp10(rng) / 10.0));
        const double v = std::strtod(typed, nullptr);
        const std::string text = FormatGeneral(v, 15);
        double back = 0;
        ASSERT_EQ(ParseDecimal(text, back), TParseResult::Ok) << text;
        ASSERT_EQ(back, v) << typed << " -> " << text;
    }
}

// Against an independent rounding: printf "%.*e" and the notation rule written out by hand.
TEST(FormatGeneral, AgreesWithPrintfRounding) {
    std::mt19937_64 rng(7);
    for (int digits : {5, 10, 15}) {
        for (int k = 0; k < 5000; ++k) {
            double v = RandomFiniteDouble(rng);
            if (k % 2) v = std::ldexp(v, -std::ilogb(v) + static_cast<int>(rng() % 120) - 60);
            if (v == 0) continue;
            char sci[64];
            std::snprintf(sci, sizeof sci, "%.*e", digits - 1, v);
            const char* e = std::strchr(sci, 'e');
            const int exponent = std::atoi(e + 1);
            std::string sig;
            for (const char* p = sci; p < e; ++p)
                if (*p >= '0' && *p <= '9') sig.push_back(*p);
            while (sig.size() > 1 && sig.back() == '0') sig.pop_back();
            const bool plain = exponent >= -4 && exponent < digits;
            const std::string text = FormatGeneral(v, digits);
            if (plain) {
                // Reads back as exactly the rounded value, without an exponent or trailing zeros.
                EXPECT_EQ(text.find('E'), std::string::npos) << text;
                EXPECT_EQ(std::strtod(text.c_str(), nullptr), std::strtod(sci, nullptr)) << text;
                if (text.find('.') != std::string::npos) {
                    EXPECT_NE(text.back(), '0') << text;
                }
            } else {
                std::string expected = v < 0 ? "-" : "";
                expected += sig.substr(0, 1);
                if (sig.size() > 1) expected += "." + sig.substr(1);
                expected += "E" + std::to_string(exponent);
                EXPECT_EQ(text, expected) << sci;
            }
        }
    }
}

static void ExpectLocaleFreeNumbers() {
    EXPECT_EQ(FormatGeneral(-2.5), "-2.5");
    EXPECT_EQ(FormatGeneral(123456, 5), "1.2346E5");
    EXPECT_EQ(FormatGeneral(1234567.25), "1234567.25");
    EXPECT_EQ(FormatFixed(1234.5, 2), "1234.50");
    EXPECT_EQ(FormatRoundTrip(0.1), "0.10000000000000001");
    EXPECT_EQ(FormatRoundTrip(1E20), "1e+20");
    double v = 0;
    EXPECT_EQ(ParseDecimal("2.5e+2", v), TParseResult::Ok);
    EXPECT_EQ(v, 250);
    EXPECT_EQ(ParseDecimal("1,5", v), TParseResult::Invalid);
}

TEST(LocaleIndependence, CommaDecimalPointInTheGlobalCppLocale) {
    LocaleGuard guard;
    std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    ExpectLocaleFreeNumbers();
}

TEST(LocaleIndependence, GermanCLocale) {
    LocaleGuard guard;
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "de_DE@euro", "German_Germany.1252"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            found = name;
            break;
        }
    }
    if (found == nullptr) GTEST_SKIP() << "no German locale installed on this machine";
    ExpectLocaleFreeNumbers();
}

TEST(FormatRoundTrip, MatchesPrintfG17InTheCLocale) {
    std::setlocale(LC_NUMERIC, "C");
    std::mt19937_64 rng(42);
    for (int k = 0; k < 200000; ++k) {
        const double v = RandomFiniteDouble(rng);
        ASSERT_EQ(FormatRoundTrip(v), PrintfG17(v)) << std::hexfloat << v;
    }
    // Values of ordinary size, where the choice between fixed and exponent form happens.
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> exp2(-40, 70);
    for (int k = 0; k < 200000; ++k) {
        const double v = std::ldexp(unit(rng), exp2(rng));
        ASSERT_EQ(FormatRoundTrip(v), PrintfG17(v)) << std::hexfloat << v;
    }
    for (double v : {0.0,
                     -0.0,
                     1.0,
                     -1.0,
                     0.1,
                     1E-4,
                     9.9999999999999995E-5,
                     1E-5,
                     1E16,
                     1E17,
                     99999999999999999.0,
                     123456789012345678.0,
                     DBL_MAX,
                     -DBL_MAX,
                     DBL_MIN,
                     DBL_TRUE_MIN,
                     5E-324,
                     2.5,
                     1E100,
                     1E-100}) {
        EXPECT_EQ(FormatRoundTrip(v), PrintfG17(v)) << v;
    }
    EXPECT_EQ(FormatRoundTrip(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(FormatRoundTrip(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(ParseDecimal, AcceptsCompleteDecimalNumbers) {
    struct Case {
        const char* text;
        double value;
    };
    for (const Case& c : {Case{"1", 1}, Case{"-1.5", -1.5}, Case{"+2", 2}, Case{".5", 0.5}, Case{"5.", 5},
                          Case{"-.5", -0.5}, Case{"1e3", 1000}, Case{"1E-3", 0.001}, Case{"2.5e+2", 250},
                          Case{"007", 7}, Case{"0.1", 0.1}, Case{"6.67259E-11", 6.67259E-11},
                          Case{"1.7976931348623157e308", DBL_MAX}, Case{"4.9406564584124654e-324", 5E-324},
                          Case{"2.2250738585072009e-308", 2.2250738585072009e-308}, Case{"1e-310", 1e-310}}) {
        EXPECT_TRUE(IsDecimalNumber(c.text)) << c.text;
        double v = -99;
        EXPECT_EQ(ParseDecimal(c.text, v), TParseResult::Ok) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    double v = 1;
    ASSERT_EQ(ParseDecimal("-0", v), TParseResult::Ok);
    EXPECT_TRUE(v == 0 && std::signbit(v));
}

TEST(ParseDecimal, RefusesEverythingElse) {
    for (const char* text : {"",
                             ".",
                             "-",
                             "+",
                             "e5",
                             ".e5",
                             "1e",
                             "1e+",
                             "1e-",
                             "1,5",
                             "nan",
                             "NaN",
                             "inf",
                             "-inf",
                             "infinity",
                             "0x10",
                             "0x1p3",
                             " 1",
                             "1 ",
                             "1\t",
                             "--1",
                             "+-1",
                             "1..2",
                             "1.2.3",
                             "1e5.5",
                             "1e5e5",
                             "1d5",
                             "1f",
                             "\xE2\x88\x92"
                             "1",
                             "١"}) {
        EXPECT_FALSE(IsDecimalNumber(text)) << text;
        double v = 123;
        EXPECT_EQ(ParseDecimal(text, v), TParseResult::Invalid) << text;
        EXPECT_EQ(v, 123) << "value untouched for " << text;
    }
}

TEST(ParseDecimal, RangeLimits) {
    double v = 0;
    EXPECT_EQ(ParseDecimal("1e999", v), TParseResult::Overflow);
    EXPECT_EQ(ParseDecimal("-1e999", v), TParseResult::Overflow);
    EXPECT_EQ(ParseDecimal("1.8e308", v), TParseResult::Overflow);
    EXPECT_EQ(ParseDecimal("0.0000018e314", v), TParseResult::Overflow);
    EXPECT_EQ(ParseDecimal("1e99999999999999999999", v), TParseResult::Overflow);
    v = 1;
    EXPECT_EQ(ParseDecimal("1e-400", v), TParseResult::Ok);
    EXPECT_EQ(v, 0);
    v = 1;
    EXPECT_EQ(ParseDecimal("-1e-400", v), TParseResult::Ok);
    EXPECT_TRUE(v == 0 && std::signbit(v));
    v = 1;
    EXPECT_EQ(ParseDecimal("1000000e-330", v), TParseResult::Ok);
    EXPECT_EQ(v, 0);
    v = 1;
    EXPECT_EQ(ParseDecimal("1e-99999999999999999999", v), TParseResult::Ok);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(ParseDecimal("0e999999", v), TParseResult::Ok);
    EXPECT_EQ(v, 0);
}

TEST(ParseDecimal, LongTokensReadCorrectly) {
    // 5000 significant digits: correctly rounded like strtod in the C locale.
    std::mt19937_64 rng(5);
    std::string digits = "3.";
    for (int k = 0; k < 4999; ++k) digits.push_back(static_cast<char>('0' + rng() % 10));
    double v = 0;
    ASSERT_EQ(ParseDecimal(digits, v), TParseResult::Ok);
    EXPECT_EQ(v, std::strtod(digits.c_str(), nullptr));

    // A value just above a rounding midpoint, with the deciding digit thousands of places on.
    std::string tie = "1.00000000000000011102230246251565404236316680908203125";  // 1 + 2^-53 exactly
    EXPECT_EQ(ParseDecimal(tie, v), TParseResult::Ok);
    EXPECT_EQ(v, 1.0);  // ties to even
    tie += std::string(5000, '0') + "1";
    EXPECT_EQ(ParseDecimal(tie, v), TParseResult::Ok);
    EXPECT_EQ(v, std::nextafter(1.0, 2.0));

    const std::string longZeros = "0." + std::string(5000, '0') + "1e5003";
    EXPECT_EQ(ParseDecimal(longZeros, v), TParseResult::Ok);
    EXPECT_EQ(v, 100);
    const std::string longInt = "1" + std::string(5000, '0') + "e-4998";
    EXPECT_EQ(ParseDecimal(longInt, v), TParseResult::Ok);
    EXPECT_EQ(v, 100);
}

TEST(StrToInt, WholeTextWithinThirtyTwoBits) {
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -7 "), -7);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    for (const char* text : {"", "2147483648", "-2147483649", "1.0", "1e3", "x", "99999999999999999999"}) {
        try {
            StrToInt(text);
            ADD_FAILURE() << text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' is not a valid integer value");
        }
    }
}

TEST(Format, SubstitutesInTurnWithoutRescanning) {
    EXPECT_EQ(Format("Overlap with %s.", "Sun"), "Overlap with Sun.");
    EXPECT_EQ(Format("Overlap with %s.", "%s"), "Overlap with %s.");
    EXPECT_EQ(Format("Collision between %s and %s", "%s", "B"), "Collision between %s and B");
    EXPECT_EQ(Trim(" \t\r\n x y \x01"), "x y");
    EXPECT_EQ(Trim("   "), "");
}
