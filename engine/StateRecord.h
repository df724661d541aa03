// The CSV form of a run: one header line naming the columns and one record per displayed step,
// shared by the headless tool and the window's recording so that both write the same columns.
//
// Columns: step, time, signed_step, kinetic, potential, total (kinetic + potential as computed
// for the record) and, with the state, every position component x<i>_<d> (particle i, axis d,
// both from 0) followed by every velocity component v<i>_<d>. Reals have 17 significant digits
// ("%.17g" in the C locale), so each one reads back to the same double. Lines end in "\n".
#pragma once

#include <cstdint>
#include <string>

namespace kinetra {

class TSimData;

std::string StateCsvHeader(const TSimData& sim, bool state);
// The record of the state the simulation stands at now, numbered `step`. Energies that cannot
// be computed raise EMathError (a record never holds "nan" or "inf").
std::string StateCsvRecord(TSimData& sim, std::int64_t step, bool state);
// Comment lines, each starting with "# ", that say what produced the records: the setup's file
// name, the numerical method (and the accuracy for RKF), the time step, the cycles per
// displayed step and the force law's power of distance, G and k.
std::string StateCsvComments(const TSimData& sim);

}  // namespace kinetra
