// kinetra-batch compare: the same setup run once per numerical method and time step, the runs
// spread over all cores, one CSV row per run in the order of the lists.
//
// Each run loads the setup into a simulation of its own and touches nothing else, so the runs
// need no locks: the core keeps no mutable state outside its objects, and the floating-point
// flags that the step driver tests belong to each thread.
//
// Drifts are measured against the setup's own state at time 0, after the overrides and before
// the method is prepared (for Stoermer before its start-up step): the relative energy drift
// |E - E0| / |E0| after every displayed step (absolute when E0 = 0), and the distance of the
// final centre of mass from the first. A run stops at the first displayed step whose time
// reaches T (see TUntil), or at --max-steps.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "batch/BatchCommon.h"
#include "engine/KNUtils.h"
#include "engine/StateRecord.h"
#include "parser/Parser.h"

namespace kinetra::batch {

namespace {

constexpr const char* CompareHeader =
    "method,time_step,steps,force_evaluations,final_time,max_energy_drift,final_energy_drift,com_drift,"
    "wall_seconds,result\n";

struct TRunPlan {
    TNumMethod Method = nmEuler;
    std::string TimeStep;  // 15-digit text, or empty for the setup's own
};

struct TRunResult {
    std::string Method;
    double TimeStep = 0;
    std::int64_t Steps = 0;
    std::int64_t Evaluations = 0;
    double Time = 0;
    double MaxDrift = 0;
    double FinalDrift = 0;
    double ComDrift = 0;
    double WallSeconds = 0;
    std::string Result = "ok";
    bool Limited = false;  // stopped by --max-steps
};

std::string Row(const TRunResult& r) {
    std::string line = r.Method + "," + FormatRoundTrip(r.TimeStep) + "," + std::to_string(r.Steps) + "," +
                       std::to_string(r.Evaluations);
    for (const double value : {r.Time, r.MaxDrift, r.FinalDrift, r.ComDrift, r.WallSeconds})
        line += "," + FormatRoundTrip(value);
    return line + "," + CsvField(r.Result) + "\n";
}

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

// How far each run has come, for the progress line: |Time| / |T| in thousandths.
struct TRunProgress {
    std::atomic<int> Done{0};
    std::vector<std::atomic<int>> Permille;
    explicit TRunProgress(size_t runs) : Permille(runs) {}
};

void Perform(const std::string& fileName, const TCommandLine& line, double until, const TRunPlan& plan,
             TRunResult& result, std::atomic<int>& permille) {
    const auto start = std::chrono::steady_clock::now();
    TLoadedSetup setup;
    TSimData& sim = setup.Sim();
    result.Method = NumMethods[plan.Method].Name;
    std::int64_t evaluationsBefore = 0;
    try {
        setup.Load(fileName);
        // The runs share the cores: each evaluates its forces on its own thread.
        sim.Force->SetThreads(1);
        TSimOptionValues values = line.Overrides;
        values.Method = plan.Method;
        if (!plan.TimeStep.empty()) values.TimeStep = plan.TimeStep;
        // The values are the 15-digit texts evaluated before the runs began, so a parser of the
        // run's own reads them back to the same numbers.
        TParser parser;
        ApplySimOptions(sim, parser, values);
        result.TimeStep = sim.TimeStep;
        std::string collision;
        sim.Particles.OnCollision = [&](int i, int j) {
            collision = Format("Collision between %s and %s", sim.Particles.Particles(i).Name,
                               sim.Particles.Particles(j).Name) +
                        " at t = " + FormatFixed(sim.Time, 2);
        };
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
        TUntil reach(until);
        const std::function<bool()> cycleCheck = reach.CycleCheck(sim);
        try {
            while (!reach.Reached(sim)) {
                if (line.MaxSteps && result.Steps >= *line.MaxSteps) {
                    result.Result = StepLimitMessage(*line.MaxSteps, sim.Time);
                    result.Limited = true;
                    break;
                }
                const double before = sim.Time;
                sim.Step(cycleCheck);
                ++result.Steps;
                const double drift = std::fabs(sim.KineticEnergy() + sim.PotentialEnergy() - e0) / scale;
                result.MaxDrift = std::max(result.MaxDrift, drift);
                result.FinalDrift = drift;
                if (sim.Time == before) throw EKNError("The time does not advance");
                if (until != 0)
                    permille.store(static_cast<int>(std::min(1.0, std::fabs(sim.Time / until)) * 1000),
                                   std::memory_order_relaxed);
            }
        } catch (const EAbort&) {
            result.Result = collision.empty() ? "Collision" : collision;
        }
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

int CommandCompare(const TCommandLine& line) {
    if (line.Positional.size() != 1) throw EUsage{"compare needs exactly one SETUP file"};
    if (!line.Until) throw EUsage{"compare needs --until T"};
    const std::string& fileName = line.Positional[0];

    // The setup and every value are checked once before any run starts: a load error or a
    // refused value ends the command as it ends run.
    TLoadedSetup setup;
    try {
        setup.Load(fileName);
    } catch (const std::exception& e) {
        return LoadFailed(e);
    }
    std::vector<TRunPlan> plans;
    std::vector<std::string> steps;
    double until = 0;
    try {
        TParser parser;
        if (line.Overrides.Accuracy) EvaluateFieldText(parser, *line.Overrides.Accuracy);
        for (const std::string& text : line.TimeSteps) steps.push_back(EvaluateFieldText(parser, text).Text);
        if (line.Overrides.Cycles) StrToInt(EvaluateFieldText(parser, *line.Overrides.Cycles).Text);
        until = EvaluateFieldText(parser, *line.Until).Value;
        // The overrides themselves (with a first method and step) through the setters, so that a
        // refused value is refused here and not in every row.
        TSimOptionValues values = line.Overrides;
        if (!steps.empty()) values.TimeStep = steps.front();
        TParser check;
        ApplySimOptions(setup.Sim(), check, values);
        for (const std::string& step : steps) {
            TParser again;
            values.TimeStep = step;
            ApplySimOptions(setup.Sim(), again, values);
        }
    } catch (const std::exception& e) {
        Print(stderr, std::string("error: ") + e.what() + "\n");
        return ExitFailed;
    }
    if (steps.empty()) steps.emplace_back();
    std::vector<TNumMethod> methods = line.Methods;
    if (methods.empty())
        for (const TMethodInfo& info : NumMethods) methods.push_back(info.Method);
    for (const TNumMethod method : methods)
        for (const std::string& step : steps) plans.push_back({method, step});

    std::vector<TRunResult> results(plans.size());
    TRunProgress progress(plans.size());
    std::atomic<size_t> next{0};
    const auto worker = [&] {
        for (size_t k = next++; k < plans.size(); k = next++) {
            Perform(fileName, line, until, plans[k], results[k], progress.Permille[k]);
            progress.Permille[k] = 1000;
            ++progress.Done;
        }
    };
    const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, plans.size());
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) pool.emplace_back(worker);
    // On a terminal a thread of its own shows how far the runs have come.
    std::mutex mutex;
    std::condition_variable finished;
    bool allDone = false;
    std::thread shower([&] {
        TProgress shown;
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return allDone; })) {
            if (!shown.Due()) continue;
            int least = 1000;
            for (const std::atomic<int>& p : progress.Permille) least = std::min(least, p.load());
            shown.Show("compare: " + std::to_string(progress.Done.load()) + " of " +
                       std::to_string(plans.size()) + " runs done, the furthest behind at " +
                       FormatFixed(least / 10.0, 1) + "%");
        }
    });
    worker();
    for (std::thread& thread : pool) thread.join();
    {
        const std::lock_guard<std::mutex> lock(mutex);
        allDone = true;
    }
    finished.notify_one();
    shower.join();

    Print(stdout, CompareHeader);
    bool failed = false;
    bool limited = false;
    for (const TRunResult& result : results) {
        Print(stdout, Row(result));
        failed = failed || (result.Result != "ok" && !result.Limited);
        limited = limited || result.Limited;
    }
    return failed ? ExitStepFailed : limited ? ExitStepLimit : ExitOk;
}

}  // namespace kinetra::batch
