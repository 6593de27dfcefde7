// The frames this program hands the encoder: their colours, and their
// places at the written instants.
#include "capture/frame_convert.h"
#include "capture/frame_pump.h"

#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <sstream>
#include <vector>

using capture::CapturedFrame;
using capture::ConvertToI420;
using capture::FramePump;
using capture::FramePumpCounts;
using capture::FrameSource;
using capture::FrameWait;
using capture::I420Bytes;

namespace {

constexpr int kWidth = 8;
constexpr int kHeight = 2;

// Each 2x2 block one colour (B, G, R as the screen stores them).
std::vector<std::uint8_t> blocks(const std::vector<std::array<std::uint8_t, 3>>& colours)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                pixels[(y * kWidth + x) * 4 + c] = colours[static_cast<std::size_t>(x / 2)][c];
    return pixels;
}

// Captures at chosen instants, each frame a flat grey that names it; a
// negative instant is a look that found the screen unchanged. A real grab
// cannot be made to skip instants or to take two within one on demand.
class ScriptedSource : public FrameSource {
public:
    ScriptedSource(std::int64_t origin, std::vector<double> slots) : origin_(origin), slots_(std::move(slots)) { }

    FrameWait next(std::int64_t, CapturedFrame& frame) override
    {
        if (at_ >= slots_.size())
            return FrameWait::Ended;
        if (!idled_) { // a source with nothing to give is asked again
            idled_ = true;
            return FrameWait::Nothing;
        }
        const double slot = slots_[at_++];
        frame.capturedMicros = origin_ + static_cast<std::int64_t>(std::fabs(slot) * 1e6 / 60.0);
        if (slot < 0)
            return FrameWait::Unchanged;
        pixels_.assign(static_cast<std::size_t>(kWidth) * kHeight * 4, static_cast<std::uint8_t>(16 + 10 * grey_++));
        frame.pixels = {pixels_.data(), kWidth * 4, kWidth, kHeight};
        return FrameWait::Frame;
    }

private:
    std::int64_t origin_;
    std::vector<double> slots_;
    std::size_t at_ = 0;
    int grey_ = 0;
    bool idled_ = false;
    std::vector<std::uint8_t> pixels_;
};

} // namespace

TEST(FrameConvert, ScreenColoursBecomeBt601LimitedRange)
{
    // White, black, red, blue: a swap of red and blue or a full-range
    // conversion shows in every one of them.
    const auto pixels = blocks({{255, 255, 255}, {0, 0, 0}, {0, 0, 255}, {255, 0, 0}});
    std::vector<std::uint8_t> out(I420Bytes(kWidth, kHeight));
    ConvertToI420({const_cast<std::uint8_t*>(pixels.data()), kWidth * 4, kWidth, kHeight}, kWidth, kHeight, out.data());
    const std::uint8_t* y = out.data();
    const std::uint8_t* u = y + kWidth * kHeight;
    const std::uint8_t* v = u + kWidth / 2;
    const int luma[] = {235, 16, 82, 41}, blue[] = {128, 128, 90, 240}, red[] = {128, 128, 240, 110};
    for (int b = 0; b < 4; ++b) {
        SCOPED_TRACE("block " + std::to_string(b));
        EXPECT_NEAR(y[2 * b], luma[b], 1);
        EXPECT_NEAR(y[kWidth + 2 * b + 1], luma[b], 1);
        EXPECT_NEAR(u[b], blue[b], 2);
        EXPECT_NEAR(v[b], red[b], 2);
    }
}

// What reaches the encoder is read back by the encoder itself: each picture
// with its instant, a still screen costing none, the last picture again
// once it has stood a quarter second, and the first standing from the start.
TEST(FramePump, OnlyChangedFramesAreWrittenEachAtItsInstant)
{
    std::intptr_t readEnd = -1, writeEnd = -1;
    ASSERT_TRUE(platform::makeDataPipe(readEnd, writeEnd));
    const std::int64_t origin = platform::wallClockMicros();
    // Instant 0 starts late (frame 0 stands for it), 2 and 3 are unchanged,
    // the capture at 4.3 finds 4 filled, and after 5 the screen is still
    // until 50: it stands a quarter second (15 frames at 60 fps) at most.
    ScriptedSource source(origin, {0.2, 1.1, -2, -3, 4.0, 4.3, 5.0, -6, 50});
    FramePumpCounts counts;
    std::string stream;
    {
        FramePump pump(source, kWidth, kHeight, 60.0, origin, writeEnd);
        pump.start();
        std::vector<char> chunk(65536);
        for (long got; (got = platform::readDescriptor(readEnd, chunk.data(), chunk.size(), 5000)) > 0;)
            stream.append(chunk.data(), static_cast<std::size_t>(got));
        platform::closeDescriptor(readEnd);
        pump.join();
        EXPECT_TRUE(pump.finished());
        EXPECT_TRUE(pump.sourceEnded());
        counts = pump.counts();
    }
    const testing_support::TempFolder dir;
    const std::string file = dir.file("frames.mkv");
    testing_support::writeFile(file, stream);
    // The instants in 60ths of a second, and each picture's grey.
    std::vector<long> slots;
    std::istringstream times(testing_support::probe(file, "packet=pts_time"));
    for (double t; times >> t;)
        slots.push_back(std::lround(t * 60.0));
    EXPECT_EQ(slots, (std::vector<long>{0, 1, 4, 5, 20, 35, 50}));
    const std::string luma = testing_support::runAndCapture(
        "ffmpeg -v error -i " + platform::quoteArgument(file) + " -fps_mode passthrough -f rawvideo -pix_fmt gray -");
    // The encoder's grey is the screen's again, within a step.
    const std::vector<int> greys = {16, 26, 36, 56, 56, 56, 66};
    ASSERT_EQ(luma.size(), greys.size() * kWidth * kHeight);
    for (std::size_t i = 0; i < greys.size(); ++i)
        EXPECT_NEAR(static_cast<unsigned char>(luma[i * kWidth * kHeight]), greys[i], 1) << "picture " << i;
    EXPECT_EQ(counts.captured, 6);
    EXPECT_EQ(counts.unchanged, 3);
    EXPECT_EQ(counts.dropped, 1);
    EXPECT_EQ(counts.written, 7);
    EXPECT_EQ(counts.repeated, 2);
    EXPECT_LE(counts.worstPlacementMicros, 3400); // 0.2 of a 60th
}
