#pragma once
#include <cstdint>

namespace platform {

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

LocalTime localTime();
// Milliseconds from an arbitrary start; never goes back.
std::uint64_t tickCount();

} // namespace platform
