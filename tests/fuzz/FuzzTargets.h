// The entry points of the fuzz harnesses, shared by the libFuzzer programs and by the replay of
// the regression corpus in the normal test run. Each takes any bytes and returns an empty text
// when the program handled them soundly, otherwise a description of what went wrong: an
// exception that is not one of the program's own, a message that leaks a library-internal text,
// an empty message, a non-finite value, or a saved setup that does not load back the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kinetra::fuzz {

// Any bytes as a setup file, read the way Open reads one (a screen frame hooked in for the
// frame section). A setup that loads is saved, loaded back and saved again: unless Save would
// refuse it with a message, the second load must succeed and both saves must give the same
// bytes. Then it runs as kinetra-batch runs it: the options of the input's run section, Stop,
// the direction and the steps; every failure must be one of the program's errors, and a step
// that completes must leave a finite time and step.
//
// The run section is everything after the first line "#run" (the setup ends before that line):
// one option a line as the command line has it, "--method NAME", "--accuracy X", "--dt X",
// "--cycles X" (X an expression), "--collisions", "--no-collisions", "--backwards",
// "--steps N" (1 to 3, default 1) and "--threads N" (1 to 4); other lines are skipped.
std::string FuzzSetupFile(const std::uint8_t* data, std::size_t size);

// The bytes, split at line feeds, evaluated in turn on one parser that lives across calls, as
// the program's one parser lives across dialogs.
std::string FuzzParser(const std::uint8_t* data, std::size_t size);

// The bytes as the text of TVector::FromString for vectors of several sizes; a text that reads
// must write and read back to the same text.
std::string FuzzVector(const std::uint8_t* data, std::size_t size);

// Empty when `message` is fit for a user: not empty, and free of library-internal texts
// ("stoi", "std::", ...) unless the input itself holds them (messages may quote the input).
std::string CheckMessage(std::string_view message, std::string_view input);

}  // namespace kinetra::fuzz
