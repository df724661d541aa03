// Saving the state a run has reached as a new setup: a setup file in which every particle's
// initial position and velocity are its current ones, and everything else (parameters,
// particles' other fields, force law, frame section, notes) is as in the setup itself. The
// time is not part of a setup; the notes get a last line "State at t = T" instead, T in the
// 15-digit general number format like every real of the file.
//
// The simulation is left exactly as it was: its initial state, notes and FileName, and so
// the setup that Save would write, do not change.
#pragma once

#include <string>

namespace kinetra {

class TSimData;

// The notes of the new setup: `notes` with the line "State at t = T" appended (the only line
// when `notes` is empty).
std::string NotesWithStateLine(const std::string& notes, double time);

// Writes the setup to `fileName` (".knx" is appended to a name without extension, as Save
// does) and returns the name written. The file is replaced only when it was written
// completely. A state that would not load back, because two particles now overlap or share a
// position, raises EKNError "The state at t = T cannot be saved as a setup: " followed by the
// loader's message, before anything is written; write failures raise EInOutError.
std::string SaveStateAsSetup(TSimData& sim, const std::string& fileName);

}  // namespace kinetra
