#pragma once
// The parts of the desktop a recording can be limited to: its screens, and
// its top-level windows. Desktop coordinates, as the grabs take them.
// Qt-free.
#include "platform/screen_grab.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The screens as the display reports its monitors, the primary first;
// empty where it cannot tell (the desktop is then one screen).
std::vector<ScreenArea> desktopScreens(const std::string& display);

struct DesktopWindow {
    std::uint64_t id = 0; // the system's own handle
    ScreenArea area;      // with its frame, in desktop coordinates
    std::string title;    // as its title bar shows it; may be empty
};

// The visible top-level window under the point, topmost first, passing over
// the windows in `passOver` (e.g. the picker's own). None over the bare
// desktop.
std::optional<DesktopWindow> windowAt(const std::string& display, int x, int y,
                                      const std::vector<std::uint64_t>& passOver);

// Where a window is now; none once it is closed or hidden.
std::optional<ScreenArea> windowArea(const std::string& display, std::uint64_t id);

} // namespace platform
