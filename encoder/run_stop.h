#pragma once
// How an encoder run is asked to stop, and how long it may take before it
// is ended by force. Qt-free.
#include <stop_token>
#include <utility>

namespace encoder {

// An encoder that has not honoured a stop this long after escalation began
// is asked to terminate, and killed kKillAfterMs after that.
inline constexpr int kTerminateAfterMs = 5000;
inline constexpr int kKillAfterMs = 2000;

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

} // namespace encoder
