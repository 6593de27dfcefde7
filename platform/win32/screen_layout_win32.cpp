#include "platform/screen_layout.h"

#include "platform/win32/wide.h"

#include <windows.h>

#include <algorithm>

namespace platform {
namespace {

ScreenArea areaOf(const RECT& r) { return {r.left, r.top, r.right - r.left, r.bottom - r.top}; }

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!::GetMonitorInfoW(monitor, &info))
        return TRUE;
    auto* screens = reinterpret_cast<std::vector<ScreenArea>*>(list);
    // The virtual screen's origin is the primary monitor's top left; the
    // grab counts from the virtual screen's own top left.
    const ScreenArea area = areaOf(info.rcMonitor);
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        screens->insert(screens->begin(), area);
    else
        screens->push_back(area);
    return TRUE;
}

ScreenArea fromVirtual(ScreenArea a)
{
    a.x -= ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    a.y -= ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return a;
}

} // namespace

std::vector<ScreenArea> desktopScreens(const std::string&)
{
    std::vector<ScreenArea> screens;
    ::EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&screens));
    for (ScreenArea& s : screens)
        s = fromVirtual(s);
    return screens;
}

std::optional<DesktopWindow> windowAt(const std::string&, int x, int y, const std::vector<std::uint64_t>& passOver)
{
    POINT p{x + ::GetSystemMetrics(SM_XVIRTUALSCREEN), y + ::GetSystemMetrics(SM_YVIRTUALSCREEN)};
    // Top-level windows, topmost first.
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        const auto id = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(w));
        if (!::IsWindowVisible(w) || std::find(passOver.begin(), passOver.end(), id) != passOver.end())
            continue;
        RECT r{};
        if (!::GetWindowRect(w, &r) || !::PtInRect(&r, p))
            continue;
        wchar_t title[512] = {};
        ::GetWindowTextW(w, title, 512);
        return DesktopWindow{id, fromVirtual(areaOf(r)), win32::narrow(title)};
    }
    return std::nullopt;
}

std::optional<ScreenArea> windowArea(const std::string&, std::uint64_t id)
{
    const HWND w = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(id));
    RECT r{};
    if (!::IsWindow(w) || !::IsWindowVisible(w) || !::GetWindowRect(w, &r))
        return std::nullopt;
    return fromVirtual(areaOf(r));
}

} // namespace platform
