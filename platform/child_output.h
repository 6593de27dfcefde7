#pragma once
// A child's output, read as it comes without ever blocking, and a child run
// to its end for what it prints, as the probes and the benchmarks' analyses
// need. Qt-free.
#include "platform/child_process.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string>

namespace platform {

// Every reader of a child's merged output goes through this, so that a
// closed pipe, a failed read and the bound on what is kept mean the same
// everywhere.
class ChildOutputReader {
public:
    // The largest chunk handed over; the chunk is followed by a zero byte.
    static constexpr std::size_t kChunkMax = 4096;
    using Sink = std::function<void(const char* chunk, std::size_t size)>;

    struct Drained {
        std::size_t bytes = 0; // read by this call
        bool ended = false;    // the child's output is closed and empty: nothing more will come
    };

    // Keeps the latest `keptMax` bytes read in kept(); 0 keeps nothing. A
    // chatty child must never fill the memory, whatever waits to be looked at.
    // Reads the child's `stream`.
    explicit ChildOutputReader(std::size_t keptMax = 0, ChildStream stream = ChildStream::Output)
        : keptMax_(keptMax), stream_(stream)
    { }

    // Reads what waits now, never more, handing each chunk to `sink` (when
    // given) in order before keeping it. A read that fails counts as the end;
    // so does a closed pipe, found by the call after the last bytes.
    Drained drain(ChildProcess& child, const Sink& sink = {});

    // What was read and kept; the caller may take from its front.
    std::string& kept() { return kept_; }
    const std::string& kept() const { return kept_; }

private:
    std::size_t keptMax_;
    ChildStream stream_;
    std::string kept_;
    std::array<char, kChunkMax + 1> buffer_{};
};

// Starts `commandLine` (no shell), drains its output (standard output and
// error together) until it ends, and returns all of it. `exitCode`, when
// given, gets the child's exit code, or -1 when it could not start or was
// ended by a signal.
std::string runForOutput(const std::string& commandLine, int* exitCode = nullptr);

} // namespace platform
