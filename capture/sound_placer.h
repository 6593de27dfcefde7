#pragma once
// Places stamped pieces of sound on a recording's sample clock: sample n
// stands for the instant origin + n/rate, as frame n does for the pictures.
// A piece stamped where the clock already is goes on as it is; a small
// difference (a device clock that runs a little fast or slow, the stamps'
// jitter) is taken up slowly by repeating or leaving out single samples,
// at most one in 44 (inaudible); a large one (a piece before the origin,
// a source that was gone) by silence or by leaving the overlap out. Pure.
#include "platform/sound_stream.h"

#include <cstdint>
#include <vector>

namespace capture {

class SoundPlacer {
public:
    explicit SoundPlacer(std::int64_t originMicros)
        : origin_(originMicros)
    {
    }

    // Appends to `out` (interleaved) what the piece gives, after the
    // silence its stamp calls for.
    void place(const platform::SoundPiece& piece, std::vector<std::int16_t>& out);
    // Appends silence up to the instant `micros`; nothing when the clock is
    // there already. For a source that sends nothing.
    void fillTo(std::int64_t micros, std::vector<std::int16_t>& out);
    // Frames placed so far.
    std::int64_t placed() const { return placed_; }
    // The sample clock's frame for an instant.
    std::int64_t frameAt(std::int64_t micros) const;

private:
    const std::int64_t origin_;
    std::int64_t placed_ = 0;
    bool aligned_ = false;
    double drift_ = 0; // the stamps' smoothed distance from the clock, in frames
};

} // namespace capture
