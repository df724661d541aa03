// The runs of a method comparison. Each run loads the setup into a simulation of its own and
// touches nothing else, so the runs need no locks: the core keeps no mutable state outside its
// objects, and the floating-point flags that the step driver tests belong to each thread.
#include "batch/CompareRuns.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "batch/RunRules.h"
#include "batch/RunUntil.h"
#include "model/WorkerPool.h"
#include "parser/Parser.h"

namespace kinetra::batch {

namespace {

TVector CenterOfMass(const TParticlesList& particles, int dimensions) {
    TVector sum(dimensions);
    double mass = 0;
    for (int i = 0; i < particles.Count(); ++i) {
        const TParticle& p = particles.Particles(i);
        sum.AddScaled(p.Position, p.Mass);
        mass += p.Mass;
    }
    if (mass != 0) sum.Scale(1 / mass);
    return sum;
}

// The distance of two points, scaled by its largest component so that no square overflows or
// underflows: points 1E200 apart are 1E200 apart, not inf.
double ScaledDistance(const TVector& a, const TVector& b) {
    double largest = 0;
    for (int d = 0; d < a.Count(); ++d) largest = std::max(largest, std::fabs(a[d] - b[d]));
    if (largest == 0 || !std::isfinite(largest)) return largest;
    double sum = 0;
    for (int d = 0; d < a.Count(); ++d) {
        const double q = (a[d] - b[d]) / largest;
        sum = sum + q * q;
    }
    return largest * std::sqrt(sum);
}

void Perform(const TComparePlan& plan, const TCompareRun& run, TCompareRow& result,
             std::atomic<int>* permille, const std::atomic<bool>& cancel) {
    const auto start = std::chrono::steady_clock::now();
    TFramedSim setup;
    TSimData& sim = setup.Sim();
    result.Method = NumMethods[run.Method].Name;
    std::int64_t evaluationsBefore = 0;
    try {
        setup.Load(plan.FileName);
        // The runs share the cores: each evaluates its forces on its own thread.
        sim.Force->SetThreads(1);
        if (plan.Tree > 0) sim.Force->SetTreeAngle(plan.Tree);
        TSimOptionValues values = plan.Overrides;
        values.Method = run.Method;
        if (!run.TimeStep.empty()) values.TimeStep = run.TimeStep;
        // The values are the 15-digit texts evaluated before the runs began, so a parser of the
        // run's own reads them back to the same numbers.
        TParser parser;
        ApplySimOptions(sim, parser, values);
        result.TimeStep = sim.TimeStep;
        // What Stop does. E0 and the starting centre of mass are the setup's own state at
        // time 0, taken before Prepare: Stoermer's start-up step moves the positions one step
        // ahead while the velocities stay the initial ones, a state of no time at all.
        sim.Rewind();
        const double e0 = sim.KineticEnergy() + sim.PotentialEnergy();
        const double scale = e0 != 0 ? std::fabs(e0) : 1;
        const TVector com0 = CenterOfMass(sim.Particles, sim.Dimensions);
        // Stoermer's start-up evaluation is counted with the rest.
        evaluationsBefore = sim.Force->Evaluations();
        sim.Prepare();
        const TRunOutcome outcome = RunUntil(
            sim, plan.Until, plan.MaxSteps,
            [&](std::int64_t steps) {
                result.Steps = steps;
                const double drift = std::fabs(sim.KineticEnergy() + sim.PotentialEnergy() - e0) / scale;
                result.MaxDrift = std::max(result.MaxDrift, drift);
                result.FinalDrift = drift;
                if (permille && plan.Until != 0)
                    permille->store(static_cast<int>(std::min(1.0, std::fabs(sim.Time / plan.Until)) * 1000),
                                    std::memory_order_relaxed);
            },
            std::numeric_limits<std::int64_t>::max(), &cancel);
        result.Steps = outcome.Steps;
        if (outcome.End == TRunEnd::Interrupted) result.Result = "interrupted";
        if (outcome.End == TRunEnd::StepLimit) {
            result.Result = StepLimitMessage(*plan.MaxSteps, sim.Time);
            result.Limited = true;
        }
        if (outcome.End == TRunEnd::Collision) result.Result = CollisionMessage(sim, outcome);
        if (outcome.Failure) std::rethrow_exception(outcome.Failure);
        result.ComDrift = ScaledDistance(CenterOfMass(sim.Particles, sim.Dimensions), com0);
    } catch (const EMathError&) {
        // Energies that cannot be computed end the run as a failed step does in `run`.
        result.Result = std::string("error: ") + MsgCoordinateOutOfRange;
    } catch (const std::exception& e) {
        result.Result = std::string("error: ") + e.what();
    }
    if (sim.Force) result.Evaluations = sim.Force->Evaluations() - evaluationsBefore;
    result.Time = sim.Time;
    // A figure beyond the range of a double is no result to call a success.
    const std::pair<const char*, double> figures[] = {{"final_time", result.Time},
                                                      {"max_energy_drift", result.MaxDrift},
                                                      {"final_energy_drift", result.FinalDrift},
                                                      {"com_drift", result.ComDrift}};
    for (const auto& [column, value] : figures)
        if (result.Result == "ok" && !std::isfinite(value))
            result.Result = std::string("error: ") + column + " is not a finite number";
    result.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TComparePlan PlanCompare(TFramedSim& setup, const TCompareRequest& request) {
    TComparePlan plan;
    plan.FileName = setup.Sim().FileName;
    plan.Overrides = request.Overrides;
    plan.MaxSteps = request.MaxSteps;
    std::vector<std::string> steps;
    TParser parser;
    if (request.Overrides.Accuracy) EvaluateFieldText(parser, *request.Overrides.Accuracy);
    for (const std::string& text : request.TimeSteps) steps.push_back(EvaluateFieldText(parser, text).Text);
    if (request.Overrides.Cycles) StrToInt(EvaluateFieldText(parser, *request.Overrides.Cycles).Text);
    plan.Until = EvaluateFieldText(parser, request.Until).Value;
    // The overrides themselves (with a first method and step) through the setters, so that a
    // refused value is refused here and not in every row.
    TSimOptionValues values = request.Overrides;
    if (!steps.empty()) values.TimeStep = steps.front();
    TParser check;
    ApplySimOptions(setup.Sim(), check, values);
    for (const std::string& step : steps) {
        TParser again;
        values.TimeStep = step;
        ApplySimOptions(setup.Sim(), again, values);
    }
    if (steps.empty()) steps.emplace_back();
    std::vector<TNumMethod> methods = request.Methods;
    if (methods.empty())
        for (const TMethodInfo& info : NumMethods) methods.push_back(info.Method);
    for (const TNumMethod method : methods)
        for (const std::string& step : steps) plan.Runs.push_back({method, step});
    return plan;
}

std::vector<TCompareRow> RunCompare(const TComparePlan& plan, unsigned threads, TCompareProgress* progress,
                                    const std::function<bool()>& poll) {
    std::vector<TCompareRow> results(plan.Runs.size());
    if (plan.Runs.empty()) return results;
    std::atomic<size_t> next{0};
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable finished;
    size_t working = 0;  // helper threads still making runs, under `mutex`
    const auto worker = [&] {
        for (size_t k = next++; k < plan.Runs.size() && !cancel.load(); k = next++) {
            Perform(plan, plan.Runs[k], results[k], progress ? &progress->Permille[k] : nullptr, cancel);
            if (progress) {
                progress->Permille[k] = 1000;
                ++progress->Done;
            }
        }
    };
    // Whatever way this function is left, the helpers are told to stop and joined.
    struct TPool {
        std::atomic<bool>& Cancel;
        std::vector<std::thread> Threads;
        ~TPool() {
            Cancel = true;
            for (std::thread& thread : Threads) thread.join();
        }
    } pool{cancel, {}};
    const size_t count =
        std::clamp<size_t>(threads == 0 ? std::thread::hardware_concurrency() : threads, 1, plan.Runs.size());
    // With a poll the calling thread only waits and polls; without, it makes runs too.
    const size_t helpers = poll ? count : count - 1;
    pool.Threads.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            ++working;
        }
        try {
            pool.Threads.push_back(StartThread([&] {
                worker();
                const std::lock_guard<std::mutex> lock(mutex);
                if (--working == 0) finished.notify_all();
            }));
        } catch (const std::system_error&) {
            // The system gives no more threads: the runs are shared by those it gave, with the
            // same results.
            const std::lock_guard<std::mutex> lock(mutex);
            --working;
            break;
        }
    }
    if (!poll || pool.Threads.empty()) {
        worker();
    }
    std::unique_lock<std::mutex> lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return working == 0; })) {
        lock.unlock();
        const bool stop = poll && poll();
        lock.lock();
        if (stop) {
            cancel = true;
            finished.wait(lock, [&] { return working == 0; });
        }
    }
    return results;
}

}  // namespace kinetra::batch
