#include "platform/desktop.h"

#include <cstring>

namespace platform {

bool isWaylandSession(const char* waylandDisplay, const char* sessionType)
{
    return (waylandDisplay && *waylandDisplay) || (sessionType && std::strcmp(sessionType, "wayland") == 0);
}

} // namespace platform
