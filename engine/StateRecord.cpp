// The CSV header, records and comment lines of a run.
#include "engine/StateRecord.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "base/KNUtils.h"
#include "engine/SetupUnits.h"
#include "engine/SimulationData.h"

namespace kinetra {

namespace {

void AppendField(std::string& line, const std::string& field) {
    line.push_back(',');
    line += field;
}

}  // namespace

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted.push_back('"');
        quoted.push_back(c);
    }
    return quoted + "\"";
}

std::vector<std::string> StateColumnNames(const TSimData& sim) {
    const int count = sim.Particles.Count();
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(sim.Particles.Particles(i).Name);
    const auto clashes = [&](size_t i) {
        for (size_t j = 0; j < names.size(); ++j)
            if (j != i && names[j] == names[i]) return true;
        return false;
    };
    const auto appendIndices = [&](const std::vector<size_t>& which) {
        for (const size_t i : which) names[i] += "#" + std::to_string(i);
    };
    std::vector<size_t> indexed;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i].empty() || names[i].find(',') != std::string::npos || clashes(i)) indexed.push_back(i);
    appendIndices(indexed);
    // An appended index can make a name equal to another particle's own ("A#1" beside two "A"):
    // names that still clash get their index once more, until none does.
    for (;;) {
        std::vector<size_t> clashing;
        for (size_t i = 0; i < names.size(); ++i)
            if (clashes(i)) clashing.push_back(i);
        if (clashing.empty()) break;
        appendIndices(clashing);
    }
    return names;
}

std::string StateCsvHeader(const TSimData& sim, const std::vector<std::string>& axisNames) {
    std::string line = "step,time,signed_step,kinetic,potential,total";
    const std::vector<std::string> names = StateColumnNames(sim);
    const int n = sim.Particles.Dimensions();
    for (const char* prefix : {"", "v"})
        for (const std::string& name : names)
            for (int d = 0; d < n; ++d) {
                const std::string axis = d < static_cast<int>(axisNames.size())
                                             ? axisNames[static_cast<size_t>(d)]
                                             : "x" + std::to_string(d + 1);
                AppendField(line, CsvField(name + "." + prefix + axis));
            }
    return line + "\n";
}

std::string StateCsvHeader(const TSimData& sim, bool state) {
    std::string line = "step,time,signed_step,kinetic,potential,total";
    if (state) {
        const int count = sim.Particles.Count();
        const int n = sim.Particles.Dimensions();
        for (const char prefix : {'x', 'v'})
            for (int i = 0; i < count; ++i)
                for (int d = 0; d < n; ++d) {
                    std::string name(1, prefix);
                    name += std::to_string(i);
                    name.push_back('_');
                    name += std::to_string(d);
                    AppendField(line, name);
                }
    }
    return line + "\n";
}

std::string StateCsvRecord(TSimData& sim, std::int64_t step, bool state) {
    const double kinetic = sim.KineticEnergy();
    const double potential = sim.PotentialEnergy();
    // Two finite energies may still add up beyond the largest double.
    const TFloatCheck check;
    const double total = check.Check(kinetic + potential);
    std::string line = std::to_string(step);
    for (const double value : {sim.Time, sim.SignedStep, kinetic, potential, total})
        AppendField(line, FormatRoundTrip(value));
    if (state) {
        const int count = sim.Particles.Count();
        for (int i = 0; i < count; ++i) {
            const TVector& x = sim.Particles.Particles(i).Position;
            for (int d = 0; d < x.Count(); ++d) AppendField(line, FormatRoundTrip(x[d]));
        }
        for (int i = 0; i < count; ++i) {
            const TVector& v = sim.Particles.Particles(i).Velocity;
            for (int d = 0; d < v.Count(); ++d) AppendField(line, FormatRoundTrip(v[d]));
        }
    }
    return line + "\n";
}

namespace {
// The shortest text that reads back as the same double: a comment is read by people, and a
// time step of 0.005 should read "0.005", not its 17-digit expansion.
std::string FormatShortest(double value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}
}  // namespace

std::string StateCsvComments(const TSimData& sim) {
    // A line end inside the name would end the comment and start a bogus record.
    std::string name = sim.FileName;
    for (char& c : name)
        if (c == '\n' || c == '\r') c = ' ';
    std::string text = "# setup: " + name;
    // A setup opened from the examples is named after the file a Save would write: say that no
    // such file exists yet rather than point at nothing.
    std::error_code error;
    if (!name.empty() && !std::filesystem::exists(sim.FileName, error)) text += " (not saved)";
    text += "\n";
    text += "# method: " + sim.MethodName();
    if (sim.MethodEntry().Adaptive) text += ", accuracy " + FormatShortest(sim.Accuracy);
    text += "\n";
    text += "# time step: " + FormatShortest(sim.TimeStep) + "\n";
    text += "# cycles per step: " + std::to_string(sim.Cycles) + "\n";
    const TForce& force = *sim.Force;
    text += "# force: power of distance " + FormatRoundTrip(force.GetPower()) + ", G " +
            FormatRoundTrip(force.GravConstant()) + ", k " + FormatRoundTrip(force.CoulombCoeff()) + "\n";
    const TUnitSystem units = SetupUnitSystem(sim);
    text += "# units: " + UnitSystemName(units);
    if (units != TUnitSystem::None)
        text += " (" + UnitName(TQuantity::Length, units) + ", " + UnitName(TQuantity::Time, units) + ", " +
                UnitName(TQuantity::Mass, units) + ")";
    return text + "\n";
}

}  // namespace kinetra
