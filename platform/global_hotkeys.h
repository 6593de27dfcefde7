#pragma once
// Keys that reach this program while any program has the focus. Qt-free.
#include <memory>
#include <string>
#include <vector>

namespace platform {

class GlobalHotkeys {
public:
    virtual ~GlobalHotkeys() = default;
    // Takes each of `keys` ("Ctrl+Shift+F9", read by parseHotkeyName in
    // hotkey_name.h), releasing those it held before. One answer per key:
    // true when it is now ours; false when another program holds it, or it
    // names no key.
    virtual std::vector<bool> hold(const std::vector<std::string>& keys) = 0;
    // Waits up to `ms` for a press of a held key: its index in the last
    // hold(), or -1. Called from one thread only.
    virtual int waitForPress(int ms) = 0;
};

// The desktop's hotkeys; null where it has none this program can take (a
// Wayland desktop, a display that cannot be opened).
std::unique_ptr<GlobalHotkeys> openGlobalHotkeys(const std::string& display);

} // namespace platform
