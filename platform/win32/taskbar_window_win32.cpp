#include "platform/taskbar_window.h"

#include <windows.h>

namespace platform {

bool toolTipWindowCanOwnTaskbarEntry() { return true; }

void giveOwnTaskbarEntry(std::uintptr_t nativeWindow)
{
    const HWND window = reinterpret_cast<HWND>(nativeWindow);
    ::SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    ::SetWindowLongW(window, GWL_EXSTYLE, WS_EX_APPWINDOW);
}

} // namespace platform
