#include "capture/frame_convert.h"

namespace capture {

// The same conversion in plain C++, where libyuv is not at hand (the Windows
// build, which records through the encoder's own grab). Integer BT.601 as
// libyuv rounds it.
namespace {

std::uint8_t lumaOf(const std::uint8_t* p)
{
    return static_cast<std::uint8_t>((66 * p[2] + 129 * p[1] + 25 * p[0] + 0x1080) >> 8);
}

} // namespace

void ConvertToI420(const platform::ScreenFrame& frame, int width, int height, std::uint8_t* out)
{
    const int chromaWidth = width / 2;
    std::uint8_t* y = out;
    std::uint8_t* u = y + static_cast<std::ptrdiff_t>(width) * height;
    std::uint8_t* v = u + static_cast<std::ptrdiff_t>(chromaWidth) * (height / 2);
    for (int row = 0; row < height; row += 2) {
        const std::uint8_t* top = frame.pixels + static_cast<std::ptrdiff_t>(row) * frame.stride;
        const std::uint8_t* bottom = top + frame.stride;
        for (int x = 0; x < width; ++x) {
            y[row * width + x] = lumaOf(top + 4 * x);
            y[(row + 1) * width + x] = lumaOf(bottom + 4 * x);
        }
        for (int x = 0; x < chromaWidth; ++x) {
            int sum[3] = {0, 0, 0};
            for (const std::uint8_t* p : {top + 8 * x, top + 8 * x + 4, bottom + 8 * x, bottom + 8 * x + 4})
                for (int c = 0; c < 3; ++c)
                    sum[c] += p[c];
            const int b = (sum[0] + 2) >> 2, g = (sum[1] + 2) >> 2, r = (sum[2] + 2) >> 2;
            const int at = (row / 2) * chromaWidth + x;
            u[at] = static_cast<std::uint8_t>((112 * b - 74 * g - 38 * r + 0x8080) >> 8);
            v[at] = static_cast<std::uint8_t>((112 * r - 94 * g - 18 * b + 0x8080) >> 8);
        }
    }
}

} // namespace capture
