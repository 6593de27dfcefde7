#pragma once
// The one conversion of a screen's pixels into what the encoder takes: I420
// (4:2:0, BT.601 limited range, as the encoder's own conversion gave).
// Qt-free.
#include "platform/screen_grab.h"

#include <cstddef>
#include <cstdint>

namespace capture {

// Bytes of an I420 frame of an even width and height.
constexpr std::size_t I420Bytes(int width, int height)
{
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3 / 2;
}

// Converts the frame's top left `width`×`height` (both even, at most the
// frame's size) into `out`, which holds I420Bytes(width, height).
void ConvertToI420(const platform::ScreenFrame& frame, int width, int height, std::uint8_t* out);

} // namespace capture
