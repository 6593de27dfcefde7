#include "platform/single_instance.h"

#include "platform/win32/wide.h"

#include <windows.h>

namespace platform {

bool IsAlreadyRunning()
{
    // The handle is never closed: the mutex lives as long as the process, and
    // the system drops it however the process ends.
    const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, win32::widen(kSingleInstanceName).c_str());
    return mutex && ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ShowWindowTitled(const std::string& title)
{
    if (title.empty()) // an empty title would match any untitled window
        return false;
    const HWND window = ::FindWindowW(nullptr, win32::widen(title).c_str());
    if (!window)
        return false;
    ::ShowWindow(window, SW_SHOWNORMAL);
    return true;
}

} // namespace platform
