#include "platform/sound_gathering.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using platform::kSoundChannels;
using platform::kSoundPieceFrames;
using platform::SoundGathering;
using platform::SoundPiece;

namespace {

constexpr std::int64_t kStart = 1'700'000'000'000'000;

// When the frame `frames` after the start was heard, as the gathering
// reckons it.
std::int64_t at(std::size_t frames)
{
    return kStart + static_cast<std::int64_t>(frames) * 1'000'000 / platform::kSoundRate;
}

struct Gathered {
    std::vector<SoundPiece> pieces;
    SoundGathering gathering{[this](SoundPiece piece) { pieces.push_back(std::move(piece)); }};
};

// A chunk of `frames` frames whose samples count on from `first`.
std::vector<std::int16_t> chunk(std::size_t frames, std::int16_t first)
{
    std::vector<std::int16_t> samples(frames * kSoundChannels);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(first + i);
    return samples;
}

} // namespace

TEST(SoundGathering, ChunksOfFiveMillisecondsMakePiecesOfFiftyInOrderAndOnTime)
{
    constexpr std::size_t kChunk = 220; // 4.99 ms
    Gathered g;
    std::vector<std::int16_t> sent;
    for (std::size_t frames = 0; frames < 44 * kChunk; frames += kChunk) {
        const auto samples = chunk(kChunk, static_cast<std::int16_t>(sent.size()));
        sent.insert(sent.end(), samples.begin(), samples.end());
        g.gathering.add(at(frames), samples.data(), samples.size());
    }
    ASSERT_EQ(g.pieces.size(), 4u);
    std::vector<std::int16_t> received;
    std::size_t frames = 0;
    for (const SoundPiece& piece : g.pieces) {
        EXPECT_EQ(piece.frames(), 11 * kChunk); // the first chunk count that reaches 50 ms
        EXPECT_NEAR(piece.capturedMicros, at(frames), 1);
        frames += piece.frames();
        received.insert(received.end(), piece.samples.begin(), piece.samples.end());
    }
    EXPECT_EQ(received, sent);
}

TEST(SoundGathering, StampsAPieceWithTheMeanOfItsJitteredChunks)
{
    constexpr std::size_t kChunk = kSoundPieceFrames / 9;
    const std::int64_t jitter[9] = {2000, -1000, 3000, -2000, 0, 1000, -3000, 1500, 900};
    Gathered g;
    const auto samples = chunk(kChunk, 0);
    for (std::size_t i = 0; i < 9; ++i)
        g.gathering.add(at(i * kChunk) + jitter[i], samples.data(), samples.size());
    ASSERT_EQ(g.pieces.size(), 1u);
    EXPECT_EQ(g.pieces[0].capturedMicros, kStart + 2400 / 9);
}

TEST(SoundGathering, AJumpBeyondTheGapHandsThePartialPieceAndStartsAnew)
{
    constexpr std::size_t kChunk = kSoundPieceFrames / 9;
    Gathered g;
    const auto samples = chunk(kChunk, 0);
    for (std::size_t i = 0; i < 3; ++i)
        g.gathering.add(at(i * kChunk), samples.data(), samples.size());
    // Jitter within the gap stays in the piece.
    g.gathering.add(at(3 * kChunk) + platform::kSoundGapMicros - 1000, samples.data(), samples.size());
    EXPECT_TRUE(g.pieces.empty());

    const std::int64_t resumed = at(4 * kChunk) + platform::kSoundGapMicros + 10'000;
    g.gathering.add(resumed, samples.data(), samples.size());
    ASSERT_EQ(g.pieces.size(), 1u);
    EXPECT_EQ(g.pieces[0].frames(), 4 * kChunk);
    for (std::size_t i = 1; i < 9; ++i)
        g.gathering.add(resumed + at(i * kChunk) - kStart, samples.data(), samples.size());
    ASSERT_EQ(g.pieces.size(), 2u);
    EXPECT_EQ(g.pieces[1].frames(), kSoundPieceFrames);
    EXPECT_EQ(g.pieces[1].capturedMicros, resumed);
}

TEST(SoundGathering, AHoleBecomesSilenceOfItsLength)
{
    constexpr std::size_t kChunk = kSoundPieceFrames / 9;
    Gathered g;
    const auto samples = chunk(kChunk, 1);
    g.gathering.add(at(0), samples.data(), samples.size());
    g.gathering.add(at(kChunk), nullptr, 7 * kChunk * kSoundChannels);
    g.gathering.add(at(8 * kChunk), samples.data(), samples.size());
    ASSERT_EQ(g.pieces.size(), 1u);
    const auto& got = g.pieces[0].samples;
    ASSERT_EQ(got.size(), kSoundPieceFrames * kSoundChannels);
    const std::size_t hole = kChunk * kSoundChannels;
    EXPECT_EQ(std::vector<std::int16_t>(got.begin(), got.begin() + hole), samples);
    EXPECT_EQ(std::vector<std::int16_t>(got.begin() + hole, got.end() - hole),
              std::vector<std::int16_t>(7 * hole, 0));
    EXPECT_EQ(std::vector<std::int16_t>(got.end() - hole, got.end()), samples);
}
