#pragma once
// A child run to its end for what it prints, as the probes and the
// benchmarks' analyses need. Qt-free.
#include <string>

namespace platform {

// Starts `commandLine` (no shell), drains its output (standard output and
// error together) until it ends, and returns all of it. `exitCode`, when
// given, gets the child's exit code, or -1 when it could not start or was
// ended by a signal.
std::string runForOutput(const std::string& commandLine, int* exitCode = nullptr);

} // namespace platform
