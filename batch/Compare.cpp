// kinetra-batch compare: the same setup run once per numerical method and time step, the runs
// spread over all cores, one CSV row per run in the order of the lists. The runs themselves are
// CompareRuns.h's.
#include "batch/BatchCommon.h"
#include "batch/CompareRuns.h"
#include "engine/KNUtils.h"
#include "engine/StateRecord.h"

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
        plan = PlanCompare(setup, {*line.Until, line.Overrides, line.Methods, line.TimeSteps});
    } catch (const std::exception& e) {
        Print(stderr, std::string("error: ") + e.what() + "\n");
        return ExitFailed;
    }

    Print(stdout, CompareHeader);
    bool allOk = true;
    for (const TCompareRow& result : RunCompare(plan)) {
        Print(stdout, Row(result));
        allOk = allOk && result.Result == "ok";
    }
    return allOk ? ExitOk : ExitStepFailed;
}

}  // namespace kinetra::batch
