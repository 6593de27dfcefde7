#include "recording/capture_part.h"

#include "platform/screen_layout.h"

namespace recording {

using util::CaptureChoice;
using util::CaptureKind;

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

} // namespace recording
