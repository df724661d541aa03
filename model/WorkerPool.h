// A small pool of persistent threads that run one job at a time together with the calling
// thread. Made once; running a job allocates nothing.
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "base/KNUtils.h"

namespace kinetra {

// The system refused a thread: no fault of the setup or of a step.
class EThreadStart : public EKNError {
public:
    using EKNError::EKNError;
};

class TWorkerPool {
public:
    using TJob = void (*)(void* context, int thread);

    // Threads in all, the calling thread included (at least 1). When the system refuses a
    // thread, the ones already started are ended and joined, and EThreadStart says "Could not
    // start thread K of N: reason".
    explicit TWorkerPool(int threads);
    ~TWorkerPool();
    TWorkerPool(const TWorkerPool&) = delete;
    TWorkerPool& operator=(const TWorkerPool&) = delete;

    int Threads() const { return static_cast<int>(Workers.size()) + 1; }

    // Runs job(context, t) for t = 0 .. Threads() - 1, t = 0 on the calling thread, and returns
    // when every part is done. The floating-point exception flags that the other threads raised
    // are raised on the calling thread too, so that its checks see them.
    void Run(TJob job, void* context);

private:
    void Work(int thread);
    void StopWorkers();

    std::vector<std::thread> Workers;
    std::atomic<unsigned> Generation{0};
    std::atomic<int> Pending{0};
    std::atomic<int> Flags{0};
    std::atomic<bool> Stop{false};
    TJob Job = nullptr;
    void* Context = nullptr;
};

// Starts a thread that runs `body`. The program starts every helper thread here, so that a test
// can make the system refuse one (SetThreadStarter); throws std::system_error as std::thread does.
std::thread StartThread(std::function<void()> body);
using TThreadStarter = std::thread (*)(std::function<void()> body);
// Replaces how StartThread starts a thread (null: std::thread itself); returns the one before.
TThreadStarter SetThreadStarter(TThreadStarter starter);

// The number of threads of the machine (at least 1).
int MachineThreads();

}  // namespace kinetra
