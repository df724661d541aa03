// The pair-sum kernel of the force model: the accelerations of n particles from their
// coordinates, masses and pair coefficients, for the force law that TForce states (Forces.h) and
// hands over as a TPairLaw (PairLaw.h).
//
// Each unordered pair (i, j < i) is handled once in row i: with w = x_j - x_i, its squared
// length summed in coordinate order, d = sqrt of it and f = d^(Power-1) * C_ij, the term
// T = w * f is computed once; particle i gets m_j * T and particle j gets (-m_i) * T. Rows are
// taken in increasing order, in tiles of a few rows:
//  - the row pass, independent per j < i (so it vectorizes): the pair terms of each tile row;
//    particle j gets (-m_r) T_rj, rows in increasing order as its sum needs; the products
//    m_j T_rj are kept in the scratch;
//  - the sums of the tile's particles over j < i, one independent chain per row and coordinate,
//    so the latency of one addition hides behind the others;
//  - last the pairs inside the tile, row by row and j in increasing order, so that each row
//    particle is complete over its own row before later rows add their terms to it.
// Every particle thus receives its terms in the index order of the other particle, each rounded
// as in the plain sum a_i = sum_{j != i} (j < i ? m_j * T_ij : (-m_j) * T_ji): the result is bit
// for bit that of a table of pair terms summed per particle, whatever the tiling.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "model/PairLaw.h"

namespace kinetra {

struct TPairKernel {
    int Count = 0;              // n
    int Stride = 0;             // s = PairKernelStride(n): doubles from one coordinate to the next
    int Dimensions = 0;         // D
    const double* X = nullptr;  // coordinates, X[c * s + i]
    double* A = nullptr;        // accelerations, A[c * s + i], added to
    const double* M = nullptr;  // masses
    // The pair coefficient C_ij = G - ((K * q_i) * q_j) / (m_i * m_j) (i the later particle) is
    // formed per pair from the masses and charges the coefficients were made from; pairs with a
    // massless particle have C_ij = G. nullptr: every C_ij is G.
    const double* CoefMass = nullptr;    // m_j, or 1 for a massless particle
    const double* CoefCharge = nullptr;  // q_j, or 0 for a massless particle
    const double* Massive = nullptr;     // 1 when m_j != 0, else 0
    double G = 0;
    double K = 0;
    bool Cube = false;              // Power = -2: f = 1 / (d (d d))
    const TPairLaw* Law = nullptr;  // d^(Power-1) for every other power
    double* Scratch = nullptr;      // PairKernelScratch(Count, Dimensions) doubles
};

// The instruction sets the kernel is compiled for. Each gives the same bits; the best one the CPU
// has is used unless a test picks another.
enum class TKernelPath { Plain, Avx2, Avx512 };

// The paths this CPU can run, Plain first, the best last.
std::vector<TKernelPath> KernelPaths();
// Makes every later evaluation use `path`; false (and no change) when the CPU lacks it.
bool UseKernelPath(TKernelPath path);

// The distance between the coordinates of X, A and the scratch: n rounded up to 16 doubles (two
// cache lines, which the hardware fetches in pairs), so that with storage starting on such a pair
// (TLineVector) threads adding to the particles of different blocks never write to the same lines.
inline int PairKernelStride(int n) {
    return (n + 15) / 16 * 16;
}
// Doubles of scratch that the kernel needs for n particles in `dims` dimensions (whole lines).
std::size_t PairKernelScratch(int n, int dims);

// Storage that starts on a pair of cache lines.
template <class T>
struct TLineAllocator {
    using value_type = T;
    static constexpr std::align_val_t Line{128};
    TLineAllocator() = default;
    template <class U>
    TLineAllocator(const TLineAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), Line)); }
    void deallocate(T* p, std::size_t) { ::operator delete(p, Line); }
    friend bool operator==(const TLineAllocator&, const TLineAllocator&) { return true; }
};
using TLineVector = std::vector<double, TLineAllocator<double>>;

// The potential energy of n particles (see Forces.h): U = sum over the rows i = 0 .. n-2 and
// their partners j = i+1 .. n-1, in that order, of the pair terms ((m_i m_j) C_ji) g(d_ij), each
// added to U as it comes. The terms are independent and computed with the vector paths; only the
// chain of additions is sequential, and it keeps the order, so the bits are those of the plain
// loop. The pair coefficient of a later j and an earlier i is C_ji = G - ((K q_j) q_i) / (m_j m_i)
// when both masses are non-zero, else G.
enum class TPotentialForm {
    Reciprocal,  // Power = -2: g = (1 / d) / (Power + 1), Power + 1 = -1
    Logarithm,   // Power = -1: g = ln d
    WholePower,  // any other whole power: g = IntPower(d, Power + 1) / (Power + 1)
    RealPower    // g = d^(Power + 1) / (Power + 1)
};

struct TPotentialKernel {
    int Count = 0;              // n
    int Stride = 0;             // doubles from one coordinate to the next
    int Dimensions = 0;         // D
    const double* X = nullptr;  // coordinates, X[c * Stride + i]
    const double* M = nullptr;  // masses
    // Coefficients per pair (nullptr: every C_ji is G), per particle: K q_j (0 for a massless
    // particle), the mass (1 for a massless one), the charge, and 1 when the mass is non-zero, else 0.
    const double* KQ = nullptr;
    const double* CoefMass = nullptr;
    const double* Charge = nullptr;
    const double* Massive = nullptr;
    double G = 0;
    TPotentialForm Form = TPotentialForm::Reciprocal;
    int Exponent = 0;   // Power + 1 of a whole power
    double Power1 = 0;  // Power + 1
};

// The pairs of the rows first .. last-1 added to U in order; returns U.
double SumPotentialRows(const TPotentialKernel& k, int first, int last, double U);

// The potential shared among threads with the bits of SumPotentialRows(k, 0, n, 0): the pairs, in
// their order, are cut into chunks; every thread computes the terms of the next chunk not yet
// taken into a ring of buffers, and thread 0 adds the chunks to U in order as they are ready
// (computing chunks itself while the next one is not). A thread computes a chunk only when its
// buffer has been summed, so the threads run at most a ring ahead of the sum.
struct TPotentialShare {
    static constexpr int Chunk = 2048;  // pairs per chunk
    static constexpr int Slots = 16;    // chunks in the ring

    void Make(int n);
    int Count() const { return Particles; }
    // Before each sum, while no thread runs.
    void Reset();
    // Thread 0 returns U and adds the seconds it slept waiting for chunks to *slept; the other
    // threads return 0.
    double Run(const TPotentialKernel& k, int thread, double* slept);

private:
    void Compute(const TPotentialKernel& k, int chunk);
    int ChunkPairs(int chunk) const;

    int Particles = -1;
    long long Pairs = 0;
    int Chunks = 0;
    std::vector<int> Row;  // the first pair of each chunk: row and partner
    std::vector<int> Col;
    TLineVector Ring;
    struct alignas(128) TCounter {
        std::atomic<int> Value{0};
    };
    std::unique_ptr<TCounter[]> Ready;  // per buffer: 1 + the chunk it holds ready, 0 none
    TCounter Next;                      // the next chunk to compute
    TCounter Summed;                    // chunks added to U
};

// Adds the pair terms of rows first .. last-1 (each row i: the pairs (i, j < i)) to A. Rows must
// be taken in increasing order; [0, Count) is the whole evaluation.
void EvaluatePairRows(const TPairKernel& k, int first, int last);

// The evaluation shared among threads with the same bits as EvaluatePairRows(k, 0, n). The
// particles are cut into blocks; block (I, J), I >= J, holds the pairs of rows in block I with
// partners in block J. Each particle must receive its partner blocks in increasing order, so
// block (I, J) waits until blocks I and J have received the partner blocks before J and before I.
// The blocks of one anti-diagonal I + J = s touch different particles and run at once.
//
// Where the blocks lie in memory and who takes them decides the speed (measured on two cores):
//  - Blocks that run at the same time on different cores must not lie next to each other: a
//    core's hardware prefetcher reads ahead past the end of its block into lines that the other
//    core is writing, and the two then take the lines from each other all the time. So the
//    evaluation stores particle i of block b at slot i + b * Gap (Slot()), with Gap unused
//    doubles between blocks; the caller lays X, A, M and the coefficients out so.
//  - A block's particles move to another core when the next block holding them runs there. Each
//    anti-diagonal is therefore cut into one lane per thread, in order of J and of equal work,
//    so that a chain of blocks of the same particles mostly stays in one lane. A thread takes
//    the next block of its own lane when that block is ready, else the next block of another
//    lane that is ready, and waits only when none is: it never holds a block it has to wait
//    for, so the threads cannot wait for each other in a circle, and a thread that is late
//    (woken late, or its core taken by another program) holds up nobody.
//  - The first and last blocks are smaller, so that the narrow ends of the wavefront, where one
//    thread waits for the other, are short.
struct TPairSchedule {
    static constexpr int Gap = 32;

    int Count = 0;
    int Threads = 1;
    int Blocks = 0;
    std::vector<int> Start;  // block b holds particles Start[b] .. Start[b + 1] - 1
    std::vector<std::vector<std::pair<int, int>>> Lanes;  // blocks (I, J) of each thread
    // Partner blocks received per block, and the next block of each lane; each counter in lines
    // of its own, so that threads updating different counters do not share one.
    struct alignas(128) TCounter {
        std::atomic<int> Value{0};
    };
    std::unique_ptr<TCounter[]> Progress;
    std::unique_ptr<TCounter[]> Taken;
    TCounter Finished;  // blocks done

    void Make(int n, int threads);
    // Where particle i is stored, and the slots the storage needs (X, A, M: stride
    // PairKernelStride(SlotCount()), the scratch PairKernelScratch(SlotCount(), dims)).
    int Slot(int i) const;
    int SlotCount() const { return Count + (Blocks > 0 ? (Blocks - 1) * Gap : 0); }
    // Before each evaluation, while no thread runs.
    void Reset();
    // Thread `thread` (0 .. Threads - 1) takes blocks until none is left; k.Scratch is its own.
    // One thread alone may run them all. Returns the seconds the thread slept waiting for
    // blocks of the others.
    double Run(const TPairKernel& k, int thread);

private:
    void RunBlock(const TPairKernel& k, int I, int J);
};

}  // namespace kinetra
