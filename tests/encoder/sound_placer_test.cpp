// The placement of stamped sound on a recording's sample clock.
#include "capture/sound_placer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using capture::SoundPlacer;
using platform::kSoundChannels;
using platform::kSoundRate;
using platform::SoundPiece;

namespace {

constexpr std::int64_t kOrigin = 1'700'000'000'000'000;

// A 20 ms piece whose samples count up from `first`, stamped at `micros`.
SoundPiece piece(std::int64_t micros, int first = 1)
{
    SoundPiece p;
    p.capturedMicros = micros;
    for (int i = 0; i < kSoundRate / 50; ++i)
        for (int c = 0; c < kSoundChannels; ++c)
            p.samples.push_back(static_cast<std::int16_t>(first + i));
    return p;
}

} // namespace

TEST(SoundPlacer, StartsAtTheOriginExactlyAndFillsWhatIsMissingWithSilence)
{
    SoundPlacer placer(kOrigin);
    std::vector<std::int16_t> out;
    // A piece from before the origin is cut to the sample at the origin.
    placer.place(piece(kOrigin - 40'000), out);
    EXPECT_TRUE(out.empty());
    placer.place(piece(kOrigin - 5'000), out);
    const std::int64_t skipped = -placer.frameAt(kOrigin - 5'000); // 5 ms: 221 samples
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), 1 + skipped) << "the first sample is the one at the origin";
    EXPECT_EQ(placer.placed(), 882 - skipped);
    // A source gone for half a second: silence up to the next piece's place.
    const std::int64_t before = placer.placed();
    out.clear();
    placer.place(piece(kOrigin + 515'000, 1000), out);
    const std::int64_t gap = placer.frameAt(kOrigin + 515'000) - before;
    ASSERT_GT(gap, 0);
    EXPECT_EQ(out[static_cast<std::size_t>(gap - 1) * kSoundChannels], 0);
    EXPECT_EQ(out[static_cast<std::size_t>(gap) * kSoundChannels], 1000);
    // Filling never goes back.
    out.clear();
    placer.fillTo(kOrigin, out);
    EXPECT_TRUE(out.empty());
}

TEST(SoundPlacer, ADeviceClockAThousandthSlowAndJitteryStaysWithinAMillisecond)
{
    SoundPlacer placer(kOrigin);
    std::vector<std::int16_t> out;
    // Ten minutes of 20 ms pieces from a device whose clock runs 0.1 % slow
    // (each piece covers 20.02 ms of the wall clock), stamped with ±3 ms of
    // jitter.
    std::srand(7);
    double at = 0;
    for (int i = 0; i < 30'000; ++i) {
        const std::int64_t jitter = std::rand() % 6001 - 3000;
        placer.place(piece(kOrigin + static_cast<std::int64_t>(at) + jitter), out);
        out.clear();
        at += 20'020;
    }
    const double lateMs = (placer.frameAt(kOrigin + static_cast<std::int64_t>(at)) - placer.placed()) * 1000.0 / kSoundRate;
    EXPECT_LT(std::fabs(lateMs), 1.5);
}
