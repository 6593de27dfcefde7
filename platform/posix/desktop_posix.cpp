#include "platform/desktop.h"

#include <X11/Xlib.h>
#include <cstdlib>

namespace platform {

Desktop currentDesktop()
{
    Desktop desktop;
    if (isWaylandSession(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"))) {
        desktop.grab = DesktopGrab::PipeWire;
        return desktop;
    }
    desktop.grab = DesktopGrab::X11;
    const char* name = std::getenv("DISPLAY");
    desktop.display = name && *name ? name : ":0";
    if (Display* dpy = XOpenDisplay(desktop.display.c_str())) {
        const int screen = DefaultScreen(dpy);
        desktop.width = DisplayWidth(dpy, screen);
        desktop.height = DisplayHeight(dpy, screen);
        XCloseDisplay(dpy);
    }
    return desktop;
}

} // namespace platform
