// The CSV form of a run: one header line naming the columns and one record per displayed step,
// shared by the headless tool and the window's recording so that both write the same columns.
//
// Columns: step, time, signed_step, kinetic, potential, total (kinetic + potential as computed
// for the record) and, with the state, every position component x<i>_<d> (particle i, axis d,
// both from 0) followed by every velocity component v<i>_<d>. Reals have 17 significant digits
// ("%.17g" in the C locale), so each one reads back to the same double. Lines end in "\n".
//
// Named state columns carry the particles' names instead: NAME.AXIS for each position component
// and NAME.vAXIS for each velocity component ("Sun.x", "Sun.vy"), AXIS the frame's axis name. A
// name that another particle shares, that is empty, or that holds a comma gets the particle's
// index appended ("Moon#2"), so that every column is told apart; a column holding a comma or a
// quote is quoted as CSV does. The records are the same in both forms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kinetra {

class TSimData;

// A CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text);

std::string StateCsvHeader(const TSimData& sim, bool state);
// The header with the named state columns; `axisNames` names the dimensions in order (missing
// ones are called x<d+1>).
std::string StateCsvHeader(const TSimData& sim, const std::vector<std::string>& axisNames);
// The name each particle has in the named columns (before the axis, unquoted).
std::vector<std::string> StateColumnNames(const TSimData& sim);
// The record of the state the simulation stands at now, numbered `step`. Energies that cannot
// be computed raise EMathError (a record never holds "nan" or "inf").
std::string StateCsvRecord(TSimData& sim, std::int64_t step, bool state);
// Comment lines, each starting with "# ", that say what produced the records: the setup's file
// name, the numerical method (and the accuracy for RKF), the time step, the cycles per
// displayed step and the force law's power of distance, G and k.
std::string StateCsvComments(const TSimData& sim);

}  // namespace kinetra
