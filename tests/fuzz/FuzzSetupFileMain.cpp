// libFuzzer harness: any bytes through kinetra::fuzz::FuzzSetupFile; a finding aborts with its
// description, so that the fuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string finding = kinetra::fuzz::FuzzSetupFile(data, size);
    if (!finding.empty()) {
        std::fprintf(stderr, "FINDING: %s\n", finding.c_str());
        std::abort();
    }
    return 0;
}
