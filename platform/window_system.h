#pragma once
// Which of the desktop's window systems the window runs on. On a Wayland
// desktop the embedded player draws into the window through X11 (MPlayer's
// -wid), which a native Wayland window cannot take, so the window runs as an
// X11 client of the desktop's XWayland where there is one. The recording is
// not affected: it asks the desktop's screen-cast portal either way. Pure
// and Qt-free.
#include <string>

namespace platform {

// The Qt platform to ask for ("xcb"), or "" to leave Qt's own choice: the
// user chose one (QT_QPA_PLATFORM), the desktop is not Wayland, or it has no
// XWayland display. Null arguments are unset variables.
std::string QtPlatformToUse(const char* qtPlatform, const char* waylandDisplay, const char* x11Display);

} // namespace platform
