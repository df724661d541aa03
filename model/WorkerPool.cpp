#include "model/WorkerPool.h"

#include <algorithm>
#include <cfenv>
#include <string>
#include <system_error>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace kinetra {

namespace {

// Waits until `value` differs from `seen`: a short spin first, since evaluations follow each
// other closely in a run and a sleeping thread takes long to wake; then sleeps until notified,
// so that a waiting thread leaves its core to others on a busy machine.
template <class T>
T WaitChange(const std::atomic<T>& value, T seen) {
    for (int spins = 0; spins < 256; ++spins) {
        const T now = value.load(std::memory_order_acquire);
        if (now != seen) return now;
#if defined(__x86_64__) || defined(__i386__)
        _mm_pause();
#endif
    }
    for (T now = value.load(std::memory_order_acquire);; now = value.load(std::memory_order_acquire)) {
        if (now != seen) return now;
        value.wait(seen, std::memory_order_acquire);
    }
}

}  // namespace

namespace {
std::atomic<TThreadStarter> ThreadStarter{nullptr};
}  // namespace

std::thread StartThread(std::function<void()> body) {
    if (const TThreadStarter starter = ThreadStarter.load()) return starter(std::move(body));
    return std::thread(std::move(body));
}

TThreadStarter SetThreadStarter(TThreadStarter starter) {
    return ThreadStarter.exchange(starter);
}

int MachineThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

TWorkerPool::TWorkerPool(int threads) {
    Workers.reserve(static_cast<size_t>(std::max(threads - 1, 0)));
    for (int t = 1; t < threads; ++t) {
        try {
            Workers.push_back(StartThread([this, t] { Work(t); }));
        } catch (const std::system_error& e) {
            // No destructor runs for a constructor that throws: the threads started must end here.
            StopWorkers();
            throw EThreadStart("Could not start thread " + std::to_string(t + 1) + " of " +
                               std::to_string(threads) + ": " + e.code().message());
        }
    }
}

TWorkerPool::~TWorkerPool() {
    StopWorkers();
}

void TWorkerPool::StopWorkers() {
    Stop.store(true, std::memory_order_relaxed);
    Generation.fetch_add(1, std::memory_order_release);
    Generation.notify_all();
    for (std::thread& w : Workers) w.join();
    Workers.clear();
}

void TWorkerPool::Work(int thread) {
    unsigned seen = 0;
    for (;;) {
        seen = WaitChange(Generation, seen);
        if (Stop.load(std::memory_order_relaxed)) return;
        std::feclearexcept(FE_ALL_EXCEPT);
        Job(Context, thread);
        const int raised = std::fetestexcept(FE_ALL_EXCEPT);
        if (raised != 0) Flags.fetch_or(raised, std::memory_order_relaxed);
        if (Pending.fetch_sub(1, std::memory_order_acq_rel) == 1) Pending.notify_one();
    }
}

void TWorkerPool::Run(TJob job, void* context) {
    if (Workers.empty()) {
        job(context, 0);
        return;
    }
    Job = job;
    Context = context;
    Flags.store(0, std::memory_order_relaxed);
    Pending.store(static_cast<int>(Workers.size()), std::memory_order_relaxed);
    Generation.fetch_add(1, std::memory_order_release);
    Generation.notify_all();
    job(context, 0);
    for (int p = Pending.load(std::memory_order_acquire); p != 0; p = Pending.load(std::memory_order_acquire))
        WaitChange(Pending, p);
    const int raised = Flags.load(std::memory_order_relaxed);
    if (raised != 0) std::feraiseexcept(raised);
}

}  // namespace kinetra
