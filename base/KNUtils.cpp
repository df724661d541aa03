// The general number format and the strict number reading, both independent of the locale:
// every conversion goes through std::to_chars / std::from_chars.
#include "base/KNUtils.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace kinetra {

TFloatCheck::TFloatCheck() {
    std::fegetexceptflag(&Saved, FE_ALL_EXCEPT);
    std::feclearexcept(FE_ALL_EXCEPT);
}

TFloatCheck::~TFloatCheck() {
    std::fesetexceptflag(&Saved, FE_ALL_EXCEPT);
}

double TFloatCheck::Check(double result) const {
    if (std::isfinite(result)) return result;
    if (std::fetestexcept(FE_DIVBYZERO)) throw EMathError(MsgZeroDivide);
    if (std::fetestexcept(FE_OVERFLOW)) throw EMathError(MsgOverflow);
    if (std::fetestexcept(FE_INVALID)) throw EMathError(MsgInvalidOperation);
    if (std::isinf(result)) throw EMathError(MsgOverflow);
    throw EMathError(MsgInvalidOperation);
}

bool HasFileExtension(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.find('.') != std::string_view::npos;
}

std::string FormatGeneral(double value, int digits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;

    // Correctly rounded to `digits` significant digits: d.ddddde[+-]xx
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, digits - 1);
    std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));

    bool negative = false;
    if (!sci.empty() && sci.front() == '-') {
        negative = true;
        sci.remove_prefix(1);
    }
    const size_t ePos = sci.find('e');
    std::string_view mantissa = sci.substr(0, ePos);
    int exponent = 0;
    {
        std::string_view e = sci.substr(ePos + 1);
        if (!e.empty() && e.front() == '+') e.remove_prefix(1);
        std::from_chars(e.data(), e.data() + e.size(), exponent);
    }
    std::string sig;
    for (char c : mantissa)
        if (c != '.') sig.push_back(c);
    while (sig.size() > 1 && sig.back() == '0') sig.pop_back();

    std::string out;
    if (negative) out.push_back('-');
    if (exponent >= -4 && exponent < digits) {
        if (exponent >= 0) {
            const size_t intDigits = static_cast<size_t>(exponent) + 1;
            if (sig.size() <= intDigits) {
                out += sig;
                out.append(intDigits - sig.size(), '0');
            } else {
                out += sig.substr(0, intDigits);
                out.push_back('.');
                out += sig.substr(intDigits);
            }
        } else {
            out += "0.";
            out.append(static_cast<size_t>(-exponent - 1), '0');
            out += sig;
        }
    } else {
        out.push_back(sig[0]);
        if (sig.size() > 1) {
            out.push_back('.');
            out += sig.substr(1);
        }
        out.push_back('E');
        out += std::to_string(exponent);
    }
    return out;
}

std::string FormatStored(double value) {
    std::string text = FormatGeneral(value, 15);
    double back = 0;
    if (ParseDecimal(text, back) == TParseResult::Overflow)
        text = value < 0 ? "-1.79769313486231E308" : "1.79769313486231E308";
    return text;
}

std::string FormatFixed(double value, int decimals) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (res.ec != std::errc()) return FormatGeneral(value, 15);
    return std::string(buf, res.ptr);
}

std::string FormatRoundTrip(double value) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // %.17g: 17 significant digits, exponent form below 1E-4 or from 1E17 on.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 16);
    std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));
    const size_t ePos = sci.find('e');
    int exponent = 0;
    {
        std::string_view e = sci.substr(ePos + 1);
        if (!e.empty() && e.front() == '+') e.remove_prefix(1);
        std::from_chars(e.data(), e.data() + e.size(), exponent);
    }
    if (exponent < -4 || exponent >= 17) {
        // Trailing zeros of the mantissa removed, exponent with sign and at least two digits.
        std::string mant(sci.substr(0, ePos));
        if (mant.find('.') != std::string::npos) {
            while (mant.back() == '0') mant.pop_back();
            if (mant.back() == '.') mant.pop_back();
        }
        char ebuf[16];
        std::snprintf(ebuf, sizeof ebuf, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return mant + ebuf;
    }
    char out[64];
    auto r2 = std::to_chars(out, out + sizeof out, value, std::chars_format::fixed, 16 - exponent);
    std::string s(out, r2.ptr);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

bool IsDecimalNumber(std::string_view t) {
    size_t i = 0;
    const size_t n = t.size();
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < n && t[i] == '.') {
        ++i;
        while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == n;
}

TParseResult ParseDecimal(std::string_view text, double& value) {
    if (!IsDecimalNumber(text)) return TParseResult::Invalid;
    bool negative = false;
    std::string_view body = text;
    if (body.front() == '+' || body.front() == '-') {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    // from_chars wants at least one digit before an exponent: ".5" and "5." are fine for it,
    // but a lone "." followed by an exponent is not; such texts have no digit and were refused.
    double v = 0;
    auto res = std::from_chars(body.data(), body.data() + body.size(), v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Tell overflow from underflow by the decimal magnitude of the text.
        long long exp10 = 0;
        const size_t ePos = body.find_first_of("eE");
        if (ePos != std::string_view::npos) {
            std::string_view e = body.substr(ePos + 1);
            bool eneg = false;
            if (!e.empty() && (e.front() == '+' || e.front() == '-')) {
                eneg = e.front() == '-';
                e.remove_prefix(1);
            }
            // Saturate long exponents.
            for (char c : e) {
                if (exp10 < 100000000) exp10 = exp10 * 10 + (c - '0');
            }
            if (eneg) exp10 = -exp10;
        }
        std::string_view mant = body.substr(0, ePos);
        // Position of the first significant digit relative to the point.
        long long lead = 0;
        const size_t dot = mant.find('.');
        const std::string_view intPart = mant.substr(0, dot);
        size_t firstNonZero = intPart.find_first_not_of('0');
        if (firstNonZero != std::string_view::npos) {
            lead = static_cast<long long>(intPart.size() - firstNonZero);
        } else if (dot != std::string_view::npos) {
            const std::string_view frac = mant.substr(dot + 1);
            const size_t f = frac.find_first_not_of('0');
            lead = f == std::string_view::npos ? -1000000000LL : -static_cast<long long>(f);
        }
        if (exp10 + lead > 0) return TParseResult::Overflow;
        value = negative ? -0.0 : 0.0;
        return TParseResult::Ok;
    }
    if (res.ec != std::errc() || res.ptr != body.data() + body.size()) return TParseResult::Invalid;
    value = negative ? -v : v;
    return TParseResult::Ok;
}

int StrToInt(const std::string& text) {
    const std::string_view t = Trim(text);
    std::string_view body = t;
    bool negative = false;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    bool ok = !body.empty();
    long long v = 0;
    for (char c : body) {
        if (c < '0' || c > '9') {
            ok = false;
            break;
        }
        v = v * 10 + (c - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) {
            ok = false;
            break;
        }
    }
    if (ok) {
        if (negative) v = -v;
        if (v < INT_MIN || v > INT_MAX) ok = false;
    }
    if (!ok) throw EConvertError(Format("'%s' is not a valid integer value", text));
    return static_cast<int>(v);
}

std::string_view Trim(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
    return text.substr(b, e - b);
}

namespace {
// Messages travel as C strings (what()), so a NUL quoted from a file would cut the message
// short right there; it is shown as "?" instead.
void AppendArgument(std::string& out, std::string_view arg) {
    for (const char c : arg) out.push_back(c == '\0' ? '?' : c);
}
}  // namespace

std::string Format(std::string_view fmt, std::string_view arg) {
    std::string out;
    const size_t p = fmt.find("%s");
    if (p == std::string_view::npos) return std::string(fmt);
    out.append(fmt.substr(0, p));
    AppendArgument(out, arg);
    out.append(fmt.substr(p + 2));
    return out;
}

std::string Format(std::string_view fmt, std::string_view arg1, std::string_view arg2) {
    const size_t p = fmt.find("%s");
    if (p == std::string_view::npos) return std::string(fmt);
    std::string first(fmt.substr(0, p));
    AppendArgument(first, arg1);
    return first + Format(fmt.substr(p + 2), arg2);
}

}  // namespace kinetra
