#include "util/capture_choice.h"

#include <cstdio>

namespace util {

std::string CaptureKindText(CaptureKind kind)
{
    switch (kind) {
    case CaptureKind::Screen:
        return "screen";
    case CaptureKind::Area:
        return "area";
    case CaptureKind::Window:
        return "window";
    default:
        return "desktop";
    }
}

CaptureKind CaptureKindFromText(const std::string& text)
{
    for (const CaptureKind kind : {CaptureKind::Screen, CaptureKind::Area, CaptureKind::Window})
        if (text == CaptureKindText(kind))
            return kind;
    return CaptureKind::Desktop;
}

std::string AreaText(const platform::ScreenArea& area)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", area.x, area.y, area.width, area.height);
    return text;
}

std::optional<platform::ScreenArea> AreaFromText(const std::string& text)
{
    platform::ScreenArea area;
    int used = 0;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d%n", &area.x, &area.y, &area.width, &area.height, &used) != 4
        || used != static_cast<int>(text.size()) || area.width <= 0 || area.height <= 0)
        return std::nullopt;
    return area;
}

} // namespace util
