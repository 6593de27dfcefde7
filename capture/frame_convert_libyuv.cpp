#include "capture/frame_convert.h"

#include <libyuv/convert_from_argb.h>

namespace capture {

// libyuv's "ARGB" is blue first in memory, as the screen's pixels are; its
// SIMD rows do a 1080p frame in about a millisecond here, where the
// encoder's own conversion took several.
void ConvertToI420(const platform::ScreenFrame& frame, int width, int height, std::uint8_t* out)
{
    const int chromaWidth = width / 2;
    std::uint8_t* y = out;
    std::uint8_t* u = y + static_cast<std::ptrdiff_t>(width) * height;
    std::uint8_t* v = u + static_cast<std::ptrdiff_t>(chromaWidth) * (height / 2);
    libyuv::ARGBToI420(frame.pixels, frame.stride, y, width, u, chromaWidth, v, chromaWidth, width, height);
}

} // namespace capture
