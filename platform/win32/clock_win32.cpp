#include "platform/clock.h"

#include <windows.h>

namespace platform {

LocalTime localTime()
{
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::uint64_t tickCount() { return ::GetTickCount64(); }

std::int64_t wallClockMicros()
{
    FILETIME t;
    ::GetSystemTimePreciseAsFileTime(&t);
    // 100 ns units since 1601; 11644473600 s lie between 1601 and 1970.
    const auto units = (static_cast<std::int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return units / 10 - INT64_C(11644473600) * 1000000;
}

} // namespace platform
