// kinetra-batch compare: the same setup run once per numerical method and time step, the runs
// spread over all cores, one CSV row per run in the order of the lists. The runs themselves are
// CompareRuns.h's; here are the command line, the progress line and the output.
#include <algorithm>

#include "base/KNUtils.h"
#include "batch/BatchCommon.h"
#include "batch/CompareRuns.h"
#include "engine/StateRecord.h"
#include "parser/Parser.h"

namespace kinetra::batch {

namespace {

constexpr const char* CompareHeader =
    "method,time_step,steps,force_evaluations,final_time,max_energy_drift,final_energy_drift,com_drift,"
    "wall_seconds,result\n";

std::string Row(const TCompareRow& r) {
    std::string line = r.Method + "," + FormatRoundTrip(r.TimeStep) + "," + std::to_string(r.Steps) + "," +
                       std::to_string(r.Evaluations);
    for (const double value : {r.Time, r.MaxDrift, r.FinalDrift, r.ComDrift, r.WallSeconds})
        line += "," + FormatRoundTrip(value);
    return line + "," + CsvField(r.Result) + "\n";
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
    TComparePlan plan;
    try {
        plan = PlanCompare(setup, {*line.Until, line.Overrides, line.Methods, line.TimeSteps, line.MaxSteps});
        if (line.Tree) {
            TParser parser;
            setup.Sim().Force->SetTreeAngle(EvaluateFieldText(parser, *line.Tree).Value);
            plan.Tree = setup.Sim().Force->TreeAngle();
            Print(stderr, "note: " + TreeNote(plan.Tree) + "\n");
        }
    } catch (const std::exception& e) {
        Print(stderr, std::string("error: ") + e.what() + "\n");
        return ExitFailed;
    }

    // On a terminal the calling thread shows how far the runs have come while they run.
    TCompareProgress progress(plan.Runs.size());
    TProgress shown;
    const std::vector<TCompareRow> results = RunCompare(plan, 0, &progress, [&] {
        if (shown.Due()) {
            int least = 1000;
            for (const std::atomic<int>& p : progress.Permille) least = std::min(least, p.load());
            shown.Show("compare: " + std::to_string(progress.Done.load()) + " of " +
                       std::to_string(plan.Runs.size()) + " runs done, the furthest behind at " +
                       FormatFixed(least / 10.0, 1) + "%");
        }
        return false;
    });
    shown.Clear();

    Print(stdout, CompareHeader);
    bool failed = false;
    bool limited = false;
    for (const TCompareRow& result : results) {
        Print(stdout, Row(result));
        failed = failed || (result.Result != "ok" && !result.Limited);
        limited = limited || result.Limited;
    }
    return failed ? ExitStepFailed : limited ? ExitStepLimit : ExitOk;
}

}  // namespace kinetra::batch
