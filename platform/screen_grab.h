#pragma once
// Copies of the screen taken by this process, with the pointer drawn in, for
// the recordings that feed the encoder frames of their own. Qt-free.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// 32-bit pixels, blue first in memory (B, G, R, unused), rows `stride` bytes
// apart.
struct ScreenFrame {
    std::uint8_t* pixels = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;
};

enum class Grabbed {
    Copied,    // the frame holds the area as it is now
    Unchanged, // nothing in the area (the pointer included) changed since the last copy
    Gone,      // the display is gone
};

class ScreenGrab {
public:
    virtual ~ScreenGrab() = default;
    // Copies the area as it is now, unless the display says nothing in it
    // changed since the last copy: then the last copy's pixels still show
    // it. The pixels are the caller's to read until the next call.
    virtual Grabbed grab(ScreenFrame& frame) = 0;
    // Bytes sent to the display so far: a look that found nothing changed
    // should have sent none.
    virtual std::uint64_t bytesSent() const { return 0; }
};

// A grab of `area` of the X display `display`; null where this system has no
// such grab, the display cannot be opened, its pixels are not 32-bit, or the
// area does not lie within the screen. With `followWindow` (a window's
// handle) the area moves with that window, as it stood to it at the start:
// its place is looked up every few frames, its size stays, and it stays on
// the screen; once the window is gone it stays where it was.
std::unique_ptr<ScreenGrab> openScreenGrab(const std::string& display, const ScreenArea& area,
                                           std::uint64_t followWindow = 0);

} // namespace platform
