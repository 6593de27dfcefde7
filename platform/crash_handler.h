#pragma once
// Crash reporting. When a fault or an uncaught exception ends the process on
// any thread, one report is written into "D-Error" under the current folder,
// named from the local time of the crash ("2018-3-5&9-7-2.dmp"), and then our
// encoders are asked to finish their files before whatever still runs is
// ended by force. Qt-free.
//
// On Windows the report is a DbgHelp minidump; elsewhere it is a text report
// (signal, fault address, thread, backtrace, memory map) written with
// async-signal-safe calls only.
#include "platform/clock.h"

#include <cstddef>

namespace platform {

// Installs the handler for the whole process, every thread included: call
// once, right after the application object exists. It also readies the
// calling thread for a stack overflow; other threads of ours hold a
// ThreadCrashGuard for that.
void installCrashHandler();

// Lets a stack overflow on the calling thread still be reported (a report
// needs stack of its own). Create one as a worker thread's first local and
// keep it for the thread's whole life.
class ThreadCrashGuard {
public:
    ThreadCrashGuard();
    ~ThreadCrashGuard();
    ThreadCrashGuard(const ThreadCrashGuard&) = delete;
    ThreadCrashGuard& operator=(const ThreadCrashGuard&) = delete;

private:
    void* stack_ = nullptr;
};

// Local time minus UTC, worked out ahead for a stretch of time, so that a
// crash report can be named from the local time without the local-time
// functions, which lock and read files. Summer-time changes inside the
// stretch are kept; past its end the last offset holds.
class UtcOffsetTable {
public:
    using OffsetAt = long (*)(long long utcSeconds);
    // Looks for changes every few hours from `from` to `until`, then finds
    // each to the second. Changes beyond the table's room are dropped.
    void build(long long from, long long until, OffsetAt offsetAt);
    // Async-signal-safe.
    long at(long long utcSeconds) const;

private:
    static constexpr int kMaxChanges = 16;
    long first_ = 0;
    int changes_ = 0;
    long long changeAt_[kMaxChanges] = {}; // first second of each new offset
    long offset_[kMaxChanges] = {};
};

// Size of the buffer the dump path is built in, terminating zero included.
constexpr std::size_t kDumpPathSize = 260;

// Builds "<folder><sep>D-Error<sep><y>-<m>-<d>&<h>-<mi>-<s>.dmp" into `out`
// (numbers not zero-padded). Returns the length of the folder part, up to
// and including its last separator, or 0 when the whole path would need more
// than kDumpPathSize - 1 characters; `out` is never written past its end.
// Async-signal-safe.
std::size_t buildDumpPath(char (&out)[kDumpPathSize], const char* currentFolder, char sep, const LocalTime& when);

// The calendar date and time of `secondsSinceEpoch` (already shifted into the
// wanted time zone). Async-signal-safe.
LocalTime civilTime(long long secondsSinceEpoch);

// True when the file name of `fullPath`, without folder and extension, is
// "ntdll" in any case. A null path gives false. Both '\' and '/' separate
// folders; a drive ("C:") is skipped.
bool IsNtdllModule(const wchar_t* fullPath);

// What ending the live encoders after a crash came to.
struct CrashEncoderEnd {
    int running = 0; // live encoders when the crash happened
    int killed = 0;  // those still running after the grace time, ended by force
};

// Writes "q\r\n" to every live encoder, waits up to `graceMs` for them to
// finish their files, then ends by force what still runs. Async-signal-safe.
CrashEncoderEnd endEncodersAfterCrash(int graceMs);

// The grace time a crash gives the encoders to finish their files.
constexpr int kCrashGraceMs = 3000;

} // namespace platform
