#pragma once
// Pieces the runner tests share on both platforms.
#include "encoder/runner.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "test_support.h"

#include <cstring>
#include <string>

namespace testing_support {

// A command line that starts the fault child with `args`.
inline std::string child(const std::string& args) { return platform::quoteArgument(faultChild()) + " " + args; }

// The scanner of the job runs: "Invalid data" ends the run.
inline bool invalidData(const char* chunk, std::size_t) { return std::strstr(chunk, "Invalid data") != nullptr; }

// A stop test that starts to hold `ms` after it was made.
inline StopTest stopAfter(std::uint64_t ms)
{
    const std::uint64_t start = platform::tickCount();
    return [start, ms] { return platform::tickCount() - start >= ms; };
}

} // namespace testing_support
