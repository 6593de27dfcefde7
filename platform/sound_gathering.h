#pragma once
// Gathers the chunks a sound server delivers into pieces of 50 ms: the
// meters' twenty updates a second at the fewest wake-ups. A server may send
// far smaller chunks whatever it is asked for (5 ms from a sink that plays
// with low latency). The stamps, not the pieces' size, place the sound.
// Qt-free.
#include "platform/sound_stream.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

namespace platform {

inline constexpr int kSoundPieceMs = 50;
inline constexpr std::size_t kSoundPieceFrames = static_cast<std::size_t>(kSoundRate) * kSoundPieceMs / 1000;
// A chunk whose stamp is this far from where the gathered ones end starts
// a piece of its own: sound was lost or the clock jumped.
inline constexpr std::int64_t kSoundGapMicros = 20'000;

class SoundGathering {
public:
    using Hand = std::function<void(SoundPiece)>;
    explicit SoundGathering(Hand hand) : hand_(std::move(hand)) {}

    // Adds `count` interleaved samples whose first was heard at `at`
    // (wallClockMicros); null `samples` is a hole in the source's sound,
    // gathered as silence. Hands on each piece it finishes.
    void add(std::int64_t at, const std::int16_t* samples, std::size_t count);

private:
    void handOn();

    Hand hand_;
    SoundPiece piece_;
    std::int64_t stampSum_ = 0;
    std::int64_t stamps_ = 0;
};

} // namespace platform
