#include "model/ForceKernel.h"

#include <algorithm>
#include <cmath>

#include "model/Forces.h"

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

// Waits until `progress` (which only grows) reaches `value`. A block of partners usually
// arrives within microseconds, so the wait spins briefly; past that, the other thread is most
// likely off its core (a busy machine), and the wait sleeps until notified instead of taking
// the core that thread needs.
inline void WaitFor(const std::atomic<int>& progress, int value) {
    constexpr int Spins = 128;
    for (int spins = 0;; ++spins) {
        const int seen = progress.load(std::memory_order_acquire);
        if (seen == value) return;
        if (spins < Spins)
            CpuRelax();
        else
            progress.wait(seen, std::memory_order_acquire);
    }
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

TBlockFn BlockOf(TKernelPath path) {
    switch (path) {
#if KINETRA_KERNEL_DISPATCH
        case TKernelPath::Avx512:
            return avx512::Block;
        case TKernelPath::Avx2:
            return avx2::Block;
#endif
        default:
            return plain::Block;
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

std::atomic<TBlockFn> CurrentBlock{BlockOf(BestKernelPath())};

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
    CurrentBlock.store(BlockOf(path), std::memory_order_relaxed);
    return true;
}

int PairKernelStride(int n) {
    return (n + 7) / 8 * 8;
}

std::size_t PairKernelScratch(int n, int dims) {
    return (static_cast<size_t>(TileRows) * static_cast<size_t>(dims) + 2) *
           static_cast<size_t>(PairKernelStride(n));
}

void EvaluatePairRows(const TPairKernel& k, int first, int last) {
    Block(k, first, last, 0, -1);
}

void TPairSchedule::Make(int n, int threads) {
    Count = n;
    Threads = threads < 1 ? 1 : threads;
    // A block's particles move between the cores' caches once per block, so the blocks are
    // large: about six per thread and side (2 threads: N = 1000 in blocks of 88, N = 3000 of
    // 256), which still leaves enough blocks per anti-diagonal beyond the narrow ends. Blocks
    // of at least 32 particles keep the waiting small against the work, and a multiple of 8
    // particles (one cache line, the stride of X and A too) keeps blocks that run at once off
    // each other's cache lines.
    const int wanted = 6 * Threads;
    int size = (n + wanted - 1) / wanted;
    size = (size + 7) / 8 * 8;
    BlockSize = size < 32 ? 32 : size;
    Blocks = n > 0 ? (n + BlockSize - 1) / BlockSize : 0;
    Progress = std::make_unique<TCounter[]>(static_cast<size_t>(Blocks > 0 ? Blocks : 1));
    // Anti-diagonal s holds the blocks (I, J) with I + J = s: each block of particles meets one
    // block of partners there, so its blocks are independent. The full blocks come first (a
    // diagonal block holds half the pairs), so that the half block fills a gap at the end.
    Order.clear();
    for (int s = 0; s <= 2 * (Blocks - 1); ++s)
        for (int pass = 0; pass < 2; ++pass)
            for (int J = 0; J < Blocks; ++J) {
                const int I = s - J;
                if (I < J || I >= Blocks || (I == J) != (pass == 1)) continue;
                Order.push_back({I, J});
            }
}

void TPairSchedule::Reset() {
    for (int b = 0; b < Blocks; ++b) Progress[b].Value.store(0, std::memory_order_relaxed);
    Next.Value.store(0, std::memory_order_relaxed);
}

void TPairSchedule::Run(const TPairKernel& k) {
    const int blocks = static_cast<int>(Order.size());
    for (int b = Next.Value.fetch_add(1, std::memory_order_relaxed); b < blocks;
         b = Next.Value.fetch_add(1, std::memory_order_relaxed)) {
        const auto [I, J] = Order[static_cast<size_t>(b)];
        std::atomic<int>& rows = Progress[I].Value;
        std::atomic<int>& partners = Progress[J].Value;
        // Block (I, J) adds the partners of block J to the particles of block I and the other
        // way round: it waits until each has received the blocks of partners before those.
        WaitFor(rows, J);
        WaitFor(partners, I);
        const int first = I * BlockSize;
        const int last = std::min(first + BlockSize, Count);
        if (I == J) {
            Block(k, first, last, first, -1);
            rows.fetch_add(1, std::memory_order_release);
            rows.notify_all();
        } else {
            const int colFirst = J * BlockSize;
            Block(k, first, last, colFirst, colFirst + BlockSize);
            rows.fetch_add(1, std::memory_order_release);
            partners.fetch_add(1, std::memory_order_release);
            rows.notify_all();
            partners.notify_all();
        }
    }
}

}  // namespace kinetra
