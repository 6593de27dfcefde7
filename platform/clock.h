#pragma once
#include <cstdint>

namespace platform {

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

LocalTime localTime();
// Milliseconds from an arbitrary start; never goes back.
std::uint64_t tickCount();
// Microseconds since 1970 (UTC) on the system's real-time clock: the clock
// the encoder's screen and PulseAudio inputs stamp their packets with.
std::int64_t wallClockMicros();

} // namespace platform
