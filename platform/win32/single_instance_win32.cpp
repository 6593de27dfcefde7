#include "platform/single_instance.h"

#include <cstddef>
#include <windows.h>

namespace platform {

bool IsAlreadyRunning()
{
    wchar_t name[sizeof kSingleInstanceName];
    for (std::size_t i = 0; i < sizeof kSingleInstanceName; ++i)
        name[i] = static_cast<wchar_t>(kSingleInstanceName[i]);
    // The handle is never closed: the mutex lives as long as the process.
    const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, name);
    return mutex && ::GetLastError() == ERROR_ALREADY_EXISTS;
}

} // namespace platform
