#pragma once
// Runs one encoder process, drains its console output and asks it to stop
// with "q" once a stop is requested. Qt-free.
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>

enum RunStatus : int {
    RunEnded = 0,         // ended without a failure marker
    RunInvalidData = 1,   // the scanner saw "Invalid data"
    RunStopRequested = 2, // a stop was requested at least once
    RunForcedEnd = 3,     // it ignored the stop and was ended by force
    RunNotStarted = 87,   // the pipes or the process could not be made
};

// An encoder that has not honoured a stop this long after escalation began
// is asked to terminate, and killed kKillAfterMs after that.
inline constexpr int kTerminateAfterMs = 5000;
inline constexpr int kKillAfterMs = 2000;

// Gets each chunk of output (zero-terminated, at most 4096 bytes). Returning
// true ends the run with RunInvalidData: the encoder is then asked to quit
// and awaited like a stopped one, and the scanner gets nothing more.
using ToolScanner = std::function<bool(const char* chunk, std::size_t size)>;

// How a run is stopped. While `stop` is requested, "q\r\n" is written on
// every pass (about every 5 ms). Escalation begins once `escalate` is
// requested too: a job escalates with its stop, a recording only at shutdown.
struct RunStop {
    std::stop_token stop;
    std::stop_token escalate;

    RunStop() = default;
    RunStop(std::stop_token s) : stop(std::move(s)) { } // NOLINT: a plain token stops without escalation
    RunStop(std::stop_token s, std::stop_token e) : stop(std::move(s)), escalate(std::move(e)) { }
    static RunStop escalating(const std::stop_token& s) { return {s, s}; }
};

// `commandLine` is the quoted encoder path from PrepareTool() followed by the
// arguments. Blocks the calling thread until the encoder has ended and its
// output is drained. `exitCode`, when given, gets the encoder's exit code, or
// -1 when it did not end by itself (a scanner ended the run, or it was ended
// by a signal).
int RunTool(const std::string& commandLine, const ToolScanner& scanner = {}, const RunStop& stop = {},
            int* exitCode = nullptr);
