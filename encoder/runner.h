#pragma once
// Runs one encoder process, drains its console output and asks it to stop
// with "q" once a stop is requested. Qt-free.
#include "encoder/run_stop.h"

#include <cstddef>
#include <functional>
#include <string>

namespace encoder {

enum RunStatus : int {
    RunEnded = 0,         // ended without a failure marker
    RunInvalidData = 1,   // the scanner saw "Invalid data"
    RunStopRequested = 2, // a stop was requested at least once
    RunForcedEnd = 3,     // it ignored the stop and was ended by force
    RunNotStarted = 87,   // the pipes or the process could not be made
};

// Gets each chunk of output (zero-terminated, at most 4096 bytes). Returning
// true ends the run with RunInvalidData: the encoder is then asked to quit
// and awaited like a stopped one, and the scanner gets nothing more.
using ToolScanner = std::function<bool(const char* chunk, std::size_t size)>;

// `commandLine` is the quoted encoder path from PrepareTool() followed by the
// arguments. Blocks the calling thread until the encoder has ended and its
// output is drained. `exitCode`, when given, gets the encoder's exit code, or
// -1 when it did not end by itself (a scanner ended the run, or it was ended
// by a signal).
RunStatus RunTool(const std::string& commandLine, const ToolScanner& scanner = {}, const RunStop& stop = {},
                  int* exitCode = nullptr);

// As RunTool, with the encoder's data (its standard output) and what it says
// (its standard error) each to its own scanner, never one line mixed into
// the other's: a name or a tag from a file that the encoder repeats in what
// it says must not pass for its data.
RunStatus RunToolApart(const std::string& commandLine, const ToolScanner& data, const ToolScanner& said);

} // namespace encoder
