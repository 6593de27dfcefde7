#pragma once
// Where the main window goes while a recording runs. A tray icon can bring a
// hidden window back; without a tray host nothing could, so the window only
// minimises and its title carries the running time for the taskbar.
// Pure and Qt-free.
#include <cstdint>
#include <string>

namespace recording {

enum class WindowAway { Hidden, Minimised };

// At a start, given whether a tray host is there now.
WindowAway WindowAwayOnStart(bool trayAvailable);

// What one record tick does to the main window.
struct RecordWindowTick {
    // "00:01:05 - <product name>": the time comes first, so that a narrow
    // taskbar button still shows it.
    std::string title;
    // The window is hidden and the tray that could show it has gone: minimise
    // it, so that the taskbar offers it again.
    bool minimise = false;
};
RecordWindowTick RecordWindowOnTick(const std::string& productName, std::uint64_t elapsedSeconds, bool trayAvailable,
                                    bool windowHidden);

} // namespace recording
