// The CSV header, records and comment lines of a run.
#include "engine/StateRecord.h"

#include "engine/KNUtils.h"
#include "engine/SimulationData.h"

namespace kinetra {

namespace {

void AppendField(std::string& line, const std::string& field) {
    line.push_back(',');
    line += field;
}

}  // namespace

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

std::string StateCsvComments(const TSimData& sim) {
    // A line end inside the name would end the comment and start a bogus record.
    std::string name = sim.FileName;
    for (char& c : name)
        if (c == '\n' || c == '\r') c = ' ';
    std::string text = "# setup: " + name + "\n";
    text += "# method: " + sim.MethodName();
    if (sim.Method == nmRKF) text += ", accuracy " + FormatRoundTrip(sim.Accuracy);
    text += "\n";
    text += "# time step: " + FormatRoundTrip(sim.TimeStep) + "\n";
    text += "# cycles per step: " + std::to_string(sim.Cycles) + "\n";
    const TForce& force = *sim.Force;
    text += "# force: power of distance " + FormatRoundTrip(force.GetPower()) + ", G " +
            FormatRoundTrip(force.GravConstant()) + ", k " + FormatRoundTrip(force.CoulombCoeff()) + "\n";
    return text;
}

}  // namespace kinetra
