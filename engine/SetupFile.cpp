// The simulation's own part of the setup file: the header lines, the order of the sections, the
// notes, and the check that a saved text loads back.
#include "engine/SetupFile.h"

#include <cmath>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>

#include "base/KNConst.h"
#include "base/KNUtils.h"
#include "base/SetupText.h"
#include "engine/SimulationData.h"

namespace kinetra {

namespace {
constexpr const char* MsgInvalidInput = "Invalid input";
}  // namespace

// ---------------------------------------------------------------------------------------------
// TSimData: the whole file

void TSimData::LoadFromFile() {
    std::ifstream in;
    try {
        OpenForReading(in, FileName);
        LoadFromStream(in);
    } catch (EKinetraError& e) {
        e.SetFileName(FileName);
        throw;
    }
}

void TSimData::LoadFromStream(std::istream& in) {
    TSetupReader reader(in);
    try {
        ReadSetup(reader);
    } catch (EKinetraError& e) {
        // The message stays as it is; the place rides along for whoever shows it.
        e.SetLine(reader.Place().Line);
        e.SetItem(reader.Place().Item, reader.Place().Found);
        throw;
    }
}

void TSimData::ReadSetup(TSetupReader& reader) {
    const int n = reader.ReadInteger("number of dimensions");
    reader.ReadLn();
    // No setup of the program has more dimensions; a damaged count would otherwise ask for
    // vectors of billions of components before anything else is read.
    if (n > MaxDimensions) throw EKNError(MsgInvalidInput);
    SetDimensions(n);
    Clear();

    // The method is a byte: only the low eight bits of the number count, and stored files may
    // hold more ("259" is method 3). A byte beyond the last method names none.
    const int method = reader.ReadInteger("method") & 0xFF;
    if (method >= static_cast<int>(NumMethods.size())) throw EKNError(MsgInvalidInput);
    SetMethod(static_cast<TNumMethod>(method));
    // Only an adaptive method stores its accuracy.
    if (MethodEntry().Adaptive) SetAccuracy(reader.ReadReal("accuracy"));
    const int cycles = reader.ReadInteger("computation cycles");
    reader.ReadLn();
    SetCycles(cycles);

    // A step of zero or below is accepted as the step a run takes with it: zero as the default
    // step (Prepare's for a step in use of zero), a negative one as its magnitude (the direction
    // is the run's). So the step reported and saved is the one in use.
    const double timeStep = reader.ReadReal("time step");
    TimeStep = timeStep == 0 ? DefaultTimeStep : std::fabs(timeStep);
    reader.ReadLn();
    reader.ReadLn();

    Particles.LoadFromFile(reader);
    // SetMethod prepared the work for the collection as it was then, empty: it does not fit the
    // particles just read, and a run prepares afresh.
    FreeWork();
    reader.ReadLn();
    Force->LoadFromFile(reader);
    reader.ReadLn();
    if (OnLoadFrame) OnLoadFrame(reader);
    reader.ReadLn();

    // Everything up to the end is the notes; a line that arrives while they are still empty
    // replaces them, so leading empty lines are dropped. Reading stops at the end of the file:
    // a last line that ends in a line end gives notes without one (the writer adds none).
    do {
        const std::string line = reader.ReadLine("notes");
        if (Notes.empty())
            Notes = line;
        else
            Notes += "\r\n" + line;
    } while (!reader.Eof());

    Rewind();
}

void CheckSetupLoadsBack(const std::string& text, const std::function<void(std::istream&)>& load) {
    std::istringstream in(text);
    try {
        if (load) {
            load(in);
        } else {
            TSimData scratch;
            scratch.LoadFromStream(in);
        }
    } catch (const EKinetraError& e) {
        throw EKNError(std::string("with its numbers written to 15 digits the setup would not load back: ") +
                       e.what());
    }
}

void TSimData::SaveToFile() {
    if (!HasFileExtension(FileName)) FileName += SetupExtension;
    WriteFileAtomically(FileName, [this](std::ostream& out) {
        std::ostringstream text;
        SaveToStream(text);
        const std::string bytes = text.str();
        CheckSetupLoadsBack(bytes, OnLoadBack);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    });
}

void TSimData::SaveToStream(std::ostream& out) {
    TSetupWriter writer(out);
    writer.WriteLine(std::to_string(Dimensions));
    if (MethodEntry().Adaptive)
        writer.WriteLine(std::to_string(static_cast<int>(Method)) + " " + TSetupWriter::Real(Accuracy) + " " +
                         std::to_string(Cycles));
    else
        writer.WriteLine(std::to_string(static_cast<int>(Method)) + " " + std::to_string(Cycles));
    writer.WriteLine(TSetupWriter::Real(TimeStep));
    writer.WriteLine();
    Particles.SaveToFile(writer);
    writer.WriteLine();
    Force->SaveToFile(writer);
    writer.WriteLine();
    if (OnSaveFrame) OnSaveFrame(writer);
    writer.WriteLine();
    writer.Write(Notes);
}

}  // namespace kinetra
