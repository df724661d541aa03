// TVector: in-place arithmetic with a fixed operation order, and the text form that setup
// files and dialogs use.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/KNUtils.h"
#include "base/Vector.h"

using namespace kinetra;

namespace {

TVector Vec(const std::vector<double>& values) {
    TVector v(static_cast<int>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) v.SetElement(static_cast<int>(i), values[i]);
    return v;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The conversion error's message, or "" when `text` converts.
std::string FromStringError(TVector& v, const std::string& text) {
    try {
        v.FromString(text);
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(Vector, CreatedWithZeroComponents) {
    for (int n : {0, 1, 3, 26}) {
        TVector v(n);
        EXPECT_EQ(v.Count(), n);
        for (int i = 0; i < n; ++i) EXPECT_TRUE(SameBits(v.GetElement(i), 0.0));
    }
}

TEST(Vector, FromStringSkipsBlanksAndRunsOfSpaces) {
    TVector v(3);
    v.FromString("  1.5   -2E3   7  ");
    EXPECT_EQ(v[0], 1.5);
    EXPECT_EQ(v[1], -2000);
    EXPECT_EQ(v[2], 7);
    v.FromString("\t4 5 6\r\n");  // control characters around the text are blanks too
    EXPECT_EQ(v[0], 4);
    EXPECT_EQ(v[2], 6);

    TVector two(2);
    two.FromString("1 2 3 4");  // the rest is ignored
    EXPECT_EQ(two[0], 1);
    EXPECT_EQ(two[1], 2);
    two.FromString("3 4 x");
    EXPECT_EQ(two[0], 3);
    EXPECT_EQ(two[1], 4);

    TVector none(0);
    EXPECT_NO_THROW(none.FromString(""));
}

TEST(Vector, FromStringFailureNamesTheTokenAndKeepsEarlierComponents) {
    TVector v = Vec({9, 9, 9});
    EXPECT_EQ(FromStringError(v, "1 2"), "'' is not a valid floating point value");
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 2);
    EXPECT_EQ(v[2], 9);

    v = Vec({9, 9, 9});
    // The token runs up to and including its space.
    EXPECT_EQ(FromStringError(v, "1 x 3"), "'x ' is not a valid floating point value");
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 9);
    EXPECT_EQ(FromStringError(v, "1 2 1,5"), "'1,5' is not a valid floating point value");
    // Only the space separates: a tab leaves one unconvertible token.
    EXPECT_EQ(FromStringError(v, "1\t2 3"), "'1\t2 ' is not a valid floating point value");
    EXPECT_EQ(FromStringError(v, ""), "'' is not a valid floating point value");
    EXPECT_EQ(FromStringError(v, "   "), "'' is not a valid floating point value");
    EXPECT_EQ(FromStringError(v, "1 2 nan"), "'nan' is not a valid floating point value");

    // A number beyond the range of a double is refused too, after the earlier components.
    v = Vec({9, 9, 9});
    EXPECT_THROW(v.FromString("1 1e999 3"), EKinetraError);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 9);
}

TEST(Vector, ToStringUsesTheFifteenDigitFormat) {
    const TVector v = Vec({0.002, -1, 1E-30});
    EXPECT_EQ(v.ToString(), "0.002 -1 1E-30");
    TVector back(3);
    back.FromString(v.ToString());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameBits(back[i], v[i])) << i;

    EXPECT_EQ(TVector(0).ToString(), "");
    EXPECT_EQ(Vec({-0.0}).ToString(), "0");
    EXPECT_EQ(Vec({1.0 / 3, 6.67259E-11, 1E50, 123456789012345678.0}).ToString(),
              "0.333333333333333 6.67259E-11 1E50 1.23456789012346E17");
}

// The text holds 15 significant digits: every value a user can type with at most 15 digits
// comes back bit for bit; other doubles come back rounded to 15 digits.
TEST(Vector, TextRoundTripOfFifteenDigitValues) {
    std::mt19937_64 rng(1);
    std::uniform_int_distribution<int> exponent(-300, 300);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    for (int n : {1, 2, 3, 4, 26}) {
        TVector v(n), back(n);
        for (int k = 0; k < 300; ++k) {
            for (int i = 0; i < n; ++i) {
                char typed[40];
                std::snprintf(typed, sizeof typed, "%.14e", mantissa(rng) * std::pow(10.0, exponent(rng)));
                v[i] = k % 7 == 0 && i == 0 ? 0.0 : std::strtod(typed, nullptr);
            }
            back.Clear();
            back.FromString(v.ToString());
            for (int i = 0; i < n; ++i) ASSERT_TRUE(SameBits(back[i], v[i])) << v.ToString();
        }
    }
    // A double that needs 17 digits is stored as its 15-digit rounding.
    TVector w = Vec({0.1 + 0.2});
    TVector back(1);
    back.FromString(w.ToString());
    EXPECT_EQ(w.ToString(), "0.3");
    EXPECT_EQ(back[0], 0.3);
}

TEST(Vector, EqualsNeedsSameCountAndZeroDistance) {
    EXPECT_FALSE(TVector(2).Equals(TVector(3)));
    EXPECT_FALSE(TVector(3).Equals(TVector(2)));
    EXPECT_FALSE(TVector(0).Equals(TVector(1)));
    EXPECT_TRUE(TVector(0).Equals(TVector(0)));
    EXPECT_TRUE(Vec({1, -0.0, 3}).Equals(Vec({1, 0.0, 3})));
    EXPECT_FALSE(Vec({1, 2, 3}).Equals(Vec({1, 2, std::nextafter(3.0, 4.0)})));
    EXPECT_FALSE(Vec({1, 2}).Equals(Vec({2, 1})));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(Vec({nan}).Equals(Vec({nan})));
    // Differences whose square underflows still make the vectors different.
    EXPECT_FALSE(Vec({1E-300, 0}).Equals(Vec({0, 0})));
    EXPECT_FALSE(Vec({5E-324}).Equals(Vec({-5E-324})));
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(Vec({inf, -inf}).Equals(Vec({inf, -inf})));
}

TEST(Vector, NormsAndDistance) {
    EXPECT_EQ(Vec({3, 4}).Norm(), 5);
    EXPECT_EQ(Vec({3, 4}).SqrNorm(), 25);
    EXPECT_EQ(Vec({1, 2}).Distance(Vec({4, 6})), 5);
    EXPECT_EQ(TVector(0).Norm(), 0);
    EXPECT_EQ(Vec({-3, 2}).MaxNorm(), 3);
    EXPECT_EQ(Vec({2, -3}).MaxNorm(), 3);
    EXPECT_EQ(TVector(0).MaxNorm(), 0);
    EXPECT_TRUE(SameBits(Vec({-0.0}).MaxNorm(), 0.0));

    // Sums run in index order with a rounding after every addition.
    const TVector v = Vec({1, 1E-16, 1E-16, 1E-8});
    double sum = 0;
    for (int i = 0; i < v.Count(); ++i) sum = sum + v[i] * v[i];
    EXPECT_TRUE(SameBits(v.SqrNorm(), sum));
    EXPECT_TRUE(SameBits(v.Norm(), std::sqrt(sum)));
    const TVector big = Vec({1E16, 1, 1, 1, 1});
    EXPECT_EQ(big.SqrNorm(), 1E32);  // each 1 is lost against 1E32
    // No scaling against overflow: a square beyond the range gives infinity.
    EXPECT_TRUE(std::isinf(Vec({1E200}).Norm()));
    EXPECT_TRUE(std::isinf(Vec({0}).Distance(Vec({-1E200}))));
}

TEST(Vector, InPlaceArithmetic) {
    TVector v = Vec({1, 2, 3});
    EXPECT_EQ(&v.Scale(2), &v);
    EXPECT_TRUE(v.Equals(Vec({2, 4, 6})));
    v.Add(Vec({1, 1, 1, 100}));  // the argument may be longer; the receiver's Count rules
    EXPECT_TRUE(v.Equals(Vec({3, 5, 7})));
    v.Subtract(Vec({3, 3, 3}));
    EXPECT_TRUE(v.Equals(Vec({0, 2, 4})));
    v.AddScaled(Vec({1, 2, 3}), -2);
    EXPECT_TRUE(v.Equals(Vec({-2, -2, -2})));
    EXPECT_EQ(&v.Clear(), &v);
    EXPECT_TRUE(v.Equals(TVector(3)));

    TVector a(2);
    a.Assign(Vec({7, 8, 9}));
    EXPECT_TRUE(a.Equals(Vec({7, 8})));
}

// x := factor * other + x is two roundings, never a fused multiply-add.
TEST(Vector, AddScaledRoundsTheProductFirst) {
    const double o = 1 + std::ldexp(1.0, -27);
    const double f = 1 - std::ldexp(1.0, -27);  // o * f = 1 - 2^-54 exactly, which rounds to 1
    TVector v = Vec({-1, 5});
    v.AddScaled(Vec({o, 0}), f);
    EXPECT_TRUE(SameBits(v[0], 0.0)) << std::hexfloat << v[0] << " (a fused operation gives -2^-54)";
    EXPECT_EQ(v[1], 5);

    // Subtract is x - other, not -(other - x): the sign of a zero result shows it.
    TVector z = Vec({-0.0});
    z.Subtract(Vec({-0.0}));
    EXPECT_FALSE(std::signbit(z[0]));
    TVector s = Vec({-0.0});
    s.Scale(-1);
    EXPECT_FALSE(std::signbit(s[0]));
}
