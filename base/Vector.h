// TVector: the one numeric vector of the program, a point or direction in the N-dimensional
// space of a setup (1 <= N <= 26). All arithmetic is in place and allocates nothing; the
// operation order of every routine is fixed (x := factor*other + x is two roundings), so a
// run gives the same bits on every build.
#pragma once

#include <string>
#include <vector>

namespace kinetra {

using TDoubleArray = std::vector<double>;

class TVector {
public:
    explicit TVector(int count = 0) : Elements(static_cast<size_t>(count < 0 ? 0 : count), 0.0) {}

    int Count() const { return static_cast<int>(Elements.size()); }

    double GetElement(int index) const { return Elements[static_cast<size_t>(index)]; }
    void SetElement(int index, double value) { Elements[static_cast<size_t>(index)] = value; }
    double& operator[](int index) { return Elements[static_cast<size_t>(index)]; }
    double operator[](int index) const { return Elements[static_cast<size_t>(index)]; }
    double* Data() { return Elements.data(); }
    const double* Data() const { return Elements.data(); }

    // Euclidean length, sum of squares in index order, one square root at the end.
    double Norm() const;
    double SqrNorm() const;
    // sqrt(sum (other_i - x_i)^2) in index order.
    double Distance(const TVector& other) const;
    // Largest |x_i|; 0 for a vector without components.
    double MaxNorm() const;

    // Copies the first Count() components of source.
    void Assign(const TVector& source) {
        const size_t n = Elements.size();
        for (size_t i = 0; i < n; ++i) Elements[i] = source.Elements[i];
    }
    // Same Count and every component equal (so -0 and +0 are equal, NaN is never equal).
    bool Equals(const TVector& other) const;

    // Components from a text of numbers separated by spaces; raises EConvertError
    // "'%s' is not a valid floating point value" with the failing token (components read
    // before it keep their new values). Text beyond Count numbers is ignored.
    void FromString(const std::string& text);
    // Components in the 15-digit general number format, separated by single spaces; the text
    // always reads back with FromString (FormatStored).
    std::string ToString() const;

    // The small operations of the integrators stay in the header: with three components a call
    // costs as much as the arithmetic.
    TVector& Clear() {
        for (double& x : Elements) x = 0;
        return *this;
    }
    TVector& Scale(double factor) {
        for (double& x : Elements) x = factor * x;
        return *this;
    }
    // x_i := other_i + x_i
    void Add(const TVector& other) {
        const size_t n = Elements.size();
        for (size_t i = 0; i < n; ++i) Elements[i] = other.Elements[i] + Elements[i];
    }
    // x_i := x_i - other_i
    void Subtract(const TVector& other) {
        const size_t n = Elements.size();
        for (size_t i = 0; i < n; ++i) Elements[i] = Elements[i] - other.Elements[i];
    }
    // x_i := factor * other_i + x_i (product rounded, then the sum)
    void AddScaled(const TVector& other, double factor) {
        const size_t n = Elements.size();
        for (size_t i = 0; i < n; ++i) Elements[i] = factor * other.Elements[i] + Elements[i];
    }

private:
    TDoubleArray Elements;
};

// A dynamic array of vector references; each user says whether it owns them.
using TVectorArray = std::vector<TVector*>;

// TWorkVectors: Count() work vectors of one length, owned together, and the TVectorArray view
// of them that the integrator and the derivative callbacks take. Sized once before a run, so
// the steps themselves allocate nothing.
class TWorkVectors {
public:
    TWorkVectors() = default;
    TWorkVectors(const TWorkVectors&) = delete;
    TWorkVectors& operator=(const TWorkVectors&) = delete;

    // count vectors of dim zero components each (count <= 0: none).
    void Resize(int count, int dim);
    void Clear();
    int Count() const { return static_cast<int>(Vectors.size()); }

    TVector& operator[](size_t index) { return Vectors[index]; }
    const TVector& operator[](size_t index) const { return Vectors[index]; }
    const TVectorArray& View() const { return Refs; }

private:
    std::vector<TVector> Vectors;
    TVectorArray Refs;  // &Vectors[i]
};

}  // namespace kinetra
