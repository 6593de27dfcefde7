#pragma once
// Runs one encoder process, drains its console output and asks it to stop
// with "q" when the caller's stop test holds. Qt-free.
#include <cstddef>
#include <functional>
#include <string>

enum RunStatus : int {
    RunEnded = 0,       // ended without a failure marker
    RunInvalidData = 1, // the scanner saw "Invalid data"
    RunStopRequested = 2, // the stop test held at least once
    RunNotStarted = 87, // the pipes or the process could not be made
};

// Gets each chunk of output (zero-terminated, at most 4096 bytes). Returning
// true ends the run with RunInvalidData: the encoder is then asked to quit
// and awaited like a stopped one, and the scanner gets nothing more.
using ToolScanner = std::function<bool(const char* chunk, std::size_t size)>;
// Polled once a pass (about every 5 ms); while it holds, "q\r\n" is written.
using StopTest = std::function<bool()>;

// `commandLine` is the quoted encoder path from PrepareTool() followed by the
// arguments. Blocks the calling thread until the encoder has ended and its
// output is drained. The encoder is never killed here: one that ignores "q"
// keeps the call waiting. `exitCode`, when given, gets the encoder's exit
// code, or -1 when it did not end by itself (a scanner ended the run, or it
// was ended by a signal).
int RunTool(const std::string& commandLine, const ToolScanner& scanner = {}, const StopTest& stop = {},
            int* exitCode = nullptr);
