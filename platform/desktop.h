#pragma once
// How the encoder grabs the whole desktop on this platform. Qt-free.
#include <string>

namespace platform {

enum class DesktopGrab {
    Gdi,  // Windows: the gdigrab "desktop" input
    X11,  // an X server's whole root window
};

struct Desktop {
    DesktopGrab grab = DesktopGrab::Gdi;
    std::string display; // X11: the display name the encoder opens, e.g. ":0"
    int width = 0;       // X11: the root window's size; the grab must fit it
    int height = 0;
};

// The desktop as it is now. For X11, width and height are 0 when the display
// cannot be opened (the encoder then fails and says so).
Desktop currentDesktop();

} // namespace platform
