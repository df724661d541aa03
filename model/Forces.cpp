#include "model/Forces.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kinetra {

namespace {
// Rows of the pair table that the evaluation kernel handles together.
constexpr int TileRows = 4;
}  // namespace

double IntPower(double d, int n) {
    double result = 1;
    double b = d;
    // |n| as unsigned so that INT_MIN has a magnitude too.
    unsigned e = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
    while (e > 0) {
        if (e & 1u) result = result * b;
        e >>= 1;
        if (e > 0) b = b * b;
    }
    if (n < 0) result = 1 / result;
    return result;
}

TForce::TForce(TParticlesList& particles)
    : Particles(particles), FDimensions(particles.Dimensions()), Work(particles.Dimensions()) {}

double TForce::GetPower() const {
    return FIntegralPower ? static_cast<double>(FIntExponent) + 1 : FRealExponent + 1;
}

void TForce::SetPower(double value) {
    const double whole = std::nearbyint(value);
    // Whole values are integer powers only while both integer exponents fit 32 bits: value - 1
    // of the pair factor and value + 1 of the potential. Larger ones are taken as real powers.
    if (whole == value && value - 1 >= static_cast<double>(INT_MIN) &&
        value + 1 <= static_cast<double>(INT_MAX)) {
        FIntegralPower = true;
        FIntExponent = static_cast<int>(value - 1);
    } else {
        FIntegralPower = false;
        FRealExponent = value - 1;
    }
}

void TForce::SetGravConstant(double value) {
    FGravConstant = value;
    UpdateCoefficients();
}

void TForce::SetCoulombCoeff(double value) {
    FCoulombCoeff = value;
    UpdateCoefficients();
}

double TForce::Coefficient(int later, int earlier) const {
    const TParticle& a = Particles.Particles(later);
    const TParticle& b = Particles.Particles(earlier);
    if (FCoulombCoeff != 0 && a.Mass != 0 && b.Mass != 0)
        return FGravConstant - ((FCoulombCoeff * a.Charge()) * b.Charge()) / (a.Mass * b.Mass);
    return FGravConstant;
}

bool TForce::NeedsCoefficientTable() const {
    // Without charges G - ((k*0)*0)/(m*m) is G itself, except for the sign of a zero G.
    if (FCoulombCoeff == 0) return false;
    if (FGravConstant == 0) return true;
    const int n = Particles.Count();
    for (int i = 0; i < n; ++i)
        if (Particles.Particles(i).Charge() != 0) return true;
    return false;
}

void TForce::BuildPairTables() {
    Prepared = -1;
    UseTable = false;
    Coeffs.clear();
    Coeffs.shrink_to_fit();
    const int n = Particles.Count();
    const size_t nn = static_cast<size_t>(n);
    const size_t dd = static_cast<size_t>(FDimensions);
    X.assign(dd * nn, 0.0);
    A.assign(dd * nn, 0.0);
    M.assign(nn, 0.0);
    Scratch.assign((TileRows * dd + 2) * nn, 0.0);
    Evaluated = 0;
    if (n < 2) return;
    Prepared = n;
    UpdateCoefficients();
}

void TForce::UpdateCoefficients() {
    if (Prepared < 2) return;
    // Particles may have been added or removed since the tables were built (G or k changed in
    // between): take the particles now present rather than index ones that are gone.
    const int n = Particles.Count();
    if (n < 2) {
        Prepared = -1;
        UseTable = false;
        Coeffs.clear();
        return;
    }
    Prepared = n;
    UseTable = NeedsCoefficientTable();
    if (!UseTable) {
        Coeffs.clear();
        return;
    }
    Coeffs.resize(static_cast<size_t>(n) * static_cast<size_t>(n - 1) / 2);
    size_t k = 0;
    for (int i = 1; i < n; ++i)
        for (int j = 0; j < i; ++j) Coeffs[k++] = Coefficient(i, j);
}

void TForce::Gather(const TVectorArray* positions) {
    const int n = Particles.Count();
    const size_t nn = static_cast<size_t>(n);
    const size_t dd = static_cast<size_t>(FDimensions);
    if (X.size() != dd * nn) {
        // Evaluation without a BuildPairTables for this particle count: size the storage now.
        X.assign(dd * nn, 0.0);
        A.assign(dd * nn, 0.0);
        M.assign(nn, 0.0);
        Scratch.assign((TileRows * dd + 2) * nn, 0.0);
    }
    for (int i = 0; i < n; ++i) {
        const TVector& p =
            positions ? *(*positions)[static_cast<size_t>(i)] : Particles.Particles(i).Position;
        for (size_t c = 0; c < dd; ++c) X[c * nn + static_cast<size_t>(i)] = p[static_cast<int>(c)];
        M[static_cast<size_t>(i)] = Particles.Particles(i).Mass;
    }
    for (double& a : A) a = 0;
    Evaluated = n;
}

double TForce::PairFactor(double d) const {
    return FIntegralPower ? IntPower(d, FIntExponent) : std::pow(d, FRealExponent);
}

void TForce::ComputePairTerms() {
    Gather(nullptr);
    Evaluate();
}

void TForce::ComputePairTerms(const TVectorArray& positions) {
    Gather(&positions);
    Evaluate();
}

void TForce::Evaluate() {
    if (Evaluated < 2) return;  // no pairs: every acceleration is zero
    if (Prepared != Evaluated) {
        // Not built for this particle count: take the coefficients of the current particles.
        Prepared = Evaluated;
        UpdateCoefficients();
    }
    switch (FDimensions) {
        case 1:
            EvaluateFixed<1>();
            break;
        case 2:
            EvaluateFixed<2>();
            break;
        case 3:
            EvaluateFixed<3>();
            break;
        default:
            EvaluateGeneric();
            break;
    }
}

// The kernel for 1, 2 and 3 dimensions works on R rows (i .. i+R-1) at a time:
//  - pass 1, one loop per row r in increasing order, independent per j < i (vector units): the
//    pair terms T_rj; particle j gets (-m_r) T_rj (rows in increasing order, as its sum needs);
//    the products m_j T_rj are kept;
//  - pass 2, sequential in j: the sums of the R row particles, R * D independent chains, so
//    the latency of one addition hides behind the others;
//  - last the pairs inside the tile, row by row and j in increasing order, so that each row
//    particle is complete over its own row before later rows add their terms to it.
// Every particle thus receives its terms in index order, each rounded as in the plain sum.
namespace {

struct TKernelData {
    const double* x[3];
    double* a[3];
    const double* m;
    double* mt[TileRows][3];  // m_j T_rj of the tile's rows
    const double* coeffs;     // lower triangle, or nullptr
    double G;
    const TForce* force;
};

template <bool Cube>
inline double Factor(const TForce* force, double d) {
    if constexpr (Cube)
        return 1 / (d * (d * d));
    else
        return force->PairFactorOf(d);
}

// Pass 1 for row `row` over j < count. Plain pointers with restrict, so the loop vectorizes.
template <int D, bool Cube, bool Table>
void RowTerms(int count, const double* __restrict x0, const double* __restrict x1,
              const double* __restrict x2, double* __restrict a0, double* __restrict a1,
              double* __restrict a2, const double* __restrict m, double* __restrict t0, double* __restrict t1,
              double* __restrict t2, const double* __restrict coeff, const double xi[3], double negMi,
              double G, const TForce* force) {
    const double xi0 = xi[0], xi1 = D > 1 ? xi[1] : 0, xi2 = D > 2 ? xi[2] : 0;
    for (int j = 0; j < count; ++j) {
        const double w0 = x0[j] - xi0;
        double sum = 0;
        sum = sum + w0 * w0;
        double w1 = 0, w2 = 0;
        if constexpr (D > 1) {
            w1 = x1[j] - xi1;
            sum = sum + w1 * w1;
        }
        if constexpr (D > 2) {
            w2 = x2[j] - xi2;
            sum = sum + w2 * w2;
        }
        const double f = Factor<Cube>(force, std::sqrt(sum)) * (Table ? coeff[j] : G);
        const double mj = m[j];
        const double u0 = w0 * f;
        a0[j] = negMi * u0 + a0[j];
        t0[j] = mj * u0;
        if constexpr (D > 1) {
            const double u1 = w1 * f;
            a1[j] = negMi * u1 + a1[j];
            t1[j] = mj * u1;
        }
        if constexpr (D > 2) {
            const double u2 = w2 * f;
            a2[j] = negMi * u2 + a2[j];
            t2[j] = mj * u2;
        }
    }
}

template <int D, int R, bool Cube, bool Table>
void Tile(const TKernelData& k, int i) {
    double xr[R][3] = {};
    double negM[R];
    const double* cr[R];
    for (int r = 0; r < R; ++r) {
        for (int c = 0; c < D; ++c) xr[r][c] = k.x[c][i + r];
        negM[r] = -k.m[i + r];
        const size_t row = static_cast<size_t>(i + r);
        cr[r] = Table ? k.coeffs + row * (row - 1) / 2 : nullptr;
    }
    for (int r = 0; r < R; ++r)
        RowTerms<D, Cube, Table>(i, k.x[0], k.x[1], k.x[2], k.a[0], k.a[1], k.a[2], k.m, k.mt[r][0],
                                 k.mt[r][1], k.mt[r][2], cr[r], xr[r], negM[r], k.G, k.force);
    double acc[R][D];
    for (int r = 0; r < R; ++r)
        for (int c = 0; c < D; ++c) acc[r][c] = k.a[c][i + r];
    for (int j = 0; j < i; ++j)
        for (int r = 0; r < R; ++r)
            for (int c = 0; c < D; ++c) acc[r][c] = k.mt[r][c][j] + acc[r][c];
    for (int r = 1; r < R; ++r) {
        for (int q = 0; q < r; ++q) {
            double w[D];
            double sum = 0;
            for (int c = 0; c < D; ++c) {
                w[c] = xr[q][c] - xr[r][c];
                sum = sum + w[c] * w[c];
            }
            const double f = Factor<Cube>(k.force, std::sqrt(sum)) * (Table ? cr[r][i + q] : k.G);
            const double mq = k.m[i + q];
            for (int c = 0; c < D; ++c) {
                const double t = w[c] * f;
                acc[r][c] = mq * t + acc[r][c];
                acc[q][c] = negM[r] * t + acc[q][c];
            }
        }
    }
    for (int r = 0; r < R; ++r)
        for (int c = 0; c < D; ++c) k.a[c][i + r] = acc[r][c];
}

template <int D, bool Cube, bool Table>
void RunKernel(int n, const TKernelData& k) {
    // Row 0 has no pairs; its particle only receives terms from later rows.
    int i = 1;
    // Small setups: a tile's fixed costs outweigh what it saves.
    if (n >= 32)
        for (; i + TileRows <= n; i += TileRows) Tile<D, TileRows, Cube, Table>(k, i);
    for (; i < n; ++i) Tile<D, 1, Cube, Table>(k, i);
}

}  // namespace

double TForce::PairFactorOf(double d) const {
    return PairFactor(d);
}

template <int D>
void TForce::EvaluateFixed() {
    const size_t nn = static_cast<size_t>(Evaluated);
    TKernelData k{};
    for (int c = 0; c < 3; ++c) {
        const size_t cc = static_cast<size_t>(c < D ? c : 0);
        k.x[c] = X.data() + cc * nn;
        k.a[c] = A.data() + cc * nn;
        for (int r = 0; r < TileRows; ++r)
            k.mt[r][c] = Scratch.data() + (static_cast<size_t>(r) * D + cc) * nn;
    }
    k.m = M.data();
    k.coeffs = UseTable ? Coeffs.data() : nullptr;
    k.G = FGravConstant;
    k.force = this;
    const bool cube = FIntegralPower && FIntExponent == -3;
    if (cube && !UseTable)
        RunKernel<D, true, false>(Evaluated, k);
    else if (cube)
        RunKernel<D, true, true>(Evaluated, k);
    else if (!UseTable)
        RunKernel<D, false, false>(Evaluated, k);
    else
        RunKernel<D, false, true>(Evaluated, k);
}

// Four or more dimensions: the same tiles as the fixed kernels, with the coordinate loop outside
// the j loop so that every inner loop runs over j and vectorizes. Each pair's squared distance is
// still summed in coordinate order, and each term rounded as in the plain sum.
namespace {

template <int R, bool Cube, bool Table>
void GenericTile(const TForce* force, int D, size_t nn, int i, const double* __restrict X,
                 double* __restrict A, const double* __restrict m, double* __restrict mt,
                 double* __restrict sum, double* __restrict f, const double* coeffs, double G) {
    double negM[R];
    const double* cr[R];
    for (int r = 0; r < R; ++r) {
        negM[r] = -m[i + r];
        const size_t row = static_cast<size_t>(i + r);
        cr[r] = Table ? coeffs + row * (row - 1) / 2 : nullptr;
    }
    const int count = i;
    for (int r = 0; r < R; ++r) {
        const int row = i + r;
        for (int j = 0; j < count; ++j) sum[j] = 0;
        for (int c = 0; c < D; ++c) {
            const double* __restrict xc = X + static_cast<size_t>(c) * nn;
            const double xi = xc[row];
            for (int j = 0; j < count; ++j) {
                const double w = xc[j] - xi;
                sum[j] = sum[j] + w * w;
            }
        }
        const double* __restrict coeff = cr[r];
        for (int j = 0; j < count; ++j)
            f[j] = Factor<Cube>(force, std::sqrt(sum[j])) * (Table ? coeff[j] : G);
        for (int c = 0; c < D; ++c) {
            const double* __restrict xc = X + static_cast<size_t>(c) * nn;
            double* __restrict ac = A + static_cast<size_t>(c) * nn;
            double* __restrict tc =
                mt + (static_cast<size_t>(r) * static_cast<size_t>(D) + static_cast<size_t>(c)) * nn;
            const double xi = xc[row];
            const double nm = negM[r];
            for (int j = 0; j < count; ++j) {
                const double t = (xc[j] - xi) * f[j];
                ac[j] = nm * t + ac[j];
                tc[j] = m[j] * t;
            }
        }
    }
    // Sums of the tile's particles over j < i, then the pairs inside the tile.
    for (int c = 0; c < D; ++c) {
        double acc[R];
        const double* tr[R];
        for (int r = 0; r < R; ++r) {
            acc[r] = A[static_cast<size_t>(c) * nn + static_cast<size_t>(i + r)];
            tr[r] = mt + (static_cast<size_t>(r) * static_cast<size_t>(D) + static_cast<size_t>(c)) * nn;
        }
        for (int j = 0; j < count; ++j)
            for (int r = 0; r < R; ++r) acc[r] = tr[r][j] + acc[r];
        for (int r = 0; r < R; ++r) A[static_cast<size_t>(c) * nn + static_cast<size_t>(i + r)] = acc[r];
    }
    for (int r = 1; r < R; ++r) {
        for (int q = 0; q < r; ++q) {
            double s2 = 0;
            for (int c = 0; c < D; ++c) {
                const double* xc = X + static_cast<size_t>(c) * nn;
                const double w = xc[i + q] - xc[i + r];
                s2 = s2 + w * w;
            }
            const double fq = Factor<Cube>(force, std::sqrt(s2)) * (Table ? cr[r][i + q] : G);
            const double mq = m[i + q];
            for (int c = 0; c < D; ++c) {
                const double* xc = X + static_cast<size_t>(c) * nn;
                double* ac = A + static_cast<size_t>(c) * nn;
                const double t = (xc[i + q] - xc[i + r]) * fq;
                ac[i + r] = mq * t + ac[i + r];
                ac[i + q] = negM[r] * t + ac[i + q];
            }
        }
    }
}

template <bool Cube, bool Table>
void RunGeneric(const TForce* force, int n, int D, const double* X, double* A, const double* m,
                double* scratch, const double* coeffs, double G) {
    const size_t nn = static_cast<size_t>(n);
    double* mt = scratch;
    double* sum = scratch + static_cast<size_t>(TileRows) * static_cast<size_t>(D) * nn;
    double* f = sum + nn;
    int i = 1;
    if (n >= 32)
        for (; i + TileRows <= n; i += TileRows)
            GenericTile<TileRows, Cube, Table>(force, D, nn, i, X, A, m, mt, sum, f, coeffs, G);
    for (; i < n; ++i) GenericTile<1, Cube, Table>(force, D, nn, i, X, A, m, mt, sum, f, coeffs, G);
}

}  // namespace

void TForce::EvaluateGeneric() {
    if (Evaluated < 32) {
        EvaluateSmall();
        return;
    }
    const bool cube = FIntegralPower && FIntExponent == -3;
    const double* coeffs = UseTable ? Coeffs.data() : nullptr;
    if (cube && !UseTable)
        RunGeneric<true, false>(this, Evaluated, FDimensions, X.data(), A.data(), M.data(), Scratch.data(),
                                coeffs, FGravConstant);
    else if (cube)
        RunGeneric<true, true>(this, Evaluated, FDimensions, X.data(), A.data(), M.data(), Scratch.data(),
                               coeffs, FGravConstant);
    else if (!UseTable)
        RunGeneric<false, false>(this, Evaluated, FDimensions, X.data(), A.data(), M.data(), Scratch.data(),
                                 coeffs, FGravConstant);
    else
        RunGeneric<false, true>(this, Evaluated, FDimensions, X.data(), A.data(), M.data(), Scratch.data(),
                                coeffs, FGravConstant);
}

// Few particles in four or more dimensions: one pass per row, terms added as they come.
void TForce::EvaluateSmall() {
    const int n = Evaluated;
    const int D = FDimensions;
    const size_t nn = static_cast<size_t>(n);
    const double* m = M.data();
    double* s = Scratch.data();
    for (int i = 1; i < n; ++i) {
        const double* coeff =
            UseTable ? Coeffs.data() + static_cast<size_t>(i) * static_cast<size_t>(i - 1) / 2 : nullptr;
        for (int j = 0; j < i; ++j) {
            double sum = 0;
            for (int c = 0; c < D; ++c) {
                const double* xc = X.data() + static_cast<size_t>(c) * nn;
                const double w = xc[j] - xc[i];
                sum = sum + w * w;
            }
            s[j] = PairFactor(std::sqrt(sum)) * (coeff ? coeff[j] : FGravConstant);
        }
        const double negMi = -m[i];
        for (int j = 0; j < i; ++j) {
            const double mj = m[j];
            for (int c = 0; c < D; ++c) {
                const double* xc = X.data() + static_cast<size_t>(c) * nn;
                double* ac = A.data() + static_cast<size_t>(c) * nn;
                const double t = (xc[j] - xc[i]) * s[j];
                ac[i] = mj * t + ac[i];
                ac[j] = negMi * t + ac[j];
            }
        }
    }
}

const TVector& TForce::Acceleration(int index) {
    const size_t nn = static_cast<size_t>(Evaluated);
    if (index < 0 || index >= Evaluated) {
        Work.Clear();
        return Work;
    }
    for (int c = 0; c < FDimensions; ++c)
        Work[c] = A[static_cast<size_t>(c) * nn + static_cast<size_t>(index)];
    return Work;
}

double TForce::PotentialEnergy() {
    const int n = Particles.Count();
    const bool ln = FIntegralPower && FIntExponent == -2;
    const double power1 = GetPower() + 1;
    const bool haveTable = Prepared == n && n >= 2;
    double U = 0;
    for (int i = 0; i < n; ++i) {
        const TParticle& pi = Particles.Particles(i);
        for (int j = i + 1; j < n; ++j) {
            const TParticle& pj = Particles.Particles(j);
            const double d = pi.Position.Distance(pj.Position);
            double g;
            if (ln)
                g = std::log(d);
            else if (FIntegralPower)
                g = IntPower(d, FIntExponent + 2) / power1;
            else
                g = std::pow(d, power1) / power1;
            double C;
            if (haveTable)
                C = UseTable ? Coeffs[static_cast<size_t>(j) * static_cast<size_t>(j - 1) / 2 +
                                      static_cast<size_t>(i)]
                             : FGravConstant;
            else
                C = Coefficient(j, i);
            U = U + ((pi.Mass * pj.Mass) * C) * g;
        }
    }
    return U;
}

}  // namespace kinetra

// ---------------------------------------------------------------------------------------------
// The force line of a setup file

#include "engine/SetupFile.h"

namespace kinetra {

void TForce::LoadFromFile(TSetupReader& reader) {
    const double power = reader.ReadReal();
    const double gravConstant = reader.ReadReal();
    const double coulombCoeff = reader.ReadReal();
    reader.ReadLn();
    StoreConstants(gravConstant, coulombCoeff);
    SetPower(power);
}

void TForce::SaveToFile(TSetupWriter& writer) const {
    writer.WriteLine(TSetupWriter::Real(GetPower()) + " " + TSetupWriter::Real(FGravConstant) + " " +
                     TSetupWriter::Real(FCoulombCoeff));
}

}  // namespace kinetra
