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
// once, right after the application object exists. The alternate stack that
// lets a stack overflow still be reported is the calling thread's: an
// overflow on another thread ends the process without a report.
void installCrashHandler();

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
