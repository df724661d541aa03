#include "model/ForceKernel.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "model/Forces.h"

namespace kinetra {

namespace {

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Rows of the pair table that a tile handles together.
constexpr int TileRows = 4;
// Fewer particles: a tile's fixed costs outweigh what it saves, every tile is one row.
constexpr int MinTiled = 32;

// GCC's straight-line vectorizer would pack a tile's R * D independent sums into vector
// registers with a shuffle for every load, which costs about a tenth of the whole evaluation:
// the chains stay scalar.
#if defined(__GNUC__) && !defined(__clang__)
#define KINETRA_SCALAR_CHAINS __attribute__((optimize("no-tree-slp-vectorize")))
#else
#define KINETRA_SCALAR_CHAINS
#endif

template <bool Cube>
inline double Factor(const TForce* law, double d) {
    if constexpr (Cube)
        return 1 / (d * (d * d));
    else
        return law->PairFactorOf(d);
}

// The coefficients of one row i: K q_i and m_i as the pair coefficient takes them, and whether
// m_i is non-zero (else the row's coefficients are all G).
struct TRowCoef {
    double KQ = 0;
    double Mass = 1;
    bool Massive = false;
};

inline TRowCoef RowCoefOf(const TPairKernel& k, int i) {
    TRowCoef r;
    if (k.Massive == nullptr || k.Massive[i] == 0) return r;
    r.KQ = k.K * k.CoefCharge[i];
    r.Mass = k.CoefMass[i];
    r.Massive = true;
    return r;
}

// C_ij of row i (see ForceKernel.h): the same operations as a stored table of coefficients, so
// the same bits. Every operand is finite for a massless j (charge 0, mass 1), and the choice is
// made on the result, so the loops stay branch-free.
inline double PairCoef(const TRowCoef& r, double qj, double mj, double massive, double G) {
    const double c = G - (r.KQ * qj) / (r.Mass * mj);
    return r.Massive && massive != 0 ? c : G;
}

// The row pass with the dimension fixed (1..3): every coordinate in one loop over j < count.
// Plain pointers with restrict, so the loop vectorizes.
template <int D, bool Cube, bool Table>
void RowTermsFixed(int count, const double* __restrict x0, const double* __restrict x1,
                   const double* __restrict x2, double* __restrict a0, double* __restrict a1,
                   double* __restrict a2, const double* __restrict m, double* __restrict t0,
                   double* __restrict t1, double* __restrict t2, const double* __restrict cq,
                   const double* __restrict cm, const double* __restrict cmassive, const TRowCoef& rc,
                   const double xi[3], double negMi, double G, const TForce* law) {
    const TRowCoef r = rc;
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
        const double f =
            Factor<Cube>(law, std::sqrt(sum)) * (Table ? PairCoef(r, cq[j], cm[j], cmassive[j], G) : G);
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

// The row pass for any dimension: the coordinate loop outside the loops over j, so that every
// inner loop runs over j and vectorizes; each squared distance is still summed in coordinate
// order. sum and f hold count doubles each.
template <bool Cube, bool Table>
void RowTermsAnyD(int D, size_t nn, int row, int j0, int j1, const double* __restrict X, double* __restrict A,
                  const double* __restrict m, double* __restrict t, double* __restrict sum,
                  double* __restrict f, const double* __restrict cq, const double* __restrict cm,
                  const double* __restrict cmassive, const TRowCoef& rc, double negMi, double G,
                  const TForce* law) {
    const TRowCoef r = rc;
    for (int j = j0; j < j1; ++j) sum[j] = 0;
    for (int c = 0; c < D; ++c) {
        const double* __restrict xc = X + static_cast<size_t>(c) * nn;
        const double xi = xc[row];
        for (int j = j0; j < j1; ++j) {
            const double w = xc[j] - xi;
            sum[j] = sum[j] + w * w;
        }
    }
    for (int j = j0; j < j1; ++j)
        f[j] = Factor<Cube>(law, std::sqrt(sum[j])) * (Table ? PairCoef(r, cq[j], cm[j], cmassive[j], G) : G);
    for (int c = 0; c < D; ++c) {
        const double* __restrict xc = X + static_cast<size_t>(c) * nn;
        double* __restrict ac = A + static_cast<size_t>(c) * nn;
        double* __restrict tc = t + static_cast<size_t>(c) * nn;
        const double xi = xc[row];
        for (int j = j0; j < j1; ++j) {
            const double u = (xc[j] - xi) * f[j];
            ac[j] = negMi * u + ac[j];
            tc[j] = m[j] * u;
        }
    }
}

// The column pointers of one evaluation for a dimension fixed at 1..3 (coordinates past D
// point at coordinate 0 and are never used): x, a and the products m_j T_rj of tile row r.
struct TColumns {
    const double* x[3];
    double* a[3];
    double* mt[TileRows][3];
};

TColumns ColumnsOf(const TPairKernel& k, int D) {
    const size_t nn = static_cast<size_t>(k.Count);
    TColumns cols{};
    for (int c = 0; c < 3; ++c) {
        const size_t cc = static_cast<size_t>(c < D ? c : 0);
        cols.x[c] = k.X + cc * nn;
        cols.a[c] = k.A + cc * nn;
        for (int r = 0; r < TileRows; ++r)
            cols.mt[r][c] = k.Scratch + (static_cast<size_t>(r) * static_cast<size_t>(D) + cc) * nn;
    }
    return cols;
}

// Rows i .. i+R-1 (see ForceKernel.h). D = 1..3 fixes the dimension at compile time and keeps
// the tile's particles in registers; D = 0 takes the dimension from k, and its one-row tile adds
// each pair's terms as they come. The scratch holds m_j T_rj of row r, coordinate c at
// (r * dims + c) * n, then (any dimension) the squared distances and factors of one row.
template <int D, int R, bool Cube, bool Table>
KINETRA_SCALAR_CHAINS void Tile(const TPairKernel& k, const TColumns& cols, int i, int j0, int j1,
                                bool inner) {
    const int dims = D > 0 ? D : k.Dimensions;
    const size_t nn = static_cast<size_t>(k.Count);
    const size_t sd = static_cast<size_t>(dims);
    const double* X = k.X;
    double* A = k.A;
    const double* m = k.M;
    double negM[R];
    TRowCoef cr[R];
    for (int r = 0; r < R; ++r) {
        negM[r] = -m[i + r];
        if constexpr (Table) cr[r] = RowCoefOf(k, i + r);
    }
    const double* cq = k.CoefCharge;
    const double* cm = k.CoefMass;
    const double* cmassive = k.Massive;

    if constexpr (D > 0) {
        double xr[R][3] = {};
        for (int r = 0; r < R; ++r)
            for (int c = 0; c < D; ++c) xr[r][c] = cols.x[c][i + r];
        // The row pass of every tile row.
        for (int r = 0; r < R; ++r)
            RowTermsFixed<D, Cube, Table>(j1 - j0, cols.x[0] + j0, cols.x[1] + j0, cols.x[2] + j0,
                                          cols.a[0] + j0, cols.a[1] + j0, cols.a[2] + j0, m + j0,
                                          cols.mt[r][0] + j0, cols.mt[r][1] + j0, cols.mt[r][2] + j0,
                                          Table ? cq + j0 : nullptr, Table ? cm + j0 : nullptr,
                                          Table ? cmassive + j0 : nullptr, cr[r], xr[r], negM[r], k.G, k.Law);
        // The sums of the tile's particles over j < i: R * D independent chains.
        double acc[R][D];
        for (int r = 0; r < R; ++r)
            for (int c = 0; c < D; ++c) acc[r][c] = cols.a[c][i + r];
        for (int j = j0; j < j1; ++j)
            for (int r = 0; r < R; ++r)
                for (int c = 0; c < D; ++c) acc[r][c] = cols.mt[r][c][j] + acc[r][c];
        // The pairs inside the tile.
        for (int r = 1; inner && r < R; ++r) {
            for (int q = 0; q < r; ++q) {
                double w[D];
                double sum = 0;
                for (int c = 0; c < D; ++c) {
                    w[c] = xr[q][c] - xr[r][c];
                    sum = sum + w[c] * w[c];
                }
                const double f = Factor<Cube>(k.Law, std::sqrt(sum)) *
                                 (Table ? PairCoef(cr[r], cq[i + q], cm[i + q], cmassive[i + q], k.G) : k.G);
                const double mq = m[i + q];
                for (int c = 0; c < D; ++c) {
                    const double t = w[c] * f;
                    acc[r][c] = mq * t + acc[r][c];
                    acc[q][c] = negM[r] * t + acc[q][c];
                }
            }
        }
        for (int r = 0; r < R; ++r)
            for (int c = 0; c < D; ++c) cols.a[c][i + r] = acc[r][c];
    } else if constexpr (R == 1) {
        // One row: the factors first, then each pair's terms added to both particles.
        double* f = k.Scratch;
        for (int j = j0; j < j1; ++j) {
            double sum = 0;
            for (int c = 0; c < dims; ++c) {
                const double* xc = X + static_cast<size_t>(c) * nn;
                const double w = xc[j] - xc[i];
                sum = sum + w * w;
            }
            f[j] = Factor<Cube>(k.Law, std::sqrt(sum)) *
                   (Table ? PairCoef(cr[0], cq[j], cm[j], cmassive[j], k.G) : k.G);
        }
        for (int j = j0; j < j1; ++j) {
            const double mj = m[j];
            for (int c = 0; c < dims; ++c) {
                const double* xc = X + static_cast<size_t>(c) * nn;
                double* ac = A + static_cast<size_t>(c) * nn;
                const double t = (xc[j] - xc[i]) * f[j];
                ac[i] = mj * t + ac[i];
                ac[j] = negM[0] * t + ac[j];
            }
        }
    } else {
        double* mt = k.Scratch;
        double* sum = mt + static_cast<size_t>(TileRows) * sd * nn;
        // The row pass of every tile row.
        for (int r = 0; r < R; ++r)
            RowTermsAnyD<Cube, Table>(dims, nn, i + r, j0, j1, X, A, m, mt + static_cast<size_t>(r) * sd * nn,
                                      sum, sum + nn, cq, cm, cmassive, cr[r], negM[r], k.G, k.Law);
        // The sums of the tile's particles over j < i, R independent chains per coordinate.
        for (int c = 0; c < dims; ++c) {
            double acc[R];
            const double* tr[R];
            for (int r = 0; r < R; ++r) {
                acc[r] = A[static_cast<size_t>(c) * nn + static_cast<size_t>(i + r)];
                tr[r] = mt + (static_cast<size_t>(r) * sd + static_cast<size_t>(c)) * nn;
            }
            for (int j = j0; j < j1; ++j)
                for (int r = 0; r < R; ++r) acc[r] = tr[r][j] + acc[r];
            for (int r = 0; r < R; ++r) A[static_cast<size_t>(c) * nn + static_cast<size_t>(i + r)] = acc[r];
        }
        // The pairs inside the tile.
        for (int r = 1; inner && r < R; ++r) {
            for (int q = 0; q < r; ++q) {
                double s2 = 0;
                for (int c = 0; c < dims; ++c) {
                    const double* xc = X + static_cast<size_t>(c) * nn;
                    const double w = xc[i + q] - xc[i + r];
                    s2 = s2 + w * w;
                }
                const double f = Factor<Cube>(k.Law, std::sqrt(s2)) *
                                 (Table ? PairCoef(cr[r], cq[i + q], cm[i + q], cmassive[i + q], k.G) : k.G);
                const double mq = m[i + q];
                for (int c = 0; c < dims; ++c) {
                    const double* xc = X + static_cast<size_t>(c) * nn;
                    double* ac = A + static_cast<size_t>(c) * nn;
                    const double t = (xc[i + q] - xc[i + r]) * f;
                    ac[i + r] = mq * t + ac[i + r];
                    ac[i + q] = negM[r] * t + ac[i + q];
                }
            }
        }
    }
}

// Rows first .. last-1 with the partners j in [colFirst, colLast), or, when colLast < 0, in
// [colFirst, i) together with the pairs among the rows themselves.
template <int D, bool Cube, bool Table>
void Rows(const TPairKernel& k, int first, int last, int colFirst, int colLast) {
    const TColumns cols = ColumnsOf(k, D > 0 ? D : 1);
    const bool inner = colLast < 0;
    int i = first < 1 ? 1 : first;  // row 0 has no pairs
    if (k.Count >= MinTiled)
        for (; i + TileRows <= last; i += TileRows)
            Tile<D, TileRows, Cube, Table>(k, cols, i, colFirst, inner ? i : colLast, inner);
    for (; i < last; ++i) Tile<D, 1, Cube, Table>(k, cols, i, colFirst, inner ? i : colLast, inner);
}

template <int D>
void RowsOfLaw(const TPairKernel& k, int first, int last, int colFirst, int colLast) {
    const bool table = k.Massive != nullptr;
    if (k.Cube)
        table ? Rows<D, true, true>(k, first, last, colFirst, colLast)
              : Rows<D, true, false>(k, first, last, colFirst, colLast);
    else
        table ? Rows<D, false, true>(k, first, last, colFirst, colLast)
              : Rows<D, false, false>(k, first, last, colFirst, colLast);
}

void Block(const TPairKernel& k, int first, int last, int colFirst, int colLast) {
    switch (k.Dimensions) {
        case 1:
            RowsOfLaw<1>(k, first, last, colFirst, colLast);
            break;
        case 2:
            RowsOfLaw<2>(k, first, last, colFirst, colLast);
            break;
        case 3:
            RowsOfLaw<3>(k, first, last, colFirst, colLast);
            break;
        default:
            RowsOfLaw<0>(k, first, last, colFirst, colLast);
            break;
    }
}

}  // namespace

std::size_t PairKernelScratch(int n, int dims) {
    return (static_cast<size_t>(TileRows) * static_cast<size_t>(dims) + 2) * static_cast<size_t>(n);
}

void EvaluatePairRows(const TPairKernel& k, int first, int last) {
    Block(k, first, last, 0, -1);
}

void TPairSchedule::Make(int n, int threads) {
    Count = n;
    Threads = threads < 1 ? 1 : threads;
    // About a dozen blocks per thread keep the threads busy through the narrow ends of the
    // wavefront; blocks of at least 32 particles keep the waiting small against the work.
    const int wanted = 12 * Threads;
    int size = (n + wanted - 1) / wanted;
    size = (size + TileRows - 1) / TileRows * TileRows;
    BlockSize = size < 32 ? 32 : size;
    Blocks = n > 0 ? (n + BlockSize - 1) / BlockSize : 0;
    Progress = std::make_unique<std::atomic<int>[]>(static_cast<size_t>(Blocks > 0 ? Blocks : 1));
    PerThread.assign(static_cast<size_t>(Threads), {});
    // Anti-diagonal s holds the blocks (I, J) with I + J = s: each block of particles meets one
    // block of partners there, so its blocks are independent. They go to the least loaded thread,
    // the full blocks first (a diagonal block holds half the pairs).
    std::vector<double> load(static_cast<size_t>(Threads));
    for (int s = 0; s <= 2 * (Blocks - 1); ++s) {
        std::fill(load.begin(), load.end(), 0.0);
        for (int pass = 0; pass < 2; ++pass)
            for (int J = 0; J < Blocks; ++J) {
                const int I = s - J;
                if (I < J || I >= Blocks || (I == J) != (pass == 1)) continue;
                const auto least = std::min_element(load.begin(), load.end()) - load.begin();
                load[static_cast<size_t>(least)] += I == J ? 0.5 : 1;
                PerThread[static_cast<size_t>(least)].push_back({I, J});
            }
    }
}

void TPairSchedule::Reset() {
    for (int b = 0; b < Blocks; ++b) Progress[b].store(0, std::memory_order_relaxed);
}

void TPairSchedule::Run(const TPairKernel& k, int thread) {
    for (const auto& [I, J] : PerThread[static_cast<size_t>(thread)]) {
        // Block (I, J) adds the partners of block J to the particles of block I and the other
        // way round: it waits until each has received the blocks of partners before those.
        for (int spins = 0; Progress[I].load(std::memory_order_acquire) != J ||
                            Progress[J].load(std::memory_order_acquire) != I;
             ++spins) {
            if (spins < 4096)
                CpuRelax();
            else
                std::this_thread::yield();
        }
        const int first = I * BlockSize;
        const int last = std::min(first + BlockSize, Count);
        if (I == J) {
            Block(k, first, last, first, -1);
            Progress[I].fetch_add(1, std::memory_order_release);
        } else {
            const int colFirst = J * BlockSize;
            Block(k, first, last, colFirst, colFirst + BlockSize);
            Progress[I].fetch_add(1, std::memory_order_release);
            Progress[J].fetch_add(1, std::memory_order_release);
        }
    }
}

}  // namespace kinetra
