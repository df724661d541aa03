// TCsvRecorder: writes a run into a CSV file while it goes on: comment lines that say what
// produced the records, the header, and one record per displayed step, all in the form of
// StateRecord.h with every position and velocity, in indexed or named columns, of every
// displayed step or of every K-th one.
//
// Every record reaches the file when it is appended (written and flushed), so a failing disk
// is noticed at the step that failed and whoever watches the file sees the run as it goes.
// A write error closes the recording and raises EInOutError; the caller decides what becomes of
// the run (the window keeps it going).
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace kinetra {

class TSimData;

struct TCsvRecordOptions {
    // Named state columns (StateRecord.h) with these axis names, instead of x<i>_<d>.
    bool Names = false;
    std::vector<std::string> AxisNames;
    // Of the displayed steps appended, every Interval-th is written (counted from the first
    // record, which is always written); 1 writes every step.
    std::int64_t Interval = 1;
};

class TCsvRecorder {
public:
    TCsvRecorder();
    ~TCsvRecorder();
    TCsvRecorder(const TCsvRecorder&) = delete;
    TCsvRecorder& operator=(const TCsvRecorder&) = delete;

    // Creates (or empties) `fileName` and starts recording into it with the current state as
    // record `step`. EInOutError "Could not record to "<name>": <reason>" when the file cannot
    // be made or written; nothing is recording then.
    // An Interval below 1 counts as 1.
    void Open(const std::string& fileName, TSimData& sim, std::int64_t step,
              const TCsvRecordOptions& options = {});
    // The same into a stream that the recorder takes over; `name` stands for it in messages.
    void Start(std::unique_ptr<std::ostream> out, const std::string& name, TSimData& sim, std::int64_t step,
               const TCsvRecordOptions& options = {});
    // Appends the record of the current state when it is the Interval-th displayed step since
    // the last record. Does nothing while not recording. A write error
    // or a particle set that no longer fits the header closes the recording and raises
    // EInOutError naming the file.
    void Append(TSimData& sim, std::int64_t step);
    // Ends the recording; errors of the last flush are not reported (every record was flushed
    // when it was appended).
    void Close();

    bool Recording() const { return Out != nullptr; }
    const std::string& Name() const { return FName; }
    std::int64_t Records() const { return FRecords; }

private:
    void WriteRecord(TSimData& sim, std::int64_t step);
    void Write(const std::string& text);
    [[noreturn]] void Fail(const std::string& reason);

    std::unique_ptr<std::ostream> Out;
    std::string FName;
    int Columns = 0;     // particles the header was written for
    int Dimensions = 0;  // and their dimensions
    std::int64_t FRecords = 0;
    TCsvRecordOptions Options;
    std::int64_t Skipped = 0;  // displayed steps appended since the last record
};

}  // namespace kinetra
