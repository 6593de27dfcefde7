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

} // namespace platform
