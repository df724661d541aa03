#include "base/Vector.h"

#include <cmath>

#include "base/KNUtils.h"

namespace kinetra {

double TVector::SqrNorm() const {
    double sum = 0;
    for (double x : Elements) sum = sum + x * x;
    return sum;
}

double TVector::Norm() const {
    return std::sqrt(SqrNorm());
}

double TVector::Distance(const TVector& other) const {
    double sum = 0;
    const size_t n = Elements.size();
    for (size_t i = 0; i < n; ++i) {
        const double d = other.Elements[i] - Elements[i];
        sum = sum + d * d;
    }
    return std::sqrt(sum);
}

double TVector::MaxNorm() const {
    double m = 0;
    for (double x : Elements) {
        const double a = std::fabs(x);
        if (a > m) m = a;
    }
    return m;
}

bool TVector::Equals(const TVector& other) const {
    if (other.Count() != Count()) return false;
    // Component by component rather than through Distance: a difference below about 1E-154
    // squares to 0, which would make distinct vectors (1E-300 and 0) equal. -0 and +0 still
    // compare equal, NaN never does.
    const size_t n = Elements.size();
    for (size_t i = 0; i < n; ++i)
        if (!(Elements[i] == other.Elements[i])) return false;
    return true;
}

void TVector::FromString(const std::string& text) {
    std::string_view rest = Trim(text);
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        const size_t space = rest.find(' ');
        // The token runs up to and including the first space.
        const std::string_view token = space == std::string_view::npos ? rest : rest.substr(0, space + 1);
        double value = 0;
        const TParseResult r = ParseDecimal(Trim(token), value);
        if (r == TParseResult::Overflow) throw EMathError(MsgOverflow);
        if (r != TParseResult::Ok)
            throw EConvertError(Format("'%s' is not a valid floating point value", token));
        Elements[static_cast<size_t>(i)] = value;
        rest = space == std::string_view::npos ? std::string_view() : Trim(rest.substr(space + 1));
    }
}

std::string TVector::ToString() const {
    std::string out;
    const size_t n = Elements.size();
    for (size_t i = 0; i < n; ++i) {
        out += FormatStored(Elements[i]);
        if (i + 1 < n) out.push_back(' ');
    }
    return out;
}

void TWorkVectors::Resize(int count, int dim) {
    Clear();
    if (count <= 0) return;
    Vectors.assign(static_cast<size_t>(count), TVector(dim));
    Refs.reserve(Vectors.size());
    for (TVector& v : Vectors) Refs.push_back(&v);
}

void TWorkVectors::Clear() {
    Refs = {};
    Vectors = {};
}

}  // namespace kinetra
