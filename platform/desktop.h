#pragma once
// How the encoder grabs the whole desktop on this platform. Qt-free.
#include <string>

namespace platform {

enum class DesktopGrab {
    Gdi,      // Windows: the gdigrab "desktop" input
    X11,      // an X server's whole root window
    PipeWire, // a Wayland session: the screen-cast portal's stream
};

struct Desktop {
    DesktopGrab grab = DesktopGrab::Gdi;
    std::string display; // X11: the display name the encoder opens, e.g. ":0"
    int width = 0;       // X11: the root window's size; the grab must fit it
    int height = 0;      // PipeWire: the stream's size, once the portal gave it
};

// A Wayland session records through the portal even when this program's own
// window runs under XWayland, where an X11 grab would see only black.
bool isWaylandSession(const char* waylandDisplay, const char* sessionType);

// The desktop as it is now. For X11, width and height are 0 when the display
// cannot be opened (the encoder then fails and says so).
Desktop currentDesktop();

} // namespace platform
