// The frames this program hands the encoder: their colours, and their
// places at the written instants.
#include "capture/frame_convert.h"
#include "capture/frame_pump.h"

#include "platform/child_process.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <thread>
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

// Captures at chosen instants, each frame a flat grey that names it. A real
// grab cannot be made to skip instants or to take two within one on demand.
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
        pixels_.assign(static_cast<std::size_t>(kWidth) * kHeight * 4, static_cast<std::uint8_t>(16 + 10 * at_));
        frame.pixels = {pixels_.data(), kWidth * 4, kWidth, kHeight};
        frame.capturedMicros = origin_ + static_cast<std::int64_t>(slots_[at_++] * 1e6 / 60.0);
        return FrameWait::Frame;
    }

private:
    std::int64_t origin_;
    std::vector<double> slots_;
    std::size_t at_ = 0;
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

TEST(FramePump, ScriptedCapturesFillEachInstantOnceRepeatingGapsAndDroppingDoubles)
{
    std::intptr_t readEnd = -1, writeEnd = -1;
    ASSERT_TRUE(platform::makeDataPipe(readEnd, writeEnd));
    const std::int64_t origin = platform::wallClockMicros();
    // Instant 0 starts late (frame 0 stands for it), 2 and 3 are missed, the
    // capture at 4.3 finds 4 filled.
    ScriptedSource source(origin, {0.2, 1.1, 4.0, 4.3, 5.0});
    FramePumpCounts counts;
    {
        FramePump pump(source, kWidth, kHeight, 60.0, origin, writeEnd);
        pump.start();
        for (int i = 0; i < 500 && !pump.finished(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pump.join();
        EXPECT_TRUE(pump.finished());
        EXPECT_TRUE(pump.sourceEnded());
        counts = pump.counts();
    }
    std::vector<int> greys; // the grey of each written frame
    std::vector<std::uint8_t> frame(I420Bytes(kWidth, kHeight));
    std::size_t filled = 0;
    for (long got; (got = platform::readDescriptor(readEnd, frame.data() + filled, frame.size() - filled, 1000)) > 0;) {
        filled += static_cast<std::size_t>(got);
        if (filled == frame.size()) {
            greys.push_back(frame[0]);
            filled = 0;
        }
    }
    platform::closeDescriptor(readEnd);
    EXPECT_EQ(filled, 0u) << "a frame was cut short";
    // Flat greys keep their luma within a step: frames 0, 1, 1, 1, 2, 4.
    const auto lumaOf = [](int grey) { return (219 * grey + 127) / 255 + 16; };
    const std::vector<int> expected = {lumaOf(16), lumaOf(26), lumaOf(26), lumaOf(26), lumaOf(36), lumaOf(56)};
    ASSERT_GE(greys.size(), expected.size());
    for (std::size_t i = 0; i < greys.size(); ++i)
        EXPECT_NEAR(greys[i], expected[std::min(i, expected.size() - 1)], 1) << "frame " << i;
    EXPECT_EQ(counts.captured, 5);
    EXPECT_EQ(counts.dropped, 1);
    EXPECT_EQ(counts.written, static_cast<long>(greys.size()));
    EXPECT_EQ(counts.repeated, counts.written - 4);
    EXPECT_LE(counts.worstPlacementMicros, 3400); // 0.2 of a 60th
}
