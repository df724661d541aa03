// Recording a run into a CSV file.
#include "engine/CsvRecorder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/KNUtils.h"
#include "engine/SimulationData.h"
#include "engine/StateRecord.h"

namespace kinetra {

namespace {

std::string Reason(int error) {
    return error == 0 ? std::string("Write error") : std::string(std::strerror(error));
}

}  // namespace

TCsvRecorder::TCsvRecorder() = default;

TCsvRecorder::~TCsvRecorder() {
    Close();
}

void TCsvRecorder::Open(const std::string& fileName, TSimData& sim, std::int64_t step,
                        const TCsvRecordOptions& options) {
    Close();
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::path(fileName), ec)) {
        FName = fileName;
        Fail(std::strerror(EISDIR));
    }
    auto file = std::make_unique<std::ofstream>();
    errno = 0;
    file->open(fileName, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file->is_open()) {
        FName = fileName;
        Fail(Reason(errno == 0 ? EACCES : errno));
    }
    Start(std::move(file), fileName, sim, step, options);
}

void TCsvRecorder::Start(std::unique_ptr<std::ostream> out, const std::string& name, TSimData& sim,
                         std::int64_t step, const TCsvRecordOptions& options) {
    Close();
    Options = options;
    if (Options.Interval < 1) Options.Interval = 1;
    Skipped = 0;
    Out = std::move(out);
    FName = name;
    FRecords = 0;
    Columns = sim.Particles.Count();
    Dimensions = sim.Particles.Dimensions();
    Write(StateCsvComments(sim) +
          (Options.Names ? StateCsvHeader(sim, Options.AxisNames) : StateCsvHeader(sim, true)));
    WriteRecord(sim, step);
}

void TCsvRecorder::Append(TSimData& sim, std::int64_t step) {
    if (!Out) return;
    if (++Skipped < Options.Interval) return;
    WriteRecord(sim, step);
}

void TCsvRecorder::WriteRecord(TSimData& sim, std::int64_t step) {
    Skipped = 0;
    // Records of another particle set would not match the header's columns.
    if (sim.Particles.Count() != Columns || sim.Particles.Dimensions() != Dimensions)
        Fail("the particles changed");
    Write(StateCsvRecord(sim, step, true));
    ++FRecords;
}

void TCsvRecorder::Write(const std::string& text) {
    errno = 0;
    Out->write(text.data(), static_cast<std::streamsize>(text.size()));
    Out->flush();
    if (!*Out) Fail(Reason(errno));
}

void TCsvRecorder::Fail(const std::string& reason) {
    const std::string message = "Could not record to \"" + FName + "\": " + reason;
    Close();
    throw EInOutError(message);
}

void TCsvRecorder::Close() {
    if (!Out) return;
    // The stream goes first, so that a failing close cannot leave a half-closed recorder.
    std::unique_ptr<std::ostream> out = std::move(Out);
    if (auto* file = dynamic_cast<std::ofstream*>(out.get())) file->close();
}

}  // namespace kinetra
