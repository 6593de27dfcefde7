#include "recording/record_window.h"

#include "util/format.h"

namespace recording {

using util::FormatDuration;

WindowAway WindowAwayOnStart(bool trayAvailable) { return trayAvailable ? WindowAway::Hidden : WindowAway::Minimised; }

RecordWindowTick RecordWindowOnTick(const std::string& productName, std::uint64_t elapsedSeconds, bool trayAvailable,
                                    bool windowHidden)
{
    // The title is only seen when the window is not hidden, so it always
    // carries the time: a window that was minimised for want of a tray keeps
    // showing it when a tray host appears later.
    RecordWindowTick tick;
    tick.title = FormatDuration(static_cast<std::int64_t>(elapsedSeconds)) + " - " + productName;
    tick.minimise = windowHidden && !trayAvailable;
    return tick;
}

} // namespace recording
