#include "recording/capture_part.h"

#include "platform/desktop.h"
#include "platform/screen_layout.h"

#include <algorithm>

namespace recording {

using util::CaptureChoice;
using util::CaptureKind;

std::vector<platform::ScreenArea> ScreensToOffer()
{
    const platform::Desktop desktop = platform::currentDesktop();
    if (desktop.grab == platform::DesktopGrab::PipeWire)
        return {};
    return platform::desktopScreens(desktop.display);
}

std::optional<platform::ScreenArea> PartAtStart(const CaptureChoice& choice, const std::string& display)
{
    switch (choice.kind) {
    case CaptureKind::Desktop:
        return std::nullopt;
    case CaptureKind::Window:
        if (const auto now = platform::windowArea(display, choice.window))
            return now;
        return choice.area;
    default:
        return choice.area;
    }
}

std::optional<platform::ScreenArea> RecordedArea(const platform::ScreenArea& part, int width, int height)
{
    const long long left = std::max<long long>(0, part.x);
    const long long top = std::max<long long>(0, part.y);
    const long long right = std::min<long long>(width, static_cast<long long>(part.x) + part.width);
    const long long bottom = std::min<long long>(height, static_cast<long long>(part.y) + part.height);
    const long long w = (right - left) & ~1LL;
    const long long h = (bottom - top) & ~1LL;
    if (w < 2 || h < 2)
        return std::nullopt;
    return platform::ScreenArea{static_cast<int>(left), static_cast<int>(top), static_cast<int>(w),
                                static_cast<int>(h)};
}

platform::ScreenArea AreaToRecord(const std::optional<platform::ScreenArea>& part, int width, int height)
{
    // An odd desktop loses its last column or row: H.264 in 4:2:0 takes even sizes only.
    const platform::ScreenArea whole{0, 0, width & ~1, height & ~1};
    return part ? RecordedArea(*part, width, height).value_or(whole) : whole;
}

bool IsPartOfDesktop(const platform::ScreenArea& area, int width, int height)
{
    return area.x != 0 || area.y != 0 || area.width != (width & ~1) || area.height != (height & ~1);
}

} // namespace recording
