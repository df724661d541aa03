// The computation of kinetra-batch compare, apart from its command line and output, so that the
// Python module runs exactly the same comparison: the same setup run once per numerical method
// and time step, each run in a simulation of its own, the runs spread over the cores.
//
// Drifts are measured against the setup's own state at time 0, after the overrides and before
// the method is prepared (for Stoermer before its start-up step): the relative energy drift
// |E - E0| / |E0| after every displayed step (absolute when E0 = 0), and the distance of the
// final centre of mass from the first. A run stops at the first displayed step whose time
// reaches T (see TUntil), or at the step limit.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/SimOptionValues.h"
#include "engine/SimulationData.h"
#include "frame/FramedSim.h"

namespace kinetra::batch {

// What to compare: every number an expression text, as on the command line.
struct TCompareRequest {
    std::string Until;
    TSimOptionValues Overrides;          // the methods' common settings (not Method)
    std::vector<TNumMethod> Methods;     // empty: every method
    std::vector<std::string> TimeSteps;  // empty: the setup's own
    std::optional<std::int64_t> MaxSteps;
};

struct TCompareRun {
    TNumMethod Method = nmEuler;
    std::string TimeStep;  // 15-digit text, or empty for the setup's own
};

// The runs to make, every value evaluated and checked once.
struct TComparePlan {
    std::string FileName;
    TSimOptionValues Overrides;
    double Until = 0;
    std::optional<std::int64_t> MaxSteps;
    double Tree = 0;                // the force tree's opening angle; 0: the exact sum
    std::vector<TCompareRun> Runs;  // methods outer, time steps inner
};

// One run's row.
struct TCompareRow {
    std::string Method;
    double TimeStep = 0;
    std::int64_t Steps = 0;
    std::int64_t Evaluations = 0;
    double Time = 0;
    double MaxDrift = 0;
    double FinalDrift = 0;
    double ComDrift = 0;
    double WallSeconds = 0;
    std::string Result = "ok";  // or why the run failed or stopped
    bool Limited = false;       // stopped by the step limit
};

// How far each run has come, for a progress line: runs done, and |Time| / |T| of each run in
// thousandths.
struct TCompareProgress {
    std::atomic<int> Done{0};
    std::vector<std::atomic<int>> Permille;
    explicit TCompareProgress(size_t runs) : Permille(runs) {}
};

// Evaluates T and every value on one parser in the options dialog's order and applies them to
// the loaded setup through the dialog's rule, so that a refused value is refused here and not
// in every row. Raises the first error (the parser's or a setter's).
TComparePlan PlanCompare(TFramedSim& setup, const TCompareRequest& request);

// Makes every run of the plan (each loads the setup anew) and returns the rows in the plan's
// order. `threads`: runs at a time, 0 one per core; threads the system refuses are done
// without, the runs then shared by those that started (the calling thread at least), with the
// same rows. `progress`, when given, must have one entry per run. `poll`, when given, is called
// on the calling thread about every 100 ms while helper threads make the runs; when it returns
// true, every run stops before its next step (its result "interrupted") and no run starts. The
// helper threads are joined before the function returns, whichever way.
std::vector<TCompareRow> RunCompare(const TComparePlan& plan, unsigned threads = 0,
                                    TCompareProgress* progress = nullptr,
                                    const std::function<bool()>& poll = {});

}  // namespace kinetra::batch
