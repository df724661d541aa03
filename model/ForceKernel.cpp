#include "model/ForceKernel.h"

#include <algorithm>
#include <chrono>
#include <cmath>

// Run-time choice among tiles compiled for several x86-64 instruction sets (GCC's per-function
// targets); elsewhere the one plain copy.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define KINETRA_KERNEL_DISPATCH 1
#else
#define KINETRA_KERNEL_DISPATCH 0
#endif

namespace kinetra {

namespace {

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Waits until `counter` (which only grows) differs from `seen`. A block usually finishes within
// microseconds, so the wait spins briefly; past that, the other thread is most likely off its
// core (a busy machine), and the wait sleeps until notified instead of taking the core that
// thread needs. Returns the seconds it slept.
inline double WaitPast(const std::atomic<int>& counter, int seen) {
    constexpr int Spins = 1024;
    for (int spins = 0; spins < Spins; ++spins) {
        if (counter.load(std::memory_order_acquire) != seen) return 0;
        CpuRelax();
    }
    const auto start = std::chrono::steady_clock::now();
    while (counter.load(std::memory_order_acquire) == seen) counter.wait(seen, std::memory_order_acquire);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Rows of the pair table that a tile handles together.
constexpr int TileRows = 4;
// Fewer particles: a tile's fixed costs outweigh what it saves, every tile is one row.
constexpr int MinTiled = 32;
// Partners a tile of more than 3 dimensions takes at a time (see Tile).
constexpr int PartnerBlock = 128;

// GCC's straight-line vectorizer would pack a tile's R * D independent sums into vector
// registers with a shuffle for every load, which costs about a tenth of the whole evaluation:
// the chains stay scalar.
#if defined(__GNUC__) && !defined(__clang__)
#define KINETRA_SCALAR_CHAINS __attribute__((optimize("no-tree-slp-vectorize")))
#else
#define KINETRA_SCALAR_CHAINS
#endif

// The loop that follows carries no dependence between its iterations (pointers into one array
// that never overlap), so it vectorizes without checks.
#if defined(__GNUC__) && !defined(__clang__)
#define KINETRA_NO_LOOP_DEPENDENCE _Pragma("GCC ivdep")
#else
#define KINETRA_NO_LOOP_DEPENDENCE
#endif

// The same tiles compiled for several instruction sets; the best one the CPU has is chosen once.
// Fused multiply-add stays off on every one (none enables "fma", and contraction is off in
// every build), so each gives the same bits.
using TBlockFn = void (*)(const TPairKernel& k, int first, int last, int colFirst, int colLast);
using TPotentialFn = double (*)(const TPotentialKernel& k, int first, int last, double U);
using TPotentialChunkFn = void (*)(const TPotentialKernel& k, int row, int col, int count, double* out);

// The functions of one instruction set.
struct TPathFunctions {
    TBlockFn Block;
    TPotentialFn Potential;
    TPotentialChunkFn PotentialChunk;
};

namespace plain {
#include "model/ForceKernelTiles.inc"
}  // namespace plain

#if KINETRA_KERNEL_DISPATCH
#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
#include "model/ForceKernelTiles.inc"
}  // namespace avx2
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512f,avx512dq,avx512vl,prefer-vector-width=512")
namespace avx512 {
#include "model/ForceKernelTiles.inc"
}  // namespace avx512
#pragma GCC pop_options
#endif

constexpr TPathFunctions PlainFunctions{plain::Block, plain::SumPotential, plain::PotentialChunk};
#if KINETRA_KERNEL_DISPATCH
constexpr TPathFunctions Avx2Functions{avx2::Block, avx2::SumPotential, avx2::PotentialChunk};
constexpr TPathFunctions Avx512Functions{avx512::Block, avx512::SumPotential, avx512::PotentialChunk};
#endif

const TPathFunctions* FunctionsOf(TKernelPath path) {
    switch (path) {
#if KINETRA_KERNEL_DISPATCH
        case TKernelPath::Avx512:
            return &Avx512Functions;
        case TKernelPath::Avx2:
            return &Avx2Functions;
#endif
        default:
            return &PlainFunctions;
    }
}

bool Supports(TKernelPath path) {
#if KINETRA_KERNEL_DISPATCH
    __builtin_cpu_init();
    switch (path) {
        case TKernelPath::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                   __builtin_cpu_supports("avx512vl");
        case TKernelPath::Avx2:
            return __builtin_cpu_supports("avx2");
        default:
            return true;
    }
#else
    return path == TKernelPath::Plain;
#endif
}

TKernelPath BestKernelPath() {
    for (TKernelPath path : {TKernelPath::Avx512, TKernelPath::Avx2})
        if (Supports(path)) return path;
    return TKernelPath::Plain;
}

std::atomic<const TPathFunctions*> Current{FunctionsOf(BestKernelPath())};
// The tiles' entry of the current path on its own, one load fewer for the many small evaluations.
std::atomic<TBlockFn> CurrentBlock{FunctionsOf(BestKernelPath())->Block};

void Block(const TPairKernel& k, int first, int last, int colFirst, int colLast) {
    CurrentBlock.load(std::memory_order_relaxed)(k, first, last, colFirst, colLast);
}

}  // namespace

std::vector<TKernelPath> KernelPaths() {
    std::vector<TKernelPath> paths;
    for (TKernelPath path : {TKernelPath::Plain, TKernelPath::Avx2, TKernelPath::Avx512})
        if (Supports(path)) paths.push_back(path);
    return paths;
}

bool UseKernelPath(TKernelPath path) {
    if (!Supports(path)) return false;
    Current.store(FunctionsOf(path), std::memory_order_relaxed);
    CurrentBlock.store(FunctionsOf(path)->Block, std::memory_order_relaxed);
    return true;
}

std::size_t PairKernelScratch(int n, int dims) {
    return (static_cast<size_t>(TileRows) * static_cast<size_t>(dims) + 2) *
           static_cast<size_t>(PairKernelStride(n));
}

void EvaluatePairRows(const TPairKernel& k, int first, int last) {
    Block(k, first, last, 0, -1);
}

double SumPotentialRows(const TPotentialKernel& k, int first, int last, double U) {
    return Current.load(std::memory_order_relaxed)->Potential(k, first, last, U);
}

void TPotentialShare::Make(int n) {
    Particles = n;
    Pairs = n < 2 ? 0 : static_cast<long long>(n) * (n - 1) / 2;
    Chunks = static_cast<int>((Pairs + Chunk - 1) / Chunk);
    Row.assign(static_cast<size_t>(Chunks), 0);
    Col.assign(static_cast<size_t>(Chunks), 0);
    // Walk the rows: row i holds the n - 1 - i pairs (i, i+1 .. n-1).
    long long before = 0;  // pairs of the rows before row i
    int c = 0;
    for (int i = 0; i + 1 < n && c < Chunks; ++i) {
        const long long rowEnd = before + (n - 1 - i);
        for (; c < Chunks && static_cast<long long>(c) * Chunk < rowEnd; ++c) {
            Row[static_cast<size_t>(c)] = i;
            Col[static_cast<size_t>(c)] =
                i + 1 + static_cast<int>(static_cast<long long>(c) * Chunk - before);
        }
        before = rowEnd;
    }
    Ring.assign(static_cast<size_t>(Slots) * Chunk, 0.0);
    Ready = std::make_unique<TCounter[]>(Slots);
}

void TPotentialShare::Reset() {
    for (int s = 0; s < Slots; ++s) Ready[s].Value.store(0, std::memory_order_relaxed);
    Next.Value.store(0, std::memory_order_relaxed);
    Summed.Value.store(0, std::memory_order_relaxed);
}

int TPotentialShare::ChunkPairs(int chunk) const {
    const long long left = Pairs - static_cast<long long>(chunk) * Chunk;
    return left < Chunk ? static_cast<int>(left) : Chunk;
}

void TPotentialShare::Compute(const TPotentialKernel& k, int chunk) {
    const int slot = chunk % Slots;
    Current.load(std::memory_order_relaxed)
        ->PotentialChunk(k, Row[static_cast<size_t>(chunk)], Col[static_cast<size_t>(chunk)],
                         ChunkPairs(chunk), Ring.data() + static_cast<size_t>(slot) * Chunk);
    Ready[slot].Value.store(chunk + 1, std::memory_order_release);
    Ready[slot].Value.notify_all();
}

double TPotentialShare::Run(const TPotentialKernel& k, int thread, double* slept) {
    std::atomic<int>& next = Next.Value;
    std::atomic<int>& summed = Summed.Value;
    if (thread != 0) {
        // Compute the next chunk whose buffer is free, until none is left.
        for (;;) {
            int c = next.load(std::memory_order_relaxed);
            if (c >= Chunks) return 0;
            const int done = summed.load(std::memory_order_acquire);
            if (c >= done + Slots) {
                WaitPast(summed, done);
                continue;
            }
            if (next.compare_exchange_strong(c, c + 1, std::memory_order_relaxed)) Compute(k, c);
        }
    }
    double U = 0;
    for (int s = 0; s < Chunks;) {
        const int slot = s % Slots;
        const int ready = Ready[slot].Value.load(std::memory_order_acquire);
        if (ready == s + 1) {
            // The chain of additions, in the order of the pairs.
            const double* t = Ring.data() + static_cast<size_t>(slot) * Chunk;
            const int count = ChunkPairs(s);
            for (int q = 0; q < count; ++q) U = U + t[q];
            ++s;
            summed.store(s, std::memory_order_release);
            summed.notify_all();
            continue;
        }
        // The next chunk is not ready: compute one while waiting, if any is left whose buffer
        // is free.
        int c = next.load(std::memory_order_relaxed);
        if (c < Chunks && c < s + Slots &&
            next.compare_exchange_strong(c, c + 1, std::memory_order_relaxed)) {
            Compute(k, c);
            continue;
        }
        *slept += WaitPast(Ready[slot].Value, ready);
    }
    return U;
}

void TPairSchedule::Make(int n, int threads) {
    Count = n;
    Threads = threads < 1 ? 1 : threads;
    // About six blocks per thread and side (2 threads: N = 1000 in blocks of 96, N = 3000 of
    // 256), a multiple of 16 particles (two cache lines of each coordinate) and at least 32.
    // Eight or twelve were no faster; fewer, larger blocks leave longer ends of the wavefront.
    const int wanted = 6 * Threads;
    int size = (n + wanted - 1) / wanted;
    size = (size + 15) / 16 * 16;
    size = size < 32 ? 32 : size;
    // The first two blocks are a quarter and a half block, and so are the last two (in whole
    // multiples of 16), when there is room.
    std::vector<int> ends;
    const int quarter = (size / 4 + 15) / 16 * 16;
    const int half = (size / 2 + 15) / 16 * 16;
    if (n >= 2 * (quarter + half + size)) ends = {quarter, half};
    std::vector<int> sizes(ends);
    int middle = n;
    for (int e : ends) middle -= 2 * e;
    for (; middle > 0; middle -= size) sizes.push_back(middle < size ? middle : size);
    sizes.insert(sizes.end(), ends.rbegin(), ends.rend());
    Start.assign(1, 0);
    for (int b : sizes) Start.push_back(Start.back() + b);
    Blocks = static_cast<int>(sizes.size());
    Progress = std::make_unique<TCounter[]>(static_cast<size_t>(Blocks > 0 ? Blocks : 1));
    Taken = std::make_unique<TCounter[]>(static_cast<size_t>(Threads));

    // Each anti-diagonal s in order of J, cut into lanes of equal work (pairs).
    const auto pairs = [this](int I, int J) {
        const double a = Start[I + 1] - Start[I];
        return I == J ? a * (a - 1) / 2 : a * (Start[J + 1] - Start[J]);
    };
    Lanes.assign(static_cast<size_t>(Threads), {});
    for (int s = 0; s <= 2 * (Blocks - 1); ++s) {
        double total = 0;
        for (int J = 0; J <= s / 2; ++J)
            if (s - J < Blocks) total += pairs(s - J, J);
        double before = 0;
        for (int J = 0; J <= s / 2; ++J) {
            const int I = s - J;
            if (I >= Blocks) continue;
            const double w = pairs(I, J);
            int lane = total > 0 ? static_cast<int>((before + w / 2) * Threads / total) : 0;
            lane = lane < Threads ? lane : Threads - 1;
            Lanes[static_cast<size_t>(lane)].push_back({I, J});
            before += w;
        }
    }
}

int TPairSchedule::Slot(int i) const {
    const int b = static_cast<int>(std::upper_bound(Start.begin(), Start.end(), i) - Start.begin()) - 1;
    return i + (b < 0 ? 0 : b < Blocks ? b : Blocks - 1) * Gap;
}

void TPairSchedule::Reset() {
    for (int b = 0; b < Blocks; ++b) Progress[b].Value.store(0, std::memory_order_relaxed);
    for (int t = 0; t < Threads; ++t) Taken[t].Value.store(0, std::memory_order_relaxed);
    Finished.Value.store(0, std::memory_order_relaxed);
}

double TPairSchedule::Run(const TPairKernel& k, int thread) {
    double slept = 0;
    for (;;) {
        const int seen = Finished.Value.load(std::memory_order_acquire);
        bool left = false;
        bool ran = false;
        // The next block of the own lane if it is ready, else the first ready next block of
        // another lane: a thread never holds a block it has to wait for.
        for (int q = 0; q < Threads && !ran; ++q) {
            const int lane = (thread + q) % Threads;
            const std::vector<std::pair<int, int>>& blocks = Lanes[static_cast<size_t>(lane)];
            std::atomic<int>& taken = Taken[lane].Value;
            int b = taken.load(std::memory_order_relaxed);
            if (b >= static_cast<int>(blocks.size())) continue;
            left = true;
            const auto [I, J] = blocks[static_cast<size_t>(b)];
            // Block (I, J) adds the partners of block J to the particles of block I and the
            // other way round: it is ready when each has received the blocks of partners before
            // those.
            if (Progress[I].Value.load(std::memory_order_acquire) != J ||
                Progress[J].Value.load(std::memory_order_acquire) != I)
                continue;
            ran = true;  // or another thread took it: look again at once
            if (taken.compare_exchange_strong(b, b + 1, std::memory_order_relaxed)) RunBlock(k, I, J);
        }
        if (!left) return slept;
        if (!ran) slept += WaitPast(Finished.Value, seen);
    }
}

void TPairSchedule::RunBlock(const TPairKernel& k, int I, int J) {
    const int first = Start[I] + I * Gap;
    const int last = Start[I + 1] + I * Gap;
    if (I == J) {
        Block(k, first, last, first, -1);
        Progress[I].Value.fetch_add(1, std::memory_order_release);
    } else {
        const int colFirst = Start[J] + J * Gap;
        Block(k, first, last, colFirst, colFirst + (Start[J + 1] - Start[J]));
        Progress[I].Value.fetch_add(1, std::memory_order_release);
        Progress[J].Value.fetch_add(1, std::memory_order_release);
    }
    Finished.Value.fetch_add(1, std::memory_order_release);
    Finished.Value.notify_all();
}

}  // namespace kinetra
