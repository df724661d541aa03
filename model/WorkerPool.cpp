#include "model/WorkerPool.h"

#include <cfenv>

namespace kinetra {

int MachineThreads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

TWorkerPool::TWorkerPool(int threads) {
    for (int t = 1; t < threads; ++t) Workers.emplace_back([this, t] { Work(t); });
}

TWorkerPool::~TWorkerPool() {
    Stop.store(true, std::memory_order_relaxed);
    Generation.fetch_add(1, std::memory_order_release);
    Generation.notify_all();
    for (std::thread& w : Workers) w.join();
}

void TWorkerPool::Work(int thread) {
    unsigned seen = 0;
    for (;;) {
        Generation.wait(seen, std::memory_order_acquire);
        seen = Generation.load(std::memory_order_acquire);
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
        Pending.wait(p, std::memory_order_acquire);
    const int raised = Flags.load(std::memory_order_relaxed);
    if (raised != 0) std::feraiseexcept(raised);
}

}  // namespace kinetra
