#pragma once
// Pieces the runner tests share on both platforms.
#include "encoder/runner.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "test_support.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

namespace testing_support {

// A command line that starts the fault child with `args`.
inline std::string child(const std::string& args) { return platform::quoteArgument(faultChild()) + " " + args; }

// The scanner of the job runs: "Invalid data" ends the run.
inline bool invalidData(const char* chunk, std::size_t) { return std::strstr(chunk, "Invalid data") != nullptr; }

// A scanner that keeps every byte in `text` and never ends the run.
inline encoder::ToolScanner keepInto(std::string& text)
{
    return [&text](const char* chunk, std::size_t size) {
        text.append(chunk, size);
        return false;
    };
}

// A stop requested `ms` after it was made; pass it where a RunStop goes.
class StopAfter {
public:
    explicit StopAfter(int ms, bool escalate = false)
        : escalate_(escalate), timer_([this, ms](std::stop_token cancelled) {
              std::mutex m;
              std::unique_lock lock(m);
              std::condition_variable_any().wait_for(lock, cancelled, std::chrono::milliseconds(ms),
                                                     [] { return false; });
              source_.request_stop();
          })
    {
    }
    operator encoder::RunStop() const // NOLINT: reads as the stop it stands for
    {
        return escalate_ ? encoder::RunStop::escalating(source_.get_token()) : encoder::RunStop(source_.get_token());
    }

private:
    std::stop_source source_;
    bool escalate_;
    std::jthread timer_;
};
inline StopAfter stopAfter(int ms) { return StopAfter(ms); }

} // namespace testing_support
