#include "platform/window_system.h"

namespace platform {

namespace {

bool set(const char* value) { return value != nullptr && *value != '\0'; }

} // namespace

std::string QtPlatformToUse(const char* qtPlatform, const char* waylandDisplay, const char* x11Display)
{
    if (set(qtPlatform) || !set(waylandDisplay) || !set(x11Display))
        return {};
    return "xcb";
}

} // namespace platform
