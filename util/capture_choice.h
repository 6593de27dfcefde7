#pragma once
// What part of the desktop a recording takes, as the user chose it on the
// record page and as the settings keep it (the pixels it comes to at Start
// are recording's to decide). Pure and Qt-free.
#include "platform/screen_grab.h"

#include <cstdint>
#include <optional>
#include <string>

namespace util {

enum class CaptureKind : int {
    Desktop, // the whole desktop, as always
    Screen,  // one monitor
    Area,    // a rectangle dragged over the desktop
    Window,  // one top-level window, where it was at Start
};

struct CaptureChoice {
    CaptureKind kind = CaptureKind::Desktop;
    platform::ScreenArea area; // Screen, Area, Window: the part as chosen
    std::uint64_t window = 0;  // Window: the system's handle
};

// "desktop", "screen", "area" or "window"; an unknown text is Desktop.
std::string CaptureKindText(CaptureKind kind);
CaptureKind CaptureKindFromText(const std::string& text);
// "x,y,w,h"; an area that does not parse, or is empty, is none.
std::string AreaText(const platform::ScreenArea& area);
std::optional<platform::ScreenArea> AreaFromText(const std::string& text);

} // namespace util
